#pragma once
// File services standing in for the Windows ones. Paths are UTF-8 with "/" separators.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

struct DirEntry {
    std::string name;  // last path component as stored
    bool isDirectory = false;
    bool isSymlink = false;  // never followed by recursive walks
    bool readOnly = false;   // the owner cannot write
    bool hidden = false;     // name starts with "."
    uint64_t size = 0;
};

// Entries of a folder (without "." and ".."), unsorted. Empty when the folder cannot be read.
std::vector<DirEntry> ListDirectory(const fs::path& dir);

// Finds an entry named `name` in `dir` without regard to letter case: an exact match first,
// else a match by simple case folding. Returns the name as stored.
std::optional<std::string> FindNoCase(const fs::path& dir, std::string_view name);
// Resolves a relative path ("i386/system32/shell32.dll") component by component with
// FindNoCase. Components that do not exist are kept as given.
fs::path ResolveNoCase(const fs::path& base, std::string_view relative);
bool ExistsNoCase(const fs::path& base, std::string_view relative);

// Read-only: "the owner cannot write".
bool IsReadOnly(const fs::path& p);
bool SetReadOnly(const fs::path& p, bool readOnly);

// Last-write time as seconds (and nanoseconds) since the epoch.
struct FileTime {
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
};
std::optional<FileTime> GetWriteTime(const fs::path& p);
bool SetWriteTime(const fs::path& p, FileTime t);

// Whole-file read. Returns nullopt and an error text when the file cannot be read.
std::optional<std::string> ReadFile(const fs::path& p, std::string* error = nullptr);
// Writes to a temporary file in the same folder, then renames it over `p`, so `p` is
// either untouched or fully replaced. The new file keeps `p`'s permission bits when `p`
// existed. Returns false with an error text on failure (the temporary file is removed).
bool WriteFileAtomic(const fs::path& p, std::string_view data, std::string* error = nullptr);

// Hard links can be made in this folder (stands in for "the drive is NTFS").
bool CanHardLink(const fs::path& dir);

// Removes a tree without following symbolic links out of it. False when anything is left.
bool RemoveTree(const fs::path& p, std::string* error = nullptr);

// Folder of the running program file, and the program file itself.
fs::path ProgramFile();
fs::path ProgramDirectory();

// Expands %NAME% references with the environment; unknown names stay as written.
std::string ExpandEnvironment(std::string_view text);

}  // namespace platform
