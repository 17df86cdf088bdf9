// Range, value-to-pixel mapping and positions of an axis.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "platform/Round.h"

// ---------------------------------------------------------------- range

void TChartAxis::SetAutomatic(bool Value)
{
    SetBooleanProperty(FSettings.Automatic, Value);
    if (!IsLoading()) {
        FSettings.AutomaticMinimum = Value;
        FSettings.AutomaticMaximum = Value;
    }
}

void TChartAxis::SetAutomaticEnd(bool& End, bool OtherEnd, bool Value)
{
    SetBooleanProperty(End, Value);
    if (!Value)
        FSettings.Automatic = false;
    else if (OtherEnd)
        FSettings.Automatic = true;
}

void TChartAxis::SetAutomaticMinimum(bool Value)
{
    SetAutomaticEnd(FSettings.AutomaticMinimum, FSettings.AutomaticMaximum, Value);
}

void TChartAxis::SetAutomaticMaximum(bool Value)
{
    SetAutomaticEnd(FSettings.AutomaticMaximum, FSettings.AutomaticMinimum, Value);
}

// An end that is not finite would make the whole range infinite (or undefined): it is
// refused like a minimum above the maximum, also while a chart is read from a file.
void TChartAxis::SetMinimum(double Value)
{
    if (!std::isfinite(Value) || (!IsLoading() && Value > FSettings.Maximum)) throw AxisException(TeeMsg_AxisMinMax);
    InternalSetMinimum(Value);
}

void TChartAxis::SetMaximum(double Value)
{
    if (!std::isfinite(Value) || (!IsLoading() && Value < FSettings.Minimum)) throw AxisException(TeeMsg_AxisMaxMin);
    InternalSetMaximum(Value);
}

void TChartAxis::SetMinMax(double AMin, double AMax)
{
    if (!std::isfinite(AMin)) throw AxisException(TeeMsg_AxisMinMax);
    if (!std::isfinite(AMax)) throw AxisException(TeeMsg_AxisMaxMin);
    FSettings.Automatic = false;
    FSettings.AutomaticMinimum = false;
    FSettings.AutomaticMaximum = false;
    if (AMax < AMin) std::swap(AMin, AMax);
    InternalSetMinimum(AMin);
    InternalSetMaximum(AMax);
    if (FSettings.Maximum - FSettings.Minimum < MinAxisRange) InternalSetMaximum(FSettings.Minimum + MinAxisRange);
    // Axes may follow each other in a ring; each passes the range on only once.
    if (FSettingMinMax) return;
    FSettingMinMax = true;
    try {
        if (FParentChart && FParentChart->GetCustomAxes()) FParentChart->GetCustomAxes()->ResetScales(this);
    } catch (...) {
        FSettingMinMax = false;
        throw;
    }
    FSettingMinMax = false;
}

void TChartAxis::SetDesiredIncrement(double Value)
{
    // NaN is refused like a negative value: it would make every label step undefined.
    if (Value < 0 || std::isnan(Value)) throw AxisException(TeeMsg_AxisIncrementNeg);
    SetDoubleProperty(FSettings.Increment, Value);
}

void TChartAxis::SetLogarithmic(bool Value)
{
    if (Value && IsDateTime()) throw AxisException(TeeMsg_AxisLogDateTime);
    if (Value) {
        AdjustMaxMin();
        if (!(InternalMinimum >= 0 && InternalMaximum >= 0)) throw AxisException(TeeMsg_AxisLogNotPositive);
    }
    SetBooleanProperty(FSettings.Logarithmic, Value);
    SetCalcPosValue();
    // The logarithmic ends of the current range are needed at once by the new mapping.
    InternalCalcRange();
}

void TChartAxis::SetLogarithmicBase(double Value)
{
    if (!(Value > 0) || Value == 1 || !std::isfinite(Value)) throw AxisException(TeeMsg_AxisLogBase);
    SetDoubleProperty(FSettings.LogarithmicBase, Value);
}

void TChartAxis::SetInverted(bool Value)
{
    SetBooleanProperty(FSettings.Inverted, Value);
}

void TChartAxis::CalcMinMax(double& AMin, double& AMax)
{
    if (!FParentChart) return;
    if (FSettings.Automatic || FSettings.AutomaticMaximum)
        AMax = FParentChart->InternalMinMax(this, false, FSettings.Horizontal);
    if (FSettings.Automatic || FSettings.AutomaticMinimum)
        AMin = FParentChart->InternalMinMax(this, true, FSettings.Horizontal);
}

