#include "chart/storage/TeeStore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include <QWidget>
#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TChartShape.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TGanttSeries.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPointSeries.h"
#include "chart/series/Tee3DSeries.h"
#include "chart/series/TeeTools.h"
#include "chart/storage/TChartChart.h"
#include "chart/storage/TeeChartStorage.h"
#include "chart/storage/TeeComponentPersist.h"
#include "chart/storage/TeeToolStorage.h"
#include "platform/FileSave.h"

const AnsiString TeeMsg_WrongTeeFileFormat = "Wrong *.tee file format";
const AnsiString TeeMsg_EmptyTeeFile = "Empty *.tee file";
const AnsiString TeeMsg_InvalidTeeFile = "Invalid Chart in *.tee file";

namespace {

constexpr std::uint8_t kHeader[4] = {0x60, 0x30, 0x50, 0x01};

using Bytes = std::vector<std::uint8_t>;

Bytes ReadRest(TStream* stream)
{
    const std::int64_t pos = stream->GetPosition();
    const std::int64_t size = stream->GetSize();
    Bytes bytes(static_cast<std::size_t>(size > pos ? size - pos : 0));
    if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

bool IsBinaryForm(const Bytes& b)
{
    return b.size() >= 2 && b[0] == 0x60 && b[1] == 0x30;
}
bool IsTextForm(const Bytes& b)
{
    return !b.empty() && (b[0] == 'O' || b[0] == 'o');
}

// The component tree of a chart file in either form; the bytes after the component of a
// binary file are the trailing point data.
TStreamComponent ParseChartFile(const Bytes& file, std::size_t& dataStart)
{
    try {
        if (IsBinaryForm(file)) {
            if (file.size() < 4 || file[2] != 0x50 || file[3] != 0x01) throw EComponentStreamError("header");
            std::size_t used = 0;
            TStreamComponent c = ReadComponentBinary(file.data() + 4, file.size() - 4, &used);
            dataStart = 4 + used;
            return c;
        }
        dataStart = file.size();
        return ReadComponentText(file.data(), file.size());
    } catch (const EComponentStreamError& e) {
        throw ChartException(TeeMsg_InvalidTeeFile + ": " + e.Message);
    }
}

std::vector<TChartSeries*> SeriesOf(QObject* chart)
{
    std::vector<TChartSeries*> result;
    for (QObject* c : StreamChildComponents(chart))
        if (auto* s = qobject_cast<TChartSeries*>(c)) result.push_back(s);
    return result;
}

void AddChildComponent(QObject* parent, QObject* child)
{
    if (auto* tool = qobject_cast<TTeeCustomTool*>(child)) {
        // In the chart's tools list before its properties are read (an axis tool finds
        // its axis by index in the chart).
        if (auto* host = dynamic_cast<IChartHost*>(parent)) tool->SetParentChart(host);
        return;
    }
    auto* series = qobject_cast<TChartSeries*>(child);
    if (!series) return;
    series->BeginLoading();
    if (auto* host = dynamic_cast<ISeriesHost*>(parent)) series->SetParentChart(host);
}

// Length of one series' point block: flags, count and the records.
std::size_t MeasurePointData(const std::uint8_t* p, std::size_t size, int valueLists)
{
    auto fail = [] { return ChartException(TeeMsg_InvalidTeeFile + ": truncated point data"); };
    if (size < 5) throw fail();
    const std::uint8_t flags = p[0];
    std::int32_t n;
    std::memcpy(&n, p + 1, 4);
    if (n < 0) throw fail();
    const std::size_t fixed = 8 + ((flags & 1) ? 8 : 0) + ((flags & 2) ? 4 : 0) +
                              8 * static_cast<std::size_t>(std::max(0, valueLists - 2)) + ((flags & 8) ? 34 : 0);
    std::size_t pos = 5;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::size_t before = 8 + ((flags & 1) ? 8 : 0) + ((flags & 2) ? 4 : 0);
        if (size - pos < before) throw fail();
        std::size_t label = 0;
        if (flags & 4) {
            if (size - pos < before + 1) throw fail();
            label = 1 + p[pos + before];
        }
        if (size - pos < fixed + label) throw fail();
        pos += fixed + label;
    }
    return pos;
}

void ReadTrailingData(QObject* chart, const Bytes& file, std::size_t start)
{
    for (TChartSeries* s : SeriesOf(chart)) {
        if (start >= file.size()) break;
        const std::size_t n = MeasurePointData(file.data() + start, file.size() - start, s->ValuesList().Count());
        s->ReadData(std::span<const std::uint8_t>(file.data() + start, n));
        start += n;
    }
    // Bytes no series takes are no point data but a damaged file.
    if (start < file.size()) throw ChartException(TeeMsg_InvalidTeeFile + ": unexpected data after the chart");
}

// The chart's series and tools go; so do the components a plain object owns. The custom
// axes and the series groups are the file's too: a file without them leaves none.
void FreeComponents(QObject* chart)
{
    for (QObject* c : StreamChildComponents(chart)) delete c;
    if (auto* panel = qobject_cast<TCustomAxisPanel*>(chart)) {
        panel->Tools()->Clear();
        panel->GetSeriesGroups()->Clear();
        panel->GetCustomAxes()->Clear();
    }
}

template <typename T>
void RegisterClass(const char* name)
{
    RegisterStreamClass({name, [](QObject* owner) -> QObject* { return new T(owner); }});
}

template <typename T>
void RegisterChartClass(const char* name)
{
    RegisterStreamClass({name, [](QObject* owner) -> QObject* {
                             auto* parent = qobject_cast<QWidget*>(owner);
                             return new T(parent);
                         }});
}

// Series that feed each other in a circle would refill each other without end: such
// sources are a reading error, and when it is ignored the series of the circle keep
// none.
void BreakSourceCycles(QObject* chart, const TProcTeeCheckError& onError)
{
    const std::vector<TChartSeries*> series = SeriesOf(chart);
    auto byName = [&](const AnsiString& name) -> TChartSeries* {
        for (TChartSeries* s : series)
            if (s->objectName().toStdString() == name) return s;
        return nullptr;
    };
    auto sourcesOf = [&](TChartSeries* s) {
        std::vector<TChartSeries*> result;
        if (s->LoadingDataSources)
            for (const AnsiString& n : *s->LoadingDataSources)
                if (TChartSeries* t = byName(n)) result.push_back(t);
        return result;
    };
    for (TChartSeries* start : series) {
        // Is start reachable from its own sources?
        std::vector<TChartSeries*> stack = sourcesOf(start), seen;
        bool circle = false;
        while (!stack.empty() && !circle) {
            TChartSeries* s = stack.back();
            stack.pop_back();
            if (s == start) circle = true;
            if (std::find(seen.begin(), seen.end(), s) != seen.end()) continue;
            seen.push_back(s);
            for (TChartSeries* t : sourcesOf(s)) stack.push_back(t);
        }
        if (!circle) continue;
        const AnsiString message =
            "Error reading " + start->objectName().toStdString() + ".DataSource: Circular data source";
        if (onError && !onError(message)) throw ChartException(message);
        start->LoadingDataSources.reset();
    }
}

// Reads the tree into the chart: its components are replaced, its properties set.
void ApplyChartFile(QObject* chart, const TStreamComponent& tree, const Bytes& file, std::size_t dataStart,
                    bool tryReadData, const TProcTeeCheckError& onError)
{
    FreeComponents(chart);
    const QString name = chart->objectName();
    // While the chart is read, setters know that values come from a file (a colour
    // line keeps its style when its value follows).
    auto* panel = qobject_cast<TCustomTeePanel*>(chart);
    if (panel) panel->Loading = true;
    try {
        ReadComponentInto(chart, tree, onError, AddChildComponent);
    } catch (const EComponentStreamError& e) {
        chart->setObjectName(name);
        if (panel) panel->Loading = false;
        throw ChartException(e.Message);
    } catch (...) {
        if (panel) panel->Loading = false;
        throw;
    }
    if (!name.isEmpty()) chart->setObjectName(name);
    try {
        if (tryReadData && dataStart < file.size()) ReadTrailingData(chart, file, dataStart);
        // With every component in place, the series find their sources by name, and the
        // groups their series.
        BreakSourceCycles(chart, onError);
        ResolveLoadedSeriesGroups(chart, onError);
    } catch (...) {
        if (panel) panel->Loading = false;
        throw;
    }
    for (TChartSeries* s : SeriesOf(chart)) s->Loaded();
    if (panel) panel->Loaded();
}

// The chart as a component, the series that tools refer to named for the time of it.
TStreamComponent ChartComponent(QObject* chart)
{
    const std::vector<QObject*> named = NameReferencedSeries(chart);
    struct Unname {
        const std::vector<QObject*>& Named;
        ~Unname()
        {
            for (QObject* o : Named) o->setObjectName(QString());
        }
    } unname{named};
    return ComponentFromObject(chart);
}

TStreamComponent SnapshotChart(QObject* chart)
{
    std::vector<std::pair<TChartSeries*, bool>> flags;
    for (TChartSeries* s : SeriesOf(chart)) {
        flags.emplace_back(s, s->ForceSaveData);
        s->ForceSaveData = true;
    }
    TStreamComponent c = ChartComponent(chart);
    for (auto& [s, f] : flags) s->ForceSaveData = f;
    return c;
}

class AutoRepaintOff {
public:
    explicit AutoRepaintOff(QObject* chart) : FPanel(qobject_cast<TCustomTeePanel*>(chart))
    {
        if (FPanel) {
            FOld = FPanel->AutoRepaint;
            FPanel->AutoRepaint = false;
        }
    }
    ~AutoRepaintOff()
    {
        if (FPanel) {
            FPanel->AutoRepaint = FOld;
            FPanel->Invalidate();
        }
    }

private:
    TCustomTeePanel* FPanel;
    bool FOld = true;
};

Bytes ToBinary(const Bytes& file)
{
    if (IsBinaryForm(file)) return file;
    std::size_t dataStart = 0;
    const TStreamComponent tree = ParseChartFile(file, dataStart);
    Bytes out(kHeader, kHeader + 4);
    WriteComponentBinary(tree, out);
    return out;
}

std::string ToText(const Bytes& file)
{
    if (!IsBinaryForm(file)) return std::string(file.begin(), file.end());
    std::size_t dataStart = 0;
    const TStreamComponent tree = ParseChartFile(file, dataStart);
    // The text form has no place for points stored after the chart: refuse rather than
    // drop them.
    if (dataStart < file.size())
        throw ChartException(TeeMsg_InvalidTeeFile + ": the points stored after the chart cannot be converted to text");
    return WriteComponentText(tree);
}

void CheckAccepted(const Bytes& file)
{
    if (!IsBinaryForm(file) && !IsTextForm(file)) throw ChartException(TeeMsg_WrongTeeFileFormat);
}

Bytes ReadFile(const AnsiString& name)
{
    TFileStream f(name, fmOpenRead);
    return ReadRest(&f);
}

void WriteFile(const AnsiString& name, const void* data, std::size_t size)
{
    std::string error;
    if (!platform::SaveFileAtomic(name, std::string_view(static_cast<const char*>(data), size), &error))
        throw EFOpenError("Cannot create file \"" + name + "\". " + error);
}

}  // namespace

void TeeStoreRegisterClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClass<TChartSeries>("TChartSeries");
        RegisterClass<TLineSeries>("TLineSeries");
        RegisterClass<THorizLineSeries>("THorizLineSeries");
        RegisterClass<TAreaSeries>("TAreaSeries");
        RegisterClass<THorizAreaSeries>("THorizAreaSeries");
        RegisterClass<TFastLineSeries>("TFastLineSeries");
        RegisterClass<TPointSeries>("TPointSeries");
        // The further series types are read through their registration; asking for it
        // here keeps them in every program that reads chart files.
        RegisterTeeBubbleSeries();
        RegisterTeeArrowSeries();
        RegisterTeeGanttSeries();
        RegisterTeeShapeSeries();
        RegisterTee3DSeries();
        RegisterChartClass<TChart>("TChart");
        RegisterChartClass<TChartChart>("TChartChart");
        RegisterChartClass<TODBCChart>("TODBCChart");
        // A chart's components are its series, in the chart's order, whoever owns them,
        // then its tools (which may refer to the series).
        RegisterChildComponents("TCustomAxisPanel", [](QObject* o) {
            std::vector<QObject*> result;
            auto* panel = static_cast<TCustomAxisPanel*>(o);
            for (TChartSeries* s : *panel->SeriesList()) result.push_back(s);
            for (int i = 0; i < panel->Tools()->Count(); ++i) result.push_back(panel->Tools()->Items(i));
            return result;
        });
        TeeChartStorageRegister();
        RegisterTeeChartTools();
        RegisterTeeGridTransposeTool();
        TeeToolStorageRegister();
        TStreamDefinedProperty data;
        data.Name = "Data";
        data.Write = [](QObject* o, TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || !s->IsDataStored()) return false;
            Bytes bytes;
            s->WriteData(bytes);
            v = TStreamValue::MakeBinary(std::move(bytes));
            return true;
        };
        data.Read = [](QObject* o, const TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || v.Kind != TStreamValue::Binary) throw ChartException("Invalid property value");
            s->ReadData(v.Bytes);
        };
        RegisterDefinedProperty("TChartSeries", data);

        // One source by its name, several as a list of names; resolved once all
        // components are read.
        TStreamDefinedProperty source;
        source.Name = "DataSource";
        source.Write = [](QObject* o, TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || s->DataSources().Count() != 1 || s->DataSource()->objectName().isEmpty()) return false;
            v = TStreamValue::MakeIdent(s->DataSource()->objectName().toStdString());
            return true;
        };
        source.Read = [](QObject* o, const TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || v.Kind != TStreamValue::Ident) throw ChartException("Invalid property value");
            s->LoadingDataSources = std::make_unique<std::vector<AnsiString>>(1, v.Text);
        };
        RegisterDefinedProperty("TChartSeries", source);
        TStreamDefinedProperty sources;
        sources.Name = "DataSources";
        sources.Write = [](QObject* o, TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || s->DataSources().Count() < 2) return false;
            v = TStreamValue{};
            v.Kind = TStreamValue::List;
            for (QObject* c : s->DataSources())
                if (!c->objectName().isEmpty())
                    v.Items.push_back(TStreamValue::MakeString(c->objectName().toStdString()));
            return true;
        };
        sources.Read = [](QObject* o, const TStreamValue& v) {
            auto* s = qobject_cast<TChartSeries*>(o);
            if (!s || v.Kind != TStreamValue::List) throw ChartException("Invalid property value");
            auto names = std::make_unique<std::vector<AnsiString>>();
            for (const TStreamValue& item : v.Items) {
                if (item.Kind != TStreamValue::String) throw ChartException("Invalid property value");
                names->push_back(item.Text);
            }
            s->LoadingDataSources = std::move(names);
        };
        RegisterDefinedProperty("TChartSeries", sources);
    });
}

