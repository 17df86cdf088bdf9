// A channel's recording without its window: simulated unit -> channel object -> session ->
// series -> recording file, read back with the program's own reader.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ChannelTestSupport.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "channel/ChannelTexts.h"
#include "channel/LabelFile.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CTransceiver.h"
#include "platform/FileFolders.h"
#include "support/HangingFileSystem.h"

using namespace channeltest;

namespace {

class ChannelSessionTest : public ChannelFixture {
protected:
    static bool Logged(const support::SimulatedUnitLine& line, const AnsiString& frame)
    {
        for (const auto& f : line.Frames())
            if (f.frame == frame) return true;
        return false;
    }
    // Ports, sockets and files open once windows waiting for their deletion are gone. The
    // wake-up descriptors of Qt's own worker threads (painting) are not counted.
    static int OpenDescriptors()
    {
        TDataFileSaveQueue::Instance().WaitIdle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int n = 0;
        if (DIR* d = ::opendir("/proc/self/fd")) {
            while (dirent* e = ::readdir(d)) {
                char target[256] = {};
                const std::string link = std::string("/proc/self/fd/") + e->d_name;
                if (::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
                    std::string_view(target).substr(0, 11) != "anon_inode:")
                    ++n;
            }
            ::closedir(d);
        }
        return n;
    }
    // Ticks `n` times, one sampling interval apart, without waiting for the unit.
    void Ticks(CChannelSession& s, int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(std::int64_t(s.SamplingInterval()) * 1000);
            s.Tick();
        }
    }
    static int FileRows(const AnsiString& path)
    {
        TRecordedDataRead read = ReadRecordedDataFile(path);
        return read.Loaded ? read.Rows() : -1;
    }
    // A growing file is written about once a minute: it holds every row recorded but at
    // most those of the last minute.
    static bool HoldsAllButTheLastMinute(const AnsiString& path, const CChannelSession& s)
    {
        const int rows = FileRows(path), count = s.ValueSeries(0)->Count();
        return rows <= count && rows >= count - 60 / s.SamplingInterval();
    }
    static bool HasLine(const CChannelSession& s, const AnsiString& part)
    {
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
            if (l.find(part) != AnsiString::npos) return true;
        return false;
    }
    // The unit that takes the recorded unit's place in the swap tests: another serial
    // number, another name and values of its own.
    static support::UnitState OtherUnit()
    {
        support::UnitState u;
        u.serialNumber = 87654321;
        u.deviceName = "OTHER UNIT 300";
        u.internalTemp = 66.25;
        return u;
    }
    // Records the default unit (serial number 12345678); `lose` takes its link away,
    // `swapIn` puts the other unit where it was, `swapBack` brings the first one back. The
    // other unit's values never make a good point, the protocol and the user hear of it
    // once, and the first unit's values are recorded again once it is back.
    void RecordAcrossASwap(CChannelSession& s, const std::function<void()>& lose, const std::function<void()>& swapIn,
                           const std::function<void()>& swapBack)
    {
        TickAfterCycle(s);
        CTransceiver* poll = TransceiverThreads[s.Channel()];
        ASSERT_NE(poll, nullptr);
        ASSERT_TRUE(AwaitCycle(s));
        lose();
        s.Tick();
        ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
        swapIn();
        const int points = s.ValueSeries(0)->Count();
        auto otherLines = [&] {
            int n = 0;
            for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
                if (l.find("87654321") != AnsiString::npos) ++n;
            return n;
        };
        // Two checks find the other unit; neither polls it nor makes a good point. The ticks
        // after the loss were link errors; the other unit adds none.
        int errorTicks = 0;
        for (int attempt = 1; attempt <= 2; ++attempt) {
            clock.AdvanceMs(60000);
            ASSERT_TRUE(Await([&] { return poll->ReconnectAttempts() >= attempt; })) << attempt;
            if (attempt == 1) {
                s.Tick();
                errorTicks = s.ErrorTicks();
            }
            Ticks(s, 3);
        }
        ASSERT_TRUE(Await([&] { return support::TestDialogs().MessageCount() >= 1; }));
        EXPECT_TRUE(poll->IsLinkLost());
        for (int n = points; n < s.ValueSeries(0)->Count(); ++n) {
            EXPECT_EQ(s.ValueSeries(0)->GetXLabel(n), ChannelText(resources::RowErrorExclamation)) << n;
            EXPECT_NE(s.ValueSeries(sTIntern)->GetyValue(n), 66.25) << n;
        }
        EXPECT_EQ(otherLines(), 1);
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) {
            if (l.find("87654321") != AnsiString::npos) {
                EXPECT_NE(l.find("12345678"), AnsiString::npos) << l;
            }
        }
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        const AnsiString message = support::TestDialogs().LastMessage().text;
        EXPECT_NE(message.find("87654321"), AnsiString::npos) << message;
        EXPECT_NE(message.find("12345678"), AnsiString::npos) << message;
        EXPECT_EQ(s.ErrorTicks(), errorTicks) << "another unit is no fault of the data link";

        // The recorded unit comes back: checked, then recorded again. However often the
        // other unit answered, the checks stay a few seconds apart: one has just found it,
        // and the recorded unit is back within the first two waits (the second for a port
        // that has to be opened again).
        const int attempts = poll->ReconnectAttempts();
        clock.AdvanceMs(60000);
        ASSERT_TRUE(Await([&] { return poll->ReconnectAttempts() > attempts; }));
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
        swapBack();
        for (int waited = 0; poll->IsLinkLost() && waited < comm::ReconnectDelayMs(0) + comm::ReconnectDelayMs(1);
             waited += 1000) {
            clock.AdvanceMs(1000);
            const int pass = poll->PassCount;
            ASSERT_TRUE(Await([&] { return poll->PassCount >= pass + 2; }));
        }
        ASSERT_FALSE(poll->IsLinkLost());
        s.Tick();
        int good = 0;
        for (int i = 0; i < 4; ++i) {
            TickAfterCycle(s);
            const int n = s.ValueSeries(0)->Count() - 1;
            if (!s.ValueSeries(0)->GetXLabel(n).empty()) continue;
            ++good;
            EXPECT_DOUBLE_EQ(s.ValueSeries(sTIntern)->GetyValue(n), 24.5) << i;
        }
        EXPECT_GE(good, 2);
        EXPECT_EQ(otherLines(), 1);
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        ASSERT_TRUE(s.Close());
    }
    // A recording of a unit on a pseudo-terminal into `file` of a new folder "parts".
    void RecordIntoParts(support::SimulatedUnitLine& line, CChannelSession& s, const char* file)
    {
        ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
        ASSERT_TRUE(QDir(folder.path()).mkdir("parts"));
        Connect(s, Path(file));
    }
};

}  // namespace

