#include "chart/storage/TeeComponentStream.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/TextCodec.h"

// ---------------------------------------------------------------- extended floats

void DoubleToExtended(double Value, std::uint8_t Out[10])
{
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(Value);
    const bool negative = bits >> 63;
    const int exp = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t frac = bits & ((std::uint64_t(1) << 52) - 1);
    std::uint16_t e = 0;
    std::uint64_t mant = 0;
    if (exp == 0x7FF) {  // infinity, NaN
        e = 0x7FFF;
        mant = (std::uint64_t(1) << 63) | (frac << 11);
    } else if (exp == 0) {
        if (frac != 0) {  // subnormal double: normal in the wider exponent range
            int shift = 0;
            while (!(frac & (std::uint64_t(1) << 52))) {
                frac <<= 1;
                ++shift;
            }
            e = static_cast<std::uint16_t>(1 - 1023 - shift + 16383);
            mant = frac << 11;
        }
    } else {
        e = static_cast<std::uint16_t>(exp - 1023 + 16383);
        mant = (std::uint64_t(1) << 63) | (frac << 11);
    }
    if (negative) e |= 0x8000;
    for (int i = 0; i < 8; ++i) Out[i] = static_cast<std::uint8_t>(mant >> (8 * i));
    Out[8] = static_cast<std::uint8_t>(e);
    Out[9] = static_cast<std::uint8_t>(e >> 8);
}

double ExtendedToDouble(const std::uint8_t In[10])
{
    std::uint64_t mant = 0;
    for (int i = 0; i < 8; ++i) mant |= std::uint64_t(In[i]) << (8 * i);
    const std::uint16_t se = static_cast<std::uint16_t>(In[8] | (In[9] << 8));
    const bool negative = se & 0x8000;
    const int e = se & 0x7FFF;
    double r;
    if (e == 0x7FFF)
        r = (mant << 1) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    else if (mant == 0)
        r = 0;
    else
        r = std::ldexp(static_cast<double>(mant), e - 16383 - 63);
    return negative ? -r : r;
}

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw EComponentStreamError(what);
}

bool IsIdentStartChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentCharacter(char c)
{
    return IsIdentStartChar(c) || (c >= '0' && c <= '9');
}

}  // namespace

bool IsStreamIdentifier(const AnsiString& Name, bool Dotted)
{
    bool start = true;
    for (char c : Name) {
        if (start) {
            if (!IsIdentStartChar(c)) return false;
            start = false;
        } else if (c == '.' && Dotted) {
            start = true;
        } else if (!IsIdentCharacter(c)) {
            return false;
        }
    }
    return !start;
}

