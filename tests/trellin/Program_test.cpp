// The built program on a real tree: the list file beside the program, a relative directory.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "TreeFixture.h"
#include "tests/support/ChildProcess.h"

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
        std::vector<std::string> argv = {program_.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        const ChildRun run = RunChild(argv, root_, cwd);
        output_ = run.out;
        return run.exitCode;
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
