#include "chart/series/TContourSeries.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeProcs.h"
#include "platform/FormatSettings.h"
#include "platform/ScopedValue.h"
#include "platform/StoreChanged.h"

namespace {

constexpr double JoinTolerance = 0.001;

double Manhattan(const TLevelPoint& a, const TLevelPoint& b)
{
    return std::fabs(a.X - b.X) + std::fabs(a.Z - b.Z);
}

bool SamePoint(const TLevelPoint& a, const TLevelPoint& b)
{
    return std::fabs(a.X - b.X) <= JoinTolerance && std::fabs(a.Z - b.Z) <= JoinTolerance;
}

// The case of a triangle by the signs of its first point, the centre and its third point.
constexpr int CaseTable[3][3][3] = {
    {{0, 0, 8}, {0, 2, 5}, {7, 6, 9}}, {{0, 3, 4}, {1, 3, 1}, {4, 3, 0}}, {{9, 6, 7}, {5, 2, 0}, {8, 0, 0}}};

// The two ends of the line piece of each case, as corners of the triangle: the corner
// itself where both are the same, else the level's crossing of the edge between them.
struct TPieceEnd {
    int P, Q;
};
constexpr TPieceEnd PieceEnds[10][2] = {{},
                                        {{0, 0}, {1, 1}},
                                        {{1, 1}, {2, 2}},
                                        {{2, 2}, {0, 0}},
                                        {{0, 0}, {1, 2}},
                                        {{1, 1}, {2, 0}},
                                        {{2, 2}, {0, 1}},
                                        {{0, 1}, {1, 2}},
                                        {{1, 2}, {2, 0}},
                                        {{2, 0}, {0, 1}}};

int Sign(double h)
{
    return h > 0 ? 1 : h < 0 ? -1 : 0;
}

}  // namespace

// ---------------------------------------------------------------- TContourLevel

TContourLevel::TContourLevel(TCollection* collection) : TCollectionItem(collection)
{
    if (auto* levels = qobject_cast<TContourLevels*>(collection)) FSeries = levels->Series();
    UserChanged();
}

TContourLevel::~TContourLevel()
{
    if (FSeries && !FSeries->InternalChange()) {
        FSeries->SetAutomaticLevels(false);
        FSeries->Repaint();
    }
}

void TContourLevel::UserChanged()
{
    if (FSeries && !FSeries->InternalChange()) FSeries->SetAutomaticLevels(false);
}

void TContourLevel::Assign(TPersistent* Source)
{
    auto* other = qobject_cast<TContourLevel*>(Source);
    if (!other) {
        TCollectionItem::Assign(Source);
        return;
    }
    FColor = other->FColor;
    FUpToValue = other->FUpToValue;
    if (other->FPen)
        GetPen()->Assign(other->FPen);
    else
        SetPen(nullptr);
    UserChanged();
    if (FSeries) FSeries->Repaint();
}

bool TContourLevel::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return FColor != clBlack;
    if (std::strcmp(Name, "Pen") == 0) return FPen != nullptr;
    if (std::strcmp(Name, "UpToValue") == 0) return FUpToValue != 0;
    return TCollectionItem::IsPropertyStored(Name);
}

void TContourLevel::SetColor(TColor value)
{
    if (!StoreChanged(FColor, value)) return;
    if (FPen) FPen->SetColor(value);
    UserChanged();
    if (FSeries) FSeries->Repaint();
}

void TContourLevel::SetUpToValue(double value)
{
    if (!StoreChanged(FUpToValue, value)) return;
    UserChanged();
    if (FSeries) FSeries->Repaint();
}

TChartPen* TContourLevel::GetPen()
{
    if (!FPen) {
        TContourSeries* series = FSeries;
        FPen = new TChartPen(
            [series](QObject*) {
                if (series) series->Repaint();
            },
            this);
        if (FSeries) FPen->Assign(FSeries->Pen());
        FPen->SetColor(FColor);
    }
    return FPen;
}

void TContourLevel::SetPen(TChartPen* value)
{
    if (AssignPart(FPen, value, [this] { return GetPen(); }) && FSeries) FSeries->Repaint();
}

