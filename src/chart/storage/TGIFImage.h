#pragma once
// The GIF picture: reads and writes GIF87a and GIF89a files with any number of frames and
// keeps every block of a file as an object (header, frames, extensions). A bitmap assigned
// to it becomes one frame with its own colour table.
//
// Files are untrusted input: every count, size, code and index read from a file is checked
// before it is used, and a frame larger than GIFMaximumFramePixels is refused.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/AnsiString.h"

class QMimeData;
#include "platform/EInvalidGraphic.h"
#include "platform/TBitmap.h"
#include "platform/TStream.h"

class GIFException : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

enum TGIFVersion { gvUnknown, gv87a, gv89a };
enum TGIFSeverity { gsInfo, gsWarning, gsError };
enum TDisposalMethod { dmNone, dmNoDisposal, dmBackground, dmPrevious };
enum TGIFCompression { gcLZW, gcRLE };
enum TColorReduction {
    rmNone,
    rmWindows20,
    rmWindows256,
    rmWindowsGray,
    rmMonochrome,
    rmGrayScale,
    rmNetscape,
    rmQuantize,
    rmQuantizeWindows,
    rmPalette
};
enum TDitherMode { dmNearest, dmFloydSteinberg, dmStucki, dmSierra, dmJaJuNI, dmSteveArche, dmBurkes };
enum TGIFOptimizeOption { ooCrop, ooMerge, ooCleanup, ooColorMap, ooReduceColors };
using TGIFOptimizeOptions = unsigned;  // bit n = TGIFOptimizeOption n
enum TGIFDrawOption {
    goAsync,
    goTransparent,
    goAnimate,
    goLoop,
    goLoopContinously,
    goValidateCanvas,
    goDirectDraw,
    goClearOnLoop,
    goTile,
    goDither,
    goAutoDither
};
using TGIFDrawOptions = std::uint16_t;  // bit n = TGIFDrawOption n
constexpr TGIFDrawOptions GIFDrawOption(TGIFDrawOption o)
{
    return TGIFDrawOptions(1u << o);
}

enum TProgressStage { psStarting, psRunning, psEnding };

struct TGIFColor {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend constexpr bool operator==(const TGIFColor&, const TGIFColor&) = default;
};
TGIFColor Color2RGB(TColor Color);
TColor RGB2Color(const TGIFColor& Color);

// Module-wide settings; a new TGIFImage copies the GIFImageDefault ones.
extern TGIFDrawOptions GIFImageDefaultDrawOptions;
extern TColorReduction GIFImageDefaultColorReduction;
extern int GIFImageDefaultColorReductionBits;
extern TDitherMode GIFImageDefaultDitherMode;
extern TGIFCompression GIFImageDefaultCompression;
extern int GIFImageDefaultThreadPriority;
extern int GIFImageDefaultAnimationSpeed;
extern int GIFDelayExp;
extern int GIFDefaultDelay;
extern int GIFMinimumDelay;
extern int GIFMaximumDelay;
extern const char* const GIFVersions[3];
extern bool DoAutoDither;
extern bool PaletteDevice;
extern bool GIFImageRenderOnLoad;
extern bool GIFImageOptimizeOnStream;
// Largest frame (width x height) that is allocated, and the largest sum over all frames
// of one image. A file asking for more is refused instead of exhausting memory.
extern std::int64_t GIFMaximumFramePixels;
extern std::int64_t GIFMaximumImagePixels;
// Clipboard formats: a whole GIF stream, and a bitmap.
extern const char* const CF_GIF;     // "GIF Image"
extern const char* const CF_BITMAP;  // the clipboard's own image format

using TGIFWarning = std::function<void(QObject* Sender, TGIFSeverity Severity, const AnsiString& Message)>;
using TProgressEvent =
    std::function<void(QObject* Sender, TProgressStage Stage, int PercentDone, const AnsiString& Msg)>;

class TGIFImage;
class TGIFSubImage;
class TMetafile;
class TGIFColorMap;
class TGIFExtension;
class TGIFGraphicControlExtension;
class TGIFPainter;

