#include "platform/FileSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <span>
#include <thread>
#include <utility>

#include "platform/ReasonTexts.h"
#include "platform/ScopedValue.h"
#include "platform/UiDispatcher.h"

namespace platform {
namespace {
std::string DirOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Why a save does not follow a link or keep to a name, for the message the user gets.
bool FailWith(std::string* error, const std::string& what, TReason reason)
{
    if (error) *error = what + ": " + ReasonText(reason);
    return false;
}

bool Fail(std::string* error, const std::string& what, int err)
{
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// The user and the system: whoever else may have put a link somewhere is another user.
bool TrustedUser(uid_t uid)
{
    return uid == FileOwnerUser() || uid == 0;
}

// A link is followed only when no other user could have put it there: it is the user's
// own, or nobody but the folder's owner may write its folder and the link is that owner's
// (as the system's own rule for links takes the owner of a folder at its word: a lab
// account's `current` link in its own folder, the user's own link on a share that shows
// another number for the user). A folder that its group or others may write (by its mode,
// or by an ACL, which then shows in the group bits) is shared whoever owns it: there only
// the user's own links are followed.
bool MayFollowLink(const struct stat& linkStat, const struct stat& folder)
{
    if (TrustedUser(linkStat.st_uid)) return true;
    return (TrustedUser(folder.st_uid) || linkStat.st_uid == folder.st_uid) &&
           (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A folder opened as itself: what is then done by a name in it is done in that folder,
// whatever is put at the folder's path meanwhile (another user who may write a folder
// above it could rename it and put a link in its place). Each name on the way is opened in
// the folder opened before it, and a link on the way is followed only by the rule for a
// link at a file's name (MayFollowLink): a link that another user could have put in place
// of a folder on the way chooses nothing. -1 with errno when it cannot be opened; a link
// that is not followed gives EPERM and its path in `planted`.
int OpenFolder(const std::string& folder, std::string* planted = nullptr)
{
    const bool absolute = !folder.empty() && folder[0] == '/';
    int dir = ::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return -1;
    std::string walked = absolute ? "" : ".";  // the way so far, for the message
    std::deque<std::string> names;
    const auto take = [&names](const std::string& path) {
        std::vector<std::string> parts;
        for (size_t at = 0; at < path.size();) {
            const size_t slash = std::min(path.find('/', at), path.size());
            if (slash > at) parts.push_back(path.substr(at, slash - at));
            at = slash + 1;
        }
        names.insert(names.begin(), parts.begin(), parts.end());
    };
    const auto fail = [&dir](int err) {
        ::close(dir);
        errno = err;
        return -1;
    };
    take(folder);
    int links = 0;
    while (!names.empty()) {
        const std::string name = std::move(names.front());
        names.pop_front();
        if (name == ".") continue;
        const int next = ::openat(dir, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return fail(errno);
        struct stat st {
        }, in{};
        if (::fstat(next, &st) != 0) {
            const int err = errno;
            ::close(next);
            return fail(err);
        }
        if (!S_ISLNK(st.st_mode)) {
            ::close(dir);
            dir = next;
            walked += "/" + name;
            if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
            continue;
        }
        std::string link(4096, '\0');
        const ssize_t n = ::readlinkat(next, "", link.data(), link.size());
        const int readError = errno;
        ::close(next);
        if (::fstat(dir, &in) != 0 || !MayFollowLink(st, in)) {
            if (planted) *planted = walked + "/" + name;
            return fail(EPERM);
        }
        if (n < 0) return fail(readError);
        if (n == 0 || size_t(n) >= link.size() || ++links > 40) return fail(n == 0 ? ENOENT : ELOOP);
        link.resize(size_t(n));
        if (link[0] == '/') {
            ::close(dir);
            dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dir < 0) return -1;
            walked.clear();
        }
        take(link);
    }
    return dir;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// `path` without its last name, as given: "/data/" for "/data/run.csv", "" for "run.csv".
std::string FolderPrefix(const std::string& path)
{
    return path.substr(0, path.size() - BaseName(path).size());
}

// The file a save to `path` (the name `name` in the opened folder `dir`) really writes:
// symbolic links are followed, each by the rule above, and only to a file that exists: a
// file made new is never made through a link, so a link planted where a file is about to
// appear cannot choose where it goes. `target` is `path` when no link was followed. `error`
// gets the reason, naming the link, when the save must not go ahead. Each link is opened as
// itself in its opened folder, and what was opened is judged and read: a link put in place
// of the one judged is never the one followed.
bool ResolveLinksAt(int dir, const std::string& name, const std::string& path, std::string& target, std::string* error)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        int dfd = dir;
        std::string at = name;
        if (hops > 0) {
            std::string planted;
            dfd = OpenFolder(DirOf(target), &planted);
            at = BaseName(target);
            if (dfd < 0 && !planted.empty()) return FailWith(error, planted, TReason::PlantedLink);
            if (dfd < 0)
                return errno == ENOENT ? FailWith(error, path, TReason::DanglingLink) : Fail(error, target, errno);
        }
        const TScopeExit closeFolder([dfd, dir] {
            if (dfd != dir) ::close(dfd);
        });
        struct stat st {};
        if (::fstatat(dfd, at.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && hops == 0) return true;
            if (errno == ENOENT) return FailWith(error, path, TReason::DanglingLink);
            return Fail(error, path, errno);
        }
        if (!S_ISLNK(st.st_mode)) return true;
        const int lfd = ::openat(dfd, at.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (lfd < 0) return Fail(error, target, errno);
        const TScopeExit closeLink([lfd] { ::close(lfd); });
        struct stat folder {
        }, opened{};
        if (::fstat(dfd, &folder) != 0 || ::fstat(lfd, &opened) != 0) return Fail(error, target, errno);
        if (!S_ISLNK(opened.st_mode)) {  // replaced meanwhile: looked at again
            if (hops == 0) return true;
            continue;
        }
        if (!MayFollowLink(opened, folder)) return FailWith(error, target, TReason::PlantedLink);
        std::string link(4096, '\0');
        const ssize_t n = ::readlinkat(lfd, "", link.data(), link.size());
        if (n < 0) return Fail(error, target, errno);
        if (size_t(n) >= link.size()) return Fail(error, target, ENAMETOOLONG);
        link.resize(size_t(n));
        target = !link.empty() && link[0] == '/' ? link : DirOf(target) + "/" + link;
    }
    return Fail(error, path, ELOOP);
}

// A name of the program's own (a side file) is never written through a link nor over what
// is not the user's: whoever put that there, in a folder others may write, would choose
// what the write destroys. `error` names what holds the name.
bool CheckOwnName(int dir, const std::string& name, const std::string& path, std::string* error)
{
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT || Fail(error, path, errno);
    if (S_ISLNK(st.st_mode)) return FailWith(error, path, TReason::OwnNameLink);
    if (st.st_uid != FileOwnerUser()) return FailWith(error, path, TReason::OwnNameForeign);
    return true;
}

// errno-style reason why `name` in the folder `dir` ("." for the folder itself) may not be
// written, 0 when it may.
int NotWritableReason(int dir, const std::string& name, int mode)
{
    if (::faccessat(dir, name.c_str(), mode, AT_EACCESS) != 0) return errno;
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, 0) == 0 && (st.st_mode & 0222) == 0) return EACCES;
    return 0;
}

// Whether the file `name` in `dir` (what a save to `path` writes, in the folder `folder`) and
// its folder may be written.
bool CheckResolved(int dir, const std::string& name, const std::string& path, const std::string& folder,
                   std::string* error)
{
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, 0) == 0) {
        if (S_ISREG(st.st_mode))
            if (int err = NotWritableReason(dir, name, W_OK))
                return st.st_uid != FileOwnerUser() ? FailWith(error, path, TReason::ForeignFile)
                                                    : Fail(error, path, err);
    } else if (errno != ENOENT) {
        return Fail(error, path, errno);
    }
    if (int err = NotWritableReason(dir, ".", W_OK | X_OK)) return Fail(error, folder, err);
    return true;
}

// A folder held open for as long as a check or a save of a file in it runs.
class TFolder {
public:
    explicit TFolder(const std::string& folder) : FFd(OpenFolder(folder, &FPlanted)), FError(FFd < 0 ? errno : 0) {}
    ~TFolder()
    {
        if (FFd >= 0) ::close(FFd);
    }
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;
    int Fd() const { return FFd; }
    // False with why it could not be opened (`what`: the folder, as the caller names it).
    bool Fail(std::string* error, const std::string& what) const
    {
        return FPlanted.empty() ? platform::Fail(error, what, FError) : FailWith(error, FPlanted, TReason::PlantedLink);
    }

private:
    std::string FPlanted;  // declared first: OpenFolder fills it in
    int FFd;
    int FError;
};

// A name in an opened folder, with its path as the caller gave it (for messages, the access
// hook and what the user is told).
struct TNameAt {
    int Dir;
    std::string Name;
    std::string Path;
};

// Another name in the same folder.
TNameAt Beside(const TNameAt& at, const std::string& name)
{
    return {at.Dir, name, FolderPrefix(at.Path) + name};
}

// ResolveLinksAt and CheckResolved for `path` by its name: what a check of a save to it
// finds.
bool ResolveAndCheck(const std::string& path, std::string& target, std::string* error)
{
    const TFolder folder(DirOf(path));
    if (folder.Fd() < 0) return folder.Fail(error, DirOf(path));
    if (!ResolveLinksAt(folder.Fd(), BaseName(path), path, target, error)) return false;
    if (target == path) return CheckResolved(folder.Fd(), BaseName(path), path, DirOf(path), error);
    const TFolder targetFolder(DirOf(target));
    if (targetFolder.Fd() < 0) return targetFolder.Fail(error, DirOf(target));
    return CheckResolved(targetFolder.Fd(), BaseName(target), path, DirOf(target), error);
}

size_t NameMax(int dir);
int MakeTemporaryFile(int dir, std::string& name, std::string_view extension = {}, mode_t mode = 0600);
}  // namespace

