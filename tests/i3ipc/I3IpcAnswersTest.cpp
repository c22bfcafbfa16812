// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcAnswers.h"

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

using nlohmann::json;
using Output = I3IpcAnswers::Output;
using Workspace = I3IpcAnswers::Workspace;

json output(const std::string& name, int x, int y, json extra = json::object()) {
    json o = {{"name", name},
              {"active", true},
              {"rect", {{"x", x}, {"y", y}, {"width", 800}, {"height", 600}}}};
    o.update(extra);
    return o;
}

json workspace(std::int64_t id, json num, const std::string& name, const std::string& out,
               bool visible = false, bool focused = false) {
    return {{"id", id},           {"num", num},         {"name", name},    {"output", out},
            {"visible", visible}, {"focused", focused}, {"urgent", false}, {"layout", "splith"}};
}

std::vector<std::string> names(const std::vector<Output>& outputs) {
    std::vector<std::string> out;
    for (const Output& o : outputs) {
        out.push_back(o.name + "=" + o.displayName);
    }
    return out;
}

// Active outputs, left to right then top to bottom; identifiers follow the monitor, not the
// connector; two monitors that cannot be told apart are told apart by their connector.
TEST(I3IpcAnswersTest, OutputsAreOrderedNamedAndIdentifiedByMonitor) {
    const json dell = {{"make", "Dell Inc."}, {"model", "U2720Q"}, {"serial", "ABC123"}};
    const json answer =
        json::array({output("DP-2", 1920, 0, dell), output("eDP-1", 0, 300),
                     output("HDMI-A-1", 0, 0, {{"make", "Unknown"}, {"model", "Unknown"}}),
                     output("DP-3", 5000, 0, {{"active", false}}),
                     output("HEADLESS-1", 3840, 0,
                            {{"make", "headless"}, {"model", "headless"}, {"serial", "Unknown"}}),
                     output("HEADLESS-2", 4640, 0,
                            {{"make", "headless"}, {"model", "headless"}, {"serial", "Unknown"}})});
    const auto outputs = I3IpcAnswers::outputs(answer);
    EXPECT_EQ(names(outputs),
              (std::vector<std::string>{"HDMI-A-1=HDMI-A-1", "eDP-1=eDP-1", "DP-2=Dell Inc. U2720Q",
                                        "HEADLESS-1=headless headless (HEADLESS-1)",
                                        "HEADLESS-2=headless headless (HEADLESS-2)"}));
    EXPECT_EQ(outputs[2].rect, (Rect{1920, 0, 800, 600}));
    EXPECT_EQ(outputs[2].identifier.size(), 36u);
    EXPECT_NE(outputs[3].identifier, outputs[4].identifier);

    // The same monitor on another connector keeps its identifier; a connector's name is stable.
    const auto moved = I3IpcAnswers::outputs(json::array({output("DP-1", 0, 0, dell)}));
    EXPECT_EQ(moved[0].identifier, outputs[2].identifier);
    EXPECT_EQ(I3IpcAnswers::outputs(answer)[1].identifier, outputs[1].identifier);
}

// In the window manager's order, keyed and numbered by the workspace number, named by the rest.
TEST(I3IpcAnswersTest, WorkspacesBecomeOneManagedDisplayPerOutput) {
    const auto outputs =
        I3IpcAnswers::outputs(json::array({output("LEFT", 0, 0), output("RIGHT", 800, 0)}));
    const auto workspaces = I3IpcAnswers::workspaces(
        json::array({workspace(11, 1, "1", "LEFT"), workspace(12, 3, "3: web", "LEFT", true),
                     workspace(13, -1, "mail", "RIGHT", true, true),
                     workspace(14, 2, "2:", "RIGHT"), workspace(15, 9, "9", "GONE", true)}));
    const auto space = [](int id, const char* key, json number, const char* name = nullptr) {
        json s = {{"ManagedSpaceID", id}, {"type", 0}, {"Persistence Key", key}};
        s["Desktop Number"] = number;
        if (name) {
            s["Name"] = name;
        }
        return s;
    };
    const auto display = [](const std::string& identifier, int current, json spaces) {
        return json{{"Display Identifier", identifier},
                    {"Current Space", {{"ManagedSpaceID", current}}},
                    {"Spaces", spaces}};
    };
    const json expected = json::array(
        {display(outputs[0].identifier, 12, {space(11, "ws-1", 1), space(12, "ws-3", 3, "web")}),
         display(outputs[1].identifier, 13,
                 {space(13, "mail", nullptr, "mail"), space(14, "ws-2", 2)})});
    EXPECT_EQ(I3IpcAnswers::managedDisplays(outputs, workspaces), expected);
    EXPECT_EQ(I3IpcAnswers::activeSpace(workspaces), 13);
    EXPECT_EQ(I3IpcAnswers::displayCurrentSpace(outputs, workspaces, outputs[0].identifier), 12);
    EXPECT_EQ(I3IpcAnswers::displayCurrentSpace(outputs, workspaces, "ELSEWHERE"), 0);
    EXPECT_EQ(I3IpcAnswers::activeSpace({}), 0);
}

