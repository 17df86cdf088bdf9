#include "app/SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// The lock held by the process, closed however the process ends. The files of a process stay
// open as long as one of its threads is left, and a thread stuck in a file-system call that
// cannot be broken off (a share that stopped answering) outlives the process's end: the lock
// would stay with it, and the program could not be started again until the share answers.
// The program's own end releases the lock; these cover an end through exit() (a library that
// lost its display) and a termination signal, which ends the process as before.
std::atomic<int> gHeldFd{-1};

void CloseHeldLock()
{
    const int fd = gHeldFd.exchange(-1);
    if (fd >= 0) ::close(fd);
}

extern "C" void CloseHeldLockAndEnd(int signal)
{
    CloseHeldLock();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
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

}  // namespace

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

bool SingleInstanceLock::Acquire(const AnsiString& directory)
{
    Release();
    error_.clear();
    const AnsiString path = directory + "/noxcontrol.lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    return true;
}

void SingleInstanceLock::Release()
{
    if (fd_ >= 0) {
        int held = fd_;
        gHeldFd.compare_exchange_strong(held, -1);
        ::close(fd_);  // closing drops the lock; the file stays for the next start
        fd_ = -1;
    }
}

AnsiString SingleInstanceLock::RuntimeDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    AnsiString dir = AnsiString(tmp && *tmp ? tmp : "/tmp") + "/noxcontrol-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}
