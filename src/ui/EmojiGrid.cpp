#include "ui/EmojiGrid.h"

#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quillbar {

namespace {
constexpr QSize gridSize{340, 300};

QFont sizedFont(const QFont& base, int pixelSize, QFont::Weight weight) {
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// Text equality under canonical equivalence.
bool sameText(const QString& a, const QString& b) {
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
} // namespace

EmojiGrid::EmojiGrid(const QString& selected, Columns columns, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(gridSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(makeHeader(selected));
    layout->addWidget(divider(this));

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setWidget(makeSections(selected, columns));
    layout->addWidget(scroll, 1);
}

QWidget* EmojiGrid::makeHeader(const QString& selected) {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 10, 12, 0);
    auto* title = new QLabel(QStringLiteral("Choose an emoji"), header);
    title->setFont(sizedFont(font(), 12, QFont::DemiBold));
    row->addWidget(title);
    row->addStretch(1);
    clearButton_ = new QPushButton(QStringLiteral("Clear"), header);
    clearButton_->setFont(sizedFont(font(), 11, QFont::Normal));
    clearButton_->setEnabled(!selected.isEmpty());
    clearButton_->setAutoDefault(false);
    connect(clearButton_, &QPushButton::clicked, this, &EmojiGrid::cleared);
    row->addWidget(clearButton_);
    return header;
}

QWidget* EmojiGrid::makeSections(const QString& selected, Columns columns) {
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 10);
    stack->setSpacing(10);

    QColor tertiary = palette().color(QPalette::PlaceholderText);
    tertiary.setAlphaF(0.75);
    for (const EmojiCatalog::Group& group : EmojiCatalog::groups()) {
        auto* section = new QVBoxLayout;
        section->setSpacing(4);
        auto* title = new QLabel(QString::fromStdString(group.name).toUpper(), content);
        title->setFont(sizedFont(font(), 9, QFont::DemiBold));
        QPalette titlePalette = title->palette();
        titlePalette.setColor(QPalette::WindowText, tertiary);
        title->setPalette(titlePalette);
        title->setContentsMargins(12, 0, 12, 0);
        section->addWidget(title);

        // The side padding is whatever the scroll bar leaves: the columns stay centred and whole.
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(columns.spacing);
        grid->setVerticalSpacing(2);
        grid->setContentsMargins(0, 0, 0, 0);
        int index = 0;
        for (const std::string& entry : group.emoji) {
            const QString emoji = QString::fromStdString(entry);
            auto* cell = new EmojiCell(emoji, sameText(emoji, selected), content);
            cell->setFixedWidth(columns.width);
            connect(cell, &EmojiCell::clicked, this, [this, emoji] { emit picked(emoji); });
            grid->addWidget(cell, index / columns.count, index % columns.count);
            cells_.push_back(cell);
            ++index;
        }
        auto* centred = new QHBoxLayout;
        centred->addStretch(1);
        centred->addLayout(grid);
        centred->addStretch(1);
        section->addLayout(centred);
        stack->addLayout(section);
    }
    stack->addStretch(1);
    return content;
}

} // namespace quillbar
