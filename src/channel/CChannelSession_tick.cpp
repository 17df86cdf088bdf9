// The recording: the tick from the unit's values to the series, the error count, the
// recording file's parts and their saves, and closing.
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "app/CLanguage.h"
#include "app/FileSaveWait.h"
#include "app/RecordedDataWriter.h"
#include "channel/CChannelSession.h"
#include "channel/ChannelTexts.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CChannel.h"
#include "comm/CTCPIP.h"
#include "comm/CTolvarProtocol.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

// Control-off commands handed over by any channel so far (user-interface thread only).
std::uint64_t ControlOffCounter = 0;

// "[Mnn" + "G0DO...": switches the unit's temperature control off.
bool IsControlOffFrame(const AnsiString& frame)
{
    return frame.size() > 7 && frame.compare(4, 3, "G0D") == 0 && frame[7] == 'O';
}

bool FileExists(const AnsiString& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

}  // namespace

TDateTime CChannelSession::ElapsedWallClock(std::int64_t ticks) const
{
    return FAxisStartWall + double(ticks - FAxisStartTicks + FAxisShiftMs) / MSecsPerDay;
}

TDateTime CChannelSession::RecordedTimeNow() const
{
    NOX_ASSERT_UI_THREAD();
    return ElapsedWallClock(platform::clock().MilliTicks()) - FTimeOrigin;
}

CChannelSession::TClocks CChannelSession::ReadClocks()
{
    const platform::Clock& c = platform::clock();
    TClocks read;
    for (int i = 0; i < 3; ++i) {
        read.Ticks = c.MilliTicks();
        read.Utc = c.UtcNow();
        read.Wall = c.Now();
        if (c.MilliTicks() - read.Ticks <= 100) break;
    }
    return read;
}

AnsiString CChannelSession::StampedOnRowsClock(const AnsiString& line) const
{
    if (!FConnected || FAxisStartWall == 0) return line;
    const std::size_t length = CChannel::ErrorLine("").size();
    TDateTime stamped = 0;
    if (line.size() < length || !TryStrToDateTime(line.substr(0, length), stamped)) return line;
    const TDateTime at = ElapsedWallClock(platform::clock().MilliTicks());
    return DateToStr(at) + " " + TimeToStr(at) + line.substr(length);
}

void CChannelSession::FollowWallClock(const TClocks& clocks)
{
    // Both clocks since the axis started; the wall clock in UTC, so that a change of
    // daylight-saving time is no step (the points keep their times over it).
    const std::int64_t ticks = clocks.Ticks;
    const std::int64_t steps = Round64((clocks.Utc - FAxisStartUtc) * MSecsPerDay) - (ticks - FAxisStartTicks);
    const std::int64_t step = steps - FWallClockStepsMs;
    if (std::abs(step) <= 1000) return;
    FWallClockStepsMs = steps;
    // A step forward moves the rows with it. A data file's times only ever increase, so a
    // step back is not followed: the rows keep their pace and stay ahead of the wall clock
    // by that much, until a later step forward has made up for it. Ahead rather than a run
    // of rows at one time, and never a row before the one taken earlier.
    const std::int64_t shift = FAbsoluteTimeAxis ? std::max(FAxisShiftMs, steps) : FAxisShiftMs;
    const double moved = double(shift - FAxisShiftMs) / MSecsPerDay;
    FAxisShiftMs = shift;
    // The programmer's planned points run ahead of the recording on the same axis: they
    // move with it, so a program's segments keep their length.
    if (moved > 0)
        for (int k = ValueSeriesTotal; k < ChannelSeriesCount; ++k)
            if (TFastLineSeries* s = FSeries[std::size_t(k)])
                for (int i = 0; i < s->Count(); ++i) s->SetXValue(i, s->GetxValue(i) + moved);
    const AnsiString by = FormatFloat("0.0", double(std::abs(step)) / 1000.0);
    const AnsiString ahead = FormatFloat("0.0", double(shift - steps) / 1000.0);
    const TextRow times = !FAbsoluteTimeAxis ? RowClockStepTimesStay
                          : shift == steps   ? RowClockStepTimesFollow
                                             : RowClockStepTimesAhead;
    const AnsiString text =
        ChannelText(step > 0 ? RowClockSetForward : RowClockSetBack, {by}) + ChannelText(times, {by, ahead});
    AddProtocolLine(text);
}

AnsiString CChannelSession::PartFileName() const
{
    return DataFileNameForPart(DataFileName(), FChannel, FPartNumber);
}

void CChannelSession::StartTimeAxis()
{
    NOX_ASSERT_UI_THREAD();
    // One reading of each clock: the points' times follow the monotonic clock from here,
    // so a clock set by hand or a daylight-saving change neither moves them nor ends a
    // part early.
    const TClocks clocks = ReadClocks();
    const TDateTime now = clocks.Wall;
    const std::int64_t ticks = clocks.Ticks;
    FAxisStartWall = now;
    FAxisStartTicks = ticks;
    FAxisStartUtc = clocks.Utc;
    FWallClockStepsMs = 0;
    FAxisShiftMs = 0;
    FPartStartTicks = ticks;
    FPartStartTime = now;
    FPartNumber = 1;
    FPartWritten = false;
    FPartWrittenAs.clear();
    // A new recording's files go into the folder at its path now.
    FRecordingFolder = std::make_shared<TRecordingFolder>();
    FReplacedLook.reset();
    ResetPartFile();
    FGrowFailureShown = false;
    FPartFileTrouble = TPartFileTrouble::None;
    for (auto& s : FSeries)
        if (s) s->Clear();
    FTickCount = 0;
    FLastRowTicks = -1;
    FHoldOwed.reset();
    FFirstPointAwaited = false;
    FAbsoluteTimeAxis = Settings.TimeAxisStyle == 1;
    // "relativ": X is the start date plus the time since the start; "absolut": the
    // sampling date-time itself.
    FTimeOrigin = FAbsoluteTimeAxis ? 0.0 : now - std::floor(now);
    if (OnTimeAxisStarted) OnTimeAxisStarted(FAbsoluteTimeAxis ? now : std::floor(now));
    // A folder that cannot take the file is reported now, not when the first rows are due.
    CheckDataFolder();
    // In programmer mode the window's programmer tick (UpdateRunningData) runs the
    // recording; the first point is taken at once either way, when the values at hand are
    // those of an immediate start after the identification (as young as a good point's at a
    // one-second interval). Values from longer ago (the file dialog stayed open), at any
    // interval, are not recorded: the first point waits for the cycle asked for now.
    CChannel* channel = FChannelObject.get();
    // A unit that fails the first cycle is asked again within seconds, not only at the next
    // tick: the first tick after it has answered again is good, also at a long interval.
    if (channel) channel->AskAgainUntilAnswered();
    const std::int64_t age = channel ? channel->PolledValuesAgeMs() : 0;
    if (!channel || (age >= 0 && age <= channel->ValuesBoundMs(1000)))
        Tick();
    else
        AwaitFirstPoint(ticks);
    AddProtocolLine(" " + ChannelText(RowFileName) + " " + PartFileName());
    FProtocolLinesAtGood = FProtocolLines;
    FLastGoodTicks = ticks;
}

void CChannelSession::AwaitFirstPoint(std::int64_t ticks)
{
    // The values are outdated until the cycle asked for now has answered every polled
    // command: a point taken before then is an error point, though no fault was seen.
    CChannel* channel = FChannelObject.get();
    channel->MarkValuesOutdated();
    channel->RequestPollCycle(FSamplingInterval * 1000);
    FFirstPointAwaited = true;
    FFirstPointAskedTicks = ticks;
    if (!FFirstPointTimer) {
        FFirstPointTimer = std::make_unique<QTimer>();
        FFirstPointTimer->setInterval(10);
        QObject::connect(FFirstPointTimer.get(), &QTimer::timeout,
                         [this] { platform::GuardedCall([this] { TakeAwaitedFirstPoint(); }); });
    }
    FFirstPointTimer->start();
}

