#pragma once
// The settings a test program or a benchmark keeps (folders of file dialogs, editor options)
// go to a folder of the process's own, never to the real user's: programs run side by side,
// one that clears or writes the settings must not change what another reads, and a run
// must leave the user's own settings as they were.
#include <QSettings>
#include <QStandardPaths>
#include <QString>

namespace support {

inline void KeepSettingsIn(const QString& folder)
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace support
