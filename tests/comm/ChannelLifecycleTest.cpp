// Opening, settings, closing and failures of the RS232 channel and its threads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QPushButton>

#include <atomic>
#include <cerrno>
#include <fstream>

#include "SerialChannelFixture.h"
#include "comm/SerialPortLink.h"
#include "platform/Exception.h"

using namespace testfakes;
using support::UnitCommand;
using support::UnitFault;

namespace {

long ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

// A channel whose direct exchanges or decoding raise, as a broken step would.
class ThrowingRS232 : public CRS232 {
public:
    using CRS232::CRS232;
    int Query(char letter, int channel, const AnsiString& frame, int frameLength, int replyLength,
              TfrmIdentification* window, AnsiString& reply) override
    {
        if (throwInQuery) throw Exception("broken exchange");
        return CRS232::Query(letter, channel, frame, frameLength, replyLength, window, reply);
    }
    void OnReply(TThread* thread, const AnsiString& reply, int channel) override
    {
        if (throwInReply) throw Exception("broken decoding");
        CRS232::OnReply(thread, reply, channel);
    }
    std::atomic<bool> throwInQuery{false};
    std::atomic<bool> throwInReply{false};
};

const char* const kThreadMessage =
    "A fatal error (thread exception) has been detected. Save your data and restart the application.";

}  // namespace

TEST_F(SerialChannel, InvalidSettingsAreRefusedWithoutException)
{
    StartLine();
    CRS232 c(1);
    ChannelObjects[1] = &c;
    EXPECT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.PortName, line.SlavePath());
    struct Case {
        TChannelControl control;
        AnsiString text;
        int index;
    } cases[] = {
        {TChannelControl::cmbPort, "", -1},
        {TChannelControl::cmbBaudrate, "9601", -1},
        {TChannelControl::cmbBaudrate, "fast", -1},
        {TChannelControl::cmbDataBits, "9", -1},
        {TChannelControl::cmbDataBits, "", -1},
        {TChannelControl::cmbStopBits, "", 1},  // 1.5 stop bits need 5 data bits
        {TChannelControl::cmbStopBits, "", 3},
        {TChannelControl::cmbParity, "", 4},
        {TChannelControl::cmbParity, "", -1},
        {TChannelControl::cmbActual, "7", -1},
        {TChannelControl::cmbActual, "5s", -1},
    };
    for (const Case& k : cases) {
        FakeChannelWindow& w = scope.Window(1);
        auto saveTexts = w.texts;
        auto saveIndexes = w.indexes;
        if (k.index < 0 && (k.control == TChannelControl::cmbStopBits || k.control == TChannelControl::cmbParity))
            w.indexes[k.control] = -1;
        else if (k.index >= 0)
            w.indexes[k.control] = k.index;
        else
            w.texts[k.control] = k.text;
        EXPECT_EQ(c.ReadSettings(), 0) << k.text << " " << k.index;
        w.texts = saveTexts;
        w.indexes = saveIndexes;
    }
    // 1.5 stop bits with 5 data bits and the other list values are fine.
    window.texts[TChannelControl::cmbDataBits] = "5";
    window.indexes[TChannelControl::cmbStopBits] = 1;
    window.texts[TChannelControl::cmbBaudrate] = "14400";
    window.texts[TChannelControl::cmbActual] = "60";
    window.indexes[TChannelControl::cmbParity] = 3;
    EXPECT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.BaudRate, 14400);
    EXPECT_EQ(c.PollInterval, 60);
    EXPECT_EQ(c.Parity, 3);
    EXPECT_EQ(c.ReadTimeout, 1000);
    ChannelObjects[1] = nullptr;
}

