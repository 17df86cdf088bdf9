#include "comm/ChannelServices.h"

#include <atomic>

#include "platform/Dialogs.h"

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
    return s ? s->LookupText(s->LanguageIndex(), row) : AnsiString();
}

AnsiString LanguageText(const char* german, const char* english)
{
    IApplicationServices* s = ApplicationServices();
    return (s && s->LanguageIndex() == 0) ? german : english;
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
