#include "platform/MetafileReader.h"

#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EInvalidGraphic.h"
#include "platform/MetafileRecords.h"
#include "platform/MetafileWriter.h"
#include "platform/Round.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"
#include "platform/TextCodec.h"

namespace platform::meta {

std::int64_t MaximumPicturePixels = std::int64_t(1) << 26;

namespace {

constexpr int kMaxSide = 16384;
constexpr int kMaxCoordinate = 1000000000;

[[noreturn]] void Damaged(const char* what)
{
    throw EInvalidGraphic(std::string("The metafile is damaged: ") + what);
}

// Origin plus extent of two 32-bit fields: a damaged file may hold any values, so the sum is
// taken wide and kept in the int range instead of overflowing.
int SaturatedSum(int a, int b)
{
    constexpr std::int64_t lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return int(std::clamp(std::int64_t(a) + b, lo, hi));
}

// A rectangle of origin and size whose far edge lies outside the int range is no rectangle
// (QRect would overflow computing it); the caller then takes the whole bitmap or nothing.
QRect RectOfExtent(int x, int y, int w, int h)
{
    constexpr std::int64_t lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const std::int64_t right = std::int64_t(x) + w - 1, bottom = std::int64_t(y) + h - 1;
    if (right < lo || right > hi || bottom < lo || bottom > hi) return QRect();
    return QRect(x, y, w, h);
}

// Little-endian reads that refuse to go past the end.
class Bytes {
public:
    explicit Bytes(std::string_view b) : FBytes(b) {}
    std::size_t Size() const { return FBytes.size(); }
    bool Has(std::size_t at, std::size_t n) const { return at <= FBytes.size() && n <= FBytes.size() - at; }
    unsigned U8(std::size_t at) const
    {
        Need(at, 1);
        return std::uint8_t(FBytes[at]);
    }
    unsigned U16(std::size_t at) const
    {
        Need(at, 2);
        return std::uint8_t(FBytes[at]) | (unsigned(std::uint8_t(FBytes[at + 1])) << 8);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) | (std::uint32_t(U16(at + 2)) << 16); }
    int I16(std::size_t at) const { return std::int16_t(U16(at)); }
    int I32(std::size_t at) const { return std::int32_t(U32(at)); }
    float F32(std::size_t at) const { return std::bit_cast<float>(U32(at)); }
    std::string_view View(std::size_t at, std::size_t n) const
    {
        Need(at, n);
        return FBytes.substr(at, n);
    }
    Bytes Sub(std::size_t at, std::size_t n) const { return Bytes(View(at, n)); }

private:
    void Need(std::size_t at, std::size_t n) const
    {
        if (!Has(at, n)) Damaged("a record reaches beyond its end");
    }
    std::string_view FBytes;
};

// A device-independent bitmap: header (with its colour table) and pixel rows.
QImage DecodeDib(const Bytes& info, const Bytes& bits)
{
    const std::uint32_t headerSize = info.U32(0);
    if (headerSize < 40 || headerSize > info.Size()) Damaged("a bitmap header is not understood");
    const int width = info.I32(4), height = info.I32(8);
    const unsigned bitCount = info.U16(14);
    const std::uint32_t compression = info.U32(16);
    std::uint32_t colours = info.U32(32);
    // A height of INT_MIN has no positive counterpart: refused before it is turned round.
    if (height == std::numeric_limits<int>::min()) Damaged("a bitmap has an impossible size");
    const int h = height < 0 ? -height : height;
    if (width <= 0 || h <= 0 || width > kMaxSide || h > kMaxSide || std::int64_t(width) * h > MaximumPicturePixels)
        Damaged("a bitmap has an impossible size");
    if (compression != 0) throw EInvalidGraphic("The metafile holds compressed bitmaps, which are not shown");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        Damaged("a bitmap has an unknown number of bits per pixel");
    std::vector<QRgb> palette;
    if (bitCount <= 8) {
        if (colours == 0 || colours > (1u << bitCount)) colours = 1u << bitCount;
        for (std::uint32_t i = 0; i < colours; ++i) {
            const std::size_t at = headerSize + 4 * i;
            palette.push_back(qRgb(int(info.U8(at + 2)), int(info.U8(at + 1)), int(info.U8(at))));
        }
    }
    const std::size_t row = ((std::size_t(width) * bitCount + 31) / 32) * 4;
    if (!bits.Has(0, row * std::size_t(h))) Damaged("a bitmap has fewer pixels than its size");
    QImage image(width, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const std::size_t base = row * std::size_t(height < 0 ? y : h - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitCount) {
                case 32:
                case 24: {
                    const std::size_t at = base + std::size_t(x) * (bitCount / 8);
                    out[x] = qRgb(int(bits.U8(at + 2)), int(bits.U8(at + 1)), int(bits.U8(at)));
                    break;
                }
                default: {
                    const std::size_t bit = std::size_t(x) * bitCount;
                    const unsigned byte = bits.U8(base + bit / 8);
                    const unsigned index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
                    out[x] = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                    break;
                }
            }
        }
    }
    return image;
}

// Where the pixels of a packed bitmap (header, colour table, pixels) begin.
std::size_t DibBitsOffset(const Bytes& dib)
{
    const std::size_t header = dib.U32(0);
    const unsigned bitCount = dib.U16(14);
    std::size_t colours = 0;
    if (bitCount <= 8) {
        colours = dib.U32(32);
        if (colours == 0 || colours > (std::size_t(1) << bitCount)) colours = std::size_t(1) << bitCount;
    }
    const std::size_t at = header + 4 * colours;
    if (at > dib.Size()) Damaged("a bitmap is shorter than its header");
    return at;
}

struct PenObj {
    unsigned style = PS_SOLID;
    int width = 0;
    TColor color = clBlack;
    bool extended = false;
};

struct BrushObj {
    unsigned style = BS_SOLID;
    TColor color = clWhite;
    unsigned hatch = 0;
    std::shared_ptr<TBitmap> pattern;
};

struct Object {
    enum class Kind { None, Pen, Brush, Font, Other } kind = Kind::None;
    PenObj pen;
    BrushObj brush;
    FontSpec font;
};

TColor ColorOf(std::uint32_t ref)
{
    return TColor(ref & 0x00FFFFFF);
}

TPenMode PenModeOf(int rop)
{
    for (int m = 0; m < 16; ++m)
        if (PenModeToROP2(TPenMode(m)) == rop) return TPenMode(m);
    return pmCopy;
}

// The device state the records change, as the player keeps it.
struct DcState {
    Object pen, brush, font;
    int bkMode = OPAQUE;
    TColor bkColor = clWhite, textColor = clBlack;
    unsigned align = 0;
    int rop = R2_COPYPEN;
    int arcDirection = AD_COUNTERCLOCKWISE;
    int mapMode = MM_TEXT;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    bool windowSet = false;
    QTransform world;
    bool hasClip = false;
    QRegion clip;
};

