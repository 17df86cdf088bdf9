#pragma once
// The printer: a print job on a QPrinter with a canvas on its pages. The page size is the
// printable area in device pixels. A job that cannot start (no printer, no output file)
// raises EPrinter instead of printing nothing.
//
// A job to a PDF file is made in a temporary file of the local temporary folder, and the
// file named only written when the job ends, whole, as a save writes (SaveFileAtomic): a
// TDeferredSaves on the printing thread then takes it for the background saver, so that a
// file on a drive that does not answer holds up neither the windows nor the recordings.
#include <QPrinter>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

class TCanvas;

class EPrinter : public Exception {
public:
    using Exception::Exception;
};

enum TPrinterOrientation : int { poPortrait, poLandscape };

class TPrinter {
public:
    TPrinter();
    // Prints through the given printer (owned).
    explicit TPrinter(std::unique_ptr<QPrinter> Device);
    ~TPrinter();

    QPrinter* Device() const { return FDevice.get(); }
    // The canvas of the current page (valid between BeginDoc and EndDoc).
    TCanvas* Canvas();
    void BeginDoc();
    void EndDoc();
    // Ends the current page and starts the next one of the job.
    void NewPage();
    // Ends the job without finishing it.
    void Abort();
    // Makes a printer that a failed job left busy usable again, with the settings it had
    // (printer or file, page, orientation). Nothing happens while a job of this printer runs.
    void Recover();
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    AnsiString Title;

    TPrinterOrientation GetOrientation() const;
    void SetOrientation(TPrinterOrientation Value);
    // Printable area in device pixels; EPrinter when no printer is available.
    int PageWidth() const;
    int PageHeight() const;
    int PixelsPerInchX() const;
    int PixelsPerInchY() const;

    // There is something to print on: a system printer is chosen, or a PDF file is named.
    bool Present() const;
    // The printers to choose from: the system's printers and, when this printer writes a
    // PDF file, that file. Empty when there is nothing to print to.
    std::vector<AnsiString> Printers() const;
    // The position of the current printer in Printers(), -1 when there is none.
    int PrinterIndex() const;
    // Makes the printer at Index of Printers() the current one.
    void SetPrinterIndex(int Index);

private:
    void CheckValid() const;
    // The PDF file of the job back in the device's settings, and the temporary file gone.
    void EndSpool();
    // A fresh device with the old one's settings: a print engine whose job could not start
    // stays "active" for good and refuses every later job and every change of its settings.
    void Renew();
    std::unique_ptr<QPrinter> FDevice;
    std::unique_ptr<TCanvas> FCanvas;
    bool FPrinting = false;
    bool FAborted = false;
    // The PDF file this printer was given, kept while a system printer is chosen.
    QString FPdfFile;
    // While a job to a PDF file runs: the file it is for, and the temporary file it is made in.
    QString FSpoolTarget;
    QString FSpoolFile;
};

// The process-wide printer (created on first use).
TPrinter* Printer();
// Replaces the process-wide printer (null puts the default back); the caller keeps
// ownership.
void SetPrinter(TPrinter* Value);
