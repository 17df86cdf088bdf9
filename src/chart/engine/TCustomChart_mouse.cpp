// Mouse input of the chart control: clicks on parts, zoom by dragging, panning, the
// wheel, and the saved scales that undo them.
#include <QWheelEvent>
#include <algorithm>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Dialogs.h"

// ---------------------------------------------------------------- scales

void TCustomChart::SaveScales()
{
    FSavedScales.assign(static_cast<std::size_t>(Axes()->Count()), TAxisSavedScales());
    for (int i = 0; i < Axes()->Count(); ++i) {
        TChartAxis* a = Axes()->Get(i);
        if (a->IsDepthAxis) continue;
        TAxisSavedScales& s = FSavedScales[static_cast<std::size_t>(i)];
        s.Auto = a->GetAutomatic();
        s.AutoMin = a->GetAutomaticMinimum();
        s.AutoMax = a->GetAutomaticMaximum();
        s.Min = a->GetMinimum();
        s.Max = a->GetMaximum();
    }
}

void TCustomChart::RestoreScales()
{
    const int n = std::min(Axes()->Count(), static_cast<int>(FSavedScales.size()));
    for (int i = 0; i < n; ++i) {
        TChartAxis* a = Axes()->Get(i);
        if (a->IsDepthAxis) continue;
        const TAxisSavedScales& s = FSavedScales[static_cast<std::size_t>(i)];
        a->SetAutomatic(s.Auto);
        a->SetAutomaticMinimum(s.AutoMin);
        a->SetAutomaticMaximum(s.AutoMax);
        a->InternalSetMinimum(s.Min);
        a->InternalSetMaximum(s.Max);
    }
    FSavedScales.clear();
}

void TCustomChart::UndoZoom()
{
    if (!FNoSavedScales) {
        RestoreScales();
        FNoSavedScales = true;
    }
    TCustomAxisPanel::UndoZoom();
}

// ---------------------------------------------------------------- zoom

void TCustomChart::DoZoom(double TopMin, double TopMax, double BottomMin, double BottomMax, double LeftMin,
                          double LeftMax, double RightMin, double RightMax)
{
    if (FNoSavedScales) {
        SaveScales();
        FNoSavedScales = false;
    }
    struct Target {
        TChartAxis* axis;
        double min, max;
    };
    const Target targets[] = {{LeftAxis(), LeftMin, LeftMax},
                              {RightAxis(), RightMin, RightMax},
                              {TopAxis(), TopMin, TopMax},
                              {BottomAxis(), BottomMin, BottomMax}};
    if (FZoom->Animated && AnimatedZoomFactor != 0) {
        const int steps = std::clamp(FZoom->AnimatedSteps, 1, TTeeZoom::MaxAnimatedSteps);
        for (int step = 1; step < steps; ++step) {
            for (const Target& t : targets) {
                const double mn = t.axis->GetMinimum(), mx = t.axis->GetMaximum();
                t.axis->SetMinMax(mn + (t.min - mn) / AnimatedZoomFactor, mx - (mx - t.max) / AnimatedZoomFactor);
            }
            Invalidate();
            PaintWindow();
            repaint();
        }
    }
    for (const Target& t : targets) t.axis->SetMinMax(t.min, t.max);
    Zoomed = true;
    if (OnZoom) OnZoom(this);
}

void TCustomChart::CalcZoomPoints()
{
    FZoom->Check();
    const TTeeZoom& z = *FZoom;
    DoZoom(TopAxis()->CalcPosPoint(z.X0), TopAxis()->CalcPosPoint(z.X1), BottomAxis()->CalcPosPoint(z.X0),
           BottomAxis()->CalcPosPoint(z.X1), LeftAxis()->CalcPosPoint(z.Y1), LeftAxis()->CalcPosPoint(z.Y0),
           RightAxis()->CalcPosPoint(z.Y1), RightAxis()->CalcPosPoint(z.Y0));
}

void TCustomChart::ZoomRect(const TRect& Rect)
{
    FZoom->X0 = Rect.Left;
    FZoom->Y0 = Rect.Top;
    FZoom->X1 = Rect.Right;
    FZoom->Y1 = Rect.Bottom;
    CalcZoomPoints();
}

void TCustomChart::ZoomPercent(double Percent)
{
    double v[4][2];
    TChartAxis* axes[4] = {LeftAxis(), RightAxis(), TopAxis(), BottomAxis()};
    for (int i = 0; i < 4; ++i) {
        double mn = axes[i]->GetMinimum(), mx = axes[i]->GetMaximum();
        axes[i]->CalcMinMax(mn, mx);
        const double t = (mx - mn) * (Percent - 100) * 0.01;
        v[i][0] = mn + t;
        v[i][1] = mx - t;
    }
    DoZoom(v[2][0], v[2][1], v[3][0], v[3][1], v[0][0], v[0][1], v[1][0], v[1][1]);
    Invalidate();
}

