#pragma once
// The program's bilingual text table: every text its own windows show, one row per text,
// addressed by row (names in TextRows.h). Row r, column c is LanguageTable[LanguageTableColumns * r + c];
// column 0 is German, 1 English, 2 an always empty spare column.
#include <string_view>

namespace resources {

inline constexpr int LanguageTableRows = 633;
inline constexpr int LanguageTableColumns = 3;
inline constexpr int LanguageTableSize = LanguageTableRows * LanguageTableColumns;

// UTF-8 texts, kept exactly as shown: leading and trailing blanks, "&" accelerator marks
// and "|" separators (hint: short|long; file filter: description|pattern) are significant.
extern const std::string_view LanguageTable[LanguageTableSize];

}  // namespace resources
