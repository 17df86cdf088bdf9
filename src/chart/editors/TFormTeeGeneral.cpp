#include "chart/editors/TFormTeeGeneral.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TChartPreview.h"
#include "chart/editors/TTeePreviewPanel.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Dialogs.h"
#include "platform/TPrinter.h"

void ChartPreview(QObject* AOwner, TCustomTeePanel* Panel)
{
    if (!Panel) return;
    {
        auto form = std::make_unique<TChartPreview>(TeeFormOwner(AOwner));
        form->PageNavigatorClass = [](QWidget* Parent) { return new TChartPageNavigator(Parent); };
        form->PreviewPanel()->SetPanel(Panel);
        form->ShowModal();
    }
    Panel->Invalidate();
}

// ---- page navigator

TChartPageNavigator::TChartPageNavigator(QWidget* Parent) : TCustomTeeNavigator(Parent) {}

void TChartPageNavigator::SetPanel(TCustomTeePanel* Value)
{
    TCustomTeeNavigator::SetPanel(qobject_cast<TCustomAxisPanel*>(Value));
    EnableButtons();
}

TCustomChart* TChartPageNavigator::GetChart() const
{
    return qobject_cast<TCustomChart*>(Panel());
}

void TChartPageNavigator::SetChart(TCustomChart* Value)
{
    SetPanel(Value);
}

int TChartPageNavigator::PageCount()
{
    auto* chart = qobject_cast<TCustomAxisPanel*>(Panel());
    return chart ? chart->NumPages() : 1;
}

void TChartPageNavigator::BtnClick(TTeeNavigateBtn Index)
{
    if (auto* chart = qobject_cast<TCustomAxisPanel*>(Panel())) {
        const int page = chart->GetPage();
        const int pages = chart->NumPages();
        switch (Index) {
            case nbFirst:
                if (page > 1) chart->SetPage(1);
                break;
            case nbPrior:
                if (page > 1) chart->SetPage(page - 1);
                break;
            case nbNext:
                if (pages > page) chart->SetPage(page + 1);
                break;
            case nbLast:
                if (pages > page) chart->SetPage(pages);
                break;
            default: break;
        }
    }
    TCustomTeeNavigator::BtnClick(Index);
}

void TChartPageNavigator::EnableButtons()
{
    TCustomTeeNavigator::EnableButtons();
    auto* chart = qobject_cast<TCustomAxisPanel*>(Panel());
    const int page = chart ? chart->GetPage() : 1;
    const int pages = chart ? chart->NumPages() : 1;
    Button(nbFirst)->setEnabled(chart && page > 1);
    Button(nbPrior)->setEnabled(chart && page > 1);
    Button(nbNext)->setEnabled(chart && pages > page);
    Button(nbLast)->setEnabled(chart && pages > page);
}

void TChartPageNavigator::DoTeeEvent(TTeeEvent* Event)
{
    auto* series = dynamic_cast<TTeeSeriesEvent*>(Event);
    if (dynamic_cast<TChartChangePage*>(Event) || (series && series->Event == seDataChanged)) EnableButtons();
}

void TChartPageNavigator::Print()
{
    auto* chart = qobject_cast<TCustomAxisPanel*>(Panel());
    if (!chart) return;
    const int pages = chart->NumPages();
    if (pages <= 1) {
        chart->PrintPages(1, 1);
        return;
    }
    int from = 1, to = pages;
    if (platform::dialogs().PrintPageRange(Printer()->Device(), from, to, 1, pages)) chart->PrintPages(from, to);
}

// ---- the page

