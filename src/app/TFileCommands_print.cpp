// Printing the chart, the event protocol and the memo of the active channel window, the
// printer set-up and the picture export.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <vector>

#include "app/DataFileView.h"
#include "app/FileSaveWait.h"
#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeGradient.h"
#include "chart/storage/TeePictureFormats.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/TCanvas.h"
#include "platform/TPrinter.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

constexpr int kPrintMargin = 200;
constexpr int kPageLines = 55;

const char* const kPictureFilter = "BMP Image (*.bmp)|*.bmp|JPEG Image (*.jpg)|*.jpg|GIF Image (*.gif)|*.gif";

// The chart's print look: what the print changes and gives back afterwards.
class TChartPrintLook {
public:
    TChartPrintLook(TChart* chart, IPanelChannelWindow* labels, TTeeCustomTool* band)
        : FChart(chart),
          FLabels(labels),
          FBand(band),
          FKept{labels ? labels->ChartLabelColour() : clBtnFace,
                chart->GetLegend()->GetLegendStyle(),
                chart->GetBackWall()->GetColor(),
                chart->LeftAxis()->GetMinorTicks()->GetColor(),
                chart->BottomAxis()->GetMinorTicks()->GetColor(),
                chart->GetGradient()->GetVisible(),
                band && band->GetActive(),
                chart->LeftAxis()->GetGrid()->GetWidth()}
    {}

    void Apply()
    {
        Set({clBtnFace, lsSeries, clWhite, clBlack, clBlack, false, false, 0});
        FChart->PrintMargins = TRect(0, 0, 0, 0);
    }

    // The margins stay 0; the grid pens all take the left axis's width.
    void Restore() { Set(FKept); }

private:
    struct TLook {
        TColor LabelColour;
        TLegendStyle LegendStyle;
        TColor BackWall, LeftMinor, BottomMinor;
        bool Gradient, BandActive;
        int GridWidth;
    };

    void Set(const TLook& Look)
    {
        if (FLabels) FLabels->SetChartLabelColour(Look.LabelColour);
        FChart->GetLegend()->SetLegendStyle(Look.LegendStyle);
        FChart->Invalidate();
        FChart->LeftAxis()->GetMinorTicks()->SetColor(Look.LeftMinor);
        FChart->BottomAxis()->GetMinorTicks()->SetColor(Look.BottomMinor);
        FChart->GetBackWall()->SetColor(Look.BackWall);
        FChart->GetGradient()->SetVisible(Look.Gradient);
        if (FBand) FBand->SetActive(Look.BandActive);
        for (TChartAxis* axis : {FChart->LeftAxis(), FChart->RightAxis(), FChart->BottomAxis()})
            axis->GetGrid()->SetWidth(Look.GridWidth);
    }

    TChart* FChart;
    IPanelChannelWindow* FLabels;
    TTeeCustomTool* FBand;
    TLook FKept;
};

}  // namespace

std::vector<TPrintedLine> LayoutTextPrint(const std::vector<AnsiString>& info, const AnsiString& title,
                                          const std::vector<AnsiString>& body,
                                          const std::function<int(const AnsiString&)>& lineHeight)
{
    std::vector<TPrintedLine> out;
    int page = 0;
    int y = kPrintMargin;
    int count = 0;
    auto put = [&](const AnsiString& text) {
        out.push_back({page, kPrintMargin, y, text});
        y += lineHeight(text);
        ++count;
    };
    put("Information");
    put(" ");
    for (const AnsiString& line : info) put(line);
    put("");
    put(title);
    put("");
    // The header never breaks a page; the first page takes body lines up to 56 lines in
    // all, each later page 55.
    for (const AnsiString& line : body) {
        out.push_back({page, kPrintMargin, y, line});
        if (count > 0 && count % kPageLines == 0) {
            ++page;
            y = kPrintMargin;
            count = 0;
        }
        y += lineHeight(line);
        ++count;
    }
    return out;
}

TPictureKind PictureKindForName(AnsiString& fileName, int filterIndex)
{
    const QString suffix = QFileInfo(QString::fromStdString(fileName)).suffix().toLower();
    if (suffix == "bmp") return TPictureKind::Bitmap;
    if (suffix == "jpg" || suffix == "jpeg") return TPictureKind::Jpeg;
    if (suffix == "gif") return TPictureKind::Gif;
    const TPictureKind kind = filterIndex == 1   ? TPictureKind::Bitmap
                              : filterIndex == 3 ? TPictureKind::Gif
                                                 : TPictureKind::Jpeg;
    fileName += kind == TPictureKind::Bitmap ? ".bmp" : kind == TPictureKind::Gif ? ".gif" : ".jpg";
    return kind;
}

