// The GIF picture: reading a hand-made file to known pixels, the bytes written for headers,
// colour tables and extensions, bitmap conversion and the warnings of damaged files.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <cstring>

#include "chart/storage/TGIFImage.h"
#include "chart/storage/TJPEGImage.h"
#include "platform/TCanvas.h"
#include "platform/TMetafile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct WarningLog {
    std::vector<AnsiString> Messages;
    void Attach(TGIFImage& gif)
    {
        gif.OnWarning = [this](QObject*, TGIFSeverity s, const AnsiString& m) {
            EXPECT_EQ(s, gsWarning);
            Messages.push_back(m);
        };
    }
    bool Has(const AnsiString& m) const { return std::find(Messages.begin(), Messages.end(), m) != Messages.end(); }
};

Bytes Save(TGIFImage& gif)
{
    TMemoryStream m;
    gif.SaveToStream(&m);
    return m.Bytes();
}

void Load(TGIFImage& gif, const Bytes& b)
{
    TMemoryStream m(b.data(), b.size());
    gif.LoadFromStream(&m);
}

AnsiString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

// 2 x 2 pixels 0, 1 / 2, 3 with a 4-colour global table; codes clear, 0, 1, 2 at 3 bits,
// then 3 and end at 4 bits.
const Bytes TinyGIF = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0, 0, 0, 0, 255,  0,    0,    0, 255,
                       0,   0,   0,   255, ',', 0,   0, 0, 0, 2, 0,    2, 0, 0, 2, 3, 0x44, 0x34, 0x05, 0, ';'};

std::unique_ptr<TBitmap> MakeBitmap(int w, int h, const std::function<TColor(int, int)>& color)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->SetPixelFormat(pf24bit);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x) row[x] = TColorToQRgb(color(x, y)) | 0xFF000000u;
    }
    return b;
}

