#pragma once
// Base of the series functions: splits the source points into periods and turns each
// period into one output point of the function's series.
#include <QObject>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TPropertySetters.h"
#include "platform/AnsiString.h"

class TChartSeries;
class TChartValueList;
class IChartHost;

// Settings set through SetProperty recalculate the function.
class TTeeFunction : public QObject, public TPropertySetters<TTeeFunction> {
    Q_OBJECT
    Q_PROPERTY(double Period READ GetPeriod WRITE SetPeriod)
    Q_PROPERTY(ChartDataEnums::TFunctionPeriodStyle PeriodStyle READ GetPeriodStyle WRITE SetPeriodStyle)
    Q_PROPERTY(ChartDataEnums::TFunctionPeriodAlign PeriodAlign READ GetPeriodAlign WRITE SetPeriodAlign)

public:
    explicit TTeeFunction(QObject* owner = nullptr);
    ~TTeeFunction() override;

    double GetPeriod() const { return FPeriod; }
    // Negative periods are refused with ChartException.
    void SetPeriod(double value);
    TFunctionPeriodStyle GetPeriodStyle() const { return FPeriodStyle; }
    void SetPeriodStyle(TFunctionPeriodStyle value) { SetProperty(FPeriodStyle, value); }
    TFunctionPeriodAlign GetPeriodAlign() const { return FPeriodAlign; }
    void SetPeriodAlign(TFunctionPeriodAlign value) { SetProperty(FPeriodAlign, value); }

    TChartSeries* ParentSeries() const { return FParentSeries; }
    // Moves the function to another series (which then owns it).
    void SetParentSeries(TChartSeries* value);

    virtual double Calculate(TChartSeries* source, int first, int last);
    virtual double CalculateMany(const TCustomSeriesList& sources, int index);
    virtual void CalculatePeriod(TChartSeries* source, double x, int first, int last);
    virtual void CalculateAllPoints(TChartSeries* source, TChartValueList* xList);
    virtual void CalculateByPeriod(TChartSeries* source, TChartValueList* xList);
    virtual void DoCalculation(TChartSeries* source, TChartValueList* xList);
    virtual AnsiString GetEditorClass() const { return "TTeeFunctionEditor"; }
    // Every series of the chart prepares itself for the gallery.
    virtual void PrepareForGallery(IChartHost* chart);
    virtual bool IsValidSource(TChartSeries*) const { return true; }
    virtual void Clear() {}
    virtual void Assign(const TTeeFunction& source);

    void AddFunctionXY(bool sourceYMandatory, double x, double y);
    // Function types that compute without a source, or that replace the points as a
    // whole, take over the filling of the series.
    virtual void AddPoints(TChartSeries* source);
    TChartValueList* ValueList(TChartSeries* source) const;

    void BeginUpdate() { FUpdating = true; }
    void EndUpdate();
    bool Updating() const { return FUpdating; }
    void ReCalculate();

    // Carried for the function types; nothing in the base reads them.
    bool NoSourceRequired = true;
    bool SingleSource = false;

    // For the series' SetFunction only.
    void AttachTo(TChartSeries* series) { FParentSeries = series; }
    void DetachFrom(TChartSeries* series);

protected:
    // The next period boundary after x along the function series' X axis. Date-time
    // values step by calendar months and years where the period (its TDateTimeStep)
    // asks for them.
    virtual double NextPeriodBoundary(double x, int step) const;

    double FPeriod = 0;
    TFunctionPeriodStyle FPeriodStyle = psNumPoints;
    TFunctionPeriodAlign FPeriodAlign = paCenter;
    TChartSeries* FParentSeries = nullptr;
    bool FUpdating = false;

private:
    friend class TPropertySetters<TTeeFunction>;
    void PropertyChanged() { ReCalculate(); }
};

// Functions over a window of points sliding along the source.
class TTeeMovingFunction : public TTeeFunction {
    Q_OBJECT
public:
    explicit TTeeMovingFunction(QObject* owner = nullptr);
    void DoCalculation(TChartSeries* source, TChartValueList* xList) override;
};
