#include "chart/editors/TeeEditors.h"

#include "chart/editors/TAreaSeriesEditor.h"
#include "chart/editors/TAxisIncrement.h"
#include "chart/editors/TBarSeriesEditor.h"
#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartShapeEditor.h"
#include "chart/editors/TCustomSeriesEditor.h"
#include "chart/editors/TFastLineSeriesEditor.h"
#include "chart/editors/TFormTee3D.h"
#include "chart/editors/TFormTeeAxis.h"
#include "chart/editors/TFormTeeGeneral.h"
#include "chart/editors/TFormTeeLegend.h"
#include "chart/editors/TFormTeePage.h"
#include "chart/editors/TFormTeePanel.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TFormTeeTitle.h"
#include "chart/editors/TFormTeeTools.h"
#include "chart/editors/TFormTeeWall.h"
#include "chart/editors/TGanttSeriesEditor.h"
#include "chart/editors/TGridTransposeToolEdit.h"
#include "chart/editors/TPieSeriesEditor.h"
#include "chart/editors/TScrollbarEditor.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TTeeFuncEditor.h"
#include "chart/editors/TTeeFunctionEditor.h"
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
        &TFormTeeTitle::staticMetaObject,
        &TFormTeeLegend::staticMetaObject,
        &TFormTeePanel::staticMetaObject,
        &TFormTeePage::staticMetaObject,
        &TFormTeeWall::staticMetaObject,
        &TFormTee3D::staticMetaObject,
        &TFormTeeSeries::staticMetaObject,
        &TFormTeeTools::staticMetaObject,
        &TSeriesPointerEditor::staticMetaObject,
        &TBubbleSeriesEditor::staticMetaObject,
        &TCustomSeriesEditor::staticMetaObject,
        &TAreaSeriesEditor::staticMetaObject,
        &TBarSeriesEditor::staticMetaObject,
        &TStackBarSeriesEditor::staticMetaObject,
        &TPieSeriesEditor::staticMetaObject,
        &TCircledSeriesEditor::staticMetaObject,
        &TFastLineSeriesEditor::staticMetaObject,
        &TGanttSeriesEditor::staticMetaObject,
        &TArrowSeriesEditor::staticMetaObject,
        &TChartShapeEditor::staticMetaObject,
        &TBaseSourceEditor::staticMetaObject,
        &TTeeFuncEditor::staticMetaObject,
        &TBaseFunctionEditor::staticMetaObject,
        &TTeeFunctionEditor::staticMetaObject,
        &TAverageFuncEditor::staticMetaObject,
        &TCustomFunctionEditor::staticMetaObject,
        &TGridTransposeToolEdit::staticMetaObject,
        &TScrollbarEditor::staticMetaObject,
    });
    InstallTeeExportPreviewPages();
}
