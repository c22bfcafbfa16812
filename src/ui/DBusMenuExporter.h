// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusObject.h"
#include "ui/MenuContent.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <vector>

namespace quillbar {

// The tray menu in the form StatusNotifier hosts draw (interface "com.canonical.dbusmenu", at
// kPath on its own object): a root (id 0) whose children are the menu's entries, numbered afresh
// whenever the entries change, so a click on a row of an earlier layout does nothing. What a
// caller sends is bounded: lists are read up to kMaxGroup items, unknown ids and events ignored.
class DBusMenuExporter : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    static constexpr const char* kPath = "/MenuBar";
    static constexpr const char* kInterface = "com.canonical.dbusmenu";
    static constexpr int kMaxGroup = 256;

    // One item's properties, (ia{sv}).
    struct ItemProperties {
        int id = 0;
        QVariantMap properties;
    };
    // An item with its children, (ia{sv}av), each child a variant holding the same shape.
    struct LayoutNode {
        int id = 0;
        QVariantMap properties;
        QList<LayoutNode> children;
    };
    // One event of a group, (isvu).
    struct ItemEvent {
        int id = 0;
        QString eventId;
        QDBusVariant data;
        uint timestamp = 0;
    };

    // The entries the menu would show now.
    using Entries = std::function<std::vector<MenuContent::Entry>()>;
    // What opening the menu does first (a refresh).
    using Prepare = std::function<void()>;
    // Does what choosing the entry does.
    using Perform = std::function<void(const MenuContent::Entry&)>;

    // The menu as an interface of object, which owns it.
    DBusMenuExporter(BusObject& object, Entries entries, Prepare prepare, Perform perform);

    // Rereads the entries and announces a new layout when they changed.
    void update();
    // An entry's properties as hosts read them (label with mnemonics escaped, enabled, type,
    // toggle-type and toggle-state for checkable rows).
    static QVariantMap propertiesOf(const MenuContent::Entry& entry);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    // The whole menu as it would show now (every item of this menu is a child of the root),
    // whatever depth is asked. A host may read it long before it opens the menu.
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   quillbar::DBusMenuExporter::LayoutNode& layout);
    // The properties of the known ids among ids.
    QList<quillbar::DBusMenuExporter::ItemProperties>
    GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    // One property of one item (an empty text for anything unknown).
    QDBusVariant GetProperty(int id, const QString& name);
    // "clicked" on a live, enabled row chooses it on the next turn of the event loop.
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    // The events of a group; answers the ids it did not know.
    QList<int> EventGroup(const QList<quillbar::DBusMenuExporter::ItemEvent>& events);
    // Before the host shows the menu: refresh; true when the layout changed.
    bool AboutToShow(int id);
    // The same for a group; the root is the only item that needs it.
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    // A new layout (revision) below parent.
    void LayoutUpdated(uint revision, int parent);

private:
    // The entry an id names in the present layout, or nullptr.
    const MenuContent::Entry* entryOf(int id) const;
    bool rebuild();

    Entries entries_;
    Prepare prepare_;
    Perform perform_;
    std::vector<MenuContent::Entry> shown_;
    std::uint32_t revision_ = 1;
    int firstId_ = 1; // the first entry's id in this layout
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::ItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument,
                                DBusMenuExporter::ItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::LayoutNode& node);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuExporter::LayoutNode& node);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::ItemEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuExporter::ItemEvent& event);

} // namespace quillbar

Q_DECLARE_METATYPE(quillbar::DBusMenuExporter::ItemProperties)
Q_DECLARE_METATYPE(quillbar::DBusMenuExporter::LayoutNode)
Q_DECLARE_METATYPE(quillbar::DBusMenuExporter::ItemEvent)
