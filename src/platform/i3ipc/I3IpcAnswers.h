// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillbar {

// The pure part of the sway/i3 backend: how the window manager's output and workspace lists become
// the answers the core reads, and how a switch or a rename becomes a command and what the window
// manager said of it. Everything read here is untrusted: wrong types, missing fields and unknown
// fields are tolerated, counts are bounded.
class I3IpcAnswers {
public:
    // One active output, as a display.
    struct Output {
        std::string name;        // the connector, e.g. "HEADLESS-1" or "DP-2"
        std::string identifier;  // stable for the same monitor (UUID text)
        std::string displayName; // make and model, else the output's name
        Rect rect;
        bool operator==(const Output&) const = default;
    };
    // One workspace.
    struct Workspace {
        std::int64_t id = 0;                // the window manager's container id
        std::optional<std::int64_t> number; // the number users type; absent for named ones
        std::string name;                   // the full name, e.g. "3:web"
        std::string output;                 // the output's name
        bool visible = false;
        bool focused = false;
        bool operator==(const Workspace&) const = default;
    };

    // How the window manager reads quoted text in commands: i3 takes \" and \\ inside double
    // quotes; sway keeps every backslash, takes single quotes too and expands $ (variables).
    enum class Dialect { I3, Sway };

    // Command text, or why there is none (a short sentence for the user); one of them is empty.
    struct CommandText {
        std::string text;
        std::string reason;
        bool operator==(const CommandText&) const = default;
    };

    // At most this many outputs and workspaces are read from one answer.
    static constexpr std::size_t kMaxOutputs = 64;
    static constexpr std::size_t kMaxWorkspaces = 1024;
    // Longer names are cut when read (by bytes, on a character boundary) and refused when written.
    static constexpr std::size_t kMaxNameBytes = 1024;
    // A window manager's reason for refusing a command is cut to this.
    static constexpr std::size_t kMaxErrorBytes = 256;

    // The JSON of one frame's payload, with each ill-formed UTF-8 sequence replaced first, so one
    // bad name costs that name only; null when the payload is not JSON.
    static nlohmann::json parse(std::string_view payload);
    // The active outputs of a GET_OUTPUTS answer, left to right, then top to bottom.
    static std::vector<Output> outputs(const nlohmann::json& answer);
    // The workspaces of a GET_WORKSPACES answer, in the window manager's order; entries without an
    // id or an output are skipped.
    static std::vector<Workspace> workspaces(const nlohmann::json& answer);
    // One managed-display dictionary per output, in output order, with that output's workspaces
    // as its spaces in the window manager's order.
    static nlohmann::json managedDisplays(const std::vector<Output>& outputs,
                                          const std::vector<Workspace>& workspaces);
    // The focused workspace's id; 0 when none is focused.
    static std::int64_t activeSpace(const std::vector<Workspace>& workspaces);
    // The id of the visible workspace on the output with that identifier; 0 when there is none.
    static std::int64_t displayCurrentSpace(const std::vector<Output>& outputs,
                                            const std::vector<Workspace>& workspaces,
                                            const std::string& identifier);
    // The command that shows the workspace: by number when it has one, else by its name, quoted
    // so that no name can end the command early; nullopt for a name that cannot be quoted.
    static std::optional<std::string> showCommand(const Workspace& workspace, Dialect dialect);
    // The command that moves this program's window to the workspace: by its window number on i3,
    // by the program's process on sway; nullopt where showCommand has none.
    static std::optional<std::string> bringCommand(const Workspace& workspace, Dialect dialect,
                                                   std::int64_t windowNumber,
                                                   std::int64_t processID);
    // The command that gives a numbered workspace N the name "N: ownName" ("N" for an empty
    // ownName), so that "workspace number N" still reaches it: by its number on sway, by its
    // current name on i3 (which renames by name only). Else the reason: the workspace has no
    // number, the name is longer than kMaxNameBytes, or the window manager cannot read it quoted.
    static CommandText renameCommand(const Workspace& workspace, const std::string& ownName,
                                     Dialect dialect);
    // Why the window manager refused the command of a RUN_COMMAND answer (one line of at most
    // kMaxErrorBytes); nullopt when it ran every command in it.
    static std::optional<std::string> commandError(const nlohmann::json& answer);
    // The dialect of the window manager that gave this GET_VERSION answer.
    static Dialect dialect(const nlohmann::json& version);
    // The window manager's name for messages: "sway" or "i3".
    static std::string windowManagerName(Dialect dialect);
    // A stable display identifier from make, model and serial when given, else from the name.
    static std::string displayIdentifier(const nlohmann::json& output);
    // The window manager's own name for a workspace: its name without a leading "N:" (or "N")
    // where N is its number; nullopt when nothing remains.
    static std::optional<std::string> ownName(const Workspace& workspace);
    // The key the workspace's name is stored under: "ws-N" when it has a number, else its name.
    static std::string persistenceKey(const Workspace& workspace);

private:
    // How a command names the workspace: "number N", else its name quoted per window manager.
    static std::optional<std::string> workspaceTarget(const Workspace& workspace, Dialect dialect);
    // The text as one quoted argument the window manager reads back unchanged, else why not.
    static CommandText quoted(std::string_view text, Dialect dialect);
};

} // namespace quillbar
