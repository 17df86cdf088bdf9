#include "comm/CChannel.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <iterator>

#include "comm/CCommThread.h"
#include "comm/CIdentification.h"
#include "comm/CTransceiver.h"
#include "comm/CommTiming.h"

#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Round.h"
#include "platform/TextCodec.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

CChannel* ChannelObjects[MaxChannels + 1] = {};
CTransceiver* TransceiverThreads[MaxChannels + 1] = {};

namespace {

// Value series -> value block position (the inverse of the block's order).
constexpr int kValueOfSeries[ValueCount] = {
    vTIntern, vTExtern, vSollwert, vHT,  vTC,      vT1,       vT0,       vV,    vHeizung, vF,        vI,
    vTU,      vTX0,     vTX1,      vAIF, vAIF_Out, vAIF_Out2, vAIF_Out3, vPoko, vECS,     vDrehzahl, vDruck,
};

// Reads the field as an unsigned number; false when it lies beyond the text or is not hex.
bool ReadHex(const AnsiString& text, int position, int digits, std::uint32_t& value)
{
    if (position < 1 || digits < 1 || digits > 8) return false;
    std::size_t first = static_cast<std::size_t>(position - 1);
    if (first + static_cast<std::size_t>(digits) > text.size()) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = HexDigit(text[first + static_cast<std::size_t>(i)]);
        if (d < 0) return false;
        v = v * 16u + static_cast<std::uint32_t>(d);
    }
    value = v;
    return true;
}

[[noreturn]] void FieldError(const AnsiString& text, int position, int digits)
{
    throw EConvertError("Invalid reply field at position " + IntToStr(position) + " (" + IntToStr(digits) +
                        " digits) of a reply of " + IntToStr(static_cast<std::int64_t>(text.size())) + " characters");
}

// Keeps a value to two decimals, so scaled fields come out as the whole numbers they are.
double ToHundredths(double v)
{
    return static_cast<double>(Round64(v * 100.0)) / 100.0;
}

bool ContainsText(const AnsiString& upper, const char* what)
{
    return upper.find(what) != AnsiString::npos;
}

// A reply frame "[S..." long enough for a command letter whose checksum (the two digits
// before the closing character) matches what comes before it.
bool IsSoundFrame(const AnsiString& reply)
{
    const std::size_t len = reply.size();
    if (len < 7 || reply[0] != '[' || reply[1] != 'S') return false;
    std::uint32_t received = 0;
    return ReadHex(reply, static_cast<int>(len) - 2, 2, received) &&
           FrameChecksum(std::string_view(reply).substr(0, len - 3)) == IntToHex(static_cast<int>(received), 2);
}

}  // namespace

AnsiString FrameChecksum(std::string_view text)
{
    unsigned sum = 0;
    for (char c : text) sum = (sum + static_cast<unsigned char>(c)) & 0xFFu;
    return IntToHex(static_cast<int>(sum), 2);
}

double HexToValue(const AnsiString& reply, int position, bool unsignedDevice, int digits)
{
    std::uint32_t raw = 0;
    if (!ReadHex(reply, position, digits, raw)) FieldError(reply, position, digits);
    std::int64_t n = raw;
    if (n > 32767 && !unsignedDevice) n -= 65536;
    return static_cast<double>(n) / 100.0;
}

double HexToValue(const AnsiString& reply, int position, int channel, int digits)
{
    bool unsignedDevice = false;
    if (channel >= 1 && channel <= MaxChannels && ChannelObjects[channel])
        unsignedDevice = ChannelObjects[channel]->IsUnsignedDevice();
    return HexToValue(reply, position, unsignedDevice, digits);
}

std::uint32_t HexToInt(const AnsiString& reply, int position, int /*channel*/, int digits)
{
    std::uint32_t raw = 0;
    if (!ReadHex(reply, position, digits, raw)) FieldError(reply, position, digits);
    return raw;
}

CChannel::CChannel(int channel) : channel_(channel)
{
    DeviceName = LookupText(RowUnknown);
    std::fill(std::begin(groupAnsweredAtMs_), std::end(groupAnsweredAtMs_), -1);
}

CChannel::~CChannel() = default;

// ---- What every kind of channel does the same way: the identification thread, the
// poll thread entered for the channel number, and the direct exchanges' verdicts.

