// A recording killed inside its minute's write leaves its file cut and the new end in the
// side file beside it. What then happens to that side file when another tool rewrites the
// file, when the file is moved away and a new recording takes its name, and when the file
// is opened or the program starts again. The kill is real: a child process (this test
// program again, as the crash tests run it) records and kills itself inside the write.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "ChannelTestSupport.h"
#include "app/ProgramStartup.h"
#include "app/RecordedDataFile.h"
#include "app/TFileCommands.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/FileSave.h"
#include "platform/TextCodec.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"
#include "support/SpawnSelf.h"

using namespace channeltest;

namespace {

AnsiString English(int row)
{
    AnsiString s;
    return CLanguage::Instance()->LookupText(CLanguage::English, row, s);
}

AnsiString WithName(AnsiString text, const AnsiString& name)
{
    text.replace(text.find('$'), 1, name);
    return text;
}

std::string OnDisk(const std::string& path)
{
    std::string bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, bytes)) << path;
    return bytes;
}

bool Exists(const std::string& path)
{
    return QFile::exists(QString::fromStdString(path));
}

// The names in `dir` that start with `start`.
std::vector<std::string> NamesStartingWith(const std::string& dir, const std::string& start)
{
    std::vector<std::string> names;
    for (const QString& n : QDir(QString::fromStdString(dir)).entryList(QDir::Files | QDir::Hidden))
        if (n.toStdString().rfind(start, 0) == 0) names.push_back(n.toStdString());
    return names;
}

class CutFileTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    }
    void TearDown() override
    {
        forms.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        ChannelFixture::TearDown();
    }

    // A recording into `dir`/run_11.csv, one row a second, killed inside its first write in
    // place; the side file is dated back to an earlier run. Returns the file as the side
    // file completes it.
    std::string KillInsideTheFirstWrite(const std::string& dir)
    {
        EXPECT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
        pid_t pid = 0;
        // folder; interval; ticks; save at; the write to kill in; the row to hold at
        const int report = support::SpawnSelfReporting("RecordingCrashTest.ChildRecordsUntilKilled",
                                                       "NOX_RECORDING_CHILD=" + dir + ";1;200;0;1;0", pid);
        if (report >= 0) {
            // What it reports is read to its end, which comes with the kill.
            char buf[256];
            FILE* in = fdopen(report, "r");
            while (std::fgets(buf, sizeof buf, in)) {}
            std::fclose(in);
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        } else {
            ADD_FAILURE() << "no child";
        }
        const std::string file = dir + "/run_11.csv", pending = file + ".recovery";
        EXPECT_TRUE(Exists(pending));
        const timespec earlier[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, pending.c_str(), earlier, 0), 0);
        std::string whole;
        EXPECT_TRUE(platform::ReadGrowingFile(file, 1 << 30, whole));
        EXPECT_NE(whole, OnDisk(file));
        return whole;
    }

    // File > Open of `path` as the user does it; the message box it brought up, if any.
    TmdiSubWindow* Open(const std::string& path)
    {
        if (!forms) {
            forms = std::make_unique<TProgramForms>(CLanguage::English);
            forms->MainWindow->tmrPopUp->stop();
            forms->PanelControl->setUpdatesEnabled(false);
        }
        support::TestDialogs().Clear();
        support::TestDialogs().QueueFileName(path);
        forms->MainWindow->mnuOpenFile->trigger();
        forms->FileCommands->WaitIdle();
        return dynamic_cast<TmdiSubWindow*>(forms->MainWindow->ChannelForm(forms->MainWindow->ActiveChannel()));
    }
    AnsiString LastMessage() { return support::TestDialogs().LastMessage().text; }

    std::unique_ptr<TProgramForms> forms;
};

}  // namespace

// A tool that writes a new file and renames it over the cut one (sed -i, an editor, a
// spreadsheet, rsync) gives the file a new inode: that proves no whole save of the program.
// The side file, the only copy of the file's end, stays, later saves into the folder keep
// it, and opening the file says that an unfinished write waits beside it.
TEST_F(CutFileTest, ACutFileReplacedByAnotherToolKeepsItsSideFile)
{
    const std::string dir = folder.path().toStdString() + "/sed";
    KillInsideTheFirstWrite(dir);
    const std::string file = dir + "/run_11.csv", pending = file + ".recovery";
    const std::string record = OnDisk(pending);
    std::string edited = OnDisk(file);
    edited.replace(edited.find("Date|Time"), 4, "DATE");
    {
        std::ofstream out(dir + "/sedXYZ12", std::ios::binary);
        out << edited;
    }
    ASSERT_EQ(std::rename((dir + "/sedXYZ12").c_str(), file.c_str()), 0);

    Open(file);
    EXPECT_NE(LastMessage().find(WithName(English(resources::RowPendingWriteWaits), pending)), std::string::npos)
        << LastMessage();
    EXPECT_EQ(OnDisk(file), edited);
    ASSERT_TRUE(platform::SaveFileAtomic(dir + "/other.txt", "x"));
    EXPECT_EQ(OnDisk(pending), record);
    EXPECT_EQ(OnDisk(file), edited);
}

