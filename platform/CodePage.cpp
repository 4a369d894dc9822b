#include "platform/CodePage.h"

#include <memory>
#include <string>

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

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

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

bool IsSupportedCodePage(int codePage) { return OpenCodePage(codePage) != nullptr; }

std::string AnsiToUtf8(std::string_view bytes, int codePage) {
    if (bytes.empty()) return {};
    Converter conv = OpenOrDefault(codePage);
    std::u16string wide(bytes.size() * 2 + 2, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(wide.data()),
                              static_cast<int32_t>(wide.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::string(bytes);
    wide.resize(n);
    return Utf16ToUtf8(wide);
}

std::string Utf16ToAnsi(std::u16string_view text, int codePage) {
    if (text.empty()) return {};
    // Unpaired surrogates cannot be converted; they become "?" like anything unmappable.
    std::u16string clean(text);
    for (size_t i = 0; i < clean.size(); ++i) {
        char16_t c = clean[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
            clean[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            clean[i] = u'?';
        }
    }
    Converter conv = OpenOrDefault(codePage);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    status = U_ZERO_ERROR;
    std::string out(clean.size() * 4 + 4, '\0');
    int32_t n = ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(clean.data()),
                                static_cast<int32_t>(clean.size()), &status);
    if (U_FAILURE(status)) return std::string(clean.size(), '?');
    out.resize(n);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8, int codePage) {
    if (utf8.empty()) return {};
    std::u16string wide(utf8.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
                         &n, utf8.data(), static_cast<int32_t>(utf8.size()), 0x3F, nullptr,
                         &status);
    if (U_FAILURE(status)) return std::string(utf8.size(), '?');
    wide.resize(n);
    return Utf16ToAnsi(wide, codePage);
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

}  // namespace platform
