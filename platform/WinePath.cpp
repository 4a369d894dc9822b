#include "platform/WinePath.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/Files.h"
#include "platform/Texts.h"

namespace platform {

namespace {

std::string JoinBackslash(const std::vector<std::string>& parts, size_t from) {
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (i > from) out += '\\';
        out += parts[i];
    }
    return out;
}

}  // namespace

std::string WineDrives::DefaultPrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.wine";
}

WineDrives::WineDrives(const std::string& prefix) : prefix_(prefix) {
    const std::filesystem::path dosdevices = std::filesystem::path(prefix) / "dosdevices";
    struct stat st {};
    prefixExists_ = ::stat(dosdevices.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!prefixExists_) return;
    for (const DirEntry& e : ListDirectory(dosdevices)) {
        // Drives are "x:"; "x::" names the raw device and "com1" a port.
        if (e.name.size() != 2 || e.name[1] != ':') continue;
        const char letter = e.name[0];
        if (letter < 'a' || letter > 'z') continue;
        if (::stat((dosdevices / e.name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        drives_.push_back(Drive{static_cast<char>(letter - 'a' + 'A'), st.st_dev, st.st_ino});
    }
    std::sort(drives_.begin(), drives_.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

bool WineDrives::ToWindows(const std::string& path, std::string& out, std::string* error) const {
    if (path.empty() || path.front() != '/') {
        out = path;
        for (char& c : out)
            if (c == '/') c = '\\';
        return true;
    }
    std::vector<std::string> parts;
    for (const auto& part : std::filesystem::path(path).lexically_normal()) {
        const std::string name = part.string();
        if (name == "/" || name.empty()) continue;
        parts.push_back(name);
    }
    if (!prefixExists_) {
        out = "Z:\\" + JoinBackslash(parts, 0);
        return true;
    }
    // From the deepest parent that exists up to the root: the first folder that is a drive.
    std::string folder;
    std::vector<std::string> folders{"/"};
    for (const std::string& part : parts) {
        folder += "/" + part;
        folders.push_back(folder);
    }
    for (size_t depth = folders.size(); depth-- > 0;) {
        struct stat st {};
        if (::stat(folders[depth].c_str(), &st) != 0) continue;
        for (const Drive& d : drives_) {
            if (d.device != st.st_dev || d.inode != st.st_ino) continue;
            out = std::string(1, d.letter) + ":\\" + JoinBackslash(parts, depth);
            return true;
        }
    }
    if (error) *error = Say(Sentence::NoWineDrive, {prefix_, path, prefix_});
    return false;
}

}  // namespace platform
