// SPDX-License-Identifier: GPL-3.0-or-later
// The sway/i3 socket: frames, their JSON as outputs, workspaces and command answers, and rename
// commands, which must read back as exactly the name the way each window manager reads quotes.
#include "FuzzCheck.h"
#include "platform/i3ipc/I3IpcAnswers.h"
#include "platform/i3ipc/I3IpcFrameReader.h"

#include <optional>

namespace {

using quillbar::I3IpcAnswers;

// i3's reading of a double-quoted word at the front of text: \" and \\ stand for themselves, a
// backslash before anything else stays. Consumes it from text; nullopt when it is not one.
std::optional<std::string> i3Quoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') {
        return std::nullopt;
    }
    std::string read;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return read;
        }
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
            ++i;
        }
        read.push_back(text[i]);
    }
    return std::nullopt;
}

// sway's reading of a quoted argument that is all of text: no escapes, but a backslash keeps
// the next character from ending it, and $$ stands for $ (a lone $ would be a variable).
std::optional<std::string> swayQuoted(std::string_view text) {
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') ||
        text.back() != text.front()) {
        return std::nullopt;
    }
    const std::string_view body = text.substr(1, text.size() - 2);
    std::string read;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool shielded = i > 0 && body[i - 1] == '\\' && !(i > 1 && body[i - 2] == '\\');
        if (body[i] == text.front() || (body[i] == '\\' && i + 1 == body.size())) {
            return std::nullopt; // the quote would end early, or never
        }
        if (body[i] == '$' && !shielded) {
            if (i + 1 == body.size() || body[i + 1] != '$') {
                return std::nullopt;
            }
            ++i;
        }
        read.push_back(body[i]);
    }
    return read;
}

void checkRename(const I3IpcAnswers::Workspace& workspace, const std::string& own,
                 I3IpcAnswers::Dialect dialect) {
    const auto command = I3IpcAnswers::renameCommand(workspace, own, dialect);
    FUZZ_CHECK(command.text.empty() != command.reason.empty());
    if (command.text.empty()) {
        return;
    }
    FUZZ_CHECK(workspace.number);
    const std::string number = std::to_string(*workspace.number);
    const std::string name = own.empty() ? number : number + ": " + own;
    FUZZ_CHECK(name.size() <= I3IpcAnswers::kMaxNameBytes);
    std::string_view rest = command.text;
    if (dialect == I3IpcAnswers::Dialect::Sway) {
        const std::string front = "rename workspace number " + number + " to ";
        FUZZ_CHECK(rest.starts_with(front));
        FUZZ_CHECK(swayQuoted(rest.substr(front.size())) == name);
        return;
    }
    FUZZ_CHECK(rest.starts_with("rename workspace "));
    rest.remove_prefix(17);
    FUZZ_CHECK(i3Quoted(rest) == workspace.name);
    FUZZ_CHECK(rest.starts_with(" to "));
    rest.remove_prefix(4);
    FUZZ_CHECK(i3Quoted(rest) == name);
    FUZZ_CHECK(rest.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte picks the size of the pieces the stream arrives in.
    const std::size_t piece = size > 0 ? (data[0] % 64) + 1 : 1;
    quillbar::I3IpcFrameReader reader;
    for (std::size_t at = 0; at < bytes.size() && !reader.failed(); at += piece) {
        reader.feed(bytes.substr(at, piece));
        while (auto frame = reader.next()) {
            const auto json = I3IpcAnswers::parse(frame->payload);
            const auto outputs = I3IpcAnswers::outputs(json);
            const auto workspaces = I3IpcAnswers::workspaces(json);
            const auto displays = I3IpcAnswers::managedDisplays(outputs, workspaces);
            (void)displays.dump();
            (void)I3IpcAnswers::activeSpace(workspaces);
            (void)I3IpcAnswers::dialect(json);
            if (const auto error = I3IpcAnswers::commandError(json)) {
                FUZZ_CHECK(error->size() <= I3IpcAnswers::kMaxErrorBytes);
                FUZZ_CHECK(error->find('\n') == std::string::npos);
            }
            for (const auto& output : outputs) {
                (void)I3IpcAnswers::displayCurrentSpace(outputs, workspaces, output.identifier);
            }
            for (const auto& workspace : workspaces) {
                (void)I3IpcAnswers::showCommand(workspace, I3IpcAnswers::Dialect::I3);
                (void)I3IpcAnswers::showCommand(workspace, I3IpcAnswers::Dialect::Sway);
                // The workspace's own name, and its whole name, as names to give it.
                for (const std::string& own :
                     {I3IpcAnswers::ownName(workspace).value_or(""), workspace.name}) {
                    checkRename(workspace, own, I3IpcAnswers::Dialect::I3);
                    checkRename(workspace, own, I3IpcAnswers::Dialect::Sway);
                }
            }
        }
    }
    return 0;
}