// Plays records onto a canvas. A dry run reads and checks everything without drawing.
class Player {
public:
    Player(TCanvas* canvas, bool dry, bool wmf, const QTransform& toTarget, double pxPerMm)
        : FCanvas(canvas), FDry(dry), FWmf(wmf), FToTarget(toTarget), FPxPerMm(pxPerMm)
    {
        FState.pen.kind = Object::Kind::Pen;
        FState.brush.kind = Object::Kind::Brush;
        FState.font.kind = Object::Kind::Font;
        FState.font.font.face = QStringLiteral("Arial");
        FState.font.font.height = -13;
        if (FCanvas && !FDry) {
            FSavedPen.Assign(FCanvas->Pen());
            FSavedBrush.Assign(FCanvas->Brush());
            FSavedFont.Assign(FCanvas->Font());
            FSaved.bkMode = FCanvas->GetBkMode();
            FSaved.bkColor = FCanvas->GetBkColor();
            FSaved.textColor = FCanvas->GetTextColor();
            FSaved.align = FCanvas->GetTextAlign();
            FSaved.arcDirection = FCanvas->GetArcDirection();
            FSavedPos = FCanvas->GetPenPos();
            FSaved.hasClip = FCanvas->GetClipRgn(FSaved.clip) != 0;
            FInitialClip = FSaved.hasClip ? std::optional<QRegion>(FSaved.clip) : std::nullopt;
            FState.hasClip = FSaved.hasClip;
            FState.clip = FSaved.clip;
            ApplyAll();
        }
    }
    ~Player()
    {
        if (!FCanvas || FDry) return;
        FCanvas->Brush()->SetBitmap(nullptr);
        FCanvas->Pen()->Assign(&FSavedPen);
        FCanvas->Brush()->Assign(&FSavedBrush);
        FCanvas->Font()->Assign(&FSavedFont);
        FCanvas->SetBkMode(FSaved.bkMode);
        FCanvas->SetBkColor(FSaved.bkColor);
        FCanvas->SetTextColor(FSaved.textColor);
        FCanvas->SetTextAlign(FSaved.align);
        FCanvas->SetArcDirection(FSaved.arcDirection);
        FCanvas->SetPenPos(FSavedPos);
        FCanvas->SelectClipRgn(FSaved.hasClip ? &FSaved.clip : nullptr);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // ---- objects
    void SetTableSize(std::size_t n) { FObjects.resize(n); }
    // The old-style format puts a new object into the lowest free slot.
    void AddObject(const Object& o)
    {
        for (auto& slot : FObjects)
            if (slot.kind == Object::Kind::None) {
                slot = o;
                return;
            }
        if (FObjects.size() >= 65535) Damaged("too many objects");
        FObjects.push_back(o);
    }
    void PutObject(std::uint32_t index, const Object& o)
    {
        if (index == 0 || index > 65535) Damaged("an object index is out of range");
        if (index >= FObjects.size()) FObjects.resize(index + 1);
        FObjects[index] = o;
    }
    void SelectObject(std::uint32_t index)
    {
        Object o;
        if (!FWmf && (index & kStockObject)) {
            o = StockObject(index & ~kStockObject);
        } else {
            if (index >= FObjects.size() || FObjects[index].kind == Object::Kind::None)
                Damaged("an object is selected that does not exist");
            o = FObjects[index];
        }
        switch (o.kind) {
            case Object::Kind::Pen: FState.pen = o; break;
            case Object::Kind::Brush: FState.brush = o; break;
            case Object::Kind::Font: FState.font = o; break;
            default: return;
        }
        ApplyObjects();
    }
    void DeleteObject(std::uint32_t index)
    {
        if (!FWmf && (index & kStockObject)) return;
        if (index >= FObjects.size()) Damaged("an object is deleted that does not exist");
        FObjects[index] = Object{};
    }

    // ---- state
    DcState& State() { return FState; }
    void StateChanged() { ApplyAll(); }
    void SaveDC() { FStack.push_back(FState); }
    void RestoreDC(int relative)
    {
        const int n = relative < 0 ? -relative : int(FStack.size()) - relative + 1;
        if (n <= 0 || n > int(FStack.size())) Damaged("a saved state is restored that was not saved");
        for (int i = 1; i < n; ++i) FStack.pop_back();
        FState = FStack.back();
        FStack.pop_back();
        ApplyAll();
        ApplyClip();
    }

    // Logical coordinates to the target canvas's.
    QTransform Transform() const { return FState.world * PageTransform() * FToTarget; }
    TPoint P(int x, int y) const { return Map(QPointF(x, y)); }
    TPoint Map(const QPointF& p) const
    {
        const QPointF t = Transform().map(p);
        return TPoint(Coordinate(t.x()), Coordinate(t.y()));
    }
    // A mapped coordinate, kept to a range the painter and regions can work in.
    static int Coordinate(double v)
    {
        constexpr double kLimit = kMaxCoordinate;
        return Round(std::clamp(v, -kLimit, kLimit));
    }
    TRect R(int l, int t, int r, int b) const
    {
        const TPoint a = P(l, t), c = P(r, b);
        return TRect(std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y));
    }
    double Scale() const
    {
        const QTransform t = Transform();
        return std::sqrt(std::fabs(t.determinant()));
    }

    // ---- clipping
    // A region in the format's device units (enhanced format only).
    void SelectDeviceRegion(const QRegion* deviceRegion, int mode)
    {
        std::optional<QRegion> target;
        if (deviceRegion) target = CanvasDevice().map(*deviceRegion);
        if (mode == RGN_COPY) {
            if (!target) {
                FState.hasClip = FInitialClip.has_value();
                FState.clip = FInitialClip.value_or(QRegion());
            } else {
                FState.hasClip = true;
                FState.clip = FInitialClip ? target->intersected(*FInitialClip) : *target;
            }
        } else {
            if (!target) Damaged("a clipping region is missing");
            const QRegion current = FState.hasClip ? FState.clip : QRegion(CanvasBounds());
            switch (mode) {
                case RGN_AND: FState.clip = current.intersected(*target); break;
                case RGN_OR: FState.clip = current.united(*target); break;
                case RGN_XOR: FState.clip = current.xored(*target); break;
                case RGN_DIFF: FState.clip = current.subtracted(*target); break;
                default: Damaged("a clipping mode is unknown");
            }
            FState.hasClip = true;
        }
        ApplyClip();
    }
    void ClipRect(int l, int t, int r, int b, bool exclude)
    {
        const QRectF logical(QPointF(std::min(l, r), std::min(t, b)), QPointF(std::max(l, r), std::max(t, b)));
        const QRectF target = (Transform() * CanvasTransform()).mapRect(logical);
        const QRegion region(QRect(QPoint(Coordinate(target.left()), Coordinate(target.top())),
                                   QPoint(Coordinate(target.right()) - 1, Coordinate(target.bottom()) - 1)));
        const QRegion current = FState.hasClip ? FState.clip : QRegion(CanvasBounds());
        FState.clip = exclude ? current.subtracted(region) : current.intersected(region);
        FState.hasClip = true;
        ApplyClip();
    }

