#include "platform/FileFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "platform/TextLines.h"

namespace platform {
namespace {

// The program's own settings; the folders are one group of them.
const char* const kOrganisation = "NoxControl";
const char* const kApplication = "NoxControl";

QString Key(TFileKind kind)
{
    switch (kind) {
        case TFileKind::DataFile: return QStringLiteral("Folders/DataFiles");
        case TFileKind::OpenFile: return QStringLiteral("Folders/OpenedFiles");
        case TFileKind::Program: return QStringLiteral("Folders/Programs");
        case TFileKind::Picture: return QStringLiteral("Folders/Pictures");
    }
    return QStringLiteral("Folders/Other");
}

}  // namespace

AnsiString FileFolder(TFileKind kind)
{
    const QString last = QSettings(kOrganisation, kApplication).value(Key(kind)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return A(last);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return A(documents);
    return A(QDir::homePath());
}

void RememberFileFolder(TFileKind kind, const AnsiString& chosenFile)
{
    if (chosenFile.empty()) return;
    const QString folder = QFileInfo(Q(chosenFile)).absolutePath();
    if (!QFileInfo(folder).isDir()) return;
    QSettings settings(kOrganisation, kApplication);
    if (!settings.isWritable()) return;
    settings.setValue(Key(kind), folder);
    settings.sync();
}

bool ChooseFile(FileDialogRequest& req, TFileKind kind)
{
    if (req.initialDir.empty()) req.initialDir = FileFolder(kind);
    if (!dialogs().FileDialog(req)) return false;
    RememberFileFolder(kind, req.fileName);
    return true;
}

}  // namespace platform
