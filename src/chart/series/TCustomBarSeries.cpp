#include "chart/series/TCustomBarSeries.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"
#include "platform/StoredRules.h"

namespace {

bool IsBoxStyle(TBarStyle style)
{
    return style == bsRectangle || style == bsRectGradient || style == bsBevel;
}

}  // namespace

// ---------------------------------------------------------------- gradient

TBarSeriesGradient::TBarSeriesGradient(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TCustomTeeGradient(OnChangeEvent, parent)
{
    TQuietChange quiet(OnChange);
    SetVisible(true);
}

void TBarSeriesGradient::Assign(TPersistent* Source)
{
    if (auto* g = qobject_cast<TBarSeriesGradient*>(Source)) FRelative = g->FRelative;
    TCustomTeeGradient::Assign(Source);
}

bool TBarSeriesGradient::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Balance") == 0) return GetBalance() != 50;
    if (std::strcmp(Name, "MidColor") == 0) return GetMidColor() != clNone;
    if (std::strcmp(Name, "StartColor") == 0) return GetStartColor() != clWhite;
    if (std::strcmp(Name, "Visible") == 0) return !GetVisible();
    if (std::strcmp(Name, "Relative") == 0) return FRelative;
    return TCustomTeeGradient::IsPropertyStored(Name);
}

void TBarSeriesGradient::SetRelative(bool value)
{
    if (StoreChanged(FRelative, value)) DoChanged();
}

// ---------------------------------------------------------------- construction

TCustomBarSeries::TCustomBarSeries(QObject* owner) : TChartSeries(owner)
{
    const TNotifyEvent changed = [this](QObject*) { Repaint(); };
    FGradient = new TBarSeriesGradient(changed, this);
    FTickLines = new TChartHiddenPen(changed, this);
    FMarks->SetVisible(true);
    TMarksCallout* callout = FMarks->GetCallout();
    callout->SetLength(20);
    callout->DefaultLength = 20;
}

TCustomBarSeries::~TCustomBarSeries()
{
    FGradient->OnChange = nullptr;
    FTickLines->OnChange = nullptr;
}

void TCustomBarSeries::Assign(const TCustomChartElement& source)
{
    if (auto* bar = dynamic_cast<const TCustomBarSeries*>(&source)) {
        FSettings = bar->FSettings;
        FGradient->Assign(bar->FGradient);
        FTickLines->Assign(bar->FTickLines);
    }
    TChartSeries::Assign(source);
}

bool TCustomBarSeries::IsPropertyStored(const char* Name) const
{
    static const TBarSettings defaults;
    const bool customSize = FSettings.CustomBarSize != defaults.CustomBarSize;
    const TStoredRule rules[] = {
        {"AutoBarSize", FAutoBarSize},
        {"AutoMarkPosition", FSettings.AutoMarkPosition != defaults.AutoMarkPosition},
        {"BarStyle", FSettings.BarStyle != defaults.BarStyle},
        {"BarWidthPercent", FSettings.BarWidthPercent != defaults.BarWidthPercent},
        {"BevelSize", FSettings.BevelSize != defaults.BevelSize},
        {"Dark3D", FSettings.Dark3D != defaults.Dark3D},
        {"DepthPercent", FSettings.DepthPercent != defaults.DepthPercent},
        {"MultiBar", FSettings.MultiBar != defaults.MultiBar},
        {"OffsetPercent", FSettings.OffsetPercent != defaults.OffsetPercent},
        {"SideMargins", FSettings.SideMargins != defaults.SideMargins},
        {"StackGroup", FSettings.StackGroup != defaults.StackGroup},
        {"UseYOrigin", FSettings.UseYOrigin != defaults.UseYOrigin},
        {"YOrigin", FSettings.YOrigin != defaults.YOrigin},
        {"CustomBarWidth", customSize},
        {"CustomBarHeight", customSize},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TChartSeries::IsPropertyStored(Name);
}

bool TCustomBarSeries::Is3D() const
{
    ISeriesHost* host = SeriesHost();
    return host && host->GetView3D();
}

int TCustomBarSeries::SeriesIndexInChart() const
{
    if (!FParentChart) return 0;
    int index = 0;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        if (s == this) return index;
        ++index;
    }
    return 0;
}

// ---------------------------------------------------------------- shared arrangement

void TCustomBarSeries::SetMultiBar(TMultiBar value)
{
    if (!StoreChanged(FSettings.MultiBar, value)) return;
    Repaint();
    SetOtherBars(true);
}

void TCustomBarSeries::SetSideMargins(bool value)
{
    SetBooleanProperty(FSettings.SideMargins, value);
    SetOtherBars(true);
}

void TCustomBarSeries::SetParentChart(IChartHost* value)
{
    TChartSeries::SetParentChart(value);
    SetOtherBars(false);
}

