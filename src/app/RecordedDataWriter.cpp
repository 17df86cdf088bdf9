#include "app/RecordedDataWriter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <deque>

#include "app/CLanguage.h"
#include "app/FileSaveWait.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"
#include "platform/ScopedValue.h"
#include "platform/TextCodec.h"
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

std::vector<double> Values(const TChartValueList* list, int from)
{
    from = std::clamp(from, 0, list->Count());
    return std::vector<double>(list->Data() + from, list->Data() + list->Count());
}

}  // namespace

TRecordedData CaptureRecordedData(const IRecordedDataSource& window, const AnsiString& fileName)
{
    TRecordedData d = CaptureRecordedRows(window, fileName, 0);
    d.EventProtocol = window.MemoLines(TDataFileMemo::SerialData);
    CaptureOtherMemos(window, d);
    return d;
}

void CaptureOtherMemos(const IRecordedDataSource& window, TRecordedData& d)
{
    d.ProgrammerProtocol.clear();
    if (window.ProgrammerMode() && window.LogFileChecked())
        d.ProgrammerProtocol = window.MemoLines(TDataFileMemo::Protocol);
    d.Memo = window.MemoLines(TDataFileMemo::Memo);
    d.Info = window.MemoLines(TDataFileMemo::Info);
}

TRecordedData CaptureRecordedRows(const IRecordedDataSource& window, const AnsiString& fileName, int firstRow)
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
    const int first = s0 ? std::clamp(firstRow, 0, s0->Count()) : 0;
    if (s0) {
        d.X = Values(s0->XValues(), first);
        d.Errors.reserve(d.X.size());
        const bool anyLabels = s0->Labels().Count() > 0 || (s2 && s2->Labels().Count() > 0);
        for (int i = first; i < first + int(d.X.size()); ++i) {
            if (!anyLabels)
                d.Errors.emplace_back();
            else
                d.Errors.push_back(RowLabelOfPoints(s0->GetXLabel(i), s2 ? s2->GetXLabel(i) : AnsiString()));
        }
    }
    for (int i = 0; i < seriesCount; ++i) {
        TChartSeries* s = window.Series(i);
        if (!s || s->Tag != 1) continue;
        TRecordedDataColumn c;
        c.Title = s->GetTitle();
        c.ValueFormat = FileValueFormat(window.AxisValuesFormat(i));
        c.Values = Values(s->YValues(), first);
        if (c.Values.size() > d.X.size()) c.Values.resize(d.X.size());
        d.Columns.push_back(std::move(c));
    }
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

