// The axis panel: series list, axes, tools, 3D depth, paging, colours and data sources.
#include "chart/engine/TCustomAxisPanel.h"

#include <algorithm>

#include <QPrinter>
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeePalette.h"

#include "platform/ScopedValue.h"
#include "platform/StoredRules.h"
#include "platform/TPrinter.h"

TCustomAxisPanel::TCustomAxisPanel(QWidget* parent)
    : TCustomTeePanelExtended(parent),
      FSeriesList(std::make_unique<TChartSeriesList>(this)),
      FTools(std::make_unique<TChartTools>(this)),
      FCustomAxes(std::make_unique<TChartCustomAxes>(this)),
      FAxes(std::make_unique<TChartAxes>(this))
{
    AutoRepaint = false;
    auto* bottom = new TChartAxis(FCustomAxes.get());
    bottom->SetHorizontal(true);
    auto* top = new TChartAxis(FCustomAxes.get());
    top->SetHorizontal(true);
    top->SetOtherSide(true);
    top->SetZPosition(100);
    top->GetGrid()->SetZ(100);
    auto* left = new TChartAxis(FCustomAxes.get());
    left->GetTitle()->SetDefaultAngle(90);
    auto* right = new TChartAxis(FCustomAxes.get());
    right->GetTitle()->SetDefaultAngle(270);
    right->SetOtherSide(true);
    right->SetZPosition(100);
    right->GetGrid()->SetZ(100);
    for (int i = 0; i < 2; ++i) {
        auto* depth = new TChartDepthAxis(FCustomAxes.get());
        depth->SetVisible(false);
        depth->IsDepthAxis = true;
        depth->SetCalcPosValue();
        if (i == 0) depth->SetOtherSide(true);
    }
    AutoRepaint = true;
}

TCustomAxisPanel::~TCustomAxisPanel()
{
    FDestroying = true;
    AutoRepaint = false;
    FreeAllSeries();
    // Tools before the axes: an axis that goes detaches the axis tools, and a detached tool
    // leaves the tools list, so clearing the list afterwards would never free it. An axis
    // detaches itself from the series as well, which must still exist then.
    FTools->Clear();
    FAxes->Clear();
    FCustomAxes->Clear();
    FAxes.reset();
    FCustomAxes.reset();
    FSeriesList.reset();
    FTools.reset();
}

// ---------------------------------------------------------------- virtual steps

void TCustomAxisPanel::DoOnAfterDraw()
{
    if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomAxisPanel::DoOnBeforeDrawAxes()
{
    if (OnBeforeDrawAxes) OnBeforeDrawAxes(this);
}

void TCustomAxisPanel::DoOnBeforeDrawChart()
{
    if (OnBeforeDrawChart) OnBeforeDrawChart(this);
}

void TCustomAxisPanel::DoOnBeforeDrawSeries()
{
    if (OnBeforeDrawSeries) OnBeforeDrawSeries(this);
}

AnsiString TCustomAxisPanel::FormattedValueLegend(TChartSeries*, int)
{
    return AnsiString();
}

// ---------------------------------------------------------------- series

int TCustomAxisPanel::SeriesCount() const
{
    return FSeriesList ? FSeriesList->Count() : 0;
}

TChartSeries* TCustomAxisPanel::GetSeries(int Index) const
{
    return FSeriesList->Get(Index);
}

int TCustomAxisPanel::CountActiveSeries()
{
    int n = 0;
    for (TChartSeries* s : *FSeriesList) n += s->GetActive() ? 1 : 0;
    return n;
}

int TCustomAxisPanel::GetMaxValuesCount() const
{
    int result = 0;
    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive()) result = std::max(result, s->Count());
    return result;
}

TChartSeries* TCustomAxisPanel::AddSeries(TChartSeries* Series)
{
    if (Series) Series->SetParentChart(this);
    return Series;
}

TChartSeries* TCustomAxisPanel::AddSeries(const TChartSeriesClassFactory& Factory)
{
    QObject* owner = parent() ? parent() : static_cast<QObject*>(this);
    return AddSeries(Factory(owner));
}