TChartPen* TContourLevel::InternalPen() const
{
    if (FPen) return FPen;
    return FSeries ? FSeries->Pen() : nullptr;
}

std::vector<TPoint> TContourLevel::GetSegmentPoints(int segmentIndex) const
{
    std::vector<TPoint> points;
    if (!FSeries || segmentIndex < 0 || segmentIndex >= SegmentCount()) return points;
    TChartAxis* zAxis = FSeries->GetZAxis();
    const auto& line = FSegments[static_cast<std::size_t>(segmentIndex)].Points;
    points.reserve(line.size());
    for (const TLevelPoint& p : line)
        points.emplace_back(FSeries->CalcXPosValue(p.X), zAxis ? zAxis->CalcPosValue(p.Z) : 0);
    return points;
}

bool TContourLevel::ClickedSegment(int x, int y, int& pointIndex, int segmentIndex) const
{
    if (!FSeries) return false;
    if (ISeriesHost* host = FSeries->SeriesHost(); host && host->GetCanvas())
        host->GetCanvas()->Calculate2DPosition(x, y, FSeries->MiddleZ);
    const std::vector<TPoint> points = GetSegmentPoints(segmentIndex);
    const TPoint p(x, y);
    for (std::size_t i = 1; i < points.size(); ++i)
        if (PointInLine(p, points[i - 1], points[i])) {
            pointIndex = static_cast<int>(i - 1);
            return true;
        }
    return false;
}

bool TContourLevel::Clicked(int x, int y, int& pointIndex, int& segmentIndex) const
{
    for (int s = 0; s < SegmentCount(); ++s)
        if (ClickedSegment(x, y, pointIndex, s)) {
            segmentIndex = s;
            return true;
        }
    return false;
}

// ---------------------------------------------------------------- TContourLevels

TContourLevels::TContourLevels(TContourSeries* series) : TCollection(series), FSeries(series) {}

int TContourLevels::Clicked(int x, int y, int& pointIndex, int& segmentIndex) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Clicked(x, y, pointIndex, segmentIndex)) return i;
    return -1;
}

// ---------------------------------------------------------------- TContourSeries

TContourSeries::TContourSeries(QObject* owner) : TCustom3DGridSeries(owner)
{
    FLevels = new TContourLevels(this);
    FSmoothing = new TSmoothPoints(this);
    SetColorEachPoint(true);
}

TContourSeries::~TContourSeries()
{
    delete FSmoothing;
    FInternalChange = true;
    delete FLevels;
}

void TContourSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TContourSeries*>(&source); other && other != this) {
        FSettings = other->FSettings;
        {
            TScopedValue internal(FInternalChange, true);
            FLevels->Assign(other->FLevels);
        }
        FSmoothing->Assign(other->FSmoothing);
    }
    TCustom3DGridSeries::Assign(source);
}

bool TContourSeries::IsPropertyStored(const char* Name) const
{
    static const TContourSettings defaults;
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("AutomaticLevels")) return FSettings.AutomaticLevels != defaults.AutomaticLevels;
    // Hand-made levels are stored themselves; automatic ones are made again.
    if (is("Levels")) return !FSettings.AutomaticLevels;
    if (is("NumLevels")) return FSettings.AutomaticLevels && FSettings.NumLevels != defaults.NumLevels;
    if (is("YPosition")) return FSettings.YPosition != defaults.YPosition;
    if (is("YPositionLevel")) return FSettings.YPositionLevel != defaults.YPositionLevel;
    return TCustom3DGridSeries::IsPropertyStored(Name);
}

void TContourSeries::SetAutomaticLevels(bool value)
{
    if (!StoreChanged(FSettings.AutomaticLevels, value)) return;
    Repaint();
    if (value) ClearAutoLevels();
}

void TContourSeries::SetLevels(TContourLevels* value)
{
    if (value != FLevels) FLevels->Assign(value);
}

int TContourSeries::GetNumLevels() const
{
    return FSettings.AutomaticLevels ? FSettings.NumLevels : FLevels->Count();
}

