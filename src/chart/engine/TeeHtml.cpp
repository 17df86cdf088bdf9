#include "chart/engine/TeeHtml.h"

#include <QImage>
#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "chart/engine/TeCanvas.h"
#include "platform/Round.h"

TGraphicFileExtensionHook GraphicFileExtension;
TGraphicDownloadHook GraphicDownload;

namespace {

// ---------------------------------------------------------------------------------------
// Parsing: the text becomes a list of operations first, so that every error is raised
// before the canvas is touched. A chart that falls back to the literal text then draws it
// once, not on top of half of the formatted one.

enum class OpKind {
    Text,       // a text segment (entities replaced)
    CrLfBreak,  // the token began with CR LF
    Break,      // <BR>, <P>
    Big,
    Small,
    SubEnd,
    Sub,
    SuperEnd,
    Super,
    Heading,
    Pre,
    Center,
    BoldOn,
    ItalicOn,
    UnderlineOn,
    StrikeOn,
    Image,
    BoldOff,
    ItalicOff,
    UnderlineOff,
    StrikeOff,
    FontRestore,  // </FONT...>, </PRE>
    CenterEnd,
    Font,
    CloseLast,  // </>
    Rule,       // <HR>
};

enum FontStyleBits { kBold = 1, kItalic = 2, kUnderline = 4, kStrike = 8 };

struct FontAttr {
    enum Kind { Name, SizeAbsolute, SizeRelative, Color, Weight } kind;
    AnsiString name;
    int size = 0;
    TColor color = 0;
    int styles = 0;
};

struct ImageTag {
    int width = 0;
    int height = 0;
    bool hasSource = false;
    AnsiString source;
};

struct Op {
    OpKind kind = OpKind::Text;
    AnsiString text;  // Text: the segment; BoldOn..StrikeOn: the tag pushed
    bool endsWithCrLf = false;
    int heading = 0;  // Heading: size in points
    std::vector<FontAttr> font;
    ImageTag image;
};

struct Attribute {
    AnsiString name;
    AnsiString value;
};

AnsiString ReplaceAll(AnsiString s, std::string_view from, std::string_view to)
{
    std::size_t pos = 0;
    while ((pos = s.find(from, pos)) != AnsiString::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
    return s;
}

AnsiString Unquote(const AnsiString& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
    return value;
}

// Attributes "name=value name=value": a value runs up to the last space before the next
// "=", so values may hold spaces but no "=". A value that runs into the next name without a
// space cannot be split and is refused.
std::vector<Attribute> ReadAttributes(const AnsiString& text, std::string_view what)
{
    std::vector<std::size_t> equals;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '=') equals.push_back(i);

    std::vector<Attribute> result;
    std::size_t nameStart = 0;
    for (std::size_t k = 0; k < equals.size(); ++k) {
        Attribute a;
        a.name = Trim(std::string_view(text).substr(nameStart, equals[k] - nameStart));
        const std::size_t valueStart = equals[k] + 1;
        std::size_t valueEnd;
        if (k + 1 < equals.size()) {
            const std::size_t space = text.rfind(' ', equals[k + 1]);
            if (space == AnsiString::npos || space < valueStart)
                throw Exception(AnsiString("Unknown field in ") + AnsiString(what) + ": " +
                                UpperCase(std::string_view(text).substr(valueStart, equals[k + 1] - valueStart)));
            valueEnd = space;
            nameStart = space;
        } else {
            valueEnd = text.size();
        }
        a.value = Unquote(Trim(std::string_view(text).substr(valueStart, valueEnd - valueStart)));
        result.push_back(std::move(a));
    }
    return result;
}

// The library's colour identifiers (any letter case) or a number, as the platform's
// colour-name conversion reads them; anything else is a conversion error.
TColor ColorFromName(const AnsiString& value)
{
    TColor color;
    if (IdentToColor(value, color, true)) return color;
    return static_cast<TColor>(StrToInt(value));
}

TColor HtmlColor(const AnsiString& raw)
{
    const AnsiString value = UpperCase(Trim(raw));
    if (value == "BLACK") return 0x000000;
    if (value == "RED") return 0x0000FF;
    if (value == "BLUE") return 0xFF0000;
    if (value == "YELLOW") return 0x00FFFF;
    if (value == "WHITE") return 0xFFFFFF;
    if (value == "GREEN") return 0x008000;
    if (value == "LIME") return 0x00FF00;
    if (!value.empty() && value[0] == '#') {
        int digits[6];
        bool ok = value.size() >= 7;
        for (int i = 0; ok && i < 6; ++i) {
            digits[i] = HexDigit(value[static_cast<std::size_t>(i) + 1]);
            ok = digits[i] >= 0;
        }
        if (!ok) throw EConvertError("'" + raw + "' is not a valid colour value");
        const int r = digits[0] * 16 + digits[1], g = digits[2] * 16 + digits[3], b = digits[4] * 16 + digits[5];
        return static_cast<TColor>(r | (g << 8) | (b << 16));
    }
    return ColorFromName(value);
}

std::vector<FontAttr> ReadFontTag(const AnsiString& upperTag)
{
    // "<FONT " and the closing ">" are not attributes.
    const AnsiString inner = upperTag.size() > 7 ? upperTag.substr(6, upperTag.size() - 7) : AnsiString();
    std::vector<FontAttr> result;
    for (const Attribute& a : ReadAttributes(inner, "FONT")) {
        const AnsiString name = UpperCase(a.name);
        FontAttr f{FontAttr::Name, {}, 0, 0, 0};
        if (name == "NAME" || name == "FAMILY") {
            f.kind = FontAttr::Name;
            f.name = a.value;
        } else if (name == "SIZE") {
            const bool relative = !a.value.empty() && (a.value[0] == '+' || a.value[0] == '-');
            f.kind = relative ? FontAttr::SizeRelative : FontAttr::SizeAbsolute;
            f.size = StrToInt(a.value);
        } else if (name == "COLOR") {
            f.kind = FontAttr::Color;
            f.color = HtmlColor(a.value);
        } else if (name == "WEIGHT") {
            f.kind = FontAttr::Weight;
            const AnsiString list = UpperCase(a.value);
            for (const AnsiString& item : SplitString(list, ',')) {
                const AnsiString style = Trim(item);
                if (style == "BOLD")
                    f.styles |= kBold;
                else if (style == "ITALIC")
                    f.styles |= kItalic;
                else if (style == "UNDERLINE")
                    f.styles |= kUnderline;
                else if (style == "STRIKE")
                    f.styles |= kStrike;
                else if (style != "NORMAL")
                    throw Exception("Unknown field in FONT WEIGHT=" + a.value);
            }
        } else {
            throw Exception("Unknown field in FONT: " + name);
        }
        result.push_back(std::move(f));
    }
    return result;
}

int ReadPictureSize(const AnsiString& value)
{
    return std::clamp(StrToInt(value), 0, TeeHtmlMaxPictureSize);
}

ImageTag ReadImageTag(const AnsiString& token)
{
    AnsiString inner = token.substr(5);  // "<IMG "
    if (inner.compare(0, 2, "\r\n") == 0) inner.erase(0, 2);
    if (!inner.empty() && inner.back() == '>') inner.pop_back();
    ImageTag tag;
    for (const Attribute& a : ReadAttributes(inner, "IMG")) {
        const AnsiString name = UpperCase(a.name);
        if (name == "WIDTH")
            tag.width = ReadPictureSize(a.value);
        else if (name == "HEIGHT")
            tag.height = ReadPictureSize(a.value);
        else if (name == "SRC") {
            tag.hasSource = true;
            tag.source = a.value;
        }
    }
    return tag;
}

// One token, already stripped of a leading CR LF, as an operation.
Op Classify(const AnsiString& token)
{
    const AnsiString up = UpperCase(token);
    Op op;
    auto starts = [&](std::string_view prefix) { return up.compare(0, prefix.size(), prefix) == 0; };
    // The tags that are whole by themselves (none of them starts like the tags with
    // attributes below, so the order of the checks does not matter).
    static constexpr std::pair<std::string_view, OpKind> plainTags[] = {
        {"<BR>", OpKind::Break},          {"<P>", OpKind::Break},          {"<BIG>", OpKind::Big},
        {"<SMALL>", OpKind::Small},       {"</SUB>", OpKind::SubEnd},      {"<SUB>", OpKind::Sub},
        {"</SUPER>", OpKind::SuperEnd},   {"<SUPER>", OpKind::Super},      {"<PRE>", OpKind::Pre},
        {"<CENTER>", OpKind::Center},     {"<B>", OpKind::BoldOn},         {"<BOLD>", OpKind::BoldOn},
        {"<STRONG>", OpKind::BoldOn},     {"<I>", OpKind::ItalicOn},       {"<U>", OpKind::UnderlineOn},
        {"<STRIKE>", OpKind::StrikeOn},   {"</B>", OpKind::BoldOff},       {"</BOLD>", OpKind::BoldOff},
        {"</STRONG>", OpKind::BoldOff},   {"</I>", OpKind::ItalicOff},     {"</U>", OpKind::UnderlineOff},
        {"</STRIKE>", OpKind::StrikeOff}, {"</PRE>", OpKind::FontRestore}, {"</CENTER>", OpKind::CenterEnd},
        {"</>", OpKind::CloseLast},       {"<HR>", OpKind::Rule},
    };
    const auto plain =
        std::find_if(std::begin(plainTags), std::end(plainTags), [&](const auto& t) { return up == t.first; });

    if (plain != std::end(plainTags))
        op.kind = plain->second;
    else if (up.size() == 4 && starts("<H") && up[2] >= '1' && up[2] <= '6' && up[3] == '>') {
        static constexpr int sizes[6] = {48, 36, 24, 18, 12, 8};
        op.kind = OpKind::Heading;
        op.heading = sizes[up[2] - '1'];
    } else if (starts("<IMG ")) {
        op.kind = OpKind::Image;
        op.image = ReadImageTag(token);
    } else if (starts("</FONT"))
        op.kind = OpKind::FontRestore;
    else if (starts("<FONT ")) {
        op.kind = OpKind::Font;
        op.font = ReadFontTag(up);
    } else {
        // Plain text, and any tag not in the list (an anchor, say), is written literally.
        op.kind = OpKind::Text;
        AnsiString s = ReplaceAll(token, "&lt;", "<");
        s = ReplaceAll(std::move(s), "&gt;", ">");
        s = ReplaceAll(std::move(s), "&amp;", "&");
        s = ReplaceAll(std::move(s), "&quot;", "\"");
        if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) {
            s.resize(s.size() - 2);
            op.endsWithCrLf = true;
        }
        op.text = std::move(s);
        return op;
    }
    op.text = up;
    return op;
}

