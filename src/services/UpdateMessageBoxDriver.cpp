// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/UpdateMessageBoxDriver.h"

#include "services/UpdateFeedAddress.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace quillbar {

namespace {

Q_LOGGING_CATEGORY(lcUpdateDialogs, "quillbar.updates")

// Release notes longer than this are cut before their markup is read: the dialog is no place
// for more, and the markup reader's work grows with the text.
constexpr qsizetype kMaxNotesLength = 20'000;

// Answers the markup reader's requests for style sheets and images with nothing, so that notes
// from the feed never make Quillbar read a file.
class NoResources : public QTextDocument {
public:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

// A message box that deletes itself when closed, shown without blocking the caller.
QMessageBox* newBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    auto* box = new QMessageBox(icon, title, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

// Every text in the box comes from the feed or says something about it: shown as it is, never
// read as markup (which could bring in links and images).
void present(QMessageBox* box) {
    box->setTextFormat(Qt::PlainText);
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

QString notesText(const AppcastItem& item) {
    const NoResources resources;
    QString notes =
        QTextDocumentFragment::fromHtml(item.releaseNotes.left(kMaxNotesLength), &resources)
            .toPlainText()
            .remove(QChar::ObjectReplacementCharacter)
            .trimmed();
    if (item.releaseNotesURL.isValid()) {
        notes += (notes.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                 UpdateMessageBoxDriver::tr("Release notes: %1")
                     .arg(item.releaseNotesURL.toDisplayString());
    }
    return notes;
}

} // namespace

void UpdateMessageBoxDriver::showUpdateFound(const AppcastItem& item, const QString& currentVersion,
                                             std::function<void(UpdateChoice)> reply) {
    QMessageBox* box = newBox(QMessageBox::Information, tr("Quillbar Update"),
                              tr("A new version of Quillbar is available."));
    QString informative =
        tr("Quillbar %1 is available; you have %2.").arg(item.displayVersion(), currentVersion);
    const bool canOpen = UpdateFeedAddress::isAllowed(item.downloadURL);
    if (!canOpen && !item.downloadURL.isEmpty()) {
        informative += QStringLiteral("\n\n") +
                       tr("The feed's download address is not a secure web address, so Quillbar "
                          "does not open it: %1")
                           .arg(item.downloadURL.toString());
    }
    box->setInformativeText(informative);
    box->setDetailedText(notesText(item));
    QPushButton* download =
        canOpen ? box->addButton(tr("Download"), QMessageBox::AcceptRole) : nullptr;
    QPushButton* skip = box->addButton(tr("Skip This Version"), QMessageBox::DestructiveRole);
    QPushButton* later = box->addButton(tr("Remind Me Later"), QMessageBox::RejectRole);
    box->setDefaultButton(canOpen ? download : later);
    box->setEscapeButton(later);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, download, skip, reply = std::move(reply)](int) {
                         const QAbstractButton* clicked = box->clickedButton();
                         reply(clicked != nullptr && clicked == download ? UpdateChoice::Download
                               : clicked == skip ? UpdateChoice::SkipThisVersion
                                                 : UpdateChoice::RemindMeLater);
                     });
    present(box);
}

void UpdateMessageBoxDriver::showUpToDate(const QString& currentVersion) {
    QMessageBox* box =
        newBox(QMessageBox::Information, tr("Quillbar Update"), tr("You're up to date"));
    box->setInformativeText(tr("Quillbar %1 is the newest version.").arg(currentVersion));
    present(box);
}

void UpdateMessageBoxDriver::showError(const UpdateCheckError& error) {
    QMessageBox* box = newBox(QMessageBox::Warning, tr("Quillbar Update Error"),
                              tr("Quillbar could not check for updates."));
    box->setInformativeText(error.message);
    present(box);
}

void UpdateMessageBoxDriver::openDownloadPage(const QUrl& url) {
    if (!UpdateFeedAddress::isAllowed(url)) {
        qCWarning(lcUpdateDialogs).noquote()
            << "Not opening" << url.toString().left(200) << "- only https addresses are opened";
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace quillbar
