#pragma once
// How long the machine held any thread of this process: a benchmark that measures the
// program's own timing must set apart what a loaded or stopped machine did to it. Two
// witnesses: a thread of its own that sleeps 2 ms at a time and notes how much longer it
// took (a whole-process stop, a suspend, or this thread kept off a core), and the kernel's
// count of the time each thread of the process waited for a core while ready to run
// (/proc/self/task/<tid>/schedstat), which sees the poll threads, the simulated units and
// the user-interface thread held too.
#include <dirent.h>

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

    // The longest hold (real milliseconds) any thread of the process met since the last
    // call: the watcher's longest overshoot, or the most one thread waited for a core.
    double HeldMsSinceLast() { return std::max(double(FSleepHeldUs.exchange(0)) / 1000.0, WaitedMsSinceLast()); }

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

}  // namespace benchverdict