std::vector<Op> Parse(const AnsiString& text)
{
    std::vector<Op> ops;
    std::size_t pos = 0;
    while (pos < text.size()) {
        AnsiString token;
        const std::size_t lt = text.find('<', pos);
        if (lt == AnsiString::npos) {
            token = text.substr(pos);
            pos = text.size();
        } else if (lt == pos) {
            const std::size_t gt = text.find('>', pos);
            if (gt == AnsiString::npos) throw HtmlParserException("Missing > at " + text.substr(pos + 1));
            token = text.substr(pos, gt - pos + 1);
            pos = gt + 1;
        } else {
            token = text.substr(pos, lt - pos);
            pos = lt;
        }
        if (token.compare(0, 2, "\r\n") == 0) {
            ops.push_back(Op{OpKind::CrLfBreak, {}, false, 0, {}, {}});
            token.erase(0, 2);
            if (token.empty()) continue;
        }
        ops.push_back(Classify(token));
    }
    return ops;
}

// ---------------------------------------------------------------------------------------
// Drawing.

// Reads a picture from its bytes; false (a placeholder is drawn) when it cannot.
bool LoadGraphic(TGraphic& graphic, const std::vector<unsigned char>& bytes)
{
    auto* bitmap = dynamic_cast<TBitmap*>(&graphic);
    if (!bitmap) return false;
    QImage image;
    if (bytes.size() > 64u * 1024 * 1024) return false;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) return false;
    bitmap->SetImage(image);
    return true;
}

