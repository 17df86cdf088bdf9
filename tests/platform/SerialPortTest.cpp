#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/SerialPort.h"

using namespace std::string_literals;
using platform::SerialError;
using platform::SerialParity;
using platform::SerialPort;
using platform::SerialSettings;
using platform::SerialStopBits;

namespace {

// A pseudo-terminal pair: the program opens the slave by its path, the test plays the
// device on the master.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
        // Keep the slave open here so the line does not hang up between the test's opens.
    }
    ~Pty()
    {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }
    std::string ReadMaster(std::size_t n)
    {
        std::string s;
        char buf[256];
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (s.size() < n && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            ssize_t r = ::read(master, buf, std::min(sizeof buf, n - s.size()));
            if (r > 0) s.append(buf, static_cast<std::size_t>(r));
        }
        return s;
    }
};

// Unique per process: several test programs may run at once on one machine.
std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + name + "_" + std::to_string(getpid());
}

SerialSettings Make(int baud, int bits, SerialParity p, SerialStopBits sb)
{
    SerialSettings s;
    s.baudRate = baud;
    s.dataBits = bits;
    s.parity = p;
    s.stopBits = sb;
    return s;
}

}  // namespace

TEST(SerialPort, LineSettingsAreVisibleToTheTerminalLayer)
{
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, Make(4800, 7, SerialParity::Even, SerialStopBits::Two))) << port.LastErrorText();
    termios t{};
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B4800));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    // Raw: no echo, no line editing, no CR/LF translation, no XON/XOFF.
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF));
    EXPECT_FALSE(t.c_oflag & OPOST);

    // Odd and mark parity leave their bits; a new setting replaces the old ones.
    ASSERT_TRUE(port.Configure(Make(19200, 8, SerialParity::Mark, SerialStopBits::One))) << port.LastErrorText();
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    ASSERT_TRUE(port.Configure(Make(1200, 8, SerialParity::Odd, SerialStopBits::One)));
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B1200));
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CMSPAR);
}

TEST(SerialPort, ReopeningKeepsSettingsAndFlowControl)
{
    Pty pty;
    SerialSettings s = Make(4800, 7, SerialParity::Odd, SerialStopBits::Two);
    s.xonXoffOutput = true;
    s.xonXoffInput = true;
    s.rtsCts = true;
    for (int round = 0; round < 2; ++round) {  // the second open starts from the first's state
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.path, s)) << round << ": " << port.LastErrorText();
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
        EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
        EXPECT_TRUE(t.c_iflag & IXON);
        EXPECT_TRUE(t.c_iflag & IXOFF);
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);
        EXPECT_TRUE(t.c_cflag & CRTSCTS);
        EXPECT_TRUE(t.c_cflag & PARODD);
    }
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, SerialSettings()));
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));  // the plain default has no flow control
    EXPECT_FALSE(t.c_cflag & (CRTSCTS | PARODD | CSTOPB));
}

TEST(SerialPort, FourteenFourHundredBaudGoesThroughTheArbitraryRateRoute)
{
    Pty pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, Make(14400, 8, SerialParity::None, SerialStopBits::One))) << port.LastErrorText();
    termios t{};
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    // Not one of the classic codes: the rate is carried as a number beside the flags.
    EXPECT_NE(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_NE(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(port.CurrentBaudRate(), 14400);
    // Back to a classic rate clears the arbitrary-rate flag again.
    ASSERT_TRUE(port.Configure(Make(9600, 8, SerialParity::None, SerialStopBits::One))) << port.LastErrorText();
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.CurrentBaudRate(), 9600);
}

