// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsWindowController.h"

#include "model/MemoryDefaults.h"
#include "observer/SpaceObserver.h"
#include "platform/Platform.h"
#include "platform/WindowServer.h"
#include "ui/AppIcon.h"
#include "ui/SettingsView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace quillbar {

namespace {
constexpr QSize contentSize{700, 460};
// Small enough for 1280×800 at twice the scale (640×400 logical, less the panels); the name
// column gives way and the list scrolls.
constexpr QSize minimumSize{480, 300};
constexpr int screenMargin = 24;

// The preferred size, cut to the screen's free area less a margin, never below the minimum.
QSize fittedSize(const QScreen* screen) {
    if (!screen)
        return contentSize;
    const QSize room = screen->availableGeometry().size() - QSize(screenMargin, screenMargin) * 2;
    return contentSize.boundedTo(room).expandedTo(minimumSize);
}

// Tiling window managers float dialogs, and keep other windows in their tiles. On Wayland (sway)
// a toplevel whose minimum and maximum width agree counts as one: a fixed width keeps the rename
// window out of the tiles, and its height free. On X11 (i3) only a window fixed in both
// directions does, so there it says it is a dialog, which every X11 window manager understands.
void floatOnTilingWindowManagers(QWidget* window, int width) {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        window->setFixedWidth(width);
    } else if (platform == QLatin1String("xcb")) {
        window->setWindowFlag(Qt::Dialog);
    }
}
} // namespace

SettingsWindowController::SettingsWindowController(QObject* parent)
    : QObject(parent) {
    // The window outlives every other widget but not the application object.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { delete window_; });
    }
}

SettingsWindowController::~SettingsWindowController() {
    delete window_;
}

void SettingsWindowController::setDefaults(Defaults& defaults) {
    defaults_ = &defaults;
}

void SettingsWindowController::show(SpaceObserver& observer, SpaceNameStore& nameStore) {
    if (!window_)
        createWindow(observer, nameStore);
    observer.refresh();
    // A window left open on another desktop is brought here: the window manager would not
    // activate it there. A hidden one is mapped afresh, onto the current desktop.
    const bool wasVisible = window_->isVisible();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    if (wasVisible && bringToCurrentSpace(observer) &&
        observer.platform().windowServer.placingActivates()) {
        emit renameWindowDidShow();
        return; // activated where it now is
    }
    window_->raise();
    window_->activateWindow();
    emit renameWindowDidShow();
}

bool SettingsWindowController::bringToCurrentSpace(SpaceObserver& observer) {
    const SpaceInfo* current = SpaceInfo::firstCurrent(observer.spaces());
    if (!current || !current->managedSpaceID)
        return false;
    observer.platform().windowServer.addWindowsToSpaces(std::int64_t(window_->winId()),
                                                        *current->managedSpaceID);
    return true;
}

void SettingsWindowController::createWindow(SpaceObserver& observer, SpaceNameStore& nameStore) {
    // Without the real defaults the flag reads as set: no first-run hint.
    MemoryDefaults completed;
    completed.setBool("HasCompletedFirstRun.v1", true);
    auto* view =
        new SettingsView(observer, nameStore, defaults_ ? *defaults_ : completed, sharing_);
    view->setObjectName(QStringLiteral("renameSpacesWindow"));
    view->setWindowTitle(tr("Rename Spaces"));
    view->setWindowIcon(AppIcon::icon());
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = fittedSize(screen);
    view->setMinimumSize(minimumSize);
    view->resize(size);
    floatOnTilingWindowManagers(view, size.width());
    // Closing only hides the window; it must not end a tray application either.
    view->setAttribute(Qt::WA_QuitOnClose, false);
    if (screen) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        view->move(frame.topLeft());
    }
    connect(this, &SettingsWindowController::renameWindowDidShow, view,
            &SettingsView::windowDidShow);
    window_ = view;
}

} // namespace quillbar
