#include "comm/SharedSerialPort.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "comm/CommTiming.h"

#include "platform/SerialPort.h"
#include "platform/UiDispatcher.h"

namespace comm {

namespace {
std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}
std::map<AnsiString, std::weak_ptr<SharedSerialPort>>& Registry()
{
    static std::map<AnsiString, std::weak_ptr<SharedSerialPort>> r;
    return r;
}
}  // namespace

void TBusLock::lock()
{
    std::unique_lock<std::mutex> l(mutex_);
    ++waiting_;
    cv_.wait(l, [this] { return !held_; });
    --waiting_;
    held_ = true;
    heldSinceMs_ = SteadyMs();
    holder_ = nullptr;
    holdBoundMs_ = 0;
}

bool TBusLock::try_lock()
{
    std::lock_guard<std::mutex> l(mutex_);
    if (held_) return false;
    held_ = true;
    heldSinceMs_ = SteadyMs();
    holder_ = nullptr;
    holdBoundMs_ = 0;
    return true;
}

bool TBusLock::try_lock_for(std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> l(mutex_);
    ++waiting_;
    const bool free = cv_.wait_for(l, wait, [this] { return !held_; });
    --waiting_;
    if (!free) return false;
    held_ = true;
    heldSinceMs_ = SteadyMs();
    holder_ = nullptr;
    holdBoundMs_ = 0;
    return true;
}

int TBusLock::Waiting() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return waiting_;
}

void TBusLock::unlock()
{
    {
        std::lock_guard<std::mutex> l(mutex_);
        const std::int64_t counted = HoldCountMs(SteadyMs() - heldSinceMs_);
        heldTotalMs_ += counted;
        if (holder_) heldByMs_[holder_] += counted;
        held_ = false;
        holder_ = nullptr;
        holdBoundMs_ = 0;
    }
    cv_.notify_one();
}

void TBusLock::DeclareHolder(const void* holder, int boundMs)
{
    std::lock_guard<std::mutex> l(mutex_);
    holder_ = holder;
    holdBoundMs_ = std::max(1, boundMs);
}

void TBusLock::ExtendHold(int ms)
{
    std::lock_guard<std::mutex> l(mutex_);
    if (holdBoundMs_ > 0) holdBoundMs_ += std::max(0, ms);
}

std::int64_t TBusLock::HoldCountMs(std::int64_t ms) const
{
    ms = std::max<std::int64_t>(0, ms);
    return holdBoundMs_ > 0 && ms > holdBoundMs_ ? 0 : ms;
}

std::int64_t TBusLock::HeldTotalMs(std::int64_t nowMs) const
{
    return heldTotalMs_ + (held_ ? HoldCountMs(nowMs - heldSinceMs_) : 0);
}

std::int64_t TBusLock::IdleSinceLastPassMs(std::int64_t nowMs) const
{
    // A hold under way at the last pass that went beyond its bound since counts nothing any
    // more: the stretch then reaches back no further than that pass.
    const std::int64_t held = std::max<std::int64_t>(0, HeldTotalMs(nowMs) - heldAtLastPassMs_);
    return std::max<std::int64_t>(0, nowMs - lastPassMs_ - held);
}

void TBusLock::NotePass(std::int64_t nowMs)
{
    std::lock_guard<std::mutex> l(mutex_);
    if (lastPassMs_ > 0 && nowMs >= lastPassMs_) {
        const std::int64_t idle = IdleSinceLastPassMs(nowMs);
        if (idle > NotedStopMs) {
            stops_[nextStop_] = {lastPassMs_, idle};
            nextStop_ = (nextStop_ + 1) % stops_.size();
        }
    }
    lastPassMs_ = std::max(lastPassMs_, nowMs);
    heldAtLastPassMs_ = HeldTotalMs(lastPassMs_);
}

