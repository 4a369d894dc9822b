#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Arguments after the program name: backslashes escape a quote only when they precede it.
void AppendArguments(std::string_view line, size_t i, std::vector<std::string>& args) {
    const size_t n = line.size();
    while (true) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool inQuotes = false;
        while (i < n && (inQuotes || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (inQuotes && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(std::move(arg));
    }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) return args;

    // The program name: quotes group, backslashes are plain characters.
    std::string first;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"') first.push_back(line[i++]);
        if (i < n) ++i;
    } else {
        while (i < n && !IsBlank(line[i])) first.push_back(line[i++]);
    }
    args.push_back(std::move(first));
    AppendArguments(line, i, args);
    return args;
}

std::vector<std::string> SplitArguments(std::string_view arguments) {
    std::vector<std::string> args;
    AppendArguments(arguments, 0, args);
    return args;
}

std::string QuoteArgument(const std::string& arg) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

namespace {

// Starts argv[0] (searched in PATH when it holds no "/"); 0 or the system's error number.
int Spawn(const std::vector<std::string>& argv, const StartOptions& options, pid_t& pid) {
    std::vector<char*> cargs;
    cargs.reserve(argv.size() + 1);
    for (const std::string& a : argv) cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);

    std::vector<std::string> added;
    for (const auto& [name, value] : options.defaultEnvironment)
        if (!std::getenv(name.c_str())) added.push_back(name + "=" + value);
    for (const auto& [name, value] : options.environment) added.push_back(name + "=" + value);
    std::vector<char*> env;
    if (!added.empty()) {
        for (char** e = environ; *e; ++e) {
            const std::string_view entry(*e);
            const bool replaced = std::any_of(
                options.environment.begin(), options.environment.end(), [&](const auto& v) {
                    return entry.size() > v.first.size() &&
                           entry.compare(0, v.first.size(), v.first) == 0 &&
                           entry[v.first.size()] == '=';
                });
            if (!replaced) env.push_back(*e);
        }
        for (std::string& a : added) env.push_back(a.data());
        env.push_back(nullptr);
    }

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.ownProcessGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_t* actionsPtr = nullptr;
    if (options.quietStreams) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        for (const auto& [fd, target] : {std::pair{1, options.outputFd}, {2, options.errorFd}}) {
            if (target >= 0)
                posix_spawn_file_actions_adddup2(&actions, target, fd);
            else
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
        }
        actionsPtr = &actions;
    } else if (options.ownProcessGroup && ::isatty(0)) {
        // A group that is not the terminal's foreground would be stopped (SIGTTIN) by its
        // first read from the terminal, and the wait for it would never end.
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        actionsPtr = &actions;
    }
    const int rc = ::posix_spawnp(&pid, cargs[0], actionsPtr, &attributes, cargs.data(),
                                  env.empty() ? environ : env.data());
    if (actionsPtr) posix_spawn_file_actions_destroy(actionsPtr);
    posix_spawnattr_destroy(&attributes);
    return rc;
}

}  // namespace

StartResult StartCommandLine(std::string_view commandLine, bool wait) {
    return StartProgram(SplitCommandLine(commandLine), wait);
}

namespace {

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 0;
}

// A descriptor that becomes readable when the program ends, so a slice is one poll rather
// than a series of naps; -1 where the kernel has none.
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    // Opened with close-on-exec, so later children never inherit it.
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) return static_cast<int>(fd);
#else
    (void)pid;
#endif
    return -1;
}

}  // namespace

RunningProgram::~RunningProgram() {
    Release();
}

RunningProgram::RunningProgram(RunningProgram&& other) noexcept
    : pid_(other.pid_),
      pidFd_(other.pidFd_),
      group_(other.group_),
      ended_(other.ended_),
      exitCode_(other.exitCode_) {
    other.pid_ = -1;
    other.group_ = -1;
    other.pidFd_ = -1;
    other.ended_ = false;
}

RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = other.pid_;
        pidFd_ = other.pidFd_;
        group_ = other.group_;
        ended_ = other.ended_;
        exitCode_ = other.exitCode_;
        other.pid_ = -1;
        other.group_ = -1;
        other.pidFd_ = -1;
        other.ended_ = false;
    }
    return *this;
}

void RunningProgram::Release() {
    if (pidFd_ >= 0) ::close(pidFd_);
    pidFd_ = -1;
    if (pid_ > 0 && !Collect(false)) {
        // Still running: never left as a zombie, never waited for here.
        std::thread([pid = pid_] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    pid_ = -1;
}

RunningProgram RunningProgram::Start(const std::vector<std::string>& argv, std::string* error,
                                     const StartOptions& options) {
    RunningProgram program;
    if (error) error->clear();
    if (argv.empty() || argv[0].empty()) {
        if (error) *error = "no program named";
        return program;
    }
    pid_t pid = 0;
    const int rc = Spawn(argv, options, pid);
    if (rc != 0) {
        if (error) *error = std::string(argv[0]) + ": " + std::strerror(rc);
        return program;
    }
    program.pid_ = pid;
    program.pidFd_ = OpenPidFd(pid);
    if (options.ownProcessGroup) program.group_ = pid;
    return program;
}

RunningProgram RunningProgram::StartCommandLine(std::string_view commandLine, std::string* error) {
    return Start(SplitCommandLine(commandLine), error);
}

// Collects the exit status once the program has ended; with `block`, waits for it.
bool RunningProgram::Collect(bool block) {
    if (ended_) return true;
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    // r < 0: the status is gone (the child was reaped elsewhere); it has ended all the same.
    exitCode_ = r < 0 ? -1 : ExitCodeOf(status);
    ended_ = true;
    pid_ = -1;
    if (pidFd_ >= 0) ::close(pidFd_);
    pidFd_ = -1;
    return true;
}

bool RunningProgram::WaitFor(int milliseconds, int& exitCode) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    while (!Collect(false)) {
        if (pid_ <= 0) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        if (pidFd_ >= 0) {
            pollfd fd{pidFd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
                ::close(pidFd_);
                pidFd_ = -1;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 5)));
        }
    }
    exitCode = exitCode_;
    return true;
}

int RunningProgram::Wait() {
    if (!Collect(true)) return -1;
    return exitCode_;
}

bool RunningProgram::SignalGroup(int sig) const {
    // The group's id stays taken while any member lives, so it never names a stranger.
    return group_ > 0 && ::killpg(group_, sig) == 0;
}

// The one way a program is started: a program not waited for is reaped in the background
// when its RunningProgram goes.
StartResult StartProgram(const std::vector<std::string>& argv, bool wait,
                         const StartOptions& options) {
    StartResult result;
    RunningProgram program = RunningProgram::Start(argv, &result.error, options);
    result.started = program.Started();
    if (result.started && wait) result.exitCode = program.Wait();
    return result;
}

bool OpenWithDesktop(const std::string& target) {
    return StartProgram({"xdg-open", target}, false).started;
}

}  // namespace platform
