// Times extracting one MSZIP cabinet of many files (about 50 MB unpacked) with the cabinet
// reader against cabextract on the same cabinet, in the same run, and prints the ratio.
//
//   bench_cab_extract [WORK_FOLDER] [ROUNDS]
//
// The cabinet and the extracted trees live in WORK_FOLDER (default: a new temporary
// folder, removed at the end). Each round extracts with both, in alternating order; the
// medians of each are compared, for wall-clock time and for processor time (user + system),
// which is steadier on a busy machine.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CabWriter.h"
#include "bench/BenchSupport.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"

using namespace vrnx2;

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr size_t kTotalBytes = 50u * 1024 * 1024;

// Text-like content (words from a small vocabulary), so MSZIP has work to do.
std::string MakeContent(size_t size, uint32_t& seed) {
    static const char* const kWords[] = {
        "plugin",       "builder", "[PEBuilder]", "Name=",
        "Enable=1",     "\r\n",    "system32",    "shell32.dll",
        "HKLM",         "0x0001",  "driver",      "setup",
        "; comment",    "files",   "=",           ",",
        "\"",           "Windows", "inf",         "Software\\Classes",
        "drivers\\etc", "1",       "2",           "3"};
    std::string s;
    s.reserve(size + 32);
    while (s.size() < size) {
        seed = seed * 1103515245u + 12345u;
        s += kWords[(seed >> 16) % std::size(kWords)];
        s += ' ';
    }
    s.resize(size);
    return s;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Cpu(const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Timing TimeReader(const std::string& cab, const std::string& out) {
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    auto start = std::chrono::steady_clock::now();
    TSTCabReader reader;
    reader.ExtractCabinet(cab, out, false);
    Timing t;
    t.wall = Seconds(std::chrono::steady_clock::now() - start);
    ::getrusage(RUSAGE_SELF, &after);
    t.cpu = Cpu(after) - Cpu(before);
    return t;
}

Timing TimeCabextract(const std::string& cab, const std::string& out) {
    std::vector<std::string> args = {"cabextract", "-q", "-d", out, cab};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "cabextract", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (rc != 0 || ::wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cabextract failed\n");
        std::exit(1);
    }
    return Timing{Seconds(std::chrono::steady_clock::now() - start), Cpu(usage)};
}

}  // namespace

int main(int argc, char** argv) {
    bool temporary = argc < 2;
    fs::path work;
    if (temporary) {
        std::string tmpl = (fs::temp_directory_path() / "bench-cab-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) return 1;
        work = tmpl;
    } else {
        work = argv[1];
        fs::create_directories(work);
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    // Many files of mixed sizes (1 KB to 120 KB) in a few folders, as plugin sets are.
    std::vector<cabtest::Entry> entries;
    uint32_t seed = 7;
    size_t total = 0;
    for (int i = 0; total < kTotalBytes; ++i) {
        seed = seed * 1103515245u + 12345u;
        size_t size = 1024 + (seed >> 8) % (120 * 1024);
        cabtest::Entry e;
        e.name = "plugin" + std::to_string(i % 40) + "\\file" + std::to_string(i) + ".txt";
        e.data = MakeContent(size, seed);
        e.folder = static_cast<unsigned>(i % 4);
        total += size;
        entries.push_back(std::move(e));
    }
    const std::string cab = (work / "bench.cab").string();
    cabtest::WriteBytes(cab, cabtest::BuildCabinet(entries, cabtest::Compression::Mszip));
    std::printf("cabinet: %zu files, %.1f MB unpacked, %.1f MB packed\n", entries.size(),
                static_cast<double>(total) / 1048576.0,
                static_cast<double>(fs::file_size(cab)) / 1048576.0);

    std::vector<Timing> reader, baseline;
    for (int r = 0; r < rounds; ++r) {
        const std::string a = (work / "reader").string(), b = (work / "cabextract").string();
        fs::remove_all(a);
        fs::remove_all(b);
        if (r % 2 == 0) {
            reader.push_back(TimeReader(cab, a));
            baseline.push_back(TimeCabextract(cab, b));
        } else {
            baseline.push_back(TimeCabextract(cab, b));
            reader.push_back(TimeReader(cab, a));
        }
        std::printf("round %d: reader %.3f s (cpu %.3f s), cabextract %.3f s (cpu %.3f s)\n", r + 1,
                    reader.back().wall, reader.back().cpu, baseline.back().wall,
                    baseline.back().cpu);
    }
    auto median = [](const std::vector<Timing>& v, double Timing::*field) {
        std::vector<double> x;
        for (const Timing& t : v) x.push_back(t.*field);
        return bench::Median(x);
    };
    const double wr = median(reader, &Timing::wall), wb = median(baseline, &Timing::wall);
    const double cr = median(reader, &Timing::cpu), cb = median(baseline, &Timing::cpu);
    std::printf("median wall: reader %.3f s, cabextract %.3f s, ratio %.2f\n", wr, wb, wr / wb);
    std::printf("median cpu:  reader %.3f s, cabextract %.3f s, ratio %.2f\n", cr, cb, cr / cb);
    if (temporary) fs::remove_all(work);
    return 0;
}
