#include "platform/SerialPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/ReasonTexts.h"

namespace platform {

namespace {

// Rates outside the classic Bxxx codes (14400) go through the kernel's termios2 interface
// with BOTHER. Its header cannot be included together with <termios.h>, so the structure
// and request numbers are declared here as the kernel defines them for the architectures
// that share the generic terminal layout.
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__) || defined(__riscv) || \
    defined(__loongarch__) || defined(__s390__)
#define NOX_HAVE_TERMIOS2 1
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
constexpr unsigned long kTCGETS2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long kTCSETS2 = _IOW('T', 0x2B, KernelTermios2);
constexpr tcflag_t kBOTHER = 010000;
constexpr int kIBSHIFT = 16;
#else
#define NOX_HAVE_TERMIOS2 0
#endif

// Unix98 pseudo-terminal slaves (/dev/pts/N) use these majors.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

speed_t StandardSpeed(int baud)
{
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        default: return 0;
    }
}

int SpeedToBaud(speed_t s)
{
    switch (s) {
        case B1200: return 1200;
        case B2400: return 2400;
        case B4800: return 4800;
        case B9600: return 9600;
        case B19200: return 19200;
        case B38400: return 38400;
        default: return 0;
    }
}

std::string ErrnoText(int e)
{
    return std::strerror(e);
}

bool IsPseudoTerminal(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    unsigned mj = major(st.st_rdev);
    return mj >= kPtySlaveMajorFirst && mj <= kPtySlaveMajorLast;
}

tcflag_t LineBits(const SerialSettings& s)
{
    tcflag_t c = 0;
    switch (s.dataBits) {
        case 5: c |= CS5; break;
        case 6: c |= CS6; break;
        case 7: c |= CS7; break;
        default: c |= CS8; break;
    }
    switch (s.parity) {
        case SerialParity::None: break;
        case SerialParity::Odd: c |= PARENB | PARODD; break;
        case SerialParity::Even: c |= PARENB; break;
        case SerialParity::Mark: c |= PARENB | PARODD | CMSPAR; break;
        case SerialParity::Space: c |= PARENB | CMSPAR; break;
    }
    // With 5 data bits a UART sends 1.5 stop bits when two are asked for.
    if (s.stopBits != SerialStopBits::One) c |= CSTOPB;
    return c;
}

constexpr tcflag_t kLineMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

// The rate the driver reports, 0 when it cannot be read.
int CurrentBaud(int fd)
{
#if NOX_HAVE_TERMIOS2
    KernelTermios2 t2{};
    if (ioctl(fd, kTCGETS2, &t2) == 0 && t2.c_ospeed != 0) return static_cast<int>(t2.c_ospeed);
#endif
    termios t{};
    if (tcgetattr(fd, &t) != 0) return 0;
    return SpeedToBaud(cfgetospeed(&t));
}

