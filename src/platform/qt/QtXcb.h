#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace quillbar {

// Qt's own X connection, for requests that must reach the server on Qt's side (a window of Qt's,
// Qt's event mask). Qt's event thread reads that connection, so a reply is picked up when it has
// arrived, never waited for.
class QtXcb {
public:
    // A reply that frees itself.
    template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

    // Qt's connection when this is a GUI application on X11; null otherwise (no GUI, offscreen,
    // Wayland).
    static xcb_connection_t* connection();
    // The reply to request once it has arrived (empty inside when the request failed), or nothing
    // yet; request is cleared once answered.
    template <typename T>
    static std::optional<Reply<T>> takeReply(xcb_connection_t* connection,
                                             std::optional<unsigned int>& request) {
        void* reply = nullptr;
        if (!request || !poll(connection, *request, &reply)) {
            return std::nullopt;
        }
        request.reset();
        return Reply<T>(static_cast<T*>(reply), &std::free);
    }

private:
    static bool poll(xcb_connection_t* connection, unsigned int request, void** reply);
};

} // namespace quillbar
