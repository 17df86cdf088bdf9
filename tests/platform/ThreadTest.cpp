#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"
#include "platform/TThread.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "support/ScriptedDialogs.h"
#include "support/SpawnSelf.h"

namespace {
class SyncLoop : public TThread {
public:
    SyncLoop() : TThread(true) {}
    ~SyncLoop() override
    {
        Terminate();
        WaitFor();
    }
    std::atomic<int> steps{0};
    std::atomic<bool> onUi{true};

protected:
    void Execute() override
    {
        while (!Terminated()) {
            Synchronize([this] {
                if (!platform::UiDispatcher::Instance().IsUiThread()) onUi = false;
                ++steps;
            });
        }
    }
};
}  // namespace

TEST(TThread, WaitForOnUiThreadRunsPendingSynchronize)
{
    SyncLoop t;
    t.Resume();
    // Let the thread block in Synchronize at least once, then close it from the UI thread:
    // WaitFor must run the pending call instead of deadlocking.
    platform::UiDispatcher::Instance().WaitRunning([&] { return t.steps.load() >= 3; });
    t.Terminate();
    t.WaitFor();
    EXPECT_TRUE(t.Finished());
    EXPECT_TRUE(t.onUi.load());
    t.WaitFor();  // twice is harmless
}

TEST(TThread, SuspendedThreadRunsOnlyAfterResume)
{
    struct Once : TThread {
        Once() : TThread(true) {}
        ~Once() override { WaitFor(); }
        std::atomic<int> runs{0};
        void Execute() override
        {
            ++runs;
            ReturnValue = 7;
        }
    } t;
    EXPECT_FALSE(t.Started());
    EXPECT_EQ(t.runs.load(), 0);
    t.Resume();
    EXPECT_EQ(t.WaitFor(), 7);
    EXPECT_EQ(t.runs.load(), 1);
}

TEST(TThread, SynchronizeCarriesExceptionsBack)
{
    struct Thrower : TThread {
        Thrower() : TThread(true) {}
        ~Thrower() override { WaitFor(); }
        std::atomic<bool> caught{false};
        void Execute() override
        {
            try {
                Synchronize([] { throw Exception("boom"); });
            } catch (const Exception& e) {
                caught = e.Message == "boom";
            }
        }
    } t;
    t.Resume();
    t.WaitFor();
    EXPECT_TRUE(t.caught.load());
}

TEST(TEvent, ManualAndAutoReset)
{
    TEvent manual(true, false);
    EXPECT_EQ(manual.WaitFor(0), wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(1), wrTimeout);

    TEvent autoEv(false, true);
    EXPECT_EQ(autoEv.WaitFor(0), wrSignaled);
    EXPECT_EQ(autoEv.WaitFor(0), wrTimeout);

    struct Setter : TThread {
        TEvent& ev;
        explicit Setter(TEvent& e) : TThread(false), ev(e) { AfterConstruction(); }
        ~Setter() override { WaitFor(); }
        void Execute() override { ev.SetEvent(); }
    } s(autoEv);
    EXPECT_EQ(autoEv.WaitFor(5000), wrSignaled);
}

TEST(Dispatcher, PostRunsOnUiThreadFromWorkerAndOutlivesWorkThatThrows)
{
    std::atomic<bool> ran{false};
    struct Poster : TThread {
        std::atomic<bool>& flag;
        explicit Poster(std::atomic<bool>& f) : TThread(false), flag(f) { AfterConstruction(); }
        ~Poster() override { WaitFor(); }
        void Execute() override
        {
            platform::UiDispatcher::Instance().Post([this] {
                if (platform::UiDispatcher::Instance().IsUiThread()) flag = true;
            });
        }
    } p(ran);
    p.WaitFor();
    EXPECT_TRUE(platform::UiDispatcher::Instance().WaitRunning([&] { return ran.load(); }, 5000));

    // Work that throws ends neither the queue nor its caller: its owner hears of it, the
    // work after it runs, and a background save whose callback throws still counts as done.
    auto& ui = platform::UiDispatcher::Instance();
    std::vector<std::string> failures;
    bool after = false;
    ui.Post([] { throw std::runtime_error("queued fault"); },
            [&](const std::string& what) { failures.push_back(what); });
    ui.Post([] { throw 42; });
    ui.Post([&] { after = true; });
    EXPECT_NO_THROW(ui.ProcessPending());
    EXPECT_EQ(failures, std::vector<std::string>{"queued fault"});
    EXPECT_TRUE(after);
    QTemporaryDir dir;
    bool called = false;
    platform::SaveInBackground({{dir.path().toStdString() + "/a.txt", "a"}}, [&](const std::string&) {
        called = true;
        throw std::runtime_error("callback fault");
    });
    EXPECT_TRUE(ui.WaitRunning([&] { return called && platform::BackgroundSavesIdle(); }, 5000));
}

