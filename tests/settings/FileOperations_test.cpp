#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempDir.h"
#include "vrnx2/settings/SystemRoutines.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

class FileOperationsTest : public ::testing::Test {
protected:
    fs::path Touch(const fs::path& rel) {
        fs::path p = root_ / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p;
    }
    std::string P(const fs::path& rel) const { return (root_ / rel).string(); }
    bool Has(const fs::path& rel) const { return fs::exists(fs::symlink_status(root_ / rel)); }

    TempDir dir_{"fileops"};
    fs::path root_ = dir_.path();
};

TEST_F(FileOperationsTest, DeleteTreeStaysInsideTheTree) {
    Touch("outside/keep.txt");
    fs::path ro = Touch("tree/a/b/readonly.txt");
    fs::permissions(ro, fs::perms::owner_read, fs::perm_options::replace);
    fs::create_directory_symlink(root_ / "outside", root_ / "tree/link");
    fs::create_directory_symlink(root_ / "outside", root_ / "alias");
    EXPECT_TRUE(DeleteTree(P("tree/")));
    EXPECT_FALSE(Has("tree"));
    EXPECT_TRUE(DeleteTree(P("alias")));  // the link goes, not what it points at
    EXPECT_FALSE(Has("alias"));
    EXPECT_TRUE(Has("outside/keep.txt"));
}

TEST_F(FileOperationsTest, PatternDeletesMatchingEntriesOfItsFolder) {
    Touch("dir/a.inf");
    Touch("dir/B.INF");
    Touch("dir/readme");
    Touch("dir/sub/x.inf");
    EXPECT_TRUE(DeleteTree(P("dir/*.inf")));
    EXPECT_FALSE(Has("dir/a.inf") || Has("dir/B.INF"));
    EXPECT_TRUE(Has("dir/readme") && Has("dir/sub/x.inf"));

    // "*.*" empties the folder, names without a dot and hidden names included.
    Touch("dir/.hidden");
    EXPECT_TRUE(DeleteTree(P("dir/*.*")));
    EXPECT_TRUE(fs::is_directory(root_ / "dir") && fs::is_empty(root_ / "dir"));
    EXPECT_TRUE(DeleteTree(P("dir/*.*"))) << "a pattern matching nothing is no failure";

    Touch("one/f");
    Touch("two/f");
    EXPECT_TRUE(ShellFileOp(ShellOp::Delete, P("one") + '\0' + P("two") + '\0' + '\0', ""));
    EXPECT_FALSE(Has("one") || Has("two"));
}

TEST_F(FileOperationsTest, DeleteRefusesWhatItCannotOrMustNotRemove) {
    Touch("dir/file");
    for (const std::string& path : {P("missing"), P("missing/*.*"), std::string(), std::string("/"),
                                    std::string("/*.*"), P("dir/.."), P("dir/.")})
        EXPECT_FALSE(DeleteTree(path)) << path;
    EXPECT_TRUE(Has("dir/file"));
}

// A stash folder left from an earlier run must never be replaced by a rename, not even an
// empty one (which a plain rename replaces silently).
TEST_F(FileOperationsTest, RenameNeverReplacesAnExistingEntry) {
    Touch("Plugin/a.inf");
    fs::create_directories(root_ / "!Plugin!");
    EXPECT_FALSE(RenamePath(P("Plugin"), P("!Plugin!")));
    EXPECT_TRUE(Has("Plugin/a.inf"));

    fs::remove(root_ / "!Plugin!");
    EXPECT_TRUE(RenamePath(P("Plugin/"), P("!Plugin!")));
    EXPECT_TRUE(Has("!Plugin!/a.inf"));
    EXPECT_FALSE(RenamePath(P("Plugin"), P("other"))) << "missing source";
}

TEST_F(FileOperationsTest, HardLinkTestClimbsToAnExistingFolder) {
    EXPECT_TRUE(IsNtfsDrive(P("not/yet/made/")));
    EXPECT_FALSE(IsNtfsDrive(""));
}

}  // namespace
