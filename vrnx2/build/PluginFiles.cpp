#include "vrnx2/build/PluginFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "common/Number.h"
#include "common/Trim.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Path.h"
#include "platform/TextCase.h"
#include "vrnx2/build/IniText.h"
#include "vrnx2/build/TextFile.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSignature = "$Windows NT$";

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool HasInfExtension(std::string_view name) {
    return name.size() >= 4 && EqualAsciiNoCase(name.substr(name.size() - 4), ".inf");
}

bool LessAsciiNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return AsciiUpper(x) < AsciiUpper(y);
    });
}

struct Entry {
    std::string name;
    bool isDirectory = false;
    bool isSymlink = false;  // never followed
};

// The entries of a folder from the directory's own type field (a stat only where the file
// system gives none): a large plugin tree is walked twice per build.
std::vector<Entry> ListEntries(const std::string& dir) {
    std::vector<Entry> entries;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return entries;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        Entry entry;
        entry.name = e->d_name;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        }
        entry.isSymlink = type == DT_LNK;
        entry.isDirectory = type == DT_DIR;
        entries.push_back(std::move(entry));
    }
    ::closedir(d);
    return entries;
}

std::vector<Entry> SortedListing(const std::string& dir) {
    auto entries = ListEntries(dir);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return LessAsciiNoCase(a.name, b.name); });
    return entries;
}

bool HasPluginSignature(const IniView& ini) {
    return Unquote(Trim(ini.Value("Version", "Signature", ""))) == kSignature;
}

std::string RelativeTo(const std::string& path, const std::string& root) {
    const std::string r = platform::WithTrailingSlash(root);
    if (path.compare(0, r.size(), r) == 0) return path.substr(r.size());
    if (path == root) return {};
    return path;
}

// A relative path without ".." components.
bool StaysInside(const std::string& rel) {
    if (rel.empty() || rel[0] == '/') return false;
    size_t start = 0;
    for (;;) {
        size_t slash = rel.find('/', start);
        if (rel.compare(start, slash == std::string::npos ? std::string::npos : slash - start,
                        "..") == 0)
            return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

// Plugin file values are read as Windows reads them: trimmed, and quotes around the whole
// value removed. A value that holds further quotes is a list of quoted fields
// ("a b.exe" "@PluginFile@") and stays as written.
std::string ConfigValue(std::string_view value) {
    const std::string_view trimmed = TrimView(value);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"' &&
        trimmed.substr(1, trimmed.size() - 2).find('"') == std::string_view::npos)
        return std::string(TrimView(trimmed.substr(1, trimmed.size() - 2)));
    return std::string(trimmed);
}

void ScanFolder(const std::string& folder, const std::string& root, int codePage,
                PluginHolder& holder) {
    for (const auto& e : SortedListing(folder)) {
        if (e.name.empty() || e.name[0] == '.' || e.isSymlink) continue;
        std::string path = folder + "/" + e.name;
        if (e.isDirectory) {
            ScanFolder(path, root, codePage, holder);
            continue;
        }
        if (!HasInfExtension(e.name)) continue;
        auto text = ReadTextFile(path, codePage);
        if (!text) continue;
        IniView ini(*text);
        if (!HasPluginSignature(ini)) continue;
        TPluginRec rec;
        rec.Dir = folder;
        rec.FileName = e.name;
        rec.FilePath = path;
        std::string name = Trim(ini.Value("PEBuilder", "Name", ""));
        if (name.empty()) continue;
        rec.Name = Unquote(name);
        std::string help = Trim(ini.Value("PEBuilder", "Help", ""));
        if (!help.empty()) {
            const std::string rel = platform::ToSlashes(Unquote(help));
            // The help file belongs to the plugin: a name that leaves its folder is ignored.
            if (StaysInside(rel)) rec.Help = folder + "/" + rel;
        }
        rec.Config = ConfigValue(ini.Value("PEBuilder", "Config", ""));
        rec.Enabled = ToInt32Def(ini.Value("PEBuilder", "Enable", ""), 0) == 1;
        rec.Category = Unquote(ini.Value("PEBuilder", "VX_Category", ""));
        rec.Order = ToInt32Def(ini.Value("PEBuilder", "VX_Order", ""), 0);
        const std::string rel = platform::ToBackslashes(RelativeTo(path, root));
        AddPluginRec(holder, PluginKey(rec.Name, rel), rec);
    }
}

// Rewrites the Enable line of one file; "" on success or when nothing needed changing.
std::string WriteEnable(const TPluginRec& rec, int codePage) {
    std::string error;
    auto text = ReadTextFile(rec.FilePath, codePage, &error);
    if (!text) return rec.FilePath + ": " + error;
    bool inSection = false;
    for (size_t i = 0; i < text->lines.size(); ++i) {
        std::string line = text->LineUtf8(i);
        std::string_view trimmed = TrimView(line);
        if (!inSection) {
            inSection = EqualAsciiNoCase(trimmed, "[PEBUILDER]");
            continue;
        }
        if (std::count(trimmed.begin(), trimmed.end(), '[') == 1) break;
        size_t eq = line.find('=');
        if (eq == std::string::npos ||
            !EqualAsciiNoCase(std::string_view(line).substr(0, eq), "ENABLE"))
            continue;
        std::string wanted = rec.Enabled ? "Enable=1" : "Enable=0";
        if (line == wanted) return {};
        text->SetLineUtf8(i, wanted);
        if (!WriteTextFile(rec.FilePath, *text, &error)) return rec.FilePath + ": " + error;
        return {};
    }
    return {};
}

void Place(const fs::path& source, const fs::path& target, bool isSymlink, bool useHardLinks,
           std::vector<std::string>* failures) {
    std::error_code ec;
    if (isSymlink) {
        // Recreated as a link: the staged tree never reaches outside through a copy of it.
        fs::remove(target, ec);
        fs::copy_symlink(source, target, ec);
    } else {
        platform::FileSystem& files = platform::Fs();
        if (useHardLinks) {
            if (files.Link(source, target) == 0) return;
            if (errno == EEXIST && files.Remove(target) == 0 && files.Link(source, target) == 0)
                return;
        }
        // Where a link cannot be made (another file system, a link limit) a copy does.
        ec.clear();
        if (platform::CopyFile(source, target) != 0) ec.assign(errno, std::generic_category());
    }
    if (ec && failures) failures->push_back(target.string() + ": " + ec.message());
}

}  // namespace

