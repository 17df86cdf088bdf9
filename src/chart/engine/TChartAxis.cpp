#include "chart/engine/TChartAxis.h"

#include <cmath>
#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeConst.h"
#include "platform/StoreChanged.h"

int TeeAxisPixelLimit = IsWindowsNT ? 0x3FFFFFF : 32767;

// ---------------------------------------------------------------- TChartAxisPen

TChartAxisPen::TChartAxisPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    SetWidth(2);
}

bool TChartAxisPen::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Width") == 0) return GetWidth() != 2;
    return TChartPen::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- TChartAxisTitle

TChartAxisTitle::TChartAxisTitle(TCustomTeePanel* panel) : TTeeCustomShape(panel) {}

void TChartAxisTitle::SetAngle(int value)
{
    value %= 360;  // the remainder keeps the sign of the value
    if (!StoreChanged(FAngle, value)) return;
    Repaint();
}

void TChartAxisTitle::SetCaption(const AnsiString& value)
{
    if (StoreChanged(FCaption, value)) Repaint();
}

void TChartAxisTitle::Assign(TPersistent* Source)
{
    if (auto* t = qobject_cast<TChartAxisTitle*>(Source)) {
        FAngle = t->FAngle;
        FCaption = t->FCaption;
    }
    TTeeCustomShape::Assign(Source);
}

bool TChartAxisTitle::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Angle") == 0) return FAngle != DefaultAngle;
    if (std::strcmp(Name, "Caption") == 0) return !FCaption.empty();
    return TTeeCustomShape::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- TChartAxis

namespace {

// The six built-in axes belong to no collection; every later axis is a custom one.
TCollection* JoinedCollection(TChartCustomAxes* collection)
{
    IAxisHost* chart = collection ? collection->Chart() : nullptr;
    TChartAxes* axes = chart ? chart->Axes() : nullptr;
    return axes && axes->Count() >= 6 ? collection : nullptr;
}

}  // namespace

TChartAxis::TChartAxis(TChartCustomAxes* Collection) : TCollectionItem(JoinedCollection(Collection))
{
    Init(Collection);
}

TChartAxis::TChartAxis(IAxisHost* Chart) : TCollectionItem(JoinedCollection(Chart ? Chart->GetCustomAxes() : nullptr))
{
    Init(Chart ? Chart->GetCustomAxes() : nullptr);
}

TChartCustomAxes* TChartAxis::Collection() const
{
    return static_cast<TChartCustomAxes*>(TCollectionItem::Collection());
}

void TChartAxis::Init(TChartCustomAxes* Collection)
{
    FParentChart = Collection ? Collection->Chart() : nullptr;
    TChartAxes* axes = FParentChart ? FParentChart->Axes() : nullptr;
    SetCalcPosValue();
    SeriesList.SetChart(FParentChart);
    FItems = new TAxisItems(this);
    FAxisValuesFormat = TeeMsg_DefValueFormat;
    const TNotifyEvent changed = [this](QObject*) { Invalidate(); };
    FTitle = new TChartAxisTitle(FParentChart ? FParentChart->GetPanel() : nullptr);
    FTitle->setParent(this);
    FTicks = new TDarkGrayPen(changed, this);
    FMinorTicks = new TDarkGrayPen(changed, this);
    FTicksInner = new TDarkGrayPen(changed, this);
    FGrid = new TAxisGridPen(changed, this);
    FMinorGrid = new TChartHiddenPen(changed, this);
    FAxis = new TChartAxisPen(changed, this);
    if (axes) axes->InternalAdd(this);
}

TChartAxis::~TChartAxis()
{
    if (FParentChart) {
        if (TChartSeriesList* list = FParentChart->SeriesList()) {
            for (TChartSeries* s : *list) {
                if (s->CustomHorizAxis() == this) s->SetCustomHorizAxis(nullptr);
                if (s->CustomVertAxis() == this) s->SetCustomVertAxis(nullptr);
            }
        }
        // Axis tools forget the axis instead of keeping a dangling reference; they stay in
        // the tools list, whose chart still frees them.
        if (TChartTools* tools = FParentChart->Tools()) {
            std::vector<TTeeCustomToolAxis*> users;
            for (int i = 0; i < tools->Count(); ++i) {
                auto* tool = qobject_cast<TTeeCustomToolAxis*>(tools->Items(i));
                if (tool && tool->Axis() == this) users.push_back(tool);
            }
            for (TTeeCustomToolAxis* tool : users) tool->AxisDestroyed();
        }
        // Custom axes that followed this one keep their range but follow nothing.
        if (TChartAxes* axes = FParentChart->Axes()) {
            for (int i = 0; i < axes->Count(); ++i)
                if (axes->Get(i)->ScaleMaster == this) axes->Get(i)->ScaleMaster = nullptr;
            axes->InternalRemove(this);
        }
    }
    delete FItems;
}

