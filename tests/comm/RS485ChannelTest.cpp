// RS485 channels end to end: several slaves on one simulated line, the shared port's
// lifetime, the bus lock and replies from the wrong slave.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "BusChannelFixture.h"
#include "comm/CRS232.h"
#include "comm/CRS485.h"
#include "comm/CTransceiverRS485.h"
#include "comm/SerialPortLink.h"
#include "platform/SerialPort.h"

using namespace testfakes;
using support::UnitCommand;
using support::UnitFault;

namespace {

support::UnitState Slave(int address, const char* name, double internal)
{
    support::UnitState s;
    s.address = address;
    s.deviceName = name;
    s.internalTemp = internal;
    return s;
}

// The address digits of a request frame "[Mnn...".
AnsiString FrameAddress(const AnsiString& frame)
{
    return frame.size() >= 4 ? frame.substr(2, 2) : AnsiString();
}

}  // namespace

TEST_F(BusChannels, ThreeSlavesIdentifyAndPollOnOneLineInTurn)
{
    line.AddUnit(Slave(1, "BUS UNIT ONE", 21.5));
    line.AddUnit(Slave(2, "BUS UNIT TWO", 22.5));
    line.AddUnit(Slave(3, "BUS UNIT THREE", 23.5));
    StartPty();
    FakeChannelWindow* w[4] = {nullptr, &SerialWindow(1, "1"), &SerialWindow(2, "2"), &SerialWindow(3, "3")};
    CRS485 c1(1), c2(2), c3(3);
    CRS485* c[4] = {nullptr, &c1, &c2, &c3};
    for (int i = 1; i <= 3; ++i) Open(*c[i]);
    // One port for the three channels, opened with the first channel's settings.
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(c1.PortShared, 0);
    EXPECT_EQ(c2.PortShared, 1);
    EXPECT_EQ(c3.PortShared, 1);
    EXPECT_EQ(c2.SharedPort, c1.SharedPort);
    EXPECT_EQ(c3.SharedPort, c1.SharedPort);

    // The three identifications run at the same time on the shared line.
    for (int i = 1; i <= 3; ++i) c[i]->ResumeIdentification();
    for (int i = 1; i <= 3; ++i) {
        TfrmIdentification* verdict = WaitForVerdict(*c[i]);
        ASSERT_NE(verdict, nullptr) << i;
        EXPECT_EQ(verdict->GetResult(), 1) << i;
        PressOk(*w[i], verdict);
        EXPECT_EQ(w[i]->Results(), std::vector<int>{1});
    }
    EXPECT_EQ(c1.GetDeviceName(), "BUS UNIT ONE");
    EXPECT_EQ(c2.GetDeviceName(), "BUS UNIT TWO");
    EXPECT_EQ(c3.GetDeviceName(), "BUS UNIT THREE");
    EXPECT_EQ(w[2]->title, "BUS UNIT TWO / " + portPath + " / SLAVE 2");
    EXPECT_EQ(w[3]->Memo(TChannelMemo::memConnections).back(), "BUS UNIT THREE / " + portPath + " / SLAVE 3");

    // Two full poll cycles of every channel.
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 3; ++i) c[i]->PollRequest = 1;
        ASSERT_TRUE(Await([&] { return c1.PollRequest == 0 && c2.PollRequest == 0 && c3.PollRequest == 0; }));
    }
    ASSERT_TRUE(Await([&] {
        return c1.SeriesValue(sTIntern) == 21.5 && c2.SeriesValue(sTIntern) == 22.5 && c3.SeriesValue(sTIntern) == 23.5;
    }));

    // Each channel's frames carry its own address, every frame reached the line whole,
    // and no frame went out while another exchange waited for its reply.
    std::map<AnsiString, int> perAddress;
    for (const support::LoggedFrame& f : line.Frames()) {
        EXPECT_TRUE(f.valid) << f.frame;
        ++perAddress[FrameAddress(f.frame)];
    }
    EXPECT_EQ(perAddress.size(), 3u);
    for (const char* a : {"01", "02", "03"}) EXPECT_GE(perAddress[a], 27 + 6) << a;
    EXPECT_EQ(links[0]->overlaps, 0);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(CountLines(*w[i], " Error in synchronising !"), 0u) << i;
        EXPECT_EQ(CountLines(*w[i], " Timeout !"), 0u) << i;
    }
    for (int i : {2, 1, 3}) c[i]->Close(3);
    EXPECT_TRUE(links[0]->closed);
}

