#pragma once
// Starting programs directly (never through a shell).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line by the Windows rules (double quotes group, backslashes before a
// quote escape it, "" inside quotes is a literal quote).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

struct StartResult {
    bool started = false;
    int exitCode = 0;      // when waited for; 128+signal when killed by a signal
    std::string error;     // the system's reason when not started
};

// Starts argv[0] (searched in PATH when it holds no "/") with the caller's environment and
// current folder. When wait is true, waits for it to end.
StartResult StartProgram(const std::vector<std::string>& argv, bool wait);
StartResult StartCommandLine(std::string_view commandLine, bool wait);

// Opens a folder, document or URL with the desktop's handler (xdg-open), without waiting.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
