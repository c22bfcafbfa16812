// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusConnection.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <string>

class QTimer;

namespace quillbar {

// Newest wins: every instance takes the application identifier as a well-known name on the session
// bus, replacing the holder and letting a later instance replace it in turn. The instance that
// loses the name is told so through replaced(); the one that took it can wait until the one it
// replaced has left the bus (and so has saved its last change and quit).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // How long claim() waits for the bus at most.
    static constexpr std::chrono::milliseconds kClaimWait{25000};

    // The rule for the identifier name on bus, which must outlive it.
    SingleInstance(BusConnection& bus, QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the name, waiting for the bus's answer (kClaimWait at most); false when there is no
    // bus or the bus refused (the rule is then skipped).
    bool claim();
    // Whether this instance holds the name (as far as the bus has told it; no call).
    bool holdsName() const;
    // Emits previousGone() once: when the instance that held the name before claim() has left the
    // bus, on the next turn of the event loop when there was none, or after limit at the latest.
    void awaitPrevious(std::chrono::milliseconds limit);

signals:
    // A newer instance took the name.
    void replaced();
    // The previous holder has left the bus (true), or the wait for it ran out (false).
    void previousGone(bool left);

private:
    static int nameLost(sd_bus_message* message, void* userdata, sd_bus_error* error);
    static int ownerChanged(sd_bus_message* message, void* userdata, sd_bus_error* error);
    static int previousAnswered(sd_bus_message* reply, void* userdata, sd_bus_error* error);
    void finishWait(bool left);

    BusConnection& bus_;
    QString name_;
    bool claimed_ = false;
    // The unique bus name of the instance that held the name when this one claimed it.
    std::string previous_;
    BusConnection::Slot nameLostMatch_;
    BusConnection::Slot previousMatch_;
    BusConnection::Slot previousCall_;
    QTimer* waitLimit_ = nullptr;
    bool waiting_ = false;
};

} // namespace quillbar
