// The panel drawn somewhere other than its window: bitmaps, recorded pictures, the
// clipboard and the printer. Each runs the normal draw sequence against another canvas
// with buffering switched off.
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <algorithm>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/FileSave.h"
#include "platform/Round.h"
#include "platform/TMetafile.h"
#include "platform/TPrinter.h"

namespace {

// Multiply and divide rounding half away from zero, as the platform's MulDiv, in 64 bits.
int MulDivRound(int a, int b, int c)
{
    return MulDiv(a, b, c);
}

}  // namespace

TPrinter* TCustomTeePanel::GetPrinter()
{
    return Printer();
}

void TCustomTeePanel::NonBufferDraw(TCanvas* ACanvas, const TRect& R)
{
    const bool old = GetBufferedDisplay();
    SetBufferedDisplay(false);
    try {
        Draw(ACanvas, R);
    } catch (...) {
        SetBufferedDisplay(old);
        throw;
    }
    SetBufferedDisplay(old);
}

void TCustomTeePanel::DrawToMetaCanvas(TCanvas* ACanvas, const TRect& R)
{
    FCanvas->Metafiling = true;
    try {
        NonBufferDraw(ACanvas, R);
    } catch (...) {
        FCanvas->Metafiling = false;
        throw;
    }
    FCanvas->Metafiling = false;
}

std::unique_ptr<TBitmap> TCustomTeePanel::TeeCreateBitmap(TColor ABackColor, const TRect& R, TPixelFormat APixelFormat)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(FCanvas->GetSupportsFullRotation() ? gfx::pf24bit : APixelFormat);
    bitmap->SetSize(std::max(R.Width(), 0), std::max(R.Height(), 0));
    if (bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0) return bitmap;
    TCanvas* c = bitmap->Canvas();
    if (ABackColor != clWhite) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(ABackColor);
        c->FillRect(R);
    }
    NonBufferDraw(c, R);
    bitmap->Image();  // ends painting on the bitmap
    return bitmap;
}

void TCustomTeePanel::SaveToBitmapFile(const AnsiString& FileName)
{
    SaveToBitmapFile(FileName, GetRectangle());
}

namespace {

// Writes the bytes without ever leaving a half-written file in place of a good one.
void WriteFileBytes(const AnsiString& FileName, const QByteArray& bytes)
{
    std::string error;
    if (!platform::SaveFileAtomic(FileName, std::string_view(bytes.constData(), std::size_t(bytes.size())), &error))
        throw EInOutError("Cannot write " + FileName + ": " + error);
}

}  // namespace

// Always a BMP file, whatever the name's extension.
void TCustomTeePanel::SaveToBitmapFile(const AnsiString& FileName, const TRect& R)
{
    auto bitmap = TeeCreateBitmap(clWhite, R, gfx::pfDevice);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!bitmap->Image().save(&buffer, "BMP")) throw EInOutError("Cannot write " + FileName);
    WriteFileBytes(FileName, bytes);
}

std::unique_ptr<TMetafile> TCustomTeePanel::TeeCreateMetafile(bool Enhanced, const TRect& R)
{
    auto meta = std::make_unique<TMetafile>();
    meta->SetWidth(std::max(1, R.Width()));
    meta->SetHeight(std::max(1, R.Height()));
    meta->SetEnhanced(Enhanced);
    {
        TMetafileCanvas canvas(meta.get());
        DrawToMetaCanvas(&canvas, R);
    }
    return meta;
}

void TCustomTeePanel::SaveToMetafile(const AnsiString& FileName)
{
    SaveToMetafileRect(false, FileName, GetRectangle());
}

void TCustomTeePanel::SaveToMetafileEnh(const AnsiString& FileName)
{
    SaveToMetafileRect(true, FileName, GetRectangle());
}

void TCustomTeePanel::SaveToMetafileRect(bool Enhanced, const AnsiString& FileName, const TRect& R)
{
    TeeCreateMetafile(Enhanced, R)->SaveToFile(FileName);
}

