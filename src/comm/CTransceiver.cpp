#include "comm/CTransceiver.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <utility>
#include <vector>

#include "comm/CChannel.h"
#include "comm/CRS232.h"
#include "comm/CommTiming.h"
#include "comm/DeviceCommandQueue.h"
#include "platform/DateTime.h"
#include "platform/Exception.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

namespace comm {
int ReconnectDelayMs(int attempt)
{
    constexpr int kFirstMs = 3000, kMaxMs = 60000;
    int delay = kFirstMs;
    for (int i = 0; i < attempt && delay < kMaxMs; ++i) delay *= 2;
    return std::min(delay, kMaxMs);
}
}  // namespace comm

CTransceiver::CTransceiver(CChannel* owner, int channel) : owner_(owner)
{
    ChannelText = IntToStr(channel);
}

CTransceiver::~CTransceiver()
{
    Terminate();
    WaitFor();
}

void CTransceiver::CreateProtocol(int channel)
{
    auto protocol = std::make_unique<CTolvarProtocol>(channel);
    protocol->BuildCommandTable();
    std::lock_guard<std::mutex> l(queueMutex_);
    Protocol = std::move(protocol);
}

void CTransceiver::FreeProtocol()
{
    std::lock_guard<std::mutex> l(queueMutex_);
    Protocol.reset();
}

void CTransceiver::AppendCommand(const AnsiString& frame, int replyLength, int)
{
    std::lock_guard<std::mutex> l(queueMutex_);
    if (Protocol) Protocol->Append(frame, replyLength);
}

void CTransceiver::SetFollowUpRow(int row)
{
    std::lock_guard<std::mutex> l(queueMutex_);
    FollowUpRow = static_cast<std::int8_t>(row);
}

void CTransceiver::UpdateCount()
{
    std::lock_guard<std::mutex> l(queueMutex_);
    if (Protocol) Count = Protocol->GetCount();
}

void CTransceiver::RefillQueue()
{
    bool finished = false;
    AnsiString unanswered;
    {
        std::lock_guard<std::mutex> hold(refillHold_);
        std::lock_guard<std::mutex> l(queueMutex_);
        if (!Protocol) return;
        if (Position != Count) {
            // No row of the coming cycle has gone out yet: a one-shot command given meanwhile
            // takes the first row now rather than after a whole cycle of the old frames. A
            // standing command loaded there and not sent yet (the program's frame with the
            // control method) is not lost: it goes out first, in a cycle of its own.
            if (Position == 0 && OneShot == 1 && Count > 0) {
                if (standingUnsent_ && Protocol->GetQueueEntry(0, 0) != lastFirstRow_) {
                    commandCycle_ = true;
                    return;
                }
                Protocol->SetRow(BaseCommand, 0, BaseReplyLength, BaseLength);
                if (FollowUpRow != -1)
                    Protocol->SetRow(FollowUpCommand, FollowUpRow, FollowUpReplyLength, FollowUpLength);
                LoadOneShot();
            }
            return;
        }
        // A request raised after the last frame went out is not this cycle's: it stays and
        // starts the next one (only a served request is cleared, in one step, so a tick that
        // raises it meanwhile is never lost). An empty queue has nothing to send for any request.
        if (Count == 0) {
            owner_->PollRequest = 0;
        } else {
            std::uint8_t served = CChannel::PollRequestServed;
            owner_->PollRequest.compare_exchange_strong(served, 0);
        }
        Position = 0;
        // A fault held the one-shot's first cycle back past the time a command may wait: it
        // is not repeated that late.
        if (RestorePending == 1 && platform::clock().MilliTicks() - oneShotLoadedMs_ > DeviceCommandQueue::MaxWaitMs) {
            RestorePending = 0;
            RestoreStatus();
        }
        Protocol->SetRow(BaseCommand, 0, BaseReplyLength, BaseLength);
        if (FollowUpRow != -1) Protocol->SetRow(FollowUpCommand, FollowUpRow, FollowUpReplyLength, FollowUpLength);
        const bool wasQueued = oneShotQueued_;
        oneShotQueued_ = false;
        standingUnsent_ = std::exchange(standingGiven_, false);
        if (OneShot == 1) {
            LoadOneShot();
        } else if (RestorePending == 1) {
            oneShotQueued_ = true;
            RestorePending = 0;
            RestoreStatus();
        }
        // The one-shot's second cycle follows its first at once. So does a standing command
        // given while the cycle that has just ended was under way: that cycle may have served
        // the tick that gave it (a one-shot's cycle runs whether a tick asked or not), and the
        // next tick would replace it before it ever went out.
        commandCycle_ = (oneShotQueued_ || standingUnsent_) && Count > 0;
        finished = wasQueued && !oneShotQueued_;
        // A unit that answered none of the command's frames was silent on a working link: it
        // may have taken the command or not, which its owner must hear (a lost link is
        // reported when it is lost).
        if (finished && std::exchange(oneShotWatched_, false) && oneShotSent_ > 0 && oneShotAnswered_ == 0)
            unanswered = oneShotFrame_;
    }
    // The one-shot is out: the next command waiting for the unit can come now.
    if (finished)
        Hand([this, unanswered] {
            IChannelWindow* w = owner_->Window();
            if (w && !unanswered.empty()) w->CommandUnanswered(unanswered);
            if (w) w->ReadyForCommand();
        });
}

