// The RS232 channel end to end against the simulated unit on a pseudo-terminal:
// identification, poll cycles, one-shot commands, errors and closing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "SerialChannelFixture.h"
#include "comm/CIdentification.h"
#include "comm/CRS232.h"
#include "comm/CTransceiver.h"
#include "comm/CommTiming.h"
#include "comm/DeviceCommandQueue.h"
#include "comm/SerialPortLink.h"
#include "platform/DateTime.h"
#include "platform/UiDispatcher.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

using namespace testfakes;
using support::UnitCommand;
using support::UnitFault;

TEST_F(SerialChannel, FullIdentificationThenPolling)
{
    StartLine();
    CRS232 c(1);
    Connect(c);
    EXPECT_EQ(window.SamplingInterval, 5);
    EXPECT_EQ(opened.BaudRate, 9600);
    TfrmIdentification* w = WaitForVerdict(c);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetResult(), 1);
    EXPECT_EQ(w->MemoColor(), 0x008000u);
    EXPECT_EQ(w->MemoFontColor(), 0xFFFFFFu);
    EXPECT_EQ(w->Position(), 135);
    EXPECT_EQ(w->windowTitle().toStdString(), "Device recognition");
    EXPECT_EQ(w->MemoLines(),
              "The device was identified as SIMULATOR UNIT 200\n"
              "Serial number of the device: 12345678\n"
              "The setpoint limits of the device are:\n"
              "  upper limit: 200 \xC2\xB0"
              "C\n"
              "  lower limit: -40 \xC2\xB0"
              "C\n"
              "The device supports the QDK commands: V F G L S1 S2 S3 C P");
    // Three tries per stage, in stage order.
    auto commands = CommandsSince(0);
    const char* order[] = {"V07",  "F07",  "G0D******",        "L0F********", "S081",
                           "S082", "S083", "C14*************", "P10*********"};
    ASSERT_EQ(commands.size(), 27u);
    for (std::size_t i = 0; i < 27; ++i) EXPECT_EQ(commands[i], order[i / 3]) << i;

    // The poll queue: G, S1, S2, S3, C, P with the follow-up in row 4.
    CTransceiverRS232* poll = Poll(c);
    ASSERT_NE(poll, nullptr);
    ASSERT_EQ(poll->Protocol->GetCount(), 6);
    const int rows[] = {0, 2, 3, 4, 5, 7};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(poll->Protocol->GetQueueEntry(i, 0), poll->Protocol->GetEntry(rows[i], 0));
    EXPECT_EQ(poll->FollowUpRow, 4);
    for (int s : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19, 20, 21})
        EXPECT_EQ(window.active[s], 1) << s;
    EXPECT_EQ(window.active[16], 0);
    EXPECT_EQ(c.GetDeviceName(), "SIMULATOR UNIT 200");
    EXPECT_EQ(window.SerialNumber, 12345678u);

    // After OK: the result reaches the window, which starts polling; the first cycle needs
    // no tick.
    line.ClearLog();
    PressOkAndWaitForResult(w);
    EXPECT_EQ(window.Results(), std::vector<int>{1});
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= 6 && c.PollRequest == 0; }));
    auto frames = line.Frames();
    commands = CommandsSince(0);
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0], "G0D******");
    EXPECT_EQ(commands[1], "S081");
    EXPECT_EQ(commands[4], "C14*************");
    EXPECT_EQ(commands[5], "P10*********");
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_GE(frames[i].timeMs - frames[i - 1].timeMs, kStepMs - 1);

    // Without a request nothing goes out, though the loop keeps passing.
    int passes = poll->PassCount;
    ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 4; }));
    EXPECT_EQ(line.FrameCount(), 6u);
    // A tick starts the next cycle with the stored status and follow-up frames.
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= 12 && c.PollRequest == 0; }));
    commands = CommandsSince(6);
    EXPECT_EQ(commands[0], "G0D******");
    EXPECT_EQ(commands[4], "C14*************");
    EXPECT_EQ(c.CommError, 0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTIntern), 24.5);

    c.Close(3);
    EXPECT_EQ(c.PollThread(), nullptr);
    EXPECT_FALSE(c.IsOpen());
}

