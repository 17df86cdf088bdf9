#include "support/SimulatedUnit.h"

#include <algorithm>
#include <cmath>

#include "platform/DateTime.h"
#include "platform/Round.h"

namespace support {

unsigned CommandBit(UnitCommand c)
{
    return 1u << static_cast<int>(c);
}

namespace {

// The unit's side of the protocol is written on its own, so that tests compare two
// independent implementations of the frame rules.
const char* const kQueries[UnitCommandCount] = {
    "G0D******", "V07", "S081", "S082", "S083", "C14*************", "L0F********", "P10*********", "F07",
};

AnsiString Checksum(std::string_view text)
{
    unsigned sum = 0;
    for (unsigned char c : text) sum += c;
    static const char digits[] = "0123456789ABCDEF";
    return AnsiString{digits[(sum >> 4) & 0xF], digits[sum & 0xF]};
}

AnsiString Hex(std::int64_t raw, int digits)
{
    std::int64_t mask = (digits >= 8) ? 0xFFFFFFFFLL : ((1LL << (4 * digits)) - 1);
    return IntToHex(raw & mask, digits);
}

AnsiString Address2(int address)
{
    AnsiString a = IntToStr(address % 100);
    return a.size() < 2 ? "0" + a : a;
}

AnsiString Padded(const AnsiString& s, std::size_t n)
{
    AnsiString r = s.substr(0, n);
    r.append(n - r.size(), ' ');
    return r;
}

int HexValue(const AnsiString& s, bool& ok)
{
    int v = 0;
    ok = !s.empty();
    for (char c : s) {
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) ok = false;
        v = v * 16 + (d < 0 ? 0 : d);
    }
    return v;
}

bool UnsignedName(const AnsiString& name)
{
    AnsiString u = UpperCase(name);
    return u.find("DESKKEEPER") != AnsiString::npos ||
           (u.find("VARO") != AnsiString::npos && u.find("QK") != AnsiString::npos);
}

}  // namespace

AnsiString EncodeHundredths(double value, int digits)
{
    return Hex(Round64(value * 100.0), digits);
}

AnsiString WithChecksum(const AnsiString& body)
{
    return body + Checksum(body) + "\r";
}

void AdvanceUnit(UnitState& s, double seconds)
{
    if (!(seconds > 0)) seconds = 0;  // the outputs are still brought up to date
    const double tau = std::max(1.0, s.timeConstant);
    const bool control = s.controlMode == 'I' || s.controlMode == 'E';
    const bool pump = s.controlMode != 'O';
    // Steps of at most a second keep the coupled temperatures close to the continuous model;
    // each step is exact for a first-order lag, so the controlled temperature is exact.
    const int steps = static_cast<int>(std::min(std::ceil(seconds), 1e6));
    const double dt = steps > 0 ? seconds / steps : 0.0;
    auto towards = [dt](double& value, double target, double timeConstant) {
        value += (target - value) * (1.0 - std::exp(-dt / timeConstant));
    };
    for (int i = 0; i < steps; ++i) {
        if (s.controlMode == 'I') {
            towards(s.internalTemp, s.setpoint, tau);
            towards(s.processTemp, s.internalTemp, tau / 2);
        } else if (s.controlMode == 'E') {
            // The bath leads the process: it aims beyond the setpoint by the process error.
            towards(s.processTemp, s.setpoint, tau);
            const double lead = s.setpoint + (s.setpoint - s.processTemp);
            towards(s.internalTemp, std::clamp(lead, s.lowerLimit, s.upperLimit), tau / 2);
        } else {
            towards(s.internalTemp, s.tu, 4 * tau);
            towards(s.processTemp, pump ? s.internalTemp : s.tu, pump ? tau / 2 : 4 * tau);
        }
    }
    const double error = s.setpoint - (s.controlMode == 'E' ? s.processTemp : s.internalTemp);
    const double power = control ? std::clamp(10.0 * error, -100.0, 100.0) : 0.0;  // 10 % per kelvin
    s.f = std::round(power);
    s.heating = std::max(0.0, s.f);
    s.speed = pump ? s.nominalSpeed : 0.0;
    s.pressure = pump ? s.nominalPressure : 0.0;
}

SimulatedUnit::SimulatedUnit(UnitState state) : state_(std::move(state)) {}

UnitState SimulatedUnit::State() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return state_;
}

void SimulatedUnit::SetState(const UnitState& s)
{
    std::lock_guard<std::mutex> l(mutex_);
    state_ = s;
}

void SimulatedUnit::Update(const std::function<void(UnitState&)>& change)
{
    std::lock_guard<std::mutex> l(mutex_);
    change(state_);
}

AnsiString SimulatedUnit::BuildReply(UnitCommand c) const
{
    return BuildReply(c, State());
}

