#pragma once
// UTF-8 checks and conversions shared by every reader that has to tell UTF-8 from an ANSI
// code page.

#include <string>
#include <string_view>

namespace platform {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// UTF-16 code units -> UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);
// UTF-16 bytes (without byte-order mark) -> UTF-8; an odd last byte is dropped.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
// Malformed sequences become U+FFFD; well-formed text is returned as it is.
std::string RepairUtf8(std::string_view bytes);
// The text of a file as UTF-8: a byte-order mark selects UTF-8 or UTF-16 (LE/BE); without
// one, bytes that are valid UTF-8 are taken as UTF-8, anything else as the ANSI code page.
std::string DecodeText(std::string_view bytes, int ansiCodePage);

}  // namespace platform
