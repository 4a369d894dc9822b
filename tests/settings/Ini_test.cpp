#include "vrnx2/settings/Ini.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kLocaleVariables) {
            const char* value = std::getenv(name);
            saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("LANG", "ja_JP.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("ANSI_CODEPAGE");
    }
    // Later tests of the program must not depend on which of these ran before them.
    void TearDown() override {
        for (size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i])
                ::setenv(kLocaleVariables[i], saved_[i]->c_str(), 1);
            else
                ::unsetenv(kLocaleVariables[i]);
        }
        saved_.clear();
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    static constexpr const char* kLocaleVariables[] = {"LANG", "LC_ALL", "ANSI_CODEPAGE"};
    std::vector<std::optional<std::string>> saved_;
    TempDir temp_{"ini_test"};
    fs::path dir_ = temp_.path();
};

TEST(IniFixture, LeavesTheLocaleVariablesAsItFoundThem) {
    struct Probe : IniTest {
        void TestBody() override {}
        void Run() {
            SetUp();
            ::setenv("LANG", "de_DE.UTF-8", 1);
            ::setenv("ANSI_CODEPAGE", "1251", 1);
            TearDown();
        }
    };
    std::vector<std::optional<std::string>> before;
    for (const char* name : {"LANG", "LC_ALL", "ANSI_CODEPAGE"}) {
        const char* value = std::getenv(name);
        before.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    ::setenv("LC_ALL", "C", 1);
    ::unsetenv("ANSI_CODEPAGE");
    Probe().Run();
    EXPECT_STREQ(std::getenv("LANG"), "fr_FR.UTF-8");
    EXPECT_STREQ(std::getenv("LC_ALL"), "C");
    EXPECT_EQ(std::getenv("ANSI_CODEPAGE"), nullptr);
    int i = 0;
    for (const char* name : {"LANG", "LC_ALL", "ANSI_CODEPAGE"}) {
        if (before[i])
            ::setenv(name, before[i]->c_str(), 1);
        else
            ::unsetenv(name);
        ++i;
    }
}

const char* const kSample =
    "; comment line\r\n"
    "orphan=before any section\r\n"
    "[PEBuilder]\r\n"
    "  Name  =  \"Plugin \"\"X\"\"\"  \r\n"
    "Enable=1\r\n"
    "enable=0\r\n"
    "Help='help.htm'\r\n"
    "Config=\"only opening\r\n"
    "Bare\r\n"
    "Empty=\r\n"
    ";Enable=5\r\n"
    "[ Other ]\r\n"
    "Key=other value\r\n"
    "[pebuilder]\r\n"
    "Late=second section of the same name\r\n";

struct LookupCase {
    const char* rule;
    const char* section;
    const char* key;
    const char* expected;  // nullptr: the default
};

TEST_F(IniTest, LookupFollowsProfileStringRules) {
    const std::string file = Write("sample.inf", kSample);
    const LookupCase cases[] = {
        {"value trimmed, outer quotes removed once", "PEBuilder", "Name", "Plugin \"\"X\"\""},
        {"first key of the name wins", "PEBuilder", "Enable", "1"},
        {"section and key ignore letter case", "pebuilder", "ENABLE", "1"},
        {"single quotes are removed too", "PEBuilder", "Help", "help.htm"},
        {"an unmatched quote stays", "PEBuilder", "Config", "\"only opening"},
        {"a line without = is a key with an empty value", "PEBuilder", "Bare", ""},
        {"an empty value is not the default", "PEBuilder", "Empty", ""},
        {"section name trimmed", "Other", "Key", "other value"},
        {"only the first section of a name is searched", "PEBuilder", "Late", nullptr},
        {"keys before the first section belong to none", "PEBuilder", "orphan", nullptr},
        {"missing section", "Nowhere", "Key", nullptr},
        {"comment is not a key", "PEBuilder", ";Enable", nullptr},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(IniReadString(file, c.section, c.key, "<def>"), c.expected ? c.expected : "<def>")
            << c.rule;
    }
    EXPECT_EQ(IniReadString((dir_ / "missing.ini").string(), "A", "B", "d"), "d");
}

TEST_F(IniTest, IntegersAcceptDecimalAndHexOnly) {
    struct Row {
        const char* text;
        int32_t expected;  // 99: the default
    } rows[] = {
        {"42", 42},
        {"-7", -7},
        {"+8", 8},
        {"0x1F", 31},
        {"$ff", 255},
        {"0xFFFFFFFF", -1},
        {"-2147483648", INT_MIN},
        {"2147483647", INT_MAX},
        {"2147483648", 99},
        {"0x100000000", 99},
        {"12abc", 99},
        {"", 99},
        {"-", 99},
        {"0x", 99},
        {"1 2", 99},
    };
    for (const Row& r : rows) {
        std::string file = Write("int.ini", std::string("[s]\nv=") + r.text + "\n");
        EXPECT_EQ(IniReadInteger(file, "s", "v", 99), r.expected) << r.text;
    }
    EXPECT_EQ(IniReadInteger(Write("none.ini", "[s]\n"), "s", "v", -3), -3);
}

TEST_F(IniTest, EncodingIsRecognised) {
    // "日本" in each encoding a Windows program or an editor here may write.
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
    struct Row {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"UTF-8", "[s]\nv=" + utf8 + "\n"},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF[s]\nv=" + utf8 + "\n"},
        {"Shift_JIS (ANSI code page of ja_JP)", "[s]\nv=\x93\xFA\x96\x7B\n"},
        {"UTF-16LE with byte-order mark",
         std::string("\xFF\xFE[\0s\0]\0\n\0v\0=\0\xE5\x65\x2C\x67\n\0", 20)},
        {"UTF-16BE with byte-order mark",
         std::string("\xFE\xFF\0[\0s\0]\0\n\0v\0=\x65\xE5\x67\x2C\0\n", 20)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(IniReadString(Write("enc.ini", r.bytes), "s", "v", "?"), utf8) << r.name;
    }
}

TEST_F(IniTest, AnsiCodePageFollowsTheLocale) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    // 0xE4 alone is not UTF-8; in code page 1252 it is "ä".
    EXPECT_EQ(IniReadString(Write("de.ini", "[s]\nv=M\xE4rz\n"), "s", "v", ""), "M\xC3\xA4rz");
}

}  // namespace
