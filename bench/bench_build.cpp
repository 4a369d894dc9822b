// The plugin tree of a large builder: ScanPluginFiles against find + grep of the same keys,
// and StagePlugins (hard links) against cp -al of the same tree, measured in the same run.
//
//   bench_build [PLUGINS] [FILES_PER_PLUGIN] [RUNS]     (defaults 2000 20 5)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "vrnx2/build/PluginFiles.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

struct Timed {
    std::function<void()> prepare;
    std::function<void()> work;
    std::vector<double> times;
};

// Runs the two measurements alternately, so load from elsewhere falls on both alike, and
// returns the medians.
std::pair<double, double> Medians(int runs, Timed a, Timed b) {
    for (int i = 0; i < runs; ++i) {
        for (Timed* t : {&a, &b}) {
            t->prepare();
            t->times.push_back(bench::Seconds(t->work));
        }
    }
    return {bench::Median(a.times), bench::Median(b.times)};
}

void MakeTree(const fs::path& plugin, int plugins, int files) {
    std::string filler(2048, 'x');
    for (int p = 0; p < plugins; ++p) {
        fs::path dir = plugin / ("cat" + std::to_string(p % 20)) / ("plugin" + std::to_string(p));
        fs::create_directories(dir);
        std::ofstream(dir / "plugin.inf", std::ios::binary)
            << "; generated\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[PEBuilder]\r\n"
            << "Name=\"Plugin " << p << "\"\r\nEnable=1\r\nHelp=\"help.htm\"\r\nConfig=\r\n"
            << "VX_Category=\"Cat\"\r\nVX_Order=" << p << "\r\n\r\n[SourceDisksFiles]\r\n"
            << "file1.bin=2,,1\r\nfile2.bin=2,,1\r\n\r\n[Software.AddReg]\r\n0x1,\"Key\",\"V\","
               "\"x\"\r\n";
        for (int f = 1; f < files; ++f)
            std::ofstream(dir / ("file" + std::to_string(f) + ".bin"), std::ios::binary) << filler;
    }
}

}  // namespace

int main(int argc, char** argv) {
    int plugins = argc > 1 ? std::atoi(argv[1]) : 2000;
    int files = argc > 2 ? std::atoi(argv[2]) : 20;
    int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    fs::path root = fs::temp_directory_path() / ("bench_build." + std::to_string(::getpid()));
    fs::path plugin = root / "Plugin";
    fs::path stash = root / "!Plugin!";
    fs::path copy = root / "copy";
    std::printf("generating %d plugins of %d files in %s\n", plugins, files, root.c_str());
    MakeTree(plugin, plugins, files);
    auto nothing = [] {};

    // Scan: every plugin file read for the seven keys.
    PluginHolder holder;
    auto [scan, grep] =
        Medians(runs,
                {[&] { holder.Clear(); },
                 [&] { ScanPluginFiles(plugin.string(), plugin.string(), holder); },
                 {}},
                {nothing,
                 [&] {
                     bench::RunQuiet({"find",  plugin.string(), "-name", "*.inf",
                                      "-exec", "grep",          "-i",    "-H",
                                      "-e",    "Signature",     "-e",    "Name",
                                      "-e",    "Enable",        "-e",    "Help",
                                      "-e",    "Config",        "-e",    "VX_Category",
                                      "-e",    "VX_Order",      "{}",    "+"});
                 },
                 {}});
    std::printf("scan:  ScanPluginFiles %.3f s (%d plugins), find+grep %.3f s, ratio %.2f\n", scan,
                holder.Count(), grep, scan / grep);

    // Staging: the whole tree moved aside, every plugin staged by hard links.
    fs::rename(plugin, stash);
    auto [stage, cpal] =
        Medians(runs,
                {[&] {
                     fs::remove_all(plugin);
                     fs::create_directory(plugin);
                 },
                 [&] { StagePlugins(holder, plugin.string(), stash.string(), true); },
                 {}},
                {[&] { fs::remove_all(copy); },
                 [&] {
                     bench::RunQuiet({"cp", "-al", stash.string(), copy.string()});
                 },
                 {}});
    std::printf("stage: StagePlugins %.3f s, cp -al %.3f s, ratio %.2f\n", stage, cpal,
                stage / cpal);
    fs::remove_all(root);
    return 0;
}
