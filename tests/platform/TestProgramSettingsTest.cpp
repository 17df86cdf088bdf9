// The folder of a test program started by another (a child that records until it is
// killed): its settings and its temporary files lie inside its parent's folder, so they go
// with the parent's however the child ends, and the temporary directory keeps nothing of a
// suite run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "support/SpawnSelf.h"

namespace {

constexpr const char* kChildEnv = "NOX_SETTINGS_CHILD";
constexpr int kReportFd = support::kChildReportFd;

std::string SettingsFile()
{
    QSettings s;
    s.setValue("probe", 1);
    s.sync();
    return s.fileName().toStdString();
}

// The folder the settings of this process go to.
std::string SettingsFolder()
{
    const QString file = QSettings(QSettings::IniFormat, QSettings::UserScope, "Org", "App").fileName();
    return QFileInfo(file).dir().absolutePath().chopped(4).toStdString();  // without "/Org"
}

bool Inside(const std::string& path, const std::string& folder)
{
    return !folder.empty() && path.rfind(folder + "/", 0) == 0;
}

}  // namespace

// The child: makes a temporary folder, writes a setting, says where both went and waits
// for the parent's signal.
TEST(TestProgramSettingsChild, ReportsItsFoldersAndWaits)
{
    if (!std::getenv(kChildEnv))
        GTEST_SKIP() << "runs only as the child of ASpawnedTestProgramKeepsItsFoldersInsideItsParentsOwn";
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const std::string lines = SettingsFile() + "\n" + temporary.path().toStdString() + "\n";
    ASSERT_EQ(::write(kReportFd, lines.data(), lines.size()), ssize_t(lines.size()));
    for (;;) ::pause();
}

TEST(TestProgramSettings, ASpawnedTestProgramKeepsItsFoldersInsideItsParentsOwn)
{
    // The process's own folder holds its settings and is its temporary directory.
    const std::string own = SettingsFolder();
    ASSERT_EQ(QDir::tempPath().toStdString(), own);

    pid_t pid = 0;
    const int report = support::SpawnSelfReporting("TestProgramSettingsChild.ReportsItsFoldersAndWaits",
                                                   std::string(kChildEnv) + "=1", pid);
    ASSERT_GE(report, 0);
    const std::string lines = support::ReadReport(report, 2);
    // Killed, as a recording child is: it removes nothing, and what it made is inside the
    // parent's folder, which the parent's end removes.
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    const std::size_t end = lines.find('\n');
    ASSERT_NE(end, std::string::npos) << lines;
    const std::string settings = lines.substr(0, end), temporary = lines.substr(end + 1, lines.size() - end - 2);
    EXPECT_TRUE(Inside(settings, own)) << settings << " is not inside " << own;
    EXPECT_TRUE(Inside(temporary, own)) << temporary << " is not inside " << own;
    EXPECT_TRUE(QDir(QString::fromStdString(temporary)).exists());
}
