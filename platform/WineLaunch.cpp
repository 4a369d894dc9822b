#include "platform/WineLaunch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/Texts.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::mutex searchRootMutex;
std::string searchRoot = "/";

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
    if (plan.kind.IsWindowProgram() && !HasDisplay()) {
        plan.error = Say(Sentence::NeedsDisplay, {file});
        return plan;
    }
    plan.argv = wine;
    plan.argv.push_back(file);
    plan.argv.insert(plan.argv.end(), argv.begin() + 1, argv.end());
    plan.options.defaultEnvironment = {{"WINEDEBUG", "-all"},
                                       {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
    plan.options.quietStreams = true;
    return plan;
}

}  // namespace platform
