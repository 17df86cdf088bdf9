#include "chart/storage/TeeChartStorage.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/storage/TeeComponentPersist.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

thread_local bool tQuietReading = false;

[[noreturn]] void Invalid()
{
    throw Exception("Invalid property value");
}

// ---- identifier and style of a series

bool WriteIdentifier(QObject* o, TStreamValue& v)
{
    auto* s = qobject_cast<TCustomChartSeries*>(o);
    if (!s || s->Identifier.empty()) return false;
    v = TStreamValue::MakeString(s->Identifier);
    return true;
}

void ReadIdentifier(QObject* o, const TStreamValue& v)
{
    auto* s = qobject_cast<TCustomChartSeries*>(o);
    if (!s || v.Kind != TStreamValue::String) Invalid();
    s->Identifier = v.Text;
}

constexpr int AllSeriesStyles =
    tssIsTemplate | tssDenyChangeType | tssDenyDelete | tssDenyClone | tssIsPersistent | tssHideDataSource;

bool WriteStyle(QObject* o, TStreamValue& v)
{
    auto* s = qobject_cast<TCustomChartSeries*>(o);
    if (!s || s->Style == 0) return false;
    v = TStreamValue::MakeInt(s->Style);
    return true;
}

void ReadStyle(QObject* o, const TStreamValue& v)
{
    auto* s = qobject_cast<TCustomChartSeries*>(o);
    if (!s || v.Kind != TStreamValue::Int || v.IntValue < 0 || (v.IntValue & ~AllSeriesStyles) != 0) Invalid();
    s->Style = static_cast<TChartSeriesStyle>(v.IntValue);
}

// ---- a series' custom axes, by their index in the chart's custom axes

template <bool Horizontal>
bool WriteCustomAxis(QObject* o, TStreamValue& v)
{
    auto* s = qobject_cast<TChartSeries*>(o);
    TChartAxis* axis = s ? (Horizontal ? s->CustomHorizAxis() : s->CustomVertAxis()) : nullptr;
    if (!axis || !s->ParentChart()) return false;
    const int index = s->ParentChart()->CustomAxisIndex(axis);
    if (index < 0) return false;
    v = TStreamValue::MakeInt(index);
    return true;
}

template <bool Horizontal>
void ReadCustomAxis(QObject* o, const TStreamValue& v)
{
    auto* s = qobject_cast<TChartSeries*>(o);
    if (!s || v.Kind != TStreamValue::Int || v.IntValue < 0 || v.IntValue > INT32_MAX) Invalid();
    TChartAxis* axis = s->ParentChart() ? s->ParentChart()->CustomAxis(static_cast<int>(v.IntValue)) : nullptr;
    if (!axis) throw Exception("Custom axis " + std::to_string(v.IntValue) + " does not exist");
    if (Horizontal)
        s->SetCustomHorizAxis(axis);
    else
        s->SetCustomVertAxis(axis);
}

// ---- per-point mark items: a 32-bit count, then one property list per index (empty for
// an index without item)

bool WriteMarkItems(QObject* o, TStreamValue& v)
{
    auto* marks = qobject_cast<TSeriesMarks*>(o);
    if (!marks || marks->Items().Count() == 0) return false;
    TMarksItems& items = marks->Items();
    Bytes bytes;
    const auto count = static_cast<std::uint32_t>(items.Count());
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    for (int i = 0; i < items.Count(); ++i) {
        TMarksItem* item = items.Find(i);
        WritePropertyListBinary(item ? StoredProperties(item) : std::vector<TStreamProperty>{}, bytes);
    }
    v = TStreamValue::MakeBinary(std::move(bytes));
    return true;
}

void ReadMarkItems(QObject* o, const TStreamValue& v)
{
    auto* marks = qobject_cast<TSeriesMarks*>(o);
    if (!marks || v.Kind != TStreamValue::Binary || v.Bytes.size() < 4) Invalid();
    const Bytes& b = v.Bytes;
    std::int32_t count;
    std::memcpy(&count, b.data(), 4);
    // Every list takes at least its begin and end: a count the data cannot hold is refused
    // before any item is made for it.
    if (count < 0 || static_cast<std::size_t>(count) > (b.size() - 4) / 2) Invalid();
    TMarksItems& items = marks->Items();
    items.Clear();
    // The items read now survive the clearing of the series' points that follows.
    items.Loading = count > 0;
    std::size_t pos = 4;
    for (std::int32_t i = 0; i < count; ++i) {
        std::size_t used = 0;
        std::vector<TStreamProperty> properties;
        try {
            properties = ReadPropertyListBinary(b.data() + pos, b.size() - pos, &used);
        } catch (const EComponentStreamError& e) {
            throw Exception(e.Message);
        }
        pos += used;
        if (!properties.empty()) ReadStoredProperties(items.Get(i), properties);
    }
    if (pos != b.size()) Invalid();
    if (count > 0) items.Get(count - 1);  // the item list as long as it was
}

