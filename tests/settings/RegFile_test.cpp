#include "vrnx2/settings/RegFile.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "tests/settings/StoreFixture.h"

using namespace vrnx2;

namespace {

using RegFile = StoreTest;

// UTF-16LE with byte-order mark, as regedit writes.
std::string Utf16File(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

bool Import(const std::string& bytes, RegFileError* fault = nullptr, int codePage = 932) {
    std::vector<RegFileOp> ops;
    RegFileError error;
    if (!ParseRegFile(bytes, codePage, ops, error)) {
        if (fault) *fault = error;
        return false;
    }
    ApplyRegFile(ops);
    return true;
}

TEST_F(RegFile, AHandWrittenWindowsExportImports) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"; written on Windows\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2]\r\n"
        u"\"BuilderCount\"=dword:0000000a\r\n"
        u"\"SelectedBackColor\"=dword:FF00000D\r\n"
        u"@=\"default\"\r\n"
        u"\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\PEBuilder]\r\n"
        u"\"001\"=\"\\\"ビルダー\\\",\\\"C:\\\\pebuilder\\\"\"\r\n"
        u"\"Note\"=hex(1):41,00,0d,00,0a,00,\\\r\n"
        u"  42,00,00,00\r\n"
        u"\"Count\" = hex(4):02,01,00,00\r\n"
        u"\r\n";
    ASSERT_TRUE(Import(Utf16File(text)));
    EXPECT_EQ(RegReadInteger(0, VKey(), "BuilderCount", 0), 10);
    EXPECT_EQ(RegReadInteger(0, VKey(), "SelectedBackColor", 0), static_cast<int32_t>(0xFF00000D));
    EXPECT_EQ(RegReadString(0, VKey(), "", ""), "default");
    EXPECT_EQ(RegReadString(0, VKey("PEBuilder"), "001", ""), "\"ビルダー\",\"C:\\pebuilder\"");
    EXPECT_EQ(RegReadString(0, VKey("PEBuilder"), "Note", ""), "A\r\nB");
    EXPECT_EQ(RegReadInteger(0, VKey("PEBuilder"), "Count", 0), 258);
}

TEST_F(RegFile, Regedit4IsReadInTheAnsiCodePage) {
    std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Profiles\\001]\r\n"
        "\"ProfileName\"=\"" +
        platform::Utf8ToAnsi("標準プロファイル", 932) + "\"\r\n";
    ASSERT_TRUE(Import(text, nullptr, 932));
    EXPECT_EQ(RegReadString(0, VKey("Profiles\\001"), "ProfileName", ""), "標準プロファイル");
    // The same file saved as UTF-8 by an editor here.
    RegDeleteKey(0, VKey());
    ASSERT_TRUE(Import("REGEDIT4\n[HKCU\\Software\\HALV\\Varnex v2]\n\"N\"=\"標準\"\n"));
    EXPECT_EQ(RegReadString(0, VKey(), "N", ""), "標準");
}

TEST_F(RegFile, DeletionLinesRemoveKeysAndValues) {
    RegWriteString(0, VKey("Gone\\Deep"), "x", "1");
    RegWriteString(0, VKey(), "Drop", "1");
    RegWriteString(0, VKey(), "Stay", "1");
    ASSERT_TRUE(
        Import("Windows Registry Editor Version 5.00\n"
               "[-HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Gone]\n"
               "[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2]\n\"Drop\"=-\n"));
    EXPECT_FALSE(RegKeyExists(0, VKey(), "Gone"));
    EXPECT_EQ(RegReadString(0, VKey(), "Drop", "<none>"), "<none>");
    EXPECT_EQ(RegReadString(0, VKey(), "Stay", ""), "1");
}

struct Malformed {
    const char* rule;
    const char* body;  // after the header line
    int line;
};

class MalformedFiles : public StoreTest, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedFiles, AreRefusedWithTheirLineAndWriteNothing) {
    const Malformed& m = GetParam();
    std::string file = std::string("Windows Registry Editor Version 5.00\r\n") +
                       "[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Good]\r\n\"ok\"=\"1\"\r\n" +
                       m.body;
    RegFileError fault;
    EXPECT_FALSE(Import(file, &fault)) << m.rule;
    EXPECT_EQ(fault.line, m.line) << m.rule << ": " << fault.message;
    EXPECT_FALSE(fault.message.empty());
    EXPECT_FALSE(RegKeyExists(0, VKey(), "Good")) << m.rule;
}

