#include "app/ReasonWords.h"

#include <array>

#include "resources/LanguageTable.h"

using namespace resources;

namespace {
// In the order of platform::TReason.
constexpr std::array<TextRow, platform::ReasonCount> kRows = {
    RowReasonPlantedLink,
    RowReasonDanglingLink,
    RowReasonOwnNameLink,
    RowReasonOwnNameForeign,
    RowReasonOwnNameEarlierWrite,
    RowReasonForeignFile,
    RowReasonReplacedWhileWritten,
    RowReasonBaudRateNotSupported,
    RowReasonDataBitsNotSupported,
    RowReasonUnknownParity,
    RowReasonOneAndHalfStopBits,
    RowReasonTwoStopBits,
    RowReasonUnknownStopBits,
    RowReasonNoSerialPortChosen,
    RowReasonSerialPortMissing,
    RowReasonSerialPortNoDevice,
    RowReasonNotASerialDevice,
    RowReasonSerialPortBusy,
    RowReasonSerialPortNoPermission,
    RowReasonSerialPortCannotOpen,
    RowReasonSerialPortRefusedSettings,
    RowReasonSerialPortRefusedSettingsBecause,
    RowReasonSerialPortBaudRateNotAvailable,
    RowReasonSerialPortNotOpen,
    RowReasonSerialPortFault,
    RowReasonSerialPortWriteFailed,
    RowReasonSerialPortWriteTimedOut,
    RowReasonSerialPortGone,
    RowReasonSerialPortReadFailed,
};
}  // namespace

TextRow ReasonRow(platform::TReason reason)
{
    return kRows[std::size_t(reason)];
}

void UseReasonWords(int language)
{
    if (language != 0 && language != 1) {
        platform::SetReasonWords({});
        return;
    }
    // The table is fixed data: the words may be looked up on any thread (a poll thread's
    // serial port fails there), and the language is the one this call was made for.
    platform::SetReasonWords([language](platform::TReason reason) {
        return AnsiString(LanguageTable[std::size_t(ReasonRow(reason)) * LanguageTableColumns + std::size_t(language)]);
    });
}
