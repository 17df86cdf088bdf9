#pragma once
// Vertical bars rising from their origin, and horizontal bars lying along the horizontal
// axis (the same bars with the axes exchanged). TCustomBarSeries draws and hit-tests both;
// each orientation places its marks.
#include "chart/series/TCustomBarSeries.h"

class TBarSeries : public TCustomBarSeries {
    Q_OBJECT
    Q_PROPERTY(int CustomBarWidth READ GetCustomBarSize WRITE SetCustomBarSize)

public:
    Q_INVOKABLE explicit TBarSeries(QObject* owner = nullptr);

    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    bool MoreSameZOrder() const override;
    int InternalCalcMarkLength(int valueIndex) override;
};

class THorizBarSeries : public TCustomBarSeries {
    Q_OBJECT
    Q_PROPERTY(int CustomBarHeight READ GetCustomBarSize WRITE SetCustomBarSize)

public:
    Q_INVOKABLE explicit THorizBarSeries(QObject* owner = nullptr);

    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    int InternalCalcMarkLength(int valueIndex) override;
};