std::shared_ptr<const THeldFolder> THeldFolder::Open(const std::string& folder, std::string* error)
{
    std::string planted;
    const int fd = OpenFolder(folder, &planted);
    if (fd < 0) {
        if (planted.empty())
            Fail(error, folder, errno);
        else
            FailWith(error, planted, TReason::PlantedLink);
        return nullptr;
    }
    return std::shared_ptr<const THeldFolder>(new THeldFolder(fd, folder));
}

THeldFolder::~THeldFolder()
{
    ::close(FFd);
}

bool THeldFolder::Replaced() const
{
    struct stat held {
    }, now{};
    return ::fstat(FFd, &held) != 0 || ::stat(FPath.c_str(), &now) != 0 || held.st_dev != now.st_dev ||
           held.st_ino != now.st_ino;
}

bool THeldFolder::Removed() const
{
    struct stat held {};
    return ::fstat(FFd, &held) != 0 || held.st_nlink == 0;
}

std::string THeldFolder::WhereNow() const
{
    std::string where(4096, '\0');
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(FFd)).c_str(), where.data(), where.size());
    if (n <= 0 || size_t(n) >= where.size()) return FPath;
    where.resize(size_t(n));
    return where;
}

bool CheckWritableIn(const THeldFolder& folder, const std::string& path, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    std::string target;
    if (!ResolveLinksAt(folder.Fd(), BaseName(path), path, target, error)) return false;
    if (target == path) return CheckResolved(folder.Fd(), BaseName(path), path, DirOf(path), error);
    const TFolder targetFolder(DirOf(target));
    if (targetFolder.Fd() < 0) return targetFolder.Fail(error, DirOf(target));
    return CheckResolved(targetFolder.Fd(), BaseName(target), path, DirOf(target), error);
}

