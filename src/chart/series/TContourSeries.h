#pragma once
// Iso-lines of a grid's Y values: for each level the lines along which the surface crosses
// the level's value, traced cell by cell, joined into polylines and drawn flat on a 2D
// chart (X across, Z up) or in 3D at a chosen height. Levels are made evenly over the Y
// range, or edited by the user.
#include <deque>
#include <functional>
#include <vector>

#include "chart/series/TCustom3DGridSeries.h"
#include "chart/series/TSmoothPoints.h"
#include "platform/TCollection.h"

class TContourSeries;
class TContourLevels;

// A point of a contour line in axis values.
struct TLevelPoint {
    double X = 0;
    double Z = 0;
};
struct TLevelSegment {
    std::deque<TLevelPoint> Points;
};
using TLevelSegments = std::vector<TLevelSegment>;

class TContourLevel : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(TChartPen* Pen READ GetPen WRITE SetPen)
    Q_PROPERTY(double UpToValue READ GetUpToValue WRITE SetUpToValue)

public:
    explicit TContourLevel(TCollection* collection = nullptr);
    ~TContourLevel() override;

    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TContourSeries* Series() const { return FSeries; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    // The level's own pen, made in its colour on first use.
    TChartPen* GetPen();
    bool HasPen() const { return FPen != nullptr; }
    // None frees the level's pen: the series pen draws it again.
    void SetPen(TChartPen* value);
    // The level's own pen, else the series pen.
    TChartPen* InternalPen() const;
    double GetUpToValue() const { return FUpToValue; }
    void SetUpToValue(double value);

    TLevelSegments& Segments() { return FSegments; }
    const TLevelSegments& Segments() const { return FSegments; }
    int SegmentCount() const { return static_cast<int>(FSegments.size()); }
    void ClearSegments() { FSegments.clear(); }
    // The screen points of a polyline: X on the series' horizontal axis, Z on GetZAxis.
    std::vector<TPoint> GetSegmentPoints(int segmentIndex) const;
    bool ClickedSegment(int x, int y, int& pointIndex, int segmentIndex) const;
    bool Clicked(int x, int y, int& pointIndex, int& segmentIndex) const;

    // Set without turning the levels into manual ones (the series' own generation).
    void InternalSet(double value, TColor color)
    {
        FUpToValue = value;
        FColor = color;
    }

private:
    void UserChanged();

    TContourSeries* FSeries = nullptr;
    TColor FColor = clBlack;
    TChartPen* FPen = nullptr;
    double FUpToValue = 0;
    TLevelSegments FSegments;
};

class TContourLevels : public TCollection {
    Q_OBJECT
public:
    explicit TContourLevels(TContourSeries* series);

    TCollectionItem* Add() override { return new TContourLevel(this); }
    TContourLevel* Items(int index) const { return static_cast<TContourLevel*>(Item(index)); }
    void SetItem(int index, TContourLevel* value) { Items(index)->Assign(value); }
    TContourSeries* Series() const { return FSeries; }
    // The first level with a polyline piece under (x, y), or -1.
    int Clicked(int x, int y, int& pointIndex, int& segmentIndex) const;

private:
    TContourSeries* FSeries;
};

using TOnBeforeDrawLevelEvent = std::function<void(TContourSeries* Sender, int LevelIndex)>;
using TOnGetLevelEvent = std::function<void(TContourSeries* Sender, int LevelIndex, double& Value, TColor& Color)>;

// The stored values of a contour series with their defaults.
struct TContourSettings {
    bool AutomaticLevels = true;
    int NumLevels = 10;
    double YPosition = 0;
    bool YPositionLevel = false;
};

class TContourSeries : public TCustom3DGridSeries {
    Q_OBJECT
    Q_PROPERTY(bool AutomaticLevels READ GetAutomaticLevels WRITE SetAutomaticLevels)
    Q_PROPERTY(TContourLevels* Levels READ GetLevels WRITE SetLevels)
    Q_PROPERTY(int NumLevels READ GetNumLevels WRITE SetNumLevels)
    Q_PROPERTY(TSmoothPoints* Smoothing READ GetSmoothing WRITE SetSmoothing)
    Q_PROPERTY(double YPosition READ GetYPosition WRITE SetYPosition)
    Q_PROPERTY(bool YPositionLevel READ GetYPositionLevel WRITE SetYPositionLevel)

public:
    // The most automatic levels a contour series makes.
    static constexpr int MaxLevels = 10000;

    Q_INVOKABLE explicit TContourSeries(QObject* owner = nullptr);
    ~TContourSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TContourSeriesEditor"; }
    void DoBeforeDrawChart() override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawAllValues() override;
    void SetSubGallery(TChartSeries* series, int index) override;
    int CountLegendItems() override;
    TColor LegendItemColor(int legendIndex) const override;
    AnsiString LegendString(int legendIndex, TLegendTextStyle style) override;
    double MaxYValue() override;
    double MinYValue() override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    void PrepareForGallery(bool enabled) override;
    bool IsPropertyStored(const char* Name) const override;

    // NumLevels levels from the Y minimum in equal steps over the Y range.
    void CreateAutoLevels();
    void ClearAutoLevels();
    // The depth axis in 3D, the vertical axis in 2D.
    TChartAxis* GetZAxis() const;
    // While the series makes or clears its own levels, level changes keep them automatic.
    bool InternalChange() const { return FInternalChange; }
    // Adds the piece (a, b) of a contour line to the level's polylines, joining it to a
    // polyline that ends within 0.001 of it.
    static void AddPiece(TLevelSegments& segments, const TLevelPoint& a, const TLevelPoint& b);

    TOnBeforeDrawLevelEvent OnBeforeDrawLevel;
    TOnGetLevelEvent OnGetLevel;

    bool GetAutomaticLevels() const { return FSettings.AutomaticLevels; }
    void SetAutomaticLevels(bool value);
    TContourLevels* GetLevels() const { return FLevels; }
    void SetLevels(TContourLevels* value);
    int GetNumLevels() const;
    // Raises ChartException above MaxLevels and keeps the old number.
    void SetNumLevels(int value);
    TSmoothPoints* GetSmoothing() const { return FSmoothing; }
    void SetSmoothing(TSmoothPoints* value) { FSmoothing->Assign(value); }
    double GetYPosition() const { return FSettings.YPosition; }
    void SetYPosition(double value) { SetDoubleProperty(FSettings.YPosition, value); }
    bool GetYPositionLevel() const { return FSettings.YPositionLevel; }
    void SetYPositionLevel(bool value) { SetBooleanProperty(FSettings.YPositionLevel, value); }

private:
    struct TLevelDraw {
        double Value = 0;
        TColor Color = clBlack;
        TChartPen* Pen = nullptr;
    };
    void TraceCell(TLevelSegments& segments, const double h[5], const double xs[5], const double zs[5]);
    void DrawLevels(const std::vector<TLevelDraw>& table);

    TContourSettings FSettings;
    TContourLevels* FLevels;
    TSmoothPoints* FSmoothing;
    bool FInternalChange = false;
};
