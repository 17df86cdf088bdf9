// Label increments, label texts and sizes, and which values of an axis get a label.
#include <algorithm>
#include <climits>
#include <cmath>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeCanvas.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"

namespace {

// No loop of one draw makes more labels than this, whatever the range and step: a range
// that yields more is drawn without labels, and stepping that stops making progress ends.
constexpr int MaxLabelLoop = 10000;

}  // namespace

int TeeNumTextLines(const AnsiString& S)
{
    if (S.empty()) return 0;
    const int separators = static_cast<int>(std::count(S.begin(), S.end(), TeeLineSeparator));
    return S.back() == TeeLineSeparator ? separators : separators + 1;
}

int TeeMultiLineTextWidth(TTeeCanvas* Canvas, const AnsiString& S, int& NumLines)
{
    NumLines = TeeNumTextLines(S);
    if (!Canvas || NumLines == 0) return 0;
    int widest = 0;
    std::size_t start = 0;
    for (int i = 0; i < NumLines; ++i) {
        std::size_t end = S.find(TeeLineSeparator, start);
        if (end == AnsiString::npos) end = S.size();
        widest = std::max(widest, Canvas->TextWidth(S.substr(start, end - start)));
        start = end + 1;
    }
    return widest;
}

double NextStep(double Step)
{
    // Not a usable step: the smallest increment, so that callers stepping up always move.
    if (!(Step > 0)) return MinAxisIncrement;
    if (std::isinf(Step)) return Step;
    const double original = Step;
    int up = 0, down = 0;
    while (Step >= 10) {
        Step *= 0.1;
        ++up;
    }
    while (Step < 1) {
        Step *= 10;
        ++down;
    }
    double result = Step < 2 ? 2 : Step < 5 ? 5 : 10;
    for (; up > 0; --up) result *= 10;
    for (; down > 0; --down) result *= 0.1;
    // Scaling values near the bottom of the number range loses digits; the step must
    // still grow.
    return result > original ? result : 2 * original;
}

// ---------------------------------------------------------------- increments

bool TChartAxis::IsIndexAxisOf(const TChartSeries* Series) const
{
    return Series->YMandatory() ? FHorizontal : !FHorizontal;
}

double TChartAxis::RoundLogPower(double Value) const
{
    return std::pow(FLogarithmicBase, Round(std::log(Value) / std::log(FLogarithmicBase)));
}

double TChartAxis::CalcLabelsIncrement(int MaxNumLabels)
{
    const int N = MaxNumLabels;
    if (N <= 0) return DateTimeMode ? DateTimeStep[dtOneMicroSecond] : MinAxisIncrement;
    if (DateTimeMode) return CalcDateTimeIncrement(N);

    double R;
    if (FIncrement > 0) {
        R = FIncrement;
    } else if (Range == 0) {
        R = 1;
    } else {
        R = std::fabs(Range) / (N + 1);
        if (FLogarithmic) R = RoundLogPower(R);
        if (Range >= 1 && FParentChart && FParentChart->SeriesList()) {
            for (TChartSeries* s : *FParentChart->SeriesList()) {
                if (s->GetActive() && s->AssociatedToAxis(this) && IsIndexAxisOf(s) && s->Count() <= N) {
                    R = std::max(R, 1.0);
                    break;
                }
            }
        }
    }
    // A step that underflowed to zero would never grow.
    if (!(R > 0)) R = MinAxisIncrement;

    if (FLabelsSeparation > 0) {
        // A base below 1 steps up by its inverse, so the step still grows.
        const double factor = FLogarithmicBase > 1 ? FLogarithmicBase : 1 / FLogarithmicBase;
        const auto stepUp = [&](double r) { return FLogarithmic ? r * factor : NextStep(r); };
        int n = N + 1;
        for (;;) {
            const double q = Range / R;
            if (std::fabs(q) < 2147483647.0) {
                n = Round(q);
                if (n > N) R = stepUp(R);
            } else {
                R = stepUp(R);
            }
            if (n <= N || R > Range || std::isinf(R)) break;
        }
    }
    if (std::isinf(R)) return Range;
    return std::max(MinAxisIncrement, R);
}

double TChartAxis::CalcDateTimeIncrement(int MaxNumLabels) const
{
    const int N = MaxNumLabels;
    double T = std::max(FIncrement, DateTimeStep[dtOneMicroSecond]);
    if (T > 0 && N > 0) {
        if (Range / T > 1e6) T = Range / 1e6;
        for (;;) {
            const int n = Round(Range / T);
            if (n <= N) break;
            if (T >= DateTimeStep[dtOneYear])
                T = 2 * T;
            else if (T >= DateTimeStep[dtOneSecond])
                T = NextDateTimeStep(T);
            else
                T = NextStep(T);
        }
    }
    return std::max(T, DateTimeStep[dtOneMicroSecond]);
}

