#include "chart/series/TPieSeries.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"
#include "platform/StoredRules.h"

namespace {
constexpr double Pi = std::numbers::pi;
}

// ---------------------------------------------------------------- slice lists

int TSliceValueList::Get(int index) const
{
    return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)] : 0;
}

bool TSliceValueList::Store(int index, int value)
{
    if (index < 0) return false;
    if (index >= Count()) FItems.resize(static_cast<std::size_t>(index) + 1, 0);
    return StoreChanged(FItems[static_cast<std::size_t>(index)], value);
}

void TSliceValueList::Put(int index, int value)
{
    if (Store(index, value) && FOwner) FOwner->Repaint();
}

void TSliceValueList::Delete(int index)
{
    if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

void TSliceValueList::Swap(int a, int b, int count)
{
    if (FItems.empty()) return;
    if (Count() < count) FItems.resize(static_cast<std::size_t>(count), 0);
    if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    std::swap(FItems[static_cast<std::size_t>(a)], FItems[static_cast<std::size_t>(b)]);
}

// ---------------------------------------------------------------- other slice and shadow

TPieOtherSlice::TPieOtherSlice(TPieSeries* owner) : TPersistent(owner), FOwner(owner) {}

void TPieOtherSlice::PropertyChanged()
{
    if (FOwner) FOwner->Repaint();
}

AnsiString TPieOtherSlice::GetText() const
{
    return FSettings.Text.empty() ? TeeMsg_PieOther : FSettings.Text;
}

void TPieOtherSlice::Assign(TPersistent* Source)
{
    if (!AssignRecord(this, &TPieOtherSlice::FSettings, Source)) TPersistent::Assign(Source);
}

bool TPieOtherSlice::IsPropertyStored(const char* Name) const
{
    static const TSettings defaults;
    const TStoredRule rules[] = {
        {"Color", FSettings.Color != defaults.Color},
        {"Style", FSettings.Style != defaults.Style},
        {"Text", FSettings.Text != defaults.Text},
        {"Value", FSettings.Value != defaults.Value},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TPersistent::IsPropertyStored(Name);
}

TPieShadow::TPieShadow(const TNotifyEvent& onChange, QObject* parent) : TTeeShadow(onChange, parent)
{
    DefaultColor = static_cast<TColor>(0xA0A0A0);
    TQuietChange quiet(OnChange);
    SetColor(DefaultColor);
}

// ---------------------------------------------------------------- the series

TPieSeries::TPieSeries(QObject* owner) : TCircledSeries(owner)
{
    FOtherSlice = new TPieOtherSlice(this);
    FPiePen = CreateChartPen();
    FShadow = new TPieShadow([this](QObject*) { CanvasChanged(); }, this);
    FGradient->SetStartColor(clWhite);
    FGradient->SetDirection(gdRadial);
    FX->SetName(AnsiString());
    // Slices keep the order they were added in.
    FX->SetOrder(loNone);
    FY->SetName(TeeMsg_ValuesPie);
    FColorEachPoint = true;
    FMarks->SetVisible(true);
    FMarks->GetCallout()->SetLength(8);
}

TPieSeries::~TPieSeries() = default;

void TPieSeries::Assign(const TCustomChartElement& source)
{
    if (auto* s = qobject_cast<const TPieSeries*>(&source)) {
        FSettings = s->FSettings;
        FExplodePercent.Assign(s->FExplodePercent);
        FEndDepthPercent.Assign(s->FEndDepthPercent);
        FOtherSlice->Assign(s->FOtherSlice);
        FShadow->Assign(s->FShadow);
    }
    TCircledSeries::Assign(source);
    SetColorEachPoint(true);
}

void TPieSeries::SetParentChart(IChartHost* value)
{
    TCircledSeries::SetParentChart(value);
}

void TPieSeries::SetExplodeBiggest(int value)
{
    SetIntegerProperty(FSettings.ExplodeBiggest, value);
    CalcExplodeBiggest();
}

void TPieSeries::CheckOrder()
{
    FX->SetOrder(loAscending);
    Repaint();
}

// ---------------------------------------------------------------- other slice

void TPieSeries::RemoveOtherSlice()
{
    for (int i = 0; i < Count(); ++i)
        if (GetxValue(i) == OtherSliceX) {
            TChartSeries::Delete(i);
            return;
        }
}

void TPieSeries::DoBeforeDrawChart()
{
    TCircledSeries::DoBeforeDrawChart();
    if (FY->GetOrder() != loNone) FY->Sort();
    RemoveOtherSlice();
    FX->FillSequence();
    if (FOtherSlice->GetStyle() == TPieOtherSlice::poNone) return;
    const double total = FY->TotalABS();
    if (!(total > 0)) return;
    double sum = 0;
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        double v = std::fabs(GetyValue(i));
        if (FOtherSlice->GetStyle() == TPieOtherSlice::poBelowPercent) v = v * 100 / total;
        if (v < FOtherSlice->GetValue()) {
            sum += std::fabs(GetyValue(i));
            FX->StoreValue(i, -1);
            any = true;
        }
    }
    // The grouped values stay in the list; the angles count them once, through this point.
    if (any) AddXY(OtherSliceX, sum, FOtherSlice->GetText(), FOtherSlice->GetColor());
}

void TPieSeries::CalcFirstLastVisibleIndex()
{
    const int count = Count();
    if (FOtherSlice->GetStyle() != TPieOtherSlice::poNone) {
        FirstValueIndex = count > 0 ? 0 : -1;
        LastValueIndex = count - 1;
        return;
    }
    int first = -1, last = -1;
    CalcFirstLastPage(first, last);
    if (first < 0 || last < first) {
        first = count > 0 ? 0 : -1;
        last = count - 1;
    }
    FirstValueIndex = first;
    LastValueIndex = last;
}

void TPieSeries::CalcZOrder()
{
    // A pie takes no depth slot of its own.
    FComputedZOrder = -1;
}

void TPieSeries::ClearLists()
{
    TCircledSeries::ClearLists();
    FExplodePercent.Clear();
    FEndDepthPercent.Clear();
    FAngles.clear();
}

void TPieSeries::Delete(int index)
{
    TCircledSeries::Delete(index);
    FExplodePercent.Delete(index);
    FEndDepthPercent.Delete(index);
}

// ---------------------------------------------------------------- angles and explosion

void TPieSeries::CalcAngles()
{
    const int count = Count();
    FAngles.assign(static_cast<std::size_t>(count), TPieAngle{});
    const double size = FSettings.AngleSize * Pi / 180.0;
    const bool range = FirstValueIndex >= 0 && LastValueIndex >= FirstValueIndex && LastValueIndex < count;
    double total = 0;
    if (FOtherSlice->GetStyle() == TPieOtherSlice::poNone && range) {
        for (int i = FirstValueIndex; i <= LastValueIndex; ++i) total += std::fabs(GetyValue(i));
    } else {
        // The grouped values are counted once, through the other slice's point.
        for (int i = 0; i < count; ++i)
            if (!BelongsToOtherSlice(i)) total += std::fabs(GetyValue(i));
    }
    if (!range) return;
    const double factor = total != 0 ? size / total : 0;
    double acc = 0;
    for (int i = FirstValueIndex; i <= LastValueIndex; ++i) {
        TPieAngle& a = FAngles[static_cast<std::size_t>(i)];
        a.StartAngle = i == FirstValueIndex ? 0 : FAngles[static_cast<std::size_t>(i - 1)].EndAngle;
        if (total != 0) {
            if (!BelongsToOtherSlice(i)) acc += std::fabs(GetyValue(i));
            a.EndAngle = acc == total ? size : acc * factor;
            a.EndAngle = std::min(a.EndAngle, a.StartAngle + size);
        } else
            a.EndAngle = size;
        a.MidAngle = (a.StartAngle + a.EndAngle) * 0.5;
    }
}

void TPieSeries::CalcExplodeBiggest()
{
    int biggest = -1;
    ISeriesHost* host = SeriesHost();
    if (host && host->GetMaxPointsPerPage() > 0) {
        if (FirstValueIndex >= 0)
            for (int i = FirstValueIndex; i <= std::min(LastValueIndex, Count() - 1); ++i)
                if (biggest == -1 || GetyValue(i) > GetyValue(biggest)) biggest = i;
    } else if (Count() > 0) {
        const double max = FY->MaxValue();
        for (int i = 0; i < Count() && biggest == -1; ++i)
            if (GetyValue(i) == max) biggest = i;
    }
    // Called while drawing too, where a repaint request would start the drawing again.
    if (biggest != -1) FExplodePercent.Store(biggest, FSettings.ExplodeBiggest);
}

void TPieSeries::CalcExplodedOffset(int valueIndex, int& offsetX, int& offsetY) const
{
    offsetX = offsetY = 0;
    if (!FExplodedView || FExplodePercent.IsEmpty()) return;
    const int e = FExplodePercent.Get(valueIndex);
    if (e <= 0 || valueIndex < 0 || valueIndex >= static_cast<int>(FAngles.size())) return;
    double a = FAngles[static_cast<std::size_t>(valueIndex)].MidAngle;
    TCanvas3D* canvas = Canvas();
    if (canvas && canvas->GetSupportsFullRotation()) a = FSettings.AngleSize * Pi / 45.0 + a + Pi;
    const double s = std::sin(a + FRotation);
    const double c = std::cos(a + FRotation);
    offsetX = Round(FRadiusX * e * 0.01 * c);
    offsetY = Round(FRadiusY * e * 0.01 * s);
}

void TPieSeries::CalcExplodedRadius(int valueIndex, int& xRadius, int& yRadius) const
{
    const double f = 1 + FExplodePercent.Get(valueIndex) * 0.01;
    xRadius = Round(FRadiusX * f);
    yRadius = Round(FRadiusY * f);
}

int TPieSeries::SliceEndZ(int valueIndex) const
{
    if (valueIndex >= 0 && valueIndex < FEndDepthPercent.Count())
        return StartZ + Round(FEndDepthPercent.Get(valueIndex) * (EndZ - StartZ) * 0.01);
    return EndZ;
}

TBrushStyle TPieSeries::SliceBrushStyle(int valueIndex) const
{
    TCanvas3D* canvas = Canvas();
    if (FSettings.UsePatterns || (canvas && canvas->GetMonochrome())) {
        static constexpr TBrushStyle cycle[6] = {bsHorizontal, bsVertical, bsFDiagonal,
                                                 bsBDiagonal,  bsCross,    bsDiagCross};
        return cycle[((valueIndex % 6) + 6) % 6];
    }
    return bsSolid;
}

void TPieSeries::PreparePiePen(int valueIndex)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    if (FSettings.DarkPen >= 1)
        canvas->AssignVisiblePenColor(
            FPiePen,
            ApplyDark(GetValueColor(valueIndex), static_cast<std::uint8_t>(255 - std::min(255, FSettings.DarkPen))));
    else
        canvas->AssignVisiblePen(FPiePen);
}

