// Picture export: each format's file decodes back to the chart that was drawn, the registry
// and filter indexes follow the registration order, and a failing target never damages an
// existing file.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeHtml.h"
#include "chart/storage/BitmapFileWriter.h"
#include "chart/storage/TeePictureFormats.h"
#include "support/ScriptedDialogs.h"

#include <jpeglib.h>

namespace {

constexpr TColor kRed = RGB(255, 0, 0);
constexpr TColor kBlue = RGB(0, 0, 255);
constexpr TColor kGreen = RGB(0, 160, 0);

// A white panel without frame that fills three known rectangles.
class TPatternPanel : public TCustomTeePanel {
public:
    TPatternPanel(int W, int H)
    {
        resize(W, H);
        SetBevelOuter(bvNone);
        SetColor(clWhite);
    }
    void InternalDraw(const TRect&) override
    {
        TTeeCanvas* c = GetCanvas();
        c->Pen->SetStyle(psClear);
        const std::pair<TRect, TColor> boxes[] = {
            {TRect(10, 10, 60, 40), kRed}, {TRect(60, 10, 110, 40), kBlue}, {TRect(10, 40, 110, 70), kGreen}};
        for (const auto& [r, color] : boxes) {
            c->Brush->SetStyle(bsSolid);
            c->Brush->SetColor(color);
            c->FillRect(r);
        }
    }
};

// A canvas that can draw any rotation: such panels are exported in true colour.
class TRotatingCanvas : public TTeeCanvas3D {
public:
    bool GetSupportsFullRotation() override { return true; }
};

std::vector<std::uint8_t> ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return {b.begin(), b.end()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

QRgb Rgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

struct DecodedJpeg {
    int width = 0, height = 0, components = 0;
    int firstLumaQuant = 0;
    bool allQuantOne = true;
    QImage image;
};

// Decodes with the JPEG library directly, independent of the picture class under test.
DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& bytes)
{
    DecodedJpeg out;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    out.width = int(cinfo.image_width);
    out.height = int(cinfo.image_height);
    out.components = cinfo.num_components;
    out.firstLumaQuant = cinfo.quant_tbl_ptrs[0]->quantval[0];
    for (int i = 0; i < DCTSIZE2; ++i) out.allQuantOne &= cinfo.quant_tbl_ptrs[0]->quantval[i] == 1;
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    out.image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.image.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

bool Close(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Writes some bytes, then fails: stands for a picture that breaks halfway.
class TBrokenFormat : public TBMPExportFormat {
public:
    void SaveToStream(TStream* Stream) override
    {
        Stream->WriteBuffer("BM", 2);
        throw EInvalidGraphic("Color table overflow");
    }
};

class PictureExport : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(name); }
    std::string File(const char* name) const { return Path(name).toStdString(); }
    QTemporaryDir dir;
    TPatternPanel panel{160, 90};
};

}  // namespace

