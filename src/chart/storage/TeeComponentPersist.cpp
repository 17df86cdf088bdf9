#include "chart/storage/TeeComponentPersist.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QStringList>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"
#include "platform/TCollection.h"
#include "platform/TPersistent.h"

namespace {

std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}
std::map<AnsiString, TStreamClass>& Classes()
{
    static std::map<AnsiString, TStreamClass> classes;
    return classes;
}
std::vector<std::pair<AnsiString, TStreamDefinedProperty>>& DefinedProperties()
{
    static std::vector<std::pair<AnsiString, TStreamDefinedProperty>> props;
    return props;
}

std::vector<TStreamDefinedProperty> DefinedPropertiesOf(const QObject* object)
{
    std::vector<TStreamDefinedProperty> result;
    std::lock_guard lock(RegistryMutex());
    for (const auto& [cls, prop] : DefinedProperties())
        if (object->inherits(cls.c_str())) result.push_back(prop);
    return result;
}

// Properties of Qt's own classes (objectName, and a widget's geometry) are no part of a
// chart: the walk starts after the last Qt class in the chain.
int FirstOwnProperty(const QMetaObject* mo)
{
    for (const QMetaObject* m = mo; m; m = m->superClass())
        if (m->className()[0] == 'Q') return m->propertyCount();
    return 0;
}

bool IsObjectPointer(const QMetaProperty& prop)
{
    return (prop.metaType().flags() & QMetaType::PointerToQObject) != 0;
}

bool IsStored(const QObject* object, const QMetaProperty& prop)
{
    if (!prop.isReadable() || !prop.isStored()) return false;
    if (auto* p = qobject_cast<const TPersistent*>(object)) return p->IsPropertyStored(prop.name());
    if (auto* panel = qobject_cast<const TCustomTeePanel*>(object)) return panel->IsPropertyStored(prop.name());
    return true;
}

// A held object that is a component of its own (has a name and a readable class) is
// referred to by name; any other is written as part of its holder.
bool IsComponentReference(const QMetaProperty& prop, const QObject* value)
{
    return prop.isWritable() && !value->objectName().isEmpty() && FindStreamClass(value->metaObject()->className());
}

bool ToStreamValue(const QMetaProperty& prop, const QVariant& v, TStreamValue& out)
{
    const QMetaType type = prop.metaType();
    if (prop.isFlagType()) {
        const QMetaEnum e = prop.enumerator();
        std::vector<AnsiString> names;
        const int bits = v.toInt();
        for (int k = 0; k < e.keyCount(); ++k) {
            const int value = e.value(k);
            if (value != 0 && (bits & value) == value) names.push_back(e.key(k));
        }
        out = TStreamValue::MakeSet(std::move(names));
        return true;
    }
    if (prop.isEnumType()) {
        const char* key = prop.enumerator().valueToKey(v.toInt());
        if (key)
            out = TStreamValue::MakeIdent(key);
        else
            out = TStreamValue::MakeInt(v.toInt());
        return true;
    }
    switch (type.id()) {
        case QMetaType::Bool: out = TStreamValue::MakeBool(v.toBool()); return true;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong: out = TStreamValue::MakeInt(v.toLongLong()); return true;
        case QMetaType::Double:
        case QMetaType::Float: out = TStreamValue::MakeFloat(v.toDouble()); return true;
        case QMetaType::QString: out = TStreamValue::MakeString(v.toString().toStdString()); return true;
        case QMetaType::QStringList: {
            out = TStreamValue{};
            out.Kind = TStreamValue::List;
            for (const QString& s : v.toStringList()) out.Items.push_back(TStreamValue::MakeString(s.toStdString()));
            return true;
        }
        default: break;
    }
    if (type == QMetaType::fromType<std::string>()) {
        out = TStreamValue::MakeString(v.value<std::string>());
        return true;
    }
    if (type == QMetaType::fromType<QList<int>>()) {
        out = TStreamValue{};
        out.Kind = TStreamValue::List;
        for (int i : v.value<QList<int>>()) out.Items.push_back(TStreamValue::MakeInt(i));
        return true;
    }
    return false;
}

