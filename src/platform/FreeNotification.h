#pragma once
// "Tell me when this component is freed": the receiver's handler runs when `watched` is
// destroyed (after its own destructors ran: compare the pointer, do not use it). The link
// ends by itself when the receiver goes first. One handler per pair: a second call
// replaces the first.
#include <QObject>
#include <functional>

inline void TeeFreeNotification(QObject* watched, QObject* receiver, std::function<void(QObject*)> handler)
{
    if (!watched || !receiver || watched == receiver) return;
    QObject::disconnect(watched, &QObject::destroyed, receiver, nullptr);
    QObject::connect(watched, &QObject::destroyed, receiver, [h = std::move(handler)](QObject* gone) { h(gone); });
}

inline void TeeRemoveFreeNotification(QObject* watched, QObject* receiver)
{
    if (watched && receiver) QObject::disconnect(watched, &QObject::destroyed, receiver, nullptr);
}

// Points Field at Value and keeps it from dangling: Field becomes null when the object it
// points at is destroyed. The receiver stops watching the object Field held before.
template <typename T>
void TeeWatchPointer(T*& Field, T* Value, QObject* receiver)
{
    if (Field == Value) return;
    if (Field) TeeRemoveFreeNotification(Field, receiver);
    Field = Value;
    // The notice comes when the object is already gone: only forget it.
    if (Field)
        TeeFreeNotification(Field, receiver, [&Field](QObject* gone) {
            if (gone == Field) Field = nullptr;
        });
}
