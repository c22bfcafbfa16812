// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusObject.h"
#include "ui/MenuContent.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace quillbar {

// The tray menu on the session bus, for a panel that draws its own (the GNOME Shell extension's
// top-bar button): interface "org.quillbar.Quillbar.Menu" beside the title on its object
// (TitleExporter::kPath). GetMenu() → (u revision, a(sssbbb) rows) builds the rows when asked and
// numbers them with a new revision; Choose(u revision, u row) does what choosing a row of that
// revision does, erring kStaleMenu when revision is not the latest handed out and kNoSuchRow when
// the row is out of range, inert or disabled. Rows are the tray menu's own entries.
class MenuExporter : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillbar.Quillbar.Menu")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.quillbar.Quillbar.Menu\">\n"
                "    <method name=\"GetMenu\">\n"
                "      <arg name=\"revision\" type=\"u\" direction=\"out\"/>\n"
                "      <arg name=\"rows\" type=\"a(sssbbb)\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"Choose\">\n"
                "      <arg name=\"revision\" type=\"u\" direction=\"in\"/>\n"
                "      <arg name=\"row\" type=\"u\" direction=\"in\"/>\n"
                "    </method>\n"
                "  </interface>\n")
public:
    static constexpr const char* kInterface = "org.quillbar.Quillbar.Menu";
    static constexpr const char* kStaleMenu = "org.quillbar.Quillbar.Error.StaleMenu";
    static constexpr const char* kNoSuchRow = "org.quillbar.Quillbar.Error.NoSuchRow";

    // One row as the bus carries it: (kind, text, emoji, checkable, checked, enabled).
    struct Row {
        QString kind;
        QString text;
        QString emoji;
        bool checkable = false;
        bool checked = false;
        bool enabled = false;

        bool operator==(const Row&) const = default;
    };

    // The menu's entries now (after the refresh an opening does).
    using Build = std::function<std::vector<MenuContent::Entry>()>;
    // Does what choosing the entry does.
    using Perform = std::function<void(const MenuContent::Entry&)>;

    // The menu as an interface of object (the title's), which owns it. A chosen row is answered
    // at once and performed on the next turn of the event loop, outside the bus's dispatch (it
    // may open a window or quit).
    MenuExporter(BusObject& object, Build build, Perform perform);

    // The bus's name for an entry's kind ("space", "heading", "text", "separator", "rename",
    // "launch-at-login", "check-for-updates", "quit").
    static QString kindName(MenuContent::Entry::Kind kind);
    // The entry as a row.
    static Row rowOf(const MenuContent::Entry& entry);

public slots:
    // The bus methods: a new revision and its rows; a row of the latest revision chosen.
    void GetMenu(const QDBusMessage& message);
    void Choose(uint revision, uint row, const QDBusMessage& message);

private:
    BusObject& object_;
    Build build_;
    Perform perform_;
    std::uint32_t revision_ = 0; // 0: none handed out yet
    std::vector<MenuContent::Entry> entries_;
};

// A row's form on the bus, (sssbbb).
QDBusArgument& operator<<(QDBusArgument& argument, const MenuExporter::Row& row);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuExporter::Row& row);

} // namespace quillbar

Q_DECLARE_METATYPE(quillbar::MenuExporter::Row)
