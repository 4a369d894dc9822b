#pragma once
// The language resource: an INI-style text file beside the program with the sections
// "Font01", "Font02" and "Strings". It is UTF-8 (a byte-order mark is allowed); a file that
// is not valid UTF-8 was written in the ANSI code page; UTF-16 is read when it starts with
// its byte-order mark.

#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/base/MessageTable.h"

namespace vrnx2 {

struct LanguageResource {
    FontSetting font1{0, "MS UI Gothic", 9};
    FontSetting font2{0, "MS UI Gothic", 10};
    // The "Strings" section, normalised "key=text" lines in file order.
    std::vector<std::string> strings;
};

// Section, key and id names compare without regard to letter case.
bool SameIniName(std::string_view a, std::string_view b);

// The file's bytes as UTF-8.
std::string DecodeResourceText(std::string_view bytes, int ansiCodePage);

// Every line trimmed; empty lines, lines starting with ";" and lines before the first section
// skipped; blanks around the first "=" removed; section and key names compared without
// regard to letter case.
LanguageResource ParseLanguageResource(std::string_view utf8);

}  // namespace vrnx2
