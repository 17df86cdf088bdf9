#pragma once
// The chart engine's one drawing interface: TTeeCanvas (2D), TCanvas3D (3D operations) and
// TTeeCanvas3D, the implementation on a platform canvas with the 3D projection and the
// off-screen buffer. The virtual operations keep their fixed order.
//
// The bodies are spread over files by subject: TeCanvas.cpp (state, pens, brushes, fonts,
// flat operations), TeCanvas_projection.cpp (mapping and buffering); text, clipping,
// gradients, solids, pies and shadows have their own files.
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeGradient.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"

class TTeeBlend;

using TFourPoints = std::array<TPoint, 4>;
using TTrianglePoints3D = std::array<TPoint3D, 3>;
using TTriangleColors3D = std::array<TColor, 3>;
// Surface3D asks for the corners and colours of the cell at (X, Z); false skips the cell.
using TTeeCanvasCalcPoints =
    std::function<bool(int X, int Z, TPoint3D& P0, TPoint3D& P1, TColor& Color0, TColor& Color1)>;

class TTeeCanvas {
public:
    virtual ~TTeeCanvas();

    // ---- virtual operations, in their fixed order
    virtual TColor GetBackColor() = 0;
    virtual TCanvasBackMode GetBackMode() = 0;
    // The device drawn on now.
    virtual TCanvas* GetHandle() = 0;
    virtual bool GetMonochrome() = 0;
    virtual TColor GetPixel(int X, int Y) = 0;
    virtual bool GetSupportsFullRotation() = 0;
    virtual int GetTextAlign() = 0;
    virtual bool GetUseBuffer() = 0;
    virtual void SetBackColor(TColor Color) = 0;
    virtual void SetBackMode(TCanvasBackMode Mode) = 0;
    virtual void SetMonochrome(bool Value) = 0;
    virtual void SetPixel(int X, int Y, TColor Value) = 0;
    virtual void SetTextAlign(int Align) = 0;
    virtual void SetUseBuffer(bool Value) = 0;
    virtual void AssignVisiblePenColor(TPen* APen, TColor AColor);
    // The caller owns the result until EndBlending frees it.
    virtual TTeeBlend* BeginBlending(const TRect& R, TTeeTransparency Transparency);
    virtual void EndBlending(TTeeBlend* Blend);
    virtual void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) = 0;
    // Angles in radians.
    virtual void Donut(int XCenter, int YCenter, int XRadius, int YRadius, double StartAngle, double EndAngle,
                       double HolePercent) = 0;
    virtual void Draw(int X, int Y, TGraphic* Graphic) = 0;
    virtual void Ellipse(int X1, int Y1, int X2, int Y2) = 0;
    virtual void FillRect(const TRect& Rect) = 0;
    virtual void Frame3D(TRect& Rect, TColor TopColor, TColor BottomColor, int Width);
    virtual void LineTo(int X, int Y) = 0;
    virtual void MoveTo(int X, int Y) = 0;
    virtual void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) = 0;
    virtual void Rectangle(int X0, int Y0, int X1, int Y1) = 0;
    virtual void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) = 0;
    virtual void StretchDraw(const TRect& Rect, TGraphic* Graphic) = 0;
    virtual void TextOut(int X, int Y, const AnsiString& Text) = 0;
    virtual int TextWidth(const AnsiString& St);
    virtual int TextHeight(const AnsiString& St);
    virtual void ClipRectangle(const TRect& Rect) = 0;
    virtual void ClipRectangle(const TRect& Rect, int RoundSize);
    virtual void ClipEllipse(const TRect& Rect, bool Inverted = false);
    // Converts Points to device coordinates in place.
    virtual void ClipPolygon(TPoint* Points, int NumPoints);
    virtual void DoHorizLine(int X0, int X1, int Y) = 0;
    virtual void DoVertLine(int X, int Y0, int Y1) = 0;
    virtual void EraseBackground(const TRect& Rect) = 0;
    virtual void GradientFill(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction,
                              int Balance = 50) = 0;
    virtual void Invalidate() = 0;
    virtual void Line(int X0, int Y0, int X1, int Y1) = 0;
    virtual void Polyline(std::span<const TPoint> Points) = 0;
    virtual void Polygon(std::span<const TPoint> Points) = 0;
    virtual void RotateLabel(int X, int Y, const AnsiString& St, double RotDegree) = 0;
    virtual void UnClipRectangle() = 0;

    // ---- non-virtual operations
    void SetCanvas(TCanvas* ACanvas);
    // Pen black, width 1, solid; brush white, solid; font black, default name and size;
    // background white and transparent; text aligned left and top.
    void ResetState();
    void AssignBrush(TChartBrush* ABrush, TColor ABackColor);
    void AssignBrushColor(TChartBrush* ABrush, TColor AColor, TColor ABackColor);
    void AssignVisiblePen(TPen* APen) { AssignVisiblePenColor(APen, APen->GetColor()); }
    void AssignFont(TTeeFont* AFont);
    void InternalDark(TColor AColor, std::uint8_t Quantity);
    int GetFontHeight() { return TextHeight("W"); }
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void DoRectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(const TRect& R, int X, int Y) { RoundRect(R.Left, R.Top, R.Right, R.Bottom, X, Y); }
    void Line(const TPoint& FromPoint, const TPoint& ToPoint) { Line(FromPoint.X, FromPoint.Y, ToPoint.X, ToPoint.Y); }
    // With AllowHtml the text's tags are interpreted.
    void TextOut(int X, int Y, const AnsiString& Text, bool AllowHtml);
    // Reduces Points to their convex outline (pivot last); false for fewer than 3 points.
    bool ConvexHull(std::vector<TPoint>& Points);

    // ---- state
    TCanvas* Canvas = nullptr;
    TFont* Font = nullptr;
    TPen* Pen = nullptr;
    TBrush* Brush = nullptr;
    TTeeTransparency BlendTransparency = 0;
    // Set while a chart draws into a recorded picture (metafile) or onto a printer page.
    bool Metafiling = false;
    TRect Bounds;
    TTeeFont* CurrentFont = nullptr;
    double FontZoom = 100.0;

