#include "chart/engine/TSeriesPointer.h"

#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"

bool TeeCheckMarkArrowColor = false;

// ---- TSeriesPointer

TSeriesPointer::TSeriesPointer(TChartSeries* series)
    : TTeeCustomShapeBrushPen(series ? SeriesPanelOf(series->ParentChart()) : nullptr), FSeries(series)
{
    // The series owns its pointer, not the panel it draws on.
    if (series) setParent(series);
    FGradient = new TTeeGradient([this](QObject* Sender) { CanvasChanged(Sender); }, this);
}

TSeriesPointer::~TSeriesPointer() = default;

void TSeriesPointer::RepaintOwner()
{
    if (FSeries)
        FSeries->Repaint();
    else
        Repaint();
}

void TSeriesPointer::CanvasChanged(QObject*)
{
    RepaintOwner();
}

void TSeriesPointer::SetSizeField(int& Field, int Value)
{
    if (Value < 1) throw ChartException(TeeMsg_CheckPointerSize);
    SetProperty(Field, Value);
}

void TSeriesPointer::SetSize(int Value)
{
    // Checked before either size changes, so a refused size leaves both.
    if (Value < 1) throw ChartException(TeeMsg_CheckPointerSize);
    SetHorizSize(Value);
    SetVertSize(Value);
}

int TSeriesPointer::GetStartZ() const
{
    return FSeries ? FSeries->StartZ : 0;
}
int TSeriesPointer::GetMiddleZ() const
{
    return FSeries ? FSeries->MiddleZ : 0;
}
int TSeriesPointer::GetEndZ() const
{
    return FSeries ? FSeries->EndZ : 0;
}

void TSeriesPointer::CalcHorizMargins(int& Left, int& Right) const
{
    if (!FVisible || !FSettings.InflateMargins) return;
    Left = std::max(Left, FSettings.HorizSize + 1);
    Right = std::max(Right, FSettings.HorizSize + 1);
}

void TSeriesPointer::CalcVerticalMargins(int& Top, int& Bottom) const
{
    if (!FVisible || !FSettings.InflateMargins) return;
    Top = std::max(Top, FSettings.VertSize + 1);
    Bottom = std::max(Bottom, FSettings.VertSize + 1);
}

TCanvas3D* TSeriesPointer::ChartCanvas() const
{
    if (FSeries)
        if (ISeriesHost* host = SeriesHostOf(FSeries->ParentChart())) return host->GetCanvas();
    return FParentChart ? FParentChart->GetCanvas() : nullptr;
}

bool TSeriesPointer::ChartView3D() const
{
    if (FSeries)
        if (ISeriesHost* host = SeriesHostOf(FSeries->ParentChart())) return host->GetView3D();
    return FParentChart && FParentChart->GetView3D();
}

void TSeriesPointer::Prepare()
{
    if (TCanvas3D* canvas = ChartCanvas()) PrepareCanvas(canvas, GetColor());
}

void TSeriesPointer::PrepareCanvas(TCanvas3D* Canvas, TColor Color)
{
    if (!FPen->GetVisible()) {
        if (Canvas->Pen->GetStyle() != psClear) Canvas->Pen->SetStyle(psClear);
    } else if (FPen->GetColor() == clDefault) {
        Canvas->AssignVisiblePenColor(FPen, Color);
    } else {
        Canvas->AssignVisiblePen(FPen);
    }
    TColor b = FBrush->GetColor();
    if (b == clDefault) b = FBrush->GetStyle() == bsSolid ? Color : clBlack;
    Canvas->AssignBrushColor(FBrush, b, Color);
}

void TSeriesPointer::Draw(int X, int Y)
{
    Draw(X, Y, FBrush->GetColor(), FSettings.Style);
}

void TSeriesPointer::Draw(int X, int Y, TColor Color, TSeriesPointerStyle Style)
{
    if (TCanvas3D* canvas = ChartCanvas())
        DrawPointer(canvas, ChartView3D(), X, Y, FSettings.HorizSize, FSettings.VertSize, Color, Style);
}

void TSeriesPointer::DrawPointer(TCanvas3D* Canvas, bool Is3D, int X, int Y, int H, int V, TColor Color,
                                 TSeriesPointerStyle Style)
{
    const int left = X - H, right = X + H, top = Y - V, bottom = Y + V;
    const int startZ = GetStartZ(), middleZ = GetMiddleZ(), endZ = GetEndZ();
    const bool orthogonal = Canvas->View3DOptions && Canvas->View3DOptions->GetOrthogonal();

    TTeeBlend* blend = nullptr;
    if (FSettings.Transparency > 0) {
        TRect r(left, top, right + 1, bottom + 1);
        if (Style == psRectangle && Is3D && FSettings.Draw3D && orthogonal) {
            r.Right += endZ - startZ;
            r.Top -= endZ - startZ;
        }
        blend = Canvas->BeginBlending(Canvas->RectFromRectZ(r, startZ), FSettings.Transparency);
    }

    const auto polygon = [&](std::initializer_list<TPoint> corners) {
        std::vector<TPoint> p(corners);
        if (Is3D)
            for (TPoint& q : p) q = Canvas->Calculate3DPosition(q, startZ);
        Canvas->Polygon(p);
    };
    const auto cross = [&]() {
        if (Is3D) {
            Canvas->VertLine3D(X, top, bottom + 1, startZ);
            Canvas->HorizLine3D(left, right + 1, Y, startZ);
        } else {
            Canvas->DoVertLine(X, top, bottom + 1);
            Canvas->DoHorizLine(left, right + 1, Y);
        }
    };
    const auto diagCross = [&]() {
        if (Is3D) {
            Canvas->LineWithZ(left, top, right + 1, bottom + 1, startZ);
            Canvas->LineWithZ(right, top, left - 1, bottom + 1, startZ);
        } else {
            Canvas->Line(left, top, right + 1, bottom + 1);
            Canvas->Line(right, top, left - 1, bottom + 1);
        }
    };

    switch (Style) {
        case psRectangle:
            if (!Is3D)
                Canvas->Rectangle(left, top, right + 1, bottom + 1);
            else if (!FSettings.Draw3D)
                Canvas->RectangleWithZ(TRect(left, top, right + 1, bottom + 1), startZ);
            else
                Canvas->Cube(left, right, top, bottom, startZ, endZ, FSettings.Dark3D);
            break;
        case psCircle:
            if (!Is3D)
                Canvas->Ellipse(left, top, right, bottom);
            else if (FSettings.Draw3D && Canvas->GetSupportsFullRotation())
                Canvas->Sphere(X, Y, middleZ, H);
            else
                Canvas->EllipseWithZ(left, top, right, bottom, startZ);
            break;
        case psTriangle:
        case psDownTriangle: {
            const int k = Style == psTriangle ? V : -V;
            if (Is3D && FSettings.Draw3D)
                Canvas->Pyramid(true, left, Y - k, right, Y + k, startZ, endZ, FSettings.Dark3D);
            else
                polygon({TPoint(left, Y + k), TPoint(right, Y + k), TPoint(X, Y - k)});
            break;
        }
        case psCross: cross(); break;
        case psDiagCross: diagCross(); break;
        case psStar:
            cross();
            diagCross();
            break;
        case psDiamond: polygon({TPoint(left, Y), TPoint(X, top), TPoint(right, Y), TPoint(X, bottom)}); break;
        case psSmallDot:
            if (Is3D)
                Canvas->SetPixel3D(X, Y, middleZ, Canvas->Brush->GetColor());
            else
                Canvas->SetPixel(X, Y, Canvas->Brush->GetColor());
            break;
        case psNothing: break;
        case psLeftTriangle: polygon({TPoint(left, Y), TPoint(right, bottom), TPoint(right, top)}); break;
        case psRightTriangle: polygon({TPoint(right, Y), TPoint(left, bottom), TPoint(left, top)}); break;
    }

    if (FGradient->GetVisible()) DrawGradient(Canvas, Is3D, left, top, right, bottom, X, Y, Color, Style);

    if (blend) Canvas->EndBlending(blend);
}