TPrinter* TFileCommands::GetPrinter()
{
    if (!FPrinter) FPrinter = Printer();
    return FPrinter;
}

IChannelForm* TFileCommands::BeginPrint(int channel)
{
    IChannelForm* form = FMain->ChannelForm(channel);
    if (!form) return nullptr;
    if (form->Printing) {
        platform::dialogs().MessageBox(Text(RowPrintPending), Text(RowWarningCaption), MB_OK);
        return nullptr;
    }
    if (!PrinterReady()) return nullptr;
    if (!ConfirmPrintFile()) return nullptr;
    form->Printing = 1;
    return form;
}

bool TFileCommands::PrinterReady()
{
    // Without a printer or a print file the job could only fail: say what is missing and
    // where it is set, and offer to set it now.
    if (GetPrinter()->Present()) return true;
    if (platform::dialogs().MessageBox(Text(RowNoPrinterSetUp), Text(RowWarningCaption), MB_YESNO | MB_ICONWARNING) !=
        IDYES)
        return false;
    PrinterSetup();
    return GetPrinter()->Present();
}

bool TFileCommands::ConfirmPrintFile()
{
    // A print to a file never replaces an existing one without the user's yes.
    const QPrinter* device = GetPrinter()->Device();
    if (!device || device->outputFormat() != QPrinter::PdfFormat || device->outputFileName().isEmpty()) return true;
    const QString file = device->outputFileName();
    const AnsiString name = QDir::toNativeSeparators(file).toStdString();
    // Looked for off this thread: a file on a drive that does not answer holds up neither the
    // window nor the recordings; it is not printed to.
    platform::TFileLook look([path = file.toStdString()] {
        platform::FileAccessPoint(path, false);
        return QFileInfo::exists(QString::fromStdString(path)) ? std::string("exists") : std::string();
    });
    if (!look.WaitRunning(platform::FolderPatienceMs())) {
        const AnsiString folder = QDir::toNativeSeparators(QFileInfo(file).path()).toStdString();
        platform::dialogs().MessageBox(platform::FolderNotAnsweringText(folder), Text(RowWarningCaption), MB_OK);
        return false;
    }
    if (look.Answer().empty()) return true;
    const bool english = FMain->LanguageIndex() == 1;
    const AnsiString text = english ? "The file \"" + name + "\" already exists. Do you want to replace it?"
                                    : "Die Datei \"" + name + "\" ist bereits vorhanden. Möchten Sie sie ersetzen?";
    return platform::dialogs().MessageBox(text, Text(RowWarningCaption), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TFileCommands::FinishPrint(IChannelForm* form, std::vector<platform::TDeferredSave> files, bool printed)
{
    // The window stays in print until its file is written: a second print of it waits.
    std::string error;
    const TSaveResult result =
        printed ? SaveAndWait(std::move(files), FMain->LanguageIndex(), &error) : TSaveResult::Saved;
    form->Printing = 0;
    if (!printed || result == TSaveResult::Failed)
        platform::dialogs().MessageBox(Text(RowPrinterError) + (error.empty() ? "" : "\n" + error),
                                       Text(RowWarningCaption), MB_OK);
}

void TFileCommands::PrintProtocol(int channel)
{
    NOX_ASSERT_UI_THREAD();
    PrintText(channel, Text(RowTabEventReport), false);
}

void TFileCommands::PrintMemo(int channel)
{
    NOX_ASSERT_UI_THREAD();
    PrintText(channel, "Memo", true);
}

void TFileCommands::PrintText(int channel, const AnsiString& title, bool memo)
{
    IChannelForm* form = BeginPrint(channel);
    if (!form) return;
    IDataFileView* view = form->DataFileView();
    const std::vector<AnsiString> info = view->MemoLines(TDataFileMemo::Info);
    const std::vector<AnsiString> body = view->MemoLines(memo ? TDataFileMemo::Memo : TDataFileMemo::SerialData);
    TPrinter* printer = GetPrinter();
    TFont* font = nullptr;
    int oldHeight = 0;
    std::vector<platform::TDeferredSave> files;
    bool printed = true;
    try {
        // A PDF file is written by the background saver, not here.
        platform::TDeferredSaves deferred;
        printer->Title = title;
        printer->BeginDoc();
        TCanvas* canvas = printer->Canvas();
        font = canvas->Font();
        oldHeight = font->GetHeight();
        font->SetSize(12);
        const auto lines =
            LayoutTextPrint(info, title, body, [canvas](const AnsiString& text) { return canvas->TextHeight(text); });
        int page = 0;
        for (const TPrintedLine& line : lines) {
            if (line.Page != page) {
                printer->NewPage();
                page = line.Page;
            }
            canvas->TextOut(line.X, line.Y, line.Text);
        }
        printer->EndDoc();
        font->SetHeight(oldHeight);
        files = deferred.Take();
    } catch (const std::exception&) {
        // A job that failed half-way is aborted rather than printed in part.
        printer->Abort();
        if (font) font->SetHeight(oldHeight);
        printed = false;
    }
    FinishPrint(form, std::move(files), printed);
}

void TFileCommands::PrintGraph(int channel)
{
    NOX_ASSERT_UI_THREAD();
    IChannelForm* form = BeginPrint(channel);
    if (!form) return;
    TChart* chart = form->DataGraph();
    TChartPrintLook look(chart, dynamic_cast<IPanelChannelWindow*>(form), form->GridBandTool());
    look.Apply();
    bool printed = true;
    std::vector<platform::TDeferredSave> files;
    try {
        // A PDF file is written by the background saver, not here.
        platform::TDeferredSaves deferred;
        GetPrinter();
        chart->PrintLandscape();
        files = deferred.Take();
    } catch (const std::exception&) {
        printed = false;
    }
    look.Restore();
    FinishPrint(form, std::move(files), printed);
}

void TFileCommands::PrinterSetup()
{
    NOX_ASSERT_UI_THREAD();
    // The settings take effect whatever an earlier print left behind.
    TPrinter* printer = GetPrinter();
    printer->Recover();
    platform::dialogs().PrinterSetup(printer->Device());
}

void TFileCommands::Export(int channel)
{
    NOX_ASSERT_UI_THREAD();
    IChannelForm* form = FMain->ChannelForm(channel);
    if (!form) return;
    platform::FileDialogRequest request;
    request.save = true;
    request.title = Text(RowSaveAs);
    request.filter = kPictureFilter;
    request.filterIndex = 2;
    request.defaultExt = "jpg";
    request.fileName = "Picture";
    request.overwritePrompt = true;
    if (!platform::ChooseFile(request, platform::TFileKind::Picture)) return;
    AnsiString name = request.fileName;
    const TPictureKind kind = PictureKindForName(name, request.filterIndex);
    TChart* chart = form->DataGraph();
    // The picture is made here, where the chart lives, and written on the background saver:
    // a drive that does not answer holds up neither the windows nor the recordings.
    std::vector<platform::TDeferredSave> files;
    try {
        platform::TDeferredSaves deferred;
        // A chart without a size has no picture: an export of it is an error, not an empty file.
        if (chart->width() <= 0 || chart->height() <= 0) throw Exception("The chart has no size.");
        const auto saveAs = [&](TTeeExportFormatClass formatClass) {
            const std::unique_ptr<TTeeExportFormat> format = formatClass->Create();
            format->Panel = chart;
            format->SaveToFile(name);
        };
        switch (kind) {
            case TPictureKind::Bitmap: chart->SaveToBitmapFile(name); break;
            case TPictureKind::Jpeg: saveAs(&TJPEGExportFormat::Class); break;
            case TPictureKind::Gif: saveAs(&TGIFExportFormat::Class); break;
        }
        files = deferred.Take();
    } catch (const std::exception& e) {
        platform::dialogs().MessageBox(Text(RowDataExportError) + "\n" + e.what(), Text(RowWarningCaption), MB_OK);
        return;
    }
    QPointer<TfrmMainWindow> main = FMain;
    platform::SaveInBackground(std::move(files), [main](const std::string& error) {
        if (error.empty() || !main) return;
        platform::dialogs().MessageBox(main->LookupText(main->LanguageIndex(), RowDataExportError) + "\n" + error,
                                       main->LookupText(main->LanguageIndex(), RowWarningCaption), MB_OK);
    });
}
