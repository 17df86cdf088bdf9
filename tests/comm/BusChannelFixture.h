#pragma once
// Several channel windows against simulated units: RS485 slaves sharing one
// pseudo-terminal, or a unit on a loopback TCP port chosen by the system. The device
// layer's timing is shortened; every wait is bounded by a condition.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "SerialChannelFixture.h"
#include "comm/CIdentification.h"
#include "comm/CommTiming.h"
#include "platform/DateTime.h"
#include "platform/UiDispatcher.h"
#include "support/DeviceClock.h"
#include "support/FakeChannelServices.h"
#include "support/PtyLink.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace testfakes {

// Waits for a condition while running queued calls and Qt events (socket notifiers).
inline bool WaitWithEvents(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (platform::UiDispatcher::Instance().WaitRunning(done, 5)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

// A byte link that notes when a frame is written while another exchange on the same
// line still waits for its reply.
class RecordingLink : public comm::IByteLink {
public:
    explicit RecordingLink(std::shared_ptr<PtyLink> inner) : inner_(std::move(inner)) {}
    bool Purge() override { return inner_->Purge(); }
    bool Write(const AnsiString& data) override
    {
        if (busy_.exchange(true)) ++overlaps;
        ++writes;
        return inner_->Write(data);
    }
    int Read(char* buffer, std::size_t n, int timeoutMs) override
    {
        int r = inner_->Read(buffer, n, timeoutMs);
        busy_ = false;
        return r;
    }
    void Close() override
    {
        closed = true;
        inner_->Close();
    }
    AnsiString LastErrorText() const override { return inner_->LastErrorText(); }

    std::atomic<int> overlaps{0};
    std::atomic<int> writes{0};
    std::atomic<bool> closed{false};

private:
    std::shared_ptr<PtyLink> inner_;
    std::atomic<bool> busy_{false};
};

class BusChannels : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm::TCommTiming t;
        t.PollStepMs = kStepMs;
        t.IdentificationStepMs = 1;
        t.ReadTimeoutMs = 250;  // on the stopped device clock (deviceTime): moved on by the tests
        t.ReplyWaitMs = 150;
        comm::SetTiming(t);
        clock.Set(EncodeDate(2026, 12, 7) + EncodeTime(9, 15, 30, 0));
        platform::SetClock(&clock);
        support::TestDialogs().Clear();
        comm::SetSerialLinkFactory([this](const comm::TSerialLinkSettings& s, AnsiString& error) {
            std::shared_ptr<comm::IByteLink> none;
            if (!failOpen.empty()) {
                error = failOpen;
                return none;
            }
            auto pty = PtyLink::Open(s.PortName, error);
            if (!pty) return none;
            auto link = std::make_shared<RecordingLink>(pty);
            links.push_back(link);
            opened.push_back(s);
            return std::static_pointer_cast<comm::IByteLink>(link);
        });
    }
    // Waits for a condition while running the synchronised steps of the device threads;
    // with qtEvents set, Qt's events too (socket notifiers need them).
    bool Await(const std::function<bool()>& done, int timeoutMs = kWaitMs)
    {
        return qtEvents ? WaitWithEvents(done, timeoutMs) : WaitUntil(done, timeoutMs);
    }

    void TearDown() override
    {
        if (!adapterFolder_.empty()) std::filesystem::remove_all(adapterFolder_);
        comm::SetSerialLinkFactory(nullptr);
        comm::ResetTiming();
        platform::SetClock(nullptr);
    }

    // A channel window with RS232/RS485 line settings, the slave address and the
    // window's answer to the identification (status and follow-up frames, polling).
    FakeChannelWindow& SerialWindow(int channel, const AnsiString& slave)
    {
        FakeChannelWindow& w = scope.Window(channel);
        w.texts[TChannelControl::cmbPort] = portPath;
        w.texts[TChannelControl::cmbBaudrate] = "9600";
        w.texts[TChannelControl::cmbDataBits] = "8";
        w.texts[TChannelControl::cmbActual] = "5";
        w.texts[TChannelControl::cmbSlave] = slave;
        Answer(w, channel);
        return w;
    }
    void Answer(FakeChannelWindow& w, int channel)
    {
        w.onConnectionEstablished = [channel](int, int result) {
            CChannel* c = ChannelObjects[channel];
            if (result != 1 || !c) return;
            AnsiString status = CTolvarProtocol::BuildCommandFrame("G0D******", c->GetAddress());
            AnsiString follow = CTolvarProtocol::BuildCommandFrame("C14*************", c->GetAddress());
            c->SetPollCommands(status, static_cast<int>(status.size()), 24, channel, static_cast<int>(follow.size()),
                               follow);
            c->StartPolling(channel);
        };
    }

    void StartPty()
    {
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        portPath = line.SlavePath();
    }

    // Reads the settings and opens; the identification is started by Identify.
    void Open(CChannel& c)
    {
        ChannelObjects[c.Channel()] = &c;
        ASSERT_EQ(c.ReadSettings(), 1);
        ASSERT_EQ(c.Open(), 1);
    }

    // Waits for the identification's verdict; the window then waits for OK.
    TfrmIdentification* WaitForVerdict(CChannel& c)
    {
        CIdentification* id = c.Identification;
        if (!id) return nullptr;
        bool ok = Await([&] { return id->IdentificationWindow() && id->IdentificationWindow()->OkEnabled(); });
        return ok ? id->IdentificationWindow() : nullptr;
    }

    void PressOk(FakeChannelWindow& w, TfrmIdentification* verdict)
    {
        ASSERT_NE(verdict, nullptr);
        verdict->bitOKClick();
        ASSERT_TRUE(Await([&] { return !w.Results().empty(); }));
    }

    // Opens each channel, lets its identification run and confirms it, one after another;
    // then waits until the first poll cycle of every one is through.
    void ConnectInTurn(std::initializer_list<std::pair<CChannel*, FakeChannelWindow*>> channels)
    {
        for (const auto& [c, w] : channels) {
            ASSERT_NO_FATAL_FAILURE(Open(*c));
            c->ResumeIdentification();
            ASSERT_NO_FATAL_FAILURE(PressOk(*w, WaitForVerdict(*c)));
        }
        ASSERT_TRUE(Await([&] {
            return std::all_of(channels.begin(), channels.end(),
                               [](const auto& k) { return k.first->PollRequest == 0; });
        }));
    }

    // The path of a link in a folder of the process's own, named as a udev rule names an
    // adapter; the folder goes with the fixture.
    AnsiString AdapterLink(const char* folder, const char* name)
    {
        adapterFolder_ = ::testing::TempDir() + "/" + folder + "-" + std::to_string(::getpid());
        std::filesystem::create_directories(adapterFolder_);
        return adapterFolder_ + "/" + name;
    }

    static std::size_t CountLines(const FakeChannelWindow& w, const AnsiString& ending)
    {
        std::size_t n = 0;
        for (const AnsiString& l : w.Memo(TChannelMemo::memSerialData))
            if (l.size() >= ending.size() && l.compare(l.size() - ending.size(), ending.size(), ending) == 0) ++n;
        return n;
    }

    // The time-outs come only when the test moves the device layer's clock on (made before
    // the line, gone after it).
    support::StoppedDeviceTime deviceTime;
    platform::ManualClock clock;
    ServicesScope scope;
    support::SimulatedUnitLine line;
    AnsiString portPath;
    AnsiString failOpen;  // when set, opening a port fails with this reason
    bool qtEvents = false;
    std::vector<std::shared_ptr<RecordingLink>> links;
    std::vector<comm::TSerialLinkSettings> opened;

private:
    std::string adapterFolder_;
};

}  // namespace testfakes
