#include "platform/i3ipc/I3IpcWorkspace.h"

#include <unistd.h>

namespace quillbar {

std::int32_t I3IpcWorkspace::ownProcessIdentifier() {
    return static_cast<std::int32_t>(::getpid());
}

} // namespace quillbar