TDataFileWriteResult WriteRecordedDataBytes(const std::string& path, const std::string& bytes, std::string* error,
                                            const platform::THeldFolder* folder)
{
    // A folder that is missing or not writable, or a file the user made read-only, means
    // the file cannot be made at all.
    if (!(folder ? platform::CheckWritableIn(*folder, path, error) : platform::CheckWritable(path, error)))
        return TDataFileWriteResult::CannotCreate;
    if (!(folder ? platform::SaveFileAtomicIn(*folder, path, bytes, error)
                 : platform::SaveFileAtomic(path, bytes, error)))
        return TDataFileWriteResult::WriteFailed;
    return TDataFileWriteResult::Written;
}

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Whether a free name taken before may still be written: nothing is there, or a plain file
// of the user's (what an earlier save wrote).
bool FreeNameStillOurs(const std::string& free, const platform::THeldFolder* folder)
{
    struct stat st {};
    const std::string name = free.substr(free.rfind('/') + 1);
    const bool taken =
        folder ? ::fstatat(folder->Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 : ::lstat(free.c_str(), &st) == 0;
    return !taken || (S_ISREG(st.st_mode) && !platform::HeldByAnotherUser(free, folder));
}

TDataFileWriteResult BuildAndWrite(const std::string& path, const TRecordedData& data, std::string& error,
                                   const platform::THeldFolder* folder = nullptr)
{
    try {
        return WriteRecordedDataBytes(path, BuildRecordedDataFile(data), &error, folder);
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

namespace {

// Text that is only added to at its end, or assigned anew, with the checksum of what it
// holds: each minute's write of a growing file writes the event protocol again, and a tick
// must not cost a pass over all of it.
class TChecksummedText {
public:
    const std::string& Bytes() const { return FBytes; }
    // Only ever appended to.
    std::string& ToAppend() { return FBytes; }
    void Assign(std::string bytes)
    {
        FBytes = std::move(bytes);
        FCrc = 0;
        FChecked = 0;
    }
    // The checksum carried on over what was added since it was last asked for.
    std::uint32_t Crc()
    {
        FCrc = platform::Crc32(std::string_view(FBytes).substr(FChecked), FCrc);
        FChecked = FBytes.size();
        return FCrc;
    }

private:
    std::string FBytes;
    std::uint32_t FCrc = 0;
    size_t FChecked = 0;
};

}  // namespace

struct TDataFileSaveQueue::TGrowingFileState {
    platform::TGrowingFile File;
    std::string Path;     // the name written to: the file's own, or the free name beside it
    TRecordedData Texts;  // the head's texts and the sections' lines; no rows
    bool Utf8 = false;
    // Whether a row's label does not fit Windows-1252: for each row of RowStarts (which a
    // later append may write again with another label), and for any row before them.
    std::deque<bool> KeptRowsNeedUtf8;
    bool EarlierRowsNeedUtf8 = false;
    bool TextsNeedUtf8 = false;
    int Rows = 0;
    // Where the rows are in the file as it is meant to be (what is kept included).
    std::deque<std::uint64_t> RowStarts;  // of the last rows, up to KeptRowStarts
    std::uint64_t RowsEnd = 0;
    // The sections as the file ends with them: the event protocol's marker and lines (the
    // first ProtocolLines of them; later ones are added as they come) and what follows.
    // A tick costs what it adds, not what the part holds: a long protocol is neither
    // encoded nor checked again for each new line.
    TChecksummedText Protocol;
    size_t ProtocolLines = 0;
    TChecksummedText AfterProtocol;
    bool SectionsStale = false;
    bool AfterProtocolStale = false;
    bool TextsRecheck = false;  // lines went or were replaced: check every text again
    // What was appended and is not written yet: the file's bytes from KeptFrom on to
    // RowsEnd, followed by the sections, replace what the file holds from KeptFrom on.
    std::uint64_t KeptFrom = 0;
    std::string Kept;
    bool Unwritten = false;
    std::int64_t DirtySince = -1;  // clock of the oldest data not yet on the disk
};

namespace {

bool LabelsNeedUtf8(const std::vector<AnsiString>& labels)
{
    return !std::all_of(labels.begin(), labels.end(), [](const AnsiString& l) { return platform::FitsCp1252(l); });
}

// The texts of the head: rows written with other ones would not be the file a save writes.
bool SameHead(const TRecordedData& a, const TRecordedData& b)
{
    if (a.FileName != b.FileName || a.DeviceName != b.DeviceName || a.TimeStep != b.TimeStep ||
        a.Columns.size() != b.Columns.size())
        return false;
    for (size_t k = 0; k < a.Columns.size(); ++k)
        if (a.Columns[k].Title != b.Columns[k].Title || a.Columns[k].ValueFormat != b.Columns[k].ValueFormat)
            return false;
    return true;
}

bool SameFormats(const TFormatSettings& a, const TFormatSettings& b)
{
    if (a.DecimalSeparator != b.DecimalSeparator || a.ThousandSeparator != b.ThousandSeparator ||
        a.ListSeparator != b.ListSeparator || a.DateSeparator != b.DateSeparator ||
        a.TimeSeparator != b.TimeSeparator || a.ShortDateFormat != b.ShortDateFormat ||
        a.LongTimeFormat != b.LongTimeFormat || a.ShortTimeFormat != b.ShortTimeFormat ||
        a.CurrencyString != b.CurrencyString || a.TimeAMString != b.TimeAMString || a.TimePMString != b.TimePMString)
        return false;
    return std::equal(std::begin(a.ShortMonthNames), std::end(a.ShortMonthNames), std::begin(b.ShortMonthNames)) &&
           std::equal(std::begin(a.LongMonthNames), std::end(a.LongMonthNames), std::begin(b.LongMonthNames)) &&
           std::equal(std::begin(a.ShortDayNames), std::end(a.ShortDayNames), std::begin(b.ShortDayNames)) &&
           std::equal(std::begin(a.LongDayNames), std::end(a.LongDayNames), std::begin(b.LongDayNames));
}

// The data without its rows.
TRecordedData TextsOf(const TRecordedData& data)
{
    TRecordedData t;
    t.WrittenAt = data.WrittenAt;
    t.FileName = data.FileName;
    t.DeviceName = data.DeviceName;
    t.TimeStep = data.TimeStep;
    t.Formats = data.Formats;
    for (const TRecordedDataColumn& c : data.Columns) t.Columns.push_back({c.Title, c.ValueFormat, {}});
    t.EventProtocol = data.EventProtocol;
    t.ProgrammerProtocol = data.ProgrammerProtocol;
    t.Memo = data.Memo;
    t.Info = data.Info;
    return t;
}

}  // namespace

std::shared_ptr<const platform::THeldFolder> TRecordingFolder::FolderFor(const std::string& path, std::string* error)
{
    const std::string folder = FolderOf(path);
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FFolder && FFolder->Path() == folder && !FFolder->Removed()) return FFolder;
    }
    std::shared_ptr<const platform::THeldFolder> opened = platform::THeldFolder::Open(folder, error);
    if (!opened) return nullptr;
    std::lock_guard<std::mutex> lock(FMutex);
    if (!FFolder || FFolder->Path() != folder || FFolder->Removed()) FFolder = std::move(opened);
    return FFolder;
}

std::string TRecordingFolder::FreeName(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FMutex);
    const auto it = FFreeNames.find(path);
    return it == FFreeNames.end() ? std::string() : it->second;
}

