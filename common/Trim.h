#pragma once
// The trimming rule: every character with a code of 0x20 or less goes from both ends.

#include <string>
#include <string_view>

// Inline: the field splitter calls it for every field of every line.
inline std::string_view TrimView(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
    return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text);