TEST_F(ChannelSessionTest, TcpRecordingPollsDrawsAndWritesWhatItShows)
{
    support::SimulatedUnitLine line;
    support::UnitState state;
    state.internalTemp = 31.25;
    line.AddUnit(state);
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;

    CChannelSession s(3);
    UseTcp(s, line.TcpPort());
    // A chosen ".csv" goes before the part number, whatever its case.
    Connect(s, Path("run.CSV"));
    EXPECT_EQ(s.DataFileBase(), Path("run"));
    EXPECT_EQ(s.FirstPartFileName(), Path("run_31.csv"));
    // Without a label file the series carry the default titles.
    EXPECT_EQ(s.ValueSeries(0)->GetTitle(), "TIntern [°C]");
    EXPECT_EQ(s.ValueSeries(21)->GetTitle(), "Druck [mbar]");
    EXPECT_EQ(s.ValueSeries(10)->GetTitle(), "I");
    EXPECT_EQ(s.LeftAxisTitle(), "Temperatur in [°C]");
    EXPECT_TRUE(Logged(line, "[M01G0D******C0\r"));
    EXPECT_TRUE(Logged(line, "[M01C14*************D3\r"));
    // The first point, taken before any poll cycle, holds what the identification read,
    // speed and pressure included.
    EXPECT_DOUBLE_EQ(s.ValueSeries(sDrehzahl)->GetyValue(0), 1500);
    EXPECT_DOUBLE_EQ(s.ValueSeries(sDruck)->GetyValue(0), 250);

    // The first point came with the recording's start; two more ticks add two more. A
    // clock set back by an hour does not move them, and a tick never runs inside a tick.
    s.OnTicked = [&s] { s.Tick(); };
    TickAfterCycle(s);
    clock.Set(clock.Now() - 1.0 / 24.0);
    TickAfterCycle(s);
    for (int k = 0; k < ValueSeriesTotal; ++k) {
        if (s.ValueSeries(k)->Tag != 1) continue;
        EXPECT_EQ(s.ValueSeries(k)->Count(), 3) << k;
        EXPECT_EQ(s.ValueSeries(k)->GetXLabel(2), "") << k;
    }
    EXPECT_DOUBLE_EQ(s.ValueSeries(0)->GetyValue(2), 31.25);
    // "relativ": the start date plus the time since the start (5 s per tick).
    const TDateTime startDate = EncodeDate(2026, 3, 28);
    EXPECT_NEAR((s.ValueSeries(0)->GetxValue(2) - startDate) * 86400.0, 10.0, 0.01);
    EXPECT_EQ(s.ValueSeries(SeriesA)->Count(), 0);
    EXPECT_EQ(s.ValueSeries(SeriesProgrammer)->Count(), 0);
    EXPECT_TRUE(HasLine(s, " Eine neue Datenaufzeichnung wurde gestartet!"));

    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.ChannelObject(), nullptr);
    TRecordedDataRead read = ReadRecordedDataFile(Path("run_31.csv"));
    ASSERT_TRUE(read.Loaded);
    ASSERT_EQ(read.Rows(), 3);
    EXPECT_DOUBLE_EQ(read.Y[0][2], 31.25);
    EXPECT_DOUBLE_EQ(read.X[1], s.ValueSeries(0)->GetxValue(1));
}

TEST_F(ChannelSessionTest, Rs232RecordingTakesTheLabelFileTitles)
{
    QFile labels(QString::fromStdString(Path("Labels.txt")));
    ASSERT_TRUE(labels.open(QIODevice::WriteOnly));
    labels.write(
        "comment\r\n[AXES LABELS]\r\nDeutsch\r\nLinks\r\nRechts\r\n-\r\nLeft\r\nRight\r\n[VALUE SERIES]\r\n-\r\n");
    for (int k = 0; k < 22; ++k) labels.write(("Reihe " + std::to_string(k) + "\r\n").c_str());
    labels.close();
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));

    support::SimulatedUnitLine line;
    CChannelSession s(1);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    // The part number never goes into a folder's name.
    ASSERT_TRUE(QDir(folder.path()).mkdir("data.csv"));
    Connect(s, Path("data.csv/run"));
    QDir::setCurrent(cwd);
    EXPECT_EQ(s.FirstPartFileName(), Path("data.csv/run_11.csv"));
    EXPECT_EQ(s.ValueSeries(0)->GetTitle(), "Reihe 0");
    EXPECT_EQ(s.ValueSeries(21)->GetTitle(), "Reihe 21");
    EXPECT_EQ(s.ValueSeries(SeriesA)->GetTitle(), "A");
    EXPECT_EQ(s.LeftAxisTitle(), "Links");
    EXPECT_EQ(s.RightAxisTitle(), "Rechts");
    EXPECT_TRUE(Logged(line, "[M01G0D******C0\r"));
    EXPECT_TRUE(Logged(line, "[M01C14*************D3\r"));
    // The first point, taken before any poll cycle, holds what the identification read,
    // speed and pressure included.
    EXPECT_DOUBLE_EQ(s.ValueSeries(sDrehzahl)->GetyValue(0), 1500);
    EXPECT_DOUBLE_EQ(s.ValueSeries(sDruck)->GetyValue(0), 250);
    TickAfterCycle(s);
    TickAfterCycle(s);
    EXPECT_EQ(s.ValueSeries(0)->Count(), 3);
    EXPECT_EQ(s.ValueSeries(20)->Count(), 3);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(FileRows(Path("data.csv/run_11.csv")), 3);
}

TEST_F(ChannelSessionTest, SilentUnitGivesErrorTicksOneWarningAndRecordingResumes)
{
    support::SimulatedUnitLine line;
    CChannelSession s(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    // At 60 s the warning comes after three error ticks (180 s).
    s.Settings.Interval = "60";
    Connect(s, Path("silent"));
    EXPECT_EQ(s.SamplingInterval(), 60);

    line.First().InjectFault(support::UnitFault::NoReply, -1);
    // One tick per unanswered frame, as the unit's silence is noticed; the poll thread
    // passes its loop twice first, so a queue it has used up is refilled before the tick
    // (at a real interval that happens long before the next tick).
    auto errorTick = [&] {
        ASSERT_TRUE(Await([&] { return s.ChannelObject()->CommError == 1; }));
        CTransceiver* poll = TransceiverThreads[2];
        ASSERT_NE(poll, nullptr);
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
        clock.AdvanceMs(60000);
        s.Tick();
    };
    s.Tick();  // asks for the cycle that goes unanswered
    errorTick();
    errorTick();
    Await([] { return false; }, 50);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    errorTick();  // the third: 180 s of errors
    EXPECT_EQ(s.ErrorTicks(), -1);
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
    // The warning names the channel and its unit, and the channel's protocol keeps it.
    ASSERT_FALSE(s.ChannelLabel().empty());
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Kanal 2 (" + s.ChannelLabel() + ")\n\n" + ChannelText(resources::RowTooManyCommErrors) +
                  " Fehler seit 22:00:00.");  // when the first reply did not come
    EXPECT_TRUE(HasLine(s, " " + ChannelText(resources::RowTooManyCommErrors)));
    EXPECT_EQ(s.ErrorTicks(), 0);  // counting starts again once it was read
    const int n = s.ValueSeries(0)->Count();
    EXPECT_EQ(s.ValueSeries(0)->GetXLabel(n - 1), "Fehler!");
    EXPECT_TRUE(HasLine(s, " Timeout !"));

    // The unit answers again: the pending frame's time-out is the last error.
    ASSERT_TRUE(Await([&] { return s.ChannelObject()->CommError == 1; }));
    line.First().ClearFaults();
    line.First().Update([](support::UnitState& u) { u.internalTemp = 50.5; });
    s.Tick();  // clears the flag; the poll goes on
    TickAfterCycle(s);
    TickAfterCycle(s);
    EXPECT_EQ(s.ValueSeries(0)->GetXLabel(s.ValueSeries(0)->Count() - 1), "");
    EXPECT_DOUBLE_EQ(s.ValueSeries(0)->GetyValue(s.ValueSeries(0)->Count() - 1), 50.5);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);

    // An interval the settings never stored does not divide by zero.
    s.SetSamplingInterval(0);
    EXPECT_EQ(s.SamplingInterval(), 1);
}