// ---------------------------------------------------------------- several pies

int TPieSeries::PieCount() const
{
    if (!FParentChart || !FParentChart->SeriesList()) return 1;
    int n = 0;
    for (TChartSeries* s : *FParentChart->SeriesList())
        if (s->GetActive() && SameClass(s)) ++n;
    return n;
}

TRect TPieSeries::CirclePlotRect() const
{
    return FCellRect ? *FCellRect : TCircledSeries::CirclePlotRect();
}

void TPieSeries::DoBeforeDrawValues()
{
    FCellRect.reset();
    ISeriesHost* host = SeriesHost();
    if (FMultiPie == mpAutomatic && host && FParentChart->SeriesList()) {
        const int n = PieCount();
        int k = 0;
        for (TChartSeries* s : *FParentChart->SeriesList()) {
            if (s == this) break;
            if (s->GetActive() && SameClass(s)) ++k;
        }
        if (n > 1) {
            const int columns = std::max(1, Round(std::sqrt(static_cast<double>(n))));
            const int rows = std::max(1, Round(std::sqrt(static_cast<double>(n)) + 0.5));
            const TRect plot = host->GetChartRect();
            const int w = (plot.Right - plot.Left) / columns;
            const int h = (plot.Bottom - plot.Top) / rows;
            const int left = plot.Left + (k % columns) * w;
            const int top = plot.Top + (k / columns) * h;
            TRect cell(left, top, left + w, top + h);
            if (host->GetView3D() && host->GetCanvas()) cell = host->GetCanvas()->CalcRect3D(cell, 0);
            FCellRect = cell;
        }
    }
    TCircledSeries::DoBeforeDrawValues();
}

