// The canvas's state rules (pens, brushes, fonts), the concrete operations of the abstract
// canvases and the flat operations of TTeeCanvas3D.
#include "chart/engine/TeCanvas.h"

#include <cmath>

#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

TTeeCanvas::~TTeeCanvas() = default;

void TTeeCanvas::SetCanvas(TCanvas* ACanvas)
{
    Canvas = ACanvas;
    Font = ACanvas ? ACanvas->Font() : nullptr;
    Pen = ACanvas ? ACanvas->Pen() : nullptr;
    Brush = ACanvas ? ACanvas->Brush() : nullptr;
}

void TTeeCanvas::ResetState()
{
    Pen->SetColor(clBlack);
    Pen->SetWidth(1);
    Pen->SetStyle(psSolid);
    Brush->SetColor(clWhite);
    Brush->SetStyle(bsSolid);
    Font->SetColor(clBlack);
    Font->SetStyle({});
    Font->SetCharset(1);
    Font->SetName(GetDefaultFontName);
    Font->SetSize(GetDefaultFontSize);
    BlendTransparency = 0;
    CurrentFont = nullptr;
    SetBackColor(clWhite);
    SetBackMode(cbmTransparent);
    SetTextAlign(0);
}

void TTeeCanvas::AssignVisiblePenColor(TPen* APen, TColor AColor)
{
    const TColor c = GetMonochrome() ? clBlack : AColor;
    if (auto* chartPen = qobject_cast<TChartPen*>(APen)) {
        if (!chartPen->GetVisible()) {
            Pen->SetStyle(psClear);
            return;
        }
        if (IsWindowsNT && !GetSupportsFullRotation()) {
            TeeSetTeePen(Pen, chartPen, c, GetHandle());
            return;
        }
    }
    Pen->Assign(APen);
    Pen->SetColor(c);
    if (TeeCheckPenWidth && Pen->GetStyle() != psSolid && Pen->GetWidth() == 1) Pen->SetWidth(0);
}

void TTeeCanvas::AssignBrushColor(TChartBrush* ABrush, TColor AColor, TColor ABackColor)
{
    const TColor c = GetMonochrome() ? clWhite : AColor;
    TPicture* picture = ABrush->StoredImage();
    if (picture && picture->GetGraphic()) {
        Brush->SetStyle(bsClear);
        // A picture that is not a bitmap is converted for the brush; the brush's own
        // picture stays as it is.
        TGraphic* graphic = picture->GetGraphic();
        TBitmap* pattern = qobject_cast<TBitmap*>(graphic);
        if (!pattern) {
            FPatternBitmap = std::make_unique<TBitmap>();
            FPatternBitmap->SetImage(graphic->ToImage());
            pattern = FPatternBitmap.get();
        }
        Brush->SetBitmap(pattern);
        Canvas->SetTextColor(ColorToRGB(c));
        SetBackMode(cbmOpaque);
        SetBackColor(ABackColor);
        return;
    }
    Brush->SetBitmap(nullptr);
    if (Brush->GetColor() != c) Brush->SetColor(c);
    if (Brush->GetStyle() != ABrush->GetStyle()) Brush->SetStyle(ABrush->GetStyle());
    if (ABackColor != clNone) {
        SetBackMode(cbmOpaque);
        SetBackColor(ABackColor);
    } else {
        SetBackMode(cbmTransparent);
    }
}

void TTeeCanvas::AssignBrush(TChartBrush* ABrush, TColor ABackColor)
{
    AssignBrushColor(ABrush, ABrush->GetColor(), ABackColor);
}

