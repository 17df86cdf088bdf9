#pragma once
// The drawing surface of the platform layer over QPainter. It keeps the device state the
// chart code reads back (pen position, background mode and colour, text colour and
// alignment, character spacing, mix mode, clipping, mapping) and implements the drawing
// rules of the platform the code was written for, once:
// - Rectangle(l, t, r, b) outlines l..r-1 x t..b-1; without a pen it fills one pixel less
//   on the right and bottom; FillRect fills l..r-1 x t..b-1.
// - LineTo leaves out the end pixel; MoveTo only moves the pen position.
// - Pen width 0 draws one device pixel whatever the mapping; wider pens are geometric
//   (round caps and joins unless an extended pen asks otherwise). Styled one-pixel lines
//   use the platform's pixel patterns (dash 18/6, dot 3/3, dash-dot 9/6/3/6,
//   dash-dot-dot 9/3/3/3/3/3); an alternate pen sets every other pixel.
// - The mix mode (SetROP2, from Pen.Mode) applies to lines and filled shapes on raster
//   devices, exactly (XOR twice restores the image).
// - Hatches and styled lines fill their gaps with the background colour in opaque mode.
// - Text is placed from the top-left of its character cell by the alignment flags.
// - Antialiasing is off unless Antialias is set.
// - Coordinates far outside the device are clipped before they reach Qt.
#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QTransform>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/GraphicsObjects.h"
#include "platform/GraphicsTypes.h"
#include "platform/TPersistent.h"

class QPaintDevice;
class QPainter;
class QImage;
class TGraphic;

// Region combination modes of the clipping calls.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Results of GetClipRgn and the region calls.
enum : int { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// Arc drawing directions.
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };

// Liang-Barsky: clips the segment a-b to r; false when nothing is left.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r);
// Sutherland-Hodgman: clips a closed polygon to r (the filled area stays the same inside r).
QPolygonF ClipPolygonTo(const QPolygonF& poly, const QRectF& r);
// The platform's pen style code of a pen style.
unsigned PenStyleCode(TPenStyle style);

class TCanvas : public TPersistent {
    Q_OBJECT
public:
    explicit TCanvas(QObject* parent = nullptr);
    ~TCanvas() override;

    // The device drawn on (not owned). Changing it ends the painting on the old one and
    // resets the device state (as a new device context would).
    void SetDevice(QPaintDevice* device);
    QPaintDevice* Device() const { return FDevice; }
    // True for image devices, where mix modes and pixel reads work.
    bool IsRasterDevice() const;
    // The image drawn on, or null for other devices.
    QImage* Image() const;
    // Resolution of the device in dots per inch (fonts convert points with it).
    int PixelsPerInchX() const;
    int PixelsPerInchY() const;
    // Ends painting on the device; the next drawing call begins again. Call before the
    // device itself is changed or replaced.
    void Release();
    // The painter, begun and set to the device state (mapping, clipping); for callers that
    // draw what the canvas has no call for.
    QPainter* Painter();

