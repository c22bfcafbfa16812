// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceInfo.h"
#include "model/Subscription.h"
#include "ui/SettingsRowOrder.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace quillbar {

class Defaults;
class DesktopNameSharing;
class MenuBarLocationHint;
class SettingsHeader;
class SettingsSpaceRow;
class SpaceNameStore;
class SpaceObserver;

// The content of the "Rename Spaces" window: the first-run hint, the column titles, one row per
// space grouped by display in a frozen order, and the footer with the count and "Done". It follows
// the observer and the store and keeps its state for as long as it exists.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    // Reads the first-run flag from defaults once: the hint shows while it was false. With
    // sharing, the footer has its checkbox and the rows say why the desktop cannot take a name.
    SettingsView(SpaceObserver& observer, SpaceNameStore& nameStore, const Defaults& defaults,
                 DesktopNameSharing* sharing = nullptr, QWidget* parent = nullptr);
    // Stops listening to the rows before QWidget's destructor closes the window.
    ~SettingsView() override;

    // Refreshes the observer and focuses the current space's name field 0.15 s later.
    void windowDidShow();
    // Closes the window the view is in.
    void done();

    // Whether the first-run hint is shown.
    bool showsLocationHint() const { return showsLocationHint_; }
    // The key of the row whose name field has keyboard focus.
    const std::optional<std::string>& focusedKey() const { return focusedKey_; }
    // The groups as listed: the observer's groups with their spaces in the frozen order.
    std::vector<SpaceObserver::DisplayGroup> frozenGroups() const;
    // The rows as listed, top to bottom.
    std::vector<SettingsSpaceRow*> rows() const;
    // The group captions as listed (none for a single display).
    std::vector<QLabel*> captions() const;
    // The hint widget (hidden once dismissed).
    MenuBarLocationHint* locationHint() const { return hint_; }
    // The line saying why names are not saved, shown only while they are not.
    QLabel* saveWarning() const { return saveWarning_; }
    // The footer's count text.
    QLabel* countLabel() const { return countLabel_; }
    // The "Done" button.
    QPushButton* doneButton() const { return doneButton_; }
    // The "Use these names in the desktop" checkbox, or null without sharing.
    QCheckBox* shareCheckBox() const { return shareCheckBox_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeFooter();
    void redraw();
    // Redraws unless the window was closed: a closed one catches up when it is shown again.
    void redrawUnlessClosed();
    void layOutRows(const std::vector<SpaceObserver::DisplayGroup>& groups);
    // Drops the rows of spaces no longer listed, brings the others up to date, makes new ones.
    void updateRows(const std::vector<SpaceObserver::DisplayGroup>& groups, bool withCaptions);
    // Lays the listed rows out again, under their displays' captions when there are several.
    void relist(const std::vector<SpaceObserver::DisplayGroup>& groups, bool withCaptions);
    void updateTabOrder();
    void focusCurrentSpace();
    void setFocusedKey(const std::string& key);
    SettingsSpaceRow* makeRow(const SpaceInfo& space);
    void dismissHint();
    void showSaveWarning();
    // The checkbox and each row's refusal, from the sharing.
    void showSharing();

    SpaceObserver& observer_;
    SpaceNameStore& nameStore_;
    bool showsLocationHint_;
    std::optional<std::string> focusedKey_;
    SettingsRowOrder rowOrder_;
    std::vector<SpaceInfo> lastSpaces_;
    bool appeared_ = false;
    bool closed_ = false;
    // What the list shows: group ids and names, space ids, and whether captions are on.
    std::vector<std::string> listedShape_;

    MenuBarLocationHint* hint_;
    QWidget* hintDivider_;
    QLabel* saveWarning_;
    SettingsHeader* header_;
    QScrollArea* scroll_;
    QWidget* list_;
    QVBoxLayout* listLayout_;
    QLabel* countLabel_ = nullptr;
    QPushButton* doneButton_ = nullptr;
    DesktopNameSharing* sharing_;
    QCheckBox* shareCheckBox_ = nullptr;
    std::map<std::string, SettingsSpaceRow*> rowsByID_;
    std::vector<SettingsSpaceRow*> listedRows_;
    std::vector<QLabel*> captions_;
    std::vector<QWidget*> dividers_;

    Subscription observerSubscription_;
    Subscription storeSubscription_;
    Subscription readProblemSubscription_;
    Subscription saveProblemSubscription_;
    Subscription sharingSubscription_;
};

} // namespace quillbar