void TTeeCanvas::AssignFont(TTeeFont* AFont)
{
    // The chart font keeps its point size on every device: screen or printer.
    if (AFont->PixelsPerInch != Font->PixelsPerInch) {
        const int size = AFont->GetSize();
        TQuietChange quiet(AFont->OnChange);
        AFont->PixelsPerInch = Font->PixelsPerInch;
        AFont->SetSize(size);
    }
    Font->Assign(AFont);
    if (FontZoom != 100) Font->SetSize(Round(Font->GetSize() * FontZoom * 0.01));
    if (GetMonochrome()) Font->SetColor(clBlack);
    if (Canvas->GetTextCharacterExtra() != AFont->GetInterCharSize())
        Canvas->SetTextCharacterExtra(AFont->GetInterCharSize());
    CurrentFont = AFont;
    AFont->FCanvas = this;
}

int TTeeCanvas::TextWidth(const AnsiString& St)
{
    int w = Canvas->TextExtent(St).cx;
    if (CurrentFont && CurrentFont->StoredShadow()) w += std::abs(CurrentFont->StoredShadow()->GetHorizSize());
    return w;
}

int TTeeCanvas::TextHeight(const AnsiString& St)
{
    int h = Canvas->TextHeight(St);
    if (CurrentFont && CurrentFont->StoredShadow()) h += std::abs(CurrentFont->StoredShadow()->GetVertSize());
    return h;
}

void TTeeCanvas::InternalDark(TColor AColor, std::uint8_t Quantity)
{
    const TColor d = ApplyDark(AColor, Quantity);
    if (Brush->GetStyle() != bsSolid)
        SetBackColor(d);
    else
        Brush->SetColor(d);
}

TTeeBlend* TTeeCanvas::BeginBlending(const TRect& R, TTeeTransparency Transparency)
{
    BlendTransparency = Transparency & 0x7F;
    return new TTeeBlend(this, R);
}

void TTeeCanvas::EndBlending(TTeeBlend* Blend)
{
    if (!Blend) return;
    Blend->DoBlend(BlendTransparency);
    delete Blend;
}

void TTeeCanvas::Frame3D(TRect& Rect, TColor TopColor, TColor BottomColor, int Width)
{
    Pen->SetWidth(1);
    Pen->SetStyle(psSolid);
    --Rect.Right;
    --Rect.Bottom;
    for (int i = 0; i < Width; ++i) {
        const int L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
        Pen->SetColor(TopColor);
        const TPoint top[3] = {{L, B}, {L, T}, {R, T}};
        Polyline(top);
        Pen->SetColor(BottomColor);
        const TPoint bottom[3] = {{R, T}, {R, B}, {L - 1, B}};
        Polyline(bottom);
        InflateRect(Rect, -1, -1);
    }
    ++Rect.Right;
    ++Rect.Bottom;
}

// ---- TCanvas3D

void TCanvas3D::Assign(TCanvas3D* Source)
{
    SetMonochrome(Source->GetMonochrome());
}

void TCanvas3D::FrontPlaneBegin()
{
    if (FrontPlaneCount == 0) DisableRotation();
    ++FrontPlaneCount;
}

void TCanvas3D::FrontPlaneEnd()
{
    --FrontPlaneCount;
    if (FrontPlaneCount == 0) EnableRotation();
}

void TCanvas3D::PolylineTo(std::span<const TPoint> Points, bool In3D, int Z)
{
    for (const TPoint& p : Points) {
        if (In3D)
            LineTo3D(p.X, p.Y, Z);
        else
            LineTo(p.X, p.Y);
    }
}

TRect TCanvas3D::CalcRect3D(const TRect& R, int Z)
{
    return TRect(Calculate3DPosition(R.Left, R.Top, Z), Calculate3DPosition(R.Right, R.Bottom, Z));
}

TFourPoints TCanvas3D::FourPointsFromRect(const TRect& R, int Z)
{
    return {Calculate3DPosition(R.Left, R.Top, Z), Calculate3DPosition(R.Right, R.Top, Z),
            Calculate3DPosition(R.Right, R.Bottom, Z), Calculate3DPosition(R.Left, R.Bottom, Z)};
}

TRect TCanvas3D::RectFromRectZ(const TRect& R, int Z)
{
    const TFourPoints p = FourPointsFromRect(R, Z);
    return RectFromPolygon(p, 4);
}

