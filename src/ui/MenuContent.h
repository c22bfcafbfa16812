// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceInfo.h"

#include <QCoreApplication>
#include <QString>

#include <optional>
#include <vector>

namespace quillbar {

class SpaceObserver;
class SpaceSwitcher;

// What the tray menu shows, top to bottom, as plain values: the spaces (grouped under display
// names when there are several displays) and the fixed commands. The view turns it into a QMenu.
class MenuContent {
    Q_DECLARE_TR_FUNCTIONS(MenuContent)

public:
    struct Entry {
        enum class Kind {
            Space,   // a row that switches to its space
            Heading, // a display's name above its spaces
            Text,    // an inert line
            Separator,
            RenameSpaces,  // opens the rename window
            LaunchAtLogin, // checkable
            CheckForUpdates,
            Quit,
        };
        Kind kind = Kind::Text;
        QString title;
        QString emoji; // for Space: the emoji that leads the title, drawn as the row's icon
        bool checkable = false;
        bool checked = false;
        bool enabled = true;
        QString shortcut;               // as QKeySequence text
        std::optional<SpaceInfo> space; // for Space: the record as it was when the menu was built

        bool operator==(const Entry&) const = default;
    };

    // What the entries depend on besides the observer.
    struct State {
        bool launchAtLogin = false;
        bool canCheckForUpdates = false;
        bool updateIsWaiting = false;
        QString version = QStringLiteral("?");
        // The window manager whose session starts no login items (empty: the session does).
        QString sessionIgnoringLogin;

        bool operator==(const State&) const = default;
    };

    // The entries for the observer's present spaces and the state; rows are enabled where the
    // switcher can act.
    static std::vector<Entry> build(const SpaceObserver& observer, const SpaceSwitcher& switcher,
                                    const State& state);
    // The rows for a list of spaces, in list order.
    static std::vector<Entry> spaceRows(const SpaceObserver& observer,
                                        const SpaceSwitcher& switcher,
                                        const std::vector<SpaceInfo>& spaces);
};

} // namespace quillbar
