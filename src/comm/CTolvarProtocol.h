#pragma once
// Request frames of the device protocol, the fixed command table of one channel and the
// send queue that a poll thread works through.
#include <string_view>

#include "platform/AnsiString.h"

class CTolvarProtocol {
public:
    static constexpr int Rows = 20;
    static constexpr int Commands = 9;

    explicit CTolvarProtocol(int channel);

    // Fills rows 0..8 of the command table for the channel's address.
    void BuildCommandTable();
    // "[M" + address digits + command -> complete frame with checksum and carriage return,
    // for the channel's address.
    AnsiString BuildDeviceFrame(const AnsiString& text);
    // The one frame rule, for every place that builds frames: a one-digit address gets a
    // "0" inserted as third character, then the checksum of everything so far and CR.
    static AnsiString BuildDeviceFrame(const AnsiString& text, int address);
    // Convenience: the complete frame of a command text ("G0D******") for an address.
    static AnsiString BuildCommandFrame(std::string_view command, int address);

    // A setpoint travels as hundredths of a degree in four hexadecimal digits: two's
    // complement on units whose values are signed (-327.68..327.67), plain on unsigned
    // ones (0..655.35). A value outside its unit's range has no encoding: sending its low
    // 16 bits would set another temperature (400.00 as -255.36).
    struct TSetpointRange {
        double Minimum;
        double Maximum;
        bool Contains(double value) const;
    };
    static TSetpointRange SetpointRange(bool unsignedDevice);
    // Every value some unit can take (-327.68..655.35): programs not tied to a unit.
    static TSetpointRange AnySetpointRange();
    // The four digits of a setpoint for the unit; false, with `digits` untouched, when the
    // unit cannot represent it.
    static bool EncodeSetpoint(double value, bool unsignedDevice, AnsiString& digits);

    // Command table: column 0 frame, 1 its length, 2 the reply length (decimal texts).
    AnsiString GetEntry(int row, int column) const;
    // Send queue, same columns.
    AnsiString GetQueueEntry(int row, int column) const;
    void SetRow(const AnsiString& frame, int row, int replyLength, int length);
    // Appends a row with the frame's own length; a full queue stays unchanged.
    void Append(const AnsiString& frame, int replyLength);
    int GetCount() const { return Count; }
    int Channel() const { return channel_; }

    // The commands of the table, by row, and their reply lengths.
    static const char* const CommandText[Commands];
    static const int ReplyLength[Commands];

private:
    int Address() const;

    AnsiString queue_[Rows][3];
    AnsiString table_[Rows][3];
    int Count = 0;
    int channel_;
};