TEST_F(SerialChannel, IdentificationOutcomesPerStage)
{
    struct Case {
        const char* what;
        unsigned answers;
        int result;
        int queued;
        bool groupFiveHidden;
        unsigned garbled = 0;
    } cases[] = {
        {"C silent", support::AllCommands & ~support::CommandBit(UnitCommand::C), 1, 5, true},
        {"S2 silent", support::AllCommands & ~support::CommandBit(UnitCommand::S2), 1, 2, false},
        {"V silent", support::AllCommands & ~support::CommandBit(UnitCommand::V), 0, 0, false},
        {"G silent", support::AllCommands & ~support::CommandBit(UnitCommand::G), 0, 0, false},
        {"F and L unreadable", support::AllCommands, 1, 6, false,
         support::CommandBit(UnitCommand::F) | support::CommandBit(UnitCommand::L)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        support::SimulatedUnitLine local;
        support::UnitState s;
        s.answers = k.answers;
        s.garbled = k.garbled;
        local.AddUnit(s);
        ASSERT_TRUE(local.StartPty());
        window.texts[TChannelControl::cmbPort] = local.SlavePath();
        window.results.clear();
        window.active.assign(ValueCount, -1);
        window.LowerSetpointLimit = -999.9;
        window.UpperSetpointLimit = 999.9;
        {
            CRS232 c(1);
            Connect(c);
            TfrmIdentification* w = WaitForVerdict(c);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->GetResult(), k.result);
            EXPECT_EQ(c.PollThread()->Protocol->GetCount(), k.queued);
            AnsiString memo = w->MemoLines();
            if (k.result == 0) {
                EXPECT_EQ(memo,
                          "Device recognition failed.\nPlease check the following things:\n - selected baud rate\n"
                          " - the connectivity of the data cable\n - selected slave address at the device\n"
                          " - for RS232 interface mode, slave address 1 has to be selected\n"
                          " - RS232 or RS485 interface mode at the device");
                EXPECT_EQ(w->MemoColor(), 0x0000FFu);
                EXPECT_EQ(w->FirstVisibleLine(), 0);  // the verdict line is in view
                // After the verdict no stage asks the unit again.
                EXPECT_EQ(local.Unit(1)->RequestCount(UnitCommand::P), 0);
            }
            if (AnsiString(k.what) == "S2 silent") {
                EXPECT_NE(memo.find("The device supports the QDK commands G, V and L."), AnsiString::npos);
                EXPECT_EQ(local.Unit(1)->RequestCount(UnitCommand::S3), 0);
                EXPECT_EQ(local.Unit(1)->RequestCount(UnitCommand::C), 0);
                EXPECT_EQ(w->Position(), 135);
            }
            if (k.garbled) {
                // Answered, but nothing readable: no number, no limits, and the checks keep
                // their wide defaults.
                EXPECT_NE(memo.find("The device did not report a serial number."), AnsiString::npos);
                EXPECT_NE(memo.find("The device did not report setpoint limits."), AnsiString::npos);
                EXPECT_EQ(memo.find("Serial number of the device:"), AnsiString::npos);
                EXPECT_EQ(memo.find("upper limit"), AnsiString::npos);
                EXPECT_DOUBLE_EQ(window.UpperSetpointLimit, 999.9);
                EXPECT_DOUBLE_EQ(window.LowerSetpointLimit, -999.9);
            }
            if (k.groupFiveHidden) {
                EXPECT_EQ(window.active[15], 0);
                EXPECT_EQ(window.legend[15], 0);
                EXPECT_EQ(local.Unit(1)->RequestCount(UnitCommand::P), 3);
                EXPECT_EQ(memo.substr(memo.rfind('\n') + 1),
                          "The device supports the QDK commands: V F G L S1 S2 S3 P");
                EXPECT_EQ(c.PollThread()->FollowUpRow, -1);
            }
            PressOkAndWaitForResult(w);
            EXPECT_EQ(window.Results(), std::vector<int>{k.result});
            c.Close(k.result ? 3 : 1);
        }
    }
}

