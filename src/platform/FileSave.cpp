#include "platform/FileSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

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

bool FailWith(std::string* error, const std::string& what, const char* reason)
{
    if (error) *error = what + ": " + reason;
    return false;
}

bool Fail(std::string* error, const std::string& what, int err)
{
    return FailWith(error, what, std::strerror(err));
}

// Why a save does not follow a symbolic link, for the message the user gets.
const char* const PlantedLinkReason =
    "a symbolic link that another user put into a shared folder is not followed (it may point to any of your files)";
const char* const DanglingLinkReason = "a symbolic link to a file that does not exist yet is not followed";

// The kernel's rule for links in a shared folder (world-writable and sticky, like /tmp): a
// link there is followed only when it belongs to the user or to the folder's owner. The
// save resolves the last links itself, so it must apply the rule itself too.
bool MayFollowLink(const std::string& link, const struct stat& linkStat)
{
    struct stat folder {};
    if (::stat(DirOf(link).c_str(), &folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || linkStat.st_uid == ::geteuid() || linkStat.st_uid == folder.st_uid;
}

// The file a save to `path` really writes: symbolic links are followed, each by the rule
// above, and only to a file that exists: a file made new is never made through a link, so
// a link planted where a file is about to appear cannot choose where it goes. `error`
// gets the reason when the save must not go ahead.
bool ResolveLinks(const std::string& path, std::string& target, std::string* error)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT && hops == 0) return true;
            if (errno == ENOENT) return FailWith(error, path, DanglingLinkReason);
            return Fail(error, path, errno);
        }
        if (!S_ISLNK(st.st_mode)) return true;
        if (!MayFollowLink(target, st)) return FailWith(error, path, PlantedLinkReason);
        std::string link(size_t(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return Fail(error, path, errno);
        link.resize(size_t(n));
        target = !link.empty() && link[0] == '/' ? link : DirOf(target) + "/" + link;
    }
    return Fail(error, path, ELOOP);
}

// errno-style reason why `path` may not be written, 0 when it may.
int NotWritableReason(const std::string& path, int mode)
{
    if (::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) != 0) return errno;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return EACCES;
    return 0;
}

bool CheckResolved(const std::string& path, const std::string& target, std::string* error)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode))
            if (int err = NotWritableReason(target, W_OK)) return Fail(error, path, err);
    } else if (errno != ENOENT) {
        return Fail(error, path, errno);
    }
    const std::string folder = DirOf(target);
    if (int err = NotWritableReason(folder, W_OK | X_OK)) return Fail(error, folder, err);
    return true;
}
}  // namespace

bool CheckWritable(const std::string& path, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    std::string target;
    if (!ResolveLinks(path, target, error)) return false;
    return CheckResolved(path, target, error);
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

// When this process started: a temporary file of our pattern older than that is no save
// of ours under way (an earlier run's that was killed), one made since may be.
const std::time_t gProcessStart = std::time(nullptr);

// Whether `name` is a temporary file name of our saves: a name, ".tmp" and the six letters
// and digits that mkostemp puts in.
bool IsTempName(std::string_view name)
{
    constexpr std::string_view kTmp = ".tmp";
    if (name.size() <= kTmp.size() + 6) return false;
    const std::string_view tail = name.substr(name.size() - 6);
    return name.substr(name.size() - 6 - kTmp.size(), kTmp.size()) == kTmp &&
           std::all_of(tail.begin(), tail.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// A save that was killed leaves its temporary file behind: those of our name pattern in
// `folder` that are plain files of this user, last written before this process started, go.
void RemoveTempLeftovers(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int fd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTempName(e->d_name)) continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && st.st_mtime < gProcessStart)
            ::unlinkat(fd, e->d_name, 0);
    }
    ::closedir(dir);
}

