#pragma once
// Byte-string routines for text in the ANSI code page, aware of double-byte characters.

#include <string>
#include <string_view>
#include <vector>

namespace quenfa {

// Splits at CR LF, lone CR and lone LF; a final line end makes no extra empty line. The
// lines are views into `text`.
void SplitLines(std::string_view text, std::vector<std::string_view>& lines);

// Removes one end-of-file mark (0x1A) at the very end.
std::string_view DropEofMark(std::string_view text);

// ASCII letters to lower case, leaving the trail bytes of double-byte characters alone.
std::string LowerAscii(std::string_view text, int codePage);

}  // namespace quenfa