void TCanvas3D::RotatedEllipse(int Left, int Top, int Right, int Bottom, int Z, double Angle)
{
    const double cx = (Left + Right) * 0.5, cy = (Top + Bottom) * 0.5;
    const double rx = cx - Left, ry = cy - Top;
    const double sA = std::sin(Angle * TeePiStep), cA = std::cos(Angle * TeePiStep);
    std::array<TPoint, 64> p;
    for (int i = 0; i < 64; ++i) {
        const double theta = i * 2.0 * M_PI / 63.0;
        const double a = std::sin(theta) * rx, b = std::cos(theta) * ry;
        p[std::size_t(i)] = TPoint(Round(cA * a + sA * b + cx), Round(-a * sA + cA * b + cy));
    }
    p[63] = p[0];
    if (Brush->GetStyle() != bsClear) {
        const TPenStyle old = Pen->GetStyle();
        Pen->SetStyle(psClear);
        const TPoint centre(Round(cx), Round(cy));
        for (int i = 0; i < 63; ++i) {
            const TPoint tri[3] = {centre, p[std::size_t(i)], p[std::size_t(i + 1)]};
            PolygonWithZ(tri, Z);
        }
        Pen->SetStyle(old);
    }
    if (Pen->GetStyle() != psClear) Polyline(std::span<const TPoint>(p), Z);
}

void TCanvas3D::StretchDraw(const TRect& Rect, TGraphic* Graphic, int Z)
{
    if (!Graphic) return;
    Pen->SetStyle(psClear);
    std::unique_ptr<TBitmap> temp;
    TBitmap* bmp = qobject_cast<TBitmap*>(Graphic);
    if (bmp) {
        bmp->SetPixelFormat(pf24bit);
    } else {
        temp = std::make_unique<TBitmap>();
        temp->IgnorePalette = !Graphic->HasPalette();
        temp->Assign(Graphic);
        temp->SetPixelFormat(pf24bit);
        bmp = temp.get();
    }
    const int W = bmp->GetWidth(), H = bmp->GetHeight();
    if (W <= 0 || H <= 0) return;
    const double stepY = double(Rect.Bottom - Rect.Top) / H;
    const double stepX = double(Rect.Right - Rect.Left) / W;
    const QImage image = bmp->ToImage();
    int y0 = Rect.Top;
    for (int r = 0; r < H; ++r) {
        const int y1 = Round((r + 1) * stepY) + Rect.Top;
        int x0 = Rect.Left;
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        for (int c = 0; c < W; ++c) {
            const int x1 = Round((c + 1) * stepX) + Rect.Left;
            Brush->SetColor(RGB(qRed(line[c]), qGreen(line[c]), qBlue(line[c])));
            const TPoint cell[4] = {Calculate3DPosition(x0, y0, Z), Calculate3DPosition(x1, y0, Z),
                                    Calculate3DPosition(x1, y1, Z), Calculate3DPosition(x0, y1, Z)};
            Polygon(cell);
            x0 = x1;
        }
        y0 = y1;
    }
}

void TCanvas3D::CalcPieAngles(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4, double& StartAngle,
                              double& EndAngle)
{
    const int XC = X1 + (X2 - X1) / 2, YC = Y1 + (Y2 - Y1) / 2;
    auto angle = [&](int x, int y) {
        double a = std::atan2(double(YC - y), double(x - XC));
        if (a < 0) a += 2 * M_PI;
        return a * 57.29577951308232;
    };
    StartAngle = angle(X3, Y3);
    EndAngle = angle(X4, Y4);
    if (EndAngle == 0) EndAngle = 360;
}

// ---- TTeeCanvas3D: flat operations on the device

TColor TTeeCanvas3D::GetBackColor()
{
    return Canvas->GetBkColor();
}

TCanvasBackMode TTeeCanvas3D::GetBackMode()
{
    return TCanvasBackMode(Canvas->GetBkMode());
}

TColor TTeeCanvas3D::GetPixel(int X, int Y)
{
    return Canvas->GetPixel(X, Y);
}

