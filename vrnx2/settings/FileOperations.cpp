// ShellFileOp, DeleteTree, RenamePath and IsNtfsDrive on std::filesystem.

#include <sys/stat.h>

#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/TextCase.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitNulList(const std::string& list) {
    std::vector<std::string> paths;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t end = list.find('\0', pos);
        if (end == std::string::npos) end = list.size();
        if (end > pos) paths.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return paths;
}

bool HasWildcard(std::string_view name) {
    return name.find_first_of("*?") != name.npos;
}

// Wildcard match on case-folded UTF-8: "*" any run, "?" one character.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    auto charLen = [](std::string_view s, size_t i) {
        size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
        return n;
    };
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += charLen(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += charLen(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Refuses what would reach outside the named entry: nothing, the root, "." and "..".
bool IsDeletable(const fs::path& path) {
    if (path.empty() || path == path.root_path()) return false;
    fs::path name = path.filename();
    return !(name.empty() || name == "." || name == "..");
}

bool RemoveOne(const fs::path& path) {
    if (!IsDeletable(path)) return false;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return false;
    return platform::RemoveTree(path);
}

bool RemovePattern(const fs::path& folder, const std::string& pattern) {
    if (folder.empty() || folder == folder.root_path()) return false;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return false;
    // "*.*" means every name, with or without a dot.
    std::string folded = platform::FoldCase(pattern == "*.*" ? "*" : pattern);
    bool ok = true;
    for (const platform::DirEntry& entry : platform::ListDirectory(folder)) {
        if (!WildcardMatch(folded, platform::FoldCase(entry.name))) continue;
        if (!platform::RemoveTree(folder / entry.name)) ok = false;
    }
    return ok;
}

bool DeletePath(const std::string& raw) {
    fs::path path(platform::WithoutTrailingSlash(raw));
    std::string name = path.filename().string();
    if (HasWildcard(name)) return RemovePattern(path.parent_path(), name);
    return RemoveOne(path);
}

// Both names lead to the same entry itself (links not followed): a change of letter case on
// a file system that ignores it.
bool SameEntry(const fs::path& a, const fs::path& b) {
    struct stat sa {
    }, sb{};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool Rename(const std::string& fromRaw, const std::string& toRaw) {
    fs::path from(platform::WithoutTrailingSlash(fromRaw));
    fs::path to(platform::WithoutTrailingSlash(toRaw));
    if (!IsDeletable(from) || !IsDeletable(to)) return false;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(from, ec))) return false;
    // Never replace another entry; the same entry under another spelling is a case change.
    if (fs::exists(fs::symlink_status(to, ec)) && !SameEntry(from, to)) return false;
    fs::rename(from, to, ec);
    return !ec;
}

}  // namespace

bool ShellFileOp(ShellOp op, const std::string& from, const std::string& to) {
    std::vector<std::string> sources = SplitNulList(from);
    if (sources.empty()) return false;
    if (op == ShellOp::Rename) {
        std::vector<std::string> targets = SplitNulList(to);
        if (sources.size() != 1 || targets.size() != 1) return false;
        return Rename(sources.front(), targets.front());
    }
    bool ok = true;
    for (const std::string& path : sources) {
        if (!DeletePath(path)) ok = false;
    }
    return ok;
}

bool DeleteTree(const std::string& path) {
    return ShellFileOp(ShellOp::Delete, path, {});
}

bool RenamePath(const std::string& from, const std::string& to) {
    return ShellFileOp(ShellOp::Rename, from, to);
}

bool IsNtfsDrive(const std::string& path) {
    if (path.empty()) return false;
    fs::path dir(platform::WithoutTrailingSlash(path));
    std::error_code ec;
    while (!fs::is_directory(dir, ec)) {
        fs::path parent = dir.parent_path();
        if (parent.empty() || parent == dir) return false;
        dir = parent;
    }
    return platform::CanHardLink(dir);
}

}  // namespace vrnx2