    // ---- drawing (nothing in a dry run)
    template <typename F>
    void Draw(F&& f)
    {
        if (!FDry && FCanvas) f(*FCanvas);
    }
    bool Dry() const { return FDry; }
    // The pen and font sizes follow the scale of the mapping.
    void ApplyObjects()
    {
        if (FDry || !FCanvas) return;
        const double s = Scale();
        const PenObj& pen = FState.pen.pen;
        // A new pen each time: an extended pen stays until a property changes.
        TPen p;
        const int width = pen.width <= 1 ? pen.width : std::clamp(Round(pen.width * s), 1, 4096);
        const unsigned style = pen.style & PS_STYLE_MASK;
        if (pen.extended || style > PS_INSIDEFRAME) {
            p.SetHandle(ExtCreatePen(pen.style, width, pen.color));
        } else {
            static const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
            p.SetStyle(styles[style]);
            p.SetWidth(width);
            p.SetColor(pen.color);
        }
        p.SetMode(PenModeOf(FState.rop));
        FCanvas->Pen()->Assign(&p);
        const BrushObj& brush = FState.brush.brush;
        TBrush* b = FCanvas->Brush();
        b->SetBitmap(brush.pattern.get());
        // The colour first: a colour given to a clear brush makes it solid again.
        b->SetColor(brush.color);
        switch (brush.style) {
            case BS_NULL: b->SetStyle(bsClear); break;
            case BS_HATCHED: b->SetStyle(TBrushStyle(int(bsHorizontal) + int(std::min(brush.hatch, 5u)))); break;
            default: b->SetStyle(bsSolid); break;
        }
        const FontSpec& font = FState.font.font;
        TFont* f = FCanvas->Font();
        f->SetName(font.face.toStdString());
        const double sy =
            std::sqrt(std::fabs(Transform().m22() * Transform().m22() + Transform().m12() * Transform().m12()));
        f->SetHeight(std::clamp(Round(font.height * sy), -1024, 1024));
        f->SetOrientation(font.escapement);
        TFontStyles st;
        if (font.weight >= 600) st |= fsBold;
        if (font.italic) st |= fsItalic;
        if (font.underline) st |= fsUnderline;
        if (font.strikeOut) st |= fsStrikeOut;
        f->SetStyle(st);
        f->SetCharset(font.charset);
        f->SetQuality(TFontQuality(std::clamp(font.quality, 0, 5)));
        f->SetPitch(font.pitch == 1 ? fpFixed : font.pitch == 2 ? fpVariable : fpDefault);
        // The canvas takes the text colour from its font.
        f->SetColor(FState.textColor);
        FCanvas->SetTextColor(FState.textColor);
    }
    void ApplyAll()
    {
        if (FDry || !FCanvas) return;
        ApplyObjects();
        FCanvas->SetBkMode(FState.bkMode);
        FCanvas->SetBkColor(FState.bkColor);
        FCanvas->SetTextAlign(FState.align);
        FCanvas->SetArcDirection(FState.arcDirection);
    }
    void ApplyClip()
    {
        if (FDry || !FCanvas) return;
        FCanvas->SelectClipRgn(FState.hasClip ? &FState.clip : nullptr);
    }
    void Image(const TRect& dest, const QImage& image)
    {
        Draw([&](TCanvas& c) {
            TBitmap bitmap;
            bitmap.SetImage(image);
            c.StretchDraw(dest, &bitmap);
        });
    }
    void Text(TPoint p, const QString& text, unsigned options, const TRect* rect)
    {
        Draw([&](TCanvas& c) {
            const AnsiString utf8 = text.toStdString();
            if (rect && (options & ETO_OPAQUE) && !(options & ETO_CLIPPED)) {
                TBrush saved;
                saved.Assign(c.Brush());
                TBitmap* pattern = c.Brush()->GetBitmap();
                c.Brush()->SetBitmap(nullptr);
                c.Brush()->SetStyle(bsSolid);
                c.Brush()->SetColor(FState.bkColor);
                c.FillRect(*rect);
                c.Brush()->Assign(&saved);
                c.Brush()->SetBitmap(pattern);
            }
            if (rect && (options & ETO_CLIPPED)) {
                const int mode = c.GetBkMode();
                if (!(options & ETO_OPAQUE)) c.SetBkMode(TRANSPARENT);
                c.TextRect(*rect, p.X, p.Y, utf8);
                c.SetBkMode(mode);
            } else {
                c.TextOut(p.X, p.Y, utf8);
            }
        });
    }

private:
    Object StockObject(std::uint32_t n) const
    {
        Object o;
        switch (n) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4: {
                static const TColor greys[] = {clWhite, 0xC0C0C0, 0x808080, 0x404040, clBlack};
                o.kind = Object::Kind::Brush;
                o.brush.color = greys[n];
                break;
            }
            case 5:
                o.kind = Object::Kind::Brush;
                o.brush.style = BS_NULL;
                break;
            case 6:
                o.kind = Object::Kind::Pen;
                o.pen.color = clWhite;
                break;
            case 7: o.kind = Object::Kind::Pen; break;
            case 8:
                o.kind = Object::Kind::Pen;
                o.pen.style = PS_NULL;
                break;
            case 18: o.kind = Object::Kind::Brush; break;
            case 19: o.kind = Object::Kind::Pen; break;
            case 10:
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17:
                o.kind = Object::Kind::Font;
                o.font.face = n == 10 || n == 11 || n == 16 ? QStringLiteral("Courier New") : QStringLiteral("Arial");
                o.font.height = -13;
                break;
            default: o.kind = Object::Kind::Other; break;
        }
        return o;
    }
    QTransform PageTransform() const
    {
        const DcState& s = FState;
        double sx = 1, sy = 1;
        if (FWmf) {
            // The window is shown on the placeable frame (the viewport is the reader's).
            if (!s.windowSet) return QTransform();
            sx = s.windowExt.width() ? FFrameSize.width() / s.windowExt.width() : 1.0;
            sy = s.windowExt.height() ? FFrameSize.height() / s.windowExt.height() : 1.0;
            return QTransform(sx, 0, 0, sy, FFrameOrigin.x() - s.windowOrg.x() * sx,
                              FFrameOrigin.y() - s.windowOrg.y() * sy);
        }
        switch (s.mapMode) {
            case MM_ANISOTROPIC:
            case MM_ISOTROPIC:
                sx = s.windowExt.width() ? s.viewportExt.width() / s.windowExt.width() : 1.0;
                sy = s.windowExt.height() ? s.viewportExt.height() / s.windowExt.height() : 1.0;
                if (s.mapMode == MM_ISOTROPIC) {
                    const double m = std::min(std::fabs(sx), std::fabs(sy));
                    sx = std::copysign(m, sx);
                    sy = std::copysign(m, sy);
                }
                break;
            case 2: sx = FPxPerMm * 0.1, sy = -sx; break;            // MM_LOMETRIC
            case 3: sx = FPxPerMm * 0.01, sy = -sx; break;           // MM_HIMETRIC
            case 4: sx = FPxPerMm * 0.254, sy = -sx; break;          // MM_LOENGLISH
            case 5: sx = FPxPerMm * 0.0254, sy = -sx; break;         // MM_HIENGLISH
            case 6: sx = FPxPerMm * 25.4 / 1440.0, sy = -sx; break;  // MM_TWIPS
            default: break;
        }
        return QTransform(sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx,
                          s.viewportOrg.y() - s.windowOrg.y() * sy);
    }
    QTransform CanvasTransform() const { return FCanvas ? FCanvas->Transform() : QTransform(); }
    QTransform CanvasDevice() const { return FToTarget * CanvasTransform(); }
    QRect CanvasBounds() const
    {
        if (!FCanvas) return QRect();
        const TRect d = FCanvas->DeviceRect();
        return QRect(d.Left, d.Top, d.Width(), d.Height());
    }

