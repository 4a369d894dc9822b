// The rewrite of files that belong to someone, and its safety when the program is killed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "platform/Files.h"
#include "quenfa/Driver.h"
#include "quenfa/Reduce.h"
#include "tests/support/FailingFileSystem.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace quenfa {
namespace {

namespace fs = std::filesystem;

struct stat StatOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st;
}

class RewriteTest : public ::testing::Test {
protected:
    std::string Run(const fs::path& p) { return ReduceFile(p, lists_, {"0411", 932, "."}); }
    size_t Entries() const {
        return std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator());
    }
    TempDir dir_;
    LineLists lists_;
};

TEST_F(RewriteTest, OwnerGroupModeAndTimeAreKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving files to other users needs root";
    struct Case {
        uid_t owner;
        gid_t group;
        mode_t mode, expected;  // read-only is reset, every other bit stays
    };
    int n = 0;
    for (const Case c : {Case{4321, 4322, 0600, 0600}, Case{4321, 0, 0440, 0640},
                         Case{0, 4322, 02750, 02750}, Case{4321, 4322, 04400, 04600}}) {
        const auto p = dir_.Write("o" + std::to_string(n++) + ".inf", "a = 1\r\n");
        ASSERT_EQ(::chown(p.c_str(), c.owner, c.group), 0);
        ASSERT_EQ(::chmod(p.c_str(), c.mode), 0);
        ASSERT_TRUE(platform::SetWriteTime(p, {1000000000, 500}));
        EXPECT_EQ(Run(p), "71.4");
        const struct stat st = StatOf(p);
        EXPECT_EQ(TempDir::Read(p), "a=1\r\n");
        EXPECT_EQ(st.st_uid, c.owner) << p;
        EXPECT_EQ(st.st_gid, c.group) << p;
        EXPECT_EQ(st.st_mode & 07777, c.expected) << p;
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
        EXPECT_EQ(st.st_mtim.tv_nsec, 500);
    }
    EXPECT_EQ(Entries(), 4u);
}

