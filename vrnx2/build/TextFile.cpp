#include "vrnx2/build/TextFile.h"

#include <unicode/unistr.h>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace vrnx2 {

namespace {

void SplitLines(std::string_view text, TextFile& out) {
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out.lines.emplace_back(text.substr(start, i - start));
            size_t len = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            out.breaks.emplace_back(text.substr(i, len));
            i += len;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) {
        out.lines.emplace_back(text.substr(start));
        out.breaks.emplace_back();
    }
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        units[i] = static_cast<char16_t>((hi << 8) | lo);
    }
    icu::UnicodeString u(false, units.data(), static_cast<int32_t>(units.size()));
    std::string out;
    u.toUTF8String(out);
    return out;
}

std::string Utf8ToUtf16Bytes(std::string_view utf8, bool bigEndian) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    std::string out;
    out.reserve(static_cast<size_t>(u.length()) * 2);
    for (int32_t i = 0; i < u.length(); ++i) {
        char16_t c = u.charAt(i);
        char hi = static_cast<char>(c >> 8);
        char lo = static_cast<char>(c & 0xFF);
        if (bigEndian) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    }
    return out;
}

// ASCII reads the same in every code page this program meets; no conversion needed.
bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string TextFile::LineUtf8(size_t i) const {
    const std::string& line = lines.at(i);
    if (encoding == TextEncoding::Ansi && !IsAscii(line))
        return platform::AnsiToUtf8(line, codePage);
    return line;
}

std::string TextFile::FromUtf8(std::string_view utf8) const {
    if (encoding == TextEncoding::Ansi && !IsAscii(utf8))
        return platform::Utf8ToAnsi(utf8, codePage);
    return std::string(utf8);
}

void TextFile::SetLineUtf8(size_t i, std::string_view utf8) {
    lines.at(i) = FromUtf8(utf8);
}

void TextFile::AppendLineUtf8(std::string_view utf8, std::string lineBreak) {
    // The last line gains a break so the new one starts on a line of its own.
    if (!breaks.empty() && breaks.back().empty()) breaks.back() = lineBreak;
    lines.push_back(FromUtf8(utf8));
    breaks.push_back(std::move(lineBreak));
}

std::optional<TextFile> ParseText(std::string_view bytes, int codePage, std::string* error) {
    TextFile file;
    file.codePage = codePage;
    auto fail = [&](const char* why) -> std::optional<TextFile> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (bytes.size() >= 2 && (static_cast<unsigned char>(bytes[0]) == 0xFF ||
                              static_cast<unsigned char>(bytes[0]) == 0xFE)) {
        bool le = static_cast<unsigned char>(bytes[0]) == 0xFF &&
                  static_cast<unsigned char>(bytes[1]) == 0xFE;
        bool be = static_cast<unsigned char>(bytes[0]) == 0xFE &&
                  static_cast<unsigned char>(bytes[1]) == 0xFF;
        if (le || be) {
            file.encoding = le ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
            if (bytes.size() % 2 != 0) return fail("odd length for UTF-16 text");
            SplitLines(Utf16BytesToUtf8(bytes.substr(2), be), file);
            if (EncodeText(file) != bytes) return fail("UTF-16 text that does not convert back");
            return file;
        }
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        file.encoding = TextEncoding::Utf8Bom;
        SplitLines(bytes.substr(3), file);
        // Malformed UTF-8 is kept as bytes; the lines are only compared, never reconverted.
        return file;
    }
    if (bytes.find('\0') != std::string_view::npos) return fail("not 8-bit text (NUL bytes)");
    SplitLines(bytes, file);
    return file;
}

std::optional<TextFile> ReadTextFile(const std::string& path, int codePage, std::string* error) {
    auto bytes = platform::ReadFile(path, error);
    if (!bytes) return std::nullopt;
    return ParseText(*bytes, codePage, error);
}

std::string EncodeText(const TextFile& file) {
    std::string body;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        body += file.lines[i];
        if (i < file.breaks.size()) body += file.breaks[i];
    }
    switch (file.encoding) {
        case TextEncoding::Ansi:
            return body;
        case TextEncoding::Utf8Bom:
            return "\xEF\xBB\xBF" + body;
        case TextEncoding::Utf16LE:
            return "\xFF\xFE" + Utf8ToUtf16Bytes(body, false);
        case TextEncoding::Utf16BE:
            return "\xFE\xFF" + Utf8ToUtf16Bytes(body, true);
    }
    return body;
}

bool WriteTextFile(const std::string& path, const TextFile& file, std::string* error) {
    return platform::WriteFileAtomic(path, EncodeText(file), error);
}

}  // namespace vrnx2
