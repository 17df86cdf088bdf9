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
    return FillTextFields(ChannelText(row), fields);
}

bool ChannelAskYesNo(const AnsiString& text, bool defaultNo)
{
    if (frmMainWindow) return frmMainWindow->AskYesNo(text, defaultNo);
    return platform::dialogs().MessageBox(text, ChannelText(resources::RowWarning),
                                          MB_YESNO | MB_ICONWARNING | (defaultNo ? MB_DEFBUTTON2 : 0)) == IDYES;
}