double TChartAxis::CalcXYIncrement(int MaxLabelSize)
{
    int N;
    if (MaxLabelSize <= 0) {
        N = 1;
    } else {
        int w = MaxLabelSize;
        if (FLabelsSeparation > 0) w += Round(FLabelsSeparation * 0.01 * MaxLabelSize);
        N = Round(double(AxisSize) / w);
    }
    return CalcLabelsIncrement(N);
}

double TChartAxis::CalcIncrement()
{
    const int S =
        std::max(InternalLabelSize(InternalMaximum, FHorizontal), InternalLabelSize(InternalMinimum, FHorizontal));
    double R = CalcXYIncrement(S);
    if (FLabelsAlternate) R = FLogarithmic ? R / FLogarithmicBase : R * 0.5;
    return R;
}

// ---------------------------------------------------------------- label style and texts

TAxisLabelStyle TChartAxis::CalcLabelStyle() const
{
    return FLabelStyle == talAuto ? InternalCalcLabelStyle() : FLabelStyle;
}

TAxisLabelStyle TChartAxis::InternalCalcLabelStyle() const
{
    TAxisLabelStyle result = talNone;
    if (!FParentChart || !FParentChart->SeriesList()) return result;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        if (!s->GetActive() || !s->AssociatedToAxis(this)) continue;
        result = talValue;
        if (!s->HasThirdValues && IsIndexAxisOf(s) && s->Labels().Count() > 0 && !s->Labels().IsNull(0)) return talText;
    }
    return result;
}

AnsiString TChartAxis::LabelValue(double Value)
{
    AnsiString text;
    if (DateTimeMode) {
        // A value outside the calendar has no date to show.
        if (Value >= 0 && Value < 2958466.0)
            text = FormatDateTime(FDateTimeFormat.empty() ? DateTimeDefaultFormat(Range) : FDateTimeFormat, Value);
    } else if (std::isfinite(Value)) {
        text = FormatFloat(FAxisValuesFormat, Value);
    }
    if (FParentChart && FParentChart->OnGetAxisLabelEvent())
        FParentChart->OnGetAxisLabelEvent()(this, nullptr, -1, text);
    if (FLabelsMultiLine) std::replace(text.begin(), text.end(), ' ', TeeLineSeparator);
    return text;
}

int TChartAxis::InternalLabelSize(double Value, bool IsWidth)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas || !FParentChart) return 0;
    int lines = 0;
    const int w = FParentChart->MultiLineTextWidth(LabelValue(Value), lines);
    const bool upright = FLabelsAngle == 90 || FLabelsAngle == 270;
    const bool flat = FLabelsAngle == 0 || FLabelsAngle == 180;
    if ((IsWidth && upright) || (!IsWidth && flat)) return canvas->GetFontHeight() * lines;
    return w;
}

int TChartAxis::MaxLabelsWidth()
{
    TCanvas3D* canvas = Canvas();
    if (!canvas || !FParentChart) return 0;
    int lines = 0;
    if (FItems->Count() > 0) {
        int widest = 0;
        for (int i = 0; i < FItems->Count(); ++i) {
            TAxisItem* item = FItems->Get(i);
            canvas->AssignFont(item->GetFont());
            widest = std::max(widest, FParentChart->MultiLineTextWidth(item->GetText(), lines));
        }
        return widest;
    }
    switch (CalcLabelStyle()) {
        case talValue: break;
        case talMark: return FParentChart->MaxMarkWidth();
        case talText: return FParentChart->MaxTextWidth();
        default: return 0;
    }
    // Measured without the chart's label hook; it is put back even when measuring fails.
    TScopedValue noHook(FParentChart->OnGetAxisLabelEvent(), nullptr);
    double A = InternalMinimum, B = InternalMaximum;
    if ((IsDateTime() && FExactDateTime) || FRoundFirstLabel) {
        const double I = CalcIncrement();
        A = I * std::trunc(InternalMinimum / I);
        B = I * std::trunc(InternalMaximum / I);
    }
    return std::max(FParentChart->MultiLineTextWidth(LabelValue(B), lines),
                    FParentChart->MultiLineTextWidth(LabelValue(A), lines)) +
           canvas->TextWidth(" ");
}

int TChartAxis::SizeLabels()
{
    const int size = InternalCalcSize(GetLabelsFont(), FLabelsAngle, AnsiString(), FLabelsSize);
    return FLabelsAlternate ? 2 * size : size;
}

// ---------------------------------------------------------------- which values get labels