bool CChannelSession::FirstPointDue(std::int64_t ticks) const
{
    // A cycle of many rows may take longer than the interval; its values are then as old as
    // a regular tick's may be: the interval plus one row bound for each row of the send
    // queue. The row bound is known once the poll thread has taken a row (the thread starts
    // after the recording has), so the bound is looked at anew each time.
    const CChannel* channel = FChannelObject.get();
    if (!channel) return true;
    if (channel->ValuesOutdated == 0) return true;
    // The cycle failed (a fault, also one the poll thread went past, or a request that has
    // waited out its time-out): the point is an error point, taken now, and the ticks follow
    // it at their own times while the unit is asked again.
    if (channel->CommError != 0 || channel->FaultUncounted != 0 || channel->RequestOverdue()) return true;
    return ticks - FFirstPointAskedTicks > channel->ValuesBoundMs(FSamplingInterval * 1000);
}

void CChannelSession::TakeAwaitedFirstPoint()
{
    NOX_ASSERT_UI_THREAD();
    if (!FFirstPointAwaited || !FConnected || !FChannelObject) {
        FFirstPointAwaited = false;
        FFirstPointTimer->stop();
        return;
    }
    // Read before the replies are taken: the poll thread hands a cycle's replies over before
    // it marks the cycle done.
    CChannel* channel = FChannelObject.get();
    const bool pollIdle = channel->PollRequest == 0 && !channel->CycleUnderWayOrDue();
    channel->TakeReceivedReplies();
    if (!FirstPointDue(platform::clock().MilliTicks())) {
        // The cycle asked for at the start was one already under way: the rows it had answered
        // before the start are not renewed, and nothing else asks before the next interval.
        if (pollIdle) channel->RequestPollCycle(FSamplingInterval * 1000);
        return;
    }
    // Taken as the cycle came back, between the window's ticks: they follow one interval
    // after it, so the rows keep the interval from the first on.
    if (Tick() && OnFirstPointTaken) OnFirstPointTaken();
}

bool CChannelSession::Tick()
{
    NOX_ASSERT_UI_THREAD();
    if (FInTick || !FConnected || !FChannelObject) return false;
    FInTick = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{FInTick};

    if (FFirstPointAwaited) {
        // A tick of the window's timer (or the programmer's) while the first point waits for
        // the cycle asked for at the start: the values at hand are older than a good point's
        // may be, so it takes no point and does nothing else; the first point follows as soon
        // as the cycle has renewed them, or as an error point once its bound has passed.
        FChannelObject->TakeReceivedReplies();
        if (!FirstPointDue(platform::clock().MilliTicks())) return false;
        FFirstPointAwaited = false;
        if (FFirstPointTimer) FFirstPointTimer->stop();
    }

    // The poll thread sends the poll frames in its next steps; the tick itself never
    // waits for the unit, it takes the values of the latest replies: every one received
    // before it, decoded now if the window has not come round to it yet. Their error lines
    // go into the protocol before any of the tick's own.
    CChannel* channel = FChannelObject.get();
    channel->TakeReceivedReplies();
    channel->RequestPollCycle(FSamplingInterval * 1000);
    const AnsiString label = UpdateStatusText();
    // The fault the tick has just counted no longer holds the waiting commands back.
    FlushProgramCommands();
    const TClocks clocks = ReadClocks();
    const std::int64_t ticks = clocks.Ticks;
    if (FRecordingSuspended) {
        FExplainOwed = false;
        FLastRowTicks = -1;  // a recording that waits misses nothing
        FollowWallClock(clocks);
        GrowPartFile(ticks);
        if (OnTicked) OnTicked();
        return false;
    }

    const bool ownRow = RecordMissedTicks(ticks);
    FollowWallClock(clocks);
    // After the lines of missed ticks and holds: an error row they do not cover says why.
    ExplainErrorRow();
    if (FValuesShownCurrent) {
        FProtocolLinesAtGood = FProtocolLines;
        FLastGoodTicks = ticks;
    }
    if (ownRow) {
        const TDateTime x = ElapsedWallClock(ticks) - FTimeOrigin;
        const int recorded = std::min(FSeriesCount, ValueSeriesTotal);
        for (int k = 0; k < recorded; ++k) {
            TFastLineSeries* s = FSeries[std::size_t(k)];
            if (s && s->Tag == 1) s->AddXY(x, channel->SeriesValue(k), label);
        }
    }
    ++FTicksSinceSave;
    PartAndSaveDecision(ticks);
    GrowPartFile(ticks);
    ++FTickCount;
    if (OnTicked) OnTicked();
    return true;
}

bool CChannelSession::RecordMissedTicks(std::int64_t ticks)
{
    const std::int64_t interval = std::int64_t(FSamplingInterval) * 1000;
    const std::int64_t last = std::exchange(FLastRowTicks, ticks);
    // The whole program was held (the poll thread has not run since, or it found a hold
    // during which a tick was due).
    std::optional<THeldSpan> held = std::exchange(FHoldOwed, std::nullopt);
    // (Without a link the thread notes no passes: that is no hold.)
    if (FChannelObject && FChannelObject->PollThreadHeld() && !FChannelObject->LinkLost())
        held = THeldSpan{FChannelObject->HeldSinceTicks(), ticks};
    // A thread that has not passed since before a hold the protocol named already (it waits
    // for its turn on a shared line behind the slaves that fetch their values anew) is held no
    // further for the ticks since: they ran, and their rows are errors of their own time.
    if (held && held->From < FGapLineUntil) held.reset();
    // A timer comes a little late now and then; a tick later by more than its interval
    // means the user-interface thread was held (or the machine was short of memory) and
    // at least one tick did not run at all: a tick due more than half an interval before
    // this one. No tick due while the whole program was held ran either (this one is the
    // timer's overdue one): the rows keep their times also at a long interval.
    const bool stalled = last >= 0 && ticks - last > 2 * interval;
    auto inHold = [&](std::int64_t t) { return held && t >= held->From && t <= held->To && t < ticks; };
    auto missed = [&](std::int64_t t) { return inHold(t) || (stalled && 2 * (ticks - t) > interval); };
    if (last < 0 || !missed(last + interval)) {
        if (held && held->From >= FGapLineUntil) AddHoldLine(*held);
        return true;
    }
    const bool filled = ticks - last <= FilledGapSeconds * 1000;
    std::int64_t count = 0, lastMissed = last;
    if (filled) {
        // Each missed tick gets its row at its own time, the values of the last replies
        // repeated and marked as errors, as a tick without a reply gets them.
        const AnsiString label = ChannelText(RowErrorExclamation);
        const int recorded = std::min(FSeriesCount, ValueSeriesTotal);
        for (std::int64_t t = last + interval; t < ticks && missed(t); t += interval, ++count) {
            const TDateTime x = ElapsedWallClock(t) - FTimeOrigin;
            for (int k = 0; k < recorded; ++k) {
                TFastLineSeries* s = FSeries[std::size_t(k)];
                if (s && s->Tag == 1) s->AddXY(x, FChannelObject->SeriesValue(k), label);
            }
            lastMissed = t;
        }
    }
    const char* format = filled ? "hh:nn:ss" : "dd.mm.yyyy hh:nn:ss";
    AddProtocolLine(" " + ChannelText(filled ? RowMissedTicks : RowNoTicksRecorded,
                                      {FormatDateTime(format, ElapsedWallClock(last)),
                                       FormatDateTime(format, ElapsedWallClock(ticks)), IntToStr(count)}));
    FGapLineUntil = ticks;
    // This tick comes within half an interval of the last tick missed (the timer's overdue
    // one of it): that row stands for it. One that comes later has its own row: the timer
    // may go on from this tick rather than from the one it missed, and the next row would
    // then follow the last one missed by up to two intervals.
    if (count > 0 && 2 * (ticks - lastMissed) <= interval) {
        FLastRowTicks = lastMissed;
        return false;
    }
    return true;
}

