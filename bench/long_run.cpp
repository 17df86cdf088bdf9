// Ten recording windows over a long run, in hours of the program's clock: what a week
// unattended would pile up. The main window shown on a 1920 x 1080 screen, File > New >
// Record data ten times, each window connected over TCP/IP to a simulated unit at a
// 10-second interval; the program's clock moves on by the interval at each tick (the
// benchmark ticks the windows itself) and every tick waits for the poll cycles it asked for,
// so the recordings take real replies, error rows and protocol lines as they would. Over
// the run: a setpoint command to a unit that answers; a unit that falls silent for good,
// with a setpoint command it leaves unanswered; the share of two channels hanging for half
// an hour and answering again; a five-minute stop of the whole program (the ticks it missed
// come late at once); the same again in the second part (a part ends after 12 hours and
// the next starts empty).
// Measured at the end of each hour: the process's threads and open descriptors, its
// anonymous memory, the bytes the allocator has handed out and not had back (in use), the
// room of the series' value lists, the points the windows hold, and the user-interface
// thread's CPU time per tick (the windows' timer handlers and the repaints that follow). The
// goal is flat: after the faults the threads and descriptors come back to what they were, a
// later part's tick costs what the same hour of the first part's did, and from the third part
// on an hour holds what the same hour of the part before held (LongRunVerdict.h says how). "--hours=N" sets the length (38 by default: three parts and
// two hours of a fourth); a run shorter than three parts and the next one's first hour gives
// no verdict.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchVerdict.h"
#include "LongRunVerdict.h"
#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TfrmMainWindow.h"
#include "channel/CChannelSession.h"
#include "channel/ChartClasses.h"
#include "channel/ProgramForms.h"
#include "channel/TmdiSubWindow.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CChannel.h"
#include "comm/CIdentification.h"
#include "comm/CommTiming.h"
#include "comm/TfrmIdentification.h"
#include "platform/DateTime.h"
#include "platform/FileSave.h"
#include "platform/FormatSettings.h"
#include "platform/UiDispatcher.h"
#include "support/HangingFileSystem.h"
#include "support/PrivateSettings.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace {

constexpr int kWindows = 10;
constexpr int kIntervalS = 10;
constexpr int kTicksPerHour = 3600 / kIntervalS;
// The reference job runs after every this many ticks.
constexpr int kReferenceEvery = 10;
using longrun::Hour;
using longrun::kPartHours;
int gHours = 38;

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The user-interface thread's CPU milliseconds for a fixed piece of drawing and sorting: what
// the machine's other work makes of a millisecond on this thread now. Taken through the hour,
// beside the ticks, a tick is judged against it, so that an hour run beside a busy build is
// not taken for a dearer tick.
double ReferenceMs()
{
    QImage image(640, 480, QImage::Format_RGB32);
    std::vector<double> values(50000);
    const double t0 = ThreadCpuSeconds();
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < 2000; ++i) {
        painter.drawLine(i % 640, 0, (i * 7) % 640, 479);
        if (i % 20 == 0) painter.drawText(i % 600, (i * 3) % 470 + 10, QString::number(i * 0.25, 'f', 2));
    }
    painter.end();
    std::uint32_t x = 12345;
    for (double& v : values) v = double(x = x * 1664525u + 1013904223u);
    std::sort(values.begin(), values.end());
    return (ThreadCpuSeconds() - t0) * 1000.0;
}

