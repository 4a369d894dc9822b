#include "vrnx2/settings/Ini.h"

#include <utility>

#include "common/Trim.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/TextCase.h"
#include "platform/Utf8.h"

namespace vrnx2 {

namespace {

// One line of the file, split at the first "=". hasValue is false for a line without "=".
struct IniLine {
    std::string_view key;
    std::string_view value;
};

bool StartsSection(std::string_view line, std::string_view& name) {
    if (line.empty() || line.front() != '[') return false;
    size_t close = line.find(']');
    name = TrimView(
        line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

IniLine SplitKeyLine(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {TrimView(line), {}};
    return {TrimView(line.substr(0, eq)), TrimView(line.substr(eq + 1))};
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

}  // namespace

std::string DecodeIniText(std::string_view bytes) {
    return platform::DecodeText(bytes, platform::CurrentLocale().ansiCodePage);
}

std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::string wantSection = platform::FoldCase(TrimView(section));
    const std::string wantKey = platform::FoldCase(TrimView(key));
    // Keys before the first header belong to the nameless section.
    bool inSection = wantSection.empty();
    bool sectionSeen = inSection;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;

        std::string_view name;
        if (StartsSection(line, name)) {
            // Only the first section of the name is searched.
            if (sectionSeen) return std::nullopt;
            inSection = platform::FoldCase(name) == wantSection;
            sectionSeen = inSection;
            continue;
        }
        if (!inSection || line.empty() || line.front() == ';') continue;
        IniLine kv = SplitKeyLine(line);
        if (platform::FoldCase(kv.key) == wantKey) return Unquote(kv.value);
    }
    return std::nullopt;
}

std::optional<int32_t> ParseIniInteger(std::string_view text) {
    text = TrimView(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    uint64_t magnitude = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    }
    if (base == 10) {
        // Decimal must fit the signed range; hexadecimal may name the full 32 bits.
        if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    std::optional<std::string> bytes = platform::ReadFile(file);
    if (!bytes) return def;
    std::optional<std::string> value = IniFindValue(DecodeIniText(*bytes), section, key);
    return value ? std::move(*value) : def;
}

int32_t IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def) {
    std::optional<std::string> bytes = platform::ReadFile(file);
    if (!bytes) return def;
    std::optional<std::string> value = IniFindValue(DecodeIniText(*bytes), section, key);
    if (!value) return def;
    return ParseIniInteger(*value).value_or(def);
}

}  // namespace vrnx2
