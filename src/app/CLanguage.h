#pragma once
// Access to the bilingual text table: one object per process that looks texts up by row
// and language and keeps the current language for windows that re-caption themselves.
#include "platform/AnsiString.h"

class CLanguage {
public:
    // Language indexes: 0 German, 1 English. Index 2 reads the table's empty spare column.
    static constexpr int German = 0;
    static constexpr int English = 1;

    // The process-wide object, created on the first call; every later call returns the same
    // object until Release.
    static CLanguage* Instance();
    // Frees the process-wide object (the main window does this last on closing). A later
    // Instance call creates a fresh object instead of handing out a freed one.
    static void Release();

    // Copies the text of `row` in `language` into `out` and returns `out`. Does not depend
    // on the object's current language. A row outside 0..426 or a language outside 0..2 is
    // a caller's error: it yields an empty text (and a warning) instead of reading outside
    // the table.
    AnsiString& LookupText(int language, int row, AnsiString& out) const;
    // The same in the current language.
    AnsiString& LookupCurrentText(int row, AnsiString& out) const;
    // Stores the current language; an index outside 0..2 is ignored (with a warning).
    void SetCurrentLanguage(int language);
    int CurrentLanguage() const { return FCurrentLanguage; }

    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

private:
    CLanguage() = default;
    ~CLanguage() = default;

    // German until the main window sets the language it has chosen.
    int FCurrentLanguage = German;
};

// The text of `row` in the current language of the process-wide object.
AnsiString CurrentText(int row);
