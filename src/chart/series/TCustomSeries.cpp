#include "chart/series/TCustomSeries.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProcs.h"
#include "platform/StoreChanged.h"

TCustomSeries::TCustomSeries(QObject* owner) : TCustomLineSeries(owner)
{
    DrawPointBeyondRange = true;
    const TNotifyEvent changed = [this](QObject*) { CanvasChanged(); };
    FPointer = new TSeriesPointer(this);
    FAreaLinesPen = new TChartPen(changed, this);
    FOutLine = new TChartHiddenPen(changed, this);
    FShadow = new TTeeShadow(changed, this);
    FShadow->SetSize(0);
    FAreaBrush = new TChartBrush(changed, this);
    FGradient = new TTeeGradient(changed, this);
}

TCustomSeries::~TCustomSeries()
{
    // Owned parts must not call back into a series half destroyed.
    FAreaLinesPen->OnChange = nullptr;
    FOutLine->OnChange = nullptr;
    FAreaBrush->OnChange = nullptr;
    delete FGradient;
    delete FAreaBrush;
    delete FAreaLinesPen;
    delete FShadow;
    delete FOutLine;
    delete FPointer;
}

void TCustomSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TCustomSeries*>(&source); other && other != this) {
        FSettings = other->FSettings;
        FAreaBrush->Assign(other->FAreaBrush);
        FAreaLinesPen->Assign(other->FAreaLinesPen);
        FPointer->Assign(other->FPointer);
        FOutLine->Assign(other->FOutLine);
        FShadow->Assign(other->FShadow);
        FGradient->Assign(other->FGradient);
    }
    TCustomLineSeries::Assign(source);
}

void TCustomSeries::SetParentChart(IChartHost* value)
{
    TCustomLineSeries::SetParentChart(value);
    FPointer->SetParent(SeriesPanelOf(value));
}

TColor TCustomSeries::GetAreaBrushColor(TColor c) const
{
    return (FSettings.AreaColor == clDefault || FColorEachPoint) ? c : FSettings.AreaColor;
}

// ---------------------------------------------------------------- stacking

double TCustomSeries::PointOrigin(int valueIndex, bool sumAll) const
{
    double result = 0;
    ISeriesHost* host = SeriesHost();
    if (!host || valueIndex < 0 || valueIndex >= Count()) return result;
    const bool positive = MandatoryValueList()->Value(valueIndex) >= 0;
    for (TChartSeries* s : *host->SeriesList()) {
        if (!sumAll && s == this) break;
        if (!s->GetActive() || s->metaObject() != metaObject() || s->Count() <= valueIndex) continue;
        const double v = s->GetOriginValue(valueIndex);
        if (positive ? v > 0 : v < 0) result += v;
    }
    return result;
}

int TCustomSeries::CalcStackedPos(int valueIndex, double value) const
{
    TChartAxis* axis = MandatoryAxis();
    const int end = axis ? axis->EndPos : 0;
    const double v = PointOrigin(valueIndex, false) + value;
    if (FSettings.Stacked == cssStack100) {
        const double total = PointOrigin(valueIndex, true);
        return total != 0 ? CalcPosValue(v * 100.0 / total) : end;
    }
    return std::min(CalcPosValue(v), end);
}

void TCustomSeries::SetStacked(TCustomSeriesStack value)
{
    if (!StoreChanged(FSettings.Stacked, value)) return;
    if (FParentChart)
        for (TChartSeries* s : *FParentChart->SeriesList())
            if (auto* c = qobject_cast<TCustomSeries*>(s); c && metaObject()->inherits(c->metaObject()))
                c->FSettings.Stacked = value;
    Repaint();
}

void TCustomSeries::CalcZOrder()
{
    ISeriesHost* host = SeriesHost();
    if (FSettings.Stacked != cssNone && host && GetZOrderValue() == -1) {
        // Stacked series share one depth slot.
        FComputedZOrder = std::max(0, host->GetMaxZOrder());
        return;
    }
    TCustomLineSeries::CalcZOrder();
}

