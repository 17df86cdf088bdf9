// Which point labels the channel chart's series draw as marks: the value series only the
// tick's event texts, the setpoint only the program's segment labels, series A nothing.
#include <algorithm>
#include <string_view>

#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartSeries.h"
#include "platform/FormatSettings.h"

namespace {

// The tick's error and new-recording labels in both languages, whatever the language is
// now: a recording labelled in German keeps its marks after a switch to English. The
// new-recording text is kept with and without a blank before the exclamation mark.
constexpr std::string_view kEventTexts[] = {
    "Fehler!",
    "Error!",
    "Neue Datenaufzeichnung!",
    "New data recording!",
    "Neue Datenaufzeichnung !",
    "New data recording !",
};

bool IsEventText(const AnsiString& text)
{
    return std::find(std::begin(kEventTexts), std::end(kEventTexts), text) != std::end(kEventTexts);
}

}  // namespace

void TmdiSubWindow::FilterMarkText(int series, AnsiString& text)
{
    if (series == SeriesA) {
        text.clear();
    } else if (series == 2) {
        // The setpoint shows segment names; a number (the point's value) is no name.
        double value = 0;
        if (TryStrToFloat(text, value) || IsEventText(text)) text.clear();
    } else if (!IsEventText(text)) {
        text.clear();
    }
}

void TmdiSubWindow::InstallMarkTextFilters()
{
    // The programmer's planned curve draws its labels as they are.
    for (int i = 0; i < SeriesProgrammer; ++i)
        if (TChartSeries* s = FSession->Series(i)) {
            s->OnGetMarkText = [i](TChartSeries*, int, AnsiString& text) { FilterMarkText(i, text); };
            // Every filter blanks numbers, so only labelled points can show a mark.
            s->MarksOfLabelsOnly = true;
        }
}
