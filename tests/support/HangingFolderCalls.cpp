// The file-system calls of the C library that the toolkit and the program use, defined in the
// test executable so that they come first: each asks HangingFolders whether its path hangs,
// then goes to the C library's own. This file includes no header that declares these calls,
// so their pointer arguments can be passed on untyped. (unlink, unlinkat, linkat and renameat2
// are left out: a test of the growing files defines its own.) A call that takes a name in an
// opened folder asks for the path that folder was opened by, with the name behind.
#include <dlfcn.h>

#include <cerrno>
#include <cstdarg>
#include <cstddef>

namespace support {
void HangingFolderCall(const char* path, bool write, bool attributes);
bool RenameRefused(const char* from);
void HangingFolderCallsLinked() {}
}  // namespace support

namespace {

template <typename F>
F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

#if defined(__SANITIZE_THREAD__)
// The thread sanitizer ignores the calls the Qt libraries make (tests/tsan.supp), but a call
// of Qt's that comes through here reaches the sanitizer from this executable and is followed:
// a descriptor Qt opened would be known to it, and Qt's close of it not, so the next
// descriptor of that number looked like a race with Qt's open. Qt's calls go to the C library
// past the sanitizer, as all its other calls are ignored.
bool CalledFromQt(const void* caller)
{
    Dl_info info{};
    if (!dladdr(caller, &info) || !info.dli_fname) return false;
    const char* name = info.dli_fname;
    for (const char* at = name; *at; ++at)
        if (at[0] == 'l' && at[1] == 'i' && at[2] == 'b' && at[3] == 'Q' && at[4] == 't') return true;
    return false;
}

template <typename F>
F Libc(const char* name)
{
    static void* const libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    return reinterpret_cast<F>(libc ? dlsym(libc, name) : dlsym(RTLD_NEXT, name));
}

// Declares `onward`, the function a call goes on to: the next definition (the sanitizer's),
// or for a call from Qt the C library's own.
#define NOX_ONWARD(F, Name)                    \
    static const F onwardNext = Next<F>(Name); \
    static const F onwardLibc = Libc<F>(Name); \
    const F onward = CalledFromQt(__builtin_return_address(0)) ? onwardLibc : onwardNext
#else
#define NOX_ONWARD(F, Name) static const F onward = Next<F>(Name)
#endif

// The calls that ask only for what the system may keep of an entry (its attributes).
constexpr bool AttributesOnly(const char* name)
{
    const char* const calls[] = {"stat", "stat64", "lstat", "lstat64", "statx", "fstatat", "fstatat64"};
    for (const char* call : calls) {
        std::size_t i = 0;
        while (call[i] && call[i] == name[i]) ++i;
        if (!call[i] && !name[i]) return true;
    }
    return false;
}

constexpr int kCurrentFolder = -100;  // AT_FDCWD

// The path a call reaches that takes `name` in the folder opened as `dir`: the path the folder
// was opened by (as the system tells it), a slash and the name.
class TNameInFolder {
public:
    TNameInFolder(int dir, const char* name) : FPath(name)
    {
        if (!name || name[0] == '/' || dir == kCurrentFolder || dir < 0) return;
        char link[32] = "/proc/self/fd/";
        unsigned long at = 14;
        char digits[12];
        int n = 0;
        for (unsigned value = unsigned(dir); n == 0 || value != 0; value /= 10) digits[n++] = char('0' + value % 10);
        while (n > 0) link[at++] = digits[--n];
        link[at] = 0;
        using F = long (*)(const char*, char*, unsigned long);
        static const F readFolderLink = Next<F>("readlink");
        const long length = readFolderLink(link, FBuffer, sizeof FBuffer - 2);
        if (length <= 0) return;
        unsigned long end = static_cast<unsigned long>(length);
        if (name[0] != 0) FBuffer[end++] = '/';
        for (const char* c = name; *c && end < sizeof FBuffer - 1; ++c) FBuffer[end++] = *c;
        FBuffer[end] = 0;
        FPath = FBuffer;
    }
    const char* Get() const { return FPath; }

private:
    char FBuffer[8192];
    const char* FPath;
};

}  // namespace