double TCustomSeries::StackedLimit(bool valueAxis, bool isMax, double plain)
{
    if (!valueAxis) return plain;
    if (FSettings.Stacked == cssStack100) return isMax ? 100 : 0;
    if (FSettings.Stacked != cssStack) return plain;
    double result = plain;
    const TChartValueList* list = MandatoryValueList();
    for (int i = 0; i < Count(); ++i) {
        const double v = PointOrigin(i, false) + list->Value(i);
        result = isMax ? std::max(result, v) : std::min(result, v);
    }
    return result;
}

double TCustomSeries::MaxYValue()
{
    return StackedLimit(FYMandatory, true, TCustomLineSeries::MaxYValue());
}

double TCustomSeries::MinYValue()
{
    return StackedLimit(FYMandatory, false, TCustomLineSeries::MinYValue());
}

double TCustomSeries::MaxXValue()
{
    return StackedLimit(!FYMandatory, true, TCustomLineSeries::MaxXValue());
}

double TCustomSeries::MinXValue()
{
    return StackedLimit(!FYMandatory, false, TCustomLineSeries::MinXValue());
}

// ---------------------------------------------------------------- positions

int TCustomSeries::CalcXPos(int valueIndex) const
{
    if (!FYMandatory && IsStacked()) return CalcStackedPos(valueIndex, GetxValue(valueIndex));
    return TCustomLineSeries::CalcXPos(valueIndex);
}

int TCustomSeries::CalcYPos(int valueIndex) const
{
    if (FYMandatory && IsStacked()) return CalcStackedPos(valueIndex, GetyValue(valueIndex));
    return TCustomLineSeries::CalcYPos(valueIndex);
}

int TCustomSeries::GetOriginPos(int valueIndex)
{
    if (IsStacked()) return CalcStackedPos(valueIndex, 0);
    if (FYMandatory) {
        TChartAxis* axis = GetVertAxis();
        if (!axis) return 0;
        return axis->GetInverted() ? axis->StartPos : axis->EndPos;
    }
    TChartAxis* axis = GetHorizAxis();
    if (!axis) return 0;
    return axis->GetInverted() ? axis->EndPos : axis->StartPos;
}

// ---------------------------------------------------------------- drawing

void TCustomSeries::DrawPointer(int x, int y, TColor color, int valueIndex)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    FPointer->PrepareCanvas(canvas, color);
    const TSeriesPointerStyle style = PointerStyle(valueIndex);
    FPointer->Draw(x, y, color, style);
}

void TCustomSeries::DrawValue(int valueIndex)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const TColor c = GetValueColor(valueIndex);
    const int x = CalcXPos(valueIndex);
    const int y = CalcYPos(valueIndex);
    if (canvas->Pen->GetColor() != clBlack) canvas->Pen->SetColor(clBlack);
    canvas->Brush->SetColor(c);
    if (FPrevColor == clNone) {
        FPrevX = x;
        FPrevY = y;
    }
    FOriginPos = GetOriginPos(valueIndex);
    const bool forward = DrawValuesForward();
    const bool isLast = valueIndex == (forward ? LastValueIndex : FirstValueIndex);

    if (valueIndex == FirstDisplayedIndex()) {
        if (FSettings.Dark3D) {
            TView3DOptions* o = host->GetView3DOptions();
            const int h = o ? o->GetHorizOffset() : 0;
            FSlope = h == 0 ? 1.0 : std::abs(double(o->GetVertOffset()) / h);
        }
        if (valueIndex == FirstValueIndex && valueIndex > 0) {
            const int prev = valueIndex - 1;
            if (FSettings.DrawArea) {
                FPrevX = CalcXPos(prev);
                FPrevY = CalcYPos(prev);
                FPrevOrigin = GetOriginPos(prev);
            } else {
                // The line comes in from the plotting edge, cut where it crosses it.
                TChartAxis* hAxis = GetHorizAxis();
                const TRect r = host->GetChartRect();
                FPrevX = hAxis && hAxis->GetInverted() ? r.Right : r.Left;
                if (FSettings.Stairs) {
                    FPrevY = CalcYPos(prev);
                } else {
                    const double x0 = GetxValue(prev), x1 = GetxValue(valueIndex);
                    const double y0 = GetyValue(prev), y1 = GetyValue(valueIndex);
                    if (x1 == x0) {
                        FPrevY = CalcYPos(prev);
                    } else {
                        const double xe = XScreenToValue(FPrevX);
                        TChartAxis* vAxis = GetVertAxis();
                        double ye;
                        if (vAxis && vAxis->GetLogarithmic() && y0 > 0 && y1 > 0)
                            ye = std::exp(std::log(y0) + (xe - x0) * (std::log(y1) - std::log(y0)) / (x1 - x0));
                        else
                            ye = y0 + (y1 - y0) * (xe - x0) / (x1 - x0);
                        FPrevY = CalcYPosValue(ye);
                    }
                }
                FPrevOrigin = FOriginPos;
            }
            if (!IsNull(prev)) DrawSegment(x, y, c, valueIndex, isLast, false);
        }
        if (isLast && FPointer->GetVisible()) DrawPointer(x, y, c, valueIndex);
        if (canvas->GetSupportsFullRotation() && FSettings.DrawArea && host->GetView3D())
            canvas->RectangleZ(x, y, FOriginPos, StartZ, EndZ);
    } else {
        DrawSegment(x, y, c, valueIndex, isLast, true);
    }
    FPrevX = x;
    FPrevY = y;
    FPrevOrigin = FOriginPos;
    FPrevColor = c;
}

