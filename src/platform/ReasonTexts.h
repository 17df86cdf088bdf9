#pragma once
// The reasons this layer puts into its error texts (a save that does not follow a link, a
// serial port that cannot be opened), named by kind. Their words are the program's own and
// come in the user's language from the layer that knows the text table, which installs
// them; until it does, they are English. The system's own error texts (strerror) are passed
// in as arguments and stay as the system gives them.
#include <functional>
#include <initializer_list>

#include "platform/AnsiString.h"

namespace platform {

enum class TReason {
    // Saving
    PlantedLink,
    DanglingLink,
    OwnNameLink,
    OwnNameForeign,
    OwnNameEarlierWrite,
    ForeignFile,
    ReplacedWhileWritten,
    // Serial ports: $1 the port's path (or the number named), $2 the system's error text
    BaudRateNotSupported,
    DataBitsNotSupported,
    UnknownParity,
    OneAndHalfStopBits,
    TwoStopBits,
    UnknownStopBits,
    NoSerialPortChosen,
    SerialPortMissing,
    SerialPortNoDevice,
    NotASerialDevice,
    SerialPortBusy,
    SerialPortNoPermission,
    SerialPortCannotOpen,
    SerialPortRefusedSettings,
    SerialPortRefusedSettingsBecause,
    SerialPortBaudRateNotAvailable,
    SerialPortNotOpen,
    SerialPortFault,
    SerialPortWriteFailed,
    SerialPortWriteTimedOut,
    SerialPortGone,
    SerialPortReadFailed,
};
inline constexpr int ReasonCount = static_cast<int>(TReason::SerialPortReadFailed) + 1;

// The reason's words with $1, $2, ... replaced by `args` (an argument's own text is not
// looked at again).
AnsiString ReasonText(TReason reason, std::initializer_list<AnsiString> args = {});
// The English words, with their $n marks.
AnsiString EnglishReasonWords(TReason reason);
// Installs the words of every reason (marks included); empty: the English ones. May be
// called while other threads word their reasons.
void SetReasonWords(std::function<AnsiString(TReason)> words);

}  // namespace platform
