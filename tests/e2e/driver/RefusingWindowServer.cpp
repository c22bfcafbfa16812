#include "RefusingWindowServer.h"

namespace quillbar::e2e {

RefusingWindowServer::RefusingWindowServer(WindowServer& real, std::set<std::int64_t> refusedSpaces)
    : real_(real)
    , refused_(std::move(refusedSpaces)) {}

void RefusingWindowServer::addWindowsToSpaces(std::int64_t windowNumber,
                                              std::int64_t managedSpaceID) {
    if (!refused_.contains(managedSpaceID)) {
        real_.addWindowsToSpaces(windowNumber, managedSpaceID);
    }
}

} // namespace quillbar::e2e