void CChannelSession::ProcessHeld(std::int64_t fromTicks, std::int64_t toTicks)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected) return;
    // The line of a tick that ran after the hold names it already (that tick ran before the
    // poll thread), or will: a tick was due during it.
    if (fromTicks < FGapLineUntil) return;
    const THeldSpan hold{fromTicks, toTicks};
    if (FLastRowTicks >= 0 && !FRecordingSuspended &&
        FLastRowTicks + std::int64_t(FSamplingInterval) * 1000 <= toTicks) {
        FHoldOwed = hold;
        return;
    }
    AddHoldLine(hold);
}

void CChannelSession::AddHoldLine(const THeldSpan& hold)
{
    FGapLineUntil = hold.To;
    AddProtocolLine(ChannelText(RowProgramWasHeld, {FormatDateTime("hh:nn:ss", ElapsedWallClock(hold.From)),
                                                    FormatDateTime("hh:nn:ss", ElapsedWallClock(hold.To)),
                                                    FormatFloat("0.0", double(hold.To - hold.From) / 1000.0)}));
}

AnsiString CChannelSession::UpdateStatusText()
{
    NOX_ASSERT_UI_THREAD();
    FValuesShownCurrent = false;
    CChannel* channel = FChannelObject.get();
    // A fault the poll thread reported since the last tick, a request that has waited out
    // its time-out (at a short interval the time-out itself comes only after the next
    // tick), or values older than the cycle may make them: all count towards the warning,
    // once for the tick (a fault the poll thread went past was counted when it did).
    const bool counted = std::exchange(FFaultCounted, false);
    const std::uint8_t passedFault = channel ? channel->FaultUncounted.exchange(0) : 0;
    const bool passed = passedFault != 0;
    if (passed && !counted) CountErrorTick(passedFault == CChannel::FaultPassedAnswered);
    if (channel && channel->CommError.exchange(0) != 0) {
        if (!counted && !passed) CountErrorTick(channel->AnsweredSinceFault());
        return ChannelText(RowErrorExclamation);
    }
    // A request that has waited out its read time-out fails; values not renewed for longer
    // than the unit's cycle may take are too old to be recorded as current.
    if (channel && (channel->RequestOverdue() || channel->ValuesTooOld())) {
        // The unit is not being read now: whatever it answered before does not end the errors.
        channel->NoteFault();
        if (!counted && !passed) CountErrorTick(channel->AnsweredSinceFault());
        // A request that waits out its time-out is named by the poll thread; values too old
        // without a failed exchange are named here.
        FExplainOwed = !channel->RequestOverdue();
        return ChannelText(RowErrorExclamation);
    }
    // After a fault, until every polled command has been answered again, some values are
    // older than this cycle; so are all of them after the whole process was held (stopped,
    // or the computer slept) until then, and while the poll thread has not run since. The
    // count neither grows nor starts again: these ticks are errors, but no new fault was seen.
    // A fault the poll thread went past is no error of this point by itself: once every
    // polled command has been answered after it, the values are the unit's current ones.
    if (channel && (channel->ValuesOutdated == 1 || channel->PollThreadHeld())) {
        FExplainOwed = true;
        return ChannelText(RowErrorExclamation);
    }
    FValuesShownCurrent = true;
    if (FTickCount == 0) {
        AddProtocolLine(ChannelText(RowNewRecordingStarted));
        return FSeries[0] && FSeries[0]->Count() > 0 ? ChannelText(RowNewDataRecording) : AnsiString();
    }
    if (!FWarningOpen) {
        FErrorTicks = 0;
        FErrorsSinceTicks = -1;
        if (channel) channel->TakeFirstFaultTicks();
    }
    return {};
}

void CChannelSession::ExplainErrorRow()
{
    if (!std::exchange(FExplainOwed, false) || FValuesShownCurrent || FProtocolLines != FProtocolLinesAtGood) return;
    AddProtocolLine(ChannelText(RowValuesNotRenewed, {FormatDateTime("hh:nn:ss", ElapsedWallClock(FLastGoodTicks))}));
}

bool CChannelSession::IsErrorLabel(const AnsiString& label)
{
    AnsiString text;
    for (int language : {0, 1})
        if (label == CLanguage::Instance()->LookupText(language, RowErrorExclamation, text)) return true;
    return false;
}

std::optional<double> CChannelSession::UnitSetpoint() const
{
    NOX_ASSERT_UI_THREAD();
    const CChannel* channel = FChannelObject.get();
    if (!FConnected || !channel) return std::nullopt;
    // A setpoint just given is what the unit is getting: an older reply does not say otherwise.
    if (const std::optional<double> given = channel->ExpectedSetpoint()) return given;
    if (!channel->SetpointRead() || !FValuesShownCurrent) return std::nullopt;
    return channel->SeriesValue(2);
}

std::optional<double> CChannelSession::LastKnownUnitSetpoint() const
{
    NOX_ASSERT_UI_THREAD();
    const CChannel* channel = FChannelObject.get();
    if (!FConnected || !channel) return std::nullopt;
    if (const std::optional<double> given = channel->ExpectedSetpoint()) return given;
    if (!channel->SetpointRead()) return std::nullopt;
    return channel->SeriesValue(2);
}

void CChannelSession::FaultPassed()
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return;
    const std::uint8_t passed = FChannelObject->FaultUncounted.exchange(0);
    if (passed == 0) return;
    if (!std::exchange(FFaultCounted, true)) CountErrorTick(passed == CChannel::FaultPassedAnswered);
}

void CChannelSession::CountErrorTick(bool answeredAgain)
{
    CChannel* channel = FChannelObject.get();
    const std::int64_t now = platform::clock().MilliTicks();
    const std::int64_t firstFault = channel ? channel->TakeFirstFaultTicks() : -1;
    if (FErrorsSinceTicks < 0) FErrorsSinceTicks = firstFault >= 0 ? std::min(firstFault, now) : now;
    if (FErrorTicks != -1) ++FErrorTicks;
    // A tick or a command may count a fault long after it happened (a minute's interval):
    // a unit that has answered since is back, and the warning would send the user to a link
    // that works. Were it silent again, the next error tick warns.
    if (answeredAgain) return;
    if (FErrorTicks >= ErrorWarningSeconds / FSamplingInterval && !FWarningOpen) {
        FErrorTicks = -1;
        FWarningOpen = true;
        // With several channels open the user must see which unit went silent, and the
        // channel's own protocol keeps it; both say since when.
        const TDateTime since = ElapsedWallClock(FErrorsSinceTicks);
        const bool sameDay = int(since) == int(ElapsedWallClock(now));
        AnsiString text = ChannelText(RowTooManyCommErrors) + " " + ChannelText(RowCommErrorsSince);
        if (const auto at = text.find("$1"); at != AnsiString::npos)
            text.replace(at, 2, FormatDateTime(sameDay ? "hh:nn:ss" : "dd.mm.yyyy hh:nn:ss", since));
        AddProtocolLine(" " + text);
        ShowNotice(ChannelName() + "\n\n" + text, ChannelText(RowWarning), [this] {
            FWarningOpen = false;
            FErrorTicks = 0;
        });
    }
}

void CChannelSession::ShowNotice(const AnsiString& text, const AnsiString& caption, std::function<void()> closed)
{
    if (OnNotice) {
        OnNotice(text, caption, std::move(closed));
        return;
    }
    // After the tick: a box inside it would hold up this tick's work.
    std::weak_ptr<bool> alive = FAlive;
    platform::UiDispatcher::Instance().Post(
        [alive, text, caption, closed = std::move(closed)] {
            platform::dialogs().MessageBox(text, caption, MB_OK);
            if (auto a = alive.lock(); a && *a && closed) closed();
        },
        QueuedWorkFailed());
}

std::function<void(const std::string&)> CChannelSession::QueuedWorkFailed()
{
    std::weak_ptr<bool> alive = FAlive;
    return [this, alive](const std::string& what) {
        if (auto a = alive.lock(); a && *a) AddProtocolLine(ChannelText(RowInternalError, {AnsiString(what)}));
    };
}

void CChannelSession::AddProtocolLine(const AnsiString& text)
{
    AddMemoLine(TSessionMemo::SerialData, CChannel::ErrorLine(text));
}

