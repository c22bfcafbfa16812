// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/MenuBarIcon.h"

#include <QIcon>

#include <cstddef>
#include <list>
#include <utility>

namespace quillbar {

// The tray icons of the spaces shown lately, each with the pictures drawn for it so far: going
// back to a space shows its icon again without drawing it anew. Holds at most kCapacity icons,
// enough for every desktop of a large set-up.
class TrayIconCache {
public:
    static constexpr std::size_t kCapacity = 64;

    // The icon for content: the one handed out before when it is still held, else a new one.
    QIcon icon(const MenuBarIcon::Content& content);

private:
    std::list<std::pair<MenuBarIcon::Content, QIcon>> icons_; // the most recent first
};

} // namespace quillbar