TEST(GIFImage, ReadsAHandMadeFileToKnownPixels)
{
    TGIFImage gif;
    WarningLog log;
    log.Attach(gif);
    Load(gif, TinyGIF);
    EXPECT_TRUE(log.Messages.empty());
    ASSERT_EQ(gif.Images()->GetCount(), 1);
    TGIFSubImage* f = gif.Images()->GetImage(0);
    EXPECT_EQ(f->PixelData(), (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(gif.GetWidth(), 2);
    EXPECT_EQ(gif.GlobalColorMap()->GetCount(), 4);
    const QImage img = gif.ToImage();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(0, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(img.pixel(1, 1) & 0xFFFFFF, 0x0000FFu);
    // Written again: same pixels, no extensions and no sorted table: "87a".
    const Bytes out = Save(gif);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF87a");
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 35, out.end()), Bytes(TinyGIF.begin() + 35, TinyGIF.end()));
}

TEST(GIFImage, SignatureMayFollowAFourBytePrefix)
{
    Bytes prefixed = {1, 2, 3, 4};
    prefixed.insert(prefixed.end(), TinyGIF.begin(), TinyGIF.end());
    TGIFImage gif;
    Load(gif, prefixed);
    EXPECT_EQ(gif.Images()->GetImage(0)->PixelData(), (Bytes{0, 1, 2, 3}));

    Bytes bad = TinyGIF;
    bad[0] = 'X';
    TMemoryStream m(bad.data(), bad.size());
    m.SetPosition(0);
    EXPECT_EQ(ErrorOf([&] { gif.LoadFromStream(&m); }), "Invalid GIF signature");
    EXPECT_EQ(m.GetPosition(), 0);
}

TEST(GIFImage, VersionFollowsFramesAndExtensions)
{
    TGIFImage gif;
    EXPECT_EQ(ErrorOf([&] { Save(gif); }), "Unsupported GIF version");
    auto bmp = MakeBitmap(3, 2, [](int x, int) { return x ? clRed : clBlue; });
    gif.Add(bmp.get());
    Bytes b = Save(gif);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF87a");
    auto* gce = new TGIFGraphicControlExtension(gif.Images()->GetImage(0));
    gif.Images()->GetImage(0)->Extensions()->Add(gce);
    EXPECT_EQ(gif.Images()->GetImage(0)->GetGraphicControlExtension(), gce);
    b = Save(gif);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
}

TEST(GIFImage, ColourTablesAreWrittenAtPowerOfTwoSizes)
{
    // A frame of 3 colours: a 4-entry local table, the fourth black, packed fields 0x81.
    TGIFImage gif;
    gif.ColorReduction = rmNone;
    auto bmp = MakeBitmap(3, 1, [](int x, int) { return TColor(RGB(10 * x + 1, 2, 3)); });
    gif.Add(bmp.get());
    Bytes b = Save(gif);
    // header 13, no global table; descriptor at 13.
    ASSERT_EQ(b[13], ',');
    EXPECT_EQ(b[22], 0x81);
    EXPECT_EQ(Bytes(b.begin() + 23, b.begin() + 35), (Bytes{1, 2, 3, 11, 2, 3, 21, 2, 3, 0, 0, 0}));
    EXPECT_EQ(b[35], 2);  // minimum code size

    // Global table of 4 colours, one frame with 16 local colours.
    auto bmp16 = MakeBitmap(16, 1, [](int x, int) { return TColor(RGB(x, x, x)); });
    TGIFImage g2;
    g2.ColorReduction = rmNone;
    g2.Add(bmp16.get());
    for (TColor c : {clRed, clLime, clBlue, clWhite}) g2.GlobalColorMap()->Add(c);
    b = Save(g2);
    EXPECT_EQ(b[10] & 0x87, 0x81);
    EXPECT_EQ((b[10] >> 4) & 7, 3);  // colour resolution of the whole image
    ASSERT_EQ(b[13 + 12], ',');
    EXPECT_EQ(b[13 + 12 + 9], 0x83);
    EXPECT_EQ(b[13 + 12 + 10 + 48], 4);  // 16 colours: code size 4
}

TEST(GIFImage, LocalTableFramesAreWrittenNonInterlaced)
{
    TGIFImage gif;
    TMemoryStream m;
    m.LoadFromFile(NOX_TEST_DATA_DIR "/gif/ok_small.gif");
    gif.LoadFromStream(&m);
    ASSERT_EQ(gif.Images()->GetCount(), 2);
    TGIFSubImage* f = gif.Images()->GetImage(1);
    EXPECT_TRUE(f->GetInterlaced());
    const Bytes before = f->PixelData();
    // The second frame holds (x * y) mod 3 in natural order.
    for (int y = 0; y < f->GetHeight(); ++y)
        for (int x = 0; x < f->GetWidth(); ++x) ASSERT_EQ(f->GetPixel(x, y), (x * y) % 3);

    const Bytes out = Save(gif);
    EXPECT_FALSE(f->GetInterlaced());
    TGIFImage again;
    Load(again, out);
    EXPECT_FALSE(again.Images()->GetImage(1)->GetInterlaced());
    EXPECT_EQ(again.Images()->GetImage(1)->PixelData(), before);
    EXPECT_EQ(again.Images()->GetImage(0)->PixelData(), gif.Images()->GetImage(0)->PixelData());
    // Extensions survive: loop, comment, two graphic controls with delay and transparency.
    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(again.Images()->GetImage(0)->Extensions()->GetExtension(0));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 0);
    auto* comment = dynamic_cast<TGIFCommentExtension*>(again.Images()->GetImage(0)->Extensions()->GetExtension(1));
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text, std::vector<AnsiString>{"test corpus"});
    TGIFGraphicControlExtension* gce = again.Images()->GetImage(1)->GetGraphicControlExtension();
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->GetDelay(), 7);
    EXPECT_TRUE(gce->GetTransparent());
    EXPECT_EQ(gce->GetTransparentColorIndex(), 2);
    EXPECT_EQ(gce->GetDisposal(), dmBackground);
    EXPECT_TRUE(again.GetIsTransparent());
}

TEST(GIFImage, InterlacedFramesWithoutLocalTableStayInterlaced)
{
    for (int h = 1; h <= 9; ++h) {
        TGIFImage gif;
        for (TColor c : {clBlack, clWhite, clRed, clLime}) gif.GlobalColorMap()->Add(c);
        auto* f = new TGIFSubImage(&gif);
        gif.Add(f);
        f->SetBoundsRect(Bounds(0, 0, 3, h));
        f->SetInterlaced(true);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3; ++x) f->SetPixel(x, y, std::uint8_t((y + x) % 4));
        TGIFImage back;
        Load(back, Save(gif));
        EXPECT_TRUE(back.Images()->GetImage(0)->GetInterlaced());
        EXPECT_EQ(back.Images()->GetImage(0)->PixelData(), f->PixelData()) << h;
    }
}

