// The TP Scout side of the program page: the page opens on the segment that runs, and a
// closing workbench offers its unsaved programs for saving and stays open while one the
// user wanted saved was not.
#include <QTabWidget>
#include <QTreeWidget>

#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "platform/Dialogs.h"
#include "platform/ScopedValue.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"
#include "programmer/ProgramFileCommands.h"

void TmdiSubWindow::tabScoutShow()
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun || !FProgrammer || !FRun->ProgramRunning) return;
    TTreeNode* current = FProgrammer->GetCurrentSegment();
    for (int i = 0; i < FProgramTree.TopLevelCount(); ++i) {
        TTreeNode* program = FProgramTree.TopLevelItem(i);
        for (int k = 0; k < program->Count(); ++k)
            if (program->Item(k) == current) {
                // Shown, not chosen: the editor's values of another node are not asked about.
                ShowNode(current);
                return;
            }
    }
}

bool TmdiSubWindow::SaveProgramOfTree(bool* leftUnsaved)
{
    NOX_ASSERT_UI_THREAD();
    if (leftUnsaved) *leftUnsaved = false;
    if (FProgramSaving) return false;
    const TScopedValue saving(FProgramSaving, true);
    return ::SaveSelectedProgram(*this, leftUnsaved);
}

bool TmdiSubWindow::OfferToSaveScoutPrograms()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || FProgramTree.Count() == 0) return true;
    tabDataControl->setCurrentWidget(tabScout);
    // Every unsaved program is asked about, also after one whose save failed.
    bool allSaved = true;
    for (int slot = 0; slot < CProgrammer::MaxPrograms; ++slot) {
        if (FProgrammer->IsSlotFree(slot) || FProgrammer->IsProgramSaved(slot)) continue;
        TTreeNode* program = FProgrammer->GetProgramNode(slot);
        if (!program || !FProgramTree.Contains(program)) continue;
        FSelectedNode = program;
        RefreshProgramTree();
        if (!ChannelAskYesNo(ChannelText(resources::RowAskSaveSelectedProgram))) continue;
        bool saved = false;
        // Leaving the file unsaved in the wait window is the user's answer, as No is.
        bool leftUnsaved = false;
        platform::GuardedCall([&] { saved = SaveProgramOfTree(&leftUnsaved); });
        RefreshProgramTree();
        if (!saved && !leftUnsaved) allSaved = false;
    }
    return allSaved;
}
