#pragma once
// The library's colour palette: the colours series take one after another.
#include <vector>

#include "platform/GraphicsTypes.h"

extern std::vector<TColor> ColorPalette;

// The palette entry for Index, counted round the palette (negative indexes from the
// end); an empty palette answers from the default one.
TColor GetDefaultColor(int Index);
// The 20 default colours.
void SetDefaultColorPalette();
// A copy of Palette[0..High]; High = 0 (or an empty palette) restores the defaults.
void SetDefaultColorPalette(const TColor* Palette, int High);
