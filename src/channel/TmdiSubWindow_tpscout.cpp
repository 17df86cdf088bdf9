// The TP Scout side of the program page: the page opens on the segment that runs.
#include <QTreeWidget>

#include "channel/TmdiSubWindow.h"
#include "programmer/CProgrammer.h"

void TmdiSubWindow::tabScoutShow()
{
    if (!FRun || !FProgrammer || !FRun->ProgramRunning) return;
    TTreeNode* current = FProgrammer->GetCurrentSegment();
    for (int i = 0; i < FProgramTree.TopLevelCount(); ++i) {
        TTreeNode* program = FProgramTree.TopLevelItem(i);
        for (int k = 0; k < program->Count(); ++k)
            if (program->Item(k) == current) {
                // Shown, not chosen: the editor's values of another node are not asked about.
                FSelectedNode = current;
                if (QTreeWidgetItem* item = ItemOfNode(current)) {
                    FTreeUpdating = true;
                    treeTProgram->setCurrentItem(item);
                    FTreeUpdating = false;
                }
                treeTProgramChange(current);
                return;
            }
    }
}