int TTeeCanvas3D::GetTextAlign()
{
    return int(Canvas->GetTextAlign());
}

void TTeeCanvas3D::SetBackColor(TColor Color)
{
    Canvas->SetBkColor(ColorToRGB(Color));
}

void TTeeCanvas3D::SetBackMode(TCanvasBackMode Mode)
{
    Canvas->SetBkMode(int(Mode));
}

void TTeeCanvas3D::SetPixel(int X, int Y, TColor Value)
{
    Canvas->SetPixel(X, Y, ColorToRGB(Value));
}

void TTeeCanvas3D::SetTextAlign(int Align)
{
    Canvas->SetTextAlign(unsigned(Align));
}

void TTeeCanvas3D::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Canvas->Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TTeeCanvas3D::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Canvas->Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TTeeCanvas3D::Draw(int X, int Y, TGraphic* Graphic)
{
    if (Graphic && !Graphic->GetEmpty()) Canvas->Draw(X, Y, Graphic);
}

void TTeeCanvas3D::StretchDraw(const TRect& Rect, TGraphic* Graphic)
{
    if (Graphic) Canvas->StretchDraw(Rect, Graphic);
}

void TTeeCanvas3D::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Canvas->Ellipse(X1, Y1, X2, Y2);
}

void TTeeCanvas3D::FillRect(const TRect& Rect)
{
    Canvas->FillRect(Rect);
}

void TTeeCanvas3D::LineTo(int X, int Y)
{
    Canvas->LineTo(X, Y);
}

void TTeeCanvas3D::MoveTo(int X, int Y)
{
    Canvas->MoveTo(X, Y);
}

void TTeeCanvas3D::Rectangle(int X0, int Y0, int X1, int Y1)
{
    Canvas->Rectangle(X0, Y0, X1, Y1);
}

void TTeeCanvas3D::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Canvas->RoundRect(X1, Y1, X2, Y2, X3, Y3);
}

void TTeeCanvas3D::DoHorizLine(int X0, int X1, int Y)
{
    Canvas->MoveTo(X0, Y);
    Canvas->LineTo(X1, Y);
}

void TTeeCanvas3D::DoVertLine(int X, int Y0, int Y1)
{
    Canvas->MoveTo(X, Y0);
    Canvas->LineTo(X, Y1);
}

void TTeeCanvas3D::Line(int X0, int Y0, int X1, int Y1)
{
    Canvas->MoveTo(X0, Y0);
    Canvas->LineTo(X1, Y1);
}

void TTeeCanvas3D::Polyline(std::span<const TPoint> Points)
{
    Canvas->Polyline(Points.data(), int(Points.size()));
}

void TTeeCanvas3D::Polygon(std::span<const TPoint> Points)
{
    Canvas->Polygon(Points.data(), int(Points.size()));
}

// ---- TTeeCanvas3D: projected lines and polygons

TColor TTeeCanvas3D::GetPixel3D(int X, int Y, int Z)
{
    Calc3DPos(X, Y, Z);
    return GetPixel(X, Y);
}

void TTeeCanvas3D::SetPixel3D(int X, int Y, int Z, TColor Value)
{
    Calc3DPos(X, Y, Z);
    if (Pen->GetWidth() != 1) {
        // A dot of the pen's width and colour.
        Canvas->MoveTo(X, Y);
        Canvas->LineTo(X, Y);
    } else {
        SetPixel(X, Y, Value);
    }
}

void TTeeCanvas3D::MoveTo3D(int X, int Y, int Z)
{
    Calc3DPos(X, Y, Z);
    Canvas->MoveTo(X, Y);
}

void TTeeCanvas3D::LineTo3D(int X, int Y, int Z)
{
    Calc3DPos(X, Y, Z);
    Canvas->LineTo(X, Y);
}

