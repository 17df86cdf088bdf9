// The side file of a growing file's cut-off write: which side file is trusted and applied,
// which is kept, and what a save into the folder removes. The test program's own pread,
// fdatasync and unlink record what the code under test does with which file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSave.h"
#include "platform/TextCodec.h"
#include "support/HangingFolders.h"

using namespace platform;

namespace {

std::atomic<bool> gKeepSideFiles{false};  // unlink of a side file does nothing (killed before it)
std::atomic<bool> gRecord{false};
std::atomic<bool> gSyncFails{false};  // fdatasync fails as on a disk that fails
// A file system that cannot rename without replacing (renameat2's RENAME_NOREPLACE), and one
// that cannot give a file a second name (linkat): each alone, as a file system may lack
// either. (One on which a side file cannot be renamed at all: support::RefuseRenamesOf.)
std::atomic<bool> gNoRenameNoReplace{false};
std::atomic<bool> gNoLinks{false};
std::atomic<std::uint64_t> gSideBytesRead{0};
std::atomic<std::uint64_t> gDataBytesRead{0};  // of run_11.csv
std::mutex gCallsMutex;
std::vector<std::string> gCalls;

std::string NameOf(int fd)
{
    char name[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1);
    return std::string(name, n > 0 ? size_t(n) : 0);
}

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

void Record(const std::string& call)
{
    if (!gRecord) return;
    std::lock_guard<std::mutex> lock(gCallsMutex);
    gCalls.push_back(call);
}

}  // namespace

// Set: the data file is replaced by the file of this name (as an editor saves it) when its
// bytes are first read, once.
std::string gReplaceOnRead;
std::mutex gReplaceMutex;

extern "C" ssize_t pread(int fd, void* buf, size_t count, off_t offset)
{
    {
        std::lock_guard<std::mutex> lock(gReplaceMutex);
        const std::string name = gReplaceOnRead.empty() ? std::string() : NameOf(fd);
        if (!gReplaceOnRead.empty() && EndsWith(name, "/run_11.csv")) {
            ::syscall(SYS_renameat, AT_FDCWD, gReplaceOnRead.c_str(), AT_FDCWD, name.c_str());
            gReplaceOnRead.clear();
        }
    }
    const ssize_t n = ::syscall(SYS_pread64, fd, buf, count, offset);
    if (n > 0 && EndsWith(NameOf(fd), ".recovery")) gSideBytesRead += std::uint64_t(n);
    if (n > 0 && EndsWith(NameOf(fd), "/run_11.csv")) gDataBytesRead += std::uint64_t(n);
    return n;
}

extern "C" int fdatasync(int fd)
{
    Record("sync " + NameOf(fd));
    if (gSyncFails) {
        errno = EIO;
        return -1;
    }
    return int(::syscall(SYS_fdatasync, fd));
}

extern "C" int unlinkat(int dir, const char* path, int flags)
{
    const std::string name = path[0] == '/' || dir == AT_FDCWD ? std::string(path) : NameOf(dir) + "/" + path;
    if (gKeepSideFiles && EndsWith(name, ".recovery")) return 0;
    Record("unlink " + name);
    return int(::syscall(SYS_unlinkat, dir, path, flags));
}

extern "C" int unlink(const char* path)
{
    return unlinkat(AT_FDCWD, path, 0);
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    if (gNoRenameNoReplace && (flags & RENAME_NOREPLACE)) {
        errno = EINVAL;
        return -1;
    }
    return int(::syscall(SYS_renameat2, fromDir, from, toDir, to, flags));
}

// Set: when a link is refused, this file is first renamed over the name the link was to be
// made of (another write puts a new side file there meanwhile), once.
std::string gSwapAtLink;

extern "C" int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    if (gNoLinks) {
        if (std::lock_guard<std::mutex> lock(gReplaceMutex); !gSwapAtLink.empty()) {
            ::syscall(SYS_renameat, AT_FDCWD, gSwapAtLink.c_str(), fromDir, from);
            gSwapAtLink.clear();
        }
        errno = EPERM;
        return -1;
    }
    return int(::syscall(SYS_linkat, fromDir, from, toDir, to, flags));
}

namespace {

class PendingWriteTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string base = dir.path().toStdString();
    // The file of a write killed after its side file was saved: the file before the write,
    // the file as the write leaves it, and where the write began.
    std::string path = base + "/run_11.csv", pending = path + ".recovery";
    const std::string before = "head\r\nrow 1\r\n[PROTOCOL];\r\nline 1;\r\n$;\r\n";
    const std::string newEnd = "row 2\r\n[PROTOCOL];\r\nline 1;\r\nline 2;\r\n$;\r\n";
    const size_t offset = 13;
    std::string after = before.substr(0, offset) + newEnd;