void TCustomAxisPanel::InternalAddSeries(TCustomChartSeries* Series)
{
    auto* s = static_cast<TChartSeries*>(Series);
    if (!s || FSeriesList->Contains(s)) return;
    FSeriesList->Add(s);
    s->Added();
    BroadcastSeriesEvent(s, seAdd);
    Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TCustomChartSeries* Series)
{
    RemoveSeries(FSeriesList->IndexOf(static_cast<TChartSeries*>(Series)));
}

void TCustomAxisPanel::RemoveSeries(int Index)
{
    if (Index < 0 || Index >= SeriesCount()) return;
    TChartSeries* s = FSeriesList->Get(Index);
    BroadcastSeriesEvent(s, seRemove);
    s->Removed();
    FSeriesList->Delete(Index);
    // A group must not keep a series that left the chart: it may be freed next.
    FSeriesList->Groups().RemoveSeries(s);
    Invalidate();
}

void TCustomAxisPanel::FreeAllSeries(const std::function<bool(TChartSeries*)>& Which)
{
    std::vector<TChartSeries*> doomed;
    for (TChartSeries* s : *FSeriesList)
        if (!Which || Which(s)) doomed.push_back(s);
    for (TChartSeries* s : doomed) {
        s->SetParentChart(nullptr);
        delete s;
    }
}

void TCustomAxisPanel::ExchangeSeries(int A, int B)
{
    if (A < 0 || B < 0 || A >= SeriesCount() || B >= SeriesCount() || A == B) return;
    FSeriesList->Exchange(A, B);
    TChartSeries* sa = FSeriesList->Get(A);
    TChartSeries* sb = FSeriesList->Get(B);
    TSeriesGroups& groups = FSeriesList->Groups();
    for (int g = 0; g < groups.Count(); ++g) {
        TCustomSeriesList& members = groups[g]->Series();
        const int ia = members.IndexOf(sa), ib = members.IndexOf(sb);
        if (ia >= 0 && ib >= 0) members.Exchange(ia, ib);
    }
    BroadcastSeriesEvent(nullptr, seSwap);
    Invalidate();
}

void TCustomAxisPanel::ExchangeSeries(TChartSeries* A, TChartSeries* B)
{
    ExchangeSeries(FSeriesList->IndexOf(A), FSeriesList->IndexOf(B));
}

void TCustomAxisPanel::BroadcastSeriesEvent(TCustomChartSeries* Series, TChartSeriesEvent Event)
{
    TTeeSeriesEvent e;
    e.Event = Event;
    e.Series = Series;
    BroadcastTeeEvent(&e);
}

void TCustomAxisPanel::BroadcastToolEvent(TChartToolEvent Event)
{
    for (int i = 0; i < FTools->Count(); ++i) {
        TTeeCustomTool* tool = FTools->Items(i);
        if (tool->GetActive()) tool->ChartEvent(Event);
    }
}

void TCustomAxisPanel::MouseLeave()
{
    TCustomTeePanelExtended::MouseLeave();
    BroadcastToolEvent(cteMouseLeave);
}

bool TCustomAxisPanel::CheckMouseSeries(int X, int Y)
{
    bool result = false;
    for (int i = SeriesCount() - 1; i >= 0; --i) {
        TChartSeries* s = GetSeries(i);
        if (s->GetActive() && s->CheckMouse(X, Y)) result = true;
    }
    return result;
}

TChartSeries* TCustomAxisPanel::SeriesLegend(int ItemIndex, bool OnlyActive)
{
    int n = 0;
    for (TChartSeries* s : *FSeriesList) {
        if (!s->GetShowInLegend() || (OnlyActive && !s->GetActive())) continue;
        if (n++ == ItemIndex) return s;
    }
    return nullptr;
}

AnsiString TCustomAxisPanel::SeriesTitleLegend(int ItemIndex, bool OnlyActive)
{
    TChartSeries* s = SeriesLegend(ItemIndex, OnlyActive);
    if (!s) return AnsiString();
    return s->GetTitle().empty() ? AnsiString(s->objectName().toStdString()) : s->GetTitle();
}

int TCustomAxisPanel::MultiLineTextWidth(const AnsiString& S, int& NumLines)
{
    return TeeMultiLineTextWidth(FCanvas.get(), S, NumLines);
}

int TCustomAxisPanel::MaxTextWidth()
{
    int result = 0, lines = 0;
    for (TChartSeries* s : *FSeriesList)
        for (int i = 0; i < s->Count(); ++i) result = std::max(result, MultiLineTextWidth(s->GetXLabel(i), lines));
    return result;
}