void TPieSeries::DoAfterDrawValues()
{
    FCellRect.reset();
    TCircledSeries::DoAfterDrawValues();
}

// ---------------------------------------------------------------- drawing

int TPieSeries::CompareSlice(int a, int b) const
{
    const double full = FSettings.AngleSize * Pi / 180.0;
    const double quarter = 0.25 * full;
    auto key = [&](int i) {
        double m = FAngles[static_cast<std::size_t>(i)].MidAngle + FRotation;
        if (m > full) m -= full;
        if (m > quarter) {
            m -= quarter;
            if (m > Pi) m = full - m;
        } else
            m = quarter - m;
        return m;
    };
    const double ka = key(FDrawOrder[static_cast<std::size_t>(a)]);
    const double kb = key(FDrawOrder[static_cast<std::size_t>(b)]);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

void TPieSeries::SwapSlice(int a, int b)
{
    std::swap(FDrawOrder[static_cast<std::size_t>(a)], FDrawOrder[static_cast<std::size_t>(b)]);
}

void TPieSeries::DrawAllValues()
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    if (FSettings.ExplodeBiggest > 0) CalcExplodeBiggest();

    const int last = std::min(LastValueIndex, Count() - 1);
    int most = -1;
    if (FirstValueIndex >= 0)
        for (int i = FirstValueIndex; i <= last; ++i) {
            const int e = FExplodePercent.Get(i);
            if (e > 0 && (most == -1 || e > FExplodePercent.Get(most))) most = i;
        }
    CalcAngles();
    FExplodedView = most != -1 || !FEndDepthPercent.IsEmpty();

    if (most != -1) {
        int ox, oy;
        CalcExplodedOffset(most, ox, oy);
        InsetCircleRect(std::abs(ox) / 2, std::abs(oy) / 2);
        CalcRadius();
    }
    AngleToPos(0, FRadiusX, FRadiusY, FArcStart.X, FArcStart.Y);
    if (FShadow->GetSize() > 0) FShadow->DrawEllipse(canvas, FCircleRect, EndZ - 10);

    const bool view3D = host->GetView3D();
    if (!view3D || (!FExplodedView && FDonutPercent < 1) || canvas->GetSupportsFullRotation()) {
        TCircledSeries::DrawAllValues();
        return;
    }
    if (FirstValueIndex < 0 || last < FirstValueIndex) return;
    FDrawOrder.clear();
    for (int i = FirstValueIndex; i <= last; ++i) FDrawOrder.push_back(i);
    TeeSort(
        0, static_cast<int>(FDrawOrder.size()) - 1, [this](int a, int b) { return CompareSlice(a, b); },
        [this](int a, int b) { SwapSlice(a, b); });
    const bool cutFaces = !FExplodedView && FDonutPercent > 0 && FSettings.AngleSize != 360;
    for (int i : FDrawOrder) {
        if (cutFaces && (i == FirstValueIndex || i == last)) {
            FExplodedView = true;
            DrawValue(i);
            FExplodedView = false;
        } else
            DrawValue(i);
    }
}

