#include "chart/series/TFastLineSeries.h"

#include <algorithm>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"

TFastLineSeries::TFastLineSeries(QObject* owner) : TCustomLineSeries(owner)
{
    // The last segment reaches the right edge; a whole-series function result is a
    // horizontal line over the source's X range.
    DrawPointBeyondRange = true;
    SinglePointFunctions = false;
}

void TFastLineSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TFastLineSeries*>(&source)) FSettings = other->FSettings;
    TCustomLineSeries::Assign(source);
}

void TFastLineSeries::SetPen(TChartPen* value)
{
    TCustomLineSeries::SetPen(value);
    SetSeriesColor(GetLinePen()->GetColor());
}

void TFastLineSeries::SetSeriesColor(TColor value)
{
    TCustomLineSeries::SetSeriesColor(value);
    GetLinePen()->SetColor(value);
}

namespace {

// Half the pen beyond the outermost points, so a wide line is not cut by the axes.
int PenMargin(const TChartPen* pen)
{
    const int w = pen->GetWidth();
    return w - (w - 2) / 2;
}

}  // namespace

void TFastLineSeries::CalcHorizMargins(int& leftMargin, int& rightMargin)
{
    TCustomLineSeries::CalcHorizMargins(leftMargin, rightMargin);
    const int m = PenMargin(GetLinePen());
    leftMargin += m;
    rightMargin += m;
}

void TFastLineSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin)
{
    TCustomLineSeries::CalcVerticalMargins(topMargin, bottomMargin);
    const int m = PenMargin(GetLinePen());
    topMargin += m;
    bottomMargin += m;
}

void TFastLineSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustomLineSeries::CreateSubGallery(AddSubChart);
    AddSubChart(TeeMsg_Marks);
    AddSubChart(TeeMsg_Dotted);
    AddSubChart(TeeMsg_Stairs);
}

void TFastLineSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TFastLineSeries*>(series);
    if (!s) return;
    switch (index) {
        case 1: s->Marks()->SetVisible(true); break;
        case 2: s->GetLinePen()->SetSmallDots(true); break;
        case 3: s->SetStairs(true); break;
        default: break;
    }
}

// ---------------------------------------------------------------- drawing

void TFastLineSeries::CalcPosition(int valueIndex, int& x, int& y) const
{
    x = CalcXPosValue(GetxValue(valueIndex));
    y = CalcYPosValue(GetyValue(valueIndex));
}

void TFastLineSeries::DoMove(int x, int y)
{
    FlushLines();
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    if (host->GetView3D())
        canvas->MoveTo3D(x, y, MiddleZ);
    else
        canvas->MoveTo(x, y);
}

void TFastLineSeries::FlushLines()
{
    const int n = FLineCount;
    FLineCount = 0;
    if (n > 0 && FCanvas) FCanvas->PolylineTo(std::span<const TPoint>(FLines.get(), std::size_t(n)), FIs3D, MiddleZ);
}

void TFastLineSeries::PrepareCanvas()
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    canvas->AssignVisiblePen(GetLinePen());
    canvas->Brush->SetStyle(bsClear);
    canvas->SetBackMode(cbmTransparent);
}

void TFastLineSeries::FlushColumn()
{
    FColumn.Flush([this](int x, int y) { LineTo(x, y); });
}