// Natural order: digits compare by value, so ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        bool da = a[i] >= '0' && a[i] <= '9', db = b[j] >= '0' && b[j] <= '9';
        if (da && db) {
            std::size_t i2 = i, j2 = j;
            while (i2 < a.size() && a[i2] >= '0' && a[i2] <= '9') ++i2;
            while (j2 < b.size() && b[j2] >= '0' && b[j2] <= '9') ++j2;
            std::string na = a.substr(i, i2 - i), nb = b.substr(j, j2 - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = i2;
            j = j2;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> DirEntries(const std::string& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            if (n.compare(0, prefix.size(), prefix) != 0) continue;
            if (!prefix.empty() && n.size() == prefix.size()) continue;
            names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

// Whether a /dev/ttyS* node has a UART behind it. Most machines create many of them; the
// serial core tells the type in sysfs (0 = unknown = no port), else the driver answers
// TIOCGSERIAL. When neither can be asked the node is listed: opening it explains the rest.
bool IsRealUart(const std::string& devPath, const std::string& sysTtyDir, const std::string& name)
{
    std::ifstream f(sysTtyDir + "/" + name + "/type");
    std::string type;
    if (f && std::getline(f, type)) {
        while (!type.empty() && (type.back() == '\n' || type.back() == ' ')) type.pop_back();
        return !type.empty() && type != "0";
    }
    int fd = ::open(devPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EACCES || errno == EPERM || errno == EBUSY;
    serial_struct ss{};
    bool real = true;
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0) real = ss.type != PORT_UNKNOWN;
    ::close(fd);
    return real;
}

}  // namespace

SerialPort::~SerialPort()
{
    Close();
}

bool SerialPort::Fail(SerialError e, std::string text)
{
    error_ = e;
    errorText_ = std::move(text);
    return false;
}

std::string SerialPort::ValidateSettings(const SerialSettings& s)
{
    bool baudOk = StandardSpeed(s.baudRate) != 0 && s.baudRate <= 19200;
    if (s.baudRate == 14400) baudOk = NOX_HAVE_TERMIOS2 != 0;
    if (!baudOk || s.baudRate < 1200) return ReasonText(TReason::BaudRateNotSupported, {std::to_string(s.baudRate)});
    if (s.dataBits < 5 || s.dataBits > 8)
        return ReasonText(TReason::DataBitsNotSupported, {std::to_string(s.dataBits)});
    switch (s.parity) {
        case SerialParity::None:
        case SerialParity::Odd:
        case SerialParity::Even:
        case SerialParity::Mark:
        case SerialParity::Space: break;
        default: return ReasonText(TReason::UnknownParity);
    }
    switch (s.stopBits) {
        case SerialStopBits::One: break;
        case SerialStopBits::OneAndHalf:
            if (s.dataBits != 5) return ReasonText(TReason::OneAndHalfStopBits);
            break;
        case SerialStopBits::Two:
            if (s.dataBits == 5) return ReasonText(TReason::TwoStopBits);
            break;
        default: return ReasonText(TReason::UnknownStopBits);
    }
    return {};
}

bool SerialPort::Open(const std::string& path, const SerialSettings& settings)
{
    Close();
    error_ = SerialError::None;
    errorText_.clear();
    path_ = path;
    if (std::string why = ValidateSettings(settings); !why.empty()) return Fail(SerialError::InvalidSettings, why);
    if (path.empty()) return Fail(SerialError::NotFound, ReasonText(TReason::NoSerialPortChosen));

    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        switch (e) {
            case ENOENT:
            case ENOTDIR: return Fail(SerialError::NotFound, ReasonText(TReason::SerialPortMissing, {path}));
            case ENXIO:
            case ENODEV: return Fail(SerialError::NotFound, ReasonText(TReason::SerialPortNoDevice, {path}));
            case EISDIR: return Fail(SerialError::NotSerial, ReasonText(TReason::NotASerialDevice, {path}));
            case EBUSY: return Fail(SerialError::Busy, ReasonText(TReason::SerialPortBusy, {path}));
            case EACCES:
            case EPERM: return Fail(SerialError::NoPermission, ReasonText(TReason::SerialPortNoPermission, {path}));
            default: return Fail(SerialError::IoError, ReasonText(TReason::SerialPortCannotOpen, {path, ErrnoText(e)}));
        }
    }
    fd_ = fd;
    if (!isatty(fd)) {
        Close();
        return Fail(SerialError::NotSerial, ReasonText(TReason::NotASerialDevice, {path}));
    }
    // The flock makes a second opener fail even where TIOCEXCL does not (a privileged
    // process, or another descriptor of this process).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK /* EAGAIN on Linux */) {
        Close();
        return Fail(SerialError::Busy, ReasonText(TReason::SerialPortBusy, {path}));
    }
    ioctl(fd, TIOCEXCL);
    if (!ApplySettings(settings)) {
        SerialError e = error_;
        std::string t = errorText_;
        Close();
        return Fail(e, t);
    }
    // Hand-shake lines stay off; a pseudo-terminal has none and refuses, which is harmless.
    SetDTR(false);
    SetRTS(false);
    tcflush(fd, TCIOFLUSH);
    error_ = SerialError::None;
    errorText_.clear();
    return true;
}