TEST_F(ChannelSessionTest, PartsAreRewrittenEvery2400TicksAndRollOverAfterTwelveHoursOrAnyGap)
{
    support::SimulatedUnitLine line;
    ASSERT_TRUE(QDir(folder.path()).mkdir("parts"));
    CChannelSession s(3);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s));
    Connect(s, Path("parts/run.csv"));
    const AnsiString part1 = Path("parts/run_31.csv"), part2 = Path("parts/run_32.csv"),
                     part3 = Path("parts/run_33.csv");
    auto waitSaves = [] { TDataFileSaveQueue::Instance().WaitIdle(); };

    // The file grows by the rows of about a minute at a time, whole and readable between
    // the saves.
    Ticks(s, 2398);  // 2399 ticks with the first
    waitSaves();
    EXPECT_TRUE(HoldsAllButTheLastMinute(part1, s));
    EXPECT_FALSE(ReadRecordedDataFile(part1).Damaged());
    Ticks(s, 1);
    waitSaves();
    EXPECT_EQ(FileRows(part1), 2400);
    Ticks(s, 2000);
    waitSaves();
    EXPECT_TRUE(HoldsAllButTheLastMinute(part1, s));

    // 12 hours after the part's start (here after a gap of 6 hours) the part ends.
    clock.AdvanceMs(6 * 3600 * 1000);
    s.Tick();
    waitSaves();
    EXPECT_EQ(FileRows(part1), 4401);
    // Too long a gap to fill (the computer slept): it is named in the ending part.
    const std::vector<AnsiString> endedProtocol = ReadRecordedDataFile(part1).EventProtocol;
    EXPECT_TRUE(std::any_of(endedProtocol.begin(), endedProtocol.end(), [](const AnsiString& l) {
        return l.find(": dazwischen wurde nichts aufgezeichnet.") != AnsiString::npos;
    }));
    EXPECT_EQ(s.PartNumber(), 2);
    EXPECT_EQ(s.ValueSeries(0)->Count(), 0);
    EXPECT_EQ(s.PartFileName(), part2);
    EXPECT_EQ(s.Memo(TSessionMemo::Info)[1], part2);
    Ticks(s, 3);
    EXPECT_EQ(s.ValueSeries(0)->Count(), 3);
    const double firstOfPart2 = s.ValueSeries(0)->GetxValue(0);

    // A part whose write fails (its folder takes no file) keeps its series, says so and is
    // tried again at the next save check; a gap of 30 hours still ends the part.
    ASSERT_EQ(::chmod(Path("parts").c_str(), 0555), 0);
    clock.AdvanceMs(30LL * 3600 * 1000);
    s.Tick();
    waitSaves();
    EXPECT_EQ(s.PartNumber(), 2);
    EXPECT_EQ(s.ValueSeries(0)->Count(), 4);
    EXPECT_DOUBLE_EQ(s.ValueSeries(0)->GetxValue(0), firstOfPart2);
    EXPECT_TRUE(s.HasUnsavedPart());
    EXPECT_TRUE(HasLine(s, "Fehler beim Speichern der Datei! " + part2));
    ASSERT_EQ(::chmod(Path("parts").c_str(), 0755), 0);
    Ticks(s, 10);
    waitSaves();
    EXPECT_EQ(s.PartNumber(), 2);  // not before the next save check
    Ticks(s, 2390);
    waitSaves();
    EXPECT_EQ(s.PartNumber(), 3);
    EXPECT_FALSE(s.HasUnsavedPart());
    EXPECT_EQ(FileRows(part2), 2404);
    // A part that replaces a file of the same name says so in the event protocol.
    QFile old(QString::fromStdString(part3));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    Ticks(s, 2400);
    waitSaves();
    EXPECT_TRUE(HasLine(s, " Eine vorhandene Datei wird ersetzt: " + part3));
    EXPECT_EQ(FileRows(part3), 2400);
}

// A user-interface thread held for 5 s: the four ticks it missed are error rows at their
// own times with the last values, named by one protocol line; a recording that waits for a
// timed start misses nothing.
TEST_F(ChannelSessionTest, TicksTheUserInterfaceMissedAreErrorRowsAtTheirOwnTimes)
{
    support::SimulatedUnitLine line;
    CChannelSession s(4);
    s.Settings.Interval = "1";
    ASSERT_NO_FATAL_FAILURE(RecordIntoParts(line, s, "parts/run.csv"));
    TickAfterCycle(s);
    ASSERT_TRUE(AwaitCycle(s));
    const TFastLineSeries* s0 = s.ValueSeries(0);
    const int before = s0->Count();
    clock.AdvanceMs(5000);
    s.Tick();
    Ticks(s, 2);
    s.SaveRecording();  // the rows of the last minute with them
    TDataFileSaveQueue::Instance().WaitIdle();
    const TRecordedDataRead file = ReadRecordedDataFile(s.PartFileName());
    ASSERT_EQ(file.Rows(), before + 4 + 3);
    for (int k = 0; k <= 4; ++k) {
        const size_t row = size_t(before + k);
        EXPECT_NEAR((file.X[row] - file.X[row - 1]) * 86400.0, 1.0, 1e-3) << k;
        if (k == 4) break;
        EXPECT_EQ(file.Labels[row], "Fehler!") << k;
        EXPECT_DOUBLE_EQ(file.Y[0][row], file.Y[0][row - 1]) << k;
    }
    const auto gapLines = [](const std::vector<AnsiString>& lines) {
        return std::count_if(lines.begin(), lines.end(),
                             [](const AnsiString& l) { return l.find("fehlende Takte als") != AnsiString::npos; });
    };
    EXPECT_EQ(gapLines(s.Memo(TSessionMemo::SerialData)), 1);
    EXPECT_EQ(gapLines(file.EventProtocol), 1);
    EXPECT_TRUE(HasLine(s, ": 4 fehlende Takte als \"Fehler!\" aufgezeichnet."));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    s.SetRecordingSuspended(true);
    Ticks(s, 10);
    s.SetRecordingSuspended(false);
    Ticks(s, 1);
    EXPECT_EQ(s0->Count(), before + 8);
    EXPECT_EQ(gapLines(s.Memo(TSessionMemo::SerialData)), 1);

    // Two hours without a tick (a computer that slept): nothing is made up for them, and the
    // protocol names the gap with its dates.
    const TDateTime lastTick = Now();
    clock.AdvanceMs(2LL * 3600 * 1000);
    s.Tick();
    EXPECT_EQ(s0->Count(), before + 9);
    EXPECT_EQ(gapLines(s.Memo(TSessionMemo::SerialData)), 1);
    EXPECT_TRUE(HasLine(s, "Von " + FormatDateTime("dd.mm.yyyy hh:nn:ss", lastTick) + " bis " +
                               FormatDateTime("dd.mm.yyyy hh:nn:ss", Now()) +
                               " lief kein Takt: dazwischen wurde nichts aufgezeichnet."));
}

