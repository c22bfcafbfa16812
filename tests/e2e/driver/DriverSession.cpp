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
    , observer_(store_, platform) {}

DriverSession::~DriverSession() = default;

void DriverSession::start() {
    // Published values announce themselves before they are stored: read them a turn later.
    changes_ = observer_.subscribe([this] {
        if (!reportPending_) {
            reportPending_ = true;
            platform_.mainQueue.post([this] { reportIfChanged(); });
        }
    });
    titles_ = observer_.subscribeMenuBarTitle([this](const std::string& title) {
        out_.report("title", {{"title", title}});
    });
    names_ = store_.subscribe(
        [this](const NameTable&) { platform_.mainQueue.post([this] { reportIfChanged(); }); });
    observer_.start();
    reportIfChanged();
    out_.report("ready", {{"pid", ::getpid()}});

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
        run(line);
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

void DriverSession::run(const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    int number = 0;
    bool done = true;
    if (command == "switch" && words >> number && desktop(number)) {
        const SpaceInfo target = *desktop(number);
        observer_.switchTo(target);
    } else if (command == "refresh") {
        observer_.refresh();
    } else if ((command == "name" || command == "emoji") && words >> number && desktop(number)) {
        std::string text;
        std::getline(words >> std::ws, text);
        const auto key = desktop(number)->persistenceID.value_or("");
        if (command == "name") {
            store_.updateName(text, key);
        } else {
            store_.updateEmoji(text, key);
        }
    } else if (command == "state") {
        lastState_ = nullptr;
        reportIfChanged();
    } else if (command == "quit") {
        QCoreApplication::quit();
    } else {
        done = false;
    }
    out_.report("ack", {{"command", line}, {"ok", done}});
}

nlohmann::json DriverSession::state() const {
    auto spaces = nlohmann::json::array();
    for (const auto& space : observer_.spaces()) {
        spaces.push_back({{"id", space.id},
                          {"persistenceID", space.persistenceID.value_or("")},
                          {"display", space.displayIdentifier},
                          {"desktop", space.desktopIndex.value_or(-1)},
                          {"type", space.type},
                          {"active", space.isActiveOnDisplay},
                          {"current", space.isCurrent},
                          {"canSwitch", observer_.canSwitch(space)}});
    }
    nlohmann::json groups = nlohmann::json::array();
    for (const auto& group : observer_.grouped(observer_.spaces())) {
        groups.push_back({{"id", group.id}, {"name", group.name}, {"count", group.spaces.size()}});
    }
    return {{"title", observer_.menuBarTitle()},
            {"current", observer_.currentSpaceID() ? nlohmann::json(*observer_.currentSpaceID())
                                                   : nlohmann::json(nullptr)},
            {"spaces", std::move(spaces)},
            {"groups", std::move(groups)},
            {"seeded", observer_.seededSpaceIDs()}};
}

void DriverSession::reportIfChanged() {
    reportPending_ = false;
    auto now = state();
    if (now != lastState_) {
        lastState_ = now;
        out_.report("state", std::move(now));
    }
}

} // namespace quillbar::e2e