AnsiString CChannelSession::ChannelName() const
{
    const AnsiString label = OnChannelLabel ? OnChannelLabel() : FChannelLabel;
    return ChannelText(RowChannel) + IntToStr(FChannel) + (label.empty() ? AnsiString() : " (" + label + ")");
}

// ---------------------------------------------------------------- parts and saves

void CChannelSession::PartAndSaveDecision()
{
    NOX_ASSERT_UI_THREAD();
    PartAndSaveDecision(platform::clock().MilliTicks());
}

void CChannelSession::PartAndSaveDecision(std::int64_t ticks)
{
    NOX_ASSERT_UI_THREAD();
    if (FRolloverPending) return;  // the ending part is being written; its result decides
    const std::int64_t age = (ticks - FPartStartTicks) / 1000;
    // A part at least 12 hours old ends, however much older it got while no tick ran. A
    // part whose last write failed is tried again at the next save check only.
    if (age >= PartSeconds && (!FRolloverFailed || FTicksSinceSave >= TicksBetweenSaves)) {
        FTicksSinceSave = 0;
        BeginRollover(ticks);
    } else if (FTicksSinceSave >= TicksBetweenSaves) {
        FTicksSinceSave = 0;
        SaveRecording();
    }
}

bool CChannelSession::NoteReplacedPartFile(bool giveUp)
{
    if (FPartWritten) return true;
    if (FPartNumber > 1) {
        // Looked for before the part's first write, so a file found is an earlier
        // recording's; on a thread of its own, as a drive that does not answer would hold
        // every channel's ticks. It is waited for briefly when it starts and when the write
        // can wait no longer; the ticks between only ask whether it came back.
        const bool fresh = !FReplacedLook;
        if (fresh) {
            const AnsiString name = PartFileName();
            // A name another user holds is left as it is (the part goes to a free name,
            // which the protocol names): nothing is replaced there.
            FReplacedLook = std::make_shared<platform::TFileLook>([name] {
                platform::FileAccessPoint(name, false);
                return FileExists(name) && !platform::HeldByAnotherUser(name) ? std::string("exists") : std::string();
            });
        }
        const bool answered =
            fresh || giveUp ? FReplacedLook->Wait(platform::BriefFileLookMs) : FReplacedLook->Answered();
        if (!answered && !giveUp) return false;
        if (answered && !FReplacedLook->Answer().empty())
            AddProtocolLine(ChannelText(RowExistingFileReplaced, {PartFileName()}));
        FReplacedLook.reset();
    }
    FPartWritten = true;
    return true;
}

void CChannelSession::WriteCurrentPart(std::function<void(bool)> done, TPartFileUse use, bool quiet)
{
    NoteReplacedPartFile(true);
    const AnsiString name = PartFileName();
    const std::int64_t ticks = platform::clock().MilliTicks();
    // The save takes the whole recording as it is now: the rows after it are appended.
    if (use == TPartFileUse::Growing) {
        FPartFile = TPartFile::Growing;
        FGrowingName = name;
        FGrowRows = FSeries[0] ? FSeries[0]->Count() : 0;
        FGrowProtocolLines = Memo(TSessionMemo::SerialData).size();
        FGrowMemoChanges = FMemoChanges;
        FGrowProgrammerProtocol = FProgrammerMode && Settings.LogFile;
    }
    std::weak_ptr<bool> alive = FAlive;
    auto failed = [this, alive, name, quiet, ticks](const std::string& error) {
        auto a = alive.lock();
        if (!a || !*a) return;
        // A failure the save's own box and line reported is not reported again for the
        // growing file.
        if (!quiet) FGrowFailureShown = true;
        PartFileFailed(name, error, ticks);
    };
    TDataFileSaveQueue::Instance().Save(
        this, FChannel,
        [this, alive, name, quiet, done = std::move(done)](bool ok) {
            auto a = alive.lock();
            if (!a || !*a) return;
            if (!ok && !quiet) AddProtocolLine(" " + ChannelText(RowSavingFailed) + " " + name);
            if (ok && name == FGrowingName) {
                FGrowFailureShown = false;
                PartFileWrittenAgain(name);
            }
            // The part is on disk after all: an end of it that failed before is not held
            // back until the next save check any more.
            if (ok && !quiet && name == PartFileName()) {
                FRolloverFailed = false;
                FUnsavedPart.reset();
            }
            if (done) done(ok);
        },
        use, quiet, failed, QueuedWorkFailed(), SaveNoted(), FRecordingFolder);
}

std::function<void(const std::vector<platform::TSideFileNote>&)> CChannelSession::SaveNoted()
{
    // What the save did with the side files of cut-off writes in the folder goes into the
    // protocol: a write of an earlier run finished, or an earlier file's unfinished write,
    // which fits no file under the name any more, kept under a name of its own. A part
    // saved under a free name, as another user holds its own, is also shown in a box, once
    // for each name.
    std::weak_ptr<bool> alive = FAlive;
    return [this, alive](const std::vector<platform::TSideFileNote>& notes) {
        auto a = alive.lock();
        if (!a || !*a) return;
        for (const platform::TSideFileNote& n : notes) {
            if (n.Kind == platform::TSideFileNote::TKind::SavedUnderFreeName) {
                if (n.File == PartFileName()) PartSavedAs(n.SideFile);
                if (FFreeNameShown == n.SideFile) continue;
                FFreeNameShown = n.SideFile;
                AnsiString text = ChannelText(RowSavedUnderFreeName);
                for (const auto& [mark, value] : {std::pair<const char*, AnsiString>("$1", n.File), {"$2", n.SideFile}})
                    if (const auto at = text.find(mark); at != AnsiString::npos) text.replace(at, 2, value);
                AddProtocolLine(" " + text);
                ShowWhereNotice(text);
                continue;
            }
            if (n.Kind == platform::TSideFileNote::TKind::SavedInFolderMadeIn) {
                const std::string key = n.File + "\n" + n.SideFile;
                if (FSavedInFolderShown == key) continue;
                FSavedInFolderShown = key;
                const AnsiString text = ChannelText(RowSavedInFolderMadeIn, {n.SideFile, n.File});
                AddProtocolLine(" " + text);
                // A part's end and the next part's first write at once say the same: one box
                // for each place the folder is found at, a protocol line for each file.
                if (FSavedInFolderBox != n.SideFile) ShowWhereNotice(text);
                FSavedInFolderBox = n.SideFile;
                continue;
            }
            const bool aside = n.Kind == platform::TSideFileNote::TKind::SetAside;
            AnsiString text = ChannelText(aside ? RowSideFileKeptAside : RowCutWriteFinished);
            if (const auto dollar = text.find('$'); dollar != AnsiString::npos)
                text.replace(dollar, 1, aside ? n.SideFile : n.File);
            AddProtocolLine(" " + text);
        }
    };
}

void CChannelSession::CheckDataFolder()
{
    // On a thread of its own: a folder on a share that stopped answering would hold every
    // channel's ticks. A drive that answers at all answers before the first row is written.
    const AnsiString name = PartFileName();
    const int check = ++FFolderChecks;
    FFolderCheckPending = true;
    FFailureAfterCheck.reset();
    auto look = std::make_shared<platform::TFileLook>([name] {
        platform::FileAccessPoint(name, false);
        std::string error;
        // A name another user holds is left as it is and the part is saved under a free name
        // beside it, which its save tells: only the folder must take a new file.
        const std::string checked =
            platform::HeldByAnotherUser(name) ? std::string(name.substr(0, name.rfind('/') + 1)) : std::string(name);
        if (platform::CheckWritable(checked, &error) && platform::CheckFreeSpace(checked, MinimumFreeBytes, &error))
            return std::string();
        return error.empty() ? std::string("?") : error;
    });
    look->Wait(platform::BriefFileLookMs);
    std::weak_ptr<bool> alive = FAlive;
    look->WhenAnswered([this, alive, check, name](const std::string& error) {
        auto a = alive.lock();
        if (a && *a && check == FFolderChecks) DataFolderChecked(name, error);
    });
}

