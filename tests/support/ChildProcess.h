#pragma once
// Runs a built program the way a person's shell would, without a shell: standard input from
// /dev/null, standard output and error kept in files, the exit code waited for.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

struct ChildRun {
    int exitCode = -1;  // -1: not started, or ended by a signal
    std::string out;
    std::string err;
};

// A child started without waiting; FinishChild waits for it and collects its output.
struct StartedChild {
    pid_t pid = -1;  // -1: not started
    std::string outFile;
    std::string errFile;
};

// `argv[0]` is the program's path; the output files are kept in `scratch` meanwhile (under
// `tag`, so several children may run at once); an empty `cwd` is the test's own; `env` holds
// "NAME=value" each, null for the test's own.
inline StartedChild StartChild(const std::vector<std::string>& argv,
                               const std::filesystem::path& scratch,
                               const std::filesystem::path& cwd = {},
                               const std::vector<std::string>* env = nullptr,
                               const std::string& tag = "child") {
    StartedChild child;
    child.outFile = (scratch / (tag + "-stdout.txt")).string();
    child.errFile = (scratch / (tag + "-stderr.txt")).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, child.outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, child.errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argText = argv;
    std::vector<std::string> envText = env ? *env : std::vector<std::string>{};
    std::vector<char*> args, envp;
    for (auto& a : argText) args.push_back(a.data());
    args.push_back(nullptr);
    for (auto& v : envText) envp.push_back(v.data());
    envp.push_back(nullptr);
    char** environment = env ? envp.data() : environ;
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environment) == 0)
        child.pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

inline ChildRun FinishChild(const StartedChild& child) {
    ChildRun run;
    if (child.pid > 0) {
        int status = 0;
        waitpid(child.pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    for (auto [file, text] :
         {std::pair{&child.outFile, &run.out}, std::pair{&child.errFile, &run.err}}) {
        std::ifstream in(*file, std::ios::binary);
        text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::filesystem::remove(*file);
    }
    return run;
}

inline ChildRun RunChild(const std::vector<std::string>& argv, const std::filesystem::path& scratch,
                         const std::filesystem::path& cwd = {},
                         const std::vector<std::string>* env = nullptr) {
    return FinishChild(StartChild(argv, scratch, cwd, env));
}
