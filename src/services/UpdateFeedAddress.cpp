// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/UpdateFeedAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace quillbar {

namespace {

bool isLoopback(const QString& host) {
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
        host.compare(u"localhost.", Qt::CaseInsensitive) == 0) {
        return true;
    }
    // QUrl has already brought an address to its canonical form (IPv6 without brackets).
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127; // 127.0.0.0/8
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1) {
        return IN6_IS_ADDR_LOOPBACK(&v6) ||
               (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127); // ::ffff:127.0.0.0/104
    }
    return false;
}

} // namespace

bool UpdateFeedAddress::isAllowed(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https") {
        return true;
    }
    return scheme == u"http" && isLoopback(url.host());
}

} // namespace quillbar
