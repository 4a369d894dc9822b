#include "vrnx2/build/BuilderLog.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "vrnx2/build/IniText.h"
#include "vrnx2/build/TextFile.h"
#include "vrnx2/settings/Ini.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace fs = std::filesystem;

const char* LogVerdictName(LogVerdict v) {
    // In the order of LogVerdict.
    static constexpr const char* kNames[] = {"not inspected",          "missing", "empty", "ok",
                                             "terminated by the user", "failed"};
    const auto index = static_cast<size_t>(v);
    return index < std::size(kNames) ? kNames[index] : "";
}

namespace {

bool ExistsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

int Count(const std::string& pattern, const std::string& text) {
    if (pattern.empty()) return 0;  // an absent translation never matches
    return CountOccurrences(pattern, text, 1);
}

}  // namespace

std::string BuilderLanguageFile(const std::string& builderDir, const std::string& optionsFile,
                                uint32_t lcid) {
    fs::path langDir = platform::ResolveNoCase(builderDir, "lang");
    std::string name = Trim(IniReadString(optionsFile, "input", "langfile", ""));
    if (name.empty()) {
        std::vector<std::string> names;
        for (const auto& e : platform::ListDirectory(langDir)) {
            if (e.isDirectory || e.name.empty() || e.name[0] == '.') continue;
            if (e.name.size() < 4 ||
                !EqualAsciiNoCase(std::string_view(e.name).substr(e.name.size() - 4), ".lng"))
                continue;
            names.push_back(e.name);
        }
        std::sort(names.begin(), names.end());
        for (const auto& n : names) {
            std::string value =
                Trim(IniReadString((langDir / n).string(), "language", "lcid", "409"));
            char* end = nullptr;
            unsigned long v = std::strtoul(value.c_str(), &end, 16);
            if (!value.empty() && *end == '\0' && v == lcid) {
                name = n;
                break;
            }
        }
    }
    if (!name.empty()) {
        auto found = platform::FindNoCase(langDir, name);
        if (found && ExistsFile(langDir / *found)) return (langDir / *found).string();
    }
    return platform::ResolveNoCase(langDir, "english.lng").string();
}

LogVerdict InspectLogLines(const std::string& builderDir, const std::string& optionsFile,
                           uint32_t lcid, const std::vector<std::string>& lines) {
    if (lines.empty()) return LogVerdict::Empty;
    fs::path english = platform::ResolveNoCase(builderDir, "lang/english.lng");
    if (ExistsFile(english)) {
        std::string language = BuilderLanguageFile(builderDir, optionsFile, lcid);
        auto text = [&](const char* key) {
            std::string t = IniReadString(language, "Translation", key, "");
            if (t.empty()) t = IniReadString(english.string(), "Translation", key, "");
            return Trim(t);
        };
        const std::string terminated = text("133");
        const std::string failed = text("125");
        const std::string errors = text("126");
        size_t first = lines.size() > 11 ? lines.size() - 11 : 0;
        for (size_t i = lines.size(); i-- > first;) {
            std::string line = Trim(lines[i]);
            if (Count(terminated, line) == 1) return LogVerdict::Terminated;
            if (Count(failed, line) == 1 && Count(errors, line) >= 1) return LogVerdict::Failed;
        }
        return LogVerdict::Ok;
    }
    const std::string& last = lines.back();
    if (Count("Terminated by user...", last) >= 1) return LogVerdict::Terminated;
    if (Count("[<<]", last) >= 1) return LogVerdict::Failed;
    return LogVerdict::Ok;
}

LogVerdict InspectBuilderLog(const std::string& builderDir, const std::string& optionsFile,
                             const std::string& logFile) {
    if (!ExistsFile(logFile)) return LogVerdict::Missing;
    platform::UserLocale locale = platform::CurrentLocale();
    auto text = ReadTextFile(logFile, locale.ansiCodePage);
    if (!text) return LogVerdict::Missing;
    std::vector<std::string> lines;
    lines.reserve(text->lines.size());
    for (size_t i = 0; i < text->lines.size(); ++i) lines.push_back(text->LineUtf8(i));
    return InspectLogLines(builderDir, optionsFile, locale.lcid, lines);
}

}  // namespace vrnx2
