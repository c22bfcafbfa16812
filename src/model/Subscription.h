// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace quillbar {

// Keeps one subscription alive. Destroying the handle or calling cancel() stops delivery; both
// are safe after the publisher is gone. Move-only.
class Subscription {
public:
    Subscription() = default;
    // A handle that runs cancel once, on cancel() or destruction.
    explicit Subscription(std::function<void()> cancel);
    // Stops delivery.
    ~Subscription();

    Subscription(Subscription&& other) noexcept;
    // Stops this handle's delivery, then takes over other's subscription.
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // Stops delivery now; later calls do nothing.
    void cancel();

private:
    std::function<void()> cancel_;
};

} // namespace quillbar
