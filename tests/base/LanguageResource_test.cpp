#include "vrnx2/base/LanguageResource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vrnx2;

namespace {

using Lines = std::vector<std::string>;

struct ReadingCase {
    const char* rule;
    std::string text;
    Lines strings;
};

class ReadingRules : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(ReadingRules, StringsSection) {
    EXPECT_EQ(ParseLanguageResource(GetParam().text).strings, GetParam().strings);
}

INSTANTIATE_TEST_SUITE_P(
    LanguageResource, ReadingRules,
    ::testing::Values(ReadingCase{"trimmed_blanks_around_first_equals_go",
                                  "[Strings]\n \t001 =  A = B \n",
                                  {"001=A = B"}},
                      ReadingCase{"empty_comment_and_early_lines_skipped",
                                  "000=early\n[Strings]\n\n ;001=no\n003=yes\n",
                                  {"003=yes"}},
                      ReadingCase{"section_name_trimmed_case_ignored_repeats_continue",
                                  "[  sTRINGS ]\n001=A\n[Other]\n002=B\n[strings]\n003=C\n",
                                  {"001=A", "003=C"}},
                      ReadingCase{"lines_without_equals_and_duplicates_kept_in_order",
                                  "[Strings]\n002=B\njust text\n[001=A\n002=C\n",
                                  {"002=B", "just text", "[001=A", "002=C"}},
                      ReadingCase{"cr_lf_and_lone_cr_end_lines",
                                  "[Strings]\r\n001=A\r002=\r\n\r\n003=C",
                                  {"001=A", "002=", "003=C"}}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(LanguageResource, FontSettings) {
    LanguageResource r = ParseLanguageResource("[Strings]\n001=X\n[font02]\nsize=14\n");
    EXPECT_EQ(r.font1.charSet, 0);
    EXPECT_EQ(r.font1.name, "MS UI Gothic");
    EXPECT_EQ(r.font1.size, 9);
    EXPECT_EQ(r.font2.name, "MS UI Gothic");
    EXPECT_EQ(r.font2.size, 14);

    r = ParseLanguageResource(
        "[Font01]\nCharSet = $80\nName = \"Noto Sans CJK JP\"\nSize = 11\nSize=99\n"
        "[Font02]\nCharSet=300\nName=\nSize=-4\n");
    EXPECT_EQ(r.font1.charSet, 128);
    EXPECT_EQ(r.font1.name, "Noto Sans CJK JP");  // quotes are not part of a face name
    EXPECT_EQ(r.font1.size, 11);                  // the first of two keys counts
    EXPECT_EQ(r.font2.charSet, 0);                // out of range: default
    EXPECT_EQ(r.font2.name, "");
    EXPECT_EQ(r.font2.size, 10);  // no usable size: default
}

TEST(LanguageResource, Decoding) {
    const std::string utf8 = "[Strings]\n001=ビルダ(&B)\n";
    EXPECT_EQ(DecodeResourceText(utf8, 932), utf8);
    EXPECT_EQ(DecodeResourceText("\xEF\xBB\xBF" + utf8, 932), utf8);
    // Not valid UTF-8, so in the ANSI code page: Shift_JIS, Windows-1252; overlong forms too.
    EXPECT_EQ(DecodeResourceText("001=\x83\x72\x83\x8B\x83\x5F", 932), "001=ビルダ");
    EXPECT_EQ(DecodeResourceText("caf\xE9", 1252), "café");
    EXPECT_EQ(DecodeResourceText("\xC0\xAF", 1252), "À¯");

    static const char le[] = "\xFF\xFE[\0S\0]\0\n\0\xD3\x30";
    EXPECT_EQ(DecodeResourceText(std::string(le, sizeof le - 1), 932), "[S]\nビ");
    static const char be[] = "\xFE\xFF\0A\x30\xD3";
    EXPECT_EQ(DecodeResourceText(std::string(be, sizeof be - 1), 932), "Aビ");
}

}  // namespace
