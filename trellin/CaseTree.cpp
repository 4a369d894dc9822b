#include "trellin/CaseTree.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/TextCase.h"
#include "platform/Texts.h"

namespace trellin {

namespace fs = std::filesystem;

namespace {

// One key per folder, however its path was spelt ("out/" and "out" alike).
std::string Key(const fs::path& dir) {
    std::string key = dir.string();
    while (key.size() > 1 && key.ends_with('/')) key.pop_back();
    return key;
}

}  // namespace

std::optional<std::vector<std::string>> SplitRelative(std::string_view relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == relative.npos) end = relative.size();
        const std::string_view part = relative.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

CaseTree::CaseTree(fs::path root) : root_(std::move(root)) {}

const CaseTree::Listing& CaseTree::List(const fs::path& dir) {
    const auto [it, added] = listings_.try_emplace(Key(dir));
    if (added) {
        Listing& l = it->second;
        if (platform::Fs().List(dir.string(), l.names) != 0) l.error = errno;
        for (const std::string& name : l.names) l.folded.push_back(platform::FoldCase(name));
    }
    return it->second;
}

std::optional<std::string> CaseTree::Find(const fs::path& dir, std::string_view name) {
    const Listing& l = List(dir);
    if (l.error != 0) {
        unreadable_ = dir;
        unreadableError_ = l.error;
    }
    for (const std::string& n : l.names) {
        if (n == name) return n;
    }
    const std::string folded = platform::FoldCase(name);
    // Of several matches the smallest in byte order, so an upper-case name wins over its
    // lower-case twin and a second run finds what the first one made.
    const std::string* best = nullptr;
    for (size_t i = 0; i < l.names.size(); ++i) {
        if (l.folded[i] == folded && (!best || l.names[i] < *best)) best = &l.names[i];
    }
    if (!best) return std::nullopt;
    return *best;
}

std::optional<fs::path> CaseTree::Walk(const std::vector<std::string>& parts, size_t folders) {
    fs::path p = root_;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::optional<std::string> found = Find(p, parts[i]);
        if (!found) return std::nullopt;
        p /= *found;
        if (i < folders) {
            std::error_code ec;
            if (fs::symlink_status(p, ec).type() != fs::file_type::directory) return std::nullopt;
        }
    }
    return p;
}

std::optional<fs::path> CaseTree::Resolve(std::string_view relative) {
    const auto parts = SplitRelative(relative);
    if (!parts || parts->empty()) return std::nullopt;
    return Walk(*parts, parts->size() - 1);
}

std::optional<fs::path> CaseTree::ResolveFolder(std::string_view relative) {
    const auto parts = SplitRelative(relative);
    if (!parts) return std::nullopt;
    return Walk(*parts, parts->size());
}

void CaseTree::Forget(const fs::path& dir, const std::string& from, const std::string& to) {
    auto it = listings_.find(Key(dir));
    if (it != listings_.end()) {
        for (size_t i = 0; i < it->second.names.size(); ++i) {
            if (it->second.names[i] != from) continue;
            it->second.names[i] = to;
            it->second.folded[i] = platform::FoldCase(to);
        }
    }
    // Listings below the renamed entry are keyed by its old path.
    const std::string old = Key(dir / from);
    listings_.erase(old);
    const std::string prefix = old + "/";
    for (auto l = listings_.lower_bound(prefix);
         l != listings_.end() && l->first.starts_with(prefix);) {
        l = listings_.erase(l);
    }
}

bool CaseTree::RenameToUpper(std::string_view relative, std::string* reason) {
    unreadableError_ = 0;
    const std::optional<fs::path> path = Resolve(relative);
    if (!path) {
        if (unreadableError_ != 0 && reason)
            *reason = platform::Say(platform::Sentence::CannotRead,
                                    {unreadable_.string(), std::strerror(unreadableError_)});
        return false;
    }
    const fs::path dir = path->parent_path();
    const std::string from = path->filename().string();
    const std::string to = platform::UpperCase(from);
    if (to == from) return true;

    const fs::path target = dir / to;
    const auto taken = [&] {
        if (reason) *reason = path->string() + ": another entry is named " + to + " already";
        return false;
    };
    const auto failed = [&](int code) {
        if (reason)
            *reason = "cannot rename " + path->string() + " to " + to + ": " + std::strerror(code);
        return false;
    };
    for (const std::string& n : List(dir).names) {
        if (n == to) return taken();  // a different entry, possibly an empty folder
    }
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        // Only on a case-insensitive file system may the new name already name this entry.
        struct stat self {};
        if (::lstat(path->c_str(), &self) != 0 || self.st_dev != st.st_dev ||
            self.st_ino != st.st_ino)
            return taken();
        if (platform::Fs().Rename(*path, target) != 0) return failed(errno);
    } else if (platform::Fs().Rename(*path, target, true) != 0) {
        if (errno != EINVAL && errno != ENOSYS) return errno == EEXIST ? taken() : failed(errno);
        // The file system cannot refuse to replace; the checks above have to do.
        if (::lstat(target.c_str(), &st) == 0) return taken();
        if (platform::Fs().Rename(*path, target) != 0) return failed(errno);
    }
    Forget(dir, from, to);
    return true;
}

}  // namespace trellin
