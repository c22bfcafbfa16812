#include "services/QSettingsDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quillbar {
namespace {

class QSettingsDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path() const { return dir.filePath("quillbar/quillbar.conf"); }

    QByteArray fileBytes() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(QSettingsDefaultsTest, EveryWriteIsOnDiskAtOnce) {
    QSettingsDefaults writer(path());
    // Any bytes: the table is JSON, but the store must not care.
    const std::string table("{\"k\":\"\xF0\x9F\xA6\x8A\"}\0tail", 16);
    ASSERT_TRUE(writer.setData("SpaceAssignments.v1", table));
    ASSERT_TRUE(writer.setBool("HasCompletedFirstRun.v1", true));

    // A second reader sees both while the writer still lives (as after a SIGKILL).
    const QSettingsDefaults reader(path());
    EXPECT_EQ(reader.data("SpaceAssignments.v1"), table);
    EXPECT_TRUE(reader.boolValue("HasCompletedFirstRun.v1"));
    EXPECT_FALSE(reader.boolValue("Missing"));
    EXPECT_EQ(reader.data("Missing"), std::nullopt);
}

TEST_F(QSettingsDefaultsTest, ValuesOfAnotherKindAreNeitherDataNorBooleans) {
    QDir().mkpath(dir.filePath("quillbar"));
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nSpaceAssignments.v1=plain text\nHasCompletedFirstRun.v1=yes please\n");
    file.close();
    const QSettingsDefaults defaults(path());
    EXPECT_EQ(defaults.data("SpaceAssignments.v1"), std::nullopt);
    EXPECT_FALSE(defaults.boolValue("HasCompletedFirstRun.v1"));
}

// Makes the config directory read-only and, when running as root (who ignores permissions),
// acts as an unprivileged user while the test body runs.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const QString& directory, const QString& parent)
        : directory_(directory) {
        ::chmod(QFile::encodeName(parent).constData(), 0755);
        ::chmod(QFile::encodeName(directory).constData(), 0555);
        if (::geteuid() == 0) {
            dropped_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
        }
    }
    ~ReadOnlyDirectory() {
        if (dropped_) {
            [[maybe_unused]] const int ignored = ::seteuid(0) + ::setegid(0);
        }
        ::chmod(QFile::encodeName(directory_).constData(), 0755);
    }

private:
    QString directory_;
    bool dropped_ = false;
};

TEST_F(QSettingsDefaultsTest, AReadOnlyDirectoryRefusesWritesAndKeepsTheStoredTable) {
    {
        QSettingsDefaults first(path());
        ASSERT_TRUE(first.setData("SpaceAssignments.v1", "{\"a\":1}"));
    }
    const QByteArray before = fileBytes();
    ASSERT_FALSE(before.isEmpty());
    ::chmod(QFile::encodeName(path()).constData(), 0644);
    {
        ReadOnlyDirectory readOnly(dir.filePath("quillbar"), dir.path());
        QSettingsDefaults defaults(path());
        EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "{\"a\":1}");
        EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "{\"b\":2}"));
        EXPECT_FALSE(defaults.setBool("HasCompletedFirstRun.v1", true));
        // The running program keeps what it was given.
        EXPECT_EQ(defaults.data("SpaceAssignments.v1"), "{\"b\":2}");
    }
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(QSettingsDefaultsTest, AFailedWriteGoesOutWithTheNextSuccessfulOne) {
    QDir().mkpath(dir.filePath("quillbar"));
    QSettingsDefaults defaults(path());
    {
        ReadOnlyDirectory readOnly(dir.filePath("quillbar"), dir.path());
        EXPECT_FALSE(defaults.setData("SpaceAssignments.v1", "{\"b\":2}"));
    }
    EXPECT_TRUE(defaults.setBool("HasCompletedFirstRun.v1", true));
    const QSettingsDefaults reader(path());
    EXPECT_EQ(reader.data("SpaceAssignments.v1"), "{\"b\":2}");
}

} // namespace
} // namespace quillbar