std::string PluginKey(std::string_view name, std::string_view relativePath) {
    std::string key = "\"";
    key += name;
    key += "\",\"";
    key += relativePath;
    key += "\"";
    return key;
}

std::string StagedFolderName(int position, std::string_view relativeDir) {
    const std::string number = KeyNumber(position);
    std::string rel(relativeDir);
    while (!rel.empty() && rel.back() == '/') rel.pop_back();
    std::replace(rel.begin(), rel.end(), '/', '_');
    return number + "(" + rel + ")";
}

void ScanPluginFiles(const std::string& folder, const std::string& rootFolder,
                     PluginHolder& holder) {
    int codePage = platform::CurrentLocale().ansiCodePage;
    ScanFolder(platform::WithoutTrailingSlash(folder), platform::WithoutTrailingSlash(rootFolder),
               codePage, holder);
}

std::vector<std::string> WritePluginEnable(const PluginHolder& holder) {
    int codePage = platform::CurrentLocale().ansiCodePage;
    std::vector<std::string> failures;
    for (const auto& entry : holder.Entries()) {
        const TPluginRec* rec = entry.record.get();
        if (!rec || rec->IsCategory) continue;
        std::error_code ec;
        if (!fs::is_regular_file(rec->FilePath, ec)) continue;
        std::string failure = WriteEnable(*rec, codePage);
        if (!failure.empty()) failures.push_back(failure);
    }
    return failures;
}

