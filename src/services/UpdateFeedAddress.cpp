#include "services/UpdateFeedAddress.h"

#include <QHostAddress>

namespace quillbar {

namespace {

bool isLoopback(const QString& host) {
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
        host.compare(u"localhost.", Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
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