TEST_F(BusChannels, SharedPortStaysOpenExactlyWhileAChannelHoldsIt)
{
    line.AddUnit(Slave(1, "A", 20));
    line.AddUnit(Slave(2, "B", 20));
    line.AddUnit(Slave(3, "C", 20));
    StartPty();
    SerialWindow(1, "1");
    SerialWindow(2, "2");
    SerialWindow(3, "3");
    // Two names of one device are one port: the third channel names it by a link.
    const std::string alias = ::testing::TempDir() + "/nox-bus-" + std::to_string(::getpid());
    std::filesystem::remove(alias);
    std::filesystem::create_symlink(portPath, alias);
    scope.ownWindows[3].texts[TChannelControl::cmbPort] = alias;

    for (const std::vector<int>& order : std::vector<std::vector<int>>{{1, 2, 3}, {3, 1, 2}, {2, 3, 1}}) {
        links.clear();
        auto c1 = std::make_unique<CRS485>(1), c2 = std::make_unique<CRS485>(2), c3 = std::make_unique<CRS485>(3);
        CRS485* c[4] = {nullptr, c1.get(), c2.get(), c3.get()};
        for (int i = 1; i <= 3; ++i) Open(*c[i]);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(c3->SharedPort, c1->SharedPort);
        EXPECT_EQ(c3->GetPortName(), alias);
        // Closing without letting the port go (a pending attempt) keeps it.
        c[order[0]]->Close(2);
        EXPECT_TRUE(comm::IsSharedSerialPortOpen(portPath));
        for (std::size_t k = 0; k < 3; ++k) {
            c[order[k]]->Close(k == 0 ? 4 : (k == 1 ? 1 : 3));
            EXPECT_FALSE(c[order[k]]->IsOpen());
            const bool usersLeft = k < 2;
            EXPECT_EQ(comm::IsSharedSerialPortOpen(portPath), usersLeft) << k;
            EXPECT_EQ(comm::IsSharedSerialPortOpen(alias), usersLeft) << k;
            EXPECT_EQ(links[0]->closed.load(), !usersLeft) << k;
        }
    }
    std::filesystem::remove(alias);
}

TEST_F(BusChannels, ClosingOneChannelLeavesAnIdentifyingNeighbourItsPort)
{
    line.AddUnit(Slave(1, "FIRST", 20));
    line.AddUnit(Slave(2, "SECOND", 30));
    StartPty();
    FakeChannelWindow& w1 = SerialWindow(1, "1");
    FakeChannelWindow& w2 = SerialWindow(2, "2");
    CRS485 c1(1);
    Open(c1);
    c1.ResumeIdentification();
    PressOk(w1, WaitForVerdict(c1));
    {
        CRS485 c2(2);
        Open(c2);
        c2.ResumeIdentification();
        // The first channel goes while the second still identifies on the port it took.
        const std::size_t before = line.FrameCount();
        ASSERT_TRUE(Await([&] { return line.FrameCount() >= before + 2; }));
        c1.Close(3);
        EXPECT_TRUE(comm::IsSharedSerialPortOpen(portPath));
        TfrmIdentification* verdict = WaitForVerdict(c2);
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->GetResult(), 1);
        PressOk(w2, verdict);
        c2.PollRequest = 1;
        ASSERT_TRUE(Await([&] { return c2.PollRequest == 0 && c2.SeriesValue(sTIntern) == 30; }));
        EXPECT_EQ(CountLines(w2, " Timeout !"), 0u);
    }
    // The last holder was the second channel's object: its end closes the port.
    EXPECT_FALSE(comm::IsSharedSerialPortOpen(portPath));
    EXPECT_TRUE(links[0]->closed);
}

TEST_F(BusChannels, SlaveAddressSettingsAndFrames)
{
    line.AddUnit(Slave(30, "LAST", 20));
    StartPty();
    FakeChannelWindow& w = SerialWindow(1, "");
    CRS485 c(1);
    ChannelObjects[1] = &c;
    for (const char* bad : {"", "   ", "0", "31", "-1", "x", "2.5"}) {
        w.texts[TChannelControl::cmbSlave] = bad;
        EXPECT_EQ(c.ReadSettings(), 0) << "'" << bad << "'";
    }
    w.texts[TChannelControl::cmbSlave] = "30";
    ASSERT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.GetAddress(), 30);
    EXPECT_EQ(c.GetTypeName(), "RS485");
    EXPECT_EQ(c.GetPortName(), portPath);
    ASSERT_EQ(c.Open(), 1);
    ASSERT_NE(c.PollThread(), nullptr);
    EXPECT_EQ(c.PollThread()->Address, 30);
    for (int row = 0; row < CTolvarProtocol::Commands; ++row)
        EXPECT_EQ(FrameAddress(c.PollThread()->Protocol->GetEntry(row, 0)), "30") << row;
    AnsiString reply;
    AnsiString frame = CTolvarProtocol::BuildCommandFrame("G0D******", 30);
    EXPECT_EQ(c.Query('G', 1, frame, static_cast<int>(frame.size()), 24, nullptr, reply), 0);
    EXPECT_EQ(reply.substr(0, 5), "[S30G");
    c.Close(3);
}

