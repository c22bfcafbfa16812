// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceClient.h"

#include "ext-workspace-v1-client.h"

#include <QObject>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace quillbar {

using Handle = ExtWorkspaceModel::Handle;

namespace {

constexpr std::uint32_t kOutputVersion = 4; // name and description

Handle handleOf(void* proxy) {
    return proxy ? wl_proxy_get_id(static_cast<wl_proxy*>(proxy)) : 0;
}

// Reads and dispatches what has arrived; false when the connection failed.
bool readAvailable(wl_display* display) {
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) {
            return false;
        }
    }
    if (wl_display_read_events(display) < 0) {
        return false;
    }
    if (wl_display_dispatch_pending(display) < 0) {
        return false;
    }
    wl_display_flush(display);
    return wl_display_get_error(display) == 0;
}

// Dispatches until *finished is set or the deadline passes; false on timeout or failure.
bool dispatchUntil(wl_display* display, const bool* finished, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!*finished) {
        while (wl_display_prepare_read(display) != 0) {
            wl_display_dispatch_pending(display);
        }
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&fd, 1, static_cast<int>(left.count())) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) {
            return false;
        }
    }
    return true;
}

struct Probe {
    bool offered = false;
    bool synced = false;
};

const wl_registry_listener kProbeRegistry = {
    [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
        if (std::strcmp(interface, ext_workspace_manager_v1_interface.name) == 0) {
            static_cast<Probe*>(data)->offered = true;
        }
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

const wl_callback_listener kProbeSync = {
    [](void* data, wl_callback*, std::uint32_t) { static_cast<Probe*>(data)->synced = true; },
};

} // namespace

// One connection: the display, its globals and every protocol object, destroyed together.
struct ExtWorkspaceClient::Session {
    Session(ExtWorkspaceModel& model, wl_display* display)
        : model(model)
        , display(display) {}
    ~Session();

    ExtWorkspaceModel& model;
    wl_display* display;
    wl_registry* registry = nullptr;
    ext_workspace_manager_v1* manager = nullptr;
    std::map<std::uint32_t, wl_output*> outputs; // by registry name
    std::map<Handle, ext_workspace_group_handle_v1*> groups;
    std::map<Handle, ext_workspace_handle_v1*> workspaces;
    std::unique_ptr<QSocketNotifier> notifier;
    bool ready = false;   // a "done" has come
    bool changed = false; // a "done" came in this batch
    bool finished = false;

    void bindGlobal(std::uint32_t name, const char* interface, std::uint32_t version);
    void removeGlobal(std::uint32_t name);
    void addGroup(ext_workspace_group_handle_v1* group);
    void addWorkspace(ext_workspace_handle_v1* workspace);
};

namespace {

using Session = ExtWorkspaceClient::Session;

Session& session(void* data) {
    return *static_cast<Session*>(data);
}

const wl_output_listener kOutput = {
    [](void* data, wl_output* output, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
       std::int32_t, const char* make, const char* model, std::int32_t) {
        session(data).model.outputMakeModel(handleOf(output), make ? make : "", model ? model : "");
    },
    [](void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {},
    [](void*, wl_output*) {},
    [](void*, wl_output*, std::int32_t) {},
    [](void* data, wl_output* output, const char* name) {
        session(data).model.outputName(handleOf(output), name ? name : "");
    },
    [](void* data, wl_output* output, const char* description) {
        session(data).model.outputDescription(handleOf(output), description ? description : "");
    },
};

const ext_workspace_group_handle_v1_listener kGroup = {
    [](void*, ext_workspace_group_handle_v1*, std::uint32_t) {},
    [](void* data, ext_workspace_group_handle_v1* group, wl_output* output) {
        session(data).model.groupOutputEnter(handleOf(group), handleOf(output));
    },
    [](void* data, ext_workspace_group_handle_v1* group, wl_output* output) {
        session(data).model.groupOutputLeave(handleOf(group), handleOf(output));
    },
    [](void* data, ext_workspace_group_handle_v1* group, ext_workspace_handle_v1* workspace) {
        session(data).model.groupWorkspaceEnter(handleOf(group), handleOf(workspace));
    },
    [](void* data, ext_workspace_group_handle_v1* group, ext_workspace_handle_v1* workspace) {
        session(data).model.groupWorkspaceLeave(handleOf(group), handleOf(workspace));
    },
    [](void* data, ext_workspace_group_handle_v1* group) {
        Session& s = session(data);
        s.model.removeGroup(handleOf(group));
        s.groups.erase(handleOf(group));
        ext_workspace_group_handle_v1_destroy(group);
    },
};

std::vector<std::uint32_t> coordinates(const wl_array* array) {
    std::vector<std::uint32_t> values;
    if (!array || !array->data) {
        return values;
    }
    const std::size_t count =
        std::min(array->size / sizeof(std::uint32_t), ExtWorkspaceModel::kMaxCoordinates);
    values.resize(count);
    std::memcpy(values.data(), array->data, count * sizeof(std::uint32_t));
    return values;
}

const ext_workspace_handle_v1_listener kWorkspace = {
    [](void* data, ext_workspace_handle_v1* workspace, const char* id) {
        session(data).model.workspaceID(handleOf(workspace), id ? id : "");
    },
    [](void* data, ext_workspace_handle_v1* workspace, const char* name) {
        session(data).model.workspaceName(handleOf(workspace), name ? name : "");
    },
    [](void* data, ext_workspace_handle_v1* workspace, wl_array* array) {
        session(data).model.workspaceCoordinates(handleOf(workspace), coordinates(array));
    },
    [](void* data, ext_workspace_handle_v1* workspace, std::uint32_t state) {
        session(data).model.workspaceState(handleOf(workspace), state);
    },
    [](void* data, ext_workspace_handle_v1* workspace, std::uint32_t capabilities) {
        session(data).model.workspaceCapabilities(handleOf(workspace), capabilities);
    },
    [](void* data, ext_workspace_handle_v1* workspace) {
        Session& s = session(data);
        s.model.removeWorkspace(handleOf(workspace));
        s.workspaces.erase(handleOf(workspace));
        ext_workspace_handle_v1_destroy(workspace);
    },
};

const ext_workspace_manager_v1_listener kManager = {
    [](void* data, ext_workspace_manager_v1*, ext_workspace_group_handle_v1* group) {
        session(data).addGroup(group);
    },
    [](void* data, ext_workspace_manager_v1*, ext_workspace_handle_v1* workspace) {
        session(data).addWorkspace(workspace);
    },
    [](void* data, ext_workspace_manager_v1*) {
        session(data).ready = true;
        session(data).changed = true;
    },
    [](void* data, ext_workspace_manager_v1* manager) {
        Session& s = session(data);
        ext_workspace_manager_v1_destroy(manager);
        s.manager = nullptr;
        s.finished = true;
    },
};

const wl_registry_listener kRegistry = {
    [](void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
        session(data).bindGlobal(name, interface, version);
    },
    [](void* data, wl_registry*, std::uint32_t name) { session(data).removeGlobal(name); },
};

} // namespace

void Session::bindGlobal(std::uint32_t name, const char* interface, std::uint32_t version) {
    if (std::strcmp(interface, ext_workspace_manager_v1_interface.name) == 0 && !manager) {
        manager = static_cast<ext_workspace_manager_v1*>(
            wl_registry_bind(registry, name, &ext_workspace_manager_v1_interface, 1));
        ext_workspace_manager_v1_add_listener(manager, &kManager, this);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 &&
               outputs.size() < ExtWorkspaceModel::kMaxOutputs && !outputs.contains(name)) {
        auto* output = static_cast<wl_output*>(wl_registry_bind(
            registry, name, &wl_output_interface, std::min(version, kOutputVersion)));
        if (!model.addOutput(handleOf(output))) {
            wl_output_destroy(output);
            return;
        }
        wl_output_add_listener(output, &kOutput, this);
        outputs[name] = output;
    }
}

void Session::removeGlobal(std::uint32_t name) {
    const auto found = outputs.find(name);
    if (found == outputs.end()) {
        return;
    }
    model.removeOutput(handleOf(found->second));
    if (wl_output_get_version(found->second) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(found->second);
    } else {
        wl_output_destroy(found->second);
    }
    outputs.erase(found);
}

void Session::addGroup(ext_workspace_group_handle_v1* group) {
    if (!group) {
        return;
    }
    if (!model.addGroup(handleOf(group))) {
        ext_workspace_group_handle_v1_destroy(group); // past the bound: nothing more of it
        return;
    }
    ext_workspace_group_handle_v1_add_listener(group, &kGroup, this);
    groups[handleOf(group)] = group;
}

void Session::addWorkspace(ext_workspace_handle_v1* workspace) {
    if (!workspace) {
        return;
    }
    if (!model.addWorkspace(handleOf(workspace))) {
        ext_workspace_handle_v1_destroy(workspace);
        return;
    }
    ext_workspace_handle_v1_add_listener(workspace, &kWorkspace, this);
    workspaces[handleOf(workspace)] = workspace;
}

Session::~Session() {
    if (notifier) {
        // It may be the one whose signal is running: it goes on a later turn.
        notifier->setEnabled(false);
        QObject::disconnect(notifier.get(), nullptr, nullptr, nullptr);
        notifier.release()->deleteLater();
    }
    for (const auto& [handle, workspace] : workspaces) {
        ext_workspace_handle_v1_destroy(workspace);
    }
    for (const auto& [handle, group] : groups) {
        ext_workspace_group_handle_v1_destroy(group);
    }
    for (const auto& [name, output] : outputs) {
        wl_output_destroy(output);
    }
    if (manager) {
        ext_workspace_manager_v1_destroy(manager);
    }
    if (registry) {
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
}

bool ExtWorkspaceClient::offered(const std::string& display, std::string& why) {
    wl_display* connection = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!connection) {
        why = "cannot connect to the Wayland display";
        return false;
    }
    Probe probe;
    wl_registry* registry = wl_display_get_registry(connection);
    wl_registry_add_listener(registry, &kProbeRegistry, &probe);
    wl_callback* sync = wl_display_sync(connection);
    wl_callback_add_listener(sync, &kProbeSync, &probe);
    const bool answered = dispatchUntil(connection, &probe.synced, kProbeTimeout);
    wl_callback_destroy(sync);
    wl_registry_destroy(registry);
    wl_display_disconnect(connection);
    if (!answered) {
        why = "the compositor did not list its globals within 500 ms";
    } else if (!probe.offered) {
        why = "the compositor offers no ext_workspace_manager_v1";
    }
    return answered && probe.offered;
}

ExtWorkspaceClient::ExtWorkspaceClient(MainQueue& mainQueue, LogSink& log, std::string display,
                                       std::function<void()> onChange)
    : mainQueue_(mainQueue)
    , log_(log)
    , display_(std::move(display))
    , onChange_(std::move(onChange)) {}

ExtWorkspaceClient::~ExtWorkspaceClient() = default;

void ExtWorkspaceClient::start() {
    connectNow();
}

bool ExtWorkspaceClient::ready() const {
    return session_ && session_->ready;
}

const ExtWorkspaceModel& ExtWorkspaceClient::model() const {
    return model_;
}

void ExtWorkspaceClient::connectNow() {
    wl_display* display = wl_display_connect(display_.empty() ? nullptr : display_.c_str());
    if (!display) {
        scheduleReconnect();
        return;
    }
    session_ = std::make_unique<Session>(model_, display);
    session_->registry = wl_display_get_registry(display);
    wl_registry_add_listener(session_->registry, &kRegistry, session_.get());
    wl_display_flush(display);
    session_->notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(session_->notifier.get(), &QSocketNotifier::activated,
                     session_->notifier.get(), [this] {
                         Session& s = *session_;
                         if (!readAvailable(s.display)) {
                             lost("the connection closed");
                         } else if (s.finished) {
                             lost("the compositor stopped the workspace manager");
                         } else if (std::exchange(s.changed, false)) {
                             backoff_.reset();
                             onChange_();
                         }
                     });
}

void ExtWorkspaceClient::lost(const std::string& why) {
    log_.log(LogLevel::Default, "Lost the compositor's workspaces (" + why + "); reconnecting");
    session_.reset();
    model_.clear();
    onChange_();
    scheduleReconnect();
}

void ExtWorkspaceClient::scheduleReconnect() {
    if (reconnectScheduled_) {
        return;
    }
    reconnectScheduled_ = true;
    mainQueue_.after(backoff_.next(), [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) {
            return;
        }
        reconnectScheduled_ = false;
        if (!session_) {
            connectNow();
        }
    });
}

void ExtWorkspaceClient::activate(Handle workspace) {
    if (!session_ || !session_->manager) {
        return;
    }
    const auto found = session_->workspaces.find(workspace);
    if (found == session_->workspaces.end()) {
        return;
    }
    ext_workspace_handle_v1_activate(found->second);
    ext_workspace_manager_v1_commit(session_->manager);
    wl_display_flush(session_->display);
}

} // namespace quillbar
