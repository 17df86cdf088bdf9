#pragma once
// Fakes for the control panel's tests: a channel window that also shows the panel's view
// of it (program commands, program controls, chart labels), and a channel object that
// records the frames it is handed.
#include <map>
#include <memory>
#include <vector>

#include "FakeChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "app/TfrmPanelControl.h"
#include "comm/CChannel.h"
#include "comm/DeviceCommandQueue.h"
#include "platform/FormatSettings.h"
#include "support/TestChannel.h"

class FakePanelChannelForm : public FakeChannelForm, public IPanelChannelWindow {
public:
    void btnStartTPClick(QObject* sender) override { calls.push_back(sender ? "start" : "start(null)"); }
    void btnStopTPClick(QObject*) override { calls.push_back("stop"); }
    void btnCancelSegmentClick() override { calls.push_back("cancel"); }
    void btnPauseSegmentClick() override { calls.push_back("pause"); }
    void mnuLoadProgramClick() override
    {
        calls.push_back("load");
        dialogFileName = "/data/programs/ramp.tp";
    }
    AnsiString LoadedProgramFile() const override { return dialogFileName; }
    void RunSingleRamp(double& temperature, int& seconds, int& mode) override
    {
        if (failRamp) throw std::runtime_error("ramp");
        calls.push_back("ramp " + FloatToStr(temperature) + " " + IntToStr(seconds) + " " + IntToStr(mode));
    }
    void DisableEditorControls() override { calls.push_back("editor off"); }
    void SetProgramControlEnabled(TProgramControl c, bool enabled) override { controls[c] = enabled; }
    int ProgramTreeNodeCount() const override { return treeNodes; }
    // As the channel window does: queued behind the commands still waiting, handed over as
    // the poll thread takes them, when it says it can take the next, and on every tick
    // (FlushCommands).
    DeviceCommandQueue::TResult QueueDeviceCommand(const AnsiString& frame, int reply, const AnsiString& followUp,
                                                   bool once) override
    {
        CChannel* object = ChannelObjects[Channel()];
        return object ? commands.Add(*object, {frame, followUp, reply, once})
                      : DeviceCommandQueue::TResult::NoPollThread;
    }
    void FlushCommands()
    {
        if (CChannel* object = ChannelObjects[Channel()]) commands.Flush(*object);
    }
    void ReadyForCommand() override { FlushCommands(); }
    TColor ChartLabelColour() const override { return labelColour; }
    void SetChartLabelColour(TColor c) override
    {
        labelColour = c;
        labelColours.push_back(c);
    }

    DeviceCommandQueue commands;
    std::vector<AnsiString> calls;
    std::map<TProgramControl, bool> controls;
    AnsiString dialogFileName;
    int treeNodes = 0;
    bool failRamp = false;
    TColor labelColour = clWhite;
    std::vector<TColor> labelColours;
};

class FakePanelChannelFactory : public IChannelFormFactory {
public:
    IChannelForm* CreateChannelForm() override
    {
        auto* form = new FakePanelChannelForm;
        created.push_back(form);
        return form;
    }
    std::vector<FakePanelChannelForm*> created;  // freed by their sub-windows
};

// A channel object without a port: records what the panel hands it. Without a poll thread
// it refuses the commands as the real channels do.
class RecordingChannel : public testfakes::TestChannel {
public:
    struct Handed {
        AnsiString frame;
        int frameLength;
        int replyLength;
        int followUpLength;
        AnsiString followUp;
    };
    RecordingChannel(int channel, int address) : TestChannel(channel, "COM1", "RS232", address) {}
    void SetOneShot(int) override
    {
        if (hasPollThread && !oneShot) oneShot = true, ++oneShots;
    }
    bool HasPollThread(int) const override { return hasPollThread; }
    int SetPollCommands(const AnsiString& frame, int length, int reply, int, int followUpLength,
                        const AnsiString& followUp) override
    {
        if (!hasPollThread || oneShot) return 0;
        handed.push_back({frame, length, reply, followUpLength, followUp});
        return 1;
    }

    bool hasPollThread = true;
    bool oneShot = false;  // taken up by the poll thread when the test clears it
    int oneShots = 0;
    std::vector<Handed> handed;
};
