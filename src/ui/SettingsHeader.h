// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quillbar {

// The column titles above the rename window's rows: "#", "Display", "Name" and "Emoji".
class SettingsHeader : public QWidget {
    Q_OBJECT
public:
    explicit SettingsHeader(QWidget* parent = nullptr);
};

} // namespace quillbar
