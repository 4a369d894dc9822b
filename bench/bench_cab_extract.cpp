// Times `vrnx2-cli extract` against `cabextract` and `gcab -x` on cabinets it makes, in the
// same run, and prints the ratios.
//
//   bench_cab_extract [--before=VRNX2_CLI] [--age=SECONDS] [WORK_FOLDER] [ROUNDS]
//
// The cabinets: "mszip" (50 MB of mixed data in MSZIP folders), "stored" (the same files
// uncompressed), "small" (10,000 small files) and "set" (30 MB in a set of three cabinets
// with files spanning them). `--before` times another vrnx2-cli (an earlier version) in the
// same rounds. Each round runs every program once per cabinet, in an order that turns from
// round to round; medians of wall-clock and of processor time (the child's user + system)
// are compared. The first round checks that every program unpacked the same files. The
// unpacked trees are removed after each round, which then waits `--age` seconds (35 by
// default; 0 suits tmpfs).
// WORK_FOLDER holds the cabinets and the unpacked trees (default: a temporary folder,
// removed at the end).

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "CabWriter.h"
#include "bench/BenchSupport.h"

namespace fs = std::filesystem;

namespace {

class Random {
public:
    explicit Random(uint64_t seed) : x_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 7;
        x_ ^= x_ << 17;
        return x_;
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

private:
    uint64_t x_;
};

// Text from a small vocabulary, as setup-information and script files are.
std::string Text(size_t size, Random& r) {
    static const char* const kWords[] = {"plugin",
                                         "builder",
                                         "[PEBuilder]",
                                         "Name=",
                                         "Enable=1",
                                         "\r\n",
                                         "system32",
                                         "shell32.dll",
                                         "HKLM",
                                         "0x0001",
                                         "driver",
                                         "setup",
                                         "; comment",
                                         "files",
                                         "=",
                                         ",",
                                         "\"",
                                         "Windows",
                                         "Software\\Classes",
                                         "drivers\\etc",
                                         "1"};
    std::string s;
    s.reserve(size + 32);
    while (s.size() < size) {
        s += kWords[r.Below(std::size(kWords))];
        s += ' ';
    }
    s.resize(size);
    return s;
}

// Program-like bytes: runs of zeros, repeated small records and noise.
std::string Binary(size_t size, Random& r) {
    std::string s;
    s.reserve(size + 256);
    std::string record(16, '\0');
    while (s.size() < size) {
        switch (r.Below(4)) {
            case 0:
                s.append(r.Below(200), '\0');
                break;
            case 1:
                for (char& c : record) c = static_cast<char>(r.Below(16));
                for (size_t k = r.Below(8); k > 0; --k) s += record;
                break;
            default:
                for (size_t k = r.Below(64); k > 0; --k) s.push_back(static_cast<char>(r.Next()));
                break;
        }
    }
    s.resize(size);
    return s;
}

// Bytes deflate cannot shrink (packed images, compressed archives).
std::string Noise(size_t size, Random& r) {
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(r.Next() >> 24);
    return s;
}

// Files of `minSize` to `maxSize` bytes up to `total`, in `folders` folders, half text, a
// third program-like, the rest noise.
std::vector<cabtest::Entry> Files(size_t total, size_t minSize, size_t maxSize, unsigned folders,
                                  uint64_t seed) {
    Random r(seed);
    std::vector<cabtest::Entry> entries;
    size_t sum = 0;
    for (int i = 0; sum < total; ++i) {
        size_t size = minSize + r.Below(maxSize - minSize + 1);
        cabtest::Entry e;
        e.name = "plugin" + std::to_string(i % 97) + "\\file" + std::to_string(i) + ".dat";
        size_t kind = r.Below(6);
        e.data = kind < 3 ? Text(size, r) : kind < 5 ? Binary(size, r) : Noise(size, r);
        e.folder = static_cast<unsigned>(i % folders);
        sum += size;
        entries.push_back(std::move(e));
    }
    return entries;
}

size_t BlockCount(const std::vector<cabtest::Entry>& entries) {
    std::map<unsigned, size_t> bytes;
    for (const cabtest::Entry& e : entries) bytes[e.folder] += e.data.size();
    size_t blocks = 0;
    for (const auto& [folder, n] : bytes) blocks += (n + 32767) / 32768;
    return blocks;
}

struct Cabinet {
    std::string name;
    std::string path;  // the first cabinet of its set
    size_t files = 0;
    double unpacked = 0, packed = 0;  // MB
};

Cabinet Make(const fs::path& work, const std::string& name,
             const std::vector<cabtest::Entry>& entries, const cabtest::Layout& layout) {
    Cabinet c;
    c.name = name;
    c.files = entries.size();
    for (const cabtest::Entry& e : entries) c.unpacked += static_cast<double>(e.data.size()) / 1e6;
    const auto set = cabtest::BuildSet(entries, layout);
    for (size_t i = 0; i < set.size(); ++i) {
        const std::string file =
            (work / (i < layout.cabinetNames.size() ? layout.cabinetNames[i] : name + ".cab"))
                .string();
        cabtest::WriteBytes(file, set[i]);
        c.packed += static_cast<double>(set[i].size()) / 1e6;
        if (i == 0) c.path = file;
    }
    return c;
}

struct Program {
    std::string name;
    std::vector<std::string> argv;  // "{cab}" and "{out}" are filled in
};

std::vector<std::string> Fill(const Program& p, const std::string& cab, const std::string& out) {
    std::vector<std::string> argv;
    for (const std::string& a : p.argv) argv.push_back(a == "{cab}" ? cab : a == "{out}" ? out : a);
    return argv;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether two unpacked trees hold the same files with the same content.
bool SameTree(const fs::path& a, const fs::path& b) {
    std::map<std::string, fs::path> left, right;
    for (const auto& e : fs::recursive_directory_iterator(a))
        if (e.is_regular_file()) left[fs::relative(e.path(), a).string()] = e.path();
    for (const auto& e : fs::recursive_directory_iterator(b))
        if (e.is_regular_file()) right[fs::relative(e.path(), b).string()] = e.path();
    if (left.size() != right.size()) return false;
    for (const auto& [rel, path] : left) {
        auto it = right.find(rel);
        if (it == right.end() || ReadAll(path) != ReadAll(it->second)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string before;
    int age = 35;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--before=", 0) == 0)
            before = a.substr(9);
        else if (a.rfind("--age=", 0) == 0)
            age = std::atoi(a.c_str() + 6);
        else
            positional.push_back(a);
    }
    const bool temporary = positional.empty();
    fs::path work;
    if (temporary) {
        std::string tmpl = (fs::temp_directory_path() / "bench-cab-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) return 1;
        work = tmpl;
    } else {
        work = positional[0];
        fs::create_directories(work);
    }
    const int rounds = positional.size() > 1 ? std::max(1, std::atoi(positional[1].c_str())) : 5;
    const std::string cli =
        (fs::read_symlink("/proc/self/exe").parent_path() / "vrnx2-cli").string();

    std::vector<Cabinet> cabinets;
    {
        auto mixed = Files(50'000'000, 1024, 120 * 1024, 4, 1);
        cabtest::Layout layout;
        layout.compression = cabtest::Compression::Mszip;
        cabinets.push_back(Make(work, "mszip", mixed, layout));
        layout.compression = cabtest::Compression::Stored;
        cabinets.push_back(Make(work, "stored", mixed, layout));
    }
    {
        cabtest::Layout layout;
        layout.compression = cabtest::Compression::Mszip;
        cabinets.push_back(Make(work, "small", Files(15'000'000, 100, 2900, 1, 2), layout));
    }
    {
        auto entries = Files(30'000'000, 1024, 400 * 1024, 2, 3);
        cabtest::Layout layout;
        layout.compression = cabtest::Compression::Mszip;
        const size_t third = BlockCount(entries) / 3;
        layout.blocksPerCabinet = {third, third};
        layout.cabinetNames = {"set1.cab", "set2.cab", "set3.cab"};
        cabinets.push_back(Make(work, "set", entries, layout));
    }
    for (const Cabinet& c : cabinets) {
        std::printf("%-7s %6zu files, %5.1f MB unpacked, %5.1f MB packed\n", c.name.c_str(),
                    c.files, c.unpacked, c.packed);
    }

    std::vector<Program> programs = {
        {"vrnx2-cli", {cli, "extract", "{cab}", "{out}"}},
        {"cabextract", {"cabextract", "-q", "-d", "{out}", "{cab}"}},
        {"gcab", {"gcab", "-x", "-C", "{out}", "{cab}"}},
    };
    if (!before.empty()) programs.push_back({"before", {before, "extract", "{cab}", "{out}"}});

    // times[cabinet][program]
    std::vector<std::vector<std::vector<bench::ChildRun>>> times(
        cabinets.size(), std::vector<std::vector<bench::ChildRun>>(programs.size()));
    std::vector<std::vector<bool>> failed(cabinets.size(), std::vector<bool>(programs.size()));
    auto outFolder = [&](size_t c, size_t p) {
        return work / ("out-" + cabinets[c].name + "-" + programs[p].name);
    };
    for (int round = 0; round < rounds; ++round) {
        for (size_t c = 0; c < cabinets.size(); ++c) {
            for (size_t k = 0; k < programs.size(); ++k) {
                const size_t p = (k + static_cast<size_t>(round) + c) % programs.size();
                const fs::path out = outFolder(c, p);
                fs::create_directories(out);  // gcab wants it to exist
                ::sync();
                bench::ChildRun run =
                    bench::RunQuietTimed(Fill(programs[p], cabinets[c].path, out));
                if (run.exitCode != 0) failed[c][p] = true;
                times[c][p].push_back(run);
            }
            if (round == 0) {
                for (size_t p = 1; p < programs.size(); ++p) {
                    if (failed[c][p] || failed[c][0]) continue;
                    if (!SameTree(outFolder(c, 0), outFolder(c, p))) {
                        std::printf("%s: %s unpacked other files than vrnx2-cli\n",
                                    cabinets[c].name.c_str(), programs[p].name.c_str());
                    }
                }
            }
        }
        std::printf("round %d done\n", round + 1);
        std::fflush(stdout);
        // Trees are removed between rounds, not before each run, and the next round waits:
        // ext4 without a journal makes creating a file slow while many inodes were freed in
        // the last 30 s or so, which would fall on whichever program comes next.
        for (size_t c = 0; c < cabinets.size(); ++c)
            for (size_t p = 0; p < programs.size(); ++p) fs::remove_all(outFolder(c, p));
        ::sync();
        if (round + 1 < rounds) ::sleep(static_cast<unsigned>(std::max(0, age)));
    }

    auto median = [](const std::vector<bench::ChildRun>& v, double bench::ChildRun::*field) {
        std::vector<double> x;
        for (const bench::ChildRun& t : v) x.push_back(t.*field);
        return bench::Median(x);
    };
    std::printf("\nmedians of %d rounds, wall (cpu) in seconds; ratio = vrnx2-cli / other\n",
                rounds);
    for (size_t c = 0; c < cabinets.size(); ++c) {
        const double w0 = median(times[c][0], &bench::ChildRun::wall);
        const double c0 = median(times[c][0], &bench::ChildRun::cpu);
        std::printf("%-7s", cabinets[c].name.c_str());
        for (size_t p = 0; p < programs.size(); ++p) {
            if (failed[c][p]) {
                std::printf("  %s failed", programs[p].name.c_str());
                continue;
            }
            const double w = median(times[c][p], &bench::ChildRun::wall);
            const double u = median(times[c][p], &bench::ChildRun::cpu);
            std::printf("  %s %.3f (%.3f)", programs[p].name.c_str(), w, u);
            if (p > 0) std::printf(" ratio %.2f (%.2f)", w0 / w, c0 / u);
        }
        std::printf("\n");
    }
    if (temporary) fs::remove_all(work);
    return 0;
}