void CTransceiver::LoadOneShot()
{
    standingUnsent_ = false;
    oneShotLoadedMs_ = platform::clock().MilliTicks();
    oneShotSent_ = 0;
    oneShotAnswered_ = 0;
    oneShotFrame_ = BaseCommand;
    oneShotWatched_ = true;
    OneShot = 0;
    RestorePending = 1;
    oneShotQueued_ = true;
    commandCycle_ = Count > 0;
    if (TakeFollowing()) RestorePending = 0;
}

void CTransceiver::RestoreStatus()
{
    BaseCommand = Protocol->GetEntry(0, 0);
    BaseLength = StrToIntDef(Protocol->GetEntry(0, 1), 0);
    BaseReplyLength = StrToIntDef(Protocol->GetEntry(0, 2), 0);
}

bool CTransceiver::TakeFollowing()
{
    if (!followingPending_) return false;
    followingPending_ = false;
    standingGiven_ = true;
    BaseCommand = following_.Base;
    BaseLength = following_.Length;
    BaseReplyLength = following_.ReplyLength;
    FollowUpCommand = following_.FollowUp;
    FollowUpLength = following_.FollowUpLength;
    return true;
}

bool CTransceiver::OneShotInProgress() const
{
    std::lock_guard<std::mutex> l(queueMutex_);
    return OneShot == 1 || RestorePending == 1 || oneShotQueued_;
}

bool CTransceiver::CycleUnderWayOrDue() const
{
    std::lock_guard<std::mutex> l(queueMutex_);
    return owner_->PollRequest != 0 || commandCycle_ || Position != 0;
}

TCommandOnLoss CTransceiver::DropOneShot(const AnsiString& only)
{
    NOX_ASSERT_UI_THREAD();
    std::lock_guard<std::mutex> l(queueMutex_);
    if (!Protocol) return {};
    if (!only.empty() && !(oneShotQueued_ && Position == 0 && Protocol->GetQueueEntry(0, 0) == only) &&
        !((OneShot == 1 || RestorePending == 1) && BaseCommand == only))
        return {};
    const AnsiString status = Protocol->GetEntry(0, 0);
    const int statusLength = StrToIntDef(Protocol->GetEntry(0, 1), 0);
    const int statusReplyLength = StrToIntDef(Protocol->GetEntry(0, 2), 0);
    TCommandOnLoss lost;
    // Handed over, not loaded into a cycle yet: nothing of it went out.
    const bool waiting = OneShot == 1;
    if (waiting || RestorePending == 1)
        lost.Frame = BaseCommand;
    else if (oneShotQueued_)
        lost.Frame = Protocol->GetQueueEntry(0, 0);
    lost.Sent = waiting ? 0 : oneShotSent_.load();
    lost.Answered = waiting ? 0 : oneShotAnswered_.load();
    // Loaded into the cycle that has not begun yet.
    if (oneShotQueued_ && Position == 0) {
        Protocol->SetRow(status, 0, statusReplyLength, statusLength);
        oneShotQueued_ = false;
    }
    // Waiting for its first or its second cycle. A standing command given after it stands
    // in its place.
    if (OneShot == 1 || RestorePending == 1) {
        BaseCommand = status;
        BaseLength = statusLength;
        BaseReplyLength = statusReplyLength;
        OneShot = 0;
        RestorePending = 0;
        TakeFollowing();
    }
    // Without the one-shot in the coming cycle no cycle is due without a tick. One that has
    // begun (a standing command's own, which no tick asked for) runs to its end all the same:
    // stopped there, it would wait for the next tick with only some of its rows renewed.
    if (!oneShotQueued_ && Position == 0) commandCycle_ = false;
    // The loss reports it, whatever the cycle under way still does.
    if (only.empty()) oneShotWatched_ = false;
    // Out in both its cycles and answered: the unit has it as any other command.
    if (lost.Sent >= 2 && lost.Answered > 0) lost.Frame.clear();
    if (lost.Frame.empty()) lost = {};
    return lost;
}

