#pragma once
// A class's rule for which properties are written, as a table: each row names a property
// and whether its value differs from the default (only then is it written):
//   const TStoredRule rules[] = {{"Style", FStyle != Defaults.Style}, ...};
//   if (const auto stored = StoredByRule(rules, Name)) return *stored;
//   return Base::IsPropertyStored(Name);
#include <cstring>
#include <optional>
#include <span>

struct TStoredRule {
    const char* Name;
    bool Differs;
};

// The row's answer for Name; no value when the table does not name it.
inline std::optional<bool> StoredByRule(std::span<const TStoredRule> Rules, const char* Name)
{
    for (const TStoredRule& rule : Rules)
        if (std::strcmp(Name, rule.Name) == 0) return rule.Differs;
    return std::nullopt;
}
