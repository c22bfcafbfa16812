// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceInfo.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace quillbar {

class EmojiPicker;
class SpaceNameStore;

// One line of the rename window: a space's number and display, its name field and emoji picker.
// Every keystroke and every pick is written through the store at once; the row loads the stored
// values once per key, so what the user typed since stays in the field.
class SettingsSpaceRow : public QWidget {
    Q_OBJECT
public:
    // A row for space; displayName is the display's name when it has one.
    SettingsSpaceRow(const SpaceInfo& space, std::optional<std::string> displayName,
                     SpaceNameStore& nameStore, QWidget* parent = nullptr);

    // Shows another state of the row's space, or another space: a new key reloads from the store.
    void setSpace(const SpaceInfo& space, std::optional<std::string> displayName);
    // The space shown.
    const SpaceInfo& space() const { return space_; }
    // Whether the row has a name field and picker (a key, and a desktop or full-screen space).
    bool isEditable() const;

    // Gives the name field keyboard focus; false when the row has none.
    bool focusName();
    // Says beside the name why the desktop cannot show it (empty: it can).
    void setShareProblem(const QString& reason);
    // Whether the name field's accessible name also names the display (with several displays).
    void setNamesDisplay(bool namesDisplay);

    // The name field (hidden on read-only rows).
    QLineEdit* nameField() const { return nameField_; }
    // The emoji picker (hidden on read-only rows).
    EmojiPicker* picker() const { return picker_; }
    // The number column.
    QLabel* numberLabel() const { return numberLabel_; }
    // The display column.
    QLabel* displayLabel() const { return displayLabel_; }
    // The default name shown instead of the field on read-only rows.
    QLabel* readOnlyLabel() const { return readOnlyLabel_; }
    // Why the desktop cannot show the name (hidden while it can).
    QLabel* shareProblemLabel() const { return shareProblemLabel_; }

signals:
    // The name field gained keyboard focus.
    void nameFocused(const std::string& key);
    // The name field lost keyboard focus.
    void nameFocusLost(const std::string& key);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A click anywhere in the row puts the focus in its name field.
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void showSpace();
    // The number's colour and the row's tint, which say whether the space is the current one.
    void showCurrentMark();
    void nameChanged(const QString& text);
    void setEmoji(const QString& emoji);
    void updateAccessibleName();

    SpaceInfo space_;
    std::optional<std::string> displayName_;
    SpaceNameStore& nameStore_;
    QString emoji_;
    std::optional<std::string> loadedKey_;
    QString displayText_;
    bool namesDisplay_ = false;

    QLabel* numberLabel_;
    QLabel* displayLabel_;
    QLineEdit* nameField_;
    QLabel* readOnlyLabel_;
    QLabel* shareProblemLabel_;
    EmojiPicker* picker_;
    QWidget* emptyEmoji_;
};

} // namespace quillbar