CTransceiver* CChannel::Transceiver() const
{
    return TransceiverThreads[Channel()];
}

void CChannel::ResumeIdentification()
{
    if (identification_) identification_->Resume();
}

void CChannel::StartPolling(int)
{
    if (identification_) identification_->Terminate();
    if (CTransceiver* poll = Transceiver()) poll->StartPolling();
}

void CChannel::QueueCommand(char letter, const AnsiString& frame, int replyLength, int channel)
{
    if (const int group = CommandGroupOf(frame); group >= 0) polledGroups_ |= 1u << group;
    if (CTransceiver* poll = Transceiver()) poll->QueueCommand(letter, frame, replyLength, channel);
}

void CChannel::SetOneShot(int)
{
    if (CTransceiver* poll = Transceiver()) poll->RequestOneShot();
}

int CChannel::SetPollCommands(const AnsiString& baseFrame, int baseLength, int baseReplyLength, int, int followUpLength,
                              const AnsiString& followUpFrame)
{
    CTransceiver* poll = Transceiver();
    return poll ? poll->SetPollCommands(baseFrame, baseLength, baseReplyLength, followUpLength, followUpFrame) : 0;
}

bool CChannel::HasPollThread(int) const
{
    return Transceiver() != nullptr;
}

void CChannel::WithdrawOneShot(const AnsiString& frame)
{
    if (CTransceiver* poll = Transceiver(); poll && !frame.empty()) poll->DropOneShot(frame);
}

AnsiString CChannel::UnsentOneShot() const
{
    const CTransceiver* poll = Transceiver();
    return poll ? poll->UnsentOneShot() : AnsiString();
}

AnsiString CChannel::DropUnsentOneShot()
{
    CTransceiver* poll = Transceiver();
    const AnsiString frame = poll ? poll->UnsentOneShot() : AnsiString();
    if (frame.empty()) return {};
    // Gone out meanwhile, it is the unit's as any command sent.
    const TCommandOnLoss dropped = poll->DropOneShot(frame);
    return dropped.Sent == 0 ? dropped.Frame : AnsiString();
}

void CChannel::LoadStandingNow()
{
    if (CTransceiver* poll = Transceiver()) poll->LoadStandingNow();
}

std::unique_lock<std::mutex> CChannel::HoldRefill()
{
    CTransceiver* poll = Transceiver();
    return poll ? poll->HoldRefill() : std::unique_lock<std::mutex>();
}

bool CChannel::OneShotInProgress() const
{
    const CTransceiver* poll = Transceiver();
    return poll && poll->OneShotInProgress();
}

bool CChannel::CycleUnderWayOrDue() const
{
    const CTransceiver* poll = Transceiver();
    return poll && poll->CycleUnderWayOrDue();
}

bool CChannel::LinkLost() const
{
    const CTransceiver* poll = Transceiver();
    return poll && poll->IsLinkLost();
}

AnsiString CChannel::DirectExchange(const AnsiString&, int, int, TfrmIdentification*)
{
    return {};
}

bool CChannel::IsAnswer(const AnsiString& reply) const
{
    return reply.size() >= 5 && reply[0] == '[' && reply[1] == 'S';
}

int CChannel::Query(char letter, int, const AnsiString& frame, int frameLength, int replyLength,
                    TfrmIdentification* window, AnsiString& reply)
{
    reply = DirectExchange(frame, frameLength, replyLength, window);
    return (IsAnswer(reply) && reply[4] == letter) ? 0 : 1;
}

int CChannel::QuerySub(const AnsiString& code, int, const AnsiString& frame, int frameLength, int replyLength,
                       TfrmIdentification* window, AnsiString& reply)
{
    reply = DirectExchange(frame, frameLength, replyLength, window);
    if (code.size() < 2) return 1;
    return (IsAnswer(reply) && reply.size() >= 8 && reply[4] == code[0] && reply[7] == code[1]) ? 0 : 1;
}

IChannelWindow* CChannel::Window() const
{
    return window_ ? window_ : ChannelWindowOf(channel_);
}

double CChannel::GetUpperLimit(int)
{
    IChannelWindow* w = Window();
    return w ? w->GetUpperSetpointLimit() : 0.0;
}

double CChannel::GetLowerLimit(int)
{
    IChannelWindow* w = Window();
    return w ? w->GetLowerSetpointLimit() : 0.0;
}

