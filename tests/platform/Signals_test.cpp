#include "platform/Signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

TEST(HeldSignals, RecordsThemPassesThemOnAndKillsAChildThatIgnoresTheFirst) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    platform::HeldSignals held;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGTERM, SIG_IGN);
        [[maybe_unused]] ssize_t n = ::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    EXPECT_EQ(held.Received(), 0);
    std::raise(SIGTERM);  // this program goes on
    EXPECT_EQ(held.Received(), SIGTERM);
    held.ForwardToChildren();
    held.ForwardToChildren();  // nothing new: not sent again
    ::usleep(100 * 1000);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "the child should ignore SIGTERM";

    std::raise(SIGINT);
    held.ForwardToChildren();
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(held.Received(), SIGTERM);
}

}  // namespace
