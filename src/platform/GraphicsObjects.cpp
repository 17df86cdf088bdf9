#include "platform/GraphicsObjects.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Round.h"
#include "platform/StoreChanged.h"
#include "platform/TBitmap.h"

int MulDiv(int a, int b, int c)
{
    if (c == 0) return 0;
    const long long p = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const bool negative = (p < 0) != (c < 0);
    const long long q = (std::llabs(p) + half) / std::llabs(c);
    return int(std::clamp<long long>(negative ? -q : q, INT_MIN, INT_MAX));
}

namespace {
std::uint64_t NextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}
}  // namespace

TGraphicsObject::TGraphicsObject(QObject* parent) : TPersistent(parent), FSerial(NextSerial()) {}

void TGraphicsObject::Changed()
{
    FSerial = NextSerial();
    if (OnChange) OnChange(this);
}

TPenHandle ExtCreatePen(unsigned style, int width, TColor color)
{
    TPenHandle h;
    h.Style = style;
    h.Width = (style & PS_TYPE_MASK) == PS_GEOMETRIC ? std::max(width, 0) : 1;
    h.Color = color;
    return h;
}

// ---- TPen

TPen::TPen(QObject* parent) : TGraphicsObject(parent) {}

void TPen::Assign(TPersistent* Source)
{
    if (auto* p = qobject_cast<TPen*>(Source)) {
        const bool same = FColor == p->FColor && FMode == p->FMode && FStyle == p->FStyle && FWidth == p->FWidth &&
                          FHasHandle == p->FHasHandle && (!FHasHandle || FHandle == p->FHandle);
        FColor = p->FColor;
        FMode = p->FMode;
        FStyle = p->FStyle;
        FWidth = p->FWidth;
        FHasHandle = p->FHasHandle;
        FHandle = p->FHandle;
        if (!same) Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TPen::DropHandle()
{
    FHasHandle = false;
}

void TPen::SetColor(TColor value)
{
    if (!StoreChanged(FColor, value)) return;
    DropHandle();
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (StoreChanged(FMode, value)) Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (!StoreChanged(FStyle, value)) return;
    DropHandle();
    Changed();
}

void TPen::SetWidth(int value)
{
    if (value < 0) value = 0;
    if (!StoreChanged(FWidth, value)) return;
    DropHandle();
    Changed();
}

void TPen::SetHandle(const TPenHandle& handle)
{
    FHasHandle = true;
    FHandle = handle;
    Changed();
}

// ---- TBrush

TBrush::TBrush(QObject* parent) : TGraphicsObject(parent) {}

void TBrush::Assign(TPersistent* Source)
{
    if (auto* b = qobject_cast<TBrush*>(Source)) {
        const bool same = FColor == b->FColor && FStyle == b->FStyle && FBitmap == b->FBitmap;
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        if (!same) Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor value)
{
    if (!StoreChanged(FColor, value)) return;
    // Choosing a colour for a clear brush makes it solid, as the class library does.
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (StoreChanged(FStyle, value)) Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
    if (StoreChanged(FBitmap, value)) Changed();
}

// ---- TFont

TFont::TFont(QObject* parent) : TGraphicsObject(parent) {}

void TFont::Assign(TPersistent* Source)
{
    if (auto* f = qobject_cast<TFont*>(Source)) {
        FCharset = f->FCharset;
        FColor = f->FColor;
        FHeight = f->FHeight;
        FName = f->FName;
        FPitch = f->FPitch;
        FStyle = f->FStyle;
        FOrientation = f->FOrientation;
        FQuality = f->FQuality;
        // A font described for another resolution keeps its point size on this one.
        if (PixelsPerInch != f->PixelsPerInch) FHeight = -MulDiv(f->GetSize(), PixelsPerInch, 72);
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TFont::SetCharset(int value)
{
    if (StoreChanged(FCharset, value)) Changed();
}

void TFont::SetColor(TColor value)
{
    if (StoreChanged(FColor, value)) Changed();
}

void TFont::SetHeight(int value)
{
    if (StoreChanged(FHeight, value)) Changed();
}

void TFont::SetName(const AnsiString& value)
{
    if (value.empty() || value == FName) return;
    FName = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (StoreChanged(FPitch, value)) Changed();
}

int TFont::GetSize() const
{
    return -MulDiv(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(int value)
{
    SetHeight(-MulDiv(value, PixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles value)
{
    if (StoreChanged(FStyle, value)) Changed();
}

void TFont::SetOrientation(int value)
{
    if (StoreChanged(FOrientation, value)) Changed();
}

void TFont::SetQuality(TFontQuality value)
{
    if (StoreChanged(FQuality, value)) Changed();
}

QFont TFont::ToQFont() const
{
    QFont f(QString::fromStdString(FName));
    f.setBold(FStyle.testFlag(fsBold));
    f.setItalic(FStyle.testFlag(fsItalic));
    f.setUnderline(FStyle.testFlag(fsUnderline));
    f.setStrikeOut(FStyle.testFlag(fsStrikeOut));
    if (FPitch == fpFixed) f.setStyleHint(QFont::TypeWriter);
    f.setKerning(false);
    const bool smooth = FQuality == fqAntialiased || FQuality == fqClearType;
    f.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    int pixels = FHeight < 0 ? -FHeight : FHeight;
    if (FHeight > 0) {
        // A positive height is the cell (ascent + descent); Qt sizes the em square.
        QFont probe = f;
        probe.setPixelSize(1000);
        const double cell = QFontMetricsF(probe).height();
        if (cell > 0) pixels = std::max(1, Round(FHeight * 1000.0 / cell));
    }
    if (pixels == 0) pixels = 13;  // height 0 asks for the default size
    f.setPixelSize(pixels);
    return f;
}

bool TPen::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return IsColorStored();
    if (std::strcmp(Name, "Mode") == 0) return IsModeStored();
    if (std::strcmp(Name, "Style") == 0) return IsStyleStored();
    if (std::strcmp(Name, "Width") == 0) return IsWidthStored();
    return TGraphicsObject::IsPropertyStored(Name);
}

bool TBrush::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return IsColorStored();
    if (std::strcmp(Name, "Style") == 0) return IsStyleStored();
    return TGraphicsObject::IsPropertyStored(Name);
}

bool TFont::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Charset") == 0) return IsCharsetStored();
    if (std::strcmp(Name, "Color") == 0) return IsColorStored();
    if (std::strcmp(Name, "Height") == 0) return IsHeightStored();
    if (std::strcmp(Name, "Name") == 0) return IsNameStored();
    if (std::strcmp(Name, "Pitch") == 0) return IsPitchStored();
    if (std::strcmp(Name, "Size") == 0) return false;
    if (std::strcmp(Name, "Style") == 0) return IsStyleStored();
    return TGraphicsObject::IsPropertyStored(Name);
}
