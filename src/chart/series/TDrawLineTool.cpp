#include "chart/series/TDrawLineTool.h"

#include <algorithm>
#include <cstring>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/Exception.h"
#include "platform/StoreChanged.h"

using namespace teetools;

const QMetaObject* TeeDrawLineClass = &TDrawLine::staticMetaObject;

// ---------------------------------------------------------------- line

TDrawLine::TDrawLine(TCollection* collection)
    : TCollectionItem(collection), FParent(collection ? qobject_cast<TDrawLineTool*>(collection->parent()) : nullptr)
{}

TDrawLine::TDrawLine(TDrawLineTool* owner, double X0, double Y0, double X1, double Y1)
    : TDrawLine(owner ? owner->Lines() : nullptr)
{
    FStartPos = {X0, Y0};
    FEndPos = {X1, Y1};
    Repaint();
}

TDrawLine::~TDrawLine()
{
    if (FParent && FParent->FSelected == this) FParent->FSelected = nullptr;
}

void TDrawLine::Repaint()
{
    if (FParent) FParent->Repaint();
}

void TDrawLine::SetValue(double& variable, double value)
{
    if (StoreChanged(variable, value)) Repaint();
}

void TDrawLine::Assign(TPersistent* Source)
{
    auto* s = qobject_cast<TDrawLine*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FStartPos = s->FStartPos;
    FEndPos = s->FEndPos;
    FStyle = s->FStyle;
    SetPen(s->FPen);
}

bool TDrawLine::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Pen") == 0) return FPen != nullptr;
    if (std::strcmp(Name, "Style") == 0) return FStyle != dlLine;
    return TPersistent::IsPropertyStored(Name);
}

TChartPen* TDrawLine::GetPen()
{
    if (!FPen) {
        FPen = new TChartPen(
            [this](QObject*) {
                if (FParent) FParent->CanvasChanged();
            },
            this);
        if (FParent) FPen->Assign(FParent->Pen());
    }
    return FPen;
}

void TDrawLine::SetPen(TChartPen* value)
{
    if (AssignPart(FPen, value, [this] { return GetPen(); })) Repaint();
}

void TDrawLine::SetStyle(TDrawLineStyle value)
{
    if (StoreChanged(FStyle, value)) Repaint();
}

TRect TDrawLine::HandleAround(const TFloatPoint& P) const
{
    const TPoint p = FParent ? FParent->AxisPoint(P) : TPoint();
    return TRect(p.X - 3, p.Y - 3, p.X + 3, p.Y + 3);
}

void TDrawLine::DrawHandles()
{
    TCanvas3D* c = FParent ? Canvas(FParent->ParentChart()) : nullptr;
    TCustomTeePanel* panel = FParent ? Panel(FParent->ParentChart()) : nullptr;
    if (!c || !panel) return;
    c->Brush->SetStyle(bsSolid);
    c->Brush->SetColor(ColorToRGB(panel->GetColor()) == clBlack ? clSilver : clBlack);
    c->Pen->SetStyle(psClear);
    // The squares are inclusive of their edges: one more pixel to the right and bottom.
    for (TRect r : {StartHandle(), EndHandle()}) {
        ++r.Right;
        ++r.Bottom;
        c->RectangleWithZ(r, 0);
    }
}

bool TDrawLine::Clicked(int X, int Y, TDrawLineHandle Handle, int Tolerance) const
{
    if (!FParent) return false;
    if (Handle == chStart) return PointInRect(StartHandle(), X, Y);
    if (Handle == chEnd) return PointInRect(EndHandle(), X, Y);
    const TPoint p0 = FParent->AxisPoint(FStartPos), p1 = FParent->AxisPoint(FEndPos);
    const TPoint p(X, Y);
    switch (FStyle) {
        case dlLine: return PointInLine(p, p0, p1, Tolerance);
        case dlHorizParallel:
            return PointInLine(p, p0.X, p0.Y, p1.X, p0.Y, Tolerance) ||
                   PointInLine(p, p0.X, p1.Y, p1.X, p1.Y, Tolerance);
        case dlVertParallel:
            return PointInLine(p, p0.X, p0.Y, p0.X, p1.Y, Tolerance) ||
                   PointInLine(p, p1.X, p0.Y, p1.X, p1.Y, Tolerance);
    }
    return false;
}

// ---------------------------------------------------------------- lines

TDrawLines::TDrawLines(TDrawLineTool* owner) : TCollection(owner), FOwner(owner) {}

TCollectionItem* TDrawLines::Add()
{
    QObject* o = TeeDrawLineClass->newInstance(Q_ARG(TCollection*, this));
    auto* line = qobject_cast<TDrawLine*>(o);
    if (!line) {
        delete o;
        throw Exception(AnsiString("Class ") + TeeDrawLineClass->className() + " is no draw line");
    }
    return line;
}

// ---------------------------------------------------------------- tool

TDrawLineTool::TDrawLineTool(QObject* owner) : TTeeCustomToolSeries(owner), FLines(new TDrawLines(this)) {}

TDrawLineTool::~TDrawLineTool()
{
    // The lines go while the tool is whole: they look at its selection.
    FSelected = nullptr;
    FLines->Clear();
}

