// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <memory>

namespace quillbar {

// An xcb reply (or other malloc'ed block) that frees itself.
template <typename T> using X11Reply = std::unique_ptr<T, decltype(&std::free)>;

// Takes ownership of a reply; null stays null.
template <typename T> X11Reply<T> ownReply(T* reply) {
    return X11Reply<T>(reply, &std::free);
}

} // namespace quillbar
