#pragma once

#include "platform/WindowServer.h"

#include <cstdint>

namespace quillbar::e2e {

// Passes everything to the real window server but drops requests to put windows on the refused
// space: it gets no anchor until it is visited, so tests can reach the keystroke fallback.
class RefusingWindowServer final : public WindowServer {
public:
    RefusingWindowServer(WindowServer& real, std::int64_t refusedSpace);

    nlohmann::json copyManagedDisplaySpaces() override { return real_.copyManagedDisplaySpaces(); }
    // Drops the request when managedSpaceID is refused.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    nlohmann::json copyWindowList() override { return real_.copyWindowList(); }
    SpaceServerAPI spaceServerAPI() override { return real_.spaceServerAPI(); }
    bool spaceKeysRecur() const override { return real_.spaceKeysRecur(); }

private:
    WindowServer& real_;
    std::int64_t refused_;
};

} // namespace quillbar::e2e
