// Settings store: SaveProfileList and LoadProfileList with 100 profiles of 100 plugin values
// each, and single routine calls. The baseline is copying the store file once (the
// cheapest thing that touches every byte of the same data).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/RegFile.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

namespace fs = std::filesystem;

std::string Scratch() {
    static std::string dir = [] {
        char pattern[] = "/tmp/vrnx2-bench-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

void Fill(ProfileList& list, int profiles, int plugins) {
    RegDeleteKey(0, kVarnexKey);
    StoreTransaction tx;
    for (int n = 1; n <= profiles; ++n) {
        TProfileRec r;
        r.ProfileName = "Profile " + std::to_string(n);
        r.ProfileNumber = n;
        r.Builder = {"Builder", "/opt/pebuilder", 1};
        r.Source = "/srv/xpcd";
        WriteProfileRec(ProfileKey(n), r);
        for (int p = 1; p <= plugins; ++p)
            RegWriteString(
                0, ProfileKey(n) + "\\Plugin",
                "\"Plugin " + std::to_string(p) + "\",\"dir" + std::to_string(p) + "\\plugin.inf\"",
                "\"1\",\"Category\\Sub\",\"" + std::to_string(p) + "\"");
    }
    RegWriteInteger(0, kVarnexKey, "ProfileCount", profiles);
    tx.Commit();
    LoadProfileList(list);
}

void Setup() {
    SetStoreFilePath(Scratch() + "/settings.db");
}

void BM_SaveProfileList(benchmark::State& state) {
    Setup();
    ProfileList list;
    Fill(list, 100, 100);
    for (auto _ : state) {
        list.Move(0, list.Count() - 1);  // every key is renumbered
        SaveProfileList(list);
    }
}
BENCHMARK(BM_SaveProfileList)->Unit(benchmark::kMillisecond);

void BM_LoadProfileList(benchmark::State& state) {
    Setup();
    ProfileList list;
    Fill(list, 100, 100);
    for (auto _ : state) LoadProfileList(list);
}
BENCHMARK(BM_LoadProfileList)->Unit(benchmark::kMillisecond);

void BM_CopyStoreFile(benchmark::State& state) {
    Setup();
    ProfileList list;
    Fill(list, 100, 100);
    for (auto _ : state)
        fs::copy_file(Scratch() + "/settings.db", Scratch() + "/copy.db",
                      fs::copy_options::overwrite_existing);
}
BENCHMARK(BM_CopyStoreFile)->Unit(benchmark::kMillisecond);

void BM_RegReadInteger(benchmark::State& state) {
    Setup();
    RegWriteInteger(0, kVarnexKey, "BuilderCount", 3);
    for (auto _ : state) benchmark::DoNotOptimize(RegReadInteger(0, kVarnexKey, "BuilderCount", 0));
}
BENCHMARK(BM_RegReadInteger)->Unit(benchmark::kMicrosecond);

void BM_RegWriteInteger(benchmark::State& state) {
    Setup();
    int i = 0;
    for (auto _ : state) RegWriteInteger(0, kVarnexKey, "BuilderCount", ++i);
}
BENCHMARK(BM_RegWriteInteger)->Unit(benchmark::kMicrosecond);

// .reg import of one hex(1) value of N characters: written over N continuation lines as an
// export wraps it, against the same bytes on one line (the baseline). Linear when the two
// keep the same ratio as N doubles.
std::string RegFileWithValue(int64_t chars, bool continued) {
    std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Long]\r\n\"v\"=hex(1):";
    for (int64_t i = 0; i < chars; ++i) file += continued ? "41,00,\\\r\n  " : "41,00,";
    return file + "00,00\r\n";
}

void ParseLoop(benchmark::State& state, bool continued) {
    std::string file = RegFileWithValue(state.range(0), continued);
    std::vector<RegFileOp> ops;
    RegFileError error;
    for (auto _ : state) {
        if (!ParseRegFile(file, 1252, ops, error)) state.SkipWithError(error.message.c_str());
        benchmark::DoNotOptimize(ops);
    }
}

void BM_RegImportOneLine(benchmark::State& state) {
    ParseLoop(state, false);
}
BENCHMARK(BM_RegImportOneLine)->Arg(80000)->Arg(160000)->Arg(320000)->Unit(benchmark::kMillisecond);

void BM_RegImportContinued(benchmark::State& state) {
    ParseLoop(state, true);
}
BENCHMARK(BM_RegImportContinued)
    ->Arg(80000)
    ->Arg(160000)
    ->Arg(320000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
    return 0;
}
