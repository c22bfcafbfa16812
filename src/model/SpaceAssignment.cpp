// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SpaceAssignment.h"

namespace quillbar {

bool SpaceAssignment::isEmpty() const {
    return name.empty() && emoji.empty();
}

} // namespace quillbar
