// What a recording labels good while a unit misbehaves: on every transport and for every
// fault, a point without the error label holds exactly what the unit sent in the cycle
// before its tick, every tick of a fault is an error point, and once the unit answers
// again the points are good as soon as every polled command has been answered.
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ChannelTestSupport.h"
#include "channel/ChannelTexts.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CRS485.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CTransceiver.h"
#include "comm/CTransceiverRS485.h"

using namespace channeltest;

namespace {

// One value of each polled command group; the unit's values change with every tick.
constexpr std::array<int, 6> kWatched = {sTIntern, sT0, sI, sTU, sAIF_Out, sDrehzahl};

double Expected(int series, int pattern)
{
    switch (series) {
        case sTIntern: return pattern + 0.1;
        case sT0: return pattern + 0.2;
        case sI: return pattern + 0.3;
        case sTU: return pattern + 0.4;
        case sAIF_Out: return 1000 + pattern;
        default: return 2000 + pattern;
    }
}

void SetPattern(support::SimulatedUnit& unit, int pattern)
{
    unit.Update([pattern](support::UnitState& u) {
        u.internalTemp = Expected(sTIntern, pattern);
        u.t0 = Expected(sT0, pattern);
        u.current = Expected(sI, pattern);
        u.tu = Expected(sTU, pattern);
        u.aifOut = Expected(sAIF_Out, pattern);
        u.speed = Expected(sDrehzahl, pattern);
    });
}

int Requests(const support::SimulatedUnit& unit)
{
    int n = 0;
    for (int c = 0; c < support::UnitCommandCount; ++c) n += unit.RequestCount(support::UnitCommand(c));
    return n;
}

// A channel under test: its session, its unit and what its points showed.
struct TRig {
    CChannelSession* session = nullptr;
    support::SimulatedUnit* unit = nullptr;
    int requestsAtTick = 0;
    int quietSince = -1;  // the poll thread's pass count when it was first seen idle
    int staleGood = 0;    // good points holding a value from before the current cycle
    int goodFaultTicks = 0;
    int falseErrors = 0;
    int errorPoints = 0;
    bool lineCleared = false;  // the read after a garbled reply was let time out
};

class FaultTicksTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        comm::TCommTiming t = comm::Timing();
        t.ReadTimeoutMs = 400;
        t.ReplyWaitMs = 400;
        comm::SetTiming(t);
    }

    // A channel recording at `interval` seconds into a file of its own, as a rig (the
    // reference holds until the next rig is added).
    TRig& Add(CChannelSession& s, support::SimulatedUnit& unit, const char* interval = "1", std::string name = {})
    {
        s.Settings.Interval = interval;
        if (name.empty()) name = "faults" + std::to_string(s.Channel());
        Connect(s, Path(name.c_str()));
        rigs.push_back({&s, &unit});
        return rigs.back();
    }

    // The poll thread will send nothing before the next tick: the cycle is through or
    // stopped by an error, no request is waiting, and the loop has passed twice since, so
    // no exchange is under way (a synchronisation error still reads what follows).
    bool Quiet(TRig& r)
    {
        CChannel* c = r.session->ChannelObject();
        CTransceiver* poll = TransceiverThreads[r.session->Channel()];
        // After a garbled reply the line is read until a time-out to clear it; the read's
        // end is fixed when the error is raised. Every rig has the fault then.
        if (clearGarbage && c && c->CommError == 1 && !r.lineCleared) {
            r.lineCleared = true;
            deviceClock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
        }
        const bool idle = c && poll && !c->RequestPending() && (c->PollRequest == 0 || c->CommError == 1);
        if (!idle) {
            r.quietSince = -1;
            return false;
        }
        if (r.quietSince < 0) r.quietSince = poll->PassCount;
        return poll->PassCount >= r.quietSince + 2;
    }
    // A request has waited longer than its reply may take and is still waiting.
    static bool MidFlight(TRig& r)
    {
        CChannel* c = r.session->ChannelObject();
        return c && c->RequestOverdue() && Requests(*r.unit) > r.requestsAtTick;
    }

    // One tick of every channel, one second after the last. With midFlight the tick comes
    // while a request waits for its reply where it can, as ticks at a one-second interval
    // do; otherwise once every poll thread is quiet. A good point must hold the values the
    // unit was given after the tick before.
    void TickAll(bool fault, bool mustBeGood, bool midFlight)
    {
        ASSERT_TRUE(Await([&] {
            bool ready = true;
            for (TRig& r : rigs) {
                const bool quiet = Quiet(r);
                ready = ready && (quiet || (midFlight && MidFlight(r)));
            }
            return ready;
        }));
        clock.AdvanceMs(1000);
        for (TRig& r : rigs) TickRig(r, fault, mustBeGood);
        ++pattern;
    }

    // One tick of one channel (the clock already moved on), with the unit given the values
    // of the next pattern. Returns true for an error point.
    bool TickRig(TRig& r, bool fault, bool mustBeGood)
    {
        // The poll thread may start the tick's cycle at once: the unit has the next values
        // before the tick asks for them.
        SetPattern(*r.unit, pattern + 1);
        // Counted before the tick: its cycle may begin, and send, before the tick returns.
        r.requestsAtTick = Requests(*r.unit);
        r.session->Tick();
        r.quietSince = -1;
        r.lineCleared = false;
        const int n = r.session->ValueSeries(0)->Count() - 1;
        const AnsiString label = r.session->ValueSeries(0)->GetXLabel(n);
        const bool error = label == ChannelText(resources::RowErrorExclamation);
        EXPECT_EQ(r.session->ValuesShownCurrent(), !error);
        if (pattern < 0) return error;  // the unit had no pattern before the first tick
        if (error) {
            ++r.errorPoints;
            if (mustBeGood) ++r.falseErrors;
            return error;
        }
        if (fault) ++r.goodFaultTicks;
        for (int k : kWatched)
            if (r.session->ValueSeries(k)->GetyValue(n) != Expected(k, pattern)) {
                ++r.staleGood;
                ADD_FAILURE() << "channel " << r.session->Channel() << " tick " << pattern + 1 << " series " << k
                              << ": " << r.session->ValueSeries(k)->GetyValue(n) << ", sent " << Expected(k, pattern);
                break;
            }
        return error;
    }

    // Good ticks, then the fault on every unit for `seconds` ticks, then the unit answers
    // again: the first two ticks after may still be errors, every later one is good.
    void Fault(support::UnitFault fault, int seconds)
    {
        // From the cycle after the last good tick on: the first fault tick comes while
        // the first faulty request waits, before any failure is known.
        clearGarbage = fault == support::UnitFault::GarbageFirstByte;
        for (TRig& r : rigs) r.unit->InjectFault(fault, -1);
        for (int i = 0; i < seconds; ++i) {
            // Every other tick while a request waits; the last one quiet, so no faulty
            // reply is on its way when the fault ends.
            TickAll(true, false, i % 2 == 0 && i + 1 < seconds);
        }
        for (TRig& r : rigs) r.unit->ClearFaults();
        // The cycle resumes after the row that failed, so the rows before it are answered
        // only in the cycle after: two ticks may still be errors.
        TickAll(false, false, false);
        clearGarbage = false;
        TickAll(false, false, false);
        for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    }

    void RunFaults()
    {
        for (int i = 0; i < 4; ++i) TickAll(false, true, false);
        Fault(support::UnitFault::NoReply, 20);
        Fault(support::UnitFault::GarbageFirstByte, 10);
        Fault(support::UnitFault::WrongChecksum, 10);
        Fault(support::UnitFault::Truncated, 5);
        for (const TRig& r : rigs) {
            const int ch = r.session->Channel();
            EXPECT_EQ(r.staleGood, 0) << ch;
            EXPECT_EQ(r.goodFaultTicks, 0) << ch;
            EXPECT_EQ(r.falseErrors, 0) << ch;
            // 45 fault ticks and at most two more after each fault.
            EXPECT_GE(r.errorPoints, 45) << ch;
            EXPECT_LE(r.errorPoints, 53) << ch;
            // 180 s at one second: the warning is not due.
            EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        }
        for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
    }

    // Three slaves on one pseudo-terminal, each recording at one second.
    void AddThreeSlaves(support::SimulatedUnitLine& line, std::vector<std::unique_ptr<CChannelSession>>& sessions)
    {
        for (int a = 1; a <= 3; ++a) {
            support::UnitState u;
            u.address = a;
            line.AddUnit(u);
        }
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        for (int a = 1; a <= 3; ++a) {
            sessions.push_back(std::make_unique<CChannelSession>(a));
            UseSerial(*sessions.back(), "RS485", line.SlavePath(), a);
            Add(*sessions.back(), *line.Unit(a));
        }
    }
    bool AllQuiet()
    {
        bool quiet = true;
        for (TRig& r : rigs) quiet = Quiet(r) && quiet;  // each rig is looked at
        return quiet;
    }
    // A request waits for the bus longer than its reply may take: nothing reached the
    // unit since the channel's tick.
    static bool OverdueBeforeSending(TRig& r)
    {
        CChannel* c = r.session->ChannelObject();
        return c && c->RequestOverdue() && Requests(*r.unit) == r.requestsAtTick;
    }
    // Some slave's thread is waiting for the shared bus.
    static bool BusWaited(TRig& r)
    {
        auto* bus = dynamic_cast<CRS485*>(r.session->ChannelObject());
        return bus && bus->SharedPort && bus->SharedPort->Bus().Waiting() > 0;
    }

    // Recording at the program's own timing with units that answer every request within
    // what their transport allows: `seconds` ticks one second apart, the user-interface
    // thread busy for busyMs of every second (a window drawing a large chart). No point may
    // be an error. (The device layer's clock stands still: however late the machine lets a
    // reply come, it is in time. How old the values get at the program's own timing on a
    // real clock is measured by the value-age benchmark.)
    void RecordWithoutFault(int seconds, int busyMs = 0)
    {
        const AnsiString err = ChannelText(resources::RowErrorExclamation);
        auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        for (int i = 0; i < seconds; ++i) {
            ASSERT_TRUE(Await([&] { return std::chrono::steady_clock::now() >= next; }));
            next += std::chrono::seconds(1);
            clock.AdvanceMs(1000);
            for (TRig& r : rigs) {
                r.session->Tick();
                const bool error = r.session->ValueSeries(0)->GetXLabel(r.session->ValueSeries(0)->Count() - 1) == err;
                r.errorPoints += error;
                EXPECT_FALSE(error) << "channel " << r.session->Channel() << " tick " << i << ": "
                                    << int(r.session->ChannelObject()->ValuesOutdated) << " "
                                    << r.session->ChannelObject()->ValuesTooOld() << " "
                                    << r.session->ChannelObject()->RequestOverdue();
            }
            // Busy: nothing runs on this thread meanwhile, neither events nor handed steps.
            if (busyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(busyMs));
        }
        for (const TRig& r : rigs) EXPECT_GT(Requests(*r.unit), seconds) << r.session->Channel();
    }
    static void UseProgramTiming()
    {
        comm::TCommTiming t;
        t.IdentificationStepMs = 1;
        comm::SetTiming(t);
    }
    // Slaves on one pseudo-terminal at a baud rate, each answering after replyMs.
    void AddSlaves(support::SimulatedUnitLine& line, std::vector<std::unique_ptr<CChannelSession>>& sessions, int count,
                   int firstChannel, const char* baud, int replyMs)
    {
        for (int a = 1; a <= count; ++a) {
            support::UnitState u;
            u.address = a;
            line.AddUnit(u);
        }
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        for (int a = 1; a <= count; ++a) {
            sessions.push_back(std::make_unique<CChannelSession>(firstChannel + a - 1));
            UseSerial(*sessions.back(), "RS485", line.SlavePath(), a);
            sessions.back()->Settings.BaudRate = baud;
            Add(*sessions.back(), *line.Unit(a));
        }
        // From the recording on (an identification of slow units takes long).
        for (int a = 1; a <= count; ++a) line.Unit(a)->InjectFault(support::UnitFault::LateReply, -1, replyMs);
    }

    // `slaves` units on one pseudo-terminal, each recorded by a channel of its own at
    // `interval`, as rigs.
    void AddLine(support::SimulatedUnitLine& line, std::vector<std::unique_ptr<CChannelSession>>& sessions, int slaves,
                 const char* interval)
    {
        for (int a = 1; a <= slaves; ++a) {
            support::UnitState u;
            u.address = a;
            line.AddUnit(u);
        }
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        rigs.reserve(std::size_t(slaves));
        for (int a = 1; a <= slaves; ++a) {
            sessions.push_back(std::make_unique<CChannelSession>(a));
            UseSerial(*sessions.back(), "RS485", line.SlavePath(), a);
            Add(*sessions.back(), *line.Unit(a), interval);
        }
    }
    // Protocol lines of a channel made from a text row.
    static int Lines(const CChannelSession& s, resources::TextRow row)
    {
        const AnsiString text = ChannelText(row);
        const AnsiString tail = text.substr(text.rfind('$') + 2);
        int n = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) n += l.find(tail) != AnsiString::npos;
        return n;
    }
    // Every channel names a stop of the whole program in `stopLines` lines and takes it for no
    // hold of its own poll thread; no row holds old values as good or is an error for nothing.
    void ExpectTheStopToldAlike(int stopLines)
    {
        for (const TRig& r : rigs) {
            EXPECT_EQ(Lines(*r.session, resources::RowMissedTicks), stopLines) << r.session->Channel();
            EXPECT_EQ(Lines(*r.session, resources::RowProgramWasHeld), 0) << r.session->Channel();
            EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
            EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
        }
    }
    // The poll threads of these rigs take steps (`active`) or none, as a thread in its pause
    // would; with `passed` once each has passed twice more.
    void Passing(const std::vector<std::size_t>& which, bool active, bool passed = true)
    {
        std::vector<int> passes;
        for (std::size_t i : which) {
            CTransceiver* poll = TransceiverThreads[rigs[i].session->Channel()];
            poll->Active = active ? 1 : 0;
            passes.push_back(poll->PassCount);
        }
        for (std::size_t k = 0; k < which.size() && passed; ++k)
            ASSERT_TRUE(Await(
                [&] { return TransceiverThreads[rigs[which[k]].session->Channel()]->PassCount >= passes[k] + 2; }));
    }
    std::vector<TRig> rigs;
    int pattern = -1;
    bool clearGarbage = false;
};

}  // namespace

