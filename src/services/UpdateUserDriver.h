// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/AppcastItem.h"
#include "services/UpdateCheckError.h"

#include <QString>
#include <QUrl>
#include <functional>

namespace quillbar {

// What the user chose when shown an available update.
enum class UpdateChoice { Download, SkipThisVersion, RemindMeLater };

// Everything the updater shows to the user or hands to the desktop, kept apart from the
// updater's logic so that the dialogs can be replaced.
class UpdateUserDriver {
public:
    virtual ~UpdateUserDriver() = default;

    // Shows item as an update to currentVersion; calls reply exactly once with the user's choice.
    virtual void showUpdateFound(const AppcastItem& item, const QString& currentVersion,
                                 std::function<void(UpdateChoice)> reply) = 0;
    // Tells the user that currentVersion is the newest version.
    virtual void showUpToDate(const QString& currentVersion) = 0;
    // Tells the user that the check failed, and why.
    virtual void showError(const UpdateCheckError& error) = 0;
    // Opens url in the user's web browser.
    virtual void openDownloadPage(const QUrl& url) = 0;
};

} // namespace quillbar
