#include "chart/series/TChartShape.h"

#include <cmath>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Round.h"
#include "platform/StoredRules.h"
#include "platform/TextLines.h"

TChartShape::TChartShape(QObject* owner) : TChartSeries(owner)
{
    // Both corners always take part, wherever the axes are.
    UseVisibleRange = false;
    FBrush->SetColor(clWhite);
    const TNotifyEvent changed = [this](QObject*) { CanvasChanged(); };
    FFont = new TTeeFont(changed, this);
    FGradient = new TTeeGradient(changed, this);
    TChartSeries::SetSeriesColor(FBrush->GetColor());
    AddDefaultPoints();
}

TChartShape::~TChartShape()
{
    FFont->OnChange = nullptr;
    FGradient->OnChange = nullptr;
}

void TChartShape::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TChartShape*>(&source); other && other != this) {
        FSettings = other->FSettings;
        SetFont(other->FFont);
        SetGradient(other->FGradient);
    }
    TChartSeries::Assign(source);
}

bool TChartShape::IsPropertyStored(const char* Name) const
{
    static const TChartShapeSettings defaults;
    const TStoredRule rules[] = {
        {"Alignment", FSettings.Alignment != defaults.Alignment},
        {"RoundRectangle", FSettings.RoundRectangle != defaults.RoundRectangle},
        {"Style", FSettings.Style != defaults.Style},
        {"Text", FSettings.Text != defaults.Text},
        {"Transparent", FSettings.Transparent != defaults.Transparent},
        {"VertAlign", FSettings.VertAlign != defaults.VertAlign},
        {"XYStyle", FSettings.XYStyle != defaults.XYStyle},
        {"X0", Count() > 0 && FX->Value(0) != 0},
        {"Y0", Count() > 0 && FY->Value(0) != 0},
        {"X1", Count() > 1 && FX->Value(1) != 100},
        {"Y1", Count() > 1 && FY->Value(1) != 100},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TChartSeries::IsPropertyStored(Name);
}

bool TChartShape::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TChartShape*>(series) != nullptr;
}

void TChartShape::AddDefaultPoints()
{
    AddXY(0, 0);
    AddXY(100, 100);
}

void TChartShape::EnsurePoints()
{
    if (Count() < 2) {
        Clear();
        AddDefaultPoints();
    }
}

double TChartShape::CornerValue(TChartValueList* list, int index) const
{
    const_cast<TChartShape*>(this)->EnsurePoints();
    return list->Value(index);
}

void TChartShape::SetCorner(TChartValueList* list, int index, double value)
{
    EnsurePoints();
    list->StoreValue(index, value);
    ChangeToManual();
}

void TChartShape::ChangeToManual()
{
    ManualData = true;
    Repaint();
}

void TChartShape::SetShapeRectangle(const TRect& r)
{
    FSettings.XYStyle = xysPixels;
    SetX0(r.Left);
    SetY0(r.Top);
    SetX1(r.Right);
    SetY1(r.Bottom);
}

void TChartShape::SetText(const std::vector<AnsiString>& value)
{
    FSettings.Text = value;
    Repaint();
}

QStringList TChartShape::GetTextList() const
{
    return ToQStringList(FSettings.Text);
}

void TChartShape::SetTextList(const QStringList& value)
{
    SetText(FromQStringList(value));
}

void TChartShape::SetSeriesColor(TColor value)
{
    TChartSeries::SetSeriesColor(value);
    FBrush->SetColor(value);
}

void TChartShape::CalcZOrder()
{
    // A shape placed in pixels takes no place in the chart's depth order.
    if (UseAxis()) TChartSeries::CalcZOrder();
}

// ---------------------------------------------------------------- geometry

