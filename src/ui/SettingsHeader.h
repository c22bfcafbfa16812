// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quillbar {

// The column titles above the rename window's rows: "#", "Display" (with several displays), "Name"
// and "Emoji".
class SettingsHeader : public QWidget {
    Q_OBJECT
public:
    explicit SettingsHeader(QWidget* parent = nullptr);

    // Shows or hides the "Display" title (shown only while there are several displays).
    void setDisplayColumnShown(bool shown);

private:
    QWidget* displayTitle_ = nullptr;
};

} // namespace quillbar