void SaveChartToStream(QObject* Chart, TStream* Stream, bool IncludeSeriesData, bool TextFormat)
{
    TeeStoreRegisterClasses();
    const std::vector<TChartSeries*> series = SeriesOf(Chart);
    for (TChartSeries* s : series) {
        if (IncludeSeriesData)
            s->ForceSaveData = true;
        else
            s->DontSaveData = true;
    }
    // The file carries no root name: loading keeps the name of the chart it reads into.
    const QString name = Chart->objectName();
    Chart->setObjectName(QString());
    TStreamComponent tree;
    try {
        tree = ChartComponent(Chart);
    } catch (...) {
        Chart->setObjectName(name);
        for (TChartSeries* s : series) s->ForceSaveData = s->DontSaveData = false;
        throw;
    }
    Chart->setObjectName(name);
    for (TChartSeries* s : series) s->ForceSaveData = s->DontSaveData = false;

    if (TextFormat) {
        const std::string text = WriteComponentText(tree);
        Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    } else {
        Bytes out(kHeader, kHeader + 4);
        WriteComponentBinary(tree, out);
        Stream->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    }
}

void SaveChartToFile(QObject* Chart, const AnsiString& FileName, bool IncludeSeriesData, bool TextFormat)
{
    // Built in memory first: a failing chart or disk leaves the old file as it was.
    TMemoryStream stream;
    SaveChartToStream(Chart, &stream, IncludeSeriesData, TextFormat);
    WriteFile(TeeCheckExtension(FileName), stream.Memory(), stream.Bytes().size());
}

