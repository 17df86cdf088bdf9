#pragma once
// Enumerations of the series data model, registered so that stored charts and editors
// carry their identifiers.
#include <QObject>

namespace ChartDataEnums {
Q_NAMESPACE

enum TChartListOrder { loNone, loAscending, loDescending };
Q_ENUM_NS(TChartListOrder)

enum TSeriesGroupActive { gaYes, gaNo, gaSome };
Q_ENUM_NS(TSeriesGroupActive)

enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
Q_ENUM_NS(THorizAxis)

enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };
Q_ENUM_NS(TVertAxis)

enum TSeriesRecalcOption { rOnDelete = 1, rOnModify = 2, rOnInsert = 4, rOnClear = 8 };
Q_DECLARE_FLAGS(TSeriesRecalcOptions, TSeriesRecalcOption)
Q_FLAG_NS(TSeriesRecalcOptions)

enum TSeriesMarksStyle {
    smsValue,
    smsPercent,
    smsLabel,
    smsLabelPercent,
    smsLabelValue,
    smsLegend,
    smsPercentTotal,
    smsLabelPercentTotal,
    smsXValue,
    smsXY
};
Q_ENUM_NS(TSeriesMarksStyle)

enum TFunctionPeriodStyle { psNumPoints, psRange };
Q_ENUM_NS(TFunctionPeriodStyle)

enum TFunctionPeriodAlign { paFirst, paCenter, paLast };
Q_ENUM_NS(TFunctionPeriodAlign)

}  // namespace ChartDataEnums
Q_DECLARE_OPERATORS_FOR_FLAGS(ChartDataEnums::TSeriesRecalcOptions)
using namespace ChartDataEnums;

// Changes a series reports to the series fed from it.
enum TValueEvent { veClear, veAdd, veDelete, veRefresh, veModify };

// Bits of the flags byte of stored point data.
enum TeeFormatFlag : unsigned char { tfNoMandatory = 1, tfColor = 2, tfLabel = 4, tfMarkPosition = 8 };
using TeeFormatFlags = unsigned char;
