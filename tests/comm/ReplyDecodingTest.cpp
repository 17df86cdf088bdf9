// Checking and decoding of device replies.
#include <gtest/gtest.h>

#include "comm/CTolvarProtocol.h"
#include "platform/DateTime.h"
#include "support/FakeChannelServices.h"
#include "support/SimulatedUnit.h"
#include "support/TestChannel.h"

using namespace testfakes;
using support::UnitCommand;
using support::WithChecksum;

namespace {

class ReplyDecoding : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.Set(EncodeDate(2026, 12, 7) + EncodeTime(8, 30, 15, 0));
        platform::SetClock(&clock);
    }
    void TearDown() override { platform::SetClock(nullptr); }

    void Deliver(CChannel& c, const AnsiString& reply) { c.OnReply(nullptr, reply, c.Channel()); }
    std::vector<AnsiString> Protocol() { return window.Memo(TChannelMemo::memSerialData); }

    platform::ManualClock clock;
    ServicesScope scope;
    FakeChannelWindow& window = scope.Window(1);
};

// A status reply with the given setpoint, internal and process fields.
AnsiString StatusReply(const char* setpoint, const char* intern, const char* process, char mode = 'I')
{
    return WithChecksum(AnsiString("[S01G0D") + mode + "*" + setpoint + intern + process);
}

}  // namespace

TEST_F(ReplyDecoding, StatusFieldsAndBothSignModes)
{
    TestChannel c(1);
    Deliver(c, StatusReply("09C4", "FFFF", "8000"));
    EXPECT_DOUBLE_EQ(c.Values[vSollwert], 25.0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTIntern), -0.01);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTExtern), -327.68);
    EXPECT_EQ(window.ControlStatus, "I");
    EXPECT_EQ(c.CommError, 0);

    // Unsigned device types read the same digits as positive values.
    for (const char* name : {"DeskKeeper 5", "VARIO QK", "XVARO-QK2"}) {
        c.DeviceName = name;
        bool expectUnsigned = AnsiString(name) != "VARIO QK";
        Deliver(c, StatusReply("09C4", "FFFF", "8000"));
        EXPECT_DOUBLE_EQ(c.Values[vTIntern], expectUnsigned ? 655.35 : -0.01) << name;
        EXPECT_DOUBLE_EQ(c.Values[vTExtern], expectUnsigned ? 327.68 : -327.68) << name;
    }
    c.DeviceName = "VARO only";
    Deliver(c, StatusReply("09C4", "FFFF", "8000"));
    EXPECT_DOUBLE_EQ(c.Values[vTIntern], -0.01);
    // Lower-case digits are hexadecimal too.
    Deliver(c, StatusReply("09c4", "0a0b", "0001"));
    EXPECT_DOUBLE_EQ(c.Values[vTIntern], 25.71);
    EXPECT_DOUBLE_EQ(c.Values[vTExtern], 0.01);
}