TEST_F(RewriteTest, OwnerThatCannotBeKeptLeavesTheFileUntouched) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up another user's file";
    // Root's file in a folder everyone may write to: another user can read it and make a
    // temporary file beside it, but cannot give that file to root.
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0777), 0);
    const auto p = dir_.Write("root.inf", "a = 1\r\n");
    ASSERT_EQ(::chmod(p.c_str(), 0444), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        try {
            Run(p);
        } catch (const std::exception&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(TempDir::Read(p), "a = 1\r\n");
    EXPECT_EQ(StatOf(p).st_mode & 07777, 0444u);  // not even the read-only bit went
    EXPECT_EQ(StatOf(p).st_uid, 0u);
    EXPECT_EQ(Entries(), 1u);
}

// Every file failing on a full disk looked like " - Failure." with exit code 0 and no reason.
// Now a failure at any step of the rewrite leaves the file whole and no temporary file, and
// the run says which file and why, and ends with 1.
TEST_F(RewriteTest, AFailureAtEveryStepOfTheRewriteLosesNothingAndSaysWhy) {
    const fs::path p = dir_.Write("a.inf", "a = 1\r\n");
    int exit = 0;
    std::ostringstream out, err;
    const int steps = FailEveryStep(
        {ENOSPC, EIO, EACCES},
        [&] {
            out.str({});
            err.str({});
            exit = RunQuenfa({dir_.path().string()}, out, err);
        },
        [&](int code, int nth) {
            EXPECT_EQ(exit, 1) << nth;
            EXPECT_NE(out.str().find("Processing...a.inf - Failure.\n"), std::string::npos);
            EXPECT_NE(err.str().find(p.string()), std::string::npos) << err.str();
            EXPECT_NE(err.str().find(std::strerror(code)), std::string::npos) << err.str();
            EXPECT_EQ(TempDir::Read(p), "a = 1\r\n") << nth;
            EXPECT_EQ(Entries(), 1u) << nth;
        },
        [&] {
            EXPECT_EQ(exit, 0) << err.str();
            dir_.Write("a.inf", "a = 1\r\n");
        });
    EXPECT_EQ(steps, 3 * 5);  // open, temporary file, write, close, rename
}

TEST_F(RewriteTest, NameAtTheLengthLimitIsRewritten) {
    const auto p = dir_.Write(std::string(251, 'n') + ".inf", "a = 1\r\n");
    EXPECT_EQ(Run(p), "71.4");
    EXPECT_EQ(TempDir::Read(p), "a=1\r\n");
    EXPECT_EQ(Entries(), 1u);
}

// Starts the program on `dir` with its output into `out`; 0 when it cannot be started.
pid_t Spawn(const fs::path& dir, const fs::path& out = "/dev/null") {
    std::vector<std::string> args = {QUENFA_PROGRAM, "-R", dir.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    // Only a real child may ever be signalled: kill() with 0 or -1 reaches other processes.
    return pid > 0 ? pid : 0;
}

TEST(KilledRun, EveryFileHoldsItsOldOrItsNewContentAtEveryInstant) {
    TempDir dir;
    constexpr int kFiles = 24;
    std::string old, reduced;
    for (int i = 0; i < 8000; ++i) {
        old += "key" + std::to_string(i) + " = value , x ; note\r\n";
        reduced += "key" + std::to_string(i) + "=value,x\r\n";
    }
    auto path = [&](int i) {
        return dir.path() / ("d" + std::to_string(i % 3)) / (std::to_string(i) + ".inf");
    };
    std::vector<ino_t> inodes(kFiles);
    auto reset = [&] {
        for (int i = 0; i < kFiles; ++i) {
            dir.Write(path(i).lexically_relative(dir.path()), old);
            ::chmod(path(i).c_str(), 0640);
            platform::SetWriteTime(path(i), {1000000000, 0});
            inodes[i] = StatOf(path(i)).st_ino;
        }
    };
    // A run to its end, timed, so that the kills below land inside a run on any machine.
    reset();
    TempDir log;
    const auto start = std::chrono::steady_clock::now();
    const pid_t full = Spawn(dir.path(), log.path() / "out");
    ASSERT_GT(full, 0);
    int status = 0;
    ::waitpid(full, &status, 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string out = TempDir::Read(log.path() / "out");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3 + kFiles + 1) << out;
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(TempDir::Read(path(i)), reduced) << path(i);

    int mixed = 0;  // killed runs that had rewritten some files and not others
    int kills = 0;
    // The later, shorter delays only where no kill has yet met a run half done (a machine
    // whose load changed since the timed run).
    for (const int percent : {10, 30, 50, 70, 90, 20, 5, 2, 1}) {
        if (kills++ >= 5 && mixed > 0) break;
        reset();
        std::atomic<bool> running = true;
        std::atomic<int> torn = 0;
        std::thread reader([&] {
            for (int i = 0; running; i = (i + 1) % kFiles) {
                const std::string now = platform::ReadFile(path(i)).value_or("");
                if (now != old && now != reduced) ++torn;
            }
        });
        const pid_t pid = Spawn(dir.path());
        if (pid <= 0) {
            running = false;
            reader.join();
            FAIL() << "cannot start " << QUENFA_PROGRAM;
        }
        std::this_thread::sleep_for(whole * percent / 100);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        running = false;
        reader.join();
        EXPECT_EQ(torn, 0) << "killed at " << percent << " %";
        int rewritten = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string now = platform::ReadFile(path(i)).value_or("");
            EXPECT_TRUE(now == old || now == reduced)
                << path(i) << " killed at " << percent << " %";
            rewritten += now == reduced;
            const struct stat st = StatOf(path(i));
            // Never written in place, where a reader could meet half a file: a new file
            // takes the old one's place.
            EXPECT_EQ(st.st_ino == inodes[i], now == old) << path(i);
            EXPECT_EQ(st.st_mode & 07777, 0640u);
            EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
        }
        mixed += rewritten > 0 && rewritten < kFiles;
    }
    EXPECT_GT(mixed, 0);
    // A killed run leaves at most hidden temporary files beside the files, which no later
    // run takes for setup information.
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file()) {
            EXPECT_TRUE(name.starts_with(".") || name.ends_with(".inf")) << name;
        }
    }
}

}  // namespace
}  // namespace quenfa