void TCustomBarSeries::SetOtherBars(bool setOthers)
{
    if (setOthers) UseVisibleRange = FSettings.MultiBar != mbSelfStack;
    if (!FParentChart) return;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        auto* bar = qobject_cast<TCustomBarSeries*>(s);
        if (!bar || !SameClass(bar)) continue;
        if (setOthers) {
            bar->FSettings.MultiBar = FSettings.MultiBar;
            bar->FSettings.SideMargins = FSettings.SideMargins;
            bar->UseVisibleRange = FSettings.MultiBar != mbSelfStack;
        } else if (bar != this) {
            FSettings.MultiBar = bar->FSettings.MultiBar;
            FSettings.SideMargins = bar->FSettings.SideMargins;
            UseVisibleRange = FSettings.MultiBar != mbSelfStack;
            return;
        }
    }
}

void TCustomBarSeries::DoBeforeDrawChart()
{
    TChartSeries::DoBeforeDrawChart();
    BarSlot = 1;
    PointsBefore = 0;
    BarSlotCount = 0;
    BarPointCount = -1;
    if (!FParentChart) return;
    std::vector<int> groups;
    bool seen = false;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        auto* bar = qobject_cast<TCustomBarSeries*>(s);
        if (!bar || !bar->GetActive() || !SameClass(bar)) continue;
        if (bar == this) seen = true;
        if (BarPointCount == -1 || BarPointCount < bar->Count())
            BarPointCount = bar->Count() + (FSettings.SideMargins ? 1 : 0);
        switch (FSettings.MultiBar) {
            case mbNone:
            case mbSelfStack: BarSlotCount = 1; break;
            case mbSide:
            case mbSideAll:
                ++BarSlotCount;
                if (!seen) ++BarSlot;
                break;
            case mbStacked:
            case mbStacked100:
                if (std::find(groups.begin(), groups.end(), bar->FSettings.StackGroup) == groups.end()) {
                    groups.push_back(bar->FSettings.StackGroup);
                    ++BarSlotCount;
                    if (!seen) ++BarSlot;
                }
                break;
        }
        if (!seen) PointsBefore += bar->Count();
    }
    if (const auto it = std::find(groups.begin(), groups.end(), FSettings.StackGroup); it != groups.end())
        BarSlot = static_cast<int>(it - groups.begin()) + 1;
    if (ISeriesHost* host = SeriesHost(); host && host->GetMaxPointsPerPage() >= 1)
        BarPointCount = host->GetMaxPointsPerPage();
}

// ---------------------------------------------------------------- width and offsets

void TCustomBarSeries::InternalApplyBarMargin(int& marginA, int& marginB)
{
    if (FSettings.CustomBarSize != 0) {
        BarSize = FSettings.CustomBarSize;
    } else if (BarPointCount < 1) {
        BarSize = 0;
    } else {
        TChartAxis* axis = BarAxis();
        const int size = axis ? axis->AxisSize : 0;
        std::int64_t room;
        if (!FAutoBarSize) {
            room = size / BarPointCount;
        } else {
            const double span = 2.0 + (axis ? axis->GetMaximum() - axis->GetMinimum() : 0.0);
            room = span > 0 ? Round64(size / span) : 0;
        }
        // Paging can give a point count without any series counted in the slots.
        const std::int64_t slotCount = std::max(1, BarSlotCount);
        std::int64_t width = Round64(FSettings.BarWidthPercent * 0.01 * static_cast<double>(room)) / slotCount;
        if (width > 0 && width % 2 != 0) ++width;
        BarSize = static_cast<int>(std::clamp<std::int64_t>(width, INT32_MIN / 4, INT32_MAX / 4));
    }
    const int m = BarMargin();
    marginA += m;
    marginB += m;
}

int TCustomBarSeries::BarMargin() const
{
    const int t = FSettings.MultiBar == mbSideAll ? BarSize : BarSize * BarSlotCount;
    return FSettings.SideMargins ? t : t / 2;
}

int TCustomBarSeries::ApplyBarOffset(int position) const
{
    return FSettings.OffsetPercent != 0 ? position + Round(FSettings.OffsetPercent * BarSize * 0.01) : position;
}

int TCustomBarSeries::BarAxisPos(int valueIndex, int basePos) const
{
    TChartAxis* axis = BarAxis();
    const int half = BarSize >> 1;
    int result;
    if (FSettings.MultiBar == mbSideAll) {
        const double v = PointsBefore + valueIndex;
        result = (axis ? axis->CalcPosValue(v) : 0) - half;
    } else if (FSettings.MultiBar == mbSelfStack) {
        result = (axis ? axis->CalcPosValue(SeriesIndexInChart()) : 0) - half;
    } else if (FSettings.MultiBar == mbNone) {
        result = basePos - half;
    } else {
        result = basePos + Round(BarSize * ((BarSlot - BarSlotCount * 0.5) - 1.0));
    }
    return ApplyBarOffset(result);
}

// ---------------------------------------------------------------- origin and stacking

