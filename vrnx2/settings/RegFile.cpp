#include "vrnx2/settings/RegFile.h"

#include <unicode/ustring.h>

#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "vrnx2/settings/StoreBackend.h"

namespace vrnx2 {

namespace {

constexpr const char* kHeader5 = "Windows Registry Editor Version 5.00";
constexpr const char* kHeader4 = "REGEDIT4";
constexpr const char* kHive = "HKEY_CURRENT_USER";

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    if (text.empty()) return {};
    int32_t needed = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(nullptr, 0, &needed, text.data(), static_cast<int32_t>(text.size()),
                         0xFFFD, nullptr, &status);
    std::u16string out(needed, u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), needed, &needed, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    return out;
}

std::u16string BytesToUtf16LE(std::string_view b) {
    std::u16string out;
    out.reserve(b.size() / 2);
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(b[i]) |
                                            (static_cast<unsigned char>(b[i + 1]) << 8)));
    return out;
}

// The file's text as UTF-8, without its byte-order mark.
bool Decode(std::string_view bytes, int codePage, std::string& text, RegFileError& error) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) {
            error = {0, "the UTF-16 text ends in half a character"};
            return false;
        }
        text = platform::Utf16ToUtf8(BytesToUtf16LE(bytes.substr(2)));
        return true;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        error = {0, "big-endian UTF-16 is not a registry file encoding"};
        return false;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = std::string(bytes.substr(3));
        return true;
    }
    // Files written here by hand are UTF-8; those from Windows are in the ANSI code page,
    // whose non-ASCII text is practically never valid UTF-8.
    if (platform::IsValidUtf8(bytes))
        text = std::string(bytes);
    else
        text = platform::AnsiToUtf8(bytes, codePage);
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "hex..:" byte lists: two-digit numbers separated by commas (blanks allowed).
bool ParseHexBytes(std::string_view s, std::string& out) {
    out.clear();
    s = TrimBlanks(s);
    if (s.empty()) return true;
    size_t i = 0;
    while (true) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        int hi = i < s.size() ? HexDigit(s[i]) : -1;
        int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
        if (hi < 0) return false;
        if (lo < 0) {  // a single digit is a whole byte
            out.push_back(static_cast<char>(hi));
            i += 1;
        } else {
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        }
        while (i < s.size() && IsBlank(s[i])) ++i;
        if (i == s.size()) return true;
        if (s[i] != ',') return false;
        ++i;
    }
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            char n = s[pos];
            if (n == '\\' || n == '"') {
                out.push_back(n);
                ++pos;
                continue;
            }
            // A lone backslash (a hand-written "C:\dir") is kept as it stands.
        }
        out.push_back(c);
    }
    return false;
}

bool OnlyTrailingComment(std::string_view rest) {
    rest = TrimBlanks(rest);
    return rest.empty() || rest.front() == ';';
}

class Parser {
public:
    Parser(std::vector<std::string_view> lines, std::vector<RegFileOp>& ops, RegFileError& error)
        : lines_(std::move(lines)), ops_(ops), error_(error) {}

    bool Run() {
        size_t first = 0;
        if (lines_.empty() ||
            (TrimBlanks(lines_[0]) != kHeader5 && TrimBlanks(lines_[0]) != kHeader4))
            return Fail(1, std::string("not a registry file: the first line must be \"") +
                               kHeader5 + "\" or \"" + kHeader4 + "\"");
        ++first;
        for (size_t i = first; i < lines_.size(); ++i) {
            int lineNo = static_cast<int>(i) + 1;
            std::string_view line = TrimBlanks(lines_[i]);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                if (!KeyLine(line, lineNo)) return false;
            } else if (line.front() == '"' || line.front() == '@') {
                if (!ValueLine(i, lineNo)) return false;
            } else {
                return Fail(lineNo, "expected a [key] line or a \"name\"=value line");
            }
        }
        return true;
    }