// The wall clock set while the program's own clock ran on (a paused virtual machine, then a
// time correction): each step of more than a second is one protocol line, the rows follow a
// step forward and never go back for a step back.
TEST_F(ChannelSessionTest, RowsFollowTheWallClockSetForwardAndNeverGoBack)
{
    support::SimulatedUnitLine line;
    CChannelSession s(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    s.Settings.Interval = "1";
    s.Settings.TimeAxisStyle = 1;  // the points' times are date-times
    Connect(s, Path("steps.csv"));
    const TFastLineSeries* s0 = s.ValueSeries(0);
    auto lastX = [&] { return s0->GetxValue(s0->Count() - 1); };
    auto seconds = [](TDateTime a, TDateTime b) { return (a - b) * SecsPerDay; };
    auto stepLines = [&] {
        return std::count_if(
            s.Memo(TSessionMemo::SerialData).begin(), s.Memo(TSessionMemo::SerialData).end(),
            [](const AnsiString& l) { return l.find(" Die Uhr des Computers wurde um ") != AnsiString::npos; });
    };
    // Steps: forward 20 s, back 30 s, forward 50 s (20 s more than the rows are ahead), and a
    // wobble of half a second. How far the rows move at each, and how far they are ahead of
    // the wall clock after it.
    const double steps[] = {20, -30, 50, 0.5}, moved[] = {20, 0, 20, 0}, ahead[] = {0, 30, 0, -0.5};
    Ticks(s, 3);
    EXPECT_NEAR(seconds(lastX(), Now()), 0, 0.001);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const TDateTime before = lastX();
        clock.Set(clock.Now() + steps[i] / SecsPerDay);
        Ticks(s, 1);
        EXPECT_NEAR(seconds(lastX(), before), 1 + moved[i], 0.001);
        Ticks(s, 2);
        EXPECT_NEAR(seconds(lastX(), Now()), ahead[i], 0.001);
    }
    EXPECT_EQ(stepLines(), 3);
    EXPECT_TRUE(HasLine(
        s, " Die Uhr des Computers wurde um 20,0 s vorgestellt: die Zeiten der Punkte folgen ihr von hier an."));
    EXPECT_TRUE(HasLine(s,
                        " Die Uhr des Computers wurde um 30,0 s zurückgestellt: die Zeiten der Punkte gehen nicht "
                        "zurück und bleiben ihr 30,0 s voraus."));
    EXPECT_TRUE(HasLine(
        s, " Die Uhr des Computers wurde um 50,0 s vorgestellt: die Zeiten der Punkte folgen ihr von hier an."));

    // The file holds the rows in increasing time, and the protocol lines with them.
    ASSERT_TRUE(s.Close());
    const TRecordedDataRead file = ReadRecordedDataFile(Path("steps_21.csv"));
    ASSERT_TRUE(file.Loaded);
    ASSERT_EQ(file.Rows(), 16);
    for (int r = 1; r < file.Rows(); ++r) EXPECT_GT(file.X[size_t(r)], file.X[size_t(r - 1)]) << r;
    EXPECT_EQ(std::count_if(
                  file.EventProtocol.begin(), file.EventProtocol.end(),
                  [](const AnsiString& l) { return l.find(" Die Uhr des Computers wurde um ") != AnsiString::npos; }),
              3);
}

// On the relative time axis a row's time is the time since the start: a wall clock set forward
// leaves no hole in the rows, and the protocol says the step changed nothing of them.
TEST_F(ChannelSessionTest, AClockStepLeavesNoHoleOnTheRelativeAxis)
{
    support::SimulatedUnitLine line;
    CChannelSession s(3);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    s.Settings.Interval = "1";
    Connect(s, Path("relative.csv"));
    const TFastLineSeries* s0 = s.ValueSeries(0);
    Ticks(s, 3);
    clock.Set(clock.Now() + 20.0 / SecsPerDay);
    Ticks(s, 3);
    for (int i = 1; i < s0->Count(); ++i)
        EXPECT_NEAR((s0->GetxValue(i) - s0->GetxValue(i - 1)) * SecsPerDay, 1.0, 0.001) << i;
    EXPECT_TRUE(HasLine(s,
                        " Die Uhr des Computers wurde um 20,0 s vorgestellt: die Zeiten der Punkte seit dem Start "
                        "bleiben, wie sie sind."));
}

namespace {
// The fixture's clock, held once for `holdMs` between two of the tick's reads when armed: at
// the next read of the wall clock in UTC, after the program's clock was read.
class HeldBetweenReads : public platform::Clock {
public:
    explicit HeldBetweenReads(platform::ManualClock& clock) : clock_(&clock) {}
    TDateTime Now() const override { return clock_->Now(); }
    TDateTime UtcNow() const override
    {
        if (holdMs > 0) clock_->AdvanceMs(std::exchange(holdMs, 0));
        return clock_->Now();
    }
    std::int64_t MilliTicks() const override { return clock_->MilliTicks(); }
    mutable std::int64_t holdMs = 0;

private:
    platform::ManualClock* clock_;
};
}  // namespace