void TContourSeries::SetNumLevels(int value)
{
    if (FSettings.NumLevels == value) return;
    if (value > MaxLevels)
        throw ChartException("A contour series has at most " + IntToStr(MaxLevels) + " levels, not " + IntToStr(value));
    FSettings.NumLevels = value;
    Repaint();
    if (FSettings.AutomaticLevels) ClearAutoLevels();
}

void TContourSeries::ClearAutoLevels()
{
    TScopedValue internal(FInternalChange, true);
    FLevels->Clear();
}

void TContourSeries::CreateAutoLevels()
{
    if (FSettings.NumLevels <= 0) return;
    ISeriesHost* host = SeriesHost();
    // Back to how they were, also when a level handler fails.
    struct RestoreRepaint {
        ISeriesHost* host;
        bool repaint;
        ~RestoreRepaint()
        {
            if (host) host->SetAutoRepaint(repaint);
        }
    } restore{host, host ? host->GetAutoRepaint() : true};
    TScopedValue internal(FInternalChange, true);
    if (host) host->SetAutoRepaint(false);

    FLevels->Clear();
    const double minimum = FY->MinValue();
    const double step = (FY->MaxValue() - minimum) / FSettings.NumLevels;
    for (int i = 0; i < FSettings.NumLevels; ++i) {
        double value = minimum + i * step;
        TColor color;
        if (!FColorEachPoint)
            color = GetValueColorValue(value);
        else
            color = i < Count() && InternalColor(i) != clDefault ? GetValueColor(i) : clDefault;
        if (OnGetLevel) OnGetLevel(this, i, value, color);
        static_cast<TContourLevel*>(FLevels->Add())->InternalSet(value, color);
    }
}

void TContourSeries::DoBeforeDrawChart()
{
    TCustom3DGridSeries::DoBeforeDrawChart();
    if (!FInternalChange && FSettings.AutomaticLevels && FSettings.NumLevels > 0 && FLevels->Count() == 0)
        CreateAutoLevels();
}

TChartAxis* TContourSeries::GetZAxis() const
{
    ISeriesHost* host = SeriesHost();
    if (host && host->GetView3D()) return DepthAxis();
    return GetVertAxis();
}

double TContourSeries::MaxYValue()
{
    ISeriesHost* host = SeriesHost();
    return host && host->GetView3D() ? TCustom3DGridSeries::MaxYValue() : FZ->MaxValue();
}

double TContourSeries::MinYValue()
{
    ISeriesHost* host = SeriesHost();
    return host && host->GetView3D() ? TCustom3DGridSeries::MinYValue() : FZ->MinValue();
}

// ---------------------------------------------------------------- legend

int TContourSeries::CountLegendItems()
{
    return FLevels->Count();
}

TColor TContourSeries::LegendItemColor(int legendIndex) const
{
    const int level = FLevels->Count() - legendIndex - 1;
    if (level < 0 || level >= FLevels->Count()) return TCustom3DGridSeries::LegendItemColor(legendIndex);
    const TColor c = FLevels->Items(level)->GetColor();
    if (c != clDefault) return c;
    // A level without a colour of its own takes the chart's colour of its index, as it
    // is drawn.
    return FParentChart ? FParentChart->GetDefaultColor(level) : ::GetDefaultColor(level);
}

AnsiString TContourSeries::LegendString(int legendIndex, TLegendTextStyle)
{
    const int level = FLevels->Count() - legendIndex - 1;
    if (level < 0 || level >= FLevels->Count()) return AnsiString();
    return FormatFloat(GetValueFormat(), FLevels->Items(level)->GetUpToValue());
}

int TContourSeries::Clicked(int x, int y)
{
    int pointIndex = -1, segmentIndex = -1;
    return FLevels->Clicked(x, y, pointIndex, segmentIndex);
}

// ---------------------------------------------------------------- tracing

