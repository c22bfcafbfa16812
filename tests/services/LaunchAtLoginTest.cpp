#include "services/LaunchAtLoginController.h"
#include "services/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillbar {
namespace {

class LaunchAtLoginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    XdgAutostart autostart(const QString& executable = "/usr/bin/quillbar") const {
        return XdgAutostart(dir.filePath("home/autostart"), {dir.filePath("etc/autostart")},
                            executable);
    }

    void writeFile(const QString& relative, const QByteArray& text) const {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray readFile(const QString& relative) const {
        QFile file(dir.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(LaunchAtLoginTest, EnableWritesAValidEntryAndDisableRemovesIt) {
    XdgAutostart entry = autostart();
    EXPECT_FALSE(entry.isEnabled());
    QString error;
    ASSERT_TRUE(entry.enable(&error));
    EXPECT_TRUE(entry.isEnabled());
    const QByteArray text = readFile("home/autostart/quillbar.desktop");
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=/usr/bin/quillbar\n"));
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(QFile::exists(entry.userEntryPath()));
    EXPECT_FALSE(entry.isEnabled());
    // Removing what is not there is no failure.
    EXPECT_TRUE(entry.disable(&error));
}

TEST_F(LaunchAtLoginTest, OnlyAValidVisibleEntryCountsAsEnabled) {
    const XdgAutostart entry = autostart();
    const QString path = "home/autostart/quillbar.desktop";
    const std::vector<std::pair<QByteArray, bool>> cases = {
        {"[Desktop Entry]\nType=Application\nExec=quillbar\n", true},
        {"[Desktop Entry]\nType=Application\nExec=quillbar\nHidden=true\n", false},
        {"[Desktop Entry]\nType=Application\nExec=quillbar\nX-GNOME-Autostart-enabled=false\n",
         false},
        {"[Desktop Entry]\nType=Link\nExec=quillbar\n", false},
        {"[Desktop Entry]\nType=Application\n", false},
        {"Type=Application\nExec=quillbar\n", false},
        {"[Other]\nType=Application\nExec=quillbar\n", false},
        {"", false},
    };
    for (const auto& [text, enabled] : cases) {
        writeFile(path, text);
        EXPECT_EQ(entry.isEnabled(), enabled) << text.toStdString();
    }
}

TEST_F(LaunchAtLoginTest, ASystemEntryIsHiddenByTheUsersWhenDisabled) {
    writeFile("etc/autostart/quillbar.desktop",
              "[Desktop Entry]\nType=Application\nExec=/usr/bin/quillbar\n");
    XdgAutostart entry = autostart();
    EXPECT_TRUE(entry.isEnabled());
    QString error;
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(readFile("home/autostart/quillbar.desktop").contains("\nHidden=true\n"));
    ASSERT_TRUE(entry.enable(&error));
    EXPECT_TRUE(entry.isEnabled());
}

TEST_F(LaunchAtLoginTest, ExecutablePathsWithReservedCharactersAreQuoted) {
    EXPECT_TRUE(XdgAutostart::entryText("/opt/My Apps/quillbar")
                    .contains("\nExec=\"/opt/My Apps/quillbar\"\n"));
    EXPECT_TRUE(
        XdgAutostart::entryText("/opt/100%/quillbar").contains("\nExec=/opt/100%%/quillbar\n"));
    EXPECT_TRUE(XdgAutostart::entryText("/opt/a$b/quillbar")
                    .contains("\nExec=\"/opt/a\\\\$b/quillbar\"\n"));
}

// Collects what qWarning writes while it lives.
class WarningCapture {
public:
    WarningCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& message) {
                if (type == QtWarningMsg) {
                    lines().push_back(message.toStdString());
                }
            });
    }
    ~WarningCapture() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> captured;
        return captured;
    }

private:
    QtMessageHandler previous_;
};

TEST_F(LaunchAtLoginTest, AFailedChangeIsLoggedAndTheStatusShowsWhatIsThere) {
    // The autostart directory cannot be made: a file sits where its parent should be.
    writeFile("blocked", "not a directory");
    LaunchAtLoginController controller(
        XdgAutostart(dir.filePath("blocked/autostart"), {}, "/usr/bin/quillbar"));
    WarningCapture warnings;
    controller.setEnabled(true);
    EXPECT_FALSE(controller.isEnabled());
    ASSERT_EQ(WarningCapture::lines().size(), 1u);
    EXPECT_EQ(WarningCapture::lines()[0].rfind("Quillbar launch-at-login update failed: ", 0), 0u)
        << WarningCapture::lines()[0];
}

TEST_F(LaunchAtLoginTest, ControllerPublishesChangesMadeHereAndOutside) {
    LaunchAtLoginController controller(autostart());
    std::vector<bool> published;
    const Subscription subscription =
        controller.subscribe([&published](bool value) { published.push_back(value); });
    controller.setEnabled(true);
    EXPECT_TRUE(controller.isEnabled());
    QFile::remove(dir.filePath("home/autostart/quillbar.desktop"));
    controller.refreshStatus();
    controller.refreshStatus();
    EXPECT_FALSE(controller.isEnabled());
    EXPECT_EQ(published, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace quillbar
