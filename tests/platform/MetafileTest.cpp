// Metafiles: what a canvas draws becomes the records of both formats, the files carry the
// frame and counts other programs read, reading them back draws the same picture, and
// damaged or foreign files are refused with a message, never half read.
#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "platform/EInvalidGraphic.h"
#include "platform/Graphics.h"
#include "platform/MetafileRecords.h"
#include "platform/MetafileWriter.h"
#include "platform/TMetafile.h"
#include "support/PixelProbe.h"

using support::PixelAt;
namespace meta = platform::meta;

namespace {

constexpr int kW = 200, kH = 150;

// Every kind of drawing a chart does: styled and wide lines, fills and hatches, shapes,
// pies, clipping, a picture, text at angles and alignments, and a path.
void DrawScene(TCanvas* c)
{
    c->Brush()->SetColor(0x00C0FFFF);
    c->FillRect(TRect(0, 0, kW, kH));
    c->Pen()->SetColor(clNavy);
    c->Pen()->SetStyle(psDash);
    c->MoveTo(5, 5);
    c->LineTo(190, 5);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(3);
    const TPoint curve[] = {{5, 20}, {40, 12}, {80, 30}, {120, 14}, {190, 25}};
    c->Polyline(curve, 5);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    c->Rectangle(10, 35, 50, 60);
    c->Brush()->SetStyle(bsDiagCross);
    c->Brush()->SetColor(clBlue);
    c->Ellipse(60, 35, 100, 60);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clLime);
    c->Pie(110, 30, 150, 70, 150, 50, 130, 30);
    c->Brush()->SetColor(clFuchsia);
    const TPoint tri[] = {{160, 35}, {195, 60}, {160, 60}};
    c->Polygon(tri, 3);
    // A clipped part: the line and the fill end at the clip's edge.
    c->IntersectClipRect(10, 65, 60, 90);
    c->Brush()->SetColor(clTeal);
    c->FillRect(TRect(0, 70, 100, 80));
    c->MoveTo(0, 85);
    c->LineTo(100, 85);
    c->SelectClipRgn(nullptr);
    QImage picture(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) picture.setPixel(x, y, (x + y) % 2 ? qRgb(255, 128, 0) : qRgb(0, 0, 128));
    TBitmap bitmap;
    bitmap.SetImage(picture);
    c->StretchDraw(TRect(70, 65, 100, 85), &bitmap);
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    c->Font()->SetColor(clMaroon);
    c->SetBkMode(TRANSPARENT);
    c->SetTextAlign(TA_LEFT | TA_TOP);
    c->TextOut(110, 75,
               "25,5 \xC2\xB0"
               "C");
    c->SetTextAlign(TA_RIGHT | TA_BOTTOM);
    c->TextOut(195, 100, "right");
    c->SetTextAlign(TA_LEFT | TA_TOP);
    c->Font()->SetOrientation(900);
    c->TextOut(10, 140, "up");
    c->Font()->SetOrientation(0);
    c->SetBkMode(OPAQUE);
    c->SetBkColor(clYellow);
    c->TextRect(TRect(40, 105, 90, 118), 42, 105, "clipped text here");
    // A ring made as a path, as donuts are.
    c->Brush()->SetColor(clGreen);
    c->BeginPath();
    c->MoveTo(130, 130);
    c->ArcTo(110, 110, 150, 150, 130, 130, 130, 130);
    c->EndPath();
    c->StrokeAndFillPath();
    // A wide pen with flat ends, as legend symbols have, then a plain one-pixel pen again.
    c->Pen()->SetHandle(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, clOlive));
    c->MoveTo(100, 140);
    c->LineTo(140, 140);
    c->Pen()->SetWidth(2);
    c->Pen()->SetWidth(1);
    c->MoveTo(100, 146);
    c->LineTo(140, 146);
    c->Pen()->SetColor(clPurple);
    c->MoveTo(160, 110);
    c->ArcTo(160, 110, 190, 140, 190, 125, 160, 125);
    // A hollow frame: its colour given after its style, as a chart's back wall does.
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(clBlack);
    c->Rectangle(150, 8, 198, 28);
}

