// Canvas operations whose drawing comes with the text, clipping, solid, round-shape,
// gradient and shadow code. Until that code is in place each raises ECanvasNotBuilt, so a
// missing drawing is never mistaken for an empty one. Each group moves to its own file.
#include "chart/engine/TeCanvas.h"

namespace {
[[noreturn]] void NotBuilt(const char* operation) {
    throw ECanvasNotBuilt(std::string("Canvas operation not available yet: ") + operation);
}
}  // namespace

// ---- text and clipping

void TTeeCanvas::TextOut(int X, int Y, const AnsiString& Text, bool AllowHtml) {
    if (AllowHtml) NotBuilt("TextOut with HTML");
    TextOut(X, Y, Text);
}

// ---- solids

void TTeeCanvas3D::Arrow(bool, const TPoint&, const TPoint&, int, int, int) { NotBuilt("Arrow"); }
void TTeeCanvas3D::Cone(bool, int, int, int, int, int, int, bool, int) { NotBuilt("Cone"); }
void TTeeCanvas3D::Cube(int, int, int, int, int, int, bool) { NotBuilt("Cube"); }
void TTeeCanvas3D::Cylinder(bool, int, int, int, int, int, int, bool) { NotBuilt("Cylinder"); }
void TTeeCanvas3D::Plane3D(const TPoint&, const TPoint&, int, int) { NotBuilt("Plane3D"); }
void TTeeCanvas3D::PlaneFour3D(TFourPoints&, int, int) { NotBuilt("PlaneFour3D"); }
void TTeeCanvas3D::Pyramid(bool, int, int, int, int, int, int, bool) { NotBuilt("Pyramid"); }
void TTeeCanvas3D::PyramidTrunc(const TRect&, int, int, int, int) { NotBuilt("PyramidTrunc"); }
void TTeeCanvas3D::RectangleY(int, int, int, int, int) { NotBuilt("RectangleY"); }
void TTeeCanvas3D::RectangleZ(int, int, int, int, int) { NotBuilt("RectangleZ"); }
void TTeeCanvas3D::Triangle3D(const TTrianglePoints3D&, const TTriangleColors3D&) { NotBuilt("Triangle3D"); }

// ---- ellipses, pies and rotated text

void TTeeCanvas3D::EllipseWithZ(int, int, int, int, int) { NotBuilt("EllipseWithZ"); }
void TTeeCanvas3D::GetCirclePoints(std::array<TPoint, 64>&, int, int, int, int, int) { NotBuilt("GetCirclePoints"); }
void TTeeCanvas3D::Donut(int, int, int, int, double, double, double) { NotBuilt("Donut"); }
void TTeeCanvas3D::Pie3D(int, int, int, int, int, int, double, double, bool, bool, int, TCustomTeeGradient*) {
    NotBuilt("Pie3D");
}
void TTeeCanvas3D::RotateLabel(int, int, const AnsiString&, double) { NotBuilt("RotateLabel"); }
void TTeeCanvas3D::RotateLabel3D(int, int, int, const AnsiString&, double) { NotBuilt("RotateLabel3D"); }
