#include "platform/ReasonTexts.h"

#include <mutex>

namespace platform {
namespace {
std::mutex gWordsMutex;
std::function<AnsiString(TReason)> gWords;

AnsiString Substituted(const AnsiString& words, std::initializer_list<AnsiString> args)
{
    AnsiString out;
    out.reserve(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char c = words[i];
        if (c == '$' && i + 1 < words.size() && words[i + 1] >= '1' && words[i + 1] <= '9') {
            const std::size_t n = std::size_t(words[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}
}  // namespace

AnsiString EnglishReasonWords(TReason reason)
{
    switch (reason) {
        case TReason::PlantedLink:
            return "a symbolic link that another user could have put there is not followed (it may point to any of "
                   "your files)";
        case TReason::DanglingLink: return "a symbolic link to a file that does not exist yet is not followed";
        case TReason::OwnNameLink:
            return "a symbolic link holds the name of the program's own file; it is not followed and left as it is";
        case TReason::OwnNameForeign:
            return "the name of the program's own file is held by another user's file; it is left as it is";
        case TReason::OwnNameEarlierWrite:
            return "the name of the program's own file holds the unfinished write of an earlier file of this name, "
                   "which could not be kept under a name of its own; it is left as it is";
        case TReason::ForeignFile: return "the name is held by another user's file; it is left as it is";
        case TReason::ReplacedWhileWritten:
            return "the file was replaced by another one while it was written (someone else may write its folder)";
        case TReason::BaudRateNotSupported: return "Baud rate $1 is not supported.";
        case TReason::DataBitsNotSupported: return "$1 data bits are not supported (5 to 8).";
        case TReason::UnknownParity: return "Unknown parity.";
        case TReason::OneAndHalfStopBits: return "1.5 stop bits are only possible with 5 data bits.";
        case TReason::TwoStopBits: return "2 stop bits are not possible with 5 data bits (use 1.5).";
        case TReason::UnknownStopBits: return "Unknown number of stop bits.";
        case TReason::NoSerialPortChosen: return "No serial port was chosen.";
        case TReason::SerialPortMissing: return "Serial port $1 does not exist.";
        case TReason::SerialPortNoDevice: return "Serial port $1 has no device behind it.";
        case TReason::NotASerialDevice: return "$1 is not a serial device.";
        case TReason::SerialPortBusy: return "Serial port $1 is in use by another program.";
        case TReason::SerialPortNoPermission:
            return "No permission to open serial port $1. The user must be a member of the 'dialout' group (sudo "
                   "usermod -aG dialout $USER, then log in again).";
        case TReason::SerialPortCannotOpen: return "Serial port $1 cannot be opened: $2";
        case TReason::SerialPortRefusedSettings: return "Serial port $1 did not accept the line settings.";
        case TReason::SerialPortRefusedSettingsBecause: return "Serial port $1 did not accept the line settings: $2";
        case TReason::SerialPortBaudRateNotAvailable:
            return "Serial port $1 did not accept the line settings: baud rate $2 not available.";
        case TReason::SerialPortNotOpen: return "The serial port is not open.";
        case TReason::SerialPortFault: return "Serial port $1: $2";
        case TReason::SerialPortWriteFailed: return "Writing to serial port $1 failed: $2";
        case TReason::SerialPortWriteTimedOut: return "Writing to serial port $1 timed out.";
        case TReason::SerialPortGone: return "Serial port $1 is gone.";
        case TReason::SerialPortReadFailed: return "Reading from serial port $1 failed: $2";
    }
    return {};
}

AnsiString ReasonText(TReason reason, std::initializer_list<AnsiString> args)
{
    AnsiString words;
    {
        std::lock_guard<std::mutex> lock(gWordsMutex);
        if (gWords) words = gWords(reason);
    }
    if (words.empty()) words = EnglishReasonWords(reason);
    return Substituted(words, args);
}

void SetReasonWords(std::function<AnsiString(TReason)> words)
{
    std::lock_guard<std::mutex> lock(gWordsMutex);
    gWords = std::move(words);
}

}  // namespace platform
