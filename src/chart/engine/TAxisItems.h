#pragma once
// The custom labels of an axis (TAxisItem, a framed box with a value and a text) and their
// list (TAxisItems), whose common format carries the font and visibility of the axis'
// labels.
#include <vector>

#include "chart/engine/TTeeCustomShape.h"
#include "platform/AnsiString.h"

class TAxisItems;
class TChartAxis;

// One custom label of an axis: a value and its text (the value's label when empty).
class TAxisItem : public TTeeCustomShape {
    Q_OBJECT
    Q_PROPERTY(AnsiString Text READ GetText WRITE SetText)
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)

public:
    TAxisItem(TAxisItems* owner, TCustomTeePanel* panel);

    TAxisItems* Owner() const { return FOwner; }
    const AnsiString& GetText() const { return FText; }
    void SetText(const AnsiString& value);
    double GetValue() const { return FValue; }
    void SetValue(double value);
    // Text without a repaint, for building the list.
    void InitText(const AnsiString& value) { FText = value; }

private:
    // Invalidates the chart of the owning list's axis.
    void Changed();

    TAxisItems* FOwner;
    AnsiString FText;
    double FValue = 0;
};

// The custom labels of an axis, owned, with their common format.
class TAxisItems {
public:
    explicit TAxisItems(TChartAxis* axis);
    ~TAxisItems();
    TAxisItems(const TAxisItems&) = delete;
    TAxisItems& operator=(const TAxisItems&) = delete;

    TChartAxis* Axis() const { return FAxis; }
    TTeeShape* Format() const { return FFormat; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Index-checked.
    TAxisItem* Get(int index) const;
    TAxisItem* operator[](int index) const { return Get(index); }
    TAxisItem* Add(double value);
    TAxisItem* Add(double value, const AnsiString& text);
    // Takes the source's format and replaces every item by a copy of the source's.
    void CopyFrom(const TAxisItems& source);
    // Frees every item and repaints the chart.
    void Clear();
    void Invalidate();

private:
    TCustomTeePanel* Panel() const;

    TChartAxis* FAxis;
    TTeeShape* FFormat;
    std::vector<TAxisItem*> FItems;
};
