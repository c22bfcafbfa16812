// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusObject.h"
#include "services/TitleQuery.h"

#include <QDBusAbstractAdaptor>
#include <QString>

namespace quillbar {

// The menu-bar title for status bars: interface "org.quillbar.Quillbar" of the object at kPath
// with the read-only property MenuBarTitle, the signal MenuBarTitleChanged and the standard
// PropertiesChanged signal on every change. The menu (MenuExporter) is served on the same object.
class TitleExporter : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillbar.Quillbar")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.quillbar.Quillbar\">\n"
                "    <property name=\"MenuBarTitle\" type=\"s\" access=\"read\">\n"
                "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\""
                " value=\"true\"/>\n"
                "    </property>\n"
                "    <signal name=\"MenuBarTitleChanged\">\n"
                "      <arg name=\"title\" type=\"s\"/>\n"
                "    </signal>\n"
                "  </interface>\n")
    Q_PROPERTY(QString MenuBarTitle READ menuBarTitle)
public:
    static constexpr const char* kPath = TitleQuery::kPath;
    static constexpr const char* kInterface = TitleQuery::kInterface;
    static constexpr const char* kProperty = TitleQuery::kProperty;
    static constexpr const char* kSignal = TitleQuery::kSignal;

    // The title as an interface of object (at kPath), which owns it.
    TitleExporter(BusObject& object, QString title);

    // The title now shown.
    QString menuBarTitle() const { return title_; }
    // Shows a new title and, when it differs, announces it with both signals.
    void setMenuBarTitle(const QString& title);
    // The title as the bus can carry it: the bus ends a text at its first NUL, so NULs are left
    // out rather than losing what follows them.
    static QString busText(const QString& title);

private:
    BusObject& object_;
    QString title_;
};

} // namespace quillbar
