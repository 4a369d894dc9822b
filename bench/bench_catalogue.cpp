// The plugin window's catalogue on a large builder: PluginCatalogue::Load (the scan, the
// stored choices, the category list, the tree and the order list; no window) against
// ScanPluginFiles of the same tree alone. The two run alternately and medians are compared.
//
//   bench_catalogue [PLUGINS] [CATEGORIES] [RUNS]     (defaults 2000 40 9)

#include <unistd.h>

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
#include "vrnx2/plugins/PluginCatalogue.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

// Category c of n: five groups, each with its share of the categories below it.
std::string CategoryPath(int c) {
    return "Group " + std::to_string(c % 5) + "\\Category " + std::to_string(c);
}

void MakeTree(const fs::path& plugin, int plugins, int categories) {
    const std::string filler(1024, 'x');
    for (int p = 0; p < plugins; ++p) {
        const int c = p % categories;
        const fs::path dir = plugin / ("cat" + std::to_string(c)) / ("plugin" + std::to_string(p));
        fs::create_directories(dir);
        std::ofstream(dir / "plugin.inf", std::ios::binary)
            << "; generated\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[PEBuilder]\r\n"
            << "Name=\"Plugin " << p << "\"\r\nEnable=" << (p % 3 ? 1 : 0)
            << "\r\nHelp=\"help.htm\"\r\nConfig=\r\nVX_Category=\"" << CategoryPath(c)
            << "\"\r\nVX_Order=" << p << "\r\n\r\n[SourceDisksFiles]\r\nfile1.bin=2,,1\r\n";
        for (int f = 1; f < 5; ++f)
            std::ofstream(dir / ("file" + std::to_string(f) + ".bin"), std::ios::binary) << filler;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int plugins = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int categories = argc > 2 ? std::max(std::atoi(argv[2]), 1) : 40;
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 9;
    const fs::path root =
        fs::temp_directory_path() / ("bench_catalogue." + std::to_string(::getpid()));
    const fs::path plugin = root / "PEB" / "Plugin";
    std::printf("generating %d plugins in %d categories in %s\n", plugins, categories,
                root.c_str());
    MakeTree(plugin, plugins, categories);
    SetStoreFilePath((root / "settings.db").string());
    {
        std::ofstream list(root / "vrnx2.cgl", std::ios::binary);
        for (int c = 0; c < categories; ++c) list << CategoryPath(c) << "\r\n";
    }

    TProfileRec profile;
    profile.ProfileNumber = 1;
    profile.ProfileName = "Large";
    profile.ManageOrder = true;
    profile.Builder.Path = (root / "PEB").string() + "/";
    // The profile's stored choices for every plugin, as the window's Apply leaves them.
    {
        PluginCatalogue catalogue(profile, (root / "vrnx2.cgl").string());
        catalogue.Load();
        catalogue.Apply(profile, profile.ProfileName);
    }

    std::vector<double> load, scan;
    size_t nodes = 0, rows = 0;
    int scanned = 0;
    for (int i = 0; i < runs; ++i) {
        PluginCatalogue catalogue(profile, (root / "vrnx2.cgl").string());
        load.push_back(bench::Seconds([&] { catalogue.Load(); }));
        nodes = catalogue.Nodes().size();
        rows = catalogue.Rows().size();
        PluginHolder holder;
        scan.push_back(
            bench::Seconds([&] { ScanPluginFiles(plugin.string(), plugin.string(), holder); }));
        scanned = holder.Count();
    }
    const double l = bench::Median(load), s = bench::Median(scan);
    std::printf(
        "catalogue Load %.4f s (%zu nodes, %zu order rows), ScanPluginFiles %.4f s "
        "(%d plugins), ratio %.2f\n",
        l, nodes, rows, s, scanned, l / s);
    SetStoreFilePath("");
    fs::remove_all(root);
    return 0;
}
