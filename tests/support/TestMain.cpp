// The main of every test executable: an offscreen application object, so windows, fonts
// and the user-interface dispatcher work without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "support/PrivateSettings.h"
#include "support/ScriptedDialogs.h"

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A folder of this process alone, for its settings (below) and as its temporary
    // directory: every temporary file or folder of its tests and of the programs it starts
    // (a child that records until it is killed, a death test run anew, each with a folder of
    // its own in there) goes with it, however those end. Set before any thread runs.
    static QTemporaryDir own(QDir::tempPath() + QStringLiteral("/NoxControlTest-XXXXXX"));
    if (!own.isValid()) return 2;
    ::setenv("TMPDIR", own.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("NoxControlTest");
    support::KeepSettingsIn(own.path());
    // A child that tests the dispatcher's first call makes it itself.
    if (!std::getenv("NOX_DISPATCHER_NOT_MADE")) platform::UiDispatcher::Instance();
    // No test may ever block on a modal box: unscripted boxes answer with their default.
    static support::ScriptedDialogs dialogs;
    platform::SetDialogs(&dialogs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
