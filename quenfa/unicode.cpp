#include "quenfa/unicode.h"

#include <bit>
#include <cstring>

#include "platform/CodePage.h"

namespace quenfa {

namespace {

template <bool bigEndian>
std::string Utf16ToAnsi(std::string_view file, int codePage) {
    if (file.size() <= 2) return {};
    const std::string_view body = file.substr(2);
    thread_local std::u16string units;  // reused: the file's code units, then converted
    units.resize(body.size() / 2);
    if constexpr (!bigEndian && std::endian::native == std::endian::little) {
        std::memcpy(units.data(), body.data(), units.size() * 2);
    } else {
        for (size_t k = 0; k < units.size(); ++k) {
            const auto lo = static_cast<unsigned char>(body[2 * k + (bigEndian ? 1 : 0)]);
            const auto hi = static_cast<unsigned char>(body[2 * k + (bigEndian ? 0 : 1)]);
            units[k] = static_cast<char16_t>(lo | (hi << 8));
        }
    }
    if (!units.empty() && units.back() == u'\x1A') units.pop_back();
    bool nul = false;  // no early exit: the loop is vectorised
    for (const char16_t u : units) nul |= u == 0;
    if (nul) throw DecodeError("UTF-16 text holds U+0000");
    return platform::Utf16ToAnsi(units, codePage);
}

}  // namespace

std::string Utf16LeToAnsi(std::string_view file, int codePage) {
    return Utf16ToAnsi<false>(file, codePage);
}

std::string Utf16BeToAnsi(std::string_view file, int codePage) {
    return Utf16ToAnsi<true>(file, codePage);
}

std::string Utf8ToAnsi(std::string_view file, bool hasBom, int codePage) {
    if (hasBom ? file.size() <= 3 : file.empty()) return {};
    if (file.back() == '\x1A') file.remove_suffix(1);
    if (hasBom) file.remove_prefix(3);
    if (file.find('\0') != std::string_view::npos) throw DecodeError("UTF-8 text holds U+0000");
    return platform::Utf8ToAnsi(file, codePage);
}

}  // namespace quenfa
