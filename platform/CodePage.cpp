#include "platform/CodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Utf8.h"

namespace platform {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenCodePage(int codePage) {
    UErrorCode status = U_ZERO_ERROR;
    std::string name = "windows-" + std::to_string(codePage);
    UConverter* c = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || !c) {
        status = U_ZERO_ERROR;
        name = "cp" + std::to_string(codePage);
        c = ucnv_open(name.c_str(), &status);
    }
    if (U_FAILURE(status)) {
        if (c) ucnv_close(c);
        return nullptr;
    }
    return Converter(c);
}

// Unknown code pages fall back to Western European, the most common ANSI code page.
Converter OpenOrDefault(int codePage) {
    Converter c = OpenCodePage(codePage);
    return c ? std::move(c) : OpenCodePage(1252);
}

// Opening a converter costs more than converting a typical line, so each thread keeps its
// converters for the rest of its life. The two directions get separate converters: the "?"
// substitute set for writing must not touch what reading substitutes.
struct CachedConverter {
    int codePage = 0;
    bool toAnsi = false;
    Converter conv;
    bool asciiSame = false;  // U+0000..U+007F become the same bytes: they may be copied
};

bool MapsAsciiToItself(UConverter* conv) {
    char16_t units[128];
    for (int i = 0; i < 128; ++i) units[i] = static_cast<char16_t>(i);
    char bytes[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(conv, bytes, sizeof bytes,
                                      reinterpret_cast<const UChar*>(units), 128, &status);
    if (U_FAILURE(status) || n != 128) return false;
    for (int i = 0; i < 128; ++i)
        if (static_cast<unsigned char>(bytes[i]) != i) return false;
    return true;
}

CachedConverter& ConverterFor(int codePage, bool toAnsi) {
    thread_local std::vector<std::unique_ptr<CachedConverter>> cache;
    for (const auto& c : cache)
        if (c->codePage == codePage && c->toAnsi == toAnsi) return *c;
    auto entry = std::make_unique<CachedConverter>();
    entry->codePage = codePage;
    entry->toAnsi = toAnsi;
    entry->conv = OpenOrDefault(codePage);
    if (toAnsi && entry->conv) {
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setSubstChars(entry->conv.get(), "?", 1, &status);
        entry->asciiSame = MapsAsciiToItself(entry->conv.get());
    }
    cache.push_back(std::move(entry));
    return *cache.back();
}

bool IsSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}
bool IsLead(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsTrail(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Appends `text` converted to the code page. Unpaired surrogates cannot be converted; they
// become "?" like anything unmappable.
void AppendAnsi(UConverter* conv, std::u16string_view text, std::string& out) {
    thread_local std::u16string clean;
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsSurrogate(text[i])) continue;
        if (IsLead(text[i]) && i + 1 < text.size() && IsTrail(text[i + 1])) {
            ++i;
            continue;
        }
        if (source != reinterpret_cast<const UChar*>(clean.data())) {
            clean.assign(text);
            source = reinterpret_cast<const UChar*>(clean.data());
        }
        clean[i] = u'?';
    }
    const size_t old = out.size();
    out.resize(old + text.size() * 4 + 4);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n =
        conv ? ucnv_fromUChars(conv, out.data() + old, static_cast<int32_t>(out.size() - old),
                               source, static_cast<int32_t>(text.size()), &status)
             : 0;
    if (!conv || U_FAILURE(status)) {
        out.resize(old);
        out.append(text.size(), '?');
        return;
    }
    out.resize(old + static_cast<size_t>(n));
}

bool IsAscii(char16_t c) {
    return c < 0x80;
}

}  // namespace

bool IsSupportedCodePage(int codePage) {
    return OpenCodePage(codePage) != nullptr;
}

std::string AnsiToUtf8(std::string_view bytes, int codePage) {
    if (bytes.empty()) return {};
    UConverter* conv = ConverterFor(codePage, false).conv.get();
    if (!conv) return std::string(bytes);
    std::u16string wide(bytes.size() * 2 + 2, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(wide.data()),
                              static_cast<int32_t>(wide.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::string(bytes);
    wide.resize(n);
    return platform::Utf16ToUtf8(wide);
}

std::string Utf16ToAnsi(std::u16string_view text, int codePage) {
    if (text.empty()) return {};
    const CachedConverter& c = ConverterFor(codePage, true);
    std::string out;
    if (!c.asciiSame) {
        AppendAnsi(c.conv.get(), text, out);
        return out;
    }
    // Setup text is mostly ASCII: copy it and hand only the runs between to the converter.
    // `out` always has room for one byte per unit still to come, as an all-ASCII rest needs.
    const size_t n = text.size();
    out.resize(n);
    size_t pos = 0;
    size_t i = 0;
    while (i < n) {
        constexpr size_t kBlock = 16;
        for (; i + kBlock <= n; i += kBlock, pos += kBlock) {
            char16_t any = 0;
            for (size_t k = 0; k < kBlock; ++k) any |= text[i + k];
            if (!IsAscii(any)) break;
            for (size_t k = 0; k < kBlock; ++k) out[pos + k] = static_cast<char>(text[i + k]);
        }
        for (; i < n && IsAscii(text[i]); ++i) out[pos++] = static_cast<char>(text[i]);
        if (i == n) break;
        size_t j = i + 1;
        while (j < n && !IsAscii(text[j])) ++j;
        thread_local std::string run;
        run.clear();
        AppendAnsi(c.conv.get(), text.substr(i, j - i), run);
        // A run may take more bytes than units; grow by doubling so the zero-filling stays
        // linear in the text.
        const size_t needed = pos + run.size() + (n - j);
        if (needed > out.size()) out.resize(std::max(needed, out.size() * 2));
        std::memcpy(out.data() + pos, run.data(), run.size());
        pos += run.size();
        i = j;
    }
    out.resize(pos);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8, int codePage) {
    if (utf8.empty()) return {};
    const CachedConverter& c = ConverterFor(codePage, true);
    std::string out;
    out.reserve(utf8.size());
    thread_local std::u16string wide;
    // A multi-byte sequence never holds an ASCII byte, so malformed ones are replaced the
    // same way whether the text is converted whole or in runs between ASCII bytes.
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        if (c.asciiSame && static_cast<unsigned char>(utf8[i]) < 0x80) {
            size_t j = i + 1;
            while (j < n && static_cast<unsigned char>(utf8[j]) < 0x80) ++j;
            out.append(utf8.substr(i, j - i));
            i = j;
            continue;
        }
        size_t j = i + 1;
        if (c.asciiSame)
            while (j < n && static_cast<unsigned char>(utf8[j]) >= 0x80) ++j;
        else
            j = n;
        const std::string_view run = utf8.substr(i, j - i);
        wide.resize(run.size() + 1);
        int32_t units = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide.data()),
                             static_cast<int32_t>(wide.size()), &units, run.data(),
                             static_cast<int32_t>(run.size()), 0x3F, nullptr, &status);
        if (U_FAILURE(status))
            out.append(run.size(), '?');
        else
            AppendAnsi(c.conv.get(), std::u16string_view(wide.data(), size_t(units)), out);
        i = j;
    }
    return out;
}

bool IsDbcsLeadByte(int codePage, unsigned char b) {
    switch (codePage) {
        case 932:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950:
            return b >= 0x81 && b <= 0xFE;
        default:
            return false;
    }
}

bool CanEncode(std::string_view utf8, int codePage) {
    if (!IsValidUtf8(utf8)) return false;
    return AnsiToUtf8(Utf8ToAnsi(utf8, codePage), codePage) == utf8;
}

}  // namespace platform
