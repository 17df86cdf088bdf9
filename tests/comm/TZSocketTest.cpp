#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "comm/IPv4Address.h"
#include "comm/TZSocket.h"
#include "platform/UiDispatcher.h"
#include "support/ScriptedDialogs.h"

using namespace std::string_literals;

namespace {

// Runs the event loop until cond holds or the bound runs out.
bool WaitUntil(const std::function<bool()>& cond, int ms = 5000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A loopback server played by the test with plain sockets.
struct Server {
    int listenFd = -1;
    int conn = -1;
    int port = 0;
    explicit Server(const char* addr = "127.0.0.1")
    {
        listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        inet_pton(AF_INET, addr, &sa.sin_addr);
        if (::bind(listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return;
        ::listen(listenFd, 4);
        socklen_t len = sizeof sa;
        getsockname(listenFd, reinterpret_cast<sockaddr*>(&sa), &len);
        port = ntohs(sa.sin_port);
    }
    ~Server()
    {
        if (conn >= 0) ::close(conn);
        if (listenFd >= 0) ::close(listenFd);
    }
    bool Accept()
    {
        // The client's connect completes in the kernel; accept is ready at once or soon.
        bool ok = WaitUntil([&] {
            pollfd p{listenFd, POLLIN, 0};
            return ::poll(&p, 1, 0) == 1;
        });
        if (ok) conn = ::accept(listenFd, nullptr, nullptr);
        return conn >= 0;
    }
    void Send(const std::string& s) { ASSERT_EQ(::send(conn, s.data(), s.size(), 0), static_cast<ssize_t>(s.size())); }
    std::string Receive(std::size_t n)
    {
        std::string s;
        WaitUntil([&] {
            char buf[256];
            pollfd p{conn, POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) {
                ssize_t r = ::recv(conn, buf, std::min(sizeof buf, n - s.size()), 0);
                if (r > 0) s.append(buf, static_cast<std::size_t>(r));
                if (r <= 0) return true;
            }
            return s.size() >= n;
        });
        return s;
    }
    void Reset()
    {  // the peer vanishes with a reset, as a unit switched off mid-connection
        linger l{1, 0};
        setsockopt(conn, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ::close(conn);
        conn = -1;
    }
};

int FreePort()
{
    Server s;
    return s.port;  // closed again: nothing listens there
}

struct Recorder {
    int connects = 0, closes = 0, data = 0, errors = 0;
    int lastCode = 0;
    AnsiString lastText;
    void Attach(TZSocket& z, bool withError)
    {
        z.OnConnect = [this](TZSocket*) { ++connects; };
        z.OnClose = [this](TZSocket*) { ++closes; };
        z.OnDataAvailable = [this](TZSocket*) { ++data; };
        if (withError)
            z.OnError = [this](TZSocket*, int code, const AnsiString& text, int) {
                ++errors;
                lastCode = code;
                lastText = text;
            };
    }
};

class TZSocketTest : public ::testing::Test {
protected:
    void SetUp() override { support::TestDialogs().Clear(); }
    void TearDown() override { support::TestDialogs().Clear(); }
    void Connect(TZSocket& z, Server& srv, Recorder& rec, const AnsiString& addr = "127.0.0.1")
    {
        z.RemoteAddr = addr;
        z.RemotePort = IntToStr(srv.port);
        z.ZConnect();
        ASSERT_TRUE(srv.Accept());
        ASSERT_TRUE(WaitUntil([&] { return rec.connects == 1; }));
        EXPECT_EQ(z.State(), TZSocket::stConnected);
    }
};

}  // namespace

TEST_F(TZSocketTest, ExchangesTextAndReportsThePeerClosing)
{
    Server srv;
    TZSocket z;
    Recorder rec;
    rec.Attach(z, false);
    Connect(z, srv, rec);
    EXPECT_EQ(z.GetText(), "");  // nothing arrived yet: empty, no message
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    z.SetText("[G0D******]\r");
    EXPECT_EQ(srv.Receive(12), "[G0D******]\r");
    srv.Send("[S01G0010]\r");
    ASSERT_TRUE(WaitUntil([&] { return rec.data >= 1; }));
    EXPECT_EQ(z.BytesAvailable(), 11);
    EXPECT_EQ(z.GetText(), "[S01G0010]\r");
    EXPECT_EQ(z.BytesAvailable(), 0);
    EXPECT_EQ(z.LastText(), "[S01G0010]\r");
    EXPECT_EQ(z.GetPeerPort(), srv.port);
    EXPECT_EQ(z.GetPeerAddr(), "127.0.0.1");

    ::close(srv.conn);
    srv.conn = -1;
    ASSERT_TRUE(WaitUntil([&] { return rec.closes == 1; }));
    EXPECT_EQ(z.GetText(), "");
    z.ZClose();
    EXPECT_EQ(z.SocketHandle(), -1);
    EXPECT_EQ(z.State(), TZSocket::stClosed);
    z.ZClose();  // closing twice shows nothing
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(TZSocketTest, GetTextNeverReturnsMoreThanTheBuffer)
{
    Server srv;
    TZSocket z;
    Recorder rec;
    rec.Attach(z, false);
    z.BufferSize = 4;
    Connect(z, srv, rec);
    srv.Send("abcdefghij");
    ASSERT_TRUE(WaitUntil([&] { return rec.data >= 1; }));
    EXPECT_EQ(z.BytesAvailable(), 4);  // the peek is bounded by the buffer too
    EXPECT_EQ(z.GetText(), "abcd");
    EXPECT_EQ(z.GetText(), "efgh");
    EXPECT_EQ(z.GetText(), "ij");
    EXPECT_EQ(z.GetText(), "");

    // A zero byte ends the text.
    z.BufferSize = 64;
    srv.Send("ab\0cd"s);
    ASSERT_TRUE(WaitUntil([&] { return rec.data >= 2; }));
    EXPECT_EQ(z.GetText(), "ab");
}

TEST_F(TZSocketTest, UnreadDataIsAnnouncedOnceUntilReceived)
{
    Server srv;
    TZSocket z;
    Recorder rec;
    rec.Attach(z, false);
    Connect(z, srv, rec);
    srv.Send("one");
    ASSERT_TRUE(WaitUntil([&] { return rec.data == 1; }));
    // Nobody reads: the event is not repeated (the event loop would spin otherwise).
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(rec.data, 1);
    EXPECT_EQ(z.GetText(), "one");
    srv.Send("two");
    ASSERT_TRUE(WaitUntil([&] { return rec.data == 2; }));
}

TEST_F(TZSocketTest, RefusedConnectionIsReportedByTheConnectEvent)
{
    TZSocket z;
    Recorder rec;
    rec.Attach(z, true);
    z.RemoteAddr = "127.0.0.1";
    z.RemotePort = IntToStr(FreePort());
    z.ZConnect();
    EXPECT_EQ(rec.errors, 0);  // the attempt itself does not wait
    ASSERT_TRUE(WaitUntil([&] { return rec.errors == 1; }));
    EXPECT_EQ(rec.lastCode, 10061);
    EXPECT_EQ(rec.lastText, "Connection refused");
    EXPECT_EQ(rec.connects, 0);
    EXPECT_EQ(z.State(), TZSocket::stError);

    // Without a handler: one box, and the sends of a poll loop that follow stay quiet.
    TZSocket y;
    y.RemoteAddr = "127.0.0.1";
    y.RemotePort = IntToStr(FreePort());
    y.ZConnect();
    ASSERT_TRUE(WaitUntil([&] { return support::TestDialogs().MessageCount() == 1; }));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "WSAsyncSelect\n\rConnection refused");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error: TZSocket");
    for (int i = 0; i < 5; ++i) {
        y.SetText("[G0D******]\r");
        EXPECT_EQ(y.GetText(), "");
    }
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
}

TEST_F(TZSocketTest, PeerResetDuringPollingNeitherKillsTheProcessNorRepeatsTheBox)
{
    Server srv;
    TZSocket z;
    Recorder rec;
    rec.Attach(z, false);
    Connect(z, srv, rec);
    srv.Reset();
    // Several steps of a poll loop: a send to a reset connection would raise SIGPIPE (and
    // end this test program) if the send were not told not to.
    for (int i = 0; i < 6; ++i) {
        z.SetText("[G0D******]\r");
        QCoreApplication::processEvents();
        EXPECT_EQ(z.GetText(), "");
    }
    EXPECT_LE(support::TestDialogs().MessageCount(), 1u);
    // A new connection is a new episode.
    Server srv2;
    rec = Recorder();
    Connect(z, srv2, rec);
    EXPECT_EQ(z.GetText(), "");
}

TEST_F(TZSocketTest, ConnectFailuresBeforeTheSocketAreReported)
{
    TZSocket z;
    auto& d = support::TestDialogs();
    z.RemoteAddr = "127.0.0.1";
    z.ZConnect();
    EXPECT_EQ(d.LastMessage().text, "ZConnect\n\rNot a WinSock error");
    z.RemotePort = "8101";
    z.RemoteAddr = "";
    z.ZConnect();
    EXPECT_EQ(d.MessageCount(), 2u);
    EXPECT_EQ(z.SocketHandle(), -1);

    for (const char* host : {"nohost.invalid", "1.2.3", "010.1.1.256", "1..2.3"}) {
        d.Clear();
        z.RemoteAddr = host;
        z.ZConnect();
        ASSERT_EQ(d.MessageCount(), 1u) << host;
        EXPECT_EQ(d.LastMessage().text, "ZConnect (gethostbyname)\n\rNot a WinSock error") << host;
        EXPECT_EQ(d.LastMessage().caption, "Error: TZSocket");
        EXPECT_EQ(z.SocketHandle(), -1) << host;
        EXPECT_EQ(z.State(), TZSocket::stError);
    }
    // The sends of a poll loop after a failed attempt add no further boxes.
    d.Clear();
    z.SetText("[G0D******]\r");
    z.SetText("[G0D******]\r");
    EXPECT_EQ(d.MessageCount(), 0u);
}

TEST_F(TZSocketTest, NoSocketStopsTheConnectAttempt)
{
    Server srv;
    TZSocket z;
    z.RemoteAddr = "127.0.0.1";
    z.RemotePort = IntToStr(srv.port);
    // Make the next descriptor unavailable, so that socket() fails with "too many files".
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    z.ZConnect();
    z.LocalPort = "0";
    z.ZListen();
    setrlimit(RLIMIT_NOFILE, &old);

    // One report each, and nothing goes on with an invalid handle (no connect, bind or
    // listen errors after it).
    auto msgs = support::TestDialogs().Messages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].text, "ZConnect (socket)\n\rToo many open files");
    EXPECT_EQ(msgs[1].text, "ZListen (socket)\n\rToo many open files");
    EXPECT_EQ(z.SocketHandle(), -1);
    EXPECT_EQ(z.ListenSocketHandle(), -1);
    EXPECT_EQ(z.State(), TZSocket::stError);
}

TEST_F(TZSocketTest, DottedAddressWithLeadingZerosIsDecimal)
{
    // Read as octal, 127.000.000.010 would be 127.0.0.8, where nothing listens.
    Server srv("127.0.0.10");
    ASSERT_GT(srv.port, 0);
    TZSocket z;
    Recorder rec;
    rec.Attach(z, true);
    Connect(z, srv, rec, "127.000.000.010");
    EXPECT_EQ(rec.errors, 0);
    EXPECT_EQ(z.GetPeerAddr(), "127.0.0.10");
}

TEST_F(TZSocketTest, ListenAcceptAndExchange)
{
    TZSocket server;
    int requests = 0;
    server.OnConnectionRequest = [&](TZSocket*) { ++requests; };
    server.LocalPort = "0";
    server.LimitAddr = "127.0.0.1";
    server.ZListen();
    ASSERT_EQ(server.State(), TZSocket::stListening);
    int port = server.GetRemotePort(server.ListenSocketHandle());
    ASSERT_GT(port, 0);

    TZSocket client;
    Recorder rec;
    rec.Attach(client, true);
    client.RemoteAddr = "127.0.0.1";
    client.RemotePort = IntToStr(port);
    client.ZConnect();
    ASSERT_TRUE(WaitUntil([&] { return requests == 1 && rec.connects == 1; }));
    ASSERT_GE(server.ZAccept(), 0);
    EXPECT_EQ(server.State(), TZSocket::stConnected);
    client.SetText("ping");
    ASSERT_TRUE(WaitUntil([&] { return server.BytesAvailable() == 4; }));
    EXPECT_EQ(server.GetText(), "ping");
    char buf[8] = {};
    EXPECT_EQ(server.ZSend(server.SocketHandle(), "pong", 4), 4);
    ASSERT_TRUE(WaitUntil([&] { return rec.data == 1; }));
    EXPECT_EQ(client.ZPeek(client.SocketHandle(), buf, 8), 4);
    EXPECT_EQ(client.ZReceive(client.SocketHandle(), buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "pong");
    server.ZCancelListen();
    EXPECT_EQ(server.ListenSocketHandle(), -1);
    EXPECT_EQ(rec.errors, 0);
}

TEST_F(TZSocketTest, RepeatedConnectAndCloseLeaksNoDescriptor)
{
    auto countFds = [] {
        int n = 0;
        for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) (void)e, ++n;
        return n;
    };
    Server srv;
    int before = countFds();
    {
        TZSocket z;
        for (int i = 0; i < 100; ++i) {
            z.RemoteAddr = "127.0.0.1";
            z.RemotePort = IntToStr(srv.port);
            z.ZConnect();
            if (i % 2) z.ZConnect();  // a second attempt replaces the first
            z.ZClose();
            // Drain the server's backlog so it never fills.
            pollfd p{srv.listenFd, POLLIN, 0};
            while (::poll(&p, 1, 0) == 1) ::close(::accept(srv.listenFd, nullptr, nullptr));
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(countFds(), before);
}

TEST_F(TZSocketTest, HandlersMayCloseTheSocketFromInsideAnEvent)
{
    Server srv;
    TZSocket z;
    int connects = 0, data = 0;
    z.OnConnect = [&](TZSocket* s) {
        ++connects;
        s->ZClose();  // the notifier that delivered this event goes away under it
    };
    z.OnOKToWrite = [&](TZSocket*) { ADD_FAILURE() << "event after close"; };
    z.RemoteAddr = "127.0.0.1";
    z.RemotePort = IntToStr(srv.port);
    z.ZConnect();
    ASSERT_TRUE(WaitUntil([&] { return connects == 1; }));
    EXPECT_EQ(z.SocketHandle(), -1);
    ASSERT_TRUE(srv.Accept());
    ::close(srv.conn);
    srv.conn = -1;

    z.OnConnect = nullptr;
    z.OnOKToWrite = nullptr;
    z.OnDataAvailable = [&](TZSocket* s) {
        ++data;
        s->ZClose();
    };
    z.ZConnect();
    ASSERT_TRUE(srv.Accept());
    ASSERT_TRUE(WaitUntil([&] { return z.State() == TZSocket::stConnected && z.GetPeerPort() == srv.port; }));
    srv.Send("x");
    ASSERT_TRUE(WaitUntil([&] { return data == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(z.SocketHandle(), -1);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(TZSocketTest, NameLookUpRunsInTheBackground)
{
    TZSocket z;
    int resolved = 0, failed = 0;
    z.OnNameResolved = [&](TZSocket*) { ++resolved; };
    z.OnNameLookupFailed = [&](TZSocket*) { ++failed; };
    z.GetRemoteName("localhost");
    EXPECT_EQ(z.State(), TZSocket::stLookingUp);
    ASSERT_TRUE(WaitUntil([&] { return resolved + failed == 1; }));
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(z.RemoteAddr.substr(0, 4), "127.");
    EXPECT_EQ(z.State(), TZSocket::stResolved);

    z.GetRemoteName("nohost.invalid");
    ASSERT_TRUE(WaitUntil([&] { return resolved + failed == 2; }));
    EXPECT_EQ(failed, 1);

    // A cancelled look-up, and one whose component is gone, report nothing.
    z.GetRemoteName("localhost");
    z.ZAsyncCancel();
    EXPECT_EQ(z.State(), TZSocket::stLookupCancelled);
    {
        TZSocket gone;
        gone.OnNameResolved = [&](TZSocket*) { ++resolved; };
        gone.GetRemoteName("localhost");
    }
    TZSocket last;
    int lastDone = 0;
    last.OnNameResolved = [&](TZSocket*) { ++lastDone; };
    last.GetRemoteName("localhost");  // usually answers after the two above
    ASSERT_TRUE(WaitUntil([&] { return lastDone == 1; }));
    platform::UiDispatcher::Instance().ProcessPending();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(failed, 1);
}

TEST(TZSocketErrors, ErrnoAndLookupResultsMapOntoTheClassicNumbers)
{
    EXPECT_EQ(TZSocket::ErrorCodeFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(TZSocket::ErrorCodeFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(TZSocket::ErrorCodeFromErrno(EPIPE), 10054);
    EXPECT_EQ(TZSocket::ErrorCodeFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(TZSocket::ErrorCodeFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(TZSocket::ErrorCodeFromAddrInfo(EAI_NONAME, 0), 11001);
    EXPECT_EQ(TZSocket::ErrorCodeFromAddrInfo(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(TZSocket::ErrorCodeFromAddrInfo(EAI_SYSTEM, ETIMEDOUT), 10060);
    EXPECT_EQ(TZSocket::SocketErrorText(10061), "Connection refused");
    EXPECT_EQ(TZSocket::SocketErrorText(11004), "No Data");
    EXPECT_EQ(TZSocket::SocketErrorText(TZSocket::ErrorCodeFromErrno(EIO)), "Not a WinSock error");
    for (int own = 1; own <= 4; ++own) EXPECT_EQ(TZSocket::SocketErrorText(own), "Not a WinSock error");
}

TEST(IPv4Address, PartsAreDecimalAndStrict)
{
    EXPECT_EQ(comm::NormalizeIPv4Address("010.000.000.001"), "10.0.0.1");
    EXPECT_EQ(comm::NormalizeIPv4Address("192.168.  1.  5"), "192.168.1.5");  // mask placeholders
    EXPECT_EQ(comm::NormalizeIPv4Address("255.255.255.255"), "255.255.255.255");
    EXPECT_EQ(comm::NormalizeIPv4Address("0.0.0.0"), "0.0.0.0");
    for (const char* bad : {"", "   .   .   .   ", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.", ".1.2.3", "1..2.3",
                            "0x1.2.3.4", "1.2.3.-4", "1.2.3.4a", "1 0.2.3.4", "0001.2.3.4", "+1.2.3.4"})
        EXPECT_EQ(comm::NormalizeIPv4Address(bad), "") << '"' << bad << '"';
    EXPECT_TRUE(comm::LooksLikeDottedAddress("1.2.3"));
    EXPECT_FALSE(comm::LooksLikeDottedAddress("unit-7.lab"));

    EXPECT_EQ(comm::ParseTcpPort("8101"), 8101);
    EXPECT_EQ(comm::ParseTcpPort("8101    "), 8101);
    EXPECT_EQ(comm::ParseTcpPort("65535"), 65535);
    for (const char* bad : {"", "    ", "0", "65536", "99999", "-1", "80a", "8 1"})
        EXPECT_FALSE(comm::ParseTcpPort(bad).has_value()) << '"' << bad << '"';
}
