// How a series takes part in a chart's drawing: depth slots, drawing order, positions,
// marks layout, legend texts and symbols, paging and the mouse.
#include <algorithm>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeHtml.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/MouseTypes.h"
#include "platform/Round.h"

ISeriesHost* TChartSeries::SeriesHost() const
{
    return SeriesHostOf(FParentChart);
}

TCanvas3D* TChartSeries::Canvas() const
{
    ISeriesHost* host = SeriesHost();
    return host ? host->GetCanvas() : nullptr;
}

// ---------------------------------------------------------------- depth

void TChartSeries::CalcZOrder()
{
    ISeriesHost* host = SeriesHost();
    if (!host) return;
    if (FZOrder != -1) {
        host->SetMaxZOrder(std::max(host->GetMaxZOrder(), FZOrder));
    } else if (!host->GetView3D()) {
        FComputedZOrder = 0;
    } else {
        host->SetMaxZOrder(host->GetMaxZOrder() + 1);
        FComputedZOrder = host->GetMaxZOrder();
    }
}

void TChartSeries::CalcDepthPositions()
{
    ISeriesHost* host = SeriesHost();
    const int width = host ? host->GetSeriesWidth3D() : 0;
    StartZ = width * (DepthSlot >= 0 ? DepthSlot : GetZOrder());
    EndZ = StartZ + (FFormat.Depth == -1 ? width : FFormat.Depth);
    MiddleZ = (StartZ + EndZ) / 2;
    FMarks->ZPosition = MiddleZ;
}

bool TChartSeries::MoreSameZOrder() const
{
    ISeriesHost* host = SeriesHost();
    if (!host || !host->GetApplyZOrder()) return false;
    for (TChartSeries* s : *host->SeriesList())
        if (s != this && s->GetActive() && !s->HasThirdValues && s->GetZOrder() == GetZOrder()) return true;
    return false;
}

bool TChartSeries::FirstInZOrder() const
{
    if (!FActive) return false;
    ISeriesHost* host = SeriesHost();
    if (!host) return true;
    for (TChartSeries* s : *host->SeriesList()) {
        if (s == this) break;
        if (s->GetActive() && s->GetZOrder() == GetZOrder()) return false;
    }
    return true;
}

// ---------------------------------------------------------------- drawing order

void TChartSeries::DoBeforeDrawValues()
{
    if (BeforeDrawValues) BeforeDrawValues(this);
}

void TChartSeries::DoAfterDrawValues()
{
    if (AfterDrawValues) AfterDrawValues(this);
}

bool TChartSeries::DrawValuesForward() const
{
    if (FYMandatory) {
        bool result = !(FGetHorizAxis && FGetHorizAxis->GetInverted());
        if (ISeriesHost* host = SeriesHost(); host && host->GetInvertedRotation()) result = !result;
        return result;
    }
    return !(FGetVertAxis && FGetVertAxis->GetInverted());
}

bool TChartSeries::DrawSeriesForward(int) const
{
    ISeriesHost* host = SeriesHost();
    return !(host && host->GetInvertedRotation());
}

void TChartSeries::DrawAllValues()
{
    if (FirstValueIndex < 0 || LastValueIndex < FirstValueIndex) return;
    const int last = std::min(LastValueIndex, Count() - 1);
    if (DrawValuesForward())
        for (int i = FirstValueIndex; i <= last; ++i) DrawValue(i);
    else
        for (int i = last; i >= FirstValueIndex; --i) DrawValue(i);
}

void TChartSeries::DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position)
{
    FMarks->InternalDraw(index, ValueColor(index), text, position);
}

