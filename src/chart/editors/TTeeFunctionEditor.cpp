#include "chart/editors/TTeeFunctionEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "chart/editors/TAxisIncrement.h"
#include "chart/editors/TTeeFuncEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TeeFunctions.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"

TTeeFuncEditor* TeeOwnerFuncEditor(QWidget* Form)
{
    for (QObject* o = Form ? Form->parent() : nullptr; o; o = o->parent())
        if (auto* editor = qobject_cast<TTeeFuncEditor*>(o)) return editor;
    return nullptr;
}

void TeeEnableSourceApply(QWidget* Form)
{
    if (TTeeFuncEditor* editor = TeeOwnerFuncEditor(Form)) editor->BApply->setEnabled(true);
}

// ---- base

TBaseFunctionEditor::TBaseFunctionEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("BaseFunctionEditor");
    Position = poScreenCenter;
}

void TBaseFunctionEditor::EnableApply()
{
    TeeEnableSourceApply(this);
}

void TBaseFunctionEditor::FormShow()
{
    Creating = true;
    EditedFunction = qobject_cast<TTeeFunction*>(TagObject());
    if (EditedFunction) {
        TFilling filling(this);
        SetFunction();
    }
    Creating = false;
    TeeTranslateControl(this);
}

void TBaseFunctionEditor::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    TTeeFuncEditor* owner = TeeOwnerFuncEditor(this);
    TChartSeries* series = owner ? owner->TheSeries : nullptr;
    if (!EditedFunction && owner && series && owner->FunctionClass()) {
        EditedFunction = CreateNewTeeFunction(series, owner->FunctionClass());
        SetTag(EditedFunction);
    }
    if (!EditedFunction) return;
    EditedFunction->BeginUpdate();
    try {
        ApplyFormChanges();
    } catch (...) {
        EditedFunction->EndUpdate();
        throw;
    }
    EditedFunction->EndUpdate();
    if (series && !series->FunctionType()) series->SetFunction(EditedFunction);
}

// ---- period options

TTeeFunctionEditor::TTeeFunctionEditor(QWidget* Owner) : TBaseFunctionEditor(Owner)
{
    setObjectName("TeeFunctionEditor");
    SetClientSize(300, 110);
    auto* label = TeeAddLabel(this, "&Number of points:", 8, 12);
    ENum = TeePlace(new QLineEdit("0", this), 120, 8, 80, 21);
    ENum->setEnabled(false);
    label->setBuddy(ENum);
    BChange = TeeAddButton(this, "&Change...", 208, 6);
    BChange->setEnabled(false);
    CBAlign = TeeAddCombo(this, 120, 38, 100, {"First", "Center", "Last"}, TeeAddLabel(this, "&Alignment:", 8, 42));
    CBStyle = TeeAddCombo(this, 120, 68, 160, {"All points", "Every number of points", "Every range"},
                          TeeAddLabel(this, "&Calculate using:", 8, 72));

    Bind(CBStyle, &QComboBox::activated, [this] { CBStyleChange(); });
    Bind(ENum, &QLineEdit::textChanged, [this] { EnableApply(); });
    Bind(CBAlign, &QComboBox::activated, [this] { EnableApply(); });
    Bind(BChange, &QPushButton::clicked, [this] { BChangeClick(); });
}

void TTeeFunctionEditor::SetFunction()
{
    TTeeFunction* f = EditedFunction;
    if (f->GetPeriodStyle() == psRange && !qobject_cast<TTeeMovingFunction*>(f))
        CBStyle->setCurrentIndex(2);
    else
        CBStyle->setCurrentIndex(Round(f->GetPeriod()) == 0 ? 0 : 1);
    CBAlign->setCurrentIndex(int(f->GetPeriodAlign()));
    EnableControls();
    CBStyleChange();
}

void TTeeFunctionEditor::EnableControls()
{
    ENum->setEnabled(CBStyle->currentIndex() != 0);
    BChange->setEnabled(CBStyle->currentIndex() == 2);
}

void TTeeFunctionEditor::CBStyleChange()
{
    EnableControls();
    const double period = EditedFunction ? EditedFunction->GetPeriod() : 0;
    switch (CBStyle->currentIndex()) {
        case 0: ENum->clear(); break;
        case 1: ENum->setText(QString::number(std::max(0, Round(period)))); break;
        default: ENum->setText(QString::fromStdString(FloatToStr(period))); break;
    }
    if (ENum->isEnabled() && isVisible()) ENum->setFocus();
    EnableApply();
}

