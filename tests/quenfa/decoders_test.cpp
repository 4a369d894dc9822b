#include <gtest/gtest.h>

#include "quenfa/Reduce.h"
#include "quenfa/jString.h"
#include "quenfa/jconvert.h"
#include "quenfa/unicode.h"

namespace quenfa {
namespace {

const std::string kSjis = "\x93\xFA\x96\x7B\x8C\xEA";  // the same three kanji in each code
const std::string kEuc = "\xC6\xFC\xCB\xDC\xB8\xEC";
const std::string kJis = "\x1B$BF|K\\8l\x1B(B";

TEST(JisDecoder, EscapesKanaAndCutShortData) {
    EXPECT_EQ(JisToSjis("a=" + kJis + "\r\n"), "a=" + kSjis + "\r\n");
    EXPECT_EQ(JisToSjis("\x1B$@F|\x1B(J!"), "\x93\xFA!");
    EXPECT_EQ(JisToSjis("\x1B$BP!OSt&"),
              "\x98\x9F\x98\x72\xEA\xA4");  // the other cells, rows 5F on
    EXPECT_EQ(JisToSjis("\x1B$(DF|"), "\x93\xFA");
    EXPECT_EQ(JisToSjis("\x1B&@\x1B$BF|"), "\x93\xFA");
    EXPECT_EQ(JisToSjis("\x1B(I123\x1B(Bx"), "\xB1\xB2\xB3x");
    EXPECT_EQ(JisToSjis("a\x1Bxb"), "axb");
    for (const char* cut : {"\x1B$BF|K", "\x1B$BF|\x1B", "\x1B$BF|\x1B$", "\x1B$BF|\x1B&@"})
        EXPECT_EQ(JisToSjis(cut), "\x93\xFA") << cut;
}

TEST(EucDecoder, PairsKanaAndCutShortData) {
    EXPECT_EQ(EucToSjis("k=" + kEuc + "\r\n"), "k=" + kSjis + "\r\n");
    EXPECT_EQ(EucToSjis("\x8E\xB1\x8E\xB2"), "\xB1\xB2");
    EXPECT_EQ(EucToSjis("a\x80\xFF"), "a\x80\xFF");
    EXPECT_EQ(EucToSjis("ab\xC6"), "ab");
    EXPECT_EQ(EucToSjis("ab\x8E"), "ab");
}

TEST(Utf16Decoders, BothByteOrdersOddLengthAndNul) {
    const std::string le("\xFF\xFE\xE5\x65\x2C\x67\x9E\x8A\r\0\n\0a\0\x1A\0", 16);
    const std::string be("\xFE\xFF\x65\xE5\x67\x2C\x8A\x9E\0\r\0\n\0a\0\x1A", 16);
    EXPECT_EQ(Utf16LeToAnsi(le, 932), kSjis + "\r\na");
    EXPECT_EQ(Utf16BeToAnsi(be, 932), kSjis + "\r\na");
    EXPECT_EQ(Utf16LeToAnsi(le + "x", 932), kSjis + "\r\na");
    EXPECT_EQ(Utf16LeToAnsi(std::string("\xFF\xFE\xE9\0", 4), 932), "?");
    EXPECT_EQ(Utf16LeToAnsi(std::string("\xFF\xFE\xE9\0", 4), 1252), "\xE9");
    // Text after a U+0000 would be lost: refused, in either order.
    EXPECT_THROW(Utf16BeToAnsi(std::string("\xFE\xFF\0a\0\0\0b", 8), 932), DecodeError);
    EXPECT_THROW(Utf16LeToAnsi(std::string("\xFF\xFE\x61\0\0\0\x62\0", 8), 932), DecodeError);
}

TEST(Utf8Decoder, MarkEofMalformedAndNul) {
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    EXPECT_EQ(Utf8ToAnsi("\xEF\xBB\xBF" + utf8 + "\x1A", true, 932), kSjis);
    EXPECT_EQ(Utf8ToAnsi(utf8, false, 932), kSjis);
    EXPECT_EQ(Utf8ToAnsi("a\xE6\x97"
                         "b\xC3",
                         false, 1252),
              "a?b?");
    EXPECT_THROW(Utf8ToAnsi(std::string("a\0b", 3), false, 932), DecodeError);
}

TEST(DecodeText, JapaneseCodesOnlyWhereTheCodePageIsShiftJis) {
    EXPECT_EQ(DecodeText(kEuc + "\x1A", CharCode::EUC_OR_SJIS, 932), kSjis);
    EXPECT_EQ(DecodeText(kJis, CharCode::JIS_NEW, 932), kSjis);
    EXPECT_THROW(DecodeText(std::string("a\0b", 3), CharCode::ASCII, 932), DecodeError);
    // "Grüße" in code page 1252 looks like EUC; converting it would garble the file.
    const std::string latin = "Gr\xFC\xDF\x65";
    EXPECT_EQ(DetectEncoding(latin + "\n"), CharCode::EUC);
    EXPECT_EQ(DecodeText(latin, CharCode::EUC, 1252), latin);
}

TEST(SplitLines, AllThreeLineEnds) {
    std::vector<std::string_view> lines;
    SplitLines("a\r\nb\rc\nd", lines);
    EXPECT_EQ(lines, (std::vector<std::string_view>{"a", "b", "c", "d"}));
    SplitLines("a\r\n\r\n", lines);
    EXPECT_EQ(lines, (std::vector<std::string_view>{"a", ""}));
    SplitLines("a\rb\r\r\nc", lines);
    EXPECT_EQ(lines, (std::vector<std::string_view>{"a", "b", "", "c"}));
}

}  // namespace
}  // namespace quenfa
