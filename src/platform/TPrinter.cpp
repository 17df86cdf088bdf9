#include "platform/TPrinter.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include "platform/FileSave.h"
#include "platform/TCanvas.h"

TPrinter::TPrinter() : TPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TPrinter::TPrinter(std::unique_ptr<QPrinter> Device) : FDevice(std::move(Device))
{
    if (FDevice && FDevice->outputFormat() == QPrinter::PdfFormat) FPdfFile = FDevice->outputFileName();
}

TPrinter::~TPrinter()
{
    if (FCanvas) FCanvas->Release();
}

void TPrinter::CheckValid() const
{
    if (!FDevice || !FDevice->isValid()) throw EPrinter("There is no default printer currently selected");
}

TCanvas* TPrinter::Canvas()
{
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>();
    if (FCanvas->Device() != FDevice.get()) FCanvas->SetDevice(FDevice.get());
    return FCanvas.get();
}

void TPrinter::Renew()
{
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (FDevice) {
        fresh->setResolution(FDevice->resolution());
        if (FDevice->outputFormat() == QPrinter::PdfFormat) {
            fresh->setOutputFormat(QPrinter::PdfFormat);
            fresh->setOutputFileName(FDevice->outputFileName());
        } else if (!FDevice->printerName().isEmpty()) {
            fresh->setPrinterName(FDevice->printerName());
        }
        fresh->setPageLayout(FDevice->pageLayout());
        fresh->setFullPage(FDevice->fullPage());
        fresh->setCopyCount(FDevice->copyCount());
        fresh->setColorMode(FDevice->colorMode());
        fresh->setDuplex(FDevice->duplex());
        fresh->setDocName(FDevice->docName());
    }
    if (FCanvas) FCanvas->SetDevice(fresh.get());
    FDevice = std::move(fresh);
}

void TPrinter::Recover()
{
    if (FPrinting || !FDevice) return;
    const QPrinter::PrinterState state = FDevice->printerState();
    if (state == QPrinter::Active || state == QPrinter::Error) Renew();
}

void TPrinter::EndSpool()
{
    // A device renewed after a failed job took the temporary file's name with it.
    if (FSpoolFile.isEmpty()) return;
    if (FDevice) FDevice->setOutputFileName(FSpoolTarget);
    QFile::remove(FSpoolFile);
    FSpoolFile.clear();
}

void TPrinter::BeginDoc()
{
    if (FPrinting) throw EPrinter("Printing in progress");
    Recover();
    CheckValid();
    FDevice->setDocName(QString::fromStdString(Title));
    FAborted = false;
    if (FDevice->outputFormat() == QPrinter::PdfFormat && !FDevice->outputFileName().isEmpty()) {
        QTemporaryFile spool(QDir::tempPath() + QStringLiteral("/noxcontrol-print-XXXXXX.pdf"));
        if (!spool.open()) throw EPrinter("Printing could not be started: " + spool.errorString().toStdString());
        spool.setAutoRemove(false);
        FSpoolTarget = FDevice->outputFileName();
        FSpoolFile = spool.fileName();
        FDevice->setOutputFileName(FSpoolFile);
    }
    TCanvas* c = Canvas();
    QPainter* p = c->Painter();
    if (!p || !p->isActive()) {
        c->Release();
        // The job never started, but the device may think it did: the next job and the
        // printer settings must find it usable.
        Renew();
        EndSpool();
        throw EPrinter("Printing could not be started");
    }
    FPrinting = true;
}

