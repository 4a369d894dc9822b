#include "quenfa/jconvert.h"

namespace quenfa {

namespace {
constexpr char kEsc = 0x1B;

void AppendPair(std::string& out, uint8_t j1, uint8_t j2) {
    const SjisPair p = JisPairToSjis(j1, j2);
    out.push_back(static_cast<char>(p.first));
    out.push_back(static_cast<char>(p.second));
}
}  // namespace

SjisPair JisPairToSjis(uint8_t j1, uint8_t j2) {
    SjisPair p;
    p.first = static_cast<uint8_t>(((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
    if (j1 % 2 == 0)
        p.second = static_cast<uint8_t>(j2 + 0x7E);
    else
        p.second = static_cast<uint8_t>(j2 <= 0x5F ? j2 + 0x1F : j2 + 0x20);
    return p;
}

std::string JisToSjis(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    bool doubleByte = false;
    bool katakana = false;
    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        if (in[i] == kEsc) {
            if (i + 1 >= n) break;
            const char kind = in[i + 1];
            if (kind == '$') {
                // ESC $ @, ESC $ B and ESC $ ( D alike: skip up to the final byte.
                doubleByte = true;
                katakana = false;
                i += 2;
                if (i < n && in[i] == '(') ++i;
                ++i;
            } else if (kind == '&') {
                // ESC & @ ESC $ B announces a JIS revision; taken as double-byte.
                doubleByte = true;
                katakana = false;
                i += 6;
            } else if (kind == '(') {
                doubleByte = false;
                katakana = i + 2 < n && in[i + 2] == 'I';
                i += 3;
            } else {
                ++i;  // a lone ESC is dropped; the next byte is text
            }
            continue;
        }
        if (doubleByte) {
            if (i + 1 >= n) break;
            AppendPair(out, static_cast<uint8_t>(in[i]), static_cast<uint8_t>(in[i + 1]));
            i += 2;
        } else if (katakana) {
            out.push_back(static_cast<char>(static_cast<uint8_t>(in[i]) + 0x80));
            ++i;
        } else {
            out.push_back(in[i]);
            ++i;
        }
    }
    return out;
}

std::string EucToSjis(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        const auto b = static_cast<uint8_t>(in[i]);
        if (b < 0x81 || b == 0xFF) {
            out.push_back(in[i]);
            ++i;
            continue;
        }
        if (i + 1 >= n) break;
        const auto b2 = static_cast<uint8_t>(in[i + 1]);
        if (b == 0x8E) {
            out.push_back(static_cast<char>(b2));  // half-width katakana: same byte
        } else {
            AppendPair(out, b & 0x7F, b2 & 0x7F);
        }
        i += 2;
    }
    return out;
}

}  // namespace quenfa
