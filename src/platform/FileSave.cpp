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
#include <condition_variable>
#include <csignal>
#include <cstdio>
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

void SyncFolder(const std::string& folder)
{
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

std::uint32_t Crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// The side file of a growing file's write that replaces bytes: a line naming the file
// (device and inode), its size before the write, where the new end goes, the checksum of
// the file's first bytes (up to kCheckedHead, and not beyond the offset) and that of the
// new end; then the new end itself.
constexpr const char* kPendingFormat =
    "pending file end 1 dev=%llu ino=%llu size=%llu offset=%llu length=%llu "
    "head=%x crc=%x\n";
constexpr std::uint64_t kCheckedHead = 4096;

struct TPendingWrite {
    unsigned long long Dev = 0, Ino = 0, Size = 0, Offset = 0;
    unsigned Head = 0;
    std::string_view Bytes;
};

std::string PendingWriteRecord(const TPendingWrite& w)
{
    char line[256];
    const int n = std::snprintf(line, sizeof line, kPendingFormat, w.Dev, w.Ino, w.Size, w.Offset,
                                static_cast<unsigned long long>(w.Bytes.size()), w.Head, unsigned(Crc32(w.Bytes)));
    std::string record(line, size_t(n));
    record.append(w.Bytes);
    return record;
}

// False for a record that is not whole (or not one of ours).
bool ParsePendingWrite(std::string_view record, TPendingWrite& w)
{
    const size_t eol = record.find('\n');
    if (eol == std::string_view::npos || eol > 250) return false;
    const std::string line(record.substr(0, eol + 1));
    unsigned long long length = 0;
    unsigned crc = 0;
    if (std::sscanf(line.c_str(), kPendingFormat, &w.Dev, &w.Ino, &w.Size, &w.Offset, &length, &w.Head, &crc) != 7)
        return false;
    w.Bytes = record.substr(eol + 1);
    return w.Bytes.size() == length && Crc32(w.Bytes) == crc;
}

// Whether the write belongs to the file `st` describes, whose first bytes are `head`: the
// same file, of a size the write leaves on its way, with the same beginning.
bool PendingWriteFits(const TPendingWrite& w, const struct stat& st, std::string_view head)
{
    const std::uint64_t size = std::uint64_t(st.st_size);
    const std::uint64_t checked = std::min<std::uint64_t>(w.Offset, kCheckedHead);
    return S_ISREG(st.st_mode) && w.Dev == std::uint64_t(st.st_dev) && w.Ino == std::uint64_t(st.st_ino) &&
           size >= w.Offset && size <= std::max<std::uint64_t>(w.Size, w.Offset + w.Bytes.size()) &&
           head.size() >= checked && Crc32(head.substr(0, size_t(checked))) == w.Head;
}

bool ReadHead(int fd, std::uint64_t offset, std::string& head)
{
    head.resize(size_t(std::min<std::uint64_t>(offset, kCheckedHead)));
    size_t done = 0;
    while (done < head.size()) {
        const ssize_t n = ::pread(fd, head.data() + done, head.size() - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string PendingPathOf(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    std::string resolved = real ? std::string(real) : path;
    std::free(real);
    return resolved + std::string(PendingWriteSuffix);
}

// Reads the side file `pending` when it is there: false when it is not, or is no record
// of ours.
bool ReadPendingWrite(const std::string& pending, std::string& record, TPendingWrite& w)
{
    struct stat st {};
    if (::stat(pending.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ReadRegularFile(pending, MaxReadFileBytes, record) && ParsePendingWrite(record, w);
}

// Finishes the cut-off write that the side file `pending` holds on its file, and removes
// the side file; one that does not belong to the file as it is goes too. A side file that
// is no record of ours, or a write that fails, leaves everything as it is.
void FinishPendingWrite(const std::string& pending)
{
    std::string record;
    TPendingWrite w;
    if (!ReadPendingWrite(pending, record, w)) return;
    const std::string path = pending.substr(0, pending.size() - PendingWriteSuffix.size());
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd >= 0) {
        struct stat st {};
        std::string head;
        bool done = true;
        if (::fstat(fd, &st) == 0 && ReadHead(fd, w.Offset, head) && PendingWriteFits(w, st, head)) {
            int err = 0;
            done = WriteAll(fd, w.Bytes, off_t(w.Offset), err) &&
                   ::ftruncate(fd, off_t(w.Offset + w.Bytes.size())) == 0 && ::fdatasync(fd) == 0;
        }
        ::close(fd);
        if (!done) return;
    }
    ::unlink(pending.c_str());
    SyncFolder(DirOf(pending));
}

bool IsPendingName(std::string_view name)
{
    return name.size() > PendingWriteSuffix.size() &&
           name.substr(name.size() - PendingWriteSuffix.size()) == PendingWriteSuffix;
}

// What killed runs left in `folder`, in plain files of this user last written before this
// process started (those of this process may belong to a save or a write under way): the
// temporary files of our name pattern go, the side files of cut-off writes are finished.
void TidyLeftovers(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int fd = ::dirfd(dir);
    std::vector<std::string> pending;
    while (const dirent* e = ::readdir(dir)) {
        const bool temp = IsTempName(e->d_name);
        if (!temp && !IsPendingName(e->d_name)) continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || st.st_mtime >= gProcessStart)
            continue;
        if (temp)
            ::unlinkat(fd, e->d_name, 0);
        else
            pending.push_back(folder + "/" + e->d_name);
    }
    ::closedir(dir);
    for (const std::string& p : pending) FinishPendingWrite(p);
}

// After `target` was saved whole: a side file of a write to the file it replaced is no
// longer true of it.
void DropPendingWrite(const std::string& target)
{
    if (IsPendingName(target)) return;
    const std::string pending = target + std::string(PendingWriteSuffix);
    std::string record;
    TPendingWrite w;
    if (ReadPendingWrite(pending, record, w)) ::unlink(pending.c_str());
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
    TidyLeftovers(DirOf(target));
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
    DropPendingWrite(target);
    // Make the rename itself durable.
    SyncFolder(DirOf(target));
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
    FPendingPath = PendingPathOf(path);
    FSize = off_t(bytes.size());
    FUnsynced = false;
    return true;
}

bool TGrowingFile::SavePendingWrite(std::uint64_t offset, std::string_view bytes, std::string* error)
{
    struct stat st {};
    std::string head;
    if (::fstat(FFd, &st) != 0) return Fail(error, "fstat", errno);
    if (!ReadHead(FFd, offset, head)) return Fail(error, "read", errno ? errno : EIO);
    const TPendingWrite w{static_cast<unsigned long long>(st.st_dev),
                          static_cast<unsigned long long>(st.st_ino),
                          static_cast<unsigned long long>(FSize),
                          offset,
                          unsigned(Crc32(head)),
                          bytes};
    return SaveAtomic(FPendingPath, PendingWriteRecord(w), error, nullptr);
}

bool TGrowingFile::WriteFrom(std::uint64_t offset, std::string_view bytes, std::string* error)
{
    if (FFd < 0) return Fail(error, "(no file)", EBADF);
    FileAccessPoint(FPath, true);
    const bool replaces = off_t(offset) < FSize;
    if (replaces && !SavePendingWrite(offset, bytes, error)) return false;
    // Cut first: a write that stops half-way then leaves the file's first part and a
    // half-written end, never new bytes followed by old ones.
    if (replaces && ::ftruncate(FFd, off_t(offset)) != 0) return Fail(error, "ftruncate", errno);
    FSize = std::min(FSize, off_t(offset));
    FUnsynced = true;
    int err = 0;
    if (!WriteAll(FFd, bytes, off_t(offset), err)) {
        struct stat st {};
        if (::fstat(FFd, &st) == 0) FSize = st.st_size;
        return Fail(error, "write", err);
    }
    FSize = off_t(offset + bytes.size());
    if (!replaces) return true;
    // The side file may go only once what it holds is on the disk in the file itself.
    if (!SyncData(error)) return false;
    ::unlink(FPendingPath.c_str());
    SyncFolder(DirOf(FPendingPath));
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

bool TGrowingFile::IsNamed(const std::string& path) const
{
    if (FFd < 0) return false;
    struct stat mine {
    }, named{};
    if (::fstat(FFd, &mine) != 0 || mine.st_nlink == 0) return false;
    return ::stat(path.c_str(), &named) == 0 && named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
}

bool ReadGrowingFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes, std::string* error,
                     TFileReadError* why)
{
    const std::string pendingPath = PendingPathOf(path);
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
        std::string record;
        TPendingWrite w;
        const bool pending = ReadPendingWrite(pendingPath, record, w);
        if (!ReadRegularFile(path, maxBytes, bytes, error, why)) return false;
        const bool steady = known && ::stat(path.c_str(), &after) == 0 && same(before, after) &&
                            bytes.size() == std::uint64_t(after.st_size);
        if (!steady && attempt < 3) continue;
        if (steady && pending && PendingWriteFits(w, after, bytes) && w.Offset + w.Bytes.size() <= maxBytes) {
            bytes.resize(size_t(w.Offset));
            bytes.append(w.Bytes);
        }
        return true;
    }
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
