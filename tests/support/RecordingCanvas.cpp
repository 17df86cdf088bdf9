#include "support/RecordingCanvas.h"

#include <charconv>

namespace support {

namespace {
std::string Arg(int v)
{
    return std::to_string(v);
}
std::string Arg(bool v)
{
    return v ? "true" : "false";
}
std::string Arg(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}
std::string Arg(const AnsiString& s)
{
    return "\"" + s + "\"";
}
std::string Arg(const TPoint& p)
{
    return "(" + Arg(p.X) + "," + Arg(p.Y) + ")";
}
std::string Arg(const TPoint3D& p)
{
    return "(" + Arg(p.X) + "," + Arg(p.Y) + "," + Arg(p.Z) + ")";
}
std::string Arg(const TRect& r)
{
    return "(" + Arg(r.Left) + "," + Arg(r.Top) + "," + Arg(r.Right) + "," + Arg(r.Bottom) + ")";
}
std::string Arg(std::span<const TPoint> pts)
{
    std::string s = "[";
    for (std::size_t i = 0; i < pts.size(); ++i) s += (i ? "," : "") + Arg(pts[i]);
    return s + "]";
}
std::string Arg(const void* p)
{
    return p ? "ptr" : "null";
}

template <typename... A>
std::string Call(const char* name, const A&... args)
{
    std::string s = std::string(name) + "(";
    bool first = true;
    ((s += (first ? "" : ","), s += Arg(args), first = false), ...);
    return s + ")";
}
std::string Colour(TColor c)
{
    return "0x" + IntToHex(c, 6);
}
}  // namespace

TRecordingCanvas::TRecordingCanvas()
{
    SetCanvas(&FDevice);
}
TRecordingCanvas::~TRecordingCanvas() = default;

std::vector<std::string> TRecordingCanvas::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& c : Calls)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

int TRecordingCanvas::IndexOf(const std::string& call) const
{
    for (std::size_t i = 0; i < Calls.size(); ++i)
        if (Calls[i] == call) return int(i);
    return -1;
}

