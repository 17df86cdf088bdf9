#pragma once
// The recorded-data writer: writes a channel window's recording whole into its ".csv" file.
// It is the main window's FileSave1Execute; the main window and the channel window call
// these functions with the channel window of the channel.
//
// A save goes to a temporary file beside the target that replaces the old file only when
// it is complete, so a failed save leaves the last good file as it was and is reported.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/DataFileView.h"
#include "app/RecordedDataFile.h"
#include "platform/FileSave.h"

class TChartSeries;

// Takes everything the file holds from the window, on the user-interface thread. It copies
// values only (no formatting), so it is quick even for a 12-hour recording; the result can
// be turned into bytes and written on another thread.
TRecordedData CaptureRecordedData(const IRecordedDataSource& window, const AnsiString& fileName);
// The same without the memos, and only the rows from `firstRow` on.
TRecordedData CaptureRecordedRows(const IRecordedDataSource& window, const AnsiString& fileName, int firstRow);
// The memos besides the event protocol (memo, information, programmer protocol) into `data`.
void CaptureOtherMemos(const IRecordedDataSource& window, TRecordedData& data);

// The value format a series' values are written in: that of its vertical axis (the chart
// library's "#,##0.###" unless the user changed it), for the window's AxisValuesFormat.
AnsiString SeriesAxisValuesFormat(const TChartSeries& series);

// The full name the channel's current part is written to (the window's data-file name with
// "_", channel and part number in front of ".csv").
AnsiString RecordedDataFileName(const IRecordedDataSource& window, int channel);

// Outcome of writing bytes to a file, for the message the user gets.
enum class TDataFileWriteResult { Written, CannotCreate, WriteFailed };
// Writes the bytes atomically; `error` gets the system's reason on failure. With `folder`,
// the file goes into that folder (held open), whatever is at its path now.
TDataFileWriteResult WriteRecordedDataBytes(const std::string& path, const std::string& bytes, std::string* error,
                                            const platform::THeldFolder* folder = nullptr);

// Where one recording's files go. The folder its first file was made in is held open: its
// parts, saves and end go on in that folder when the folder at its path is renamed or
// replaced while it runs (another user who may write the folder above could put a link
// there), as the minute's writes of its running file do. A folder that was removed is
// looked up by its path again. A part saved under a free name, as another user holds its
// own, keeps that name to its end. The channel keeps one for each recording; the save
// queue's workers fill it in.
class TRecordingFolder {
public:
    // The folder a file of the recording at `path` goes into: the held one while the path
    // names a file in it, else the folder at the path now, held from then on. nullptr, with
    // the reason in `error`, when that cannot be opened.
    std::shared_ptr<const platform::THeldFolder> FolderFor(const std::string& path, std::string* error);
    // The free name the part of `path` was saved under (empty: none).
    std::string FreeName(const std::string& path) const;
    void SetFreeName(const std::string& path, const std::string& free);

private:
    mutable std::mutex FMutex;
    std::shared_ptr<const platform::THeldFolder> FFolder;
    std::map<std::string, std::string> FFreeNames;
};

// Writes the file of `channel` (1..10) from `window` (nullptr: no channel window open:
// nothing happens). Shows text 149 when the channel is not connected or the file cannot be
// created and text 151 when writing fails, each with caption 150, and returns false then;
// true when the file was written completely.
bool FileSave1Execute(IRecordedDataSource* window, int channel);

// The save button's and save menu item's write of a running recording: writes the file and,
// when `confirm` is set (the sender was the tool button or the menu item) and the write
// succeeded, shows text 352 with caption 200. Returns the writer's result.
bool SaveDataFileOnDemand(IRecordedDataSource& window, int channel, bool confirm);

// How a part's file goes on after a save: the part is over and the file is written no more
// (Final), or the recording goes on and appends its new rows to the file (Growing).
enum class TPartFileUse { Final, Growing };

// Rows a running recording took since its file was last written, for its growing file.
struct TGrowingRows {
    std::string Path;
    int FirstRow = 0;        // index in the part of the first row in Data (may go back a few rows)
    std::int64_t Ticks = 0;  // platform clock milliseconds when the rows were taken
    // The rows from FirstRow on (X, Errors, Columns' values) with the head's texts (file
    // name, device name, time step, column titles and formats), which must be those the
    // file was written with. EventProtocol holds the protocol lines from ProtocolFrom on
    // (ProtocolFrom -1: no change); Memo, Info and ProgrammerProtocol count only when
    // OtherMemos is set.
    TRecordedData Data;
    int ProtocolFrom = -1;
    bool OtherMemos = false;
    // The caller hears Written as well (otherwise only what went wrong).
    bool ReportWritten = false;
};

