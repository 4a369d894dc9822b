#include "platform/Utf8.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

#include "platform/CodePage.h"

namespace platform {

bool IsValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t offset = 0;
    // ICU's macros index with int32_t; walk very large inputs in slices that end on a
    // character boundary check of their own.
    while (offset < bytes.size()) {
        const int32_t length = static_cast<int32_t>(
            std::min<size_t>(bytes.size() - offset, static_cast<size_t>(INT32_MAX)));
        int32_t i = 0;
        while (i < length) {
            UChar32 c;
            U8_NEXT(s + offset, i, length, c);
            if (c < 0) return false;
        }
        offset += static_cast<size_t>(length);
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    const size_t n = units.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = units[i];
        if (U16_IS_LEAD(c) && i + 1 < n && U16_IS_TRAIL(units[i + 1])) {
            c = U16_GET_SUPPLEMENTARY(c, units[i + 1]);
            ++i;
        } else if (U16_IS_SURROGATE(c)) {
            c = 0xFFFD;
        }
        uint8_t buf[4];
        int32_t len = 0;
        UBool error = false;
        U8_APPEND(buf, len, 4, static_cast<UChar32>(c), error);
        (void)error;  // cannot fail: every code point fits in four bytes
        out.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(len));
    }
    return out;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(bigEndian ? static_cast<char16_t>(b0 << 8 | b1)
                                  : static_cast<char16_t>(b1 << 8 | b0));
    }
    return Utf16ToUtf8(units);
}

std::string RepairUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t length =
        static_cast<int32_t>(std::min<size_t>(bytes.size(), static_cast<size_t>(INT32_MAX)));
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(bytes.data() + start, static_cast<size_t>(i - start));
        }
    }
    return out;
}

std::string DecodeText(std::string_view bytes, int ansiCodePage) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return RepairUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return Utf16BytesToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return Utf16BytesToUtf8(bytes.substr(2), true);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return AnsiToUtf8(bytes, ansiCodePage);
}

}  // namespace platform
