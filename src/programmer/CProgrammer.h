#pragma once
// The temperature programs of one channel: up to ten program slots, each holding one program
// (a CTemperatureProgram list), its settings and its saved state. Programs and segments are
// found by the tree node (TTreeNode) that shows them in the channel window's program tree.
#include <array>
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "programmer/CTemperatureProgram.h"

class CLanguage;
class IProgrammerWindow;
class TTreeNode;

class CProgrammer {
public:
    static constexpr int MaxPrograms = 10;
    // The editor and the program file both hold a program to this many segments.
    static constexpr int MaxSegments = 200;
    static constexpr int MaxSegmentNameNumber = 600;

    explicit CProgrammer(int channel);
    // Frees every node still held, so a programmer never leaks its programs.
    ~CProgrammer();
    CProgrammer(const CProgrammer&) = delete;
    CProgrammer& operator=(const CProgrammer&) = delete;

    int Channel() const { return FChannel; }

    // Programs and segments. Slots are 0..9; an operation on a slot outside that range, a
    // free slot or an unknown node does nothing (and returns false where it returns a result).
    // Creates the program's head in a free slot; false when the slot is not free or the node
    // is null.
    bool CreateProgram(int slot, TTreeNode* node, const AnsiString& name);
    // Appends a segment (index = number of segments + 1). False when the slot holds no
    // program, the node is null or already a key, or the program is full (MaxSegments).
    bool AddSegment(TTreeNode* node, const AnsiString& name, int slot);
    // Inserts a segment keyed `newNode` in front of the slot's segment keyed `segmentNode`;
    // the indexes from there on grow by one. Does not touch the saved flag (the editor
    // always follows it with SetSegmentValues). Same refusals as AddSegment.
    bool PasteSegment(TTreeNode* segmentNode, TTreeNode* newNode, int slot, const AnsiString& name);
    // Unlinks and frees the segment; the indexes behind it fall by one.
    void DeleteSegment(TTreeNode* node);
    // Frees the nodes of a used slot. The slot stays marked used, with no program, until
    // RemoveProgramSlot closes the gap.
    void FreeProgram(int slot);
    // Closes the gap of a slot: the slots above move down by one, together with their
    // settings and saved flags, and the top slot becomes free. A program still held in the
    // slot is freed first.
    void RemoveProgramSlot(int slot);
    // Frees the programs of every slot and marks all slots free (window closing).
    void FreeAllPrograms();
    void RenameProgram(int slot, const AnsiString& name);
    void RenameSegment(TTreeNode* node, const AnsiString& name);
    void SetSegmentValues(TTreeNode* node, int duration, std::uint8_t waitFlag, std::uint8_t controlMode, int contact,
                          int analogOutput, double setpoint);
    void SetProgramSettings(int slot, bool repeatMode, bool contactUsed, bool stirrerUsed, double startTemperature,
                            bool endAction);

    // Stirrer and floating contact choice of a program; these leave the saved flag alone.
    void ClearStirrerUse(int slot);  // every segment's analogue output -1, stirrer unused
    void ClearContactUse(int slot);  // every segment's contact 2 (unchanged), contact unused
    void SetStirrerUsed(int slot);
    void SetContactUsed(int slot);

    void SetProgramSaved(int slot);
    bool IsProgramSaved(int slot) const;
    bool IsSlotFree(int slot) const;
    // The first free slot, or -1 when all ten hold programs.
    int FindFreeSlot() const;

    // Getters of a slot.
    AnsiString GetProgramName(int slot) const;
    TTreeNode* GetProgramNode(int slot) const;
    double GetFinalSetpoint(int slot) const;  // setpoint of the last node (the head's without segments)
    std::uint8_t GetRepeatMode(int slot) const;
    std::uint8_t GetEndAction(int slot) const;
    double GetStartTemperature(int slot) const;
    bool IsStirrerUsed(int slot) const;
    bool IsContactUsed(int slot) const;
    // Read access to a slot's list for walking its segments; null when the slot holds none.
    const CTemperatureProgram* GetProgramHead(int slot) const;

