#pragma once
// Axis band tools: alternating grid bands, a coloured value range and a draggable line at
// one axis value.
#include <functional>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeeProCo.h"
#include "platform/MouseTypes.h"

class TChartAxis;
class TCanvas3D;
class TCustomTeePanel;

// A band brush with a hatch background and its own transparency.
class TGridBandBrush : public TChartBrush {
    Q_OBJECT
    Q_PROPERTY(TColor BackColor READ GetBackColor WRITE SetBackColor)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
public:
    explicit TGridBandBrush(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;
    // clNone means the chart's back wall colour.
    TColor GetBackColor() const { return FBackColor; }
    void SetBackColor(TColor Value);
    TTeeTransparency GetTransparency() const { return FTransparency; }
    void SetTransparency(TTeeTransparency Value);

private:
    TColor FBackColor = clNone;
    TTeeTransparency FTransparency = 0;
};

// Fills the spaces between the grid lines of its axis with two alternating brushes.
class TGridBandTool : public TTeeCustomToolAxis {
    Q_OBJECT
    Q_PROPERTY(TGridBandBrush* Band1 READ GetBand1 WRITE SetBand1)
    Q_PROPERTY(TGridBandBrush* Band2 READ GetBand2 WRITE SetBand2)
public:
    Q_INVOKABLE explicit TGridBandTool(QObject* owner = nullptr);
    ~TGridBandTool() override;

    AnsiString GetEditorClass() const override { return "TGridBandToolEdit"; }
    AnsiString Description() const override { return TeeMsg_GridBandTool; }
    // Hooks the tool into the new axis' grid drawing (one hook per axis).
    void SetAxis(TChartAxis* value) override;

    TGridBandBrush* GetBand1() const { return FBand1; }
    void SetBand1(TGridBandBrush* value) { FBand1->Assign(value); }
    TGridBandBrush* GetBand2() const { return FBand2; }
    void SetBand2(TGridBandBrush* value) { FBand2->Assign(value); }

    void DrawGrids(TChartAxis* axis);
    TColor BandBackColor(TGridBandBrush* band) const;

private:
    void ReleaseGridHook();
    TGridBandBrush* FBand1;
    TGridBandBrush* FBand2;
};

enum TColorLineStyle { clCustom, clMaximum, clCenter, clMinimum };

// The stored values of a colour line with their defaults.
struct TColorLineSettings {
    bool AllowDrag = true;
    bool DragRepaint = false;
    bool Draw3D = true;
    bool DrawBehind = false;
    bool NoLimitDrag = false;
    TColorLineStyle Style = clCustom;
    double Value = 0;
};

class TColorLineTool;
using TColorLineToolOnDrag = std::function<void(TColorLineTool* Sender)>;
using TToolMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

// A line at one value of its axis that the user may drag.
class TColorLineTool : public TTeeCustomToolAxis {
    Q_OBJECT
    Q_PROPERTY(bool AllowDrag READ GetAllowDrag WRITE SetAllowDrag)
    Q_PROPERTY(bool DragRepaint READ GetDragRepaint WRITE SetDragRepaint)
    Q_PROPERTY(bool Draw3D READ GetDraw3D WRITE SetDraw3D)
    Q_PROPERTY(bool DrawBehind READ GetDrawBehind WRITE SetDrawBehind)
    Q_PROPERTY(bool NoLimitDrag READ GetNoLimitDrag WRITE SetNoLimitDrag)
    Q_PROPERTY(int Style READ GetStyleInt WRITE SetStyleInt)
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)
public:
    Q_INVOKABLE explicit TColorLineTool(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TTeeCustomToolAxis::Assign;
    AnsiString GetEditorClass() const override { return "TColorLineToolEditor"; }
    AnsiString Description() const override { return TeeMsg_ColorLineTool; }
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The band's chart for a band's edge line, else the parent chart.
    IChartHost* Chart() const { return FBandChart ? FBandChart : FParentChart; }
    double CalcValue() const;
    bool Clicked(int x, int y) const;
    double LimitValue(double value) const;
    void InternalDrawLine(bool isBehind);
    void DrawColorLine(bool isBehind);
    bool Dragging() const { return FDragging; }

    bool GetAllowDrag() const { return FSettings.AllowDrag; }
    void SetAllowDrag(bool v) { FSettings.AllowDrag = v; }
    bool GetDragRepaint() const { return FSettings.DragRepaint; }
    void SetDragRepaint(bool v) { FSettings.DragRepaint = v; }
    bool GetDraw3D() const { return FSettings.Draw3D; }
    void SetDraw3D(bool v) { SetBooleanProperty(FSettings.Draw3D, v); }
    bool GetDrawBehind() const { return FSettings.DrawBehind; }
    void SetDrawBehind(bool v) { SetBooleanProperty(FSettings.DrawBehind, v); }
    bool GetNoLimitDrag() const { return FSettings.NoLimitDrag; }
    void SetNoLimitDrag(bool v) { FSettings.NoLimitDrag = v; }
    TColorLineStyle GetStyle() const { return FSettings.Style; }
    void SetStyle(TColorLineStyle v);
    int GetStyleInt() const { return FSettings.Style; }
    void SetStyleInt(int v) { SetStyle(static_cast<TColorLineStyle>(v)); }
    double GetValue() const { return FSettings.Value; }
    void SetValue(double v);

    TColorLineToolOnDrag OnBeginDragLine;
    TColorLineToolOnDrag OnDragLine;
    TColorLineToolOnDrag OnEndDragLine;

protected:
    virtual void DoEndDragLine();

private:
    friend class TColorBandTool;
    TCustomTeePanel* Panel() const;
    TCanvas3D* Canvas() const;
    TRect ChartRectangle() const;
    int Depth() const;

    TColorLineSettings FSettings;
    bool FDragging = false;
    IChartHost* FBandChart = nullptr;
    TColorLineToolOnDrag FOnEndDragInner;
};

// Fills one value range of its axis; its two edge lines can be dragged to resize it.
class TColorBandTool : public TTeeCustomToolAxis {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int Cursor READ GetCursor WRITE SetCursor)
    Q_PROPERTY(bool DrawBehind READ GetDrawBehind WRITE SetDrawBehind)
    Q_PROPERTY(bool DrawBehindAxes READ GetDrawBehindAxes WRITE SetDrawBehindAxes)
    Q_PROPERTY(double EndValue READ GetEndValue WRITE SetEndValue)
    Q_PROPERTY(double StartValue READ GetStartValue WRITE SetStartValue)
    Q_PROPERTY(bool ResizeEnd READ GetResizeEnd WRITE SetResizeEnd)
    Q_PROPERTY(bool ResizeStart READ GetResizeStart WRITE SetResizeStart)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(TTeeGradient* Gradient READ Gradient WRITE SetGradient)
    Q_PROPERTY(TChartPen* StartLinePen READ StartLinePen WRITE SetStartLinePen)
    Q_PROPERTY(TChartPen* EndLinePen READ EndLinePen WRITE SetEndLinePen)
public:
    Q_INVOKABLE explicit TColorBandTool(QObject* owner = nullptr);
    ~TColorBandTool() override;