double TCustomBarSeries::PointOrigin(int valueIndex, bool sumAll) const
{
    if (FSettings.MultiBar == mbStacked || FSettings.MultiBar == mbStacked100) {
        double result = 0;
        if (!FParentChart || valueIndex < 0 || valueIndex >= Count()) return result;
        const bool positive = FMandatory->Value(valueIndex) >= 0;
        for (TChartSeries* s : *FParentChart->SeriesList()) {
            if (!sumAll && s == this) break;
            auto* bar = qobject_cast<TCustomBarSeries*>(s);
            if (!bar || !bar->GetActive() || !SameClass(bar) || bar->Count() <= valueIndex ||
                bar->FSettings.StackGroup != FSettings.StackGroup)
                continue;
            const double t = bar->GetOriginValue(valueIndex);
            if (positive ? t > 0 : t < 0) result += t;
        }
        return result;
    }
    if (FSettings.MultiBar == mbSelfStack) {
        double result = 0;
        for (int i = 0; i < std::min(valueIndex, Count()); ++i) result += FMandatory->Value(i);
        return result;
    }
    return FSettings.YOrigin;
}

int TCustomBarSeries::StackedValuePos(int valueIndex) const
{
    const double t = PointOrigin(valueIndex, false) + FMandatory->Value(valueIndex);
    if (FSettings.MultiBar == mbStacked100) {
        const double total = PointOrigin(valueIndex, true);
        // Nothing to share at this point: the bar lies flat on the 0 % line.
        return CalcPosValue(total == 0 ? 0.0 : t * 100.0 / total);
    }
    return CalcPosValue(t);
}

int TCustomBarSeries::InternalGetOriginPos(int valueIndex, int defaultOrigin) const
{
    const double o = PointOrigin(valueIndex, false);
    switch (FSettings.MultiBar) {
        case mbStacked:
        case mbSelfStack: return CalcPosValue(o);
        case mbStacked100: {
            const double total = PointOrigin(valueIndex, true);
            return CalcPosValue(total == 0 ? 0.0 : o * 100.0 / total);
        }
        default: return FSettings.UseYOrigin ? CalcPosValue(o) : defaultOrigin;
    }
}

double TCustomBarSeries::MaxMandatoryValue(double value) const
{
    double result = value;
    if (FSettings.MultiBar == mbStacked100) {
        result = 100;
    } else if (FSettings.MultiBar == mbSelfStack) {
        result = FMandatory->Total();
    } else if (FSettings.MultiBar == mbStacked) {
        for (int i = 0; i < Count(); ++i) result = std::max(result, PointOrigin(i, false) + FMandatory->Value(i));
    }
    return FSettings.UseYOrigin ? std::max(result, FSettings.YOrigin) : result;
}

double TCustomBarSeries::MinMandatoryValue(double value) const
{
    double result = value;
    if (FSettings.MultiBar == mbStacked100) {
        result = 0;
    } else if (FSettings.MultiBar == mbStacked || FSettings.MultiBar == mbSelfStack) {
        for (int i = 0; i < Count(); ++i) result = std::min(result, PointOrigin(i, false) + FMandatory->Value(i));
    }
    return FSettings.UseYOrigin ? std::min(result, FSettings.YOrigin) : result;
}

// ---------------------------------------------------------------- visible range and depth

void TCustomBarSeries::CalcFirstLastVisibleIndex()
{
    ISeriesHost* host = SeriesHost();
    if (host && host->GetMaxPointsPerPage() == 1) {
        const int index = host->GetPage() - 1;
        FirstValueIndex = LastValueIndex = (index >= 0 && index < Count()) ? index : -1;
        return;
    }
    TChartSeries::CalcFirstLastVisibleIndex();
}

void TCustomBarSeries::CalcZOrder()
{
    if (FSettings.MultiBar != mbNone && FParentChart) {
        for (TChartSeries* s : *FParentChart->SeriesList()) {
            if (s == this) break;
            if (s->GetActive() && SameClass(s)) {
                FComputedZOrder = s->GetZOrder();
                return;
            }
        }
    }
    TChartSeries::CalcZOrder();
}

void TCustomBarSeries::CalcDepthPositions()
{
    TChartSeries::CalcDepthPositions();
    if (FSettings.DepthPercent == 0) return;
    const int d = Round((EndZ - StartZ) * (100 - FSettings.DepthPercent) * 0.005);
    StartZ += d;
    EndZ -= d;
}

// ---------------------------------------------------------------- marks and style

int TCustomBarSeries::CalcMarkLength(int valueIndex)
{
    if (Count() == 0 || !FMarks->GetVisible()) return 0;
    if (TCanvas3D* canvas = Canvas()) canvas->AssignFont(FMarks->GetFont());
    int result = InternalCalcMarkLength(valueIndex) + FMarks->GetCallout()->GetLength();
    if (FMarks->GetPen()->GetVisible()) result += 2 * FMarks->GetPen()->GetWidth();
    return result;
}

TBarStyle TCustomBarSeries::GetBarStyle(int valueIndex)
{
    TBarStyle result = FSettings.BarStyle;
    if (OnGetBarStyle) OnGetBarStyle(this, valueIndex, result);
    return result;
}