TFormTeeGeneral::TFormTeeGeneral(QWidget* Owner, TCustomChart* AChart) : TTeeForm(Owner), Chart(AChart)
{
    setObjectName("FormTeeGeneral");
    SetClientSize(368, 218);
    BPrint = TeeAddButton(this, "Print &Preview...", 8, 8, 110);
    QLabel* label6 = TeeAddLabel(this, "&Cursor:", 8, 46);
    CBCursor = TeePlace(new TComboFlat(this), 56, 42, 110, 21);
    label6->setBuddy(CBCursor);
    auto* margins = TeePlace(new QGroupBox("Margins (%)", this), 180, 4, 180, 96);
    auto margin = [margins](int x, int y) {
        QSpinBox* s = TeeAddSpin(margins, x, y, 50, 0, 100, 5);
        s->setValue(3);
        return s;
    };
    SETopMa = margin(64, 16);
    SELeftMa = margin(8, 40);
    SERightMa = margin(120, 40);
    SEBotMa = margin(64, 64);
    CBMarUnits = TeeAddCombo(this, 56, 76, 90, {"Percent", "Pixels"}, TeeAddLabel(this, "&Units:", 8, 80));

    PageControl1 = TeePlace(new QTabWidget(this), 4, 104, 360, 112);
    QWidget* zoom = TeeAddTab(PageControl1, "Zoom");
    CBAllowZoom = TeeAddCheck(zoom, "&Allow", 8, 6);
    CBAnimatedZoom = TeeAddCheck(zoom, "An&imated", 8, 26);
    SEAniZoomSteps = TeeAddSpin(zoom, 60, 48, 50, 1, 100, 1, TeeAddLabel(zoom, "&Steps:", 8, 52));
    SEAniZoomSteps->setValue(8);
    BZoomPen = TeeAddButton<TButtonPen>(zoom, "P&en...", 120, 4, 70);
    BZoomColor = TeeAddButton(zoom, "P&attern...", 120, 32, 70);
    EMinPix = TeeAddSpin(zoom, 290, 4, 56, 0, 1000, 1, TeeAddLabel(zoom, "&Minimum pixels:", 200, 8));
    EMinPix->setValue(16);
    CBDir =
        TeeAddCombo(zoom, 260, 32, 86, {"Horizontal", "Vertical", "Both"}, TeeAddLabel(zoom, "&Direction:", 200, 36));
    CBZoomMouse =
        TeeAddCombo(zoom, 280, 58, 66, {"Left", "Right", "Middle"}, TeeAddLabel(zoom, "M&ouse Button:", 200, 62));
    CBUpLeft = TeeAddCheck(zoom, "Zoom on &Up Left drag", 8, 74);
    QWidget* scroll = TeeAddTab(PageControl1, "Scroll");
    RGPanning =
        TeeAddRadioGroup(scroll, "Allow Scroll:", {"&None", "&Horizontal", "&Vertical", "&Both"}, 8, 2, 120, 84);
    CBScrollMouse =
        TeeAddCombo(scroll, 230, 8, 80, {"Left", "Right", "Middle"}, TeeAddLabel(scroll, "&Mouse Button:", 140, 12));
    PageControl1->setCurrentIndex(0);

    auto zoomOf = [this] { return Chart ? Chart->GetZoom() : nullptr; };
    Bind(BPrint, &QPushButton::clicked, [this] { BPrintClick(); });
    Bind(CBCursor, &QComboBox::activated, [this] { CBCursorChange(); });
    Bind(SELeftMa, &QSpinBox::valueChanged, [this] { MarginChange(0); });
    Bind(SETopMa, &QSpinBox::valueChanged, [this] { MarginChange(1); });
    Bind(SERightMa, &QSpinBox::valueChanged, [this] { MarginChange(2); });
    Bind(SEBotMa, &QSpinBox::valueChanged, [this] { MarginChange(3); });
    Bind(CBMarUnits, &QComboBox::activated, [this] {
        if (!Chart) return;
        Chart->SetMarginUnits(CBMarUnits->currentIndex() == 1 ? muPixels : muPercent);
        AdjustMarginMinMax();
    });
    Bind(CBAllowZoom, &QCheckBox::clicked, [this, zoomOf] {
        if (zoomOf()) zoomOf()->Allow = CBAllowZoom->isChecked();
        EnableZoomControls();
    });
    Bind(CBAnimatedZoom, &QCheckBox::clicked, [this, zoomOf] {
        if (zoomOf()) zoomOf()->Animated = CBAnimatedZoom->isChecked();
    });
    Bind(SEAniZoomSteps, &QSpinBox::valueChanged, [this, zoomOf] {
        if (zoomOf() && isVisible()) zoomOf()->SetAnimatedSteps(SEAniZoomSteps->value());
    });
    Bind(EMinPix, &QSpinBox::valueChanged, [this, zoomOf] {
        if (zoomOf() && isVisible()) zoomOf()->MinimumPixels = EMinPix->value();
    });
    Bind(CBDir, &QComboBox::activated, [this, zoomOf] {
        if (zoomOf()) zoomOf()->Direction = TTeeZoomDirection(CBDir->currentIndex());
    });
    Bind(CBZoomMouse, &QComboBox::activated, [this, zoomOf] {
        if (zoomOf()) zoomOf()->MouseButton = TMouseButton(CBZoomMouse->currentIndex());
    });
    Bind(CBUpLeft, &QCheckBox::clicked, [this, zoomOf] {
        if (zoomOf()) zoomOf()->UpLeftZooms = CBUpLeft->isChecked();
    });
    Bind(BZoomColor, &QPushButton::clicked, [this, zoomOf] {
        if (zoomOf()) EditChartBrush(this, zoomOf()->GetBrush());
    });
    Bind(RGPanning, &TTeeRadioGroup::Click, [this] {
        if (!Chart) return;
        Chart->SetAllowPanning(TPanningMode(RGPanning->ItemIndex()));
        CBScrollMouse->setEnabled(RGPanning->ItemIndex() != pmNone);
    });
    Bind(CBScrollMouse, &QComboBox::activated, [this] {
        if (Chart) Chart->SetScrollMouseButton(TMouseButton(CBScrollMouse->currentIndex()));
    });
}

