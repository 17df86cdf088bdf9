#pragma once
// One serial port shared by the RS485 channels that name it. Channels on one bus hold the
// same entry: the first holder opens the port with its line settings, later holders take
// the open link over, and the port is closed when the last holder lets go. Two names of
// one device (a symbolic link and its target) are one port.
//
// An adapter that is pulled and plugged in again may come back as another device node (a
// USB adapter as the next free ttyUSBn while its old node is still held; a stable name such
// as /dev/serial/by-id/... then leads to the new node). The port follows it: once reopened it
// is known by the new node, so a channel naming either the stable name or the new node takes
// the open port over instead of opening the device a second time.
//
// The bus lock makes the slaves take turns: whoever holds it is the only one exchanging
// frames on the line, so the frames and replies of two slaves never interleave.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "comm/ByteLink.h"
#include "platform/AnsiString.h"

namespace comm {

// A lock that may be released by any thread and waited for with a bound; usable with
// std::unique_lock.
class TBusLock {
public:
    void lock();
    bool try_lock();
    bool try_lock_for(std::chrono::milliseconds wait);
    void unlock();
    // Threads waiting for the lock right now.
    int Waiting() const;
    // The poll threads that take turns with it.
    void AddUser() { ++users_; }
    void RemoveUser() { --users_; }
    int Users() const { return users_; }

    // ---- How long the line was taken by others, for a waiting poll thread's own clock.
    // Whoever holds the lock (a poll step, an exchange of an identification, a reopen of the
    // port) names itself and the longest its hold may take (comm::SteadyMs); each further
    // exchange in the same hold adds to that bound.
    void DeclareHolder(const void* holder, int boundMs);
    void ExtendHold(int ms);
    // The time the lock has been held by anybody but `self` since it was made: each hold as
    // long as it took, a hold that is under way as far as it has gone. A holder that went
    // beyond the bound it declared did not run its step (the process or the machine was
    // held): its hold counts nothing, so whoever waited behind it finds the hold in its own
    // time. A hold of no declared holder counts in full.
    std::int64_t HeldByOthersMs(const void* self) const;

    // ---- Stops of the whole line. Every poll thread on the line notes its passes here. A
    // stretch in which no thread on the line passed and nobody held the line within a
    // declared bound is time in which nothing on the line ran (the process was stopped, the
    // computer slept): one stop, the same for every slave whose last pass came before it,
    // wherever each was in its own pause or exchange.
    // A pass at `nowMs` (comm::SteadyMs).
    void NotePass(std::int64_t nowMs);
    // The longest such stretch that began at `sinceMs` (a pass noted here) or later, up to
    // `nowMs`, the one under way included.
    std::int64_t LongestStopSinceMs(std::int64_t sinceMs, std::int64_t nowMs) const;

private:
    // With mutex_ held: what the hold under way counts when it has lasted `ms`.
    std::int64_t HoldCountMs(std::int64_t ms) const;
    // With mutex_ held: every hold's count up to `nowMs`, the one under way included.
    std::int64_t HeldTotalMs(std::int64_t nowMs) const;
    // With mutex_ held: the stretch since the last pass up to `nowMs` in which nobody held
    // the line.
    std::int64_t IdleSinceLastPassMs(std::int64_t nowMs) const;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool held_ = false;
    int waiting_ = 0;
    std::atomic<int> users_{0};
    std::int64_t heldSinceMs_ = 0;
    const void* holder_ = nullptr;
    std::int64_t holdBoundMs_ = 0;  // 0: no bound declared
    std::int64_t heldTotalMs_ = 0;
    std::map<const void*, std::int64_t> heldByMs_;  // the part of the total each holder made
    std::int64_t lastPassMs_ = 0;                   // 0: no pass yet
    std::int64_t heldAtLastPassMs_ = 0;             // HeldTotalMs then
    // The longer stretches between passes lately, oldest first overwritten. Shorter ones
    // (the threads' pauses overlapping) do not matter to any judgement of a stop.
    struct TLineStop {
        std::int64_t FromMs = 0;
        std::int64_t Ms = 0;
    };
    static constexpr std::int64_t NotedStopMs = 50;
    std::array<TLineStop, 64> stops_{};
    std::size_t nextStop_ = 0;
};

class SharedSerialPort : public std::enable_shared_from_this<SharedSerialPort> {
public:
    SharedSerialPort(AnsiString key, std::shared_ptr<IByteLink> link, TSerialLinkSettings settings = {});
    ~SharedSerialPort();  // closes the link
    SharedSerialPort(const SharedSerialPort&) = delete;
    SharedSerialPort& operator=(const SharedSerialPort&) = delete;

    // The real device path the port is known by (it changes when the port is reopened on
    // another device node).
    AnsiString Key() const;
    // The name the port was first opened by.
    const AnsiString& PortName() const { return settings_.PortName; }
    const TSerialLinkSettings& Settings() const { return settings_; }
    // The link in use; a reopened port has a new one.
    std::shared_ptr<IByteLink> Link() const;
    TBusLock& Bus() { return bus_; }

    // Reopens the port with the settings it was first opened with, after its device went
    // away: `failed` is the link the caller saw fail. When another holder has reopened the
    // port since, its link is kept. True when the port has a working link again. The
    // caller holds the bus.
    bool Reopen(const std::shared_ptr<IByteLink>& failed);

    // A slave's exchange ended before its reply was through (its channel closed meanwhile):
    // up to `bytes` more may still come until `untilMs` (comm::SteadyMs). The next holder of the bus lets that
    // reply come and go before it writes (AwaitOwedReply), so it never reads it as the
    // answer to its own request. Both are called with the bus held.
    void LeaveReplyOwed(std::int64_t untilMs, std::size_t bytes);
    void AwaitOwedReply(const std::function<bool()>& stop);

private:
    // Registers the port under the device its name leads to now (called with the link
    // mutex held, after a reopen).
    void FollowDevice();

    AnsiString key_;  // guarded by the registry's mutex
    TSerialLinkSettings settings_;
    mutable std::mutex linkMutex_;
    std::shared_ptr<IByteLink> link_;
    TBusLock bus_;
    std::mutex owedMutex_;
    std::size_t owedBytes_ = 0;     // 0: no reply is owed
    std::int64_t owedUntilMs_ = 0;  // comm::SteadyMs
};

// The open port for the device that settings.PortName names, opened with these settings
// through the serial link factory when nobody holds it yet. taken is true when an open
// port was taken over. nullptr with the reason in error when the port cannot be opened.
std::shared_ptr<SharedSerialPort> AcquireSharedSerialPort(const TSerialLinkSettings& settings, AnsiString& error,
                                                          bool& taken);
// True while somebody holds the port of this device (any of its names).
bool IsSharedSerialPortOpen(const AnsiString& portName);
// The name under which a port is shared: the device behind the name.
AnsiString SharedSerialPortKey(const AnsiString& portName);

}  // namespace comm
