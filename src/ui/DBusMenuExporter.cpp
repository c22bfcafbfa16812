// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DBusMenuExporter.h"

#include <QDBusMetaType>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace quillbar {

namespace {

using Kind = MenuContent::Entry::Kind;

constexpr int kRootId = 0;

bool isInert(Kind kind) {
    return kind == Kind::Heading || kind == Kind::Text || kind == Kind::Separator;
}

QVariantMap rootProperties() {
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

} // namespace

DBusMenuExporter::DBusMenuExporter(BusObject& object, Entries entries, Prepare prepare,
                                   Perform perform)
    : QDBusAbstractAdaptor(&object)
    , entries_(std::move(entries))
    , prepare_(std::move(prepare))
    , perform_(std::move(perform)) {
    qDBusRegisterMetaType<ItemProperties>();
    qDBusRegisterMetaType<QList<ItemProperties>>();
    qDBusRegisterMetaType<LayoutNode>();
    qDBusRegisterMetaType<ItemEvent>();
    qDBusRegisterMetaType<QList<ItemEvent>>();
    shown_ = entries_();
}

QVariantMap DBusMenuExporter::propertiesOf(const MenuContent::Entry& entry) {
    if (entry.kind == Kind::Separator) {
        return {{QStringLiteral("type"), QStringLiteral("separator")}};
    }
    // An underscore marks a mnemonic; a doubled one is shown as itself. The bus ends a text at
    // its first NUL: leave NULs out rather than what follows them.
    QString label = entry.title;
    label.remove(QChar(u'\0')).replace(QLatin1Char('_'), QLatin1String("__"));
    QVariantMap properties{{QStringLiteral("label"), label},
                           {QStringLiteral("enabled"), entry.enabled && !isInert(entry.kind)}};
    if (entry.checkable) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), entry.checked ? 1 : 0);
    }
    return properties;
}

void DBusMenuExporter::update() {
    if (rebuild()) {
        emit LayoutUpdated(revision_, kRootId);
    }
}

bool DBusMenuExporter::rebuild() {
    std::vector<MenuContent::Entry> entries = entries_();
    if (entries == shown_) {
        return false;
    }
    // New ids for the new layout: a click meant for an old row finds nothing.
    const int count = int(std::min<std::size_t>(shown_.size(), INT_MAX / 4));
    firstId_ = firstId_ > INT_MAX / 2 ? 1 : firstId_ + count;
    shown_ = std::move(entries);
    revision_ = revision_ == UINT32_MAX ? 1 : revision_ + 1;
    return true;
}

const MenuContent::Entry* DBusMenuExporter::entryOf(int id) const {
    if (id < firstId_ || std::size_t(id - firstId_) >= shown_.size()) {
        return nullptr;
    }
    return &shown_[std::size_t(id - firstId_)];
}

uint DBusMenuExporter::GetLayout(int parentId, int, const QStringList&, LayoutNode& layout) {
    // The caller reads the new layout here: no announcement of it.
    rebuild();
    if (const MenuContent::Entry* entry = entryOf(parentId)) {
        layout = {parentId, propertiesOf(*entry), {}};
        return revision_;
    }
    layout = {kRootId, rootProperties(), {}};
    layout.children.reserve(qsizetype(shown_.size()));
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        layout.children.append({firstId_ + int(i), propertiesOf(shown_[i]), {}});
    }
    return revision_;
}

QList<DBusMenuExporter::ItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                             const QStringList&) {
    QList<ItemProperties> items;
    for (const int id : ids.first(std::min<qsizetype>(ids.size(), kMaxGroup))) {
        if (id == kRootId) {
            items.append({id, rootProperties()});
        } else if (const MenuContent::Entry* entry = entryOf(id)) {
            items.append({id, propertiesOf(*entry)});
        }
    }
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    const MenuContent::Entry* entry = entryOf(id);
    const QVariantMap properties = entry ? propertiesOf(*entry) : rootProperties();
    return QDBusVariant(properties.value(name, QString()));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    const MenuContent::Entry* entry = entryOf(id);
    if (eventId != QLatin1String("clicked") || !entry || isInert(entry->kind) || !entry->enabled) {
        return;
    }
    // Outside the bus's dispatch (it may open a window or quit); a copy, as what it does may
    // lead to a new layout.
    QTimer::singleShot(0, this, [this, chosen = *entry] { perform_(chosen); });
}

QList<int> DBusMenuExporter::EventGroup(const QList<ItemEvent>& events) {
    QList<int> unknown;
    for (const ItemEvent& event : events.first(std::min<qsizetype>(events.size(), kMaxGroup))) {
        if (entryOf(event.id)) {
            Event(event.id, event.eventId, event.data, event.timestamp);
        } else {
            unknown.append(event.id);
        }
    }
    return unknown;
}

bool DBusMenuExporter::AboutToShow(int id) {
    if (id != kRootId) {
        return false;
    }
    // The refresh may announce the new layout itself.
    const std::uint32_t before = revision_;
    prepare_();
    update();
    return revision_ != before;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updates;
    for (const int id : ids.first(std::min<qsizetype>(ids.size(), kMaxGroup))) {
        if (id == kRootId && AboutToShow(id)) {
            updates.append(id);
        } else if (id != kRootId && !entryOf(id)) {
            idErrors.append(id);
        }
    }
    return updates;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::ItemProperties& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument,
                                DBusMenuExporter::ItemProperties& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::LayoutNode& node) {
    argument.beginStructure();
    argument << node.id << node.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuExporter::LayoutNode& child : node.children) {
        argument << QDBusVariant(QVariant::fromValue(child));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuExporter::LayoutNode& node) {
    argument.beginStructure();
    argument >> node.id >> node.properties;
    node.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        DBusMenuExporter::LayoutNode childNode;
        child.variant().value<QDBusArgument>() >> childNode;
        node.children.append(childNode);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuExporter::ItemEvent& event) {
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuExporter::ItemEvent& event) {
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

} // namespace quillbar