INSTANTIATE_TEST_SUITE_P(
    RegFile, MalformedFiles,
    ::testing::Values(
        Malformed{"another hive", "[HKEY_LOCAL_MACHINE\\Software]\r\n", 4},
        Malformed{"no hive", "[Software\\x]\r\n", 4},
        Malformed{"key without ]", "[HKEY_CURRENT_USER\\x\r\n", 4},
        Malformed{"unterminated string", "\"a\"=\"open\r\n", 4},
        Malformed{"unterminated name", "\"a=\"x\"\r\n", 4},
        Malformed{"missing =", "\"a\" \"x\"\r\n", 4},
        Malformed{"text after the string", "\"a\"=\"x\" y\r\n", 4},
        Malformed{"dword too long", "\"a\"=dword:123456789\r\n", 4},
        Malformed{"dword not hex", "\"a\"=dword:12g4\r\n", 4},
        Malformed{"type not kept", "\"a\"=hex(2):41,00,00,00\r\n", 4},
        Malformed{"binary not kept", "\"a\"=hex:01,02\r\n", 4},
        Malformed{"odd hex(1)", "\"a\"=hex(1):41\r\n", 4},
        Malformed{"NUL inside a hex(1) string", "\"a\"=hex(1):41,00,00,00,42,00,00,00\r\n", 4},
        Malformed{"bad byte list", "\"a\"=hex(1):4x,00\r\n", 4},
        Malformed{"continuation past the end", "\"a\"=hex(1):41,00,\\\r\n", 4},
        Malformed{"line of nothing known", "\r\nfoo\r\n", 5},
        Malformed{"value under a deleted key", "[-HKCU\\Software\\x]\r\n\"a\"=\"1\"\r\n", 5},
        Malformed{"deleting the hive", "[-HKEY_CURRENT_USER]\r\n", 4},
        Malformed{"value in the hive root", "[HKEY_CURRENT_USER]\r\n\"a\"=\"1\"\r\n", 5}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(RegFile, AKeyDeeperThanTheLimitIsRefusedWithItsLineAndNothingImported) {
    auto file = [](int levels) {
        std::string key = "HKEY_CURRENT_USER";
        for (int i = 0; i < levels; ++i) key += "\\k";
        return "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Good]\r\n[" + key +
               "]\r\n\"v\"=\"deep\"\r\n";
    };
    RegFileError fault;
    for (int levels : {kMaxKeyDepth + 1, 30000}) {
        EXPECT_FALSE(Import(file(levels), &fault)) << levels;
        EXPECT_EQ(fault.line, 3);
        EXPECT_NE(fault.message.find("512"), std::string::npos) << fault.message;
        EXPECT_FALSE(RegKeyExists(0, VKey(), "Good"));
        EXPECT_FALSE(RegKeyExists(0, "", "k"));
    }
    ASSERT_TRUE(Import(file(kMaxKeyDepth), &fault)) << fault.message;
    EXPECT_TRUE(RegKeyExists(0, VKey(), "Good"));
}

TEST_F(RegFile, AFileWithoutHeaderIsRefused) {
    RegFileError fault;
    EXPECT_FALSE(Import("[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2]\n\"a\"=\"1\"\n", &fault));
    EXPECT_EQ(fault.line, 1);
    EXPECT_FALSE(Import("", &fault));
    EXPECT_FALSE(Import("\xFF\xFE\x41", &fault));  // half a UTF-16 character
}

TEST_F(RegFile, ExportWritesTheVersion5FormAndReadsBackTheSame) {
    RegWriteInteger(0, VKey(), "BuilderCount", 26);
    RegWriteString(0, VKey(), "", "dflt");
    RegWriteString(0, VKey("PEBuilder"), "001", "\"B\",\"C:\\pe\"");
    RegWriteString(0, VKey("PEBuilder"), "Multi", "line1\nline2");
    RegWriteString(0, VKey("Forms\\Main"), "Note", "日本語");
    std::string bytes, error;
    ASSERT_TRUE(ExportRegFile(VKey(), bytes, error)) << error;
    const std::u16string expect =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2]\r\n"
        u"\"BuilderCount\"=dword:0000001a\r\n"
        u"@=\"dflt\"\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Forms]\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Forms\\Main]\r\n"
        u"\"Note\"=\"日本語\"\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\PEBuilder]\r\n"
        u"\"001\"=\"\\\"B\\\",\\\"C:\\\\pe\\\"\"\r\n"
        u"\"Multi\"=hex(1):6c,00,69,00,6e,00,65,00,31,00,0a,00,6c,00,69,00,6e,00,65,00,32,\\\r\n"
        u"  00,00,00\r\n\r\n";
    EXPECT_EQ(bytes, Utf16File(expect));

    RegDeleteKey(0, VKey());
    ASSERT_TRUE(Import(bytes));
    std::string again;
    ASSERT_TRUE(ExportRegFile(VKey(), again, error));
    EXPECT_EQ(again, bytes);
    EXPECT_FALSE(ExportRegFile(VKey("Absent"), again, error));
}

}  // namespace
