// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// Maps display ids, screens and rectangles to display identifiers (UUID text), and finds the
// display that holds the focused window. Keeps no state: every call asks the platform afresh.
class DisplayDirectory {
public:
    explicit DisplayDirectory(Platform& platform);

    // Ids of the active displays, or an empty list when the query fails.
    std::vector<DisplayID> activeDisplayIDs() const;
    // The display's identifier, or nullopt when it cannot be formed.
    std::optional<std::string> displayIdentifier(DisplayID display) const;
    // The identifier of the screen's display; nullopt for no screen or a screen without a display
    // id.
    std::optional<std::string> displayIdentifier(const std::optional<Screen>& screen) const;
    // The identifier of the active display that holds the larger part of rect, or nullopt.
    std::optional<std::string> displayIdentifier(const Rect& windowRect) const;
    // The frame of the screen with that identifier, or nullopt.
    std::optional<Rect> screenFrame(const std::string& displayIdentifier) const;
    // The name of the screen with that identifier, or nullopt.
    std::optional<std::string> displayName(const std::string& displayIdentifier) const;
    // The display of the frontmost application's largest ordinary window (own app: key, then main
    // window), or nullopt.
    std::optional<std::string> focusedWindowDisplayIdentifier() const;

    // An on-screen window that a person works in: its owner and its bounds.
    struct OrdinaryWindow {
        std::int32_t ownerPID = 0;
        Rect bounds;
    };
    // The windows of a window list, front to back, that are ordinary and whose owner passes
    // ownerTest (layer 0, owner pid fits 32 bits, alpha above 0, both sides above 20 points);
    // empty when the list is not a list of dictionaries.
    static std::vector<OrdinaryWindow>
    ordinaryWindows(const nlohmann::json& windowList,
                    const std::function<bool(std::int32_t)>& ownerTest);
    // The bounds of one window when it is ordinary by the same rule; nullopt otherwise.
    static std::optional<Rect>
    ordinaryWindowBounds(const nlohmann::json& window,
                         const std::function<bool(std::int32_t)>& ownerTest);
    // Area of a rectangle; negative sides count as 0, non-finite rectangles have area 0.
    static double area(const Rect& rect);

private:
    Platform& platform_;
};

} // namespace quillbar
