#include "chart/series/TeeLegendScrollBar.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

namespace {

bool Inside(const TRect& r, const TPoint& p)
{
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

}  // namespace

TTeeScrollBar::TTeeScrollBar(QObject* owner)
    : TTeeCustomTool(owner),
      FArrowBrush(new TChartBrush([this](QObject*) { Repaint(); }, this)),
      FThumbBrush(new TChartBrush([this](QObject*) { Repaint(); }, this)),
      FGradient(new TTeeGradient([this](QObject*) { Repaint(); }, this))
{
    FArrowBrush->SetColor(clDefault);
    FThumbBrush->SetColor(clSilver);
    Brush()->SetColor(clWhite);
    Pen()->SetColor(clWindowFrame);
}

TTeeScrollBar::~TTeeScrollBar() = default;

void TTeeScrollBar::SetParentChart(IChartHost* value)
{
    TTeeCustomTool::SetParentChart(value);
    Repaint();
}

void TTeeScrollBar::ChartEvent(TChartToolEvent event)
{
    if (event == cteAfterDraw) Draw();
}

void TTeeScrollBar::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    switch (event) {
        case cmeDown: ProcessClick(TPoint(x, y)); break;
        case cmeMove: MouseMove(x, y); break;
        case cmeUp: MouseUp(); break;
    }
}

// ---------------------------------------------------------------- what is scrolled

double TTeeScrollBar::CalcDelta(int newCoord, int oldCoord)
{
    if (newCoord == oldCoord) return 0;
    const TRect r = ScrollRectangle();
    const int w = FHorizontal ? r.Right - r.Left : r.Bottom - r.Top;
    if (w <= 0) return 0;
    const double d = double(TotalCount()) * std::abs(newCoord - oldCoord) / w;
    return oldCoord > newCoord ? -d : d;
}

int TTeeScrollBar::CurrentCount()
{
    return StoredCurrentCount;
}

int TTeeScrollBar::DeltaMain()
{
    return CurrentCount() / 4;
}

int TTeeScrollBar::GetPosition()
{
    return FPosition;
}

void TTeeScrollBar::SetPosition(int value)
{
    SetIntegerProperty(FPosition, value);
    if (OnSetPosition) OnSetPosition(this, value);
}

bool TTeeScrollBar::ShouldDraw(TRect&)
{
    return TotalCount() > 0;
}

int TTeeScrollBar::TotalCount()
{
    return StoredTotalCount;
}

// ---------------------------------------------------------------- geometry

TRect TTeeScrollBar::MainRectangle() const
{
    const TRect& b = FBounds;
    if (FHorizontal) return TRect(b.Left, b.Bottom - 1, b.Right, b.Bottom + FSize);
    return TRect(b.Right - FSize - 1, b.Top, b.Right, b.Bottom);
}

TRect TTeeScrollBar::ScrollRectangle() const
{
    TRect r = MainRectangle();
    if (FHorizontal) {
        r.Left += FSize;
        r.Right -= FSize;
    } else {
        r.Top += FSize;
        r.Bottom -= FSize;
    }
    return r;
}

TRect TTeeScrollBar::DecRectangle() const
{
    const TRect& b = FBounds;
    if (FHorizontal) return TRect(b.Left, b.Bottom, b.Left + FSize, b.Bottom + FSize);
    return TRect(b.Right - FSize - 1, b.Top, b.Right, b.Top + FSize);
}

TRect TTeeScrollBar::IncRectangle() const
{
    const TRect& b = FBounds;
    if (FHorizontal) return TRect(b.Right - FSize, b.Bottom, b.Right, b.Bottom + FSize);
    return TRect(b.Right - FSize - 1, b.Bottom - FSize, b.Right, b.Bottom);
}

TRect TTeeScrollBar::ThumbRectangle() const
{
    const TRect& b = FBounds;
    if (FHorizontal) {
        TRect r(FThumbStart, b.Bottom, FThumbEnd, b.Bottom + FSize);
        if (r.Right - r.Left < 2) ++r.Right;
        return r;
    }
    return TRect(b.Right - FSize, FThumbStart, b.Right, FThumbEnd);
}

bool TTeeScrollBar::ClickedDec(const TPoint& p) const
{
    return Inside(DecRectangle(), p);
}

bool TTeeScrollBar::ClickedInc(const TPoint& p) const
{
    return Inside(IncRectangle(), p);
}

bool TTeeScrollBar::ClickedThumb(const TPoint& p) const
{
    return Inside(ThumbRectangle(), p);
}

// ---------------------------------------------------------------- drawing

