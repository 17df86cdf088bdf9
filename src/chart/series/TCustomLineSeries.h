#pragma once
// Common base of the series that join their points with a line: it only names the
// element pen of the series as the line's pen.
#include "chart/engine/TChartSeries.h"

class TCustomLineSeries : public TChartSeries {
    Q_OBJECT
    Q_PROPERTY(TChartPen* LinePen READ GetLinePen WRITE SetPen)

public:
    explicit TCustomLineSeries(QObject* owner = nullptr) : TChartSeries(owner) {}

    TChartPen* GetLinePen() const { return Pen(); }
};
