#include "common/Number.h"

#include <climits>
#include <cstdlib>

#include "common/Trim.h"

int32_t ToInt32Def(const std::string& text, int32_t def) {
    const std::string t = Trim(text);
    if (t.empty()) return def;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return def;
    return static_cast<int32_t>(v);
}

int DigitsOrZero(const std::string& text) {
    if (text.empty() || text.size() > 9) return 0;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}
