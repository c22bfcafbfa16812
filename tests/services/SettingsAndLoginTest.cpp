// The settings file and the launch-at-login entry, in a temporary directory.
#include "services/LaunchAtLoginController.h"
#include "services/QSettingsDefaults.h"
#include "services/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quillbar {
namespace {

class SettingsAndLoginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void writeFile(const QString& relative, const QByteArray& text) const {
        QDir().mkpath(QFileInfo(dir.filePath(relative)).path());
        QFile file(dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray readFile(const QString& relative) const {
        QFile file(dir.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    XdgAutostart autostart() const {
        return XdgAutostart(dir.filePath("home/autostart"), {dir.filePath("etc/autostart")},
                            "/usr/bin/quillbar");
    }

    QTemporaryDir dir;
    const QString conf = dir.filePath("quillbar/quillbar.conf");
};

// Makes a file's directory read-only (the file and the way there readable) and, for root (who
// ignores permissions), acts as nobody meanwhile.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const QString& file)
        : path_(QFile::encodeName(QFileInfo(file).path())) {
        ::chmod(QFile::encodeName(file).constData(), 0644);
        ::chmod(QFile::encodeName(QFileInfo(file).path() + "/..").constData(), 0755);
        ::chmod(path_.constData(), 0555);
        dropped_ = ::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~ReadOnlyDirectory() {
        if (dropped_) [[maybe_unused]]
            const int ignored = ::seteuid(0) + ::setegid(0);
        ::chmod(path_.constData(), 0755);
    }

private:
    QByteArray path_;
    bool dropped_ = false;
};

TEST_F(SettingsAndLoginTest, WritesAreOnDiskAtOnceAndThoseARefusedDirectoryFailsGoOutLater) {
    QSettingsDefaults defaults(conf);
    // Any bytes: the table is JSON, but the store must not care.
    const std::string table("{\"k\":\"\xF0\x9F\xA6\x8A\"}\0tail", 16);
    ASSERT_TRUE(defaults.setData("SpaceAssignments.v1", table));
    // A second reader sees it while the writer still lives (as after a SIGKILL).
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), table);
    const QByteArray before = readFile("quillbar/quillbar.conf");
    {
        ReadOnlyDirectory readOnly(conf);
        EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), table);
        EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "{\"b\":2}"));
        EXPECT_FALSE(defaults.setBool("HasCompletedFirstRun.v1", true));
        // The running program keeps what it was given.
        EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "{\"b\":2}");
    }
    EXPECT_EQ(readFile("quillbar/quillbar.conf"), before);
    EXPECT_TRUE(defaults.setBool("Other", true));
    EXPECT_TRUE(readFile("quillbar/quillbar.conf").contains("HasCompletedFirstRun.v1=true"));
    const QSettingsDefaults reader(conf);
    EXPECT_EQ(reader.data("SpaceAssignments.v1"), "{\"b\":2}");
}

// Acts as nobody (root ignores permissions) while it lives.
class ActingAsNobody {
public:
    ActingAsNobody()
        : dropped_(::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0) {}
    ~ActingAsNobody() {
        if (dropped_) [[maybe_unused]]
            const int ignored = ::seteuid(0) + ::setegid(0);
    }

private:
    bool dropped_;
};

// A file that is there but cannot be read is never written (it would be replaced unread); once
// it can be read again, a reload sees what it holds.
TEST_F(SettingsAndLoginTest, AFileThatCannotBeReadIsNeverWrittenUntilItCanBe) {
    writeFile("quillbar/quillbar.conf", "[General]\nSpaceAssignments.v1=@ByteArray(kept)\n");
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    ::chmod(QFile::encodeName(dir.filePath("quillbar")).constData(), 0777);
    ::chmod(QFile::encodeName(conf).constData(), 0600);
    const QByteArray before = readFile("quillbar/quillbar.conf");
    {
        ActingAsNobody nobody;
        QSettingsDefaults defaults(conf);
        ASSERT_TRUE(defaults.readProblem().has_value());
        EXPECT_TRUE(defaults.readProblem()->find("Permission denied") != std::string::npos)
            << *defaults.readProblem();
        EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "new"));
        EXPECT_FALSE(defaults.setBool("HasCompletedFirstRun.v1", true));
        EXPECT_TRUE(defaults.reload().has_value());
        EXPECT_EQ(readFile("quillbar/quillbar.conf"), before);

        ::chmod(QFile::encodeName(conf).constData(), 0644); // the owner lets us read
        EXPECT_EQ(defaults.reload(), std::nullopt);
        EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "kept");
        EXPECT_TRUE(defaults.setData("SpaceAssignments.v1", "new"));
    }
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), "new");
}

