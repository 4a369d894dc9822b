#include "trellin/Trellin.h"

#include <algorithm>
#include <exception>
#include <ostream>
#include <system_error>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/TextCase.h"
#include "trellin/CaseTree.h"
#include "trellin/ListFile.h"
#include "trellin/NamePattern.h"

namespace trellin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRule = "-------------------------";

constexpr const char* kBuiltInFolders[] = {"programs", "i386", "i386/system32"};
constexpr const char* kBuiltInTree = "i386/system32/drivers";
constexpr const char* kBuiltInFiles[] = {
    "bootsect.bin",
    "bootfont.bin",
    "i386/bootfix.bin",
    "i386/ntdetect.com",
    "i386/setupldr.bin",
    "i386/spcmdcon.sys",
    "i386/system32/biosinfo.inf",
    "i386/system32/bootvid.dll",
    "i386/system32/kdcom.dll",
    "i386/system32/ntkrnlmp.exe",
    "i386/system32/ntoskrnl.exe",
    "i386/system32/setupreg.hiv",
};
struct BuiltInPattern {
    const char* folder;
    const char* pattern;
};
constexpr BuiltInPattern kBuiltInPatterns[] = {
    {"", "win*"},
    {"i386", "*.sif"},
    {"i386/system32", "*.sif"},
    {"i386/system32", "*.nls"},
    {"i386/system32", "*.fon"},
    {"i386/system32", "hal*.dll"},
};

bool IsHelpOption(std::string_view arg) {
    if (!arg.starts_with('-')) return false;
    arg.remove_prefix(1);
    if (arg == "?") return true;
    constexpr std::string_view help = "-help";
    return arg.size() == help.size() &&
           std::equal(arg.begin(), arg.end(), help.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
           });
}

void Usage(std::ostream& out) {
    out << "Usage:\n  Trellin %outdir%\n";
}

std::string BareName(std::string_view path) {
    while (path.ends_with('/')) path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return std::string(slash == path.npos ? path : path.substr(slash + 1));
}

bool RenameEntry(CaseTree& tree, const std::string& outdir, const std::string& path,
                 std::string& reason) {
    reason.clear();
    try {
        return tree.RenameToUpper(std::string_view(path).substr(outdir.size()), &reason);
    } catch (const std::exception& e) {
        reason = e.what();
        return false;
    }
}

// The described line ends in " - Failure."; the reason, when it is more than a missing
// entry, follows on standard error. True when the entry failed with a reason.
bool FinishLine(bool renamed, const std::string& reason, std::ostream& out, std::ostream& err) {
    if (!renamed) out << " - Failure.";
    out << '\n';
    if (renamed || reason.empty()) return false;
    out << std::flush;
    err << "Trellin: " << reason << '\n';
    return true;
}

void AddListed(CaseTree& tree, const std::string& outdir, EntryLists& lists,
               const std::string& path) {
    if (!HasWildcard(path)) {
        lists.files.push_back(outdir + path);
        return;
    }
    // A pattern: the folder part is searched for the last component.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == path.npos ? std::string() : path.substr(0, slash + 1);
    const std::string pattern = slash == path.npos ? path : path.substr(slash + 1);
    CollectEntries(tree, outdir, lists, outdir + folder, CollectMode::Files, false, pattern);
}

}  // namespace

void CollectEntries(CaseTree& tree, const std::string& outdir, EntryLists& lists,
                    std::string folder, CollectMode mode, bool recursive,
                    std::string_view pattern) {
    if (!folder.ends_with('/')) folder += '/';
    if (mode == CollectMode::Directories) {
        lists.directories.push_back(folder);
    } else {
        recursive = false;
    }
    const auto real = tree.ResolveFolder(std::string_view(folder).substr(outdir.size()));
    if (!real) return;
    for (const platform::DirEntry& e : platform::ListDirectory(*real)) {
        if (!MatchesPattern(e.name, pattern)) continue;
        if (recursive && e.isDirectory && !e.isSymlink) {
            CollectEntries(tree, outdir, lists, folder + e.name, mode, recursive, pattern);
        }
        lists.files.push_back(folder + e.name);
    }
}

