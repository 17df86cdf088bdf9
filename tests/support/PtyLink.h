#pragma once
// A byte link over a terminal device opened raw, for tests over the simulated unit's
// pseudo-terminal. FailNow() makes it behave like an unplugged adapter.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "comm/ByteLink.h"

namespace testfakes {

class PtyLink : public comm::IByteLink {
public:
    explicit PtyLink(int fd) : fd_(fd) {}
    ~PtyLink() override { Close(); }

    static std::shared_ptr<PtyLink> Open(const AnsiString& path, AnsiString& error)
    {
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = std::strerror(errno);
            return nullptr;
        }
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        return std::make_shared<PtyLink>(fd);
    }

    bool Purge() override { return !failed_ && ::tcflush(fd_, TCIOFLUSH) == 0; }
    bool Write(const AnsiString& data) override
    {
        if (failed_ || fd_ < 0) return false;
        std::size_t done = 0;
        while (done < data.size()) {
            ssize_t w = ::write(fd_, data.data() + done, data.size() - done);
            if (w < 0 && errno == EAGAIN) continue;
            if (w < 0) return false;
            done += static_cast<std::size_t>(w);
        }
        return true;
    }
    int Read(char* buffer, std::size_t n, int timeoutMs) override
    {
        if (failed_ || fd_ < 0) return -1;
        std::size_t got = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < n) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                    .count();
            // As the serial port does, what has come is read even when the time is up.
            pollfd p{fd_, POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left)));
            if (r > 0) {
                ssize_t k = ::read(fd_, buffer + got, n - got);
                if (k > 0)
                    got += static_cast<std::size_t>(k);
                else if (k < 0 && errno != EAGAIN)
                    return got ? static_cast<int>(got) : -1;
            }
            if (left <= 0) break;
        }
        return static_cast<int>(got);
    }
    void Close() override
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    AnsiString LastErrorText() const override { return failed_ ? "Input/output error" : ""; }

    void FailNow(bool fail) { failed_ = fail; }
    int Fd() const { return fd_; }

private:
    int fd_;
    std::atomic<bool> failed_{false};
};

}  // namespace testfakes
