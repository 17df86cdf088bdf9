#pragma once
// An editor control that listens to one panel's events at a time (a chart list, a page
// navigator): switching panels moves the listener, and a destroyed panel is forgotten.
#include <functional>

#include "platform/FreeNotification.h"

// Points Field at Value, Listener listening to it instead of to the panel Field held before.
// When the panel is destroyed (its listener list with it) Field becomes null and Freed runs.
template <class Panel, class Receiver>
void TeeListenTo(Panel*& Field, Panel* Value, Receiver* Listener, std::function<void()> Freed)
{
    if (Field) {
        Field->RemoveListener(Listener);
        TeeRemoveFreeNotification(Field, Listener);
    }
    Field = Value;
    if (!Field) return;
    Field->Listeners.Add(Listener);
    TeeFreeNotification(Field, Listener, [&Field, Freed = std::move(Freed)](QObject*) {
        Field = nullptr;
        Freed();
    });
}