void TCustomSeries::DrawSegment(int x, int y, TColor color, int valueIndex, bool isLast, bool withPointers)
{
    if ((x == FPrevX && y == FPrevY) || color == clNone) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    const bool is3D = host->GetView3D();

    if (is3D && (FSettings.DrawArea || FSettings.DrawLine)) DrawRibbon3D(x, y, color, isLast);
    if (!FSettings.DrawArea && !is3D && FSettings.DrawLine) {
        TColor lineColor = (FColorEachPoint && FSettings.ColorEachLine) ? color : GetSeriesColor();
        if (canvas->GetMonochrome()) lineColor = clWhite;
        if (x == FPrevX && !FSettings.Stairs && !FPointer->GetVisible()) {
            // A vertical step of a plain line: gathered with the others of its column.
            if (FColumn.Active() && (FColumn.X() != x || FColumn.Last() != FPrevY || FColumnColor != lineColor))
                FlushColumn();
            if (!FColumn.Active()) FColumn.Begin(x, FPrevY);
            FColumn.Add(y);
            FColumnColor = lineColor;
            return;
        }
        FlushColumn();
        canvas->Brush->SetStyle(bsClear);
        canvas->AssignVisiblePenColor(GetLinePen(), lineColor);
        canvas->MoveTo(FPrevX, FPrevY);
        if (FSettings.Stairs) {
            if (FSettings.InvertedStairs)
                canvas->LineTo(FPrevX, y);
            else
                canvas->LineTo(x, FPrevY);
        }
        canvas->LineTo(x, y);
    }
    if (FSettings.DrawArea) {
        canvas->Brush->SetColor(GetAreaBrushColor(color));
        const TColor penColor = (FAreaLinesPen->GetColor() == clDefault || !FAreaLinesPen->GetVisible())
                                    ? color
                                    : FAreaLinesPen->GetColor();
        canvas->AssignVisiblePenColor(FAreaLinesPen, penColor);
        DrawAreaPart(x, y, color, isLast);
    }
    if (withPointers && FPointer->GetVisible()) {
        if (FPrevColor != clNone) DrawPointer(FPrevX, FPrevY, FPrevColor, valueIndex - 1);
        if (isLast) DrawPointer(x, y, color, valueIndex);
    }
}