    void TearDown() override
    {
        SetFileOwnerUserForTests(-1);
        gKeepSideFiles = false;
        gSyncFails = false;
        gRecord = false;
        gNoRenameNoReplace = false;
        gNoLinks = false;
        support::RefuseRenamesOf({});
        std::lock_guard<std::mutex> lock(gReplaceMutex);
        gReplaceOnRead.clear();
        gSwapAtLink.clear();
    }

    // Kills the write after its side file is on the disk; the file is left with `kept`
    // bytes of the new end (-1: not cut, the file as it was).
    void KillInWrite(int kept)
    {
        {
            TGrowingFile file;
            std::string err;
            ASSERT_TRUE(file.Create(path, before, &err)) << err;
            gKeepSideFiles = true;
            ASSERT_TRUE(file.WriteFrom(offset, newEnd, &err)) << err;
            gKeepSideFiles = false;
        }
        ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(pending)));
        if (kept < 0)
            Overwrite(before);
        else
            ASSERT_EQ(::truncate(path.c_str(), off_t(offset + size_t(kept))), 0);
        Age(pending);
    }
    // Writes `bytes` into the file in place (same inode), as an editor or cp does.
    void Overwrite(const std::string& bytes, const std::string& file = {})
    {
        std::ofstream out(file.empty() ? path : file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    // Dated an hour back: left by an earlier run.
    static void Age(const std::string& file)
    {
        const timespec earlier[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), earlier, AT_SYMLINK_NOFOLLOW), 0);
    }
    std::string Read(TPendingWriteState* state = nullptr)
    {
        std::string bytes;
        EXPECT_TRUE(ReadGrowingFile(path, 1 << 20, bytes, nullptr, nullptr, state));
        return bytes;
    }
    std::string OnDisk(const std::string& file = {})
    {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(file.empty() ? path : file, bytes));
        return bytes;
    }
    bool SideFileThere() const { return QFileInfo::exists(QString::fromStdString(pending)); }
    // A save of another file into the folder: it tidies the folder first.
    void SaveBeside() { ASSERT_TRUE(SaveFileAtomic(base + "/other.txt", "x")); }
};

}  // namespace

// A write killed before it began, half-way and after its last byte is read as the write
// leaves it, and the next save into the folder finishes it on the disk, syncs it and only
// then removes the side file.
TEST_F(PendingWriteTest, ACutOffWriteIsReadWholeAndFinishedBeforeItsSideFileGoes)
{
    // Also for a user whose file mask lets the group write new files.
    const mode_t mask = ::umask(002);
    struct Restore {
        mode_t mask;
        ~Restore() { ::umask(mask); }
    } restore{mask};
    for (const int kept : {-1, 0, 9, int(newEnd.size())}) {
        SCOPED_TRACE(kept);
        KillInWrite(kept);
        TPendingWriteState state{};
        EXPECT_EQ(Read(&state), after);
        EXPECT_EQ(state, TPendingWriteState::Applied);
        {
            std::lock_guard<std::mutex> lock(gCallsMutex);
            gCalls.clear();
        }
        gRecord = true;
        SaveBeside();
        gRecord = false;
        EXPECT_EQ(OnDisk(), after);
        EXPECT_FALSE(SideFileThere());
        const auto sync = std::find(gCalls.begin(), gCalls.end(), "sync " + path);
        const auto removal = std::find(gCalls.begin(), gCalls.end(), "unlink " + pending);
        EXPECT_TRUE(sync < removal && removal != gCalls.end());
    }

    // The growing file's own write too: its side file goes once the file is synced.
    TGrowingFile file;
    ASSERT_TRUE(file.Create(path, before));
    {
        std::lock_guard<std::mutex> lock(gCallsMutex);
        gCalls.clear();
    }
    gRecord = true;
    ASSERT_TRUE(file.WriteFrom(offset, newEnd));
    gRecord = false;
    const auto sync = std::find(gCalls.begin(), gCalls.end(), "sync " + path);
    const auto removal = std::find(gCalls.begin(), gCalls.end(), "unlink " + pending);
    EXPECT_TRUE(sync < removal && removal != gCalls.end());
    EXPECT_EQ(OnDisk(), after);
}