TEST(GIFImage, BitmapColoursBecomeTheLocalTableInOrderOfAppearance)
{
    TGIFImage gif;
    gif.ColorReduction = rmNone;
    auto bmp = MakeBitmap(16, 16, [](int x, int y) { return TColor(RGB(x * 16, y * 16, 7)); });
    gif.Assign(bmp.get());
    TGIFSubImage* f = gif.Images()->GetImage(0);
    ASSERT_EQ(f->ColorMap()->GetCount(), 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(f->ColorMap()->GetColor(i), RGB((i % 16) * 16, (i / 16) * 16, 7));
        EXPECT_EQ(f->PixelData()[std::size_t(i)], i);
    }
    auto bmp257 = MakeBitmap(257, 1, [](int x, int) { return TColor(RGB(x % 256, x / 256, 0)); });
    EXPECT_EQ(ErrorOf([&] { gif.Assign(bmp257.get()); }), "Color table overflow");

    // Bitmap -> GIF -> bitmap keeps every pixel, with either coder.
    for (TGIFCompression c : {gcLZW, gcRLE}) {
        auto pic = MakeBitmap(123, 45, [](int x, int y) {
            return (x / 10 + y / 5) % 3 ? clWhite : TColor(RGB(x % 8 * 30, y % 8 * 30, 9));
        });
        TGIFImage out;
        out.ColorReduction = rmNone;
        out.Compression = c;
        out.Assign(pic.get());
        TGIFImage in;
        Load(in, Save(out));
        TBitmap back;
        back.Assign(&in);
        ASSERT_EQ(back.GetWidth(), 123);
        EXPECT_EQ(back.Image(), pic->Image()) << c;
    }
}

// A drawing or a transparent bitmap becomes a frame whose untouched pixels are transparent.
TEST(GIFImage, MetafilesAndTransparentBitmapsKeepTheirTransparency)
{
    TMetafile drawing;
    drawing.SetWidth(20);
    drawing.SetHeight(10);
    {
        TMetafileCanvas c(&drawing);
        c.Brush()->SetColor(clRed);
        c.FillRect(TRect(0, 0, 10, 10));
    }
    TGIFImage gif;
    TGIFSubImage* f = nullptr;
    for (TColorReduction reduction : {rmNone, rmNetscape}) {  // exact colours, or a reduced full table
        gif.ColorReduction = reduction;
        gif.Assign(&drawing);
        f = gif.Images()->GetImage(0);
        ASSERT_NE(f->GetGraphicControlExtension(), nullptr) << reduction;
        ASSERT_TRUE(f->GetGraphicControlExtension()->GetTransparent());
        const int transparent = f->GetGraphicControlExtension()->GetTransparentColorIndex();
        EXPECT_EQ(f->ColorMap()->GetColor(f->GetPixel(3, 5)), clRed);
        EXPECT_EQ(f->GetPixel(15, 5), transparent);
        EXPECT_NE(f->GetPixel(3, 5), transparent);
    }
    gif.ColorReduction = rmNone;

    // A transparent bitmap: the colour of its bottom-left pixel is the transparent one.
    auto bmp = MakeBitmap(4, 4, [](int x, int y) { return x == 1 && y == 1 ? clBlue : clWhite; });
    bmp->SetTransparent(true);
    gif.Assign(bmp.get());
    f = gif.Images()->GetImage(0);
    ASSERT_TRUE(f->GetGraphicControlExtension() && f->GetGraphicControlExtension()->GetTransparent());
    EXPECT_EQ(f->ColorMap()->GetColor(f->GetPixel(1, 1)), clBlue);
    EXPECT_EQ(f->GetPixel(0, 0), f->GetGraphicControlExtension()->GetTransparentColorIndex());
    bmp->SetTransparent(false);
    gif.Assign(bmp.get());
    EXPECT_EQ(gif.Images()->GetImage(0)->GetGraphicControlExtension(), nullptr);
}

// A picture loaded from a file takes the graphic class of the file's type.
TEST(GIFImage, PicturesLoadGIFAndJPEGFilesAsTheirOwnClasses)
{
    QTemporaryDir dir;
    auto bmp = MakeBitmap(8, 8, [](int x, int) { return x < 4 ? clRed : clBlue; });
    TGIFImage gif;
    gif.Assign(bmp.get());
    gif.SaveToFile(dir.filePath("a.gif").toStdString());
    TJPEGImage jpeg;
    jpeg.Assign(bmp.get());
    jpeg.SaveToFile(dir.filePath("b.JPG").toStdString());
    bmp->SaveToFile(dir.filePath("c.bmp").toStdString());

    TPicture picture;
    picture.LoadFromFile(dir.filePath("a.gif").toStdString());
    EXPECT_NE(qobject_cast<TGIFImage*>(picture.GetGraphic()), nullptr);
    EXPECT_EQ(picture.GetWidth(), 8);
    picture.LoadFromFile(dir.filePath("b.JPG").toStdString());
    EXPECT_NE(qobject_cast<TJPEGImage*>(picture.GetGraphic()), nullptr);
    picture.LoadFromFile(dir.filePath("c.bmp").toStdString());
    EXPECT_NE(qobject_cast<TBitmap*>(picture.GetGraphic()), nullptr);
    // A file that cannot be read leaves the picture as it was.
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("missing.gif").toStdString()), Exception);
    EXPECT_NE(qobject_cast<TBitmap*>(picture.GetGraphic()), nullptr);
}