TRect TChartShape::GetShapeRectangle() const
{
    if (Count() < 2) return TRect(0, 0, 0, 0);
    const double x0 = FX->Value(0), y0 = FY->Value(0), x1 = FX->Value(1), y1 = FY->Value(1);
    switch (FSettings.XYStyle) {
        case xysPixels:
            return TRect(static_cast<int>(std::trunc(x0)), static_cast<int>(std::trunc(y0)),
                         static_cast<int>(std::trunc(x1)), static_cast<int>(std::trunc(y1)));
        case xysAxis: return TRect(CalcXPos(0), CalcYPos(0), CalcXPos(1), CalcYPos(1));
        case xysAxisOrigin: {
            const int left = CalcXPos(0), top = CalcYPos(0);
            return TRect(left, top, left + static_cast<int>(std::trunc(x1)), top + static_cast<int>(std::trunc(y1)));
        }
    }
    return TRect(0, 0, 0, 0);
}

TRect TChartShape::GetAdjustedRectangle() const
{
    TRect r = OrientRectangle(GetShapeRectangle());
    if (r.Top == r.Bottom) ++r.Bottom;
    if (r.Left == r.Right) ++r.Right;
    return r;
}

// ---------------------------------------------------------------- drawing

void TChartShape::DrawValue(int valueIndex)
{
    if (Count() != 2 || valueIndex != 0) return;
    ISeriesHost* host = SeriesHost();
    if (!host || !host->GetCanvas()) return;
    const TRect r = GetAdjustedRectangle();
    TRect inside;
    if (!IntersectRect(inside, r, host->GetChartRect())) return;
    const bool is3D = FSettings.XYStyle != xysPixels && host->GetView3D();
    DrawShape(is3D, FSettings.Style == chasLine ? GetShapeRectangle() : r);
    DrawText(r);
}

void TChartShape::DrawShape(bool is3D, const TRect& r)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    canvas->AssignVisiblePen(Pen());
    if (FSettings.Transparent)
        canvas->Brush->SetStyle(bsClear);
    else
        host->SetBrushCanvas(GetSeriesColor(), FBrush, host->GetBackColor());
    canvas->SetBackMode(FBrush->GetColor() == clNone ? cbmTransparent : cbmOpaque);
    int cx, cy;
    RectCenter(r, cx, cy);
    const int z = MiddleZ;

    const auto gradientStep = [&](bool clipEllipse) {
        if (FSettings.Transparent || !FGradient->GetVisible()) return;
        const TRect g = is3D ? canvas->CalcRect3D(r, z) : r;
        if (clipEllipse) canvas->ClipEllipse(g);
        FGradient->Draw(canvas, g);
        if (clipEllipse) canvas->UnClipRectangle();
        canvas->Brush->SetStyle(bsClear);
    };
    const auto cross = [&]() {
        if (is3D) {
            canvas->VertLine3D(cx, r.Top, r.Bottom, z);
            canvas->HorizLine3D(r.Left, r.Right, cy, z);
        } else {
            canvas->DoVertLine(cx, r.Top, r.Bottom + 1);
            canvas->DoHorizLine(r.Left, r.Right + 1, cy);
        }
    };
    const auto diagonals = [&]() {
        if (is3D) {
            canvas->LineWithZ(r.Left, r.Top, r.Right, r.Bottom, z);
            canvas->LineWithZ(r.Left, r.Bottom, r.Right, r.Top, z);
        } else {
            canvas->Line(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
            canvas->Line(r.Left, r.Bottom, r.Right + 1, r.Top - 1);
        }
    };
    const auto triangle = [&](const TPoint& a, const TPoint& b, const TPoint& c) {
        if (is3D) {
            canvas->TriangleWithZ(a, b, c, z);
        } else {
            const TPoint p[3] = {a, b, c};
            canvas->Polygon(p);
        }
    };

    switch (FSettings.Style) {
        case chasRectangle:
            if (is3D) {
                gradientStep(false);
                canvas->RectangleWithZ(r, z);
            } else if (FSettings.RoundRectangle) {
                canvas->RoundRect(r.Left, r.Top, r.Right, r.Bottom, 12, 12);
            } else {
                gradientStep(false);
                canvas->Rectangle(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
            }
            break;
        case chasCircle:
            gradientStep(true);
            if (is3D)
                canvas->EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, z);
            else
                canvas->Ellipse(r);
            break;
        case chasVertLine:
            if (is3D)
                canvas->VertLine3D(cx, r.Top, r.Bottom, z);
            else
                canvas->DoVertLine(cx, r.Top, r.Bottom);
            break;
        case chasHorizLine:
            if (is3D)
                canvas->HorizLine3D(r.Left, r.Right, cy, z);
            else
                canvas->DoHorizLine(r.Left, r.Right + 1, cy);
            break;
        case chasPyramid:
        case chasTriangle:
        case chasInvertPyramid:
        case chasInvertTriangle: {
            // The point at the top, or at the bottom for the inverted styles; pyramids are
            // solid in 3D and flat triangles otherwise.
            const bool inverted = FSettings.Style == chasInvertPyramid || FSettings.Style == chasInvertTriangle;
            const int apex = inverted ? r.Bottom : r.Top;
            const int base = inverted ? r.Top : r.Bottom;
            if (is3D && (FSettings.Style == chasPyramid || FSettings.Style == chasInvertPyramid))
                canvas->Pyramid(true, r.Left, apex, r.Right, base, StartZ, EndZ, !FSettings.Transparent);
            else
                triangle(TPoint(r.Left, base), TPoint(cx, apex), TPoint(r.Right, base));
            break;
        }
        case chasLine:
            if (is3D)
                canvas->LineWithZ(r.Left, r.Top, r.Right, r.Bottom, z);
            else
                canvas->Line(r.Left, r.Top, r.Right, r.Bottom);
            break;
        case chasDiamond: {
            const TPoint a(r.Left, cy), b(cx, r.Top), c(r.Right, cy), d(cx, r.Bottom);
            if (is3D) {
                canvas->PlaneWithZ(a, b, c, d, z);
            } else {
                const TPoint p[4] = {a, b, c, d};
                canvas->Polygon(p);
            }
            break;
        }
        case chasCube:
            if (is3D)
                canvas->Cube(r, StartZ, EndZ, !FSettings.Transparent);
            else
                canvas->Rectangle(r);
            break;
        case chasCross: cross(); break;
        case chasDiagCross: diagonals(); break;
        case chasStar:
            cross();
            diagonals();
            break;
    }
}