int TCustomAxisPanel::MaxMarkWidth()
{
    int result = 0;
    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive()) result = std::max(result, s->MaxMarkWidth());
    return result;
}

// ---------------------------------------------------------------- axes

void TCustomAxisPanel::SetCustomAxes(TChartCustomAxes* Value)
{
    if (Value != FCustomAxes.get()) FCustomAxes->Assign(Value);
}

TSeriesGroups* TCustomAxisPanel::GetSeriesGroups()
{
    return &FSeriesList->Groups();
}

void TCustomAxisPanel::SetSeriesGroups(TSeriesGroups* Value)
{
    if (Value != GetSeriesGroups()) GetSeriesGroups()->Assign(Value);
}

int TCustomAxisPanel::CustomAxisIndex(const TChartAxis* Axis) const
{
    return FCustomAxes ? FCustomAxes->IndexOf(Axis) : -1;
}

TChartAxis* TCustomAxisPanel::CustomAxis(int Index)
{
    return (FCustomAxes && Index >= 0 && Index < FCustomAxes->Count()) ? FCustomAxes->Items(Index) : nullptr;
}

bool TCustomAxisPanel::IsAxisVisible(TChartAxis* Axis)
{
    return CalcIsAxisVisible(Axis);
}

bool TCustomAxisPanel::CalcIsAxisVisible(TChartAxis* Axis)
{
    if (!FSettings.AxisVisible || !Axis->GetVisible()) return false;
    if (Axis->IsDepthAxis) return FView3D;
    if (SeriesCount() == 0) return true;
    bool anyActive = false;
    for (TChartSeries* s : *FSeriesList) {
        if (!s->GetActive()) continue;
        anyActive = true;
        if (!s->UseAxis()) return false;
        if (s->AssociatedToAxis(Axis)) return true;
    }
    return !anyActive;
}

bool TCustomAxisPanel::NoActiveSeries(const TChartAxis* Axis) const
{
    for (TChartSeries* s : *FSeriesList)
        if (s->GetActive() && s->AssociatedToAxis(Axis)) return false;
    return true;
}

TChartSeries* TCustomAxisPanel::GetAxisSeries(const TChartAxis* Axis) const
{
    TChartSeries* any = nullptr;
    for (TChartSeries* s : *FSeriesList) {
        if (!s->AssociatedToAxis(Axis)) continue;
        if (s->GetActive()) return s;
        if (!any) any = s;
    }
    return NoActiveSeries(Axis) ? any : nullptr;
}

TChartSeries* TCustomAxisPanel::GetAxisSeriesMaxPoints(const TChartAxis* Axis) const
{
    const bool onlyActive = !NoActiveSeries(Axis);
    TChartSeries* result = nullptr;
    for (TChartSeries* s : *FSeriesList) {
        if (!s->AssociatedToAxis(Axis) || (onlyActive && !s->GetActive())) continue;
        if (!result || s->Count() > result->Count()) result = s;
    }
    return result;
}

double TCustomAxisPanel::InternalMinMax(TChartAxis* Axis, bool IsMin, bool IsX)
{
    if (Axis->IsDepthAxis) {
        if (Axis->CalcLabelStyle() != talValue) return IsMin ? -0.5 : MaxZOrder + 0.5;
        bool first = true;
        double result = 0;
        for (TChartSeries* s : *FSeriesList) {
            if (!s->GetActive()) continue;
            const double v = IsMin ? s->MinZValue() : s->MaxZValue();
            if (first || (IsMin ? v < result : v > result)) result = v;
            first = false;
        }
        return result;
    }
    if (FSettings.MaxPointsPerPage > 0) {
        TChartSeries* firstSeries = GetAxisSeries(Axis);
        const bool pagedIsX = !firstSeries || firstSeries->YMandatory();
        if (pagedIsX == IsX) {
            TChartSeries* s = GetAxisSeriesMaxPoints(Axis);
            if (!s || s->Count() == 0) return 0;
            int first = 0, last = 0;
            s->CalcFirstLastPage(first, last);
            TChartValueList* list = IsX ? s->XValues() : s->YValues();
            const double firstValue = list->Value(first);
            if (IsMin) return firstValue;
            const double lastValue = list->Value(last);
            const int n = last - first + 1;
            if (!FSettings.ScaleLastPage && n < FSettings.MaxPointsPerPage) {
                const double span = lastValue == firstValue ? FSettings.MaxPointsPerPage
                                                            : (lastValue - firstValue) * FSettings.MaxPointsPerPage;
                return firstValue + span / n;
            }
            return lastValue;
        }
    }
    const bool anyActive = !NoActiveSeries(Axis);
    bool first = true;
    double result = 0;
    for (TChartSeries* s : *FSeriesList) {
        if ((anyActive && !s->GetActive()) || s->Count() == 0) continue;
        const bool associated = IsX ? (s->GetHorizAxisKind() == aBothHorizAxis || s->GetHorizAxis() == Axis)
                                    : (s->GetVertAxisKind() == aBothVertAxis || s->GetVertAxis() == Axis);
        if (!associated) continue;
        const double v = IsX ? (IsMin ? s->MinXValue() : s->MaxXValue()) : (IsMin ? s->MinYValue() : s->MaxYValue());
        if (first || (IsMin ? v < result : v > result)) result = v;
        first = false;
    }
    return result;
}

