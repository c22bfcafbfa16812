#include "services/TitleQuery.h"

#include <systemd/sd-bus.h>

#include <memory>

namespace quillbar {

namespace {

// Where the application exports its title (see TitleExporter).
constexpr const char* kPath = "/org/quillbar/Quillbar";
constexpr const char* kInterface = "org.quillbar.Quillbar";
constexpr const char* kProperty = "MenuBarTitle";

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

int replied(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& pending = *static_cast<Pending*>(userdata);
    pending.done = true;
    const char* title = nullptr;
    // An error (no such name, object or property, the bus's timeout) or any other type than a
    // text means no instance serves a title.
    if (sd_bus_message_is_method_error(reply, nullptr) ||
        sd_bus_message_enter_container(reply, 'v', "s") <= 0 ||
        sd_bus_message_read(reply, "s", &title) <= 0) {
        return 0;
    }
    pending.answer = {TitleQuery::Outcome::Title, cut(title, TitleQuery::kMaxTitleBytes)};
    return 0;
}

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
    while (!pending.done) {
        const int processed = sd_bus_process(bus.get(), nullptr);
        if (processed < 0) {
            return {Outcome::NoBus, {}};
        }
        if (processed > 0) {
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return {Outcome::NotRunning, {}};
        }
        if (sd_bus_wait(bus.get(), microseconds(until - now)) < 0) {
            return {Outcome::NoBus, {}};
        }
    }
    return pending.answer;
}

} // namespace quillbar
