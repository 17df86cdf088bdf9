#pragma once
// The recorded-data writer: writes a channel window's recording whole into its ".csv" file.
// It is the main window's FileSave1Execute; the main window and the channel window call
// these functions with the channel window of the channel.
//
// A save goes to a temporary file beside the target that replaces the old file only when
// it is complete, so a failed save leaves the last good file as it was and is reported.
#include <string>

#include "app/DataFileView.h"
#include "app/RecordedDataFile.h"

// Takes everything the file holds from the window, on the user-interface thread. It copies
// values only (no formatting), so it is quick even for a 12-hour recording; the result can
// be turned into bytes and written on another thread.
TRecordedData CaptureRecordedData(const IDataFileView& window, const AnsiString& fileName);

// The full name the channel's current part is written to (the window's data-file name with
// "_", channel and part number in front of ".csv").
AnsiString RecordedDataFileName(const IDataFileView& window, int channel);

// Outcome of writing bytes to a file, for the message the user gets.
enum class TDataFileWriteResult { Written, CannotCreate, WriteFailed };
// Writes the bytes atomically; `error` gets the system's reason on failure.
TDataFileWriteResult WriteRecordedDataBytes(const std::string& path, const std::string& bytes, std::string* error);

// Writes the file of `channel` (1..10) from `window` (nullptr: no channel window open:
// nothing happens). Shows text 149 when the channel is not connected or the file cannot be
// created and text 151 when writing fails, each with caption 150, and returns false then;
// true when the file was written completely.
bool FileSave1Execute(IDataFileView* window, int channel);

// The save button's and save menu item's write of a running recording: writes the file and,
// when `confirm` is set (the sender was the tool button or the menu item) and the write
// succeeded, shows text 352 with caption 200. Returns the writer's result.
bool SaveDataFileOnDemand(IDataFileView& window, int channel, bool confirm);
