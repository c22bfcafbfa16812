// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcAnswers.h"

#include "model/UnicodeText.h"
#include "platform/WindowServer.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <map>

namespace quillbar {

using nlohmann::json;

namespace {

// The namespace of name-based identifiers of outputs (a fixed random UUID).
constexpr uuid_t kOutputNamespace = {0x2b, 0x8e, 0x51, 0x7c, 0xd4, 0x03, 0x4f, 0x6a,
                                     0x9b, 0x17, 0x5e, 0xc2, 0x80, 0x39, 0xa6, 0x4d};

const json* member(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// Text cut to at most limit bytes, never inside a UTF-8 sequence.
std::string bounded(std::string text, std::size_t limit = I3IpcAnswers::kMaxNameBytes) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

std::string text(const json& object, const char* key) {
    const json* value = member(object, key);
    return value && value->is_string() ? bounded(value->get<std::string>()) : std::string();
}

std::optional<std::int64_t> integer(const json& object, const char* key) {
    const json* value = member(object, key);
    if (!value || !value->is_number_integer()) {
        return std::nullopt;
    }
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(INT64_MAX)) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    return value->get<std::int64_t>();
}

// At most this many results of one RUN_COMMAND answer are looked at.
constexpr std::size_t kMaxCommandResults = 64;

bool flag(const json& object, const char* key) {
    const json* value = member(object, key);
    return value && value->is_boolean() && value->get<bool>();
}

// What a monitor says about itself; sway reports "Unknown" for what the EDID lacks.
std::string known(const json& output, const char* key) {
    std::string value = text(output, key);
    return value == "Unknown" ? std::string() : value;
}

std::optional<Rect> rect(const json& output) {
    const json* value = member(output, "rect");
    if (!value || !value->is_object()) {
        return std::nullopt;
    }
    Rect answer;
    double* fields[] = {&answer.x, &answer.y, &answer.width, &answer.height};
    const char* keys[] = {"x", "y", "width", "height"};
    for (std::size_t i = 0; i < 4; ++i) {
        const json* field = member(*value, keys[i]);
        if (!field || !field->is_number()) {
            return std::nullopt;
        }
        *fields[i] = field->get<double>();
    }
    return answer;
}

std::string uuidText(const std::string& name) {
    uuid_t uuid;
    uuid_generate_sha1(uuid, kOutputNamespace, name.data(), name.size());
    char text[37];
    uuid_unparse_upper(uuid, text);
    return text;
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// sway reads "$$" as "$" and "$name" as a variable of its configuration, in quotes too, but
// leaves a "$" after a lone backslash alone (backslash included).
std::string swayLiteralDollars(std::string_view text) {
    std::string literal;
    for (std::size_t i = 0; i < text.size(); ++i) {
        literal.push_back(text[i]);
        const bool shielded = i > 0 && text[i - 1] == '\\' && !(i > 1 && text[i - 2] == '\\');
        if (text[i] == '$' && !shielded) {
            literal.push_back('$');
        }
    }
    return literal;
}

std::string makeAndModel(const json& output) {
    const std::string make = known(output, "make");
    const std::string model = known(output, "model");
    if (make.empty() || model.empty()) {
        return {};
    }
    return make + " " + model;
}

} // namespace

json I3IpcAnswers::parse(std::string_view payload) {
    // Ill-formed bytes can stand only inside strings in any parseable payload, so replacing them
    // keeps the document's shape; the parser would otherwise refuse the whole answer.
    json answer = json::parse(UnicodeText::toValidUtf8(payload), nullptr, false);
    return answer.is_discarded() ? json(nullptr) : answer;
}

std::string I3IpcAnswers::displayIdentifier(const json& output) {
    const std::string serial = known(output, "serial");
    const std::string monitor = makeAndModel(output);
    if (!serial.empty() && !monitor.empty()) {
        return uuidText("monitor:" + text(output, "make") + "\n" + text(output, "model") + "\n" +
                        serial);
    }
    return uuidText("output:" + text(output, "name"));
}

std::vector<I3IpcAnswers::Output> I3IpcAnswers::outputs(const json& answer) {
    std::vector<Output> result;
    std::vector<std::string> monitors; // make and model of each kept output
    if (!answer.is_array()) {
        return result;
    }
    for (const json& entry : answer) {
        if (result.size() == kMaxOutputs) {
            break;
        }
        const auto bounds = rect(entry);
        std::string name = text(entry, "name");
        if (!flag(entry, "active") || flag(entry, "non_desktop") || !bounds || name.empty()) {
            continue;
        }
        Output output{std::move(name), displayIdentifier(entry), {}, *bounds};
        monitors.push_back(makeAndModel(entry));
        result.push_back(std::move(output));
    }
    // Two monitors of one model (or two without a serial) are told apart by their connector.
    std::map<std::string, int> identifierCount;
    std::map<std::string, int> monitorCount;
    for (std::size_t i = 0; i < result.size(); ++i) {
        ++identifierCount[result[i].identifier];
        ++monitorCount[monitors[i]];
    }
    for (std::size_t i = 0; i < result.size(); ++i) {
        Output& output = result[i];
        if (identifierCount[output.identifier] > 1) {
            output.identifier = uuidText("output:" + output.name);
        }
        if (monitors[i].empty()) {
            output.displayName = output.name;
        } else if (monitorCount[monitors[i]] > 1) {
            output.displayName = monitors[i] + " (" + output.name + ")";
        } else {
            output.displayName = monitors[i];
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const Output& a, const Output& b) {
        return a.rect.x != b.rect.x ? a.rect.x < b.rect.x : a.rect.y < b.rect.y;
    });
    return result;
}

std::vector<I3IpcAnswers::Workspace> I3IpcAnswers::workspaces(const json& answer) {
    std::vector<Workspace> result;
    if (!answer.is_array()) {
        return result;
    }
    for (const json& entry : answer) {
        if (result.size() == kMaxWorkspaces) {
            break;
        }
        const auto id = integer(entry, "id");
        std::string output = text(entry, "output");
        if (!id || output.empty()) {
            continue;
        }
        Workspace workspace;
        workspace.id = *id;
        if (const auto number = integer(entry, "num"); number && *number >= 0) {
            workspace.number = number;
        }
        workspace.name = text(entry, "name");
        workspace.output = std::move(output);
        workspace.visible = flag(entry, "visible");
        workspace.focused = flag(entry, "focused");
        result.push_back(std::move(workspace));
    }
    return result;
}

json I3IpcAnswers::managedDisplays(const std::vector<Output>& outputs,
                                   const std::vector<Workspace>& workspaces) {
    json displays = json::array();
    for (const Output& output : outputs) {
        json display = {{WindowServer::kDisplayIdentifier, output.identifier}};
        json spaces = json::array();
        for (const Workspace& workspace : workspaces) {
            if (workspace.output != output.name) {
                continue;
            }
            json space = {{WindowServer::kManagedSpaceID, workspace.id},
                          {WindowServer::kType, 0},
                          {WindowServer::kPersistenceKey, persistenceKey(workspace)},
                          {WindowServer::kDesktopNumber, nullptr}};
            if (workspace.number) {
                space[WindowServer::kDesktopNumber] = *workspace.number;
            }
            if (auto name = ownName(workspace)) {
                space[WindowServer::kSpaceName] = std::move(*name);
            }
            if (workspace.visible) {
                display[WindowServer::kCurrentSpace] = {
                    {WindowServer::kManagedSpaceID, workspace.id}};
            }
            spaces.push_back(std::move(space));
        }
        display[WindowServer::kSpaces] = std::move(spaces);
        displays.push_back(std::move(display));
    }
    return displays;
}

std::int64_t I3IpcAnswers::activeSpace(const std::vector<Workspace>& workspaces) {
    const auto found = std::find_if(workspaces.begin(), workspaces.end(),
                                    [](const Workspace& w) { return w.focused; });
    return found == workspaces.end() ? 0 : found->id;
}

std::int64_t I3IpcAnswers::displayCurrentSpace(const std::vector<Output>& outputs,
                                               const std::vector<Workspace>& workspaces,
                                               const std::string& identifier) {
    const auto output = std::find_if(outputs.begin(), outputs.end(),
                                     [&](const Output& o) { return o.identifier == identifier; });
    if (output == outputs.end()) {
        return 0;
    }
    const auto found = std::find_if(workspaces.begin(), workspaces.end(), [&](const Workspace& w) {
        return w.visible && w.output == output->name;
    });
    return found == workspaces.end() ? 0 : found->id;
}

I3IpcAnswers::CommandText I3IpcAnswers::quoted(std::string_view text, Dialect dialect) {
    const std::string manager = windowManagerName(dialect);
    if (text.empty()) {
        return {{}, manager + " cannot take an empty name."};
    }
    // The parsers end a command at a line break.
    if (std::any_of(text.begin(), text.end(), isControl)) {
        return {{}, manager + " cannot take a name with line breaks or other control characters."};
    }
    if (dialect == Dialect::I3) {
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                quoted.push_back('\\');
            }
            quoted.push_back(c);
        }
        quoted.push_back('"');
        return {std::move(quoted), {}};
    }
    // sway has no escapes in quoted text: a backslash keeps the next character from ending it
    // but stays, so a final one would swallow the closing quote, and the quote is the one the
    // text does not contain.
    if (text.back() == '\\') {
        return {{}, "sway cannot take a name that ends in a backslash."};
    }
    const char quote = text.find('"') == std::string_view::npos    ? '"'
                       : text.find('\'') == std::string_view::npos ? '\''
                                                                   : '\0';
    if (quote == '\0') {
        return {{}, "sway cannot take a name with both kinds of quotation marks (\" and ')."};
    }
    return {quote + swayLiteralDollars(text) + quote, {}};
}