TEST_F(SerialChannel, TwoOfThreeTriesCountAndTheLastGoodReplyIsDecoded)
{
    StartLine();
    support::SimulatedUnit& unit = line.First();
    unit.SetAnswerPattern(UnitCommand::F, "001");  // one of three: not answered
    unit.SetAnswerPattern(UnitCommand::L, "110");  // two of three, the third silent
    unit.SetAnswerPattern(UnitCommand::C, "011");  // two of three
    CRS232 c(1);
    Connect(c);
    TfrmIdentification* w = WaitForVerdict(c);
    ASSERT_NE(w, nullptr);
    AnsiString memo = w->MemoLines();
    EXPECT_EQ(memo.find("Serial number"), AnsiString::npos);
    EXPECT_EQ(c.GetDeviceNumber(), "");
    // The limits come from the second try, the last that passed.
    EXPECT_NE(memo.find("  upper limit: 200"), AnsiString::npos);
    EXPECT_DOUBLE_EQ(window.UpperSetpointLimit, 200.0);
    EXPECT_EQ(memo.substr(memo.rfind('\n') + 1), "The device supports the QDK commands: V G L S1 S2 S3 C P");
    EXPECT_EQ(c.PollThread()->FollowUpRow, 4);
    PressOkAndWaitForResult(w);
    c.Close(3);
}

TEST_F(SerialChannel, OneShotGoesOutInTwoCyclesThenTheStatusReturns)
{
    StartStatusOnlyLine();
    CRS232 c(1);
    ASSERT_TRUE(ConnectAndWaitForStatusPolling(c));
    CTransceiverRS232* poll = c.PollThread();
    EXPECT_EQ(poll->Protocol->GetCount(), 1);

    // No tick asks for a cycle: the command goes out at once, in exactly two cycles of its
    // own, and the status stands again for the ticks that follow.
    line.ClearLog();
    AnsiString command = CTolvarProtocol::BuildCommandFrame("G0DI*0BB8", 1);  // internal control, 30.00
    AnsiString follow = CTolvarProtocol::BuildCommandFrame("C14*************", 1);
    ASSERT_EQ(
        c.SetPollCommands(command, static_cast<int>(command.size()), 24, 1, static_cast<int>(follow.size()), follow),
        1);
    c.SetOneShot(1);
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= 2 && !c.OneShotInProgress(); }));
    EXPECT_EQ(c.PollRequest, 0);
    for (int cycle = 0; cycle < 2; ++cycle) {
        c.PollRequest = 1;
        ASSERT_TRUE(
            WaitUntil([&] { return line.FrameCount() >= static_cast<std::size_t>(cycle + 3) && c.PollRequest == 0; }));
    }
    EXPECT_EQ(CommandsSince(0), (std::vector<AnsiString>{"G0DI*0BB8", "G0DI*0BB8", "G0D******", "G0D******"}));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.0);
    EXPECT_EQ(line.First().State().controlMode, 'I');
    c.Close(3);
}

TEST_F(SerialChannel, ATickBetweenACyclesLastFrameAndTheNextStepGetsACycle)
{
    StartStatusOnlyLine();
    CRS232 c(1);
    ASSERT_TRUE(ConnectAndWaitForStatusPolling(c));
    line.ClearLog();
    // The status reply is the cycle's only and last frame; the tick comes while it is
    // decoded, before the thread's next refill.
    bool ticked = false;
    window.onControlStatus = [&] {
        if (!ticked) c.PollRequest = 1;
        ticked = true;
    };
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return ticked && c.PollRequest == 0; }));
    window.onControlStatus = nullptr;
    EXPECT_EQ(CommandsSince(0), (std::vector<AnsiString>{"G0D******", "G0D******"}));
    c.Close(3);
}

