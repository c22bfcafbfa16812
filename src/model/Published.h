// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Subscription.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace quillbar {

// A value that stores every assignment and then announces it to its subscribers, so a handler
// reads the new value through value() as well as through its argument.
// Handlers may subscribe or cancel during an announcement: a handler cancelled mid-announcement
// is not called any more, one added mid-announcement hears only later announcements.
// A set() from inside a handler stores and announces at once; the outer announcement then goes
// on with its own value as the argument while value() holds the newer one.
// Single-threaded: subscribe, set and cancel all run on the same thread.
template <typename T> class Published {
public:
    using Handler = std::function<void(const T& newValue)>;

    // Starts with initial and no subscribers.
    explicit Published(T initial = T{})
        : value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    // The stored value.
    const T& value() const { return value_; }

    // Stores newValue, then announces it to every subscriber: during the announcement value()
    // already holds it.
    void set(T newValue) {
        // newValue stays the announced copy, so a set() from inside a handler cannot change what
        // the others are told.
        value_ = newValue;
        announce(newValue);
    }

    // set() only when newValue differs from value(); returns whether it assigned.
    bool setIfChanged(T newValue) {
        if (newValue == value_) {
            return false;
        }
        set(std::move(newValue));
        return true;
    }

    // Calls handler on every later assignment until the returned handle is cancelled or destroyed.
    [[nodiscard]] Subscription subscribe(Handler handler) {
        const std::uint64_t id = handlers_->nextID++;
        handlers_->byID.emplace(id, std::make_shared<const Handler>(std::move(handler)));
        std::weak_ptr<Handlers> weakHandlers = handlers_;
        return Subscription([weakHandlers, id] {
            if (auto handlers = weakHandlers.lock()) {
                handlers->byID.erase(id);
            }
        });
    }

private:
    // Shared with every Subscription (weakly), so a handle may outlive this object.
    struct Handlers {
        std::map<std::uint64_t, std::shared_ptr<const Handler>> byID;
        std::uint64_t nextID = 0;
    };

    void announce(const T& newValue) {
        // Keep the handlers list alive and snapshot the ids: handlers may change the list.
        const std::shared_ptr<Handlers> handlers = handlers_;
        std::vector<std::uint64_t> ids;
        ids.reserve(handlers->byID.size());
        for (const auto& entry : handlers->byID) {
            ids.push_back(entry.first);
        }
        for (const std::uint64_t id : ids) {
            const auto found = handlers->byID.find(id);
            if (found == handlers->byID.end()) {
                continue; // cancelled by an earlier handler
            }
            const std::shared_ptr<const Handler> handler = found->second;
            (*handler)(newValue);
        }
    }

    T value_;
    std::shared_ptr<Handlers> handlers_ = std::make_shared<Handlers>();
};

} // namespace quillbar
