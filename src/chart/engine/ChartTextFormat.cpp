#include "chart/engine/ChartTextFormat.h"

AnsiString FormatChartText(const AnsiString& text, std::initializer_list<AnsiString> args)
{
    AnsiString result;
    result.reserve(text.size() + 16);
    auto next = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size()) {
            const char k = text[i + 1];
            if (k == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (k == 'd' || k == 's') {
                if (next != args.end()) result += *next++;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
