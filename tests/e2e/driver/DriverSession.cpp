// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriverSession.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <sstream>

namespace quillbar::e2e {

DriverSession::DriverSession(Platform& platform, JsonLines& out)
    : platform_(platform)
    , out_(out)
    , store_(defaults_)
    , observer_(store_, platform)
    , switcher_(observer_, platform) {}

DriverSession::~DriverSession() = default;

void DriverSession::start() {
    // Report once per turn, however many values one change publishes.
    const auto later = [this] { platform_.mainQueue.post([this] { reportIfChanged(); }); };
    changes_ = observer_.subscribe(later);
    seeded_ = switcher_.subscribe(later);
    names_ = store_.subscribe([later](const NameTable&) { later(); });
    titles_ = observer_.subscribeMenuBarTitle([this](const std::string& title) {
        out_.report("title", {{"title", title}});
    });
    observer_.start();
    reportIfChanged();
    out_.report("ready");

    stdinNotifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(stdinNotifier_.get(), &QSocketNotifier::activated, stdinNotifier_.get(),
                     [this] { readCommands(); });
}

void DriverSession::readCommands() {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        stdinNotifier_->setEnabled(false);
        QCoreApplication::quit();
        return;
    }
    input_.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end; (end = input_.find('\n')) != std::string::npos;) {
        const std::string line = input_.substr(0, end);
        input_.erase(0, end + 1);
        out_.report("ack", {{"command", line}, {"ok", run(line)}});
    }
}

const SpaceInfo* DriverSession::desktop(int number) const {
    for (const auto& space : observer_.spaces()) {
        if (space.type == SpaceInfo::ordinaryDesktopType && space.desktopIndex == number) {
            return &space;
        }
    }
    return nullptr;
}

bool DriverSession::run(const std::string& line) {
    std::istringstream words(line);
    std::string command;
    int number = 0;
    words >> command;
    if (command == "quit") {
        QCoreApplication::quit();
        return true;
    }
    const SpaceInfo* target = nullptr;
    if (command == "switch-key") { // by the stored key, for spaces without a number
        std::string key;
        std::getline(words >> std::ws, key);
        for (const auto& space : observer_.spaces()) {
            target = space.persistenceID == key ? &space : target;
        }
        command = "switch";
    } else if (words >> number) {
        target = desktop(number);
    }
    if (!target) {
        return false;
    }
    std::string text;
    std::getline(words >> std::ws, text);
    if (command == "switch") {
        switcher_.switchTo(SpaceInfo(*target));
    } else if (command == "name") {
        store_.updateName(text, target->persistenceID.value_or(""));
    } else if (command == "emoji") {
        store_.updateEmoji(text, target->persistenceID.value_or(""));
    } else {
        return false;
    }
    return true;
}

nlohmann::json DriverSession::state() const {
    auto spaces = nlohmann::json::array();
    auto shown = nlohmann::json::array();
    for (const auto& space : observer_.spaces()) {
        spaces.push_back(space.persistenceID.value_or(""));
        if (space.isActiveOnDisplay) {
            shown.push_back(space.persistenceID.value_or(""));
        }
    }
    auto groups = nlohmann::json::array();
    for (const auto& group : observer_.grouped(observer_.spaces())) {
        groups.push_back(group.name);
    }
    auto names = nlohmann::json::array();
    for (const auto& entry : store_.assignments()) {
        names.push_back(entry.first);
    }
    return {
        {"title", observer_.menuBarTitle()}, {"current", observer_.currentSpaceID().value_or("")},
        {"spaces", std::move(spaces)},       {"shown", std::move(shown)},
        {"groups", std::move(groups)},       {"seeded", switcher_.seededSpaceIDs()},
        {"names", std::move(names)}};
}

void DriverSession::reportIfChanged() {
    auto now = state();
    if (now != lastState_) {
        lastState_ = now;
        out_.report("state", std::move(now));
    }
}

} // namespace quillbar::e2e