void TPieSeries::SetGradientEnd(TColor color)
{
    TQuietChange quiet(FGradient->OnChange);
    FGradient->SetEndColor(color);
}

void TPieSeries::DrawValue(int index)
{
    if (FCircleWidth < 5 || FCircleHeight < 5 || BelongsToOtherSlice(index)) return;
    if (index < 0 || index >= static_cast<int>(FAngles.size())) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const bool mono = canvas->GetMonochrome();
    const TColor color = mono ? clBlack : GetValueColor(index);
    if (color != clNone) {
        host->SetBrushCanvas(color, FBrush, CalcCircleBackColor());
        if (FGradient->GetVisible()) SetGradientEnd(color);
        canvas->Brush->SetStyle(SliceBrushStyle(index));
    } else
        canvas->Brush->SetStyle(bsClear);
    PreparePiePen(index);
    DrawPie(index);
}

void TPieSeries::DrawPie(int valueIndex)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    const TPieAngle& a = FAngles[static_cast<std::size_t>(valueIndex)];
    int ox, oy;
    CalcExplodedOffset(valueIndex, ox, oy);
    if (host->GetView3D()) {
        canvas->Pie3D(FCircleXCenter + ox, FCircleYCenter - oy, FRadiusX, FRadiusY, StartZ, SliceEndZ(valueIndex),
                      a.StartAngle + FRotation, a.EndAngle + FRotation, FSettings.Dark3D, FExplodedView, FDonutPercent,
                      FGradient->GetVisible() ? FGradient : nullptr);
        return;
    }
    if (FDonutPercent >= 1) {
        canvas->Donut(FCircleXCenter + ox, FCircleYCenter - oy, FRadiusX, FRadiusY, a.StartAngle + FRotation,
                      a.EndAngle + FRotation, FDonutPercent);
        return;
    }
    AngleToPos(a.EndAngle, FRadiusX, FRadiusY, FArcEnd.X, FArcEnd.Y);
    // Start and end meet for an empty slice and for one that takes the whole circle.
    if (FArcEnd == FArcStart && Count() > 1 && a.EndAngle - a.StartAngle <= 1.0) return;
    canvas->Pie(FCircleRect.Left + ox, FCircleRect.Top - oy, FCircleRect.Right + ox, FCircleRect.Bottom - oy,
                FArcStart.X + ox, FArcStart.Y - oy, FArcEnd.X + ox, FArcEnd.Y - oy);
    FArcStart = FArcEnd;
}

