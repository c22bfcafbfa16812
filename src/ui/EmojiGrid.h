#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QPushButton;

namespace quillbar {

class EmojiCell;

// The picker's popup: "Choose an emoji" with "Clear" above every catalogue group, each a grid of
// emoji cells. It only reports clicks; whoever opened it decides what happens and closes it.
class EmojiGrid : public QWidget {
    Q_OBJECT
public:
    // The grid's columns: how many, how wide each is and the gap between two.
    struct Columns {
        int count = 10;
        int width = 30;
        int spacing = 2;
    };

    // A grid that marks selected (empty for none) and lays each group out in columns.
    EmojiGrid(const QString& selected, Columns columns, QWidget* parent = nullptr);

    // The "Clear" button.
    QPushButton* clearButton() const { return clearButton_; }
    // Every cell, in catalogue order.
    const std::vector<EmojiCell*>& cells() const { return cells_; }

signals:
    // The user clicked the cell of emoji.
    void picked(const QString& emoji);
    // The user clicked "Clear".
    void cleared();

private:
    QWidget* makeHeader(const QString& selected);
    QWidget* makeSections(const QString& selected, Columns columns);

    QPushButton* clearButton_ = nullptr;
    std::vector<EmojiCell*> cells_;
};

} // namespace quillbar
