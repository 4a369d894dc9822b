// Waiting for a started program in slices.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "platform/Process.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/TempDir.h"

using platform::RunningProgram;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

TEST(RunningProgramTest, WaitsInSlicesAndKeepsTheExitCode) {
    std::string error = "stale";
    RunningProgram moved =
        RunningProgram::StartCommandLine("/bin/sh -c \"sleep 0.3; exit 7\"", &error);
    ASSERT_TRUE(moved.Started());
    EXPECT_EQ(error, "");
    RunningProgram program = std::move(moved);
    EXPECT_FALSE(moved.Started());

    int code = -100;
    int slices = 0;
    const auto start = Clock::now();
    while (!program.WaitFor(20, code)) ++slices;
    EXPECT_GE(slices, 5);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_EQ(code, 7);
    // Asking again answers the same, without waiting.
    code = -100;
    EXPECT_TRUE(program.WaitFor(0, code));
    EXPECT_EQ(code, 7);
}

TEST(RunningProgramTest, ExitCodesOfQuickAndKilledPrograms) {
    const struct {
        const char* commandLine;
        int code;
    } rows[] = {
        {"/bin/true", 0},
        {"/bin/false", 1},
        {"/bin/sh -c \"kill -TERM $$\"", 128 + 15},
    };
    for (const auto& row : rows) {
        RunningProgram program = RunningProgram::StartCommandLine(row.commandLine);
        int code = -100;
        ASSERT_TRUE(program.WaitFor(5000, code)) << row.commandLine;
        EXPECT_EQ(code, row.code) << row.commandLine;
    }
}

TEST(RunningProgramTest, ProgramThatCannotStartIsNeverWaitedFor) {
    std::string error;
    RunningProgram program = RunningProgram::Start({"/nonexistent/program", "arg"}, &error);
    EXPECT_FALSE(program.Started());
    EXPECT_NE(error.find("/nonexistent/program"), std::string::npos);
    int code = -100;
    const auto start = Clock::now();
    EXPECT_FALSE(program.WaitFor(2000, code));
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_EQ(code, -100);
}

TEST(RunningProgramTest, LettingGoOfARunningProgramDoesNotWaitForIt) {
    const auto start = Clock::now();
    {
        RunningProgram program = RunningProgram::Start({"sleep", "2"});
        ASSERT_TRUE(program.Started());
        int code = 0;
        EXPECT_FALSE(program.WaitFor(0, code));
    }
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST(RunningProgramTest, AGroupSignalReachesChildrenThatOutliveTheLeader) {
    platform::StartOptions options;
    options.ownProcessGroup = true;
    // The leader ends at once; its child sleeps on in the same group.
    TempDir dir("vrnx2-group");
    const std::string pidFile = (dir.path() / "child").string();
    RunningProgram program = RunningProgram::Start(
        {"/bin/sh", "-c", "sleep 60 & echo $! > '" + pidFile + "'"}, nullptr, options);
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Wait(), 0);
    int child = 0;
    std::ifstream(pidFile) >> child;
    ASSERT_GT(child, 0);
    EXPECT_TRUE(program.SignalGroup(SIGKILL));
    for (int i = 0; i < 200 && ProcessAlive(child); ++i) ::usleep(10000);
    EXPECT_FALSE(ProcessAlive(child));
}
