#pragma once
// How long the machine held any thread of this process: a benchmark that measures the
// program's own timing must set apart what a loaded or stopped machine did to it. Two
// witnesses: a thread of its own that sleeps 2 ms at a time and notes how much longer it
// took (a whole-process stop, a suspend, or this thread kept off a core), and the kernel's
// count of the time each thread of the process waited for a core while ready to run
// (/proc/self/task/<tid>/schedstat), which sees the poll threads, the simulated units and
// the user-interface thread held too.
#include <dirent.h>

#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

namespace benchverdict {

class ProcessHolds {
public:
    ProcessHolds()
        : FWatcher([this] {
              auto last = std::chrono::steady_clock::now();
              FWatching = true;
              FWatching.notify_one();
              while (!FStop) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
                  const auto now = std::chrono::steady_clock::now();
                  const std::int64_t held =
                      std::chrono::duration_cast<std::chrono::microseconds>(now - last).count() - 2000;
                  last = now;
                  std::int64_t seen = FSleepHeldUs.load();
                  while (held > seen && !FSleepHeldUs.compare_exchange_weak(seen, held)) {}
                  ++FRounds;
              }
          })
    {
        // A hold from here on is seen: one that came before the watcher's first look at the
        // clock would pass unnoticed.
        FWatching.wait(false);
        WaitedMsSinceLast();
    }
    ~ProcessHolds()
    {
        FStop = true;
        FWatcher.join();
    }
    ProcessHolds(const ProcessHolds&) = delete;
    ProcessHolds& operator=(const ProcessHolds&) = delete;

    // The holds since the last call by witness (real milliseconds): the watcher's longest
    // overshoot (the whole process held: stopped, or the machine kept every thread of it off
    // its cores) and the most one thread waited for a core while ready to run (the machine's
    // other work or its hypervisor took the cores).
    struct THeld {
        double SleptOverMs = 0;
        double WaitedForCoreMs = 0;
        double Most() const { return std::max(SleptOverMs, WaitedForCoreMs); }
    };
    THeld HeldSinceLast()
    {
        THeld held;
        held.SleptOverMs = double(FSleepHeldUs.exchange(0)) / 1000.0;
        held.WaitedForCoreMs = WaitedMsSinceLast();
        return held;
    }
    // The longest hold (real milliseconds) any thread of the process met since the last
    // call: the larger of the two above.
    double HeldMsSinceLast() { return HeldSinceLast().Most(); }

    // How many times the watcher has noted the time since it started: once this grows, a
    // hold that ended before is counted.
    std::uint64_t Rounds() const { return FRounds; }

    // Whether the kernel's per-thread waiting times can be read here.
    bool SeesEveryThread() const { return FReadable; }

private:
    // The most one thread of the process waited for a core since the last call, in ms.
    double WaitedMsSinceLast()
    {
        std::map<std::string, std::uint64_t> now;
        bool readable = false;
        if (DIR* dir = opendir("/proc/self/task")) {
            while (dirent* e = readdir(dir)) {
                if (e->d_name[0] == '.') continue;
                const std::string path = std::string("/proc/self/task/") + e->d_name + "/schedstat";
                if (FILE* f = std::fopen(path.c_str(), "r")) {
                    unsigned long long running = 0, waiting = 0;
                    if (std::fscanf(f, "%llu %llu", &running, &waiting) == 2) {
                        now[e->d_name] = waiting;
                        readable = true;
                    }
                    std::fclose(f);
                }
            }
            closedir(dir);
        }
        FReadable = readable;
        double most = 0;
        for (const auto& [tid, waiting] : now) {
            const auto before = FWaitedNs.find(tid);
            // A thread that started since the last call counts from its start.
            const std::uint64_t since = before == FWaitedNs.end() ? 0 : before->second;
            if (waiting > since) most = std::max(most, double(waiting - since) / 1e6);
        }
        FWaitedNs = std::move(now);
        return most;
    }

    std::atomic<bool> FStop{false};
    std::atomic<bool> FWatching{false};
    std::atomic<std::int64_t> FSleepHeldUs{0};
    std::atomic<std::uint64_t> FRounds{0};
    std::map<std::string, std::uint64_t> FWaitedNs;
    bool FReadable = false;
    std::thread FWatcher;
};

// How the machine's cores were used between two readings: the share the hypervisor took
// (steal), the share this process used and the share the machine's other work used, each of
// all the cores' time. A run that its machine spoilt tells a loaded machine from a fault of
// the program by these.
class MachineLoad {
public:
    MachineLoad() { FStart = Read(); }

    struct TShares {
        bool Known = false;
        double StealPct = 0, OursPct = 0, OthersPct = 0;
    };
    TShares SinceStart() const
    {
        const TReading now = Read();
        TShares s;
        const double total = double(now.Total - FStart.Total);
        if (!now.Known || !FStart.Known || total <= 0) return s;
        s.Known = true;
        // Ticks of the kernel's clock against this process's CPU time in seconds.
        const long hz = sysconf(_SC_CLK_TCK);
        const double ours = (now.OwnSeconds - FStart.OwnSeconds) * double(hz > 0 ? hz : 100);
        const double busy = double(now.Busy - FStart.Busy);
        s.StealPct = 100.0 * double(now.Steal - FStart.Steal) / total;
        s.OursPct = std::min(100.0, 100.0 * ours / total);
        s.OthersPct = std::max(0.0, 100.0 * (busy - ours) / total);
        return s;
    }

private:
    struct TReading {
        bool Known = false;
        unsigned long long Total = 0, Busy = 0, Steal = 0;
        double OwnSeconds = 0;
    };
    static TReading Read()
    {
        TReading r;
        if (FILE* f = std::fopen("/proc/stat", "r")) {
            unsigned long long v[8] = {};
            if (std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                            &v[6], &v[7]) == 8) {
                r.Known = true;
                for (unsigned long long x : v) r.Total += x;
                // user, nice, system, irq and softirq; idle, iowait and steal are not this
                // machine's work.
                r.Busy = v[0] + v[1] + v[2] + v[5] + v[6];
                r.Steal = v[7];
            }
            std::fclose(f);
        }
        timespec t{};
        if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) == 0) r.OwnSeconds = double(t.tv_sec) + double(t.tv_nsec) / 1e9;
        return r;
    }
    TReading FStart;
};

}  // namespace benchverdict
