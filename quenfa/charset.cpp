#include "quenfa/charset.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace quenfa {

namespace {

bool In(unsigned char c, unsigned char lo, unsigned char hi) {
    return c >= lo && c <= hi;
}

// Bytes past the sample read as 0: the scans may peek one or two bytes ahead.
unsigned char At(std::string_view s, size_t i) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// Returns true with `result` set when the UTF-8 scan decides.
bool ScanUtf8(std::string_view s, int threshold, CharCode& result) {
    const size_t n = s.size();
    int sequences = 0;
    bool awaiting = false;
    size_t further = 0;
    // The last byte is never taken as a lead byte.
    for (size_t i = 0; i + 1 < n; ++i) {
        const unsigned char b = At(s, i);
        if (awaiting) {
            awaiting = false;
            if ((b & 0x80) == 0) return false;
            if (++sequences > threshold) {
                result = CharCode::UTF8;
                return true;
            }
            i += further;  // the rest of the sequence is not checked
        } else if ((b & 0x80) == 0) {
            continue;
        } else if ((b & 0xC0) == 0x80) {
            return false;
        } else {
            awaiting = true;
            further = b <= 0xDF ? 0 : b <= 0xEF ? 1 : b <= 0xF7 ? 2 : b <= 0xFB ? 3 : 4;
        }
    }
    return false;
}

CharCode ScanJapanese(std::string_view s) {
    const size_t n = s.size();
    CharCode r = CharCode::ASCII;
    for (size_t i = 0; i + 1 < n && (r == CharCode::ASCII || r == CharCode::EUC_OR_SJIS); ++i) {
        const unsigned char c = At(s, i);
        if (c == 0x1B) {
            if (At(s, ++i) == '$') {
                const unsigned char f = At(s, ++i);
                if (f == 'B')
                    r = CharCode::JIS_NEW;
                else if (f == '@')
                    r = CharCode::JIS_OLD;
            }
        } else if (c < 0x08 || c == 0xFF) {
            r = CharCode::BINARY;
        } else if (c < 0x80) {
        } else if (In(c, 0x81, 0x8D) || In(c, 0x8F, 0x9F)) {
            r = CharCode::SJIS;
        } else if (c == 0x8E) {
            const unsigned char d = At(s, ++i);
            if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0) || In(d, 0xE0, 0xFC))
                r = CharCode::SJIS;
            else if (In(d, 0xA1, 0xDF))
                r = CharCode::EUC_OR_SJIS;
        } else if (In(c, 0xA1, 0xDF)) {
            const unsigned char d = At(s, ++i);
            if (In(d, 0xF0, 0xFE)) {
                r = CharCode::EUC;
            } else if (In(d, 0xA1, 0xDF)) {
                r = CharCode::EUC_OR_SJIS;
            } else if (In(d, 0xE0, 0xEF)) {
                r = CharCode::EUC_OR_SJIS;
                // Look further until a byte only one of the codes allows.
                while (i < n && At(s, i) >= 0x40 && r == CharCode::EUC_OR_SJIS) {
                    const unsigned char e = At(s, i);
                    if (In(e, 0x81, 0x8D) || In(e, 0x8F, 0x9C))
                        r = CharCode::SJIS;
                    else if (e == 0xFD || e == 0xFE)
                        r = CharCode::EUC;
                    else
                        ++i;
                }
            } else if (d <= 0x9F) {
                r = CharCode::SJIS;
            }
        } else if (In(c, 0xF0, 0xFE)) {
            r = CharCode::EUC;
        } else if (In(c, 0xE0, 0xEF)) {
            const unsigned char d = At(s, ++i);
            if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0))
                r = CharCode::SJIS;
            else if (d == 0xFD || d == 0xFE)
                r = CharCode::EUC;
            else if (In(d, 0xA1, 0xFC))
                r = CharCode::EUC_OR_SJIS;
        }
    }
    return r;
}

}  // namespace

const char* CharCodeName(CharCode code) {
    static const char* const names[] = {"ASCII",   "BINARY",   "JIS_NEW",     "JIS_OLD",
                                        "EUC",     "SJIS",     "EUC_OR_SJIS", "UTF16LE",
                                        "UTF16BE", "UTF8_BOM", "UTF8"};
    const auto i = static_cast<size_t>(code);
    return i < std::size(names) ? names[i] : "?";
}

std::string MakeSample(std::string_view bytes, size_t limit) {
    std::string sample(bytes.substr(0, limit));
    std::replace(sample.begin(), sample.end(), '\0', ' ');
    return sample;
}

std::string ReadSample(const std::filesystem::path& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::string bytes(limit, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    if (in.bad()) throw std::runtime_error("cannot read " + path.string());
    bytes.resize(static_cast<size_t>(in.gcount()));
    return MakeSample(bytes, limit);
}

CharCode DetectEncoding(std::string_view s, const DetectLimits& limits) {
    const size_t n = s.size();
    if (n == 0) return CharCode::SJIS;
    if (At(s, 0) == 0xFF && At(s, 1) == 0xFE) return CharCode::UTF16LE;
    if (At(s, 0) == 0xFE && At(s, 1) == 0xFF) return CharCode::UTF16BE;
    if (limits.utf8Threshold > 0) {
        if (At(s, 0) == 0xEF && At(s, 1) == 0xBB && At(s, 2) == 0xBF) return CharCode::UTF8_BOM;
        CharCode r;
        if (ScanUtf8(s, limits.utf8Threshold, r)) return r;
    }
    const size_t binaryEnd = std::min(limits.sampleLimit, n - 1);
    for (size_t i = 0; i < binaryEnd; ++i) {
        const unsigned char c = At(s, i);
        if (c < 0x08 || c == 0xFF) return CharCode::BINARY;
    }
    return ScanJapanese(s);
}

}  // namespace quenfa