void TChartAxis::AdjustMaxMin()
{
    CalcMinMax(FSettings.Minimum, FSettings.Maximum);
    InternalMaximum = FSettings.Maximum;
    InternalMinimum = FSettings.Minimum;
    InternalCalcRange();
}

void TChartAxis::AdjustMaxMinRect(const TRect& Rect)
{
    const int a = FSettings.Horizontal ? Rect.Left : Rect.Top;
    const int b = FSettings.Horizontal ? Rect.Right : Rect.Bottom;
    const int s0 = StartPos, e0 = EndPos;
    // Margins as wide as the axis leave no pixel to map the range onto.
    if (std::int64_t(e0) - b - (std::int64_t(s0) + a) < 1) return;
    StartPos += a;
    EndPos -= b;
    AxisSize = EndPos - StartPos;
    const double vs = CalcPosPoint(s0);
    const double ve = CalcPosPoint(e0);
    InternalCalcPositions();
    InternalMaximum = ve;
    InternalMinimum = vs;
    if (InternalMinimum > InternalMaximum) std::swap(InternalMinimum, InternalMaximum);
    InternalCalcRange();
}

void TChartAxis::Scroll(double Offset, bool CheckLimits)
{
    if (CheckLimits) {
        if (!FParentChart) return;
        bool scroll = false;
        if (Offset > 0)
            scroll = FParentChart->InternalMinMax(this, false, FSettings.Horizontal) > FSettings.Maximum;
        else if (Offset < 0)
            scroll = FParentChart->InternalMinMax(this, true, FSettings.Horizontal) < FSettings.Minimum;
        if (!scroll) return;
    }
    if (!std::isfinite(FSettings.Minimum + Offset)) throw AxisException(TeeMsg_AxisMinMax);
    if (!std::isfinite(FSettings.Maximum + Offset)) throw AxisException(TeeMsg_AxisMaxMin);
    FSettings.Automatic = false;
    FSettings.AutomaticMaximum = false;
    FSettings.Maximum += Offset;
    FSettings.AutomaticMinimum = false;
    FSettings.Minimum += Offset;
    Invalidate();
}

void TChartAxis::InternalCalcRange()
{
    Range = InternalMaximum - InternalMinimum;
    RangeIsZero = Range == 0;
    PixelsPerUnit = RangeIsZero ? 0 : AxisSize / Range;
    if (FSettings.Logarithmic) {
        LogMinimum = InternalMinimum > 0 ? std::log(InternalMinimum) : 0;
        LogMaximum = InternalMaximum > 0 ? std::log(InternalMaximum) : 0;
        LogRange = LogMaximum - LogMinimum;
        PixelsPerLogUnit = LogRange == 0 ? 0 : AxisSize / LogRange;
    }
    ZPos = CalcZPos();
}

// ---------------------------------------------------------------- mapping

void TChartAxis::SetCalcPosValue()
{
    const TChartAxes* axes = FParentChart ? FParentChart->Axes() : nullptr;
    if (IsDepthAxis) {
        FCalcXPos = FCalcYPos = &TChartAxis::DepthPosValue;
    } else if (FSettings.Logarithmic) {
        FCalcXPos = &TChartAxis::LogXPosValue;
        FCalcYPos = &TChartAxis::LogYPosValue;
    } else if (axes && axes->GetFastCalc()) {
        FCalcXPos = &TChartAxis::XPosValue;
        FCalcYPos = &TChartAxis::YPosValue;
    } else {
        FCalcXPos = &TChartAxis::XPosValueCheck;
        FCalcYPos = &TChartAxis::YPosValueCheck;
    }
    FCalcPos = FSettings.Horizontal ? FCalcXPos : FCalcYPos;
}

TChartAxis::TPixelMap TChartAxis::PixelMap(bool Horizontal) const
{
    TPixelMap m;
    const auto f = Horizontal ? FCalcXPos : FCalcYPos;
    const bool plain = f == &TChartAxis::XPosValue || f == &TChartAxis::YPosValue;
    const bool checked = f == &TChartAxis::XPosValueCheck || f == &TChartAxis::YPosValueCheck;
    if (!plain && !checked) return m;
    // X pixels grow from StartPos (from EndPos backwards when inverted), Y pixels the
    // other way round.
    const bool xLike = f == &TChartAxis::XPosValue || f == &TChartAxis::XPosValueCheck;
    m.Linear = true;
    m.RoundsSum = checked;
    m.RangeIsZero = RangeIsZero;
    m.Center = CenterPos;
    m.Backwards = xLike ? FSettings.Inverted : !FSettings.Inverted;
    m.Base = (xLike == FSettings.Inverted) ? EndPos : StartPos;
    m.Limit = TeeAxisPixelLimit;
    m.Minimum = InternalMinimum;
    m.PixelsPerUnit = PixelsPerUnit;
    return m;
}

