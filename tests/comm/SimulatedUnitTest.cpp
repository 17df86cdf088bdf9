// The simulated unit: frame checks, control commands, faults and its two lines.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <iterator>

#include "comm/CTolvarProtocol.h"
#include "platform/DateTime.h"
#include "support/SimulatedUnitLine.h"

using namespace support;

namespace {

// Bound of every wait for what the line sends or logs; never reached when things work.
constexpr int kLineWaitMs = 10000;

AnsiString Frame(const char* command, int address = 1)
{
    return CTolvarProtocol::BuildCommandFrame(command, address);
}

// Reads until n bytes or the time-out; what arrived.
AnsiString ReadBytes(int fd, std::size_t n, int timeoutMs)
{
    AnsiString got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < n) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buf[128];
        ssize_t r = ::read(fd, buf, std::min(sizeof buf, n - got.size()));
        if (r <= 0) break;
        got.append(buf, static_cast<std::size_t>(r));
    }
    return got;
}

int OpenPty(const AnsiString& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

int ConnectTcp(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Send(int fd, const AnsiString& s)
{
    ASSERT_EQ(::write(fd, s.data(), s.size()), static_cast<ssize_t>(s.size()));
}

}  // namespace

TEST(SimulatedUnit, AnswersOnlyCorrectFramesForItsAddress)
{
    SimulatedUnit unit;
    UnitResponse r = unit.HandleFrame(Frame("G0D******"));
    EXPECT_TRUE(r.accepted);
    EXPECT_TRUE(r.reply);
    EXPECT_EQ(r.bytes.size(), 24u);
    AnsiString bad = Frame("G0D******");
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
    EXPECT_FALSE(unit.HandleFrame(bad).accepted);
    EXPECT_FALSE(unit.HandleFrame(Frame("G0D******", 2)).accepted);
    EXPECT_FALSE(unit.HandleFrame("[M01G0D******C0").accepted);  // no CR
    EXPECT_FALSE(unit.HandleFrame(Frame("Q99")).reply);          // unknown command
    EXPECT_EQ(unit.RequestCount(UnitCommand::G), 1);
    // Every reply has its length from the command table and starts "[S01" + letter.
    const int lengths[] = {24, 50, 31, 31, 31, 28, 26, 19, 38};
    const char letters[] = "GVSSSCLPF";
    for (int k = 0; k < UnitCommandCount; ++k) {
        AnsiString reply = unit.BuildReply(static_cast<UnitCommand>(k));
        EXPECT_EQ(static_cast<int>(reply.size()), lengths[k]) << k;
        EXPECT_EQ(reply.substr(0, 4), "[S01") << k;
        EXPECT_EQ(reply[4], letters[k]) << k;
        EXPECT_EQ(reply.back(), '\r');
    }
}

TEST(SimulatedUnit, AppliesSetpointModeOutputAndContact)
{
    SimulatedUnit unit;
    EXPECT_EQ(unit.State().controlMode, 'O');  // temperature control off
    EXPECT_EQ(unit.BuildReply(UnitCommand::G)[7], 'O');
    // Internal control, setpoint -12.50 (FB1E); then a status poll changes nothing.
    UnitResponse r = unit.HandleFrame(Frame("G0DI*FB1E"));
    EXPECT_TRUE(r.reply);
    EXPECT_EQ(r.bytes[7], 'I');
    EXPECT_DOUBLE_EQ(unit.State().setpoint, -12.5);
    unit.HandleFrame(Frame("G0D******"));
    EXPECT_EQ(unit.State().controlMode, 'I');
    EXPECT_DOUBLE_EQ(unit.State().setpoint, -12.5);
    // Output 50 and contact 1.
    r = unit.HandleFrame(Frame("C140032********1"));
    EXPECT_EQ(r.bytes.size(), 28u);
    EXPECT_DOUBLE_EQ(unit.State().aifOut, 50);
    EXPECT_DOUBLE_EQ(unit.State().contact, 100);
    unit.HandleFrame(Frame("C14*************"));
    EXPECT_DOUBLE_EQ(unit.State().aifOut, 50);
    EXPECT_DOUBLE_EQ(unit.State().contact, 100);
    // Positions the program must not decode hold no digits.
    EXPECT_EQ(unit.BuildReply(UnitCommand::G)[8], '*');
    EXPECT_EQ(unit.BuildReply(UnitCommand::F).substr(15, 20), AnsiString(20, '*'));
}

TEST(SimulatedUnit, MalformedControlFramesAreIgnored)
{
    const char* const malformed[] = {
        "G0D0*****",  // a digit where the control mode stands
        "G0Dx*****",
        "G0DI0****",
        "G0D**12G4",
        "G0D**0bb8",
        "G0D**12 4",
        "G0D***",
        "G0D********",
        "C14****************",
        "C14*************2",
        "C140032********x",
        "C1400G2********1",
        "C140032*******0*1",
        "V08",
        "Q99",
    };
    SimulatedUnitLine line;
    SimulatedUnit& unit = line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    int fd = OpenPty(line.SlavePath());
    ASSERT_GE(fd, 0);
    unit.HandleFrame(Frame("G0DE*0BB8"));
    const UnitState before = unit.State();
    for (const char* command : malformed) {
        const UnitResponse r = unit.HandleFrame(Frame(command));
        EXPECT_TRUE(r.rejected && !r.accepted && !r.reply) << command;
        Send(fd, Frame(command));
    }
    ASSERT_TRUE(line.WaitForFrames(std::size(malformed), kLineWaitMs));
    EXPECT_EQ(ReadBytes(fd, 1, 100), "");
    for (const LoggedFrame& f : line.Frames()) EXPECT_TRUE(f.valid && f.rejected) << f.frame;
    const UnitState after = unit.State();
    EXPECT_EQ(after.controlMode, 'E');
    EXPECT_DOUBLE_EQ(after.setpoint, before.setpoint);
    EXPECT_DOUBLE_EQ(after.aifOut, before.aifOut);
    EXPECT_DOUBLE_EQ(after.contact, before.contact);
    for (int k = 0; k < UnitCommandCount; ++k) EXPECT_EQ(unit.RequestCount(static_cast<UnitCommand>(k)), k == 0);
    ::close(fd);
}

TEST(SimulatedUnit, TemperaturesFollowTheCommandsInTheClocksTime)
{
    platform::ManualClock clock;
    SimulatedUnit unit;
    unit.SetClock(&clock);
    const UnitState start = unit.State();
    const double tau = start.timeConstant;
    auto after = [&](double seconds, const char* command) {
        clock.AdvanceMs(static_cast<std::int64_t>(seconds * 1000));
        EXPECT_TRUE(unit.HandleFrame(Frame(command)).reply) << command;
        return unit.State();
    };
    // Off: the pump stands, nothing is controlled, the bath drifts towards the ambient.
    UnitState s = after(60, "G0D******");
    EXPECT_EQ(s.speed, 0);
    EXPECT_EQ(s.pressure, 0);
    EXPECT_EQ(s.heating, 0);
    EXPECT_LT(s.internalTemp, start.internalTemp);
    EXPECT_GT(s.internalTemp, start.tu);

    // Internal control to 40 degrees: a first-order lag; the power follows the error.
    const double t0 = after(0, "G0DI*0FA0").internalTemp;
    s = after(1, "G0D******");
    EXPECT_EQ(s.speed, start.nominalSpeed);
    EXPECT_EQ(s.f, 100);  // more than 10 K below the setpoint: full heating
    EXPECT_EQ(s.heating, 100);
    s = after(tau - 1, "G0D******");
    EXPECT_NEAR(s.internalTemp, 40 - (40 - t0) * std::exp(-1.0), 1e-9);
    EXPECT_LT(s.processTemp, s.internalTemp);
    EXPECT_EQ(s.f, std::round(10 * (40 - s.internalTemp)));
    EXPECT_GT(s.f, 0);
    EXPECT_LT(s.f, 100);
    s = after(20 * tau, "G0D**0BB8");  // settled; then the setpoint falls to 30
    EXPECT_NEAR(s.internalTemp, 40, 1e-6);
    EXPECT_NEAR(s.processTemp, 40, 1e-6);
    s = after(0, "G0D******");
    EXPECT_EQ(s.f, -100);  // cooling
    EXPECT_EQ(s.heating, 0);

    // Process control: the process temperature is the one that follows the setpoint.
    const double p0 = after(0, "G0DE*****").processTemp;
    s = after(tau, "G0D******");
    EXPECT_NEAR(s.processTemp, 30 - (30 - p0) * std::exp(-1.0), 1e-9);
    EXPECT_LT(s.internalTemp, s.processTemp);  // the bath leads on the way down

    // Circulation only: the pump runs, no power, drift towards the ambient.
    s = after(1, "G0DC*****");
    s = after(100 * tau, "G0D******");
    EXPECT_EQ(s.speed, start.nominalSpeed);
    EXPECT_EQ(s.f, 0);
    EXPECT_NEAR(s.internalTemp, start.tu, 0.01);
}

TEST(SimulatedUnit, FaultsAndAnswerPatterns)
{
    SimulatedUnit unit;
    const AnsiString g = Frame("G0D******");
    const AnsiString good = unit.BuildReply(UnitCommand::G);
    unit.InjectFault(UnitFault::NoReply);
    EXPECT_FALSE(unit.HandleFrame(g).reply);
    EXPECT_EQ(unit.HandleFrame(g).bytes, good);  // one-off

    unit.InjectFault(UnitFault::WrongChecksum);
    AnsiString b = unit.HandleFrame(g).bytes;
    EXPECT_EQ(b.size(), good.size());
    EXPECT_NE(b.substr(21, 2), good.substr(21, 2));
    unit.InjectFault(UnitFault::NonHexChecksum);
    EXPECT_EQ(unit.HandleFrame(g).bytes.substr(21, 2), "ZZ");
    unit.InjectFault(UnitFault::GarbageFirstByte);
    EXPECT_EQ(unit.HandleFrame(g).bytes[0], '#');
    unit.InjectFault(UnitFault::Truncated, 1, 10);
    EXPECT_EQ(unit.HandleFrame(g).bytes, good.substr(0, 10));
    unit.InjectFault(UnitFault::WrongLetter);
    b = unit.HandleFrame(g).bytes;
    EXPECT_EQ(b[4], 'X');
    EXPECT_EQ(b.substr(21, 2), AnsiString(CTolvarProtocol::BuildDeviceFrame(b.substr(0, 21), 10)).substr(21, 2));
    unit.InjectFault(UnitFault::WrongAddress);
    EXPECT_EQ(unit.HandleFrame(g).bytes.substr(0, 4), "[S09");
    unit.InjectFault(UnitFault::LateReply, 2, 150);
    EXPECT_EQ(unit.HandleFrame(g).delayMs, 150);
    EXPECT_EQ(unit.HandleFrame(g).delayMs, 150);
    EXPECT_EQ(unit.HandleFrame(g).delayMs, 0);

    // Answer the first and third of three name requests only.
    unit.SetAnswerPattern(UnitCommand::V, "101");
    const AnsiString v = Frame("V07");
    EXPECT_TRUE(unit.HandleFrame(v).reply);
    EXPECT_FALSE(unit.HandleFrame(v).reply);
    EXPECT_TRUE(unit.HandleFrame(v).reply);
    EXPECT_TRUE(unit.HandleFrame(v).reply);
    // A command group the unit does not have is never answered.
    unit.Update([](UnitState& s) { s.answers &= ~CommandBit(UnitCommand::C); });
    EXPECT_TRUE(unit.HandleFrame(Frame("C14*************")).accepted);
    EXPECT_FALSE(unit.HandleFrame(Frame("C14*************")).reply);
}

TEST(SimulatedUnitLine, PseudoTerminalServesSeveralSlavesAndLogsFrames)
{
    SimulatedUnitLine line;
    UnitState a;
    a.address = 3;
    a.deviceName = "UNIT THREE";
    line.AddUnit(a);
    a.address = 12;
    a.deviceName = "UNIT TWELVE";
    line.AddUnit(a);
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    int fd = OpenPty(line.SlavePath());
    ASSERT_GE(fd, 0);

    Send(fd, Frame("V07", 12));
    AnsiString reply = ReadBytes(fd, 50, kLineWaitMs);
    EXPECT_EQ(reply, SimulatedUnit::BuildReply(UnitCommand::V, line.Unit(12)->State()));
    Send(fd, "noise" + Frame("G0D******", 3));
    EXPECT_EQ(ReadBytes(fd, 24, kLineWaitMs).substr(0, 5), "[S03G");
    // Nobody at address 7; a bad checksum is logged as rejected and not answered.
    Send(fd, Frame("G0D******", 7));
    AnsiString bad = Frame("G0D******", 3);
    bad[14] = 'F';
    Send(fd, bad);
    ASSERT_TRUE(line.WaitForFrames(4, kLineWaitMs));
    EXPECT_EQ(ReadBytes(fd, 1, 100), "");
    auto frames = line.Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].address, 12);
    EXPECT_TRUE(frames[1].valid);
    EXPECT_EQ(frames[2].address, 7);
    EXPECT_FALSE(frames[3].valid);
    EXPECT_LE(frames[0].timeMs, frames[3].timeMs);
    EXPECT_EQ(line.DiscardedBytes(), 5u);
    ::close(fd);

    // The line survives the port being closed and opened again.
    fd = OpenPty(line.SlavePath());
    Send(fd, Frame("F07", 3));
    EXPECT_EQ(ReadBytes(fd, 38, kLineWaitMs).size(), 38u);
    ::close(fd);
}