void TChartAxis::Invalidate()
{
    if (FParentChart) FParentChart->Invalidate();
}

bool TChartAxis::IsLoading() const
{
    return FParentChart && FParentChart->IsLoading();
}

TCanvas3D* TChartAxis::Canvas() const
{
    return FParentChart ? FParentChart->GetCanvas() : nullptr;
}

void TChartAxis::SetLabelsAngle(int Value)
{
    SetIntegerProperty(FLabelsAngle, Value % 360);
}

void TChartAxis::SetLabelsSeparation(int Value)
{
    if (Value < 0) throw AxisException(TeeMsg_AxisLabelSep);
    SetIntegerProperty(FLabelsSeparation, Value);
}

void TChartAxis::SetHorizontal(bool Value)
{
    SetBooleanProperty(FHorizontal, Value);
    SetCalcPosValue();
}

void TChartAxis::SetZPosition(double Value)
{
    SetDoubleProperty(FZPosition, Value);
    if (FZPosition == 0) FZPosition = 0.01;
}

bool TChartAxis::IsDateTime() const
{
    if (!FParentChart || !FParentChart->SeriesList()) return false;
    for (TChartSeries* s : *FParentChart->SeriesList()) {
        if (!s->GetActive()) continue;
        if (TChartValueList* list = s->ValueListOfAxis(this)) return list->GetDateTime();
    }
    return false;
}

bool TChartAxis::IsCustom() const
{
    TChartAxes* axes = FParentChart ? FParentChart->Axes() : nullptr;
    return axes && axes->IndexOf(this) >= 6;
}

void TChartAxis::IncDecDateTime(bool Increment, double& Value, double AnIncrement, TDateTimeStep Step) const
{
    TeeDateTimeIncrement(FExactDateTime && DateTimeMode && Step >= dtHalfMonth, Increment, Value, AnIncrement, Step);
}

void TChartAxis::Assign(TPersistent* Source)
{
    auto* a = qobject_cast<TChartAxis*>(Source);
    if (!a) {
        TPersistent::Assign(Source);
        return;
    }
    FAxis->Assign(a->FAxis);
    FItems->CopyFrom(*a->FItems);
    FLabelsAlign = a->FLabelsAlign;
    FLabelsAlternate = a->FLabelsAlternate;
    FLabelsAngle = a->FLabelsAngle;
    FLabelsExponent = a->FLabelsExponent;
    FLabelsMultiLine = a->FLabelsMultiLine;
    FLabelsSeparation = a->FLabelsSeparation;
    FLabelsSize = a->FLabelsSize;
    FLabelStyle = a->FLabelStyle;
    FLabelsOnAxis = a->FLabelsOnAxis;
    FTicks->Assign(a->FTicks);
    FTicksInner->Assign(a->FTicksInner);
    FTitleSize = a->FTitleSize;
    FGrid->Assign(a->FGrid);
    FMinorTicks->Assign(a->FMinorTicks);
    FMinorGrid->Assign(a->FMinorGrid);
    FTickLength = a->FTickLength;
    FMinorTickLength = a->FMinorTickLength;
    FMinorTickCount = a->FMinorTickCount;
    FTickInnerLength = a->FTickInnerLength;
    FAxisValuesFormat = a->FAxisValuesFormat;
    FIncrement = a->FIncrement;
    FMaximum = a->FMaximum;
    FMaximumOffset = a->FMaximumOffset;
    FMinimum = a->FMinimum;
    FMinimumOffset = a->FMinimumOffset;
    FAutomatic = a->FAutomatic;
    FAutomaticMaximum = a->FAutomaticMaximum;
    FAutomaticMinimum = a->FAutomaticMinimum;
    FTitle->Assign(a->FTitle);
    FDateTimeFormat = a->FDateTimeFormat;
    FGrid->SetCentered(a->FGrid->GetCentered());
    FLogarithmic = a->FLogarithmic;
    FLogarithmicBase = a->FLogarithmicBase;
    FInverted = a->FInverted;
    FExactDateTime = a->FExactDateTime;
    FRoundFirstLabel = a->FRoundFirstLabel;
    FTickOnLabelsOnly = a->FTickOnLabelsOnly;
    IsDepthAxis = a->IsDepthAxis;
    FStartPosition = a->FStartPosition;
    FEndPosition = a->FEndPosition;
    FPositionPercent = a->FPositionPercent;
    FPositionUnits = a->FPositionUnits;
    FVisible = a->FVisible;
    FHorizontal = a->FHorizontal;
    FOtherSide = a->FOtherSide;
    // ZPosition is not copied: an axis's depth belongs to its place in its own chart (the
    // top and right axes stand at the back, the others at the front), and a chart copied
    // onto another must not move the destination's front axes to the back. OnDrawLabel
    // stays as well: a handler belongs to the code that set it on this axis.
    // The mapping follows the copied direction and scale.
    SetCalcPosValue();
}