TEST_F(ReplyDecoding, ScaledFieldsComeOutExact)
{
    TestChannel c(1);
    // S2: V, HT, heating, F (minus 100), I, filler, AIF (x10)
    Deliver(c, WithChecksum("[S01S082"
                            "FF"
                            "10"
                            "64"
                            "64"
                            "FFFE"
                            "****"
                            "03E8"));
    EXPECT_DOUBLE_EQ(c.Values[vV], 255.0);
    EXPECT_DOUBLE_EQ(c.Values[vHT], 16.0);
    EXPECT_DOUBLE_EQ(c.Values[vHeizung], 100.0);
    EXPECT_DOUBLE_EQ(c.Values[vF], 0.0);
    EXPECT_DOUBLE_EQ(c.Values[vI], -0.02);
    EXPECT_DOUBLE_EQ(c.Values[vAIF], 100.0);
    // C: outputs x100, contacts x10000.
    Deliver(c, WithChecksum("[S01C14"
                            "****"
                            "0001"
                            "FFFF"
                            "7FFF"
                            "F"
                            "1"));
    EXPECT_DOUBLE_EQ(c.Values[vAIF_Out], 1.0);
    EXPECT_DOUBLE_EQ(c.Values[vAIF_Out2], -1.0);
    EXPECT_DOUBLE_EQ(c.Values[vAIF_Out3], 32767.0);
    EXPECT_DOUBLE_EQ(c.Values[vPoko], 1500.0);
    EXPECT_DOUBLE_EQ(c.Values[vECS], 100.0);
    // P: speed and pressure x100.
    Deliver(c, WithChecksum("[S01P10*"
                            "05DC"
                            "00FA"));
    EXPECT_DOUBLE_EQ(c.Values[vDrehzahl], 1500.0);
    EXPECT_DOUBLE_EQ(c.Values[vDruck], 250.0);
    // S1 and S3 land in their own series (TX1 before TX0 in the reply).
    Deliver(c, WithChecksum("[S01S081"
                            "0064"
                            "00C8"
                            "012C"
                            "********"));
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT0), 1.0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTC), 2.0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sT1), 3.0);
    Deliver(c, WithChecksum("[S01S083"
                            "0064"
                            "00C8"
                            "012C"
                            "********"));
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTU), 1.0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTX1), 2.0);
    EXPECT_DOUBLE_EQ(c.SeriesValue(sTX0), 3.0);
    // Limits go to the window and come back through the channel.
    Deliver(c, WithChecksum("[S01L0F"
                            "F060"
                            "4E20"
                            "********"));
    EXPECT_DOUBLE_EQ(c.GetLowerLimit(1), -40.0);
    EXPECT_DOUBLE_EQ(c.GetUpperLimit(1), 200.0);
}

TEST_F(ReplyDecoding, SerialNumberIsUnsigned)
{
    TestChannel c(1);
    Deliver(c, WithChecksum("[S01F07"
                            "FFFFFFFF" +
                            AnsiString(20, '*')));
    EXPECT_EQ(c.GetDeviceNumber(), "4294967295");
    EXPECT_EQ(window.SerialNumber, 4294967295u);
    EXPECT_EQ(window.SerialNumberAsked, 1);
    Deliver(c, WithChecksum("[S01F07"
                            "00BC614E" +
                            AnsiString(20, '*')));
    EXPECT_EQ(c.GetDeviceNumber(), "12345678");
}

TEST_F(ReplyDecoding, NameReplySetsNameCaptionsAndMemos)
{
    TestChannel c(1, "COM1");
    AnsiString name = "VARIO QK 40 HT";
    AnsiString reply = WithChecksum("[S01V2F" + name + AnsiString(40 - name.size(), ' '));
    ASSERT_EQ(reply.size(), 50u);
    Deliver(c, reply);
    ASSERT_EQ(window.setupNames.size(), 1u);
    EXPECT_EQ(window.setupNames[0], "VARIO QK 40 HT");  // before the suffix
    EXPECT_EQ(c.GetDeviceName(), "VARIO QK 40 HT");     // VARIO is not VARO

    AnsiString varo = "VARO QK 12";
    Deliver(c, WithChecksum("[S01V2F" + varo + AnsiString(40 - varo.size(), ' ')));
    EXPECT_EQ(window.setupNames.back(), "VARO QK 12");
    EXPECT_EQ(c.GetDeviceName(), "VARO QK 12 (RV70K)");
    EXPECT_EQ(window.title, "VARO QK 12 (RV70K) / COM 1");
    EXPECT_EQ(window.Memo(TChannelMemo::memConnections).back(), "VARO QK 12 (RV70K) / COM 1");
    auto info = window.Memo(TChannelMemo::memInfo);
    ASSERT_EQ(info.size(), 4u);
    EXPECT_EQ(info[2], "Device name / interface:");
    EXPECT_EQ(info[3], "VARO QK 12 (RV70K) / COM 1");
    EXPECT_TRUE(c.IsUnsignedDevice());
}