AnsiString CTransceiver::UnsentOneShot() const
{
    std::lock_guard<std::mutex> l(queueMutex_);
    if (!Protocol) return {};
    if (OneShot == 1) return BaseCommand;
    if (oneShotQueued_ && oneShotSent_ == 0) return Protocol->GetQueueEntry(0, 0);
    return {};
}

void CTransceiver::LoadStandingNow()
{
    std::lock_guard<std::mutex> l(queueMutex_);
    if (!Protocol || OneShot == 1 || oneShotQueued_ || Position != 0 || Count == 0) return;
    Protocol->SetRow(BaseCommand, 0, BaseReplyLength, BaseLength);
    if (FollowUpRow != -1) Protocol->SetRow(FollowUpCommand, FollowUpRow, FollowUpReplyLength, FollowUpLength);
    standingGiven_ = false;
    standingUnsent_ = false;
}

void CTransceiver::DropCommandsOnLoss()
{
    Sync([this] {
        const TCommandOnLoss dropped = DropOneShot();
        if (IChannelWindow* w = owner_->Window()) w->ConnectionLost(dropped);
    });
}

bool CTransceiver::NextCommand()
{
    std::lock_guard<std::mutex> hold(refillHold_);
    std::lock_guard<std::mutex> l(queueMutex_);
    if (!Protocol) return false;
    // Looked at again under the lock: a hold on the user-interface thread may have withdrawn
    // the one-shot whose cycle the pass found due. A frame taken anyway would begin a cycle
    // that nothing asks to go on, and it would stand half sent until the next tick.
    if (owner_->PollRequest == 0 && !commandCycle_) return false;
    const int position = Position;
    if (position == 0 && standingGiven_ && !oneShotQueued_ && Count > 0) {
        // A standing command given after this cycle was loaded goes in it: the cycle never
        // carries a frame the owner has replaced (a program's next step after its hold or
        // stop, or the step of a tick ago). It is loaded here, with the frame taken, and not
        // when the queue is refilled: a tick gives its frame, then asks for the cycle, and
        // may do both between a refill and the look at its request.
        Protocol->SetRow(BaseCommand, 0, BaseReplyLength, BaseLength);
        if (FollowUpRow != -1) Protocol->SetRow(FollowUpCommand, FollowUpRow, FollowUpReplyLength, FollowUpLength);
        standingGiven_ = false;
    }
    CurrentFrame = Protocol->GetQueueEntry(position, 0);
    CurrentLength = StrToIntDef(Protocol->GetQueueEntry(position, 1), 0);
    CurrentReplyLength = StrToIntDef(Protocol->GetQueueEntry(position, 2), 0);
    Position = position + 1;
    currentIsOneShot_ = position == 0 && oneShotQueued_;
    if (position == 0) {
        standingUnsent_ = false;
        lastFirstRow_ = CurrentFrame;
    }
    if (position + 1 >= Count) {
        commandCycle_ = false;
        std::uint8_t asked = 1;
        owner_->PollRequest.compare_exchange_strong(asked, CChannel::PollRequestServed);
    }
    owner_->SetRowBoundMs(RowBoundMs());
    owner_->SetOwnRowBoundMs(RowBoundMs() - NeighbourHoldMs());
    return true;
}

void CTransceiver::OnTerminateRequested()
{
    // Termination is asked for on the user-interface thread, where handed calls run: none
    // runs after this, so none reaches a channel object that is about to go.
    *handsAccepted_ = false;
    comm::CCommThread::OnTerminateRequested();
}

void CTransceiver::Hand(std::function<void()> fn)
{
    {
        std::lock_guard<std::mutex> l(handedMutex_);
        handed_.push_back(std::move(fn));
    }
    // Whatever runs the queue first (this call, or a tick that wants the replies) runs it in order.
    platform::UiDispatcher::Instance().Post([this, accepted = handsAccepted_] {
        if (*accepted) RunHanded();
    });
}