// ---------------------------------------------------------------- drawing helpers

void TCustomBarSeries::SetPenBrushBar(TColor color)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = Canvas();
    if (!host || !canvas) return;
    canvas->AssignVisiblePen(FPen);
    const TColor back = FBrush->GetColor() == clDefault ? host->GetBackColor() : FBrush->GetColor();
    host->SetBrushCanvas(color, FBrush, back);
}

void TCustomBarSeries::BarRectangle(TColor, int left, int top, int right, int bottom)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    if (canvas->Brush->GetStyle() == bsSolid) {
        auto penAsBrush = [canvas] {
            canvas->Pen->SetColor(canvas->Brush->GetColor());
            if (canvas->Pen->GetStyle() == psInsideFrame) canvas->Pen->SetStyle(psSolid);
        };
        const int w = std::abs(right - left);
        const int h = std::abs(bottom - top);
        if (w == 0 || h == 0) {
            penAsBrush();
            canvas->Line(left, top, right, bottom);
        } else if (canvas->Pen->GetWidth() > w || canvas->Pen->GetWidth() > h) {
            penAsBrush();
            canvas->Brush->SetStyle(bsClear);
        }
    }
    canvas->Rectangle(left, top, right, bottom);
}

void TCustomBarSeries::CalcGradientColor(int valueIndex)
{
    TColor end = BarColor;
    if (FGradient->GetRelative() && valueIndex >= 0 && valueIndex < Count()) {
        const double low = FSettings.UseYOrigin ? FSettings.YOrigin : FMandatory->MinValue();
        const double high = FMandatory->MaxValue();
        // Equal bounds leave nothing to scale by: the bar keeps its full colour.
        const double r = high == low ? 1.0 : (FMandatory->Value(valueIndex) - low) / (high - low);
        const TColor start = ColorToRGB(FGradient->GetStartColor());
        const TColor bar = ColorToRGB(BarColor);
        auto channel = [r](int s, int b) { return std::clamp(s + Round((b - s) * r), 0, 255); };
        end = RGB(channel(GetRValue(start), GetRValue(bar)), channel(GetGValue(start), GetGValue(bar)),
                  channel(GetBValue(start), GetBValue(bar)));
    }
    // Set while drawing: no repaint for it.
    TQuietChange quiet(FGradient->OnChange);
    FGradient->SetEndColor(end);
}

void TCustomBarSeries::BarGradient(int valueIndex, const TRect& rect)
{
    TCanvas3D* canvas = Canvas();
    ISeriesHost* host = SeriesHost();
    if (!canvas || !host) return;
    CalcGradientColor(valueIndex);
    const int w = FPen->GetVisible() ? FPen->GetWidth() : 0;
    TRect r = rect;
    TView3DOptions* options = host->GetView3DOptions();
    if (host->GetView3D() && options && !options->GetOrthogonal()) {
        const TRect inner(r.Left + w, r.Top + w, r.Right - w, r.Bottom - w);
        const TFourPoints four = canvas->FourPointsFromRect(inner, StartZ);
        const TPoint p[4] = {four[0], four[1], four[2], four[3]};
        FGradient->Draw(canvas, p);
        return;
    }
    if (FPen->GetVisible()) {
        ++r.Left;
        ++r.Top;
        const int shrink = host->GetView3D() ? w - 1 : w;
        r.Right -= shrink;
        r.Bottom -= shrink;
    }
    if (host->GetView3D()) r = canvas->CalcRect3D(r, StartZ);
    FGradient->Draw(canvas, r);
}

TTeeBlend* TCustomBarSeries::CreateBlend()
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return nullptr;
    TRect r = BarRect;
    if (Is3D()) {
        const TRect a = OrientRectangle(canvas->CalcRect3D(BarRect, StartZ));
        const TRect b = OrientRectangle(canvas->CalcRect3D(BarRect, EndZ));
        r = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                  std::max(a.Bottom, b.Bottom));
    }
    return canvas->BeginBlending(r, FSettings.Transparency);
}

void TCustomBarSeries::DrawBevel()
{
    TCanvas3D* canvas = Canvas();
    ISeriesHost* host = SeriesHost();
    if (!canvas || !host) return;
    TView3DOptions* options = host->GetView3DOptions();
    const bool orthogonal3D = host->GetView3D() && options && options->GetOrthogonal();
    if (host->GetView3D() && !orthogonal3D) return;
    TRect r = BarRect;
    if (FPen->GetVisible()) {
        const int w = FPen->GetWidth();
        r = TRect(r.Left + w, r.Top + w, r.Right - w, r.Bottom - w);
    }
    if (orthogonal3D) {
        ++r.Right;
        ++r.Bottom;
    }
    canvas->Frame3D(r, ApplyBright(BarColor, DarkerColorQuantity), ApplyDark(BarColor, DarkColorQuantity),
                    FSettings.BevelSize);
}

