#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Process.h"

namespace {

using platform::SplitCommandLine;
using V = std::vector<std::string>;

struct Row {
    const char* rule;
    const char* line;
    V args;
};

class SplitTable : public ::testing::TestWithParam<Row> {};

TEST_P(SplitTable, Splits) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    WindowsRules, SplitTable,
    ::testing::Values(
        Row{"blanks separate", "  prog  -auto\t-exit ", {"prog", "-auto", "-exit"}},
        Row{"quotes group", "\"/a b/prog\" \"x y\" z", {"/a b/prog", "x y", "z"}},
        Row{"quotes inside a word", "p a\"b c\"d", {"p", "ab cd"}},
        Row{"escaped quote", "p a\\\"b", {"p", "a\"b"}},
        Row{"even backslashes before a quote", "p \"a\\\\\" b", {"p", "a\\", "b"}},
        Row{"backslashes elsewhere are plain", "p a\\\\b", {"p", "a\\\\b"}},
        Row{"doubled quote inside quotes", "p \"a\"\"b\"", {"p", "a\"b"}},
        Row{"program name keeps backslashes", "C:\\x\\p.exe a", {"C:\\x\\p.exe", "a"}},
        Row{"empty quoted argument", "p \"\" x", {"p", "", "x"}},
        Row{"shell characters are plain", "p $(rm -rf x);|&", {"p", "$(rm", "-rf", "x);|&"}},
        Row{"nothing", "   ", {}}));

TEST(StartProgram, ReportsExitCodeAndFailedStart) {
    auto r = platform::StartCommandLine("sh -c \"exit 3\"", true);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);

    r = platform::StartCommandLine("/nonexistent/program -x", true);
    EXPECT_FALSE(r.started);
    EXPECT_NE(r.error.find("/nonexistent/program"), std::string::npos);

    r = platform::StartCommandLine("true", false);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(StartProgram, NeverInterpretsShellSyntax) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "platform-noshell";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string marker = (dir / "marker").string();
    auto r = platform::StartCommandLine("echo x; touch " + marker, true);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(fs::exists(marker));
    fs::remove_all(dir);
}

}  // namespace