TEST_F(SerialChannel, StandingCommandAfterOneShotIsNotOverwritten)
{
    StartStatusOnlyLine();
    CRS232 c(1);
    ASSERT_TRUE(ConnectAndWaitForStatusPolling(c));
    AnsiString oneShot = CTolvarProtocol::BuildCommandFrame("G0DI*0BB8", 1);
    AnsiString standing = CTolvarProtocol::BuildCommandFrame("G0D**0FA0", 1);
    line.ClearLog();
    // The programmer's standing command right behind a one-shot: the one-shot goes out in
    // one cycle, the standing command follows it at once, without waiting for a tick, and
    // stays from then on instead of the status frame.
    ASSERT_EQ(c.SetPollCommands(oneShot, static_cast<int>(oneShot.size()), 24, 1, 0, ""), 1);
    c.SetOneShot(1);
    ASSERT_EQ(c.SetPollCommands(standing, static_cast<int>(standing.size()), 24, 1, 0, ""), 1);
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= 2 && !c.OneShotInProgress() && !c.CycleUnderWayOrDue(); }));
    EXPECT_EQ(CommandsSince(0), (std::vector<AnsiString>{"G0DI*0BB8", "G0D**0FA0"}));
    for (int cycle = 2; cycle < 5; ++cycle) {
        c.PollRequest = 1;
        ASSERT_TRUE(
            WaitUntil([&] { return line.FrameCount() >= static_cast<std::size_t>(cycle + 1) && c.PollRequest == 0; }));
    }
    auto commands = CommandsSince(0);
    EXPECT_EQ(commands, (std::vector<AnsiString>{"G0DI*0BB8", "G0D**0FA0", "G0D**0FA0", "G0D**0FA0", "G0D**0FA0"}));
    c.Close(3);
}

// A program's step handed over while a standing command's own cycle is under way, and
// withdrawn at once by a hold that gives a standing command of its own: the cycle under way
// runs to its end without a tick (the next may be a minute away), the hold's command follows
// in a cycle of its own, and the withdrawn step never goes out.
TEST_F(SerialChannel, AStepWithdrawnWhileAStandingCommandsCycleIsUnderWayLetsThatCycleEnd)
{
    // Every reply waits until the test lets it go: the poll thread stands where the test wants.
    std::atomic<std::int64_t> replyNow{0};
    line.SetReplyClock([&] { return replyNow.load(); });
    StartLine();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && !c.CycleUnderWayOrDue(); }));
    line.First().InjectFault(UnitFault::LateReply, 1000, 10);
    auto idle = [&] { return c.PollRequest == 0 && !c.CycleUnderWayOrDue(); };
    // Lets the held reply go once its request is in.
    auto release = [&] {
        ASSERT_TRUE(WaitUntil([&] { return line.HoldsReply(); }));
        const std::size_t written = line.RepliesWritten();
        replyNow += 10;
        ASSERT_TRUE(WaitUntil([&] { return line.RepliesWritten() > written; }));
    };
    auto frame = [](const char* command) { return CTolvarProtocol::BuildCommandFrame(command, 1); };
    const AnsiString follow = frame("C14*************");
    const AnsiString standing = frame("G0D**0FA0"), step = frame("G0D**1194"), held = frame("G0D**0BB8");

    line.ClearLog();
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return line.HoldsReply(); }));
    // Given while the tick's cycle is under way: it goes in a cycle of its own after that one.
    ASSERT_EQ(c.SetPollCommands(standing, int(standing.size()), 24, 1, int(follow.size()), follow), 1);
    for (int row = 0; row < 6; ++row) ASSERT_NO_FATAL_FAILURE(release());
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() == 7 && line.HoldsReply(); }));
    ASSERT_EQ(CommandsSince(6), std::vector<AnsiString>{"G0D**0FA0"});
    ASSERT_EQ(c.PollRequest, 0);

    DeviceCommandQueue commands;
    ASSERT_EQ(commands.Add(c, {step, follow, 24, true, true}), DeviceCommandQueue::TResult::Taken);
    ASSERT_TRUE(commands.ReplaceStanding(c, {held, follow, 24, false, true}));
    for (int i = 0; i < 20 && !idle(); ++i) {
        ASSERT_TRUE(WaitUntil([&] { return line.HoldsReply() || idle(); }))
            << "the cycle stopped after " << CommandsSince(6).size() << " frames";
        if (line.HoldsReply()) {
            ASSERT_NO_FATAL_FAILURE(release());
        }
    }
    ASSERT_TRUE(WaitUntil(idle));
    EXPECT_EQ(CommandsSince(6),
              (std::vector<AnsiString>{"G0D**0FA0", "S081", "S082", "S083", "C14*************", "P10*********",
                                       "G0D**0BB8", "S081", "S082", "S083", "C14*************", "P10*********"}));
    line.First().ClearFaults();
    c.Close(3);
}

