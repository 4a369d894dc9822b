#pragma once
// The outside programs the plugin window starts on a plugin: its own configuration program,
// Plugin Builder and the text editor of the preferences. Each is an argument list, never a
// command line through a shell.

#include <string>
#include <vector>

#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// The plugin's configuration program: its folder joined with the first field of Config.
// Empty when Config is blank or the name leads outside the plugin's folder.
std::string ConfigProgram(const TPluginRec& rec);
// The program's path as it is, then each further field of Config with every "@PluginFile@"
// (any case) replaced by the plugin file's path (in Windows form for a Windows program).
// Empty without program.
std::vector<std::string> ConfigArguments(const TPluginRec& rec);

// Plugin_Builder.exe in Plugin Builder's folder (found without regard to letter case);
// empty when it is not there.
std::string PluginBuilderProgram(const std::string& folder);

// A program to start on the plugin file, and whether the window waits for it. No
// arguments: nothing to start.
struct ToolRun {
    std::vector<std::string> argv;
    bool wait = false;
};
// The program's path as it is and the plugin file (in Windows form for a Windows program);
// empty without program.
ToolRun ToolOnPlugin(const std::string& program, const TPluginRec& rec, bool wait);
// Plugin Builder from its folder in the preferences; nothing when it is not there.
ToolRun PluginBuilderRun(const TPluginRec& rec, const Preferences& prefs);
// The preferences' text editor, else the desktop's opener.
ToolRun TextEditorRun(const TPluginRec& rec, const Preferences& prefs);

}  // namespace vrnx2