struct SavedFont {
    AnsiString name;
    int size = 0;
    TColor color = 0;
    TFontStyles style;
};

class HtmlPass {
public:
    HtmlPass(TTeeCanvas* canvas, int x, int y, bool draw) : canvas_(*canvas), leftMargin_(x), x_(x), y_(y), draw_(draw)
    {
        lineHeight_ = canvas_.GetFontHeight();
    }

    void Run(const std::vector<Op>& ops)
    {
        for (const Op& op : ops) Handle(op);
    }

    TSize Size() const { return size_; }

private:
    TFont& Font() { return *canvas_.Font; }

    SavedFont Current() { return SavedFont{Font().GetName(), Font().GetSize(), Font().GetColor(), Font().GetStyle()}; }

    void Apply(const SavedFont& f)
    {
        Font().SetName(f.name);
        Font().SetSize(f.size);
        Font().SetColor(f.color);
        Font().SetStyle(f.style);
    }

    void SetSize(int points) { Font().SetSize(std::clamp(points, TeeHtmlMinFontSize, TeeHtmlMaxFontSize)); }

    void SaveFont()
    {
        fontStack_.push_back(Current());
        savedByThisTag_ = true;
    }

    void RestoreFont()
    {
        if (fontStack_.empty()) return;
        const SavedFont f = fontStack_.back();
        fontStack_.pop_back();
        Apply(f);
    }

