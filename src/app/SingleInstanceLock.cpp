#include "app/SingleInstanceLock.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

// The lock held by the process, closed however the process ends. The files of a process stay
// open as long as one of its threads is left, and a thread stuck in a file-system call that
// cannot be broken off (a share that stopped answering) outlives the process's end: the lock
// would stay with it, and the program could not be started again until the share answers.
// The program's own end releases the lock; these cover an end through exit() (a library that
// lost its display) and a termination signal, which ends the process as before.
std::atomic<int> gHeldFd{-1};
// The lock's descriptor once CloseHeldLock closed it, so that its owner does not close the
// number again (it may stand for another file by then).
std::atomic<int> gClosedFd{-1};

// The orderly end on a termination signal: the handler only notes the signal and writes a
// byte into the pipe, which wakes the user-interface thread. The end it runs there is given
// its time by an alarm, which ends the process at once when the time is over.
std::atomic<int> gEndPipe{-1};   // the pipe's writing end while an orderly end is armed
std::atomic<int> gEndSignal{0};  // the first termination signal that came
std::atomic<unsigned> gEndPatience{0};

void CloseHeldLock()
{
    const int fd = gHeldFd.exchange(-1);
    if (fd < 0) return;
    gClosedFd = fd;
    ::close(fd);
}

void CloseHeldLockAndEndNow(int signal)
{
    CloseHeldLock();
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
}

extern "C" void CloseHeldLockAndEnd(int signal)
{
    const int pipeFd = gEndPipe.load();
    if (pipeFd >= 0) {
        // A later signal leaves the end under way alone: a shutdown or a logout often sends
        // more than one (SIGHUP as the terminal goes, SIGTERM from the session), and the
        // alarm ends the process in time all the same.
        const int saved = errno;
        int none = 0;
        if (gEndSignal.compare_exchange_strong(none, signal)) {
            // The instance is ending: a start beside it runs (and is told so), rather than
            // being refused while the end writes its files, which may take their time.
            CloseHeldLock();
            ::alarm(gEndPatience.load());
            const char wake = 1;
            [[maybe_unused]] const ssize_t written = ::write(pipeFd, &wake, 1);
        }
        errno = saved;
        return;
    }
    // No orderly end armed: the process ends as the signal would end it.
    CloseHeldLockAndEndNow(signal);
}

// The orderly end took longer than its time.
extern "C" void EndWithoutWaiting(int)
{
    const int first = gEndSignal.load();
    CloseHeldLockAndEndNow(first != 0 ? first : SIGTERM);
}

void CloseHeldLockAtTheEnd()
{
    static std::once_flag armed;
    std::call_once(armed, [] {
        std::atexit(CloseHeldLock);
        // Only where the signal would end the process: one ignored or handled by someone
        // else stays so.
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction now {};
            if (::sigaction(signal, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
            struct sigaction end {};
            end.sa_handler = CloseHeldLockAndEnd;
            sigemptyset(&end.sa_mask);
            ::sigaction(signal, &end, nullptr);
        }
    });
}

// Whether `folder` is a real folder (not a link) of this user's that nobody else may enter.
// With `create` it is made when missing (`made` then says so). A folder of the user's own
// whose mode lets others in but not write in it (the file-creation mask, a hand-made folder)
// is made private: nobody else can have put anything there. `error` gets why it is not one
// (an errno value; 0 when it is there but another user's, a link, or others may write in it).
bool PrivateFolder(const AnsiString& folder, bool create, bool& made, int& error)
{
    made = create && ::mkdir(folder.c_str(), 0700) == 0;
    error = made || !create || errno == EEXIST ? 0 : errno;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (error == 0 && errno != ELOOP && errno != ENOTDIR) error = errno;
        return false;
    }
    struct stat st {};
    bool own = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    const bool othersMayWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (own && (st.st_mode & 07777) != 0700 && (made || !othersMayWrite)) {
        own = ::fchmod(fd, 0700) == 0 && ::fstat(fd, &st) == 0;
        if (!own) error = errno;
    }
    ::close(fd);
    return own && (st.st_mode & 07777) == 0700;
}

// The note that the lock moved to the private folder instead, left there by the start that
// made it for the start that then runs: two starts at once may make it and both find it,
// and only the one that gets the lock tells the user.
constexpr const char* MovedNoteName = "/noxcontrol.moved";

AnsiString ReadLink(const std::string& link)
{
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? AnsiString(target, size_t(n)) : AnsiString();
}

