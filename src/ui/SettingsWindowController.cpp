#include "ui/SettingsWindowController.h"

#include "observer/SpaceObserver.h"

#include <QWidget>

namespace quillbar {

SettingsWindowController& SettingsWindowController::shared() {
    static SettingsWindowController controller;
    return controller;
}

void SettingsWindowController::setDefaults(Defaults& defaults) {
    defaults_ = &defaults;
}

void SettingsWindowController::show(SpaceObserver& observer, SpaceNameStore& nameStore) {
    (void)nameStore;
    observer.refresh();
    if (!window_) {
        window_ = new QWidget;
        window_->setWindowTitle(QStringLiteral("Rename Spaces"));
        window_->resize(700, 460);
        window_->setMinimumSize(660, 380);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    emit renameWindowDidShow();
}

} // namespace quillbar
