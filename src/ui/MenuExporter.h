#pragma once

#include "ui/MenuContent.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace quillbar {

// The tray menu on the session bus, for a panel that draws its own (the GNOME Shell extension's
// top-bar button): interface "org.quillbar.Quillbar.Menu" beside the title on the object that
// carries it. GetMenu builds the rows when asked and numbers them with a new revision; Choose
// does what choosing a row of that revision does. Rows are the tray menu's own entries.
class MenuExporter : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillbar.Quillbar.Menu")
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

    // Serves the menu on the object exported, which must be registered on bus with
    // ExportAdaptors.
    MenuExporter(QObject* exported, QDBusConnection bus, Build build, Perform perform);
    ~MenuExporter() override;

    // The bus's name for an entry's kind ("space", "heading", "text", "separator", "rename",
    // "launch-at-login", "check-for-updates", "quit").
    static QString kindName(MenuContent::Entry::Kind kind);
    // The entry as a row.
    static Row rowOf(const MenuContent::Entry& entry);

public slots:
    // The menu now: its revision (a new one each call) and its rows.
    // (The type is spelled out in full: the bus looks it up by the name written here.)
    uint GetMenu(QList<quillbar::MenuExporter::Row>& rows);
    // Does what choosing row of the menu of that revision does; errors kStaleMenu when revision
    // is not the latest handed out, kNoSuchRow when the row is out of range, inert or disabled.
    void Choose(uint revision, uint row, const QDBusMessage& message);

private:
    void refuse(const QDBusMessage& call, const char* error, const QString& text);

    QDBusConnection bus_;
    Build build_;
    Perform perform_;
    uint revision_ = 0; // 0: none handed out yet
    std::vector<MenuContent::Entry> entries_;
};

// A row in and out of a bus message.
QDBusArgument& operator<<(QDBusArgument& argument, const MenuExporter::Row& row);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuExporter::Row& row);

} // namespace quillbar

Q_DECLARE_METATYPE(quillbar::MenuExporter::Row)