bool TDrawLineTool::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Lines") == 0) return FLines->Count() > 0;
    return TTeeCustomToolSeries::IsPropertyStored(Name);
}

AnsiString TDrawLineTool::Description() const
{
    return TeeMsg_DrawLineTool;
}

TPoint TDrawLineTool::AxisPoint(const TFloatPoint& P) const
{
    TChartAxis* h = GetHorizAxis();
    TChartAxis* v = GetVertAxis();
    if (!h || !v) return TPoint();
    return TPoint(h->CalcPosValue(P.X), v->CalcPosValue(P.Y));
}

TFloatPoint TDrawLineTool::ScreenPoint(const TPoint& P) const
{
    TChartAxis* h = GetHorizAxis();
    TChartAxis* v = GetVertAxis();
    if (!h || !v) return {};
    return {h->CalcPosPoint(P.X), v->CalcPosPoint(P.Y)};
}

TDrawLine* TDrawLineTool::Clicked(int X, int Y)
{
    TCanvas3D* c = Canvas(FParentChart);
    for (TDrawLineHandle handle : {chNone, chStart, chEnd}) {
        int x = X, y = Y;
        if (c) c->Calculate2DPosition(x, y, 0);
        if (FSelected && FSelected->Clicked(x, y, handle, FClickTolerance)) return FSelected;
        for (int i = 0; i < FLines->Count(); ++i)
            if ((*FLines)[i]->Clicked(x, y, handle, FClickTolerance)) return (*FLines)[i];
    }
    return nullptr;
}

void TDrawLineTool::ClipDrawingRegion()
{
    IAxisHost* host = Host(FParentChart);
    TCustomTeePanel* panel = Panel(FParentChart);
    if (!host || !panel || !host->GetCanvas()) return;
    TRect r = host->GetChartRect();
    if (FSeries && FSeries->GetHorizAxis() && FSeries->GetVertAxis()) {
        TChartAxis* h = FSeries->GetHorizAxis();
        TChartAxis* v = FSeries->GetVertAxis();
        r = TRect(h->StartPos, v->StartPos, h->EndPos, v->EndPos);
    }
    if (panel->CanClip()) host->GetCanvas()->ClipCube(r, 0, host->GetWidth3D());
}

void TDrawLineTool::DrawLine(const TPoint& P0, const TPoint& P1, TDrawLineStyle Style)
{
    IAxisHost* host = Host(FParentChart);
    TCanvas3D* c = host ? host->GetCanvas() : nullptr;
    if (!c) return;
    if (host->GetView3D()) {
        switch (Style) {
            case dlLine:
                c->MoveTo3D(P0.X, P0.Y, 0);
                c->LineTo3D(P1.X, P1.Y, 0);
                break;
            case dlHorizParallel:
                c->HorizLine3D(P0.X, P1.X, P0.Y, 0);
                c->HorizLine3D(P0.X, P1.X, P1.Y, 0);
                break;
            case dlVertParallel:
                c->VertLine3D(P0.X, P0.Y, P1.Y, 0);
                c->VertLine3D(P1.X, P0.Y, P1.Y, 0);
                break;
        }
        return;
    }
    switch (Style) {
        case dlLine: c->Line(P0, P1); break;
        case dlHorizParallel:
            c->DoHorizLine(P0.X, P1.X, P0.Y);
            c->DoHorizLine(P0.X, P1.X, P1.Y);
            break;
        case dlVertParallel:
            c->DoVertLine(P0.X, P0.Y, P1.Y);
            c->DoVertLine(P1.X, P0.Y, P1.Y);
            break;
    }
}

void TDrawLineTool::RedrawLine(TDrawLine* Line)
{
    TCanvas3D* c = Canvas(FParentChart);
    TCustomTeePanel* panel = Panel(FParentChart);
    if (!c || !panel) return;
    TChartPen* pen = Line && Line->HasPen() ? Line->GetPen() : Pen();
    c->AssignVisiblePenColor(pen, ColorToRGB(pen->GetColor()) ^ (0xFFFFFF - ColorToRGB(panel->GetBackColor())));
    c->Pen->SetMode(pmNotXor);
    c->Brush->SetStyle(bsClear);
    DrawLine(FFromPoint, FToPoint, Line ? Line->GetStyle() : dlLine);
    c->Pen->SetMode(pmCopy);
}

void TDrawLineTool::DeleteSelected()
{
    if (!FSelected) return;
    FDrawing = false;
    FDragged = chNone;
    delete FSelected;  // clears FSelected and leaves the lines
    Repaint();
}

void TDrawLineTool::SetSelected(TDrawLine* value)
{
    FSelected = value;
    Repaint();
}

void TDrawLineTool::SetEnableSelect(bool value)
{
    if (!StoreChanged(FEnableSelect, value)) return;
    if (!value && FSelected) {
        FSelected = nullptr;
        Repaint();
    }
}