EntryLists BuildLists(CaseTree& tree, const std::string& outdir, const ListFile* list) {
    EntryLists lists;
    for (const char* folder : kBuiltInFolders) lists.directories.push_back(outdir + folder);
    CollectEntries(tree, outdir, lists, outdir + kBuiltInTree, CollectMode::Directories, true,
                   "*.*");
    if (list) {
        for (const DirectoryEntry& d : list->directories) {
            if (d.mode == 0) {
                lists.directories.push_back(outdir + d.path);
            } else {
                CollectEntries(tree, outdir, lists, outdir + d.path, CollectMode::Directories, true,
                               "*.*");
            }
        }
    }

    for (const char* file : kBuiltInFiles) lists.files.push_back(outdir + file);
    for (const BuiltInPattern& p : kBuiltInPatterns) {
        CollectEntries(tree, outdir, lists, outdir + p.folder, CollectMode::Files, false,
                       p.pattern);
    }
    if (list) {
        for (const std::string& file : list->files) AddListed(tree, outdir, lists, file);
    }

    const auto before = [](const std::string& a, const std::string& b) {
        return platform::CompareNoCaseLocale(a, b) < 0;
    };
    std::stable_sort(lists.directories.begin(), lists.directories.end(), before);
    std::stable_sort(lists.files.begin(), lists.files.end(), before);
    return lists;
}

std::string PrepareDirectory(std::string_view argument) {
    std::string dir(argument);
    if (dir.starts_with('.')) {
        std::error_code ec;
        const fs::path cwd = fs::current_path(ec);
        if (!ec) dir = (cwd / dir).lexically_normal().string();
    }
    dir = platform::ExpandEnvironment(dir);
    // An empty argument would otherwise become "/", the root of the whole system.
    if (!dir.empty() && !dir.ends_with('/')) dir += '/';
    return dir;
}

int Run(const std::vector<std::string>& args, const fs::path& listFile, std::ostream& out,
        std::ostream& err) {
    out << kRule << "\n Osmite Trellin ver1.10 \n" << kRule << '\n';
    const bool help = std::any_of(args.begin(), args.end(), IsHelpOption);
    const std::string outdir = args.empty() ? std::string() : PrepareDirectory(args.front());
    std::error_code ec;
    if (help || outdir.empty() || !fs::is_directory(outdir, ec)) {
        Usage(out);
        if (help || args.empty()) return 0;
        // The Part gives no exit code here: a folder that is not there is a failed run.
        out << std::flush;
        err << "Trellin: " << args.front() << ": "
            << (fs::exists(outdir, ec) ? "not a folder" : "not found") << '\n';
        return 1;
    }

    ListFile list;
    const bool haveList = fs::exists(listFile, ec);
    if (haveList) {
        std::string error;
        const auto bytes = platform::ReadFile(listFile, &error);
        if (!bytes) {
            // Going on without its entries would report a partial run as a complete one.
            err << "Trellin: cannot read " << listFile.string() << ": " << error << '\n';
            return 1;
        }
        list = ParseListFile(DecodeListFile(*bytes, platform::CurrentLocale().ansiCodePage));
    }

    CaseTree tree(outdir);
    const EntryLists lists = BuildLists(tree, outdir, haveList ? &list : nullptr);

    size_t failed = 0;
    std::string reason;
    out << "Processing Directories.\n";
    for (auto it = lists.directories.rbegin(); it != lists.directories.rend(); ++it) {
        std::string_view shown = *it;
        if (shown.ends_with('/')) shown.remove_suffix(1);
        out << shown << std::flush;
        const bool renamed = RenameEntry(tree, outdir, *it, reason);
        failed += FinishLine(renamed, reason, out, err);
    }

    out << "\nProcessing Files.\n";
    for (const std::string& path : lists.files) {
        out << BareName(path) << std::flush;
        const bool renamed = RenameEntry(tree, outdir, path, reason);
        failed += FinishLine(renamed, reason, out, err);
    }

    out << "\nDone.\n" << std::flush;
    // The Part's exit code 0 holds for a run where only missing names failed: a rename that
    // was refused (a read-only tree) must not look like a normal run.
    return failed == 0 ? 0 : 1;
}

}  // namespace trellin
