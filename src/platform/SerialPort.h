#pragma once
// A serial port as a device path (/dev/ttyS0, /dev/ttyUSB0, /dev/serial/by-id/...).
//
// Open() takes the port exclusively (O_NOCTTY, TIOCEXCL and an flock, so a second opener,
// in this process or another, fails), puts it into raw mode (no CR/LF translation, no echo,
// no flow control) with the given line settings, reads the settings back to check that the
// driver took them, and lowers DTR and RTS. The descriptor is non-blocking; Read and Write
// wait with poll() up to a total time-out, so no call blocks for longer than asked.
//
// Every failure leaves a reason in LastError()/LastErrorText() that can be shown to the
// user as it stands (missing, busy, no permission, not a serial device, settings refused).
//
// One thread may read while another writes. Close() must not run while another thread is
// inside Read or Write (join that thread first).
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

enum class SerialParity { None, Odd, Even, Mark, Space };
enum class SerialStopBits { One, OneAndHalf, Two };

struct SerialSettings {
    int baudRate = 9600;  // 1200, 2400, 4800, 9600, 14400 or 19200
    int dataBits = 8;     // 5..8
    SerialParity parity = SerialParity::None;
    SerialStopBits stopBits = SerialStopBits::One;  // OneAndHalf only with 5 data bits
    // Flow control; the device channels use none.
    bool xonXoffOutput = false;  // stop sending while the far end sent XOFF
    bool xonXoffInput = false;   // send XOFF/XON when the input queue fills/empties
    char xonChar = 0x11;
    char xoffChar = 0x13;
    bool rtsCts = false;  // hardware hand-shake on RTS/CTS
};

enum class SerialError {
    None,
    NotFound,         // the path does not exist
    Busy,             // another opener holds the port
    NoPermission,     // the user may not open it (not in the dialout group)
    NotSerial,        // the path is no terminal device
    InvalidSettings,  // a value outside the supported ranges
    SettingsRefused,  // the driver refused the settings or changed them
    NotOpen,          // an operation on a closed port
    IoError,          // read/write failed or the device went away (unplugged adapter)
};

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();  // closes
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens path exclusively and applies settings. False with a reason on failure; the port
    // is then closed. Opening an open port closes it first.
    bool Open(const std::string& path, const SerialSettings& settings);
    // Applies new line settings to the open port and checks them by reading them back.
    bool Configure(const SerialSettings& settings);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }  // the path last opened
    // The descriptor (non-blocking), -1 when closed; for poll() in a receive thread.
    int Fd() const { return fd_; }

    // Discards the unsent output and/or the unread input.
    bool Purge(bool transmit, bool receive);
    // Writes all n bytes or fails; gives up when the driver takes nothing for timeoutMs.
    bool Write(const void* data, std::size_t n, int timeoutMs = 2000);
    bool Write(const std::string& s, int timeoutMs = 2000) { return Write(s.data(), s.size(), timeoutMs); }
    // Reads until n bytes have come or timeoutMs (total, from the call) has passed. Returns
    // the count (0 on time-out) or -1 when the port failed before any byte came.
    int Read(void* buf, std::size_t n, int timeoutMs);
    // The baud rate the driver reports for the open port (0 when closed or unknown).
    int CurrentBaudRate() const;
    // Bytes waiting in the driver's input / output queue (0 when unknown).
    int InputCount() const;
    int OutputCount() const;
    // Modem lines. A device without them (a pseudo-terminal) refuses: false, not an error
    // worth stopping for.
    bool SetDTR(bool on);
    bool SetRTS(bool on);

    SerialError LastError() const { return error_; }
    const std::string& LastErrorText() const { return errorText_; }

    // Checks settings against the supported ranges; empty when valid, else the reason.
    static std::string ValidateSettings(const SerialSettings& settings);

private:
    bool Fail(SerialError e, std::string text);
    bool ApplySettings(const SerialSettings& settings);

    int fd_ = -1;
    std::string path_;
    SerialError error_ = SerialError::None;
    std::string errorText_;
};

// The serial ports of this machine: /dev/ttyS* (only those with a UART behind them, where
// that can be told), /dev/ttyUSB*, /dev/ttyACM*, /dev/serial/by-id/*, each group in natural
// order (ttyS2 before ttyS10).
std::vector<std::string> ListSerialPorts();
// The same over other roots (tests): devDir stands for /dev, sysTtyDir for /sys/class/tty.
std::vector<std::string> ListSerialPortsIn(const std::string& devDir, const std::string& sysTtyDir);

// The real device behind a path (symbolic links resolved), so that two names of one device
// compare equal; the path itself when it cannot be resolved.
std::string ResolveSerialPortPath(const std::string& path);
// Whether two paths name one device: the same real path, the same character device
// (another node of it), or the same file.
bool SameSerialDevice(const std::string& a, const std::string& b);

}  // namespace platform
