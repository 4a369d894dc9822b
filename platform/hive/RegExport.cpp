#include "platform/hive/RegExport.h"

#include <algorithm>
#include <vector>

namespace hive {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string Quoted(std::u16string_view s) {
    std::string out = "\"";
    for (char c : ToUtf8(s)) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A string value that regedit shows as text: UTF-16, one terminating NUL, none inside.
bool PlainString(const std::string& data, std::u16string& text) {
    if (data.size() < 2 || data.size() % 2) return false;
    text.clear();
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(data[i]) |
                                             static_cast<uint8_t>(data[i + 1]) << 8));
    if (text.back() != 0) return false;
    text.pop_back();
    return text.find(u'\0') == std::u16string::npos;
}

void ExportValue(std::string& out, const Value& v) {
    std::string line = v.name.empty() ? "@=" : Quoted(v.name) + "=";
    std::u16string text;
    if (v.type == 1 && PlainString(v.data, text)) {
        out += line + Quoted(text) + "\n";
        return;
    }
    if (v.type == 4 && v.data.size() == 4) {
        uint32_t d = 0;
        for (int i = 3; i >= 0; --i) d = d << 8 | static_cast<uint8_t>(v.data[i]);
        char buf[16];
        for (int i = 7; i >= 0; --i, d >>= 4) buf[i] = kHex[d & 0xF];
        out += line + "dword:" + std::string(buf, 8) + "\n";
        return;
    }
    if (v.type == 3) {
        line += "hex:";
    } else {
        std::string type;
        uint32_t t = v.type;
        do {
            type.insert(type.begin(), kHex[t & 0xF]);
            t >>= 4;
        } while (t);
        line += "hex(" + type + "):";
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
        const auto b = static_cast<uint8_t>(v.data[i]);
        line += kHex[b >> 4];
        line += kHex[b & 0xF];
        if (i + 1 < v.data.size()) {
            line += ',';
            if (line.size() > 76) {
                out += line + "\\\n";
                line = "  ";
            }
        }
    }
    out += line + "\n";
}

void ExportKey(std::string& out, const Key& key, const std::string& path) {
    out += "[" + path + "]\n";
    for (const Value& v : key.values) ExportValue(out, v);
    out += "\n";
    std::vector<const Key*> sorted;
    for (const Key& child : key.subkeys) sorted.push_back(&child);
    std::sort(sorted.begin(), sorted.end(),
              [](const Key* a, const Key* b) { return CompareNames(a->name, b->name) < 0; });
    for (const Key* child : sorted) ExportKey(out, *child, path + "\\" + ToUtf8(child->name));
}

}  // namespace

std::string ExportRegText(const Key& key, const std::string& prefix) {
    std::string out = "Windows Registry Editor Version 5.00\n\n";
    ExportKey(out, key, prefix);
    return out;
}

const Key* FindKey(const Key& root, const std::string& path) {
    const Key* key = &root;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            const std::u16string name = FromUtf8(path.substr(start, end - start));
            const Key* next = nullptr;
            for (const Key& child : key->subkeys)
                if (SameName(child.name, name)) next = &child;
            if (!next) return nullptr;
            key = next;
        }
        start = end + 1;
    }
    return key;
}

}  // namespace hive