// A program's step handed over as a one-shot, and withdrawn by a hold just as the poll thread
// has found its cycle due and is about to take the first frame: no frame goes, and no cycle
// stands half sent until the next tick. The hold's command goes with that tick.
TEST_F(SerialChannel, AStepWithdrawnAsItsCycleIsAboutToBeginLeavesNoCycleHalfSent)
{
    // The poll thread waits where the test armed it, until the test lets it go on.
    std::mutex m;
    std::condition_variable cv;
    bool armed = false, reached = false, released = false;
    StartLine();
    CRS232 c(1);
    Connect(c);
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_NE(poll, nullptr);
    poll->BeforeFrameTaken = [&] {
        std::unique_lock<std::mutex> l(m);
        if (!std::exchange(armed, false)) return;
        reached = true;
        cv.notify_all();
        cv.wait_for(l, std::chrono::seconds(10), [&] { return released; });
    };
    struct Release {
        std::mutex& m;
        std::condition_variable& cv;
        bool& released;
        void operator()()
        {
            const std::lock_guard<std::mutex> l(m);
            released = true;
            cv.notify_all();
        }
        ~Release() { (*this)(); }
    } release{m, cv, released};
    PressOkAndWaitForResult(WaitForVerdict(c));
    auto idle = [&] { return c.PollRequest == 0 && !c.CycleUnderWayOrDue(); };
    ASSERT_TRUE(WaitUntil(idle));
    auto frame = [](const char* command) { return CTolvarProtocol::BuildCommandFrame(command, 1); };
    const AnsiString follow = frame("C14*************");
    const AnsiString step = frame("G0D**1194"), held = frame("G0D**0BB8");

    line.ClearLog();
    {
        const std::lock_guard<std::mutex> l(m);
        armed = true;
    }
    DeviceCommandQueue commands;
    ASSERT_EQ(commands.Add(c, {step, follow, 24, true, true}), DeviceCommandQueue::TResult::Taken);
    {
        std::unique_lock<std::mutex> l(m);
        ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(10), [&] { return reached; }));
    }
    ASSERT_TRUE(commands.ReplaceStanding(c, {held, follow, 24, false, true}));
    release();
    const int passes = poll->PassCount;
    ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 2; }));
    EXPECT_TRUE(idle()) << "the cycle stands at row " << int(poll->Position);
    EXPECT_EQ(line.FrameCount(), 0u);

    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return idle() && line.FrameCount() >= 6; }));
    EXPECT_EQ(CommandsSince(0),
              (std::vector<AnsiString>{"G0D**0BB8", "S081", "S082", "S083", "C14*************", "P10*********"}));
    c.Close(3);
}