AnsiString TCustomAxisPanel::AxisLabelText(TChartAxis* Axis, double Value)
{
    return Axis->LabelValue(Value);
}

// ---------------------------------------------------------------- 3D and pages

void TCustomAxisPanel::Set3DPercent(int Value)
{
    if (Value < 1 || Value > 100) throw ChartException(FormatChartText(TeeMsg_3dPercent, {"1", "100"}));
    SetIntegerProperty(FSettings.Chart3DPercent, Value);
}

void TCustomAxisPanel::SetMaxPointsPerPage(int Value)
{
    if (Value < 0) throw ChartException(TeeMsg_MaxPointsPerPage);
    FSettings.MaxPointsPerPage = Value;
    const int pages = NumPages();
    if (FSettings.Page > pages) SetIntegerProperty(FSettings.Page, pages);
    Invalidate();
    BroadcastChangePage();
}

void TCustomAxisPanel::SetPage(int Value)
{
    const int pages = NumPages();
    Value = std::clamp(Value, 1, std::max(1, pages));
    if (Value == FSettings.Page) return;
    SetIntegerProperty(FSettings.Page, Value);
    BroadcastChangePage();
    if (OnPageChange) OnPageChange(this);
}

void TCustomAxisPanel::BroadcastChangePage()
{
    TChartChangePage e;
    BroadcastTeeEvent(&e);
}

int TCustomAxisPanel::NumPages()
{
    if (FSettings.MaxPointsPerPage < 1 || SeriesCount() == 0) return 1;
    const bool yMandatory = GetSeries(0)->YMandatory();
    TChartAxis* a = yMandatory ? TopAxis() : LeftAxis();
    TChartAxis* b = yMandatory ? BottomAxis() : RightAxis();
    const auto pages = [&](TChartAxis* axis) {
        int count = 0;
        for (TChartSeries* s : *FSeriesList)
            if (s->GetActive() && s->AssociatedToAxis(axis)) count = std::max(count, s->Count());
        if (count < 1) return 1;
        return count / FSettings.MaxPointsPerPage + (count % FSettings.MaxPointsPerPage != 0 ? 1 : 0);
    };
    return std::max(pages(a), pages(b));
}

void TCustomAxisPanel::PrintPages(int FromPage, int ToPage)
{
    TPrinter* printer = GetPrinter();
    if (!Name().empty()) printer->Title = Name();
    printer->BeginDoc();
    if (ToPage == 0) ToPage = NumPages();
    if (FromPage == 0) FromPage = 1;
    const int old = FSettings.Page;
    const TRect R = ChartPrintRect();
    try {
        for (int p = FromPage; p <= ToPage; ++p) {
            SetPage(p);
            PrintPartial(R);
            if (p < ToPage && printer->Device()) printer->Device()->newPage();
        }
    } catch (...) {
        SetPage(old);
        printer->Abort();
        throw;
    }
    SetPage(old);
    printer->EndDoc();
}

// ---------------------------------------------------------------- colours

TColor TCustomAxisPanel::GetDefaultColor(int Index)
{
    const std::vector<TColor>& palette = ColorPalette.empty() ? ::ColorPalette : ColorPalette;
    if (palette.empty()) return clDefault;
    return palette[static_cast<std::size_t>(Index) % palette.size()];
}