TEST_F(FaultTicksTest, Rs232GoodPointsHoldOnlyTheCurrentCycleThroughEveryFault)
{
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    Add(s, line.First());
    RunFaults();
}

TEST_F(FaultTicksTest, Rs485SlavesGoodPointsHoldOnlyTheCurrentCycleThroughEveryFault)
{
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddThreeSlaves(line, sessions);
    RunFaults();
}

TEST_F(FaultTicksTest, Rs485NeighboursWaitingBehindASilentSlaveRecordNoOldValueAsGood)
{
    // A silent exchange holds the bus for its whole read time-out; the pause between two
    // steps is long enough to tick in it.
    comm::TCommTiming t = comm::Timing();
    t.ReadTimeoutMs = 300;
    t.PollStepMs = 40;
    comm::SetTiming(t);
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddThreeSlaves(line, sessions);
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);

    TRig& silent = rigs[0];
    // The silent slave's requests wait until the test lets them time out, each once it is
    // on the line (only that exchange is under way then: it holds the bus).
    deviceTime.timeOutUnanswered = false;
    int timedOut = 0;
    auto timeOutSilent = [&] {
        const int n = Requests(*silent.unit);
        if (n > timedOut && silent.session->ChannelObject()->RequestPending()) {
            timedOut = n;
            deviceClock.AdvanceMs(t.ReadTimeoutMs + 1);
        }
    };
    silent.unit->InjectFault(support::UnitFault::NoReply, -1);
    for (int round = 0; round < 4; ++round) {
        // The silent slave's request has timed out, its neighbours' cycles are through:
        // their points hold what their units sent since the tick before.
        ASSERT_TRUE(Await([&] {
            timeOutSilent();
            return AllQuiet();
        })) << round;
        clock.AdvanceMs(1000);
        EXPECT_TRUE(TickRig(silent, true, false)) << round;
        ASSERT_TRUE(Await([&] { return Requests(*silent.unit) > silent.requestsAtTick; })) << round;
        for (std::size_t i = 1; i < rigs.size(); ++i) EXPECT_FALSE(TickRig(rigs[i], false, true)) << round;
        ++pattern;
        // The neighbours' requests wait behind the silent exchange: nothing of theirs failed,
        // and their values are their own latest, well within what their cycle may take.
        ASSERT_TRUE(Await([&] {
            return BusWaited(rigs[1]) && rigs[1].session->ChannelObject()->PollRequest != 0 &&
                   silent.session->ChannelObject()->RequestPending();
        })) << round;
        clock.AdvanceMs(1000);
        for (TRig& r : rigs) {
            // The units keep their values over this tick: the cycles under way span it.
            r.session->Tick();
            const bool error = r.session->ValueSeries(0)->GetXLabel(r.session->ValueSeries(0)->Count() - 1) ==
                               ChannelText(resources::RowErrorExclamation);
            EXPECT_EQ(error, &r == &silent) << round << " " << r.session->Channel();
        }
    }
    ASSERT_TRUE(Await([&] {
        timeOutSilent();
        return AllQuiet();
    }));
    silent.unit->ClearFaults();
    deviceTime.timeOutUnanswered = true;
    for (int i = 0; i < 2; ++i) TickAll(false, false, false);
    for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    for (const TRig& r : rigs) {
        EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
        EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
        EXPECT_EQ(r.goodFaultTicks, 0) << r.session->Channel();
    }
    EXPECT_EQ(rigs[1].errorPoints, 0);
    EXPECT_EQ(rigs[2].errorPoints, 0);
    EXPECT_EQ(sessions[1]->ErrorTicks(), 0);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // A neighbour that cannot have the line for longer than one row may take (the bus held
    // here as a neighbour stuck in its exchange would): its cycle makes no progress, and the
    // next tick after that bound is an error.
    // Each of its two neighbours may hold the line for a read time-out twice over (a garbled
    // reply and the read that clears the line): a tick while the wait is within their share
    // is still good.
    t.ReadTimeoutMs = 400;
    t.PollStepMs = 20;
    comm::SetTiming(t);
    ASSERT_TRUE(Await([&] { return AllQuiet(); }));
    comm::TBusLock& bus = dynamic_cast<CRS485*>(rigs[1].session->ChannelObject())->SharedPort->Bus();
    bool taken = false;  // the condition may be asked more than once
    ASSERT_TRUE(Await([&] { return taken || (taken = bus.try_lock()); }));
    TRig& stuck = rigs[1];
    clock.AdvanceMs(1000);
    EXPECT_FALSE(TickRig(stuck, false, true));
    const std::int64_t asked = CChannel::SteadyMs();
    ASSERT_TRUE(Await([&] { return BusWaited(stuck); }));
    const int bound = stuck.session->ChannelObject()->RowBoundMs();
    // The slave's own row at 9600 Bd: two pauses, 64 characters, its read time-out.
    const int own = 2 * t.PollStepMs + (64 * 10 * 1000 + 9599) / 9600 + t.ReadTimeoutMs;
    EXPECT_GE(bound, own + 2 * 2 * t.ReadTimeoutMs);
    EXPECT_LT(bound, 3000);
    // Nothing can reach the line while the bus is held: the device layer's clock moves on
    // as the neighbour's wait goes on.
    deviceClock.AdvanceMs(asked + (own + bound) / 2 + 1 - CChannel::SteadyMs());
    clock.AdvanceMs(1000);
    stuck.session->Tick();
    EXPECT_NE(stuck.session->ValueSeries(0)->GetXLabel(stuck.session->ValueSeries(0)->Count() - 1),
              ChannelText(resources::RowErrorExclamation));
    deviceClock.AdvanceMs(asked + bound + 1 - CChannel::SteadyMs());
    clock.AdvanceMs(1000);
    const std::size_t lines = stuck.session->Memo(TSessionMemo::SerialData).size();
    stuck.session->Tick();
    EXPECT_EQ(stuck.session->ValueSeries(0)->GetXLabel(stuck.session->ValueSeries(0)->Count() - 1),
              ChannelText(resources::RowErrorExclamation));
    // No exchange of its own failed, so no fault names it: the row says why, once for the run
    // of such rows.
    const AnsiString why = ChannelText(resources::RowValuesNotRenewed);
    const AnsiString whyEnd = why.substr(why.find("$1") + 2);
    auto explained = [&] {
        int n = 0;
        for (const AnsiString& l : stuck.session->Memo(TSessionMemo::SerialData))
            n += l.find(whyEnd) != AnsiString::npos;
        return n;
    };
    ASSERT_EQ(stuck.session->Memo(TSessionMemo::SerialData).size(), lines + 1);
    EXPECT_EQ(explained(), 1);
    clock.AdvanceMs(1000);
    stuck.session->Tick();
    EXPECT_EQ(stuck.session->ValueSeries(0)->GetXLabel(stuck.session->ValueSeries(0)->Count() - 1),
              ChannelText(resources::RowErrorExclamation));
    EXPECT_EQ(explained(), 1);
    bus.unlock();
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

