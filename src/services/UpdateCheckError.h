// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillbar {

// Why an update check ended without an answer.
struct UpdateCheckError {
    enum class Kind {
        Network,          // the server could not be reached or answered with an error
        Timeout,          // no complete answer within the time limit
        TooLarge,         // the feed exceeded the size limit
        InsecureRedirect, // the server sent the request to an address that is not allowed
        Malformed,        // the feed is not a readable update feed
    };

    Kind kind = Kind::Network;
    QString message; // one sentence for people, naming the cause
};

} // namespace quillbar
