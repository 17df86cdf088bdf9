#include "platform/TBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/Exception.h"
#include "platform/StoreChanged.h"
#include "platform/TCanvas.h"

namespace {
// 96 dots per inch, the resolution of screen bitmaps.
constexpr int kDotsPerMeter96 = 3780;

QImage NewImage(int w, int h)
{
    QImage img(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter96);
    img.setDotsPerMeterY(kDotsPerMeter96);
    img.fill(0xFFFFFFFFu);
    return img;
}
}  // namespace

void TGraphic::SetTransparent(bool value)
{
    if (StoreChanged(FTransparent, value)) Changed();
}

void TGraphic::Changed()
{
    if (OnChange) OnChange(this);
}

// ---- TBitmap

TBitmap::TBitmap(QObject* parent) : TGraphic(parent), FImage(NewImage(0, 0)) {}

TBitmap::~TBitmap()
{
    if (FCanvas) FCanvas->Release();
}

void TBitmap::ReleaseCanvas() const
{
    if (FCanvas) FCanvas->Release();
}

void TBitmap::Assign(TPersistent* Source)
{
    if (auto* b = qobject_cast<TBitmap*>(Source)) {
        if (b == this) return;
        ReleaseCanvas();
        b->ReleaseCanvas();
        FImage = b->FImage.copy();
        FPixelFormat = b->FPixelFormat;
        FMonochrome = b->FMonochrome;
        IgnorePalette = b->IgnorePalette;
        SetTransparent(b->GetTransparent());
        if (FCanvas) FCanvas->SetDevice(&FImage);
        Changed();
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(Source)) {
        SetImage(g->ToImage());
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FImage.width() && height == FImage.height()) return;
    ReleaseCanvas();
    QImage img = NewImage(width, height);
    const int w = std::min(width, FImage.width());
    const int h = std::min(height, FImage.height());
    for (int y = 0; y < h; ++y) std::memcpy(img.scanLine(y), FImage.constScanLine(y), std::size_t(w) * 4);
    FImage = std::move(img);
    if (FCanvas) FCanvas->SetDevice(&FImage);
    Changed();
}

void TBitmap::SetWidth(int value)
{
    SetSize(value, FImage.height());
}
void TBitmap::SetHeight(int value)
{
    SetSize(FImage.width(), value);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (GetEmpty() || !ACanvas) return;
    ReleaseCanvas();
    QPainter* p = ACanvas->Painter();
    if (!p) return;
    p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), FImage);
}

QImage TBitmap::ToImage() const
{
    ReleaseCanvas();
    return FImage.copy();
}

void TBitmap::LoadFromFile(const AnsiString& FileName)
{
    QImage img;
    if (!img.load(QString::fromStdString(FileName))) throw EInOutError("Cannot read the picture " + FileName);
    SetImage(img);
}

void TBitmap::SaveToFile(const AnsiString& FileName)
{
    ReleaseCanvas();
    if (!FImage.save(QString::fromStdString(FileName))) throw EInOutError("Cannot write the picture " + FileName);
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas) {
        FCanvas = new TCanvas(this);
        FCanvas->SetDevice(&FImage);
    }
    return FCanvas;
}

QImage& TBitmap::Image()
{
    ReleaseCanvas();
    return FImage;
}

const QImage& TBitmap::Image() const
{
    ReleaseCanvas();
    return FImage;
}

void TBitmap::SetImage(const QImage& image)
{
    ReleaseCanvas();
    FImage = image.convertToFormat(QImage::Format_RGB32);
    FImage.setDotsPerMeterX(kDotsPerMeter96);
    FImage.setDotsPerMeterY(kDotsPerMeter96);
    if (FCanvas) FCanvas->SetDevice(&FImage);
    Changed();
}

std::uint8_t* TBitmap::ScanLine(int row)
{
    ReleaseCanvas();
    if (row < 0 || row >= FImage.height()) throw EListError("Scan line index out of range");
    return FImage.scanLine(row);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (!StoreChanged(FPixelFormat, value)) return;
    if (value == pf1bit) SetMonochrome(true);
    Changed();
}

void TBitmap::SetMonochrome(bool value)
{
    if (!StoreChanged(FMonochrome, value)) return;
    if (value) {
        // Only black and white remain: a pixel is white when it is brighter than mid grey.
        ReleaseCanvas();
        for (int y = 0; y < FImage.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(FImage.scanLine(y));
            for (int x = 0; x < FImage.width(); ++x) line[x] = qGray(line[x]) >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    Changed();
}

// ---- TPicture

TPicture::TPicture(QObject* parent) : TPersistent(parent) {}
TPicture::~TPicture() = default;

void TPicture::Changed()
{
    if (OnChange) OnChange(this);
}

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = [this](QObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* value)
{
    if (!value) {
        Adopt(nullptr);
        return;
    }
    if (value == FGraphic.get()) return;
    auto copy = value->NewInstance();
    copy->Assign(value);
    Adopt(std::move(copy));
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* p = qobject_cast<TPicture*>(Source)) {
        SetGraphic(p->GetGraphic());
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

TBitmap* TPicture::GetBitmap()
{
    if (auto* b = qobject_cast<TBitmap*>(FGraphic.get())) return b;
    Adopt(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(FGraphic.get());
}

namespace {

struct FileFormat {
    AnsiString Extension;  // lower case
    AnsiString ClassName;
    TPicture::TGraphicFactory Factory;
};

std::mutex& FileFormatsMutex()
{
    static std::mutex m;
    return m;
}

std::vector<FileFormat>& FileFormats()
{
    static std::vector<FileFormat> formats;
    return formats;
}

}  // namespace

void TPicture::RegisterFileFormat(const AnsiString& Extension, const char* ClassName, TGraphicFactory Factory)
{
    std::lock_guard lock(FileFormatsMutex());
    FileFormats().push_back({LowerCase(Extension), ClassName, std::move(Factory)});
}

void TPicture::UnregisterGraphicClass(const char* ClassName)
{
    std::lock_guard lock(FileFormatsMutex());
    auto& formats = FileFormats();
    formats.erase(
        std::remove_if(formats.begin(), formats.end(), [&](const FileFormat& f) { return f.ClassName == ClassName; }),
        formats.end());
}

std::unique_ptr<TGraphic> TPicture::GraphicForExtension(const AnsiString& Extension)
{
    TGraphicFactory factory;
    {
        std::lock_guard lock(FileFormatsMutex());
        const AnsiString ext = LowerCase(Extension);
        const auto& formats = FileFormats();
        const auto found =
            std::find_if(formats.rbegin(), formats.rend(), [&](const FileFormat& f) { return f.Extension == ext; });
        if (found != formats.rend()) factory = found->Factory;
    }
    return factory ? factory() : nullptr;
}

void TPicture::LoadFromFile(const AnsiString& FileName)
{
    const AnsiString extension = ExtractFileExt(FileName);
    std::unique_ptr<TGraphic> graphic;
    if (!extension.empty()) graphic = GraphicForExtension(extension.substr(1));
    if (!graphic) graphic = std::make_unique<TBitmap>();
    // Read first: a file that fails leaves the picture as it was.
    graphic->LoadFromFile(FileName);
    Adopt(std::move(graphic));
}

void TPicture::SaveToFile(const AnsiString& FileName)
{
    if (!FGraphic) throw EInOutError("The picture is empty: " + FileName);
    FGraphic->SaveToFile(FileName);
}