TEST_F(PictureExport, BitmapHeaderAndPixelsInEachDepth)
{
    TBMPExportFormat bmp;
    bmp.Panel = &panel;
    bmp.SaveToFile(File("chart.bmp"));
    auto b = ReadBytes(Path("chart.bmp"));
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    const std::uint32_t stride24 = (160 * 3 + 3) / 4 * 4;
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 2), 54 + stride24 * 90);
    EXPECT_EQ(U32(b, 10), 54u);  // pixels follow the headers
    EXPECT_EQ(U32(b, 14), 40u);  // info header size
    EXPECT_EQ(U32(b, 18), 160u);
    EXPECT_EQ(U32(b, 22), 90u);  // positive: bottom-up
    EXPECT_EQ(U16(b, 26), 1u);   // planes
    EXPECT_EQ(U16(b, 28), 24u);
    EXPECT_EQ(U32(b, 30), 0u);  // uncompressed
    EXPECT_EQ(U32(b, 34), stride24 * 90);
    EXPECT_EQ(U32(b, 38), 3780u);  // 96 dots per inch
    // The bottom row comes first: pixel (15, 89) is white, (15, 20) red in its row.
    EXPECT_EQ(b[54], 0xFF);
    const std::size_t red = 54 + std::size_t(89 - 20) * stride24 + 15 * 3;
    EXPECT_EQ(b[red], 0x00);
    EXPECT_EQ(b[red + 1], 0x00);
    EXPECT_EQ(b[red + 2], 0xFF);

    // 256 colours: a table of exactly the chart's four colours, decoding to the same pixels.
    static_cast<TBMPOptions*>(bmp.Options())->CBColors->setCurrentIndex(3);
    bmp.SaveToFile(File("chart8.bmp"));
    b = ReadBytes(Path("chart8.bmp"));
    EXPECT_EQ(U16(b, 28), 8u);
    EXPECT_EQ(U32(b, 46), 4u);
    EXPECT_EQ(U32(b, 10), 54u + 4 * 4);
    QImage img(Path("chart8.bmp"));
    ASSERT_EQ(img.size(), QSize(160, 90));
    EXPECT_EQ(img.pixel(15, 20) & 0xFFFFFF, Rgb(kRed) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(70, 20) & 0xFFFFFF, Rgb(kBlue) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(50, 60) & 0xFFFFFF, Rgb(kGreen) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(150, 80) & 0xFFFFFF, 0xFFFFFFu);

    // 16 bits are 5-6-5 with their masks after the info header.
    static_cast<TBMPOptions*>(bmp.Options())->CBColors->setCurrentIndex(5);
    bmp.SaveToFile(File("chart16.bmp"));
    b = ReadBytes(Path("chart16.bmp"));
    EXPECT_EQ(U16(b, 28), 16u);
    EXPECT_EQ(U32(b, 30), 3u);
    EXPECT_EQ(U32(b, 54), 0xF800u);
    EXPECT_EQ(U32(b, 58), 0x07E0u);
    EXPECT_EQ(U32(b, 62), 0x001Fu);
    const std::size_t at16 = 66 + std::size_t(89 - 20) * 320;
    EXPECT_EQ(U16(b, at16 + 70 * 2), 0x001Fu);                                      // blue
    EXPECT_EQ(U16(b, at16 + 15 * 2), 0xF800u);                                      // red
    EXPECT_EQ(U16(b, 66 + std::size_t(89 - 60) * 320 + 50 * 2), (160u >> 2) << 5);  // green

    // Monochrome wins over the colour choice.
    static_cast<TBMPOptions*>(bmp.Options())->CBMono->setChecked(true);
    bmp.SaveToFile(File("mono.bmp"));
    b = ReadBytes(Path("mono.bmp"));
    EXPECT_EQ(U16(b, 28), 1u);
    EXPECT_EQ(U32(b, 46), 2u);
    img.load(Path("mono.bmp"));
    EXPECT_EQ(img.pixel(15, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(150, 80) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PictureExport, BitmapSizeDefaultsToThePanelAndRotatingCanvasForcesTrueColour)
{
    TPatternPanel big(640, 480);
    TBMPExportFormat bmp;
    bmp.Panel = &big;
    bmp.Width = 300;
    auto bitmap = bmp.Bitmap();
    EXPECT_EQ(bitmap->GetWidth(), 300);
    EXPECT_EQ(bitmap->GetHeight(), 480);

    static_cast<TBMPOptions*>(bmp.Options())->CBColors->setCurrentIndex(3);
    EXPECT_EQ(bmp.Bitmap()->GetPixelFormat(), pf8bit);
    big.SetInternalCanvas(new TRotatingCanvas);
    EXPECT_EQ(bmp.Bitmap()->GetPixelFormat(), pf24bit);
}

TEST_F(PictureExport, JpegDecodesToChartSizeAndColoursAtQuality95)
{
    TJPEGExportFormat jpeg;
    jpeg.Panel = &panel;
    jpeg.SaveToFile(File("chart.jpg"));
    EXPECT_EQ(jpeg.GetQuality(), 95);
    const DecodedJpeg d = DecodeJpeg(ReadBytes(Path("chart.jpg")));
    EXPECT_EQ(d.width, 160);
    EXPECT_EQ(d.height, 90);
    EXPECT_EQ(d.components, 3);
    // The standard luminance table's first entry (16) scaled for quality 95.
    EXPECT_EQ(d.firstLumaQuant, 2);
    EXPECT_TRUE(Close(d.image.pixel(30, 25), Rgb(kRed), 12));
    EXPECT_TRUE(Close(d.image.pixel(85, 25), Rgb(kBlue), 12));
    EXPECT_TRUE(Close(d.image.pixel(60, 55), Rgb(kGreen), 12));
    EXPECT_TRUE(Close(d.image.pixel(140, 80), qRgb(255, 255, 255), 4));

    // Grey scale writes one component; the helpers add ".jpg" only to a bare name and
    // write quality 100.
    static_cast<TTeeJPEGOptions*>(jpeg.Options())->CBGray->setChecked(true);
    jpeg.SaveToFile(File("gray.jpg"));
    EXPECT_EQ(DecodeJpeg(ReadBytes(Path("gray.jpg"))).components, 1);
    TeeSaveToJPEG(&panel, File("plain"), 0, 0);
    const DecodedJpeg full = DecodeJpeg(ReadBytes(Path("plain.jpg")));
    EXPECT_TRUE(full.allQuantOne);
    EXPECT_EQ(full.width, 160);
    TeeSaveToJPEGFile(&panel, File("named.jpeg"), false, jpBestSpeed, 50, 40, 30);
    EXPECT_TRUE(QFile::exists(Path("named.jpeg")));
    EXPECT_FALSE(QFile::exists(Path("named.jpeg.jpg")));
    EXPECT_EQ(DecodeJpeg(ReadBytes(Path("named.jpeg"))).width, 40);

    // The picture class reads its own file back.
    TJPEGImage loaded;
    loaded.LoadFromFile(File("chart.jpg"));
    EXPECT_EQ(loaded.GetWidth(), 160);
    EXPECT_TRUE(Close(loaded.ToImage().pixel(30, 25), Rgb(kRed), 12));
}

TEST_F(PictureExport, GifDecodesToExactPaletteIndexes)
{
    TGIFExportFormat gif;
    gif.Panel = &panel;
    gif.SaveToFile(File("chart.gif"));
    auto* form = static_cast<TTeeGIFOptions*>(gif.Options(false));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->RGCompression->ItemIndex(), int(gcLZW));
    EXPECT_EQ(form->CBDither->currentIndex(), int(dmNearest));
    EXPECT_EQ(form->CBReduction->currentIndex(), int(rmNone));

    TGIFImage decoded;
    decoded.LoadFromFile(File("chart.gif"));
    ASSERT_EQ(decoded.Images()->GetCount(), 1);
    TGIFSubImage* frame = decoded.Images()->GetImage(0);
    ASSERT_EQ(frame->GetWidth(), 160);
    ASSERT_EQ(frame->GetHeight(), 90);
    TGIFColorMap* map = frame->ActiveColorMap();
    EXPECT_EQ(map->GetCount(), 4);
    const auto source = panel.TeeCreateBitmap(panel.GetColor(), TRect(0, 0, 160, 90));
    const QImage& px = source->Image();
    int wrong = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            const QRgb want = px.pixel(x, y);
            if (map->GetColor(frame->GetPixel(x, y)) != RGB(qRed(want), qGreen(want), qBlue(want))) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // The three boxes and the background each have their own index.
    const std::set<int> indexes = {frame->GetPixel(15, 20), frame->GetPixel(70, 20), frame->GetPixel(50, 60),
                                   frame->GetPixel(150, 80)};
    EXPECT_EQ(indexes.size(), 4u);

    // The reduction chosen on the form reaches the picture: the web palette's full table.
    form->CBReduction->setCurrentIndex(int(rmNetscape));
    gif.SaveToFile(File("web.gif"));
    TGIFImage web;
    web.LoadFromFile(File("web.gif"));
    TGIFSubImage* webFrame = web.Images()->GetImage(0);
    EXPECT_EQ(webFrame->ActiveColorMap()->GetCount(), 256);
    EXPECT_EQ(webFrame->ActiveColorMap()->GetColor(webFrame->GetPixel(15, 20)), kRed);
}

