#pragma once
// Commands of the main window's menus that other parts of the program carry out: the data
// files, printing and picture export, and the programmer's calendar-start and single-ramp
// dialogs. Each is installed into the main window; a command without one does nothing.
#include "platform/AnsiString.h"

// Recorded-data files, import, printing and export. The channel arguments name the active
// channel window (0: none open).
class IFileCommands {
public:
    virtual ~IFileCommands() = default;
    // Opens a file into the active view window, or a program into a programmer or TP Scout
    // window (Ctrl+O, the open button). newView (the view item, Ctrl+G, or no window open)
    // opens a new view window first.
    virtual void actFileOpenExecute(bool newView) = 0;
    // The save button and item: the selected program of a TP Scout window, or the running
    // recording of the active window with a confirmation.
    virtual void btnFileSaveClick(int channel) = 0;
    // Writes the data file of a channel without a question.
    virtual void FileSave1Execute(int channel) = 0;
    virtual void PrintGraph(int channel) = 0;
    virtual void PrintProtocol(int channel) = 0;
    virtual void PrintMemo(int channel) = 0;
    virtual void PrinterSetup() = 0;
    virtual void Export(int channel) = 0;
    // The data-import form follows the language of the main window.
    virtual void SetImportLanguage(int /*language*/) {}
};

// The programmer's calendar start and single ramp.
class IProgrammerDialogs {
public:
    virtual ~IProgrammerDialogs() = default;
    virtual void ClearOverview() = 0;
    virtual void SetChannelState(int channel, int connected, int automaticStart, const AnsiString& programFile,
                                 int programRunning, int viewMode) = 0;
    virtual void ShowDateTimePicker() = 0;
    virtual void SetProgramName(const AnsiString& fileName) = 0;
    virtual void ShowSingleRamp(int channel) = 0;
    // A channel's run began or was tidied up, or its timed start was armed or dropped: the
    // automatic-start form, when it is open, shows it.
    virtual void ChannelProgramState(int channel, int automaticStart, int programRunning)
    {
        (void)channel;
        (void)automaticStart;
        (void)programRunning;
    }
};