TEST(SerialPort, InvalidSettingsAreRefusedWithAReason)
{
    Pty pty;
    SerialPort port;
    struct Case {
        SerialSettings s;
        const char* why;
    } cases[] = {
        {Make(9601, 8, SerialParity::None, SerialStopBits::One), "Baud rate 9601"},
        {Make(38400, 8, SerialParity::None, SerialStopBits::One), "Baud rate 38400"},
        {Make(600, 8, SerialParity::None, SerialStopBits::One), "Baud rate 600"},
        {Make(9600, 4, SerialParity::None, SerialStopBits::One), "data bits"},
        {Make(9600, 9, SerialParity::None, SerialStopBits::One), "data bits"},
        {Make(9600, 8, SerialParity::None, SerialStopBits::OneAndHalf), "1.5 stop bits"},
        {Make(9600, 5, SerialParity::None, SerialStopBits::Two), "2 stop bits"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(port.Open(pty.path, c.s));
        EXPECT_EQ(port.LastError(), SerialError::InvalidSettings);
        EXPECT_NE(port.LastErrorText().find(c.why), std::string::npos) << port.LastErrorText();
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_TRUE(port.Open(pty.path, Make(1200, 5, SerialParity::Space, SerialStopBits::OneAndHalf)))
        << port.LastErrorText();
    EXPECT_FALSE(port.Configure(Make(1200, 8, SerialParity::None, SerialStopBits::OneAndHalf)));
    EXPECT_TRUE(port.IsOpen());  // a refused change leaves the port usable
}

TEST(SerialPort, OpenIsExclusiveUntilClosed)
{
    Pty pty;
    SerialPort first, second;
    ASSERT_TRUE(first.Open(pty.path, SerialSettings()));
    EXPECT_FALSE(second.Open(pty.path, SerialSettings()));
    EXPECT_EQ(second.LastError(), SerialError::Busy);
    EXPECT_NE(second.LastErrorText().find("in use"), std::string::npos);
    EXPECT_FALSE(second.IsOpen());
    // Another name of the same device is the same port.
    std::string link = TempPath("nox_serial_alias");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty.path, link);
    EXPECT_FALSE(second.Open(link, SerialSettings()));
    EXPECT_EQ(platform::ResolveSerialPortPath(link), platform::ResolveSerialPortPath(pty.path));
    std::filesystem::remove(link);

    first.Close();
    EXPECT_TRUE(second.Open(pty.path, SerialSettings())) << second.LastErrorText();
}

TEST(SerialPort, FailuresNameTheirReason)
{
    SerialPort port;
    EXPECT_FALSE(port.Open("/dev/ttyNoxDoesNotExist7", SerialSettings()));
    EXPECT_EQ(port.LastError(), SerialError::NotFound);
    EXPECT_NE(port.LastErrorText().find("does not exist"), std::string::npos);

    std::string file = TempPath("nox_not_a_tty");
    {
        std::ofstream(file) << "x";
    }
    EXPECT_FALSE(port.Open(file, SerialSettings()));
    EXPECT_EQ(port.LastError(), SerialError::NotSerial);
    EXPECT_NE(port.LastErrorText().find("not a serial device"), std::string::npos);

    // Permission is only checked for unprivileged users (root may open anything).
    if (geteuid() != 0) {
        chmod(file.c_str(), 0);
        EXPECT_FALSE(port.Open(file, SerialSettings()));
        EXPECT_EQ(port.LastError(), SerialError::NoPermission);
        EXPECT_NE(port.LastErrorText().find("dialout"), std::string::npos);
    }
    std::filesystem::remove(file);
    EXPECT_FALSE(port.Open(::testing::TempDir(), SerialSettings()));  // a directory
    EXPECT_EQ(port.LastError(), SerialError::NotSerial);

    EXPECT_FALSE(port.Write("x"));
    EXPECT_EQ(port.LastError(), SerialError::NotOpen);
    char c;
    EXPECT_EQ(port.Read(&c, 1, 0), -1);
}

TEST(SerialPort, WriteAndReadBytesUnchanged)
{
    Pty pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, SerialSettings()));
    // Line ends and control bytes pass through untouched in both directions.
    const std::string frame = "[G01\r\n\x11\x13\x00z]"s;
    ASSERT_TRUE(port.Write(frame));
    EXPECT_EQ(pty.ReadMaster(frame.size()), frame);

    const std::string reply = "[S01V\r\x03\x7f"s;
    ASSERT_EQ(::write(pty.master, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    char buf[64] = {};
    int n = port.Read(buf, reply.size(), 2000);
    ASSERT_EQ(n, static_cast<int>(reply.size()));
    EXPECT_EQ(std::string(buf, n), reply);

    // The read stops at n bytes and leaves the rest for the next read.
    ASSERT_EQ(::write(pty.master, "abcdef", 6), 6);
    EXPECT_EQ(port.Read(buf, 4, 2000), 4);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_EQ(port.Read(buf, 10, 50), 2);
    EXPECT_EQ(std::string(buf, 2), "ef");

    // A purge drops what has arrived but was not read.
    ASSERT_EQ(::write(pty.master, "stale", 5), 5);
    for (int i = 0; i < 5000 && port.InputCount() < 5; ++i) usleep(1000);  // bounded: never reached when things work
    EXPECT_EQ(port.InputCount(), 5);
    EXPECT_TRUE(port.Purge(true, true));
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.Read(buf, 5, 0), 0);
}

