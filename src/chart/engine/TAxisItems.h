#pragma once
// The framed box settings of axis labels and titles, the custom labels of an axis
// (TAxisItem) and their list (TAxisItems).
#include <vector>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TeeFont.h"
#include "platform/AnsiString.h"
#include "platform/TPersistent.h"

class IAxisHost;
class TCanvas3D;
class TChartAxis;

// Font, fill and frame of a label box. A transparent box draws nothing but its text.
class TAxisLabelShape : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TChartBrush* Brush READ Brush WRITE SetBrush)
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(TTeeFont* Font READ GetFont WRITE SetFont)
    Q_PROPERTY(TChartPen* Frame READ Pen WRITE SetPen)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)

public:
    explicit TAxisLabelShape(IAxisHost* chart, QObject* parent = nullptr);

    IAxisHost* ParentChart() const { return FParentChart; }
    void SetParentChart(IAxisHost* chart) { FParentChart = chart; }

    TChartBrush* Brush() const { return FBrush; }
    void SetBrush(TChartBrush* value) { FBrush->Assign(value); }
    TChartPen* Pen() const { return FPen; }
    void SetPen(TChartPen* value) { FPen->Assign(value); }
    TTeeFont* GetFont() const { return FFont; }
    void SetFont(TTeeFont* value) { FFont->Assign(value); }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    // Transparent is stored only when it differs from this.
    bool DefaultTransparent = false;

    // Where the box is drawn.
    TRect ShapeBounds;
    // Fills and frames Rect turned by Angle degrees about its centre, at depth Z; nothing
    // when transparent.
    void DrawRectRotated(TCanvas3D* Canvas, const TRect& Rect, int Angle, int Z);

    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

protected:
    void Repaint();

    IAxisHost* FParentChart;
    TChartBrush* FBrush;
    TChartPen* FPen;
    TTeeFont* FFont;
    TColor FColor = clWhite;
    bool FTransparent = false;
    bool FVisible = true;
};

class TAxisItems;

// One custom label of an axis: a value and its text (the value's label when empty).
class TAxisItem : public TAxisLabelShape {
    Q_OBJECT
    Q_PROPERTY(AnsiString Text READ GetText WRITE SetText)
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)

public:
    TAxisItem(TAxisItems* owner, IAxisHost* chart);

    TAxisItems* Owner() const { return FOwner; }
    const AnsiString& GetText() const { return FText; }
    void SetText(const AnsiString& value);
    double GetValue() const { return FValue; }
    void SetValue(double value);
    // Text without a repaint, for building the list.
    void InitText(const AnsiString& value) { FText = value; }

private:
    TAxisItems* FOwner;
    AnsiString FText;
    double FValue = 0;
};

// The custom labels of an axis, owned, with their common format (font, frame and the
// visibility of the axis' labels).
class TAxisItems {
public:
    explicit TAxisItems(TChartAxis* axis);
    ~TAxisItems();
    TAxisItems(const TAxisItems&) = delete;
    TAxisItems& operator=(const TAxisItems&) = delete;

    TChartAxis* Axis() const { return FAxis; }
    TAxisLabelShape* Format() const { return FFormat; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TAxisItem* Get(int index) const;
    TAxisItem* operator[](int index) const { return Get(index); }
    TAxisItem* Add(double value);
    TAxisItem* Add(double value, const AnsiString& text);
    // Takes the source's format and replaces every item by a copy of the source's.
    void CopyFrom(const TAxisItems& source);
    // Frees every item and repaints the chart.
    void Clear();

private:
    void Invalidate();

    TChartAxis* FAxis;
    TAxisLabelShape* FFormat;
    std::vector<TAxisItem*> FItems;
};
