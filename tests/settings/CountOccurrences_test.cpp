#include <gtest/gtest.h>

#include "vrnx2/settings/SystemRoutines.h"

using namespace vrnx2;

namespace {

struct Row {
    const char* rule;
    const char* pattern;
    const char* text;
    int options;
    int expected;
};

// "あ" is E3 81 82, "い" is E3 81 84.
const Row kRows[] = {
    {"non-overlapping", "aa", "aaaa", 1, 2},
    {"non-overlapping, character-aware", "aa", "aaa", 3, 1},
    {"letter case ignored with bit 1", "Error", "ERROR error ErRoR", 1, 3},
    {"letter case kept without bit 1", "Error", "ERROR error Error", 0, 1},
    {"letter case kept, character-aware", "Error", "ERROR error Error", 2, 1},
    {"full-width letters fold", "\xEF\xBC\xA1", "\xEF\xBD\x81\xEF\xBC\xA1", 3, 2},
    {"accented letters fold", "\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89 \xC3\x89t\xC3\xA9", 1, 2},
    {"empty pattern counts nothing", "", "abc", 1, 0},
    {"empty text", "a", "", 3, 0},
    {"pattern longer than text", "abcd", "abc", 1, 0},
    {"whole characters", "\xE3\x81\x82", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x82", 3, 2},
    // A pattern that is only part of a character: the byte matcher finds it, the
    // character-aware one never does.
    {"tail bytes, byte matcher", "\x81\x82", "\xE3\x81\x82", 1, 1},
    {"tail bytes, character-aware", "\x81\x82", "\xE3\x81\x82", 3, 0},
    {"lead byte, byte matcher", "\xE3", "\xE3\x81\x82", 0, 1},
    {"lead byte, character-aware", "\xE3", "\xE3\x81\x82", 2, 0},
    {"lead byte, character-aware, case ignored", "\xE3", "\xE3\x81\x82", 3, 0},
    {"across two characters, byte matcher", "\x82\xE3", "\xE3\x81\x82\xE3\x81\x84", 1, 1},
    {"across two characters, character-aware", "\x82\xE3", "\xE3\x81\x82\xE3\x81\x84", 3, 0},
    {"ill-formed bytes still match themselves", "\xFF\x61", "\xFF\xFF\x61", 3, 1},
};

TEST(CountOccurrences, Table) {
    for (const Row& r : kRows)
        EXPECT_EQ(CountOccurrences(r.pattern, r.text, r.options), r.expected) << r.rule;
}

}  // namespace