void TPieSeries::DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position)
{
    if (BelongsToOtherSlice(index) || index < 0 || index >= static_cast<int>(FAngles.size())) return;
    TCanvas3D* canvas = Canvas();
    int xr, yr;
    CalcExplodedRadius(index, xr, yr);
    double angle = FAngles[static_cast<std::size_t>(index)].MidAngle;
    if (canvas && canvas->GetSupportsFullRotation()) {
        angle = Pi + angle + Pi / 2;
        FMarks->ZPosition = StartZ;
    } else
        FMarks->ZPosition = SliceEndZ(index);
    TMarksCallout* callout = FMarks->GetCallout();
    const int length = callout->GetLength();
    const int distance = callout->GetDistance();
    position.ArrowFix = true;
    AngleToPos(angle, xr + length + distance, yr + length + distance, position.ArrowTo.X, position.ArrowTo.Y);
    AngleToPos(angle, xr + distance, yr + distance, position.ArrowFrom.X, position.ArrowFrom.Y);
    position.LeftTop.X = position.ArrowTo.X;
    if (position.ArrowTo.X <= FCircleXCenter) position.LeftTop.X -= position.Width;
    position.LeftTop.Y = position.ArrowTo.Y;
    if (position.ArrowTo.Y <= FCircleYCenter) position.LeftTop.Y -= position.Height;
    if (FSettings.AutoMarkPosition) FMarks->AntiOverlap(FirstValueIndex, index, position);
    TCircledSeries::DrawMark(index, text, position);
}

// ---------------------------------------------------------------- mouse

int TPieSeries::Clicked(int x, int y)
{
    const int result = TCircledSeries::Clicked(x, y);
    return result != -1 ? result : CalcClickedPie(x, y);
}

int TPieSeries::CalcClickedPie(int x, int y)
{
    if (FAngles.empty()) return -1;
    ISeriesHost* host = SeriesHost();
    if (host && host->GetCanvas()) host->GetCanvas()->Calculate2DPosition(x, y, host->GetWidth3D());
    const double a = PointToAngle(x, y);
    const double d = std::hypot(static_cast<double>(x - FCircleXCenter), static_cast<double>(y - FCircleYCenter));
    const int count = std::min(Count(), static_cast<int>(FAngles.size()));
    const int first = std::max(0, FirstValueIndex);
    const int last = std::min(LastValueIndex, count - 1);
    for (int i = first; i <= last; ++i) {
        if (BelongsToOtherSlice(i)) continue;
        const TPieAngle& s = FAngles[static_cast<std::size_t>(i)];
        if (a < s.StartAngle || a > s.EndAngle) continue;
        int ox, oy;
        CalcExplodedOffset(i, ox, oy);
        const double limit =
            std::hypot(std::abs(ox) + static_cast<double>(FRadiusX), std::abs(oy) + static_cast<double>(FRadiusY));
        if (limit >= d) return i;
    }
    return -1;
}

// ---------------------------------------------------------------- legend

int TPieSeries::CountLegendItems()
{
    int grouped = 0;
    for (int i = 0; i < Count(); ++i) grouped += BelongsToOtherSlice(i);
    return Count() - grouped;
}

