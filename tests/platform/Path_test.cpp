#include "platform/Path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TrailingRow {
    const char* in;
    const char* withSlash;
    const char* withSeparator;
    const char* withoutSlash;
    const char* withoutSeparators;
};

// A lone "/" stays a folder of its own; "\" counts only where the rule says so.
const TrailingRow kTrailingRows[] = {
    {"", "", "", "", ""},
    {"/", "/", "/", "/", "/"},
    {"//", "//", "//", "/", "/"},
    {"a", "a/", "a/", "a", "a"},
    {"a/b/", "a/b/", "a/b/", "a/b", "a/b"},
    {"a/b///", "a/b///", "a/b///", "a/b", "a/b"},
    {"C:\\x\\", "C:\\x\\/", "C:\\x\\", "C:\\x\\", "C:\\x"},
    {"a/\\/", "a/\\/", "a/\\/", "a/\\", "a"},
    {"\\", "\\/", "\\", "\\", "\\"},
};

TEST(Path, TrailingSeparatorRules) {
    for (const TrailingRow& r : kTrailingRows) {
        EXPECT_EQ(platform::WithTrailingSlash(r.in), r.withSlash) << r.in;
        EXPECT_EQ(platform::WithTrailingSeparator(r.in), r.withSeparator) << r.in;
        EXPECT_EQ(platform::WithoutTrailingSlash(r.in), r.withoutSlash) << r.in;
        EXPECT_EQ(platform::WithoutTrailingSeparators(r.in), r.withoutSeparators) << r.in;
    }
}

TEST(Path, JoinPutsOneSlashBetween) {
    struct Row {
        const char* dir;
        const char* name;
        const char* joined;
    } rows[] = {
        {"", "f.iso", "f.iso"},        {"/", "f.iso", "/f.iso"},
        {"out", "f.iso", "out/f.iso"}, {"out//", "f.iso", "out/f.iso"},
        {"/a/b/", "c/d", "/a/b/c/d"},  {"out", "", "out/"},
    };
    for (const Row& r : rows) EXPECT_EQ(platform::JoinPath(r.dir, r.name), r.joined) << r.dir;
}

TEST(Path, WindowsForm) {
    EXPECT_EQ(platform::ToBackslashes("a/b/c.txt"), "a\\b\\c.txt");
    EXPECT_EQ(platform::ToSlashes("Plugin\\a\\b.inf"), "Plugin/a/b.inf");
    EXPECT_TRUE(platform::HasDriveLetter("C:\\x"));
    EXPECT_TRUE(platform::HasDriveLetter("z:"));
    EXPECT_FALSE(platform::HasDriveLetter("1:x"));
    EXPECT_FALSE(platform::HasDriveLetter("C"));
    EXPECT_FALSE(platform::HasDriveLetter("ab:c"));
}

}  // namespace
