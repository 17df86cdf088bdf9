#pragma once
// A channel with the decoding of the base class and no port: for decoding tests.
#include "comm/CChannel.h"

namespace testfakes {

class TestChannel : public CChannel {
public:
    explicit TestChannel(int channel, AnsiString port = "COM1", AnsiString type = "RS232", int address = 1)
        : CChannel(channel), port_(std::move(port)), type_(std::move(type)), address_(address)
    {
        ChannelObjects[channel] = this;
    }
    ~TestChannel() override
    {
        if (ChannelObjects[Channel()] == this) ChannelObjects[Channel()] = nullptr;
    }
    int ReadSettings() override { return 1; }
    int Open() override { return 1; }
    void Close(int) override {}
    void ResumeIdentification() override {}
    int GetAddress() override { return address_; }
    void StartPolling(int) override {}
    void QueueCommand(char, const AnsiString&, int, int) override {}
    void SetOneShot(int) override {}
    int SetPollCommands(const AnsiString&, int, int, int, int, const AnsiString&) override { return 1; }
    int Query(char, int, const AnsiString&, int, int, TfrmIdentification*, AnsiString&) override { return 1; }
    int QuerySub(const AnsiString&, int, const AnsiString&, int, int, TfrmIdentification*, AnsiString&) override
    {
        return 1;
    }
    AnsiString GetPortName() override { return port_; }
    AnsiString GetTypeName() override { return type_; }

private:
    AnsiString port_, type_;
    int address_;
};

}  // namespace testfakes
