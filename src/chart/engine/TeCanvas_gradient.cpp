// Gradient fills: the canvas's band painting and the gradient settings' drawing into
// rectangles, polygons and ellipses.
#include <algorithm>
#include <memory>
#include <vector>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeColorUtils.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeeGradientBands.h"

namespace {

// Paints bands with the device brush (the brush in use before is restored afterwards),
// lines with a solid one-pixel pen and rings without outline.
class DeviceSink : public TGradientSink {
public:
    explicit DeviceSink(TCanvas* dc) : FDC(dc)
    {
        FBrush.Assign(dc->Brush());
        FPen.Assign(dc->Pen());
        // Bands are solid colour, never a pattern picture the brush may hold.
        dc->Brush()->SetBitmap(nullptr);
        dc->Brush()->SetStyle(bsSolid);
    }
    ~DeviceSink() override
    {
        FDC->Brush()->Assign(&FBrush);
        FDC->Pen()->Assign(&FPen);
    }
    void Band(const TRect& R, TColor c) override
    {
        // The brush colour changes only when the step's colour does.
        FDC->Brush()->SetColor(c);
        FDC->FillRect(R);
    }
    void Line(const TPoint& A, const TPoint& B, TColor c) override
    {
        TPen* pen = FDC->Pen();
        if (!FLinePen) {
            pen->SetWidth(1);
            pen->SetStyle(psSolid);
            pen->SetMode(pmCopy);
            FLinePen = true;
        }
        pen->SetColor(c);
        FDC->MoveTo(A.X, A.Y);
        FDC->LineTo(B.X, B.Y);
    }
    void Ring(const TRect& R, TColor c) override
    {
        FDC->Pen()->SetStyle(psClear);
        FDC->Brush()->SetColor(c);
        FDC->Ellipse(R.Left, R.Top, R.Right, R.Bottom);
    }

private:
    TCanvas* FDC;
    TBrush FBrush;
    TPen FPen;
    bool FLinePen = false;
};

// Keeps the bands of a gradient whose bands are whole columns of the rectangle (the
// left-right directions) as one row of colours.
class ColumnSink : public TGradientSink {
public:
    explicit ColumnSink(const TRect& R) : FRect(R), FRow(std::size_t(std::max(R.Width(), 0)), 0) {}
    void Band(const TRect& R, TColor c) override
    {
        if (R.Top != FRect.Top || R.Bottom != FRect.Bottom || R.Left < FRect.Left || R.Right > FRect.Right) {
            FColumns = false;
            return;
        }
        std::fill(FRow.begin() + (R.Left - FRect.Left), FRow.begin() + (R.Right - FRect.Left), TColorToQRgb(c));
    }
    void Line(const TPoint&, const TPoint&, TColor) override { FColumns = false; }
    void Ring(const TRect&, TColor) override { FColumns = false; }
    bool Columns() const { return FColumns; }
    const QRgb* Row() const { return FRow.data(); }

private:
    TRect FRect;
    std::vector<QRgb> FRow;
    bool FColumns = true;
};

// Rings from the centre outwards, clipped to the rectangle.
void RadialFill(TTeeCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor, int Balance, int RadialX,
                int RadialY)
{
    TCanvas* dc = Canvas ? Canvas->GetHandle() : nullptr;
    if (!dc) return;
    const TRect r = OrientRectangle(Rect);
    Canvas->ClipRectangle(r);
    {
        DeviceSink sink(dc);
        TeeRadialRings(r, StartColor, EndColor, Balance, RadialX, RadialY, sink);
    }
    Canvas->UnClipRectangle();
}

}  // namespace

void TTeeCanvas3D::GradientFill(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction,
                                int Balance)
{
    if (!Canvas) return;
    const TRect r = OrientRectangle(Rect);
    if (Direction == gdRadial) {
        TCustomTeeGradient g;
        g.SetDirection(gdRadial);
        g.SetStartColor(StartColor);
        g.SetEndColor(EndColor);
        g.Draw(this, r, 0);
        return;
    }
    // The columns of a left-right gradient are one row copied to every row.
    if ((Direction == gdLeftRight || Direction == gdRightLeft) && !r.IsEmpty() &&
        static_cast<long long>(r.Right) - r.Left <= 65536) {
        ColumnSink columns(r);
        TeeGradientBands(r, StartColor, EndColor, Direction, Balance, Canvas->ClipRect(), columns);
        if (columns.Columns() && Canvas->FillColumns(r, columns.Row())) return;
    }
    DeviceSink sink(Canvas);
    TeeGradientBands(r, StartColor, EndColor, Direction, Balance, Canvas->ClipRect(), sink);
}

