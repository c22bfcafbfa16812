#include "platform/kwin/KWinWorkspace.h"

#include <unistd.h>

namespace quillbar {

std::int32_t KWinWorkspace::ownProcessIdentifier() {
    return static_cast<std::int32_t>(::getpid());
}

} // namespace quillbar