void TRecordingFolder::SetFreeName(const std::string& path, const std::string& free)
{
    std::lock_guard<std::mutex> lock(FMutex);
    FFreeNames[path] = free;
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
    // No worker is started once FStop is set.
    for (std::thread& worker : FWorkers) worker.join();
}

void TDataFileSaveQueue::Queue(Job job)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        TFileJobs& file = FFiles[job.path];
        // A file that is served or already waits comes up again once its job is done.
        if (!file.Served && file.Jobs.empty()) FReady.push_back(job.path);
        file.Jobs.push_back(std::move(job));
        ++FPending;
        WakeWorker(0);
    }
}

void TDataFileSaveQueue::JoinEnded()
{
    // An ended worker released the lock for the last time as it ended: the join waits only
    // for its thread to finish.
    for (const std::thread::id id : FEnded) {
        const auto worker =
            std::find_if(FWorkers.begin(), FWorkers.end(), [id](const std::thread& t) { return t.get_id() == id; });
        if (worker == FWorkers.end()) continue;
        worker->join();
        FWorkers.erase(worker);
    }
    FEnded.clear();
}

int TDataFileSaveQueue::Workers() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return int(FWorkers.size() - FEnded.size());
}

void TDataFileSaveQueue::WakeWorker(int takenBySelf)
{
    JoinEnded();
    // Another worker when more files wait than workers are free to take them: the busy ones
    // may be held by a drive that does not answer.
    if (!FStop && int(FReady.size()) - takenBySelf > FIdleWorkers && int(FWorkers.size()) < MaxWorkers) {
        FWorkers.emplace_back([this] { Run(); });
        ++FStarted;
    }
    FWake.notify_one();
}

void TDataFileSaveQueue::Save(IRecordedDataSource* window, int channel, std::function<void(bool)> done,
                              TPartFileUse use, bool quiet, std::function<void(const std::string&)> failed,
                              std::function<void(const std::string&)> thrown,
                              std::function<void(const std::vector<platform::TSideFileNote>&)> noted,
                              std::shared_ptr<TRecordingFolder> recording)
{
    auto finish = [&done](bool ok) {
        if (done) done(ok);
    };
    if (!window) return finish(false);
    const AnsiString name = RecordedDataFileName(*window, channel);
    if (!window->Connected()) {
        if (!quiet) ShowError(RowMakingFileFailed, {});
        return finish(false);
    }
    Job job;
    job.path = name;
    job.rows.Data = CaptureRecordedData(*window, name);
    job.done = std::move(done);
    job.failed = std::move(failed);
    job.noted = std::move(noted);
    job.recording = std::move(recording);
    job.use = use;
    job.quiet = quiet;
    job.thrown = std::move(thrown);
    Queue(std::move(job));
}

void TDataFileSaveQueue::SaveAs(IRecordedDataSource* window, const std::string& path, const std::string& was,
                                std::function<void(bool)> done, std::function<void(const std::string&)> failed)
{
    if (!window) {
        if (done) done(false);
        return;
    }
    Job job;
    job.path = path;
    job.rows.Data = CaptureRecordedData(*window, path);
    for (AnsiString& line : job.rows.Data.Info)
        if (line == was) line = path;
    job.done = std::move(done);
    job.failed = std::move(failed);
    job.quiet = true;
    Queue(std::move(job));
}

