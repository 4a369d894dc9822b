#include "quenfa/Reduce.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

#include "common/SplitFields.h"
#include "common/Trim.h"
#include "platform/FileReplace.h"
#include "platform/Locale.h"
#include "quenfa/jString.h"
#include "quenfa/jconvert.h"
#include "quenfa/unicode.h"

namespace quenfa {

namespace fs = std::filesystem;

namespace {
constexpr int kShiftJis = 932;
__extension__ typedef unsigned __int128 Uint128;
}  // namespace

std::string LocaleTag(uint32_t lcid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.4x", static_cast<unsigned>(lcid));
    return buf;
}

ReduceLocale CurrentReduceLocale() {
    const platform::UserLocale user = platform::CurrentLocale();
    return {LocaleTag(user.lcid), user.ansiCodePage, user.decimalSeparator};
}

std::string DecodeText(std::string_view bytes, CharCode code, int codePage) {
    std::string text;
    const bool japanese = codePage == kShiftJis;
    switch (code) {
        case CharCode::JIS_NEW:
        case CharCode::JIS_OLD:
            text = japanese ? JisToSjis(DropEofMark(bytes)) : std::string(DropEofMark(bytes));
            break;
        case CharCode::EUC:
        case CharCode::EUC_OR_SJIS:
            text = japanese ? EucToSjis(DropEofMark(bytes)) : std::string(DropEofMark(bytes));
            break;
        case CharCode::UTF16LE:
            text = Utf16LeToAnsi(bytes, codePage);
            break;
        case CharCode::UTF16BE:
            text = Utf16BeToAnsi(bytes, codePage);
            break;
        case CharCode::UTF8_BOM:
            text = Utf8ToAnsi(bytes, true, codePage);
            break;
        case CharCode::UTF8:
            text = Utf8ToAnsi(bytes, false, codePage);
            break;
        case CharCode::BINARY:
            throw std::logic_error("binary data has no text");
        case CharCode::ASCII:
        case CharCode::SJIS:
            text = DropEofMark(bytes);
            break;
    }
    if (text.find('\0') != std::string::npos) throw DecodeError("text holds NUL");
    return text;
}

void ReduceLines(LineLists& lists, const ReduceLocale& locale) {
    const std::string keepHeader = "[strings." + locale.tag + "]";
    bool skip = false;
    size_t count = 0;
    // Output lines are assigned in place so their buffers serve the next file too.
    auto next = [&]() -> std::string& {
        if (count == lists.output.size()) lists.output.emplace_back();
        return lists.output[count++];
    };
    for (const std::string_view line : lists.source) {
        const std::string_view t = TrimView(line);
        if (t.empty() || t.front() == ';') continue;
        if (t.front() == '[') {
            skip = false;
            const std::string lower = LowerAscii(t, locale.codePage);
            if (lower.starts_with("[strings.")) skip = lower.find(keepHeader) == std::string::npos;
        }
        if (skip) continue;
        const size_t eq = t.find('=');
        const std::string_view key =
            eq == std::string_view::npos ? std::string_view{} : TrimView(t.substr(0, eq));
        std::string& out = next();
        out.clear();
        if (!key.empty()) {
            out.append(key);
            out.push_back('=');
            AppendJoinedFields(line.substr(line.find('=') + 1), out);
        } else {
            AppendJoinedFields(line, out);
        }
    }
    lists.output.resize(count);
}

namespace {
template <typename Line>
uint64_t SumLengths(const std::vector<Line>& lines) {
    uint64_t total = 0;
    for (const Line& line : lines) total += line.size() + 2;
    return total;
}
}  // namespace

uint64_t TextLength(const std::vector<std::string>& lines) {
    return SumLengths(lines);
}
uint64_t TextLength(const std::vector<std::string_view>& lines) {
    return SumLengths(lines);
}

std::string FormatRatio(uint64_t reduced, uint64_t source, std::string_view decimalSeparator) {
    if (source == 0) throw std::domain_error("ratio of an empty text");
    // Exact in integers: rounded to four places with ties to even, then shown with one
    // place, ties away from zero.
    const Uint128 scaled = static_cast<Uint128>(reduced) * 1000000u;
    auto tenThousandths = static_cast<uint64_t>(scaled / source);
    const auto rest = static_cast<uint64_t>(scaled % source);
    if (rest > source - rest || (rest == source - rest && tenThousandths % 2 == 1))
        ++tenThousandths;
    const uint64_t tenths = (tenThousandths + 500) / 1000;
    std::string text = std::to_string(tenths / 10);
    text += decimalSeparator;
    text += static_cast<char>('0' + tenths % 10);
    return text;
}

namespace {

bool IsPlain(CharCode code, int codePage) {
    switch (code) {
        case CharCode::ASCII:
        case CharCode::SJIS:
            return true;
        case CharCode::JIS_NEW:
        case CharCode::JIS_OLD:
        case CharCode::EUC:
        case CharCode::EUC_OR_SJIS:
            return codePage != kShiftJis;
        default:
            return false;
    }
}

}  // namespace

std::string ReduceFile(const fs::path& path, LineLists& lists, const ReduceLocale& locale) {
    std::string error;
    platform::OpenedFile file;
    if (!file.Open(path.string(), &error) || !file.ReadAll(lists.bytes, &error))
        throw std::runtime_error(error);
    const struct stat& st = file.Status();
    const std::string_view bytes = lists.bytes;
    const std::string sample = MakeSample(bytes);
    if (sample.empty()) return {};
    const CharCode code = DetectEncoding(sample);
    if (code == CharCode::BINARY) return {};

    // Text in the code page already is reduced where it lies, without a copy.
    std::string_view text;
    if (IsPlain(code, locale.codePage)) {
        text = DropEofMark(bytes);
        if (text.find('\0') != std::string_view::npos) throw DecodeError("text holds NUL");
    } else {
        lists.text = DecodeText(bytes, code, locale.codePage);
        text = lists.text;
    }
    SplitLines(text, lists.source);
    ReduceLines(lists, locale);

    std::string& data = lists.data;
    data.clear();
    data.reserve(TextLength(lists.output));
    for (const std::string& line : lists.output) {
        data += line;
        data += "\r\n";
    }
    // Read-only is reset; owner, group, the other mode bits and the time stay.
    const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
    if (data != bytes) {
        const platform::KeptAttributes keep{st.st_uid, st.st_gid, mode, st.st_mtim};
        if (!platform::ReplaceFileContent(path.string(), data, keep, &error))
            throw std::runtime_error(error);
    } else if (mode != (st.st_mode & 07777) && !file.SetMode(mode, &error)) {
        // A file already in reduced form keeps its content and so its time: only the
        // read-only bit goes.
        throw std::runtime_error(error);
    }

    return FormatRatio(TextLength(lists.output), TextLength(lists.source), locale.decimalSeparator);
}

}  // namespace quenfa
