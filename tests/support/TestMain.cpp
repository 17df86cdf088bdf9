// The main of every test executable: an offscreen application object, so windows, fonts
// and the user-interface dispatcher work without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "support/ScriptedDialogs.h"

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("NoxControlTest");
    // Settings the program keeps (folders of file dialogs, editor options) go to the test
    // user's folders, never to the real user's.
    QStandardPaths::setTestModeEnabled(true);
    platform::UiDispatcher::Instance();
    // No test may ever block on a modal box: unscripted boxes answer with their default.
    static support::ScriptedDialogs dialogs;
    platform::SetDialogs(&dialogs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
