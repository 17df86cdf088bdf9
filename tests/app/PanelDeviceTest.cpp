// The control panel end to end: a main window, a channel window with an RS232 channel on
// the simulated unit's pseudo-terminal, the panel's buttons pressed; the unit's frame log
// and its state show what arrived.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "PanelFakes.h"
#include "app/CLanguage.h"
#include "app/TfrmMainWindow.h"
#include "comm/CIdentification.h"
#include "comm/CRS232.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CommTiming.h"
#include "comm/TfrmIdentification.h"
#include "platform/UiDispatcher.h"
#include "support/DeviceClock.h"
#include "support/PtyLink.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace {

constexpr int kWaitMs = 10000;  // bound of every wait; never reached when things work

bool WaitUntil(const std::function<bool()>& done)
{
    return platform::UiDispatcher::Instance().WaitRunning(done, kWaitMs);
}

// A recording window as the channel window will be: line settings for the channel object,
// and on a good identification the connected flag and the two status poll frames.
class SerialChannelForm : public FakePanelChannelForm {
public:
    AnsiString ControlText(TChannelControl c) const override
    {
        switch (c) {
            case TChannelControl::cmbPort: return port;
            case TChannelControl::cmbBaudrate: return "9600";
            case TChannelControl::cmbDataBits: return "8";
            case TChannelControl::cmbActual: return "5";
            default: return {};
        }
    }
    void OnConnectionEstablished(int ch, int result) override
    {
        results.push_back(result);
        if (result != 1 || !ChannelObjects[ch]) return;
        Connected = 1;
        CChannel* c = ChannelObjects[ch];
        const AnsiString address = IntToStr(c->GetAddress());
        const AnsiString status = frmPanelControl->BuildDeviceFrame("[M" + address + "G0D******", ch);
        const AnsiString follow = frmPanelControl->BuildDeviceFrame("[M" + address + "C14*************", ch);
        c->SetPollCommands(status, int(status.size()), 24, ch, int(follow.size()), follow);
        c->StartPolling(ch);
    }
    AnsiString port;
    std::vector<int> results;
};

class SerialFormFactory : public IChannelFormFactory {
public:
    IChannelForm* CreateChannelForm() override
    {
        auto* form = new SerialChannelForm;
        created.push_back(form);
        return form;
    }
    std::vector<SerialChannelForm*> created;
};

class PanelDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm::TCommTiming t;
        t.PollStepMs = 5;
        t.IdentificationStepMs = 1;
        // Every reply must come in time, also on a loaded machine: a time-out would hold the
        // cycle back until a tick that these tests never give. The device layer's clock
        // stands still (deviceTime), so none comes unless a unit leaves a frame unanswered.
        t.ReadTimeoutMs = 2000;
        comm::SetTiming(t);
        support::TestDialogs().Clear();
        comm::SetSerialLinkFactory([](const comm::TSerialLinkSettings& s, AnsiString& error) {
            return std::static_pointer_cast<comm::IByteLink>(testfakes::PtyLink::Open(s.PortName, error));
        });
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        window = std::make_unique<TfrmMainWindow>(&factory, CLanguage::English);
        window->tmrPopUp->stop();
        panel = new TfrmPanelControl(window.get());
        // Shown but never painted: the offscreen painting runs in Qt's own thread pool.
        panel->setUpdatesEnabled(false);
        window->mnuDatenaufzeichnungClick();
        form = factory.created.back();
        form->port = line.SlavePath();
        // What the channel window's activation does for a recording window.
        panel->UnlockDeviceControls();
    }
    void TearDown() override
    {
        if (channel) channel->Close(3);
        ChannelObjects[1] = nullptr;
        channel.reset();
        delete panel;
        window.reset();
        line.Stop();
        comm::SetSerialLinkFactory(nullptr);
        comm::ResetTiming();
        support::TestDialogs().Clear();
    }

    // Identification, OK pressed, and the first poll cycle done.
    void Connect()
    {
        channel = std::make_unique<CRS232>(1);
        ChannelObjects[1] = channel.get();
        ASSERT_EQ(channel->ReadSettings(), 1);
        ASSERT_EQ(channel->Open(), 1);
        channel->ResumeIdentification();
        CIdentification* id = channel->Identification;
        ASSERT_NE(id, nullptr);
        // The window is never painted either (checked before any event processing).
        ASSERT_TRUE(WaitUntil([&] {
            TfrmIdentification* w = id->IdentificationWindow();
            if (w) w->setUpdatesEnabled(false);
            return w && w->OkEnabled();
        }));
        id->IdentificationWindow()->bitOKClick();
        ASSERT_TRUE(WaitUntil([&] { return !form->results.empty(); }));
        ASSERT_EQ(form->results, std::vector<int>{1});
        ASSERT_TRUE(WaitUntil([&] { return channel->PollRequest == 0 && line.FrameCount() >= 27 + 6; }));
        line.ClearLog();
    }
    // Poll cycles as the window's ticks start them, each after the one before has ended.
    void Cycles(int n)
    {
        for (int i = 0; i < n; ++i) {
            const std::size_t before = line.FrameCount();
            // What the window's tick does: commands still waiting first, then the request.
            form->FlushCommands();
            channel->PollRequest = 1;
            ASSERT_TRUE(WaitUntil([&] { return line.FrameCount() >= before + 6 && channel->PollRequest == 0; }));
        }
    }
    // Waits, without a tick, until every command given has gone out in all its cycles.
    void Settle()
    {
        ASSERT_TRUE(WaitUntil([&] { return form->commands.Empty() && !channel->OneShotInProgress(); }));
    }
    // The status-row frame of each cycle the unit got since the last call (every cycle has
    // six rows, the follow-up fifth).
    std::vector<AnsiString> Sent(std::vector<AnsiString>* followUps = nullptr)
    {
        const auto frames = line.Frames();
        line.ClearLog();
        EXPECT_EQ(frames.size() % 6, 0u);
        std::vector<AnsiString> base;
        for (std::size_t i = 0; i + 6 <= frames.size(); i += 6) {
            base.push_back(frames[i].frame);
            if (followUps) followUps->push_back(frames[i + 4].frame);
        }
        return base;
    }

    support::StoppedDeviceTime deviceTime;  // made before the line, gone after it
    support::SimulatedUnitLine line;
    SerialFormFactory factory;
    std::unique_ptr<TfrmMainWindow> window;
    TfrmPanelControl* panel = nullptr;
    SerialChannelForm* form = nullptr;
    std::unique_ptr<CRS232> channel;
};