void TCustomSeries::DrawRibbon3D(int x, int y, TColor color, bool isLast)
{
    TCanvas3D* canvas = Canvas();
    canvas->AssignVisiblePen(GetLinePen());
    TColor brushColor = (FSettings.ColorEachLine || FSettings.DrawArea) ? GetAreaBrushColor(color) : GetSeriesColor();
    canvas->Brush->SetColor(brushColor);
    canvas->Brush->SetStyle(GetLineBrush());
    if (TPicture* image = Brush()->StoredImage(); image && image->GetGraphic())
        canvas->AssignBrush(Brush(), brushColor);
    const TColor dark = canvas->GetMonochrome() ? clWhite : ApplyDark(brushColor, DarkColorQuantity);
    const bool flat = FSettings.LineHeight > 0 && !FSettings.DrawArea;
    int prevY = FPrevY;
    if (!FSettings.Stairs) {
        if (flat) {
            canvas->PlaneWithZ(TPoint(x, y), TPoint(FPrevX, prevY), TPoint(FPrevX, prevY + FSettings.LineHeight),
                               TPoint(x, y + FSettings.LineHeight), StartZ);
            if (isLast) canvas->RectangleZ(x, y, y + FSettings.LineHeight, StartZ, EndZ);
        }
        if (FSettings.Dark3D && !canvas->GetSupportsFullRotation() && x != FPrevX && FSlope != 0 &&
            double(prevY - y) / (x - FPrevX) > FSlope) {
            canvas->Brush->SetColor(dark);
            if (flat) {
                y += FSettings.LineHeight;
                prevY += FSettings.LineHeight;
            }
        }
        canvas->Plane3D(TPoint(x, y), TPoint(FPrevX, prevY), StartZ, EndZ);
        canvas->Brush->SetColor(brushColor);
        return;
    }
    const auto darkened = [&](auto&& face) {
        if (FSettings.Dark3D) canvas->Brush->SetColor(dark);
        face();
        canvas->Brush->SetColor(brushColor);
    };
    if (FYMandatory) {
        if (!FSettings.InvertedStairs) {
            canvas->RectangleY(FPrevX, prevY, x, StartZ, EndZ);
            darkened([&] { canvas->RectangleZ(x, y, prevY, StartZ, EndZ); });
        } else {
            darkened([&] { canvas->RectangleZ(FPrevX, prevY, y, StartZ, EndZ); });
            canvas->RectangleY(x, y, FPrevX, StartZ, EndZ);
        }
    } else if (!FSettings.InvertedStairs) {
        canvas->RectangleZ(FPrevX, prevY, y, StartZ, EndZ);
        darkened([&] { canvas->RectangleY(FPrevX, y, x, StartZ, EndZ); });
    } else {
        darkened([&] { canvas->RectangleY(x, y, FPrevX, StartZ, EndZ); });
        canvas->RectangleZ(x, prevY, y, StartZ, EndZ);
    }
}