void TDataFileSaveQueue::Append(TGrowingRows rows, std::function<void(TGrowResult, const std::string&)> done,
                                std::function<void(const std::string&)> thrown)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        const auto file = FFiles.find(rows.Path);
        const bool reportWritten = rows.ReportWritten;
        if (file != FFiles.end() && !file->second.Jobs.empty() && file->second.Jobs.back().kind == TJobKind::Append &&
            MergeAppend(file->second.Jobs.back(), rows)) {
            file->second.Jobs.back().grown.push_back({std::move(done), std::move(thrown)});
            file->second.Jobs.back().reportWritten |= reportWritten;
            ++FPending;
            return;
        }
    }
    Job job;
    job.kind = TJobKind::Append;
    job.path = rows.Path;
    job.dirtyTicks = rows.Ticks;
    job.reportWritten = rows.ReportWritten;
    job.rows = std::move(rows);
    job.grown.push_back({std::move(done), std::move(thrown)});
    Queue(std::move(job));
}

void TDataFileSaveQueue::EndGrowing(const std::string& path)
{
    Job job;
    job.kind = TJobKind::End;
    job.path = path;
    Queue(std::move(job));
}

void TDataFileSaveQueue::Finished(std::function<void()> onUiThread, std::function<void(const std::string&)> thrown)
{
    platform::UiDispatcher::Instance().Post(
        [this, onUiThread = std::move(onUiThread)] {
            const TScopeExit done([this] {
                {
                    std::lock_guard<std::mutex> lock(FMutex);
                    --FPending;
                }
                platform::UiDispatcher::Instance().Wake();
            });
            if (onUiThread) onUiThread();
        },
        std::move(thrown));
}

bool TDataFileSaveQueue::SpareWorker() const
{
    // Each file in the queue's care (one that grows, waits or is written) may want a worker
    // at the next tick; those beyond them, and beyond the one that waits, are spare.
    const size_t running = FWorkers.size() - FEnded.size();
    return FIdleWorkers > 1 && running > std::max<size_t>(1, FFiles.size());
}

void TDataFileSaveQueue::Run()
{
    std::unique_lock<std::mutex> lock(FMutex);
    ++FIdleWorkers;
    while (true) {
        // One worker waits for the next file, and one for each other file that grows or waits;
        // another with nothing to do ends (one started while a drive did not answer, or when
        // many files came at once). Workers are not started and ended at every tick of the
        // growing files.
        FWake.wait(lock, [this] { return FStop || !FReady.empty() || SpareWorker(); });
        if (FReady.empty() && !FStop) {
            --FIdleWorkers;
            FEnded.push_back(std::this_thread::get_id());
            return;
        }
        --FIdleWorkers;
        // Saves still queued when the program ends are written all the same.
        if (FReady.empty()) return;
        const std::string path = std::move(FReady.front());
        FReady.pop_front();
        TFileJobs& file = FFiles[path];
        file.Served = true;
        file.ServedSince = platform::clock().MilliTicks();
        Job job = std::move(file.Jobs.front());
        file.Jobs.pop_front();
        lock.unlock();
        int handed = 0;  // results no one waits for: done once this worker waits again
        switch (job.kind) {
            case TJobKind::Save: RunSave(job, file.Growing); break;
            case TJobKind::Append: handed = RunAppend(job, file.Growing); break;
            case TJobKind::End:
                if (file.Growing) {
                    // What was kept goes into the file; no one waits for the result.
                    std::string error;
                    try {
                        if (!WriteKept(*file.Growing, file.Growing->Path, error))
                            std::fprintf(stderr, "%s\n", error.c_str());
                    } catch (...) {
                        platform::UiDispatcher::ReportException(std::current_exception(), path.c_str());
                    }
                }
                file.Growing.reset();
                Finished({});
                break;
        }
        // What the job held is freed before the lock is taken again.
        job = Job();
        lock.lock();
        file.Served = false;
        // The file's next job waits behind the other files that wait, so that a file with
        // many jobs does not keep a worker to itself.
        if (!file.Jobs.empty()) {
            FReady.push_back(path);
            // This worker takes the first file that waits; another one may have to take
            // this one, in case the first hangs.
            WakeWorker(1);
        } else if (!file.Growing) {
            FFiles.erase(path);
        }
        // This worker waits again before what it wrote counts as done: whoever finds the
        // queue idle finds it waiting, and the next tick's files need start no other.
        ++FIdleWorkers;
        // Workers that waited for the ticks of a file that ended are spare now.
        if (SpareWorker()) FWake.notify_all();
        if (handed > 0) {
            FPending -= handed;
            lock.unlock();
            platform::UiDispatcher::Instance().Wake();
            lock.lock();
        }
    }
}

