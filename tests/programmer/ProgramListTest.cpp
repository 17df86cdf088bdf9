// Program slots, segment lists, settings, saved flags and default names of a channel's
// programmer, with the program tree's nodes as keys.
#include <gtest/gtest.h>

#include <functional>

#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"

namespace {

// A programmer with its tree, building programs as the editor does: one top-level node
// per program, one child per segment.
struct ProgramTree {
    CProgrammer programmer{3};
    TTreeNodes items;

    TTreeNode* Program(int slot, const AnsiString& name)
    {
        TTreeNode* node = items.Add(nullptr, name);
        EXPECT_TRUE(programmer.CreateProgram(slot, node, name));
        return node;
    }
    TTreeNode* Segment(TTreeNode* program, const AnsiString& name, double setpoint = 20.0)
    {
        TTreeNode* node = items.AddChild(program, name);
        node->ImageIndex = node->SelectedIndex = 1;
        const int slot = CProgrammer::GetProgramIndex(program);
        EXPECT_TRUE(programmer.AddSegment(node, name, slot));
        programmer.SetSegmentValues(node, 600, 0, 0, 2, -1, setpoint);
        return node;
    }
    std::vector<int> Indexes(int slot) const
    {
        std::vector<int> out;
        const CTemperatureProgram* head = programmer.GetProgramHead(slot);
        for (const CTemperatureProgram* n = head ? head->next : nullptr; n; n = n->next) out.push_back(n->index);
        return out;
    }
    std::vector<AnsiString> Names(int slot) const
    {
        std::vector<AnsiString> out;
        const CTemperatureProgram* head = programmer.GetProgramHead(slot);
        for (const CTemperatureProgram* n = head ? head->next : nullptr; n; n = n->next) out.push_back(n->name);
        return out;
    }
};

TEST(TreeNodes, PositionsCountsAndDeletion)
{
    TTreeNodes items;
    TTreeNode* a = items.Add(nullptr, "A");
    TTreeNode* c = items.Add(a, "C");
    TTreeNode* b = items.Insert(c, "B");
    TTreeNode* a1 = items.AddChild(a, "a1");
    TTreeNode* a0 = items.Insert(a1, "a0");
    EXPECT_EQ(items.TopLevelCount(), 3);
    EXPECT_EQ(items.Count(), 5);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(c->Index(), 2);
    EXPECT_EQ(a0->Index(), 0);
    EXPECT_EQ(a1->Index(), 1);
    EXPECT_EQ(a1->Parent(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(a1->Level(), 1);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(a0->GetNextSibling(), a1);
    EXPECT_EQ(a1->GetNextSibling(), nullptr);

    // Deleting a parent takes its children; the identities of the other nodes stay valid.
    items.Delete(a);
    EXPECT_FALSE(items.Contains(a));
    EXPECT_FALSE(items.Contains(a1));
    EXPECT_TRUE(items.Contains(c));
    EXPECT_EQ(b->Index(), 0);
    EXPECT_EQ(items.Count(), 2);
    // A node of another collection is neither deleted nor used as a parent.
    TTreeNodes other;
    TTreeNode* foreign = other.Add(nullptr, "X");
    items.Delete(foreign);
    EXPECT_TRUE(other.Contains(foreign));
    EXPECT_EQ(items.AddChild(foreign, "y")->Parent(), nullptr);
}

TEST(ProgramList, NewProgramHasHeadDefaultsAndNoSegments)
{
    ProgramTree t;
    EXPECT_EQ(t.programmer.FindFreeSlot(), 0);
    TTreeNode* p = t.Program(0, "Heat");
    const CTemperatureProgram* head = t.programmer.GetProgramHead(0);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->head, head);
    EXPECT_EQ(CTemperatureProgram::GetLast(const_cast<CTemperatureProgram*>(head)), head);
    EXPECT_EQ(t.programmer.GetFinalSetpoint(0), 1.0);
    EXPECT_EQ(CProgrammer::GetSegmentCount(p), 0);
    EXPECT_EQ(t.programmer.FindFreeSlot(), 1);
    // A used slot is not created over, and no program is made without a node.
    EXPECT_FALSE(t.programmer.CreateProgram(0, t.items.Add(nullptr, "x"), "x"));
    EXPECT_FALSE(t.programmer.CreateProgram(1, nullptr, "x"));
    EXPECT_FALSE(t.programmer.CreateProgram(10, p, "x"));
    EXPECT_FALSE(t.programmer.CreateProgram(-1, p, "x"));
}

TEST(ProgramList, SegmentIndexesStayGaplessThroughAddPasteDelete)
{
    ProgramTree t;
    TTreeNode* p = t.Program(0, "P");
    TTreeNode* s1 = t.Segment(p, "one", 30);
    TTreeNode* s2 = t.Segment(p, "two", 40);
    TTreeNode* s3 = t.Segment(p, "three", 50);
    EXPECT_EQ(t.Indexes(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(t.programmer.GetFinalSetpoint(0), 50.0);

    TTreeNode* pasted = t.items.Insert(s2, "pasted");
    ASSERT_TRUE(t.programmer.PasteSegment(s2, pasted, 0, "pasted"));
    EXPECT_EQ(t.Indexes(0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(t.Names(0), (std::vector<AnsiString>{"one", "pasted", "two", "three"}));

    t.programmer.DeleteSegment(s1);
    EXPECT_EQ(t.Indexes(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(t.Names(0), (std::vector<AnsiString>{"pasted", "two", "three"}));
    t.programmer.DeleteSegment(s3);
    EXPECT_EQ(t.programmer.GetFinalSetpoint(0), 40.0);

    // Pasting in front of a node that is no segment of the slot, or reusing a key, changes nothing.
    TTreeNode* loose = t.items.Add(nullptr, "loose");
    EXPECT_FALSE(t.programmer.PasteSegment(loose, t.items.Add(nullptr, "n"), 0, "n"));
    EXPECT_FALSE(t.programmer.PasteSegment(s2, s2, 0, "dup"));
    EXPECT_FALSE(t.programmer.AddSegment(s2, "dup", 0));
    EXPECT_FALSE(t.programmer.AddSegment(p, "head key", 0));
    EXPECT_EQ(t.Names(0), (std::vector<AnsiString>{"pasted", "two"}));
}

TEST(ProgramList, LookupsFindSegmentsOnlyAndUnknownNodesGiveEmptyValues)
{
    ProgramTree t;
    TTreeNode* p0 = t.Program(0, "A");
    TTreeNode* p1 = t.Program(1, "B");
    t.Segment(p0, "a1");
    TTreeNode* b1 = t.Segment(p1, "b1");
    t.programmer.SetSegmentValues(b1, 5400, 1, 1, 1, 75, -12.5);
    EXPECT_EQ(t.programmer.GetSegmentSetpoint(b1), -12.5);
    EXPECT_EQ(CProgrammer::GetProgramIndex(b1), 1);
    EXPECT_EQ(CProgrammer::GetProgramIndex(p1), 1);
    EXPECT_EQ(CProgrammer::GetSegmentCount(b1), 1);
    EXPECT_EQ(CProgrammer::GetProgramIndex(nullptr), -1);

    // A program's own node is not a segment: heads are not searched.
    EXPECT_EQ(t.programmer.GetSegmentName(p1), "");
    EXPECT_EQ(t.programmer.GetSegmentSetpoint(p1), 0.0);
    t.programmer.SetSegmentValues(p1, 1, 0, 0, 0, 0, 99.0);
    EXPECT_EQ(t.programmer.GetFinalSetpoint(1), -12.5);
    TTreeNode* stranger = t.items.Add(nullptr, "stranger");
    EXPECT_EQ(t.programmer.GetSegmentDuration(stranger), 0);
    t.programmer.DeleteSegment(stranger);
    t.programmer.RenameSegment(stranger, "x");
    EXPECT_EQ(CTemperatureProgram::GetCount(t.programmer.GetProgramHead(0)), 1);
}

TEST(ProgramList, SavedFlagFollowsChangesButNotStirrerContactOrPaste)
{
    ProgramTree t;
    TTreeNode* p = t.Program(0, "P");
    TTreeNode* s = t.Segment(p, "s");
    auto saved = [&] { return t.programmer.IsProgramSaved(0); };
    EXPECT_FALSE(saved());
    TTreeNode* s2 = nullptr;
    const std::vector<std::function<void()>> changes = {
        [&] { t.programmer.SetSegmentValues(s, 60, 0, 0, 2, -1, 25); },
        [&] { t.programmer.RenameSegment(s, "renamed"); },
        [&] { t.programmer.RenameProgram(0, "Q"); },
        [&] { t.programmer.SetProgramSettings(0, true, false, false, 20.0, true); },
        [&] { s2 = t.Segment(p, "s2"); },
        [&] { t.programmer.DeleteSegment(s2); },
    };
    for (const auto& change : changes) {
        t.programmer.SetProgramSaved(0);
        ASSERT_TRUE(saved());
        change();
        EXPECT_FALSE(saved());
    }
    t.programmer.SetProgramSaved(0);
    ASSERT_TRUE(t.programmer.PasteSegment(s, t.items.Insert(s, "p"), 0, "p"));
    t.programmer.ClearStirrerUse(0);
    t.programmer.ClearContactUse(0);
    t.programmer.SetStirrerUsed(0);
    t.programmer.SetContactUsed(0);
    EXPECT_TRUE(saved());
    t.programmer.FreeProgram(0);
    EXPECT_FALSE(saved());
    // A slot without a program cannot be marked saved.
    t.programmer.SetProgramSaved(5);
    EXPECT_FALSE(t.programmer.IsProgramSaved(5));
}

TEST(ProgramList, StirrerAndContactUseReachEverySegment)
{
    ProgramTree t;
    TTreeNode* p = t.Program(0, "P");
    TTreeNode* a = t.Segment(p, "a");
    TTreeNode* b = t.Segment(p, "b");
    t.programmer.SetSegmentValues(a, 60, 0, 0, 1, 40, 20);
    t.programmer.SetSegmentValues(b, 60, 0, 0, 0, 80, 20);
    t.programmer.SetProgramSettings(0, false, true, true, 20, false);
    t.programmer.ClearStirrerUse(0);
    EXPECT_EQ(t.programmer.GetSegmentAnalogOutput(b), -1);
    EXPECT_FALSE(t.programmer.IsStirrerUsed(0));
    EXPECT_EQ(t.programmer.GetSegmentContact(a), 1);
    t.programmer.ClearContactUse(0);
    EXPECT_EQ(t.programmer.GetSegmentContact(a), 2);
    EXPECT_EQ(t.programmer.GetSegmentContact(b), 2);
    EXPECT_FALSE(t.programmer.IsContactUsed(0));
}

TEST(ProgramList, RemovingASlotMovesTheProgramsAboveWithTheirSettings)
{
    ProgramTree t;
    TTreeNode* p0 = t.Program(0, "A");
    TTreeNode* p1 = t.Program(1, "B");
    TTreeNode* p2 = t.Program(2, "C");
    t.Segment(p0, "a");
    TTreeNode* b = t.Segment(p1, "b", 55);
    t.programmer.SetProgramSettings(0, false, false, false, 10.0, false);
    t.programmer.SetProgramSettings(1, true, true, true, 33.5, true);
    t.programmer.SetProgramSettings(2, false, true, false, -5.0, true);
    t.programmer.SetProgramSaved(1);

    t.programmer.FreeProgram(0);
    // Between freeing and closing the gap the slot holds no program, and nothing reads freed nodes.
    EXPECT_FALSE(t.programmer.IsSlotFree(0));
    EXPECT_EQ(t.programmer.GetProgramName(0), "");
    EXPECT_EQ(t.programmer.GetProgramHead(0), nullptr);
    EXPECT_EQ(t.programmer.GetSegmentName(b), "b");
    t.programmer.RemoveProgramSlot(0);
    t.items.Delete(p0);

    EXPECT_EQ(t.programmer.GetProgramName(0), "B");
    EXPECT_EQ(t.programmer.GetProgramNode(0), p1);
    EXPECT_EQ(CProgrammer::GetProgramIndex(p1), 0);
    EXPECT_TRUE(t.programmer.IsProgramSaved(0));
    EXPECT_EQ(t.programmer.GetRepeatMode(0), 1);
    EXPECT_EQ(t.programmer.GetEndAction(0), 1);
    EXPECT_EQ(t.programmer.GetStartTemperature(0), 33.5);
    EXPECT_TRUE(t.programmer.IsStirrerUsed(0));
    EXPECT_TRUE(t.programmer.IsContactUsed(0));
    EXPECT_EQ(t.programmer.GetProgramNode(1), p2);
    EXPECT_EQ(t.programmer.GetStartTemperature(1), -5.0);
    EXPECT_FALSE(t.programmer.IsProgramSaved(1));
    EXPECT_TRUE(t.programmer.IsSlotFree(2));
    EXPECT_EQ(t.programmer.GetStartTemperature(2), 0.0);
    EXPECT_EQ(t.programmer.FindFreeSlot(), 2);
    EXPECT_EQ(t.programmer.GetSegmentSetpoint(b), 55.0);
}

TEST(ProgramList, TenSlotsAtMostAndFreeingAllEmptiesThem)
{
    ProgramTree t;
    for (int slot = 0; slot < 10; ++slot) t.Segment(t.Program(slot, "P" + IntToStr(slot)), "s");
    EXPECT_EQ(t.programmer.FindFreeSlot(), -1);
    t.programmer.FreeAllPrograms();
    EXPECT_EQ(t.programmer.FindFreeSlot(), 0);
    for (int slot = 0; slot < 10; ++slot) EXPECT_EQ(t.programmer.GetProgramHead(slot), nullptr);
    // The destructor after FreeAllPrograms frees nothing twice (checked by the sanitizer builds).
}

TEST(ProgramList, AProgramHoldsAtMostTwoHundredSegments)
{
    ProgramTree t;
    TTreeNode* p = t.Program(0, "P");
    for (int i = 0; i < CProgrammer::MaxSegments; ++i) t.Segment(p, "s");
    TTreeNode* extra = t.items.AddChild(p, "extra");
    EXPECT_FALSE(t.programmer.AddSegment(extra, "extra", 0));
    EXPECT_FALSE(t.programmer.PasteSegment(p->GetFirstChild(), extra, 0, "extra"));
    EXPECT_EQ(CTemperatureProgram::GetCount(t.programmer.GetProgramHead(0)), CProgrammer::MaxSegments);
}

TEST(ProgramNames, DefaultProgramNamesTakeTheFirstFreeNumber)
{
    ProgramTree t;
    EXPECT_EQ(t.programmer.NewProgramName(), "Temperature program 1");
    t.Program(0, "Temperature program 1");
    EXPECT_EQ(t.programmer.NewProgramName(), "Temperature program 2");
    t.Program(1, "Temperature program 3");
    t.Program(2, "temperature program 2");  // not exactly the default name
    EXPECT_EQ(t.programmer.NewProgramName(), "Temperature program 2");
    ProgramTree full;
    for (int n = 1; n <= 10; ++n) full.Program(n - 1, "Temperature program " + IntToStr(n));
    EXPECT_EQ(full.programmer.NewProgramName(), "");
}

TEST(ProgramNames, NewSegmentNameFillsGapsAndIgnoresOtherNames)
{
    ProgramTree t;
    TTreeNode* p = t.Program(0, "P");
    EXPECT_EQ(t.programmer.NewSegmentName(0), "New segment (1)");
    t.Segment(p, "New segment (1)");
    t.Segment(p, "New segment (3)");
    EXPECT_EQ(t.programmer.NewSegmentName(0), "New segment (2)");
    t.Segment(p, "New segment (x)");
    t.Segment(p, "New segment (2");  // no closing parenthesis
    t.Segment(p, "New segment (601)");
    t.Segment(p, "New segment (-2)");
    EXPECT_EQ(t.programmer.NewSegmentName(0), "New segment (2)");
    t.Segment(p, "New segment (2)");
    EXPECT_EQ(t.programmer.NewSegmentName(0), "New segment (4)");
    // Another program's segments do not count.
    TTreeNode* q = t.Program(1, "Q");
    t.Segment(q, "New segment (1)");
    EXPECT_EQ(t.programmer.NewSegmentName(1), "New segment (2)");
    EXPECT_EQ(t.programmer.NewSegmentName(7), "New segment (1)");
}

TEST(ProgramNames, FileNamesGiveUpperCaseProgramNames)
{
    EXPECT_EQ(ProgramNameFromFileName("C:\\Progs\\Ramp.tp"), "RAMP");
    EXPECT_EQ(ProgramNameFromFileName("/home/lab/Progs/Ramp.TP"), "RAMP");
    EXPECT_EQ(ProgramNameFromFileName("D:Ramp.tp"), "RAMP");
    EXPECT_EQ(ProgramNameFromFileName("/home/lab/heat.v2.tp"), "HEAT.V2");
    EXPECT_EQ(ProgramNameFromFileName("/home/lab/heat"), "HEAT");
    EXPECT_EQ(ProgramNameFromFileName("/home/lab.tp/heat.txt"), "HEAT.TXT");
    EXPECT_EQ(ProgramNameFromFileName("/home/lab/Kühlen.tp"), "KÜHLEN");

    ProgramTree t;
    t.Program(0, "RAMP");
    EXPECT_FALSE(t.programmer.IsProgramNameFree("C:\\Progs\\Ramp.tp"));
    EXPECT_FALSE(t.programmer.IsProgramNameFree("/tmp/ramp.tp"));
    EXPECT_TRUE(t.programmer.IsProgramNameFree("/tmp/ramp2.tp"));
    t.programmer.RenameProgram(0, "Ramp");
    EXPECT_TRUE(t.programmer.IsProgramNameFree("C:\\Progs\\Ramp.tp"));
}

}  // namespace