void TChartShape::DrawText(const TRect& r)
{
    if (FSettings.Text.empty()) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    canvas->AssignFont(FFont);
    // Text in the colour of the fill would vanish.
    if (canvas->Brush->GetColor() == canvas->Font->GetColor())
        canvas->Font->SetColor(canvas->Font->GetColor() == clBlack ? clWhite : clBlack);
    const int h = canvas->GetFontHeight();
    const int lines = static_cast<int>(FSettings.Text.size());
    int cx, cy;
    RectCenter(r, cx, cy);
    int y = r.Top;
    if (FSettings.VertAlign == vaCenter)
        y = cy - Round(lines * h / 2.0);
    else if (FSettings.VertAlign == vaBottom)
        y = r.Bottom - lines * h;
    canvas->SetBackMode(cbmTransparent);
    canvas->SetTextAlign(TA_LEFT);
    const int penWidth = canvas->Pen->GetWidth();
    for (const AnsiString& line : FSettings.Text) {
        const int w = canvas->TextWidth(line);
        int x = cx - w / 2;
        if (FSettings.Alignment == taLeftJustify)
            x = r.Left + penWidth + 4;
        else if (FSettings.Alignment == taRightJustify)
            x = r.Right - penWidth - w - 4;
        if (FSettings.XYStyle == xysPixels)
            canvas->TextOut(x, y, line);
        else
            canvas->TextOut3D(x, y, StartZ, line);
        y += h;
    }
}

void TChartShape::DrawLegendShape(int, const TRect& rect)
{
    DrawShape(false, rect);
}

// ---------------------------------------------------------------- mouse

