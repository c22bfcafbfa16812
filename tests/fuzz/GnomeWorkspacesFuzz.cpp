// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell's workspaces as lines: the active index (unreadable is 0), then one name each. The
// answers stay bounded, well-formed and consistent.
#include "FuzzCheck.h"
#include "platform/gnome/GnomeWorkspaceTable.h"

using quillbar::GnomeWorkspaceTable;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> names = fuzzLines(data, size);
    const auto active = static_cast<std::uint32_t>(
        names.empty() ? 0 : std::strtoul(names.front().c_str(), nullptr, 10));
    if (!names.empty()) {
        names.erase(names.begin());
    }

    GnomeWorkspaceTable table;
    table.setWorkspaces(names, active);
    FUZZ_CHECK(table.names().size() <= GnomeWorkspaceTable::kMaxWorkspaces);
    FUZZ_CHECK(table.names().size() == std::min(names.size(), GnomeWorkspaceTable::kMaxWorkspaces));

    const auto answer = table.managedDisplaySpaces("D");
    const std::string text = answer.dump(); // throws on ill-formed UTF-8
    FUZZ_CHECK(!text.empty());
    const auto& spaces = answer.at(0).at("Spaces");
    FUZZ_CHECK(spaces.size() == table.names().size());
    for (std::size_t i = 0; i < spaces.size(); ++i) {
        const auto managed = spaces[i].at("ManagedSpaceID").get<std::int64_t>();
        FUZZ_CHECK(table.workspaceIndex(managed) == i);
        FUZZ_CHECK(!spaces[i].contains("Name") || spaces[i].at("Name").get<std::string>().size() <=
                                                      GnomeWorkspaceTable::kMaxNameBytes);
    }
    FUZZ_CHECK(!table.workspaceIndex(static_cast<std::int64_t>(spaces.size()) + 1));
    FUZZ_CHECK(table.activeSpace() == 0 ? !table.active()
                                        : table.workspaceIndex(table.activeSpace()) == active);
    return 0;
}
