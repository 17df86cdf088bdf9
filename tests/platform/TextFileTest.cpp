#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/Dialogs.h"
#include "platform/FileSave.h"
#include "platform/TextCodec.h"

using namespace platform;

TEST(TextCodec, AllBytesRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
    EXPECT_EQ(Cp1252ToUtf8("\x89"), "‰");
    EXPECT_EQ(Cp1252ToUtf8("\xA7"), "§");
    EXPECT_EQ(Cp1252ToUtf8("\xB0"), "°");
    EXPECT_EQ(Utf8ToCp1252("Ω"), "?");
}

TEST(TextCodec, ReaderAcceptsBothEncodingsAndLineEnds)
{
    EXPECT_EQ(DecodeText("Temp \xB0"
                         "C"),
              "Temp °C");
    EXPECT_EQ(DecodeText("Temp °C"), "Temp °C");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBFx"), "x");
    auto lines = SplitLines("a\r\nb\nc\r\n\r\nd");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "d");
}

TEST(FileSave, WritesWindowsTextAndKeepsOldFileOnFailure)
{
    QTemporaryDir dir;
    std::string path = dir.path().toStdString() + "/data.csv";
    std::string err;
    ASSERT_TRUE(WriteTextLines(path, {"Temp;°C", "1,5;‰"}, &err)) << err;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes,
              "Temp;\xB0"
              "C\r\n1,5;\x89\r\n");
    std::vector<AnsiString> lines;
    ASSERT_TRUE(ReadTextLines(path, lines));
    EXPECT_EQ(lines, (std::vector<AnsiString>{"Temp;°C", "1,5;‰"}));

    {
        // A folder nobody may write is refused also for a privileged user.
        chmod(dir.path().toUtf8().constData(), 0555);
        EXPECT_FALSE(SaveFileAtomic(path, "new", &err));
        EXPECT_FALSE(err.empty());
        chmod(dir.path().toUtf8().constData(), 0755);
        ASSERT_TRUE(ReadFileBytes(path, bytes));
        EXPECT_EQ(bytes,
                  "Temp;\xB0"
                  "C\r\n1,5;\x89\r\n");
    }
    // A target that cannot be replaced (a directory) fails on every account, root included,
    // and leaves nothing behind.
    std::string sub = dir.path().toStdString() + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    EXPECT_FALSE(SaveFileAtomic(sub, "x", &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(SaveFileAtomic(dir.path().toStdString() + "/missing/x.csv", "x", &err));
    QDir d(dir.path());
    EXPECT_EQ(d.entryList(QDir::Files).size(), 1);  // only data.csv, no temporary left

    // A save killed in an earlier run left its temporary file: the next save in the folder
    // removes it, by the program's own mark in its name, and nothing else: not other
    // programs' temporary files, whatever they are named, not another user's, not a link or
    // a folder, not one made since this process started (maybe a save under way).
    const std::string folder = dir.path().toStdString() + "/";
    auto plant = [&](const std::string& name, bool old) {
        std::ofstream(folder + name) << "x";
        if (old) {
            const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
            utimensat(AT_FDCWD, (folder + name).c_str(), times, AT_SYMLINK_NOFOLLOW);
        }
    };
    plant("data.csv.noxcontrol-save-Ab12Z9", true);
    plant("run_11.csv.noxcontrol-save-QWErty", true);
    const std::vector<std::string> kept = {"data.csv.noxcontrol-save-Ab12Z",
                                           "data.csv.noxcontrol-save-Ab12Z9x",
                                           "data.csv.noxcontrol-save-b12Z9-",
                                           ".noxcontrol-save-Ab12Z9",
                                           "data.csv.tmpAb12Z9",
                                           "thesis.odt.tmpQWERTY",
                                           "backup.tar.tmp2024ab",
                                           "photo.jpg.tmp000001",
                                           "notes.tmpbackup",
                                           "mydata.tmpreport"};
    for (const std::string& name : kept) plant(name, true);
    plant("new.csv.noxcontrol-save-Ab12Z9", false);
    plant("stranger.csv.noxcontrol-save-Ab12Z9", true);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown((folder + "stranger.csv.noxcontrol-save-Ab12Z9").c_str(), 4343, 4343), 0);
    }
    ASSERT_EQ(mkdir((folder + "old.noxcontrol-save-ABCDEF").c_str(), 0755), 0);
    ASSERT_EQ(symlink("data.csv", (folder + "link.noxcontrol-save-ABCDEF").c_str()), 0);
    for (const char* name : {"old.noxcontrol-save-ABCDEF", "link.noxcontrol-save-ABCDEF"}) {
        const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, (folder + name).c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    QStringList expected = {"data.csv",
                            "sub",
                            "other.csv",
                            "new.csv.noxcontrol-save-Ab12Z9",
                            "old.noxcontrol-save-ABCDEF",
                            "link.noxcontrol-save-ABCDEF",
                            "stranger.csv.noxcontrol-save-Ab12Z9"};
    for (const std::string& name : kept) expected << QString::fromStdString(name);
    expected.sort();
    const auto entries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    // Seen from another user, the temporary files of this one are a stranger's too.
    SetFileOwnerUserForTests(4242);
    ASSERT_TRUE(SaveFileAtomic(dir.path().toStdString() + "/other.csv", "y", &err)) << err;
    SetFileOwnerUserForTests(-1);
    QStringList all = expected;
    all << "data.csv.noxcontrol-save-Ab12Z9"
        << "run_11.csv.noxcontrol-save-QWErty";
    all.sort();
    EXPECT_EQ(d.entryList(entries, QDir::Name), all);
    if (!root) expected.removeOne("stranger.csv.noxcontrol-save-Ab12Z9");  // the user's own then
    ASSERT_TRUE(SaveFileAtomic(dir.path().toStdString() + "/other.csv", "y", &err)) << err;
    EXPECT_EQ(d.entryList(entries, QDir::Name), expected);
}