std::optional<std::string> I3IpcAnswers::workspaceTarget(const Workspace& workspace,
                                                         Dialect dialect) {
    if (workspace.number) {
        return "number " + std::to_string(*workspace.number);
    }
    CommandText name = quoted(workspace.name, dialect);
    return name.text.empty() ? std::nullopt : std::optional(std::move(name.text));
}

std::optional<std::string> I3IpcAnswers::showCommand(const Workspace& workspace, Dialect dialect) {
    // Without the flag, a user's "workspace_auto_back_and_forth" would turn a switch to the shown
    // workspace into a switch away from it.
    const std::optional<std::string> target = workspaceTarget(workspace, dialect);
    return target ? std::optional("workspace --no-auto-back-and-forth " + *target) : std::nullopt;
}

std::optional<std::string> I3IpcAnswers::bringCommand(const Workspace& workspace, Dialect dialect,
                                                      std::int64_t windowNumber,
                                                      std::int64_t processID) {
    const std::optional<std::string> target = workspaceTarget(workspace, dialect);
    if (!target) {
        return std::nullopt;
    }
    // sway's Wayland windows have no number a client knows: its windows are found by process.
    const std::string criteria = dialect == Dialect::Sway
                                     ? "[pid=" + std::to_string(processID) + "]"
                                     : "[id=" + std::to_string(windowNumber) + "]";
    return criteria + " move container to workspace " + *target;
}