namespace {

// Names of classes, components, properties and identifiers must read back from the
// text form too.
std::string CheckedName(std::string s, bool dotted, bool mayBeEmpty)
{
    if ((s.empty() && mayBeEmpty) || IsStreamIdentifier(s, dotted)) return s;
    Fail("Invalid name in the component stream");
}

// ---------------------------------------------------------------- binary writer

class BinaryWriter {
public:
    explicit BinaryWriter(std::vector<std::uint8_t>& out) : FOut(out) {}
    void Byte(std::uint8_t b) { FOut.push_back(b); }
    void Bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        FOut.insert(FOut.end(), b, b + n);
    }
    template <typename T>
    void Plain(T v)
    {
        static_assert(std::endian::native == std::endian::little);
        Bytes(&v, sizeof v);
    }
    void ShortString(const std::string& s)
    {
        if (s.size() > 255) Fail("Name too long for the component stream: " + s.substr(0, 32));
        Byte(static_cast<std::uint8_t>(s.size()));
        Bytes(s.data(), s.size());
    }
    void Component(const TStreamComponent& c)
    {
        ShortString(CheckedName(c.ClassName, false, false));
        ShortString(CheckedName(c.Name, false, true));
        PropertyList(c.Properties);
        for (const TStreamComponent& child : c.Children) Component(child);
        Byte(vaNull);
    }
    void PropertyList(const std::vector<TStreamProperty>& props)
    {
        for (const TStreamProperty& p : props) {
            ShortString(CheckedName(p.Name, true, false));
            Value(p.Value);
        }
        Byte(vaNull);
    }
    void Value(const TStreamValue& v)
    {
        switch (v.Kind) {
            case TStreamValue::Int:
                if (v.IntValue >= -128 && v.IntValue <= 127) {
                    Byte(vaInt8);
                    Plain<std::int8_t>(static_cast<std::int8_t>(v.IntValue));
                } else if (v.IntValue >= -32768 && v.IntValue <= 32767) {
                    Byte(vaInt16);
                    Plain<std::int16_t>(static_cast<std::int16_t>(v.IntValue));
                } else if (v.IntValue >= std::numeric_limits<std::int32_t>::min() &&
                           v.IntValue <= std::numeric_limits<std::int32_t>::max()) {
                    Byte(vaInt32);
                    Plain<std::int32_t>(static_cast<std::int32_t>(v.IntValue));
                } else {
                    Byte(vaInt64);
                    Plain<std::int64_t>(v.IntValue);
                }
                break;
            case TStreamValue::Float: {
                Byte(vaExtended);
                std::uint8_t ext[10];
                DoubleToExtended(v.FloatValue, ext);
                Bytes(ext, 10);
                break;
            }
            case TStreamValue::String: {
                // Windows-1252 where the text fits it, as older files have it; UTF-8 otherwise.
                const std::string ansi = platform::Utf8ToCp1252(v.Text);
                if (platform::Cp1252ToUtf8(ansi) != v.Text) {
                    Byte(vaUTF8String);
                    Plain<std::int32_t>(static_cast<std::int32_t>(v.Text.size()));
                    Bytes(v.Text.data(), v.Text.size());
                } else if (ansi.size() <= 255) {
                    Byte(vaString);
                    ShortString(ansi);
                } else {
                    Byte(vaLString);
                    Plain<std::int32_t>(static_cast<std::int32_t>(ansi.size()));
                    Bytes(ansi.data(), ansi.size());
                }
                break;
            }
            case TStreamValue::Ident:
                Byte(vaIdent);
                ShortString(v.Text);
                break;
            case TStreamValue::Boolean: Byte(v.BoolValue ? vaTrue : vaFalse); break;
            case TStreamValue::Binary:
                Byte(vaBinary);
                Plain<std::int32_t>(static_cast<std::int32_t>(v.Bytes.size()));
                Bytes(v.Bytes.data(), v.Bytes.size());
                break;
            case TStreamValue::Set:
                Byte(vaSet);
                for (const AnsiString& n : v.Names) ShortString(n);
                Byte(0);
                break;
            case TStreamValue::List:
                Byte(vaList);
                for (const TStreamValue& item : v.Items) Value(item);
                Byte(vaNull);
                break;
            case TStreamValue::Collection:
                Byte(vaCollection);
                for (const auto& element : v.Elements) {
                    Byte(vaList);
                    PropertyList(element);
                }
                Byte(vaNull);
                break;
            case TStreamValue::Nil: Byte(vaNil); break;
        }
    }

private:
    std::vector<std::uint8_t>& FOut;
};

// ---------------------------------------------------------------- binary reader

class BinaryReader {
public:
    BinaryReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    std::size_t Position() const { return FPos; }

    std::uint8_t Byte()
    {
        Need(1);
        return FData[FPos++];
    }
    std::uint8_t PeekByte()
    {
        Need(1);
        return FData[FPos];
    }
    template <typename T>
    T Plain()
    {
        T v;
        Need(sizeof v);
        std::memcpy(&v, FData + FPos, sizeof v);
        FPos += sizeof v;
        return v;
    }
    std::string Chars(std::size_t n)
    {
        Need(n);
        std::string s(reinterpret_cast<const char*>(FData + FPos), n);
        FPos += n;
        return s;
    }
    std::string ShortString() { return Chars(Byte()); }
    std::size_t Length()
    {
        const std::int32_t n = Plain<std::int32_t>();
        if (n < 0) Fail("Negative length in the component stream");
        Need(static_cast<std::size_t>(n));
        return static_cast<std::size_t>(n);
    }