    // Getters of a tree node. GetProgramIndex: the node's position among the tree's
    // top-level nodes, or its parent's for a segment node (-1 for null). GetSegmentCount:
    // the child count of the program node, or of the parent for a segment node.
    static int GetProgramIndex(const TTreeNode* node);
    static int GetSegmentCount(const TTreeNode* node);
    AnsiString GetSegmentName(const TTreeNode* node) const;
    double GetSegmentSetpoint(const TTreeNode* node) const;
    int GetSegmentDuration(const TTreeNode* node) const;
    int GetSegmentAnalogOutput(const TTreeNode* node) const;
    int GetSegmentContact(const TTreeNode* node) const;
    std::uint8_t GetSegmentReserved(const TTreeNode* node) const;
    std::uint8_t GetSegmentControlMode(const TTreeNode* node) const;
    std::uint8_t GetSegmentWaitFlag(const TTreeNode* node) const;

    // "Temperature program N" with the first N of 1..10 no program is named; empty when all
    // ten are taken.
    AnsiString NewProgramName();
    // "New segment (N)" with the first N of 1..600 that no segment of the slot carries;
    // empty when all are taken.
    AnsiString NewSegmentName(int slot);
    // False when a program is loaded under the name a program file of this path would get
    // (ProgramNameFromFileName), so one file is not loaded twice.
    bool IsProgramNameFree(const AnsiString& fileName) const;

    // The tree node of the segment being run.
    TTreeNode* currentSegment = nullptr;

    // ---- Running a program (CProgrammer_run.cpp) ----
    // The channel window that shows the run; null detaches it. Without a window nothing is
    // planned, drawn or logged, and GetActiveSetpoint falls back to the segment's setpoint.
    void AttachWindow(IProgrammerWindow* window) { FWindow = window; }
    IProgrammerWindow* Window() const { return FWindow; }

    // The programmer's part of starting a run of the slot's program: the first segment
    // becomes current, its ramp from `startTemperature` is planned, the profile drawn and
    // the segment written to the protocol. Returns the steps still to run after this tick
    // (the window's remaining steps), or -1 when the slot holds no segment.
    int BeginRun(int slot, int interval, double startTemperature, int repeat);
    // The timer's step while a program runs: ends the current segment when its planned time
    // is over and, unless it has to wait for its setpoint, goes on with the next segment, the
    // first again (endless repeat) or ends the program through the window. `interval` is the
    // sampling interval in seconds; `plannedEnd` the last X of the planned curve,
    // `lastRecorded` the last X of the recorded setpoint curve.
    void RunStep(int interval, int slot, TDateTime plannedEnd, TDateTime lastRecorded);
    // Plans a ramp of `steps` intervals from `start` to `target`, one interval after the
    // last planned point, never before the last recorded point (where it starts when none
    // is planned yet).
    void StartRamp(int steps, int interval, double target, double start);
    // The same, with the first point at `startTime` (a new recording part begins).
    void PlotRamp(int steps, int interval, TDateTime startTime, double target, double start);
    // The setpoint of step k of the planned ramp; step `ramp step count` is the target.
    double RampValue(int k, double target, double start) const;
    // The whole intervals still to run in the segment, less one (never negative).
    static int ElapsedSteps(TDateTime plannedEnd, TDateTime lastRecorded, int interval);
    // The ramp steps of a segment: its duration (3 intervals for duration 0) in whole
    // intervals, at least one, so that every segment's setpoint is planned and sent.
    static int SegmentSteps(int duration, int interval);
    // Whether the temperature the current segment controls (internal or process) lies
    // strictly within 1 K of the setpoint.
    bool SetpointReached(double processTemperature, double internalTemperature, double setpoint) const;
    // While a ramp runs, the planned setpoint `stepsBack` points before the last planned one
    // (the setpoint of the current interval); otherwise the current segment's setpoint.
    double GetActiveSetpoint(int stepsBack) const;
    // The index in the planned curve of that setpoint; -1 when it is the segment's own.
    int ActiveSetpointIndex(int stepsBack) const;
    // Draws the slot's program into the profile chart: the start temperature at X 1, segment
    // n at X n + 1, the legend lines "n - name", the temperature axis at the extremes ± 2.
    void DrawProfile(int slot, double startTemperature);
    // Writes the five protocol lines of the current segment.
    void WriteSegmentProtocol();