int TPieSeries::LegendToValueIndex(int legendIndex) const
{
    int k = -1;
    for (int i = 0; i < Count(); ++i)
        if (!BelongsToOtherSlice(i) && ++k == legendIndex) return i;
    return legendIndex;
}

void TPieSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    TCanvas3D* canvas = Canvas();
    const TColor color = valueIndex >= 0 ? GetValueColor(valueIndex) : GetSeriesColor();
    if (canvas && FGradient->GetVisible() && color != clNone) {
        SetGradientEnd(color);
        FGradient->Draw(canvas, rect);
        canvas->Brush->SetStyle(bsClear);
        canvas->AssignVisiblePen(FPiePen);
        canvas->Rectangle(rect);
        return;
    }
    TCircledSeries::DrawLegendShape(valueIndex, rect);
}

void TPieSeries::PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle)
{
    backColor = CalcCircleBackColor();
    PreparePiePen(valueIndex);
    brushStyle = SliceBrushStyle(valueIndex);
}

// ---------------------------------------------------------------- axes and positions

double TPieSeries::MaxXValue()
{
    return GetHorizAxis() ? GetHorizAxis()->GetMaximum() : 0;
}

double TPieSeries::MinXValue()
{
    return GetHorizAxis() ? GetHorizAxis()->GetMinimum() : 0;
}

double TPieSeries::MaxYValue()
{
    return GetVertAxis() ? GetVertAxis()->GetMaximum() : 0;
}

double TPieSeries::MinYValue()
{
    return GetVertAxis() ? GetVertAxis()->GetMinimum() : 0;
}

int TPieSeries::CalcXPos(int index) const
{
    return GetxValue(index) == OtherSliceX ? 0 : TCircledSeries::CalcXPos(index);
}

// ---------------------------------------------------------------- 3D view and gallery

TView3DOptions* TPieSeries::TurnView(int rotation, int elevation) const
{
    ISeriesHost* host = SeriesHost();
    TView3DOptions* o = host ? host->GetView3DOptions() : nullptr;
    if (o) {
        o->SetOrthogonal(false);
        o->SetRotation(rotation);
        o->SetElevation(elevation);
    }
    return o;
}

void TPieSeries::InitCustom3DOptions()
{
    if (TView3DOptions* o = TurnView(360, 315)) {
        o->SetPerspective(0);
        o->SetTilt(0);
    }
}

void TPieSeries::DisableRotation()
{
    TurnView(0, 305);
}

void TPieSeries::GalleryChanged3D(bool is3D)
{
    DisableRotation();
    SetCircled(!is3D);
}

void TPieSeries::AddSampleValues(int numValues, bool)
{
    static const AnsiString* const names[8] = {&TeeMsg_PieSample1, &TeeMsg_PieSample2, &TeeMsg_PieSample3,
                                               &TeeMsg_PieSample4, &TeeMsg_PieSample5, &TeeMsg_PieSample6,
                                               &TeeMsg_PieSample7, &TeeMsg_PieSample8};
    for (int t = 0; t < numValues; ++t) Add(RandomValue(1000) + 1, *names[t % 8]);
}

void TPieSeries::PrepareForGallery(bool enabled)
{
    TCircledSeries::PrepareForGallery(enabled);
    FillSampleValues(8);
    FMarks->GetCallout()->SetLength(0);
    FMarks->SetDrawEvery(1);
    FGradient->SetVisible(true);
    DisableRotation();
    SetColorEachPoint(enabled);
}

void TPieSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCircledSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text : {&TeeMsg_Patterns, &TeeMsg_Exploded, &TeeMsg_Shadow, &TeeMsg_Marks, &TeeMsg_SemiPie,
                                   &TeeMsg_NoBorder, &TeeMsg_DarkPen})
        AddSubChart(*text);
}

void TPieSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TPieSeries*>(series);
    if (!s) return;
    switch (index) {
        case 1: s->SetUsePatterns(true); break;
        case 2: s->SetExplodeBiggest(30); break;
        case 3:
            s->Shadow()->SetHorizSize(10);
            s->Shadow()->SetVertSize(10);
            break;
        case 4: s->Marks()->SetVisible(true); break;
        case 5: s->SetAngleSize(180); break;
        case 6: s->PiePen()->SetVisible(false); break;
        case 7: s->SetDarkPen(32); break;
        default: break;
    }
}
