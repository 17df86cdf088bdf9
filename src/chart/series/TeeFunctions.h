#pragma once
// The basic series functions: add, subtract, multiply, divide, high, low, average, the
// equation "y = f(x)", median and mode. Each reads the value list of its source that
// TTeeFunction::ValueList selects (median and mode: the mandatory list).
#include <functional>
#include <vector>

#include "chart/engine/TTeeFunction.h"

class TAddTeeFunction : public TTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAddTeeFunction(QObject* owner = nullptr);
    double Calculate(TChartSeries* source, int first, int last) override;
    double CalculateMany(const TCustomSeriesList& sources, int index) override;
};

// Folds the values of several sources at one index, from the first source that has one.
class TManySeriesTeeFunction : public TTeeFunction {
    Q_OBJECT
public:
    explicit TManySeriesTeeFunction(QObject* owner = nullptr);
    double CalculateMany(const TCustomSeriesList& sources, int index) override;
    virtual double CalculateValue(double result, double value) const;
};

class TSubtractTeeFunction : public TManySeriesTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TSubtractTeeFunction(QObject* owner = nullptr);
    double CalculateValue(double result, double value) const override { return result - value; }
};

class TMultiplyTeeFunction : public TManySeriesTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TMultiplyTeeFunction(QObject* owner = nullptr);
    double CalculateValue(double result, double value) const override { return result * value; }
};

// A zero divisor leaves the running result as it is.
class TDivideTeeFunction : public TManySeriesTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDivideTeeFunction(QObject* owner = nullptr);
    double CalculateValue(double result, double value) const override { return value == 0 ? result : result / value; }
};

// The highest or the lowest value of a range, or across sources at one index.
class TExtremeTeeFunction : public TTeeFunction {
    Q_OBJECT
public:
    TExtremeTeeFunction(QObject* owner, bool high);
    double Calculate(TChartSeries* source, int first, int last) override;
    double CalculateMany(const TCustomSeriesList& sources, int index) override;

private:
    bool FHigh;
};

class THighTeeFunction : public TExtremeTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit THighTeeFunction(QObject* owner = nullptr) : TExtremeTeeFunction(owner, true) {}
};

class TLowTeeFunction : public TExtremeTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLowTeeFunction(QObject* owner = nullptr) : TExtremeTeeFunction(owner, false) {}
};

class TAverageTeeFunction : public TTeeFunction {
    Q_OBJECT
    Q_PROPERTY(bool IncludeNulls READ GetIncludeNulls WRITE SetIncludeNulls)
public:
    Q_INVOKABLE explicit TAverageTeeFunction(QObject* owner = nullptr);
    bool GetIncludeNulls() const { return FIncludeNulls; }
    void SetIncludeNulls(bool value) { SetProperty(FIncludeNulls, value); }
    double Calculate(TChartSeries* source, int first, int last) override;
    double CalculateMany(const TCustomSeriesList& sources, int index) override;
    AnsiString GetEditorClass() const override { return "TAverageFuncEditor"; }
    void Assign(const TTeeFunction& source) override;

private:
    bool FIncludeNulls = true;
};

// "y = f(x)": NumPoints points from StartX on, Period apart, with Y from OnCalculate. It
// needs no source.
class TCustomTeeFunction : public TTeeFunction {
    Q_OBJECT
    Q_PROPERTY(int NumPoints READ GetNumPoints WRITE SetNumPoints)
    Q_PROPERTY(double StartX READ GetStartX WRITE SetStartX)
public:
    using TCalculateEvent = std::function<void(TCustomTeeFunction* sender, double x, double& y)>;

    Q_INVOKABLE explicit TCustomTeeFunction(QObject* owner = nullptr);
    int GetNumPoints() const { return FNumPoints; }
    void SetNumPoints(int value) { SetProperty(FNumPoints, value); }
    double GetStartX() const { return FStartX; }
    void SetStartX(double value) { SetProperty(FStartX, value); }
    const TCalculateEvent& GetOnCalculate() const { return FOnCalculate; }
    void SetOnCalculate(TCalculateEvent value);
    // The X whose Y OnCalculate is asked for.
    double CurrentX() const { return FX; }

    void AddPoints(TChartSeries* source) override;
    AnsiString GetEditorClass() const override { return "TCustomFunctionEditor"; }
    void Assign(const TTeeFunction& source) override;

private:
    TCalculateEvent FOnCalculate;
    int FNumPoints = 100;
    double FStartX = 0;
    double FX = 0;
};

// Functions computed over the chosen values in ascending order.
class TCustomSortedFunction : public TTeeFunction {
    Q_OBJECT
    Q_PROPERTY(bool IncludeNulls READ GetIncludeNulls WRITE SetIncludeNulls)
public:
    explicit TCustomSortedFunction(QObject* owner = nullptr);
    bool GetIncludeNulls() const { return FIncludeNulls; }
    void SetIncludeNulls(bool value) { SetProperty(FIncludeNulls, value); }
    double Calculate(TChartSeries* source, int first, int last) override;
    double CalculateMany(const TCustomSeriesList& sources, int index) override;
    void Assign(const TTeeFunction& source) override;

protected:
    // The result over the sorted values (an empty list gives 0).
    virtual double CalcResult(const std::vector<double>& sorted) const;

private:
    void Insert(std::vector<double>& sorted, double value) const;
    bool FIncludeNulls = true;
};

class TMedianTeeFunction : public TCustomSortedFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TMedianTeeFunction(QObject* owner = nullptr);

protected:
    double CalcResult(const std::vector<double>& sorted) const override;
};

class TModeTeeFunction : public TCustomSortedFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TModeTeeFunction(QObject* owner = nullptr);

protected:
    double CalcResult(const std::vector<double>& sorted) const override;
};

// Enters the ten functions into the library's series-type list, on the standard gallery
// page; the library does this once when it starts, further calls add nothing.
void RegisterTeeBasicFunctions();
