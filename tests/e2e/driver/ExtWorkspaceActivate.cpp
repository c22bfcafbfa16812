// SPDX-License-Identifier: GPL-3.0-or-later
// Another ext-workspace client, for the end-to-end tests: activates the workspace with the name
// given (activate + commit) on WAYLAND_DISPLAY, as a pager would. Exits 1 when there is none.
//   quillbar-extws-activate NAME
#include "ext-workspace-v1-client.h"

#include <cstdint>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct State {
    ext_workspace_manager_v1* manager = nullptr;
    std::vector<std::pair<ext_workspace_handle_v1*, std::string>> workspaces;
};

const ext_workspace_handle_v1_listener kWorkspace = {
    [](void*, ext_workspace_handle_v1*, const char*) {},
    [](void* data, ext_workspace_handle_v1* workspace, const char* name) {
        for (auto& entry : static_cast<State*>(data)->workspaces) {
            if (entry.first == workspace) {
                entry.second = name;
            }
        }
    },
    [](void*, ext_workspace_handle_v1*, wl_array*) {},
    [](void*, ext_workspace_handle_v1*, std::uint32_t) {},
    [](void*, ext_workspace_handle_v1*, std::uint32_t) {},
    [](void*, ext_workspace_handle_v1*) {},
};

const ext_workspace_manager_v1_listener kManager = {
    [](void*, ext_workspace_manager_v1*, ext_workspace_group_handle_v1*) {},
    [](void* data, ext_workspace_manager_v1*, ext_workspace_handle_v1* workspace) {
        auto* state = static_cast<State*>(data);
        state->workspaces.emplace_back(workspace, "");
        ext_workspace_handle_v1_add_listener(workspace, &kWorkspace, state);
    },
    [](void*, ext_workspace_manager_v1*) {},
    [](void*, ext_workspace_manager_v1*) {},
};

const wl_registry_listener kRegistry = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
       std::uint32_t) {
        if (std::strcmp(interface, ext_workspace_manager_v1_interface.name) == 0) {
            auto* state = static_cast<State*>(data);
            state->manager = static_cast<ext_workspace_manager_v1*>(
                wl_registry_bind(registry, name, &ext_workspace_manager_v1_interface, 1));
            ext_workspace_manager_v1_add_listener(state->manager, &kManager, state);
        }
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillbar-extws-activate NAME\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    State state;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &state);
    wl_display_roundtrip(display); // the globals
    wl_display_roundtrip(display); // the manager's objects
    wl_display_roundtrip(display); // their names
    for (const auto& [workspace, name] : state.workspaces) {
        if (name == argv[1] && state.manager) {
            ext_workspace_handle_v1_activate(workspace);
            ext_workspace_manager_v1_commit(state.manager);
            wl_display_roundtrip(display);
            wl_display_disconnect(display);
            return 0;
        }
    }
    std::fprintf(stderr, "no workspace named %s\n", argv[1]);
    wl_display_disconnect(display);
    return 1;
}
