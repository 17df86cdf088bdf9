#include "chart/storage/TGIFImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "chart/storage/GIFBytes.h"
#include "chart/storage/GIFLZW.h"
#include "platform/FileSave.h"
#include "platform/StoreChanged.h"
#include "platform/TCanvas.h"

using namespace gifbytes;

TGIFDrawOptions GIFImageDefaultDrawOptions = 0x060F;
TColorReduction GIFImageDefaultColorReduction = rmNetscape;
int GIFImageDefaultColorReductionBits = 8;
TDitherMode GIFImageDefaultDitherMode = dmNearest;
TGIFCompression GIFImageDefaultCompression = gcLZW;
int GIFImageDefaultThreadPriority = 3;  // normal priority
int GIFImageDefaultAnimationSpeed = 100;
int GIFDelayExp = 12;
int GIFDefaultDelay = 10;
int GIFMinimumDelay = 3;
int GIFMaximumDelay = 1000;
const char* const GIFVersions[3] = {"", "87a", "89a"};
bool DoAutoDither = false;
bool PaletteDevice = false;
bool GIFImageRenderOnLoad = false;
bool GIFImageOptimizeOnStream = false;
std::int64_t GIFMaximumFramePixels = std::int64_t(1) << 26;
std::int64_t GIFMaximumImagePixels = std::int64_t(1) << 28;
const char* const CF_GIF = "GIF Image";
const char* const CF_BITMAP = "application/x-qt-image";

TGIFColor Color2RGB(TColor Color)
{
    return {std::uint8_t(Color & 0xFF), std::uint8_t((Color >> 8) & 0xFF), std::uint8_t((Color >> 16) & 0xFF)};
}

TColor RGB2Color(const TGIFColor& Color)
{
    return TColor(Color.Red + Color.Green * 256 + Color.Blue * 65536);
}

// ---- TGIFItem

TGIFItem::TGIFItem(TGIFImage* GIFImage) : FImage(GIFImage) {}

void TGIFItem::Warning(TGIFSeverity Severity, const AnsiString& Message)
{
    if (FImage) FImage->Warning(this, Severity, Message);
}

void TGIFItem::SaveToFile(const AnsiString& FileName)
{
    TFileStream f(FileName, fmCreate);
    SaveToStream(&f);
}

void TGIFItem::LoadFromFile(const AnsiString& FileName)
{
    TFileStream f(FileName, fmOpenRead);
    LoadFromStream(&f);
}

// ---- TGIFList

TGIFList::TGIFList(TGIFImage* Image) : FImage(Image) {}

TGIFList::~TGIFList()
{
    Clear();
}

void TGIFList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

TGIFItem* TGIFList::GetItem(int Index) const
{
    CheckIndex(Index);
    return FItems[std::size_t(Index)];
}

int TGIFList::Add(TGIFItem* Item)
{
    FItems.push_back(Item);
    return GetCount() - 1;
}

void TGIFList::Clear()
{
    std::vector<TGIFItem*> items;
    items.swap(FItems);
    for (TGIFItem* item : items) delete item;
}

void TGIFList::Delete(int Index)
{
    CheckIndex(Index);
    TGIFItem* item = FItems[std::size_t(Index)];
    FItems.erase(FItems.begin() + Index);
    delete item;
}

void TGIFList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[std::size_t(Index1)], FItems[std::size_t(Index2)]);
}