// A file moved away without its side file opens as cut short, and the message says where
// the end of its last write may wait. A new recording under the old name keeps that side
// file under a name of its own, with the time it was written, and its protocol says where;
// put beside the moved file under its side file's name, it completes that file again.
TEST_F(CutFileTest, AMovedFilesSideFileSurvivesANewRecordingUnderItsName)
{
    const std::string dir = folder.path().toStdString() + "/moved";
    const std::string whole = KillInsideTheFirstWrite(dir);
    const std::string file = dir + "/run_11.csv", pending = file + ".recovery";
    const std::string record = OnDisk(pending);
    const std::string archive = dir + "/archive";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(archive)));
    ASSERT_EQ(std::rename(file.c_str(), (archive + "/run_11.csv").c_str()), 0);
    Open(archive + "/run_11.csv");
    EXPECT_NE(LastMessage().find(WithName(English(resources::RowFileCutShort), "run_11.csv.recovery")),
              std::string::npos)
        << LastMessage();
    forms.reset();

    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, dir + "/run.csv");
    clock.AdvanceMs(1000);
    s.Tick();
    ASSERT_TRUE(Await([&] { return !NamesStartingWith(dir, "run_11.csv.recovery.").empty(); }));
    const std::vector<std::string> kept = NamesStartingWith(dir, "run_11.csv.recovery.");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].size(), std::string("run_11.csv.recovery.2026-03-28_22-00-00").size()) << kept[0];
    EXPECT_EQ(OnDisk(dir + "/" + kept[0]), record);
    EXPECT_FALSE(Exists(pending));
    // The channel speaks its own language: the line is found by the name it gives.
    const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
    EXPECT_TRUE(Await([&] {
        return std::any_of(protocol.begin(), protocol.end(), [&](const AnsiString& l) {
            return l.find(" als " + dir + "/" + kept[0] + " aufbewahrt") != AnsiString::npos;
        });
    })) << protocol.back();
    ASSERT_TRUE(s.Close());

    ASSERT_EQ(std::rename((dir + "/" + kept[0]).c_str(), (archive + "/run_11.csv.recovery").c_str()), 0);
    std::string bytes;
    platform::TPendingWriteState state{};
    ASSERT_TRUE(platform::ReadGrowingFile(archive + "/run_11.csv", 1 << 30, bytes, nullptr, nullptr, &state));
    EXPECT_EQ(state, platform::TPendingWriteState::Applied);
    EXPECT_EQ(bytes, whole);
}

// A side file of an earlier run that proves its file is written into it when the file is
// opened (the read has just proved it fits) and when the program starts (in the folders it
// knows): the file on the disk is then what the view shows, the side file is gone, and the
// view's protocol or a notice says so.
TEST_F(CutFileTest, AFittingSideFileIsFinishedWhenItsFileIsOpenedAndAtStart)
{
    const std::string opened = folder.path().toStdString() + "/opened";
    const std::string whole = KillInsideTheFirstWrite(opened);
    const std::string file = opened + "/run_11.csv", pending = file + ".recovery";
    TmdiSubWindow* view = Open(file);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(OnDisk(file), whole);
    EXPECT_FALSE(Exists(pending));
    const std::vector<AnsiString> protocol = view->MemoLines(TDataFileMemo::SerialData);
    EXPECT_NE(std::find(protocol.begin(), protocol.end(), WithName(English(resources::RowCutWriteFinished), file)),
              protocol.end());
    const TRecordedDataRead read = ReadRecordedDataFile(file);
    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(read.Rows(), view->Series(0)->Count());

    const std::string started = folder.path().toStdString() + "/started";
    const std::string startedWhole = KillInsideTheFirstWrite(started);
    const std::string startedFile = started + "/run_11.csv";
    std::vector<AnsiString> finished;
    support::TestDialogs().Clear();
    startup::FinishCutWritesAtStart({folder.path().toStdString(), started, started},
                                    [&](const std::vector<AnsiString>& files) { finished = files; });
    ASSERT_TRUE(Await([&] { return !finished.empty(); }));
    EXPECT_EQ(finished, std::vector<AnsiString>{startedFile});
    EXPECT_EQ(OnDisk(startedFile), startedWhole);
    EXPECT_FALSE(Exists(startedFile + ".recovery"));
    ASSERT_TRUE(Await([&] { return support::TestDialogs().MessageCount() == 1; }));
    EXPECT_EQ(LastMessage(), WithName(English(resources::RowCutWriteFinished), startedFile));
}

