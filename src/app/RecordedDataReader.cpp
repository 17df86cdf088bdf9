#include "app/RecordedDataReader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/CLanguage.h"
#include "app/classFileReader.h"
#include "chart/engine/TChartSeries.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/FileSave.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

// Details of the damage, which the text table has no rows for, in the table's current
// language (told apart by one of its rows, as the table keeps its language to itself).
AnsiString Pick(const char* german, const char* english)
{
    AnsiString current, inGerman;
    CLanguage::Instance()->LookupCurrentText(RowErrorCaption, current);
    CLanguage::Instance()->LookupText(CLanguage::German, RowErrorCaption, inGerman);
    return current == inGerman ? AnsiString(german) : AnsiString(english);
}

AnsiString RowLabel(const AnsiString& field)
{
    if (field == "0") return {};
    if (field == "1") return CurrentText(RowMarkError);
    if (field == "2") return CurrentText(RowMarkNewRecording);
    if (field == "3") return CurrentText(RowNewSegment);
    return field;
}

bool ContainsNoCase(const AnsiString& s, std::string_view sub)
{
    return LowerCase(s).find(sub) != AnsiString::npos;
}

}  // namespace

AnsiString LoadedFileName(const AnsiString& path)
{
    size_t slash = path.find_last_of("/\\");
    return UpperCase(slash == AnsiString::npos ? path : path.substr(slash + 1));
}

int ReadDataHeader(IDataFileView& window, const TRecordedDataRead& data)
{
    const int count = window.SeriesCount();
    for (int k = 0; k < DataFileValueSeries && k < count; ++k)
        if (TChartSeries* s = window.Series(k)) s->SetTitle(data.SeriesTitles[size_t(k)]);
    for (int k = 0; k < DataFileMaxSeriesColumns && k < count; ++k) {
        TChartSeries* s = window.Series(k);
        if (!s) continue;
        s->Clear();
        s->SetActive(false);
        s->SetShowInLegend(false);
    }
    std::vector<AnsiString> choices;
    const int columns = std::min(data.SeriesColumns, count);
    for (int i = 0; i < columns; ++i) {
        TChartSeries* s = window.Series(i);
        if (!s) continue;
        choices.push_back(s->GetTitle());
        s->XValues()->SetDateTime(true);
        s->SetActive(i <= 2 || i >= 22);
        s->SetShowInLegend(true);
    }
    window.SetLineSeriesChoices(choices);
    return data.SeriesColumns;
}

namespace {

// The labels of the rows as the window shows them, and the rows that have one.
void RowLabels(const TRecordedDataRead& data, std::vector<AnsiString>& labels, std::vector<size_t>& labelled)
{
    labels.clear();
    labelled.clear();
    labels.reserve(data.Labels.size());
    auto literal = data.LiteralLabels.begin();
    for (size_t row = 0; row < data.Labels.size(); ++row) {
        const bool asItStands = literal != data.LiteralLabels.end() && *literal == row;
        if (asItStands) ++literal;
        labels.push_back(asItStands ? data.Labels[row] : RowLabel(data.Labels[row]));
    }
    for (size_t row = 0; row < labels.size(); ++row)
        if (!labels[row].empty()) labelled.push_back(row);
}

// Adds rows [from, to) to the series; returns the number of points added.
int AddDataRows(IDataFileView& window, const TRecordedDataRead& data, const std::vector<AnsiString>& labels,
                const std::vector<size_t>& labelled, size_t from, size_t to)
{
    const int columns = std::min(data.SeriesColumns, window.SeriesCount());
    int points = 0;
    for (int c = 0; c < columns; ++c) {
        TChartSeries* s = window.Series(c);
        if (!s) continue;
        const std::vector<double>& ys = data.Y[size_t(c)];
        const size_t last = std::min(to, ys.size());
        TSeriesUpdateGuard guard(*s);
        if (from == 0) {
            s->XValues()->Reserve(s->Count() + int(ys.size()));
            s->YValues()->Reserve(s->Count() + int(ys.size()));
        }
        // In the series' own colour: no colour of its own per point. The rows between a
        // labelled one and a value missing in a damaged row go in one run.
        size_t row = from;
        auto nextLabelled = std::lower_bound(labelled.begin(), labelled.end(), row);
        while (row < last) {
            while (nextLabelled != labelled.end() && *nextLabelled < row) ++nextLabelled;
            const size_t stop = std::min(last, nextLabelled == labelled.end() ? last : *nextLabelled);
            const size_t end =
                data.EveryValuePresent
                    ? stop
                    : size_t(std::find_if(ys.begin() + std::ptrdiff_t(row), ys.begin() + std::ptrdiff_t(stop),
                                          [](double v) { return std::isnan(v); }) -
                             ys.begin());
            if (end > row) s->AddXYs(data.X.data() + row, ys.data() + row, int(end - row));
            points += int(end - row);
            row = end;
            if (row == last) break;
            if (!std::isnan(ys[row])) {  // a labelled row
                s->AddXY(data.X[row], ys[row], labels[row]);
                ++points;
            }  // else a value missing in a damaged row
            ++row;
        }
    }
    return points;
}

void TakeTimeStep(IDataFileView& window, const TRecordedDataRead& data)
{
    if (data.HasTimeStep) {
        window.SetSamplingInterval(data.LastTimeStep);
        window.SetBottomAxisIncrement(data.LastTimeStep / SecsPerDay);
    }
}

}  // namespace

