// Drawing of an axis: title, labels, axis line, ticks, grid, minor ticks and minor grid.
#include <algorithm>
#include <cmath>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"

namespace {

// Text alignment by the axis' position: right of a left axis' labels, centred under a
// bottom axis' ticks, and so on.
int AlignFor(bool horizontal, bool otherSide)
{
    if (horizontal) return otherSide ? TA_CENTER + TA_BOTTOM : TA_CENTER;
    return otherSide ? TA_LEFT : TA_RIGHT;
}

}  // namespace

void TChartAxis::Draw(bool CalcPosAxis)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas || !FParentChart) return;
    DateTimeMode = IsDateTime();
    const TRect chartRect = FParentChart->GetChartRect();
    if (CalcPosAxis) PosAxis = ApplyPosition(GetRectangleEdge(chartRect), chartRect);

    if (FTitle->GetVisible() && !FTitle->GetCaption().empty()) {
        if (IsDepthAxis)
            DrawTitle(PosTitle, DepthAxisPos());
        else if (FHorizontal)
            DrawTitle(CenterPos, PosTitle);
        else
            DrawTitle(PosTitle, CenterPos);
    }

    Tick.clear();
    FLabelRow = 0;
    DrawLabels();

    canvas->Brush->SetStyle(bsClear);
    canvas->SetBackMode(cbmTransparent);
    const int W = FParentChart->CalcWallSize(this);
    if (FAxis->GetVisible()) {
        canvas->AssignVisiblePen(FAxis);
        DrawAxisLine(W);
    }
    if (FTicks->GetVisible()) {
        canvas->AssignVisiblePen(FTicks);
        for (int p : Tick) DrawTick(p, 1, FTickLength, W);
    }
    DrawGrids(static_cast<int>(Tick.size()));
    if (FTicksInner->GetVisible()) {
        canvas->AssignVisiblePen(FTicksInner);
        for (int p : Tick) DrawTick(p, -1, -FTickInnerLength, W);
    }
    if (FMinorTicks->GetVisible() && !Tick.empty()) {
        canvas->SetBackMode(cbmTransparent);
        canvas->Brush->SetStyle(bsClear);
        canvas->AssignVisiblePen(FMinorTicks);
        DrawMinorMarks(false);
    }
    if (FMinorGrid->GetVisible() && !Tick.empty()) {
        canvas->SetBackMode(cbmTransparent);
        canvas->Brush->SetStyle(bsClear);
        canvas->AssignVisiblePen(FMinorGrid);
        DrawMinorMarks(true);
    }
    canvas->SetBackMode(cbmOpaque);
}

void TChartAxis::DrawAxisLine(int W)
{
    TCanvas3D* canvas = Canvas();
    const TRect r = FParentChart->GetChartRect();
    const auto wall = [this](TChartAxis* axis) { return axis ? FParentChart->CalcWallSize(axis) : 0; };
    if (IsDepthAxis) {
        const int y = FOtherSide ? r.Bottom + wall(FParentChart->BottomAxis()) - ZPos : r.Top - ZPos;
        canvas->ZLine3D(PosAxis, y, StartPos, EndPos);
    } else if (FHorizontal) {
        if (FOtherSide)
            canvas->HorizLine3D(StartPos, EndPos, PosAxis, ZPos);
        else
            canvas->HorizLine3D(StartPos - wall(FParentChart->LeftAxis()), EndPos + wall(FParentChart->RightAxis()),
                                PosAxis + W, ZPos);
    } else {
        canvas->VertLine3D(FOtherSide ? PosAxis + W : PosAxis - W, StartPos, EndPos + wall(FParentChart->BottomAxis()),
                           ZPos);
    }
}