AnsiString SimulatedUnit::BuildReply(UnitCommand c, const UnitState& s)
{
    const AnsiString head = "[S" + Address2(s.address);
    auto t = [](double v) { return EncodeHundredths(v, 4); };  // hundredths, 4 digits
    auto raw4 = [](double v) { return Hex(Round64(v), 4); };   // whole numbers, 4 digits
    auto raw2 = [](double v) { return Hex(Round64(v), 2); };
    // Positions the program must not decode: '*' makes a field read at a wrong position
    // fail instead of decoding as zero.
    auto unused = [](std::size_t n) { return AnsiString(n, '*'); };
    switch (c) {
        case UnitCommand::G:
            return WithChecksum(head + "G0D" + AnsiString(1, s.controlMode) + "*" + t(s.setpoint) + t(s.internalTemp) +
                                t(s.processTemp));
        case UnitCommand::V: {
            // The length field names the last position of the 40-character name.
            return WithChecksum(head + "V2F" + Padded(s.deviceName, 40));
        }
        case UnitCommand::S1: return WithChecksum(head + "S081" + t(s.t0) + t(s.tc) + t(s.t1) + unused(8));
        case UnitCommand::S2:
            return WithChecksum(head + "S082" + raw2(s.v) + raw2(s.ht) + raw2(s.heating) + raw2(s.f + 100) +
                                t(s.current) + unused(4) + Hex(Round64(s.aif * 10.0), 4));
        case UnitCommand::S3: return WithChecksum(head + "S083" + t(s.tu) + t(s.tx1) + t(s.tx0) + unused(8));
        case UnitCommand::C:
            return WithChecksum(head + "C14" + unused(4) + raw4(s.aifOut) + raw4(s.aifOut2) + raw4(s.aifOut3) +
                                Hex(Round64(s.contact / 100.0), 1) + Hex(Round64(s.ecs / 100.0), 1));
        case UnitCommand::L: return WithChecksum(head + "L0F" + t(s.lowerLimit) + t(s.upperLimit) + unused(8));
        case UnitCommand::P: return WithChecksum(head + "P10" + unused(1) + raw4(s.speed) + raw4(s.pressure));
        case UnitCommand::F: return WithChecksum(head + "F07" + Hex(s.serialNumber, 8) + unused(20));
    }
    return AnsiString();
}

bool SimulatedUnit::ParseFrame(const AnsiString& frame, int& address, AnsiString& command)
{
    const std::size_t n = frame.size();
    if (n < 8 || frame[0] != '[' || frame[1] != 'M' || frame[n - 1] != '\r') return false;
    if (frame[2] < '0' || frame[2] > '9' || frame[3] < '0' || frame[3] > '9') return false;
    if (frame.substr(n - 3, 2) != Checksum(std::string_view(frame).substr(0, n - 3))) return false;
    address = (frame[2] - '0') * 10 + (frame[3] - '0');
    command = frame.substr(4, n - 7);
    return true;
}

