#include "platform/MetafileWriter.h"

#include <QTransform>
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "platform/MetafileRecords.h"
#include "platform/TextCodec.h"

namespace platform::meta {

// ---- bytes

void ByteWriter::F32(float v)
{
    U32(std::bit_cast<std::uint32_t>(v));
}

void ByteWriter::PatchU32(qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) FBytes[at + i] = char((v >> (8 * i)) & 0xFF);
}

void ByteWriter::PatchU16(qsizetype at, unsigned v)
{
    FBytes[at] = char(v & 0xFF);
    FBytes[at + 1] = char((v >> 8) & 0xFF);
}

namespace {

int RowBytes(int width)
{
    return (width * 3 + 3) & ~3;
}

}  // namespace

QByteArray DibHeader(const QImage& image)
{
    ByteWriter w;
    w.U32(40);
    w.I32(image.width());
    w.I32(image.height());  // positive: rows bottom-up
    w.U16(1);
    w.U16(24);
    w.U32(0);  // BI_RGB
    w.U32(std::uint32_t(RowBytes(image.width())) * std::uint32_t(image.height()));
    const int perMetre = 3780;  // 96 dpi
    w.I32(perMetre);
    w.I32(perMetre);
    w.U32(0);
    w.U32(0);
    return w.Data();
}

QByteArray DibBits(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int row = RowBytes(image.width());
    QByteArray bits(qsizetype(row) * image.height(), '\0');
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(image.height() - 1 - y));
        char* out = bits.data() + qsizetype(y) * row;
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = char(qBlue(line[x]));
            out[3 * x + 1] = char(qGreen(line[x]));
            out[3 * x + 2] = char(qRed(line[x]));
        }
    }
    return bits;
}

// ---- state and objects

RecordWriter::RecordWriter(int width, int height) : FWidth(std::max(1, width)), FHeight(std::max(1, height)) {}

RecordWriter::~RecordWriter() = default;

template <typename Matches, typename Fill>
void RecordWriter::Select(ObjectKind kind, int State::*slot, Matches&& matches, Fill&& fill)
{
    const int current = FState.*slot;
    if (current >= 0 && matches(FObjects[std::size_t(current)])) return;
    int index = -1;
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        if (FObjects[i].used && FObjects[i].kind == kind && matches(FObjects[i])) index = int(i);
    if (index < 0) {
        // The lowest free slot, as the players of the old-style format assign them.
        for (std::size_t i = 0; i < FObjects.size() && index < 0; ++i)
            if (!FObjects[i].used) index = int(i);
        if (index < 0) {
            index = int(FObjects.size());
            FObjects.emplace_back();
        }
        Object& o = FObjects[std::size_t(index)];
        o = Object{};
        o.used = true;
        o.kind = kind;
        fill(o);
        FMaxObjects = std::max(
            FMaxObjects, int(std::count_if(FObjects.begin(), FObjects.end(), [](const Object& x) { return x.used; })));
        EmitCreate(kind, index);
    }
    Object& o = FObjects[std::size_t(index)];
    ++o.refs;
    o.lastUse = ++FUse;
    EmitSelect(index);
    FState.*slot = index;
    if (current >= 0) Release(current);
    Trim();
}

void RecordWriter::Release(int index)
{
    --FObjects[std::size_t(index)].refs;
}

// Objects no state holds stay for reuse, a few of them: the least recently used go.
void RecordWriter::Trim()
{
    constexpr int kSpare = 12;
    for (;;) {
        int spare = 0, oldest = -1;
        for (std::size_t i = 0; i < FObjects.size(); ++i) {
            const Object& o = FObjects[i];
            if (!o.used || o.refs > 0) continue;
            ++spare;
            if (oldest < 0 || o.lastUse < FObjects[std::size_t(oldest)].lastUse) oldest = int(i);
        }
        if (spare <= kSpare) return;
        EmitDelete(oldest);
        FObjects[std::size_t(oldest)] = Object{};
    }
}

void RecordWriter::SelectPen(const PenSpec& pen)
{
    Select(
        ObjectKind::Pen, &State::pen, [&](const Object& o) { return o.pen == pen; }, [&](Object& o) { o.pen = pen; });
}

void RecordWriter::SelectBrush(const BrushSpec& brush)
{
    Select(
        ObjectKind::Brush, &State::brush, [&](const Object& o) { return o.brush == brush; },
        [&](Object& o) { o.brush = brush; });
}