// Handlers of an animation; they run on the user-interface thread.
using TGIFPainterEvent = std::function<void(TGIFPainter* Painter)>;

// A new bitmap of 8 bits per pixel whose palette the reduction chooses, or a 24-bit copy for
// rmNone; the source is not changed (GIFColorReduction.cpp).
std::unique_ptr<TBitmap> ReduceColors(TBitmap* Bitmap, TColorReduction ColorReduction, TDitherMode DitherMode,
                                      int ReductionBits, const TGIFColorMap* Palette);

// Base of every block of a file.
class TGIFItem : public TPersistent {
    Q_OBJECT
    friend class TGIFSubImage;

public:
    explicit TGIFItem(TGIFImage* GIFImage);
    virtual TGIFVersion GetVersion() const { return gv87a; }
    virtual void Warning(TGIFSeverity Severity, const AnsiString& Message);
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToFile(const AnsiString& FileName);
    virtual void LoadFromFile(const AnsiString& FileName);
    TGIFImage* Image() const { return FImage; }

protected:
    TGIFImage* FImage;
};

// An owned list of items: removing an item frees it.
class TGIFList : public TPersistent {
    Q_OBJECT
    friend class TGIFSubImage;

public:
    explicit TGIFList(TGIFImage* Image);
    ~TGIFList() override;
    TGIFItem* GetItem(int Index) const;
    int GetCount() const { return int(FItems.size()); }
    int Add(TGIFItem* Item);
    void Clear();
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    TGIFItem* First() const { return GetItem(0); }
    int IndexOf(const TGIFItem* Item) const;
    void Insert(int Index, TGIFItem* Item);
    TGIFItem* Last() const { return GetItem(GetCount() - 1); }
    void Move(int CurIndex, int NewIndex);
    int Remove(TGIFItem* Item);
    virtual void Warning(TGIFSeverity Severity, const AnsiString& Message);
    virtual void SaveToStream(TStream* Stream);
    virtual void LoadFromStream(TStream* Stream, QObject* Parent) = 0;
    TGIFImage* Image() const { return FImage; }

protected:
    void CheckIndex(int Index) const;
    TGIFImage* FImage;
    std::vector<TGIFItem*> FItems;
};

class TGIFImageList : public TGIFList {
    Q_OBJECT
public:
    using TGIFList::TGIFList;
    TGIFSubImage* GetImage(int Index) const;
    void LoadFromStream(TStream* Stream, QObject* Parent) override;
};

class TGIFExtensionList : public TGIFList {
    Q_OBJECT
public:
    using TGIFList::TGIFList;
    TGIFExtension* GetExtension(int Index) const;
    void LoadFromStream(TStream* Stream, QObject* Parent) override;
};

// A colour table of up to 256 colours.
class TGIFColorMap : public TPersistent {
    Q_OBJECT
public:
    // Warnings go to the owner: the header of the global table or the frame of a local one.
    explicit TGIFColorMap(TGIFItem* Owner);
    void Assign(TPersistent* Source) override;
    void Warning(TGIFSeverity Severity, const AnsiString& Message) { FOwner->Warning(Severity, Message); }
    virtual void Changed() = 0;
    // Sorts the table by use over the frames that use it, dropping colours no pixel uses;
    // answers whether the table is now marked sorted.
    bool Optimize();

    int GetCount() const { return FCount; }
    int GetCapacity() const { return FCapacity; }
    bool GetOptimized() const { return FOptimized; }
    void SetOptimized(bool Value) { FOptimized = Value; }
    // Reading an index outside the map warns "Invalid color index" and answers entry 0;
    // reading from an empty map raises "Color table is empty".
    TColor GetColor(int Index);
    void SetColor(int Index, TColor Value);
    const TGIFColor* Data() const { return FColors.data(); }
    int Add(TColor Color);
    int AddUnique(TColor Color);
    int IndexOf(TColor Color) const;
    void Delete(int Index);
    void Clear();
    // Entries of 4 bytes: blue, green, red, reserved.
    void ImportColorTable(const void* Table, int Count);
    void ImportColorMap(const TGIFColor* Map, int Count);
    int GetBitsPerPixel() const;
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }
    // Count triples, then black triples up to 2^bits per pixel; nothing when empty.
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream, int Count);
    // Reads the table a descriptor's packed fields announce (bit 7: present, bits 0-2: its
    // size, SortedFlag: sorted by use); answers false when there is none.
    bool LoadDescribed(TStream* Stream, std::uint8_t PackedFields, std::uint8_t SortedFlag, const char* Descriptor);