TEST_F(BusChannels, NoUsablePortIsRefusedWithTheSerialPortMessage)
{
    line.AddUnit(Slave(1, "A", 20));
    StartPty();
    SerialWindow(1, "1");
    failOpen = "Device or resource busy";
    CRS485 c(1);
    ChannelObjects[1] = &c;
    ASSERT_EQ(c.ReadSettings(), 1);
    EXPECT_EQ(c.Open(), 0);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Serial port not accessible!\n" + portPath + ": Device or resource busy");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error");
    EXPECT_EQ(c.PollThread(), nullptr);
    EXPECT_EQ(c.Identification, nullptr);
    EXPECT_FALSE(c.IsOpen());
    EXPECT_FALSE(comm::IsSharedSerialPortOpen(portPath));
    // Once the port can be had, the same object opens.
    failOpen.clear();
    EXPECT_EQ(c.Open(), 1);
    EXPECT_TRUE(c.IsOpen());
    c.Close(3);
}

TEST_F(BusChannels, ReplyFromAnotherSlaveIsASynchronisationError)
{
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    StartPty();
    FakeChannelWindow& w = SerialWindow(2, "2");
    CRS485 c(2);
    Open(c);
    support::SimulatedUnit* unit = line.Unit(2);

    // The identification's direct exchanges do not take another slave's answer.
    AnsiString reply;
    AnsiString frame = CTolvarProtocol::BuildCommandFrame("V07", 2);
    unit->InjectFault(UnitFault::WrongAddress, 2);
    EXPECT_EQ(c.Query('V', 2, frame, static_cast<int>(frame.size()), 50, nullptr, reply), 1);
    EXPECT_EQ(reply.substr(0, 5).substr(0, 2), "[S");
    AnsiString s1 = CTolvarProtocol::BuildCommandFrame("S081", 2);
    EXPECT_EQ(c.QuerySub("S1", 2, s1, static_cast<int>(s1.size()), 31, nullptr, reply), 1);
    EXPECT_EQ(c.Query('V', 2, frame, static_cast<int>(frame.size()), 50, nullptr, reply), 0);

    // Polling: the foreign reply is reported and not decoded.
    c.ResumeIdentification();
    PressOk(w, WaitForVerdict(c));
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sTIntern) == 22; }));
    unit->Update([](support::UnitState& s) { s.internalTemp = 33; });
    unit->InjectFault(UnitFault::WrongAddress, 1);
    c.PollRequest = 1;
    ASSERT_TRUE(Await([&] { return c.CommError == 1; }));
    EXPECT_EQ(CountLines(w, " Error in synchronising !"), 1u);
    EXPECT_EQ(c.SeriesValue(sTIntern), 22);
    EXPECT_EQ(w.Memo(TChannelMemo::memSerialData).back(), "07.12.2026 09:15:30 Error in synchronising !");
    // The next tick clears the flag; the cycle goes on with the unit's own replies, and
    // the cycle after it brings the status again.
    c.CommError = 0;
    c.PollRequest = 1;
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));
    EXPECT_EQ(c.SeriesValue(sTIntern), 22);
    c.PollRequest = 1;
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0 && c.SeriesValue(sTIntern) == 33; }));
    c.Close(3);
}

