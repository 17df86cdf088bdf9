#pragma once
// The platform's metafile: a recorded drawing that is written as an enhanced metafile
// (".emf") when Enhanced is on and as an old-style placeable metafile (".wmf") when it is
// off, and read back from either. Width and height are the picture's frame in pixels at
// 96 dpi. The records play onto any canvas at any size; what was painted straight with the
// painter is kept beside them as a QPicture and drawn over them.
#include <QByteArray>
#include <QPicture>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

class QMimeData;
class TStream;
namespace platform::meta {
class RecordWriter;
}

class TMetafile : public TGraphic {
    Q_OBJECT
public:
    explicit TMetafile(QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    // The frame the next recording is made for; files recorded already keep theirs.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool value) { FEnhanced = value; }
    // Plays the drawing scaled into r (onto a recording canvas as records).
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    // The drawing played onto a white image of the frame's size.
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMetafile>(); }
    // Reads an enhanced or old-style metafile; EInvalidGraphic names what it cannot read,
    // EInOutError a file that cannot be opened. The metafile is unchanged when reading fails.
    void LoadFromFile(const AnsiString& FileName) override;
    void LoadFromBytes(std::string_view bytes);
    // Writes the enhanced or the old-style file by Enhanced.
    void SaveToFile(const AnsiString& FileName) override;
    void SaveToStream(TStream* Stream) const;
    // The file's bytes in either format.
    QByteArray Bytes(bool Enhanced) const;
    // What the clipboard gets: the enhanced metafile under its MIME types ("image/x-emf"
    // and "image/emf") together with the picture as a bitmap, for programs that take
    // only one of them. The caller hands it to the clipboard.
    QMimeData* ClipboardData() const;
    QPicture& Picture() { return FPicture; }
    const QPicture& Picture() const { return FPicture; }

private:
    friend class TMetafileCanvas;
    void Clear();
    QPicture FPicture;
    QByteArray FEmf, FWmf;
    int FWidth = 0;
    int FHeight = 0;
    bool FEnhanced = true;
};

// Records drawing into a metafile: every call becomes the records of both formats. The
// recording is complete when the canvas is destroyed. Drawing done straight with the
// painter (Painter()) goes into the metafile's picture instead, which no file holds.
class TMetafileCanvas : public TCanvas {
    Q_OBJECT
public:
    explicit TMetafileCanvas(TMetafile* AMetafile);
    ~TMetafileCanvas() override;

    using TCanvas::Ellipse;
    using TCanvas::Polygon;
    using TCanvas::Polyline;
    using TCanvas::Rectangle;
    void MoveTo(int X, int Y) override;
    void LineTo(int X, int Y) override;
    void PolylineTo(const TPoint* points, int count) override;
    void Rectangle(int X1, int Y1, int X2, int Y2) override;
    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) override;
    void Ellipse(int X1, int Y1, int X2, int Y2) override;
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void ArcTo(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) override;
    void Polyline(const TPoint* points, int count) override;
    void Polygon(const TPoint* points, int count) override;
    void SetPixel(int X, int Y, TColor color) override;
    void TextOut(int X, int Y, const AnsiString& Text) override;
    void TextRect(const TRect& r, int X, int Y, const AnsiString& Text) override;
    void StretchDraw(const TRect& r, TGraphic* graphic) override;
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) override;
    int SelectClipRgn(const QRegion* region) override;
    void StrokePath() override;
    void FillPath() override;
    void StrokeAndFillPath() override;

private:
    // Records only outside paths (which collect outlines) and outside the drawing the
    // canvas does itself.
    bool Recording() const { return !FDrawing && !InPath(); }
    template <typename F>
    void Drawn(F&& draw);
    enum class Use { Pen, Shape, Fill };
    void Sync(Use use);
    void SyncText();
    void ForWriters(const std::function<void(platform::meta::RecordWriter&)>& f);
    void RecordPolyline(const TPoint* points, int count, bool closed);
    void RecordArc(int kind, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void RecordPath(bool fill, bool stroke);
    void RecordText(const TRect* clip, int X, int Y, const AnsiString& Text);
    void RecordImage(const TRect& r, const QImage& image, const QRectF& source);
    // Moves the writers' pen where the canvas's is, when it is not there already.
    void MoveWritersTo(TPoint p);

    TMetafile* FMetafile;
    std::unique_ptr<platform::meta::RecordWriter> FEmf, FWmf;
    bool FDrawing = false;
    bool FClipDirty = true;
    // Where the writers' pen is, when known.
    std::optional<TPoint> FWriterPos;
};
