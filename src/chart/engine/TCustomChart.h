#pragma once
// The chart control that windows place: the axis panel with titles and walls, and the
// mouse turned into zooming (left drag), panning (right drag), wheel scrolling and click
// events. TChart is the same control under its published name.
#include <functional>
#include <vector>

#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomAxisPanel.h"

class QWheelEvent;
class TChartValueList;

// Library settings of the chart control.
extern double AnimatedZoomFactor;
extern TShiftState TeeScrollKeyShift;
extern int TeeTitleFootDistance;
extern bool TeeUseMouseWheel;

// What an axis looked like before the first zoom or pan.
struct TAxisSavedScales {
    bool Auto = true;
    bool AutoMin = true;
    bool AutoMax = true;
    double Min = 0;
    double Max = 0;
};

enum TChartClickedPartStyle {
    cpNone,
    cpLegend,
    cpAxis,
    cpSeries,
    cpTitle,
    cpFoot,
    cpChartRect,
    cpSeriesMarks,
    cpSubTitle,
    cpSubFoot
};

struct TChartClickedPart {
    TChartClickedPartStyle Part = cpNone;
    int PointIndex = -1;
    TChartSeries* ASeries = nullptr;
    TChartAxis* AAxis = nullptr;
};

using TChartClickEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TChartClickAxisEvent =
    std::function<void(QObject* Sender, TChartAxis* Axis, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TChartClickSeriesEvent = std::function<void(QObject* Sender, TChartSeries* Series, int ValueIndex,
                                                  TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TChartClickTitleEvent =
    std::function<void(QObject* Sender, TChartTitle* Title, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TLegendGetTextEvent =
    std::function<void(QObject* Sender, TLegendStyle LegendStyle, int Index, AnsiString& LegendText)>;
using TLegendGetRectEvent = std::function<void(QObject* Sender, TRect& Rect)>;
using TLegendGetPosEvent = std::function<void(QObject* Sender, int Index, int& X, int& Y, int& XColor)>;
using TChartAllowScrollEvent = std::function<void(TChartAxis* Axis, double& AMin, double& AMax, bool& AllowScroll)>;

class TCustomChart : public TCustomAxisPanel {
    Q_OBJECT
    Q_PROPERTY(TChartTitle* Title READ GetTitle WRITE SetTitle)
    Q_PROPERTY(TChartTitle* SubTitle READ GetSubTitle WRITE SetSubTitle)
    Q_PROPERTY(TChartFootTitle* Foot READ GetFoot WRITE SetFoot)
    Q_PROPERTY(TChartFootTitle* SubFoot READ GetSubFoot WRITE SetSubFoot)
    Q_PROPERTY(TChartLegend* Legend READ GetLegend WRITE SetLegend)
    Q_PROPERTY(TChartBackWall* BackWall READ GetBackWall)
    Q_PROPERTY(TChartWall* LeftWall READ GetLeftWall)
    Q_PROPERTY(TChartWall* BottomWall READ GetBottomWall)
    Q_PROPERTY(TChartRightWall* RightWall READ GetRightWall)
    Q_PROPERTY(TChartPen* Frame READ GetFrame)
    Q_PROPERTY(int ScrollMouseButton READ GetScrollMouseButtonInt WRITE SetScrollMouseButtonInt)
    // Older chart files keep the back colour at chart level: read through SetBackColor.
    Q_PROPERTY(TColor BackColor READ GetBackColor WRITE SetBackColor STORED false)
    Q_PROPERTY(int ColorPaletteIndex MEMBER ColorPaletteIndex)
public:
    explicit TCustomChart(QWidget* parent = nullptr);
    ~TCustomChart() override;

    // ---- the axis panel's steps
    void CalcWallsRect() override;
    int CalcWallSize(TChartAxis* Axis) override;
    void DrawTitlesAndLegend(bool BeforeSeries) override;
    void DrawWalls() override;
    bool IsFreeSeriesColor(TColor Color, bool CheckBackground, TChartSeries* Series) override;
    AnsiString FormattedValueLegend(TChartSeries* Series, int ValueIndex) override;
    // The legend's text of item Index, as OnGetLegendText leaves it.
    AnsiString FormattedLegend(int Index);
    // The colour and symbol pen of the legend being drawn.
    TColor GetLegendColor() override { return LegendColor; }
    TChartPen* GetLegendSymbolPen() override { return LegendPen; }
    TColor GetBackColor() override;
    void SetBackColor(TColor Value);

    // ---- walls
    void DrawBackWall();
    void DrawLeftWall();
    void DrawBottomWall();
    void DrawRightWall();
    bool DrawRightWallAfter();
    bool DrawLeftWallFirst();

    // ---- zoom and scroll
    void ZoomRect(const TRect& Rect);
    void ZoomPercent(double Percent);
    void DoZoom(double TopMin, double TopMax, double BottomMin, double BottomMax, double LeftMin, double LeftMax,
                double RightMin, double RightMax);
    void UndoZoom() override;
    void CalcZoomPoints();
    void SaveScales();
    void RestoreScales();
    bool ScalesSaved() const { return !FNoSavedScales; }
    void ScrollVerticalAxes(bool Up);

    // ---- parts and series
    void CalcClickedPart(const TPoint& Pos, TChartClickedPart& Part) { CalcNeedClickedPart(Pos, false, Part); }
    void CalcNeedClickedPart(const TPoint& Pos, bool IsMouseClick, TChartClickedPart& Part);
    AnsiString AxisTitleOrName(TChartAxis* Axis);
    void SeriesUp(TChartSeries* Series);
    void SeriesDown(TChartSeries* Series);
    void NextPage();
    void PreviousPage();
    void RemoveAllSeries();
    TChartSeries* GetASeries();
    bool ActiveSeriesUseAxis();
    // The names of the value lists of the series that feeds ValueList's series (nothing
    // when its source is not a series).
    void FillValueSourceItems(TChartValueList* ValueList, const std::function<void(const AnsiString&)>& Proc);
    void Assign(QObject* Source) override;
    // A chart read with a named palette index takes that palette again.
    void Loaded() override;
    bool IsPropertyStored(const char* Name) const override;

    // ---- mouse
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, const TPoint& MousePos);
    bool DoMouseWheelUp(TShiftState Shift, const TPoint& MousePos);

    // ---- owned parts
    TChartTitle* GetTitle() const { return FTitle; }
    void SetTitle(TChartTitle* Value) { FTitle->Assign(Value); }
    TChartTitle* GetSubTitle() const { return FSubTitle; }
    void SetSubTitle(TChartTitle* Value) { FSubTitle->Assign(Value); }
    TChartFootTitle* GetFoot() const { return FFoot; }
    void SetFoot(TChartFootTitle* Value) { FFoot->Assign(Value); }
    TChartFootTitle* GetSubFoot() const { return FSubFoot; }
    void SetSubFoot(TChartFootTitle* Value) { FSubFoot->Assign(Value); }
    TChartLegend* GetLegend() const { return FLegend; }
    void SetLegend(TChartLegend* Value) { FLegend->Assign(Value); }
    TChartWalls* GetWalls() const { return FWalls; }
    void SetWalls(TChartWalls* Value) { FWalls->Assign(Value); }
    TChartBackWall* GetBackWall() const { return FWalls->Back(); }
    TChartWall* GetLeftWall() const { return FWalls->Left(); }
    TChartWall* GetBottomWall() const { return FWalls->Bottom(); }
    TChartRightWall* GetRightWall() const { return FWalls->Right(); }
    TChartPen* GetFrame() const { return FWalls->Back()->GetPen(); }
    TMouseButton GetScrollMouseButton() const { return FScrollMouseButton; }
    void SetScrollMouseButton(TMouseButton Value) { FScrollMouseButton = Value; }

    int ColorPaletteIndex = 0;

    TChartAllowScrollEvent OnAllowScroll;
    TChartClickAxisEvent OnClickAxis;
    TChartClickEvent OnClickBackground;
    TChartClickEvent OnClickLegend;
    TChartClickSeriesEvent OnClickSeries;
    TChartClickTitleEvent OnClickTitle;
    TLegendGetPosEvent OnGetLegendPos;
    TLegendGetRectEvent OnGetLegendRect;
    TLegendGetTextEvent OnGetLegendText;

    // Recorded by the legend while it draws.
    TColor LegendColor = clDefault;
    TChartPen* LegendPen = nullptr;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    bool StartZoomOrPanning(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Scrolls the axes of one orientation by the pixel move From -> To; whether any moved.
    bool ScrollAxes(bool Horizontal, int From, int To);
    void DrawTitles(bool CustomPosition);
    void PrepareWallCanvas(TCustomChartWall* Wall);
    int GetScrollMouseButtonInt() const { return int(FScrollMouseButton); }
    void SetScrollMouseButtonInt(int Value) { FScrollMouseButton = TMouseButton(Value); }

    TChartFootTitle* FFoot = nullptr;
    TChartLegend* FLegend = nullptr;
    std::vector<TAxisSavedScales> FSavedScales;
    TMouseButton FScrollMouseButton = mbRight;
    TChartFootTitle* FSubFoot = nullptr;
    TChartTitle* FSubTitle = nullptr;
    TChartTitle* FTitle = nullptr;
    TChartWalls* FWalls = nullptr;
    bool FNoSavedScales = true;
};

class TChart : public TCustomChart {
    Q_OBJECT
public:
    using TCustomChart::TCustomChart;
};