std::unique_ptr<TMetafile> RecordScene()
{
    auto m = std::make_unique<TMetafile>();
    m->SetWidth(kW);
    m->SetHeight(kH);
    TMetafileCanvas c(m.get());
    DrawScene(&c);
    return m;
}

int DifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

std::string_view View(const QByteArray& b)
{
    return std::string_view(b.constData(), std::size_t(b.size()));
}

std::uint32_t U32(const QByteArray& b, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint8_t(b[at + i]);
    return v;
}

unsigned U16(const QByteArray& b, qsizetype at)
{
    return std::uint8_t(b[at]) | (unsigned(std::uint8_t(b[at + 1])) << 8);
}

// The records of an enhanced metafile: type and byte offset.
std::vector<std::pair<std::uint32_t, qsizetype>> EmfRecords(const QByteArray& b)
{
    std::vector<std::pair<std::uint32_t, qsizetype>> out;
    for (qsizetype at = 0; at + 8 <= b.size();) {
        out.emplace_back(U32(b, at), at);
        if (U32(b, at) == meta::EMR_EOF) break;
        at += U32(b, at + 4);
    }
    return out;
}

}  // namespace

TEST(Metafile, BothFormatsPlayBackAsTheCanvasDrewThem)
{
    const auto m = RecordScene();
    const QImage drawn = m->ToImage();
    for (const bool enhanced : {true, false}) {
        TMetafile back;
        back.LoadFromBytes(View(m->Bytes(enhanced)));
        EXPECT_EQ(back.GetWidth(), kW);
        EXPECT_EQ(back.GetHeight(), kH);
        EXPECT_EQ(back.GetEnhanced(), enhanced);
        const QImage played = back.ToImage();
        // Exact but for the path, whose curves come back as the polygon they were written as.
        EXPECT_LT(DifferentPixels(played, drawn), kW * kH / 100) << (enhanced ? "EMF" : "WMF");
        EXPECT_EQ(PixelAt(played, 30, 45), clRed);
        EXPECT_EQ(PixelAt(played, 55, 75), clTeal);
        EXPECT_EQ(PixelAt(played, 65, 75), 0x00C0FFFF) << "the fill stops at the clipping";
        EXPECT_EQ(PixelAt(played, 71, 66), 0x00800000);
        EXPECT_EQ(PixelAt(played, 75, 66), 0x000080FF);
        EXPECT_EQ(PixelAt(played, 101, 142), clOlive) << "the wide pen";
        EXPECT_NE(PixelAt(played, 120, 148), clOlive) << "the one-pixel pen after it";
        // Played into another metafile, the records come out the same.
        TMetafile again;
        again.LoadFromBytes(View(back.Bytes(enhanced)));
        EXPECT_EQ(DifferentPixels(again.ToImage(), played), 0);
    }
    // Played onto an image, the records give the pixels the canvas draws onto an image.
    TBitmap direct;
    direct.SetSize(kW, kH);
    DrawScene(direct.Canvas());
    EXPECT_LT(DifferentPixels(direct.Image(), drawn), kW * kH / 200);
}

