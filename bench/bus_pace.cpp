// The age of the values a recording tick takes (the time since the reply that brought each
// polled value was decoded), for three units on one RS485 line against one unit on a serial
// line of its own, both at a 1-second interval. The program's own channel objects and poll
// threads talk to the simulated unit over a pseudo-terminal through the platform's serial
// port; every reply is held back for the time an exchange takes on a 9600-baud line. The
// program's pacing is shortened five-fold (300 ms steps become 60 ms, 1 s ticks 200 ms) so a
// run takes about a minute; ages are reported in the program's own seconds. The ticks do
// what a recording tick does to the channel: ask for a poll cycle and clear the error flag.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "BenchVerdict.h"
#include "ProcessHolds.h"
#include "comm/CRS232.h"
#include "comm/CRS485.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CommTiming.h"
#include "platform/UiDispatcher.h"
#include "support/FakeChannelServices.h"
#include "support/PrivateSettings.h"
#include "support/SimulatedUnitLine.h"

namespace {

using Clock = std::chrono::steady_clock;
bool gUnsound = false;  // the machine spoilt the measurement

constexpr int kScale = 5;
constexpr int kTickMs = 1000 / kScale;
// An exchange on a 9600-baud line: about 15 bytes out and 25 to 30 back, plus the unit's
// turn-around, some 45 ms.
constexpr int kLineMs = 45 / kScale;
constexpr int kWarmUpTicks = 15;
// Program ms a thread may be held before the ticks after it are set apart, and the real ms
// they are set apart for (a tick and a poll cycle of three slaves at the shortened pace).
constexpr double kHeldProgramMs = 50;
constexpr int kSettleMs = 2 * kTickMs;
constexpr int kTicks = 250;
int gTicks = kTicks;  // the ticks measured after the warm-up ("--ticks=N" for a short run)

// The rows a fully identified unit is polled for, in the identification's order.
constexpr int kPolledRows[] = {0, 2, 3, 4, 5, 7};  // G, S1, S2, S3, C, P

// A channel that notes when each kind of reply was decoded.
template <class Base>
class TimedChannel : public Base {
public:
    using Base::Base;
    void OnReply(TThread* thread, const AnsiString& reply, int channel) override
    {
        Base::OnReply(thread, reply, channel);
        if (this->LastReplyDecoded()) decoded[Kind(reply)] = Clock::now();
    }
    static AnsiString Kind(const AnsiString& reply)
    {
        return reply[4] == 'S' && reply.size() > 7 ? reply.substr(4, 1) + reply.substr(7, 1) : reply.substr(4, 1);
    }
    std::map<AnsiString, Clock::time_point> decoded;
};

struct TAges {
    std::vector<double> seconds;
    int errorTicks = 0;
    int heldTicks = 0;  // set apart: a thread of the process was held before them
    bool Sound() const { return heldTicks * 10 <= gTicks; }
    double Percentile(double p) const
    {
        if (seconds.empty()) return 0;
        std::vector<double> v = seconds;
        std::sort(v.begin(), v.end());
        const std::size_t i = std::size_t(std::ceil(p * double(v.size()))) - 1;
        return v[std::min(i, v.size() - 1)];
    }
    double Max() const { return seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end()); }
};

