// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/SingleInstance.h"

#include <QTimer>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillbar {

namespace {

constexpr const char* kDriver = "org.freedesktop.DBus";
constexpr const char* kDriverPath = "/org/freedesktop/DBus";
// RequestName: let a later instance replace us (1), replace the holder (2), and never wait in the
// name's queue (4), so that a replaced instance loses the name for good.
constexpr std::uint32_t kNameFlags = 1 | 2 | 4;
constexpr std::uint32_t kPrimaryOwner = 1;
constexpr std::uint32_t kAlreadyOwner = 4;

// Whether text is a unique connection name (":1.42"), as it goes into a match rule.
bool isUniqueName(const char* text) {
    const std::size_t length = std::strlen(text);
    return length >= 2 && length <= 255 && text[0] == ':' &&
           std::all_of(text + 1, text + length, [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.';
           });
}

// The two answers claim() waits for.
struct ClaimAnswers {
    int count = 0;
    std::string owner; // the holder before us, if any
    bool granted = false;
};

int ownerAnswered(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& answers = *static_cast<ClaimAnswers*>(userdata);
    ++answers.count;
    const char* owner = nullptr;
    // An error is the usual "nobody holds it".
    if (!sd_bus_message_is_method_error(reply, nullptr) &&
        sd_bus_message_read(reply, "s", &owner) > 0 && isUniqueName(owner)) {
        answers.owner = owner;
    }
    return 0;
}

int requestAnswered(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& answers = *static_cast<ClaimAnswers*>(userdata);
    ++answers.count;
    std::uint32_t result = 0;
    answers.granted = !sd_bus_message_is_method_error(reply, nullptr) &&
                      sd_bus_message_read(reply, "u", &result) > 0 &&
                      (result == kPrimaryOwner || result == kAlreadyOwner);
    return 0;
}

} // namespace

SingleInstance::SingleInstance(BusConnection& bus, QString name, QObject* parent)
    : QObject(parent)
    , bus_(bus)
    , name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    sd_bus* bus = bus_.bus();
    if (!bus_.isConnected() || name_.isEmpty()) {
        return false;
    }
    const QByteArray name = name_.toUtf8();
    // Listen first, so a newer instance that arrives right after us is not missed. (The bus sends
    // NameLost to the holder alone; the match hands it to us.)
    sd_bus_slot* slot = nullptr;
    if (!nameLostMatch_ && sd_bus_match_signal_async(bus, &slot, kDriver, kDriverPath, kDriver,
                                                     "NameLost", nameLost, nullptr, this) >= 0) {
        nameLostMatch_.reset(slot);
    }
    ClaimAnswers answers;
    const bool asked =
        sd_bus_call_method_async(bus, &slot, kDriver, kDriverPath, kDriver, "GetNameOwner",
                                 ownerAnswered, &answers, "s", name.constData()) >= 0;
    const BusConnection::Slot ownerCall(asked ? slot : nullptr);
    const bool requested = sd_bus_call_method_async(bus, &slot, kDriver, kDriverPath, kDriver,
                                                    "RequestName", requestAnswered, &answers, "su",
                                                    name.constData(), kNameFlags) >= 0;
    const BusConnection::Slot requestCall(requested ? slot : nullptr);
    // The one wait on the bus: the answers decide whether this instance runs the rule at all.
    if (!asked || !requested ||
        !bus_.waitFor([&answers] { return answers.count == 2; }, kClaimWait)) {
        bus_.sent();
        return false;
    }
    const char* self = nullptr;
    previous_ = sd_bus_get_unique_name(bus, &self) >= 0 && answers.owner == self ? std::string()
                                                                                 : answers.owner;
    claimed_ = answers.granted;
    return claimed_;
}

bool SingleInstance::holdsName() const {
    return claimed_ && bus_.isConnected();
}

void SingleInstance::awaitPrevious(std::chrono::milliseconds limit) {
    if (waiting_) {
        return;
    }
    waiting_ = true;
    sd_bus* bus = bus_.bus();
    if (previous_.empty() || !bus_.isConnected()) {
        QTimer::singleShot(0, this, [this] { finishWait(true); });
        return;
    }
    waitLimit_ = new QTimer(this);
    waitLimit_->setSingleShot(true);
    connect(waitLimit_, &QTimer::timeout, this, [this] { finishWait(false); });
    waitLimit_->start(limit);
    // Watch before asking: the bus handles both in order, so a departure between them is not
    // missed. (previous_ is a checked unique name, safe inside the rule's quotes.)
    const std::string rule = "type='signal',sender='org.freedesktop.DBus',"
                             "path='/org/freedesktop/DBus',interface='org.freedesktop.DBus',"
                             "member='NameOwnerChanged',arg0='" +
                             previous_ + "'";
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match_async(bus, &slot, rule.c_str(), ownerChanged, nullptr, this) >= 0) {
        previousMatch_.reset(slot);
    }
    if (sd_bus_call_method_async(bus, &slot, kDriver, kDriverPath, kDriver, "NameHasOwner",
                                 previousAnswered, this, "s", previous_.c_str()) >= 0) {
        previousCall_.reset(slot);
    }
    bus_.sent();
}

int SingleInstance::nameLost(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto& self = *static_cast<SingleInstance*>(userdata);
    const char* name = nullptr;
    if (sd_bus_message_read(message, "s", &name) > 0 && self.claimed_ &&
        self.name_ == QString::fromUtf8(name)) {
        self.claimed_ = false;
        emit self.replaced();
    }
    return 0;
}

int SingleInstance::ownerChanged(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto& self = *static_cast<SingleInstance*>(userdata);
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &before, &after) > 0 && self.previous_ == name &&
        *after == '\0') {
        self.finishWait(true);
    }
    return 0;
}

int SingleInstance::previousAnswered(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& self = *static_cast<SingleInstance*>(userdata);
    int present = 1;
    // An error says nothing: the limit decides then.
    if (!sd_bus_message_is_method_error(reply, nullptr) &&
        sd_bus_message_read(reply, "b", &present) > 0 && !present) {
        self.finishWait(true);
    }
    return 0;
}

void SingleInstance::finishWait(bool left) {
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    // Either may be running this call: sd-bus keeps a slot alive until its callback returns.
    previousMatch_.reset();
    previousCall_.reset();
    if (waitLimit_ != nullptr) {
        waitLimit_->stop();
        waitLimit_->deleteLater();
        waitLimit_ = nullptr;
    }
    emit previousGone(left);
}

} // namespace quillbar
