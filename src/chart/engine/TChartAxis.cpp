#include "chart/engine/TChartAxis.h"

#include <cmath>
#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeConst.h"
#include "platform/StoredRules.h"

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
    SetProperty(FAngle, value % 360);  // the remainder keeps the sign of the value
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
    FSettings.AxisValuesFormat = TeeMsg_DefValueFormat;
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
    SetIntegerProperty(FSettings.LabelsAngle, Value % 360);
}

void TChartAxis::SetLabelsSeparation(int Value)
{
    if (Value < 0) throw AxisException(TeeMsg_AxisLabelSep);
    SetIntegerProperty(FSettings.LabelsSeparation, Value);
}

void TChartAxis::SetHorizontal(bool Value)
{
    SetBooleanProperty(FSettings.Horizontal, Value);
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
    TeeDateTimeIncrement(FSettings.ExactDateTime && DateTimeMode && Step >= dtHalfMonth, Increment, Value, AnIncrement,
                         Step);
}

void TChartAxis::Assign(TPersistent* Source)
{
    auto* a = qobject_cast<TChartAxis*>(Source);
    if (!a) {
        TPersistent::Assign(Source);
        return;
    }
    FSettings = a->FSettings;
    IsDepthAxis = a->IsDepthAxis;
    FAxis->Assign(a->FAxis);
    FItems->CopyFrom(*a->FItems);
    FTicks->Assign(a->FTicks);
    FTicksInner->Assign(a->FTicksInner);
    FGrid->Assign(a->FGrid);
    FGrid->SetCentered(a->FGrid->GetCentered());
    FMinorTicks->Assign(a->FMinorTicks);
    FMinorGrid->Assign(a->FMinorGrid);
    FTitle->Assign(a->FTitle);
    // ZPosition is not copied: an axis's depth belongs to its place in its own chart (the
    // top and right axes stand at the back, the others at the front), and a chart copied
    // onto another must not move the destination's front axes to the back. OnDrawLabel
    // stays as well: a handler belongs to the code that set it on this axis.
    // The mapping follows the copied direction and scale.
    SetCalcPosValue();
}

bool TChartAxis::IsPropertyStored(const char* Name) const
{
    static const TAxisSettings defaults;
    const TStoredRule rules[] = {
        {"AxisValuesFormat", FSettings.AxisValuesFormat != TeeMsg_DefValueFormat},
        {"Automatic", FSettings.Automatic != defaults.Automatic},
        {"AutomaticMaximum", FSettings.AutomaticMaximum != defaults.AutomaticMaximum},
        {"AutomaticMinimum", FSettings.AutomaticMinimum != defaults.AutomaticMinimum},
        {"DateTimeFormat", FSettings.DateTimeFormat != defaults.DateTimeFormat},
        {"EndPosition", FSettings.EndPosition != defaults.EndPosition},
        {"ExactDateTime", FSettings.ExactDateTime != defaults.ExactDateTime},
        {"Increment", FSettings.Increment != defaults.Increment},
        {"Inverted", FSettings.Inverted != defaults.Inverted},
        {"LabelsAlign", FSettings.LabelsAlign != defaults.LabelsAlign},
        {"LabelsAlternate", FSettings.LabelsAlternate != defaults.LabelsAlternate},
        {"LabelsAngle", FSettings.LabelsAngle != defaults.LabelsAngle},
        {"LabelsExponent", FSettings.LabelsExponent != defaults.LabelsExponent},
        {"LabelsMultiLine", FSettings.LabelsMultiLine != defaults.LabelsMultiLine},
        {"LabelsOnAxis", FSettings.LabelsOnAxis != defaults.LabelsOnAxis},
        {"LabelsSeparation", FSettings.LabelsSeparation != defaults.LabelsSeparation},
        {"LabelsSize", FSettings.LabelsSize != defaults.LabelsSize},
        {"LabelStyle", FSettings.LabelStyle != defaults.LabelStyle},
        {"Logarithmic", FSettings.Logarithmic != defaults.Logarithmic},
        {"LogarithmicBase", FSettings.LogarithmicBase != defaults.LogarithmicBase},
        {"MaximumOffset", FSettings.MaximumOffset != defaults.MaximumOffset},
        {"MinimumOffset", FSettings.MinimumOffset != defaults.MinimumOffset},
        {"MinorTickCount", FSettings.MinorTickCount != defaults.MinorTickCount},
        {"MinorTickLength", FSettings.MinorTickLength != defaults.MinorTickLength},
        {"PositionPercent", FSettings.PositionPercent != defaults.PositionPercent},
        {"PositionUnits", FSettings.PositionUnits != defaults.PositionUnits},
        {"RoundFirstLabel", FSettings.RoundFirstLabel != defaults.RoundFirstLabel},
        {"StartPosition", FSettings.StartPosition != defaults.StartPosition},
        {"TickInnerLength", FSettings.TickInnerLength != defaults.TickInnerLength},
        {"TickLength", FSettings.TickLength != defaults.TickLength},
        {"TickOnLabelsOnly", FSettings.TickOnLabelsOnly != defaults.TickOnLabelsOnly},
        {"TitleSize", FSettings.TitleSize != defaults.TitleSize},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("Maximum")) return !FSettings.Automatic && !FSettings.AutomaticMaximum;
    if (is("Minimum")) return !FSettings.Automatic && !FSettings.AutomaticMinimum;
    if (is("Horizontal") || is("OtherSide")) return IsCustom();
    if (is("ZPosition")) {
        if (IsDepthAxis) return false;
        // The chart puts its own far axes at depth 100; a custom axis starts at 0 on
        // either side, so only the general rule gives it back its depth.
        if (FSettings.OtherSide && !IsCustom()) return FZPosition != 100;
        return FZPosition > 0.011;
    }
    if (is("GridCentered")) return FGrid->GetCentered();
    if (is("Labels")) return !GetLabels();
    if (is("Visible")) return FSettings.Visible != !qobject_cast<const TChartDepthAxis*>(this);
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
