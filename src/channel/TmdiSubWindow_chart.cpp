// The channel chart's layout, and the titles of an identified unit's series in the window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/TfrmPanelControl.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/series/TeeLegendScrollBar.h"
#include "platform/UiThread.h"

namespace {

void Title(TChartAxis* axis, const char* caption)
{
    axis->GetTitle()->SetCaption(caption);
    axis->GetTitle()->GetFont()->SetHeight(-13);
}

}  // namespace

void TmdiSubWindow::SetupChart()
{
    NOX_ASSERT_UI_THREAD();
    TChart* c = graDataGraph;
    c->GetGradient()->SetVisible(true);
    c->GetGradient()->SetDirection(gdBottomTop);
    c->GetGradient()->SetEndColor(clSilver);
    c->SetBevelOuter(bvNone);
    c->SetView3D(false);
    c->Set3DPercent(20);
    c->GetView3DOptions()->SetPerspective(44);
    c->GetView3DOptions()->SetZoom(95);
    c->SetPrintProportional(false);
    c->PrintMargins = TRect(3, 4, 3, 4);
    c->SetBufferedDisplay(true);

    c->GetBackWall()->SetColor(clScrollBar);
    c->GetBackWall()->GetBrush()->SetColor(clWhite);
    c->GetBottomWall()->GetBrush()->SetColor(clWhite);
    c->GetLeftWall()->SetColor(0x00D2CAC4);
    c->GetLeftWall()->GetBrush()->SetColor(clWhite);

    c->GetTitle()->SetText(FSession->TitleLines());
    c->GetTitle()->GetFont()->SetColor(clBlack);
    c->GetTitle()->GetFont()->SetHeight(-13);

    TChartLegend* legend = c->GetLegend();
    legend->SetCheckBoxes(true);
    legend->SetLegendStyle(lsSeries);
    legend->GetFont()->SetName("Courier");
    legend->GetFont()->SetHeight(-13);
    legend->SetBevel(bvLowered);
    legend->GetGradient()->SetStartColor(clWhite);
    legend->GetGradient()->SetEndColor(clSilver);
    legend->GetGradient()->SetVisible(true);
    legend->GetShadow()->SetHorizSize(0);
    legend->GetShadow()->SetVertSize(0);
    legend->GetSymbol()->SetPosition(spRight);
    legend->GetSymbol()->SetWidth(15);
    // The symbol is drawn with the series' own pen, so it shows the curve's colour.
    legend->GetSymbol()->GetPen()->SetWidth(7);
    legend->GetSymbol()->GetPen()->SetEndStyle(esFlat);
    legend->SetTopPos(7);
    legend->GetTitle()->SetCaption(ChannelText(resources::RowValueSeriesPlural2));
    legend->GetTitle()->GetFont()->SetName("Tahoma");
    legend->GetTitle()->GetFont()->SetColor(clWhite);
    legend->GetTitle()->SetTransparent(false);
    legend->GetTitle()->GetGradient()->SetDirection(gdLeftRight);
    legend->GetTitle()->GetGradient()->SetStartColor(0x00FFC1C1);
    legend->GetTitle()->GetGradient()->SetEndColor(0x00804000);
    legend->GetTitle()->GetGradient()->SetVisible(true);
    legend->GetTitle()->SetVisible(true);

    TTeeZoom* zoom = c->GetZoom();
    zoom->AnimatedSteps = 2;
    zoom->MinimumPixels = 0;
    zoom->GetPen()->SetColor(clBlack);
    zoom->GetPen()->SetEndStyle(esSquare);

    TChartAxis* bottom = c->BottomAxis();
    bottom->SetAutomatic(false);
    bottom->SetAutomaticMinimum(false);
    bottom->SetAutomaticMaximum(false);
    bottom->SetAxisValuesFormat("########");
    bottom->SetExactDateTime(false);
    bottom->GetGrid()->SetColor(clBlack);
    bottom->GetLabelsFont()->SetStyle(TFontStyles(fsBold));
    bottom->SetLabelsMultiLine(true);
    bottom->SetLabelsSeparation(20);
    bottom->SetLabelStyle(talValue);
    bottom->SetMinorTickCount(4);
    bottom->SetTickInnerLength(2);
    Title(bottom, ChannelText(resources::RowTimeInHhMmSsAxis).c_str());

    TChartAxis* left = c->LeftAxis();
    left->SetAutomatic(false);
    SetAxisRange(left, -61, 41);
    left->SetDesiredIncrement(0.001);
    left->SetLabelsMultiLine(true);
    left->SetLabelsOnAxis(false);
    left->SetLabelStyle(talValue);
    left->GetTicks()->SetColor(0x00400000);
    // The window's language; a unit's identification or a labels file may give others.
    Title(left, ChannelText(resources::RowTemperatureInDegrees).c_str());

    TChartAxis* right = c->RightAxis();
    right->SetAutomatic(false);
    SetAxisRange(right, -110, 1000);
    right->SetDesiredIncrement(0.01);
    right->GetGrid()->SetColor(0x00400000);
    right->GetGrid()->SetVisible(false);
    Title(right, ChannelText(resources::RowIncrementInPercent).c_str());
    right->GetTitle()->SetAngle(90);

    for (int i = 0; i < ChannelSeriesCount; ++i) c->AddSeries(FSession->Series(i));

    ChartTool1 = new TLegendScrollBar(c);
    ChartTool1->setObjectName("ChartTool1");
    ChartTool1->SetBackColor(clScrollBar);
    ChartTool1->Brush()->SetColor(clWhite);
    ChartTool1->DrawStyle = dsAlways;
    ChartTool1->Pen()->SetColor(clWindowFrame);
    ChartTool1->SetSize(12);
    ChartTool1->GetThumbBrush()->SetColor(clSilver);
    c->Tools()->Add(ChartTool1);

    ChartTool2 = new TGridBandTool(c);
    ChartTool2->setObjectName("ChartTool2");
    for (TGridBandBrush* band : {ChartTool2->GetBand1(), ChartTool2->GetBand2()}) {
        band->SetColor(clSilver);
        band->SetBackColor(clGray);
        band->SetTransparency(35);
    }
    // The axis is found by its index in the tool's chart.
    c->Tools()->Add(ChartTool2);
    ChartTool2->SetAxisID(2);
}

