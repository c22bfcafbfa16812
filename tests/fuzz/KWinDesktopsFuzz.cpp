// SPDX-License-Identifier: GPL-3.0-or-later
// KWin's desktop list as lines: the current id, then "position<TAB>id<TAB>name" each (an
// unreadable position is 0). The answers stay bounded, well-formed and consistent.
#include "FuzzCheck.h"
#include "platform/kwin/KWinDesktopTable.h"

#include <map>
#include <set>

using quillbar::KWinDesktopTable;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = fuzzLines(data, size);
    const std::string current = lines.empty() ? std::string() : lines.front();
    std::vector<KWinDesktopTable::Desktop> sent;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::string position, id, name;
        std::getline(fields, position, '\t');
        std::getline(fields, id, '\t');
        std::getline(fields, name);
        sent.push_back({std::strtoll(position.c_str(), nullptr, 10), id, name});
    }

    KWinDesktopTable table;
    table.setDesktops(sent, current);
    // Twice, the second time reversed: numbers must stay with their ids.
    std::map<std::string, std::int64_t> numbers;
    for (const auto& desktop : table.desktops()) {
        numbers[desktop.id] = table.managedSpaceID(desktop.id);
    }
    std::vector<KWinDesktopTable::Desktop> reversed(sent.rbegin(), sent.rend());
    table.setDesktops(reversed, current);
    for (const auto& desktop : table.desktops()) {
        const auto before = numbers.find(desktop.id);
        FUZZ_CHECK(before == numbers.end() || before->second == table.managedSpaceID(desktop.id));
    }

    const auto answer = table.managedDisplaySpaces("D");
    const std::string text = answer.dump(); // throws on ill-formed UTF-8
    FUZZ_CHECK(!text.empty());
    const auto& spaces = answer.at(0).at("Spaces");
    FUZZ_CHECK(spaces.size() <= KWinDesktopTable::kMaxDesktops);
    std::set<std::string> seen;
    for (const auto& space : spaces) {
        const std::string id = space.at("uuid").get<std::string>();
        FUZZ_CHECK(!id.empty() && seen.insert(id).second);
        FUZZ_CHECK(table.desktopID(space.at("ManagedSpaceID").get<std::int64_t>()) == id);
        FUZZ_CHECK(space.at("Name").get<std::string>().size() <= KWinDesktopTable::kMaxNameBytes);
    }
    FUZZ_CHECK(table.activeSpace() == 0 || table.desktopID(table.activeSpace()) == table.current());
    return 0;
}
