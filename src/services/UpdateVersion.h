// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

namespace quillbar {

// Ordering of the version texts found in update feeds and in the running build.
namespace UpdateVersion {

// Negative when a is older than b, zero when equal, positive when newer. Dot-separated
// components compare as numbers (1.10 is newer than 1.9); missing components count as 0
// (1.2 equals 1.2.0); a component with text after its digits ranks just below the bare number
// (1.2b1 is older than 1.2) and such texts compare among themselves as text.
int compare(QStringView a, QStringView b);

} // namespace UpdateVersion

} // namespace quillbar
