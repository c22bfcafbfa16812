// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu as the application wires it on the fake platform (four desktops, the second
// current), and the same menu served on a private bus to a client that waits on the event loop.
#pragma once

#include "BusStandIn.h"
#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"
#include "switching/SpaceSwitcher.h"
#include "ui/MenuContentView.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quillbar::test {

class MenuFixture : public ::testing::Test {
protected:
    // With showSpace the window server switches directly, without anchors.
    explicit MenuFixture(bool showSpace = false) {
        startWith([this, showSpace] {
            fake.setDesktops(4, 2);
            fake.windowServer.hasShowSpace = showSpace;
        });
    }

    // Scripts the window server with setup, then makes and starts the observer and the view.
    template <typename Setup> void startWith(Setup setup) {
        view.reset();
        switcher.reset();
        observer.reset();
        setup();
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        switcher = std::make_unique<SpaceSwitcher>(*observer, fake.platform);
        observer->start();
        settle();
        view = std::make_unique<MenuContentView>(
            *observer, *switcher, store,
            XdgAutostart(home.filePath("autostart"), {}, "/usr/bin/quillbar"), "1.2.3");
    }
    // Runs what is due on the virtual main queue and the Qt event loop.
    void settle() {
        fake.mainQueue.drain();
        QCoreApplication::processEvents();
        fake.mainQueue.drain();
    }

    QTemporaryDir home;
    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    std::unique_ptr<SpaceSwitcher> switcher;
    std::unique_ptr<MenuContentView> view;
};

// The menu served on bus, the window server switching directly; client calls as a host would.
class BusMenuFixture : public MenuFixture {
protected:
    BusMenuFixture()
        : MenuFixture(true) {}
    QDBusMessage call(const QString& path, const char* interface, const char* method,
                      const QList<QVariant>& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            bus.baseService(), path, QString::fromLatin1(interface), QString::fromLatin1(method));
        message.setArguments(arguments);
        QDBusPendingCallWatcher pending(client.asyncCall(message));
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 5000));
        return pending.reply();
    }

    QDBusConnection bus = busParty();
    QDBusConnection client = busParty();
};

} // namespace quillbar::test
