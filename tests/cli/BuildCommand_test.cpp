// vrnx2-cli build: usage, profile lookup, answers without a terminal, exit codes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/IsoImage.h"
#include "tests/support/TempTree.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

extern char** environ;

namespace {

class BuildCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin = std::getenv("TEST_BIN_DIR");
        RegDeleteKey(0, kVarnexKey);
        ::unsetenv("PEBUILDER_OUTCOME");
        ::unsetenv("PEBUILDER_EXIT");
        ::unsetenv("PEBUILDER_TRACE");
        ::unsetenv("PEBUILDER_DELAY_MS");
        t.Mkdir("builder");
        std::filesystem::copy_file(bin + "/pebuilder", t.Path("builder/pebuilder.exe"));
        t.Write("source/i386/shell32.dl_", "x");
        t.Mkdir("builder/out");
        t.Write("builder/Plugin/a/a.inf", PluginInf("A"));
        TProfileRec p;
        p.ProfileName = "Rescue";
        p.Builder = {"Stand-in", t.Path("builder"), 1};
        p.Source = t.Path("source");
        p.OutDir = "out";
        WriteProfileRec(ProfileKey(1), p);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    }

    ChildRun Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {bin + "/vrnx2-cli", "build"});
        return RunChild(args, t.Path());
    }

    std::string bin;
    TempTree t;
};