namespace {
constexpr const char* kDispatcherNotMadeEnv = "NOX_DISPATCHER_NOT_MADE";  // read by the tests' main
}  // namespace

// The child: nothing has made the dispatcher yet. A worker asks for it first, while the
// user-interface thread waits for that worker without running its event loop (as it waits
// at a start on the dispatcher's making, when it asks at the same moment). The worker gets
// it without that thread; the thread then knows itself as the user-interface thread, and
// what the worker queued runs from the event loop.
TEST(DispatcherFirstCall, ChildAWorkerAsksFirst)
{
    if (!std::getenv(kDispatcherNotMadeEnv))
        GTEST_SKIP() << "runs only as the child of AWorkerAskingFirstDoesNotWaitForTheUserInterfaceThread";
    const auto report = [](const std::string& line) {
        const std::string text = line + "\n";
        if (::write(support::kChildReportFd, text.data(), text.size()) != ssize_t(text.size())) std::_Exit(4);
    };
    std::mutex mutex;
    std::condition_variable madeCv;
    bool made = false, workerCountsAsUi = true;
    std::atomic<bool> ranOnUi{false};
    std::thread worker([&] {
        auto& ui = platform::UiDispatcher::Instance();
        ui.Post([&] { ranOnUi = platform::UiDispatcher::Instance().IsUiThread(); });
        std::lock_guard<std::mutex> lock(mutex);
        workerCountsAsUi = ui.IsUiThread();
        made = true;
        madeCv.notify_all();
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!madeCv.wait_for(lock, std::chrono::seconds(30), [&] { return made; })) {
            report("the worker waits for the user-interface thread");
            std::_Exit(0);  // the worker cannot be ended
        }
    }
    worker.join();
    auto& ui = platform::UiDispatcher::Instance();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ranOnUi && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    bool otherIsUi = true;
    std::thread([&] { otherIsUi = platform::UiDispatcher::Instance().IsUiThread(); }).join();
    report(std::string(workerCountsAsUi ? "worker counts as ui" : "worker apart") + ", " +
           (ui.IsUiThread() ? "ui known" : "ui unknown") + ", " + (otherIsUi ? "other counts as ui" : "other apart") +
           ", " + (ranOnUi ? "queued ran" : "queued did not run"));
}

TEST(DispatcherFirstCall, AWorkerAskingFirstDoesNotWaitForTheUserInterfaceThread)
{
    pid_t pid = 0;
    const int report = support::SpawnSelfReporting("DispatcherFirstCall.ChildAWorkerAsksFirst",
                                                   std::string(kDispatcherNotMadeEnv) + "=1", pid);
    ASSERT_GE(report, 0);
    std::string said;
    char c = 0;
    pollfd p{report, POLLIN, 0};
    while (said.find('\n') == std::string::npos && ::poll(&p, 1, 90000) > 0 && ::read(report, &c, 1) == 1) said += c;
    ::close(report);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(said, "worker apart, ui known, other apart, queued ran\n");
}

#ifndef NDEBUG
// The debug check passes on the user-interface thread (also inside a synchronised step) and
// stops the program when a worker calls a user-interface-only function directly.
TEST(UiThreadAssertDeathTest, PassesOnTheUiThreadAndStopsAWorker)
{
    NOX_ASSERT_UI_THREAD();
    struct Stepper : TThread {
        Stepper() : TThread(false) { AfterConstruction(); }
        ~Stepper() override { WaitFor(); }
        void Execute() override
        {
            Synchronize([] { NOX_ASSERT_UI_THREAD(); });
        }
    } stepper;
    stepper.WaitFor();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { NOX_ASSERT_UI_THREAD(); }).join(), "must run on the user-interface thread");
}
#endif

TEST(GuardedCall, ShowsEscapingExceptionInABox)
{
    auto& d = support::TestDialogs();
    d.Clear();
    EXPECT_TRUE(platform::GuardedCall([] {}));
    EXPECT_EQ(d.MessageCount(), 0u);
    EXPECT_FALSE(platform::GuardedCall([] { throw Exception("Input mask error!"); }));
    ASSERT_EQ(d.MessageCount(), 1u);
    EXPECT_EQ(d.LastMessage().text, "Input mask error!");
    EXPECT_EQ(d.LastMessage().flags & MB_ICONMASK, MB_ICONERROR);
    d.QueueAnswer(IDNO);
    EXPECT_EQ(platform::dialogs().MessageBox("q", "c", MB_YESNO), IDNO);
    EXPECT_EQ(platform::dialogs().MessageBox("q", "c", MB_YESNO), IDYES);
}
