// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceInfo.h"
#include "observer/DisplayDirectory.h"
#include "platform/Platform.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// Turns the window server's managed displays into the ordered list of spaces: numbering, the space
// shown on each display, the current space and the owners of full-screen spaces. Keeps what it
// read from the server's kept answer while the server says the answer's spaces are unchanged.
class SpaceDetector {
public:
    // The most spaces read from one display and the most displays read from one answer; what the
    // window server claims beyond them is left out (and logged once).
    static constexpr std::size_t kMaxSpacesPerDisplay = 256;
    static constexpr std::size_t kMaxDisplays = 32;

    SpaceDetector(Platform& platform, const DisplayDirectory& displays, const SpaceServerAPI& api);

    // One detection pass: displays in the server's order, each display's spaces in its order.
    std::vector<SpaceInfo> detectSpaces() const;
    // The managed-display dictionaries, or an empty array unless the answer is an array of
    // dictionaries throughout.
    nlohmann::json copyManagedDisplaySpaces() const;

private:
    // What holds for one pass across all displays. The focused display and the frontmost
    // application cost the window server several questions and are needed only where the active
    // space does not say which space is current, or for full-screen spaces: each is asked for at
    // most once per pass, and only when first needed.
    class PassContext {
    public:
        PassContext(const SpaceDetector& detector, std::int64_t activeSpace)
            : detector_(detector)
            , activeSpace_(activeSpace) {}

        // The server's active space; 0 when it has none.
        std::int64_t activeSpace() const { return activeSpace_; }
        // The display of the focused window, else the main display.
        const std::optional<std::string>& focusedDisplay();
        // The frontmost application's name.
        const std::optional<std::string>& frontName();

    private:
        const SpaceDetector& detector_;
        std::int64_t activeSpace_;
        std::optional<std::optional<std::string>> focusedDisplay_;
        std::optional<std::optional<std::string>> frontName_;
    };

    // One display's spaces as the server describes them, before which is shown and current is
    // known. Between two refreshes usually only the current desktop moves, and a server that
    // says so (a revision of its kept answer) has them read once, not on every refresh.
    struct DisplayReading {
        std::uint64_t revision = 0; // the server's; 0: read afresh next time
        std::string identifier;
        std::vector<SpaceInfo> records;                // shown, current and app names unset
        std::vector<std::optional<std::string>> uuids; // per record, for the shown space
    };

    void appendDisplay(const nlohmann::json& display, std::size_t index, std::uint64_t revision,
                       PassContext& context, std::vector<SpaceInfo>& result) const;
    // The reading of the display at index: the last pass's when the server's revision and the
    // display are the same, else read from spaces.
    DisplayReading& readDisplay(std::size_t index, std::uint64_t revision,
                                const std::string& identifier, const nlohmann::json& spaces) const;
    std::optional<std::string> fullscreenAppName(const SpaceInfo& space,
                                                 PassContext& context) const;
    void markFallbackCurrent(std::vector<SpaceInfo>& spaces) const;
    void reportOverflow(std::string note) const;

    Platform& platform_;
    const DisplayDirectory& displays_;
    const SpaceServerAPI& api_;
    // What the last pass left out, so that a lasting overflow is logged once, not every refresh.
    mutable std::string overflowNote_;
    // The last pass's reading of each display, by position.
    mutable std::vector<DisplayReading> readings_;
};

} // namespace quillbar