void TFormTeeGeneral::FormShow()
{
    if (Chart) {
        TFilling filling(this);
        RGPanning->SetItemIndex(int(Chart->GetAllowPanning()));
        SETopMa->setValue(Chart->GetMargin(1));
        SELeftMa->setValue(Chart->GetMargin(0));
        SEBotMa->setValue(Chart->GetMargin(3));
        SERightMa->setValue(Chart->GetMargin(2));
        CBMarUnits->setCurrentIndex(Chart->GetMarginUnits() == muPixels ? 1 : 0);
        AdjustMarginMinMax();
        TTeeZoom* zoom = Chart->GetZoom();
        CBAllowZoom->setChecked(zoom->Allow);
        CBAnimatedZoom->setChecked(zoom->Animated);
        SEAniZoomSteps->setValue(zoom->AnimatedSteps);
        EnableZoomControls();
        EMinPix->setValue(zoom->MinimumPixels);
        CBDir->setCurrentIndex(int(zoom->Direction));
        CBZoomMouse->setCurrentIndex(int(zoom->MouseButton));
        CBUpLeft->setChecked(zoom->UpLeftZooms);
        BZoomPen->LinkPen(zoom->GetPen());
        CBScrollMouse->setCurrentIndex(int(Chart->GetScrollMouseButton()));
        CBScrollMouse->setEnabled(Chart->GetAllowPanning() != pmNone);
        TeeFillCursors(CBCursor, Chart->GetCursor());
    }
    TeeTranslateControl(this);
}

void TFormTeeGeneral::AdjustMarginMinMax()
{
    const bool pixels = Chart && Chart->GetMarginUnits() == muPixels;
    TFilling filling(this);
    for (QSpinBox* s : {SETopMa, SELeftMa, SEBotMa, SERightMa})
        if (pixels)
            s->setRange(-2000, 2000);
        else
            s->setRange(0, 100);
}

void TFormTeeGeneral::EnableZoomControls()
{
    const bool allow = Chart && Chart->GetZoom()->Allow;
    for (QWidget* w : std::initializer_list<QWidget*>{CBAnimatedZoom, SEAniZoomSteps, EMinPix, BZoomPen, BZoomColor,
                                                      CBDir, CBZoomMouse, CBUpLeft})
        w->setEnabled(allow);
}

int TFormTeeGeneral::ChangeMargin(QSpinBox* UpDown, int Old, int Opposite)
{
    if (Chart->GetMarginUnits() == muPercent && UpDown->value() + Opposite >= 100) {
        TFilling filling(this);
        UpDown->setValue(Old);
        return Old;
    }
    return UpDown->value();
}

void TFormTeeGeneral::MarginChange(int Index)
{
    if (!Chart || !isVisible()) return;
    QSpinBox* const edits[4] = {SELeftMa, SETopMa, SERightMa, SEBotMa};
    Chart->SetMargin(Index, ChangeMargin(edits[Index], Chart->GetMargin(Index), Chart->GetMargin((Index + 2) % 4)));
}

void TFormTeeGeneral::BPrintClick()
{
    ChartPreview(nullptr, Chart);
}

void TFormTeeGeneral::CBCursorChange()
{
    if (!Chart) return;
    const TCursor cursor = TeeSetCursor(Chart->GetCursor(), CBCursor->currentText().toStdString());
    Chart->SetCursor(cursor);
    Chart->SavedCursor = cursor;
}