void CopyPluginFolder(const std::string& scannedDir, const std::string& sourceDir,
                      bool useHardLinks, const std::string& ownPluginFile,
                      const std::string& targetDir, std::vector<std::string>* failures) {
    std::error_code ec;
    if (platform::Fs().MakeFolder(targetDir) != 0 && errno != EEXIST) {
        if (errno == ENOENT)
            fs::create_directories(targetDir, ec);  // a parent is missing too
        else
            ec.assign(errno, std::generic_category());
    }
    if (ec) {
        if (failures) failures->push_back(targetDir + ": " + ec.message());
        return;
    }
    int codePage = 0;
    const std::string ownUpper = platform::UpperCase(ownPluginFile);
    for (const auto& e : ListEntries(sourceDir)) {
        std::string source = sourceDir + "/" + e.name;
        std::string target = targetDir + "/" + e.name;
        if (e.isDirectory && !e.isSymlink) {
            CopyPluginFolder(scannedDir + "/" + e.name, source, useHardLinks, ownPluginFile, target,
                             failures);
            continue;
        }
        if (!e.isSymlink && HasInfExtension(e.name)) {
            if (codePage == 0) codePage = platform::CurrentLocale().ansiCodePage;
            if (auto text = ReadTextFile(source, codePage)) {
                IniView ini(*text);
                if (ini.HasSection("PEBuilder") && HasPluginSignature(ini) &&
                    platform::UpperCase(scannedDir + "/" + e.name) != ownUpper)
                    continue;  // another plugin's file in a shared folder
            }
        }
        Place(source, target, e.isSymlink, useHardLinks, failures);
    }
}

namespace {

// Walks `dir` without following symbolic links: `visit(path, lstat)` for every entry below
// it. False when a folder cannot be read or `visit` says stop.
template <class Visit>
bool WalkTree(const std::string& dir, Visit&& visit) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    bool ok = true;
    std::vector<std::string> folders;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        std::string path = dir + "/" + e->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !visit(path, st)) {
            ok = false;
            break;
        }
        if (S_ISDIR(st.st_mode)) folders.push_back(std::move(path));
    }
    ::closedir(d);
    for (size_t i = 0; ok && i < folders.size(); ++i) ok = WalkTree(folders[i], visit);
    return ok;
}

std::string LinkTarget(const std::string& path) {
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

}  // namespace

bool HoldsOnlyLinksInto(const std::string& dir, const std::string& tree) {
    std::set<std::pair<dev_t, ino_t>> files;
    std::set<std::string> links;
    bool readable = WalkTree(tree, [&](const std::string& path, const struct stat& st) {
        if (S_ISREG(st.st_mode)) files.emplace(st.st_dev, st.st_ino);
        if (S_ISLNK(st.st_mode)) links.insert(LinkTarget(path));
        return true;
    });
    if (!readable) return false;
    return WalkTree(dir, [&](const std::string& path, const struct stat& st) {
        if (S_ISDIR(st.st_mode)) return true;
        if (S_ISREG(st.st_mode)) return files.count({st.st_dev, st.st_ino}) > 0;
        return S_ISLNK(st.st_mode) && links.count(LinkTarget(path)) > 0;
    });
}

std::vector<std::string> StagePlugins(const PluginHolder& holder, const std::string& pluginFolder,
                                      const std::string& stashFolder, bool useHardLinks) {
    // Without trailing "/", so scanned paths compare equal to the entries' own.
    const std::string pluginDir = platform::WithoutTrailingSlash(pluginFolder);
    const std::string stashDir = platform::WithoutTrailingSlash(stashFolder);
    std::vector<std::string> failures;
    int n = 0;
    for (const auto& entry : holder.Entries()) {
        const TPluginRec* rec = entry.record.get();
        if (!rec || rec->IsCategory || !rec->Enabled) continue;
        std::string rel = RelativeTo(rec->Dir, pluginDir);
        if (rel == rec->Dir && rec->Dir != pluginDir) {
            failures.push_back(rec->FilePath + ": not inside " + pluginDir);
            continue;
        }
        std::string scannedDir = rel.empty() ? pluginDir : pluginDir + "/" + rel;
        std::string sourceDir = rel.empty() ? stashDir : stashDir + "/" + rel;
        std::string targetDir = pluginDir + "/" + StagedFolderName(n + 1, rel);
        CopyPluginFolder(scannedDir, sourceDir, useHardLinks, rec->FilePath, targetDir, &failures);
        ++n;
    }
    return failures;
}

}  // namespace vrnx2
