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
// shown on each display, the current space and the owners of full-screen spaces. Keeps no state.
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

    void appendDisplay(const nlohmann::json& display, PassContext& context,
                       std::vector<SpaceInfo>& result) const;
    std::optional<std::string> fullscreenAppName(const SpaceInfo& space,
                                                 PassContext& context) const;
    void markFallbackCurrent(std::vector<SpaceInfo>& spaces) const;
    void reportOverflow(std::string note) const;

    Platform& platform_;
    const DisplayDirectory& displays_;
    const SpaceServerAPI& api_;
    // What the last pass left out, so that a lasting overflow is logged once, not every refresh.
    mutable std::string overflowNote_;
};

} // namespace quillbar
