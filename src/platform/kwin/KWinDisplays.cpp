#include "platform/kwin/KWinDisplays.h"

#include <QGuiApplication>
#include <QScreen>
#include <QUuid>

namespace quillbar {

namespace {

// Names the display when there is no screen to name it after.
const QString kFallbackName = QStringLiteral("KWin");
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

std::optional<std::vector<DisplayID>> KWinDisplays::activeDisplayList() {
    return std::vector<DisplayID>{kDisplayID};
}

DisplayID KWinDisplays::mainDisplayID() {
    return kDisplayID;
}

Rect KWinDisplays::displayBounds(DisplayID display) {
    QScreen* screen = primary();
    if (display != kDisplayID || !screen) {
        return {};
    }
    return rectOf(screen->virtualGeometry());
}

std::optional<std::string> KWinDisplays::displayUUID(DisplayID display) {
    if (display != kDisplayID) {
        return std::nullopt;
    }
    return identifier();
}

std::vector<Screen> KWinDisplays::screens() {
    return {primaryScreen()};
}

std::string KWinDisplays::identifier() const {
    QScreen* screen = primary();
    const QString name = screen ? screen->name() : kFallbackName;
    return QUuid::createUuidV5(kNamespace, QStringLiteral("kwin:") + name)
        .toString(QUuid::WithoutBraces)
        .toUpper()
        .toStdString();
}

Screen KWinDisplays::primaryScreen() const {
    Screen answer;
    answer.displayID = kDisplayID;
    if (QScreen* screen = primary()) {
        answer.frame = rectOf(screen->geometry());
        answer.localizedName = nameOf(*screen).toStdString();
    } else {
        answer.localizedName = kFallbackName.toStdString();
    }
    return answer;
}

} // namespace quillbar
