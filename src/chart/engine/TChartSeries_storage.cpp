// Stored point data, copying between series and sample values.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "platform/DateTime.h"
#include "platform/Round.h"
#include "platform/TextCodec.h"

std::uint32_t TeeRandSeed = 0;
bool TeeRandomAtRunTime = false;
int clTeeGallery1 = 0;
int clTeeGallery2 = 3;

int TeeRandom(int range)
{
    TeeRandSeed = TeeRandSeed * 0x08088405u + 1u;
    if (range <= 0) return 0;
    return static_cast<int>((static_cast<std::uint64_t>(TeeRandSeed) * static_cast<std::uint32_t>(range)) >> 32);
}

namespace {

constexpr TeeFormatFlags kKnownFlags = tfNoMandatory | tfColor | tfLabel | tfMarkPosition;
constexpr std::size_t kMarkPositionSize = 34;

void PutBytes(std::vector<std::uint8_t>& out, const void* p, std::size_t n)
{
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

// Little-endian on every platform the program runs on; the byte order is the file's.
template <typename T>
void Put(std::vector<std::uint8_t>& out, T value)
{
    static_assert(std::endian::native == std::endian::little);
    PutBytes(out, &value, sizeof value);
}

void PutPoint(std::vector<std::uint8_t>& out, const TPoint& p)
{
    Put<std::int32_t>(out, p.X);
    Put<std::int32_t>(out, p.Y);
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : FData(data) {}
    std::size_t Left() const { return FData.size() - FPos; }
    template <typename T>
    T Get()
    {
        T value;
        Need(sizeof value);
        std::memcpy(&value, FData.data() + FPos, sizeof value);
        FPos += sizeof value;
        return value;
    }
    std::string GetText(std::size_t n)
    {
        Need(n);
        std::string s(reinterpret_cast<const char*>(FData.data() + FPos), n);
        FPos += n;
        return s;
    }
    TPoint GetPoint()
    {
        TPoint p;
        p.X = Get<std::int32_t>();
        p.Y = Get<std::int32_t>();
        return p;
    }

private:
    void Need(std::size_t n) const
    {
        if (Left() < n) throw ChartException("Series point data is truncated.");
    }
    std::span<const std::uint8_t> FData;
    std::size_t FPos = 0;
};

struct StoredPoint {
    double x = 0;
    double y = 0;
    TColor color = clDefault;
    AnsiString label;
};

}  // namespace

// ---------------------------------------------------------------- stored point data

void TChartSeries::WriteData(std::vector<std::uint8_t>& stream) const
{
    const TeeFormatFlags flags = SeriesGuessContents(this);
    const int n = Count();
    Put<std::uint8_t>(stream, flags);
    Put<std::int32_t>(stream, n);
    const int lists = FValuesList.Count();
    std::size_t record = 8 + ((flags & tfNoMandatory) ? 8 : 0) + ((flags & tfColor) ? 4 : 0) +
                         ((flags & tfLabel) ? 1 : 0) + 8 * static_cast<std::size_t>(std::max(0, lists - 2)) +
                         ((flags & tfMarkPosition) ? kMarkPositionSize : 0);
    stream.reserve(stream.size() + record * static_cast<std::size_t>(n));
    const TSeriesMarksPositions& positions = FMarks->Positions();
    for (int i = 0; i < n; ++i) {
        if (flags & tfNoMandatory) Put<double>(stream, FNotMandatory->Value(i));
        Put<double>(stream, FMandatory->Value(i));
        if (flags & tfColor) Put<std::int32_t>(stream, InternalColor(i));
        if (flags & tfLabel) {
            // One length byte: longer labels are cut so the reader gets back what it can.
            std::string text = platform::Utf8ToCp1252(FLabels.GetLabel(i));
            if (text.size() > 255) text.resize(255);
            Put<std::uint8_t>(stream, static_cast<std::uint8_t>(text.size()));
            PutBytes(stream, text.data(), text.size());
        }
        for (int l = 2; l < lists; ++l) Put<double>(stream, FValuesList[l]->Value(i));
        if (flags & tfMarkPosition) {
            TSeriesMarkPosition empty;
            const TSeriesMarkPosition* p = positions.Get(i);
            if (!p) p = &empty;
            PutPoint(stream, p->ArrowFrom);
            Put<std::uint8_t>(stream, p->ArrowFix ? 1 : 0);
            PutPoint(stream, p->ArrowTo);
            Put<std::uint8_t>(stream, p->Custom ? 1 : 0);
            Put<std::int32_t>(stream, p->Height);
            PutPoint(stream, p->LeftTop);
            Put<std::int32_t>(stream, p->Width);
        }
    }
}

void TChartSeries::ReadData(std::span<const std::uint8_t> stream)
{
    Clear();
    // Everything is read and checked before the series changes, so a malformed stream
    // leaves the series empty instead of half filled.
    Reader in(stream);
    const TeeFormatFlags flags = in.Get<std::uint8_t>();
    if (flags & ~kKnownFlags) throw ChartException("Series point data has unknown format flags.");
    const std::int32_t n = in.Get<std::int32_t>();
    const int extraLists = std::max(0, FValuesList.Count() - 2);
    const std::size_t minRecord = 8 + ((flags & tfNoMandatory) ? 8 : 0) + ((flags & tfColor) ? 4 : 0) +
                                  ((flags & tfLabel) ? 1 : 0) + 8 * static_cast<std::size_t>(extraLists) +
                                  ((flags & tfMarkPosition) ? kMarkPositionSize : 0);
    if (n < 0 || static_cast<std::uint64_t>(n) * minRecord > in.Left())
        throw ChartException("Series point data is truncated.");

    std::vector<StoredPoint> points(static_cast<std::size_t>(n));
    std::vector<double> extra(static_cast<std::size_t>(n) * static_cast<std::size_t>(extraLists));
    std::vector<TSeriesMarkPosition> marks((flags & tfMarkPosition) ? static_cast<std::size_t>(n) : 0);
    const bool swap = FMandatory != FY;
    bool anyColor = false, anyLabel = false, nanX = false;
    for (int i = 0; i < n; ++i) {
        StoredPoint& p = points[static_cast<std::size_t>(i)];
        p.x = (flags & tfNoMandatory) ? in.Get<double>() : static_cast<double>(i);
        p.y = in.Get<double>();
        if (swap) std::swap(p.x, p.y);
        if (flags & tfColor) {
            p.color = in.Get<std::int32_t>();
            anyColor = anyColor || p.color != clDefault;
        }
        if (flags & tfLabel) {
            const std::size_t len = in.Get<std::uint8_t>();
            p.label = platform::Cp1252ToUtf8(in.GetText(len));
            anyLabel = anyLabel || !p.label.empty();
        }
        for (int l = 0; l < extraLists; ++l)
            extra[static_cast<std::size_t>(i) * static_cast<std::size_t>(extraLists) + static_cast<std::size_t>(l)] =
                in.Get<double>();
        if (flags & tfMarkPosition) {
            TSeriesMarkPosition& m = marks[static_cast<std::size_t>(i)];
            m.ArrowFrom = in.GetPoint();
            m.ArrowFix = in.Get<std::uint8_t>() != 0;
            m.ArrowTo = in.GetPoint();
            m.Custom = in.Get<std::uint8_t>() != 0;
            m.Height = in.Get<std::int32_t>();
            m.LeftTop = in.GetPoint();
            m.Width = in.Get<std::int32_t>();
        }
        nanX = nanX || std::isnan(p.x);
    }

    {
        TSeriesUpdateGuard update(*this);
        if (!OnBeforeAdd && !nanX) {
            // One append per list and one stable sort: the same order that adding the
            // points one by one gives, without shifting the arrays for every point.
            for (TChartValueList* list : FValuesList) list->Reserve(n);
            for (int i = 0; i < n; ++i) {
                const StoredPoint& p = points[static_cast<std::size_t>(i)];
                FX->AppendRaw(p.x);
                FY->AppendRaw(p.y);
                for (int l = 0; l < extraLists; ++l)
                    FValuesList[l + 2]->AppendRaw(
                        extra[static_cast<std::size_t>(i) * static_cast<std::size_t>(extraLists) +
                              static_cast<std::size_t>(l)]);
            }
            if (anyColor) {
                GrowColors(0);
                for (const StoredPoint& p : points) FColors->Append(p.color);
            }
            if (anyLabel)
                for (const StoredPoint& p : points) FLabels.Append(p.label);
            SortAfterBulkAppend(0);
        } else {
            for (int i = 0; i < n; ++i) {
                const StoredPoint& p = points[static_cast<std::size_t>(i)];
                for (int l = 0; l < extraLists; ++l)
                    FValuesList[l + 2]->TempValue =
                        extra[static_cast<std::size_t>(i) * static_cast<std::size_t>(extraLists) +
                              static_cast<std::size_t>(l)];
                AddXY(p.x, p.y, p.label, p.color);
            }
        }
        for (const TSeriesMarkPosition& m : marks) FMarks->Positions().Append(&m);
    }
    ManualData = true;
}

// ---------------------------------------------------------------- copying

void TChartSeries::Assign(const TCustomChartElement& source)
{
    auto* other = const_cast<TChartSeries*>(dynamic_cast<const TChartSeries*>(&source));
    if (!other) {
        TCustomChartSeries::Assign(source);
        return;
    }
    if (other == this) return;
    TCustomChartSeries::Assign(source);
    AssignFormat(*other);
    if (other->FFunction && !FFunction) other->FFunction->SetParentSeries(this);
    ManualData = other->ManualData;
    if (other->DataSource() && !other->ManualData) {
        for (QObject* c : std::vector<QObject*>(other->FDataSources->begin(), other->FDataSources->end()))
            if (c != this && FDataSources->IndexOf(c) < 0) InternalAddDataSource(c);
    } else if (other->ManualData || !other->DesignState) {
        AddValues(other);
    }
    CheckDataSource();
}

void TChartSeries::AssignFormat(const TChartSeries& source)
{
    RemoveAllLinkedSeries();
    FDataSources->InheritedClear();
    if (FYMandatory == source.FYMandatory) {
        FX->Assign(*source.FX);
        FY->Assign(*source.FY);
    } else {
        FX->Assign(*source.FY);
        FY->Assign(*source.FX);
    }
    FFormat = source.FFormat;
    for (int i = 2; i < std::min(FValuesList.Count(), source.FValuesList.Count()); ++i)
        FValuesList[i]->Assign(*source.FValuesList[i]);
    FMarks->Assign(*source.FMarks);
    FColor = source.FColor;
    ChangeInternalColor(source.FInternalColor);
    FColorEachPoint = source.FColorEachPoint;
    RecalcOptions = source.RecalcOptions;
    Cursor = source.Cursor;
    RecalcGetAxis();
}

// ---------------------------------------------------------------- sample values

int TChartSeries::RandomValue(int range)
{
    return TeeRandom(range);
}

void TChartSeries::FillSampleValues(int numValues)
{
    if (numValues < 0) throw ChartException(TeeMsg_FillSample);
    if (numValues == 0) numValues = SampleCount > 0 ? SampleCount : NumSampleValues();
    {
        TSeriesUpdateGuard update(*this);
        Clear();
        TeeRandSeed = static_cast<std::uint32_t>(TeeRandom(7774444));
        AddSampleValues(numValues, false);
        CheckOrder();
    }
    ManualData = false;
}

void TChartSeries::RandomBounds(int numValues, double& tmpX, double& stepX, double& tmpY, double& minY, double& difY)
{
    // Before the chart can report the range of its other series, samples start at 0
    // (or today for date-time X values) and spread over 0 .. 1000.
    const double minX = FX->GetDateTime() ? static_cast<double>(Date()) : 0.0;
    const double difX = numValues > 1 ? numValues - 1 : 0;
    minY = 0;
    difY = 1000;
    difY = std::clamp(difY, -2147483647.0, 2147483647.0);
    stepX = numValues > 1 ? difX / (numValues - 1) : difX;
    tmpX = minX;
    tmpY = RandomValue(static_cast<int>(difY)) + minY;
}

void TChartSeries::AddSampleValues(int numValues, bool onlyMandatory)
{
    double tmpX, stepX, tmpY, minY, difY;
    RandomBounds(numValues, tmpX, stepX, tmpY, minY, difY);
    const int tmp = Round(difY) / 4;
    for (int i = 0; i < numValues; ++i) {
        tmpY = std::fabs(tmpY + RandomValue(tmp) - tmp / 2);
        if (onlyMandatory)
            Add(tmpY);
        else if (FYMandatory)
            AddXY(tmpX, tmpY);
        else
            AddXY(tmpY, tmpX);
        tmpX += stepX;
    }
}

void TChartSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    if (AddSubChart) AddSubChart(TeeMsg_Normal);
}

void TChartSeries::PrepareForGallery(bool enabled)
{
    FillSampleValues(4);
    FMarks->SetVisible(false);
    FMarks->SetDrawEvery(2);
    SetColorEachPoint(false);
    if (!enabled) {
        SetSeriesColor(clSilver);
    } else if (FParentChart) {
        TChartSeriesList* list = FParentChart->SeriesList();
        const bool first = list && list->Count() > 0 && (*list)[0] == this;
        SetSeriesColor(FParentChart->GetDefaultColor(first ? clTeeGallery1 : clTeeGallery2));
    }
}