    TPen* Pen() const { return FPen; }
    TBrush* Brush() const { return FBrush; }
    TFont* Font() const { return FFont; }
    void SetPen(TPen* value) { FPen->Assign(value); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    void SetFont(TFont* value) { FFont->Assign(value); }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Lines and shapes (logical coordinates).
    virtual void MoveTo(int X, int Y);
    virtual void LineTo(int X, int Y);
    // LineTo to each point in turn (the same pixels), with the state checks made once: for
    // polylines of many segments.
    virtual void PolylineTo(const TPoint* points, int count);
    TPoint GetPenPos() const { return FPenPos; }
    void SetPenPos(TPoint value) { FPenPos = value; }
    virtual void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    virtual void FillRect(const TRect& r);
    // Rectangle(R) without a pen in the brush's solid colour, mixed with what was under it
    // within Area (device pixels): there every channel becomes MixChannel(before, colour,
    // alphaBefore, 255 - alphaBefore) and the pixel opaque; the rest of the rectangle takes
    // the colour. Written straight into a raster image; false, with nothing drawn, where
    // that could differ from Rectangle (a pattern, a pen, a mapping, a complex clip, ...).
    bool FillRectangleMixed(const TRect& R, const TRect& Area, unsigned alphaBefore);
    // The pixels FillRect(column) with a solid brush of colours[i] gives for every column
    // r.Left + i of r, one row copied to all rows. False, with nothing drawn, where the
    // canvas cannot be written straight (the caller fills the columns then).
    bool FillColumns(const TRect& r, const QRgb* colours);
    virtual void FrameRect(const TRect& r);
    virtual void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    virtual void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Bounding box (X1, Y1)-(X2, Y2), counter-clockwise from the radial through (X3, Y3)
    // to the radial through (X4, Y4).
    virtual void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    virtual void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    virtual void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    // Line from the pen position to the arc's start, the arc (in the arc direction), and
    // the pen position to the arc's end.
    virtual void ArcTo(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    int SetArcDirection(int direction);
    int GetArcDirection() const { return FArcDirection; }
    virtual void Polyline(const TPoint* points, int count);
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }
    // Alternate fill mode, as the platform's default.
    virtual void Polygon(const TPoint* points, int count);
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
    TColor GetPixel(int X, int Y);
    virtual void SetPixel(int X, int Y, TColor color);

    // Text with the device font, text colour, alignment, background mode and spacing.
    virtual void TextOut(int X, int Y, const AnsiString& Text);
    // TextOut clipped to r (opaque mode fills r with the background colour first).
    virtual void TextRect(const TRect& r, int X, int Y, const AnsiString& Text);
    TSize TextExtent(const AnsiString& Text);
    int TextWidth(const AnsiString& Text) { return TextExtent(Text).cx; }
    // The cell height: the same for every text.
    int TextHeight(const AnsiString&) { return TextAscent() + TextDescent(); }
    // Cell metrics of the selected font in logical units.
    int TextAscent();
    int TextDescent();
    // Selects a font for text output instead of Font until it is deselected with null (the
    // caller keeps it alive meanwhile).
    void SelectFont(const TFont* font);

    // Pictures and block transfers.
    void Draw(int X, int Y, TGraphic* graphic);
    virtual void StretchDraw(const TRect& r, TGraphic* graphic);
    // Copies Source of Canvas to Dest of this canvas (source copy, stretched when sizes
    // differ).
    virtual void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    // Source copy of w x h pixels from Source at (XSrc, YSrc) to (X, Y).
    void BitBlt(int X, int Y, int w, int h, TCanvas* Source, int XSrc, int YSrc);

    // Device state.
    int SetBkMode(int mode);
    int GetBkMode() const { return FBkMode; }
    TColor SetBkColor(TColor color);
    TColor GetBkColor() const { return FBkColor; }
    TColor SetTextColor(TColor color);
    TColor GetTextColor();
    unsigned SetTextAlign(unsigned flags);
    unsigned GetTextAlign() const { return FTextAlign; }
    int SetTextCharacterExtra(int extra);
    int GetTextCharacterExtra() const { return FCharExtra; }
    int SetROP2(int rop);
    int GetROP2();
    bool Antialias = false;

    // Mapping of logical to device coordinates.
    int SetMapMode(int mode);
    int GetMapMode() const { return FMapMode; }
    void SetWindowOrgEx(int X, int Y);
    void SetWindowExtEx(int X, int Y);
    void SetViewportOrgEx(int X, int Y);
    void SetViewportExtEx(int X, int Y);
    TPoint GetWindowOrg() const { return FWindowOrg; }
    TSize GetWindowExt() const { return FWindowExt; }
    TPoint GetViewportOrg() const { return FViewportOrg; }
    TSize GetViewportExt() const { return FViewportExt; }
    void LPtoDP(TPoint* points, int count) const;
    void DPtoLP(TPoint* points, int count) const;
    QTransform Transform() const;

    // Clipping, as a region in device coordinates.
    // Copies the clipping into region; 1 when there is one, 0 when not.
    int GetClipRgn(QRegion& region) const;
    bool HasClipping() const { return FHasClip; }
    // null removes the clipping.
    virtual int SelectClipRgn(const QRegion* region);
    int ExtSelectClipRgn(const QRegion* region, int mode);
    // Logical rectangle.
    int IntersectClipRect(int Left, int Top, int Right, int Bottom);
    int ExcludeClipRect(int Left, int Top, int Right, int Bottom);
    // The visible part in logical coordinates (the device bounds when nothing clips).
    TRect ClipRect() const;

    // Paths: between BeginPath and EndPath the shape calls (MoveTo, LineTo, ArcTo,
    // Polyline, Polygon, Rectangle, Ellipse, TextOut) record outlines instead of drawing.
    void BeginPath();
    void EndPath();
    void AbortPath();
    bool InPath() const { return FPathOpen; }
    virtual void StrokePath();
    virtual void FillPath();
    virtual void StrokeAndFillPath();
    // Replaces the path by the area the current pen would paint along it.
    void WidenPath();
    int SelectClipPath(int mode);

    // The device bounds in device pixels.
    TRect DeviceRect() const;

protected:
    // What a canvas that records drawing reads of the state.
    const TFont* TextFont() const { return FTempFont ? FTempFont : FFont; }
    QFont CurrentQFont() const;
    // The pattern a bitmap brush fills with (monochrome patterns in text and background
    // colour); null without a bitmap.
    QImage BrushPattern() const;
    // The closed path (after EndPath) and the end of using it.
    const QPainterPath& CurrentPath() const { return FPath; }
    bool PathDone() const { return FPathDone; }
    // Logical coordinates up to which shapes go to the device unchanged.
    QRectF GuardRect() const;
    // The platform's pen as this canvas draws it: wide pens from properties are solid.
    unsigned EffectivePenStyle() const;

private:
    void Begin();
    void Changing();
    void DoChanged();
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();
    void ApplyComposition(bool forShapes);
    void ApplyClip();
    QPen MakeQPen(bool& drawn, bool& cosmetic, bool& styled) const;
    QBrush MakeQBrush(bool& drawn) const;
    // The pixels a text's glyphs set when drawn without smoothing, relative to the start of
    // its baseline: one row of bytes (0 or 1) per pixel row from (Left, Top). Not usable
    // where the glyphs would blend (smoothed edges) or reach beyond the measured box.
    struct TextMask {
        bool usable = false;
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<std::uint8_t> bits;
    };
    struct FontCache {
        const TFont* font;
        std::uint64_t serial;
        int extra;
        bool antialias;
        // What the Qt font is made of: a font assigned the same description again (charts
        // assign their fonts before every text) keeps its Qt font.
        AnsiString name;
        TFontStyles style;
        TFontPitch pitch;
        TFontQuality quality;
        int height;
        QFont qfont;
        QFontMetrics metrics;
        // The metrics' ascent and descent, which the metrics look up in the font engine
        // on every call.
        int ascent;
        int descent;
        // Widths of texts measured with this font (shared by the canvases of a thread).
        std::shared_ptr<std::unordered_map<std::string, int>> widths;
        // Shaped texts of this font (shared likewise): the glyphs and their positions from
        // the baseline's start.
        std::shared_ptr<std::unordered_map<std::string, QList<QGlyphRun>>> runs;
        // The pixels the kept runs of a text set, for fonts drawn without smoothing.
        std::shared_ptr<std::unordered_map<std::string, TextMask>> masks;
    };
    static const TextMask* MaskOf(const FontCache& cache, const AnsiString& Text, const QList<QGlyphRun>& runs);
    bool DirectText(int X, int Y, const TextMask& mask);
    const FontCache& CurrentFontCache() const;
    // The advance width of Text in the font: labels are measured again and again.
    static int AdvanceOf(const FontCache& cache, const AnsiString& Text);
    // The shaped glyphs of Text, where they can be kept; null where the text is drawn as is.
    static const QList<QGlyphRun>* RunsOf(const FontCache& cache, const AnsiString& Text);
    mutable std::unique_ptr<FontCache> FFontCache;
    double DeviceScale() const;
    void StrokeLine(QPointF a, QPointF b);
    void CosmeticPolyline(const QPolygonF& logical, const QList<qreal>& pattern, TColor color);
    // One-pixel pen: colour, background of the gaps and pattern runs (on, off, ...).
    struct RasterPen {
        static constexpr int kMaxRuns = 6;
        static constexpr int kMaxTable = 64;
        QRgb color = 0;
        QRgb gap = 0;
        bool opaqueGaps = false;
        int count = 0;
        long long runs[kMaxRuns] = {};
        long long period = 0;
        // IsOn for each step of a period of up to kMaxTable steps (all the platform's).
        bool on[kMaxTable] = {};
        void SetPattern(const QList<qreal>& pattern);
        bool IsOn(long long step) const;
    };
    struct DirectPixels {
        bool known = false;
        bool usable = false;
        const QImage* image = nullptr;
        uchar* bits = nullptr;  // null: nothing of the device is visible
        qsizetype stride = 0;
        TRect bounds;
    };
    // Everything the realised line pen depends on: the pen and the canvas state that
    // colours and places it.
    struct LinePenState {
        std::uint64_t penSerial = 0;
        int rop = -1;
        int bkMode = 0;
        TColor bkColor = clNone;
        bool antialias = false;
        int mapMode = 0;
        TPoint windowOrg, viewportOrg;
        TSize windowExt{0, 0}, viewportExt{0, 0};
        friend bool operator==(const LinePenState&, const LinePenState&) = default;
    };
    struct LinePenCache {
        LinePenState state;
        bool usable = false;
        bool drawn = false;
        long long shiftX = 0, shiftY = 0;
        RasterPen pen;
    };
    bool DirectTarget(DirectPixels& target);
    struct DirectArea {
        uchar* bits = nullptr;
        qsizetype stride = 0;
        long long dx = 0, left = 0, top = 0, right = 0, bottom = 0;
    };
    bool DirectAreaOf(const TRect& r, DirectArea& a);
    bool DirectFill(const TRect& r);
    void DirectSegment(const DirectPixels& target, const RasterPen& pen, long long x0, long long y0, long long x1,
                       long long y1);
    const LinePenCache& LinePen();
    bool DirectLineTo(int X, int Y);
    void DrawShape(const QPainterPath& fill, const QPainterPath& outline, bool closedOutline);
    // Adds the shape to the open path, or draws it now (filled, or only its outline).
    void AddOrDrawShape(const QPainterPath& path, bool filled);
    void DrawPolyline(const TPoint* points, int count, bool closed);
    bool PathRecording() const { return FPathOpen; }
    QPainterPath EllipsePath(int X1, int Y1, int X2, int Y2) const;
    QPainterPath ArcPath(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4, int kind) const;
    void TextOutImpl(int X, int Y, const AnsiString& Text, const TRect* clip);

    QPaintDevice* FDevice = nullptr;
    std::unique_ptr<QPainter> FPainter;
    TPen* FPen;
    TBrush* FBrush;
    TFont* FFont;
    const TFont* FTempFont = nullptr;
    std::uint64_t FFontSerial = 0;
    TPoint FPenPos;
    long long FDashPhase = 0;
    int FBkMode = OPAQUE;
    TColor FBkColor = clWhite;
    TColor FTextColor = clBlack;
    unsigned FTextAlign = 0;
    int FCharExtra = 0;
    int FRop2 = R2_COPYPEN;
    std::uint64_t FPenSerial = 0;
    int FArcDirection = AD_COUNTERCLOCKWISE;
    int FMapMode = MM_TEXT;
    TPoint FWindowOrg, FViewportOrg;
    TSize FWindowExt{1, 1}, FViewportExt{1, 1};
    bool FHasClip = false;
    QRegion FClip;
    LinePenCache FLinePen;
    DirectPixels FDirect;
    bool FPathOpen = false;
    bool FPathDone = false;
    QPainterPath FPath;
};