void WriteProperties(QObject* object, const AnsiString& prefix, std::vector<TStreamProperty>& out,
                     std::set<const QObject*>& path)
{
    if (!path.insert(object).second) return;  // an object that holds itself: write it once
    const QMetaObject* mo = object->metaObject();
    for (int i = FirstOwnProperty(mo); i < mo->propertyCount(); ++i) {
        const QMetaProperty prop = mo->property(i);
        if (!IsStored(object, prop)) continue;
        const QVariant v = prop.read(object);
        const AnsiString name = prefix + prop.name();
        if (IsObjectPointer(prop)) {
            QObject* held = v.value<QObject*>();
            if (!held) continue;
            // A collection is written as its items, each with its own stored properties.
            if (auto* collection = qobject_cast<TCollection*>(held)) {
                TStreamValue items;
                items.Kind = TStreamValue::Collection;
                for (TCollectionItem* item : *collection) {
                    std::vector<TStreamProperty> properties;
                    WriteProperties(item, "", properties, path);
                    items.Elements.push_back(std::move(properties));
                }
                out.push_back({name, std::move(items)});
                continue;
            }
            if (IsComponentReference(prop, held))
                out.push_back({name, TStreamValue::MakeIdent(held->objectName().toStdString())});
            else
                WriteProperties(held, name + ".", out, path);
            continue;
        }
        TStreamValue value;
        if (!ToStreamValue(prop, v, value)) continue;
        // A string list is stored as its lines under "Strings", as text lists always were.
        if (prop.metaType().id() == QMetaType::QStringList)
            out.push_back({name + ".Strings", std::move(value)});
        else
            out.push_back({name, std::move(value)});
    }
    for (const TStreamDefinedProperty& defined : DefinedPropertiesOf(object)) {
        TStreamValue value;
        if (defined.Write && defined.Write(object, value)) out.push_back({prefix + defined.Name, std::move(value)});
    }
    path.erase(object);
}

// ---------------------------------------------------------------- reading

// Colours in files may be named ("clRed", "clBtnFace") instead of numbered.
bool ColorFromName(const AnsiString& name, std::int64_t& value)
{
    TColor color;
    if (!IdentToColor(name, color)) return false;
    value = color;
    return true;
}

class ComponentReader {
public:
    ComponentReader(QObject* root, const TStreamReadError& onError, const TStreamAddChild& addChild)
        : FRoot(root), FOnError(onError), FAddChild(addChild)
    {}

    void Read(QObject* object, const TStreamComponent& c, int depth)
    {
        if (depth > MaxComponentDepth) throw EComponentStreamError("Components nested too deeply");
        for (const TStreamProperty& p : c.Properties) {
            try {
                SetProperty(object, p);
            } catch (const EComponentStreamError&) {
                throw;
            } catch (const std::exception& e) {
                Error(PropertyError(c, p, e.what()));
            }
        }
        for (const TStreamComponent& child : c.Children) {
            QObject* created = FindOrCreate(object, child);
            if (created) Read(created, child, depth + 1);
        }
    }

private:
    static AnsiString PropertyError(const TStreamComponent& c, const TStreamProperty& p, const AnsiString& why)
    {
        return "Error reading " + (c.Name.empty() ? c.ClassName : c.Name) + "." + p.Name + ": " + why;
    }

    void Error(const AnsiString& message)
    {
        if (!FOnError || FOnError(message)) return;
        throw EComponentStreamError(message);
    }

    QObject* FindOrCreate(QObject* parent, const TStreamComponent& c)
    {
        if (!c.Name.empty()) {
            for (QObject* existing : parent->children())
                if (existing->objectName().toStdString() == c.Name &&
                    c.ClassName == existing->metaObject()->className())
                    return existing;
        }
        const TStreamClass* cls = FindStreamClass(c.ClassName);
        if (!cls || !cls->Create) {
            // A component that cannot be made would vanish from the chart: unlike a bad
            // property this fails the reading unless the handler lets it pass.
            const AnsiString message = "Class " + c.ClassName + " not found";
            if (FOnError && FOnError(message)) return nullptr;
            throw EComponentStreamError(message);
        }
        QObject* child = cls->Create(parent);
        child->setObjectName(QString::fromStdString(c.Name));
        if (FAddChild) FAddChild(parent, child);
        return child;
    }