private:
    bool Fail(int line, std::string message) {
        error_ = {line, std::move(message)};
        return false;
    }

    bool KeyLine(std::string_view line, int lineNo) {
        size_t close = line.rfind(']');
        if (close == std::string_view::npos) return Fail(lineNo, "the key line lacks its \"]\"");
        if (!OnlyTrailingComment(line.substr(close + 1)))
            return Fail(lineNo, "text after the key's \"]\"");
        std::string_view name = line.substr(1, close - 1);
        bool remove = !name.empty() && name.front() == '-';
        if (remove) name.remove_prefix(1);
        std::string relative;
        if (!ParseHiveKey(name, relative))
            return Fail(lineNo,
                        "only keys of HKEY_CURRENT_USER can be imported: " + std::string(name));
        if (KeyDepth(relative) > kMaxKeyDepth)
            return Fail(lineNo, "the key is " + std::to_string(KeyDepth(relative)) +
                                    " levels deep; at most " + std::to_string(kMaxKeyDepth) +
                                    " are allowed");
        key_ = relative;
        deleting_ = remove;
        haveKey_ = true;
        if (remove) {
            if (relative.empty()) return Fail(lineNo, "refusing to delete the whole hive");
            ops_.push_back({RegFileOp::DeleteKey, relative, {}, lineNo});
        } else if (!relative.empty()) {
            ops_.push_back({RegFileOp::CreateKey, relative, {}, lineNo});
        }
        return true;
    }

    bool ValueLine(size_t& index, int lineNo) {
        std::string_view line = TrimBlanks(lines_[index]);
        if (!haveKey_) return Fail(lineNo, "a value before the first [key] line");
        if (deleting_) return Fail(lineNo, "a value under a key that is being deleted");
        if (key_.empty()) return Fail(lineNo, "values directly under the hive are not kept");
        RegValue v;
        size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, v.name)) {
            return Fail(lineNo, "the value name lacks its closing quote");
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return Fail(lineNo, "expected \"=\" after the value name");
        ++pos;
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        std::string_view data = line.substr(pos);

        if (data == "-") {
            ops_.push_back({RegFileOp::DeleteValue, key_, v, lineNo});
            return true;
        }
        if (!data.empty() && data.front() == '"') {
            size_t p = 0;
            if (!ParseQuoted(data, p, v.text))
                return Fail(lineNo, "the string lacks its closing quote");
            if (!OnlyTrailingComment(data.substr(p))) return Fail(lineNo, "text after the string");
            v.type = RegType::String;
            ops_.push_back({RegFileOp::SetValue, key_, v, lineNo});
            return true;
        }
        size_t colon = data.find(':');
        if (colon == std::string_view::npos)
            return Fail(lineNo, "the value's data is not understood");
        std::string_view kind = TrimBlanks(data.substr(0, colon));
        std::string rest(data.substr(colon + 1));
        if (IEquals(kind, "dword")) {
            std::string_view digits = TrimBlanks(rest);
            size_t semi = digits.find(';');
            if (semi != std::string_view::npos) digits = TrimBlanks(digits.substr(0, semi));
            if (digits.empty() || digits.size() > 8)
                return Fail(lineNo, "a dword needs one to eight hexadecimal digits");
            uint32_t n = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) return Fail(lineNo, "a dword needs one to eight hexadecimal digits");
                n = n * 16 + static_cast<uint32_t>(d);
            }
            v.type = RegType::Integer;
            v.number = static_cast<int32_t>(n);
            ops_.push_back({RegFileOp::SetValue, key_, v, lineNo});
            return true;
        }
        if (kind.size() >= 3 && IEquals(kind.substr(0, 3), "hex")) {
            // Byte lists continue on the next line after a trailing backslash. Each line is
            // appended in place: copying the list so far per line made long values quadratic.
            while (true) {
                while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
                if (rest.empty() || rest.back() != '\\') break;
                rest.pop_back();
                if (++index >= lines_.size())
                    return Fail(lineNo, "the byte list continues past the end of the file");
                rest += TrimBlanks(lines_[index]);
            }
            std::string bytes;
            if (!ParseHexBytes(rest, bytes)) return Fail(lineNo, "malformed byte list");
            std::string type = std::string(kind);
            if (IEquals(type, "hex(1)")) {
                if (bytes.size() % 2 != 0)
                    return Fail(lineNo, "a hex(1) string needs an even number of bytes");
                std::u16string u = BytesToUtf16LE(bytes);
                while (!u.empty() && u.back() == u'\0') u.pop_back();
                // The store's strings end at a NUL: the rest would be lost without a word.
                if (u.find(u'\0') != std::u16string::npos)
                    return Fail(lineNo, "a hex(1) string holds a NUL character before its end");
                v.type = RegType::String;
                v.text = platform::Utf16ToUtf8(u);
            } else if (IEquals(type, "hex(4)")) {
                if (bytes.size() != 4) return Fail(lineNo, "a hex(4) dword needs four bytes");
                uint32_t n = 0;
                for (int b = 3; b >= 0; --b) n = n * 256 + static_cast<unsigned char>(bytes[b]);
                v.type = RegType::Integer;
                v.number = static_cast<int32_t>(n);
            } else {
                return Fail(lineNo, "value type " + type +
                                        " is not kept by this store (only strings and dwords)");
            }
            ops_.push_back({RegFileOp::SetValue, key_, v, lineNo});
            return true;
        }
        return Fail(lineNo, "unknown value type \"" + std::string(kind) + "\"");
    }

    std::vector<std::string_view> lines_;
    std::vector<RegFileOp>& ops_;
    RegFileError& error_;
    std::string key_;
    bool haveKey_ = false;
    bool deleting_ = false;
};

