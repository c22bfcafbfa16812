// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"

#include <cstddef>

namespace quillbar {

class KWinDisplays;
class KWinVirtualDesktops;
class KWinWindowMover;

// The window server on KWin: its virtual desktops are the spaces of the session's one display,
// each keyed by KWin's desktop id. Answers come from what KWin last said; nothing here waits on
// KWin.
class KWinWindowServer final : public WindowServer {
public:
    // Longer names are not asked for (KWin would keep them, and show them everywhere).
    static constexpr std::size_t kMaxNameBytes = 1024;

    KWinWindowServer(KWinVirtualDesktops& desktops, KWinDisplays& displays, KWinWindowMover& mover);

    // The one display with KWin's desktops; null while KWin is away.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Brings one of this process's windows to KWin's current desktop (the only space it is asked
    // for: there are no anchor windows) and activates it there.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // True: KWin's script activates the window it moved.
    bool placingActivates() const override { return true; }
    // Null: KWin lists no windows to other programs.
    nlohmann::json copyWindowList() override;
    // The active space, the display's current space, and showing and renaming a desktop through
    // KWin.
    SpaceServerAPI spaceServerAPI() override;
    // False: KWin never gives a deleted desktop's id to another, so a name whose desktop is gone
    // can go with it. (Overrides the window server's question once that is part of it.)
    bool spaceKeysRecur() const override { return false; }

private:
    KWinVirtualDesktops& desktops_;
    KWinDisplays& displays_;
    KWinWindowMover& mover_;
};

} // namespace quillbar
