// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/PrimaryScreenDisplays.h"

namespace quillbar {

// KWin's desktops span every output, so the session is one display, named after the primary
// screen (after KWin without one).
class KWinDisplays final : public PrimaryScreenDisplays {
public:
    KWinDisplays()
        : PrimaryScreenDisplays(QStringLiteral("kwin:"), QStringLiteral("KWin")) {}
};

} // namespace quillbar