TEST_F(PictureExport, MetafileEnhancedUntilSwitchedByTheSecondFilterEntry)
{
    TEMFExportFormat emf;
    emf.Panel = &panel;
    EXPECT_EQ(emf.Options(false), nullptr);
    EXPECT_EQ(emf.FileExtension(), "emf");
    int index = 0;
    emf.IncFileFilterIndex(index);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(emf.FileFilterIndex(), 1);
    EXPECT_TRUE(emf.WantsFilterIndex(1));
    EXPECT_TRUE(emf.GetEnhanced());
    EXPECT_FALSE(emf.WantsFilterIndex(3));
    EXPECT_TRUE(emf.WantsFilterIndex(2));
    EXPECT_FALSE(emf.GetEnhanced());
    EXPECT_EQ(emf.FileExtension(), "wmf");
    EXPECT_EQ(emf.FileFilterIndex(), 2);
    // The first entry and the ".emf" extension choose enhanced pictures again.
    EXPECT_TRUE(emf.WantsFilterIndex(1));
    EXPECT_TRUE(emf.GetEnhanced());
    EXPECT_TRUE(emf.WantsFileExtension("WMF"));
    EXPECT_FALSE(emf.GetEnhanced());
    EXPECT_TRUE(emf.WantsFileExtension("emf"));
    EXPECT_TRUE(emf.GetEnhanced());
    EXPECT_FALSE(emf.WantsFileExtension("jpg"));
    emf.SetEnhanced(false);

    emf.SaveToFile(File("chart.wmf"));
    TMetafile meta;
    meta.LoadFromFile(File("chart.wmf"));
    EXPECT_FALSE(meta.GetEnhanced());
    EXPECT_EQ(meta.GetWidth(), panel.width());
    EXPECT_EQ(meta.GetHeight(), panel.height());
}