    // The font kept to be restored, then a new size.
    void SaveFontSized(int points)
    {
        SaveFont();
        SetSize(points);
    }

    void SetStyle(TFontStyle s, bool on)
    {
        TFontStyles st = Font().GetStyle();
        st.setFlag(s, on);
        Font().SetStyle(st);
    }

    // A style tag: "</>" closes the latest one again.
    void OpenStyle(TFontStyle s, const AnsiString& tag)
    {
        SetStyle(s, true);
        tagStack_.push_back(tag);
    }

    void ApplyFontTag(const std::vector<FontAttr>& attrs)
    {
        for (const FontAttr& a : attrs) {
            switch (a.kind) {
                case FontAttr::Name: Font().SetName(a.name); break;
                case FontAttr::SizeAbsolute: SetSize(a.size); break;
                case FontAttr::SizeRelative: SetSize(Font().GetSize() + a.size); break;
                case FontAttr::Color: Font().SetColor(a.color); break;
                case FontAttr::Weight: {
                    TFontStyles st;
                    if (a.styles & kBold) st.setFlag(fsBold);
                    if (a.styles & kItalic) st.setFlag(fsItalic);
                    if (a.styles & kUnderline) st.setFlag(fsUnderline);
                    if (a.styles & kStrike) st.setFlag(fsStrikeOut);
                    Font().SetStyle(st);
                    break;
                }
            }
        }
    }

    void NewLine()
    {
        x_ = leftMargin_;
        lineHeight_ = 0;
    }

    void Handle(const Op& op)
    {
        if (op.kind == OpKind::CrLfBreak) {
            y_ += canvas_.GetFontHeight();
            NewLine();
            return;
        }
        if (op.kind == OpKind::Text) {
            Text(op);
            return;
        }
        savedByThisTag_ = false;
        Tag(op);
        lastTagSavedFont_ = savedByThisTag_;
    }

