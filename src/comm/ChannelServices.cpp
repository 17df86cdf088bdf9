#include "comm/ChannelServices.h"

#include <atomic>

#include "platform/Dialogs.h"
#include "resources/LanguageTable.h"

namespace {
std::atomic<IApplicationServices*> g_services{nullptr};
}

IApplicationServices* ApplicationServices()
{
    return g_services.load();
}
void SetApplicationServices(IApplicationServices* services)
{
    g_services.store(services);
}

int ShowMessageBox(const AnsiString& text, const AnsiString& caption, int flags)
{
    if (IApplicationServices* s = ApplicationServices()) return s->MessageBox(text, caption, flags);
    return platform::dialogs().MessageBox(text, caption, flags);
}

AnsiString LookupText(int row)
{
    IApplicationServices* s = ApplicationServices();
    if (s) return s->LookupText(s->LanguageIndex(), row);
    // Without the main window (a channel on its own) the table's English text.
    if (row < 0 || row >= resources::LanguageTableRows) return {};
    return AnsiString(resources::LanguageTable[resources::LanguageTableColumns * row + 1]);
}

AnsiString LookupText(int row, std::initializer_list<AnsiString> fields)
{
    return FillTextFields(LookupText(row), fields);
}

AnsiString FillTextFields(const AnsiString& text, std::initializer_list<AnsiString> fields)
{
    AnsiString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n = i + 1 < text.size() ? std::size_t(text[i + 1] - '1') : fields.size();
        if (text[i] == '$' && n < fields.size() && n < 9) {
            out += fields.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

int CurrentChannel()
{
    IApplicationServices* s = ApplicationServices();
    return s ? s->CurrentChannel() : 0;
}

IChannelWindow* ChannelWindowOf(int channel)
{
    IApplicationServices* s = ApplicationServices();
    if (!s || channel < 1 || channel > 10) return nullptr;
    return s->ChannelWindow(channel);
}