void TPrinter::EndDoc()
{
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    FPrinting = false;
    if (FCanvas) {
        QPainter* p = FCanvas->Painter();
        const bool ok = p && p->isActive() && p->end();
        FCanvas->Release();
        if (!ok) {
            Recover();
            EndSpool();
            throw EPrinter("Printing could not be finished");
        }
    }
    if (FSpoolFile.isEmpty()) return;
    QFile spool(FSpoolFile);
    const bool read = spool.open(QIODevice::ReadOnly);
    const QByteArray bytes = read ? spool.readAll() : QByteArray();
    const std::string reason = spool.errorString().toStdString();
    spool.close();
    const std::string target = FSpoolTarget.toStdString();
    EndSpool();
    if (!read) throw EPrinter("Printing could not be finished: " + reason);
    std::string error;
    if (!platform::SaveFileAtomic(target, std::string_view(bytes.constData(), std::size_t(bytes.size())), &error))
        throw EPrinter(error);
}

void TPrinter::NewPage()
{
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    if (!FDevice->newPage()) throw EPrinter("A new page could not be started");
}

void TPrinter::Abort()
{
    if (!FPrinting) return;
    FDevice->abort();
    if (FCanvas) FCanvas->Release();
    FPrinting = false;
    FAborted = true;
    // Not every print engine can abort: one that stays busy is replaced.
    Recover();
    EndSpool();
}

TPrinterOrientation TPrinter::GetOrientation() const
{
    return FDevice->pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation Value)
{
    FDevice->setPageOrientation(Value == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

int TPrinter::PageWidth() const
{
    CheckValid();
    return FDevice->pageLayout().paintRectPixels(FDevice->resolution()).width();
}

int TPrinter::PageHeight() const
{
    CheckValid();
    return FDevice->pageLayout().paintRectPixels(FDevice->resolution()).height();
}

int TPrinter::PixelsPerInchX() const
{
    return FDevice->logicalDpiX();
}
int TPrinter::PixelsPerInchY() const
{
    return FDevice->logicalDpiY();
}

bool TPrinter::Present() const
{
    if (!FDevice || !FDevice->isValid()) return false;
    if (FDevice->outputFormat() == QPrinter::PdfFormat) return !FDevice->outputFileName().isEmpty();
    return !FDevice->printerName().isEmpty();
}

std::vector<AnsiString> TPrinter::Printers() const
{
    std::vector<AnsiString> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) names.push_back(name.toStdString());
    if (FDevice && FDevice->outputFormat() == QPrinter::PdfFormat && !FDevice->outputFileName().isEmpty())
        names.push_back(FDevice->outputFileName().toStdString());
    else if (!FPdfFile.isEmpty())
        names.push_back(FPdfFile.toStdString());
    return names;
}

int TPrinter::PrinterIndex() const
{
    if (!FDevice) return -1;
    const std::vector<AnsiString> names = Printers();
    const QString current =
        FDevice->outputFormat() == QPrinter::PdfFormat ? FDevice->outputFileName() : FDevice->printerName();
    if (current.isEmpty()) return -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == current.toStdString()) return int(i);
    return -1;
}

void TPrinter::SetPrinterIndex(int Index)
{
    if (FPrinting) throw EPrinter("Printing in progress");
    Recover();
    const std::vector<AnsiString> names = Printers();
    if (!FDevice || Index < 0 || Index >= int(names.size())) throw EPrinter("Printer selected is not valid");
    const QString name = QString::fromStdString(names[std::size_t(Index)]);
    if (FDevice->outputFormat() == QPrinter::PdfFormat && !FDevice->outputFileName().isEmpty())
        FPdfFile = FDevice->outputFileName();
    if (!FPdfFile.isEmpty() && name == FPdfFile) {
        FDevice->setOutputFormat(QPrinter::PdfFormat);
        FDevice->setOutputFileName(FPdfFile);
    } else {
        FDevice->setOutputFileName(QString());
        FDevice->setPrinterName(name);
    }
}

namespace {
TPrinter* gPrinter = nullptr;
std::unique_ptr<TPrinter> gDefaultPrinter;
}  // namespace

TPrinter* Printer()
{
    if (gPrinter) return gPrinter;
    if (!gDefaultPrinter) gDefaultPrinter = std::make_unique<TPrinter>();
    return gDefaultPrinter.get();
}

void SetPrinter(TPrinter* Value)
{
    gPrinter = Value;
}
