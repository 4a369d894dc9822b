#include "platform/WineLaunch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Texts.h"
#include "platform/WineLocale.h"
#include "platform/WineServer.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::mutex searchRootMutex;
std::string searchRoot = "/";
std::string bridgeFolder;  // empty: beside the program

std::string SearchRoot() {
    std::lock_guard<std::mutex> lock(searchRootMutex);
    return searchRoot;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Places of the 32-bit ntdll.dll, relative to the file-system root: Debian and Ubuntu
// (wine32:i386, and the WoW64 builds), Fedora and Arch, the Wine project's packages, and
// the older ".so" builds of the same distributions.
constexpr const char* kWine32Places[] = {
    "usr/lib/i386-linux-gnu/wine/i386-windows/ntdll.dll",
    "usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll",
    "usr/lib/wine/i386-windows/ntdll.dll",
    "usr/lib32/wine/i386-windows/ntdll.dll",
    "usr/lib64/wine/i386-windows/ntdll.dll",
    "usr/local/lib/wine/i386-windows/ntdll.dll",
    "opt/wine-stable/lib/wine/i386-windows/ntdll.dll",
    "opt/wine-devel/lib/wine/i386-windows/ntdll.dll",
    "opt/wine-staging/lib/wine/i386-windows/ntdll.dll",
    "usr/lib/i386-linux-gnu/wine/ntdll.dll.so",
    "usr/lib/i386-linux-gnu/wine-development/ntdll.dll.so",
    "usr/lib32/wine/ntdll.dll.so",
    "usr/lib/wine/ntdll.dll.so",
};

// The program of the Wine command that is Wine itself ("env WINEPREFIX=/x wine" names
// env first), resolved; empty when none is found.
std::string WineProgramOf(const std::vector<std::string>& command) {
    for (const std::string& part : command) {
        const std::string name = fs::path(part).filename().string();
        if (name.rfind("wine", 0) == 0) return FindProgram(part);
    }
    return command.empty() ? std::string() : FindProgram(command[0]);
}

// A 64-bit prefix made while no 32-bit Wine was installed has no 32-bit system files, and
// Wine ends a 32-bit program in it with "could not load kernel32.dll".
bool PrefixLacks32Bit(const std::string& prefix) {
    std::ifstream reg(prefix + "/system.reg");
    if (!reg) return false;  // no prefix yet: Wine makes it with what is installed now
    std::string line;
    bool win64 = false;
    for (int i = 0; i < 10 && std::getline(reg, line); ++i)
        if (line.rfind("#arch=win64", 0) == 0) win64 = true;
    return win64 && !IsFile(fs::path(prefix) / "drive_c/windows/syswow64/kernel32.dll");
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> WineCommand() {
    const char* configured = std::getenv("VRNX2_WINE");
    if (configured) {
        std::vector<std::string> command = SplitCommandLine(configured);
        if (!command.empty() && !command[0].empty()) return command;
    }
    return {"wine"};
}

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

bool HasWine32(const std::string& wineProgram, const std::string& root) {
    const fs::path base(root.empty() ? "/" : root);
    for (const char* place : kWine32Places)
        if (IsFile(base / place)) return true;
    if (wineProgram.empty()) return false;
    // A Wine installed under its own prefix (/opt/wine-x/bin/wine, ~/wine/bin/wine).
    std::error_code ec;
    fs::path program = fs::canonical(wineProgram, ec);
    if (ec) program = wineProgram;
    const fs::path prefix = program.parent_path().parent_path();
    for (const char* lib : {"lib", "lib32", "lib64", "lib/i386-linux-gnu"})
        for (const char* file : {"wine/i386-windows/ntdll.dll", "wine/ntdll.dll.so"})
            if (IsFile(prefix / lib / file)) return true;
    return false;
}

std::string HiveBridgeFolder() {
    {
        std::lock_guard<std::mutex> lock(searchRootMutex);
        if (!bridgeFolder.empty()) return bridgeFolder;
    }
    return (ProgramDirectory() / ".." / "libexec" / "vrnx2").lexically_normal().string();
}

void SetHiveBridgeFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(searchRootMutex);
    bridgeFolder = folder;
}

std::string HiveBridgeLauncher(bool is32Bit) {
    const fs::path folder = HiveBridgeFolder();
    const char* bits = is32Bit ? "32" : "64";
    const fs::path launcher = folder / ("vrnx2-launch" + std::string(bits) + ".exe");
    const fs::path hook = folder / ("vrnx2-hive" + std::string(bits) + ".dll");
    return IsFile(launcher) && IsFile(hook) ? launcher.string() : std::string();
}

void SetWineSearchRoot(const std::string& root) {
    std::lock_guard<std::mutex> lock(searchRootMutex);
    searchRoot = root.empty() ? "/" : root;
}

LaunchPlan PlanLaunch(const std::vector<std::string>& argv) {
    LaunchPlan plan;
    plan.argv = argv;
    if (argv.empty() || argv[0].empty()) return plan;  // the start reports it
    const std::string file = FindProgram(argv[0]);
    std::error_code ec;
    // A program that is not there is left to the start, which names the system's reason.
    if (file.empty() || !fs::exists(file, ec)) return plan;
    plan.kind = DetectProgramKind(file);
    switch (plan.kind.type) {
        case ProgramType::Native:
            return plan;
        case ProgramType::NotAProgram:
            plan.error = Say(Sentence::NotAProgram, {file, plan.kind.reason});
            return plan;
        case ProgramType::Windows:
            break;
    }

    const std::vector<std::string> wine = WineCommand();
    const std::string wineProgram = WineProgramOf(wine);
    if (!IsExecutableFile(FindProgram(wine[0]))) {
        plan.error = Say(Sentence::NeedsWine, {file, wine[0]});
        return plan;
    }
    if (plan.kind.Is32Bit() && !HasWine32(wineProgram, SearchRoot())) {
        plan.error = Say(Sentence::NeedsWine32, {file});
        return plan;
    }
    if (plan.kind.Is32Bit() && PrefixLacks32Bit(WinePrefixOf(wine))) {
        const std::string prefix = WinePrefixOf(wine);
        plan.error = Say(Sentence::PrefixLacks32Bit, {file, prefix, prefix, prefix});
        return plan;
    }
    if (plan.kind.IsWindowProgram() && !HasDisplay()) {
        plan.error = Say(Sentence::NeedsDisplay, {file});
        return plan;
    }
    plan.argv = wine;
    // Through the hive bridge, so the program can load registry hive files.
    const std::string launcher = HiveBridgeLauncher(plan.kind.Is32Bit());
    if (!launcher.empty()) plan.argv.push_back(launcher);
    plan.argv.push_back(file);
    plan.argv.insert(plan.argv.end(), argv.begin() + 1, argv.end());
    plan.options.defaultEnvironment = {{"WINEDEBUG", "-all"},
                                       {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
    // In the code page the files we write for it are in (platform/WineLocale.h).
    const WineLocale locale = WineLocaleFor(CurrentLocale().ansiCodePage);
    if (!locale.startIn.empty()) plan.options.environment = {{"LC_ALL", locale.startIn}};
    plan.options.quietStreams = true;
    return plan;
}

}  // namespace platform
