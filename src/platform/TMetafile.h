#pragma once
// A recorded drawing (the platform's metafile) kept as a QPicture, and the canvas that
// records into it. Width and height are the picture's logical frame.
#include <QPicture>

#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

class TMetafile : public TGraphic {
    Q_OBJECT
public:
    explicit TMetafile(QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool value) { FEnhanced = value; }
    // Plays the drawing scaled into r.
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    // The drawing played onto a white image of the frame's size.
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMetafile>(); }
    // The recorded drawing in Qt's picture format; EInOutError when the file fails.
    void LoadFromFile(const AnsiString& FileName) override;
    void SaveToFile(const AnsiString& FileName) override;
    QPicture& Picture() { return FPicture; }
    const QPicture& Picture() const { return FPicture; }

private:
    QPicture FPicture;
    int FWidth = 0;
    int FHeight = 0;
    bool FEnhanced = true;
};

// Records drawing into a metafile; the recording is complete when the canvas is destroyed.
class TMetafileCanvas : public TCanvas {
    Q_OBJECT
public:
    explicit TMetafileCanvas(TMetafile* AMetafile);
    ~TMetafileCanvas() override;

private:
    TMetafile* FMetafile;
};
