#pragma once
// What the benchmarks share: timing, medians and starting the baseline programs.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
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

struct ChildRun {
    int exitCode = -1;  // -1 when it could not start or did not exit
    double wall = 0;    // seconds
    double cpu = 0;     // user + system seconds of the child
};

// Starts `argv` (looked up on the PATH) with its standard streams on /dev/null and waits.
inline ChildRun RunQuietTimed(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
    ChildRun run;
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        wait4(pid, &status, 0, &usage);
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

// The exit code of `argv` run as RunQuietTimed runs it.
inline int RunQuiet(std::vector<std::string> argv) {
    return RunQuietTimed(std::move(argv)).exitCode;
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
