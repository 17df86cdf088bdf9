#include "comm/DeviceCommandQueue.h"

#include "comm/CChannel.h"
#include "platform/DateTime.h"
#include "platform/Exception.h"
#include "platform/FormatSettings.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

// A command that sets the setpoint and nothing else ("G0D**" + four digits).
bool SetsOnlySetpoint(const DeviceCommandQueue::TCommand& c)
{
    const AnsiString& f = c.Frame;
    return c.Once && f.size() >= 13 && f.compare(4, 5, "G0D**") == 0 && f.compare(9, 4, "****") != 0;
}

}  // namespace

DeviceCommandQueue::TResult DeviceCommandQueue::Add(CChannel& channel, TCommand command)
{
    NOX_ASSERT_UI_THREAD();
    if (!channel.HasPollThread(channel.Channel())) return TResult::NoPollThread;
    if (command.Once && channel.LinkLost()) return TResult::LinkLost;
    command.GivenMs = platform::clock().MilliTicks();
    // A newer setpoint takes the place of an older one still waiting: the unit ends on the
    // last value given, and it does not wait behind values it would only pass through.
    if (SetsOnlySetpoint(command))
        for (TCommand& waiting : FWaiting)
            if (SetsOnlySetpoint(waiting)) {
                FReplaced.push_back(std::exchange(waiting, std::move(command)));
                Flush(channel);
                return TResult::Taken;
            }
    if (!command.Once && !FWaiting.empty() && !FWaiting.back().Once)
        FWaiting.pop_back();
    else if (FWaiting.size() >= MaxWaiting)
        return TResult::Full;
    FWaiting.push_back(std::move(command));
    Flush(channel);
    return TResult::Taken;
}

std::vector<DeviceCommandQueue::TCommand> DeviceCommandQueue::DropOneShots()
{
    NOX_ASSERT_UI_THREAD();
    std::vector<TCommand> dropped;
    for (auto it = FWaiting.begin(); it != FWaiting.end();) {
        if (it->Once) {
            dropped.push_back(std::move(*it));
            it = FWaiting.erase(it);
        } else {
            ++it;
        }
    }
    return dropped;
}

bool DeviceCommandQueue::ReplaceStanding(CChannel& channel, TCommand command)
{
    NOX_ASSERT_UI_THREAD();
    std::erase_if(FWaiting, [](const TCommand& c) { return !c.Once || c.Program; });
    if (!channel.HasPollThread(channel.Channel())) return false;
    // No refill may load what is withdrawn between the two steps.
    const std::unique_lock<std::mutex> hold = channel.HoldRefill();
    // A program frame handed over as a one-shot does not go either, unless it is out.
    channel.WithdrawOneShot(std::exchange(FHandedProgram, {}));
    if (channel.SetPollCommands(command.Frame, int(command.Frame.size()), command.ReplyLength, channel.Channel(),
                                int(command.FollowUp.size()), command.FollowUp) == 0)
        return false;
    channel.LoadStandingNow();
    return true;
}

bool DeviceCommandQueue::Flush(CChannel& channel)
{
    NOX_ASSERT_UI_THREAD();
    const int number = channel.Channel();
    const std::int64_t now = platform::clock().MilliTicks();
    for (auto it = FWaiting.begin(); it != FWaiting.end();) {
        if (it->Once && now - it->GivenMs > MaxWaitMs) {
            FDropped.push_back(std::move(*it));
            it = FWaiting.erase(it);
        } else {
            ++it;
        }
    }
    while (!FWaiting.empty()) {
        const TCommand& c = FWaiting.front();
        // A one-shot command waits until the one before it has gone out in both its cycles
        // (handed over earlier it would cut the earlier one's second cycle short). A fault
        // does not hold it back: the poll thread goes on for it without waiting for a tick.
        if (c.Once && channel.OneShotInProgress()) return false;
        const std::unique_lock<std::mutex> hold = channel.HoldRefill();
        if (!channel.SetPollCommands(c.Frame, int(c.Frame.size()), c.ReplyLength, number, int(c.FollowUp.size()),
                                     c.FollowUp))
            return false;
        if (c.Once) {
            channel.SetOneShot(number);
            FHandedProgram = c.Program ? c.Frame : AnsiString();
        }
        FWaiting.pop_front();
    }
    return FWaiting.empty();
}

AnsiString DeviceCommandQueue::CommandName(const AnsiString& frame, bool unsignedDevice)
{
    // "[M" + two address digits + command + two checksum digits + CR. A G command carries
    // the control mode at its fourth character and the setpoint in its last four.
    const AnsiString text = frame.substr(0, frame.find('\r'));
    const AnsiString command = text.size() > 6 ? text.substr(4, text.size() - 6) : text;
    if (command.size() != 9 || command[0] != 'G') return command;
    AnsiString name;
    switch (command[3]) {
        case 'C': name = LookupText(RowActivateCirculation); break;
        case 'I': name = LookupText(RowActivateTemperatureControl) + " (Intern)"; break;
        case 'E': name = LookupText(RowActivateTemperatureControl) + " (Extern)"; break;
        case 'O': name = LookupText(RowDeactivateTemperatureControl); break;
        default: break;
    }
    if (command.compare(5, 4, "****") != 0) {
        try {
            const AnsiString setpoint = LookupText(RowSetSetpoint) + " " +
                                        FormatFloat("0.00", HexToValue(command, 6, unsignedDevice, 4)) + " °C";
            name += (name.empty() ? "" : ", ") + setpoint;
        } catch (const EConvertError&) {
            return command;
        }
    }
    return name.empty() ? command : name;
}
