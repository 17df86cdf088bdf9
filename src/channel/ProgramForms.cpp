#include "channel/ProgramForms.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "app/ProgramStartup.h"
#include "app/RecordedDataWriter.h"
#include "app/SingleInstanceLock.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "app/TfrmSerialNumber.h"
#include "app/TfrmTitleControl.h"
#include "app/classFileReader.h"
#include "channel/CChannelSession.h"
#include "channel/ChannelTexts.h"
#include "comm/CChannel.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "programmer/ProgrammerDialogs.h"

TProgramForms::TProgramForms(int language)
{
    MainWindow = std::make_unique<TfrmMainWindow>(&ChannelForms, language);
    FileReader = new TfrmFileReader(MainWindow.get());
    FileReader->SetLanguage(MainWindow->LanguageIndex());
    FileCommands = std::make_unique<TFileCommands>(MainWindow.get(), FileReader);
    MainWindow->SetFileCommands(FileCommands.get());
    PanelControl = new TfrmPanelControl(MainWindow.get());
    TitleWindow = new TfrmTitleControl(MainWindow.get());
    frmSerialNumber = new TfrmSerialNumber(MainWindow.get());
    ProgrammerDialogs = std::make_unique<TProgrammerDialogs>(MainWindow.get(), PanelControl);
}

TProgramForms::~TProgramForms()
{
    // The commands wait for a file still being read before the windows go.
    MainWindow->SetFileCommands(nullptr);
    FileCommands.reset();
    // The forms go before the main window, the later ones first.
    ProgrammerDialogs.reset();
    delete frmSerialNumber;
    delete TitleWindow;
    delete PanelControl;
    delete FileReader;
    MainWindow.reset();
}

namespace {

// An end from outside waits this long for the files still being written; the process ends
// this long after a termination signal in any case.
constexpr int DefaultOutsideEndWriteMs = 10000;
int gOutsideEndWriteMs = 0;
constexpr unsigned OutsideEndPatienceSeconds = 20;

// Writes what every recording holds when the program is ended from outside: nobody may be
// there to answer and the display may be gone, so nothing asks, nothing shows and the event
// loop does not run (the display's connection would end the process from inside it).
// Queued work still runs. A file that does not answer within OutsideEndWriteMs is left, as
// File > Exit leaves it when the user ends without it.
void WriteRecordingsAtOutsideEnd(const AnsiString& why)
{
    // Boxes that queued work may still show are answered with their default button.
    platform::SetDialogs(nullptr);
    // The files still being written, by channel (the channel's number, its file).
    auto unwritten = std::make_shared<std::vector<std::pair<int, AnsiString>>>();
    auto failed = std::make_shared<int>(0);
    for (int c = 1; c <= MaxChannels; ++c)
        if (CChannelSession* session = CChannelSession::Of(c)) {
            const auto written = [unwritten, c] {
                std::erase_if(*unwritten, [c](const auto& file) { return file.first == c; });
            };
            unwritten->emplace_back(c, session->PartFileName());
            if (!session->EndFromOutside(why, [written, failed](bool ok) {
                    written();
                    if (!ok) ++*failed;
                }))
                written();
        }
    const int waitMs = OutsideEndWriteMs();
    if (!platform::UiDispatcher::Instance().WaitRunning([unwritten] { return unwritten->empty(); }, waitMs)) {
        for (const auto& [channel, name] : *unwritten)
            std::fprintf(stderr,
                         "The recording of channel %d could not be written to %s in time: its drive did not answer "
                         "within %d s\n",
                         channel, name.c_str(), (waitMs + 999) / 1000);
        std::fprintf(stderr, "%d recording file(s) could not be written in time\n", int(unwritten->size()));
    }
    // Each failed save has said why (CChannelSession::EndFromOutside).
    if (*failed > 0) std::fprintf(stderr, "%d recording file(s) could not be saved\n", *failed);
}

}  // namespace

int OutsideEndWriteMs()
{
    return gOutsideEndWriteMs > 0 ? gOutsideEndWriteMs : DefaultOutsideEndWriteMs;
}

void SetOutsideEndWriteMs(int ms)
{
    gOutsideEndWriteMs = ms;
}

namespace {

// Ended from outside, the program is gone for the user at once: its windows leave the
// screen before it waits for any file. A thread waiting on a share that does not answer
// keeps the process, and its connection to the display, past its end: its windows would
// stay on the screen, not repainting, until the share answers.
void TakeWindowsOffTheScreen()
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->hide();
}

const char* SignalName(int signal)
{
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGINT: return "SIGINT";
        case SIGHUP: return "SIGHUP";
    }
    return "?";
}

AnsiString EndedFromOutsideLine(int signal)
{
    AnsiString line = ChannelText(resources::RowEndedFromOutside);
    if (const auto dollar = line.find('$'); dollar != AnsiString::npos) line.replace(dollar, 1, SignalName(signal));
    return line;
}

// The display's connection broke: the platform plugin says so and ends the process with
// exit() from inside the event loop, with no way to keep it from that. Its message is the
// last moment the program still runs as it was; the recordings are written there.
SingleInstanceLock* gLockAtDisplayLoss = nullptr;
QtMessageHandler gEarlierMessageHandler = nullptr;

void WatchForTheDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (gEarlierMessageHandler) gEarlierMessageHandler(type, context, text);
    if (type != QtWarningMsg || !gLockAtDisplayLoss || !platform::UiDispatcher::Instance().IsUiThread()) return;
    if (!text.startsWith(QLatin1String("The X11 connection broke")) &&
        !text.startsWith(QLatin1String("The Wayland connection broke")))
        return;
    SingleInstanceLock* lock = std::exchange(gLockAtDisplayLoss, nullptr);
    WriteRecordingsAtOutsideEnd(ChannelText(resources::RowDisplayConnectionBroke));
    // As the plugin would end it, but without waiting for a file that does not answer.
    lock->Release();
    std::fflush(nullptr);
    std::_Exit(1);
}

}  // namespace

int RunProgram(SingleInstanceLock& lock, int language)
{
    TProgramForms forms(language);
    SingleInstanceLock::EndOrderlyOnSignals(
        [](int signal) {
            TakeWindowsOffTheScreen();
            WriteRecordingsAtOutsideEnd(EndedFromOutsideLine(signal));
        },
        OutsideEndPatienceSeconds);
    gLockAtDisplayLoss = &lock;
    gEarlierMessageHandler = qInstallMessageHandler(WatchForTheDisplay);
    forms.MainWindow->showMaximized();
    // The folders data files were last chosen in for a recording and opened from, and the
    // one a recording goes to when none is chosen.
    startup::FinishCutWritesAtStart({platform::RememberedFileFolder(platform::TFileKind::DataFile),
                                     platform::RememberedFileFolder(platform::TFileKind::OpenFile),
                                     CChannelSession::DefaultDataFolder.empty()
                                         ? AnsiString(QDir::homePath().toStdString())
                                         : CChannelSession::DefaultDataFolder});
    const int result = QApplication::exec();
    // The text table was released with the main window's close; the window keeps its
    // language.
    if (!TDataFileSaveQueue::Instance().WaitIdleWithWindow(forms.MainWindow->LanguageIndex())) {
        lock.Release();
        std::_Exit(result);
    }
    qInstallMessageHandler(gEarlierMessageHandler);
    gLockAtDisplayLoss = nullptr;
    SingleInstanceLock::EndOrderlyOnSignals(nullptr, 0);
    return result;
}