// The times of the rows and of the protocol's lines on the absolute axis: a hold of the
// program between the tick's reads of its clocks is no step of the wall clock; after the
// wall clock was set back, the lines tell the time of the rows (which do not go back); and a
// second recording in the window starts at the wall clock, not ahead of it by an earlier
// recording's step.
TEST_F(ChannelSessionTest, RowsAndProtocolLinesTellOneTimeOverHoldsAndClockSteps)
{
    // The clock outlives the session's threads and the saves it set off, which read it, also
    // when the test stops early: it is given back once they are done.
    HeldBetweenReads held(clock);
    struct GiveBack {
        platform::Clock* clock;
        ~GiveBack()
        {
            TDataFileSaveQueue::Instance().WaitIdle();
            platform::SetClock(clock);
        }
    } giveBack{&clock};
    support::SimulatedUnitLine line;
    CChannelSession s(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    s.Settings.Interval = "5";
    s.Settings.TimeAxisStyle = 1;
    platform::SetClock(&held);
    Connect(s, Path("onetime.csv"));
    const TFastLineSeries* s0 = s.ValueSeries(0);
    auto lastX = [&] { return s0->GetxValue(s0->Count() - 1); };
    auto stepLines = [&] {
        return std::count_if(
            s.Memo(TSessionMemo::SerialData).begin(), s.Memo(TSessionMemo::SerialData).end(),
            [](const AnsiString& l) { return l.find(" Die Uhr des Computers wurde um ") != AnsiString::npos; });
    };
    Ticks(s, 2);
    held.holdMs = 3000;
    Ticks(s, 1);
    EXPECT_EQ(held.holdMs, 0);
    Ticks(s, 2);
    EXPECT_EQ(stepLines(), 0);
    EXPECT_NEAR((lastX() - Now()) * SecsPerDay, 0, 0.001);

    // Set back by two hours: the rows stay ahead, and so do the lines.
    clock.Set(clock.Now() - 2.0 / 24.0);
    Ticks(s, 2);
    EXPECT_EQ(stepLines(), 1);
    clock.AdvanceMs(20000);
    s.Tick();
    const AnsiString rowTime = FormatDateTime("dd.mm.yyyy hh:nn:ss", lastX());
    const auto gap = std::find_if(s.Memo(TSessionMemo::SerialData).begin(), s.Memo(TSessionMemo::SerialData).end(),
                                  [](const AnsiString& l) { return l.find("fehlende Takte als") != AnsiString::npos; });
    ASSERT_NE(gap, s.Memo(TSessionMemo::SerialData).end());
    EXPECT_EQ(gap->substr(0, 19), rowTime) << *gap;
    EXPECT_NE(gap->find(" bis " + rowTime.substr(11)), AnsiString::npos) << *gap;
    // A line of the programmer's protocol, stamped as a run stamps it (by the wall clock),
    // tells the rows' time as well.
    s.AddMemoLine(TSessionMemo::Protocol, CChannel::ErrorLine(" Segment 2 beginnt"));
    EXPECT_EQ(s.Memo(TSessionMemo::Protocol).back(), rowTime + " Segment 2 beginnt");

    // The next recording in the window.
    clock.Set(clock.Now() + 2.0 / 24.0 + 60.0 / SecsPerDay);
    Ticks(s, 2);
    s.StartTimeAxis();
    ASSERT_TRUE(Await([&] { return s0->Count() >= 1; }));
    EXPECT_NEAR((s0->GetxValue(0) - Now()) * SecsPerDay, 0, 0.001);
    ASSERT_TRUE(s.Close());
}

TEST_F(ChannelSessionTest, PartsWrittenOnlyAsTheyEndHoldEveryPointAndTheirOwnProtocolOnce)
{
    support::SimulatedUnitLine line;
    CChannelSession s(5);
    s.Settings.Interval = "60";  // 720 ticks a part: no rewrite before a part ends
    ASSERT_NO_FATAL_FAILURE(RecordIntoParts(line, s, "parts/run.csv"));
    const AnsiString part2 = Path("parts/run_52.csv");
    QFile old(QString::fromStdString(part2));  // left by an earlier recording
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();

    Ticks(s, 720);
    TDataFileSaveQueue::Instance().WaitIdle();
    Ticks(s, 720);
    TDataFileSaveQueue::Instance().WaitIdle();
    ASSERT_EQ(s.PartNumber(), 3);
    const TRecordedDataRead first = ReadRecordedDataFile(Path("parts/run_51.csv"));
    const TRecordedDataRead second = ReadRecordedDataFile(part2);
    EXPECT_EQ(first.Rows() + second.Rows(), 1441);
    auto noted = [](const std::vector<AnsiString>& lines) {
        return int(std::count_if(lines.begin(), lines.end(), [](const AnsiString& l) {
            return l.find("Eine vorhandene Datei wird ersetzt") != AnsiString::npos;
        }));
    };
    EXPECT_EQ(noted(second.EventProtocol), 1);
    EXPECT_EQ(noted(s.Memo(TSessionMemo::SerialData)), 0);
}

TEST_F(ChannelSessionTest, APartChangeThatFailedHoldsUpNoLaterPartOnceThePartIsWritten)
{
    support::SimulatedUnitLine line;
    CChannelSession s(6);
    ASSERT_NO_FATAL_FAILURE(RecordIntoParts(line, s, "parts/run.csv"));

    ASSERT_EQ(::chmod(Path("parts").c_str(), 0555), 0);
    s.StartNewPartNow();  // a timed start's part change, while the drive takes no file
    TDataFileSaveQueue::Instance().WaitIdle();
    ASSERT_EQ(s.PartNumber(), 1);
    ASSERT_EQ(::chmod(Path("parts").c_str(), 0755), 0);
    Ticks(s, 2400);  // the save check writes the part
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_FALSE(s.HasUnsavedPart());
    clock.AdvanceMs(9LL * 3600 * 1000);
    s.Tick();  // 12 hours after the part's start it ends, at once
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(s.PartNumber(), 2);
}

TEST_F(ChannelSessionTest, ASaveAskedForWhileAPartEndsPutsNoPointIntoTwoParts)
{
    support::SimulatedUnitLine line;
    CChannelSession s(7);
    ASSERT_NO_FATAL_FAILURE(RecordIntoParts(line, s, "parts/run.csv"));

    Ticks(s, 10);
    clock.AdvanceMs(12LL * 3600 * 1000);
    s.Tick();     // part 1 ends with 12 points; its write is on its way
    Ticks(s, 2);  // these belong to part 2
    bool saved = false;
    s.SaveRecording([&](bool ok) { saved = ok; });  // the save button meanwhile
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_TRUE(saved);
    EXPECT_EQ(s.PartNumber(), 2);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(FileRows(Path("parts/run_71.csv")), 12);
    EXPECT_EQ(FileRows(Path("parts/run_72.csv")), 2);
}

namespace {

// The first box stays open (nobody is there) while `WhileOpen` runs; boxes opened inside it
// count as nested.
class UnattendedDialogs : public support::ScriptedDialogs {
public:
    std::function<void()> WhileOpen;
    int Depth = 0, MaxDepth = 0;
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override
    {
        MaxDepth = std::max(MaxDepth, ++Depth);
        if (auto f = std::exchange(WhileOpen, {})) f();
        const int answer = ScriptedDialogs::MessageBox(text, caption, flags);
        --Depth;
        return answer;
    }
};

}  // namespace

TEST_F(ChannelSessionTest, FailedSavesOpenOneBoxAndGoOnWhileItIsOpen)
{
    support::SimulatedUnitLine line;
    CChannelSession s(4);
    ASSERT_NO_FATAL_FAILURE(RecordIntoParts(line, s, "parts/run.csv"));
    UnattendedDialogs dialogs;
    struct Restore {
        platform::Dialogs* previous = &platform::dialogs();
        ~Restore() { platform::SetDialogs(previous); }
    } restore;
    platform::SetDialogs(&dialogs);
    auto failures = [&] {
        int n = 0;
        for (const AnsiString& l : s.Memo(TSessionMemo::SerialData))
            n += l.find("Fehler beim Speichern der Datei!") != AnsiString::npos;
        return n;
    };

    // The drive takes no file as the part ends; its box stays open for the rest of the run.
    ASSERT_EQ(::chmod(Path("parts").c_str(), 0555), 0);
    dialogs.WhileOpen = [&] {
        Ticks(s, 2400);  // the next save check tries the part again: a line, no box
        EXPECT_TRUE(Await([&] { return failures() == 2; }));
        ASSERT_EQ(::chmod(Path("parts").c_str(), 0755), 0);
        Ticks(s, 2400);  // the drive is back: the part is written and the next one begins
        EXPECT_TRUE(Await([&] { return s.PartNumber() == 2; }));
    };
    clock.AdvanceMs(12LL * 3600 * 1000);
    s.Tick();
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_EQ(dialogs.MaxDepth, 1);
    EXPECT_EQ(s.PartNumber(), 2);
    EXPECT_EQ(FileRows(Path("parts/run_41.csv")), 4802);
}

// A closing save on a drive that stops answering: the close waits with the event loop
// running, another channel goes on recording, and after a second the wait window names the
// file. The user keeps waiting until the write comes through, or leaves the file unsaved.
TEST_F(ChannelSessionTest, AClosingSaveThatHangsWaitsWithTheWindowWhileOtherChannelsRecord)
{
    for (const bool keepWaiting : {true, false}) {
        SCOPED_TRACE(keepWaiting);
        support::SimulatedUnitLine healthyLine, stalledLine;
        CChannelSession healthy(1), stalled(2);
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(healthyLine, healthy));
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(stalledLine, stalled));
        const AnsiString tag = keepWaiting ? "wait" : "leave";
        Connect(healthy, Path(("healthy_" + tag).c_str()));
        Connect(stalled, Path(("stalled_" + tag).c_str()));
        for (int i = 0; i < 2; ++i) {
            clock.AdvanceMs(std::int64_t(healthy.SamplingInterval()) * 1000);
            healthy.Tick();
            stalled.Tick();
        }
        TDataFileSaveQueue::Instance().WaitIdle();
        const AnsiString stalledFile = stalled.PartFileName();
        const int pointsBefore = healthy.ValueSeries(0)->Count();

        support::HangingFileSystem share(
            [stalledFile](const std::string& path, bool write) { return write && path == stalledFile; });
        int healthyPointsMeanwhile = 0;
        support::TestDialogs().OnWait = [&](const platform::WaitRequest& wait) {
            EXPECT_TRUE(share.AwaitHang());
            EXPECT_NE(wait.text.find(stalledFile), AnsiString::npos) << wait.text;
            EXPECT_FALSE(wait.done());
            // The user interface is not held: the other channel records.
            Ticks(healthy, 3);
            healthyPointsMeanwhile = healthy.ValueSeries(0)->Count() - pointsBefore;
            if (keepWaiting) share.Release();
            return keepWaiting;
        };
        ASSERT_TRUE(stalled.Close());
        EXPECT_EQ(support::TestDialogs().Waits().size(), 1u);
        EXPECT_EQ(healthyPointsMeanwhile, 3);
        EXPECT_EQ(stalled.ChannelObject(), nullptr);
        if (keepWaiting) {
            EXPECT_EQ(FileRows(stalledFile), 3);
        } else {
            EXPECT_EQ(share.Hanging(), 1);  // the file is left to the drive
            share.Release();
        }
        support::TestDialogs().OnWait = nullptr;
        TDataFileSaveQueue::Instance().WaitIdle();
        ASSERT_TRUE(healthy.Close());
        EXPECT_EQ(FileRows(healthy.PartFileName()), 6);
        support::TestDialogs().Clear();
    }
}