void TContourSeries::AddPiece(TLevelSegments& segments, const TLevelPoint& a, const TLevelPoint& b)
{
    for (std::size_t si = 0; si < segments.size(); ++si) {
        auto& s = segments[si].Points;
        const TLevelPoint f = s.front(), l = s.back();
        const double d[4] = {Manhattan(a, f), Manhattan(b, f), Manhattan(a, l), Manhattan(b, l)};
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (d[k] > JoinTolerance) continue;
            bool smallest = true;
            for (int j = 0; j < 4; ++j) smallest = smallest && (j == k || d[k] <= d[j]);
            if (smallest) best = k;
        }
        if (best < 0) continue;
        const bool front = best < 2;
        const TLevelPoint e = (best == 0 || best == 2) ? b : a;
        if (front)
            s.push_front(e);
        else
            s.push_back(e);
        // Another polyline that ends where this one now ends is joined on.
        for (std::size_t ti = 0; ti < segments.size(); ++ti) {
            if (ti == si) continue;
            const auto& t = segments[ti].Points;
            const bool atFirst = SamePoint(t.front(), e);
            if (!atFirst && !SamePoint(t.back(), e)) continue;
            auto& grown = segments[si].Points;
            if (atFirst && front)
                grown.insert(grown.begin(), t.rbegin(), std::prev(t.rend()));
            else if (atFirst)
                grown.insert(grown.end(), std::next(t.begin()), t.end());
            else if (!front)
                grown.insert(grown.end(), std::next(t.rbegin()), t.rend());
            else
                grown.insert(grown.begin(), t.begin(), std::prev(t.end()));
            segments.erase(segments.begin() + static_cast<std::ptrdiff_t>(ti));
            break;
        }
        return;
    }
    TLevelSegment segment;
    segment.Points = {a, b};
    segments.push_back(std::move(segment));
}

void TContourSeries::TraceCell(TLevelSegments& segments, const double h[5], const double xs[5], const double zs[5])
{
    const auto vertex = [&](int m) { return TLevelPoint{xs[m], zs[m]}; };
    const auto crossing = [&](int p, int q) {
        return TLevelPoint{(h[q] * xs[p] - h[p] * xs[q]) / (h[q] - h[p]),
                           (h[q] * zs[p] - h[p] * zs[q]) / (h[q] - h[p])};
    };
    for (int m = 1; m <= 4; ++m) {
        const int corners[3] = {m, 0, m == 4 ? 1 : m + 1};
        const double h1 = h[corners[0]], h2 = h[corners[1]], h3 = h[corners[2]];
        // A triangle lying wholly in the level has no line of its own: a flat grid at a
        // level's value draws nothing rather than the edges of every cell.
        if (h1 == 0 && h2 == 0 && h3 == 0) continue;
        const int kase = CaseTable[Sign(h1) + 1][Sign(h2) + 1][Sign(h3) + 1];
        if (kase == 0) continue;
        const auto end = [&](TPieceEnd e) {
            const int p = corners[e.P], q = corners[e.Q];
            return p == q ? vertex(p) : crossing(p, q);
        };
        AddPiece(segments, end(PieceEnds[kase][0]), end(PieceEnds[kase][1]));
    }
}