TEST_F(SerialChannel, TimeoutSynchronisationAndPortErrors)
{
    StartLine();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && poll->Position == 0; }));

    // S2 silent once: time-out line, the rest of the cycle waits for the tick.
    line.ClearLog();
    line.First().SetAnswerPattern(UnitCommand::S2, "0");
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1; }));
    int passes = poll->PassCount;
    ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 3; }));
    auto commands = CommandsSince(0);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[2], "S082");
    auto protocol = window.Memo(TChannelMemo::memSerialData);
    ASSERT_EQ(protocol.size(), 1u);
    EXPECT_EQ(protocol[0], "07.12.2026 09:15:30 Timeout !");
    // The tick clears the flag; the cycle goes on with the next row.
    c.CommError = 0;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    commands = CommandsSince(0);
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[3], "S083");

    // A garbage first byte: synchronisation line, purge and discard, nothing decoded.
    line.First().Update([](support::UnitState& s) { s.t0 = 99.0; });
    line.First().InjectFault(UnitFault::GarbageFirstByte);  // hits the status reply
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1; }));
    // The discard read's end was fixed before the error was raised: it times out now.
    deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    protocol = window.Memo(TChannelMemo::memSerialData);
    ASSERT_GE(protocol.size(), 2u);
    EXPECT_EQ(protocol[1], "07.12.2026 09:15:30 Error in synchronising !");
    // The discard read got nothing more, so the time-out line follows.
    ASSERT_TRUE(WaitUntil([&] { return window.Memo(TChannelMemo::memSerialData).size() >= 3; }));
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData)[2], "07.12.2026 09:15:30 Timeout !");
    EXPECT_NE(poll->LastReply.substr(0, 1), "#");
    // The time-out's flag is raised just after its line is handed over: cleared before that,
    // it would stop the cycle once more.
    ASSERT_TRUE(WaitUntil([&] {
        c.CommError = 0;
        return c.PollRequest == 0;
    }));
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 99.0);

    // The port fails (adapter unplugged): one line, error ticks without lines, and the
    // port is reopened once the first reconnection is due.
    lastLink->FailNow(true);
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1; }));
    EXPECT_NE(window.Memo(TChannelMemo::memSerialData).back().find("Port error"), AnsiString::npos);
    const std::size_t lines = window.Memo(TChannelMemo::memSerialData).size();
    c.CommError = 0;
    passes = poll->PassCount;
    ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 3; }));
    EXPECT_EQ(c.CommError, 1);
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).size(), lines);
    EXPECT_EQ(poll->ReconnectAttempts(), 0);
    std::size_t before = line.FrameCount();
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(WaitUntil([&] { return !poll->IsLinkLost(); }));
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).back(),
              "07.12.2026 09:15:33 Port " + line.SlavePath() + " reopened");
    EXPECT_EQ(opened.PortName, line.SlavePath());
    c.CommError = 0;
    ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() > before; }));
    EXPECT_TRUE(support::TestDialogs().Messages().empty());
    c.Close(3);
}

// A unit that answers after the read time-out: its late answer comes while the next request
// waits, and is never taken for that request's, nor decoded.
TEST_F(SerialChannel, LateReplyIsASynchronisationErrorOfTheNextRequest)
{
    // The late replies go out when the test says so.
    std::atomic<std::int64_t> replyNow{0};
    line.SetReplyClock([&] { return replyNow.load(); });
    StartLine();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && poll->Position == 0; }));
    ASSERT_DOUBLE_EQ(c.SeriesValue(sTIntern), 24.5);

    // The status and the first sensor block are both answered late.
    line.First().Update([](support::UnitState& s) {
        s.internalTemp = 77.0;
        s.t0 = 88.0;
    });
    line.First().InjectFault(UnitFault::LateReply, 2, 1000);
    line.ClearLog();
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return line.HoldsReply(); }));
    deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1 && !c.RequestPending(); }));
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).back(), "07.12.2026 09:15:30 Timeout !");
    // The tick: the first sensor block goes out while the status reply is still held.
    c.CommError = 0;
    ASSERT_TRUE(WaitUntil([&] { return poll->Position == 2 && c.RequestPending(); }));
    const std::size_t written = line.RepliesWritten();
    replyNow += 1000;
    // The status reply is on the line, and the sensor block's own is held in turn; its read
    // ends with the status reply alone.
    ASSERT_TRUE(WaitUntil([&] { return line.RepliesWritten() > written && line.HoldsReply(); }));
    deviceTime.clock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1 && !c.RequestPending(); }));
    EXPECT_EQ(poll->LastReply.substr(0, 5), "[S01G");
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).back(), "07.12.2026 09:15:30 Error in synchronising !");
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTIntern), 24.5);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 10.5);
    EXPECT_EQ(CommandsSince(0), (std::vector<AnsiString>{"G0D******", "S081"}));
    replyNow += 1000;
    ASSERT_TRUE(WaitUntil([&] { return !line.HoldsReply(); }));

    // Answered in time again, the cycle goes on with the unit's own replies. The sensor
    // block's late reply may still be on its way through the line and meet the next request
    // as one more synchronisation error, which stops the cycle like any fault; it goes on
    // until the cycle is through.
    ASSERT_TRUE(WaitUntil([&] {
        c.CommError = 0;
        return c.PollRequest == 0 && line.FrameCount() >= 6 && !c.RequestPending();
    }));
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && c.SeriesValue(sTIntern) == 77.0; }));
    EXPECT_EQ(c.CommError, 0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 88.0);
    c.Close(3);
}

// The status reply's start, then other digits that make its sum fit, and no closing carriage
// return where the reply ends: parts of two replies. Never decoded, whatever the sum says; a
// synchronisation error like any reply that is not the request's, and the next cycle's reply
// is the unit's own again.
TEST_F(SerialChannel, ARepliesPartsRunTogetherAreNeverDecodedThoughTheirSumFits)
{
    StartLine();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && poll->Position == 0; }));
    const double before = c.SeriesValue(sTExtern);
    line.First().Update([](support::UnitState& s) { s.processTemp = 33.33; });
    // The status reply (the cycle's first) keeps 19 of its 24 bytes.
    line.First().InjectFault(UnitFault::SplicedTail, 1, 19);
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1 || c.SeriesValue(sTExtern) != before; }));
    EXPECT_EQ(poll->LastReply.size(), 24u);
    EXPECT_NE(poll->LastReply.back(), '\r');
    EXPECT_EQ(c.CommError, 1);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTExtern), before);
    EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).back(), "07.12.2026 09:15:30 Error in synchronising !");
    ASSERT_TRUE(WaitUntil([&] {
        c.CommError = 0;
        return c.PollRequest == 0 && poll->Position == 0 && !c.RequestPending();
    }));
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && c.SeriesValue(sTExtern) == 33.33; }));
    EXPECT_EQ(c.CommError, 0);
    c.Close(3);
}

// The same over a serial line: a splice with a sum that fits and a closing carriage return,
// longer or shorter than the sensor block's reply (the shorter one waits out the read
// time-out), is a synchronisation error, never the unit's values.
TEST_F(SerialChannel, ASplicedReplyEndingInItsReturnCountsOnlyAtTheRepliesLength)
{
    StartLine();
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && poll->Position == 0; }));
    double temperature = 30.0;
    for (int length : {32, 25}) {
        SCOPED_TRACE(length);
        const double before = c.SeriesValue(sT0);
        temperature += 1.25;
        line.First().Update([&](support::UnitState& s) { s.t0 = temperature; });
        // The status reply goes as it is, then the first sensor block's is spliced.
        line.First().InjectFault(UnitFault::None);
        line.First().InjectFault(UnitFault::SplicedToLength, 1, length);
        c.PollRequest = 1;
        ASSERT_TRUE(WaitUntil([&] { return c.CommError == 1 || c.SeriesValue(sT0) != before; }));
        EXPECT_EQ(c.CommError, 1);
        EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), before);
        EXPECT_EQ(window.Memo(TChannelMemo::memSerialData).back(), "07.12.2026 09:15:30 Error in synchronising !");
        ASSERT_TRUE(WaitUntil([&] {
            c.CommError = 0;
            return c.PollRequest == 0 && poll->Position == 0 && !c.RequestPending();
        }));
        c.PollRequest = 1;
        ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0 && c.SeriesValue(sT0) == temperature; }));
        EXPECT_EQ(c.CommError, 0);
    }
    c.Close(3);
}