TEST(Metafile, EnhancedFileCarriesFrameCountsAndItsOwnRecords)
{
    const auto m = RecordScene();
    const QByteArray b = m->Bytes(true);
    ASSERT_GE(b.size(), 108);
    EXPECT_EQ(U32(b, 0), meta::EMR_HEADER);
    EXPECT_EQ(U32(b, 40), meta::kEmfSignature);
    EXPECT_EQ(U32(b, 48), std::uint32_t(b.size())) << "nBytes";
    // The frame: 200 x 150 pixels at 96 dpi in 0.01 mm, and a 96-dpi reference device.
    EXPECT_EQ(int(U32(b, 32)), (200 * 2540 + 48) / 96 - 1);
    EXPECT_EQ(int(U32(b, 36)), (150 * 2540 + 48) / 96 - 1);
    EXPECT_EQ(U32(b, 72) * 254, U32(b, 80) * 960);
    const auto records = EmfRecords(b);
    EXPECT_EQ(U32(b, 52), records.size()) << "nRecords";
    EXPECT_EQ(records.back().first, meta::EMR_EOF);
    EXPECT_EQ(records.back().second + 20, b.size());
    std::map<std::uint32_t, int> count;
    std::uint32_t maxHandle = 0;
    for (const auto& [type, at] : records) {
        ++count[type];
        if (type == meta::EMR_CREATEPEN || type == meta::EMR_CREATEBRUSHINDIRECT ||
            type == meta::EMR_EXTCREATEFONTINDIRECTW)
            maxHandle = std::max(maxHandle, U32(b, at + 8));
    }
    EXPECT_GT(U16(b, 56), maxHandle) << "nHandles";
    for (std::uint32_t t : {meta::EMR_POLYLINETO, meta::EMR_POLYLINE, meta::EMR_RECTANGLE, meta::EMR_ELLIPSE,
                            meta::EMR_PIE, meta::EMR_POLYGON, meta::EMR_POLYPOLYGON, meta::EMR_EXTSELECTCLIPRGN,
                            meta::EMR_STRETCHDIBITS, meta::EMR_EXTTEXTOUTW, meta::EMR_CREATEBRUSHINDIRECT})
        EXPECT_GT(count[t], 0) << "record " << t;
    // Texts are UTF-16 with the angle in the font and each character's advance.
    bool degrees = false, rotated = false;
    for (const auto& [type, at] : records) {
        if (type == meta::EMR_EXTTEXTOUTW) {
            const std::uint32_t n = U32(b, at + 44), off = U32(b, at + 48), offDx = U32(b, at + 72);
            for (std::uint32_t i = 0; i < n; ++i) degrees |= U16(b, at + off + 2 * i) == 0x00B0;
            int sum = 0;
            for (std::uint32_t i = 0; i < n; ++i) sum += int(U32(b, at + offDx + 4 * i));
            EXPECT_GT(sum, 0);
        }
        if (type == meta::EMR_EXTCREATEFONTINDIRECTW) rotated |= U32(b, at + 20) == 900;
    }
    EXPECT_TRUE(degrees);
    EXPECT_TRUE(rotated);
    // What readers that are not ours rely on: a move is followed by the line that starts
    // there (not by the pen it is drawn with), and a hollow brush is the stock one.
    bool hollow = false;
    std::map<std::uint32_t, std::uint32_t> brushStyles;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        const auto [type, at] = records[i];
        if (type == meta::EMR_MOVETOEX) {
            EXPECT_TRUE(records[i + 1].first == meta::EMR_POLYLINETO || records[i + 1].first == meta::EMR_LINETO)
                << "record " << records[i + 1].first << " after a move";
        }
        if (type == meta::EMR_CREATEBRUSHINDIRECT) brushStyles[U32(b, at + 8)] = U32(b, at + 12);
        if (type == meta::EMR_SELECTOBJECT) {
            const std::uint32_t object = U32(b, at + 8);
            hollow |= object == (meta::kStockObject | 5);
            EXPECT_NE(brushStyles.count(object) ? brushStyles[object] : 0u, unsigned(meta::BS_NULL));
        }
    }
    EXPECT_TRUE(hollow);
}

