#include "chart/series/TCircledSeries.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "platform/Round.h"

TCircledSeries::TCircledSeries(QObject* owner) : TChartSeries(owner)
{
    FGradient = new TTeeGradient([this](QObject*) { CanvasChanged(); }, this);
    FX->SetName(TeeMsg_ValuesAngle);
    UseVisibleRange = false;
}

TCircledSeries::~TCircledSeries()
{
    // The chart gets its own view back even while this series is still active in it.
    SetBackupProperties();
}

void TCircledSeries::Assign(const TCustomChartElement& source)
{
    if (auto* s = qobject_cast<const TCircledSeries*>(&source)) {
        FCircled = s->FCircled;
        SetRotationAngle(s->FRotationAngle);
        FCustomXRadius = s->FCustomXRadius;
        FCustomYRadius = s->FCustomYRadius;
        FCircleBackColor = s->FCircleBackColor;
        FGradient->Assign(s->FGradient);
    }
    TChartSeries::Assign(source);
}

void TCircledSeries::SetActive(bool value)
{
    TChartSeries::SetActive(value);
    SetParentProperties(!GetActive());
}

void TCircledSeries::SetParentChart(IChartHost* value)
{
    if (!value) SetBackupProperties();
    if (value == FParentChart) return;
    TChartSeries::SetParentChart(value);
    if (FParentChart) SetParentProperties(false);
}

bool TCircledSeries::IsSameOrParentClass(const TChartSeries* other) const
{
    // "other is of this class or a parent class of it": this object inherits other's class.
    return other && inherits(other->metaObject()->className());
}

std::vector<TCircledSeries*> TCircledSeries::RelatedSeries() const
{
    std::vector<TCircledSeries*> result;
    if (!FParentChart || !FParentChart->SeriesList()) return result;
    for (TChartSeries* s : *FParentChart->SeriesList())
        if (auto* c = qobject_cast<TCircledSeries*>(s); c && c != this && IsSameOrParentClass(c)) result.push_back(c);
    return result;
}

void TCircledSeries::SetCircled(bool value)
{
    SetBooleanProperty(FCircled, value);
    for (TCircledSeries* c : RelatedSeries()) {
        c->FCircled = value;
        if (!c->IsLoading()) {
            c->FCustomXRadius = 0;
            c->FCustomYRadius = 0;
        }
    }
}

void TCircledSeries::SetCustomXRadius(int value)
{
    SetIntegerProperty(FCustomXRadius, value);
    for (TCircledSeries* c : RelatedSeries()) c->FCustomXRadius = value;
}

void TCircledSeries::SetCustomYRadius(int value)
{
    SetIntegerProperty(FCustomYRadius, value);
    for (TCircledSeries* c : RelatedSeries()) c->FCustomYRadius = value;
}

void TCircledSeries::SetRotationAngle(int value)
{
    // C++ % keeps the sign of the dividend, as the stored angle must.
    SetIntegerProperty(FRotationAngle, value % 360);
    FRotation = FRotationAngle * (std::numbers::pi / 180.0);
}

TRect TCircledSeries::CirclePlotRect() const
{
    ISeriesHost* host = SeriesHost();
    return host ? host->GetChartRect() : TRect();
}

void TCircledSeries::AdjustCircleRect()
{
    TRect& r = FCircleRect;
    if ((r.Right - r.Left) % 2 != 0) --r.Right;
    if ((r.Bottom - r.Top) % 2 != 0) --r.Bottom;
    if (r.Right - r.Left < 4) r.Right = r.Left + 4;
    if (r.Bottom - r.Top < 4) r.Bottom = r.Top + 4;
    FCircleWidth = r.Right - r.Left;
    FCircleHeight = r.Bottom - r.Top;
    FCircleXCenter = (r.Left + r.Right) / 2;
    FCircleYCenter = (r.Top + r.Bottom) / 2;
}

void TCircledSeries::InsetCircleRect(int dx, int dy)
{
    FCircleRect.Left += dx;
    FCircleRect.Right -= dx;
    FCircleRect.Top += dy;
    FCircleRect.Bottom -= dy;
    AdjustCircleRect();
}

void TCircledSeries::CalcRadius()
{
    if (FCustomXRadius != 0) {
        FRadiusX = FCustomXRadius;
        FCircleWidth = 2 * FRadiusX;
    } else
        FRadiusX = FCircleWidth >> 1;
    if (FCustomYRadius != 0) {
        FRadiusY = FCustomYRadius;
        FCircleHeight = 2 * FRadiusY;
    } else
        FRadiusY = FCircleHeight >> 1;
    FCircleRect = TRect(FCircleXCenter - FRadiusX, FCircleYCenter - FRadiusY, FCircleXCenter + FRadiusX,
                        FCircleYCenter + FRadiusY);
}