// The side file of an earlier write under the name a new recording takes survives it and
// its protocol says where: kept under a shorter name where the dated one would be too long,
// and, when it is at the recording's own side file's name (put back there by hand, or where
// it could not be set aside), never written over or removed by the minute's writes, the
// saves into the folder or the recording's end: the file is written whole meanwhile.
TEST_F(CutFileTest, AnEarlierWritesSideFileSurvivesANewRecordingUnderItsName)
{
    const std::string dir = folder.path().toStdString() + "/earlier";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    // A record of a write whose file is no longer what it wrote.
    const std::string earlierEnd =
        "noxcontrol pending end 2 dev=1 ino=2 size=3 whole=00000000 offset=0 head=00000000 length=12 "
        "crc=00000000\nrows 1 to 29";
    const auto putEarlierEnd = [&](const std::string& pending) {
        {
            std::ofstream out(pending, std::ios::binary);
            out << earlierEnd;
        }
        ASSERT_EQ(::chmod(pending.c_str(), 0600), 0);
        const timespec earlier[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, pending.c_str(), earlier, 0), 0);
    };
    const auto protocolNames = [](const CChannelSession& s, const std::string& name) {
        const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
        return std::any_of(protocol.begin(), protocol.end(),
                           [&](const AnsiString& l) { return l.find(name) != AnsiString::npos; });
    };
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);

    // A name of 240 characters: the dated name would be longer than the file system takes.
    const std::string base = std::string(236, 'l');
    const std::string file = dir + "/" + base + "_11.csv";
    {
        std::ofstream(file) << "an edited earlier recording";
    }
    putEarlierEnd(file + ".recovery");
    Connect(s, dir + "/" + base + ".csv");
    clock.AdvanceMs(1000);
    s.Tick();
    ASSERT_TRUE(Await([&] { return !Exists(file + ".recovery"); }));
    const std::vector<std::string> kept = NamesStartingWith(dir, base.substr(0, 200));
    const auto aside = std::find_if(kept.begin(), kept.end(),
                                    [](const std::string& n) { return n.find(".recovery.") != std::string::npos; });
    ASSERT_NE(aside, kept.end());
    EXPECT_EQ(OnDisk(dir + "/" + *aside), earlierEnd);
    EXPECT_TRUE(Await([&] { return protocolNames(s, dir + "/" + *aside); }));

    // Put back at its name while the recording runs: the minute's write does not replace it
    // and says so, and the file's next whole write keeps it under a name of its own.
    const std::string pending = file + ".recovery";
    putEarlierEnd(pending);
    support::TestDialogs().Clear();
    for (int i = 0; i < 130; ++i) {
        clock.AdvanceMs(1000);
        s.Tick();
        TDataFileSaveQueue::Instance().WaitIdle();
    }
    // In the channel's own language.
    bool told = false;
    for (const int language : {CLanguage::German, CLanguage::English}) {
        AnsiString blocked;
        CLanguage::Instance()->LookupText(language, resources::RowEarlierWriteInTheWay, blocked);
        blocked.replace(blocked.find("$2"), 2, file);
        blocked.replace(blocked.find("$1"), 2, pending);
        told = told || LastMessage().find(blocked.substr(0, blocked.find("$1"))) != AnsiString::npos;
    }
    EXPECT_TRUE(told) << LastMessage();
    std::vector<std::string> keptLater;
    for (const std::string& n : NamesStartingWith(dir, base.substr(0, 200)))
        if (n.find(".recovery") != std::string::npos && n != *aside) keptLater.push_back(dir + "/" + n);
    ASSERT_EQ(keptLater.size(), 1u);
    EXPECT_EQ(OnDisk(keptLater[0]), earlierEnd);
    EXPECT_TRUE(protocolNames(s, keptLater[0]));
    // A save into the folder and the recording's end leave it too, and the recording's file
    // holds every row.
    ASSERT_TRUE(platform::SaveFileAtomic(dir + "/other.txt", "x"));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(OnDisk(keptLater[0]), earlierEnd);
    const TRecordedDataRead read = ReadRecordedDataFile(file);
    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(read.Rows(), s.ValueSeries(0)->Count());
}

