#include "common/Lines.h"

#include <algorithm>

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool EndsWithLineBreak(std::string_view text) {
    return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

bool IsVersionOption(const std::string& arg) {
    static const std::string kOption = "--version";
    return arg.size() == kOption.size() &&
           std::equal(arg.begin(), arg.end(), kOption.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}