int ReadDataRows(IDataFileView& window, const TRecordedDataRead& data)
{
    std::vector<AnsiString> labels;
    std::vector<size_t> labelled;
    RowLabels(data, labels, labelled);
    const int points = AddDataRows(window, data, labels, labelled, 0, data.X.size());
    TakeTimeStep(window, data);
    return points;
}

void ReadProtocolSection(IDataFileView& window, const TRecordedDataRead& data)
{
    window.SetMemoLines(TDataFileMemo::SerialData, data.EventProtocol);
}

void ReadMemoSection(IDataFileView& window, const TRecordedDataRead& data)
{
    window.SetMemoLines(TDataFileMemo::Memo, data.Memo);
}

void ReadInfoSection(IDataFileView& window, const TRecordedDataRead& data, const AnsiString& loadedFileName)
{
    window.SetMemoLines(TDataFileMemo::Info, data.Info);
    std::vector<AnsiString> title;
    title.push_back(CurrentText(RowCurrentFileName) + loadedFileName);
    title.push_back(CurrentText(RowDateOfStorage) + data.StorageDate);
    for (size_t i = 1; i < data.Info.size(); ++i) {
        const AnsiString& l = data.Info[i];
        if (l.rfind("Serien", 0) == 0 || l.rfind("Serial", 0) == 0)
            title.push_back(CurrentText(RowSerialNumberLabel) +
                            (i + 1 < data.Info.size() ? data.Info[i + 1] : AnsiString()));
    }
    window.SetChartTitleLines(title);
}

AnsiString FileRefusalText(TDataFileProblemKind kind, const AnsiString& detail, bool recordedData)
{
    switch (kind) {
        case TDataFileProblemKind::CannotOpen: return detail;
        case TDataFileProblemKind::NotRegularFile:
            return detail + "\n" +
                   Pick("Das ist keine Datei, sondern ein Ger\xC3\xA4t, eine Pipe oder ein Ordner.",
                        "This is no file but a device, a pipe or a folder.");
        case TDataFileProblemKind::TooLarge:
            if (!recordedData) return detail + "\n" + CurrentText(RowMeasurementFileTooLarge);
            return detail + "\n" +
                   Pick(
                       "Die Datei ist gr\xC3\xB6\xC3\x9F"
                       "er als 100 MB, mehr als eine Aufzeichnung schreibt "
                       "(ein Teil von 24 Stunden bei 1 s hat etwa 20 MB).",
                       "The file is larger than 100 MB, more than a recording writes (a part of 24 hours at "
                       "1 s takes about 20 MB).");
        case TDataFileProblemKind::TooManyLines: return detail + "\n" + CurrentText(RowReadTooManyLines);
        case TDataFileProblemKind::OutOfMemory: return detail + "\n" + CurrentText(RowReadOutOfMemory);
        default: return detail;
    }
}

namespace {

// A text with "$" where a file's name goes.
AnsiString TextWithName(AnsiString text, const AnsiString& name)
{
    if (const auto dollar = text.find('$'); dollar != AnsiString::npos) text.replace(dollar, 1, name);
    return text;
}

}  // namespace