void TDataFileSaveQueue::RunSave(Job& job, std::unique_ptr<TGrowingFileState>& growing)
{
    // A save replaces the file: whatever grew before is written again, whole.
    growing.reset();
    std::string error;
    TDataFileWriteResult result = TDataFileWriteResult::Written;
    platform::TSideFileNotes notes;
    // A recording's file goes into the folder its files were made in, whatever is at that
    // folder's path now.
    std::shared_ptr<const platform::THeldFolder> held;
    if (job.recording) {
        held = job.recording->FolderFor(job.path, &error);
        if (!held) result = TDataFileWriteResult::CannotCreate;
    }
    const platform::THeldFolder* folder = held.get();
    auto file = std::make_unique<TGrowingFileState>();
    TRecordedDataLayout layout;
    // Writes the file under `path`, which it names.
    const auto write = [&](const std::string& path, std::string& why) {
        TRecordedData named;
        const bool renamed = path != job.rows.Data.FileName;
        if (renamed) {
            named = job.rows.Data;
            named.FileName = path;
        }
        const TRecordedData& data = renamed ? named : job.rows.Data;
        if (job.use == TPartFileUse::Final) return BuildAndWrite(path, data, why, folder);
        try {
            const std::string bytes = BuildRecordedDataFile(data, &layout);
            if (!(folder ? platform::CheckWritableIn(*folder, path, &why) : platform::CheckWritable(path, &why)))
                return TDataFileWriteResult::CannotCreate;
            if (!file->File.Create(path, bytes, &why, folder)) return TDataFileWriteResult::WriteFailed;
            file->Path = path;
            return TDataFileWriteResult::Written;
        } catch (const std::exception& e) {
            why = e.what();
            return TDataFileWriteResult::WriteFailed;
        }
    };
    std::string written = job.path;
    if (result == TDataFileWriteResult::Written) {
        // A part saved under a free name keeps it to its end: the user was told of that name.
        const std::string kept = job.recording ? job.recording->FreeName(job.path) : std::string();
        if (!kept.empty() && FreeNameStillOurs(kept, folder)) {
            written = kept;
            result = write(kept, error);
        } else {
            result = write(job.path, error);
            if (result != TDataFileWriteResult::Written && platform::HeldByAnotherUser(job.path, folder))
                if (const std::string free = FreeNameFor(job.path, job.recording.get(), folder); !free.empty()) {
                    // The file names the name it was written to, where its side file is; its
                    // appends still come with the part's own name.
                    std::string freeError;
                    if (write(free, freeError) == TDataFileWriteResult::Written) {
                        result = TDataFileWriteResult::Written;
                        written = free;
                    }
                }
        }
        if (result == TDataFileWriteResult::Written && written != job.path)
            notes.Add({platform::TSideFileNote::TKind::SavedUnderFreeName, job.path, written});
        if (result == TDataFileWriteResult::Written && folder && folder->Replaced())
            notes.Add({platform::TSideFileNote::TKind::SavedInFolderMadeIn, written, folder->WhereNow()});
    }
    if (result == TDataFileWriteResult::Written && job.use == TPartFileUse::Growing) {
        try {
            const TRecordedData& data = job.rows.Data;
            file->Utf8 = layout.Utf8;
            file->Rows = int(data.X.size());
            const size_t kept = std::min(layout.RowStarts.size(), size_t(KeptRowStarts));
            file->RowStarts.assign(layout.RowStarts.end() - std::ptrdiff_t(kept), layout.RowStarts.end());
            for (size_t row = 0; row < size_t(file->Rows); ++row) {
                const bool needs = row < data.Errors.size() && !platform::FitsCp1252(data.Errors[row]);
                if (row + kept < size_t(file->Rows))
                    file->EarlierRowsNeedUtf8 = file->EarlierRowsNeedUtf8 || needs;
                else
                    file->KeptRowsNeedUtf8.push_back(needs);
            }
            file->RowsEnd = layout.RowsEnd;
            file->KeptFrom = layout.RowsEnd;
            file->Texts = TextsOf(data);
            file->Protocol.Assign(std::string(RecordedDataProtocolMarker()));
            AppendRecordedDataProtocolLines(file->Protocol.ToAppend(), file->Texts.EventProtocol, 0, layout.Utf8);
            file->ProtocolLines = file->Texts.EventProtocol.size();
            file->AfterProtocol.Assign(BuildRecordedDataSectionsAfterProtocol(file->Texts, layout.Utf8));
            file->TextsNeedUtf8 = RecordedDataNeedsUtf8(file->Texts);
            growing = std::move(file);
        } catch (const std::exception& e) {
            error = e.what();
            result = TDataFileWriteResult::WriteFailed;
        }
    }
    const bool quiet = job.quiet;
    Finished(
        [this, result, error, quiet, done = std::move(job.done), failed = std::move(job.failed),
         noted = std::move(job.noted), sideFiles = notes.Take()] {
            if (noted && !sideFiles.empty()) noted(sideFiles);
            // The caller's bookkeeping (its protocol line, the next part) and the queue's
            // own must not wait until someone closes the box.
            const bool ok = result == TDataFileWriteResult::Written;
            if (!ok && failed) failed(error);
            if (done) done(ok);
            // One failure box at a time: a drive that is full or gone fails every later save
            // too, and an unattended recording must not pile up a box (and a nested event
            // loop) per save. Each failure is in the channel's event protocol all the same.
            if (!ok && !quiet && !FFailureShown) {
                const TScopedValue shown(FFailureShown, true);
                ReportSaveResult(result, error);
            }
        },
        std::move(job.thrown));
}

