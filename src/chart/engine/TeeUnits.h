#pragma once
// Units of sizes and positions that may be given in percent or in pixels (panel margins,
// axis positions).
#include <QObject>

namespace teeunits {
Q_NAMESPACE
enum TTeeUnits { muPercent, muPixels };
Q_ENUM_NS(TTeeUnits)
}  // namespace teeunits

using teeunits::TTeeUnits;
using enum teeunits::TTeeUnits;