// ---------------------------------------------------------------- scrolling

bool TCustomChart::ScrollAxes(bool Horizontal, int From, int To)
{
    if (From == To) return false;
    const TPanningMode mode = GetAllowPanning();
    if (mode != pmBoth && mode != (Horizontal ? pmHorizontal : pmVertical)) return false;
    for (int i = 0; i < Axes()->Count(); ++i) {
        TChartAxis* a = Axes()->Get(i);
        if (a->IsDepthAxis || a->GetHorizontal() != Horizontal) continue;
        const double delta = a->CalcPosPoint(From) - a->CalcPosPoint(To);
        double mn = a->GetMinimum() + delta, mx = a->GetMaximum() + delta;
        bool allow = true;
        if (OnAllowScroll) OnAllowScroll(a, mn, mx, allow);
        if (allow) a->SetMinMax(mn, mx);
    }
    return true;
}

void TCustomChart::ScrollVerticalAxes(bool Up)
{
    for (int i = 0; i < Axes()->Count(); ++i) {
        TChartAxis* a = Axes()->Get(i);
        if (a->GetHorizontal()) continue;
        double delta = (a->GetMaximum() - a->GetMinimum()) * 3 * 0.01;
        if (!Up) delta = -delta;
        a->Scroll(delta, false);
    }
}

bool TCustomChart::DoMouseWheelDown(TShiftState, const TPoint&)
{
    if (TeeUseMouseWheel) ScrollVerticalAxes(true);
    return false;
}

bool TCustomChart::DoMouseWheelUp(TShiftState, const TPoint&)
{
    if (TeeUseMouseWheel) ScrollVerticalAxes(false);
    return false;
}

void TCustomChart::wheelEvent(QWheelEvent* event)
{
    const int dy = event->angleDelta().y();
    if (dy == 0) return;
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    const TPoint p{int(event->position().x()), int(event->position().y())};
    platform::GuardedCall([&] {
        if (dy < 0)
            DoMouseWheelDown(shift, p);
        else
            DoMouseWheelUp(shift, p);
    });
    event->accept();
}

// ---------------------------------------------------------------- mouse

// Tools hear the mouse in list order; the first that sets CancelMouse stops the others.
static void BroadcastToolMouse(TCustomChart* Chart, TChartMouseEvent Kind, TMouseButton Button, TShiftState Shift,
                               int X, int Y)
{
    TChartTools* tools = Chart->Tools();
    for (int i = 0; i < tools->Count(); ++i) {
        TTeeCustomTool* tool = tools->Items(i);
        if (!tool->GetActive()) continue;
        tool->ChartMouseEvent(Kind, Button, Shift, X, Y);
        if (Chart->CancelMouse) break;
    }
}

bool TCustomChart::StartZoomOrPanning(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!ActiveSeriesUseAxis()) return false;
    bool started = false;
    if (FZoom->Allow && Button == FZoom->MouseButton && (Shift & FZoom->KeyShift) == FZoom->KeyShift) {
        if (FZoom->Direction == tzdVertical) X = ChartRect.Left;
        if (FZoom->Direction == tzdHorizontal) Y = ChartRect.Top;
        FZoom->Activate(X, Y);
        if (FZoom->Direction == tzdVertical) FZoom->X1 = ChartRect.Right;
        if (FZoom->Direction == tzdHorizontal) FZoom->Y1 = ChartRect.Bottom;
        DrawZoomRectangle();
        started = true;
    } else if (GetAllowPanning() != pmNone && Button == FScrollMouseButton &&
               (Shift & TeeScrollKeyShift) == TeeScrollKeyShift) {
        Panning->Activate(X, Y);
        started = true;
    }
    if (started) SetCursor(SavedCursor);
    return started;
}

