#include "chart/editors/TeeEditors.h"

#include "chart/editors/TAxisIncrement.h"
#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TFormTee3D.h"
#include "chart/editors/TFormTeeAxis.h"
#include "chart/editors/TFormTeeGeneral.h"
#include "chart/editors/TFormTeeLegend.h"
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
        &TFormTeeGeneral::staticMetaObject,
        &TFormTeeAxis::staticMetaObject,
        &TAxisIncrement::staticMetaObject,
        &TAxisMaxMin::staticMetaObject,
        &TFormTeeLegend::staticMetaObject,
        &TFormTee3D::staticMetaObject,
        &TFormTeeSeries::staticMetaObject,
        &TFormTeeTools::staticMetaObject,
        &TSeriesPointerEditor::staticMetaObject,
        &TBubbleSeriesEditor::staticMetaObject,
        &TGridTransposeToolEdit::staticMetaObject,
    });
    InstallTeeExportPreviewPages();
}
