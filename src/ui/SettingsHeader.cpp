// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsHeader.h"

#include <QHBoxLayout>
#include <QLabel>

namespace quillbar {

SettingsHeader::SettingsHeader(QWidget* parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    QFont caption = font();
    caption.setPixelSize(11);
    caption.setWeight(QFont::DemiBold);
    setFont(caption);
    QPalette secondary = palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 10, 18, 10);
    layout->setSpacing(12);
    // The widths match the row columns below.
    const auto addTitle = [&](const QString& text, int width, Qt::Alignment alignment) {
        auto* title = new QLabel(text, this);
        title->setPalette(secondary);
        title->setAlignment(alignment | Qt::AlignVCenter);
        if (width > 0)
            title->setFixedWidth(width);
        layout->addWidget(title, width > 0 ? 0 : 1);
        return title;
    };
    addTitle(QStringLiteral("#"), 44, Qt::AlignLeading);
    displayTitle_ = addTitle(tr("Display"), 110, Qt::AlignLeading);
    displayTitle_->hide();
    addTitle(tr("Name"), 0, Qt::AlignLeading);
    addTitle(tr("Emoji"), 64, Qt::AlignHCenter);
}

void SettingsHeader::setDisplayColumnShown(bool shown) {
    displayTitle_->setVisible(shown);
}

} // namespace quillbar