// A stop of the whole program is a hold for every slave on a shared RS485 line, however many
// neighbours it has. At 5 s with two and with eight slaves: a stop of 2 s between two ticks
// costs no point, each channel names it once, and its next point holds what the unit had
// after it (its thread fetched the values anew at once); a stop of 5 s across a tick makes
// that tick an error row at its own time, named by the missed-ticks line, and the tick after
// is good.
TEST_F(FaultTicksTest, Rs485SlavesTakeAStopOfTheWholeProgramAsAHoldWhateverTheirNeighbours)
{
    const AnsiString held = " Das Programm stand von ";
    const AnsiString gap = ChannelText(resources::RowMissedTicks);
    const AnsiString gapEnd = gap.substr(gap.find("$3") + 2);
    for (const int slaves : {2, 8}) {
        SCOPED_TRACE(slaves);
        support::SimulatedUnitLine line;
        for (int a = 1; a <= slaves; ++a) {
            support::UnitState u;
            u.address = a;
            line.AddUnit(u);
        }
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        std::vector<std::unique_ptr<CChannelSession>> sessions;
        rigs.clear();
        rigs.reserve(std::size_t(slaves));
        pattern = -1;
        for (int a = 1; a <= slaves; ++a) {
            sessions.push_back(std::make_unique<CChannelSession>(a));
            UseSerial(*sessions.back(), "RS485", line.SlavePath(), a);
            Add(*sessions.back(), *line.Unit(a), "5", "line" + std::to_string(slaves) + "-" + std::to_string(a));
        }
        constexpr std::int64_t interval = 5000;
        auto tickAll = [&](std::int64_t ms, bool mustBeGood) {
            EXPECT_TRUE(Await([&] { return AllQuiet(); }));
            clock.AdvanceMs(ms);
            for (TRig& r : rigs) EXPECT_FALSE(TickRig(r, false, mustBeGood) && mustBeGood);
            ++pattern;
        };
        tickAll(interval, false);
        tickAll(interval, true);

        // Stopped 1 s after a tick for 2 s.
        ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        ++pattern;
        std::vector<int> before;
        for (TRig& r : rigs) {
            SetPattern(*r.unit, pattern);
            before.push_back(Requests(*r.unit));
        }
        clock.AdvanceMs(1000);
        // Every thread has passed at that time before the stop begins.
        std::vector<int> passes;
        for (TRig& r : rigs) passes.push_back(TransceiverThreads[r.session->Channel()]->PassCount);
        ASSERT_TRUE(Await([&] {
            for (std::size_t i = 0; i < rigs.size(); ++i)
                if (TransceiverThreads[rigs[i].session->Channel()]->PassCount < passes[i] + 2) return false;
            return true;
        }));
        deviceClock.AdvanceMs(2000);
        clock.AdvanceMs(2000);
        for (std::size_t i = 0; i < rigs.size(); ++i)
            EXPECT_TRUE(Await([&] {
                return Requests(*rigs[i].unit) >= before[i] + TransceiverThreads[rigs[i].session->Channel()]->Count;
            })) << i;
        tickAll(interval - 3000, true);
        tickAll(interval, true);
        for (const TRig& r : rigs) {
            int lines = 0;
            for (const AnsiString& l : r.session->Memo(TSessionMemo::SerialData))
                lines += l.find(held) != AnsiString::npos;
            EXPECT_EQ(lines, 1) << r.session->Channel();
            EXPECT_TRUE(std::any_of(r.session->Memo(TSessionMemo::SerialData).begin(),
                                    r.session->Memo(TSessionMemo::SerialData).end(),
                                    [](const AnsiString& l) {
                                        return l.find(" (" + FormatFloat("0.0", 2.0) + " s): ") != AnsiString::npos;
                                    }))
                << r.session->Channel();
        }

        // Stopped 2 s after a tick for 5 s, the units' values changed meanwhile: the tick due
        // in it runs at once when the program goes on, whether or not a poll thread has run.
        std::vector<int> rows;
        std::vector<TDateTime> lastX;
        for (TRig& r : rigs) {
            rows.push_back(r.session->ValueSeries(0)->Count());
            lastX.push_back(r.session->ValueSeries(0)->GetxValue(rows.back() - 1));
        }
        ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        ++pattern;
        for (TRig& r : rigs) SetPattern(*r.unit, pattern);
        deviceClock.AdvanceMs(5000);
        clock.AdvanceMs(7000);
        for (TRig& r : rigs) r.session->Tick();
        for (std::size_t i = 0; i < rigs.size(); ++i) {
            const TFastLineSeries* first = rigs[i].session->ValueSeries(0);
            ASSERT_EQ(first->Count(), rows[i] + 1) << i;
            EXPECT_NEAR((first->GetxValue(rows[i]) - lastX[i]) * SecsPerDay, 5.0, 0.001) << i;
            EXPECT_EQ(first->GetXLabel(rows[i]), ChannelText(resources::RowErrorExclamation)) << i;
        }
        tickAll(2 * interval - 7000, true);
        for (const TRig& r : rigs) {
            int gaps = 0, holds = 0;
            for (const AnsiString& l : r.session->Memo(TSessionMemo::SerialData)) {
                gaps += l.find(gapEnd) != AnsiString::npos;
                holds += l.find(held) != AnsiString::npos;
            }
            EXPECT_EQ(gaps, 1) << r.session->Channel();
            EXPECT_EQ(holds, 1) << r.session->Channel();
            EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
            EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
        }
        for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
    }
}

// Slaves that are all silent hold the shared line in turn, each for its read time-out. A slave
// whose turn comes only after its neighbours have had theirs several times over (its thread
// kept from its steps meanwhile, as the line's lock may keep a waiting slave behind its
// neighbours) has waited for the line, it was not held: its rows are the communication faults
// they are, and no channel says that the program was held.
TEST_F(FaultTicksTest, Rs485SlavesThatAreAllSilentWriteNoHoldLine)
{
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddThreeSlaves(line, sessions);
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);
    for (TRig& r : rigs) r.unit->InjectFault(support::UnitFault::NoReply, -1);
    for (std::size_t late = 0; late < rigs.size(); ++late) {
        CTransceiver* poll = TransceiverThreads[rigs[late].session->Channel()];
        ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        poll->Active = 0;
        // Each tick, every neighbour's request times out: ten of them before the late slave
        // takes a step again.
        for (int tick = 0; tick < 5; ++tick) {
            const int passes = poll->PassCount;
            ASSERT_TRUE(Await([&] {
                bool quiet = poll->PassCount >= passes + 2;
                for (std::size_t i = 0; i < rigs.size(); ++i)
                    if (i != late) quiet = Quiet(rigs[i]) && quiet;
                return quiet;
            })) << late
                << " " << tick;
            clock.AdvanceMs(1000);
            for (TRig& r : rigs) TickRig(r, true, false);
            ++pattern;
        }
        poll->Active = 1;
        TickAll(true, false, false);
    }
    for (TRig& r : rigs) r.unit->ClearFaults();
    for (int i = 0; i < 2; ++i) TickAll(false, false, false);
    for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    for (const TRig& r : rigs) {
        int holds = 0;
        for (const AnsiString& l : r.session->Memo(TSessionMemo::SerialData))
            holds += l.find(" Das Programm stand von ") != AnsiString::npos;
        EXPECT_EQ(holds, 0) << r.session->Channel();
        EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
        EXPECT_EQ(r.goodFaultTicks, 0) << r.session->Channel();
        EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
    }
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