void TCircledSeries::DoBeforeDrawValues()
{
    TChartSeries::DoBeforeDrawValues();
    ISeriesHost* host = SeriesHost();
    FCircleRect = CirclePlotRect();
    AdjustCircleRect();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (FMarks->GetVisible() && canvas) {
        int m = FMarks->GetCallout()->GetLength();
        if (FMarks->GetPen()->GetVisible()) m += 2 * FMarks->GetPen()->GetWidth();
        canvas->AssignFont(FMarks->GetFont());
        InsetCircleRect(canvas->TextWidth("W") + host->MaxMarkWidth() + m, canvas->GetFontHeight() + m);
    } else
        CheckOtherSeriesMarks();
    if (FCircled) {
        // Pixels are square on every display this program runs on: the screen and the
        // device give the same aspect, so the ratio is 1.
        const double ratio = 1.0;
        CalcRadius();
        if (FRadiusX > Round(FRadiusY * ratio))
            InsetCircleRect(FRadiusX - Round(FRadiusY * ratio), 0);
        else
            InsetCircleRect(0, FRadiusY - Round(FRadiusX / ratio));
    }
    CalcRadius();
}

void TCircledSeries::CheckOtherSeriesMarks()
{
    if (!FParentChart || !FParentChart->SeriesList()) return;
    TChartSeriesList& list = *FParentChart->SeriesList();
    const int mine = list.IndexOf(this);
    for (int i = 0; i < list.Count(); ++i) {
        auto* c = qobject_cast<TCircledSeries*>(list[i]);
        if (!c || c == this || !c->GetActive() || !SameClass(c) || !c->Marks()->GetVisible()) continue;
        if (i > mine) c->DoBeforeDrawValues();
        FCircleRect = c->FCircleRect;
        AdjustCircleRect();
        CalcRadius();
        return;
    }
}

void TCircledSeries::AngleToPos(double angle, double xRadius, double yRadius, int& x, int& y) const
{
    const double a = FRotation + angle;
    x = FCircleXCenter + Round(std::cos(a) * xRadius);
    y = FCircleYCenter - Round(std::sin(a) * yRadius);
}

double TCircledSeries::PointToAngle(int x, int y) const
{
    constexpr double twoPi = 2 * std::numbers::pi;
    double result;
    if (x != FCircleXCenter) {
        if (FRadiusX == 0 || FRadiusY == 0)
            result = 0;
        else
            result = std::atan2(static_cast<double>(FCircleYCenter - y) / FRadiusY,
                                static_cast<double>(x - FCircleXCenter) / FRadiusX);
    } else
        result = y <= FCircleYCenter ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    if (result < 0) result += twoPi;
    result -= FRotation;
    if (result < 0) result += twoPi;
    return result;
}

double TCircledSeries::PointToRadius(int x, int y) const
{
    TChartAxis* axis = GetVertAxis();
    if (!axis) return 0;
    const double r = axis->GetMaximum() - axis->GetMinimum();
    if (r == 0 || FRadiusX == 0 || FRadiusY == 0) return 0;
    const double dx = (x - FCircleXCenter) * r / FRadiusX;
    const double dy = (y - FCircleYCenter) * r / FRadiusY;
    return std::sqrt(dx * dx + dy * dy) + axis->GetMinimum();
}

TColor TCircledSeries::CalcCircleBackColor() const
{
    TColor result = FCircleBackColor;
    if (result != clDefault) return result;
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    if (chart) {
        if (chart->Printing)
            result = clWhite;
        else if (!chart->GetBackWall()->GetTransparent())
            result = chart->GetBackWall()->GetColor();
    }
    if (result == clDefault) {
        ISeriesHost* host = SeriesHost();
        if (host) result = host->GetBackColor();
    }
    return result;
}

void TCircledSeries::PrepareLegendCanvas(int, TColor& backColor, TBrushStyle&)
{
    backColor = CalcCircleBackColor();
}

void TCircledSeries::DrawCircleGradient()
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const bool view3D = host->GetView3D();
    TView3DOptions* options = host->GetView3DOptions();
    if (view3D && options && !options->GetOrthogonal()) return;
    const int left = FCircleXCenter + 1 - FCircleWidth / 2;
    const int top = FCircleYCenter + 1 - FCircleHeight / 2;
    TRect r(left, top, left + FCircleWidth, top + FCircleHeight);
    if (view3D) r = canvas->CalcRect3D(r, EndZ);
    canvas->ClipEllipse(r);
    FGradient->Draw(canvas, r);
    canvas->UnClipRectangle();
}

void TCircledSeries::SetBackupProperties()
{
    ISeriesHost* host = SeriesHost();
    if (FSavedView && host && !host->IsDestroying() && host->GetView3DOptions())
        host->GetView3DOptions()->Assign(FSavedView.get());
    FSavedView.reset();
}

void TCircledSeries::SetParentProperties(bool enableParentProps)
{
    ISeriesHost* host = SeriesHost();
    if (!host || host->IsDestroying()) return;
    TCanvas3D* canvas = host->GetCanvas();
    TView3DOptions* options = host->GetView3DOptions();
    if ((canvas && canvas->GetSupportsFullRotation()) || !options) return;
    if (enableParentProps && (!GetActive() || DesignState))
        SetBackupProperties();
    else if (!enableParentProps && !FSavedView) {
        FSavedView = std::make_unique<TView3DOptions>(nullptr);
        FSavedView->Assign(options);
        InitCustom3DOptions();
    }
}