public:
    // The placeable frame of an old-style file, in its own units.
    void SetFrame(QPointF origin, QSizeF size)
    {
        FFrameOrigin = origin;
        FFrameSize = size;
    }

private:
    TCanvas* FCanvas;
    bool FDry, FWmf;
    QTransform FToTarget;
    double FPxPerMm;
    QPointF FFrameOrigin;
    QSizeF FFrameSize{1, 1};
    std::vector<Object> FObjects;
    DcState FState;
    std::vector<DcState> FStack;
    std::optional<QRegion> FInitialClip;
    TPen FSavedPen;
    TBrush FSavedBrush;
    TFont FSavedFont;
    DcState FSaved;
    TPoint FSavedPos;
};

// ---- enhanced metafiles

Frame Checked(Frame f)
{
    f.width = std::max(1, f.width);
    f.height = std::max(1, f.height);
    if (f.width > kMaxSide || f.height > kMaxSide || std::int64_t(f.width) * f.height > MaximumPicturePixels)
        throw EInvalidGraphic("The metafile's picture is too large");
    return f;
}

struct EmfHeader {
    QRect frame;  // 0.01 mm
    QSize device, millimetres;
    std::uint32_t headerSize = 0;
};

bool LooksLikeEmf(const Bytes& b)
{
    return b.Has(0, 44) && b.U32(0) == EMR_HEADER && b.U32(40) == kEmfSignature;
}

EmfHeader ReadEmfHeader(const Bytes& b)
{
    EmfHeader h;
    h.headerSize = b.U32(4);
    if (h.headerSize < 88 || h.headerSize % 4 || !b.Has(0, h.headerSize)) Damaged("the header is too short");
    h.frame = QRect(QPoint(b.I32(24), b.I32(28)), QPoint(b.I32(32), b.I32(36)));
    h.device = QSize(b.I32(72), b.I32(76));
    h.millimetres = QSize(b.I32(80), b.I32(84));
    if (h.device.width() <= 0 || h.device.height() <= 0 || h.millimetres.width() <= 0 || h.millimetres.height() <= 0)
        Damaged("the reference device has no size");
    return h;
}

Frame EmfFrame(const EmfHeader& h)
{
    const auto px = [](std::int64_t hundredths) { return Round(double(hundredths) * kDpi / 2540.0); };
    Frame f;
    f.width = px(std::int64_t(h.frame.right()) - h.frame.left() + 1);
    f.height = px(std::int64_t(h.frame.bottom()) - h.frame.top() + 1);
    return Checked(f);
}

std::vector<TPoint> Points32(const Bytes& r, std::size_t at, std::uint32_t count, const Player& p)
{
    if (!r.Has(at, std::size_t(count) * 8)) Damaged("a point list is longer than its record");
    std::vector<TPoint> pts;
    pts.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) pts.push_back(p.P(r.I32(at + 8 * i), r.I32(at + 8 * i + 4)));
    return pts;
}

std::vector<TPoint> Points16(const Bytes& r, std::size_t at, std::uint32_t count, const Player& p)
{
    if (!r.Has(at, std::size_t(count) * 4)) Damaged("a point list is longer than its record");
    std::vector<TPoint> pts;
    pts.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) pts.push_back(p.P(r.I16(at + 4 * i), r.I16(at + 4 * i + 2)));
    return pts;
}

// Bezier points (start, then three per curve) flattened to a polyline.
std::vector<TPoint> Flattened(TPoint start, const std::vector<TPoint>& pts)
{
    QPainterPath path(QPointF(start.X, start.Y));
    for (std::size_t i = 0; i + 2 < pts.size(); i += 3)
        path.cubicTo(QPointF(pts[i].X, pts[i].Y), QPointF(pts[i + 1].X, pts[i + 1].Y),
                     QPointF(pts[i + 2].X, pts[i + 2].Y));
    std::vector<TPoint> out;
    for (const QPointF& q : path.toSubpathPolygons().value(0)) out.push_back(TPoint(Round(q.x()), Round(q.y())));
    return out;
}

void PolyPolygon(Player& p, const std::vector<std::vector<TPoint>>& polys, bool closed)
{
    p.Draw([&](TCanvas& c) {
        if (!closed) {
            for (const auto& poly : polys) c.Polyline(poly);
            return;
        }
        // One shape, so that polygons inside others are holes.
        c.BeginPath();
        for (const auto& poly : polys) c.Polygon(poly);
        c.EndPath();
        c.StrokeAndFillPath();
    });
}

void ReadPolyPoly(Player& p, const Bytes& r, bool wide, bool closed)
{
    const std::uint32_t n = r.U32(24), total = r.U32(28);
    if (n > r.Size() / 4 || total > r.Size() / 4) Damaged("a polygon count is impossible");
    std::size_t at = 32 + 4 * std::size_t(n);
    std::vector<std::vector<TPoint>> polys;
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t count = r.U32(32 + 4 * std::size_t(i));
        sum += count;
        if (sum > total) Damaged("polygon sizes do not add up");
        polys.push_back(wide ? Points32(r, at, count, p) : Points16(r, at, count, p));
        at += std::size_t(count) * (wide ? 8 : 4);
    }
    PolyPolygon(p, polys, closed);
}

void ReadBitmap(Player& p, const Bytes& r, std::size_t offBmi, std::size_t cbBmi, std::size_t offBits,
                std::size_t cbBits, const TRect& dest, const QRect& source)
{
    const QImage dib = DecodeDib(r.Sub(offBmi, cbBmi), r.Sub(offBits, cbBits));
    const QRect part = source.isValid() ? source.intersected(dib.rect()) : dib.rect();
    if (part.isEmpty() || dest.IsEmpty()) return;
    p.Image(dest, part == dib.rect() ? dib : dib.copy(part));
}

// A region from its rectangles. Regions as regions list them (in bands from the top, left
// to right) are taken as they are; others are united, which costs more with every
// rectangle, so there may be only a few of them.
QRegion RegionOf(const std::vector<QRect>& rects)
{
    bool banded = true;
    for (std::size_t i = 1; i < rects.size() && banded; ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        banded = b.top() > a.bottom() || (b.top() == a.top() && b.bottom() == a.bottom() && b.left() > a.right() + 1);
    }
    QRegion region;
    if (banded) {
        region.setRects(rects.data(), int(rects.size()));
        return region;
    }
    if (rects.size() > 4096) Damaged("a clipping region has too many parts");
    for (const QRect& r : rects) region += r;
    return region;
}