namespace {

// The pixel limit keeps far-away values drawable: no integer overflow on the way to the
// device.
int ClampPixel(double p)
{
    const double limit = TeeAxisPixelLimit;
    if (p > limit) return TeeAxisPixelLimit;
    if (p < -limit) return -TeeAxisPixelLimit;
    return RoundNear(p);
}

// The fast mapping rounds the offset first and adds in integers; the sum is formed in 64
// bits (the offset saturates far below their range) and kept to the pixel limit too.
int ClampPixel(int base, int sign, double offset)
{
    const std::int64_t d = std::clamp<std::int64_t>(Round64(offset), -(std::int64_t(1) << 40), std::int64_t(1) << 40);
    return int(std::clamp<std::int64_t>(base + sign * d, -TeeAxisPixelLimit, TeeAxisPixelLimit));
}

}  // namespace

int TChartAxis::XPosValue(double Value) const
{
    if (RangeIsZero) return CenterPos;
    const double d = (Value - InternalMinimum) * PixelsPerUnit;
    return FSettings.Inverted ? ClampPixel(EndPos, -1, d) : ClampPixel(StartPos, 1, d);
}

int TChartAxis::YPosValue(double Value) const
{
    if (RangeIsZero) return CenterPos;
    const double d = (Value - InternalMinimum) * PixelsPerUnit;
    return FSettings.Inverted ? ClampPixel(StartPos, 1, d) : ClampPixel(EndPos, -1, d);
}

int TChartAxis::XPosValueCheck(double Value) const
{
    if (RangeIsZero) return CenterPos;
    const double d = (Value - InternalMinimum) * PixelsPerUnit;
    return ClampPixel(FSettings.Inverted ? EndPos - d : StartPos + d);
}

int TChartAxis::YPosValueCheck(double Value) const
{
    if (RangeIsZero) return CenterPos;
    const double d = (Value - InternalMinimum) * PixelsPerUnit;
    return ClampPixel(FSettings.Inverted ? StartPos + d : EndPos - d);
}

int TChartAxis::DepthPosValue(double Value) const
{
    if (RangeIsZero) return CenterPos;
    return Round((FSettings.Inverted ? InternalMaximum - Value : Value - InternalMinimum) * PixelsPerUnit);
}

int TChartAxis::LogXPosValue(double Value) const
{
    if (LogRange == 0) return CenterPos;
    if (!(Value > 0)) return FSettings.Inverted ? EndPos : StartPos;
    const double t = FSettings.Inverted ? LogMaximum - std::log(Value) : std::log(Value) - LogMinimum;
    return StartPos + Round(t * PixelsPerLogUnit);
}

int TChartAxis::LogYPosValue(double Value) const
{
    if (LogRange == 0) return CenterPos;
    if (!(Value > 0)) return FSettings.Inverted ? StartPos : EndPos;
    const double t = FSettings.Inverted ? LogMaximum - std::log(Value) : std::log(Value) - LogMinimum;
    return EndPos - Round(t * PixelsPerLogUnit);
}

double TChartAxis::CalcPosPoint(int Value) const
{
    if (FSettings.Logarithmic) {
        const bool startIsMax = FSettings.Horizontal == FSettings.Inverted;
        if (Value == StartPos) return startIsMax ? InternalMaximum : InternalMinimum;
        if (Value == EndPos) return startIsMax ? InternalMinimum : InternalMaximum;
        if (LogRange != 0 && AxisSize != 0) {
            const double t =
                (FSettings.Inverted ? double(EndPos) - Value : double(Value) - StartPos) * LogRange / AxisSize;
            return FSettings.Horizontal ? std::exp(LogMinimum + t) : std::exp(LogMaximum - t);
        }
        return InternalMinimum;
    }
    if (AxisSize < 1) return 0;
    const double t = (FSettings.Inverted ? double(EndPos) - Value : double(Value) - StartPos) * Range / AxisSize;
    return FSettings.Horizontal ? InternalMinimum + t : InternalMaximum - t;
}

int TChartAxis::CalcSizeValue(double Value) const
{
    if (!(Value > 0)) return 0;
    if (FSettings.Logarithmic) return LogRange == 0 ? 0 : Round(std::log(Value) * PixelsPerLogUnit);
    return Range == 0 ? 0 : Round(Value * PixelsPerUnit);
}

