// Writing and reading a 12-hour recorded-data file: 43,200 rows of 22 series at a 1 s
// interval. Each stage is measured apart, because they run in different places: taking
// the data from the chart and filling the chart back happen on the user-interface thread;
// building the bytes, saving and parsing can run on a worker. Baselines in the same
// process: copying the same doubles, formatting them with std::to_chars (for building)
// and splitting the file into lines (for parsing).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchVerdict.h"
#include "app/RecordedDataReader.h"
#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "chart/engine/TChartSeries.h"
#include "platform/FileSave.h"
#include "platform/UiDispatcher.h"

namespace {

constexpr int kSeries = 22;
constexpr int kRows = 43200;

// A folder of the benchmark's own in the temporary directory; it goes, with what was
// written into it, when the object does.
struct TempFolder {
    explicit TempFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (::mkdtemp(pattern.data())) path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

class BenchView : public IDataFileView {
public:
    BenchView()
    {
        for (int i = 0; i < 25; ++i) {
            series.push_back(std::make_unique<TChartSeries>());
            series.back()->SetTitle("Series " + IntToStr(i) +
                                    " [\xC2\xB0"
                                    "C]");
        }
    }
    void Record(int rows = kRows)
    {
        for (int s = 0; s < kSeries; ++s) series[size_t(s)]->Tag = 1;
        for (int t = 0; t < rows; ++t) Append(t);
    }
    // One tick: a point for each recorded series.
    void Append(int t)
    {
        const double x = 46000.25 + t / 86400.0;
        for (int s = 0; s < kSeries; ++s)
            series[size_t(s)]->AddXY(x, 20.0 + s + 0.01 * ((t * 7 + s * 13) % 1000) + 0.0004,
                                     t % 3600 == 1800 ? AnsiString("Error!") : AnsiString());
    }
    int SeriesCount() const override { return int(series.size()); }
    TChartSeries* Series(int index) const override { return series[size_t(index)].get(); }
    AnsiString AxisValuesFormat(int) const override { return "#,##0.###"; }
    void SetChartTitleLines(const std::vector<AnsiString>&) override {}
    void SetBottomAxisTitle(const AnsiString&) override {}
    void SetBottomAxisDateTimeFormat(const AnsiString&) override {}
    void SetBottomAxisIncrement(double) override {}
    void SetBottomAxisRange(double, double) override {}
    std::vector<AnsiString> MemoLines(TDataFileMemo memo) const override
    {
        auto it = memos.find(memo);
        return it == memos.end() ? std::vector<AnsiString>() : it->second;
    }
    void SetMemoLines(TDataFileMemo memo, const std::vector<AnsiString>& lines) override { memos[memo] = lines; }
    void AddMemoLine(TDataFileMemo memo, const AnsiString& line) override { memos[memo].push_back(line); }
    void SetLineSeriesChoices(const std::vector<AnsiString>&) override {}
    int ValueSeriesCount() const override { return 22; }
    void SetValueSeriesCount(int) override {}
    int SamplingInterval() const override { return 1; }
    void SetSamplingInterval(int) override {}
    AnsiString DataFileName() const override { return fileName; }
    int PartNumber() const override { return 1; }
    AnsiString DeviceName() const override { return "Bench"; }
    bool Connected() const override { return true; }
    bool ProgrammerMode() const override { return false; }
    bool LogFileChecked() const override { return false; }
    void SetImportedFile(bool) override {}
    void SetTimeAxisLabel(const AnsiString&) override {}
    void SetTimeWindowTexts(const AnsiString&, const AnsiString&) override {}
    void ShowGraphPage() override {}
    void ShowLoadedDataPages(bool) override {}

