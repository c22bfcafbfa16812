#include "ui/MenuExporter.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace quillbar {

namespace {

using Kind = MenuContent::Entry::Kind;

bool isInert(Kind kind) {
    return kind == Kind::Heading || kind == Kind::Text || kind == Kind::Separator;
}

} // namespace

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

MenuExporter::MenuExporter(QObject* exported, QDBusConnection bus, Build build, Perform perform)
    : QDBusAbstractAdaptor(exported)
    , bus_(std::move(bus))
    , build_(std::move(build))
    , perform_(std::move(perform)) {
    qDBusRegisterMetaType<Row>();
    qDBusRegisterMetaType<QList<Row>>();
}

MenuExporter::~MenuExporter() = default;

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

uint MenuExporter::GetMenu(QList<quillbar::MenuExporter::Row>& rows) {
    entries_ = build_();
    // Wraps after four billion menus; 0 stays "none handed out".
    revision_ = revision_ == UINT32_MAX ? 1 : revision_ + 1;
    rows.clear();
    rows.reserve(static_cast<qsizetype>(entries_.size()));
    for (const MenuContent::Entry& entry : entries_) {
        rows.push_back(rowOf(entry));
    }
    return revision_;
}

void MenuExporter::Choose(uint revision, uint row, const QDBusMessage& message) {
    if (revision == 0 || revision != revision_) {
        refuse(message, kStaleMenu,
               QStringLiteral("menu %1 is not the latest (%2)").arg(revision).arg(revision_));
        return;
    }
    if (row >= entries_.size() || isInert(entries_[row].kind) || !entries_[row].enabled) {
        refuse(message, kNoSuchRow,
               QStringLiteral("menu %1 has no row %2 to choose").arg(revision).arg(row));
        return;
    }
    // A copy: what it does may publish and lead to a new menu.
    perform_(MenuContent::Entry(entries_[row]));
}

void MenuExporter::refuse(const QDBusMessage& call, const char* error, const QString& text) {
    // The bus would answer with an empty reply once the slot returns: answer with the error.
    call.setDelayedReply(true);
    bus_.send(call.createErrorReply(QString::fromLatin1(error), text));
}

} // namespace quillbar
