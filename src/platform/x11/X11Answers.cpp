// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Answers.h"

#include "platform/WindowServer.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <cmath>

namespace quillbar {

namespace {

// The namespace of Quillbar's name-based display identifiers (a fixed random UUID).
constexpr uuid_t kDisplayNamespace = {0x6f, 0x1c, 0x2e, 0x8a, 0x93, 0x4d, 0x4b, 0x1e,
                                      0xa7, 0x52, 0x0c, 0x3d, 0x9e, 0x61, 0xf4, 0x05};

constexpr std::size_t kEdidBlockSize = 128;
constexpr std::size_t kFirstDescriptor = 54;
constexpr std::size_t kDescriptorSize = 18;
constexpr std::uint8_t kMonitorNameTag = 0xFC;

} // namespace

std::string X11Answers::displayIdentifier(const std::string& host, int displayNumber, int screen) {
    const std::string name =
        "x11:" + host + ":" + std::to_string(displayNumber) + "." + std::to_string(screen);
    uuid_t uuid;
    uuid_generate_sha1(uuid, kDisplayNamespace, name.data(), name.size());
    char text[37];
    uuid_unparse_upper(uuid, text);
    return text;
}

std::optional<std::string> X11Answers::edidMonitorName(std::span<const std::uint8_t> edid) {
    if (edid.size() < kEdidBlockSize) {
        return std::nullopt;
    }
    for (std::size_t at = kFirstDescriptor; at + kDescriptorSize <= kEdidBlockSize - 2;
         at += kDescriptorSize) {
        // A display descriptor starts with three zero bytes, then its tag.
        if (edid[at] != 0 || edid[at + 1] != 0 || edid[at + 2] != 0 ||
            edid[at + 3] != kMonitorNameTag) {
            continue;
        }
        std::string name;
        for (std::size_t i = at + 5; i < at + kDescriptorSize && edid[i] != '\n'; ++i) {
            name.push_back(static_cast<char>(edid[i]));
        }
        while (!name.empty() && name.back() == ' ') {
            name.pop_back();
        }
        if (!name.empty()) {
            return name;
        }
    }
    return std::nullopt;
}

std::uint32_t X11Answers::boundedDesktopCount(std::uint32_t claimed) {
    return std::min(claimed, kMaxDesktops);
}

nlohmann::json X11Answers::managedDisplay(const std::string& identifier, std::uint32_t desktopCount,
                                          std::uint32_t currentDesktop,
                                          std::span<const std::string> names) {
    auto spaces = nlohmann::json::array();
    const std::uint32_t count = boundedDesktopCount(desktopCount);
    for (std::uint32_t desktop = 0; desktop < count; ++desktop) {
        spaces.push_back(
            {{WindowServer::kManagedSpaceID, std::int64_t{desktop} + 1}, {WindowServer::kType, 0}});
        if (desktop < names.size() && !names[desktop].empty()) {
            spaces.back()[WindowServer::kSpaceName] = names[desktop];
        }
    }
    return {{WindowServer::kDisplayIdentifier, identifier},
            {WindowServer::kCurrentSpace,
             {{WindowServer::kManagedSpaceID, std::int64_t{currentDesktop} + 1}}},
            {WindowServer::kSpaces, std::move(spaces)}};
}

void X11Answers::setCurrentDesktop(nlohmann::json& display, std::uint32_t currentDesktop) {
    display[WindowServer::kCurrentSpace][WindowServer::kManagedSpaceID] =
        std::int64_t{currentDesktop} + 1;
}

std::vector<std::string> X11Answers::desktopNames(std::string_view property, std::size_t maxCount) {
    std::vector<std::string> names;
    while (!property.empty() && names.size() < maxCount) {
        const std::size_t end = property.find('\0');
        names.emplace_back(property.substr(0, end));
        property.remove_prefix(end == std::string_view::npos ? property.size() : end + 1);
    }
    return names;
}

std::optional<std::string> X11Answers::renamedDesktopNames(std::vector<std::string> names,
                                                           std::uint32_t desktopCount,
                                                           std::uint32_t index,
                                                           const std::string& name,
                                                           std::size_t maxBytes) {
    if (index >= desktopCount || name.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    names.resize(
        std::max<std::size_t>(std::min<std::size_t>(names.size(), desktopCount), index + 1));
    names[index] = name;
    while (!names.empty() && names.back().empty()) {
        names.pop_back();
    }
    std::string value;
    for (const std::string& each : names) {
        value += each;
        value.push_back('\0');
        if (value.size() > maxBytes) {
            return std::nullopt;
        }
    }
    return value;
}

nlohmann::json X11Answers::window(const WindowFacts& facts) {
    nlohmann::json window = {{WindowServer::kWindowLayer, facts.layer},
                             {WindowServer::kWindowBounds,
                              {{"X", facts.bounds.x},
                               {"Y", facts.bounds.y},
                               {"Width", facts.bounds.width},
                               {"Height", facts.bounds.height}}}};
    if (facts.ownerPID) {
        window[WindowServer::kWindowOwnerPID] = *facts.ownerPID;
    }
    if (facts.alpha) {
        window[WindowServer::kWindowAlpha] = *facts.alpha;
    }
    return window;
}

double X11Answers::opacityFraction(std::uint32_t opacity) {
    return static_cast<double>(opacity) / static_cast<double>(0xFFFFFFFFu);
}

std::uint32_t X11Answers::opacityValue(double fraction) {
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    return static_cast<std::uint32_t>(std::llround(clamped * static_cast<double>(0xFFFFFFFFu)));
}

nlohmann::json X11Answers::spacesOfDesktop(std::uint32_t desktop, std::uint32_t desktopCount) {
    auto spaces = nlohmann::json::array();
    if (desktop == kAllDesktops) {
        const std::uint32_t count = boundedDesktopCount(desktopCount);
        for (std::uint32_t each = 0; each < count; ++each) {
            spaces.push_back(std::int64_t{each} + 1);
        }
    } else {
        spaces.push_back(std::int64_t{desktop} + 1);
    }
    return spaces;
}

} // namespace quillbar
