#pragma once

#include "services/TitleLine.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdio>

namespace quillbar {

// The client side of the exported title: prints the running instance's menu-bar title once, or a
// line on every change (plain, waybar's {"text", "tooltip"} JSON, or i3bar's endless array).
class TitleFollower : public QObject {
    Q_OBJECT
public:
    using Format = TitleLine::Format;
    // How long a read of the title waits for the instance's answer.
    static constexpr int kAnswerTimeoutMs = 2000;

    // Reads the title of the instance that holds the name service on bus; lines go to out.
    TitleFollower(QDBusConnection bus, QString service, Format format, std::FILE* out,
                  QObject* parent = nullptr);

    // Prints the title once; false (nothing printed) when no instance runs or none answers
    // within kAnswerTimeoutMs.
    bool printOnce();
    // Prints the title now (when an instance runs) and again on every change, also across
    // restarts of the instance; an instance that goes away prints an empty title. In the i3bar
    // format the protocol's header and the opening of the endless array come first.
    void follow();
    // The line printed for a title; in plain text, line breaks inside it become spaces.
    static QByteArray line(const QString& title, Format format);
    // What a format prints before the first title: i3bar's header and "[", else nothing.
    static QByteArray preamble(Format format);

private slots:
    void titleChanged(const QString& title);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    bool fetch(QString* title);
    void print(const QString& title);

    QDBusConnection bus_;
    QString service_;
    Format format_;
    std::FILE* out_;
    QString last_;
    bool printedAny_ = false;
};

} // namespace quillbar