// SaveFileAtomic; with `keptFd` the new file stays open for writing and its descriptor is
// returned there.
bool SaveAtomic(const std::string& path, std::string_view bytes, std::string* error, int* keptFd)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    FileAccessPoint(path, true);
    std::string target;
    if (!ResolveLinks(path, target, error)) return false;
    if (!CheckResolved(path, target, error)) return false;
    RemoveTempLeftovers(DirOf(target));
    std::string tmpl = target + ".tmpXXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) return Fail(error, path, errno);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Fail(error, path, err);
    };
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    if (stat(target.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    int err = 0;
    if (!WriteAll(fd, bytes, 0, err)) return fail(err);
    if (::fsync(fd) != 0) return fail(errno);
    if (!keptFd && ::close(fd) != 0) {
        const int closeError = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, closeError);
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        if (keptFd) return fail(errno);
        const int renameError = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, renameError);
    }
    // Make the rename itself durable.
    int dfd = ::open(DirOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    if (keptFd) *keptFd = fd;
    return true;
}

}  // namespace

bool DeferSave(const std::string& path, std::string_view bytes);

bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error)
{
    if (DeferSave(path, bytes)) return true;
    return SaveAtomic(path, bytes, error, nullptr);
}

bool CheckFreeSpace(const std::string& path, std::uint64_t bytes, std::string* error)
{
    std::string target;
    if (!ResolveLinks(path, target, error)) return false;
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

bool TGrowingFile::Create(const std::string& path, std::string_view bytes, std::string* error)
{
    Close();
    if (!SaveAtomic(path, bytes, error, &FFd)) {
        FFd = -1;
        return false;
    }
    FPath = path;
    FSize = off_t(bytes.size());
    return true;
}

bool TGrowingFile::WriteFrom(std::uint64_t offset, std::string_view bytes, std::string* error)
{
    if (FFd < 0) return Fail(error, "(no file)", EBADF);
    FileAccessPoint(FPath, true);
    // Cut first: a write that stops half-way then leaves the file's first part and a
    // half-written end, never new bytes followed by old ones.
    if (off_t(offset) < FSize && ::ftruncate(FFd, off_t(offset)) != 0) return Fail(error, "ftruncate", errno);
    FSize = std::min(FSize, off_t(offset));
    int err = 0;
    if (!WriteAll(FFd, bytes, off_t(offset), err)) {
        struct stat st {};
        if (::fstat(FFd, &st) == 0) FSize = st.st_size;
        return Fail(error, "write", err);
    }
    FSize = off_t(offset + bytes.size());
    return true;
}

bool TGrowingFile::SyncData(std::string* error)
{
    if (FFd < 0) return Fail(error, "(no file)", EBADF);
    if (::fdatasync(FFd) != 0) return Fail(error, "fdatasync", errno);
    return true;
}

bool TGrowingFile::IsNamed(const std::string& path) const
{
    if (FFd < 0) return false;
    struct stat mine {
    }, named{};
    if (::fstat(FFd, &mine) != 0 || mine.st_nlink == 0) return false;
    return ::stat(path.c_str(), &named) == 0 && named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
}

void TGrowingFile::Close()
{
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    FSize = 0;
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
    void Queue(std::vector<TDeferredSave> saves, std::function<void(const std::string&)> done)
    {
        std::lock_guard<std::mutex> lock(FMutex);
        ++gBackgroundSaves;
        std::string key = saves.empty() ? std::string() : saves.front().Path;
        TFileJobs& file = FFiles[key];
        // A file that is served or already waits comes up again once its job is done.
        if (!file.Served && file.Jobs.empty()) FReady.push_back(key);
        file.Jobs.push_back({std::move(saves), std::move(done)});
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
            for (const TDeferredSave& s : job.Saves)
                if (!SaveFileAtomic(s.Path, s.Bytes, &error)) break;
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

void SaveInBackground(std::vector<TDeferredSave> saves, std::function<void(const std::string& error)> done)
{
    TBackgroundSaver::Instance().Queue(std::move(saves), std::move(done));
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
