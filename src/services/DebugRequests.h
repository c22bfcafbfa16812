#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace quillbar {

// Debug requests from outside the process: broadcast signals on the session bus, interface
// "org.quillbar.Quillbar.debug", members "switchTo" (one text: the desktop number) and "settings".
// Received requests are handed on under the names of the distributed notifications.
class DebugRequests : public QObject {
    Q_OBJECT
public:
    using Post =
        std::function<void(const std::string& name, const std::optional<std::string>& object)>;

    static constexpr const char* kInterface = "org.quillbar.Quillbar.debug";
    static constexpr const char* kPath = "/org/quillbar/Quillbar";

    // Listens on bus (skipped when it is not connected); post runs for every request, with the
    // notification name and the request's first argument when that is text.
    DebugRequests(QDBusConnection bus, Post post, QObject* parent = nullptr);

    // Broadcasts a switch request for the desktop with that number; false without a bus.
    static bool sendSwitchTo(QDBusConnection bus, const QString& desktop);
    // Broadcasts a request to show the rename window; false without a bus.
    static bool sendSettings(QDBusConnection bus);

private slots:
    void switchToReceived(const QDBusMessage& message);
    void settingsReceived(const QDBusMessage& message);

private:
    Post post_;
};

} // namespace quillbar
