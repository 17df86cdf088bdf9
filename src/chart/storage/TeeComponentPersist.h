#pragma once
// Writes a tree of persistent QObjects into a component stream and reads it back, walking
// their Q_PROPERTYs: properties that hold an object are written as that object's
// properties under a dotted name ("Pen.Color"), enumerations by their identifiers, sets as
// lists of identifiers, and a property only when the object says it is stored.
// Owned components (series of a chart, the function of a series) follow their owner as
// components of their own; their classes must be registered to be read back.
#include <functional>
#include <span>
#include <vector>

#include <QObject>

#include "chart/storage/TeeComponentStream.h"

// A property that an object stores by code of its own ("Data" of a series).
struct TStreamDefinedProperty {
    AnsiString Name;
    // False when the property is not stored for this object.
    std::function<bool(QObject* Object, TStreamValue& Value)> Write;
    std::function<void(QObject* Object, const TStreamValue& Value)> Read;
};

// A class that can be read from a stream.
struct TStreamClass {
    AnsiString ClassName;
    // A new, empty object of the class owned by Owner.
    std::function<QObject*(QObject* Owner)> Create;
};

// The readable classes: a class registered again replaces the earlier entry.
void RegisterStreamClass(const TStreamClass& Class);
void UnRegisterStreamClass(const AnsiString& ClassName);
const TStreamClass* FindStreamClass(const AnsiString& ClassName);

// Defined properties apply to every object of the named class and its subclasses.
void RegisterDefinedProperty(const AnsiString& ClassName, const TStreamDefinedProperty& Property);

// Replaces the child walk below for objects of the named class and its subclasses (a
// chart lists its series, whoever owns them).
void RegisterChildComponents(const AnsiString& ClassName, std::function<std::vector<QObject*>(QObject*)> Children);

// The components an object owns and writes after its properties: its direct children of
// a registered class that no property of it holds.
std::vector<QObject*> StreamChildComponents(QObject* Object);

// What the object stores, as the properties of its stream component.
std::vector<TStreamProperty> StoredProperties(QObject* Object);
// Sets the object's properties from a property list (of StoredProperties); the first bad
// property raises an Exception naming it.
void ReadStoredProperties(QObject* Object, const std::vector<TStreamProperty>& Properties);

// The object as a stream component: its class, its name (objectName) and what it stores.
TStreamComponent ComponentFromObject(QObject* Object);

// A reading error; answers true to ignore it and go on.
using TStreamReadError = std::function<bool(const AnsiString& Message)>;

// Reads Component into the existing Root: sets Root's properties and creates the owned
// components. Each unknown property or bad value goes to OnError (ignored without one), an
// unknown class too (raised without one); an error OnError does not ignore is raised as
// EComponentStreamError.
// The caller has already removed Root's former components.
// AddChild, when given, places each new component (a series into its chart).
using TStreamAddChild = std::function<void(QObject* Parent, QObject* Child)>;
void ReadComponentInto(QObject* Root, const TStreamComponent& Component, const TStreamReadError& OnError,
                       const TStreamAddChild& AddChild = {});