// ---------------------------------------------------------------- positions

void TChartAxis::InternalCalcPositions()
{
    if (!FParentChart) return;
    int length, start;
    if (IsDepthAxis) {
        length = FParentChart->GetWidth3D();
        start = 0;
    } else if (FSettings.Horizontal) {
        length = FParentChart->GetChartWidth();
        start = FParentChart->GetChartRect().Left;
    } else {
        length = FParentChart->GetChartHeight();
        start = FParentChart->GetChartRect().Top;
    }
    StartPos = start + Round(length * 0.01 * FSettings.StartPosition);
    EndPos = start + Round(length * 0.01 * FSettings.EndPosition);
    RecalcSizeCenter();
}

void TChartAxis::RecalcSizeCenter()
{
    AxisSize = EndPos - StartPos;
    CenterPos = (StartPos + EndPos) / 2;
    InternalCalcRange();
}

int TChartAxis::GetRectangleEdge(const TRect& R) const
{
    if (FSettings.Horizontal) return FSettings.OtherSide ? R.Top : R.Bottom;
    return FSettings.OtherSide ? R.Right : R.Left;
}

int TChartAxis::ApplyPosition(int APos, const TRect& R) const
{
    if (FSettings.PositionPercent == 0) return APos;
    double p = FSettings.PositionPercent;
    if (FSettings.PositionUnits == muPercent)
        p = 0.01 * p * (FSettings.Horizontal ? R.Bottom - R.Top : R.Right - R.Left);
    int d = Round(p);
    if (FSettings.OtherSide) d = -d;
    if (FSettings.Horizontal) d = -d;
    return APos + d;
}

int TChartAxis::CalcZPos() const
{
    if (!FParentChart) return 0;
    const int m = IsDepthAxis ? FParentChart->GetChartHeight() : FParentChart->GetWidth3D();
    return Round(m * FZPosition * 0.01);
}

int TChartAxis::DepthAxisPos() const
{
    if (!FParentChart) return 0;
    const TRect r = FParentChart->GetChartRect();
    return FSettings.OtherSide ? r.Bottom - CalcZPos() : r.Top + CalcZPos();
}

void TChartAxis::CalcRect(TRect& R, bool InflateChartRectangle)
{
    DateTimeMode = IsDateTime();
    const auto shrink = [this, &R](int n) {
        if (FSettings.Horizontal) {
            if (FSettings.OtherSide)
                R.Top += n;
            else
                R.Bottom -= n;
        } else if (FSettings.OtherSide) {
            R.Right -= n;
        } else {
            R.Left += n;
        }
    };
    if (InflateChartRectangle) {
        if (IsDepthAxis) {
            PosTitle = FSettings.OtherSide ? R.Right : R.Left;
        } else if (FTitle->GetVisible() && !FTitle->GetCaption().empty()) {
            shrink(InternalCalcSize(FTitle->GetFont(), FTitle->GetAngle(), FTitle->GetCaption(), FSettings.TitleSize));
            PosTitle = GetRectangleEdge(R);
        }
        if (GetLabels()) {
            shrink(SizeLabels());
            PosLabels = GetRectangleEdge(R);
        }
        const int w = (FParentChart ? FParentChart->CalcWallSize(this) : 0) + SizeTickAxis();
        if (w > 0) shrink(w);
        PosTitle = ApplyPosition(PosTitle, R);
        PosLabels = ApplyPosition(PosLabels, R);
    } else {
        const bool outwardPlus = FSettings.Horizontal != FSettings.OtherSide;  // bottom and right axes
        PosAxis = ApplyPosition(GetRectangleEdge(R), R);
        PosLabels = PosAxis + (outwardPlus ? SizeTickAxis() : -SizeTickAxis());
        PosTitle = PosLabels + (outwardPlus ? SizeLabels() : -SizeLabels());
    }
}

int TChartAxis::InternalCalcSize(TTeeFont* Font, int Angle, const AnsiString& Text, int Size)
{
    if (Size != 0) return Size;
    TCanvas3D* canvas = Canvas();
    if (!canvas) return 0;
    canvas->AssignFont(Font);
    const bool across = FSettings.Horizontal ? (Angle == 0 || Angle == 180) : (Angle == 90 || Angle == 270);
    if (across) return canvas->GetFontHeight();
    return Text.empty() ? MaxLabelsWidth() : canvas->TextWidth(Text);
}