void CChannelSession::DataFolderChecked(const AnsiString& name, const std::string& error)
{
    FFolderCheckPending = false;
    const std::optional<std::pair<AnsiString, std::string>> failure = std::exchange(FFailureAfterCheck, std::nullopt);
    if (error.empty()) {
        if (failure) ReportPartFileFailure(failure->first, failure->second);
        return;
    }
    FGrowFailureShown = true;
    FPartFileTrouble = TPartFileTrouble::Failed;
    AddProtocolLine(" " + ChannelText(RowMakingFileFailed) + " " + name + " (" + error + ")");
    ShowFileNotice(ChannelText(RowMakingFileFailed) + "\n" + name + "\n" + error);
}

void CChannelSession::ShowFileNotice(const AnsiString& text)
{
    if (OnFileNotice)
        OnFileNotice(text, ChannelText(RowError));
    else
        ShowNotice(text, ChannelText(RowError), {});
}

void CChannelSession::PartFileWrittenAgain(const AnsiString& name)
{
    const TPartFileTrouble trouble = std::exchange(FPartFileTrouble, TPartFileTrouble::None);
    if (trouble == TPartFileTrouble::None) return;
    AddProtocolLine(" " + ChannelText(trouble == TPartFileTrouble::Gone ? RowDataFileRecreated : RowWritingResumed) +
                    " " + (name == PartFileName() ? WrittenPartFileName() : name));
    // A file that was only behind had no box.
    if (OnFileNoticeStale && trouble != TPartFileTrouble::Behind) OnFileNoticeStale();
}

void CChannelSession::PartSavedAs(const AnsiString& free)
{
    if (FPartWrittenAs == free) return;
    const AnsiString was = WrittenPartFileName();
    FPartWrittenAs = free;
    std::vector<AnsiString> info = Memo(TSessionMemo::Info);
    for (AnsiString& line : info)
        if (line == was) line = free;
    SetMemo(TSessionMemo::Info, info);
    const AnsiString current = ChannelText(RowCurrentFileName);
    for (AnsiString& line : FTitleLines)
        if (line.rfind(current, 0) == 0) line = current + free.substr(free.rfind('/') + 1);
    TitleChanged();
}

void CChannelSession::ShowWhereNotice(const AnsiString& text)
{
    // Not the file notice, which a later write withdraws: the user must learn where the data are.
    if (FClosing)
        platform::dialogs().MessageBox(text, ChannelText(RowNotice), MB_OK | MB_ICONINFORMATION);
    else
        ShowNotice(text, ChannelText(RowNotice), {});
}

void CChannelSession::ResetPartFile()
{
    if (!FGrowingName.empty()) TDataFileSaveQueue::Instance().EndGrowing(FGrowingName);
    FGrowingName.clear();
    FPartFile = TPartFile::None;
    FGrowRows = 0;
    FGrowProtocolLines = 0;
}

void CChannelSession::PartFileFailed(const AnsiString& name, const std::string& error, std::int64_t ticks)
{
    if (name != FGrowingName) return;
    FPartFile = TPartFile::Retry;
    FPartFileTrouble = TPartFileTrouble::Failed;
    FGrowRetryTicks = ticks + GrowRetryMs;
    if (FGrowFailureShown) return;
    // The folder's own check says it first, when it finds the cause.
    if (FFolderCheckPending) {
        FFailureAfterCheck.emplace(name, error);
        return;
    }
    ReportPartFileFailure(name, error);
}

void CChannelSession::ReportPartFileFailure(const AnsiString& name, const std::string& error)
{
    if (FGrowFailureShown) return;
    FGrowFailureShown = true;
    AddProtocolLine(" " + ChannelText(RowSavingFailed) + " " + name + " (" + error + ")");
    ShowFileNotice(ChannelText(RowSavingFailed) + "\n" + error);
}

void CChannelSession::SideFileBlocked(const AnsiString& name, const std::string& blocker, bool earlierWrite)
{
    // A whole write never goes through the side file's name: the file is written whole at
    // the next tick, and so at every write until what is in the way is removed. The user
    // hears of it once for each file in the way.
    FPartFile = TPartFile::None;
    FileNoticeOnce(FSideFileBlocker, blocker, earlierWrite ? RowEarlierWriteInTheWay : RowSideFileBlocked, blocker,
                   name);
}

void CChannelSession::PartFolderReplaced(const AnsiString& name, const std::string& folder)
{
    // A part made in the folder after it was moved was made there on purpose, and its save
    // said so already (SaveNoted).
    if (FSavedInFolderShown.rfind(std::string(name) + "\n", 0) == 0) return;
    const std::string key = std::string(name) + "\n" + folder;
    if (FReplacedFolder == key) return;
    FReplacedFolder = key;
    // Nothing failed: the recording goes on where it was made, and the user must learn where.
    const AnsiString text = ChannelText(RowFolderReplaced, {AnsiString(folder), name});
    AddProtocolLine(" " + text);
    ShowWhereNotice(text);
}

void CChannelSession::FileNoticeOnce(std::string& last, const std::string& key, resources::TextRow row,
                                     const std::string& one, const AnsiString& two)
{
    if (last == key) return;
    last = key;
    AnsiString text = ChannelText(row);
    for (const auto& [mark, value] : {std::pair<const char*, AnsiString>("$1", one), {"$2", two}})
        for (auto at = text.find(mark); at != AnsiString::npos; at = text.find(mark, at + value.size()))
            text.replace(at, 2, value);
    AddProtocolLine(" " + text);
    ShowFileNotice(text);
}

void CChannelSession::RecordedPointChanged(int index)
{
    NOX_ASSERT_UI_THREAD();
    if (FPartFile == TPartFile::Growing && index >= 0) FGrowRows = std::min(FGrowRows, index);
}

void CChannelSession::GrowPartFile(std::int64_t ticks)
{
    // While the ending part is written, what the ticks take belongs to the next part.
    if (FRolloverPending || !FConnected) return;
    NoteFileBehind(ticks);
    // A timer may fire a little early: half an interval early counts as on time.
    if (FPartFile == TPartFile::Retry && ticks < FGrowRetryTicks - std::int64_t(FSamplingInterval) * 500) return;
    if (FPartFile != TPartFile::Growing) {
        // The file is written whole the first time (once it is known whether an earlier
        // recording's file is replaced), and when it has to be again; quietly, as its
        // failure is reported once (PartFileFailed).
        if (!NoteReplacedPartFile(false)) return;
        WriteCurrentPart({}, TPartFileUse::Growing, true);
        return;
    }
    TGrowingRows rows;
    rows.Path = FGrowingName;
    rows.FirstRow = FGrowRows;
    rows.Ticks = ticks;
    rows.ReportWritten = FPartFileTrouble == TPartFileTrouble::Behind;
    rows.Data = CaptureRecordedRows(*this, FGrowingName, FGrowRows);
    FGrowRows += int(rows.Data.X.size());
    const std::vector<AnsiString>& protocol = Memo(TSessionMemo::SerialData);
    if (FGrowProtocolLines != protocol.size()) {
        // Lines are only ever added, unless the protocol was set anew (then all go again).
        const std::size_t from = FGrowProtocolLines > protocol.size() ? 0 : FGrowProtocolLines;
        rows.ProtocolFrom = int(from);
        rows.Data.EventProtocol.assign(protocol.begin() + std::ptrdiff_t(from), protocol.end());
        FGrowProtocolLines = protocol.size();
    }
    const bool programmerProtocol = FProgrammerMode && Settings.LogFile;
    if (FGrowMemoChanges != FMemoChanges || FGrowProgrammerProtocol != programmerProtocol) {
        rows.OtherMemos = true;
        CaptureOtherMemos(*this, rows.Data);
        FGrowMemoChanges = FMemoChanges;
        FGrowProgrammerProtocol = programmerProtocol;
    }
    std::weak_ptr<bool> alive = FAlive;
    const AnsiString name = FGrowingName;
    TDataFileSaveQueue::Instance().Append(
        std::move(rows),
        [this, alive, name, ticks](TGrowResult result, const std::string& error) {
            auto a = alive.lock();
            if (!a || !*a || name != FGrowingName || FPartFile != TPartFile::Growing) return;
            if (result == TGrowResult::Written && FPartFileTrouble == TPartFileTrouble::Behind)
                PartFileWrittenAgain(name);
            if (result == TGrowResult::Rewrite || result == TGrowResult::Gone)
                FPartFile = TPartFile::None;  // written whole at the next tick
            if (result == TGrowResult::Gone &&
                (FPartFileTrouble == TPartFileTrouble::None || FPartFileTrouble == TPartFileTrouble::Behind))
                FPartFileTrouble = TPartFileTrouble::Gone;
            else if (result == TGrowResult::Failed)
                PartFileFailed(name, error, ticks);
            else if (result == TGrowResult::SideFileBlocked || result == TGrowResult::EarlierWriteInTheWay)
                SideFileBlocked(name, error, result == TGrowResult::EarlierWriteInTheWay);
            else if (result == TGrowResult::FolderReplaced)
                PartFolderReplaced(name, error);
        },
        QueuedWorkFailed());
}

