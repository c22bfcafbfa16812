// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/BusConnection.h"

#include "services/BusWait.h"

#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>

#include <algorithm>
#include <utility>

namespace quillbar {

namespace {

// What the destructor waits at most for queued output to be written.
constexpr std::chrono::milliseconds kFlushLimit{250};

std::uint64_t monotonicNow() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

std::unique_ptr<BusConnection> BusConnection::session() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        bus = nullptr;
    }
    return std::unique_ptr<BusConnection>(new BusConnection(bus));
}

std::unique_ptr<BusConnection> BusConnection::atAddress(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) {
        return std::unique_ptr<BusConnection>(new BusConnection(nullptr));
    }
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
        sd_bus_close_unref(bus);
        bus = nullptr;
    }
    return std::unique_ptr<BusConnection>(new BusConnection(bus));
}

BusConnection::BusConnection(sd_bus* bus)
    : bus_(bus) {
    const int fd = bus_ != nullptr ? sd_bus_get_fd(bus_) : -1;
    if (fd < 0) {
        return;
    }
    closed_ = false;
    reader_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    writer_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writer_->setEnabled(false);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(reader_, &QSocketNotifier::activated, this, &BusConnection::process);
    connect(writer_, &QSocketNotifier::activated, this, &BusConnection::process);
    connect(timer_, &QTimer::timeout, this, &BusConnection::process);
    watch();
}

BusConnection::~BusConnection() {
    if (bus_ == nullptr) {
        return;
    }
    // A last reply or signal may still wait in the queue (the answer to "quit" chosen from the
    // menu): give the bus a moment to take it, never more. Every object and match is gone by now,
    // so whatever else this handles is answered by sd-bus itself; a bus lost meanwhile is no news
    // to anyone.
    blockSignals(true);
    waitFor(
        [this] {
            const int events = sd_bus_get_events(bus_);
            return events <= 0 || (events & POLLOUT) == 0;
        },
        kFlushLimit);
    sd_bus_close_unref(bus_);
}

bool BusConnection::isConnected() const {
    return !closed_ && sd_bus_is_open(bus_) > 0;
}

void BusConnection::sent() {
    // Within a pass of process() the pass itself watches afterwards.
    if (!closed_ && !processing_) {
        watch();
    }
}

bool BusConnection::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    if (closed_ || processing_) {
        return done();
    }
    processing_ = true;
    const BusWait::End end = BusWait::serve(
        bus_, done, BusWait::Clock::now() + std::max(limit, std::chrono::milliseconds::zero()));
    processing_ = false;
    if (end == BusWait::End::Failed) {
        close();
    } else if (!closed_) {
        watch();
    }
    return end == BusWait::End::Done;
}

void BusConnection::process() {
    if (closed_) {
        return;
    }
    if (processing_) {
        // A nested event loop inside one of our callbacks: the outer pass goes on once it
        // returns; until then nothing here may wake the loop.
        reader_->setEnabled(false);
        writer_->setEnabled(false);
        timer_->stop();
        return;
    }
    processing_ = true;
    int result = 0;
    for (int handled = 0; handled < kBatch; ++handled) {
        result = sd_bus_process(bus_, nullptr);
        if (result <= 0) {
            break;
        }
    }
    processing_ = false;
    if (result < 0) {
        close();
        return;
    }
    watch(result > 0);
}

void BusConnection::watch(bool more) {
    const int events = sd_bus_get_events(bus_);
    std::uint64_t due = UINT64_MAX;
    if (events < 0 || sd_bus_get_timeout(bus_, &due) < 0) {
        close();
        return;
    }
    reader_->setEnabled((events & POLLIN) != 0);
    // Only while output waits: a socket is nearly always writable.
    const bool outputWaited = std::exchange(outputWaits_, (events & POLLOUT) != 0);
    writer_->setEnabled(outputWaits_);
    arm(more ? 0 : due);
    if (outputWaited && !outputWaits_) {
        emit outputWritten();
    }
}

void BusConnection::arm(std::uint64_t due) {
    if (due == due_ && (timer_->isActive() || due == UINT64_MAX)) {
        return;
    }
    due_ = due;
    if (due == UINT64_MAX) {
        timer_->stop();
        return;
    }
    const std::uint64_t now = monotonicNow();
    const std::uint64_t wait = due > now ? (due - now + 999) / 1000 : 0;
    timer_->start(static_cast<int>(std::min<std::uint64_t>(wait, 24u * 3600 * 1000)));
}

void BusConnection::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    timer_->stop();
    emit disconnected();
}

} // namespace quillbar
