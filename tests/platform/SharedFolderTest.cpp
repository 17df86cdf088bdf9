// Saves into folders that other users may write: what another user put there (a link, a
// file, something under a temporary file's name) never makes a save write anything but the
// program's own files, and the tidying of one run never takes a save of another that is
// still under way. Also names as long as the file system takes.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSave.h"
#include "platform/ScopedValue.h"
#include "platform/TextCodec.h"

using namespace platform;

namespace {

constexpr uid_t kStranger = 4343;

class SharedFolderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string victim = base + "/thesis.odt";
    const bool root = ::geteuid() == 0;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        std::ofstream(victim) << "my thesis";
        ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
        // Without root no file can be given to another user: the user's own then count as
        // another user's (and the user's folders as folders others may write).
        if (!root) SetFileOwnerUserForTests(4242);
    }
    void TearDown() override
    {
        SetFileOwnerUserForTests(-1);
        SetFileAccessHook({});
    }
    // What another user makes is that user's.
    void Stranger(const std::string& path) const
    {
        if (root) {
            EXPECT_EQ(::lchown(path.c_str(), kStranger, kStranger), 0) << path;
        }
    }
    std::string PlantLink(const std::string& at, const std::string& to) const
    {
        EXPECT_EQ(::symlink(to.c_str(), at.c_str()), 0) << at;
        Stranger(at);
        return at;
    }
    // A lab's data folder that the user's group may write (set-gid), and a world-writable
    // sticky folder of the other user.
    std::string Folder(const char* name, bool sticky) const { return Folder(base, name, sticky); }
    std::string Folder(const std::string& in, const char* name, bool sticky) const
    {
        const std::string folder = in + "/" + name;
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        if (sticky) {
            EXPECT_EQ(::chmod(folder.c_str(), 01777), 0);
            Stranger(folder);
        } else {
            if (root) {
                EXPECT_EQ(::chown(folder.c_str(), ::geteuid(), kStranger), 0);
            }
            EXPECT_EQ(::chmod(folder.c_str(), 02775), 0);
        }
        return folder;
    }
    static std::string Bytes(const std::string& path)
    {
        std::string bytes;
        return ReadFileBytes(path, bytes) ? bytes : std::string("(unreadable)");
    }
    // Runs `act` as the other user: in a child with that user's ids when the test may take
    // them, else here (the owner seam then makes the user's own files count as another's).
    template <typename F>
    void AsStranger(F act) const
    {
        if (!root) {
            act();
            return;
        }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kStranger) != 0 || ::setuid(kStranger) != 0) ::_exit(3);
            ::_exit(act() ? 0 : 4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    // A folder the other user may reach: the test's own folder is the user's alone, and so
    // may be the folders above it.
    QTemporaryDir reachable{QStringLiteral("/tmp/nox-shared-XXXXXX")};
    std::string ReachableTop() const
    {
        EXPECT_TRUE(reachable.isValid());
        const std::string top = reachable.path().toStdString();
        EXPECT_EQ(::chmod(top.c_str(), 0711), 0);
        return top;
    }
    // A folder of the user's in it that nobody else may enter.
    std::string PrivateFolder() const
    {
        const std::string folder = ReachableTop() + "/private";
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        return folder;
    }
    static std::vector<std::string> Listing(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const QString& n : QDir(QString::fromStdString(folder))
                                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            names.push_back(n.toStdString() + "=" + Bytes(folder + "/" + n.toStdString()));
        return names;
    }
    static bool IsLink(const std::string& path)
    {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
};

}  // namespace

