// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Subscription.h"
#include "platform/AppInfo.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/StderrLogSink.h"
#include "platform/qt/ThreadBackgroundQueue.h"
#include "services/JournalLogSink.h"
#include "services/QSettingsDefaults.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>
#include <functional>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDBusConnection;
class QMenu;

namespace quillbar {

class BusObject;
class DebugRequests;
class DesktopNameSharing;
class MenuBarItem;
class MenuContentView;
class MenuExporter;
class SessionEvents;
class SettingsWindowController;
class SingleInstance;
class SpaceNameStore;
class SpaceObserver;
class SpaceSwitcher;
class TitleExporter;
class TopBarButtonWatcher;
class UpdaterController;
class Backend;

// The application: builds the name store, the observer on the chosen backend, the tray item with
// its menu and the session-bus services, in start-up order, and keeps them for the life of the
// process. Members are declared in construction order, so they are torn down in reverse: the
// switcher (and its anchors) and the observer go before the X connection, the settings are flushed
// last.
class QuillbarApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::string bundleIdentifier; // the session-bus name of the single-instance rule
        std::string version;          // shown in the menu and the start line
        bool verbose = false;         // log lines on stderr as well as the journal
        std::string backend = "auto"; // a name from BackendChooser's table, or "auto"
    };

    // Starts everything up to the first-run hooks; the launch-finished step (single instance)
    // runs once the event loop turns. Check isRunning() afterwards.
    explicit QuillbarApp(const Options& options);
    ~QuillbarApp() override;

    // False when no supported desktop was found and there is no tray to say so in.
    bool isRunning() const { return observer_ != nullptr || unsupportedTray_ != nullptr; }

signals:
    // The program should end (menu, signal or a newer instance).
    void quitRequested();

private:
    // How long a new instance waits for the one it replaces to quit before reading the names.
    static constexpr std::chrono::milliseconds kPreviousInstanceWait{5000};
    // What is said (stderr, log) when no tray shows the item.
    static constexpr const char* kNoTrayMessage =
        "no system tray found: the title is served to `quillbar --print-title --follow`; the icon "
        "appears once a panel with a tray starts";
    // How often the names are tried again while the settings file cannot be read.
    static constexpr std::chrono::milliseconds kStorageRetryInterval{5000};

    void applicationDidFinishLaunching();
    // The menu and the tray item on the observer, their commands wired.
    void makeTrayItem();
    // On the first launch, the rename window with its hint and the backend's first notice.
    void presentFirstRun(const std::string& backendName, const std::vector<std::string>& notices);
    // Takes the single-instance name, then reads the names once the older instance is gone.
    void claimInstance();
    // Says on stderr and in the journal what the single-instance rule found.
    void reportInstance(const std::string& line);
    void loadNames(bool previousLeft);
    // Logs and shows in the tooltip why names are not being saved, and retries meanwhile.
    void watchStorage();
    // The tooltip's warning, from the store's read and save problems together.
    void showStorageWarning();
    void showRenameWindow();
    // The menu's update command and the tray's attention request, on the shared updater.
    void connectUpdater();
    void logMenu() const;
    // Without a supported desktop: says so on stderr and in the journal, and in the tray when
    // there is one and the backend was not asked for by name.
    void reportNoSupportedDesktop(const std::string& explanation, bool chosenFreely);
    // Once, when the item is to show and no tray is there: stderr, the log and the first-run hint
    // say where the title can be had instead.
    void reportMissingTray();
    // Says on stderr what the backend choice told the journal (the journal gets it from there).
    void reportNotices(const std::vector<std::string>& notices) const;
    // The title, the menu and the debug requests on the bus.
    void serveOnBus();
    // Why a debug switch to the desktop number cannot be made, or an empty text.
    QString whyNoSwitchTo(const QString& desktop) const;
    // The menu on the bus beside the title, and no tray item while a top-bar button shows both.
    void exportMenu();
    // Picks the tray item: Quillbar's own StatusNotifierItem on Wayland and beside a
    // StatusNotifier host on X11 (asked without waiting), else Qt's.
    void chooseTrayItem(const QDBusConnection& bus);
    // Shows or hides the item once both it and the top-bar button's state are known.
    void placeItem();
    // Serves the StatusNotifierItem and its menu; activate, if any, is its left click.
    void serveNotifierItem(const QDBusConnection& bus, std::function<void()> activate);

    AppInfo appInfo_;
    bool verbose_;
    bool trayMissingReported_ = false;
    bool trayChosen_ = false;         // which tray item is known
    std::optional<bool> buttonShown_; // the top-bar button's state, once known
    StderrLogSink stderrLog_;
    JournalLogSink log_;
    QtMainQueue mainQueue_;
    LocalNotificationCenter workspaceCenter_;
    LocalNotificationCenter defaultCenter_;
    LocalNotificationCenter distributedCenter_;
    QSettingsDefaults defaults_;
    std::unique_ptr<SpaceNameStore> nameStore_;
    std::unique_ptr<Backend> backend_;
    // Declared after the backend so that it joins first: a keystroke still being posted uses the
    // backend's keyboard.
    std::unique_ptr<ThreadBackgroundQueue> backgroundQueue_;
    std::unique_ptr<QMenu> unsupportedMenu_;
    std::unique_ptr<QSystemTrayIcon> unsupportedTray_;
    std::unique_ptr<SpaceObserver> observer_;
    std::unique_ptr<SpaceSwitcher> switcher_;
    std::unique_ptr<DesktopNameSharing> nameSharing_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<MenuContentView> menu_;
    std::unique_ptr<MenuBarItem> item_;
    std::unique_ptr<UpdaterController> updater_;
    // The object the title and the menu are served on, and those two, which it owns.
    std::unique_ptr<BusObject> busObject_;
    TitleExporter* titleExporter_ = nullptr;
    std::unique_ptr<TopBarButtonWatcher> topBarButton_;
    // On Wayland, the objects of the StatusNotifierItem and of the menu hosts draw from.
    std::unique_ptr<BusObject> notifierObject_;
    std::unique_ptr<BusObject> hostMenuObject_;
    Subscription titleSubscription_;
    std::unique_ptr<SessionEvents> sessionEvents_;
    std::unique_ptr<DebugRequests> debugRequests_;
    std::unique_ptr<SingleInstance> singleInstance_;
    bool namesRequested_ = false; // the first outcome of the single-instance rule has come
    QString reportedHolder_;      // what was last said to hold the bus name instead of us
    QTimer storageRetry_;
    Subscription storageProblemSubscription_;
    // A failed save is tried again after 1 s, then twice as long each time, up to a minute.
    QTimer saveRetry_;
    Subscription saveProblemSubscription_;
};

} // namespace quillbar
