#pragma once
// Enumerations of the shape, palette and tower series, registered so that stored charts
// carry their identifiers.
#include <QObject>

namespace ExtraSeriesEnums {
Q_NAMESPACE

// How the default palette of a palette series makes its colours.
enum TTeePaletteStyle { psPale, psStrong, psGrayScale, psInvGray, psRainbow };
Q_ENUM_NS(TTeePaletteStyle)

// The solid a tower series stands on each grid cell.
enum TTowerStyle { tsCube, tsRectangle, tsCover, tsCylinder, tsArrow, tsCone, tsPyramid, tsSlantCube };
Q_ENUM_NS(TTowerStyle)

// The figure a shape series draws.
enum TChartShapeStyle {
    chasRectangle,
    chasCircle,
    chasVertLine,
    chasHorizLine,
    chasTriangle,
    chasInvertTriangle,
    chasLine,
    chasDiamond,
    chasCube,
    chasCross,
    chasDiagCross,
    chasStar,
    chasPyramid,
    chasInvertPyramid
};
Q_ENUM_NS(TChartShapeStyle)

// How a shape's corners are read: chart pixels, axis values, or the first corner in axis
// values and the size in pixels.
enum TChartShapeXYStyle { xysPixels, xysAxis, xysAxisOrigin };
Q_ENUM_NS(TChartShapeXYStyle)

// Vertical placement of a block of text lines.
enum TTeeVertAlign { vaTop, vaCenter, vaBottom };
Q_ENUM_NS(TTeeVertAlign)

}  // namespace ExtraSeriesEnums

using ExtraSeriesEnums::TChartShapeStyle;
using ExtraSeriesEnums::TChartShapeXYStyle;
using ExtraSeriesEnums::TTeePaletteStyle;
using ExtraSeriesEnums::TTeeVertAlign;
using ExtraSeriesEnums::TTowerStyle;
using enum ExtraSeriesEnums::TTeePaletteStyle;
using enum ExtraSeriesEnums::TTowerStyle;
using enum ExtraSeriesEnums::TChartShapeStyle;
using enum ExtraSeriesEnums::TChartShapeXYStyle;
using enum ExtraSeriesEnums::TTeeVertAlign;
