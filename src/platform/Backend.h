// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

namespace quillbar {

// A connected backend: owns everything its Platform is made of, for as long as it lives.
class Backend {
public:
    virtual ~Backend() = default;

    // The platform interfaces for the core.
    virtual Platform& platform() = 0;
};

} // namespace quillbar