    void Tag(const Op& op)
    {
        switch (op.kind) {
            case OpKind::Break:
                NewLine();
                y_ += canvas_.GetFontHeight();
                break;
            case OpKind::Big: SaveFontSized(Font().GetSize() + 2); break;
            case OpKind::Small: SaveFontSized(Font().GetSize() - 2); break;
            case OpKind::SubEnd:
                RestoreFont();
                y_ -= canvas_.GetFontHeight();
                break;
            case OpKind::Sub:
                SaveFontSized(Font().GetSize() / 2);
                y_ += canvas_.GetFontHeight();
                break;
            case OpKind::SuperEnd:
                RestoreFont();
                y_ += canvas_.GetFontHeight() / 2;
                break;
            case OpKind::Super:
                SaveFontSized(Font().GetSize() / 2);
                y_ -= canvas_.GetFontHeight() / 2;
                break;
            case OpKind::Heading: SaveFontSized(op.heading); break;
            case OpKind::Pre:
                SaveFont();
                Font().SetName("COURIER NEW");
                break;
            case OpKind::Center: centred_ = true; break;
            case OpKind::BoldOn: OpenStyle(fsBold, op.text); break;
            case OpKind::ItalicOn: OpenStyle(fsItalic, op.text); break;
            case OpKind::UnderlineOn: OpenStyle(fsUnderline, op.text); break;
            case OpKind::StrikeOn: OpenStyle(fsStrikeOut, op.text); break;
            case OpKind::Image: Image(op.image); break;
            case OpKind::BoldOff: SetStyle(fsBold, false); break;
            case OpKind::ItalicOff: SetStyle(fsItalic, false); break;
            case OpKind::UnderlineOff: SetStyle(fsUnderline, false); break;
            case OpKind::StrikeOff: SetStyle(fsStrikeOut, false); break;
            case OpKind::FontRestore: RestoreFont(); break;
            case OpKind::CenterEnd: centred_ = false; break;
            case OpKind::Font:
                SaveFont();
                ApplyFontTag(op.font);
                break;
            case OpKind::CloseLast:
                if (lastTagSavedFont_) {
                    RestoreFont();
                } else if (!tagStack_.empty()) {
                    // "<B>" closes as "</B>". A "</>" with nothing open closes nothing.
                    const AnsiString open = tagStack_.back();
                    tagStack_.pop_back();
                    Handle(Classify("</" + open.substr(1)));
                }
                break;
            case OpKind::Rule:
                x_ = leftMargin_;
                if (draw_) {
                    canvas_.Pen->SetStyle(psSolid);
                    canvas_.Pen->SetWidth(1);
                    canvas_.Pen->SetColor(0x808080);
                    canvas_.DoHorizLine(x_, x_ + 100, y_);
                }
                y_ += canvas_.GetFontHeight();
                break;
            case OpKind::Text:
            case OpKind::CrLfBreak: break;
        }
    }

    void Text(const Op& op)
    {
        if (!op.text.empty()) {
            const int w = canvas_.TextWidth(op.text);
            if (centred_) x_ = (canvas_.Bounds.Left + canvas_.Bounds.Right) / 2 - w / 2;
            const int h = canvas_.TextHeight(op.text);
            if (lineHeight_ == 0) {
                lineHeight_ = canvas_.GetFontHeight();
                y_ += lineHeight_;
            } else if (h < lineHeight_) {
                y_ += lineHeight_ - h - 1;
            }
            if (draw_) canvas_.TextOut(x_, y_, op.text);
            x_ += w;
            size_.cx = std::max(size_.cx, x_);
            lineHeight_ = std::max(lineHeight_, h);
            size_.cy = std::max(size_.cy, lineHeight_);
        }
        if (op.endsWithCrLf) NewLine();
    }

    void Placeholder(int w, int h)
    {
        if (w == 0) w = 40;
        if (h == 0) h = 40;
        canvas_.Pen->SetStyle(psSolid);
        canvas_.Pen->SetColor(0x0000FF);
        canvas_.Pen->SetWidth(1);
        canvas_.Brush->SetStyle(bsSolid);
        canvas_.Brush->SetColor(0xFFFFFF);
        canvas_.Rectangle(x_, y_, x_ + w, y_ + h);
        canvas_.Line(x_, y_, x_ + w - 1, y_ + h - 1);
        canvas_.Line(x_, y_ + h - 1, x_ + w - 1, y_);
    }