void TSeriesPointer::DrawGradient(TCanvas3D* Canvas, bool Is3D, int Left, int Top, int Right, int Bottom, int X, int Y,
                                  TColor Color, TSeriesPointerStyle Style)
{
    const int pw = FPen->GetVisible() ? FPen->GetWidth() : 0;
    const int startZ = GetStartZ();
    TRect r(Left + pw, Top + pw, Right, Bottom);
    if (!KeepGradientColor) {
        // Set while painting: must not ask for another paint.
        TQuietChange quiet(FGradient->OnChange);
        FGradient->SetEndColor(Color);
    }
    const bool orthogonal = Canvas->View3DOptions && Canvas->View3DOptions->GetOrthogonal();
    if (Is3D && !orthogonal && Style == psRectangle) {
        r.Right -= pw;
        r.Bottom -= pw;
        const TFourPoints f = Canvas->FourPointsFromRect(r, startZ);
        const TPoint p[4] = {f[0], f[1], f[2], f[3]};
        FGradient->Draw(static_cast<TTeeCanvas*>(Canvas), p);
        return;
    }
    if (Is3D) r = Canvas->CalcRect3D(r, startZ);
    const auto mapped = [&](TPoint p) { return Is3D ? Canvas->Calculate3DPosition(p, startZ) : p; };
    TPoint tri[3];
    bool haveTriangle = false;
    switch (Style) {
        case psRectangle: Canvas->ClipRectangle(r); break;
        case psCircle: Canvas->ClipEllipse(r); break;
        case psDiamond: {
            const TPoint p[4] = {mapped(TPoint(Left, Y)), mapped(TPoint(X, Top)), mapped(TPoint(Right, Y)),
                                 mapped(TPoint(X, Bottom))};
            FGradient->Draw(static_cast<TTeeCanvas*>(Canvas), p);
            return;
        }
        case psTriangle:
        case psDownTriangle: {
            // A pyramid gets no gradient; a flat triangle does.
            if (Is3D && FSettings.Draw3D) return;
            const int k = Style == psTriangle ? Bottom - Y : Top - Y;
            tri[0] = mapped(TPoint(Left, Y + k));
            tri[1] = mapped(TPoint(Right, Y + k));
            tri[2] = mapped(TPoint(X, Y - k));
            haveTriangle = true;
            break;
        }
        case psLeftTriangle:
            tri[0] = mapped(TPoint(Left, Y));
            tri[1] = mapped(TPoint(Right, Bottom));
            tri[2] = mapped(TPoint(Right, Top));
            haveTriangle = true;
            break;
        case psRightTriangle:
            tri[0] = mapped(TPoint(Right, Y));
            tri[1] = mapped(TPoint(Left, Bottom));
            tri[2] = mapped(TPoint(Left, Top));
            haveTriangle = true;
            break;
        default: return;
    }
    if (haveTriangle) {
        r = RectFromPolygon(tri, 3);
        TPoint clip[3] = {tri[0], tri[1], tri[2]};
        Canvas->ClipPolygon(clip, 3);
    }
    FGradient->Draw(static_cast<TTeeCanvas*>(Canvas), r, 0);
    Canvas->UnClipRectangle();
}

void TSeriesPointer::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TSeriesPointer*>(Source)) {
        FSettings = s->FSettings;
        FGradient->Assign(s->FGradient);
    }
    TTeeCustomShapeBrushPen::Assign(Source);
}

bool TSeriesPointer::IsPropertyStored(const char* Name) const
{
    static const TPointerSettings defaults;
    if (std::strcmp(Name, "Dark3D") == 0) return FSettings.Dark3D != defaults.Dark3D;
    if (std::strcmp(Name, "Draw3D") == 0) return FSettings.Draw3D != defaults.Draw3D;
    if (std::strcmp(Name, "HorizSize") == 0) return FSettings.HorizSize != defaults.HorizSize;
    if (std::strcmp(Name, "VertSize") == 0) return FSettings.VertSize != defaults.VertSize;
    if (std::strcmp(Name, "Transparency") == 0) return FSettings.Transparency != defaults.Transparency;
    // InflateMargins and Style have no default: always written.
    return TTeeCustomShapeBrushPen::IsPropertyStored(Name);
}

