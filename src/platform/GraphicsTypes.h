#pragma once
// Colours, points, sizes and rectangles of the drawing layer, and the enumerations of pens,
// brushes and fonts. TColor is 0x00BBGGRR; values with the high bit set name a system
// colour, resolved from one fixed table (ColorToRGB), so drawing is the same on every
// desktop.
#include <QObject>
#include <cstdint>
#include <string_view>

class QColor;

using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// No colour at all (a series: a null point).
constexpr TColor clNone = 0x1FFFFFFF;
// The owner's default colour.
constexpr TColor clDefault = 0x20000000;

// System colours: the high bit plus the index into the system colour table.
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor SystemColor(int index)
{
    return static_cast<TColor>(0x80000000u | unsigned(index));
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

constexpr TColor RGB(int r, int g, int b)
{
    return TColor((unsigned(r) & 0xFF) | ((unsigned(g) & 0xFF) << 8) | ((unsigned(b) & 0xFF) << 16));
}
constexpr int GetRValue(TColor c)
{
    return int(unsigned(c) & 0xFF);
}
constexpr int GetGValue(TColor c)
{
    return int((unsigned(c) >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c)
{
    return int((unsigned(c) >> 16) & 0xFF);
}

// Resolves a system colour from the fixed table (an index outside it gives black); every
// other value is returned unchanged.
TColor ColorToRGB(TColor color);
// The colour as Qt draws it: resolved, low 24 bits, opaque.
QColor TColorToQColor(TColor color);
// Qt colour (alpha ignored) back to 0x00BBGGRR.
TColor QColorToTColor(const QColor& color);
// The colour a colour identifier ("clRed", "clBtnFace", ...) names, compared with or
// without letter case; false when the name is none of them.
bool IdentToColor(std::string_view name, TColor& color, bool ignoreCase = false);
// 0x00RRGGBB of a resolved colour, as QImage stores it.
std::uint32_t TColorToQRgb(TColor color);
TColor QRgbToTColor(std::uint32_t rgb);

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are one past the last pixel, as in the platform the code was written
// for.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(TPoint tl, TPoint br) : Left(tl.X), Top(tl.Y), Right(br.X), Bottom(br.Y) {}
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int x, int y)
{
    return {x, y};
}
constexpr TRect Rect(int l, int t, int r, int b)
{
    return {l, t, r, b};
}
constexpr TRect Bounds(int l, int t, int w, int h)
{
    return {l, t, l + w, t + h};
}
// The two rectangles' overlap; false (and an empty Result) when they do not overlap.
bool IntersectRect(TRect& Result, const TRect& a, const TRect& b);
void OffsetRect(TRect& r, int dx, int dy);
void InflateRect(TRect& r, int dx, int dy);

// The enumerations are in a namespace of their own so that their identifiers (psSolid,
// bsClear, ...) are known to the meta-object system and stored by name.
namespace gfx {
Q_NAMESPACE

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)

// The sixteen mix modes, in the order of the platform's raster operations R2_BLACK (1) ..
// R2_WHITE (16) as the class library orders them.
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
Q_ENUM_NS(TPenMode)

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
Q_ENUM_NS(TBrushStyle)

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)

// Rendering quality of text (the platform's font quality values).
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };
Q_ENUM_NS(TFontQuality)

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
Q_ENUM_NS(TPixelFormat)
}  // namespace gfx

Q_DECLARE_OPERATORS_FOR_FLAGS(gfx::TFontStyles)

using gfx::TBrushStyle;
using gfx::TFontPitch;
using gfx::TFontQuality;
using gfx::TFontStyle;
using gfx::TFontStyles;
using gfx::TPenMode;
using gfx::TPenStyle;
using gfx::TPixelFormat;
using enum gfx::TBrushStyle;
using enum gfx::TFontPitch;
using enum gfx::TFontQuality;
using enum gfx::TFontStyle;
using enum gfx::TPenMode;
using enum gfx::TPenStyle;
using enum gfx::TPixelFormat;

// Raster operation codes of the mix mode (R2_BLACK = 1 .. R2_WHITE = 16).
enum : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN,
    R2_MASKNOTPEN,
    R2_NOTCOPYPEN,
    R2_MASKPENNOT,
    R2_NOT,
    R2_XORPEN,
    R2_NOTMASKPEN,
    R2_MASKPEN,
    R2_NOTXORPEN,
    R2_NOP,
    R2_MERGENOTPEN,
    R2_COPYPEN,
    R2_MERGEPENNOT,
    R2_MERGEPEN,
    R2_WHITE
};
// The raster operation of a pen mode.
int PenModeToROP2(TPenMode mode);

// Pen description of the platform's extended pens: a style code with end-cap, join and
// type flags.
enum : unsigned {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
    PS_ENDCAP_ROUND = 0x000,
    PS_ENDCAP_SQUARE = 0x100,
    PS_ENDCAP_FLAT = 0x200,
    PS_ENDCAP_MASK = 0xF00,
    PS_JOIN_ROUND = 0x0000,
    PS_JOIN_BEVEL = 0x1000,
    PS_JOIN_MITER = 0x2000,
    PS_JOIN_MASK = 0xF000,
    PS_COSMETIC = 0x00000,
    PS_GEOMETRIC = 0x10000,
    PS_TYPE_MASK = 0xF0000
};

// Background modes of text, hatches and styled lines.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Text alignment flags.
enum : unsigned {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24
};

// Mapping modes.
enum : int { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };
