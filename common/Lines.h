#pragma once
// Text split into lines and the console programs' shared option rule.

#include <string>
#include <string_view>
#include <vector>

// Lines end with CR LF, LF or CR; a break at the very end opens no new line. The views point
// into `text`.
std::vector<std::string_view> SplitLines(std::string_view text);
// Whether the text's last line ends with a break (an empty text has no last line).
bool EndsWithLineBreak(std::string_view text);

// "--version", compared without regard to ASCII letter case as the console programs compare
// their options.
bool IsVersionOption(const std::string& arg);
