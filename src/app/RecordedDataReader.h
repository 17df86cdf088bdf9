#pragma once
// The recorded-data reader: loads a ".csv" file back into a view channel window. These are
// the main window's OpenDataFile, ReadDataHeader and section readers; its open command
// (actFileOpenExecute) calls them for the active view window.
//
// Loading is split so that nothing slow runs on the user-interface thread: the file is read
// and parsed by ReadRecordedDataFile (RecordedDataFile.h), which may run on a worker
// thread, and TRecordedDataFill then fills the window's series in short steps.
#include <memory>
#include <string>
#include <vector>

#include "app/DataFileView.h"
#include "app/RecordedDataFile.h"

class TfrmFileReader;
class TQzvFile;
struct TQzvRows;

// The loaded file's name as the chart title shows it: the last path component in upper case.
AnsiString LoadedFileName(const AnsiString& path);

// Prepares the window's series for the file's columns (titles, activity, legend, the
// series chooser) and returns the number of series columns.
int ReadDataHeader(IDataFileView& window, const TRecordedDataRead& data);
// Adds the rows to the series; returns the number of points added.
int ReadDataRows(IDataFileView& window, const TRecordedDataRead& data);
// The three sections into memSerialData, memMemo and memInfo; the information section also
// rebuilds the chart title from the file name, storage date and serial numbers.
void ReadProtocolSection(IDataFileView& window, const TRecordedDataRead& data);
void ReadMemoSection(IDataFileView& window, const TRecordedDataRead& data);
void ReadInfoSection(IDataFileView& window, const TRecordedDataRead& data, const AnsiString& loadedFileName);

// Why a file was refused as a whole, in the current language: `detail` (the file's name,
// or the system's reason naming it) and what it means. A measurement file (recordedData
// false) is told its own size limit.
AnsiString FileRefusalText(TDataFileProblemKind kind, const AnsiString& detail, bool recordedData);
// The message for a file that could not be loaded or was damaged: text 152 or 153 and one
// line per problem, in the current language. Empty when there is nothing to report.
AnsiString DataFileProblemsText(const TRecordedDataRead& data);

// Fills the view window from a parsed file (user-interface thread): series, interval, time
// axis, memos, chart title, the time window texts and the protocol line with the number of
// rows read. A file that could not be loaded shows its message with caption 150 and leaves
// the window as it was; a damaged one is loaded as far as it is readable and the damage is
// shown. Returns whether data were loaded.
bool ApplyRecordedData(IDataFileView& window, const TRecordedDataRead& data, const AnsiString& path);
// The same, the values taken over from `data` rather than copied where they can be.
bool ApplyRecordedData(IDataFileView& window, TRecordedDataRead&& data, const AnsiString& path);

// ApplyRecordedData in steps, so that a large file never holds the user-interface thread
// for long: Begin prepares the window (false, with the message shown, when nothing can be
// loaded), each Step adds about maxPoints points (false once all are in), Finish takes the
// sections, the time axis and the messages. The window must outlive the fill. Given data
// of its own, the fill takes the value columns over where nothing is missing in them (the
// series then get theirs whole, one after the other); it copies them otherwise, row by row.
class TRecordedDataFill {
public:
    TRecordedDataFill(IDataFileView& window, std::shared_ptr<const TRecordedDataRead> data, const AnsiString& path);
    TRecordedDataFill(IDataFileView& window, std::shared_ptr<TRecordedDataRead> data, const AnsiString& path);
    bool Begin();
    bool Step(int maxPoints);
    void Finish();
    int RowsAdded() const { return int(FNextRow); }

private:
    IDataFileView& FWindow;
    std::shared_ptr<const TRecordedDataRead> FData;
    std::shared_ptr<TRecordedDataRead> FOwned;  // the same data when the fill may take its values
    std::vector<std::pair<int, AnsiString>> FRowLabels;
    size_t FNextColumn = 0;
    AnsiString FPath;
    std::vector<AnsiString> FLabels;
    std::vector<size_t> FLabelled;
    size_t FNextRow = 0;
    int FPoints = 0;
};

// The open command's file step: a ".csv" name is read and loaded into the window (true when
// loaded); a ".qzv" name is handed to the import window `importer` (which shows and loads
// it itself; false is returned, as no recorded-data file was opened); other names do
// nothing. Reads on the calling thread: for large files the main window runs
// ReadRecordedDataFile on a worker and calls ApplyRecordedData itself.
bool OpenDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer);
// The open command's step for a ".qzv" file read beforehand (on a worker): the window shows an
// imported file, which the import window `importer` loads into it. `file` is nullptr when
// the file could not be read, `error` then saying why.
void ImportDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer, TQzvFile* file,
                    const std::string& error);
// The same in steps, with the rows parsed beforehand (`rows`, nullptr: parsed here): true
// when the import window has rows to add (TfrmFileReader::AddRows, then EndImport).
bool BeginImportDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer, TQzvFile* file,
                         const std::string& error, TQzvRows* rows);
