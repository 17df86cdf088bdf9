#pragma once
// Chart classes that chart files may name for their chart; they add nothing to TChart.
#include "chart/engine/TCustomChart.h"

class TChartChart : public TChart {
    Q_OBJECT
public:
    using TChart::TChart;
};

class TODBCChart : public TChartChart {
    Q_OBJECT
public:
    using TChartChart::TChartChart;
};
