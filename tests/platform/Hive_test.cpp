// Hive files and Wine's registry text: what a program puts into a mounted hive must come
// back into the file byte for byte, and the file must stay one Windows accepts.

#include "platform/hive/Hive.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/hive/RegExport.h"
#include "platform/hive/WineText.h"
#include "tests/support/HiveMaker.h"

using namespace hive;

namespace {

uint32_t U32At(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

void ExpectSameTree(const Key& a, const Key& b, const std::string& path = "") {
    const std::string here = path + "\\" + ToUtf8(a.name);
    ASSERT_TRUE(SameName(a.name, b.name)) << here;
    EXPECT_EQ(a.hasClass, b.hasClass) << here;
    EXPECT_EQ(a.className, b.className) << here;
    ASSERT_EQ(a.values.size(), b.values.size()) << here;
    for (size_t i = 0; i < a.values.size(); ++i) {
        EXPECT_EQ(a.values[i].name, b.values[i].name) << here;
        EXPECT_EQ(a.values[i].type, b.values[i].type) << here;
        EXPECT_EQ(a.values[i].data, b.values[i].data) << here << " " << ToUtf8(a.values[i].name);
    }
    ASSERT_EQ(a.subkeys.size(), b.subkeys.size()) << here;
    for (const Key& child : a.subkeys) {
        const Key* other = nullptr;
        for (const Key& c : b.subkeys)
            if (SameName(c.name, child.name)) other = &c;
        ASSERT_NE(other, nullptr) << here << "\\" << ToUtf8(child.name);
        ExpectSameTree(child, *other, here);
    }
}

const Key& Child(const Key& k, const char16_t* name) {
    for (const Key& c : k.subkeys)
        if (SameName(c.name, name)) return c;
    throw std::runtime_error("no such key");
}

}  // namespace

TEST(Hive, EveryValueKindNameAndSizeSurvivesWriteAndRead) {
    for (uint32_t minor : {3u, 5u}) {
        Hive h = testhive::SampleHive(minor);
        const std::string bytes = WriteHive(h, 0x01D0000000000000ull);
        const Hive back = ReadHive(bytes);
        ExpectSameTree(h.root, back.root);
        EXPECT_EQ(back.Minor(), minor);
        // Equal sequence numbers and a correct checksum, or Windows looks for a log.
        EXPECT_EQ(U32At(bytes, 4), U32At(bytes, 8));
        uint32_t sum = 0;
        for (size_t at = 0; at < 508; at += 4) sum ^= U32At(bytes, at);
        EXPECT_EQ(sum, U32At(bytes, 508));
        EXPECT_EQ(U32At(bytes, 40) + 4096, bytes.size());
        EXPECT_EQ(Child(back.root, u"Restricted").security, testhive::RestrictedSecurity());
    }
}

TEST(Hive, SubkeyListsAreSortedByUpperCasedName) {
    Hive h = NewHive(u"ROOT", 5);
    for (const char16_t* n : {u"b", u"A", u"_x", u"C", u"\u00e9t\u00e9", u"Z"})
        h.root.subkeys.push_back(Key{n});
    const std::string bytes = WriteHive(h, 1);
    // The root's list holds the children in Windows' order: _ sorts after the letters
    // (0x5F > 0x5A), é upper-cases to É (0xC9).
    const Hive back = ReadHive(bytes);
    std::vector<std::u16string> order;
    for (const Key& k : back.root.subkeys) order.push_back(k.name);
    EXPECT_EQ(order,
              (std::vector<std::u16string>{u"A", u"b", u"C", u"Z", u"_x", u"\u00e9t\u00e9"}));
    h.root.subkeys.push_back(Key{u"a"});
    EXPECT_THROW(WriteHive(h, 1), HiveError);
}

TEST(Hive, DamagedFilesFailCleanly) {
    const std::string good = WriteHive(testhive::SampleHive(5), 1);
    EXPECT_THROW(ReadHive("WINE REGISTRY Version 2\n"), HiveError);
    for (size_t cut : {size_t{0}, size_t{100}, size_t{4096}, size_t{4200}, good.size() - 1})
        EXPECT_THROW(ReadHive(good.substr(0, cut)), HiveError) << cut;
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bad = good;
        for (int flips = 0; flips < 4; ++flips)
            bad[4096 + random() % (bad.size() - 4096)] = static_cast<char>(random());
        try {
            ReadHive(bad);
        } catch (const HiveError&) {
        }
    }
}

TEST(WineText, CarriesEveryValueByteForByte) {
    const Hive h = testhive::SampleHive(3);
    Key back = ParseWineText(ToWineText(h.root));
    back.name = h.root.name;  // the text names keys relative to the mount key
    ExpectSameTree(h.root, back);
}

