// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiGrid.h"

#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiSearch.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace quillbar {

namespace {
constexpr QSize gridSize{340, 336};
// Six rows of matches: more words narrow a search down.
constexpr int maxMatches = 60;
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
    , selected_(selected)
    , columns_(columns) {
    setFixedSize(gridSize);
    setAccessibleName(tr("Choose an emoji"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(borderWidth, borderWidth, borderWidth, borderWidth);
    layout->setSpacing(8);
    layout->addWidget(makeHeader());
    layout->addWidget(divider(this));

    scroll_ = new QScrollArea(this);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(scroll_, 1);
    showMatches(QString());
}

QWidget* EmojiGrid::makeHeader() {
    auto* header = new QWidget(this);
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(12, 10, 12, 0);
    column->setSpacing(6);
    auto* row = new QHBoxLayout;
    auto* title = new QLabel(tr("Choose an emoji"), header);
    title->setFont(sizedFont(font(), 12, QFont::DemiBold));
    row->addWidget(title);
    row->addStretch(1);
    clearButton_ = new QPushButton(tr("Clear"), header);
    clearButton_->setFont(sizedFont(font(), 11, QFont::Normal));
    clearButton_->setEnabled(!selected_.isEmpty());
    clearButton_->setAutoDefault(false);
    // Delete clears from the keyboard; the button must not take the keys from the search field.
    clearButton_->setFocusPolicy(Qt::NoFocus);
    connect(clearButton_, &QPushButton::clicked, this, &EmojiGrid::cleared);
    row->addWidget(clearButton_);
    column->addLayout(row);

    search_ = new QLineEdit(header);
    search_->setPlaceholderText(tr("Search"));
    search_->setAccessibleName(tr("Search emoji"));
    search_->setMaxLength(EmojiSearch::maxQueryLength);
    search_->setClearButtonEnabled(true);
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, this, &EmojiGrid::showMatches);
    column->addWidget(search_);
    // Keyboard first: whatever gives the popup the focus gives it to the search field.
    setFocusProxy(search_);
    return header;
}

QWidget* EmojiGrid::makeSections(const std::vector<Listing>& listings) {
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 10);
    stack->setSpacing(10);

    QColor tertiary = palette().color(QPalette::PlaceholderText);
    tertiary.setAlphaF(0.75);
    for (const Listing& listing : listings) {
        sections_.push_back({int(cells_.size()), int(listing.emoji.size()), listing.title});
        auto* section = new QVBoxLayout;
        section->setSpacing(4);
        auto* title = new QLabel(listing.title, content);
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
        for (const QString& emoji : listing.emoji) {
            auto* cell = new EmojiCell(emoji, sameText(emoji, selected_), content);
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

void EmojiGrid::showMatches(const QString& query) {
    std::vector<Listing> listings;
    const QStringList found = EmojiSearch::find(query, maxMatches);
    if (!query.trimmed().isEmpty()) {
        listings.push_back(
            {found.isEmpty() ? tr("No emoji found") : tr("Search results").toUpper(), found});
    } else {
        for (const EmojiCatalog::Group& group : EmojiCatalog::groups()) {
            Listing listing{
                QCoreApplication::translate("EmojiCatalog", group.name.c_str()).toUpper(), {}};
            for (const std::string& entry : group.emoji)
                listing.emoji << QString::fromStdString(entry);
            listings.push_back(std::move(listing));
        }
    }
    cells_.clear();
    sections_.clear();
    current_ = 0;
    // The scroll area deletes the widget it showed before.
    scroll_->setWidget(makeSections(listings));
    const auto chosen = std::ranges::find_if(cells_, &EmojiCell::isSelected);
    // A search starts on its best match; the catalogue on the chosen entry.
    moveTo(chosen == cells_.end() || !found.isEmpty() ? 0 : int(chosen - cells_.begin()));
}

bool EmojiGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void EmojiGrid::keyPressEvent(QKeyEvent* event) {
    if (handleKey(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

bool EmojiGrid::handleKey(QKeyEvent* event) {
    const bool empty = search_->text().isEmpty();
    switch (event->key()) {
    case Qt::Key_Up:
        moveTo(verticalNeighbour(current_, -1));
        return true;
    case Qt::Key_Down:
        moveTo(verticalNeighbour(current_, 1));
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!empty)
            return false;
        moveTo(event->key() == Qt::Key_Left    ? current_ - 1
               : event->key() == Qt::Key_Right ? current_ + 1
               : event->key() == Qt::Key_Home  ? 0
                                               : int(cells_.size()) - 1);
        return true;
    case Qt::Key_Space:
        if (!empty)
            return false;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (EmojiCell* cell = currentCell())
            emit picked(cell->emoji());
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (!empty)
            return false;
        emit cleared();
        return true;
    case Qt::Key_Escape:
        // The first Escape takes back the search; the next one closes the popup (the base class).
        if (empty)
            return false;
        search_->clear();
        return true;
    default:
        return false;
    }
}

void EmojiGrid::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only now are the cells laid out where the scroll area can find them.
    if (EmojiCell* cell = currentCell())
        scroll_->ensureWidgetVisible(cell, 0, titleRoom);
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
