#include "trellin/NamePattern.h"

#include <unicode/utf8.h>

#include <cstdint>
#include <vector>

#include "platform/TextCase.h"

namespace trellin {

namespace {

// Code points of a folded name; a byte outside valid UTF-8 gets a value of its own beyond
// the Unicode range, so it matches only itself (and one "?").
std::vector<uint32_t> CodePoints(std::string_view text) {
    std::vector<uint32_t> out;
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            i = start + 1;
            out.push_back(0x110000u + s[start]);
        } else {
            out.push_back(static_cast<uint32_t>(c));
        }
    }
    return out;
}

}  // namespace

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != text.npos;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    const std::vector<uint32_t> n = CodePoints(platform::FoldCase(name));
    const std::vector<uint32_t> p = CodePoints(platform::FoldCase(pattern));
    // Greedy match with one back-tracking point: linear in practice, never exponential.
    size_t ni = 0, pi = 0, starP = p.size(), starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (starP != p.size()) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

}  // namespace trellin