// A window connecting to an address where no unit answers keeps the shared line for the read
// time-out of each try of its identification: its neighbours, recording on the line, write no
// hold line for that. A stop of the whole program during such a try keeps the line beyond the
// bound the try declared: a hold for the neighbours all the same. Every tick due in it is an
// error row named by one line, also where the tick at the stop's end runs before any poll
// thread, and no good row holds a value from before it.
TEST_F(FaultTicksTest, Rs485AStopDuringANeighboursIdentificationIsAHoldForTheRecordingSlaves)
{
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    ASSERT_NO_FATAL_FAILURE(AddLine(line, sessions, 3, "1"));
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);
    auto triesAtSeven = [&] {
        int n = 0;
        for (const support::LoggedFrame& f : line.Frames()) n += f.address == 7;
        return n;
    };
    const std::vector<std::size_t> all = {0, 1, 2};
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop);
        // Without a stop each try ends at its read time-out (the device clock moves on by it);
        // with one, the first try waits for its reply until the stop is over.
        deviceTime.timeOutUnanswered = !stop;
        CChannelSession connecting(4 + int(stop));
        UseSerial(connecting, "RS485", line.SlavePath(), 7);
        const int tries = triesAtSeven();
        ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        ASSERT_TRUE(connecting.EstablishConnection());
        if (stop) {
            ASSERT_TRUE(Await([&] { return triesAtSeven() > tries; }));
            ++pattern;
            for (TRig& r : rigs) SetPattern(*r.unit, pattern);
            ASSERT_NO_FATAL_FAILURE(Passing(all, false));
            deviceClock.AdvanceMs(3000);
            clock.AdvanceMs(3400);
            for (TRig& r : rigs) EXPECT_TRUE(TickRig(r, true, false)) << r.session->Channel();
            ++pattern;
            ASSERT_NO_FATAL_FAILURE(Passing(all, true, false));
            deviceTime.timeOutUnanswered = true;
        }
        while (triesAtSeven() < tries + 3) TickAll(false, !stop, false);
        ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(connecting));
        EXPECT_FALSE(connecting.IsConnected());
        for (int i = 0; i < 2; ++i) TickAll(false, !stop, false);
        for (int i = 0; i < 3; ++i) TickAll(false, true, false);
        ExpectTheStopToldAlike(stop ? 1 : 0);
    }
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

// Eight slaves at 1 s. A stop of the whole program just under the hold limit, begun while half
// of the poll threads were in their pause and the others had just passed, is judged alike in
// every channel: no hold, and the tick at its end is good in each. A stop of 3 s is a hold in
// each, named by one line, also where a thread takes no step until after the next tick (it
// waits behind the slaves fetching their values anew): that tick ran, its row is its own.
TEST_F(FaultTicksTest, Rs485EightSlavesJudgeAStopAlikeAndNameItOnce)
{
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    ASSERT_NO_FATAL_FAILURE(AddLine(line, sessions, 8, "1"));
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);
    const std::vector<std::size_t> half = {1, 3, 5, 7}, others = {0, 2, 4, 6}, all = {0, 1, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(Await([&] { return AllQuiet(); }));
    ASSERT_NO_FATAL_FAILURE(Passing(half, false));
    deviceClock.AdvanceMs(300);
    ASSERT_NO_FATAL_FAILURE(Passing(others, true));
    deviceClock.AdvanceMs(rigs[0].session->ChannelObject()->HeldLimitMs() - 150);
    clock.AdvanceMs(1000);
    for (TRig& r : rigs) EXPECT_FALSE(TickRig(r, false, true)) << r.session->Channel();
    ++pattern;
    ASSERT_NO_FATAL_FAILURE(Passing(all, true));
    TickAll(false, true, false);

    ASSERT_TRUE(Await([&] { return AllQuiet(); }));
    ++pattern;
    for (TRig& r : rigs) SetPattern(*r.unit, pattern);
    ASSERT_NO_FATAL_FAILURE(Passing(all, false));
    deviceClock.AdvanceMs(3000);
    clock.AdvanceMs(3400);
    for (TRig& r : rigs) EXPECT_TRUE(TickRig(r, true, false)) << r.session->Channel();
    ++pattern;
    ASSERT_NO_FATAL_FAILURE(Passing(others, true));
    ASSERT_TRUE(Await(
        [&] { return std::all_of(others.begin(), others.end(), [&](std::size_t i) { return Quiet(rigs[i]); }); }));
    clock.AdvanceMs(1000);
    for (std::size_t i : half) {
        const int rows = rigs[i].session->ValueSeries(0)->Count();
        EXPECT_TRUE(TickRig(rigs[i], true, false)) << i;
        EXPECT_EQ(rigs[i].session->ValueSeries(0)->Count(), rows + 1) << i;
    }
    for (std::size_t i : others) TickRig(rigs[i], false, false);
    ++pattern;
    ASSERT_NO_FATAL_FAILURE(Passing(half, true));
    for (int i = 0; i < 2; ++i) TickAll(false, false, false);
    for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    ExpectTheStopToldAlike(1);
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

// An error row whose values are outdated owes a line saying since when, unless one since the
// last good row covers it: here a hold of the poll thread that began before the line of a
// stall of the window's ticks, told by the thread only after a good row.
TEST_F(FaultTicksTest, AnErrorRowOutdatedByAnEarlierHoldSaysSinceWhen)
{
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    ASSERT_NO_FATAL_FAILURE(AddLine(line, sessions, 3, "1"));
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);
    TRig& r = rigs[0];
    ASSERT_TRUE(Await([&] { return AllQuiet(); }));
    ASSERT_NO_FATAL_FAILURE(Passing({0}, false));
    clock.AdvanceMs(3000);
    EXPECT_FALSE(TickRig(r, false, true));
    ++pattern;
    // The thread was held, then its neighbour keeps the line: the cycle asked for after the
    // hold renews nothing before the next tick.
    comm::TBusLock& bus = dynamic_cast<CRS485*>(r.session->ChannelObject())->SharedPort->Bus();
    bool taken = false;
    ASSERT_TRUE(Await([&] { return taken || (taken = bus.try_lock()); }));
    bus.DeclareHolder(&bus, 100);
    deviceClock.AdvanceMs(r.session->ChannelObject()->HeldLimitMs() + 300);
    ASSERT_NO_FATAL_FAILURE(Passing({0}, true, false));
    ASSERT_TRUE(Await([&] { return BusWaited(r); }));
    const std::size_t lines = r.session->Memo(TSessionMemo::SerialData).size();
    clock.AdvanceMs(1000);
    EXPECT_TRUE(TickRig(r, false, false));
    EXPECT_EQ(r.session->Memo(TSessionMemo::SerialData).size(), lines + 1);
    EXPECT_EQ(Lines(*r.session, resources::RowValuesNotRenewed), 1);
    bus.unlock();
    for (const TRig& rig : rigs) ASSERT_TRUE(rig.session->Close());
}

