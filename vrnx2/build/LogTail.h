#pragma once
// The last lines of the builder's log, for showing while it is still being written.

#include <cstddef>
#include <string>
#include <vector>

namespace vrnx2 {

// The last `maxLines` lines of `path` as UTF-8, read from at most the last `maxBytes` of the
// file, so a log of any size costs the same. The log is 8-bit text in `codePage` (0: the
// user's ANSI code page), or UTF-8 when it starts with a byte-order mark. A last line still
// being written is included, without a character cut in half. A missing or unreadable file
// gives no lines.
std::vector<std::string> ReadLogTail(const std::string& path, size_t maxLines, int codePage = 0,
                                     size_t maxBytes = 64 * 1024);

}  // namespace vrnx2
