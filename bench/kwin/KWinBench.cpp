// SPDX-License-Identifier: GPL-3.0-or-later
// The observer on KWin's desktops over the session bus, against a real KWin (Wayland, virtual
// output):
// - TitleLatency: from another client's write of `current` (a connection of the benchmark's own)
//   to the new menu-bar title, 200 switches; reports the median and the 95th percentile.
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"
#include "platform/kwin/KWinPlatform.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace quillbar {
namespace {

using Clock = std::chrono::steady_clock;

class QuietLog final : public LogSink {
public:
    void log(LogLevel, const std::string&) override {}
};

// The observer running on the KWin platform, plus a bus connection of the benchmark's own that
// plays the other client switching desktops.
class Session {
public:
    static Session& get() {
        static Session session;
        return session;
    }

    SpaceObserver& observer() { return *observer_; }

    // Asks KWin to show the desktop with that id, as any other client would.
    void requestDesktop(const std::string& id) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), QStringLiteral("/VirtualDesktopManager"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
        call << QStringLiteral("org.kde.KWin.VirtualDesktopManager") << QStringLiteral("current")
             << QVariant::fromValue(QDBusVariant(QString::fromStdString(id)));
        client_.asyncCall(call);
    }

    template <typename Done> void spinUntil(Done done) {
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

private:
    Session()
        : store_(defaults_)
        , client_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                QStringLiteral("other-client"))) {
        platform_ = KWinPlatform::connect({mainQueue_, backgroundQueue_, log_, workspaceCenter_,
                                           defaultCenter_, distributedCenter_, AppInfo{}});
        if (!platform_) {
            std::fprintf(stderr, "bench_kwin: no session bus\n");
            std::exit(1);
        }
        observer_ = std::make_unique<SpaceObserver>(store_, platform_->platform());
        observer_->start();
        spinUntil([this] { return observer_->spaces().size() >= 2; });
    }

    QtMainQueue mainQueue_;
    QuietLog log_;
    LocalNotificationCenter workspaceCenter_{mainQueue_};
    LocalNotificationCenter defaultCenter_{mainQueue_};
    LocalNotificationCenter distributedCenter_{mainQueue_};
    MemoryDefaults defaults_;
    SpaceNameStore store_;
    ThreadBackgroundQueue backgroundQueue_;
    std::unique_ptr<KWinPlatform> platform_;
    std::unique_ptr<SpaceObserver> observer_;
    QDBusConnection client_;
};

void TitleLatency(benchmark::State& state) {
    Session& session = Session::get();
    const std::vector<SpaceInfo> spaces = session.observer().spaces();
    std::vector<double> latencies;
    std::size_t next = 0;
    for (auto _ : state) {
        next = (next + 1) % spaces.size();
        const std::string before = session.observer().menuBarTitle();
        const auto began = Clock::now();
        session.requestDesktop(spaces[next].id);
        session.spinUntil([&] {
            return session.observer().currentSpaceID() == spaces[next].id &&
                   session.observer().menuBarTitle() != before;
        });
        const std::chrono::duration<double> took = Clock::now() - began;
        state.SetIterationTime(took.count());
        latencies.push_back(took.count() * 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p95_us"] = at(0.95);
    state.counters["max_us"] = latencies.back();
}

BENCHMARK(TitleLatency)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quillbar

int main(int argc, char** argv) {
    // Without a KWin of our own, start one and run there.
    if (!std::getenv("QUILLBAR_ON_DESKTOP")) {
        std::vector<char*> args = {const_cast<char*>(QUILLBAR_PYTHON),
                                   const_cast<char*>(QUILLBAR_ON_KWIN)};
        char self[4096] = {};
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        args.push_back(length > 0 ? self : argv[0]);
        for (int i = 1; i < argc; ++i) {
            args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        ::execv(QUILLBAR_PYTHON, args.data());
        std::perror("bench_kwin: cannot start KWin");
        return 1;
    }
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
