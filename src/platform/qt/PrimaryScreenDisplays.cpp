// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/PrimaryScreenDisplays.h"

#include <QGuiApplication>
#include <QScreen>
#include <QUuid>

namespace quillbar {

namespace {

// The namespace of the session's display identifiers.
const QUuid kNamespace =
    QUuid::fromString(QStringLiteral("{5b0c3f0e-2d8a-4c1e-9d57-6e0f4a9a7c21}"));

QScreen* primary() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

Rect rectOf(const QRect& rect) {
    return Rect{static_cast<double>(rect.x()), static_cast<double>(rect.y()),
                static_cast<double>(rect.width()), static_cast<double>(rect.height())};
}

QString nameOf(const QScreen& screen) {
    // The monitor's model says more to a person than the connector does, when there is one.
    return screen.model().isEmpty() ? screen.name() : screen.model();
}

} // namespace

PrimaryScreenDisplays::PrimaryScreenDisplays(QString prefix, QString fallbackName)
    : prefix_(std::move(prefix))
    , fallbackName_(std::move(fallbackName)) {}

std::optional<std::vector<DisplayID>> PrimaryScreenDisplays::activeDisplayList() {
    return std::vector<DisplayID>{kDisplayID};
}

DisplayID PrimaryScreenDisplays::mainDisplayID() {
    return kDisplayID;
}

Rect PrimaryScreenDisplays::displayBounds(DisplayID display) {
    QScreen* screen = primary();
    if (display != kDisplayID || !screen) {
        return {};
    }
    return rectOf(screen->virtualGeometry());
}

std::optional<std::string> PrimaryScreenDisplays::displayUUID(DisplayID display) {
    if (display != kDisplayID) {
        return std::nullopt;
    }
    return identifier();
}

std::vector<Screen> PrimaryScreenDisplays::screens() {
    return {primaryScreen()};
}

std::string PrimaryScreenDisplays::identifier() const {
    QScreen* screen = primary();
    const QString name = screen ? screen->name() : fallbackName_;
    return QUuid::createUuidV5(kNamespace, prefix_ + name)
        .toString(QUuid::WithoutBraces)
        .toUpper()
        .toStdString();
}

Screen PrimaryScreenDisplays::primaryScreen() const {
    Screen answer;
    answer.displayID = kDisplayID;
    if (QScreen* screen = primary()) {
        answer.frame = rectOf(screen->geometry());
        answer.localizedName = nameOf(*screen).toStdString();
    } else {
        answer.localizedName = fallbackName_.toStdString();
    }
    return answer;
}

} // namespace quillbar
