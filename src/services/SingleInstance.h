#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>

class QDBusServiceWatcher;
class QTimer;

namespace quillbar {

// Newest wins: every instance takes the application identifier as a well-known name on the session
// bus, replacing the holder and letting a later instance replace it in turn. The instance that
// loses the name is told so through replaced(); the one that took it can wait until the one it
// replaced has left the bus (and so has saved its last change and quit).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The rule for the identifier name on bus.
    SingleInstance(QDBusConnection bus, QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the name; false when there is no bus or the bus refused (the rule is then skipped).
    bool claim();
    // Whether this instance holds the name.
    bool holdsName() const;
    // Emits previousGone() once: when the instance that held the name before claim() has left the
    // bus, on the next turn of the event loop when there was none, or after limit at the latest.
    void awaitPrevious(std::chrono::milliseconds limit);

signals:
    // A newer instance took the name.
    void replaced();
    // The previous holder has left the bus (true), or the wait for it ran out (false).
    void previousGone(bool left);

private slots:
    void nameLost(const QString& name);

private:
    void finishWait(bool left);

    QDBusConnection bus_;
    QString name_;
    bool claimed_ = false;
    // The unique bus name of the instance that held the name when this one claimed it.
    QString previous_;
    QDBusServiceWatcher* previousWatcher_ = nullptr;
    QTimer* waitLimit_ = nullptr;
    bool waiting_ = false;
};

} // namespace quillbar