void LoadChartFromStreamCheck(QObject* Chart, TStream* Stream, const TProcTeeCheckError& OnError, bool TryReadData)
{
    TeeStoreRegisterClasses();
    if (Stream->GetSize() == 0) throw ChartException(TeeMsg_EmptyTeeFile);
    const Bytes file = ReadRest(Stream);
    CheckAccepted(file);

    std::size_t dataStart = 0;
    const TStreamComponent tree = ParseChartFile(file, dataStart);

    // A trial on a new chart of the same class finds every failure the file itself causes
    // before the chart is touched.
    // OnError hears each error once: what the trial let pass is let pass again.
    TProcTeeCheckError onError = OnError;
    if (const TStreamClass* cls = FindStreamClass(Chart->metaObject()->className())) {
        std::unique_ptr<QObject> trial(cls->Create(nullptr));
        const TQuietChartReading quiet;
        ApplyChartFile(trial.get(), tree, file, dataStart, TryReadData, OnError);
        onError = [](const AnsiString&) { return true; };
    }

    const TStreamComponent backup = SnapshotChart(Chart);
    AutoRepaintOff repaint(Chart);
    try {
        ApplyChartFile(Chart, tree, file, dataStart, TryReadData, onError);
    } catch (...) {
        // What the trial could not foresee (the chart's former state refusing a value):
        // the chart gets its former components and settings back.
        try {
            ApplyChartFile(Chart, backup, {}, 0, false, {});
        } catch (...) {}
        throw;
    }
}

