#include "chart/editors/TeeEditors.h"

#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TFormTeeTools.h"
#include "chart/editors/TGridTransposeToolEdit.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeExportPreviewPages.h"

void RegisterTeeEditors()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterTeeEditorClasses({
        &TChartEditForm::staticMetaObject,
        &TFormTeeSeries::staticMetaObject,
        &TFormTeeTools::staticMetaObject,
        &TSeriesPointerEditor::staticMetaObject,
        &TBubbleSeriesEditor::staticMetaObject,
        &TGridTransposeToolEdit::staticMetaObject,
    });
    InstallTeeExportPreviewPages();
}
