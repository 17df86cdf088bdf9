// TGIFExtension and its kinds (graphic control, plain text, comment, application) and
// their registries.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "chart/storage/GIFBytes.h"
#include "chart/storage/TGIFImage.h"

using namespace gifbytes;

namespace {
// A fixed-size text field: the value cut to the field, blanks after it.
template <std::size_t N>
void FillPadded(std::array<char, N>& Field, const AnsiString& Value)
{
    Field.fill(' ');
    std::memcpy(Field.data(), Value.data(), std::min(Value.size(), N));
}

void WriteStrings(TStream* Stream, const std::vector<AnsiString>& Text)
{
    for (const AnsiString& s : Text) {
        std::size_t pos = 0;
        while (pos < s.size()) {
            const std::size_t n = std::min<std::size_t>(255, s.size() - pos);
            WriteByte(Stream, std::uint8_t(n));
            Stream->WriteBuffer(s.data() + pos, std::int64_t(n));
            pos += n;
        }
    }
    WriteByte(Stream, 0);
}

// One string per data sub-block, up to a 0 length or the end of the stream.
void ReadStrings(TStream* Stream, std::vector<AnsiString>& Text, TGIFItem* Item)
{
    Text.clear();
    for (;;) {
        const int len = ReadByte(Stream);
        if (len <= 0) break;
        char buf[255];
        const std::int64_t got = Stream->Read(buf, len);
        Text.emplace_back(buf, std::size_t(got));
        if (got < len) {
            Item->Warning(gsWarning, "Premature end of data");
            break;
        }
    }
}

// Passes over data sub-blocks up to the 0 length that ends them, or the end of the stream.
void SkipSubBlocks(TStream* Stream)
{
    for (int len = ReadByte(Stream); len > 0; len = ReadByte(Stream)) Stream->Seek(len, soFromCurrent);
}

// Reads a block that starts with its size byte into Fields (at most FieldsSize bytes; a
// smaller block leaves the rest 0) and passes over whatever the block holds beyond them.
// Returns the size byte, -1 at the end of the stream; false in `complete` when the stream
// ended inside the block.
int ReadSizedBlock(TStream* Stream, std::uint8_t* Fields, int FieldsSize, bool& complete)
{
    std::memset(Fields, 0, std::size_t(FieldsSize));
    complete = false;
    const int size = ReadByte(Stream);
    if (size < 0) return size;
    const int take = std::min(size, FieldsSize);
    if (Stream->Read(Fields, take) != take) return size;
    if (size > take) {
        if (Stream->GetSize() - Stream->GetPosition() < size - take) {
            Stream->Seek(0, soFromEnd);
            return size;
        }
        Stream->Seek(size - take, soFromCurrent);
    }
    complete = true;
    return size;
}

template <class T>
TGIFExtension* Make(TGIFSubImage* SubImage)
{
    return new T(SubImage);
}

std::vector<std::pair<std::uint8_t, TGIFExtensionClass>>& LabelRegistry()
{
    static std::vector<std::pair<std::uint8_t, TGIFExtensionClass>> list = {
        {0x01, &TGIFTextExtension::Class},
        {0xF9, &TGIFGraphicControlExtension::Class},
        {0xFE, &TGIFCommentExtension::Class},
        {0xFF, nullptr},  // set below: the application extension dispatches by identifier
    };
    return list;
}

// The application extension of the label registry: a class that only hands over to the
// class named by the identifier ahead.
const TGIFExtensionClassInfo ApplicationClass = {"TGIFApplicationExtension", &Make<TGIFUnknownAppExtension>,
                                                 &TGIFApplicationExtension::FindSubExtension};

std::vector<std::pair<std::string, TGIFExtensionClass>>& AppRegistry()
{
    static std::vector<std::pair<std::string, TGIFExtensionClass>> list = {
        {"NETSCAPE2.0", &TGIFAppExtNSLoop::Class},
        {"ANIMEXTS1.0", &TGIFAppExtNSLoop::Class},
    };
    return list;
}
}  // namespace

// ---- TGIFExtension

TGIFExtension::TGIFExtension(TGIFSubImage* SubImage, TGIFExtensionClass Class)
    : TGIFItem(SubImage ? SubImage->Image() : nullptr), FSubImage(SubImage), FClass(Class)
{}

TGIFExtensionClass TGIFExtension::FindExtension(std::uint8_t Label)
{
    auto& list = LabelRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->first == Label) return it->second ? it->second : &ApplicationClass;
    return nullptr;
}

void TGIFExtension::RegisterExtension(std::uint8_t Label, TGIFExtensionClass Class)
{
    LabelRegistry().emplace_back(Label, Class);
}

