#pragma once
// Path text rules shared by every program. Paths use "/" in memory; names written by
// Windows programs (options files, plugin keys, cabinet entries) may hold "\" instead.

#include <string>
#include <string_view>

namespace platform {

// "/" or "\".
bool IsPathSeparator(char c);

// `path` with a trailing "/" added, unless it is empty or already ends in "/".
std::string WithTrailingSlash(std::string path);
// The same where a trailing "\" also counts as the end of a folder.
std::string WithTrailingSeparator(std::string path);
// `path` without its trailing "/" characters; a lone "/" is a folder of its own and stays.
std::string WithoutTrailingSlash(std::string_view path);
// The same for trailing "/" and "\" characters.
std::string WithoutTrailingSeparators(std::string_view path);

// A folder joined to a name with exactly one "/" between them; an empty folder gives the
// name alone.
std::string JoinPath(std::string_view dir, std::string_view name);

// Windows form and back: every "/" becomes "\", every "\" becomes "/".
std::string ToBackslashes(std::string path);
std::string ToSlashes(std::string path);
// "C:..." : a name that starts with a drive letter and a colon.
bool HasDriveLetter(std::string_view name);

}  // namespace platform