TEST_F(BusChannels, StepWaitsWhileTheBusIsTakenAndRunsOnceItIsFree)
{
    line.AddUnit(Slave(1, "ONE", 11));
    StartPty();
    FakeChannelWindow& w = SerialWindow(1, "1");
    CRS485 c(1);
    Open(c);
    c.ResumeIdentification();
    PressOk(w, WaitForVerdict(c));
    CTransceiverRS485* poll = c.PollThread();
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));

    // Taken the way another slave's thread would; the user-interface thread keeps running
    // the synchronised steps meanwhile.
    comm::TBusLock& bus = c.SharedPort->Bus();
    bool taken = false;  // the condition may be asked more than once
    ASSERT_TRUE(Await([&] { return taken || (taken = bus.try_lock()); }));
    const std::size_t frames = line.FrameCount();
    c.PollRequest = 1;
    // The thread waits for the bus instead of skipping its step and sleeping a whole pause.
    ASSERT_TRUE(Await([&] { return bus.Waiting() == 1; }));
    const int passes = poll->PassCount;
    EXPECT_EQ(line.FrameCount(), frames);
    // The first row is taken while it waits; its reply's time has not begun, as nothing
    // went out: waiting for the line is no failure of the unit's.
    EXPECT_EQ(poll->Position, 1);
    EXPECT_EQ(c.PollRequest, 1);
    EXPECT_FALSE(c.RequestPending());
    EXPECT_FALSE(c.RequestOverdue());
    EXPECT_EQ(line.FrameCount(), frames);
    // An identification query waits for the bus and gives up in bounded time (two read
    // time-outs and half a second, moved on once the query waits beside the poll thread).
    AnsiString reply;
    AnsiString frame = CTolvarProtocol::BuildCommandFrame("G0D******", 1);
    {
        support::ClockMover giveUp(deviceTime.clock, 2 * comm::Timing().ReadTimeoutMs + 501,
                                   [&] { return bus.Waiting() == 2; });
        EXPECT_EQ(c.Query('G', 1, frame, static_cast<int>(frame.size()), 24, nullptr, reply), 1);
    }
    EXPECT_EQ(line.FrameCount(), frames);
    EXPECT_EQ(poll->PassCount, passes);
    bus.unlock();
    ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));
    EXPECT_EQ(line.FrameCount(), frames + 6);
    EXPECT_FALSE(c.RequestOverdue());
    // The whole cycle has been answered since: its values are current again.
    EXPECT_EQ(c.ValuesOutdated, 0);
    c.Close(3);
}

TEST_F(BusChannels, ThreeSlavesEachCompleteTheirCycleInAsManyStepsAsAUnitAlone)
{
    // Replies take longer than one try for the bus, as they do on a real line, so the three
    // threads find the bus taken again and again.
    // A loaded machine must not turn a late reply into a time-out, which would hold the
    // rest of a cycle back until the next tick.
    // The threads do not wait for this thread between their steps: a pause long against the
    // time this thread takes to look at the flags keeps that look within one step.
    comm::TCommTiming t = comm::Timing();
    t.BusWaitMs = 1;
    t.ReadTimeoutMs = 2000;
    t.PollStepMs = 20;
    comm::SetTiming(t);
    for (int a = 1; a <= 3; ++a) {
        line.AddUnit(Slave(a, "PACE", 20 + a));
        line.Unit(a)->InjectFault(UnitFault::LateReply, -1, 3);
    }
    StartPty();
    FakeChannelWindow* w[4] = {nullptr, &SerialWindow(1, "1"), &SerialWindow(2, "2"), &SerialWindow(3, "3")};
    CRS485 c1(1), c2(2), c3(3);
    CRS485* c[4] = {nullptr, &c1, &c2, &c3};
    ASSERT_NO_FATAL_FAILURE(ConnectInTurn({{&c1, w[1]}, {&c2, w[2]}, {&c3, w[3]}}));
    const int rows = c1.PollThread()->Count;
    ASSERT_EQ(rows, 6);
    // A unit alone clears the request in the pass after its last row: the passes counted
    // while the request is still seen are at most one per row and the pass that was under
    // way when the tick came. A slave that skipped its turn would need a whole pass more for
    // each skip.
    int slow[4] = {};
    for (int cycle = 0; cycle < 100; ++cycle) {
        int passes[4] = {}, seen[4] = {};
        bool done[4] = {};
        for (int i = 1; i <= 3; ++i) passes[i] = c[i]->PollThread()->PassCount;
        for (int i = 1; i <= 3; ++i) c[i]->PollRequest = 1;
        // The count is read before the flag: a cycle still asked for after it has taken at
        // least that many passes, however late this thread (on a loaded machine) looks.
        ASSERT_TRUE(Await([&] {
            for (int i = 1; i <= 3; ++i) {
                if (done[i]) continue;
                const int counted = c[i]->PollThread()->PassCount - passes[i];
                if (c[i]->PollRequest == 0)
                    done[i] = true;
                else
                    seen[i] = counted;
            }
            return done[1] && done[2] && done[3];
        })) << cycle;
        for (int i = 1; i <= 3; ++i)
            if (seen[i] > rows + 2) ++slow[i];
    }
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(slow[i], 0) << "cycles of slave " << i << " that took more steps than a unit alone";
        EXPECT_EQ(CountLines(*w[i], " Timeout !"), 0u) << i;
    }
    EXPECT_EQ(links[0]->overlaps, 0);
    for (int i = 1; i <= 3; ++i) c[i]->Close(3);
}