    TStreamComponent Component(int depth)
    {
        if (depth > MaxComponentDepth) Fail("Components nested too deeply");
        TStreamComponent c;
        std::uint8_t b = PeekByte();
        if ((b & 0xF0) == 0xF0) {  // filer flags: inherited, child position, inline
            Byte();
            if (b & 0x02) {
                TStreamValue pos = Value(depth);
                if (pos.Kind != TStreamValue::Int) Fail("Invalid child position");
            }
        }
        c.ClassName = CheckedName(ShortString(), false, false);
        c.Name = CheckedName(ShortString(), false, true);
        c.Properties = PropertyList(depth);
        while (PeekByte() != vaNull) c.Children.push_back(Component(depth + 1));
        Byte();
        return c;
    }

    std::vector<TStreamProperty> PropertyList(int depth)
    {
        std::vector<TStreamProperty> props;
        while (PeekByte() != vaNull) {
            TStreamProperty p;
            p.Name = CheckedName(ShortString(), true, false);
            p.Value = Value(depth);
            props.push_back(std::move(p));
        }
        Byte();
        return props;
    }

    TStreamValue Value(int depth)
    {
        if (depth > MaxComponentDepth) Fail("Values nested too deeply");
        const std::uint8_t tag = Byte();
        switch (tag) {
            case vaInt8: return TStreamValue::MakeInt(Plain<std::int8_t>());
            case vaInt16: return TStreamValue::MakeInt(Plain<std::int16_t>());
            case vaInt32: return TStreamValue::MakeInt(Plain<std::int32_t>());
            case vaInt64: return TStreamValue::MakeInt(Plain<std::int64_t>());
            case vaExtended: {
                Need(10);
                const double d = ExtendedToDouble(FData + FPos);
                FPos += 10;
                return TStreamValue::MakeFloat(d);
            }
            case vaDouble:
            case vaDate: return TStreamValue::MakeFloat(Plain<double>());
            case vaSingle: return TStreamValue::MakeFloat(Plain<float>());
            case vaCurrency: return TStreamValue::MakeFloat(static_cast<double>(Plain<std::int64_t>()) / 10000.0);
            case vaString: return TStreamValue::MakeString(platform::Cp1252ToUtf8(ShortString()));
            case vaLString: return TStreamValue::MakeString(platform::Cp1252ToUtf8(Chars(Length())));
            case vaUTF8String: {
                std::string s = Chars(Length());
                if (!platform::IsValidUtf8(s)) Fail("Invalid UTF-8 text in the component stream");
                return TStreamValue::MakeString(s);
            }
            case vaWString: {
                const std::int32_t n = Plain<std::int32_t>();
                if (n < 0 || static_cast<std::uint64_t>(n) * 2 > Left()) Fail("Truncated component stream");
                std::u16string w(static_cast<std::size_t>(n), u'\0');
                std::memcpy(w.data(), FData + FPos, w.size() * 2);
                FPos += w.size() * 2;
                return TStreamValue::MakeString(Utf16ToUtf8(w));
            }
            case vaIdent: return TStreamValue::MakeIdent(CheckedName(ShortString(), true, false));
            case vaFalse: return TStreamValue::MakeBool(false);
            case vaTrue: return TStreamValue::MakeBool(true);
            case vaBinary: {
                const std::size_t n = Length();
                std::vector<std::uint8_t> bytes(FData + FPos, FData + FPos + n);
                FPos += n;
                return TStreamValue::MakeBinary(std::move(bytes));
            }
            case vaSet: {
                std::vector<AnsiString> names;
                for (std::string n = ShortString(); !n.empty(); n = ShortString())
                    names.push_back(CheckedName(n, false, false));
                return TStreamValue::MakeSet(std::move(names));
            }
            case vaList: {
                TStreamValue v;
                v.Kind = TStreamValue::List;
                while (PeekByte() != vaNull) v.Items.push_back(Value(depth + 1));
                Byte();
                return v;
            }
            case vaCollection: {
                TStreamValue v;
                v.Kind = TStreamValue::Collection;
                while (PeekByte() != vaNull) {
                    const std::uint8_t t = PeekByte();
                    if (t == vaInt8 || t == vaInt16 || t == vaInt32) Value(depth + 1);  // element order
                    if (Byte() != vaList) Fail("Invalid collection in the component stream");
                    v.Elements.push_back(PropertyList(depth + 1));
                }
                Byte();
                return v;
            }
            case vaNil: return TStreamValue{};
            default: Fail("Invalid value type " + std::to_string(tag) + " in the component stream");
        }
    }

private:
    std::size_t Left() const { return FSize - FPos; }
    void Need(std::size_t n) const
    {
        if (Left() < n) Fail("Truncated component stream");
    }
    static std::string Utf16ToUtf8(const std::u16string& w)
    {
        std::string out;
        for (std::size_t i = 0; i < w.size(); ++i) {
            char32_t c = w[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;
            }
            AppendUtf8(out, c);
        }
        return out;
    }

public:
    static void AppendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

// ---------------------------------------------------------------- text writer

constexpr const char* kEol = "\r\n";

// Decodes one UTF-8 sequence (the text is valid UTF-8: it came through our readers).
char32_t NextCodePoint(const std::string& s, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> extra);
    while (extra-- > 0 && i < s.size()) c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return c;
}