int TDataFileSaveQueue::RunAppend(Job& job, std::unique_ptr<TGrowingFileState>& growing)
{
    std::string error;
    TGrowResult result = TGrowResult::Rewrite;
    if (growing) {
        try {
            result = Append(*growing, job, error);
        } catch (const std::exception& e) {
            error = e.what();
            result = TGrowResult::Failed;
        }
        if (result != TGrowResult::Written && result != TGrowResult::FolderReplaced) growing.reset();
    }
    // Written is told to no one unless asked for: the appends are done once the worker waits
    // again (see Run).
    if (result == TGrowResult::Written && !job.reportWritten) return int(job.grown.size());
    // Every append merged into the job hears its result, in the order they came, as each
    // would have (after a failure the file grows no more: later appends hear Rewrite, and
    // the caller heeds the first result it hears).
    for (TGrownCallback& grown : job.grown)
        Finished(
            [result, error, done = std::move(grown.done)] {
                if (done) done(result, error);
            },
            std::move(grown.thrown));
    return 0;
}

bool TDataFileSaveQueue::MergeAppend(Job& into, TGrowingRows& rows)
{
    TGrowingRows& first = into.rows;
    TRecordedData& a = first.Data;
    TRecordedData& b = rows.Data;
    // Lines from the first on or other memos make the writer look at every text again, which
    // may change the file's encoding halfway; such an append takes no later one.
    if (first.OtherMemos || first.ProtocolFrom == 0) return false;
    // The later rows continue the earlier ones or write a few of them again (a label changed);
    // they never reach back before them nor further than the writer can find.
    const int kept = rows.FirstRow - first.FirstRow;
    if (kept < 0 || kept > int(a.X.size()) || int(a.X.size()) - kept > KeptRowStarts) return false;
    if (!SameHead(a, b) || !SameFormats(a.Formats, b.Formats)) return false;
    // A field left empty at the end of the earlier rows would take a later value.
    if (a.Errors.size() < size_t(kept) && !b.Errors.empty()) return false;
    for (size_t k = 0; k < a.Columns.size(); ++k)
        if (a.Columns[k].Values.size() < size_t(kept) && !b.Columns[k].Values.empty()) return false;
    // Protocol lines only follow those of the earlier append.
    if (first.ProtocolFrom >= 0 && rows.ProtocolFrom >= 0 &&
        size_t(rows.ProtocolFrom) != size_t(first.ProtocolFrom) + a.EventProtocol.size())
        return false;

    if (a.X.empty() && first.ProtocolFrom < 0) into.dirtyTicks = rows.Ticks;
    // The labels of rows written again go: they are never written.
    if (a.Errors.size() > size_t(kept)) a.Errors.resize(size_t(kept));
    a.Errors.insert(a.Errors.end(), b.Errors.begin(), b.Errors.end());
    a.X.resize(size_t(kept));
    a.X.insert(a.X.end(), b.X.begin(), b.X.end());
    for (size_t k = 0; k < a.Columns.size(); ++k) {
        std::vector<double>& values = a.Columns[k].Values;
        if (values.size() > size_t(kept)) values.resize(size_t(kept));
        values.insert(values.end(), b.Columns[k].Values.begin(), b.Columns[k].Values.end());
    }
    if (rows.ProtocolFrom >= 0) {
        if (first.ProtocolFrom < 0) first.ProtocolFrom = rows.ProtocolFrom;
        a.EventProtocol.insert(a.EventProtocol.end(), std::make_move_iterator(b.EventProtocol.begin()),
                               std::make_move_iterator(b.EventProtocol.end()));
    }
    if (rows.OtherMemos) {
        first.OtherMemos = true;
        a.Memo = std::move(b.Memo);
        a.Info = std::move(b.Info);
        a.ProgrammerProtocol = std::move(b.ProgrammerProtocol);
    }
    first.Ticks = rows.Ticks;
    return true;
}