// ---- the series of a series group, by their names

bool WriteGroupSeries(QObject* o, TStreamValue& v)
{
    auto* group = qobject_cast<TSeriesGroup*>(o);
    if (!group || !group->IsSeriesStored()) return false;
    v = TStreamValue{};
    v.Kind = TStreamValue::List;
    for (const TChartSeries* s : group->Series())
        if (!s->objectName().isEmpty()) v.Items.push_back(TStreamValue::MakeString(s->objectName().toStdString()));
    return !v.Items.empty();
}

void ReadGroupSeries(QObject* o, const TStreamValue& v)
{
    auto* group = qobject_cast<TSeriesGroup*>(o);
    if (!group || v.Kind != TStreamValue::List) Invalid();
    auto names = std::make_unique<std::vector<AnsiString>>();
    for (const TStreamValue& item : v.Items) {
        if (item.Kind != TStreamValue::String) Invalid();
        names->push_back(item.Text);
    }
    group->LoadingSeries = std::move(names);
}

// ---- properties of older files

void ReadBorderStyle(QObject* o, const TStreamValue& v)
{
    auto* panel = qobject_cast<TCustomTeePanel*>(o);
    if (!panel || v.Kind != TStreamValue::Ident) Invalid();
    panel->ReadBorderStyle(v.Text);
}

// Values are no longer scaled by a multiplier: one other than 1 is reported, and the file
// is read on with the values as they are.
void ReadMultiplier(QObject* o, const TStreamValue& v)
{
    if (!qobject_cast<TChartValueList*>(o)) Invalid();
    double value;
    if (v.Kind == TStreamValue::Int)
        value = static_cast<double>(v.IntValue);
    else if (v.Kind == TStreamValue::Float)
        value = v.FloatValue;
    else
        Invalid();
    if (value != 1 && !tQuietReading)
        platform::dialogs().MessageBox(
            "Error: Multiplier property is obsolete.\rModify TeeDefs.inc (enable Multiplier) and recompile.",
            platform::ApplicationTitle(), MB_OK);
}

bool NeverWritten(QObject*, TStreamValue&)
{
    return false;
}

void Register(const char* className, const char* name, decltype(TStreamDefinedProperty::Write) write,
              decltype(TStreamDefinedProperty::Read) read)
{
    TStreamDefinedProperty p;
    p.Name = name;
    p.Write = std::move(write);
    p.Read = std::move(read);
    RegisterDefinedProperty(className, p);
}

}  // namespace

void TeeChartStorageRegister()
{
    Register("TCustomChartSeries", "Identifier", WriteIdentifier, ReadIdentifier);
    Register("TCustomChartSeries", "Style", WriteStyle, ReadStyle);
    Register("TChartSeries", "CustomHorizAxis", WriteCustomAxis<true>, ReadCustomAxis<true>);
    Register("TChartSeries", "CustomVertAxis", WriteCustomAxis<false>, ReadCustomAxis<false>);
    Register("TSeriesMarks", "Items", WriteMarkItems, ReadMarkItems);
    Register("TSeriesGroup", "Series", WriteGroupSeries, ReadGroupSeries);
    Register("TCustomTeePanel", "BorderStyle", NeverWritten, ReadBorderStyle);
    Register("TChartValueList", "Multiplier", NeverWritten, ReadMultiplier);
}

void ResolveLoadedSeriesGroups(QObject* Chart, const TProcTeeCheckError& OnError)
{
    auto* panel = qobject_cast<TCustomAxisPanel*>(Chart);
    if (!panel) return;
    TSeriesGroups* groups = panel->GetSeriesGroups();
    for (int i = 0; i < groups->Count(); ++i) {
        TSeriesGroup* group = groups->Get(i);
        if (!group->LoadingSeries) continue;
        const std::unique_ptr<std::vector<AnsiString>> names = std::move(group->LoadingSeries);
        group->Series().Clear();
        for (const AnsiString& name : *names) {
            TChartSeries* found = nullptr;
            for (TChartSeries* s : *panel->SeriesList())
                if (s->objectName().toStdString() == name) {
                    found = s;
                    break;
                }
            if (found) {
                group->Add(found);
                continue;
            }
            const AnsiString message = "Error reading SeriesGroups.Series: Series " + name + " does not exist";
            if (OnError && !OnError(message)) throw ChartException(message);
        }
    }
}

TQuietChartReading::TQuietChartReading() : FOld(tQuietReading)
{
    tQuietReading = true;
}

TQuietChartReading::~TQuietChartReading()
{
    tQuietReading = FOld;
}
