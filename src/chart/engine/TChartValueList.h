#pragma once
// One column of numbers of a series (X, Y or a further column a series type adds).
// Values live in a growable array with room reserved ahead (Capacity); the list keeps itself
// ordered on insertion when asked to and caches minimum, maximum and totals.
#include <QObject>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "platform/AnsiString.h"
#include "platform/TPersistent.h"

class TChartSeries;

// Step by which a value array grows at least (long arrays grow by an eighth, so that
// appending stays cheap for very long lists). Values <= 0 count as 1.
extern int TeeDefaultCapacity;

class TChartValueList : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool DateTime READ GetDateTime WRITE SetDateTime)
    Q_PROPERTY(AnsiString Name READ GetName WRITE SetName)
    Q_PROPERTY(ChartDataEnums::TChartListOrder Order READ GetOrder WRITE SetOrder)
    Q_PROPERTY(AnsiString ValueSource READ GetValueSource WRITE SetValueSource)

public:
    // Appends itself to the owner's list of value lists (the owner then owns it).
    TChartValueList(TChartSeries* owner, const AnsiString& name);
    ~TChartValueList() override;

    TChartSeries* Owner() const { return FOwner; }

    // The value that the next AddChartValue() without argument inserts.
    double TempValue = 0;

    int Count() const;
    // Room of the value array (reserved, not filled); never below Count.
    int Capacity() const { return static_cast<int>(FValue.capacity()); }

    // Index arguments of the plain accessors are the caller's to keep in 0..Count-1.
    double Value(int index) const { return FValue[static_cast<std::size_t>(index)]; }
    double operator[](int index) const { return FValue[static_cast<std::size_t>(index)]; }
    double GetValue(int index) const { return Value(index); }
    void SetValue(int index, double value);
    // Stores without telling the owner (the series' SetXValue/SetYValue repaint only).
    void StoreValue(int index, double value);
    const double* Data() const { return FValue.data(); }
    double First() const { return FValue[0]; }
    double Last() const { return FValue[static_cast<std::size_t>(FCount - 1)]; }

    virtual int AddChartValue();
    int AddChartValue(double value);
    virtual void InsertChartValue(int index, double value);
    virtual void Delete(int index);
    void Delete(int start, int quantity);
    virtual void ClearValues();

    int Locate(double value) const;
    int Locate(double value, int first, int last) const;

    double MinValue();
    double MaxValue();
    // Value widened to take in this list's values: the smaller (larger) of the two; Value
    // alone while the list is empty.
    double MinWith(double Value);
    double MaxWith(double Value);
    double Total();
    double TotalABS();
    double Range();
    void RecalcStats();
    void RecalcStats(int start);

    void Exchange(int a, int b);
    void FillSequence();
    void Scroll();
    void Sort();
    int CompareValueIndex(int a, int b) const;
    AnsiString ToString(int index) const;

    bool GetDateTime() const { return FDateTime; }
    void SetDateTime(bool value);
    void InitDateTime(bool value);
    Q_INVOKABLE bool IsDateTimeStored() const { return FDateTime != FDefaultDateTime; }
    const AnsiString& GetName() const { return FName; }
    void SetName(const AnsiString& value) { FName = value; }
    TChartListOrder GetOrder() const { return FOrder; }
    void SetOrder(TChartListOrder value);
    const AnsiString& GetValueSource() const { return FValueSource; }
    void SetValueSource(const AnsiString& value);

    // Copies Order, DateTime and ValueSource (not the values, not the name).
    virtual void Assign(const TChartValueList& source);
    void Assign(TPersistent* Source) override;
    // DateTime is stored only when it differs from the value its series set up.
    bool IsPropertyStored(const char* Name) const override;

    // Whether the values are in fact in order (no NaN, no value out of place): descending
    // for a descending list, ascending otherwise, also when Order is none (points appended
    // as they come, such as a recording's times, mostly are). Ordered searches, the visible
    // range and drawing use binary search only then. Kept up as values come and go,
    // recomputed on demand after changes that may have restored the order.
    bool IsOrdered() const;
    // First index in first..Count-1 whose value is not below `limit` (lists not descending)
    // or not above it (descending), or Count when none is. Binary search on an ordered list,
    // a forward scan otherwise.
    int FirstIndexNotBefore(double limit, int first = 0) const;

    // For the series only: swaps two values without notification; reorders the whole list
    // by a permutation (new value i = old value perm[i]); appends without order or
    // notification (bulk loading, which sorts once afterwards).
    void SwapNoNotify(int a, int b);
    void ApplyPermutation(const std::vector<int>& perm);
    void AppendRaw(double value);
    // Appends values at the end as AddChartValue places each of them when it follows the
    // last in the list's order (the caller makes sure it does).
    void AppendRange(const double* values, int count);
    // The values of an empty list become `values` (their storage taken over, no copy); a
    // list that holds values appends them as AppendRange.
    void AdoptValues(std::vector<double>&& values);
    void Reserve(int length);

private:
    enum class SortState { Unknown, Ordered, Unordered };

    void Grow();
    // Puts value at index (0 .. Count) keeping the statistics and the order state right.
    void InsertAt(int index, double value);
    // A value at index changed: statistics covering it are stale.
    void Touched(int index)
    {
        if (index < FStatsCount) FStatsCount = -1;
    }
    void CheckOrderAround(int index);
    // Values were removed or changed: a list out of order may be in order again (a shift of
    // every value passes through disorder), so the next question looks again.
    void Reconsider()
    {
        if (FSortState == SortState::Unordered) FSortState = SortState::Unknown;
    }
    bool InOrder(double a, double b) const;  // a may precede b
    void EnsureStats();

    TChartSeries* FOwner;
    bool FDateTime = false;
    bool FDefaultDateTime = false;
    AnsiString FName;
    TChartListOrder FOrder = loNone;
    AnsiString FValueSource;

    std::vector<double> FValue;
    int FCount = 0;

    // Statistics cover the values 0..FStatsCount-1; -1 means they must be rebuilt.
    int FStatsCount = -1;
    bool FStatsAny = false;  // a non-NaN value was met
    double FMinValue = 0;
    double FMaxValue = 0;
    double FTotal = 0;
    double FTotalABS = 0;

    mutable SortState FSortState = SortState::Ordered;
};

// Whether each of values[1..count) follows the one before in order (ascending, or descending
// when `descending`): no value out of place and none but maybe the first a NaN.
bool ChartValuesInOrder(const double* values, int count, bool descending);

// The value lists of one series: X first, Y second, further lists after. Owns the lists.
class TChartValueLists {
public:
    TChartValueLists() = default;
    TChartValueLists(const TChartValueLists&) = delete;
    TChartValueLists& operator=(const TChartValueLists&) = delete;
    ~TChartValueLists() { Clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    TChartValueList* operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TChartValueList* ValueList(int index) const { return (*this)[index]; }
    int IndexOf(const TChartValueList* list) const;
    void Add(TChartValueList* list) { FItems.push_back(list); }
    void Insert(int index, TChartValueList* list);
    // Removes the entry without freeing the list.
    void Remove(TChartValueList* list);
    void Put(int index, TChartValueList* list) { FItems.at(static_cast<std::size_t>(index)) = list; }
    // Frees every list.
    void Clear();

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TChartValueList*> FItems;
};