// A file whose drive stops answering holds up only its own writes: the other channel's rows
// reach its file, and the disk, within the minute all the same. The program's end and the
// channel's close wait for the hung file with the wait window, as before; when the drive
// answers, the held rows follow, complete and in order.
TEST_F(ChannelSessionTest, AHungFileHoldsUpNoOtherChannelsFile)
{
    support::SimulatedUnitLine hungLine, healthyLine;
    CChannelSession hung(1), healthy(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(hungLine, hung));
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(healthyLine, healthy));
    ASSERT_TRUE(QDir(folder.path()).mkdir("share"));
    Connect(hung, Path("share/run"));
    Connect(healthy, Path("local"));
    ASSERT_EQ(hung.SamplingInterval(), healthy.SamplingInterval());
    // Each channel's whole file is written once; from then on its rows are appended.
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    // The clock moves on only while no write of the healthy file is under way: on a loaded
    // machine a write that takes real time would otherwise seem to have waited many seconds
    // on the test's clock, as the hung one does.
    auto tickBoth = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(Await([&] { return queue.RunningSince(healthy.PartFileName()) < 0; }));
            clock.AdvanceMs(std::int64_t(healthy.SamplingInterval()) * 1000);
            hung.Tick();
            healthy.Tick();
        }
    };
    tickBoth(2);
    queue.WaitIdle();
    const AnsiString hungFile = hung.PartFileName(), healthyFile = healthy.PartFileName();
    const int rowsBefore = FileRows(hungFile), pointsBefore = hung.ValueSeries(0)->Count();
    ASSERT_GT(rowsBefore, 0);
    // The file was written since it held `rows` rows.
    auto grew = [&](const AnsiString& file, int rows) { return FileRows(file) > rows; };
    // Every row of the file is the row recorded at its place (and with `all` every row is
    // there).
    auto sameRows = [&](const AnsiString& file, const CChannelSession& s, bool all = true) {
        const TRecordedDataRead read = ReadRecordedDataFile(file);
        const TFastLineSeries* s0 = s.ValueSeries(0);
        if (!read.Loaded || read.Rows() > s0->Count() || (all && read.Rows() != s0->Count())) return false;
        for (int i = 0; i < read.Rows(); ++i)
            if (std::abs(read.X[size_t(i)] - s0->GetxValue(i)) > 1e-9 ||
                std::abs(read.Y[0][size_t(i)] - s0->GetyValue(i)) > 0.0006)
                return false;
        return true;
    };

    {
        support::HangingFileSystem share(
            [hungFile](const std::string& path, bool write) { return write && path == hungFile; });
        const std::int64_t syncs = queue.SyncCount();
        const int healthyRows = FileRows(healthyFile);
        tickBoth(13);  // 65 s
        ASSERT_TRUE(share.AwaitHang());
        EXPECT_TRUE(Await([&] { return grew(healthyFile, healthyRows) && queue.SyncCount() > syncs; }));
        EXPECT_TRUE(sameRows(healthyFile, healthy, false));
        EXPECT_EQ(FileRows(hungFile), rowsBefore);
        EXPECT_EQ(share.Hanging(), 1);

        // The program's end waits with the window, and the user may end without the file.
        support::TestDialogs().OnWait = [&](const platform::WaitRequest& wait) {
            EXPECT_FALSE(wait.done());
            EXPECT_EQ(wait.giveUp, "End without them");
            return false;
        };
        EXPECT_FALSE(queue.WaitIdleWithWindow(CLanguage::English));
        EXPECT_EQ(support::TestDialogs().Waits().size(), 1u);
        support::TestDialogs().OnWait = nullptr;

        const int healthyRowsLater = FileRows(healthyFile);
        tickBoth(12);
        EXPECT_TRUE(Await([&] { return grew(healthyFile, healthyRowsLater); }));
        // Its write has waited more than a minute: the hung file's protocol says that it is
        // behind, the other's does not.
        const AnsiString behind = ChannelText(resources::RowDataFileBehind) + " " + hungFile;
        EXPECT_TRUE(HasLine(hung, behind));
        EXPECT_FALSE(HasLine(healthy, ChannelText(resources::RowDataFileBehind)));
        share.Release();
        queue.WaitIdle();
    }
    EXPECT_TRUE(sameRows(hungFile, hung, false));
    EXPECT_TRUE(HoldsAllButTheLastMinute(hungFile, hung));
    EXPECT_EQ(hung.ValueSeries(0)->Count(), pointsBefore + 25);
    // Once the drive answers and the held rows are in the file, the protocol says so.
    tickBoth(1);
    EXPECT_TRUE(HasLine(hung, ChannelText(resources::RowWritingResumed) + " " + hungFile));

    // Closing the channel whose drive hangs: its wait window is up while the other
    // channel's rows go on reaching the disk; the file is left unsaved.
    {
        support::HangingFileSystem share(
            [hungFile](const std::string& path, bool write) { return write && path == hungFile; });
        tickBoth(1);
        support::TestDialogs().OnWait = [&](const platform::WaitRequest& wait) {
            EXPECT_TRUE(share.AwaitHang());
            EXPECT_NE(wait.text.find(hungFile), AnsiString::npos) << wait.text;
            const int healthyRows = FileRows(healthyFile);
            for (int i = 0; i < 12; ++i) {
                clock.AdvanceMs(std::int64_t(healthy.SamplingInterval()) * 1000);
                healthy.Tick();
            }
            EXPECT_TRUE(Await([&] { return grew(healthyFile, healthyRows); }));
            return false;
        };
        ASSERT_TRUE(hung.Close());
        support::TestDialogs().OnWait = nullptr;
        EXPECT_EQ(hung.ChannelObject(), nullptr);
        EXPECT_EQ(share.Hanging(), 1);
        share.Release();
        queue.WaitIdle();
    }
    ASSERT_TRUE(healthy.Close());
    EXPECT_TRUE(sameRows(healthyFile, healthy));
    support::TestDialogs().Clear();
}

// A data folder on a share that stopped answering is looked at off the user-interface
// thread, at the recording's start and at a part change, while the other channel's rows
// reach the disk; the part's file follows once the share answers.
TEST_F(ChannelSessionTest, AFolderThatHangsHoldsUpNoTickAtTheStartOrAtAPartChange)
{
    support::SimulatedUnitLine hungLine, healthyLine;
    CChannelSession hung(1), healthy(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(hungLine, hung));
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(healthyLine, healthy));
    Connect(healthy, Path("local"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("share"));
    platform::SetFolderPatienceMs(100);
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    for (const AnsiString& file : {Path("share/run_11.csv"), Path("share/run_12.csv")}) {
        support::HangingFileSystem share(
            [file](const std::string& path, bool write) { return !write && path == file; });
        if (hung.IsConnected())
            hung.StartNewPartNow();
        else
            Connect(hung, Path("share/run"));
        queue.WaitIdle();
        for (int i = 0; i < 3; ++i) {
            clock.AdvanceMs(5000);
            hung.Tick();
            healthy.Tick();
        }
        EXPECT_TRUE(share.AwaitHang());
        queue.WaitIdle();
        EXPECT_TRUE(HoldsAllButTheLastMinute(healthy.PartFileName(), healthy));
        EXPECT_EQ(share.OnUiThread(), 0);
        share.Release();
        ASSERT_TRUE(Await([&] {
            hung.Tick();
            queue.WaitIdle();
            return !hung.DataFolderCheckPending() && FileRows(file) > 0 && HoldsAllButTheLastMinute(file, hung);
        }));
    }
    EXPECT_EQ(hung.PartNumber(), 2);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    platform::SetFolderPatienceMs(0);
}

