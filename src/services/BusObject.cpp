// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/BusObject.h"

#include <utility>

namespace quillbar {

BusObject::BusObject(QDBusConnection bus, QString path)
    : bus_(std::move(bus))
    , path_(std::move(path)) {}

BusObject::~BusObject() {
    if (served_) {
        bus_.unregisterObject(path_);
    }
}

bool BusObject::serve() {
    if (!served_ && bus_.isConnected()) {
        served_ = bus_.registerObject(path_, this, QDBusConnection::ExportAdaptors);
    }
    return served_;
}

} // namespace quillbar