int TGIFList::IndexOf(const TGIFItem* Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TGIFList::Insert(int Index, TGIFItem* Item)
{
    if (Index < 0 || Index > GetCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    FItems.insert(FItems.begin() + Index, Item);
}

void TGIFList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    TGIFItem* item = FItems[std::size_t(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}

int TGIFList::Remove(TGIFItem* Item)
{
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
}

void TGIFList::Warning(TGIFSeverity Severity, const AnsiString& Message)
{
    if (FImage) FImage->Warning(this, Severity, Message);
}

void TGIFList::SaveToStream(TStream* Stream)
{
    for (TGIFItem* item : FItems) item->SaveToStream(Stream);
}

TGIFSubImage* TGIFImageList::GetImage(int Index) const
{
    return static_cast<TGIFSubImage*>(GetItem(Index));
}

TGIFExtension* TGIFExtensionList::GetExtension(int Index) const
{
    return static_cast<TGIFExtension*>(GetItem(Index));
}

void TGIFImageList::LoadFromStream(TStream* Stream, QObject*)
{
    const std::int64_t size = Stream->GetSize();
    auto skipZeros = [&]() -> int {
        int b;
        do {
            b = ReadByte(Stream);
        } while (b == 0);
        return b;
    };
    int b = skipZeros();
    if (b < 0) return;
    while (b != ';') {
        Stream->Seek(-1, soFromCurrent);
        if (b != '!' && b != ',') {
            Warning(gsWarning, "Unknown GIF block type");
            return;
        }
        auto* frame = new TGIFSubImage(FImage);
        try {
            frame->LoadFromStream(Stream);
        } catch (...) {
            delete frame;
            throw;
        }
        Add(frame);
        if (FImage) FImage->FrameChanged();
        if (FImage && size > 0) FImage->Progress(psRunning, int(Stream->GetPosition() * 100 / size), "Loading...");
        b = skipZeros();
        if (b < 0) return;
    }
    Stream->Seek(-1, soFromCurrent);
}

void TGIFExtensionList::LoadFromStream(TStream* Stream, QObject* Parent)
{
    auto* frame = static_cast<TGIFSubImage*>(Parent);
    int b = ReadByte(Stream);
    while (b >= 0 && b != ',' && b != ';') {
        if (b != '!') {
            Warning(gsWarning, "Invalid extension introducer");
            break;
        }
        const int label = ReadByte(Stream);
        if (label < 0) throw GIFException("Premature end of data");
        TGIFExtensionClass cls = TGIFExtension::FindExtension(std::uint8_t(label));
        // A class may hand over to a more specific one for the bytes ahead; a handful of
        // steps is all a sane registry needs.
        for (int depth = 0; cls && cls->FindSubExtension && depth < 8; ++depth) {
            const std::int64_t pos = Stream->GetPosition();
            TGIFExtensionClass sub = cls->FindSubExtension(Stream);
            Stream->SetPosition(pos);
            if (!sub || sub == cls) break;
            cls = sub;
        }
        if (!cls) throw GIFException("Unknown extension type");
        Stream->Seek(-2, soFromCurrent);
        TGIFExtension* ext = cls->Create(frame);
        try {
            ext->LoadFromStream(Stream);
        } catch (...) {
            delete ext;
            throw;
        }
        Add(ext);
        b = ReadByte(Stream);
    }
    if (b >= 0) Stream->Seek(-1, soFromCurrent);
}

// ---- TGIFColorMap

TGIFColorMap::TGIFColorMap(TGIFItem* Owner) : FOwner(Owner) {}

void TGIFColorMap::Assign(TPersistent* Source)
{
    if (auto* map = dynamic_cast<TGIFColorMap*>(Source)) {
        if (map == this) return;
        FColors = map->FColors;
        FCount = map->FCount;
        FCapacity = map->FCapacity;
        FOptimized = map->FOptimized;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

bool TGIFColorMap::LoadDescribed(TStream* Stream, std::uint8_t PackedFields, std::uint8_t SortedFlag,
                                 const char* Descriptor)
{
    if (!(PackedFields & 0x80)) return false;
    const int count = 2 << (PackedFields & 0x07);
    if (count < 2 || count > 256) throw GIFException(AnsiString("Invalid number of colors specified in ") + Descriptor);
    LoadFromStream(Stream, count);
    SetOptimized((PackedFields & SortedFlag) != 0);
    return true;
}

void TGIFColorMap::Grow(int Needed)
{
    if (Needed <= FCapacity) return;
    int cap = FCapacity;
    while (cap < Needed) cap = cap < 16 ? 16 : ((cap / 32) + 1) * 32;
    FCapacity = std::min(cap, 256);
    FColors.resize(std::size_t(FCapacity));
}

TColor TGIFColorMap::GetColor(int Index)
{
    if (FCount == 0) throw GIFException("Color table is empty");
    if (Index < 0 || Index >= FCount) {
        Warning(gsWarning, "Invalid color index");
        Index = 0;
    }
    return RGB2Color(FColors[std::size_t(Index)]);
}

void TGIFColorMap::SetColor(int Index, TColor Value)
{
    if (Index < 0 || Index >= FCount) throw GIFException("Invalid color index");
    FColors[std::size_t(Index)] = Color2RGB(Value);
    Changed();
}

int TGIFColorMap::Add(TColor Color)
{
    if (FCount >= 256) throw GIFException("Color table overflow");
    Grow(FCount + 1);
    FColors[std::size_t(FCount)] = Color2RGB(Color);
    ++FCount;
    FOptimized = false;
    Changed();
    return FCount - 1;
}

int TGIFColorMap::IndexOf(TColor Color) const
{
    const TGIFColor c = Color2RGB(Color);
    if (FOptimized) {
        for (int i = 0; i < FCount; ++i)
            if (FColors[std::size_t(i)] == c) return i;
    } else {
        for (int i = FCount - 1; i >= 0; --i)
            if (FColors[std::size_t(i)] == c) return i;
    }
    return -1;
}

int TGIFColorMap::AddUnique(TColor Color)
{
    const int i = IndexOf(Color);
    return i >= 0 ? i : Add(Color);
}

void TGIFColorMap::Delete(int Index)
{
    if (Index < 0 || Index >= FCount) throw GIFException("Invalid color index");
    std::copy(FColors.begin() + Index + 1, FColors.begin() + FCount, FColors.begin() + Index);
    --FCount;
    Changed();
}

void TGIFColorMap::Clear()
{
    FColors.clear();
    FCount = 0;
    FCapacity = 0;
    FOptimized = false;
    Changed();
}

void TGIFColorMap::ImportColorTable(const void* Table, int Count)
{
    Count = std::clamp(Count, 0, 256);
    const auto* p = static_cast<const std::uint8_t*>(Table);
    TGIFColor colors[256];
    for (int i = 0; i < Count; ++i) colors[i] = {p[4 * i + 2], p[4 * i + 1], p[4 * i]};
    ImportColorMap(colors, Count);
}

void TGIFColorMap::ImportColorMap(const TGIFColor* Map, int Count)
{
    Count = std::clamp(Count, 0, 256);
    FColors.clear();
    FCapacity = 0;
    FCount = 0;
    Grow(Count);
    std::copy(Map, Map + Count, FColors.begin());
    FCount = Count;
    FOptimized = false;
    Changed();
}

int TGIFColorMap::GetBitsPerPixel() const
{
    if (FCount == 0) return 0;
    if (FCount <= 2) return 1;
    int n = 1;
    while ((1 << n) < FCount) ++n;
    return n;
}

void TGIFColorMap::SaveToStream(TStream* Stream) const
{
    if (FCount == 0) return;
    const int entries = 1 << GetBitsPerPixel();
    std::vector<std::uint8_t> buf(std::size_t(entries) * 3, 0);
    for (int i = 0; i < FCount; ++i) {
        buf[std::size_t(3 * i)] = FColors[std::size_t(i)].Red;
        buf[std::size_t(3 * i + 1)] = FColors[std::size_t(i)].Green;
        buf[std::size_t(3 * i + 2)] = FColors[std::size_t(i)].Blue;
    }
    Stream->WriteBuffer(buf.data(), std::int64_t(buf.size()));
}

void TGIFColorMap::LoadFromStream(TStream* Stream, int Count)
{
    Count = std::clamp(Count, 0, 256);
    std::uint8_t buf[256 * 3];
    ReadCheck(Stream, buf, std::int64_t(Count) * 3);
    TGIFColor colors[256];
    for (int i = 0; i < Count; ++i) colors[i] = {buf[3 * i], buf[3 * i + 1], buf[3 * i + 2]};
    ImportColorMap(colors, Count);
}

TGIFGlobalColorMap::TGIFGlobalColorMap(TGIFHeader* Header) : TGIFColorMap(Header) {}

TGIFHeader* TGIFGlobalColorMap::Header() const
{
    return static_cast<TGIFHeader*>(FOwner);
}

void TGIFGlobalColorMap::Changed()
{
    if (FOwner->Image()) FOwner->Image()->ResetPalette();
}

TGIFLocalColorMap::TGIFLocalColorMap(TGIFSubImage* SubImage) : TGIFColorMap(SubImage) {}

TGIFSubImage* TGIFLocalColorMap::SubImage() const
{
    return static_cast<TGIFSubImage*>(FOwner);
}

void TGIFLocalColorMap::Changed()
{
    SubImage()->ResetPalette();
}

// ---- TGIFHeader

TGIFHeader::TGIFHeader(TGIFImage* GIFImage) : TGIFItem(GIFImage), FColorMap(new TGIFGlobalColorMap(this)) {}

TGIFHeader::~TGIFHeader()
{
    delete FColorMap;
}

void TGIFHeader::Assign(TPersistent* Source)
{
    if (auto* h = dynamic_cast<TGIFHeader*>(Source)) {
        if (h == this) return;
        FColorMap->Assign(h->FColorMap);
        Width = h->Width;
        Height = h->Height;
        FPackedFields = h->FPackedFields;
        FBackgroundColorIndex = h->FBackgroundColorIndex;
        AspectRatio = h->AspectRatio;
        return;
    }
    if (auto* map = dynamic_cast<TGIFColorMap*>(Source)) {
        Clear();
        FColorMap->Assign(map);
        return;
    }
    TGIFItem::Assign(Source);
}

void TGIFHeader::Clear()
{
    FColorMap->Clear();
    Width = 0;
    Height = 0;
    FPackedFields = 0;
    FBackgroundColorIndex = 0;
    AspectRatio = 0;
}

TGIFVersion TGIFHeader::GetVersion() const
{
    return (FColorMap->GetOptimized() || AspectRatio != 0) ? gv89a : gv87a;
}

void TGIFHeader::SetBackgroundColorIndex(int Index)
{
    if (Index < 0 || (FColorMap->GetCount() > 0 && Index >= FColorMap->GetCount())) {
        Warning(gsWarning, "Invalid color index");
        Index = 0;
    }
    FBackgroundColorIndex = std::min(Index, 255);
}

TColor TGIFHeader::GetBackgroundColor()
{
    return FColorMap->GetColor(FBackgroundColorIndex);
}

void TGIFHeader::SetBackgroundColor(TColor Color)
{
    FBackgroundColorIndex = FColorMap->AddUnique(Color);
}

void TGIFHeader::Prepare()
{
    int packed = 0;
    const int imageBits = FImage ? FImage->GetBitsPerPixel() : GetBitsPerPixel();
    const int imageRes = FImage ? FImage->GetColorResolution() : GetColorResolution();
    if (FColorMap->GetCount() > 0) {
        packed |= 0x80;
        if (FColorMap->GetOptimized()) packed |= 0x08;
        packed |= (FColorMap->GetBitsPerPixel() - 1) & 0x07;
    } else {
        packed |= std::max(imageBits - 1, 0) & 0x07;
    }
    packed |= (std::max(imageRes, 0) & 0x07) << 4;
    FPackedFields = std::uint8_t(packed);
}

void TGIFHeader::SaveToStream(TStream* Stream)
{
    const TGIFVersion version = FImage ? FImage->GetVersion() : GetVersion();
    if (version == gvUnknown) throw GIFException("Unsupported GIF version");
    Stream->WriteBuffer("GIF", 3);
    Stream->WriteBuffer(GIFVersions[version], 3);
    Prepare();
    std::uint8_t d[7];
    Put16(d, Width);
    Put16(d + 2, Height);
    d[4] = FPackedFields;
    d[5] = std::uint8_t(FBackgroundColorIndex);
    d[6] = AspectRatio;
    Stream->WriteBuffer(d, 7);
    if (FPackedFields & 0x80) FColorMap->SaveToStream(Stream);
}

void TGIFHeader::LoadFromStream(TStream* Stream)
{
    const std::int64_t start = Stream->GetPosition();
    char sig[6];
    ReadCheck(Stream, sig, 6);
    if (std::memcmp(sig, "GIF", 3) != 0) {
        // Some files carry a 4-byte prefix in front of the signature.
        Stream->SetPosition(start + 4);
        ReadCheck(Stream, sig, 6);
        if (std::memcmp(sig, "GIF", 3) != 0) throw GIFException("Invalid GIF signature");
    }
    std::uint8_t d[7];
    ReadCheck(Stream, d, 7);
    Width = Get16(d);
    Height = Get16(d + 2);
    FPackedFields = d[4];
    FBackgroundColorIndex = d[5];
    AspectRatio = d[6];
    if (!FColorMap->LoadDescribed(Stream, FPackedFields, 0x08, "Screen Descriptor")) FColorMap->Clear();
}

// ---- TGIFTrailer

void TGIFTrailer::SaveToStream(TStream* Stream)
{
    WriteByte(Stream, ';');
}

void TGIFTrailer::LoadFromStream(TStream* Stream)
{
    const int b = ReadByte(Stream);
    if (b >= 0 && b != ';') Warning(gsWarning, "Invalid Image trailer");
}

// ---- TGIFImage

TGIFImage::TGIFImage(QObject* parent)
    : TGraphic(parent),
      ColorReduction(GIFImageDefaultColorReduction),
      DitherMode(GIFImageDefaultDitherMode),
      Compression(GIFImageDefaultCompression),
      ThreadPriority(GIFImageDefaultThreadPriority),
      FHeader(new TGIFHeader(this)),
      FImages(new TGIFImageList(this)),
      FDrawOptions(GIFImageDefaultDrawOptions),
      FReductionBits(GIFImageDefaultColorReductionBits),
      FAnimationSpeed(GIFImageDefaultAnimationSpeed)
{}

TGIFImage::~TGIFImage()
{
    PaintStop();
    delete FImages;
    delete FHeader;
}

void TGIFImage::Warning(QObject* Sender, TGIFSeverity Severity, const AnsiString& Message)
{
    if (OnWarning) OnWarning(Sender, Severity, Message);
}

void TGIFImage::Progress(TProgressStage Stage, int PercentDone, const AnsiString& Msg)
{
    if (OnProgress) OnProgress(this, Stage, std::clamp(PercentDone, 0, 100), Msg);
}

void TGIFImage::FrameChanged()
{
    Changed();
}

void TGIFImage::ReservePixels(std::int64_t Count)
{
    if (Count > GIFMaximumFramePixels || FPixelsInUse + Count > GIFMaximumImagePixels)
        throw GIFException("Image dimensions too large");
    FPixelsInUse += Count;
}

void TGIFImage::Clear()
{
    PaintStop();
    FImages->Clear();
    FPixelsInUse = 0;
    FHeader->ColorMap()->Clear();
    FHeader->Width = 0;
    FHeader->Height = 0;
    ResetPalette();
}

TGIFVersion TGIFImage::GetVersion() const
{
    TGIFVersion v = gvUnknown;
    for (int i = 0; i < FImages->GetCount(); ++i) v = std::max(v, FImages->GetImage(i)->GetVersion());
    return v;
}

int TGIFImage::GetBitsPerPixel() const
{
    int bits = FHeader->GetBitsPerPixel();
    for (int i = 0; i < FImages->GetCount(); ++i) bits = std::max(bits, FImages->GetImage(i)->GetBitsPerPixel());
    return bits;
}

int TGIFImage::GetColorResolution() const
{
    int res = FHeader->GetColorResolution();
    for (int i = 0; i < FImages->GetCount(); ++i) res = std::max(res, FImages->GetImage(i)->GetColorResolution());
    return res;
}

bool TGIFImage::GetIsTransparent() const
{
    for (int i = 0; i < FImages->GetCount(); ++i) {
        const TGIFGraphicControlExtension* gce = FImages->GetImage(i)->GetGraphicControlExtension();
        if (gce && gce->GetTransparent()) return true;
    }
    return false;
}

void TGIFImage::SetScreenExtent(int& Field, int Value, int (*FrameEnd)(const TGIFSubImage*), const char* TooSmall)
{
    if (Value < 0 || Value > 0xFFFF) throw GIFException("Invalid image dimensions");
    for (int i = 0; i < FImages->GetCount(); ++i)
        if (Value < FrameEnd(FImages->GetImage(i))) throw GIFException(TooSmall);
    if (StoreChanged(Field, Value)) Changed();
}

void TGIFImage::SetWidth(int Value)
{
    SetScreenExtent(
        FHeader->Width, Value, [](const TGIFSubImage* f) { return f->GetLeft() + f->GetWidth(); },
        "Image width too small for contained frames");
}

void TGIFImage::SetHeight(int Value)
{
    SetScreenExtent(
        FHeader->Height, Value, [](const TGIFSubImage* f) { return f->GetTop() + f->GetHeight(); },
        "Image height too small for contained frames");
}

void TGIFImage::SetDrawOptions(TGIFDrawOptions Value)
{
    if (Value == FDrawOptions) return;
    PaintStop();
    FDrawOptions = Value;
    ResetPalette();  // frame bitmaps depend on the dithering options
    Pack();
    Changed();
}

void TGIFImage::SetReductionBits(int Value)
{
    if (Value < 3 || Value > 8) throw GIFException("Invalid Bits Per Pixel value");
    FReductionBits = Value;
}

void TGIFImage::LoadFromStream(TStream* Stream)
{
    Progress(psStarting, 0, "Loading...");
    const std::int64_t start = Stream->GetPosition();
    try {
        Clear();
        FHeader->LoadFromStream(Stream);
        FImages->LoadFromStream(Stream, this);
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(Stream);
    } catch (...) {
        Stream->SetPosition(start);
        Progress(psEnding, 0, "Loading...");
        throw;
    }
    Progress(psEnding, 100, "Loading...");
    Changed();
}

void TGIFImage::SaveToStream(TStream* Stream)
{
    Progress(psStarting, 0, "Saving...");
    try {
        FHeader->SaveToStream(Stream);
        const int n = FImages->GetCount();
        for (int i = 0; i < n; ++i) {
            FImages->GetImage(i)->SaveToStream(Stream);
            Progress(psRunning, (i + 1) * 100 / n, "Saving...");
        }
        TGIFTrailer trailer(this);
        trailer.SaveToStream(Stream);
    } catch (...) {
        Progress(psEnding, 0, "Saving...");
        throw;
    }
    Progress(psEnding, 100, "Saving...");
}

void TGIFImage::LoadFromFile(const AnsiString& FileName)
{
    TMemoryStream m;
    m.LoadFromFile(FileName);
    LoadFromStream(&m);
}

void TGIFImage::SaveToFile(const AnsiString& FileName)
{
    // Encoded whole in memory first and then replaces the file in one step, so neither a
    // failed encoding nor a failed write destroys the file that was there.
    TMemoryStream m;
    SaveToStream(&m);
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(m.Memory()), std::size_t(m.GetSize()));
    if (!platform::SaveFileAtomic(FileName, bytes, &error)) throw EInOutError(error);
}

void TGIFImage::Assign(TPersistent* Source)
{
    if (Source == this) return;
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (auto* gif = qobject_cast<TGIFImage*>(Source)) {
        Clear();
        FHeader->Assign(gif->FHeader);
        ThreadPriority = gif->ThreadPriority;
        DrawBackgroundColor = gif->DrawBackgroundColor;
        FDrawOptions = gif->FDrawOptions;
        ColorReduction = gif->ColorReduction;
        FReductionBits = gif->FReductionBits;
        DitherMode = gif->DitherMode;
        Compression = gif->Compression;
        const int n = gif->FImages->GetCount();
        Progress(psStarting, 0, "Copying...");
        try {
            for (int i = 0; i < n; ++i) {
                auto* frame = new TGIFSubImage(this);
                FImages->Add(frame);
                frame->Assign(gif->FImages->GetImage(i));
                FrameChanged();
                Progress(psRunning, (i + 1) * 100 / n, "Copying...");
            }
        } catch (...) {
            Progress(psEnding, 0, "Copying...");
            throw;
        }
        Progress(psEnding, 100, "Copying...");
        return;
    }
    if (qobject_cast<TGraphic*>(Source) || dynamic_cast<TGIFSubImage*>(Source)) {
        Clear();
        Add(Source);
        return;
    }
    if (auto* pic = qobject_cast<TPicture*>(Source)) {
        Assign(pic->GetGraphic());
        return;
    }
    TGraphic::Assign(Source);
}

int TGIFImage::Add(TPersistent* Source)
{
    if (auto* frame = dynamic_cast<TGIFSubImage*>(Source)) {
        if (FImages->IndexOf(frame) >= 0) return FImages->IndexOf(frame);
        if (frame->FImage && frame->FImage != this && frame->FImage->FImages->IndexOf(frame) >= 0) {
            // A frame of another image is copied.
            auto* copy = new TGIFSubImage(this);
            const int i = FImages->Add(copy);
            try {
                copy->Assign(frame);
                // The logical screen grows to hold the frame.
                copy->SetBoundsRect(copy->GetBoundsRect());
            } catch (...) {
                FImages->Delete(i);
                throw;
            }
            FrameChanged();
            return i;
        }
        // A free frame is taken over.
        if (frame->FImage != this) {
            ReservePixels(frame->GetDataSize());
            frame->SetOwnerImage(this);
        }
        const int i = FImages->Add(frame);
        FrameChanged();
        return i;
    }
    if (qobject_cast<TGraphic*>(Source)) {
        auto* frame = new TGIFSubImage(this);
        const int i = FImages->Add(frame);
        try {
            frame->Assign(Source);
        } catch (...) {
            FImages->Delete(i);
            throw;
        }
        FrameChanged();
        return i;
    }
    throw GIFException("Object type not supported for operation");
}

QImage TGIFImage::ToImage() const
{
    // The logical screen comes from the file; it is bounded like a frame.
    if (std::int64_t(std::max(GetWidth(), 0)) * std::max(GetHeight(), 0) > GIFMaximumFramePixels)
        throw GIFException("Image dimensions too large");
    QImage img(std::max(GetWidth(), 0), std::max(GetHeight(), 0), QImage::Format_RGB32);
    img.fill(0xFF000000u);
    if (FImages->GetCount() == 0 || img.isNull()) return img;
    TGIFSubImage* frame = FImages->GetImage(0);
    if (frame->GetEmpty()) return img;
    const TGIFColorMap* map = frame->ActiveColorMap();
    std::array<QRgb, 256> lut;
    lut.fill(0xFF000000u);
    if (map && map->GetCount() > 0) {
        for (int i = 0; i < 256; ++i) {
            // Indices beyond the table show its first colour.
            const TGIFColor& c = map->Data()[i < map->GetCount() ? i : 0];
            lut[std::size_t(i)] = qRgb(c.Red, c.Green, c.Blue);
        }
    }
    const std::uint8_t* p = frame->PixelData().data();
    for (int y = 0; y < frame->GetHeight(); ++y) {
        const int ty = frame->GetTop() + y;
        if (ty < 0 || ty >= img.height()) continue;
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(ty));
        for (int x = 0; x < frame->GetWidth(); ++x) {
            const int tx = frame->GetLeft() + x;
            if (tx >= 0 && tx < img.width()) row[tx] = lut[p[std::int64_t(y) * frame->GetWidth() + x]];
        }
    }
    return img;
}

void TGIFImage::LoadFromClipboardFormat(const AnsiString& Format, const QMimeData* Data)
{
    if (Format == CF_GIF && Data && Data->hasFormat(CF_GIF)) {
        const QByteArray bytes = Data->data(CF_GIF);
        TMemoryStream m(bytes.constData(), std::size_t(bytes.size()));
        LoadFromStream(&m);
        return;
    }
    if (Format == CF_BITMAP && Data && Data->hasImage()) {
        TBitmap bmp;
        bmp.SetImage(qvariant_cast<QImage>(Data->imageData()));
        bmp.SetPixelFormat(pf24bit);
        Assign(&bmp);
        return;
    }
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGIFImage::SaveToClipboardFormat(QMimeData* Data)
{
    if (GetEmpty() || !Data) return;
    TMemoryStream m;
    SaveToStream(&m);
    Data->setImageData(ToImage());
    Data->setData(CF_GIF, QByteArray(reinterpret_cast<const char*>(m.Memory()), qsizetype(m.GetSize())));
}

void TGIFImage::CopyToClipboard()
{
    QClipboard* clipboard =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw GIFException("Failed to store GIF on clipboard");
    auto data = std::make_unique<QMimeData>();
    SaveToClipboardFormat(data.get());
    clipboard->setMimeData(data.release());
}

// ---- start-up: GIF files become GIF pictures wherever a picture is loaded from a file.

namespace {

struct GIFFileFormatRegistration {
    GIFFileFormatRegistration()
    {
        TPicture::RegisterFileFormat("gif", "TGIFImage", [] { return std::make_unique<TGIFImage>(); });
    }
    ~GIFFileFormatRegistration() { TPicture::UnregisterGraphicClass("TGIFImage"); }
};

const GIFFileFormatRegistration gifFileFormat;

}  // namespace