void TChartAxis::DrawTick(int Pos, int Offset, int Length, int W)
{
    TCanvas3D* canvas = Canvas();
    const bool view3D = FParentChart->GetView3D();
    if (IsDepthAxis) {
        const int y = DepthAxisPos();
        if (FOtherSide)
            canvas->HorizLine3D(PosAxis + Offset, PosAxis + Offset + Length, y, Pos);
        else
            canvas->HorizLine3D(PosAxis - Offset, PosAxis - Offset - Length, y, Pos);
    } else if (FHorizontal) {
        if (FOtherSide) {
            canvas->VertLine3D(Pos, PosAxis - Offset, PosAxis - Offset - Length, ZPos);
        } else {
            const int y0 = PosAxis + Offset + W;
            if (view3D)
                canvas->VertLine3D(Pos, y0, y0 + Length, ZPos);
            else
                canvas->DoVertLine(Pos, y0, y0 + Length);
        }
    } else if (FOtherSide) {
        const int x0 = PosAxis + Offset + W;
        canvas->HorizLine3D(x0, x0 + Length, Pos, ZPos);
    } else {
        const int x0 = PosAxis - (Offset + W);
        if (view3D)
            canvas->HorizLine3D(x0, x0 - Length, Pos, ZPos);
        else
            canvas->DoHorizLine(x0, x0 - Length, Pos);
    }
}

void TChartAxis::DrawGrids(int NumTicks)
{
    if (GridHook) GridHook(this);
    if (!FGrid->GetVisible()) return;
    TCanvas3D* canvas = Canvas();
    canvas->SetBackMode(cbmTransparent);
    const TColor color = FGrid->GetColor() == clDefault ? TColor(0x808080) : FGrid->GetColor();
    canvas->AssignVisiblePenColor(FGrid, color);
    NumTicks = std::min(NumTicks, static_cast<int>(Tick.size()));
    if (FGrid->GetCentered()) {
        for (int i = 1; i < NumTicks; ++i) DrawGridLine(Round((Tick[i] + double(Tick[i - 1])) / 2));
    } else {
        for (int i = 0; i < NumTicks; ++i) DrawGridLine(Tick[i]);
    }
}

void TChartAxis::DrawGridLine(int Pos)
{
    if (!(Pos > StartPos && Pos < EndPos)) return;
    TCanvas3D* canvas = Canvas();
    const TRect r = FParentChart->GetChartRect();
    if (IsDepthAxis) {
        canvas->VertLine3D(r.Left, r.Top, r.Bottom, Pos);
        canvas->HorizLine3D(r.Left, r.Right, r.Bottom, Pos);
        return;
    }
    const auto line = [&](int z) {
        if (FHorizontal)
            canvas->VertLine3D(Pos, r.Top + 1, r.Bottom, z);
        else
            canvas->HorizLine3D(r.Left + 1, r.Right, Pos, z);
    };
    if (!FParentChart->GetView3D()) {
        if (FHorizontal)
            canvas->DoVertLine(Pos, r.Top + 1, r.Bottom);
        else
            canvas->DoHorizLine(r.Left + 1, r.Right, Pos);
        return;
    }
    if (!FParentChart->GetAxisBehind()) {
        line(0);
        return;
    }
    const int width3D = FParentChart->GetWidth3D();
    if (!HideBackGrid) line(width3D);
    if (!HideSideGrid) {
        const int z = Round(width3D * FGrid->GetZ() * 0.01);
        if (z != width3D) {
            if (FHorizontal)
                canvas->ZLine3D(Pos, PosAxis, z, width3D);
            else
                canvas->ZLine3D(PosAxis, Pos, z, width3D);
        }
    }
}

void TChartAxis::DrawMinorMarks(bool Grid)
{
    const int W = FParentChart->CalcWallSize(this);
    const auto mark = [&](int p) {
        if (!(p > StartPos && p < EndPos)) return;
        if (Grid)
            DrawGridLine(p);
        else
            DrawTick(p, 1, FMinorTickLength, W);
    };
    const int k = FMinorTickCount;
    if (k <= 0) return;
    const double f = 1.0 / (k + 1);
    const int n = static_cast<int>(Tick.size());
    if (!FLogarithmic) {
        if (n < 2) return;
        double d = (Tick[1] - Tick[0]) * f;
        for (int i = 1; i <= k; ++i) {
            mark(Tick[0] - Round(i * d));
            mark(Tick[n - 1] + Round(i * d));
        }
        for (int j = 1; j < n; ++j) {
            d = (Tick[j] - Tick[j - 1]) * f;
            for (int i = 1; i <= k; ++i) mark(Tick[j - 1] + Round(i * d));
        }
        return;
    }
    std::vector<double> visited;
    // Values read back from pixels differ in their last digits from the same power.
    const auto seen = [&](double v) {
        return std::any_of(visited.begin(), visited.end(),
                           [v](double w) { return std::fabs(v - w) <= 1e-9 * std::max(std::fabs(v), std::fabs(w)); });
    };
    const auto visit = [&](double v) {
        if (seen(v)) return;
        visited.push_back(v);
        const double d = v * FLogarithmicBase - v;
        for (int i = 1; i <= k; ++i) {
            const double x = v + i * d * f;
            if (x >= InternalMinimum && x <= InternalMaximum) mark(CalcPosValue(x));
        }
    };
    const double u = CalcPosPoint(Tick.back());
    visit(u / FLogarithmicBase);
    for (int p : Tick) visit(CalcPosPoint(p));
    visit(u * FLogarithmicBase);
}

