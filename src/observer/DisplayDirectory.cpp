// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/DisplayDirectory.h"

#include "observer/ValueCoercion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillbar {

using nlohmann::json;

namespace {

bool isFinite(const Rect& rect) {
    return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) &&
           std::isfinite(rect.height);
}

// The rectangle with non-negative sides covering the same points.
Rect standardized(Rect rect) {
    if (rect.width < 0) {
        rect.x += rect.width;
        rect.width = -rect.width;
    }
    if (rect.height < 0) {
        rect.y += rect.height;
        rect.height = -rect.height;
    }
    return rect;
}

// The overlap of two rectangles, or nullopt when they do not overlap (touching edges included) or
// either is not finite.
std::optional<Rect> intersection(const Rect& a, const Rect& b) {
    if (!isFinite(a) || !isFinite(b)) {
        return std::nullopt;
    }
    const Rect p = standardized(a);
    const Rect q = standardized(b);
    const double left = std::max(p.x, q.x);
    const double top = std::max(p.y, q.y);
    const double right = std::min(p.x + p.width, q.x + q.width);
    const double bottom = std::min(p.y + p.height, q.y + q.height);
    if (!(right > left) || !(bottom > top)) {
        return std::nullopt;
    }
    return Rect{left, top, right - left, bottom - top};
}

} // namespace

DisplayDirectory::DisplayDirectory(Platform& platform)
    : platform_(platform) {}

std::vector<DisplayID> DisplayDirectory::activeDisplayIDs() const {
    return platform_.displays.activeDisplayList().value_or(std::vector<DisplayID>{});
}

std::optional<std::string> DisplayDirectory::displayIdentifier(DisplayID display) const {
    return platform_.displays.displayUUID(display);
}

std::optional<std::string>
DisplayDirectory::displayIdentifier(const std::optional<Screen>& screen) const {
    if (!screen || !screen->displayID) {
        return std::nullopt;
    }
    return displayIdentifier(*screen->displayID);
}

std::optional<std::string> DisplayDirectory::displayIdentifier(const Rect& windowRect) const {
    std::optional<DisplayID> best;
    double bestArea = 0;
    for (const DisplayID display : activeDisplayIDs()) {
        const auto overlap = intersection(platform_.displays.displayBounds(display), windowRect);
        const double overlapArea = overlap ? area(*overlap) : 0;
        if (!best || overlapArea > bestArea) {
            best = display;
            bestArea = overlapArea;
        }
    }
    if (!best || !(bestArea > 0)) {
        return std::nullopt;
    }
    return displayIdentifier(*best);
}

std::optional<Rect> DisplayDirectory::screenFrame(const std::string& displayIdentifier) const {
    for (const Screen& screen : platform_.displays.screens()) {
        if (this->displayIdentifier(screen) == displayIdentifier) {
            return screen.frame;
        }
    }
    return std::nullopt;
}

std::optional<std::string>
DisplayDirectory::displayName(const std::string& displayIdentifier) const {
    for (const Screen& screen : platform_.displays.screens()) {
        if (this->displayIdentifier(screen) == displayIdentifier) {
            // A screen without a name is nameless, not named "".
            if (screen.localizedName.empty()) {
                return std::nullopt;
            }
            return screen.localizedName;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DisplayDirectory::focusedWindowDisplayIdentifier() const {
    const auto frontmost = platform_.workspace.frontmostApplication();
    if (!frontmost) {
        return std::nullopt;
    }
    if (frontmost->processIdentifier == platform_.workspace.ownProcessIdentifier()) {
        if (auto identifier = displayIdentifier(platform_.workspace.keyWindowScreen())) {
            return identifier;
        }
        return displayIdentifier(platform_.workspace.mainWindowScreen());
    }

    const std::int32_t owner = frontmost->processIdentifier;
    const auto windows = ordinaryWindows(platform_.windowServer.copyWindowList(),
                                         [owner](std::int32_t pid) { return pid == owner; });
    std::optional<Rect> largest;
    double largestArea = 0;
    for (const OrdinaryWindow& window : windows) {
        const double boundsArea = area(window.bounds);
        if (!largest || boundsArea > largestArea) {
            largest = window.bounds;
            largestArea = boundsArea;
        }
    }
    if (!largest) {
        return std::nullopt;
    }
    return displayIdentifier(*largest);
}

namespace {

std::optional<DisplayDirectory::OrdinaryWindow>
ordinaryWindow(const json& window, const std::function<bool(std::int32_t)>& ownerTest) {
    using namespace ValueCoercion;
    const json* layer = member(window, WindowServer::kWindowLayer);
    if (!layer || intValue(*layer) != 0) {
        return std::nullopt;
    }
    const json* ownerValue = member(window, WindowServer::kWindowOwnerPID);
    const auto owner = ownerValue ? intValue(*ownerValue) : std::nullopt;
    if (!owner || *owner < std::numeric_limits<std::int32_t>::min() ||
        *owner > std::numeric_limits<std::int32_t>::max() ||
        !ownerTest(static_cast<std::int32_t>(*owner))) {
        return std::nullopt;
    }
    const json* alphaValue = member(window, WindowServer::kWindowAlpha);
    const double alpha = alphaValue ? doubleValue(*alphaValue, 1.0) : 1.0;
    if (!(alpha > 0)) {
        return std::nullopt;
    }
    const json* boundsValue = member(window, WindowServer::kWindowBounds);
    auto bounds = boundsValue ? rectValue(*boundsValue) : std::nullopt;
    if (!bounds || !(bounds->width > 20) || !(bounds->height > 20)) {
        return std::nullopt;
    }
    return DisplayDirectory::OrdinaryWindow{static_cast<std::int32_t>(*owner), *bounds};
}

} // namespace

std::vector<DisplayDirectory::OrdinaryWindow>
DisplayDirectory::ordinaryWindows(const json& windowList,
                                  const std::function<bool(std::int32_t)>& ownerTest) {
    std::vector<OrdinaryWindow> windows;
    if (!ValueCoercion::isArrayOfDictionaries(windowList)) {
        return windows;
    }
    for (const json& window : windowList) {
        if (auto ordinary = ordinaryWindow(window, ownerTest)) {
            windows.push_back(*ordinary);
        }
    }
    return windows;
}

std::optional<Rect>
DisplayDirectory::ordinaryWindowBounds(const json& window,
                                       const std::function<bool(std::int32_t)>& ownerTest) {
    const auto ordinary = ordinaryWindow(window, ownerTest);
    return ordinary ? std::optional<Rect>(ordinary->bounds) : std::nullopt;
}

double DisplayDirectory::area(const Rect& rect) {
    if (!isFinite(rect)) {
        return 0;
    }
    const double product = std::max(rect.width, 0.0) * std::max(rect.height, 0.0);
    return std::isfinite(product) ? product : 0;
}

} // namespace quillbar
