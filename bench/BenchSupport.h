#pragma once
// What the benchmarks share: timing, medians and starting the baseline programs.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// Wall-clock seconds `work` takes.
inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Starts `argv` (looked up on the PATH) with its standard streams on /dev/null and waits;
// its exit code, or -1 when it could not start or did not exit.
inline int RunQuiet(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Wine quiet, and the prefix: $WINEPREFIX when set, else a new one in `folder` with a
// persistent wineserver (made here, its time printed). True when it made one, which the
// caller ends with RunQuiet({"wineserver", "-k"}).
inline bool WinePrefixForBench(const std::filesystem::path& folder) {
    ::setenv("WINEDEBUG", "-all", 1);
    if (std::getenv("WINEPREFIX")) return false;
    ::setenv("WINEPREFIX", folder.c_str(), 1);
    std::filesystem::create_directories(folder);
    RunQuiet({"wineserver", "-p"});
    std::printf("making a Wine prefix: %.1f s\n", Seconds([] { RunQuiet({"wineboot", "-i"}); }));
    return true;
}

}  // namespace bench
