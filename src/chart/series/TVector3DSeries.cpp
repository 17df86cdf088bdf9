#include "chart/series/TVector3DSeries.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/SeriesValueLists.h"
#include "platform/Round.h"

TVector3DSeries::TVector3DSeries(QObject* owner) : TCustom3DPaletteSeries(owner)
{
    FEndX = new TChartValueList(this, TeeMsg_ValuesArrowEndX);
    FEndY = new TChartValueList(this, TeeMsg_ValuesArrowEndY);
    FEndZ = new TChartValueList(this, TeeMsg_ValuesVectorEndZ);
    const TNotifyEvent changed = [this](QObject*) { Repaint(); };
    FStartArrow = new TChartHiddenPen(changed, this);
    FStartArrow->SetColor(clDefault);
    FEndArrow = new TChartPen(changed, this);
    FEndArrow->SetColor(clDefault);
    FX->InitDateTime(false);
}

TVector3DSeries::~TVector3DSeries()
{
    FStartArrow->OnChange = nullptr;
    FEndArrow->OnChange = nullptr;
}

void TVector3DSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TVector3DSeries*>(&source); other && other != this) {
        FArrowHeight = other->FArrowHeight;
        FArrowWidth = other->FArrowWidth;
        SetStartArrow(other->FStartArrow);
        SetEndArrow(other->FEndArrow);
    }
    TCustom3DPaletteSeries::Assign(source);
}

bool TVector3DSeries::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "ArrowHeight") == 0) return FArrowHeight != 4;
    if (std::strcmp(Name, "ArrowWidth") == 0) return FArrowWidth != 4;
    return TCustom3DPaletteSeries::IsPropertyStored(Name);
}

bool TVector3DSeries::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TVector3DSeries*>(series) != nullptr;
}

void TVector3DSeries::SetEndXValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndX, value);
}

void TVector3DSeries::SetEndYValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndY, value);
}

void TVector3DSeries::SetEndZValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndZ, value);
}

int TVector3DSeries::AddVector(double x0, double y0, double z0, double x1, double y1, double z1,
                               const AnsiString& label, TColor color)
{
    FEndX->TempValue = x1;
    FEndY->TempValue = y1;
    FEndZ->TempValue = z1;
    return AddXYZ(x0, y0, z0, label, color);
}

double TVector3DSeries::MaxXValue()
{
    return FEndX->MaxWith(TCustom3DPaletteSeries::MaxXValue());
}

double TVector3DSeries::MaxYValue()
{
    return FEndY->MaxWith(TCustom3DPaletteSeries::MaxYValue());
}

double TVector3DSeries::MaxZValue()
{
    return FEndZ->MaxWith(TCustom3DPaletteSeries::MaxZValue());
}

double TVector3DSeries::MinXValue()
{
    return FEndX->MinWith(TCustom3DPaletteSeries::MinXValue());
}

double TVector3DSeries::MinYValue()
{
    return FEndY->MinWith(TCustom3DPaletteSeries::MinYValue());
}

double TVector3DSeries::MinZValue()
{
    return FEndZ->MinWith(TCustom3DPaletteSeries::MinZValue());
}

void TVector3DSeries::DrawValue(int valueIndex)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    canvas->SetBackMode(cbmTransparent);
    const TColor color = GetValueColor(valueIndex);
    canvas->AssignVisiblePenColor(Pen(), color);
    const int x0 = CalcXPos(valueIndex), y0 = CalcYPos(valueIndex), z0 = CalcZPos(valueIndex);
    const int x1 = CalcXPosValue(FEndX->Value(valueIndex)), y1 = CalcYPosValue(FEndY->Value(valueIndex));
    const int z1 = CalcZPosValue(FEndZ->Value(valueIndex));
    canvas->MoveTo3D(x0, y0, z0);
    canvas->LineTo3D(x1, y1, z1);
    if (!FStartArrow->GetVisible() && !FEndArrow->GetVisible()) return;
    const TPoint s = canvas->Calculate3DPosition(x0, y0, z0);
    const TPoint e = canvas->Calculate3DPosition(x1, y1, z1);
    // Both heads point the way of the vector, from its start to its end.
    const double angle = std::atan2(double(s.Y - e.Y), double(e.X - s.X));
    const double sine = std::sin(angle), cosine = std::cos(angle);
    if (FStartArrow->GetVisible()) DrawArrowHead(s, FStartArrow, color, sine, cosine);
    if (FEndArrow->GetVisible()) DrawArrowHead(e, FEndArrow, color, sine, cosine);
}

void TVector3DSeries::DrawArrowHead(const TPoint& p, TChartPen* pen, TColor color, double sine, double cosine)
{
    TCanvas3D* canvas = SeriesHost()->GetCanvas();
    canvas->AssignVisiblePenColor(pen, pen->GetColor() == clDefault ? color : pen->GetColor());
    const double w = FArrowWidth, h = FArrowHeight;
    canvas->MoveTo(p.X + Round(-w * cosine - h * sine), p.Y + Round(w * sine - h * cosine));
    canvas->LineTo(p.X, p.Y);
    canvas->LineTo(p.X + Round(-w * cosine + h * sine), p.Y + Round(w * sine + h * cosine));
}

void TVector3DSeries::AddSampleValues(int numValues, bool)
{
    if (numValues <= 0) return;
    double x = 0, t = 0;
    const double k = 0.6 * numValues;
    const double step = 8 * std::numbers::pi / numValues;
    for (int i = 0; i < numValues; ++i) {
        const double s = std::sin(t), c = std::cos(t);
        AddVector(s + x, x, c, 2 * s + x, x + k * s * c, c + x * c);
        x += 1;
        t += step;
    }
}
