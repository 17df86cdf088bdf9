#include "chart/engine/TeePalette.h"

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