bool SerialPort::Configure(const SerialSettings& settings)
{
    if (fd_ < 0) return Fail(SerialError::NotOpen, ReasonText(TReason::SerialPortNotOpen));
    if (std::string why = ValidateSettings(settings); !why.empty()) return Fail(SerialError::InvalidSettings, why);
    return ApplySettings(settings);
}

bool SerialPort::ApplySettings(const SerialSettings& s)
{
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return Fail(SerialError::NotSerial, ReasonText(TReason::NotASerialDevice, {path_}));
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    if (s.xonXoffOutput) t.c_iflag |= IXON;
    if (s.xonXoffInput) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cflag &= ~kLineMask;
    t.c_cflag |= LineBits(s) | CLOCAL | CREAD;
    if (s.rtsCts) t.c_cflag |= CRTSCTS;
    // With VMIN 1 a non-blocking read of an empty queue says EAGAIN and 0 means hang-up;
    // with VMIN 0 the two would look alike.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    speed_t code = StandardSpeed(s.baudRate);
    if (code != 0) {
        cfsetispeed(&t, code);
        cfsetospeed(&t, code);
    }
    auto refused = [this] { return ReasonText(TReason::SerialPortRefusedSettingsBecause, {path_, ErrnoText(errno)}); };
    const bool pty = IsPseudoTerminal(fd_);
    // The C library checks data bits and parity after setting them and calls it EINVAL when
    // a pseudo-terminal (which has no line) reports its fixed 8N; the read-back below
    // decides instead.
    if (tcsetattr(fd_, TCSANOW, &t) != 0 && !(pty && errno == EINVAL))
        return Fail(SerialError::SettingsRefused, refused());
#if NOX_HAVE_TERMIOS2
    if (code == 0) {
        KernelTermios2 t2{};
        if (ioctl(fd_, kTCGETS2, &t2) != 0) return Fail(SerialError::SettingsRefused, refused());
        t2.c_cflag &= ~(CBAUD | (CBAUD << kIBSHIFT));  // input rate follows the output rate
        t2.c_cflag |= kBOTHER;
        t2.c_ispeed = t2.c_ospeed = static_cast<speed_t>(s.baudRate);
        if (ioctl(fd_, kTCSETS2, &t2) != 0) return Fail(SerialError::SettingsRefused, refused());
    }
#endif

    // Read back: a driver may silently keep what it cannot do.
    termios r{};
    if (tcgetattr(fd_, &r) != 0) return Fail(SerialError::SettingsRefused, refused());
    tcflag_t mask = kLineMask;
    // A pseudo-terminal has no line: the kernel always reports 8 data bits without parity.
    if (pty) mask &= ~(CSIZE | PARENB);
    bool ok = (r.c_cflag & mask) == (t.c_cflag & mask) && (r.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
              (r.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) == 0 && (r.c_oflag & OPOST) == 0 &&
              (r.c_iflag & (IXON | IXOFF)) == (t.c_iflag & (IXON | IXOFF));
    if (!ok) return Fail(SerialError::SettingsRefused, ReasonText(TReason::SerialPortRefusedSettings, {path_}));
    // A UART divides a clock: allow the small deviation its drivers report.
    int baud = CurrentBaud(fd_);
    if (baud <= 0 || std::abs(baud - s.baudRate) * 100 > s.baudRate * 2)
        return Fail(SerialError::SettingsRefused,
                    ReasonText(TReason::SerialPortBaudRateNotAvailable, {path_, std::to_string(s.baudRate)}));
    return true;
}

void SerialPort::Close()
{
    if (fd_ >= 0) {
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

bool SerialPort::Purge(bool transmit, bool receive)
{
    if (fd_ < 0) return Fail(SerialError::NotOpen, ReasonText(TReason::SerialPortNotOpen));
    if (!transmit && !receive) return true;
    int q = transmit && receive ? TCIOFLUSH : (transmit ? TCOFLUSH : TCIFLUSH);
    if (tcflush(fd_, q) != 0)
        return Fail(SerialError::IoError, ReasonText(TReason::SerialPortFault, {path_, ErrnoText(errno)}));
    return true;
}

bool SerialPort::Write(const void* data, std::size_t n, int timeoutMs)
{
    if (fd_ < 0) return Fail(SerialError::NotOpen, ReasonText(TReason::SerialPortNotOpen));
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    while (done < n) {
        ssize_t w = ::write(fd_, p + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            // Progress restarts the patience: the limit is on a driver that takes nothing.
            deadline = clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Fail(SerialError::IoError, ReasonText(TReason::SerialPortWriteFailed, {path_, ErrnoText(errno)}));
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) return Fail(SerialError::IoError, ReasonText(TReason::SerialPortWriteTimedOut, {path_}));
        pollfd pfd{fd_, POLLOUT, 0};
        int r = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (r < 0 && errno != EINTR)
            return Fail(SerialError::IoError, ReasonText(TReason::SerialPortWriteFailed, {path_, ErrnoText(errno)}));
        if (r > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLOUT))
            return Fail(SerialError::IoError, ReasonText(TReason::SerialPortGone, {path_}));
    }
    return true;
}

int SerialPort::Read(void* buf, std::size_t n, int timeoutMs)
{
    if (fd_ < 0) {
        Fail(SerialError::NotOpen, ReasonText(TReason::SerialPortNotOpen));
        return -1;
    }
    char* p = static_cast<char*>(buf);
    std::size_t got = 0;
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    auto fail = [&](std::string text) {
        Fail(SerialError::IoError, std::move(text));
        return got > 0 ? static_cast<int>(got) : -1;
    };
    while (got < n) {
        ssize_t r = ::read(fd_, p + got, n - got);
        if (r > 0) {
            got += static_cast<std::size_t>(r);
            continue;
        }
        if (r == 0) return fail(ReasonText(TReason::SerialPortGone, {path_}));  // hang-up
        if (errno == EINTR) continue;
        if (errno != EAGAIN)  // EWOULDBLOCK is the same number on Linux
            return fail(ReasonText(TReason::SerialPortReadFailed, {path_, ErrnoText(errno)}));
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) break;
        pollfd pfd{fd_, POLLIN, 0};
        int pr = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (pr < 0 && errno != EINTR) return fail(ReasonText(TReason::SerialPortReadFailed, {path_, ErrnoText(errno)}));
        if (pr > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLIN))
            return fail(ReasonText(TReason::SerialPortGone, {path_}));
    }
    return static_cast<int>(got);
}