protected:
    void Grow(int Needed);
    TGIFItem* FOwner;
    std::vector<TGIFColor> FColors;
    int FCount = 0;
    int FCapacity = 0;
    bool FOptimized = false;
};

class TGIFHeader;

// A change of the global table drops the image's cached pictures, a change of a local one
// the frame's.
class TGIFGlobalColorMap : public TGIFColorMap {
    Q_OBJECT
public:
    explicit TGIFGlobalColorMap(TGIFHeader* Header);
    void Changed() override;
    TGIFHeader* Header() const;
};

class TGIFLocalColorMap : public TGIFColorMap {
    Q_OBJECT
public:
    explicit TGIFLocalColorMap(TGIFSubImage* SubImage);
    void Changed() override;
    TGIFSubImage* SubImage() const;
};

// The signature, the logical screen descriptor and the global colour table.
class TGIFHeader : public TGIFItem {
    Q_OBJECT
public:
    explicit TGIFHeader(TGIFImage* GIFImage);
    ~TGIFHeader() override;
    void Assign(TPersistent* Source) override;
    TGIFVersion GetVersion() const override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    void Clear();

    int Width = 0;
    int Height = 0;
    std::uint8_t GetPackedFields() const { return FPackedFields; }
    int GetBackgroundColorIndex() const { return FBackgroundColorIndex; }
    // An index at or beyond a non-empty map warns "Invalid color index" and stores 0.
    void SetBackgroundColorIndex(int Index);
    TColor GetBackgroundColor();
    void SetBackgroundColor(TColor Color);
    std::uint8_t AspectRatio = 0;
    TGIFGlobalColorMap* ColorMap() const { return FColorMap; }
    int GetBitsPerPixel() const { return FColorMap->GetBitsPerPixel(); }
    int GetColorResolution() const { return FColorMap->GetColorResolution(); }
    // The packed fields the next save writes.
    void Prepare();

private:
    TGIFGlobalColorMap* FColorMap;
    std::uint8_t FPackedFields = 0;
    int FBackgroundColorIndex = 0;
};

// One frame: image descriptor, local colour table, pixel data (one byte per pixel, rows top
// to bottom in natural order) and the extensions that precede it in the file.
class TGIFSubImage : public TGIFItem {
    Q_OBJECT
public:
    explicit TGIFSubImage(TGIFImage* GIFImage);
    ~TGIFSubImage() override;
    void Assign(TPersistent* Source) override;
    TGIFVersion GetVersion() const override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    void Clear();

    int GetLeft() const { return FLeft; }
    int GetTop() const { return FTop; }
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetLeft(int Value) { SetBoundsRect(Bounds(Value, FTop, FWidth, FHeight)); }
    void SetTop(int Value) { SetBoundsRect(Bounds(FLeft, Value, FWidth, FHeight)); }
    void SetWidth(int Value) { SetBoundsRect(Bounds(FLeft, FTop, Value, FHeight)); }
    void SetHeight(int Value) { SetBoundsRect(Bounds(FLeft, FTop, FWidth, Value)); }
    TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    // Stores all four; a new size frees the pixels and allocates width x height zero bytes;
    // grows the logical screen to hold the frame.
    void SetBoundsRect(const TRect& Value);
    TRect GetClientRect() const { return Rect(0, 0, FWidth, FHeight); }
    bool GetInterlaced() const { return (FPackedFields & 0x40) != 0; }
    void SetInterlaced(bool Value);
    std::uint8_t GetPackedFields() const { return FPackedFields; }
    bool GetEmpty() const { return FData.empty() || FWidth == 0 || FHeight == 0; }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }

    // Pixel data; "Image is empty" for a frame of size 0.
    std::uint8_t* Data();
    const std::vector<std::uint8_t>& PixelData() const { return FData; }
    std::int64_t GetDataSize() const { return std::int64_t(FData.size()); }
    // "Invalid pixel coordinates" outside the frame.
    std::uint8_t GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, std::uint8_t Value);
    std::uint8_t* GetScanline(int Y);

    TGIFLocalColorMap* ColorMap() const { return FColorMap; }
    // The local colour map when it has colours, else the global one.
    TGIFColorMap* ActiveColorMap() const;
    TGIFExtensionList* Extensions() const { return FExtensions; }
    TGIFGraphicControlExtension* GetGraphicControlExtension() const { return FGCE; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* Value) { FGCE = Value; }
    int GetBitsPerPixel() const { return FColorMap->GetBitsPerPixel(); }
    int GetColorResolution() const { return FColorMap->GetColorResolution(); }
    // Frees the cached bitmap and mask; they are built again on the next drawing.
    void ResetPalette();

    // Drawing (TGIFImage_draw.cpp). Draw scales the frame's bounds from the logical screen
    // into Rect (or tiles it over Rect at its own size); transparent pixels leave the
    // target as it is when Transparent is set.
    void Draw(TCanvas* ACanvas, const TRect& Rect, bool Transparent, bool Tile);
    void StretchDraw(TCanvas* ACanvas, const TRect& Rect, bool Transparent, bool Tile);
    TRect ScaleRect(const TRect& Rect) const;
    // The frame as a 32-bit bitmap, built on first use (dithered to the web palette when
    // the image's options ask for it); an empty frame gives an empty bitmap.
    TBitmap* GetBitmap();
    // Whether the frame has a mask: only a transparent frame with at least one pixel of
    // the transparent index has one.
    bool HasMask();
    // One bit per pixel, 1 where the pixel is transparent; null when there is no mask.
    const QImage& Mask() const { return FMask; }

    // Reads the LZW code stream behind the descriptor into the pixel data, and writes it.
    void Decompress(TStream* Stream);
    void Compress(TStream* Stream);

    // Drops the columns and rows of transparent pixels at the borders of a transparent
    // frame; a frame left with nothing becomes empty.
    void Crop();
    // Makes the pixels that repeat the previous frame at the same screen position
    // transparent.
    void Merge(TGIFSubImage* Previous);

protected:
    void SetOwnerImage(TGIFImage* Image);
    void AssignFromBitmap(TBitmap* Source);
    // Played on a true-colour bitmap; the pixels it leaves alone become transparent.
    void AssignFromMetafile(TMetafile* Source);
    // Makes the masked pixels (one flag per pixel) transparent through a new black entry of
    // the colour table, when the optimised table has room for it.
    void ApplyMask(const std::vector<bool>& Mask);
    void AllocateData(int Width, int Height);
    void ReleaseData();

private:
    friend class TGIFImage;
    std::vector<std::uint8_t> FData;
    TGIFLocalColorMap* FColorMap;
    TGIFExtensionList* FExtensions;
    TGIFGraphicControlExtension* FGCE = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    std::uint8_t FPackedFields = 0;
    bool FTransparent = false;
    std::unique_ptr<TBitmap> FBitmap;
    QImage FMask;
    bool FNeedMask = true;
    // The colours the frame's pixels index (palette rules in TGIFImage_draw.cpp).
    std::vector<TGIFColor> DrawPalette(bool Dither);
    bool DitherApplies() const;
};

class TGIFTrailer : public TGIFItem {
    Q_OBJECT
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
};

// The class of an extension, as the registries keep it: how to make one, and which more
// specific class the bytes ahead in a stream call for (the stream position is restored).
struct TGIFExtensionClassInfo {
    const char* ClassName;
    TGIFExtension* (*Create)(TGIFSubImage* SubImage);
    const TGIFExtensionClassInfo* (*FindSubExtension)(TStream* Stream);
};
using TGIFExtensionClass = const TGIFExtensionClassInfo*;

