#pragma once
// The temperature programs of one channel: up to ten program slots, each holding one program
// (a CTemperatureProgram list), its settings and its saved state. Programs and segments are
// found by the tree node (TTreeNode) that shows them in the channel window's program tree.
#include <array>
#include <cstdint>

#include "platform/AnsiString.h"
#include "programmer/CTemperatureProgram.h"

class CLanguage;
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
    void SetSegmentValues(TTreeNode* node, int duration, std::uint8_t waitFlag, std::uint8_t controlMode,
                          int contact, int analogOutput, double setpoint);
    void SetProgramSettings(int slot, bool repeatMode, bool contactUsed, bool stirrerUsed,
                            double startTemperature, bool endAction);

    // Stirrer and floating contact choice of a program; these leave the saved flag alone.
    void ClearStirrerUse(int slot);   // every segment's analogue output -1, stirrer unused
    void ClearContactUse(int slot);   // every segment's contact 2 (unchanged), contact unused
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

protected:
    static bool ValidSlot(int slot) { return slot >= 0 && slot < MaxPrograms; }
    // The head of a used slot, or null.
    CTemperatureProgram* Head(int slot) const;
    // The first segment with this key over the used slots in order (heads are not searched).
    CTemperatureProgram* FindSegment(const TTreeNode* key) const;
    static void FreeList(CTemperatureProgram* head);
    // Clears the saved flag of the program the node belongs to.
    void MarkUnsaved(const CTemperatureProgram* node);

    struct ProgramSettings {
        std::uint8_t repeatMode = 0;   // 0 none, 1 endless
        std::uint8_t endAction = 0;    // 0 switch temperature control off, 1 continue
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
};

// The name a program loaded from `fileName` gets: the file's name without its folder and
// without a ".tp" extension, in upper case ("C:\Progs\Ramp.tp" and "/home/u/Ramp.tp" give
// "RAMP"). Folders end at "\", "/" or ":".
AnsiString ProgramNameFromFileName(const AnsiString& fileName);
