#pragma once
// A builder that never ends: a script that ignores the terminate signal and starts two
// children that ignore it too, one of them writing into the build output; and ways to see
// which processes are left. For the tests of stopping a build.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Writes the script as `builderDir`/pebuilder.exe; it lists its own and its children's
// process ids in `builderDir`/pids.txt once all are running.
inline void WriteHangingBuilder(const std::filesystem::path& builderDir) {
    const std::string dir = builderDir.string();
    const std::filesystem::path script = builderDir / "pebuilder.exe";
    std::ofstream(script) << "#!/bin/sh\n"
                             "trap '' TERM INT HUP\n"
                             "sleep 600 &\n"
                             "a=$!\n"
                             "( while :; do echo x >> '"
                          << dir
                          << "/out/grow.txt'; sleep 0.05; done ) &\n"
                             "b=$!\n"
                             "echo Working... > '"
                          << dir
                          << "/pebuilder.log'\n"
                             "echo \"$$ $a $b\" > '"
                          << dir
                          << "/pids.tmp'\n"
                             "mv '"
                          << dir << "/pids.tmp' '" << dir
                          << "/pids.txt'\n"
                             "while :; do sleep 1; done\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

inline std::vector<int> HangingBuilderPids(const std::filesystem::path& builderDir) {
    std::ifstream in(builderDir / "pids.txt");
    std::vector<int> pids;
    for (int pid = 0; in >> pid;) pids.push_back(pid);
    return pids;
}

// A file of /proc; empty once the process has gone (also while it is being read).
inline std::string ReadProcFile(const std::filesystem::path& file) {
    std::string text;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

// Processes whose command line mentions `text`.
inline int ProcessesMentioning(const std::string& text) {
    int found = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator e("/proc", ec), end; !ec && e != end; e.increment(ec))
        if (ReadProcFile(e->path() / "cmdline").find(text) != std::string::npos) ++found;
    return found;
}

// Running, and not a zombie waiting to be reaped.
inline bool ProcessAlive(int pid) {
    if (::kill(pid, 0) != 0) return false;
    const std::string stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}