TEST_F(FaultTicksTest, NoErrorPointWithoutAFaultWhereverInTheCycleTheTickComes)
{
    // The allowance a reply has in the program; replies take a while, as on a real line, so
    // the slaves' requests keep waiting for the bus.
    comm::TCommTiming t = comm::Timing();
    t.ReadTimeoutMs = 1000;
    comm::SetTiming(t);
    support::SimulatedUnitLine line;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddThreeSlaves(line, sessions);
    for (TRig& r : rigs) r.unit->InjectFault(support::UnitFault::LateReply, -1, 60);
    // The first slave runs a program: its setpoint and output frames stand in the cycle.
    auto programFrames = [&] { sessions[0]->SendProgramCommands("G0DI*07D0", "C14*************", false); };
    CChannel* first = sessions[0]->ChannelObject();
    int midCycle = 0;
    for (int i = 0; i < 30; ++i) {
        programFrames();
        TickAll(false, true, false);
        // Halfway through the cycle the tick asked for, while a slave waits for the bus: the
        // rows still to come hold the cycle before's values, which are current until their
        // turn comes. The tick's own request joins the cycle under way.
        // The bus is held here as a neighbour's exchange would hold it, so the first slave is
        // sure to be found waiting.
        CTransceiver* poll = TransceiverThreads[1];
        ASSERT_TRUE(Await([&] { return first->PollRequest != 0 && poll->Position >= 3 && poll->Position < 6; })) << i;
        comm::TBusLock& bus = dynamic_cast<CRS485*>(first)->SharedPort->Bus();
        bool taken = false;  // the condition may be asked more than once
        ASSERT_TRUE(Await([&] { return taken || (taken = bus.try_lock()); })) << i;
        // A loaded machine may let the cycle end before the bus is taken: that tick comes
        // after a finished cycle instead, which must be good as well.
        const bool waiting = first->PollRequest != 0 && Await([&] { return BusWaited(rigs[0]); });
        midCycle += waiting;
        clock.AdvanceMs(1000);
        programFrames();
        for (TRig& r : rigs) {
            r.session->Tick();
            const AnsiString label = r.session->ValueSeries(0)->GetXLabel(r.session->ValueSeries(0)->Count() - 1);
            EXPECT_NE(label, ChannelText(resources::RowErrorExclamation)) << i << " " << r.session->Channel();
        }
        bus.unlock();
    }
    EXPECT_GE(midCycle, 10);
    for (const TRig& r : rigs) {
        EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
        EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
    }
    EXPECT_GT(line.Unit(1)->RequestCount(support::UnitCommand::G), 30);
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

TEST_F(FaultTicksTest, TcpGoodPointsHoldOnlyTheCurrentCycleThroughEveryFault)
{
    support::SimulatedUnitLine line;
    CChannelSession s(4);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    Add(s, line.First());
    RunFaults();
}

TEST_F(FaultTicksTest, AReplyWithinTheReadTimeOutIsNeverLateAndOneBeyondItFails)
{
    // The read waits long enough for the slow reply; the reply itself is good.
    comm::TCommTiming t = comm::Timing();
    t.ReadTimeoutMs = 5000;
    comm::SetTiming(t);
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    Add(s, line.First());
    TickAll(false, false, false);
    TickAll(false, true, false);

    // A tick while the reply takes two and a half seconds, well within the read time-out:
    // the point holds the unit's latest values as far as they have come and is good. (The
    // unit keeps its values over this tick: the cycle under way spans it.)
    line.First().InjectFault(support::UnitFault::LateReply, 1, 2500);
    TRig& r = rigs.front();
    CChannel* c = s.ChannelObject();
    ASSERT_TRUE(Await([&] { return c->RequestPending() && Requests(*r.unit) > r.requestsAtTick; }));
    // Half a second into the wait: far longer than the unit's usual answer.
    ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
    deviceClock.AdvanceMs(500);
    ASSERT_TRUE(c->RequestPending());
    clock.AdvanceMs(1000);
    s.Tick();
    EXPECT_EQ(s.ValueSeries(0)->GetXLabel(s.ValueSeries(0)->Count() - 1), "");
    EXPECT_TRUE(s.ValuesShownCurrent());
    TickAll(false, true, false);
    TickAll(false, true, false);
    EXPECT_EQ(r.staleGood, 0);
    EXPECT_EQ(r.falseErrors, 0);
    EXPECT_EQ(s.ErrorTicks(), 0);

    // A reply that would come after the read time-out is a time-out, and the tick that finds
    // its request waiting beyond it an error.
    t.ReadTimeoutMs = 300;
    comm::SetTiming(t);
    line.First().InjectFault(support::UnitFault::LateReply, 1, 3000);
    ASSERT_TRUE(Await([&] { return line.HoldsReply() && c->RequestPending(); }));
    deviceClock.AdvanceMs(3000);
    ASSERT_TRUE(Await([&] { return c->RequestOverdue() || c->CommError == 1; }));
    clock.AdvanceMs(1000);
    EXPECT_TRUE(TickRig(r, true, false));
    EXPECT_EQ(s.ErrorTicks(), 1);
    ASSERT_TRUE(s.Close());
}

TEST_F(FaultTicksTest, TheWarningCountsFaultTicksButNotTheTicksThatWaitForTheCycleToComeRound)
{
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    Add(s, line.First(), "60", "glitches");
    // A tick once the poll thread is quiet or, with midFlight, while a request waits.
    auto tick = [&](bool midFlight = false) {
        TRig& r = rigs.front();
        ASSERT_TRUE(Await([&] { return Quiet(r) || (midFlight && MidFlight(r)); }));
        r.quietSince = -1;
        clock.AdvanceMs(60000);
        r.requestsAtTick = Requests(line.First());
        s.Tick();
    };
    auto label = [&] { return s.ValueSeries(0)->GetXLabel(s.ValueSeries(0)->Count() - 1); };
    const AnsiString err = ChannelText(resources::RowErrorExclamation);

    // At 60 s the warning is due after three fault ticks. Two short glitches in a row (S2
    // in one cycle, C in the next) are two; the tick after them still waits for G, S1 and
    // S2 to be answered again and is an error point, but no third fault.
    tick();
    line.First().SetAnswerPattern(support::UnitCommand::S2, "0");
    line.First().SetAnswerPattern(support::UnitCommand::C, "0");
    tick();
    EXPECT_EQ(label(), err);
    tick();
    EXPECT_EQ(label(), err);
    tick();
    EXPECT_EQ(label(), err);
    EXPECT_EQ(s.ErrorTicks(), 2);
    tick();
    EXPECT_EQ(label(), "");
    EXPECT_EQ(s.ErrorTicks(), 0);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // A unit that stays silent: every tick counts, whether it finds the time-out reported
    // or a request still waiting, so the warning comes after 180 s.
    line.First().InjectFault(support::UnitFault::NoReply, -1);
    for (int i = 0; i < 3; ++i) {
        tick(i % 2 == 0);
        EXPECT_EQ(label(), err) << i;
    }
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Kanal 1 (" + s.ChannelLabel() + ")\n\n" +
                                                             ChannelText(resources::RowTooManyCommErrors) +
                                                             " Fehler seit 22:05:00.");
    ASSERT_TRUE(s.Close());
}

TEST_F(FaultTicksTest, WhileTheWindowIsHeldThePollingGoesOnAndItsRepliesAndLinesComeBeforeTheNextTick)
{
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    Add(s, line.First());
    for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    TRig& r = rigs.front();
    CChannel* c = s.ChannelObject();
    CTransceiver* poll = TransceiverThreads[s.Channel()];
    // Waits as a held window does: nothing runs on this thread, neither events nor handed steps.
    auto held = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    // Every row of a cycle asked for after `sent` requests has been answered, and the
    // answers are handed over.
    int sent = 0;
    auto cycleBack = [&] { return c->PollRequest == 0 && Requests(*r.unit) >= sent + poll->Count; };

    // The cycle a tick asked for comes back while the window is held: the next tick takes its
    // replies, though the window has not decoded them yet.
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    sent = Requests(*r.unit);
    clock.AdvanceMs(1000);
    EXPECT_FALSE(TickRig(r, false, true));
    ++pattern;
    ASSERT_TRUE(held(cycleBack));
    clock.AdvanceMs(1000);
    EXPECT_FALSE(TickRig(r, false, true));
    ++pattern;

    // No tick for eight seconds: the poll thread goes on on its own clock, so the first tick
    // after the stall records the unit's values of the last second, not of before the stall.
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    SetPattern(*r.unit, ++pattern);
    sent = Requests(*r.unit);
    clock.AdvanceMs(8000);
    ASSERT_TRUE(held(cycleBack));
    clock.AdvanceMs(1000);
    const int before = s.ValueSeries(0)->Count();
    EXPECT_FALSE(TickRig(r, false, true));
    ++pattern;
    EXPECT_EQ(s.ValueSeries(0)->Count(), before + 9);  // eight missed ticks and this one
    for (int i = 0; i < 2; ++i) TickAll(false, true, false);

    // A time-out comes while the window is held; the tick after the stall puts its line first.
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    r.unit->InjectFault(support::UnitFault::NoReply, -1);
    clock.AdvanceMs(1000);
    TickRig(r, true, false);
    ++pattern;
    ASSERT_TRUE(held([&] { return c->CommError == 1; }));
    clock.AdvanceMs(5000);
    s.Tick();
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    r.unit->ClearFaults();
    // "dd.mm.yyyy hh:nn:ss" as "yyyymmddhhnnss".
    auto stamp = [](const AnsiString& l) {
        return l.size() < 19 ? AnsiString() : l.substr(6, 4) + l.substr(3, 2) + l.substr(0, 2) + l.substr(11, 8);
    };
    const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
    ASSERT_GE(protocol.size(), 2u);
    const AnsiString gapText = ChannelText(resources::RowMissedTicks);
    const AnsiString gapEnd = gapText.substr(gapText.find("$3") + 2);
    int timeouts = 0, gaps = 0;
    for (std::size_t i = 0; i < protocol.size(); ++i) {
        timeouts += protocol[i].find(" Timeout !") != AnsiString::npos;
        gaps += protocol[i].find(gapEnd) != AnsiString::npos;
        if (i > 0) {
            EXPECT_LE(stamp(protocol[i - 1]), stamp(protocol[i])) << protocol[i - 1] << " / " << protocol[i];
        }
    }
    EXPECT_GE(timeouts, 1);
    EXPECT_EQ(gaps, 2);
    EXPECT_EQ(r.staleGood, 0);
    EXPECT_EQ(r.falseErrors, 0);
    ASSERT_TRUE(s.Close());
}

TEST_F(FaultTicksTest, AfterTheWholeProgramWasHeldNoPointHoldsAValueFromBeforeTheHold)
{
    support::SimulatedUnitLine serial, network;
    CChannelSession rs232(1), tcp(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(serial, rs232));
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(network, tcp));
    Add(rs232, serial.First());
    Add(tcp, network.First());
    for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    // The computer sleeps (or the process is stopped) for ten seconds with every thread
    // between two passes: both clocks move on at once, the units' values change meanwhile.
    // The first tick comes at once, before the poll threads run again (an error point), then
    // once they have passed: each has noticed the hold itself and fetched the values anew at
    // once, so the tick after that cycle is good. A good point only ever holds values
    // fetched after the hold.
    // Every poll thread has passed twice from now on (a step it was in has ended).
    auto awaitTwoPasses = [&] {
        std::vector<int> passes;
        for (TRig& r : rigs) passes.push_back(TransceiverThreads[r.session->Channel()]->PassCount);
        return Await([&] {
            for (std::size_t i = 0; i < rigs.size(); ++i)
                if (TransceiverThreads[rigs[i].session->Channel()]->PassCount < passes[i] + 2) return false;
            return true;
        });
    };
    for (const bool threadsFirst : {false, true}) {
        ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        // The tick that comes first finds the poll threads held until it has run: a thread let
        // on at once might notice the hold and run its cycle before the tick.
        if (!threadsFirst) {
            for (TRig& r : rigs) TransceiverThreads[r.session->Channel()]->Active = 0;
            ASSERT_TRUE(awaitTwoPasses());
        }
        for (TRig& r : rigs) SetPattern(*r.unit, pattern + 1);
        ++pattern;
        deviceClock.AdvanceMs(10000);
        clock.AdvanceMs(10000);
        if (threadsFirst) {
            ASSERT_TRUE(awaitTwoPasses());
            ASSERT_TRUE(Await([&] { return AllQuiet(); }));
        }
        for (TRig& r : rigs) EXPECT_EQ(TickRig(r, false, threadsFirst), !threadsFirst);
        ++pattern;
        for (TRig& r : rigs) TransceiverThreads[r.session->Channel()]->Active = 1;
        // A cycle after the hold makes the values current again.
        for (int i = 0; i < 2; ++i) TickAll(false, false, false);
        for (int i = 0; i < 3; ++i) TickAll(false, true, false);
    }
    for (const TRig& r : rigs) {
        EXPECT_EQ(r.staleGood, 0) << r.session->Channel();
        EXPECT_EQ(r.falseErrors, 0) << r.session->Channel();
        // Not a fault of the link: no warning is due for it.
        EXPECT_EQ(r.session->ErrorTicks(), 0) << r.session->Channel();
    }
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