    std::vector<std::unique_ptr<TChartSeries>> series;
    std::map<TDataFileMemo, std::vector<AnsiString>> memos;
    AnsiString fileName;
};

BenchView& Recorded()
{
    static BenchView* view = [] {
        auto* v = new BenchView;
        v->Record();
        // Removed at the end of the process; the view stays for every benchmark of the run.
        static const TempFolder folder("nox_bench_datafile");
        v->fileName = folder.path + "/run";
        return v;
    }();
    return *view;
}

const std::string& FileBytes()
{
    static const std::string bytes = BuildRecordedDataFile(CaptureRecordedData(Recorded(), "/tmp/run_11.csv"));
    return bytes;
}

void BM_Baseline_CopyValues(benchmark::State& state)
{
    BenchView& v = Recorded();
    for (auto _ : state) {
        std::vector<std::vector<double>> copy;
        for (int s = 0; s < kSeries; ++s) {
            const TChartValueList* y = v.series[size_t(s)]->YValues();
            copy.emplace_back(y->Data(), y->Data() + y->Count());
        }
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_Baseline_CopyValues)->Unit(benchmark::kMillisecond);

void BM_Baseline_ToChars(benchmark::State& state)
{
    BenchView& v = Recorded();
    for (auto _ : state) {
        std::string out;
        out.reserve(size_t(kRows) * kSeries * 8);
        char buf[32];
        for (int t = 0; t < kRows; ++t)
            for (int s = 0; s < kSeries; ++s) {
                auto r = std::to_chars(buf, buf + sizeof buf, v.series[size_t(s)]->GetyValue(t),
                                       std::chars_format::fixed, 3);
                out.append(buf, r.ptr);
                out += ';';
            }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Baseline_ToChars)->Unit(benchmark::kMillisecond);

// Reading's yardstick: splitting the same bytes into their lines (views, no copies).
void BM_Baseline_SplitLines(benchmark::State& state)
{
    const std::string& bytes = FileBytes();
    for (auto _ : state) {
        std::vector<std::string_view> lines;
        lines.reserve(bytes.size() / 64);
        for (size_t start = 0; start < bytes.size();) {
            const size_t end = std::min(bytes.find('\n', start), bytes.size());
            lines.emplace_back(bytes.data() + start, end - start);
            start = end + 1;
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_Baseline_SplitLines)->Unit(benchmark::kMillisecond);

// User-interface thread: taking the recording from the chart.
void BM_Write_Capture(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(CaptureRecordedData(Recorded(), "/tmp/run_11.csv").X.data());
}
BENCHMARK(BM_Write_Capture)->Unit(benchmark::kMillisecond);

// Worker: formatting the file's bytes.
void BM_Write_Build(benchmark::State& state)
{
    const TRecordedData data = CaptureRecordedData(Recorded(), "/tmp/run_11.csv");
    for (auto _ : state) benchmark::DoNotOptimize(BuildRecordedDataFile(data).data());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileBytes().size()));
}
BENCHMARK(BM_Write_Build)->Unit(benchmark::kMillisecond);

// The whole save as the channel window calls it, synced to disk.
void BM_Write_FileSave1Execute(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(FileSave1Execute(&Recorded(), 1));
}
BENCHMARK(BM_Write_FileSave1Execute)->Unit(benchmark::kMillisecond);

// Worker: parsing the file.
void BM_Read_Parse(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ParseRecordedDataFile(FileBytes()).X.data());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileBytes().size()));
}
BENCHMARK(BM_Read_Parse)->Unit(benchmark::kMillisecond);

// User-interface thread: filling the view window's series from the parsed file, as the open
// command does it: in steps, the fill owning the parsed file (so it takes its columns over).
// Each time from a copy of the parse made outside the time measured.
void BM_Read_Apply(benchmark::State& state)
{
    const TRecordedDataRead data = ParseRecordedDataFile(FileBytes());
    BenchView view;
    for (auto _ : state) {
        state.PauseTiming();
        auto parsed = std::make_shared<TRecordedDataRead>(data);
        state.ResumeTiming();
        TRecordedDataFill fill(view, std::move(parsed), "/tmp/run_11.csv");
        if (fill.Begin()) {
            while (fill.Step(TFileCommands::FillPointsPerStep)) {}
            fill.Finish();
        }
    }
}
BENCHMARK(BM_Read_Apply)->Unit(benchmark::kMillisecond);

// After a growing-file case: the heap it freed (ten channels' 12-hour recordings, the
// workers' file texts) goes back to the system. The allocator keeps freed blocks of that
// size in the arenas of the threads that used them; the next case would otherwise start on
// top of them, and the process's peak would be the sum of cases rather than the largest.
void ReturnFreedHeap(const benchmark::State&)
{
    malloc_trim(0);
}

// User-interface thread, on every tick of ten channels at a 1 s interval, after `range(0)`
// rows of the part: what each channel hands to its growing file (the tick's rows taken from
// the chart and queued for the worker, as CChannelSession::GrowPartFile does). The time
// reported is that alone; `appends_us` is the tick's own appends of a point to each of the
// 22 series of the ten channels, `ratio_to_appends` the one against the other, and
// `worker_us` the time until the worker has written (and, every 55 ticks, synced) the ten
// files, which the user-interface thread does not wait for.
void BM_Grow_TenChannelsTick(benchmark::State& state)
{
    constexpr int kChannels = 10;
    const int rows = int(state.range(0));
    const TempFolder temp("nox_bench_grow");
    const std::string& folder = temp.path;
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    std::vector<std::unique_ptr<BenchView>> views;
    std::vector<AnsiString> names;
    std::vector<int> handed(kChannels, rows);
    for (int c = 0; c < kChannels; ++c) {
        views.push_back(std::make_unique<BenchView>());
        views.back()->Record(rows);
        views.back()->fileName = folder + "/run";
        names.push_back(RecordedDataFileName(*views.back(), c + 1));
        queue.Save(views.back().get(), c + 1, {}, TPartFileUse::Growing, true);
    }
    queue.WaitIdle();
    using clock = std::chrono::steady_clock;
    clock::duration appends{}, grow{}, worker{};
    std::int64_t ticks = 0;
    int t = rows;
    for (auto _ : state) {
        const auto t0 = clock::now();
        for (auto& v : views) v->Append(t);
        const auto t1 = clock::now();
        ticks += 1000;
        for (int c = 0; c < kChannels; ++c) {
            TGrowingRows r;
            r.Path = names[size_t(c)];
            r.FirstRow = handed[size_t(c)];
            r.Ticks = ticks;
            r.Data = CaptureRecordedRows(*views[size_t(c)], names[size_t(c)], handed[size_t(c)]);
            handed[size_t(c)] += int(r.Data.X.size());
            queue.Append(std::move(r), {});
        }
        const auto t2 = clock::now();
        queue.WaitIdle();
        const auto t3 = clock::now();
        ++t;
        appends += t1 - t0;
        grow += t2 - t1;
        worker += t3 - t2;
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double n = double(std::max<std::int64_t>(1, std::int64_t(state.iterations())));
    auto us = [n](clock::duration d) { return std::chrono::duration<double, std::micro>(d).count() / n; };
    state.counters["appends_us"] = us(appends);
    state.counters["worker_us"] = us(worker);
    if (appends.count() > 0) state.counters["ratio_to_appends"] = double(grow.count()) / double(appends.count());
    for (int c = 0; c < kChannels; ++c) queue.EndGrowing(names[size_t(c)]);
    queue.WaitIdle();
}
BENCHMARK(BM_Grow_TenChannelsTick)
    ->Arg(600)
    ->Arg(43200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Teardown(ReturnFreedHeap);

// The rows and protocol lines a channel hands its growing file at tick `t` (seconds): all
// since the last hand-over, whose counts move on.
TGrowingRows NewRows(BenchView& view, const std::string& name, int& handed, size_t& protocolHanded, int t)
{
    const std::vector<AnsiString>& protocol = view.memos[TDataFileMemo::SerialData];
    TGrowingRows r;
    r.Path = name;
    r.FirstRow = handed;
    r.Ticks = std::int64_t(t) * 1000;
    r.Data = CaptureRecordedRows(view, name, handed);
    handed += int(r.Data.X.size());
    r.ProtocolFrom = int(protocolHanded);
    r.Data.EventProtocol.assign(protocol.begin() + std::ptrdiff_t(protocolHanded), protocol.end());
    protocolHanded = protocol.size();
    return r;
}

// A 12-hour part at 1 s recorded as a channel records it, with one protocol line per tick
// (a unit that does not answer: one " Timeout !" per failed exchange): the file is written
// whole at the start and every 2400 ticks and grows by the rows and lines of each tick in
// between, through the program's own queue and files. `written_MB` is what was handed to
// the system for it, `written_per_file_byte` that against the size of the file at the end.
void BM_Grow_TwelveHourPartWithProtocol(benchmark::State& state)
{
    constexpr int kTicksBetweenSaves = 2400;
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    for (auto _ : state) {
        const TempFolder temp("nox_bench_part");
        const std::string& folder = temp.path;
        BenchView view;
        for (int s = 0; s < kSeries; ++s) view.series[size_t(s)]->Tag = 1;
        view.fileName = folder + "/run";
        const std::string name = RecordedDataFileName(view, 1);
        std::vector<AnsiString>& protocol = view.memos[TDataFileMemo::SerialData];
        const std::uint64_t before = platform::BytesWritten();
        int handed = 0;
        size_t protocolHanded = 0;
        view.Append(0);
        auto save = [&] {
            queue.Save(&view, 1, {}, TPartFileUse::Growing, true);
            queue.WaitIdle();
            handed = view.series[0]->Count();
            protocolHanded = protocol.size();
        };
        save();
        for (int t = 1; t < kRows; ++t) {
            view.Append(t);
            protocol.push_back("08.12.2026 " + IntToStr(10 + t / 3600) + ":" + IntToStr(10 + t / 60 % 50) + ":" +
                               IntToStr(10 + t % 50) + " Timeout !");
            if (t % kTicksBetweenSaves == 0) {
                save();
                continue;
            }
            queue.Append(NewRows(view, name, handed, protocolHanded, t), {});
            // The program hands a tick over a second after the last, long after the worker
            // wrote it: 12 hours of ticks queued at once would be a backlog it never has
            // (and hundreds of MB of queued jobs). A minute's ticks at most wait.
            if (t % 60 == 0) queue.WaitIdle();
        }
        queue.EndGrowing(name);
        queue.WaitIdle();
        const double written = double(platform::BytesWritten() - before);
        const double size = double(std::filesystem::file_size(name));
        state.counters["written_MB"] = written / 1e6;
        state.counters["file_MB"] = size / 1e6;
        state.counters["written_per_file_byte"] = written / size;
    }
}
// Once: it measures bytes written, not time.
BENCHMARK(BM_Grow_TwelveHourPartWithProtocol)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kSecond)
    ->Teardown(ReturnFreedHeap);

// The writer's own work per tick of a unit that does not answer (every row an "Error!" row,
// one " Timeout !" line in the protocol a tick), after `range(0)` seconds of the part: the
// tick's rows and line handed over, and once a minute the file's new end written and synced.
// The time reported is the CPU time of the program's other threads (the writer) while the
// tick is written: the disk's own pace is not the program's. Two minutes of ticks, so the
// mean holds two of the minute's writes; a part an hour old and one eleven hours old should
// cost alike, since a tick adds the same to either.
void BM_Grow_SilentUnitTick(benchmark::State& state)
{
    const int rows = int(state.range(0));
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    const TempFolder temp("nox_bench_silent");
    const std::string& folder = temp.path;
    BenchView view;
    for (int s = 0; s < kSeries; ++s) view.series[size_t(s)]->Tag = 1;
    view.fileName = folder + "/run";
    const std::string name = RecordedDataFileName(view, 1);
    std::vector<AnsiString>& protocol = view.memos[TDataFileMemo::SerialData];
    auto tick = [&](int t) {
        const double x = 46000.25 + t / 86400.0;
        for (int s = 0; s < kSeries; ++s) view.series[size_t(s)]->AddXY(x, 20.0 + s, AnsiString("Error!"));
        protocol.push_back("08.12.2026 " + IntToStr(10 + t / 3600 % 14) + ":" + IntToStr(10 + t / 60 % 50) + ":" +
                           IntToStr(10 + t % 50) + " Timeout !");
    };
    for (int t = 0; t < rows; ++t) tick(t);
    queue.Save(&view, 1, {}, TPartFileUse::Growing, true);
    queue.WaitIdle();
    int handed = view.series[0]->Count();
    size_t protocolHanded = protocol.size();
    int t = rows;
    const auto cpu = [](clockid_t id) {
        timespec ts{};
        clock_gettime(id, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    };
    // One tick handed over and written; the CPU time the other threads spent meanwhile.
    auto handOver = [&] {
        tick(t);
        TGrowingRows r = NewRows(view, name, handed, protocolHanded, t);
        const double others0 = cpu(CLOCK_PROCESS_CPUTIME_ID) - cpu(CLOCK_THREAD_CPUTIME_ID);
        queue.Append(std::move(r), {});
        queue.WaitIdle();
        ++t;
        return cpu(CLOCK_PROCESS_CPUTIME_ID) - cpu(CLOCK_THREAD_CPUTIME_ID) - others0;
    };
    // The queue is idle once the save is reported, while the writer may still be freeing
    // what the save held (the whole part): that is the save's work, not a tick's. The first
    // tick, untimed, waits for it, since the file's jobs run one after the other.
    handOver();
    for (auto _ : state) state.SetIterationTime(std::max(handOver(), 1e-9));
    queue.EndGrowing(name);
    queue.WaitIdle();
}
BENCHMARK(BM_Grow_SilentUnitTick)
    ->Arg(3600)
    ->Arg(11 * 3600)
    ->Iterations(120)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Teardown(ReturnFreedHeap);

}  // namespace

int main(int argc, char** argv)
{
    // This thread is the user-interface thread, as in the program: the saves' results are
    // handed to it (a worker must not be taken for it by asking first).
    platform::UiDispatcher::Instance();
    // Repeated and interleaved by default: the verdicts compare medians of CPU time, and
    // say nothing where the repetitions disagree.
    benchverdict::Arguments args(argc, argv, 5);
    benchmark::Initialize(&args.Count, args.Values());
    if (benchmark::ReportUnrecognizedArguments(args.Count, args.Values())) return 1;
    benchverdict::MedianReporter reporter;
    const bool ran = benchverdict::RunCases(&reporter);
    benchmark::Shutdown();
    if (!ran) return benchverdict::NoCaseRan();
    const auto t = [&](const char* name) { return reporter.CpuTime(name); };
    std::printf("\n(medians of the repetitions, CPU time)\n");
    // Building against formatting the same values with std::to_chars; reading (parsing and
    // filling the series) in ms per 8 MB of file and against splitting the file into lines.
    const double build = t("BM_Write_Build"), toChars = t("BM_Baseline_ToChars");
    if (build > 0 && toChars > 0)
        std::printf("build / to_chars loop    %7.3f   target 1.30 %s\n", build / toChars,
                    reporter.Verdict(build / toChars <= 1.3, {"BM_Write_Build", "BM_Baseline_ToChars"}).c_str());
    const double read = t("BM_Read_Parse") + t("BM_Read_Apply"), split = t("BM_Baseline_SplitLines");
    if (t("BM_Read_Parse") > 0 && t("BM_Read_Apply") > 0 && split > 0) {
        const double per8MB = read * 8e6 / double(FileBytes().size());
        std::printf("read ms per 8 MB         %7.3f   target 25   %s\n", per8MB,
                    reporter.Verdict(per8MB <= 25, {"BM_Read_Parse", "BM_Read_Apply"}).c_str());
        std::printf("read / line split        %7.1f\n", read / split);
    }
    // The writer's CPU time per tick of a silent unit (the case's manual time) an hour and
    // eleven hours into a part.
    const std::string early = "BM_Grow_SilentUnitTick/3600", late = "BM_Grow_SilentUnitTick/39600";
    if (reporter.Time(early) > 0 && reporter.Time(late) > 0) {
        const double growth = reporter.Time(late) / reporter.Time(early);
        std::printf(
            "silent unit, writer per tick: 1 h %.1f us, 11 h %.1f us, growth %.2fx   target 2.00 %s\n",
            reporter.Time(early), reporter.Time(late), growth,
            reporter.Verdict(growth < 2.0, {early, late}, benchverdict::MedianReporter::kSoundVariation, true).c_str());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of the benchmark's process: %.0f MB\n", double(usage.ru_maxrss) / 1024.0);
    return 0;
}