void LoadChartFromStream(QObject* Chart, TStream* Stream)
{
    LoadChartFromStreamCheck(Chart, Stream, {}, true);
}

void LoadChartFromFileCheck(QObject* Chart, const AnsiString& FileName, const TProcTeeCheckError& OnError)
{
    TFileStream f(TeeCheckExtension(FileName), fmOpenRead);
    LoadChartFromStreamCheck(Chart, &f, OnError, true);
}

void LoadChartFromFile(QObject* Chart, const AnsiString& FileName)
{
    LoadChartFromFileCheck(Chart, FileName, {});
}

AnsiString TeeCheckExtension(const AnsiString& FileName)
{
    if (!ExtractFileExt(FileName).empty()) return FileName;
    return FileName + "." + TeeMsg_TeeExtension;
}

void ConvertTeeToText(TStream* Source, TStream* Target)
{
    const Bytes file = ReadRest(Source);
    CheckAccepted(file);
    const std::string text = ToText(file);
    Target->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void ConvertTeeToBinary(TStream* Source, TStream* Target)
{
    const Bytes file = ReadRest(Source);
    CheckAccepted(file);
    const Bytes out = ToBinary(file);
    Target->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void ConvertTeeFileToText(const AnsiString& Source, const AnsiString& Target)
{
    const Bytes file = ReadFile(Source);
    CheckAccepted(file);
    const std::string text = ToText(file);
    WriteFile(Target, text.data(), text.size());
}

void ConvertTeeFileToBinary(const AnsiString& Source, const AnsiString& Target)
{
    const Bytes file = ReadFile(Source);
    CheckAccepted(file);
    const Bytes out = ToBinary(file);
    WriteFile(Target, out.data(), out.size());
}
