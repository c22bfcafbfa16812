// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusConnection.h"
#include "ui/MenuContent.h"

#include <QObject>
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
class MenuExporter : public QObject {
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

    // Serves the menu on bus, which must outlive it. A chosen row is answered at once and
    // performed on the next turn of the event loop, outside the bus's dispatch (it may open a
    // window or quit).
    MenuExporter(BusConnection& bus, Build build, Perform perform);
    ~MenuExporter() override;

    // The bus's name for an entry's kind ("space", "heading", "text", "separator", "rename",
    // "launch-at-login", "check-for-updates", "quit").
    static QString kindName(MenuContent::Entry::Kind kind);
    // The entry as a row.
    static Row rowOf(const MenuContent::Entry& entry);

private:
    static const sd_bus_vtable* vtable();
    static int getMenu(sd_bus_message* call, void* userdata, sd_bus_error* error);
    static int choose(sd_bus_message* call, void* userdata, sd_bus_error* error);
    // The reply to GetMenu: the new revision and the rows of entries_.
    int answerMenu(sd_bus_message* call) const;

    Build build_;
    Perform perform_;
    std::uint32_t revision_ = 0; // 0: none handed out yet
    std::vector<MenuContent::Entry> entries_;
    BusConnection::Slot object_;
};

} // namespace quillbar
