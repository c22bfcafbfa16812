// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the translation of KWin's desktop list into the core's answers. The input is lines: the
// first is the current desktop's id, each further one "position<TAB>id<TAB>name" (an unreadable
// position counts as 0). The answers must stay bounded, well-formed and consistent.
#include "FuzzCheck.h"
#include "platform/kwin/KWinDesktopTable.h"

#include <map>
#include <set>

namespace {

using quillbar::KWinDesktopTable;

KWinDesktopTable::Desktop desktopFrom(const std::string& line) {
    KWinDesktopTable::Desktop desktop;
    const auto firstTab = line.find('\t');
    const auto secondTab = firstTab == std::string::npos ? firstTab : line.find('\t', firstTab + 1);
    desktop.position = std::strtoll(line.substr(0, firstTab).c_str(), nullptr, 10);
    if (firstTab != std::string::npos) {
        desktop.id = line.substr(firstTab + 1, secondTab - firstTab - 1);
    }
    if (secondTab != std::string::npos) {
        desktop.name = line.substr(secondTab + 1);
    }
    return desktop;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = fuzzLines(data, size);
    const std::string current = lines.empty() ? std::string() : lines.front();
    std::vector<KWinDesktopTable::Desktop> sent;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        sent.push_back(desktopFrom(lines[i]));
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
