#include "chart/series/TSurfaceSeries.h"

#include <cstring>
#include <memory>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeProcs.h"

TSurfaceSeries::TSurfaceSeries(QObject* owner) : TCustom3DGridSeries(owner)
{
    const TNotifyEvent changed = [this](QObject*) { Repaint(); };
    FSideBrush = new TChartBrush(changed, this);
    FSideBrush->SetStyle(bsClear);
    FSideBrush->DefaultStyle = bsClear;
    FSideLines = new TChartHiddenPen(changed, this);
    FWaterLines = new TChartPen(changed, this);
    XStep = -1;
    ZStep = -1;
}

TSurfaceSeries::~TSurfaceSeries()
{
    FSideBrush->OnChange = nullptr;
    FSideLines->OnChange = nullptr;
    FWaterLines->OnChange = nullptr;
}

void TSurfaceSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TSurfaceSeries*>(&source); other && other != this) {
        FSettings = other->FSettings;
        FSideBrush->Assign(other->FSideBrush);
        FSideLines->Assign(other->FSideLines);
        FWaterLines->Assign(other->FWaterLines);
        FWaterFall = false;
    }
    TCustom3DGridSeries::Assign(source);
}

bool TSurfaceSeries::IsPropertyStored(const char* Name) const
{
    static const TSurfaceSettings defaults;
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("DotFrame")) return FSettings.DotFrame != defaults.DotFrame;
    if (is("FastBrush")) return FSettings.FastBrush != defaults.FastBrush;
    if (is("SmoothPalette")) return FSettings.SmoothPalette != defaults.SmoothPalette;
    if (is("Transparency")) return FSettings.Transparency != defaults.Transparency;
    if (is("WireFrame")) return FSettings.WireFrame != defaults.WireFrame;
    return TCustom3DGridSeries::IsPropertyStored(Name);
}

void TSurfaceSeries::SetWireFrame(bool value)
{
    if (value) {
        Pen()->SetVisible(true);
        FSettings.DotFrame = false;
    }
    SetBooleanProperty(FSettings.WireFrame, value);
}

void TSurfaceSeries::SetDotFrame(bool value)
{
    if (value) {
        Pen()->SetVisible(true);
        FSettings.WireFrame = false;
    }
    SetBooleanProperty(FSettings.DotFrame, value);
}

// ---------------------------------------------------------------- geometry

void TSurfaceSeries::CalcPointPos(int valueIndex, TPoint& p) const
{
    p.X = CalcXPos(valueIndex);
    p.Y = CalcYPos(valueIndex);
}

bool TSurfaceSeries::FourGridIndex(int x, int z)
{
    if (!ExistFourGridIndex(x, z)) return false;
    CalcPointPos(ValueIndex0, CornerPoints[0]);
    CalcPointPos(ValueIndex1, CornerPoints[1]);
    CalcPointPos(ValueIndex2, CornerPoints[2]);
    CalcPointPos(ValueIndex3, CornerPoints[3]);
    return true;
}

void TSurfaceSeries::PointsTo2D(int z0, int z1, TFourPoints& points) const
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    for (int i = 0; i < 4; ++i) {
        const int z = i < 2 ? z0 : z1;
        points[static_cast<std::size_t>(i)] =
            canvas ? canvas->Calculate3DPosition(CornerPoints[static_cast<std::size_t>(i)], z)
                   : CornerPoints[static_cast<std::size_t>(i)];
    }
}

bool TSurfaceSeries::FastCalcPoints(int x, int z, TPoint3D& p0, TPoint3D& p1, TColor& color0, TColor& color1)
{
    const int a = GridIndex(x - 1, z), b = GridIndex(x, z);
    if (a < 0 || b < 0) return false;
    p0 = TPoint3D{CalcXPos(a), CalcYPos(a), CalcZPos(a)};
    p1 = TPoint3D{CalcXPos(b), CalcYPos(b), CalcZPos(b)};
    if (!FSingleBrush) {
        color0 = GetValueColor(a);
        color1 = GetValueColor(b);
    }
    return true;
}

TSurfaceSeries::TCellLoops TSurfaceSeries::CellsOrientation()
{
    TCellLoops loops;
    const int nx = GetNumXValues(), nz = GetNumZValues();
    if (BackFaced()) {
        ZStep = 1;
        loops.ZStart = 1;
        loops.ZEnd = FWaterFall ? nz + 1 : nz;
        loops.ZStep = 1;
    } else {
        ZStep = -1;
        loops.ZStart = nz;
        loops.ZEnd = FWaterFall ? 0 : 1;
        loops.ZStep = -1;
    }
    if (DrawValuesForward()) {
        XStep = -1;
        loops.XStart = 2;
        loops.XEnd = nx + 1;
        loops.XStep = 1;
    } else {
        XStep = 1;
        loops.XStart = nx - 1;
        loops.XEnd = 0;
        loops.XStep = -1;
    }
    return loops;
}