int SimulatedUnit::CommandOf(const AnsiString& command)
{
    // Four upper-case hexadecimal digits, or "****" for "unchanged".
    auto digitsOrStars = [&](std::size_t at) {
        const AnsiString d = command.substr(at, 4);
        return d == "****" ||
               std::all_of(d.begin(), d.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
    };
    if (command.size() == 9 && command.compare(0, 3, "G0D") == 0) {
        // G0D + control mode + '*' + setpoint
        const bool ok =
            AnsiString("CIEO*").find(command[3]) != AnsiString::npos && command[4] == '*' && digitsOrStars(5);
        return ok ? static_cast<int>(UnitCommand::G) : -1;
    }
    if (command.size() == 16 && command.compare(0, 3, "C14") == 0) {
        // C14 + analogue output + eight '*' + contact
        const bool ok = digitsOrStars(3) && command.compare(7, 8, "********") == 0 &&
                        AnsiString("01*").find(command[15]) != AnsiString::npos;
        return ok ? static_cast<int>(UnitCommand::C) : -1;
    }
    for (int i = 0; i < UnitCommandCount; ++i)
        if (command == kQueries[i]) return i;
    return -1;
}

void SimulatedUnit::ApplyControl(UnitCommand c, const AnsiString& command)
{
    bool ok = false;
    if (c == UnitCommand::G) {
        if (command[3] != '*') state_.controlMode = command[3];
        int raw = HexValue(command.substr(5, 4), ok);
        if (ok) {
            if (raw > 32767 && !UnsignedName(state_.deviceName)) raw -= 65536;
            state_.setpoint = raw / 100.0;
        }
    } else if (c == UnitCommand::C) {
        int raw = HexValue(command.substr(3, 4), ok);
        if (ok) state_.aifOut = raw > 32767 ? raw - 65536 : raw;
        if (command[15] != '*') state_.contact = (command[15] - '0') * 100.0;
    }
}

UnitResponse SimulatedUnit::HandleFrame(const AnsiString& frame,
                                        const std::function<void(const UnitResponse&)>& handled)
{
    int address = 0;
    AnsiString command;
    if (!ParseFrame(frame, address, command)) {
        UnitResponse r;
        if (handled) handled(r);
        return r;
    }
    std::lock_guard<std::mutex> l(mutex_);
    UnitResponse r = HandleLocked(address, command);
    // Under the same lock as the state's change: whoever sees the one sees the other.
    if (handled) handled(r);
    return r;
}

UnitResponse SimulatedUnit::HandleLocked(int address, const AnsiString& command)
{
    UnitResponse r;
    if (address != state_.address) return r;
    if (clock_) {
        // The time since the last frame ran under the commands given before it.
        const std::int64_t now = clock_->MilliTicks();
        AdvanceUnit(state_, static_cast<double>(now - lastTick_) / 1000.0);
        lastTick_ = now;
    }
    const int c = CommandOf(command);
    if (c < 0) {
        // A real unit ignores a malformed frame: no reply, nothing changes.
        r.rejected = true;
        return r;
    }
    r.accepted = true;
    ++requests_[c];
    auto cmd = static_cast<UnitCommand>(c);
    if (!(state_.answers & CommandBit(cmd))) return r;
    auto p = patterns_.find(c);
    if (p != patterns_.end() && !p->second.empty()) {
        char answer = p->second.front();
        p->second.erase(0, 1);
        if (answer == '0') return r;
    }
    ApplyControl(cmd, command);
    if (clock_) AdvanceUnit(state_, 0);  // the reply shows the command's effect at once
    r.reply = true;
    r.bytes = BuildReply(cmd, state_);
    if (state_.garbled & CommandBit(cmd)) {
        // Framed and summed right, but nothing after the command header can be read.
        const std::size_t n = r.bytes.size();
        r.bytes = WithChecksum(r.bytes.substr(0, 7) + AnsiString(n - 10, 'Z'));
    }
    ApplyFault(r);
    return r;
}

void SimulatedUnit::ApplyFault(UnitResponse& r)
{
    if (faults_.empty()) return;
    PendingFault& f = faults_.front();
    const UnitFault fault = f.fault;
    const int param = f.param;
    if (f.count > 0 && --f.count == 0) faults_.pop_front();
    AnsiString& b = r.bytes;
    const std::size_t n = b.size();
    auto rechecksum = [&] { b = WithChecksum(b.substr(0, n - 3)); };
    switch (fault) {
        case UnitFault::None: break;
        case UnitFault::NoReply: r.reply = false; break;
        case UnitFault::LateReply: r.delayMs = param; break;
        case UnitFault::WrongChecksum: b[n - 2] = b[n - 2] == '0' ? '1' : '0'; break;
        case UnitFault::NonHexChecksum:
            b[n - 3] = 'Z';
            b[n - 2] = 'Z';
            break;
        case UnitFault::GarbageFirstByte: b[0] = '#'; break;
        case UnitFault::Truncated:
            b.resize(param > 0 ? std::min<std::size_t>(param, n) : n / 2);
            r.cut = b.size() < n;
            break;
        case UnitFault::WrongLetter:
            b[4] = b[4] == 'X' ? 'Y' : 'X';
            rechecksum();
            break;
        case UnitFault::WrongAddress:
            b[3] = b[3] == '9' ? '8' : '9';
            rechecksum();
            break;
        case UnitFault::SplitSegments: r.segments = param > 1 ? param : 3; break;
        case UnitFault::DropConnection:
            r.reply = false;
            r.drop = true;
            break;
        case UnitFault::SplicedTail: {
            // The reply's start, then the tail of another one (its digits, sum and no closing
            // carriage return) that happens to make the sum fit: as long as the reply.
            const std::size_t kept = std::min<std::size_t>(param > 0 ? std::size_t(param) : n - 5, n - 3);
            b = WithChecksum(b.substr(0, kept) + AnsiString(n - 3 - kept, '0'));
            b.back() = '0';
            break;
        }
        case UnitFault::SplicedToLength: {
            // Sum and carriage return of its own: only the length tells it from the reply.
            const std::size_t total = std::max<std::size_t>(std::size_t(std::max(param, 0)), 8);
            AnsiString body = b.substr(0, std::min(total, n) - 3);
            body.resize(total - 3, '0');
            b = WithChecksum(body);
            r.cut = b.size() < n;  // a read for the whole reply waits out its time-out
            break;
        }
    }
}

void SimulatedUnit::InjectFault(UnitFault fault, int count, int param)
{
    std::lock_guard<std::mutex> l(mutex_);
    faults_.push_back({fault, count == 0 ? 1 : count, param});
}

void SimulatedUnit::ClearFaults()
{
    std::lock_guard<std::mutex> l(mutex_);
    faults_.clear();
    patterns_.clear();
}

void SimulatedUnit::SetAnswerPattern(UnitCommand c, const std::string& pattern)
{
    std::lock_guard<std::mutex> l(mutex_);
    patterns_[static_cast<int>(c)] = pattern;
}

void SimulatedUnit::SetClock(const platform::Clock* clock)
{
    std::lock_guard<std::mutex> l(mutex_);
    clock_ = clock;
    if (clock_) lastTick_ = clock_->MilliTicks();
}

void SimulatedUnit::Advance(double seconds)
{
    std::lock_guard<std::mutex> l(mutex_);
    AdvanceUnit(state_, seconds);
}

int SimulatedUnit::RequestCount(UnitCommand c) const
{
    std::lock_guard<std::mutex> l(mutex_);
    return requests_[static_cast<int>(c)];
}

}  // namespace support
