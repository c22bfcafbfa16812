// Placeholder bodies; the switching logic replaces them.
#include "switching/SpaceSwitcher.h"

#include "observer/SpaceObserver.h"

namespace quillbar {

SpaceSwitcher::SpaceSwitcher(SpaceObserver& observer, AnchorKeeper& anchors, Platform& platform)
    : observer_(observer), anchors_(anchors), platform_(platform) {}

SpaceSwitcher::~SpaceSwitcher() = default;

bool SpaceSwitcher::canSwitch(const SpaceInfo&) const { return false; }

void SpaceSwitcher::switchTo(const SpaceInfo&) {}

} // namespace quillbar
