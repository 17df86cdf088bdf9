#include <algorithm>
#include <array>
#include <cmath>

#include "chart/engine/AxisHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/StoreChanged.h"

namespace {

// Whether (x, y) lies inside (or on) the outline of the four points.
bool PointInQuad(const std::array<TPoint, 4>& p, int x, int y)
{
    bool inside = false;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].Y > y) != (p[j].Y > y)) {
            const double cross = p[i].X + double(y - p[i].Y) * (p[j].X - p[i].X) / double(p[j].Y - p[i].Y);
            if (x < cross) inside = !inside;
        }
    }
    if (inside) return true;
    // The outline itself counts as inside.
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        const TPoint a = p[j], b = p[i];
        const long long cross =
            static_cast<long long>(b.X - a.X) * (y - a.Y) - static_cast<long long>(b.Y - a.Y) * (x - a.X);
        if (cross == 0 && x >= std::min(a.X, b.X) && x <= std::max(a.X, b.X) && y >= std::min(a.Y, b.Y) &&
            y <= std::max(a.Y, b.Y))
            return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- grid band brush

TGridBandBrush::TGridBandBrush(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartBrush(OnChangeEvent, parent)
{
    SetColor(clDefault);
    SetStyle(bsSolid);
}

void TGridBandBrush::Assign(TPersistent* Source)
{
    if (auto* b = qobject_cast<TGridBandBrush*>(Source)) {
        FBackColor = b->FBackColor;
        FTransparency = b->FTransparency;
    }
    TChartBrush::Assign(Source);
}

void TGridBandBrush::SetBackColor(TColor Value)
{
    if (StoreChanged(FBackColor, Value)) Changed();
}

void TGridBandBrush::SetTransparency(TTeeTransparency Value)
{
    if (StoreChanged(FTransparency, Value)) Changed();
}

// ---------------------------------------------------------------- grid band tool

TGridBandTool::TGridBandTool(QObject* owner) : TTeeCustomToolAxis(owner)
{
    const TNotifyEvent changed = [this](QObject*) { CanvasChanged(); };
    FBand1 = new TGridBandBrush(changed, this);
    FBand2 = new TGridBandBrush(changed, this);
}

TGridBandTool::~TGridBandTool()
{
    ReleaseGridHook();
}

void TGridBandTool::ReleaseGridHook()
{
    // A second band tool on the axis may have taken the hook over: leave it alone then.
    if (FAxis && FAxis->GridHookOwner == this) {
        FAxis->GridHook = nullptr;
        FAxis->GridHookOwner = nullptr;
    }
}

void TGridBandTool::SetAxis(TChartAxis* value)
{
    if (value == FAxis) return;
    ReleaseGridHook();
    TTeeCustomToolAxis::SetAxis(value);
    if (FAxis) {
        FAxis->GridHook = [this](QObject* sender) { DrawGrids(dynamic_cast<TChartAxis*>(sender)); };
        FAxis->GridHookOwner = this;
    }
}

TColor TGridBandTool::BandBackColor(TGridBandBrush* band) const
{
    if (band->GetBackColor() != clNone) return band->GetBackColor();
    auto* chart = FAxis ? dynamic_cast<TCustomChart*>(FAxis->ParentChart()) : nullptr;
    return chart ? chart->GetBackWall()->GetColor() : clNone;
}

void TGridBandTool::DrawGrids(TChartAxis* axis)
{
    if (!axis) axis = FAxis;
    if (!axis || !GetActive() || axis->Tick.size() < 2) return;
    if (FBand1->GetStyle() == bsClear && FBand2->GetStyle() == bsClear) return;
    IAxisHost* chart = axis->ParentChart();
    TCanvas3D* canvas = chart ? chart->GetCanvas() : nullptr;
    if (!canvas) return;

    const TRect cr = chart->GetChartRect();
    const bool horiz = axis->GetHorizontal();
    const bool is3D = chart->GetView3D();
    const int depth = chart->GetWidth3D();
    TGridBandBrush* band = FBand1;
    TTeeBlend blend(canvas, TRect(0, 0, 0, 0));
    canvas->Pen->SetStyle(psClear);

    const auto paint = [&](int p1, int p2) {
        if (band->GetStyle() == bsClear) return;
        canvas->AssignBrushColor(band, band->GetColor(), BandBackColor(band));
        if (p1 > p2) std::swap(p1, p2);
        TRect r = horiz ? TRect(p1, cr.Top + 1, p2, cr.Bottom) : TRect(cr.Left + 1, p1, cr.Right, p2 + 1);
        const int transparency = band->GetTransparency();
        canvas->Pen->SetStyle(psClear);
        if (transparency > 0 && !is3D) {
            const TRect filled(r.Left, r.Top, r.Right + 1, r.Bottom);
            if (TeeBlendRectangle(canvas, r, filled, transparency)) return;
        }
        if (transparency > 0) blend.SetRectangle(is3D ? canvas->CalcRect3D(r, depth) : r);
        if (is3D)
            canvas->RectangleWithZ(r, depth);
        else {
            ++r.Right;
            canvas->Rectangle(r);
        }
        if (transparency > 0) blend.DoBlend(transparency);
    };
    const auto next = [&] { band = band == FBand1 ? FBand2 : FBand1; };

    const std::vector<int>& T = axis->Tick;
    if (horiz) {
        if (axis->EndPos > T[0]) {
            paint(axis->EndPos - 1, T[0]);
            next();
        }
    } else if (axis->StartPos < T[0]) {
        paint(axis->StartPos + 1, T[0]);
        next();
    }
    // Every gap between ticks is a band, also the one gap of two ticks.
    const int H = static_cast<int>(T.size()) - 1;
    if (H >= 1) {
        for (int i = 1; i <= H; ++i) {
            paint(T[i - 1], T[i]);
            next();
        }
        if (horiz) {
            if (T[H] > axis->StartPos) paint(T[H], axis->StartPos);
        } else if (T[H] < axis->EndPos)
            paint(T[H], axis->EndPos);
    }
}

// ---------------------------------------------------------------- colour line

TColorLineTool::TColorLineTool(QObject* owner) : TTeeCustomToolAxis(owner) {}

void TColorLineTool::Assign(const TCustomChartElement& source)
{
    if (auto* s = dynamic_cast<const TColorLineTool*>(&source)) {
        FSettings = s->FSettings;
    }
    TTeeCustomToolAxis::Assign(source);
}

TCustomTeePanel* TColorLineTool::Panel() const
{
    return teetools::Panel(Chart());
}

TCanvas3D* TColorLineTool::Canvas() const
{
    return teetools::Canvas(Chart());
}

TRect TColorLineTool::ChartRectangle() const
{
    IAxisHost* host = teetools::Host(Chart());
    return host ? host->GetChartRect() : TRect(0, 0, 0, 0);
}

int TColorLineTool::Depth() const
{
    IAxisHost* host = teetools::Host(Chart());
    return host ? host->GetWidth3D() : 0;
}

double TColorLineTool::CalcValue() const
{
    if (!FAxis) return FSettings.Value;
    switch (FSettings.Style) {
        case clMaximum: return FAxis->GetMaximum();
        case clMinimum: return FAxis->GetMinimum();
        case clCenter: return (FAxis->GetMaximum() + FAxis->GetMinimum()) * 0.5;
        case clCustom: break;
    }
    return FSettings.Value;
}

void TColorLineTool::SetStyle(TColorLineStyle v)
{
    if (StoreChanged(FSettings.Style, v)) Repaint();
}

void TColorLineTool::SetValue(double v)
{
    IChartHost* chart = Chart();
    if (!(chart && chart->IsLoading())) FSettings.Style = clCustom;
    if (FDragging && !FSettings.DragRepaint)
        FSettings.Value = v;
    else
        SetDoubleProperty(FSettings.Value, v);
}

double TColorLineTool::LimitValue(double value) const
{
    if (!FAxis) return value;
    // Pixels grow downwards, so a vertical axis starts at its high end.
    int highPos = FAxis->StartPos, lowPos = FAxis->EndPos;
    if (FAxis->GetHorizontal()) std::swap(lowPos, highPos);
    if (FAxis->GetInverted()) std::swap(lowPos, highPos);
    const double low = FAxis->CalcPosPoint(lowPos);
    const double high = FAxis->CalcPosPoint(highPos);
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

bool TColorLineTool::Clicked(int x, int y) const
{
    if (!FAxis) return false;
    const int p = FAxis->CalcPosValue(CalcValue());
    const TRect r = ChartRectangle();
    if (FAxis->GetHorizontal()) return std::abs(x - p) < 3 && y >= r.Top && y <= r.Bottom;
    return std::abs(y - p) < 3 && x >= r.Left && x <= r.Right;
}

void TColorLineTool::DrawColorLine(bool isBehind)
{
    TCanvas3D* c = Canvas();
    if (!c || !FAxis) return;
    if (FSettings.AllowDrag && !FSettings.NoLimitDrag) FSettings.Value = LimitValue(FSettings.Value);
    const int P = FAxis->CalcPosValue(CalcValue());
    const int D = Depth();
    const TRect r = ChartRectangle();
    const bool horiz = FAxis->GetHorizontal();
    if (isBehind) {
        if (horiz) {
            if (FSettings.Draw3D) c->ZLine3D(P, r.Bottom, 0, D);
            if (FSettings.DrawBehind || FSettings.Draw3D) c->VertLine3D(P, r.Top, r.Bottom, D);
        } else {
            if (FSettings.Draw3D) c->ZLine3D(r.Left, P, 0, D);
            if (FSettings.DrawBehind || FSettings.Draw3D) c->HorizLine3D(r.Left, r.Right, P, D);
        }
        return;
    }
    IAxisHost* host = teetools::Host(Chart());
    if (host && !host->GetView3D() && FDragging && !FSettings.DragRepaint) return;
    if (horiz) {
        if (FSettings.Draw3D) c->ZLine3D(P, r.Top, 0, D);
        if (!FSettings.DrawBehind) c->VertLine3D(P, r.Top, r.Bottom, 0);
    } else {
        if (FSettings.Draw3D) c->ZLine3D(r.Right, P, 0, D);
        if (!FSettings.DrawBehind) c->HorizLine3D(r.Left, r.Right, P, 0);
    }
}

void TColorLineTool::InternalDrawLine(bool isBehind)
{
    TCanvas3D* c = Canvas();
    if (!c) return;
    c->AssignVisiblePen(Pen());
    c->SetBackMode(cbmTransparent);
    DrawColorLine(isBehind);
}

void TColorLineTool::ChartEvent(TChartToolEvent event)
{
    if (!FAxis) return;
    if (event == cteBeforeDrawSeries)
        InternalDrawLine(true);
    else if (event == cteAfterDraw)
        InternalDrawLine(false);
}

void TColorLineTool::DoEndDragLine()
{
    if (FOnEndDragInner) FOnEndDragInner(this);
    if (OnEndDragLine) OnEndDragLine(this);
}

void TColorLineTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState, int x, int y)
{
    if (!FSettings.AllowDrag || !FAxis) return;
    TCustomTeePanel* panel = Panel();
    if (!panel) return;
    switch (event) {
        case cmeDown:
            if (button != mbLeft) return;
            FDragging = Clicked(x, y);
            panel->CancelMouse = FDragging;
            if (FDragging && OnBeginDragLine) OnBeginDragLine(this);
            break;
        case cmeMove:
            if (FDragging) {
                double v = FAxis->CalcPosPoint(FAxis->GetHorizontal() ? x : y);
                if (!FSettings.NoLimitDrag) v = LimitValue(v);
                bool changed = false;
                TCanvas3D* c = Canvas();
                if (FSettings.DragRepaint)
                    SetValue(v);
                else if (c && v != CalcValue()) {
                    // Drawn in not-xor mode a second time, the old line disappears.
                    c->AssignVisiblePen(Pen());
                    c->Pen->SetMode(pmNotXor);
                    DrawColorLine(true);
                    DrawColorLine(false);
                    FSettings.Style = clCustom;
                    FSettings.Value = v;
                    changed = true;
                }
                panel->CancelMouse = true;
                if (OnDragLine) OnDragLine(this);
                if (changed) {
                    c->Pen->SetMode(pmNotXor);
                    DrawColorLine(true);
                    DrawColorLine(false);
                    c->Pen->SetMode(pmCopy);
                }
            } else if (Clicked(x, y)) {
                panel->SetCursor(FAxis->GetHorizontal() ? crHSplit : crVSplit);
                panel->CancelMouse = true;
            }
            break;
        case cmeUp:
            if (FDragging) {
                if (!FSettings.DragRepaint) panel->Invalidate();
                DoEndDragLine();
                FDragging = false;
            }
            break;
    }
}

// ---------------------------------------------------------------- colour band

TColorBandTool::TColorBandTool(QObject* owner) : TTeeCustomToolAxis(owner)
{
    FGradient = new TTeeGradient([this](QObject*) { CanvasChanged(); }, this);
    FStartLine = new TColorLineTool(this);
    FEndLine = new TColorLineTool(this);
    for (TColorLineTool* line : {FStartLine, FEndLine}) {
        line->SetActive(false);
        line->SetDragRepaint(true);
        line->OnDragLine = [this](TColorLineTool* l) { LineDragged(l, false); };
        line->FOnEndDragInner = [this](TColorLineTool* l) { LineDragged(l, true); };
        line->Pen()->OnChange = [this](QObject*) { CanvasChanged(); };
    }
}

TColorBandTool::~TColorBandTool()
{
    delete FStartLine;
    delete FEndLine;
    delete FGradient;
}

TCustomTeePanel* TColorBandTool::Panel() const
{
    return teetools::Panel(FParentChart);
}

void TColorBandTool::LineDragged(TColorLineTool* line, bool endOfDrag)
{
    // A repainting drag moves the band on each step, an xor drag only when it ends.
    if (line->GetDragRepaint() == endOfDrag) return;
    if (line == FStartLine)
        SetStartValue(line->GetValue());
    else
        SetEndValue(line->GetValue());
}

void TColorBandTool::SetParentChart(IChartHost* value)
{
    TTeeCustomToolAxis::SetParentChart(value);
    FStartLine->FBandChart = value;
    FEndLine->FBandChart = value;
}

void TColorBandTool::SetAxis(TChartAxis* value)
{
    TTeeCustomToolAxis::SetAxis(value);
    for (TColorLineTool* line : {FStartLine, FEndLine}) {
        line->SetAxis(value);
        line->SetParentChart(nullptr);
    }
}

void TColorBandTool::SetStartValue(double v)
{
    SetDoubleProperty(FStartValue, v);
    FStartLine->FSettings.Value = FStartValue;
}

void TColorBandTool::SetEndValue(double v)
{
    SetDoubleProperty(FEndValue, v);
    FEndLine->FSettings.Value = FEndValue;
}

void TColorBandTool::Loaded()
{
    FStartLine->FSettings.Value = FStartValue;
    FEndLine->FSettings.Value = FEndValue;
}

int TColorBandTool::ZPosition() const
{
    IAxisHost* host = teetools::Host(FParentChart);
    return FDrawBehind && host ? host->GetWidth3D() : 0;
}

TRect TColorBandTool::BoundsRect() const
{
    IAxisHost* host = teetools::Host(FParentChart);
    if (!FAxis || !host) return TRect(0, 0, 0, 0);
    TRect r = host->GetChartRect();
    double a = FStartValue, b = FEndValue;
    const bool inverted = FAxis->GetInverted();
    if (inverted ? a < b : a > b) std::swap(a, b);
    const double mn = FAxis->GetMinimum(), mx = FAxis->GetMaximum();
    if (inverted ? (b > mx || a < mn) : (a > mx || b < mn)) return TRect(0, 0, 0, 0);
    if (FAxis->GetHorizontal()) {
        r.Left = std::max(FAxis->StartPos, FAxis->CalcPosValue(a));
        r.Right = std::min(FAxis->EndPos, FAxis->CalcPosValue(b));
        if (Pen()->GetVisible()) ++r.Right;
    } else {
        r.Top = std::max(FAxis->StartPos, FAxis->CalcPosValue(b));
        r.Bottom = std::min(FAxis->EndPos, FAxis->CalcPosValue(a));
        ++r.Left;
        ++r.Bottom;
        if (!Pen()->GetVisible()) {
            ++r.Bottom;
            ++r.Right;
        }
    }
    return r;
}

bool TColorBandTool::Clicked(int x, int y) const
{
    IAxisHost* host = teetools::Host(FParentChart);
    if (!host || !host->GetCanvas()) return false;
    const TRect r = BoundsRect();
    if (r.Right - r.Left <= 0 || r.Bottom - r.Top <= 0) return false;
    TCanvas3D* c = host->GetCanvas();
    const int z = ZPosition();
    const std::array<TPoint, 4> p{c->Calculate3DPosition(r.Left, r.Top, z), c->Calculate3DPosition(r.Right, r.Top, z),
                                  c->Calculate3DPosition(r.Right, r.Bottom, z),
                                  c->Calculate3DPosition(r.Left, r.Bottom, z)};
    return PointInQuad(p, x, y);
}

void TColorBandTool::PaintBand()
{
    IAxisHost* host = teetools::Host(FParentChart);
    if (!FAxis || !host || !host->GetCanvas()) return;
    TRect R = BoundsRect();
    if (R.Right - R.Left <= 0 || R.Bottom - R.Top <= 0) return;
    TCanvas3D* c = host->GetCanvas();
    c->AssignBrushColor(Brush(), FColor, clNone);
    c->AssignVisiblePen(Pen());
    const int Z = ZPosition();
    const bool is3D = host->GetView3D();
    if (FGradient->GetVisible() && host->GetView3DOptions() && host->GetView3DOptions()->GetOrthogonal()) {
        FGradient->Draw(c, c->CalcRect3D(TRect(R.Left, R.Top, R.Right - 1, R.Bottom - 1), Z));
        c->Brush->SetStyle(bsClear);
    }
    const auto draw = [&] {
        if (is3D)
            c->RectangleWithZ(R, Z);
        else
            c->Rectangle(R);
    };
    if (FTransparency == 0)
        draw();
    else {
        TTeeBlend* blend = c->BeginBlending(is3D ? c->CalcRect3D(R, Z) : R, FTransparency);
        draw();
        c->EndBlending(blend);
    }
    if (FEndLine->GetActive()) {
        FEndLine->FSettings.Value = FEndValue;
        FEndLine->InternalDrawLine(FDrawBehind);
    }
    if (FStartLine->GetActive()) {
        FStartLine->FSettings.Value = FStartValue;
        FStartLine->InternalDrawLine(FDrawBehind);
    }
}

void TColorBandTool::ChartEvent(TChartToolEvent event)
{
    if ((event == cteAfterDraw && !FDrawBehind && !FDrawBehindAxes) ||
        (event == cteBeforeDrawSeries && FDrawBehind && !FDrawBehindAxes) ||
        (event == cteBeforeDrawAxes && FDrawBehindAxes))
        PaintBand();
}

void TColorBandTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomTeePanel* panel = Panel();
    if (!panel) return;
    if (FStartLine->GetActive()) FStartLine->ChartMouseEvent(event, button, shift, x, y);
    if (FEndLine->GetActive() && !panel->CancelMouse) FEndLine->ChartMouseEvent(event, button, shift, x, y);
    if (event == cmeDown) {
        if (OnClick && Clicked(x, y)) OnClick(this, button, shift, x, y);
    } else if (event == cmeMove) {
        if (FCursor != crDefault && !panel->CancelMouse && Clicked(x, y)) {
            panel->SetCursor(FCursor);
            auto* ext = dynamic_cast<TCustomTeePanelExtended*>(panel);
            const bool zooming = ext && ext->GetZoom() && ext->GetZoom()->Active;
            const bool panning = panel->Panning && panel->Panning->Active;
            panel->CancelMouse = !zooming && !panning;
        }
    }
}
