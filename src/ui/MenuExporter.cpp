// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuExporter.h"

#include "services/TitleExporter.h"

#include <QTimer>

#include <memory>

namespace quillbar {

namespace {

using Kind = MenuContent::Entry::Kind;

bool isInert(Kind kind) {
    return kind == Kind::Heading || kind == Kind::Text || kind == Kind::Separator;
}

} // namespace

MenuExporter::MenuExporter(BusConnection& bus, Build build, Perform perform)
    : build_(std::move(build))
    , perform_(std::move(perform)) {
    sd_bus_slot* slot = nullptr;
    if (bus.isConnected() && sd_bus_add_object_vtable(bus.bus(), &slot, TitleExporter::kPath,
                                                      kInterface, vtable(), this) >= 0) {
        object_.reset(slot);
    }
}

MenuExporter::~MenuExporter() = default;

QString MenuExporter::kindName(Kind kind) {
    switch (kind) {
    case Kind::Space:
        return QStringLiteral("space");
    case Kind::Heading:
        return QStringLiteral("heading");
    case Kind::Text:
        return QStringLiteral("text");
    case Kind::Separator:
        return QStringLiteral("separator");
    case Kind::RenameSpaces:
        return QStringLiteral("rename");
    case Kind::LaunchAtLogin:
        return QStringLiteral("launch-at-login");
    case Kind::CheckForUpdates:
        return QStringLiteral("check-for-updates");
    case Kind::Quit:
        return QStringLiteral("quit");
    }
    return QStringLiteral("text");
}

MenuExporter::Row MenuExporter::rowOf(const MenuContent::Entry& entry) {
    // The bus ends a text at its first NUL: leave NULs out rather than what follows them.
    const auto busText = [](QString text) { return text.remove(QChar(u'\0')); };
    return {kindName(entry.kind), busText(entry.title), busText(entry.emoji),
            entry.checkable,      entry.checked,        entry.enabled};
}

const sd_bus_vtable* MenuExporter::vtable() {
    static const sd_bus_vtable table[] = {
        SD_BUS_VTABLE_START(SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD_WITH_NAMES("GetMenu", "", "", "ua(sssbbb)",
                                 SD_BUS_PARAM(revision) SD_BUS_PARAM(rows), getMenu, 0),
        SD_BUS_METHOD_WITH_NAMES("Choose", "uu", SD_BUS_PARAM(revision) SD_BUS_PARAM(row), "", "",
                                 choose, 0),
        SD_BUS_VTABLE_END,
    };
    return table;
}

int MenuExporter::getMenu(sd_bus_message* call, void* userdata, sd_bus_error*) {
    auto& self = *static_cast<MenuExporter*>(userdata);
    self.entries_ = self.build_();
    // Wraps after four billion menus; 0 stays "none handed out".
    self.revision_ = self.revision_ == UINT32_MAX ? 1 : self.revision_ + 1;
    return self.answerMenu(call);
}

int MenuExporter::answerMenu(sd_bus_message* call) const {
    sd_bus_message* raw = nullptr;
    int result = sd_bus_message_new_method_return(call, &raw);
    if (result < 0) {
        return result;
    }
    const BusConnection::Message reply(raw);
    result = sd_bus_message_append(reply.get(), "u", revision_);
    if (result >= 0) {
        result = sd_bus_message_open_container(reply.get(), 'a', "(sssbbb)");
    }
    for (std::size_t i = 0; result >= 0 && i < entries_.size(); ++i) {
        const Row row = rowOf(entries_[i]);
        result = sd_bus_message_append(
            reply.get(), "(sssbbb)", row.kind.toUtf8().constData(), row.text.toUtf8().constData(),
            row.emoji.toUtf8().constData(), int(row.checkable), int(row.checked), int(row.enabled));
    }
    if (result >= 0) {
        result = sd_bus_message_close_container(reply.get());
    }
    return result < 0 ? result : sd_bus_send(nullptr, reply.get(), nullptr);
}

int MenuExporter::choose(sd_bus_message* call, void* userdata, sd_bus_error*) {
    auto& self = *static_cast<MenuExporter*>(userdata);
    std::uint32_t revision = 0;
    std::uint32_t row = 0;
    // sd-bus has checked the signature already.
    if (const int read = sd_bus_message_read(call, "uu", &revision, &row); read < 0) {
        return read;
    }
    if (revision == 0 || revision != self.revision_) {
        return sd_bus_reply_method_errorf(call, kStaleMenu, "menu %u is not the latest (%u)",
                                          revision, self.revision_);
    }
    if (row >= self.entries_.size() || isInert(self.entries_[row].kind) ||
        !self.entries_[row].enabled) {
        return sd_bus_reply_method_errorf(call, kNoSuchRow, "menu %u has no row %u to choose",
                                          revision, row);
    }
    // Queued before the answer goes out, so it has run by the time a caller on this thread hears
    // the answer. A copy: what it does may publish and lead to a new menu.
    QTimer::singleShot(0, &self, [&self, entry = self.entries_[row]] { self.perform_(entry); });
    return sd_bus_reply_method_return(call, "");
}

} // namespace quillbar
