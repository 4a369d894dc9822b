#include "common/SplitFields.h"

#include <gtest/gtest.h>

#include "common/Trim.h"

namespace {

struct Row {
    const char* rule;
    const char* input;
    const char* joined;
    size_t count;
};

class SplitFieldsTable : public ::testing::TestWithParam<Row> {};

TEST_P(SplitFieldsTable, JoinsToReducedForm) {
    std::vector<std::string> fields;
    SplitFields(GetParam().input, fields);
    EXPECT_EQ(JoinFields(fields), GetParam().joined);
    EXPECT_EQ(fields.size(), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SplitFieldsTable,
    ::testing::Values(
        Row{"blanks around separators go", " Files.Inf , Files.Sys ; copy", "Files.Inf,Files.Sys", 2},
        Row{"quoted blanks stay", "HKLM, \"Soft ware\",,\"Name\" ,0x1,  1",
            "HKLM,\"Soft ware\",,\"Name\",0x1,1", 6},
        Row{"quoted semicolon is no comment", " \"a;b\" , c", "\"a;b\",c", 2},
        Row{"nothing gives one empty field", "", "", 1},
        Row{"trailing empty fields kept", "a,,", "a,,", 3},
        Row{"empty field before comment kept", "a , ; x", "a,", 2},
        Row{"doubled quotes flip twice", "\"a\"\",\"\"b\", c", "\"a\"\",\"\"b\",c", 2},
        Row{"unterminated quote swallows the rest", "\"a, b ; c", "\"a, b ; c", 1},
        Row{"control characters trimmed", "\t a \x01, b\r", "a,b", 2}));

TEST(Trim, RemovesEverythingUpToBlank) {
    EXPECT_EQ(Trim("\x01\x20 x y\x1f\x20"), "x y");
    EXPECT_EQ(Trim("\x7f"), "\x7f");
    EXPECT_EQ(Trim("   "), "");
}

}  // namespace