std::int64_t TBusLock::LongestStopSinceMs(std::int64_t sinceMs, std::int64_t nowMs) const
{
    std::lock_guard<std::mutex> l(mutex_);
    std::int64_t longest = 0;
    for (const TLineStop& stop : stops_)
        if (stop.Ms > 0 && stop.FromMs >= sinceMs) longest = std::max(longest, stop.Ms);
    if (lastPassMs_ > 0 && lastPassMs_ >= sinceMs && nowMs >= lastPassMs_)
        longest = std::max(longest, IdleSinceLastPassMs(nowMs));
    return longest;
}

std::int64_t TBusLock::HeldByOthersMs(const void* self) const
{
    std::lock_guard<std::mutex> l(mutex_);
    std::int64_t ms = heldTotalMs_;
    if (const auto own = heldByMs_.find(self); own != heldByMs_.end()) ms -= own->second;
    if (held_ && (holder_ != self || !self)) ms += HoldCountMs(SteadyMs() - heldSinceMs_);
    return ms;
}

SharedSerialPort::SharedSerialPort(AnsiString key, std::shared_ptr<IByteLink> link, TSerialLinkSettings settings)
    : key_(std::move(key)), settings_(std::move(settings)), link_(std::move(link))
{}

SharedSerialPort::~SharedSerialPort()
{
    // The descriptor goes first, so that a new holder opening the device finds it free.
    {
        std::lock_guard<std::mutex> l(linkMutex_);
        if (link_) link_->Close();
        link_.reset();
    }
    std::lock_guard<std::mutex> l(RegistryMutex());
    auto it = Registry().find(key_);
    if (it != Registry().end() && it->second.expired()) Registry().erase(it);
}

AnsiString SharedSerialPort::Key() const
{
    std::lock_guard<std::mutex> l(RegistryMutex());
    return key_;
}

std::shared_ptr<IByteLink> SharedSerialPort::Link() const
{
    std::lock_guard<std::mutex> l(linkMutex_);
    return link_;
}

