// The last lines of a log that is still being written.

#include "vrnx2/build/LogTail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempTree.h"

using namespace vrnx2;

namespace {

using Lines = std::vector<std::string>;

// What this process has read through read calls, from the kernel's count.
long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string field;
    for (long long value = 0; io >> field >> value;)
        if (field == "rchar:") return value;
    ADD_FAILURE() << "no rchar in /proc/self/io";
    return 0;
}

struct TailRow {
    const char* name;
    std::string bytes;
    size_t maxLines;
    size_t maxBytes;
    Lines want;
};

class LogTailTest : public ::testing::Test {
protected:
    TempTree t;
};

TEST_F(LogTailTest, LinesBreaksAndWindow) {
    const TailRow rows[] = {
        {"last lines only", "a\r\nb\r\nc\r\nd\r\n", 2, 1024, {"c", "d"}},
        {"fewer lines than asked", "a\r\nb\r\n", 5, 1024, {"a", "b"}},
        {"LF, CR and CR LF all break", "a\nb\rc\r\nd", 9, 1024, {"a", "b", "c", "d"}},
        {"blank lines are lines", "a\r\n\r\nb\r\n", 9, 1024, {"a", "", "b"}},
        {"line still being written", "a\r\nhalf", 9, 1024, {"a", "half"}},
        {"empty file", "", 3, 1024, {}},
        // Bytes 0-9 digits, 10-11 CR LF, 12-13 "ab", 14-15, 16-17 "cd", 18-19.
        {"line cut by the window left out", "0123456789\r\nab\r\ncd\r\n", 9, 7, {"cd"}},
        {"window at a line start keeps it", "0123456789\r\nab\r\ncd\r\n", 9, 8, {"ab", "cd"}},
        {"window between CR and LF", "0123456789\r\nab\r\ncd\r\n", 9, 9, {"ab", "cd"}},
        {"one long line shows its end", "0123456789abcdef", 9, 6, {"abcdef"}},
        {"no lines asked", "a\r\n", 0, 1024, {}},
    };
    for (const auto& row : rows) {
        const std::string path = t.Write("log.txt", row.bytes);
        EXPECT_EQ(ReadLogTail(path, row.maxLines, 1252, row.maxBytes), row.want) << row.name;
    }
    EXPECT_EQ(ReadLogTail(t.Path("missing.log"), 3), Lines{});
}

TEST_F(LogTailTest, DecodesTheAnsiCodePage) {
    // Shift_JIS "ビルド" and "エラー"; the tests run under a Japanese locale (code page 932).
    const std::string path =
        t.Write("sjis.log", "\x83\x72\x83\x8B\x83\x68\r\n\x83\x47\x83\x89\x81\x5B");
    EXPECT_EQ(ReadLogTail(path, 2), (Lines{"ビルド", "エラー"}));
    // A character whose second byte is not written yet is not shown as garbage.
    t.Write("sjis.log", "ok\r\n\x83\x72\x83");
    EXPECT_EQ(ReadLogTail(path, 2, 932), (Lines{"ok", "ビ"}));
    // A log written as UTF-8 with a byte-order mark is read as such.
    t.Write("utf8.log", "\xEF\xBB\xBFgr\xC3\xBC\xC3");
    EXPECT_EQ(ReadLogTail(t.Path("utf8.log"), 2, 932), (Lines{"grü"}));
}

TEST_F(LogTailTest, FollowsAGrowingFile) {
    const std::string path = t.Write("grow.log", "");
    EXPECT_EQ(ReadLogTail(path, 2), Lines{});
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << "one\r\ntw" << std::flush;
    EXPECT_EQ(ReadLogTail(path, 2), (Lines{"one", "tw"}));
    out << "o\r\nthree\r\n" << std::flush;
    EXPECT_EQ(ReadLogTail(path, 2), (Lines{"two", "three"}));
}

TEST_F(LogTailTest, ReadsOnlyTheEndOfAHugeFile) {
    // 16 GiB of holes and then the lines: reading the whole file could not finish here.
    const std::string path = t.Write("huge.log", "");
    std::error_code ec;
    std::filesystem::resize_file(path, 16ull << 30, ec);
    if (ec) GTEST_SKIP() << "no sparse files here: " << ec.message();
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (int i = 0; i < 5000; ++i) out << "line " << i << "\r\n";
    }
    const long long before = BytesReadSoFar();
    EXPECT_EQ(ReadLogTail(path, 3), (Lines{"line 4997", "line 4998", "line 4999"}));
    EXPECT_LT(BytesReadSoFar() - before, 1 << 20);
}

}  // namespace