const std::vector<int>& CChannel::SeriesOfGroup(int group)
{
    static const std::vector<int> none;
    static const std::vector<int> groups[8] = {
        {sTIntern, sTExtern, sSollwert},    // 0 G
        {},                                 // 1 V
        {sTC, sT1, sT0},                    // 2 S1
        {sHT, sV, sHeizung, sF, sI, sAIF},  // 3 S2
        {sTU, sTX0, sTX1},                  // 4 S3
        {sAIF_Out, sPoko, sECS},            // 5 C
        {},                                 // 6 L
        {sDrehzahl, sDruck},                // 7 P
    };
    if (group < 0 || group > 7) return none;
    return groups[group];
}

void CChannel::ShowSeriesGroup(int group, int, bool showInLegend, bool active)
{
    IChannelWindow* w = Window();
    if (!w) return;
    for (int s : SeriesOfGroup(group)) {
        w->SetSeriesActive(s, active);
        w->SetSeriesShowInLegend(s, showInLegend);
    }
    if (group == 5) {
        // The second and third analogue output are never shown, whatever the unit reports.
        for (int s : {sAIF_Out2, sAIF_Out3}) {
            w->SetSeriesActive(s, false);
            w->SetSeriesShowInLegend(s, false);
        }
    }
}

AnsiString CChannel::GetDeviceName()
{
    return DeviceName;
}
AnsiString CChannel::GetDeviceNumber()
{
    return DeviceNumber;
}
AnsiString CChannel::GetPortName()
{
    return AnsiString();
}
AnsiString CChannel::GetTypeName()
{
    return AnsiString();
}
AnsiString CChannel::ConnectionFailureText()
{
    return AnsiString();
}

void CChannel::IdentificationDone(int, int result)
{
    if (IChannelWindow* w = Window()) w->OnConnectionEstablished(channel_, result);
}

bool CChannel::IsUnsignedDevice() const
{
    AnsiString upper = UpperCase(DeviceName);
    return ContainsText(upper, "DESKKEEPER") || (ContainsText(upper, "VARO") && ContainsText(upper, "QK"));
}

int CChannel::ValueIndexOfSeries(int series)
{
    if (series < 0 || series >= ValueCount)
        throw EListError("Value series index out of range (" + IntToStr(series) + ")");
    return kValueOfSeries[series];
}

double CChannel::SeriesValue(int series) const
{
    return Values[ValueIndexOfSeries(series)];
}
double* CChannel::SeriesValuePointer(int series)
{
    return &Values[ValueIndexOfSeries(series)];
}

AnsiString CChannel::ErrorLine(const AnsiString& text)
{
    TDateTime now = Now();
    return DateToStr(now) + " " + TimeToStr(now) + text;
}

int CChannel::CommandGroupOf(const AnsiString& frame)
{
    if (frame.size() < 5) return -1;
    switch (frame[4]) {
        case 'G': return 0;
        case 'V': return 1;
        case 'S':
            if (frame.size() < 8 || frame[7] < '1' || frame[7] > '3') return -1;
            return 2 + (frame[7] - '1');
        case 'C': return 5;
        case 'L': return 6;
        case 'P': return 7;
        case 'F': return 8;
        default: return -1;
    }
}

void CChannel::ReportFault()
{
    NOX_ASSERT_UI_THREAD();
    NoteFault();
    CommError = 1;
    MarkValuesOutdated();
}

void CChannel::NoteFault()
{
    lastFaultStamp_ = ++eventStamps_;
    std::int64_t none = -1;
    firstFaultTicks_.compare_exchange_strong(none, platform::clock().MilliTicks());
}

void CChannel::MarkValuesOutdated()
{
    NOX_ASSERT_UI_THREAD();
    groupsAnswered_ = 0;
    ValuesOutdated = 1;
}

std::int64_t CChannel::SteadyMs()
{
    return comm::SteadyMs();
}

void CChannel::RequestSent(int allowanceMs)
{
    allowanceMs_ = allowanceMs;
    sentAtMs_ = SteadyMs();
    replyIn_ = false;
    requestPending_ = true;
}

bool CChannel::RequestOverdue() const
{
    return requestPending_ && !replyIn_ && SteadyMs() - sentAtMs_ > allowanceMs_;
}