// Wrong types, missing fields, oversized or ill-formed text: survived, bounded, repaired.
TEST(I3IpcAnswersTest, MalformedAnswersAreSkippedBoundedAndRepaired) {
    for (const json& answer : {json(), json::object(), json("x"), json::array({1, "x", nullptr})}) {
        EXPECT_TRUE(I3IpcAnswers::outputs(answer).empty()) << answer.dump();
        EXPECT_TRUE(I3IpcAnswers::workspaces(answer).empty()) << answer.dump();
    }
    json noRect = output("A", 0, 0);
    noRect["rect"]["width"] = "wide";
    const json textActive = output("B", 0, 0, {{"active", "yes"}});
    EXPECT_TRUE(I3IpcAnswers::outputs(json::array({noRect, output("", 0, 0), textActive})).empty());

    const std::string longName = std::string(I3IpcAnswers::kMaxNameBytes - 1, 'a') + "é";
    json list = json::array({workspace(1, "3", "3", "A"),
                             {{"id", "7"}, {"output", "A"}},
                             workspace(2, -1, longName, "A"),
                             {{"id", 3}, {"output", 5}},
                             workspace(std::numeric_limits<std::int64_t>::max(), 1.5, "x", "A")});
    const auto workspaces = I3IpcAnswers::workspaces(list);
    ASSERT_EQ(workspaces.size(), 3u);
    EXPECT_EQ(workspaces[0].number, std::nullopt); // "num" given as text
    EXPECT_EQ(workspaces[1].name, std::string(I3IpcAnswers::kMaxNameBytes - 1, 'a'));
    EXPECT_EQ(workspaces[2].number, std::nullopt);

    json many = json::array();
    for (int i = 0; i < 5000; ++i) {
        many.push_back(workspace(i, i, std::to_string(i), "A"));
    }
    EXPECT_EQ(I3IpcAnswers::workspaces(many).size(), I3IpcAnswers::kMaxWorkspaces);

    // A window manager takes any bytes in a rename: one ill-formed name spoils no other.
    const std::string payload = R"([{"id":1,"num":1,"name":"1","output":"A"},)"
                                "{\"id\":2,\"num\":2,\"name\":\"2:bad\xff\xfe\",\"output\":\"A\"},"
                                "{\"id\":3,\"num\":3,\"name\":\"3:caf\xc3\xa9\",\"output\":\"A\"}]";
    const auto repaired = I3IpcAnswers::workspaces(I3IpcAnswers::parse(payload));
    ASSERT_EQ(repaired.size(), 3u);
    EXPECT_EQ(repaired[0].name, "1");
    EXPECT_EQ(repaired[1].name, "2:bad\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(repaired[1].number, 2);
    EXPECT_EQ(repaired[2].name, "3:caf\xc3\xa9");
    EXPECT_TRUE(I3IpcAnswers::parse("[{\"id\":1,\xff").is_null());
}

// Numbered workspaces are switched to by number; any other name is quoted the way each window
// manager reads quotes, so that nothing in it can end the command.
TEST(I3IpcAnswersTest, ShowCommandsQuoteNamesAndOwnNamesDropTheNumber) {
    using enum I3IpcAnswers::Dialect;
    const auto show = [](std::string name, I3IpcAnswers::Dialect dialect) {
        return I3IpcAnswers::showCommand(Workspace{2, std::nullopt, std::move(name), "A"}, dialect);
    };
    const std::string flag = "workspace --no-auto-back-and-forth ";
    Workspace numbered{1, 3, "3:web", "A"};
    EXPECT_EQ(I3IpcAnswers::showCommand(numbered, Sway), flag + "number 3");
    const std::string hostile = R"(x"; exec touch /tmp/pwned; ")";
    EXPECT_EQ(show(hostile, I3), flag + R"("x\"; exec touch /tmp/pwned; \"")");
    EXPECT_EQ(show(hostile, Sway), flag + "'" + hostile + "'");
    // i3 reads \\ and \" in quotes; sway keeps backslashes but reads $$ as $ (else a variable).
    EXPECT_EQ(show(R"(a\"b\)", I3), flag + R"("a\\\"b\\")");
    EXPECT_EQ(show(R"(it's a\b $x $$)", Sway), flag + R"("it's a\b $$x $$$$")");
    EXPECT_EQ(show(R"(\$x \\$y)", Sway), flag + R"("\$x \\$$y")");
    EXPECT_EQ(show(R"(both " and ')", Sway), std::nullopt);
    EXPECT_EQ(show("ends\\", Sway), std::nullopt);
    for (const std::string bad : {"", "a\nexec b"}) {
        EXPECT_EQ(show(bad, I3), std::nullopt) << bad;
        EXPECT_EQ(show(bad, Sway), std::nullopt) << bad;
    }
    // The rename window is brought to a workspace by the same target, by window or by process.
    EXPECT_EQ(I3IpcAnswers::bringCommand(numbered, I3, 0x1e00003, 42),
              "[id=31457283] move container to workspace number 3");
    const Workspace named{2, std::nullopt, hostile, "A"};
    EXPECT_EQ(I3IpcAnswers::bringCommand(named, Sway, 0, 42),
              "[pid=42] move container to workspace '" + hostile + "'");
    EXPECT_EQ(I3IpcAnswers::bringCommand(Workspace{2, std::nullopt, "", "A"}, Sway, 0, 42),
              std::nullopt);
    EXPECT_EQ(I3IpcAnswers::dialect({{"variant", "sway"}, {"human_readable", "1.7"}}), Sway);
    EXPECT_EQ(I3IpcAnswers::dialect({{"human_readable", "4.22"}}), I3);

    const auto own = [](std::optional<std::int64_t> number, std::string name) {
        return I3IpcAnswers::ownName(Workspace{1, number, std::move(name), "A"});
    };
    EXPECT_EQ(own(3, "3"), std::nullopt);
    EXPECT_EQ(own(3, "3: web "), "web");
    EXPECT_EQ(own(3, "03:x"), "03:x");
    EXPECT_EQ(own(std::nullopt, " 4:mail"), "4:mail");
}

// A numbered workspace N becomes "N: name" (or "N"), reached by number on sway and by its current
// name on i3, the name inside its quotes; what could not be read back is refused with a reason.
TEST(I3IpcAnswersTest, RenameCommandsKeepTheNumberInFrontAndTheNameInQuotesOrSayWhyNot) {
    using enum I3IpcAnswers::Dialect;
    const auto n = [](std::string current) { return Workspace{7, 3, std::move(current), "A"}; };
    const Workspace unnumbered{7, std::nullopt, "mail", "A"};
    const std::string longest(I3IpcAnswers::kMaxNameBytes - 3, 'x'); // after "3: "
    struct Case {
        Workspace workspace;
        std::string own;
        I3IpcAnswers::Dialect dialect;
        std::string command; // when refused, part of the reason
        bool refused = false;
    };
    for (const Case& c : std::vector<Case>{
             {n("3"), "📬 Mail", Sway, R"(rename workspace number 3 to "3: 📬 Mail")"},
             {n("3"), "📬 Mail", I3, R"(rename workspace "3" to "3: 📬 Mail")"},
             {n("3: web"), "", Sway, R"(rename workspace number 3 to "3")"},
             {n("3: web"), "", I3, R"(rename workspace "3: web" to "3")"},
             {n("3"), R"(a"; exec x; ")", Sway,
              R"(rename workspace number 3 to '3: a"; exec x; "')"},
             {n("3"), R"(a"; exec x; ")", I3, R"(rename workspace "3" to "3: a\"; exec x; \"")"},
             {n("3"), R"(it's, $x\)", I3, R"(rename workspace "3" to "3: it's, $x\\")"},
             {n("3"), R"(it's, $x)", Sway, R"(rename workspace number 3 to "3: it's, $$x")"},
             {n(R"(3: "old"\)"), "new", I3, R"(rename workspace "3: \"old\"\\" to "3: new")"},
             {n("3"), longest, Sway, "rename workspace number 3 to \"3: " + longest + "\""},
             {unnumbered, "Mail", Sway, "no number", true},
             {unnumbered, "Mail", I3, "no number", true},
             {n("3"), longest + "x", Sway, "too long", true},
             {n("3"), longest + "x", I3, "too long", true},
             {n("3"), "a\nexec x", Sway, "control characters", true},
             {n("3"), "a\tb", I3, "control characters", true},
             {n("3"), "ends\\", Sway, "backslash", true},
             {n("3"), R"(both " and ')", Sway, "quotation marks", true},
             {n("3: a\rb"), "new", I3, "current name", true},
         }) {
        SCOPED_TRACE(c.own.substr(0, 40));
        const auto command = I3IpcAnswers::renameCommand(c.workspace, c.own, c.dialect);
        if (c.refused) {
            EXPECT_EQ(command.text, "");
            EXPECT_NE(command.reason.find(c.command), std::string::npos) << command.reason;
        } else {
            EXPECT_EQ(command.text, c.command);
            EXPECT_EQ(command.reason, "");
        }
    }
}

// Nothing when every command ran, else the first refusal's reason.
TEST(I3IpcAnswersTest, CommandErrorsAreOneBoundedLine) {
    const auto error = [](const std::string& answer) {
        return I3IpcAnswers::commandError(I3IpcAnswers::parse(answer));
    };
    EXPECT_EQ(error(R"([{"success":true}])"), std::nullopt);
    EXPECT_EQ(error(R"([{"success":true},{"success":false,"error":"Already\nthere"}])"),
              "Already there");
    EXPECT_EQ(error(R"([{"success":"true"}])"), "no reason given");
    EXPECT_EQ(error("[]"), "no readable answer");
    const std::string longError = std::string(I3IpcAnswers::kMaxErrorBytes - 1, 'e') + "é";
    EXPECT_EQ(I3IpcAnswers::commandError(json::array({{{"success", false}, {"error", longError}}})),
              std::string(I3IpcAnswers::kMaxErrorBytes - 1, 'e'));
}

} // namespace
} // namespace quillbar::test