TColor TCustomAxisPanel::GetFreeSeriesColor(bool CheckBackground, TChartSeries* Series)
{
    const std::vector<TColor>& palette = ColorPalette.empty() ? ::ColorPalette : ColorPalette;
    if (palette.empty()) return clDefault;
    const std::size_t n = palette.size() - 1;
    for (std::size_t i = 0; i < n; ++i)
        if (IsFreeSeriesColor(palette[i], CheckBackground, Series)) return palette[i];
    return palette[n];
}

void TCustomAxisPanel::ColorPaletteChanged()
{
    for (TChartSeries* s : *FSeriesList)
        if (!s->IsColorStored()) s->ChangeInternalColor(GetFreeSeriesColor(true, s));
    Invalidate();
}

// ---------------------------------------------------------------- data sources

void TCustomAxisPanel::CheckOtherSeries(TChartSeries* Dest, TChartSeries* Source)
{
    ::CheckOtherSeries(Dest, Source);
}

bool TCustomAxisPanel::IsValidDataSource(TChartSeries* Series, QObject* Component)
{
    if (auto* s = qobject_cast<TChartSeries*>(Component)) return s != Series && Series->IsValidSeriesSource(s);
    if (auto* src = qobject_cast<TTeeSeriesSource*>(Component)) return src->Available(this);
    return false;
}

void TCustomAxisPanel::CheckDatasource(TChartSeries* Series)
{
    if (Loading || !Series) return;
    QObject* source = Series->DataSource();
    if (!source) {
        if (TTeeFunction* f = Series->FunctionType()) {
            if (f->NoSourceRequired) {
                Series->BeginUpdate();
                Series->Clear();
                f->AddPoints(nullptr);
                Series->EndUpdate();
            }
        } else if (!Series->InternalUse && Series->CanAddRandomPoints()) {
            Series->FillSampleValues(Series->NumSampleValues());
        }
    } else if (auto* s = qobject_cast<TChartSeries*>(source)) {
        Series->AddValues(s);
    } else if (auto* src = qobject_cast<TTeeSeriesSource*>(source)) {
        src->Refresh();
    }
}

void TCustomAxisPanel::RemovedDataSource(TChartSeries* Series, QObject* Component)
{
    auto* src = qobject_cast<TTeeSeriesSource*>(Component);
    if (src && Series && Series->DataSource() == Component && src->Series()) src->Series()->Clear();
}

// ---------------------------------------------------------------- copying

bool TCustomAxisPanel::IsPropertyStored(const char* Name) const
{
    static const TAxisPanelSettings defaults;
    const TStoredRule rules[] = {
        {"Chart3DPercent", FSettings.Chart3DPercent != defaults.Chart3DPercent},
        {"AxisBehind", FSettings.AxisBehind != defaults.AxisBehind},
        {"AxisVisible", FSettings.AxisVisible != defaults.AxisVisible},
        {"ClipPoints", FSettings.ClipPoints != defaults.ClipPoints},
        {"View3DWalls", FSettings.View3DWalls != defaults.View3DWalls},
        {"ScaleLastPage", FSettings.ScaleLastPage != defaults.ScaleLastPage},
        {"MaxPointsPerPage", FSettings.MaxPointsPerPage != defaults.MaxPointsPerPage},
        {"Page", FSettings.Page != defaults.Page},
        {"CustomAxes", FCustomAxes->Count() > 0},
        {"SeriesGroups", FSeriesList->Groups().Count() > 0},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TCustomTeePanelExtended::IsPropertyStored(Name);
}

void TCustomAxisPanel::Assign(QObject* Source)
{
    if (auto* p = qobject_cast<TCustomAxisPanel*>(Source)) {
        const TScopedValue noRepaint(AutoRepaint, false);
        FSettings = p->FSettings;
        // Each standard axis keeps its own depth position (see TChartAxis::Assign).
        for (int i = 0; i < 6; ++i) FAxes->Get(i)->Assign(p->FAxes->Get(i));
        ColorPalette = p->ColorPalette;
        FCustomAxes->Assign(p->FCustomAxes.get());
    }
    TCustomTeePanelExtended::Assign(Source);
}
