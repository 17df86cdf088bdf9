#include "platform/FileSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {
std::string DirOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool Fail(std::string* error, const std::string& what, int err)
{
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// The file a save to `path` really writes: symbolic links are followed (the last one may
// point to a file that does not exist yet).
bool ResolveLinks(const std::string& path, std::string& target, int& err)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) return true;
            err = errno;
            return false;
        }
        if (!S_ISLNK(st.st_mode)) return true;
        std::string link(size_t(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            err = errno;
            return false;
        }
        link.resize(size_t(n));
        target = !link.empty() && link[0] == '/' ? link : DirOf(target) + "/" + link;
    }
    err = ELOOP;
    return false;
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
    int err = 0;
    if (!ResolveLinks(path, target, err)) return Fail(error, path, err);
    return CheckResolved(path, target, error);
}

bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error)
{
    if (path.empty()) return Fail(error, "(no file name)", ENOENT);
    std::string target;
    int resolveError = 0;
    if (!ResolveLinks(path, target, resolveError)) return Fail(error, path, resolveError);
    if (!CheckResolved(path, target, error)) return false;
    std::string tmpl = target + ".tmpXXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) return Fail(error, path, errno);
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    if (stat(target.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return Fail(error, path, err);
        }
        done += size_t(n);
    }
    if (::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Fail(error, path, err);
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, err);
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, err);
    }
    // Make the rename itself durable.
    int dfd = ::open(DirOf(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
