#include "app/CLanguage.h"

#include <QtGlobal>
#include <mutex>

#include "resources/LanguageTable.h"

namespace {

std::mutex instanceMutex;
CLanguage* instance = nullptr;

}  // namespace

CLanguage* CLanguage::Instance()
{
    std::lock_guard<std::mutex> lock(instanceMutex);
    if (!instance) instance = new CLanguage();
    return instance;
}

void CLanguage::Release()
{
    std::lock_guard<std::mutex> lock(instanceMutex);
    delete instance;
    instance = nullptr;
}

AnsiString& CLanguage::LookupText(int language, int row, AnsiString& out) const
{
    using namespace resources;
    if (row < 0 || row >= LanguageTableRows || language < 0 || language >= LanguageTableColumns) {
        qWarning("CLanguage: no text for row %d in language %d", row, language);
        out.clear();
        return out;
    }
    out.assign(LanguageTable[LanguageTableColumns * row + language]);
    return out;
}

AnsiString& CLanguage::LookupCurrentText(int row, AnsiString& out) const
{
    return LookupText(FCurrentLanguage, row, out);
}

AnsiString CurrentText(int row)
{
    AnsiString out;
    return CLanguage::Instance()->LookupCurrentText(row, out);
}

void CLanguage::SetCurrentLanguage(int language)
{
    // A wrong index would blank every caption of the next re-captioning pass; keep the
    // language in force instead.
    if (language < 0 || language >= resources::LanguageTableColumns) {
        qWarning("CLanguage: language %d ignored", language);
        return;
    }
    FCurrentLanguage = language;
}