TEST(Metafile, OldStyleFileIsPlaceableWithChecksumAndWindow)
{
    const auto m = RecordScene();
    m->SetEnhanced(false);
    const QByteArray b = m->Bytes(false);
    ASSERT_GE(b.size(), 40);
    EXPECT_EQ(U32(b, 0), meta::kPlaceableKey);
    EXPECT_EQ(U16(b, 10), unsigned(kW));
    EXPECT_EQ(U16(b, 12), unsigned(kH));
    EXPECT_EQ(U16(b, 14), 96u);
    unsigned sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= U16(b, 2 * i);
    EXPECT_EQ(U16(b, 20), sum);
    EXPECT_EQ(U32(b, 28) * 2, std::uint32_t(b.size() - 22)) << "size in words";
    // The records: the window is the frame, the text is Windows-1252, the last is the end.
    std::uint32_t largest = 0;
    bool window = false, degrees = false;
    qsizetype last = 0;
    for (qsizetype at = 40; at + 6 <= b.size(); at += qsizetype(U32(b, at)) * 2) {
        const unsigned function = U16(b, at + 4);
        largest = std::max(largest, U32(b, at));
        last = at;
        if (function == meta::META_SETWINDOWEXT)
            window |= U16(b, at + 6) == unsigned(kH) && U16(b, at + 8) == unsigned(kW);
        if (function == meta::META_EXTTEXTOUT) {
            const unsigned n = U16(b, at + 10), options = U16(b, at + 12);
            const qsizetype text = at + 14 + (options & 6 ? 8 : 0);
            degrees |= QByteArray(b.constData() + text, n).contains('\xB0');
        }
        if (function == meta::META_EOF) break;
    }
    EXPECT_EQ(U32(b, 34), largest) << "largest record";
    EXPECT_EQ(U16(b, last + 4), unsigned(meta::META_EOF));
    EXPECT_EQ(last + 6, b.size());
    EXPECT_TRUE(window);
    EXPECT_TRUE(degrees);
}

TEST(Metafile, SavingWritesTheChosenFormatAndTheClipboardGetsBoth)
{
    const auto m = RecordScene();
    // A folder of this run's own: test programs of other builds may run beside it.
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QString dir = temporary.path();
    m->SaveToFile((dir + "/a.emf").toStdString());
    m->SetEnhanced(false);
    m->SaveToFile((dir + "/a.wmf").toStdString());
    QFile emf(dir + "/a.emf"), wmf(dir + "/a.wmf");
    ASSERT_TRUE(emf.open(QIODevice::ReadOnly));
    ASSERT_TRUE(wmf.open(QIODevice::ReadOnly));
    EXPECT_EQ(emf.readAll(), m->Bytes(true));
    EXPECT_EQ(wmf.readAll(), m->Bytes(false));
    EXPECT_THROW(m->SaveToFile((dir + "/missing/a.wmf").toStdString()), EInOutError);

    std::unique_ptr<QMimeData> data(m->ClipboardData());
    EXPECT_EQ(data->data("image/x-emf"), m->Bytes(true));
    EXPECT_EQ(data->data("image/emf"), m->Bytes(true));
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(kW, kH));

    // Nothing drawn yet: an empty picture of the frame in either format.
    TMetafile empty;
    empty.SetWidth(30);
    empty.SetHeight(20);
    for (const bool enhanced : {true, false}) {
        TMetafile back;
        back.LoadFromBytes(View(empty.Bytes(enhanced)));
        EXPECT_EQ(back.GetWidth(), 30);
        EXPECT_EQ(back.GetHeight(), 20);
    }
}

