// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsView.h"

#include "model/Defaults.h"
#include "model/SpaceNameStore.h"
#include "observer/DesktopNameSharing.h"
#include "observer/SpaceObserver.h"
#include "ui/EmojiPicker.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsSpaceRow.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <set>

namespace quillbar {

namespace {
constexpr const char* firstRunKey = "HasCompletedFirstRun.v1";
constexpr Milliseconds focusDelay{150};

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void useSecondaryText(QLabel* label, int pixelSize, QFont::Weight weight) {
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}
} // namespace

SettingsView::SettingsView(SpaceObserver& observer, SpaceNameStore& nameStore,
                           const Defaults& defaults, DesktopNameSharing* sharing, QWidget* parent)
    : QWidget(parent)
    , observer_(observer)
    , nameStore_(nameStore)
    , showsLocationHint_(!defaults.boolValue(firstRunKey))
    , hint_(new MenuBarLocationHint(this))
    , hintDivider_(divider(this))
    , saveWarning_(new QLabel(this))
    , header_(new SettingsHeader(this))
    , scroll_(new QScrollArea(this))
    , list_(new QWidget)
    , listLayout_(new QVBoxLayout(list_))
    , sharing_(sharing) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    connect(hint_, &MenuBarLocationHint::dismissed, this, &SettingsView::dismissHint);
    hint_->setVisible(showsLocationHint_);
    hintDivider_->setVisible(showsLocationHint_);
    layout->addWidget(hint_);
    layout->addWidget(hintDivider_);
    saveWarning_->setObjectName(QStringLiteral("saveWarning"));
    saveWarning_->setWordWrap(true);
    saveWarning_->setContentsMargins(18, 8, 18, 8);
    layout->addWidget(saveWarning_);
    layout->addWidget(header_);
    layout->addWidget(divider(this));

    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(0);
    // The list draws no focus: were it to take the focus, typing would go nowhere.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(list_);
    layout->addWidget(scroll_, 1);
    layout->addWidget(divider(this));
    layout->addWidget(makeFooter());

    observerSubscription_ = observer_.subscribe([this] { redrawUnlessClosed(); });
    storeSubscription_ = nameStore_.subscribe([this](const NameTable&) { redrawUnlessClosed(); });
    const auto onProblem = [this](const std::optional<std::string>&) { showSaveWarning(); };
    readProblemSubscription_ = nameStore_.subscribeStorageProblem(onProblem);
    saveProblemSubscription_ = nameStore_.subscribeSaveProblem(onProblem);
    showSaveWarning();
    redraw();
    if (sharing_) {
        sharingSubscription_ = sharing_->subscribe([this] { showSharing(); });
        showSharing();
    }
}

void SettingsView::showSharing() {
    const bool available = sharing_->isAvailable();
    shareCheckBox_->setEnabled(available);
    shareCheckBox_->setChecked(available && sharing_->isEnabled());
    shareCheckBox_->setText(available ? tr("Use these names in the desktop")
                                      : tr("This desktop cannot show these names"));
    for (const auto& [id, row] : rowsByID_) {
        const auto key = row->space().persistenceID;
        const auto refusal = key ? sharing_->refusals().find(*key) : sharing_->refusals().end();
        row->setShareProblem(refusal == sharing_->refusals().end()
                                 ? QString()
                                 : QString::fromStdString(refusal->second));
    }
}

void SettingsView::showSaveWarning() {
    // Whoever types here must know while the names live only in memory.
    const std::optional<std::string> reason = nameStore_.notSavedReason();
    saveWarning_->setText(
        reason ? tr("Names are not saved: %1").arg(QString::fromStdString(*reason)) : QString());
    saveWarning_->setVisible(reason.has_value());
}

