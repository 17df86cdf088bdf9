// The order in which a chart is drawn: background, titles, depth, axes, walls, series,
// marks and the rubber band, with the tools called at their fixed points.
#include <algorithm>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"

void TCustomAxisPanel::CalcInvertedRotation()
{
    InvertedRotation = false;
    if (!FView3D) return;
    if (FView3DOptions->GetOrthogonal())
        InvertedRotation = FView3DOptions->GetOrthoAngle() > 90;
    else
        InvertedRotation = FView3DOptions->GetRotation() < 180;
}

void TCustomAxisPanel::CalcSize3DWalls()
{
    if (!FView3D) {
        SeriesWidth3D = SeriesHeight3D = Width3D = Height3D = 0;
        return;
    }
    double f = FChart3DPercent * 0.001;
    if (!FView3DOptions->GetOrthogonal()) f *= 2;
    // An orthogonal angle near 90 or 270 degrees makes the ratio huge (of either sign): the
    // sizes are kept to the pixel limit, so no size is ever INT_MIN or overflows.
    auto limit = [](double v) {
        const double l = TeeAxisPixelLimit;
        return Round(std::clamp(v, -l, l));
    };
    SeriesWidth3D = limit(ChartWidth * f);
    const double r = FView3DOptions->CalcOrthoRatio();
    if (r > 1) SeriesWidth3D = limit(SeriesWidth3D / r);
    SeriesHeight3D = limit(SeriesWidth3D * r);
    const int n = ApplyZOrder ? std::max(1, MaxZOrder + 1) : 1;
    Height3D = limit(double(SeriesHeight3D) * n);
    Width3D = limit(double(SeriesWidth3D) * n);
}

bool TCustomAxisPanel::DrawBackWallAfter(int Z)
{
    const TFourPoints p = FCanvas->FourPointsFromRect(ChartRect, Z);
    return !TeeCull(p);
}

void TCustomAxisPanel::InternalDraw(const TRect& UserRect)
{
    TScopedValue quiet(AutoRepaint, false);

    TCanvas3D* canvas = FCanvas.get();
    const bool fullRotation = canvas->GetSupportsFullRotation();
    CalcInvertedRotation();
    if (!fullRotation) PanelPaint(UserRect);

    BroadcastToolEvent(cteBeforeDraw);
    DoOnBeforeDrawChart();
    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive()) s->DoBeforeDrawChart();

    if (!fullRotation) DrawTitlesAndLegend(true);

    MaxZOrder = 0;
    if (ApplyZOrder && FView3D) {
        MaxZOrder = -1;
        for (TChartSeries* s : *FSeriesList)
            if (s->GetActive()) s->CalcZOrder();
    }
    // Depth slots: the first series goes to the back unless the depth axis is inverted.
    const bool ordered = ApplyZOrder && FView3D;
    TChartAxis* depth = DepthAxis();
    const bool depthInverted = depth && depth->GetInverted();
    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive()) s->DepthSlot = !ordered ? 0 : depthInverted ? s->GetZOrder() : MaxZOrder - s->GetZOrder();

    CalcWallsRect();
    const TRect savedRect = ChartRect;

    const int axisCount = FAxes->Count();
    for (int i = 0; i < axisCount; ++i) {
        TChartAxis* a = FAxes->Get(i);
        a->AdjustMaxMin();
    }
    for (int i = 0; i < axisCount; ++i) FAxes->Get(i)->InternalCalcPositions();
    TRect R = ChartRect;
    for (int i = 0; i < axisCount; ++i) {
        TChartAxis* a = FAxes->Get(i);
        if (!CalcIsAxisVisible(a)) continue;
        TRect r = R;
        a->CalcRect(r, i < 5);
        TRect both;
        if (IntersectRect(both, r, R)) R = both;
    }
    ChartRect = R;
    ReCalcWidthHeight();
    for (int i = 0; i < axisCount; ++i) FAxes->Get(i)->InternalCalcPositions();

    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive()) s->CalcDepthPositions();

    for (int i = 0; i < axisCount; ++i) {
        TChartAxis* a = FAxes->Get(i);
        TRect m(0, 0, 0, 0);
        for (TChartSeries* s : *FSeriesList) {
            if (!s->GetActive() || !s->AssociatedToAxis(a)) continue;
            int lo = 0, hi = 0;
            if (a->GetHorizontal()) {
                s->CalcHorizMargins(lo, hi);
                if (a->GetAutomaticMinimum()) m.Left = std::max(m.Left, lo);
                if (a->GetAutomaticMaximum()) m.Right = std::max(m.Right, hi);
            } else {
                s->CalcVerticalMargins(lo, hi);
                if (a->GetAutomaticMaximum()) m.Top = std::max(m.Top, lo);
                if (a->GetAutomaticMinimum()) m.Bottom = std::max(m.Bottom, hi);
            }
        }
        const int minOffset = a->GetInverted() ? a->GetMaximumOffset() : a->GetMinimumOffset();
        const int maxOffset = a->GetInverted() ? a->GetMinimumOffset() : a->GetMaximumOffset();
        if (a->GetHorizontal()) {
            m.Left += minOffset;
            m.Right += maxOffset;
        } else {
            m.Bottom += minOffset;
            m.Top += maxOffset;
        }
        a->AdjustMaxMinRect(m);
    }

    canvas->Projection(Width3D, ChartBounds, ChartRect);

    if (fullRotation) {
        const TRect current = ChartRect;
        ChartRect = savedRect;
        PanelPaint(UserRect);
        DrawTitlesAndLegend(true);
        ChartRect = current;
    }

    DrawWalls();
    if (FAxisBehind) {
        BroadcastToolEvent(cteBeforeDrawAxes);
        DrawAxes();
    }
    BroadcastToolEvent(cteBeforeDrawSeries);
    DoOnBeforeDrawSeries();
    DrawSeries();
    BroadcastToolEvent(cteAfterDrawSeries);
    if (!FAxisBehind) {
        BroadcastToolEvent(cteBeforeDrawAxes);
        DrawAxes();
    }
    DrawTitlesAndLegend(false);
    if (FZoom->Active) DrawZoomRectangle();
    BroadcastToolEvent(cteAfterDraw);
    canvas->ResetState();
    DoOnAfterDraw();
}