TEST_F(ReplyDecoding, CaptionSpacingOnlyForComNames)
{
    struct Case {
        const char* port;
        const char* type;
        int address;
        const char* caption;
    } cases[] = {
        {"COM1", "RS232", 1, "UNIT / COM 1"},
        {"COM10", "RS232", 1, "UNIT / COM 10"},
        {"/dev/ttyUSB0", "RS232", 1, "UNIT / /dev/ttyUSB0"},
        {"COMX", "RS232", 1, "UNIT / COMX"},
        {"COM", "RS232", 1, "UNIT / COM"},
        {"COM3", "RS485", 12, "UNIT / COM 3 / SLAVE 12"},
        {"/dev/serial/by-id/usb-x", "RS485", 7, "UNIT / /dev/serial/by-id/usb-x / SLAVE 7"},
    };
    for (const Case& k : cases) {
        TestChannel c(2, k.port, k.type, k.address);
        FakeChannelWindow& w = scope.Window(2);
        c.OnReply(nullptr,
                  WithChecksum("[S01V2F"
                               "UNIT" +
                               AnsiString(36, ' ')),
                  2);
        EXPECT_EQ(w.title, k.caption) << k.port;
    }
}

TEST_F(ReplyDecoding, NameLengthOutsideTheReplyNeverThrows)
{
    TestChannel c(1);
    // Length beyond the reply: everything from position 8 to before the checksum.
    Deliver(c, WithChecksum("[S01VFF"
                            "SHORT NAME  "));
    EXPECT_EQ(c.DeviceName, "SHORT NAME");
    // Length field not hexadecimal: the same.
    Deliver(c, WithChecksum("[S01VZZ"
                            "OTHER"));
    EXPECT_EQ(c.DeviceName, "OTHER");
    // A length inside the name cuts it.
    Deliver(c, WithChecksum("[S01V09"
                            "ABCDEFGH"));
    EXPECT_EQ(c.DeviceName, "AB");
    // Nothing left: the unknown name in the current language.
    Deliver(c, WithChecksum("[S01V2F" + AnsiString(40, ' ')));
    EXPECT_EQ(c.DeviceName, "Unknown");
    scope.services.language = 0;
    Deliver(c, WithChecksum("[S01V07"));
    EXPECT_EQ(c.DeviceName, "Unbekannt");
    EXPECT_EQ(c.CommError, 0);
}

TEST_F(ReplyDecoding, ErrorLinesGoToTheProtocolOnlyWithTheErrorFlag)
{
    TestChannel c(1);
    Deliver(c, "07.12.2026 08:30:15 Timeout !");
    EXPECT_TRUE(Protocol().empty());
    c.CommError = 1;
    Deliver(c, "07.12.2026 08:30:15 Timeout !");
    ASSERT_EQ(Protocol().size(), 1u);
    EXPECT_EQ(Protocol()[0], "07.12.2026 08:30:15 Timeout !");
    EXPECT_EQ(CChannel::ErrorLine(" Timeout !"), "07.12.2026 08:30:15 Timeout !");
}