void TmdiSubWindow::ApplyDeviceSeries()
{
    NOX_ASSERT_UI_THREAD();
    // The chooser names the 22 value series after their titles.
    const bool wasSettingUp = FSettingUp;
    FSettingUp = true;
    for (int k = 0; k < ValueSeriesTotal; ++k) {
        const QString title = QString::fromStdString(FSession->Series(k)->GetTitle());
        if (k < cmbLineSeries->count())
            cmbLineSeries->setItemText(k, title);
        else
            cmbLineSeries->addItem(title);
    }
    cmbLineSeries->setCurrentIndex(0);
    FSettingUp = wasSettingUp;
    graDataGraph->LeftAxis()->GetTitle()->SetCaption(FSession->LeftAxisTitle());
    graDataGraph->RightAxis()->GetTitle()->SetCaption(FSession->RightAxisTitle());
    edTempAxisLabel->setText(QString::fromStdString(FSession->LeftAxisTitle()));
    edPowerAxisLabel->setText(QString::fromStdString(FSession->RightAxisTitle()));

    // The control panel shows the device; Tag 2 keeps its caption through a language switch.
    const AnsiString device = FSession->ChannelLabel();
    DeviceText = device;
    if (frmPanelControl) frmPanelControl->edChannelLabel->setText(QString::fromStdString(device));
    if (FControlPanel) FControlPanel->SetChannelPanel(FChannel, device, 2);
}

bool TmdiSubWindow::ReadLabelsFile(TAxisLabels& axisLabels, TSeriesLabels& seriesNames)
{
    NOX_ASSERT_UI_THREAD();
    return ::ReadLabelsFile(axisLabels, seriesNames);
}

void TmdiSubWindow::RefreshTitle()
{
    graDataGraph->GetTitle()->SetText(FSession->TitleLines());
}

void TmdiSubWindow::SetChartLabelColour(TColor colour)
{
    NOX_ASSERT_UI_THREAD();
    FChartLabelColour = colour;
    const QColor c = QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    for (QLabel* l : {txtSeries, txtSelection, lblXCoord, lblY1Coord, lblY2Coord}) {
        if (!l) continue;
        QPalette p = l->palette();
        p.setColor(QPalette::Window, (colour & 0xFF000000u) ? l->palette().color(QPalette::Button) : c);
        l->setPalette(p);
    }
}

void TmdiSubWindow::SetGradientScheme(bool on)
{
    NOX_ASSERT_UI_THREAD();
    SetChartLabelColour(on ? clWhite : clBtnFace);
    chkGradient->setChecked(on);
    graDataGraph->GetGradient()->SetVisible(on);
}

void TmdiSubWindow::PrepareSeries()
{
    NOX_ASSERT_UI_THREAD();
    for (int i = 0; i < ChannelSeriesCount - 1; ++i) {
        TFastLineSeries* s = FSession->ValueSeries(i);
        s->SetDrawAll(false);
        s->XValues()->SetOrder(loNone);
        s->Tag = 0;
    }
}
