#pragma once
// A channel window for the data-file code: 25 real chart series and plain members for the
// rest of what the window shows.
#include <map>
#include <memory>
#include <vector>

#include "app/DataFileView.h"
#include "chart/engine/TChartSeries.h"

class FakeDataFileView : public IDataFileView {
public:
    static constexpr const char* Names[22] = {"TIntern", "TExtern", "Sollwert", "HT",      "TC",       "T1",
                                              "T0",      "V",       "Heizung",  "F",       "I",        "TU",
                                              "TX0",     "TX1",     "AIF",      "AIF_Out", "AIF_Out2", "AIF_Out3",
                                              "Poko",    "ECS",     "Drehzahl", "Druck"};

    FakeDataFileView()
    {
        for (int i = 0; i < 25; ++i) {
            series.push_back(std::make_unique<TChartSeries>());
            series.back()->SetTitle(i < 22 ? AnsiString(Names[i]) +
                                                 " [\xC2\xB0"
                                                 "C]"
                                           : AnsiString(i == 22   ? "A"
                                                        : i == 23 ? "B"
                                                                  : "Programmgeber1"));
        }
    }

    // Marks the first `n` value series as recorded and appends `rows` points to each.
    void Record(int n, int rows, double x0 = 38751.25)
    {
        for (int i = 0; i < n; ++i) series[size_t(i)]->Tag = 1;
        for (int r = 0; r < rows; ++r)
            for (int i = 0; i < n; ++i) series[size_t(i)]->AddXY(x0 + r / 86400.0, 20 + i + r * 0.25);
    }

    int SeriesCount() const override { return int(series.size()); }
    TChartSeries* Series(int index) const override { return series[size_t(index)].get(); }
    AnsiString AxisValuesFormat(int index) const override
    {
        auto it = formats.find(index);
        return it == formats.end() ? AnsiString("#,##0.###") : it->second;
    }
    void SetChartTitleLines(const std::vector<AnsiString>& lines) override { title = lines; }
    void SetBottomAxisTitle(const AnsiString& caption) override { bottomTitle = caption; }
    void SetBottomAxisDateTimeFormat(const AnsiString& format) override { bottomFormat = format; }
    void SetBottomAxisIncrement(double increment) override { bottomIncrement = increment; }
    void SetBottomAxisRange(double minimum, double maximum) override
    {
        bottomMin = minimum;
        bottomMax = maximum;
    }
    std::vector<AnsiString> MemoLines(TDataFileMemo memo) const override
    {
        auto it = memos.find(memo);
        return it == memos.end() ? std::vector<AnsiString>() : it->second;
    }
    void SetMemoLines(TDataFileMemo memo, const std::vector<AnsiString>& lines) override { memos[memo] = lines; }
    void AddMemoLine(TDataFileMemo memo, const AnsiString& line) override { memos[memo].push_back(line); }
    void SetLineSeriesChoices(const std::vector<AnsiString>& titles) override { lineSeries = titles; }
    int ValueSeriesCount() const override { return valueSeriesCount; }
    void SetValueSeriesCount(int count) override { valueSeriesCount = count; }
    int SamplingInterval() const override { return interval; }
    void SetSamplingInterval(int seconds) override { interval = seconds; }
    AnsiString DataFileName() const override { return fileName; }
    int PartNumber() const override { return part; }
    AnsiString DeviceName() const override { return device; }
    bool Connected() const override { return connected; }
    bool ProgrammerMode() const override { return programmer; }
    bool LogFileChecked() const override { return logFile; }
    void SetImportedFile(bool value) override { imported = value; }
    void SetTimeAxisLabel(const AnsiString& text) override { timeAxisLabel = text; }
    void SetTimeWindowTexts(const AnsiString& minimum, const AnsiString& maximum) override
    {
        timeMin = minimum;
        timeMax = maximum;
    }
    void ShowGraphPage() override { graphPageShown = true; }
    void ShowLoadedDataPages(bool) override { pagesShown = true; }

    std::vector<std::unique_ptr<TChartSeries>> series;
    std::map<int, AnsiString> formats;
    std::vector<AnsiString> title;
    AnsiString bottomTitle, bottomFormat;
    double bottomIncrement = 0, bottomMin = -1, bottomMax = -1;
    std::map<TDataFileMemo, std::vector<AnsiString>> memos;
    std::vector<AnsiString> lineSeries;
    int valueSeriesCount = 22;
    int interval = 1;
    AnsiString fileName;
    int part = 1;
    AnsiString device;
    bool connected = true, programmer = false, logFile = false;
    bool imported = false;
    AnsiString timeAxisLabel, timeMin, timeMax;
    bool graphPageShown = false, pagesShown = false;
};
