// Commands given while a unit is silent on a link that works (a TCP connection kept, a
// serial line of its own, a slave on a shared bus), at a one-second and at a minute's
// interval: what the user and the protocol are told of each command matches what the unit
// received and answered of it, and a command the unit never answered is never passed over
// as done.
#include <algorithm>
#include <tuple>
#include <vector>

#include "ChannelTestSupport.h"
#include "channel/ChannelTexts.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CTransceiver.h"

using namespace channeltest;

namespace {

enum class TLink { Tcp, Rs232, Rs485 };

class SilentUnitCommandTest : public ChannelFixture, public ::testing::WithParamInterface<std::tuple<TLink, int>> {
protected:
    // Connects the session to its unit on the link, recording at the interval; the unit.
    support::SimulatedUnit* Open(support::SimulatedUnitLine& line, CChannelSession& s, TLink link, int interval)
    {
        int address = 1;
        switch (link) {
            case TLink::Tcp: UseOwnTcpUnit(line, s); break;
            case TLink::Rs232: UseOwnSerialUnit(line, s); break;
            case TLink::Rs485: {
                // The channel's slave is the second on the line.
                for (int a = 1; a <= 2; ++a) {
                    support::UnitState u;
                    u.address = a;
                    line.AddUnit(u);
                }
                AnsiString error;
                EXPECT_TRUE(line.StartPty(&error)) << error;
                UseSerial(s, "RS485", line.SlavePath(), 2);
                address = 2;
                break;
            }
        }
        if (HasFailure()) return nullptr;
        s.Settings.Interval = IntToStr(interval);
        Connect(s, Path("silent"));
        return HasFailure() ? nullptr : line.Unit(address);
    }

    static AnsiString SetpointCommand(int hundredths) { return "G0D**" + IntToHex(hundredths, 4); }

    // Gives the unit a setpoint as the control panel does: one command in two cycles.
    static void GiveSetpoint(CChannelSession& s, int hundredths)
    {
        const int a = s.ChannelObject()->GetAddress();
        const AnsiString frame = CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(a) + SetpointCommand(hundredths), a);
        const AnsiString outputs = CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(a) + "C14*************", a);
        EXPECT_EQ(s.QueueDeviceCommand(frame, 24, outputs, true), DeviceCommandQueue::TResult::Taken);
    }

    // Frames of the command that reached the unit.
    static int Received(const support::SimulatedUnitLine& line, int hundredths)
    {
        const AnsiString command = SetpointCommand(hundredths);
        int n = 0;
        for (const support::LoggedFrame& f : line.Frames())
            n += f.frame.size() > 13 && f.frame.compare(4, command.size(), command) == 0;
        return n;
    }

    static int ProtocolLines(const CChannelSession& s, const AnsiString& part)
    {
        int n = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) n += l.find(part) != AnsiString::npos;
        return n;
    }

    // Waits until the command is through both its cycles and what the poll thread handed
    // over after it has run. At a one-second interval the ticks go on meanwhile (one every
    // few passes of the poll thread); at a minute none comes.
    bool Through(CChannelSession& s, int interval)
    {
        CChannel* c = s.ChannelObject();
        CTransceiver* poll = TransceiverThreads[s.Channel()];
        auto done = [&] { return !c->OneShotInProgress() && !s.HasWaitingProgramCommands(); };
        for (int i = 0; i < 200 && !done(); ++i) {
            const int passes = poll->PassCount;
            if (!Await([&] { return done() || poll->PassCount >= passes + 5; })) return false;
            if (interval == 1 && !done()) {
                clock.AdvanceMs(1000);
                s.Tick();
            }
        }
        if (!done()) return false;
        // The step after the command's last cycle is handed over in the pass that ended it.
        const int passes = poll->PassCount;
        if (!Await([&] { return poll->PassCount >= passes + 2; })) return false;
        c->TakeReceivedReplies();
        return true;
    }

    // Five ticks, each once the cycle of the one before is through or stopped by a fault:
    // the last finds every command answered again.
    void TicksUntilGood(CChannelSession& s, int interval)
    {
        const CChannel* c = s.ChannelObject();
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(Await([&] {
                return !c->OneShotInProgress() && !s.HasWaitingProgramCommands() &&
                       (c->PollRequest == 0 || (c->CommError == 1 && !c->RequestPending()));
            }));
            clock.AdvanceMs(std::int64_t(interval) * 1000);
            s.Tick();
        }
        EXPECT_TRUE(s.ValuesShownCurrent());
    }
};