TEST_F(BuildCommandTest, AnImageSourceIsUnpackedOnceAndTheCacheListedAndCleared) {
    t.Write("cd/I386/SHELL32.DL_", "x");
    ASSERT_EQ(MakeIsoImage(t.Path("cd"), t.Path("win.iso")), "");
    RegWriteString(0, ProfileKey(1), "Source", t.Path("win.iso"));
    ::setenv("XDG_CACHE_HOME", t.Path("cache").c_str(), 1);
    auto cache = [&](const std::string& what) {
        return RunChild({bin + "/vrnx2-cli", "cache", what}, t.Path());
    };

    ChildRun o = Cli({"1", "--yes"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    // Not a terminal: a start and an end line, nothing in between.
    const size_t at = o.err.find(" ...\n", o.err.find(t.Path("win.iso")));
    ASSERT_NE(at, std::string::npos) << o.err;
    EXPECT_NE(o.err.find(t.Path("win.iso")), std::string::npos);
    EXPECT_NE(o.err.find(": 100%\n", at), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\r'), std::string::npos);
    EXPECT_NE(cache("list").out.find("\tcurrent\t" + t.Path("win.iso") + "\n"), std::string::npos);

    o = Cli({"1", "--yes"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err.find("100%"), std::string::npos) << "unpacked once: " << o.err;

    EXPECT_EQ(cache("clear").exitCode, 0);
    EXPECT_EQ(cache("list").out, "");
    EXPECT_EQ(cache("bogus").exitCode, 2);
    ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(BuildCommandTest, BadUsageAndUnknownProfilesExitWith2) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"Rescue", "--mode", "fast"},
        {"Rescue", "--steps", "files"},
        {"Rescue", "--mode", "advanced", "--steps", "files,paint"},
        {"Rescue", "--bogus"},
        {"Rescue", "Other"},
        {"Nobody"},
        {"2"},
    };
    for (const auto& args : rows) {
        ChildRun o = Cli(args);
        EXPECT_EQ(o.exitCode, 2) << (args.empty() ? "(none)" : args[0]) << " " << o.err;
    }
}

TEST_F(BuildCommandTest, WithoutTerminalOrYesTheQuestionIsDeclined) {
    ChildRun o = Cli({"Rescue"});
    EXPECT_EQ(o.exitCode, 1);
    // The confirmation printed as "CAPTION: TEXT" with the built-in texts.
    EXPECT_NE(o.err.find("確認: PEをビルドします。よろしいですか？"), std::string::npos) << o.err;
    EXPECT_FALSE(PathExists(t.Path("builder/input.inf")));
}

TEST_F(BuildCommandTest, YesBuildsByPositionOrNameAndReportsTheBuilderOutcome) {
    EXPECT_EQ(Cli({"1", "--yes"}).exitCode, 0);
    EXPECT_TRUE(PathExists(t.Path("builder/out/bootsect.bin")));
    EXPECT_EQ(Cli({"--yes", "Rescue", "--mode", "advanced", "--steps", "files"}).exitCode, 0);
    EXPECT_NE(ReadAll(t.Path("builder/input.inf")).find("skipregistry=1"), std::string::npos);
    EXPECT_EQ(Cli({"Rescue", "--mode=iso", "-y"}).exitCode, 0);

    // A failure the builder only logs (it ends with 0) is a failure too.
    ::setenv("PEBUILDER_OUTCOME", "terminate", 1);
    ChildRun logged = Cli({"Rescue", "--yes"});
    EXPECT_EQ(logged.exitCode, 1);
    EXPECT_NE(logged.err.find("builder log: terminated by the user"), std::string::npos)
        << logged.err;

    ::setenv("PEBUILDER_OUTCOME", "fail", 1);
    ::setenv("PEBUILDER_EXIT", "1", 1);
    ChildRun failed = Cli({"Rescue", "--yes"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("builder exit code: 1"), std::string::npos);
}

TEST_F(BuildCommandTest, CheckFailureAndMissingBuilderExitWith1) {
    std::filesystem::remove(t.Path("builder/out/bootsect.bin"));
    ChildRun check = Cli({"Rescue", "--mode", "iso", "--yes"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.err.find("エラー: ビルドデータが存在しません。"), std::string::npos)
        << check.err;

    std::filesystem::remove(t.Path("builder/pebuilder.exe"));
    ChildRun missing = Cli({"Rescue", "--yes"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("pebuilder.exe"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find("started:"), std::string::npos) << missing.err;
    EXPECT_TRUE(PathExists(t.Path("builder/Plugin/a/a.inf")));
}

TEST_F(BuildCommandTest, ASignalStopsTheBuilderPutsThePluginFolderBackAndExitsWith128Plus) {
    RegWriteBool(0, ProfileKey(1), "Manage Order", true);
    RegWriteString(0, ProfileKey(1) + "\\Plugin", "\"A\",\"a\\a.inf\"", "\"1\",\"\",\"1\"");
    const std::string trace = t.Path("trace.txt");
    ::setenv("PEBUILDER_TRACE", trace.c_str(), 1);
    ::setenv("PEBUILDER_DELAY_MS", "60000", 1);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        std::filesystem::remove(trace);
        std::string cli = bin + "/vrnx2-cli";
        std::vector<char*> argv = {cli.data(), const_cast<char*>("build"), const_cast<char*>("1"),
                                   const_cast<char*>("--yes"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, t.Path("stderr.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // The builder writes its trace once the plugin folder is staged.
        for (int i = 0; i < 1000 && ReadAll(trace).find("tree\t001(a)/a.inf") == std::string::npos;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(PathExists(t.Path("builder/!Plugin!/a/a.inf")));
        EXPECT_GT(ProcessesMentioning(t.Path("builder")), 0);
        ::kill(pid, sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        EXPECT_NE(ReadAll(t.Path("stderr.txt")).find("stopped by signal"), std::string::npos)
            << ReadAll(t.Path("stderr.txt"));
        // The builder ended with it: no process of the builder folder is left to write.
        for (int i = 0; i < 500 && ProcessesMentioning(t.Path("builder")) > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(ProcessesMentioning(t.Path("builder")), 0);
        EXPECT_TRUE(PathExists(t.Path("builder/Plugin/a/a.inf")));
        EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));
        EXPECT_FALSE(PathExists(t.Path("builder/Plugin/001(a)")));
    }
    ::unsetenv("PEBUILDER_DELAY_MS");
    ::unsetenv("PEBUILDER_TRACE");
}

// Two builds of one builder at once lost the plugin tree: the second took the first one's
// staging for the leftover of an interrupted run, and the first's restore deleted the tree.
TEST_F(BuildCommandTest, ASecondBuildOfTheSameBuilderIsRefusedAndNoPluginIsLost) {
    RegWriteBool(0, ProfileKey(1), "Manage Order", true);
    RegWriteString(0, ProfileKey(1) + "\\Plugin", "\"A\",\"a\\a.inf\"", "\"1\",\"\",\"1\"");
    const std::string trace = t.Path("trace.txt");
    auto startSlowBuild = [&](const char* delay) {
        std::filesystem::remove(trace);
        ::setenv("PEBUILDER_TRACE", trace.c_str(), 1);
        ::setenv("PEBUILDER_DELAY_MS", delay, 1);
        StartedChild first =
            StartChild({bin + "/vrnx2-cli", "build", "1", "--yes"}, t.Path(), {}, nullptr, "first");
        ::unsetenv("PEBUILDER_DELAY_MS");
        // The builder writes its trace once the plugin folder is staged.
        for (int i = 0; i < 1000 && ReadAll(trace).find("tree\t001(a)/") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return first;
    };

    StartedChild first = startSlowBuild("2000");
    ASSERT_GT(first.pid, 0);
    ChildRun second = Cli({"1", "--yes"});
    EXPECT_EQ(second.exitCode, 3) << second.err;
    EXPECT_NE(
        second.err.find("vrnx2-cli build 1 --yes (process " + std::to_string(first.pid) + ")"),
        std::string::npos)
        << second.err;
    EXPECT_EQ(second.err.find("started:"), std::string::npos) << second.err;
    ChildRun firstRun = FinishChild(first);
    EXPECT_EQ(firstRun.exitCode, 0) << firstRun.err;
    EXPECT_TRUE(PathExists(t.Path("builder/Plugin/a/a.inf")));
    EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));
    EXPECT_FALSE(PathExists(t.Path("builder/Plugin/001(a)")));

    // The kernel drops the lock with a process killed mid-build: the next run is not refused
    // and puts the set-aside tree back.
    first = startSlowBuild("600");
    ASSERT_GT(first.pid, 0);
    ::kill(first.pid, SIGKILL);
    FinishChild(first);
    // The stand-in lives on after its caller; let it end before building again.
    for (int i = 0;
         i < 500 && ReadAll(t.Path("builder/pebuilder.log")).find("Done.") == std::string::npos;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(PathExists(t.Path("builder/!Plugin!/a/a.inf")));
    ChildRun after = Cli({"1", "--yes"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_TRUE(PathExists(t.Path("builder/Plugin/a/a.inf")));
    EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));
    ::unsetenv("PEBUILDER_TRACE");
}

TEST_F(BuildCommandTest, AStoreThatCannotBeReadIsReportedNotTakenForAMissingProfile) {
    const std::string saved = std::getenv("VRNX2_SETTINGS");
    ::setenv("VRNX2_SETTINGS", t.Write("not-a-store", std::string(4096, 'x')).c_str(), 1);
    ChildRun o = Cli({"1", "--yes"});
    ::setenv("VRNX2_SETTINGS", saved.c_str(), 1);
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_EQ(o.err.find("no profile"), std::string::npos) << o.err;
}

}  // namespace
