#pragma once
// The serial component: one serial port with a receive thread that tells the owner on the
// user-interface thread when characters have come (OnDataAvailable).
//
// The receive thread is the only reader of the port: it moves what arrives into the
// component's input queue and posts one notification through the user-interface
// dispatcher; while that one is in flight, newer data is announced by a single follow-up
// once the handler has run. ReadComm/GetText take from that queue and never wait.
// Everything except the receive thread belongs to the user-interface thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/AnsiString.h"
#include "platform/SerialPort.h"

class TCommThread;

enum TParity { no_parity, odd_parity, even_parity, mark_parity, space_parity };
enum TDataBits { databits4, databits5, databits6, databits7, databits8 };
enum TStopBits { stop1, stop1x5, stop2 };

// Communication error flags (GetTransmissionStatus, OnErrorOccurred).
enum : unsigned { CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004, CE_FRAME = 0x0008, CE_BREAK = 0x0010 };
// PurgeCommPort flags.
enum : unsigned { PURGE_TXABORT = 0x0001, PURGE_RXABORT = 0x0002, PURGE_TXCLEAR = 0x0004, PURGE_RXCLEAR = 0x0008 };
// EscapeComm functions.
enum : unsigned { SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6, SETBREAK = 8, CLRBREAK = 9 };

class TZComm {
public:
    using TNotifyEvent = std::function<void(TZComm* Sender)>;
    using TErrorEvent = std::function<void(TZComm* Sender, unsigned ErrorFlags, const AnsiString& ErrorText)>;

    TZComm();
    ~TZComm();  // closes the connection
    TZComm(const TZComm&) = delete;
    TZComm& operator=(const TZComm&) = delete;

    // Settings, used by OpenConnection / SetConnection.
    AnsiString Port;  // device path
    int BaudRate = 9600;
    TParity Parity = no_parity;
    TDataBits DataBits = databits8;
    TStopBits StopBits = stop1;
    int MaxReadLength = 8192;   // size of one GetText read
    int InputQueueSize = 1024;  // the input queue keeps at least 64 KiB, more when this is larger
    int OutputQueueSize = 1024;
    int XOnLimit = 150;
    int XOffLimit = 150;
    bool CTSFlowCtl = false;    // RTS/CTS hand-shake
    bool DSRFlowCtl = false;    // kept; the terminal layer has no DSR/DTR hand-shake
    bool EnableParity = true;   // kept
    bool DSRSensitive = false;  // kept
    bool TXResume = false;      // kept
    bool XOuputFlowCtl = true;  // XON/XOFF on output
    bool XInputFlowCtl = true;  // XON/XOFF on input
    bool ErrorReplace = true;   // kept
    bool DiscardNULL = false;   // kept
    bool AbortOnError = true;   // kept
    char ErrorChar = '~';
    char XOnChar = 17;
    char XOffChar = 19;
    // The port's time-outs as stored by SetTimeouts (kept for GetTimeouts; reads and
    // writes use their own bounds below).
    int TimeoutReadInterval = 65535, TimeoutReadMultiplier = 1, TimeoutReadConstant = 5000, TimeoutWriteMultiplier = 1,
        TimeoutWriteConstant = 5000;

    TNotifyEvent OnDataAvailable;
    TErrorEvent OnErrorOccurred;

    // Read-only state.
    int Connected() const { return connected_ ? 1 : 0; }
    int State() const { return state_; }
    AnsiString GetVersion() const { return "1.0.8"; }
    unsigned QCountIn() { return GetQCountIn(); }
    unsigned QCountOut() { return GetQCountOut(); }
    // Why the last OpenConnection/SetConnection failed (missing, busy, no permission, ...).
    const AnsiString& LastErrorText() const { return lastError_; }

    int OpenConnection();  // nonzero on success
    bool SetConnection();  // applies the line settings to the open port
    void SetFlowCtl(bool on);
    // Stops and joins the receive thread (never waiting for a handler), lowers DTR, purges
    // and closes the port. Returns 1.
    int CloseConnection();

    void SetText(const AnsiString& text);
    AnsiString GetText();
    AnsiString Text() { return GetText(); }
    // Reads at most length bytes of what has come; never waits for more. Returns the count.
    int ReadComm(void* buffer, int length);
    // Writes all bytes: 1 when every byte went out, 0 when any failed.
    int WriteComm(const void* buffer, int length);
    int WriteCommByte(std::uint8_t byte);

    bool ClearDTR();
    bool SetDTR();
    bool ClearRTS();
    bool SetRTS();
    bool PurgeCommPort(unsigned flags);
    bool EscapeComm(unsigned function);
    unsigned GetQCountIn();
    unsigned GetQCountOut();
    unsigned GetTransmissionStatus();  // the error flags since the last call
    void GetTimeouts();
    void SetTimeouts();

    // The data notification on the user-interface thread: fires OnDataAvailable while
    // connected. Returns 1 when connected, else 0.
    int MessageCOMM();

private:
    friend class TCommThread;
    // Receive-thread side.
    void Received(const char* data, std::size_t n);
    void PortLost();
    void Notify(const std::weak_ptr<int>& token);
    platform::SerialSettings CurrentSettings() const;
    unsigned TakeErrors();

    platform::SerialPort port_;
    std::unique_ptr<TCommThread> thread_;
    bool connected_ = false;
    int state_ = 2;
    AnsiString text_;
    AnsiString lastError_;
    struct {
        int readInterval = 0, readMultiplier = 0, readConstant = 0, writeMultiplier = 0, writeConstant = 0;
    } portTimeouts_;

    // Shared with the receive thread.
    std::mutex mutex_;
    // Held by the receive thread from its read to the hand-over into the queue, by a purge and
    // by the count of what came: bytes the thread has taken from the port can then never
    // reappear after the purge, nor be missing from the count.
    std::mutex rxMutex_;
    std::string input_;           // received, not yet read
    std::size_t inputLimit_ = 0;  // taken from InputQueueSize when the port opens
    unsigned errors_ = 0;         // CE_ flags not yet taken
    bool inFlight_ = false;       // a notification is posted and its handler has not finished
    bool pending_ = false;        // data came while one was in flight
    // Posted notifications check this: none reaches a closed connection or a destroyed
    // component. Replaced on every open.
    std::shared_ptr<int> token_;
};