// The value of a "Name:\tvalue" line of a status file under /proc.
std::string StatusField(const std::string& file, const std::string& name)
{
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0) {
            const size_t value = line.find_first_not_of(" \t", name.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    return {};
}

// The processes holding a flock on the file (device, inode), from the kernel's list of
// locks: each as the process that took it, which may have ended while a task sharing its
// files keeps it.
std::vector<int> FlockHolders(dev_t device, ino_t inode)
{
    std::vector<int> holders;
    std::ifstream in("/proc/locks");
    for (std::string line; std::getline(in, line);) {
        // "1: FLOCK  ADVISORY  WRITE 4711 fe:00:10961183 0 EOF"; a waiting one has "->".
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        if (!(fields >> number >> kind) || kind != "FLOCK") continue;
        if (!(fields >> mode >> access >> pid >> file)) continue;
        unsigned deviceMajor = 0, deviceMinor = 0;
        unsigned long long node = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &deviceMajor, &deviceMinor, &node) != 3) continue;
        if (deviceMajor == major(device) && deviceMinor == minor(device) && node == inode)
            holders.push_back(std::atoi(pid.c_str()));
    }
    return holders;
}

int FlockHolder(dev_t device, ino_t inode)
{
    const std::vector<int> holders = FlockHolders(device, inode);
    return holders.empty() ? 0 : holders.front();
}

AnsiString PresencePath(const AnsiString& lockPath)
{
    return lockPath.substr(0, lockPath.rfind('/') + 1) + "noxcontrol.running";
}

// True for the calls whose first argument is the file or folder they work on.
bool WorksOnItsFirstArgument(long call)
{
    switch (call) {
        case SYS_read:
        case SYS_write:
        case SYS_pread64:
        case SYS_pwrite64:
        case SYS_readv:
        case SYS_writev:
        case SYS_preadv:
        case SYS_pwritev:
        case SYS_fsync:
        case SYS_fdatasync:
        case SYS_ftruncate:
        case SYS_fallocate:
        case SYS_sync_file_range:
        case SYS_fstat:
        case SYS_flock:
        case SYS_close:
        case SYS_getdents64:
        case SYS_openat:
        case SYS_newfstatat:
        case SYS_statx:
        case SYS_unlinkat:
        case SYS_renameat:
        case SYS_renameat2:
        case SYS_mkdirat:
        case SYS_faccessat:
        case SYS_readlinkat:
        case SYS_utimensat: return true;
    }
    return false;
}

// Where a thread of a process waits: the folder of the file its call works on, read from
// the kernel's view of the call and of the process's files, never from the folder itself
// (which may not answer).
AnsiString FolderOfWaitingCall(const std::string& task)
{
    std::ifstream in(task + "/syscall");
    long call = -1;
    std::string first;
    if (!(in >> call) || call < 0 || !WorksOnItsFirstArgument(call) || !(in >> first)) return {};
    const long long fd = std::stoll(first, nullptr, 16);
    unsigned long long more[3] = {};
    for (unsigned long long& argument : more) {
        std::string text;
        if (in >> text) argument = std::stoull(text, nullptr, 16);
    }
    // The C library's fstat and futimens are these calls on the file the descriptor stands
    // for (an empty name with AT_EMPTY_PATH, no name at all), not on a name in its folder.
    const bool onTheFileItself = (call == SYS_newfstatat && (more[2] & AT_EMPTY_PATH)) ||
                                 (call == SYS_statx && (more[1] & AT_EMPTY_PATH)) ||
                                 (call == SYS_utimensat && more[0] == 0);
    const bool inFolder = !onTheFileItself && (call == SYS_getdents64 || call == SYS_openat || call == SYS_newfstatat ||
                                               call == SYS_statx || call == SYS_unlinkat || call == SYS_renameat ||
                                               call == SYS_renameat2 || call == SYS_mkdirat || call == SYS_faccessat ||
                                               call == SYS_readlinkat || call == SYS_utimensat);
    AnsiString path;
    if (inFolder && int(fd) == AT_FDCWD) return ReadLink(task + "/cwd");
    if (fd < 0 || fd > 1 << 24) return {};
    path = ReadLink(task + "/fd/" + std::to_string(fd));
    if (path.empty() || path[0] != '/') return {};
    if (inFolder) return path;
    const size_t slash = path.rfind('/');
    return slash == 0 ? AnsiString("/") : path.substr(0, slash);
}

