#include "comm/TZComm.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "comm/TCommThread.h"
#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"

namespace {
// The input queue never grows beyond this (or InputQueueSize when that is larger); what
// comes on top is dropped and flagged as an input overflow.
constexpr std::size_t kMinInputLimit = 65536;
// Write bound per call: the driver must take the bytes within this time.
constexpr int kWriteTimeoutMs = 2000;
}  // namespace

TZComm::TZComm() = default;

TZComm::~TZComm()
{
    CloseConnection();
    state_ = 1;
}

platform::SerialSettings TZComm::CurrentSettings() const
{
    platform::SerialSettings s;
    s.baudRate = BaudRate;
    s.dataBits = static_cast<int>(DataBits) + 4;
    switch (Parity) {
        case odd_parity: s.parity = platform::SerialParity::Odd; break;
        case even_parity: s.parity = platform::SerialParity::Even; break;
        case mark_parity: s.parity = platform::SerialParity::Mark; break;
        case space_parity: s.parity = platform::SerialParity::Space; break;
        default: s.parity = platform::SerialParity::None; break;
    }
    switch (StopBits) {
        case stop1x5: s.stopBits = platform::SerialStopBits::OneAndHalf; break;
        case stop2: s.stopBits = platform::SerialStopBits::Two; break;
        default: s.stopBits = platform::SerialStopBits::One; break;
    }
    s.xonXoffOutput = XOuputFlowCtl;
    s.xonXoffInput = XInputFlowCtl;
    s.xonChar = XOnChar;
    s.xoffChar = XOffChar;
    s.rtsCts = CTSFlowCtl;
    return s;
}

int TZComm::OpenConnection()
{
    if (connected_) {
        lastError_ = "Serial port " + Port + " is already open.";
        return 0;
    }
    lastError_.clear();
    if (!port_.Open(Port, CurrentSettings())) {
        lastError_ = port_.LastErrorText();
        return 0;
    }
    SetTimeouts();
    if (!SetConnection()) {
        connected_ = false;
        port_.Close();
        return 0;
    }
    {
        std::lock_guard<std::mutex> l(mutex_);
        input_.clear();
        errors_ = 0;
        inFlight_ = pending_ = false;
        inputLimit_ = std::max<std::size_t>(kMinInputLimit, static_cast<std::size_t>(std::max(0, InputQueueSize)));
    }
    {
        std::lock_guard<std::mutex> l(mutex_);
        token_ = std::make_shared<int>(0);
    }
    connected_ = true;
    try {
        thread_ = std::make_unique<TCommThread>(port_.Fd(), this);
        if (!thread_->Valid()) throw std::system_error(std::make_error_code(std::errc::too_many_files_open));
        thread_->Resume();
    } catch (const std::exception& e) {
        thread_.reset();
        connected_ = false;
        {
            std::lock_guard<std::mutex> l(mutex_);
            token_.reset();
        }
        port_.Close();
        lastError_ = std::string("The receive thread cannot be started: ") + e.what();
        return 0;
    }
    SetDTR();
    return 1;
}

bool TZComm::SetConnection()
{
    if (!port_.Configure(CurrentSettings())) {
        lastError_ = port_.LastErrorText();
        return false;
    }
    return true;
}

void TZComm::SetFlowCtl(bool on)
{
    XOuputFlowCtl = on;
    XInputFlowCtl = on;
}

int TZComm::CloseConnection()
{
    connected_ = false;
    {
        std::lock_guard<std::mutex> l(mutex_);
        token_.reset();  // notifications still queued find no connection
    }
    if (thread_) {
        // Wakes the thread's wait at once; it never waits for a handler, so the join is
        // prompt even while a notification is still queued.
        thread_->Terminate();
        thread_->WaitFor();
        thread_.reset();
    }
    if (port_.IsOpen()) {
        port_.SetDTR(false);
        port_.Purge(true, true);
        port_.Close();
    }
    std::lock_guard<std::mutex> l(mutex_);
    input_.clear();
    inFlight_ = pending_ = false;
    return 1;
}

// ---- receive side ---------------------------------------------------------------------

void TZComm::Received(const char* data, std::size_t n)
{
    bool post = false;
    std::weak_ptr<int> token;
    {
        std::lock_guard<std::mutex> l(mutex_);
        std::size_t room = input_.size() < inputLimit_ ? inputLimit_ - input_.size() : 0;
        if (n > room) errors_ |= CE_RXOVER;
        input_.append(data, std::min(n, room));
        if (inFlight_)
            pending_ = true;
        else
            post = inFlight_ = true;
        token = token_;
    }
    if (post) Notify(token);
}

void TZComm::PortLost()
{
    // Nothing more will come; writes fail and tell the owner.
}

void TZComm::Notify(const std::weak_ptr<int>& token)
{
    platform::UiDispatcher::Instance().Post([this, token] {
        if (token.expired()) return;  // closed (or destroyed) meanwhile
        MessageCOMM();
        if (token.expired()) return;  // the handler closed (or destroyed) the component
        bool again = false;
        {
            std::lock_guard<std::mutex> l(mutex_);
            if (pending_) {
                pending_ = false;
                again = true;  // one follow-up for what came during the handler
            } else {
                inFlight_ = false;
            }
        }
        if (again) Notify(token);
    });
}

