#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>
#include <string>
#include <thread>

namespace {

// Each code page's converter is kept after first use: interleaved calls must still use the
// converter of the code page asked for, and writing must not change what reading gives.
TEST(CodePageCache, InterleavedCodePagesAndDirections) {
    const std::string zhe = "\xD0\x96";  // Ж
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(platform::Utf8ToAnsi(zhe, 932), "\x84G");
        EXPECT_EQ(platform::Utf8ToAnsi(zhe, 1251), "\xC6");
        EXPECT_EQ(platform::Utf8ToAnsi(zhe, 1252), "?");
        EXPECT_EQ(platform::Utf16ToAnsi(u"\x65E5", 932), "\x93\xFA");
        EXPECT_EQ(platform::Utf16ToAnsi(u"\x65E5", 1251), "?");
        EXPECT_EQ(platform::AnsiToUtf8("\xC6", 1251), zhe);
        EXPECT_EQ(platform::AnsiToUtf8("\x84G", 932), zhe);
        EXPECT_EQ(platform::AnsiToUtf8("\xE9", 1252), "\xC3\xA9");
    }
    // Unknown code pages read and write as Western European.
    EXPECT_EQ(platform::Utf8ToAnsi("\xC3\xA9", 12345), "\xE9");
    EXPECT_EQ(platform::AnsiToUtf8("\xE9", 12345), "\xC3\xA9");
}

TEST(CodePageCache, ThreadsKeepTheirOwnConverters) {
    std::string results[2];
    std::thread a([&] {
        for (int i = 0; i < 200; ++i) results[0] += platform::Utf8ToAnsi("\xD0\x96", 1251);
    });
    std::thread b([&] {
        for (int i = 0; i < 200; ++i) results[1] += platform::Utf8ToAnsi("\xD0\x96", 932);
    });
    a.join();
    b.join();
    std::string want1251, want932;
    for (int i = 0; i < 200; ++i) {
        want1251 += "\xC6";
        want932 += "\x84G";
    }
    EXPECT_EQ(results[0], want1251);
    EXPECT_EQ(results[1], want932);
}

// ASCII is copied and only the runs between go through the converter: the result must be
// what converting the whole text at once gives.
std::string WholeText(std::u16string text, int codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            text[i] = u'?';
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> conv(
        ucnv_open(("windows-" + std::to_string(codePage)).c_str(), &status), ucnv_close);
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    std::string out(text.size() * 4 + 4, '\0');
    const int32_t n = ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                                      reinterpret_cast<const UChar*>(text.data()),
                                      static_cast<int32_t>(text.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(n);
    return out;
}

TEST(CodePageRuns, SameAsWholeTextConversion) {
    const std::u16string texts[] = {
        u"key = \x65E5\x672C, \"\x30C6\x30AD\x30B9\x30C8\" ; \x00A5\\~",
        u"\xD83D\xDE00 a \xD800 b \xDC00\xD800",    // a pair, lone lead, lone trail
        u"\x00E9\x0416\x20AC\x0E01\x05D0\x0627=x",  // letters of several code pages
        u"\xFF71\xFF72\r\n\x3000\x4E00",
        u"\x1EA0\x0301\x00C0",  // Vietnamese letters, combining mark
    };
    for (const int cp : {932, 936, 949, 950, 874, 1250, 1251, 1252, 1255, 1256, 1258}) {
        for (const std::u16string& t : texts) {
            EXPECT_EQ(platform::Utf16ToAnsi(t, cp), WholeText(t, cp)) << "code page " << cp;
        }
    }
    // Malformed UTF-8 next to ASCII: one "?" for each broken sequence, the ASCII kept.
    EXPECT_EQ(platform::Utf8ToAnsi("a\xE6\x97"
                                   "b\xE6\x97\xA5\x80"
                                   "c\xF0\x9F",
                                   932),
              "a?b\x93\xFA?c?");
}

}  // namespace
