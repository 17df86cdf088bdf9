// The open and save commands of the main window.
#include "app/TFileCommands.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <new>
#include <utility>

#include "app/DataFileView.h"
#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "app/QzvFile.h"
#include "app/RecordedDataReader.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmWait.h"
#include "app/classFileReader.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/TextLines.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

bool EndsWithNoCase(const AnsiString& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && SameText(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

}  // namespace

TFileCommands::TFileCommands(TfrmMainWindow* mainWindow, TfrmFileReader* importer)
    : FMain(mainWindow), FImporter(importer)
{
    if (!FImporter) return;
    // The import's last step arranges the left axis of the window it loaded, which then
    // keeps its own column count for later arrangements.
    FImporter->OnSeriesShowLeft = [this](IDataFileView& view) {
        for (int c = 1; c <= MaxChannelWindows; ++c)
            if (IChannelForm* form = FMain->ChannelForm(c); form && form->DataFileView() == &view)
                form->ImportedColumnCount = ::ImportColumnCount;
        FMain->cmdSeriesShowLeftClick();
    };
}

TFileCommands::~TFileCommands()
{
    *FAlive = false;
    // A read that hangs (a share that does not answer) must not keep the program from
    // ending: its thread is left to itself. It holds nothing of this object and, once the
    // read returns, finds it gone and ends.
    if (FReader.joinable()) {
        if (*FReaderDone)
            FReader.join();
        else
            FReader.detach();
    }
    if (FImporter) FImporter->OnSeriesShowLeft = nullptr;
}

AnsiString TFileCommands::Text(int row) const
{
    return FMain->LookupText(FMain->LanguageIndex(), row);
}

void TFileCommands::SetImportLanguage(int language)
{
    if (FImporter) FImporter->SetLanguage(language);
}

void TFileCommands::WaitIdle()
{
    // The read's result and the steps that fill the window come through the event loop.
    while (FReading) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// ---------------------------------------------------------------- open

void TFileCommands::KeepLoadedRanges(IChannelForm* form)
{
    form->StoreAxisRanges();
    // The overview command returns to the whole file.
    form->FullRange = form->AxisRanges();
}

void TFileCommands::RestoreButtons(const TButtonStates& states)
{
    FMain->SetOpenEnabled(states.Open);
    FMain->SetSaveEnabled(states.Save);
}

platform::FileDialogRequest TFileCommands::OpenRequest() const
{
    platform::FileDialogRequest request;
    request.title = FMain->OpenDialogTitle;
    request.filter = FMain->OpenDialogFilter;
    request.overwritePrompt = false;
    return request;
}

void TFileCommands::actFileOpenExecute(bool newView)
{
    NOX_ASSERT_UI_THREAD();
    // One open at a time: a file still being read holds the buttons disabled.
    if (FReading) return;
    QCoreApplication::processEvents();
    // File > Open without a window opens a view window for the file; none is left when no
    // file is chosen (New > View keeps the window it was asked for).
    const bool newWindow = FMain->ChildWindowCount() == 0 || newView;
    if (newWindow && FMain->FreeChannel() > 0) return OpenIntoNewView(newView);
    // Ten windows open: the view item says so and the command goes on in the active window.
    const bool windowForFile = FMain->ChildWindowCount() == 0 && !newView;
    if (newWindow) FMain->mnuVisualisierungClick();
    const int channel = FMain->ActiveChannel();
    IChannelForm* form = FMain->ChannelForm(channel);
    if (!form) return;

    const TButtonStates states{FMain->btnFileOpen->isEnabled(), FMain->btnFileSave->isEnabled()};
    RestoreButtons({});

    if (form->ViewMode == vmTPScout || form->ViewMode == vmProgrammer) {
        auto* programs = dynamic_cast<IPanelChannelWindow*>(form);
        if (programs) programs->mnuLoadProgramClick();
        const bool scout = form->ViewMode == vmTPScout;
        RestoreButtons({true, !scout || (programs && programs->ProgramTreeNodeCount() > 0)});
        return;
    }
    if (form->ViewMode != vmView) {
        RestoreButtons(states);
        FMain->pnlBigPanel->hide();
        // A recording window takes no file: say so rather than do nothing (New > View has
        // said already why it opened no window).
        if (!newView) {
            AnsiString text = Text(RowOpenRefusedRecording);
            if (FMain->ChildWindowCount() >= MaxChannelWindows) text += " " + Text(RowOpenRefusedTenWindows);
            platform::dialogs().MessageBox(text, Text(RowNotice), MB_OK | MB_ICONINFORMATION);
        }
        return;
    }

    platform::FileDialogRequest request = OpenRequest();
    if (!platform::ChooseFile(request, platform::TFileKind::OpenFile)) {
        RestoreButtons(states);
        if (windowForFile) form->FormClose();
        return;
    }
    FWindowForFile = windowForFile;
    OpenChosen(channel, form, request.fileName, states);
}

void TFileCommands::OpenIntoNewView(bool keepWindow)
{
    // The file is chosen before its window is built, so that the reader thread reads it
    // while the window is being built.
    const TButtonStates before{FMain->btnFileOpen->isEnabled(), FMain->btnFileSave->isEnabled()};
    RestoreButtons({});
    platform::FileDialogRequest request = OpenRequest();
    if (!platform::ChooseFile(request, platform::TFileKind::OpenFile)) {
        RestoreButtons(before);
        if (keepWindow) FMain->mnuVisualisierungClick();
        return;
    }
    const AnsiString path = request.fileName;
    StartRead(path);
    FMain->mnuVisualisierungClick();
    const int channel = FMain->ActiveChannel();
    IChannelForm* form = FMain->ChannelForm(channel);
    const TButtonStates states{FMain->btnFileOpen->isEnabled(), FMain->btnFileSave->isEnabled()};
    RestoreButtons({});
    if (form && form->ViewMode == vmView) {
        FWindowForFile = !keepWindow;
        return OpenChosen(channel, form, path, states);
    }
    // No window could be made: the file has nowhere to go.
    if (FReading) return AwaitRead({true, 0, nullptr, states});
    RestoreButtons(states);
}

void TFileCommands::OpenChosen(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states)
{
    if (EndsWithNoCase(path, ".csv")) {
        ReadIntoView(channel, form, path, states);
        return;
    }
    if (EndsWithNoCase(path, ".qzv")) {
        ImportIntoView(channel, form, path, states);
        return;
    }
    FWindowForFile = false;
    // A name the filter let through by hand: say so rather than leave the window empty
    // without a word.
    platform::dialogs().MessageBox(Text(RowFaultyData) + "\n" + path, Text(RowErrorCaption), MB_OK);
    RestoreButtons(states);
    FMain->pnlBigPanel->hide();
}

void TFileCommands::StartRead(const AnsiString& path)
{
    if (EndsWithNoCase(path, ".csv")) {
        // Read and parsed here; the window is filled in steps on this thread. Nothing in the
        // window changes before that, so a file that cannot be read leaves it as it was.
        ReadInBackground([this, path] {
            auto data = std::make_shared<TRecordedDataRead>(OpenRecordedDataFile(path));
            return TReadFinish([this, path, data](const TReadTarget& t) {
                FinishRead(t.Channel, t.Window, path, data, t.States, t.CloseIfRefused);
            });
        });
    } else if (EndsWithNoCase(path, ".qzv")) {
        // Read and its rows parsed here; the import window analyses it and adds the rows in
        // steps on this thread.
        ReadInBackground([this, path] {
            auto file = std::make_shared<TQzvFile>();
            auto rows = std::make_shared<TQzvRows>();
            std::string error;
            platform::TFileReadError why = platform::TFileReadError::None;
            TDataFileProblemKind refused = TDataFileProblemKind::CannotOpen;
            bool read = false;
            try {
                read = file->Open(path, &error, &why);
                if (read) *rows = TfrmFileReader::ParseRows(*file);
                if (rows->TooMany) refused = TDataFileProblemKind::TooManyLines;
                if (why == platform::TFileReadError::NotRegularFile) refused = TDataFileProblemKind::NotRegularFile;
                if (why == platform::TFileReadError::TooLarge) refused = TDataFileProblemKind::TooLarge;
            } catch (const std::bad_alloc&) {
                // A file that needs more memory than there is: refused, the recordings go on.
                refused = TDataFileProblemKind::OutOfMemory;
                read = false;
            }
            if (!read || rows->TooMany) {
                file.reset();
                rows.reset();
                if (refused != TDataFileProblemKind::CannotOpen) error = path;
            }
            return TReadFinish([this, path, file, rows, error, refused](const TReadTarget& t) {
                const std::string reason = file ? error : FileRefusalText(refused, error, false);
                FinishImport(t.Channel, t.Window, path, file, rows, reason, t.States, t.CloseIfRefused);
            });
        });
    }
}

void TFileCommands::ReadInBackground(std::function<TReadFinish()> read)
{
    FReading = true;
    FReadFinish = nullptr;
    FReadTarget = {};
    std::weak_ptr<std::atomic<bool>> alive = FAlive;
    if (FReader.joinable()) FReader.join();
    FReaderDone = std::make_shared<std::atomic<bool>>(false);
    FReader = std::thread([this, alive, done = FReaderDone, read = std::move(read)] {
        TReadFinish finish = read();
        *done = true;
        // The program may have ended while the file was read.
        if (auto a = alive.lock(); !a || !*a) return;
        platform::UiDispatcher::Instance().Post([this, alive, finish = std::move(finish)] {
            auto a = alive.lock();
            if (!a || !*a) return;
            if (FReader.joinable()) FReader.join();
            ReadArrived(std::move(finish));
        });
    });
}

void TFileCommands::ReadArrived(TReadFinish finish)
{
    if (FReadTarget.Set)
        finish(TReadTarget(FReadTarget));
    else
        FReadFinish = std::move(finish);  // its window is still being built
}

void TFileCommands::AwaitRead(TReadTarget target)
{
    if (target.Window && frmWait) {
        frmWait->txtWait->setText(Q(Text(RowFileLoadingPleaseWait)));
        frmWait->show();
        QCoreApplication::processEvents();
    }
    FReadTarget = std::move(target);
    FReadTarget.Set = true;
    FReadTarget.CloseIfRefused = std::exchange(FWindowForFile, false);
    if (FReadFinish) ReadArrived(std::exchange(FReadFinish, nullptr));
}

bool TFileCommands::StillOpen(int channel, const QPointer<QMdiSubWindow>& window) const
{
    IChannelForm* form = FMain->ChannelForm(channel);
    return form && window && form->SubWindow() == window;
}

void TFileCommands::ImportIntoView(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states)
{
    if (!FReading) StartRead(path);
    form->DataGraph()->hide();
    form->ImportedColumnCount = 0;
    AwaitRead({true, channel, form->SubWindow(), states});
}

void TFileCommands::FinishImport(int channel, QPointer<QMdiSubWindow> window, const AnsiString& path,
                                 std::shared_ptr<TQzvFile> file, std::shared_ptr<TQzvRows> rows,
                                 const std::string& error, const TButtonStates& states, bool closeIfRefused)
{
    // The window may have been closed while its file was read.
    if (!StillOpen(channel, window)) return EndRead(states);
    IChannelForm* form = FMain->ChannelForm(channel);
    // The import window shows, analyses and loads the file itself; while it is up, the arrow
    // buttons work on this window, which must be forgotten when it closes.
    IDataFileView* view = form->DataFileView();
    const bool rowsFollow = BeginImportDataFile(*view, path, FImporter, file.get(), error, rows.get());
    if (FImporter)
        QObject::connect(window, &QObject::destroyed, FImporter,
                         [importer = FImporter, view] { importer->ForgetWindow(view); });
    if (!rowsFollow) {
        EndImport(form, states);
        // A window made for a file that was not read is not left behind empty; the import
        // window says why.
        if (!file && closeIfRefused) form->FormClose();
        return;
    }
    ImportStep(channel, window, states);
}

void TFileCommands::ImportStep(int channel, QPointer<QMdiSubWindow> window, const TButtonStates& states)
{
    if (!StillOpen(channel, window)) return EndRead(states);
    // The rows go in in steps as a recorded file's do, the event loop running in between.
    if (FImporter->AddRows(FillPointsPerStep)) {
        std::weak_ptr<std::atomic<bool>> alive = FAlive;
        QTimer::singleShot(0, FMain, [this, alive, channel, window, states] {
            auto a = alive.lock();
            if (a && *a) ImportStep(channel, window, states);
        });
        return;
    }
    FImporter->EndImport();
    EndImport(FMain->ChannelForm(channel), states);
}

void TFileCommands::EndImport(IChannelForm* form, const TButtonStates& states)
{
    form->DataGraph()->show();
    KeepLoadedRanges(form);
    EndRead(states);
}

void TFileCommands::ReadIntoView(int channel, IChannelForm* form, const AnsiString& path, const TButtonStates& states)
{
    if (!FReading) StartRead(path);
    form->DataGraph()->hide();
    AwaitRead({true, channel, form->SubWindow(), states});
}

void TFileCommands::FinishRead(int channel, QPointer<QMdiSubWindow> window, const AnsiString& path,
                               std::shared_ptr<TRecordedDataRead> data, const TButtonStates& states,
                               bool closeIfRefused)
{
    // The window may have been closed while its file was read.
    if (!StillOpen(channel, window)) return EndRead(states);
    IChannelForm* form = FMain->ChannelForm(channel);
    auto fill = std::make_shared<TRecordedDataFill>(*form->DataFileView(), data, path);
    if (!fill->Begin()) {
        form->DataGraph()->show();
        EndRead(states);
        // A window made for a file that was not loaded is not left behind empty; the
        // message said why.
        if (closeIfRefused) form->FormClose();
        return;
    }
    FillStep(channel, window, fill, states);
}

void TFileCommands::FillStep(int channel, QPointer<QMdiSubWindow> window, std::shared_ptr<TRecordedDataFill> fill,
                             const TButtonStates& states)
{
    if (!StillOpen(channel, window)) return EndRead(states);
    IChannelForm* form = FMain->ChannelForm(channel);
    // The rows go in in steps, each well under the time a user notices, with the event loop
    // (the recording channels' timers among it) running in between.
    if (fill->Step(FillPointsPerStep)) {
        std::weak_ptr<std::atomic<bool>> alive = FAlive;
        QTimer::singleShot(0, FMain, [this, alive, channel, window, fill, states] {
            auto a = alive.lock();
            if (a && *a) FillStep(channel, window, fill, states);
        });
        return;
    }
    fill->Finish();
    form->DataGraph()->show();
    form->ImportedColumnCount = 0;
    FMain->MdiArea()->setActiveSubWindow(window);
    FMain->cmdSeriesShowLeftClick();
    KeepLoadedRanges(form);
    AnsiString left, right;
    if (form->ReadLabelAxisTitles(left, right)) {
        TChart* chart = form->DataGraph();
        chart->LeftAxis()->GetTitle()->SetCaption(left);
        chart->RightAxis()->GetTitle()->SetCaption(right);
    }
    EndRead(states);
}

void TFileCommands::EndRead(const TButtonStates& states)
{
    FReading = false;
    FReadFinish = nullptr;
    FReadTarget = {};
    if (frmWait) frmWait->hide();
    RestoreButtons(states);
    FMain->pnlBigPanel->hide();
    platform::UiDispatcher::Instance().Wake();
}

// ---------------------------------------------------------------- save

void TFileCommands::FileSave1Execute(int channel)
{
    NOX_ASSERT_UI_THREAD();
    IChannelForm* form = FMain->ChannelForm(channel);
    if (!form) return;
    FMain->SaveWithoutDialog = 1;
    form->SaveRecording({});
    FMain->SaveWithoutDialog = 0;
}

void TFileCommands::btnFileSaveClick(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (FMain->ChildWindowCount() == 0) return;
    IChannelForm* form = FMain->ChannelForm(channel);
    if (!form) return;
    if (form->ViewMode == vmTPScout && form->SaveSelectedProgram()) return;
    if (form->ViewMode == vmView || !form->RecordingRuns()) return;
    FMain->SaveWithoutDialog = 1;
    // The file is written on the save queue's worker; the confirmation follows a complete
    // write only.
    QPointer<TfrmMainWindow> main = FMain;
    form->SaveRecording([main](bool ok) {
        if (ok && main)
            platform::dialogs().MessageBox(main->LookupText(main->LanguageIndex(), RowDataFileSaved),
                                           main->LookupText(main->LanguageIndex(), RowNotice), MB_OK);
    });
    FMain->SaveWithoutDialog = 0;
}
