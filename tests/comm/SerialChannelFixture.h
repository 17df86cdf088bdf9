#pragma once
// A channel window, main window and simulated unit on a pseudo-terminal, with the device
// layer's timing shortened, for the serial channel tests.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>

#include "comm/CIdentification.h"
#include "comm/CRS232.h"
#include "comm/CTransceiver.h"
#include "comm/CommTiming.h"
#include "platform/DateTime.h"
#include "platform/UiDispatcher.h"
#include "support/DeviceClock.h"
#include "support/FakeChannelServices.h"
#include "support/PtyLink.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace testfakes {

inline constexpr int kStepMs = 5;
inline constexpr int kWaitMs = 10000;  // bound of every wait; never reached when things work

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    return platform::UiDispatcher::Instance().WaitRunning(done, timeoutMs);
}

inline int OpenDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

class SerialChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm::TCommTiming t;
        t.PollStepMs = kStepMs;
        t.IdentificationStepMs = 1;
        t.ReadTimeoutMs = 250;  // on the stopped device clock (deviceTime): moved on by the tests
        comm::SetTiming(t);
        clock.Set(EncodeDate(2026, 12, 7) + EncodeTime(9, 15, 30, 0));
        platform::SetClock(&clock);
        support::TestDialogs().Clear();
        comm::SetSerialLinkFactory([this](const comm::TSerialLinkSettings& s, AnsiString& error) {
            auto link = PtyLink::Open(s.PortName, error);
            lastLink = link;
            opened = s;
            return std::static_pointer_cast<comm::IByteLink>(link);
        });
        window.texts[TChannelControl::cmbBaudrate] = "9600";
        window.texts[TChannelControl::cmbDataBits] = "8";
        window.texts[TChannelControl::cmbActual] = "5";
        window.indexes[TChannelControl::cmbStopBits] = 0;
        window.indexes[TChannelControl::cmbParity] = 0;
        // The channel window's answer to the identification, as it will do it.
        window.onConnectionEstablished = [this](int channel, int result) {
            if (result != 1 || !channelObject) return;
            AnsiString status = CTolvarProtocol::BuildCommandFrame("G0D******", channelObject->GetAddress());
            AnsiString follow = CTolvarProtocol::BuildCommandFrame("C14*************", channelObject->GetAddress());
            channelObject->SetPollCommands(status, static_cast<int>(status.size()), 24, channel,
                                           static_cast<int>(follow.size()), follow);
            channelObject->StartPolling(channel);
        };
    }
    void TearDown() override
    {
        comm::SetSerialLinkFactory(nullptr);
        comm::ResetTiming();
        platform::SetClock(nullptr);
    }

    void StartLine()
    {
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        window.texts[TChannelControl::cmbPort] = line.SlavePath();
    }

    // Reads the settings, opens and starts the identification.
    void Connect(CChannel& c)
    {
        channelObject = &c;
        ChannelObjects[1] = &c;
        ASSERT_EQ(c.ReadSettings(), 1);
        ASSERT_EQ(c.Open(), 1);
        c.ResumeIdentification();
    }

    // Waits for the identification's verdict and presses OK.
    TfrmIdentification* WaitForVerdict(CChannel& c)
    {
        CIdentification* id = c.Identification;
        if (!id) return nullptr;
        bool ok = WaitUntil([&] { return id->IdentificationWindow() && id->IdentificationWindow()->OkEnabled(); });
        return ok ? id->IdentificationWindow() : nullptr;
    }

    void PressOkAndWaitForResult(TfrmIdentification* w)
    {
        ASSERT_NE(w, nullptr);
        w->bitOKClick();
        ASSERT_TRUE(WaitUntil([&] { return !window.Results().empty(); }));
    }

    // A unit that answers only the identification's first stage and the status, so a connected
    // channel polls the status alone.
    void StartStatusOnlyLine()
    {
        StartLine();
        line.First().Update([](support::UnitState& s) {
            s.answers = support::CommandBit(support::UnitCommand::V) | support::CommandBit(support::UnitCommand::G);
        });
    }

    // Connects, confirms the identification and waits until the status polling has settled.
    bool ConnectAndWaitForStatusPolling(CRS232& c)
    {
        Connect(c);
        PressOkAndWaitForResult(WaitForVerdict(c));
        return !HasFatalFailure() && WaitUntil([&] {
            return c.PollRequest == 0 && line.Unit(1)->RequestCount(support::UnitCommand::G) >= 4;
        });
    }

    CTransceiverRS232* Poll(CRS232& c) { return c.PollThread(); }

    // Frames the unit got from the given position on, as command texts.
    std::vector<AnsiString> CommandsSince(std::size_t from)
    {
        std::vector<AnsiString> out;
        auto frames = line.Frames();
        for (std::size_t i = from; i < frames.size(); ++i) {
            const AnsiString& f = frames[i].frame;
            out.push_back(f.size() > 7 ? f.substr(4, f.size() - 7) : f);
        }
        return out;
    }

    // The time-outs come only when the test moves the device layer's clock on (made before
    // the line, gone after it).
    support::StoppedDeviceTime deviceTime;
    platform::ManualClock clock;
    ServicesScope scope;
    FakeChannelWindow& window = scope.Window(1);
    support::SimulatedUnitLine line;
    std::shared_ptr<PtyLink> lastLink;
    comm::TSerialLinkSettings opened;
    CChannel* channelObject = nullptr;
};

}  // namespace testfakes