enum class TGrowResult {
    Written,
    Rewrite,  // the file must be written whole again (its texts or encoding changed)
    Gone,     // the same, as its name no longer names it (deleted, moved or replaced)
    Failed,   // the file could not be written; the error says why
    // The file could not be written as its side file's name is held by what is not the
    // program's own (TGrowingFile::SideFileBlocked); the error is that name.
    SideFileBlocked,
    // The same, as the side file's name holds the unfinished write of an earlier file of the
    // name, which is never written over (TGrowingFile::SideFileHoldsEarlierWrite).
    EarlierWriteInTheWay,
    // Written, in the folder the file was made in, which is no longer the folder at its path
    // (TGrowingFile::FolderReplaced); the error is that folder's path. The file goes on
    // growing there.
    FolderReplaced,
};

// Saves that do not hold up the user-interface thread: the recording is taken from the
// window at once (about a millisecond for 12 hours), the file is formatted and written on
// a worker thread, the jobs of one file running strictly in the order given (so a later
// save of the same part always wins), and the result comes back to the user-interface
// thread, where the same messages as FileSave1Execute's are shown.
//
// Each file has a queue of its own, and a worker serves one file at a time: a file whose
// drive does not answer holds up its own later jobs only, while the other files go on being
// written by the other workers. Up to MaxWorkers threads are started as files wait, so the
// others keep going as long as fewer than that many files hang at once.
//
// Between saves a running recording's file grows by the rows taken since (Append), in the
// same queue. The rows and the sections behind them are not written with every tick: the
// sections follow the rows in the file, so each write rewrites them whole, and a tick that
// adds a protocol line would make the bytes written grow with the square of the part's
// length. Appended data are kept until the oldest of them would otherwise be more than
// WriteAfterMs old at the next tick, then written together and synced to the disk
// (fdatasync): about once a minute per file, so that a killed program or a power cut loses
// less than a minute, inside that write too (TGrowingFile keeps the new end beside the file
// until it is on the disk). Whenever it is written, the file on disk is the file a save of that
// moment would write, its prelude's time aside; between writes it is that of the last write.
// While a file's worker is held (a share that does not answer) its appends wait; one that
// follows another waiting append of the file is merged into it, so that what waits grows
// with the rows and not by a job per tick. Each append's `done` still hears the result.
class TDataFileSaveQueue {
public:
    static constexpr std::int64_t WriteAfterMs = 55000;
    // The starts of this many last rows are kept: rows whose labels change after they were
    // written can be written again.
    static constexpr int KeptRowStarts = 64;
    // One per channel: a recording writes one file at a time.
    static constexpr int MaxWorkers = 10;

    static TDataFileSaveQueue& Instance();
    TDataFileSaveQueue() = default;
    ~TDataFileSaveQueue();
    TDataFileSaveQueue(const TDataFileSaveQueue&) = delete;
    TDataFileSaveQueue& operator=(const TDataFileSaveQueue&) = delete;

