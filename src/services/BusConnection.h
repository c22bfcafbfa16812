// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace quillbar {

// The application's own connection to the session bus (sd-bus), served from Qt's event loop on
// the thread that made it: what is sent is marshalled and written there and then, with no thread
// of a bus library to wake, and what arrives is handled on the next turn of the loop. The
// well-known name and every object served under it live on this connection; the program's other
// bus work stays on QtDBus. Nothing here waits for the bus, except waitFor() at start-up.
class BusConnection : public QObject {
    Q_OBJECT
public:
    struct SlotUnref {
        void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
    };
    // An object, match or pending call on the connection; letting go of it removes it.
    using Slot = std::unique_ptr<sd_bus_slot, SlotUnref>;
    struct MessageUnref {
        void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
    };
    // A message being made; letting go of it frees it.
    using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

    // Messages handled per turn of the event loop at most: a flood from another program waits
    // its turn behind the window's own events.
    static constexpr int kBatch = 64;

    // Connects to the session bus as QtDBus does (DBUS_SESSION_BUS_ADDRESS, else the user's bus
    // in XDG_RUNTIME_DIR) without waiting for it; isConnected() is false when that failed.
    static std::unique_ptr<BusConnection> session();
    // The same on the bus at address (a D-Bus address).
    static std::unique_ptr<BusConnection> atAddress(const std::string& address);
    // Writes what is still queued (a quarter of a second at most) and closes.
    ~BusConnection() override;

    // Whether the connection is open; once the bus goes away it stays closed.
    bool isConnected() const;
    // The connection, for the services' objects, matches and calls; nullptr when it never opened.
    // Objects and matches added to it must be let go of before this object is destroyed.
    sd_bus* bus() const { return bus_; }
    // Watches for what a send outside a bus callback left behind: output the socket did not take
    // at once, a call's deadline, messages read meanwhile. No system call.
    void sent();
    // Serves the bus without the event loop until done() holds or limit has passed: the one
    // bounded wait, at start-up. Returns done().
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

signals:
    // The bus went away (or closed the connection): nothing is served on it any more.
    void disconnected();
    // Output the socket could not take at once has now all been written.
    void outputWritten();

private:
    explicit BusConnection(sd_bus* bus);
    // Handles what arrived, wrote or timed out, then watches for what comes next.
    void process();
    // Arms the notifiers for the events sd-bus waits for, and the timer for its next deadline (at
    // once when more is left to handle).
    void watch(bool more = false);
    void arm(std::uint64_t due);
    void close();

    sd_bus* bus_ = nullptr;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QTimer* timer_ = nullptr;
    std::uint64_t due_ = UINT64_MAX; // what timer_ was armed for (CLOCK_MONOTONIC, µs)
    bool processing_ = false;
    bool closed_ = true;
    bool outputWaits_ = false; // the writer notifier is armed
};

} // namespace quillbar
