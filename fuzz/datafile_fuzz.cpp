// Fuzz target of the recorded-data reader: any bytes parse without an exception and load
// into a channel window, the same whether the values are copied or taken over; what was read, written and read again comes back unchanged by a
// further write and read (texts, labels, titles and values).
#include <cmath>
#include <cstdlib>

#include "FuzzSupport.h"
#include "app/RecordedDataReader.h"
#include "support/FakeDataFileView.h"

namespace {

TRecordedData ToWrite(const TRecordedDataRead& d)
{
    TRecordedData w;
    w.Formats = FormatSettings();
    w.TimeStep = d.LastTimeStep;
    w.X = d.X;
    w.Errors = d.Labels;
    for (int k = 0; k < d.SeriesColumns; ++k) {
        TRecordedDataColumn c;
        c.Title = k < int(d.SeriesTitles.size()) ? d.SeriesTitles[size_t(k)] : AnsiString(k == 22 ? "A" : "B");
        c.Values = d.Y[size_t(k)];
        w.Columns.push_back(std::move(c));
    }
    w.EventProtocol = d.EventProtocol;
    w.Memo = d.Memo;
    w.Info = d.Info;
    return w;
}

bool Same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

void Check(bool ok)
{
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    const TRecordedDataRead read = ParseRecordedDataFile(fuzzing::Bytes(Data, Size));
    {
        // Loaded from a copy it may take the values of, the window ends the same.
        FakeDataFileView view, taken;
        ApplyRecordedData(view, read, "/fuzz/input.csv");
        ApplyRecordedData(taken, TRecordedDataRead(read), "/fuzz/input.csv");
        for (size_t s = 0; s < view.series.size(); ++s) {
            const TChartSeries &a = *view.series[s], &b = *taken.series[s];
            Check(a.Count() == b.Count() && a.Labels().Count() == b.Labels().Count());
            for (int i = 0; i < a.Count(); ++i)
                Check(Same(a.GetxValue(i), b.GetxValue(i)) && Same(a.GetyValue(i), b.GetyValue(i)) &&
                      a.GetXLabel(i) == b.GetXLabel(i));
        }
    }
    if (!read.Loaded) return 0;

    const TRecordedDataRead once = ParseRecordedDataFile(BuildRecordedDataFile(ToWrite(read)));
    const TRecordedDataRead twice = ParseRecordedDataFile(BuildRecordedDataFile(ToWrite(once)));
    Check(once.Loaded && twice.Loaded && once.Problems.empty() && twice.Problems.empty());
    Check(once.EventProtocol == twice.EventProtocol && once.Memo == twice.Memo && once.Info == twice.Info);
    Check(once.SeriesTitles == twice.SeriesTitles && once.Labels == twice.Labels);
    Check(once.SeriesColumns == twice.SeriesColumns && once.X.size() == twice.X.size());
    for (size_t r = 0; r < once.X.size(); ++r) {
        Check(Same(once.X[r], twice.X[r]));
        for (size_t k = 0; k < once.Y.size(); ++k) Check(Same(once.Y[k][r], twice.Y[k][r]));
    }
    return 0;
}
