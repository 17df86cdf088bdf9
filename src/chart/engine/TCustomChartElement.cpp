#include "chart/engine/TCustomChartElement.h"

#include "chart/engine/TTeeCustomTool.h"

TCustomChartElement::TCustomChartElement(QObject* owner) : TPersistent(owner)
{
    FBrush = new TChartBrush([this](QObject*) { CanvasChanged(); }, this);
    FPen = CreateChartPen();
}

TCustomChartElement::~TCustomChartElement()
{
    // The pen and brush go with the element; their notifications must not reach it
    // half destroyed.
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

TChartPen* TCustomChartElement::CreateChartPen()
{
    return new TChartPen([this](QObject*) { CanvasChanged(); }, this);
}

void TCustomChartElement::SetBrush(TChartBrush* value)
{
    if (value && value != FBrush) FBrush->Assign(value);
}

void TCustomChartElement::SetPen(TChartPen* value)
{
    if (value && value != FPen) FPen->Assign(value);
}

void TCustomChartElement::SetActive(bool value)
{
    SetBooleanProperty(FActive, value);
}

void TCustomChartElement::SetParentChart(IChartHost* value)
{
    FParentChart = value;
}

void TCustomChartElement::Repaint()
{
    if (FParentChart) FParentChart->Invalidate();
}

void TCustomChartElement::Assign(const TCustomChartElement& source)
{
    FActive = source.FActive;
    FBrush->Assign(source.FBrush);
    FPen->Assign(source.FPen);
    Tag = source.Tag;
}

void TCustomChartElement::Assign(TPersistent* Source)
{
    if (auto* other = qobject_cast<TCustomChartElement*>(Source))
        Assign(*other);
    else
        TPersistent::Assign(Source);
}

TCustomChartSeries::TCustomChartSeries(QObject* owner) : TCustomChartElement(owner) {}

void TCustomChartSeries::RepaintDesigner()
{
    if (FParentChart)
        if (TTeeCustomDesigner* designer = FParentChart->Designer()) designer->Repaint();
}

void TCustomChartSeries::SetActive(bool value)
{
    SetBooleanProperty(FActive, value);
    if (FParentChart) FParentChart->BroadcastSeriesEvent(this, seChangeActive);
    RepaintDesigner();
}

void TCustomChartSeries::SetTitle(const AnsiString& value)
{
    SetStringProperty(FTitle, value);
    if (FParentChart) FParentChart->BroadcastSeriesEvent(this, seChangeTitle);
    RepaintDesigner();
}

bool TCustomChartSeries::SameClass(const TCustomChartSeries* other) const
{
    if (!other) return false;
    return metaObject()->inherits(other->metaObject()) || other->metaObject()->inherits(metaObject());
}

void TCustomChartSeries::Assign(const TCustomChartElement& source)
{
    if (auto* s = dynamic_cast<const TCustomChartSeries*>(&source)) {
        FShowInLegend = s->FShowInLegend;
        FTitle = s->FTitle;
        Style = s->Style;
        Identifier = s->Identifier;
    }
    TCustomChartElement::Assign(source);
}
