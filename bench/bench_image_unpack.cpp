// Times unpacking a CD image of several hundred megabytes (a Windows-CD-like tree: many
// small files, some large ones, Joliet names) with UnpackImage against `bsdtar -xf` of the
// same image, in the same run, and prints the ratio of the medians. Also prints the
// program's peak resident memory, which stays bounded because files are streamed.
//
//   bench_image_unpack [WORK_FOLDER] [ROUNDS] [MEGABYTES]
//
// The tree, the image (made with xorriso) and the unpacked trees live in WORK_FOLDER
// (default: a new temporary folder, removed at the end).

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "vrnx2/build/SourceImage.h"

using namespace vrnx2;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, size_t size, std::mt19937& gen) {
    fs::create_directories(path.parent_path());
    std::string data(size, '\0');
    // Half random, half repeated: like compressed and uncompressed files of a CD.
    for (size_t i = 0; i < size / 2; ++i) data[i] = static_cast<char>(gen());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
}

// About `megabytes` in a tree shaped like a Windows CD.
void MakeTree(const fs::path& root, size_t megabytes) {
    std::mt19937 gen(42);
    const size_t total = megabytes << 20;
    size_t written = 0;
    for (int i = 0; written < total; ++i) {
        size_t size;
        fs::path name;
        if (i % 200 == 0) {
            size = 8u << 20;  // a large cabinet
            name = root / "I386" / ("DRIVER" + std::to_string(i) + ".CAB");
        } else {
            size = 1024 + gen() % (256 << 10);
            name = root / "I386" / ("SUB" + std::to_string(i % 17)) /
                   ("File number " + std::to_string(i) + ".DL_");
        }
        WriteFile(name, size, gen);
        written += size;
    }
    WriteFile(root / "I386" / "SHELL32.DL_", 4096, gen);
}

// Processor seconds (user + system) of this process, or of its waited-for children.
double Cpu(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKiB() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const bool temporary = argc < 2;
    fs::path work;
    if (temporary) {
        std::string tmpl = (fs::temp_directory_path() / "bench-iso-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) return 1;
        work = tmpl;
    } else {
        work = argv[1];
        fs::create_directories(work);
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const size_t megabytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 400;

    const fs::path tree = work / "tree";
    const fs::path image = work / "cd.iso";
    if (!fs::exists(image)) {
        MakeTree(tree, megabytes);
        if (bench::RunQuiet({"xorriso", "-as", "mkisofs", "-J", "-joliet-long", "-o",
                             image.string(), tree.string()}) != 0) {
            std::fprintf(stderr, "xorriso failed\n");
            return 1;
        }
        fs::remove_all(tree);
    }
    std::printf("image: %.0f MB\n", static_cast<double>(fs::file_size(image)) / (1 << 20));

    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    const long baseKiB = PeakKiB();
    for (int r = 0; r < rounds; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool mine = (turn + r) % 2 == 0;
            const fs::path out = work / (mine ? "ours" : "bsdtar");
            fs::remove_all(out);
            fs::create_directories(out);
            ::sync();
            double seconds;
            const int who = mine ? RUSAGE_SELF : RUSAGE_CHILDREN;
            const double cpuBefore = Cpu(who);
            if (mine) {
                std::string error;
                seconds = bench::Seconds([&] {
                    if (UnpackImage(image.string(), out.string(), {}, &error) !=
                        UnpackResult::Done) {
                        std::fprintf(stderr, "unpack failed: %s\n", error.c_str());
                        std::exit(1);
                    }
                });
                ours.push_back(seconds);
                oursCpu.push_back(Cpu(who) - cpuBefore);
            } else {
                seconds = bench::Seconds([&] {
                    if (bench::RunQuiet({"bsdtar", "-xf", image.string(), "-C", out.string()}) !=
                        0) {
                        std::fprintf(stderr, "bsdtar failed\n");
                        std::exit(1);
                    }
                });
                theirs.push_back(seconds);
                theirsCpu.push_back(Cpu(who) - cpuBefore);
            }
            std::printf("round %d %-7s %.2f s\n", r + 1, mine ? "unpack" : "bsdtar", seconds);
        }
    }
    const double a = bench::Median(ours), b = bench::Median(theirs);
    std::printf("median wall-clock: UnpackImage %.2f s, bsdtar -xf %.2f s, ratio %.2f\n", a, b,
                a / b);
    const double c = bench::Median(oursCpu), d = bench::Median(theirsCpu);
    std::printf("median processor: UnpackImage %.2f s, bsdtar -xf %.2f s, ratio %.2f\n", c, d,
                c / d);
    std::printf("peak memory: %ld KiB (%ld KiB before the first unpack)\n", PeakKiB(), baseKiB);
    fs::remove_all(work / "ours");
    fs::remove_all(work / "bsdtar");
    if (temporary) fs::remove_all(work);
    return 0;
}
