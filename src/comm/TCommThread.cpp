#include "comm/TCommThread.h"

#include <mutex>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "comm/TZComm.h"

TCommThread::TCommThread(int fd, TZComm* owner) : TThread(true), fd_(fd), owner_(owner)
{
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TCommThread::~TCommThread()
{
    Terminate();
    WaitFor();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TCommThread::OnTerminateRequested()
{
    if (wakeFd_ >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t r = ::write(wakeFd_, &one, sizeof one);
    }
}

void TCommThread::Execute()
{
    if (wakeFd_ < 0) return;
    bool portAlive = true;
    char buf[4096];
    while (!Terminated()) {
        pollfd p[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        // A port that went away is not watched any more; the thread only waits to be closed.
        int r = ::poll(p, portAlive ? 2 : 1, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (p[0].revents) continue;  // woken: check Terminated
        if (!portAlive || p[1].revents == 0) continue;
        if (p[1].revents & POLLIN) {
            std::unique_lock<std::mutex> rx(owner_->rxMutex_);
            ssize_t n = ::read(fd_, buf, sizeof buf);  // the port is non-blocking
            if (n > 0) {
                owner_->Received(buf, static_cast<std::size_t>(n));
                continue;
            }
            rx.unlock();
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        }
        // Hang-up, error or end of file: the device is gone (an unplugged adapter).
        portAlive = false;
        owner_->PortLost();
    }
}
