#include "channel/ChannelTexts.h"

#include "app/CLanguage.h"
#include "app/TfrmMainWindow.h"
#include "comm/ChannelServices.h"
#include "platform/Dialogs.h"

int ChannelLanguage()
{
    const IApplicationServices* services = ApplicationServices();
    return services ? services->LanguageIndex() : CLanguage::German;
}

AnsiString ChannelText(resources::TextRow row)
{
    AnsiString text;
    return CLanguage::Instance()->LookupText(ChannelLanguage(), row, text);
}

AnsiString ChannelText(resources::TextRow row, std::initializer_list<AnsiString> fields)
{
    AnsiString text = ChannelText(row);
    int n = 0;
    for (const AnsiString& field : fields) {
        const AnsiString mark = "$" + IntToStr(++n);
        if (const auto at = text.find(mark); at != AnsiString::npos) text.replace(at, mark.size(), field);
    }
    return text;
}

AnsiString ChannelText(const char* german, const char* english)
{
    return ChannelLanguage() == CLanguage::English ? english : german;
}

bool ChannelAskYesNo(const AnsiString& text, bool defaultNo)
{
    if (frmMainWindow) return frmMainWindow->AskYesNo(text, defaultNo);
    return platform::dialogs().MessageBox(text, ChannelText(resources::RowWarning),
                                          MB_YESNO | MB_ICONWARNING | (defaultNo ? MB_DEFBUTTON2 : 0)) == IDYES;
}