TEST_F(SerialChannel, PulledAdapterIsReopenedWithItsLineSettings)
{
    // The platform's serial port behind a name that vanishes and comes back, as the name
    // of a USB adapter does when it is pulled and plugged in again.
    std::vector<comm::TSerialLinkSettings> opens;
    comm::SetSerialLinkFactory([&](const comm::TSerialLinkSettings& s, AnsiString& error) {
        opens.push_back(s);
        return std::static_pointer_cast<comm::IByteLink>(comm::SerialPortLink::Open(s, error));
    });
    QTemporaryDir dir;  // goes with the test however it ends
    ASSERT_TRUE(dir.isValid());
    const AnsiString adapter = dir.path().toStdString() + "/ttyUSB0";
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error, adapter)) << error;
    window.texts[TChannelControl::cmbPort] = adapter;
    window.texts[TChannelControl::cmbBaudrate] = "19200";
    window.indexes[TChannelControl::cmbParity] = 2;
    CRS232 c(1);
    Connect(c);
    PressOkAndWaitForResult(WaitForVerdict(c));
    CTransceiverRS232* poll = c.PollThread();
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    // A standing command (as the programmer sends) that must outlive the reconnection.
    const AnsiString standing = CTolvarProtocol::BuildCommandFrame("G0D**0BB8", 1);
    const AnsiString follow = CTolvarProtocol::BuildCommandFrame("C14*************", 1);
    ASSERT_EQ(
        c.SetPollCommands(standing, static_cast<int>(standing.size()), 24, 1, static_cast<int>(follow.size()), follow),
        1);

    line.UnplugPty();
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return poll->IsLinkLost() && c.CommError == 1; }));
    // Still gone when the first attempt is due; the next one waits twice as long.
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(WaitUntil([&] { return poll->ReconnectAttempts() == 1; }));
    ASSERT_TRUE(line.ReplugPty(&error)) << error;
    clock.AdvanceMs(comm::ReconnectDelayMs(1) - 1);
    int passes = poll->PassCount;
    ASSERT_TRUE(WaitUntil([&] { return poll->PassCount >= passes + 3; }));
    EXPECT_TRUE(poll->IsLinkLost());
    EXPECT_EQ(opens.size(), 1u);
    clock.AdvanceMs(1);
    ASSERT_TRUE(WaitUntil([&] { return !poll->IsLinkLost(); }));
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[1].PortName, adapter);
    EXPECT_EQ(opens[1].BaudRate, 19200);
    EXPECT_EQ(opens[1].Parity, 2);

    // The cycle goes on after the row that failed; the next one starts with the standing
    // command.
    line.ClearLog();
    c.CommError = 0;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    c.PollRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return c.PollRequest == 0; }));
    auto commands = CommandsSince(0);
    EXPECT_NE(std::find(commands.begin(), commands.end(), "G0D**0BB8"), commands.end());
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.0);
    auto protocol = window.Memo(TChannelMemo::memSerialData);
    ASSERT_EQ(protocol.size(), 2u);
    EXPECT_NE(protocol[0].find(" Port error: "), AnsiString::npos);
    EXPECT_EQ(protocol[1], "07.12.2026 09:15:39 Port " + adapter + " reopened");
    EXPECT_TRUE(support::TestDialogs().Messages().empty());
    c.Close(3);
    line.Stop();
}