    // The current segment's values (the segment getters applied to it).
    AnsiString GetCurrentModeLetter() const;  // "I" internal, "E" process, "*" otherwise
    double GetCurrentSetpoint() const { return GetSegmentSetpoint(currentSegment); }
    int GetCurrentAnalogOutput() const { return GetSegmentAnalogOutput(currentSegment); }
    int GetCurrentContact() const { return GetSegmentContact(currentSegment); }
    std::uint8_t GetCurrentControlMode() const { return GetSegmentControlMode(currentSegment); }
    std::uint8_t GetCurrentWaitFlag() const { return GetSegmentWaitFlag(currentSegment); }
    AnsiString GetCurrentSegmentName() const { return GetSegmentName(currentSegment); }
    TTreeNode* GetCurrentSegment() const { return currentSegment; }
    // The current segment is the last of the slot's program.
    bool CurrentIsLastSegment(int slot) const { return Head(slot) && !NextSegment(slot); }

    // Run state the window reads and sets.
    void SetRepeat(int repeat) { FRepeat = repeat; }
    int GetRepeat() const { return FRepeat; }
    void SetEndReached(int endReached) { FEndReached = endReached; }
    int GetEndReached() const { return FEndReached; }
    void SetRunStartTemperature(double temperature) { FRunStartTemperature = temperature; }
    double GetRunStartTemperature() const { return FRunStartTemperature; }
    // 1 while a segment's ramp runs normally; 0 while a temperature-stable segment waits,
    // after the end and while the program is held.
    void SetRampActive(std::uint8_t active) { FRampActive = active; }
    std::uint8_t GetRampActive() const { return FRampActive; }
    // The running segment's wait flag; the window clears it once the setpoint is reached or
    // the segment is cancelled.
    void SetHoldFlag(std::uint8_t hold) { FHoldFlag = hold; }
    std::uint8_t GetHoldFlag() const { return FHoldFlag; }
    void SetFlatRamp(std::uint8_t flat) { FFlatRamp = flat; }
    std::uint8_t GetFlatRamp() const { return FFlatRamp; }
    int GetRampStepCount() const { return FRampStepCount; }
    int GetExecutedPointNumber() const { return FExecutedPointNumber; }

protected:
    static bool ValidSlot(int slot) { return slot >= 0 && slot < MaxPrograms; }
    // The head of a used slot, or null.
    CTemperatureProgram* Head(int slot) const;
    // The first segment with this key over the used slots in order (heads are not searched).
    CTemperatureProgram* FindSegment(const TTreeNode* key) const;
    template <typename T>
    T SegmentField(const TTreeNode* node, T CTemperatureProgram::*field) const;
    static void FreeList(CTemperatureProgram* head);
    // Clears the saved flag of the program the node belongs to.
    void MarkUnsaved(const CTemperatureProgram* node);

    struct ProgramSettings {
        std::uint8_t repeatMode = 0;  // 0 none, 1 endless
        std::uint8_t endAction = 0;   // 0 switch temperature control off, 1 continue
        double startTemperature = 0.0;
        std::uint8_t stirrerUsed = 0;
        std::uint8_t contactUsed = 0;
        std::uint8_t saved = 0;
    };

    int FChannel;
    CLanguage* FLanguage;
    std::array<CTemperatureProgram*, MaxPrograms> FHeads{};
    std::array<std::uint8_t, MaxPrograms> FSlotFree{};
    std::array<std::uint8_t, MaxPrograms> FDefaultNameFree{};
    std::array<std::uint8_t, MaxSegmentNameNumber> FSegmentNameFree{};
    std::array<ProgramSettings, MaxPrograms> FSettings{};

    // Run state.
    IProgrammerWindow* FWindow = nullptr;
    int FRampStepCount = 0;
    int FExecutedPointNumber = 0;
    std::uint8_t FRampActive = 0;
    std::uint8_t FHoldFlag = 0;
    std::uint8_t FFlatRamp = 0;
    int FEndReached = 0;
    int FRepeat = 0;
    double FRunStartTemperature = 0.0;

private:
    // The segment after the current one in the slot's list; null after the last one (or when
    // the current segment is not in the slot).
    CTemperatureProgram* NextSegment(int slot) const;
    void AddRampPoints(int steps, int interval, TDateTime x, double target, double start);
    void DrawProfileColoured(int slot, double startTemperature, bool running);
    AnsiString Text(int row) const;
};

// The name a program loaded from `fileName` gets: the file's name without its folder and
// without a ".tp" extension, in upper case ("C:\Progs\Ramp.tp" and "/home/u/Ramp.tp" give
// "RAMP"). Folders end at "\", "/" or ":".
AnsiString ProgramNameFromFileName(const AnsiString& fileName);