TEST(GIFImage, DamagedFramesAreLoadedWithWarnings)
{
    auto loadFile = [](const char* name, WarningLog& log, TGIFImage& gif) {
        log.Attach(gif);
        gif.LoadFromFile(AnsiString(NOX_TEST_DATA_DIR "/gif/") + name);
    };
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_stray_byte.gif", log, gif);
        EXPECT_EQ(gif.Images()->GetCount(), 1);
        EXPECT_TRUE(log.Has("Unknown GIF block type"));
    }
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_zeros_between.gif", log, gif);
        EXPECT_EQ(gif.Images()->GetCount(), 2);
        EXPECT_EQ(gif.Images()->GetImage(1)->PixelData(), (Bytes{3, 2, 1, 0}));
        EXPECT_TRUE(log.Messages.empty());
    }
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_zero_frame.gif", log, gif);
        EXPECT_TRUE(log.Has("Image exceeds Logical Screen size"));
        EXPECT_EQ(gif.Images()->GetImage(0)->GetWidth(), 3);
        EXPECT_EQ(gif.Images()->GetImage(0)->PixelData(), Bytes(6, 1));
    }
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_no_end_code.gif", log, gif);
        const Bytes& px = gif.Images()->GetImage(0)->PixelData();
        EXPECT_EQ(px.size(), 35u);
        EXPECT_EQ(px[0], 0);
        EXPECT_EQ(px[1], 1);
    }
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_long_subblock.gif", log, gif);
        EXPECT_TRUE(log.Has("Premature end of data"));
    }
    {
        TGIFImage gif;
        WarningLog log;
        loadFile("ok_trailing_data.gif", log, gif);
        EXPECT_EQ(gif.Images()->GetImage(0)->PixelData(), (Bytes{1, 2}));
        EXPECT_TRUE(log.Messages.empty());
    }
}

TEST(GIFImage, ExtensionBytes)
{
    TGIFImage gif;
    auto bmp = MakeBitmap(2, 1, [](int x, int) { return x ? clRed : clBlue; });
    gif.Add(bmp.get());
    TGIFSubImage* f = gif.Images()->GetImage(0);

    auto* loop = new TGIFAppExtNSLoop(f);
    f->Extensions()->Add(loop);
    TMemoryStream m;
    loop->SaveToStream(&m);
    const Bytes expected = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
    EXPECT_EQ(m.Bytes(), expected);

    auto* comment = new TGIFCommentExtension(f);
    comment->Text = {AnsiString(600, 'c')};
    f->Extensions()->Add(comment);
    TMemoryStream c;
    comment->SaveToStream(&c);
    ASSERT_EQ(c.GetSize(), 2 + 1 + 255 + 1 + 255 + 1 + 90 + 1);
    EXPECT_EQ(c.Bytes()[2], 255);
    EXPECT_EQ(c.Bytes()[2 + 256], 255);
    EXPECT_EQ(c.Bytes()[2 + 512], 90);
    EXPECT_EQ(c.Bytes().back(), 0);

    auto* app = new TGIFUnknownAppExtension(f);
    app->SetIdentifier("ABC");
    app->SetAuthentication("1");
    app->Blocks = {TGIFBlock{{1, 2, 3}}};
    f->Extensions()->Add(app);
    auto* gce = new TGIFGraphicControlExtension(f);
    gce->SetDelay(250);
    gce->SetDisposal(dmPrevious);
    f->Extensions()->Add(gce);

    TGIFImage back;
    Load(back, Save(gif));
    TGIFExtensionList* ext = back.Images()->GetImage(0)->Extensions();
    ASSERT_EQ(ext->GetCount(), 4);
    EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(ext->GetExtension(1))->Text,
              (std::vector<AnsiString>{AnsiString(255, 'c'), AnsiString(255, 'c'), AnsiString(90, 'c')}));
    auto* app2 = dynamic_cast<TGIFUnknownAppExtension*>(ext->GetExtension(2));
    ASSERT_NE(app2, nullptr);
    EXPECT_EQ(app2->GetIdentifier(), "ABC     ");
    EXPECT_EQ(app2->GetAuthentication(), "1  ");
    ASSERT_EQ(app2->Blocks.size(), 1u);
    EXPECT_EQ(app2->Blocks[0].Data, (Bytes{1, 2, 3}));
    auto* gce2 = back.Images()->GetImage(0)->GetGraphicControlExtension();
    ASSERT_NE(gce2, nullptr);
    EXPECT_EQ(gce2->GetDelay(), 250);
    EXPECT_EQ(gce2->GetDisposal(), dmPrevious);
    // A 10-byte application block is written back as it was read.
    TGIFImage ten;
    ten.LoadFromFile(NOX_TEST_DATA_DIR "/gif/ok_app_size_10.gif");
    auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(ten.Images()->GetImage(0)->Extensions()->GetExtension(0));
    ASSERT_NE(unknown, nullptr);
    const Bytes tenOut = Save(ten);
    const Bytes tenIn = [] {
        TMemoryStream file;
        file.LoadFromFile(NOX_TEST_DATA_DIR "/gif/ok_app_size_10.gif");
        return file.Bytes();
    }();
    EXPECT_EQ(Bytes(tenOut.begin() + 25, tenOut.begin() + 25 + 13 + 49),
              Bytes(tenIn.begin() + 25, tenIn.begin() + 25 + 13 + 49));

    // Deleting the graphic control extension clears the frame's reference to it.
    ext->Delete(3);
    EXPECT_EQ(back.Images()->GetImage(0)->GetGraphicControlExtension(), nullptr);
}

