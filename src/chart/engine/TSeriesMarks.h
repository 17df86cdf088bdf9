#pragma once
// The marks of a series: common settings, per-point overrides (items), the remembered
// positions of drawn or user-moved marks, the callout arrow and the colour symbol. Marks,
// items and symbol are framed shapes drawn on the series' chart panel.
#include <QObject>
#include <memory>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TTeeCustomShape.h"
#include "platform/GraphicsTypes.h"

class IChartHost;
class TChartSeries;

class TSeriesMarkPosition {
public:
    TPoint ArrowFrom;
    bool ArrowFix = false;
    TPoint ArrowTo;
    bool Custom = false;
    int Height = 0;
    TPoint LeftTop;
    int Width = 0;

    // Copies the geometry, not ArrowFix or Custom.
    void Assign(const TSeriesMarkPosition& source);
    TRect Bounds() const { return TRect(LeftTop.X, LeftTop.Y, LeftTop.X + Width, LeftTop.Y + Height); }
};

// Positions by point index; entries may be empty.
class TSeriesMarksPositions {
public:
    explicit TSeriesMarksPositions(const TChartSeries* series = nullptr) : FSeries(series) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    // Extends with empty entries up to index, creates the entry, sets Custom, copies.
    // With a series, indexes beyond its points are ignored.
    void Put(int index, const TSeriesMarkPosition& position);
    // The entry, or none beyond the list or for an empty entry.
    TSeriesMarkPosition* Get(int index) const;
    TSeriesMarkPosition* operator[](int index) const { return Get(index); }
    void Automatic(int index);
    void Clear() { FItems.clear(); }
    bool ExistCustom() const;
    // Stores a copy (Custom included) at the end; empty entry for none.
    void Append(const TSeriesMarkPosition* position);
    void Delete(int index);
    void DeleteRange(int start, int quantity);

private:
    const TChartSeries* FSeries;
    std::vector<std::unique_ptr<TSeriesMarkPosition>> FItems;
};

// The gradient of marks: right to left from silver to white.
class TSeriesMarksGradient : public TTeeGradient {
    Q_OBJECT
public:
    TSeriesMarksGradient();
    bool IsPropertyStored(const char* Name) const override;
};

// Per-point settings of one mark: a framed shape in the mark colour with a small grey
// shadow.
class TMarksItem : public TTeeCustomShape {
    Q_OBJECT
public:
    explicit TMarksItem(TCustomTeePanel* chart = nullptr, QObject* owner = nullptr);
    bool IsPropertyStored(const char* Name) const override;

protected:
    void InitShadow(TTeeShadow* AShadow) override;
    TTeeGradient* NewGradient() override { return new TSeriesMarksGradient; }
};

// The colour symbol drawn beside a mark's text.
class TSeriesMarksSymbol : public TTeeCustomShape {
    Q_OBJECT
public:
    explicit TSeriesMarksSymbol(TCustomTeePanel* chart = nullptr);
    bool ShouldDraw() const { return GetVisible() && !GetTransparent(); }
    bool IsPropertyStored(const char* Name) const override;

protected:
    void InitShadow(TTeeShadow* AShadow) override;
};

class TSeriesMarks;