void TCustomSeries::DrawAreaPart(int x, int y, TColor color, bool isLast)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    const bool is3D = host->GetView3D();
    TColor areaColor = FSettings.AreaColor == clDefault ? GetAreaBrushColor(color) : FSettings.AreaColor;
    if (FColorEachPoint) areaColor = color;
    if (TPicture* image = FAreaBrush->StoredImage(); image && image->GetGraphic() && areaColor == color)
        areaColor = clWhite;
    host->SetBrushCanvas(areaColor, FAreaBrush, host->GetBackColor());
    if (is3D && isLast) {
        if (FYMandatory)
            canvas->RectangleZ(x, y, FOriginPos, StartZ, EndZ);
        else
            canvas->RectangleY(FOriginPos, y, x, StartZ, EndZ);
    }
    TChartAxis* mandatory = MandatoryAxis();
    const bool gradient = FGradient->GetVisible();
    const int z = [&] {
        TView3DOptions* o = host->GetView3DOptions();
        const int rot = o ? o->GetRotation() : 0;
        return rot > 90 && rot < 270 ? EndZ : StartZ;
    }();

    if (!FSettings.Stairs) {
        std::array<TPoint, 4> quad;
        if (FYMandatory)
            quad = {TPoint(FPrevX, FPrevY), TPoint(x, y), TPoint(x, FOriginPos), TPoint(FPrevX, FPrevOrigin)};
        else
            quad = {TPoint(FPrevX, FPrevY), TPoint(x, y), TPoint(FOriginPos, y), TPoint(FPrevOrigin, FPrevY)};
        TTeeBlend* blend = nullptr;
        if (FSettings.Transparency > 0) {
            TRect r = RectFromPolygon(quad, 4);
            if (is3D) r = canvas->CalcRect3D(r, z);
            blend = canvas->BeginBlending(r, FSettings.Transparency);
        }
        if (!is3D) {
            if (gradient && mandatory) {
                std::array<TPoint, 4> clip = quad;
                canvas->ClipPolygon(clip.data(), 4);
                TChartValueList* list = MandatoryValueList();
                const int top = CalcPosValue(list->MaxValue());
                const int bottom = CalcPosValue(list->MinValue());
                const TRect r = FYMandatory ? TRect(FPrevX, top, x, bottom) : TRect(bottom, FPrevY, top, y);
                FGradient->Draw(canvas, OrientRectangle(r));
                canvas->UnClipRectangle();
                canvas->Brush->SetStyle(bsClear);
                if (canvas->Pen->GetStyle() != psClear) {
                    if (FYMandatory)
                        canvas->DoVertLine(FPrevX, FPrevY, FPrevOrigin);
                    else
                        canvas->DoHorizLine(FPrevX, FPrevOrigin, FPrevY);
                }
            } else {
                canvas->Polygon(quad);
            }
        } else {
            canvas->PlaneWithZ(quad[0], quad[1], quad[2], quad[3], z);
            if (canvas->GetSupportsFullRotation()) canvas->PlaneWithZ(quad[0], quad[1], quad[2], quad[3], z);
            if (GetLinePen()->GetVisible()) {
                canvas->AssignVisiblePen(GetLinePen());
                canvas->LineWithZ(FPrevX, FPrevY, x, y, StartZ);
            }
        }
        if (blend) canvas->EndBlending(blend);
        return;
    }

    TRect r;
    if (FYMandatory)
        r = FSettings.InvertedStairs ? TRect(FPrevX, y, x, FOriginPos) : TRect(FPrevX, FPrevY, x, FPrevOrigin);
    else
        r = FSettings.InvertedStairs ? TRect(FOriginPos, FPrevY, x, y) : TRect(FPrevOrigin, FPrevY, FPrevX, y);
    r = OrientRectangle(r);
    TTeeBlend* blend = FSettings.Transparency > 0
                           ? canvas->BeginBlending(is3D ? canvas->CalcRect3D(r, z) : r, FSettings.Transparency)
                           : nullptr;
    if (!is3D) {
        if (gradient)
            FGradient->Draw(canvas, r);
        else
            canvas->Rectangle(r);
    } else {
        canvas->RectangleWithZ(r, StartZ);
        if (canvas->GetSupportsFullRotation()) canvas->RectangleWithZ(r, StartZ);
    }
    if (blend) canvas->EndBlending(blend);
    if (GetLinePen()->GetVisible() && !FAreaLinesPen->GetVisible()) {
        canvas->AssignVisiblePen(GetLinePen());
        if (FYMandatory) {
            const TPoint corner = FSettings.InvertedStairs ? TPoint(FPrevX, y) : TPoint(x, FPrevY);
            canvas->LineWithZ(FPrevX, FPrevY, corner.X, corner.Y, StartZ);
            canvas->LineWithZ(corner.X, corner.Y, x, y, StartZ);
        } else {
            const TPoint corner = FSettings.InvertedStairs ? TPoint(x, FPrevY) : TPoint(FPrevX, y);
            canvas->LineWithZ(FPrevX, FPrevY, corner.X, corner.Y, StartZ);
            canvas->LineWithZ(corner.X, corner.Y, x, y, StartZ);
        }
    }
}

void TCustomSeries::FlushColumn()
{
    if (!FColumn.Active()) return;
    TCanvas3D* canvas = Canvas();
    canvas->Brush->SetStyle(bsClear);
    canvas->AssignVisiblePenColor(GetLinePen(), FColumnColor);
    canvas->MoveTo(FColumn.X(), FColumn.Start());
    FColumn.Flush([canvas](int x, int y) { canvas->LineTo(x, y); });
}

void TCustomSeries::DrawLinePass()
{
    FPrevColor = clNone;
    FColumn = TColumnStrokes();
    TCustomLineSeries::DrawAllValues();
    FlushColumn();
}

