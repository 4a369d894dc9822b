// A build of the demo profile through Wine (RunBuild with the Windows stand-in as the
// builder) against `wine` starting the same stand-in by hand with the same options, measured
// alternately in the same run.
//
//   bench_wine_build [RUNS] [EXAMPLES_FOLDER]      (defaults 9 and the source tree's examples/)
//
// Uses $WINEPREFIX when set; otherwise makes a prefix of its own in the work folder (with a
// persistent wineserver, as the tests do) and ends it afterwards.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/Files.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

// Answers Yes, and reports anything else it is shown.
class Yes : public UserInterface {
public:
    int MessageBox(const std::string& text, const std::string&, unsigned flags) override {
        if (flags != MB_QUESTION_YESNO) std::fprintf(stderr, "message: %s\n", text.c_str());
        return ID_YES;
    }
    bool InputText(const std::string&, const std::string&, std::string&) override { return false; }
    bool BrowseForFolder(const std::string&, std::string&, bool) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const fs::path examples = argc > 2 ? fs::path(argv[2]) : fs::path(VRNX2_EXAMPLES);
    const fs::path root = fs::temp_directory_path() / ("bench_wine." + std::to_string(::getpid()));
    const fs::path builder = root / "builder";
    fs::create_directories(root / "iso");
    fs::copy(examples / "demo-builder", builder, fs::copy_options::recursive);
    fs::copy(examples / "demo-source", root / "source", fs::copy_options::recursive);
    fs::copy_file(platform::ProgramDirectory() / "pebuilder-win.exe", builder / "pebuilder.exe");
    fs::create_directories(builder / "out");
    ::setenv("VRNX2_SETTINGS", (root / "settings.db").c_str(), 1);
    const bool ownPrefix = bench::WinePrefixForBench(root / "prefix");

    TProfileRec p;
    p.ProfileName = "Demo rescue";
    p.ProfileNumber = 1;
    p.Builder = {"Demo", builder.string(), 1};
    p.Source = (root / "source").string();
    p.OutDir = "out";
    p.ISOPath = (root / "iso").string();
    p.ISOFile = "demo.iso";
    p.ManageOrder = true;
    p.BuildParameter = "-auto -exit";
    WriteProfileRec(ProfileKey(1), p);
    const std::string plugins = std::string(kVarnexKey) + "\\Profiles\\001\\Plugin";
    RegWriteString(0, plugins, "\"SATA controller\",\"Drivers\\Storage\\sata\\sata.inf\"",
                   "\"1\",\"Drivers\\Storage\",\"1\"");
    RegWriteString(0, plugins, "\"Network card\",\"Drivers\\Network\\nic\\nic.inf\"",
                   "\"1\",\"Drivers\\Network\",\"3\"");
    RegWriteString(0, plugins, "\"Process viewer\",\"Tools\\monitors\\procview.inf\"",
                   "\"1\",\"Tools\",\"2\"");
    RegWriteString(0, plugins, "\"Text editor\",\"Tools\\editor\\editor.inf\"",
                   "\"1\",\"Tools\",\"4\"");

    Yes yes;
    SetUserInterface(&yes);
    bool ok = true;
    auto build = [&] {
        BuildResult r = RunBuild(BuildMode::Basic, p, {}, BuildEnvironment{root.string()});
        ok = ok && r.Succeeded();
    };
    const std::string program = (builder / "pebuilder.exe").string();
    auto byHand = [&] {
        ok = ok && bench::RunQuiet({"wine", program, "-auto", "-exit", "-overwrite"}) == 0;
    };

    build();  // the first start after a prefix is made takes longer on either side
    byHand();
    std::vector<double> ours, hand;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(bench::Seconds(build));
        hand.push_back(bench::Seconds(byHand));
    }
    const double a = bench::Median(ours), b = bench::Median(hand);
    std::printf(
        "demo build through Wine: RunBuild %.3f s, wine by hand %.3f s, ratio %.2f "
        "(medians of %d)%s\n",
        a, b, a / b, runs, ok ? "" : "  -- A RUN FAILED");

    if (ownPrefix) bench::RunQuiet({"wineserver", "-k"});
    std::error_code ec;
    fs::remove_all(root, ec);
    return ok ? 0 : 1;
}
