#include "platform/Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) return args;

    // The program name: quotes group, backslashes are plain characters.
    std::string first;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"') first.push_back(line[i++]);
        if (i < n) ++i;
    } else {
        while (i < n && !isBlank(line[i])) first.push_back(line[i++]);
    }
    args.push_back(std::move(first));

    while (true) {
        while (i < n && isBlank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool inQuotes = false;
        while (i < n && (inQuotes || !isBlank(line[i]))) {
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
    return args;
}

StartResult StartProgram(const std::vector<std::string>& argv, bool wait) {
    StartResult result;
    if (argv.empty() || argv[0].empty()) {
        result.error = "no program named";
        return result;
    }
    std::vector<char*> cargs;
    cargs.reserve(argv.size() + 1);
    for (const std::string& a : argv) cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, cargs[0], nullptr, nullptr, cargs.data(), environ);
    if (rc != 0) {
        result.error = std::string(argv[0]) + ": " + std::strerror(rc);
        return result;
    }
    result.started = true;
    if (!wait) {
        // Reap it in the background so it never lingers as a zombie.
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.exitCode = -1;
            return result;
        }
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.exitCode = 128 + WTERMSIG(status);
    }
    return result;
}

StartResult StartCommandLine(std::string_view commandLine, bool wait) {
    return StartProgram(SplitCommandLine(commandLine), wait);
}

bool OpenWithDesktop(const std::string& target) {
    return StartProgram({"xdg-open", target}, false).started;
}

}  // namespace platform
