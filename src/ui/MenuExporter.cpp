// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuExporter.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QTimer>

#include <memory>

namespace quillbar {

namespace {

using Kind = MenuContent::Entry::Kind;

bool isInert(Kind kind) {
    return kind == Kind::Heading || kind == Kind::Text || kind == Kind::Separator;
}

} // namespace

MenuExporter::MenuExporter(BusObject& object, Build build, Perform perform)
    : QDBusAbstractAdaptor(&object)
    , object_(object)
    , build_(std::move(build))
    , perform_(std::move(perform)) {
    qDBusRegisterMetaType<Row>();
    qDBusRegisterMetaType<QList<Row>>();
}

QString MenuExporter::kindName(Kind kind) {
    switch (kind) {
    case Kind::Space:
        return QStringLiteral("space");
    case Kind::Heading:
        return QStringLiteral("heading");
    case Kind::Text:
        return QStringLiteral("text");
    case Kind::Separator:
        return QStringLiteral("separator");
    case Kind::RenameSpaces:
        return QStringLiteral("rename");
    case Kind::LaunchAtLogin:
        return QStringLiteral("launch-at-login");
    case Kind::CheckForUpdates:
        return QStringLiteral("check-for-updates");
    case Kind::Quit:
        return QStringLiteral("quit");
    }
    return QStringLiteral("text");
}

MenuExporter::Row MenuExporter::rowOf(const MenuContent::Entry& entry) {
    // The bus ends a text at its first NUL: leave NULs out rather than what follows them.
    const auto busText = [](QString text) { return text.remove(QChar(u'\0')); };
    return {kindName(entry.kind), busText(entry.title), busText(entry.emoji),
            entry.checkable,      entry.checked,        entry.enabled};
}

void MenuExporter::GetMenu(const QDBusMessage& message) {
    entries_ = build_();
    // Wraps after four billion menus; 0 stays "none handed out".
    revision_ = revision_ == UINT32_MAX ? 1 : revision_ + 1;
    QList<Row> rows;
    rows.reserve(qsizetype(entries_.size()));
    for (const MenuContent::Entry& entry : entries_) {
        rows.append(rowOf(entry));
    }
    message.setDelayedReply(true);
    QDBusMessage reply = message.createReply();
    reply << revision_ << QVariant::fromValue(rows);
    object_.bus().send(reply);
}

void MenuExporter::Choose(uint revision, uint row, const QDBusMessage& message) {
    const auto refuse = [&](const char* name, const QString& text) {
        message.setDelayedReply(true);
        object_.bus().send(message.createErrorReply(QString::fromLatin1(name), text));
    };
    if (revision == 0 || revision != revision_) {
        refuse(kStaleMenu,
               QStringLiteral("menu %1 is not the latest (%2)").arg(revision).arg(revision_));
        return;
    }
    if (row >= entries_.size() || isInert(entries_[row].kind) || !entries_[row].enabled) {
        refuse(kNoSuchRow,
               QStringLiteral("menu %1 has no row %2 to choose").arg(revision).arg(row));
        return;
    }
    // Queued before the answer goes out, so it has run by the time a caller on this thread hears
    // the answer. A copy: what it does may publish and lead to a new menu.
    QTimer::singleShot(0, this, [this, entry = entries_[row]] { perform_(entry); });
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuExporter::Row& row) {
    argument.beginStructure();
    argument << row.kind << row.text << row.emoji << row.checkable << row.checked << row.enabled;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuExporter::Row& row) {
    argument.beginStructure();
    argument >> row.kind >> row.text >> row.emoji >> row.checkable >> row.checked >> row.enabled;
    argument.endStructure();
    return argument;
}

} // namespace quillbar
