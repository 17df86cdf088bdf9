#pragma once
// Puts simulated units on a line: a pseudo-terminal (one RS232 unit, or several RS485
// slaves answering by address) or a loopback TCP port. A thread of its own reads frames,
// lets the addressed unit answer and logs every frame with its arrival time.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/SimulatedUnit.h"

namespace support {

struct LoggedFrame {
    std::int64_t timeMs = 0;  // arrival, milliseconds since the line started
    AnsiString frame;
    bool valid = false;     // framing and checksum right
    bool rejected = false;  // valid and addressed to a unit, but malformed: not answered
    int address = -1;
};

class SimulatedUnitLine {
public:
    SimulatedUnitLine();
    ~SimulatedUnitLine();
    SimulatedUnitLine(const SimulatedUnitLine&) = delete;
    SimulatedUnitLine& operator=(const SimulatedUnitLine&) = delete;

    // Units are added before the line starts.
    SimulatedUnit& AddUnit(const UnitState& state = {});
    SimulatedUnit* Unit(int address);
    SimulatedUnit& First();

    // Opens a pseudo-terminal; the program opens SlavePath(). False with error on failure.
    // With a link path, a symbolic link there names the pseudo-terminal and SlavePath() is
    // the link (as a udev name names an adapter).
    bool StartPty(AnsiString* error = nullptr, const AnsiString& linkPath = {});
    AnsiString SlavePath() const { return linkPath_.empty() ? slavePath_ : linkPath_; }
    // The adapter is pulled: the pseudo-terminal goes away (the program's port reports
    // errors) and the link with it. Plugged in again: a new pseudo-terminal behind the same
    // link.
    void UnplugPty();
    bool ReplugPty(AnsiString* error = nullptr);
    // Listens on 127.0.0.1:port (0 chooses a free port, see TcpPort()).
    bool StartTcp(int port = 0, AnsiString* error = nullptr);
    int TcpPort() const { return tcpPort_; }
    // The unit's network side goes away (connections closed, nobody listens) and comes
    // back on the same port.
    void StopListening();
    bool ListenAgain(AnsiString* error = nullptr);
    // Connections accepted so far.
    std::size_t AcceptCount() const { return accepts_.load(); }
    void Stop();

    // Closes every TCP connection from the unit's side (the port keeps listening).
    void DropConnection();
    // TCP connections open now.
    std::size_t ClientCount() const { return clientCount_.load(); }

    std::vector<LoggedFrame> Frames() const;
    std::size_t FrameCount() const;
    void ClearLog();
    // Waits until at least n frames are logged; false when timeoutMs ran out first.
    bool WaitForFrames(std::size_t n, int timeoutMs) const;
    // Bytes the line received outside of frames (noise before a '[').
    std::size_t DiscardedBytes() const { return discarded_.load(); }
    // Write calls made for replies (a split reply takes several).
    std::size_t WriteCount() const { return writes_.load(); }
    // A late reply is waiting for its time (the request's arrival is stamped by then).
    bool HoldsReply() const { return holding_.load(); }
    // Replies written whole (counted once their last byte is on the line).
    std::size_t RepliesWritten() const { return repliesWritten_.load(); }
    // The clock a late reply waits on, in milliseconds (the steady clock by default): a
    // reply `delayMs` late goes out once it has moved on that far from the request's
    // arrival. Set before the line starts.
    void SetReplyClock(std::function<std::int64_t()> nowMs) { replyClock_ = std::move(nowMs); }
    // The reply clock of the lines made from now on (nullptr: the steady clock).
    static void SetDefaultReplyClock(std::function<std::int64_t()> nowMs);
    // Called on the line's thread when a frame goes unanswered (the connection may be
    // closed instead) or only the start of a reply went out: the exchange can only end by
    // its time-out. A test whose clock stands
    // still moves it on there. Set before the line starts (its thread reads the hook
    // unguarded). The hook of the lines made from now on is the default one.
    void SetUnansweredHook(std::function<void()> hook) { unanswered_ = std::move(hook); }
    static void SetDefaultUnansweredHook(std::function<void()> hook);

private:
    // A TCP connection with the bytes of its unfinished frame.
    struct Client {
        int fd;
        AnsiString buffer;
    };
    void Run();
    // False when the connection is to be closed.
    bool HandleBytes(int fd, AnsiString& buffer, const char* data, std::size_t n);
    bool Answer(int fd, const UnitResponse& r, std::int64_t receivedMs);
    std::int64_t ReplyClockMs() const;
    // Waits until the reply clock reads dueMs; true when the line was stopped first.
    bool WaitReplyDue(std::int64_t dueMs);
    bool OpenPty(AnsiString* error);
    bool Listen(int port, AnsiString* error);
    void StartThread();
    void JoinThread();
    bool WaitStop(int ms);
    std::int64_t ElapsedMs() const;
    void CloseClients();

    std::vector<std::unique_ptr<SimulatedUnit>> units_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    int wakePipe_[2] = {-1, -1};
    int master_ = -1, slave_ = -1;
    int listen_ = -1;
    std::vector<Client> clients_;  // used by the line's thread only while it runs
    std::atomic<std::size_t> clientCount_{0};
    std::atomic<bool> dropRequested_{false};
    AnsiString slavePath_;
    AnsiString linkPath_;
    std::atomic<std::size_t> accepts_{0};
    int tcpPort_ = 0;
    std::atomic<std::size_t> discarded_{0};
    std::atomic<std::size_t> writes_{0};
    std::atomic<std::size_t> repliesWritten_{0};
    std::atomic<bool> holding_{false};
    std::function<std::int64_t()> replyClock_;
    std::function<void()> unanswered_;
    std::chrono::steady_clock::time_point start_;

    mutable std::mutex logMutex_;
    mutable std::condition_variable logCv_;
    std::vector<LoggedFrame> log_;
    std::mutex stopMutex_;
    std::condition_variable stopCv_;
};

}  // namespace support
