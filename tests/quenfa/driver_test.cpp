#include "quenfa/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "tests/support/TempDir.h"

namespace quenfa {
namespace {

namespace fs = std::filesystem;

const std::string kBanner = "----------------------\n Quenfa ver1.80 \n----------------------\n";
const std::string kUsage =
    "Usage:\n  QUENFA <options> dir\n\nOptions:\n  -R, --recursive\n\tchange files recursively.\n"
    "\n  -g, --reg\n\t*.reg file(s) is processed.\n\n  -n, --ini\n\t*.ini file(s) is processed.\n"
    "\n  -s, --sif\n\t*.sif file(s) is processed.\n\n  -?, --help\n\tdisplay this help and exit.\n";

// The run's standard output; its standard error in `errors` when asked for.
std::string RunArgs(const std::vector<std::string>& args, int code = 0,
                    std::string* errors = nullptr) {
    std::ostringstream out, err;
    EXPECT_EQ(RunQuenfa(args, out, err), code);
    if (errors) *errors = err.str();
    return out.str();
}

// The progress lines between banner and "Done.", sorted: the walk keeps the directory's order.
std::vector<std::string> Progress(const std::string& output) {
    EXPECT_TRUE(output.starts_with(kBanner) && output.ends_with("Done.\n")) << output;
    std::vector<std::string> lines;
    std::istringstream in(output.substr(kBanner.size()));
    for (std::string line; std::getline(in, line);)
        if (line != "Done.") lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() {
        for (const char* name : {"a.inf", "B.INF", "c.Inf", ".hidden.inf", "x.reg", "y.ini",
                                 "z.sif", "n.txt", "sub/d.inf", "s.inf/e.inf"})
            dir_.Write(name, "a = 1\r\n");  // 5 of 7 bytes remain
        dir_.Write("empty.inf", "");
    }
    std::string Root() const { return dir_.path().string(); }
    bool Reduced(const std::string& name) const {
        return TempDir::Read(dir_.path() / name) == "a=1\r\n";
    }
    TempDir dir_;
};

TEST_F(DriverTest, UsageCases) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"-R"},
                                                 {Root(), "-g"},
                                                 {"-?", Root()},
                                                 {"--HELP", Root()},
                                                 {Root() + "/missing"}})
        EXPECT_EQ(RunArgs(args), kBanner + kUsage) << (args.empty() ? "" : args.front());
    EXPECT_FALSE(Reduced("a.inf"));
    // The described exit code 0 stays; standard error says why nothing was done.
    std::string errors;
    RunArgs({"-R", Root() + "/missing"}, 0, &errors);
    EXPECT_EQ(errors, "quenfa: " + Root() + "/missing: not found\n");
    RunArgs({Root() + "/n.txt"}, 0, &errors);
    EXPECT_EQ(errors, "quenfa: " + Root() + "/n.txt: not a folder\n");
}

// Every file failing used to end with exit code 0 and no word of why.
TEST_F(DriverTest, AFailedFileGivesItsReasonOnStandardErrorAndExitCode1) {
    std::string errors;
    RunArgs({(dir_.path() / "s.inf").string()}, 0, &errors);
    EXPECT_EQ(errors, "");
    RunArgs({Root()}, 1, &errors);
    EXPECT_EQ(errors, "quenfa: cannot rewrite what is not a regular file '" + Root() +
                          "/s.inf': Invalid argument\n");
}

TEST_F(DriverTest, WalkSelectsByExtensionInAnyCase) {
    EXPECT_EQ(Progress(RunArgs({"/g", Root()}, 1)),  // a slash does not make an option
              (std::vector<std::string>{
                  "Processing....hidden.inf(71.4%)", "Processing...B.INF(71.4%)",
                  "Processing...a.inf(71.4%)", "Processing...c.Inf(71.4%)",
                  "Processing...empty.inf(100.0%)", "Processing...s.inf - Failure."}));
    EXPECT_FALSE(Reduced("x.reg") || Reduced("sub/d.inf") || Reduced("s.inf/e.inf"));
}

