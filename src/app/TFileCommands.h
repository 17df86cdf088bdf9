#pragma once
// The main window's file commands: opening a recorded-data file into a view window (read on
// a worker thread while the wait window shows) or a measurement file through the import
// form, the save button, printing the chart, the event protocol and the memo, the printer
// set-up and the picture export. They work on the active channel window through
// IChannelForm; the main window calls them through IFileCommands.
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/IShellHooks.h"
#include "app/RecordedDataFile.h"
#include "platform/AnsiString.h"
#include "platform/Dialogs.h"
#include "platform/FileSave.h"

class QMdiSubWindow;
class TCanvas;
class TfrmFileReader;
class TQzvFile;
struct TQzvRows;
class TRecordedDataFill;
class TfrmMainWindow;
class TPrinter;
class IChannelForm;

// Where the protocol and memo prints put each line: left margin 200 and the first line at
// 200 device units; every line advances by its own text height; the first page holds up to
// 56 lines, each later page 55, its first line one line below 200.
struct TPrintedLine {
    int Page = 0;  // from 0
    int X = 0;
    int Y = 0;
    AnsiString Text;
};
// The header ("Information", a blank, the information lines, a blank line, the title and a
// blank line) and the body lines; lineHeight gives a line's text height.
std::vector<TPrintedLine> LayoutTextPrint(const std::vector<AnsiString>& info, const AnsiString& title,
                                          const std::vector<AnsiString>& body,
                                          const std::function<int(const AnsiString&)>& lineHeight);

// The picture formats of the export dialog, in the order of its filter.
enum class TPictureKind { Bitmap = 1, Jpeg = 2, Gif = 3 };
// The format a chosen name is written in: the name's own picture extension when it has one
// (.bmp, .jpg, .jpeg, .gif), otherwise the chosen filter's, whose extension is then added.
TPictureKind PictureKindForName(AnsiString& fileName, int filterIndex);

class TFileCommands : public IFileCommands {
public:
    TFileCommands(TfrmMainWindow* mainWindow, TfrmFileReader* importer);
    ~TFileCommands() override;
    TFileCommands(const TFileCommands&) = delete;
    TFileCommands& operator=(const TFileCommands&) = delete;

    void actFileOpenExecute(bool newView) override;
    void btnFileSaveClick(int channel) override;
    void FileSave1Execute(int channel) override;
    void PrintGraph(int channel) override;
    void PrintProtocol(int channel) override;
    void PrintMemo(int channel) override;
    void PrinterSetup() override;
    void Export(int channel) override;
    void SetImportLanguage(int language) override;

    // The printer all prints go to (fetched on the first print).
    TPrinter* GetPrinter();
    // Points a step of filling a view window adds: a few milliseconds of work.
    static constexpr int FillPointsPerStep = 200000;
    // A file is being read for the open command.
    bool Reading() const { return FReading; }
    // The file has been read and waits for its window, which is still being built.
    bool ReadWaitsForWindow() const { return bool(FReadFinish); }
    // User-interface thread: runs queued work until no file is being read.
    void WaitIdle();

private:
    struct TButtonStates {
        bool Open = false;
        bool Save = false;
    };
    // Where a file being read goes once it is read: the view window and what to restore.
    struct TReadTarget {
        bool Set = false;
        int Channel = 0;
        QPointer<QMdiSubWindow> Window;
        TButtonStates States;
        bool CloseIfRefused = false;  // the window was made for the file (File > Open)
    };
    using TReadFinish = std::function<void(const TReadTarget&)>;
    void RestoreButtons(const TButtonStates& states);
    platform::FileDialogRequest OpenRequest() const;
    // File > Open or New > View into a window made for the file.
    void OpenIntoNewView(bool keepWindow);
    // The chosen file into the view window `form`.
    void OpenChosen(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states);
    // Starts reading a recorded-data or measurement file on the reader thread. What the
    // read returns runs on this thread once it is done and its window is known (AwaitRead),
    // whichever comes last, unless the program ended meanwhile. The reader holds nothing of
    // this object: a read that hangs is left to itself when the program ends.
    void StartRead(const AnsiString& path);
    void ReadInBackground(std::function<TReadFinish()> read);
    void ReadArrived(TReadFinish finish);
    // Shows the wait window and names the window the read goes to.
    void AwaitRead(TReadTarget target);
    // Whether the window of `channel` is still the one a read was started for.
    bool StillOpen(int channel, const QPointer<QMdiSubWindow>& window) const;
    void ReadIntoView(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states);
    void FinishRead(int channel, QPointer<QMdiSubWindow> window, const AnsiString& path,
                    std::shared_ptr<TRecordedDataRead> data, const TButtonStates& states, bool closeIfRefused);
    void FillStep(int channel, QPointer<QMdiSubWindow> window, std::shared_ptr<TRecordedDataFill> fill,
                  const TButtonStates& states);
    void EndRead(const TButtonStates& states);
    void ImportIntoView(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states);
    void FinishImport(int channel, QPointer<QMdiSubWindow> window, const AnsiString& path,
                      std::shared_ptr<TQzvFile> file, std::shared_ptr<TQzvRows> rows, const std::string& error,
                      const TButtonStates& states, bool closeIfRefused);
    void ImportStep(int channel, QPointer<QMdiSubWindow> window, const TButtonStates& states);
    void EndImport(IChannelForm* form, const TButtonStates& states);
    // The loaded file's axis ranges become the window's stored ranges and its full range.
    static void KeepLoadedRanges(IChannelForm* form);
    // The print guard: the window's printing flag, text 317 while it is set.
    IChannelForm* BeginPrint(int channel);
    void PrintText(int channel, const AnsiString& title, bool memo);
    // False when there is nothing to print to and the user does not choose something now.
    bool PrinterReady();
    // False when the printer writes to a file that exists and the user keeps it.
    bool ConfirmPrintFile();
    // Writes what a print to a PDF file made (`files`, from a TDeferredSaves) on the
    // background saver, waiting for it as for a save; a failure is reported. Clears the
    // window's printing flag.
    void FinishPrint(IChannelForm* form, std::vector<platform::TDeferredSave> files, bool printed);
    AnsiString Text(int row) const;

    TfrmMainWindow* FMain;
    TfrmFileReader* FImporter;
    TPrinter* FPrinter = nullptr;
    std::thread FReader;
    std::shared_ptr<std::atomic<bool>> FReaderDone = std::make_shared<std::atomic<bool>>(true);
    bool FReading = false;
    TReadFinish FReadFinish;  // a read done before its window was known
    TReadTarget FReadTarget;
    bool FWindowForFile = false;  // the next read's window was made for its file
    std::shared_ptr<std::atomic<bool>> FAlive = std::make_shared<std::atomic<bool>>(true);
};
