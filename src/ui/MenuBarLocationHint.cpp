#include "ui/MenuBarLocationHint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillbar {

namespace {
constexpr qreal backgroundOpacity = 0.1;

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
    , explanation_(new QLabel(this))
    , dismissButton_(new QPushButton(QStringLiteral("Got it"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 12, 18, 12);
    layout->setSpacing(10);
    layout->setAlignment(Qt::AlignTop);

    auto* arrow = new QLabel(QStringLiteral("↑"), this);
    arrow->setFont(sizedFont(font(), 13, QFont::DemiBold));
    arrow->setContentsMargins(0, 1, 0, 0);
    setTextColour(arrow, palette().color(QPalette::Highlight));
    layout->addWidget(arrow, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* headline = new QLabel(QStringLiteral("Quillbar is in your menu bar"), this);
    headline->setFont(sizedFont(font(), 13, QFont::DemiBold));
    texts->addWidget(headline);
    explanation_->setFont(sizedFont(font(), 12, QFont::Normal));
    explanation_->setTextFormat(Qt::RichText);
    explanation_->setWordWrap(true);
    setTextColour(explanation_, palette().color(QPalette::PlaceholderText));
    texts->addWidget(explanation_);
    layout->addLayout(texts, 1);

    layout->addSpacing(8);
    QFont small = font();
    small.setPixelSize(11);
    dismissButton_->setFont(small);
    dismissButton_->setAutoDefault(false);
    connect(dismissButton_, &QPushButton::clicked, this, &MenuBarLocationHint::dismissed);
    layout->addWidget(dismissButton_, 0, Qt::AlignTop);
    setTitle(QString());
}

void MenuBarLocationHint::setTitle(const QString& title) {
    explanation_->setText(QStringLiteral("Look along the top of your screen for <b>%1</b> — click "
                                         "it to switch desktops, or to open this window again.")
                              .arg(title.toHtmlEscaped()));
}

void MenuBarLocationHint::paintEvent(QPaintEvent*) {
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlphaF(backgroundOpacity);
    QPainter(this).fillRect(rect(), tint);
}

} // namespace quillbar
