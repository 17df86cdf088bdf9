#pragma once
// A 3D canvas that draws nothing and records every drawing and state-setting call with its
// arguments ("Rectangle(10,10,15,15)"), for exact, font-independent tests of chart parts.
// Text metrics are fixed: each character is CharWidth wide, every text LineHeight high. The
// 3D mapping is the identity. Getters are answered from the recorded state and not logged.
#include <string>
#include <vector>

#include "chart/engine/TeCanvas.h"

namespace support {

class TRecordingCanvas : public TCanvas3D {
public:
    TRecordingCanvas();
    ~TRecordingCanvas() override;

    using TCanvas3D::Rectangle;
    using TCanvas3D::StretchDraw;
    using TTeeCanvas::Ellipse;
    using TTeeCanvas::Line;
    using TTeeCanvas::RoundRect;
    using TTeeCanvas::TextOut;

    std::vector<std::string> Calls;
    int CharWidth = 6;
    int LineHeight = 10;

    void Clear() { Calls.clear(); }
    // The calls whose text starts with prefix ("TextOut", "Rectangle(").
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    // Index of the first call equal to call, or -1.
    int IndexOf(const std::string& call) const;

    TColor GetBackColor() override { return FBackColor; }
    TCanvasBackMode GetBackMode() override { return FBackMode; }
    TCanvas* GetHandle() override { return Canvas; }
    bool GetMonochrome() override { return FMonochrome; }
    TColor GetPixel(int, int) override { return clNone; }
    bool GetSupportsFullRotation() override { return false; }
    int GetTextAlign() override { return FTextAlign; }
    bool GetUseBuffer() override { return FUseBuffer; }
    void SetBackColor(TColor Color) override;
    void SetBackMode(TCanvasBackMode Mode) override;
    void SetMonochrome(bool Value) override;
    void SetPixel(int X, int Y, TColor Value) override;
    void SetTextAlign(int Align) override;
    void SetUseBuffer(bool Value) override;
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void Donut(int XCenter, int YCenter, int XRadius, int YRadius, double StartAngle, double EndAngle,
               double HolePercent) override;
    void Draw(int X, int Y, TGraphic* Graphic) override;
    void Ellipse(int X1, int Y1, int X2, int Y2) override;
    void FillRect(const TRect& Rect) override;
    void LineTo(int X, int Y) override;
    void MoveTo(int X, int Y) override;
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void Rectangle(int X0, int Y0, int X1, int Y1) override;
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) override;
    void StretchDraw(const TRect& Rect, TGraphic* Graphic) override;
    void TextOut(int X, int Y, const AnsiString& Text) override;
    int TextWidth(const AnsiString& St) override;
    int TextHeight(const AnsiString& St) override;
    void ClipRectangle(const TRect& Rect) override;
    void ClipRectangle(const TRect& Rect, int RoundSize) override;
    void ClipEllipse(const TRect& Rect, bool Inverted = false) override;
    void ClipPolygon(TPoint* Points, int NumPoints) override;
    void DoHorizLine(int X0, int X1, int Y) override;
    void DoVertLine(int X, int Y0, int Y1) override;
    void EraseBackground(const TRect& Rect) override;
    void GradientFill(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction,
                      int Balance = 50) override;
    void Invalidate() override;
    void Line(int X0, int Y0, int X1, int Y1) override;
    void Polyline(std::span<const TPoint> Points) override;
    void Polygon(std::span<const TPoint> Points) override;
    void RotateLabel(int X, int Y, const AnsiString& St, double RotDegree) override;
    void UnClipRectangle() override;

    TColor GetPixel3D(int, int, int) override { return clNone; }
    bool GetSupports3DText() override { return false; }
    void SetPixel3D(int X, int Y, int Z, TColor Value) override;
    void Calculate2DPosition(int&, int&, int) override {}
    TPoint Calculate3DPosition(int X, int Y, int) override { return TPoint(X, Y); }
    using TCanvas3D::Calculate3DPosition;
    TRect InitWindow(TCanvas* DestCanvas, TView3DOptions* A3DOptions, TColor ABackColor, bool Is3D,
                     const TRect& UserRect) override;
    void Projection(int MaxDepth, const TRect& ABounds, const TRect& ARect) override;
    void ShowImage(TCanvas* DestCanvas, TCanvas* DefaultCanvas, const TRect& UserRect) override;
    bool ReDrawBitmap() override;
    void Arrow(bool Filled, const TPoint& FromPoint, const TPoint& ToPoint, int ArrowWidth, int ArrowHeight,
               int Z) override;
    void ClipCube(const TRect& Rect, int MinZ, int MaxZ) override;
    void Cone(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D,
              int ConePercent) override;
    void Cube(int Left, int Right, int Top, int Bottom, int Z0, int Z1, bool DarkSides = true) override;
    using TCanvas3D::Cube;
    void Cylinder(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D) override;
    void DisableRotation() override;
    void EllipseWithZ(int X1, int Y1, int X2, int Y2, int Z) override;
    void EnableRotation() override;
    void HorizLine3D(int Left, int Right, int Y, int Z) override;
    void VertLine3D(int X, int Top, int Bottom, int Z) override;
    void ZLine3D(int X, int Y, int Z0, int Z1) override;
    void LineWithZ(int X0, int Y0, int X1, int Y1, int Z) override;
    using TCanvas3D::LineWithZ;
    void MoveTo3D(int X, int Y, int Z) override;
    void LineTo3D(int X, int Y, int Z) override;
    using TCanvas3D::LineTo3D;
    using TCanvas3D::MoveTo3D;
    void Pie3D(int XCenter, int YCenter, int XRadius, int YRadius, int Z0, int Z1, double StartAngle, double EndAngle,
               bool DarkSides, bool DrawSides, int DonutPercent = 0, TCustomTeeGradient* Gradient = nullptr) override;
    void Plane3D(const TPoint& A, const TPoint& B, int Z0, int Z1) override;
    void PlaneWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, const TPoint& P4, int Z) override;
    using TCanvas3D::PlaneWithZ;
    void PlaneFour3D(TFourPoints& Points, int Z0, int Z1) override;
    void PolygonWithZ(std::span<const TPoint> Points, int Z) override;
    void Polyline(std::span<const TPoint> Points, int Z) override;
    void Pyramid(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool DarkSides) override;
    void PyramidTrunc(const TRect& R, int StartZ, int EndZ, int TruncX, int TruncZ) override;
    void RectangleWithZ(const TRect& Rect, int Z) override;
    void RectangleY(int Left, int Top, int Right, int Z0, int Z1) override;
    void RectangleZ(int Left, int Top, int Bottom, int Z0, int Z1) override;
    void RotateLabel3D(int X, int Y, int Z, const AnsiString& St, double RotDegree) override;
    void Sphere(int X, int Y, int Z, double Radius) override;
    void Surface3D(TTeeCanvasSurfaceStyle Style, bool SameBrush, int NumXValues, int NumZValues,
                   const TTeeCanvasCalcPoints& CalcPoints) override;
    void TextOut3D(int X, int Y, int Z, const AnsiString& Text) override;
    void Triangle3D(const TTrianglePoints3D& Points, const TTriangleColors3D& Colors) override;
    void TriangleWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, int Z) override;

private:
    TCanvas FDevice;
    TColor FBackColor = clWhite;
    TCanvasBackMode FBackMode = cbmTransparent;
    bool FMonochrome = false;
    int FTextAlign = 0;
    bool FUseBuffer = true;
};

}  // namespace support
