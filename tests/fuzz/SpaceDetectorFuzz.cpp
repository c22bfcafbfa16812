// SPDX-License-Identifier: GPL-3.0-or-later
// Space detection on any answer: JSON {"displays", "windows", "activeSpace", "displayCurrent"}, or
// any other value as the displays answer itself. Nesting stops at 16 (the backends use 4).
#include "FakePlatform.h"
#include "FuzzCheck.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceDetector.h"

using nlohmann::json;

namespace {

constexpr int kMaxDepth = 16;

std::int64_t integer(const json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

void script(quillbar::test::FakePlatform& fake, json answer) {
    auto& server = fake.windowServer;
    if (!answer.is_object() || !answer.contains("displays")) {
        server.managedDisplaySpaces = std::move(answer);
        return;
    }
    server.managedDisplaySpaces = answer["displays"];
    server.windowList = answer.value("windows", json());
    server.activeSpaceAnswer = integer(answer, "activeSpace");
    if (const auto current = answer.find("displayCurrent"); current != answer.end()) {
        for (const auto& [display, id] : current->items()) {
            server.displayCurrentAnswers[display] =
                id.is_number_integer() ? id.get<std::int64_t>() : 0;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto shallow = [](int depth, json::parse_event_t, json&) { return depth <= kMaxDepth; };
    json answer = json::parse(data, data + size, shallow, /*allow_exceptions=*/false);
    if (answer.is_discarded()) {
        return 0;
    }
    quillbar::test::FakePlatform fake;
    fake.displays.addDisplay(1, "MAIN", quillbar::Rect{0, 0, 1000, 800}, "Main");
    fake.displays.addDisplay(2, "SIDE", quillbar::Rect{1000, 0, 1000, 800}, "Side");
    fake.workspace.frontmost = quillbar::RunningApplication{50, "Front"};
    fake.workspace.applications[60] = quillbar::RunningApplication{60, "Player"};
    script(fake, std::move(answer));

    const quillbar::DisplayDirectory displays(fake.platform);
    const quillbar::SpaceServerAPI api = fake.windowServer.spaceServerAPI();
    for (const quillbar::SpaceInfo& space :
         quillbar::SpaceDetector(fake.platform, displays, api).detectSpaces()) {
        FUZZ_CHECK(!space.defaultName().empty());
    }
    return 0;
}