void TGIFExtension::SaveToStream(TStream* Stream)
{
    WriteByte(Stream, '!');
    WriteByte(Stream, GetExtensionType());
}

void TGIFExtension::LoadFromStream(TStream* Stream)
{
    std::uint8_t head[2];
    ReadCheck(Stream, head, 2);
    if (head[0] != '!') throw GIFException("Invalid extension introducer");
    if (head[1] != GetExtensionType())
        throw GIFException("Internal error: Extension Instance does not match Extension Label");
}

TGIFExtension* TGIFExtension::Clone(TGIFSubImage* Owner)
{
    TMemoryStream m;
    SaveToStream(&m);
    m.SetPosition(0);
    TGIFExtension* copy = ClassInfo()->Create(Owner);
    try {
        copy->LoadFromStream(&m);
    } catch (...) {
        delete copy;
        throw;
    }
    return copy;
}

// ---- TGIFGraphicControlExtension

const TGIFExtensionClassInfo TGIFGraphicControlExtension::Class = {"TGIFGraphicControlExtension",
                                                                   &Make<TGIFGraphicControlExtension>, nullptr};
TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* SubImage) : TGIFExtension(SubImage, &Class)
{
    if (SubImage && !SubImage->GetGraphicControlExtension()) SubImage->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (FSubImage && FSubImage->GetGraphicControlExtension() == this) FSubImage->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparent(bool Value)
{
    FGCExtension.PackedFields =
        Value ? std::uint8_t(FGCExtension.PackedFields | 0x01) : std::uint8_t(FGCExtension.PackedFields & ~0x01);
    if (Value && FSubImage) FSubImage->SetTransparent(true);
    if (FSubImage) FSubImage->ResetPalette();
}

void TGIFGraphicControlExtension::SetUserInput(bool Value)
{
    FGCExtension.PackedFields =
        Value ? std::uint8_t(FGCExtension.PackedFields | 0x02) : std::uint8_t(FGCExtension.PackedFields & ~0x02);
}

TDisposalMethod TGIFGraphicControlExtension::GetDisposal() const
{
    const int d = (FGCExtension.PackedFields >> 2) & 0x07;
    // Values beyond the four methods are kept in the file but act as no disposal.
    return d <= dmPrevious ? TDisposalMethod(d) : dmNone;
}

void TGIFGraphicControlExtension::SetDisposal(TDisposalMethod Value)
{
    FGCExtension.PackedFields = std::uint8_t((FGCExtension.PackedFields & ~0x1C) | ((int(Value) & 0x07) << 2));
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int Index)
{
    TGIFColorMap* map = FSubImage ? FSubImage->ActiveColorMap() : nullptr;
    if (Index < 0 || Index > 255 || (map && map->GetCount() > 0 && Index >= map->GetCount())) {
        Warning(gsWarning, "Invalid color index");
        Index = 0;
    }
    FGCExtension.TransparentColorIndex = std::uint8_t(Index);
    if (FSubImage) FSubImage->ResetPalette();
}

TColor TGIFGraphicControlExtension::GetTransparentColor()
{
    TGIFColorMap* map = FSubImage ? FSubImage->ActiveColorMap() : nullptr;
    if (!map) throw GIFException("Color table is empty");
    return map->GetColor(FGCExtension.TransparentColorIndex);
}

void TGIFGraphicControlExtension::SetTransparentColor(TColor Color)
{
    if (!FSubImage) return;
    SetTransparentColorIndex(FSubImage->ActiveColorMap()->AddUnique(Color));
}

void TGIFGraphicControlExtension::SaveToStream(TStream* Stream)
{
    TGIFExtension::SaveToStream(Stream);
    std::uint8_t d[6];
    d[0] = 4;
    d[1] = FGCExtension.PackedFields;
    Put16(d + 2, FGCExtension.Delay);
    d[4] = FGCExtension.TransparentColorIndex;
    d[5] = 0;
    Stream->WriteBuffer(d, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream* Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    // The block is as long as its size byte says (4 in every file that keeps to the format),
    // and sub-blocks may follow it up to the terminator.
    std::uint8_t d[4];
    bool complete = false;
    const int size = ReadSizedBlock(Stream, d, 4, complete);
    if (complete)
        SkipSubBlocks(Stream);
    else
        Warning(gsWarning, "Premature end of data");
    FGCExtension.BlockSize = std::uint8_t(std::max(size, 0));
    FGCExtension.PackedFields = d[0];
    FGCExtension.Delay = Get16(d + 1);
    FGCExtension.TransparentColorIndex = d[3];
    FGCExtension.Terminator = 0;
    if (GetTransparent() && FSubImage) FSubImage->SetTransparent(true);
}

// ---- TGIFTextExtension

const TGIFExtensionClassInfo TGIFTextExtension::Class = {"TGIFTextExtension", &Make<TGIFTextExtension>, nullptr};
TGIFTextExtension::TGIFTextExtension(TGIFSubImage* SubImage) : TGIFExtension(SubImage, &Class) {}

TColor TGIFTextExtension::GetForegroundColor()
{
    return FSubImage->ActiveColorMap()->GetColor(Rec.TextFGColorIndex);
}

void TGIFTextExtension::SetForegroundColor(TColor Color)
{
    Rec.TextFGColorIndex = std::uint8_t(FSubImage->ActiveColorMap()->AddUnique(Color));
}

TColor TGIFTextExtension::GetBackgroundColor()
{
    return FSubImage->ActiveColorMap()->GetColor(Rec.TextBGColorIndex);
}

void TGIFTextExtension::SetBackgroundColor(TColor Color)
{
    Rec.TextBGColorIndex = std::uint8_t(FSubImage->ActiveColorMap()->AddUnique(Color));
}

void TGIFTextExtension::SaveToStream(TStream* Stream)
{
    TGIFExtension::SaveToStream(Stream);
    std::uint8_t d[13];
    d[0] = 12;
    Put16(d + 1, Rec.Left);
    Put16(d + 3, Rec.Top);
    Put16(d + 5, Rec.Width);
    Put16(d + 7, Rec.Height);
    d[9] = Rec.CellWidth;
    d[10] = Rec.CellHeight;
    d[11] = Rec.TextFGColorIndex;
    d[12] = Rec.TextBGColorIndex;
    Stream->WriteBuffer(d, 13);
    WriteStrings(Stream, Text);
}

void TGIFTextExtension::LoadFromStream(TStream* Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    std::uint8_t d[12];
    bool complete = false;
    const int size = ReadSizedBlock(Stream, d, 12, complete);
    if (!complete) throw GIFException("Premature end of data");
    Rec.BlockSize = std::uint8_t(size);
    Rec.Left = Get16(d);
    Rec.Top = Get16(d + 2);
    Rec.Width = Get16(d + 4);
    Rec.Height = Get16(d + 6);
    Rec.CellWidth = d[8];
    Rec.CellHeight = d[9];
    Rec.TextFGColorIndex = d[10];
    Rec.TextBGColorIndex = d[11];
    ReadStrings(Stream, Text, this);
}

// ---- TGIFCommentExtension

const TGIFExtensionClassInfo TGIFCommentExtension::Class = {"TGIFCommentExtension", &Make<TGIFCommentExtension>,
                                                            nullptr};
TGIFCommentExtension::TGIFCommentExtension(TGIFSubImage* SubImage) : TGIFExtension(SubImage, &Class) {}

void TGIFCommentExtension::SaveToStream(TStream* Stream)
{
    TGIFExtension::SaveToStream(Stream);
    WriteStrings(Stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream* Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    ReadStrings(Stream, Text, this);
}

// ---- TGIFApplicationExtension

TGIFApplicationExtension::TGIFApplicationExtension(TGIFSubImage* SubImage, TGIFExtensionClass Class)
    : TGIFExtension(SubImage, Class)
{}

TGIFExtensionClass TGIFApplicationExtension::FindApplicationExtension(const char Identifier[11])
{
    const std::string id(Identifier, 11);
    auto& list = AppRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->first == id) return it->second;
    return nullptr;
}

void TGIFApplicationExtension::RegisterExtension(const AnsiString& Identifier, TGIFExtensionClass Class)
{
    AnsiString id = Identifier.substr(0, 11);
    id.resize(11, ' ');
    AppRegistry().emplace_back(id, Class);
}

TGIFExtensionClass TGIFApplicationExtension::FindSubExtension(TStream* Stream)
{
    // Positioned behind the label; the caller restores the position.
    const int size = ReadByte(Stream);
    // A longer block starts with the identifier as well; its extra bytes are skipped.
    if (size >= 11) {
        char id[11];
        if (Stream->Read(id, 11) == 11) {
            if (TGIFExtensionClass cls = FindApplicationExtension(id)) return cls;
        }
    }
    // Unregistered identifiers and 10-byte blocks keep their data as they are.
    return &TGIFUnknownAppExtension::Class;
}

AnsiString TGIFApplicationExtension::GetIdentifier() const
{
    return AnsiString(FApplicationExtension.Identifier.data(), FApplicationExtension.Identifier.size());
}

void TGIFApplicationExtension::SetIdentifier(const AnsiString& Value)
{
    FBlockSize = 11;
    FillPadded(FApplicationExtension.Identifier, Value);
}

AnsiString TGIFApplicationExtension::GetAuthentication() const
{
    return AnsiString(FApplicationExtension.Authentication.data(), FApplicationExtension.Authentication.size());
}

void TGIFApplicationExtension::SetAuthentication(const AnsiString& Value)
{
    FBlockSize = 11;
    FillPadded(FApplicationExtension.Authentication, Value);
}

void TGIFApplicationExtension::SaveToStream(TStream* Stream)
{
    TGIFExtension::SaveToStream(Stream);
    // A 10-byte block is written back as it was read, so that its bytes cannot turn into
    // the identifier of a registered extension.
    const int size = FBlockSize == 10 ? 10 : 11;
    WriteByte(Stream, std::uint8_t(size));
    Stream->WriteBuffer(FApplicationExtension.Identifier.data(), 8);
    Stream->WriteBuffer(FApplicationExtension.Authentication.data(), size - 8);
    SaveData(Stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream* Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    const int size = ReadByte(Stream);
    if (size < 0) throw GIFException("Premature end of data");
    if (size == 10) {
        FApplicationExtension.Identifier.fill(0);
        FApplicationExtension.Authentication.fill(0);
    }
    if (size < 10) throw GIFException("Unsupported Application Extension block size");
    FBlockSize = size;
    char id[11];
    ReadCheck(Stream, id, 11);
    std::memcpy(FApplicationExtension.Identifier.data(), id, 8);
    std::memcpy(FApplicationExtension.Authentication.data(), id + 8, 3);
    Stream->Seek(size - 11, soFromCurrent);
    LoadData(Stream);
}

// ---- TGIFUnknownAppExtension

const TGIFExtensionClassInfo TGIFUnknownAppExtension::Class = {
    "TGIFUnknownAppExtension", &Make<TGIFUnknownAppExtension>, &TGIFApplicationExtension::FindSubExtension};
TGIFUnknownAppExtension::TGIFUnknownAppExtension(TGIFSubImage* SubImage) : TGIFApplicationExtension(SubImage, &Class) {}

void TGIFUnknownAppExtension::SaveData(TStream* Stream)
{
    for (const TGIFBlock& b : Blocks) {
        if (b.Data.empty()) continue;
        WriteByte(Stream, std::uint8_t(b.Data.size()));
        Stream->WriteBuffer(b.Data.data(), std::int64_t(b.Data.size()));
    }
    WriteByte(Stream, 0);
}

void TGIFUnknownAppExtension::LoadData(TStream* Stream)
{
    Blocks.clear();
    for (;;) {
        const int size = ReadByte(Stream);
        if (size <= 0) break;
        TGIFBlock b;
        b.Data.resize(std::size_t(size));
        ReadCheck(Stream, b.Data.data(), size);
        Blocks.push_back(std::move(b));
    }
}

// ---- TGIFAppExtNSLoop

const TGIFExtensionClassInfo TGIFAppExtNSLoop::Class = {"TGIFAppExtNSLoop", &Make<TGIFAppExtNSLoop>,
                                                        &TGIFApplicationExtension::FindSubExtension};
TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* SubImage) : TGIFApplicationExtension(SubImage, &Class)
{
    SetIdentifier("NETSCAPE");
    SetAuthentication("2.0");
}

void TGIFAppExtNSLoop::SaveData(TStream* Stream)
{
    std::uint8_t d[6];
    d[0] = 3;
    d[1] = 1;
    Put16(d + 2, Loops);
    Stream->WriteBuffer(d, 4);
    if (BufferSize != 0) {
        d[0] = 5;
        d[1] = 2;
        for (int i = 0; i < 4; ++i) d[2 + i] = std::uint8_t((BufferSize >> (8 * i)) & 0xFF);
        Stream->WriteBuffer(d, 6);
    }
    WriteByte(Stream, 0);
}

void TGIFAppExtNSLoop::LoadData(TStream* Stream)
{
    int size = ReadByte(Stream);
    while (size > 0) {
        const int id = ReadByte(Stream);
        if (id < 0) throw GIFException("Premature end of data");
        int left = size - 1;
        if ((id & 7) == 1) {
            if (left < 2) throw GIFException("Invalid GIF data");
            std::uint8_t d[2];
            ReadCheck(Stream, d, 2);
            Loops = Get16(d);
            left -= 2;
        } else if ((id & 7) == 2) {
            if (left < 4) throw GIFException("Invalid GIF data");
            std::uint8_t d[4];
            ReadCheck(Stream, d, 4);
            BufferSize = std::uint32_t(d[0]) | (std::uint32_t(d[1]) << 8) | (std::uint32_t(d[2]) << 16) |
                         (std::uint32_t(d[3]) << 24);
            left -= 4;
        }
        if (left > 0) Stream->Seek(left, soFromCurrent);
        size = ReadByte(Stream);
    }
}
