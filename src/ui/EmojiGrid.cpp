// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiGrid.h"

#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace quillbar {

namespace {
constexpr QSize gridSize{340, 300};
constexpr int borderWidth = 1;
// Room kept above a cell scrolled into view, so its group's title shows too.
constexpr int titleRoom = 24;

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
    : QWidget(parent)
    , columns_(columns) {
    setFixedSize(gridSize);
    // The grid itself takes the keys: nothing inside it holds the focus.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Choose an emoji"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(borderWidth, borderWidth, borderWidth, borderWidth);
    layout->setSpacing(8);
    layout->addWidget(makeHeader(selected));
    layout->addWidget(divider(this));

    scroll_ = new QScrollArea(this);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->setWidget(makeSections(selected));
    layout->addWidget(scroll_, 1);

    const auto chosen = std::ranges::find_if(cells_, &EmojiCell::isSelected);
    moveTo(chosen == cells_.end() ? 0 : int(chosen - cells_.begin()));
}

QWidget* EmojiGrid::makeHeader(const QString& selected) {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 10, 12, 0);
    auto* title = new QLabel(tr("Choose an emoji"), header);
    title->setFont(sizedFont(font(), 12, QFont::DemiBold));
    row->addWidget(title);
    row->addStretch(1);
    clearButton_ = new QPushButton(tr("Clear"), header);
    clearButton_->setFont(sizedFont(font(), 11, QFont::Normal));
    clearButton_->setEnabled(!selected.isEmpty());
    clearButton_->setAutoDefault(false);
    // Delete clears from the keyboard; the button must not take the keys from the grid.
    clearButton_->setFocusPolicy(Qt::NoFocus);
    connect(clearButton_, &QPushButton::clicked, this, &EmojiGrid::cleared);
    row->addWidget(clearButton_);
    return header;
}

QWidget* EmojiGrid::makeSections(const QString& selected) {
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 10);
    stack->setSpacing(10);

    QColor tertiary = palette().color(QPalette::PlaceholderText);
    tertiary.setAlphaF(0.75);
    for (const EmojiCatalog::Group& group : EmojiCatalog::groups()) {
        const QString name =
            QCoreApplication::translate("EmojiCatalog", group.name.c_str()).toUpper();
        sections_.push_back({int(cells_.size()), int(group.emoji.size()), name});
        auto* section = new QVBoxLayout;
        section->setSpacing(4);
        auto* title = new QLabel(name, content);
        title->setFont(sizedFont(font(), 9, QFont::DemiBold));
        QPalette titlePalette = title->palette();
        titlePalette.setColor(QPalette::WindowText, tertiary);
        title->setPalette(titlePalette);
        title->setContentsMargins(12, 0, 12, 0);
        section->addWidget(title);

        // The side padding is whatever the scroll bar leaves: the columns stay centred and whole.
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(columns_.spacing);
        grid->setVerticalSpacing(2);
        grid->setContentsMargins(0, 0, 0, 0);
        int index = 0;
        for (const std::string& entry : group.emoji) {
            const QString emoji = QString::fromStdString(entry);
            auto* cell = new EmojiCell(emoji, sameText(emoji, selected), content);
            cell->setFixedWidth(columns_.width);
            connect(cell, &EmojiCell::clicked, this, [this, emoji] { emit picked(emoji); });
            grid->addWidget(cell, index / columns_.count, index % columns_.count);
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

void EmojiGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        moveTo(current_ - 1);
        break;
    case Qt::Key_Right:
        moveTo(current_ + 1);
        break;
    case Qt::Key_Up:
        moveTo(verticalNeighbour(current_, -1));
        break;
    case Qt::Key_Down:
        moveTo(verticalNeighbour(current_, 1));
        break;
    case Qt::Key_Home:
        moveTo(0);
        break;
    case Qt::Key_End:
        moveTo(int(cells_.size()) - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit picked(currentCell()->emoji());
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        emit cleared();
        break;
    default:
        // Escape closes the popup in the base class; other keys are tried as a group's letter.
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier) ||
            !jumpToSection(event->text()))
            QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void EmojiGrid::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only now are the cells laid out where the scroll area can find them.
    scroll_->ensureWidgetVisible(currentCell(), 0, titleRoom);
}

void EmojiGrid::paintEvent(QPaintEvent*) {
    // A popup gets no frame from the window manager: the border sets it apart from the window.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Dark), borderWidth));
    painter.drawRect(rect().adjusted(0, 0, -borderWidth, -borderWidth));
}

int EmojiGrid::sectionOf(int index) const {
    int found = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (sections_[i].start <= index)
            found = int(i);
    return found;
}

int EmojiGrid::verticalNeighbour(int index, int step) const {
    int section = sectionOf(index);
    const int position = index - sections_[section].start;
    const int column = position % columns_.count;
    int row = position / columns_.count + step;
    const auto rowsOf = [this](int s) {
        return (sections_[s].size + columns_.count - 1) / columns_.count;
    };
    if (row < 0) {
        if (section == 0)
            return index;
        --section;
        row = rowsOf(section) - 1;
    } else if (row >= rowsOf(section)) {
        if (section + 1 == int(sections_.size()))
            return index;
        ++section;
        row = 0;
    }
    const Section& target = sections_[section];
    return target.start + std::min(row * columns_.count + column, target.size - 1);
}

bool EmojiGrid::jumpToSection(const QString& text) {
    if (text.size() != 1 || !text[0].isLetter())
        return false;
    const int count = int(sections_.size());
    const int here = sectionOf(current_);
    for (int step = 1; step <= count; ++step) {
        const Section& candidate = sections_[(here + step) % count];
        if (candidate.title.startsWith(text, Qt::CaseInsensitive)) {
            moveTo(candidate.start);
            break;
        }
    }
    return true;
}

void EmojiGrid::moveTo(int index) {
    if (cells_.empty())
        return;
    index = std::clamp(index, 0, int(cells_.size()) - 1);
    cells_[current_]->setCurrent(false);
    current_ = index;
    EmojiCell* cell = cells_[current_];
    cell->setCurrent(true);
    if (isVisible())
        scroll_->ensureWidgetVisible(cell, 0, titleRoom);
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

} // namespace quillbar
