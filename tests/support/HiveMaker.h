#pragma once
// Hives the tests make themselves: every value kind, names outside Latin-1, a key with a
// restricted descriptor and a class, a key with enough subkeys for an index list.

#include <string>

#include "platform/hive/Hive.h"

namespace testhive {

// Owner SYSTEM, group SYSTEM, a DACL granting SYSTEM alone full control.
inline std::string RestrictedSecurity() {
    static const unsigned char sd[] = {
        0x01, 0x00, 0x04, 0x80, 0x30, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x14, 0x00, 0x00, 0x00, 0x02, 0x00, 0x1C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x14, 0x00, 0x3F, 0x00, 0x0F, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12,
        0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12, 0x00, 0x00, 0x00,
        0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12, 0x00, 0x00, 0x00};
    return std::string(reinterpret_cast<const char*>(sd), sizeof sd);
}

inline std::string Wide(const std::u16string& s, bool terminated = true) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    if (terminated) out.append(2, '\0');
    return out;
}

inline hive::Hive SampleHive(uint32_t minor) {
    using hive::Key;
    using hive::Value;
    hive::Hive h = hive::NewHive(u"$$$PROTO.HIV", minor);
    h.root.time = 0x01C0000000000000ull;
    h.root.values.push_back(Value{u"first", 1, Wide(u"one")});
    h.root.values.push_back(Value{u"second", 4, std::string("\2\0\0\0", 4)});

    Key types{u"Types"};
    types.time = 0x01C1000000000000ull;
    types.values = {
        Value{u"", 1, Wide(u"default")},
        Value{u"sz", 1, Wide(u"text")},
        Value{u"sz not terminated", 1, Wide(u"ab", false)},
        Value{u"odd length", 1, std::string("\1\2\3", 3)},
        Value{u"expand", 2, Wide(u"%SystemRoot%\\system32")},
        Value{u"multi", 7, Wide(std::u16string(u"a\0b\0", 4))},
        Value{u"dword", 4, std::string("\x2a\0\0\0", 4)},
        Value{u"qword", 11, std::string("\1\2\3\4\5\6\7\x8", 8)},
        Value{u"binary", 3, std::string("\0\xff\x10", 3)},
        Value{u"none", 0, ""},
        Value{u"odd", 0x1234, "\1\2\3"},
        Value{u"\u540d\u524d \"quoted\" \\ [x]", 1, Wide(u"\u65e5\u672c\u8a9e\n\t\u00e9")},
        Value{u"large", 3, std::string(20000, '\x5a')},
    };
    h.root.subkeys.push_back(types);

    Key restricted{u"Restricted"};
    restricted.time = 0x01C2000000000000ull;
    restricted.security = RestrictedSecurity();
    restricted.hasClass = true;
    restricted.className = u"GenericClass";
    restricted.subkeys.push_back(Key{u"\u65e5\u672c\u8a9e]"});
    h.root.subkeys.push_back(restricted);

    Key many{u"Many"};
    for (int i = 0; i < 600; ++i)
        many.subkeys.push_back(Key{hive::FromUtf8("k" + std::to_string(i))});
    h.root.subkeys.push_back(many);
    return h;
}

}  // namespace testhive