TEST_F(BusChannels, ClosingNeverWaitsOutASilentExchangeOrTheBus)
{
    line.AddUnit(Slave(1, "ONE", 11));
    StartPty();
    FakeChannelWindow& w = SerialWindow(1, "1");
    // A reply time-out far longer than any close may take: a close that waited it out (or
    // the bus wait derived from it) would fail the bound below by a wide margin.
    constexpr int kLongMs = 60000;
    auto readTimeout = [](int ms) {
        comm::TCommTiming t = comm::Timing();
        t.ReadTimeoutMs = ms;
        comm::SetTiming(t);
    };
    // The silent exchanges wait until the close: their time-outs do not come.
    deviceTime.timeOutUnanswered = false;
    auto closePromptly = [](CRS485& c) {
        const auto start = std::chrono::steady_clock::now();
        c.Close(3);
        return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kLongMs / 2);
    };
    // Polling while the unit is silent, and while its reply is garbled (the discard read).
    for (UnitFault fault : {UnitFault::NoReply, UnitFault::GarbageFirstByte}) {
        w.results.clear();
        CRS485 c(1);
        Open(c);
        c.ResumeIdentification();
        PressOk(w, WaitForVerdict(c));
        ASSERT_TRUE(Await([&] { return c.PollRequest == 0; }));
        readTimeout(kLongMs);
        line.First().InjectFault(fault, -1);
        const std::size_t before = line.FrameCount();
        c.PollRequest = 1;
        ASSERT_TRUE(Await([&] { return line.FrameCount() > before; }));
        EXPECT_TRUE(closePromptly(c)) << static_cast<int>(fault);
        line.First().ClearFaults();
        readTimeout(500);
    }
    // Identifying while the unit is silent.
    readTimeout(kLongMs);
    line.First().InjectFault(UnitFault::NoReply, -1);
    {
        CRS485 c(1);
        Open(c);
        const std::size_t before = line.FrameCount();
        c.ResumeIdentification();
        ASSERT_TRUE(Await([&] { return line.FrameCount() > before; }));
        EXPECT_TRUE(closePromptly(c));
    }
    // Identifying while another slave's thread holds the bus.
    {
        CRS485 c(1);
        Open(c);
        const std::shared_ptr<comm::SharedSerialPort> port = c.SharedPort;  // outlives the close
        comm::TBusLock& bus = port->Bus();
        bool taken = false;
        ASSERT_TRUE(Await([&] { return taken || (taken = bus.try_lock()); }));
        c.ResumeIdentification();
        ASSERT_TRUE(Await([&] { return bus.Waiting() > 0; }));  // its first try waits for the bus
        EXPECT_TRUE(closePromptly(c));
        bus.unlock();
    }
    EXPECT_TRUE(support::TestDialogs().Messages().empty());
}

TEST_F(BusChannels, ASlaveClosedWhileItsReplyIsDueLeavesItsNeighbourNoError)
{
    // The slave answers late, well within a read time-out longer than any close takes.
    comm::TCommTiming t = comm::Timing();
    t.ReadTimeoutMs = 4000;
    comm::SetTiming(t);
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    StartPty();
    FakeChannelWindow& w2 = SerialWindow(2, "2");
    CRS485 c2(2);
    Open(c2);
    c2.ResumeIdentification();
    PressOk(w2, WaitForVerdict(c2));
    for (int round = 0; round < 2; ++round) {
        FakeChannelWindow& w1 = SerialWindow(1, "1");
        w1.results.clear();
        CRS485 c1(1);
        Open(c1);
        c1.ResumeIdentification();
        PressOk(w1, WaitForVerdict(c1));
        ASSERT_TRUE(Await([&] { return c1.PollRequest == 0 && c2.PollRequest == 0; })) << round;
        line.Unit(1)->InjectFault(UnitFault::LateReply, -1, 1000);
        const std::size_t before = line.FrameCount();
        c1.PollRequest = 1;
        ASSERT_TRUE(Await([&] {
            const std::vector<support::LoggedFrame> frames = line.Frames();
            return frames.size() > before && frames.back().address == 1;
        })) << round;
        // The neighbour waits for the line; it gets it when the closing slave's thread ends.
        c2.PollRequest = 1;
        c1.Close(3);
        ChannelObjects[1] = nullptr;
        ASSERT_TRUE(Await([&] { return c2.PollRequest == 0 || c2.CommError == 1; })) << round;
        EXPECT_EQ(c2.CommError, 0) << round;
        EXPECT_EQ(CountLines(w2, " Error in synchronising !"), 0u) << round;
        EXPECT_EQ(CountLines(w2, " Timeout !"), 0u) << round;
        line.Unit(1)->ClearFaults();
    }
    c2.Close(3);
}