TEST_F(SerialChannel, APortThatCannotBeOpenedIsNamedWithTheSystemsReason)
{
    // The platform's own serial port, as the program opens it.
    comm::SetSerialLinkFactory(nullptr);
    const AnsiString regularFile = ::testing::TempDir() + "not-a-port-" + std::to_string(::getpid());
    std::ofstream(regularFile) << "x";
    // A path whose opening is refused for lack of permission. As root a chmod'ed file opens
    // anyway; the kernel's read-only attribute and setting files refuse writing to root too.
    const AnsiString lockedFile = ::testing::TempDir() + "locked-port-" + std::to_string(::getpid());
    std::ofstream(lockedFile) << "x";
    ::chmod(lockedFile.c_str(), 0);
    AnsiString refused;
    for (const AnsiString& path :
         {lockedFile, AnsiString("/sys/kernel/uevent_seqnum"), AnsiString("/proc/sys/kernel/ngroups_max")}) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        if (fd < 0 && errno == EACCES) {
            refused = path;
            break;
        }
    }
    struct Case {
        AnsiString port;
        AnsiString message;
    };
    std::vector<Case> cases = {
        {"/dev/does-not-exist", "Serial port not accessible!\nSerial port /dev/does-not-exist does not exist."},
        {regularFile, "Serial port not accessible!\n" + regularFile + " is not a serial device."},
    };
    if (!refused.empty())
        cases.push_back({refused, "Serial port not accessible!\nNo permission to open serial port " + refused +
                                      ". The user must be a member of the 'dialout' group (sudo usermod -aG dialout "
                                      "$USER, then log in again)."});
    for (const Case& k : cases) {
        window.texts[TChannelControl::cmbPort] = k.port;
        CRS232 c(1);
        ChannelObjects[1] = &c;
        // The settings are fine; opening tells what is wrong with the port.
        ASSERT_EQ(c.ReadSettings(), 1) << k.port;
        support::TestDialogs().Clear();
        EXPECT_EQ(c.Open(), 0) << k.port;
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u) << k.port;
        EXPECT_EQ(support::TestDialogs().LastMessage().text, k.message);
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error");
        EXPECT_EQ(TransceiverThreads[1], nullptr);
        ChannelObjects[1] = nullptr;
    }
    ::unlink(lockedFile.c_str());
    ::unlink(regularFile.c_str());
    if (refused.empty()) GTEST_SKIP() << "no path refuses opening here: the permission message was not checked";
}

TEST_F(SerialChannel, OpenFailureShowsTheReasonAndCreatesNothing)
{
    comm::SetSerialLinkFactory([](const comm::TSerialLinkSettings&, AnsiString& error) {
        error = "Device or resource busy";
        return std::shared_ptr<comm::IByteLink>();
    });
    window.texts[TChannelControl::cmbPort] = "/dev/null";
    CRS232 c(1);
    ChannelObjects[1] = &c;
    ASSERT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.Open(), 0);
    auto box = support::TestDialogs().LastMessage();
    EXPECT_EQ(box.text, "Serial port not accessible!\n/dev/null: Device or resource busy");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.flags, MB_OK);
    EXPECT_EQ(TransceiverThreads[1], nullptr);
    EXPECT_EQ(c.Identification, nullptr);
    scope.services.language = 0;
    EXPECT_EQ(c.Open(), 0);
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Fehler");
    // Without a poll thread the operations that need one do nothing.
    EXPECT_EQ(c.SetPollCommands("x", 1, 24, 1, 0, ""), 0);
    c.SetOneShot(1);
    c.QueueCommand('G', "x", 24, 1);
    c.StartPolling(1);
    c.Close(3);
    ChannelObjects[1] = nullptr;
}

TEST_F(SerialChannel, ClosingAPollingChannelIsPromptAndLeavesNothingOpen)
{
    StartLine();
    // A first run loads what the process keeps for good (fonts of the window and such).
    {
        CRS232 warm(1);
        Connect(warm);
        PressOkAndWaitForResult(WaitForVerdict(warm));
        warm.Close(3);
    }
    window.results.clear();
    const int descriptors = OpenDescriptors();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    // Close in the middle of a cycle, while the thread waits for a reply that never comes.
    deviceTime.timeOutUnanswered = false;
    comm::TCommTiming slow = comm::Timing();
    slow.ReadTimeoutMs = 20000;
    comm::SetTiming(slow);
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    line.First().InjectFault(UnitFault::NoReply, -1);
    std::size_t sent = line.FrameCount();
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() > sent; }));
    scope.services.current = 2;  // another window is active: the channel closes its own
    auto start = std::chrono::steady_clock::now();
    c.Close(3);
    EXPECT_LT(ElapsedMs(start), 5000);  // far below the read time-out, and no deadlock
    c.Close(3);
    EXPECT_EQ(c.PollThread(), nullptr);
    EXPECT_EQ(TransceiverThreads[1], nullptr);
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(OpenDescriptors(), descriptors);
    line.First().ClearFaults();
}