void TCustomTeeGradient::Draw(TTeeCanvas* Canvas, const TRect& Rect, int RoundRectSize)
{
    if (!Canvas) return;
    TColor s = GetStartColor();
    TColor e = GetEndColor();
    TColor m = GetMidColor();
    if (Canvas->GetMonochrome()) {
        s = TeeGrayColor(s);
        e = TeeGrayColor(e);
        if (m != clNone) m = TeeGrayColor(m);
    }
    if (RoundRectSize > 0) Canvas->ClipRectangle(Rect, RoundRectSize);
    const TGradientDirection d = GetDirection();
    if (d == gdRadial) {
        // In the working colours, so a monochrome canvas gets grey rings too.
        RadialFill(Canvas, Rect, s, e, GetBalance(), GetRadialX(), GetRadialY());
    } else if (m == clNone || d == gdDiagonalUp || d == gdDiagonalDown) {
        Canvas->GradientFill(Rect, s, e, d, GetBalance());
    } else {
        // Two halves meeting in the middle colour.
        const TRect& r = Rect;
        switch (d) {
            case gdTopBottom:
            case gdBottomTop: {
                const int mid = int((std::int64_t(r.Top) + r.Bottom) / 2);
                const bool down = d == gdTopBottom;
                Canvas->GradientFill(TRect(r.Left, r.Top, r.Right, mid), down ? m : s, down ? e : m, d, 50);
                Canvas->GradientFill(TRect(r.Left, mid, r.Right, r.Bottom), down ? s : m, down ? m : e, d, 50);
                break;
            }
            case gdLeftRight:
            case gdRightLeft: {
                const int mid = int((std::int64_t(r.Left) + r.Right) / 2);
                const bool right = d == gdLeftRight;
                Canvas->GradientFill(TRect(r.Left, r.Top, mid, r.Bottom), right ? m : s, right ? e : m, d, 50);
                Canvas->GradientFill(TRect(mid, r.Top, r.Right, r.Bottom), right ? s : m, right ? m : e, d, 50);
                break;
            }
            default:
                // The centre and corner directions have no middle: the middle colour and
                // the balance are left out.
                Canvas->GradientFill(r, s, e, d, 50);
                break;
        }
    }
    if (RoundRectSize > 0) Canvas->UnClipRectangle();
}

void TCustomTeeGradient::Draw(TTeeCanvas* Canvas, const TPoint (&P)[4])
{
    if (!Canvas) return;
    TPoint device[4] = {P[0], P[1], P[2], P[3]};
    Canvas->ClipPolygon(device, 4);
    Draw(Canvas, RectFromPolygon(std::span<const TPoint>(P, 4), 4), 0);
    Canvas->UnClipRectangle();
}

void TCustomTeeGradient::Draw(TCanvas3D* Canvas, const TPoint (&P)[4], int Z)
{
    if (!Canvas) return;
    const TPoint mapped[4] = {Canvas->Calculate3DPosition(P[0], Z), Canvas->Calculate3DPosition(P[1], Z),
                              Canvas->Calculate3DPosition(P[2], Z), Canvas->Calculate3DPosition(P[3], Z)};
    Draw(static_cast<TTeeCanvas*>(Canvas), mapped);
}

void TCustomTeeGradient::Draw(TCanvas3D* Canvas, std::span<const TPoint> Points, int Z, bool Is3D)
{
    if (!Canvas || Points.empty()) return;
    std::vector<TPoint> clip;
    clip.reserve(Points.size());
    TRect r;
    if (Is3D) {
        for (const TPoint& p : Points) clip.push_back(Canvas->Calculate3DPosition(p, Z));
        r = Canvas->CalcRect3D(PolygonBounds(Points), Z);
    } else {
        clip.assign(Points.begin(), Points.end());
        r = PolygonBounds(Points);
    }
    Canvas->ClipPolygon(clip.data(), int(clip.size()));
    Draw(static_cast<TTeeCanvas*>(Canvas), r, 0);
    Canvas->UnClipRectangle();
}

void TCustomTeeGradient::DrawRadial(TTeeCanvas* Canvas, const TRect& Rect)
{
    RadialFill(Canvas, Rect, GetStartColor(), GetEndColor(), GetBalance(), GetRadialX(), GetRadialY());
}
