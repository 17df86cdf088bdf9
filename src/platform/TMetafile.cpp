#include "platform/TMetafile.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <array>

#include "platform/EInvalidGraphic.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"
#include "platform/MetafileReader.h"
#include "platform/MetafileWriter.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"
#include "platform/TStream.h"
#include "platform/TextCodec.h"

namespace meta = platform::meta;

TMetafile::TMetafile(QObject* parent) : TGraphic(parent) {}

void TMetafile::Assign(TPersistent* Source)
{
    if (auto* m = qobject_cast<TMetafile*>(Source)) {
        FPicture = m->FPicture;
        FEmf = m->FEmf;
        FWmf = m->FWmf;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        FEnhanced = m->FEnhanced;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TMetafile::SetWidth(int value)
{
    FWidth = value;
    FPicture.setBoundingRect(QRect(0, 0, FWidth, FHeight));
}

void TMetafile::SetHeight(int value)
{
    FHeight = value;
    FPicture.setBoundingRect(QRect(0, 0, FWidth, FHeight));
}

void TMetafile::Clear()
{
    FPicture = QPicture();
    FEmf.clear();
    FWmf.clear();
}

void TMetafile::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (!ACanvas || FWidth <= 0 || FHeight <= 0) return;
    // The records play onto any canvas: pixels on images and printers, records again on
    // another metafile.
    if (!FEmf.isEmpty()) meta::Play(std::string_view(FEmf.constData(), std::size_t(FEmf.size())), ACanvas, r, false);
    if (FPicture.isNull()) return;
    QPainter* p = ACanvas->Painter();
    if (!p) return;
    p->save();
    p->translate(r.Left, r.Top);
    p->scale(double(r.Width()) / FWidth, double(r.Height()) / FHeight);
    p->drawPicture(0, 0, FPicture);
    p->restore();
}

QImage TMetafile::ToImage() const
{
    QImage img(std::max(FWidth, 1), std::max(FHeight, 1), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas canvas;
        canvas.SetDevice(&img);
        if (!FEmf.isEmpty())
            meta::Play(std::string_view(FEmf.constData(), std::size_t(FEmf.size())), &canvas,
                       TRect(0, 0, img.width(), img.height()), false);
    }
    if (!FPicture.isNull()) {
        QPainter p(&img);
        p.drawPicture(0, 0, FPicture);
    }
    return img;
}

QByteArray TMetafile::Bytes(bool Enhanced) const
{
    const QByteArray& recorded = Enhanced ? FEmf : FWmf;
    if (!recorded.isEmpty()) return recorded;
    // Nothing recorded yet: an empty picture of the frame.
    auto writer = Enhanced ? meta::MakeEmfWriter(FWidth, FHeight) : meta::MakeWmfWriter(FWidth, FHeight);
    return writer->Finish();
}

QMimeData* TMetafile::ClipboardData() const
{
    auto* data = new QMimeData;
    const QByteArray emf = Bytes(true);
    data->setData(QStringLiteral("image/x-emf"), emf);
    data->setData(QStringLiteral("image/emf"), emf);
    data->setImageData(ToImage());
    return data;
}

void TMetafile::SaveToStream(TStream* Stream) const
{
    const QByteArray bytes = Bytes(FEnhanced);
    Stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TMetafile::SaveToFile(const AnsiString& FileName)
{
    const QByteArray bytes = Bytes(FEnhanced);
    std::string error;
    if (!platform::SaveFileAtomic(FileName, std::string_view(bytes.constData(), std::size_t(bytes.size())), &error))
        throw EInOutError("Cannot write file " + FileName + ": " + error);
}

void TMetafile::LoadFromFile(const AnsiString& FileName)
{
    std::string bytes, error;
    if (!platform::ReadFileBytes(FileName, bytes, &error)) throw EInOutError("Cannot read file " + FileName);
    LoadFromBytes(bytes);
}

void TMetafile::LoadFromBytes(std::string_view bytes)
{
    const meta::Frame frame = meta::ReadFrame(bytes);
    TMetafile loaded;
    loaded.SetWidth(frame.width);
    loaded.SetHeight(frame.height);
    {
        TMetafileCanvas canvas(&loaded);
        meta::Play(bytes, &canvas, TRect(0, 0, frame.width, frame.height));
    }
    loaded.SetEnhanced(frame.enhanced);
    Assign(&loaded);
}

// ---- recording

namespace {

meta::FontSpec FontSpecOf(const TFont* f)
{
    meta::FontSpec s;
    s.height = f->GetHeight();
    s.escapement = f->GetOrientation();
    s.weight = f->GetStyle().testFlag(fsBold) ? 700 : 400;
    s.italic = f->GetStyle().testFlag(fsItalic);
    s.underline = f->GetStyle().testFlag(fsUnderline);
    s.strikeOut = f->GetStyle().testFlag(fsStrikeOut);
    s.charset = f->GetCharset() & 0xFF;
    s.quality = int(f->GetQuality());
    s.pitch = f->GetPitch() == fpFixed ? 1 : f->GetPitch() == fpVariable ? 2 : 0;
    s.face = QString::fromStdString(f->GetName()).left(31);
    return s;
}

TPoint Rounded(const QPointF& p)
{
    return TPoint(Round(p.x()), Round(p.y()));
}

}  // namespace

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile)
    : FMetafile(AMetafile),
      FEmf(meta::MakeEmfWriter(AMetafile->GetWidth(), AMetafile->GetHeight())),
      FWmf(meta::MakeWmfWriter(AMetafile->GetWidth(), AMetafile->GetHeight()))
{
    SetDevice(&FMetafile->Picture());
}

TMetafileCanvas::~TMetafileCanvas()
{
    Release();
    // Recording sets the bounds to what was drawn; the frame stays the metafile's.
    FMetafile->Picture().setBoundingRect(QRect(0, 0, FMetafile->GetWidth(), FMetafile->GetHeight()));
    FMetafile->FEmf = FEmf->Finish();
    FMetafile->FWmf = FWmf->Finish();
}

template <typename F>
void TMetafileCanvas::Drawn(F&& draw)
{
    TScopedValue<bool> drawing(FDrawing, true);
    draw();
}

void TMetafileCanvas::ForWriters(const std::function<void(meta::RecordWriter&)>& f)
{
    f(*FEmf);
    f(*FWmf);
}

void TMetafileCanvas::Sync(Use use)
{
    const meta::Mapping mapping{GetMapMode(), GetWindowOrg(), GetViewportOrg(), GetWindowExt(), GetViewportExt()};
    std::optional<QRegion> clip;
    if (FClipDirty) {
        QRegion region;
        if (GetClipRgn(region)) clip = region;
    }
    meta::PenSpec pen;
    if (use == Use::Fill) {
        pen.style = PS_NULL;
    } else if (Pen()->HasExtendedHandle()) {
        const TPenHandle& h = Pen()->ExtendedHandle();
        pen = meta::PenSpec{h.Style, h.Width, h.Color, true};
    } else {
        pen.style = EffectivePenStyle();
        if ((pen.style & PS_STYLE_MASK) == PS_INSIDEFRAME) pen.style = PS_SOLID;
        pen.width = Pen()->GetWidth();
        pen.color = Pen()->GetColor();
    }
    meta::BrushSpec brush;
    if (use != Use::Pen) {
        brush.pattern = BrushPattern();
        if (!brush.pattern.isNull()) {
            brush.style = meta::BS_DIBPATTERNPT;
        } else if (Brush()->GetStyle() == bsClear) {
            brush.style = meta::BS_NULL;
        } else if (Brush()->GetStyle() == bsSolid) {
            brush.color = Brush()->GetColor();
        } else {
            brush.style = meta::BS_HATCHED;
            brush.color = Brush()->GetColor();
            brush.hatch = unsigned(Brush()->GetStyle()) - unsigned(bsHorizontal);
        }
    }
    // Rectangles filled with the brush alone ignore the mix mode.
    const int rop = use == Use::Fill ? R2_COPYPEN : GetROP2();
    const bool clipDirty = FClipDirty;
    FClipDirty = false;
    ForWriters([&](meta::RecordWriter& w) {
        w.SetMapping(mapping);
        if (clipDirty) w.SetClip(clip);
        w.SetROP2(rop);
        w.SetBkMode(GetBkMode());
        w.SetBkColor(GetBkColor());
        w.SetArcDirection(GetArcDirection());
        w.SelectPen(pen);
        if (use != Use::Pen) w.SelectBrush(brush);
    });
}

void TMetafileCanvas::SyncText()
{
    Sync(Use::Pen);
    const meta::FontSpec font = FontSpecOf(TextFont());
    const TColor color = GetTextColor();
    ForWriters([&](meta::RecordWriter& w) {
        w.SelectFont(font);
        w.SetTextColor(color);
        w.SetTextAlign(GetTextAlign());
    });
}

void TMetafileCanvas::MoveWritersTo(TPoint p)
{
    if (FWriterPos == p) return;
    ForWriters([&](meta::RecordWriter& w) { w.MoveTo(p); });
    FWriterPos = p;
}

void TMetafileCanvas::MoveTo(int X, int Y)
{
    // The pen position only: the move is written just before the drawing that starts there,
    // after the pen it draws with, since some readers tie a move to the objects selected
    // after it.
    TCanvas::MoveTo(X, Y);
}

void TMetafileCanvas::LineTo(int X, int Y)
{
    if (!Recording()) {
        TCanvas::LineTo(X, Y);
        return;
    }
    const TPoint to(X, Y);
    PolylineTo(&to, 1);
}

void TMetafileCanvas::PolylineTo(const TPoint* points, int count)
{
    if (count <= 0) return;
    if (!Recording()) {
        TCanvas::PolylineTo(points, count);
        return;
    }
    Sync(Use::Pen);
    const QRectF guard = GuardRect();
    const TPoint from = GetPenPos();
    bool inside = guard.contains(QPointF(from.X, from.Y));
    for (int i = 0; i < count && inside; ++i) inside = guard.contains(QPointF(points[i].X, points[i].Y));
    if (inside) {
        MoveWritersTo(from);
        ForWriters(
            [&](meta::RecordWriter& w) { w.PolylineTo(from, std::span<const TPoint>(points, std::size_t(count))); });
        FWriterPos = points[count - 1];
    } else {
        // Segments reaching far beyond the picture are cut at the guard, each on its own.
        TPoint a = from;
        for (int i = 0; i < count; ++i) {
            QPointF p(a.X, a.Y), q(points[i].X, points[i].Y);
            if (ClipSegment(p, q, guard)) {
                const TPoint line[2] = {Rounded(p), Rounded(q)};
                ForWriters([&](meta::RecordWriter& w) { w.Polyline(line); });
            }
            a = points[i];
        }
        FWriterPos.reset();
        const TPoint end = points[count - 1];
        if (guard.contains(QPointF(end.X, end.Y))) MoveWritersTo(end);
    }
    SetPenPos(points[count - 1]);
}

void TMetafileCanvas::RecordPolyline(const TPoint* points, int count, bool closed)
{
    if (count < 2 || !points) return;
    Sync(closed ? Use::Shape : Use::Pen);
    const QRectF guard = GuardRect();
    bool inside = true;
    for (int i = 0; i < count && inside; ++i) inside = guard.contains(QPointF(points[i].X, points[i].Y));
    const std::span<const TPoint> all(points, std::size_t(count));
    if (inside) {
        ForWriters([&](meta::RecordWriter& w) { closed ? w.Polygon(all) : w.Polyline(all); });
        return;
    }
    if (closed) {
        QPolygonF poly;
        for (const TPoint& p : all) poly << QPointF(p.X, p.Y);
        std::vector<TPoint> clipped;
        for (const QPointF& p : ClipPolygonTo(poly, guard)) clipped.push_back(Rounded(p));
        if (clipped.size() >= 3) ForWriters([&](meta::RecordWriter& w) { w.Polygon(clipped); });
        return;
    }
    // The parts of the line inside the guard, each a polyline of its own.
    std::vector<TPoint> run;
    const auto flush = [&] {
        if (run.size() >= 2) ForWriters([&](meta::RecordWriter& w) { w.Polyline(run); });
        run.clear();
    };
    for (int i = 1; i < count; ++i) {
        QPointF p(points[i - 1].X, points[i - 1].Y), q(points[i].X, points[i].Y);
        const bool whole = guard.contains(p) && guard.contains(q);
        if (!ClipSegment(p, q, guard)) {
            flush();
            continue;
        }
        if (run.empty() || run.back() != Rounded(p)) {
            flush();
            run.push_back(Rounded(p));
        }
        run.push_back(Rounded(q));
        if (!whole) flush();
    }
    flush();
}

void TMetafileCanvas::Polyline(const TPoint* points, int count)
{
    if (!Recording()) {
        TCanvas::Polyline(points, count);
        return;
    }
    RecordPolyline(points, count, false);
}

void TMetafileCanvas::Polygon(const TPoint* points, int count)
{
    if (!Recording()) {
        TCanvas::Polygon(points, count);
        return;
    }
    RecordPolyline(points, count, true);
}

namespace {

// A box with its corners kept within the guard (what lies beyond is never seen).
TRect GuardedBox(int X1, int Y1, int X2, int Y2, const QRectF& guard)
{
    const auto cx = [&](int v) { return int(std::clamp<double>(v, guard.left(), guard.right())); };
    const auto cy = [&](int v) { return int(std::clamp<double>(v, guard.top(), guard.bottom())); };
    return TRect(cx(std::min(X1, X2)), cy(std::min(Y1, Y2)), cx(std::max(X1, X2)), cy(std::max(Y1, Y2)));
}

}  // namespace

void TMetafileCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    if (!Recording()) {
        TCanvas::Rectangle(X1, Y1, X2, Y2);
        return;
    }
    Sync(Use::Shape);
    const TRect r = GuardedBox(X1, Y1, X2, Y2, GuardRect());
    ForWriters([&](meta::RecordWriter& w) { w.Rectangle(r); });
}