// Another user who may write the folder puts a link at the name of a part before it is
// written (the first part's, or the next one's): the link is neither followed nor replaced,
// and the part's rows go into a free name beside it, which the protocol and a box name,
// through the minute's writes, the part's end and the channel's close.
TEST_F(CutFileTest, APartWhoseNameAnotherUserHoldsIsSavedUnderAFreeName)
{
    const bool root = ::geteuid() == 0;
    // Without root no link can be given to another user: the user's own then count as
    // another user's.
    if (!root) platform::SetFileOwnerUserForTests(4242);
    const std::string dir = folder.path().toStdString() + "/shared";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    const std::string victim = folder.path().toStdString() + "/thesis.odt";
    {
        std::ofstream(victim) << "my thesis";
    }
    const auto plant = [&](const std::string& at) {
        ASSERT_EQ(::symlink(victim.c_str(), at.c_str()), 0);
        if (root) {
            ASSERT_EQ(::lchown(at.c_str(), 4343, 4343), 0);
        }
    };
    const auto told = [&](const CChannelSession& s, const std::string& held, const std::string& free) {
        for (const int language : {CLanguage::German, CLanguage::English}) {
            AnsiString text;
            CLanguage::Instance()->LookupText(language, resources::RowSavedUnderFreeName, text);
            text.replace(text.find("$1"), 2, held);
            text.replace(text.find("$2"), 2, free);
            const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
            if (std::any_of(protocol.begin(), protocol.end(),
                            [&](const AnsiString& l) { return l.find(text) != AnsiString::npos; }) &&
                support::TestDialogs().LastMessage().text.find(text) != AnsiString::npos)
                return true;
        }
        return false;
    };
    const auto isLink = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    };
    plant(dir + "/run_11.csv");
    plant(dir + "/run_12.csv");
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, dir + "/run.csv");
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(1000);
            s.Tick();
            TDataFileSaveQueue::Instance().WaitIdle();
        }
    };
    tick(70);
    EXPECT_TRUE(told(s, dir + "/run_11.csv", dir + "/run_11-2.csv")) << support::TestDialogs().LastMessage().text;
    const int firstPart = s.ValueSeries(0)->Count();
    EXPECT_GE(ReadRecordedDataFile(dir + "/run_11-2.csv").Rows(), firstPart - 60);

    // The next part: its name is held too.
    s.StartNewPartNow();
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(ReadRecordedDataFile(dir + "/run_11-2.csv").Rows(), firstPart);
    tick(90);
    EXPECT_TRUE(told(s, dir + "/run_12.csv", dir + "/run_12-2.csv")) << support::TestDialogs().LastMessage().text;
    // Nothing was replaced, and the protocol does not say so.
    for (const int language : {CLanguage::German, CLanguage::English}) {
        AnsiString replaced;
        CLanguage::Instance()->LookupText(language, resources::RowExistingFileReplaced, replaced);
        replaced.replace(replaced.find("$1"), 2, dir + "/run_12.csv");
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) EXPECT_EQ(l.find(replaced), AnsiString::npos) << l;
    }
    const size_t boxes = support::TestDialogs().MessageCount();
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(support::TestDialogs().MessageCount(), boxes);  // said once
    const TRecordedDataRead second = ReadRecordedDataFile(dir + "/run_12-2.csv");
    EXPECT_FALSE(second.Damaged());
    EXPECT_EQ(second.Rows(), s.ValueSeries(0)->Count());
    EXPECT_GT(second.Rows(), 80);
    // It names the name it was written to: where its side file is, were it cut.
    EXPECT_EQ(second.WrittenName, dir + "/run_12-2.csv");
    EXPECT_TRUE(isLink(dir + "/run_11.csv"));
    EXPECT_TRUE(isLink(dir + "/run_12.csv"));
    EXPECT_EQ(OnDisk(victim), "my thesis");
    platform::SetFileOwnerUserForTests(-1);
}

