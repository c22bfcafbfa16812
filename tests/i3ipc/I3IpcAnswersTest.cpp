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

// Each output's workspaces are its spaces, in the window manager's order, keyed and numbered by
// the workspace number, with the workspace's own name where it has one.
TEST(I3IpcAnswersTest, WorkspacesBecomeOneManagedDisplayPerOutput) {
    const auto outputs =
        I3IpcAnswers::outputs(json::array({output("LEFT", 0, 0), output("RIGHT", 800, 0)}));
    const auto workspaces = I3IpcAnswers::workspaces(
        json::array({workspace(11, 1, "1", "LEFT"), workspace(12, 3, "3: web", "LEFT", true),
                     workspace(13, -1, "mail", "RIGHT", true, true),
                     workspace(14, 2, "2:", "RIGHT"), workspace(15, 9, "9", "GONE", true)}));
    const json expected = json::array({{{"Display Identifier", outputs[0].identifier},
                                        {"Current Space", {{"ManagedSpaceID", 12}}},
                                        {"Spaces",
                                         {{{"ManagedSpaceID", 11},
                                           {"type", 0},
                                           {"Persistence Key", "ws-1"},
                                           {"Desktop Number", 1}},
                                          {{"ManagedSpaceID", 12},
                                           {"type", 0},
                                           {"Persistence Key", "ws-3"},
                                           {"Desktop Number", 3},
                                           {"Name", "web"}}}}},
                                       {{"Display Identifier", outputs[1].identifier},
                                        {"Current Space", {{"ManagedSpaceID", 13}}},
                                        {"Spaces",
                                         {{{"ManagedSpaceID", 13},
                                           {"type", 0},
                                           {"Persistence Key", "mail"},
                                           {"Desktop Number", nullptr},
                                           {"Name", "mail"}},
                                          {{"ManagedSpaceID", 14},
                                           {"type", 0},
                                           {"Persistence Key", "ws-2"},
                                           {"Desktop Number", 2}}}}}});
    EXPECT_EQ(I3IpcAnswers::managedDisplays(outputs, workspaces), expected);
    EXPECT_EQ(I3IpcAnswers::activeSpace(workspaces), 13);
    EXPECT_EQ(I3IpcAnswers::displayCurrentSpace(outputs, workspaces, outputs[0].identifier), 12);
    EXPECT_EQ(I3IpcAnswers::displayCurrentSpace(outputs, workspaces, "ELSEWHERE"), 0);
    EXPECT_EQ(I3IpcAnswers::activeSpace({}), 0);
}

// Wrong types, missing fields and oversized text are survived; nothing outside the bounds is kept.
TEST(I3IpcAnswersTest, MalformedAnswersAreSkippedAndBounded) {
    for (const json& answer : {json(), json::object(), json("x"), json::array({1, "x", nullptr})}) {
        EXPECT_TRUE(I3IpcAnswers::outputs(answer).empty()) << answer.dump();
        EXPECT_TRUE(I3IpcAnswers::workspaces(answer).empty()) << answer.dump();
    }
    json noRect = output("A", 0, 0);
    noRect["rect"]["width"] = "wide";
    json noName = output("", 0, 0);
    json textActive = output("B", 0, 0, {{"active", "yes"}});
    EXPECT_TRUE(I3IpcAnswers::outputs(json::array({noRect, noName, textActive})).empty());

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
}

