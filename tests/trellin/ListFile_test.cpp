#include "trellin/ListFile.h"

#include <gtest/gtest.h>

#include "trellin/NamePattern.h"

namespace trellin {
namespace {

struct DirRow {
    const char* rule;
    const char* line;
    bool kept;
    const char* path;
    int mode;
};

class DirectoryLines : public ::testing::TestWithParam<DirRow> {};

TEST_P(DirectoryLines, GiveFolderAndMode) {
    const DirRow& row = GetParam();
    SCOPED_TRACE(row.rule);
    const ListFile list = ParseListFile(std::string("[DIRECTORIES]\n") + row.line + "\n");
    if (!row.kept) {
        EXPECT_TRUE(list.directories.empty());
        return;
    }
    ASSERT_EQ(list.directories.size(), 1u);
    EXPECT_EQ(list.directories[0].path, row.path);
    EXPECT_EQ(list.directories[0].mode, row.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DirectoryLines,
    ::testing::Values(DirRow{"no mode is 0", "programs\\tool", true, "programs/tool", 0},
                      DirRow{"mode 1", "programs , 1", true, "programs", 1},
                      DirRow{"not a number is 0", "programs,one", true, "programs", 0},
                      DirRow{"number with tail is 0", "programs,1x", true, "programs", 0},
                      DirRow{"third field ignored", "programs,1,deep copy", true, "programs", 1},
                      DirRow{"comment after mode", "programs,1 ; all of it", true, "programs", 1},
                      DirRow{"mode 2 ignored", "programs,2", false, "", 0},
                      DirRow{"quotes removed", "\"my tools\",1", true, "my tools", 1},
                      DirRow{"half quote loses first and last", "\"programs", true, "program", 0},
                      DirRow{"lone quote is empty", "\"", true, "", 0}));

TEST(ListFile, SectionsInEitherOrderAndAnyCase) {
    const char* filesFirst =
        "; list\r\n[files] trailing text\r\nwin.com\r\n\r\n; skipped\r\n  I386\\*.inf , x\r\n"
        "[Directories]\rprograms,1\r\r[other]\rlost\r[FILES]\rsecond\r";
    const char* dirsFirst = "[DIRECTORIES]\nprograms,1\n[FILES]\nwin.com\nI386\\*.inf\n";
    for (const char* text : {filesFirst, dirsFirst}) {
        const ListFile list = ParseListFile(text);
        ASSERT_EQ(list.directories.size(), 1u) << text;
        EXPECT_EQ(list.directories[0].path, "programs");
        EXPECT_EQ(list.directories[0].mode, 1);
        EXPECT_EQ(list.files, (std::vector<std::string>{"win.com", "I386/*.inf"}));
    }
}

TEST(ListFile, DecodesUtf8OrTheAnsiCodePage) {
    EXPECT_EQ(DecodeListFile("\xEF\xBB\xBF\xE6\x97\xA5.txt", 932), "\xE6\x97\xA5.txt");
    // Shift_JIS for the same character.
    EXPECT_EQ(DecodeListFile("\x93\xFA.txt", 932), "\xE6\x97\xA5.txt");
}

struct PatternRow {
    const char* name;
    const char* pattern;
    bool matches;
};

class Patterns : public ::testing::TestWithParam<PatternRow> {};

TEST_P(Patterns, Match) {
    EXPECT_EQ(MatchesPattern(GetParam().name, GetParam().pattern), GetParam().matches)
        << GetParam().name << " ~ " << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Patterns,
    ::testing::Values(PatternRow{"WIN.INI", "win*", true}, PatternRow{"twin.ini", "win*", false},
                      PatternRow{"noext", "*.*", true}, PatternRow{"A.Sif", "*.sif", true},
                      PatternRow{"a.sif.bak", "*.sif", false},
                      PatternRow{"halaacpi.dll", "hal*.dll", true},
                      PatternRow{"hal.dll.old", "hal*.dll", false}, PatternRow{"ab", "a?", true},
                      PatternRow{"a", "a?", false},
                      PatternRow{"\303\251a", "?A", true},  // one character, two bytes
                      PatternRow{"\303\211COLE", "\xC3\xA9*", true},
                      PatternRow{"a\377b", "a?b", true},  // a byte outside UTF-8
                      PatternRow{"aaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false}));

}  // namespace
}  // namespace trellin
