#include "channel/ProgramForms.h"

#include <QApplication>
#include <QDir>
#include <cstdlib>

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
#include "platform/FileFolders.h"
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

int RunProgram(SingleInstanceLock& lock, int language)
{
    TProgramForms forms(language);
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
    return result;
}