// The tasks (threads) of a process, as their folders under /proc.
std::vector<std::string> TasksOf(int pid)
{
    const std::string process = "/proc/" + std::to_string(pid);
    std::vector<std::string> tasks;
    if (DIR* dir = ::opendir((process + "/task").c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') tasks.push_back(process + "/task/" + entry->d_name);
        ::closedir(dir);
    }
    return tasks;
}

// The folders the live tasks wait in, added to `folders` once each.
void AddWaitingFolders(const std::vector<std::string>& tasks, std::vector<AnsiString>& folders)
{
    for (const std::string& task : tasks) {
        const std::string taskState = StatusField(task + "/status", "State");
        if (taskState.empty() || taskState[0] == 'Z' || taskState[0] == 'X') continue;
        const AnsiString folder = FolderOfWaitingCall(task);
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
}

}  // namespace

SingleInstanceLock::~SingleInstanceLock()
{
    // The instance ends as a whole: the shared lock goes before the lock, so that no start
    // takes it for one that is ending.
    if (presence_ >= 0) ::close(presence_);
    presence_ = -1;
    Release();
}

void SingleInstanceLock::TakePresence(const AnsiString& directory)
{
    if (presence_ >= 0) return;
    const AnsiString path = PresencePath(directory + "/noxcontrol.lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    // Shared: every instance holds it, and none waits for it.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    presence_ = fd;
}

bool SingleInstanceLock::Acquire(const AnsiString& directory)
{
    Release();
    error_.clear();
    if (directory.empty()) {
        error_ = "no private folder for the lock";
        return false;
    }
    const AnsiString path = directory + "/noxcontrol.lock";
    path_ = path;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    // flock locks belong to the open file description: a second open of the same file,
    // even in this process, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) error_ = path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    gHeldFd = fd;
    CloseHeldLockAtTheEnd();
    TakePresence(directory);
    return true;
}

void SingleInstanceLock::Release()
{
    if (fd_ >= 0) {
        int held = fd_;
        // Closed already when a termination signal came (its number may be another file's).
        int closed = fd_;
        if (gHeldFd.compare_exchange_strong(held, -1) || !gClosedFd.compare_exchange_strong(closed, -1))
            ::close(fd_);  // closing drops the lock; the file stays for the next start
        fd_ = -1;
    }
}

TLockHolder SingleInstanceLock::Holder() const
{
    TLockHolder holder;
    struct stat file {};
    if (path_.empty() || ::lstat(path_.c_str(), &file) != 0) return holder;
    holder.Pid = FlockHolder(file.st_dev, file.st_ino);
    if (holder.Pid <= 0 || holder.Pid == ::getpid()) return holder;
    const std::string process = "/proc/" + std::to_string(holder.Pid);
    // Its main thread has ended while the process lives on (only the stuck threads are
    // left), or a kill is pending that it cannot act on.
    const std::string state = StatusField(process + "/status", "State");
    if (state.empty()) return holder;
    holder.BeingEnded = state[0] == 'Z' || state[0] == 'X';
    constexpr unsigned long long Kill = 1ull << (SIGKILL - 1);
    const std::vector<std::string> tasks = TasksOf(holder.Pid);
    for (const std::string& task : tasks) {
        const std::string status = task + "/status";
        for (const char* pending : {"SigPnd", "ShdPnd"})
            if (std::strtoull(StatusField(status, pending).c_str(), nullptr, 16) & Kill) holder.BeingEnded = true;
    }
    if (!holder.BeingEnded) return holder;
    AddWaitingFolders(tasks, holder.Folders);
    return holder;
}

TLockHolder SingleInstanceLock::EndingInstances(AnsiString* pidsText) const
{
    TLockHolder ending;
    if (pidsText) pidsText->clear();
    struct stat file {};
    if (path_.empty() || ::lstat(PresencePath(path_).c_str(), &file) != 0) return ending;
    for (const int pid : FlockHolders(file.st_dev, file.st_ino)) {
        if (pid <= 0 || pid == ::getpid()) continue;
        if (ending.Pid == 0) ending.Pid = pid;
        if (pidsText) *pidsText += (pidsText->empty() ? "" : ", ") + std::to_string(pid);
        AddWaitingFolders(TasksOf(pid), ending.Folders);
    }
    ending.BeingEnded = ending.Pid != 0;
    return ending;
}

bool SingleInstanceLock::TakeOverFromEndingHolder()
{
    if (fd_ >= 0) return true;
    if (path_.empty()) return false;
    // Two starts at once must not both replace the file: the replacement is done by one
    // start at a time, under a lock of its own that nobody holds for longer.
    const AnsiString guardPath = path_ + ".replace";
    const int guard = ::open(guardPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (guard < 0 || ::flock(guard, LOCK_EX) != 0) {
        if (guard >= 0) ::close(guard);
        return false;
    }
    bool taken = false;
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        taken = true;  // the holder has gone meanwhile
    } else if (fd >= 0 && Holder().BeingEnded) {
        ::close(fd);
        ::unlink(path_.c_str());
        const int fresh = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fresh >= 0 && ::flock(fresh, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fresh;
            taken = true;
        } else if (fresh >= 0) {
            ::close(fresh);
        }
    } else if (fd >= 0) {
        ::close(fd);
    }
    if (taken && fd_ < 0) fd_ = fd;
    ::close(guard);
    if (!taken) return false;
    gHeldFd = fd_;
    CloseHeldLockAtTheEnd();
    TakePresence(path_.substr(0, path_.rfind('/')));
    return true;
}

SingleInstanceLock::TLockFolder SingleInstanceLock::RuntimeDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* tmp = std::getenv("TMPDIR");
    // The home as the user database has it: started through su, $HOME may still be the
    // calling user's.
    AnsiString instead;
    if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir && *user->pw_dir) {
        char host[256] = {};
        if (::gethostname(host, sizeof host - 1) != 0 || !*host) std::strcpy(host, "localhost");
        // A home shared by several computers keeps one lock for each.
        instead = AnsiString(user->pw_dir) + "/.cache/NoxControl/instance-" + host;
    }
    return ChooseLockFolder(runtime ? runtime : "", tmp && *tmp ? tmp : "/tmp", instead);
}

