#pragma once
// System routines shared by the windows and the build.

#include <string>
#include <vector>

namespace vrnx2 {

// Starts a command line (split by the Windows rules, never through a shell). With wait,
// waits for the program and returns its exit code, letting pending window messages through
// (UI().ProcessMessages()) while it runs; otherwise returns 0 at once, also when the start
// failed. `error`, when given, receives the reason for a failed or refused start (empty when
// it started). A Windows program is started through Wine (platform/WineLaunch.h).
// A program waited for leads a process group of its own; once UI().StopRequested(), the
// group is sent SIGTERM, then SIGKILL after a grace (at once with UI().StopNow()), and after
// it ended what is left of the group is killed, with the prefix's Wine processes when no
// Wine server ran for the prefix before the start.
int RunProgram(const std::string& commandLine, bool wait, std::string* error = nullptr);
// The same for a program whose path the system knows: argv[0] is the program as it is,
// never split again.
// `errorLines`, when given with wait, receives the last lines a Windows program (Wine and the
// program) wrote on its standard error, which otherwise goes to /dev/null.
int RunArguments(const std::vector<std::string>& argv, bool wait, std::string* error = nullptr,
                 std::vector<std::string>* errorLines = nullptr);

enum class ShellOp { Delete, Rename };
// File operations without dialogs; true when every part succeeded.
// Delete: `from` holds one path or several separated by NUL characters; each is removed
// for good with everything below it (symbolic links are removed, never followed). The last
// component may be a pattern with "*" and "?" ("*.*" matches every name), which removes the
// matching entries of its folder; a pattern matching nothing succeeds, a missing path does
// not. The file-system root, "." and ".." are refused.
// Rename: renames `from` to `to`; refused when `to` already exists as another entry, so
// nothing is overwritten.
bool ShellFileOp(ShellOp op, const std::string& from, const std::string& to);
bool DeleteTree(const std::string& path);
bool RenamePath(const std::string& from, const std::string& to);

// Picks a folder through the user interface (see vrnx2/base/UserInterface.h); the path is unchanged
// unless the result is true.
bool BrowseForFolder(const std::string& title, std::string& path, bool extended);
// One-line input through the user interface; the result holds at most 255 characters.
bool InputText(const std::string& caption, const std::string& prompt, std::string& text);

// Whether hard links can be made at `path`, or at its nearest existing parent folder
// (stands in for "the drive is NTFS").
bool IsNtfsDrive(const std::string& path);
// The text before the first ":" found from the fourth character (byte) on; the whole text
// when there is none, so a drive name such as "C:" is kept.
std::string StripAfterColon(const std::string& text);

// Number of non-overlapping occurrences of `pattern` in `text` (0 for an empty pattern).
// Option bits: 1 ignores letter case, 2 selects the character-aware matcher, whose matches
// begin and end on whole UTF-8 characters; without it matching is by bytes.
int CountOccurrences(const std::string& pattern, const std::string& text, int options);

// Items of the user's locale: the English name of the language ("Japanese"), the locale
// identifier as four hexadecimal digits ("0411"), the ANSI code page ("932"), the decimal
// separator.
enum class LocaleItem { EnglishLanguageName, Lcid, AnsiCodePage, DecimalSeparator };
std::string LocaleString(LocaleItem item);

}  // namespace vrnx2