TEST(GIFImage, ColourMapRules)
{
    TGIFImage gif;
    WarningLog log;
    log.Attach(gif);
    TGIFColorMap* map = gif.GlobalColorMap();
    EXPECT_EQ(map->GetBitsPerPixel(), 0);
    EXPECT_EQ(ErrorOf([&] { map->GetColor(0); }), "Color table is empty");
    map->Add(clRed);
    EXPECT_EQ(map->GetCapacity(), 16);
    EXPECT_EQ(map->GetBitsPerPixel(), 1);
    for (int i = 1; i < 17; ++i) map->Add(RGB(i, 0, 0));
    EXPECT_EQ(map->GetCapacity(), 32);
    EXPECT_EQ(map->GetBitsPerPixel(), 5);
    for (int i = 17; i < 256; ++i) map->Add(RGB(i, 1, 0));
    EXPECT_EQ(map->GetCapacity(), 256);
    EXPECT_EQ(ErrorOf([&] { map->Add(clWhite); }), "Color table overflow");
    EXPECT_EQ(map->AddUnique(RGB(5, 0, 0)), 5);
    EXPECT_EQ(map->IndexOf(clWhite), -1);
    EXPECT_EQ(ErrorOf([&] { map->SetColor(256, clWhite); }), "Invalid color index");
    EXPECT_EQ(ErrorOf([&] { map->Delete(-1); }), "Invalid color index");
    EXPECT_EQ(map->GetColor(300), clRed);
    EXPECT_TRUE(log.Has("Invalid color index"));

    log.Messages.clear();
    gif.SetBackgroundColorIndex(400);
    EXPECT_EQ(gif.GetBackgroundColorIndex(), 0);
    EXPECT_TRUE(log.Has("Invalid color index"));
    EXPECT_EQ(Color2RGB(TColor(0x00332211)), (TGIFColor{0x11, 0x22, 0x33}));
    EXPECT_EQ(RGB2Color(TGIFColor{0x11, 0x22, 0x33}), TColor(0x00332211));
}

