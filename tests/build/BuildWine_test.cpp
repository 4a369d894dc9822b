// Whole build runs with the Windows stand-in builder through Wine, in the prefix the test
// fixture made (WINEPREFIX): what it read, its exit codes and logs, and vrnx2-cli build.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "TempTree.h"
#include "common/Lines.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/IsoImage.h"
#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

// The prefix of the fixture maps Z: to the root.
std::string ZForm(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::vector<std::string> Lines(const std::string& text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    return {lines.begin(), lines.end()};
}

class BuildWineTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_NE(std::getenv("WINEPREFIX"), nullptr);
        MessageTable::Instance().LoadBuiltIn();
        RegDeleteKey(0, kVarnexKey);
        for (const char* v : {"PEBUILDER_OUTCOME", "PEBUILDER_EXIT", "VRNX2_WINE"}) ::unsetenv(v);
        ::setenv("PEBUILDER_TRACE", ZForm(t.Path("trace.txt")).c_str(), 1);
        bin = std::getenv("TEST_BIN_DIR");
        std::filesystem::create_directories(t.Path("builder"));
        std::filesystem::copy_file(bin + "/pebuilder-win.exe", t.Path("builder/pebuilder.exe"));
        t.Write("builder/lang/english.lng",
                "[language]\r\nlcid=409\r\n[Translation]\r\n123=Done.\r\n125=Build failed:\r\n"
                "126=error(s)\r\n133=Terminated by user...\r\n");
        t.Write("source/I386/SHELL32.DL_", "shell32");
        t.Mkdir("builder/out");
        t.Mkdir("iso");
        t.Mkdir("prog");
        t.Write("builder/Plugin/tools/a.inf", PluginInf("A", "Enable=0\r\n"));
        t.Write("builder/Plugin/net/nic.inf", PluginInf("Nic", "Enable=0\r\n"));

        p = StandInProfile(t, "Windows stand-in");
        p.BuildISO = true;
        p.BuildParameter = "-auto -exit";
        p.ISOBuildParameter = "-auto -exit";
        p.ManageOrder = true;
        const std::string plugins = std::string(kVarnexKey) + "\\Profiles\\001\\Plugin";
        RegWriteString(0, plugins, "\"A\",\"tools\\a.inf\"", "\"1\",\"Tools\",\"2\"");
        RegWriteString(0, plugins, "\"Nic\",\"net\\nic.inf\"", "\"1\",\"Net\",\"1\"");
    }

    BuildResult Run(BuildMode mode) {
        return RunBuild(mode, p, {}, BuildEnvironment{t.Path("prog")});
    }

    // key -> value of the "input" lines the stand-in traced.
    std::map<std::string, std::string> SeenInput() const {
        std::map<std::string, std::string> seen;
        for (const auto& l : Lines(ReadAll(t.Path("trace.txt")))) {
            if (l.rfind("input\t", 0) != 0) continue;
            const size_t tab = l.find('\t', 6);
            seen[l.substr(6, tab - 6)] = l.substr(tab + 1);
        }
        return seen;
    }

    std::string bin;
    TempTree t;
    TProfileRec p;
    ScriptedInterface ui;
};

TEST_F(BuildWineTest, BuildsWithEveryPathInWindowsForm) {
    p.CustomDir = t.Mkdir("custom");
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text) << "\n"
                               << ReadAll(t.Path("builder/pebuilder.log"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.log, LogVerdict::Ok);

    const std::vector<std::string> trace = Lines(ReadAll(t.Path("trace.txt")));
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace[0], "argv\t-auto\t-exit\t-overwrite");
    const auto seen = SeenInput();
    EXPECT_EQ(seen.at("source"), ZForm(t.Path("source")));
    EXPECT_EQ(seen.at("outdir"), "out");  // relative stays relative
    EXPECT_EQ(seen.at("isofile"), ZForm(t.Path("iso/pe.iso")));
    EXPECT_EQ(seen.at("customdir"), ZForm(t.Path("custom")));
    EXPECT_EQ(seen.at("fulloutdir"), "");

    // The stand-in found its way with them: the output, the image, the staged plugins.
    EXPECT_EQ(ReadAll(t.Path("builder/out/bootsect.bin")), "BOOT");
    EXPECT_EQ(ReadAll(t.Path("builder/out/I386/SYSTEM32/shell32.dll")), "shell32");
    EXPECT_EQ(Lines(ReadAll(t.Path("builder/out/PLUGINS.TXT"))),
              (std::vector<std::string>{"001(net)\\nic.inf", "002(tools)\\a.inf"}));
    EXPECT_NE(ReadAll(t.Path("iso/pe.iso")).find("STAND-IN IMAGE"), std::string::npos);
    EXPECT_TRUE(PathExists(t.Path("builder/Plugin/tools/a.inf")));
    EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));

    // An absolute output folder, and an image-only run from it.
    p.UseAbsoluteOutput = true;
    p.FullOutDir = t.Mkdir("full out");
    ui.QueueAnswer(ID_YES);
    ASSERT_TRUE(Run(BuildMode::Basic).Succeeded()) << ui.boxes.back().text;
    EXPECT_EQ(SeenInput().at("fulloutdir"), ZForm(t.Path("full out")));
    EXPECT_TRUE(PathExists(t.Path("full out/bootsect.bin")));
    std::filesystem::remove(t.Path("iso/pe.iso"));
    ui.QueueAnswer(ID_YES);
    r = Run(BuildMode::ImageOnly);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(PathExists(t.Path("iso/pe.iso")));
}