void TFastLineSeries::CalcInFactOrderedRange()
{
    // Walking every point, as a list without order is drawn, shows only what reaches into
    // the clipped plot; the walk can start and end where nothing more can: at points whose
    // pixel lies clear of the plot by more than the pen's width, the start on the first
    // point of its pixel column (there the whole walk is in the same state: the pen at that
    // point, the column's strokes to come). In 3D, unclipped or with a pattern pen (whose
    // dashes run on from the walk's start) every point is walked.
    auto* panel = dynamic_cast<TCustomAxisPanel*>(ParentChart());
    const TChartAxis* axis = YMandatory() ? GetHorizAxis() : GetVertAxis();
    const TChartPen* pen = GetLinePen();
    const int n = Count();
    if (!panel || !axis || panel->GetView3D() || !panel->GetClipPoints() || !panel->CanClip() ||
        pen->GetStyle() != psSolid || pen->GetSmallDots() || n < 2) {
        TCustomLineSeries::CalcInFactOrderedRange();
        return;
    }
    const TRect r = panel->GetChartRect();
    const int margin = std::max(pen->GetWidth(), 1) + 2;
    const int low = (YMandatory() ? r.Left : r.Top) - margin;
    const int high = (YMandatory() ? r.Right : r.Bottom) + margin;
    const auto pixel = [this](int i) { return YMandatory() ? CalcXPos(i) : CalcYPos(i); };
    // Pixels follow the ascending values one way or the other.
    const bool increasing = pixel(0) <= pixel(n - 1);
    const auto before = [&](int i) {
        const int p = pixel(i);
        return increasing ? p < low : p > high;
    };
    const auto after = [&](int i) {
        const int p = pixel(i);
        return increasing ? p > high : p < low;
    };
    const auto search = [](int from, int to, const auto& test) {
        // First index in from..to-1 for which test is false (test holds for a prefix).
        while (from < to) {
            const int mid = from + (to - from) / 2;
            if (test(mid))
                from = mid + 1;
            else
                to = mid;
        }
        return from;
    };
    const int in = search(0, n, before);
    const int out = search(in, n, [&](int i) { return !after(i); });
    if (in == out && (in == 0 || out == n)) {
        FirstValueIndex = LastValueIndex = -1;
        return;
    }
    if (in == 0) {
        FirstValueIndex = 0;
    } else {
        const int column = pixel(in - 1);
        // The walk moves to the point before FirstValueIndex.
        FirstValueIndex = search(0, in - 1, [&](int i) { return pixel(i) != column; }) + 1;
    }
    LastValueIndex = out < n ? out : n - 1;
}

