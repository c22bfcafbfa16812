// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuillbarApp.h"

#include "app/BackendChooser.h"
#include "app/FirstRun.h"
#include "model/SpaceNameStore.h"
#include "observer/DesktopNameSharing.h"
#include "observer/SpaceObserver.h"
#include "services/BusObject.h"
#include "services/DebugRequests.h"
#include "services/SessionEvents.h"
#include "services/SingleInstance.h"
#include "services/TitleExporter.h"
#include "services/TopBarButtonWatcher.h"
#include "services/UpdaterController.h"
#include "services/XdgAutostart.h"
#include "switching/SpaceSwitcher.h"
#include "ui/DBusMenuExporter.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarItem.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/MenuContentView.h"
#include "ui/MenuExporter.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindowController.h"
#include "ui/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quillbar {

namespace {

// The command that starts this program: the `quillbar` command passes its own path as the first
// argument when it runs the application, and that path is what an autostart entry must name.
QString launchCommand() {
    const QString first = QCoreApplication::arguments().value(0);
    const QFileInfo info(first);
    return info.isAbsolute() && info.isExecutable() ? first
                                                    : QCoreApplication::applicationFilePath();
}

} // namespace

QuillbarApp::QuillbarApp(const Options& options)
    : appInfo_{options.version, launchCommand().toStdString(),
               options.bundleIdentifier.empty()
                   ? std::nullopt
                   : std::optional<std::string>(options.bundleIdentifier)}
    , verbose_(options.verbose)
    , stderrLog_(appInfo_.bundleIdentifier.value_or("Quillbar"))
    , log_(appInfo_.bundleIdentifier.value_or("Quillbar"), options.verbose ? &stderrLog_ : nullptr,
           &stderrLog_)
    , workspaceCenter_(mainQueue_)
    , defaultCenter_(mainQueue_)
    , distributedCenter_(mainQueue_) {
    // 1. The name store on the user's defaults. It reads the table only once an older instance
    //    has saved its last change and quit (see claimInstance), so it never writes back a table
    //    older than one that instance acknowledged.
    nameStore_ = std::make_unique<SpaceNameStore>(defaults_, SpaceNameStore::Loading::Later);
    // 2. The observer on the chosen backend.
    backgroundQueue_ = std::make_unique<ThreadBackgroundQueue>();
    BackendChooser::Choice choice = BackendChooser::choose(
        BackendChooser::entries(), options.backend,
        BackendServices{mainQueue_, *backgroundQueue_, log_, workspaceCenter_, defaultCenter_,
                        distributedCenter_, appInfo_});
    backend_ = std::move(choice.backend);
    reportNotices(choice.notices);
    if (!backend_) {
        reportNoSupportedDesktop(choice.explanation, options.backend == "auto");
        return; // a copy that cannot run leaves the running one alone
    }
    claimInstance();
    observer_ = std::make_unique<SpaceObserver>(*nameStore_, backend_->platform());
    // Switching beside the observer: it keeps the anchors in line with every detection and serves
    // the debug switch requests.
    switcher_ = std::make_unique<SpaceSwitcher>(*observer_, backend_->platform());
    // Names written into the desktop, once the names have been read (loadNames).
    nameSharing_ = std::make_unique<DesktopNameSharing>(*observer_, defaults_);
    settingsWindow_ = std::make_unique<SettingsWindowController>();
    settingsWindow_->setDefaults(defaults_);
    settingsWindow_->setNameSharing(*nameSharing_);
    observer_->setSettingsPresenter([this] { showRenameWindow(); });
    // 3. Registrations, the timer and the first refresh, so the tray shows the right title at once.
    observer_->start();

    // The tray item and its menu exist before the first-run hooks, which address the item.
    makeTrayItem();
    // 4. First-run guidance.
    presentFirstRun(choice.name, choice.notices);
    FirstRun::applyMenuBarTooltip(*item_);
    watchStorage();

    // 5. The scene: the session-bus services, and the tray item unless a top-bar button shows
    //    the title and the menu instead.
    serveOnBus();
    // 6. Once the event loop runs: the launch-finished step.
    QTimer::singleShot(0, this, &QuillbarApp::applicationDidFinishLaunching);
}

