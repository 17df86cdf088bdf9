// The holds the benchmarks set apart are seen: a stop of the whole process (its threads
// all stopped for a known time), and a thread other than the one that asks waiting for a
// core while another thread of the process runs on it.
#include "ProcessHolds.h"

#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Whether every thread of the process is stopped (state T in its stat line).
bool AllThreadsStopped(pid_t pid)
{
    char folder[64];
    std::snprintf(folder, sizeof folder, "/proc/%d/task", int(pid));
    DIR* dir = opendir(folder);
    if (!dir) return false;
    bool any = false, all = true;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        char path[400];
        std::snprintf(path, sizeof path, "%s/%s/stat", folder, e->d_name);
        FILE* f = std::fopen(path, "r");
        if (!f) continue;
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, f) != nullptr;
        std::fclose(f);
        // "tid (name) S ...": the state follows the name's closing parenthesis.
        const char* close = read ? std::strrchr(line, ')') : nullptr;
        if (!close || close[1] != ' ') continue;
        any = true;
        all = all && (close[2] == 'T' || close[2] == 't');
    }
    closedir(dir);
    return any && all;
}

// Stops this process from a child for at least `stopMs` once all its threads have stopped,
// then lets it go on; true when the child saw the stop take hold.
bool StopThisProcess(int stopMs)
{
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        kill(parent, SIGSTOP);
        bool stopped = false;
        for (int i = 0; i < 10000 && !(stopped = AllThreadsStopped(parent)); ++i) usleep(1000);
        if (stopped) {
            const timespec pause{stopMs / 1000, long(stopMs % 1000) * 1000000L};
            nanosleep(&pause, nullptr);
        }
        kill(parent, SIGCONT);
        _exit(stopped ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::int64_t ThreadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

TEST(ProcessHolds, SeesTheWholeProcessStopped)
{
    benchverdict::ProcessHolds holds;
    holds.HeldMsSinceLast();
    ASSERT_TRUE(StopThisProcess(1000)) << "the process did not stop";
    // Every thread was stopped for a second at least: none waited for a core meanwhile, so
    // only a thread that notes the time passing sees it, once it has looked again.
    const std::uint64_t rounds = holds.Rounds();
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (holds.Rounds() == rounds && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
    EXPECT_GE(holds.HeldMsSinceLast(), 900);
}

TEST(ProcessHolds, SeesAnotherThreadWaitingForACore)
{
    benchverdict::ProcessHolds holds;
    if (!holds.SeesEveryThread()) GTEST_SKIP() << "this kernel does not say how long threads wait for a core";

    // Two threads of the process spin on one core of those the test may use: while one
    // runs, the other waits for the core, whatever else the machine does.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    int core = 0;
    while (core < CPU_SETSIZE && !CPU_ISSET(core, &allowed)) ++core;
    ASSERT_LT(core, CPU_SETSIZE);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);

    holds.HeldMsSinceLast();
    std::atomic<int> waiter{0};  // 1: spinning on the core, -1: could not be kept to it
    std::atomic<bool> stop{false};
    std::thread waiting([&] {
        waiter = pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0 ? 1 : -1;
        while (!stop) {}
    });
    bool pinned = false;
    std::int64_t usedNs = 0;
    std::thread runner([&] {
        if (pthread_setaffinity_np(pthread_self(), sizeof one, &one) != 0) return;
        while (waiter == 0) std::this_thread::yield();
        pinned = waiter == 1;
        const std::int64_t start = ThreadCpuNs();
        while (pinned && (usedNs = ThreadCpuNs() - start) < 200'000'000) {}
    });
    runner.join();
    // Asked while the waiter still lives: a thread that has ended is no longer listed.
    const double held = holds.HeldMsSinceLast();
    stop = true;
    waiting.join();
    ASSERT_TRUE(pinned) << "the threads could not be kept to one core";
    ASSERT_GE(usedNs, 200'000'000);
    // The waiter was ready all the while the runner used its 200 ms of the shared core.
    EXPECT_GE(held, 160);
}
