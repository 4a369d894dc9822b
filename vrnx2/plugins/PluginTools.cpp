#include "vrnx2/plugins/PluginTools.h"

#include <filesystem>
#include <string_view>
#include <utility>

#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/build/OutsideProgram.h"

namespace vrnx2 {

namespace fs = std::filesystem;

std::string ConfigProgram(const TPluginRec& rec) {
    if (TrimView(rec.Config).empty()) return {};
    auto fields = SplitDelimitedText(rec.Config);
    if (fields.empty() || fields[0].empty()) return {};
    const std::string rel = platform::ToSlashes(fields[0]);
    fs::path normal = fs::path(rel).lexically_normal();
    // Only a program of the plugin's own folder is started.
    if (normal.is_absolute() || normal.empty() || *normal.begin() == "..") return {};
    return rec.Dir + "/" + normal.generic_string();
}

std::vector<std::string> ConfigArguments(const TPluginRec& rec) {
    const std::string program = ConfigProgram(rec);
    if (program.empty()) return {};
    static constexpr std::string_view kMacro = "@PluginFile@";
    std::vector<std::string> argv{program};
    const std::string pluginFile = PathForProgram(program, rec.FilePath);
    auto fields = SplitDelimitedText(rec.Config);
    for (size_t i = 1; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        std::string out;
        for (size_t at = 0; at < field.size();) {
            if (field.size() - at >= kMacro.size() &&
                platform::EqualNoCase(std::string_view(field).substr(at, kMacro.size()), kMacro)) {
                out += pluginFile;
                at += kMacro.size();
            } else {
                out += field[at++];
            }
        }
        argv.push_back(std::move(out));
    }
    return argv;
}

std::string PluginBuilderProgram(const std::string& folder) {
    if (folder.empty()) return {};
    const fs::path program =
        platform::ResolveNoCase(platform::WithoutTrailingSlash(folder), "Plugin_Builder.exe");
    std::error_code ec;
    return fs::is_regular_file(program, ec) ? program.generic_string() : std::string();
}

ToolRun ToolOnPlugin(const std::string& program, const TPluginRec& rec, bool wait) {
    if (program.empty()) return {};
    return ToolRun{{program, PathForProgram(program, rec.FilePath)}, wait};
}

ToolRun PluginBuilderRun(const TPluginRec& rec, const Preferences& prefs) {
    return ToolOnPlugin(PluginBuilderProgram(prefs.pluginBuilderPath), rec,
                        prefs.pluginBuilderWait);
}

ToolRun TextEditorRun(const TPluginRec& rec, const Preferences& prefs) {
    return ToolOnPlugin(TextEditorProgram(prefs.textEditor), rec, prefs.textEditorWait);
}

}  // namespace vrnx2
