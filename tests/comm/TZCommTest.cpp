#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "comm/TZComm.h"
#include "platform/UiDispatcher.h"

namespace {

bool WaitUntil(const std::function<bool()>& cond, int ms = 5000, bool runEvents = true)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (runEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Pty {
    int master = -1;
    int slave = -1;  // kept open so the line does not hang up between the component's opens
    std::string path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
    }
    ~Pty()
    {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }
    void Send(const std::string& s) { ASSERT_EQ(::write(master, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
    std::string Receive(std::size_t n)
    {
        std::string s;
        WaitUntil(
            [&] {
                pollfd p{master, POLLIN, 0};
                if (::poll(&p, 1, 0) == 1) {
                    char buf[256];
                    ssize_t r = ::read(master, buf, std::min(sizeof buf, n - s.size()));
                    if (r > 0) s.append(buf, static_cast<std::size_t>(r));
                }
                return s.size() >= n;
            },
            5000, false);
        return s;
    }
};

int CountFds()
{
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) (void)e, ++n;
    return n;
}

}  // namespace

TEST(TZComm, WritesAndReadsAndNotifiesOnTheUiThread)
{
    Pty pty;
    TZComm z;
    int notes = 0;
    bool onUi = true;
    z.OnDataAvailable = [&](TZComm*) {
        ++notes;
        onUi = onUi && platform::UiDispatcher::Instance().IsUiThread();
    };
    z.Port = pty.path;
    ASSERT_EQ(z.OpenConnection(), 1) << z.LastErrorText();
    EXPECT_EQ(z.Connected(), 1);
    EXPECT_EQ(z.GetText(), "");  // nothing came: empty, no waiting

    z.SetText("[G01G0D******]\r");
    EXPECT_EQ(pty.Receive(15), "[G01G0D******]\r");
    EXPECT_EQ(z.WriteCommByte('!'), 1);
    EXPECT_EQ(pty.Receive(1), "!");

    pty.Send("[S01G00102]\r\n");
    ASSERT_TRUE(WaitUntil([&] { return notes >= 1; }));
    EXPECT_TRUE(onUi);
    ASSERT_TRUE(WaitUntil([&] { return z.GetQCountIn() == 13; }));
    char head[4] = {};
    EXPECT_EQ(z.ReadComm(head, 4), 4);
    EXPECT_EQ(std::string(head, 4), "[S01");
    EXPECT_EQ(z.GetText(), "G00102]\r\n");  // the rest, line ends untouched

    // A purge drops what has come but was not read.
    pty.Send("stale");
    ASSERT_TRUE(WaitUntil([&] { return z.GetQCountIn() == 5; }));
    EXPECT_TRUE(z.PurgeCommPort(PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_EQ(z.GetQCountIn(), 0u);
    EXPECT_EQ(z.GetText(), "");
    EXPECT_EQ(z.CloseConnection(), 1);
    EXPECT_EQ(z.Connected(), 0);
}

TEST(TZComm, AtMostOneNotificationInFlight)
{
    Pty pty;
    TZComm z;
    int notes = 0, active = 0, maxActive = 0;
    z.Port = pty.path;
    z.OnDataAvailable = [&](TZComm* c) {
        ++notes;
        maxActive = std::max(maxActive, ++active);
        if (notes == 1) {
            // More data comes while the first handler runs; the thread takes it in but must
            // not post another notification yet.
            for (const char* chunk : {"b", "c", "d"}) {
                unsigned before = c->GetQCountIn();
                pty.Send(chunk);
                // Wait until the thread has moved it into the component's queue: the byte has
                // come (it is counted, in the driver's queue or in the component's), then it
                // has left the driver's queue, so the thread has read it, and a last count,
                // which waits for the thread's hand-over, finds it handed over. The driver is
                // asked after the count: a byte still on its way to the driver's queue when
                // it was asked first would be counted there just after.
                ASSERT_TRUE(WaitUntil([&] { return c->GetQCountIn() > before; }, 5000, false));
                ASSERT_TRUE(WaitUntil(
                    [&] {
                        int driver = -1;
                        ioctl(pty.slave, FIONREAD, &driver);
                        return driver == 0;
                    },
                    5000, false));
                ASSERT_EQ(c->GetQCountIn(), before + 1);
            }
            platform::UiDispatcher::Instance().ProcessPending();  // nothing may be queued
        }
        --active;
    };
    ASSERT_EQ(z.OpenConnection(), 1) << z.LastErrorText();
    pty.Send("a");
    ASSERT_TRUE(WaitUntil([&] { return notes == 2; }));
    // Exactly one follow-up for everything that came during the first handler.
    platform::UiDispatcher::Instance().ProcessPending();
    QCoreApplication::processEvents();
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(maxActive, 1);
    EXPECT_EQ(z.GetText(), "abcd");
}

TEST(TZComm, CloseIsPromptWithANotificationStillQueued)
{
    Pty pty;
    int before = CountFds();
    for (int round = 0; round < 2; ++round) {
        TZComm z;
        int notes = 0;
        z.OnDataAvailable = [&](TZComm*) { ++notes; };
        z.Port = pty.path;
        ASSERT_EQ(z.OpenConnection(), 1) << z.LastErrorText();
        pty.Send("[S01]");
        // The thread has taken the bytes (and posted), but the UI thread has not run yet.
        ASSERT_TRUE(WaitUntil([&] { return z.GetQCountIn() == 5; }, 5000, false));
        EXPECT_EQ(z.CloseConnection(), 1);
        EXPECT_EQ(z.CloseConnection(), 1);  // twice is harmless
        platform::UiDispatcher::Instance().ProcessPending();
        QCoreApplication::processEvents();
        EXPECT_EQ(notes, 0);  // a closed component reports nothing
    }
    for (int i = 0; i < 100; ++i) {
        TZComm z;
        z.Port = pty.path;
        ASSERT_EQ(z.OpenConnection(), 1);
        z.CloseConnection();
    }
    EXPECT_EQ(CountFds(), before);
}

TEST(TZComm, DestroyedWhileANotificationIsQueued)
{
    Pty pty;
    int notes = 0;
    {
        TZComm z;
        z.OnDataAvailable = [&](TZComm*) { ++notes; };
        z.Port = pty.path;
        ASSERT_EQ(z.OpenConnection(), 1);
        pty.Send("x");
        ASSERT_TRUE(WaitUntil([&] { return z.GetQCountIn() == 1; }, 5000, false));
    }
    platform::UiDispatcher::Instance().ProcessPending();  // must not touch the freed component
    QCoreApplication::processEvents();
    EXPECT_EQ(notes, 0);
}

TEST(TZComm, LineSettingsAndFlowControlReachThePort)
{
    Pty pty;
    TZComm z;
    z.Port = pty.path;
    z.BaudRate = 4800;
    z.DataBits = databits7;
    z.Parity = odd_parity;
    z.StopBits = stop2;
    ASSERT_EQ(z.OpenConnection(), 1) << z.LastErrorText();
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_iflag & IXON);  // XON/XOFF both ways by default
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);

    z.SetFlowCtl(false);
    z.CTSFlowCtl = true;
    z.BaudRate = 19200;
    ASSERT_TRUE(z.SetConnection()) << z.LastErrorText();
    ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
    EXPECT_TRUE(t.c_cflag & CRTSCTS);

    z.BaudRate = 12345;
    EXPECT_FALSE(z.SetConnection());
    EXPECT_NE(z.LastErrorText().find("12345"), std::string::npos);
    z.CloseConnection();

    z.BaudRate = 9600;
    z.DataBits = databits4;
    EXPECT_EQ(z.OpenConnection(), 0);
    EXPECT_EQ(z.Connected(), 0);
}

TEST(TZComm, OpenFailuresAndALostPort)
{
    TZComm z;
    z.Port = "/dev/ttyNoxDoesNotExist7";
    EXPECT_EQ(z.OpenConnection(), 0);
    EXPECT_NE(z.LastErrorText().find("does not exist"), std::string::npos);

    Pty pty;
    z.Port = pty.path;
    ASSERT_EQ(z.OpenConnection(), 1);
    EXPECT_EQ(z.OpenConnection(), 0);  // already open
    EXPECT_EQ(z.Connected(), 1);
    TZComm other;
    other.Port = pty.path;
    EXPECT_EQ(other.OpenConnection(), 0);  // exclusive
    EXPECT_NE(other.LastErrorText().find("in use"), std::string::npos);

    // The far end vanishes: writes report failure instead of success.
    close(pty.slave);
    pty.slave = -1;
    close(pty.master);
    pty.master = -1;
    EXPECT_EQ(z.WriteComm("[G01]", 5), 0);
    EXPECT_EQ(z.CloseConnection(), 1);
}

TEST(TZComm, InputOverflowIsFlaggedNotSilent)
{
    Pty pty;
    TZComm z;
    unsigned flags = 0;
    AnsiString text;
    z.OnErrorOccurred = [&](TZComm*, unsigned f, const AnsiString& t) {
        flags |= f;
        text = t;
    };
    z.Port = pty.path;
    ASSERT_EQ(z.OpenConnection(), 1);
    const std::string block(10000, 'x');
    std::thread writer([&] {
        for (int i = 0; i < 8; ++i) ASSERT_EQ(::write(pty.master, block.data(), block.size()), 10000);
    });
    writer.join();
    // What does not fit is dropped and flagged; the flag reaches the owner on the next read.
    char c;
    ASSERT_TRUE(WaitUntil(
        [&] {
            z.ReadComm(&c, 0);
            return flags != 0;
        },
        5000, false));
    EXPECT_EQ(flags, CE_RXOVER);
    EXPECT_EQ(text, "Read Error");
    ASSERT_TRUE(WaitUntil([&] { return z.GetQCountIn() == 65536u; }, 5000, false));
    EXPECT_EQ(z.GetText(), std::string(8192, 'x'));  // the oldest bytes are kept
}