TEST_F(ChannelSessionTest, FailedIdentificationIsRetriedAndCancelledDialogAsksBeforeReplacing)
{
    support::SimulatedUnitLine line;
    support::UnitState mute;
    mute.answers = 0;
    CChannelSession s(2);
    ASSERT_NO_FATAL_FAILURE(UseOwnSerialUnit(line, s, mute));
    ASSERT_TRUE(s.EstablishConnection());
    ConfirmIdentification(s);
    EXPECT_FALSE(s.IsConnected());
    EXPECT_TRUE(s.IsIdle());
    EXPECT_TRUE(s.IsCleanupPending());
    CChannel* failed = s.ChannelObject();
    EXPECT_NE(failed, nullptr);

    // The cancelled file dialog records to "default" in the default folder, but asks first
    // when that part's file exists; the failed channel object gives way to a new one.
    QFile existing(QString::fromStdString(Path("default_21.csv")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    line.First().Update([](support::UnitState& u) { u.answers = support::AllCommands; });
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(s.EstablishConnection());
    EXPECT_FALSE(s.IsCleanupPending());
    ConfirmIdentification(s);
    ASSERT_TRUE(s.IsConnected());
    EXPECT_EQ(s.FirstPartFileName(), Path("default_21.csv"));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, ChannelText(resources::RowAskOverwriteFile));
    ASSERT_TRUE(s.Close());
}

TEST_F(ChannelSessionTest, BusChannelsShareThePortAndTheAddressesInUse)
{
    support::SimulatedUnitLine line;
    for (int a = 1; a <= 3; ++a) {
        support::UnitState u;
        u.address = a;
        u.internalTemp = 10.0 * a;
        line.AddUnit(u);
    }
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    // The first connection creates what lives for the whole process; it is not counted.
    {
        CChannelSession warmUp(1);
        UseSerial(warmUp, "RS485", line.SlavePath(), 1);
        Connect(warmUp, Path("bus0"));
        ASSERT_TRUE(warmUp.Close());
    }
    TDataFileSaveQueue::Instance().WaitIdle();
    const int before = OpenDescriptors();
    {
        std::vector<std::unique_ptr<CChannelSession>> sessions;
        for (int c = 1; c <= 3; ++c) {
            if (c == 3) {
                EXPECT_EQ(CChannelSession::BusAddressesInUse(line.SlavePath(), 3), (std::vector<int>{1, 2}));
                // Another name of the same device is the same bus.
                const AnsiString alias = Path("ttyBus");
                ASSERT_EQ(::symlink(line.SlavePath().c_str(), alias.c_str()), 0);
                EXPECT_EQ(CChannelSession::BusAddressesInUse(alias, 3), (std::vector<int>{1, 2}));
            }
            sessions.push_back(std::make_unique<CChannelSession>(c));
            UseSerial(*sessions.back(), "RS485", line.SlavePath(), c);
            Connect(*sessions.back(), Path(("bus" + std::to_string(c)).c_str()));
        }
        for (auto& s : sessions) TickAfterCycle(*s);
        for (int c = 0; c < 3; ++c) {
            ASSERT_TRUE(AwaitCycle(*sessions[std::size_t(c)]));
            EXPECT_DOUBLE_EQ(sessions[std::size_t(c)]->ValueSeries(0)->GetyValue(1), 10.0 * (c + 1)) << c;
        }
        // The port stays open for the others while one of them closes.
        ASSERT_TRUE(sessions[1]->Close());
        EXPECT_EQ(CChannelSession::BusAddressesInUse(line.SlavePath(), 0), (std::vector<int>{1, 3}));
        TickAfterCycle(*sessions[0]);
        TickAfterCycle(*sessions[2]);
        EXPECT_TRUE(AwaitCycle(*sessions[0]));
        EXPECT_TRUE(AwaitCycle(*sessions[2]));
        for (auto& s : sessions) ASSERT_TRUE(s->Close());
    }
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ChannelSessionTest, NoPointAfterAReconnectionPassesOffValuesFromBeforeTheLossAsGood)
{
    support::SimulatedUnitLine line;
    CChannelSession s(5);
    ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
    Connect(s, Path("loss.csv"));
    TickAfterCycle(s);
    CTransceiver* poll = TransceiverThreads[5];
    ASSERT_NE(poll, nullptr);

    // Lost at the first frame of a cycle; the unit comes back with other values in
    // every block.
    ASSERT_TRUE(AwaitCycle(s));
    line.StopListening();
    s.Tick();
    ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
    line.First().Update([](support::UnitState& u) {
        u.internalTemp = 50.5;
        u.t0 = 33.0;
        u.tu = 44.0;
        u.speed = 700;
    });
    AnsiString error;
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));

    s.Tick();
    int good = 0;
    for (int i = 0; i < 4; ++i) {
        TickAfterCycle(s);
        const int n = s.ValueSeries(0)->Count() - 1;
        if (!s.ValueSeries(0)->GetXLabel(n).empty()) continue;
        ++good;
        EXPECT_DOUBLE_EQ(s.ValueSeries(sTIntern)->GetyValue(n), 50.5) << i;
        EXPECT_DOUBLE_EQ(s.ValueSeries(sT0)->GetyValue(n), 33.0) << i;
        EXPECT_DOUBLE_EQ(s.ValueSeries(sTU)->GetyValue(n), 44.0) << i;
        EXPECT_DOUBLE_EQ(s.ValueSeries(sDrehzahl)->GetyValue(n), 700) << i;
    }
    EXPECT_GE(good, 2);
    ASSERT_TRUE(s.Close());
}

TEST_F(ChannelSessionTest, AnotherUnitBehindAReopenedPortRecordsNoGoodPoint)
{
    // Two adapters plugged back in the other order: the port's name leads to another unit.
    const AnsiString adapter = Path("ttyUSB0");
    support::SimulatedUnitLine first, second;
    first.AddUnit();
    second.AddUnit(OtherUnit());
    AnsiString error;
    ASSERT_TRUE(first.StartPty(&error, adapter)) << error;
    CChannelSession s(3);
    UseSerial(s, "RS232", adapter);
    Connect(s, Path("swap.csv"));
    RecordAcrossASwap(
        s, [&] { first.UnplugPty(); },
        [&] {
            ASSERT_TRUE(second.StartPty(&error)) << error;
            ASSERT_EQ(::symlink(second.SlavePath().c_str(), adapter.c_str()), 0);
        },
        [&] {
            second.UnplugPty();
            ::unlink(adapter.c_str());
            ASSERT_TRUE(first.ReplugPty(&error)) << error;
        });
    // The other unit was asked who it is, never polled.
    for (const support::LoggedFrame& f : second.Frames())
        EXPECT_TRUE(f.frame.substr(4, 3) == "V07" || f.frame.substr(4, 3) == "F07") << f.frame;
}

TEST_F(ChannelSessionTest, AnotherUnitBehindANewConnectionRecordsNoGoodPoint)
{
    support::SimulatedUnitLine first, second;
    first.AddUnit();
    second.AddUnit(OtherUnit());
    AnsiString error;
    ASSERT_TRUE(first.StartTcp(0, &error)) << error;
    CChannelSession s(6);
    UseTcp(s, first.TcpPort());
    Connect(s, Path("swap.csv"));
    RecordAcrossASwap(
        s, [&] { first.StopListening(); }, [&] { ASSERT_TRUE(second.StartTcp(first.TcpPort(), &error)) << error; },
        [&] {
            second.Stop();
            ASSERT_TRUE(first.ListenAgain(&error)) << error;
        });
    for (const support::LoggedFrame& f : second.Frames())
        EXPECT_TRUE(f.frame.substr(4, 3) == "V07" || f.frame.substr(4, 3) == "F07") << f.frame;
}

