#include "chart/storage/TeePictureFormats.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <filesystem>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeConst.h"
#include "chart/storage/BitmapFileWriter.h"

namespace {

template <typename T>
std::unique_ptr<TTeeExportFormat> Make()
{
    return std::make_unique<T>();
}

// Puts the bytes of a picture file on the clipboard together with its image, so programs
// that do not know the file type can still paste it.
void SetClipboardPicture(const char* MimeType, const std::vector<std::uint8_t>& Bytes, const QImage& Image)
{
    auto* data = new QMimeData;
    data->setData(MimeType, QByteArray(reinterpret_cast<const char*>(Bytes.data()), qsizetype(Bytes.size())));
    data->setImageData(Image);
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace

// ---- bitmap

const TTeeExportFormatClassInfo TBMPExportFormat::Class = {"TBMPExportFormat", &Make<TBMPExportFormat>};

TBMPExportFormat::TBMPExportFormat() : TPictureExportFormat(TeeMsg_AsBMP, TeeMsg_BMPFilter) {}

std::unique_ptr<TBitmap> TBMPExportFormat::Bitmap()
{
    CheckPanel();
    Options(true);
    auto bitmap = std::make_unique<TBitmap>();
    CheckSize();
    bitmap->SetSize(Width, Height);
    const bool mono = FProperties->CBMono->isChecked();
    if (!mono) bitmap->SetPixelFormat(TPixelFormat(std::max(FProperties->CBColors->currentIndex(), 0)));
    if (Panel->GetCanvas()->GetSupportsFullRotation()) bitmap->SetPixelFormat(pf24bit);
    const TRect R(0, 0, Width, Height);
    if (Width > 0 && Height > 0) {
        TCanvas* c = bitmap->Canvas();
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Panel->GetColor());
        c->FillRect(R);
        Panel->NonBufferDraw(c, R);
    }
    // Only black and white are kept, whatever the colour choice says.
    if (mono) bitmap->SetMonochrome(true);
    bitmap->Image();  // ends painting on the bitmap
    return bitmap;
}

void TBMPExportFormat::SaveToStream(TStream* Stream)
{
    auto bitmap = Bitmap();
    // A chart without a size has no picture: a file of a header alone is an error, as the
    // other picture formats make it.
    if (Width <= 0 || Height <= 0) throw EInvalidGraphic("Cannot write an empty picture");
    WriteBitmapFile(*bitmap, Stream);
}

void TBMPExportFormat::DoCopyToClipboard()
{
    auto bitmap = Bitmap();
    QGuiApplication::clipboard()->setImage(bitmap->ToImage());
}

// ---- metafile

const TTeeExportFormatClassInfo TEMFExportFormat::Class = {"TEMFExportFormat", &Make<TEMFExportFormat>};

TEMFExportFormat::TEMFExportFormat() : TPictureExportFormat(TeeMsg_AsEMF, TeeMsg_EMFFilter) {}

bool TEMFExportFormat::GetEnhanced() const
{
    return !FProperties || FProperties->CBEnhanced->isChecked();
}

void TEMFExportFormat::SetEnhanced(bool Value)
{
    Options(true);
    FProperties->CBEnhanced->setChecked(Value);
}

int TEMFExportFormat::FileFilterIndex()
{
    return GetEnhanced() ? FFileFilterIndex : FFileFilterIndex + 1;
}

void TEMFExportFormat::IncFileFilterIndex(int& Index)
{
    TTeeExportFormat::IncFileFilterIndex(Index);
    ++Index;
}

bool TEMFExportFormat::WantsFileExtension(const AnsiString& Extension)
{
    const bool enhanced = SameText(Extension, "emf");
    if (!enhanced && !SameText(Extension, "wmf")) return false;
    if (GetEnhanced() != enhanced) SetEnhanced(enhanced);
    return true;
}

bool TEMFExportFormat::WantsFilterIndex(int Index)
{
    // Each entry chooses its own variant: a format switched to old-style pictures by its
    // second entry must become enhanced again when the first one is chosen.
    if (Index == FFileFilterIndex) {
        if (!GetEnhanced()) SetEnhanced(true);
        return true;
    }
    if (Index == FFileFilterIndex + 1) {
        SetEnhanced(false);
        return true;
    }
    return false;
}

std::unique_ptr<TMetafile> TEMFExportFormat::Metafile()
{
    CheckPanel();
    CheckSize();
    return Panel->TeeCreateMetafile(GetEnhanced(), TRect(0, 0, Width, Height));
}

void TEMFExportFormat::SaveToStream(TStream* Stream)
{
    Metafile()->SaveToStream(Stream);
}

void TEMFExportFormat::DoCopyToClipboard()
{
    QGuiApplication::clipboard()->setMimeData(Metafile()->ClipboardData());
}

// ---- JPEG

const TTeeExportFormatClassInfo TJPEGExportFormat::Class = {"TJPEGExportFormat", &Make<TJPEGExportFormat>};

TJPEGExportFormat::TJPEGExportFormat() : TPictureExportFormat(TeeMsg_AsJPEG, TeeMsg_JPEGFilter) {}

int TJPEGExportFormat::GetQuality()
{
    return Form()->UpDown1->value();
}

void TJPEGExportFormat::SetQuality(int Value)
{
    Form()->UpDown1->setValue(Value);
}

std::unique_ptr<TJPEGImage> TJPEGExportFormat::Jpeg()
{
    CheckPanel();
    TTeeJPEGOptions* form = Form();
    TJPEGDefaults params = JPEGDefaults;
    params.CompressionQuality = form->UpDown1->value();
    params.Grayscale = form->CBGray->isChecked();
    params.Performance = form->RGPerf->ItemIndex() == 1 ? jpBestSpeed : jpBestQuality;
    CheckSize();
    return TeeGetJPEGImageParams(Panel, params, 0, 0, Width, Height);
}

void TJPEGExportFormat::SaveToStream(TStream* Stream)
{
    auto jpeg = Jpeg();
    jpeg->SaveToStream(Stream);
}

void TJPEGExportFormat::DoCopyToClipboard()
{
    auto jpeg = Jpeg();
    SetClipboardPicture("image/jpeg", jpeg->Data(), jpeg->ToImage());
}

std::unique_ptr<TJPEGImage> TeeGetJPEGImageParams(TCustomTeePanel* Panel, const TJPEGDefaults& Params, int Left,
                                                  int Top, int Width, int Height)
{
    if (!Panel) throw Exception(TeeMsg_ExportPanelNotSet);
    auto jpeg = std::make_unique<TJPEGImage>();
    auto bitmap = Panel->TeeCreateBitmap(Panel->GetColor(), TRect(Left, Top, Left + Width, Top + Height), pf24bit);
    static_cast<TJPEGDefaults&>(*jpeg) = Params;
    jpeg->Assign(bitmap.get());
    return jpeg;
}

void TeeSaveToJPEGFile(TCustomTeePanel* Panel, const AnsiString& FileName, bool Gray, TJPEGPerformance Performance,
                       int Quality, int Width, int Height)
{
    if (!Panel) throw Exception(TeeMsg_ExportPanelNotSet);
    AnsiString name = FileName;
    if (std::filesystem::path(name).extension().empty()) name += ".jpg";
    TJPEGDefaults params = JPEGDefaults;
    params.CompressionQuality = Quality;
    params.Grayscale = Gray;
    params.Performance = Performance;
    if (Width <= 0) Width = Panel->Width();
    if (Height <= 0) Height = Panel->Height();
    auto jpeg = TeeGetJPEGImageParams(Panel, params, 0, 0, Width, Height);
    jpeg->SaveToFile(name);
}

void TeeSaveToJPEG(TCustomTeePanel* Panel, const AnsiString& FileName, int Width, int Height)
{
    TeeSaveToJPEGFile(Panel, FileName, false, jpBestQuality, 100, Width, Height);
}

// ---- GIF

const TTeeExportFormatClassInfo TGIFExportFormat::Class = {"TGIFExportFormat", &Make<TGIFExportFormat>};

TGIFExportFormat::TGIFExportFormat() : TPictureExportFormat(TeeMsg_AsGIF, TeeMsg_GIFFilter) {}

void TGIFExportFormat::FormCreated()
{
    // A form that is never shown holds the same choices as a freshly shown one.
    FProperties->FormShow();
}

std::unique_ptr<TGIFImage> TGIFExportFormat::GIF()
{
    CheckPanel();
    Options(true);
    CheckSize();
    auto gif = std::make_unique<TGIFImage>();
    gif->Compression = TGIFCompression(std::max(FProperties->RGCompression->ItemIndex(), 0));
    gif->DitherMode = TDitherMode(std::max(FProperties->CBDither->currentIndex(), 0));
    gif->ColorReduction = TColorReduction(std::max(FProperties->CBReduction->currentIndex(), 0));
    auto bitmap = Panel->TeeCreateBitmap(Panel->GetColor(), TRect(0, 0, Width, Height), pfDevice);
    // An empty picture (no size, or none could be made) is no GIF worth writing.
    if (bitmap->GetEmpty() || bitmap->Image().isNull()) throw GIFException("The picture is empty");
    try {
        gif->Assign(bitmap.get());
    } catch (const GIFException& e) {
        // A chart of more than 256 colours (a gradient) has no colour table without reduction:
        // it is quantised to 256 colours with the chosen dither instead of not exported.
        if (gif->ColorReduction != rmNone || std::string_view(e.what()) != "Color table overflow") throw;
        gif->ColorReduction = rmQuantize;
        gif->SetReductionBits(8);
        gif->Assign(bitmap.get());
    }
    return gif;
}

void TGIFExportFormat::SaveToStream(TStream* Stream)
{
    auto gif = GIF();
    gif->SaveToStream(Stream);
}

void TGIFExportFormat::DoCopyToClipboard()
{
    auto gif = GIF();
    TMemoryStream stream;
    gif->SaveToStream(&stream);
    SetClipboardPicture("image/gif", stream.Bytes(), gif->ToImage());
}

// ---- bitmap file of a panel area

void TeeSaveToBitmap(TCustomTeePanel* Panel, const AnsiString& FileName, const TRect& R)
{
    TBMPExportFormat format;
    format.Panel = Panel;
    format.Width = R.Right - R.Left;
    format.Height = R.Bottom - R.Top;
    format.SaveToFile(FileName);
}
