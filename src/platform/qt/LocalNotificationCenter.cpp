// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/LocalNotificationCenter.h"

#include <vector>

namespace quillbar {

LocalNotificationCenter::LocalNotificationCenter(MainQueue& mainQueue)
    : mainQueue_(mainQueue)
    , registry_(std::make_shared<Registry>()) {}

LocalNotificationCenter::~LocalNotificationCenter() = default;

NotificationCenter::Token LocalNotificationCenter::addObserver(const std::string& name,
                                                               Handler handler) {
    const Token token = registry_->next++;
    registry_->observers.emplace(token, std::make_pair(name, std::move(handler)));
    return token;
}

void LocalNotificationCenter::removeObserver(Token token) {
    registry_->observers.erase(token);
}

void LocalNotificationCenter::postNotification(const std::string& name,
                                               const std::optional<std::string>& object) {
    std::weak_ptr<Registry> weakRegistry = registry_;
    mainQueue_.post([weakRegistry, name, object] {
        // Tokens first: a handler may add or remove observers while we deliver.
        std::vector<Token> tokens;
        if (auto registry = weakRegistry.lock()) {
            for (const auto& [token, entry] : registry->observers) {
                if (entry.first == name) {
                    tokens.push_back(token);
                }
            }
        }
        for (Token token : tokens) {
            auto registry = weakRegistry.lock();
            if (!registry) {
                return;
            }
            auto found = registry->observers.find(token);
            if (found != registry->observers.end()) {
                Handler handler = found->second.second; // survives its own removal
                handler(object);
            }
        }
    });
}

} // namespace quillbar