TEST_F(DriverTest, RecursiveWithAllTypesWalksDepthFirst) {
    const std::string output = RunArgs({"-r", "--REG", "-N", "--sif", Root()}, 1);
    EXPECT_EQ(Progress(output).size(), 11u);
    for (const char* name : {"x.reg", "y.ini", "z.sif", "sub/d.inf", "s.inf/e.inf"})
        EXPECT_TRUE(Reduced(name)) << name;
    EXPECT_FALSE(Reduced("n.txt"));
    EXPECT_LT(output.find("Processing...e.inf("), output.find("Processing...s.inf - Failure."));
}

TEST_F(DriverTest, LinkedFoldersAreNeitherWalkedNorRewritten) {
    TempDir outside;
    outside.Write("o.inf", "a = 1\r\n");
    fs::create_directory_symlink(outside.path(), dir_.path() / "out.inf");
    fs::create_directory_symlink(dir_.path(), dir_.path() / "sub" / "loop");
    const auto lines = Progress(RunArgs({"-R", Root()}, 1));
    EXPECT_EQ(lines.size(), 9u);
    EXPECT_TRUE(std::count(lines.begin(), lines.end(), "Processing...out.inf - Failure."));
    EXPECT_EQ(TempDir::Read(outside.path() / "o.inf"), "a = 1\r\n");
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "out.inf"));
}

TEST_F(DriverTest, DirectoryFromEnvironmentAndRelativeToCurrent) {
    ::setenv("QUENFA_TEST_ROOT", Root().c_str(), 1);
    EXPECT_EQ(Progress(RunArgs({"%QUENFA_TEST_ROOT%/sub"})),
              std::vector<std::string>{"Processing...d.inf(71.4%)"});
    const fs::path saved = fs::current_path();
    fs::current_path(dir_.path() / "s.inf");
    const auto lines = Progress(RunArgs({"."}));
    fs::current_path(saved);
    EXPECT_EQ(lines, std::vector<std::string>{"Processing...e.inf(71.4%)"});
}

TEST_F(DriverTest, LocaleDecidesSeparatorAndKeptStrings) {
    const auto p = dir_.Write("only/l.inf", "[Strings.0411]\r\nj=1\r\n[Strings.0407]\r\nd = 1\r\n");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    const auto lines = Progress(RunArgs({(dir_.path() / "only").string()}));
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(lines, std::vector<std::string>{"Processing...l.inf(47,7%)"});  // 21 of 44
    EXPECT_EQ(TempDir::Read(p), "[Strings.0407]\r\nd=1\r\n");
}

TEST_F(DriverTest, LinesKeepTheWalkOrderWhicheverWorkerFinishesFirst) {
    for (int i = 0; i < 40; ++i)
        dir_.Write("many/" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".inf", "");
    const Options options = ParseOptions({"-R", "-g", "-n", "-s"});
    auto run = [&](unsigned workers, const FileWork& work) {
        std::ostringstream out;
        WalkDirectory(Root(), options, workers, work, out);
        return out.str();
    };
    const FileWork quick = [](const std::string& path, LineLists&) { return "(" + path + ")"; };
    std::atomic<int> calls = 0;
    // The first file takes longest, the others a while each that does not follow their order.
    const FileWork uneven = [&](const std::string& path, LineLists&) {
        const int call = calls++;
        std::this_thread::sleep_for(std::chrono::milliseconds(call == 0 ? 50 : (7 * call) % 5));
        return "(" + path + ")";
    };
    const std::string walk = run(1, quick);
    EXPECT_EQ(std::count(walk.begin(), walk.end(), '\n'), 51);
    EXPECT_EQ(run(4, uneven), walk);

    // An error that is no per-file failure stops the walk: the lines before the file, that
    // file's unfinished line, and the error for the caller.
    const FileWork throwing = [](const std::string& path, LineLists&) -> std::string {
        if (path.ends_with("/f7.inf")) throw 7;
        return "(" + path + ")";
    };
    std::ostringstream out;
    EXPECT_THROW(WalkDirectory(Root(), options, 3, throwing, out), int);
    EXPECT_EQ(out.str(), walk.substr(0, walk.find("Processing...f7.inf")) + "Processing...f7.inf");
}

}  // namespace
}  // namespace quenfa