    // As FileSave1Execute, but returns before the file is written; `done` runs on the
    // user-interface thread with the result (also at once when nothing is written). While
    // the box of a failed save is open, later failures are not shown in boxes of their own.
    // With `use` Growing the written file takes the rows that Append hands over next; a
    // `quiet` save shows no box when it fails (its caller reports the failure). An
    // exception of a callback is handed to `thrown` (see UiDispatcher::Post). `noted` gets,
    // before `done`, what the save did with side files of cut-off writes in the folder
    // (finished ones, and one of an earlier file under the name that was set aside), that it
    // saved under a free name, and that it saved in the recording's folder, which is no longer
    // at its path. With `recording`, the file goes where that recording's files go.
    void Save(IRecordedDataSource* window, int channel, std::function<void(bool)> done = {},
              TPartFileUse use = TPartFileUse::Final, bool quiet = false,
              std::function<void(const std::string& error)> failed = {},
              std::function<void(const std::string& what)> thrown = {},
              std::function<void(const std::vector<platform::TSideFileNote>&)> noted = {},
              std::shared_ptr<TRecordingFolder> recording = nullptr);
    // The recording of `window` saved whole (Final) under the name `path` the user chose for
    // it (its own, `was`, could not be written; the information lines naming it name `path`);
    // `done` as for Save, `failed` hears why it failed.
    void SaveAs(IRecordedDataSource* window, const std::string& path, const std::string& was,
                std::function<void(bool)> done, std::function<void(const std::string& error)> failed = {});
    // Appends rows to a file a Growing save wrote (see above for when they are written).
    // `done` runs on the user-interface thread only when the result is not Written.
    void Append(TGrowingRows rows, std::function<void(TGrowResult, const std::string& error)> done,
                std::function<void(const std::string& what)> thrown = {});
    // The file of `path` grows no more (its recording closed); what was appended and not
    // yet written is written first.
    void EndGrowing(const std::string& path);
    // User-interface thread: waits until every queued save has finished and its result was
    // handled (the program calls it before it ends).
    void WaitIdle();
    // The same at the program's end, with the event loop running: when the saves do not
    // finish within a second (a drive that does not answer), the wait window names the
    // wait and lets the user keep waiting or end without them (false). The window speaks
    // `language`, the main window's language at its end.
    bool WaitIdleWithWindow(int language);
    bool Idle() const;
    // Jobs waiting for a worker, over all files (those running not counted).
    int WaitingJobs() const;
    // The clock's ticks when a worker took the job it runs now for the file of `path`; -1 while
    // none runs. A write on a drive that stopped answering keeps its start.
    std::int64_t RunningSince(const std::string& path) const;
    // How many times appended data were synced to the disk.
    std::int64_t SyncCount() const { return FSyncs.load(); }
    // How many workers were started so far.
    std::int64_t WorkersStarted() const { return FStarted.load(); }
    // Workers running now (busy or idle). One waits for work, and one for each other file
    // that grows or waits; the others end once they find none (those started while a drive
    // did not answer, or when many files came at once, are not kept for the rest of a long
    // run, nor those of recordings that ended).
    int Workers() const;

private:
    enum class TJobKind { Save, Append, End };
    struct TGrownCallback {
        std::function<void(TGrowResult, const std::string&)> done;
        std::function<void(const std::string&)> thrown;
    };
    struct Job {
        TJobKind kind = TJobKind::Save;
        std::string path;
        // A save's recording is rows.Data; an append's rows are those of every append merged
        // into it, rows.Ticks the last one's.
        TGrowingRows rows;
        std::function<void(bool)> done;
        std::function<void(const std::string&)> failed;
        std::function<void(const std::vector<platform::TSideFileNote>&)> noted;
        std::shared_ptr<TRecordingFolder> recording;
        TPartFileUse use = TPartFileUse::Final;
        bool quiet = false;
        std::function<void(const std::string&)> thrown;
        // Append: one for each append merged into the job, told its result in turn.
        std::vector<TGrownCallback> grown;
        // Append: the ticks of the first merged append that brought anything (the age of the
        // data).
        std::int64_t dirtyTicks = 0;
        bool reportWritten = false;  // Append: a merged append asked to hear Written
    };
    // A file that grows: what it holds, touched only by the worker that serves the file.
    struct TGrowingFileState;
    // The jobs of one file, waiting in the order they came.
    struct TFileJobs {
        std::deque<Job> Jobs;
        bool Served = false;            // a worker runs one of its jobs
        std::int64_t ServedSince = -1;  // the clock's ticks when it took that job
        std::unique_ptr<TGrowingFileState> Growing;
    };

    void Run();
    void RunSave(Job& job, std::unique_ptr<TGrowingFileState>& growing);
    // The appends done that no one hears of (their count), or 0 when their results were posted.
    int RunAppend(Job& job, std::unique_ptr<TGrowingFileState>& growing);
    TGrowResult Append(TGrowingFileState& file, Job& job, std::string& error);
    // Merges an append into the append that waits last for its file, when writing them as
    // one gives the file and the results writing them one by one gives; false (nothing
    // changed) when it may not.
    static bool MergeAppend(Job& into, TGrowingRows& rows);
    // The free name beside `path` its saves go to while another user holds `path`: the one
    // taken before as long as it is still free or the user's own file.
    std::string FreeNameFor(const std::string& path, TRecordingFolder* recording, const platform::THeldFolder* folder);
    // Writes what Append kept; false with the reason in `error` when that fails.
    bool WriteKept(TGrowingFileState& file, const std::string& path, std::string& error);
    void Queue(Job job);
    // With FMutex held: wakes a worker for the files that wait (`takenBySelf` of them go to
    // the calling worker), starting one when too few are free.
    void WakeWorker(int takenBySelf);
    // Runs onUiThread on the user-interface thread and then counts the job as done, even
    // when onUiThread throws.
    void Finished(std::function<void()> onUiThread, std::function<void(const std::string&)> thrown = {});

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    // Guarded by FMutex, except an entry's Growing (its serving worker's); an entry stays
    // while it has jobs, is served or grows.
    std::map<std::string, TFileJobs> FFiles;
    std::deque<std::string> FReady;                 // files with jobs that no worker serves, in turn
    std::map<std::string, std::string> FFreeNames;  // guarded by FMutex; see FreeNameFor
    int FPending = 0;  // queued, running, or waiting for its result on the user-interface thread
    int FIdleWorkers = 0;
    bool FStop = false;
    bool FFailureShown = false;  // user-interface thread: a failed save's box is open
    std::atomic<std::int64_t> FSyncs{0};
    std::atomic<std::int64_t> FStarted{0};
    std::vector<std::thread> FWorkers;
    // Workers that ended and are still to be joined (guarded by FMutex).
    std::vector<std::thread::id> FEnded;
    // With FMutex held: joins the workers that ended.
    void JoinEnded();
    // With FMutex held, by a worker that waits: whether it may end (see Run).
    bool SpareWorker() const;
};
