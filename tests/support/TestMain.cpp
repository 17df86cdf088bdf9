// The main of every test executable: an offscreen application object, so windows, fonts
// and the user-interface dispatcher work without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "support/ScriptedDialogs.h"

namespace {

// The settings folder of the test program that started this one.
constexpr const char* kSettingsParentVariable = "NOX_TEST_SETTINGS_PARENT";

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("NoxControlTest");
    // Settings the program keeps (folders of file dialogs, editor options) go to the test
    // user's folders, never to the real user's.
    QStandardPaths::setTestModeEnabled(true);
    // ... and to a folder of this process alone: test programs run side by side, and one
    // that clears or writes the settings must not change what another reads. A test program
    // started by another (a child that records until it is killed, a death test run anew)
    // gets its folder inside its parent's, which goes with the parent's however the child
    // ends.
    const QString parent = qEnvironmentVariable(kSettingsParentVariable);
    static QTemporaryDir settings(parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/NoxControlTest-XXXXXX")
                                                   : parent + QStringLiteral("/child-XXXXXX"));
    if (!settings.isValid()) return 2;
    ::setenv(kSettingsParentVariable, settings.path().toLocal8Bit().constData(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    platform::UiDispatcher::Instance();
    // No test may ever block on a modal box: unscripted boxes answer with their default.
    static support::ScriptedDialogs dialogs;
    platform::SetDialogs(&dialogs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
