#pragma once

#include "JsonLines.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "model/Subscription.h"
#include "observer/SpaceObserver.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

class QSocketNotifier;

namespace quillbar::e2e {

// Runs the real observer on a platform and reports it: a "title" line for every new menu-bar title
// (at the moment it is published), a "state" line whenever the published state has changed, and the
// observer's log lines. Reads commands, one per line, from standard input:
//   switch N       switch to the ordinary desktop numbered N
//   refresh        refresh now
//   name N TEXT    name desktop N
//   emoji N TEXT   give desktop N an emoji
//   state          report the state now
//   quit           leave (so does the end of input)
class DriverSession {
public:
    DriverSession(Platform& platform, JsonLines& out);
    ~DriverSession();
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    // Starts the observer and the command reader.
    void start();

private:
    void readCommands();
    void run(const std::string& line);
    void reportIfChanged();
    nlohmann::json state() const;
    const SpaceInfo* desktop(int number) const;

    Platform& platform_;
    JsonLines& out_;
    MemoryDefaults defaults_;
    SpaceNameStore store_;
    SpaceObserver observer_;
    Subscription changes_;
    Subscription titles_;
    Subscription names_;
    bool reportPending_ = false;
    nlohmann::json lastState_;
    std::string input_;
    std::unique_ptr<QSocketNotifier> stdinNotifier_;
};

} // namespace quillbar::e2e