TEST_F(SerialChannel, ClosingDuringIdentificationReportsNothing)
{
    StartLine();
    line.First().Update([](support::UnitState& s) { s.answers = 0; });  // every try waits its time-out
    deviceTime.timeOutUnanswered = false;                               // which does not come
    comm::TCommTiming slow = comm::Timing();
    slow.ReadTimeoutMs = 20000;
    comm::SetTiming(slow);
    const int descriptors = OpenDescriptors();
    {
        CRS232 c(1);
        Connect(c);
        ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= 1; }));
        auto start = std::chrono::steady_clock::now();
        c.Close(2);
        EXPECT_LT(ElapsedMs(start), 5000);
        EXPECT_EQ(c.Identification, nullptr);
    }
    platform::UiDispatcher::Instance().ProcessPending();
    EXPECT_TRUE(window.Results().empty());
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(SerialChannel, FailedIdentificationClosedFromItsOwnReport)
{
    StartLine();
    line.First().Update([](support::UnitState& s) { s.answers = 0; });
    CRS232 c(1);
    // The window cleans up a failed attempt right in its handler, inside the
    // identification's last step: the thread must not be joined from there.
    window.onConnectionEstablished = [&](int, int result) {
        if (result == 0) c.Close(1);
    };
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    EXPECT_EQ(window.Results(), std::vector<int>{0});
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(c.Identification, nullptr);
    c.Close(2);
    // The identification thread is freed once it has run out.
    EXPECT_TRUE(WaitUntil([] { return platform::UiDispatcher::Instance().ProcessPending() == 0; }));
}

TEST_F(SerialChannel, ExceptionInTheIdentificationReportsFailure)
{
    StartLine();
    ThrowingRS232 c(1);
    c.throwInQuery = true;
    Connect(c);
    ASSERT_TRUE(WaitUntil([&] { return !window.Results().empty() && support::TestDialogs().MessageCount() > 0; }));
    EXPECT_EQ(window.Results(), std::vector<int>{0});
    auto box = support::TestDialogs().LastMessage();
    EXPECT_EQ(box.text, kThreadMessage);
    EXPECT_EQ(box.caption, "Warning");
    c.Close(1);
}

TEST_F(SerialChannel, PollThreadExceptionIsShownOncePerEpisode)
{
    StartLine();
    ThrowingRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && poll->Position == 0; }));
    support::TestDialogs().Clear();

    c.throwInReply = true;
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1; }));
    for (int tick = 0; tick < 3; ++tick) {  // each tick clears the flag, the next reply raises again
        int passes = poll->PassCount;
        c.CommError = 0;
        ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 2 && c.CommError == 1; }));
    }
    platform::UiDispatcher::Instance().ProcessPending();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, kThreadMessage);

    // Good steps end the episode; the next failure is reported again.
    c.throwInReply = false;
    c.CommError = 0;
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    c.throwInReply = true;
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return support::TestDialogs().MessageCount() == 2; }));
    c.Close(3);
}