// A window manager accepts any bytes in a rename: one ill-formed name is repaired on its own
// and the other workspaces are still read; a payload that is no JSON at all reads as nothing.
TEST(I3IpcAnswersTest, IllFormedUtf8InOneNameKeepsEveryWorkspace) {
    const std::string payload = R"([{"id":1,"num":1,"name":"1","output":"A"},)"
                                "{\"id\":2,\"num\":2,\"name\":\"2:bad\xff\xfe\",\"output\":\"A\"},"
                                "{\"id\":3,\"num\":3,\"name\":\"3:caf\xc3\xa9\",\"output\":\"A\"}]";
    const auto workspaces = I3IpcAnswers::workspaces(I3IpcAnswers::parse(payload));
    ASSERT_EQ(workspaces.size(), 3u);
    EXPECT_EQ(workspaces[0].name, "1");
    EXPECT_EQ(workspaces[1].name, "2:bad\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(workspaces[1].number, 2);
    EXPECT_EQ(workspaces[2].name, "3:caf\xc3\xa9");
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
    EXPECT_EQ(I3IpcAnswers::persistenceKey(numbered), "ws-3");
    EXPECT_EQ(I3IpcAnswers::persistenceKey(Workspace{2, std::nullopt, hostile, "A"}), hostile);
}

// A numbered workspace N is renamed to "N: name", or "N" without a name, so that "workspace
// number N" still reaches it: by its number on sway, by its current name on i3. The new name
// stays inside its quotes (a ";" or "," there starts no other command) and reads back as given.
TEST(I3IpcAnswersTest, RenameCommandsKeepTheNumberInFrontAndTheNameInQuotes) {
    using enum I3IpcAnswers::Dialect;
    struct Case {
        std::string current, own;
        I3IpcAnswers::Dialect dialect;
        std::string command;
    };
    for (const Case& c : std::vector<Case>{
             {"3", "📬 Mail", Sway, R"(rename workspace number 3 to "3: 📬 Mail")"},
             {"3", "📬 Mail", I3, R"(rename workspace "3" to "3: 📬 Mail")"},
             {"3: web", "", Sway, R"(rename workspace number 3 to "3")"},
             {"3: web", "", I3, R"(rename workspace "3: web" to "3")"},
             {"3", R"(a"; exec x; ")", Sway, R"(rename workspace number 3 to '3: a"; exec x; "')"},
             {"3", R"(a"; exec x; ")", I3, R"(rename workspace "3" to "3: a\"; exec x; \"")"},
             {"3", R"(it's, $x\)", I3, R"(rename workspace "3" to "3: it's, $x\\")"},
             {"3", R"(it's, $x)", Sway, R"(rename workspace number 3 to "3: it's, $$x")"},
             {R"(3: "old"\)", "new", I3, R"(rename workspace "3: \"old\"\\" to "3: new")"},
         }) {
        const Workspace workspace{7, 3, c.current, "A"};
        EXPECT_EQ(I3IpcAnswers::renameCommand(workspace, c.own, c.dialect),
                  (I3IpcAnswers::CommandText{c.command, {}}))
            << c.own;
    }
}

// What the window manager could not read back, and workspaces whose name is their identity,
// are refused with a reason the user is shown.
TEST(I3IpcAnswersTest, RenameCommandsRefuseWithAReason) {
    using enum I3IpcAnswers::Dialect;
    const Workspace numbered{7, 3, "3", "A"};
    const std::string longest(I3IpcAnswers::kMaxNameBytes - 3, 'x'); // after "3: "
    EXPECT_FALSE(I3IpcAnswers::renameCommand(numbered, longest, Sway).text.empty());
    struct Case {
        Workspace workspace;
        std::string own;
        I3IpcAnswers::Dialect dialect;
        std::string because; // part of the reason
    };
    for (const Case& c : std::vector<Case>{
             {{7, std::nullopt, "mail", "A"}, "Mail", Sway, "no number"},
             {{7, std::nullopt, "mail", "A"}, "Mail", I3, "no number"},
             {numbered, longest + "x", Sway, "too long"},
             {numbered, longest + "x", I3, "too long"},
             {numbered, "a\nexec x", Sway, "control characters"},
             {numbered, "a\tb", I3, "control characters"},
             {numbered, "ends\\", Sway, "backslash"},
             {numbered, R"(both " and ')", Sway, "quotation marks"},
             {{7, 3, "3: a\rb", "A"}, "new", I3, "current name"},
         }) {
        const I3IpcAnswers::CommandText refused =
            I3IpcAnswers::renameCommand(c.workspace, c.own, c.dialect);
        EXPECT_EQ(refused.text, "") << c.own;
        EXPECT_NE(refused.reason.find(c.because), std::string::npos) << refused.reason;
    }
}

// A command's outcome: nothing when every command ran, else the first refusal's reason on one
// bounded line.
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
