#include "chart/engine/TeePalette.h"

#include "chart/engine/TCustomChart.h"

namespace {
const TColor kDefaultPalette[] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080, 0xFF00FF,
                                  0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080, 0x800080, 0xC0C0C0,
                                  0xFFFF00, 0x000000, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
}

std::vector<TColor> ColorPalette(std::begin(kDefaultPalette), std::end(kDefaultPalette));

TColor GetDefaultColor(int Index)
{
    const TColor* palette = ColorPalette.data();
    int n = static_cast<int>(ColorPalette.size());
    if (n == 0) {
        palette = kDefaultPalette;
        n = static_cast<int>(std::size(kDefaultPalette));
    }
    int i = Index % n;
    if (i < 0) i += n;
    return palette[i];
}

void SetDefaultColorPalette()
{
    ColorPalette.assign(std::begin(kDefaultPalette), std::end(kDefaultPalette));
}

void SetDefaultColorPalette(const TColor* Palette, int High)
{
    if (!Palette || High <= 0) {
        SetDefaultColorPalette();
        return;
    }
    ColorPalette.assign(Palette, Palette + High + 1);
}

// ---------------------------------------------------------------- named palettes

const TColor ExcelPalette[22] = {0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC,
                                 0x800000, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000,
                                 0xFFCC00, 0xFFFFCC, 0xCCFFCC, 0x00FFFF, 0xFFCC99, 0xCC99FF};
const TColor VictorianPalette[11] = {0xA1A55D, 0x3153C4, 0x0996E7, 0x4AE8F6, 0xA7A2B1, 0x84A7C9,
                                     0x51798C, 0xB7CDD8, 0x536508, 0x7BD8F7, 0x846401};
const TColor PastelsPalette[14] = {0xFFFFCC, 0xCCFFFF, 0xFFCCCC, 0xCCCC00, 0xCCCCCC, 0x999900, 0x999999,
                                   0xCCCCFF, 0x66CCFF, 0xFFCCCC, 0x9999FF, 0x99FFFF, 0xFFCC99, 0xCCFFCC};
const TColor SolidPalette[8] = {0xFF0000, 0x0000FF, 0x00FF00, 0x00CCFF, 0x404040, 0x00FFFF, 0xC000FF, 0xFFFFFF};
const TColor ClassicPalette[12] = {0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF,
                                   0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080};
const TColor WebPalette[9] = {0x00A5FF, 0xCE0000, 0x00CE00, 0x40FFFF, 0xFFFF40, 0xFF40FF, 0x0040FF, 0xA58080, 0x408080};
const TColor ModernPalette[14] = {0x6699FF, 0x6666FF, 0xFFCC99, 0x669966, 0x99CCCC, 0xCC6699, 0x6666CC,
                                  0x99CCFF, 0xFF6699, 0xCCCCCC, 0xCCFF66, 0xFF9966, 0x996699, 0xFFCCCC};
const TColor RainbowPalette[25] = {0x000099, 0x0000C3, 0x0000EE, 0x001AFF, 0x0046FF, 0x0073FF, 0x009FFF,
                                   0x00CBFF, 0x00F7FF, 0x08F4E3, 0x11E7C3, 0x1BDAA3, 0x25CD83, 0x2EC063,
                                   0x38B342, 0x42A622, 0x4B9A02, 0x6A870C, 0x8A751A, 0xAA6328, 0xCB5036,
                                   0xEB3E44, 0xFF2A61, 0xFF1596, 0xFF00CC};
const TColor WindowsXPPalette[13] = {0xFE9B82, 0x24D1FC, 0x0DBC7C, 0x2F85FD, 0xFCFEFD, 0x214EE2, 0xD63829,
                                     0x0094B7, 0x00865A, 0x0046D2, 0xFAE5D3, 0xD8D8D8, 0x7B715F};

namespace {
template <std::size_t N>
void ApplyArray(TCustomAxisPanel* Chart, const TColor (&Palette)[N])
{
    TColorPalettes::ApplyPalette(Chart, Palette, static_cast<int>(N) - 1);
}
}  // namespace

void TColorPalettes::ApplyPalette(TCustomChart* Chart, int Index)
{
    switch (Index) {
        case 1: ApplyArray(Chart, ExcelPalette); break;
        case 2: ApplyArray(Chart, VictorianPalette); break;
        case 3: ApplyArray(Chart, PastelsPalette); break;
        case 4: ApplyArray(Chart, SolidPalette); break;
        case 5: ApplyArray(Chart, ClassicPalette); break;
        case 6: ApplyArray(Chart, WebPalette); break;
        case 7: ApplyArray(Chart, ModernPalette); break;
        case 8: ApplyArray(Chart, RainbowPalette); break;
        case 9: ApplyArray(Chart, WindowsXPPalette); break;
        default: ApplyPalette(Chart, nullptr, -1); break;
    }
    Chart->ColorPaletteIndex = Index;
}

void TColorPalettes::ApplyPalette(TCustomAxisPanel* Chart, const TColor* Palette, int High)
{
    if (Palette && High >= 0)
        Chart->ColorPalette.assign(Palette, Palette + High + 1);
    else
        Chart->ColorPalette.clear();
    Chart->ColorPaletteChanged();
}

TColorPalettes& ColorPalettes()
{
    static TColorPalettes list{
        {"DodUdudu", "Excel", "Victorian", "Pastels", "Solid", "Classic", "Web", "Modern", "Rainbow", "Win. XP"}};
    return list;
}

TChartTheme::TChartTheme(TCustomChart* Chart) : FChart(Chart) {}
