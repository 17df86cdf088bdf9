#pragma once
// Enumerations of the standard series, registered so that stored charts carry their
// identifiers.
#include <QObject>

namespace SeriesEnums {
Q_NAMESPACE

// Stacking of a series with the series of its class before it in the chart.
enum TCustomSeriesStack { cssNone, cssOverlap, cssStack, cssStack100 };
Q_ENUM_NS(TCustomSeriesStack)

// The stacking of area series as the user chooses it.
enum TMultiArea { maNone, maStacked, maStacked100 };
Q_ENUM_NS(TMultiArea)

}  // namespace SeriesEnums

using SeriesEnums::TCustomSeriesStack;
using SeriesEnums::TMultiArea;
using enum SeriesEnums::TCustomSeriesStack;
using enum SeriesEnums::TMultiArea;