TEST_F(BusChannels, PulledAdapterIsReopenedOnceForAllSlaves)
{
    int opens = 0;
    comm::SetSerialLinkFactory([&](const comm::TSerialLinkSettings& s, AnsiString& error) {
        ++opens;
        return std::static_pointer_cast<comm::IByteLink>(comm::SerialPortLink::Open(s, error));
    });
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error, AdapterLink("nox-bus-adapter", "ttyUSB0"))) << error;
    portPath = line.SlavePath();
    FakeChannelWindow* w[3] = {nullptr, &SerialWindow(1, "1"), &SerialWindow(2, "2")};
    CRS485 c1(1), c2(2);
    CRS485* c[3] = {nullptr, &c1, &c2};
    ASSERT_NO_FATAL_FAILURE(ConnectInTurn({{&c1, w[1]}, {&c2, w[2]}}));
    line.UnplugPty();
    for (int i = 1; i <= 2; ++i) c[i]->PollRequest = 1;
    ASSERT_TRUE(Await([&] { return c1.PollThread()->IsLinkLost() && c2.PollThread()->IsLinkLost(); }));
    ASSERT_TRUE(line.ReplugPty(&error)) << error;
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !c1.PollThread()->IsLinkLost() && !c2.PollThread()->IsLinkLost(); }));
    EXPECT_EQ(opens, 2);  // the first open and one reopen, whoever came first
    for (int i = 1; i <= 2; ++i) {
        c[i]->CommError = 0;
        c[i]->PollRequest = 1;
    }
    ASSERT_TRUE(Await([&] { return c1.PollRequest == 0 && c2.PollRequest == 0; }));
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(CountLines(*w[i], " Port " + portPath + " reopened"), 1u) << i;
        EXPECT_EQ(c[i]->CommError, 0) << i;
    }
    c1.Close(3);
    c2.Close(3);
    line.Stop();
}

TEST_F(BusChannels, SlavesOfAnotherBusBehindAReopenedPortAreNeverPolled)
{
    // The port's name leads to another bus after the adapter was lost: its slaves have the
    // same addresses but are other units. Slave 1 lost the port while polling; slave 2 was
    // idle and finds the port reopened by slave 1's thread.
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    support::SimulatedUnitLine other;
    for (int a = 1; a <= 2; ++a) {
        support::UnitState u = Slave(a, "STRANGER", 77);
        u.serialNumber = 90000000 + std::uint32_t(a);
        other.AddUnit(u);
    }
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error, AdapterLink("nox-bus-swap", "ttyUSB0"))) << error;
    portPath = line.SlavePath();
    FakeChannelWindow* w[3] = {nullptr, &SerialWindow(1, "1"), &SerialWindow(2, "2")};
    CRS485 c1(1), c2(2);
    CRS485* c[3] = {nullptr, &c1, &c2};
    ASSERT_NO_FATAL_FAILURE(ConnectInTurn({{&c1, w[1]}, {&c2, w[2]}}));
    line.UnplugPty();
    c1.PollRequest = 1;
    ASSERT_TRUE(Await([&] { return c1.PollThread()->IsLinkLost(); }));
    ASSERT_TRUE(other.StartPty(&error)) << error;
    ASSERT_EQ(::symlink(other.SlavePath().c_str(), portPath.c_str()), 0);
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return w[1]->otherUnitMessages.size() == 1; }));
    c2.PollRequest = 1;
    ASSERT_TRUE(Await([&] { return w[2]->otherUnitMessages.size() == 1; }));
    // Later checks find the same strangers and say nothing more.
    clock.AdvanceMs(comm::ReconnectDelayMs(1));
    ASSERT_TRUE(Await([&] { return c1.PollThread()->ReconnectAttempts() >= 2; }));
    for (int i = 1; i <= 2; ++i) {
        c[i]->CommError = 0;
        EXPECT_TRUE(c[i]->PollThread()->IsLinkLost()) << i;
        EXPECT_EQ(c[i]->ValuesOutdated, 1) << i;
        EXPECT_EQ(c[i]->SeriesValue(sTIntern), 11.0 * i) << i;
        EXPECT_EQ(w[i]->otherUnitMessages.size(), 1u) << i;
        EXPECT_EQ(CountLines(*w[i], ", its values are not recorded"), 1u) << i;
        const AnsiString message = w[i]->otherUnitMessages.front();
        EXPECT_NE(message.find(IntToStr(90000000 + i)), AnsiString::npos) << message;
        EXPECT_NE(message.find("12345678"), AnsiString::npos) << message;
        EXPECT_NE(message.find(portPath), AnsiString::npos) << message;
    }
    // Each slave was asked who it is, by its own address, and never polled.
    for (const support::LoggedFrame& f : other.Frames())
        EXPECT_TRUE(f.frame.substr(4, 3) == "V07" || f.frame.substr(4, 3) == "F07") << f.frame;
    EXPECT_EQ(other.Unit(1)->RequestCount(UnitCommand::V) > 0, true);
    EXPECT_EQ(other.Unit(2)->RequestCount(UnitCommand::V) > 0, true);
    c1.Close(3);
    c2.Close(3);
    other.Stop();
    line.Stop();
}