class TGIFExtension : public TGIFItem {
    Q_OBJECT
public:
    // Class: the registered class the extension is an instance of.
    TGIFExtension(TGIFSubImage* SubImage, TGIFExtensionClass Class);
    TGIFVersion GetVersion() const override { return gv89a; }
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    virtual std::uint8_t GetExtensionType() const = 0;
    TGIFSubImage* SubImage() const { return FSubImage; }
    // The class for a label (registered classes, the latest registration winning; null
    // when there is none).
    static TGIFExtensionClass FindExtension(std::uint8_t Label);
    static void RegisterExtension(std::uint8_t Label, TGIFExtensionClass Class);
    // A new extension of the same class with the same content.
    TGIFExtension* Clone(TGIFSubImage* Owner);
    TGIFExtensionClass ClassInfo() const { return FClass; }

protected:
    TGIFSubImage* FSubImage;

private:
    TGIFExtensionClass FClass;
};

struct TGIFGCERec {
    std::uint8_t BlockSize = 4;
    std::uint8_t PackedFields = 0;
    std::uint16_t Delay = 0;
    std::uint8_t TransparentColorIndex = 0;
    std::uint8_t Terminator = 0;
};

class TGIFGraphicControlExtension : public TGIFExtension {
    Q_OBJECT
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage* SubImage);
    ~TGIFGraphicControlExtension() override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    std::uint8_t GetExtensionType() const override { return 0xF9; }
    static const TGIFExtensionClassInfo Class;

    bool GetTransparent() const { return (FGCExtension.PackedFields & 0x01) != 0; }
    void SetTransparent(bool Value);
    bool GetUserInput() const { return (FGCExtension.PackedFields & 0x02) != 0; }
    void SetUserInput(bool Value);
    TDisposalMethod GetDisposal() const;
    void SetDisposal(TDisposalMethod Value);
    int GetDelay() const { return FGCExtension.Delay; }
    void SetDelay(int Value) { FGCExtension.Delay = std::uint16_t(Value); }
    int GetTransparentColorIndex() const { return FGCExtension.TransparentColorIndex; }
    // An index at or beyond the frame's non-empty active colour map warns "Invalid color
    // index" and stores 0.
    void SetTransparentColorIndex(int Index);
    TColor GetTransparentColor();
    void SetTransparentColor(TColor Color);
    const TGIFGCERec& Record() const { return FGCExtension; }

private:
    TGIFGCERec FGCExtension;
};

struct TGIFPlainTextExtensionRec {
    std::uint8_t BlockSize = 12;
    std::uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint8_t CellWidth = 0, CellHeight = 0;
    std::uint8_t TextFGColorIndex = 0, TextBGColorIndex = 0;
};

class TGIFTextExtension : public TGIFExtension {
    Q_OBJECT
public:
    explicit TGIFTextExtension(TGIFSubImage* SubImage);
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    std::uint8_t GetExtensionType() const override { return 0x01; }
    static const TGIFExtensionClassInfo Class;

    TGIFPlainTextExtensionRec Rec;
    std::vector<AnsiString> Text;
    TColor GetForegroundColor();
    void SetForegroundColor(TColor Color);
    TColor GetBackgroundColor();
    void SetBackgroundColor(TColor Color);
};

class TGIFCommentExtension : public TGIFExtension {
    Q_OBJECT
public:
    explicit TGIFCommentExtension(TGIFSubImage* SubImage);
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    std::uint8_t GetExtensionType() const override { return 0xFE; }
    static const TGIFExtensionClassInfo Class;

    std::vector<AnsiString> Text;
};

struct TGIFApplicationRec {
    std::array<char, 8> Identifier{};
    std::array<char, 3> Authentication{};
};

class TGIFApplicationExtension : public TGIFExtension {
    Q_OBJECT
public:
    TGIFApplicationExtension(TGIFSubImage* SubImage, TGIFExtensionClass Class);
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;
    std::uint8_t GetExtensionType() const override { return 0xFF; }
    static TGIFExtensionClass FindSubExtension(TStream* Stream);
    static TGIFExtensionClass FindApplicationExtension(const char Identifier[11]);
    static void RegisterExtension(const AnsiString& Identifier, TGIFExtensionClass Class);