void CChannelSession::NoteFileBehind(std::int64_t ticks)
{
    // A drive that stopped answering holds the file's write, and the rows wait in the
    // program: the user hears of it once it has held them a minute, and when they are written.
    // A write that fails is no write that waits: its failure was reported already.
    if (FGrowingName.empty() || FPartFileTrouble != TPartFileTrouble::None) return;
    const std::int64_t since = TDataFileSaveQueue::Instance().RunningSince(FGrowingName);
    if (since < 0 || ticks - since < FileBehindMs) return;
    FPartFileTrouble = TPartFileTrouble::Behind;
    AddProtocolLine(" " + ChannelText(RowDataFileBehind) + " " +
                    (FGrowingName == PartFileName() ? WrittenPartFileName() : FGrowingName));
}

void CChannelSession::StartNewPartNow()
{
    if (!FConnected || FRolloverPending) return;
    FTicksSinceSave = 0;
    BeginRollover(platform::clock().MilliTicks());
}

void CChannelSession::SaveRecording(std::function<void(bool)> done)
{
    NOX_ASSERT_UI_THREAD();
    // While the ending part is being written, another write of it would put the points
    // that already belong to the next part into it as well: its last write answers instead.
    if (FRolloverPending) {
        if (done) FRolloverWaiters.push_back(std::move(done));
        return;
    }
    WriteCurrentPart(std::move(done), TPartFileUse::Growing, false);
}

void CChannelSession::BeginRollover(std::int64_t ticks)
{
    // The part is written as it is now; what the ticks add meanwhile belongs to the next
    // part. Nothing is cleared before the write succeeded.
    FRolloverPending = true;
    // The note goes into the ending part's file only: it counts among the lines that leave.
    NoteReplacedPartFile(true);
    const int written = FSeries[0] ? FSeries[0]->Count() : 0;
    const std::size_t protocolLines = Memo(TSessionMemo::SerialData).size();
    const TDateTime partStart = ElapsedWallClock(ticks);
    const AnsiString name = PartFileName();
    WriteCurrentPart(
        [this, written, protocolLines, partStart, ticks, name](bool ok) {
            FRolloverPending = false;
            const std::vector<std::function<void(bool)>> waiters = std::exchange(FRolloverWaiters, {});
            // A written part has already cleared its failure marks (WriteCurrentPart).
            if (!ok) {
                FRolloverFailed = true;
                FUnsavedPart = name;
            } else {
                StartNewFilePart(written, protocolLines, partStart, ticks);
            }
            for (const auto& waiter : waiters) waiter(ok);
        },
        TPartFileUse::Final, false);
}

void CChannelSession::StartNewFilePart(int written, std::size_t protocolLines, TDateTime partStart, std::int64_t ticks)
{
    FPartStartTime = partStart;
    FPartStartTicks = ticks;
    ++FPartNumber;
    FPartWritten = false;
    FPartWrittenAs.clear();
    FReplacedLook.reset();
    ResetPartFile();
    FGrowFailureShown = false;

    // The new part's time origin; points taken after the old part was captured move to it.
    const TDateTime oldOrigin = FTimeOrigin;
    FTimeOrigin = FAbsoluteTimeAxis ? 0.0 : partStart - std::floor(partStart);
    const double shift = oldOrigin - FTimeOrigin;
    // The series that are not recorded (the programmer's planned setpoints run ahead of
    // the recording) are cut at the old part's last recorded time instead.
    const TFastLineSeries* first = FSeries[0];
    const bool cut = first && written > 0 && written <= first->Count();
    const TDateTime lastOld = cut ? first->GetxValue(written - 1) : 0.0;
    for (int k = ValueSeriesTotal; k < ChannelSeriesCount; ++k) {
        TFastLineSeries* s = FSeries[std::size_t(k)];
        if (!s || s->Count() == 0) continue;
        int n = 0;
        while (cut && n < s->Count() && s->GetxValue(n) <= lastOld) ++n;
        if (n > 0) s->Delete(0, n);
        for (int i = 0; i < s->Count(); ++i) s->SetXValue(i, s->GetxValue(i) + shift);
    }
    for (int k = 0; k < FSeriesCount && k < ChannelSeriesCount; ++k) {
        TFastLineSeries* s = FSeries[std::size_t(k)];
        if (!s) continue;
        const int n = std::min(written, s->Count());
        if (n >= s->Count())
            s->Clear();
        else if (n > 0)
            s->Delete(0, n);
        for (int i = 0; i < s->Count(); ++i) s->SetXValue(i, s->GetxValue(i) + shift);
    }

    // In the programmer view the new part starts with the unit's values of its first moment,
    // so the program's time (recorded against planned) goes on without a gap.
    if (FProgrammerMode && FChannelObject)
        for (int k = 0; k < ValueSeriesTotal; ++k) {
            TFastLineSeries* s = FSeries[std::size_t(k)];
            if (s && s->Tag == 1 && s->Count() == 0)
                s->AddXY(partStart - FTimeOrigin, FChannelObject->SeriesValue(k), AnsiString());
        }

    std::vector<AnsiString> protocol = Memo(TSessionMemo::SerialData);
    protocol.erase(protocol.begin(), protocol.begin() + std::ptrdiff_t(std::min(protocolLines, protocol.size())));
    SetMemo(TSessionMemo::SerialData, protocol);
    const AnsiString serial = IntToStr(std::int64_t(FSerialNumber));
    SetMemo(TSessionMemo::Info, {ChannelText(RowFileName), PartFileName(), ChannelText(RowSerialNumberLabel), serial});
    const AnsiString firstLine = FTitleLines.empty() ? AnsiString() : FTitleLines[0];
    FTitleLines = {firstLine,
                   ChannelText(RowCurrentFileName) + FDataFileShortName + "_" + IntToStr(FChannel) +
                       IntToStr(FPartNumber) + ".csv",
                   ChannelText(RowSerialNumberLabel) + serial};
    TitleChanged();
    AddProtocolLine(" " + ChannelText(RowFileName) + " " + PartFileName());
    if (OnTimeAxisStarted) OnTimeAxisStarted(FAbsoluteTimeAxis ? partStart : std::floor(partStart));
}

// ---------------------------------------------------------------- the program's commands

TCommandHandOver CChannelSession::SendProgramCommands(const AnsiString& command, const AnsiString& outputs, bool once,
                                                      bool program)
{
    return SendProgramPair(command, outputs, once, program);
}

TCommandHandOver CChannelSession::SendProgramCommandsAtOnce(const AnsiString& command, const AnsiString& outputs)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return TCommandHandOver::Refused;
    // The pair stands at once in place of anything the program gave before (a cycle loaded
    // with an older frame carries this one), then goes in cycles of its own.
    WithdrawProgramCommands(command, outputs);
    SendProgramPair(command, outputs, true, true);
    return SendProgramPair(command, outputs, false, true);
}

void CChannelSession::WithdrawProgramCommands(const AnsiString& command, const AnsiString& outputs)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return;
    const int address = FChannelObject->GetAddress();
    FChannelObject->SetpointFrameWithdrawn();
    FCommands.ReplaceStanding(
        *FChannelObject,
        {CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(address) + command, address),
         CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(address) + outputs, address), 24, false, true});
    CommandsChanged();
}

