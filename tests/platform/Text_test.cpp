#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/TextCase.h"

namespace {

class WithLocale {
public:
    explicit WithLocale(const char* lang, const char* cp = nullptr) {
        setenv("LC_ALL", "", 1);
        setenv("LANG", lang, 1);
        if (cp) setenv(platform::kCodePageVariable, cp, 1);
    }
    ~WithLocale() {
        setenv("LANG", "ja_JP.UTF-8", 1);
        unsetenv(platform::kCodePageVariable);
    }
};

TEST(Locale, JapaneseGermanAndPlainC) {
    {
        WithLocale l("ja_JP.UTF-8");
        auto loc = platform::CurrentLocale();
        EXPECT_EQ(loc.lcid, 0x0411u);
        EXPECT_EQ(loc.ansiCodePage, 932);
        EXPECT_EQ(loc.englishLanguage, "Japanese");
        EXPECT_EQ(loc.decimalSeparator, ".");
    }
    {
        WithLocale l("de_DE.UTF-8");
        auto loc = platform::CurrentLocale();
        EXPECT_EQ(loc.lcid, 0x0407u);
        EXPECT_EQ(loc.ansiCodePage, 1252);
        EXPECT_EQ(loc.decimalSeparator, ",");
    }
    {
        WithLocale l("C");
        EXPECT_EQ(platform::CurrentLocale().lcid, 0x0409u);
    }
    {
        WithLocale l("en_US.UTF-8", "1251");
        EXPECT_EQ(platform::CurrentLocale().ansiCodePage, 1251);
    }
}

TEST(Locale, CodePagesOfLanguages) {
    EXPECT_EQ(platform::AnsiCodePageOf("zh_CN"), 936);
    EXPECT_EQ(platform::AnsiCodePageOf("zh_TW"), 950);
    EXPECT_EQ(platform::AnsiCodePageOf("ko_KR"), 949);
    EXPECT_EQ(platform::AnsiCodePageOf("ru_RU"), 1251);
    EXPECT_EQ(platform::AnsiCodePageOf("pl_PL"), 1250);
    EXPECT_EQ(platform::AnsiCodePageOf("tr_TR"), 1254);
}

TEST(CodePage, ShiftJisRoundTripAndSubstitution) {
    const std::string utf8 =
        "\xE6\x97\xA5\xE6\x9C\xAC"
        "abc\xEF\xBD\xB1";  // 日本abcｱ
    const std::string sjis = platform::Utf8ToAnsi(utf8, 932);
    EXPECT_EQ(sjis,
              "\x93\xFA\x96\x7B"
              "abc\xB1");
    EXPECT_EQ(platform::AnsiToUtf8(sjis, 932), utf8);
    // Not in the code page, malformed UTF-8, an unpaired surrogate: each one "?".
    EXPECT_EQ(platform::Utf8ToAnsi("a\xE2\x82\xAC", 932), "a?");
    EXPECT_EQ(platform::Utf8ToAnsi("a\xFF"
                                   "b",
                                   1252),
              "a?b");
    EXPECT_EQ(platform::Utf16ToAnsi(u"x\xD800y", 1252), "x?y");
    EXPECT_EQ(platform::Utf8ToAnsi("\xC3\xA9", 1252), "\xE9");
    EXPECT_TRUE(platform::IsDbcsLeadByte(932, 0x81));
    EXPECT_FALSE(platform::IsDbcsLeadByte(932, 0xA1));
    EXPECT_FALSE(platform::IsDbcsLeadByte(1252, 0x81));
}

TEST(TextCase, SimpleMappingsWithoutLanguageRules) {
    WithLocale l("tr_TR.UTF-8");
    EXPECT_EQ(platform::UpperCase("win.ini"), "WIN.INI");
    EXPECT_EQ(platform::UpperCase("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");  // été
    EXPECT_EQ(platform::UpperCase("\xEF\xBD\x81"), "\xEF\xBC\xA1");            // ａ -> Ａ
    EXPECT_EQ(platform::UpperCase("stra\xC3\x9F"
                                  "e"),
              "STRA\xC3\x9F"
              "E");  // ß stays
    EXPECT_EQ(platform::UpperCase("a\xFF"
                                  "b"),
              "A\xFF"
              "B");  // malformed bytes kept
    EXPECT_TRUE(platform::EqualNoCase("Shell32.DLL", "shell32.dll"));
    EXPECT_FALSE(platform::EqualNoCase("shell32.dll", "shell32.dl_"));
}

TEST(TextCase, LocaleCollationIgnoresCaseOnly) {
    WithLocale l("en_US.UTF-8");
    EXPECT_EQ(platform::CompareNoCaseLocale("abc", "ABC"), 0);
    EXPECT_LT(platform::CompareNoCaseLocale("abc", "ABD"), 0);
    EXPECT_NE(platform::CompareNoCaseLocale("e", "\xC3\xA9"), 0);  // accents still count
    EXPECT_LT(platform::CompareNoCaseLocale("a", "B"), 0);
}

}  // namespace