void TCustomSeries::DrawAllValues()
{
    ISeriesHost* host = SeriesHost();
    if (!host || !host->GetCanvas()) return;
    const bool oldAutoRepaint = host->GetAutoRepaint();
    if (FShadow->GetSize() > 0) {
        // A copy of the series, shifted and in the shadow colour, underneath.
        host->SetAutoRepaint(false);
        const bool pointerVisible = FPointer->GetVisible();
        const TColor oldColor = FColor, oldInternal = FInternalColor;
        FPointer->SetVisible(false);
        FColor = FInternalColor = FShadow->GetColor();
        TChartAxis* h = GetHorizAxis();
        TChartAxis* v = GetVertAxis();
        const int dx = FShadow->GetHorizSize(), dy = FShadow->GetVertSize();
        if (h) h->StartPos += dx, h->EndPos += dx;
        if (v) v->StartPos += dy, v->EndPos += dy;
        DrawLinePass();
        if (h) h->StartPos -= dx, h->EndPos -= dx;
        if (v) v->StartPos -= dy, v->EndPos -= dy;
        FColor = oldColor;
        FInternalColor = oldInternal;
        FPointer->SetVisible(pointerVisible);
        host->SetAutoRepaint(oldAutoRepaint);
    }
    if (FOutLine->GetVisible()) {
        // The line once more underneath, wider and in the outline's colour.
        host->SetAutoRepaint(false);
        TChartPen saved;
        saved.Assign(GetLinePen());
        const TColor oldColor = FColor, oldInternal = FInternalColor;
        {
            TQuietChange quiet(GetLinePen()->OnChange);
            const int width = 2 * GetLinePen()->GetWidth() + FOutLine->GetWidth() + 1;
            GetLinePen()->Assign(FOutLine);
            GetLinePen()->SetVisible(true);
            GetLinePen()->SetWidth(width);
            FColor = FInternalColor = FOutLine->GetColor();
            DrawLinePass();
            GetLinePen()->Assign(&saved);
        }
        FColor = oldColor;
        FInternalColor = oldInternal;
        host->SetAutoRepaint(oldAutoRepaint);
    }
    DrawLinePass();
}

// ---------------------------------------------------------------- marks, margins, legend

int TCustomSeries::CalcMarkLength(int)
{
    if (!Marks()->GetVisible()) return 0;
    TMarksCallout* callout = Marks()->GetCallout();
    return callout->GetLength() + callout->GetDistance();
}

void TCustomSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    Marks()->ZPosition = StartZ;
    if (FYMandatory) Marks()->ApplyArrowLength(position);
    TCustomLineSeries::DrawMark(valueIndex, text, position);
}

void TCustomSeries::AddLineMargins(int& marginA, int& marginB) const
{
    const auto atLeast = [&](int width) {
        marginA = std::max(marginA, width);
        marginB = std::max(marginB, width);
    };
    if (FSettings.DrawLine && FSettings.Stairs) atLeast(GetLinePen()->GetWidth());
    if (FOutLine->GetVisible()) atLeast(FOutLine->GetWidth());
}

void TCustomSeries::CalcHorizMargins(int& leftMargin, int& rightMargin)
{
    TCustomLineSeries::CalcHorizMargins(leftMargin, rightMargin);
    FPointer->CalcHorizMargins(leftMargin, rightMargin);
    AddLineMargins(leftMargin, rightMargin);
    if (!FYMandatory && Marks()->GetVisible()) rightMargin = std::max(leftMargin, CalcMarkLength(0));
}

void TCustomSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin)
{
    TCustomLineSeries::CalcVerticalMargins(topMargin, bottomMargin);
    FPointer->CalcVerticalMargins(topMargin, bottomMargin);
    AddLineMargins(topMargin, bottomMargin);
    if (FYMandatory && Marks()->GetVisible()) topMargin = std::max(bottomMargin, CalcMarkLength(0));
    ISeriesHost* host = SeriesHost();
    if (host && host->GetView3D() && FSettings.LineHeight > 0 && !FSettings.DrawArea)
        bottomMargin = std::max(bottomMargin, FSettings.LineHeight);
}

void TCustomSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const TColor color = valueIndex == -1 ? GetSeriesColor() : LegendItemColor(valueIndex);
    const int midY = (rect.Top + rect.Bottom) / 2;
    if (FPointer->GetVisible()) {
        TChartPen* symbolPen = host->GetLegendSymbolPen();
        const bool penVisible = symbolPen ? symbolPen->GetVisible() : GetLinePen()->GetVisible();
        if (FSettings.DrawLine) {
            canvas->AssignVisiblePen(symbolPen ? symbolPen : GetLinePen());
            canvas->DoHorizLine(rect.Left, rect.Right, midY);
        }
        const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
        const int hs =
            penVisible ? std::min(FPointer->GetHorizSize(), w / 3) : std::min(FPointer->GetHorizSize(), w / 2 + 1);
        const int vs =
            penVisible ? std::min(FPointer->GetVertSize(), h / 3) : std::min(FPointer->GetVertSize(), h / 2 + 1);
        FPointer->PrepareCanvas(canvas, color);
        FPointer->DrawPointer(canvas, false, (rect.Left + rect.Right) / 2, midY, hs, vs, color, FPointer->GetStyle());
        return;
    }
    if (FSettings.DrawLine && !FSettings.DrawArea) {
        if (host->GetView3D())
            canvas->Rectangle(rect);
        else
            canvas->DoHorizLine(rect.Left, rect.Right, midY);
        return;
    }
    TCustomLineSeries::DrawLegendShape(valueIndex, rect);
}

// ---------------------------------------------------------------- mouse

bool TCustomSeries::ClickedPointer(int valueIndex, int pX, int pY, int x, int y)
{
    PreparePointer(valueIndex);
    const TSeriesPointerStyle style = PointerStyle(valueIndex);
    if (style == psNothing) return false;
    return std::abs(pX - x) < FPointer->GetHorizSize() && std::abs(pY - y) < FPointer->GetVertSize();
}

int TCustomSeries::Clicked(int x, int y)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (canvas) canvas->Calculate2DPosition(x, y, StartZ);
    const int base = TCustomLineSeries::Clicked(x, y);
    if (base != -1 || FirstValueIndex < 0 || LastValueIndex < 0) return base;
    const TPoint click(x, y);
    const int start = FSettings.ClickableLine ? std::max(0, FirstValueIndex - 1) : FirstValueIndex;
    const bool is3D = host && host->GetView3D();
    TView3DOptions* o = host ? host->GetView3DOptions() : nullptr;
    TPoint prev;
    int prevOrigin = 0;
    for (int i = start; i <= LastValueIndex && i < Count(); ++i) {
        const TPoint p(CalcXPos(i), CalcYPos(i));
        if (FPointer->GetVisible() && ClickedPointer(i, p.X, p.Y, x, y)) {
            if (OnClickPointer) OnClickPointer(this, i, x, y);
            return i;
        }
        if (p.X == x && p.Y == y) return i;
        const int origin = FSettings.DrawArea ? GetOriginPos(i) : 0;
        if (i > start && FSettings.ClickableLine) {
            bool hit;
            if (is3D && o) {
                const TPoint d(o->GetHorizOffset(), o->GetVertOffset());
                const std::array<TPoint, 4> band = {prev, p, TPoint(p.X + d.X, p.Y - d.Y),
                                                    TPoint(prev.X + d.X, prev.Y - d.Y)};
                hit = PointInPolygon(click, band);
            } else if (FSettings.Stairs) {
                const TPoint corner = FSettings.InvertedStairs ? TPoint(prev.X, p.Y) : TPoint(p.X, prev.Y);
                hit = PointInLine(click, prev, corner) || PointInLine(click, corner, p);
            } else {
                hit = PointInLine(click, prev, p);
            }
            if (!hit && FSettings.DrawArea) {
                const std::array<TPoint, 4> area =
                    FYMandatory ? std::array<TPoint, 4>{prev, p, TPoint(p.X, origin), TPoint(prev.X, prevOrigin)}
                                : std::array<TPoint, 4>{prev, p, TPoint(origin, p.Y), TPoint(prevOrigin, prev.Y)};
                hit = PointInPolygon(click, area);
            }
            if (hit) return i - 1;
        }
        prev = p;
        prevOrigin = origin;
    }
    return -1;
}