void QuillbarApp::makeTrayItem() {
    menu_ = std::make_unique<MenuContentView>(*observer_, *switcher_, *nameStore_,
                                              XdgAutostart::forCurrentUser(launchCommand()),
                                              QString::fromStdString(appInfo_.version));
    connect(menu_.get(), &MenuContentView::renameRequested, this, &QuillbarApp::showRenameWindow);
    connect(menu_.get(), &MenuContentView::quitRequested, this, &QuillbarApp::quitRequested);
    connect(menu_->menu(), &QMenu::aboutToShow, this, &QuillbarApp::logMenu);
    item_ = std::make_unique<MenuBarItem>(*observer_, menu_->menu());
    connectUpdater();
}

void QuillbarApp::presentFirstRun(const std::string& backendName,
                                  const std::vector<std::string>& notices) {
    using Place = MenuBarLocationHint::Place;
    const Place place = backendName == "gnome"                     ? Place::TopBar
                        : QSystemTrayIcon::isSystemTrayAvailable() ? Place::Tray
                                                                   : Place::NoTray;
    FirstRun::presentIfNeeded(
        *settingsWindow_, *observer_, *nameStore_, defaults_,
        notices.empty() ? QString()
                        : QCoreApplication::translate("BackendChooser", notices.front().c_str()),
        place);
}

QuillbarApp::~QuillbarApp() {
    // A quit (the menu, SIGTERM) makes the save that failed last.
    if (nameStore_ != nullptr && !nameStore_->retrySave()) {
        std::fprintf(stderr, "quillbar: Names are not saved: %s\n",
                     nameStore_->saveProblem()->c_str());
    }
}