void TCustomTeePanel::CopyToClipboardBitmap()
{
    CopyToClipboardBitmap(GetRectangle());
}

void TCustomTeePanel::CopyToClipboardBitmap(const TRect& R)
{
    auto bitmap = TeeCreateBitmap(clWhite, R, gfx::pfDevice);
    QGuiApplication::clipboard()->setImage(bitmap->ToImage());
}

void TCustomTeePanel::CopyToClipboardMetafile(bool Enhanced)
{
    CopyToClipboardMetafile(Enhanced, GetRectangle());
}

void TCustomTeePanel::CopyToClipboardMetafile(bool Enhanced, const TRect& R)
{
    auto meta = TeeCreateMetafile(Enhanced, R);
    QGuiApplication::clipboard()->setMimeData(meta->ClipboardData());
}

void TCustomTeePanel::AssignTo(QObject* Dest)
{
    auto* picture = qobject_cast<TPicture*>(Dest);
    auto* graphic = qobject_cast<TGraphic*>(Dest);
    if (!picture && !graphic) {
        const char* to = Dest ? Dest->metaObject()->className() : "nil";
        throw EConvertError(AnsiString("Cannot assign a ") + metaObject()->className() + " to a " + to);
    }
    auto bitmap = TeeCreateBitmap(GetColor(), GetRectangle(), gfx::pfDevice);
    if (picture)
        picture->Assign(bitmap.get());
    else
        graphic->Assign(bitmap.get());
}

// ---- printing

void TCustomTeePanel::Print()
{
    PrintRect(ChartPrintRect());
}

void TCustomTeePanel::PrintPortrait()
{
    PrintOrientation(poPortrait);
}

void TCustomTeePanel::PrintLandscape()
{
    PrintOrientation(poLandscape);
}

void TCustomTeePanel::PrintOrientation(int Orientation)
{
    TPrinter* printer = GetPrinter();
    const TPrinterOrientation old = printer->GetOrientation();
    printer->SetOrientation(TPrinterOrientation(Orientation));
    try {
        Print();
    } catch (...) {
        printer->SetOrientation(old);
        throw;
    }
    printer->SetOrientation(old);
}

void TCustomTeePanel::PrintRect(const TRect& R)
{
    TPrinter* printer = GetPrinter();
    if (!Name().empty()) printer->Title = Name();
    printer->BeginDoc();
    try {
        PrintPartial(R);
    } catch (...) {
        printer->Abort();
        if (printer->Printing()) printer->EndDoc();
        throw;
    }
    printer->EndDoc();
}

void TCustomTeePanel::PrintPartial(const TRect& R)
{
    PrintPartialCanvas(GetPrinter()->Canvas(), R);
}

void TCustomTeePanel::CalcMetaBounds(TRect& R, const TRect& PanelRect, int& WinWidth, int& WinHeight, int& ViewWidth,
                                     int& ViewHeight)
{
    RectSize(R, ViewWidth, ViewHeight);
    int pw, ph;
    RectSize(PanelRect, pw, ph);
    // A resolution of 100 or more would leave no pixels (or negative ones, a mirrored
    // print): the chart keeps at least one.
    WinWidth = std::max(1, pw - MulDivRound(pw, PrintResolution, 100));
    WinHeight = std::max(1, ph - MulDivRound(ph, PrintResolution, 100));
    // A zero-sized print rectangle keeps its coordinates rather than dividing by zero.
    if (ViewWidth != 0) {
        R.Left = MulDivRound(R.Left, WinWidth, ViewWidth);
        R.Right = MulDivRound(R.Right, WinWidth, ViewWidth);
    }
    if (ViewHeight != 0) {
        R.Top = MulDivRound(R.Top, WinHeight, ViewHeight);
        R.Bottom = MulDivRound(R.Bottom, WinHeight, ViewHeight);
    }
}

