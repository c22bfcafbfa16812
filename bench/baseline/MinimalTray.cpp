// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for Quillbar's start-up time and memory: the least a Qt 6 tray program does, a
// QApplication with one tray icon (a plain square) and nothing else.
#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPixmap square(22, 22);
    square.fill(QColor(0x2f, 0x6f, 0xd6));
    QSystemTrayIcon icon{QIcon(square)};
    icon.show();
    return app.exec();
}