QWidget* SettingsView::makeFooter() {
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(18, 12, 18, 12);
    countLabel_ = new QLabel(footer);
    countLabel_->setObjectName(QStringLiteral("spaceCount"));
    useSecondaryText(countLabel_, 11, QFont::Normal);
    row->addWidget(countLabel_);
    if (sharing_) {
        row->addSpacing(18);
        shareCheckBox_ = new QCheckBox(footer);
        shareCheckBox_->setObjectName(QStringLiteral("useNamesInDesktop"));
        connect(shareCheckBox_, &QCheckBox::toggled, this, [this](bool on) {
            if (on != sharing_->isEnabled())
                sharing_->setEnabled(on);
        });
        row->addWidget(shareCheckBox_);
    }
    row->addStretch(1);
    doneButton_ = new QPushButton(tr("Done"), footer);
    doneButton_->setDefault(true);
    connect(doneButton_, &QPushButton::clicked, this, &SettingsView::done);
    row->addWidget(doneButton_);
    return footer;
}

SettingsView::~SettingsView() {
    // Closing the window takes the focus from a name field, and the row says so while this
    // object is already half destroyed.
    for (SettingsSpaceRow* row : list_->findChildren<SettingsSpaceRow*>())
        row->disconnect(this);
}

void SettingsView::windowDidShow() {
    observer_.refresh();
    redraw();
    focusCurrentSpace();
}

void SettingsView::done() {
    window()->close();
}

std::vector<SpaceObserver::DisplayGroup> SettingsView::frozenGroups() const {
    return rowOrder_.frozen(observer_.grouped(observer_.spaces()));
}

std::vector<SettingsSpaceRow*> SettingsView::rows() const {
    return listedRows_;
}

std::vector<QLabel*> SettingsView::captions() const {
    return captions_;
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (closed_) {
        closed_ = false;
        redraw();
    }
    if (appeared_)
        return;
    appeared_ = true;
    observer_.refresh();
    redraw();
    focusCurrentSpace();
}

void SettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimizing hides spontaneously; closing (or hide()) is the application's own hiding.
    if (!event->spontaneous())
        closed_ = true;
}

void SettingsView::redrawUnlessClosed() {
    // A closed window would otherwise lay out every row again on each desktop change.
    if (!closed_)
        redraw();
}

