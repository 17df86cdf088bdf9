#pragma once
// The store-and-repaint setters shared by the chart's objects. Owner derives from
// TPropertySetters<Owner> and provides `void PropertyChanged()`, which runs only when a
// setter really changed the stored value (befriend TPropertySetters<Owner> when it is private).
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/StoreChanged.h"

template <typename Owner>
class TPropertySetters {
protected:
    template <typename T, typename V>
    void SetProperty(T& Field, const V& Value)
    {
        if (StoreChanged(Field, Value)) static_cast<Owner*>(this)->PropertyChanged();
    }

    // The typed forms convert the argument first (an enum to int, a literal to AnsiString).
    void SetBooleanProperty(bool& Variable, bool Value) { SetProperty(Variable, Value); }
    void SetIntegerProperty(int& Variable, int Value) { SetProperty(Variable, Value); }
    void SetDoubleProperty(double& Variable, double Value) { SetProperty(Variable, Value); }
    void SetColorProperty(TColor& Variable, TColor Value) { SetProperty(Variable, Value); }
    void SetStringProperty(AnsiString& Variable, const AnsiString& Value) { SetProperty(Variable, Value); }
};