// ---- TCallout

TCallout::TCallout(TChartSeries* series) : TSeriesPointer(series)
{
    FArrow = new TWhitePen([this](QObject* Sender) { CanvasChanged(Sender); }, this);
    SetInflate(true);
    KeepGradientColor = true;
    ChangeStyle(psRectangle);
    FVisible = true;
    Change3D(false);
    FBrush->SetColor(clBlack);
}

void TCallout::Draw(TColor Color, const TPoint& ArrowFrom, const TPoint& ArrowTo, int Z)
{
    TCanvas3D* canvas = ChartCanvas();
    if (!canvas) return;
    const bool is3D = ChartView3D();
    if (FArrow->GetVisible()) {
        canvas->Brush->SetStyle(bsClear);
        Prepare();
        ISeriesHost* host = Series() ? SeriesHostOf(Series()->ParentChart()) : nullptr;
        const TColor back = host ? host->GetBackColor() : (FParentChart ? FParentChart->GetBackColor() : clWhite);
        if (TeeCheckMarkArrowColor && (FArrow->GetColor() == Color || FArrow->GetColor() == back))
            canvas->AssignVisiblePenColor(FArrow, back == clBlack ? clWhite : clBlack);
        else
            canvas->AssignVisiblePen(FArrow);
        switch (FArrowHead) {
            case ahLine: canvas->Arrow(false, ArrowTo, ArrowFrom, FArrowHeadSize, FArrowHeadSize, Z); break;
            case ahSolid: canvas->Arrow(true, ArrowTo, ArrowFrom, FArrowHeadSize, FArrowHeadSize, Z); break;
            case ahNone:
                if (is3D)
                    canvas->LineWithZ(ArrowFrom, ArrowTo, Z);
                else
                    canvas->Line(ArrowFrom, ArrowTo);
                break;
        }
    }
    if (FArrowHead == ahNone && FVisible) {
        Prepare();
        const TPoint p = is3D ? canvas->Calculate3DPosition(ArrowFrom, Z) : ArrowFrom;
        DrawPointer(canvas, false, p.X, p.Y, GetHorizSize(), GetVertSize(), GetColor(), GetStyle());
    }
}

void TCallout::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TCallout*>(Source)) {
        FDistance = s->FDistance;
        FArrow->Assign(s->FArrow);
        FArrowHead = s->FArrowHead;
        FArrowHeadSize = s->FArrowHeadSize;
    }
    TSeriesPointer::Assign(Source);
}

bool TCallout::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Draw3D") == 0) return GetDraw3D();
    if (std::strcmp(Name, "InflateMargins") == 0) return !GetInflateMargins();
    if (std::strcmp(Name, "Style") == 0) return GetStyle() != psRectangle;
    if (std::strcmp(Name, "ArrowHead") == 0) return FArrowHead != ahNone;
    if (std::strcmp(Name, "ArrowHeadSize") == 0) return FArrowHeadSize != 8;
    if (std::strcmp(Name, "Distance") == 0) return FDistance != 0;
    return TSeriesPointer::IsPropertyStored(Name);
}

// ---- TMarksCallout

TMarksCallout::TMarksCallout(TChartSeries* series) : TCallout(series)
{
    FVisible = false;
    TQuietChange quiet(GetArrow()->OnChange);
    GetArrow()->SetColor(clWhite);
}

void TMarksCallout::ApplyArrowLength(TSeriesMarkPosition& Position) const
{
    const int d = FLength + GetDistance();
    Position.LeftTop.Y -= d;
    Position.ArrowTo.Y -= d;
    Position.ArrowFrom.Y -= GetDistance();
}

void TMarksCallout::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TMarksCallout*>(Source)) FLength = s->FLength;
    TCallout::Assign(Source);
}

bool TMarksCallout::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Length") == 0) return FLength != DefaultLength;
    if (std::strcmp(Name, "Visible") == 0) return FVisible;
    return TCallout::IsPropertyStored(Name);
}
