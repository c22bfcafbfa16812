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
    // What holds for one pass across all displays.
    struct PassContext {
        std::optional<std::string> focusedDisplay;
        std::optional<std::string> frontName;
        std::int64_t activeSpace = 0;
    };

    void appendDisplay(const nlohmann::json& display, const PassContext& context,
                       std::vector<SpaceInfo>& result) const;
    std::optional<std::string> fullscreenAppName(const SpaceInfo& space,
                                                 const PassContext& context) const;
    void markFallbackCurrent(std::vector<SpaceInfo>& spaces) const;
    void reportOverflow(std::string note) const;

    Platform& platform_;
    const DisplayDirectory& displays_;
    const SpaceServerAPI& api_;
    // What the last pass left out, so that a lasting overflow is logged once, not every refresh.
    mutable std::string overflowNote_;
};

} // namespace quillbar