void TCustomBarSeries::DrawTickLines(int startPos, int endPos, TBarStyle style)
{
    TCanvas3D* canvas = Canvas();
    TChartAxis* axis = MandatoryAxis();
    if (!canvas || !axis || !FTickLines->GetVisible()) return;
    canvas->AssignVisiblePen(FTickLines);
    for (const int tick : axis->Tick)
        if (tick > startPos && tick < endPos) DrawTickLine(tick, style);
}

// ---------------------------------------------------------------- mouse

int TCustomBarSeries::Clicked(int x, int y)
{
    if (FirstValueIndex < 0 || LastValueIndex < 0) return -1;
    const int last = std::min(LastValueIndex, Count() - 1);
    for (int i = FirstValueIndex; i <= last; ++i)
        if (InternalClicked(i, TPoint(x, y))) return i;
    return -1;
}

// ---------------------------------------------------------------- bars of either orientation

bool TCustomBarSeries::IsStacked() const
{
    return FSettings.MultiBar == mbStacked || FSettings.MultiBar == mbStacked100 || FSettings.MultiBar == mbSelfStack;
}

int TCustomBarSeries::CalcXPos(int valueIndex) const
{
    if (FYMandatory) return BarAxisPos(valueIndex, TChartSeries::CalcXPos(valueIndex));
    return IsStacked() ? StackedValuePos(valueIndex) : TChartSeries::CalcXPos(valueIndex);
}

int TCustomBarSeries::CalcYPos(int valueIndex) const
{
    if (!FYMandatory) return BarAxisPos(valueIndex, TChartSeries::CalcYPos(valueIndex));
    return IsStacked() ? StackedValuePos(valueIndex) : TChartSeries::CalcYPos(valueIndex);
}

int TCustomBarSeries::GetOriginPos(int valueIndex) const
{
    // Without an origin value the bars grow from the axis end that shows its minimum: the
    // bottom of a vertical axis, the left of a horizontal one.
    TChartAxis* axis = MandatoryAxis();
    const int axisLow = axis ? (FYMandatory ? axis->EndPos : axis->StartPos) : 0;
    return InternalGetOriginPos(valueIndex, axisLow);
}

bool TCustomBarSeries::KeyLimit(bool maximum, double& value)
{
    // One column per point over all series side by side, or one column per series stacked
    // on itself.
    if (maximum && FSettings.MultiBar == mbSideAll) {
        value = PointsBefore + Count() - 1;
        return true;
    }
    if (FSettings.MultiBar == mbSelfStack) {
        value = SeriesIndexInChart();
        return true;
    }
    return false;
}

double TCustomBarSeries::AxisLimit(bool keyAxis, bool maximum, double plain)
{
    if (!keyAxis) return maximum ? MaxMandatoryValue(plain) : MinMandatoryValue(plain);
    double value;
    return KeyLimit(maximum, value) ? value : plain;
}

double TCustomBarSeries::MaxXValue()
{
    return AxisLimit(FYMandatory, true, TChartSeries::MaxXValue());
}

double TCustomBarSeries::MinXValue()
{
    return AxisLimit(FYMandatory, false, TChartSeries::MinXValue());
}

double TCustomBarSeries::MaxYValue()
{
    return AxisLimit(!FYMandatory, true, TChartSeries::MaxYValue());
}

double TCustomBarSeries::MinYValue()
{
    return AxisLimit(!FYMandatory, false, TChartSeries::MinYValue());
}

void TCustomBarSeries::CalcHorizMargins(int& leftMargin, int& rightMargin)
{
    TChartSeries::CalcHorizMargins(leftMargin, rightMargin);
    FYMandatory ? InternalApplyBarMargin(leftMargin, rightMargin) : AddValueMargins(leftMargin, rightMargin);
}

void TCustomBarSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin)
{
    TChartSeries::CalcVerticalMargins(topMargin, bottomMargin);
    FYMandatory ? AddValueMargins(bottomMargin, topMargin) : InternalApplyBarMargin(topMargin, bottomMargin);
}

void TCustomBarSeries::AddValueMargins(int& lowSide, int& highSide)
{
    int length = CalcMarkLength(-1);
    if (length <= 0 && !FQuirks.MarginsTakeAnyMarkLength) return;
    if (length >= 1) ++length;
    TChartAxis* axis = MandatoryAxis();
    const bool inverted = axis && axis->GetInverted();
    const bool belowInverted = inverted && !FQuirks.BelowOriginMarginIgnoresInversion;
    if (FSettings.UseYOrigin && FMandatory->MinValue() < FSettings.YOrigin)
        (belowInverted ? highSide : lowSide) += length;
    if (!(FSettings.UseYOrigin && FMandatory->MaxValue() <= FSettings.YOrigin))
        (inverted ? lowSide : highSide) += length;
}