private:
    // The brush pattern made from a picture that is not a bitmap.
    std::unique_ptr<TBitmap> FPatternBitmap;
};

class TCanvas3D : public TTeeCanvas {
public:
    using TTeeCanvas::Polyline;
    using TTeeCanvas::Rectangle;
    using TTeeCanvas::StretchDraw;

    // ---- virtual operations added by the 3D canvas, continuing the order
    virtual TColor GetPixel3D(int X, int Y, int Z) = 0;
    virtual bool GetSupports3DText() = 0;
    virtual void SetPixel3D(int X, int Y, int Z, TColor Value) = 0;
    virtual void Calculate2DPosition(int& X, int& Y, int Z) = 0;
    virtual TPoint Calculate3DPosition(int X, int Y, int Z) = 0;
    virtual TRect InitWindow(TCanvas* DestCanvas, TView3DOptions* A3DOptions, TColor ABackColor, bool Is3D,
                             const TRect& UserRect) = 0;
    // Copies only the monochrome setting.
    virtual void Assign(TCanvas3D* Source);
    virtual void Projection(int MaxDepth, const TRect& ABounds, const TRect& ARect) = 0;
    virtual void ShowImage(TCanvas* DestCanvas, TCanvas* DefaultCanvas, const TRect& UserRect) = 0;
    virtual bool ReDrawBitmap() = 0;
    virtual void Arrow(bool Filled, const TPoint& FromPoint, const TPoint& ToPoint, int ArrowWidth, int ArrowHeight,
                       int Z) = 0;
    virtual void ClipCube(const TRect& Rect, int MinZ, int MaxZ) = 0;
    virtual void Cone(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D,
                      int ConePercent) = 0;
    virtual void Cube(int Left, int Right, int Top, int Bottom, int Z0, int Z1, bool DarkSides = true) = 0;
    virtual void Cylinder(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D) = 0;
    virtual void DisableRotation() {}
    virtual void EllipseWithZ(int X1, int Y1, int X2, int Y2, int Z) = 0;
    virtual void EnableRotation() {}
    virtual void HorizLine3D(int Left, int Right, int Y, int Z) = 0;
    virtual void VertLine3D(int X, int Top, int Bottom, int Z) = 0;
    virtual void ZLine3D(int X, int Y, int Z0, int Z1) = 0;
    virtual void FrontPlaneBegin();
    virtual void FrontPlaneEnd();
    virtual void LineWithZ(int X0, int Y0, int X1, int Y1, int Z) = 0;
    virtual void MoveTo3D(int X, int Y, int Z) = 0;
    virtual void LineTo3D(int X, int Y, int Z) = 0;
    // LineTo to each point in turn (LineTo3D at depth Z when In3D); a canvas may draw the
    // run in one go with the same result.
    virtual void PolylineTo(std::span<const TPoint> Points, bool In3D, int Z);
    // Angles in radians.
    virtual void Pie3D(int XCenter, int YCenter, int XRadius, int YRadius, int Z0, int Z1, double StartAngle,
                       double EndAngle, bool DarkSides, bool DrawSides, int DonutPercent = 0,
                       TCustomTeeGradient* Gradient = nullptr) = 0;
    virtual void Plane3D(const TPoint& A, const TPoint& B, int Z0, int Z1) = 0;
    virtual void PlaneWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, const TPoint& P4, int Z) = 0;
    virtual void PlaneFour3D(TFourPoints& Points, int Z0, int Z1) = 0;
    virtual void PolygonWithZ(std::span<const TPoint> Points, int Z) = 0;
    virtual void Polyline(std::span<const TPoint> Points, int Z) = 0;
    virtual void Pyramid(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool DarkSides) = 0;
    virtual void PyramidTrunc(const TRect& R, int StartZ, int EndZ, int TruncX, int TruncZ) = 0;
    virtual void RectangleWithZ(const TRect& Rect, int Z) = 0;
    virtual void RectangleY(int Left, int Top, int Right, int Z0, int Z1) = 0;
    virtual void RectangleZ(int Left, int Top, int Bottom, int Z0, int Z1) = 0;
    virtual void RotateLabel3D(int X, int Y, int Z, const AnsiString& St, double RotDegree) = 0;
    virtual void Sphere(int X, int Y, int Z, double Radius) = 0;
    virtual void Surface3D(TTeeCanvasSurfaceStyle Style, bool SameBrush, int NumXValues, int NumZValues,
                           const TTeeCanvasCalcPoints& CalcPoints) = 0;
    virtual void TextOut3D(int X, int Y, int Z, const AnsiString& Text) = 0;
    virtual void Triangle3D(const TTrianglePoints3D& Points, const TTriangleColors3D& Colors) = 0;
    virtual void TriangleWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, int Z) = 0;

    // ---- non-virtual operations (through the virtual mapping, so for any 3D canvas)
    TPoint Calculate3DPosition(const TPoint3D& P) { return Calculate3DPosition(P.X, P.Y, P.Z); }
    TPoint Calculate3DPosition(const TPoint& P, int Z) { return Calculate3DPosition(P.X, P.Y, Z); }
    TRect CalcRect3D(const TRect& R, int Z);
    TFourPoints FourPointsFromRect(const TRect& R, int Z);
    TRect RectFromRectZ(const TRect& R, int Z);
    void LineWithZ(const TPoint& P0, const TPoint& P1, int Z) { LineWithZ(P0.X, P0.Y, P1.X, P1.Y, Z); }
    void Cube(const TRect& R, int Z0, int Z1, bool DarkSides = true)
    {
        Cube(R.Left, R.Right, R.Top, R.Bottom, Z0, Z1, DarkSides);
    }
    void MoveTo3D(const TPoint3D& P) { MoveTo3D(P.X, P.Y, P.Z); }
    void LineTo3D(const TPoint3D& P) { LineTo3D(P.X, P.Y, P.Z); }
    void Rectangle(const TRect& R, int Z) { RectangleWithZ(R, Z); }
    void Rectangle(int Left, int Top, int Right, int Bottom, int Z)
    {
        RectangleWithZ(TRect(Left, Top, Right, Bottom), Z);
    }
    void PlaneWithZ(const TFourPoints& P, int Z) { PlaneWithZ(P[0], P[1], P[2], P[3], Z); }
    // An ellipse in the plane Z turned by Angle degrees about its centre.
    void RotatedEllipse(int Left, int Top, int Right, int Bottom, int Z, double Angle);
    // A picture laid on the plane Z, one filled quadrilateral per picture pixel.
    void StretchDraw(const TRect& Rect, TGraphic* Graphic, int Z);
    // The box and radial points of a pie call as start and end angles in degrees.
    void CalcPieAngles(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4, double& StartAngle,
                       double& EndAngle);

    // ---- state
    TView3DOptions* View3DOptions = nullptr;
    int FrontPlaneCount = 0;
    bool IsOrthogonal = false;
    struct {
        double X = 0, Y = 0, Z = 0;
    } RotationCenter;
    int XCenter = 0, YCenter = 0, ZCenter = 0;
    int XCenterOffset = 0, YCenterOffset = 0;
};

