#pragma once
// The file-case fixer: upper-cases a fixed set of folders and files of a build output tree,
// plus those its list file names.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace trellin {

class CaseTree;
struct ListFile;

// Full paths (output folder + relative path); folders collected with their contents end
// in "/".
struct EntryLists {
    std::vector<std::string> directories;
    std::vector<std::string> files;
};

enum class CollectMode { Files, Directories };

// Adds the entries of `folder` (a full path below `outdir`) matching `pattern` to the file
// list; in directory mode also the folder itself to the directory list, and with recursion
// the same for every folder below it. Symbolic links are listed, never entered.
void CollectEntries(CaseTree& tree, const std::string& outdir, EntryLists& lists,
                    std::string folder, CollectMode mode, bool recursive, std::string_view pattern);

// The built-in entries, then those of the list file (when given), both lists sorted without
// regard to letter case under the user's locale.
EntryLists BuildLists(CaseTree& tree, const std::string& outdir, const ListFile* list);

// The directory argument made usable: a leading "." made absolute, %NAME% expanded, a
// trailing "/" added. Empty when nothing is left to name a folder.
std::string PrepareDirectory(std::string_view argument);

// One whole run: banner, usage or the two rename passes. `args` excludes the program name.
int Run(const std::vector<std::string>& args, const std::filesystem::path& listFile,
        std::ostream& out, std::ostream& err);

}  // namespace trellin
