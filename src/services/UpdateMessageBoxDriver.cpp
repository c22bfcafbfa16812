#include "services/UpdateMessageBoxDriver.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocumentFragment>

namespace quillbar {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("UpdateMessageBoxDriver", text);
}

// A message box that deletes itself when closed, shown without blocking the caller.
QMessageBox* newBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    auto* box = new QMessageBox(icon, title, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

void present(QMessageBox* box) {
    box->show();
    box->raise();
    box->activateWindow();
}

QString notesText(const AppcastItem& item) {
    QString notes = QTextDocumentFragment::fromHtml(item.releaseNotes).toPlainText().trimmed();
    if (item.releaseNotesURL.isValid()) {
        notes += (notes.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                 tr("Release notes: %1").arg(item.releaseNotesURL.toDisplayString());
    }
    return notes;
}

} // namespace

void UpdateMessageBoxDriver::showUpdateFound(const AppcastItem& item, const QString& currentVersion,
                                             std::function<void(UpdateChoice)> reply) {
    QMessageBox* box = newBox(QMessageBox::Information, tr("Quillbar Update"),
                              tr("A new version of Quillbar is available."));
    box->setInformativeText(
        tr("Quillbar %1 is available; you have %2.").arg(item.displayVersion(), currentVersion));
    box->setDetailedText(notesText(item));
    QPushButton* download = box->addButton(tr("Download"), QMessageBox::AcceptRole);
    QPushButton* skip = box->addButton(tr("Skip This Version"), QMessageBox::DestructiveRole);
    QPushButton* later = box->addButton(tr("Remind Me Later"), QMessageBox::RejectRole);
    box->setDefaultButton(download);
    box->setEscapeButton(later);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, download, skip, reply = std::move(reply)](int) {
                         const QAbstractButton* clicked = box->clickedButton();
                         reply(clicked == download ? UpdateChoice::Download
                               : clicked == skip   ? UpdateChoice::SkipThisVersion
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
    QDesktopServices::openUrl(url);
}

} // namespace quillbar