bool TCustomBarSeries::DrawSeriesForward(int valueIndex) const
{
    TChartAxis* axis = MandatoryAxis();
    const bool inverted = axis && axis->GetInverted();
    switch (FSettings.MultiBar) {
        case mbSide:
        case mbSideAll:
            if (FQuirks.SideBarsDrawnBackward) return false;
            break;
        case mbStacked:
        case mbSelfStack: {
            const double from = FQuirks.StackOrderFromZero ? 0.0 : FSettings.YOrigin;
            return (FMandatory->Value(valueIndex) >= from) != inverted;
        }
        case mbStacked100: return !inverted;
        default: break;
    }
    return TChartSeries::DrawSeriesForward(valueIndex);
}

void TCustomBarSeries::CalcBarBounds(int valueIndex)
{
    // Bars of the full width reach to the edge of the neighbour that lies further along
    // the screen: to the right on a horizontal key axis, downwards on a vertical one.
    TChartAxis* key = BarAxis();
    const bool nextFurther = (key && key->GetInverted()) != FYMandatory;
    const bool fullWidth = FSettings.BarWidthPercent == 100 && FSettings.CustomBarSize == 0;
    const int keyNear = KeyPos(valueIndex);
    int keyFar;
    if (fullWidth && nextFurther && valueIndex < Count() - 1)
        keyFar = KeyPos(valueIndex + 1);
    else if (fullWidth && !nextFurther && valueIndex > 0)
        keyFar = KeyPos(valueIndex - 1);
    else
        keyFar = keyNear + BarSize + 1;
    int valueEnd = ValuePos(valueIndex);
    int origin = GetOriginPos(valueIndex);
    if (!FPen->GetVisible()) {
        // Without an outline the fill takes the pixel the pen would have drawn.
        if (FQuirks.ReversedBarGrowsBothEnds) {
            if (valueEnd > origin) {
                ++valueEnd;
            } else {
                ++origin;
                --valueEnd;
            }
        } else if (origin > valueEnd) {
            ++origin;
        } else {
            ++valueEnd;
        }
        ++keyFar;
    }
    if (FYMandatory)
        BarRect = TRect(keyNear, valueEnd, keyFar, origin);
    else
        BarRect = TRect(origin, keyNear, valueEnd, keyFar);
}

void TCustomBarSeries::DrawValue(int valueIndex)
{
    TChartSeries::DrawValue(valueIndex);
    BarColor = GetValueColor(valueIndex);
    if (BarColor == clNone) return;
    CalcBarBounds(valueIndex);
    TTeeBlend* blend = FSettings.Transparency > 0 ? CreateBlend() : nullptr;
    const int a = FYMandatory ? BarRect.Top : BarRect.Left;
    const int b = FYMandatory ? BarRect.Bottom : BarRect.Right;
    DrawBar(valueIndex, std::min(a, b), std::max(a, b));
    if (blend)
        if (TCanvas3D* canvas = Canvas()) canvas->EndBlending(blend);
}

void TCustomBarSeries::DrawBar(int valueIndex, int startPos, int endPos)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    SetPenBrushBar(BarColor);
    const TBarStyle style = GetBarStyle(valueIndex);
    const TRect r = BarRect;
    const bool vertical = FYMandatory;
    const int keyNear = vertical ? r.Left : r.Top;
    const int keyFar = vertical ? r.Right : r.Bottom;
    const int mid = (keyNear + keyFar) / 2;
    const int thickness = keyFar - keyNear;
    const int midPos = (startPos + endPos) / 2;
    // Arrows point the way values grow on an axis that is not inverted: up, or right.
    const int tail = vertical ? endPos : startPos;
    const int head = vertical ? startPos : endPos;
    // The corners clockwise on the screen from the start end.
    const int firstSide = vertical ? keyFar : keyNear;
    const int secondSide = vertical ? keyNear : keyFar;
    const std::array<TPoint, 4> diamond = {BarPoint(mid, startPos), BarPoint(firstSide, midPos), BarPoint(mid, endPos),
                                           BarPoint(secondSide, midPos)};
    const TRect box = BarBox(startPos, endPos);
    const TRect reversedBox = BarBox(endPos, startPos);
    // Arrows are drawn alike in 3D and flat charts.
    auto arrow = [&](int fromPos, int toPos) {
        canvas->Arrow(true, BarPoint(mid, fromPos), BarPoint(mid, toPos), thickness, thickness / 2, MiddleZ);
    };
    if (Is3D()) {
        switch (style) {
            case bsPyramid:
                canvas->Pyramid(vertical, box.Left, box.Top, box.Right, box.Bottom, StartZ, EndZ, FSettings.Dark3D);
                break;
            case bsInvPyramid:
                canvas->Pyramid(vertical, reversedBox.Left, reversedBox.Top, reversedBox.Right, reversedBox.Bottom,
                                StartZ, EndZ, FSettings.Dark3D);
                break;
            case bsCilinder:
                canvas->Cylinder(vertical, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FSettings.Dark3D);
                break;
            case bsEllipse: canvas->EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, MiddleZ); break;
            case bsArrow: arrow(tail, head); break;
            case bsInvArrow: arrow(head, tail); break;
            case bsCone:
                canvas->Cone(vertical, box.Left, box.Top, box.Right, box.Bottom, StartZ, EndZ, FSettings.Dark3D,
                             FConePercent);
                break;
            case bsInvCone:
                canvas->Cone(vertical, reversedBox.Left, reversedBox.Top, reversedBox.Right, reversedBox.Bottom, StartZ,
                             EndZ, FSettings.Dark3D, FConePercent);
                break;
            case bsSlantCube: {
                const TCylinderSidesScope sides(4);
                canvas->Cylinder(vertical, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FSettings.Dark3D);
                break;
            }
            case bsDiamond: canvas->PolygonWithZ(diamond, MiddleZ); break;
            default: canvas->Cube(box.Left, box.Right, box.Top, box.Bottom, StartZ, EndZ, FSettings.Dark3D); break;
        }
    } else {
        // A flat pyramid or cone is a triangle with its point at the head end.
        auto triangle = [&](int basePos, int apexPos) {
            const TPoint t[3] = {BarPoint(keyNear, basePos), BarPoint(mid, apexPos), BarPoint(keyFar, basePos)};
            canvas->Polygon(t);
        };
        const bool inverted = !FQuirks.FlatShapesIgnoreInversion && (style == bsInvPyramid || style == bsInvCone);
        switch (style) {
            case bsPyramid:
            case bsCone:
            case bsInvPyramid:
            case bsInvCone:
                if (inverted)
                    triangle(head, tail);
                else
                    triangle(tail, head);
                break;
            case bsEllipse: canvas->Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
            case bsArrow: arrow(tail, head); break;
            case bsInvArrow: arrow(head, tail); break;
            case bsSlantCube:
                BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom);
                if (vertical)
                    canvas->DoVertLine(mid, r.Top, r.Bottom);
                else
                    canvas->DoHorizLine(r.Left, r.Right, mid);
                break;
            case bsDiamond: canvas->Polygon(diamond); break;
            default: BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom); break;
        }
    }
    if (style == bsRectGradient) BarGradient(valueIndex, box);
    if (style == bsBevel) DrawBevel();
    DrawTickLines(startPos, endPos, style);
}

