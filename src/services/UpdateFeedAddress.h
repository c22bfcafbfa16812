// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

namespace quillbar {

// Which addresses the updater may fetch a feed from, and which it may hand to the browser.
namespace UpdateFeedAddress {

// True for https addresses with a host, and for http or https addresses on this machine's
// loopback (localhost, 127.0.0.0/8, ::1); false for everything else.
bool isAllowed(const QUrl& url);

} // namespace UpdateFeedAddress

} // namespace quillbar