TGrowResult TDataFileSaveQueue::Append(TGrowingFileState& file, Job& job, std::string& error)
{
    TGrowingRows& rows = job.rows;
    TRecordedData& data = rows.Data;
    // Rows missing in between, rows too far back to find, other texts in the head, or a file
    // someone moved, deleted or replaced: only a whole write gives the file a save writes.
    if (!file.File.IsNamed()) return TGrowResult::Gone;
    const int kept = int(file.RowStarts.size());
    if (rows.FirstRow > file.Rows || rows.FirstRow < file.Rows - kept || !SameHead(file.Texts, data))
        return TGrowResult::Rewrite;
    if (rows.ProtocolFrom >= 0) {
        std::vector<AnsiString>& protocol = file.Texts.EventProtocol;
        const size_t from = size_t(rows.ProtocolFrom);
        if (from > protocol.size()) return TGrowResult::Rewrite;
        if (from < protocol.size()) {
            // Lines replaced: what was encoded of them goes, and a line that did not fit
            // Windows-1252 may be among them.
            protocol.resize(from);
            file.TextsRecheck = true;
        } else if (!file.TextsNeedUtf8) {
            file.TextsNeedUtf8 = LabelsNeedUtf8(data.EventProtocol);
        }
        if (file.ProtocolLines > protocol.size()) {
            file.Protocol.Assign(std::string(RecordedDataProtocolMarker()));
            file.ProtocolLines = 0;
        }
        protocol.insert(protocol.end(), data.EventProtocol.begin(), data.EventProtocol.end());
        file.SectionsStale = true;
    }
    if (rows.OtherMemos) {
        file.Texts.Memo = std::move(data.Memo);
        file.Texts.Info = std::move(data.Info);
        file.Texts.ProgrammerProtocol = std::move(data.ProgrammerProtocol);
        file.SectionsStale = true;
        file.AfterProtocolStale = true;
        file.TextsRecheck = true;
    }
    if (file.TextsRecheck) {
        file.TextsNeedUtf8 = RecordedDataNeedsUtf8(file.Texts);
        file.TextsRecheck = false;
    }
    // The rows kept as they are and the new ones decide, as they decide a whole save's.
    const int again = file.Rows - rows.FirstRow;
    const auto stays = file.KeptRowsNeedUtf8.begin() + std::ptrdiff_t(file.KeptRowsNeedUtf8.size() - size_t(again));
    const bool rowsNeedUtf8 = file.EarlierRowsNeedUtf8 ||
                              std::find(file.KeptRowsNeedUtf8.begin(), stays, true) != stays ||
                              LabelsNeedUtf8(data.Errors);
    if ((rowsNeedUtf8 || file.TextsNeedUtf8) != file.Utf8) return TGrowResult::Rewrite;

    const bool anything = !data.X.empty() || rows.ProtocolFrom >= 0 || rows.OtherMemos;
    if (anything) {
        // The rows written again (their labels changed) replace everything from the first
        // of them on, on the disk or among what is kept.
        const std::uint64_t offset = again > 0 ? file.RowStarts[size_t(kept - again)] : file.RowsEnd;
        file.RowStarts.resize(size_t(kept - again));
        file.KeptRowsNeedUtf8.resize(size_t(kept - again));
        if (offset < file.KeptFrom) {
            file.Kept.clear();
            file.KeptFrom = offset;
        } else {
            file.Kept.resize(size_t(offset - file.KeptFrom));
        }
        std::vector<size_t> starts;
        const size_t keptBefore = file.Kept.size();
        AppendRecordedDataRows(file.Kept, data, file.Utf8, &starts);
        for (size_t start : starts) file.RowStarts.push_back(offset + (start - keptBefore));
        for (size_t row = 0; row < data.X.size(); ++row)
            file.KeptRowsNeedUtf8.push_back(row < data.Errors.size() && !platform::FitsCp1252(data.Errors[row]));
        while (file.RowStarts.size() > size_t(KeptRowStarts)) {
            file.RowStarts.pop_front();
            file.EarlierRowsNeedUtf8 = file.EarlierRowsNeedUtf8 || file.KeptRowsNeedUtf8.front();
            file.KeptRowsNeedUtf8.pop_front();
        }
        file.Rows = rows.FirstRow + int(data.X.size());
        file.RowsEnd = file.KeptFrom + file.Kept.size();
        file.Unwritten = true;
        if (file.DirtySince < 0) file.DirtySince = job.dirtyTicks;
    }
    // Written and synced before the oldest data kept would be a minute old at the next tick.
    if (file.DirtySince >= 0 && rows.Ticks - file.DirtySince + std::int64_t(data.TimeStep) * 1000 > WriteAfterMs) {
        if (!WriteKept(file, file.Path, error)) {
            if (!file.File.SideFileBlocked()) return TGrowResult::Failed;
            error = file.File.SideFilePath();
            return file.File.SideFileHoldsEarlierWrite() ? TGrowResult::EarlierWriteInTheWay
                                                         : TGrowResult::SideFileBlocked;
        }
        if (!file.File.SyncData(&error)) {
            error = file.Path + ": " + error;
            return TGrowResult::Failed;
        }
        file.DirtySince = -1;
        ++FSyncs;
    }
    if (file.File.FolderReplaced()) {
        const size_t slash = file.Path.rfind('/');
        error = slash == std::string::npos ? std::string(".") : file.Path.substr(0, std::max<size_t>(slash, 1));
        return TGrowResult::FolderReplaced;
    }
    return TGrowResult::Written;
}