int TChartAxis::SizeTickAxis() const
{
    int result = (FAxis->GetVisible() ? FAxis->GetWidth() + 1 : 0) + (FTicks->GetVisible() ? FTickLength : 0);
    if (FMinorTicks->GetVisible()) result = std::max(result, FMinorTickLength);
    return result;
}

void TChartAxis::DrawLabelAt(int Pos, const AnsiString& Text, TTeeCustomShape* Format)
{
    if (FTickOnLabelsOnly) AddTick(Pos);
    TCanvas3D* canvas = Canvas();
    canvas->AssignFont(Format ? Format->GetFont() : GetLabelsFont());
    // Labels are drawn over whatever lies beneath them; the background mode is set with the
    // clear brush, or the mode and colour left by earlier drawing (legend symbols, the end of
    // the previous axis) would paint a box behind each label.
    canvas->Brush->SetStyle(bsClear);
    canvas->SetBackMode(cbmTransparent);
    if (IsDepthAxis) {
        canvas->SetTextAlign(DepthAxisAlign());
        int depth = Pos;
        if (TView3DOptions* options = FParentChart->GetView3DOptions())
            if (options->GetRotation() == 360 || options->GetOrthogonal()) depth += canvas->GetFontHeight() / 2;
        const int x = FOtherSide ? PosLabels : PosLabels - 2 - canvas->TextWidth("W") / 2;
        canvas->TextOut3D(x, DepthAxisPos(), depth, Text);
        return;
    }
    int q = PosLabels;
    if (FLabelsAlternate) {
        // A horizontal axis starts on the first row, a vertical one on the second.
        const bool second = FHorizontal ? (FLabelRow % 2 == 1) : (FLabelRow % 2 == 0);
        ++FLabelRow;
        if (second) {
            if (FHorizontal)
                q = PosLabels + (FOtherSide ? -1 : 1) * canvas->GetFontHeight();
            else
                q = PosLabels + (FOtherSide ? 1 : -1) * MaxLabelsWidth();
        }
    }
    if (FHorizontal)
        DrawAxisLabel(Pos, q, FLabelsAngle, Text, Format);
    else
        DrawAxisLabel(q, Pos, FLabelsAngle, Text, Format);
}