bool Await(const std::function<bool()>& done, int timeoutMs = 30000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (platform::UiDispatcher::Instance().WaitRunning(done, 2)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

// The entries of one of the process's folders (its threads, its open descriptors).
int Entries(const char* folder)
{
    int n = 0;
    if (DIR* d = opendir(folder)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

long AnonymousKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "RssAnon:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

// The allocator's bytes in use over all its arenas and the blocks it mapped on their own;
// -1 where it cannot tell (another allocator, or a sanitizer's that keeps its own books).
long InUseKb()
{
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    const long kb = long((m.uordblks + m.hblkhd) / 1024);
    return kb > 1024 ? kb : -1;
#else
    return -1;
#endif
}

class Program {
public:
    Program()
    {
        comm::TCommTiming timing;
        timing.PollStepMs = 2;
        timing.IdentificationStepMs = 1;
        timing.ReadTimeoutMs = 40;
        timing.ReplyWaitMs = 40;
        timing.BusWaitMs = 1;
        comm::SetTiming(timing);
        clock.Set(EncodeDate(2026, 3, 28) + EncodeTime(6, 0, 0, 0));
        platform::SetClock(&clock);
        platform::SetDialogs(&dialogs);
        CChannelSession::DefaultDataFolder = folder.path().toStdString();
        RegisterChartClasses();
        forms = std::make_unique<TProgramForms>(CLanguage::English);
        TfrmMainWindow* main = forms->MainWindow.get();
        main->tmrPopUp->stop();
        main->showMaximized();
        Await([] { return false; }, 200);
        for (int c = 0; c < kWindows; ++c) Open(c);
        for (TmdiSubWindow* w : windows) w->tmrDataUpdate->stop();
        Await([] { return false; }, 300);
    }
    ~Program()
    {
        hung.reset();
        for (TmdiSubWindow* w : windows) w->Session().Close();
        forms.reset();
        for (auto& l : lines) l->Stop();
        platform::SetDialogs(nullptr);
        platform::SetClock(nullptr);
        comm::ResetTiming();
    }

    // One tick of every window, then the poll cycles it asked for; the user-interface
    // thread's CPU seconds of the windows' handlers and repaints.
    double Tick(int lateMs = 0)
    {
        clock.AdvanceMs(std::int64_t(kIntervalS) * 1000 + lateMs);
        double total = 0;
        for (TmdiSubWindow* w : windows) {
            const double t0 = ThreadCpuSeconds();
            w->tmrDataUpdateTimer();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            total += ThreadCpuSeconds() - t0;
        }
        // The simulated units run in this process: what they log of the frames is not the
        // program's memory.
        for (auto& l : lines) l->ClearLog();
        // The cycles run on the poll threads; a silent unit's ends with its time-out.
        Await([this] {
            for (TmdiSubWindow* w : windows) {
                CChannel* c = w->Session().ChannelObject();
                if (c && c->CycleUnderWayOrDue() && c->CommError == 0) return false;
            }
            return true;
        });
        return total;
    }

    void Command(int window, const char* setpoint)
    {
        windows[std::size_t(window)]->Session().SendProgramCommands(AnsiString("G0D**") + setpoint, "C14*************",
                                                                    true);
    }
    void Silence(int window)
    {
        lines[std::size_t(window)]->First().Update([](support::UnitState& s) { s.answers = 0; });
    }
    // The share of the last two windows stops answering (their files' writes hang) or
    // answers again.
    void HangShare(bool on)
    {
        if (!on) {
            hung.reset();
            return;
        }
        const std::string folderPath = folder.path().toStdString();
        hung = std::make_unique<support::HangingFileSystem>([folderPath](const std::string& path, bool write) {
            return write && (path.find("/rec9") != std::string::npos || path.find("/rec10") != std::string::npos);
        });
    }

    // The bytes the windows' series hold for their points: the room of their value lists
    // and label entries, filled or reserved (a list grows in steps, all lists of a part
    // about at once).
    long ListKb() const
    {
        std::size_t bytes = 0;
        for (TmdiSubWindow* w : windows)
            for (int k = 0; k < ValueSeriesTotal; ++k)
                if (const TFastLineSeries* s = w->Session().ValueSeries(k)) {
                    for (const TChartValueList* l : s->ValuesList())
                        bytes += std::size_t(l->Capacity()) * sizeof(double);
                    bytes += std::size_t(s->Labels().EntryCapacity()) * 2 * sizeof(int);
                }
        return long(bytes / 1024);
    }
    // The boxes the program showed are the benchmark's record, not the program's memory.
    void ForgetShownBoxes() { dialogs.Clear(); }

    long Points() const
    {
        long n = 0;
        for (TmdiSubWindow* w : windows)
            for (int k = 0; k < ValueSeriesTotal; ++k)
                if (const TFastLineSeries* s = w->Session().ValueSeries(k)) n += s->Count();
        return n;
    }

private:
    void Open(int c)
    {
        auto line = std::make_unique<support::SimulatedUnitLine>();
        support::UnitState unit;
        unit.deviceName = "BATH " + std::to_string(c + 1);
        unit.controlMode = 'I';
        line->AddUnit(unit);
        line->First().SetClock(&clock);
        AnsiString error;
        if (!line->StartTcp(0, &error)) std::fprintf(stderr, "simulated unit: %s\n", error.c_str());
        TfrmMainWindow* main = forms->MainWindow.get();
        main->mnuDatenaufzeichnung->trigger();
        auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
        if (!w) {
            std::fprintf(stderr, "no channel window opened\n");
            std::exit(1);
        }
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(line->TcpPort()));
        w->cmbActual->setCurrentIndex(w->cmbActual->findText(QString::number(kIntervalS)));
        dialogs.QueueFileName(folder.path().toStdString() + "/rec" + std::to_string(c + 1));
        w->cmdEstablishConnectionClick();
        CChannel* channel = w->Session().ChannelObject();
        CIdentification* id = channel ? channel->Identification : nullptr;
        const bool identified = id && Await([&] {
                                    TfrmIdentification* f = id->IdentificationWindow();
                                    return f && f->OkEnabled();
                                });
        if (identified) id->IdentificationWindow()->bitOKClick();
        if (!identified || !Await([&] { return w->IsConnected(); })) {
            std::fprintf(stderr, "channel %d did not connect\n", c + 1);
            std::exit(1);
        }
        if (w->Session().SamplingInterval() != kIntervalS)
            std::fprintf(stderr, "channel %d: interval not %d s\n", c + 1, kIntervalS);
        lines.push_back(std::move(line));
        windows.push_back(w);
    }

    platform::ManualClock clock;
    support::ScriptedDialogs dialogs;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<support::SimulatedUnitLine>> lines;
    std::unique_ptr<TProgramForms> forms;
    std::vector<TmdiSubWindow*> windows;
    std::unique_ptr<support::HangingFileSystem> hung;
};

std::vector<Hour> gHoursSeen;

void BM_TenWindowsLongRun(benchmark::State& state)
{
    for (auto _ : state) {
        gHoursSeen.clear();
        Program p;
        TDataFileSaveQueue::Instance().WaitIdle();
        Hour start;
        start.threads = Entries("/proc/self/task");
        start.descriptors = Entries("/proc/self/fd");
        start.anonKb = AnonymousKb();
        start.inUseKb = InUseKb();
        start.listKb = p.ListKb();
        start.points = p.Points();
        gHoursSeen.push_back(start);
        for (int hour = 1; hour <= gHours; ++hour) {
            // What happens in this hour of its part (the second part repeats the first's).
            const int inPart = (hour - 1) % kPartHours;
            double cpu = 0, reference = 0;
            for (int tick = 0; tick < kTicksPerHour; ++tick) {
                const int minute = tick * kIntervalS / 60;
                const bool first = tick * kIntervalS % 60 == 0;
                if (first && inPart == 0 && minute == 30) p.Command(hour <= kPartHours ? 0 : 1, "0BB8");
                if (first && inPart == 1 && minute == 0 && hour <= kPartHours) {
                    p.Silence(3);
                    p.Command(3, "0FA0");
                }
                if (first && inPart == 1 && minute == 30) p.Command(3, "0C80");
                if (first && inPart == 2 && minute == 0) p.HangShare(true);
                if (first && inPart == 2 && minute == 30) p.HangShare(false);
                cpu += p.Tick(first && inPart == 3 && minute == 0 ? 300000 : 0);
                if (tick % kReferenceEvery == kReferenceEvery / 2) reference += ReferenceMs();
            }
            // Counted once the saves of the hour are written and their workers have come back:
            // a worker still busy with a file is no thread that stays.
            TDataFileSaveQueue& saves = TDataFileSaveQueue::Instance();
            saves.WaitIdle();
            Await([&] { return saves.Workers() <= 1; }, 5000);
            Hour h;
            h.hour = hour;
            h.threads = Entries("/proc/self/task");
            h.descriptors = Entries("/proc/self/fd");
            h.anonKb = AnonymousKb();
            h.inUseKb = InUseKb();
            h.listKb = p.ListKb();
            h.points = p.Points();
            p.ForgetShownBoxes();
            h.uiMsPerTick = cpu / kTicksPerHour * 1000.0;
            h.referenceMs = reference / kTicksPerHour * kReferenceEvery;
            gHoursSeen.push_back(h);
            std::printf(
                "hour %2d: %3d threads, %3d descriptors, %7ld kB anonymous, %7ld kB in use, %6ld kB in the lists, %8ld "
                "points, %6.2f ms a "
                "tick (%.2f ms the reference)\n",
                h.hour, h.threads, h.descriptors, h.anonKb, h.inUseKb, h.listKb, h.points, h.uiMsPerTick,
                h.referenceMs);
            std::fflush(stdout);
        }
        const Hour& last = gHoursSeen.back();
        state.counters["threads"] = last.threads;
        state.counters["anonymous_kB"] = double(last.anonKb);
        state.counters["ui_ms_per_tick"] = last.uiMsPerTick;
    }
}
BENCHMARK(BM_TenWindowsLongRun)->Iterations(1)->Unit(benchmark::kSecond);

// The verdict from the hours seen; false when none were.
bool PrintSummary()
{
    if (gHoursSeen.size() < 2) return false;
    const std::vector<Hour>& h = gHoursSeen;
    // The bytes each point held adds while the first part grows (its first hour set apart:
    // the windows' and the toolkit's own start).
    if (h.size() > std::size_t(kPartHours) && h[kPartHours].points > h[1].points)
        std::printf("memory per point in the first part: %.0f bytes, %.0f of them beside the lists\n",
                    double(h[kPartHours].anonKb - h[1].anonKb) * 1024.0 / double(h[kPartHours].points - h[1].points),
                    (longrun::RestKb(h[kPartHours], true) - longrun::RestKb(h[1], true)) * 1024.0 /
                        double(h[kPartHours].points - h[1].points));
    longrun::Print(longrun::Judge(h), h);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    gHours = benchverdict::TakeCount(argc, argv, "hours", gHours);
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" NOX_SCREENS_DIR "/1920x1080.json");
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    ResetFormatSettings();
    platform::UiDispatcher::Instance();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool ran = benchverdict::RunCases(nullptr) && PrintSummary();
    benchmark::Shutdown();
    return ran ? 0 : benchverdict::NoCaseRan();
}
