#pragma once
// Writers of the two metafile formats: the enhanced metafile (EMF, 32-bit records) and the
// old-style placeable metafile (WMF, 16-bit records behind the placeable header). Both take
// the same drawing calls in logical coordinates with the device state each call needs; the
// state is written only where it changed, and drawing objects (pens, brushes, fonts) are
// created once and selected again while they stay in a small table.
#include <QByteArray>
#include <QImage>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/GraphicsTypes.h"

namespace platform::meta {

// Resolution the pictures are laid out in: a chart of W x H pixels is a picture of W x H
// pixels at this resolution.
constexpr int kDpi = 96;

// Brush styles and text options as the formats store them.
enum : unsigned { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_DIBPATTERNPT = 6 };
enum : unsigned { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
// The extended pen records a pen with end and join styles or the alternate-pixel style.
struct PenSpec {
    unsigned style = PS_SOLID;
    int width = 0;
    TColor color = 0;
    bool extended = false;
    friend bool operator==(const PenSpec&, const PenSpec&) = default;
};

struct BrushSpec {
    unsigned style = BS_SOLID;
    TColor color = 0;
    unsigned hatch = 0;
    // The pattern of a BS_DIBPATTERNPT brush, its colours resolved.
    QImage pattern;
    friend bool operator==(const BrushSpec& a, const BrushSpec& b)
    {
        return a.style == b.style && a.color == b.color && a.hatch == b.hatch && a.pattern == b.pattern;
    }
};

struct FontSpec {
    int height = -11;
    int escapement = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 1;
    int quality = 0;
    int pitch = 0;
    QString face;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct Mapping {
    int mode = MM_TEXT;
    TPoint windowOrg, viewportOrg;
    TSize windowExt{1, 1}, viewportExt{1, 1};
    friend bool operator==(const Mapping&, const Mapping&) = default;
};

// The shapes given by a bounding box and two radial points.
enum class ArcKind { Arc, Pie, Chord };

class RecordWriter {
public:
    // The picture's frame is width x height pixels at kDpi.
    RecordWriter(int width, int height);
    virtual ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Device state for the next drawing call.
    void SelectPen(const PenSpec& pen);
    void SelectBrush(const BrushSpec& brush);
    void SelectFont(const FontSpec& font);
    void SetBkMode(int mode);
    void SetBkColor(TColor color);
    void SetTextColor(TColor color);
    void SetTextAlign(unsigned align);
    void SetROP2(int rop);
    void SetArcDirection(int direction);
    void SetMapping(const Mapping& mapping);
    // The clipping in device pixels; nullopt for none.
    void SetClip(const std::optional<QRegion>& region);

    // Drawing in logical coordinates.
    virtual void MoveTo(TPoint p) = 0;
    virtual void LineTo(TPoint p) = 0;
    // Lines from `from` (the pen position) through the points; the pen ends at the last.
    virtual void PolylineTo(TPoint from, std::span<const TPoint> points) = 0;
    virtual void Polyline(std::span<const TPoint> points) = 0;
    virtual void Polygon(std::span<const TPoint> points) = 0;
    virtual void PolyPolygon(const std::vector<std::vector<TPoint>>& polygons) = 0;
    virtual void Rectangle(const TRect& r) = 0;
    virtual void RoundRect(const TRect& r, TSize corner) = 0;
    virtual void Ellipse(const TRect& r) = 0;
    virtual void ArcShape(ArcKind kind, const TRect& box, TPoint start, TPoint end) = 0;
    virtual void SetPixel(TPoint p, TColor color) = 0;
    // Text at p by the text alignment; dx holds the advance of each UTF-16 unit. With
    // ETO_CLIPPED the text is clipped to rect, with ETO_OPAQUE rect is filled first.
    virtual void TextOut(TPoint p, const QString& text, const std::vector<int>& dx, unsigned options,
                         const TRect& rect) = 0;
    // The image stretched into dest.
    virtual void StretchImage(const TRect& dest, const QImage& image) = 0;

