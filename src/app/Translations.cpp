// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace quillbar {

Translations::Translations(const QStringList& ownFolders) {
    const QLocale locale;
    // English is the source text: loading nothing for it keeps a stray English file from
    // overriding it.
    if (locale.uiLanguages().value(0).startsWith(QLatin1String("en"))) {
        return;
    }
    for (const QString& folder : ownFolders) {
        if (own_.load(locale, QStringLiteral("quillbar"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(&own_);
            break;
        }
    }
    if (qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qt_);
    }
}

Translations::~Translations() {
    QCoreApplication::removeTranslator(&qt_);
    QCoreApplication::removeTranslator(&own_);
}

QStringList Translations::applicationFolders() {
    const QString here = QCoreApplication::applicationDirPath();
    return {here + QStringLiteral("/translations"),
            here + QStringLiteral("/" QUILLBAR_TRANSLATIONS_DIR)};
}

} // namespace quillbar