TEST_F(SerialChannel, DirectExchangesCheckTheReplyBeforeReadingIt)
{
    StartLine();
    CRS232 c(1);
    // Opened without starting the identification: the direct exchanges below are ours, and
    // each reads for its whole time-out (a close would cut the reads short).
    channelObject = &c;
    ChannelObjects[1] = &c;
    ASSERT_EQ(c.ReadSettings(), 1);
    ASSERT_EQ(c.Open(), 1);
    ASSERT_TRUE(c.IsOpen());
    AnsiString reply;
    const AnsiString s2 = CTolvarProtocol::BuildCommandFrame("S082", 1);
    const AnsiString s1 = CTolvarProtocol::BuildCommandFrame("S081", 1);
    EXPECT_EQ(c.QuerySub("S2", 1, s2, 11, 31, nullptr, reply), 0);
    EXPECT_EQ(reply.size(), 31u);
    EXPECT_EQ(reply.back(), '\r');  // line ends stay in a direct reply
    EXPECT_EQ(c.QuerySub("S2", 1, s1, 11, 31, nullptr, reply), 1);
    line.First().InjectFault(UnitFault::Truncated, 1, 7);
    EXPECT_EQ(c.QuerySub("S1", 1, s1, 11, 31, nullptr, reply), 1);
    EXPECT_EQ(reply.size(), 7u);
    line.First().InjectFault(UnitFault::Truncated, 1, 4);
    EXPECT_EQ(c.Query('G', 1, CTolvarProtocol::BuildCommandFrame("G0D******", 1), 16, 24, nullptr, reply), 1);
    // A reply length far beyond any reply is cut, the exchange still works (the read
    // waits for more until its time-out, which comes once the whole reply is out).
    {
        const std::size_t written = line.RepliesWritten();
        support::ClockMover timeOut(deviceTime.clock, support::StoppedDeviceTime::LongestWaitMs(),
                                    [&] { return line.RepliesWritten() > written; });
        EXPECT_EQ(c.Query('V', 1, CTolvarProtocol::BuildCommandFrame("V07", 1), 10, 100000, nullptr, reply), 0);
    }
    EXPECT_EQ(reply.size(), 50u);
    EXPECT_EQ(c.QuerySub("S", 1, s1, 11, 31, nullptr, reply), 1);
    c.Close(3);
}

TEST_F(SerialChannel, TwoIdentificationsAtOnceKeepTheirOwnResults)
{
    StartLine();
    std::atomic<bool> goodDone{false};  // outlives the silent line, whose thread reads it
    support::SimulatedUnitLine silent;
    support::UnitState s;
    s.answers = 0;
    silent.AddUnit(s);
    // Both lines run on one device clock: a time-out moved on for the silent unit would also
    // end a read of the good unit whose reply the machine has not delivered yet. The silent
    // unit's requests time out once the good unit's identification has its verdict (each
    // read's end is fixed before its request reaches the unit, so the move after the verdict
    // ends the request waiting then).
    // The hook is the line thread's: it is set before that thread starts.
    silent.SetUnansweredHook([&] {
        if (goodDone) deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    });
    ASSERT_TRUE(silent.StartPty());
    FakeChannelWindow& second = scope.Window(2);
    second.texts = window.texts;
    second.indexes = window.indexes;
    second.texts[TChannelControl::cmbPort] = silent.SlavePath();

    CRS232 good(1), bad(2);
    ChannelObjects[2] = &bad;
    ASSERT_EQ(bad.ReadSettings(), 1);
    ASSERT_EQ(bad.Open(), 1);
    bad.ResumeIdentification();
    Connect(good);
    TfrmIdentification* w1 = WaitForVerdict(good);
    goodDone = true;
    deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    TfrmIdentification* w2 = WaitForVerdict(bad);
    ASSERT_NE(w1, nullptr);
    ASSERT_NE(w2, nullptr);
    EXPECT_EQ(w1->Tag, 1);
    EXPECT_EQ(w2->Tag, 2);
    EXPECT_EQ(w1->GetResult(), 1);
    EXPECT_EQ(w2->GetResult(), 0);
    // OK in one window ends only that identification.
    w2->bitOKClick();
    ASSERT_TRUE(WaitUntil([&] { return !second.Results().empty(); }));
    EXPECT_EQ(second.Results(), std::vector<int>{0});
    EXPECT_TRUE(window.Results().empty());
    EXPECT_EQ(w1->GetOkPressed(), 0);
    PressOkAndWaitForResult(w1);
    EXPECT_EQ(window.Results(), std::vector<int>{1});
    good.Close(3);
    bad.Close(1);
}

