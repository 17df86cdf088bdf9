#include "chart/engine/TAxisItems.h"

#include <cmath>
#include <cstring>

#include "chart/engine/AxisHost.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "platform/Exception.h"
#include "platform/Round.h"

// ---------------------------------------------------------------- TAxisLabelShape

TAxisLabelShape::TAxisLabelShape(IAxisHost* chart, QObject* parent) : TPersistent(parent), FParentChart(chart)
{
    const TNotifyEvent changed = [this](QObject*) { Repaint(); };
    FBrush = new TChartBrush(changed, this);
    FBrush->SetColor(clWhite);
    FPen = new TChartPen(changed, this);
    FFont = new TTeeFont(changed, this);
}

void TAxisLabelShape::Repaint()
{
    if (FParentChart) FParentChart->Invalidate();
}

void TAxisLabelShape::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Repaint();
}

void TAxisLabelShape::SetTransparent(bool value)
{
    if (value == FTransparent) return;
    FTransparent = value;
    Repaint();
}

void TAxisLabelShape::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    Repaint();
}

void TAxisLabelShape::DrawRectRotated(TCanvas3D* Canvas, const TRect& Rect, int Angle, int Z)
{
    if (FTransparent || !Canvas) return;
    Canvas->AssignBrushColor(FBrush, FColor, clNone);
    if (FPen->GetVisible())
        Canvas->AssignVisiblePen(FPen);
    else
        Canvas->Pen->SetStyle(psClear);
    if (Angle == 0) {
        Canvas->RectangleWithZ(Rect, Z);
        return;
    }
    // The corners turned about the centre of the box.
    const double a = Angle * TeePiStep;
    const double s = std::sin(a), c = std::cos(a);
    const int cx = (Rect.Left + Rect.Right) / 2;
    const int cy = (Rect.Top + Rect.Bottom) / 2;
    const TPoint corners[4] = {{Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom},
                               {Rect.Left, Rect.Bottom}};
    TPoint p[4];
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i].X - cx, y = corners[i].Y - cy;
        p[i] = TPoint(Round(x * c + y * s) + cx, Round(-x * s + y * c) + cy);
    }
    Canvas->PolygonWithZ(p, Z);
}

void TAxisLabelShape::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TAxisLabelShape*>(Source)) {
        FBrush->Assign(s->FBrush);
        FPen->Assign(s->FPen);
        FFont->Assign(s->FFont);
        FColor = s->FColor;
        FTransparent = s->FTransparent;
        FVisible = s->FVisible;
        return;
    }
    TPersistent::Assign(Source);
}

bool TAxisLabelShape::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Transparent") == 0) return FTransparent != DefaultTransparent;
    if (std::strcmp(Name, "Color") == 0) return FColor != clWhite;
    if (std::strcmp(Name, "Visible") == 0) return !FVisible;
    return TPersistent::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- TAxisItem

TAxisItem::TAxisItem(TAxisItems* owner, IAxisHost* chart) : TAxisLabelShape(chart), FOwner(owner)
{
    FTransparent = true;
    DefaultTransparent = true;
}

void TAxisItem::SetText(const AnsiString& value)
{
    if (value == FText) return;
    FText = value;
    Repaint();
}

void TAxisItem::SetValue(double value)
{
    if (value == FValue) return;
    FValue = value;
    Repaint();
}

// ---------------------------------------------------------------- TAxisItems

TAxisItems::TAxisItems(TChartAxis* axis) : FAxis(axis)
{
    FFormat = new TAxisLabelShape(axis ? axis->ParentChart() : nullptr);
    FFormat->SetTransparent(true);
    FFormat->DefaultTransparent = true;
}

TAxisItems::~TAxisItems()
{
    delete FFormat;
    for (TAxisItem* item : FItems) delete item;
}

TAxisItem* TAxisItems::Get(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

TAxisItem* TAxisItems::Add(double value)
{
    auto* item = new TAxisItem(this, FAxis ? FAxis->ParentChart() : nullptr);
    item->SetValue(value);
    FItems.push_back(item);
    return item;
}

TAxisItem* TAxisItems::Add(double value, const AnsiString& text)
{
    TAxisItem* item = Add(value);
    item->InitText(text);
    return item;
}

void TAxisItems::CopyFrom(const TAxisItems& source)
{
    if (&source == this) return;
    FFormat->Assign(source.FFormat);
    Clear();
    for (const TAxisItem* item : source.FItems) Add(item->GetValue(), item->GetText());
}

void TAxisItems::Clear()
{
    for (TAxisItem* item : FItems) delete item;
    FItems.clear();
    Invalidate();
}

void TAxisItems::Invalidate()
{
    if (FAxis && FAxis->ParentChart()) FAxis->ParentChart()->Invalidate();
}
