#pragma once
// INI readers: the whole file is loaded, one key read, the file released. A missing file,
// section or key gives the default.
//
// Reading follows the profile-string rules of Windows: the first section of the name and,
// inside it, the first key of the name count (letter case ignored); key and value are
// trimmed, and quotes ('...' or "...") around the whole value are removed. A line without
// "=" names a key with an empty value; lines starting with ";" are comments.
//
// Encoding: a byte-order mark selects UTF-8 or UTF-16; otherwise a file that is valid
// UTF-8 is read as UTF-8, and anything else as the user's ANSI code page (as written by
// Windows programs). Results are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vrnx2 {

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);
// The value as a decimal number, or hexadecimal after "0x" or "$"; the default when it is
// not a number or does not fit 32 bits.
int32_t IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def);

// The building blocks, for readers of INI-shaped files with rules of their own.

// File bytes -> UTF-8 text by the encoding rule above (byte-order mark removed).
std::string DecodeIniText(std::string_view bytes);
// Looks up a value in decoded INI text; nullopt when the section or key is absent.
std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key);
// Text read as an integer the way IniReadInteger does.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace vrnx2
