#pragma once
// Base of the persistent objects: QObjects whose stored properties are Q_PROPERTYs, copied
// with Assign (never a copy constructor), with the change notification of the class library.
#include <QObject>
#include <functional>
#include <utility>

#include "platform/ScopedValue.h"

using TNotifyEvent = std::function<void(QObject* Sender)>;

// Holds an object's change notices back for a scope (settings made while drawing, or an
// owner's own defaults): the event is put back when the scope ends, and nothing is sent
// for what changed meanwhile.
class TQuietChange : public TScopedValue<TNotifyEvent> {
public:
    explicit TQuietChange(TNotifyEvent& Event) : TScopedValue(Event, nullptr) {}
};

// The setter of a part its owner creates on first use: no value removes the part, a value is
// copied into it (`Part` is the getter that creates it). Returns true when a part was removed.
template <typename T, typename V, typename Create>
bool AssignPart(T*& Field, V* Value, Create&& Part)
{
    if (Value) {
        if (Value != Field) Part()->Assign(Value);
        return false;
    }
    if (!Field) return false;
    delete Field;
    Field = nullptr;
    return true;
}

class TPersistent : public QObject {
    Q_OBJECT
public:
    explicit TPersistent(QObject* parent = nullptr) : QObject(parent) {}
    // Copies Source into this object. The default hands over to Source->AssignTo; a pair
    // that knows no way to copy raises EConvertError ("Cannot assign a X to a Y").
    virtual void Assign(TPersistent* Source);
    // Whether the named Q_PROPERTY is written when the object is stored: a property whose
    // value equals its default is left out. (Qt 6 allows only constants in STORED, so the
    // rule lives here; classes with such properties override it.)
    virtual bool IsPropertyStored(const char* Name) const;

protected:
    virtual void AssignTo(TPersistent* Dest);
};

// The copy of a class whose stored values are one record (Record, a member of T): a Source
// that is a T hands over its record. False for any other Source, which the caller passes on
// to its base class's Assign.
template <typename T, typename R>
bool AssignRecord(T* Self, R T::*Record, TPersistent* Source)
{
    auto* s = qobject_cast<T*>(Source);
    if (s) Self->*Record = s->*Record;
    return s != nullptr;
}