void RecordWriter::SelectFont(const FontSpec& font)
{
    Select(
        ObjectKind::Font, &State::font, [&](const Object& o) { return o.font == font; },
        [&](Object& o) { o.font = font; });
}

void RecordWriter::SetBkMode(int mode)
{
    if (Changes(FState.bkMode, mode)) EmitBkMode(mode);
}

void RecordWriter::SetBkColor(TColor color)
{
    if (Changes(FState.bkColor, color)) EmitBkColor(color);
}

void RecordWriter::SetTextColor(TColor color)
{
    if (Changes(FState.textColor, color)) EmitTextColor(color);
}

void RecordWriter::SetTextAlign(unsigned align)
{
    if (Changes(FState.align, align)) EmitTextAlign(align);
}

void RecordWriter::SetROP2(int rop)
{
    if (Changes(FState.rop, rop)) EmitROP2(rop);
}

void RecordWriter::SetArcDirection(int direction)
{
    if (Changes(FState.arcDirection, direction)) EmitArcDirection(direction);
}

void RecordWriter::SetMapping(const Mapping& mapping)
{
    FWantedMapping = mapping;
    if (FState.mapping == mapping) return;
    FState.mapping = mapping;
    EmitMapping(mapping);
}

void RecordWriter::SetClip(const std::optional<QRegion>& region)
{
    if (FClip && *FClip == region) return;
    FClip = region;
    EmitClip(region);
}

void RecordWriter::PushState()
{
    FSaved.push_back(FState);
    for (int index : {FState.pen, FState.brush, FState.font})
        if (index >= 0) ++FObjects[std::size_t(index)].refs;
}

void RecordWriter::PopState()
{
    if (FSaved.empty()) return;
    for (int index : {FState.pen, FState.brush, FState.font})
        if (index >= 0) Release(index);
    FState = FSaved.back();
    FSaved.pop_back();
    Trim();
}