    QObject* FindComponent(const AnsiString& name) const
    {
        const QString n = QString::fromStdString(name);
        if (FRoot->objectName() == n) return FRoot;
        return FRoot->findChild<QObject*>(n);
    }

    void SetProperty(QObject* object, const TStreamProperty& p)
    {
        // Walk the dotted path through the held objects.
        std::size_t start = 0;
        for (std::size_t dot; (dot = p.Name.find('.', start)) != AnsiString::npos; start = dot + 1) {
            const AnsiString part = p.Name.substr(start, dot - start);
            const QMetaObject* mo = object->metaObject();
            const int index = mo->indexOfProperty(part.c_str());
            if (index >= FirstOwnProperty(mo) && p.Name.substr(dot + 1) == "Strings" &&
                mo->property(index).metaType().id() == QMetaType::QStringList) {
                const QMetaProperty prop = mo->property(index);
                if (!prop.isWritable() || !prop.write(object, ToVariant(prop, p.Value)))
                    throw Exception("Invalid property value");
                return;
            }
            if (index < FirstOwnProperty(mo) || !IsObjectPointer(mo->property(index)))
                throw Exception("Property " + part + " does not exist");
            QObject* held = mo->property(index).read(object).value<QObject*>();
            if (!held) throw Exception("Property " + part + " holds no object");
            object = held;
        }
        const AnsiString last = p.Name.substr(start);
        const QMetaObject* mo = object->metaObject();
        const int index = mo->indexOfProperty(last.c_str());
        // Event handlers are named in files written with them; a program without those
        // handlers drops the references.
        if (index < FirstOwnProperty(mo) && last.size() > 2 && last.compare(0, 2, "On") == 0 &&
            p.Value.Kind == TStreamValue::Ident)
            return;
        if (index < FirstOwnProperty(mo)) {
            for (const TStreamDefinedProperty& defined : DefinedPropertiesOf(object))
                if (defined.Name == last && defined.Read) {
                    defined.Read(object, p.Value);
                    return;
                }
            throw Exception("Property " + last + " does not exist");
        }
        const QMetaProperty prop = mo->property(index);
        if (p.Value.Kind == TStreamValue::Collection) {
            ReadCollection(object, prop, last, p.Value);
            return;
        }
        if (!prop.isWritable()) throw Exception("Property " + last + " is read-only");
        const QVariant v = ToVariant(prop, p.Value);
        if (!prop.write(object, v)) throw Exception("Invalid property value");
    }

    // The collection held by the property takes the file's items in place of its own.
    void ReadCollection(QObject* object, const QMetaProperty& prop, const AnsiString& name, const TStreamValue& v)
    {
        auto* collection =
            IsObjectPointer(prop) ? qobject_cast<TCollection*>(prop.read(object).value<QObject*>()) : nullptr;
        if (!collection) throw Exception("Property " + name + " is not a collection");
        collection->Clear();
        for (const std::vector<TStreamProperty>& element : v.Elements) {
            TCollectionItem* item = collection->Add();
            for (const TStreamProperty& property : element) SetProperty(item, property);
        }
    }

