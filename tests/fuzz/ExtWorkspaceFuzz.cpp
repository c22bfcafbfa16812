// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the translation of ext-workspace-v1 and wl_output events into the core's answers. The
// input is a sequence of events: one byte picks the event, the next the object's handle (and for
// membership events one more the other object's), then texts as a length byte and that many
// bytes. The answers must stay bounded, well-formed and consistent.
#include "FuzzCheck.h"
#include "platform/WindowServer.h"
#include "platform/extworkspace/ExtWorkspaceModel.h"

namespace {

using quillbar::ExtWorkspaceModel;
using quillbar::WindowServer;

void apply(ExtWorkspaceModel& model, FuzzInput& in) {
    const std::uint8_t event = in.byte();
    const ExtWorkspaceModel::Handle a = in.byte();
    switch (event % 18) {
    case 0:
        model.addGroup(a);
        break;
    case 1:
        model.addWorkspace(a);
        break;
    case 2:
        model.removeGroup(a);
        break;
    case 3:
        model.removeWorkspace(a);
        break;
    case 4:
        model.groupOutputEnter(a, in.byte());
        break;
    case 5:
        model.groupOutputLeave(a, in.byte());
        break;
    case 6:
        model.groupWorkspaceEnter(a, in.byte());
        break;
    case 7:
        model.groupWorkspaceLeave(a, in.byte());
        break;
    case 8:
        model.workspaceID(a, in.text());
        break;
    case 9:
        model.workspaceName(a, in.text());
        break;
    case 10: {
        std::vector<std::uint32_t> coordinates(in.byte() % 12);
        for (auto& c : coordinates) {
            c = in.byte() % 4;
        }
        model.workspaceCoordinates(a, std::move(coordinates));
        break;
    }
    case 11:
        model.workspaceState(a, in.byte());
        break;
    case 12:
        model.workspaceCapabilities(a, in.byte());
        break;
    case 13:
        model.addOutput(a);
        break;
    case 14:
        model.removeOutput(a);
        break;
    case 15:
        model.outputName(a, in.text());
        break;
    case 16:
        model.outputMakeModel(a, in.text(), in.text());
        break;
    default:
        model.outputDescription(a, in.text());
        break;
    }
}

void check(const ExtWorkspaceModel& model) {
    FUZZ_CHECK(model.groupCount() <= ExtWorkspaceModel::kMaxGroups);
    FUZZ_CHECK(model.workspaceCount() <= ExtWorkspaceModel::kMaxWorkspaces);
    const auto answer = model.managedDisplaySpaces();
    FUZZ_CHECK(!answer.dump().empty()); // throws on ill-formed UTF-8
    const auto displays = model.displays();
    FUZZ_CHECK(answer.size() == displays.size());
    FUZZ_CHECK(displays.empty() || model.currentDisplay() < displays.size());
    for (std::size_t i = 0; i < displays.size(); ++i) {
        FUZZ_CHECK(answer[i].at(WindowServer::kDisplayIdentifier) == displays[i].identifier);
        const auto& spaces = answer[i].at(WindowServer::kSpaces);
        FUZZ_CHECK(spaces.size() <= ExtWorkspaceModel::kMaxWorkspacesPerGroup);
        for (const auto& space : spaces) {
            if (space.contains(WindowServer::kManagedSpaceID)) {
                FUZZ_CHECK(model.activatableWorkspace(
                    space.at(WindowServer::kManagedSpaceID).get<std::int64_t>()));
            }
            FUZZ_CHECK(!space.contains(WindowServer::kSpaceName) ||
                       space.at(WindowServer::kSpaceName).get<std::string>().size() <=
                           ExtWorkspaceModel::kMaxNameBytes);
        }
        const std::int64_t current = model.displayCurrentSpace(displays[i].identifier);
        FUZZ_CHECK(current == 0 || model.activatableWorkspace(current));
    }
    FUZZ_CHECK(model.activeSpace() == 0 || model.activatableWorkspace(model.activeSpace()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExtWorkspaceModel model;
    FuzzInput in{data, size};
    while (in.size > 0) {
        apply(model, in);
    }
    check(model);
    model.clear();
    check(model);
    return 0;
}
