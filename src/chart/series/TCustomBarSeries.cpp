#include "chart/series/TCustomBarSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

// ---------------------------------------------------------------- gradient

TBarSeriesGradient::TBarSeriesGradient(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TCustomTeeGradient(OnChangeEvent, parent)
{
    const TNotifyEvent keep = OnChange;
    OnChange = nullptr;
    SetVisible(true);
    OnChange = keep;
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
    if (FRelative == value) return;
    FRelative = value;
    DoChanged();
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
        FAutoMarkPosition = bar->FAutoMarkPosition;
        FBarWidthPercent = bar->FBarWidthPercent;
        FBarStyle = bar->FBarStyle;
        FBevelSize = bar->FBevelSize;
        FCustomBarSize = bar->FCustomBarSize;
        FDark3D = bar->FDark3D;
        FDepthPercent = bar->FDepthPercent;
        FGradient->Assign(bar->FGradient);
        FMultiBar = bar->FMultiBar;
        FOffsetPercent = bar->FOffsetPercent;
        FYOrigin = bar->FYOrigin;
        FSideMargins = bar->FSideMargins;
        FStackGroup = bar->FStackGroup;
        FTickLines->Assign(bar->FTickLines);
        FTransparency = bar->FTransparency;
        FUseYOrigin = bar->FUseYOrigin;
    }
    TChartSeries::Assign(source);
}

bool TCustomBarSeries::IsPropertyStored(const char* Name) const
{
    struct Default {
        const char* name;
        bool differs;
    };
    const Default defaults[] = {
        {"AutoBarSize", FAutoBarSize},
        {"AutoMarkPosition", !FAutoMarkPosition},
        {"BarStyle", FBarStyle != bsRectangle},
        {"BarWidthPercent", FBarWidthPercent != 70},
        {"BevelSize", FBevelSize != 1},
        {"Dark3D", !FDark3D},
        {"DepthPercent", FDepthPercent != 100},
        {"MultiBar", FMultiBar != mbSide},
        {"OffsetPercent", FOffsetPercent != 0},
        {"SideMargins", !FSideMargins},
        {"StackGroup", FStackGroup != 0},
        {"UseYOrigin", !FUseYOrigin},
        {"YOrigin", FYOrigin != 0},
        {"CustomBarWidth", FCustomBarSize != 0},
        {"CustomBarHeight", FCustomBarSize != 0},
    };
    for (const Default& d : defaults)
        if (std::strcmp(Name, d.name) == 0) return d.differs;
    return TChartSeries::IsPropertyStored(Name);
}