int SerialPort::CurrentBaudRate() const
{
    return fd_ >= 0 ? CurrentBaud(fd_) : 0;
}

int SerialPort::InputCount() const
{
    int n = 0;
    if (fd_ < 0 || ioctl(fd_, FIONREAD, &n) != 0) return 0;
    return n;
}

int SerialPort::OutputCount() const
{
    int n = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
    return n;
}

bool SerialPort::SetDTR(bool on)
{
    if (fd_ < 0) return false;
    int bits = TIOCM_DTR;
    return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool SerialPort::SetRTS(bool on)
{
    if (fd_ < 0) return false;
    int bits = TIOCM_RTS;
    return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

std::vector<std::string> ListSerialPortsIn(const std::string& devDir, const std::string& sysTtyDir)
{
    std::vector<std::string> ports;
    for (const std::string& n : DirEntries(devDir, "ttyS"))
        if (IsRealUart(devDir + "/" + n, sysTtyDir, n)) ports.push_back(devDir + "/" + n);
    for (const char* prefix : {"ttyUSB", "ttyACM"})
        for (const std::string& n : DirEntries(devDir, prefix)) ports.push_back(devDir + "/" + n);
    for (const std::string& n : DirEntries(devDir + "/serial/by-id", ""))
        ports.push_back(devDir + "/serial/by-id/" + n);
    return ports;
}

std::vector<std::string> ListSerialPorts()
{
    return ListSerialPortsIn("/dev", "/sys/class/tty");
}

std::string ResolveSerialPortPath(const std::string& path)
{
    if (path.empty()) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string r = real;
    std::free(real);
    return r;
}

bool SameSerialDevice(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) return false;
    if (ResolveSerialPortPath(a) == ResolveSerialPortPath(b)) return true;
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    if (S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode)) return sa.st_rdev == sb.st_rdev;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace platform