void TMetafileCanvas::FillRect(const TRect& r)
{
    if (!FDrawing && !r.IsEmpty() && (Brush()->GetStyle() != bsClear || Brush()->GetBitmap())) {
        Sync(Use::Fill);
        // A rectangle without a pen leaves out its right and bottom edge: one more each.
        const TRect box = GuardedBox(r.Left, r.Top, r.Right + 1, r.Bottom + 1, GuardRect());
        ForWriters([&](meta::RecordWriter& w) { w.Rectangle(box); });
    }
}

void TMetafileCanvas::FrameRect(const TRect& r)
{
    if (!FDrawing && !r.IsEmpty()) {
        const TRect strips[4] = {
            TRect(r.Left, r.Top, r.Right, r.Top + 1), TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom),
            TRect(r.Left, r.Top, r.Left + 1, r.Bottom), TRect(r.Right - 1, r.Top, r.Right, r.Bottom)};
        if (Brush()->GetStyle() != bsClear || Brush()->GetBitmap()) {
            Sync(Use::Fill);
            const QRectF guard = GuardRect();
            for (const TRect& s : strips) {
                const TRect box = GuardedBox(s.Left, s.Top, s.Right + 1, s.Bottom + 1, guard);
                ForWriters([&](meta::RecordWriter& w) { w.Rectangle(box); });
            }
        }
    }
}

void TMetafileCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    if (!Recording()) {
        TCanvas::RoundRect(X1, Y1, X2, Y2, X3, Y3);
        return;
    }
    Sync(Use::Shape);
    const TRect r = GuardedBox(X1, Y1, X2, Y2, GuardRect());
    ForWriters([&](meta::RecordWriter& w) { w.RoundRect(r, TSize{std::abs(X3), std::abs(Y3)}); });
}

void TMetafileCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    if (!Recording()) {
        TCanvas::Ellipse(X1, Y1, X2, Y2);
        return;
    }
    Sync(Use::Shape);
    const TRect r(std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2));
    ForWriters([&](meta::RecordWriter& w) { w.Ellipse(r); });
}

void TMetafileCanvas::RecordArc(int kind, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Sync(kind == 0 ? Use::Pen : Use::Shape);
    const TRect box(std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2));
    const meta::ArcKind k = kind == 0 ? meta::ArcKind::Arc : kind == 1 ? meta::ArcKind::Pie : meta::ArcKind::Chord;
    ForWriters([&](meta::RecordWriter& w) { w.ArcShape(k, box, TPoint(X3, Y3), TPoint(X4, Y4)); });
}

void TMetafileCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    if (!Recording()) {
        TCanvas::Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
        return;
    }
    RecordArc(0, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TMetafileCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    if (!Recording()) {
        TCanvas::Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
        return;
    }
    RecordArc(1, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TMetafileCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    if (!Recording()) {
        TCanvas::Chord(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
        return;
    }
    RecordArc(2, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TMetafileCanvas::ArcTo(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    if (!Recording()) {
        TCanvas::ArcTo(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
        return;
    }
    // Neither format has an arc from the pen position that every player knows: the line
    // and the arc are written as the polyline the canvas strokes.
    const TPoint from = GetPenPos();
    Drawn([&] {
        TCanvas::BeginPath();
        TCanvas::MoveTo(from.X, from.Y);
        TCanvas::ArcTo(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
        TCanvas::EndPath();
    });
    RecordPath(false, true);
    TCanvas::AbortPath();
    FWriterPos.reset();  // the next drawing from the pen position moves there first
}

void TMetafileCanvas::SetPixel(int X, int Y, TColor color)
{
    if (!FDrawing && GuardRect().contains(QPointF(X, Y))) {
        Sync(Use::Pen);
        ForWriters([&](meta::RecordWriter& w) { w.SetPixel(TPoint(X, Y), color); });
    }
}

void TMetafileCanvas::RecordText(const TRect* clip, int X, int Y, const AnsiString& Text)
{
    const bool updateCP = (GetTextAlign() & TA_UPDATECP) != 0;
    const TPoint at = updateCP ? GetPenPos() : TPoint(X, Y);
    if (!GuardRect().contains(QPointF(at.X, at.Y))) return;
    SyncText();
    const QString text = QString::fromStdString(Text);
    // The advance of each character, so that players place the glyphs where this canvas
    // does whatever font they find.
    const QFontMetrics metrics(CurrentQFont());
    std::vector<int> dx;
    dx.reserve(std::size_t(text.size()));
    int before = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        const int upTo = metrics.horizontalAdvance(text.left(i));
        dx.push_back(upTo - before);
        before = upTo;
    }
    unsigned options = 0;
    TRect rect;
    if (clip) {
        options = meta::ETO_CLIPPED | (GetBkMode() == OPAQUE ? meta::ETO_OPAQUE : 0u);
        rect = *clip;
    }
    if (updateCP) MoveWritersTo(at);
    ForWriters([&](meta::RecordWriter& w) { w.TextOut(at, text, dx, options, rect); });
    if (updateCP) {
        // Players advance the pen by their own measure of the text; the canvas by its.
        FWriterPos.reset();
        const int w = TextWidth(Text);
        if ((GetTextAlign() & TA_CENTER) == TA_LEFT)
            SetPenPos(TPoint(at.X + w, at.Y));
        else if ((GetTextAlign() & TA_CENTER) == TA_RIGHT)
            SetPenPos(TPoint(at.X - w, at.Y));
    }
}

void TMetafileCanvas::TextOut(int X, int Y, const AnsiString& Text)
{
    if (!Recording()) {
        TCanvas::TextOut(X, Y, Text);
        return;
    }
    RecordText(nullptr, X, Y, Text);
}

void TMetafileCanvas::TextRect(const TRect& r, int X, int Y, const AnsiString& Text)
{
    if (!Recording()) {
        TCanvas::TextRect(r, X, Y, Text);
        return;
    }
    RecordText(&r, X, Y, Text);
}

void TMetafileCanvas::RecordImage(const TRect& r, const QImage& image, const QRectF& source)
{
    if (image.isNull() || r.IsEmpty()) return;
    Sync(Use::Pen);
    const QRectF target(r.Left, r.Top, double(r.Right) - r.Left, double(r.Bottom) - r.Top);
    const QRectF visible = target.intersected(GuardRect());
    if (visible.isEmpty()) return;
    QImage part = image;
    TRect dest = r;
    if (visible != target || source != QRectF(image.rect())) {
        // Only the part of the picture near the device, stretched as the whole would be.
        const double sx = source.width() / target.width(), sy = source.height() / target.height();
        const QRect from =
            QRectF(source.left() + (visible.left() - target.left()) * sx,
                   source.top() + (visible.top() - target.top()) * sy, visible.width() * sx, visible.height() * sy)
                .toAlignedRect()
                .intersected(image.rect());
        if (from.isEmpty()) return;
        part = image.copy(from);
        dest = TRect(Round(visible.left()), Round(visible.top()), Round(visible.right()), Round(visible.bottom()));
    }
    ForWriters([&](meta::RecordWriter& w) { w.StretchImage(dest, part); });
}

void TMetafileCanvas::StretchDraw(const TRect& r, TGraphic* graphic)
{
    if (FDrawing || !graphic || graphic->GetEmpty() || r.IsEmpty()) return;
    if (auto* metafile = qobject_cast<TMetafile*>(graphic)) {
        // Its records play into this canvas, which records them again.
        metafile->Draw(this, r);
        return;
    }
    const QImage image = graphic->ToImage();
    RecordImage(r, image, QRectF(image.rect()));
}

void TMetafileCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source)
{
    if (!FDrawing && Canvas && Canvas->Image() && !Dest.IsEmpty() && !Source.IsEmpty()) {
        TPoint s[2] = {Source.TopLeft(), Source.BottomRight()};
        Canvas->LPtoDP(s, 2);
        Canvas->Release();
        const QRect from(s[0].X, s[0].Y, s[1].X - s[0].X, s[1].Y - s[0].Y);
        const QImage part = Canvas->Image()->copy(from);
        RecordImage(Dest, part, QRectF(part.rect()));
    }
}

int TMetafileCanvas::SelectClipRgn(const QRegion* region)
{
    FClipDirty = true;
    return TCanvas::SelectClipRgn(region);
}

void TMetafileCanvas::RecordPath(bool fill, bool stroke)
{
    const QPainterPath& path = CurrentPath();
    std::vector<std::vector<TPoint>> polygons;
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
        std::vector<TPoint> points;
        for (const QPointF& p : poly) points.push_back(Rounded(p));
        if (points.size() >= 2) polygons.push_back(std::move(points));
    }
    if (polygons.empty()) return;
    if (fill) {
        Sync(Use::Shape);
        meta::PenSpec none;
        none.style = PS_NULL;
        ForWriters([&](meta::RecordWriter& w) {
            w.SelectPen(none);
            w.PolyPolygon(polygons);
        });
    }
    if (stroke) {
        Sync(Use::Pen);
        ForWriters([&](meta::RecordWriter& w) {
            for (const auto& p : polygons) w.Polyline(p);
        });
    }
}

void TMetafileCanvas::StrokePath()
{
    if (FDrawing || !PathDone()) {
        TCanvas::StrokePath();
        return;
    }
    RecordPath(false, true);
    TCanvas::AbortPath();
}

void TMetafileCanvas::FillPath()
{
    if (FDrawing || !PathDone()) {
        TCanvas::FillPath();
        return;
    }
    RecordPath(true, false);
    TCanvas::AbortPath();
}

void TMetafileCanvas::StrokeAndFillPath()
{
    if (FDrawing || !PathDone()) {
        TCanvas::StrokeAndFillPath();
        return;
    }
    RecordPath(true, true);
    TCanvas::AbortPath();
}
