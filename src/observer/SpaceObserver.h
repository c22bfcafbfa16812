#pragma once

#include "model/Published.h"
#include "model/SpaceInfo.h"
#include "model/SpaceNameStore.h"
#include "model/Subscription.h"
#include "observer/AnchorKeeper.h"
#include "observer/DisplayDirectory.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillbar {

class SpaceSwitcher;

// Follows the window manager's spaces and the current one, keeps anchors on them, and publishes the
// list, the current space, the menu-bar title and the seeded spaces. Lives for the whole process.
class SpaceObserver {
public:
    // The spaces of one display, with the display's identifier and name.
    struct DisplayGroup {
        std::string id;
        std::string name;
        std::vector<SpaceInfo> spaces;

        bool operator==(const DisplayGroup&) const = default;
    };

    SpaceObserver(SpaceNameStore& nameStore, Platform& platform);
    ~SpaceObserver();
    SpaceObserver(const SpaceObserver&) = delete;
    SpaceObserver& operator=(const SpaceObserver&) = delete;

    // Logs the start line, registers for system events and the 5 s timer (once), and refreshes.
    void start();
    // Detects spaces, synchronises anchors and publishes whatever changed.
    void refresh();
    // One detection pass over every display.
    std::vector<SpaceInfo> detectSpaces() const;

    // Published state.
    const std::vector<SpaceInfo>& spaces() const { return spaces_.value(); }
    const std::optional<std::string>& currentSpaceID() const { return currentSpaceID_.value(); }
    const std::string& menuBarTitle() const { return menuBarTitle_.value(); }
    const std::set<std::string>& seededSpaceIDs() const { return anchors_.seededSpaceIDs(); }
    // Calls handler before every assignment of any published member.
    Subscription subscribe(std::function<void()> handler);
    // Announces every new menu-bar title before it is in place.
    Subscription subscribeMenuBarTitle(Published<std::string>::Handler handler) {
        return menuBarTitle_.subscribe(std::move(handler));
    }

    // Text of a space: its name (or default name) cut to 20 characters, the emoji before it if asked.
    std::string title(const SpaceInfo& space, bool includeEmoji) const;
    // Ordinary desktops and full-screen spaces, in detection order.
    std::vector<SpaceInfo> menuSpaces() const;
    // Ordinary desktops only, in detection order.
    std::vector<SpaceInfo> menuUserSpaces() const;
    // Groups spaces by display in order of first appearance, each group sorted for display.
    std::vector<DisplayGroup> grouped(const std::vector<SpaceInfo>& spaces) const;
    // Desktops first, then by desktop number, then by position; stable.
    static std::vector<SpaceInfo> ordered(std::vector<SpaceInfo> spaces);
    // The display's name, or nullopt.
    std::optional<std::string> displayName(const std::string& displayIdentifier) const;

    // Whether a menu row for the space can be acted on.
    bool canSwitch(const SpaceInfo& target) const;
    // Brings the space to the front (see SpaceSwitcher).
    void switchTo(const SpaceInfo& target);

    // What the debug settings request and the menu call to show the rename window.
    void setSettingsPresenter(std::function<void()> presenter);

    SpaceNameStore& nameStore() const { return nameStore_; }
    Platform& platform() const { return platform_; }
    const DisplayDirectory& displays() const { return displays_; }

private:
    // implementation-defined private members follow
};

} // namespace quillbar
