// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarLocationHint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillbar {

namespace {
constexpr qreal backgroundOpacity = 0.1;
constexpr int pictureSize = 22;

QFont sizedFont(const QFont& base, int pixelSize, QFont::Weight weight) {
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}
} // namespace

MenuBarLocationHint::MenuBarLocationHint(QWidget* parent)
    : QWidget(parent)
    , picture_(new QLabel(this))
    , headline_(new QLabel(this))
    , explanation_(new QLabel(this))
    , notice_(new QLabel(this))
    , dismissButton_(new QPushButton(tr("Got it"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 12, 18, 12);
    layout->setSpacing(10);
    layout->setAlignment(Qt::AlignTop);

    // Panels sit at the top or the bottom: the banner shows the icon instead of pointing.
    picture_->setFixedSize(pictureSize, pictureSize);
    layout->addWidget(picture_, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    headline_->setFont(sizedFont(font(), 13, QFont::DemiBold));
    headline_->setWordWrap(true);
    texts->addWidget(headline_);
    explanation_->setFont(sizedFont(font(), 12, QFont::Normal));
    explanation_->setTextFormat(Qt::RichText);
    explanation_->setWordWrap(true);
    setTextColour(explanation_, palette().color(QPalette::PlaceholderText));
    texts->addWidget(explanation_);
    // Text the user can select, to copy the command in it.
    notice_->setFont(sizedFont(font(), 12, QFont::DemiBold));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    notice_->hide();
    texts->addWidget(notice_);
    layout->addLayout(texts, 1);

    layout->addSpacing(8);
    QFont small = font();
    small.setPixelSize(11);
    dismissButton_->setFont(small);
    dismissButton_->setAutoDefault(false);
    connect(dismissButton_, &QPushButton::clicked, this, &MenuBarLocationHint::dismissed);
    layout->addWidget(dismissButton_, 0, Qt::AlignTop);
    setTrayIcon({{}, QStringLiteral("?")});
}

void MenuBarLocationHint::setPlace(Place place) {
    place_ = place;
    describe();
}

void MenuBarLocationHint::setTrayIcon(const MenuBarIcon::Content& content) {
    const qreal ratio = devicePixelRatioF();
    if (content == content_ && ratio == pictureRatio_)
        return;
    content_ = content;
    pictureRatio_ = ratio;
    QPixmap pixmap = QPixmap::fromImage(MenuBarIcon::render(content, qRound(pictureSize * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    picture_->setPixmap(pixmap);
    describe();
}

void MenuBarLocationHint::describe() {
    // The tray's picture is the icon itself; the top bar shows text, and no tray shows nothing.
    picture_->setVisible(place_ == Place::Tray);
    if (place_ == Place::TopBar) {
        headline_->setText(tr("Quillbar is in the top bar"));
        explanation_->setText(
            tr("Look at the right of the top bar for the emoji and name of the desktop you are "
               "on, written as text. Click them to switch desktops, or to open this window "
               "again."));
    } else if (place_ == Place::NoTray) {
        headline_->setText(tr("No system tray found"));
        explanation_->setText(tr("No system tray found: the title is served to "
                                 "<b>quillbar --print-title --follow</b>, for a panel or bar that "
                                 "runs a command."));
    } else {
        headline_->setText(tr("Quillbar is in your panel's tray"));
        explanation_->setText(
            content_.emoji.isEmpty()
                ? tr("Look in your panel's tray, at the top or bottom of the screen, for the blue "
                     "square with <b>%1</b> in it: the number of the desktop you are on. Click it "
                     "to switch desktops, or to open this window again.")
                      .arg(content_.badge.toHtmlEscaped())
                : tr("Look in your panel's tray, at the top or bottom of the screen, for the "
                     "emoji of the desktop you are on, as shown here. Click it to switch "
                     "desktops, or to open this window again."));
    }
}

void MenuBarLocationHint::setNotice(const QString& notice) {
    // What follows the last colon (the command to run) gets a line of its own, so that wrapping
    // never breaks it at a hyphen.
    QString text = notice;
    const qsizetype colon = text.lastIndexOf(QStringLiteral(": "));
    if (colon >= 0)
        text.replace(colon, 2, QStringLiteral(":\n"));
    notice_->setText(text);
    notice_->setVisible(!notice.isEmpty());
}

void MenuBarLocationHint::paintEvent(QPaintEvent*) {
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlphaF(backgroundOpacity);
    QPainter(this).fillRect(rect(), tint);
}

} // namespace quillbar