// A growing file written piece by piece, some pieces with the checksum the caller carried
// on (the sections written again each time), over several writes that start at a piece's
// end, inside a piece and across the file's 64 KiB marks: a write killed at any point of
// the last one is read whole and finished, so the side file's checksums are the file's.
TEST_F(PendingWriteTest, AWriteInPiecesWithGivenChecksumsIsRecoveredWhereverItIsCut)
{
    auto text = [](char c, size_t n) {
        std::string s(n, c);
        for (size_t i = 0; i < n; i += 97) s[i] = char('a' + i % 26);
        return s;
    };
    const std::string head = text('h', 100000), rows1 = text('1', 3000), rows2 = text('2', 70000);
    const std::string protocol1 = text('p', 150000), protocol2 = protocol1 + text('q', 40000);
    const std::string after1 = "$;\r\n", after2 = "[MEMO];\r\nnote;\r\n$;\r\n";
    auto known = [](const std::string& s) { return TWritePiece{s, Crc32(s)}; };
    const size_t offset3 = head.size() + rows1.size() + rows2.size();
    const std::string before3 = head + rows1 + rows2 + protocol2 + after1;
    const std::string newEnd3 = "row 3\r\n" + protocol2 + "line;\r\n" + after2;
    const std::string after3 = before3.substr(0, offset3) + newEnd3;
    for (const int kept : {-1, 0, 90000, int(newEnd3.size())}) {
        SCOPED_TRACE(kept);
        {
            TGrowingFile file;
            std::string err;
            ASSERT_TRUE(file.Create(path, head + protocol1 + after1, &err)) << err;
            ASSERT_TRUE(file.WriteFrom(head.size(), {{rows1, {}}, known(protocol1), {"", {}}, known(after1)}, &err))
                << err;
            // Rows written again from inside the last write's rows.
            ASSERT_TRUE(
                file.WriteFrom(head.size() + 5, {{rows1.substr(5) + rows2, {}}, known(protocol2), known(after1)}, &err))
                << err;
            ASSERT_EQ(OnDisk(), before3);
            gKeepSideFiles = true;
            ASSERT_TRUE(
                file.WriteFrom(offset3, {{"row 3\r\n", {}}, known(protocol2), known("line;\r\n"), known(after2)}, &err))
                << err;
            gKeepSideFiles = false;
        }
        ASSERT_TRUE(SideFileThere());
        if (kept < 0)
            Overwrite(before3);
        else
            ASSERT_EQ(::truncate(path.c_str(), off_t(offset3 + size_t(kept))), 0);
        Age(pending);
        TPendingWriteState state{};
        EXPECT_TRUE(Read(&state) == after3);
        EXPECT_EQ(state, TPendingWriteState::Applied);
        SaveBeside();
        EXPECT_TRUE(OnDisk() == after3);
        EXPECT_FALSE(SideFileThere());
    }
}

