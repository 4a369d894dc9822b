#include "trellin/ListFile.h"

#include <charconv>
#include <climits>

#include "common/Lines.h"
#include "common/SplitFields.h"
#include "common/Trim.h"
#include "platform/Utf8.h"
#include "trellin/NamePattern.h"

namespace trellin {

namespace {

bool StartsWithUpper(std::string_view line, std::string_view header) {
    if (line.size() < header.size()) return false;
    for (size_t i = 0; i < header.size(); ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != header[i]) return false;
    }
    return true;
}

// The entry lines of the first section with this header.
std::vector<std::string_view> SectionLines(const std::vector<std::string_view>& lines,
                                           std::string_view header) {
    std::vector<std::string_view> out;
    bool inside = false;
    for (const std::string_view line : lines) {
        const std::string_view text = TrimView(line);
        if (inside) {
            if (text.starts_with('[')) break;
            if (text.empty() || text.starts_with(';')) continue;
            out.push_back(text);
        } else if (StartsWithUpper(text, header)) {
            inside = true;
        }
    }
    return out;
}

// Field 1: trimmed; a leading quote takes the first and the last character with it. Folder
// separators may be written either way.
std::string EntryPath(const std::vector<std::string>& fields) {
    std::string path = fields.empty() ? std::string() : Trim(fields[0]);
    if (path.starts_with('"'))
        path = path.size() < 2 ? std::string() : path.substr(1, path.size() - 2);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

int Mode(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return 0;
    std::string_view text = fields[1];
    if (text.starts_with('+')) text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return 0;
    return value;
}

}  // namespace

std::filesystem::path ListFilePath(const std::filesystem::path& programFile) {
    return std::filesystem::path(programFile).replace_extension(".env");
}

std::string DecodeListFile(std::string_view bytes, int ansiCodePage) {
    return platform::DecodeText(bytes, ansiCodePage);
}

ListFile ParseListFile(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    ListFile list;
    std::vector<std::string> fields;
    for (const std::string_view line : SectionLines(lines, "[DIRECTORIES]")) {
        SplitFields(line, fields);
        const int mode = Mode(fields);
        if (mode == 0 || mode == 1) list.directories.push_back({EntryPath(fields), mode});
    }
    for (const std::string_view line : SectionLines(lines, "[FILES]")) {
        SplitFields(line, fields);
        list.files.push_back(EntryPath(fields));
    }
    return list;
}

}  // namespace trellin
