// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace quillbar {

// Quillbar's own icon, for its windows.
namespace AppIcon {

// The icon theme's "quillbar" (the installed icon), else the copy built into the program.
QIcon icon();

} // namespace AppIcon

} // namespace quillbar