bool TDataFileSaveQueue::WriteKept(TGrowingFileState& file, const std::string& path, std::string& error)
{
    if (!file.Unwritten) return true;
    if (file.SectionsStale) {
        AppendRecordedDataProtocolLines(file.Protocol.ToAppend(), file.Texts.EventProtocol, file.ProtocolLines,
                                        file.Utf8);
        file.ProtocolLines = file.Texts.EventProtocol.size();
        if (file.AfterProtocolStale)
            file.AfterProtocol.Assign(BuildRecordedDataSectionsAfterProtocol(file.Texts, file.Utf8));
        file.AfterProtocolStale = false;
        file.SectionsStale = false;
    }
    // The rows, then the sections, whose checksums were carried on as they grew.
    if (!file.File.WriteFrom(file.KeptFrom,
                             {{file.Kept, {}},
                              {file.Protocol.Bytes(), file.Protocol.Crc()},
                              {file.AfterProtocol.Bytes(), file.AfterProtocol.Crc()}},
                             &error)) {
        error = path + ": " + error;
        return false;
    }
    file.Kept.clear();
    file.KeptFrom = file.RowsEnd;
    file.Unwritten = false;
    return true;
}

std::string TDataFileSaveQueue::FreeNameFor(const std::string& path, TRecordingFolder* recording,
                                            const platform::THeldFolder* folder)
{
    std::string free;
    if (recording) {
        free = recording->FreeName(path);
    } else {
        std::lock_guard<std::mutex> lock(FMutex);
        free = FFreeNames[path];
    }
    // The name taken before goes on being written while it is still free or the user's own.
    if (free.empty() || !FreeNameStillOurs(free, folder)) free = platform::FreeNameBeside(path, folder);
    if (recording) {
        recording->SetFreeName(path, free);
    } else {
        std::lock_guard<std::mutex> lock(FMutex);
        FFreeNames[path] = free;
    }
    return free;
}

int TDataFileSaveQueue::WaitingJobs() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    int waiting = 0;
    for (const auto& [path, file] : FFiles) waiting += int(file.Jobs.size());
    return waiting;
}

std::int64_t TDataFileSaveQueue::RunningSince(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FMutex);
    const auto it = FFiles.find(path);
    return it == FFiles.end() || !it->second.Served ? -1 : it->second.ServedSince;
}

bool TDataFileSaveQueue::Idle() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FPending == 0;
}

bool TDataFileSaveQueue::WaitIdleWithWindow(int language)
{
    return WaitForSavesAtExit([this] { return Idle() && platform::BackgroundSavesIdle(); }, language);
}

void TDataFileSaveQueue::WaitIdle()
{
    platform::UiDispatcher::Instance().WaitRunning([this] { return Idle(); });
}
