// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

namespace quillbar::AppIcon {

QIcon icon() {
    return QIcon::fromTheme(QStringLiteral("quillbar"),
                            QIcon(QStringLiteral(":/quillbar/quillbar.png")));
}

} // namespace quillbar::AppIcon
