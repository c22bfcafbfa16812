// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTranslator>

namespace quillbar {

// Quillbar's own translation and Qt's for the user's language (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG), installed into the running application for as long as this object lives.
class Translations {
public:
    // Installs them into the existing QCoreApplication; a language without a translation, or a
    // file that cannot be read, leaves the English text. ownFolders are tried in order.
    explicit Translations(const QStringList& ownFolders);
    // Removes them from the application.
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // The folders the application looks in: beside it (the build tree), then the installed one.
    static QStringList applicationFolders();

private:
    QTranslator own_;
    QTranslator qt_;
};

} // namespace quillbar