void TRecordingCanvas::SetBackColor(TColor Color)
{
    FBackColor = Color;
    Calls.push_back("SetBackColor(" + Colour(Color) + ")");
}
void TRecordingCanvas::SetBackMode(TCanvasBackMode Mode)
{
    FBackMode = Mode;
    Calls.push_back(Call("SetBackMode", int(Mode)));
}
void TRecordingCanvas::SetMonochrome(bool Value)
{
    FMonochrome = Value;
    Calls.push_back(Call("SetMonochrome", Value));
}
void TRecordingCanvas::SetPixel(int X, int Y, TColor Value)
{
    Calls.push_back(Call("SetPixel", X, Y) + ":" + Colour(Value));
}
void TRecordingCanvas::SetTextAlign(int Align)
{
    FTextAlign = Align;
    Calls.push_back(Call("SetTextAlign", Align));
}
void TRecordingCanvas::SetUseBuffer(bool Value)
{
    FUseBuffer = Value;
    Calls.push_back(Call("SetUseBuffer", Value));
}
void TRecordingCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Calls.push_back(Call("Arc", X1, Y1, X2, Y2, X3, Y3, X4, Y4));
}
void TRecordingCanvas::Donut(int AXCenter, int AYCenter, int XRadius, int YRadius, double StartAngle, double EndAngle,
                             double HolePercent)
{
    Calls.push_back(Call("Donut", AXCenter, AYCenter, XRadius, YRadius, StartAngle, EndAngle, HolePercent));
}
void TRecordingCanvas::Draw(int X, int Y, TGraphic* Graphic)
{
    Calls.push_back(Call("Draw", X, Y, (const void*)Graphic));
}
void TRecordingCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Calls.push_back(Call("Ellipse", X1, Y1, X2, Y2));
}
void TRecordingCanvas::FillRect(const TRect& Rect)
{
    Calls.push_back(Call("FillRect", Rect));
}
void TRecordingCanvas::LineTo(int X, int Y)
{
    Calls.push_back(Call("LineTo", X, Y));
}
void TRecordingCanvas::MoveTo(int X, int Y)
{
    Calls.push_back(Call("MoveTo", X, Y));
}
void TRecordingCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Calls.push_back(Call("Pie", X1, Y1, X2, Y2, X3, Y3, X4, Y4));
}
void TRecordingCanvas::Rectangle(int X0, int Y0, int X1, int Y1)
{
    Calls.push_back(Call("Rectangle", X0, Y0, X1, Y1));
}
void TRecordingCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Calls.push_back(Call("RoundRect", X1, Y1, X2, Y2, X3, Y3));
}
void TRecordingCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic)
{
    Calls.push_back(Call("StretchDraw", Rect, (const void*)Graphic));
}
void TRecordingCanvas::TextOut(int X, int Y, const AnsiString& Text)
{
    Calls.push_back(Call("TextOut", X, Y, Text));
}
int TRecordingCanvas::TextWidth(const AnsiString& St)
{
    return CharWidth * int(St.size());
}
int TRecordingCanvas::TextHeight(const AnsiString&)
{
    return LineHeight;
}
void TRecordingCanvas::ClipRectangle(const TRect& Rect)
{
    Calls.push_back(Call("ClipRectangle", Rect));
}
void TRecordingCanvas::ClipRectangle(const TRect& Rect, int RoundSize)
{
    Calls.push_back(Call("ClipRectangle", Rect, RoundSize));
}
void TRecordingCanvas::ClipEllipse(const TRect& Rect, bool Inverted)
{
    Calls.push_back(Call("ClipEllipse", Rect, Inverted));
}
void TRecordingCanvas::ClipPolygon(TPoint* Points, int NumPoints)
{
    Calls.push_back(Call("ClipPolygon", std::span<const TPoint>(Points, std::size_t(std::max(NumPoints, 0)))));
}
void TRecordingCanvas::DoHorizLine(int X0, int X1, int Y)
{
    Calls.push_back(Call("DoHorizLine", X0, X1, Y));
}
void TRecordingCanvas::DoVertLine(int X, int Y0, int Y1)
{
    Calls.push_back(Call("DoVertLine", X, Y0, Y1));
}
void TRecordingCanvas::EraseBackground(const TRect& Rect)
{
    Calls.push_back(Call("EraseBackground", Rect));
}
void TRecordingCanvas::GradientFill(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction,
                                    int Balance)
{
    Calls.push_back("GradientFill(" + Arg(Rect) + "," + Colour(StartColor) + "," + Colour(EndColor) + "," +
                    Arg(int(Direction)) + "," + Arg(Balance) + ")");
}
void TRecordingCanvas::Invalidate()
{
    Calls.push_back("Invalidate()");
}
void TRecordingCanvas::Line(int X0, int Y0, int X1, int Y1)
{
    Calls.push_back(Call("Line", X0, Y0, X1, Y1));
}
void TRecordingCanvas::Polyline(std::span<const TPoint> Points)
{
    Calls.push_back(Call("Polyline", Points));
}
void TRecordingCanvas::Polygon(std::span<const TPoint> Points)
{
    Calls.push_back(Call("Polygon", Points));
}
void TRecordingCanvas::RotateLabel(int X, int Y, const AnsiString& St, double RotDegree)
{
    Calls.push_back(Call("RotateLabel", X, Y, St, RotDegree));
}
void TRecordingCanvas::UnClipRectangle()
{
    Calls.push_back("UnClipRectangle()");
}
void TRecordingCanvas::SetPixel3D(int X, int Y, int Z, TColor Value)
{
    Calls.push_back(Call("SetPixel3D", X, Y, Z) + ":" + Colour(Value));
}
TRect TRecordingCanvas::InitWindow(TCanvas*, TView3DOptions* A3DOptions, TColor ABackColor, bool Is3D,
                                   const TRect& UserRect)
{
    View3DOptions = A3DOptions;
    Bounds = UserRect;
    Calls.push_back("InitWindow(" + Colour(ABackColor) + "," + Arg(Is3D) + "," + Arg(UserRect) + ")");
    return UserRect;
}
void TRecordingCanvas::Projection(int MaxDepth, const TRect& ABounds, const TRect& ARect)
{
    Calls.push_back(Call("Projection", MaxDepth, ABounds, ARect));
}
void TRecordingCanvas::ShowImage(TCanvas*, TCanvas*, const TRect& UserRect)
{
    Calls.push_back(Call("ShowImage", UserRect));
}
bool TRecordingCanvas::ReDrawBitmap()
{
    Calls.push_back("ReDrawBitmap()");
    return false;
}
void TRecordingCanvas::Arrow(bool Filled, const TPoint& FromPoint, const TPoint& ToPoint, int ArrowWidth,
                             int ArrowHeight, int Z)
{
    Calls.push_back(Call("Arrow", Filled, FromPoint, ToPoint, ArrowWidth, ArrowHeight, Z));
}
void TRecordingCanvas::ClipCube(const TRect& Rect, int MinZ, int MaxZ)
{
    Calls.push_back(Call("ClipCube", Rect, MinZ, MaxZ));
}
void TRecordingCanvas::Cone(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D,
                            int ConePercent)
{
    Calls.push_back(Call("Cone", Vertical, Left, Top, Right, Bottom, Z0, Z1, Dark3D, ConePercent));
}
void TRecordingCanvas::Cube(int Left, int Right, int Top, int Bottom, int Z0, int Z1, bool DarkSides)
{
    Calls.push_back(Call("Cube", Left, Right, Top, Bottom, Z0, Z1, DarkSides));
}
void TRecordingCanvas::Cylinder(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D)
{
    Calls.push_back(Call("Cylinder", Vertical, Left, Top, Right, Bottom, Z0, Z1, Dark3D));
}
void TRecordingCanvas::DisableRotation()
{
    Calls.push_back("DisableRotation()");
}
void TRecordingCanvas::EnableRotation()
{
    Calls.push_back("EnableRotation()");
}
void TRecordingCanvas::EllipseWithZ(int X1, int Y1, int X2, int Y2, int Z)
{
    Calls.push_back(Call("EllipseWithZ", X1, Y1, X2, Y2, Z));
}
void TRecordingCanvas::HorizLine3D(int Left, int Right, int Y, int Z)
{
    Calls.push_back(Call("HorizLine3D", Left, Right, Y, Z));
}
void TRecordingCanvas::VertLine3D(int X, int Top, int Bottom, int Z)
{
    Calls.push_back(Call("VertLine3D", X, Top, Bottom, Z));
}
void TRecordingCanvas::ZLine3D(int X, int Y, int Z0, int Z1)
{
    Calls.push_back(Call("ZLine3D", X, Y, Z0, Z1));
}
void TRecordingCanvas::LineWithZ(int X0, int Y0, int X1, int Y1, int Z)
{
    Calls.push_back(Call("LineWithZ", X0, Y0, X1, Y1, Z));
}
void TRecordingCanvas::MoveTo3D(int X, int Y, int Z)
{
    Calls.push_back(Call("MoveTo3D", X, Y, Z));
}
void TRecordingCanvas::LineTo3D(int X, int Y, int Z)
{
    Calls.push_back(Call("LineTo3D", X, Y, Z));
}
void TRecordingCanvas::Pie3D(int AXCenter, int AYCenter, int XRadius, int YRadius, int Z0, int Z1, double StartAngle,
                             double EndAngle, bool DarkSides, bool DrawSides, int DonutPercent,
                             TCustomTeeGradient* Gradient)
{
    Calls.push_back(Call("Pie3D", AXCenter, AYCenter, XRadius, YRadius, Z0, Z1, StartAngle, EndAngle, DarkSides,
                         DrawSides, DonutPercent, (const void*)Gradient));
}
void TRecordingCanvas::Plane3D(const TPoint& A, const TPoint& B, int Z0, int Z1)
{
    Calls.push_back(Call("Plane3D", A, B, Z0, Z1));
}
void TRecordingCanvas::PlaneWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, const TPoint& P4, int Z)
{
    Calls.push_back(Call("PlaneWithZ", P1, P2, P3, P4, Z));
}
void TRecordingCanvas::PlaneFour3D(TFourPoints& Points, int Z0, int Z1)
{
    Calls.push_back(Call("PlaneFour3D", std::span<const TPoint>(Points), Z0, Z1));
}
void TRecordingCanvas::PolygonWithZ(std::span<const TPoint> Points, int Z)
{
    Calls.push_back(Call("PolygonWithZ", Points, Z));
}
void TRecordingCanvas::Polyline(std::span<const TPoint> Points, int Z)
{
    Calls.push_back(Call("Polyline", Points, Z));
}
void TRecordingCanvas::Pyramid(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool DarkSides)
{
    Calls.push_back(Call("Pyramid", Vertical, Left, Top, Right, Bottom, Z0, Z1, DarkSides));
}
void TRecordingCanvas::PyramidTrunc(const TRect& R, int StartZ, int EndZ, int TruncX, int TruncZ)
{
    Calls.push_back(Call("PyramidTrunc", R, StartZ, EndZ, TruncX, TruncZ));
}
void TRecordingCanvas::RectangleWithZ(const TRect& Rect, int Z)
{
    Calls.push_back(Call("RectangleWithZ", Rect, Z));
}
void TRecordingCanvas::RectangleY(int Left, int Top, int Right, int Z0, int Z1)
{
    Calls.push_back(Call("RectangleY", Left, Top, Right, Z0, Z1));
}
void TRecordingCanvas::RectangleZ(int Left, int Top, int Bottom, int Z0, int Z1)
{
    Calls.push_back(Call("RectangleZ", Left, Top, Bottom, Z0, Z1));
}
void TRecordingCanvas::RotateLabel3D(int X, int Y, int Z, const AnsiString& St, double RotDegree)
{
    Calls.push_back(Call("RotateLabel3D", X, Y, Z, St, RotDegree));
}
void TRecordingCanvas::Sphere(int X, int Y, int Z, double Radius)
{
    Calls.push_back(Call("Sphere", X, Y, Z, Radius));
}
void TRecordingCanvas::Surface3D(TTeeCanvasSurfaceStyle Style, bool SameBrush, int NumXValues, int NumZValues,
                                 const TTeeCanvasCalcPoints&)
{
    Calls.push_back(Call("Surface3D", int(Style), SameBrush, NumXValues, NumZValues));
}
void TRecordingCanvas::TextOut3D(int X, int Y, int Z, const AnsiString& Text)
{
    Calls.push_back(Call("TextOut3D", X, Y, Z, Text));
}
void TRecordingCanvas::Triangle3D(const TTrianglePoints3D& Points, const TTriangleColors3D& Colors)
{
    Calls.push_back("Triangle3D(" + Arg(Points[0]) + "," + Arg(Points[1]) + "," + Arg(Points[2]) + "," +
                    Colour(Colors[0]) + "," + Colour(Colors[1]) + "," + Colour(Colors[2]) + ")");
}
void TRecordingCanvas::TriangleWithZ(const TPoint& P1, const TPoint& P2, const TPoint& P3, int Z)
{
    Calls.push_back(Call("TriangleWithZ", P1, P2, P3, Z));
}

}  // namespace support
