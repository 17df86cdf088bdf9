#pragma once
// Pictures: TGraphic is the base of every picture type, TBitmap a 32-bit RGB image with its
// own canvas, TPicture the owner of one graphic of any type.
#include <QImage>
#include <functional>
#include <memory>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/TPersistent.h"

class TCanvas;

class TGraphic : public TPersistent {
    Q_OBJECT
public:
    using TPersistent::TPersistent;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool GetEmpty() const { return GetWidth() <= 0 || GetHeight() <= 0; }
    virtual bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    // Pictures with a colour table (palette); our bitmaps have none.
    virtual bool HasPalette() const { return false; }
    // Draws the picture stretched into r of ACanvas.
    virtual void Draw(TCanvas* ACanvas, const TRect& r) = 0;
    // The picture as an image (for drawing and converting).
    virtual QImage ToImage() const = 0;
    // A new empty graphic of the same type (a picture copies graphics through it).
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;
    // Raise EInOutError when the file cannot be read or written.
    virtual void LoadFromFile(const AnsiString& FileName) = 0;
    virtual void SaveToFile(const AnsiString& FileName) = 0;
    TNotifyEvent OnChange;

protected:
    virtual void Changed();

private:
    bool FTransparent = false;
};

class TBitmap : public TGraphic {
    Q_OBJECT
public:
    explicit TBitmap(QObject* parent = nullptr);
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;

    int GetWidth() const override { return FImage.width(); }
    int GetHeight() const override { return FImage.height(); }
    // Resizing keeps the pixels that still fit; new pixels are white.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TBitmap>(); }
    void LoadFromFile(const AnsiString& FileName) override;
    void SaveToFile(const AnsiString& FileName) override;

    // The canvas drawing into this bitmap (created on first use, owned).
    TCanvas* Canvas();
    // The pixels (32-bit RGB, the top byte unused and kept at 0xFF). Ends painting on the
    // bitmap's canvas, so the image can be read or changed directly.
    QImage& Image();
    const QImage& Image() const;
    // Replaces the pixels by a copy of image (converted to 32-bit RGB).
    void SetImage(const QImage& image);
    // First pixel of a row (4 bytes per pixel: blue, green, red, unused).
    std::uint8_t* ScanLine(int row);

    // The stored pixel format; pixels are always held as 32-bit RGB, so this only tells
    // what the picture was or is to become (pf1bit also makes it monochrome).
    TPixelFormat GetPixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);
    // A monochrome bitmap used as a brush pattern takes the text and background colours.
    bool GetMonochrome() const { return FMonochrome; }
    void SetMonochrome(bool value);
    bool IgnorePalette = false;

private:
    void ReleaseCanvas() const;
    QImage FImage;
    TCanvas* FCanvas = nullptr;
    TPixelFormat FPixelFormat = pfDevice;
    bool FMonochrome = false;
};

class TPicture : public TPersistent {
    Q_OBJECT
public:
    explicit TPicture(QObject* parent = nullptr);
    ~TPicture() override;
    void Assign(TPersistent* Source) override;

    // The graphic held (null when empty). Setting copies the given graphic.
    TGraphic* GetGraphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* value);
    // The graphic as a bitmap: when the picture holds no bitmap, its content is replaced by
    // an empty bitmap (as the class library does).
    TBitmap* GetBitmap();
    void SetBitmap(TBitmap* value) { SetGraphic(value); }
    int GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
    int GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }
    // The graphic class registered for the file's extension reads it; any other file is
    // read as a bitmap (of any format Qt reads).
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);
    TNotifyEvent OnChange;

    // Graphic classes by file extension (without the dot, any case). The libraries that
    // hold the classes register them at start; a later registration of an extension wins.
    using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
    static void RegisterFileFormat(const AnsiString& Extension, const char* ClassName, TGraphicFactory Factory);
    // Removes every extension registered for the class.
    static void UnregisterGraphicClass(const char* ClassName);
    // A new, empty graphic of the class registered for the extension; null when none is.
    static std::unique_ptr<TGraphic> GraphicForExtension(const AnsiString& Extension);

private:
    void Changed();
    void Adopt(std::unique_ptr<TGraphic> graphic);
    std::unique_ptr<TGraphic> FGraphic;
};
