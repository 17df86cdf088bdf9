// The 25 series of a channel and their titles for an identified unit.
#include <QObject>

#include "app/CLanguage.h"
#include "channel/CChannelSession.h"
#include "channel/ChannelTexts.h"
#include "channel/LabelFile.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TeeFunctions.h"
#include "comm/CChannel.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

struct TSeriesLayout {
    const char* name;
    const char* title;  // design-time title
    TColor colour;
    bool rightAxis;
    bool inLegend;
    bool lineDrawn;
};

// In chart order: the 22 value series, the auxiliary series A and B and the programmer's
// planned setpoints.
constexpr TSeriesLayout kLayout[ChannelSeriesCount] = {
    {"TIntern", "TIntern [°C]", clGreen, false, true, true},
    {"TExtern", "TProzess[°C]", clRed, false, true, true},
    {"Sollwert", "Sollwert [°C]", clBlue, false, true, true},
    {"HT", "HT", 0x00408000, false, true, true},
    {"TC", "TC [°C]", clFuchsia, false, true, true},
    {"T1", "T1", clBlue, false, true, true},
    {"T0", "T0", 0x00FF8000, false, true, true},
    {"V", "V", 0x00400000, false, true, true},
    {"Heizung", "Heizung [%]", 0x008000FF, false, true, true},
    {"F", "F [%]", 0x000080FF, false, true, true},
    {"I", "", clGray, false, true, true},
    {"TU", "TU [°C]", clNavy, false, true, true},
    {"TX0", "TX0", clFuchsia, false, true, true},
    {"TX1", "TX1", clTeal, false, true, true},
    {"AIF", "AIF_In [%]", clMaroon, false, true, true},
    {"AIF_Out", "", 0x000080FF, true, false, true},
    {"AIF_Out2", "", clOlive, true, false, true},
    {"AIF_Out3", "", clRed, true, false, true},
    {"Poko", "PoKo", clWhite, true, false, true},
    {"ECS", "ECS", clBlue, true, false, true},
    {"Drehzahl", "Drehzahl", 0x000080FF, true, false, true},
    {"Druck", "Druck [mbar]", clOlive, true, false, true},
    {"A", "A", clBlue, false, false, false},
    {"B", "B", 0x008000FF, false, false, false},
    {"Programmgeber1", "Programmgeber", clOlive, false, false, false},
};

// The default title of value series k when no label file names it.
AnsiString DefaultTitle(int k)
{
    switch (k) {
        case 0: return ChannelText(RowSeriesTInternal);
        case 1: return ChannelText(RowSeriesTProcess);
        case 2: return ChannelText(RowSeriesSetpoint);
        case 8: return ChannelText(RowSeriesHeating);
        case 20: return ChannelText(RowSpeed);
        case 21: return ChannelText(RowPressure);
        default: break;
    }
    // The same in both languages.
    static const char* const kFixed[ValueSeriesTotal] = {
        "",        "",    "",    "HT",         "TC [°C]", "T1",       "T0",       "V",    "",    "F [%]", "I",
        "TU [°C]", "TX0", "TX1", "AIF_In [%]", "AIF_Out", "AIF_Out2", "AIF_Out3", "PoKo", "ECS", "",      "",
    };
    return kFixed[k];
}

}  // namespace

void CChannelSession::CreateSeries()
{
    for (int i = 0; i < ChannelSeriesCount; ++i) {
        const TSeriesLayout& l = kLayout[i];
        auto* s = new TFastLineSeries(FSeriesOwner);
        s->setObjectName(l.name);
        s->SetTitle(l.title);
        s->SetSeriesColor(l.colour);
        s->SetVertAxis(l.rightAxis ? aRightAxis : aLeftAxis);
        s->SetShowInLegend(l.inLegend);
        s->GetLinePen()->SetVisible(l.lineDrawn);
        s->XValues()->SetName("X");
        s->XValues()->SetOrder(loAscending);
        s->YValues()->SetName("Y");
        s->YValues()->SetOrder(loNone);
        s->XValues()->SetDateTime(i != sSollwert && !l.rightAxis && i != SeriesProgrammer);
        s->Marks()->SetVisible(false);
        s->Marks()->GetCallout()->GetBrush()->SetColor(clBlack);
        // Every series starts inactive; the identification and the recording start show
        // the ones the unit has.
        s->SetActive(false);
        FSeries[std::size_t(i)] = s;
    }
    // The sum of the jacket temperature over quarter-day periods; without a data source
    // the series keeps the points the ticks add.
    auto* sum = new TAddTeeFunction(FSeriesOwner);
    sum->setObjectName("TeeFunction1");
    sum->SetPeriod(0.25);
    sum->SetPeriodStyle(psRange);
    FSeries[0]->SetFunction(sum);
}

