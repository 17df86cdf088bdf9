#include "support/SimulatedUnitLine.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace support {

namespace {
constexpr std::size_t kMaxFrame = 64;  // longer runs without a carriage return are noise

void CloseFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void WriteAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == ENOTSOCK) w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd pf{fd, POLLOUT, 0};
                ::poll(&pf, 1, 100);
                continue;
            }
            return;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}
}  // namespace

namespace {
std::function<std::int64_t()>& DefaultReplyClock()
{
    static std::function<std::int64_t()> clock;
    return clock;
}

std::function<void()>& DefaultUnansweredHook()
{
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void SimulatedUnitLine::SetDefaultReplyClock(std::function<std::int64_t()> nowMs)
{
    DefaultReplyClock() = std::move(nowMs);
}

void SimulatedUnitLine::SetDefaultUnansweredHook(std::function<void()> hook)
{
    DefaultUnansweredHook() = std::move(hook);
}

SimulatedUnitLine::SimulatedUnitLine()
    : replyClock_(DefaultReplyClock()), unanswered_(DefaultUnansweredHook()), start_(std::chrono::steady_clock::now())
{}

SimulatedUnitLine::~SimulatedUnitLine()
{
    Stop();
}

SimulatedUnit& SimulatedUnitLine::AddUnit(const UnitState& state)
{
    units_.push_back(std::make_unique<SimulatedUnit>(state));
    return *units_.back();
}

SimulatedUnit* SimulatedUnitLine::Unit(int address)
{
    for (auto& u : units_)
        if (u->State().address == address) return u.get();
    return nullptr;
}

SimulatedUnit& SimulatedUnitLine::First()
{
    if (units_.empty()) AddUnit();
    return *units_.front();
}

bool SimulatedUnitLine::OpenPty(AnsiString* error)
{
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    // Raw on both ends: no echo, no CR/LF translation. The line keeps its own slave
    // descriptor open, so the master survives the program closing and reopening the port.
    termios t{};
    if (::tcgetattr(slave_, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
        if (::symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) {
            if (error) *error = std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool SimulatedUnitLine::StartPty(AnsiString* error, const AnsiString& linkPath)
{
    if (units_.empty()) AddUnit();
    linkPath_ = linkPath;
    if (!OpenPty(error)) return false;
    start_ = std::chrono::steady_clock::now();
    StartThread();
    return true;
}

void SimulatedUnitLine::UnplugPty()
{
    JoinThread();
    CloseFd(master_);
    CloseFd(slave_);
    if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
    StartThread();
}

bool SimulatedUnitLine::ReplugPty(AnsiString* error)
{
    JoinThread();
    const bool ok = OpenPty(error);
    StartThread();
    return ok;
}

bool SimulatedUnitLine::Listen(int port, AnsiString* error)
{
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0) {
        if (error) *error = std::strerror(errno);
        CloseFd(listen_);
        return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    tcpPort_ = ntohs(a.sin_port);
    return true;
}

bool SimulatedUnitLine::StartTcp(int port, AnsiString* error)
{
    if (units_.empty()) AddUnit();
    if (!Listen(port, error)) return false;
    start_ = std::chrono::steady_clock::now();
    StartThread();
    return true;
}

void SimulatedUnitLine::StopListening()
{
    JoinThread();
    CloseClients();
    CloseFd(listen_);
    StartThread();
}

bool SimulatedUnitLine::ListenAgain(AnsiString* error)
{
    JoinThread();
    const bool ok = Listen(tcpPort_, error);
    StartThread();
    return ok;
}

void SimulatedUnitLine::StartThread()
{
    if (wakePipe_[0] < 0 && ::pipe(wakePipe_) != 0) return;
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void SimulatedUnitLine::JoinThread()
{
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> l(stopMutex_);
        stop_ = true;
    }
    stopCv_.notify_all();
    char c = 'x';
    if (::write(wakePipe_[1], &c, 1) < 0) {}
    thread_.join();
}

void SimulatedUnitLine::Stop()
{
    JoinThread();
    CloseClients();
    CloseFd(listen_);
    CloseFd(master_);
    CloseFd(slave_);
    CloseFd(wakePipe_[0]);
    CloseFd(wakePipe_[1]);
    if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
}

void SimulatedUnitLine::DropConnection()
{
    dropRequested_ = true;
    char c = 'd';
    if (wakePipe_[1] >= 0 && ::write(wakePipe_[1], &c, 1) < 0) {}
}

void SimulatedUnitLine::CloseClients()
{
    for (Client& c : clients_) {
        ::shutdown(c.fd, SHUT_RDWR);
        ::close(c.fd);
    }
    clients_.clear();
    clientCount_ = 0;
}

std::int64_t SimulatedUnitLine::ElapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

bool SimulatedUnitLine::WaitStop(int ms)
{
    std::unique_lock<std::mutex> l(stopMutex_);
    return stopCv_.wait_for(l, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

void SimulatedUnitLine::Run()
{
    char data[512];
    AnsiString ptyBuffer;
    std::vector<pollfd> fds;
    while (!stop_) {
        // Wake pipe, then the pseudo-terminal or the listening socket, then the connections.
        fds.clear();
        fds.push_back({wakePipe_[0], POLLIN, 0});
        const int lineFd = master_ >= 0 ? master_ : listen_;
        if (lineFd >= 0) fds.push_back({lineFd, POLLIN, 0});
        const std::size_t firstClient = fds.size();
        for (const Client& c : clients_) fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), static_cast<nfds_t>(fds.size()), 200) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            ssize_t r = ::read(wakePipe_[0], data, sizeof data);
            (void)r;
            if (dropRequested_.exchange(false)) {
                CloseClients();
                continue;
            }
        }
        std::vector<int> closing;
        for (std::size_t i = firstClient; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            Client& c = clients_[i - firstClient];
            ssize_t r = ::read(c.fd, data, sizeof data);
            if (r > 0) {
                if (!HandleBytes(c.fd, c.buffer, data, static_cast<std::size_t>(r))) closing.push_back(c.fd);
            } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
                closing.push_back(c.fd);
            }
        }
        for (int fd : closing) {
            auto it = std::find_if(clients_.begin(), clients_.end(), [fd](const Client& c) { return c.fd == fd; });
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
            clients_.erase(it);
        }
        if (fds.size() > 1 && fds[1].fd == lineFd && fds[1].revents) {
            if (lineFd == listen_) {
                int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    ++accepts_;
                    int one = 1;
                    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    clients_.push_back({c, AnsiString()});
                }
            } else {
                ssize_t r = ::read(master_, data, sizeof data);
                if (r > 0)
                    HandleBytes(master_, ptyBuffer, data, static_cast<std::size_t>(r));
                else if (r == 0 || (errno != EAGAIN && errno != EINTR))
                    WaitStop(10);  // no reader; wait for one
            }
        }
        clientCount_ = clients_.size();
    }
}

bool SimulatedUnitLine::HandleBytes(int fd, AnsiString& buffer, const char* data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        char c = data[i];
        if (buffer.empty() && c != '[') {
            ++discarded_;
            continue;
        }
        buffer += c;
        if (c == '\r') {
            const std::int64_t received = ReplyClockMs();
            AnsiString frame;
            frame.swap(buffer);
            LoggedFrame logged;
            logged.timeMs = ElapsedMs();
            logged.frame = frame;
            AnsiString command;
            logged.valid = SimulatedUnit::ParseFrame(frame, logged.address, command);
            if (!logged.valid) logged.address = -1;
            UnitResponse response;
            // The frame is in the log by the time its effect on the unit can be seen, and
            // the other way round.
            auto log = [&](const UnitResponse& r) {
                logged.rejected = r.rejected;
                std::lock_guard<std::mutex> l(logMutex_);
                log_.push_back(logged);
            };
            SimulatedUnit* unit = logged.valid ? Unit(logged.address) : nullptr;
            if (unit)
                response = unit->HandleFrame(frame, log);
            else
                log(response);
            logCv_.notify_all();
            if (!Answer(fd, response, received)) return false;
        } else if (buffer.size() > kMaxFrame) {
            discarded_ += buffer.size();
            buffer.clear();
        }
    }
    return true;
}

std::int64_t SimulatedUnitLine::ReplyClockMs() const
{
    if (replyClock_) return replyClock_();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool SimulatedUnitLine::WaitReplyDue(std::int64_t dueMs)
{
    holding_ = true;
    bool stopped = false;
    for (;;) {
        const std::int64_t left = dueMs - ReplyClockMs();
        if (left <= 0) break;
        // In short slices: a clock the test moves is looked at again soon.
        if ((stopped = WaitStop(static_cast<int>(std::min<std::int64_t>(left, 5))))) break;
    }
    holding_ = false;
    return stopped || stop_.load();
}

bool SimulatedUnitLine::Answer(int fd, const UnitResponse& r, std::int64_t receivedMs)
{
    if (r.drop) {
        if (unanswered_) unanswered_();
        return false;
    }
    if (!r.reply) {
        if (unanswered_) unanswered_();
        return true;
    }
    if (r.delayMs > 0 && WaitReplyDue(receivedMs + r.delayMs)) return true;
    const std::size_t total = r.bytes.size();
    const std::size_t parts = static_cast<std::size_t>(std::max(1, r.segments));
    std::size_t done = 0;
    for (std::size_t p = 0; p < parts && done < total; ++p) {
        std::size_t len = (p + 1 == parts) ? total - done : total / parts;
        ++writes_;  // counted first: a reader that has the bytes sees the count
        WriteAll(fd, r.bytes.data() + done, len);
        done += len;
        if (p + 1 < parts && WaitStop(20)) return true;
    }
    ++repliesWritten_;
    if (r.cut && unanswered_) unanswered_();
    return true;
}

std::vector<LoggedFrame> SimulatedUnitLine::Frames() const
{
    std::lock_guard<std::mutex> l(logMutex_);
    return log_;
}

std::size_t SimulatedUnitLine::FrameCount() const
{
    std::lock_guard<std::mutex> l(logMutex_);
    return log_.size();
}

void SimulatedUnitLine::ClearLog()
{
    std::lock_guard<std::mutex> l(logMutex_);
    log_.clear();
}

bool SimulatedUnitLine::WaitForFrames(std::size_t n, int timeoutMs) const
{
    std::unique_lock<std::mutex> l(logMutex_);
    return logCv_.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return log_.size() >= n; });
}

}  // namespace support