AnsiString DataFileProblemsText(const TRecordedDataRead& data)
{
    if (data.Problems.empty()) return {};
    AnsiString text = CurrentText(data.Loaded ? RowFaultyData : RowCannotOpenFile);
    for (const TDataFileProblem& p : data.Problems) {
        text += "\n";
        switch (p.Kind) {
            case TDataFileProblemKind::CannotOpen:
            case TDataFileProblemKind::NotRegularFile:
            case TDataFileProblemKind::TooLarge:
            case TDataFileProblemKind::TooManyLines:
            case TDataFileProblemKind::OutOfMemory: text += FileRefusalText(p.Kind, p.Detail, true); break;
            case TDataFileProblemKind::NotDataFile:
                if (!p.Detail.empty()) text += p.Detail + "\n";
                text += Pick("Die Datei ist keine Datendatei (erstes Zeichen nicht \xC2\xA7).",
                             "The file is not a data file (its first character is not \xC2\xA7).");
                break;
            case TDataFileProblemKind::BadRow:
                if (p.Line == 0)
                    text += Pick("Fehlerhafte Zeilen insgesamt: ", "Faulty rows in all: ") + p.Detail;
                else
                    text += Pick("Zeile ", "Line ") + IntToStr(p.Line) +
                            Pick(": fehlerhafte Werte", ": faulty values") +
                            (p.Detail.empty() ? AnsiString() : " (" + p.Detail + ")");
                break;
            case TDataFileProblemKind::BadTime:
                text += Pick("Zeile ", "Line ") + IntToStr(p.Line) +
                        Pick(": keine g\xC3\xBCltige Zeit (", ": not a valid time (") + p.Detail + ")";
                break;
            case TDataFileProblemKind::ExtraColumns:
                text += Pick("Die Datei hat ", "The file has ") + p.Detail +
                        Pick(" Wertespalten; nur 24 werden geladen.", " value columns; only 24 are loaded.");
                break;
            case TDataFileProblemKind::MissingSections:
                text += Pick("Die Datei ist unvollst\xC3\xA4ndig (Ende \"$;\" fehlt).",
                             "The file is incomplete (its end \"$;\" is missing).");
                break;
            case TDataFileProblemKind::CutShort:
                text += TextWithName(CurrentText(p.Line > 0 ? RowFileCutInSections : RowFileCutShort),
                                     p.Detail.empty() ? "*" + std::string(platform::PendingWriteSuffix) : p.Detail);
                break;
            case TDataFileProblemKind::PendingWriteWaits:
                text += TextWithName(CurrentText(RowPendingWriteWaits), p.Detail);
                break;
        }
    }
    return text;
}

TRecordedDataFill::TRecordedDataFill(IDataFileView& window, std::shared_ptr<const TRecordedDataRead> data,
                                     const AnsiString& path)
    : FWindow(window), FData(std::move(data)), FPath(path)
{}

TRecordedDataFill::TRecordedDataFill(IDataFileView& window, std::shared_ptr<TRecordedDataRead> data,
                                     const AnsiString& path)
    : FWindow(window), FData(data), FOwned(std::move(data)), FPath(path)
{}

bool TRecordedDataFill::Begin()
{
    const TRecordedDataRead& data = *FData;
    // A file that cannot be loaded changes nothing in the window.
    if (!data.Loaded) {
        platform::dialogs().MessageBox(DataFileProblemsText(data), CurrentText(RowErrorCaption), MB_OK);
        return false;
    }
    FWindow.SetImportedFile(false);
    FWindow.SetTimeAxisLabel(CurrentText(RowTimeInHhMmSs));
    FWindow.SetValueSeriesCount(ReadDataHeader(FWindow, data));
    FWindow.SetBottomAxisDateTimeFormat("hh:nn:ss");
    FWindow.SetBottomAxisTitle(CurrentText(RowTimeInHhMmSsAxis));
    RowLabels(data, FLabels, FLabelled);
    FRowLabels.clear();
    if (FOwned && data.EveryValuePresent)
        for (size_t row : FLabelled) FRowLabels.emplace_back(int(row), FLabels[row]);
    FNextRow = 0;
    FNextColumn = 0;
    FPoints = 0;
    return true;
}

bool TRecordedDataFill::Step(int maxPoints)
{
    const TRecordedDataRead& data = *FData;
    if (FOwned && data.EveryValuePresent) {
        // Whole series, each taking its column over: only the times are copied.
        const size_t columns = size_t(std::max(0, std::min(data.SeriesColumns, FWindow.SeriesCount())));
        for (long budget = std::max(1, maxPoints); FNextColumn < columns && budget > 0; ++FNextColumn) {
            std::vector<double>& ys = FOwned->Y[FNextColumn];
            budget -= long(ys.size());
            TChartSeries* s = FWindow.Series(int(FNextColumn));
            if (!s) continue;
            FPoints += int(ys.size());
            TSeriesUpdateGuard guard(*s);
            s->AddXYs(data.X.data(), std::move(ys), FRowLabels);
        }
        if (FNextColumn < columns) return true;
        FNextRow = data.X.size();
        return false;
    }
    const size_t rows = data.X.size();
    const size_t columns = size_t(std::max(1, std::min(data.SeriesColumns, FWindow.SeriesCount())));
    const size_t count = std::max<size_t>(1, size_t(std::max(1, maxPoints)) / columns);
    const size_t to = std::min(rows, FNextRow + count);
    if (FNextRow < to) FPoints += AddDataRows(FWindow, data, FLabels, FLabelled, FNextRow, to);
    FNextRow = to;
    return FNextRow < rows;
}