void QuillbarApp::reportNoSupportedDesktop(const std::string& explanation, bool chosenFreely) {
    std::fprintf(stderr, "quillbar: %s\n", explanation.c_str());
    log_.log(LogLevel::Default, explanation);
    // A backend asked for by name that is absent is a mistake to hear about now, not a "?" to
    // puzzle over in the tray.
    if (!chosenFreely || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    unsupportedMenu_ = std::make_unique<QMenu>();
    unsupportedMenu_->addAction(tr("Quit Quillbar"), this, &QuillbarApp::quitRequested);
    unsupportedTray_ = std::make_unique<QSystemTrayIcon>(
        MenuBarIcon::icon(MenuBarIcon::Content{{}, QStringLiteral("?")}));
    unsupportedTray_->setToolTip(tr("Desktop ?") + QLatin1Char('\n') +
                                 QString::fromStdString(explanation));
    unsupportedTray_->setContextMenu(unsupportedMenu_.get());
    unsupportedTray_->show();
}

void QuillbarApp::reportMissingTray() {
    if (trayMissingReported_ || QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    trayMissingReported_ = true;
    const std::string message = kNoTrayMessage;
    if (!verbose_) {
        std::fprintf(stderr, "quillbar: %s\n", message.c_str()); // --verbose: the log says it
    }
    log_.log(LogLevel::Default, message);
    if (settingsWindow_->view()) {
        settingsWindow_->view()->locationHint()->setPlace(MenuBarLocationHint::Place::NoTray);
    }
}

void QuillbarApp::reportNotices(const std::vector<std::string>& notices) const {
    if (verbose_) {
        return; // the journal's sink has written them to stderr already
    }
    for (const std::string& notice : notices) {
        std::fprintf(stderr, "quillbar: %s\n", notice.c_str());
    }
}

void QuillbarApp::serveOnBus() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    busObject_ = std::make_unique<BusObject>(bus, QString::fromLatin1(TitleExporter::kPath));
    titleExporter_ =
        new TitleExporter(*busObject_, QString::fromStdString(observer_->menuBarTitle()));
    titleSubscription_ = observer_->subscribeMenuBarTitle([this](const std::string& title) {
        titleExporter_->setMenuBarTitle(QString::fromStdString(title));
    });
    chooseTrayItem(bus);
    exportMenu();
    busObject_->serve();
    debugRequests_ = std::make_unique<DebugRequests>(
        bus,
        [this](const std::string& name, const std::optional<std::string>& object) {
            distributedCenter_.postNotification(name, object);
        },
        [this](const QString& desktop) { return whyNoSwitchTo(desktop); });
}

QString QuillbarApp::whyNoSwitchTo(const QString& desktop) const {
    const std::optional<SpaceInfo> target = observer_->desktopNumbered(desktop.toStdString());
    if (!target) {
        return QStringLiteral("no desktop %1").arg(desktop);
    }
    if (!switcher_->canSwitch(*target)) {
        return QStringLiteral("desktop %1 cannot be switched to").arg(desktop);
    }
    return {};
}

void QuillbarApp::chooseTrayItem(const QDBusConnection& bus) {
    if (MenuBarItem::needsNotifierItem(QGuiApplication::platformName())) {
        serveNotifierItem(bus, {});
        trayChosen_ = true;
        return;
    }
    // Beside a StatusNotifier host on X11 Qt would serve an item of its own, titled after the
    // settings' lower-case name, with a menu hosts draw differently; Quillbar's own is served
    // there too, its left click opening Quillbar's menu.
    StatusNotifierItem::askForHost(bus, this, [this, bus](bool hostShown) {
        if (hostShown) {
            serveNotifierItem(bus, [this] { item_->popUpMenu(); });
        }
        trayChosen_ = true;
        placeItem();
    });
}

void QuillbarApp::placeItem() {
    if (!trayChosen_ || !buttonShown_) {
        return;
    }
    if (*buttonShown_) {
        item_->hide();
    } else {
        item_->show();
        reportMissingTray();
    }
}

void QuillbarApp::serveNotifierItem(const QDBusConnection& bus, std::function<void()> activate) {
    hostMenuObject_ =
        std::make_unique<BusObject>(bus, QString::fromLatin1(DBusMenuExporter::kPath));
    auto* hostMenu = new DBusMenuExporter(
        *hostMenuObject_, [this] { return menu_->currentEntries(); },
        [this] {
            menu_->prepareToShow();
            logMenu();
        },
        [this](const MenuContent::Entry& entry) { menu_->perform(entry); });
    connect(menu_.get(), &MenuContentView::entriesChanged, hostMenu, &DBusMenuExporter::update);
    notifierObject_ =
        std::make_unique<BusObject>(bus, QString::fromLatin1(StatusNotifierItem::kPath));
    auto* notifierItem =
        new StatusNotifierItem(*notifierObject_, hostMenuObject_->path(), std::move(activate));
    if (hostMenuObject_->serve() && notifierObject_->serve()) {
        item_->useNotifierItem(notifierItem);
    }
}

void QuillbarApp::exportMenu() {
    new MenuExporter(
        *busObject_,
        [this] {
            // What opening the tray menu does first: refresh, reread the login item.
            menu_->prepareToShow();
            return menu_->entries();
        },
        [this](const MenuContent::Entry& entry) { menu_->perform(entry); });
    topBarButton_ = std::make_unique<TopBarButtonWatcher>(QDBusConnection::sessionBus());
    const auto takeButton = [this](bool buttonShown) {
        log_.log(LogLevel::Default, buttonShown
                                        ? "The top-bar button shows the title; no tray item"
                                        : "No top-bar button; the tray item shows the title");
        buttonShown_ = buttonShown;
        placeItem();
    };
    connect(topBarButton_.get(), &TopBarButtonWatcher::buttonShownChanged, this, takeButton);
    // Without a bus the answer is there at once; otherwise the item waits for it (one round trip)
    // rather than appearing and going again.
    if (const auto known = topBarButton_->buttonShown()) {
        takeButton(*known);
    }
}

void QuillbarApp::applicationDidFinishLaunching() {
    // There is no dock or application menu to leave on this platform, and the single-instance
    // rule ran before the names were read (claimInstance). Sleep and session signals wait until
    // the tray shows the first title: connecting to the system bus blocks until it answers.
    sessionEvents_ = std::make_unique<SessionEvents>(
        QDBusConnection::systemBus(), QDBusConnection::sessionBus(),
        [this](const std::string& name) { workspaceCenter_.postNotification(name); });
}

void QuillbarApp::claimInstance() {
    const std::string name = appInfo_.bundleIdentifier.value_or("");
    singleInstance_ = std::make_unique<SingleInstance>(QDBusConnection::sessionBus(),
                                                       QString::fromStdString(name));
    // The names are read once, at the rule's first outcome: at once when nobody is to be waited
    // for, else once the replaced instance has saved its last change and quit.
    const auto settle = [this](bool waitForPrevious) {
        if (std::exchange(namesRequested_, true)) {
            return;
        }
        if (!waitForPrevious) {
            QTimer::singleShot(0, this, [this] { loadNames(true); });
            return;
        }
        connect(singleInstance_.get(), &SingleInstance::previousGone, this, [this](bool left) {
            loadNames(left);
            // Launched again while running: the keyboard's way to the names is the rename window.
            if (singleInstance_->replacedAnother()) {
                showRenameWindow();
            }
        });
        singleInstance_->awaitPrevious(kPreviousInstanceWait);
    };
    connect(singleInstance_.get(), &SingleInstance::claimed, this, [this, name, settle] {
        if (!reportedHolder_.isEmpty()) {
            reportInstance("Quillbar holds the bus name " + name + " now; the title is served");
            reportedHolder_.clear();
        }
        log_.log(LogLevel::Info, singleInstance_->replacedAnother()
                                     ? "Took the bus name over from the running Quillbar"
                                     : "Holding the bus name; no Quillbar ran before");
        settle(true);
    });
    connect(singleInstance_.get(), &SingleInstance::unavailable, this, [settle] { settle(false); });
    connect(singleInstance_.get(), &SingleInstance::held, this,
            [this, name, settle](const QString& holder) {
                // Said once per holder, not on every retry.
                if (std::exchange(reportedHolder_, holder) != holder) {
                    reportInstance("The bus name " + name + " is held by " + holder.toStdString() +
                                   ", not by Quillbar: the title is not served on the bus; asking "
                                   "again later");
                }
                settle(false);
            });
    connect(singleInstance_.get(), &SingleInstance::lost, this, [this, name](const QString& taker) {
        reportedHolder_ = taker;
        reportInstance(taker.toStdString() + " took the bus name " + name +
                       ": the title is not served on the bus; asking again later");
    });
    // The table is the newer instance's from the moment it takes the name: not one more write.
    connect(singleInstance_.get(), &SingleInstance::replaced, this, [this](const QString& taker) {
        nameStore_->stopWriting();
        nameSharing_->stop();
        reportInstance("A newer Quillbar took over (" + taker.toStdString() +
                       "); this one saves nothing more and quits");
        emit quitRequested();
    });
    singleInstance_->claim();
}

void QuillbarApp::reportInstance(const std::string& line) {
    log_.log(LogLevel::Default, line);
    if (!verbose_) {
        std::fprintf(stderr, "quillbar: %s\n", line.c_str());
    }
}

void QuillbarApp::loadNames(bool previousLeft) {
    if (!previousLeft) {
        log_.log(LogLevel::Default,
                 "The previous instance did not quit in time; reading the names anyway");
    }
    if (nameStore_->load()) {
        log_.log(LogLevel::Default,
                 "Name table loaded: " + std::to_string(nameStore_->assignments().size()) +
                     " names");
        nameSharing_->start();
    }
}

void QuillbarApp::watchStorage() {
    // Names typed while the settings file cannot be read stay in memory; the store tries the
    // file again on every edit and every few seconds here, and merges once it can be read.
    storageRetry_.setInterval(kStorageRetryInterval);
    connect(&storageRetry_, &QTimer::timeout, this, [this] { nameStore_->load(); });
    storageProblemSubscription_ =
        nameStore_->subscribeStorageProblem([this](const std::optional<std::string>& problem) {
            if (problem) {
                log_.log(LogLevel::Default, "Names are kept in memory and not saved: " + *problem);
                storageRetry_.start();
            } else {
                log_.log(LogLevel::Default, "The settings file can be read again; names are saved");
                storageRetry_.stop();
                if (namesRequested_) {
                    nameSharing_->start(); // the names are read now
                }
            }
            showStorageWarning();
        });
    saveRetry_.setSingleShot(true);
    saveRetry_.setInterval(std::chrono::seconds(1));
    connect(&saveRetry_, &QTimer::timeout, this, [this] {
        if (!nameStore_->retrySave()) {
            saveRetry_.setInterval(std::min(saveRetry_.intervalAsDuration() * 2,
                                            std::chrono::milliseconds(std::chrono::minutes(1))));
            saveRetry_.start();
        }
    });
    saveProblemSubscription_ =
        nameStore_->subscribeSaveProblem([this](const std::optional<std::string>& problem) {
            if (problem) {
                log_.log(LogLevel::Default, "Names are not saved: " + *problem);
                if (!saveRetry_.isActive()) {
                    saveRetry_.start();
                }
            } else {
                log_.log(LogLevel::Default, "The names are saved again");
                saveRetry_.stop();
                saveRetry_.setInterval(std::chrono::seconds(1));
            }
            showStorageWarning();
        });
}

void QuillbarApp::showStorageWarning() {
    // Both problems share the one warning: clearing one must not hide the other.
    const std::optional<std::string> reason = nameStore_->notSavedReason();
    item_->setTooltipWarning(
        reason ? tr("Names are not saved: %1").arg(QString::fromStdString(*reason)) : QString());
}

void QuillbarApp::logMenu() const {
    if (!verbose_) {
        return;
    }
    // One line per opening, for whoever watches a --verbose run: "✓" marks a checked item,
    // "(off)" a disabled one.
    QStringList items;
    for (const MenuContent::Entry& entry : menu_->entries()) {
        if (entry.kind == MenuContent::Entry::Kind::Separator) {
            continue;
        }
        items << (entry.checked ? QStringLiteral("✓") : QString()) + entry.title +
                     (entry.enabled ? QString() : QStringLiteral(" (off)"));
    }
    std::fprintf(stderr, "quillbar: menu: %s\n", qUtf8Printable(items.join(QStringLiteral(" | "))));
    std::fflush(stderr);
}

void QuillbarApp::connectUpdater() {
    updater_ = UpdaterController::forApplication();
    updater_->start();
    UpdaterController& updater = *updater_;
    const auto showState = [this, &updater] {
        menu_->setUpdateState(updater.canCheck(), updater.updateIsWaiting());
    };
    showState();
    connect(&updater, &UpdaterController::canCheckChanged, menu_.get(), showState);
    connect(&updater, &UpdaterController::updateIsWaitingChanged, menu_.get(), showState);
    connect(menu_.get(), &MenuContentView::checkForUpdatesRequested, &updater,
            &UpdaterController::checkForUpdates);
    connect(&updater, &UpdaterController::attentionRequested, item_.get(),
            &MenuBarItem::showMessage);
}

void QuillbarApp::showRenameWindow() {
    settingsWindow_->show(*observer_, *nameStore_);
}

} // namespace quillbar
