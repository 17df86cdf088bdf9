#pragma once
// The programmer's dialogs as the main window calls them: the automatic-start form and the
// single-ramp dialog, created once at program start. Installs itself in the main window and
// the automatic-start form's entries in the control panel.
#include <memory>

#include "app/IShellHooks.h"

class QWidget;
class TfrmDateTimePicker;
class TfrmSingleRamp;
class TfrmMainWindow;
class TfrmPanelControl;

class TProgrammerDialogs : public IProgrammerDialogs {
public:
    TProgrammerDialogs(TfrmMainWindow* mainWindow, TfrmPanelControl* panel);
    ~TProgrammerDialogs() override;
    TProgrammerDialogs(const TProgrammerDialogs&) = delete;
    TProgrammerDialogs& operator=(const TProgrammerDialogs&) = delete;

    TfrmDateTimePicker* DateTimePicker() { return FPicker.get(); }
    TfrmSingleRamp* SingleRamp() { return FSingleRamp.get(); }

    void ClearOverview() override;
    void SetChannelState(int channel, int connected, int automaticStart, const AnsiString& programFile,
                         int programRunning, int viewMode) override;
    void ShowDateTimePicker() override;
    void SetProgramName(const AnsiString& fileName) override;
    void ShowSingleRamp(int channel) override;
    void ChannelProgramState(int channel, int automaticStart, int programRunning) override;

private:
    TfrmMainWindow* FMainWindow;
    TfrmPanelControl* FPanel;
    std::unique_ptr<TfrmDateTimePicker> FPicker;
    std::unique_ptr<TfrmSingleRamp> FSingleRamp;
};
