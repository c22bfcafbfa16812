// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file and the launch-at-login entry, in a temporary directory.
#include "services/JournalLogSink.h"
#include "services/LaunchAtLoginController.h"
#include "services/QSettingsDefaults.h"
#include "services/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace quillbar {
namespace {

struct RecordingLog : LogSink {
    std::vector<std::string> lines;
    void log(LogLevel, const std::string& message) override { lines.push_back(message); }
};

// Acts as nobody (root ignores permissions) while it lives.
struct ActingAsNobody {
    const bool dropped = ::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    ~ActingAsNobody() {
        if (dropped) [[maybe_unused]]
            const int ignored = ::seteuid(0) + ::setegid(0);
    }
};

class SettingsAndLoginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { chmod("quillbar", 0755); } // so that the directory can go

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
    void chmod(const QString& relative, mode_t mode) const {
        ::chmod(QFile::encodeName(dir.filePath(relative)).constData(), mode);
    }
    XdgAutostart autostart() const {
        return XdgAutostart(dir.filePath("home/autostart"), {dir.filePath("etc/autostart")},
                            "/usr/bin/quillbar");
    }

    QTemporaryDir dir;
    const QString conf = dir.filePath("quillbar/quillbar.conf");
};

TEST_F(SettingsAndLoginTest, WritesAreOnDiskAtOnceAndThoseARefusedDirectoryFailsGoOutLater) {
    QSettingsDefaults defaults(conf);
    // Any bytes: the table is JSON, but the store must not care.
    const std::string table("{\"k\":\"\xF0\x9F\xA6\x8A\"}\0tail", 16);
    ASSERT_TRUE(defaults.setData("SpaceAssignments.v1", table));
    // A second reader sees it while the writer still lives (as after a SIGKILL).
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), table);
    const QByteArray before = readFile("quillbar/quillbar.conf");
    chmod("quillbar/quillbar.conf", 0644); // readable on a way there, in a read-only directory
    chmod(".", 0755);
    chmod("quillbar", 0555);
    {
        ActingAsNobody nobody;
        EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), table);
        EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "{\"b\":2}"));
        EXPECT_FALSE(defaults.setBool("HasCompletedFirstRun.v1", true));
        EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "{\"b\":2}"); // kept while running
    }
    chmod("quillbar", 0755);
    EXPECT_EQ(readFile("quillbar/quillbar.conf"), before);
    EXPECT_TRUE(defaults.setBool("Other", true));
    EXPECT_TRUE(readFile("quillbar/quillbar.conf").contains("HasCompletedFirstRun.v1=true"));
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), "{\"b\":2}");
}

// A file that cannot be read is never written (it would be replaced unread) until a reload reads
// it.
TEST_F(SettingsAndLoginTest, AFileThatCannotBeReadIsNeverWrittenUntilItCanBe) {
    writeFile("quillbar/quillbar.conf", "[General]\nSpaceAssignments.v1=@ByteArray(kept)\n");
    chmod(".", 0777);
    chmod("quillbar", 0777);
    chmod("quillbar/quillbar.conf", 0600);
    const QByteArray before = readFile("quillbar/quillbar.conf");
    std::optional<QSettingsDefaults> defaults;
    {
        ActingAsNobody nobody;
        defaults.emplace(conf);
        ASSERT_TRUE(defaults->readProblem().has_value());
        EXPECT_NE(defaults->readProblem()->find("Permission denied"), std::string::npos)
            << *defaults->readProblem();
        EXPECT_FALSE(defaults->setData("SpaceAssignments.v1", "new"));
        EXPECT_FALSE(defaults->setBool("HasCompletedFirstRun.v1", true));
        EXPECT_TRUE(defaults->reload().has_value());
    }
    EXPECT_EQ(readFile("quillbar/quillbar.conf"), before);
    ASSERT_EQ(::chown(QFile::encodeName(conf).constData(), 65534, 65534), 0); // as a repair would
    {
        ActingAsNobody nobody;
        EXPECT_EQ(defaults->reload(), std::nullopt);
        EXPECT_EQ(defaults->data("SpaceAssignments.v1"), "kept");
        EXPECT_TRUE(defaults->setData("SpaceAssignments.v1", "new"));
    }
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), "new");
}

// Nothing at the settings path blocks: a FIFO or an oversized file is never opened, a lock that
// cannot be taken fails the write within its deadline, and each says why.
TEST_F(SettingsAndLoginTest, PathsThatWouldBlockAreRefusedAndSayWhy) {
    QDir().mkpath(dir.filePath("quillbar"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(conf).constData(), 0600), 0);
    {
        QSettingsDefaults fifo(conf); // would block in open() were it read
        ASSERT_TRUE(fifo.readProblem().has_value());
        EXPECT_NE(fifo.readProblem()->find("not a regular file"), std::string::npos);
        EXPECT_FALSE(fifo.setBool("HasCompletedFirstRun.v1", true));
        EXPECT_EQ(fifo.writeProblem(), fifo.readProblem());
    }
    ASSERT_TRUE(QFile::remove(conf));
    writeFile("quillbar/quillbar.conf", "[General]\nSpaceAssignments.v1=@ByteArray(big)\n" +
                                            QByteArray(QSettingsDefaults::maxFileSize, '#'));
    {
        QSettingsDefaults big(conf);
        ASSERT_TRUE(big.readProblem().has_value());
        EXPECT_NE(big.readProblem()->find("larger than 1 MiB"), std::string::npos);
        EXPECT_EQ(big.data("SpaceAssignments.v1"), std::nullopt);
    }
    ASSERT_TRUE(QFile::remove(conf));
    QSettingsDefaults defaults(conf);
    ASSERT_TRUE(defaults.setData("SpaceAssignments.v1", "before"));
    ASSERT_TRUE(QDir().mkdir(conf + ".lock"));
    EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "typed"));
    EXPECT_NE(defaults.writeProblem()->find("quillbar.conf.lock"), std::string::npos);
    EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "typed");
    ASSERT_TRUE(QDir().rmdir(conf + ".lock"));
    EXPECT_TRUE(defaults.setBool("Other", true)); // what waited goes out with the next write
    EXPECT_EQ(QSettingsDefaults(conf).data("SpaceAssignments.v1"), "typed");
}

