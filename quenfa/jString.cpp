#include "quenfa/jString.h"

#include <cstring>

#include "platform/CodePage.h"

namespace quenfa {

void SplitLines(std::string_view text, std::vector<std::string_view>& lines) {
    lines.clear();
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* lf = nullptr;  // next LF at or after p, or end; kept so lone CRs stay linear
    while (p < end) {
        if (!lf || lf < p) {
            lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf) lf = end;
        }
        const auto* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(lf - p)));
        if (cr) {
            lines.emplace_back(p, size_t(cr - p));
            p = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
        } else {
            lines.emplace_back(p, size_t(lf - p));
            p = lf == end ? end : lf + 1;
        }
    }
}

std::string_view DropEofMark(std::string_view text) {
    if (!text.empty() && text.back() == '\x1A') text.remove_suffix(1);
    return text;
}

std::string LowerAscii(std::string_view text, int codePage) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b >= 'A' && b <= 'Z') {
            out[i] = static_cast<char>(b + ('a' - 'A'));
        } else if (b >= 0x80 && platform::IsDbcsLeadByte(codePage, b)) {
            ++i;
        }
    }
    return out;
}

}  // namespace quenfa
