// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FirstRun.h"

#include "model/Defaults.h"
#include "observer/SpaceObserver.h"
#include "ui/MenuBarItem.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindowController.h"

#include <QCoreApplication>
#include <QTimer>

namespace quillbar::FirstRun {

namespace {
constexpr const char* completedKey = "HasCompletedFirstRun.v1";
constexpr Milliseconds presentationDelay{800};
constexpr int tooltipDelayMs = 1000;
} // namespace

void presentIfNeeded(SettingsWindowController& settings, SpaceObserver& observer,
                     SpaceNameStore& nameStore, Defaults& defaults, const QString& notice,
                     MenuBarLocationHint::Place place) {
    settings.setDefaults(defaults);
    if (defaults.boolValue(completedKey))
        return;
    // The flag is written only after the window was asked to show, so the window still reads it
    // as unset and shows its hint.
    observer.platform().mainQueue.after(
        presentationDelay, [&settings, &observer, &nameStore, &defaults, notice, place] {
            settings.show(observer, nameStore);
            if (settings.view()) {
                settings.view()->locationHint()->setPlace(place);
                if (!notice.isEmpty())
                    settings.view()->locationHint()->setNotice(notice);
            }
            defaults.setBool(completedKey, true);
        });
}

void applyMenuBarTooltip(MenuBarItem& item) {
    QTimer::singleShot(tooltipDelayMs, &item, [&item] {
        item.setTooltipHint(
            QCoreApplication::translate("FirstRun", "Quillbar — click to name or switch desktops"));
    });
}

} // namespace quillbar::FirstRun
