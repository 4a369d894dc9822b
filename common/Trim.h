#pragma once
// The trimming rule: every character with a code of 0x20 or less goes from both ends.

#include <string>
#include <string_view>

std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
