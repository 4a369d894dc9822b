#pragma once
// Letter case on UTF-8 text, with Unicode's simple mappings and no language-specific rules
// ("i" is always upper-cased to "I").

#include <string>
#include <string_view>

namespace platform {

std::string UpperCase(std::string_view utf8);              // simple upper-case mapping
std::string FoldCase(std::string_view utf8);               // simple case folding, for lookups
bool EqualNoCase(std::string_view a, std::string_view b);  // FoldCase(a) == FoldCase(b)

// Compares without regard to letter case under the user's locale (collator, secondary
// strength). Returns <0, 0, >0.
int CompareNoCaseLocale(std::string_view a, std::string_view b);

}  // namespace platform