bool SharedSerialPort::Reopen(const std::shared_ptr<IByteLink>& failed)
{
    std::lock_guard<std::mutex> l(linkMutex_);
    if (link_ && link_ != failed) return true;  // another slave's thread was quicker
    if (link_) link_->Close();
    struct stat st {};
    if (::stat(settings_.PortName.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || !SerialLinks()) return false;
    AnsiString error;
    std::shared_ptr<IByteLink> link = SerialLinks()(settings_, error);
    if (!link) return false;
    link_ = std::move(link);
    FollowDevice();
    return true;
}

void SharedSerialPort::LeaveReplyOwed(std::int64_t untilMs, std::size_t bytes)
{
    std::lock_guard<std::mutex> l(owedMutex_);
    owedUntilMs_ = untilMs;
    owedBytes_ = bytes;
}

void SharedSerialPort::AwaitOwedReply(const std::function<bool()>& stop)
{
    std::size_t bytes = 0;
    std::int64_t until = 0;
    {
        std::lock_guard<std::mutex> l(owedMutex_);
        bytes = std::exchange(owedBytes_, 0);
        until = owedUntilMs_;
    }
    const std::shared_ptr<IByteLink> link = Link();
    if (bytes == 0 || until <= SteadyMs() || !link) return;
    // The reply (or whatever the slave sends instead) is read and dropped as it comes; its
    // time is up at the latest when its exchange's own read would have ended.
    std::vector<char> dropped(bytes);
    const int count = ReadUntil(*link, dropped.data(), bytes, until, stop);
    // A holder that is itself asked to stop leaves the rest of the wait to the next one.
    if (count >= 0 && static_cast<std::size_t>(count) < bytes && stop && stop())
        LeaveReplyOwed(until, bytes - static_cast<std::size_t>(count));
}

void SharedSerialPort::FollowDevice()
{
    const AnsiString key = SharedSerialPortKey(settings_.PortName);
    std::lock_guard<std::mutex> l(RegistryMutex());
    if (key == key_) return;
    // Compared by owner, never locked: a port must not be freed under the registry's mutex.
    const std::weak_ptr<SharedSerialPort> self = weak_from_this();
    const auto isSelf = [&self](const std::weak_ptr<SharedSerialPort>& w) {
        return !w.owner_before(self) && !self.owner_before(w);
    };
    auto& registry = Registry();
    if (auto other = registry.find(key); other != registry.end() && !other->second.expired() && !isSelf(other->second))
        return;
    if (auto old = registry.find(key_); old != registry.end() && isSelf(old->second)) registry.erase(old);
    registry[key] = self;
    key_ = key;
}

namespace {
// Waits for the bus at most waitMs. A slave's step holding the bus may itself wait for a
// synchronised call on the user-interface thread: waiting there runs those calls between
// short slices, or the step could never end and the bus would never come free.
bool WaitForBus(std::unique_lock<TBusLock>& bus, int waitMs)
{
    platform::UiDispatcher& ui = platform::UiDispatcher::Instance();
    const std::int64_t deadline = SteadyMs() + waitMs;
    for (;;) {
        if (ui.IsUiThread()) ui.ProcessPending();
        if (bus.try_lock_for(std::chrono::milliseconds(5))) return true;
        if (SteadyMs() >= deadline) return false;
    }
}
}  // namespace

AnsiString SharedSerialPortKey(const AnsiString& portName)
{
    return platform::ResolveSerialPortPath(Trim(portName));
}

std::shared_ptr<SharedSerialPort> AcquireSharedSerialPort(const TSerialLinkSettings& settings, AnsiString& error,
                                                          bool& taken)
{
    taken = false;
    error.clear();
    const AnsiString key = SharedSerialPortKey(settings.PortName);
    std::shared_ptr<SharedSerialPort> moved;
    // Ports looked at are let go after the registry's mutex: the last hold may free one.
    std::vector<std::shared_ptr<SharedSerialPort>> seenPorts;
    {
        std::lock_guard<std::mutex> l(RegistryMutex());
        auto it = Registry().find(key);
        if (it != Registry().end())
            if (std::shared_ptr<SharedSerialPort> port = it->second.lock()) {
                taken = true;
                return port;
            }
        // A port whose name leads to this device now, while it still holds another node:
        // its adapter came back under this node and is not reopened yet.
        for (const auto& [held, weak] : Registry()) {
            seenPorts.push_back(weak.lock());
            if (seenPorts.back() && SharedSerialPortKey(seenPorts.back()->PortName()) == key) {
                moved = seenPorts.back();
                break;
            }
        }
    }
    if (moved) {
        // Reopened here under the bus, as its own slaves' threads would; a reopen that one of
        // them made meanwhile is kept.
        const std::shared_ptr<IByteLink> seen = moved->Link();
        std::unique_lock<TBusLock> bus(moved->Bus(), std::defer_lock);
        const int boundMs = 2 * std::max(0, Timing().ReadTimeoutMs) + 500;
        if (WaitForBus(bus, boundMs)) {
            // Opening the device keeps the line from its slaves about as long as an exchange.
            moved->Bus().DeclareHolder(&bus, boundMs);
            if (moved->Reopen(seen)) {
                taken = true;
                return moved;
            }
        }
        error = "The port could not be opened.";
        return nullptr;
    }
    std::lock_guard<std::mutex> l(RegistryMutex());
    if (auto it = Registry().find(key); it != Registry().end())
        if (std::shared_ptr<SharedSerialPort> port = it->second.lock()) {
            taken = true;  // opened by another channel meanwhile
            return port;
        }
    std::shared_ptr<IByteLink> link;
    if (SerialLinks()) link = SerialLinks()(settings, error);
    if (!link) {
        if (error.empty()) error = "The port could not be opened.";
        return nullptr;
    }
    auto port = std::make_shared<SharedSerialPort>(key, std::move(link), settings);
    Registry()[key] = port;
    return port;
}

bool IsSharedSerialPortOpen(const AnsiString& portName)
{
    const AnsiString key = SharedSerialPortKey(portName);
    std::lock_guard<std::mutex> l(RegistryMutex());
    auto it = Registry().find(key);
    return it != Registry().end() && !it->second.expired();
}

}  // namespace comm