TEST_P(SilentUnitCommandTest, WhatTheUnitGotOfACommandIsWhatTheUserIsTold)
{
    const auto [link, interval] = GetParam();
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    support::SimulatedUnit* unit = Open(line, s, link, interval);
    ASSERT_NE(unit, nullptr);
    const AnsiString unanswered = ChannelText(resources::RowSentUnansweredUnitSilent);
    TicksUntilGood(s, interval);
    support::TestDialogs().Clear();

    // The unit goes silent; a tick's cycle finds it so. A setpoint given now goes out in
    // both its cycles without an answer: the user hears that the unit may have taken it.
    ASSERT_TRUE(AwaitCommandsOut(s));
    unit->Update([](support::UnitState& u) { u.answers = 0; });
    clock.AdvanceMs(std::int64_t(interval) * 1000);
    s.Tick();
    ASSERT_TRUE(Await([&] { return s.ChannelObject()->CommError == 1; }));
    GiveSetpoint(s, 3101);
    ASSERT_TRUE(Through(s, interval));
    EXPECT_EQ(Received(line, 3101), 2);
    const AnsiString line3101 =
        unanswered + " " + s.CommandName(CTolvarProtocol::BuildDeviceFrame("[M1" + SetpointCommand(3101), 1));
    EXPECT_EQ(ProtocolLines(s, " " + line3101), 1);
    EXPECT_NE(line3101.find("31,01 °C"), AnsiString::npos) << line3101;
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() >= 1; }));
    EXPECT_EQ(support::TestDialogs().Messages().front().text, "Kanal 1 (" + s.ChannelLabel() + ")\n\n" + line3101);
    EXPECT_DOUBLE_EQ(unit->State().setpoint, 25.0);

    // The unit answers again; its status replies, not the setpoint given, tell what it has.
    // It takes a command in one of its two cycles: that command went as any other, nothing
    // is reported.
    unit->Update([](support::UnitState& u) { u.answers = support::AllCommands; });
    TicksUntilGood(s, interval);
    EXPECT_EQ(s.UnitSetpoint(), std::optional<double>(25.0));
    for (const char* pattern : {"0", "10"}) {
        SCOPED_TRACE(pattern);
        ASSERT_TRUE(AwaitCommandsOut(s));
        // The command's frames are the next status frames the unit gets.
        unit->SetAnswerPattern(support::UnitCommand::G, pattern);
        const int hundredths = pattern[0] == '0' ? 3102 : 3103;
        GiveSetpoint(s, hundredths);
        ASSERT_TRUE(Through(s, interval));
        EXPECT_EQ(Received(line, hundredths), 2);
        EXPECT_DOUBLE_EQ(unit->State().setpoint, hundredths / 100.0);
        TicksUntilGood(s, interval);
    }
    EXPECT_EQ(ProtocolLines(s, unanswered), 1);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    ASSERT_TRUE(s.Close());
}

std::string LinkName(const ::testing::TestParamInfo<std::tuple<TLink, int>>& info)
{
    const char* names[] = {"Tcp", "Rs232", "Rs485Slave"};
    return std::string(names[int(std::get<0>(info.param))]) + "At" + std::to_string(std::get<1>(info.param)) + "s";
}

INSTANTIATE_TEST_SUITE_P(Links, SilentUnitCommandTest,
                         ::testing::Combine(::testing::Values(TLink::Tcp, TLink::Rs232, TLink::Rs485),
                                            ::testing::Values(1, 60)),
                         LinkName);

}  // namespace