void PlayEmfRecord(Player& p, std::uint32_t type, const Bytes& r)
{
    DcState& s = p.State();
    switch (type) {
        case EMR_HEADER:
        case EMR_GDICOMMENT:
        case EMR_SETBRUSHORGEX:
        case EMR_SETMAPPERFLAGS:
        case EMR_SETPOLYFILLMODE:
        case EMR_SETSTRETCHBLTMODE:
        case EMR_SETMITERLIMIT:
        case EMR_SETICMMODE:
        case EMR_SETLAYOUT:
        case 65:  // EMR_FLATTENPATH: the paths are flat already
            return;
        case EMR_POLYBEZIER:
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYLINETO16:
        case 85:  // EMR_POLYBEZIER16
        case 88:  // EMR_POLYBEZIERTO16
        {
            const bool wide = type <= EMR_POLYLINETO;
            const std::uint32_t n = r.U32(24);
            std::vector<TPoint> pts = wide ? Points32(r, 28, n, p) : Points16(r, 28, n, p);
            const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIERTO || type == 85 || type == 88;
            const bool to =
                type == EMR_POLYBEZIERTO || type == EMR_POLYLINETO || type == EMR_POLYLINETO16 || type == 88;
            p.Draw([&](TCanvas& c) {
                if (bezier) {
                    if (to) {
                        const std::vector<TPoint> flat = Flattened(c.GetPenPos(), pts);
                        if (flat.size() > 1) c.PolylineTo(flat.data() + 1, int(flat.size() - 1));
                        return;
                    }
                    if (pts.empty()) return;
                    pts = Flattened(pts[0], std::vector<TPoint>(pts.begin() + 1, pts.end()));
                }
                if (to)
                    c.PolylineTo(pts.data(), int(pts.size()));
                else if (type == EMR_POLYGON || type == EMR_POLYGON16)
                    c.Polygon(pts);
                else
                    c.Polyline(pts);
            });
            return;
        }
        case EMR_POLYPOLYLINE: ReadPolyPoly(p, r, true, false); return;
        case EMR_POLYPOLYGON: ReadPolyPoly(p, r, true, true); return;
        case EMR_POLYPOLYLINE16: ReadPolyPoly(p, r, false, false); return;
        case EMR_POLYPOLYGON16: ReadPolyPoly(p, r, false, true); return;
        case EMR_SETWINDOWEXTEX: s.windowExt = QSizeF(r.I32(8), r.I32(12)); break;
        case EMR_SETWINDOWORGEX: s.windowOrg = QPointF(r.I32(8), r.I32(12)); break;
        case EMR_SETVIEWPORTEXTEX: s.viewportExt = QSizeF(r.I32(8), r.I32(12)); break;
        case EMR_SETVIEWPORTORGEX: s.viewportOrg = QPointF(r.I32(8), r.I32(12)); break;
        case EMR_EOF: return;
        case EMR_SETPIXELV: {
            const TPoint at = p.P(r.I32(8), r.I32(12));
            const TColor color = ColorOf(r.U32(16));
            p.Draw([&](TCanvas& c) { c.SetPixel(at.X, at.Y, color); });
            return;
        }
        case EMR_SETMAPMODE: s.mapMode = int(r.U32(8)); break;
        case EMR_SETBKMODE: s.bkMode = r.U32(8) == OPAQUE ? OPAQUE : TRANSPARENT; break;
        case EMR_SETROP2: s.rop = std::clamp(int(r.U32(8)), 1, 16); break;
        case EMR_SETTEXTALIGN: s.align = r.U32(8) & 0x1F; break;
        case EMR_SETTEXTCOLOR: s.textColor = ColorOf(r.U32(8)); break;
        case EMR_SETBKCOLOR: s.bkColor = ColorOf(r.U32(8)); break;
        case EMR_SETARCDIRECTION: s.arcDirection = r.U32(8) == AD_CLOCKWISE ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE; break;
        case EMR_MOVETOEX: {
            const TPoint at = p.P(r.I32(8), r.I32(12));
            p.Draw([&](TCanvas& c) { c.MoveTo(at.X, at.Y); });
            return;
        }
        case EMR_LINETO: {
            const TPoint at = p.P(r.I32(8), r.I32(12));
            p.Draw([&](TCanvas& c) { c.LineTo(at.X, at.Y); });
            return;
        }
        case EMR_EXCLUDECLIPRECT:
        case EMR_INTERSECTCLIPRECT:
            p.ClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20), type == EMR_EXCLUDECLIPRECT);
            return;
        case EMR_SAVEDC: p.SaveDC(); return;
        case EMR_RESTOREDC: p.RestoreDC(r.I32(8)); return;
        case 35:  // EMR_SETWORLDTRANSFORM
        case 36:  // EMR_MODIFYWORLDTRANSFORM
        {
            const QTransform x(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
            const std::uint32_t mode = type == 35 ? 4 : r.U32(32);
            if (!x.isInvertible() && mode != 1) Damaged("a transformation cannot be undone");
            switch (mode) {
                case 1: s.world = QTransform(); break;
                case 2: s.world = x * s.world; break;
                case 3: s.world = s.world * x; break;
                case 4: s.world = x; break;
                default: Damaged("a transformation mode is unknown");
            }
            break;
        }
        case EMR_SELECTOBJECT: p.SelectObject(r.U32(8)); return;
        case EMR_DELETEOBJECT: p.DeleteObject(r.U32(8)); return;
        case EMR_CREATEPEN: {
            Object o;
            o.kind = Object::Kind::Pen;
            o.pen.style = r.U32(12) & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK);
            o.pen.width = std::clamp(r.I32(16), 0, 10000);
            o.pen.color = ColorOf(r.U32(24));
            p.PutObject(r.U32(8), o);
            return;
        }
        case EMR_EXTCREATEPEN: {
            Object o;
            o.kind = Object::Kind::Pen;
            o.pen.style = r.U32(28) & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK);
            if ((o.pen.style & PS_STYLE_MASK) == PS_USERSTYLE) o.pen.style &= ~PS_STYLE_MASK;
            o.pen.width = int(std::min<std::uint32_t>(r.U32(32), 10000));
            o.pen.color = ColorOf(r.U32(40));
            o.pen.extended = true;
            p.PutObject(r.U32(8), o);
            return;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            Object o;
            o.kind = Object::Kind::Brush;
            const std::uint32_t style = r.U32(12);
            o.brush.style = style == BS_NULL ? BS_NULL : style == BS_HATCHED ? BS_HATCHED : BS_SOLID;
            o.brush.color = ColorOf(r.U32(16));
            o.brush.hatch = r.U32(20);
            p.PutObject(r.U32(8), o);
            return;
        }
        case EMR_CREATEDIBPATTERNBRUSHPT: {
            Object o;
            o.kind = Object::Kind::Brush;
            o.brush.style = BS_DIBPATTERNPT;
            o.brush.pattern = std::make_shared<TBitmap>();
            o.brush.pattern->SetImage(DecodeDib(r.Sub(r.U32(16), r.U32(20)), r.Sub(r.U32(24), r.U32(28))));
            p.PutObject(r.U32(8), o);
            return;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            Object o;
            o.kind = Object::Kind::Font;
            FontSpec& f = o.font;
            f.height = r.I32(12);
            f.escapement = r.I32(20);
            f.weight = r.I32(28);
            f.italic = r.U8(32) != 0;
            f.underline = r.U8(33) != 0;
            f.strikeOut = r.U8(34) != 0;
            f.charset = int(r.U8(35));
            f.quality = int(r.U8(38));
            f.pitch = int(r.U8(39) & 3);
            for (int i = 0; i < 32; ++i) {
                const unsigned ch = r.U16(40 + 2 * std::size_t(i));
                if (ch == 0) break;
                f.face.append(QChar(char16_t(ch)));
            }
            p.PutObject(r.U32(8), o);
            return;
        }
        case EMR_ELLIPSE:
        case EMR_RECTANGLE: {
            const TRect box = p.R(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            p.Draw([&](TCanvas& c) { type == EMR_ELLIPSE ? c.Ellipse(box) : c.Rectangle(box); });
            return;
        }
        case EMR_ROUNDRECT: {
            const TRect box = p.R(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            const double scale = p.Scale();
            const int w = Round(r.I32(24) * scale), h = Round(r.I32(28) * scale);
            p.Draw([&](TCanvas& c) { c.RoundRect(box.Left, box.Top, box.Right, box.Bottom, w, h); });
            return;
        }
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case 55:  // EMR_ARCTO
        {
            const TRect box = p.R(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            const TPoint a = p.P(r.I32(24), r.I32(28)), b = p.P(r.I32(32), r.I32(36));
            p.Draw([&](TCanvas& c) {
                const int x1 = box.Left, y1 = box.Top, x2 = box.Right, y2 = box.Bottom;
                if (type == EMR_ARC) c.Arc(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
                if (type == EMR_CHORD) c.Chord(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
                if (type == EMR_PIE) c.Pie(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
                if (type == 55) c.ArcTo(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
            });
            return;
        }
        case 59: p.Draw([](TCanvas& c) { c.BeginPath(); }); return;
        case 60: p.Draw([](TCanvas& c) { c.EndPath(); }); return;
        case 62: p.Draw([](TCanvas& c) { c.FillPath(); }); return;
        case 63: p.Draw([](TCanvas& c) { c.StrokeAndFillPath(); }); return;
        case 64: p.Draw([](TCanvas& c) { c.StrokePath(); }); return;
        case 66: p.Draw([](TCanvas& c) { c.WidenPath(); }); return;
        case 67: {
            const int mode = int(r.U32(8));
            if (mode < RGN_AND || mode > RGN_COPY) Damaged("a clipping mode is unknown");
            p.Draw([&](TCanvas& c) { c.SelectClipPath(mode); });
            return;
        }
        case 68: p.Draw([](TCanvas& c) { c.AbortPath(); }); return;
        case EMR_EXTSELECTCLIPRGN: {
            const std::uint32_t size = r.U32(8), mode = r.U32(12);
            if (mode < RGN_AND || mode > RGN_COPY) Damaged("a clipping mode is unknown");
            if (size == 0) {
                p.SelectDeviceRegion(nullptr, int(mode));
                return;
            }
            const Bytes data = r.Sub(16, size);
            const std::uint32_t count = data.U32(8);
            if (data.U32(0) < 32 || count > data.Size() / 16) Damaged("a clipping region is not understood");
            std::vector<QRect> rects;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::size_t at = data.U32(0) + 16 * std::size_t(i);
                // Kept to the range the other records' coordinates are mapped into, so no rectangle
                // is wider than an int can say.
                const auto c = [&](std::size_t o) { return std::clamp(data.I32(o), -kMaxCoordinate, kMaxCoordinate); };
                const int l = c(at), t = c(at + 4), rr = c(at + 8), b = c(at + 12);
                if (rr > l && b > t) rects.emplace_back(QPoint(l, t), QPoint(rr - 1, b - 1));
            }
            const QRegion region = RegionOf(rects);
            p.SelectDeviceRegion(&region, int(mode));
            return;
        }
        case EMR_STRETCHDIBITS: {
            const TRect dest =
                p.R(r.I32(24), r.I32(28), SaturatedSum(r.I32(24), r.I32(72)), SaturatedSum(r.I32(28), r.I32(76)));
            const QRect source = RectOfExtent(r.I32(32), r.I32(36), r.I32(40), r.I32(44));
            if (r.U32(52) == 0) return;  // no bitmap: nothing this program draws
            ReadBitmap(p, r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), dest, source);
            return;
        }
        case EMR_EXTTEXTOUTW: {
            const TPoint at = p.P(r.I32(36), r.I32(40));
            const std::uint32_t n = r.U32(44), offString = r.U32(48), options = r.U32(52);
            if (n > r.Size() / 2) Damaged("a text is longer than its record");
            QString text;
            text.reserve(qsizetype(n));
            for (std::uint32_t i = 0; i < n; ++i) text.append(QChar(char16_t(r.U16(offString + 2 * std::size_t(i)))));
            const TRect rect = p.R(r.I32(56), r.I32(60), r.I32(64), r.I32(68));
            p.Text(at, text, options, options & (ETO_OPAQUE | ETO_CLIPPED) ? &rect : nullptr);
            return;
        }
        default:
            throw EInvalidGraphic("The metafile uses drawing records this program does not show (record " +
                                  std::to_string(type) + ")");
    }
    p.StateChanged();
}

void PlayEmf(const Bytes& b, TCanvas* canvas, const TRect& target, bool dry)
{
    const EmfHeader h = ReadEmfHeader(b);
    const Frame f = EmfFrame(h);
    // Device units to the frame's pixels, then to the target rectangle.
    const double hundredthsX = h.millimetres.width() * 100.0 / h.device.width();
    const double hundredthsY = h.millimetres.height() * 100.0 / h.device.height();
    const double pxX = hundredthsX * kDpi / 2540.0, pxY = hundredthsY * kDpi / 2540.0;
    const QTransform toTarget =
        QTransform::fromTranslate(-h.frame.left() / hundredthsX, -h.frame.top() / hundredthsY) *
        QTransform::fromScale(pxX * target.Width() / f.width, pxY * target.Height() / f.height) *
        QTransform::fromTranslate(target.Left, target.Top);
    Player p(canvas, dry, false, toTarget, double(h.device.width()) / h.millimetres.width());
    std::size_t at = 0;
    // Every record takes at least 8 bytes, so no file holds more than this many. A bound of
    // its own, so that a record that does not move the reading on can never loop for ever.
    const std::size_t mostRecords = b.Size() / 8;
    for (std::size_t n = 0;; ++n) {
        if (n > mostRecords) Damaged("it has more records than its size holds");
        if (!b.Has(at, 8)) Damaged("it ends before its last record");
        const std::uint32_t type = b.U32(at), size = b.U32(at + 4);
        if (size < 8 || size % 4 || !b.Has(at, size)) Damaged("a record has an impossible size");
        if (at == 0 && type != EMR_HEADER) Damaged("the header is missing");
        PlayEmfRecord(p, type, b.Sub(at, size));
        if (type == EMR_EOF) return;
        at += size;
    }
}

// ---- old-style metafiles

struct WmfLayout {
    std::size_t records = 0;  // where the records begin
    QRect box;                // the placeable frame in its units
    int inch = kDpi;
};

WmfLayout ReadWmfLayout(const Bytes& b)
{
    WmfLayout l;
    std::size_t at = 0;
    if (b.Has(0, 4) && b.U32(0) == kPlaceableKey) {
        if (!b.Has(0, 22)) Damaged("the header is too short");
        const int left = b.I16(6), top = b.I16(8), right = b.I16(10), bottom = b.I16(12);
        l.box = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                      QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
        l.inch = int(b.U16(14));
        if (l.inch == 0) Damaged("the picture has no unit");
        at = 22;
    }
    const unsigned type = b.U16(at), headerWords = b.U16(at + 2), version = b.U16(at + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        throw EInvalidGraphic("The file is not a metafile this program reads");
    l.records = at + 18;
    return l;
}

bool LooksLikeWmf(const Bytes& b)
{
    if (b.Has(0, 4) && b.U32(0) == kPlaceableKey) return true;
    return b.Has(0, 18) && (b.U16(0) == 1 || b.U16(0) == 2) && b.U16(2) == 9 &&
           (b.U16(4) == 0x0100 || b.U16(4) == 0x0300);
}

template <typename F>
void ForWmfRecords(const Bytes& b, std::size_t at, F&& f)
{
    const std::size_t mostRecords = b.Size() / 6;  // as for enhanced files: a bound of its own
    for (std::size_t n = 0;; ++n) {
        if (n > mostRecords) Damaged("it has more records than its size holds");
        if (!b.Has(at, 6)) Damaged("it ends before its last record");
        const std::uint64_t size = std::uint64_t(b.U32(at)) * 2;
        if (size < 6 || !b.Has(at, std::size_t(size))) Damaged("a record has an impossible size");
        const unsigned function = b.U16(at + 4);
        f(function, b.Sub(at + 6, std::size_t(size) - 6));
        if (function == META_EOF) return;
        at += std::size_t(size);
    }
}

// A file without the placeable header has no frame but its window.
QRect WindowOfPlainWmf(const Bytes& b, std::size_t records)
{
    QPoint origin;
    QRect window;
    ForWmfRecords(b, records, [&](unsigned function, const Bytes& r) {
        if (function == META_SETWINDOWORG) origin = QPoint(r.I16(2), r.I16(0));
        if (function == META_SETWINDOWEXT && window.isNull())
            window = QRect(origin, QSize(std::abs(r.I16(2)), std::abs(r.I16(0))));
    });
    if (window.isEmpty()) throw EInvalidGraphic("The metafile does not say how large its picture is");
    return window;
}

Frame WmfFrame(const WmfLayout& l)
{
    Frame f;
    f.enhanced = false;
    f.width = Round(double(l.box.width()) * kDpi / l.inch);
    f.height = Round(double(l.box.height()) * kDpi / l.inch);
    return Checked(f);
}

// The points of a polygon or polyline record.
std::vector<TPoint> WmfPoints(const Bytes& r, std::size_t at, unsigned count, const Player& p)
{
    return Points16(r, at, count, p);
}

QString Cp1252(std::string_view bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

void PlayWmfRecord(Player& p, unsigned function, const Bytes& r)
{
    DcState& s = p.State();
    switch (function) {
        case META_EOF:
        case META_SETRELABS:
        case META_SETPOLYFILLMODE:
        case META_SETSTRETCHBLTMODE:
        case META_SETMAPPERFLAGS:
        case META_SETTEXTCHAREXTRA:
        case META_REALIZEPALETTE:
        case META_SETMAPMODE:
        case META_SETVIEWPORTORG:
        case META_SETVIEWPORTEXT:
        case 0x0626:  // META_ESCAPE
        case 0x020A:  // META_SETTEXTJUSTIFICATION
        case 0x0234:  // META_SELECTPALETTE
            return;
        case 0x00F7:  // META_CREATEPALETTE takes a slot
        {
            Object o;
            o.kind = Object::Kind::Other;
            p.AddObject(o);
            return;
        }
        case META_SETBKMODE: s.bkMode = r.U16(0) == OPAQUE ? OPAQUE : TRANSPARENT; break;
        case META_SETROP2: s.rop = std::clamp(int(r.U16(0)), 1, 16); break;
        case META_SETTEXTALIGN: s.align = r.U16(0) & 0x1F; break;
        case META_SETBKCOLOR: s.bkColor = ColorOf(r.U32(0)); break;
        case META_SETTEXTCOLOR: s.textColor = ColorOf(r.U32(0)); break;
        case META_SETWINDOWORG:
            s.windowOrg = QPointF(r.I16(2), r.I16(0));
            if (!s.windowSet) s.windowExt = QSizeF(1, 1);
            s.windowSet = true;
            break;
        case META_SETWINDOWEXT:
            s.windowExt = QSizeF(r.I16(2), r.I16(0));
            s.windowSet = true;
            break;
        case META_SAVEDC: p.SaveDC(); return;
        case META_RESTOREDC: p.RestoreDC(r.I16(0)); return;
        case META_SELECTOBJECT: p.SelectObject(r.U16(0)); return;
        case META_DELETEOBJECT: p.DeleteObject(r.U16(0)); return;
        case META_CREATEPENINDIRECT: {
            Object o;
            o.kind = Object::Kind::Pen;
            o.pen.style = r.U16(0) & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK);
            o.pen.width = std::max(0, r.I16(2));
            o.pen.color = ColorOf(r.U32(6));
            // Caps and joins belong to pens drawn by their width.
            if ((o.pen.style & (PS_ENDCAP_MASK | PS_JOIN_MASK)) && o.pen.width > 1) {
                o.pen.style |= PS_GEOMETRIC;
                o.pen.extended = true;
            }
            p.AddObject(o);
            return;
        }
        case META_CREATEBRUSHINDIRECT: {
            Object o;
            o.kind = Object::Kind::Brush;
            const unsigned style = r.U16(0);
            o.brush.style = style == BS_NULL ? BS_NULL : style == BS_HATCHED ? BS_HATCHED : BS_SOLID;
            o.brush.color = ColorOf(r.U32(2));
            o.brush.hatch = r.U16(6);
            p.AddObject(o);
            return;
        }
        case META_DIBCREATEPATTERNBRUSH: {
            Object o;
            o.kind = Object::Kind::Brush;
            o.brush.style = BS_DIBPATTERNPT;
            o.brush.pattern = std::make_shared<TBitmap>();
            const Bytes dib = r.Sub(4, r.Size() - 4);
            o.brush.pattern->SetImage(DecodeDib(dib, dib.Sub(DibBitsOffset(dib), dib.Size() - DibBitsOffset(dib))));
            p.AddObject(o);
            return;
        }
        case META_CREATEFONTINDIRECT: {
            Object o;
            o.kind = Object::Kind::Font;
            FontSpec& f = o.font;
            f.height = r.I16(0);
            f.escapement = r.I16(4);
            f.weight = r.I16(8);
            f.italic = r.U8(10) != 0;
            f.underline = r.U8(11) != 0;
            f.strikeOut = r.U8(12) != 0;
            f.charset = int(r.U8(13));
            f.quality = int(r.U8(16));
            f.pitch = int(r.U8(17) & 3);
            std::string face;
            for (std::size_t i = 18; i < std::min<std::size_t>(r.Size(), 50) && r.U8(i) != 0; ++i)
                face.push_back(char(r.U8(i)));
            f.face = Cp1252(face);
            p.AddObject(o);
            return;
        }
        case META_MOVETO:
        case META_LINETO: {
            const TPoint at = p.P(r.I16(2), r.I16(0));
            p.Draw([&](TCanvas& c) { function == META_MOVETO ? c.MoveTo(at.X, at.Y) : c.LineTo(at.X, at.Y); });
            return;
        }
        case META_EXCLUDECLIPRECT:
        case META_INTERSECTCLIPRECT:
            p.ClipRect(r.I16(6), r.I16(4), r.I16(2), r.I16(0), function == META_EXCLUDECLIPRECT);
            return;
        case META_POLYGON:
        case META_POLYLINE: {
            const std::vector<TPoint> pts = WmfPoints(r, 2, r.U16(0), p);
            p.Draw([&](TCanvas& c) { function == META_POLYGON ? c.Polygon(pts) : c.Polyline(pts); });
            return;
        }
        case META_POLYPOLYGON: {
            const unsigned n = r.U16(0);
            std::size_t at = 2 + 2 * std::size_t(n);
            std::vector<std::vector<TPoint>> polys;
            for (unsigned i = 0; i < n; ++i) {
                const unsigned count = r.U16(2 + 2 * std::size_t(i));
                polys.push_back(WmfPoints(r, at, count, p));
                at += 4 * std::size_t(count);
            }
            PolyPolygon(p, polys, true);
            return;
        }
        case META_RECTANGLE:
        case META_ELLIPSE: {
            const TRect box = p.R(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            p.Draw([&](TCanvas& c) { function == META_ELLIPSE ? c.Ellipse(box) : c.Rectangle(box); });
            return;
        }
        case META_ROUNDRECT: {
            const TRect box = p.R(r.I16(10), r.I16(8), r.I16(6), r.I16(4));
            const double scale = p.Scale();
            const int w = Round(r.I16(2) * scale), h = Round(r.I16(0) * scale);
            p.Draw([&](TCanvas& c) { c.RoundRect(box.Left, box.Top, box.Right, box.Bottom, w, h); });
            return;
        }
        case META_ARC:
        case META_PIE:
        case META_CHORD: {
            const TRect box = p.R(r.I16(14), r.I16(12), r.I16(10), r.I16(8));
            const TPoint a = p.P(r.I16(6), r.I16(4)), b = p.P(r.I16(2), r.I16(0));
            p.Draw([&](TCanvas& c) {
                const int x1 = box.Left, y1 = box.Top, x2 = box.Right, y2 = box.Bottom;
                if (function == META_ARC) c.Arc(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
                if (function == META_PIE) c.Pie(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
                if (function == META_CHORD) c.Chord(x1, y1, x2, y2, a.X, a.Y, b.X, b.Y);
            });
            return;
        }
        case META_SETPIXEL: {
            const TPoint at = p.P(r.I16(6), r.I16(4));
            const TColor color = ColorOf(r.U32(0));
            p.Draw([&](TCanvas& c) { c.SetPixel(at.X, at.Y, color); });
            return;
        }
        case META_TEXTOUT: {
            const unsigned n = r.U16(0);
            const std::size_t after = 2 + ((std::size_t(n) + 1) & ~std::size_t(1));
            const QString text = Cp1252(r.View(2, n));
            p.Text(p.P(r.I16(after + 2), r.I16(after)), text, 0, nullptr);
            return;
        }
        case META_EXTTEXTOUT: {
            const TPoint at = p.P(r.I16(2), r.I16(0));
            const unsigned n = r.U16(4), options = r.U16(6);
            std::size_t pos = 8;
            TRect rect;
            const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
            if (hasRect) {
                rect = p.R(r.I16(8), r.I16(10), r.I16(12), r.I16(14));
                pos += 8;
            }
            const QString text = Cp1252(r.View(pos, n));
            p.Text(at, text, options, hasRect ? &rect : nullptr);
            return;
        }
        case META_STRETCHDIB:
        case 0x0B41:  // META_DIBSTRETCHBLT
        case 0x0940:  // META_DIBBITBLT
        {
            // Source and destination as the record orders them (last first).
            int xDst, yDst, wDst, hDst, xSrc, ySrc, wSrc, hSrc;
            std::size_t dibAt;
            if (function == META_STRETCHDIB) {
                hSrc = r.I16(6), wSrc = r.I16(8), ySrc = r.I16(10), xSrc = r.I16(12);
                hDst = r.I16(14), wDst = r.I16(16), yDst = r.I16(18), xDst = r.I16(20);
                dibAt = 22;
            } else if (function == 0x0B41) {
                hSrc = r.I16(4), wSrc = r.I16(6), ySrc = r.I16(8), xSrc = r.I16(10);
                hDst = r.I16(12), wDst = r.I16(14), yDst = r.I16(16), xDst = r.I16(18);
                dibAt = 20;
            } else {
                ySrc = r.I16(4), xSrc = r.I16(6), hDst = hSrc = r.I16(8), wDst = wSrc = r.I16(10);
                yDst = r.I16(12), xDst = r.I16(14);
                dibAt = 16;
            }
            if (r.Size() <= dibAt + 4) return;  // a pattern fill without a bitmap
            const Bytes dib = r.Sub(dibAt, r.Size() - dibAt);
            const std::size_t bits = DibBitsOffset(dib);
            const QImage image = DecodeDib(dib, dib.Sub(bits, dib.Size() - bits));
            // Rows of a bottom-up bitmap count from its bottom.
            const QRect source(xSrc, image.height() - ySrc - hSrc, wSrc, hSrc);
            const TRect dest = p.R(xDst, yDst, xDst + wDst, yDst + hDst);
            const QRect part = source.intersected(image.rect());
            if (!part.isEmpty() && !dest.IsEmpty()) p.Image(dest, image.copy(part));
            return;
        }
        default: {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", function);
            throw EInvalidGraphic(std::string("The metafile uses drawing records this program does not show (record ") +
                                  code + ")");
        }
    }
    p.StateChanged();
}

void PlayWmf(const Bytes& b, TCanvas* canvas, const TRect& target, bool dry)
{
    WmfLayout l = ReadWmfLayout(b);
    if (l.box.isNull()) {
        l.box = WindowOfPlainWmf(b, l.records);
        l.inch = kDpi;
    }
    const Frame f = WmfFrame(l);
    // The frame's units to the target rectangle.
    const QTransform toTarget = QTransform::fromTranslate(-l.box.left(), -l.box.top()) *
                                QTransform::fromScale(double(kDpi) / l.inch * target.Width() / f.width,
                                                      double(kDpi) / l.inch * target.Height() / f.height) *
                                QTransform::fromTranslate(target.Left, target.Top);
    Player p(canvas, dry, true, toTarget, kDpi / 25.4);
    p.SetFrame(QPointF(l.box.left(), l.box.top()), QSizeF(l.box.width(), l.box.height()));
    p.SetTableSize(0);
    ForWmfRecords(b, l.records, [&](unsigned function, const Bytes& r) { PlayWmfRecord(p, function, r); });
}

}  // namespace

Frame ReadFrame(std::string_view bytes)
{
    const Bytes b(bytes);
    if (LooksLikeEmf(b)) return EmfFrame(ReadEmfHeader(b));
    if (LooksLikeWmf(b)) {
        WmfLayout l = ReadWmfLayout(b);
        if (l.box.isNull()) {
            l.box = WindowOfPlainWmf(b, l.records);
            l.inch = kDpi;
        }
        return WmfFrame(l);
    }
    throw EInvalidGraphic("The file is not a metafile");
}

void Play(std::string_view bytes, TCanvas* canvas, const TRect& r, bool check)
{
    const Bytes b(bytes);
    const bool emf = LooksLikeEmf(b);
    if (!emf && !LooksLikeWmf(b)) throw EInvalidGraphic("The file is not a metafile");
    if (r.IsEmpty()) return;
    for (const bool dry : {true, false}) {
        if (dry && !check) continue;
        if (emf)
            PlayEmf(b, canvas, r, dry);
        else
            PlayWmf(b, canvas, r, dry);
    }
}

}  // namespace platform::meta
