#include "ui/SettingsWindowController.h"

#include "model/MemoryDefaults.h"
#include "observer/SpaceObserver.h"
#include "ui/SettingsView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace quillbar {

namespace {
constexpr QSize contentSize{700, 460};
constexpr QSize minimumSize{660, 380};
} // namespace

SettingsWindowController& SettingsWindowController::shared() {
    static SettingsWindowController controller;
    return controller;
}

SettingsWindowController::SettingsWindowController() {
    // The window outlives every other widget but not the application object.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { delete window_; });
    }
}

void SettingsWindowController::setDefaults(Defaults& defaults) {
    defaults_ = &defaults;
}

void SettingsWindowController::show(SpaceObserver& observer, SpaceNameStore& nameStore) {
    if (!window_)
        createWindow(observer, nameStore);
    observer.refresh();
    window_->show();
    window_->raise();
    window_->activateWindow();
    emit renameWindowDidShow();
}

void SettingsWindowController::createWindow(SpaceObserver& observer, SpaceNameStore& nameStore) {
    // Without the real defaults the flag reads as set: no first-run hint.
    MemoryDefaults completed;
    completed.setBool("HasCompletedFirstRun.v1", true);
    auto* view = new SettingsView(observer, nameStore, defaults_ ? *defaults_ : completed);
    view->setObjectName(QStringLiteral("renameSpacesWindow"));
    view->setWindowTitle(QStringLiteral("Rename Spaces"));
    view->resize(contentSize);
    view->setMinimumSize(minimumSize);
    // Closing only hides the window; it must not end a tray application either.
    view->setAttribute(Qt::WA_QuitOnClose, false);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), contentSize);
        frame.moveCenter(screen->availableGeometry().center());
        view->move(frame.topLeft());
    }
    connect(this, &SettingsWindowController::renameWindowDidShow, view,
            &SettingsView::windowDidShow);
    window_ = view;
}

} // namespace quillbar