void TCustomChart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomAxisPanel::MouseDown(Button, Shift, X, Y);
    if (CancelMouse || FZoom->Active || Panning->Active) return;
    CancelMouse = false;
    BroadcastToolMouse(this, cmeDown, Button, Shift, X, Y);
    if (!CancelMouse) {
        TChartClickedPart part;
        CalcNeedClickedPart(TPoint{X, Y}, true, part);
        bool handled = false;
        const auto background = [&] {
            if (OnClickBackground) {
                CancelMouse = true;
                OnClickBackground(this, Button, Shift, X, Y);
                handled = CancelMouse;
            }
        };
        switch (part.Part) {
            case cpAxis:
                if (OnClickAxis) {
                    CancelMouse = true;
                    OnClickAxis(this, part.AAxis, Button, Shift, X, Y);
                    handled = CancelMouse;
                }
                if (!handled) handled = StartZoomOrPanning(Button, Shift, X, Y);
                break;
            case cpSeries:
                CancelMouse = false;
                if ((Shift & ssDouble) != 0) {
                    if (part.ASeries->OnDblClick)
                        part.ASeries->OnDblClick(part.ASeries, part.PointIndex, Button, Shift, X, Y);
                } else if (part.ASeries->OnClick) {
                    part.ASeries->OnClick(part.ASeries, part.PointIndex, Button, Shift, X, Y);
                }
                if (OnClickSeries) {
                    CancelMouse = true;
                    OnClickSeries(this, part.ASeries, part.PointIndex, Button, Shift, X, Y);
                }
                handled = CancelMouse;
                if (!handled) handled = StartZoomOrPanning(Button, Shift, X, Y);
                break;
            case cpTitle:
            case cpSubTitle:
            case cpFoot:
            case cpSubFoot:
                if (OnClickTitle) {
                    TChartTitle* title = part.Part == cpTitle      ? FTitle
                                         : part.Part == cpSubTitle ? FSubTitle
                                         : part.Part == cpFoot     ? static_cast<TChartTitle*>(FFoot)
                                                                   : static_cast<TChartTitle*>(FSubFoot);
                    CancelMouse = true;
                    OnClickTitle(this, title, Button, Shift, X, Y);
                    handled = CancelMouse;
                }
                if (!handled) handled = StartZoomOrPanning(Button, Shift, X, Y);
                break;
            case cpChartRect:
                background();
                if (!handled) handled = StartZoomOrPanning(Button, Shift, X, Y);
                break;
            case cpLegend:
                handled = FLegend->DoMouseDown(X, Y, part.PointIndex);
                if (OnClickLegend) {
                    CancelMouse = true;
                    OnClickLegend(this, Button, Shift, X, Y);
                    handled = CancelMouse;
                }
                break;
            case cpNone:
            case cpSeriesMarks: break;
        }
        if (!handled) background();
    }
    CancelMouse = false;
}

void TCustomChart::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomAxisPanel::MouseMove(Shift, X, Y);
    if (!Designing) BroadcastToolMouse(this, cmeMove, mbLeft, Shift, X, Y);
    if (CancelMouse) return;
    if (FZoom->Active) {
        if (FZoom->Direction == tzdVertical) X = ChartRect.Right;
        if (FZoom->Direction == tzdHorizontal) Y = ChartRect.Bottom;
        if (X != FZoom->X1 || Y != FZoom->Y1) {
            DrawZoomRectangle();
            FZoom->X1 = X;
            FZoom->Y1 = Y;
            DrawZoomRectangle();
        }
    } else if (Panning->Active) {
        if (!PointInRect(ChartRect, X, Y)) {
            Panning->Active = false;
            return;
        }
        if (X == Panning->X1 && Y == Panning->Y1) return;
        // (X1, Y1) stays the last point of the drag, not a corner of a normalised
        // rectangle: ordering the corners would scroll by the wrong distance once the
        // drag turns back past its start.
        if (FNoSavedScales) {
            SaveScales();
            FNoSavedScales = false;
        }
        const bool h = ScrollAxes(true, Panning->X1, X);
        const bool v = ScrollAxes(false, Panning->Y1, Y);
        Panning->X1 = X;
        Panning->Y1 = Y;
        if (h || v) {
            if (OnScroll) OnScroll(this);
            Invalidate();
        }
    } else if (!CheckMouseSeries(X, Y)) {
        SetCursor(SavedCursor);
    }
}

void TCustomChart::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    CancelMouse = false;
    TCustomAxisPanel::MouseUp(Button, Shift, X, Y);
    if (FZoom->Active && Button == FZoom->MouseButton) {
        FZoom->Active = false;
        DrawZoomRectangle();
        FCanvas->Pen->SetMode(pmCopy);
        if (FZoom->Direction != tzdVertical) FZoom->X1 = X;
        if (FZoom->Direction != tzdHorizontal) FZoom->Y1 = Y;
        const bool tooSmall =
            (FZoom->Direction != tzdVertical && std::abs(FZoom->X1 - FZoom->X0) <= FZoom->MinimumPixels) ||
            (FZoom->Direction != tzdHorizontal && std::abs(FZoom->Y1 - FZoom->Y0) <= FZoom->MinimumPixels);
        if (!tooSmall) {
            const bool zoomIn =
                FZoom->UpLeftZooms || (FZoom->Direction == tzdVertical ? FZoom->Y1 > FZoom->Y0 : FZoom->X1 > FZoom->X0);
            if (zoomIn)
                CalcZoomPoints();
            else
                UndoZoom();
            Invalidate();
        }
    }
    Panning->Active = false;
    BroadcastToolMouse(this, cmeUp, Button, Shift, X, Y);
}