TEST_F(SerialChannel, IdentificationWindowInBothLanguages)
{
    StartLine();
    line.First().Update([](support::UnitState& s) { s.answers = 0; });
    scope.services.language = 0;
    CRS232 c(1);
    Connect(c);
    TfrmIdentification* w = WaitForVerdict(c);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "Geräteerkennung");
    EXPECT_EQ(w->MemoLines(),
              "Geräteerkennung fehlgeschlagen.\nBitte überprüfen Sie die folgenden Punkte:\n"
              " - eingestellte Baudrate\n - die Anschlüsse des Verbindungskabels\n"
              " - eingestellte Slave Adresse am Gerät\n"
              " - für RS232-Verbindung muss die Slave Adresse 1 gewählt werden\n - RS232 oder RS485 Modus am Gerät");
    EXPECT_EQ(w->bitOK->text().toStdString(), "OK");
    EXPECT_TRUE(w->isVisible());
    // The window cannot be left before OK.
    w->close();
    EXPECT_TRUE(w->isVisible());
    PressOkAndWaitForResult(w);
    c.Close(1);

    // A good run in English, with the bar filled by the 27 tries alone.
    line.First().Update([](support::UnitState& s) { s.answers = support::AllCommands; });
    scope.services.language = 1;
    window.results.clear();
    CRS232 d(1);
    Connect(d);
    w = WaitForVerdict(d);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "Device recognition");
    EXPECT_EQ(w->MemoLines().substr(0, 29), "The device was identified as ");
    PressOkAndWaitForResult(w);
    d.Close(3);
}

TEST(IdentificationWindow, ProgressStepsAndFlagsPerWindow)
{
    TfrmIdentification a, b;
    for (int i = 0; i < 27; ++i) a.StepIt();
    EXPECT_EQ(a.Position(), 135);
    EXPECT_EQ(a.Max(), 135);
    EXPECT_FALSE(a.OkEnabled());
    a.SetResult(1);
    a.bitOKClick();
    EXPECT_EQ(a.GetOkPressed(), 1);
    EXPECT_EQ(b.GetOkPressed(), 0);
    EXPECT_EQ(b.GetResult(), 0);
    // At least the design size; more where the font needs room for the whole report.
    EXPECT_GE(a.width(), 359);
    EXPECT_GE(a.height(), 166);
}

TEST_F(SerialChannel, SerialPortCarriesTheLineSettingsAndIsExclusive)
{
    StartLine();
    comm::SetSerialLinkFactory(nullptr);  // the platform's serial port
    window.texts[TChannelControl::cmbBaudrate] = "4800";
    window.texts[TChannelControl::cmbDataBits] = "7";
    window.indexes[TChannelControl::cmbParity] = 1;    // ODD
    window.indexes[TChannelControl::cmbStopBits] = 2;  // 2
    CRS232 c(1);
    Connect(c);
    auto* link = dynamic_cast<comm::SerialPortLink*>(c.Handle.get());
    ASSERT_NE(link, nullptr);
    termios t{};
    ASSERT_EQ(::tcgetattr(link->Port().Fd(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B4800));
    // A pseudo-terminal always reports 8 data bits without parity enable; the odd-parity
    // and stop-bit flags stay as set.
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & (ECHO | ICANON));
    EXPECT_FALSE(t.c_iflag & ICRNL);

    // A second channel on the same port is refused with the reason.
    FakeChannelWindow& second = scope.Window(2);
    second.texts = window.texts;
    second.indexes = window.indexes;
    CRS232 other(2);
    ChannelObjects[2] = &other;
    ASSERT_EQ(other.ReadSettings(), 1);
    EXPECT_EQ(other.Open(), 0);
    auto box = support::TestDialogs().LastMessage();
    EXPECT_EQ(box.text.substr(0, 28), "Serial port not accessible!\n");
    EXPECT_NE(box.text.find("in use"), AnsiString::npos) << box.text;
    EXPECT_EQ(TransceiverThreads[2], nullptr);

    // The identification runs over the real port too.
    TfrmIdentification* w = WaitForVerdict(c);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetResult(), 1);
    PressOkAndWaitForResult(w);
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && line.FrameCount() >= 33; }));
    c.Close(3);
    // Closed: the port can be opened again.
    EXPECT_EQ(other.Open(), 1);
    other.Close(3);
}

TEST(IdentificationWindow, TakesTheFocusBackUntilOk)
{
    TfrmIdentification w;
    w.show();
    w.activateWindow();
    QWidget other;
    other.show();
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return w.isActiveWindow();
    }));
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return w.Beeps >= 1 && w.isActiveWindow();
    }));
    // After OK the focus is free.
    w.bitOKClick();
    int beeps = w.Beeps;
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return other.isActiveWindow();
    }));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Beeps, beeps);
    EXPECT_TRUE(other.isActiveWindow());
}