// Values that are not data come back in their text form: a quoted string, a list, a number.
TEST_F(SettingsAndLoginTest, ValuesOfOtherKindsReadAsText) {
    writeFile("quillbar/quillbar.conf", "[General]\ntext=\"{\\\"a\\\":1}\"\nlist=a, b\n"
                                        "number=12\nbytes=@ByteArray(x)\n");
    const QSettingsDefaults defaults(conf);
    EXPECT_EQ(defaults.nonDataText("text"), "{\"a\":1}");
    EXPECT_EQ(defaults.nonDataText("list"), "a,b");
    EXPECT_EQ(defaults.nonDataText("number"), "12");
    EXPECT_EQ(defaults.nonDataText("bytes"), std::nullopt);
    EXPECT_EQ(defaults.nonDataText("missing"), std::nullopt);
    EXPECT_EQ(defaults.readProblem(), std::nullopt);
}

TEST_F(SettingsAndLoginTest, EnableWritesAValidEntryDisableRemovesOrHidesItAndOnlyValidOnesCount) {
    XdgAutostart entry = autostart();
    QString error;
    ASSERT_TRUE(entry.enable(&error));
    EXPECT_TRUE(entry.isEnabled());
    EXPECT_EQ(readFile("home/autostart/quillbar.desktop"),
              XdgAutostart::entryText("/usr/bin/quillbar"));
    EXPECT_TRUE(XdgAutostart::entryText("/usr/bin/quillbar")
                    .startsWith("[Desktop Entry]\nType=Application\n"));
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(QFile::exists(entry.userEntryPath()) || entry.isEnabled());
    EXPECT_TRUE(entry.disable(&error)); // removing what is not there is no failure

    // A system entry is hidden by the user's when disabled.
    writeFile("etc/autostart/quillbar.desktop", XdgAutostart::entryText("/usr/bin/quillbar"));
    EXPECT_TRUE(entry.isEnabled());
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(readFile("home/autostart/quillbar.desktop").contains("\nHidden=true\n"));

    // Reserved characters in the executable's path are quoted.
    EXPECT_TRUE(XdgAutostart::entryText("/opt/My Apps/q").contains("\nExec=\"/opt/My Apps/q\"\n"));
    EXPECT_TRUE(XdgAutostart::entryText("/opt/100%/q").contains("\nExec=/opt/100%%/q\n"));
    EXPECT_TRUE(XdgAutostart::entryText("/opt/a$b/q").contains("\nExec=\"/opt/a\\\\$b/q\"\n"));

    // Only a valid, visible application entry counts as enabled.
    const QByteArray app = "[Desktop Entry]\nType=Application\n";
    const std::pair<QByteArray, bool> cases[] = {
        {app + "Exec=q\n", true},
        {app + "Exec=q\nHidden=true\n", false},
        {app + "Exec=q\nX-GNOME-Autostart-enabled=false\n", false},
        {app, false},
        {"[Desktop Entry]\nType=Link\nExec=q\n", false},
        {"Type=Application\nExec=q\n", false},
        {"[Other]\nType=Application\nExec=q\n", false},
        {"", false}};
    for (const auto& [text, enabled] : cases) {
        writeFile("home/autostart/quillbar.desktop", text);
        EXPECT_EQ(autostart().isEnabled(), enabled) << text.toStdString();
    }
}

std::vector<std::string> warnings;

TEST_F(SettingsAndLoginTest, AFailedChangeIsLoggedAndTheStatusShowsWhatIsThere) {
    // The autostart directory cannot be made: a file sits where its parent should be.
    writeFile("blocked", "not a directory");
    LaunchAtLoginController blocked(XdgAutostart(dir.filePath("blocked/autostart"), {}, "q"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                warnings.push_back(text.toStdString());
        });
    blocked.setEnabled(true);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(blocked.isEnabled());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].starts_with("Quillbar launch-at-login update failed: ")) << warnings[0];
}

} // namespace
} // namespace quillbar
