#include "vrnx2/build/LogTail.h"

#include <algorithm>
#include <fstream>
#include <string_view>

#include "common/Lines.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace vrnx2 {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Length of `line` without a character whose trailing bytes have not been written yet.
size_t CompleteLength(std::string_view line, bool utf8, int codePage) {
    size_t i = 0, lastStart = 0;
    while (i < line.size()) {
        lastStart = i;
        const auto b = static_cast<unsigned char>(line[i]);
        size_t width = 1;
        if (utf8)
            width = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        else if (platform::IsDbcsLeadByte(codePage, b))
            width = 2;
        i += width;
    }
    return i > line.size() ? lastStart : line.size();
}

}  // namespace

std::vector<std::string> ReadLogTail(const std::string& path, size_t maxLines, int codePage,
                                     size_t maxBytes) {
    std::vector<std::string> lines;
    if (maxLines == 0 || maxBytes == 0) return lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0) return lines;

    char head[3] = {};
    in.seekg(0);
    in.read(head, sizeof head);
    const bool utf8 = in.gcount() == 3 && std::string_view(head, 3) == kUtf8Bom;
    in.clear();
    if (codePage == 0) codePage = platform::CurrentLocale().ansiCodePage;

    // One byte more than the window, to tell whether it starts at the beginning of a line.
    const std::streamoff window =
        std::min<std::streamoff>(size, static_cast<std::streamoff>(maxBytes));
    const std::streamoff from = size - window;
    const std::streamoff readFrom = from > 0 ? from - 1 : 0;
    std::string bytes(static_cast<size_t>(size - readFrom), '\0');
    in.seekg(readFrom);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (bytes.empty()) return lines;  // emptied since its size was taken

    std::string_view text(bytes);
    if (from == 0) {
        if (utf8) text.remove_prefix(std::min(text.size(), kUtf8Bom.size()));
    } else {
        const char before = text[0];
        text.remove_prefix(1);
        if (before == '\r' && !text.empty() && text[0] == '\n') {
            text.remove_prefix(1);  // the second half of a CR LF
        } else if (before != '\r' && before != '\n') {
            // A line cut by the window may start inside a character: left out. A window
            // without any break is one long line, whose end is still worth showing.
            const size_t brk = text.find_first_of("\r\n");
            if (brk != std::string_view::npos) {
                const bool crlf =
                    text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n';
                text.remove_prefix(brk + (crlf ? 2 : 1));
            }
        }
    }

    std::vector<std::string_view> raw = SplitLines(text);
    // An unfinished last line may end inside a character that is still being written.
    if (!raw.empty() && !EndsWithLineBreak(text))
        raw.back() = raw.back().substr(0, CompleteLength(raw.back(), utf8, codePage));

    const size_t first = raw.size() > maxLines ? raw.size() - maxLines : 0;
    for (size_t i = first; i < raw.size(); ++i)
        lines.push_back(utf8 ? std::string(raw[i]) : platform::AnsiToUtf8(raw[i], codePage));
    return lines;
}

}  // namespace vrnx2
