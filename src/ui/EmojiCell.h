// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QString>

namespace quillbar {

// One clickable emoji of the grid: the emoji at 19 px in a 30 x 28 frame, on a rounded accent
// background when it is the selected one, ringed when it is the keyboard's current cell.
class EmojiCell : public QAbstractButton {
    Q_OBJECT
public:
    // A cell for emoji (stored text, every scalar kept); selected draws the highlight.
    EmojiCell(const QString& emoji, bool selected, QWidget* parent = nullptr);

    // The entry this cell stands for.
    const QString& emoji() const { return emoji_; }
    // Whether the cell is drawn as the selected entry.
    bool isSelected() const { return selected_; }
    // Whether the cell carries the keyboard's ring.
    bool isCurrent() const { return current_; }
    // Puts the keyboard's ring on the cell or takes it off.
    void setCurrent(bool current);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString emoji_;
    bool selected_;
    bool current_ = false;
};

} // namespace quillbar
