// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/TitleExporter.h"

#include <utility>

namespace quillbar {

TitleExporter::TitleExporter(BusConnection& bus, QString title)
    : bus_(bus)
    , title_(busText(title))
    , text_(title_.toUtf8()) {
    sd_bus_slot* slot = nullptr;
    if (bus_.isConnected() &&
        sd_bus_add_object_vtable(bus_.bus(), &slot, kPath, kInterface, vtable(), this) >= 0) {
        object_.reset(slot);
    }
    written_ = QObject::connect(&bus_, &BusConnection::outputWritten, [this] {
        if (held_ && object_ && bus_.isConnected()) {
            announce();
        }
    });
}

TitleExporter::~TitleExporter() {
    QObject::disconnect(written_);
}

QString TitleExporter::busText(const QString& title) {
    QString text = title;
    text.remove(QChar(u'\0'));
    return text;
}

void TitleExporter::setMenuBarTitle(const QString& title) {
    QString text = busText(title);
    if (text == title_) {
        return;
    }
    title_ = std::move(text);
    text_ = title_.toUtf8();
    if (object_ && bus_.isConnected()) {
        announce();
    }
}

const sd_bus_vtable* TitleExporter::vtable() {
    static const sd_bus_vtable table[] = {
        SD_BUS_VTABLE_START(SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_PROPERTY(kProperty, "s", readTitle, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
        SD_BUS_SIGNAL_WITH_NAMES(kSignal, "s", SD_BUS_PARAM(title), 0),
        SD_BUS_VTABLE_END,
    };
    return table;
}

int TitleExporter::readTitle(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                             void* userdata, sd_bus_error*) {
    return sd_bus_message_append(reply, "s",
                                 static_cast<TitleExporter*>(userdata)->text_.constData());
}

void TitleExporter::announce() {
    sd_bus* bus = bus_.bus();
    std::uint64_t waiting = 0;
    held_ = sd_bus_get_n_queued_write(bus, &waiting) >= 0 && waiting >= kMaxWaitingMessages;
    if (held_) {
        return; // a stalled bus would otherwise hold every title ever shown
    }
    // Both signals are made and written here, one message each: no lookup of the object's
    // tables, no other thread.
    const char* text = text_.constData();
    sd_bus_emit_signal(bus, kPath, kInterface, kSignal, "s", text);
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_signal(bus, &raw, kPath, "org.freedesktop.DBus.Properties",
                                  "PropertiesChanged") >= 0) {
        const BusConnection::Message changed(raw);
        if (sd_bus_message_append(changed.get(), "sa{sv}as", kInterface, 1, kProperty, "s", text,
                                  0) >= 0) {
            sd_bus_send(bus, changed.get(), nullptr);
        }
    }
    bus_.sent();
}

} // namespace quillbar
