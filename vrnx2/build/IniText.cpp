#include "vrnx2/build/IniText.h"

#include <filesystem>

#include "common/Trim.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Texts.h"

namespace vrnx2 {

bool EqualAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string Unquote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return std::string(text.substr(1, text.size() - 2));
    return std::string(text);
}

namespace {

// "[name]" (text after "]" ignored); nullopt when the line is no header.
std::optional<std::string> SectionName(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

}  // namespace

IniView::IniView(const TextFile& file) {
    Section* current = nullptr;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::string line = file.LineUtf8(i);
        std::string_view t = TrimView(line);
        if (t.empty() || t.front() == ';') continue;
        if (auto name = SectionName(t)) {
            sections_.push_back(Section{*name, {}});
            current = &sections_.back();
            continue;
        }
        if (!current) continue;
        size_t eq = t.find('=');
        if (eq == std::string_view::npos) continue;
        current->keys.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
    }
}

bool IniView::HasSection(std::string_view section) const {
    for (const auto& s : sections_)
        if (EqualAsciiNoCase(s.name, section)) return true;
    return false;
}

std::optional<std::string> IniView::Value(std::string_view section, std::string_view key) const {
    for (const auto& s : sections_) {
        if (!EqualAsciiNoCase(s.name, section)) continue;
        for (const auto& [k, v] : s.keys)
            if (EqualAsciiNoCase(k, key)) return v;
    }
    return std::nullopt;
}

std::string IniView::Value(std::string_view section, std::string_view key,
                           const std::string& def) const {
    auto v = Value(section, key);
    return v ? *v : def;
}

bool UpdateIniSection(const std::string& path, std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& values, int codePage,
                      std::string* error) {
    // A line break in a value would add lines of its own to the file: a profile value
    // could then set any key of the builder's options.
    for (const auto& [key, value] : values) {
        if (key.find_first_of("\r\n=", 0) != std::string::npos ||
            value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            if (error)
                *error =
                    "the value of \"" + key + "\" holds a line break; " + path + " was not changed";
            return false;
        }
    }
    TextFile in;
    in.codePage = codePage;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        auto read = ReadTextFile(path, codePage, error);
        if (!read) return false;
        in = std::move(*read);
    }

    // Lines are kept in the file's own form; only names are decoded for comparison.
    struct Section {
        std::string header;  // the line as it will be written
        std::string name;
        std::vector<std::string> lines;  // "key=value" in file form, or other text
        std::vector<std::string> keys;   // decoded key of each line ("" for other text)
    };
    std::vector<Section> sections;
    for (size_t i = 0; i < in.lines.size(); ++i) {
        // Trimming and the "=" split work on the line's own bytes: in the double-byte code
        // pages neither a blank nor "=" is ever the second byte of a character.
        std::string_view t = TrimView(in.lines[i]);
        if (t.empty() || t.front() == ';') continue;
        if (t.front() == '[') {
            if (auto name = SectionName(TrimView(in.LineUtf8(i)))) {
                sections.push_back(Section{in.FromUtf8("[" + *name + "]"), *name, {}, {}});
                continue;
            }
        }
        if (sections.empty()) continue;
        size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            sections.back().lines.emplace_back(t);
            sections.back().keys.emplace_back();
        } else {
            std::string_view key = TrimView(t.substr(0, eq));
            sections.back().lines.push_back(std::string(key) + "=" +
                                            std::string(TrimView(t.substr(eq + 1))));
            sections.back().keys.emplace_back(key);  // compared as ASCII names
        }
    }

    Section* target = nullptr;
    for (auto& s : sections)
        if (EqualAsciiNoCase(s.name, section)) {
            target = &s;
            break;
        }
    if (!target) {
        sections.push_back(
            Section{in.FromUtf8("[" + std::string(section) + "]"), std::string(section), {}, {}});
        target = &sections.back();
    }
    for (const auto& [key, value] : values) {
        // A "?" in place of a letter would send the reader of the file to another path.
        if (in.encoding == TextEncoding::Ansi && !platform::CanEncode(value, codePage)) {
            if (error)
                *error = platform::Say(platform::Sentence::NotInCodePage,
                                       {key, std::to_string(codePage), value});
            return false;
        }
        std::string line = in.FromUtf8(key + "=" + value);
        bool found = false;
        for (size_t i = 0; i < target->keys.size(); ++i)
            if (EqualAsciiNoCase(target->keys[i], key)) {
                target->lines[i] = line;
                found = true;
                break;
            }
        if (!found) {
            target->lines.push_back(line);
            target->keys.push_back(key);
        }
    }

    TextFile out;
    out.encoding = in.encoding;
    out.codePage = codePage;
    for (const auto& s : sections) {
        out.lines.push_back(s.header);
        for (const auto& l : s.lines) out.lines.push_back(l);
        out.lines.emplace_back();
    }
    out.breaks.assign(out.lines.size(), "\r\n");
    return WriteTextFile(path, out, error);
}

}  // namespace vrnx2