TEST_F(BuildWineTest, ImageSourceReachesTheBuilderInWindowsForm) {
    t.Write("cd/I386/SHELL32.DL_", "shell32 of the image");
    t.Write("cd/日本語/名前.txt", "ja");
    ASSERT_EQ(MakeIsoImage(t.Path("cd"), t.Path("win.iso")), "");
    p.Source = t.Path("win.iso");
    BuildEnvironment env{t.Path("prog")};
    env.imageCache.directory = t.Path("cache");
    ui.QueueAnswer(ID_YES);
    const BuildResult r = RunBuild(BuildMode::Basic, p, {}, env);
    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    EXPECT_TRUE(r.imageUnpacked);
    const std::string folder = CachedImageFolder(t.Path("win.iso"), env.imageCache);
    EXPECT_EQ(SeenInput().at("source"), ZForm(folder));
    EXPECT_EQ(ReadAll(t.Path("builder/out/I386/SYSTEM32/shell32.dll")), "shell32 of the image");
    EXPECT_EQ(ReadAll(folder + "/日本語/名前.txt"), "ja");
}

TEST_F(BuildWineTest, ExitCodesAndLogsDecideTheOutcome) {
    struct Row {
        const char* outcome;
        const char* exit;
        int wantExit;
        LogVerdict wantLog;
    };
    const Row rows[] = {
        {"", "", 0, LogVerdict::Ok},
        {"", "3", 3, LogVerdict::NotInspected},
        {"fail", "", 0, LogVerdict::Failed},
        {"terminate", "", 0, LogVerdict::Terminated},
        {"silent", "", 0, LogVerdict::Empty},      // what Wine without 32-bit support looks like
        {"", "256", 1, LogVerdict::NotInspected},  // Wine keeps a non-zero code non-zero
    };
    p.ManageOrder = false;
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post\"";
    for (const Row& row : rows) {
        ::setenv("PEBUILDER_OUTCOME", row.outcome, 1);
        ::setenv("PEBUILDER_EXIT", row.exit, 1);
        std::filesystem::remove(t.Path("prog/post"));
        ScriptedInterface answers;
        answers.QueueAnswer(ID_YES);
        BuildResult r = Run(BuildMode::Basic);
        EXPECT_TRUE(r.builderStarted) << row.outcome << row.exit;
        EXPECT_EQ(r.exitCode, row.wantExit) << row.outcome << row.exit;
        EXPECT_EQ(r.log, row.wantLog) << row.outcome << row.exit;
        EXPECT_EQ(r.Succeeded(), row.wantLog == LogVerdict::Ok) << row.outcome << row.exit;
        if (row.wantLog == LogVerdict::Empty) {
            ASSERT_EQ(answers.boxes.size(), 2u);
            EXPECT_NE(answers.boxes[1].text.find("did not run"), std::string::npos);
        }
    }
}

// A Windows outside program gets its path macros in Windows form, a native one Linux paths.
TEST_F(BuildWineTest, OutsideProgramsGetPathsInTheirOwnForm) {
    // Without -auto the stand-in only traces its arguments and ends.
    p.PreBuild_UseExternalProgram = true;
    p.BurnUsing = 2;
    p.ExternalProgram1 = "\"@PEBuilder@/pebuilder.exe\" \"@SourcePath@\" @OutDir@ -n=@BurnUsing@";
    ui.QueueAnswer(ID_YES);
    ASSERT_TRUE(Run(BuildMode::Basic).Succeeded());
    const std::vector<std::string> trace = Lines(ReadAll(t.Path("trace.txt")));
    ASSERT_GE(trace.size(), 1u);
    EXPECT_EQ(trace[0],
              "argv\t" + ZForm(t.Path("source")) + "\t" + ZForm(t.Path("builder/out")) + "\t-n=2");
}

TEST_F(BuildWineTest, CliBuildsThroughWineToo) {
    TProfileRec stored = p;
    WriteProfileRec(ProfileKey(1), stored);
    RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    const ChildRun run = RunChild({bin + "/vrnx2-cli", "build", "Rescue", "--yes"}, t.Path());
    const std::string& err = run.err;
    EXPECT_EQ(run.exitCode, 0) << err;
    EXPECT_NE(err.find("builder log: "), std::string::npos) << err;
    EXPECT_EQ(SeenInput().at("source"), ZForm(t.Path("source")));
    EXPECT_NE(ReadAll(t.Path("builder/input.inf")).find("source=" + ZForm(t.Path("source"))),
              std::string::npos);
    EXPECT_TRUE(PathExists(t.Path("builder/out/bootsect.bin")));
}

}  // namespace
