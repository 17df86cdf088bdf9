#include "chart/series/TCustom3DPaletteSeries.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/SeriesHost.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeProCo.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"
#include "platform/StoredRules.h"

namespace {

int RedOf(TColor c)
{
    return c & 0xFF;
}
int GreenOf(TColor c)
{
    return (c >> 8) & 0xFF;
}
int BlueOf(TColor c)
{
    return (c >> 16) & 0xFF;
}

}  // namespace

TCustom3DPaletteSeries::TCustom3DPaletteSeries(QObject* owner) : TCustom3DSeries(owner)
{
    CalcColorRange();
}

TCustom3DPaletteSeries::~TCustom3DPaletteSeries()
{
    ClearPalette();
}

void TCustom3DPaletteSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TCustom3DPaletteSeries*>(&source); other && other != this) {
        FSettings = other->FSettings;
        FPalette = other->FPalette;
        CalcColorRange();
    }
    TCustom3DSeries::Assign(source);
}

bool TCustom3DPaletteSeries::IsPropertyStored(const char* Name) const
{
    static const TPaletteSettings defaults;
    const TPaletteSettings& s = FSettings;
    const TStoredRule rules[] = {
        {"EndColor", s.EndColor != defaults.EndColor},
        {"MidColor", s.MidColor != defaults.MidColor},
        {"LegendEvery", s.LegendEvery != defaults.LegendEvery},
        {"PaletteMin", s.PaletteMin != defaults.PaletteMin},
        {"PaletteStep", s.PaletteStep != defaults.PaletteStep},
        {"PaletteSteps", s.PaletteSteps != defaults.PaletteSteps},
        {"PaletteStyle", s.PaletteStyle != defaults.PaletteStyle},
        {"StartColor", s.StartColor != defaults.StartColor},
        {"UseColorRange", s.UseColorRange != defaults.UseColorRange},
        {"UsePalette", s.UsePalette != defaults.UsePalette},
        {"UsePaletteMin", s.UsePaletteMin != defaults.UsePaletteMin},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TCustom3DSeries::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- colour range

void TCustom3DPaletteSeries::CalcColorRange()
{
    const auto channel = [this](int (*part)(TColor)) {
        Channel c;
        c.End = part(FSettings.EndColor);
        if (FSettings.MidColor == clNone) {
            c.Span1 = part(FSettings.StartColor) - c.End;
        } else {
            c.Mid = part(FSettings.MidColor);
            c.Span1 = c.Mid - c.End;
            c.Span2 = part(FSettings.StartColor) - c.Mid;
        }
        return c;
    };
    FRed = channel(RedOf);
    FGreen = channel(GreenOf);
    FBlue = channel(BlueOf);
}

TColor TCustom3DPaletteSeries::RangePercent(double percent) const
{
    const auto channel = [&](const Channel& c) {
        int v;
        if (FSettings.MidColor == clNone)
            v = c.End + Round(c.Span1 * percent);
        else if (percent < 0.5)
            v = c.End + Round(c.Span1 * 2 * percent);
        else
            v = c.Mid + Round(c.Span2 * (percent - 0.5) * 2);
        return v & 0xFF;
    };
    return RGB(channel(FRed), channel(FGreen), channel(FBlue));
}

TColor TCustom3DPaletteSeries::GetValueColorValue(double value) const
{
    if (FSettings.UseColorRange) {
        // The range is read when asked, so colours follow the data between draws too.
        const double minimum = FY->MinValue(), maximum = FY->MaxValue();
        const double range = maximum - minimum;
        if (range == 0) return FSettings.EndColor;
        const double t = value - minimum;
        if (t < 0) return FSettings.EndColor;
        if (maximum < value) return FSettings.StartColor;
        return RangePercent(t / range);
    }
    if (FSettings.UsePalette && !FPalette.empty()) return GetSurfacePaletteColor(value);
    return GetSeriesColor();
}

TColor TCustom3DPaletteSeries::GetSurfacePaletteColor(double value) const
{
    // The entries are sorted by their value: the first one above the value.
    const auto it = std::upper_bound(FPalette.begin(), FPalette.end(), value,
                                     [](double v, const TCustom3DPaletteEntry& e) { return v < e.UpToValue; });
    return it == FPalette.end() ? FPalette.back().Color : it->Color;
}

TColor TCustom3DPaletteSeries::GetValueColor(int valueIndex) const
{
    TColor c = InternalColor(valueIndex);
    if (c == clDefault) {
        if (!FColorEachPoint && ShowsColorScale())
            c = GetValueColorValue(FY->Value(valueIndex));
        else
            c = TCustom3DSeries::GetValueColor(valueIndex);
    }
    if (OnGetColor) OnGetColor(const_cast<TCustom3DPaletteSeries*>(this), valueIndex, c);
    return c;
}

// ---------------------------------------------------------------- palette

int TCustom3DPaletteSeries::AddPalette(double value, TColor color)
{
    const auto it = std::upper_bound(FPalette.begin(), FPalette.end(), value,
                                     [](double v, const TCustom3DPaletteEntry& e) { return v < e.UpToValue; });
    const auto at = FPalette.insert(it, TCustom3DPaletteEntry{value, color});
    return static_cast<int>(at - FPalette.begin());
}

void TCustom3DPaletteSeries::CheckPaletteEmpty()
{
    if (Count() > 0 && FPalette.empty()) CreateDefaultPalette(FSettings.PaletteSteps);
}

void TCustom3DPaletteSeries::CreateDefaultPalette(int numSteps)
{
    ClearPalette();
    // Without steps there is nothing to divide the range into.
    if (numSteps < 1) {
        Repaint();
        return;
    }
    numSteps = std::min(numSteps, MaxPaletteSteps);
    const double minimum = FY->MinValue(), maximum = FY->MaxValue();
    const double step =
        FSettings.PaletteStep != 0 ? FSettings.PaletteStep : (maximum - minimum) / std::max(1, numSteps - 1);
    const double base = FSettings.UsePaletteMin ? FSettings.PaletteMin : minimum;
    FPalette.reserve(static_cast<std::size_t>(numSteps));
    if (FSettings.PaletteStyle == psRainbow) {
        // The rainbow's colours one after another, round the palette; the chart's own
        // colour palette is left as it is.
        const int n = static_cast<int>(std::size(RainbowPalette));
        for (int i = 0; i < numSteps; ++i) AddPalette(base + i * step, RainbowPalette[i % n]);
    } else {
        double scale;
        switch (FSettings.PaletteStyle) {
            case psStrong: scale = 2 * std::numbers::pi / numSteps; break;
            case psGrayScale:
            case psInvGray: scale = 255.0 / numSteps; break;
            default: scale = std::numbers::pi / numSteps; break;
        }
        for (int i = 0; i < numSteps; ++i) {
            const double x = i * scale;
            TColor color;
            if (FSettings.PaletteStyle == psGrayScale || FSettings.PaletteStyle == psInvGray) {
                const int g = FSettings.PaletteStyle == psGrayScale ? Round(x) : 255 - Round(x);
                color = RGB(g, g, g);
            } else {
                const auto wave = [](double v) { return static_cast<int>(std::trunc((v + 1) * 127)); };
                color = RGB(wave(std::sin(x / 2.0)), wave(std::sin(x / 1.0)), wave(std::cos(x / 1.0)));
            }
            AddPalette(base + i * step, color);
        }
    }
    Repaint();
}

void TCustom3DPaletteSeries::CreateRangePalette()
{
    ClearPalette();
    const int n = FSettings.PaletteSteps;
    if (n < 1) return;
    const double minimum = FY->MinValue();
    const double range = FY->MaxValue() - minimum;
    if (range == 0) {
        for (int i = 0; i < n; ++i) AddPalette(minimum, FSettings.EndColor);
        return;
    }
    for (int i = 1; i <= n; ++i) AddPalette(minimum + i * range / n, RangePercent(double(i) / n));
}

void TCustom3DPaletteSeries::PaletteSettingChanged()
{
    if (Count() > 0) {
        CreateDefaultPalette(FSettings.PaletteSteps);
    } else {
        ClearPalette();
        Repaint();
    }
}

// ---------------------------------------------------------------- setters

void TCustom3DPaletteSeries::SetRangeColor(TColor& field, TColor value)
{
    SetColorProperty(field, value);
    CalcColorRange();
}

void TCustom3DPaletteSeries::SetUseColorRange(bool value)
{
    SetBooleanProperty(FSettings.UseColorRange, value);
    if (value) TCustom3DSeries::SetColorEachPoint(false);
}

void TCustom3DPaletteSeries::SetUsePalette(bool value)
{
    SetBooleanProperty(FSettings.UsePalette, value);
    if (value) {
        TCustom3DSeries::SetColorEachPoint(false);
        CheckPaletteEmpty();
    }
}

void TCustom3DPaletteSeries::SetPaletteStyle(TTeePaletteStyle value)
{
    if (!StoreChanged(FSettings.PaletteStyle, value)) return;
    // Built again before the next draw.
    ClearPalette();
    Repaint();
}

void TCustom3DPaletteSeries::SetPaletteSteps(int value)
{
    if (value > MaxPaletteSteps)
        throw ChartException("A palette has at most " + IntToStr(MaxPaletteSteps) + " steps, not " + IntToStr(value));
    SetPaletteSetting(FSettings.PaletteSteps, value);
}

void TCustom3DPaletteSeries::Clear()
{
    TCustom3DSeries::Clear();
    if (FSettings.UsePalette) ClearPalette();
}

void TCustom3DPaletteSeries::DoBeforeDrawChart()
{
    TCustom3DSeries::DoBeforeDrawChart();
    CheckPaletteEmpty();
}

// ---------------------------------------------------------------- legend

int TCustom3DPaletteSeries::CountLegendItems()
{
    if (!ShowsColorScale() || Count() == 0) return TCustom3DSeries::CountLegendItems();
    const int n = static_cast<int>(FPalette.size());
    if (FSettings.LegendEvery < 2) return n;
    // Every LegendEvery-th entry from the highest: a partial last group still shows one.
    return (n + FSettings.LegendEvery - 1) / FSettings.LegendEvery;
}

int TCustom3DPaletteSeries::LegendPaletteIndex(int legendIndex) const
{
    return static_cast<int>(FPalette.size()) - std::max(1, FSettings.LegendEvery) * legendIndex - 1;
}

AnsiString TCustom3DPaletteSeries::LegendString(int legendIndex, TLegendTextStyle style)
{
    if (!ShowsColorScale()) return TCustom3DSeries::LegendString(legendIndex, style);
    const int i = LegendPaletteIndex(legendIndex);
    if (legendIndex < 0 || legendIndex >= CountLegendItems() || i < 0) return AnsiString();
    return FormatFloat(GetValueFormat(), FPalette[static_cast<std::size_t>(i)].UpToValue);
}

TColor TCustom3DPaletteSeries::LegendItemColor(int legendIndex) const
{
    const int i = LegendPaletteIndex(legendIndex);
    const bool inside = legendIndex >= 0 && i >= 0 && i < static_cast<int>(FPalette.size());
    if (FSettings.UseColorRange && inside) return GetValueColorValue(FPalette[static_cast<std::size_t>(i)].UpToValue);
    if (FSettings.UsePalette && inside) return FPalette[static_cast<std::size_t>(i)].Color;
    return TCustom3DSeries::LegendItemColor(legendIndex);
}

void TCustom3DPaletteSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (valueIndex != -1 || !FSettings.UseColorRange || !canvas) {
        TCustom3DSeries::DrawLegendShape(valueIndex, rect);
        return;
    }
    canvas->Brush->SetStyle(bsClear);
    canvas->Rectangle(rect);
    TTeeGradient gradient;
    gradient.SetStartColor(FSettings.EndColor);
    gradient.SetMidColor(FSettings.MidColor);
    gradient.SetEndColor(FSettings.StartColor);
    gradient.Draw(canvas, TRect(rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1));
}

// ---------------------------------------------------------------- gallery

void TCustom3DPaletteSeries::PrepareForGallery(bool enabled)
{
    TCustom3DSeries::PrepareForGallery(enabled);
    SetUseColorRange(false);
    Pen()->SetColor(enabled ? clBlack : TColor(0x808080));
    SetUsePalette(enabled);
    SetPaletteStyle(psRainbow);
}

void TCustom3DPaletteSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustom3DSeries::CreateSubGallery(AddSubChart);
    AddSubChart(TeeMsg_ColorRange);
}

void TCustom3DPaletteSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TCustom3DPaletteSeries*>(series);
    if (s && index == 1) {
        s->SetUseColorRange(true);
        s->SetUsePalette(false);
        return;
    }
    TCustom3DSeries::SetSubGallery(series, index);
}

void TCustom3DPaletteSeries::GalleryChanged3D(bool is3D)
{
    auto* panel = dynamic_cast<TCustomTeePanel*>(FParentChart);
    if (!panel) return;
    panel->SetView3D(true);
    TView3DOptions* o = panel->GetView3DOptions();
    o->SetZoom(60);
    o->SetVertOffset(-2);
    o->SetRotation(is3D ? 335 : 0);
    o->SetElevation(is3D ? 340 : 270);
    o->SetPerspective(is3D ? 160 : 0);
}