void CTransceiver::RunHanded()
{
    NOX_ASSERT_UI_THREAD();
    if (runningHanded_) return;
    runningHanded_ = true;
    // Nothing handed runs once the thread has been asked to stop, and nothing of this object
    // is touched after a step that stopped it (a channel closed while a box of the step was
    // open): the thread may be gone then.
    const std::shared_ptr<bool> accepted = handsAccepted_;
    while (*accepted) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> l(handedMutex_);
            if (handed_.empty()) break;
            fn = std::move(handed_.front());
            handed_.pop_front();
        }
        try {
            fn();
        } catch (...) {
            platform::UiDispatcher::ReportException(std::current_exception(), "poll thread's handed step");
        }
    }
    if (*accepted) runningHanded_ = false;
}

bool CTransceiver::Sync(const std::function<void()>& fn)
{
    // Termination is asked for on the user-interface thread, so a step that finds the flag
    // clear there may still use the channel object: it is not freed before the flag is set.
    bool ran = false;
    Step([&] {
        if (Terminated()) return;
        fn();
        ran = true;
    });
    return ran;
}

void CTransceiver::DeliverReply(const AnsiString& reply)
{
    delivered_ = true;
    LastReply = reply;
    owner_->NoteProgress();
    // A frame that cannot be trusted stops the cycle at once, as a time-out does; the line
    // and the outdated values follow on the user-interface thread.
    if (!CChannel::IsTrustedFrame(reply)) {
        const AnsiString line = CChannel::ErrorLine(" Error in synchronising !");
        Hand([this, line] {
            owner_->RequestEnded();
            owner_->MarkValuesOutdated();
            owner_->LogErrorLine(line);
        });
        NoteRowFault();
        owner_->NoteFault();
        owner_->CommError = 1;
        return;
    }
    if (requestInProgress_ && currentIsOneShot_) ++oneShotAnswered_;
    if (requestInProgress_) NoteRowAnswered();
    owner_->NoteAnswer();
    Hand([this, reply, frame = CurrentFrame, number = exchangeNumber_] {
        owner_->RequestEnded();
        owner_->NoteExchangeEnded(frame, true);
        owner_->NoteExchangeOutcome(number, true);
        // Replies are decoded in the order they came; one that follows a fault of the same
        // cycle (a checksum found wrong while this request was under way) is dropped.
        if (owner_->CommError != 0) return;
        try {
            owner_->OnReply(this, reply, owner_->Channel());
            exceptionShown_ = false;  // a decoded reply ends a run of failures
        } catch (...) {
            // The thread goes on: the error flag makes the next ticks show "Error!", and the
            // message appears once for the whole run of failures.
            owner_->ReportFault();
            if (!exceptionShown_.exchange(true)) comm::ShowThreadException();
        }
    });
}

AnsiString TLinkLine::Text() const
{
    return Row < 0 ? AnsiString() : LookupText(Row, {Name});
}

void CTransceiver::DeliverError(const TLinkLine& line)
{
    delivered_ = true;
    owner_->NoteProgress();
    // As for a fixed line; the words are looked up where the line is written.
    const AnsiString stamp = CChannel::ErrorLine("");
    Hand([this, stamp, line, frame = CurrentFrame, number = exchangeNumber_] {
        owner_->NoteExchangeEnded(frame, false);
        owner_->NoteExchangeOutcome(number, false);
        owner_->RequestEnded();
        owner_->MarkValuesOutdated();
        owner_->LogErrorLine(stamp + line.Text());
    });
    owner_->NoteFault();
    owner_->CommError = 1;
}

void CTransceiver::DeliverError(const AnsiString& text)
{
    delivered_ = true;
    owner_->NoteProgress();
    // The flag stops the cycle; the line and the outdated values follow on the user-interface
    // thread. The flag is raised once they are handed over: a tick that sees it takes the line
    // with the replies, before a line of its own.
    const AnsiString line = CChannel::ErrorLine(text);
    Hand([this, line, frame = CurrentFrame, number = exchangeNumber_] {
        owner_->NoteExchangeEnded(frame, false);
        owner_->NoteExchangeOutcome(number, false);
        owner_->RequestEnded();
        owner_->MarkValuesOutdated();
        owner_->LogErrorLine(line);
    });
    NoteRowFault();
    owner_->NoteFault();
    owner_->CommError = 1;
}

