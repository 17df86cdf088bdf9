#include "comm/DeviceCommandQueue.h"

#include "comm/CChannel.h"
#include "platform/UiThread.h"

bool DeviceCommandQueue::Add(CChannel& channel, TCommand command)
{
    NOX_ASSERT_UI_THREAD();
    if (!channel.HasPollThread(channel.Channel())) return false;
    if (!command.Once && !FWaiting.empty() && !FWaiting.back().Once) FWaiting.pop_back();
    if (FWaiting.size() >= MaxWaiting) FWaiting.pop_front();
    FWaiting.push_back(std::move(command));
    Flush(channel);
    return true;
}

bool DeviceCommandQueue::Flush(CChannel& channel)
{
    NOX_ASSERT_UI_THREAD();
    const int number = channel.Channel();
    while (!FWaiting.empty()) {
        const TCommand& c = FWaiting.front();
        // A one-shot command waits until the one before it has gone out in both its cycles:
        // handed over earlier it would cut the earlier one's second cycle short.
        if (c.Once && channel.OneShotInProgress()) return false;
        if (!channel.SetPollCommands(c.Frame, int(c.Frame.size()), c.ReplyLength, number, int(c.FollowUp.size()),
                                     c.FollowUp))
            return false;
        const bool once = c.Once;
        if (once) channel.SetOneShot(number);
        FWaiting.pop_front();
        // What follows a one-shot waits until the one-shot has gone into a cycle.
        if (once) break;
    }
    return FWaiting.empty();
}
