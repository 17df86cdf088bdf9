#pragma once
// Worker threads in the manner of the class library: Execute runs on its own thread,
// Terminate asks it to stop, WaitFor joins it, Synchronize runs a step on the
// user-interface thread. Priorities are not set (Linux needs privileges for that).
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A thread can only run Execute once its object is fully built, so the thread never starts
// in this constructor: a class created with CreateSuspended false calls AfterConstruction()
// at the end of its own constructor (the class library did that step for it).
class TThread {
public:
    explicit TThread(bool CreateSuspended);
    // Terminates and joins a thread that still runs. A derived class whose Execute uses its
    // own members must call Terminate() and WaitFor() in its own destructor.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void AfterConstruction();  // starts the thread unless it was created suspended
    void Resume();             // starts a suspended thread
    void Start() { Resume(); }
    void Terminate()
    {
        terminated_.store(true);
        OnTerminateRequested();
    }
    bool Terminated() const { return terminated_.load(); }
    bool Finished() const { return finished_.load(); }
    bool Started() const { return started_.load(); }
    // Waits until Execute has returned and joins the thread. On the user-interface thread it
    // keeps running pending synchronised calls meanwhile, so a thread blocked in Synchronize
    // finishes. Returns ReturnValue. Calling it from the thread itself returns at once.
    int WaitFor();
    // True when called from this thread's own Execute.
    bool IsCurrentThread() const;

    // Called on the thread after Execute returns, through Synchronize.
    std::function<void()> OnTerminate;
    std::atomic<int> ReturnValue{0};

protected:
    virtual void Execute() = 0;
    // Runs fn on the user-interface thread and waits for it.
    void Synchronize(const std::function<void()>& fn);
    // Hook for threads that must wake a blocking wait when asked to stop.
    virtual void OnTerminateRequested() {}

private:
    void Run();

    std::thread thread_;
    std::mutex joinMutex_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> started_{false};
    bool createSuspended_;
};

// A manual- or auto-reset event.
enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TEvent {
public:
    TEvent(bool ManualReset, bool InitialState) : manual_(ManualReset), signaled_(InitialState) {}
    void SetEvent();
    void ResetEvent();
    // timeoutMs < 0 waits without limit. An auto-reset event is reset by the wait it ends.
    TWaitResult WaitFor(int timeoutMs);
    bool IsSet() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool manual_;
    bool signaled_;
};
