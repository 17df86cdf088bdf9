#pragma once
// What the recorded-data writer, the recorded-data reader and the measurement import need of
// a channel window. The writer needs only the recording (IRecordedDataSource), which the
// channel's session holds; the reader and the import also set the window up for a loaded
// file (IDataFileView). The file code never sees widgets, so it can be tested with a small
// fake holding real chart series.
#include <vector>

#include "platform/AnsiString.h"

class TChartSeries;

// The four memos of a channel window.
enum class TDataFileMemo {
    SerialData,  // memSerialData: the event protocol
    Protocol,    // memProtocol: the programmer protocol
    Memo,        // memMemo: the memo page
    Info,        // memInfo: the information page
};

// The recording as the writer takes it.
class IRecordedDataSource {
public:
    virtual ~IRecordedDataSource() = default;

    // Number of chart series (25: the 22 value series, A, B and the programmer series).
    virtual int SeriesCount() const = 0;
    // Chart series by index 0 .. SeriesCount()-1.
    virtual TChartSeries* Series(int index) const = 0;
    // The value format of the vertical axis that series `index` is drawn on (the chart
    // library's default is "#,##0.###"). Values are written to the file in it.
    virtual AnsiString AxisValuesFormat(int index) const = 0;
    virtual std::vector<AnsiString> MemoLines(TDataFileMemo memo) const = 0;
    virtual int ValueSeriesCount() const = 0;  // normally 22
    virtual int SamplingInterval() const = 0;  // seconds, 1 .. 60
    // Base name plus ".csv", set by the caller before a save.
    virtual AnsiString DataFileName() const = 0;
    virtual int PartNumber() const = 0;
    virtual AnsiString DeviceName() const = 0;
    virtual bool Connected() const = 0;
    virtual bool ProgrammerMode() const = 0;
    virtual bool LogFileChecked() const = 0;  // chkLogFile
};

class IDataFileView : public IRecordedDataSource {
public:
    // ---- the chart graDataGraph
    virtual void SetChartTitleLines(const std::vector<AnsiString>& lines) = 0;
    virtual void SetBottomAxisTitle(const AnsiString& caption) = 0;
    virtual void SetBottomAxisDateTimeFormat(const AnsiString& format) = 0;
    virtual void SetBottomAxisIncrement(double increment) = 0;
    // Sets the bottom axis range; the window tries maximum first and, when the axis
    // refuses that order, minimum first.
    virtual void SetBottomAxisRange(double minimum, double maximum) = 0;

    // ---- memos
    virtual void SetMemoLines(TDataFileMemo memo, const std::vector<AnsiString>& lines) = 0;
    virtual void AddMemoLine(TDataFileMemo memo, const AnsiString& line) = 0;

    // ---- line settings page: cmbLineSeries is refilled with `titles`, its first entry
    // selected; edLineName shows series 0's title and clbLineColor the selected series'
    // colour.
    virtual void SetLineSeriesChoices(const std::vector<AnsiString>& titles) = 0;

    // ---- recording state
    virtual void SetValueSeriesCount(int count) = 0;
    virtual void SetSamplingInterval(int seconds) = 0;

    // ---- view set-up after a load
    virtual void SetImportedFile(bool imported) = 0;
    virtual void SetTimeAxisLabel(const AnsiString& text) = 0;  // edTimeAxisLabel
    // edTimeMin and edTimeMax.
    virtual void SetTimeWindowTexts(const AnsiString& minimum, const AnsiString& maximum) = 0;
    // Makes tabDataGraph the active page of tabDataControl.
    virtual void ShowGraphPage() = 0;
    // Shows tabDataOptions, tabDataInfo and tabDataStatus; after a recorded-data file also
    // shows series 2's marks when chkLabel is ticked, in light yellow.
    virtual void ShowLoadedDataPages(bool recordedDataFile) = 0;
};