void TCustomBarSeries::DrawTickLine(int pos, TBarStyle style)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    const TRect r = BarRect;
    const bool vertical = FYMandatory;
    const int keyNear = vertical ? r.Left : r.Top;
    const int keyFar = vertical ? r.Right : r.Bottom;
    auto across = [&](int from, int to, int z) {
        if (vertical)
            canvas->HorizLine3D(from, to, pos, z);
        else
            canvas->VertLine3D(pos, from, to, z);
    };
    if (style == bsArrow) {
        const int q = (keyFar - keyNear) / 4;
        across(keyNear + q, keyFar - q, MiddleZ);
        return;
    }
    if (!IsBoxStyle(style)) return;
    across(keyNear, keyFar, StartZ);
    if (!Is3D()) return;
    // The line runs on into the depth along the side face the view shows: the right one
    // of a vertical bar, the top one of a horizontal bar (else the opposite face).
    const int valueHigh = vertical ? r.Bottom : r.Right;
    const int valueLow = vertical ? r.Top : r.Left;
    auto faceHidden = [&](int key) {
        return TeeCull(canvas->Calculate3DPosition(BarPoint(key, valueHigh), StartZ),
                       canvas->Calculate3DPosition(BarPoint(key, valueHigh), EndZ),
                       canvas->Calculate3DPosition(BarPoint(key, valueLow), EndZ));
    };
    const int shown = vertical ? keyFar : keyNear;
    const int other = vertical ? keyNear : keyFar;
    const TPoint at = BarPoint(shown, pos);
    const TPoint otherAt = BarPoint(other, pos);
    if (!faceHidden(shown))
        canvas->ZLine3D(at.X, at.Y, StartZ, EndZ);
    else if (faceHidden(other))
        canvas->ZLine3D(otherAt.X, otherAt.Y, StartZ, EndZ);
}

bool TCustomBarSeries::InternalClicked(int valueIndex, const TPoint& p)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return false;
    const bool vertical = FYMandatory;
    const int key = KeyPos(valueIndex);
    int low = ValuePos(valueIndex);
    int high = GetOriginPos(valueIndex);
    if (high < low) std::swap(high, low);
    // Now low and high are the bar's ends on the screen along the value axis.
    const bool in3D = Is3D();
    auto keyOf = [vertical](const TPoint& q) { return vertical ? q.X : q.Y; };
    if (!in3D && (keyOf(p) < key || keyOf(p) > key + BarSize)) return false;
    auto triangle = [&](int apex, int base) {
        TPoint t[3] = {BarPoint(key + BarSize / 2, apex), BarPoint(key, base), BarPoint(key + BarSize, base)};
        if (in3D) {
            t[0] = canvas->Calculate3DPosition(t[0], MiddleZ);
            t[1] = canvas->Calculate3DPosition(t[1], StartZ);
            t[2] = canvas->Calculate3DPosition(t[2], StartZ);
        }
        return PointInPolygon(p, t);
    };
    // The point of a pyramid or cone is at the end values grow towards: the top, or the right.
    const int head = vertical ? low : high;
    const int tail = vertical ? high : low;
    switch (FSettings.BarStyle) {
        case bsPyramid:
        case bsCone: return triangle(head, tail);
        case bsInvPyramid:
        case bsInvCone: return triangle(tail, head);
        default: break;
    }
    TPoint q = p;
    if (in3D) {
        canvas->Calculate2DPosition(q.X, q.Y, StartZ);
        if (keyOf(q) < key || keyOf(q) > key + BarSize) return false;
    }
    if (FSettings.BarStyle == bsEllipse) {
        const TPoint a = BarPoint(key, low);
        const TPoint b = BarPoint(key + BarSize, high);
        return PointInEllipse(q, a.X, a.Y, b.X, b.Y);
    }
    const int v = vertical ? q.Y : q.X;
    return v >= low && v <= high;
}

