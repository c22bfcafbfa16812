#pragma once

#include "platform/WindowServer.h"

#include <cstdint>
#include <set>

namespace quillbar::e2e {

// Passes everything to the real window server except requests to put windows on the refused
// spaces, which it drops: those spaces get no anchor until they are visited, so tests can reach the
// keystroke fallback on purpose.
class RefusingWindowServer final : public WindowServer {
public:
    RefusingWindowServer(WindowServer& real, std::set<std::int64_t> refusedSpaces);

    nlohmann::json copyManagedDisplaySpaces() override { return real_.copyManagedDisplaySpaces(); }
    // Drops the request when managedSpaceID is refused.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    nlohmann::json copyWindowList() override { return real_.copyWindowList(); }
    SpaceServerAPI spaceServerAPI() override { return real_.spaceServerAPI(); }

private:
    WindowServer& real_;
    std::set<std::int64_t> refused_;
};

} // namespace quillbar::e2e