void CTransceiver::SerialExchange(comm::IByteLink& link, const AnsiString& portName)
{
    const int timeout = comm::Timing().ReadTimeoutMs;
    const AnsiString frame = CurrentFrame.substr(0, static_cast<std::size_t>(std::max(0, CurrentLength)));
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(CurrentReplyLength, 0, MaxReplyLength));

    std::vector<char> buffer(std::max<std::size_t>(wanted, DiscardLength));
    // A close does not wait out a silent or garbled exchange: the reads stop when asked.
    auto stop = [this] { return Terminated(); };
    int count = SerialRequest(link, frame, buffer.data(), wanted);
    if (count < 0) {
        // The port failed (an unplugged adapter): it is reopened once the device is back.
        LinkLost({resources::RowPortError, link.LastErrorText()}, {resources::RowPortReopened, portName});
        return;
    }
    // Looked at before the line ends become blanks: a reply that runs into another is never
    // this request's, however well its checksum fits.
    const bool oneReply =
        CChannel::IsOneReply(std::string_view(buffer.data(), std::size_t(std::max(count, 0))), wanted);
    for (int i = 0; i < count; ++i)
        if (buffer[i] == 10 || buffer[i] == 12 || buffer[i] == 13) buffer[i] = ' ';
    if (count > 0 && buffer[0] != '[') {
        // The read that clears the line ends a read time-out from now (fixed before the
        // error is known, so whoever sees the error knows when the line is clear).
        const std::int64_t due = comm::SteadyMs() + std::max(0, timeout);
        DeliverError(" Error in synchronising !");
        link.Purge();
        count = comm::ReadUntil(link, buffer.data(), DiscardLength, due, stop);
        if (count < 0) count = 0;
        if (count < DiscardLength && Terminated()) ReplyCutShort(due, std::size_t(DiscardLength - count));
    } else if (count > 0 && (!oneReply || !CChannel::AnswersRequest(AnsiString(buffer.data(), std::size_t(count)),
                                                                    frame, BusAddressed()))) {
        // The answer to an earlier request that came after its time-out, or another slave's,
        // or parts of two replies: never this request's values. It is dropped with whatever
        // else of it is on the line.
        LastReply.assign(buffer.data(), static_cast<std::size_t>(count));
        DeliverError(" Error in synchronising !");
        link.Purge();
        return;
    }
    if (Terminated()) return;
    if (count != 0)
        DeliverReply(AnsiString(buffer.data(), static_cast<std::size_t>(count)));
    else
        DeliverError(" Timeout !");
}

int CTransceiver::SerialRequest(comm::IByteLink& link, const AnsiString& frame, char* buffer, std::size_t wanted)
{
    if (!link.Purge()) return -1;
    // The read's end is fixed as the frame goes out: whoever sees the request on the line
    // or waiting knows when its time-out comes.
    RequestOnLine();
    const std::int64_t sent = comm::SteadyMs();
    if (!link.Write(frame)) return -1;
    const int timeout = std::max(0, comm::Timing().ReadTimeoutMs);
    const std::int64_t due = sent + LineMs(int(frame.size() + wanted)) + timeout;
    NoteRequestSent();
    const int count = comm::ReadUntil(link, buffer, wanted, sent + timeout, [this] { return Terminated(); });
    if (count > 0) NoteReplyArrived();
    // A close does not wait for the reply; whoever takes the line next does.
    if (count >= 0 && std::size_t(count) < wanted && Terminated()) ReplyCutShort(due, wanted - std::size_t(count));
    return count;
}

bool CTransceiver::SerialAsk(comm::IByteLink& link, const AnsiString& frame, int replyLength, AnsiString& reply)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::clamp(replyLength, 0, MaxReplyLength)));
    const int count = SerialRequest(link, frame, buffer.data(), buffer.size());
    if (count < 0) return false;
    reply.assign(buffer.data(), static_cast<std::size_t>(count));
    return true;
}

void CTransceiver::LinkLost(const TLinkLine& line, const TLinkLine& restored)
{
    if (linkLost_) return;
    restoredLine_ = restored;
    reconnectAttempts_ = 0;
    delayStep_ = 0;
    reopenNeeded_ = true;
    nextReconnectMs_ = platform::clock().MilliTicks() + comm::ReconnectDelayMs(0);
    linkLost_ = true;
    DeliverError(line);
    DropCommandsOnLoss();
}

void CTransceiver::CheckUnitFirst(const TLinkLine& restored)
{
    if (linkLost_) return;
    restoredLine_ = restored;
    reconnectAttempts_ = 0;
    delayStep_ = 0;
    reopenNeeded_ = false;
    nextReconnectMs_ = platform::clock().MilliTicks();
    linkLost_ = true;
    Hand([this] { owner_->MarkValuesOutdated(); });
    DropCommandsOnLoss();
}