// Replies that must never throw, with what each does: either nothing at all, or a
// synchronisation error (flag set, line logged) so that the next tick shows "Error!".
TEST_F(ReplyDecoding, MalformedRepliesNeverThrow)
{
    const AnsiString good = StatusReply("09C4", "0A0B", "0B0C");
    AnsiString badSum = good;
    badSum[21] = badSum[21] == '0' ? '1' : '0';
    AnsiString nonHexSum = good;
    nonHexSum[21] = 'G';
    nonHexSum[22] = 'Z';
    AnsiString zeroSumNonHex = good.substr(0, 21) + "\x01\x02" + "\r";
    AnsiString withNul = good;
    withNul[15] = '\0';
    AnsiString withNulFixed = WithChecksum(withNul.substr(0, 21));
    AnsiString withCrLf = WithChecksum(AnsiString("[S01G0DI*") + "09\r\n" + "0A0B0B0C");
    struct Case {
        AnsiString reply;
        bool syncError;
    };
    std::vector<Case> cases = {
        {"", false},
        {"S01G0", false},
        {"x", false},
        {"#S01G0DI*", false},
        {"[", true},
        {"[S01G0", true},
        {"[S01G0D", true},  // seven characters, checksum "0D" of "[S01" wrong
        {WithChecksum("[M01G0DI*9C4"), true},
        {WithChecksum("[s01G0DI*09C40A0B0B0C"), true},
        {badSum, true},
        {nonHexSum, true},
        {zeroSumNonHex, true},
        {good.substr(0, 23), true},  // CR missing: the span shifts, sum no longer matches
        {withNul, true},
        {withNulFixed, true},  // checksum right, field holds a NUL
        {withCrLf, true},
        {WithChecksum("[S01G0DI*09C40A0B0B0"), true},  // last field one digit short
        {WithChecksum("[S01G0DI*09C40A0B"), true},     // truncated at a field
        {WithChecksum("[S01G0DI*09C4"), true},
        {WithChecksum("[S01G0DI*"), true},
        {WithChecksum("[S01G"), true},
        {WithChecksum("[S01S081"
                      "0064"),
         true},
        {WithChecksum("[S01S082"
                      "FF1064640001****"),
         true},  // AIF missing
        {WithChecksum("[S01S083"
                      "0064"
                      "00C8"),
         true},
        {WithChecksum("[S01C14"
                      "****"
                      "0001"
                      "FFFF"
                      "7FFF"
                      "F"),
         true},  // ECS missing
        {WithChecksum("[S01C14"
                      "****"
                      "0001"
                      "FFFF"
                      "7FFF"
                      "Fx"),
         true},
        {WithChecksum("[S01L0F"
                      "F060"),
         true},
        {WithChecksum("[S01L0F"
                      "F06G"
                      "4E20"
                      "********"),
         true},
        {WithChecksum("[S01P10*"
                      "05DC"),
         true},
        {WithChecksum("[S01F07"
                      "FFFF"),
         true},
        {WithChecksum("[S01F07"
                      "FFFFFFF-" +
                      AnsiString(20, '*')),
         true},
        {WithChecksum("[S01X0D2009C40A0B0B0C"), false},           // unknown letter: ignored
        {WithChecksum("[S01S084" + AnsiString(20, '*')), false},  // unknown block: ignored
        {WithChecksum("[S01S08"), false},                         // no block digit
        {WithChecksum("[S01V"), false},                           // name reply without a name
    };
    ASSERT_GE(cases.size(), 30u);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + IntToStr(static_cast<std::int64_t>(i)));
        ServicesScope local;
        FakeChannelWindow& w = local.Window(1);
        TestChannel c(1);
        c.DeviceName = "UNIT";
        ASSERT_NO_THROW(c.OnReply(nullptr, cases[i].reply, 1));
        auto lines = w.Memo(TChannelMemo::memSerialData);
        if (cases[i].syncError) {
            EXPECT_EQ(c.CommError, 1);
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0], "07.12.2026 08:30:15 Error in synchronising !");
        } else {
            EXPECT_EQ(c.CommError, 0);
            EXPECT_TRUE(lines.empty());
        }
        for (int k = 0; k < ValueCount; ++k) EXPECT_EQ(c.Values[k], 0.0) << k;
        EXPECT_EQ(w.ControlStatus, "");
        EXPECT_DOUBLE_EQ(w.LowerSetpointLimit, -999.9);
        EXPECT_EQ(w.SerialNumber, 0u);
    }
}

TEST_F(ReplyDecoding, AFieldErrorStoresNothingOfTheReply)
{
    TestChannel c(1);
    Deliver(c, StatusReply("09C4", "0A0B", "0B0C"));
    // Good setpoint and internal fields, bad process field: nothing of it is taken.
    Deliver(c, StatusReply("0001", "0002", "00G3"));
    EXPECT_DOUBLE_EQ(c.Values[vSollwert], 25.0);
    EXPECT_DOUBLE_EQ(c.Values[vTIntern], 25.71);
    EXPECT_EQ(c.CommError, 1);
}