#define NOX_HANGING_CALL(Ret, Name, Write, Params, Args)                \
    extern "C" Ret Name Params                                          \
    {                                                                   \
        support::HangingFolderCall(path, Write, AttributesOnly(#Name)); \
        using F = Ret(*) Params;                                        \
        NOX_ONWARD(F, #Name);                                           \
        return onward Args;                                             \
    }

NOX_HANGING_CALL(int, access, false, (const char* path, int mode), (path, mode))
NOX_HANGING_CALL(int, stat, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, stat64, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, lstat, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, lstat64, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, statx, false, (int dir, const char* path, int flags, unsigned mask, void* buf),
                 (dir, path, flags, mask, buf))
NOX_HANGING_CALL(void*, opendir, false, (const char* path), (path))
NOX_HANGING_CALL(long, readlink, false, (const char* path, char* buf, unsigned long size), (path, buf, size))
NOX_HANGING_CALL(char*, realpath, false, (const char* path, char* resolved), (path, resolved))
NOX_HANGING_CALL(int, statvfs, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, statvfs64, false, (const char* path, void* buf), (path, buf))
NOX_HANGING_CALL(int, inotify_add_watch, false, (int fd, const char* path, unsigned mask), (fd, path, mask))
NOX_HANGING_CALL(int, mkdir, true, (const char* path, unsigned mode), (path, mode))
NOX_HANGING_CALL(void*, fopen, mode[0] != 'r' || mode[1] == '+', (const char* path, const char* mode), (path, mode))
NOX_HANGING_CALL(void*, fopen64, mode[0] != 'r' || mode[1] == '+', (const char* path, const char* mode), (path, mode))

// open takes its mode only when it makes a file (O_CREAT, O_TMPFILE): `mode`, from the
// arguments after `flags`.
#define NOX_OPEN_MODE(flags)                                       \
    unsigned mode = 0;                                             \
    if ((flags & 0100) != 0 || (flags & 020200000) == 020200000) { \
        va_list args;                                              \
        va_start(args, flags);                                     \
        mode = va_arg(args, unsigned);                             \
        va_end(args);                                              \
    }

#define NOX_HANGING_OPEN(Name)                                                             \
    extern "C" int Name(const char* path, int flags, ...)                                  \
    {                                                                                      \
        NOX_OPEN_MODE(flags);                                                              \
        support::HangingFolderCall(path, (flags & 03) != 0 || (flags & 0100) != 0, false); \
        using F = int (*)(const char*, int, ...);                                          \
        NOX_ONWARD(F, #Name);                                                              \
        return onward(path, flags, mode);                                                  \
    }

NOX_HANGING_OPEN(open)
NOX_HANGING_OPEN(open64)

#define NOX_HANGING_AT_CALL(Ret, Name, Write, Params, Args)                                       \
    extern "C" Ret Name Params                                                                    \
    {                                                                                             \
        support::HangingFolderCall(TNameInFolder(dir, path).Get(), Write, AttributesOnly(#Name)); \
        using F = Ret(*) Params;                                                                  \
        NOX_ONWARD(F, #Name);                                                                     \
        return onward Args;                                                                       \
    }

NOX_HANGING_AT_CALL(int, fstatat, false, (int dir, const char* path, void* buf, int flags), (dir, path, buf, flags))
NOX_HANGING_AT_CALL(int, fstatat64, false, (int dir, const char* path, void* buf, int flags), (dir, path, buf, flags))
NOX_HANGING_AT_CALL(int, faccessat, false, (int dir, const char* path, int mode, int flags), (dir, path, mode, flags))

#define NOX_HANGING_OPENAT(Name)                                                                                 \
    extern "C" int Name(int dir, const char* path, int flags, ...)                                               \
    {                                                                                                            \
        NOX_OPEN_MODE(flags);                                                                                    \
        if ((flags & 0200) == 0)                                                                                 \
            support::HangingFolderCall(TNameInFolder(dir, path).Get(), (flags & 03) != 0 || (flags & 0100) != 0, \
                                       false);                                                                   \
        using F = int (*)(int, const char*, int, ...);                                                           \
        NOX_ONWARD(F, #Name);                                                                                    \
        return onward(dir, path, flags, mode);                                                                   \
    }

// A file made new under a name nothing has (O_EXCL: a save's temporary file) is let through,
// as mkostemp's is: a save that hangs, hangs as it puts its file in place.
NOX_HANGING_OPENAT(openat)
NOX_HANGING_OPENAT(openat64)

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    if (support::RenameRefused(from)) {
        errno = EPERM;
        return -1;
    }
    support::HangingFolderCall(TNameInFolder(fromDir, from).Get(), true, false);
    support::HangingFolderCall(TNameInFolder(toDir, to).Get(), true, false);
    using F = int (*)(int, const char*, int, const char*);
    NOX_ONWARD(F, "renameat");
    return onward(fromDir, from, toDir, to);
}

extern "C" int rename(const char* from, const char* to)
{
    support::HangingFolderCall(from, true, false);
    support::HangingFolderCall(to, true, false);
    using F = int (*)(const char*, const char*);
    NOX_ONWARD(F, "rename");
    return onward(from, to);
}
