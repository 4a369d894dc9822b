#pragma once
// Directory-search name patterns: "*" is any run of characters, "?" exactly one, letters
// compare without regard to case; "*.*" matches every name, also those without a dot.

#include <string>
#include <string_view>

namespace trellin {

bool HasWildcard(std::string_view text);
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace trellin
