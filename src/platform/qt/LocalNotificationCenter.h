// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace quillbar {

// A notification center inside the process. Whoever learns of an event (the X11 event monitor, the
// session-bus services) posts it here; observers hear of it on a later turn of the main queue.
class LocalNotificationCenter final : public NotificationCenter {
public:
    explicit LocalNotificationCenter(MainQueue& mainQueue);
    ~LocalNotificationCenter() override;
    LocalNotificationCenter(const LocalNotificationCenter&) = delete;
    LocalNotificationCenter& operator=(const LocalNotificationCenter&) = delete;

    // Calls handler on the main queue for every later notification with that name, until removed.
    Token addObserver(const std::string& name, Handler handler) override;
    // Stops the registration, also for notifications posted but not yet delivered.
    void removeObserver(Token token) override;
    // Delivers the notification to the observers of name on a later turn of the main queue.
    // Main thread only.
    void postNotification(const std::string& name,
                          const std::optional<std::string>& object = std::nullopt);

private:
    struct Registry {
        std::map<Token, std::pair<std::string, Handler>> observers;
        Token next = 1;
    };

    MainQueue& mainQueue_;
    // Shared with pending deliveries so that they can tell whether the center still exists.
    std::shared_ptr<Registry> registry_;
};

} // namespace quillbar