void TTeeScrollBar::Draw()
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    if (!chart || !GetActive() || !ShouldDraw(FBounds)) return;
    TCanvas3D* canvas = chart->GetCanvas();
    auto backBrush = [&] {
        canvas->AssignBrushColor(Brush(), FBackColor, Brush()->GetColor());
        canvas->AssignVisiblePen(Pen());
    };
    backBrush();
    if (FGradient->GetVisible()) {
        FGradient->Draw(canvas, MainRectangle());
        canvas->Brush->SetStyle(bsClear);
    }
    canvas->Rectangle(MainRectangle());
    backBrush();
    canvas->Rectangle(DecRectangle());
    canvas->Rectangle(IncRectangle());

    // Arrows: filled triangles without an outline.
    canvas->Pen->SetStyle(psClear);
    const int s = FSize, q = s / 6, h = s / 2;
    const TRect d = DecRectangle(), inc = IncRectangle();
    if (FDecPressed || GetPosition() == 0)
        canvas->AssignBrushColor(FArrowBrush, clGray, clGray);
    else
        canvas->AssignBrush(FArrowBrush, FArrowBrush->GetColor());
    TPoint dec[3];
    if (FHorizontal) {
        dec[0] = TPoint(d.Left + q, d.Top + h);
        dec[1] = TPoint(d.Left + s - q, d.Top + q);
        dec[2] = TPoint(d.Left + s - q, d.Bottom - q);
    } else {
        dec[0] = TPoint(d.Left + q, d.Top + s - 2 * q);
        dec[1] = TPoint(d.Left + h, d.Top + q);
        dec[2] = TPoint(d.Left + s - q, d.Top + s - 2 * q);
    }
    canvas->Polygon(dec);
    if (FIncPressed || TotalCount() - CurrentCount() == GetPosition()) {
        canvas->Brush->SetStyle(bsSolid);
        canvas->Brush->SetColor(clGray);
    } else {
        canvas->AssignBrush(FArrowBrush, FArrowBrush->GetColor());
    }
    TPoint up[3];
    if (FHorizontal) {
        up[0] = TPoint(inc.Right - q, inc.Top + h);
        up[1] = TPoint(inc.Right - s + q, inc.Top + q);
        up[2] = TPoint(inc.Right - s + q, inc.Bottom - q);
    } else {
        const int bottom = FBounds.Bottom;
        up[0] = TPoint(dec[0].X, bottom - s + 2 * q);
        up[1] = TPoint(dec[1].X, bottom - q);
        up[2] = TPoint(dec[2].X, bottom - s + 2 * q);
    }
    canvas->Polygon(up);

    canvas->AssignBrush(FThumbBrush, FThumbBrush->GetColor());
    canvas->AssignVisiblePen(Pen());
    const int total = TotalCount();
    if (total == 0) return;
    const int length = FHorizontal ? FBounds.Right - FBounds.Left : FBounds.Bottom - FBounds.Top;
    const double ratio = double(length - 2 * s) / total;
    FThumbSize = std::max(Round(CurrentCount() * ratio), FMinThumbSize);
    FThumbStart = (FHorizontal ? FBounds.Left : FBounds.Top) + Round(GetPosition() * ratio) + s;
    FThumbEnd = FThumbStart + FThumbSize + 1;
    TRect thumb = ThumbRectangle();
    canvas->Rectangle(thumb);
    if (FBevel != bvNone) {
        --thumb.Right;
        DrawBevel(canvas, FBevel, thumb, 0, 1);
    }
}

// ---------------------------------------------------------------- scrolling

void TTeeScrollBar::ApplyScroll(double delta, bool startTimer)
{
    const int p = GetPosition(), t = TotalCount(), c = CurrentCount();
    double target = 0;
    if (delta < 0) {
        delta = std::max(delta, double(-p));
        if (!(p > delta + 1)) return;
        target = p + delta;
    } else {
        target = t - c > p + delta - 1 ? p + delta : t - c;
    }
    SetPosition(Round(target));
    DoScroll();
    if (startTimer && AutoRepeat) {
        if (!FTimer) {
            FTimer = new QTimer(this);
            QObject::connect(FTimer, &QTimer::timeout, this, [this] { DoTimer(); });
        }
        FTimer->setInterval(InitialDelay);
        FTimer->start();
    }
}

