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
    // A list left over from a longer line: reuse must not leak its fields.
    std::vector<std::string> fields{"old1", "old2", "old3", "old4", "old5", "old6", "old7"};
    SplitFields(GetParam().input, fields);
    EXPECT_EQ(JoinFields(fields), GetParam().joined);
    EXPECT_EQ(fields.size(), GetParam().count);
    std::string appended = "key=";
    AppendJoinedFields(GetParam().input, appended);
    EXPECT_EQ(appended, std::string("key=") + GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SplitFieldsTable,
    ::testing::Values(Row{"blanks around separators go", " Files.Inf , Files.Sys ; copy",
                          "Files.Inf,Files.Sys", 2},
                      Row{"quoted blanks stay", "HKLM, \"Soft ware\",,\"Name\" ,0x1,  1",
                          "HKLM,\"Soft ware\",,\"Name\",0x1,1", 6},
                      Row{"quoted semicolon is no comment", " \"a;b\" , c", "\"a;b\",c", 2},
                      Row{"nothing gives one empty field", "", "", 1},
                      Row{"trailing empty fields kept", "a,,", "a,,", 3},
                      Row{"empty field before comment kept", "a , ; x", "a,", 2},
                      Row{"doubled quotes flip twice", "\"a\"\",\"\"b\", c", "\"a\"\",\"\"b\",c",
                          2},
                      Row{"unterminated quote swallows the rest", "\"a, b ; c", "\"a, b ; c", 1},
                      Row{"control characters trimmed", "\t a \x01, b\r", "a,b", 2},
                      Row{"quotes closed then a separator", "\"x\"y , \"\" ,", "\"x\"y,\"\",", 3},
                      Row{"comment right after a quoted field", "\"a,b\";c,d", "\"a,b\"", 1},
                      Row{"separators only", ",;", ",", 2}));

TEST(Trim, RemovesEverythingUpToBlank) {
    EXPECT_EQ(Trim("\x01\x20 x y\x1f\x20"), "x y");
    EXPECT_EQ(Trim("\x7f"), "\x7f");
    EXPECT_EQ(Trim("   "), "");
}

}  // namespace
