#pragma once
// One serial port shared by the RS485 channels that name it. Channels on one bus hold the
// same entry: the first holder opens the port with its line settings, later holders take
// the open link over, and the port is closed when the last holder lets go. Two names of
// one device (a symbolic link and its target) are one port.
//
// The bus lock makes the slaves take turns: whoever holds it is the only one exchanging
// frames on the line, so the frames and replies of two slaves never interleave.
#include <chrono>
#include <condition_variable>
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

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool held_ = false;
};

class SharedSerialPort {
public:
    SharedSerialPort(AnsiString key, std::shared_ptr<IByteLink> link);
    ~SharedSerialPort();  // closes the link
    SharedSerialPort(const SharedSerialPort&) = delete;
    SharedSerialPort& operator=(const SharedSerialPort&) = delete;

    // The real device path the port is known by.
    const AnsiString& Key() const { return key_; }
    const std::shared_ptr<IByteLink>& Link() const { return link_; }
    TBusLock& Bus() { return bus_; }

private:
    AnsiString key_;
    std::shared_ptr<IByteLink> link_;
    TBusLock bus_;
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