class TMarksItems {
public:
    explicit TMarksItems(TSeriesMarks* owner) : FOwner(owner) {}
    TMarksItems(const TMarksItems&) = delete;
    TMarksItems& operator=(const TMarksItems&) = delete;
    ~TMarksItems() { Clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    // Extends with empty entries up to index and fills an empty entry with a new item.
    // A negative index has no item.
    TMarksItem* Get(int index);
    TMarksItem* operator[](int index) { return Get(index); }
    // The entry without creating it (none when empty or beyond the list).
    TMarksItem* Find(int index) const;
    void Clear();
    void Delete(int index);
    void DeleteRange(int start, int quantity);
    bool Loading = false;

private:
    TSeriesMarks* FOwner;
    std::vector<TMarksItem*> FItems;
};

// The plain stored values of series marks with their defaults.
struct TMarksSettings {
    int Angle = 0;
    bool Clip = false;
    int DrawEvery = 1;
    bool MultiLine = false;
    TSeriesMarksStyle Style = smsLabel;
};

class TSeriesMarks : public TTeeCustomShape, public TPropertySetters<TSeriesMarks> {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(bool Clip READ GetClip WRITE SetClip)
    Q_PROPERTY(int DrawEvery READ GetDrawEvery WRITE SetDrawEvery)
    Q_PROPERTY(bool MultiLine READ GetMultiLine WRITE SetMultiLine)
    Q_PROPERTY(ChartDataEnums::TSeriesMarksStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(TMarksCallout* Callout READ GetCallout WRITE SetCallout)
    Q_PROPERTY(TChartPen* Arrow READ GetArrow WRITE SetArrow STORED false)
    Q_PROPERTY(int ArrowLength READ GetArrowLength WRITE SetArrowLength STORED false)
    Q_PROPERTY(TColor BackColor READ GetColor WRITE SetColor STORED false)
    Q_PROPERTY(TSeriesMarksSymbol* Symbol READ GetSymbol WRITE SetSymbol)

public:
    explicit TSeriesMarks(TChartSeries* series);
    ~TSeriesMarks() override;
    bool IsPropertyStored(const char* Name) const override;
    // The panel of the marks, their callout, symbol and items.
    void SetParent(TCustomTeePanel* Value) override;

    // Created on first use.
    TMarksCallout* GetCallout();
    bool HasCallout() const { return FCallout != nullptr; }
    // None frees the callout; otherwise it takes the given settings.
    void SetCallout(TMarksCallout* Value);
    TChartPen* GetArrow();
    void SetArrow(TChartPen* Value) { GetArrow()->Assign(Value); }
    int GetArrowLength();
    void SetArrowLength(int Value);
    TSeriesMarksSymbol* GetSymbol();
    bool HasSymbol() const { return FSymbol != nullptr; }
    void SetSymbol(TSeriesMarksSymbol* Value);

    // The item of a point below the items' count, otherwise the marks themselves.
    TTeeCustomShape* MarkItem(int index);

    TChartSeries* ParentSeries() const { return FParentSeries; }
    TSeriesMarksPositions& Positions() { return FPositions; }
    const TSeriesMarksPositions& Positions() const { return FPositions; }
    TMarksItems& Items() { return FItems; }

    int GetAngle() const { return FMarksSettings.Angle; }
    void SetAngle(int value) { SetProperty(FMarksSettings.Angle, value); }
    bool GetClip() const { return FMarksSettings.Clip; }
    void SetClip(bool value) { SetProperty(FMarksSettings.Clip, value); }
    int GetDrawEvery() const { return FMarksSettings.DrawEvery; }
    // Values below 1 are refused (every point's index is taken modulo it).
    void SetDrawEvery(int value);
    bool GetMultiLine() const { return FMarksSettings.MultiLine; }
    void SetMultiLine(bool value) { SetProperty(FMarksSettings.MultiLine, value); }
    TSeriesMarksStyle GetStyle() const { return FMarksSettings.Style; }
    void SetStyle(TSeriesMarksStyle value) { SetProperty(FMarksSettings.Style, value); }
    void SetVisible(bool value) { SetProperty(FVisible, value); }
    int ZPosition = 0;

    // Forgets the positions, and the items unless they were just read from a chart file.
    void Clear();
    // Every position becomes automatic again.
    void ResetPositions();
    // Takes the stored user position for index when there is one; otherwise remembers the
    // given one as the automatic position of index.
    void UsePosition(int index, TSeriesMarkPosition& position);
    // Copies the settings and the items of another marks object.
    void Assign(const TSeriesMarks& source);
    void Assign(TPersistent* Source) override;

    // ---- drawing
    // The first index (a multiple of DrawEvery) whose drawn mark contains (x, y); -1.
    int Clicked(int x, int y);
    // Lets the callout lift the mark by the arrow length.
    void ApplyArrowLength(TSeriesMarkPosition& position);
    // In a 3D chart without 3D text: moves pos by the offset the projection gives point.
    void ConvertTo2D(const TPoint& point, TPoint& pos);
    // Moves the mark vertically off the marks first .. index - 1 it overlaps.
    void AntiOverlap(int first, int index, TSeriesMarkPosition& position);
    // The widest line of the mark text of index with the canvas's current font.
    int TextWidth(int index);
    // Draws one mark: arrow, frame, symbol and text.
    void InternalDraw(int index, TColor color, const AnsiString& text, TSeriesMarkPosition& position);

protected:
    void InitShadow(TTeeShadow* AShadow) override;
    TTeeGradient* NewGradient() override { return new TSeriesMarksGradient; }

private:
    // The settings of the marks repaint their series, those of the shape its panel.
    using TPropertySetters<TSeriesMarks>::SetProperty;
    friend class TPropertySetters<TSeriesMarks>;
    void PropertyChanged() { RepaintSeries(); }
    void RepaintSeries();
    // The rectangle a drawn mark covers, frame and shadow included.
    TRect CoveredRect(int index, const TSeriesMarkPosition& position);
    void DrawText(const TRect& rect, const AnsiString& text);

    TChartSeries* FParentSeries;
    TMarksSettings FMarksSettings;
    TSeriesMarksPositions FPositions;
    TMarksCallout* FCallout = nullptr;
    TSeriesMarksSymbol* FSymbol = nullptr;
    TMarksItems FItems;
};