class TextWriter {
public:
    std::string Out;

    void Component(const TStreamComponent& c, int indent)
    {
        Indent(indent);
        Out += "object ";
        if (!c.Name.empty()) Out += c.Name + ": ";
        Out += c.ClassName + kEol;
        for (const TStreamProperty& p : c.Properties) Property(p, indent + 1);
        for (const TStreamComponent& child : c.Children) Component(child, indent + 1);
        Indent(indent);
        Out += std::string("end") + kEol;
    }

private:
    void Indent(int n) { Out.append(static_cast<std::size_t>(n) * 2, ' '); }

    void Property(const TStreamProperty& p, int indent)
    {
        Indent(indent);
        Out += p.Name + " = ";
        Value(p.Value, indent);
        Out += kEol;
    }

    void Value(const TStreamValue& v, int indent)
    {
        switch (v.Kind) {
            case TStreamValue::Int: Out += std::to_string(v.IntValue); break;
            case TStreamValue::Float: Float(v.FloatValue); break;
            case TStreamValue::String: String(v.Text, indent); break;
            case TStreamValue::Ident: Out += v.Text; break;
            case TStreamValue::Boolean: Out += v.BoolValue ? "True" : "False"; break;
            case TStreamValue::Binary: {
                static const char* hex = "0123456789ABCDEF";
                Out += "{";
                for (std::size_t i = 0; i < v.Bytes.size(); ++i) {
                    if (i % 32 == 0) {
                        Out += kEol;
                        Indent(indent + 1);
                    }
                    Out += hex[v.Bytes[i] >> 4];
                    Out += hex[v.Bytes[i] & 15];
                }
                Out += "}";
                break;
            }
            case TStreamValue::Set:
                Out += "[";
                for (std::size_t i = 0; i < v.Names.size(); ++i) Out += (i ? ", " : "") + v.Names[i];
                Out += "]";
                break;
            case TStreamValue::List:
                Out += "(";
                for (const TStreamValue& item : v.Items) {
                    Out += kEol;
                    Indent(indent + 1);
                    Value(item, indent + 1);
                }
                Out += ")";
                break;
            case TStreamValue::Collection:
                Out += "<";
                for (const auto& element : v.Elements) {
                    Out += kEol;
                    Indent(indent + 1);
                    Out += "item";
                    Out += kEol;
                    for (const TStreamProperty& p : element) Property(p, indent + 2);
                    Indent(indent + 1);
                    Out += "end";
                }
                Out += ">";
                break;
            case TStreamValue::Nil: Out += "nil"; break;
        }
    }

