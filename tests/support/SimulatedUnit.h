#pragma once
// A simulated temperature-control unit: keeps its own values, builds every reply of the
// device protocol from them (layout, length and checksum), checks incoming frames and
// applies the control commands. Faults can be injected per unit. SimulatedUnitLine puts
// units on a pseudo-terminal or a loopback TCP port.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/AnsiString.h"

namespace platform {
class Clock;
}

namespace support {

// The nine query commands, numbered like the rows of the command table.
enum class UnitCommand { G = 0, V = 1, S1 = 2, S2 = 3, S3 = 4, C = 5, L = 6, P = 7, F = 8 };
constexpr int UnitCommandCount = 9;
unsigned CommandBit(UnitCommand c);
constexpr unsigned AllCommands = 0x1FF;

struct UnitState {
    int address = 1;
    AnsiString deviceName = "SIMULATOR UNIT 200";
    std::uint32_t serialNumber = 12345678;
    unsigned answers = AllCommands;  // CommandBit of each command the unit answers
    unsigned garbled = 0;            // ... whose reply fields hold no hexadecimal digits
    // Values as the program decodes them (degrees, percent, ...).
    double lowerLimit = -40.0, upperLimit = 200.0;
    // The unit's control status: 'O' off, 'C' circulation only, 'I' internal control,
    // 'E' process (external) control.
    char controlMode = 'O';
    double setpoint = 25.0, internalTemp = 24.5, processTemp = 23.75;
    double t0 = 10.5, tc = 11.25, t1 = 12.0;                                   // S1
    double v = 3, ht = 40, heating = 55, f = 20, current = 1.5, aif = 12.3;    // S2: v, ht, heating, f whole
    double tu = 21.0, tx0 = -5.5, tx1 = 30.25;                                 // S3
    double aifOut = 25, aifOut2 = 35, aifOut3 = 45, contact = 100, ecs = 200;  // C: whole numbers
    double speed = 1500, pressure = 250;                                       // P
    // The thermal model (AdvanceUnit): time constant of the controlled temperature in
    // seconds, and pump speed and pressure while the pump runs. The ambient is `tu`.
    double timeConstant = 180.0;
    double nominalSpeed = 1500, nominalPressure = 250;
};

// Moves the unit's values on by `seconds` as its control status says. With temperature
// control on, the controlled temperature (internal for 'I', process for 'E') follows the
// setpoint with a first-order lag of `timeConstant`, the other one trails it, and the
// heating/cooling power follows the error ('F' signed, `heating` its heating part). With
// circulation only the temperatures drift towards the ambient and the power is zero; off
// ('O') also stops the pump.
void AdvanceUnit(UnitState& s, double seconds);

enum class UnitFault {
    None,
    NoReply,           // the frame is not answered
    LateReply,         // answered after `param` ms
    WrongChecksum,     // last checksum digit changed
    NonHexChecksum,    // checksum digits "ZZ"
    GarbageFirstByte,  // '[' replaced by '#'
    Truncated,         // only the first `param` bytes (default: half)
    WrongLetter,       // another command letter, checksum recomputed
    WrongAddress,      // another address, checksum recomputed
    SplitSegments,     // written in `param` pieces (default 3) with pauses
    DropConnection,    // the TCP connection is closed instead of answering
    SplicedTail,       // the first `param` bytes, then another reply's digits: checksum fits, no CR
    SplicedToLength,   // the reply's start, then another's digits, `param` bytes in all: checksum
                       // fits and a carriage return closes it, shorter or longer than the reply
};

// What the line does with one frame.
struct UnitResponse {
    bool accepted = false;  // frame well formed, checksum right and addressed to this unit
    bool rejected = false;  // addressed to this unit, but no command the unit knows: ignored
    bool reply = false;     // bytes are to be sent
    AnsiString bytes;
    int delayMs = 0;
    int segments = 1;
    bool drop = false;
    bool cut = false;  // the bytes are only the start of the reply
};

class SimulatedUnit {
public:
    explicit SimulatedUnit(UnitState state = {});

    UnitState State() const;
    void SetState(const UnitState& s);
    void Update(const std::function<void(UnitState&)>& change);

    // The reply the unit builds for a command from its current state, without faults.
    AnsiString BuildReply(UnitCommand c) const;
    static AnsiString BuildReply(UnitCommand c, const UnitState& s);

    // Checks one frame (from '[' to the carriage return) and answers it. `handled` is called
    // with the answer before the unit's state can be seen changed by anyone else.
    UnitResponse HandleFrame(const AnsiString& frame, const std::function<void(const UnitResponse&)>& handled = {});
    // True when the frame is framed right and its checksum matches; address and command
    // text are returned.
    static bool ParseFrame(const AnsiString& frame, int& address, AnsiString& command);
    // The command a command text stands for, or -1 when the unit would ignore the text: an
    // unknown command, a control mode other than C, I, E, O or '*', setpoint or output digits
    // that are neither four upper-case hexadecimal digits nor "****", a contact other than
    // '0', '1' or '*'.
    static int CommandOf(const AnsiString& command);

    // The next `count` answered frames get the fault (count < 0: until cleared).
    void InjectFault(UnitFault fault, int count = 1, int param = 0);
    void ClearFaults();
    // One character per coming request of the command: '1' answer, '0' stay silent; after
    // the pattern the unit answers as its state says.
    void SetAnswerPattern(UnitCommand c, const std::string& pattern);

    // How many requests of each command arrived.
    int RequestCount(UnitCommand c) const;

    // With a clock the unit's values follow its commands in that clock's time (moved on at
    // every frame); without one (the default) they change only through SetState/Update.
    // The caller keeps the clock.
    void SetClock(const platform::Clock* clock);
    // Moves the values on by `seconds` (AdvanceUnit).
    void Advance(double seconds);

private:
    struct PendingFault {
        UnitFault fault;
        int count;
        int param;
    };
    UnitResponse HandleLocked(int address, const AnsiString& command);
    void ApplyControl(UnitCommand c, const AnsiString& command);
    void ApplyFault(UnitResponse& r);

    mutable std::mutex mutex_;
    UnitState state_;
    std::deque<PendingFault> faults_;
    std::map<int, std::string> patterns_;
    int requests_[UnitCommandCount] = {};
    const platform::Clock* clock_ = nullptr;
    std::int64_t lastTick_ = 0;
};

// Field encodings of the replies, shared with tests that build replies by hand.
AnsiString EncodeHundredths(double value, int digits);  // value * 100, two's complement
AnsiString WithChecksum(const AnsiString& body);        // body + checksum + CR

}  // namespace support
