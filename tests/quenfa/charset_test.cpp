#include "quenfa/charset.h"

#include <gtest/gtest.h>

namespace quenfa {
namespace {

struct Row {
    const char* rule;
    std::string sample;
    CharCode expected;
};
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.rule;
}

class DetectTable : public ::testing::TestWithParam<Row> {};

TEST_P(DetectTable, Decides) {
    EXPECT_STREQ(CharCodeName(DetectEncoding(GetParam().sample)),
                 CharCodeName(GetParam().expected));
}

const std::string kUtf8Nihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // three sequences
const std::string kUtf8Kana = "\xEF\xBD\xB1";

INSTANTIATE_TEST_SUITE_P(
    Rules, DetectTable,
    ::testing::Values(
        Row{"empty sample is SJIS", "", CharCode::SJIS},
        Row{"plain text", "[Version]\r\nx=1\r\n", CharCode::ASCII},
        Row{"FF FE wins over control bytes", std::string("\xFF\xFE\x01\x02", 4), CharCode::UTF16LE},
        Row{"FE FF", std::string("\xFE\xFF") + "a", CharCode::UTF16BE},
        Row{"UTF-8 mark", std::string("\xEF\xBB\xBF") + "a", CharCode::UTF8_BOM},
        Row{"six UTF-8 sequences", kUtf8Nihongo + kUtf8Nihongo + "\n", CharCode::UTF8},
        Row{"five sequences, second byte 80-A0", kUtf8Nihongo + "\xE6\x97\xA5\xE6\x9C\xAC\n",
            CharCode::SJIS},
        Row{"five sequences, second byte A1-BF",
            kUtf8Kana + kUtf8Kana + kUtf8Kana + kUtf8Kana + kUtf8Kana + "\n",
            CharCode::EUC_OR_SJIS},
        Row{"continuation as last byte not counted",
            kUtf8Nihongo + "\xE6\x97\xA5\xE6\x9C\xAC\xC3\xA9", CharCode::SJIS},
        Row{"control byte", std::string("ab\x01") + "cd", CharCode::BINARY},
        Row{"FF byte", std::string("ab\xFF") + "cd", CharCode::BINARY},
        Row{"control byte as the last byte", "abcd\x01", CharCode::ASCII},
        Row{"ESC $ B", "a\x1B$BF|\x1B(B", CharCode::JIS_NEW},
        Row{"ESC $ @", "\x1B$@F|", CharCode::JIS_OLD},
        Row{"ESC ( B alone", "\x1B(Babc", CharCode::ASCII},
        Row{"lead byte 81-9F is SJIS at once", "x=\x90\xDD\x92\xE8\r\n", CharCode::SJIS},
        Row{"EUC pair with second byte F0-FE", "\xC6\xFC\xCB\xDC\xB8\xEC\n", CharCode::EUC},
        Row{"8E A1-DF: EUC half-width kana", "\x8E\xB1\x8E\xB2\x8E\xB3\n", CharCode::EUC_OR_SJIS},
        Row{"SJIS half-width kana", "\xB1\xB2\xB3\xB4\n", CharCode::EUC_OR_SJIS},
        Row{"8E 40-7E", "\x8E\x40\n", CharCode::SJIS},
        Row{"look-ahead finds an SJIS lead", "\xB1\xE0\x41\x82\xA0\n", CharCode::SJIS},
        Row{"look-ahead finds FD", "\xB1\xE0\xA1\xFD\n", CharCode::EUC},
        Row{"look-ahead stops below 40", "\xB1\xE0\xA1\n\x82\xA0", CharCode::SJIS},
        Row{"E0-EF then 40", "\xE0\x40\n", CharCode::SJIS},
        Row{"E0-EF then FD", "\xE0\xFD\n", CharCode::EUC},
        Row{"E0-EF then A1", "\xE0\xA1\n", CharCode::EUC_OR_SJIS},
        Row{"F0-FE lead", "a\xF5\x41\n", CharCode::EUC}));

TEST(Detect, ControlByteCountsOnlyBeforeTheSampleEnd) {
    std::string text(2000, 'a');
    text[1022] = '\x01';  // position 1023
    EXPECT_EQ(DetectEncoding(MakeSample(text)), CharCode::BINARY);
    std::swap(text[1022], text[1023]);  // 1024: the sample's last byte
    EXPECT_EQ(DetectEncoding(MakeSample(text)), CharCode::ASCII);
    std::swap(text[1023], text[1024]);  // 1025: outside the sample
    EXPECT_EQ(DetectEncoding(MakeSample(text)), CharCode::ASCII);
    EXPECT_EQ(MakeSample(std::string("a\0b", 3)), "a b");
}

}  // namespace
}  // namespace quenfa