TEST(Metafile, DamagedAndForeignFilesAreRefusedAndChangeNothing)
{
    const auto m = RecordScene();
    TMetafile target;
    target.SetWidth(7);
    target.SetHeight(9);
    const auto refused = [&](const QByteArray& bytes) {
        try {
            target.LoadFromBytes(View(bytes));
        } catch (const EInvalidGraphic&) {
            return target.GetWidth() == 7 && target.GetHeight() == 9;
        }
        return false;
    };
    for (const bool enhanced : {true, false}) {
        const QByteArray good = m->Bytes(enhanced);
        // Cut anywhere, a file misses its end.
        for (qsizetype n = 0; n < good.size(); n += 97) EXPECT_TRUE(refused(good.left(n))) << n;
        // Damaged bytes load or are refused, but never crash.
        for (qsizetype at = 0; at < good.size(); at += 13) {
            QByteArray bad = good;
            bad[at] = char(bad[at] ^ 0x5A);
            try {
                TMetafile any;
                any.LoadFromBytes(View(bad));
            } catch (const EInvalidGraphic&) {}
        }
    }
    EXPECT_TRUE(refused("not a metafile at all"));
    // A record this program does not play is named, not skipped.
    QByteArray foreign = m->Bytes(true);
    const auto records = EmfRecords(foreign);
    const qsizetype at = records[3].second;
    foreign[at] = char(200);
    try {
        TMetafile any;
        any.LoadFromBytes(View(foreign));
        ADD_FAILURE() << "an unknown record was played";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message.find("record 200"), std::string::npos) << e.Message;
    }
    // An object selected that was never made.
    QByteArray orphan = m->Bytes(true);
    for (const auto& [type, offset] : EmfRecords(orphan))
        if (type == meta::EMR_SELECTOBJECT) {
            orphan[offset + 8] = char(0x77);
            break;
        }
    EXPECT_TRUE(refused(orphan));

    // A record of no size would leave the reading where it is, and a frame larger than any
    // picture the program makes: both are refused by name.
    const auto refusedFor = [&](const QByteArray& bytes) -> std::string {
        try {
            TMetafile any;
            any.LoadFromBytes(View(bytes));
        } catch (const EInvalidGraphic& e) {
            return e.Message;
        }
        return "loaded";
    };
    const auto emf = [](std::int32_t frame, std::uint32_t pathRecordSize) {
        meta::ByteWriter w;
        w.U32(meta::EMR_HEADER);
        w.U32(132);
        for (std::int32_t v :
             {0, 0, 99, 99, 0,    0,   frame, frame, std::int32_t(meta::kEmfSignature), 0x10000, 160, 3,
              1, 0, 0,  0,  1920, 960, 508,   254})
            w.I32(v);
        while (w.Data().size() < 132) w.U32(0);
        w.U32(59);  // a path begins
        w.U32(pathRecordSize);
        for (std::uint32_t v : {std::uint32_t(meta::EMR_EOF), 20u, 0u, 16u, 20u}) w.U32(v);
        return w.Data();
    };
    EXPECT_EQ(refusedFor(emf(2645, 8)), "loaded");
    ASSERT_EQ(emf(2645, 0).size(), 160);
    EXPECT_NE(refusedFor(emf(2645, 0)).find("impossible size"), std::string::npos) << refusedFor(emf(2645, 0));
    QByteArray wmf = m->Bytes(false);
    for (int i = 0; i < 4; ++i) wmf[40 + i] = 0;
    EXPECT_NE(refusedFor(wmf).find("impossible size"), std::string::npos) << refusedFor(wmf);
    // 20 000 pixels wide; 10 000 by 10 000 pixels; an old-style frame of 200 by 150 inches.
    QByteArray inches = m->Bytes(false);
    inches[14] = 1;
    inches[15] = 0;
    for (const QByteArray& huge : {emf(529167, 8), emf(264583, 8), inches})
        EXPECT_NE(refusedFor(huge).find("too large"), std::string::npos) << refusedFor(huge);
}

