#pragma once
// Replacing one of a series' further value lists by another list (the list setters of the
// series types): the new list takes the old one's place and name, the old one is freed.
#include "chart/engine/TChartSeries.h"

inline void ReplaceSeriesList(TChartSeries& series, TChartValueList*& member, TChartValueList* value)
{
    if (!value || value == member || series.ValuesList().IndexOf(member) < 0) return;
    series.ReplaceList(member, value);
    member = value;
}