const AnsiString kStatus = "[M01G0D******" + FrameChecksum("[M01G0D******") + "\r";
const AnsiString kFollowUp = "[M01C14*************D3\r";

}  // namespace

TEST_F(PanelDeviceTest, CommandsGoOutForTwoCyclesAndChangeTheUnit)
{
    Connect();
    ASSERT_DOUBLE_EQ(form->UpperSetpointLimit, 200.0);

    // No tick asks for a cycle: each command goes out at once, in two cycles of its own, and
    // the ticks after them poll the status again.
    panel->edSetPoint->setText("30,5");
    panel->cmdDataToKelvor->click();
    Settle();
    Cycles(1);
    std::vector<AnsiString> followUps;
    const AnsiString setpoint = "[M01G0D**0BEA" + FrameChecksum("[M01G0D**0BEA") + "\r";
    EXPECT_EQ(Sent(&followUps), (std::vector<AnsiString>{setpoint, setpoint, kStatus}));
    EXPECT_EQ(followUps, std::vector<AnsiString>(3, kFollowUp));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.5);

    panel->cmbTempMethod->setCurrentIndex(1);
    panel->cmdKelvorStart->click();
    Settle();
    EXPECT_EQ(Sent(), std::vector<AnsiString>(2, "[M01G0DE*****DB\r"));
    EXPECT_EQ(line.First().State().controlMode, 'E');

    window->mnuCirculationONClick();
    Settle();
    EXPECT_EQ(Sent(), std::vector<AnsiString>(2, "[M01G0DC*****D9\r"));
    EXPECT_EQ(line.First().State().controlMode, 'C');

    // Commands given in quick succession all reach the unit, in order, each in its two
    // cycles; none is refused.
    support::TestDialogs().Clear();
    panel->cmdKelvorStop->click();
    panel->cmdKelvorStartCirculation->click();
    panel->cmdKelvorStart->click();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 3u);  // the three questions only
    Settle();
    Cycles(1);
    const AnsiString stop = "[M01G0DO*****" + FrameChecksum("[M01G0DO*****") + "\r";
    const AnsiString circulation = "[M01G0DC*****D9\r", external = "[M01G0DE*****DB\r";
    EXPECT_EQ(Sent(), (std::vector<AnsiString>{stop, stop, circulation, circulation, external, external, kStatus}));
    EXPECT_EQ(line.First().State().controlMode, 'E');
    panel->cmdKelvorStop->click();
    Settle();
    EXPECT_EQ(line.First().State().controlMode, 'O');
    Sent();

    // The identified upper limit is 200: 250 never reaches the unit.
    support::TestDialogs().Clear();
    panel->edSetPoint->setText("250");
    panel->cmdDataToKelvor->click();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Set value out of limits!");
    Cycles(3);
    EXPECT_EQ(Sent(), std::vector<AnsiString>(3, kStatus));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.5);

    // The limit query updates what the window keeps.
    line.First().Update([](support::UnitState& s) { s.upperLimit = 150.0; });
    panel->RequestSetpointLimits(1);
    Settle();
    EXPECT_EQ(Sent()[0], CTolvarProtocol::BuildCommandFrame("L0F********", 1));
    EXPECT_DOUBLE_EQ(form->UpperSetpointLimit, 150.0);
    EXPECT_EQ(channel->CommError, 0);
}

TEST_F(PanelDeviceTest, ControlStatusFollowsTheCommandsThroughEveryState)
{
    Connect();
    EXPECT_EQ(form->ControlStatus, "O");  // the unit starts with temperature control off
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[&] { panel->cmdKelvorStartCirculation->click(); }, "C"},
        {[&] {
             panel->cmbTempMethod->setCurrentIndex(0);
             panel->cmdKelvorStart->click();
         },
         "I"},
        {[&] {
             panel->cmbTempMethod->setCurrentIndex(1);
             panel->cmdKelvorStart->click();
         },
         "E"},
        {[&] { panel->cmdKelvorStop->click(); }, "O"},
    };
    for (const auto& [press, letter] : steps) {
        press();
        Settle();
        Cycles(1);
        EXPECT_EQ(form->ControlStatus, letter);
        EXPECT_EQ(line.First().State().controlMode, letter[0]);
    }
    for (const support::LoggedFrame& f : line.Frames()) EXPECT_FALSE(f.rejected) << f.frame;
}