// ---------------------------------------------------------------- drawing

void TSurfaceSeries::DrawAllValues()
{
    if (Count() == 0) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    if (!Pen()->GetVisible() && !FSettings.WireFrame && !FSettings.DotFrame)
        canvas->Pen->SetStyle(psClear);
    else
        canvas->AssignVisiblePen(Pen());
    host->SetBrushCanvas(GetSeriesColor(), Brush(), host->GetBackColor());
    FSingleBrush = !ShowsColorScale() || Brush()->StoredImage() != nullptr;
    if (FSettings.WireFrame || FSettings.DotFrame) canvas->Brush->SetStyle(bsClear);
    canvas->SetBackMode(cbmTransparent);
    const bool sides = FSideBrush->GetStyle() != bsClear || FSideLines->GetVisible();

    if (canvas->GetSupportsFullRotation()) {
        const TTeeCanvasSurfaceStyle style = (FSettings.WireFrame || Brush()->GetStyle() == bsClear) ? tcsWire
                                             : FSettings.DotFrame                                    ? tcsDot
                                                                                                     : tcsSolid;
        TTeeBlend* blend =
            FSettings.Transparency > 0 ? canvas->BeginBlending(TRect(0, 0, 0, 0), FSettings.Transparency) : nullptr;
        canvas->Surface3D(style, FSingleBrush, GetNumXValues(), GetNumZValues(),
                          [this](int x, int z, TPoint3D& p0, TPoint3D& p1, TColor& c0, TColor& c1) {
                              return FastCalcPoints(x, z, p0, p1, c0, c1);
                          });
        if (blend) canvas->EndBlending(blend);
    } else {
        if (sides) DrawSides(false);
        // Each cell blends on its own; the blend object only carries the saved background.
        std::unique_ptr<TTeeBlend> blend(
            FSettings.Transparency > 0 ? canvas->BeginBlending(TRect(0, 0, 0, 0), FSettings.Transparency) : nullptr);
        FBlend = blend.get();
        try {
            DrawCellsInOrder(CellsOrientation());
        } catch (...) {
            FBlend = nullptr;
            throw;
        }
        FBlend = nullptr;
    }
    if (sides) DrawSides(true);
}

void TSurfaceSeries::DrawCellsInOrder(const TCellLoops& loops)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    const auto column = [&](int x) {
        for (int z = loops.ZStart; z != loops.ZEnd; z += loops.ZStep) DrawCell(x, z);
    };
    const int columns = (loops.XEnd - loops.XStart) / loops.XStep;
    TView3DOptions* o = host->GetView3DOptions();
    const int rotation = o ? o->GetRotation() % 360 : 0;
    const bool frontal = !canvas->GetSupportsFullRotation() && host->GetView3D() && o && o->GetPerspective() > 0 &&
                         (rotation == 0 || rotation == 180);
    if (frontal) {
        // Seen from the front in perspective, both ends lean outwards: draw from the ends
        // towards the middle, which comes last.
        for (int i = 0; i < columns; ++i) {
            const int k = i / 2;
            column(i % 2 == 0 ? loops.XStart + k * loops.XStep : loops.XEnd - (k + 1) * loops.XStep);
        }
    } else {
        for (int i = 0; i < columns; ++i) column(loops.XStart + i * loops.XStep);
    }
}

void TSurfaceSeries::DrawThroughBlend(std::span<const TPoint> points)
{
    TCanvas3D* canvas = SeriesHost()->GetCanvas();
    FBlend->SetRectangle(PolygonBounds(points));
    canvas->Polygon(points);
    FBlend->DoBlend(FSettings.Transparency);
}

void TSurfaceSeries::DrawCell(int x, int z)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    int corners;
    if (FWaterFall) {
        ValueIndex0 = GridIndex(x, z);
        ValueIndex1 = GridIndex(x + XStep, z);
        if (ValueIndex0 < 0 || ValueIndex1 < 0) return;
        CalcPointPos(ValueIndex0, CornerPoints[0]);
        CalcPointPos(ValueIndex1, CornerPoints[1]);
        corners = 2;
    } else {
        if (!FourGridIndex(x, z)) return;
        corners = 4;
    }
    // The cell takes the colour of its corner with the smallest X and the largest Z; a
    // strip has only its two end points, of which the one with the smaller X.
    int colorIndex;
    if (FWaterFall)
        colorIndex = XStep > 0 ? ValueIndex0 : ValueIndex1;
    else if (XStep > 0)
        colorIndex = ZStep > 0 ? ValueIndex3 : ValueIndex0;
    else
        colorIndex = ZStep > 0 ? ValueIndex2 : ValueIndex1;
    TColor color = GetValueColor(colorIndex);
    if (color == clNone) return;
    const int z0 = CalcZPos(ValueIndex0);

    if (!FSingleBrush) {
        if (FSettings.SmoothPalette) {
            double sum = FY->Value(ValueIndex0) + FY->Value(ValueIndex1);
            if (corners == 4) sum += FY->Value(ValueIndex2) + FY->Value(ValueIndex3);
            color = GetValueColorValue(sum / corners);
        }
        if (FSettings.WireFrame)
            canvas->Pen->SetColor(color);
        else if (canvas->Brush->GetStyle() != bsClear)
            canvas->Brush->SetColor(color);
    }

    if (FWaterFall) {
        const TPoint& a = CornerPoints[0];
        const TPoint& b = CornerPoints[1];
        TChartAxis* vertical = GetVertAxis();
        const int bottom = vertical ? vertical->EndPos : 0;
        if (!FSettings.WireFrame) {
            canvas->Pen->SetStyle(psClear);
            if (FBlend) {
                const TPoint p[4] = {canvas->Calculate3DPosition(a, z0), canvas->Calculate3DPosition(b, z0),
                                     canvas->Calculate3DPosition(TPoint(b.X, bottom), z0),
                                     canvas->Calculate3DPosition(TPoint(a.X, bottom), z0)};
                DrawThroughBlend(p);
            } else {
                canvas->PlaneWithZ(a, b, TPoint(b.X, bottom), TPoint(a.X, bottom), z0);
            }
            canvas->AssignVisiblePen(Pen());
        }
        canvas->LineWithZ(a, b, z0);
        if (FWaterLines->GetVisible()) {
            canvas->AssignVisiblePen(FWaterLines);
            canvas->VertLine3D(a.X, a.Y, bottom, z0);
            canvas->VertLine3D(b.X, b.Y, bottom, z0);
            canvas->AssignVisiblePen(Pen());
        }
        return;
    }

    const int z1 = CalcZPos(ValueIndex2);
    if (FSettings.DotFrame) {
        const int indices[4] = {ValueIndex0, ValueIndex1, ValueIndex2, ValueIndex3};
        for (int i = 0; i < 4; ++i) {
            const TPoint& p = CornerPoints[static_cast<std::size_t>(i)];
            canvas->SetPixel3D(p.X, p.Y, i < 2 ? z0 : z1, GetValueColor(indices[i]));
        }
    } else if (FBlend) {
        TFourPoints p;
        PointsTo2D(z0, z1, p);
        DrawThroughBlend(p);
    } else {
        TFourPoints p = CornerPoints;
        canvas->PlaneFour3D(p, z0, z1);
    }
}