TEST_F(FaultTicksTest, SlowUnitsOnTheirOwnLinesRecordNoErrorPoint)
{
    // Units as slow as those in the field (900 ms on a serial line, 450 ms over the network),
    // each answering within its transport's time-out: a reply that comes in time is in time,
    // however long the window takes to decode it.
    UseProgramTiming();
    comm::TCommTiming t = comm::Timing();
    t.ReadTimeoutMs = 1600;
    t.ReplyWaitMs = 1100;
    comm::SetTiming(t);
    support::SimulatedUnitLine serial, network;
    CChannelSession rs232(1), tcp(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(serial, rs232));
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(network, tcp));
    Add(rs232, serial.First());
    Add(tcp, network.First());
    serial.First().InjectFault(support::UnitFault::LateReply, -1, 900);
    network.First().InjectFault(support::UnitFault::LateReply, -1, 450);
    RecordWithoutFault(12);
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

TEST_F(FaultTicksTest, SlavesOnASlowLineOrAnsweringSlowlyRecordNoErrorPoint)
{
    // Four slaves at 2400 Bd (each reply comes after its frames' time on such a line) and
    // three slaves that take 250 ms to answer.
    UseProgramTiming();
    support::SimulatedUnitLine slowLine, slowUnits;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddSlaves(slowLine, sessions, 4, 1, "2400", 180);
    AddSlaves(slowUnits, sessions, 3, 5, "9600", 250);
    RecordWithoutFault(12);
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

TEST_F(FaultTicksTest, ABusyWindowMakesNoErrorPoint)
{
    UseProgramTiming();
    support::SimulatedUnitLine bus, network;
    std::vector<std::unique_ptr<CChannelSession>> sessions;
    AddSlaves(bus, sessions, 3, 1, "9600", 200);
    CChannelSession tcp(4);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(network, tcp));
    Add(tcp, network.First());
    RecordWithoutFault(12, 600);
    for (const TRig& r : rigs) ASSERT_TRUE(r.session->Close());
}

TEST_F(FaultTicksTest, AFaultThePollThreadWentPastForACommandCountsWhenItHappenedAndRenewedValuesAreGood)
{
    // At 60 s the warning is due after three fault ticks.
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    TRig& r = Add(s, line.First(), "60", "passed");
    auto tick = [&](bool mustBeGood) {
        EXPECT_TRUE(Await([&] { return Quiet(r); }));
        clock.AdvanceMs(60000);
        const bool error = TickRig(r, false, mustBeGood);
        ++pattern;
        return error;
    };
    const AnsiString warning = ChannelText(resources::RowTooManyCommErrors);
    auto warningLines = [&] {
        int n = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) n += l.find(warning) != AnsiString::npos;
        return n;
    };
    tick(false);
    tick(true);

    // The unit is silent for two ticks' cycles: two fault ticks.
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    r.unit->InjectFault(support::UnitFault::NoReply, -1);
    tick(true);
    EXPECT_TRUE(tick(false));
    EXPECT_TRUE(tick(false));
    EXPECT_EQ(s.ErrorTicks(), 2);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // It answers again, but nothing asks it until the next tick, a minute away. A setpoint
    // given now makes the poll thread go past the fault of the last cycle: that fault, the
    // third, brings the warning at once, not after the unit has answered a whole cycle.
    ASSERT_TRUE(Await([&] { return Quiet(r) && s.ChannelObject()->CommError == 1; }));
    r.unit->ClearFaults();
    const AnsiString frame = CTolvarProtocol::BuildDeviceFrame("[M1G0D**0C1D", 1);
    ASSERT_EQ(s.QueueDeviceCommand(frame, 24, CTolvarProtocol::BuildDeviceFrame("[M1C14*************", 1), true),
              DeviceCommandQueue::TResult::Taken);
    // The window is busy meanwhile: the command's reply is in before it counts the fault
    // the poll thread went past (the thread hands that count over without waiting for it).
    const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!s.ChannelObject()->AnsweredSinceFault() && std::chrono::steady_clock::now() < busyUntil)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(s.ChannelObject()->AnsweredSinceFault());
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
    // The unit had not answered since that fault when the thread went past it (it answered
    // the command after): the warning says since when the errors are.
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Kanal 1 (" + s.ChannelLabel() + ")\n\n" + warning + " Fehler seit 22:03:00.");
    EXPECT_EQ(warningLines(), 1);

    // Every polled command has been answered since: the next tick's point is good, and no
    // further warning comes.
    ASSERT_TRUE(Await([&] { return !s.ChannelObject()->OneShotInProgress(); }));
    EXPECT_FALSE(tick(true));
    EXPECT_FALSE(tick(true));
    EXPECT_EQ(s.ErrorTicks(), 0);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(warningLines(), 1);
    EXPECT_EQ(r.staleGood, 0);
    EXPECT_EQ(r.falseErrors, 0);
    EXPECT_DOUBLE_EQ(r.unit->State().setpoint, 31.01);
    ASSERT_TRUE(s.Close());
}

TEST_F(FaultTicksTest, ALateTickTakesTheCycleThePollThreadAskedForItselfAndAsksForNoOther)
{
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    TRig& r = Add(s, line.First(), "60", "late");
    CChannel* c = s.ChannelObject();
    CTransceiver* poll = TransceiverThreads[s.Channel()];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Await([&] { return Quiet(r); }));
        clock.AdvanceMs(60000);
        TickRig(r, false, i > 0);
        ++pattern;
    }
    // How long before a late tick the thread's own cycle may have begun for the values it
    // fetched to serve the next tick as well: a row bound for each row.
    const int stand = c->RowBoundMs() * poll->Count;
    ASSERT_GT(stand, 1000);
    ASSERT_LT(stand, 30000);

    for (const int lateMs : {stand / 2, stand + 1000}) {
        SCOPED_TRACE(lateMs);
        // The window is held past the interval: the poll thread asks for the cycle itself
        // and the unit's values of now come in.
        ASSERT_TRUE(Await([&] { return Quiet(r); }));
        SetPattern(*r.unit, ++pattern);
        const int before = Requests(*r.unit);
        clock.AdvanceMs(61000);
        ASSERT_TRUE(Await([&] { return Requests(*r.unit) >= before + poll->Count && Quiet(r); }));
        // The tick comes late: its point holds those values.
        clock.AdvanceMs(lateMs);
        EXPECT_FALSE(TickRig(r, false, true));
        ++pattern;
        const int afterLate = r.requestsAtTick;
        const bool asked = c->PollRequest != 0;
        // Shortly after the thread's cycle the tick asks for no other; long after it, it does.
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 5 && Quiet(r); }));
        if (lateMs < stand) {
            EXPECT_FALSE(asked);
            EXPECT_EQ(Requests(*r.unit), afterLate);
            // The next tick, on time again, takes the values the thread's cycle fetched.
            clock.AdvanceMs(60000 - 1000 - lateMs);
            r.requestsAtTick = Requests(*r.unit);
            s.Tick();
            const int n = s.ValueSeries(0)->Count() - 1;
            EXPECT_EQ(s.ValueSeries(0)->GetXLabel(n), "");
            EXPECT_EQ(s.ValueSeries(sTIntern)->GetyValue(n), Expected(sTIntern, pattern - 1));
        } else {
            EXPECT_EQ(Requests(*r.unit), afterLate + poll->Count);
        }
        // The ticks go on as before.
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(Await([&] { return Quiet(r); }));
            clock.AdvanceMs(60000);
            EXPECT_FALSE(TickRig(r, false, true));
            ++pattern;
        }
    }
    EXPECT_EQ(r.staleGood, 0);
    EXPECT_EQ(r.falseErrors, 0);
    ASSERT_TRUE(s.Close());
}

TEST_F(FaultTicksTest, AFirstPointHoldsNoValueFromBeforeALongFileDialog)
{
    // The identification reads the unit's values (pattern 1); the user then takes a while in
    // the data file's dialog, during which the unit's values change (pattern 2). Started at
    // once, the recording's first point is taken at once from the identification's values;
    // after 30 s in the dialog it holds the values of a cycle after the dialog, or, when that
    // cycle fails, is an error point taken at once.
    // So at a one-second interval and at 60 s, where 30 s old values are still younger than
    // a regular tick's may be. Taken as its cycle came back, between the window's ticks, the
    // first point has the window's timer start anew: the next tick is an interval after it.
    enum class Start { AtOnce, Late, LateUnitSilent };
    int channel = 0;
    for (const int interval : {1, 60})
        for (const Start start : {Start::AtOnce, Start::Late, Start::LateUnitSilent}) {
            SCOPED_TRACE(std::to_string(interval) + " s, " + std::to_string(int(start)));
            support::SimulatedUnitLine line;
            CChannelSession s(++channel);
            ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
            support::SimulatedUnit& unit = line.First();
            s.Settings.Interval = IntToStr(interval);
            int restarts = 0;
            s.OnFirstPointTaken = [&] { ++restarts; };
            SetPattern(unit, 1);
            support::TestDialogs().OnFileDialog = [&](const platform::FileDialogRequest&) {
                if (start == Start::AtOnce) return;
                clock.AdvanceMs(30000);
                deviceClock.AdvanceMs(30000);
                SetPattern(unit, 2);
                if (start == Start::LateUnitSilent) unit.InjectFault(support::UnitFault::NoReply, -1);
            };
            support::TestDialogs().QueueFileName(Path(("late" + std::to_string(channel)).c_str()));
            ASSERT_TRUE(s.EstablishConnection());
            ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(s));
            support::TestDialogs().OnFileDialog = nullptr;
            ASSERT_TRUE(s.IsConnected());
            TFastLineSeries* first = s.ValueSeries(0);
            if (start == Start::AtOnce) {
                ASSERT_EQ(first->Count(), 1);
            }
            // A cycle that fails makes the first point an error point at once, at the start:
            // it does not wait for the values' bound (the program's clock stands still).
            ASSERT_TRUE(Await([&] { return first->Count() >= 1; }));
            const bool error = first->GetXLabel(0) == ChannelText(resources::RowErrorExclamation);
            EXPECT_EQ(error, start == Start::LateUnitSilent);
            EXPECT_EQ(restarts, start == Start::AtOnce ? 0 : 1);
            if (!error) {
                for (int k : kWatched)
                    EXPECT_EQ(s.ValueSeries(k)->GetyValue(0), Expected(k, start == Start::AtOnce ? 1 : 2)) << k;
            }
            unit.ClearFaults();
            ASSERT_TRUE(s.Close());
        }
}

