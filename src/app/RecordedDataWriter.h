#pragma once
// The recorded-data writer: writes a channel window's recording whole into its ".csv" file.
// It is the main window's FileSave1Execute; the main window and the channel window call
// these functions with the channel window of the channel.
//
// A save goes to a temporary file beside the target that replaces the old file only when
// it is complete, so a failed save leaves the last good file as it was and is reported.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/DataFileView.h"
#include "app/RecordedDataFile.h"

class TChartSeries;

// Takes everything the file holds from the window, on the user-interface thread. It copies
// values only (no formatting), so it is quick even for a 12-hour recording; the result can
// be turned into bytes and written on another thread.
TRecordedData CaptureRecordedData(const IRecordedDataSource& window, const AnsiString& fileName);

// The value format a series' values are written in: that of its vertical axis (the chart
// library's "#,##0.###" unless the user changed it), for the window's AxisValuesFormat.
AnsiString SeriesAxisValuesFormat(const TChartSeries& series);

// The full name the channel's current part is written to (the window's data-file name with
// "_", channel and part number in front of ".csv").
AnsiString RecordedDataFileName(const IRecordedDataSource& window, int channel);

// Outcome of writing bytes to a file, for the message the user gets.
enum class TDataFileWriteResult { Written, CannotCreate, WriteFailed };
// Writes the bytes atomically; `error` gets the system's reason on failure.
TDataFileWriteResult WriteRecordedDataBytes(const std::string& path, const std::string& bytes, std::string* error);

// Writes the file of `channel` (1..10) from `window` (nullptr: no channel window open:
// nothing happens). Shows text 149 when the channel is not connected or the file cannot be
// created and text 151 when writing fails, each with caption 150, and returns false then;
// true when the file was written completely.
bool FileSave1Execute(IRecordedDataSource* window, int channel);

// The save button's and save menu item's write of a running recording: writes the file and,
// when `confirm` is set (the sender was the tool button or the menu item) and the write
// succeeded, shows text 352 with caption 200. Returns the writer's result.
bool SaveDataFileOnDemand(IRecordedDataSource& window, int channel, bool confirm);

// Saves that do not hold up the user-interface thread: the recording is taken from the
// window at once (about a millisecond for 12 hours), the file is formatted and written on
// one worker thread, saves running strictly in the order given (so a later save of the same
// part always wins), and the result comes back to the user-interface thread, where the
// same messages as FileSave1Execute's are shown.
class TDataFileSaveQueue {
public:
    static TDataFileSaveQueue& Instance();
    TDataFileSaveQueue() = default;
    ~TDataFileSaveQueue();
    TDataFileSaveQueue(const TDataFileSaveQueue&) = delete;
    TDataFileSaveQueue& operator=(const TDataFileSaveQueue&) = delete;

    // As FileSave1Execute, but returns before the file is written; `done` runs on the
    // user-interface thread with the result (also at once when nothing is written). While
    // the box of a failed save is open, later failures are not shown in boxes of their own.
    void Save(IRecordedDataSource* window, int channel, std::function<void(bool)> done = {});
    // User-interface thread: waits until every queued save has finished and its result was
    // handled (the program calls it before it ends).
    void WaitIdle();
    bool Idle() const;

private:
    struct Job {
        std::string path;
        TRecordedData data;
        std::function<void(bool)> done;
    };
    void Run();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::deque<Job> FJobs;
    int FPending = 0;  // queued, running, or waiting for its result on the user-interface thread
    bool FStop = false;
    bool FFailureShown = false;  // user-interface thread: a failed save's box is open
    std::thread FThread;
};