void TSurfaceSeries::DrawSides(bool frontPass)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    const int nx = GetNumXValues(), nz = GetNumZValues();
    host->SetBrushCanvas(FSideBrush->GetColor(), FSideBrush, host->GetBackColor());
    canvas->AssignVisiblePen(FSideLines);
    TChartAxis* vertical = GetVertAxis();
    TChartAxis* horizontal = GetHorizAxis();
    const bool vInverted = vertical && vertical->GetInverted();
    const int bottom = CalcYPosValue(vInverted ? FY->MaxValue() : FY->MinValue());

    struct SidePoint {
        TPoint Top, Foot;
        int Z = 0;
    };
    const auto sidePoint = [&](int x, int z, SidePoint& p) {
        const int i = GridIndex(x, z);
        if (i < 0) return false;
        CalcPointPos(i, p.Top);
        p.Foot = TPoint(p.Top.X, bottom);
        p.Z = CalcZPos(i);
        return true;
    };
    // One segment of a side between two neighbouring nodes; a side across a node
    // without a point leaves that segment out.
    const auto segment = [&](int xa, int za, int xb, int zb) {
        SidePoint a, b;
        if (!sidePoint(xa, za, a) || !sidePoint(xb, zb, b)) return;
        TFourPoints p{a.Top, a.Foot, b.Foot, b.Top};
        canvas->PlaneFour3D(p, a.Z, b.Z);
    };
    const auto sideAlongZ = [&](int x) {
        for (int z = nz; z >= 2; --z) segment(x, z, x, z - 1);
    };

    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    const bool hInverted = horizontal && horizontal->GetInverted();
    if ((chart && chart->DrawLeftWallFirst()) == frontPass) sideAlongZ(hInverted ? nx : 1);
    if ((chart && chart->DrawRightWallAfter()) == frontPass) sideAlongZ(hInverted ? 1 : nx);

    const TRect r = host->GetChartRect();
    const int wall = horizontal ? host->CalcWallSize(horizontal) : 0;
    const TPoint front[3] = {canvas->Calculate3DPosition(r.Right, r.Top, 0),
                             canvas->Calculate3DPosition(r.Right, r.Bottom + wall, 0),
                             canvas->Calculate3DPosition(r.Left, r.Bottom + wall, 0)};
    const bool facing = !TeeCull(front[0], front[1], front[2]);
    if (facing == frontPass) return;
    TChartAxis* depth = DepthAxis();
    const int row = depth && depth->GetInverted() ? nz : 1;
    for (int x = 2; x <= nx; ++x) segment(x, row, x - 1, row);
    canvas->Pen->SetStyle(psSolid);
    SidePoint last;
    if (sidePoint(nx, row, last)) canvas->VertLine3D(last.Top.X, last.Top.Y, bottom, last.Z);
}

// ---------------------------------------------------------------- mouse

int TSurfaceSeries::Clicked(int x, int y)
{
    if (Count() == 0) return -1;
    ISeriesHost* host = SeriesHost();
    if (!host || !host->GetCanvas()) return -1;
    XStep = -1;
    ZStep = -1;
    const TCellLoops loops = CellsOrientation();
    // Front to back: the nearest cell under the point wins.
    ZStep = -ZStep;
    const TPoint p(x, y);
    for (int z = loops.ZEnd - loops.ZStep; z != loops.ZStart - loops.ZStep; z -= loops.ZStep) {
        const int columns = (loops.XEnd - loops.XStart) / loops.XStep;
        for (int i = 0; i < columns; ++i) {
            const int cx = loops.XStart + i * loops.XStep;
            if (!FourGridIndex(cx, z)) continue;
            TFourPoints corners;
            PointsTo2D(CalcZPos(ValueIndex0), CalcZPos(ValueIndex2), corners);
            if (PointInPolygon(p, corners)) return ValueIndex0;
        }
    }
    return -1;
}

// ---------------------------------------------------------------- gallery

void TSurfaceSeries::PrepareForGallery(bool enabled)
{
    TCustom3DGridSeries::PrepareForGallery(enabled);
    FSampleMode = true;
    CreateValues(10, 10);
}

void TSurfaceSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustom3DGridSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text : {&TeeMsg_WireFrame, &TeeMsg_DotFrame, &TeeMsg_Sides, &TeeMsg_NoBorder})
        AddSubChart(*text);
}

void TSurfaceSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TSurfaceSeries*>(series);
    if (!s) return;
    switch (index) {
        case 2: s->SetWireFrame(true); break;
        case 3: s->SetDotFrame(true); break;
        case 4: s->GetSideBrush()->SetStyle(bsSolid); break;
        case 5: s->Pen()->Hide(); break;
        default: TCustom3DGridSeries::SetSubGallery(series, index); break;
    }
}

// ---------------------------------------------------------------- waterfall

TWaterFallSeries::TWaterFallSeries(QObject* owner) : TSurfaceSeries(owner)
{
    FWaterFall = true;
}

void TWaterFallSeries::Assign(const TCustomChartElement& source)
{
    TSurfaceSeries::Assign(source);
    FWaterFall = true;
}

bool TWaterFallSeries::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "WaterFall") == 0) return !FWaterFall;
    return TSurfaceSeries::IsPropertyStored(Name);
}

void TWaterFallSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TSurfaceSeries::CreateSubGallery(AddSubChart);
    AddSubChart(TeeMsg_NoLines);
}

void TWaterFallSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TWaterFallSeries*>(series);
    if (s && index == 6)
        s->GetWaterLines()->Hide();
    else
        TSurfaceSeries::SetSubGallery(series, index);
}

void TWaterFallSeries::GalleryChanged3D(bool is3D)
{
    TSurfaceSeries::GalleryChanged3D(is3D);
    if (auto* panel = dynamic_cast<TCustomTeePanel*>(FParentChart)) panel->SetView3D(is3D);
}
