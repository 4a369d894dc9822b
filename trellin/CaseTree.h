#pragma once
// The output tree seen without regard to letter case. Names are looked up one folder at a
// time (exact name first, else by simple case folding), since a parent may already carry
// its upper-case name; symbolic links are never passed through, so no lookup and no rename
// leaves the tree.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trellin {

class CaseTree {
public:
    // root: the output folder, used as given (it may itself be a symbolic link).
    explicit CaseTree(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }

    // The real path of a relative path ("a/b/c", "/" separators). Every component but the
    // last must be a folder that is not a symbolic link. Nothing for "", "." or "..", or
    // when a component is missing.
    std::optional<std::filesystem::path> Resolve(std::string_view relative);
    // The real path of a folder: like Resolve, the last component a folder too ("" is the
    // root).
    std::optional<std::filesystem::path> ResolveFolder(std::string_view relative);

    // Gives the entry at `relative` its upper-case name. True when it has that name
    // afterwards; false when it is missing, cannot be renamed, or another entry already has
    // the upper-case name (which is never replaced). `reason` tells why, except for a missing
    // entry (the built-in names a build lacks are no fault); a folder on the way that cannot
    // be read is a reason.
    bool RenameToUpper(std::string_view relative, std::string* reason = nullptr);

private:
    struct Listing {
        std::vector<std::string> names;
        std::vector<std::string> folded;
        int error = 0;  // why the folder could not be read
    };
    const Listing& List(const std::filesystem::path& dir);
    std::optional<std::string> Find(const std::filesystem::path& dir, std::string_view name);
    std::optional<std::filesystem::path> Walk(const std::vector<std::string>& parts,
                                              size_t folders);
    void Forget(const std::filesystem::path& dir, const std::string& from, const std::string& to);

    std::filesystem::path root_;
    std::map<std::string, Listing> listings_;  // by real folder path
    // The last folder a lookup could not read: an entry below it is not missing but unknown.
    std::filesystem::path unreadable_;
    int unreadableError_ = 0;
};

// Components of a relative path; empty and "." parts dropped. Nothing when a part is "..".
std::optional<std::vector<std::string>> SplitRelative(std::string_view relative);

}  // namespace trellin
