#pragma once
// Conversion between UTF-8 / UTF-16 and a Windows ANSI code page (932, 936, 949, 950,
// 1250..1258, 874). A character the code page cannot hold becomes "?", as on Windows.

#include <string>
#include <string_view>

namespace platform {

// Bytes in the code page -> UTF-8. Malformed bytes become U+FFFD.
std::string AnsiToUtf8(std::string_view bytes, int codePage);
// UTF-8 -> bytes in the code page; malformed UTF-8 and unmappable characters become "?".
std::string Utf8ToAnsi(std::string_view utf8, int codePage);
// True when the code page holds every character of the UTF-8 text, so it survives a round
// trip unchanged (no "?" and no best-fit substitute).
bool CanEncode(std::string_view utf8, int codePage);
// UTF-16 code units -> bytes in the code page; unpaired surrogates and unmappable become "?".
std::string Utf16ToAnsi(std::u16string_view text, int codePage);
// True when the code page is a double-byte one and b can start a two-byte character.
bool IsDbcsLeadByte(int codePage, unsigned char b);
// True when the code page is known to the converter.
bool IsSupportedCodePage(int codePage);

}  // namespace platform
