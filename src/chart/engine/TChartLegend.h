#pragma once
// The chart's legend: a framed box beside, above or below the plot area listing either the
// series (one item per series) or the values of one series (one item per point), with
// symbols, one or two text columns and optional check boxes. It takes its room from the
// chart rectangle and answers which item lies under a point.
#include <functional>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TPropertySetters.h"

class TCustomChart;
class TCustomChartLegend;

namespace legendenums {
Q_NAMESPACE
enum TLegendAlignment { laLeft, laRight, laTop, laBottom };
Q_ENUM_NS(TLegendAlignment)
enum TCheckBoxesStyle { cbsCheck, cbsRadio };
Q_ENUM_NS(TCheckBoxesStyle)
enum TLegendStyle { lsAuto, lsSeries, lsValues, lsLastValues };
Q_ENUM_NS(TLegendStyle)
enum TLegendSymbolPosition { spLeft, spRight };
Q_ENUM_NS(TLegendSymbolPosition)
enum TLegendSymbolSize { lcsPercent, lcsPixels };
Q_ENUM_NS(TLegendSymbolSize)
}  // namespace legendenums
using legendenums::TLegendAlignment;
using enum legendenums::TLegendAlignment;
using legendenums::TCheckBoxesStyle;
using enum legendenums::TCheckBoxesStyle;
using legendenums::TLegendStyle;
using enum legendenums::TLegendStyle;
using legendenums::TLegendSymbolPosition;
using enum legendenums::TLegendSymbolPosition;
using legendenums::TLegendSymbolSize;
using enum legendenums::TLegendSymbolSize;

using TLegendSymbolDrawEvent =
    std::function<void(QObject* Sender, TChartSeries* Series, int ValueIndex, const TRect& Rect)>;
// Lets a tool reserve room in the legend (it may change Size).
using TLegendCalcSize = std::function<void(TCustomChartLegend* Sender, int& Size)>;