    // Pictures take their room in both passes but are drawn only when drawing: a
    // measurement must leave no marks on the chart.
    void Image(const ImageTag& tag)
    {
        if (!tag.hasSource) return;
        AnsiString src = Trim(tag.source);
        if (!src.empty() && src.front() == '"') src.erase(0, 1);
        if (!src.empty() && src.back() == '"') src.pop_back();

        std::unique_ptr<TGraphic> graphic;
        if (GraphicFileExtension) {
            const std::size_t dot = src.rfind('.');
            const AnsiString ext = dot == AnsiString::npos ? AnsiString() : UpperCase(src.substr(dot));
            graphic = GraphicFileExtension(ext);
        }
        bool loaded = false;
        if (graphic && GraphicDownload) {
            std::vector<unsigned char> bytes;
            if (GraphicDownload(src, bytes) == 0 && !bytes.empty()) loaded = LoadGraphic(*graphic, bytes);
        }
        if (!loaded) {
            if (draw_) Placeholder(tag.width, tag.height);
            return;
        }
        const int ownW = std::clamp(graphic->GetWidth(), 0, TeeHtmlMaxPictureSize);
        const int ownH = std::clamp(graphic->GetHeight(), 0, TeeHtmlMaxPictureSize);
        const int w = tag.width == 0 ? ownW : tag.width;
        const int h = tag.height == 0 ? ownH : tag.height;
        if (draw_) {
            if (w == graphic->GetWidth() && h == graphic->GetHeight())
                canvas_.Draw(x_, y_, graphic.get());
            else
                canvas_.StretchDraw(TRect(x_, y_, x_ + w, y_ + h), graphic.get());
        }
        x_ += w;
        y_ += h;
    }

    TTeeCanvas& canvas_;
    int leftMargin_;
    int x_, y_;
    int lineHeight_ = 0;
    bool centred_ = false;
    bool savedByThisTag_ = false;
    bool lastTagSavedFont_ = false;
    bool draw_;
    TSize size_{0, 0};
    // Both stacks belong to one call: unbalanced tags in one text never reach another.
    std::vector<AnsiString> tagStack_;
    std::vector<SavedFont> fontStack_;
};

// Runs one pass and puts the canvas font back as it was, also when the pass fails.
TSize RunPass(TTeeCanvas* canvas, int x, int y, const AnsiString& text, bool draw)
{
    const std::vector<Op> ops = Parse(text);
    HtmlPass pass(canvas, x, y, draw);
    TFont& font = *canvas->Font;
    const SavedFont before{font.GetName(), font.GetSize(), font.GetColor(), font.GetStyle()};
    auto restore = [&] {
        font.SetName(before.name);
        font.SetSize(before.size);
        font.SetColor(before.color);
        font.SetStyle(before.style);
    };
    try {
        pass.Run(ops);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return pass.Size();
}

}  // namespace

void HtmlTextOut(TTeeCanvas* ACanvas, int X, int Y, const AnsiString& Text)
{
    RunPass(ACanvas, X, Y, Text, true);
}

TSize HtmlTextExtent(TTeeCanvas* ACanvas, const AnsiString& Text)
{
    return RunPass(ACanvas, 0, 0, Text, false);
}

TSize ChartHtmlTextExtent(TTeeCanvas* ACanvas, const AnsiString& Text)
{
    try {
        return HtmlTextExtent(ACanvas, Text);
    } catch (const Exception&) {
        return TSize{ACanvas->TextWidth(Text), ACanvas->TextHeight(Text)};
    }
}

void TTeeCanvas::TextOut(int X, int Y, const AnsiString& Text, bool AllowHtml)
{
    if (AllowHtml) {
        // A malformed text must not stop the chart from painting: it is written as it
        // stands. The parser raises before it draws anything, so nothing is drawn twice.
        try {
            HtmlTextOut(this, X, Y, Text);
            return;
        } catch (const Exception&) {}
    }
    TextOut(X, Y, Text);
}
