#include "vrnx2/profiles/Preferences.h"

#include <fnmatch.h>

#include "common/Trim.h"
#include "platform/Path.h"
#include "vrnx2/controls/NumberFormat.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

constexpr const char* kPluginBuilderPath = "PluginBuilder Path";
constexpr const char* kPluginBuilderWait = "PluginBuilder Wait";
constexpr const char* kTextEditor = "TextEditor";
constexpr const char* kTextEditorWait = "TextEditor Wait";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string ChooserPattern(const std::string& pattern) {
    return pattern == "*.*" ? std::string("*") : pattern;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Preferences LoadPreferences() {
    // One consistent state, even while another process writes.
    StoreTransaction read(StoreTransaction::Read);
    Preferences p;
    p.pluginBuilderPath = RegReadString(0, kSystemKey, kPluginBuilderPath, "");
    p.pluginBuilderWait = RegReadBool(0, kSystemKey, kPluginBuilderWait, false);
    p.textEditor = RegReadString(0, kSystemKey, kTextEditor, "");
    p.textEditorWait = RegReadBool(0, kSystemKey, kTextEditorWait, false);
    read.Commit();
    return p;
}

std::string TextEditorProgram(const std::string& editor) {
    return editor.empty() ? std::string("xdg-open") : editor;
}

void SavePreferences(const Preferences& prefs) {
    StoreTransaction write;
    RegWriteString(0, kSystemKey, kPluginBuilderPath, prefs.pluginBuilderPath);
    RegWriteBool(0, kSystemKey, kPluginBuilderWait, prefs.pluginBuilderWait);
    RegWriteString(0, kSystemKey, kTextEditor, prefs.textEditor);
    RegWriteBool(0, kSystemKey, kTextEditorWait, prefs.textEditorWait);
    write.Commit();
}

std::string WithoutTrailingDelimiter(std::string path) {
    return platform::WithoutTrailingSlash(path);
}

std::optional<std::string> DroppedPathText(const std::vector<std::string>& names,
                                           PathBoxKind kind) {
    if (names.empty()) return std::nullopt;
    return kind == PathBoxKind::Folder ? WithoutTrailingDelimiter(names.front()) : names.front();
}

std::string InitialFolderOf(const std::string& fileText) {
    const auto slash = fileText.rfind('/');
    return slash == std::string::npos ? std::string() : fileText.substr(0, slash + 1);
}

std::vector<FileFilter> ParseFileFilter(const std::string& text) {
    std::vector<FileFilter> filters;
    if (text.empty()) return filters;
    const std::vector<std::string> parts = Split(text, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FileFilter f;
        f.label = parts[i];
        if (i + 1 < parts.size()) {
            for (std::string& pattern : Split(parts[i + 1], ';')) {
                pattern = Trim(pattern);
                if (!pattern.empty()) f.patterns.push_back(std::move(pattern));
            }
        }
        if (f.patterns.empty()) f.patterns.emplace_back("*");
        filters.push_back(std::move(f));
    }
    return filters;
}

std::vector<std::string> ChooserFilters(const std::vector<FileFilter>& filters) {
    std::vector<std::string> out;
    for (const FileFilter& f : filters) {
        std::string raw, shown;
        for (const std::string& pattern : f.patterns) {
            raw += (raw.empty() ? "" : ";") + pattern;
            shown += (shown.empty() ? "" : " ") + ChooserPattern(pattern);
        }
        // A label that already ends in its patterns shows them once, in the chooser's form.
        std::string label = f.label;
        const std::string suffix = "(" + raw + ")";
        if (label.size() >= suffix.size() &&
            label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0)
            label.erase(label.size() - suffix.size());
        else if (!label.empty())
            label += ' ';
        out.push_back(label + "(" + shown + ")");
    }
    return out;
}

std::size_t InitialFilterIndex(const std::vector<FileFilter>& filters,
                               const std::string& fileText) {
    if (filters.empty()) return 0;
    const std::string name = FileNameOf(fileText);
    if (!name.empty()) {
        for (std::size_t i = 0; i < filters.size(); ++i) {
            for (const std::string& pattern : filters[i].patterns) {
                if (fnmatch(ChooserPattern(pattern).c_str(), name.c_str(), FNM_CASEFOLD) == 0)
                    return i;
            }
        }
    }
    return filters.size() - 1;
}

std::string AboutVersionText() {
    return "version " + FormatNumber("#.00", kProductVersion);
}

}  // namespace vrnx2
