// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace quillbar {

// Whether the GNOME Shell extension shows Quillbar's title in the top bar: its service
// "org.quillbar.Shell" is on the session bus and its property TopBarButton is true. Follows the
// service coming and going and the property's changes; every call is asynchronous, and at most
// one is in flight however many change signals the service sends.
class TopBarButtonWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.quillbar.Shell";
    static constexpr const char* kPath = "/org/quillbar/Shell";
    static constexpr const char* kInterface = "org.quillbar.Shell.Workspaces";
    static constexpr const char* kProperty = "TopBarButton";

    // Starts watching bus; without a connection the answer is known at once: no button.
    explicit TopBarButtonWatcher(QDBusConnection bus, QObject* parent = nullptr);
    ~TopBarButtonWatcher() override;

    // Whether the button is shown; nullopt until the first answer.
    std::optional<bool> buttonShown() const { return shown_; }
    // Whether a Properties.Get reply holds a boolean true; any other answer or error is false.
    static bool answer(const QDBusMessage& reply);

signals:
    // The first answer, and every change after it.
    void buttonShownChanged(bool shown);

private slots:
    void onPropertiesChanged(const QDBusMessage& message);

private:
    void read();
    void takeReply(QDBusPendingCallWatcher* call);
    void settle(bool shown);

    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    std::optional<bool> shown_;
    int generation_ = 0;     // answers to older reads are dropped
    bool inFlight_ = false;  // a Get is on its way
    bool readAgain_ = false; // a change came while it was: read once more when it answers
};

} // namespace quillbar
