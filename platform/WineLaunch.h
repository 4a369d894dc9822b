#pragma once
// Starting Windows programs through Wine: the Wine command, the checks made before anything
// is started, and what a Windows program is handed.

#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/ProgramKind.h"

namespace platform {

// $VRNX2_WINE split by the Windows command-line rules ("env WINEPREFIX=/x wine" works);
// {"wine"} when it is unset or blank.
std::vector<std::string> WineCommand();

// The file a program name starts, as posix_spawnp finds it: the name itself when it holds a
// "/", else the first executable file of that name in PATH. Empty when there is none.
std::string FindProgram(const std::string& name);

// Where 32-bit support of Wine is looked for: the 32-bit ntdll.dll in the places Debian,
// Fedora, Arch and the Wine project's own packages put it, and beside `wineProgram` (a
// resolved path, may be empty). `root` stands for "/" (a test gives a fake tree).
bool HasWine32(const std::string& wineProgram, const std::string& root = "/");
// Tests point the search at a fake tree; empty restores "/".
void SetWineSearchRoot(const std::string& root);

// Where the hive bridge lies (its launcher vrnx2-launchNN.exe and library vrnx2-hiveNN.dll):
// libexec/vrnx2 beside the running program's bin/ folder. Tests point it elsewhere; empty
// restores the default.
std::string HiveBridgeFolder();
void SetHiveBridgeFolder(const std::string& folder);
// The launcher for 32-bit or 64-bit programs; empty when it or its library is missing.
std::string HiveBridgeLauncher(bool is32Bit);

struct LaunchPlan {
    std::vector<std::string> argv;  // what is started
    StartOptions options;
    ProgramKind kind;   // of the program named by the caller's argv[0]
    std::string error;  // non-empty: refused, nothing may be started
    bool Refused() const { return !error.empty(); }
};

// How `argv` is started. A native program (or one that cannot be found: the start then
// reports it) as it is. A Windows program as the Wine command, the hive bridge's launcher of
// its bitness when installed, the program's path and the arguments, with WINEDEBUG=-all and
// WINEDLLOVERRIDES=mscoree,mshtml= unless set and its standard streams on /dev/null, and with
// LC_ALL of a locale of our ANSI code page when the environment's does not fit
// (WineLocale.h). Refused, with a message naming the file and what to do: a file that is no
// program; a Windows program without Wine, a 32-bit one without 32-bit Wine or in a prefix
// made before 32-bit Wine was installed, a window program without DISPLAY or WAYLAND_DISPLAY.
LaunchPlan PlanLaunch(const std::vector<std::string>& argv);

}  // namespace platform
