#include "chart/engine/TeCanvasTypes.h"

#include <algorithm>

bool IsWindowsNT = true;
bool TeeCheckPenWidth = false;
std::uint8_t DarkerColorQuantity = 128;
std::uint8_t DarkColorQuantity = 64;
int TeeNumCylinderSides = 16;
int TeeDefaultConePercent = 0;
int GetDefaultFontSize = 8;
AnsiString GetDefaultFontName = "Arial";
std::uint8_t TeeFontAntiAlias = 4;

TColor ApplyDark(TColor Color, std::uint8_t Quantity)
{
    const TColor c = ColorToRGB(Color);
    auto dark = [Quantity](int v) { return Quantity < v ? v - Quantity : 0; };
    return RGB(dark(GetRValue(c)), dark(GetGValue(c)), dark(GetBValue(c)));
}

TColor ApplyBright(TColor Color, std::uint8_t Quantity)
{
    const TColor c = ColorToRGB(Color);
    auto bright = [Quantity](int v) { return std::min(255, v + Quantity); };
    return RGB(bright(GetRValue(c)), bright(GetGValue(c)), bright(GetBValue(c)));
}
