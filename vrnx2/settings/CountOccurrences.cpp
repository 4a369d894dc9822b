// CountOccurrences: the byte matcher and the character-aware matcher.

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <climits>
#include <string_view>

#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace {

constexpr size_t kNoMatch = static_cast<size_t>(-1);

// Reads one character at `i` and advances `i`; an ill-formed byte is read alone as -1.
UChar32 NextChar(std::string_view s, int32_t& i) {
    UChar32 c;
    U8_NEXT(s.data(), i, static_cast<int32_t>(s.size()), c);
    return c;
}

// Compares `pattern` with `text` at `start` character by character. Where either side is
// not a whole character, the byte matcher goes on byte by byte, while the character-aware
// one compares the ill-formed sequences whole, so its match ends on a character boundary.
// Returns the length of the matched text, or kNoMatch.
size_t MatchCharacters(std::string_view text, size_t start, std::string_view pattern,
                       bool ignoreCase, bool byCharacter) {
    int32_t ti = static_cast<int32_t>(start);
    int32_t pi = 0;
    const auto plen = static_cast<int32_t>(pattern.size());
    const auto tlen = static_cast<int32_t>(text.size());
    while (pi < plen) {
        if (ti >= tlen) return kNoMatch;
        int32_t tFrom = ti, pFrom = pi;
        UChar32 tc = NextChar(text, ti);
        UChar32 pc = NextChar(pattern, pi);
        if (tc < 0 || pc < 0) {
            if (!byCharacter) {
                // Bytes outside whole characters compare one by one.
                ti = tFrom + 1;
                pi = pFrom + 1;
                if (text[tFrom] != pattern[pFrom]) return kNoMatch;
            } else if (text.substr(tFrom, ti - tFrom) != pattern.substr(pFrom, pi - pFrom)) {
                return kNoMatch;
            }
        } else if (ignoreCase) {
            if (u_foldCase(tc, U_FOLD_CASE_DEFAULT) != u_foldCase(pc, U_FOLD_CASE_DEFAULT))
                return kNoMatch;
        } else if (tc != pc) {
            return kNoMatch;
        }
    }
    return static_cast<size_t>(ti) - start;
}

size_t MatchAt(std::string_view text, size_t start, std::string_view pattern, bool ignoreCase,
               bool byCharacter) {
    if (!ignoreCase && !byCharacter)
        return text.compare(start, pattern.size(), pattern) == 0 ? pattern.size() : kNoMatch;
    return MatchCharacters(text, start, pattern, ignoreCase, byCharacter);
}

}  // namespace

int CountOccurrences(const std::string& pattern, const std::string& text, int options) {
    if (pattern.empty() || text.size() >= static_cast<size_t>(INT32_MAX) ||
        pattern.size() >= static_cast<size_t>(INT32_MAX))
        return 0;
    const bool ignoreCase = (options & 1) != 0;
    const bool byCharacter = (options & 2) != 0;
    int count = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t matched = MatchAt(text, i, pattern, ignoreCase, byCharacter);
        if (matched != kNoMatch) {
            ++count;
            i += matched;
        } else if (byCharacter) {
            // The next try starts on the next character, never inside this one.
            auto at = static_cast<int32_t>(i);
            NextChar(text, at);
            i = static_cast<size_t>(at);
        } else {
            ++i;
        }
    }
    return count;
}

}  // namespace vrnx2