TEST_F(SharedFolderTest, NothingIsWrittenThroughWhatAnotherUserPutIntoTheFolder)
{
    for (const bool sticky : {false, true}) {
        SCOPED_TRACE(sticky ? "world-writable sticky folder" : "group-writable folder");
        const std::string folder = Folder(sticky ? "sticky" : "group", sticky);
        std::string err;

        // A link at the side file's name: the recording's minute write refuses it, names it
        // and leaves it (the file itself is not written either: the write waits for a whole
        // save), and the file it points to is as it was.
        const std::string part = folder + "/tcp_11.csv";
        const std::string side = PlantLink(part + ".recovery", victim);
        TGrowingFile file;
        ASSERT_TRUE(file.Create(part, "head\r\nend\r\n", &err)) << err;
        EXPECT_FALSE(file.WriteFrom(6, "row 1\r\nend\r\n", &err));
        EXPECT_TRUE(file.SideFileBlocked());
        EXPECT_NE(err.find(side), std::string::npos) << err;
        EXPECT_EQ(file.SideFilePath(), side);
        EXPECT_TRUE(IsLink(side));
        EXPECT_EQ(Bytes(part), "head\r\nend\r\n");
        // So is another user's plain file there: it is not replaced.
        const std::string taken = folder + "/tcp_21.csv.recovery";
        std::ofstream(taken) << "theirs";
        Stranger(taken);
        TGrowingFile second;
        ASSERT_TRUE(second.Create(folder + "/tcp_21.csv", "head\r\nend\r\n", &err)) << err;
        EXPECT_FALSE(second.WriteFrom(6, "row 1\r\nend\r\n", &err));
        EXPECT_TRUE(second.SideFileBlocked());
        EXPECT_NE(err.find(taken), std::string::npos) << err;
        EXPECT_EQ(Bytes(taken), "theirs");
        // A write that only appends needs no side file.
        EXPECT_TRUE(second.WriteFrom(11, "more\r\n", &err)) << err;
        EXPECT_FALSE(second.SideFileBlocked());

        // A link at a data file's name (the next part's): neither made through it nor saved
        // through it; the message names the link.
        const std::string next = PlantLink(folder + "/tcp_12.csv", victim);
        EXPECT_FALSE(CheckWritable(next, &err));
        EXPECT_NE(err.find(next), std::string::npos) << err;
        TGrowingFile nextPart;
        EXPECT_FALSE(nextPart.Create(next, "head\r\n", &err));
        EXPECT_NE(err.find("another user"), std::string::npos) << err;
        EXPECT_FALSE(SaveFileAtomic(next, "overwritten", &err));
        EXPECT_TRUE(IsLink(next));

        // Something put under a temporary file's name while the save writes it (another user
        // may rename and delete in such a folder) is not put in the file's place as if it
        // were the file written.
        for (const std::string& target : {folder + "/tcp_31.csv", folder + "/tcp_41.csv"}) {
            SetFileAccessHook([&](const std::string& path, bool write) {
                if (!write || path.find(".noxcontrol-save-") == std::string::npos) return;
                ::unlink(path.c_str());
                PlantLink(path, victim);
            });
            if (target == folder + "/tcp_31.csv") {
                EXPECT_FALSE(SaveFileAtomic(target, "data", &err));
            } else {
                SetFileAccessHook({});
                TGrowingFile grown;
                ASSERT_TRUE(grown.Create(target, "head\r\nend\r\n", &err)) << err;
                SetFileAccessHook([&](const std::string& path, bool write) {
                    if (!write || path.find(".recovery.noxcontrol-save-") == std::string::npos) return;
                    ::unlink(path.c_str());
                    PlantLink(path, victim);
                });
                EXPECT_FALSE(grown.WriteFrom(6, "row 1\r\nend\r\n", &err));
            }
            SetFileAccessHook({});
            EXPECT_NE(err.find("replaced"), std::string::npos) << err;
        }
        EXPECT_EQ(Bytes(victim), "my thesis");
        struct stat st {};
        ASSERT_EQ(::stat(victim.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
    if (!root) return;

    // Links no other user could have put there are followed as before: the user's own in a
    // shared folder, and another user's in a folder only the user may write.
    std::string err;
    const std::string own = base + "/sticky/own.csv";
    ASSERT_EQ(::symlink(victim.c_str(), own.c_str()), 0);
    EXPECT_TRUE(SaveFileAtomic(own, "through the user's own link", &err)) << err;
    EXPECT_EQ(Bytes(victim), "through the user's own link");
    const std::string privateFolder = base + "/mine";
    ASSERT_EQ(::mkdir(privateFolder.c_str(), 0755), 0);
    const std::string old = PlantLink(privateFolder + "/old.csv", victim);
    EXPECT_TRUE(SaveFileAtomic(old, "through an old link", &err)) << err;
    EXPECT_EQ(Bytes(victim), "through an old link");
    EXPECT_TRUE(IsLink(old));
}

// Another run of the program (on another machine, on the same share) saves a file slowly;
// this run's tidying of the folder leaves that save's temporary file alone, also when it is
// older than this run, and removes only a leftover that no save holds.
TEST_F(SharedFolderTest, TheTidyingLeavesAnotherRunsSaveUnderWay)
{
    SetFileOwnerUserForTests(-1);
    const std::string slow = base + "/slow.csv";
    std::mutex m;
    std::condition_variable cv;
    std::string temporary;
    bool release = false;
    SetFileAccessHook([&](const std::string& path, bool write) {
        if (!write || path.rfind(slow + ".noxcontrol-save-", 0) != 0) return;
        std::unique_lock<std::mutex> lock(m);
        temporary = path;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    });
    std::string slowError;
    bool saved = false;
    std::thread other([&] { saved = SaveFileAtomic(slow, "the other run's data", &slowError); });
    {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return !temporary.empty(); }));
    }
    // Begun long before this run, as far as the tidying can tell; beside it a leftover of a
    // killed save of the same age.
    const std::string leftover = base + "/killed.csv.noxcontrol-save-Ab12Z9";
    std::ofstream(leftover) << "x";
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, temporary.c_str(), longAgo, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, leftover.c_str(), longAgo, 0), 0);
    std::string err;
    EXPECT_TRUE(SaveFileAtomic(base + "/mine.csv", "mine", &err)) << err;
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(temporary)));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(leftover)));
    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
        cv.notify_all();
    }
    other.join();
    EXPECT_TRUE(saved) << slowError;
    EXPECT_EQ(Bytes(slow), "the other run's data");
}

