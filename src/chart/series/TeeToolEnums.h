#pragma once
// Enumerations of the chart tools, registered so that stored charts carry their
// identifiers.
#include <QObject>

namespace ToolEnums {
Q_NAMESPACE

// Which lines a cursor tool shows.
enum TCursorToolStyle { cssHorizontal, cssVertical, cssBoth };
Q_ENUM_NS(TCursorToolStyle)

// One segment, or two parallel segments through the start and end points.
enum TDrawLineStyle { dlLine, dlHorizParallel, dlVertParallel };
Q_ENUM_NS(TDrawLineStyle)

// The shape that marks the nearest point.
enum TNearestToolStyle { hsNone, hsCircle, hsRectangle, hsDiamond };
Q_ENUM_NS(TNearestToolStyle)

// When a marks tip shows: on hover or on a click.
enum TMarkToolMouseAction { mtmMove, mtmClick };
Q_ENUM_NS(TMarkToolMouseAction)

// Arrows at the start, the end or both ends of an axis.
enum TAxisArrowToolPosition { aaStart, aaEnd, aaBoth };
Q_ENUM_NS(TAxisArrowToolPosition)

// What the rotate tool changes.
enum TRotateToolStyles { rsAll, rsRotation, rsElevation };
Q_ENUM_NS(TRotateToolStyles)

// The chart corner of an annotation without a custom position.
enum TAnnotationPosition { ppLeftTop, ppLeftBottom, ppRightTop, ppRightBottom };
Q_ENUM_NS(TAnnotationPosition)

// One pass, forward passes until stopped, or passes alternating direction until stopped.
enum TSeriesAnimationLoop { salNo, salOneWay, salCircular };
Q_ENUM_NS(TSeriesAnimationLoop)

}  // namespace ToolEnums

using ToolEnums::TAnnotationPosition;
using ToolEnums::TAxisArrowToolPosition;
using ToolEnums::TCursorToolStyle;
using ToolEnums::TDrawLineStyle;
using ToolEnums::TMarkToolMouseAction;
using ToolEnums::TNearestToolStyle;
using ToolEnums::TRotateToolStyles;
using ToolEnums::TSeriesAnimationLoop;
using enum ToolEnums::TAnnotationPosition;
using enum ToolEnums::TAxisArrowToolPosition;
using enum ToolEnums::TCursorToolStyle;
using enum ToolEnums::TDrawLineStyle;
using enum ToolEnums::TMarkToolMouseAction;
using enum ToolEnums::TNearestToolStyle;
using enum ToolEnums::TRotateToolStyles;
using enum ToolEnums::TSeriesAnimationLoop;