bool TChartAxis::LabelValueAt(double Value)
{
    const int p = CalcPosValue(Value);
    if (!FLabelsOnAxis && !(p > StartPos && p < EndPos)) return false;
    if (!FTickOnLabelsOnly) AddTick(p);
    if (GetLabels()) DrawLabelAt(p, LabelValue(Value), nullptr);
    return true;
}

void TChartAxis::DrawLabels()
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    if (FItems->Count() > 0) {
        for (int i = 0; i < FItems->Count(); ++i) {
            TAxisItem* item = FItems->Get(i);
            const double v = item->GetValue();
            if (!(v >= FMinimum && v <= FMaximum)) continue;
            const int p = CalcPosValue(v);
            if (!FTickOnLabelsOnly) AddTick(p);
            if (item->GetVisible()) DrawLabelAt(p, item->GetText().empty() ? LabelValue(v) : item->GetText(), item);
        }
        return;
    }
    const TAxisLabelStyle style = CalcLabelStyle();
    if (style == talNone) return;
    canvas->AssignFont(GetLabelsFont());
    const double I = CalcIncrement();
    TDateTimeStep D = dtNone;
    if (DateTimeMode && FExactDateTime && FIncrement != 0) {
        D = FindDateTimeStep(FIncrement);
        if (D != dtNone)
            while (DateTimeStep[D] < I && D != dtOneYear) D = TDateTimeStep(D + 1);
    }
    if (!((I > 0 || (D >= dtHalfMonth && D <= dtOneYear)) && InternalMinimum <= InternalMaximum)) return;

    if (style == talValue) {
        TAxisOnGetNextLabel& next = FParentChart->OnGetNextAxisLabelEvent();
        if (next) {
            double V = InternalMinimum;
            bool stop = true;
            for (int k = 0; k <= 2000; ++k) {
                next(this, k, V, stop);
                if (stop) {
                    if (k == 0) DrawDefaultLabels(I, D);
                    break;
                }
                if (!(V >= InternalMinimum - 1e-7 && V <= InternalMaximum + 1e-7)) break;
                LabelValueAt(V);
            }
        } else if (FLogarithmic && FIncrement == 0) {
            DrawLogLabels();
        } else {
            DrawDefaultLabels(I, D);
        }
    } else if (style == talText && IsDepthAxis) {
        DrawSeriesTitleLabels();
    } else if (style == talMark || style == talText) {
        DrawPointLabels(style);
    }
}

void TChartAxis::DrawDefaultLabels(double I, TDateTimeStep D)
{
    // A range without a finite size or a step too small for it gets no labels.
    if (!std::isfinite(Range) || !std::isfinite(I) || !std::isfinite(InternalMaximum)) return;
    if (!(std::fabs(Range / I) < MaxLabelLoop)) return;

    // One step down; false when the value cannot move any further (calendar limits, steps
    // below the precision of the value).
    const auto stepDown = [&](double& V) {
        const double old = V;
        try {
            IncDecDateTime(false, V, I, D);
        } catch (const EConvertError&) {
            return false;
        }
        return V < old;
    };

    double V;
    if (DateTimeMode && FExactDateTime && D != dtNone && D >= dtOneDay)
        V = TeeRoundDate(InternalMaximum, D);
    else if (FloatToStr(InternalMinimum) == FloatToStr(InternalMaximum) || !FRoundFirstLabel)
        V = InternalMaximum;
    else
        V = I * std::trunc(InternalMaximum / I);

    for (int guard = 0; V > InternalMaximum; ++guard)
        if (guard >= MaxLabelLoop || !stepDown(V)) return;

    if (RangeIsZero || std::fabs(InternalMaximum - InternalMinimum) < 1e-10 || FloatToStr(V) == FloatToStr(V - I)) {
        LabelValueAt(V);
        return;
    }
    const double L = InternalMinimum >= 0 ? (InternalMinimum - 1e-12) / (1 + 1e-12) : InternalMinimum;
    for (int guard = 0; V >= L && guard <= MaxLabelLoop; ++guard) {
        LabelValueAt(V);
        if (!stepDown(V)) break;
    }
}

void TChartAxis::DrawLogLabels()
{
    if (InternalMinimum == InternalMaximum) return;
    double V;
    if (InternalMinimum > 0) {
        V = RoundLogPower(InternalMinimum);
    } else if (InternalMinimum == 0) {
        InternalMinimum = 0.1;
        V = 0.1;
    } else {
        InternalMinimum = RoundLogPower(1e-10);
        V = InternalMinimum;
    }
    const double B = FLogarithmicBase > 1 ? FLogarithmicBase : 1 / FLogarithmicBase;
    const auto logB = [B](double x) { return std::log(x) / std::log(B); };
    const bool minorGrid = FMinorGrid->GetVisible();
    if (minorGrid) {
        double M = V;
        if (V >= InternalMinimum) M = std::pow(B, logB(InternalMinimum) - 1);
        if (M < InternalMinimum) AddTick(CalcPosValue(M));
    }
    const double start = V;
    bool labelled = false;
    for (int guard = 0; V <= InternalMaximum && guard < MaxLabelLoop; ++guard) {
        if (V >= InternalMinimum) {
            LabelValueAt(V);
            labelled = true;
        }
        const double next = V * B;
        if (!(next > V)) break;
        V = next;
    }
    if (!labelled) {
        V = start;
        // Each value from the start, not by adding up: sums of tenths drift past the end.
        const double delta = std::pow(B, logB(V) - 1);
        for (int i = 1; V <= InternalMaximum && i <= MaxLabelLoop; ++i) {
            if (V >= InternalMinimum) LabelValueAt(V);
            const double next = start + i * delta;
            if (!(next > V)) break;
            V = next;
        }
    }
    if (minorGrid && start > InternalMaximum) AddTick(CalcPosValue(start));
}

void TChartAxis::DrawPointLabels(TAxisLabelStyle Style)
{
    SeriesList.Clear();
    if (!FParentChart->SeriesList()) return;
    for (TChartSeries* s : *FParentChart->SeriesList())
        if (s->GetActive() && s->AssociatedToAxis(this)) SeriesList.Add(s);
    int first = INT_MAX, last = -1;
    for (TChartSeries* s : SeriesList) {
        s->CalcFirstLastVisibleIndex();
        if (s->FirstValueIndex != -1) first = std::min(first, s->FirstValueIndex);
        last = std::max(last, s->LastValueIndex);
    }
    TCanvas3D* canvas = Canvas();
    if (first == INT_MAX || first > last) {
        SeriesList.Clear();
        return;
    }
    bool textHorizontal = FHorizontal;
    if (FLabelsAngle == 90 || FLabelsAngle == 270) textHorizontal = !textHorizontal;
    TAxisOnGetLabel& hook = FParentChart->OnGetAxisLabelEvent();
    bool drawnBefore = false;
    int lastPos = 0, lastHalf = 0;
    for (int t = first; t <= last; ++t) {
        TChartSeries* source = nullptr;
        for (TChartSeries* s : SeriesList)
            if (s->FirstValueIndex != -1 && s->FirstValueIndex <= t && t <= s->LastValueIndex) {
                source = s;
                break;
            }
        if (!source) continue;
        AnsiString text = Style == talMark ? source->GetMarkText(t) : source->GetXLabel(t);
        if (hook) hook(this, source, t, text);
        if (text.empty()) continue;
        const double value = FHorizontal ? source->XValues()->Value(t) : source->YValues()->Value(t);
        if (!(value >= InternalMinimum && value <= InternalMaximum)) continue;
        const int p = CalcPosValue(value);
        if (!FTickOnLabelsOnly) AddTick(p);
        if (!GetLabels()) continue;
        int lines = 0;
        int size = textHorizontal ? FParentChart->MultiLineTextWidth(text, lines)
                                  : canvas->GetFontHeight() * TeeNumTextLines(text);
        if (FLabelsSeparation != 0 && drawnBefore) {
            size = (size + Trunc(size * 0.02 * FLabelsSeparation)) / 2;
            const bool room = p >= lastPos ? p - size >= lastPos + lastHalf : p + size <= lastPos - lastHalf;
            if (!room) continue;
            DrawLabelAt(p, text, nullptr);
            lastPos = p;
            lastHalf = size;
        } else {
            DrawLabelAt(p, text, nullptr);
            lastPos = p;
            lastHalf = size / 2;
            drawnBefore = true;
        }
    }
    SeriesList.Clear();
}

void TChartAxis::DrawSeriesTitleLabels()
{
    if (FParentChart->CountActiveSeries() <= 0) return;
    const double from = std::trunc(InternalMinimum), to = std::trunc(InternalMaximum);
    if (!std::isfinite(from) || !std::isfinite(to) || to - from > MaxLabelLoop) return;
    TAxisOnGetLabel& hook = FParentChart->OnGetAxisLabelEvent();
    for (int t = static_cast<int>(from); t <= static_cast<int>(to); ++t) {
        const int p = CalcPosValue(InternalMaximum - t - 0.5);
        if (!FTickOnLabelsOnly) AddTick(p);
        if (!GetLabels()) continue;
        AnsiString text = FParentChart->SeriesTitleLegend(t, true);
        if (hook) hook(this, nullptr, t, text);
        DrawLabelAt(p, text, nullptr);
    }
}
