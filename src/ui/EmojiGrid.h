// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class QLineEdit;
class QPushButton;
class QScrollArea;

namespace quillbar {

class EmojiCell;

// The picker's popup: "Choose an emoji" with "Clear" and a search field above every catalogue
// group (or, while the field holds words, the emoji they find), each a grid of emoji cells, inside
// a border. It reports clicks and keys; whoever opened it decides what happens and closes it.
// Typing goes to the search field. Keys: Up and Down (and Left, Right, Home and End while the
// field is empty) move the current cell, Return (or Space in an empty field) picks it, Delete or
// Backspace in an empty field clears, Escape empties the field, else closes.
class EmojiGrid : public QWidget {
    Q_OBJECT
public:
    // The grid's columns: how many, how wide each is and the gap between two.
    struct Columns {
        int count = 10;
        int width = 30;
        int spacing = 2;
    };

    // A grid that marks selected (empty for none) and lays each group out in columns; the
    // selected cell, else the first, is the current one.
    EmojiGrid(const QString& selected, Columns columns, QWidget* parent = nullptr);

    // The "Clear" button.
    QPushButton* clearButton() const { return clearButton_; }
    // The search field.
    QLineEdit* searchField() const { return search_; }
    // Every cell shown, in catalogue order (or the search's order).
    const std::vector<EmojiCell*>& cells() const { return cells_; }
    // The cell that the keyboard is on; null when the search found nothing.
    EmojiCell* currentCell() const { return cells_.empty() ? nullptr : cells_[current_]; }

signals:
    // The user clicked the cell of emoji, or pressed Return on it.
    void picked(const QString& emoji);
    // The user clicked "Clear", or pressed Delete.
    void cleared();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // One catalogue group's cells: where they start in cells_, how many, and the shown title.
    struct Section {
        int start = 0;
        int size = 0;
        QString title;
    };

    // One group to lay out: its title (empty: none) and its emoji.
    struct Listing {
        QString title;
        QStringList emoji;
    };

    QWidget* makeHeader();
    QWidget* makeSections(const std::vector<Listing>& listings);
    void showMatches(const QString& query);
    bool handleKey(QKeyEvent* event);
    int sectionOf(int index) const;
    int verticalNeighbour(int index, int step) const;
    void moveTo(int index);

    QString selected_;
    Columns columns_;
    QLineEdit* search_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    std::vector<EmojiCell*> cells_;
    std::vector<Section> sections_;
    int current_ = 0;
};

} // namespace quillbar