TFastLineSeries* CChannelSession::ValueSeries(int index) const
{
    return index >= 0 && index < ChannelSeriesCount ? FSeries[std::size_t(index)].data() : nullptr;
}

TChartSeries* CChannelSession::Series(int index) const
{
    return ValueSeries(index);
}

AnsiString CChannelSession::AxisValuesFormat(int index) const
{
    const TChartSeries* s = Series(index);
    const TChartAxis* axis = s ? s->GetVertAxis() : nullptr;
    return axis ? axis->GetAxisValuesFormat() : AnsiString("#,##0.###");
}

bool CChannelSession::DrawnOnRightAxis(int series)
{
    switch (series) {
        case 3:
        case 7:
        case 8:
        case 9:
        case 10: return true;
        default: return series >= 14 && series < ValueSeriesTotal;
    }
}

void CChannelSession::SetupDeviceSeries(const AnsiString& deviceName, int)
{
    NOX_ASSERT_UI_THREAD();
    TAxisLabels axisLabels{};
    TSeriesLabels seriesNames{};
    const bool english = ChannelLanguage() == CLanguage::English;
    if (ReadLabelsFile(axisLabels, seriesNames)) {
        const int first = english ? 24 : 1;
        for (int k = 0; k < ValueSeriesTotal; ++k)
            if (FSeries[std::size_t(k)]) FSeries[std::size_t(k)]->SetTitle(seriesNames[std::size_t(first + k)]);
        FLeftAxisTitle = axisLabels[english ? 4 : 1];
        FRightAxisTitle = axisLabels[english ? 5 : 2];
    } else {
        for (int k = 0; k < ValueSeriesTotal; ++k)
            if (FSeries[std::size_t(k)]) FSeries[std::size_t(k)]->SetTitle(DefaultTitle(k));
        FSeries[SeriesA]->SetTitle("A");
        FSeries[SeriesB]->SetTitle("B");
        FLeftAxisTitle = ChannelText(RowTemperatureInDegrees);
        FRightAxisTitle = ChannelText(RowIncrementInPercent);
    }
    FChannelLabel = deviceName;
    if (OnDeviceSeriesSetUp) OnDeviceSeriesSetUp();
}

void CChannelSession::SetupGraphAxes()
{
    NOX_ASSERT_UI_THREAD();
    for (int k = 0; k < FSeriesCount && k < ChannelSeriesCount; ++k) {
        TFastLineSeries* s = FSeries[std::size_t(k)];
        if (!s) continue;
        // The value series the identification found stay shown; 0..2 always are.
        if (k <= sSollwert) {
            s->Tag = 1;
            s->SetActive(true);
        } else if (k < ValueSeriesTotal) {
            s->SetActive(s->Tag == 1);
        } else {
            s->SetActive(true);
        }
    }
    for (int k = 0; k < ChannelSeriesCount; ++k) {
        TFastLineSeries* s = FSeries[std::size_t(k)];
        if (!s) continue;
        if (k < ValueSeriesTotal) s->SetVertAxis(DrawnOnRightAxis(k) ? aRightAxis : aLeftAxis);
        s->XValues()->SetDateTime(true);
        s->Clear();
        TSeriesMarks* marks = s->Marks();
        marks->SetClip(true);
        marks->SetColor(clRed);
        marks->SetVisible(false);
    }
    FSeries[sSollwert]->Marks()->SetColor(0x80FFFF);
    FSeries[sSollwert]->Marks()->SetVisible(true);
    FTicksSinceSave = 0;
}
