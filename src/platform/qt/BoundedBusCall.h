// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

#include <chrono>
#include <optional>

namespace quillbar {

// A bus call that gives up at a deadline of its own. QtDBus's reply timeout has been seen never
// to fire (under ASan), leaving a blocking call waiting for good; this one waits in a local event
// loop for the answer or the deadline, whichever comes first.
class BoundedBusCall {
public:
    // The answer to call (a reply or an error), or nullopt when none came within timeout or the
    // bus is not connected or there is no application object. Runs a local event loop for that long
    // at most.
    static std::optional<QDBusMessage> answer(const QDBusConnection& bus, const QDBusMessage& call,
                                              std::chrono::milliseconds timeout);
};

} // namespace quillbar
