// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Subscription.h"
#include "services/LaunchAtLoginController.h"
#include "services/XdgAutostart.h"
#include "ui/MenuContent.h"

#include <QIcon>
#include <QObject>

#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace quillbar {

class SpaceNameStore;
class SpaceObserver;
class SpaceSwitcher;

// The tray menu. On every opening refreshes the observer, rereads the login item and brings its
// QMenu in line; while it is open, follows whatever the observer, the switcher, the name store or
// the login-item controller publishes (changing the items in place while the menu keeps its
// shape).
class MenuContentView : public QObject {
    Q_OBJECT
public:
    // A menu over the observer, its switcher and the store; the login item is the autostart
    // entry; version is the program's version text.
    MenuContentView(SpaceObserver& observer, SpaceSwitcher& switcher, SpaceNameStore& nameStore,
                    XdgAutostart autostart, QString version, QObject* parent = nullptr);
    ~MenuContentView() override;

    // The menu (owned by the view).
    QMenu* menu() const { return menu_.get(); }
    // What the menu shows now.
    const std::vector<MenuContent::Entry>& entries() const { return entries_; }
    // What the menu would show if it were brought in line now (a closed menu is left as it is).
    std::vector<MenuContent::Entry> currentEntries();
    // The login-item controller, created on first use.
    LaunchAtLoginController& launchAtLogin();
    // A desktop row's icon at the menu's icon sizes: its emoji in colour (or nothing) and, on the
    // current desktop's row, the same check badge whether or not there is an emoji.
    static QIcon spaceIcon(const QString& emoji, bool current);
    // The update command's state: enabled while canCheck, "Update Available…" while waiting.
    void setUpdateState(bool canCheck, bool updateIsWaiting);
    // Brings the menu in line now when what it would show has changed.
    void redraw();
    // What the opening of the menu does: refresh, reread the login item, redraw.
    void prepareToShow();
    // Does what choosing that entry does (switch to its space, a command; nothing for inert ones).
    void perform(const MenuContent::Entry& entry);

signals:
    // "Rename Spaces…" was chosen.
    void renameRequested();
    // The update command was chosen.
    void checkForUpdatesRequested();
    // "Quit" was chosen.
    void quitRequested();
    // What the menu shows changed (entries() has the new entries).
    void entriesChanged();

protected:
    // Gives the items' shortcuts effect while the menu is open (a popup sees keys first).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(std::size_t index);
    // Redraws on the next turn of the event loop, once for everything published before it.
    void redrawSoon();
    void rebuild();
    void addAction(std::size_t index);
    // Shows entry on action; previous is what the action showed before, if anything.
    static void apply(QAction* action, const MenuContent::Entry& entry,
                      const MenuContent::Entry* previous);
    static void showEmojiAsIcon(QAction* action, const MenuContent::Entry& entry);

    SpaceObserver& observer_;
    SpaceSwitcher& switcher_;
    SpaceNameStore& nameStore_;
    XdgAutostart autostart_;
    std::unique_ptr<LaunchAtLoginController> launchAtLogin_;
    MenuContent::State state_;
    std::vector<MenuContent::Entry> entries_;
    std::unique_ptr<QMenu> menu_;
    bool built_ = false;
    bool redrawQueued_ = false;
    std::vector<Subscription> subscriptions_;
};

} // namespace quillbar
