#include "chart/series/TTowerSeries.h"

#include <algorithm>
#include <utility>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeProcs.h"
#include "platform/StoredRules.h"

TTowerSeries::TTowerSeries(QObject* owner) : TCustom3DGridSeries(owner) {}

void TTowerSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TTowerSeries*>(&source)) FSettings = other->FSettings;
    TCustom3DGridSeries::Assign(source);
}

bool TTowerSeries::IsPropertyStored(const char* Name) const
{
    static const TTowerSettings defaults;
    const TStoredRule rules[] = {
        {"Dark3D", FSettings.Dark3D != defaults.Dark3D},
        {"Origin", FSettings.Origin != defaults.Origin},
        {"PercentDepth", FSettings.PercentDepth != defaults.PercentDepth},
        {"PercentWidth", FSettings.PercentWidth != defaults.PercentWidth},
        {"TowerStyle", FSettings.TowerStyle != defaults.TowerStyle},
        {"Transparency", FSettings.Transparency != defaults.Transparency},
        {"UseOrigin", FSettings.UseOrigin != defaults.UseOrigin},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TCustom3DGridSeries::IsPropertyStored(Name);
}

void TTowerSeries::CalcCell(int valueIndex, int& y, int& yOrigin, int& z0, int& z1, TRect& r) const
{
    const double x = FX->Value(valueIndex), z = FZ->Value(valueIndex);
    r.Left = CalcXPosValue(x - HalfWidth());
    r.Right = CalcXPosValue(x + HalfWidth());
    y = CalcYPos(valueIndex);
    r.Top = y;
    yOrigin = CalcYPosValue(FSettings.UseOrigin ? FSettings.Origin : FY->MinValue());
    r.Bottom = yOrigin;
    // A tower below its origin hangs down from it.
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    z0 = CalcZPosValue(z - HalfDepth());
    z1 = CalcZPosValue(z + HalfDepth());
}

bool TTowerSeries::CellShown(int x, int z, int& valueIndex) const
{
    valueIndex = GridIndex(x, z);
    return valueIndex >= 0 && GetValueColor(valueIndex) != clNone;
}

void TTowerSeries::DrawAllValues()
{
    if (Count() == 0) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    canvas->AssignVisiblePen(Pen());
    host->SetBrushCanvas(GetSeriesColor(), Brush(), host->GetBackColor());
    const bool filled = Brush()->GetStyle() != bsClear;
    const bool fullRotation = canvas->GetSupportsFullRotation();
    TTeeBlend* blend =
        FSettings.Transparency > 0 ? canvas->BeginBlending(TRect(0, 0, 0, 0), FSettings.Transparency) : nullptr;
    const auto cells = [&]() {
        const int nx = GetNumXValues(), nz = GetNumZValues();
        const bool zUp = BackFaced();
        const bool xUp = DrawValuesForward();
        for (int ix = 0; ix < nx; ++ix) {
            const int x = xUp ? ix + 1 : nx - ix;
            for (int iz = 0; iz < nz; ++iz) {
                const int z = zUp ? iz + 1 : nz - iz;
                int i;
                if (!CellShown(x, z, i)) continue;
                if (filled) host->SetBrushCanvas(GetValueColor(i), Brush(), host->GetBackColor());
                int y, yOrigin, z0, z1;
                TRect r;
                CalcCell(i, y, yOrigin, z0, z1, r);
                const bool perCell = blend && !fullRotation;
                if (perCell) {
                    if (FSettings.TowerStyle == tsCover) {
                        const TPoint p[4] = {
                            canvas->Calculate3DPosition(r.Left, y, z0), canvas->Calculate3DPosition(r.Right, y, z0),
                            canvas->Calculate3DPosition(r.Right, y, z1), canvas->Calculate3DPosition(r.Left, y, z1)};
                        blend->SetRectangle(PolygonBounds(p));
                    } else {
                        const TRect a = canvas->RectFromRectZ(r, z0), b = canvas->RectFromRectZ(r, z1);
                        blend->SetRectangle(TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top),
                                                  std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)));
                    }
                }
                const int middle = (z0 + z1) / 2;
                switch (FSettings.TowerStyle) {
                    case tsCube: canvas->Cube(r, z0, z1, FSettings.Dark3D); break;
                    case tsRectangle: canvas->RectangleWithZ(r, middle); break;
                    case tsCover: canvas->RectangleY(r.Left, y, r.Right, z0, z1); break;
                    case tsCylinder:
                        canvas->Cylinder(true, r.Left, r.Top, r.Right, r.Bottom, z0, z1, FSettings.Dark3D);
                        break;
                    case tsArrow: {
                        const int m = (r.Left + r.Right) / 2, w = r.Right - r.Left;
                        canvas->Arrow(true, TPoint(m, yOrigin), TPoint(m, y), w, w / 2, middle);
                        break;
                    }
                    case tsCone: canvas->Cone(true, r.Left, y, r.Right, yOrigin, z0, z1, FSettings.Dark3D, 0); break;
                    case tsPyramid: canvas->Pyramid(true, r.Left, y, r.Right, yOrigin, z0, z1, FSettings.Dark3D); break;
                    case tsSlantCube: {
                        const TCylinderSidesScope sides(4);
                        canvas->Cylinder(true, r.Left, r.Top, r.Right, r.Bottom, z0, z1, FSettings.Dark3D);
                        break;
                    }
                }
                if (perCell) blend->DoBlend(FSettings.Transparency);
            }
        }
    };
    try {
        cells();
    } catch (...) {
        delete blend;
        throw;
    }
    if (blend && fullRotation)
        canvas->EndBlending(blend);
    else
        delete blend;
}

void TTowerSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    Marks()->ApplyArrowLength(position);
    TCustom3DGridSeries::DrawMark(valueIndex, text, position);
}

int TTowerSeries::Clicked(int x, int y)
{
    // Only the flat covers can be hit.
    if (Count() == 0 || FSettings.TowerStyle != tsCover) return -1;
    TCanvas3D* canvas = Canvas();
    if (!canvas) return -1;
    const TPoint p(x, y);
    for (int cx = 1; cx <= GetNumXValues(); ++cx)
        for (int cz = 1; cz <= GetNumZValues(); ++cz) {
            int i;
            if (!CellShown(cx, cz, i)) continue;
            int top, yOrigin, z0, z1;
            TRect r;
            CalcCell(i, top, yOrigin, z0, z1, r);
            const TPoint q[4] = {
                canvas->Calculate3DPosition(r.Left, top, z0), canvas->Calculate3DPosition(r.Right, top, z0),
                canvas->Calculate3DPosition(r.Right, top, z1), canvas->Calculate3DPosition(r.Left, top, z1)};
            if (PointInPolygon(p, q)) return i;
        }
    return -1;
}

void TTowerSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustom3DGridSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text :
         {&TeeMsg_NoBorder, &TeeMsg_SingleColor, &TeeMsg_Marks, &TeeMsg_Hollow, &TeeMsg_Rectangle, &TeeMsg_Cover,
          &TeeMsg_Circle, &TeeMsg_GalleryArrow, &TeeMsg_Cone, &TeeMsg_Pyramid})
        AddSubChart(*text);
}

void TTowerSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TTowerSeries*>(series);
    if (!s) return;
    static const TTowerStyle styles[] = {tsRectangle, tsCover, tsCylinder, tsArrow, tsCone, tsPyramid};
    switch (index) {
        case 2: s->Pen()->Hide(); break;
        case 3: s->SetUsePalette(false); break;
        case 4: s->Marks()->SetVisible(true); break;
        case 5: s->Brush()->SetStyle(bsClear); break;
        default:
            if (index >= 6 && index <= 11)
                s->SetTowerStyle(styles[index - 6]);
            else
                TCustom3DGridSeries::SetSubGallery(series, index);
            break;
    }
}

void TTowerSeries::PrepareForGallery(bool enabled)
{
    TCustom3DGridSeries::PrepareForGallery(enabled);
    FSampleMode = true;
    CreateValues(5, 5);
}