void TCustomAxisPanel::DrawAxes()
{
    if (!FAxisVisible) return;
    DoOnBeforeDrawAxes();
    const bool skipBottom = DrawBackWallAfter(0);
    for (int i = 0; i < FAxes->Count(); ++i) {
        TChartAxis* a = FAxes->Get(i);
        if (!CalcIsAxisVisible(a)) continue;
        if (a == BottomAxis() && skipBottom) continue;
        a->Draw(true);
    }
}

bool TCustomAxisPanel::ClipSeriesRect()
{
    if (!CanClip()) return false;
    TRect r = ChartRect;
    ++r.Bottom;
    FCanvas->ClipCube(r, 0, Width3D);
    return true;
}

void TCustomAxisPanel::DrawMarksOf(TChartSeries* Series)
{
    if (Series->Count() == 0 || !Series->Marks()->GetVisible()) return;
    const bool clip = Series->Marks()->GetClip() && ClipSeriesRect();
    Series->DrawMarks();
    if (clip) FCanvas->UnClipRectangle();
}

void TCustomAxisPanel::DrawSeriesGroup(TChartSeries* First)
{
    const int start = FSeriesList->IndexOf(First);
    std::vector<TChartSeries*> group;
    for (int i = start; i < SeriesCount(); ++i) {
        TChartSeries* s = GetSeries(i);
        if (s->GetActive() && s->GetZOrder() == First->GetZOrder()) group.push_back(s);
    }
    int first = -1, last = -1;
    bool clipped = false;
    for (TChartSeries* s : group) {
        s->CalcFirstLastVisibleIndex();
        if (s->FirstValueIndex != -1) {
            first = first == -1 ? s->FirstValueIndex : std::max(first, s->FirstValueIndex);
            last = last == -1 ? s->LastValueIndex : std::max(last, s->LastValueIndex);
        }
        s->DoBeforeDrawValues();
        if (FClipPoints && !clipped) clipped = ClipSeriesRect();
    }
    if (first != -1) {
        const bool forward = First->DrawValuesForward();
        const auto drawIndex = [&](int t) {
            const bool seriesForward = !(First->Count() > t && !First->DrawSeriesForward(t));
            if (seriesForward) {
                for (TChartSeries* s : group)
                    if (s->Count() > t) s->DrawValue(t);
            } else {
                for (auto it = group.rbegin(); it != group.rend(); ++it)
                    if ((*it)->Count() > t) (*it)->DrawValue(t);
            }
        };
        if (forward)
            for (int t = first; t <= last; ++t) drawIndex(t);
        else
            for (int t = last; t >= first; --t) drawIndex(t);
    }
    if (clipped) FCanvas->UnClipRectangle();
    for (TChartSeries* s : group) {
        if (s->FirstValueIndex == -1) continue;
        DrawMarksOf(s);
        s->DoAfterDrawValues();
    }
}

void TCustomAxisPanel::DrawSeries()
{
    const bool backAfter = DrawBackWallAfter(Width3D);
    TChartAxis* depth = DepthAxis();
    const bool reverse = backAfter != (depth && depth->GetInverted());
    std::vector<TChartSeries*> order(FSeriesList->begin(), FSeriesList->end());
    if (reverse) std::reverse(order.begin(), order.end());
    for (TChartSeries* s : order) {
        if (!s->GetActive() || !FSeriesList->Contains(s)) continue;
        if (!FView3D || !s->MoreSameZOrder()) {
            s->CalcFirstLastVisibleIndex();
            if (s->FirstValueIndex == -1) continue;
            s->DoBeforeDrawValues();
            const bool clip = s->UseAxis() && FClipPoints && ClipSeriesRect();
            s->DrawAllValues();
            if (clip) FCanvas->UnClipRectangle();
            DrawMarksOf(s);
            s->DoAfterDrawValues();
        } else if (s->FirstInZOrder()) {
            DrawSeriesGroup(s);
        }
    }
}
