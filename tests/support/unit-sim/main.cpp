// unit-sim: a simulated temperature-control unit, so NoxControl can be tried without one.
//   unit-sim --pty [--slaves 1,2,5] [--name NAME] [--serial N] [--mode O|C|I|E] [--time-constant S]
//   unit-sim --tcp PORT [--name NAME] [--serial N] [--mode O|C|I|E] [--time-constant S]
// With --pty it prints the path of the serial port to choose in the program. The unit's
// temperatures follow its commands in real time; every frame it receives is printed.
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "support/SimulatedUnitLine.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_silenceToggles = 0;
void OnSignal(int)
{
    g_stop = 1;
}
void OnSilenceSignal(int)
{
    g_silenceToggles = g_silenceToggles + 1;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: unit-sim (--pty | --tcp PORT) [--name NAME] [--serial NUMBER] [--mode O|C|I|E]\n"
                 "                [--time-constant SECONDS] [--slaves A,B,...]\n"
                 "  --pty        serve on a pseudo-terminal and print its path\n"
                 "  --tcp PORT   serve on 127.0.0.1:PORT\n"
                 "  --name       device name the unit reports\n"
                 "  --serial     serial number the unit reports\n"
                 "  --mode       control status at start: O off (default), C circulation,\n"
                 "               I internal control, E process control\n"
                 "  --time-constant SECONDS\n"
                 "               how fast the controlled temperature follows the setpoint\n"
                 "               (first-order lag; default 180)\n"
                 "  --slaves     bus addresses (1..30) of the units on the line; default 1\n"
                 "SIGUSR1 makes the units silent (they neither answer nor take a frame) and,\n"
                 "sent again, lets them answer again; each change is printed among the frames.\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv)
{
    bool pty = false;
    int tcpPort = -1;
    support::UnitState base;
    std::vector<int> slaves;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "unit-sim: %s needs a value\n", what);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--pty")
            pty = true;
        else if (a == "--tcp") {
            const char* v = next("--tcp");
            if (!v || !TryStrToInt(v, tcpPort) || tcpPort < 0 || tcpPort > 65535) return Usage();
        } else if (a == "--name") {
            const char* v = next("--name");
            if (!v) return Usage();
            base.deviceName = v;
        } else if (a == "--serial") {
            const char* v = next("--serial");
            int n = 0;
            if (!v || !TryStrToInt(v, n) || n < 0) return Usage();
            base.serialNumber = static_cast<std::uint32_t>(n);
        } else if (a == "--mode") {
            const char* v = next("--mode");
            if (!v || std::strlen(v) != 1 || !std::strchr("OCIE", v[0])) return Usage();
            base.controlMode = v[0];
        } else if (a == "--time-constant") {
            const char* v = next("--time-constant");
            int seconds = 0;
            if (!v || !TryStrToInt(v, seconds) || seconds < 1 || seconds > 86400) return Usage();
            base.timeConstant = seconds;
        } else if (a == "--slaves") {
            const char* v = next("--slaves");
            if (!v) return Usage();
            for (const AnsiString& s : SplitString(v, ',')) {
                int addr = 0;
                if (!TryStrToInt(s, addr) || addr < 1 || addr > 30) {
                    std::fprintf(stderr, "unit-sim: bad slave address '%s'\n", s.c_str());
                    return 2;
                }
                slaves.push_back(addr);
            }
        } else if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "unit-sim: unknown option '%s'\n", a.c_str());
            return Usage();
        }
    }
    if (pty == (tcpPort >= 0)) return Usage();
    if (slaves.empty()) slaves.push_back(1);

    support::SimulatedUnitLine line;
    const platform::SystemClock clock;
    for (int addr : slaves) {
        support::UnitState s = base;
        s.address = addr;
        line.AddUnit(s).SetClock(&clock);
    }
    AnsiString error;
    if (pty ? !line.StartPty(&error) : !line.StartTcp(tcpPort, &error)) {
        std::fprintf(stderr, "unit-sim: cannot start: %s\n", error.c_str());
        return 1;
    }
    if (pty)
        std::printf("%s\n", line.SlavePath().c_str());
    else
        std::printf("listening on 127.0.0.1:%d\n", line.TcpPort());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGUSR1, OnSilenceSignal);
    std::size_t shown = 0;
    int silenceToggles = 0;
    while (!g_stop) {
        if (silenceToggles != g_silenceToggles) {
            silenceToggles = g_silenceToggles;
            const bool silent = silenceToggles % 2 == 1;
            for (int addr : slaves)
                line.Unit(addr)->Update(
                    [silent](support::UnitState& u) { u.answers = silent ? 0 : support::AllCommands; });
            std::printf("            -- %s\n", silent ? "silent from here" : "answering again from here");
        }
        line.WaitForFrames(shown + 1, 200);
        auto frames = line.Frames();
        for (; shown < frames.size(); ++shown) {
            AnsiString f = frames[shown].frame;
            if (!f.empty() && f.back() == '\r') f.pop_back();
            std::printf("%8lld ms  %s%s\n", static_cast<long long>(frames[shown].timeMs), f.c_str(),
                        frames[shown].valid && !frames[shown].rejected ? "" : "  (rejected)");
        }
        std::fflush(stdout);
    }
    line.Stop();
    return 0;
}
