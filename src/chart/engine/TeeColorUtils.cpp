#include "chart/engine/TeeColorUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/Round.h"

namespace {

int Channel(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, 0, 255));
}

// Exponent step of the balance curve.
constexpr double BalanceFactor = 0.015;

}  // namespace

TColor TeeGrayColor(TColor Color)
{
    const TColor c = ColorToRGB(Color);
    const int g = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
    return RGB(g, g, g);
}

TGradientRamp TGradientRamp::FromColors(TColor StartColor, TColor EndColor)
{
    const TColor s = ColorToRGB(StartColor);
    const TColor e = ColorToRGB(EndColor);
    TGradientRamp r;
    r.R0 = GetRValue(s);
    r.G0 = GetGValue(s);
    r.B0 = GetBValue(s);
    r.DR = GetRValue(e) - r.R0;
    r.DG = GetGValue(e) - r.G0;
    r.DB = GetBValue(e) - r.B0;
    return r;
}

TColor TGradientRamp::At(int Step, int Steps, int Balance) const
{
    if (Steps <= 0) return RGB(Channel(R0), Channel(G0), Channel(B0));
    if (Balance == 50) {
        auto lin = [&](int start, int delta) { return Channel(start + std::int64_t(delta) * Step / Steps); };
        return RGB(lin(R0, DR), lin(G0, DG), lin(B0, DB));
    }
    // A balance far below 0 (from a stored chart) would turn the curve past the end colour.
    const double f =
        std::clamp(std::exp(std::log((1.0 + Step) / (1.0 + Steps)) * (Balance * BalanceFactor + 0.5)), 0.0, 1.0);
    auto curve = [&](int start, int delta) { return Channel(start + std::int64_t(Round(delta * f))); };
    return RGB(curve(R0, DR), curve(G0, DG), curve(B0, DB));
}

TPoint PointAtDistance(TPoint From, TPoint To, int Distance)
{
    TPoint result = To;
    if (From.X == To.X) {
        if (To.Y >= From.Y)
            result.Y -= Distance;
        else
            result.Y += Distance;
    } else {
        const double a = std::atan2(double(To.Y) - From.Y, double(To.X) - From.X);
        result.X -= Round(Distance * std::cos(a));
        result.Y -= Round(Distance * std::sin(a));
    }
    return result;
}

double TeeDistance(double x, double y)
{
    return std::sqrt(x * x + y * y);
}
void SwapDouble(double& a, double& b)
{
    std::swap(a, b);
}
void SwapInteger(int& a, int& b)
{
    std::swap(a, b);
}
