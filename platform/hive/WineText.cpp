#include "platform/hive/WineText.h"

#include <memory>
#include <unordered_map>

namespace hive {

namespace {

constexpr uint64_t kEpochDifference = 116444736000000000ull;  // 1601 to 1970 in 100 ns
constexpr char kHex[] = "0123456789abcdef";

std::u16string Upper(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = UpperUnit(c);
    return out;
}

// Wine's escaping: "\" and the two characters `quote` before them, octal below 32, hex
// above 127 (always four digits, so a following hex digit cannot join it).
void Escape(std::string& out, std::u16string_view s, const char* quote) {
    for (char16_t c : s) {
        if (c > 127) {
            out += "\\x";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        } else if (c < 32) {
            out += '\\';
            out += static_cast<char>('0' + ((c >> 6) & 7));
            out += static_cast<char>('0' + ((c >> 3) & 7));
            out += static_cast<char>('0' + (c & 7));
        } else {
            if (c == '\\' || c == quote[0] || c == quote[1]) out += '\\';
            out += static_cast<char>(c);
        }
    }
}

void AppendHex(std::string& out, uint64_t v) {
    char buf[17];
    int n = 0;
    do {
        buf[n++] = kHex[v & 0xF];
        v >>= 4;
    } while (v);
    while (n) out += buf[--n];
}

void Emit(std::string& out, const Key& key, const std::string& path) {
    out += '[';
    out += path;
    out += "] ";
    out +=
        std::to_string(key.time > kEpochDifference ? (key.time - kEpochDifference) / 10000000 : 0);
    out += "\n#time=";
    AppendHex(out, key.time);
    out += '\n';
    if (key.hasClass) {
        out += "#class=\"";
        Escape(out, key.className, "\"\"");
        out += "\"\n";
    }
    if (key.flags & 0x10) out += "#link\n";
    for (const Value& v : key.values) {
        if (v.name.empty()) {
            out += "@=";
        } else {
            out += '"';
            Escape(out, v.name, "\"\"");
            out += "\"=";
        }
        out += "hex(";
        AppendHex(out, v.type);
        out += "):";
        for (size_t i = 0; i < v.data.size(); ++i) {
            if (i) out += ',';
            const auto b = static_cast<uint8_t>(v.data[i]);
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
        out += '\n';
    }
    out += '\n';
    for (const Key& child : key.subkeys) {
        std::string childPath = path;
        if (!childPath.empty()) childPath += "\\\\";
        Escape(childPath, child.name, "[]");
        Emit(out, child, childPath);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct Node {
    Key key;  // without subkeys
    std::vector<std::unique_ptr<Node>> children;
    std::unordered_map<std::u16string, Node*> index;

    Node* Child(const std::u16string& name) {
        const std::u16string upper = Upper(name);
        auto found = index.find(upper);
        if (found != index.end()) return found->second;
        children.push_back(std::make_unique<Node>());
        Node* child = children.back().get();
        child->key.name = name;
        index.emplace(upper, child);
        return child;
    }

    Key Take() {
        Key out = std::move(key);
        out.subkeys.reserve(children.size());
        for (auto& child : children) out.subkeys.push_back(child->Take());
        return out;
    }
};

class TextParser {
public:
    explicit TextParser(std::string_view text) : text_(text) {}

    Key Parse() {
        std::string_view line;
        if (!NextLine(line) || line != "WINE REGISTRY Version 2")
            throw HiveError("not Wine's registry text (no \"WINE REGISTRY Version 2\" line)");
        Node root;
        Node* current = nullptr;
        while (NextLine(line)) {
            size_t p = 0;
            while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
            if (p == line.size() || line[p] == ';') continue;
            const char c = line[p];
            if (c == '[') {
                current = KeyLine(root, line, p + 1);
            } else if (c == '#') {
                if (current) Option(current->key, line.substr(p));
            } else if (c == '@' || c == '"') {
                if (!current) Fail("a value before any key");
                ValueLine(current->key, line, p);
            } else {
                Fail("unrecognised line");
            }
        }
        return root.Take();
    }

private:
    bool NextLine(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++lineNumber_;
        return true;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw HiveError("Wine registry text, line " + std::to_string(lineNumber_) + ": " + what);
    }

    // Wine's unescaping up to `end`; `p` moves past it.
    std::u16string Unescape(std::string_view s, size_t& p, char end) {
        std::u16string out;
        while (p < s.size() && s[p] != end) {
            const auto b = static_cast<uint8_t>(s[p]);
            if (b != '\\') {
                if (b < 0x80) {
                    out.push_back(b);
                    ++p;
                } else {
                    size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
                    len = std::min(len, s.size() - p);
                    out += FromUtf8(s.substr(p, len));
                    p += len;
                }
                continue;
            }
            if (++p >= s.size()) break;
            const char e = s[p];
            static const std::string_view letters = "abefnrtv";
            static const char16_t codes[] = {7, 8, 27, 12, 10, 13, 9, 11};
            if (const size_t at = letters.find(e); at != std::string_view::npos) {
                out.push_back(codes[at]);
                ++p;
            } else if (e == 'x') {
                ++p;
                if (p >= s.size() || HexDigit(s[p]) < 0) {
                    out.push_back(u'x');
                    continue;
                }
                char16_t v = 0;
                for (int n = 0; n < 4 && p < s.size() && HexDigit(s[p]) >= 0; ++n, ++p)
                    v = static_cast<char16_t>(v * 16 + HexDigit(s[p]));
                out.push_back(v);
            } else if (e >= '0' && e <= '7') {
                char16_t v = 0;
                for (int n = 0; n < 3 && p < s.size() && s[p] >= '0' && s[p] <= '7'; ++n, ++p)
                    v = static_cast<char16_t>(v * 8 + (s[p] - '0'));
                out.push_back(v);
            } else {
                out.push_back(static_cast<uint8_t>(e));
                ++p;
            }
        }
        if (p >= s.size()) Fail(std::string("missing closing ") + end);
        ++p;
        return out;
    }

    Node* KeyLine(Node& root, std::string_view line, size_t p) {
        const std::u16string path = Unescape(line, p, ']');
        Node* node = &root;
        size_t start = 0;
        while (start < path.size()) {
            size_t end = path.find(u'\\', start);
            if (end == std::u16string::npos) end = path.size();
            if (end == start) Fail("empty key name in a path");
            node = node->Child(path.substr(start, end - start));
            start = end + 1;
        }
        while (p < line.size() && line[p] == ' ') ++p;
        uint64_t seconds = 0;
        bool any = false;
        while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
            seconds = seconds * 10 + static_cast<uint64_t>(line[p++] - '0');
            any = true;
        }
        if (any) node->key.time = UnixSecondsToFileTime(seconds);
        return node;
    }

    void Option(Key& key, std::string_view line) {
        if (line.substr(0, 6) == "#time=") {
            uint64_t t = 0;
            for (size_t p = 6; p < line.size() && HexDigit(line[p]) >= 0; ++p)
                t = (t << 4) | static_cast<uint64_t>(HexDigit(line[p]));
            key.time = t;
        } else if (line.substr(0, 8) == "#class=\"") {
            size_t p = 8;
            key.className = Unescape(line, p, '"');
            key.hasClass = true;
        } else if (line.substr(0, 5) == "#link") {
            key.flags |= 0x10;
        }
    }

    void ValueLine(Key& key, std::string_view line, size_t p) {
        Value v;
        if (line[p] == '@') {
            ++p;
        } else {
            ++p;
            v.name = Unescape(line, p, '"');
        }
        while (p < line.size() && line[p] == ' ') ++p;
        if (p >= line.size() || line[p] != '=') Fail("a value without \"=\"");
        ++p;
        while (p < line.size() && line[p] == ' ') ++p;
        std::string_view rest = line.substr(p);
        bool isString = false;
        if (rest.substr(0, 1) == "\"") {
            v.type = 1, isString = true, p += 1;
        } else if (rest.substr(0, 5) == "str:\"") {
            v.type = 1, isString = true, p += 5;
        } else if (rest.substr(0, 8) == "str(2):\"") {
            v.type = 2, isString = true, p += 8;
        } else if (rest.substr(0, 8) == "str(7):\"") {
            v.type = 7, isString = true, p += 8;
        } else if (rest.substr(0, 6) == "dword:") {
            v.type = 4;
            uint32_t d = 0;
            for (p += 6; p < line.size() && HexDigit(line[p]) >= 0; ++p)
                d = (d << 4) | static_cast<uint32_t>(HexDigit(line[p]));
            v.data.assign({static_cast<char>(d), static_cast<char>(d >> 8),
                           static_cast<char>(d >> 16), static_cast<char>(d >> 24)});
        } else if (rest.substr(0, 4) == "hex:") {
            v.type = 3;
            Hex(v.data, line, p + 4);
        } else if (rest.substr(0, 4) == "hex(") {
            size_t q = p + 4;
            uint64_t type = 0;
            bool any = false;
            for (; q < line.size() && HexDigit(line[q]) >= 0; ++q, any = true)
                type = (type << 4) | static_cast<uint64_t>(HexDigit(line[q]));
            if (!any || type > 0xFFFFFFFFu || line.substr(q, 2) != "):")
                Fail("a malformed value type");
            v.type = static_cast<uint32_t>(type);
            Hex(v.data, line, q + 2);
        } else {
            Fail("a value of unknown form");
        }
        if (isString) {
            const std::u16string s = Unescape(line, p, '"');
            v.data.reserve(2 * s.size() + 2);
            for (char16_t c : s) {
                v.data.push_back(static_cast<char>(c & 0xFF));
                v.data.push_back(static_cast<char>(c >> 8));
            }
            v.data.append(2, '\0');
        }
        // A repeated name replaces the earlier value, as when Wine loads the text.
        if (indexed_ != &key) {
            valueIndex_.clear();
            for (size_t i = 0; i < key.values.size(); ++i)
                valueIndex_[Upper(key.values[i].name)] = i;
            indexed_ = &key;
        }
        auto [at, added] = valueIndex_.emplace(Upper(v.name), key.values.size());
        if (added)
            key.values.push_back(std::move(v));
        else
            key.values[at->second] = std::move(v);
    }

    // Comma-separated bytes; a line ending in "\" continues on the next.
    void Hex(std::string& out, std::string_view line, size_t p) {
        for (;;) {
            while (p < line.size()) {
                const char c = line[p];
                if (c == ' ' || c == '\t' || c == ',') {
                    ++p;
                } else if (c == '\\') {
                    break;
                } else {
                    const int hi = HexDigit(c);
                    const int lo = p + 1 < line.size() ? HexDigit(line[p + 1]) : -1;
                    if (hi < 0) Fail("a malformed hex byte");
                    if (lo < 0) {
                        out.push_back(static_cast<char>(hi));
                        ++p;
                    } else {
                        out.push_back(static_cast<char>(hi * 16 + lo));
                        p += 2;
                    }
                }
            }
            if (p >= line.size()) return;
            if (!NextLine(line)) Fail("a continued value at the end of the text");
            p = 0;
        }
    }

    std::string_view text_;
    const Key* indexed_ = nullptr;
    std::unordered_map<std::u16string, size_t> valueIndex_;
    size_t pos_ = 0;
    size_t lineNumber_ = 0;
};

Key NewKey(const Key& saved, uint64_t now) {
    Key k;
    k.name = saved.name;
    k.flags = static_cast<uint16_t>(saved.flags & 0x10);
    k.time = saved.time ? saved.time : now;
    k.hasClass = saved.hasClass;
    k.className = saved.className;
    k.values = saved.values;
    k.subkeys.reserve(saved.subkeys.size());
    for (const Key& child : saved.subkeys) k.subkeys.push_back(NewKey(child, now));
    return k;
}

Key Merge(const Key& o, const Key& s, uint64_t now, bool& changed) {
    Key r;
    r.name = o.name;
    r.flags = o.flags;
    r.spare = o.spare;
    r.parentRaw = o.parentRaw;
    r.security = o.security;
    r.hasClass = o.hasClass || s.hasClass;
    r.className = o.hasClass ? o.className : s.className;
    bool here = false;

    std::unordered_map<std::u16string, size_t> savedValues;
    for (size_t i = 0; i < s.values.size(); ++i) savedValues.emplace(Upper(s.values[i].name), i);
    std::vector<bool> used(s.values.size(), false);
    r.values.reserve(s.values.size());
    for (const Value& ov : o.values) {
        auto found = savedValues.find(Upper(ov.name));
        if (found == savedValues.end() || used[found->second]) {
            here = true;
            continue;
        }
        used[found->second] = true;
        const Value& sv = s.values[found->second];
        if (sv.type != ov.type || sv.data != ov.data) here = true;
        r.values.push_back(Value{ov.name, sv.type, sv.data});
    }
    for (size_t i = 0; i < s.values.size(); ++i)
        if (!used[i]) {
            r.values.push_back(s.values[i]);
            here = true;
        }

    std::unordered_map<std::u16string, const Key*> originals;
    for (const Key& oc : o.subkeys) originals.emplace(Upper(oc.name), &oc);
    size_t matched = 0;
    r.subkeys.reserve(s.subkeys.size());
    for (const Key& sc : s.subkeys) {
        auto found = originals.find(Upper(sc.name));
        if (found != originals.end()) {
            ++matched;
            r.subkeys.push_back(Merge(*found->second, sc, now, changed));
        } else {
            r.subkeys.push_back(NewKey(sc, now));
            here = true;
        }
    }
    if (matched != o.subkeys.size()) here = true;
    if (!o.hasClass && s.hasClass) here = true;
    r.time = here ? (s.time ? s.time : now) : o.time;
    changed = changed || here;
    return r;
}

}  // namespace

std::string ToWineText(const Key& root) {
    std::string out = "WINE REGISTRY Version 2\n;; Keys relative to the mount key\n\n";
    Emit(out, root, std::string());
    return out;
}

Key ParseWineText(std::string_view text) {
    return TextParser(text).Parse();
}

uint64_t UnixSecondsToFileTime(uint64_t seconds) {
    return seconds * 10000000ull + kEpochDifference;
}

Key MergeSaved(const Key& original, const Key& saved, uint64_t now, bool& changed) {
    changed = false;
    return Merge(original, saved, now, changed);
}

}  // namespace hive