bool HeldByAnotherUser(const std::string& path, const THeldFolder* in)
{
    struct stat st {
    }, folder{};
    if (in ? ::fstatat(in->Fd(), BaseName(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0
           : ::lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISLNK(st.st_mode)) return st.st_uid != FileOwnerUser();
    return (in ? ::fstat(in->Fd(), &folder) : ::stat(DirOf(path).c_str(), &folder)) == 0 && !MayFollowLink(st, folder);
}

std::string FreeNameBeside(const std::string& path, const THeldFolder* in)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const size_t at = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    const std::string folderPath = DirOf(path);
    const TFolder opened(in ? std::string("/") : folderPath);
    const int dir = in ? in->Fd() : opened.Fd();
    if (dir < 0) return {};
    const std::string base = BaseName(path.substr(0, at)), extension = path.substr(at);
    const size_t max = NameMax(dir);
    // The name with `mark` behind its base, the base cut at its end (at a whole character)
    // where the whole would be too long for the file system, as a name near the limit
    // otherwise has no free name at all. Empty when not even one character of it fits.
    const auto withMark = [&](const std::string& mark) -> std::string {
        if (mark.size() + extension.size() >= max) return {};
        size_t keep = std::min(base.size(), max - mark.size() - extension.size());
        while (keep > 0 && keep < base.size() && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
        if (keep == 0) return {};
        return base.substr(0, keep) + mark + extension;
    };
    for (int n = 2; n < 1000; ++n) {
        const std::string name = withMark("-" + std::to_string(n));
        if (name.empty()) return {};
        struct stat st {};
        if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return FolderPrefix(path) + name;
    }
    // Every numbered name is held (another user may have put them all there): a name nobody
    // could foresee, made new so that it is the user's before anyone else can take it. The
    // file mask applies as to any new file: the save keeps that mode.
    std::string name = withMark("-XXXXXX");
    if (name.empty()) return {};
    name.resize(name.size() - extension.size());
    const int fd = MakeTemporaryFile(dir, name, extension, 0666);
    if (fd < 0) return {};
    ::close(fd);
    return FolderPrefix(path) + name;
}

bool CheckWritable(const std::string& path, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    std::string target;
    return ResolveAndCheck(path, target, error);
}

namespace {

std::atomic<std::uint64_t> gBytesWritten{0};

bool WriteAll(int fd, std::string_view bytes, off_t offset, int& err)
{
    size_t done = 0;
    while (done < bytes.size()) {
        gBytesWritten += bytes.size() - done;
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + off_t(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// When this process started: a temporary file of ours older than that is no save of this
// run, one made since may be.
// On the clock the file system dates files by (its coarse one: a file written after this is
// never dated before it), to the nanosecond: a run that starts again at once (a supervisor's
// restart) still tells what its predecessor left from what it writes itself.
const struct timespec gProcessStart = [] {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}();

bool BeforeProcessStart(const struct stat& st)
{
    return st.st_mtim.tv_sec < gProcessStart.tv_sec ||
           (st.st_mtim.tv_sec == gProcessStart.tv_sec && st.st_mtim.tv_nsec < gProcessStart.tv_nsec);
}

std::atomic<long long> gOwnerForTests{-1};

// The mark in the names of the temporary files of our saves: the saved file's name (its
// start, when the whole would not fit), the mark, and the six letters and digits mkostemp
// puts in. No other program names its files so, which is what lets a later run remove the
// ones a killed save left.
constexpr std::string_view kTempMark = ".noxcontrol-save-";

bool IsTempName(std::string_view name)
{
    if (name.size() <= kTempMark.size() + 6) return false;
    const std::string_view tail = name.substr(name.size() - 6);
    return name.substr(name.size() - 6 - kTempMark.size(), kTempMark.size()) == kTempMark &&
           std::all_of(tail.begin(), tail.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// The longest file name the file system of the folder `dir` takes.
size_t NameMax(int dir)
{
    const long max = ::fpathconf(dir, _PC_NAME_MAX);
    return max > 0 ? size_t(max) : size_t(NAME_MAX);
}

// The template for MakeTemporaryFile of a temporary file beside the file `name` in a folder
// whose names may be `max` bytes long. Its name is cut at its end (at a whole character)
// where name and mark would be too long: a temporary file can be made whenever the file
// itself can.
std::string TempTemplate(std::string name, size_t max)
{
    const size_t mark = kTempMark.size() + 6;
    if (name.size() + mark > max) {
        size_t cut = max > mark ? max - mark : 1;
        while (cut > 1 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(std::max<size_t>(cut, 1));
    }
    return name + std::string(kTempMark) + "XXXXXX";
}

// As mkostemp, in the folder `dir`: the six X at the end of `name` become letters and digits
// that make a name nothing has yet, and the new file (0600) is opened for writing. With
// `extension`, that goes behind them (in `name` too), and the file gets `mode` (the file
// mask applies).
int MakeTemporaryFile(int dir, std::string& name, std::string_view extension, mode_t mode)
{
    name += extension;
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^ (std::uint64_t(::getpid()) << 32) ^
                                        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    const size_t at = name.size() - extension.size() - 6;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (size_t k = 0; k < 6; ++k) name[at + k] = letters[random() % letters.size()];
        const int fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A save holds a lock on its temporary file for as long as it writes it: a lock of the open
// file, which other processes and other descriptors of this one see, on a network share too
// where it passes locks on. Another run's tidying knows a save under way by it.
void LockTemporaryFile(int fd, bool locked)
{
    struct flock lock {};
    lock.l_type = locked ? F_WRLCK : F_UNLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

// A temporary file of ours untouched for this long and not locked is a leftover, also on a
// share that keeps its locks to each machine; where the file system takes no locks at all,
// only one untouched far longer than any save takes.
constexpr std::time_t kUnlockedLeftoverAge = 3600;
constexpr std::time_t kLocklessLeftoverAge = 7 * 24 * 3600;

// Whether the temporary file `name` in the folder `dirFd` (with `st` its state) is what a
// killed save left: no save under way holds its lock.
bool IsLeftoverTemp(int dirFd, const char* name, const struct stat& st)
{
    const std::time_t age = std::time(nullptr) - st.st_mtim.tv_sec;
    if (age < kUnlockedLeftoverAge) return false;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    const TScopeExit closeFile([fd] { ::close(fd); });
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) return false;
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
    if (errno == EAGAIN || errno == EACCES || errno == EINTR) return false;
    return age > kLocklessLeftoverAge;
}

void SyncFolder(int dir)
{
    const int dfd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

}  // namespace

// Eight bytes a step through eight tables: a minute's write of a long part checksums
// megabytes.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc)
{
    static const auto tables = [] {
        std::array<std::array<std::uint32_t, 256>, 8> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i)
            for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        return t;
    }();
    crc = ~crc;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        const std::uint32_t lo = crc ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                        std::uint32_t(p[3]) << 24);
        crc = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^ tables[4][lo >> 24] ^
              tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^ tables[0][p[7]];
    }
    for (; n > 0; ++p, --n) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

// a * b modulo the checksum's polynomial, both as the checksum holds them (reflected).
std::uint32_t MultiplyModPoly(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t product = 0;
    for (std::uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m) product ^= b;
        b = (b & 1) ? (b >> 1) ^ 0xEDB88320u : b >> 1;
    }
    return product;
}

}  // namespace

// What the bytes before B contribute is A's checksum moved on by B's length in bits: a
// multiplication by x^(8 length) modulo the polynomial.
std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB)
{
    // x^(2^k) for k = 0..63, x^1 being 1 << 30 in the reflected form.
    static const auto powers = [] {
        std::array<std::uint32_t, 64> t{};
        t[0] = 1u << 30;
        for (size_t k = 1; k < t.size(); ++k) t[k] = MultiplyModPoly(t[k - 1], t[k - 1]);
        return t;
    }();
    std::uint32_t shift = 1u << 31;  // x^0
    std::uint64_t bits = lengthB * 8;
    for (size_t k = 0; bits != 0 && k < powers.size(); ++k, bits >>= 1)
        if (bits & 1) shift = MultiplyModPoly(powers[k], shift);
    return MultiplyModPoly(shift, crcA) ^ crcB;
}

namespace {

// Marks go every so many bytes of what is written without a checksum: the checksum before
// any offset then needs at most this much read back from the file.
constexpr size_t kMarkEvery = size_t(64) << 10;

bool ReadAt(int fd, std::uint64_t offset, size_t length, std::string& out)
{
    out.resize(length);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, out.data() + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The side file of a growing file's write that replaces bytes: a line naming the file
// (device and inode), its size and checksum before the write, where the new end goes, the
// checksum of every byte before that and that of the new end; then the new end itself.
// With the two checksums of the file the record proves that a file is in one of the two
// states the write can leave: not begun (the file as it was), or cut and followed by a
// beginning of the new end.
constexpr const char* kPendingFormat =
    "noxcontrol pending end 2 dev=%llu ino=%llu size=%llu whole=%08x offset=%llu head=%08x length=%llu "
    "crc=%08x\n";
// The same for reading it (the line read must print again as it stands).
constexpr const char* kPendingScan =
    "noxcontrol pending end 2 dev=%llu ino=%llu size=%llu whole=%x offset=%llu head=%x length=%llu crc=%x\n";
constexpr size_t kMaxPendingLine = 250;

struct TPendingWrite {
    unsigned long long Dev = 0, Ino = 0, Size = 0, Offset = 0, Length = 0;
    unsigned Whole = 0, Head = 0, Crc = 0;
};

std::string PendingWriteLine(const TPendingWrite& w)
{
    char line[kMaxPendingLine + 6];
    const int n = std::snprintf(line, sizeof line, kPendingFormat, w.Dev, w.Ino, w.Size, w.Whole, w.Offset, w.Head,
                                w.Length, w.Crc);
    return std::string(line, size_t(std::max(n, 0)));
}

// The record's line as written, or false: what else has the name is no record of ours
// (also a record of the earlier format, which proves too little to be applied).
bool ParsePendingLine(std::string_view head, TPendingWrite& w, size_t& lineBytes)
{
    const size_t eol = head.find('\n');
    if (eol == std::string_view::npos || eol > kMaxPendingLine) return false;
    const std::string line(head.substr(0, eol + 1));
    if (std::sscanf(line.c_str(), kPendingScan, &w.Dev, &w.Ino, &w.Size, &w.Whole, &w.Offset, &w.Head, &w.Length,
                    &w.Crc) != 8)
        return false;
    lineBytes = eol + 1;
    return PendingWriteLine(w) == line && w.Offset <= w.Size;
}

// What is found under a side file's name.
enum class TSideFile { Missing, Foreign, NotARecord, Record };

// A side file opened for reading: only a plain file (a link is not followed) of the user
// who runs the program, which no one else may write, holding a record whose new end is as
// long as the record says, and ends a file of at most `maxBytes`. Only its record's line is
// read here.
struct TOpenSideFile {
    int Fd = -1;
    struct stat St {};
    TPendingWrite W;
    size_t LineBytes = 0;
    TOpenSideFile() = default;
    TOpenSideFile(const TOpenSideFile&) = delete;
    TOpenSideFile& operator=(const TOpenSideFile&) = delete;
    ~TOpenSideFile()
    {
        if (Fd >= 0) ::close(Fd);
    }
    TSideFile Open(const TNameAt& pending, std::uint64_t maxBytes)
    {
        Fd = ::openat(pending.Dir, pending.Name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (Fd < 0) return errno == ENOENT ? TSideFile::Missing : TSideFile::Foreign;
        if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode) || St.st_uid != FileOwnerUser() ||
            (St.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return TSideFile::Foreign;
        std::string head;
        const std::uint64_t size = std::uint64_t(St.st_size);
        if (!ReadAt(Fd, 0, size_t(std::min<std::uint64_t>(size, kMaxPendingLine + 1)), head) ||
            !ParsePendingLine(head, W, LineBytes) || size != LineBytes + W.Length || W.Length > maxBytes ||
            W.Offset > maxBytes - W.Length)
            return TSideFile::NotARecord;
        return TSideFile::Record;
    }
    // `length` bytes of the new end from its start.
    bool NewEnd(size_t length, std::string& out) const { return ReadAt(Fd, LineBytes, length, out); }
};

// Whether the file `data` (with `st` its state) is in a state the side file's write leaves:
// then `newEnd` gets what goes from the record's offset on.
bool PendingWriteFits(const TOpenSideFile& side, std::string_view data, std::string& newEnd)
{
    const TPendingWrite& w = side.W;
    const std::uint64_t size = data.size();
    if (size < w.Offset) return false;
    const std::uint32_t head = Crc32(data.substr(0, size_t(w.Offset)));
    if (head != w.Head) return false;
    // Not begun: the file as it was before the write.
    const bool untouched = size == w.Size && Crc32(data.substr(size_t(w.Offset)), head) == w.Whole;
    // Cut at the offset and followed by a beginning of the new end.
    const std::uint64_t written = size - w.Offset;
    if (!untouched) {
        if (written > w.Length || !side.NewEnd(size_t(written), newEnd) || newEnd != data.substr(size_t(w.Offset)))
            return false;
    }
    return side.NewEnd(size_t(w.Length), newEnd) && Crc32(newEnd) == w.Crc;
}

// What this process wrote itself, told apart from what earlier runs, other instances or
// other programs left: the side files it saved and has not removed yet, and the files it
// saved whole (by name, with the state the save left them in). A file's inode alone proves
// nothing: an editor or a tool that writes a new file and renames it makes a new one too.
struct TFileIdentity {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    struct timespec MTime {};
    bool operator==(const TFileIdentity& o) const
    {
        return Dev == o.Dev && Ino == o.Ino && Size == o.Size && MTime.tv_sec == o.MTime.tv_sec &&
               MTime.tv_nsec == o.MTime.tv_nsec;
    }
};

TFileIdentity IdentityOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool Before(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

std::mutex gWrittenMutex;
std::vector<TFileIdentity> gOwnSideFiles;
std::deque<std::pair<std::string, TFileIdentity>> gWholeSaves;  // the last ones, by file name
constexpr size_t kKeptWholeSaves = 4096;

void NoteOwnSideFile(const TNameAt& pending)
{
    struct stat st {};
    if (::fstatat(pending.Dir, pending.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    std::lock_guard<std::mutex> lock(gWrittenMutex);
    gOwnSideFiles.push_back(IdentityOf(st));
}

bool IsOwnSideFile(const struct stat& st)
{
    std::lock_guard<std::mutex> lock(gWrittenMutex);
    return std::find(gOwnSideFiles.begin(), gOwnSideFiles.end(), IdentityOf(st)) != gOwnSideFiles.end();
}

// Whether this process saved the side file `st` (and forgets it: it is about to go).
bool TakeOwnSideFile(const struct stat& st)
{
    std::lock_guard<std::mutex> lock(gWrittenMutex);
    const auto it = std::find(gOwnSideFiles.begin(), gOwnSideFiles.end(), IdentityOf(st));
    if (it == gOwnSideFiles.end()) return false;
    gOwnSideFiles.erase(it);
    return true;
}

void NoteWholeSave(const std::string& target, const struct stat& st)
{
    std::lock_guard<std::mutex> lock(gWrittenMutex);
    gWholeSaves.emplace_back(BaseName(target), IdentityOf(st));
    if (gWholeSaves.size() > kKeptWholeSaves) gWholeSaves.pop_front();
}

// Whether the file `path` (with `st` its state) is a file this process saved whole under
// that name, unchanged since, after the side file was written: the side file's write is
// then no longer true of what the name holds.
bool SavedWholeSince(const std::string& path, const struct stat& st, const TOpenSideFile& side)
{
    // Only an end this process wrote itself can be in what it saved; any other side file may
    // hold rows that are in no file at all.
    if (!Before(side.St.st_mtim, st.st_mtim) || !IsOwnSideFile(side.St)) return false;
    const std::string name = BaseName(path);
    const TFileIdentity now = IdentityOf(st);
    std::lock_guard<std::mutex> lock(gWrittenMutex);
    return std::any_of(gWholeSaves.begin(), gWholeSaves.end(),
                       [&](const auto& saved) { return saved.first == name && saved.second == now; });
}

thread_local TSideFileNotes* tNotes = nullptr;
// Set by the background saver while it writes the saves of a job the user may call off.
thread_local const std::atomic<bool>* tCalledOff = nullptr;

void Note(TSideFileNote::TKind kind, const std::string& file, const std::string& sideFile)
{
    if (tNotes) tNotes->Add({kind, file, sideFile});
}

bool ReadWhole(int fd, const struct stat& st, std::string& bytes)
{
    return ReadAt(fd, 0, size_t(st.st_size), bytes);
}

// The side file of a file is beside the name as the caller gives it, in the folder opened
// for it, never beside where a link at that name points: in a folder others may write,
// whoever swaps a link in for a moment would otherwise choose where every side file of the
// file goes (and which file of the user's each of them replaces and removes).
TNameAt PendingOf(const TNameAt& file)
{
    return Beside(file, file.Name + std::string(PendingWriteSuffix));
}

// The data file a side file belongs to.
TNameAt FileOfPending(const TNameAt& pending)
{
    return Beside(pending, pending.Name.substr(0, pending.Name.size() - PendingWriteSuffix.size()));
}

void RemoveSideFile(const TNameAt& pending)
{
    struct stat st {};
    const bool known = ::fstatat(pending.Dir, pending.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (::unlinkat(pending.Dir, pending.Name.c_str(), 0) == 0 && known) TakeOwnSideFile(st);
    SyncFolder(pending.Dir);
}

// Finishes the cut-off write that the side file `pending` holds on its file, and removes
// the side file once its new end is on the disk in the file; true then. A side file that is
// not ours, or whose file is gone, cannot be written or is not in a state the write leaves,
// stays; it goes without being applied only when this process saved the file whole under
// its name since.
// Side files found not to fit their files, with the states of both then: a save into the
// folder reads each such file once per change of it or of its side file, not at every save
// (a file written whole each minute saves into its folder each minute).
struct TNoFit {
    TFileIdentity Side, File;
    struct timespec SideChanged {
    }, FileChanged{};
    bool Same(const struct stat& side, const struct stat& file) const
    {
        return Side == IdentityOf(side) && File == IdentityOf(file) && !Before(SideChanged, side.st_ctim) &&
               !Before(side.st_ctim, SideChanged) && !Before(FileChanged, file.st_ctim) &&
               !Before(file.st_ctim, FileChanged);
    }
};
std::map<std::string, TNoFit> gNoFits;  // by the side file's name, guarded by gWrittenMutex
constexpr size_t kKeptNoFits = 4096;

bool FinishPendingWrite(const TNameAt& pending)
{
    TOpenSideFile side;
    if (side.Open(pending, MaxReadFileBytes) != TSideFile::Record) return false;
    const TNameAt file = FileOfPending(pending);
    const std::string& path = file.Path;
    const int fd = ::openat(file.Dir, file.Name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    const TScopeExit closeFile([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != FileOwnerUser()) return false;
    std::string data, newEnd;
    const std::uint64_t size = std::uint64_t(st.st_size);
    const auto knownNoFit = [&] {
        std::lock_guard<std::mutex> lock(gWrittenMutex);
        const auto it = gNoFits.find(pending.Path);
        return it != gNoFits.end() && it->second.Same(side.St, st);
    };
    const bool fits = !knownNoFit() && size <= std::max<std::uint64_t>(side.W.Size, side.W.Offset + side.W.Length) &&
                      ReadWhole(fd, st, data) && PendingWriteFits(side, data, newEnd);
    if (!fits) {
        if (SavedWholeSince(path, st, side)) {
            RemoveSideFile(pending);
            return false;
        }
        std::lock_guard<std::mutex> lock(gWrittenMutex);
        if (gNoFits.size() >= kKeptNoFits) gNoFits.clear();
        gNoFits[pending.Path] = {IdentityOf(side.St), IdentityOf(st), side.St.st_ctim, st.st_ctim};
        return false;
    }
    // A file nobody may write is left as it is, as a save leaves it, also by a privileged
    // user; the side file waits until it can be written.
    if ((st.st_mode & 0222) == 0) return false;
    const int out = ::openat(file.Dir, file.Name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (out < 0) return false;
    const TScopeExit closeOut([out] { ::close(out); });
    struct stat now {};
    if (::fstat(out, &now) != 0 || !(IdentityOf(now) == IdentityOf(st))) return false;
    // Cut first, as the write itself does: whenever this is stopped, the file is cut at the
    // offset and followed by a beginning of the new end, which the side file still proves.
    const std::string_view written = std::string_view(data).substr(size_t(side.W.Offset));
    const bool begun = std::string_view(newEnd).substr(0, written.size()) == written;
    int err = 0;
    if ((!begun && ::ftruncate(out, off_t(side.W.Offset)) != 0) || !WriteAll(out, newEnd, off_t(side.W.Offset), err) ||
        ::ftruncate(out, off_t(side.W.Offset + newEnd.size())) != 0 || ::fdatasync(out) != 0)
        return false;
    RemoveSideFile(pending);
    Note(TSideFileNote::TKind::Finished, path, pending.Path);
    return true;
}

bool IsPendingName(std::string_view name)
{
    return name.size() > PendingWriteSuffix.size() &&
           name.substr(name.size() - PendingWriteSuffix.size()) == PendingWriteSuffix;
}

// What killed runs left in `folder`, in plain files of this user last written before this
// process started (those of this process may belong to a save or a write under way): the
// temporary files of our saves that no save under way holds go, the side files of cut-off
// writes are finished.
void TidyLeftovers(int folderFd, const std::string& folder)
{
    const int listed = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return;
    DIR* dir = ::fdopendir(listed);
    if (!dir) {
        ::close(listed);
        return;
    }
    const int fd = ::dirfd(dir);
    std::vector<std::string> pending;
    while (const dirent* e = ::readdir(dir)) {
        const bool temp = IsTempName(e->d_name);
        if (!temp && !IsPendingName(e->d_name)) continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != FileOwnerUser() || !BeforeProcessStart(st))
            continue;
        if (temp) {
            // Another run's save may still be writing it (another machine on the same share).
            if (IsLeftoverTemp(fd, e->d_name, st)) ::unlinkat(fd, e->d_name, 0);
        } else
            pending.push_back(e->d_name);
    }
    ::closedir(dir);
    for (const std::string& p : pending) FinishPendingWrite({folderFd, p, folder + "/" + p});
}

// The name a side file is set aside under: its own with the local time it was written
// behind, and a number when that is taken (`attempt` > 1), or six letters and digits for
// mkostemp (`attempt` 0). Where that would be too long for the file system, the data
// file's part of the name is cut at its end (at a whole character): a side file can always
// be set aside.
std::string SetAsideName(const TNameAt& pending, const struct stat& st, int attempt)
{
    struct tm local {};
    const std::time_t written = st.st_mtim.tv_sec;
    ::localtime_r(&written, &local);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    const std::string tail = std::string(PendingWriteSuffix) + "." + stamp +
                             (attempt == 0  ? std::string("-XXXXXX")
                              : attempt > 1 ? "-" + std::to_string(attempt)
                                            : std::string());
    std::string name = pending.Name;
    name.resize(name.size() - PendingWriteSuffix.size());
    const size_t max = NameMax(pending.Dir);
    if (name.size() + tail.size() > max) {
        size_t cut = max > tail.size() + 1 ? max - tail.size() : 1;
        while (cut > 1 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return name + tail;
}

// Copies the side file `pending` (with `st` its state) into the new file `fd`, synced, and
// removes it once the copy is on the disk: for a file system that can neither rename without
// replacing nor give a file a second name.
bool CopyAside(const TNameAt& pending, const struct stat& st, int fd)
{
    const int in =
        ::openat(pending.Dir, pending.Name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in < 0) return false;
    const TScopeExit closeIn([in] { ::close(in); });
    struct stat opened {};
    std::string bytes;
    int err = 0;
    if (::fstat(in, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino ||
        !ReadWhole(in, opened, bytes) || !WriteAll(fd, bytes, 0, err) || ::fsync(fd) != 0)
        return false;
    return ::unlinkat(pending.Dir, pending.Name.c_str(), 0) == 0;
}

// Moves the side file `pending` to a name of its own that nothing has yet; the name, or
// empty when that fails (the side file then stays where it is). Nothing under another
// name is ever replaced: the names tried are taken only when free, and when all of them
// are taken (another user may have put files there), a name with six letters and digits
// is made new for it.
std::string SetAside(const TNameAt& pending, const struct stat& st)
{
    const int dir = pending.Dir;
    const char* const from = pending.Name.c_str();
    const auto done = [&pending](const std::string& name) {
        SyncFolder(pending.Dir);
        return Beside(pending, name).Path;
    };
    for (int attempt = 1; attempt < 100; ++attempt) {
        const std::string name = SetAsideName(pending, st, attempt);
        if (::renameat2(dir, from, dir, name.c_str(), RENAME_NOREPLACE) == 0) return done(name);
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) break;
        // A file system that cannot rename without replacing: a second name, then the first goes.
        if (::linkat(dir, from, dir, name.c_str(), 0) == 0) {
            ::unlinkat(dir, from, 0);
            return done(name);
        }
        if (errno != EEXIST) break;
    }
    // A new file of its own under a name nobody had, which the side file then replaces, or
    // into which it is copied where it cannot be renamed.
    std::string name = SetAsideName(pending, st, 0);
    const int fd = MakeTemporaryFile(dir, name);
    if (fd < 0) return {};
    const TScopeExit closeFile([fd] { ::close(fd); });
    if (::renameat(dir, from, dir, name.c_str()) == 0 || CopyAside(pending, st, fd)) return done(name);
    ::unlinkat(dir, name.c_str(), 0);
    return {};
}

// After `target` was saved whole: a side file of a write to the file it replaced is no
// longer true of what the name holds. When this process wrote it, what it held is in the
// file just saved, and it goes; any other (of an earlier run, beside a file that was moved,
// edited or replaced since) holds an end that may be in no file at all: it is set aside
// under a name of its own, never removed.
void DropPendingWrite(const TNameAt& target)
{
    if (IsPendingName(target.Name)) return;
    const TNameAt pending = PendingOf(target);
    FileAccessPoint(pending.Path, false);
    TOpenSideFile side;
    const TSideFile found = side.Open(pending, MaxReadFileBytes);
    if (found == TSideFile::Missing || found == TSideFile::Foreign) return;
    // A record of ours, also one of the earlier format.
    std::string start;
    if (found != TSideFile::Record &&
        !(ReadAt(side.Fd, 0, size_t(std::min<off_t>(side.St.st_size, 32)), start) &&
          (start.rfind("noxcontrol pending end ", 0) == 0 || start.rfind("pending file end 1 ", 0) == 0)))
        return;
    if (TakeOwnSideFile(side.St)) {
        ::unlinkat(pending.Dir, pending.Name.c_str(), 0);
        SyncFolder(pending.Dir);
        return;
    }
    const std::string aside = SetAside(pending, side.St);
    if (!aside.empty()) Note(TSideFileNote::TKind::SetAside, target.Path, aside);
}

// SaveFileAtomic of the name `at.Name` in the opened folder `at.Dir`; with `keptFd` the new
// file stays open for writing and its descriptor is returned there. A name of the program's
// own (`ownName`: a side file) is written as itself, never through a link, and never over
// what is not the user's own file. The file's bytes are `parts`, one after the other.
bool SaveAtomicAt(const TNameAt& at, std::span<const std::string_view> parts, std::string* error, int* keptFd,
                  bool ownName = false)
{
    const std::string& path = at.Path;
    FileAccessPoint(path, true);
    // What is written: the name itself, or the file a link there points to (in a folder of
    // its own, opened here).
    TNameAt target = at;
    std::optional<TFolder> linkedFolder;
    if (ownName) {
        if (!CheckOwnName(at.Dir, at.Name, path, error)) return false;
        if (int err = NotWritableReason(at.Dir, ".", W_OK | X_OK)) return Fail(error, DirOf(path), err);
    } else {
        std::string resolved;
        if (!ResolveLinksAt(at.Dir, at.Name, path, resolved, error)) return false;
        if (resolved != path) {
            linkedFolder.emplace(DirOf(resolved));
            if (linkedFolder->Fd() < 0) return linkedFolder->Fail(error, DirOf(resolved));
            target = {linkedFolder->Fd(), BaseName(resolved), resolved};
        }
        if (!CheckResolved(target.Dir, target.Name, path, DirOf(target.Path), error)) return false;
    }
    const int dir = target.Dir;
    // A side file is saved in the minute's write of a growing file, whose folder was tidied
    // when the file was made.
    if (!IsPendingName(target.Name)) TidyLeftovers(dir, DirOf(target.Path));
    // Made new (never through a link) and held locked while it is written.
    std::string tmp = TempTemplate(target.Name, NameMax(dir));
    int fd = MakeTemporaryFile(dir, tmp);
    if (fd < 0) return Fail(error, path, errno);
    LockTemporaryFile(fd, true);
    // The lock lasts until the file is in its place, also when `fd` is closed before that,
    // and no longer: a file kept open to grow is not locked for others.
    const int lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const TScopeExit unlock([lockFd] {
        if (lockFd < 0) return;
        LockTemporaryFile(lockFd, false);
        ::close(lockFd);
    });
    auto fail = [&](int err) {
        ::close(fd);
        ::unlinkat(dir, tmp.c_str(), 0);
        return Fail(error, path, err);
    };
    FileAccessPoint(Beside(target, tmp).Path, true);
    // Keep the permissions of the file being replaced, or the usual ones for a new file. A
    // side file is the user's alone, whatever the user's file mask lets others do: it is
    // trusted only then.
    struct stat st {};
    if (ownName || IsPendingName(target.Name))
        fchmod(fd, 0600);
    else if (::fstatat(dir, target.Name.c_str(), &st, 0) == 0)
        fchmod(fd, st.st_mode & 07777);
    else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    int err = 0;
    off_t offset = 0;
    for (std::string_view part : parts) {
        if (!WriteAll(fd, part, offset, err)) return fail(err);
        offset += off_t(part.size());
    }
    if (::fsync(fd) != 0) return fail(errno);
    struct stat written {};
    if (::fstat(fd, &written) != 0) return fail(errno);
    if (!keptFd && ::close(fd) != 0) {
        const int closeError = errno;
        ::unlinkat(dir, tmp.c_str(), 0);
        return Fail(error, path, closeError);
    }
    // A save the user called off while its drive hung is not put in place: the file there
    // stays as it was.
    if (tCalledOff && tCalledOff->load()) {
        if (keptFd) ::close(fd);
        ::unlinkat(dir, tmp.c_str(), 0);
        return Fail(error, path, ECANCELED);
    }
    if (::renameat(dir, tmp.c_str(), dir, target.Name.c_str()) != 0) {
        const int renameError = errno;
        // A sticky folder keeps another user's file from being replaced.
        struct stat held {};
        const bool foreign = (renameError == EPERM || renameError == EACCES) &&
                             ::fstatat(dir, target.Name.c_str(), &held, AT_SYMLINK_NOFOLLOW) == 0 &&
                             held.st_uid != FileOwnerUser();
        if (keptFd) ::close(fd);
        ::unlinkat(dir, tmp.c_str(), 0);
        return foreign ? FailWith(error, path, TReason::ForeignFile) : Fail(error, path, renameError);
    }
    // What was put in place is the file written: in a folder others may write, another user
    // could have put something else under the temporary name meanwhile.
    struct stat placed {};
    if (::fstatat(dir, target.Name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) != 0 || placed.st_dev != written.st_dev ||
        placed.st_ino != written.st_ino) {
        if (keptFd) ::close(fd);
        return FailWith(error, path, TReason::ReplacedWhileWritten);
    }
    if (!IsPendingName(target.Name)) NoteWholeSave(path, written);
    DropPendingWrite(at);
    // Make the rename itself durable.
    SyncFolder(dir);
    if (keptFd) *keptFd = fd;
    return true;
}

// SaveAtomicAt for `path` by its name, in its folder as it is now.
bool SaveAtomic(const std::string& path, std::string_view bytes, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    const TFolder folder(DirOf(path));
    if (folder.Fd() < 0) return folder.Fail(error, DirOf(path));
    return SaveAtomicAt({folder.Fd(), BaseName(path), path}, std::span(&bytes, 1), error, nullptr);
}

}  // namespace

bool DeferSave(const std::string& path, std::string_view bytes);

namespace {
// A side file's name that holds a side file of the user's which this process did not write
// (an earlier write's, that a whole save could not set aside, or one put back there by
// hand) is never written over: its end may be in no file at all.
bool CheckNoEarlierWrite(const TNameAt& pending, std::string* error)
{
    struct stat st {};
    if (::fstatat(pending.Dir, pending.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        IsOwnSideFile(st))
        return true;
    return FailWith(error, pending.Path, TReason::OwnNameEarlierWrite);
}
}  // namespace

bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error)
{
    if (DeferSave(path, bytes)) return true;
    return SaveAtomic(path, bytes, error);
}

bool SaveFileAtomicIn(const THeldFolder& folder, const std::string& path, std::string_view bytes, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    return SaveAtomicAt({folder.Fd(), BaseName(path), path}, std::span(&bytes, 1), error, nullptr);
}

bool CheckFreeSpace(const std::string& path, std::uint64_t bytes, std::string* error)
{
    std::string target = path;
    const TFolder given(DirOf(path));
    if (given.Fd() >= 0 && !ResolveLinksAt(given.Fd(), BaseName(path), path, target, error)) return false;
    const std::string folder = DirOf(target);
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) return Fail(error, folder, errno);
    if (std::uint64_t(fs.f_bavail) * std::uint64_t(fs.f_frsize) < bytes) return Fail(error, folder, ENOSPC);
    return true;
}

TGrowingFile::~TGrowingFile()
{
    Close();
}

bool TGrowingFile::Create(const std::string& path, std::string_view bytes, std::string* error,
                          const THeldFolder* folder)
{
    Close();
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    // Held for as long as the file is: the side files go where the file was made, whatever
    // is put at the folder's path later.
    std::string planted;
    FDir = folder ? ::fcntl(folder->Fd(), F_DUPFD_CLOEXEC, 0) : OpenFolder(DirOf(path), &planted);
    if (FDir < 0)
        return planted.empty() ? Fail(error, DirOf(path), errno) : FailWith(error, planted, TReason::PlantedLink);
    FName = BaseName(path);
    if (!SaveAtomicAt({FDir, FName, path}, std::span(&bytes, 1), error, &FFd)) {
        FFd = -1;
        Close();
        return false;
    }
    FPath = path;
    FPendingPath = path + std::string(PendingWriteSuffix);
    FSideFileFits = FName.size() + PendingWriteSuffix.size() <= NameMax(FDir);
    FSideFileBlocked = FSideFileHoldsEarlierWrite = false;
    FSize = off_t(bytes.size());
    FUnsynced = false;
    FMarks.assign(1, {0, 0});
    Mark(0, 0, SpansOf({{bytes, {}}}));
    return true;
}

bool TGrowingFile::ChecksumBefore(std::uint64_t offset, std::uint32_t& crc) const
{
    // The last mark at or before the offset; the first is at the file's start.
    auto after =
        std::upper_bound(FMarks.begin(), FMarks.end(), offset,
                         [](std::uint64_t v, const std::pair<std::uint64_t, std::uint32_t>& m) { return v < m.first; });
    if (after == FMarks.begin()) return false;
    std::uint64_t at = std::prev(after)->first;
    crc = std::prev(after)->second;
    std::string piece;
    while (at < offset) {
        const size_t n = size_t(std::min<std::uint64_t>(offset - at, std::uint64_t(1) << 20));
        if (!ReadAt(FFd, at, n, piece)) return false;
        crc = Crc32(piece, crc);
        at += n;
    }
    return true;
}

std::vector<TGrowingFile::TSpan> TGrowingFile::SpansOf(std::initializer_list<TWritePiece> pieces)
{
    std::vector<TSpan> spans;
    for (const TWritePiece& piece : pieces) {
        if (piece.Bytes.empty()) continue;
        if (piece.Crc) {
            spans.push_back({piece.Bytes.size(), *piece.Crc});
            continue;
        }
        for (size_t done = 0; done < piece.Bytes.size(); done += kMarkEvery) {
            const std::string_view part = piece.Bytes.substr(done, kMarkEvery);
            spans.push_back({part.size(), Crc32(part)});
        }
    }
    return spans;
}

void TGrowingFile::Mark(std::uint64_t offset, std::uint32_t crc, const std::vector<TSpan>& spans)
{
    while (!FMarks.empty() && FMarks.back().first >= offset) FMarks.pop_back();
    FMarks.emplace_back(offset, crc);
    for (const TSpan& span : spans) {
        crc = Crc32Combine(crc, span.Crc, span.Length);
        offset += span.Length;
        FMarks.emplace_back(offset, crc);
    }
}

bool TGrowingFile::SavePendingWrite(std::uint64_t offset, std::uint32_t head, std::initializer_list<TWritePiece> pieces,
                                    std::uint64_t length, const std::vector<TSpan>& spans, std::string* error)
{
    struct stat st {};
    if (::fstat(FFd, &st) != 0) return Fail(error, "fstat", errno);
    TPendingWrite w;
    w.Dev = static_cast<unsigned long long>(st.st_dev);
    w.Ino = static_cast<unsigned long long>(st.st_ino);
    w.Size = static_cast<unsigned long long>(FSize);
    w.Offset = offset;
    w.Head = head;
    w.Length = length;
    std::uint32_t crc = 0;
    for (const TSpan& span : spans) crc = Crc32Combine(crc, span.Crc, span.Length);
    w.Crc = crc;
    std::uint32_t whole = 0;
    if (!ChecksumBefore(std::uint64_t(FSize), whole)) return Fail(error, "read", errno ? errno : EIO);
    w.Whole = whole;
    // The record's line, then the new end.
    const std::string line = PendingWriteLine(w);
    std::vector<std::string_view> record{line};
    for (const TWritePiece& piece : pieces) record.push_back(piece.Bytes);
    // What holds the side file's name and is not the user's own is left alone; the file is
    // then not written in place, and the caller hears what is in the way.
    const TNameAt pending = PendingOf({FDir, FName, FPath});
    if (!CheckOwnName(pending.Dir, pending.Name, pending.Path, error)) {
        FSideFileBlocked = true;
        return false;
    }
    if (!CheckNoEarlierWrite(pending, error)) {
        FSideFileBlocked = FSideFileHoldsEarlierWrite = true;
        return false;
    }
    if (SaveAtomicAt(pending, record, error, nullptr, true)) {
        NoteOwnSideFile(pending);
        return true;
    }
    // The reason is the file's: the side file is the program's own business.
    const std::string prefix = FPendingPath + ": ";
    if (error && error->rfind(prefix, 0) == 0) error->erase(0, prefix.size());
    return false;
}

bool TGrowingFile::WriteFrom(std::uint64_t offset, std::string_view bytes, std::string* error)
{
    return WriteFrom(offset, {{bytes, {}}}, error);
}

bool TGrowingFile::WriteFrom(std::uint64_t offset, std::initializer_list<TWritePiece> pieces, std::string* error)
{
    if (FFd < 0) return Fail(error, "(no file)", EBADF);
    FileAccessPoint(FPath, true);
    FSideFileBlocked = FSideFileHoldsEarlierWrite = false;
    const bool replaces = off_t(offset) < FSize;
    std::uint32_t head = 0;
    if (!ChecksumBefore(offset, head)) return Fail(error, "read", errno ? errno : EIO);
    const std::vector<TSpan> spans = SpansOf(pieces);
    if (replaces && !FSideFileFits) return ReplaceWhole(offset, head, pieces, spans, error);
    std::uint64_t length = 0;
    for (const TWritePiece& piece : pieces) length += piece.Bytes.size();
    if (replaces && !SavePendingWrite(offset, head, pieces, length, spans, error)) return false;
    // What the file holds from the offset on is about to change.
    while (!FMarks.empty() && FMarks.back().first > offset) FMarks.pop_back();
    // Cut first: a write that stops half-way then leaves the file's first part and a
    // half-written end, never new bytes followed by old ones.
    if (replaces && ::ftruncate(FFd, off_t(offset)) != 0) return Fail(error, "ftruncate", errno);
    FSize = std::min(FSize, off_t(offset));
    FUnsynced = true;
    int err = 0;
    std::uint64_t at = offset;
    for (const TWritePiece& piece : pieces) {
        if (!WriteAll(FFd, piece.Bytes, off_t(at), err)) {
            struct stat st {};
            if (::fstat(FFd, &st) == 0) FSize = st.st_size;
            return Fail(error, "write", err);
        }
        at += piece.Bytes.size();
    }
    FSize = off_t(at);
    Mark(offset, head, spans);
    if (!replaces) return true;
    // The side file may go only once what it holds is on the disk in the file itself.
    if (!SyncData(error)) return false;
    RemoveSideFile(PendingOf({FDir, FName, FPath}));
    return true;
}

bool TGrowingFile::ReplaceWhole(std::uint64_t offset, std::uint32_t head, std::initializer_list<TWritePiece> pieces,
                                const std::vector<TSpan>& spans, std::string* error)
{
    std::string whole;
    if (offset > 0 && !ReadAt(FFd, 0, size_t(offset), whole)) return Fail(error, "read", errno ? errno : EIO);
    whole.resize(size_t(offset));
    for (const TWritePiece& piece : pieces) whole.append(piece.Bytes);
    int fd = -1;
    const std::string_view bytes = whole;
    if (!SaveAtomicAt({FDir, FName, FPath}, std::span(&bytes, 1), error, &fd)) {
        // The reason is the file's, whose name the caller gives.
        const std::string prefix = FPath + ": ";
        if (error && error->rfind(prefix, 0) == 0) error->erase(0, prefix.size());
        return false;
    }
    ::close(FFd);
    FFd = fd;
    FSize = off_t(whole.size());
    FUnsynced = false;
    Mark(offset, head, spans);
    return true;
}

bool TGrowingFile::SyncData(std::string* error)
{
    if (FFd < 0) return Fail(error, "(no file)", EBADF);
    if (!FUnsynced) return true;
    if (::fdatasync(FFd) != 0) return Fail(error, "fdatasync", errno);
    FUnsynced = false;
    return true;
}

bool TGrowingFile::IsNamed() const
{
    if (FFd < 0) return false;
    struct stat mine {
    }, named{};
    if (::fstat(FFd, &mine) != 0 || mine.st_nlink == 0) return false;
    return ::fstatat(FDir, FName.c_str(), &named, 0) == 0 && named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
}

bool TGrowingFile::FolderReplaced() const
{
    if (FDir < 0) return false;
    struct stat held {
    }, now{};
    return ::fstat(FDir, &held) != 0 || ::stat(DirOf(FPath).c_str(), &now) != 0 || held.st_dev != now.st_dev ||
           held.st_ino != now.st_ino;
}

bool ReadGrowingFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes, std::string* error,
                     TFileReadError* why, TPendingWriteState* state)
{
    if (state) *state = TPendingWriteState::None;
    const TFolder folder(DirOf(path));
    const TNameAt pending{folder.Fd(), BaseName(path) + std::string(PendingWriteSuffix),
                          path + std::string(PendingWriteSuffix)};
    auto same = [](const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
    };
    for (int attempt = 0;; ++attempt) {
        // The side file is looked for after the file's state was taken and the file is read
        // after both: a write that starts or ends in between changes the file's state.
        struct stat before {
        }, after{};
        const bool known = ::stat(path.c_str(), &before) == 0;
        TOpenSideFile side;
        const TSideFile found = folder.Fd() < 0 ? TSideFile::Missing : side.Open(pending, maxBytes);
        if (!ReadRegularFile(path, maxBytes, bytes, error, why)) return false;
        const bool steady = known && ::stat(path.c_str(), &after) == 0 && same(before, after) &&
                            bytes.size() == std::uint64_t(after.st_size);
        if (!steady && attempt < 3) continue;
        // Only the user's own file gets the user's side file.
        if (found == TSideFile::Missing || found == TSideFile::Foreign || !known || before.st_uid != FileOwnerUser())
            return true;
        std::string newEnd;
        if (found == TSideFile::Record && steady && PendingWriteFits(side, bytes, newEnd)) {
            bytes.resize(size_t(side.W.Offset));
            bytes.append(newEnd);
            if (state) *state = TPendingWriteState::Applied;
            return true;
        }
        const bool stale = found == TSideFile::Record && steady && SavedWholeSince(path, after, side);
        if (state && !stale) *state = TPendingWriteState::Waiting;
        return true;
    }
}

namespace {
// Whether `name` in `dir` is a side file an earlier run left: a plain file of the user's,
// last written before this process started.
bool EarlierSideFile(int dir, const char* name)
{
    struct stat st {};
    return IsPendingName(name) && ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == FileOwnerUser() && BeforeProcessStart(st);
}
}  // namespace

bool FinishCutWrite(const std::string& path)
{
    const TFolder folder(DirOf(path));
    const TNameAt pending{folder.Fd(), BaseName(path) + std::string(PendingWriteSuffix),
                          path + std::string(PendingWriteSuffix)};
    return folder.Fd() >= 0 && EarlierSideFile(pending.Dir, pending.Name.c_str()) && FinishPendingWrite(pending);
}

int FinishCutWrites(const std::string& folder)
{
    const TFolder opened(folder);
    if (opened.Fd() < 0) return 0;
    const int listed = ::openat(opened.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return 0;
    DIR* dir = ::fdopendir(listed);
    if (!dir) {
        ::close(listed);
        return 0;
    }
    std::vector<std::string> pending;
    while (const dirent* e = ::readdir(dir))
        if (EarlierSideFile(::dirfd(dir), e->d_name)) pending.push_back(e->d_name);
    ::closedir(dir);
    return int(std::count_if(pending.begin(), pending.end(), [&](const std::string& name) {
        return FinishPendingWrite({opened.Fd(), name, folder + "/" + name});
    }));
}

TSideFileNotes::TSideFileNotes() : FOuter(tNotes)
{
    tNotes = this;
}

TSideFileNotes::~TSideFileNotes()
{
    tNotes = FOuter;
}

void TSideFileNotes::Add(TSideFileNote note)
{
    FNotes.push_back(std::move(note));
}

std::vector<TSideFileNote> TSideFileNotes::Take()
{
    return std::exchange(FNotes, {});
}

void TGrowingFile::Close()
{
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    if (FDir >= 0) ::close(FDir);
    FDir = -1;
    FSize = 0;
    FMarks.clear();
}

struct timespec ProcessStartTime()
{
    return gProcessStart;
}

uid_t FileOwnerUser()
{
    const long long owner = gOwnerForTests.load();
    return owner >= 0 ? uid_t(owner) : ::geteuid();
}

void SetFileOwnerUserForTests(long long uid)
{
    gOwnerForTests = uid;
}

namespace {
thread_local TDeferredSaves* tDeferred = nullptr;
std::atomic<int> gBackgroundSaves{0};
}  // namespace

bool DeferSave(const std::string& path, std::string_view bytes)
{
    if (!tDeferred) return false;
    tDeferred->FSaves.push_back({path, std::string(bytes)});
    return true;
}

TDeferredSaves::TDeferredSaves() : FOuter(tDeferred)
{
    tDeferred = this;
}

TDeferredSaves::~TDeferredSaves()
{
    tDeferred = FOuter;
}

std::vector<TDeferredSave> TDeferredSaves::Take()
{
    return std::exchange(FSaves, {});
}

namespace {
// Background saves are written by up to MaxWorkers threads. The saves of one file run one at
// a time in the order they came, and a worker serves one file at a time: a file whose drive
// does not answer (one the user left unsaved) holds up its own later saves only. Another
// worker starts when more files wait than workers are free. Workers live as long as the
// process: a save that hangs in a write must not hold up the program's end.
class TBackgroundSaver {
public:
    static constexpr int MaxWorkers = 4;
    static TBackgroundSaver& Instance()
    {
        static auto* saver = new TBackgroundSaver();  // never destroyed: see above
        return *saver;
    }
    void Queue(std::vector<TDeferredSave> saves, std::function<void(const std::string&)> done,
               std::shared_ptr<const std::atomic<bool>> calledOff)
    {
        std::lock_guard<std::mutex> lock(FMutex);
        ++gBackgroundSaves;
        std::string key = saves.empty() ? std::string() : saves.front().Path;
        TFileJobs& file = FFiles[key];
        // A file that is served or already waits comes up again once its job is done.
        if (!file.Served && file.Jobs.empty()) FReady.push_back(key);
        file.Jobs.push_back({std::move(saves), std::move(done), std::move(calledOff)});
        if (int(FReady.size()) > FIdleWorkers && FWorkers < MaxWorkers) {
            ++FWorkers;
            std::thread([this] { Run(); }).detach();
        }
        FWake.notify_one();
    }

private:
    struct TJob {
        std::vector<TDeferredSave> Saves;
        std::function<void(const std::string&)> Done;
        std::shared_ptr<const std::atomic<bool>> CalledOff;
    };
    struct TFileJobs {
        std::deque<TJob> Jobs;
        bool Served = false;  // a worker runs one of its jobs
    };
    void Run()
    {
        std::unique_lock<std::mutex> lock(FMutex);
        while (true) {
            ++FIdleWorkers;
            FWake.wait(lock, [this] { return !FReady.empty(); });
            --FIdleWorkers;
            const std::string key = std::move(FReady.front());
            FReady.pop_front();
            TFileJobs& file = FFiles[key];
            file.Served = true;
            TJob job = std::move(file.Jobs.front());
            file.Jobs.pop_front();
            lock.unlock();
            std::string error;
            {
                const TScopedValue calledOff(tCalledOff, job.CalledOff.get());
                for (const TDeferredSave& s : job.Saves)
                    if (!SaveFileAtomic(s.Path, s.Bytes, &error)) break;
            }
            UiDispatcher::Instance().Post([error, done = std::move(job.Done)] {
                const TScopeExit counted([] {
                    --gBackgroundSaves;
                    UiDispatcher::Instance().Wake();
                });
                if (done) done(error);
            });
            job = TJob();
            lock.lock();
            file.Served = false;
            if (!file.Jobs.empty())
                FReady.push_back(key);
            else
                FFiles.erase(key);
        }
    }
    std::mutex FMutex;
    std::condition_variable FWake;
    std::map<std::string, TFileJobs> FFiles;
    std::deque<std::string> FReady;  // files with a job waiting and no worker on them
    int FWorkers = 0;
    int FIdleWorkers = 0;
};
}  // namespace

void SaveInBackground(std::vector<TDeferredSave> saves, std::function<void(const std::string& error)> done,
                      std::shared_ptr<const std::atomic<bool>> calledOff)
{
    TBackgroundSaver::Instance().Queue(std::move(saves), std::move(done), std::move(calledOff));
}

bool BackgroundSavesIdle()
{
    return gBackgroundSaves.load() == 0;
}

namespace {
std::mutex& HookMutex()
{
    static std::mutex m;
    return m;
}
TFileAccessHook& Hook()
{
    static TFileAccessHook hook;
    return hook;
}
}  // namespace

void SetFileAccessHook(TFileAccessHook hook)
{
    std::lock_guard<std::mutex> lock(HookMutex());
    Hook() = std::move(hook);
}

void FileAccessPoint(const std::string& path, bool write)
{
    TFileAccessHook hook;
    {
        std::lock_guard<std::mutex> lock(HookMutex());
        hook = Hook();
    }
    if (hook) hook(path, write);
}

std::uint64_t BytesWritten()
{
    return gBytesWritten.load();
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
