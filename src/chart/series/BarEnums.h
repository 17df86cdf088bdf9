#pragma once
// Enumerations of the bar series, registered so that stored charts carry their identifiers.
#include <QObject>

namespace BarEnums {
Q_NAMESPACE

// Shape of one bar.
enum TBarStyle {
    bsRectangle,
    bsPyramid,
    bsInvPyramid,
    bsCilinder,
    bsEllipse,
    bsArrow,
    bsRectGradient,
    bsCone,
    bsBevel,
    bsSlantCube,
    bsDiamond,
    bsInvArrow,
    bsInvCone
};
Q_ENUM_NS(TBarStyle)

// How the bar series of one class in a chart are arranged.
enum TMultiBar { mbNone, mbSide, mbStacked, mbStacked100, mbSideAll, mbSelfStack };
Q_ENUM_NS(TMultiBar)

}  // namespace BarEnums

using BarEnums::TBarStyle;
using BarEnums::TMultiBar;
using enum BarEnums::TBarStyle;
using enum BarEnums::TMultiBar;
