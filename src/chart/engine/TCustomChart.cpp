// The chart control: construction, layout of the chart rectangle, titles, walls and the
// operations on series, pages and parts.
#include "chart/engine/TCustomChart.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeePalette.h"
#include "platform/ScopedValue.h"

double AnimatedZoomFactor = 3.0;
TShiftState TeeScrollKeyShift = 0;
bool TeeUseMouseWheel = true;

TCustomChart::TCustomChart(QWidget* parent) : TCustomAxisPanel(parent)
{
    AutoRepaint = false;
    FTitle = new TChartTitle(this);
    FScrollMouseButton = mbRight;
    FSubTitle = new TChartTitle(this);
    FFoot = new TChartFootTitle(this);
    FSubFoot = new TChartFootTitle(this);
    FWalls = new TChartWalls(this);
    FLegend = new TChartLegend(this);
    FNoSavedScales = true;
    AutoRepaint = true;
}

TCustomChart::~TCustomChart()
{
    AutoRepaint = false;
    FSavedScales.clear();
}

// ---------------------------------------------------------------- layout

void TCustomChart::CalcWallsRect()
{
    CalcSize3DWalls();
    if (FView3D && FView3DOptions->GetOrthogonal()) {
        const int B = ActiveSeriesUseAxis() ? GetBackWall()->GetSize() : 0;
        const int D = std::abs(Width3D) + B;
        if (FView3DOptions->GetOrthoAngle() < 91) {
            ChartRect.Right -= D;
            if (GetRightWall()->GetVisible()) ChartRect.Right -= GetRightWall()->GetSize() + 1;
        } else {
            ChartRect.Left += D;
            if (GetLeftWall()->GetVisible()) ChartRect.Left += GetLeftWall()->GetSize() + 1;
        }
        ChartRect.Top += B + std::abs(Height3D);
    }
    ReCalcWidthHeight();
}

int TCustomChart::CalcWallSize(TChartAxis* Axis)
{
    if (!FView3D || !GetView3DWalls()) return 0;
    TCustomChartWall* wall = GetBackWall();
    if (Axis == LeftAxis())
        wall = GetLeftWall();
    else if (Axis == BottomAxis())
        wall = GetBottomWall();
    else if (Axis == RightAxis())
        wall = GetRightWall();
    return wall->GetVisible() ? wall->GetSize() : 0;
}

void TCustomChart::DrawTitles(bool CustomPosition)
{
    for (TChartTitle* t : {static_cast<TChartTitle*>(FTitle), FSubTitle, static_cast<TChartTitle*>(FFoot),
                           static_cast<TChartTitle*>(FSubFoot)}) {
        if (t->GetCustomPosition() != CustomPosition) continue;
        t->DrawTitle();
        if (!CustomPosition) ReCalcWidthHeight();
    }
}

void TCustomChart::DrawTitlesAndLegend(bool BeforeSeries)
{
    FCanvas->FrontPlaneBegin();
    const bool legendCustom = FLegend->GetCustomPosition();
    const auto drawLegend = [this] {
        FLegend->DrawLegend();
        ReCalcWidthHeight();
    };
    if (BeforeSeries) {
        if (!legendCustom && FLegend->ShouldDraw()) {
            if (FLegend->GetVertical()) {
                drawLegend();
                DrawTitles(false);
            } else {
                DrawTitles(false);
                drawLegend();
            }
        } else {
            DrawTitles(false);
        }
    } else {
        if (legendCustom && FLegend->ShouldDraw()) drawLegend();
        DrawTitles(true);
        if (ActiveSeriesUseAxis() && FView3D) {
            if (DrawRightWallAfter()) {
                if (GetRightWall()->ShouldDraw()) DrawRightWall();
                if (IsAxisVisible(RightAxis())) RightAxis()->Draw(false);
            }
            if (DrawLeftWallFirst()) {
                if (GetLeftWall()->ShouldDraw()) DrawLeftWall();
                if (IsAxisVisible(LeftAxis())) LeftAxis()->Draw(false);
            }
            if (DrawBackWallAfter(Width3D)) {
                if (IsAxisVisible(TopAxis())) TopAxis()->DrawGrids(static_cast<int>(TopAxis()->Tick.size()));
                if (IsAxisVisible(BottomAxis())) BottomAxis()->DrawGrids(static_cast<int>(BottomAxis()->Tick.size()));
                if (GetBackWall()->ShouldDraw()) DrawBackWall();
            }
        }
    }
    FCanvas->FrontPlaneEnd();
}

