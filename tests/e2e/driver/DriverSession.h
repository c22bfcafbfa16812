// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonLines.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "model/Subscription.h"
#include "observer/SpaceObserver.h"
#include "switching/SpaceSwitcher.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

class QSocketNotifier;

namespace quillbar::e2e {

// Runs the real observer on a platform and reports a "title" line per published title, a "state"
// line per change, and the log. Acknowledges each command read from standard input:
//   switch N / name N TEXT / emoji N TEXT (N: the desktop's number), switch-key KEY, quit
class DriverSession {
public:
    DriverSession(Platform& platform, JsonLines& out);
    ~DriverSession();

    void start();

private:
    void readCommands();
    bool run(const std::string& line);
    void reportIfChanged();
    nlohmann::json state() const;
    const SpaceInfo* desktop(int number) const;

    Platform& platform_;
    JsonLines& out_;
    MemoryDefaults defaults_;
    SpaceNameStore store_;
    SpaceObserver observer_;
    SpaceSwitcher switcher_;
    Subscription changes_;
    Subscription seeded_;
    Subscription titles_;
    Subscription names_;
    nlohmann::json lastState_;
    std::string input_;
    std::unique_ptr<QSocketNotifier> stdinNotifier_;
};

} // namespace quillbar::e2e
