#include "platform/WineServer.h"

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/Process.h"
#include "platform/WineLaunch.h"
#include "platform/WinePath.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefixAssignment = "WINEPREFIX=";

std::string ServerFolderName(const std::string& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0) return {};
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::string WinePrefixOf(const std::vector<std::string>& wineCommand) {
    for (const std::string& part : wineCommand)
        if (part.rfind(kPrefixAssignment, 0) == 0)
            return part.substr(std::string(kPrefixAssignment).size());
    return WineDrives::DefaultPrefix();
}

std::string WineServerOf(const std::vector<std::string>& wineCommand) {
    for (const std::string& part : wineCommand) {
        const fs::path name = fs::path(part).filename();
        if (name.string().rfind("wine", 0) != 0) continue;
        const std::string wine = FindProgram(part);
        if (wine.empty()) break;
        const fs::path beside = fs::path(wine).parent_path() / "wineserver";
        std::error_code ec;
        if (fs::exists(beside, ec)) return beside.string();
        break;
    }
    return "wineserver";
}

bool WineServerRunning(const std::string& prefix, const std::string& proc) {
    const std::string wanted = ServerFolderName(prefix);
    if (wanted.empty()) return false;  // no prefix yet: no server for it either
    DIR* dir = ::opendir(proc.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        const fs::path entry = fs::path(proc) / e->d_name;
        if (FirstLine(entry / "comm").rfind("wineserver", 0) != 0) continue;
        std::error_code ec;
        const fs::path cwd = fs::read_symlink(entry / "cwd", ec);
        if (!ec && cwd.filename() == wanted) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool EndWinePrefix(const std::string& prefix, const std::vector<std::string>& wineCommand) {
    // "env" sets the prefix whatever the caller's environment holds; nothing is interpreted.
    StartProgram({"env", std::string(kPrefixAssignment) + prefix, WineServerOf(wineCommand), "-k"},
                 true);
    for (int i = 0; i < 50; ++i) {
        if (!WineServerRunning(prefix)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace platform
