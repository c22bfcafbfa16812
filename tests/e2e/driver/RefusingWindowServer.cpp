#include "RefusingWindowServer.h"

namespace quillbar::e2e {

RefusingWindowServer::RefusingWindowServer(WindowServer& real, std::int64_t refusedSpace)
    : real_(real)
    , refused_(refusedSpace) {}

void RefusingWindowServer::addWindowsToSpaces(std::int64_t windowNumber,
                                              std::int64_t managedSpaceID) {
    if (managedSpaceID != refused_) {
        real_.addWindowsToSpaces(windowNumber, managedSpaceID);
    }
}

} // namespace quillbar::e2e