TEST(SimulatedUnitLine, TcpSplitsRepliesAndDropsConnections)
{
    SimulatedUnitLine line;
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    ASSERT_GT(line.TcpPort(), 0);
    int fd = ConnectTcp(line.TcpPort());
    ASSERT_GE(fd, 0);
    Send(fd, Frame("G0D******"));  // a reply without fault comes in one write
    EXPECT_EQ(ReadBytes(fd, 24, kLineWaitMs), line.First().BuildReply(UnitCommand::G));
    EXPECT_EQ(line.WriteCount(), 1u);
    line.First().InjectFault(UnitFault::SplitSegments, 1, 3);
    // Three writes; together they are the whole reply.
    std::size_t writes = line.WriteCount();
    Send(fd, Frame("S082"));
    EXPECT_EQ(ReadBytes(fd, 31, kLineWaitMs), line.First().BuildReply(UnitCommand::S2));
    EXPECT_EQ(line.WriteCount() - writes, 3u);

    line.First().InjectFault(UnitFault::DropConnection);
    Send(fd, Frame("G0D******"));
    char c;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, kLineWaitMs), 1);
    EXPECT_EQ(::read(fd, &c, 1), 0);  // closed by the unit
    ::close(fd);

    // Two connections at once are both served; the unit's side closes them all.
    fd = ConnectTcp(line.TcpPort());
    int second = ConnectTcp(line.TcpPort());
    ASSERT_GE(second, 0);
    Send(second, Frame("V07"));
    EXPECT_EQ(ReadBytes(second, 50, kLineWaitMs).size(), 50u);
    Send(fd, Frame("G0D******"));
    EXPECT_EQ(ReadBytes(fd, 24, kLineWaitMs).size(), 24u);
    EXPECT_EQ(line.ClientCount(), 2u);
    line.DropConnection();
    for (int s : {fd, second}) {
        pollfd q{s, POLLIN, 0};
        ASSERT_EQ(::poll(&q, 1, kLineWaitMs), 1);
        EXPECT_EQ(::read(s, &c, 1), 0);
        ::close(s);
    }
}
