// File dialogs open in the folder last used for their kind of file, kept across runs in the
// user's settings; the first time, and when that folder is gone, in the documents folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/FileFolders.h"
#include "platform/TextLines.h"
#include "support/ScriptedDialogs.h"

namespace {

class FileFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The test main keeps the settings in the test user's folders.
        QSettings("NoxControl", "NoxControl").remove("Folders");
        support::TestDialogs().Clear();
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath("programs");
        QDir(root.path()).mkpath("pictures");
    }
    void TearDown() override
    {
        QSettings("NoxControl", "NoxControl").remove("Folders");
        support::TestDialogs().Clear();
    }
    AnsiString In(const char* folder, const char* file) const { return A(root.path() + "/" + folder + "/" + file); }
    static AnsiString Documents()
    {
        const QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return A(QFileInfo(d).isDir() ? d : QDir::homePath());
    }
    // The folder a dialog of this kind was opened in.
    static AnsiString OpenedIn(platform::TFileKind kind, const AnsiString& answer = "")
    {
        support::TestDialogs().QueueFileName(answer);
        platform::FileDialogRequest req;
        platform::ChooseFile(req, kind);
        return support::TestDialogs().LastFileRequest().initialDir;
    }

    QTemporaryDir root;
};

TEST_F(FileFoldersTest, EachKindOpensWhereItsLastFileWasChosen)
{
    using platform::TFileKind;
    EXPECT_EQ(OpenedIn(TFileKind::Program), Documents());
    // A cancelled dialog remembers nothing.
    EXPECT_EQ(OpenedIn(TFileKind::Program), Documents());
    OpenedIn(TFileKind::Program, In("programs", "ramp.tp"));
    OpenedIn(TFileKind::Picture, In("pictures", "chart.jpg"));
    EXPECT_EQ(OpenedIn(TFileKind::Program), A(root.path() + "/programs"));
    EXPECT_EQ(OpenedIn(TFileKind::Picture), A(root.path() + "/pictures"));
    EXPECT_EQ(OpenedIn(TFileKind::DataFile), Documents());
    EXPECT_EQ(OpenedIn(TFileKind::OpenFile), Documents());
    // Kept in the settings: a new run (a fresh settings object) finds it.
    EXPECT_EQ(QSettings("NoxControl", "NoxControl").value("Folders/Programs").toString(), root.path() + "/programs");
    // ... kept in a settings file of this test program alone, not in the test user's, which
    // every test program running beside it shares.
    EXPECT_FALSE(QSettings("NoxControl", "NoxControl")
                     .fileName()
                     .startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
}

TEST_F(FileFoldersTest, AGoneFolderFallsBackAndAFolderNamedByTheCallerStays)
{
    using platform::TFileKind;
    OpenedIn(TFileKind::DataFile, In("programs", "run.csv"));
    ASSERT_EQ(platform::FileFolder(TFileKind::DataFile), A(root.path() + "/programs"));
    QDir(root.path() + "/programs").removeRecursively();
    EXPECT_EQ(platform::FileFolder(TFileKind::DataFile), Documents());

    support::TestDialogs().QueueFileName("");
    platform::FileDialogRequest req;
    req.initialDir = A(root.path());
    platform::ChooseFile(req, TFileKind::DataFile);
    EXPECT_EQ(support::TestDialogs().LastFileRequest().initialDir, A(root.path()));
}

}  // namespace
