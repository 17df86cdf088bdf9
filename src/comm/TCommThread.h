#pragma once
// The receive thread of the serial component: waits for characters on the port, moves
// them into the component's input queue and has the component notify its owner. Closing
// wakes it at once through an event descriptor.
#include "platform/TThread.h"

class TZComm;

class TCommThread : public TThread {
public:
    // Created suspended; fd is the open port, owner the component it reports to.
    TCommThread(int fd, TZComm* owner);
    ~TCommThread() override;
    bool Valid() const { return wakeFd_ >= 0; }

protected:
    void Execute() override;
    void OnTerminateRequested() override;

private:
    int fd_;
    int wakeFd_ = -1;
    TZComm* owner_;
};