// A name as long as the file system takes is saved, and a growing file under it keeps its
// crash protection: a write cut off (here by the file-size limit, in a child) leaves the
// file whole or with its new end beside it, never just cut. A name whose side file's name
// would be too long is saved whole at each such write.
TEST_F(SharedFolderTest, LongNamesAreSavedAndKeepTheirCrashProtection)
{
    SetFileOwnerUserForTests(-1);
    for (const size_t length : {size_t(232), size_t(250), size_t(255)}) {
        SCOPED_TRACE(length);
        const std::string name = std::string(length - 4, 'n') + ".csv";
        const std::string path = base + "/" + name;
        std::string err;
        ASSERT_TRUE(SaveFileAtomic(path, "saved", &err)) << err;
        EXPECT_EQ(Bytes(path), "saved");
        const std::string before = "head\r\n" + std::string(3000, 'r') + "\r\nend\r\n";
        const std::string newEnd = std::string(2000, 's') + "\r\nend\r\n";
        auto cutOffWrite = [&] {
            TGrowingFile file;
            std::string reason;
            if (!file.Create(path, before, &reason)) std::_Exit(2);
            IgnoreFileSizeSignal();
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 4500;
            setrlimit(RLIMIT_FSIZE, &limit);
            std::_Exit(file.WriteFrom(3000, newEnd, &reason) ? 3 : 0);
        };
        EXPECT_EXIT(cutOffWrite(), ::testing::ExitedWithCode(0), "");
        std::string bytes;
        TPendingWriteState state = TPendingWriteState::None;
        ASSERT_TRUE(ReadGrowingFile(path, 1 << 20, bytes, &err, nullptr, &state)) << err;
        const std::string written = before.substr(0, 3000) + newEnd;
        if (length <= 246) {
            EXPECT_EQ(state, TPendingWriteState::Applied);
            EXPECT_EQ(bytes, written);
        } else {
            EXPECT_EQ(bytes, before);
        }
        // Written to its end without a limit, by a new file under the name: the cut write's
        // side file, whose name with the time it was written would be too long, is kept
        // under a shorter one.
        std::string cutEnd;
        ReadFileBytes(path + ".recovery", cutEnd);
        TGrowingFile file;
        ASSERT_TRUE(file.Create(path, before, &err)) << err;
        const QStringList kept = QDir(dir.path()).entryList({"n*.recovery.2*"}, QDir::Files);
        ASSERT_EQ(kept.size(), cutEnd.empty() ? 0 : 1);
        for (const QString& keptName : kept) {
            const std::string aside = base + "/" + keptName.toStdString();
            EXPECT_EQ(Bytes(aside), cutEnd);
            EXPECT_EQ(keptName.toStdString().substr(0, 200), name.substr(0, 200));
            ASSERT_TRUE(QFile::remove(QString::fromStdString(aside)));
        }
        ASSERT_TRUE(file.WriteFrom(3000, newEnd, &err)) << err;
        ASSERT_TRUE(file.WriteFrom(written.size() - 5, "end!\r\n", &err)) << err;
        EXPECT_TRUE(file.IsNamed());
        EXPECT_EQ(Bytes(path), written.substr(0, written.size() - 5) + "end!\r\n");
        file.Close();
        ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
        QFile::remove(QString::fromStdString(path + ".recovery"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // the thesis only
}

// Another user who may write the folder watches it, renames each new data file aside, puts a
// link to a file in the user's private folder at its name and puts the file back a moment
// later. The side files of the file's writes stay in its folder all the same: nothing
// outside it is written, replaced or removed, and reading the file meanwhile names no side
// file but its own.
TEST_F(SharedFolderTest, ALinkSwappedInAtADataFilesNameChoosesNoPlaceForItsSideFiles)
{
    const std::string top = ReachableTop();
    const std::string privateFolder = PrivateFolder();
    const std::string notes = privateFolder + "/notes";
    std::ofstream(notes) << "my notes";
    std::ofstream(notes + ".recovery") << "the end of another recording";
    ASSERT_EQ(::chmod((notes + ".recovery").c_str(), 0600), 0);
    const std::vector<std::string> privateBefore = Listing(privateFolder);
    for (const bool sticky : {false, true}) {
        SCOPED_TRACE(sticky ? "world-writable sticky folder" : "group-writable folder");
        const std::string folder = Folder(top, sticky ? "sticky" : "group", sticky);
        const std::string part = folder + "/run_11.csv";
        const std::string aside = folder + "/aside";
        std::vector<std::string> written;
        bool swapped = false;
        TPendingWriteState state = TPendingWriteState::None;
        // The swap comes as the file has just got its name; while the link is there, the
        // file is read.
        SetFileAccessHook([&](const std::string& path, bool write) {
            if (write) written.push_back(path);
            if (write || swapped || path != part + ".recovery") return;
            swapped = true;
            AsStranger([&] {
                return ::rename(part.c_str(), aside.c_str()) == 0 && ::symlink(notes.c_str(), part.c_str()) == 0;
            });
            std::string bytes, err;
            ReadGrowingFile(part, 1 << 20, bytes, &err, nullptr, &state);
        });
        TGrowingFile file;
        std::string err;
        ASSERT_TRUE(file.Create(part, "head\r\nend\r\n", &err)) << err;
        ASSERT_TRUE(swapped);
        EXPECT_EQ(state, TPendingWriteState::None);
        AsStranger([&] { return ::rename(aside.c_str(), part.c_str()) == 0; });
        // Each minute's write replaces the end of the file.
        for (const char* row : {"row 1\r\n", "row 2\r\n"}) {
            EXPECT_TRUE(file.WriteFrom(file.IsNamed() ? 6 : 0, std::string(row) + "end\r\n", &err)) << err;
        }
        SetFileAccessHook({});
        EXPECT_TRUE(file.IsNamed());
        EXPECT_EQ(Bytes(part), "head\r\nrow 2\r\nend\r\n");
        EXPECT_EQ(file.SideFilePath(), part + ".recovery");
        for (const std::string& path : written) EXPECT_EQ(path.rfind(folder + "/", 0), 0u) << path;
        EXPECT_EQ(Listing(privateFolder), privateBefore);
    }
}

// Another user who may write the folder above the user's data folder renames that folder
// between two minute writes (or inside one) and puts a link to the user's private folder in
// its place. The file goes on growing, with its side files, in the folder it was made in,
// and says that this is no longer the folder at its path: nothing in the private folder is
// written, replaced or removed, not even another recording's side file of the same name, nor
// by a whole save under the file's path.
TEST_F(SharedFolderTest, AFolderReplacedByALinkBetweenTwoWritesTakesNoSideFileOutOfIt)
{
    const std::string top = ReachableTop();
    const std::string privateFolder = PrivateFolder();
    std::ofstream(privateFolder + "/run_11.csv") << "another recording";
    std::ofstream(privateFolder + "/run_11.csv.recovery") << "the end of another recording";
    ASSERT_EQ(::chmod((privateFolder + "/run_11.csv.recovery").c_str(), 0600), 0);
    const std::vector<std::string> privateBefore = Listing(privateFolder);
    for (const bool sticky : {false, true})
        for (const bool inWrite : {false, true}) {
            const std::string name = std::string(sticky ? "sticky" : "group") + (inWrite ? "-in-write" : "");
            SCOPED_TRACE(name);
            const std::string shared = Folder(top, name.c_str(), sticky);
            const std::string mine = shared + "/mine", moved = shared + "/moved";
            ASSERT_EQ(::mkdir(mine.c_str(), 0755), 0);
            const std::string part = mine + "/run_11.csv";
            bool swapped = false, privateTouched = false, looking = false;
            const auto swap = [&] {
                swapped = true;
                AsStranger([&] {
                    return ::rename(mine.c_str(), moved.c_str()) == 0 &&
                           ::symlink(privateFolder.c_str(), mine.c_str()) == 0;
                });
            };
            TGrowingFile file;
            std::string err;
            ASSERT_TRUE(file.Create(part, "head\r\nend\r\n", &err)) << err;
            ASSERT_TRUE(file.WriteFrom(6, "row 1\r\nend\r\n", &err)) << err;
            EXPECT_FALSE(file.FolderReplaced());
            // At every step of the second write once the link is there, the private folder is as it was.
            SetFileAccessHook([&](const std::string& path, bool write) {
                if (looking) return;
                const TScopedValue look(looking, true);
                if (inWrite && !swapped && write && path == part + ".recovery") swap();
                if (swapped && Listing(privateFolder) != privateBefore) privateTouched = true;
            });
            if (!inWrite) swap();
            EXPECT_TRUE(file.WriteFrom(13, "row 2\r\nend\r\n", &err)) << err;
            SetFileAccessHook({});
            EXPECT_TRUE(swapped);
            EXPECT_TRUE(file.IsNamed());
            EXPECT_TRUE(file.FolderReplaced());
            EXPECT_EQ(file.SideFilePath(), part + ".recovery");
            file.Close();
            // A whole save by the name, or a new file of it, goes through no link that
            // another user could have put on its way.
            const std::string planted =
                mine +
                ": a symbolic link that another user could have put there is not followed (it may point to "
                "any of your files)";
            EXPECT_FALSE(SaveFileAtomic(part, "whole", &err));
            EXPECT_EQ(err, planted);
            EXPECT_FALSE(file.Create(part, "whole", &err));
            EXPECT_EQ(err, planted);
            EXPECT_FALSE(CheckWritable(part, &err));
            EXPECT_FALSE(privateTouched);
            EXPECT_EQ(Listing(privateFolder), privateBefore);
            EXPECT_EQ(Listing(moved), std::vector<std::string>{"run_11.csv=head\r\nrow 1\r\nrow 2\r\nend\r\n"});
        }
}

// In a sticky folder nobody but the owner of a file may replace it: a save under a name that
// another user's file holds, whatever that file's mode, says that another user's file holds
// the name, and leaves that file as it is.
TEST_F(SharedFolderTest, ASaveUnderANameAnotherUsersFileHoldsSaysSo)
{
    if (!root) GTEST_SKIP() << "needs a second user";
    const std::string folder = ReachableTop() + "/sticky";
    ASSERT_EQ(::mkdir(folder.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
    for (const mode_t mode : {mode_t(0644), mode_t(0666)}) {
        SCOPED_TRACE(mode);
        const std::string held = folder + "/run_12.csv";
        std::ofstream(held) << "theirs";
        ASSERT_EQ(::chmod(held.c_str(), mode), 0);
        // The user who records is the other one here; the file is the test's own.
        AsStranger([&] {
            std::string err;
            return !SaveFileAtomic(held, "mine", &err) &&
                   err == held + ": the name is held by another user's file; it is left as it is";
        });
        EXPECT_EQ(Bytes(held), "theirs");
        ASSERT_EQ(::unlink(held.c_str()), 0);
    }
}

// A link that the owner of its folder put there, in a folder nobody else may write (a lab
// account's `current` link to this year's folder), is followed on the way to a save and at
// a file's name, as the system follows it. The same owner's link in a folder that others may
// write (the group, or everyone with the sticky bit) is still not followed.
TEST_F(SharedFolderTest, TheFolderOwnersLinkIsFollowedWhereNobodyElseMayWrite)
{
    if (!root) GTEST_SKIP() << "needs a second user";
    const std::string lab = ReachableTop() + "/lab";
    const std::string year = lab + "/2026";
    for (const std::string& f : {lab, year}) {
        ASSERT_EQ(::mkdir(f.c_str(), 0755), 0);
        Stranger(f);
    }
    const std::string current = PlantLink(lab + "/current", "2026");
    std::string err;
    EXPECT_TRUE(CheckWritable(current + "/run_11.csv", &err)) << err;
    EXPECT_TRUE(SaveFileAtomic(current + "/run_11.csv", "saved", &err)) << err;
    EXPECT_EQ(Bytes(year + "/run_11.csv"), "saved");
    TGrowingFile file;
    ASSERT_TRUE(file.Create(current + "/run_12.csv", "head\r\nend\r\n", &err)) << err;
    EXPECT_TRUE(file.WriteFrom(6, "row 1\r\nend\r\n", &err)) << err;
    file.Close();
    EXPECT_EQ(Bytes(year + "/run_12.csv"), "head\r\nrow 1\r\nend\r\n");
    const std::string latest = PlantLink(year + "/latest.csv", "run_11.csv");
    EXPECT_TRUE(SaveFileAtomic(latest, "through the owner's link", &err)) << err;
    EXPECT_EQ(Bytes(year + "/run_11.csv"), "through the owner's link");
    EXPECT_TRUE(IsLink(latest));

    const std::string planted =
        current +
        ": a symbolic link that another user could have put there is not followed (it may point to any of "
        "your files)";
    for (const mode_t mode : {mode_t(02775), mode_t(01777)}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(lab.c_str(), mode), 0);
        EXPECT_FALSE(SaveFileAtomic(current + "/run_11.csv", "not saved", &err));
        EXPECT_EQ(err, planted);
        EXPECT_FALSE(file.Create(current + "/run_13.csv", "head\r\n", &err));
        EXPECT_EQ(err, planted);
    }
    EXPECT_EQ(Bytes(year + "/run_11.csv"), "through the owner's link");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(year + "/run_13.csv")));
}