void SettingsView::keyPressEvent(QKeyEvent* event) {
    // Name fields pass Return and Escape on to the window: Return is "Done".
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        done();
        return;
    case Qt::Key_Escape:
        window()->close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SettingsView::redraw() {
    const std::vector<SpaceInfo>& spaces = observer_.spaces();
    if (spaces != lastSpaces_) {
        lastSpaces_ = spaces;
        rowOrder_.capture(observer_.grouped(spaces));
    }
    layOutRows(frozenGroups());
    countLabel_->setText(tr("%1 spaces").arg(spaces.size()));
    // A dismissed hint is never shown again: its picture need not follow.
    if (showsLocationHint_)
        hint_->setTrayIcon(MenuBarIcon::contentFor(observer_));
}

void SettingsView::layOutRows(const std::vector<SpaceObserver::DisplayGroup>& groups) {
    const bool withCaptions = groups.size() >= 2;
    header_->setDisplayColumnShown(withCaptions);
    updateRows(groups, withCaptions);
    // The list is built again only when its captions or its order of spaces changed.
    std::vector<std::string> shape{withCaptions ? "captions" : "plain"};
    for (const auto& group : groups) {
        shape.push_back("group:" + group.id + '\n' + group.name);
        for (const SpaceInfo& space : group.spaces)
            shape.push_back(space.id);
    }
    if (shape == listedShape_)
        return;
    listedShape_ = shape;
    relist(groups, withCaptions);
}

void SettingsView::updateRows(const std::vector<SpaceObserver::DisplayGroup>& groups,
                              bool withCaptions) {
    std::set<std::string> listedIDs;
    for (const auto& group : groups) {
        for (const SpaceInfo& space : group.spaces)
            listedIDs.insert(space.id);
    }
    // Rows whose space is gone are dropped; one that comes back starts afresh from the store.
    for (auto it = rowsByID_.begin(); it != rowsByID_.end();) {
        if (listedIDs.contains(it->first)) {
            ++it;
            continue;
        }
        if (focusedKey_ && it->second->space().persistenceID == focusedKey_)
            focusedKey_.reset();
        delete it->second;
        it = rowsByID_.erase(it);
    }
    for (const auto& group : groups) {
        for (const SpaceInfo& space : group.spaces) {
            auto found = rowsByID_.find(space.id);
            if (found != rowsByID_.end())
                found->second->setSpace(space, observer_.displayName(space.displayIdentifier));
            else
                found = rowsByID_.emplace(space.id, makeRow(space)).first;
            found->second->setNamesDisplay(withCaptions);
        }
    }
}

void SettingsView::relist(const std::vector<SpaceObserver::DisplayGroup>& groups,
                          bool withCaptions) {
    while (QLayoutItem* item = listLayout_->takeAt(0))
        delete item;
    for (QWidget* widget : captions_)
        delete widget;
    for (QWidget* widget : dividers_)
        delete widget;
    captions_.clear();
    dividers_.clear();
    listedRows_.clear();
    for (const auto& group : groups) {
        if (withCaptions) {
            auto* caption = new QLabel(QString::fromStdString(group.name), list_);
            useSecondaryText(caption, 11, QFont::DemiBold);
            caption->setContentsMargins(18, 12, 18, 4);
            listLayout_->addWidget(caption);
            captions_.push_back(caption);
        }
        for (const SpaceInfo& space : group.spaces) {
            SettingsSpaceRow* row = rowsByID_.at(space.id);
            listLayout_->addWidget(row);
            row->show();
            listedRows_.push_back(row);
            QFrame* line = divider(list_);
            listLayout_->addWidget(line);
            dividers_.push_back(line);
        }
    }
    listLayout_->addStretch(1);
    updateTabOrder();
}

void SettingsView::updateTabOrder() {
    // Each row's name field, then its emoji button, then the next row; then the checkbox and
    // "Done".
    QWidget* previous = nullptr;
    for (SettingsSpaceRow* row : listedRows_) {
        if (!row->isEditable())
            continue;
        for (QWidget* next : {static_cast<QWidget*>(row->nameField()),
                              static_cast<QWidget*>(row->picker()->button())}) {
            if (previous)
                setTabOrder(previous, next);
            previous = next;
        }
    }
    if (shareCheckBox_) {
        if (previous)
            setTabOrder(previous, shareCheckBox_);
        previous = shareCheckBox_;
    }
    if (previous)
        setTabOrder(previous, doneButton_);
}

SettingsSpaceRow* SettingsView::makeRow(const SpaceInfo& space) {
    auto* row = new SettingsSpaceRow(space, observer_.displayName(space.displayIdentifier),
                                     nameStore_, list_);
    connect(row, &SettingsSpaceRow::nameFocused, this,
            [this](const std::string& key) { focusedKey_ = key; });
    connect(row, &SettingsSpaceRow::nameFocusLost, this, [this](const std::string& key) {
        if (focusedKey_ == key)
            focusedKey_.reset();
        if (sharing_)
            sharing_->flush(); // the name is complete: the desktop may have it now
    });
    if (sharing_ && space.persistenceID) {
        const auto refusal = sharing_->refusals().find(*space.persistenceID);
        if (refusal != sharing_->refusals().end())
            row->setShareProblem(QString::fromStdString(refusal->second));
    }
    return row;
}

void SettingsView::focusCurrentSpace() {
    const SpaceInfo* current = SpaceInfo::firstCurrent(observer_.spaces());
    if (!current || !current->persistenceID)
        return;
    observer_.platform().mainQueue.after(
        focusDelay, [self = QPointer<SettingsView>(this), key = *current->persistenceID] {
            if (self)
                self->setFocusedKey(key);
        });
}

void SettingsView::setFocusedKey(const std::string& key) {
    focusedKey_ = key;
    for (SettingsSpaceRow* row : listedRows_) {
        if (row->space().persistenceID == key && row->focusName()) {
            scroll_->ensureWidgetVisible(row);
            return;
        }
    }
}

void SettingsView::dismissHint() {
    showsLocationHint_ = false;
    hint_->hide();
    hintDivider_->hide();
}

} // namespace quillbar
