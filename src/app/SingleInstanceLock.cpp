#include "app/SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
    return true;
}

void SingleInstanceLock::Release()
{
    if (fd_ >= 0) {
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
