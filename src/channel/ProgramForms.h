#pragma once
// The program's forms, created in the order the program starts them: the main window, the
// data-import form, the control panel, the title window, the wait window (which the main
// window makes) and the serial-number dialog, with the main window's file commands
// installed. The program's entry builds them once; tests build them the same way.
#include <memory>

#include "channel/TmdiSubWindow.h"

class TFileCommands;
class SingleInstanceLock;
class TProgrammerDialogs;
class TfrmFileReader;
class TfrmMainWindow;
class TfrmPanelControl;
class TfrmTitleControl;

class TProgramForms {
public:
    // language < 0: from the locale.
    explicit TProgramForms(int language = -1);
    ~TProgramForms();
    TProgramForms(const TProgramForms&) = delete;
    TProgramForms& operator=(const TProgramForms&) = delete;

    TChannelFormFactory ChannelForms;
    std::unique_ptr<TfrmMainWindow> MainWindow;
    // Owned by the main window.
    TfrmFileReader* FileReader = nullptr;
    TfrmPanelControl* PanelControl = nullptr;
    TfrmTitleControl* TitleWindow = nullptr;
    std::unique_ptr<TFileCommands> FileCommands;
    // The automatic-start and single-ramp dialogs the main window and the panel call.
    std::unique_ptr<TProgrammerDialogs> ProgrammerDialogs;
};

// The program's run once it holds its single-instance lock: builds the forms, shows the main
// window maximized and runs the event loop until File > Exit. Recording files still being
// written are finished before it returns; when their drive does not answer and the user
// ends without them, a worker hangs in a write, so nothing may wait for it: the lock goes
// and the process ends at once. Returns the event loop's result.
int RunProgram(SingleInstanceLock& lock, int language);

// How long an end from outside waits for the recording files still being written (10 s);
// for tests, a shorter wait (<= 0: the program's own).
int OutsideEndWriteMs();
void SetOutsideEndWriteMs(int ms);