void CChannel::RequestPollCycle(int intervalMs)
{
    NOX_ASSERT_UI_THREAD();
    tickIntervalMs_ = intervalMs;
    workPending_ = PollRequest != 0;
    const std::int64_t now = platform::clock().MilliTicks();
    const std::int64_t selfAsked = selfAskedAtMs_.exchange(-1);
    // A late tick takes what the cycle the poll thread asked for itself fetches, rather than
    // asking for another: one cycle per interval. The next tick's values are then older than
    // the time between the two ticks by as much as that cycle began before this tick: within
    // one row bound for each row of the queue, and a small part of the interval (a tick held
    // far longer asks for a cycle of its own).
    const CTransceiver* poll = Transceiver();
    const std::int64_t stand =
        poll ? std::min<std::int64_t>(intervalMs / 2, std::int64_t(poll->Count) * rowBoundMs_) : 0;
    if (selfAsked >= 0 && now - selfAsked <= stand) {
        if (workPending_) wantedSinceMs_ = selfAskedSteadyMs_;
        return;
    }
    if (!workPending_) wantedSinceMs_ = SteadyMs();
    askedAtMs_ = now;
    PollRequest = 1;
}

int CChannel::HeldLimitMs() const
{
    const int interval = tickIntervalMs_, row = ownRowBoundMs_;
    if (interval <= 0 || row <= 0) return 0;
    return row + std::min(interval / 2, 1000);
}

bool CChannel::HeldSincePass(std::int64_t passedMs, std::int64_t othersMs, const CTransceiver* poll) const
{
    const int limit = HeldLimitMs();
    if (passedMs <= 0 || limit <= 0) return false;
    const std::int64_t now = SteadyMs();
    // The turns of the other slaves on a shared line are no time of this thread's own. A stop
    // of the whole line is judged by its own length: a slave that was in its pause when it
    // began has waited no longer for it than one that had just passed.
    const std::int64_t own = now - passedMs - othersMs;
    const std::int64_t stop = poll ? poll->LongestLineStopMs(passedMs, now) : 0;
    return stop > limit || own - stop > limit;
}

std::optional<CChannel::THold> CChannel::HoldBeforeThisPass(std::int64_t lineMs, const CTransceiver* poll) const
{
    const std::int64_t before = pollPassMs_;
    if (!HeldSincePass(before, std::max<std::int64_t>(0, lineMs - pollPassLineMs_), poll)) return std::nullopt;
    return THold{pollPassTicks_};
}

void CChannel::HoldPassed(const THold& hold)
{
    NOX_ASSERT_UI_THREAD();
    // Every reply fetched before the hold (and the one the hold fell into) has been taken;
    // the values are current again once every polled command has been answered after it.
    MarkValuesOutdated();
    // It ended just before the thread passed; the handed step runs moments after that.
    if (IChannelWindow* w = Window()) w->ProcessHeld(hold.FromTicks, platform::clock().MilliTicks());
}

void CChannel::AskCycleIfTickIsLate(bool afterHold, std::int64_t lineMs)
{
    pollPassTicks_ = platform::clock().MilliTicks();
    pollPassMs_ = SteadyMs();
    // After the pass itself: whoever reads the line's time first and then the pass never
    // pairs a later line time with an earlier pass.
    pollPassLineMs_ = lineMs;

    const int interval = tickIntervalMs_;
    if (interval <= 0) return;
    const std::int64_t now = platform::clock().MilliTicks();
    // After a hold every value is as old as the hold: a cycle fetches them anew at once, not
    // at the next tick, which may be most of an interval away (a cycle under way goes on).
    // It is one more cycle: the next tick still asks for its own.
    if (afterHold) {
        std::uint8_t served = PollRequestServed, none = 0;
        if (PollRequest.compare_exchange_strong(served, 1) || PollRequest.compare_exchange_strong(none, 1))
            askedAtMs_ = now;
        return;
    }
    if (PollRequest != 0) return;
    // Timers run a little late now and then: half an interval, at most a second, is allowed
    // before the thread asks itself.
    if (now - askedAtMs_ < interval + std::min(interval / 2, 1000)) return;
    // Noted before the request is raised: a tick that finds it raised knows whose it is.
    selfAskedSteadyMs_ = SteadyMs();
    selfAskedAtMs_ = now;
    std::uint8_t none = 0;
    if (PollRequest.compare_exchange_strong(none, 1))
        askedAtMs_ = now;
    else
        selfAskedAtMs_ = -1;  // a tick asked meanwhile
}

