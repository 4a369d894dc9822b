#pragma once
// System routines shared by the windows and the build.

#include <string>

// Starts a command line (split by the Windows rules, never through a shell). With wait,
// waits for the program and returns its exit code; otherwise returns 0 at once, also when
// the start failed. `error`, when given, receives the system's reason for a failed start
// (empty when it started).
int RunProgram(const std::string& commandLine, bool wait, std::string* error = nullptr);

enum class ShellOp { Delete, Rename };
// Delete removes each path of `from` for good; Rename renames `from` to `to`. No dialogs.
bool ShellFileOp(ShellOp op, const std::string& from, const std::string& to);
bool DeleteTree(const std::string& path);
bool RenamePath(const std::string& from, const std::string& to);

// Picks a folder through the user interface (see MessageBox.h).
bool BrowseForFolder(const std::string& title, std::string& path, bool extended);
// One-line input through the user interface.
bool InputText(const std::string& caption, const std::string& prompt, std::string& text);

// Whether hard links can be made at `path` (stands in for "the drive is NTFS").
bool IsNtfsDrive(const std::string& path);
std::string StripAfterColon(const std::string& text);

// Option bits: 1 ignores letter case, 2 selects the double-byte-aware matcher.
int CountOccurrences(const std::string& pattern, const std::string& text, int options);

enum class LocaleItem { EnglishLanguageName, Lcid, AnsiCodePage, DecimalSeparator };
std::string LocaleString(LocaleItem item);

// The program file's path with its extension replaced by ".rsl".
std::string LanguageFileName();