CTransceiver::TUnitCheck CTransceiver::CheckUnit()
{
    AnsiString expectedName, expectedSerial;
    if (!Sync([&] {
            expectedName = owner_->IdentifiedName();
            expectedSerial = owner_->DeviceNumber;
        }))
        return TUnitCheck::NoAnswer;
    AnsiString reply;
    // 1 answered, 0 not answered in three tries, -1 the link failed.
    auto ask = [&](int row, char letter) {
        const AnsiString frame = CTolvarProtocol::BuildCommandFrame(CTolvarProtocol::CommandText[row], Address);
        for (int i = 0; i < 3 && !Terminated(); ++i) {
            if (!Ask(frame, CTolvarProtocol::ReplyLength[row], reply)) return -1;
            if (CChannel::IsSoundReply(reply, letter) && CChannel::AnswersRequest(reply, frame, BusAddressed()))
                return 1;
        }
        return 0;
    };
    constexpr int kNameRow = 1, kNumberRow = 8;
    const int named = ask(kNameRow, 'V');
    if (named <= 0) return named < 0 ? TUnitCheck::LinkDown : TUnitCheck::NoAnswer;
    const AnsiString name = CChannel::NameInReply(reply);
    AnsiString serial;
    // A unit that gave no serial number at the identification is known by its name alone.
    if (!expectedSerial.empty() || name != expectedName) {
        const int numbered = ask(kNumberRow, 'F');
        if (numbered < 0) return TUnitCheck::LinkDown;
        std::uint32_t number = 0;
        if (numbered > 0 && CChannel::SerialNumberInReply(reply, number)) serial = IntToStr(std::int64_t(number));
    }
    if (name == expectedName && (expectedSerial.empty() || serial == expectedSerial)) return TUnitCheck::Same;
    // The same name without a number to compare is no proof either way.
    if (name == expectedName && serial.empty()) return TUnitCheck::NoAnswer;
    Sync([&] { owner_->OtherUnitAnswers(LinkName(), name, serial); });
    return TUnitCheck::Other;
}

bool CTransceiver::RecoverLink()
{
    if (platform::clock().MilliTicks() >= nextReconnectMs_) {
        TUnitCheck check = TUnitCheck::LinkDown;
        if (!reopenNeeded_ || Reconnect()) {
            reopenNeeded_ = false;
            check = CheckUnit();
        }
        otherUnitFound_ = check == TUnitCheck::Other;
        if (check == TUnitCheck::Same) {
            owner_->NoteAnswer();
            linkLost_ = false;
            // The cycle goes on where the loss interrupted it; the values stay outdated (since
            // the loss) until every polled command has been answered again.
            Sync([this] {
                owner_->SameUnitAnswers();
                owner_->MarkValuesOutdated();
                if (IChannelWindow* w = owner_->Window(); w && restoredLine_.Row >= 0)
                    w->MemoAdd(TChannelMemo::memSerialData, CChannel::ErrorLine(restoredLine_.Text()));
            });
            return true;
        }
        // A link that failed during the check is reopened at the next attempt. While another
        // unit answers the link works: the wait does not grow, so the channel's own unit is
        // taken back within a few seconds of its return however long the other one stayed.
        if (check == TUnitCheck::LinkDown) reopenNeeded_ = true;
        ++reconnectAttempts_;
        if (check == TUnitCheck::Other) delayStep_ = 0;
        nextReconnectMs_ =
            platform::clock().MilliTicks() + comm::ReconnectDelayMs(check == TUnitCheck::Other ? 0 : ++delayStep_);
    }
    Sync([this] {
        // Another unit's values are never taken: the ticks record errors. They are not
        // link errors (the user has been told what answers instead), so they do not lead
        // to the warning about the data link.
        if (otherUnitFound_)
            owner_->MarkValuesOutdated();
        else if (owner_->PollRequest != 0)
            owner_->ReportFault();  // until it is back, every cycle asked for is an error tick
    });
    return false;
}