void CChannel::TakeReceivedReplies()
{
    NOX_ASSERT_UI_THREAD();
    // Read before the replies are taken: a pass noted after this has not handed over
    // anything this call takes, and a hold it noticed is handed over before that pass.
    const std::int64_t passedLine = pollPassLineMs_;
    const std::int64_t passed = pollPassMs_;
    heldSinceTicks_ = pollPassTicks_;
    CTransceiver* poll = Transceiver();
    if (poll) poll->RunHanded();
    // A thread waiting for its turn on a shared line behind its neighbours is not held.
    const std::int64_t others = poll ? std::max<std::int64_t>(0, poll->LineHeldByOthersMs() - passedLine) : 0;
    pollThreadHeld_ = HeldSincePass(passed, others, poll);
}

bool CChannel::IsSetpointFrame(const AnsiString& frame)
{
    return frame.size() >= 13 && frame.compare(0, 2, "[M") == 0 && frame.compare(4, 3, "G0D") == 0 && frame[8] == '*' &&
           frame.compare(9, 4, "****") != 0;
}

std::optional<double> CChannel::SetpointInFrame(const AnsiString& frame) const
{
    if (!IsSetpointFrame(frame)) return std::nullopt;
    try {
        return ToHundredths(HexToValue(frame, 10, IsUnsignedDevice(), 4));
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

void CChannel::ExpectSetpoint(const AnsiString& frame)
{
    NOX_ASSERT_UI_THREAD();
    const std::optional<double> value = SetpointInFrame(frame);
    if (!value) return;
    expectedSetpoint_ = *value;
    expectedFrame_ = frame;
    expectedOut_ = 0;
}

void CChannel::SetpointFrameWithdrawn()
{
    NOX_ASSERT_UI_THREAD();
    // Not gone out, it never will: the unit keeps what its replies tell. One on its way is
    // told by its own answer.
    if (expectedOut_ == 0) expectedFrame_.clear();
}

void CChannel::ForgetExpectedSetpoint(const AnsiString& frame)
{
    NOX_ASSERT_UI_THREAD();
    if (frame.empty() || (frame == expectedFrame_ && expectedOut_ == 0)) expectedFrame_.clear();
}

std::optional<double> CChannel::ExpectedSetpoint() const
{
    NOX_ASSERT_UI_THREAD();
    if (expectedFrame_.empty()) return std::nullopt;
    return expectedSetpoint_;
}

std::optional<double> CChannel::SetpointTaken() const
{
    NOX_ASSERT_UI_THREAD();
    if (!setpointRead_ || setpointUncertain_) return std::nullopt;
    return SeriesValue(2);
}

void CChannel::NoteExchangeEnded(const AnsiString& frame, bool answered)
{
    NOX_ASSERT_UI_THREAD();
    ++exchangesEnded_;
    if (answered)
        unansweredSinceMs_ = -1;
    else if (unansweredSinceMs_ < 0)
        unansweredSinceMs_ = platform::clock().MilliTicks();
    if (answered) {
        if (const std::optional<double> value = SetpointInFrame(frame)) {
            ++answeredSetpoints_.Count;
            answeredSetpoints_.Value = *value;
            answeredSetpoints_.AtMs = platform::clock().MilliTicks();
            answeredSetpoints_.LineMs = LineHeldByOthersMs();
            answeredSetpoints_.At = Now();
        }
    }
    if (!answered && IsSetpointFrame(frame)) setpointUncertain_ = true;
    if (expectedFrame_.empty()) return;
    if (expectedOut_ == 0 && frame == expectedFrame_) expectedOut_ = exchangesEnded_;
    // A status reply of the exchange that took the frame out or of a later one (its own
    // answer, or a later one when it got none) tells the unit's setpoint as it is now.
    if (answered && expectedOut_ != 0 && CommandGroupOf(frame) == 0) expectedFrame_.clear();
}

void CChannel::NoteExchangeOutcome(std::uint64_t number, bool answered)
{
    NOX_ASSERT_UI_THREAD();
    if (answered)
        replyExchange_ = number;
    else
        lastUnansweredExchange_ = std::max(lastUnansweredExchange_, number);
}

bool CChannel::ValuesTooOld() const
{
    NOX_ASSERT_UI_THREAD();
    if (!workPending_ || rowBoundMs_ <= 0) return false;
    return SteadyMs() - std::max<std::int64_t>(lastProgressMs_, wantedSinceMs_) > rowBoundMs_;
}

std::int64_t CChannel::PolledValuesAgeMs() const
{
    NOX_ASSERT_UI_THREAD();
    const std::int64_t now = platform::clock().MilliTicks();
    std::int64_t age = 0;
    for (int group = 0; group < 16; ++group) {
        if ((polledGroups_ & (1u << group)) == 0) continue;
        if (groupAnsweredAtMs_[group] < 0) return -1;
        age = std::max(age, now - groupAnsweredAtMs_[group]);
    }
    return age;
}

int CChannel::ValuesBoundMs(int intervalMs) const
{
    // Before the poll thread has run, the row bound is not known yet: the interval alone.
    const CTransceiver* poll = Transceiver();
    return intervalMs + (poll ? poll->Count * rowBoundMs_ : 0);
}

int CChannel::OwnValuesBoundMs(int intervalMs) const
{
    const CTransceiver* poll = Transceiver();
    return intervalMs + (poll ? poll->Count * ownRowBoundMs_ : 0);
}

std::int64_t CChannel::LineHeldByOthersMs() const
{
    const CTransceiver* poll = Transceiver();
    return poll ? poll->LineHeldByOthersMs() : 0;
}

int CChannel::LineTurnMs() const
{
    const CTransceiver* poll = Transceiver();
    return poll ? poll->LineTurnMs() : 0;
}

void CChannel::LogErrorLine(const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    if (IChannelWindow* w = Window()) w->MemoAdd(TChannelMemo::memSerialData, line);
}

void CChannel::SynchronisationError()
{
    ReportFault();
    if (IChannelWindow* w = Window()) w->MemoAdd(TChannelMemo::memSerialData, ErrorLine(" Error in synchronising !"));
}

AnsiString CChannel::InterfaceText()
{
    AnsiString port = GetPortName();
    // "COM1" reads "COM 1"; a device path is shown as it is.
    bool comStyle = port.size() > 3 && port.compare(0, 3, "COM") == 0;
    for (std::size_t i = 3; comStyle && i < port.size(); ++i)
        if (port[i] < '0' || port[i] > '9') comStyle = false;
    return comStyle ? port.substr(0, 3) + " " + port.substr(3) : port;
}

void CChannel::OnReply(TThread*, const AnsiString& reply, int)
{
    NOX_ASSERT_UI_THREAD();
    lastReplyDecoded_ = false;
    if (reply.empty() || reply[0] != '[') {
        // Not a frame: with the error flag set it is an error line of the poll thread.
        if (CommError == 1)
            if (IChannelWindow* w = Window()) w->MemoAdd(TChannelMemo::memSerialData, reply);
        return;
    }
    // A frame that cannot be trusted is reported, never silently dropped: dropping it
    // would let the next tick record the previous values as good ones.
    if (!IsSoundFrame(reply)) {
        SynchronisationError();
        return;
    }
    try {
        DecodeReply(reply);
        lastReplyDecoded_ = true;
        if (const int group = CommandGroupOf(reply); group >= 0) {
            groupsAnswered_ |= 1u << group;
            groupAnsweredAtMs_[group] = platform::clock().MilliTicks();
        }
        if ((polledGroups_ & ~groupsAnswered_) == 0) ValuesOutdated = 0;
    } catch (const EConvertError&) {
        SynchronisationError();
    }
}

void CChannel::DecodeReply(const AnsiString& reply)
{
    const int dataEnd = static_cast<int>(reply.size()) - 3;  // last position before the checksum
    const bool unsignedDevice = IsUnsignedDevice();
    auto field = [&](int position, int digits, double scale) {
        if (position + digits - 1 > dataEnd) FieldError(reply, position, digits);
        return ToHundredths(HexToValue(reply, position, unsignedDevice, digits) * scale);
    };
    // One value of a block: where it stands, how it is scaled and where it goes; an offset
    // is taken off after scaling.
    struct Field {
        int slot;
        int position;
        int digits;
        double scale;
        double offset = 0;
    };
    // Every field is read before anything is stored, so a bad field changes nothing.
    auto store = [&](std::initializer_list<Field> fields) {
        double read[ValueCount];
        int n = 0;
        for (const Field& f : fields) {
            const double v = field(f.position, f.digits, f.scale);
            read[n++] = f.offset == 0 ? v : ToHundredths(v - f.offset);
        }
        n = 0;
        for (const Field& f : fields) Values[f.slot] = read[n++];
    };
    IChannelWindow* w = Window();

    switch (reply[4]) {
        case 'G':
            store({{vTIntern, 14, 4, 1}, {vTExtern, 18, 4, 1}, {vSollwert, 10, 4, 1}});
            setpointRead_ = true;
            setpointUncertain_ = false;
            if (w) w->SetControlStatus(reply.substr(7, 1));
            break;
        case 'L': {
            double lower = field(8, 4, 1), upper = field(12, 4, 1);
            if (w) w->SetSetpointLimits(lower, upper);
            break;
        }
        case 'S': {
            if (dataEnd < 8) return;  // no block digit before the checksum
            switch (reply[7]) {
                case '1': store({{vT0, 9, 4, 1}, {vTC, 13, 4, 1}, {vT1, 17, 4, 1}}); break;
                case '2':
                    store({{vV, 9, 2, 100},
                           {vHT, 11, 2, 100},
                           {vHeizung, 13, 2, 100},
                           {vF, 15, 2, 100, 100},
                           {vI, 17, 4, 1},
                           {vAIF, 25, 4, 10}});
                    break;
                case '3': store({{vTU, 9, 4, 1}, {vTX1, 13, 4, 1}, {vTX0, 17, 4, 1}}); break;
                default: break;
            }
            break;
        }
        case 'P': store({{vDrehzahl, 9, 4, 100}, {vDruck, 13, 4, 100}}); break;
        case 'C':
            store({{vAIF_Out, 12, 4, 100},
                   {vAIF_Out2, 16, 4, 100},
                   {vAIF_Out3, 20, 4, 100},
                   {vPoko, 24, 1, 10000},
                   {vECS, 25, 1, 10000}});
            break;
        case 'F': {
            std::uint32_t number = 0;
            if (!SerialNumberInReply(reply, number)) FieldError(reply, 8, 8);
            if (w) w->SetSerialNumber(number);
            DeviceNumber = IntToStr(number);
            break;
        }
        case 'V': DecodeName(reply); break;
        default: break;
    }
}

AnsiString CChannel::NameInReply(const AnsiString& reply)
{
    // The name runs from position 8 to the position in the length field. A length that
    // points outside the name area falls back to everything before the checksum.
    const int dataEnd = static_cast<int>(reply.size()) - 3;
    std::uint32_t length = 0;
    int end = dataEnd;
    if (ReadHex(reply, 6, 2, length) && static_cast<int>(length) >= 7 && static_cast<int>(length) <= dataEnd)
        end = static_cast<int>(length);
    AnsiString name = end >= 8 ? reply.substr(7, static_cast<std::size_t>(end - 7)) : AnsiString();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return platform::IsValidUtf8(name) ? name : platform::Cp1252ToUtf8(name);
}

bool CChannel::SerialNumberInReply(const AnsiString& reply, std::uint32_t& number)
{
    const int dataEnd = static_cast<int>(reply.size()) - 3;
    return 8 + 8 - 1 <= dataEnd && ReadHex(reply, 8, 8, number);
}

bool CChannel::IsTrustedFrame(const AnsiString& reply)
{
    return IsSoundFrame(reply);
}

bool CChannel::IsOneReply(std::string_view bytes, std::size_t length)
{
    // Only the reply's own length: a read cut short by the time-out, or one that ran on
    // past the length to a later carriage return, holds another reply's bytes as soon as a
    // carriage return closes it, and its sum fits one time in 256.
    const std::size_t n = bytes.size();
    if (n == 0 || n != length || bytes[n - 1] != '\r') return false;
    for (std::size_t i = 1; i + 1 < n; ++i)
        if (bytes[i] == '[' || bytes[i] == '\r') return false;
    return true;
}

bool CChannel::AnswersRequest(const AnsiString& reply, const AnsiString& frame, bool address)
{
    if (reply.size() < 5 || frame.size() < 5 || reply[4] != frame[4]) return false;
    if (address && reply.compare(2, 2, frame, 2, 2) != 0) return false;
    return reply[4] != 'S' || (reply.size() >= 8 && frame.size() >= 8 && reply[7] == frame[7]);
}

bool CChannel::IsSoundReply(const AnsiString& reply, char letter)
{
    return IsSoundFrame(reply) && reply[4] == letter;
}

void CChannel::OtherUnitAnswers(const AnsiString& where, const AnsiString& name, const AnsiString& serial)
{
    NOX_ASSERT_UI_THREAD();
    const AnsiString found = name + "/" + serial;
    if (found == otherUnit_) return;
    otherUnit_ = found;
    auto unit = [](const AnsiString& number, const AnsiString& unitName) {
        return LookupText(RowUnitBySerialNumber,
                          {number.empty() ? LookupText(RowSerialNumberUnknown) : number, unitName});
    };
    const AnsiString expected = unit(DeviceNumber, identifiedName_);
    const AnsiString other = unit(serial, name);
    IChannelWindow* w = Window();
    if (!w) return;
    w->MemoAdd(TChannelMemo::memSerialData, ErrorLine(LookupText(RowOtherUnitLine, {where, other, expected})));
    w->ReportOtherUnit(
        LookupText(RowOtherUnitMessage, {IntToStr(channel_), where, expected, other, LookupText(RowErrorExclamation)}));
}

void CChannel::DecodeName(const AnsiString& reply)
{
    AnsiString name = NameInReply(reply);
    identifiedName_ = name;
    if (name.empty()) name = LookupText(RowUnknown);
    DeviceName = name;

    IChannelWindow* w = Window();
    if (w) w->SetupDeviceSeries(DeviceName, channel_);
    AnsiString upper = UpperCase(DeviceName);
    if (ContainsText(upper, "VARO") && ContainsText(upper, "QK")) DeviceName += " (RV70K)";

    AnsiString caption = DeviceName + " / " + InterfaceText();
    if (GetTypeName() == "RS485") caption += " / SLAVE " + IntToStr(GetAddress());
    if (w) {
        w->MemoAdd(TChannelMemo::memConnections, caption);
        w->SetChartTitleFirstLine(caption);
        w->MemoAdd(TChannelMemo::memInfo, LookupText(RowDeviceNameInterface));
        w->MemoAdd(TChannelMemo::memInfo, caption);
    }
}

void CChannel::EnterPollThread(CTransceiver* poll, int pollInterval, int address)
{
    poll->CreateProtocol(Channel());
    poll->PollInterval = pollInterval;
    poll->Address = address;
    TransceiverThreads[Channel()] = poll;
}

void CChannel::ReleaseThreads(std::unique_ptr<comm::CCommThread> poll)
{
    ReleaseIdentification(identification_);
    ReleasePollThread(std::move(poll));
}

int CChannel::OpenDone(int pollInterval)
{
    if (IChannelWindow* w = Window()) w->SetSamplingInterval(pollInterval);
    identification_ = NewIdentification();
    return 1;
}

void CChannel::ReportPortNotAccessible(const AnsiString& port, const AnsiString& reason)
{
    // The port is named once: the system's reasons mostly name it already.
    AnsiString text = LookupText(RowSerialPortNotAccessible) + "\n";
    if (reason.find(port) != AnsiString::npos)
        text += reason;
    else
        text += reason.empty() ? port : port + ": " + reason;
    ShowMessageBox(text, LookupText(RowError), MB_OK);
}

std::unique_ptr<CIdentification> CChannel::NewIdentification()
{
    auto identification = std::make_unique<CIdentification>(true);
    identification->CreateProtocol(Channel());
    identification->ChannelText = IntToStr(Channel());
    identification->StartRequested = 1;
    Identification = identification.get();
    return identification;
}

void CChannel::ReleaseIdentification(std::unique_ptr<CIdentification>& identification)
{
    if (!identification) return;
    Identification = nullptr;
    comm::ReleaseThread(std::unique_ptr<comm::CCommThread>(identification.release()));
}

void CChannel::ReleasePollThread(std::unique_ptr<comm::CCommThread> poll)
{
    if (!poll) return;
    if (TransceiverThreads[Channel()] && TransceiverThreads[Channel()] == poll.get())
        TransceiverThreads[Channel()] = nullptr;
    comm::ReleaseThread(std::move(poll));
}
