#pragma once
// Pen, brush and font of a canvas. Each notifies its owner (OnChange) when a property
// really changes; the canvas realises them on the device when it next draws.
#include <QString>
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/TPersistent.h"

class TBitmap;
class QFont;

// Multiplies a by b and divides by c, rounding half away from zero (0 when c is 0), as the
// platform's MulDiv.
int MulDiv(int a, int b, int c);

class TGraphicsObject : public TPersistent {
    Q_OBJECT
public:
    explicit TGraphicsObject(QObject* parent = nullptr);
    TNotifyEvent OnChange;
    // Unique among all graphics objects and renewed with every notified change; a canvas
    // compares it to know when to realise the object again.
    std::uint64_t Serial() const { return FSerial; }

protected:
    // Called after a property changed: bumps the serial and calls OnChange.
    virtual void Changed();

private:
    std::uint64_t FSerial;
};

// An extended pen as created by the platform's ExtCreatePen: the style code carries the
// pen type (cosmetic/geometric), end cap, join and line style.
struct TPenHandle {
    unsigned Style = PS_SOLID;
    int Width = 0;
    TColor Color = clBlack;
    friend bool operator==(const TPenHandle&, const TPenHandle&) = default;
};
TPenHandle ExtCreatePen(unsigned style, int width, TColor color);

class TPen : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(gfx::TPenMode Mode READ GetMode WRITE SetMode)
    Q_PROPERTY(gfx::TPenStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth)
public:
    explicit TPen(QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TPenMode GetMode() const { return FMode; }
    void SetMode(TPenMode value);
    TPenStyle GetStyle() const { return FStyle; }
    void SetStyle(TPenStyle value);
    int GetWidth() const { return FWidth; }
    void SetWidth(int value);

    // An extended pen replaces what the properties describe until the next property change.
    void SetHandle(const TPenHandle& handle);
    bool HasExtendedHandle() const { return FHasHandle; }
    const TPenHandle& ExtendedHandle() const { return FHandle; }

    // The value of each property that is not stored (subclasses change them).
    TColor DefaultColor = clBlack;
    TPenStyle DefaultStyle = psSolid;
    int DefaultWidth = 1;

    bool IsPropertyStored(const char* Name) const override;

protected:
    bool IsColorStored() const { return FColor != DefaultColor; }
    bool IsModeStored() const { return FMode != pmCopy; }
    bool IsStyleStored() const { return FStyle != DefaultStyle; }
    bool IsWidthStored() const { return FWidth != DefaultWidth; }

private:
    void DropHandle();
    TColor FColor = clBlack;
    TPenMode FMode = pmCopy;
    TPenStyle FStyle = psSolid;
    int FWidth = 1;
    bool FHasHandle = false;
    TPenHandle FHandle;
};

class TBrush : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(gfx::TBrushStyle Style READ GetStyle WRITE SetStyle)
public:
    explicit TBrush(QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap (not owned) fills instead of colour and style while it is set. A
    // monochrome bitmap takes the canvas's text colour for its black and the background
    // colour for its white pixels.
    TBitmap* GetBitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);

    // Colour and style are stored only when they differ from these.
    TColor DefaultColor = clWhite;
    TBrushStyle DefaultStyle = bsSolid;

    bool IsPropertyStored(const char* Name) const override;

protected:
    bool IsColorStored() const { return FColor != DefaultColor; }
    bool IsStyleStored() const { return FStyle != DefaultStyle; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// Height in pixels: negative is the character height (the size of the letters without
// internal leading), positive the cell height. Size in points converts with
// PixelsPerInch, the resolution of the device the font was last assigned for.
class TFont : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(int Charset READ GetCharset WRITE SetCharset)
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int Height READ GetHeight WRITE SetHeight)
    Q_PROPERTY(QString Name READ GetQName WRITE SetQName)
    Q_PROPERTY(gfx::TFontPitch Pitch READ GetPitch WRITE SetPitch)
    Q_PROPERTY(int Size READ GetSize WRITE SetSize STORED false)
    Q_PROPERTY(gfx::TFontStyles Style READ GetStyle WRITE SetStyle)
public:
    explicit TFont(QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    int GetCharset() const { return FCharset; }
    void SetCharset(int value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    int GetHeight() const { return FHeight; }
    void SetHeight(int value);
    AnsiString GetName() const { return FName; }
    void SetName(const AnsiString& value);
    TFontPitch GetPitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    int GetSize() const;
    void SetSize(int value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles value);
    // Escapement of the text in tenths of a degree, counter-clockwise.
    int GetOrientation() const { return FOrientation; }
    void SetOrientation(int value);
    TFontQuality GetQuality() const { return FQuality; }
    void SetQuality(TFontQuality value);
    int PixelsPerInch = 96;

    // The Qt font of this description at the given device resolution (the pixel size
    // follows Height; positive heights are converted from cell to character height).
    QFont ToQFont() const;

    // Values that are not stored.
    TColor DefaultColor = clWindowText;
    AnsiString DefaultName = "Arial";
    int DefaultHeight = -11;
    TFontStyles DefaultStyle{};

    bool IsPropertyStored(const char* Name) const override;

protected:
    bool IsCharsetStored() const { return FCharset != 1; }
    bool IsColorStored() const { return FColor != DefaultColor; }
    bool IsHeightStored() const { return FHeight != DefaultHeight; }
    bool IsNameStored() const { return FName != DefaultName; }
    bool IsPitchStored() const { return FPitch != fpDefault; }
    bool IsStyleStored() const { return FStyle != DefaultStyle; }

private:
    QString GetQName() const { return QString::fromStdString(FName); }
    void SetQName(const QString& v) { SetName(v.toStdString()); }
    int FCharset = 1;
    TColor FColor = clWindowText;
    int FHeight = -11;
    AnsiString FName = "Arial";
    TFontPitch FPitch = fpDefault;
    TFontStyles FStyle{};
    int FOrientation = 0;
    TFontQuality FQuality = fqDefault;
};