void TTeeScrollBar::ProcessClick(const TPoint& p)
{
    FLastPoint = p;
    FDragging = FDecPressed = FIncPressed = false;
    if (ClickedDec(p)) {
        FDecPressed = true;
        ApplyScroll(-1, true);
    } else if (ClickedInc(p)) {
        FIncPressed = true;
        ApplyScroll(+1, true);
    } else if (ClickedThumb(p)) {
        FDragging = true;
    } else if (Inside(MainRectangle(), p)) {
        const int c = FHorizontal ? p.X : p.Y;
        if (c < FThumbStart)
            ApplyScroll(-DeltaMain(), true);
        else if (c > FThumbEnd)
            ApplyScroll(+DeltaMain(), true);
    }
}

void TTeeScrollBar::DoTimer()
{
    ProcessClick(FLastPoint);
    if (FTimer && FTimer->interval() > 50) FTimer->setInterval(50);
}

void TTeeScrollBar::MouseMove(int x, int y)
{
    if (!FDragging) return;
    const double d = FHorizontal ? CalcDelta(x, FLastPoint.X) : CalcDelta(y, FLastPoint.Y);
    if (std::abs(d) >= 1.0) {
        ApplyScroll(d, false);
        FLastPoint = TPoint(x, y);
    }
}

void TTeeScrollBar::MouseUp()
{
    FDragging = FDecPressed = FIncPressed = false;
    if (FTimer) FTimer->stop();
    Repaint();
}

void TTeeScrollBar::DoScroll()
{
    if (OnScrolled) OnScrolled(this);
}

void TTeeScrollBar::SetBevel(TBevelCut value)
{
    if (StoreChanged(FBevel, value)) Repaint();
}

void TTeeScrollBar::SetSize(int value)
{
    if (!StoreChanged(FSize, value)) return;
    Repaint();
    if (OnChangeSize) OnChangeSize(this);
}

void TTeeScrollBar::SetHorizontal(bool value)
{
    if (StoreChanged(FHorizontal, value)) Repaint();
}

// ---------------------------------------------------------------- legend

TLegendScrollBar::TLegendScrollBar(QObject* owner) : TTeeScrollBar(owner) {}

TLegendScrollBar::~TLegendScrollBar()
{
    if (auto* chart = dynamic_cast<TCustomChart*>(FParentChart)) chart->GetLegend()->OnCalcSize = nullptr;
}

void TLegendScrollBar::SetParentChart(IChartHost* value)
{
    if (auto* old = dynamic_cast<TCustomChart*>(FParentChart); old && old != value)
        old->GetLegend()->OnCalcSize = nullptr;
    TTeeScrollBar::SetParentChart(value);
    if (auto* chart = dynamic_cast<TCustomChart*>(FParentChart))
        chart->GetLegend()->OnCalcSize = [this](TCustomChartLegend* legend, int& size) {
            LegendCalcSize(legend, size);
        };
}

bool TLegendScrollBar::Paged() const
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    return chart && chart->GetMaxPointsPerPage() > 0;
}

int TLegendScrollBar::CurrentCount()
{
    if (Paged()) return 1;
    return FLegend ? FLegend->LastValue() - FLegend->GetFirstValue() + 1 : 0;
}

int TLegendScrollBar::DeltaMain()
{
    return Paged() ? 1 : TTeeScrollBar::DeltaMain();
}

int TLegendScrollBar::GetPosition()
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    if (Paged()) return chart->GetPage() - 1;
    return FLegend ? FLegend->GetFirstValue() : 0;
}

void TLegendScrollBar::SetPosition(int value)
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    if (!chart) return;
    if (Paged())
        chart->SetPage(value + 1);
    else
        chart->GetLegend()->SetFirstValue(std::max(0, value));
}

int TLegendScrollBar::TotalCount()
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    if (Paged()) return chart->NumPages();
    return FLegend ? FLegend->GetFirstValue() + FLegend->TotalLegendItems() : 0;
}

bool TLegendScrollBar::ShouldDraw(TRect& bounds)
{
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    FLegend = chart ? chart->GetLegend() : nullptr;
    if (!FLegend || !FLegend->GetVisible() || FLegend->LastValue() <= -1) return false;
    if (DrawStyle == dsWhenNeeded) {
        // Items hidden before the first shown one or after the last.
        const bool hidden = FLegend->GetFirstValue() > 0 ||
                            FLegend->LastValue() < FLegend->GetFirstValue() + FLegend->TotalLegendItems() - 1;
        if (!hidden) return false;
    }
    SetHorizontal(!FLegend->GetVertical());
    bounds = FLegend->GetRectLegend();
    return true;
}

void TLegendScrollBar::LegendCalcSize(TCustomChartLegend*, int& size)
{
    TRect bounds;
    if (GetActive() && ShouldDraw(bounds)) size += GetSize() + 1;
}

void RegisterTeeLegendScrollBar()
{
    RegisterTeeTools({&TLegendScrollBar::staticMetaObject});
}