TEST_F(FaultTicksTest, AFirstPointWaitsForACycleLongerThanTheIntervalAfterALongFileDialog)
{
    // A unit whose poll cycle takes longer than the interval: each of its replies comes 300 ms
    // after the request, six rows to a cycle. After 30 s in the file dialog the cycle asked for
    // at the start cannot be through within one interval. The window's tick in the meantime
    // takes no point; the first point is good and holds the values of that cycle (not the
    // identification's) once it is through. A silent unit's first point is an error point as
    // soon as the cycle has failed.
    int channel = 0;
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent);
        support::SimulatedUnitLine line;
        line.SetReplyClock([this] { return deviceClock.NowMs(); });
        CChannelSession s(++channel);
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
        support::SimulatedUnit& unit = line.First();
        s.Settings.Interval = "1";
        SetPattern(unit, 1);
        support::TestDialogs().OnFileDialog = [&](const platform::FileDialogRequest&) {
            clock.AdvanceMs(30000);
            deviceClock.AdvanceMs(30000);
            SetPattern(unit, 2);
            unit.InjectFault(silent ? support::UnitFault::NoReply : support::UnitFault::LateReply, -1, 300);
        };
        support::TestDialogs().QueueFileName(Path(("slow" + std::to_string(channel)).c_str()));
        ASSERT_TRUE(s.EstablishConnection());
        ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(s));
        support::TestDialogs().OnFileDialog = nullptr;
        ASSERT_TRUE(s.IsConnected());
        TFastLineSeries* first = s.ValueSeries(0);
        CChannel* c = s.ChannelObject();
        if (silent) {
            // The cycle fails at its first row: the first point is an error point at once, not
            // once the values are older than a regular tick's may be (the clock stands still).
            ASSERT_TRUE(Await([&] { return first->Count() >= 1 && c->RowBoundMs() > 0; }));
            EXPECT_EQ(first->GetXLabel(0), ChannelText(resources::RowErrorExclamation));
            EXPECT_GE(c->ValuesBoundMs(1000), 1000 + 6 * c->RowBoundMs());
        } else {
            // Each reply is let go 300 ms (on both clocks) after its request came in; the
            // window's tick comes one second after the start, while rows are still due.
            std::int64_t waited = 0;
            int requests = 0;
            bool windowTicked = false;
            for (;;) {
                ASSERT_TRUE(
                    Await([&] { return first->Count() > 0 || (line.HoldsReply() && Requests(unit) > requests); }));
                if (first->Count() > 0) break;
                requests = Requests(unit);
                clock.AdvanceMs(300);
                deviceClock.AdvanceMs(300);
                waited += 300;
                if (!windowTicked && waited >= 1000) {
                    windowTicked = true;
                    EXPECT_FALSE(s.Tick());
                    EXPECT_EQ(first->Count(), 0);
                }
                ASSERT_LT(waited, c->ValuesBoundMs(1000));
            }
            EXPECT_TRUE(windowTicked);
            EXPECT_NE(first->GetXLabel(0), ChannelText(resources::RowErrorExclamation));
            EXPECT_TRUE(s.ValuesShownCurrent());
            for (int k : kWatched) EXPECT_EQ(s.ValueSeries(k)->GetyValue(0), Expected(k, 2)) << k;
        }
        unit.ClearFaults();
        deviceClock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
        ASSERT_TRUE(s.Close());
    }
}

// A new recording in the window (its time axis starts anew) a minute after the last tick,
// while the cycle asked for then has answered its first row only: that cycle goes on, but
// the first point waits for every row to be answered after the start, the first row too,
// and holds the unit's values of then; it comes without a tick.
TEST_F(FaultTicksTest, ARecordingStartedWhileACycleIsUnderWayTakesItsFirstPointFromAWholeCycleAfterIt)
{
    support::SimulatedUnitLine line;
    line.SetReplyClock([this] { return deviceClock.NowMs(); });
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    support::SimulatedUnit& unit = line.First();
    s.Settings.Interval = "5";
    SetPattern(unit, 1);
    Connect(s, Path("again"));
    ASSERT_TRUE(AwaitCycle(s));

    // The next cycle is slow: each reply comes 299 ms after its request, with the unit's
    // values of the request's arrival. Those of the first row are older than the start.
    unit.InjectFault(support::UnitFault::LateReply, -1, 299);
    const int before = Requests(unit);
    clock.AdvanceMs(60000);
    s.Tick();
    ASSERT_TRUE(Await([&] { return line.HoldsReply() && Requests(unit) > before; }));
    SetPattern(unit, 2);
    const std::size_t written = line.RepliesWritten();
    deviceClock.AdvanceMs(299);
    ASSERT_TRUE(
        Await([&] { return line.RepliesWritten() > written && line.HoldsReply() && Requests(unit) > before + 1; }));
    // The first row's reply is taken before the start; the second row waits for its reply.
    platform::UiDispatcher::Instance().ProcessPending();
    s.StartTimeAxis();
    TFastLineSeries* first = s.ValueSeries(0);
    EXPECT_EQ(first->Count(), 0);
    unit.ClearFaults();
    deviceClock.AdvanceMs(299);
    ASSERT_TRUE(Await([&] { return first->Count() >= 1; }));
    EXPECT_NE(first->GetXLabel(0), ChannelText(resources::RowErrorExclamation));
    for (int k : kWatched) EXPECT_EQ(s.ValueSeries(k)->GetyValue(0), Expected(k, 2)) << k;
    ASSERT_TRUE(s.Close());
}

// Stops of the whole program between two ticks (the device layer's clock and the program's
// move on at once, the poll thread between two passes): at 60 s one of 3 s, at 10 s two of
// 5 s, shorter than the interval. The values are fetched anew as soon as the program runs
// again, so the next tick's point is good and holds the unit's values of after the stop, and
// one protocol line names each stop.
TEST_F(FaultTicksTest, AStopBetweenTwoTicksCostsNoPointAndIsNamedOnce)
{
    struct TCase {
        const char* interval;
        int stopMs, stops;
    };
    int channel = 0;
    for (const TCase c : {TCase{"60", 3000, 1}, TCase{"10", 5000, 2}}) {
        SCOPED_TRACE(c.interval);
        support::SimulatedUnitLine line;
        CChannelSession s(++channel);
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
        rigs.clear();
        pattern = -1;
        TRig& r = Add(s, line.First(), c.interval, "stop" + std::to_string(channel));
        const std::int64_t interval = std::stoi(c.interval) * 1000;
        auto tick = [&](std::int64_t ms, bool mustBeGood) {
            EXPECT_TRUE(Await([&] { return Quiet(r); }));
            clock.AdvanceMs(ms);
            EXPECT_FALSE(TickRig(r, false, mustBeGood) && mustBeGood);
            ++pattern;
        };
        tick(interval, false);
        tick(interval, true);
        for (int i = 0; i < c.stops; ++i) {
            ASSERT_TRUE(Await([&] { return Quiet(r); }));
            SetPattern(*r.unit, ++pattern);
            const int before = Requests(*r.unit);
            deviceClock.AdvanceMs(c.stopMs);
            clock.AdvanceMs(c.stopMs);
            EXPECT_TRUE(Await([&] { return Requests(*r.unit) >= before + TransceiverThreads[channel]->Count; }));
            tick(interval - c.stopMs, true);
            tick(interval, true);
        }
        EXPECT_EQ(r.staleGood, 0);
        EXPECT_EQ(r.falseErrors, 0);
        int lines = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
            lines += l.find(" Das Programm stand von ") != AnsiString::npos;
        EXPECT_EQ(lines, c.stops);
        EXPECT_TRUE(std::any_of(
            s.Memo(TSessionMemo::SerialData).begin(), s.Memo(TSessionMemo::SerialData).end(), [&](const AnsiString& l) {
                return l.find(" (" + FormatFloat("0.0", c.stopMs / 1000.0) +
                              " s): die Werte des Geräts werden neu abgefragt.") != AnsiString::npos;
            }));
        ASSERT_TRUE(s.Close());
    }
}