void TContourSeries::DrawAllValues()
{
    const int numLevels = GetNumLevels();
    if (Count() == 0 || numLevels <= 0) return;
    ISeriesHost* host = SeriesHost();
    if (!host || !host->GetCanvas()) return;

    std::vector<TLevelDraw> table;
    table.reserve(static_cast<std::size_t>(FLevels->Count()));
    for (int i = 0; i < FLevels->Count(); ++i) {
        TContourLevel* level = FLevels->Items(i);
        const TColor c = level->GetColor();
        table.push_back({level->GetUpToValue(), c == clDefault ? host->GetDefaultColor(i) : c, level->InternalPen()});
        level->ClearSegments();
    }
    if (table.empty()) return;
    // Levels edited by hand need not be in order: a cell is skipped only outside all.
    double lowest = table.front().Value, highest = lowest;
    for (const TLevelDraw& d : table) {
        lowest = std::min(lowest, d.Value);
        highest = std::max(highest, d.Value);
    }

    XStep = 1;
    ZStep = 1;
    const int nx = GetNumXValues(), nz = GetNumZValues();
    for (int z = 1; z < nz; ++z)
        for (int x = 1; x < nx; ++x) {
            if (!ExistFourGridIndex(x, z)) continue;
            const int corner[4] = {ValueIndex0, ValueIndex1, ValueIndex2, ValueIndex3};
            double y[4];
            for (int k = 0; k < 4; ++k) y[k] = FY->Value(corner[k]);
            const double cellMin = std::min({y[0], y[1], y[2], y[3]});
            const double cellMax = std::max({y[0], y[1], y[2], y[3]});
            if (cellMin > highest || cellMax < lowest) continue;
            const double x1 = FX->Value(ValueIndex0), x2 = FX->Value(ValueIndex1);
            const double z1 = FZ->Value(ValueIndex0), z4 = FZ->Value(ValueIndex3);
            const double xs[5] = {(x1 + x2) * 0.5, x1, x2, x2, x1};
            const double zs[5] = {(z1 + z4) * 0.5, z1, z1, z4, z4};
            const double mean = 0.25 * (y[0] + y[1] + y[2] + y[3]);
            for (std::size_t l = 0; l < table.size(); ++l) {
                const double v = table[l].Value;
                if (v < cellMin || v > cellMax) continue;
                const double h[5] = {mean - v, y[0] - v, y[1] - v, y[2] - v, y[3] - v};
                TraceCell(FLevels->Items(static_cast<int>(l))->Segments(), h, xs, zs);
            }
        }
    DrawLevels(table);
}

void TContourSeries::DrawLevels(const std::vector<TLevelDraw>& table)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    int h = CalcYPosValue(FSettings.YPosition);
    canvas->SetBackMode(cbmTransparent);
    const bool is3D = host->GetView3D();
    TChartAxis* depth = DepthAxis();
    std::vector<TPoint> smoothed;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TLevelDraw& d = table[i];
        if (d.Pen)
            canvas->AssignVisiblePenColor(d.Pen, d.Color);
        else
            canvas->Pen->SetColor(d.Color);
        if (FSettings.YPositionLevel) h = CalcYPosValue(d.Value);
        if (OnBeforeDrawLevel) OnBeforeDrawLevel(this, static_cast<int>(i));
        TContourLevel* level = FLevels->Items(static_cast<int>(i));
        for (int s = 0; s < level->SegmentCount(); ++s) {
            if (is3D) {
                const auto& line = level->Segments()[static_cast<std::size_t>(s)].Points;
                bool first = true;
                for (const TLevelPoint& p : line) {
                    const int px = CalcXPosValue(p.X), pz = depth ? depth->CalcPosValue(p.Z) : 0;
                    if (first)
                        canvas->MoveTo3D(px, h, pz);
                    else
                        canvas->LineTo3D(px, h, pz);
                    first = false;
                }
            } else {
                const std::vector<TPoint> points = level->GetSegmentPoints(s);
                if (FSmoothing->GetActive()) {
                    FSmoothing->Calculate(points, smoothed);
                    canvas->Polyline(smoothed);
                } else {
                    canvas->Polyline(points);
                }
            }
        }
    }
}

// ---------------------------------------------------------------- gallery

void TContourSeries::AddSampleValues(int numValues, bool onlyMandatory)
{
    TCustom3DGridSeries::AddSampleValues(numValues, onlyMandatory);
    SetYPosition((FY->MaxValue() + FY->MinValue()) * 0.5);
}

void TContourSeries::PrepareForGallery(bool enabled)
{
    TCustom3DGridSeries::PrepareForGallery(enabled);
    if (!enabled) SetSeriesColor(0x808080);
}

void TContourSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustom3DGridSeries::CreateSubGallery(AddSubChart);
    AddSubChart(TeeMsg_Colors);
    AddSubChart(TeeMsg_Positions);
}

void TContourSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TContourSeries*>(series);
    if (s && index == 2)
        s->SetColorEachPoint(true);
    else if (s && index == 3)
        s->SetYPositionLevel(true);
    else
        TCustom3DGridSeries::SetSubGallery(series, index);
}