    // The whole file; the writer takes no more calls after it.
    virtual QByteArray Finish() = 0;

protected:
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // The index of the object in the table (0-based), created when it is not there.
    enum class ObjectKind { Pen, Brush, Font };
    virtual void EmitCreate(ObjectKind kind, int index) = 0;
    virtual void EmitSelect(int index) = 0;
    virtual void EmitDelete(int index) = 0;
    virtual void EmitBkMode(int mode) = 0;
    virtual void EmitBkColor(TColor color) = 0;
    virtual void EmitTextColor(TColor color) = 0;
    virtual void EmitTextAlign(unsigned align) = 0;
    virtual void EmitROP2(int rop) = 0;
    virtual void EmitArcDirection(int direction) = 0;
    virtual void EmitMapping(const Mapping& mapping) = 0;
    virtual void EmitClip(const std::optional<QRegion>& region) = 0;
    // The most objects the table held at once.
    int ObjectCount() const { return FMaxObjects; }
    ObjectKind KindOf(int index) const { return FObjects[std::size_t(index)].kind; }
    const PenSpec& PenOf(int index) const { return FObjects[std::size_t(index)].pen; }
    const BrushSpec& BrushOf(int index) const { return FObjects[std::size_t(index)].brush; }
    const FontSpec& FontOf(int index) const { return FObjects[std::size_t(index)].font; }
    // A saved device state (the old-style format clips inside one): the objects it holds
    // stay in the table until it is restored.
    void PushState();
    void PopState();
    bool StateSaved() const { return !FSaved.empty(); }

private:
    struct Object {
        bool used = false;
        ObjectKind kind = ObjectKind::Pen;
        PenSpec pen;
        BrushSpec brush;
        FontSpec font;
        int refs = 0;
        std::uint64_t lastUse = 0;
    };
    struct State {
        int pen = -1, brush = -1, font = -1;
        std::optional<int> bkMode, rop, arcDirection;
        std::optional<TColor> bkColor, textColor;
        std::optional<unsigned> align;
        std::optional<Mapping> mapping;
    };
    // Takes a new value of a state setting; true when it differs, so its record is due.
    template <typename T>
    static bool Changes(std::optional<T>& setting, const T& value)
    {
        if (setting == value) return false;
        setting = value;
        return true;
    }
    // Selects the object that `matches`, creating it with `fill` when the table has none.
    template <typename Matches, typename Fill>
    void Select(ObjectKind kind, int State::*slot, Matches&& matches, Fill&& fill);
    void Release(int index);
    void Trim();

    int FWidth, FHeight;
    std::vector<Object> FObjects;
    int FMaxObjects = 0;
    std::uint64_t FUse = 0;
    State FState;
    std::vector<State> FSaved;
    std::optional<std::optional<QRegion>> FClip;
    Mapping FWantedMapping;

protected:
    // The mapping last asked for (a restored state may have dropped it).
    const Mapping& WantedMapping() const { return FWantedMapping; }
};

std::unique_ptr<RecordWriter> MakeEmfWriter(int width, int height);
std::unique_ptr<RecordWriter> MakeWmfWriter(int width, int height);

// Little-endian output.
class ByteWriter {
public:
    void U8(unsigned v) { FBytes.append(char(v & 0xFF)); }
    void U16(unsigned v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I16(int v) { U16(unsigned(std::int16_t(v)) & 0xFFFF); }
    void I32(std::int32_t v) { U32(std::uint32_t(v)); }
    void F32(float v);
    void Bytes(const QByteArray& b) { FBytes.append(b); }
    void Pad(int align)
    {
        while (FBytes.size() % align) U8(0);
    }
    void PatchU32(qsizetype at, std::uint32_t v);
    void PatchU16(qsizetype at, unsigned v);
    qsizetype Size() const { return FBytes.size(); }
    QByteArray& Data() { return FBytes; }

private:
    QByteArray FBytes;
};

// A device-independent bitmap of the image: the 40-byte info header and 24-bit rows
// bottom-up, each padded to four bytes.
QByteArray DibHeader(const QImage& image);
QByteArray DibBits(const QImage& image);

}  // namespace platform::meta
