#pragma once
// Straight lines the user draws onto a chart with the mouse. Lines are kept in axis
// values, so they stay on the data through zoom and scroll; a line can be selected,
// dragged by either end or as a whole, and deleted.
#include <QMetaObject>
#include <functional>
#include <vector>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"
#include "platform/TCollection.h"

class TDrawLineTool;
class TDrawLines;

// A point in axis values.
struct TFloatPoint {
    double X = 0;
    double Y = 0;
};

enum TDrawLineHandle { chNone, chStart, chEnd, chSeries };

class TDrawLine : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(TChartPen* Pen READ GetPen WRITE SetPen)
    Q_PROPERTY(ToolEnums::TDrawLineStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(double X0 READ GetX0 WRITE SetX0)
    Q_PROPERTY(double Y0 READ GetY0 WRITE SetY0)
    Q_PROPERTY(double X1 READ GetX1 WRITE SetX1)
    Q_PROPERTY(double Y1 READ GetY1 WRITE SetY1)
public:
    // A new line at the end of the lines (none: a line of no tool).
    Q_INVOKABLE explicit TDrawLine(TCollection* collection = nullptr);
    // A line from (X0, Y0) to (X1, Y1) at the end of the tool's lines; repaints the tool.
    TDrawLine(TDrawLineTool* owner, double X0, double Y0, double X1, double Y1);
    // Leaves the tool's selection when it is the selected line.
    ~TDrawLine() override;

    // Copies the points, the style and the own pen (or the lack of one).
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TDrawLineTool* Parent() const { return FParent; }
    // The line's own pen, made on first use as a copy of the tool's pen.
    TChartPen* GetPen();
    bool HasPen() const { return FPen != nullptr; }
    // None drops the own pen (the tool's pen applies again); a pen is copied.
    void SetPen(TChartPen* value);
    TDrawLineStyle GetStyle() const { return FStyle; }
    void SetStyle(TDrawLineStyle value);
    double GetX0() const { return FStartPos.X; }
    void SetX0(double value) { SetValue(FStartPos.X, value); }
    double GetY0() const { return FStartPos.Y; }
    void SetY0(double value) { SetValue(FStartPos.Y, value); }
    double GetX1() const { return FEndPos.X; }
    void SetX1(double value) { SetValue(FEndPos.X, value); }
    double GetY1() const { return FEndPos.Y; }
    void SetY1(double value) { SetValue(FEndPos.Y, value); }
    TFloatPoint StartPos() const { return FStartPos; }
    TFloatPoint EndPos() const { return FEndPos; }

    // The 7 x 7 pixel squares around the start and end points on screen.
    TRect StartHandle() const { return HandleAround(FStartPos); }
    TRect EndHandle() const { return HandleAround(FEndPos); }
    void DrawHandles();
    // Whether (X, Y) hits the handle (chStart, chEnd) or, for chNone, the line itself.
    bool Clicked(int X, int Y, TDrawLineHandle Handle, int Tolerance) const;

private:
    friend class TDrawLineTool;
    void SetValue(double& variable, double value);
    void Repaint();
    TRect HandleAround(const TFloatPoint& P) const;

    TDrawLineTool* FParent = nullptr;
    TChartPen* FPen = nullptr;
    TDrawLineStyle FStyle = dlLine;
    TFloatPoint FStartPos;
    TFloatPoint FEndPos;
};

// The lines of a draw line tool, which owns them.
class TDrawLines : public TCollection {
    Q_OBJECT
public:
    explicit TDrawLines(TDrawLineTool* owner);

    TDrawLineTool* Owner() const { return FOwner; }
    TDrawLine* Items(int index) const { return static_cast<TDrawLine*>(Item(index)); }
    TDrawLine* operator[](int index) const { return Items(index); }
    // Copies line into item index.
    void SetItem(int index, TDrawLine* line) { Items(index)->Assign(line); }
    TDrawLine* Last() const { return Count() == 0 ? nullptr : Items(Count() - 1); }
    // A new line of TeeDrawLineClass at the end.
    TCollectionItem* Add() override;
    TDrawLine* AddLine() { return static_cast<TDrawLine*>(Add()); }

private:
    TDrawLineTool* FOwner;
};

// The class of which new lines are made: TDrawLine or a class derived from it with an
// invokable constructor taking the collection.
extern const QMetaObject* TeeDrawLineClass;

using TDrawLineSelecting = std::function<void(TDrawLineTool* Sender, TDrawLine* Line, bool& AllowSelect)>;

class TDrawLineTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(int Button READ GetButtonInt WRITE SetButtonInt)
    Q_PROPERTY(int ClickTolerance READ GetClickTolerance WRITE SetClickTolerance)
    Q_PROPERTY(bool EnableDraw READ GetEnableDraw WRITE SetEnableDraw)
    Q_PROPERTY(bool EnableSelect READ GetEnableSelect WRITE SetEnableSelect)
    Q_PROPERTY(TDrawLines* Lines READ Lines WRITE SetLines)
public:
    Q_INVOKABLE explicit TDrawLineTool(QObject* owner = nullptr);
    ~TDrawLineTool() override;

    AnsiString GetEditorClass() const override { return "TDrawLineEdit"; }
    AnsiString Description() const override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;
    // Clips the canvas to the series' axes (the chart rectangle without a series).
    virtual void ClipDrawingRegion();

    TPoint AxisPoint(const TFloatPoint& P) const;
    TFloatPoint ScreenPoint(const TPoint& P) const;
    // The line under (X, Y): bodies first, then start handles, then end handles; the
    // selected line before the others.
    TDrawLine* Clicked(int X, int Y);
    void DrawLine(const TPoint& P0, const TPoint& P1, TDrawLineStyle Style);
    // The rubber line between the start and end points of the current drag, in XOR mode.
    void RedrawLine(TDrawLine* Line);
    void DeleteSelected();

    TDrawLines* Lines() const { return FLines; }
    void SetLines(TDrawLines* value)
    {
        FLines->Assign(value);
        Repaint();
    }
    bool IsPropertyStored(const char* Name) const override;
    TDrawLine* Selected() const { return FSelected; }
    void SetSelected(TDrawLine* value);
    TMouseButton GetButton() const { return FButton; }
    void SetButton(TMouseButton value) { FButton = value; }
    int GetClickTolerance() const { return FClickTolerance; }
    void SetClickTolerance(int value) { FClickTolerance = value; }
    bool GetEnableDraw() const { return FEnableDraw; }
    void SetEnableDraw(bool value) { FEnableDraw = value; }
    bool GetEnableSelect() const { return FEnableSelect; }
    void SetEnableSelect(bool value);
    bool Drawing() const { return FDrawing; }
    TDrawLineHandle DraggedPart() const { return FDragged; }

    TNotifyEvent OnDraggedLine;
    TNotifyEvent OnDragLine;
    TNotifyEvent OnNewLine;
    TNotifyEvent OnSelect;
    TDrawLineSelecting OnSelecting;

private:
    friend class TDrawLine;
    int GetButtonInt() const { return FButton; }
    void SetButtonInt(int value) { FButton = static_cast<TMouseButton>(value); }
    void MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp();

    TDrawLines* FLines;
    TDrawLine* FSelected = nullptr;
    TMouseButton FButton = mbLeft;
    int FClickTolerance = 0;
    bool FEnableDraw = true;
    bool FEnableSelect = true;
    bool FDrawing = false;
    bool FDragFlag = false;
    TDrawLineHandle FDragged = chNone;
    TPoint FFromPoint;
    TPoint FToPoint;
    TPoint FLastPoint;
};