int TZComm::MessageCOMM()
{
    NOX_ASSERT_UI_THREAD();
    if (!connected_) return 0;
    if (OnDataAvailable) platform::GuardedCall([this] { OnDataAvailable(this); });
    return 1;
}

unsigned TZComm::TakeErrors()
{
    std::lock_guard<std::mutex> l(mutex_);
    unsigned e = errors_;
    errors_ = 0;
    return e;
}

int TZComm::ReadComm(void* buffer, int length)
{
    unsigned errors = TakeErrors();
    if (errors != 0 && OnErrorOccurred) platform::GuardedCall([&] { OnErrorOccurred(this, errors, "Read Error"); });
    if (!buffer || length <= 0) return 0;
    std::lock_guard<std::mutex> l(mutex_);
    std::size_t n = std::min(static_cast<std::size_t>(length), input_.size());
    std::memcpy(buffer, input_.data(), n);
    input_.erase(0, n);
    return static_cast<int>(n);
}

AnsiString TZComm::GetText()
{
    if (MaxReadLength <= 0) return {};
    std::string buf(static_cast<std::size_t>(MaxReadLength), '\0');
    int n = ReadComm(buf.data(), MaxReadLength);
    if (n <= 0) return {};
    buf.resize(static_cast<std::size_t>(n));
    text_ = std::move(buf);
    return text_;
}

// ---- send side ------------------------------------------------------------------------

void TZComm::SetText(const AnsiString& text)
{
    WriteComm(text.data(), static_cast<int>(text.size()));
}

int TZComm::WriteComm(const void* buffer, int length)
{
    if (!port_.IsOpen() || !buffer || length < 0) return 0;
    if (length == 0) return 1;
    return port_.Write(buffer, static_cast<std::size_t>(length), kWriteTimeoutMs) ? 1 : 0;
}

int TZComm::WriteCommByte(std::uint8_t byte)
{
    return WriteComm(&byte, 1);
}

// ---- lines, queues, status --------------------------------------------------------------

bool TZComm::ClearDTR()
{
    return port_.SetDTR(false);
}
bool TZComm::SetDTR()
{
    return port_.SetDTR(true);
}
bool TZComm::ClearRTS()
{
    return port_.SetRTS(false);
}
bool TZComm::SetRTS()
{
    return port_.SetRTS(true);
}

bool TZComm::PurgeCommPort(unsigned flags)
{
    if (!port_.IsOpen()) return false;
    bool tx = flags & (PURGE_TXCLEAR | PURGE_TXABORT);
    bool rx = flags & (PURGE_RXCLEAR | PURGE_RXABORT);
    std::lock_guard<std::mutex> hold(rxMutex_);
    bool ok = port_.Purge(tx, rx);
    if (rx) {
        std::lock_guard<std::mutex> l(mutex_);
        input_.clear();
    }
    return ok;
}

bool TZComm::EscapeComm(unsigned function)
{
    if (!port_.IsOpen()) return false;
    switch (function) {
        case SETXOFF: return tcflow(port_.Fd(), TCOOFF) == 0;
        case SETXON: return tcflow(port_.Fd(), TCOON) == 0;
        case SETRTS: return SetRTS();
        case CLRRTS: return ClearRTS();
        case SETDTR: return SetDTR();
        case CLRDTR: return ClearDTR();
        case SETBREAK: return ioctl(port_.Fd(), TIOCSBRK) == 0;
        case CLRBREAK: return ioctl(port_.Fd(), TIOCCBRK) == 0;
        default: return false;
    }
}

unsigned TZComm::GetQCountIn()
{
    // Taken with the receive thread's hand-over lock: a byte it has read from the port but
    // not yet put into the queue would otherwise be counted in neither place.
    std::lock_guard<std::mutex> hold(rxMutex_);
    std::size_t queued;
    {
        std::lock_guard<std::mutex> l(mutex_);
        queued = input_.size();
    }
    return static_cast<unsigned>(queued) + static_cast<unsigned>(port_.InputCount());
}

unsigned TZComm::GetQCountOut()
{
    return static_cast<unsigned>(port_.OutputCount());
}

unsigned TZComm::GetTransmissionStatus()
{
    return TakeErrors();
}

void TZComm::GetTimeouts()
{
    TimeoutReadInterval = portTimeouts_.readInterval;
    TimeoutReadMultiplier = portTimeouts_.readMultiplier;
    TimeoutReadConstant = portTimeouts_.readConstant;
    TimeoutWriteMultiplier = portTimeouts_.writeMultiplier;
    TimeoutWriteConstant = portTimeouts_.writeConstant;
}

void TZComm::SetTimeouts()
{
    portTimeouts_.readInterval = TimeoutReadInterval;
    portTimeouts_.readMultiplier = TimeoutReadMultiplier;
    portTimeouts_.readConstant = TimeoutReadConstant;
    portTimeouts_.writeMultiplier = TimeoutWriteMultiplier;
    portTimeouts_.writeConstant = TimeoutWriteConstant;
}
