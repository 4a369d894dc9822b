#pragma once
// UTF-16 and UTF-8 file contents to the ANSI code page. What the code page cannot hold
// becomes "?", and malformed UTF-8 becomes "?" too.

#include <stdexcept>
#include <string>
#include <string_view>

namespace quenfa {

// Raised for text that cannot be rewritten without losing part of it.
struct DecodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Each takes the whole file, byte-order mark included. A final U+001A (or 0x1A) is dropped,
// as is the odd last byte of a UTF-16 file. Text holding U+0000 raises DecodeError: the
// reduction works on lines and would lose everything after it.
std::string Utf16LeToAnsi(std::string_view file, int codePage);
std::string Utf16BeToAnsi(std::string_view file, int codePage);
std::string Utf8ToAnsi(std::string_view file, bool hasBom, int codePage);

}  // namespace quenfa
