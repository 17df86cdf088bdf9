// File > Open of a 12-hour recorded-data file (43,200 rows of 22 series at a 1 s interval)
// into a view window of the program's own windows: the command returns at once while a
// worker reads the file, then the window is filled. Reported: the whole open, and how long
// the command itself keeps the user-interface thread (command_ms), against the parse alone
// on the same file as the baseline.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>

#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "channel/ProgramForms.h"
#include "platform/Dialogs.h"
#include "support/FakeDataFileView.h"

namespace {

// Every file dialog chooses the benchmark's file; boxes take their default answer.
class ChooseFile : public platform::Dialogs {
public:
    int MessageBox(const AnsiString&, const AnsiString&, int) override { return IDOK; }
    bool FileDialog(platform::FileDialogRequest& req) override
    {
        req.fileName = Path;
        return true;
    }
    bool InputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
    AnsiString Path;
};

struct OpenFixture {
    OpenFixture()
    {
        FakeDataFileView v;
        v.Record(22, 43200, 46000.25);
        v.fileName = dir.filePath("run.csv").toStdString();
        FileSave1Execute(&v, 1);
        dialogs.Path = dir.filePath("run_11.csv").toStdString();
        platform::SetDialogs(&dialogs);
        forms = std::make_unique<TProgramForms>(1);
        forms->MainWindow->tmrPopUp->stop();
    }
    ~OpenFixture()
    {
        forms.reset();
        platform::SetDialogs(nullptr);
    }
    QTemporaryDir dir;
    ChooseFile dialogs;
    std::unique_ptr<TProgramForms> forms;
};

OpenFixture* g_fixture = nullptr;

void BM_Baseline_ReadAndParse(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ReadRecordedDataFile(g_fixture->dialogs.Path).X.data());
}
BENCHMARK(BM_Baseline_ReadAndParse)->Unit(benchmark::kMillisecond);

void BM_OpenIntoViewWindow(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    TfrmMainWindow* main = g_fixture->forms->MainWindow.get();
    Clock::duration command{};
    for (auto _ : state) {
        const auto start = Clock::now();
        // The view item: a new view window each time, as a user opening file after file.
        main->mnuVisualisierung->trigger();
        command += Clock::now() - start;
        g_fixture->forms->FileCommands->WaitIdle();
        state.PauseTiming();
        for (int c = 1; c <= MaxChannelWindows; ++c)
            if (IChannelForm* f = main->ChannelForm(c)) f->FormClose();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["command_ms"] =
        std::chrono::duration<double, std::milli>(command).count() / double(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(BM_OpenIntoViewWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    g_fixture = new OpenFixture;
    benchmark::RunSpecifiedBenchmarks();
    delete g_fixture;
    benchmark::Shutdown();
    return 0;
}
