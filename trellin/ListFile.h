#pragma once
// The optional list file beside the program: extra folders ([DIRECTORIES]) and files or name
// patterns ([FILES]) to upper-case.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace trellin {

struct DirectoryEntry {
    std::string path;  // relative to the output folder, "/" separators
    int mode = 0;      // 0: the folder itself, 1: the folder and all below it
};

struct ListFile {
    std::vector<DirectoryEntry> directories;  // in file order, other modes dropped
    std::vector<std::string> files;           // relative paths, possibly with a pattern
};

// The list file of a program file: the same path with the extension ".env".
std::filesystem::path ListFilePath(const std::filesystem::path& programFile);

// File bytes as UTF-8 text: UTF-8 (a byte-order mark dropped) is taken as it is, anything
// else is read in the ANSI code page.
std::string DecodeListFile(std::string_view bytes, int ansiCodePage);

ListFile ParseListFile(std::string_view text);

}  // namespace trellin