TCommandHandOver CChannelSession::SendProgramPair(const AnsiString& command, const AnsiString& outputs, bool once,
                                                  bool program)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return TCommandHandOver::Refused;
    const int address = FChannelObject->GetAddress();
    const AnsiString frame = CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(address) + command, address);
    const auto result = QueueDeviceCommand(
        frame, command.compare(0, 1, "L") == 0 ? 26 : 24,
        CTolvarProtocol::BuildDeviceFrame("[M" + IntToStr(address) + outputs, address), once, program);
    // The run goes on without the user at hand: what it could not give the unit is in the
    // protocol. A standing command refused is given again with the next tick.
    if (once && result == DeviceCommandQueue::TResult::LinkLost)
        AddProtocolLine(" " + ChannelText(RowNotSentConnectionLost) + " " + CommandName(frame));
    else if (once && result == DeviceCommandQueue::TResult::Full)
        AddProtocolLine(" " + ChannelText(RowNotSentTooManyWaiting) + " " + CommandName(frame));
    // A one-shot command (the end action) that did not go, or any that cannot go at all, is
    // refused; a standing one is given again with the next tick.
    if (result == DeviceCommandQueue::TResult::NoPollThread || (once && result != DeviceCommandQueue::TResult::Taken))
        return TCommandHandOver::Refused;
    return FCommands.Empty() ? TCommandHandOver::Taken : TCommandHandOver::Waiting;
}

DeviceCommandQueue::TResult CChannelSession::QueueDeviceCommand(const AnsiString& frame, int replyLength,
                                                                const AnsiString& followUp, bool once, bool program)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return DeviceCommandQueue::TResult::NoPollThread;
    const auto result = FCommands.Add(*FChannelObject, {frame, followUp, replyLength, once, program});
    if (result == DeviceCommandQueue::TResult::Taken) FChannelObject->ExpectSetpoint(frame);
    // Counted once it may go: taken now or kept for a later cycle.
    if (result == DeviceCommandQueue::TResult::Taken && IsControlOffFrame(frame)) FControlOffMark = ++ControlOffCounter;
    CommandsChanged();
    return result;
}

AnsiString CChannelSession::UnsentCommandNames(const AnsiString& handed) const
{
    AnsiString names;
    auto add = [&](const AnsiString& frame) {
        const int group = CChannel::CommandGroupOf(frame);
        if (frame.empty() || group == 1 || group == 6 || group == 8) return;
        names += (names.empty() ? "" : "; ") + CommandName(frame);
    };
    add(handed);
    for (const DeviceCommandQueue::TCommand& c : FCommands.Waiting())
        if (c.Once) add(c.Frame);
    return names;
}

AnsiString CChannelSession::UnsentCommandNames() const
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return {};
    return UnsentCommandNames(FChannelObject->UnsentOneShot());
}

void CChannelSession::DropUnsentCommands()
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected || !FChannelObject) return;
    // Nothing more is handed over, and the one handed over last does not go either.
    const AnsiString names = UnsentCommandNames(FChannelObject->DropUnsentOneShot());
    FCommands.Clear();
    if (FCommandTimer) FCommandTimer->stop();
    if (!names.empty()) AddProtocolLine(" " + ChannelText(RowNotSentChannelClosed) + " " + names);
}

std::optional<double> CChannelSession::SetpointTaken() const
{
    NOX_ASSERT_UI_THREAD();
    return FConnected && FChannelObject ? FChannelObject->SetpointTaken() : std::nullopt;
}

AnsiString CChannelSession::CommandName(const AnsiString& frame) const
{
    return DeviceCommandQueue::CommandName(frame, FChannelObject && FChannelObject->IsUnsignedDevice());
}

void CChannelSession::SetControlStatus(const AnsiString& status)
{
    NOX_ASSERT_UI_THREAD();
    FControlStatus = status;
    // The reply's values are stored before its status is handed over.
    ++FStatusReplies;
    FStatusExchange = FChannelObject ? FChannelObject->ReplyExchange() : 0;
    FStatusOffMark = ControlOffCount();
    if (FStatusSetpoints.size() >= 8) FStatusSetpoints.erase(FStatusSetpoints.begin());
    FStatusSetpoints.emplace_back(FStatusReplies, FChannelObject ? FChannelObject->SeriesValue(2) : 0.0);
    if (OnStatusReply) OnStatusReply();
}

std::uint64_t CChannelSession::ControlOffCount()
{
    NOX_ASSERT_UI_THREAD();
    return ControlOffCounter;
}

bool CChannelSession::SameUnit(const CChannelSession& other) const
{
    if (&other == this) return true;
    if (FIdle || other.FIdle || !FChannelObject || !other.FChannelObject) return false;
    const auto* mine = dynamic_cast<const CTCPIP*>(FChannelObject.get());
    const auto* theirs = dynamic_cast<const CTCPIP*>(other.FChannelObject.get());
    return mine && theirs && mine->IPAddress == theirs->IPAddress && mine->TCPPort == theirs->TCPPort;
}

bool CChannelSession::ControlOffSince(std::uint64_t mark) const
{
    NOX_ASSERT_UI_THREAD();
    if (FControlOffMark > mark) return true;
    for (int c = 1; c <= MaxChannels; ++c)
        if (const CChannelSession* s = Of(c); s && s != this && s->FControlOffMark > mark && SameUnit(*s)) return true;
    return false;
}

std::optional<double> CChannelSession::StatusReplySetpoint(std::uint64_t number) const
{
    NOX_ASSERT_UI_THREAD();
    for (const auto& [n, value] : FStatusSetpoints)
        if (n == number) return value;
    return std::nullopt;
}

void CChannelSession::NoteUnanswered(const AnsiString& frame)
{
    ++FUnansweredCommands;
    if (FUnansweredFrames.size() >= 8) FUnansweredFrames.erase(FUnansweredFrames.begin());
    FUnansweredFrames.emplace_back(FUnansweredCommands, frame);
}

std::vector<AnsiString> CChannelSession::UnansweredCommandsSince(std::uint64_t mark) const
{
    NOX_ASSERT_UI_THREAD();
    std::vector<AnsiString> out;
    for (const auto& [n, frame] : FUnansweredFrames)
        if (n > mark) out.push_back(frame);
    return out;
}

void CChannelSession::ConnectionLost(const TCommandOnLoss& command)
{
    NOX_ASSERT_UI_THREAD();
    // Each command the loss cut off is named with what the unit got of it: nothing, the
    // frame without an answer (it may have taken it), or the frame and its answer (the
    // second cycle no longer goes). The user who confirmed it hears of it as of one that
    // could not go in time.
    AnsiString notSent, unanswered, answered;
    auto add = [&](AnsiString& names, const AnsiString& frame) {
        names += (names.empty() ? "" : "; ") + CommandName(frame);
    };
    // What the unit has now only its replies tell, once it answers again.
    if (FChannelObject) FChannelObject->ForgetExpectedSetpoint();
    if (!command.Frame.empty()) {
        add(command.Sent == 0 ? notSent : command.Answered > 0 ? answered : unanswered, command.Frame);
        if (command.Answered == 0) NoteUnanswered(command.Frame);
    }
    for (const DeviceCommandQueue::TCommand& c : FCommands.DropOneShots()) {
        add(notSent, c.Frame);
        NoteUnanswered(c.Frame);
    }
    AnsiString message;
    const std::pair<TextRow, AnsiString> fates[] = {{RowNotSentConnectionLost, notSent},
                                                    {RowSentUnansweredConnectionLost, unanswered},
                                                    {RowSentAnsweredConnectionLost, answered}};
    for (const auto& [row, names] : fates) {
        if (names.empty()) continue;
        const AnsiString line = ChannelText(row) + " " + names;
        AddProtocolLine(" " + line);
        message += (message.empty() ? "" : "\n") + line;
    }
    if (!notSent.empty() && OnCommandsNotSent) OnCommandsNotSent();
    if (!message.empty()) ShowNotice(ChannelName() + "\n\n" + message, ChannelText(RowWarning), {});
    CommandsChanged();
}

