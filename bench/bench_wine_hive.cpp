// Loading and unloading a 40,000-key registry hive through the hive bridge (a Windows program
// under Wine, started by the launcher: convert, load, save, merge, write) against Wine loading
// the same content in its own text format (which writes nothing back), measured alternately
// in the same run. The program adds two keys between the load and the unload.
//
//   bench_wine_hive [RUNS]      (default 7)
//
// Uses $WINEPREFIX when set; otherwise makes a prefix of its own in the work folder (with a
// persistent wineserver) and ends it afterwards.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/Files.h"
#include "platform/WineLaunch.h"
#include "platform/hive/Hive.h"
#include "platform/hive/WineText.h"

namespace fs = std::filesystem;

namespace {

std::string ZForm(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Wide(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out + std::string(2, '\0');
}

// A software hive's shape: class registrations with a default value and a few named ones,
// and a deeper tree of settings.
hive::Hive SoftwareHive(int keys) {
    hive::Hive h = hive::NewHive(u"$$$PROTO.HIV", 3);
    hive::Key classes{u"Classes"};
    hive::Key vendor{u"Vendor"};
    for (int i = 0; i < keys; ++i) {
        const std::string n = std::to_string(i);
        if (i % 4 != 3) {
            hive::Key k{hive::FromUtf8("{" + n + "-0000-11d0-a000-00aa00000000}")};
            k.values.push_back(hive::Value{u"", 1, Wide("Component " + n)});
            k.values.push_back(hive::Value{u"ThreadingModel", 1, Wide("Apartment")});
            classes.subkeys.push_back(std::move(k));
        } else {
            if (vendor.subkeys.empty() || vendor.subkeys.back().subkeys.size() == 100)
                vendor.subkeys.push_back(hive::Key{hive::FromUtf8("Product" + n)});
            hive::Key k{hive::FromUtf8("Setting" + n)};
            k.values.push_back(hive::Value{u"Enabled", 4, std::string("\1\0\0\0", 4)});
            k.values.push_back(hive::Value{u"Data", 3, std::string(24, static_cast<char>(i))});
            vendor.subkeys.back().subkeys.push_back(std::move(k));
        }
    }
    h.root.subkeys.push_back(std::move(classes));
    h.root.subkeys.push_back(std::move(vendor));
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path root = fs::temp_directory_path() / ("bench_hive." + std::to_string(::getpid()));
    fs::create_directories(root);
    const std::string launcher = platform::HiveBridgeLauncher(false);
    const std::string program = (platform::ProgramDirectory() / "hive_load.exe").string();
    if (launcher.empty() || !fs::exists(program)) {
        std::fprintf(
            stderr,
            "the hive bridge or hive_load.exe is missing (build with the cross compilers)\n");
        return 1;
    }
    const bool ownPrefix = bench::WinePrefixForBench(root / "prefix");

    const hive::Hive soft = SoftwareHive(40000);
    const std::string hiveBytes = hive::WriteHive(soft, 1);
    const std::string text = hive::ToWineText(soft.root);
    std::ofstream(root / "soft.hiv", std::ios::binary) << hiveBytes;
    std::ofstream(root / "soft.txt", std::ios::binary) << text;
    const fs::path work = root / "work.hiv", times = root / "times.txt";

    bool ok = true;
    std::vector<double> wallBridge, wallText, loadBridge, loadText, unloadBridge, unloadText;
    auto run = [&](bool bridge, bool record) {
        if (bridge) fs::copy_file(root / "soft.hiv", work, fs::copy_options::overwrite_existing);
        fs::remove(times);
        std::vector<std::string> argv = {"wine"};
        if (bridge) argv.push_back(launcher);
        argv.insert(argv.end(),
                    {program, ZForm(bridge ? work.string() : (root / "soft.txt").string()),
                     ZForm(times.string())});
        const double wall = bench::Seconds([&] { ok = ok && bench::RunQuiet(argv) == 0; });
        double load = 0, unload = 0;
        std::ifstream(times) >> load >> unload;
        if (!record) return;
        (bridge ? wallBridge : wallText).push_back(wall);
        (bridge ? loadBridge : loadText).push_back(load / 1000);
        (bridge ? unloadBridge : unloadText).push_back(unload / 1000);
    };
    run(true, false);  // the first start after a prefix is made takes longer
    run(false, false);
    for (int i = 0; i < runs; ++i) {
        run(true, true);
        run(false, true);
    }
    // What the bridge left: the two keys added, the hive about as large as before.
    const std::string after = ReadAll(work);
    size_t added = 0;
    try {
        for (const hive::Key& k : hive::ReadHive(after).root.subkeys)
            if (k.name == u"Added1" || k.name == u"Added2") ++added;
    } catch (const hive::HiveError& e) {
        std::fprintf(stderr, "the hive written back is damaged: %s\n", e.what());
        ok = false;
    }
    ok = ok && added == 2;

    const double a = bench::Median(wallBridge), b = bench::Median(wallText);
    std::printf("40,000-key hive (%zu bytes; Wine's text %zu bytes), medians of %d:\n",
                hiveBytes.size(), text.size(), runs);
    std::printf("  load    bridge %.3f s, Wine's text %.3f s\n", bench::Median(loadBridge),
                bench::Median(loadText));
    std::printf("  unload  bridge %.3f s, Wine's text %.3f s (Wine writes nothing back)\n",
                bench::Median(unloadBridge), bench::Median(unloadText));
    std::printf("  whole program under Wine: bridge %.3f s, Wine's text %.3f s, ratio %.2f\n", a, b,
                a / b);
    std::printf("  hive after two keys added: %zu bytes (%.3fx)%s\n", after.size(),
                static_cast<double>(after.size()) / static_cast<double>(hiveBytes.size()),
                ok ? "" : "  -- A RUN FAILED");

    if (ownPrefix) bench::RunQuiet({"wineserver", "-k"});
    std::error_code ec;
    fs::remove_all(root, ec);
    return ok ? 0 : 1;
}
