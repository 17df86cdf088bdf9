#pragma once
// The component stream of chart files: a tree of components (class, name, properties,
// owned components) and its two forms, the binary one ("TPF0" and tagged values) and the
// text one ("object Name: TClass ... end"). Reading checks the whole stream before anyone
// uses it, so a malformed file is refused as a whole.
#include <cstdint>
#include <string>
#include <vector>

#include "chart/engine/ChartExceptions.h"
#include "platform/AnsiString.h"

// Value tags of the binary form.
enum TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

struct TStreamProperty;

// One property value. Strings are UTF-8 whatever their stored form.
struct TStreamValue {
    enum TKind { Int, Float, String, Ident, Boolean, Binary, Set, List, Collection, Nil };
    TKind Kind = Nil;
    std::int64_t IntValue = 0;
    double FloatValue = 0;
    bool BoolValue = false;
    AnsiString Text{};                                     // String, Ident
    std::vector<std::uint8_t> Bytes{};                     // Binary
    std::vector<AnsiString> Names{};                       // Set
    std::vector<TStreamValue> Items{};                     // List
    std::vector<std::vector<TStreamProperty>> Elements{};  // Collection

    // Defined below, once TStreamProperty is complete: building or comparing a value touches
    // the collection's element vectors, which a compiler may instantiate right away.
    static TStreamValue MakeInt(std::int64_t v);
    static TStreamValue MakeFloat(double v);
    static TStreamValue MakeString(const AnsiString& v);
    static TStreamValue MakeIdent(const AnsiString& v);
    static TStreamValue MakeBool(bool v);
    static TStreamValue MakeBinary(std::vector<std::uint8_t> v);
    static TStreamValue MakeSet(std::vector<AnsiString> v);
    bool operator==(const TStreamValue&) const;
};

struct TStreamProperty {
    AnsiString Name;  // dotted for properties of owned objects: "Pen.Color"
    TStreamValue Value;
    bool operator==(const TStreamProperty&) const = default;
};

inline TStreamValue TStreamValue::MakeInt(std::int64_t v)
{
    return {.Kind = Int, .IntValue = v};
}
inline TStreamValue TStreamValue::MakeFloat(double v)
{
    return {.Kind = Float, .FloatValue = v};
}
inline TStreamValue TStreamValue::MakeString(const AnsiString& v)
{
    return {.Kind = String, .Text = v};
}
inline TStreamValue TStreamValue::MakeIdent(const AnsiString& v)
{
    return {.Kind = Ident, .Text = v};
}
inline TStreamValue TStreamValue::MakeBool(bool v)
{
    return {.Kind = Boolean, .BoolValue = v};
}
inline TStreamValue TStreamValue::MakeBinary(std::vector<std::uint8_t> v)
{
    return {.Kind = Binary, .Bytes = std::move(v)};
}
inline TStreamValue TStreamValue::MakeSet(std::vector<AnsiString> v)
{
    return {.Kind = Set, .Names = std::move(v)};
}
inline bool TStreamValue::operator==(const TStreamValue& Other) const
{
    return Kind == Other.Kind && IntValue == Other.IntValue && FloatValue == Other.FloatValue &&
           BoolValue == Other.BoolValue && Text == Other.Text && Bytes == Other.Bytes && Names == Other.Names &&
           Items == Other.Items && Elements == Other.Elements;
}

struct TStreamComponent {
    AnsiString ClassName;
    AnsiString Name;
    std::vector<TStreamProperty> Properties;
    std::vector<TStreamComponent> Children;
    bool operator==(const TStreamComponent&) const = default;
};

// A stream that breaks the component format. Chart files report it as their own error.
class EComponentStreamError : public ChartException {
public:
    using ChartException::ChartException;
};

// Components nest at most this deep; deeper streams are refused instead of exhausting
// the stack.
constexpr int MaxComponentDepth = 64;

// Letters, digits and "_", not starting with a digit; with Dotted, such names joined by
// dots ("Pen.Color").
bool IsStreamIdentifier(const AnsiString& Name, bool Dotted);

// Binary form, starting with "TPF0". Read answers the number of bytes used, so data
// that follows the component can be found.
void WriteComponentBinary(const TStreamComponent& Root, std::vector<std::uint8_t>& Out);
TStreamComponent ReadComponentBinary(const std::uint8_t* Data, std::size_t Size, std::size_t* Used = nullptr);

// One property list inside other data in the binary form: list begin, the properties,
// list end. Read answers the number of bytes used.
void WritePropertyListBinary(const std::vector<TStreamProperty>& Properties, std::vector<std::uint8_t>& Out);
std::vector<TStreamProperty> ReadPropertyListBinary(const std::uint8_t* Data, std::size_t Size,
                                                    std::size_t* Used = nullptr);

// Text form (Windows-1252 on disk, CR LF line ends); the reader also takes UTF-8 and LF.
std::string WriteComponentText(const TStreamComponent& Root);
TStreamComponent ReadComponentText(const std::uint8_t* Data, std::size_t Size);

// 80-bit extended floating point as the binary form stores it.
void DoubleToExtended(double Value, std::uint8_t Out[10]);
double ExtendedToDouble(const std::uint8_t In[10]);
