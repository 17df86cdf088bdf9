#pragma once
// Vertical bars rising from their origin, and horizontal bars lying along the horizontal
// axis (the same bars with the axes exchanged).
#include "chart/series/TCustomBarSeries.h"

class TBarSeries : public TCustomBarSeries {
    Q_OBJECT
    Q_PROPERTY(int CustomBarWidth READ GetCustomBarSize WRITE SetCustomBarSize)

public:
    Q_INVOKABLE explicit TBarSeries(QObject* owner = nullptr);

    void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
    void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void DrawValue(int valueIndex) override;
    bool MoreSameZOrder() const override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    int CalcXPos(int valueIndex) const override;
    int CalcYPos(int valueIndex) const override;
    bool DrawSeriesForward(int valueIndex) const override;
    int InternalCalcMarkLength(int valueIndex) override;
    bool InternalClicked(int valueIndex, const TPoint& p) override;
    void DrawTickLine(int y, TBarStyle style) override;

    virtual void DrawBar(int valueIndex, int startPos, int endPos);
    int GetOriginPos(int valueIndex) const;
    void CalcBarBounds(int valueIndex);
};

class THorizBarSeries : public TCustomBarSeries {
    Q_OBJECT
    Q_PROPERTY(int CustomBarHeight READ GetCustomBarSize WRITE SetCustomBarSize)

public:
    Q_INVOKABLE explicit THorizBarSeries(QObject* owner = nullptr);

    void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
    void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void DrawValue(int valueIndex) override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    int CalcXPos(int valueIndex) const override;
    int CalcYPos(int valueIndex) const override;
    bool DrawSeriesForward(int valueIndex) const override;
    int InternalCalcMarkLength(int valueIndex) override;
    bool InternalClicked(int valueIndex, const TPoint& p) override;
    void DrawTickLine(int x, TBarStyle style) override;

    virtual void DrawBar(int valueIndex, int startPos, int endPos);
    int GetOriginPos(int valueIndex) const;
};
