#pragma once
// Detection of a file's character code from its first bytes.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quenfa {

// Values are stable: they are the detector's historical result codes.
enum class CharCode {
    ASCII = 0,        // nothing outside 7-bit text decided the question
    BINARY = 1,       // control bytes: not a text file
    JIS_NEW = 2,      // ESC $ B
    JIS_OLD = 3,      // ESC $ @
    EUC = 4,          // a pattern only EUC-JP allows
    SJIS = 5,         // a pattern only Shift_JIS allows, or an empty sample
    EUC_OR_SJIS = 6,  // double-byte text that fits both
    UTF16LE = 7,      // FF FE
    UTF16BE = 8,      // FE FF
    UTF8_BOM = 9,     // EF BB BF
    UTF8 = 10,        // enough multi-byte sequences without a byte-order mark
};

const char* CharCodeName(CharCode code);

struct DetectLimits {
    size_t sampleLimit = 1024;  // bytes read and scanned for control bytes
    int utf8Threshold = 5;      // more sequences than this make an unmarked file UTF-8
};

// The first bytes of `bytes` (at most limit), NUL turned into blank so the sample reads as
// one text.
std::string MakeSample(std::string_view bytes, size_t limit = DetectLimits{}.sampleLimit);
// Same from a file; throws std::runtime_error when it cannot be read.
std::string ReadSample(const std::filesystem::path& path,
                       size_t limit = DetectLimits{}.sampleLimit);

CharCode DetectEncoding(std::string_view sample, const DetectLimits& limits = {});

}  // namespace quenfa
