#include "chart/editors/TSeriesPointerEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TCustomSeries.h"
#include "platform/TCanvas.h"

TSeriesPointerEditor::TSeriesPointerEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("SeriesPointerEditor");
    SetClientSize(330, 160);
    auto* group = TeePlace(new QGroupBox(this), 4, 2, 322, 124);
    CBDrawPoint = TeeAddCheck(group, "&Visible", 8, 10);
    CB3dPoint = TeeAddCheck(group, "&3D", 8, 30);
    CBInflate = TeeAddCheck(group, "Inflate &Margins", 8, 50);
    Label1 = TeeAddLabel(group, "&Width:", 8, 76);
    SEPointHorizSize = TeeAddSpin(group, 60, 72, 56, 1, 1000, 1, Label1);
    Label2 = TeeAddLabel(group, "&Height:", 8, 100);
    SEPointVertSize = TeeAddSpin(group, 60, 96, 56, 1, 1000, 1, Label2);
    auto* styleLabel = TeeAddLabel(group, "&Style:", 130, 14);
    CBStyle = TeeAddCombo(group, 170, 10, 140,
                          {"Square", "Circle", "Triangle", "Down Triangle", "Cross", "Diagonal Cross", "Star",
                           "Diamond", "Small Dot", "Nothing", "Left Triangle", "Right Triangle"},
                          styleLabel);
    CBPoDark = TeeAddCheck(group, "Dar&k 3D", 130, 40);
    auto* inner = TeePlace(new QGroupBox(group), 126, 58, 190, 60);
    BPointFillColor = TeeAddButton(inner, "&Pattern...", 6, 6, 80);
    CBDefBrushColor = TeeAddCheck(inner, "&Default", 96, 10);
    BPoinPenCol = TeeAddButton<TButtonPen>(inner, "B&order...", 6, 32, 80);
    CBColorEach = TeeAddCheck(this, "&Color Each ", 8, 134);
    BGradient = TeeAddButton(this, "&Gradient...", 130, 130, 80);

    TeeOwnerDrawCombo(CBStyle, 16, [this](TCanvas* Canvas, int Index, const TRect& Rect, bool Selected) {
        CBStyleDrawItem(Canvas, Index, Rect, Selected);
    });
    Bind(CBDrawPoint, &QCheckBox::clicked, [this] { CBDrawPointClick(); });
    Bind(CB3dPoint, &QCheckBox::clicked, [this] { CB3dPointClick(); });
    Bind(CBStyle, &QComboBox::activated, [this] { CBStyleChange(); });
    using P = TSeriesPointer;
    BindChecks(this, Pointer, {{CBInflate, &P::SetInflate}, {CBPoDark, &P::SetDark3D}});
    BindSpins(this, Pointer, {{SEPointHorizSize, &P::SetHorizSize}, {SEPointVertSize, &P::SetVertSize}}, true);
    Bind(BPointFillColor, &QPushButton::clicked, [this] { BPointFillColorClick(); });
    Bind(CBDefBrushColor, &QCheckBox::clicked, [this] { CBDefBrushColorClick(); });
    BPoinPenCol->OnClick = [this](QObject*) { TTeeForm::Guard([this] { BPoinPenColClick(); }); };
    Bind(CBColorEach, &QCheckBox::clicked, [this] { CBColorEachClick(); });
    Bind(BGradient, &QPushButton::clicked, [this] { BGradientClick(); });
}

TSeriesPointerEditor::~TSeriesPointerEditor() = default;

TChartSeries* TSeriesPointerEditor::Series() const
{
    return Pointer ? Pointer->Series() : nullptr;
}

void TSeriesPointerEditor::HideSizeOptions()
{
    ShowControls(false, {Label1, SEPointHorizSize, Label2, SEPointVertSize});
}

void TSeriesPointerEditor::FormShow()
{
    QObject* tag = TagObject();
    if (auto* pointer = qobject_cast<TSeriesPointer*>(tag)) {
        Pointer = pointer;
        FSeries = nullptr;
        CBColorEach->setEnabled(false);
        CBColorEach->hide();
    } else if (auto* series = qobject_cast<TCustomSeries*>(tag)) {
        FSeries = series;
        Pointer = series->GetPointer();
        CBColorEach->show();
        const QSignalBlocker block(CBColorEach);
        CBColorEach->setChecked(series->GetColorEachPoint());
    }
    if (Pointer) {
        TFilling filling(this);
        SetPointerVisible(Pointer->GetVisible());
        CBDrawPoint->setChecked(Pointer->GetVisible());
        CB3dPoint->setChecked(Pointer->GetDraw3D());
        Enable3DPoint();
        SEPointHorizSize->setValue(Pointer->GetHorizSize());
        SEPointVertSize->setValue(Pointer->GetVertSize());
        CBStyle->setCurrentIndex(int(Pointer->GetStyle()));
        CBInflate->setChecked(Pointer->GetInflateMargins());
        CBPoDark->setChecked(Pointer->GetDark3D());
        CheckDefColor();
        BPoinPenCol->LinkPen(Pointer->GetPen());
        if (!Pointer->AllowChangeSize) HideSizeOptions();
    }
    TeeTranslateControl(this);
}