TEST_F(PictureExport, RegistryOrderFilterIndexesAndPictureByExtension)
{
    ASSERT_NE(TeeExportFormats, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < TeeExportFormats->Count(); ++i) names.push_back(TeeExportFormats->Get(i)->ClassName);
    EXPECT_EQ(names, (std::vector<std::string>{"TBMPExportFormat", "TEMFExportFormat", "TGIFExportFormat",
                                               "TJPEGExportFormat"}));
    EXPECT_THROW(TeeExportFormats->Get(4), EListError);

    platform::FileDialogRequest dialog;
    dialog.filter = "";
    TTeeExportFormatItems items;
    TeeFillPictureDialog(&dialog, &panel, &items);
    EXPECT_EQ(dialog.filter,
              "Bitmaps (*.bmp)|*.bmp|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|"
              "GIF files (*.gif)|*.gif|JPEG files (*.jpg)|*.jpg");
    ASSERT_EQ(items.size(), 4u);
    std::vector<int> filterIndexes;
    for (auto& item : items) {
        filterIndexes.push_back(item.Format->FileFilterIndex());
        EXPECT_EQ(item.Format->Panel, &panel);
    }
    EXPECT_EQ(filterIndexes, (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(items[0].Text, "as Bitmap");
    EXPECT_EQ(items[3].Text, "as JPEG");
    // A filter that already has entries pushes every index one further.
    platform::FileDialogRequest more;
    more.filter = "All files (*.*)|*.*";
    TTeeExportFormatItems moreItems;
    TeeFillPictureDialog(&more, &panel, &moreItems);
    EXPECT_EQ(moreItems[0].Format->FileFilterIndex(), 2);
    EXPECT_EQ(moreItems[3].Format->FileFilterIndex(), 6);
    more.filter = "Text (*.txt)|*.txt|All files (*.*)|*.*";
    moreItems.clear();
    TeeFillPictureDialog(&more, &panel, &moreItems);
    EXPECT_EQ(moreItems[0].Format->FileFilterIndex(), 3);

    EXPECT_NE(dynamic_cast<TJPEGImage*>(WithFileExtension(".Jpg").get()), nullptr);
    EXPECT_EQ(WithFileExtension("JPG"), nullptr);
    EXPECT_EQ(WithFileExtension(".png"), nullptr);
    // The chart engine's picture hook asks with upper-case extensions.
    ASSERT_TRUE(GraphicFileExtension);
    EXPECT_NE(dynamic_cast<TGIFImage*>(GraphicFileExtension(".GIF").get()), nullptr);
    EXPECT_NE(dynamic_cast<TBitmap*>(GraphicFileExtension(".BMP").get()), nullptr);

    // Removing a class that is not listed changes nothing.
    static const TTeeExportFormatClassInfo stranger = {"TStranger", nullptr};
    UnRegisterTeeExportFormat(&stranger);
    EXPECT_EQ(TeeExportFormats->Count(), 4);
}

TEST_F(PictureExport, FailuresRaiseAndLeaveTheOldFile)
{
    // No panel: nothing is written.
    TGIFExportFormat noPanel;
    try {
        noPanel.SaveToFile(File("none.gif"));
        FAIL() << "saved without a panel";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Panel property is not set in Export format");
    }
    EXPECT_FALSE(QFile::exists(Path("none.gif")));
    EXPECT_THROW(TeeGetJPEGImageParams(nullptr, JPEGDefaults, 0, 0, 10, 10), Exception);

    // A picture that breaks halfway keeps the old file whole and leaves no temporary file.
    {
        std::ofstream old(File("keep.bmp"), std::ios::binary);
        old << "old picture";
    }
    TBrokenFormat broken;
    broken.Panel = &panel;
    EXPECT_THROW(broken.SaveToFile(File("keep.bmp")), EInvalidGraphic);
    EXPECT_EQ(ReadBytes(Path("keep.bmp")),
              (std::vector<std::uint8_t>{'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));

    // A target that is a folder, or inside a missing folder, raises a file error.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    TJPEGExportFormat jpeg;
    jpeg.Panel = &panel;
    EXPECT_THROW(jpeg.SaveToFile(File("folder.jpg")), EFOpenError);
    EXPECT_TRUE(QFileInfo(Path("folder.jpg")).isDir());
    try {
        jpeg.SaveToFile(File("missing/chart.jpg"));
        FAIL() << "saved into a missing folder";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("missing/chart.jpg"), std::string::npos);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"keep.bmp"}));

    // A chart of no size has no picture: an error, and no file.
    TPatternPanel empty(0, 0);
    TBMPExportFormat bmp;
    TGIFExportFormat gif;
    for (TTeeExportFormat* format : std::initializer_list<TTeeExportFormat*>{&bmp, &gif}) {
        format->Panel = &empty;
        const AnsiString name = "empty." + format->FileExtension();
        EXPECT_THROW(format->SaveToFile(File(name.c_str())), Exception) << name;
        EXPECT_FALSE(QFile::exists(Path(name.c_str()))) << name;
    }
}

TEST(PictureOptionsForms, ShowingResetsTheChoices)
{
    TBMPOptions bmp;
    bmp.CBColors->setCurrentIndex(4);
    bmp.show();
    EXPECT_EQ(bmp.CBColors->currentIndex(), 0);
    bmp.CBMono->click();
    EXPECT_FALSE(bmp.CBColors->isEnabled());
    bmp.CBMono->click();
    EXPECT_TRUE(bmp.CBColors->isEnabled());

    TTeeGIFOptions gif;
    gif.CBDither->setCurrentIndex(3);
    gif.CBReduction->setCurrentIndex(2);
    gif.RGCompression->SetItemIndex(1);
    gif.show();
    EXPECT_EQ(gif.CBDither->currentIndex(), 0);
    EXPECT_EQ(gif.CBReduction->currentIndex(), 0);
    EXPECT_EQ(gif.RGCompression->ItemIndex(), 0);
}

TEST(BitmapFileWriter, TooManyColoursTakeTheNearestTableEntry)
{
    // 32 x 16 pixels of 512 different colours.
    TBitmap bitmap;
    bitmap.SetSize(32, 16);
    QImage& img = bitmap.Image();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) img.setPixel(x, y, qRgb(x * 8, y * 16, 250 - x * 4));
    img.setPixel(0, 0, qRgb(250, 10, 20));
    for (TPixelFormat format : {pf4bit, pf8bit}) {
        bitmap.SetPixelFormat(format);
        TMemoryStream stream;
        WriteBitmapFile(bitmap, &stream);
        const std::vector<std::uint8_t>& b = stream.Bytes();
        const unsigned bits = format == pf4bit ? 4 : 8;
        EXPECT_EQ(U16(b, 28), bits);
        EXPECT_EQ(U32(b, 46), format == pf4bit ? 16u : 216u);
        EXPECT_EQ(U32(b, 2), b.size());
        QImage back;
        ASSERT_TRUE(back.loadFromData(b.data(), int(b.size()), "BMP"));
        // Nearly pure red stays pure red in both tables; every pixel is at most half a
        // table step away in each channel for the colour cube.
        EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        if (format != pf8bit) continue;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                ASSERT_TRUE(Close(back.pixel(x, y), img.pixel(x, y), 26)) << x << "," << y;
            }
    }
}