int TChartShape::Clicked(int x, int y)
{
    if (ISeriesHost* host = SeriesHost(); host && host->GetCanvas())
        host->GetCanvas()->Calculate2DPosition(x, y, StartZ);
    const TRect r = GetShapeRectangle();
    int cx, cy;
    RectCenter(r, cx, cy);
    const TPoint p(x, y);
    bool hit;
    switch (FSettings.Style) {
        case chasCircle: hit = PointInEllipse(p, r); break;
        case chasVertLine: hit = PointInLine(p, cx, r.Top, cx, r.Bottom); break;
        case chasHorizLine: hit = PointInLine(p, r.Left, cy, r.Right, cy); break;
        case chasTriangle:
        case chasPyramid: hit = PointInTriangle(p, r.Left, r.Right, r.Bottom, r.Top); break;
        case chasInvertTriangle:
        case chasInvertPyramid: hit = PointInTriangle(p, r.Left, r.Right, r.Top, r.Bottom); break;
        case chasLine: hit = PointInLine(p, r.Left, r.Top, r.Right, r.Bottom); break;
        case chasDiamond: {
            const TPoint poly[4] = {TPoint(cx, r.Top), TPoint(r.Right, cy), TPoint(cx, r.Bottom), TPoint(r.Left, cy)};
            hit = PointInPolygon(p, poly);
            break;
        }
        default: hit = PointInRect(OrientRectangle(r), p); break;
    }
    return hit ? 0 : -1;
}

// ---------------------------------------------------------------- gallery

void TChartShape::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TChartSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text :
         {&TeeMsg_Rectangle, &TeeMsg_VertLine, &TeeMsg_HorizLine, &TeeMsg_Ellipse, &TeeMsg_DownTri, &TeeMsg_Line,
          &TeeMsg_Diamond, &TeeMsg_Cube, &TeeMsg_Cross, &TeeMsg_DiagCross, &TeeMsg_Star, &TeeMsg_Pyramid,
          &TeeMsg_InvPyramid, &TeeMsg_Hollow})
        AddSubChart(*text);
}

void TChartShape::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TChartShape*>(series);
    if (!s) return;
    static const TChartShapeStyle styles[] = {
        chasRectangle, chasVertLine, chasHorizLine, chasCircle, chasInvertTriangle, chasLine,         chasDiamond,
        chasCube,      chasCross,    chasDiagCross, chasStar,   chasPyramid,        chasInvertPyramid};
    if (index >= 1 && index <= 13)
        s->SetStyle(styles[index - 1]);
    else if (index == 14)
        s->SetTransparent(!s->GetTransparent());
}

void TChartShape::PrepareForGallery(bool enabled)
{
    TChartSeries::PrepareForGallery(enabled);
    FFont->SetColor(enabled ? TColor(0x00FFFF) : TColor(0x808080));
    FFont->SetStyle(TFontStyles(fsBold));
    FFont->SetSize(12);
    FSettings.Text.clear();
    TChartSeriesList* list = FParentChart ? FParentChart->SeriesList() : nullptr;
    if (list && list->Count() > 1 && (*list)[1] == this) {
        SetStyle(chasCircle);
        SetSeriesColor(enabled ? TColor(0xFF0000) : clSilver);
        SetText({TeeMsg_ShapeGallery1});
    } else {
        SetStyle(chasTriangle);
        SetSeriesColor(enabled ? TColor(0x0000FF) : clSilver);
        SetText({TeeMsg_ShapeGallery2});
    }
}

void TChartShape::AddSampleValues(int numValues, bool)
{
    double startX, stepX, startY, minY, range;
    RandomBounds(numValues, startX, stepX, startY, minY, range);
    if (stepX == 0) {
        AddDefaultPoints();
        return;
    }
    AddXY(startX + stepX / 8, startY / 2);
    AddXY(startX + stepX - stepX / 8, startY + RandomValue(Round(range)));
}

void RegisterTeeShapeSeries()
{
    RegisterTeeSeries(&TChartShape::staticMetaObject, &TeeMsg_GalleryShape, &TeeMsg_GalleryStandard, 2);
}

namespace {
// The series stays registered to the end of the program.
const bool shapeSeriesRegistered = (RegisterTeeShapeSeries(), true);
}  // namespace
