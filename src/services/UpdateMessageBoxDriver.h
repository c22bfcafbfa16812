// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/UpdateUserDriver.h"

#include <QCoreApplication>

namespace quillbar {

// The updater's dialogs as message boxes; downloads open in the desktop's web browser.
class UpdateMessageBoxDriver : public UpdateUserDriver {
    Q_DECLARE_TR_FUNCTIONS(UpdateMessageBoxDriver)

public:
    // Shows a non-blocking message box with "Download", "Skip This Version" and "Remind Me Later";
    // closing it with Escape or the window's close button counts as "Remind Me Later". Every
    // text is plain text; a download address that may not be opened is shown as text, with no
    // "Download" button.
    void showUpdateFound(const AppcastItem& item, const QString& currentVersion,
                         std::function<void(UpdateChoice)> reply) override;
    // Shows "You're up to date" with the running version.
    void showUpToDate(const QString& currentVersion) override;
    // Shows the failure's message.
    void showError(const UpdateCheckError& error) override;
    // Hands url to QDesktopServices when UpdateFeedAddress allows it; logs and drops it otherwise.
    void openDownloadPage(const QUrl& url) override;
};

} // namespace quillbar