bool CTransceiver::PrepareRequest()
{
    if (Terminated()) return false;
    UpdateCount();
    RefillQueue();
    // A hold is handed over before the pass is noted: a tick that finds this pass finds the
    // hold handed over too.
    const std::int64_t lineMs = LineHeldByOthersMs();
    const std::optional<CChannel::THold> hold = owner_->HoldBeforeThisPass(lineMs, this);
    if (hold) Hand([this, h = *hold] { owner_->HoldPassed(h); });
    owner_->AskCycleIfTickIsLate(hold.has_value(), lineMs);
    NoteLinePass(owner_->PollPassMs());
    FollowStart();
    if (owner_->CommError == 0)
        faultSeenPass_ = -1;
    else if (!GoOnAfterFault())
        return false;
    // A start's unit that failed is asked cycle after cycle until it has answered every row:
    // the cycle that went on after the failed row leaves the rows before it unanswered.
    if (startUnanswered_ && startFailed_) {
        std::uint8_t none = 0;
        owner_->PollRequest.compare_exchange_strong(none, 1);
    }
    if (owner_->PollRequest == 0 && !commandCycle_) return false;
    if (BeforeFrameTaken) BeforeFrameTaken();
    if (!NextCommand()) return false;
    requestInProgress_ = true;
    return true;
}

bool CTransceiver::GoOnAfterFault()
{
    const int pass = PassCount;
    const std::int64_t now = platform::clock().MilliTicks();
    if (faultSeenPass_ < 0) {
        faultSeenPass_ = pass;
        faultSeenMs_ = now;
    }
    const bool again = startUnanswered_ && now - faultSeenMs_ >= StartRetryMs();
    if (!again && (pass - faultSeenPass_ < FaultRetryPasses || !OneShotInProgress())) return false;
    if (again) ++startRetries_;
    faultSeenPass_ = -1;
    // The fault is counted now, when it happened: by the next tick the unit may have answered
    // again, and that tick's values renewed since.
    if (owner_->CommError.exchange(0) != 0) {
        owner_->FaultUncounted =
            owner_->AnsweredSinceFault() ? CChannel::FaultPassedAnswered : CChannel::FaultPassedSilent;
        Hand([this] {
            if (IChannelWindow* w = owner_->Window()) w->FaultPassed();
        });
    }
    return true;
}

void CTransceiver::FollowStart()
{
    const std::uint64_t asked = owner_->StartsAsked();
    if (asked == startFollowed_) return;
    startFollowed_ = asked;
    startUnanswered_ = true;
    startFailed_ = false;
    startRetries_ = 0;
    rowsAnswered_ = 0;
}

int CTransceiver::StartRetryMs() const
{
    const int interval = owner_->TickIntervalMs();
    const int pace = comm::ReconnectDelayMs(startRetries_);
    return interval > 0 ? std::min(pace, interval / 2) : pace;
}

void CTransceiver::NoteRowAnswered()
{
    const int row = Position - 1;
    if (row >= 0 && row < 32) rowsAnswered_ |= 1u << row;
    const int count = Count;
    const std::uint32_t all = count >= 32 ? ~0u : (1u << std::max(count, 0)) - 1u;
    if ((rowsAnswered_ & all) == all) startUnanswered_ = false;
}

void CTransceiver::NoteRowFault()
{
    rowsAnswered_ = 0;
    if (startUnanswered_) startFailed_ = true;
}

void CTransceiver::RunStep()
{
    // The request is taken before the line is; its reply's time starts only when it goes
    // out, so a wait for the turn on a shared line does not count against it (the age of
    // the values it renews does). A pass with nothing to send does not need the line.
    bool send = !linkLost_ && PrepareRequest();
    if (!linkLost_ && !send) return;
    struct RequestEnd {
        CTransceiver* t;
        ~RequestEnd() { t->requestInProgress_ = false; }
    } requestEnd{this};
    if (!BeginStep()) {
        if (send) EndUnsentRequest();
        return;
    }
    // The step's end runs also when the step throws: an RS485 thread must never keep the
    // bus of the other slaves.
    struct StepEnd {
        CTransceiver* t;
        ~StepEnd() { t->EndStep(); }
    } stepEnd{this};
    if (linkLost_) {
        if (!RecoverLink()) return;
        if (!PrepareRequest()) return;
    }
    delivered_ = false;
    // Numbered before the frame goes out: a reply numbered after a mark was asked after it.
    exchangeNumber_ = owner_->BeginExchange();
    Exchange();
    // An exchange that could not even be tried renews nothing either.
    if (!delivered_) EndUnsentRequest();
}

void CTransceiver::EndUnsentRequest()
{
    NoteRowFault();
    owner_->NoteProgress();
    owner_->NoteFault();
    owner_->CommError = 1;
    Hand([this] {
        owner_->RequestEnded();
        owner_->MarkValuesOutdated();
    });
}

