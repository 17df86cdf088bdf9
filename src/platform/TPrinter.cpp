#include "platform/TPrinter.h"

#include <QPainter>

#include "platform/TCanvas.h"

TPrinter::TPrinter() : TPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TPrinter::TPrinter(std::unique_ptr<QPrinter> Device) : FDevice(std::move(Device)) {}

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

void TPrinter::BeginDoc()
{
    if (FPrinting) throw EPrinter("Printing in progress");
    CheckValid();
    FDevice->setDocName(QString::fromStdString(Title));
    FAborted = false;
    TCanvas* c = Canvas();
    QPainter* p = c->Painter();
    if (!p || !p->isActive()) {
        c->Release();
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
        if (!ok) throw EPrinter("Printing could not be finished");
    }
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