TEST(GIFImage, FrameBoundsGrowTheLogicalScreen)
{
    TGIFImage gif;
    WarningLog log;
    log.Attach(gif);
    auto* f = new TGIFSubImage(&gif);
    gif.Add(f);
    f->SetBoundsRect(Bounds(0, 0, 30, 20));
    EXPECT_TRUE(log.Messages.empty());
    EXPECT_EQ(gif.GetWidth(), 30);
    EXPECT_EQ(f->GetDataSize(), 600);
    f->SetLeft(10);
    EXPECT_EQ(gif.GetWidth(), 40);
    EXPECT_EQ(log.Messages, (std::vector<AnsiString>{"Image width too small for contained frames",
                                                     "Image exceeds Logical Screen size"}));
    EXPECT_EQ(ErrorOf([&] { gif.SetWidth(39); }), "Image width too small for contained frames");
    EXPECT_EQ(ErrorOf([&] { gif.SetHeight(19); }), "Image height too small for contained frames");
    gif.SetWidth(100);
    EXPECT_EQ(gif.GetWidth(), 100);
    // Sizes the file cannot hold in 16 bits are refused, not written cut off.
    EXPECT_EQ(ErrorOf([&] { gif.SetWidth(70000); }), "Invalid image dimensions");
    EXPECT_EQ(ErrorOf([&] { f->SetBoundsRect(Bounds(65000, 0, 1000, 1)); }), "Invalid image dimensions");
    EXPECT_EQ(ErrorOf([&] { f->SetBoundsRect(Bounds(0, 0, -1, 1)); }), "Invalid image dimensions");
    EXPECT_EQ(f->GetBoundsRect(), Bounds(10, 0, 30, 20));
    EXPECT_EQ(ErrorOf([&] { f->GetPixel(30, 0); }), "Invalid pixel coordinates");
    EXPECT_EQ(ErrorOf([&] { gif.SetReductionBits(9); }), "Invalid Bits Per Pixel value");
    gif.SetAnimationSpeed(5000);
    EXPECT_EQ(gif.GetAnimationSpeed(), 1000);
    EXPECT_EQ(ErrorOf([&] { gif.Add(gif.Header()); }), "Object type not supported for operation");
}

TEST(GIFImage, ProgressEndsWithZeroWhenLoadingFails)
{
    TGIFImage gif;
    std::vector<std::pair<TProgressStage, int>> steps;
    gif.OnProgress = [&](QObject*, TProgressStage stage, int percent, const AnsiString& msg) {
        EXPECT_EQ(msg, "Loading...");
        steps.emplace_back(stage, percent);
    };
    Load(gif, TinyGIF);
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps.front().first, psStarting);
    EXPECT_EQ(steps.back(), std::make_pair(psEnding, 100));
    steps.clear();
    const Bytes cut(TinyGIF.begin(), TinyGIF.begin() + 20);
    EXPECT_EQ(ErrorOf([&] { Load(gif, cut); }), "Premature end of data");
    EXPECT_EQ(steps.back(), std::make_pair(psEnding, 0));
}

TEST(GIFImage, ClipboardCarriesTheWholeStreamAndABitmap)
{
    TGIFImage gif;
    Load(gif, TinyGIF);
    QMimeData data;
    gif.SaveToClipboardFormat(&data);
    ASSERT_TRUE(data.hasFormat(CF_GIF));
    EXPECT_EQ(data.data(CF_GIF).size(), qsizetype(Save(gif).size()));
    TGIFImage fromGif;
    fromGif.LoadFromClipboardFormat(CF_GIF, &data);
    EXPECT_EQ(fromGif.Images()->GetImage(0)->PixelData(), (Bytes{0, 1, 2, 3}));
    TGIFImage fromBitmap;
    fromBitmap.LoadFromClipboardFormat(CF_BITMAP, &data);
    EXPECT_EQ(fromBitmap.ToImage(), gif.ToImage());
    EXPECT_EQ(ErrorOf([&] { fromBitmap.LoadFromClipboardFormat("text/plain", &data); }),
              "Unsupported clipboard format");

    gif.CopyToClipboard();
    const QMimeData* onClipboard = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(onClipboard, nullptr);
    EXPECT_TRUE(onClipboard->hasFormat(CF_GIF));
}

TEST(GIFImage, CopiesAreDeep)
{
    TGIFImage gif;
    TMemoryStream m;
    m.LoadFromFile(NOX_TEST_DATA_DIR "/gif/ok_small.gif");
    gif.LoadFromStream(&m);
    const Bytes original = Save(gif);
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(&gif);
    gif.Images()->GetImage(0)->SetPixel(0, 0, 3);
    gif.Clear();
    EXPECT_EQ(Save(*copy), original);
    TGIFImage third;
    third.Add(copy->Images()->GetImage(1));
    EXPECT_EQ(third.Images()->GetImage(0)->PixelData(), copy->Images()->GetImage(1)->PixelData());
    copy.reset();
    EXPECT_EQ(third.Images()->GetImage(0)->GetGraphicControlExtension()->GetDelay(), 7);
}

}  // namespace