// A tick due while the whole program was stopped did not run: its row is an error point at its
// own time, named by one protocol line, also when the tick comes less than half an interval
// late once the program runs again. The next tick is on time and good. At 60 s stopped 6 s
// before a tick for 20 s, at 5 s stopped 2 s after a tick for 5 s, and 1 s after a tick for
// 7 s: the timer's overdue tick comes more than half an interval late and has its own error
// row (the timer may go on from it, so no row of the next would stand for it).
TEST_F(FaultTicksTest, ATickDueDuringAStopIsAnErrorRowAtItsOwnTimeWithItsLine)
{
    struct TCase {
        const char* interval;
        int stopAfterMs, stopMs;
        bool ownRow;
    };
    int channel = 0;
    for (const TCase c :
         {TCase{"60", 54000, 20000, false}, TCase{"5", 2000, 5000, false}, TCase{"5", 1000, 7000, true}}) {
        SCOPED_TRACE(c.interval);
        support::SimulatedUnitLine line;
        CChannelSession s(++channel);
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
        rigs.clear();
        pattern = -1;
        TRig& r = Add(s, line.First(), c.interval, "due" + std::to_string(channel));
        const std::int64_t interval = std::stoi(c.interval) * 1000;
        const TFastLineSeries* first = s.ValueSeries(0);
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(Await([&] { return Quiet(r); }));
            clock.AdvanceMs(interval);
            TickRig(r, false, i > 0);
            ++pattern;
        }
        const int rows = first->Count();
        const TDateTime lastX = first->GetxValue(rows - 1);
        // The device layer's clock first: a pass of the poll thread between the two finds the
        // stop beginning where it did.
        ASSERT_TRUE(Await([&] { return Quiet(r); }));
        deviceClock.AdvanceMs(c.stopMs);
        clock.AdvanceMs(c.stopAfterMs + c.stopMs);
        s.Tick();
        const int added = c.ownRow ? 2 : 1;
        ASSERT_EQ(first->Count(), rows + added);
        EXPECT_NEAR((first->GetxValue(rows) - lastX) * SecsPerDay, double(interval) / 1000.0, 0.001);
        for (int i = rows; i < rows + added; ++i)
            EXPECT_EQ(first->GetXLabel(i), ChannelText(resources::RowErrorExclamation));
        if (c.ownRow) {
            EXPECT_NEAR((first->GetxValue(rows + 1) - lastX) * SecsPerDay, (c.stopAfterMs + c.stopMs) / 1000.0, 0.001);
        }
        // The next tick, on time: good, with the values the unit had after the stop.
        ASSERT_TRUE(Await([&] { return Quiet(r); }));
        clock.AdvanceMs(2 * interval - c.stopAfterMs - c.stopMs);
        EXPECT_FALSE(TickRig(r, false, true));
        ++pattern;
        ASSERT_EQ(first->Count(), rows + added + 1);
        EXPECT_NEAR((first->GetxValue(rows + added) - lastX) * SecsPerDay, 2.0 * double(interval) / 1000.0, 0.001);
        const AnsiString gap = ChannelText(resources::RowMissedTicks);
        const AnsiString gapEnd = gap.substr(gap.find("$3") + 2);
        int gaps = 0, holds = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) {
            gaps += l.find(gapEnd) != AnsiString::npos;
            holds += l.find(" Das Programm stand von ") != AnsiString::npos;
        }
        EXPECT_EQ(gaps, 1);
        EXPECT_EQ(holds, 0);
        EXPECT_EQ(r.staleGood, 0);
        EXPECT_EQ(r.falseErrors, 0);
        ASSERT_TRUE(s.Close());
    }
}

// The window's tick was due already when the whole program was stopped: the user-interface
// thread had not come round to it, then the process stood for 3 s. It runs after the stop,
// within the time a timer may be late, and after the poll thread has told the hold: its row is
// its own (no tick was due in the stop), and the hold the tick owes its line to gets it.
TEST_F(FaultTicksTest, AStopThatBeganAfterATickWasDueIsNamedByThatTick)
{
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    TRig& r = Add(s, line.First(), "5", "owed");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Await([&] { return Quiet(r); }));
        clock.AdvanceMs(5000);
        TickRig(r, false, i > 0);
        ++pattern;
    }
    const TFastLineSeries* first = s.ValueSeries(0);
    const int rows = first->Count();
    ASSERT_TRUE(Await([&] { return Quiet(r); }));
    // The tick is due; the poll thread passes at that time, then the process stands still.
    clock.AdvanceMs(5500);
    CTransceiver* poll = TransceiverThreads[1];
    const int passes = poll->PassCount;
    ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    SetPattern(*r.unit, ++pattern);
    const int before = Requests(*r.unit);
    deviceClock.AdvanceMs(3000);
    clock.AdvanceMs(3000);
    // The thread finds the hold and fetches the values anew before the late tick runs.
    ASSERT_TRUE(Await([&] { return Requests(*r.unit) >= before + poll->Count && Quiet(r); }));
    platform::UiDispatcher::Instance().ProcessPending();
    clock.AdvanceMs(100);
    EXPECT_FALSE(TickRig(r, false, true));
    ++pattern;
    EXPECT_EQ(first->Count(), rows + 1);
    int holds = 0;
    for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
        holds += l.find(" Das Programm stand von ") != AnsiString::npos &&
                 l.find(" (3,0 s): die Werte des Geräts werden neu abgefragt.") != AnsiString::npos;
    EXPECT_EQ(holds, 1);
    EXPECT_EQ(r.staleGood, 0);
    EXPECT_EQ(r.falseErrors, 0);
    ASSERT_TRUE(s.Close());
}

// A unit silent from inside the data file's dialog until 5 s after the recording's start, at
// 5 s and at 60 s, over TCP/IP and RS232: the first point is an error point as soon as the first cycle has failed,
// the unit is asked again within seconds and not only at the next tick, each tick while it
// is silent is an error row at its own time after its time-out line, and the first tick after
// it has answered again is good and holds its values of then.
TEST_F(FaultTicksTest, AUnitSilentAtTheStartIsAskedAgainAndTheFirstTickAfterItAnswersIsGood)
{
    int channel = 0;
    for (const bool serial : {false, true})
        for (const int interval : {5, 60}) {
            SCOPED_TRACE(std::string(serial ? "RS232, " : "TCP/IP, ") + std::to_string(interval) + " s");
            support::SimulatedUnitLine line;
            CChannelSession s(++channel);
            if (serial) {
                ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
            } else {
                ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
            }
            support::SimulatedUnit& unit = line.First();
            s.Settings.Interval = IntToStr(interval);
            SetPattern(unit, 1);
            support::TestDialogs().OnFileDialog = [&](const platform::FileDialogRequest&) {
                clock.AdvanceMs(30000);
                deviceClock.AdvanceMs(30000);
                SetPattern(unit, 2);
                unit.InjectFault(support::UnitFault::NoReply, -1);
            };
            support::TestDialogs().QueueFileName(Path(("silent" + std::to_string(channel)).c_str()));
            ASSERT_TRUE(s.EstablishConnection());
            ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(s));
            support::TestDialogs().OnFileDialog = nullptr;
            ASSERT_TRUE(s.IsConnected());
            CChannel* c = s.ChannelObject();
            TFastLineSeries* first = s.ValueSeries(0);
            const AnsiString err = ChannelText(resources::RowErrorExclamation);
            // Requests after `before` went out, the last one failed, none waits, and the poll thread
            // has seen the fault (it passed twice since).
            CTransceiver* poll = TransceiverThreads[channel];
            auto failed = [&](int before) {
                if (!Await([&] { return Requests(unit) > before && c->CommError == 1 && !c->RequestPending(); }))
                    return false;
                const int passes = poll->PassCount;
                return Await([&] { return poll->PassCount >= passes + 2; });
            };
            auto timeouts = [&] {
                int n = 0;
                for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
                    n += l.find(" Timeout !") != AnsiString::npos;
                return n;
            };
            // The first point: an error point at the start, as soon as the first request failed.
            ASSERT_TRUE(Await([&] { return first->Count() >= 1; }));
            EXPECT_EQ(first->GetXLabel(0), err);
            const TDateTime start = first->GetxValue(0);
            ASSERT_TRUE(failed(0));
            EXPECT_GE(timeouts(), 1);
            // Asked again after a few seconds, though the next tick is further away.
            int before = Requests(unit);
            clock.AdvanceMs(interval == 5 ? 2500 : 3000);
            ASSERT_TRUE(failed(before));
            if (interval == 5) {
                // A tick while it is silent: an error row at its own time, its time-out named.
                clock.AdvanceMs(2500);
                before = Requests(unit);
                const int lines = timeouts();
                s.Tick();
                ASSERT_EQ(first->Count(), 2);
                EXPECT_EQ(first->GetXLabel(1), err);
                EXPECT_NEAR((first->GetxValue(1) - start) * SecsPerDay, 5.0, 0.001);
                EXPECT_GE(lines, 2);
                ASSERT_TRUE(failed(before));
            } else {
                clock.AdvanceMs(2000);
            }
            // The unit answers again 5 s after the start; it is asked again and its every row is
            // answered well before the next tick.
            unit.ClearFaults();
            SetPattern(unit, 3);
            clock.AdvanceMs(interval == 5 ? 2500 : 4000);
            ASSERT_TRUE(AwaitSettled(s, [](const CChannel& ch) {
                return ch.CommError == 0 && ch.ValuesOutdated == 0 && ch.PollRequest == 0 && !ch.CycleUnderWayOrDue();
            }));
            clock.AdvanceMs(interval == 5 ? 2500 : 51000);
            SetPattern(unit, 4);
            s.Tick();
            const int n = first->Count() - 1;
            ASSERT_EQ(n, interval == 5 ? 2 : 1);
            EXPECT_NEAR((first->GetxValue(n) - start) * SecsPerDay, interval == 5 ? 10.0 : 60.0, 0.001);
            EXPECT_EQ(first->GetXLabel(n), "");
            EXPECT_TRUE(s.ValuesShownCurrent());
            for (int k : kWatched) EXPECT_EQ(s.ValueSeries(k)->GetyValue(n), Expected(k, 3)) << k;
            ASSERT_TRUE(s.Close());
        }
}