// ---------------------------------------------------------------- legend

void TCustomBarSeries::PrepareLegendCanvas(int, TColor& backColor, TBrushStyle& brushStyle)
{
    if (TCanvas3D* canvas = Canvas()) canvas->AssignVisiblePen(FPen);
    brushStyle = FBrush->GetStyle();
    if (FBrush->GetColor() != clDefault) {
        backColor = FBrush->GetColor();
    } else if (ISeriesHost* host = SeriesHost()) {
        backColor = host->GetBackColor();
    }
}

void TCustomBarSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    TCanvas3D* canvas = Canvas();
    if (canvas && FBrush->StoredImage()) canvas->AssignBrush(FBrush, canvas->Brush->GetColor());
    TChartSeries::DrawLegendShape(valueIndex, rect);
}

// ---------------------------------------------------------------- gallery and samples

void TCustomBarSeries::PrepareForGallery(bool enabled)
{
    TChartSeries::PrepareForGallery(enabled);
    FSettings.BarWidthPercent = 85;
    FSettings.BarStyle = bsRectGradient;
    FGradient->SetVisible(true);
    SetMultiBar(mbNone);
}

void TCustomBarSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TChartSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text :
         {&TeeMsg_Colors, &TeeMsg_Pyramid, &TeeMsg_Ellipse, &TeeMsg_InvPyramid, &TeeMsg_Gradient})
        AddSubChart(*text);
    if (SubGalleryStack())
        for (const AnsiString* text : {&TeeMsg_Stack, &TeeMsg_Stack100, &TeeMsg_SelfStack}) AddSubChart(*text);
    AddSubChart(TeeMsg_Sides);
    AddSubChart(TeeMsg_SideAll);
}

void TCustomBarSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TCustomBarSeries*>(series);
    if (!s) return;
    switch (index) {
        case 1: s->SetColorEachPoint(true); return;
        case 2: s->SetBarStyle(bsPyramid); return;
        case 3: s->SetBarStyle(bsEllipse); return;
        case 4: s->SetBarStyle(bsInvPyramid); return;
        case 5: s->SetBarStyle(bsRectGradient); return;
        default: break;
    }
    static constexpr TMultiBar withStack[] = {mbStacked, mbStacked100, mbSelfStack, mbSide, mbSideAll};
    static constexpr TMultiBar withoutStack[] = {mbSide, mbSideAll};
    const int item = index - 6;
    if (SubGalleryStack() ? (item >= 0 && item < 5) : (item >= 0 && item < 2)) {
        IChartHost* chart = s->ParentChart();
        if (chart && chart->SeriesList()->Count() == 1) {
            // An arrangement needs a second series to show itself.
            s->FillSampleValues(2);
            QObject* owner = s->parent() ? s->parent() : s;
            QObject* made = s->metaObject()->newInstance(Q_ARG(QObject*, owner));
            if (auto* other = qobject_cast<TCustomBarSeries*>(made)) {
                other->setObjectName(QStringLiteral("Series%1").arg(chart->SeriesList()->Count() + 1));
                other->SetTitle(AnsiString());
                other->SetParentChart(chart);
                other->FillSampleValues(2);
                other->Marks()->SetVisible(false);
                other->SetBarWidthPercent(s->GetBarWidthPercent());
            } else {
                delete made;
            }
        }
        s->SetMultiBar(SubGalleryStack() ? withStack[item] : withoutStack[item]);
        s->Marks()->SetVisible(false);
    }
}

int TCustomBarSeries::NumSampleValues() const
{
    if (FParentChart)
        for (TChartSeries* s : *FParentChart->SeriesList())
            if (s != this && qobject_cast<TCustomBarSeries*>(s) && s->Count() > 0) return s->Count();
    return 6;
}

void TCustomBarSeries::AddSampleValues(int numValues, bool onlyMandatory)
{
    if (FParentChart)
        for (TChartSeries* s : *FParentChart->SeriesList())
            if (s != this && SameClass(s) && HasNoMandatoryValues(s)) {
                TChartSeries::AddSampleValues(numValues, onlyMandatory);
                break;
            }
    TChartSeries::AddSampleValues(numValues, true);
}