class TTeeCanvas3D : public TCanvas3D {
public:
    TTeeCanvas3D();
    ~TTeeCanvas3D() override;

    using TCanvas3D::Calculate3DPosition;
    using TCanvas3D::Cube;
    using TCanvas3D::LineTo3D;
    using TCanvas3D::LineWithZ;
    using TCanvas3D::MoveTo3D;
    using TCanvas3D::PlaneWithZ;
    using TCanvas3D::Polyline;
    using TCanvas3D::Rectangle;
    using TCanvas3D::StretchDraw;
    using TTeeCanvas::Ellipse;
    using TTeeCanvas::Line;
    using TTeeCanvas::RoundRect;
    using TTeeCanvas::TextOut;

    // ---- TTeeCanvas
    TColor GetBackColor() override;
    TCanvasBackMode GetBackMode() override;
    TCanvas* GetHandle() override { return Canvas; }
    bool GetMonochrome() override { return Monochrome; }
    TColor GetPixel(int X, int Y) override;
    bool GetSupportsFullRotation() override { return false; }
    int GetTextAlign() override;
    bool GetUseBuffer() override { return BufferedDisplay; }
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
    void ClipRectangle(const TRect& Rect) override;
    using TTeeCanvas::ClipRectangle;
    void DoHorizLine(int X0, int X1, int Y) override;
    void DoVertLine(int X, int Y0, int Y1) override;
    void EraseBackground(const TRect& Rect) override { FillRect(Rect); }
    void GradientFill(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction,
                      int Balance = 50) override;
    void Invalidate() override { Dirty = true; }
    void Line(int X0, int Y0, int X1, int Y1) override;
    void Polyline(std::span<const TPoint> Points) override;
    void Polygon(std::span<const TPoint> Points) override;
    void RotateLabel(int X, int Y, const AnsiString& St, double RotDegree) override;
    void UnClipRectangle() override;

