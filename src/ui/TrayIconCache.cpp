// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TrayIconCache.h"

#include <algorithm>

namespace quillbar {

QIcon TrayIconCache::icon(const MenuBarIcon::Content& content) {
    const auto found = std::find_if(icons_.begin(), icons_.end(),
                                    [&](const auto& entry) { return entry.first == content; });
    if (found != icons_.end()) {
        icons_.splice(icons_.begin(), icons_, found);
    } else {
        icons_.emplace_front(content, MenuBarIcon::icon(content));
        if (icons_.size() > kCapacity) {
            icons_.pop_back();
        }
    }
    return icons_.front().second;
}

} // namespace quillbar