    void Float(double d)
    {
        if (std::isnan(d) || std::isinf(d)) {
            // Text has no literal for these; the identifiers read back as the same values.
            Out += std::isnan(d) ? "NaN" : (d > 0 ? "Inf" : "-Inf");
            return;
        }
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, d);
        std::string s(buf, r.ptr);
        // Keep a float a float when read back: "3" would come back as an integer.
        if (s.find_first_of(".eE") == std::string::npos) s += ".0";
        Out += s;
    }

    // Printable ASCII between quotes, everything else as #code, long texts split with "+".
    void String(const std::string& s, int indent)
    {
        if (s.empty()) {
            Out += "''";
            return;
        }
        bool quoted = false;
        std::size_t lineStart = Out.size();
        for (std::size_t i = 0; i < s.size();) {
            if (Out.size() - lineStart > 64 && i < s.size()) {
                if (quoted) Out += "'";
                quoted = false;
                Out += " +";
                Out += kEol;
                Indent(indent + 1);
                lineStart = Out.size();
            }
            const char32_t c = NextCodePoint(s, i);
            if (c >= 32 && c < 127) {
                if (!quoted) Out += "'";
                quoted = true;
                Out += static_cast<char>(c);
                if (c == '\'') Out += '\'';
            } else {
                if (quoted) Out += "'";
                quoted = false;
                Out += "#" + std::to_string(static_cast<std::uint32_t>(c));
            }
        }
        if (quoted) Out += "'";
    }
};

// ---------------------------------------------------------------- text reader

class TextReader {
public:
    TextReader(const std::uint8_t* data, std::size_t size)
    {
        std::string_view raw(reinterpret_cast<const char*>(data), size);
        FText = platform::IsValidUtf8(raw) ? std::string(raw) : platform::Cp1252ToUtf8(raw);
    }

    TStreamComponent Root()
    {
        TStreamComponent c = Component(0);
        SkipBlanks();
        if (FPos != FText.size()) Error("Text after the last 'end'");
        return c;
    }

private:
    [[noreturn]] void Error(const std::string& what) { Fail(what + " (line " + std::to_string(FLine) + ")"); }