bool TChartAxis::IsPropertyStored(const char* Name) const
{
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("Maximum")) return !FAutomatic && !FAutomaticMaximum;
    if (is("Minimum")) return !FAutomatic && !FAutomaticMinimum;
    if (is("LogarithmicBase")) return FLogarithmicBase != 10;
    if (is("StartPosition")) return FStartPosition != 0;
    if (is("EndPosition")) return FEndPosition != 100;
    if (is("PositionPercent")) return FPositionPercent != 0;
    if (is("Horizontal") || is("OtherSide")) return IsCustom();
    if (is("AxisValuesFormat")) return FAxisValuesFormat != TeeMsg_DefValueFormat;
    if (is("ZPosition")) {
        if (IsDepthAxis) return false;
        // The chart puts its own far axes at depth 100; a custom axis starts at 0 on
        // either side, so only the general rule gives it back its depth.
        if (FOtherSide && !IsCustom()) return FZPosition != 100;
        return FZPosition > 0.011;
    }
    if (is("Automatic")) return !FAutomatic;
    if (is("AutomaticMaximum")) return !FAutomaticMaximum;
    if (is("AutomaticMinimum")) return !FAutomaticMinimum;
    if (is("DateTimeFormat")) return !FDateTimeFormat.empty();
    if (is("ExactDateTime")) return !FExactDateTime;
    if (is("GridCentered")) return FGrid->GetCentered();
    if (is("Increment")) return FIncrement != 0;
    if (is("Inverted")) return FInverted;
    if (is("Labels")) return !GetLabels();
    if (is("LabelsAlign")) return FLabelsAlign != alDefault;
    if (is("LabelsAlternate")) return FLabelsAlternate;
    if (is("LabelsAngle")) return FLabelsAngle != 0;
    if (is("LabelsExponent")) return FLabelsExponent;
    if (is("LabelsMultiLine")) return FLabelsMultiLine;
    if (is("LabelsOnAxis")) return !FLabelsOnAxis;
    if (is("LabelsSeparation")) return FLabelsSeparation != 10;
    if (is("LabelsSize")) return FLabelsSize != 0;
    if (is("LabelStyle")) return FLabelStyle != talAuto;
    if (is("Logarithmic")) return FLogarithmic;
    if (is("MaximumOffset")) return FMaximumOffset != 0;
    if (is("MinimumOffset")) return FMinimumOffset != 0;
    if (is("MinorTickCount")) return FMinorTickCount != 3;
    if (is("MinorTickLength")) return FMinorTickLength != 2;
    if (is("PositionUnits")) return FPositionUnits != muPercent;
    if (is("RoundFirstLabel")) return !FRoundFirstLabel;
    if (is("TickInnerLength")) return FTickInnerLength != 0;
    if (is("TickLength")) return FTickLength != 4;
    if (is("TickOnLabelsOnly")) return !FTickOnLabelsOnly;
    if (is("TitleSize")) return FTitleSize != 0;
    if (is("Visible")) return FVisible != !qobject_cast<const TChartDepthAxis*>(this);
    return TPersistent::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- TChartDepthAxis

TChartDepthAxis::TChartDepthAxis(TChartCustomAxes* Collection) : TChartAxis(Collection)
{
    SetVisible(false);
}

void TChartDepthAxis::SetInverted(bool Value)
{
    TChartAxis::SetInverted(Value);
    TChartAxes* axes = FParentChart ? FParentChart->Axes() : nullptr;
    if (!axes) return;
    TChartAxis* other = nullptr;
    if (axes->DepthAxis() == this)
        other = axes->DepthTopAxis();
    else if (axes->DepthTopAxis() == this)
        other = axes->DepthAxis();
    if (other && other != this) other->InternalSetInverted(Value);
}

TAxisLabelStyle TChartDepthAxis::InternalCalcLabelStyle() const
{
    if (FParentChart && FParentChart->SeriesList()) {
        for (TChartSeries* s : *FParentChart->SeriesList()) {
            if (!s->GetActive()) continue;
            if (s->HasThirdValues || s->MaxZValue() != s->MinZValue()) return talValue;
        }
    }
    return talText;
}
