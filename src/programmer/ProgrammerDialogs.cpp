#include "programmer/ProgrammerDialogs.h"

#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "platform/Dialogs.h"
#include "programmer/TfrmDateTimePicker.h"
#include "programmer/TfrmSingleRamp.h"

namespace {

// Modal on screen; with scripted dialogs (tests) the forms are only shown, and answered
// through their handlers.
bool OnScreen()
{
    return dynamic_cast<platform::QtDialogs*>(&platform::dialogs()) != nullptr;
}

}  // namespace

TProgrammerDialogs::TProgrammerDialogs(TfrmMainWindow* mainWindow, TfrmPanelControl* panel)
    : FMainWindow(mainWindow),
      FPanel(panel),
      FPicker(std::make_unique<TfrmDateTimePicker>(mainWindow)),
      FSingleRamp(std::make_unique<TfrmSingleRamp>(mainWindow))
{
    if (FMainWindow) FMainWindow->SetProgrammerDialogs(this);
    if (FPanel) FPanel->SetCalendarStartEntries(FPicker.get());
}

TProgrammerDialogs::~TProgrammerDialogs()
{
    if (FMainWindow) FMainWindow->SetProgrammerDialogs(nullptr);
    if (FPanel) FPanel->SetCalendarStartEntries(nullptr);
}

void TProgrammerDialogs::ClearOverview()
{
    FPicker->ClearOverview();
}

void TProgrammerDialogs::SetChannelState(int channel, int connected, int automaticStart, const AnsiString& programFile,
                                         int programRunning, int viewMode)
{
    FPicker->SetChannelState(channel, connected, automaticStart, programFile, programRunning, viewMode);
}

void TProgrammerDialogs::ShowDateTimePicker()
{
    FPicker->FormShow();
    if (OnScreen())
        FPicker->exec();
    else
        FPicker->show();
}

void TProgrammerDialogs::SetProgramName(const AnsiString& fileName)
{
    FPicker->SetProgramName(fileName);
}

void TProgrammerDialogs::ShowSingleRamp(int channel)
{
    FSingleRamp->Prepare(channel);
    if (OnScreen())
        FSingleRamp->exec();
    else
        FSingleRamp->show();
}

void TProgrammerDialogs::ChannelProgramState(int channel, int automaticStart, int programRunning)
{
    FPicker->ChannelProgramState(channel, automaticStart, programRunning);
}