void TSeriesPointerEditor::Enable3DPoint()
{
    if (!Pointer) return;
    TCustomAxisPanel* chart = ChartOf(Pointer->Series());
    const bool view3D = chart && chart->GetView3D();
    const bool fullRotation = chart && chart->GetCanvas()->GetSupportsFullRotation();
    const TSeriesPointerStyle style = Pointer->GetStyle();
    const bool solid =
        style == psRectangle || style == psTriangle || style == psDownTriangle || (style == psCircle && fullRotation);
    CB3dPoint->setEnabled(view3D && solid);
    CBPoDark->setEnabled(CB3dPoint->isEnabled() && CB3dPoint->isChecked());
}

void TSeriesPointerEditor::SetPointerVisible(bool Value)
{
    if (!Pointer) return;
    Pointer->SetVisible(Value);
    if (!Value) {
        CB3dPoint->setEnabled(false);
        CBPoDark->setEnabled(false);
    } else
        Enable3DPoint();
    for (QWidget* w : std::initializer_list<QWidget*>{CBInflate, SEPointHorizSize, SEPointVertSize, BPointFillColor,
                                                      CBStyle, BPoinPenCol, CBDefBrushColor})
        w->setEnabled(Value);
}

void TSeriesPointerEditor::CheckDefColor()
{
    if (!Pointer) return;
    const QSignalBlocker block(CBDefBrushColor);
    CBDefBrushColor->setChecked(Pointer->GetColor() == clDefault && Pointer->GetPen()->GetColor() == clDefault);
}

void TSeriesPointerEditor::CBStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected)
{
    const TColor back = TeeRowBackColor(Selected);
    Canvas->Brush()->SetColor(back);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->FillRect(Rect);
    if (Pointer) {
        TTeeCanvas3D canvas;
        canvas.SetCanvas(Canvas);
        TColor color = Pointer->GetColor();
        if (color == clDefault && Pointer->Series()) color = Pointer->Series()->GetSeriesColor();
        Pointer->PrepareCanvas(&canvas, color);
        const auto style = TSeriesPointerStyle(Index);
        const bool thin = style == psCross || style == psDiagCross || style == psStar || style == psSmallDot;
        if (thin && !Pointer->GetPen()->GetVisible()) {
            Canvas->Pen()->SetStyle(psSolid);
            Canvas->Pen()->SetWidth(1);
            Canvas->Pen()->SetColor(color);
        }
        Pointer->DrawPointer(&canvas, false, Rect.Left + 6, Rect.Top + 8, 4, 4, color, style);
    }
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(back);
    Canvas->Font()->SetColor(TeeRowTextColor(Selected));
    Canvas->TextOut(Rect.Left + 14, Rect.Top + 2, CBStyle->itemText(Index).toStdString());
}

void TSeriesPointerEditor::CBDrawPointClick()
{
    SetPointerVisible(CBDrawPoint->isChecked());
}

void TSeriesPointerEditor::CB3dPointClick()
{
    if (!Pointer) return;
    Pointer->SetDraw3D(CB3dPoint->isChecked());
    CBPoDark->setEnabled(CB3dPoint->isChecked());
}

void TSeriesPointerEditor::CBStyleChange()
{
    if (!Pointer) return;
    Pointer->SetStyle(TSeriesPointerStyle(CBStyle->currentIndex()));
    Enable3DPoint();
}

void TSeriesPointerEditor::BPointFillColorClick()
{
    if (!Pointer) return;
    EditChartBrush(this, Pointer->GetBrush());
    CheckDefColor();
    CBStyle->update();
}

void TSeriesPointerEditor::CBDefBrushColorClick()
{
    if (!Pointer) return;
    if (CBDefBrushColor->isChecked()) {
        Pointer->SetColor(clDefault);
        Pointer->GetPen()->SetColor(clDefault);
    } else if (Pointer->GetPen()->GetColor() == clDefault)
        Pointer->GetPen()->SetColor(clBlack);
    CBStyle->update();
}

void TSeriesPointerEditor::BPoinPenColClick()
{
    CheckDefColor();
    CBStyle->update();
}

void TSeriesPointerEditor::CBColorEachClick()
{
    if (FSeries) FSeries->SetColorEachPoint(CBColorEach->isChecked());
}

void TSeriesPointerEditor::BGradientClick()
{
    if (Pointer) EditTeeGradient(this, Pointer->GetGradient());
}

TBubbleSeriesEditor::TBubbleSeriesEditor(QWidget* Owner) : TSeriesPointerEditor(Owner)
{
    setObjectName("BubbleSeriesEditor");
    auto* label = TeeAddLabel(this, "&Transparency:", 220, 136);
    Edit1 = TeeAddSpin(this, 290, 132, 50, 0, 100, 5, label);
    BindSpins(this, Pointer, {{Edit1, &TSeriesPointer::SetTransparency}}, true);
}

void TBubbleSeriesEditor::FormShow()
{
    TSeriesPointerEditor::FormShow();
    if (Pointer) {
        TFilling filling(this);
        Edit1->setValue(Pointer->GetTransparency());
    }
    CBDrawPoint->hide();
}

void EditSeriesPointer(QObject* AOwner, TSeriesPointer* Pointer)
{
    auto form = TeeCreateForm<TSeriesPointerEditor>(AOwner);
    form->setWindowTitle("Pointer");
    form->SetTag(Pointer);
    form->CBInflate->hide();
    form->CBColorEach->hide();
    TeeTranslateControl(form.get());
    form->ShowModal();
}

TTeeForm* TeeInsertPointerForm(QWidget* Parent, TSeriesPointer* Pointer, const AnsiString& Caption)
{
    return TeeInsertSeriesForm(Parent, &TSeriesPointerEditor::staticMetaObject, 1, Caption, Pointer);
}
