#pragma once
// The channel window's program-file commands: saving the selected program of the program
// tree (the work of mnuSaveProgramClick) and reading a program file into a slot
// (ReadProgramFile). The window supplies its tree, controls and programmer through
// IProgramFileWindow; the dialogs and message boxes go through platform::dialogs().
#include "platform/AnsiString.h"
#include "programmer/CProgramFile.h"

class CProgrammer;
class TTreeNode;
class TTreeNodes;

class IProgramFileWindow {
public:
    virtual ~IProgramFileWindow() = default;
    virtual CProgrammer* Programmer() = 0;
    // The items of treeTProgram, its selected node, and selecting a node.
    virtual TTreeNodes& ProgramTreeItems() = 0;
    virtual TTreeNode* SelectedProgramNode() = 0;
    virtual void SelectProgramNode(TTreeNode* node) = 0;
    // cmbRepeat, cmbEndofProgram, edStartTemperature, cmbStirrer and cmbPoko.
    virtual TProgramFileSettings ProgramControls() = 0;
    virtual void SetProgramControls(const TProgramFileSettings& settings) = 0;
    // The window's ProgramFileName: the loaded file's name without its folder.
    virtual void SetProgramFileName(const AnsiString& name) = 0;
    // After a program was read: the editor shows the last segment and its controls are
    // enabled as after loading.
    virtual void ProgramFileLoaded(TTreeNode* lastSegment) = 0;
    // Whether the window's unit can be sent this setpoint (a file written for another
    // unit may hold values this one cannot represent).
    virtual bool SetpointAllowed(double /*value*/) const { return true; }
};

// Image indexes of the program tree's nodes.
inline constexpr int ProgramNodeImage = 0;
inline constexpr int SegmentNodeImage = 1;

// Writes the program of the tree's selected node (a segment node selects its program) to a
// file the user chooses. ".tp" is appended to a chosen name without that extension. True
// when the file was written; the program is then marked saved. Every failure is shown in a
// box and leaves the program unsaved and an existing file unchanged. The file is written on
// another thread; a write that does not finish within a second brings up the wait window,
// and when the user leaves the file unsaved there, *leftUnsaved is set (and false returned).
bool SaveSelectedProgram(IProgramFileWindow& window, bool* leftUnsaved = nullptr);

// Lets the user choose a program file and reads it into `slot` as a new program named after
// the file. 1 when a program was read, 0 otherwise. The file is checked whole before
// anything changes: a refused, unreadable or faulty file adds nothing to the tree or the
// programmer and leaves the window's controls and file name as they were.
int ReadProgramFile(IProgramFileWindow& window, int slot);
