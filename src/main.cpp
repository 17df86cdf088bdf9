// Program entry: the language of the start-up messages, the single-instance lock, the
// memory warning, the fixed formats and the main window.
#include <QApplication>

#include "app/ProgramStartup.h"
#include "app/SingleInstanceLock.h"
#include "app/TfrmMainWindow.h"
#include "channel/ChartClasses.h"
#include "channel/ProgramForms.h"
#include "platform/Dialogs.h"
#include "platform/FileSave.h"
#include "platform/FormatSettings.h"
#include "platform/UiDispatcher.h"

int main(int argc, char** argv)
{
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    // Learns the user-interface thread before any worker (a look at a folder) can ask for it.
    platform::UiDispatcher::Instance();
    QCoreApplication::setApplicationName(
        QString::fromUtf8(startup::ApplicationTitle.data(), qsizetype(startup::ApplicationTitle.size())));
    platform::SetApplicationTitle(AnsiString(startup::ApplicationTitle));
    ResetFormatSettings();
    platform::QtDialogs qtDialogs;
    platform::SetDialogs(&qtDialogs);

    const int language = startup::SystemLanguage();
    SingleInstanceLock lock;
    AnsiString noLockFolder;
    const AnsiString lockFolder = startup::LockFolder(language, &noLockFolder);
    if (!startup::CheckSingleInstance(lock, lockFolder, language, noLockFolder)) return 0;
    if (const auto memory = startup::PhysicalMemory()) startup::WarnAboutLowMemory(memory, language);

    RegisterChartClasses();
    const int result = RunProgram(lock, language);
    platform::SetDialogs(nullptr);
    return result;
}