SingleInstanceLock::TLockFolder SingleInstanceLock::ChooseLockFolder(const AnsiString& runtime,
                                                                     const AnsiString& temporary,
                                                                     const AnsiString& instead)
{
    if (!runtime.empty()) return {runtime, {}, {}, 0};
    // Once the folder instead was needed, it stays the place of the lock: a start that used
    // it may still run when the temporary directory's folder can be used again.
    bool made = false;
    int error = 0;
    if (!instead.empty() && PrivateFolder(instead, false, made, error)) return {instead, {}, {}, 0};
    const AnsiString dir = temporary + "/noxcontrol-" + std::to_string(::getuid());
    if (PrivateFolder(dir, true, made, error)) return {dir, {}, {}, 0};
    TLockFolder none;
    none.Refused = dir;
    none.Unusable = instead;
    none.Error = ENOENT;
    if (instead.empty()) return none;
    // The folders above it are the user's own, made as the cache folder is made.
    for (size_t slash = instead.find('/', 1); slash != AnsiString::npos; slash = instead.find('/', slash + 1))
        ::mkdir(instead.substr(0, slash).c_str(), 0700);
    if (!PrivateFolder(instead, true, made, error)) {
        none.Error = error;
        return none;
    }
    if (made) {
        const AnsiString note = instead + MovedNoteName;
        const int fd = ::open(note.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, dir.data(), dir.size());
            ::close(fd);
        }
    }
    return {instead, made ? dir : AnsiString(), {}, 0};
}

AnsiString SingleInstanceLock::TakeMovedNote()
{
    if (fd_ < 0 || path_.empty()) return {};
    const AnsiString note = path_.substr(0, path_.rfind('/')) + MovedNoteName;
    const int fd = ::open(note.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    char refused[4096];
    const ssize_t n = ::read(fd, refused, sizeof refused);
    ::close(fd);
    ::unlink(note.c_str());
    return n > 0 ? AnsiString(refused, size_t(n)) : AnsiString();
}

void SingleInstanceLock::EndOrderlyOnSignals(std::function<void(int signal)> end, unsigned patienceSeconds)
{
    static int writeFd = -1;
    static std::function<void(int)>* ending = nullptr;
    static std::once_flag armed;
    std::call_once(armed, [] {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction now {};
        if (::sigaction(SIGALRM, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
            struct sigaction over {};
            over.sa_handler = EndWithoutWaiting;
            sigemptyset(&over.sa_mask);
            ::sigaction(SIGALRM, &over, nullptr);
        }
        ending = new std::function<void(int)>;
        auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [readFd = fds[0]] {
            char wake[16];
            while (::read(readFd, wake, sizeof wake) > 0) {}
            const int signal = gEndSignal.load();
            if (signal == 0) return;
            // Whatever the end meets, the process ends as the signal asked.
            try {
                if (*ending) (*ending)(signal);
            } catch (...) {}
            EndBySignal(signal);
        });
        writeFd = fds[1];
    });
    if (!ending) return;
    if (!end) {
        // Signals end the process at once again.
        gEndPipe = -1;
        *ending = nullptr;
        return;
    }
    CloseHeldLockAtTheEnd();
    *ending = std::move(end);
    gEndPatience = patienceSeconds;
    gEndPipe = writeFd;
}

void SingleInstanceLock::EndBySignal(int signal)
{
    CloseHeldLockAndEndNow(signal);
    std::_Exit(128 + signal);  // the signal is handled elsewhere: the end comes all the same
}