I3IpcAnswers::CommandText I3IpcAnswers::renameCommand(const Workspace& workspace,
                                                      const std::string& ownName, Dialect dialect) {
    if (!workspace.number) {
        return {{},
                "This workspace has no number, so its own name is what Quillbar knows it by: "
                "renaming it would lose the name you gave it."};
    }
    const std::string number = std::to_string(*workspace.number);
    const std::string name = ownName.empty() ? number : number + ": " + ownName;
    if (name.size() > kMaxNameBytes) {
        return {{}, "This name is too long for a workspace (more than 1 KiB)."};
    }
    CommandText newName = quoted(name, dialect);
    if (newName.text.empty()) {
        return newName;
    }
    if (dialect == Dialect::Sway) {
        return {"rename workspace number " + number + " to " + newName.text, {}};
    }
    // i3 finds the workspace to rename by its current name only.
    const CommandText oldName = quoted(workspace.name, dialect);
    if (oldName.text.empty()) {
        return {{},
                "i3 cannot be asked to rename this workspace: its current name has line breaks or "
                "other control characters."};
    }
    return {"rename workspace " + oldName.text + " to " + newName.text, {}};
}

std::optional<std::string> I3IpcAnswers::commandError(const json& answer) {
    if (!answer.is_array() || answer.empty()) {
        return "no readable answer";
    }
    const std::size_t count = std::min(answer.size(), kMaxCommandResults);
    for (std::size_t i = 0; i < count; ++i) {
        if (flag(answer[i], "success")) {
            continue;
        }
        std::string error = bounded(text(answer[i], "error"), kMaxErrorBytes);
        std::replace_if(error.begin(), error.end(), isControl, ' ');
        return error.empty() ? "no reason given" : error;
    }
    return std::nullopt;
}

I3IpcAnswers::Dialect I3IpcAnswers::dialect(const json& version) {
    const json* variant = member(version, "variant");
    return variant && variant->is_string() && variant->get<std::string>() == "sway" ? Dialect::Sway
                                                                                    : Dialect::I3;
}

std::string I3IpcAnswers::windowManagerName(Dialect dialect) {
    return dialect == Dialect::Sway ? "sway" : "i3";
}

std::optional<std::string> I3IpcAnswers::ownName(const Workspace& workspace) {
    std::string_view rest = workspace.name;
    if (workspace.number) {
        const std::string digits = std::to_string(*workspace.number);
        if (rest.starts_with(digits)) {
            rest.remove_prefix(digits.size());
            if (rest.starts_with(':')) {
                rest.remove_prefix(1);
            }
        }
    }
    const auto first = rest.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    rest.remove_prefix(first);
    rest.remove_suffix(rest.size() - rest.find_last_not_of(" \t") - 1);
    return std::string(rest);
}

std::string I3IpcAnswers::persistenceKey(const Workspace& workspace) {
    return workspace.number ? "ws-" + std::to_string(*workspace.number) : workspace.name;
}

} // namespace quillbar
