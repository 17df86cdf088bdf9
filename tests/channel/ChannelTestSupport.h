#pragma once
// Channel sessions against the simulated unit: a pseudo-terminal (RS232, RS485 slaves) or a
// loopback TCP port, with the device layer's timing shortened, an injected clock and
// scripted dialogs. Every wait is bounded by a condition.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>

#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/CChannelSession.h"
#include "channel/TmdiSubWindow.h"
#include "comm/CChannel.h"
#include "comm/CIdentification.h"
#include "comm/CommTiming.h"
#include "comm/TfrmIdentification.h"
#include "platform/DateTime.h"
#include "platform/UiDispatcher.h"
#include "support/DeviceClock.h"
#include "support/PtyLink.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace channeltest {

inline constexpr int kWaitMs = 15000;  // bound of every wait; never reached when things work

// Waits for a condition while running queued calls and Qt events (socket notifiers).
inline bool Await(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (platform::UiDispatcher::Instance().WaitRunning(done, 5)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

class ChannelFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm::TCommTiming t;
        t.PollStepMs = 20;
        t.IdentificationStepMs = 1;
        t.ReadTimeoutMs = 400;
        t.ReplyWaitMs = 300;
        comm::SetTiming(t);
        clock.Set(EncodeDate(2026, 3, 28) + EncodeTime(22, 0, 0, 0));
        platform::SetClock(&clock);
        support::TestDialogs().Clear();
        comm::SetSerialLinkFactory([](const comm::TSerialLinkSettings& s, AnsiString& error) {
            return std::static_pointer_cast<comm::IByteLink>(testfakes::PtyLink::Open(s.PortName, error));
        });
        ASSERT_TRUE(folder.isValid());
        CChannelSession::DefaultDataFolder = folder.path().toStdString();
    }
    void TearDown() override
    {
        // The saves of the windows and sessions the test closed are written before their
        // folder goes: a save that came after would make the folder anew and leave it behind.
        TDataFileSaveQueue::Instance().WaitIdle();
        comm::SetSerialLinkFactory(nullptr);
        comm::ResetTiming();
        platform::SetClock(nullptr);
        CChannelSession::DefaultDataFolder.clear();
        support::TestDialogs().Clear();
    }

    AnsiString Path(const char* name) const { return folder.path().toStdString() + "/" + name; }
    // For tests of many ticks: the poll thread's steps are short.
    static void ShortPollSteps()
    {
        comm::TCommTiming timing = comm::Timing();
        timing.PollStepMs = 5;
        comm::SetTiming(timing);
    }

    // Presses OK on the identification's verdict and waits for the session's answer.
    static void ConfirmIdentification(CChannelSession& s)
    {
        CChannel* c = s.ChannelObject();
        ASSERT_NE(c, nullptr);
        CIdentification* id = c->Identification;
        ASSERT_NE(id, nullptr);
        ASSERT_TRUE(Await([&] {
            TfrmIdentification* w = id->IdentificationWindow();
            if (w) w->setUpdatesEnabled(false);
            return w && w->OkEnabled();
        }));
        id->IdentificationWindow()->bitOKClick();
        ASSERT_TRUE(Await([&] { return s.IsConnected() || s.IsIdle(); }));
    }

    // In the program's run (a child process): File > New > Record data, connected over TCP/IP
    // to the unit at `port`, recording to `file`, identified, its timer stopped (the caller
    // ticks it).
    static void OpenRecordingOverTcp(TfrmMainWindow* main, int port, const std::string& file, TmdiSubWindow*& w)
    {
        ASSERT_NE(main, nullptr);
        main->mnuDatenaufzeichnungClick();
        w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
        ASSERT_NE(w, nullptr);
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(port));
        support::TestDialogs().QueueFileName(file);
        w->cmdEstablishConnectionClick();
        ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(w->Session()));
        ASSERT_TRUE(w->IsConnected());
        w->tmrDataUpdate->stop();
    }

    // Connects a session to the unit behind its settings: the file dialog answers with
    // `file`, the identification is confirmed and the first poll cycle has come back.
    static void Connect(CChannelSession& s, const AnsiString& file)
    {
        support::TestDialogs().QueueFileName(file);
        ASSERT_TRUE(s.EstablishConnection());
        ConfirmIdentification(s);
        ASSERT_TRUE(s.IsConnected());
        ASSERT_TRUE(AwaitCycle(s));
    }
    static void UseTcp(CChannelSession& s, int port)
    {
        s.Settings.Interface = "TCP/IP";
        s.Settings.IPAddress = "127.000.000.001";
        s.Settings.TCPPort = IntToStr(port);
    }
    // A unit of the session's own on a loopback port, and the session set to reach it.
    static void UseOwnTcpUnit(support::SimulatedUnitLine& line, CChannelSession& s, const support::UnitState& unit = {})
    {
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
        UseTcp(s, line.TcpPort());
    }
    // A unit of the session's own on a pseudo-terminal, and the session set to reach it.
    static void UseOwnSerialUnit(support::SimulatedUnitLine& line, CChannelSession& s,
                                 const support::UnitState& unit = {})
    {
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        UseSerial(s, "RS232", line.SlavePath());
    }
    static void UseSerial(CChannelSession& s, const char* interface, const AnsiString& port, int slave = 1)
    {
        s.Settings.Interface = interface;
        s.Settings.Port = port;
        s.Settings.Slave = IntToStr(slave);
    }

    // Waits until `idle` holds for the session's channel and still holds once every reply the
    // poll thread handed over meanwhile has been taken in: the thread hands a reply on before
    // it marks its cycle done, so that reply may still be queued when `idle` first holds.
    static bool AwaitSettled(CChannelSession& s, const std::function<bool(const CChannel&)>& idle)
    {
        auto holds = [&] {
            const CChannel* c = s.ChannelObject();
            return c && idle(*c);
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (!Await(holds, int(std::max<std::int64_t>(left.count(), 0)))) return false;
            platform::UiDispatcher::Instance().ProcessPending();
            if (holds()) return true;
        }
    }

    // The poll cycle a tick asked for has gone out and come back, and the poll thread is idle:
    // no cycle it set off without a tick (a one-shot's second, a standing command's own) is
    // under way or due, so what the unit holds and what the window shows have settled.
    static bool AwaitCycle(CChannelSession& s)
    {
        return AwaitSettled(s, [](const CChannel& c) { return c.PollRequest == 0 && !c.CycleUnderWayOrDue(); });
    }

    // The same, and the commands given meanwhile (a program's frames that go at once) are out
    // too: the next tick finds the poll thread idle.
    static bool AwaitCommandsOut(CChannelSession& s)
    {
        return AwaitSettled(s, [&s](const CChannel& c) {
            return c.PollRequest == 0 && !c.OneShotInProgress() && !s.HasWaitingProgramCommands() &&
                   !c.CycleUnderWayOrDue();
        });
    }

    // One tick one sampling interval later, after the poll cycle of the tick before.
    void TickAfterCycle(CChannelSession& s)
    {
        ASSERT_TRUE(AwaitCycle(s));
        clock.AdvanceMs(std::int64_t(s.SamplingInterval()) * 1000);
        s.Tick();
    }

    // The time-outs come only when the test moves the device layer's clock on.
    support::StoppedDeviceTime deviceTime;
    support::ManualDeviceClock& deviceClock = deviceTime.clock;
    platform::ManualClock clock;
    QTemporaryDir folder;
};

// The main window in English with its control panel, creating real channel windows.
class ChannelWindowFixture : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        main = std::make_unique<TfrmMainWindow>(&factory, CLanguage::English);
        main->tmrPopUp->stop();
        panel = new TfrmPanelControl(main.get());
        panel->setUpdatesEnabled(false);
    }
    void TearDown() override
    {
        delete panel;
        main.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        ChannelFixture::TearDown();
    }
    // The window a menu command of the main window opened.
    TmdiSubWindow* Open(void (TfrmMainWindow::*menu)())
    {
        (main.get()->*menu)();
        return dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    }

    TChannelFormFactory factory;
    std::unique_ptr<TfrmMainWindow> main;
    TfrmPanelControl* panel = nullptr;
};

}  // namespace channeltest
