#pragma once

#include <QObject>

class QWidget;

namespace quillbar {

class Defaults;
class SpaceNameStore;
class SpaceObserver;

// Owns the process's one "Rename Spaces" window: creates it on first use, only ever hides it.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    // The one controller of the process.
    static SettingsWindowController& shared();

    // Gives the controller the defaults that hold the first-run flag; call before the first show().
    void setDefaults(Defaults& defaults);

    // Refreshes the observer, shows, raises and activates the window, then emits
    // renameWindowDidShow().
    void show(SpaceObserver& observer, SpaceNameStore& nameStore);

signals:
    // Emitted after every show().
    void renameWindowDidShow();

private:
    SettingsWindowController() = default;

    Defaults* defaults_ = nullptr;
    QWidget* window_ = nullptr;
};

} // namespace quillbar
