#include "platform/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tests/support/FailingFileSystem.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    void Write(const fs::path& p, const std::string& data) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << data;
    }
    TempDir temp_{"platform-files"};
    const fs::path dir_ = temp_.path();
};

TEST_F(FilesTest, ResolvesFixedNamesWithoutRegardToCase) {
    Write(dir_ / "I386/SYSTEM32/Shell32.DLL", "x");
    EXPECT_EQ(platform::ResolveNoCase(dir_, "i386/system32/shell32.dll"),
              dir_ / "I386/SYSTEM32/Shell32.DLL");
    EXPECT_EQ(platform::ResolveNoCase(dir_, "i386\\missing\\x"), dir_ / "I386/missing/x");
    EXPECT_TRUE(platform::ExistsNoCase(dir_, "I386/system32/SHELL32.dll"));
    EXPECT_FALSE(platform::ExistsNoCase(dir_, "I386/system32/shell32.dl_"));
    // An exact match wins over a folded one.
    Write(dir_ / "a.txt", "1");
    Write(dir_ / "A.TXT", "2");
    EXPECT_EQ(platform::FindNoCase(dir_, "A.TXT"), "A.TXT");
    EXPECT_EQ(platform::FindNoCase(dir_, "a.TXT"), "A.TXT");
}

TEST_F(FilesTest, ListsAttributesAndDoesNotFollowLinks) {
    Write(dir_ / "sub/f", "abc");
    Write(dir_ / ".hidden", "");
    fs::create_directory_symlink(dir_ / "sub", dir_ / "link");
    platform::SetReadOnly(dir_ / "sub/f", true);
    auto entries = platform::ListDirectory(dir_);
    ASSERT_EQ(entries.size(), 3u);
    for (const auto& e : entries) {
        if (e.name == "link") {
            EXPECT_TRUE(e.isSymlink);
            EXPECT_TRUE(e.isDirectory);
        }
        if (e.name == ".hidden") {
            EXPECT_TRUE(e.hidden);
        }
    }
    EXPECT_TRUE(platform::IsReadOnly(dir_ / "sub/f"));
    // Removing the tree that holds the link leaves the link's target alone.
    Write(dir_ / "keep/k", "k");
    fs::create_directories(dir_ / "doomed");
    fs::create_directory_symlink(dir_ / "keep", dir_ / "doomed/out");
    EXPECT_TRUE(platform::RemoveTree(dir_ / "doomed"));
    EXPECT_TRUE(fs::exists(dir_ / "keep/k"));
}

TEST_F(FilesTest, AtomicWriteKeepsModeAndLeavesNoTemporaryFile) {
    const fs::path f = dir_ / "input.inf";
    Write(f, "old");
    ::chmod(f.c_str(), 0640);
    ASSERT_TRUE(platform::WriteFileAtomic(f, "new content"));
    EXPECT_EQ(*platform::ReadFile(f), "new content");
    struct stat st {};
    ::stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// A failure at any step of the write leaves the old content whole, no temporary file, and a
// message naming the file and the reason (also for root, whom permissions do not stop).
TEST_F(FilesTest, AtomicWriteFailingAtEveryStepLosesNothing) {
    const fs::path f = dir_ / "input.inf";
    Write(f, "old");
    std::string error;
    bool written = false;
    const int steps = FailEveryStep(
        {ENOSPC, EIO, EACCES}, [&] { written = platform::WriteFileAtomic(f, "new", &error); },
        [&](int code, int nth) {
            EXPECT_FALSE(written) << nth;
            EXPECT_EQ(*platform::ReadFile(f), "old") << nth;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
                << nth;
            EXPECT_NE(error.find(f.string()), std::string::npos) << error;
            EXPECT_NE(error.find(std::strerror(code)), std::string::npos) << error;
        },
        [&] {
            EXPECT_TRUE(written);
            Write(f, "old");
        });
    EXPECT_EQ(steps, 3 * 4);  // temporary file, write, close, rename
}

TEST_F(FilesTest, WriteTimeRoundTripAndHardLinks) {
    const fs::path f = dir_ / "t";
    Write(f, "x");
    ASSERT_TRUE(platform::SetWriteTime(f, {1000000000, 0}));
    EXPECT_EQ(platform::GetWriteTime(f)->seconds, 1000000000);
    EXPECT_TRUE(platform::CanHardLink(dir_));
    EXPECT_FALSE(platform::CanHardLink(dir_ / "missing"));
    EXPECT_FALSE(platform::ReadFile(dir_ / "missing").has_value());
}

TEST(Environment, ExpandsKnownNamesOnly) {
    setenv("VRNX2_TEST_X", "/tmp/x", 1);
    EXPECT_EQ(platform::ExpandEnvironment("%VRNX2_TEST_X%/a"), "/tmp/x/a");
    EXPECT_EQ(platform::ExpandEnvironment("%NO_SUCH_NAME_Q%/a"), "%NO_SUCH_NAME_Q%/a");
    EXPECT_EQ(platform::ExpandEnvironment("100%"), "100%");
    EXPECT_EQ(platform::ExpandEnvironment("%%VRNX2_TEST_X%"), "%/tmp/x");
}

}  // namespace