    // ---- TCanvas3D
    TColor GetPixel3D(int X, int Y, int Z) override;
    bool GetSupports3DText() override { return false; }
    void SetPixel3D(int X, int Y, int Z, TColor Value) override;
    void Calculate2DPosition(int& X, int& Y, int Z) override;
    TPoint Calculate3DPosition(int X, int Y, int Z) override;
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
    void Cylinder(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D) override;
    void DisableRotation() override;
    void EllipseWithZ(int X1, int Y1, int X2, int Y2, int Z) override;
    void EnableRotation() override;
    void HorizLine3D(int Left, int Right, int Y, int Z) override;
    void VertLine3D(int X, int Top, int Bottom, int Z) override;
    void ZLine3D(int X, int Y, int Z0, int Z1) override;
    void LineWithZ(int X0, int Y0, int X1, int Y1, int Z) override;
    void MoveTo3D(int X, int Y, int Z) override;
    void LineTo3D(int X, int Y, int Z) override;
    void PolylineTo(std::span<const TPoint> Points, bool In3D, int Z) override;
    void Pie3D(int XCenter, int YCenter, int XRadius, int YRadius, int Z0, int Z1, double StartAngle, double EndAngle,
               bool DarkSides, bool DrawSides, int DonutPercent = 0, TCustomTeeGradient* Gradient = nullptr) override;
    void Plane3D(const TPoint& A, const TPoint& B, int Z0, int Z1) override;
    void PlaneWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, const TPoint& P4, int Z) override;
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

    // The 3D projection again from the current view options, between draws (a tool that
    // turns the view without repainting draws in the new projection).
    void RecalcProjection(int MaxDepth, const TRect& ARect);

    // ---- virtual operations added here
    // Fills and outlines FourPoints with the current pen and brush.
    virtual void PolygonFour();
    // Maps the four corners into FourPoints and fills them (PolygonFour).
    void PolygonFour3D(const std::array<TPoint3D, 4>& Corners);
    virtual void DeleteBitmap();
    virtual void TransferBitmap(int Left, int Top, TCanvas* ACanvas);

    // ---- the forward mapping
    void Calc3DPos(int& X, int& Y, int Z) const;
    void Calc3DPoint(TPoint& P, int X, int Y, int Z) const;
    void Calc3DPoint(TPoint& P, double X, double Y, int Z) const;
    void Calc3DTPoint(TPoint& P, int Z) const { Calc3DPos(P.X, P.Y, Z); }
    TPoint Calc3DTPoint3D(const TPoint3D& P) const;
    // Result[i] = the mapping of Points[i] at Z.
    void Calc3DPoints(std::span<const TPoint> Points, std::vector<TPoint>& Result, int Z);
    // 64 points of the ellipse in the box at depth Z; point 63 closes onto point 0.
    void GetCirclePoints(std::array<TPoint, 64>& P, int X1, int Y1, int X2, int Y2, int Z);

    // ---- state of the projection and buffer
    // The trigonometric values, the inverse coefficients and the perspective factor are
    // doubles on purpose rather than 80-bit extended floats (which not every platform has):
    // a projected point may land one pixel off where its exact value is a rounding tie.
    double SinElevation = 0, SinRotation = 0, SinTilt = 0;
    double CosElevation = 0, CosRotation = 0, CosTilt = 0;
    double InverseCoef0 = 0, InverseCoef1 = 0, InverseCoef2 = 0, InverseCoef3 = 0, InverseCoef4 = 0, InverseCoef5 = 0;
    bool SavedIs3D = false;
    std::unique_ptr<TBitmap> Bitmap;
    bool Dirty = true;
    bool Monochrome = false;
    bool HasPerspective = false;
    bool IsTilted = false;
    double OrthoX = 0, OrthoY = 0;
    double PerspectiveFactor = 0;
    double ZoomFactor = 0;
    bool ZoomText = true;
    bool BufferedDisplay = true;
    bool Is3D = false;
    TFourPoints FourPoints{};

private:
    void ReadViewOptions(TView3DOptions* A3DOptions, bool AIs3D);
    void CalcTrigValues();
    void CalcPerspective(const TRect& Rect);
    // The rotated and elevated point (x, y, z taken from the centre) before tilting: its
    // horizontal and vertical parts and the zoom with perspective.
    void Rotate(double x, double y, double z, double& u, double& v, double& scale) const;
};

// Raised by canvas operations whose drawing is not available in this build.
class ECanvasNotBuilt : public Exception {
public:
    using Exception::Exception;
};
