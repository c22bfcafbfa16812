// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace quillbar {

class SpaceObserver;

// The tray icon of the current space: its emoji in colour when it has one, otherwise a badge with
// the desktop's number (or the first character of its title; "?" when there is no current space).
class MenuBarIcon {
public:
    // What the icon shows; exactly one of the two is set.
    struct Content {
        QString emoji;
        QString badge;

        bool operator==(const Content&) const = default;
    };

    // The content for the observer's current space.
    static Content contentFor(const SpaceObserver& observer);
    // The icon for the content, drawn at each size and device pixel ratio the tray asks for, once
    // per size.
    static QIcon icon(const Content& content);
    // One square image of the content, size pixels wide, drawn afresh.
    static QImage render(const Content& content, int size);
};

} // namespace quillbar
