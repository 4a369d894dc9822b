#pragma once
// Reduction of one setup-information file: decode, drop what carries nothing, rewrite.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "quenfa/charset.h"

namespace quenfa {

// What the reduction takes from the user's locale; read once per run.
struct ReduceLocale {
    std::string tag = "0411";  // LCID in "%.4x"
    int codePage = 932;
    std::string decimalSeparator = ".";
};
ReduceLocale CurrentReduceLocale();
std::string LocaleTag(uint32_t lcid);

// The line lists, owned by the caller and reused from file to file, with the buffers of one
// file: its bytes, its decoded text and its reduced form. Source lines are views into the
// bytes or the decoded text. Fields are joined straight into the output lines.
struct LineLists {
    std::string bytes;
    std::string text;
    std::string data;
    std::vector<std::string_view> source;
    std::vector<std::string> output;
};

// The file's text in the ANSI code page. Throws DecodeError for text holding NUL.
// Shift_JIS, EUC-JP and JIS are decoded only where the code page is Shift_JIS itself:
// elsewhere bytes 80..FF are the code page's own letters and are kept as they are.
std::string DecodeText(std::string_view bytes, CharCode code, int codePage);

void ReduceLines(LineLists& lists, const ReduceLocale& locale);

// Sum of (line length + 2): the size of the lines written with CR LF.
uint64_t TextLength(const std::vector<std::string>& lines);
uint64_t TextLength(const std::vector<std::string_view>& lines);
// 100 * reduced / source as "##0.0" with the locale's separator. Throws on source = 0.
std::string FormatRatio(uint64_t reduced, uint64_t source, std::string_view decimalSeparator);

// Rewrites the file in reduced form and returns the ratio text; returns "" without touching
// an empty or binary file. Throws std::exception on any failure.
std::string ReduceFile(const std::filesystem::path& path, LineLists& lists,
                       const ReduceLocale& locale);

}  // namespace quenfa
