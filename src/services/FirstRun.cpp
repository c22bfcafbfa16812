#include "services/FirstRun.h"

#include "model/Defaults.h"
#include "ui/MenuBarItem.h"
#include "ui/SettingsWindowController.h"

#include <QPointer>
#include <QTimer>

namespace quillbar::FirstRun {

namespace {
constexpr const char* completedKey = "HasCompletedFirstRun.v1";
}

void presentIfNeeded(SpaceObserver& observer, SpaceNameStore& nameStore, Defaults& defaults) {
    if (defaults.boolValue(completedKey))
        return;
    QTimer::singleShot(800, [&observer, &nameStore, &defaults] {
        auto& controller = SettingsWindowController::shared();
        controller.setDefaults(defaults);
        controller.show(observer, nameStore);
        defaults.setBool(completedKey, true);
    });
}

void applyMenuBarTooltip(MenuBarItem& item) {
    QTimer::singleShot(1000, &item, [&item] {
        item.setTooltipHint(QStringLiteral("Quillbar — click to name or switch desktops"));
    });
}

} // namespace quillbar::FirstRun
