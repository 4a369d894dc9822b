#include "vrnx2/base/LanguageResource.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <optional>

#include "common/Trim.h"
#include "platform/CodePage.h"
#include "platform/TextCase.h"
#include "platform/Utf8.h"

namespace vrnx2 {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// An integer as the INI readers take it: optional sign, decimal or "$"/"0x" hexadecimal.
std::optional<int> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (StartsWith(text, "$")) {
        base = 16;
        text.remove_prefix(1);
    } else if (StartsWith(text, "0x") || StartsWith(text, "0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long value = 0;  // unsigned: a second sign is not a number
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value > (negative ? 1ULL + INT_MAX : 0ULL + INT_MAX)) return std::nullopt;
    return negative ? static_cast<int>(-static_cast<long long>(value)) : static_cast<int>(value);
}

struct Section {
    std::string name;
    std::vector<std::string> lines;  // normalised
};

std::string_view KeyOf(std::string_view line) {
    auto eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
}

// The value of the first line whose key matches, over the sections of that name in order.
std::optional<std::string> Find(const std::vector<Section>& sections, std::string_view section,
                                std::string_view key) {
    for (const Section& s : sections) {
        if (!SameIniName(s.name, section)) continue;
        for (const std::string& line : s.lines) {
            if (line.find('=') != std::string::npos && SameIniName(KeyOf(line), key))
                return line.substr(line.find('=') + 1);
        }
    }
    return std::nullopt;
}

FontSetting ReadFont(const std::vector<Section>& sections, std::string_view section,
                     const FontSetting& defaults) {
    FontSetting font = defaults;
    if (auto v = Find(sections, section, "CharSet")) {
        auto n = ParseInteger(*v);
        if (n && *n >= 0 && *n <= 255) font.charSet = *n;
    }
    if (auto v = Find(sections, section, "Name")) {
        std::string name = *v;
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        font.name = name;
    }
    if (auto v = Find(sections, section, "Size")) {
        // A size of zero or less would give no usable font; keep the default then.
        auto n = ParseInteger(*v);
        if (n && *n > 0) font.size = *n;
    }
    return font;
}

}  // namespace

bool SameIniName(std::string_view a, std::string_view b) {
    auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (ascii(a) && ascii(b)) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) ==
                          std::tolower(static_cast<unsigned char>(y));
               });
    }
    return platform::EqualNoCase(a, b);
}

std::string DecodeResourceText(std::string_view bytes, int ansiCodePage) {
    return platform::DecodeText(bytes, ansiCodePage);
}

LanguageResource ParseLanguageResource(std::string_view utf8) {
    std::vector<Section> sections;
    std::size_t pos = 0;
    while (pos <= utf8.size()) {
        std::size_t end = utf8.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = TrimView(utf8.substr(pos, end - pos));
        pos = end + 1;
        if (end < utf8.size() && utf8[end] == '\r' && pos < utf8.size() && utf8[pos] == '\n') ++pos;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            sections.push_back(Section{Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        if (sections.empty()) continue;
        auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            sections.back().lines.emplace_back(line);
        } else {
            std::string normalised(TrimView(line.substr(0, eq)));
            normalised += '=';
            normalised += TrimView(line.substr(eq + 1));
            sections.back().lines.push_back(std::move(normalised));
        }
    }

    LanguageResource resource;
    resource.font1 = ReadFont(sections, "Font01", resource.font1);
    resource.font2 = ReadFont(sections, "Font02", resource.font2);
    for (Section& s : sections) {
        if (!SameIniName(s.name, "Strings")) continue;
        for (std::string& line : s.lines) resource.strings.push_back(std::move(line));
    }
    return resource;
}

}  // namespace vrnx2
