#pragma once

#include "services/TitleQuery.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace quillbar {

// The menu-bar title for status bars: object "/org/quillbar/Quillbar" on the session bus with the
// read-only property MenuBarTitle, the signal MenuBarTitleChanged and the standard
// PropertiesChanged signal on every change. Adaptors made on it (the menu) are served there too.
class TitleExporter : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillbar.Quillbar")
    Q_PROPERTY(QString MenuBarTitle READ menuBarTitle NOTIFY MenuBarTitleChanged)
public:
    static constexpr const char* kPath = TitleQuery::kPath;
    static constexpr const char* kInterface = TitleQuery::kInterface;
    static constexpr const char* kProperty = TitleQuery::kProperty;
    static constexpr const char* kSignal = TitleQuery::kSignal;

    // Exports the object on bus (nothing happens when it is not connected).
    explicit TitleExporter(QDBusConnection bus, QString title, QObject* parent = nullptr);
    ~TitleExporter() override;

    // The title now shown.
    QString menuBarTitle() const { return title_; }
    // Shows a new title and announces it when it differs.
    void setMenuBarTitle(const QString& title);
    // The title as the bus can carry it: the bus ends a text at its first NUL, so NULs are left
    // out rather than losing what follows them.
    static QString busText(const QString& title);

signals:
    // The new title (the bus signal of that name; sent by announce(), not relayed from here).
    void MenuBarTitleChanged(const QString& title);

private:
    // Sends MenuBarTitleChanged and PropertiesChanged for the present title.
    void announce() const;

    QDBusConnection bus_;
    QString title_;
    bool exported_ = false;
};

} // namespace quillbar