void TTeeCanvas3D::PolylineTo(std::span<const TPoint> Points, bool In3D, int Z)
{
    if (!Canvas) return;
    if (!In3D) {
        Canvas->PolylineTo(Points.data(), static_cast<int>(Points.size()));
        return;
    }
    TPoint mapped[256];
    for (std::size_t at = 0; at < Points.size(); at += std::size(mapped)) {
        const std::size_t n = std::min(std::size(mapped), Points.size() - at);
        for (std::size_t i = 0; i < n; ++i) {
            mapped[i] = Points[at + i];
            Calc3DPos(mapped[i].X, mapped[i].Y, Z);
        }
        Canvas->PolylineTo(mapped, static_cast<int>(n));
    }
}

void TTeeCanvas3D::HorizLine3D(int Left, int Right, int Y, int Z)
{
    MoveTo3D(Left, Y, Z);
    LineTo3D(Right, Y, Z);
}

void TTeeCanvas3D::VertLine3D(int X, int Top, int Bottom, int Z)
{
    MoveTo3D(X, Top, Z);
    LineTo3D(X, Bottom, Z);
}

void TTeeCanvas3D::ZLine3D(int X, int Y, int Z0, int Z1)
{
    MoveTo3D(X, Y, Z0);
    LineTo3D(X, Y, Z1);
}

void TTeeCanvas3D::LineWithZ(int X0, int Y0, int X1, int Y1, int Z)
{
    MoveTo3D(X0, Y0, Z);
    LineTo3D(X1, Y1, Z);
}

void TTeeCanvas3D::Calc3DPoints(std::span<const TPoint> Points, std::vector<TPoint>& Result, int Z)
{
    Result.resize(Points.size());
    for (std::size_t i = 0; i < Points.size(); ++i) Result[i] = Calculate3DPosition(Points[i].X, Points[i].Y, Z);
}

void TTeeCanvas3D::PolygonWithZ(std::span<const TPoint> Points, int Z)
{
    std::vector<TPoint> p;
    Calc3DPoints(Points, p, Z);
    Polygon(p);
}

void TTeeCanvas3D::Polyline(std::span<const TPoint> Points, int Z)
{
    std::vector<TPoint> p;
    Calc3DPoints(Points, p, Z);
    Polyline(std::span<const TPoint>(p));
}

void TTeeCanvas3D::TriangleWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, int Z)
{
    const TPoint p[3] = {Calculate3DPosition(P1.X, P1.Y, Z), Calculate3DPosition(P2.X, P2.Y, Z),
                         Calculate3DPosition(P3.X, P3.Y, Z)};
    Polygon(p);
}

void TTeeCanvas3D::RectangleWithZ(const TRect& Rect, int Z)
{
    PolygonFour3D({{{Rect.Left, Rect.Top, Z},
                    {Rect.Right, Rect.Top, Z},
                    {Rect.Right, Rect.Bottom, Z},
                    {Rect.Left, Rect.Bottom, Z}}});
}

void TTeeCanvas3D::PlaneWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, const TPoint& P4, int Z)
{
    PolygonFour3D({{{P1.X, P1.Y, Z}, {P2.X, P2.Y, Z}, {P3.X, P3.Y, Z}, {P4.X, P4.Y, Z}}});
}

void TTeeCanvas3D::PolygonFour()
{
    Canvas->Polygon(FourPoints.data(), 4);
}

void TTeeCanvas3D::PolygonFour3D(const std::array<TPoint3D, 4>& Corners)
{
    for (std::size_t i = 0; i < Corners.size(); ++i)
        Calc3DPoint(FourPoints[i], Corners[i].X, Corners[i].Y, Corners[i].Z);
    PolygonFour();
}

void TTeeCanvas3D::Sphere(int X, int Y, int Z, double Radius)
{
    const int r = Round(Radius);
    EllipseWithZ(X - r, Y - r, X + r, Y + r, Z);
}

void TTeeCanvas3D::Surface3D(TTeeCanvasSurfaceStyle, bool, int, int, const TTeeCanvasCalcPoints&)
{
    // This canvas draws surfaces through the series' own cells; the call draws nothing.
}