TEST(SerialPort, ReadTimeOutIsTotalNotPerByte)
{
    Pty pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, SerialSettings()));
    char buf[16];
    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    EXPECT_EQ(port.Read(buf, sizeof buf, 150), 0);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - t0).count();
    EXPECT_GE(waited, 140);
    EXPECT_LT(waited, 2000);

    // Fewer bytes than asked: they come back after the deadline, not lost.
    ASSERT_EQ(::write(pty.master, "[S", 2), 2);
    EXPECT_EQ(port.Read(buf, sizeof buf, 100), 2);
    EXPECT_EQ(std::string(buf, 2), "[S");
}

TEST(SerialPort, ModemLinesRefusedByAPseudoTerminalAreNotFatal)
{
    Pty pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, SerialSettings())) << port.LastErrorText();
    port.SetDTR(true);  // may be refused; must not close or break the port
    port.SetRTS(false);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Write("ok"));
    EXPECT_EQ(pty.ReadMaster(2), "ok");
}

TEST(SerialPort, VanishedDeviceIsAnIoError)
{
    Pty pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, SerialSettings()));
    close(pty.slave);
    pty.slave = -1;
    close(pty.master);  // the far end disappears, as an unplugged adapter does
    pty.master = -1;
    char buf[4];
    EXPECT_EQ(port.Read(buf, 4, 1000), -1);
    EXPECT_EQ(port.LastError(), SerialError::IoError);
}

TEST(SerialPort, CloseReleasesTheDescriptor)
{
    Pty pty;
    auto countFds = [] {
        int n = 0;
        for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) (void)e, ++n;
        return n;
    };
    int before = countFds();
    for (int i = 0; i < 50; ++i) {
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.path, SerialSettings()));
        ASSERT_FALSE(port.Open("/dev/ttyNoxDoesNotExist7", SerialSettings()));  // closes the old one
    }
    EXPECT_EQ(countFds(), before);
}

TEST(SerialPortList, ListsSerialDevicesInNaturalOrder)
{
    namespace fs = std::filesystem;
    fs::path root = fs::path(TempPath("nox_serial_list"));
    fs::remove_all(root);
    fs::create_directories(root / "dev" / "serial" / "by-id");
    fs::create_directories(root / "sys");
    auto touch = [](const fs::path& p) { std::ofstream(p) << ""; };
    for (const char* n :
         {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "tty0", "ttyS", "console"})
        touch(root / "dev" / n);
    touch(root / "dev" / "serial" / "by-id" / "usb-Maker_Adapter-if00-port0");
    // ttyS1 and ttyS2 have a UART, ttyS0 is a placeholder, ttyS10 cannot be asked.
    for (auto [n, type] : {std::pair{"ttyS0", "0"}, {"ttyS1", "4"}, {"ttyS2", "4\n"}}) {
        fs::create_directories(root / "sys" / n);
        std::ofstream(root / "sys" / n / "type") << type;
    }
    std::string dev = (root / "dev").string();
    auto ports = platform::ListSerialPortsIn(dev, (root / "sys").string());
    std::vector<std::string> expected = {dev + "/ttyS1",
                                         dev + "/ttyS2",
                                         dev + "/ttyS10",
                                         dev + "/ttyUSB0",
                                         dev + "/ttyUSB1",
                                         dev + "/ttyACM0",
                                         dev + "/serial/by-id/usb-Maker_Adapter-if00-port0"};
    EXPECT_EQ(ports, expected);
    fs::remove_all(root);
}
