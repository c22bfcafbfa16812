// SPDX-License-Identifier: GPL-3.0-or-later
// ext-workspace-v1 and wl_output events as a byte stream: an event byte, a handle byte (a second
// one for membership), texts as FuzzInput::text(). The answers stay bounded and consistent.
#include "FuzzCheck.h"
#include "platform/WindowServer.h"
#include "platform/extworkspace/ExtWorkspaceModel.h"

namespace {

using quillbar::WindowServer;
using Model = quillbar::ExtWorkspaceModel;
using Handle = Model::Handle;

// One entry per event, picked by the event byte modulo their count.
constexpr void (*kEvents[])(Model&, Handle, FuzzInput&) = {
    [](Model& m, Handle a, FuzzInput&) { m.addGroup(a); },
    [](Model& m, Handle a, FuzzInput&) { m.addWorkspace(a); },
    [](Model& m, Handle a, FuzzInput&) { m.removeGroup(a); },
    [](Model& m, Handle a, FuzzInput&) { m.removeWorkspace(a); },
    [](Model& m, Handle a, FuzzInput& in) { m.groupOutputEnter(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput& in) { m.groupOutputLeave(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput& in) { m.groupWorkspaceEnter(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput& in) { m.groupWorkspaceLeave(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput& in) { m.workspaceID(a, in.text()); },
    [](Model& m, Handle a, FuzzInput& in) { m.workspaceName(a, in.text()); },
    [](Model& m, Handle a, FuzzInput& in) {
        std::vector<std::uint32_t> coordinates(in.byte() % 12);
        for (auto& c : coordinates) {
            c = in.byte() % 4;
        }
        m.workspaceCoordinates(a, std::move(coordinates));
    },
    [](Model& m, Handle a, FuzzInput& in) { m.workspaceState(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput& in) { m.workspaceCapabilities(a, in.byte()); },
    [](Model& m, Handle a, FuzzInput&) { m.addOutput(a); },
    [](Model& m, Handle a, FuzzInput&) { m.removeOutput(a); },
    [](Model& m, Handle a, FuzzInput& in) { m.outputName(a, in.text()); },
    [](Model& m, Handle a, FuzzInput& in) { m.outputMakeModel(a, in.text(), in.text()); },
    [](Model& m, Handle a, FuzzInput& in) { m.outputDescription(a, in.text()); },
};

void check(const Model& model) {
    FUZZ_CHECK(model.groupCount() <= Model::kMaxGroups);
    FUZZ_CHECK(model.workspaceCount() <= Model::kMaxWorkspaces);
    const auto answer = model.managedDisplaySpaces();
    FUZZ_CHECK(!answer.dump().empty()); // throws on ill-formed UTF-8
    const auto displays = model.displays();
    FUZZ_CHECK(answer.size() == displays.size());
    FUZZ_CHECK(displays.empty() || model.currentDisplay() < displays.size());
    for (std::size_t i = 0; i < displays.size(); ++i) {
        FUZZ_CHECK(answer[i].at(WindowServer::kDisplayIdentifier) == displays[i].identifier);
        const auto& spaces = answer[i].at(WindowServer::kSpaces);
        FUZZ_CHECK(spaces.size() <= Model::kMaxWorkspacesPerGroup);
        for (const auto& space : spaces) {
            if (space.contains(WindowServer::kManagedSpaceID)) {
                FUZZ_CHECK(model.activatableWorkspace(
                    space.at(WindowServer::kManagedSpaceID).get<std::int64_t>()));
            }
            FUZZ_CHECK(!space.contains(WindowServer::kSpaceName) ||
                       space.at(WindowServer::kSpaceName).get<std::string>().size() <=
                           Model::kMaxNameBytes);
        }
        const std::int64_t current = model.displayCurrentSpace(displays[i].identifier);
        FUZZ_CHECK(current == 0 || model.activatableWorkspace(current));
    }
    FUZZ_CHECK(model.activeSpace() == 0 || model.activatableWorkspace(model.activeSpace()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Model model;
    FuzzInput in{data, size};
    while (in.size > 0) {
        const std::uint8_t event = in.byte();
        const Handle a = in.byte();
        kEvents[event % std::size(kEvents)](model, a, in);
    }
    check(model);
    model.clear();
    check(model);
    return 0;
}