// Files of other programs use mapping modes, stock objects, saved states, rectangle clipping,
// 16-bit points and files without the placeable header; these are played too.
TEST(Metafile, ForeignRecordsArePlayedWithTheirMappingAndStates)
{
    meta::ByteWriter w;
    const auto record = [&](std::uint32_t type, std::initializer_list<std::int32_t> values) {
        w.U32(type);
        w.U32(std::uint32_t(8 + 4 * values.size()));
        for (std::int32_t v : values) w.I32(v);
    };
    // A frame of 100 x 100 pixels at 96 dpi on the 96-dpi reference device.
    record(meta::EMR_HEADER,
           {0,   0,   99,  99, 0, 0, 2645,   2645,  std::int32_t(meta::kEmfSignature), 0x10000, 0, 0, 2, 0, 0, 0, 1920,
            960, 508, 254, 0,  0, 0, 508000, 254000});
    record(meta::EMR_SETMAPMODE, {MM_ANISOTROPIC});
    record(meta::EMR_SETWINDOWEXTEX, {100, 100});
    record(meta::EMR_SETVIEWPORTEXTEX, {200, 200});              // two pixels per unit
    record(meta::EMR_SELECTOBJECT, {std::int32_t(0x80000004)});  // black brush
    record(meta::EMR_SELECTOBJECT, {std::int32_t(0x80000008)});  // no pen
    record(meta::EMR_RECTANGLE, {5, 5, 16, 16});
    record(meta::EMR_SAVEDC, {});
    record(meta::EMR_INTERSECTCLIPRECT, {20, 0, 50, 50});
    record(meta::EMR_CREATEBRUSHINDIRECT, {1, 0, 0x0000FF, 0});
    record(meta::EMR_SELECTOBJECT, {1});
    w.U32(meta::EMR_POLYGON16);
    w.U32(44);
    for (int v : {10, 30, 40, 45}) w.I32(v);
    w.U32(4);
    for (int v : {10, 30, 40, 30, 40, 45, 10, 45}) w.I16(v);
    record(meta::EMR_RESTOREDC, {-1});
    record(meta::EMR_RECTANGLE, {0, 40, 6, 46});
    record(meta::EMR_EOF, {0, 16, 20});
    QByteArray emf = w.Data();
    const auto patch = [&](qsizetype at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) emf[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    patch(48, std::uint32_t(emf.size()));
    patch(52, 16);
    TMetafile m;
    m.LoadFromBytes(View(emf));
    ASSERT_EQ(m.GetWidth(), 100);
    ASSERT_EQ(m.GetHeight(), 100);
    const QImage image = m.ToImage();
    EXPECT_EQ(PixelAt(image, 15, 15), clBlack);
    EXPECT_EQ(PixelAt(image, 35, 15), clWhite);
    EXPECT_EQ(PixelAt(image, 30, 70), clWhite) << "clipped away";
    EXPECT_EQ(PixelAt(image, 60, 70), clRed);
    EXPECT_EQ(PixelAt(image, 5, 85), clBlack) << "the saved brush and no clipping again";
    EXPECT_EQ(PixelAt(image, 95, 95), clWhite);

    // An old-style file without the placeable header: its window is the frame.
    meta::ByteWriter o;
    o.U16(1);
    o.U16(9);
    o.U16(0x0300);
    o.U32(0);
    o.U16(2);
    o.U32(8);
    o.U16(0);
    const auto wmfRecord = [&](unsigned function, std::initializer_list<int> words) {
        o.U32(std::uint32_t(3 + words.size()));
        o.U16(function);
        for (int v : words) o.I16(v);
    };
    wmfRecord(meta::META_SETWINDOWORG, {0, 0});
    wmfRecord(meta::META_SETWINDOWEXT, {50, 80});
    wmfRecord(meta::META_CREATEBRUSHINDIRECT, {0, 0, 0xFF, 0});  // solid blue
    wmfRecord(meta::META_SELECTOBJECT, {0});
    wmfRecord(meta::META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0});
    wmfRecord(meta::META_SELECTOBJECT, {1});
    wmfRecord(meta::META_RECTANGLE, {41, 41, 10, 10});
    wmfRecord(meta::META_EOF, {});
    TMetafile plain;
    plain.LoadFromBytes(View(o.Data()));
    EXPECT_EQ(plain.GetWidth(), 80);
    EXPECT_EQ(plain.GetHeight(), 50);
    EXPECT_FALSE(plain.GetEnhanced());
    EXPECT_EQ(PixelAt(plain.ToImage(), 20, 20), clBlue);
    EXPECT_EQ(PixelAt(plain.ToImage(), 60, 20), clWhite);
}
