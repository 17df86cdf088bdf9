#include "comm/ChannelServices.h"

#include <atomic>

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
