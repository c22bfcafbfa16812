// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/MenuBarIcon.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quillbar {

// The first-run banner of the rename window: where the tray item is, what it looks like (its
// picture and, for a number badge, the number) and what it does, with "Got it" to dismiss it.
class MenuBarLocationHint : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarLocationHint(QWidget* parent = nullptr);

    // Shows and describes what the tray item now shows.
    void setTrayIcon(const MenuBarIcon::Content& content);
    // Says that no tray shows the item (missing) and where the title can be had instead, or,
    // again, where the item is.
    void setTrayMissing(bool missing);
    // A line that says what is missing and the command that fixes it (empty: none).
    void setNotice(const QString& notice);

    // The headline.
    QLabel* headline() const { return headline_; }
    // The explanation line.
    QLabel* explanation() const { return explanation_; }
    // The picture of the tray item.
    QLabel* picture() const { return picture_; }
    // The notice line (hidden while there is none).
    QLabel* notice() const { return notice_; }
    // The "Got it" button.
    QPushButton* dismissButton() const { return dismissButton_; }

signals:
    // "Got it" was clicked.
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();

    QLabel* picture_;
    QLabel* headline_;
    QLabel* explanation_;
    QLabel* notice_;
    QPushButton* dismissButton_;
    MenuBarIcon::Content content_;
    bool trayMissing_ = false;
};

} // namespace quillbar