// A folder that cannot take the recording is reported when the recording starts, once,
// with the file and the reason; the points stay in memory and go into the file as soon as
// the folder can take it. The event protocol and the information page name the file.
TEST_F(ChannelSessionTest, AFolderThatCannotTakeTheFileIsReportedAtTheStartOnce)
{
    struct Case {
        const char* what;
        std::function<void(const QString&)> spoil, mend;
        const char* reason;
    };
    const Case cases[] = {
        {"missing", [](const QString&) {}, [](const QString& d) { QDir().mkpath(d); }, "No such file or directory"},
        {"read-only",
         [](const QString& d) {
             QDir().mkpath(d);
             QFile::setPermissions(d, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
         },
         [](const QString& d) { QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); },
         "Permission denied"},
    };
    int channel = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        support::SimulatedUnitLine line;
        line.AddUnit();
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        const QString dir = QString::fromStdString(Path(c.what));
        c.spoil(dir);
        CChannelSession s(++channel);
        int withdrawn = 0;
        s.OnFileNoticeStale = [&] { ++withdrawn; };
        UseSerial(s, "RS232", line.SlavePath());
        support::TestDialogs().Clear();
        Connect(s, Path(c.what) + "/run.csv");
        const AnsiString file = Path(c.what) + "/run_" + IntToStr(channel) + "1.csv";
        Await([] { return support::TestDialogs().MessageCount() > 0; });
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        const AnsiString text = support::TestDialogs().LastMessage().text;
        EXPECT_NE(text.find("Erstellen der Datei fehlgeschlagen!"), AnsiString::npos) << text;
        EXPECT_NE(text.find(file), AnsiString::npos) << text;
        EXPECT_NE(text.find(c.reason), AnsiString::npos) << text;
        EXPECT_TRUE(HasLine(s, " Dateiname: " + file));
        const auto& info = s.Memo(TSessionMemo::Info);
        EXPECT_NE(std::find(info.begin(), info.end(), file), info.end());

        // Ten minutes of a recording that cannot be written: no further word of it.
        Ticks(s, 600);
        TDataFileSaveQueue::Instance().WaitIdle();
        QCoreApplication::processEvents();
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(s.ValueSeries(0)->Count(), 601);
        EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));

        // Within a minute of the folder taking files every point older than that is there.
        c.mend(dir);
        Ticks(s, 60);
        TDataFileSaveQueue::Instance().WaitIdle();
        EXPECT_TRUE(HoldsAllButTheLastMinute(file, s)) << FileRows(file);
        EXPECT_FALSE(ReadRecordedDataFile(file).Damaged());
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        // The protocol says once that the file is written again; the box about it is
        // withdrawn.
        auto lines = [&](const AnsiString& part) {
            int n = 0;
            for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) n += l.find(part) != AnsiString::npos;
            return n;
        };
        EXPECT_EQ(lines(" Die Datendatei wird wieder geschrieben: " + file), 1);
        EXPECT_EQ(withdrawn, 1);

        // A file deleted by hand is written anew at once, and the protocol says so.
        ASSERT_TRUE(QFile::remove(QString::fromStdString(file)));
        for (int i = 0; i < 3; ++i) {
            Ticks(s, 1);
            TDataFileSaveQueue::Instance().WaitIdle();
        }
        EXPECT_TRUE(HoldsAllButTheLastMinute(file, s)) << FileRows(file);
        EXPECT_EQ(lines(" Die Datendatei war weg (gel\xC3\xB6scht oder verschoben); sie wurde mit allen Zeilen "
                        "dieses Teils neu geschrieben: " +
                        file),
                  1);
        EXPECT_EQ(lines(" Die Datendatei wird wieder geschrieben: "), 1);
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        ASSERT_TRUE(s.Close());
    }
}

TEST_F(ChannelSessionTest, ConnectingAndClosingFiftyTimesLeaksNoDescriptor)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    int before = 0;
    for (int i = 0; i <= 50; ++i) {
        // The first connection creates what lives for the whole process; it is not counted.
        if (i == 1) {
            TDataFileSaveQueue::Instance().WaitIdle();
            before = OpenDescriptors();
        }
        CChannelSession s(4);
        UseSerial(s, "RS232", line.SlavePath());
        Connect(s, Path("cycle"));
        ASSERT_TRUE(s.Close());
    }
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(OpenDescriptors(), before);
}

// A link at the name of the running file's side file (put there by anyone who may write the
// folder): neither the link nor the file it points to is written, the user hears once what
// is in the way and that the crash protection is off, and the rows go on reaching the
// file, written whole.
TEST_F(ChannelSessionTest, ALinkAtTheSideFilesNameIsLeftAloneAndNamedOnce)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    const AnsiString victim = Path("thesis.odt");
    QFile thesis(QString::fromStdString(victim));
    ASSERT_TRUE(thesis.open(QIODevice::WriteOnly));
    thesis.write("my thesis");
    thesis.close();
    const AnsiString file = Path("run_11.csv");
    const AnsiString side = QFileInfo(folder.path()).canonicalFilePath().toStdString() + "/run_11.csv.recovery";
    ASSERT_EQ(::symlink(victim.c_str(), side.c_str()), 0);
    CChannelSession s(1);
    UseSerial(s, "RS232", line.SlavePath());
    support::TestDialogs().Clear();
    Connect(s, Path("run.csv"));
    for (int tick = 0; tick < 180; ++tick) {
        Ticks(s, 1);
        TDataFileSaveQueue::Instance().WaitIdle();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    const AnsiString text = support::TestDialogs().LastMessage().text;
    EXPECT_NE(text.find(side), AnsiString::npos) << text;
    EXPECT_NE(text.find(file), AnsiString::npos) << text;
    EXPECT_NE(text.find("Absturzschutz dieser Datendatei ist aus"), AnsiString::npos) << text;
    int lines = 0;
    for (const AnsiString& l : s.Memo(TSessionMemo::SerialData)) lines += l.find(side) != AnsiString::npos;
    EXPECT_EQ(lines, 1);
    EXPECT_TRUE(HoldsAllButTheLastMinute(file, s)) << FileRows(file);
    EXPECT_FALSE(ReadRecordedDataFile(file).Damaged());
    ASSERT_TRUE(thesis.open(QIODevice::ReadOnly));
    EXPECT_EQ(thesis.readAll(), QByteArray("my thesis"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(side)).isSymLink());
    ASSERT_TRUE(s.Close());
}

TEST(LabelFile, SectionsCountTheirLinesAndHeadersMustBeFreeOfHashes)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/Labels.txt";
    auto write = [&](const std::string& text) {
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::WriteOnly);
        f.write(text.data(), qint64(text.size()));
    };
    TAxisLabels axes{};
    TSeriesLabels series{};
    EXPECT_FALSE(ReadLabelsFile(axes, series, (path + ".missing").c_str()));

    // A header with "#" is an ordinary line; lower case opens the section; lines inside a
    // section are taken as they stand, only the first CR and LF go.
    write("# [axes labels]\n[axes labels]\n0\n#1\n2\n3\na\rb\r\n5\n");
    EXPECT_FALSE(ReadLabelsFile(axes, series, path.c_str()));
    EXPECT_EQ(axes[1], "#1");
    EXPECT_EQ(axes[4], "ab\r");
    write("[VALUE SERIES]\nx\n[AXES LABELS]\n");
    series = {};
    EXPECT_FALSE(ReadLabelsFile(axes, series, path.c_str()));
    EXPECT_EQ(series[0], "x");
    EXPECT_EQ(series[1], "[AXES LABELS]");  // inside the series section: a label

    // A line longer than the 498-byte buffer counts as two.
    write("[AXES LABELS]\n" + std::string(500, 'x') + "\nsecond\n\n\n\n[VALUE SERIES]\n");
    axes = {};
    EXPECT_TRUE(ReadLabelsFile(axes, series, path.c_str()));
    EXPECT_EQ(axes[0].size(), 498u);
    EXPECT_EQ(axes[1], "xx");
    EXPECT_EQ(axes[2], "second");
}
