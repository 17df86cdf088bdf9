// The texts of a series' marks.
#include <cmath>

#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeeConst.h"
#include "platform/FormatSettings.h"

char TeeLineSeparator = '\r';
char TeeColumnSeparator = '\x06';

AnsiString TChartSeries::XValueToText(double value) const
{
    if (FParentChart && FGetHorizAxis) return FParentChart->AxisLabelText(FGetHorizAxis, value);
    return FormatFloat(FValueFormat, value);
}

AnsiString TChartSeries::MarkPercent(int index, bool addTotal)
{
    const double total = FMandatory->TotalABS();
    const double p = total != 0 ? 100.0 * std::fabs(GetMarkValue(index)) / total : 100.0;
    AnsiString text = FormatFloat(FPercentFormat, p);
    if (addTotal) {
        const AnsiString& pattern = FMarks->GetMultiLine() ? TeeMsg_DefaultPercentOf2 : TeeMsg_DefaultPercentOf;
        text = FormatChartText(pattern, {text, FormatFloat(FValueFormat, total)});
    }
    return text;
}

AnsiString TChartSeries::GetMarkText(int index)
{
    if (index < 0 || index >= Count()) return AnsiString();
    const AnsiString separator(1, FMarks->GetMultiLine() ? TeeLineSeparator : ' ');
    const AnsiString valueText = FormatFloat(FValueFormat, GetMarkValue(index));
    auto labelText = [&]() {
        const AnsiString& label = FLabels.GetLabel(index);
        return label.empty() ? valueText : label;
    };
    auto xText = [&]() { return XValueToText(FNotMandatory->Value(index)); };
    AnsiString text;
    switch (FMarks->GetStyle()) {
        case smsValue: text = valueText; break;
        case smsPercent: text = MarkPercent(index); break;
        case smsLabel: text = labelText(); break;
        case smsLabelPercent: text = labelText() + separator + MarkPercent(index); break;
        case smsLabelValue: text = labelText() + separator + valueText; break;
        case smsLegend:
            text = FParentChart ? FParentChart->FormattedValueLegend(this, index) : AnsiString();
            if (!FMarks->GetMultiLine())
                for (char& c : text)
                    if (c == TeeColumnSeparator) c = ' ';
            break;
        case smsPercentTotal: text = MarkPercent(index, true); break;
        case smsLabelPercentTotal: text = labelText() + separator + MarkPercent(index, true); break;
        case smsXValue: text = xText(); break;
        case smsXY: text = xText() + separator + valueText; break;
    }
    if (OnGetMarkText) OnGetMarkText(this, index, text);
    return text;
}
