#include "quenfa/Reduce.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Files.h"
#include "quenfa/unicode.h"
#include "tests/support/TempDir.h"

namespace quenfa {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Reduce(const std::vector<std::string>& source,
                                const std::string& tag = "0411") {
    LineLists lists;
    lists.source.assign(source.begin(), source.end());
    ReduceLines(lists, ReduceLocale{tag, 932, "."});
    return lists.output;
}

struct LineRow {
    const char* source;
    const char* output;  // nullptr: dropped
};
class WorkedExamples : public ::testing::TestWithParam<LineRow> {};

TEST_P(WorkedExamples, Reduce) {
    const auto out = Reduce({GetParam().source});
    EXPECT_EQ(out, GetParam().output ? std::vector<std::string>{GetParam().output}
                                     : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WorkedExamples,
    ::testing::Values(
        LineRow{"CopyFiles = Files.Inf , Files.Sys ; copy", "CopyFiles=Files.Inf,Files.Sys"},
        LineRow{"[Version]   ; header", "[Version]"},
        LineRow{"HKLM, \"Soft ware\",,\"Name\" ,0x1,  1", "HKLM,\"Soft ware\",,\"Name\",0x1,1"},
        LineRow{"key = \"a;b\" , c", "key=\"a;b\",c"}, LineRow{"key = ", "key="},
        LineRow{"a,,", "a,,"}, LineRow{"a , ; x", "a,"}, LineRow{"a , b", "a,b"},
        LineRow{"   ; only a comment", nullptr}, LineRow{" \t ", nullptr},
        LineRow{"x ; y = z", "x ; y=z"}, LineRow{"= value", "= value"},
        LineRow{"\t N = \"\x93\xFA\x96\x7B, \x8C\xEA\" ", "N=\"\x93\xFA\x96\x7B, \x8C\xEA\""}));

TEST(StringSections, OtherLanguagesGoUpToTheNextSection) {
    // The source lines, separated by "|".
    const std::string text =
        "[Strings]|a=1|[Strings.0409]|b=2|; comment does not end it|  [strings.0411]|c=3|"
        "[STRINGS.0407]|d=4|[Other]|e=5";
    std::vector<std::string> source;
    for (size_t start = 0, bar; start <= text.size(); start = bar + 1) {
        bar = std::min(text.find('|', start), text.size());
        source.push_back(text.substr(start, bar - start));
    }
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Reduce(source, "0411"),
              (Lines{"[Strings]", "a=1", "[strings.0411]", "c=3", "[Other]", "e=5"}));
    EXPECT_EQ(Reduce(source, "0409"),
              (Lines{"[Strings]", "a=1", "[Strings.0409]", "b=2", "[Other]", "e=5"}));
}

TEST(Ratio, RoundsTwiceAndUsesTheSeparator) {
    struct Row {
        uint64_t reduced, source;
        const char* sep;
        const char* text;
    };
    for (const Row r :
         {Row{413, 1000, ".", "41.3"}, Row{413, 1000, ",", "41,3"}, Row{0, 10, ".", "0.0"},
          Row{10, 10, ".", "100.0"}, Row{4125, 10000, ".", "41.3"},  // half goes up
          Row{4124996, 10000000, ".", "41.3"},                       // 41.2500 after four places
          Row{4124994, 10000000, ".", "41.2"}, Row{2, 3, ".", "66.7"}})
        EXPECT_EQ(FormatRatio(r.reduced, r.source, r.sep), r.text) << r.reduced << '/' << r.source;
    EXPECT_THROW(FormatRatio(0, 0, "."), std::domain_error);
}

class ReduceFileTest : public ::testing::Test {
protected:
    std::string Run(const fs::path& p) { return ReduceFile(p, lists_, {"0411", 932, "."}); }
    TempDir dir_;
    LineLists lists_;
};

TEST_F(ReduceFileTest, ReadOnlyFileRewrittenWritableWithItsTime) {
    const auto p = dir_.Write("a.inf", "; c\r\n[Version]\r\n\r\nSignature = \"$CHICAGO$\"\r\n");
    ASSERT_TRUE(platform::SetWriteTime(p, {1000000000, 123}));
    ASSERT_TRUE(platform::SetReadOnly(p, true));
    EXPECT_EQ(Run(p), "79.1");  // 34 of 43 bytes
    EXPECT_EQ(TempDir::Read(p), "[Version]\r\nSignature=\"$CHICAGO$\"\r\n");
    EXPECT_FALSE(platform::IsReadOnly(p));
    EXPECT_EQ(platform::GetWriteTime(p)->seconds, 1000000000);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(ReduceFileTest, ReducedFileKeepsItsContentAndTimeButLosesReadOnly) {
    const std::string reduced = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";
    const auto p = dir_.Write("r.inf", reduced);
    ASSERT_TRUE(platform::SetWriteTime(p, {1000000000, 123}));
    ASSERT_TRUE(platform::SetReadOnly(p, true));
    struct stat before {};
    ASSERT_EQ(::stat(p.c_str(), &before), 0);
    EXPECT_EQ(Run(p), "100.0");
    struct stat after {};
    ASSERT_EQ(::stat(p.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
    EXPECT_EQ(TempDir::Read(p), reduced);
    EXPECT_FALSE(platform::IsReadOnly(p));
    EXPECT_EQ(platform::GetWriteTime(p)->seconds, 1000000000);
    EXPECT_EQ(platform::GetWriteTime(p)->nanoseconds, 123);
    // Same lines with LF ends differ in bytes: rewritten with CR LF.
    const auto q = dir_.Write("lf.inf", "[Version]\nSignature=\"$CHICAGO$\"\n");
    EXPECT_EQ(Run(q), "100.0");
    EXPECT_EQ(TempDir::Read(q), reduced);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
}

TEST_F(ReduceFileTest, EmptyBinaryAndNulFilesAreLeftAlone) {
    const std::string binary("MZ\x03\0 ; x\r\n", 10);
    std::string nulLate = "a = 1\r\n" + std::string(2000, ';');
    nulLate[1500] = '\0';
    const std::string utf16be("\xFE\xFF\0a\0=\0\x31\0\0\0b", 12);
    EXPECT_EQ(Run(dir_.Write("e.inf", "")), "");
    EXPECT_EQ(Run(dir_.Write("b.inf", binary)), "");
    EXPECT_THROW(Run(dir_.Write("n.inf", nulLate)), DecodeError);
    EXPECT_THROW(Run(dir_.Write("be.inf", utf16be)), DecodeError);
    EXPECT_EQ(TempDir::Read(dir_.path() / "b.inf"), binary);
    EXPECT_EQ(TempDir::Read(dir_.path() / "n.inf"), nulLate);
    EXPECT_EQ(TempDir::Read(dir_.path() / "be.inf"), utf16be);
}

TEST_F(ReduceFileTest, Utf16LeWithEofMarkBecomesShiftJis) {
    const std::string le("\xFF\xFE[\0S\0]\0\r\0\n\0k\0 \0=\0 \0\xE5\x65\r\0\n\0\x1A\0", 28);
    const auto p = dir_.Write("le.inf", le);
    EXPECT_EQ(Run(p), "84.6");  // 11 of 13 bytes
    EXPECT_EQ(TempDir::Read(p), "[S]\r\nk=\x93\xFA\r\n");
}

TEST_F(ReduceFileTest, EofMarkOnlyIsRewrittenEmptyAndFails) {
    const auto p = dir_.Write("eof.inf", "\x1A");
    EXPECT_THROW(Run(p), std::domain_error);
    EXPECT_EQ(TempDir::Read(p), "");
}

TEST_F(ReduceFileTest, FoldersLinksAndMissingFilesFail) {
    fs::create_directory(dir_.path() / "d.inf");
    EXPECT_THROW(Run(dir_.path() / "d.inf"), std::runtime_error);
    EXPECT_THROW(Run(dir_.path() / "missing.inf"), std::runtime_error);
    ASSERT_EQ(::mkfifo((dir_.path() / "f.inf").c_str(), 0600), 0);  // opening would block
    EXPECT_THROW(Run(dir_.path() / "f.inf"), std::runtime_error);
    const auto target = dir_.Write("t.txt", "a = 1\r\n");
    fs::create_symlink(target, dir_.path() / "l.inf");
    EXPECT_THROW(Run(dir_.path() / "l.inf"), std::runtime_error);
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "l.inf"));
    EXPECT_EQ(TempDir::Read(target), "a = 1\r\n");
}

}  // namespace
}  // namespace quenfa
