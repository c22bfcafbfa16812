// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QPushButton;
class QScrollArea;

namespace quillbar {

class EmojiCell;

// The picker's popup: "Choose an emoji" with "Clear" above every catalogue group, each a grid of
// emoji cells, inside a border. It reports clicks and keys; whoever opened it decides what happens
// and closes it. Keys: arrows move the current cell, Return or Space picks it, Delete or Backspace
// clears, a letter moves to the next group whose title starts with it, Escape closes.
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
    // Every cell, in catalogue order.
    const std::vector<EmojiCell*>& cells() const { return cells_; }
    // The cell that the keyboard is on.
    EmojiCell* currentCell() const { return cells_[current_]; }

signals:
    // The user clicked the cell of emoji, or pressed Return on it.
    void picked(const QString& emoji);
    // The user clicked "Clear", or pressed Delete.
    void cleared();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // One catalogue group's cells: where they start in cells_, how many, and the shown title.
    struct Section {
        int start = 0;
        int size = 0;
        QString title;
    };

    QWidget* makeHeader(const QString& selected);
    QWidget* makeSections(const QString& selected);
    int sectionOf(int index) const;
    int verticalNeighbour(int index, int step) const;
    bool jumpToSection(const QString& text);
    void moveTo(int index);

    Columns columns_;
    QScrollArea* scroll_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    std::vector<EmojiCell*> cells_;
    std::vector<Section> sections_;
    int current_ = 0;
};

} // namespace quillbar