void TDrawLineTool::ChartEvent(TChartToolEvent event)
{
    if (event != cteAfterDraw || FLines->Count() == 0) return;
    TCanvas3D* c = Canvas(FParentChart);
    if (!c) return;
    c->SetBackMode(cbmTransparent);
    ClipDrawingRegion();
    for (int i = 0; i < FLines->Count(); ++i) {
        TDrawLine* line = (*FLines)[i];
        c->AssignVisiblePen(line->HasPen() ? line->GetPen() : Pen());
        DrawLine(AxisPoint(line->StartPos()), AxisPoint(line->EndPos()), line->GetStyle());
    }
    if (FSelected) FSelected->DrawHandles();
    c->UnClipRectangle();
}

void TDrawLineTool::MouseDown(int x, int y)
{
    TDrawLine* line = FEnableSelect ? Clicked(x, y) : nullptr;
    if (!line) {
        FSelected = nullptr;
        if (FEnableDraw) {
            FDrawing = true;
            FFromPoint = FToPoint = TPoint(x, y);
            BeginWindowDrawing(FParentChart);
            RedrawLine(nullptr);
            EndWindowDrawing(FParentChart);
            SetMouseHandled(FParentChart, true);
        }
        return;
    }
    const auto startDrag = [&] {
        FFromPoint = AxisPoint(line->StartPos());
        FToPoint = AxisPoint(line->EndPos());
        FDragged = chSeries;
        FLastPoint = TPoint(x, y);
    };
    if (line == FSelected) {
        startDrag();
        if (line->Clicked(x, y, chStart, FClickTolerance))
            FDragged = chStart;
        else if (line->Clicked(x, y, chEnd, FClickTolerance))
            FDragged = chEnd;
    } else {
        bool allow = true;
        if (OnSelecting) OnSelecting(this, line, allow);
        // A refused line is neither selected nor dragged.
        if (allow) {
            startDrag();
            const bool hadSelection = FSelected != nullptr;
            FSelected = line;
            if (hadSelection)
                Repaint();
            else {
                BeginWindowDrawing(FParentChart);
                line->DrawHandles();
                EndWindowDrawing(FParentChart);
            }
            if (OnSelect) OnSelect(this);
        }
    }
    SetMouseHandled(FParentChart, true);
}

void TDrawLineTool::MouseMove(int x, int y)
{
    if (!FDrawing && FDragged == chNone) {
        if (!FEnableSelect) return;
        bool over = false;
        if (FSelected &&
            (FSelected->Clicked(x, y, chStart, FClickTolerance) || FSelected->Clicked(x, y, chEnd, FClickTolerance))) {
            SetCursor(FParentChart, crCross);
            over = true;
        } else if (Clicked(x, y)) {
            SetCursor(FParentChart, crHandPoint);
            over = true;
        }
        SetMouseHandled(FParentChart, over);
        return;
    }
    TDrawLine* rubber = FDrawing ? nullptr : FSelected;
    BeginWindowDrawing(FParentChart);
    RedrawLine(rubber);
    if (FDrawing)
        FToPoint = TPoint(x, y);
    else if (FDragged == chStart)
        FFromPoint = TPoint(x, y);
    else if (FDragged == chEnd)
        FToPoint = TPoint(x, y);
    else {
        const int dx = x - FLastPoint.X, dy = y - FLastPoint.Y;
        FFromPoint = TPoint(FFromPoint.X + dx, FFromPoint.Y + dy);
        FToPoint = TPoint(FToPoint.X + dx, FToPoint.Y + dy);
        FLastPoint = TPoint(x, y);
    }
    RedrawLine(rubber);
    EndWindowDrawing(FParentChart);
    SetMouseHandled(FParentChart, true);
    FDragFlag = true;
    if (OnDragLine) OnDragLine(this);
}

void TDrawLineTool::MouseUp()
{
    const TDrawLineHandle dragged = FDragged;
    // Whatever happened, the release ends the drag.
    FDragged = chNone;
    if (dragged == chNone || !FSelected) {
        if (FDrawing && FFromPoint != FToPoint) {
            FDrawing = false;
            TDrawLine* line = FLines->AddLine();
            const TFloatPoint p0 = ScreenPoint(FFromPoint), p1 = ScreenPoint(FToPoint);
            line->FStartPos = p0;
            line->FEndPos = p1;
            Repaint();
            if (OnNewLine) OnNewLine(this);
        }
        FDrawing = false;
        FDragFlag = false;
        return;
    }
    // Only a drag moves the line: a click that selects it keeps its exact values.
    if (FDragFlag && (dragged == chStart || dragged == chSeries)) FSelected->FStartPos = ScreenPoint(FFromPoint);
    if (FDragFlag && (dragged == chEnd || dragged == chSeries)) FSelected->FEndPos = ScreenPoint(FToPoint);
    Repaint();
    if (FDragFlag) {
        FDragFlag = false;
        if (OnDraggedLine) OnDraggedLine(this);
    }
}

void TDrawLineTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState, int x, int y)
{
    switch (event) {
        case cmeDown:
            if (button == FButton) MouseDown(x, y);
            break;
        case cmeMove: MouseMove(x, y); break;
        case cmeUp:
            if (button == FButton) MouseUp();
            break;
    }
}
