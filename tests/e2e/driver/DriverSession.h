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

// Runs the real observer on a platform and reports it: a "title" line for every new title (when it
// is published), a "state" line whenever the published state has changed, and the observer's log.
// Reads commands, one per line, from standard input, and acknowledges each:
//   switch N / name N TEXT / emoji N TEXT   (N is the ordinary desktop's number)
//   switch-key KEY                         (the space stored under KEY)
//   quit                                   (so does the end of input)
class DriverSession {
public:
    DriverSession(Platform& platform, JsonLines& out);
    ~DriverSession();

    // Starts the observer and the command reader.
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
