#pragma once
// The library's colour palette: the colours series take one after another; the named
// palettes a chart can be given, and the chart theme base.
#include <functional>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/TPersistent.h"

extern std::vector<TColor> ColorPalette;

// The palette entry for Index, counted round the palette (negative indexes from the
// end); an empty palette answers from the default one.
TColor GetDefaultColor(int Index);
// The 20 default colours.
void SetDefaultColorPalette();
// A copy of Palette[0..High]; High = 0 (or an empty palette) restores the defaults.
void SetDefaultColorPalette(const TColor* Palette, int High);

// ---- The named palettes a chart can take.

class TCustomAxisPanel;
class TCustomChart;

extern const TColor ExcelPalette[22];
extern const TColor VictorianPalette[11];
extern const TColor PastelsPalette[14];
extern const TColor SolidPalette[8];
extern const TColor ClassicPalette[12];
extern const TColor WebPalette[9];
extern const TColor ModernPalette[14];
extern const TColor RainbowPalette[25];
extern const TColor WindowsXPPalette[13];

// The palette names editors show; the index is the palette number, 0 the default.
class TColorPalettes : public std::vector<AnsiString> {
public:
    // 1..9 the named palettes; 0 and any other number the default colours. The chart
    // keeps Index as its ColorPaletteIndex.
    static void ApplyPalette(TCustomChart* Chart, int Index);
    // The chart's palette becomes Palette[0..High] (empty for High = -1); the series
    // without a colour of their own take new ones.
    static void ApplyPalette(TCustomAxisPanel* Chart, const TColor* Palette, int High);
};

TColorPalettes& ColorPalettes();

// A look a chart can be given; descendants set the chart up in Apply.
class TChartTheme : public TPersistent {
    Q_OBJECT
public:
    explicit TChartTheme(TCustomChart* Chart);
    virtual void Apply() {}
    virtual AnsiString Description() const { return "Default"; }
    TCustomChart* Chart() const { return FChart; }

protected:
    TCustomChart* FChart;
};

// A theme class: makes the theme of that class for a chart.
using TChartThemeClass = std::function<std::unique_ptr<TChartTheme>(TCustomChart* Chart)>;