// The folder a part is written into is renamed while the part grows minute by minute, and a
// link to the user's private folder is put in its place (another user may write the folder
// above it). The part goes on growing, side files and all, in the folder it was made in;
// the protocol and a box say so once; nothing in the private folder changes, not even
// another recording's side file of the part's name, also when the part is saved by its name.
TEST_F(CutFileTest, ARunningPartWhoseFolderIsReplacedByALinkGoesOnInTheFolderItWasMadeIn)
{
    const std::string shared = folder.path().toStdString() + "/shared";
    const std::string mine = shared + "/mine", moved = shared + "/moved";
    const std::string privateFolder = folder.path().toStdString() + "/private";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(mine)));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(privateFolder)));
    const std::string otherEnd = privateFolder + "/run_11.csv.recovery";
    {
        std::ofstream(otherEnd) << "the end of another recording";
    }
    ASSERT_EQ(::chmod(otherEnd.c_str(), 0600), 0);
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, mine + "/run.csv");
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(1000);
            s.Tick();
            TDataFileSaveQueue::Instance().WaitIdle();
        }
    };
    tick(70);
    support::TestDialogs().Clear();
    ASSERT_EQ(::rename(mine.c_str(), moved.c_str()), 0);
    ASSERT_EQ(::symlink(privateFolder.c_str(), mine.c_str()), 0);
    // Another user's link, in a folder that others may write.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::lchown(mine.c_str(), 4343, 4343), 0);
    }
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    tick(130);
    const std::string file = mine + "/run_11.csv";
    // In the channel's own language.
    int said = 0;
    for (const int language : {CLanguage::German, CLanguage::English}) {
        AnsiString text;
        CLanguage::Instance()->LookupText(language, resources::RowFolderReplaced, text);
        text.replace(text.find("$2"), 2, file);
        text.replace(text.find("$1"), 2, mine);
        const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
        if (LastMessage().find(text) == AnsiString::npos) continue;
        said += int(std::count_if(protocol.begin(), protocol.end(),
                                  [&](const AnsiString& l) { return l.find(text) != AnsiString::npos; }));
    }
    EXPECT_EQ(said, 1) << LastMessage();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    const int rows = s.ValueSeries(0)->Count();
    EXPECT_GE(ReadRecordedDataFile(moved + "/run_11.csv").Rows(), rows - 60);
    EXPECT_EQ(NamesStartingWith(moved, "run_11"), std::vector<std::string>{"run_11.csv"});
    EXPECT_EQ(NamesStartingWith(privateFolder, ""), std::vector<std::string>{"run_11.csv.recovery"});
    EXPECT_EQ(OnDisk(otherEnd), "the end of another recording");

    // A save of the part (File > Save) goes into the folder it was made in as well, never
    // through the link, and says where that folder is now; the private folder stays as it is.
    bool answered = false, saved = false;
    s.SaveRecording([&](bool ok) {
        answered = true;
        saved = ok;
    });
    ASSERT_TRUE(Await([&] { return answered; }));
    EXPECT_TRUE(saved);
    ASSERT_TRUE(Await([&] { return LastMessage().find(moved) != AnsiString::npos; })) << LastMessage();
    EXPECT_EQ(NamesStartingWith(privateFolder, ""), std::vector<std::string>{"run_11.csv.recovery"});
    EXPECT_EQ(ReadRecordedDataFile(moved + "/run_11.csv").Rows(), s.ValueSeries(0)->Count());

    // The folder back at its place: the channel's end writes every row there.
    ASSERT_EQ(::unlink(mine.c_str()), 0);
    ASSERT_EQ(::rename(moved.c_str(), mine.c_str()), 0);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(ReadRecordedDataFile(file).Rows(), s.ValueSeries(0)->Count());
}

namespace {

// A link of another user at `at` (pointing to `to`): given to another user as root; without
// root the test takes the user's own links for another user's (SetFileOwnerUserForTests).
void PlantLink(const std::string& to, const std::string& at)
{
    ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0) << at;
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(at.c_str(), 4343, 4343), 0);
    }
}

// Whether the channel's protocol has a line holding `text`.
bool ProtocolHas(const CChannelSession& s, const AnsiString& text)
{
    const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
    return std::any_of(protocol.begin(), protocol.end(),
                       [&](const AnsiString& l) { return l.find(text) != AnsiString::npos; });
}

// The text of `row` in the channel's language (German, as no window set another), with $1
// and $2 put in.
AnsiString ChannelRow(resources::TextRow row, const AnsiString& one, const AnsiString& two)
{
    AnsiString text;
    CLanguage::Instance()->LookupText(CLanguage::German, row, text);
    text.replace(text.find("$1"), 2, one);
    text.replace(text.find("$2"), 2, two);
    return text;
}

}  // namespace

