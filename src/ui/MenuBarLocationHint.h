// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/MenuBarIcon.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quillbar {

// The first-run banner of the rename window: where Quillbar shows (the tray, GNOME's top bar, or
// nowhere when no tray was found), what it looks like (for the tray its picture and, for a number
// badge, the number) and what it does, with "Got it" to dismiss it.
class MenuBarLocationHint : public QWidget {
    Q_OBJECT
public:
    // Where the title shows.
    enum class Place { Tray, TopBar, NoTray };

    explicit MenuBarLocationHint(QWidget* parent = nullptr);

    // Describes the title at that place (the tray until told otherwise).
    void setPlace(Place place);
    // Shows and describes what the tray item now shows.
    void setTrayIcon(const MenuBarIcon::Content& content);
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

    Place place_ = Place::Tray;
    MenuBarIcon::Content content_;
    qreal pictureRatio_ = 0; // the pixel ratio the picture was drawn for; 0: none drawn
    QLabel* picture_;
    QLabel* headline_;
    QLabel* explanation_;
    QLabel* notice_;
    QPushButton* dismissButton_;
};

} // namespace quillbar