void TChartSeries::DrawMarks()
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas || FirstValueIndex < 0) return;
    const int every = std::max(1, FMarks->GetDrawEvery());
    const int last = std::min(LastValueIndex, Count() - 1);
    TSeriesMarkPosition position;
    // A point without a label would only be given its value as text, which the handler
    // blanks: such points are passed over without making it.
    const bool labelsOnly =
        MarksOfLabelsOnly && OnGetMarkText && (FMarks->GetStyle() == smsLabel || FMarks->GetStyle() == smsValue);
    const auto next = [&](int i) { return labelsOnly ? FLabels.NextLabelled(i) : i; };
    for (int i = next(FirstValueIndex); i >= 0 && i <= last; i = next(i + 1)) {
        if (i % every != 0 || IsNull(i)) continue;
        const AnsiString text = GetMarkText(i);
        if (text.empty()) continue;
        TTeeCustomShape* item = FMarks->MarkItem(i);
        if (!item->GetVisible()) continue;

        canvas->AssignFont(item->GetFont());
        TView3DOptions* options = host->GetView3DOptions();
        if (host->GetView3D() && !canvas->GetSupports3DText() && options && options->GetZoomText() &&
            options->GetZoom() != 100)
            canvas->Font->SetSize(std::max(1, Round(canvas->Font->GetSize() * options->GetZoom() * 0.01)));

        const int fontHeight = canvas->GetFontHeight();
        int width, height;
        if (item->GetTextFormat() == ttfHtml) {
            const TSize size = ChartHtmlTextExtent(canvas, text);
            width = size.cx;
            height = size.cy;
        } else {
            int lines = 0;
            width = host->MultiLineTextWidth(text, lines);
            height = fontHeight * lines;
        }
        width += canvas->TextWidth("W");
        const bool symbol = FMarks->HasSymbol() && FMarks->GetSymbol()->ShouldDraw();
        if (symbol) width += fontHeight - 4;
        if (item->GetPen()->GetVisible()) {
            width += 2 * item->GetPen()->GetWidth();
            height += 2 * item->GetPen()->GetWidth();
        } else {
            ++width;
            ++height;
        }

        position.ArrowTo = TPoint(CalcXPos(i), CalcYPos(i));
        position.ArrowFrom = position.ArrowTo;
        position.LeftTop = TPoint(position.ArrowTo.X - width / 2, position.ArrowTo.Y - height + 1);
        position.Width = width;
        position.Height = height;
        if (symbol)
            FMarks->GetSymbol()->ShapeBounds =
                TRect(position.LeftTop.X + 2, position.LeftTop.Y + 2, position.LeftTop.X + 2 + fontHeight,
                      position.LeftTop.Y + 2 + fontHeight);
        DrawMark(i, text, position);
    }
}

// ---------------------------------------------------------------- positions

int TChartSeries::CalcXPos(int index) const
{
    return FGetHorizAxis ? FGetHorizAxis->CalcXPosValue(GetxValue(index)) : 0;
}

int TChartSeries::CalcYPos(int index) const
{
    return FGetVertAxis ? FGetVertAxis->CalcYPosValue(GetyValue(index)) : 0;
}

int TChartSeries::CalcXPosValue(double value) const
{
    return FGetHorizAxis ? FGetHorizAxis->CalcXPosValue(value) : 0;
}

int TChartSeries::CalcYPosValue(double value) const
{
    return FGetVertAxis ? FGetVertAxis->CalcYPosValue(value) : 0;
}

int TChartSeries::CalcXSizeValue(double value) const
{
    return FGetHorizAxis ? FGetHorizAxis->CalcSizeValue(value) : 0;
}

int TChartSeries::CalcYSizeValue(double value) const
{
    return FGetVertAxis ? FGetVertAxis->CalcSizeValue(value) : 0;
}

double TChartSeries::XScreenToValue(int pixel) const
{
    return FGetHorizAxis ? FGetHorizAxis->CalcPosPoint(pixel) : 0;
}

double TChartSeries::YScreenToValue(int pixel) const
{
    return FGetVertAxis ? FGetVertAxis->CalcPosPoint(pixel) : 0;
}

AnsiString TChartSeries::YValueToText(double value) const
{
    if (FParentChart && FGetVertAxis) return FParentChart->AxisLabelText(FGetVertAxis, value);
    return FormatFloat(FFormat.ValueFormat, value);
}

void TChartSeries::CalcFirstLastPage(int& first, int& last) const
{
    const int count = Count();
    if (count == 0) {
        first = last = -1;
        return;
    }
    ISeriesHost* host = SeriesHost();
    const int perPage = host ? host->GetMaxPointsPerPage() : 0;
    if (perPage < 1) {
        first = 0;
        last = count - 1;
        return;
    }
    // Pages before the first count as the first one.
    first = (std::max(1, host->GetPage()) - 1) * perPage;
    if (first >= count) first = std::max(0, count / perPage - 1) * perPage;
    last = first + perPage - 1;
    if (last >= count) last = count % perPage + first - 1;
}

// ---------------------------------------------------------------- mouse

void TChartSeries::GetCursorValues(double& x, double& y) const
{
    ISeriesHost* host = SeriesHost();
    const TPoint p = host ? host->GetCursorPos() : TPoint();
    x = XScreenToValue(p.X);
    y = YScreenToValue(p.Y);
}

int TChartSeries::GetCursorValueIndex()
{
    ISeriesHost* host = SeriesHost();
    return host ? Clicked(host->GetCursorPos()) : -1;
}

