// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsSpaceRow.h"

#include "model/SpaceNameStore.h"
#include "ui/EmojiPicker.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <utility>

namespace quillbar {

namespace {
constexpr int numberWidth = 44;
constexpr int displayWidth = 110;
constexpr int emojiWidth = 64;
constexpr int shareProblemWidth = 200;
constexpr int captionPixelSize = 11;
constexpr int bodyPixelSize = 13;
constexpr qreal currentTintOpacity = 0.08;
constexpr int displayIdentifierCut = 8;

void setTextColour(QWidget* widget, QPalette::ColorRole role) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, widget->parentWidget()->palette().color(role));
    widget->setPalette(palette);
}

// The display's name, else its identifier cut to its first 8 characters.
QString displayText(const SpaceInfo& space, const std::optional<std::string>& displayName) {
    if (displayName)
        return QString::fromStdString(*displayName);
    const QString identifier = QString::fromStdString(space.displayIdentifier);
    QString cut;
    int characters = 0;
    for (qsizetype i = 0; i < identifier.size() && characters < displayIdentifierCut;
         ++characters) {
        const qsizetype width = identifier[i].isHighSurrogate() ? 2 : 1;
        cut += identifier.mid(i, width);
        i += width;
    }
    return cut;
}
} // namespace

SettingsSpaceRow::SettingsSpaceRow(const SpaceInfo& space, std::optional<std::string> displayName,
                                   SpaceNameStore& nameStore, QWidget* parent)
    : QWidget(parent)
    , space_(space)
    , displayName_(std::move(displayName))
    , nameStore_(nameStore)
    , numberLabel_(new QLabel(this))
    , displayLabel_(new QLabel(this))
    , nameField_(new QLineEdit(this))
    , readOnlyLabel_(new QLabel(this))
    , shareProblemLabel_(new QLabel(this))
    , picker_(new EmojiPicker(this))
    , emptyEmoji_(new QWidget(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 8, 18, 8);
    layout->setSpacing(12);

    QFont number = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    number.setPixelSize(bodyPixelSize);
    numberLabel_->setFont(number);
    numberLabel_->setFixedWidth(numberWidth);
    layout->addWidget(numberLabel_);

    QFont caption = font();
    caption.setPixelSize(captionPixelSize);
    displayLabel_->setFont(caption);
    displayLabel_->setFixedWidth(displayWidth);
    setTextColour(displayLabel_, QPalette::PlaceholderText);
    layout->addWidget(displayLabel_);
    displayLabel_->setVisible(namesDisplay_);

    nameField_->setObjectName(QStringLiteral("spaceNameField"));
    nameField_->installEventFilter(this);
    layout->addWidget(nameField_, 1);
    setTextColour(readOnlyLabel_, QPalette::PlaceholderText);
    layout->addWidget(readOnlyLabel_, 1);
    QFont small = font();
    small.setPixelSize(captionPixelSize);
    shareProblemLabel_->setFont(small);
    shareProblemLabel_->setWordWrap(true);
    shareProblemLabel_->setMaximumWidth(shareProblemWidth);
    setTextColour(shareProblemLabel_, QPalette::PlaceholderText);
    shareProblemLabel_->hide();
    layout->addWidget(shareProblemLabel_);

    picker_->button()->installEventFilter(this);
    layout->addWidget(picker_);
    emptyEmoji_->setFixedSize(emojiWidth, 1);
    layout->addWidget(emptyEmoji_);

    // Only the user's edits are stored: filling the field from the store writes nothing.
    connect(nameField_, &QLineEdit::textEdited, this, &SettingsSpaceRow::nameChanged);
    connect(picker_, &EmojiPicker::emojiPicked, this, &SettingsSpaceRow::setEmoji);

    showSpace();
    load();
}

void SettingsSpaceRow::setSpace(const SpaceInfo& space, std::optional<std::string> displayName) {
    // A desktop change moves only the current mark: every other text of the row stays as set.
    SpaceInfo unmarked = space;
    unmarked.isCurrent = space_.isCurrent;
    unmarked.isActiveOnDisplay = space_.isActiveOnDisplay;
    if (unmarked == space_ && displayName == displayName_) {
        const bool markMoved = space.isCurrent != space_.isCurrent;
        space_ = space;
        if (markMoved)
            showCurrentMark();
        return;
    }
    const bool newKey = space.persistenceID != space_.persistenceID;
    space_ = space;
    displayName_ = std::move(displayName);
    showSpace();
    if (newKey) {
        loadedKey_.reset();
        load();
    }
}

