// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillbar {

// Named notifications with an optional text object, delivered on the main queue.
class NotificationCenter {
public:
    using Handler = std::function<void(const std::optional<std::string>& object)>;
    using Token = std::uint64_t;

    // Workspace notifications.
    static constexpr const char* kActiveSpaceDidChange = "ActiveSpaceDidChange";
    static constexpr const char* kDidWake = "DidWake";
    static constexpr const char* kScreensDidWake = "ScreensDidWake";
    static constexpr const char* kSessionDidBecomeActive = "SessionDidBecomeActive";
    // Application notification: displays added, removed or rearranged.
    static constexpr const char* kScreenParametersDidChange = "ScreenParametersDidChange";
    // Distributed (system-wide) debug requests.
    static constexpr const char* kDebugSwitchTo = "org.quillbar.Quillbar.debug.switchTo";
    static constexpr const char* kDebugSettings = "org.quillbar.Quillbar.debug.settings";

    virtual ~NotificationCenter() = default;

    // Calls handler on the main queue for every notification with that name, until removed.
    virtual Token addObserver(const std::string& name, Handler handler) = 0;
    // Stops the registration; unknown tokens are ignored.
    virtual void removeObserver(Token token) = 0;
};

} // namespace quillbar