void CTransceiver::Execute()
{
    while (!Terminated()) {
        if (Active == 1) {
            try {
                RunStep();
            } catch (...) {
                // The thread goes on: the error flag makes the next ticks show "Error!",
                // and the message appears once for the whole run of failures (a decoded
                // reply ends it).
                try {
                    EndUnsentRequest();
                } catch (...) {}
                if (!exceptionShown_.exchange(true)) comm::ShowThreadException();
            }
        }
        ++PassCount;
        Pause(std::max(0, comm::Timing().PollStepMs - TakeStepWaitMs()));
    }
}

int CTransceiver::LineMs(int characters) const
{
    const int baud = LineBaud();
    return baud > 0 ? static_cast<int>((std::int64_t(std::max(0, characters)) * 10 * 1000 + baud - 1) / baud) : 0;
}

void CTransceiver::NoteRequestSent()
{
    // Only a request of the poll cycle counts (not the checks of a reconnection).
    if (!requestInProgress_) return;
    if (currentIsOneShot_) ++oneShotSent_;
    // The frame and its reply on the line, then the read time-out: a reply within that is
    // in time, however long the user-interface thread then takes to decode it.
    const int characters = std::max(0, CurrentLength) + std::clamp(CurrentReplyLength, 0, MaxReplyLength);
    owner_->RequestSent(LineMs(characters) + ExchangeLimitMs());
}

void CTransceiver::NoteReplyArrived()
{
    if (requestInProgress_) owner_->NoteReplyArrived();
}

int CTransceiver::RowBoundMs() const
{
    // The pause of the loop (twice: the pass that refills the queue comes on top once per
    // cycle), the frame and the longest reply on the line, the read time-out, and the
    // neighbours' turns on a shared line in between.
    constexpr int kLongestRowCharacters = 64;
    return 2 * comm::Timing().PollStepMs + LineMs(kLongestRowCharacters) + ExchangeLimitMs() + NeighbourHoldMs();
}

int CTransceiver::ExchangeLimitMs() const
{
    return comm::Timing().ReadTimeoutMs;
}

CTransceiverRS232::CTransceiverRS232(CChannel* owner, int channel, std::shared_ptr<comm::IByteLink> link)
    : CTransceiver(owner, channel), Handle(std::move(link))
{}

CTransceiverRS232::~CTransceiverRS232()
{
    Terminate();
    WaitFor();
}

void CTransceiverRS232::Exchange()
{
    if (Handle) SerialExchange(*Handle, LinkSettings.PortName);
}

bool CTransceiverRS232::Ask(const AnsiString& frame, int replyLength, AnsiString& reply)
{
    return Handle && SerialAsk(*Handle, frame, replyLength, reply);
}

bool CTransceiverRS232::Reconnect()
{
    // The old descriptor is dead; it goes first, so the device can be opened again.
    if (Handle) Handle->Close();
    if (!IsSerialDevicePath(LinkSettings.PortName) || !comm::SerialLinks()) return false;
    AnsiString error;
    std::shared_ptr<comm::IByteLink> link = comm::SerialLinks()(LinkSettings, error);
    if (!link) return false;
    Handle = link;
    Sync([this, link] {
        if (OnLinkReplaced) OnLinkReplaced(link);
    });
    return true;
}

void CTransceiver::StartPolling()
{
    Active = 1;
    Resume();
}

void CTransceiver::QueueCommand(char letter, const AnsiString& frame, int replyLength, int channel)
{
    AppendCommand(frame, replyLength, channel);
    if (letter == 'C') SetFollowUpRow(4);
}

void CTransceiver::RequestOneShot()
{
    std::lock_guard<std::mutex> l(queueMutex_);
    if (OneShot != 0) return;
    // The frames set last are this command's, not a standing command's; a standing command
    // they took the place of before it was loaded follows this one, unless a newer one does.
    standingGiven_ = false;
    if (std::exchange(displacedPending_, false) && !followingPending_) {
        following_ = displaced_;
        followingPending_ = true;
    }
    oneShotSent_ = 0;
    oneShotAnswered_ = 0;
    OneShot = 1;
}

int CTransceiver::SetPollCommands(const AnsiString& baseFrame, int baseLength, int baseReplyLength, int followUpLength,
                                  const AnsiString& followUpFrame)
{
    std::lock_guard<std::mutex> l(queueMutex_);
    following_ = {baseFrame, baseLength, baseReplyLength, followUpFrame, followUpLength};
    followingPending_ = true;
    if (OneShot == 1) return 1;
    displacedPending_ = standingGiven_;
    if (standingGiven_) displaced_ = {BaseCommand, BaseLength, BaseReplyLength, FollowUpCommand, FollowUpLength};
    TakeFollowing();
    RestorePending = 0;
    return 1;
}
