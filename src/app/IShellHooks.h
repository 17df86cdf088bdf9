#pragma once
// Commands of the main window's menus that other parts of the program carry out: the data
// files, printing and picture export, and the programmer's calendar-start and single-ramp
// dialogs. Each is installed into the main window; a command without one does nothing.
#include "platform/AnsiString.h"

// Recorded-data files, import, printing and export.
class IFileCommands {
public:
    virtual ~IFileCommands() = default;
    // Open a recorded-data or imported file into a new view window (Ctrl+O, Ctrl+G).
    virtual void actFileOpenExecute() = 0;
    // Write the data file of a channel (the save button, and the channel windows' saves).
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
    virtual void SetChannelState(int channel, int connected, int automaticStart, const AnsiString& deviceText,
                                 int programRunning, int viewMode) = 0;
    virtual void ShowDateTimePicker() = 0;
    virtual void SetProgramName(const AnsiString& fileName) = 0;
    virtual void ShowSingleRamp(int channel) = 0;
};
