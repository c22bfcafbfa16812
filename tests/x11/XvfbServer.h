// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>

namespace quillbar::test {

// A private X server (Xvfb) for the life of the object, on a display number it picks itself.
class XvfbServer {
public:
    // Starts the server and waits until it accepts connections; displayName() is empty when it
    // could not start.
    XvfbServer();
    // Stops the server and waits for it to exit.
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // The display to connect to, such as ":3".
    const std::string& displayName() const { return displayName_; }

private:
    pid_t pid_ = -1;
    std::string displayName_;
};

} // namespace quillbar::test
