#pragma once
// Starting programs directly (never through a shell).

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Splits a command line by the Windows rules (double quotes group, backslashes before a
// quote escape it, "" inside quotes is a literal quote).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Splits only arguments (no program name first) by the same rules.
std::vector<std::string> SplitArguments(std::string_view arguments);

// Quotes one argument so that SplitCommandLine gives it back as it is.
std::string QuoteArgument(const std::string& arg);

// How a program is started, beyond its argument list.
struct StartOptions {
    // Set in the child's environment unless the caller's environment already has them.
    std::vector<std::pair<std::string, std::string>> defaultEnvironment;
    // Set in the child's environment, replacing the caller's values.
    std::vector<std::pair<std::string, std::string>> environment;
    // Standard input, output and error on /dev/null: helper processes that outlive the
    // program then hold no pipe of the caller open.
    bool quietStreams = false;
    // With quietStreams: standard output and error to these descriptors (files) instead of
    // /dev/null.
    int outputFd = -1;
    int errorFd = -1;
    // The program leads a process group of its own, so a stop can end it together with
    // every child it started (SignalGroup), and a terminal's Ctrl+C reaches only the caller.
    // Its standard input is then /dev/null where it would be the terminal.
    bool ownProcessGroup = false;
};

struct StartResult {
    bool started = false;
    int exitCode = 0;   // when waited for; 128+signal when killed by a signal
    std::string error;  // the system's reason when not started
};

// Starts argv[0] (searched in PATH when it holds no "/") with the caller's environment and
// current folder. When wait is true, waits for it to end.
StartResult StartProgram(const std::vector<std::string>& argv, bool wait,
                         const StartOptions& options = {});
StartResult StartCommandLine(std::string_view commandLine, bool wait);

// A started program that is waited for in slices, so the caller can keep its windows alive
// in between. A program still running when its RunningProgram goes away is left running and
// reaped in the background, as one started without waiting.
class RunningProgram {
public:
    RunningProgram() = default;
    ~RunningProgram();
    RunningProgram(RunningProgram&& other) noexcept;
    RunningProgram& operator=(RunningProgram&& other) noexcept;
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Starts argv[0] as StartProgram does. Started() is false, with the reason in `error`,
    // when it could not be started.
    static RunningProgram Start(const std::vector<std::string>& argv, std::string* error = nullptr,
                                const StartOptions& options = {});
    static RunningProgram StartCommandLine(std::string_view commandLine,
                                           std::string* error = nullptr);

    bool Started() const { return pid_ > 0 || ended_; }
    // Waits at most `milliseconds` (0 only looks). True once the program has ended, with its
    // exit code in `exitCode` (128+signal when killed, -1 when it could not be collected);
    // false while it runs, and for a program that was never started.
    bool WaitFor(int milliseconds, int& exitCode);
    // Waits for the program to end and returns its exit code as WaitFor gives it; -1 for a
    // program that was never started.
    int Wait();

    // The program's process id while it runs (-1 before a start and once it was collected).
    int Id() const { return pid_; }
    // Sends `sig` to the program's process group (ownProcessGroup), also after the program
    // itself has ended, while children of it remain. False when no process was reached.
    bool SignalGroup(int sig) const;

private:
    void Release();
    bool Collect(bool block);

    int pid_ = -1;
    int pidFd_ = -1;  // readable once the program ends, where the system offers it
    int group_ = -1;  // its own process group, when started so
    bool ended_ = false;
    int exitCode_ = 0;
};

// Opens a folder, document or URL with the desktop's handler (xdg-open), without waiting.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