// The folder a recording writes into is renamed while it runs, between two of its minute's
// writes. The minute's writes, the part's end, a save and the channel's close all go into
// the folder the recording was made in, and the protocol and a box say where it is now:
// every row of both parts is on the disk there, and nothing is made at the old path.
TEST_F(CutFileTest, ARecordingWhoseFolderIsRenamedWritesEveryRowIntoIt)
{
    const std::string data = folder.path().toStdString() + "/data";
    const std::string rec = data + "/rec", old = data + "/rec-old";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(rec)));
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, rec + "/run.csv");
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(1000);
            s.Tick();
            TDataFileSaveQueue::Instance().WaitIdle();
        }
    };
    tick(40);
    ASSERT_EQ(::rename(rec.c_str(), old.c_str()), 0);
    tick(40);
    const int firstPart = s.ValueSeries(0)->Count();
    EXPECT_GE(ReadRecordedDataFile(old + "/run_11.csv").Rows(), firstPart - 60);
    support::TestDialogs().Clear();
    s.StartNewPartNow();
    TDataFileSaveQueue::Instance().WaitIdle();
    const TRecordedDataRead first = ReadRecordedDataFile(old + "/run_11.csv");
    EXPECT_FALSE(first.Damaged());
    EXPECT_EQ(first.Rows(), firstPart);
    EXPECT_FALSE(s.HasUnsavedPart());
    EXPECT_TRUE(ProtocolHas(s, ChannelRow(resources::RowSavedInFolderMadeIn, old, rec + "/run_11.csv")));
    ASSERT_TRUE(Await([&] { return LastMessage().find(old) != AnsiString::npos; })) << LastMessage();

    tick(70);
    // The part's end and the next part, made in that folder on purpose, say so in one box,
    // and none calls it an error.
    platform::UiDispatcher::Instance().ProcessPending();
    const std::vector<support::ShownMessage> shown = support::TestDialogs().Messages();
    EXPECT_EQ(shown.size(), 1u);
    for (const auto& m : shown)
        for (const int language : {CLanguage::German, CLanguage::English}) {
            AnsiString error;
            EXPECT_NE(m.caption, CLanguage::Instance()->LookupText(language, resources::RowError, error)) << m.text;
        }
    EXPECT_TRUE(ProtocolHas(s, ChannelRow(resources::RowSavedInFolderMadeIn, old, rec + "/run_12.csv")));
    bool answered = false, saved = false;
    s.SaveRecording([&](bool ok) {
        answered = true;
        saved = ok;
    });
    ASSERT_TRUE(Await([&] { return answered; }));
    EXPECT_TRUE(saved);
    tick(10);
    ASSERT_TRUE(s.Close());
    const TRecordedDataRead second = ReadRecordedDataFile(old + "/run_12.csv");
    EXPECT_FALSE(second.Damaged());
    EXPECT_EQ(second.Rows(), s.ValueSeries(0)->Count());
    EXPECT_GT(second.Rows(), 75);
    EXPECT_FALSE(Exists(rec));
}

// A recording whose folder is gone altogether cannot be saved anywhere it was: the close
// offers another place before anything is discarded, and writes every row there.
TEST_F(CutFileTest, AClosingRecordingThatCannotBeSavedIsOfferedAnotherPlace)
{
    const std::string rec = folder.path().toStdString() + "/rec";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(rec)));
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, rec + "/run.csv");
    for (int i = 0; i < 70; ++i) {
        clock.AdvanceMs(1000);
        s.Tick();
        TDataFileSaveQueue::Instance().WaitIdle();
    }
    ASSERT_TRUE(QDir(QString::fromStdString(rec)).removeRecursively());
    const std::string elsewhere = folder.path().toStdString() + "/elsewhere.csv";
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDOK);   // the save's error
    support::TestDialogs().QueueAnswer(IDYES);  // save it in another place?
    support::TestDialogs().QueueFileName(elsewhere);
    support::TestDialogs().QueueAnswer(IDNO);  // (close anyway and discard the data? No)
    ASSERT_TRUE(s.Close());
    bool asked = false;
    for (const auto& m : support::TestDialogs().Messages())
        asked = asked || m.text.find(rec + "/run_11.csv") != AnsiString::npos;
    EXPECT_TRUE(asked);
    const TRecordedDataRead read = ReadRecordedDataFile(elsewhere);
    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(read.Rows(), s.ValueSeries(0)->Count());
    EXPECT_EQ(read.WrittenName, elsewhere);
    EXPECT_NE(std::find(read.Info.begin(), read.Info.end(), AnsiString(elsewhere)), read.Info.end());
}