    void SkipBlanks()
    {
        while (FPos < FText.size()) {
            const char c = FText[FPos];
            if (c == '\n') ++FLine;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                ++FPos;
            else
                break;
        }
    }
    bool AtEnd()
    {
        SkipBlanks();
        return FPos >= FText.size();
    }
    char Peek()
    {
        if (AtEnd()) Error("Unexpected end of text");
        return FText[FPos];
    }
    void Expect(char c)
    {
        if (Peek() != c) Error(std::string("'") + c + "' expected");
        ++FPos;
    }
    static bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
    std::string Ident()
    {
        if (!IsIdentStart(Peek())) Error("Identifier expected");
        const std::size_t start = FPos;
        while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
        return FText.substr(start, FPos - start);
    }
    // A property name: identifiers joined by dots.
    std::string DottedName()
    {
        std::string name = Ident();
        while (FPos < FText.size() && FText[FPos] == '.') {
            ++FPos;
            name += "." + Ident();
        }
        if (name.size() > 255) Error("Name too long");
        return name;
    }
    bool Keyword(const char* word)
    {
        SkipBlanks();
        const std::size_t n = std::strlen(word);
        if (FText.size() - FPos < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(FText[FPos + i])) != word[i]) return false;
        if (FPos + n < FText.size() && IsIdentChar(FText[FPos + n])) return false;
        FPos += n;
        return true;
    }

    TStreamComponent Component(int depth)
    {
        if (depth > MaxComponentDepth) Error("Components nested too deeply");
        if (!Keyword("object") && !Keyword("inherited") && !Keyword("inline")) Error("'object' expected");
        TStreamComponent c;
        std::string first = Ident();
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == ':') {
            ++FPos;
            c.Name = first;
            c.ClassName = Ident();
        } else {
            c.ClassName = first;
        }
        if (c.Name.size() > 255 || c.ClassName.size() > 255) Error("Name too long");
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == '[') {  // child position
            ++FPos;
            Integer();
            Expect(']');
        }
        for (;;) {
            if (Keyword("end")) break;
            SkipBlanks();
            if (Keyword("object") || Keyword("inherited") || Keyword("inline")) {
                // Step back over the keyword: Component reads it itself.
                while (FPos > 0 && IsIdentChar(FText[FPos - 1])) --FPos;
                c.Children.push_back(Component(depth + 1));
                continue;
            }
            c.Properties.push_back(Property(depth));
        }
        return c;
    }

    TStreamProperty Property(int depth)
    {
        TStreamProperty p;
        p.Name = DottedName();
        Expect('=');
        p.Value = Value(depth);
        return p;
    }

    std::int64_t Integer()
    {
        SkipBlanks();
        const std::size_t start = FPos;
        if (FPos < FText.size() && (FText[FPos] == '-' || FText[FPos] == '+')) ++FPos;
        while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
        std::int64_t v = 0;
        const char* b = FText.data() + start + (FText[start] == '+' ? 1 : 0);
        auto r = std::from_chars(b, FText.data() + FPos, v);
        if (r.ec != std::errc() || r.ptr != FText.data() + FPos) Error("Invalid integer");
        return v;
    }

    TStreamValue Number()
    {
        const std::size_t start = FPos;
        std::size_t i = FPos;
        if (i < FText.size() && (FText[i] == '-' || FText[i] == '+')) ++i;
        bool isFloat = false;
        while (i < FText.size()) {
            const char c = FText[i];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                ++i;
            } else if (c == '.' || c == 'e' || c == 'E') {
                isFloat = true;
                ++i;
                if ((c == 'e' || c == 'E') && i < FText.size() && (FText[i] == '-' || FText[i] == '+')) ++i;
            } else {
                break;
            }
        }
        const char* b = FText.data() + start + (FText[start] == '+' ? 1 : 0);
        const char* e = FText.data() + i;
        FPos = i;
        if (!isFloat) {
            std::int64_t v = 0;
            auto r = std::from_chars(b, e, v);
            if (r.ec != std::errc() || r.ptr != e) Error("Invalid integer");
            return TStreamValue::MakeInt(v);
        }
        double d = 0;
        auto r = std::from_chars(b, e, d);
        if (r.ec != std::errc() || r.ptr != e) Error("Invalid number");
        return TStreamValue::MakeFloat(d);
    }

    std::string StringLiteral()
    {
        std::string s;
        for (;;) {
            const char c = Peek();
            if (c == '\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size()) Error("Unterminated string");
                    const char d = FText[FPos++];
                    if (d == '\n' || d == '\r') Error("Unterminated string");
                    if (d == '\'') {
                        if (FPos < FText.size() && FText[FPos] == '\'') {
                            s += '\'';
                            ++FPos;
                            continue;
                        }
                        break;
                    }
                    s += d;
                }
            } else if (c == '#') {
                ++FPos;
                const std::int64_t code = Integer();
                if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) Error("Invalid character code");
                BinaryReader::AppendUtf8(s, static_cast<char32_t>(code));
            } else {
                break;
            }
            // Pieces written next to each other ('a'#13'b') are one text, and so are pieces
            // joined by "+" across lines; a blank alone separates two list items.
            if (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) continue;
            const std::size_t save = FPos;
            const int saveLine = FLine;
            SkipBlanks();
            if (FPos < FText.size() && FText[FPos] == '+') {
                ++FPos;
                const char n = Peek();
                if (n == '\'' || n == '#') continue;
            }
            FPos = save;
            FLine = saveLine;
            break;
        }
        return s;
    }

    TStreamValue Value(int depth)
    {
        if (depth > MaxComponentDepth) Error("Values nested too deeply");
        const char c = Peek();
        if (c == '\'' || c == '#') return TStreamValue::MakeString(StringLiteral());
        if (c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c))) {
            if (c == '-' && FText.compare(FPos, 4, "-Inf") == 0) {
                FPos += 4;
                return TStreamValue::MakeFloat(-std::numeric_limits<double>::infinity());
            }
            return Number();
        }
        if (c == '[') {
            ++FPos;
            std::vector<AnsiString> names;
            if (Peek() != ']') {
                for (;;) {
                    std::string n = Ident();
                    if (n.size() > 255) Error("Name too long");
                    names.push_back(n);
                    if (Peek() == ',') {
                        ++FPos;
                        continue;
                    }
                    break;
                }
            }
            Expect(']');
            return TStreamValue::MakeSet(std::move(names));
        }
        if (c == '(') {
            ++FPos;
            TStreamValue v;
            v.Kind = TStreamValue::List;
            while (Peek() != ')') v.Items.push_back(Value(depth + 1));
            ++FPos;
            return v;
        }
        if (c == '{') {
            ++FPos;
            std::vector<std::uint8_t> bytes;
            int half = -1;
            for (;;) {
                const char h = Peek();
                ++FPos;
                if (h == '}') break;
                int nibble;
                if (h >= '0' && h <= '9')
                    nibble = h - '0';
                else if (h >= 'A' && h <= 'F')
                    nibble = h - 'A' + 10;
                else if (h >= 'a' && h <= 'f')
                    nibble = h - 'a' + 10;
                else
                    Error("Invalid binary data");
                if (half < 0) {
                    half = nibble;
                } else {
                    bytes.push_back(static_cast<std::uint8_t>(half * 16 + nibble));
                    half = -1;
                }
            }
            if (half >= 0) Error("Odd number of digits in binary data");
            return TStreamValue::MakeBinary(std::move(bytes));
        }
        if (c == '<') {
            ++FPos;
            TStreamValue v;
            v.Kind = TStreamValue::Collection;
            while (Peek() != '>') {
                if (!Keyword("item")) Error("'item' expected");
                SkipBlanks();
                if (FPos < FText.size() && FText[FPos] == '[') {
                    ++FPos;
                    Integer();
                    Expect(']');
                }
                std::vector<TStreamProperty> props;
                while (!Keyword("end")) props.push_back(Property(depth + 1));
                v.Elements.push_back(std::move(props));
            }
            ++FPos;
            return v;
        }
        if (IsIdentStart(c)) {
            std::string id = DottedName();
            if (id == "True" || id == "true") return TStreamValue::MakeBool(true);
            if (id == "False" || id == "false") return TStreamValue::MakeBool(false);
            if (id == "nil") return TStreamValue{};
            if (id == "NaN") return TStreamValue::MakeFloat(std::numeric_limits<double>::quiet_NaN());
            if (id == "Inf") return TStreamValue::MakeFloat(std::numeric_limits<double>::infinity());
            return TStreamValue::MakeIdent(id);
        }
        Error("Invalid property value");
    }

    std::string FText;
    std::size_t FPos = 0;
    int FLine = 1;
};

}  // namespace