bool SettingsSpaceRow::isEditable() const {
    return space_.persistenceID && (space_.type == SpaceInfo::ordinaryDesktopType ||
                                    space_.type == SpaceInfo::fullscreenType);
}

bool SettingsSpaceRow::focusName() {
    if (!isEditable())
        return false;
    nameField_->setFocus(Qt::OtherFocusReason);
    return true;
}

void SettingsSpaceRow::setNamesDisplay(bool namesDisplay) {
    if (namesDisplay == namesDisplay_)
        return;
    namesDisplay_ = namesDisplay;
    // With one display its name says nothing (a driver's or a virtual monitor's name).
    displayLabel_->setVisible(namesDisplay_);
    updateAccessibleName();
}

void SettingsSpaceRow::setShareProblem(const QString& reason) {
    shareProblemLabel_->setText(reason);
    shareProblemLabel_->setVisible(!reason.isEmpty());
    nameField_->setToolTip(reason);
}

void SettingsSpaceRow::updateAccessibleName() {
    const QString defaultName = QString::fromStdString(space_.defaultName());
    nameField_->setAccessibleName(namesDisplay_
                                      ? tr("Name of %1 on %2").arg(defaultName, displayText_)
                                      : tr("Name of %1").arg(defaultName));
}

void SettingsSpaceRow::load() {
    if (!space_.persistenceID || loadedKey_ == space_.persistenceID)
        return;
    const SpaceAssignment stored = nameStore_.assignment(*space_.persistenceID);
    nameField_->setText(QString::fromStdString(stored.name));
    emoji_ = QString::fromStdString(stored.emoji);
    picker_->setEmoji(emoji_);
    loadedKey_ = space_.persistenceID;
}

void SettingsSpaceRow::showCurrentMark() {
    setTextColour(numberLabel_,
                  space_.isCurrent ? QPalette::WindowText : QPalette::PlaceholderText);
    update();
}

void SettingsSpaceRow::showSpace() {
    numberLabel_->setText(space_.desktopIndex ? QString::number(*space_.desktopIndex)
                                              : QStringLiteral("—"));
    displayText_ = displayText(space_, displayName_);
    displayLabel_->setText(
        displayLabel_->fontMetrics().elidedText(displayText_, Qt::ElideMiddle, displayWidth));
    displayLabel_->setToolTip(displayText_);
    updateAccessibleName();

    const QString defaultName = QString::fromStdString(space_.defaultName());
    const bool editable = isEditable();
    nameField_->setPlaceholderText(defaultName);
    readOnlyLabel_->setText(defaultName);
    nameField_->setVisible(editable);
    picker_->setVisible(editable);
    readOnlyLabel_->setVisible(!editable);
    emptyEmoji_->setVisible(!editable);
    showCurrentMark();
}

void SettingsSpaceRow::nameChanged(const QString& text) {
    if (isEditable())
        nameStore_.updateName(text.toStdString(), *space_.persistenceID);
}

void SettingsSpaceRow::setEmoji(const QString& emoji) {
    if (emoji == emoji_)
        return;
    emoji_ = emoji;
    if (isEditable())
        nameStore_.updateEmoji(emoji.toStdString(), *space_.persistenceID);
}

void SettingsSpaceRow::paintEvent(QPaintEvent*) {
    if (!space_.isCurrent)
        return;
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlphaF(currentTintOpacity);
    QPainter(this).fillRect(rect(), tint);
}

void SettingsSpaceRow::mousePressEvent(QMouseEvent* event) {
    focusName();
    event->accept();
}

bool SettingsSpaceRow::eventFilter(QObject* watched, QEvent* event) {
    // The emoji button does not take the focus on a click; the name field does.
    if (watched == picker_->button() && event->type() == QEvent::MouseButtonPress)
        focusName();
    if (watched == nameField_ && space_.persistenceID) {
        if (event->type() == QEvent::FocusIn)
            emit nameFocused(*space_.persistenceID);
        else if (event->type() == QEvent::FocusOut)
            emit nameFocusLost(*space_.persistenceID);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillbar
