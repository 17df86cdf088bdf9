// The TCP/IP channel end to end against the simulated unit on a loopback port chosen by
// the system: settings, identification, polling, broken and refused connections, replies
// that come late or in pieces.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "BusChannelFixture.h"
#include "comm/CTCPIP.h"
#include "comm/CTransceiverTCPIP.h"
#include "comm/TZSocket.h"

using namespace testfakes;
using support::UnitCommand;
using support::UnitFault;

namespace {

class TcpChannel : public BusChannels {
protected:
    FakeChannelWindow& TcpWindow(int channel, int port)
    {
        FakeChannelWindow& w = scope.Window(channel);
        w.texts[TChannelControl::edIPAddress] = "127.000.000.001";
        w.texts[TChannelControl::edPort] = IntToStr(port);
        w.texts[TChannelControl::cmbActual] = "5";
        Answer(w, channel);
        return w;
    }
    void StartTcp(const support::UnitState& state = {})
    {
        line.AddUnit(state);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    }
    // Identifies the unit, presses OK and waits for the first poll cycle.
    void ConnectAndPoll(CTCPIP& c, FakeChannelWindow& w)
    {
        Open(c);
        c.ResumeIdentification();
        TfrmIdentification* verdict = WaitForVerdict(c);
        ASSERT_NE(verdict, nullptr);
        ASSERT_EQ(verdict->GetResult(), 1);
        PressOk(w, verdict);
        ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));
    }
    // One recording tick: clears the error flag and asks for a cycle.
    void Tick(CTCPIP& c)
    {
        c.CommError = 0;
        c.PollRequest = 1;
    }
    static AnsiString Frame(const char* command) { return CTolvarProtocol::BuildCommandFrame(command, 1); }
};

// A loopback server that answers every frame like the simulated unit, but in two pieces
// 100 ms apart.
class SplittingServer {
public:
    SplittingServer()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listen_, 1);
        socklen_t len = sizeof sa;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
        port = ntohs(sa.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~SplittingServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    int port = 0;
    std::atomic<int> answered{0};

private:
    bool Readable(int fd)
    {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }
    void Run()
    {
        if (!Readable(listen_)) return;
        int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        AnsiString frame;
        char ch = 0;
        while (fd >= 0 && Readable(fd) && ::read(fd, &ch, 1) == 1) {
            frame += ch;
            if (ch != '\r') continue;
            AnsiString reply = unit_.HandleFrame(frame).bytes;
            frame.clear();
            std::size_t half = reply.size() / 2;
            (void)!::send(fd, reply.data(), half, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the gap under test
            (void)!::send(fd, reply.data() + half, reply.size() - half, MSG_NOSIGNAL);
            ++answered;
        }
        if (fd >= 0) ::close(fd);
    }
    support::SimulatedUnit unit_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(TcpChannel, IdentifiesAndPollsOverTheWindowsSocket)
{
    support::UnitState state;
    state.deviceName = "NET UNIT 7";
    state.internalTemp = 31.25;
    StartTcp(state);
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    TZSocket socket;
    w.socket = &socket;
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    EXPECT_EQ(c.Socket(), &socket);
    EXPECT_EQ(socket.RemoteAddr, "127.0.0.1");
    EXPECT_EQ(socket.RemotePort, IntToStr(line.TcpPort()));
    EXPECT_EQ(c.GetDeviceName(), "NET UNIT 7");
    EXPECT_EQ(w.title, "NET UNIT 7 / 127.0.0.1");
    EXPECT_EQ(c.SeriesValue(sTIntern), 31.25);
    ASSERT_NE(c.PollThread(), nullptr);
    EXPECT_EQ(c.PollThread()->ReplyWait, comm::Timing().ReplyWaitMs);

    // A second cycle, with replies in three pieces: each is still one reply.
    line.Unit(1)->Update([](support::UnitState& s) { s.internalTemp = 32.5; });
    line.Unit(1)->InjectFault(UnitFault::SplitSegments, 6, 3);
    Tick(c);
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sTIntern) == 32.5; }));
    for (const support::LoggedFrame& f : line.Frames()) {
        EXPECT_TRUE(f.valid) << f.frame;
        EXPECT_EQ(f.address, 1);
    }
    EXPECT_TRUE(w.Memo(TChannelMemo::memSerialData).empty());
    EXPECT_EQ(c.CommError, 0);
    c.Close(3);
    EXPECT_EQ(socket.SocketHandle(), -1);
}

TEST_F(TcpChannel, SettingsAreCheckedStrictly)
{
    FakeChannelWindow& w = TcpWindow(1, 8101);
    CTCPIP c(1);
    ChannelObjects[1] = &c;
    EXPECT_EQ(c.GetAddress(), 1);
    EXPECT_EQ(c.GetPortName(), "");
    EXPECT_EQ(c.GetTypeName(), "");
    EXPECT_STREQ(CTCPIP::PortPreset, "8101");

    w.texts[TChannelControl::edIPAddress] = "010.000.000.001";
    w.texts[TChannelControl::edPort] = "8101";
    ASSERT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.IPAddress, "10.0.0.1");
    EXPECT_EQ(c.TCPPort, "8101");
    EXPECT_EQ(c.Socket()->RemoteAddr, "10.0.0.1");
    EXPECT_EQ(c.Socket()->RemotePort, "8101");
    EXPECT_EQ(c.PollInterval, 5);

    struct Case {
        const char* address;
        const char* port;
    } refused[] = {
        {"   .   .   .   ", "8101"}, {"", "8101"},          {"192.168.  .  1", "8101"}, {"192.168.1.", "8101"},
        {"192.168.1", "8101"},       {"256.0.0.1", "8101"}, {"1.2.3.4.5", "8101"},      {"a.b.c.d", "8101"},
        {"0x7f.0.0.1", "8101"},      {"10.0.0.1", "    "},  {"10.0.0.1", ""},           {"10.0.0.1", "0"},
        {"10.0.0.1", "65536"},       {"10.0.0.1", "81a"},   {"10.0.0.1", "-1"},
    };
    for (const Case& k : refused) {
        w.texts[TChannelControl::edIPAddress] = k.address;
        w.texts[TChannelControl::edPort] = k.port;
        EXPECT_EQ(c.ReadSettings(), 0) << "'" << k.address << "' '" << k.port << "'";
    }
    // A refused input changes nothing that was read before.
    EXPECT_EQ(c.IPAddress, "10.0.0.1");
    EXPECT_EQ(c.Socket()->RemoteAddr, "10.0.0.1");

    w.texts[TChannelControl::edIPAddress] = "  1.  2.  3.254";
    w.texts[TChannelControl::edPort] = "65535";
    ASSERT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.IPAddress, "1.2.3.254");
    EXPECT_EQ(c.TCPPort, "65535");
    w.texts[TChannelControl::cmbActual] = "7";
    EXPECT_EQ(c.ReadSettings(), 0);
}

TEST_F(TcpChannel, WrongChecksumIsReportedAsSynchronisationError)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    const double before = c.SeriesValue(sTIntern);
    line.Unit(1)->Update([](support::UnitState& s) { s.internalTemp = 55; });
    line.Unit(1)->InjectFault(UnitFault::WrongChecksum);
    // The poll thread itself stops the cycle at the faulty reply: no further request goes
    // out, even while the user-interface thread is too busy to look at the reply.
    CTransceiverTCPIP* poll = c.PollThread();
    line.ClearLog();
    Tick(c);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (line.FrameCount() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_EQ(line.FrameCount(), 1u);
    const int passes = poll->PassCount;
    while (poll->PassCount < passes + 5 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_GE(poll->PassCount, passes + 5);
    EXPECT_EQ(line.FrameCount(), 1u);
    ASSERT_TRUE(Await([&] { return c.CommError == 1; }));
    EXPECT_EQ(c.SeriesValue(sTIntern), before);
    ASSERT_EQ(w.Memo(TChannelMemo::memSerialData).size(), 1u);
    EXPECT_EQ(w.Memo(TChannelMemo::memSerialData)[0], "07.12.2026 09:15:30 Error in synchronising !");
    c.Close(3);
}

TEST_F(TcpChannel, RefusedConnectionIsReportedWithItsReasonInOneBox)
{
    // A port that is bound but not listening refuses every connection.
    int blocker = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    socklen_t len = sizeof sa;
    ::getsockname(blocker, reinterpret_cast<sockaddr*>(&sa), &len);
    const int port = ntohs(sa.sin_port);
    FakeChannelWindow& w = TcpWindow(1, port);
    deviceTime.RunOnSteadyClock();
    for (int language : {1, 0}) {
        scope.services.language = language;
        w.results.clear();
        CTCPIP c(1);
        Open(c);
        // The identification's queries fail without raising a box of their own.
        AnsiString reply;
        const AnsiString v = Frame("V07");
        EXPECT_EQ(c.Query('V', 1, v, static_cast<int>(v.size()), 50, nullptr, reply), 1);
        EXPECT_TRUE(reply.empty());
        c.ResumeIdentification();
        TfrmIdentification* verdict = WaitForVerdict(c);
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->GetResult(), 0);
        // The reason with address and port, not the serial check list.
        const AnsiString where = "127.0.0.1:" + IntToStr(port);
        EXPECT_EQ(verdict->MemoLines(),
                  language
                      ? "Device recognition failed.\nNo connection to " + where + ": connection refused"
                      : "Geräteerkennung fehlgeschlagen.\nKeine Verbindung zu " + where + ": Verbindung abgelehnt");
        PressOk(w, verdict);
        c.Close(1);
    }
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    ::close(blocker);
}

// A unit that answers, but only garbage, and one that closes the connection in order
// instead of answering: the verdict says which, not that the unit is silent or that the
// connection was reset.
TEST_F(TcpChannel, FailedIdentificationSaysWhatTheUnitDid)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    const AnsiString where = "127.0.0.1:" + IntToStr(line.TcpPort());
    const struct Case {
        UnitFault fault;
        const char* english;
        const char* german;
    } cases[] = {
        {UnitFault::GarbageFirstByte, " answers, but not with valid replies.",
         " antwortet, aber nicht mit gültigen Antworten."},
        {UnitFault::DropConnection, " closed the connection.", " hat die Verbindung beendet."},
    };
    for (const Case& k : cases)
        for (int language : {1, 0}) {
            scope.services.language = language;
            w.results.clear();
            line.Unit(1)->InjectFault(k.fault, -1);
            // Once the unit has closed the connection nothing can answer any more: the
            // identification's further queries end by their time-outs, whenever they come.
            if (k.fault == UnitFault::DropConnection) deviceTime.RunOnSteadyClock();
            CTCPIP c(1);
            Open(c);
            c.ResumeIdentification();
            TfrmIdentification* verdict = WaitForVerdict(c);
            ASSERT_NE(verdict, nullptr);
            EXPECT_EQ(verdict->GetResult(), 0);
            EXPECT_EQ(verdict->MemoLines(),
                      language ? "Device recognition failed.\nThe unit at " + where + k.english
                               : "Geräteerkennung fehlgeschlagen.\nDas Gerät unter " + where + k.german)
                << int(k.fault);
            PressOk(w, verdict);
            c.Close(1);
            line.Unit(1)->ClearFaults();
        }
}

TEST_F(TcpChannel, LostConnectionIsReconnectedInTheBackground)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    CTransceiverTCPIP* poll = c.PollThread();
    // A standing command (as the programmer sends) that must outlive the reconnection.
    const AnsiString standing = Frame("G0D**0BB8"), follow = Frame("C14*************");
    ASSERT_EQ(
        c.SetPollCommands(standing, static_cast<int>(standing.size()), 24, 1, static_cast<int>(follow.size()), follow),
        1);
    support::TestDialogs().Clear();
    w.memos.clear();

    // The unit's network side goes away: one line, then error ticks without lines.
    line.StopListening();
    for (int tick = 1; tick <= 3; ++tick) {
        Tick(c);
        ASSERT_TRUE(Await([&] { return c.CommError == 1 && poll->IsLinkLost(); })) << tick;
    }
    const AnsiString where = "127.0.0.1:" + IntToStr(line.TcpPort());
    ASSERT_EQ(w.Memo(TChannelMemo::memSerialData),
              std::vector<AnsiString>{"07.12.2026 09:15:30 Connection to " + where + " lost !"});
    // Attempts a few seconds apart, the gaps growing up to a minute.
    EXPECT_EQ(poll->ReconnectAttempts(), 0);
    const int gaps[] = {3000, 6000, 12000, 24000, 48000, 60000, 60000};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(comm::ReconnectDelayMs(i), gaps[i]) << i;
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return poll->ReconnectAttempts() == 1; }));
    clock.AdvanceMs(comm::ReconnectDelayMs(1) - 1);
    int passes = poll->PassCount;
    ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 3; }));
    EXPECT_EQ(poll->ReconnectAttempts(), 1);

    // Back on the same port: the next attempt reconnects and polling goes on as before.
    AnsiString error;
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    clock.AdvanceMs(1);
    ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
    line.ClearLog();
    for (int cycle = 0; cycle < 2; ++cycle) {
        Tick(c);
        ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));
    }
    const auto frames = line.Frames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const auto& f) { return f.frame == standing; }));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.0);
    EXPECT_EQ(w.Memo(TChannelMemo::memSerialData),
              (std::vector<AnsiString>{"07.12.2026 09:15:30 Connection to " + where + " lost !",
                                       "07.12.2026 09:15:39 Connection to " + where + " restored"}));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // Dropped by the unit while it keeps listening: back at the first attempt.
    line.DropConnection();
    Tick(c);
    ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
    // The client's side is connected once the kernel queued it; the unit's accept can come
    // a moment later.
    EXPECT_TRUE(Await([&] { return line.AcceptCount() == 3u; }));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    c.Close(3);
}

// The lines of a lost and a restored link are written in the window's language as it is
// when each comes: German for the loss, English for the return after a switch.
TEST_F(TcpChannel, LinkLinesSpeakTheWindowsLanguage)
{
    StartTcp();
    scope.services.language = 0;
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    CTransceiverTCPIP* poll = c.PollThread();
    w.memos.clear();
    const AnsiString where = "127.0.0.1:" + IntToStr(line.TcpPort());
    // Without the date and time in front.
    auto protocol = [&] {
        std::vector<AnsiString> lines;
        for (const AnsiString& l : w.Memo(TChannelMemo::memSerialData)) lines.push_back(l.substr(19));
        return lines;
    };

    line.StopListening();
    Tick(c);
    ASSERT_TRUE(Await([&] { return c.CommError == 1 && poll->IsLinkLost(); }));
    EXPECT_EQ(protocol(), std::vector<AnsiString>{" Verbindung zu " + where + " unterbrochen !"});

    scope.services.language = 1;
    AnsiString error;
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
    EXPECT_EQ(protocol(), (std::vector<AnsiString>{" Verbindung zu " + where + " unterbrochen !",
                                                   " Connection to " + where + " restored"}));
    c.Close(3);
}

TEST_F(TcpChannel, ReplyInTwoPiecesIsOneReply)
{
    SplittingServer server;
    comm::TCommTiming t = comm::Timing();
    t.ReplyWaitMs = 500;
    comm::SetTiming(t);
    TcpWindow(1, server.port);
    CTCPIP c(1);
    Open(c);
    AnsiString reply;
    const AnsiString g = Frame("G0D******");
    ASSERT_EQ(c.Query('G', 1, g, static_cast<int>(g.size()), 24, nullptr, reply), 0);
    EXPECT_EQ(reply.size(), 24u);
    EXPECT_EQ(reply.back(), '\r');
    const AnsiString v = Frame("V07");
    ASSERT_EQ(c.Query('V', 1, v, static_cast<int>(v.size()), 50, nullptr, reply), 0);
    EXPECT_EQ(reply.size(), 50u);
    EXPECT_EQ(server.answered, 2);

    // The poll thread collects the pieces the same way, and the reply is decoded.
    c.QueueCommand('G', g, 24, 1);
    ASSERT_EQ(c.SetPollCommands(g, static_cast<int>(g.size()), 24, 1, 0, ""), 1);
    c.StartPolling(1);
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && server.answered == 3; }));
    ASSERT_TRUE(Await([&] { return c.SeriesValue(sTIntern) == 24.5; }));
    EXPECT_EQ(c.CommError, 0);
    EXPECT_TRUE(scope.ownWindows[1].Memo(TChannelMemo::memSerialData).empty());
    c.Close(3);
}

TEST_F(TcpChannel, LateReplyIsNotTakenForTheNextOne)
{
    StartTcp();
    TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    Open(c);
    AnsiString reply;
    const AnsiString g = Frame("G0D******");
    const AnsiString v = Frame("V07");
    // The reply is held until the wait for it is over.
    line.Unit(1)->InjectFault(UnitFault::LateReply, 1, 450);
    const std::size_t written = line.RepliesWritten();
    {
        support::ClockMover timeOut(deviceTime.clock, support::StoppedDeviceTime::LongestWaitMs(),
                                    [&] { return line.HoldsReply(); });
        EXPECT_EQ(c.Query('G', 1, g, static_cast<int>(g.size()), 24, nullptr, reply), 1);
    }
    EXPECT_TRUE(reply.empty());
    // It is on the line before the next request goes.
    ASSERT_TRUE(Await([&] { return line.RepliesWritten() > written; }));
    ASSERT_EQ(c.Query('V', 1, v, static_cast<int>(v.size()), 50, nullptr, reply), 0);
    EXPECT_EQ(reply.substr(0, 5), "[S01V");
    EXPECT_EQ(reply.size(), 50u);
    EXPECT_EQ(c.Query('G', 1, g, static_cast<int>(g.size()), 24, nullptr, reply), 0);
    EXPECT_EQ(reply.substr(0, 5), "[S01G");
    c.Close(3);
}

// In polling, a reply that comes after its wait is over reaches the next request: it is a
// synchronisation error there, not that request's values.
// A reply read to its length that does not end with its carriage return holds parts of two
// replies: not decoded though its sum fits, a synchronisation error.
TEST_F(TcpChannel, ARepliesPartsRunTogetherAreNeverDecodedThoughTheirSumFits)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    CTransceiverTCPIP* poll = c.PollThread();
    const double before = c.SeriesValue(sTExtern);
    line.Unit(1)->Update([](support::UnitState& s) { s.processTemp = 33.33; });
    line.Unit(1)->InjectFault(UnitFault::SplicedTail, 1, 19);
    Tick(c);
    ASSERT_TRUE(Await([&] { return c.CommError == 1 || c.SeriesValue(sTExtern) != before; }));
    EXPECT_EQ(c.CommError, 1);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTExtern), before);
    EXPECT_EQ(CountLines(w, " Error in synchronising !"), 1u);
    ASSERT_TRUE(Await([&] {
        c.CommError = 0;
        return c.PollRequest == 0 && poll->Position == 0 && !c.RequestPending();
    }));
    Tick(c);
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sTExtern) == 33.33; }));
    EXPECT_EQ(c.CommError, 0);
    c.Close(3);
}

// A splice of two replies that a carriage return closes, with a sum that fits, differs from
// the reply only in its length: longer and shorter than the sensor block's reply, whose
// fields it holds whole, it is a synchronisation error, never the unit's values; the next
// cycle decodes again.
TEST_F(TcpChannel, ASplicedReplyEndingInItsReturnCountsOnlyAtTheRepliesLength)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    CTransceiverTCPIP* poll = c.PollThread();
    double temperature = 30.0;
    for (int length : {32, 25}) {
        SCOPED_TRACE(length);
        const double before = c.SeriesValue(sT0);
        const std::size_t errors = CountLines(w, " Error in synchronising !");
        temperature += 1.25;
        line.Unit(1)->Update([&](support::UnitState& s) { s.t0 = temperature; });
        // The status reply goes as it is, then the first sensor block's is spliced.
        line.Unit(1)->InjectFault(UnitFault::None);
        line.Unit(1)->InjectFault(UnitFault::SplicedToLength, 1, length);
        Tick(c);
        ASSERT_TRUE(Await([&] { return c.CommError == 1 || c.SeriesValue(sT0) != before; }));
        EXPECT_EQ(c.CommError, 1);
        EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), before);
        EXPECT_EQ(CountLines(w, " Error in synchronising !"), errors + 1);
        ASSERT_TRUE(Await([&] {
            c.CommError = 0;
            return c.PollRequest == 0 && poll->Position == 0 && !c.RequestPending();
        }));
        Tick(c);
        ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sT0) == temperature; }));
        EXPECT_EQ(c.CommError, 0);
    }
    c.Close(3);
}

TEST_F(TcpChannel, LateReplyInPollingIsASynchronisationError)
{
    // The late replies go out when the test says so.
    std::atomic<std::int64_t> replyNow{0};
    line.SetReplyClock([&] { return replyNow.load(); });
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    CTCPIP c(1);
    ConnectAndPoll(c, w);
    CTransceiverTCPIP* poll = c.PollThread();
    ASSERT_DOUBLE_EQ(c.SeriesValue(sTIntern), 24.5);
    line.Unit(1)->Update([](support::UnitState& s) {
        s.internalTemp = 77.0;
        s.t0 = 88.0;
    });
    line.Unit(1)->InjectFault(UnitFault::LateReply, 2, 1000);
    Tick(c);
    ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
    deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    ASSERT_TRUE(Await([&] { return c.CommError == 1 && !c.RequestPending(); }));
    EXPECT_EQ(CountLines(w, " Timeout !"), 1u);
    // The next tick's request (the first sensor block) is out when the status reply comes.
    c.CommError = 0;
    ASSERT_TRUE(Await([&] { return poll->Position == 2 && c.RequestPending(); }));
    replyNow += 1000;
    ASSERT_TRUE(Await([&] { return c.CommError == 1 && !c.RequestPending(); }));
    EXPECT_EQ(CountLines(w, " Error in synchronising !"), 1u);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTIntern), 24.5);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 10.5);
    // The line takes the sensor block's request only once the status reply is out: its own
    // late reply is due a second after that, so it is released only once it is held.
    ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
    const std::size_t written = line.RepliesWritten();
    replyNow += 1000;
    ASSERT_TRUE(Await([&] { return line.RepliesWritten() > written && !line.HoldsReply(); }));
    // Answered in time again: the unit's own values. The sensor block's late reply may still
    // be on its way through the socket and meet the next request as one more synchronisation
    // error, which stops the cycle like any fault; it goes on until the cycle is through.
    ASSERT_TRUE(Await([&] {
        c.CommError = 0;
        return c.PollRequest == 0 && poll->Position == 0 && !c.RequestPending();
    }));
    Tick(c);
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sTIntern) == 77.0; }));
    EXPECT_EQ(c.CommError, 0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 88.0);
    c.Close(3);
}

TEST_F(TcpChannel, OpeningAndClosingLeavesNoDescriptorBehind)
{
    StartTcp();
    FakeChannelWindow& w = TcpWindow(1, line.TcpPort());
    TZSocket windowSocket;
    // Counted while no connection exists, so that the unit's end of one is not counted.
    const int descriptors = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        w.socket = i % 2 ? &windowSocket : nullptr;
        CTCPIP c(1);
        Open(c);
        c.Close(i % 3 == 0 ? 4 : 3);
    }
    // The unit's end of the last connection closes when it sees ours go.
    EXPECT_TRUE(Await([&] { return OpenDescriptors() == descriptors; })) << OpenDescriptors() << " " << descriptors;
}
