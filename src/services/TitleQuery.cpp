// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/TitleQuery.h"

#include "services/BusWait.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace quillbar {

namespace {

constexpr const char* kPath = TitleQuery::kPath;
constexpr const char* kInterface = TitleQuery::kInterface;
constexpr const char* kProperty = TitleQuery::kProperty;
constexpr const char* kSignal = TitleQuery::kSignal;

using Clock = std::chrono::steady_clock;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotUnref {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

// What the reply handler leaves for the waiting loop.
struct Pending {
    bool done = false;
    TitleQuery::Answer answer;
};

// The longest prefix of text within limit bytes that does not split a UTF-8 character.
std::string cut(const char* text, std::size_t limit) {
    std::string value(text);
    if (value.size() <= limit) {
        return value;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) {
        --end;
    }
    value.resize(end);
    return value;
}

// The title a reply to Properties.Get carries, cut to kMaxTitleBytes. An error (no such name,
// object or property, the bus's timeout) or any other type than a text is no title.
std::optional<std::string> titleIn(sd_bus_message* reply) {
    const char* title = nullptr;
    if (sd_bus_message_is_method_error(reply, nullptr) ||
        sd_bus_message_enter_container(reply, 'v', "s") <= 0 ||
        sd_bus_message_read(reply, "s", &title) <= 0) {
        return std::nullopt;
    }
    return cut(title, TitleQuery::kMaxTitleBytes);
}

int replied(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& pending = *static_cast<Pending*>(userdata);
    pending.done = true;
    if (auto title = titleIn(reply)) {
        pending.answer = {TitleQuery::Outcome::Title, std::move(*title)};
    }
    return 0;
}

// Writes all of text to fd; false when fd refuses it.
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Milliseconds until sd-bus's next timeout (an absolute CLOCK_MONOTONIC time), for poll().
int pollTimeout(sd_bus* bus) {
    std::uint64_t due = 0;
    if (sd_bus_get_timeout(bus, &due) < 0 || due == UINT64_MAX) {
        return -1;
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                                static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
    return due <= nowUs
               ? 0
               : static_cast<int>(std::min<std::uint64_t>((due - nowUs + 999) / 1000, 60000));
}

// The follower's state: the last line printed and the read of the title under way.
class Follower {
public:
    Follower(sd_bus* bus, std::string service, TitleLine::Format format, int outFd)
        : bus_(bus)
        , service_(std::move(service))
        , format_(format)
        , outFd_(outFd) {}

    // Asks the bus for the title's signals and the name's owner changes, then for the title.
    bool start() {
        if (!writeAll(outFd_, TitleLine::preamble(format_))) {
            return false;
        }
        // Matches go out before the read, so no change falls between its answer and the signals.
        sd_bus_slot* title = nullptr;
        sd_bus_slot* owner = nullptr;
        if (sd_bus_match_signal_async(bus_, &title, service_.c_str(), kPath, kInterface, kSignal,
                                      titleChanged, nullptr, this) < 0 ||
            sd_bus_match_signal_async(bus_, &owner, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "NameOwnerChanged", ownerChanged,
                                      nullptr, this) < 0) {
            return false;
        }
        titleMatch_.reset(title);
        ownerMatch_.reset(owner);
        return fetch(false);
    }

    // Whether a line could not be written.
    bool failed() const { return failed_; }

private:
    // Reads the title; a failed read prints an empty title when emptyOnFailure. A newer read
    // replaces one still under way: its answer would be older.
    bool fetch(bool emptyOnFailure) {
        emptyOnFailure_ = emptyOnFailure;
        sd_bus_slot* slot = nullptr;
        const int result = sd_bus_call_method_async(bus_, &slot, service_.c_str(), kPath,
                                                    "org.freedesktop.DBus.Properties", "Get",
                                                    fetched, this, "ss", kInterface, kProperty);
        fetch_.reset(slot);
        return result >= 0;
    }

    static int fetched(sd_bus_message* reply, void* userdata, sd_bus_error*) {
        auto& self = *static_cast<Follower*>(userdata);
        if (auto title = titleIn(reply)) {
            self.print(*title);
        } else if (self.emptyOnFailure_) {
            self.print({});
        }
        self.fetch_.reset(); // the slot that called us; its owner lets go after the callback
        return 0;
    }

    static int titleChanged(sd_bus_message* message, void* userdata, sd_bus_error*) {
        const char* title = nullptr;
        if (sd_bus_message_read(message, "s", &title) > 0) {
            static_cast<Follower*>(userdata)->print(cut(title, TitleQuery::kMaxTitleBytes));
        }
        return 0;
    }

    static int ownerChanged(sd_bus_message* message, void* userdata, sd_bus_error*) {
        auto& self = *static_cast<Follower*>(userdata);
        const char* name = nullptr;
        const char* before = nullptr;
        const char* after = nullptr;
        if (sd_bus_message_read(message, "sss", &name, &before, &after) <= 0 ||
            self.service_ != name) {
            return 0;
        }
        if (*after == '\0') {
            self.fetch_.reset();
            self.print({});
        } else {
            self.fetch(true);
        }
        return 0;
    }

    void print(const std::string& title) {
        if (printedAny_ && title == last_) {
            return;
        }
        printedAny_ = true;
        last_ = title;
        failed_ = failed_ || !writeAll(outFd_, TitleLine::format(title, format_));
    }

    sd_bus* bus_;
    std::string service_;
    TitleLine::Format format_;
    int outFd_;
    std::unique_ptr<sd_bus_slot, SlotUnref> titleMatch_;
    std::unique_ptr<sd_bus_slot, SlotUnref> ownerMatch_;
    std::unique_ptr<sd_bus_slot, SlotUnref> fetch_;
    bool emptyOnFailure_ = false;
    bool printedAny_ = false;
    bool failed_ = false;
    std::string last_;
};

std::uint64_t microseconds(Clock::duration duration) {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(duration).count());
}

} // namespace

TitleQuery::Answer TitleQuery::read(const std::string& service,
                                    std::chrono::milliseconds deadline) {
    const Clock::time_point until = Clock::now() + deadline;
    sd_bus* rawBus = nullptr;
    if (sd_bus_open_user(&rawBus) < 0) {
        return {Outcome::NoBus, {}};
    }
    const std::unique_ptr<sd_bus, BusCloser> bus(rawBus);
    sd_bus_message* rawCall = nullptr;
    if (sd_bus_message_new_method_call(bus.get(), &rawCall, service.c_str(), kPath,
                                       "org.freedesktop.DBus.Properties", "Get") < 0) {
        return {Outcome::NotRunning, {}}; // not a valid bus name
    }
    const std::unique_ptr<sd_bus_message, MessageUnref> call(rawCall);
    Pending pending;
    sd_bus_slot* rawSlot = nullptr;
    if (sd_bus_message_append(call.get(), "ss", kInterface, kProperty) < 0 ||
        sd_bus_call_async(bus.get(), &rawSlot, call.get(), replied, &pending,
                          microseconds(deadline)) < 0) {
        return {Outcome::NoBus, {}};
    }
    const std::unique_ptr<sd_bus_slot, SlotUnref> slot(rawSlot);
    // Connecting, authenticating and the call all happen here, each step bounded by our own
    // deadline rather than the bus library's.
    switch (BusWait::serve(
        bus.get(), [&pending] { return pending.done; }, until)) {
    case BusWait::End::Done:
        return pending.answer;
    case BusWait::End::TimedOut:
        return {Outcome::NotRunning, {}};
    case BusWait::End::Failed:
        break;
    }
    return {Outcome::NoBus, {}};
}

int TitleQuery::follow(const std::string& service, TitleLine::Format format, int outFd,
                       int stopFd) {
    sd_bus* rawBus = nullptr;
    if (sd_bus_open_user(&rawBus) < 0) {
        return 1;
    }
    const std::unique_ptr<sd_bus, BusCloser> bus(rawBus);
    Follower follower(bus.get(), service, format, outFd);
    if (!follower.start()) {
        return 1;
    }
    for (;;) {
        const int processed = sd_bus_process(bus.get(), nullptr);
        if (processed < 0 || follower.failed()) {
            return 1;
        }
        if (processed > 0) {
            continue;
        }
        const int events = sd_bus_get_events(bus.get());
        if (events < 0) {
            return 1;
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus.get()), static_cast<short>(events), 0},
                         {stopFd, POLLIN, 0}};
        if (::poll(fds, stopFd >= 0 ? 2 : 1, pollTimeout(bus.get())) < 0 && errno != EINTR) {
            return 1;
        }
        if (stopFd >= 0 && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            return 0;
        }
    }
}

int TitleQuery::run(const std::string& service, TitleLine::Format format, bool follow) {
    if (follow) {
        if (TitleQuery::follow(service, format, STDOUT_FILENO) != 0) {
            std::fprintf(stderr, "quillbar: no session bus\n");
            return 1;
        }
        return 0;
    }
    const Answer answer = read(service);
    if (answer.outcome != Outcome::Title) {
        std::fprintf(stderr, "quillbar: %s\n",
                     answer.outcome == Outcome::NoBus ? "no session bus"
                                                      : "Quillbar is not running");
        return 1;
    }
    return writeAll(STDOUT_FILENO, TitleLine::format(answer.title, format)) ? 0 : 1;
}

} // namespace quillbar