// Values that are not data read as text (a quoted string, a list, a number); when the folder
// vanishes while running, every key goes back, not only the one written.
TEST_F(SettingsAndLoginTest, OtherKindsReadAsTextAndAVanishedFolderGetsEveryKeyBack) {
    writeFile("quillbar/quillbar.conf",
              "[General]\ntext=\"{\\\"a\\\":1}\"\nlist=a, b\n"
              "number=12\nbytes=@ByteArray(x)\nHasCompletedFirstRun.v1=true\n");
    QSettingsDefaults defaults(conf);
    EXPECT_EQ(defaults.readProblem(), std::nullopt);
    EXPECT_EQ(defaults.nonDataText("text"), "{\"a\":1}");
    EXPECT_EQ(defaults.nonDataText("list"), "a,b");
    EXPECT_EQ(defaults.nonDataText("number"), "12");
    EXPECT_EQ(defaults.nonDataText("bytes"), std::nullopt);
    EXPECT_EQ(defaults.nonDataText("missing"), std::nullopt);
    ASSERT_TRUE(defaults.setData("SpaceAssignments.v1", "one"));
    ASSERT_TRUE(QDir(dir.filePath("quillbar")).removeRecursively());
    ASSERT_TRUE(defaults.setData("SpaceAssignments.v1", "two"));
    const QSettingsDefaults reader(conf);
    EXPECT_EQ(reader.data("SpaceAssignments.v1"), "two");
    EXPECT_TRUE(reader.boolValue("HasCompletedFirstRun.v1"));
}

TEST_F(SettingsAndLoginTest, EnableWritesAValidEntryDisableRemovesOrHidesItAndOnlyValidOnesCount) {
    XdgAutostart entry = autostart();
    QString error;
    ASSERT_TRUE(entry.enable(&error));
    EXPECT_TRUE(entry.isEnabled());
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(QFile::exists(entry.userEntryPath()) || entry.isEnabled());
    EXPECT_TRUE(entry.disable(&error)); // removing what is not there is no failure
    // A system entry is hidden by the user's when disabled.
    writeFile("etc/autostart/quillbar.desktop", XdgAutostart::entryText("/usr/bin/quillbar"));
    EXPECT_TRUE(entry.isEnabled());
    ASSERT_TRUE(entry.disable(&error));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(readFile("home/autostart/quillbar.desktop").contains("\nHidden=true\n"));

    // Only a valid, visible application entry that starts this program counts as enabled.
    const QByteArray app = "[Desktop Entry]\nType=Application\n";
    const QByteArray exec = "Exec=/usr/bin/quillbar\n";
    const std::pair<QByteArray, bool> cases[] = {
        {app + exec, true},
        {app + "Exec=/usr/bin/quillbar --verbose\n", true},
        {app + "Exec=\"/usr/bin/quillbar\"\n", true},
        {app + exec + "Hidden=true\n", false},
        {app + exec + "X-GNOME-Autostart-enabled=false\n", false},
        {app, false},
        {app + "Exec=/home/me/old-build/src/app/quillbar\n", false},
        {app + "Exec=/usr/bin/quillbar-other\n", false},
        {app + "Exec=\"/usr/bin/quillbar \"\n", false},
        {"[Desktop Entry]\nType=Link\n" + exec, false},
        {"Type=Application\n" + exec, false},
        {"[Other]\nType=Application\n" + exec, false}};
    for (const auto& [text, enabled] : cases) {
        writeFile("home/autostart/quillbar.desktop", text);
        EXPECT_EQ(autostart().isEnabled(), enabled) << text.toStdString();
    }
    // Written for a path with reserved characters, the entry is read back as this program's.
    for (const QString name : {"My Apps/q", "100%/q", "a$b\\c/q"}) {
        const QString path = dir.filePath(name);
        XdgAutostart awkward(dir.filePath("home/autostart"), {}, path);
        ASSERT_TRUE(awkward.enable(&error));
        EXPECT_TRUE(awkward.isEnabled()) << name.toStdString();
        EXPECT_FALSE(XdgAutostart(dir.filePath("home/autostart"), {}, path + "x").isEnabled());
    }
}

// A change that fails (a file sits where the autostart directory's parent should be) is logged,
// through the fallback when there is no journal, and the status shows what is there.
TEST_F(SettingsAndLoginTest, AFailedChangeIsLoggedEvenWithoutAJournal) {
    writeFile("blocked", "not a directory");
    RecordingLog fallback;
    JournalLogSink log("test", nullptr, &fallback, dir.filePath("no-socket").toStdString());
    LaunchAtLoginController blocked(XdgAutostart(dir.filePath("blocked/autostart"), {}, "q"), log);
    blocked.setEnabled(true);
    EXPECT_FALSE(blocked.isEnabled());
    EXPECT_EQ(fallback.lines.size(), 1u);
    log.log(LogLevel::Default, "a line");
    EXPECT_EQ(fallback.lines.back(), "a line");
}

} // namespace
} // namespace quillbar