TEST_F(ReplyDecoding, SeriesGroups)
{
    TestChannel c(1);
    const std::vector<std::vector<int>> expected = {
        {0, 1, 2}, {}, {4, 5, 6}, {3, 7, 8, 9, 10, 14}, {11, 12, 13}, {15, 18, 19}, {}, {20, 21},
    };
    for (int group = -1; group <= 9; ++group) {
        ServicesScope local;
        FakeChannelWindow& w = local.Window(1);
        TestChannel ch(1);
        ch.ShowSeriesGroup(group, 1, true, true);
        std::vector<int> shown;
        for (int s = 0; s < ValueCount; ++s) {
            if (w.active[s] == 1) {
                EXPECT_EQ(w.legend[s], 1) << s;
                shown.push_back(s);
            }
        }
        std::vector<int> want =
            (group >= 0 && group <= 7) ? expected[static_cast<std::size_t>(group)] : std::vector<int>();
        EXPECT_EQ(shown, want) << "group " << group;
        // Series 16 and 17 are hidden by group 5 whatever it is asked, and by no other group.
        for (int s : {16, 17}) {
            EXPECT_EQ(w.active[s], group == 5 ? 0 : -1) << group;
            EXPECT_EQ(w.legend[s], group == 5 ? 0 : -1) << group;
        }
    }
    c.ShowSeriesGroup(3, 1, false, true);
    EXPECT_EQ(window.active[14], 1);
    EXPECT_EQ(window.legend[14], 0);
}

TEST_F(ReplyDecoding, RepliesOfTheSimulatedUnitDecodeToItsValues)
{
    support::UnitState s;
    s.deviceName = "DESKKEEPER X";
    s.setpoint = 650.0;       // above 327.67: needs the unsigned rule
    s.internalTemp = -12.34;  // wraps to 65535 - 1233: read positive for this device
    TestChannel c(1);
    // The name comes first, as in the identification: it decides the sign rule.
    const UnitCommand order[] = {UnitCommand::V,  UnitCommand::F,  UnitCommand::G, UnitCommand::L, UnitCommand::S1,
                                 UnitCommand::S2, UnitCommand::S3, UnitCommand::C, UnitCommand::P};
    for (UnitCommand k : order) Deliver(c, support::SimulatedUnit::BuildReply(k, s));
    EXPECT_EQ(c.CommError, 0);
    EXPECT_EQ(c.DeviceName, "DESKKEEPER X");
    EXPECT_DOUBLE_EQ(c.Values[vSollwert], 650.0);
    EXPECT_DOUBLE_EQ(c.Values[vTIntern], 655.36 - 12.34);

    s.deviceName = "PLAIN 7";
    s.internalTemp = -12.34;
    s.setpoint = 25.5;
    TestChannel d(2);
    FakeChannelWindow& w = scope.Window(2);
    for (UnitCommand k : order) d.OnReply(nullptr, support::SimulatedUnit::BuildReply(k, s), 2);
    EXPECT_EQ(d.CommError, 0);
    EXPECT_EQ(d.DeviceName, "PLAIN 7");
    const std::pair<int, double> expected[] = {
        {vTIntern, s.internalTemp},
        {vTExtern, s.processTemp},
        {vSollwert, s.setpoint},
        {vT0, s.t0},
        {vTC, s.tc},
        {vT1, s.t1},
        {vV, s.v},
        {vHT, s.ht},
        {vHeizung, s.heating},
        {vF, s.f},
        {vI, s.current},
        {vAIF, s.aif},
        {vTU, s.tu},
        {vTX0, s.tx0},
        {vTX1, s.tx1},
        {vAIF_Out, s.aifOut},
        {vAIF_Out2, s.aifOut2},
        {vAIF_Out3, s.aifOut3},
        {vPoko, s.contact},
        {vECS, s.ecs},
        {vDrehzahl, s.speed},
        {vDruck, s.pressure},
    };
    for (auto [index, value] : expected) EXPECT_DOUBLE_EQ(d.Values[index], value) << index;
    EXPECT_DOUBLE_EQ(w.LowerSetpointLimit, s.lowerLimit);
    EXPECT_DOUBLE_EQ(w.UpperSetpointLimit, s.upperLimit);
    EXPECT_EQ(w.ControlStatus, AnsiString(1, s.controlMode));
    EXPECT_EQ(w.SerialNumber, s.serialNumber);
    EXPECT_EQ(d.DeviceNumber, "12345678");
}

