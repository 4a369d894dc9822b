#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, ValidityRejectsOverlongSurrogatesAndTruncation) {
    EXPECT_TRUE(platform::IsValidUtf8("plain \xE6\x97\xA5\xF0\x9F\x98\x80"));
    EXPECT_FALSE(platform::IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(platform::IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(platform::IsValidUtf8("ab\xE6\x97"));        // cut short
    EXPECT_FALSE(platform::IsValidUtf8("\x93\xFA\x96\x7B"));  // Shift_JIS
}

TEST(Utf8, RepairReplacesOnlyWhatIsMalformed) {
    EXPECT_EQ(platform::RepairUtf8("a\xFF"
                                   "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(platform::RepairUtf8("\xE6\x97\xA5"), "\xE6\x97\xA5");
    EXPECT_TRUE(platform::IsValidUtf8(platform::RepairUtf8("\xC0\xAF\xED\xA0\x80x")));
}

TEST(Utf8, DecodeTextFollowsTheByteOrderMarkThenValidityThenTheCodePage) {
    EXPECT_EQ(platform::DecodeText("\xEF\xBB\xBFx=\xE6\x97\xA5", 932), "x=\xE6\x97\xA5");
    EXPECT_EQ(platform::DecodeText(std::string("\xFF\xFEx\0=\0", 6), 932), "x=");
    EXPECT_EQ(platform::DecodeText(std::string("\xFE\xFF\0x\0=\0", 7), 932), "x=");  // odd byte
    EXPECT_EQ(platform::DecodeText("\x93\xFA", 932), "\xE6\x97\xA5");
    EXPECT_EQ(platform::DecodeText("caf\xE9", 1252), "caf\xC3\xA9");
    EXPECT_EQ(platform::Utf16ToUtf8(u"a\xD800"
                                    "b"),
              "a\xEF\xBF\xBD"
              "b");
}

}  // namespace