class TChartLegendGradient : public TTeeGradient {
    Q_OBJECT
public:
    explicit TChartLegendGradient(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

// The symbol's stored values with their defaults.
struct TLegendSymbolSettings {
    bool Continuous = false;
    bool DefaultPen = true;
    TLegendSymbolPosition Position = spLeft;
    bool Squared = false;
    bool Visible = true;
    int Width = 20;
    TLegendSymbolSize WidthUnits = lcsPercent;
};

class TLegendSymbol : public TPersistent, public TPropertySetters<TLegendSymbol> {
    Q_OBJECT
    Q_PROPERTY(bool Continuous READ GetContinuous WRITE SetContinuous)
    Q_PROPERTY(bool DefaultPen READ GetDefaultPen WRITE SetDefaultPen)
    Q_PROPERTY(TChartPen* Pen READ GetPen WRITE SetPen)
    Q_PROPERTY(legendenums::TLegendSymbolPosition Position READ GetPosition WRITE SetPosition)
    Q_PROPERTY(bool Squared READ GetSquared WRITE SetSquared)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth)
    Q_PROPERTY(legendenums::TLegendSymbolSize WidthUnits READ GetWidthUnits WRITE SetWidthUnits)
public:
    explicit TLegendSymbol(TCustomChartLegend* ALegend);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // The symbol's width in pixels for a text width of Value.
    int CalcWidth(int Value) const;

    bool GetContinuous() const { return FSettings.Continuous; }
    void SetContinuous(bool Value) { SetProperty(FSettings.Continuous, Value); }
    bool GetDefaultPen() const { return FSettings.DefaultPen; }
    void SetDefaultPen(bool Value) { SetProperty(FSettings.DefaultPen, Value); }
    TChartPen* GetPen() const { return FPen; }
    void SetPen(TChartPen* Value) { FPen->Assign(Value); }
    TLegendSymbolPosition GetPosition() const { return FSettings.Position; }
    void SetPosition(TLegendSymbolPosition Value) { SetProperty(FSettings.Position, Value); }
    bool GetSquared() const { return FSettings.Squared; }
    void SetSquared(bool Value) { SetProperty(FSettings.Squared, Value); }
    bool GetVisible() const { return FSettings.Visible; }
    void SetVisible(bool Value) { SetProperty(FSettings.Visible, Value); }
    int GetWidth() const { return FSettings.Width; }
    void SetWidth(int Value) { SetProperty(FSettings.Width, Value); }
    TLegendSymbolSize GetWidthUnits() const { return FSettings.WidthUnits; }
    void SetWidthUnits(TLegendSymbolSize Value) { SetProperty(FSettings.WidthUnits, Value); }

    TLegendSymbolDrawEvent OnDraw;

private:
    friend class TPropertySetters<TLegendSymbol>;
    // Repaints the legend.
    void PropertyChanged();

    TLegendSymbolSettings FSettings;
    TChartPen* FPen;
    TCustomChartLegend* FLegend;
};

class TLegendTitle : public TTeeShape, public TTitleText<TLegendTitle> {
    Q_OBJECT
    Q_PROPERTY(QStringList Text READ GetTextList WRITE SetTextList)
    Q_PROPERTY(titleenums::TAlignment TextAlignment READ GetTextAlignment WRITE SetTextAlignment)
public:
    explicit TLegendTitle(TCustomTeePanel* AOwner = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TAlignment GetTextAlignment() const { return FTextAlignment; }
    void SetTextAlignment(TAlignment Value) { SetProperty(FTextAlignment, Value); }

    // With the title's font on the panel's canvas.
    int CalcHeight();
    int TotalWidth();
    void CalcShapeBounds(const TRect& R);
    void DrawText();

private:
    int FrameWidth() { return GetPen()->GetVisible() ? GetPen()->GetWidth() : 0; }

    TAlignment FTextAlignment = taLeftJustify;
    int FHeight = 0;
};

// The legend's stored values with their defaults.
struct TLegendSettings {
    TLegendAlignment Alignment = laRight;
    bool CheckBoxes = false;
    TCheckBoxesStyle CheckBoxesStyle = cbsCheck;
    bool CurrentPage = true;
    int FirstValue = 0;
    bool FontSeriesColor = false;
    int HorizMargin = 0;
    bool Inverted = false;
    TLegendStyle LegendStyle = lsAuto;
    int MaxNumRows = 10;
    bool ResizeChart = true;
    TLegendTextStyle TextStyle = ltsLeftValue;
    int TopPos = 10;
    int VertMargin = 0;
    int VertSpacing = 0;
};

class TCustomChartLegend : public TTeeCustomShapePosition {
    Q_OBJECT
    Q_PROPERTY(legendenums::TLegendAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(bool CheckBoxes READ GetCheckBoxes WRITE SetCheckBoxes)
    Q_PROPERTY(legendenums::TCheckBoxesStyle CheckBoxesStyle READ GetCheckBoxesStyle WRITE SetCheckBoxesStyle)
    Q_PROPERTY(int ColorWidth READ GetColorWidth WRITE SetColorWidth STORED false)
    Q_PROPERTY(bool CurrentPage READ GetCurrentPage WRITE SetCurrentPage)
    Q_PROPERTY(TChartPen* DividingLines READ GetDividingLines WRITE SetDividingLines)
    Q_PROPERTY(int FirstValue READ GetFirstValue WRITE SetFirstValue)
    Q_PROPERTY(bool FontSeriesColor READ GetFontSeriesColor WRITE SetFontSeriesColor)
    Q_PROPERTY(int HorizMargin READ GetHorizMargin WRITE SetHorizMargin)
    Q_PROPERTY(bool Inverted READ GetInverted WRITE SetInverted)
    Q_PROPERTY(legendenums::TLegendStyle LegendStyle READ GetLegendStyle WRITE SetLegendStyle)
    Q_PROPERTY(int MaxNumRows READ GetMaxNumRows WRITE SetMaxNumRows)
    Q_PROPERTY(bool ResizeChart READ GetResizeChart WRITE SetResizeChart)
    Q_PROPERTY(TLegendSymbol* Symbol READ GetSymbol)
    Q_PROPERTY(int TextStyle READ GetTextStyleInt WRITE SetTextStyleInt)
    Q_PROPERTY(TLegendTitle* Title READ GetTitle)
    Q_PROPERTY(int TopPos READ GetTopPos WRITE SetTopPos)
    Q_PROPERTY(int VertMargin READ GetVertMargin WRITE SetVertMargin)
    Q_PROPERTY(int VertSpacing READ GetVertSpacing WRITE SetVertSpacing)
public:
    explicit TCustomChartLegend(TCustomTeePanel* AOwner = nullptr);
    ~TCustomChartLegend() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // ---- properties
    TLegendAlignment GetAlignment() const { return FSettings.Alignment; }
    void SetAlignment(TLegendAlignment Value) { SetProperty(FSettings.Alignment, Value); }
    bool GetCheckBoxes() const { return FSettings.CheckBoxes; }
    void SetCheckBoxes(bool Value);
    TCheckBoxesStyle GetCheckBoxesStyle() const { return FSettings.CheckBoxesStyle; }
    // Radio style leaves only the first active legend series active.
    void SetCheckBoxesStyle(TCheckBoxesStyle Value);
    int GetColorWidth() const { return FSymbol->GetWidth(); }
    void SetColorWidth(int Value) { FSymbol->SetWidth(Value); }
    bool GetCurrentPage() const { return FSettings.CurrentPage; }
    void SetCurrentPage(bool Value) { SetProperty(FSettings.CurrentPage, Value); }
    TChartPen* GetDividingLines() const { return FDividingLines; }
    void SetDividingLines(TChartPen* Value) { FDividingLines->Assign(Value); }
    int GetFirstValue() const { return FSettings.FirstValue; }
    // Raises LegendException for a negative value.
    void SetFirstValue(int Value);
    bool GetFontSeriesColor() const { return FSettings.FontSeriesColor; }
    void SetFontSeriesColor(bool Value) { SetProperty(FSettings.FontSeriesColor, Value); }
    int GetHorizMargin() const { return FSettings.HorizMargin; }
    void SetHorizMargin(int Value) { SetProperty(FSettings.HorizMargin, Value); }
    bool GetInverted() const { return FSettings.Inverted; }
    void SetInverted(bool Value) { SetProperty(FSettings.Inverted, Value); }
    TLegendStyle GetLegendStyle() const { return FSettings.LegendStyle; }
    void SetLegendStyle(TLegendStyle Value);
    int GetMaxNumRows() const { return FSettings.MaxNumRows; }
    void SetMaxNumRows(int Value) { SetProperty(FSettings.MaxNumRows, Value); }
    bool GetResizeChart() const { return FSettings.ResizeChart; }
    void SetResizeChart(bool Value) { SetProperty(FSettings.ResizeChart, Value); }
    TChartSeries* GetSeries() const { return FSeries; }
    void SetSeries(TChartSeries* Value) { SetProperty(FSeries, Value); }
    TLegendSymbol* GetSymbol() const { return FSymbol; }
    TLegendTextStyle GetTextStyle() const { return FSettings.TextStyle; }
    void SetTextStyle(TLegendTextStyle Value) { SetProperty(FSettings.TextStyle, Value); }
    TLegendTitle* GetTitle() const { return FTitle; }
    int GetTopPos() const { return FSettings.TopPos; }
    void SetTopPos(int Value) { SetProperty(FSettings.TopPos, Value); }
    int GetVertMargin() const { return FSettings.VertMargin; }
    void SetVertMargin(int Value) { SetProperty(FSettings.VertMargin, Value); }
    int GetVertSpacing() const { return FSettings.VertSpacing; }
    void SetVertSpacing(int Value) { SetProperty(FSettings.VertSpacing, Value); }

    // ---- queries
    TLegendStyle CalcLegendStyle() const;
    TLegendStyle InternalLegendStyle() const { return FInternalStyle; }
    bool GetVertical() const { return FSettings.Alignment == laLeft || FSettings.Alignment == laRight; }
    TRect GetRectLegend() const { return ShapeBounds; }
    TChartSeries* GetLegendSeries() const;
    bool HasCheckBoxes() const { return FSettings.CheckBoxes && FInternalStyle != lsValues; }
    bool ShouldDraw() const;
    // The text of item Index for the current style.
    AnsiString FormattedLegend(int Index);
    // The legend text of a point, line breaks turned into blanks; empty for index -1.
    AnsiString FormattedValue(TChartSeries* Series, int ValueIndex);
    // Item height with the legend font on the canvas.
    int CalcItemHeight();
    int FirstItemTop();
    // The value index shown last by the latest drawing (-1 before any).
    int LastValue() const { return FLastValue; }
    int TotalLegendItems() const { return FTotalItems; }
    int NumCols() const { return FColumns; }
    int NumRows() const { return FRows; }

    // ---- drawing and mouse
    void DrawLegend();
    // The item index under (X, Y), or -1.
    int Clicked(int X, int Y);
    // Check box handling of a click on item ItemIndex; whether it was handled.
    bool DoMouseDown(int X, int Y, int ItemIndex);

    TLegendCalcSize OnCalcSize;

protected:
    TTeeGradient* NewGradient() override;

private:
    TCustomChart* Chart() const;
    void PrepareSymbolPen();
    void DrawItem(int Position, int Index);
    // The series of legend item Index for the series styles.
    TChartSeries* ItemSeries(int Index, bool OnlyActive) const;
    int TextColumnsWidth() const { return FColumnWidth[0] + FColumnWidth[1] + 2 * FSpaceWidth - 1; }
    int GetTextStyleInt() const { return int(FSettings.TextStyle); }
    void SetTextStyleInt(int Value) { SetTextStyle(TLegendTextStyle(Value)); }

    TLegendSettings FSettings;
    TChartHiddenPen* FDividingLines;
    TChartSeries* FSeries = nullptr;
    TLegendSymbol* FSymbol;
    TLegendTitle* FTitle;

    // State of the latest drawing.
    int FLastValue = -1;
    int FTotalItems = 0;
    int FSymbolWidth = 0;
    bool FTitleVisible = false;
    TLegendStyle FInternalStyle = lsSeries;
    int FColumns = 0;
    int FRows = 0;
    bool FColumnWidthAuto = true;
    int FColumnWidth[2] = {0, 0};
    int FSpaceWidth = 0;
    int FItemHeight = 0;
    int FTextX = 0;
    int FSymbolX = 0;
    int FBoxX = 0;
    // Column texts of the items from FSettings.FirstValue on.
    std::vector<std::pair<AnsiString, AnsiString>> FItemTexts;
};

class TChartLegend : public TCustomChartLegend {
    Q_OBJECT
public:
    using TCustomChartLegend::TCustomChartLegend;
};
