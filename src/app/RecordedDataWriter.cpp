#include "app/RecordedDataWriter.h"

#include <algorithm>

#include "app/CLanguage.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"
#include "platform/ScopedValue.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

void ShowError(int row, const std::string& reason)
{
    AnsiString text = CurrentText(row);
    if (!reason.empty()) text += "\n" + reason;
    platform::dialogs().MessageBox(text, CurrentText(RowErrorCaption), MB_OK);
}

std::vector<double> Values(const TChartValueList* list)
{
    return std::vector<double>(list->Data(), list->Data() + list->Count());
}

}  // namespace

TRecordedData CaptureRecordedData(const IRecordedDataSource& window, const AnsiString& fileName)
{
    TRecordedData d;
    d.WrittenAt = Now();
    d.FileName = fileName;
    d.DeviceName = window.DeviceName();
    d.TimeStep = window.SamplingInterval();
    // The file's numbers have a decimal comma and no thousands separator whatever the
    // process's formats are: the reader parses exactly that.
    d.Formats = FormatSettings();
    d.Formats.DecimalSeparator = ',';
    d.Formats.ThousandSeparator = '\0';

    const int seriesCount = std::min(window.ValueSeriesCount(), window.SeriesCount());
    TChartSeries* s0 = window.SeriesCount() > 0 ? window.Series(0) : nullptr;
    TChartSeries* s2 = window.SeriesCount() > 2 ? window.Series(2) : nullptr;
    if (s0) {
        d.X = Values(s0->XValues());
        d.Errors.reserve(d.X.size());
        const bool anyLabels = s0->Labels().Count() > 0 || (s2 && s2->Labels().Count() > 0);
        for (int i = 0; i < int(d.X.size()); ++i) {
            if (!anyLabels)
                d.Errors.emplace_back("0");
            else
                d.Errors.push_back(ErrorColumnText(s0->GetXLabel(i), s2 ? s2->GetXLabel(i) : AnsiString()));
        }
    }
    for (int i = 0; i < seriesCount; ++i) {
        TChartSeries* s = window.Series(i);
        if (!s || s->Tag != 1) continue;
        TRecordedDataColumn c;
        c.Title = s->GetTitle();
        c.ValueFormat = FileValueFormat(window.AxisValuesFormat(i));
        c.Values = Values(s->YValues());
        if (c.Values.size() > d.X.size()) c.Values.resize(d.X.size());
        d.Columns.push_back(std::move(c));
    }
    d.EventProtocol = window.MemoLines(TDataFileMemo::SerialData);
    if (window.ProgrammerMode() && window.LogFileChecked())
        d.ProgrammerProtocol = window.MemoLines(TDataFileMemo::Protocol);
    d.Memo = window.MemoLines(TDataFileMemo::Memo);
    d.Info = window.MemoLines(TDataFileMemo::Info);
    return d;
}

AnsiString SeriesAxisValuesFormat(const TChartSeries& series)
{
    const TChartAxis* axis = series.GetVertAxis();
    return axis ? axis->GetAxisValuesFormat() : AnsiString("#,##0.###");
}

AnsiString RecordedDataFileName(const IRecordedDataSource& window, int channel)
{
    return DataFileNameForPart(window.DataFileName(), channel, window.PartNumber());
}

TDataFileWriteResult WriteRecordedDataBytes(const std::string& path, const std::string& bytes, std::string* error)
{
    // A folder that is missing or not writable, or a file the user made read-only, means
    // the file cannot be made at all.
    if (!platform::CheckWritable(path, error)) return TDataFileWriteResult::CannotCreate;
    if (!platform::SaveFileAtomic(path, bytes, error)) return TDataFileWriteResult::WriteFailed;
    return TDataFileWriteResult::Written;
}

namespace {

TDataFileWriteResult BuildAndWrite(const std::string& path, const TRecordedData& data, std::string& error)
{
    try {
        return WriteRecordedDataBytes(path, BuildRecordedDataFile(data), &error);
    } catch (const std::exception& e) {
        error = e.what();
        return TDataFileWriteResult::WriteFailed;
    }
}

bool ReportSaveResult(TDataFileWriteResult result, const std::string& error)
{
    NOX_ASSERT_UI_THREAD();
    if (result == TDataFileWriteResult::CannotCreate) {
        ShowError(RowMakingFileFailed, error);
        return false;
    }
    if (result == TDataFileWriteResult::WriteFailed) {
        ShowError(RowSavingFailed, error);
        return false;
    }
    return true;
}

}  // namespace

bool FileSave1Execute(IRecordedDataSource* window, int channel)
{
    if (!window) return false;
    const AnsiString name = RecordedDataFileName(*window, channel);
    if (!window->Connected()) {
        ShowError(RowMakingFileFailed, {});
        return false;
    }
    std::string error;
    const TDataFileWriteResult result = BuildAndWrite(name, CaptureRecordedData(*window, name), error);
    return ReportSaveResult(result, error);
}

bool SaveDataFileOnDemand(IRecordedDataSource& window, int channel, bool confirm)
{
    const bool ok = FileSave1Execute(&window, channel);
    if (ok && confirm) platform::dialogs().MessageBox(CurrentText(RowDataFileSaved), CurrentText(RowNotice), MB_OK);
    return ok;
}

TDataFileSaveQueue& TDataFileSaveQueue::Instance()
{
    static TDataFileSaveQueue queue;
    return queue;
}

TDataFileSaveQueue::~TDataFileSaveQueue()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
}

void TDataFileSaveQueue::Save(IRecordedDataSource* window, int channel, std::function<void(bool)> done)
{
    auto finish = [&done](bool ok) {
        if (done) done(ok);
    };
    if (!window) return finish(false);
    const AnsiString name = RecordedDataFileName(*window, channel);
    if (!window->Connected()) {
        ShowError(RowMakingFileFailed, {});
        return finish(false);
    }
    Job job{name, CaptureRecordedData(*window, name), std::move(done)};
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FJobs.push_back(std::move(job));
        ++FPending;
        if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
    }
    FWake.notify_one();
}

void TDataFileSaveQueue::Run()
{
    while (true) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FWake.wait(lock, [this] { return FStop || !FJobs.empty(); });
            // Saves still queued when the program ends are written all the same.
            if (FJobs.empty()) return;
            job = std::move(FJobs.front());
            FJobs.pop_front();
        }
        std::string error;
        const TDataFileWriteResult result = BuildAndWrite(job.path, job.data, error);
        auto done = std::move(job.done);
        platform::UiDispatcher::Instance().Post([this, result, error, done] {
            // The caller's bookkeeping (its protocol line, the next part) and the queue's
            // own must not wait until someone closes the box.
            const bool ok = result == TDataFileWriteResult::Written;
            if (done) done(ok);
            {
                std::lock_guard<std::mutex> lock(FMutex);
                --FPending;
            }
            platform::UiDispatcher::Instance().Wake();
            // One failure box at a time: a drive that is full or gone fails every later save
            // too, and an unattended recording must not pile up a box (and a nested event
            // loop) per save. Each failure is in the channel's event protocol all the same.
            if (!ok && !FFailureShown) {
                const TScopedValue shown(FFailureShown, true);
                ReportSaveResult(result, error);
            }
        });
    }
}

bool TDataFileSaveQueue::Idle() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FPending == 0;
}

void TDataFileSaveQueue::WaitIdle()
{
    platform::UiDispatcher::Instance().WaitRunning([this] { return Idle(); });
}