namespace {

QTransform MappingTransform(const Mapping& m)
{
    double sx = 1, sy = 1;
    if (m.mode == MM_ANISOTROPIC || m.mode == MM_ISOTROPIC) {
        sx = m.windowExt.cx ? double(m.viewportExt.cx) / m.windowExt.cx : 1.0;
        sy = m.windowExt.cy ? double(m.viewportExt.cy) / m.windowExt.cy : 1.0;
        if (m.mode == MM_ISOTROPIC) {
            const double s = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    return QTransform(sx, 0, 0, sy, m.viewportOrg.X - m.windowOrg.X * sx, m.viewportOrg.Y - m.windowOrg.Y * sy);
}

TRect Bounds(std::span<const TPoint> points)
{
    if (points.empty()) return TRect(0, 0, -1, -1);
    TRect b(points[0].X, points[0].Y, points[0].X, points[0].Y);
    for (const TPoint& p : points) {
        b.Left = std::min(b.Left, p.X);
        b.Top = std::min(b.Top, p.Y);
        b.Right = std::max(b.Right, p.X);
        b.Bottom = std::max(b.Bottom, p.Y);
    }
    return b;
}

unsigned ColorRef(TColor color)
{
    return unsigned(ColorToRGB(color)) & 0x00FFFFFF;
}

// ---- enhanced metafile

class EmfWriter final : public RecordWriter {
public:
    EmfWriter(int width, int height) : RecordWriter(width, height)
    {
        // The header is written last, when the counts are known; its place is kept.
        FOut.Data().fill('\0', kHeaderSize);
        Simple(EMR_SETPOLYFILLMODE, ALTERNATE);
        Simple(EMR_SETSTRETCHBLTMODE, COLORONCOLOR);
    }

    void MoveTo(TPoint p) override { PointRecord(EMR_MOVETOEX, p); }
    void LineTo(TPoint p) override { PointRecord(EMR_LINETO, p); }
    void PolylineTo(TPoint, std::span<const TPoint> points) override { Poly(EMR_POLYLINETO, points); }
    void Polyline(std::span<const TPoint> points) override { Poly(EMR_POLYLINE, points); }
    void Polygon(std::span<const TPoint> points) override { Poly(EMR_POLYGON, points); }
    void PolyPolygon(const std::vector<std::vector<TPoint>>& polygons) override
    {
        std::vector<TPoint> all;
        for (const auto& p : polygons) all.insert(all.end(), p.begin(), p.end());
        Begin(EMR_POLYPOLYGON);
        Rect(Bounds(all));
        FOut.U32(std::uint32_t(polygons.size()));
        FOut.U32(std::uint32_t(all.size()));
        for (const auto& p : polygons) FOut.U32(std::uint32_t(p.size()));
        for (const TPoint& p : all) Point(p);
        End();
    }
    void Rectangle(const TRect& r) override { RectRecord(EMR_RECTANGLE, r); }
    void RoundRect(const TRect& r, TSize corner) override
    {
        Begin(EMR_ROUNDRECT);
        Rect(r);
        FOut.I32(corner.cx);
        FOut.I32(corner.cy);
        End();
    }
    void Ellipse(const TRect& r) override { RectRecord(EMR_ELLIPSE, r); }
    void ArcShape(ArcKind kind, const TRect& box, TPoint start, TPoint end) override
    {
        Begin(kind == ArcKind::Arc ? EMR_ARC : kind == ArcKind::Pie ? EMR_PIE : EMR_CHORD);
        Rect(box);
        Point(start);
        Point(end);
        End();
    }
    void SetPixel(TPoint p, TColor color) override
    {
        Begin(EMR_SETPIXELV);
        Point(p);
        FOut.U32(ColorRef(color));
        End();
    }
    void TextOut(TPoint p, const QString& text, const std::vector<int>& dx, unsigned options,
                 const TRect& rect) override
    {
        const qsizetype n = text.size();
        Begin(EMR_EXTTEXTOUTW);
        const qsizetype start = FRecordStart;
        int width = 0;
        for (int d : dx) width += d;
        Rect(TRect(p.X, p.Y, p.X + width, p.Y));  // an estimate; players do not rely on it
        FOut.U32(1);                              // GM_COMPATIBLE
        FOut.F32(float(2540.0 / kDpi));           // page units to 0.01 mm
        FOut.F32(float(2540.0 / kDpi));
        Point(p);
        FOut.U32(std::uint32_t(n));
        const qsizetype offString = 76;
        const qsizetype offDx = offString + ((n * 2 + 3) & ~qsizetype(3));
        FOut.U32(std::uint32_t(offString));
        FOut.U32(options);
        Rect(options ? rect : TRect(0, 0, -1, -1));
        FOut.U32(std::uint32_t(offDx));
        for (QChar c : text) FOut.U16(c.unicode());
        FOut.Pad(4);
        for (qsizetype i = 0; i < n; ++i) FOut.I32(i < qsizetype(dx.size()) ? dx[std::size_t(i)] : 0);
        Q_ASSERT(FOut.Size() - start == offDx + 4 * n);
        End();
    }
    void StretchImage(const TRect& dest, const QImage& image) override
    {
        const QByteArray header = DibHeader(image), bits = DibBits(image);
        Begin(EMR_STRETCHDIBITS);
        Rect(TRect(dest.Left, dest.Top, dest.Right - 1, dest.Bottom - 1));
        FOut.I32(dest.Left);
        FOut.I32(dest.Top);
        FOut.I32(0);
        FOut.I32(0);
        FOut.I32(image.width());
        FOut.I32(image.height());
        FOut.U32(80);
        FOut.U32(std::uint32_t(header.size()));
        FOut.U32(std::uint32_t(80 + header.size()));
        FOut.U32(std::uint32_t(bits.size()));
        FOut.U32(0);  // DIB_RGB_COLORS
        FOut.U32(SRCCOPY);
        FOut.I32(dest.Width());
        FOut.I32(dest.Height());
        FOut.Bytes(header);
        FOut.Bytes(bits);
        End();
    }

    QByteArray Finish() override
    {
        Begin(EMR_EOF);
        FOut.U32(0);
        FOut.U32(16);
        FOut.U32(20);
        End();
        WriteHeader();
        return FOut.Data();
    }

protected:
    void EmitCreate(ObjectKind kind, int index) override
    {
        const std::uint32_t handle = std::uint32_t(index) + 1;
        switch (kind) {
            case ObjectKind::Pen: {
                const PenSpec& pen = PenOf(index);
                if (pen.extended) {
                    Begin(EMR_EXTCREATEPEN);
                    FOut.U32(handle);
                    for (int i = 0; i < 4; ++i) FOut.U32(0);  // no brush bitmap
                    FOut.U32(pen.style);
                    FOut.U32(std::uint32_t(std::max(0, pen.width)));
                    FOut.U32(BS_SOLID);
                    FOut.U32(ColorRef(pen.color));
                    FOut.U32(0);
                    FOut.U32(0);
                } else {
                    Begin(EMR_CREATEPEN);
                    FOut.U32(handle);
                    FOut.U32(pen.style);
                    FOut.I32(std::max(0, pen.width));
                    FOut.I32(0);
                    FOut.U32(ColorRef(pen.color));
                }
                End();
                break;
            }
            case ObjectKind::Brush: {
                const BrushSpec& brush = BrushOf(index);
                if (brush.style == BS_DIBPATTERNPT) {
                    const QByteArray header = DibHeader(brush.pattern), bits = DibBits(brush.pattern);
                    Begin(EMR_CREATEDIBPATTERNBRUSHPT);
                    FOut.U32(handle);
                    FOut.U32(0);
                    FOut.U32(32);
                    FOut.U32(std::uint32_t(header.size()));
                    FOut.U32(std::uint32_t(32 + header.size()));
                    FOut.U32(std::uint32_t(bits.size()));
                    FOut.Bytes(header);
                    FOut.Bytes(bits);
                } else {
                    Begin(EMR_CREATEBRUSHINDIRECT);
                    FOut.U32(handle);
                    FOut.U32(brush.style);
                    FOut.U32(ColorRef(brush.color));
                    FOut.U32(brush.hatch);
                }
                End();
                break;
            }
            case ObjectKind::Font: {
                const FontSpec& f = FontOf(index);
                Begin(EMR_EXTCREATEFONTINDIRECTW);
                FOut.U32(handle);
                FOut.I32(f.height);
                FOut.I32(0);
                FOut.I32(f.escapement);
                FOut.I32(f.escapement);
                FOut.I32(f.weight);
                FOut.U8(f.italic);
                FOut.U8(f.underline);
                FOut.U8(f.strikeOut);
                FOut.U8(unsigned(f.charset));
                FOut.U8(0);  // OUT_DEFAULT_PRECIS
                FOut.U8(0);  // CLIP_DEFAULT_PRECIS
                FOut.U8(unsigned(f.quality));
                FOut.U8(unsigned(f.pitch));
                for (int i = 0; i < 32; ++i)
                    FOut.U16(i < std::min<qsizetype>(31, f.face.size()) ? f.face[i].unicode() : 0);
                End();
                break;
            }
        }
    }
    // A hollow brush is selected as the stock one, which every reader knows: some take the
    // style of a brush made hollow for solid and fill with the colour of the brush before.
    void EmitSelect(int index) override
    {
        constexpr std::uint32_t kNullBrush = 5;
        const bool hollow = KindOf(index) == ObjectKind::Brush && BrushOf(index).style == BS_NULL;
        Simple(EMR_SELECTOBJECT, hollow ? kStockObject | kNullBrush : std::uint32_t(index) + 1);
    }
    void EmitDelete(int index) override { Simple(EMR_DELETEOBJECT, std::uint32_t(index) + 1); }
    void EmitBkMode(int mode) override { Simple(EMR_SETBKMODE, std::uint32_t(mode)); }
    void EmitBkColor(TColor color) override { Simple(EMR_SETBKCOLOR, ColorRef(color)); }
    void EmitTextColor(TColor color) override { Simple(EMR_SETTEXTCOLOR, ColorRef(color)); }
    void EmitTextAlign(unsigned align) override { Simple(EMR_SETTEXTALIGN, align); }
    void EmitROP2(int rop) override { Simple(EMR_SETROP2, std::uint32_t(rop)); }
    void EmitArcDirection(int direction) override { Simple(EMR_SETARCDIRECTION, std::uint32_t(direction)); }
    void EmitMapping(const Mapping& m) override
    {
        Simple(EMR_SETMAPMODE, std::uint32_t(m.mode));
        PointRecord(EMR_SETWINDOWORGEX, m.windowOrg);
        PointRecord(EMR_SETWINDOWEXTEX, TPoint(m.windowExt.cx, m.windowExt.cy));
        PointRecord(EMR_SETVIEWPORTORGEX, m.viewportOrg);
        PointRecord(EMR_SETVIEWPORTEXTEX, TPoint(m.viewportExt.cx, m.viewportExt.cy));
    }
    void EmitClip(const std::optional<QRegion>& region) override
    {
        Begin(EMR_EXTSELECTCLIPRGN);
        if (!region) {
            FOut.U32(0);
            FOut.U32(5);  // RGN_COPY without a region: no clipping
            End();
            return;
        }
        const int n = region->rectCount();
        FOut.U32(std::uint32_t(32 + 16 * n));
        FOut.U32(5);
        FOut.U32(32);
        FOut.U32(1);  // RDH_RECTANGLES
        FOut.U32(std::uint32_t(n));
        FOut.U32(std::uint32_t(16 * n));
        // The format's rectangles end past their last pixel; one reaching the int range's end
        // stops there.
        const auto outer = [](const QRect& r) {
            const auto past = [](int last) { return last == INT_MAX ? last : last + 1; };
            return TRect(r.left(), r.top(), past(r.right()), past(r.bottom()));
        };
        Rect(n == 0 ? TRect(0, 0, 0, 0) : outer(region->boundingRect()));
        for (const QRect& r : *region) Rect(outer(r));
        End();
    }

private:
    static constexpr qsizetype kHeaderSize = 108;

    void Begin(std::uint32_t type)
    {
        FRecordStart = FOut.Size();
        FOut.U32(type);
        FOut.U32(0);
    }
    void End()
    {
        FOut.Pad(4);
        FOut.PatchU32(FRecordStart + 4, std::uint32_t(FOut.Size() - FRecordStart));
        ++FRecords;
    }
    void Simple(std::uint32_t type, std::uint32_t value)
    {
        Begin(type);
        FOut.U32(value);
        End();
    }
    void Point(TPoint p)
    {
        FOut.I32(p.X);
        FOut.I32(p.Y);
    }
    void Rect(const TRect& r)
    {
        FOut.I32(r.Left);
        FOut.I32(r.Top);
        FOut.I32(r.Right);
        FOut.I32(r.Bottom);
    }
    void PointRecord(std::uint32_t type, TPoint p)
    {
        Begin(type);
        Point(p);
        End();
    }
    void RectRecord(std::uint32_t type, const TRect& r)
    {
        Begin(type);
        Rect(r);
        End();
    }
    void Poly(std::uint32_t type, std::span<const TPoint> points)
    {
        Begin(type);
        Rect(Bounds(points));
        FOut.U32(std::uint32_t(points.size()));
        for (const TPoint& p : points) Point(p);
        End();
    }
    void WriteHeader()
    {
        ByteWriter h;
        h.U32(EMR_HEADER);
        h.U32(std::uint32_t(kHeaderSize));
        h.I32(0);
        h.I32(0);
        h.I32(Width() - 1);
        h.I32(Height() - 1);
        // The frame in 0.01 mm, inclusive, of W x H pixels at 96 dpi.
        const auto hundredths = [](int px) { return int((std::int64_t(px) * 2540 + kDpi / 2) / kDpi); };
        h.I32(0);
        h.I32(0);
        h.I32(hundredths(Width()) - 1);
        h.I32(hundredths(Height()) - 1);
        h.U32(kEmfSignature);
        h.U32(kEmfVersion);
        h.U32(std::uint32_t(FOut.Size()));
        h.U32(std::uint32_t(FRecords + 1));
        h.U16(unsigned(ObjectCount() + 1));
        h.U16(0);
        h.U32(0);  // no description
        h.U32(0);
        h.U32(0);  // no palette
        // A reference device of exactly 96 dpi: 1920 x 960 pixels on 508 x 254 mm.
        h.I32(1920);
        h.I32(960);
        h.I32(508);
        h.I32(254);
        h.U32(0);  // no pixel format
        h.U32(0);
        h.U32(0);  // no OpenGL
        h.I32(508000);
        h.I32(254000);
        FOut.Data().replace(0, kHeaderSize, h.Data());
    }

    ByteWriter FOut;
    qsizetype FRecordStart = 0;
    std::uint32_t FRecords = 0;
};

// ---- old-style metafile

class WmfWriter final : public RecordWriter {
public:
    WmfWriter(int width, int height) : RecordWriter(width, height)
    {
        FOut.Data().fill('\0', kHeadersSize);
        Record(META_SETMAPMODE, {MM_ANISOTROPIC});
        Record(META_SETPOLYFILLMODE, {ALTERNATE});
        Record(META_SETSTRETCHBLTMODE, {COLORONCOLOR});
        SetMapping(Mapping{});
    }

    void MoveTo(TPoint p) override { Record(META_MOVETO, {p.Y, p.X}); }
    void LineTo(TPoint p) override { Record(META_LINETO, {p.Y, p.X}); }
    void PolylineTo(TPoint from, std::span<const TPoint> points) override
    {
        // The format has no polyline from the pen position: a polyline, then the pen moves.
        if (points.empty()) return;
        std::vector<TPoint> all{from};
        all.insert(all.end(), points.begin(), points.end());
        Polyline(all);
        MoveTo(points.back());
    }
    void Polyline(std::span<const TPoint> points) override
    {
        // A record holds at most 65535 points; longer lines go on in the next.
        constexpr std::size_t kMax = 0x7FF0;
        for (std::size_t at = 0; at + 1 < points.size(); at += kMax - 1) {
            const std::size_t n = std::min(kMax, points.size() - at);
            Points(META_POLYLINE, points.subspan(at, n));
        }
    }
    void Polygon(std::span<const TPoint> points) override
    {
        if (points.size() > 0x7FF0) {
            PolyPolygon({std::vector<TPoint>(points.begin(), points.end())});
            return;
        }
        Points(META_POLYGON, points);
    }
    void PolyPolygon(const std::vector<std::vector<TPoint>>& polygons) override
    {
        std::vector<const std::vector<TPoint>*> kept;
        std::size_t total = 0;
        for (const auto& p : polygons) {
            if (p.size() > 0x7FF0 || total + p.size() > 0x7FF0) continue;  // too large for one record
            kept.push_back(&p);
            total += p.size();
        }
        if (kept.empty()) return;
        Begin(META_POLYPOLYGON);
        FOut.U16(unsigned(kept.size()));
        for (const auto* p : kept) FOut.U16(unsigned(p->size()));
        for (const auto* p : kept)
            for (const TPoint& q : *p) {
                FOut.I16(Clamp16(q.X));
                FOut.I16(Clamp16(q.Y));
            }
        End();
    }
    void Rectangle(const TRect& r) override { Record(META_RECTANGLE, {r.Bottom, r.Right, r.Top, r.Left}); }
    void RoundRect(const TRect& r, TSize corner) override
    {
        Record(META_ROUNDRECT, {corner.cy, corner.cx, r.Bottom, r.Right, r.Top, r.Left});
    }
    void Ellipse(const TRect& r) override { Record(META_ELLIPSE, {r.Bottom, r.Right, r.Top, r.Left}); }
    void ArcShape(ArcKind kind, const TRect& box, TPoint start, TPoint end) override
    {
        Record(kind == ArcKind::Arc   ? META_ARC
               : kind == ArcKind::Pie ? META_PIE
                                      : META_CHORD,
               {end.Y, end.X, start.Y, start.X, box.Bottom, box.Right, box.Top, box.Left});
    }
    void SetPixel(TPoint p, TColor color) override
    {
        Begin(META_SETPIXEL);
        FOut.U32(ColorRef(color));
        FOut.I16(Clamp16(p.Y));
        FOut.I16(Clamp16(p.X));
        End();
    }
    void TextOut(TPoint p, const QString& text, const std::vector<int>& dx, unsigned options,
                 const TRect& rect) override
    {
        // One byte per character in Windows-1252; a surrogate pair is one '?' with the
        // advance of both halves.
        QByteArray bytes;
        std::vector<int> advances;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int d = i < qsizetype(dx.size()) ? dx[std::size_t(i)] : 0;
            if (text[i].isLowSurrogate() && !advances.empty()) {
                advances.back() += d;
                continue;
            }
            const std::string one = Utf8ToCp1252(QString(text[i]).toStdString());
            bytes.append(one.empty() ? '?' : one[0]);
            advances.push_back(d);
        }
        if (bytes.size() > 0x7FF0) return;
        Begin(META_EXTTEXTOUT);
        FOut.I16(Clamp16(p.Y));
        FOut.I16(Clamp16(p.X));
        FOut.I16(int(bytes.size()));
        FOut.U16(options);
        if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
            FOut.I16(Clamp16(rect.Left));
            FOut.I16(Clamp16(rect.Top));
            FOut.I16(Clamp16(rect.Right));
            FOut.I16(Clamp16(rect.Bottom));
        }
        FOut.Bytes(bytes);
        FOut.Pad(2);
        for (int d : advances) FOut.I16(Clamp16(d));
        End();
    }
    void StretchImage(const TRect& dest, const QImage& image) override
    {
        if (image.width() > 0x7FFF || image.height() > 0x7FFF) return;
        Begin(META_STRETCHDIB);
        FOut.U32(SRCCOPY);
        FOut.U16(0);  // DIB_RGB_COLORS
        for (int v : {image.height(), image.width(), 0, 0, dest.Height(), dest.Width(), dest.Top, dest.Left})
            FOut.I16(Clamp16(v));
        FOut.Bytes(DibHeader(image));
        FOut.Bytes(DibBits(image));
        End();
    }

    QByteArray Finish() override
    {
        SetClip(std::nullopt);
        Begin(META_EOF);
        End();
        WriteHeaders();
        return FOut.Data();
    }

protected:
    void EmitCreate(ObjectKind kind, int index) override
    {
        switch (kind) {
            case ObjectKind::Pen: {
                const PenSpec& pen = PenOf(index);
                unsigned style = pen.style & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK);
                // The alternate-pixel style is the extended pens' own: the nearest is dots.
                if ((style & PS_STYLE_MASK) == PS_ALTERNATE) style = (style & ~PS_STYLE_MASK) | PS_DOT;
                Begin(META_CREATEPENINDIRECT);
                FOut.U16(style);
                FOut.I16(Clamp16(std::max(0, pen.width)));
                FOut.I16(0);
                FOut.U32(ColorRef(pen.color));
                End();
                break;
            }
            case ObjectKind::Brush: {
                const BrushSpec& brush = BrushOf(index);
                if (brush.style == BS_DIBPATTERNPT) {
                    Begin(META_DIBCREATEPATTERNBRUSH);
                    FOut.U16(BS_DIBPATTERNPT);
                    FOut.U16(0);
                    FOut.Bytes(DibHeader(brush.pattern));
                    FOut.Bytes(DibBits(brush.pattern));
                } else {
                    Begin(META_CREATEBRUSHINDIRECT);
                    FOut.U16(brush.style);
                    FOut.U32(ColorRef(brush.color));
                    FOut.U16(brush.hatch);
                }
                End();
                break;
            }
            case ObjectKind::Font: {
                const FontSpec& f = FontOf(index);
                Begin(META_CREATEFONTINDIRECT);
                FOut.I16(Clamp16(f.height));
                FOut.I16(0);
                FOut.I16(Clamp16(f.escapement));
                FOut.I16(Clamp16(f.escapement));
                FOut.I16(f.weight);
                FOut.U8(f.italic);
                FOut.U8(f.underline);
                FOut.U8(f.strikeOut);
                // The text is written in Windows-1252, which the default character set
                // leaves to the player's system.
                FOut.U8(f.charset == 1 ? 0u : unsigned(f.charset));
                FOut.U8(0);
                FOut.U8(0);
                FOut.U8(unsigned(f.quality));
                FOut.U8(unsigned(f.pitch));
                std::string face = Utf8ToCp1252(f.face.toStdString());
                face.resize(32, '\0');
                face[31] = '\0';
                FOut.Bytes(QByteArray(face.data(), 32));
                End();
                break;
            }
        }
    }
    void EmitSelect(int index) override { Record(META_SELECTOBJECT, {index}); }
    void EmitDelete(int index) override { Record(META_DELETEOBJECT, {index}); }
    void EmitBkMode(int mode) override { Record(META_SETBKMODE, {mode, 0}); }
    void EmitBkColor(TColor color) override { ColorRecord(META_SETBKCOLOR, color); }
    void EmitTextColor(TColor color) override { ColorRecord(META_SETTEXTCOLOR, color); }
    void EmitTextAlign(unsigned align) override { Record(META_SETTEXTALIGN, {int(align), 0}); }
    void EmitROP2(int rop) override { Record(META_SETROP2, {rop, 0}); }
    // Arcs are always counter-clockwise in this format.
    void EmitArcDirection(int) override {}
    void EmitMapping(const Mapping& m) override
    {
        // The window that shows the picture's frame: the logical coordinates of the
        // frame's corners under the canvas's mapping.
        const QTransform inverse = MappingTransform(m).inverted();
        const QPointF a = inverse.map(QPointF(0, 0)), b = inverse.map(QPointF(Width(), Height()));
        Record(META_SETWINDOWORG, {int(std::lround(a.y())), int(std::lround(a.x()))});
        Record(META_SETWINDOWEXT, {int(std::lround(b.y() - a.y())), int(std::lround(b.x() - a.x()))});
    }
    // Clipping is set inside a saved state, so that the next change can drop it again; a
    // region is its bounding rectangle less the parts outside it.
    void EmitClip(const std::optional<QRegion>& region) override
    {
        if (StateSaved()) {
            Record(META_RESTOREDC, {-1});
            PopState();
        }
        if (!region) return;
        Record(META_SAVEDC, {});
        PushState();
        SetMapping(WantedMapping());
        const QTransform inverse = MappingTransform(WantedMapping()).inverted();
        const auto logical = [&](const QRect& r) {
            // Width and height taken wide: a region may reach from one end of the int range to the other.
            const QRectF l = inverse.mapRect(
                QRectF(r.left(), r.top(), double(r.right()) - r.left() + 1.0, double(r.bottom()) - r.top() + 1.0));
            return TRect(int(std::lround(l.left())), int(std::lround(l.top())), int(std::lround(l.right())),
                         int(std::lround(l.bottom())));
        };
        const QRect bounds = region->boundingRect();
        const TRect b = logical(bounds);
        Record(META_INTERSECTCLIPRECT, {b.Bottom, b.Right, b.Top, b.Left});
        for (const QRect& r : QRegion(bounds).subtracted(*region)) {
            const TRect e = logical(r);
            Record(META_EXCLUDECLIPRECT, {e.Bottom, e.Right, e.Top, e.Left});
        }
    }

private:
    static constexpr qsizetype kHeadersSize = 22 + 18;