void TFastLineSeries::DrawAllValues()
{
    ISeriesHost* host = SeriesHost();
    FCanvas = host ? host->GetCanvas() : nullptr;
    const int first = FirstValueIndex;
    const int last = std::min(LastValueIndex, Count() - 1);
    if (!FCanvas || first < 0 || last < first) return;
    FIs3D = host->GetView3D();
    FLineCount = 0;
    PrepareCanvas();
    CalcPosition(first > 0 ? first - 1 : first, LastX, LastY);
    DoMove(LastX, LastY);
    FInPass = true;
    FColumn = TColumnStrokes();
    const int from = first > 0 ? first : first + 1;
    // The axes' mappings inline: a redraw maps every visible point.
    const TChartAxis* horiz = GetHorizAxis();
    const TChartAxis* vert = GetVertAxis();
    const TChartAxis::TPixelMap mx = horiz ? horiz->PixelMap(true) : TChartAxis::TPixelMap();
    const TChartAxis::TPixelMap my = vert ? vert->PixelMap(false) : TChartAxis::TPixelMap();
    if (mx.Linear && my.Linear && FSettings.IgnoreNulls && FSettings.DrawAllPoints) {
        // DrawPoint's steps for this case with the column and the pen in locals: points on
        // the pen's column only widen its strokes (one on the pen itself changes nothing).
        // Without order, blocks of Y values are mapped first (loops of vector code); in
        // order, a column's run of Y values is mapped only at its extremes.
        const double* xs = XValues()->Data();
        const double* ys = YValues()->Data();
        constexpr int kBlock = 512;
        int px[kBlock], py[kBlock];
        TColumnStrokes column;
        int lastX = LastX, lastY = LastY;
        const auto line = [this](int x, int y) { LineTo(x, y); };
        const auto mapY = [&my](double v) { return my.Map(v); };
        // Widens the column by the pixels of vs[0..count-1] (count <= kBlock).
        const auto widen = [&](const double* vs, int count) {
            if (column.AddValues(vs, count, mapY)) return;
            my.MapBlock(vs, count, py);
            column.AddRange(py, count);
        };
        // A point on a new column: the column before is drawn, then the step to the point.
        const auto enter = [&](int x, int y) {
            column.Flush(line);
            StepTo(lastX, lastY, x, y);
            lastX = x;
            lastY = y;
        };
        // Ordered X values map to pixels that never turn back, so the points of one column
        // follow each other: the end of each run is searched (from the length of the run
        // before) instead of every X being mapped, and a run's Y values widen the column
        // at once.
        const bool ordered = XValues()->IsOrdered();
        int guess = 1;
        for (int i = from; i <= last; i += kBlock) {
            const int n = std::min(kBlock, last - i + 1);
            if (!ordered || guess < 4) {
                // Every X mapped: unordered values, or few points per column.
                my.MapBlock(ys + i, n, py);
                mx.MapBlock(xs + i, n, px);
                int columns = 0;
                for (int k = 0; k < n; ++k) {
                    const int x = px[k], y = py[k];
                    if (x != lastX) {
                        enter(x, y);
                        ++columns;
                        continue;
                    }
                    if (!column.Active()) column.Begin(lastX, lastY);
                    column.Add(y);
                    lastY = y;
                }
                guess = n / std::max(columns, 1);
                continue;
            }
            const double* bx = xs + i;
            const double* by = ys + i;
            // The search below reads X values one after another: their lines are asked
            // for at once.
            for (int j = 0; j < n; j += 8) __builtin_prefetch(bx + j);
            int k = 0, x = mx.Map(bx[0]);
            while (k < n) {
                // Points k..lo lie on column x, point hi (or the block's end) does not.
                int lo = k, hi = n, hiX = 0;
                const auto probe = [&](int j) {
                    const int m = mx.Map(bx[j]);
                    if (m == x) {
                        lo = j;
                    } else {
                        hi = j;
                        hiX = m;
                    }
                };
                if (k + guess - 1 < n - 1 && guess > 1) {
                    probe(k + guess - 1);
                    if (hi < n) probe(hi - 1);
                }
                // Gallop until a probe leaves the column (probe moves lo or hi).
                int step = 1;
                while (hi == n && lo < n - 1) {
                    probe(std::min(lo + step, n - 1));
                    step *= 2;
                }
                while (hi - lo > 1) probe(lo + (hi - lo) / 2);
                if (x == lastX) {
                    if (!column.Active()) column.Begin(lastX, lastY);
                    widen(by + k, lo - k + 1);
                    lastY = column.Last();
                } else {
                    const int y = my.Map(by[k]);
                    enter(x, y);
                    if (lo > k) {
                        column.Begin(x, y);
                        widen(by + k + 1, lo - k);
                        lastY = column.Last();
                    }
                }
                guess = lo - k + 1;
                k = lo + 1;
                x = hiX;
            }
        }
        FColumn = column;
        LastX = lastX;
        LastY = lastY;
    } else if (mx.Linear && my.Linear && FSettings.IgnoreNulls) {
        // Only the first point on each pixel column is drawn: the others need no Y. With X
        // values in order the points of a column follow each other, so the next column's
        // first point is searched (galloping from the length of the run before) instead
        // of every X being mapped.
        const double* xs = XValues()->Data();
        const double* ys = YValues()->Data();
        const bool ordered = XValues()->IsOrdered();
        int lastX = LastX, lastY = LastY;
        int guess = 1;
        int i = from;
        while (i <= last) {
            const int x = mx.Map(xs[i]);
            if (x == lastX) {
                if (!ordered) {
                    ++i;
                    continue;
                }
                // Points i..lo lie on the column, point hi (or the end) does not.
                int lo = i, hi = last + 1;
                if (guess > 1 && i + guess - 1 <= last) {
                    if (mx.Map(xs[i + guess - 1]) == lastX)
                        lo = i + guess - 1;
                    else
                        hi = i + guess - 1;
                }
                for (int step = 1; hi == last + 1 && lo < last; step *= 2) {
                    const int j = std::min(lo + step, last);
                    if (mx.Map(xs[j]) == lastX)
                        lo = j;
                    else
                        hi = j;
                }
                while (hi - lo > 1) {
                    const int mid = lo + (hi - lo) / 2;
                    if (mx.Map(xs[mid]) == lastX)
                        lo = mid;
                    else
                        hi = mid;
                }
                guess = hi - i + 1;
                i = hi;
                continue;
            }
            const int y = my.Map(ys[i]);
            StepTo(lastX, lastY, x, y);
            lastX = x;
            lastY = y;
            ++i;
        }
        LastX = lastX;
        LastY = lastY;
    } else {
        for (int i = from; i <= last; ++i) DrawValue(i);
    }
    FlushColumn();
    FlushLines();
    FInPass = false;
}

