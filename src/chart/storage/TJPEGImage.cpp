#include "chart/storage/TJPEGImage.h"

#include <QPainter>
#include <QtEndian>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/FileSave.h"
#include "platform/TCanvas.h"

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

TJPEGDefaults JPEGDefaults = {90, false, jpBestQuality, jf24Bit, false, false, jsFullSize, true};
std::int64_t JPEGMaximumPixels = std::int64_t(1) << 26;

namespace {

// The library reports errors through a callback that must not return: it jumps back to the
// call that started the work, with the message kept. No C++ object with a destructor lives
// between the setjmp and the jump.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings of damaged data are not printed; the picture goes on loading.
void OutputMessage(j_common_ptr) {}

void InitErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.message[0] = 0;
}

// 32-bit RGB pixels as they lie in memory.
constexpr J_COLOR_SPACE kPixelSpace =
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    JCS_EXT_BGRA;
#else
    JCS_EXT_ARGB;
#endif

struct EncodeSettings {
    int quality;
    bool gray;
    bool fast;
    bool progressive;
};

// Returns false with the library's message; on success *out (malloc'ed) holds *size bytes.
bool Encode(const QImage& img, const EncodeSettings& s, unsigned char** out, unsigned long* size, char* message)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    InitErrors(err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, sizeof err.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = JDIMENSION(img.width());
    cinfo.image_height = JDIMENSION(img.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = kPixelSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, s.quality, TRUE);
    if (s.gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    cinfo.dct_method = s.fast ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.optimize_coding = s.fast ? FALSE : TRUE;
    if (s.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct DecodeSettings {
    int scaleDenom;
    bool fast;
    bool smoothing;
    bool headerOnly;
};

// Decodes into *img (allocated here once the size is known); answers false with the
// message. With headerOnly only the size is read.
bool Decode(const std::uint8_t* data, std::size_t len, const DecodeSettings& s, QImage* img, int* width, int* height,
            char* message)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    InitErrors(err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, sizeof err.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(len));
    jpeg_read_header(&cinfo, TRUE);
    *width = int(cinfo.image_width);
    *height = int(cinfo.image_height);
    if (std::int64_t(cinfo.image_width) * std::int64_t(cinfo.image_height) > JPEGMaximumPixels) {
        std::snprintf(message, JMSG_LENGTH_MAX, "Picture too large (%ux%u)", cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (s.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(s.scaleDenom);
    cinfo.dct_method = s.fast ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = s.smoothing ? TRUE : FALSE;
    cinfo.out_color_space = kPixelSpace;
    jpeg_start_decompress(&cinfo);
    *img = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (img->isNull()) {
        std::snprintf(message, JMSG_LENGTH_MAX, "Out of memory for a picture of %ux%u", cinfo.output_width,
                      cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = img->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

int ScaleDenominator(TJPEGScale scale)
{
    return 1 << int(scale);
}

}  // namespace

TJPEGImage::TJPEGImage(QObject* parent) : TGraphic(parent), TJPEGDefaults(JPEGDefaults) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetData(std::vector<std::uint8_t> Data)
{
    FData = std::move(Data);
    FDecoded = QImage();
    Changed();
}

void TJPEGImage::Compress(const TBitmap& Bitmap)
{
    const QImage& img = Bitmap.Image();
    if (img.width() <= 0 || img.height() <= 0) throw EInvalidGraphic("Cannot compress an empty picture");
    if (img.width() > JPEG_MAX_DIMENSION || img.height() > JPEG_MAX_DIMENSION)
        throw EInvalidGraphic("Picture too large for JPEG");
    const QImage src = img.format() == QImage::Format_RGB32 ? img : img.convertToFormat(QImage::Format_RGB32);
    const int quality = std::clamp(CompressionQuality, 1, 100);
    const EncodeSettings s{quality, Grayscale, Performance == jpBestSpeed, ProgressiveEncoding};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = Encode(src, s, &out, &size, message);
    std::vector<std::uint8_t> bytes;
    if (ok && out) bytes.assign(out, out + size);
    std::free(out);
    if (!ok) throw EInvalidGraphic(AnsiString("JPEG error: ") + message);
    FWidth = src.width();
    FHeight = src.height();
    SetData(std::move(bytes));
}

void TJPEGImage::Assign(TPersistent* Source)
{
    if (Source == this) return;
    if (auto* jpeg = qobject_cast<TJPEGImage*>(Source)) {
        static_cast<TJPEGDefaults&>(*this) = *jpeg;
        FWidth = jpeg->FWidth;
        FHeight = jpeg->FHeight;
        SetData(jpeg->FData);
        return;
    }
    if (auto* bmp = qobject_cast<TBitmap*>(Source)) {
        Compress(*bmp);
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(Source)) {
        TBitmap bmp;
        bmp.SetImage(g->ToImage());
        Compress(bmp);
        return;
    }
    TGraphic::Assign(Source);
}

QImage TJPEGImage::ToImage() const
{
    if (FData.empty()) return {};
    // A picture drawn at every paint (a back image) is decoded once per set of decoding
    // settings, not at every draw.
    const DecodeSettings s{ScaleDenominator(Scale), Performance == jpBestSpeed, Smoothing, false};
    const int key = s.scaleDenom * 4 + (s.fast ? 2 : 0) + (s.smoothing ? 1 : 0);
    if (!FDecoded.isNull() && FDecodedKey == key) return FDecoded;
    QImage img;
    int w = 0, h = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (!Decode(FData.data(), FData.size(), s, &img, &w, &h, message))
        throw EInvalidGraphic(AnsiString("JPEG error: ") + message);
    FDecoded = img;
    FDecodedKey = key;
    return img;
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (GetEmpty() || !ACanvas) return;
    QPainter* p = ACanvas->Painter();
    if (!p) return;
    p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), ToImage());
}

void TJPEGImage::LoadFromStream(TStream* Stream)
{
    const std::int64_t size = Stream->GetSize() - Stream->GetPosition();
    std::vector<std::uint8_t> bytes(std::size_t(std::max<std::int64_t>(size, 0)));
    if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
    QImage unused;
    int w = 0, h = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const DecodeSettings s{1, false, true, true};
    if (bytes.empty() || !Decode(bytes.data(), bytes.size(), s, &unused, &w, &h, message))
        throw EInvalidGraphic(AnsiString("JPEG error: ") + (bytes.empty() ? "empty data" : message));
    FWidth = w;
    FHeight = h;
    SetData(std::move(bytes));
}

void TJPEGImage::SaveToStream(TStream* Stream) const
{
    if (!FData.empty()) Stream->WriteBuffer(FData.data(), std::int64_t(FData.size()));
}

void TJPEGImage::LoadFromFile(const AnsiString& FileName)
{
    TMemoryStream stream;
    stream.LoadFromFile(FileName);
    LoadFromStream(&stream);
}

void TJPEGImage::SaveToFile(const AnsiString& FileName)
{
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(FData.data()), FData.size());
    if (!platform::SaveFileAtomic(FileName, bytes, &error))
        throw EInOutError("Cannot write " + FileName + ": " + error);
}

// ---- start-up: JPEG files become JPEG pictures wherever a picture is loaded from a file.

namespace {

struct JPEGFileFormatRegistration {
    JPEGFileFormatRegistration()
    {
        for (const char* extension : {"jpg", "jpeg"})
            TPicture::RegisterFileFormat(extension, "TJPEGImage", [] { return std::make_unique<TJPEGImage>(); });
    }
    ~JPEGFileFormatRegistration() { TPicture::UnregisterGraphicClass("TJPEGImage"); }
};

const JPEGFileFormatRegistration jpegFileFormat;

}  // namespace
