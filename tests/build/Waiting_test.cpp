// Waiting for the builder without freezing: the wait is sliced, pending window messages go
// through between slices, and the window is told which log to follow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempTree.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/build/LogTail.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"

using namespace vrnx2;

namespace {

// Follows the watched log as a window would, between the slices of the wait.
class WatchingInterface : public ScriptedInterface {
public:
    void ProcessMessages() override {
        ScriptedInterface::ProcessMessages();
        if (watched.empty()) return;
        ++whileWatching;
        for (const auto& line : ReadLogTail(watched, 3)) seen.push_back(line);
    }
    void WatchLog(const std::string& logFile) override {
        watched = logFile;
        watchCalls.push_back(logFile);
    }

    std::string watched;
    std::vector<std::string> watchCalls;
    std::vector<std::string> seen;
    int whileWatching = 0;
};

bool Seen(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

TEST(WaitingTest, RunProgramLetsMessagesThroughWhileItWaits) {
    ScriptedInterface ui;
    EXPECT_EQ(RunProgram("/bin/sh -c \"sleep 0.4; exit 5\"", true), 5);
    EXPECT_GE(ui.processMessagesCalls, 4);

    // Not started: 0 at once, with the reason, and nothing waited for.
    ui.processMessagesCalls = 0;
    std::string error;
    EXPECT_EQ(RunProgram("\"/nonexistent/builder\" -auto", true, &error), 0);
    EXPECT_NE(error.find("/nonexistent/builder"), std::string::npos);
    EXPECT_EQ(ui.processMessagesCalls, 0);
}

class WaitingBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageTable::Instance().LoadBuiltIn();
        RegDeleteKey(0, kVarnexKey);
        ::unsetenv("PEBUILDER_OUTCOME");
        ::unsetenv("PEBUILDER_EXIT");
        ::unsetenv("PEBUILDER_TRACE");
        ::setenv("PEBUILDER_DELAY_MS", "600", 1);
        const char* bin = std::getenv("TEST_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        t.Mkdir("builder/out");
        t.Mkdir("prog");
        std::filesystem::copy_file(std::string(bin) + "/pebuilder",
                                   t.Path("builder/pebuilder.exe"));
        t.Write("source/I386/SHELL32.DL_", "shell32");
        t.Write("builder/pebuilder.log", "the last build's lines\r\n");
        p.ProfileName = "Slow";
        p.ProfileNumber = 1;
        p.Builder = {"Stand-in", t.Path("builder"), 1};
        p.Source = t.Path("source") + "/";
        p.OutDir = "out";
        p.ISOPath = t.Path("iso") + "/";
        p.ISOFile = "pe.iso";
    }
    void TearDown() override { ::unsetenv("PEBUILDER_DELAY_MS"); }

    TempTree t;
    TProfileRec p;
};

TEST_F(WaitingBuildTest, TheLogIsFollowedWhileTheBuilderRuns) {
    WatchingInterface ui;
    ui.QueueAnswer(ID_YES);
    const BuildResult r = RunBuild(BuildMode::Basic, p, {}, BuildEnvironment{t.Path("prog")});
    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text);

    const std::string log = t.Path("builder/pebuilder.log");
    EXPECT_EQ(ui.watchCalls, (std::vector<std::string>{log, ""}));
    EXPECT_GE(ui.whileWatching, 5);
    // The log was emptied before the builder started, and its lines were seen as they came.
    EXPECT_FALSE(Seen(ui.seen, "the last build's lines"));
    EXPECT_TRUE(Seen(ui.seen, "Stand-in builder, options: -auto -exit -overwrite"));
    EXPECT_TRUE(Seen(ui.seen, "Working..."));
}

}  // namespace