void CChannelSession::CommandUnanswered(const AnsiString& frame)
{
    NOX_ASSERT_UI_THREAD();
    // A query (the limits, the name) changes nothing at the unit: its silence is a fault of
    // the recording only, which the ticks show.
    const int group = CChannel::CommandGroupOf(frame);
    if (group == 1 || group == 6 || group == 8) return;
    NoteUnanswered(frame);
    const AnsiString line = ChannelText(RowSentUnansweredUnitSilent) + " " + CommandName(frame);
    AddProtocolLine(" " + line);
    ShowNotice(ChannelName() + "\n\n" + line, ChannelText(RowWarning), {});
}

void CChannelSession::RequestSetpointLimits()
{
    NOX_ASSERT_UI_THREAD();
    // A query only: without a link the limits known stay, as without a connection.
    if (FChannelObject && FChannelObject->LinkLost()) return;
    SendProgramCommands("L0F********", "C14*************", true);
}

bool CChannelSession::FlushProgramCommands()
{
    NOX_ASSERT_UI_THREAD();
    const bool none = !FChannelObject || FCommands.Flush(*FChannelObject);
    CommandsChanged();
    return none;
}

void CChannelSession::CommandsChanged()
{
    AnsiString replaced;
    for (const DeviceCommandQueue::TCommand& c : FCommands.TakeReplaced())
        replaced += (replaced.empty() ? "" : "; ") + CommandName(c.Frame);
    if (!replaced.empty()) AddProtocolLine(" " + ChannelText(RowNotSentReplaced) + " " + replaced);
    AnsiString names;
    for (const DeviceCommandQueue::TCommand& c : FCommands.TakeDropped()) {
        names += (names.empty() ? "" : "; ") + CommandName(c.Frame);
        if (FChannelObject) FChannelObject->ForgetExpectedSetpoint(c.Frame);
    }
    if (!names.empty()) {
        AnsiString text = ChannelText(RowNotSentInTime);
        if (const auto dollar = text.find('$'); dollar != AnsiString::npos)
            text.replace(dollar, 1, IntToStr(DeviceCommandQueue::MaxWaitMs / 1000));
        AddProtocolLine(" " + text + " " + names);
        if (OnCommandsNotSent) OnCommandsNotSent();
        ShowNotice(ChannelName() + "\n\n" + text + " " + names, ChannelText(RowWarning), {});
    }
    if (FCommands.Empty()) {
        if (FCommandTimer) FCommandTimer->stop();
        return;
    }
    if (!FCommandTimer) {
        FCommandTimer = std::make_unique<QTimer>();
        FCommandTimer->setInterval(1000);
        QObject::connect(FCommandTimer.get(), &QTimer::timeout,
                         [this] { platform::GuardedCall([this] { FlushProgramCommands(); }); });
    }
    if (!FCommandTimer->isActive()) FCommandTimer->start();
}

// ---------------------------------------------------------------- closing

bool CChannelSession::Close()
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected) {
        if (FChannelObject) FChannelObject->Close(FCleanupPending ? 2 : 3);
        FCleanupPending = false;
        DeleteChannelObject();
        return true;
    }
    // A close asked for while the closing save is waited for is that close's business.
    if (FClosing) return false;
    const TScopedValue closing(FClosing, true);
    if (OnTimers) OnTimers(false);
    // The closing save is written on the save queue's thread behind the saves still on their
    // way, so it is the last one. Meanwhile the event loop runs: the other channels go on
    // recording. A drive that does not answer brings up the wait window, which lets the
    // user keep waiting or leave the file unsaved; the recording stays in memory until then.
    const AnsiString name = PartFileName();
    auto result = std::make_shared<std::optional<bool>>();
    auto why = std::make_shared<std::string>();
    TDataFileSaveQueue::Instance().Save(
        this, FChannel, [result](bool ok) { *result = ok; }, TPartFileUse::Final, false,
        [why](const std::string& error) { *why = error; }, {}, SaveNoted(), FRecordingFolder);
    bool waited = WaitForFileSave([result] { return result->has_value(); }, name, ChannelLanguage(),
                                  resources::RowRecordingStaysInMemory);
    bool written = waited && **result;
    if (!waited) AddProtocolLine(" " + ChannelText(resources::RowSavingFailed) + " " + name);
    // Nowhere to write it: the user may choose another place before anything is discarded.
    while (waited && !written && ChannelAskYesNo(ChannelText(RowAskSaveElsewhere, {name, *why}))) {
        platform::FileDialogRequest request;
        request.save = true;
        request.title = ChannelText(RowSaveDataFile);
        request.filter = ChannelText(RowSaveDataFileFilter);
        request.defaultExt = "csv";
        request.fileName = name.substr(name.rfind('/') + 1);
        if (!platform::ChooseFile(request, platform::TFileKind::DataFile) || request.fileName.empty()) break;
        AnsiString chosen = request.fileName;
        if (chosen.size() < 4 || UpperCase(chosen.substr(chosen.size() - 4)) != ".CSV") chosen += ".csv";
        result->reset();
        why->clear();
        TDataFileSaveQueue::Instance().SaveAs(
            this, chosen, WrittenPartFileName(), [result](bool ok) { *result = ok; },
            [why](const std::string& error) { *why = error; });
        waited = WaitForFileSave([result] { return result->has_value(); }, chosen, ChannelLanguage(),
                                 resources::RowRecordingStaysInMemory);
        written = waited && **result;
    }
    if (waited && !written && !ChannelAskYesNo(ChannelText(resources::RowAskDiscardUnsavedRecording))) {
        if (OnTimers) OnTimers(true);
        return false;
    }
    ResetPartFile();
    FChannelObject->Close(3);
    DeleteChannelObject();
    FConnected = false;
    FAxisStartWall = 0;
    FCommands.Clear();
    if (FCommandTimer) FCommandTimer->stop();
    FRecordingSuspended = false;
    FUnsavedPart.reset();
    return true;
}

bool CChannelSession::EndFromOutside(const AnsiString& why, std::function<void(bool)> done)
{
    NOX_ASSERT_UI_THREAD();
    if (!FConnected) return false;
    if (OnTimers) OnTimers(false);
    // `why` says that every row was written: it goes into the file with the rows, and into
    // the protocol here only once they are written, never before a failure of their save.
    const AnsiString ended = StampedOnRowsClock(CChannel::ErrorLine(" " + why));
    const std::size_t endedAt = Memo(TSessionMemo::SerialData).size();
    DropUnsentCommands();
    if (OnEndingFromOutside) OnEndingFromOutside();
    // Nobody may be there to see a box: a save that failed is said on the standard error
    // output, and in the channel's protocol for a later save of it.
    const AnsiString name = PartFileName();
    std::weak_ptr<bool> alive = FAlive;
    done = [this, alive, ended, endedAt, done = std::move(done)](bool ok) {
        auto a = alive.lock();
        if (ok && a && *a) {
            std::vector<AnsiString> protocol = Memo(TSessionMemo::SerialData);
            protocol.insert(protocol.begin() + std::ptrdiff_t(std::min(endedAt, protocol.size())), ended);
            SetMemo(TSessionMemo::SerialData, protocol);
        }
        if (done) done(ok);
    };
    auto failed = [this, alive, name](const std::string& error) {
        std::fprintf(stderr, "The recording of channel %d could not be saved to %s: %s\n", FChannel, name.c_str(),
                     error.c_str());
        auto a = alive.lock();
        if (a && *a) AddProtocolLine(" " + ChannelText(RowSavingFailed) + " " + name + " (" + error + ")");
    };
    const TScopedValue endedLine(FEndedLine, ended);
    const TScopedValue endedLineAt(FEndedLineAt, endedAt);
    TDataFileSaveQueue::Instance().Save(this, FChannel, std::move(done), TPartFileUse::Final, true, failed, {},
                                        SaveNoted(), FRecordingFolder);
    return true;
}