    AnsiString GetIdentifier() const;
    void SetIdentifier(const AnsiString& Value);  // padded with blanks to 8
    AnsiString GetAuthentication() const;
    void SetAuthentication(const AnsiString& Value);  // padded with blanks to 3
    const TGIFApplicationRec& Record() const { return FApplicationExtension; }

protected:
    virtual void SaveData(TStream* Stream) = 0;
    virtual void LoadData(TStream* Stream) = 0;
    TGIFApplicationRec FApplicationExtension;
    int FBlockSize = 11;  // as read; 10 and 11 are written back as they were
};

struct TGIFBlock {
    std::vector<std::uint8_t> Data;  // 1..255 bytes
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
    Q_OBJECT
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage* SubImage);
    static const TGIFExtensionClassInfo Class;
    std::vector<TGIFBlock> Blocks;

protected:
    void SaveData(TStream* Stream) override;
    void LoadData(TStream* Stream) override;
};

// The looping extension.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
    Q_OBJECT
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* SubImage);
    static const TGIFExtensionClassInfo Class;
    int Loops = 0;  // 16 bits, 0 = endless
    std::uint32_t BufferSize = 0;

protected:
    void SaveData(TStream* Stream) override;
    void LoadData(TStream* Stream) override;
};

class TGIFImage : public TGraphic {
    Q_OBJECT
public:
    explicit TGIFImage(QObject* parent = nullptr);
    ~TGIFImage() override;

