// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuContent.h"

#include "observer/SpaceObserver.h"
#include "switching/SpaceSwitcher.h"

#include <QCoreApplication>

#include <algorithm>

namespace quillbar {

namespace {

using Entry = MenuContent::Entry;
using Kind = Entry::Kind;

Entry command(Kind kind, const QString& title) {
    Entry entry;
    entry.kind = kind;
    entry.title = title;
    return entry;
}

Entry separator() {
    return command(Kind::Separator, QString());
}

Entry inertText(const QString& title) {
    Entry entry = command(Kind::Text, title);
    entry.enabled = false;
    return entry;
}

} // namespace

std::vector<Entry> MenuContent::spaceRows(const SpaceObserver& observer,
                                          const SpaceSwitcher& switcher,
                                          const std::vector<SpaceInfo>& spaces) {
    std::vector<Entry> rows;
    rows.reserve(spaces.size());
    for (const SpaceInfo& space : spaces) {
        Entry row = command(Kind::Space, QString::fromStdString(observer.title(space, true)));
        row.checkable = true;
        row.checked = space.isActiveOnDisplay;
        row.enabled = switcher.canSwitch(space);
        row.space = space;
        if (space.persistenceID)
            row.emoji =
                QString::fromStdString(observer.nameStore().assignment(*space.persistenceID).emoji);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<Entry> MenuContent::build(const SpaceObserver& observer, const SpaceSwitcher& switcher,
                                      const State& state) {
    std::vector<Entry> entries;
    const std::vector<SpaceInfo> spaces = observer.menuSpaces();
    if (spaces.empty()) {
        entries.push_back(inertText(tr("Desktop ?")));
    } else if (std::all_of(spaces.begin(), spaces.end(), [&](const SpaceInfo& space) {
                   return space.displayIdentifier == spaces.front().displayIdentifier;
               })) {
        // One display: no headings, so its name is not asked for.
        entries = spaceRows(observer, switcher, spaces);
    } else {
        const auto groups = observer.grouped(spaces);
        if (groups.size() < 2) {
            entries = spaceRows(observer, switcher, spaces);
        } else {
            for (const auto& group : groups) {
                Entry heading = command(Kind::Heading, QString::fromStdString(group.name));
                heading.enabled = false;
                entries.push_back(std::move(heading));
                for (Entry& row : spaceRows(observer, switcher, group.spaces)) {
                    entries.push_back(std::move(row));
                }
            }
        }
    }
    entries.push_back(separator());
    entries.push_back(command(Kind::RenameSpaces, tr("Rename Spaces…")));
    entries.push_back(separator());
    Entry launch = command(Kind::LaunchAtLogin, tr("Launch at Login"));
    launch.checkable = true;
    launch.checked = state.launchAtLogin;
    entries.push_back(std::move(launch));
    if (!state.sessionIgnoringLogin.isEmpty()) {
        // The entry is still written (other sessions of the user run it), but not here.
        entries.push_back(inertText(
            state.sessionIgnoringLogin == QLatin1String("labwc")
                ? tr("labwc runs no login items: add “quillbar &” to ~/.config/labwc/autostart")
                : tr("%1 runs no login items: add “exec quillbar” to its config")
                      .arg(state.sessionIgnoringLogin)));
    }
    entries.push_back(separator());
    Entry updates =
        command(Kind::CheckForUpdates,
                state.updateIsWaiting ? tr("Update Available…") : tr("Check for Updates…"));
    updates.enabled = state.canCheckForUpdates;
    entries.push_back(std::move(updates));
    entries.push_back(inertText(tr("Quillbar v%1").arg(state.version)));
    Entry quit = command(Kind::Quit, tr("Quit"));
    quit.shortcut = QStringLiteral("Ctrl+Q");
    entries.push_back(std::move(quit));
    return entries;
}

} // namespace quillbar