// Only a reply with the request's address and command (an S reply with its block) answers
// it: a late reply to another command, another block or another slave's never does.
TEST(ReplyMatching, AReplyAnswersOnlyItsOwnRequest)
{
    support::UnitState s;
    const AnsiString g = CTolvarProtocol::BuildCommandFrame("G0D******", 1);
    const AnsiString s1 = CTolvarProtocol::BuildCommandFrame("S081", 1);
    const AnsiString s2 = CTolvarProtocol::BuildCommandFrame("S082", 1);
    const AnsiString setpoint = CTolvarProtocol::BuildCommandFrame("G0DI*0BB8", 1);
    const AnsiString status = support::SimulatedUnit::BuildReply(UnitCommand::G, s);
    const AnsiString block1 = support::SimulatedUnit::BuildReply(UnitCommand::S1, s);
    for (const bool bus : {false, true}) {
        EXPECT_TRUE(CChannel::AnswersRequest(status, g, bus));
        EXPECT_TRUE(CChannel::AnswersRequest(status, setpoint, bus));
        EXPECT_TRUE(CChannel::AnswersRequest(block1, s1, bus));
        EXPECT_FALSE(CChannel::AnswersRequest(status, s1, bus));
        EXPECT_FALSE(CChannel::AnswersRequest(block1, g, bus));
        EXPECT_FALSE(CChannel::AnswersRequest(block1, s2, bus));
        EXPECT_FALSE(CChannel::AnswersRequest(block1.substr(0, 7), s1, bus));  // no block digit
        EXPECT_FALSE(CChannel::AnswersRequest(status.substr(0, 4), g, bus));
    }
    // Another address answers on a shared line only for its own slave; a unit on a line of
    // its own answers whatever address it was set to.
    s.address = 2;
    const AnsiString second = support::SimulatedUnit::BuildReply(UnitCommand::G, s);
    EXPECT_FALSE(CChannel::AnswersRequest(second, g, true));
    EXPECT_TRUE(CChannel::AnswersRequest(second, CTolvarProtocol::BuildCommandFrame("G0D******", 2), true));
    EXPECT_TRUE(CChannel::AnswersRequest(second, g, false));
}

// The bytes read for a request are one reply only when nothing of another runs into them:
// exactly the reply's length, ending with its carriage return, and no '[' follows the first
// byte nor a carriage return comes before the last. A shorter or longer read is never one,
// whatever its sum says.
TEST(ReplyMatching, PartsOfTwoRepliesAreNeverOneReply)
{
    support::UnitState s;
    const AnsiString block2 = support::SimulatedUnit::BuildReply(UnitCommand::S2, s);
    const AnsiString control = support::SimulatedUnit::BuildReply(UnitCommand::C, s);
    const std::size_t n = block2.size();
    EXPECT_TRUE(CChannel::IsOneReply(block2, n));
    EXPECT_FALSE(CChannel::IsOneReply(block2.substr(0, 20), n));
    EXPECT_FALSE(CChannel::IsOneReply(block2, n + 10));
    EXPECT_FALSE(CChannel::IsOneReply("", n));
    // A closing carriage return and a fitting sum, but not the reply's length.
    EXPECT_FALSE(CChannel::IsOneReply(support::WithChecksum(block2.substr(0, n - 6)), n));
    EXPECT_FALSE(CChannel::IsOneReply(support::WithChecksum(block2.substr(0, n - 3) + "0"), n));
    // The start of the S2 reply and the tail of a C reply that does not reach its end.
    AnsiString spliced = block2.substr(0, 26) + control.substr(control.size() - 10, 5);
    ASSERT_EQ(spliced.size(), n);
    EXPECT_FALSE(CChannel::IsOneReply(spliced, n));
    // A reply that came after a late one's end, and one with another's start inside.
    EXPECT_FALSE(CChannel::IsOneReply(control.substr(control.size() - 5) + block2.substr(0, n - 5), n));
    EXPECT_FALSE(CChannel::IsOneReply(block2.substr(0, 20) + control.substr(0, n - 21) + "\r", n));
    EXPECT_FALSE(CChannel::IsOneReply(block2.substr(0, 12) + "\r" + block2.substr(13), n));
    EXPECT_FALSE(CChannel::IsOneReply(block2.substr(0, 12) + "\r0", n));
}