    // TGraphic
    void Assign(TPersistent* Source) override;
    bool Equals(const TGIFImage* Other) const { return Other == this; }
    bool GetEmpty() const override { return FImages->GetCount() == 0; }
    int GetWidth() const override { return FHeader->Width; }
    int GetHeight() const override { return FHeader->Height; }
    // Below a frame's right (bottom) edge: "Image width (height) too small for contained
    // frames".
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // Draws the image stretched into r: the first frame, or with goAnimate an animation
    // played by a painter (TGIFPainter.h) onto the canvas or onto the composite bitmap.
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    // The logical screen with the first frame drawn at its place (black elsewhere).
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGIFImage>(); }
    void LoadFromFile(const AnsiString& FileName) override;
    void SaveToFile(const AnsiString& FileName) override;
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);
    virtual void Warning(QObject* Sender, TGIFSeverity Severity, const AnsiString& Message);
    // CF_GIF reads the data as a GIF stream, CF_BITMAP takes the image as one frame; any
    // other format raises "Unsupported clipboard format".
    void LoadFromClipboardFormat(const AnsiString& Format, const QMimeData* Data);
    // A non-empty image puts its bitmap and its whole GIF stream (CF_GIF) into Data.
    void SaveToClipboardFormat(QMimeData* Data);
    // Puts the picture on the system clipboard; "Failed to store GIF on clipboard" when
    // there is none.
    void CopyToClipboard();

    // Appends a frame made from a graphic, or the given frame itself (the image takes it
    // over); answers its index. Anything else: "Object type not supported for operation".
    int Add(TPersistent* Source);
    void Clear();

    TGIFHeader* Header() const { return FHeader; }
    TGIFImageList* Images() const { return FImages; }
    TGIFGlobalColorMap* GlobalColorMap() const { return FHeader->ColorMap(); }
    TGIFVersion GetVersion() const;
    int GetBitsPerPixel() const;
    int GetColorResolution() const;
    bool GetIsTransparent() const;
    TColor GetBackgroundColor() { return FHeader->GetBackgroundColor(); }
    void SetBackgroundColor(TColor Color) { FHeader->SetBackgroundColor(Color); }
    int GetBackgroundColorIndex() const { return FHeader->GetBackgroundColorIndex(); }
    void SetBackgroundColorIndex(int Index) { FHeader->SetBackgroundColorIndex(Index); }
    int GetAspectRatio() const { return FHeader->AspectRatio; }
    void SetAspectRatio(int Value) { FHeader->AspectRatio = std::uint8_t(Value); }

    TGIFDrawOptions GetDrawOptions() const { return FDrawOptions; }
    void SetDrawOptions(TGIFDrawOptions Value);
    TColorReduction ColorReduction;
    TDitherMode DitherMode;
    TGIFCompression Compression;
    int ThreadPriority;
    TColor DrawBackgroundColor = clNone;
    int GetReductionBits() const { return FReductionBits; }
    // 3..8, else "Invalid Bits Per Pixel value".
    void SetReductionBits(int Value);
    int GetAnimationSpeed() const { return FAnimationSpeed; }
    void SetAnimationSpeed(int Value);  // clamped to 0..1000, passed to every painter

    // Animation (TGIFImage_draw.cpp). Paint starts a painter on ACanvas; with goAsync it
    // runs on its own thread, else it plays inside this call. The image owns its painters
    // and stops and joins them when it is cleared, gets new draw options or is destroyed.
    void Paint(TCanvas* ACanvas, const TRect& Rect, TGIFDrawOptions Options);
    void PaintStart();
    void PaintPause();
    void PaintResume();
    void PaintRestart();
    void PaintStop();
    // The painter started by Draw, or null.
    TGIFPainter* GetPainter() const { return FPainter; }
    // Painters that have not ended (ended ones are freed on the next Paint, Draw or stop).
    int PainterCount();
    // The composite bitmap (made on first use: the logical screen with the first frame).
    TBitmap* GetBitmap();
    TGIFPainterEvent OnStartPaint;
    TGIFPainterEvent OnPaint;
    TGIFPainterEvent OnAfterPaint;
    TGIFPainterEvent OnLoop;
    TGIFPainterEvent OnEndPaint;

    TGIFWarning OnWarning;
    TProgressEvent OnProgress;

    void Progress(TProgressStage Stage, int PercentDone, const AnsiString& Msg);
    // A frame was added or changed its size: drops the cached picture and signals the change.
    void FrameChanged();
    // Bookkeeping of the pixels held by all frames (bounded by GIFMaximumImagePixels).
    void ReservePixels(std::int64_t Count);
    void ReleasePixels(std::int64_t Count) { FPixelsInUse -= Count; }

    // Sorts and merges colour tables, crops frames, drops extensions that change nothing
    // (TGIFImage_optimize.cpp); Pack frees the cached bitmaps and palettes and moves the
    // colour table of a single frame into the global table.
    void Optimize(TGIFOptimizeOptions Options, TColorReduction ColorReduction, TDitherMode DitherMode,
                  int ReductionBits);
    void Pack();
    // Frees the cached bitmaps of the image and its frames.
    void ResetPalette();
    // One global colour table for all frames, ordered by use.
    void OptimizeColorMap();

private:
    // Sets the logical screen's width or height: a value no frame reaches beyond (FrameEnd:
    // where a frame ends along it), else TooSmall is raised.
    void SetScreenExtent(int& Field, int Value, int (*FrameEnd)(const TGIFSubImage*), const char* TooSmall);
    TGIFHeader* FHeader;
    TGIFImageList* FImages;
    TGIFDrawOptions FDrawOptions;
    int FReductionBits;
    int FAnimationSpeed;
    std::int64_t FPixelsInUse = 0;

    friend class TGIFPainter;
    // Makes a painter for the target and adds it to the list; an asynchronous one is
    // answered not yet started, a synchronous one has played already (null answered).
    TGIFPainter* InternalPaint(TGIFPainter** Painter, TCanvas* ACanvas, const TRect& Rect, TGIFDrawOptions Options);
    void StopDraw();
    // Joins and frees the painters that have ended (under the lock).
    void ReapPainters();
    void DeletePainter(TGIFPainter* Painter);
    // Runs one step of every painter, under the lock.
    void ForEachPainter(void (TGIFPainter::*Step)());
    std::recursive_mutex FPainterLock;
    std::vector<TGIFPainter*> FPainters;
    TGIFPainter* FPainter = nullptr;
    std::unique_ptr<TBitmap> FBitmap;
    bool FDrawing = false;
};