TCanvas3D* TCustomBarSeries::Canvas() const
{
    ISeriesHost* host = SeriesHost();
    return host ? host->GetCanvas() : nullptr;
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

void TCustomBarSeries::SetBarStyle(TBarStyle value)
{
    if (FBarStyle == value) return;
    FBarStyle = value;
    Repaint();
}

void TCustomBarSeries::SetTransparency(std::uint8_t value)
{
    if (FTransparency == value) return;
    FTransparency = value;
    Repaint();
}

void TCustomBarSeries::SetMultiBar(TMultiBar value)
{
    if (FMultiBar == value) return;
    FMultiBar = value;
    Repaint();
    SetOtherBars(true);
}

void TCustomBarSeries::SetSideMargins(bool value)
{
    SetBooleanProperty(FSideMargins, value);
    SetOtherBars(true);
}

void TCustomBarSeries::SetParentChart(IChartHost* value)
{
    TChartSeries::SetParentChart(value);
    SetOtherBars(false);
}

void TCustomBarSeries::SetOtherBars(bool setOthers)
{
    if (setOthers) UseVisibleRange = FMultiBar != mbSelfStack;
    if (!FParentChart) return;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        auto* bar = qobject_cast<TCustomBarSeries*>(s);
        if (!bar || !SameClass(bar)) continue;
        if (setOthers) {
            bar->FMultiBar = FMultiBar;
            bar->FSideMargins = FSideMargins;
            bar->UseVisibleRange = FMultiBar != mbSelfStack;
        } else if (bar != this) {
            FMultiBar = bar->FMultiBar;
            FSideMargins = bar->FSideMargins;
            UseVisibleRange = FMultiBar != mbSelfStack;
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
        if (BarPointCount == -1 || BarPointCount < bar->Count()) BarPointCount = bar->Count() + (FSideMargins ? 1 : 0);
        switch (FMultiBar) {
            case mbNone:
            case mbSelfStack: BarSlotCount = 1; break;
            case mbSide:
            case mbSideAll:
                ++BarSlotCount;
                if (!seen) ++BarSlot;
                break;
            case mbStacked:
            case mbStacked100:
                if (std::find(groups.begin(), groups.end(), bar->FStackGroup) == groups.end()) {
                    groups.push_back(bar->FStackGroup);
                    ++BarSlotCount;
                    if (!seen) ++BarSlot;
                }
                break;
        }
        if (!seen) PointsBefore += bar->Count();
    }
    if (const auto it = std::find(groups.begin(), groups.end(), FStackGroup); it != groups.end())
        BarSlot = static_cast<int>(it - groups.begin()) + 1;
    if (ISeriesHost* host = SeriesHost(); host && host->GetMaxPointsPerPage() >= 1)
        BarPointCount = host->GetMaxPointsPerPage();
}

// ---------------------------------------------------------------- width and offsets

void TCustomBarSeries::InternalApplyBarMargin(int& marginA, int& marginB)
{
    if (FCustomBarSize != 0) {
        BarSize = FCustomBarSize;
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
        std::int64_t width = Round64(FBarWidthPercent * 0.01 * static_cast<double>(room)) / slotCount;
        if (width > 0 && width % 2 != 0) ++width;
        BarSize = static_cast<int>(std::clamp<std::int64_t>(width, INT32_MIN / 4, INT32_MAX / 4));
    }
    const int m = BarMargin();
    marginA += m;
    marginB += m;
}

int TCustomBarSeries::BarMargin() const
{
    const int t = FMultiBar == mbSideAll ? BarSize : BarSize * BarSlotCount;
    return FSideMargins ? t : t / 2;
}

int TCustomBarSeries::ApplyBarOffset(int position) const
{
    return FOffsetPercent != 0 ? position + Round(FOffsetPercent * BarSize * 0.01) : position;
}

int TCustomBarSeries::BarAxisPos(int valueIndex, int basePos) const
{
    TChartAxis* axis = BarAxis();
    const int half = BarSize >> 1;
    int result;
    if (FMultiBar == mbSideAll) {
        const double v = PointsBefore + valueIndex;
        result = (axis ? axis->CalcPosValue(v) : 0) - half;
    } else if (FMultiBar == mbSelfStack) {
        result = (axis ? axis->CalcPosValue(SeriesIndexInChart()) : 0) - half;
    } else if (FMultiBar == mbNone) {
        result = basePos - half;
    } else {
        result = basePos + Round(BarSize * ((BarSlot - BarSlotCount * 0.5) - 1.0));
    }
    return ApplyBarOffset(result);
}

// ---------------------------------------------------------------- origin and stacking

double TCustomBarSeries::PointOrigin(int valueIndex, bool sumAll) const
{
    if (FMultiBar == mbStacked || FMultiBar == mbStacked100) {
        double result = 0;
        if (!FParentChart || valueIndex < 0 || valueIndex >= Count()) return result;
        const bool positive = FMandatory->Value(valueIndex) >= 0;
        for (TChartSeries* s : *FParentChart->SeriesList()) {
            if (!sumAll && s == this) break;
            auto* bar = qobject_cast<TCustomBarSeries*>(s);
            if (!bar || !bar->GetActive() || !SameClass(bar) || bar->Count() <= valueIndex ||
                bar->FStackGroup != FStackGroup)
                continue;
            const double t = bar->GetOriginValue(valueIndex);
            if (positive ? t > 0 : t < 0) result += t;
        }
        return result;
    }
    if (FMultiBar == mbSelfStack) {
        double result = 0;
        for (int i = 0; i < std::min(valueIndex, Count()); ++i) result += FMandatory->Value(i);
        return result;
    }
    return FYOrigin;
}

int TCustomBarSeries::StackedValuePos(int valueIndex) const
{
    const double t = PointOrigin(valueIndex, false) + FMandatory->Value(valueIndex);
    if (FMultiBar == mbStacked100) {
        const double total = PointOrigin(valueIndex, true);
        // Nothing to share at this point: the bar lies flat on the 0 % line.
        return CalcPosValue(total == 0 ? 0.0 : t * 100.0 / total);
    }
    return CalcPosValue(t);
}

int TCustomBarSeries::InternalGetOriginPos(int valueIndex, int defaultOrigin) const
{
    const double o = PointOrigin(valueIndex, false);
    switch (FMultiBar) {
        case mbStacked:
        case mbSelfStack: return CalcPosValue(o);
        case mbStacked100: {
            const double total = PointOrigin(valueIndex, true);
            return CalcPosValue(total == 0 ? 0.0 : o * 100.0 / total);
        }
        default: return FUseYOrigin ? CalcPosValue(o) : defaultOrigin;
    }
}

double TCustomBarSeries::MaxMandatoryValue(double value) const
{
    double result = value;
    if (FMultiBar == mbStacked100) {
        result = 100;
    } else if (FMultiBar == mbSelfStack) {
        result = FMandatory->Total();
    } else if (FMultiBar == mbStacked) {
        for (int i = 0; i < Count(); ++i) result = std::max(result, PointOrigin(i, false) + FMandatory->Value(i));
    }
    return FUseYOrigin ? std::max(result, FYOrigin) : result;
}

double TCustomBarSeries::MinMandatoryValue(double value) const
{
    double result = value;
    if (FMultiBar == mbStacked100) {
        result = 0;
    } else if (FMultiBar == mbStacked || FMultiBar == mbSelfStack) {
        for (int i = 0; i < Count(); ++i) result = std::min(result, PointOrigin(i, false) + FMandatory->Value(i));
    }
    return FUseYOrigin ? std::min(result, FYOrigin) : result;
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
    if (FMultiBar != mbNone && FParentChart) {
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
    if (FDepthPercent == 0) return;
    const int d = Round((EndZ - StartZ) * (100 - FDepthPercent) * 0.005);
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
    TBarStyle result = FBarStyle;
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
        const double low = FUseYOrigin ? FYOrigin : FMandatory->MinValue();
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
    const TNotifyEvent keep = FGradient->OnChange;
    FGradient->OnChange = nullptr;
    FGradient->SetEndColor(end);
    FGradient->OnChange = keep;
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
    return canvas->BeginBlending(r, FTransparency);
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
    canvas->Frame3D(r, ApplyBright(BarColor, DarkerColorQuantity), ApplyDark(BarColor, DarkColorQuantity), FBevelSize);
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
    FBarWidthPercent = 85;
    FBarStyle = bsRectGradient;
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