void TChartAxis::DrawAxisLabel(int X, int Y, int Angle, const AnsiString& St, TTeeCustomShape* Format)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas || !FParentChart) return;
    TTeeCustomShape* format = Format ? Format : FItems->Format();
    const int fontHeight = canvas->GetFontHeight();
    const int h = fontHeight / 2;
    const bool H = FHorizontal, O = FOtherSide;

    int align = TA_LEFT;
    switch (Angle) {
        case 0:
        case 360:
            if (!H && FLabelsAlign == alOpposite) {
                if (!O) {
                    align = TA_LEFT;
                    X -= SizeLabels();
                } else {
                    align = TA_RIGHT;
                    X += SizeLabels();
                }
            } else {
                align = AlignFor(H, O);
            }
            if (!H) Y -= h;
            break;
        case 90:
            if (H) {
                align = AlignFor(false, O);
                X -= h;
            } else {
                align = AlignFor(true, !O);
            }
            break;
        case 180:
            align = AlignFor(H, !O);
            if (!H) Y += h;
            break;
        case 270:
            if (H) {
                align = AlignFor(false, !O);
                X += h;
            } else {
                align = AlignFor(true, O);
            }
            break;
        case 45:
            align = TA_LEFT;
            if (H) {
                if (O) {
                    const int t = canvas->TextWidth("Wj");
                    X -= t;
                    Y -= t;
                } else {
                    const int t = Round(canvas->TextWidth(St) * std::sin(45 * TeePiStep));
                    X -= t;
                    Y += t;
                }
            }
            break;
        default: align = TA_LEFT; break;
    }

    const int Z = ZPos;
    int n = TeeNumTextLines(St);
    const int l = (Angle == 180 || Angle == 270) ? -fontHeight : fontHeight;
    const int a = l * n;
    const int half = Round(l * 0.5 * (n + 1));
    if (H) {
        if (Angle == 0 || Angle == 360)
            Y -= O ? a : l;
        else if (Angle == 180)
            Y -= O ? l : a;
        else if (Angle == 90 || Angle == 270)
            X -= half;
    } else if (Angle == 0 || Angle == 360 || Angle == 180) {
        Y -= half;
    } else if (O) {
        if (Angle == 90)
            X -= l;
        else if (Angle == 270)
            X -= a;
    } else if (Angle == 90) {
        X -= a;
    } else if (Angle == 270) {
        X -= l;
    }

    if (!format->GetTransparent()) {
        int lines = 0;
        const int w = FParentChart->MultiLineTextWidth(St, lines);
        const int height = fontHeight * lines;
        TRect r(X, Y + l, X + w, Y + l + height);
        int frameAlign = align;
        if (frameAlign >= int(TA_BOTTOM)) {
            r.Top -= height;
            r.Bottom -= height;
            frameAlign -= int(TA_BOTTOM);
        }
        if (frameAlign == int(TA_RIGHT)) {
            r.Left = X - w;
            r.Right = X;
        } else if (frameAlign == int(TA_CENTER)) {
            r.Left = X - w / 2;
            r.Right = r.Left + w;
        }
        const int grow = canvas->TextWidth("W") / 2;
        r.Left -= grow;
        r.Right += grow;
        // A canvas that cannot turn the 3D view itself gets the box already projected.
        if (Z != 0 && !canvas->GetSupportsFullRotation()) r = canvas->CalcRect3D(r, Z);
        format->ShapeBounds = r;
        format->DrawRectRotated(r, FLabelsAngle, Z);
        canvas->Brush->SetStyle(bsClear);
        canvas->SetBackMode(cbmTransparent);
    }

    canvas->SetTextAlign(align);
    AnsiString text = St;
    int x = X, y = Y, z = Z;
    bool drawLabel = true;
    if (OnDrawLabel) {
        OnDrawLabel(this, x, y, z, text, drawLabel);
        if (drawLabel) n = TeeNumTextLines(text);
    }
    if (drawLabel && n > 0) {
        std::size_t start = 0;
        for (int i = 0; i < n; ++i) {
            std::size_t end = text.find(TeeLineSeparator, start);
            if (end == AnsiString::npos) end = text.size();
            const AnsiString line = text.substr(start, end - start);
            start = end + 1;
            if (Angle == 0) {
                y += l;
                if (FLabelsExponent)
                    DrawExponentLabel(x, y, z, line);
                else
                    canvas->TextOut3D(x, y, z, line);
                continue;
            }
            if (Angle == 180)
                y += l;
            else if (Angle == 90 || Angle == 270)
                x += l;
            canvas->RotateLabel3D(x, y, z, line, Angle);
        }
    }
    canvas->SetTextAlign(TA_LEFT);
}

void TChartAxis::DrawExponentLabel(int X, int Y, int Z, const AnsiString& Text)
{
    TCanvas3D* canvas = Canvas();
    const std::size_t e = Text.find_first_of("Ee");
    if (e == AnsiString::npos) {
        canvas->TextOut3D(X, Y, Z, Text);
        return;
    }
    const AnsiString mantissa = Text.substr(0, e);
    const AnsiString exponent = Text.substr(e + 1);
    const int raise = (canvas->GetFontHeight() - 1) / 2;
    const int size = canvas->Font->GetSize();
    const int smaller = size - size / 4;
    if (canvas->GetTextAlign() == int(TA_LEFT)) {
        canvas->TextOut3D(X, Y, Z, mantissa);
        const int w = canvas->TextWidth(mantissa);
        canvas->Font->SetSize(smaller);
        canvas->TextOut3D(X + w + 1, Y - raise + 2, Z, exponent);
    } else {
        canvas->Font->SetSize(smaller);
        canvas->TextOut3D(X, Y - raise + 2, Z, exponent);
        const int w = canvas->TextWidth(exponent);
        canvas->Font->SetSize(size);
        canvas->TextOut3D(X - w - 1, Y, Z, mantissa);
    }
    canvas->Font->SetSize(size);
}