// Another user holds every numbered name beside a part's (-2 to -999): the part goes to a
// name nobody could foresee, made new, which the protocol and a box name; its rows are all
// there at the close, and nothing of the other user's changed. A name near the file
// system's limit (251 characters) gets such a name too, its base cut short to fit; and one
// of 254 characters, whose numbered names would all be too long, a numbered one cut so.
TEST_F(CutFileTest, APartWhoseNumberedNamesAreAllHeldGoesToANameNobodyForesaw)
{
    if (::geteuid() != 0) platform::SetFileOwnerUserForTests(4242);
    const std::string victim = folder.path().toStdString() + "/thesis.odt";
    {
        std::ofstream(victim) << "my thesis";
    }
    struct TCase {
        std::string Base;  // the recording's name; its first part adds "_11.csv"
        bool EveryNumberHeld;
        std::string Made;  // the free name's start before its six letters and digits, or the free name
    };
    const std::string n244(244, 'n'), n243(243, 'n'), l247(247, 'l');
    const std::string umlaut = n243 + "\xC3\xA4";  // the cut falls inside the "ä": it goes whole
    for (const TCase& c : {TCase{"run", true, "run_11-"}, TCase{n244, true, n244 + "-"},
                           TCase{umlaut, true, n243 + "-"}, TCase{l247, false, l247 + "_1-2.csv"}}) {
        SCOPED_TRACE(c.Base.size());
        const std::string dir = folder.path().toStdString() + "/shared" + std::to_string(c.Base.size());
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
        ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
        const std::string part = c.Base + "_11";
        PlantLink(victim, dir + "/" + part + ".csv");
        // Each numbered name as the file system takes it: cut where it would be too long.
        for (int n = 2; c.EveryNumberHeld && n < 1000; ++n) {
            const std::string number = "-" + std::to_string(n) + ".csv";
            PlantLink(victim, dir + "/" + part.substr(0, std::min(part.size(), 255 - number.size())) + number);
        }
        support::SimulatedUnitLine line;
        CChannelSession s(1);
        UseOwnSerialUnit(line, s);
        Connect(s, dir + "/" + c.Base + ".csv");
        for (int i = 0; i < 70; ++i) {
            clock.AdvanceMs(1000);
            s.Tick();
            TDataFileSaveQueue::Instance().WaitIdle();
        }
        std::vector<std::string> made;
        for (const std::string& n : NamesStartingWith(dir, "")) {
            struct stat st {};
            if (::lstat((dir + "/" + n).c_str(), &st) == 0 && S_ISREG(st.st_mode)) made.push_back(n);
        }
        ASSERT_EQ(made.size(), 1u);
        if (c.EveryNumberHeld) {
            EXPECT_EQ(made[0].rfind(c.Made, 0), 0u) << made[0];
            EXPECT_EQ(made[0].size(), c.Made.size() + std::string("XXXXXX.csv").size()) << made[0];
        } else {
            EXPECT_EQ(made[0], c.Made);
        }
        const std::string free = dir + "/" + made[0];
        const AnsiString told = ChannelRow(resources::RowSavedUnderFreeName, dir + "/" + part + ".csv", free);
        EXPECT_TRUE(ProtocolHas(s, told));
        ASSERT_TRUE(Await([&] { return LastMessage().find(told) != AnsiString::npos; })) << LastMessage();
        ASSERT_TRUE(s.Close());
        const TRecordedDataRead read = ReadRecordedDataFile(free);
        EXPECT_FALSE(read.Damaged());
        EXPECT_EQ(read.Rows(), s.ValueSeries(0)->Count());
        EXPECT_GE(read.Rows(), 70);
        EXPECT_EQ(read.WrittenName, free);
        EXPECT_EQ(OnDisk(victim), "my thesis");
    }
    platform::SetFileOwnerUserForTests(-1);
}

