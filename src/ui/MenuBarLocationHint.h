#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quillbar {

// The first-run banner of the rename window: where the tray item is and what it does, with
// "Got it" to dismiss it.
class MenuBarLocationHint : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarLocationHint(QWidget* parent = nullptr);

    // Names the tray item's current title in the explanation.
    void setTitle(const QString& title);

    // The explanation line, with the title in bold.
    QLabel* explanation() const { return explanation_; }
    // The "Got it" button.
    QPushButton* dismissButton() const { return dismissButton_; }

signals:
    // "Got it" was clicked.
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* explanation_;
    QPushButton* dismissButton_;
};

} // namespace quillbar