std::string EscapeString(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// Text that would break the line form (line breaks, other control characters) goes out
// as hex(1), which the import reads back as a string.
bool NeedsHex(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 && c != '\t') return true;
    return false;
}

std::string HexString(const std::string& utf8, size_t column) {
    std::u16string u = Utf8ToUtf16(utf8);
    u.push_back(u'\0');
    std::string out = "hex(1):";
    column += out.size();
    char buf[8];
    for (size_t i = 0; i < u.size() * 2; ++i) {
        unsigned byte = (i % 2 == 0) ? (u[i / 2] & 0xFF) : (u[i / 2] >> 8);
        std::snprintf(buf, sizeof buf, "%02x", byte);
        out += buf;
        column += 2;
        if (i + 1 < u.size() * 2) {
            out += ",";
            ++column;
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

bool ExportTree(const std::string& relative, std::string& text, std::string& error) {
    auto tree = RegEnumTree(0, relative);
    if (tree.empty()) {
        error = "the key disappeared while it was written: " + FullKeyName(relative);
        return false;
    }
    for (const RegKeyEntry& key : tree) {
        if (key.path.find_first_of("\r\n") != std::string::npos) {
            error = "a key name holds a line break: " + FullKeyName(key.path);
            return false;
        }
        // Appends rather than "literal" + string: GCC 12 warns falsely (-Wrestrict) on the
        // latter.
        text.append("[").append(FullKeyName(key.path)).append("]\r\n");
        for (const auto& v : key.values) {
            if (v.name.find_first_of("\r\n") != std::string::npos) {
                error = "a value name holds a line break in " + FullKeyName(key.path);
                return false;
            }
            std::string line;
            if (v.name.empty())
                line = "@=";
            else
                line.append("\"").append(EscapeString(v.name)).append("\"=");
            if (v.type == RegType::Integer) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<uint32_t>(v.number));
                line += buf;
            } else if (NeedsHex(v.text)) {
                line += HexString(v.text, line.size());
            } else {
                line.append("\"").append(EscapeString(v.text)).append("\"");
            }
            text.append(line).append("\r\n");
        }
        text += "\r\n";
    }
    return true;
}

}  // namespace

bool ParseHiveKey(std::string_view key, std::string& relative) {
    size_t cut = key.find('\\');
    std::string_view hive = key.substr(0, cut);
    if (!IEquals(hive, "HKCU") && !IEquals(hive, kHive)) return false;
    relative = cut == std::string_view::npos ? std::string()
                                             : store_detail::NormalizePath(key.substr(cut + 1));
    return true;
}

std::string FullKeyName(const std::string& relative) {
    return relative.empty() ? std::string(kHive) : std::string(kHive) + "\\" + relative;
}

bool ParseRegFile(std::string_view bytes, int ansiCodePage, std::vector<RegFileOp>& ops,
                  RegFileError& error) {
    ops.clear();
    std::string text;
    if (!Decode(bytes, ansiCodePage, text, error)) return false;
    Parser parser(SplitLines(text), ops, error);
    return parser.Run();
}

void ApplyRegFile(const std::vector<RegFileOp>& ops) {
    StoreTransaction tx;
    for (const auto& op : ops) {
        switch (op.kind) {
            case RegFileOp::CreateKey:
                RegCreateKey(0, op.key);
                break;
            case RegFileOp::DeleteKey:
                RegDeleteKey(0, op.key);
                break;
            case RegFileOp::SetValue:
                RegWriteValue(0, op.key, op.value);
                break;
            case RegFileOp::DeleteValue:
                RegDeleteValue(0, op.key, op.value.name);
                break;
        }
    }
    tx.Commit();
}

bool ExportRegFile(const std::string& relative, std::string& bytes, std::string& error) {
    std::string text;
    {
        StoreTransaction snapshot(StoreTransaction::Read);
        auto stored = RegKeyPath(0, relative);
        // The hive itself exports as regedit does: its line, then every key below it.
        if (!stored) {
            error = "the key does not exist: " + FullKeyName(relative);
            return false;
        }
        text = std::string(kHeader5) + "\r\n\r\n";
        if (!ExportTree(relative, text, error)) return false;
    }
    std::u16string u = Utf8ToUtf16(text);
    bytes.clear();
    bytes.reserve(2 + u.size() * 2);
    bytes += "\xFF\xFE";
    for (char16_t c : u) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return true;
}

}  // namespace vrnx2