// Connects `units` channels of the class (RS485 slaves 1.., or one RS232 unit), polls them
// at the shortened pace and collects the ages the ticks would record.
template <class Channel>
TAges Record(const char* name, int units)
{
    comm::TCommTiming timing;
    timing.PollStepMs = timing.PollStepMs / kScale;
    timing.ReadTimeoutMs = timing.ReadTimeoutMs / kScale;
    comm::SetTiming(timing);
    support::SimulatedUnitLine line;
    for (int a = 1; a <= units; ++a) {
        support::UnitState s;
        s.address = a;
        line.AddUnit(s).InjectFault(support::UnitFault::LateReply, -1, kLineMs);
    }
    AnsiString error;
    if (!line.StartPty(&error)) return {};
    testfakes::ServicesScope scope;
    std::vector<std::unique_ptr<TimedChannel<Channel>>> channels;
    for (int c = 1; c <= units; ++c) {
        testfakes::FakeChannelWindow& w = scope.Window(c);
        w.texts[TChannelControl::cmbPort] = line.SlavePath();
        w.texts[TChannelControl::cmbBaudrate] = "9600";
        w.texts[TChannelControl::cmbDataBits] = "8";
        w.texts[TChannelControl::cmbActual] = "1";
        w.texts[TChannelControl::cmbSlave] = IntToStr(c);
        auto channel = std::make_unique<TimedChannel<Channel>>(c);
        ChannelObjects[c] = channel.get();
        if (channel->ReadSettings() != 1 || channel->Open() != 1) return {};
        // What a full identification leaves behind: every block queued, then polling.
        const int address = channel->GetAddress();
        for (int row : kPolledRows)
            channel->QueueCommand(CTolvarProtocol::CommandText[row][0],
                                  CTolvarProtocol::BuildCommandFrame(CTolvarProtocol::CommandText[row], address),
                                  CTolvarProtocol::ReplyLength[row], c);
        const AnsiString status = CTolvarProtocol::BuildCommandFrame("G0D******", address);
        const AnsiString follow = CTolvarProtocol::BuildCommandFrame("C14*************", address);
        channel->SetPollCommands(status, int(status.size()), 24, c, int(follow.size()), follow);
        channel->StartPolling(c);
        channels.push_back(std::move(channel));
    }

    TAges ages;
    platform::UiDispatcher& ui = platform::UiDispatcher::Instance();
    // A tick judges the program only when no thread of the process (poll threads, the
    // simulated units, this one) was held in the time its values may take before it (the
    // interval and a poll cycle): a loaded machine's holds are not the program's pace.
    benchverdict::ProcessHolds holds;
    Clock::time_point heldUntil{};
    Clock::time_point next = Clock::now();
    // A short run warms up in proportion.
    const int warmUp = std::min(kWarmUpTicks, gTicks / 5);
    for (int tick = 0; tick < warmUp + gTicks; ++tick) {
        if (tick == warmUp) benchverdict::WindowBegins(name, gTicks);
        next += std::chrono::milliseconds(kTickMs);
        while (Clock::now() < next)
            ui.WaitRunning([&] { return Clock::now() >= next; },
                           int(std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count()) + 1);
        const Clock::time_point now = Clock::now();
        const double heldMs =
            std::max(holds.HeldMsSinceLast(), std::chrono::duration<double, std::milli>(now - next).count());
        if (heldMs * kScale > kHeldProgramMs) heldUntil = now + std::chrono::milliseconds(kSettleMs);
        const bool held = now < heldUntil;
        if (held && tick >= warmUp) ++ages.heldTicks;
        for (auto& channel : channels) {
            if (tick >= warmUp && !held) {
                if (channel->CommError == 1) ++ages.errorTicks;
                for (const auto& [kind, at] : channel->decoded)
                    ages.seconds.push_back(std::chrono::duration<double>(now - at).count() * kScale);
            }
            channel->CommError = 0;
            channel->PollRequest = 1;
        }
    }
    for (auto& channel : channels) channel->Close(3);
    channels.clear();
    line.Stop();
    comm::ResetTiming();
    return ages;
}

void Report(benchmark::State& state, const char* prefix, const TAges& ages)
{
    const std::string p(prefix);
    state.counters[p + "_p50_s"] = ages.Percentile(0.5);
    state.counters[p + "_p95_s"] = ages.Percentile(0.95);
    state.counters[p + "_max_s"] = ages.Max();
    state.counters[p + "_errorTicks"] = ages.errorTicks;
    state.counters[p + "_heldTicks"] = ages.heldTicks;
}

void BM_ValueAgeBusAgainstOwnLine(benchmark::State& state)
{
    TAges own, bus;
    for (auto _ : state) {
        own = Record<CRS232>("RS232", 1);
        bus = Record<CRS485>("RS485", 3);
    }
    Report(state, "rs232", own);
    Report(state, "rs485", bus);
    const double p95 = own.Percentile(0.95);
    state.counters["rs485_p95_per_rs232_p95"] = p95 > 0 ? bus.Percentile(0.95) / p95 : 0;
    if (!own.Sound() || !bus.Sound()) {
        std::printf(
            "measurement not sound: the machine held the benchmark's threads at %d (RS232) and %d (RS485) "
            "of %d ticks\n",
            own.heldTicks, bus.heldTicks, gTicks);
        gUnsound = true;
        state.SkipWithError("the machine did not keep the benchmark's timing");
    }
}

}  // namespace

BENCHMARK(BM_ValueAgeBusAgainstOwnLine)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    gTicks = benchverdict::TakeCount(argc, argv, "ticks", kTicks);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool ran = benchverdict::RunCases(nullptr);
    benchmark::Shutdown();
    if (!ran) return benchverdict::NoCaseRan();
    return gUnsound ? benchverdict::NotSound() : 0;
}