    QVariant ToVariant(const QMetaProperty& prop, const TStreamValue& v) const
    {
        const QMetaType type = prop.metaType();
        auto bad = [] { return Exception("Invalid property value"); };
        if (IsObjectPointer(prop)) {
            if (v.Kind == TStreamValue::Nil) return QVariant::fromValue<QObject*>(nullptr);
            if (v.Kind != TStreamValue::Ident) throw bad();
            QObject* c = FindComponent(v.Text);
            if (!c) throw Exception("Component " + v.Text + " not found");
            QVariant r = QVariant::fromValue(c);
            if (!r.convert(type)) throw bad();
            return r;
        }
        if (prop.isFlagType()) {
            if (v.Kind != TStreamValue::Set) throw bad();
            const QMetaEnum e = prop.enumerator();
            int bits = 0;
            for (const AnsiString& n : v.Names) {
                bool ok = false;
                const int value = e.keyToValue(n.c_str(), &ok);
                if (!ok) throw Exception("Invalid property value " + n);
                bits |= value;
            }
            QVariant r(bits);
            return r;
        }
        if (prop.isEnumType()) {
            if (v.Kind != TStreamValue::Ident) throw bad();
            bool ok = false;
            const int value = prop.enumerator().keyToValue(v.Text.c_str(), &ok);
            if (!ok) throw Exception("Invalid property value " + v.Text);
            return QVariant(value);
        }
        switch (type.id()) {
            case QMetaType::Bool:
                if (v.Kind != TStreamValue::Boolean) throw bad();
                return QVariant(v.BoolValue);
            case QMetaType::Int:
            case QMetaType::Long:
            case QMetaType::Short: {
                std::int64_t value = v.IntValue;
                if (v.Kind == TStreamValue::Ident && ColorFromName(v.Text, value))
                    return QVariant(static_cast<int>(value));
                if (v.Kind != TStreamValue::Int || value < INT32_MIN || value > INT32_MAX) throw bad();
                return QVariant(static_cast<int>(value));
            }
            case QMetaType::UInt:
            case QMetaType::UShort:
                if (v.Kind != TStreamValue::Int || v.IntValue < 0 || v.IntValue > UINT32_MAX) throw bad();
                return QVariant(static_cast<unsigned>(v.IntValue));
            case QMetaType::LongLong:
                if (v.Kind != TStreamValue::Int) throw bad();
                return QVariant(static_cast<qlonglong>(v.IntValue));
            case QMetaType::Double:
            case QMetaType::Float:
                if (v.Kind == TStreamValue::Int) return QVariant(static_cast<double>(v.IntValue));
                if (v.Kind != TStreamValue::Float) throw bad();
                return QVariant(v.FloatValue);
            case QMetaType::QString:
                if (v.Kind != TStreamValue::String) throw bad();
                return QVariant(QString::fromStdString(v.Text));
            case QMetaType::QStringList: {
                if (v.Kind != TStreamValue::List) throw bad();
                QStringList list;
                for (const TStreamValue& item : v.Items) {
                    if (item.Kind != TStreamValue::String) throw bad();
                    list << QString::fromStdString(item.Text);
                }
                return QVariant(list);
            }
            default: break;
        }
        if (type == QMetaType::fromType<std::string>()) {
            if (v.Kind != TStreamValue::String) throw bad();
            return QVariant::fromValue(v.Text);
        }
        if (type == QMetaType::fromType<QList<int>>()) {
            if (v.Kind != TStreamValue::List) throw bad();
            QList<int> list;
            for (const TStreamValue& item : v.Items) {
                if (item.Kind != TStreamValue::Int || item.IntValue < INT32_MIN || item.IntValue > INT32_MAX)
                    throw bad();
                list << static_cast<int>(item.IntValue);
            }
            return QVariant::fromValue(list);
        }
        throw Exception("Property type is not stored");
    }

    QObject* FRoot;
    const TStreamReadError& FOnError;
    const TStreamAddChild& FAddChild;
};

std::map<AnsiString, std::function<std::vector<QObject*>(QObject*)>>& ChildHooks()
{
    static std::map<AnsiString, std::function<std::vector<QObject*>(QObject*)>> hooks;
    return hooks;
}

}  // namespace

void RegisterStreamClass(const TStreamClass& Class)
{
    std::lock_guard lock(RegistryMutex());
    Classes()[Class.ClassName] = Class;
}

void UnRegisterStreamClass(const AnsiString& ClassName)
{
    std::lock_guard lock(RegistryMutex());
    Classes().erase(ClassName);
}

