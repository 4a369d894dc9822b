// Stopping a build whose builder hangs, ignores the terminate signal and starts children:
// the whole process group ends, nothing goes on writing into the output, the plugin folder
// is put back and the report says the run was stopped. From the core, and from the console
// by the time limit.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempTree.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

class BuildStopTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKey(0, kVarnexKey);
        t.Write("source/i386/shell32.dl_", "x");
        t.Mkdir("builder/out");
        t.Mkdir("prog");
        t.Write("builder/Plugin/a/a.inf", PluginInf("A"));
        WriteHangingBuilder(t.Path("builder"));
        profile.ProfileName = "Hangs";
        profile.Builder = {"Script", t.Path("builder"), 1};
        profile.Source = t.Path("source");
        profile.OutDir = "out";
        profile.ManageOrder = true;  // the plugin folder is moved aside while it runs
        WriteProfileRec(ProfileKey(1), profile);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    }

    // Every process of the builder has gone (reaped by whoever adopted it), no shell of its
    // script is left to write into the output; the plugin folder is back as it was.
    void ExpectNothingLeft() {
        const std::vector<int> pids = HangingBuilderPids(t.Path("builder"));
        ASSERT_EQ(pids.size(), 3u);
        for (int pid : pids) {
            for (int i = 0; i < 100 && ProcessAlive(pid); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_FALSE(ProcessAlive(pid)) << pid;
        }
        EXPECT_FALSE(ReadAll(t.Path("builder/out/grow.txt")).empty());
        EXPECT_EQ(ProcessesMentioning(t.Path("builder")), 0);
        EXPECT_TRUE(PathExists(t.Path("builder/Plugin/a/a.inf")));
        EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));
    }

    TempTree t;
    TProfileRec profile;
};

TEST_F(BuildStopTest, AStopEndsTheWholeGroupAndTheReportSaysSo) {
    ScriptedInterface ui;
    ui.QueueAnswer(ID_YES);
    bool stashedWhileRunning = false;
    ui.stopWhen = [&] {
        if (HangingBuilderPids(t.Path("builder")).empty()) return false;
        stashedWhileRunning = stashedWhileRunning || PathExists(t.Path("builder/!Plugin!"));
        return true;
    };
    const auto started = std::chrono::steady_clock::now();
    const BuildResult result =
        RunBuild(BuildMode::Basic, profile, {}, BuildEnvironment{t.Path("prog")});
    EXPECT_TRUE(result.builderStarted);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_TRUE(result.pluginFolderRestored);
    EXPECT_TRUE(stashedWhileRunning);
    // The terminate signal is ignored: the kill follows after the grace, not much later.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    ExpectNothingLeft();
    EXPECT_NE(ReadAll(t.Path("prog/build.info")).find("Stopped: True"), std::string::npos);
}

TEST_F(BuildStopTest, TheConsoleStopsABuilderThatOutrunsItsTimeLimit) {
    const std::string bin = std::getenv("TEST_BIN_DIR");
    ChildRun o = RunChild({bin + "/vrnx2-cli", "build", "1", "--yes", "--timeout", "1"}, t.Path());
    EXPECT_EQ(o.exitCode, 124) << o.err;
    EXPECT_NE(o.err.find("time limit of 1 seconds"), std::string::npos) << o.err;
    ExpectNothingLeft();
    for (const char* bad : {"0", "x", "-3", "1.5"}) {
        ChildRun u = RunChild({bin + "/vrnx2-cli", "build", "1", "--timeout", bad}, t.Path());
        EXPECT_EQ(u.exitCode, 2) << bad;
    }
}

}  // namespace