// Only a plain side file of the user who runs the program and owns the file, which no one
// else may write, is applied; any other is neither applied nor finished nor removed.
TEST_F(PendingWriteTest, OnlyTheOwnersPlainSideFileIsApplied)
{
    if (::geteuid() != 0) GTEST_SKIP() << "files of other users can only be made as root";
    const uid_t stranger = 4343;
    struct TCase {
        const char* what;
        std::function<void()> plant;
        std::function<void()> undo;
    };
    const std::string elsewhere = base + "/elsewhere.recovery";
    const std::vector<TCase> cases = {
        {"another user's", [&] { ASSERT_EQ(::lchown(pending.c_str(), stranger, stranger), 0); },
         [&] { ASSERT_EQ(::lchown(pending.c_str(), 0, 0), 0); }},
        {"group-writable", [&] { ASSERT_EQ(::chmod(pending.c_str(), 0664), 0); },
         [&] { ASSERT_EQ(::chmod(pending.c_str(), 0644), 0); }},
        {"others-writable", [&] { ASSERT_EQ(::chmod(pending.c_str(), 0646), 0); },
         [&] { ASSERT_EQ(::chmod(pending.c_str(), 0644), 0); }},
        {"a link",
         [&] {
             ASSERT_EQ(std::rename(pending.c_str(), elsewhere.c_str()), 0);
             ASSERT_EQ(::symlink(elsewhere.c_str(), pending.c_str()), 0);
             Age(pending);
         },
         [&] { ASSERT_EQ(std::rename(elsewhere.c_str(), pending.c_str()), 0); }},
        {"beside another user's file", [&] { ASSERT_EQ(::chown(path.c_str(), stranger, stranger), 0); },
         [&] { ASSERT_EQ(::chown(path.c_str(), 0, 0), 0); }},
        // Seen from another user, the files of this one (root) are a stranger's.
        {"of a user who does not run the program", [&] { SetFileOwnerUserForTests(4242); },
         [&] { SetFileOwnerUserForTests(-1); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        KillInWrite(5);
        const std::string cut = OnDisk();
        struct stat planted {};
        c.plant();
        ASSERT_EQ(::lstat(pending.c_str(), &planted), 0);
        TPendingWriteState state{};
        EXPECT_EQ(Read(&state), cut);
        EXPECT_EQ(state, TPendingWriteState::None);
        SaveBeside();
        EXPECT_EQ(OnDisk(), cut);
        struct stat still {};
        EXPECT_EQ(::lstat(pending.c_str(), &still), 0);
        EXPECT_EQ(still.st_ino, planted.st_ino);
        c.undo();
        // Made plain and the user's again, the same side file is applied.
        EXPECT_EQ(Read(&state), after);
        SaveBeside();
        EXPECT_EQ(OnDisk(), after);
        EXPECT_FALSE(SideFileThere());
    }
}

// A file changed since its write was cut off (edited in place, an older copy put over it,
// cut shorter, grown) is none of the states the write leaves: the side file is not applied,
// and not removed either, however old it is, and the file keeps the change.
TEST_F(PendingWriteTest, AFileChangedSinceTheKillKeepsItsChangeAndItsSideFile)
{
    struct TCase {
        const char* what;
        int kept;
        std::function<std::string(std::string)> change;
    };
    const std::vector<TCase> cases = {
        {"edited before the offset", 9, [](std::string s) { return s.replace(2, 1, "X"); }},
        {"edited in the new end", 9, [&](std::string s) { return s.replace(offset + 3, 1, "X"); }},
        {"edited in the old end", -1, [&](std::string s) { return s.replace(offset + 3, 1, "X"); }},
        {"an older copy put over it", 9, [](std::string) { return std::string("head\r\nrow 1\r\n$;\r\n"); }},
        {"cut before the offset", 9, [&](std::string s) { return s.substr(0, offset - 2); }},
        {"a note added after the whole new end", int(newEnd.size()), [](std::string s) { return s + "note;\r\n"; }},
        {"the old end grown", -1, [](std::string s) { return s + "note;\r\n"; }},
        {"an edited head as long as the old file", -1, [](std::string s) { return s.replace(0, 4, "HEAD"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        KillInWrite(c.kept);
        const std::string changed = c.change(OnDisk());
        Overwrite(changed);
        TPendingWriteState state{};
        EXPECT_EQ(Read(&state), changed);
        EXPECT_EQ(state, TPendingWriteState::Waiting);
        SaveBeside();
        EXPECT_EQ(OnDisk(), changed);
        EXPECT_TRUE(SideFileThere());
        ASSERT_EQ(::unlink(pending.c_str()), 0);
    }
}

// A file moved away, made read-only or given another inode keeps its side file until the
// write can be finished; a whole save under the name removes only a side file this process
// wrote, and keeps any other under a name of its own.
TEST_F(PendingWriteTest, ASideFileStaysUntilItsWriteIsFinishedOrTheFileWasSavedWhole)
{
    KillInWrite(5);
    const std::string cut = OnDisk();
    // Moved: the side file waits beside the name; moved back, the write is finished.
    const std::string archive = base + "/archive";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(archive)));
    ASSERT_EQ(std::rename(path.c_str(), (archive + "/run_11.csv").c_str()), 0);
    SaveBeside();
    EXPECT_TRUE(SideFileThere());
    // Moved with its side file, it is read whole there.
    ASSERT_EQ(std::rename(pending.c_str(), (archive + "/run_11.csv.recovery").c_str()), 0);
    std::string bytes;
    TPendingWriteState state{};
    ASSERT_TRUE(ReadGrowingFile(archive + "/run_11.csv", 1 << 20, bytes, nullptr, nullptr, &state));
    EXPECT_EQ(bytes, after);
    EXPECT_EQ(state, TPendingWriteState::Applied);
    ASSERT_EQ(std::rename((archive + "/run_11.csv").c_str(), path.c_str()), 0);
    ASSERT_EQ(std::rename((archive + "/run_11.csv.recovery").c_str(), pending.c_str()), 0);

    // Read-only (also for a privileged user): read whole, written once it may be written.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    SaveBeside();
    EXPECT_EQ(OnDisk(), cut);
    EXPECT_TRUE(SideFileThere());
    EXPECT_EQ(Read(&state), after);
    EXPECT_EQ(state, TPendingWriteState::Applied);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

    // Another inode (a share mounted again, a copy put back): the content proves the file.
    const std::string copy = base + "/copy.tmp";
    Overwrite(cut, copy);
    ASSERT_EQ(std::rename(copy.c_str(), path.c_str()), 0);
    EXPECT_EQ(Read(&state), after);
    EXPECT_EQ(state, TPendingWriteState::Applied);
    SaveBeside();
    EXPECT_EQ(OnDisk(), after);
    EXPECT_FALSE(SideFileThere());

    // A whole save of the file removes a side file this process wrote: what it held is in
    // what was saved.
    {
        TGrowingFile own;
        ASSERT_TRUE(own.Create(path, before));
        gSyncFails = true;
        EXPECT_FALSE(own.WriteFrom(offset, newEnd));
        gSyncFails = false;
    }
    ASSERT_TRUE(SideFileThere());
    ASSERT_TRUE(SaveFileAtomic(path, "saved whole"));
    EXPECT_FALSE(SideFileThere());
    EXPECT_EQ(QDir(QString::fromStdString(base)).entryList({"run_11.csv.recovery.*"}, QDir::Files).size(), 0);

    // Any other side file, also one of this run's time, may hold an end that is in no file:
    // the save keeps it under a name of its own, with the time it was written.
    KillInWrite(5);
    const timespec now[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    ASSERT_EQ(::utimensat(AT_FDCWD, pending.c_str(), now, 0), 0);
    const std::string record = OnDisk(pending);
    ASSERT_TRUE(SaveFileAtomic(path, "saved whole"));
    EXPECT_FALSE(SideFileThere());
    const QStringList kept = QDir(QString::fromStdString(base)).entryList({"run_11.csv.recovery.*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(OnDisk(base + "/" + kept[0].toStdString()), record);
    ASSERT_EQ(::unlink((base + "/" + kept[0].toStdString()).c_str()), 0);

    // One of the earlier format proves too little: kept beside the file, never applied,
    // until a whole save replaces the file, which keeps it under a name of its own.
    Overwrite(cut);
    Overwrite("pending file end 1 dev=1 ino=2 size=40 offset=13 length=5 head=0 crc=0\nrow 2", pending);
    Age(pending);
    EXPECT_EQ(Read(&state), cut);
    EXPECT_EQ(state, TPendingWriteState::Waiting);
    SaveBeside();
    EXPECT_TRUE(SideFileThere());
    ASSERT_TRUE(SaveFileAtomic(path, "saved whole"));
    EXPECT_FALSE(SideFileThere());
    EXPECT_EQ(QDir(QString::fromStdString(base)).entryList({"run_11.csv.recovery.*"}, QDir::Files).size(), 1);
}

// A side file of an earlier write whose file was edited since holds an end that may be in no
// file: a new file under the name keeps it under a name of its own also where that is hard
// (a file system without renames that do not replace and without second names, every
// dated name taken by another user), and one that is still at its name when the new file
// is written (put back by hand) is never written over or removed: the write is refused.
TEST_F(PendingWriteTest, AnEarlierWritesSideFileIsKeptWhateverHoldsItsNames)
{
    const auto keptNames = [&] {
        return QDir(QString::fromStdString(base)).entryList({"run_11.csv.recovery.*"}, QDir::Files);
    };
    for (const bool namesTaken : {false, true}) {
        SCOPED_TRACE(namesTaken ? "every dated name taken" : "no renames without replacing, no links");
        KillInWrite(5);
        Overwrite(OnDisk() + "edited;\r\n");
        const std::string record = OnDisk(pending);
        std::vector<std::string> planted;
        if (namesTaken) {
            struct stat st {};
            ASSERT_EQ(::stat(pending.c_str(), &st), 0);
            struct tm local {};
            ::localtime_r(&st.st_mtim.tv_sec, &local);
            char stamp[40];
            std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
            for (int n = 1; n < 100; ++n) {
                planted.push_back(pending + "." + stamp + (n > 1 ? "-" + std::to_string(n) : std::string()));
                Overwrite("theirs", planted.back());
            }
        } else {
            gNoRenameNoReplace = gNoLinks = true;
        }
        TSideFileNotes notes;
        TGrowingFile file;
        ASSERT_TRUE(file.Create(path, before));
        gNoRenameNoReplace = gNoLinks = false;
        EXPECT_FALSE(SideFileThere());
        const std::vector<TSideFileNote> noted = notes.Take();
        ASSERT_EQ(noted.size(), 1u);
        EXPECT_EQ(noted[0].Kind, TSideFileNote::TKind::SetAside);
        EXPECT_EQ(OnDisk(noted[0].SideFile), record);
        for (const std::string& p : planted) EXPECT_EQ(OnDisk(p), "theirs") << p;
        std::string err;
        ASSERT_TRUE(file.WriteFrom(offset, newEnd, &err)) << err;
        EXPECT_EQ(OnDisk(noted[0].SideFile), record);
        for (const QString& n : keptNames()) ASSERT_EQ(::unlink((base + "/" + n.toStdString()).c_str()), 0);
    }

    // Put back at its name while the new file is written.
    TGrowingFile file;
    ASSERT_TRUE(file.Create(path, before));
    Overwrite("noxcontrol pending end 2 an earlier write's end", pending);
    ASSERT_EQ(::chmod(pending.c_str(), 0600), 0);
    std::string err;
    EXPECT_FALSE(file.WriteFrom(offset, newEnd, &err));
    EXPECT_TRUE(file.SideFileBlocked());
    EXPECT_TRUE(file.SideFileHoldsEarlierWrite());
    EXPECT_NE(err.find(pending), std::string::npos) << err;
    EXPECT_EQ(OnDisk(pending), "noxcontrol pending end 2 an earlier write's end");
    EXPECT_EQ(OnDisk(), before);
    // A write that only appends needs no side file; once it is moved away, the writes go on.
    EXPECT_TRUE(file.WriteFrom(before.size(), "more\r\n", &err)) << err;
    ASSERT_EQ(std::rename(pending.c_str(), (base + "/kept.recovery").c_str()), 0);
    EXPECT_TRUE(file.WriteFrom(offset, newEnd, &err)) << err;
    EXPECT_FALSE(file.SideFileHoldsEarlierWrite());
    EXPECT_EQ(OnDisk(), after);
}

// The finisher of a cut-off write writes the side file's end into the very file it read and
// proved, and leaves nothing of what was there behind it: a new end shorter than the old one
// ends the file; a file replaced between the read and the write (an editor saving it) is not
// written; a write this process still has under way (its side file is of this run) is left
// to it, also by the open command.
TEST_F(PendingWriteTest, TheFinisherWritesOnlyTheFileItProvedAndOnlyWritesOfEarlierRuns)
{
    // The old end longer than the new one, the file as it was before the write.
    const std::string longBefore = before.substr(0, offset) + std::string(200, 'o') + "\r\n$;\r\n";
    const std::string shortEnd = "row 2\r\n$;\r\n";
    auto cutShort = [&] {
        TGrowingFile file;
        ASSERT_TRUE(file.Create(path, longBefore));
        gKeepSideFiles = true;
        ASSERT_TRUE(file.WriteFrom(offset, shortEnd));
        gKeepSideFiles = false;
        file.Close();
        Overwrite(longBefore);
    };
    cutShort();
    // Of this run: neither a save into the folder nor the open command finishes it.
    SaveBeside();
    EXPECT_FALSE(FinishCutWrite(path));
    EXPECT_EQ(OnDisk(), longBefore);
    EXPECT_TRUE(SideFileThere());
    Age(pending);
    EXPECT_TRUE(FinishCutWrite(path));
    EXPECT_EQ(OnDisk(), longBefore.substr(0, offset) + shortEnd);
    EXPECT_FALSE(SideFileThere());

    // Replaced while it is read.
    cutShort();
    Age(pending);
    const std::string edited = base + "/edited.tmp";
    Overwrite(longBefore + "edited;\r\n", edited);
    {
        std::lock_guard<std::mutex> lock(gReplaceMutex);
        gReplaceOnRead = edited;
    }
    EXPECT_FALSE(FinishCutWrite(path));
    {
        std::lock_guard<std::mutex> lock(gReplaceMutex);
        EXPECT_TRUE(gReplaceOnRead.empty());
        gReplaceOnRead.clear();
    }
    EXPECT_EQ(OnDisk(), longBefore + "edited;\r\n");
    EXPECT_TRUE(SideFileThere());
}

// A program started again at once (a supervisor's restart) finds a side file its
// predecessor wrote in the second it starts in: dated before its start, it is an earlier
// run's, finished by a save into the folder and by the open command.
TEST_F(PendingWriteTest, ASideFileOfTheSecondThisRunStartedInIsAnEarlierRunsWhenDatedBeforeIt)
{
    timespec justBefore = ProcessStartTime();
    if (justBefore.tv_nsec > 0) {
        --justBefore.tv_nsec;
    } else {
        --justBefore.tv_sec;
        justBefore.tv_nsec = 999999999;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, justBefore};
    for (const bool opened : {true, false}) {
        SCOPED_TRACE(opened ? "opened" : "a save into the folder");
        KillInWrite(5);
        ASSERT_EQ(::utimensat(AT_FDCWD, pending.c_str(), times, 0), 0);
        if (opened)
            EXPECT_TRUE(FinishCutWrite(path));
        else
            SaveBeside();
        EXPECT_EQ(OnDisk(), after);
        EXPECT_FALSE(SideFileThere());
    }
}

// A side file that does not fit its file (edited in place since) keeps its file from being
// read again at every save into the folder: it is read once for each change of either.
TEST_F(PendingWriteTest, AFileThatItsSideFileDoesNotFitIsReadOncePerChange)
{
    KillInWrite(5);
    std::string edited = OnDisk();
    edited[2] = 'X';
    Overwrite(edited);
    gDataBytesRead = 0;
    SaveBeside();
    EXPECT_GE(gDataBytesRead.load(), edited.size());
    gDataBytesRead = 0;
    SaveBeside();
    SaveBeside();
    EXPECT_EQ(gDataBytesRead.load(), 0u);
    EXPECT_TRUE(SideFileThere());
    // Edited again (as long as before, dated apart): read again.
    edited[3] = 'Y';
    Overwrite(edited);
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    SaveBeside();
    EXPECT_GE(gDataBytesRead.load(), edited.size());
    EXPECT_EQ(OnDisk(), edited);
    EXPECT_TRUE(SideFileThere());
}

// Where the file system cannot rename without replacing, an earlier write's side file is
// given its dated name as a second name and loses its own; where it can neither do that nor
// rename the side file at all, it is copied whole into a new file of its own, synced, and
// only then removed. Either way it is kept byte for byte and the save goes ahead.
TEST_F(PendingWriteTest, AnEarlierWritesSideFileIsKeptByALinkOrACopyWhereItCannotBeRenamed)
{
    for (const bool copied : {false, true}) {
        SCOPED_TRACE(copied ? "no renames of it, no links" : "no renames without replacing");
        KillInWrite(5);
        Overwrite(OnDisk() + "edited;\r\n");
        const std::string record = OnDisk(pending);
        struct stat side {};
        ASSERT_EQ(::stat(pending.c_str(), &side), 0);
        struct tm local {};
        ::localtime_r(&side.st_mtim.tv_sec, &local);
        char stamp[40];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
        const std::string dated = pending + "." + stamp;

        gNoRenameNoReplace = true;
        gNoLinks = copied;
        if (copied) support::RefuseRenamesOf(".recovery");
        TSideFileNotes notes;
        std::string err;
        const bool saved = SaveFileAtomic(path, "saved whole", &err);
        gNoRenameNoReplace = gNoLinks = false;
        support::RefuseRenamesOf({});
        ASSERT_TRUE(saved) << err;
        EXPECT_EQ(OnDisk(), "saved whole");
        EXPECT_FALSE(SideFileThere());
        const std::vector<TSideFileNote> noted = notes.Take();
        ASSERT_EQ(noted.size(), 1u);
        EXPECT_EQ(noted[0].Kind, TSideFileNote::TKind::SetAside);
        EXPECT_EQ(OnDisk(noted[0].SideFile), record);
        struct stat kept {};
        ASSERT_EQ(::stat(noted[0].SideFile.c_str(), &kept), 0);
        if (!copied) {
            // The very file, under its dated name.
            EXPECT_EQ(noted[0].SideFile, dated);
            EXPECT_EQ(kept.st_ino, side.st_ino);
            EXPECT_EQ(kept.st_nlink, 1u);
        } else {
            // A new file, under the dated name with six letters or digits behind.
            EXPECT_EQ(noted[0].SideFile.rfind(dated + "-", 0), 0u) << noted[0].SideFile;
            EXPECT_EQ(noted[0].SideFile.size(), dated.size() + 7) << noted[0].SideFile;
            EXPECT_NE(kept.st_ino, side.st_ino);
            EXPECT_EQ(kept.st_mode & 0777, 0600u);
        }
        const QStringList left = QDir(QString::fromStdString(base)).entryList(QDir::Files);
        EXPECT_EQ(left.size(), 2) << left.join(" ").toStdString();
        ASSERT_EQ(::unlink(noted[0].SideFile.c_str()), 0);
    }
}

// A side file replaced under its name while it is being set aside (another write put its
// own there) is neither copied aside in its place nor removed: what is copied aside is the
// very file found, or nothing.
TEST_F(PendingWriteTest, ASideFileReplacedWhileItIsCopiedAsideIsLeftAsItIs)
{
    KillInWrite(5);
    Overwrite(OnDisk() + "edited;\r\n");
    const std::string newer = base + "/newer";
    Overwrite("noxcontrol pending end 2 newer", newer);
    {
        std::lock_guard<std::mutex> lock(gReplaceMutex);
        gSwapAtLink = newer;
    }
    gNoRenameNoReplace = gNoLinks = true;
    support::RefuseRenamesOf(".recovery");
    TSideFileNotes notes;
    std::string err;
    const bool saved = SaveFileAtomic(path, "saved whole", &err);
    gNoRenameNoReplace = gNoLinks = false;
    support::RefuseRenamesOf({});
    ASSERT_TRUE(saved) << err;
    EXPECT_EQ(OnDisk(), "saved whole");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(newer))) << "not replaced while it was set aside";
    EXPECT_EQ(OnDisk(pending), "noxcontrol pending end 2 newer");
    EXPECT_TRUE(notes.Take().empty());
    const QStringList left = QDir(QString::fromStdString(base)).entryList(QDir::Files);
    EXPECT_EQ(left.size(), 2) << left.join(" ").toStdString();
}

// Two side files of one file set aside within the same second keep a name each.
TEST_F(PendingWriteTest, SideFilesSetAsideWithinASecondKeepANameEach)
{
    const timespec sameSecond[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
    for (const char* end : {"noxcontrol pending end 2 first", "noxcontrol pending end 2 second"}) {
        Overwrite(end, pending);
        ASSERT_EQ(::chmod(pending.c_str(), 0600), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, pending.c_str(), sameSecond, 0), 0);
        ASSERT_TRUE(SaveFileAtomic(path, "saved whole"));
        EXPECT_FALSE(SideFileThere());
    }
    const QStringList kept = QDir(QString::fromStdString(base)).entryList({"run_11.csv.recovery.*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 2);
    std::vector<std::string> ends;
    for (const QString& n : kept) ends.push_back(OnDisk(base + "/" + n.toStdString()));
    std::sort(ends.begin(), ends.end());
    EXPECT_EQ(ends, (std::vector<std::string>{"noxcontrol pending end 2 first", "noxcontrol pending end 2 second"}));
}

// A side file is looked at by its size before it is read: one far larger than any file it
// could end, or than the file it claims to end, is not read whole.
TEST_F(PendingWriteTest, AHugeSideFileIsNotReadWhole)
{
    Overwrite(std::string(3000, 'x'));
    const std::uint64_t huge = std::uint64_t(250) << 20;
    for (const bool record : {false, true}) {
        SCOPED_TRACE(record);
        const std::string line =
            "noxcontrol pending end 2 dev=1 ino=2 size=3000 whole=00000000 offset=0 "
            "head=00000000 length=" +
            std::to_string(huge) + " crc=00000000\n";
        Overwrite(record ? line : std::string(), pending);
        ASSERT_EQ(::truncate(pending.c_str(), off_t(huge + (record ? line.size() : 1))), 0);
        Age(pending);
        gSideBytesRead = 0;
        std::string bytes;
        ASSERT_TRUE(ReadGrowingFile(path, std::uint64_t(100) << 20, bytes));
        EXPECT_EQ(bytes, std::string(3000, 'x'));
        SaveBeside();
        EXPECT_EQ(OnDisk(), std::string(3000, 'x'));
        EXPECT_LT(gSideBytesRead.load(), 16384u);
        EXPECT_TRUE(SideFileThere());
    }
}

// A side file that cannot be saved stops the write before it touches the file, and the
// reason names the system's cause, not the side file the user never made.
TEST_F(PendingWriteTest, AWriteWhoseSideFileCannotBeSavedLeavesTheFileAsItWas)
{
    TGrowingFile file;
    ASSERT_TRUE(file.Create(path, before));
    ASSERT_EQ(::mkdir(pending.c_str(), 0755), 0);
    std::string err;
    EXPECT_FALSE(file.WriteFrom(offset, newEnd, &err));
    EXPECT_EQ(err, std::strerror(EISDIR));
    EXPECT_EQ(OnDisk(), before);
    ASSERT_EQ(::rmdir(pending.c_str()), 0);
    ASSERT_TRUE(file.WriteFrom(offset, newEnd, &err)) << err;
    EXPECT_EQ(OnDisk(), after);
}

// The side file's checksums are those of ZIP and PNG, whatever the length and alignment of
// the bytes (side files written by earlier versions must still prove their write), and the
// checksum of two pieces joined is that of the whole.
TEST(FileChecksumTest, IsTheStandardChecksumAndJoinsPieces)
{
    EXPECT_EQ(platform::Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(platform::Crc32(""), 0u);
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7 + 3) % 256);
    EXPECT_EQ(platform::Crc32(bytes), 0xDEFA9E47u);
    for (size_t start : {size_t(0), size_t(1), size_t(5), size_t(65536), size_t(199999)})
        for (size_t cut : {start, start + 1, start + 7, start + 65536, bytes.size()}) {
            if (cut > bytes.size()) continue;
            const std::string_view a = std::string_view(bytes).substr(start, cut - start);
            const std::string_view b = std::string_view(bytes).substr(cut);
            const std::uint32_t whole = platform::Crc32(std::string_view(bytes).substr(start));
            EXPECT_EQ(platform::Crc32(b, platform::Crc32(a)), whole) << start << " " << cut;
            EXPECT_EQ(platform::Crc32Combine(platform::Crc32(a), platform::Crc32(b), b.size()), whole)
                << start << " " << cut;
        }
}