// A new recording whose first file name another user holds at its start: no failure is
// told for the file that was made under a free name; the box that says where the data go
// stays until the user closes it (no later write withdraws it), and the window's title, its
// information memo and the protocol's later lines name the file really written.
TEST_F(CutFileTest, ARecordingStartedOnAHeldNameSaysWhereItGoesAndNamesThatFile)
{
    if (::geteuid() != 0) platform::SetFileOwnerUserForTests(4242);
    const std::string dir = folder.path().toStdString() + "/shared";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    const std::string victim = folder.path().toStdString() + "/thesis.odt";
    {
        std::ofstream(victim) << "my thesis";
    }
    const std::string held = dir + "/h_11.csv", free = dir + "/h_11-2.csv";
    PlantLink(victim, held);
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    std::vector<AnsiString> fileNotices, notices;
    int withdrawn = 0;
    s.OnFileNotice = [&](const AnsiString& text, const AnsiString&) { fileNotices.push_back(text); };
    s.OnFileNoticeStale = [&] { ++withdrawn; };
    s.OnNotice = [&](const AnsiString& text, const AnsiString&, std::function<void()>) { notices.push_back(text); };
    Connect(s, dir + "/h.csv");
    for (int i = 0; i < 70; ++i) {
        clock.AdvanceMs(1000);
        s.Tick();
        TDataFileSaveQueue::Instance().WaitIdle();
    }
    EXPECT_TRUE(fileNotices.empty()) << (fileNotices.empty() ? AnsiString() : fileNotices[0]);
    EXPECT_EQ(withdrawn, 0);
    const AnsiString told = ChannelRow(resources::RowSavedUnderFreeName, held, free);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(told), AnsiString::npos) << notices[0];
    AnsiString failed;
    CLanguage::Instance()->LookupText(CLanguage::German, resources::RowMakingFileFailed, failed);
    EXPECT_FALSE(ProtocolHas(s, failed));

    const std::vector<AnsiString> title = s.TitleLines();
    EXPECT_EQ(std::count_if(title.begin(), title.end(),
                            [](const AnsiString& l) { return l.find("h_11-2.csv") != AnsiString::npos; }),
              1);
    EXPECT_EQ(std::count_if(title.begin(), title.end(),
                            [](const AnsiString& l) { return l.find("h_11.csv") != AnsiString::npos; }),
              0);
    const std::vector<AnsiString>& info = s.Memo(TSessionMemo::Info);
    EXPECT_NE(std::find(info.begin(), info.end(), AnsiString(free)), info.end());
    EXPECT_EQ(std::find(info.begin(), info.end(), AnsiString(held)), info.end());
    EXPECT_EQ(s.WrittenPartFileName(), free);
    // Lines after the notice name the free file only.
    const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
    const auto notice = std::find_if(protocol.begin(), protocol.end(),
                                     [&](const AnsiString& l) { return l.find(told) != AnsiString::npos; });
    ASSERT_NE(notice, protocol.end());
    for (auto l = notice + 1; l != protocol.end(); ++l) EXPECT_EQ(l->find(held), AnsiString::npos) << *l;
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(ReadRecordedDataFile(free).Rows(), s.ValueSeries(0)->Count());
    EXPECT_EQ(OnDisk(victim), "my thesis");
    platform::SetFileOwnerUserForTests(-1);
}

// A part's name is held for a moment as the part begins: the part goes to a free name,
// which the user is told of, and keeps it to its end. The close writes it there, not under
// its own name, which is free again by then.
TEST_F(CutFileTest, APartSavedUnderAFreeNameKeepsItToItsEnd)
{
    if (::geteuid() != 0) platform::SetFileOwnerUserForTests(4242);
    const std::string dir = folder.path().toStdString() + "/shared";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    const std::string victim = folder.path().toStdString() + "/thesis.odt";
    {
        std::ofstream(victim) << "my thesis";
    }
    support::SimulatedUnitLine line;
    CChannelSession s(1);
    UseOwnSerialUnit(line, s);
    Connect(s, dir + "/tcp.csv");
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(1000);
            s.Tick();
            TDataFileSaveQueue::Instance().WaitIdle();
        }
    };
    tick(10);
    const std::string own = dir + "/tcp_12.csv", free = dir + "/tcp_12-2.csv";
    PlantLink(victim, own);
    s.StartNewPartNow();
    TDataFileSaveQueue::Instance().WaitIdle();
    tick(2);
    ASSERT_TRUE(Exists(free));
    ASSERT_EQ(::unlink(own.c_str()), 0);
    tick(70);
    bool answered = false, saved = false;
    s.SaveRecording([&](bool ok) {
        answered = true;
        saved = ok;
    });
    ASSERT_TRUE(Await([&] { return answered; }));
    EXPECT_TRUE(saved);
    tick(5);
    ASSERT_TRUE(s.Close());
    EXPECT_FALSE(Exists(own));
    const TRecordedDataRead read = ReadRecordedDataFile(free);
    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(read.Rows(), s.ValueSeries(0)->Count());
    EXPECT_EQ(read.WrittenName, free);
    EXPECT_TRUE(ProtocolHas(s, ChannelRow(resources::RowSavedUnderFreeName, own, free)));
    EXPECT_EQ(OnDisk(victim), "my thesis");
    platform::SetFileOwnerUserForTests(-1);
}