void TRecordedDataFill::Finish()
{
    const TRecordedDataRead& data = *FData;
    TakeTimeStep(FWindow, data);
    IDataFileView& window = FWindow;
    ReadProtocolSection(window, data);
    ReadMemoSection(window, data);
    ReadInfoSection(window, data, LoadedFileName(FPath));

    if (!data.X.empty()) {
        window.SetBottomAxisRange(0, 0);
        const double first = data.X.front();
        const double last = data.X.back();
        window.SetBottomAxisRange(std::min(first, last), std::max(first, last));
        auto stamp = [](double v) { return FormatDateTime("dd.mm.yyyy", v) + " " + FormatDateTime("hh:nn:ss", v); };
        window.SetTimeWindowTexts(stamp(std::min(first, last)), stamp(std::max(first, last)));
    }
    window.ShowLoadedDataPages(true);
    const TDateTime now = Now();
    // Every row counts, also one with series that have no value in it.
    const int rows = data.SeriesColumns > 0 && FPoints > 0 ? data.Rows() : 0;
    window.AddMemoLine(TDataFileMemo::SerialData, FormatDateTime("dd.mm.yyyy", now) + " " +
                                                      FormatDateTime("hh:nn:ss", now) + " " + IntToStr(rows) +
                                                      CurrentText(RowDataSetsRead));
    if (!data.CompletedFrom.empty())
        window.AddMemoLine(TDataFileMemo::SerialData,
                           TextWithName(CurrentText(RowPendingWriteApplied), data.CompletedFrom));
    if (data.CompletedOnDisk)
        window.AddMemoLine(TDataFileMemo::SerialData, TextWithName(CurrentText(RowCutWriteFinished), FPath));
    for (const auto& [line, field] : data.RejectedTimeSteps)
        window.AddMemoLine(TDataFileMemo::SerialData, Pick("Zeile ", "Line ") + IntToStr(line) +
                                                          Pick(": Zeitschritt \"", ": time step \"") + field +
                                                          Pick("\" nicht 1 bis 60 s, das vorige Intervall bleibt.",
                                                               "\" is not 1 to 60 s, the previous interval is kept."));
    if (data.Damaged()) platform::dialogs().MessageBox(DataFileProblemsText(data), CurrentText(RowErrorCaption), MB_OK);
}

namespace {

bool Fill(TRecordedDataFill& fill)
{
    if (!fill.Begin()) return false;
    while (fill.Step(std::numeric_limits<int>::max())) {}
    fill.Finish();
    return true;
}

}  // namespace

bool ApplyRecordedData(IDataFileView& window, const TRecordedDataRead& data, const AnsiString& path)
{
    // The data stay the caller's: the fill only borrows them.
    TRecordedDataFill fill(window, std::shared_ptr<const TRecordedDataRead>(&data, [](const TRecordedDataRead*) {}),
                           path);
    return Fill(fill);
}

bool ApplyRecordedData(IDataFileView& window, TRecordedDataRead&& data, const AnsiString& path)
{
    TRecordedDataFill fill(window, std::make_shared<TRecordedDataRead>(std::move(data)), path);
    return Fill(fill);
}

bool OpenDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer)
{
    const AnsiString lower = LowerCase(path);
    if (ContainsNoCase(lower, ".csv")) return ApplyRecordedData(window, ReadRecordedDataFile(path), path);
    if (ContainsNoCase(lower, ".qzv")) {
        TQzvFile file;
        std::string error;
        const bool opened = file.Open(path, &error);
        ImportDataFile(window, path, importer, opened ? &file : nullptr, error);
        return false;
    }
    return false;
}

void ImportDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer, TQzvFile* file,
                    const std::string& error)
{
    if (!BeginImportDataFile(window, path, importer, file, error, nullptr)) return;
    while (importer->AddRows(std::numeric_limits<int>::max())) {}
    importer->EndImport();
}

bool BeginImportDataFile(IDataFileView& window, const AnsiString& path, TfrmFileReader* importer, TQzvFile* file,
                         const std::string& error, TQzvRows* rows)
{
    window.SetImportedFile(true);
    window.SetTimeAxisLabel(CurrentText(RowTimeInSecondsAxis));
    return importer && importer->BeginImport(window, path, file, error, rows);
}
