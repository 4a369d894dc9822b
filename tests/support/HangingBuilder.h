#pragma once
// A builder that never ends: a script that ignores the terminate signal and starts two
// children that ignore it too, one of them writing into the build output. For the tests of
// stopping a build.

#include <signal.h>

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

// Running, and not a zombie waiting to be reaped.
inline bool ProcessAlive(int pid) {
    if (::kill(pid, 0) != 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}