bool TCustomChart::IsFreeSeriesColor(TColor Color, bool CheckBackground, TChartSeries* Series)
{
    for (TChartSeries* s : *SeriesList())
        if (s != Series && s->GetSeriesColor() == Color) return false;
    if (CheckBackground && (Color == GetColor() || Color == GetBackWall()->GetColor())) return false;
    return true;
}

TColor TCustomChart::GetBackColor()
{
    return GetBackWall()->GetTransparent() ? GetColor() : GetBackWall()->GetColor();
}

void TCustomChart::SetBackColor(TColor Value)
{
    GetBackWall()->SetColor(Value);
    if (parentWidget() && !Loading) GetBackWall()->GetBrush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------- walls

void TCustomChart::PrepareWallCanvas(TCustomChartWall* Wall)
{
    if (Wall->GetPen()->GetVisible())
        FCanvas->AssignVisiblePen(Wall->GetPen());
    else
        FCanvas->Pen->SetStyle(psClear);
    if (Wall->GetTransparent()) {
        FCanvas->Brush->SetStyle(bsClear);
    } else {
        const TColor c = Wall->GetColor() == clDefault ? GetColor() : Wall->GetColor();
        SetBrushCanvas(c, Wall->GetBrush(), GetBackColor());
    }
}

// Whether the side plane at X faces the viewer: then it stands in front of the series.
static bool DrawWallFirst(TCanvas3D* Canvas, const TRect& R, int X, int Depth)
{
    const TPoint a = Canvas->Calculate3DPosition(X, R.Top, 0);
    const TPoint b = Canvas->Calculate3DPosition(X, R.Top, Depth);
    const TPoint c = Canvas->Calculate3DPosition(X, R.Bottom, 0);
    return TeeCull(a, c, b);
}

bool TCustomChart::DrawRightWallAfter()
{
    return !DrawWallFirst(FCanvas.get(), ChartRect, ChartRect.Right, GetBackWall()->GetSize() + Width3D);
}

bool TCustomChart::DrawLeftWallFirst()
{
    return DrawWallFirst(FCanvas.get(), ChartRect, ChartRect.Left, GetBackWall()->GetSize() + Width3D);
}

void TCustomChart::DrawBackWall()
{
    TChartBackWall* wall = GetBackWall();
    PrepareWallCanvas(wall);
    const bool gradient = wall->HasGradient() && !wall->GetTransparent();
    if (!FView3D) {
        const TRect r(ChartRect.Left, ChartRect.Top, ChartRect.Right, ChartRect.Bottom + 1);
        if (gradient) {
            wall->GetGradient()->Draw(FCanvas.get(), r);
            FCanvas->Brush->SetStyle(bsClear);
        }
        FCanvas->Rectangle(r);
    } else {
        int offset = wall->GetSize();
        if (Width3D < 0) offset = -offset;
        if (gradient) {
            const TFourPoints p = FCanvas->FourPointsFromRect(ChartRect, Width3D);
            const TPoint pts[4] = {p[0], p[1], p[2], p[3]};
            wall->GetGradient()->Draw(FCanvas.get(), pts);
            FCanvas->Brush->SetStyle(bsClear);
        }
        if (wall->GetSize() < 1) {
            FCanvas->RectangleWithZ(ChartRect, Width3D);
        } else {
            TRect r = ChartRect;
            r.Left -= CalcWallSize(LeftAxis());
            r.Bottom += CalcWallSize(BottomAxis());
            FCanvas->Cube(r, Width3D, Width3D + offset, wall->ApplyDark3D());
        }
    }
    if (GetBackImageInside()) {
        TRect r = ChartRect;
        if (wall->GetPen()->GetVisible()) OffsetRect(r, 1, 1);
        DrawBitmap(r, Width3D);
    }
}

void TCustomChart::DrawLeftWall()
{
    TChartWall* wall = GetLeftWall();
    PrepareWallCanvas(wall);
    const int bottom = ChartRect.Bottom + CalcWallSize(BottomAxis());
    if (wall->GetSize() < 1)
        FCanvas->RectangleZ(ChartRect.Left, ChartRect.Top, bottom, 0, Width3D);
    else
        FCanvas->Cube(ChartRect.Left - wall->GetSize(), ChartRect.Left, ChartRect.Top, bottom, 0, Width3D,
                      wall->ApplyDark3D());
}

void TCustomChart::DrawBottomWall()
{
    TChartWall* wall = GetBottomWall();
    PrepareWallCanvas(wall);
    int left = ChartRect.Left;
    if (!(GetLeftWall()->GetAutoHide() && !DrawLeftWallFirst())) left -= CalcWallSize(LeftAxis());
    const int y = ChartRect.Bottom + (FCanvas->GetSupportsFullRotation() ? 1 : 0);
    if (wall->GetSize() < 1)
        FCanvas->RectangleY(left, y, ChartRect.Right, 0, Width3D);
    else
        FCanvas->Cube(left, ChartRect.Right, y, y + wall->GetSize(), 0, Width3D, wall->ApplyDark3D());
}

void TCustomChart::DrawRightWall()
{
    TChartRightWall* wall = GetRightWall();
    if (!wall->GetVisible() || !ActiveSeriesUseAxis() || !FView3D || !GetView3DWalls()) return;
    PrepareWallCanvas(wall);
    const int bottom = ChartRect.Bottom + CalcWallSize(BottomAxis());
    if (wall->GetSize() < 1) {
        FCanvas->RectangleZ(ChartRect.Right, ChartRect.Top, bottom, 0, Width3D + 1);
    } else {
        const int back = GetBackWall()->GetVisible() ? GetBackWall()->GetSize() : 0;
        FCanvas->Cube(ChartRect.Right, ChartRect.Right + wall->GetSize(), ChartRect.Top, bottom, 0, Width3D + back,
                      wall->ApplyDark3D());
    }
}

void TCustomChart::DrawWalls()
{
    if (!ActiveSeriesUseAxis()) return;
    const bool walls3D = FView3D && GetView3DWalls();
    if (walls3D && GetRightWall()->ShouldDraw() && !DrawRightWallAfter()) DrawRightWall();
    if (GetView3DWalls() && GetBackWall()->ShouldDraw() && !DrawBackWallAfter(Width3D)) DrawBackWall();
    if (walls3D) {
        if (GetLeftWall()->ShouldDraw() && !DrawLeftWallFirst()) DrawLeftWall();
        if (GetBottomWall()->ShouldDraw()) DrawBottomWall();
        if (DrawBackWallAfter(Width3D)) {
            if (IsAxisVisible(TopAxis())) TopAxis()->Draw(true);
            if (IsAxisVisible(BottomAxis())) BottomAxis()->Draw(true);
        }
    }
}

// ---------------------------------------------------------------- parts and series

bool TCustomChart::ActiveSeriesUseAxis()
{
    bool anyActive = false;
    for (TChartSeries* s : *SeriesList()) {
        if (!s->GetActive()) continue;
        anyActive = true;
        if (s->UseAxis()) return true;
    }
    return !anyActive;
}

void TCustomChart::FillValueSourceItems(TChartValueList* ValueList, const std::function<void(const AnsiString&)>& Proc)
{
    TChartSeries* owner = ValueList ? ValueList->Owner() : nullptr;
    auto* source = owner ? qobject_cast<TChartSeries*>(owner->DataSource()) : nullptr;
    if (!source || !Proc) return;
    for (int i = 0; i < source->ValuesList().Count(); ++i) Proc(source->ValuesList()[i]->GetName());
}

TChartSeries* TCustomChart::GetASeries()
{
    for (TChartSeries* s : *SeriesList())
        if (s->GetActive()) return s;
    return nullptr;
}

void TCustomChart::RemoveAllSeries()
{
    while (SeriesCount() > 0) RemoveSeries(0);
}

void TCustomChart::SeriesUp(TChartSeries* Series)
{
    const int i = SeriesList()->IndexOf(Series);
    if (i > 0) ExchangeSeries(i, i - 1);
}

void TCustomChart::SeriesDown(TChartSeries* Series)
{
    const int i = SeriesList()->IndexOf(Series);
    if (i >= 0 && i < SeriesCount() - 1) ExchangeSeries(i, i + 1);
}

void TCustomChart::NextPage()
{
    if (GetMaxPointsPerPage() > 0 && GetPage() < NumPages()) SetPage(GetPage() + 1);
}

void TCustomChart::PreviousPage()
{
    if (GetMaxPointsPerPage() >= 1 && GetPage() >= 2) SetPage(GetPage() - 1);
}

AnsiString TCustomChart::AxisTitleOrName(TChartAxis* Axis)
{
    const AnsiString& caption = Axis->GetTitle()->GetCaption();
    if (!caption.empty()) return caption;
    if (Axis == DepthAxis()) return TeeMsg_DepthAxis;
    if (Axis == DepthTopAxis()) return TeeMsg_DepthTopAxis;
    if (!Axis->GetHorizontal()) return Axis->GetOtherSide() ? TeeMsg_RightAxis : TeeMsg_LeftAxis;
    return Axis->GetOtherSide() ? TeeMsg_TopAxis : TeeMsg_BottomAxis;
}

AnsiString TCustomChart::FormattedValueLegend(TChartSeries* Series, int ValueIndex)
{
    return Series ? FLegend->FormattedValue(Series, ValueIndex) : AnsiString();
}

AnsiString TCustomChart::FormattedLegend(int Index)
{
    AnsiString text = FLegend->FormattedLegend(Index);
    if (OnGetLegendText) OnGetLegendText(this, FLegend->InternalLegendStyle(), Index, text);
    return text;
}

void TCustomChart::CalcNeedClickedPart(const TPoint& Pos, bool IsMouseClick, TChartClickedPart& Part)
{
    Part = TChartClickedPart();
    const int X = Pos.X, Y = Pos.Y;
    const auto legendHit = [&](bool custom) {
        if (!FLegend->GetVisible() || FLegend->GetCustomPosition() != custom) return false;
        const int item = FLegend->Clicked(X, Y);
        if (item == -1) return false;
        Part.Part = cpLegend;
        Part.PointIndex = item;
        return true;
    };
    if (legendHit(true)) return;
    for (int i = SeriesCount() - 1; i >= 0; --i) {
        TChartSeries* s = GetSeries(i);
        if (!s->GetActive()) continue;
        if (IsMouseClick && !OnClickSeries && !s->OnClick && !s->OnDblClick) continue;
        const int index = s->Clicked(X, Y);
        if (index != -1) {
            Part.Part = cpSeries;
            Part.PointIndex = index;
            Part.ASeries = s;
            return;
        }
        if (s->Marks()->GetVisible()) {
            const int mark = s->Marks()->Clicked(X, Y);
            if (mark != -1) {
                Part.Part = cpSeriesMarks;
                Part.PointIndex = mark;
                Part.ASeries = s;
                return;
            }
        }
    }
    for (int i = 0; i < Axes()->Count(); ++i) {
        TChartAxis* a = Axes()->Get(i);
        if (a->Clicked(X, Y)) {
            Part.Part = cpAxis;
            Part.AAxis = a;
            return;
        }
    }
    if (legendHit(false)) return;
    const std::pair<TChartTitle*, TChartClickedPartStyle> titles[] = {
        {FTitle, cpTitle}, {FSubTitle, cpSubTitle}, {FFoot, cpFoot}, {FSubFoot, cpSubFoot}};
    for (const auto& [title, style] : titles)
        if (title->Clicked(X, Y)) {
            Part.Part = style;
            return;
        }
    if (CountActiveSeries() > 0 && PointInRect(ChartRect, X, Y)) Part.Part = cpChartRect;
}

bool TCustomChart::IsPropertyStored(const char* Name) const
{
    const std::string n = Name;
    if (n == "ScrollMouseButton") return FScrollMouseButton != mbRight;
    if (n == "ColorPaletteIndex") return ColorPaletteIndex >= 1;
    if (n == "BackColor") return false;
    return TCustomAxisPanel::IsPropertyStored(Name);
}

void TCustomChart::Loaded()
{
    TCustomAxisPanel::Loaded();
    if (ColorPaletteIndex >= 1) TColorPalettes::ApplyPalette(this, ColorPaletteIndex);
}

void TCustomChart::Assign(QObject* Source)
{
    if (auto* c = qobject_cast<TCustomChart*>(Source)) {
        const TScopedValue noRepaint(AutoRepaint, false);
        ColorPaletteIndex = c->ColorPaletteIndex;
        FTitle->Assign(c->FTitle);
        FSubTitle->Assign(c->FSubTitle);
        FFoot->Assign(c->FFoot);
        FSubFoot->Assign(c->FSubFoot);
        FLegend->Assign(c->FLegend);
        FScrollMouseButton = c->FScrollMouseButton;
        FWalls->Assign(c->FWalls);
    }
    TCustomAxisPanel::Assign(Source);
}
