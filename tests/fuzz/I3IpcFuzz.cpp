// SPDX-License-Identifier: GPL-3.0-or-later
// The sway/i3 socket reader: framing, then the JSON of each frame read as an output list and as a
// workspace list, translated into display dictionaries and switch commands.
#include "platform/i3ipc/I3IpcAnswers.h"
#include "platform/i3ipc/I3IpcFrameReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quillbar::I3IpcAnswers;
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
            for (const auto& output : outputs) {
                (void)I3IpcAnswers::displayCurrentSpace(outputs, workspaces, output.identifier);
            }
            for (const auto& workspace : workspaces) {
                (void)I3IpcAnswers::showCommand(workspace, I3IpcAnswers::Dialect::I3);
                (void)I3IpcAnswers::showCommand(workspace, I3IpcAnswers::Dialect::Sway);
                (void)I3IpcAnswers::ownName(workspace);
            }
        }
    }
    return 0;
}