TEST(JPEGPicture, DamagedOrOversizedFilesAreRefusedAndTheOldPictureKept)
{
    TBitmap bitmap;
    bitmap.SetSize(240, 160);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x) bitmap.Image().setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    const std::vector<std::uint8_t> good = jpeg.Data();

    TJPEGImage target;
    TMemoryStream garbage("not a picture at all", 20);
    EXPECT_THROW(target.LoadFromStream(&garbage), EInvalidGraphic);
    EXPECT_TRUE(target.GetEmpty());

    // The frame header claims 30000 x 30000 pixels.
    std::vector<std::uint8_t> huge = good;
    std::size_t sof = 0;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    for (std::size_t at : {sof + 5, sof + 7}) {
        huge[at] = 30000 >> 8;
        huge[at + 1] = 30000 & 0xFF;
    }
    TMemoryStream hugeStream(huge.data(), huge.size());
    TMemoryStream goodStream(good.data(), good.size());
    target.LoadFromStream(&goodStream);
    EXPECT_THROW(target.LoadFromStream(&hugeStream), EInvalidGraphic);
    EXPECT_EQ(target.GetWidth(), 240);
    EXPECT_EQ(target.Data(), good);

    // A file cut short still decodes to its full size.
    TMemoryStream cut(good.data(), good.size() / 2);
    target.LoadFromStream(&cut);
    EXPECT_EQ(target.ToImage().size(), QSize(240, 160));
}

TEST_F(PictureExport, ClipboardReceivesThePictureAndItsFileBytes)
{
    TJPEGExportFormat jpeg;
    jpeg.Panel = &panel;
    jpeg.Width = 80;
    jpeg.CopyToClipboard();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray bytes = data->data("image/jpeg");
    EXPECT_EQ(DecodeJpeg(std::vector<std::uint8_t>(bytes.begin(), bytes.end())).width, 80);
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(80, 90));
}

TEST_F(PictureExport, SavePanelWritesWhatTheDialogConfirms)
{
    support::TestDialogs().QueueFileName("");
    TeeSavePanel(&TGIFExportFormat::Class, &panel);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    support::TestDialogs().QueueFileName(File("asked.gif"));
    TeeExportSavePanel(&TGIFExportFormat::Class, &panel);
    TGIFImage saved;
    saved.LoadFromFile(File("asked.gif"));
    EXPECT_EQ(saved.GetWidth(), 160);
}
