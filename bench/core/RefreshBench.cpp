// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one observer refresh on the fake platform: steady state (nothing changes, nothing is
// published) and changing (the current desktop moves every time).
#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"
#include "switching/SpaceSwitcher.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};

} // namespace

// Counts every allocation so each benchmark can report allocations per refresh. None of these is
// inlined: the compiler would otherwise see malloc() paired with operator delete and warn.
[[gnu::noinline]] void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;

// A machine with the given displays and desktops, every desktop named, the first display's first
// desktop current, and the observer started.
struct Machine {
    Machine(int displays, int desktopsPerDisplay) {
        json answer = json::array();
        std::int64_t managedID = 1;
        for (int d = 0; d < displays; ++d) {
            const std::string uuid = "DISPLAY-" + std::to_string(d);
            fake.displays.addDisplay(static_cast<DisplayID>(d + 1), uuid,
                                     Rect{1920.0 * d, 0, 1920, 1080},
                                     "Display " + std::to_string(d));
            std::vector<json> spaces;
            const std::int64_t first = managedID;
            for (int i = 0; i < desktopsPerDisplay; ++i, ++managedID) {
                const std::string key = "space-" + std::to_string(managedID);
                spaces.push_back(WS::space(managedID, 0, key));
                store.updateName("Project " + std::to_string(managedID), key);
            }
            answer.push_back(WS::display(uuid, spaces, first));
            fake.windowServer.displayCurrentAnswers[uuid] = first;
        }
        fake.windowServer.managedDisplaySpaces = answer;
        fake.windowServer.activeSpaceAnswer = 1;
        fake.workspace.frontmost = RunningApplication{77, "Editor"};
        fake.windowServer.windowList = json::array(
            {WS::window(77, Rect{100, 100, 800, 600}), WS::window(78, Rect{0, 0, 1920, 1080})});
        observer.start();
        fake.mainQueue.drain();
        fake.log.lines.clear();
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    SpaceObserver observer{store, fake.platform};
    SpaceSwitcher switcher{observer, fake.platform}; // keeps the anchors, as in the application
};

void reportAllocations(benchmark::State& state, std::uint64_t before) {
    state.counters["allocs/refresh"] = benchmark::Counter(
        static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
}

void BM_SteadyRefresh(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::uint64_t before = allocations.load();
    for (auto _ : state) {
        machine.observer.refresh();
    }
    reportAllocations(state, before);
    if (!machine.fake.log.lines.empty()) {
        state.SkipWithError("a steady refresh logged something");
    }
}

void BM_ChangingRefresh(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::int64_t desktops = state.range(1);
    std::int64_t current = 1;
    const std::uint64_t before = allocations.load();
    for (auto _ : state) {
        current = current % desktops + 1; // the first display's next desktop
        machine.fake.windowServer.activeSpaceAnswer = current;
        machine.fake.windowServer.displayCurrentAnswers["DISPLAY-0"] = current;
        machine.observer.refresh();
        machine.fake.log.lines.clear();
    }
    reportAllocations(state, before);
}

// The machines measured: displays x desktops per display.
void machines(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"displays", "desktops"})
        ->Args({1, 4})
        ->Args({4, 16})
        ->Args({1, 16})
        ->Args({1, 100})
        ->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_SteadyRefresh)->Apply(machines);
BENCHMARK(BM_ChangingRefresh)->Apply(machines);

} // namespace
} // namespace quillbar::test

BENCHMARK_MAIN();