void WriteComponentBinary(const TStreamComponent& Root, std::vector<std::uint8_t>& Out)
{
    BinaryWriter w(Out);
    w.Bytes("TPF0", 4);
    w.Component(Root);
}

TStreamComponent ReadComponentBinary(const std::uint8_t* Data, std::size_t Size, std::size_t* Used)
{
    if (Size < 4 || std::memcmp(Data, "TPF0", 4) != 0) Fail("Component stream without its signature");
    BinaryReader r(Data + 4, Size - 4);
    TStreamComponent c = r.Component(0);
    if (Used) *Used = 4 + r.Position();
    return c;
}

void WritePropertyListBinary(const std::vector<TStreamProperty>& Properties, std::vector<std::uint8_t>& Out)
{
    BinaryWriter w(Out);
    w.Byte(vaList);
    w.PropertyList(Properties);
}

std::vector<TStreamProperty> ReadPropertyListBinary(const std::uint8_t* Data, std::size_t Size, std::size_t* Used)
{
    BinaryReader r(Data, Size);
    if (r.Byte() != vaList) Fail("Property list expected in the component stream");
    std::vector<TStreamProperty> properties = r.PropertyList(0);
    if (Used) *Used = r.Position();
    return properties;
}

std::string WriteComponentText(const TStreamComponent& Root)
{
    TextWriter w;
    w.Component(Root, 0);
    return w.Out;
}

TStreamComponent ReadComponentText(const std::uint8_t* Data, std::size_t Size)
{
    TextReader r(Data, Size);
    return r.Root();
}