void TTeeFunctionEditor::BChangeClick()
{
    auto dialog = TeeCreateForm<TAxisIncrement>(this);
    dialog->setWindowTitle(QString::fromStdString(TeeMsg_PeriodRange));
    TChartSeries* series = EditedFunction ? EditedFunction->ParentSeries() : nullptr;
    auto* source = series ? qobject_cast<TChartSeries*>(series->DataSource()) : nullptr;
    dialog->IsDateTime = source && source->XValues()->GetDateTime();
    dialog->ExactDateTime = true;
    dialog->Increment = EditedFunction ? EditedFunction->GetPeriod() : 0;
    dialog->Step = FindDateTimeStep(dialog->Increment);
    TeeTranslateControl(dialog.get());
    if (dialog->ShowModal() == mrOk) ENum->setText(QString::fromStdString(FloatToStr(dialog->Increment)));
}

void TTeeFunctionEditor::ApplyFormChanges()
{
    TTeeFunction* f = EditedFunction;
    f->SetPeriodAlign(TFunctionPeriodAlign(std::max(0, CBAlign->currentIndex())));
    f->SetPeriodStyle(CBStyle->currentIndex() == 2 ? psRange : psNumPoints);
    f->SetPeriod(StrToFloatDef(ENum->text().trimmed().toStdString(), 0));
}

TAverageFuncEditor::TAverageFuncEditor(QWidget* Owner) : TTeeFunctionEditor(Owner)
{
    setObjectName("AverageFuncEditor");
    CBNulls = TeeAddCheck(this, "&Include Null values", 8, 96);
    Bind(CBNulls, &QCheckBox::clicked, [this] { EnableApply(); });
}

void TAverageFuncEditor::SetFunction()
{
    TTeeFunctionEditor::SetFunction();
    if (auto* f = qobject_cast<TAverageTeeFunction*>(EditedFunction)) CBNulls->setChecked(f->GetIncludeNulls());
}

void TAverageFuncEditor::ApplyFormChanges()
{
    TTeeFunctionEditor::ApplyFormChanges();
    if (auto* f = qobject_cast<TAverageTeeFunction*>(EditedFunction)) f->SetIncludeNulls(CBNulls->isChecked());
}

// ---- equation options

TCustomFunctionEditor::TCustomFunctionEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("CustomFunctionEditor");
    SetClientSize(260, 100);
    auto edit = [this](const char* caption, const char* text, int y) {
        QLabel* label = TeeAddLabel(this, caption, 8, y + 4);
        auto* e = TeePlace(new QLineEdit(text, this), 100, y, 100, 21);
        label->setBuddy(e);
        Bind(e, &QLineEdit::textChanged, [this] { TeeEnableSourceApply(this); });
        return e;
    };
    EStart = edit("&Start X:", "0", 8);
    EStep = edit("S&tep:", "1", 38);
    ENum = edit("&Num. points:", "100", 68);
}

void TCustomFunctionEditor::FormShow()
{
    Function = qobject_cast<TCustomTeeFunction*>(TagObject());
    if (Function) {
        TFilling filling(this);
        EStart->setText(QString::fromStdString(FloatToStr(Function->GetStartX())));
        EStep->setText(QString::fromStdString(FloatToStr(Function->GetPeriod())));
        ENum->setText(QString::number(Function->GetNumPoints()));
    }
    TeeTranslateControl(this);
}

void TCustomFunctionEditor::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    TTeeFuncEditor* owner = TeeOwnerFuncEditor(this);
    TChartSeries* series = owner ? owner->TheSeries : nullptr;
    const double start = StrToFloat(EStart->text().trimmed().toStdString());
    const double step = StrToFloat(EStep->text().trimmed().toStdString());
    const int count = StrToInt(ENum->text().trimmed().toStdString());
    if (!Function && series) {
        Function =
            qobject_cast<TCustomTeeFunction*>(CreateNewTeeFunction(series, &TCustomTeeFunction::staticMetaObject));
        SetTag(Function);
    }
    if (!Function) return;
    Function->SetStartX(start);
    Function->SetPeriod(step);
    Function->SetNumPoints(count);
    if (series && !series->FunctionType()) series->SetFunction(Function);
}
