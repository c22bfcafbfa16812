// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/EmojiGrid.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QPushButton;

namespace quillbar {

// A row's emoji button: "+" or the emoji, opening the emoji grid below itself on a click, Space or
// Return. A pick or "Clear" changes the emoji and closes the grid; any other way of closing it
// changes nothing. The button takes the focus by Tab only, so a click leaves it where it was.
class EmojiPicker : public QWidget {
    Q_OBJECT
public:
    explicit EmojiPicker(QWidget* parent = nullptr);

    // The emoji shown; empty for none.
    const QString& emoji() const { return emoji_; }
    // Shows emoji without announcing it.
    void setEmoji(const QString& emoji);

    // The button that opens the grid.
    QPushButton* button() const { return button_; }
    // The open grid, or null while it is closed.
    EmojiGrid* grid() const { return grid_; }
    // Opens the grid below the button, built from the current emoji.
    void openGrid();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The user picked an emoji or cleared it (empty); emoji() already returns it.
    void emojiPicked(const QString& emoji);

private:
    void choose(const QString& emoji);
    void updateButton();

    QString emoji_;
    QPushButton* button_;
    QPointer<EmojiGrid> grid_;
};

} // namespace quillbar