void TChartAxis::DrawTitle(int X, int Y)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas || !FParentChart) return;
    canvas->AssignFont(FTitle->GetFont());
    canvas->SetBackMode(cbmTransparent);
    if (IsDepthAxis) {
        canvas->SetTextAlign(DepthAxisAlign());
        canvas->TextOut3D(X, Y, FParentChart->GetWidth3D() / 2, FTitle->GetCaption());
        return;
    }
    TScopedValue noExponent(FLabelsExponent, false);
    DrawAxisLabel(X, Y, FTitle->GetAngle(), FTitle->GetCaption(), FItems->Format());
}

void TChartAxis::CustomDrawStartEnd(int APosLabels, int APosTitle, int APosAxis, bool GridVisible, int AStartPos,
                                    int AEndPos)
{
    PosLabels = APosLabels;
    PosTitle = APosTitle;
    PosAxis = APosAxis;
    StartPos = AStartPos;
    EndPos = AEndPos;
    RecalcSizeCenter();
    // The grid's visibility is changed for this drawing only, without a repaint request.
    struct Restore {
        TAxisGridPen* grid;
        bool visible;
        TNotifyEvent notify;
        ~Restore()
        {
            grid->SetVisible(visible);
            grid->OnChange = std::move(notify);
        }
    } restore{FGrid, FGrid->GetVisible(), std::move(FGrid->OnChange)};
    FGrid->OnChange = nullptr;
    FGrid->SetVisible(GridVisible);
    Draw(false);
}

void TChartAxis::CustomDraw(int APosLabels, int APosTitle, int APosAxis, bool GridVisible)
{
    InternalCalcPositions();
    CustomDrawStartEnd(APosLabels, APosTitle, APosAxis, GridVisible, StartPos, EndPos);
}

void TChartAxis::CustomDrawMinMaxStartEnd(int APosLabels, int APosTitle, int APosAxis, bool GridVisible,
                                          double AMinimum, double AMaximum, double AIncrement, int AStartPos,
                                          int AEndPos)
{
    struct Restore {
        TChartAxis* axis;
        double minimum, maximum, increment;
        bool automatic;
        ~Restore()
        {
            axis->FMinimum = minimum;
            axis->FMaximum = maximum;
            axis->FIncrement = increment;
            axis->FAutomatic = automatic;
            axis->InternalMaximum = maximum;
            axis->InternalMinimum = minimum;
            axis->InternalCalcRange();
        }
    } restore{this, FMinimum, FMaximum, FIncrement, FAutomatic};
    FAutomatic = false;
    FMinimum = AMinimum;
    FMaximum = AMaximum;
    FIncrement = AIncrement;
    InternalMaximum = FMaximum;
    InternalMinimum = FMinimum;
    InternalCalcRange();
    CustomDrawStartEnd(APosLabels, APosTitle, APosAxis, GridVisible, AStartPos, AEndPos);
}

void TChartAxis::CustomDrawMinMax(int APosLabels, int APosTitle, int APosAxis, bool GridVisible, double AMinimum,
                                  double AMaximum, double AIncrement)
{
    CustomDrawMinMaxStartEnd(APosLabels, APosTitle, APosAxis, GridVisible, AMinimum, AMaximum, AIncrement, StartPos,
                             EndPos);
}

TRect TChartAxis::AxisRect() const
{
    int a0 = std::min(PosLabels, PosAxis), a1 = std::max(PosLabels, PosAxis);
    if (PosLabels < PosAxis)
        a1 = PosAxis + TeeAxisClickGap;
    else
        a0 = PosAxis - TeeAxisClickGap;
    const int b0 = std::min(StartPos, EndPos), b1 = std::max(StartPos, EndPos);
    return FHorizontal ? TRect(b0, a0, b1, a1) : TRect(a0, b0, a1, b1);
}

bool TChartAxis::Clicked(int X, int Y)
{
    if (!FParentChart || !FParentChart->IsAxisVisible(this)) return false;
    TRect r = AxisRect();
    if (FParentChart->GetView3D())
        if (TCanvas3D* canvas = Canvas()) r = canvas->CalcRect3D(r, FOtherSide ? FParentChart->GetWidth3D() : 0);
    return X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom;
}