const TStreamClass* FindStreamClass(const AnsiString& ClassName)
{
    std::lock_guard lock(RegistryMutex());
    auto it = Classes().find(ClassName);
    if (it != Classes().end()) return &it->second;
    // The registered series, function and tool classes are readable too, through their
    // invokable constructor taking the owner.
    std::vector<const QMetaObject*> registered;
    for (const TTeeSeriesType& type : TeeSeriesTypes()) {
        registered.push_back(type.SeriesClass);
        registered.push_back(type.FunctionClass);
    }
    registered.insert(registered.end(), TeeToolTypes().begin(), TeeToolTypes().end());
    for (const QMetaObject* mo : registered) {
        if (!mo || ClassName != mo->className()) continue;
        TStreamClass cls{ClassName, [mo](QObject* owner) -> QObject* {
                             QObject* o = mo->newInstance(Q_ARG(QObject*, owner));
                             if (!o) throw Exception("Class " + AnsiString(mo->className()) + " cannot be created");
                             return o;
                         }};
        return &(Classes()[ClassName] = cls);
    }
    return nullptr;
}

void RegisterDefinedProperty(const AnsiString& ClassName, const TStreamDefinedProperty& Property)
{
    std::lock_guard lock(RegistryMutex());
    for (auto& [cls, prop] : DefinedProperties())
        if (cls == ClassName && prop.Name == Property.Name) {
            prop = Property;
            return;
        }
    DefinedProperties().emplace_back(ClassName, Property);
}

void RegisterChildComponents(const AnsiString& ClassName, std::function<std::vector<QObject*>(QObject*)> Children)
{
    std::lock_guard lock(RegistryMutex());
    ChildHooks()[ClassName] = std::move(Children);
}

std::vector<QObject*> StreamChildComponents(QObject* Object)
{
    {
        std::function<std::vector<QObject*>(QObject*)> hook;
        {
            std::lock_guard lock(RegistryMutex());
            for (const auto& [cls, fn] : ChildHooks())
                if (Object->inherits(cls.c_str())) hook = fn;
        }
        if (hook) return hook(Object);
    }
    std::set<const QObject*> held;
    const QMetaObject* mo = Object->metaObject();
    for (int i = FirstOwnProperty(mo); i < mo->propertyCount(); ++i) {
        const QMetaProperty prop = mo->property(i);
        if (IsObjectPointer(prop) && prop.isReadable()) held.insert(prop.read(Object).value<QObject*>());
    }
    std::vector<QObject*> result;
    for (QObject* child : Object->children())
        if (!held.count(child) && FindStreamClass(child->metaObject()->className())) result.push_back(child);
    return result;
}

namespace {
TStreamComponent ComponentFromObjectAt(QObject* Object, int depth)
{
    if (depth > MaxComponentDepth) throw EComponentStreamError("Components nested too deeply");
    TStreamComponent c;
    c.ClassName = Object->metaObject()->className();
    c.Name = Object->objectName().toStdString();
    // A name the file cannot carry would make a file that does not load again.
    if (!c.Name.empty() && !IsStreamIdentifier(c.Name, false))
        throw EComponentStreamError("Invalid component name \"" + c.Name + "\"");
    std::set<const QObject*> path;
    WriteProperties(Object, "", c.Properties, path);
    for (QObject* child : StreamChildComponents(Object)) c.Children.push_back(ComponentFromObjectAt(child, depth + 1));
    return c;
}
}  // namespace

TStreamComponent ComponentFromObject(QObject* Object)
{
    return ComponentFromObjectAt(Object, 0);
}

std::vector<TStreamProperty> StoredProperties(QObject* Object)
{
    std::vector<TStreamProperty> properties;
    std::set<const QObject*> path;
    WriteProperties(Object, "", properties, path);
    return properties;
}

void ReadStoredProperties(QObject* Object, const std::vector<TStreamProperty>& Properties)
{
    TStreamComponent c;
    c.ClassName = Object->metaObject()->className();
    c.Properties = Properties;
    // The first error ends the reading as an error of the caller's property, not of the
    // whole stream.
    const TStreamReadError stop = [](const AnsiString&) { return false; };
    const TStreamAddChild none;
    try {
        ComponentReader reader(Object, stop, none);
        reader.Read(Object, c, 0);
    } catch (const EComponentStreamError& e) {
        throw Exception(e.Message);
    }
}

void ReadComponentInto(QObject* Root, const TStreamComponent& Component, const TStreamReadError& OnError,
                       const TStreamAddChild& AddChild)
{
    ComponentReader reader(Root, OnError, AddChild);
    reader.Read(Root, Component, 0);
}
