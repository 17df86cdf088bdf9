#pragma once
// Types and library settings shared by the chart canvas and its drawing settings.
#include <QObject>
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/ScopedValue.h"

// Enumerations stored by name in chart files.
namespace teecanvas {
Q_NAMESPACE

// End and join style of pens at least 2 pixels wide.
enum TPenEndStyle { esRound, esSquare, esFlat };
Q_ENUM_NS(TPenEndStyle)

// Ordinals 1 and 2 are the platform's background modes (transparent, opaque).
enum TCanvasBackMode { cbmNone, cbmTransparent, cbmOpaque };
Q_ENUM_NS(TCanvasBackMode)

enum TGradientDirection {
    gdTopBottom,
    gdBottomTop,
    gdLeftRight,
    gdRightLeft,
    gdFromCenter,
    gdFromTopLeft,
    gdFromBottomLeft,
    gdRadial,
    gdDiagonalUp,
    gdDiagonalDown
};
Q_ENUM_NS(TGradientDirection)

enum TTeeCanvasSurfaceStyle { tcsSolid, tcsWire, tcsDot };
Q_ENUM_NS(TTeeCanvasSurfaceStyle)
}  // namespace teecanvas

using teecanvas::TCanvasBackMode;
using teecanvas::TGradientDirection;
using teecanvas::TPenEndStyle;
using teecanvas::TTeeCanvasSurfaceStyle;
using enum teecanvas::TCanvasBackMode;
using enum teecanvas::TGradientDirection;
using enum teecanvas::TPenEndStyle;
using enum teecanvas::TTeeCanvasSurfaceStyle;

struct TPoint3D {
    int X = 0;
    int Y = 0;
    int Z = 0;
    friend constexpr bool operator==(const TPoint3D&, const TPoint3D&) = default;
};

// Transparency in percent, 0..100.
using TTeeTransparency = int;

// Library settings a program may change at start.
// The platform has the NT family's drawing abilities (geometric pens, world mapping).
extern bool IsWindowsNT;
// Styled pens of width 1 are drawn with width 0 (one device pixel) when set.
extern bool TeeCheckPenWidth;
// Darkening of strongly and lightly shaded faces of solids.
extern std::uint8_t DarkerColorQuantity;
extern std::uint8_t DarkColorQuantity;
// Side faces of cylinders and cones (at least 1).
extern int TeeNumCylinderSides;
// Sets TeeNumCylinderSides for one drawing call (a slant cube is a cylinder of four sides).
class TCylinderSidesScope : public TScopedValue<int> {
public:
    explicit TCylinderSidesScope(int Sides) : TScopedValue(TeeNumCylinderSides, Sides) {}
};
// Cone top size used when a caller passes 0.
extern int TeeDefaultConePercent;
// Default chart font, from the library texts when the engine starts.
extern int GetDefaultFontSize;
extern AnsiString GetDefaultFontName;
// Font quality of rotated text (4: antialiased).
extern std::uint8_t TeeFontAntiAlias;
// pi / 180.
constexpr double TeePiStep = 0.017453292519943295;

// Darkens each channel of the colour (system colours resolved) by Quantity, not below 0.
TColor ApplyDark(TColor Color, std::uint8_t Quantity);
// Brightens each channel by Quantity, not above 255.
TColor ApplyBright(TColor Color, std::uint8_t Quantity);
