// Which Wine prefix a Wine command uses, and whether a server of it runs: found by the
// server's working folder, named after the prefix's device and inode.

#include "platform/WineServer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

TEST(WineServerTest, ThePrefixComesFromTheCommandThenTheEnvironment) {
    EXPECT_EQ(platform::WinePrefixOf({"env", "WINEPREFIX=/srv/pe wine", "wine"}), "/srv/pe wine");
    ::setenv("WINEPREFIX", "/srv/other", 1);
    EXPECT_EQ(platform::WinePrefixOf({"wine"}), "/srv/other");
    ::unsetenv("WINEPREFIX");
}

TEST(WineServerTest, AServerIsFoundByItsFolderOnlyForItsOwnPrefix) {
    TempDir dir("vrnx2-wineserver");
    const fs::path prefix = dir.path() / "prefix", other = dir.path() / "other";
    fs::create_directories(prefix);
    fs::create_directories(other);
    struct stat st {};
    ASSERT_EQ(::stat(prefix.c_str(), &st), 0);
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const fs::path proc = dir.path() / "proc";
    const fs::path serverDir = dir.path() / "tmp/wine-abc" / name;
    fs::create_directories(serverDir);
    auto process = [&](const std::string& pid, const std::string& comm, const fs::path& cwd) {
        fs::create_directories(proc / pid);
        std::ofstream(proc / pid / "comm") << comm << "\n";
        fs::create_directory_symlink(cwd, proc / pid / "cwd");
    };
    process("10", "wine", serverDir);  // a client in that folder is no server
    process("11", "wineserver64", dir.path());
    EXPECT_FALSE(platform::WineServerRunning(prefix.string(), proc.string()));
    process("12", "wineserver64", serverDir);
    EXPECT_TRUE(platform::WineServerRunning(prefix.string(), proc.string()));
    EXPECT_FALSE(platform::WineServerRunning(other.string(), proc.string()));
    // A prefix that does not exist yet has no server either.
    EXPECT_FALSE(platform::WineServerRunning((dir.path() / "none").string(), proc.string()));
}