void TFastLineSeries::DrawValue(int valueIndex)
{
    if (!FInPass) {
        ISeriesHost* host = SeriesHost();
        FCanvas = host ? host->GetCanvas() : nullptr;
        if (!FCanvas) return;
        FIs3D = host->GetView3D();
    }
    int x, y;
    CalcPosition(valueIndex, x, y);
    DrawPoint(valueIndex, x, y);
    if (!FInPass) {
        FlushColumn();
        FlushLines();
    }
}

void TFastLineSeries::DrawPoint(int valueIndex, int x, int y)
{
    if (x == LastX && (!FSettings.DrawAllPoints || y == LastY)) return;

    if (!FSettings.IgnoreNulls && IsNull(valueIndex)) {
        FlushColumn();
        DoMove(x, y);
        LastX = x;
        LastY = y;
        return;
    }

    if (x == LastX) {
        // Same pixel column: with or without stairs the segment is vertical.
        if (!FColumn.Active()) FColumn.Begin(LastX, LastY);
        FColumn.Add(y);
        LastY = y;
    } else {
        FlushColumn();
        StepTo(LastX, LastY, x, y);
        LastX = x;
        LastY = y;
    }
}

void TFastLineSeries::NotifyNewValue(TChartSeries* sender, int valueIndex)
{
    if (FSettings.AutoRepaint) {
        TCustomLineSeries::NotifyNewValue(sender, valueIndex);
        return;
    }
    // Only the repaint is left out: the after-add event and the series fed from this one
    // must still see the point, or they would silently fall behind.
    if (OnAfterAdd) OnAfterAdd(this, valueIndex);
    NotifyValue(veAdd, valueIndex);
    // A hidden series shows nothing, not even its newest segment.
    TCanvas3D* canvas = Canvas();
    if (!FActive || !canvas || valueIndex < 0 || valueIndex >= Count()) return;
    CalcPosition(valueIndex > 0 ? valueIndex - 1 : 0, LastX, LastY);
    canvas->AssignVisiblePen(GetLinePen());
    DoMove(LastX, LastY);
    FInPass = false;
    FColumn = TColumnStrokes();
    DrawValue(valueIndex);
}

void TFastLineSeries::PrepareLegendCanvas(int, TColor&, TBrushStyle&)
{
    PrepareCanvas();
}

void TFastLineSeries::DrawLegendShape(int, const TRect& rect)
{
    if (TCanvas3D* canvas = Canvas()) canvas->DoHorizLine(rect.Left, rect.Right, (rect.Top + rect.Bottom) / 2);
}

void TFastLineSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    Marks()->ApplyArrowLength(position);
    TCustomLineSeries::DrawMark(valueIndex, text, position);
}

// ---------------------------------------------------------------- mouse

int TFastLineSeries::Clicked(int x, int y)
{
    if (FirstValueIndex < 0 || LastValueIndex < 0) return -1;
    if (ISeriesHost* host = SeriesHost())
        if (TCanvas3D* canvas = host->GetCanvas()) canvas->Calculate2DPosition(x, y, MiddleZ);
    const TPoint click(x, y);
    TPoint previous(0, 0);
    const int last = std::min(LastValueIndex, Count() - 1);
    for (int i = FirstValueIndex; i <= last; ++i) {
        const TPoint p(CalcXPos(i), CalcYPos(i));
        if (p.X == click.X && p.Y == click.Y) return i;
        if (i > FirstValueIndex && PointInLine(click, previous, p)) return i - 1;
        previous = p;
    }
    return -1;
}
