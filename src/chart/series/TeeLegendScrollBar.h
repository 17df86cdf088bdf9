#pragma once
// A small scroll bar painted onto the chart after it is drawn: two arrow buttons, a track
// and a thumb whose length shows how much of a list is visible and whose place shows
// which part. TTeeScrollBar knows nothing of what it scrolls; TLegendScrollBar attaches it
// to the chart legend and scrolls the legend's first shown item (or, on a paged chart,
// the page).
#include <functional>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeGradient.h"
#include "platform/GraphicsTypes.h"
#include "platform/TCustomPanel.h"

class QTimer;
class TCustomChartLegend;

namespace scrollbarenums {
Q_NAMESPACE
enum TTeeScrollBarDrawStyle { dsAlways, dsWhenNeeded };
Q_ENUM_NS(TTeeScrollBarDrawStyle)
}  // namespace scrollbarenums
using scrollbarenums::TTeeScrollBarDrawStyle;
using enum scrollbarenums::TTeeScrollBarDrawStyle;

class TTeeScrollBar : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(TChartBrush* ArrowBrush READ GetArrowBrush WRITE SetArrowBrush)
    Q_PROPERTY(bool AutoRepeat MEMBER AutoRepeat)
    Q_PROPERTY(TColor BackColor READ GetBackColor WRITE SetBackColor)
    Q_PROPERTY(panelenums::TBevelCut Bevel READ GetBevel WRITE SetBevel)
    Q_PROPERTY(scrollbarenums::TTeeScrollBarDrawStyle DrawStyle MEMBER DrawStyle)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(int InitialDelay MEMBER InitialDelay)
    Q_PROPERTY(int MinThumbSize READ GetMinThumbSize WRITE SetMinSize)
    Q_PROPERTY(int Size READ GetSize WRITE SetSize)
    Q_PROPERTY(TChartBrush* ThumbBrush READ GetThumbBrush WRITE SetThumbBrush)
public:
    Q_INVOKABLE explicit TTeeScrollBar(QObject* owner = nullptr);
    ~TTeeScrollBar() override;

    AnsiString GetEditorClass() const override { return "TScrollbarEditor"; }
    AnsiString Description() const override { return "Scrollbar"; }
    void SetParentChart(IChartHost* value) override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // ---- what is scrolled
    virtual double CalcDelta(int newCoord, int oldCoord);
    virtual int CurrentCount();
    virtual int DeltaMain();
    virtual int GetPosition();
    virtual void SetPosition(int value);
    // True when the bar is to be drawn; Bounds gets the rectangle it attaches to.
    virtual bool ShouldDraw(TRect& bounds);
    virtual int TotalCount();

    // ---- geometry, from the bounds of the latest ShouldDraw
    TRect MainRectangle() const;
    TRect ScrollRectangle() const;
    TRect DecRectangle() const;
    TRect IncRectangle() const;
    TRect ThumbRectangle() const;
    bool ClickedDec(const TPoint& p) const;
    bool ClickedInc(const TPoint& p) const;
    bool ClickedThumb(const TPoint& p) const;

    void Draw();
    void ApplyScroll(double delta, bool startTimer);
    void ProcessClick(const TPoint& p);
    void MouseMove(int x, int y);
    void MouseUp();
    void DoScroll();
    void DoTimer();

    // ---- properties
    TChartBrush* GetArrowBrush() const { return FArrowBrush; }
    void SetArrowBrush(TChartBrush* value) { FArrowBrush->Assign(value); }
    TColor GetBackColor() const { return FBackColor; }
    void SetBackColor(TColor value) { SetColorProperty(FBackColor, value); }
    TBevelCut GetBevel() const { return FBevel; }
    void SetBevel(TBevelCut value);
    TTeeGradient* GetGradient() const { return FGradient; }
    void SetGradient(TTeeGradient* value) { FGradient->Assign(value); }
    int GetMinThumbSize() const { return FMinThumbSize; }
    void SetMinSize(int value) { SetIntegerProperty(FMinThumbSize, value); }
    int GetSize() const { return FSize; }
    void SetSize(int value);
    TChartBrush* GetThumbBrush() const { return FThumbBrush; }
    void SetThumbBrush(TChartBrush* value) { FThumbBrush->Assign(value); }
    bool GetHorizontal() const { return FHorizontal; }
    void SetHorizontal(bool value);
    QTimer* RepeatTimer() const { return FTimer; }

    bool AutoRepeat = true;
    TTeeScrollBarDrawStyle DrawStyle = dsAlways;
    int InitialDelay = 250;
    // What the base operations return for the total and the visible count.
    int StoredTotalCount = 0;
    int StoredCurrentCount = 0;

    std::function<void(QObject* Sender)> OnChangeSize;
    std::function<void(QObject* Sender)> OnScrolled;
    std::function<void(QObject* Sender, int Position)> OnSetPosition;

protected:
    TRect FBounds;
    int FThumbStart = 0, FThumbSize = 0, FThumbEnd = 0;
    bool FDragging = false, FDecPressed = false, FIncPressed = false;
    TPoint FLastPoint;

private:
    TChartBrush* FArrowBrush;
    TChartBrush* FThumbBrush;
    TTeeGradient* FGradient;
    QTimer* FTimer = nullptr;
    TColor FBackColor = clScrollBar;
    TBevelCut FBevel = bvRaised;
    int FMinThumbSize = 4;
    int FSize = 18;
    int FPosition = 0;
    bool FHorizontal = false;
};

class TLegendScrollBar : public TTeeScrollBar {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLegendScrollBar(QObject* owner = nullptr);
    ~TLegendScrollBar() override;

    AnsiString Description() const override { return "Legend Scrollbar"; }
    void SetParentChart(IChartHost* value) override;
    int CurrentCount() override;
    int DeltaMain() override;
    int GetPosition() override;
    void SetPosition(int value) override;
    bool ShouldDraw(TRect& bounds) override;
    int TotalCount() override;
    // The legend's size hook: room for the bar.
    void LegendCalcSize(TCustomChartLegend* legend, int& size);

private:
    bool Paged() const;
    TCustomChartLegend* FLegend = nullptr;
};

// Registers TLegendScrollBar as a chart tool (calling it again adds nothing).
void RegisterTeeLegendScrollBar();
