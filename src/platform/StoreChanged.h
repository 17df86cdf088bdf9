#pragma once
// The common step of a property setter: store the new value only when it differs, and tell
// the caller whether anything changed (so that it repaints or notifies just then):
//   if (StoreChanged(FStyle, value)) Repaint();

template <typename T, typename V>
bool StoreChanged(T& Field, const V& Value)
{
    if (Field == Value) return false;
    Field = Value;
    return true;
}