    static int Clamp16(int v) { return std::clamp(v, -32768, 32767); }
    void Begin(unsigned function)
    {
        FRecordStart = FOut.Size();
        FOut.U32(0);
        FOut.U16(function);
    }
    void End()
    {
        FOut.Pad(2);
        const std::uint32_t words = std::uint32_t((FOut.Size() - FRecordStart) / 2);
        FOut.PatchU32(FRecordStart, words);
        FMaxRecord = std::max(FMaxRecord, words);
    }
    void Record(unsigned function, std::initializer_list<int> params)
    {
        Begin(function);
        for (int v : params) FOut.I16(Clamp16(v));
        End();
    }
    void ColorRecord(unsigned function, TColor color)
    {
        Begin(function);
        FOut.U32(ColorRef(color));
        End();
    }
    void Points(unsigned function, std::span<const TPoint> points)
    {
        Begin(function);
        FOut.U16(unsigned(points.size()));
        for (const TPoint& p : points) {
            FOut.I16(Clamp16(p.X));
            FOut.I16(Clamp16(p.Y));
        }
        End();
    }
    void WriteHeaders()
    {
        ByteWriter h;
        h.U32(kPlaceableKey);
        h.U16(0);
        h.I16(0);
        h.I16(0);
        h.I16(Clamp16(Width()));
        h.I16(Clamp16(Height()));
        h.U16(kDpi);  // units per inch: one unit is one pixel at 96 dpi
        h.U32(0);
        unsigned sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= unsigned(std::uint8_t(h.Data()[2 * i])) | (unsigned(std::uint8_t(h.Data()[2 * i + 1])) << 8);
        h.U16(sum);
        h.U16(1);  // memory metafile
        h.U16(9);
        h.U16(0x0300);
        h.U32(std::uint32_t((FOut.Size() - 22) / 2));
        h.U16(unsigned(ObjectCount()));
        h.U32(FMaxRecord);
        h.U16(0);
        FOut.Data().replace(0, kHeadersSize, h.Data());
    }

    ByteWriter FOut;
    qsizetype FRecordStart = 0;
    std::uint32_t FMaxRecord = 0;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeEmfWriter(int width, int height)
{
    return std::make_unique<EmfWriter>(width, height);
}

std::unique_ptr<RecordWriter> MakeWmfWriter(int width, int height)
{
    return std::make_unique<WmfWriter>(width, height);
}

}  // namespace platform::meta