TEST_F(BusChannels, AnAdapterBackUnderAnotherNodeIsSharedByEitherName)
{
    int opens = 0;
    comm::SetSerialLinkFactory([&](const comm::TSerialLinkSettings& s, AnsiString& error) {
        ++opens;
        return std::static_pointer_cast<comm::IByteLink>(comm::SerialPortLink::Open(s, error));
    });
    for (int a = 1; a <= 3; ++a) line.AddUnit(Slave(a, "UNIT", a));
    const AnsiString stable = AdapterLink("nox-bus-node", "by-id-adapter");
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error, stable)) << error;
    const auto pull = [&](std::initializer_list<CRS485*> polling) {
        const AnsiString before = platform::ResolveSerialPortPath(stable);
        line.UnplugPty();
        for (CRS485* c : polling) {
            c->CommError = 0;  // as the tick clears it
            c->PollRequest = 1;
        }
        ASSERT_TRUE(Await([&] {
            return std::all_of(polling.begin(), polling.end(), [](CRS485* c) { return c->PollThread()->IsLinkLost(); });
        }));
        ASSERT_TRUE(line.ReplugPty(&error)) << error;
        // The old node is still held, so the adapter comes back under another one.
        ASSERT_NE(platform::ResolveSerialPortPath(stable), before);
    };
    const auto join = [&](CRS485& c, const AnsiString& port, const CRS485& first) {
        portPath = port;
        FakeChannelWindow& w = SerialWindow(c.Channel(), IntToStr(c.Channel()));
        Open(c);
        EXPECT_EQ(c.SharedPort, first.SharedPort);
        EXPECT_EQ(c.PortShared, 1);
        c.ResumeIdentification();
        TfrmIdentification* verdict = WaitForVerdict(c);
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->GetResult(), 1);
        PressOk(w, verdict);
    };

    portPath = stable;
    FakeChannelWindow& w1 = SerialWindow(1, "1");
    CRS485 c1(1), c2(2), c3(3);
    Open(c1);
    c1.ResumeIdentification();
    PressOk(w1, WaitForVerdict(c1));
    ASSERT_TRUE(Await([&] { return c1.PollRequest == 0; }));

    // Reopened by its poll thread: a channel naming the new node shares it.
    pull({&c1});
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !c1.PollThread()->IsLinkLost(); }));
    join(c2, platform::ResolveSerialPortPath(stable), c1);
    EXPECT_EQ(opens, 2);

    // Not reopened yet: a channel naming the stable link reopens it for all.
    pull({&c1, &c2});
    join(c3, stable, c1);
    EXPECT_EQ(opens, 3);
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !c1.PollThread()->IsLinkLost() && !c2.PollThread()->IsLinkLost(); }));
    EXPECT_EQ(opens, 3);
    EXPECT_TRUE(comm::IsSharedSerialPortOpen(platform::ResolveSerialPortPath(stable)));
    for (CRS485* c : {&c1, &c2, &c3}) c->Close(3);
    EXPECT_FALSE(comm::IsSharedSerialPortOpen(stable));
    line.Stop();
}

TEST_F(BusChannels, AdapterUnderANewNodeIsTakenOverWhileAStepWaitsForTheWindow)
{
    line.AddUnit(Slave(1, "ONE", 11));
    const AnsiString stable = AdapterLink("nox-bus-wait", "by-id-adapter");
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error, stable)) << error;
    comm::TSerialLinkSettings settings;
    settings.PortName = stable;
    bool taken = false;
    auto port = comm::AcquireSharedSerialPort(settings, error, taken);
    ASSERT_NE(port, nullptr) << error;
    line.UnplugPty();
    ASSERT_TRUE(line.ReplugPty(&error)) << error;

    // A slave's step holds the bus and waits for the window thread, which opens a channel
    // naming the adapter's new node: the open must run the step's call, not wait it out.
    std::atomic<bool> holding{false}, stepDone{false};
    std::thread step([&] {
        port->Bus().lock();
        holding = true;
        platform::UiDispatcher::Instance().Send([] {});
        port->Bus().unlock();
        stepDone = true;
    });
    while (!holding) std::this_thread::yield();
    settings.PortName = platform::ResolveSerialPortPath(stable);
    auto again = comm::AcquireSharedSerialPort(settings, error, taken);
    EXPECT_TRUE(Await([&] { return stepDone.load(); }));
    step.join();
    EXPECT_EQ(again, port) << error;
    EXPECT_TRUE(taken);
    again.reset();
    port.reset();
    line.Stop();
}