void TCustomTeePanel::PrintPartialCanvas(TCanvas* PrintCanvas, const TRect& PrintRect)
{
    TRect R = OrientRectangle(PrintRect);
    int winW, winH, viewW, viewH;
    CalcMetaBounds(R, GetRectangle(), winW, winH, viewW, viewH);
    const int oldMode = PrintCanvas->SetMapMode(MM_ANISOTROPIC);
    const TPoint oldWinOrg = PrintCanvas->GetWindowOrg(), oldViewOrg = PrintCanvas->GetViewportOrg();
    const TSize oldWinExt = PrintCanvas->GetWindowExt(), oldViewExt = PrintCanvas->GetViewportExt();
    PrintCanvas->SetWindowOrgEx(0, 0);
    PrintCanvas->SetWindowExtEx(winW, winH);
    PrintCanvas->SetViewportExtEx(viewW, viewH);
    PrintCanvas->SetViewportOrgEx(0, 0);
    // The chart is laid out in its own pixels, which the mapping scales onto the page (pens
    // with it). Its fonts are therefore sized at the resolution the chart has on the screen,
    // not at the device's: text keeps its proportion to the chart at every resolution.
    TFont* font = PrintCanvas->Font();
    const int oldPixelsPerInch = font->PixelsPerInch;
    font->PixelsPerInch = FWindowImage.isNull() ? QImage(1, 1, QImage::Format_RGB32).logicalDpiY() : WindowDpi();
    const auto restore = [&] {
        font->PixelsPerInch = oldPixelsPerInch;
        PrintCanvas->SelectClipRgn(nullptr);
        Printing = false;
        PrintCanvas->SetMapMode(oldMode);
        PrintCanvas->SetWindowOrgEx(oldWinOrg.X, oldWinOrg.Y);
        PrintCanvas->SetWindowExtEx(oldWinExt.cx, oldWinExt.cy);
        PrintCanvas->SetViewportExtEx(oldViewExt.cx, oldViewExt.cy);
        PrintCanvas->SetViewportOrgEx(oldViewOrg.X, oldViewOrg.Y);
    };
    Printing = true;
    try {
        if (CanClip()) PrintCanvas->IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
        if (OnBeforePrint) OnBeforePrint(this, PrintCanvas, R);
        DrawToMetaCanvas(PrintCanvas, R);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

TRect TCustomTeePanel::ChartPrintRect()
{
    if (PrintProportional) PrintMargins = CalcProportionalMargins();
    TPrinter* printer = GetPrinter();
    const int pw = printer->PageWidth(), ph = printer->PageHeight();
    const double X = printer->PixelsPerInchX(), Y = printer->PixelsPerInchY();
    TRect r;
    r.Left = Round(PrintMargins.Left * 0.01 * pw / X * X);
    r.Right = pw - Round(PrintMargins.Right * 0.01 * pw / X * X);
    r.Top = Round(PrintMargins.Top * 0.01 * ph / Y * Y);
    r.Bottom = ph - Round(PrintMargins.Bottom * 0.01 * ph / Y * Y);
    return r;
}

TRect TCustomTeePanel::CalcProportionalMargins()
{
    int w, h;
    RectSize(GetRectangle(), w, h);
    double pw, ph, r;
    TPrinter* printer = GetPrinter();
    try {
        pw = printer->PageWidth();
        ph = printer->PageHeight();
        r = double(printer->PixelsPerInchX()) / printer->PixelsPerInchY();
    } catch (const EPrinter&) {
        const TRect screen = TRect(0, 0, 1, 1);
        QScreen* s = QGuiApplication::primaryScreen();
        pw = s ? s->geometry().width() : screen.Width();
        ph = s ? s->geometry().height() : screen.Height();
        r = 1;
    }
    TRect m(15, 15, 15, 15);
    // An empty panel or page has no proportions to keep.
    if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return m;
    if (w <= h) {
        const double height = 0.7 * ph;
        const double width = height * (double(w) / h) * r;
        m.Left = m.Right = Round((pw - width) * 100 / pw) / 2;
    } else {
        const double width = 0.7 * pw;
        const double height = width * (double(h) / w) * r;
        m.Top = m.Bottom = Round((ph - height) * 100 / ph) / 2;
    }
    return m;
}
