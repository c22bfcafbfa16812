#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace quillbar {

// Newest wins: every instance takes the application identifier as a well-known name on the session
// bus, replacing the holder and letting a later instance replace it in turn. The instance that
// loses the name is told so through replaced().
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The rule for the identifier name on bus.
    SingleInstance(QDBusConnection bus, QString name, QObject* parent = nullptr);

    // Takes the name; false when there is no bus or the bus refused (the rule is then skipped).
    bool claim();
    // Whether this instance holds the name.
    bool holdsName() const;

signals:
    // A newer instance took the name.
    void replaced();

private slots:
    void nameLost(const QString& name);

private:
    QDBusConnection bus_;
    QString name_;
    bool claimed_ = false;
};

} // namespace quillbar