namespace {
// A poll thread whose exchange fails with an exception, or (untried) is not tried at all.
class ThrowingRS485 : public CTransceiverRS485 {
public:
    using CTransceiverRS485::CTransceiverRS485;
    std::atomic<bool> untried{false};

protected:
    void Exchange() override
    {
        if (!untried) throw std::runtime_error("exchange failed");
    }
};
}  // namespace

TEST_F(BusChannels, FailingStepGivesTheBusBack)
{
    line.AddUnit(Slave(1, "ONE", 11));
    StartPty();
    SerialWindow(1, "1");
    CRS485 c(1);
    ChannelObjects[1] = &c;
    ASSERT_EQ(c.ReadSettings(), 1);
    AnsiString error;
    bool taken = false;
    comm::TSerialLinkSettings settings;
    settings.PortName = portPath;
    auto port = comm::AcquireSharedSerialPort(settings, error, taken);
    ASSERT_NE(port, nullptr) << error;
    ThrowingRS485 poll(&c, 1, port);
    poll.CreateProtocol(1);
    poll.AppendCommand(poll.Protocol->GetEntry(0, 0), 24, 1);
    poll.BaseCommand = poll.Protocol->GetEntry(0, 0);
    poll.Active = 1;
    poll.Resume();
    ASSERT_TRUE(Await([&] { return c.CommError == 1 && poll.PassCount >= 2; }));
    // The bus is free again for the other slaves.
    bool busTaken = false;
    EXPECT_TRUE(Await([&] { return busTaken || (busTaken = port->Bus().try_lock()); }));
    port->Bus().unlock();
    // An exchange that could not even be tried renews nothing: the cycle stops as after a
    // failed one, and the values are not current.
    ASSERT_TRUE(Await([&] { return c.ValuesOutdated == 1; }));
    poll.untried = true;
    c.ValuesOutdated = 0;
    c.CommError = 0;
    c.PollRequest = 1;
    EXPECT_TRUE(Await([&] { return c.CommError == 1 && c.ValuesOutdated == 1; }));
    poll.Terminate();
    poll.WaitFor();
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() >= 1; }));
}

TEST_F(BusChannels, OpeningAndClosingLeavesNoDescriptorBehind)
{
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    StartPty();
    SerialWindow(1, "1");
    SerialWindow(2, "2");
    SerialWindow(3, "");
    {
        CRS485 warm(1);
        Open(warm);
        warm.Close(3);
    }
    const int descriptors = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        CRS485 c1(1), c2(2);
        Open(c1);
        Open(c2);
        (i % 2 ? c1 : c2).Close(3);
        (i % 2 ? c2 : c1).Close(i % 3 == 0 ? 2 : 3);
    }
    EXPECT_FALSE(comm::IsSharedSerialPortOpen(portPath));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(links.size(), 101u);
    // The serial channel of its own on the same line, alike.
    for (int i = 0; i < 100; ++i) {
        CRS232 c(3);
        Open(c);
        c.Close(i % 3 == 0 ? 4 : 3);
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(BusChannels, ExclusivePlatformPortIsOpenedOnceForAllSlaves)
{
    line.AddUnit(Slave(1, "ONE", 11));
    line.AddUnit(Slave(2, "TWO", 22));
    StartPty();
    comm::SetSerialLinkFactory(nullptr);  // the platform's serial port, taken exclusively
    FakeChannelWindow& w2 = SerialWindow(2, "2");
    SerialWindow(1, "1");
    platform::SerialPort other;
    {
        CRS485 c1(1), c2(2);
        Open(c1);
        Open(c2);
        EXPECT_EQ(c2.PortShared, 1);
        EXPECT_TRUE(support::TestDialogs().Messages().empty());
        // Nobody else gets the port while the bus holds it.
        EXPECT_FALSE(other.Open(portPath, platform::SerialSettings{}));
        c2.ResumeIdentification();
        TfrmIdentification* verdict = WaitForVerdict(c2);
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->GetResult(), 1);
        PressOk(w2, verdict);
        ASSERT_TRUE(Await([&] { return c2.PollRequest == 0 && c2.SeriesValue(sTIntern) == 22; }));
        c2.Close(3);
        EXPECT_FALSE(other.Open(portPath, platform::SerialSettings{}));
        c1.Close(3);
    }
    EXPECT_TRUE(other.Open(portPath, platform::SerialSettings{})) << other.LastErrorText();
}