    AnsiString GetEditorClass() const override { return "TColorBandToolEditor"; }
    AnsiString Description() const override { return TeeMsg_ColorBandTool; }
    void SetParentChart(IChartHost* value) override;
    void SetAxis(TChartAxis* value) override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;
    // Copies the range into the edge lines after reading.
    void Loaded();

    TRect BoundsRect() const;
    bool Clicked(int x, int y) const;
    int ZPosition() const;
    void PaintBand();

    TColorLineTool* StartLine() const { return FStartLine; }
    TColorLineTool* EndLine() const { return FEndLine; }
    TTeeGradient* Gradient() const { return FGradient; }

    TColor GetColor() const { return FColor; }
    void SetColor(TColor v) { SetColorProperty(FColor, v); }
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor v) { FCursor = v; }
    bool GetDrawBehind() const { return FDrawBehind; }
    void SetDrawBehind(bool v) { SetBooleanProperty(FDrawBehind, v); }
    bool GetDrawBehindAxes() const { return FDrawBehindAxes; }
    void SetDrawBehindAxes(bool v) { SetBooleanProperty(FDrawBehindAxes, v); }
    double GetEndValue() const { return FEndValue; }
    void SetEndValue(double v);
    double GetStartValue() const { return FStartValue; }
    void SetStartValue(double v);
    bool GetResizeEnd() const { return FEndLine->GetActive(); }
    void SetResizeEnd(bool v) { FEndLine->SetActive(v); }
    bool GetResizeStart() const { return FStartLine->GetActive(); }
    void SetResizeStart(bool v) { FStartLine->SetActive(v); }
    TTeeTransparency GetTransparency() const { return FTransparency; }
    void SetTransparency(TTeeTransparency v) { SetIntegerProperty(FTransparency, v); }
    TChartPen* StartLinePen() const { return FStartLine->Pen(); }
    void SetStartLinePen(TChartPen* value) { FStartLine->SetPen(value); }
    TChartPen* EndLinePen() const { return FEndLine->Pen(); }
    void SetEndLinePen(TChartPen* value) { FEndLine->SetPen(value); }
    void SetGradient(TTeeGradient* value) { FGradient->Assign(value); }

    TToolMouseEvent OnClick;

private:
    TCustomTeePanel* Panel() const;
    void LineDragged(TColorLineTool* line, bool endOfDrag);

    TColor FColor = clWhite;
    TCursor FCursor = crDefault;
    bool FDrawBehind = true;
    bool FDrawBehindAxes = false;
    double FEndValue = 0;
    double FStartValue = 0;
    TTeeTransparency FTransparency = 0;
    TTeeGradient* FGradient;
    TColorLineTool* FStartLine;
    TColorLineTool* FEndLine;
};
