// The built program on a real tree: the list file beside the program, a relative directory.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "TreeFixture.h"

extern char** environ;

namespace {

using ::testing::HasSubstr;

class TrellinProgram : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        const char* bin = std::getenv("TEST_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        fs::create_directory(root_ / "bin");
        program_ = root_ / "bin/trellin";
        fs::copy_file(fs::path(bin) / "trellin", program_);
    }

    // Runs the copied program in `cwd`; returns the exit code and keeps standard output.
    int Start(const std::vector<std::string>& args, const fs::path& cwd) {
        const fs::path log = root_ / "stdout.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<std::string> argv = {program_.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> ptrs;
        for (std::string& a : argv) ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, program_.c_str(), &actions, nullptr, ptrs.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return -1;
        int status = 0;
        waitpid(pid, &status, 0);
        output_ = Read(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path program_;
    std::string output_;
};

TEST_F(TrellinProgram, RunsOnARelativeDirectoryWithTheListFileBesideIt) {
    Make({"programs/a/b.txt", "i386/system32/drivers/c.sys", "tools/x.exe"});
    Write(root_ / "bin/trellin.env", "[DIRECTORIES]\ntools\n[FILES]\ntools\\x.exe\n");
    EXPECT_EQ(Start({"./out"}, root_), 0);
    EXPECT_EQ(Names(out_),
              (std::set<std::string>{"PROGRAMS/", "PROGRAMS/a/", "PROGRAMS/a/b.txt", "I386/",
                                     "I386/SYSTEM32/", "I386/SYSTEM32/DRIVERS/",
                                     "I386/SYSTEM32/DRIVERS/C.SYS", "TOOLS/", "TOOLS/X.EXE"}));
    EXPECT_THAT(output_, HasSubstr("\n" + (out_ / "tools").string() + "\n"));
    EXPECT_TRUE(output_.ends_with("\n\nDone.\n")) << output_;

    EXPECT_EQ(Start({}, root_), 0);
    EXPECT_THAT(output_, HasSubstr("Usage:\n  Trellin %outdir%\n"));
}

}  // namespace