bool TChartSeries::CheckMouse(int x, int y)
{
    if (Cursor == crDefault && !OnMouseEnter && !OnMouseLeave) return false;
    const bool hit = Clicked(x, y) != -1;
    if (hit) {
        if (Cursor != crDefault)
            if (ISeriesHost* host = SeriesHost()) host->SetChartCursor(Cursor);
        if (!FMouseInside) {
            FMouseInside = true;
            if (OnMouseEnter) OnMouseEnter(this);
        }
    } else if (FMouseInside) {
        FMouseInside = false;
        if (OnMouseLeave) OnMouseLeave(this);
    }
    return hit;
}

// ---------------------------------------------------------------- legend

AnsiString TChartSeries::LegendString(int legendIndex, TLegendTextStyle style)
{
    const int index = LegendToValueIndex(legendIndex);
    const AnsiString label = FLabels.GetLabel(index);
    const AnsiString separator(1, TeeColumnSeparator);
    const auto valueText = [&]() {
        const double v = GetMarkValue(index);
        if (FMandatory->GetDateTime()) return FormatDateTime("c", v);
        return FormatFloat(FFormat.ValueFormat, v);
    };
    const auto percentText = [&]() {
        const double total = FMandatory->TotalABS();
        return FormatFloat(FFormat.PercentFormat, total != 0 ? 100.0 * GetMarkValue(index) / total : 100.0);
    };
    const auto xText = [&]() {
        const double x = FNotMandatory->Value(index);
        if (FParentChart && FGetHorizAxis) return FParentChart->AxisLabelText(FGetHorizAxis, x);
        return FormatFloat(FFormat.ValueFormat, x);
    };
    const auto joined = [&](const AnsiString& a, const AnsiString& b) {
        return a.empty() || b.empty() ? a + b : a + separator + b;
    };
    switch (style) {
        case ltsPlain: return label;
        case ltsLeftValue: return joined(valueText(), label);
        case ltsRightValue: return joined(label, valueText());
        case ltsLeftPercent: return joined(percentText(), label);
        case ltsRightPercent: return joined(label, percentText());
        case ltsXValue: return xText();
        case ltsValue: return valueText();
        case ltsPercent: return percentText();
        case ltsXAndValue: return xText() + separator + valueText();
        case ltsXAndPercent: return xText() + separator + percentText();
    }
    return label;
}

namespace {

// The legend's background: its own colour, else the panel's.
TColor LegendBackColor(ISeriesHost* host)
{
    const TColor c = host->GetLegendColor();
    return c == clDefault ? host->GetBackColor() : c;
}

}  // namespace

void TChartSeries::DrawLegend(int valueIndex, const TRect& rect)
{
    if (valueIndex == -1 && FColorEachPoint) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const bool oldAutoRepaint = host->GetAutoRepaint();
    host->SetAutoRepaint(false);
    const TColor color = valueIndex == -1 ? GetSeriesColor() : LegendItemColor(valueIndex);
    canvas->Brush->SetColor(color);
    if (color != clNone) {
        canvas->AssignVisiblePen(FPen);
        TColor back = clDefault;
        const TBrushStyle oldStyle = FBrush->GetStyle();
        TBrushStyle style = oldStyle;
        PrepareLegendCanvas(valueIndex, back, style);
        if (TChartPen* symbolPen = host->GetLegendSymbolPen()) canvas->AssignVisiblePen(symbolPen);
        if (back == clDefault) back = LegendBackColor(host);
        // The series brush takes the legend's style for this drawing only, unnoticed.
        const bool swapStyle = style != oldStyle && !FBrush->StoredImage();
        {
            TQuietChange quiet(FBrush->OnChange);
            if (swapStyle) FBrush->SetStyle(style);
            host->SetBrushCanvas(color, FBrush, back);
            if (swapStyle) FBrush->SetStyle(oldStyle);
        }
        DrawLegendShape(valueIndex, rect);
    }
    host->SetAutoRepaint(oldAutoRepaint);
}

void TChartSeries::DrawLegendShape(int, const TRect& rect)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    canvas->Rectangle(rect);
    const TColor back = LegendBackColor(host);
    if (canvas->Brush->GetColor() == back) {
        // Same colour as the legend: an outline keeps the symbol visible.
        canvas->Brush->SetStyle(bsClear);
        if (back == clBlack) canvas->Pen->SetColor(clWhite);
        canvas->Rectangle(rect);
    }
}

int TChartSeries::MaxMarkWidth()
{
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (FMarks->MarkItem(i)->GetVisible()) result = std::max(result, FMarks->TextWidth(i));
    return result;
}