TEST(WineText, ReadsWhatWineSaves) {
    const Key k = ParseWineText(
        "WINE REGISTRY Version 2\n;; All keys relative to "
        "REGISTRY\\\\Machine\\\\VTEST\n\n#arch=win64\n\n"
        "[] 1796738711\n#time=1dd871d23f81fc8\n\n"
        "[N\\x65e5\\]x\\\\deep] 1796738711\n#time=1dd871d23f830b2\n#class=\"myclass\"\n"
        "@=\"def\"\n\"ms\"=str(7):\"a\\0b\\0\"\n\"none\"=hex(0):\n\"q\\\"u\\\\o=te\"=hex(b):01,02,"
        "\\\n  03\n"
        "\"d\"=dword:0000002a\n\"e\"=str(2):\"%PATH%\"\n\"bin\"=hex:ff\n");
    EXPECT_EQ(k.time, 0x1dd871d23f81fc8ull);
    const Key& deep = Child(Child(k, u"N\u65e5]x"), u"deep");
    EXPECT_EQ(deep.className, u"myclass");
    ASSERT_EQ(deep.values.size(), 7u);
    EXPECT_EQ(deep.values[0].data, std::string("d\0e\0f\0\0\0", 8));
    EXPECT_EQ(deep.values[1].type, 7u);
    EXPECT_EQ(deep.values[1].data, std::string("a\0\0\0b\0\0\0\0\0", 10));
    EXPECT_EQ(deep.values[2].type, 0u);
    EXPECT_EQ(deep.values[2].data, "");
    EXPECT_EQ(deep.values[3].name, u"q\"u\\o=te");
    EXPECT_EQ(deep.values[3].type, 0xbu);
    EXPECT_EQ(deep.values[3].data, "\x01\x02\x03");
    EXPECT_EQ(deep.values[4].data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(deep.values[5].type, 2u);
    EXPECT_EQ(deep.values[6].data, "\xff");
    EXPECT_THROW(ParseWineText("WINE REGISTRY Version 2\n\"a\"=hex:01\n"), HiveError);
    EXPECT_THROW(ParseWineText("WINE REGISTRY Version 2\n[a\n"), HiveError);
    EXPECT_THROW(ParseWineText("regf"), HiveError);
}

TEST(MergeSaved, KeepsWhatWineCannotCarryAndTakesTheProgramsChanges) {
    const Hive original = ReadHive(WriteHive(testhive::SampleHive(3), 1));
    Key saved = ParseWineText(ToWineText(original.root));
    // Wine stamps keys with its own times; only keys whose content changed take them.
    std::function<void(Key&)> restamp = [&](Key& k) {
        k.time = 0x01D5000000000000ull;
        for (Key& c : k.subkeys) restamp(c);
    };
    restamp(saved);
    bool changed = true;
    Key same = MergeSaved(original.root, saved, 99, changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(same.time, original.root.time);

    // The program adds a key below the restricted one, changes and deletes values, deletes
    // a key.
    Key& restricted = saved.subkeys[0].name == u"Restricted" ? saved.subkeys[0] : saved.subkeys[1];
    Key added{u"Added"};
    added.values.push_back(Value{u"v", 4, std::string("\1\0\0\0", 4)});
    restricted.subkeys.push_back(added);
    saved.values.erase(saved.values.begin());
    saved.values[0].data = "changed";
    std::erase_if(saved.subkeys, [](const Key& k) { return k.name == u"Many"; });

    Key merged = MergeSaved(original.root, saved, 99, changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(merged.time, 0x01D5000000000000ull);
    const Hive written = ReadHive(WriteHive(Hive{original.base, merged}, 5));
    const Key& r = Child(written.root, u"Restricted");
    EXPECT_EQ(r.security, testhive::RestrictedSecurity());
    EXPECT_EQ(r.className, u"GenericClass");
    EXPECT_EQ(Child(r, u"Added").security, testhive::RestrictedSecurity());  // inherited
    EXPECT_EQ(written.root.values.size(), original.root.values.size() - 1);
    EXPECT_EQ(written.root.values[0].data, "changed");
    EXPECT_THROW(Child(written.root, u"Many"), std::runtime_error);
    // Untouched keys keep their time and descriptor.
    const Key& plain = Child(original.root, u"Types");
    EXPECT_EQ(Child(written.root, u"Types").time, plain.time);
    EXPECT_EQ(Child(written.root, u"Types").security, plain.security);
    EXPECT_EQ(Child(Child(written.root, u"Restricted"), u"\u65e5\u672c\u8a9e]").time,
              Child(Child(original.root, u"Restricted"), u"\u65e5\u672c\u8a9e]").time);
}

TEST(MergeSaved, AFewKeysAddedToALargeHiveGrowItByAboutTheirSize) {
    Hive big = NewHive(u"SOFTWARE", 3);
    Key& classes = big.root.subkeys.emplace_back(Key{u"Classes"});
    for (int i = 0; i < 40000; ++i) {
        Key k{FromUtf8("Key" + std::to_string(i))};
        k.values.push_back(Value{u"", 1, std::string("x\0\0\0", 4)});
        classes.subkeys.push_back(std::move(k));
    }
    const std::string before = WriteHive(big, 1);
    const Hive read = ReadHive(before);
    Key saved = ParseWineText(ToWineText(read.root));
    saved.subkeys[0].subkeys.push_back(Key{u"New1"});
    saved.subkeys[0].subkeys.push_back(Key{u"New2"});
    bool changed = false;
    const std::string after =
        WriteHive(Hive{read.base, MergeSaved(read.root, saved, 1, changed)}, 2);
    EXPECT_TRUE(changed);
    EXPECT_LE(after.size(), before.size() + 8192);
    EXPECT_EQ(Child(ReadHive(after).root, u"Classes").subkeys.size(), 40002u);
}

TEST(RegExport, ShowsAKeyAsRegeditWould) {
    const Hive h = testhive::SampleHive(3);
    const Key* types = FindKey(h.root, "types");
    ASSERT_NE(types, nullptr);
    const std::string text = ExportRegText(*types, "HKEY_LOCAL_MACHINE\\T");
    EXPECT_NE(text.find("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\T]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"sz\"=\"text\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"dword\"=dword:0000002a\n"), std::string::npos);
    EXPECT_NE(text.find("\"odd\"=hex(1234):01,02,03\n"), std::string::npos);
    EXPECT_EQ(FindKey(h.root, "no\\such"), nullptr);
}
