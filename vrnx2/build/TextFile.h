#pragma once
// Text files of the builder and its plugins, read and written back without damage: an
// 8-bit file keeps its bytes line for line (only the lines changed are re-encoded), a file
// with a UTF-8 or UTF-16 byte-order mark keeps that encoding, and line breaks stay as found.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrnx2 {

enum class TextEncoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

struct TextFile {
    TextEncoding encoding = TextEncoding::Ansi;
    int codePage = 1252;
    // Ansi: the raw bytes of each line; otherwise UTF-8.
    std::vector<std::string> lines;
    // The break that ended each line ("\r\n", "\n", "\r"; "" for a last line without one).
    std::vector<std::string> breaks;

    std::string LineUtf8(size_t i) const;
    // Converts UTF-8 text to the form `lines` holds.
    std::string FromUtf8(std::string_view utf8) const;
    void SetLineUtf8(size_t i, std::string_view utf8);
    void AppendLineUtf8(std::string_view utf8, std::string lineBreak = "\r\n");
};

// Splits `bytes` into a TextFile. Fails (nullopt, with a reason) for data that cannot be read
// as text in a way that writes back byte for byte: NUL bytes without a byte-order mark, or
// UTF-16 / UTF-8 that does not survive a round trip.
std::optional<TextFile> ParseText(std::string_view bytes, int codePage,
                                  std::string* error = nullptr);
std::optional<TextFile> ReadTextFile(const std::string& path, int codePage,
                                     std::string* error = nullptr);
// The bytes of the file, byte-order mark included.
std::string EncodeText(const TextFile& file);
// Writes through a temporary file renamed into place.
bool WriteTextFile(const std::string& path, const TextFile& file, std::string* error = nullptr);

}  // namespace vrnx2
