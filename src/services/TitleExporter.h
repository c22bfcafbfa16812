// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusConnection.h"
#include "services/TitleQuery.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace quillbar {

// The menu-bar title for status bars: object "/org/quillbar/Quillbar" on the application's bus
// connection with the read-only property MenuBarTitle, the signal MenuBarTitleChanged and the
// standard PropertiesChanged signal on every change. The menu (MenuExporter) is served on the same
// object.
class TitleExporter {
public:
    static constexpr const char* kPath = TitleQuery::kPath;
    static constexpr const char* kInterface = TitleQuery::kInterface;
    static constexpr const char* kProperty = TitleQuery::kProperty;
    static constexpr const char* kSignal = TitleQuery::kSignal;

    // A bus that reads nothing meanwhile makes titles wait on the connection; past this many
    // waiting messages only the newest title is kept, and sent once the rest is written.
    static constexpr std::uint64_t kMaxWaitingMessages = 64;

    // Exports the object on bus, which must outlive it (nothing happens when it is not connected).
    TitleExporter(BusConnection& bus, QString title);
    ~TitleExporter();
    TitleExporter(const TitleExporter&) = delete;
    TitleExporter& operator=(const TitleExporter&) = delete;

    // The title now shown.
    QString menuBarTitle() const { return title_; }
    // Shows a new title and announces it when it differs: both signals are marshalled and written
    // here, on this thread.
    void setMenuBarTitle(const QString& title);
    // The title as the bus can carry it: the bus ends a text at its first NUL, so NULs are left
    // out rather than losing what follows them.
    static QString busText(const QString& title);

private:
    static const sd_bus_vtable* vtable();
    static int readTitle(sd_bus* bus, const char* path, const char* interface, const char* property,
                         sd_bus_message* reply, void* userdata, sd_bus_error* error);
    // Sends MenuBarTitleChanged and PropertiesChanged for the present title.
    void announce();

    BusConnection& bus_;
    QString title_;
    QByteArray text_; // title_ in UTF-8, as the bus carries it
    BusConnection::Slot object_;
    bool held_ = false; // title_ is not announced yet: the bus was not reading
    QMetaObject::Connection written_;
};

} // namespace quillbar
