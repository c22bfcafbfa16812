// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace quillbar {

class Defaults;
class MenuBarItem;
class SettingsWindowController;
class SpaceNameStore;
class SpaceObserver;

// Guidance for people who have never used the app: the rename window with its hint on the first
// launch, and a second tooltip line on the tray item on every launch.
namespace FirstRun {

// Opens the rename window 0.8 s from now unless "HasCompletedFirstRun.v1" is set, and sets the
// flag once the window is open; its hint then also carries notice (what is missing, and the
// command that fixes it) when that is not empty, and says there is no tray when trayMissing
// answers true.
// The window is the settings controller's; the controller gets the defaults at once.
void presentIfNeeded(SettingsWindowController& settings, SpaceObserver& observer,
                     SpaceNameStore& nameStore, Defaults& defaults, const QString& notice = {},
                     std::function<bool()> trayMissing = {});

// Gives the tray item its "click to name or switch desktops" line 1.0 s from now.
void applyMenuBarTooltip(MenuBarItem& item);

} // namespace FirstRun

} // namespace quillbar