TEST(FileSave, RefusesReadOnlyFilesWritesThroughLinksAndReportsTheSizeLimit)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    std::string err, bytes;

    // A file the user made read-only is left as it was, and the system's reason given
    // (also for a privileged user, whom the rename alone would let replace it).
    const std::string locked = base + "/locked.csv";
    ASSERT_TRUE(SaveFileAtomic(locked, "old", &err)) << err;
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(CheckWritable(locked));
    EXPECT_FALSE(SaveFileAtomic(locked, "new", &err));
    EXPECT_EQ(err, locked + ": " + std::strerror(EACCES));
    ASSERT_TRUE(ReadFileBytes(locked, bytes));
    EXPECT_EQ(bytes, "old");

    // A link is written through: the file it points to is replaced and the link stays. A link
    // to a file that does not exist yet is not followed: nothing is made, the link stays.
    ASSERT_EQ(mkdir((base + "/real").c_str(), 0755), 0);
    ASSERT_TRUE(SaveFileAtomic(base + "/real/data.csv", "one", &err));
    ASSERT_EQ(symlink("real/data.csv", (base + "/link.csv").c_str()), 0);
    ASSERT_EQ(symlink((base + "/real/new.csv").c_str(), (base + "/dangling.csv").c_str()), 0);
    ASSERT_TRUE(SaveFileAtomic(base + "/link.csv", "two", &err)) << err;
    EXPECT_FALSE(CheckWritable(base + "/dangling.csv", &err));
    EXPECT_FALSE(SaveFileAtomic(base + "/dangling.csv", "three", &err));
    EXPECT_NE(err.find("does not exist"), std::string::npos) << err;
    for (const char* link : {"/link.csv", "/dangling.csv"}) {
        struct stat st {};
        ASSERT_EQ(lstat((base + link).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
    }
    ASSERT_TRUE(ReadFileBytes(base + "/real/data.csv", bytes));
    EXPECT_EQ(bytes, "two");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(base + "/real/new.csv")));
    EXPECT_EQ(QDir(dir.path() + "/real").entryList(QDir::Files).size(), 1);

    // Beyond the file-size limit the write fails with EFBIG and is reported; the process
    // lives on and no temporary file is left.
    auto saveOverLimit = [&base] {
        IgnoreFileSizeSignal();
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 1000;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string reason;
        const bool saved = SaveFileAtomic(base + "/big.csv", std::string(5000, 'x'), &reason);
        std::_Exit(!saved && reason == base + "/big.csv: " + std::strerror(EFBIG) ? 0 : 1);
    };
    EXPECT_EXIT(saveOverLimit(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(QDir(dir.path()).entryList({"big*"}, QDir::Files).size(), 0);
}

// A shared folder (world-writable and sticky) where another user may plant a link under the
// name a recording part is about to get: the save follows only the user's own links there,
// and otherwise leaves both the link and the file it points to alone. Making links of other
// users needs root.
TEST(FileSave, DoesNotFollowLinksOtherUsersPlantedInASharedFolder)
{
    if (::geteuid() != 0) GTEST_SKIP() << "links of other users can only be made as root";
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string shared = base + "/shared", mine = base + "/mine.csv";
    const uid_t folderOwner = 4242, stranger = 4343;
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(chown(shared.c_str(), folderOwner, folderOwner), 0);
    std::string err, bytes;
    ASSERT_TRUE(SaveFileAtomic(mine, "precious", &err)) << err;

    auto plant = [&](const std::string& name, uid_t owner) {
        const std::string link = shared + "/" + name;
        EXPECT_EQ(symlink(mine.c_str(), link.c_str()), 0);
        EXPECT_EQ(lchown(link.c_str(), owner, owner), 0);
        return link;
    };
    const std::string planted = plant("run_12.csv", stranger);
    EXPECT_FALSE(CheckWritable(planted, &err));
    EXPECT_FALSE(SaveFileAtomic(planted, "overwritten", &err));
    EXPECT_NE(err.find("another user"), std::string::npos) << err;
    EXPECT_FALSE(CheckFreeSpace(planted, 1, &err));
    ASSERT_TRUE(ReadFileBytes(mine, bytes));
    EXPECT_EQ(bytes, "precious");
    struct stat st {};
    ASSERT_EQ(lstat(planted.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(QDir(QString::fromStdString(shared)).entryList(QDir::Files | QDir::System).size(), 1);

    // The user's own link is followed as before; the folder owner's is another user's too.
    ASSERT_TRUE(SaveFileAtomic(plant("own.csv", ::geteuid()), "by the user", &err)) << err;
    ASSERT_TRUE(ReadFileBytes(mine, bytes));
    EXPECT_EQ(bytes, "by the user");
    EXPECT_FALSE(SaveFileAtomic(plant("owners.csv", folderOwner), "by the owner's link", &err));
    ASSERT_TRUE(ReadFileBytes(mine, bytes));
    EXPECT_EQ(bytes, "by the user");

    // Without the sticky bit others may still write the folder: the link is not followed.
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    EXPECT_FALSE(CheckWritable(planted, &err));
}

// The file dialog takes a filter's patterns from the parentheses of its label: a label
// listing them its own way must not hide the files the filter is for.
TEST(FileDialogFilter, LabelsCarryTheFiltersOwnPatterns)
{
    EXPECT_EQ(QtNameFilters("Data files (*.csv,*.qzv)|*.csv;*.qzv|GIF Image (*.gif)|*.gif|All|*.*"),
              QStringList({"Data files (*.csv *.qzv)", "GIF Image (*.gif)", "All (*.*)"}));
}

// A growing file is made as a save makes it (a folder nobody may write refuses it), each
// write replaces everything from its offset on, and the file knows when its name went to
// another file. A folder's free space is judged against what a caller needs.
TEST(FileSave, GrowingFilesReplaceTheirEndAndKnowTheirName)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/run_11.csv";
    std::string err;
    {
        chmod(dir.path().toUtf8().constData(), 0555);
        TGrowingFile refused;
        EXPECT_FALSE(refused.Create(path, "head\r\n", &err));
        EXPECT_FALSE(refused.IsOpen());
        chmod(dir.path().toUtf8().constData(), 0755);
    }
    TGrowingFile file;
    ASSERT_TRUE(file.Create(path, "head\r\nend\r\n", &err)) << err;
    ASSERT_TRUE(file.WriteFrom(6, "row 1\r\nrow 2\r\nend\r\n", &err)) << err;
    ASSERT_TRUE(file.WriteFrom(13, "row 2b\r\ne\r\n", &err)) << err;  // shorter than before
    ASSERT_TRUE(file.SyncData(&err)) << err;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes, "head\r\nrow 1\r\nrow 2b\r\ne\r\n");
    EXPECT_TRUE(file.IsNamed());
    ASSERT_EQ(std::rename(path.c_str(), (path + ".moved").c_str()), 0);
    EXPECT_FALSE(file.IsNamed());
    ASSERT_TRUE(SaveFileAtomic(path, "another", &err));
    EXPECT_FALSE(file.IsNamed());
    file.Close();
    EXPECT_FALSE(file.WriteFrom(0, "x", &err));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary left

    EXPECT_TRUE(CheckFreeSpace(path, 1, &err)) << err;
    EXPECT_FALSE(CheckFreeSpace(path, ~std::uint64_t(0), &err));
    EXPECT_NE(err.find(std::strerror(ENOSPC)), std::string::npos) << err;
    EXPECT_FALSE(CheckFreeSpace(dir.path().toStdString() + "/missing/x.csv", 1, &err));
}
