// Whole build runs against the stand-in builder: what it was given, what it saw, what is
// left behind.

#include "vrnx2/build/BuildRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "common/Lines.h"
#include "platform/FolderLock.h"
#include "platform/WineLaunch.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PeImage.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempTree.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    return {lines.begin(), lines.end()};
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

bool WaitFor(const std::string& path) {
    for (int i = 0; i < 200 && !PathExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return PathExists(path);
}

const char* kEnglishLng =
    "[language]\r\nlcid=409\r\n[Translation]\r\n121=Plugin:\r\n123=Done.\r\n"
    "125=Build failed:\r\n126=error(s)\r\n133=Terminated by user...\r\n";
// Shift_JIS: 125 "ビルド失敗:" 126 "エラー" 133 "ユーザーによる中断"
const char* kJapaneseLng =
    "[language]\r\nlcid=0411\r\n[Translation]\r\n"
    "125=\x83\x72\x83\x8B\x83\x68\x8E\xB8\x94\x73:\r\n126=\x83\x47\x83\x89\x81\x5B\r\n"
    "133=\x83\x86\x81\x5B\x83\x55\x81\x5B\x82\xC9\x82\xE6\x82\xE9\x92\x86\x92\x66\r\n";

class BuildRunTest : public ::testing::Test {
public:
    void SetUp() override {
        MessageTable::Instance().LoadBuiltIn();
        RegDeleteKey(0, kVarnexKey);
        ::unsetenv("PEBUILDER_OUTCOME");
        ::unsetenv("PEBUILDER_EXIT");
        ::setenv("PEBUILDER_TRACE", t.Path("trace.txt").c_str(), 1);
        const char* bin = std::getenv("TEST_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        std::filesystem::create_directories(t.Path("builder"));
        std::filesystem::copy_file(std::string(bin) + "/pebuilder",
                                   t.Path("builder/pebuilder.exe"));
        t.Write("source/I386/SHELL32.DL_", "shell32");
        t.Mkdir("builder/out");
        t.Mkdir("prog");
        // Two plugins share a folder, one is nested in a category, one the profile never
        // mentions.
        t.Write("builder/Plugin/tools/a.inf", PluginInf("A", "Enable=0\r\n"));
        t.Write("builder/Plugin/tools/b.inf", PluginInf("B", "Enable=0\r\n"));
        t.Write("builder/Plugin/tools/tool.exe", "tool");
        t.Write("builder/Plugin/cat/nic/nic.inf", PluginInf("Nic", "enable=0\r\n"));
        t.Write("builder/Plugin/cat/nic/nic.sys", "sys");
        t.Write("builder/Plugin/stray/stray.inf", PluginInf("Stray", "Enable=1\r\n"));

        p = StandInProfile(t, "Stand-in");
        p.ManageOrder = true;
        // Store order: A, Nic, B (the report follows it); Order: B 2, Nic 2, A 10.
        Choose("\"A\",\"tools\\a.inf\"", "\"1\",\"Tools\",\"10\"");
        Choose("\"Nic\",\"cat\\nic\\nic.inf\"", "\"1\",\"Net\",\"2\"");
        Choose("\"B\",\"tools\\b.inf\"", "\"1\",\"Tools\",\"2\"");
        Choose("\"Gone\",\"gone\\gone.inf\"", "\"1\",\"\",\"1\"");
    }

    void Choose(const std::string& key, const std::string& data) {
        RegWriteString(0, std::string(kVarnexKey) + "\\Profiles\\001\\Plugin", key, data);
    }

    BuildResult Run(BuildMode mode, const BuildSteps& steps = {}) {
        return RunBuild(mode, p, steps, BuildEnvironment{t.Path("prog")});
    }

    std::map<std::string, std::string> TraceTree() const {
        std::map<std::string, std::string> tree;
        for (const auto& l : Lines(ReadAll(t.Path("trace.txt")))) {
            if (l.rfind("tree\t", 0) != 0) continue;
            std::string rest = l.substr(5);
            size_t tab = rest.find('\t');
            tree[rest.substr(0, tab)] = rest.substr(tab + 1);
        }
        return tree;
    }

    std::string Builder(const std::string& rel) const { return t.Path("builder/" + rel); }

    TempTree t;
    TProfileRec p;
    ScriptedInterface ui;
};

TEST_F(BuildRunTest, BasicBuildStagesInOrderAndPutsThePluginFolderBack) {
    t.Write("builder/input.inf",
            "; options\r\n[input]\r\nlangfile=\r\nsource=old\r\n\r\n[extra]\r\nk = v\r\n");
    t.Write("prog/build.info", "stale report\r\n");
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);

    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Msg("140") + Msg("058"));
    EXPECT_EQ(ui.boxes[0].caption, Msg("048"));
    EXPECT_EQ(ui.boxes[0].flags, MB_QUESTION_YESNO);
    EXPECT_EQ(r.commandLine, "\"" + Builder("pebuilder.exe") + "\" -auto -exit -overwrite");
    EXPECT_EQ(Lines(ReadAll(t.Path("trace.txt")))[0], "argv\t-auto\t-exit\t-overwrite");
    EXPECT_EQ(r.log, LogVerdict::Ok);

    // The options file: existing keys in place, the rest appended in order, comments gone.
    auto inf = Lines(ReadAll(Builder("input.inf")));
    std::vector<std::string> want = {"[input]",
                                     "langfile=",
                                     "source=" + t.Path("source"),
                                     "useAbsoluteOutput=0",
                                     "outdir=out",
                                     "fulloutdir=",
                                     "isofile=" + t.Path("iso") + "/pe.iso",
                                     "customdir=",
                                     "VolumeID=",
                                     "ISOduplicatesonce=0",
                                     "NoUpperCase=0",
                                     "Device=",
                                     "BurnUsing=1",
                                     "verbose=1",
                                     "skipregistry=0",
                                     "skipfiles=0",
                                     "buildiso=0",
                                     "burncd=0",
                                     "BlankCDRW=0",
                                     "CleanIsoAfterBurn=0",
                                     "CleanOutputAfterBurn=0",
                                     "Eject=0",
                                     "Verify=0",
                                     "",
                                     "[extra]",
                                     "k=v",
                                     ""};
    EXPECT_EQ(inf, want);

    // What the builder saw: numbered folders in Order, one plugin file each, hard links.
    auto tree = TraceTree();
    std::vector<std::string> seen;
    for (const auto& [path, info] : tree) seen.push_back(path);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "001(tools)/", "001(tools)/b.inf", "001(tools)/tool.exe", "002(cat_nic)/",
                        "002(cat_nic)/nic.inf", "002(cat_nic)/nic.sys", "003(tools)/",
                        "003(tools)/a.inf", "003(tools)/tool.exe"}));
    std::string toolInode = std::to_string(Inode(Builder("Plugin/tools/tool.exe")));
    EXPECT_EQ(tree["001(tools)/tool.exe"].substr(0, toolInode.size()), toolInode);
    EXPECT_EQ(
        Lines(ReadAll(Builder("out/PLUGINS.TXT"))),
        (std::vector<std::string>{"001(tools)/b.inf", "002(cat_nic)/nic.inf", "003(tools)/a.inf"}));

    // The tree is back, with the enable states written.
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    EXPECT_TRUE(PathExists(Builder("Plugin/tools/tool.exe")));
    EXPECT_FALSE(PathExists(Builder("Plugin/001(tools)")));
    EXPECT_NE(ReadAll(Builder("Plugin/cat/nic/nic.inf")).find("\r\nEnable=1\r\n"),
              std::string::npos);
    EXPECT_NE(ReadAll(Builder("Plugin/stray/stray.inf")).find("\r\nEnable=0\r\n"),
              std::string::npos);

    // The report: profile, options, and the enabled plugins in the store's order.
    auto report = Lines(ReadAll(t.Path("prog/build.info")));
    ASSERT_EQ(report.size(), 26u);
    EXPECT_EQ(report[2], "  Profile Name: Rescue");
    EXPECT_EQ(report[3], "  Builder Name: Stand-in");
    EXPECT_EQ(report[4], "  Build Mode: Basic");
    EXPECT_EQ(report[9], "  Source: " + t.Path("source"));
    EXPECT_EQ(std::vector<std::string>(report.begin() + 23, report.end()),
              (std::vector<std::string>{"  A", "  Nic", "  B"}));
    EXPECT_NE(ReadAll(Builder("pebuilder.log")).find("Done."), std::string::npos);
}

TEST_F(BuildRunTest, ChecksStopBeforeTheQuestionAndLeaveAnEmptyReport) {
    struct Row {
        const char* rule;
        BuildMode mode;
        std::function<void(BuildRunTest&)> arrange;
        const char* message;
    };
    const Row rows[] = {
        {"source without SHELL32.DL_", BuildMode::Basic,
         [](BuildRunTest& f) { f.p.Source = f.t.Path("nowhere"); }, "142"},
        {"empty source", BuildMode::Basic, [](BuildRunTest& f) { f.p.Source = ""; }, "142"},
        {"no builder folder: nothing relative to the current folder", BuildMode::Advanced,
         [](BuildRunTest& f) { f.p.Builder.Path = ""; }, "051"},
        {"missing output folder", BuildMode::Basic, [](BuildRunTest& f) { f.p.OutDir = "missing"; },
         "143"},
        {"image without bootsect.bin", BuildMode::ImageOnly, [](BuildRunTest&) {}, "144"},
    };
    for (const auto& row : rows) {
        TProfileRec saved = p;
        row.arrange(*this);
        t.Write("prog/build.info", "old");
        ui.boxes.clear();
        BuildResult r = Run(row.mode);
        EXPECT_TRUE(r.endedEarly) << row.rule;
        ASSERT_EQ(ui.boxes.size(), 1u) << row.rule;
        EXPECT_EQ(ui.boxes[0].text.substr(0, Msg(row.message).size()), Msg(row.message))
            << row.rule;
        EXPECT_EQ(ui.boxes[0].caption, Msg("045")) << row.rule;
        EXPECT_EQ(ReadAll(t.Path("prog/build.info")), "") << row.rule;
        EXPECT_FALSE(PathExists(Builder("input.inf"))) << row.rule;
        p = saved;
    }
}

TEST_F(BuildRunTest, DeclinedQuestionChangesNothing) {
    t.Write("prog/build.info", "old");
    ui.QueueAnswer(ID_NO);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.endedEarly);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(ReadAll(t.Path("prog/build.info")), "");
    EXPECT_FALSE(PathExists(Builder("input.inf")));
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));
}

// An unwritable build.info was told twice (also before the question) and the run still
// counted as a success.
TEST_F(BuildRunTest, AReportThatCannotBeWrittenIsToldOnceAndFailsTheRun) {
    t.Mkdir("prog/build.info");
    t.Write("builder/out/BOOTSECT.BIN", "boot");
    t.Mkdir("iso");
    for (BuildMode mode : {BuildMode::Basic, BuildMode::ImageOnly}) {
        ui.boxes.clear();
        ui.QueueAnswer(ID_YES);
        const BuildResult r = Run(mode);
        EXPECT_TRUE(r.builderStarted);
        EXPECT_FALSE(r.Succeeded());
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[0].flags, unsigned(MB_QUESTION_YESNO));
        EXPECT_EQ(ui.boxes[1].flags, unsigned(MB_ERROR_OK));
        EXPECT_NE(ui.boxes[1].text.find(t.Path("prog/build.info")), std::string::npos);
    }
}

TEST_F(BuildRunTest, ImageOnlyRunUsesBuildIsoAndLeavesTheReportEmpty) {
    t.Write("builder/out/BOOTSECT.BIN", "boot");
    t.Mkdir("iso");
    p.ISOBuildParameter = "-auto -BuildISO -exit -overwrite";
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::ImageOnly);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(ui.boxes[0].text, Msg("141") + Msg("058"));
    EXPECT_EQ(r.commandLine, "\"" + Builder("pebuilder.exe") + "\" -auto  -exit  -buildiso");
    EXPECT_EQ(ReadAll(t.Path("iso/pe.iso")).rfind("STAND-IN IMAGE", 0), 0u);
    auto inf = ReadAll(Builder("input.inf"));
    EXPECT_NE(inf.find("skipregistry=1\r\nskipfiles=1\r\n"), std::string::npos);
    EXPECT_EQ(ReadAll(t.Path("prog/build.info")), "");
    // The builder's tree is untouched by an image-only run.
    EXPECT_NE(ReadAll(Builder("Plugin/stray/stray.inf")).find("Enable=1"), std::string::npos);
}

TEST_F(BuildRunTest, OutsideProgramsGetTheirMacrosExpanded) {
    t.Mkdir("iso");
    p.BuildISO = true;
    p.PreBuild_UseExternalProgram = true;
    // The builder empties the output folder, so the pre-build program writes beside it.
    p.ExternalProgram1 = "/usr/bin/touch \"@Varnex@/pre-@LCID@\" \"@OutDir@/../pre-outdir\"";
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post-@BuildISO@\"";
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    ASSERT_TRUE(r.Succeeded());
    EXPECT_EQ(r.log, LogVerdict::Ok);
    EXPECT_TRUE(PathExists(t.Path("prog/pre-411")));
    EXPECT_TRUE(PathExists(Builder("pre-outdir")));
    EXPECT_TRUE(WaitFor(t.Path("prog/post-1")));
    // The image is left to the outside program.
    EXPECT_NE(ReadAll(Builder("input.inf")).find("buildiso=0"), std::string::npos);

    // Image-only with the outside image program.
    p.ISO_UseExternalProgram = true;
    p.ExternalProgram3 = "/usr/bin/touch @IsoFile@";
    ui.QueueAnswer(ID_YES);
    r = Run(BuildMode::ImageOnly);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(r.commandLine, "/usr/bin/touch " + t.Path("iso") + "/pe.iso");
    EXPECT_TRUE(WaitFor(t.Path("iso/pe.iso")));
}

TEST_F(BuildRunTest, LogInspectionDecidesOnTheAfterBuildProgram) {
    struct Row {
        const char* rule;
        const char* english;   // lang/english.lng, or null for a builder without languages
        const char* japanese;  // lang/japanese.lng (chosen by the locale's lcid)
        const char* outcome;
        LogVerdict want;
    };
    const Row rows[] = {
        {"no languages, success", nullptr, nullptr, "", LogVerdict::Ok},
        {"no languages, failure [<<]", nullptr, nullptr, "fail", LogVerdict::Failed},
        {"no languages, terminated", nullptr, nullptr, "terminate", LogVerdict::Terminated},
        {"english, success", kEnglishLng, nullptr, "", LogVerdict::Ok},
        {"english, failure", kEnglishLng, nullptr, "fail", LogVerdict::Failed},
        {"english, terminated", kEnglishLng, nullptr, "terminate", LogVerdict::Terminated},
        {"japanese by lcid, failure", kEnglishLng, kJapaneseLng, "fail", LogVerdict::Failed},
        {"japanese by lcid, terminated", kEnglishLng, kJapaneseLng, "terminate",
         LogVerdict::Terminated},
    };
    p.ManageOrder = false;
    p.BuildISO = true;
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post\"";
    for (const auto& row : rows) {
        std::filesystem::remove_all(Builder("lang"));
        std::filesystem::remove(t.Path("prog/post"));
        if (row.english) t.Write("builder/lang/english.lng", row.english);
        if (row.japanese) t.Write("builder/lang/japanese.lng", row.japanese);
        ::setenv("PEBUILDER_OUTCOME", row.outcome, 1);
        ui.QueueAnswer(ID_YES);
        BuildResult r = Run(BuildMode::Basic);
        EXPECT_EQ(r.log, row.want) << row.rule;
        EXPECT_EQ(r.exitCode, 0) << row.rule;  // the builder ends with 0 after a logged failure
        EXPECT_EQ(r.Succeeded(), row.want == LogVerdict::Ok) << row.rule;
        if (row.want == LogVerdict::Ok) {
            EXPECT_TRUE(WaitFor(t.Path("prog/post"))) << row.rule;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_FALSE(PathExists(t.Path("prog/post"))) << row.rule;
        }
        if (row.japanese && row.want == LogVerdict::Failed) {
            EXPECT_NE(ReadAll(Builder("pebuilder.log")).find("\x83\x72\x83\x8B"),
                      std::string::npos);
        }
    }
}

TEST_F(BuildRunTest, NonZeroExitSuppressesTheAfterBuildProgram) {
    p.BuildISO = true;
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post\"";
    ::setenv("PEBUILDER_OUTCOME", "fail", 1);
    ::setenv("PEBUILDER_EXIT", "3", 1);
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(r.log, LogVerdict::NotInspected);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(PathExists(t.Path("prog/post")));
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
}

TEST_F(BuildRunTest, BuilderThatCannotStartIsAnErrorAndThePluginFolderComesBack) {
    std::filesystem::remove(Builder("pebuilder.exe"));
    p.BuildISO = true;
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post\"";
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_FALSE(r.builderStarted);
    EXPECT_FALSE(r.Succeeded());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].caption, Msg("045"));
    EXPECT_EQ(ui.boxes[1].flags, MB_ERROR_OK);
    EXPECT_NE(ui.boxes[1].text.find("pebuilder.exe"), std::string::npos);
    EXPECT_NE(ui.boxes[1].text.find("No such file"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(PathExists(t.Path("prog/post")));
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
    EXPECT_FALSE(PathExists(Builder("Plugin/001(tools)")));
}

TEST_F(BuildRunTest, LeftoverStashWithTheUserTreeInPlaceIsRefused) {
    t.Write("builder/!Plugin!/old/old.inf", PluginInf("Old"));
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.endedEarly);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].flags, MB_ERROR_OK);
    EXPECT_NE(ui.boxes[1].text.find("!Plugin!"), std::string::npos);
    EXPECT_TRUE(PathExists(Builder("!Plugin!/old/old.inf")));
    EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));

    // A build that does not stage has what it needs and goes on, leaving both alone.
    p.ManageOrder = false;
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).Succeeded());
    EXPECT_TRUE(PathExists(Builder("!Plugin!/old/old.inf")));
}

TEST_F(BuildRunTest, LeftoverStashBesideStagedFoldersIsRestoredOnlyWhenAsked) {
    // What a killed run leaves: the real tree in !Plugin!, staged copies in Plugin.
    std::filesystem::rename(Builder("Plugin"), Builder("!Plugin!"));
    t.Write("builder/Plugin/001(tools)/a.inf", PluginInf("A"));

    ui.QueueAnswer(ID_YES);  // build
    ui.QueueAnswer(ID_NO);   // restore?
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.endedEarly);
    EXPECT_EQ(ui.boxes.back().flags, MB_QUESTION_YESNO);
    EXPECT_TRUE(PathExists(Builder("!Plugin!/tools/a.inf")));
    EXPECT_TRUE(PathExists(Builder("Plugin/001(tools)/a.inf")));

    ui.QueueAnswer(ID_YES);  // build
    ui.QueueAnswer(ID_YES);  // restore
    r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
    EXPECT_TRUE(PathExists(Builder("Plugin.staged/001(tools)/a.inf")));  // moved, not deleted
    EXPECT_TRUE(TraceTree().count("001(tools)/b.inf"));
}

TEST_F(BuildRunTest, LeftoverStashWithOnlyStagedLinksLeavesNoStagedFolderBehind) {
    // What a killed run leaves when staging made links: removing them loses nothing.
    std::filesystem::create_symlink("tool.exe", Builder("Plugin/tools/tool.lnk"));
    std::filesystem::rename(Builder("Plugin"), Builder("!Plugin!"));
    t.Mkdir("builder/Plugin/001(tools)/sub");
    std::filesystem::create_hard_link(Builder("!Plugin!/tools/a.inf"),
                                      Builder("Plugin/001(tools)/a.inf"));
    std::filesystem::create_hard_link(Builder("!Plugin!/tools/tool.exe"),
                                      Builder("Plugin/001(tools)/sub/tool.exe"));
    std::filesystem::create_symlink("tool.exe", Builder("Plugin/001(tools)/tool.lnk"));

    ui.QueueAnswer(ID_YES);  // build
    ui.QueueAnswer(ID_YES);  // restore
    EXPECT_TRUE(Run(BuildMode::Basic).Succeeded());
    EXPECT_FALSE(PathExists(Builder("Plugin.staged")));
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    EXPECT_EQ(ReadAll(Builder("Plugin/tools/tool.exe")), "tool");
    EXPECT_TRUE(TraceTree().count("001(tools)/b.inf"));

    // A link to something else is the user's: the staged folders are kept aside.
    std::filesystem::rename(Builder("Plugin"), Builder("!Plugin!"));
    t.Mkdir("builder/Plugin/001(tools)");
    std::filesystem::create_symlink("elsewhere", Builder("Plugin/001(tools)/other.lnk"));
    ui.QueueAnswer(ID_YES);
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).Succeeded());
    EXPECT_TRUE(PathExists(Builder("Plugin.staged/001(tools)/other.lnk")));
}

TEST_F(BuildRunTest, APluginKeyHoldingEqualsAndQuotesGetsItsOwnChoices) {
    // Read as "name=data" lines, "Q"'s value would split after A's key and give A its data.
    t.Write("builder/Plugin/q/q.inf", PluginInf("A\",\"tools\\a.inf\"=Q \"x\"", "Enable=0\r\n"));
    Choose("\"A\",\"tools\\a.inf\"=Q \"x\"\",\"q\\q.inf\"", "\"1\",\"Quoted \"\"cat\"\"\",\"1\"");
    ui.QueueAnswer(ID_YES);
    ASSERT_TRUE(Run(BuildMode::Basic).Succeeded());
    auto tree = TraceTree();
    EXPECT_TRUE(tree.count("001(q)/q.inf"));
    EXPECT_TRUE(tree.count("004(tools)/a.inf"));
    EXPECT_NE(ReadAll(Builder("Plugin/q/q.inf")).find("Enable=1"), std::string::npos);
    EXPECT_NE(ReadAll(Builder("Plugin/tools/a.inf")).find("Enable=1"), std::string::npos);
}

TEST_F(BuildRunTest, AStopAskedForBeforeTheBuilderStartsStartsNothingAndPutsThePluginsBack) {
    class Stopping : public ScriptedInterface {
    public:
        bool StopRequested() override { return true; }
    } stopping;
    p.PreBuild_UseExternalProgram = true;
    p.ExternalProgram1 = "mkdir " + t.Path("pre");
    stopping.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.endedEarly);
    EXPECT_FALSE(r.builderStarted);
    EXPECT_TRUE(r.pluginFolderRestored);
    EXPECT_FALSE(PathExists(t.Path("pre")));
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));
    EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
    EXPECT_FALSE(PathExists(Builder("Plugin/001(tools)")));
}

// Another program gets in the way at the moment the run lets messages through: the run
// calls ProcessMessages right before each rename and delete of the plugin folder.
class InterferingInterface : public ScriptedInterface {
public:
    void ProcessMessages() override {
        ScriptedInterface::ProcessMessages();
        if (interfere && interfere()) interfere = nullptr;  // once
    }
    std::function<bool()> interfere;
};

TEST_F(BuildRunTest, PluginFolderInUseIsRetriedOrCancelled) {
    const std::string retryText = Msg("146") + "\r\n" + Msg("147") + "\r\n" + Msg("053");
    for (int answer : {ID_RETRY, ID_CANCEL}) {
        t.Write("builder/Plugin/stray/stray.inf", PluginInf("Stray", "Enable=1\r\n"));
        InterferingInterface busy;
        // Something holds "!Plugin!" just as the plugin folder is to be moved there.
        busy.interfere = [this] {
            if (ReadAll(Builder("Plugin/stray/stray.inf")).find("Enable=0") == std::string::npos)
                return false;
            t.Write("builder/!Plugin!/held", "x");
            return true;
        };
        busy.onBox = [this](const ScriptedInterface::Box& box) {
            if (box.flags == MB_ERROR_RETRYCANCEL) std::filesystem::remove_all(Builder("!Plugin!"));
        };
        busy.QueueAnswer(ID_YES);
        busy.QueueAnswer(answer);
        BuildResult r = Run(BuildMode::Basic);
        ASSERT_EQ(busy.boxes.size(), 2u);
        EXPECT_EQ(busy.boxes[1].text, retryText);
        EXPECT_EQ(busy.boxes[1].flags, MB_ERROR_RETRYCANCEL);
        EXPECT_EQ(r.Succeeded(), answer == ID_RETRY);
        EXPECT_EQ(r.builderStarted, answer == ID_RETRY);
        EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
        EXPECT_FALSE(PathExists(Builder("!Plugin!")));
    }
}

TEST_F(BuildRunTest, CancelledRestoreLeavesBothFoldersForTheUser) {
    InterferingInterface busy;
    // Something writes into "Plugin" right after the staged folder was deleted.
    busy.interfere = [this] {
        if (!PathExists(t.Path("trace.txt")) || PathExists(Builder("Plugin"))) return false;
        t.Write("builder/Plugin/held", "x");
        return true;
    };
    busy.QueueAnswer(ID_YES);
    busy.QueueAnswer(ID_CANCEL);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.builderStarted);
    EXPECT_FALSE(r.pluginFolderRestored);
    EXPECT_EQ(busy.boxes.back().flags, MB_ERROR_RETRYCANCEL);
    EXPECT_TRUE(PathExists(Builder("!Plugin!/tools/a.inf")));  // the user's tree, untouched
    EXPECT_TRUE(PathExists(Builder("Plugin/held")));

    // The next run finds the leftover and, since Plugin holds a stray file, refuses to stage.
    ScriptedInterface next;
    next.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).endedEarly);
    EXPECT_TRUE(PathExists(Builder("!Plugin!/tools/a.inf")));
}

// On a full disk the stand-in wrote its files empty, logged "Done." and ended with 0: a
// stand-in that lies makes the tests lie. A file-size limit makes writes fail past N bytes
// (EFBIG, with SIGXFSZ ignored) as a full disk does.
TEST_F(BuildRunTest, TheStandInBuilderFailsHonestlyWhenAWriteFails) {
    t.Write("builder/input.inf", "[input]\r\nsource=" + t.Path("source") + "\r\noutdir=out\r\n");
    ::unsetenv("PEBUILDER_TRACE");
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    // The log's first line (with the long argument) passes the limit; the complaint on
    // standard error, a file under the same limit, does not.
    const ChildRun run =
        RunChild({"/usr/bin/prlimit", "--fsize=100", "--", Builder("pebuilder.exe"), "-auto",
                  "-exit", "-" + std::string(70, 'x')},
                 t.Path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("cannot write " + Builder("pebuilder.log")), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadAll(Builder("pebuilder.log")).find("Done."), std::string::npos);
    std::signal(SIGXFSZ, previous);
}

// Wine's own words were lost: a Windows program's standard error went to /dev/null, so a
// failure showed only "builder exit code: 53". The started line now names Wine too.
TEST_F(BuildRunTest, WhatWineWroteOnStandardErrorIsShownWhenTheBuilderFails) {
    t.Write("builder/pebuilder.exe", PeImage(0x8664, 3));
    const std::string wine = t.Write("bin/fake wine",
                                     "#!/bin/sh\necho 'wine: could not load kernel32.dll, status "
                                     "c0000135' >&2\nexit $FAKE_WINE_EXIT\n");
    ::chmod(wine.c_str(), 0755);
    ::setenv("VRNX2_WINE", platform::QuoteArgument(wine).c_str(), 1);
    p.ManageOrder = false;
    for (const char* code : {"53", "0"}) {
        ::setenv("FAKE_WINE_EXIT", code, 1);
        ScriptedInterface boxes;
        boxes.QueueAnswer(ID_YES);
        const BuildResult r = Run(BuildMode::Basic);
        EXPECT_TRUE(r.builderStarted);
        EXPECT_EQ(r.exitCode, std::atoi(code));
        // Through the hive bridge's launcher when it is built.
        const std::string launcher = platform::HiveBridgeLauncher(false);
        EXPECT_EQ(r.commandLine.rfind(platform::QuoteArgument(wine) + " " +
                                          (launcher.empty() ? "" : launcher + " ") + "\"" +
                                          Builder("pebuilder.exe") + "\" ",
                                      0),
                  0u)
            << r.commandLine;
        ASSERT_EQ(boxes.boxes.size(), 2u) << code;
        // A code that is not 0, or a log left empty: the builder did not run.
        EXPECT_NE(boxes.boxes[1].text.find("wine: could not load kernel32.dll, status c0000135"),
                  std::string::npos)
            << boxes.boxes[1].text;
    }
    ::unsetenv("FAKE_WINE_EXIT");
    ::unsetenv("VRNX2_WINE");
}

TEST_F(BuildRunTest, RestoreDeletesOnlyThePluginFolderThisRunStaged) {
    // While the builder runs, something puts a staged-looking folder of its own at Plugin, or
    // adds a folder to the staged one.
    struct Row {
        std::function<void()> interfere;
        const char* kept;
    };
    const Row rows[] = {
        {[this] {
             std::filesystem::rename(Builder("Plugin"), Builder("Plugin.moved"));
             t.Write("builder/Plugin/001(x)/user.txt", "mine");
         },
         "Plugin/001(x)/user.txt"},
        {[this] { t.Write("builder/Plugin/009(x)/user.txt", "mine"); }, "Plugin/009(x)/user.txt"},
    };
    for (const Row& row : rows) {
        InterferingInterface busy;
        busy.interfere = [&] {
            if (!PathExists(t.Path("trace.txt"))) return false;
            row.interfere();
            return true;
        };
        busy.QueueAnswer(ID_YES);
        BuildResult r = Run(BuildMode::Basic);
        EXPECT_TRUE(r.builderStarted);
        EXPECT_FALSE(r.pluginFolderRestored);
        EXPECT_TRUE(PathExists(Builder(row.kept))) << row.kept;
        EXPECT_TRUE(PathExists(Builder("!Plugin!/tools/a.inf")));
        EXPECT_NE(busy.boxes.back().text.find(Builder("!Plugin!")), std::string::npos)
            << busy.boxes.back().text;
        // Sorted out by hand, as the message asks.
        std::filesystem::remove_all(Builder("Plugin"));
        std::filesystem::rename(Builder("!Plugin!"), Builder("Plugin"));
        std::filesystem::remove_all(Builder("Plugin.moved"));
        std::filesystem::remove(t.Path("trace.txt"));
    }
}

TEST_F(BuildRunTest, ABuilderFolderHeldByAnotherRunIsRefusedBeforeAnythingChanges) {
    const platform::FolderLock other = platform::FolderLock::TryTake(Builder(""));
    ASSERT_TRUE(other.Held());
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.builderInUse);
    EXPECT_TRUE(r.endedEarly);
    ASSERT_EQ(ui.boxes.size(), 1u);  // no question asked
    EXPECT_NE(ui.boxes[0].text.find("(process " + std::to_string(::getpid()) + ")"),
              std::string::npos)
        << ui.boxes[0].text;
    EXPECT_FALSE(PathExists(Builder("input.inf")));
    EXPECT_NE(ReadAll(Builder("Plugin/tools/a.inf")).find("Enable=0"), std::string::npos);
}

// Two builders of different folders in one Wine prefix load their hives under the same
// names: the second build failed halfway with error 183. It is now refused at the start.
TEST_F(BuildRunTest, AWinePrefixHeldByAnotherBuildIsRefusedBeforeAnythingChanges) {
    t.Write("builder/pebuilder.exe", PeImage(0x8664, 3));
    const std::string wine = t.Write("bin/wine", "#!/bin/sh\nexit 0\n");
    ::chmod(wine.c_str(), 0755);
    ::setenv("VRNX2_WINE", wine.c_str(), 1);
    ::setenv("WINEPREFIX", t.Mkdir("prefix").c_str(), 1);
    p.ManageOrder = false;
    {
        const platform::FolderLock other = platform::FolderLock::TryTake(t.Path("prefix"));
        ASSERT_TRUE(other.Held());
        ScriptedInterface refused;
        refused.QueueAnswer(ID_YES);
        const BuildResult r = Run(BuildMode::Basic);
        EXPECT_TRUE(r.builderInUse);
        EXPECT_FALSE(r.builderStarted);
        ASSERT_EQ(refused.boxes.size(), 1u);  // no question asked
        EXPECT_NE(refused.boxes[0].text.find(t.Path("prefix")), std::string::npos);
        EXPECT_NE(refused.boxes[0].text.find("(process " + std::to_string(::getpid()) + ")"),
                  std::string::npos)
            << refused.boxes[0].text;
        EXPECT_FALSE(PathExists(Builder("input.inf")));
    }
    ScriptedInterface free;
    free.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).builderStarted);
    ::unsetenv("WINEPREFIX");
    ::unsetenv("VRNX2_WINE");
}

// A builder in a folder named with a double quote once failed with "No such file": its path
// was joined into a command line and split again.
TEST_F(BuildRunTest, BuilderFolderWithADoubleQuoteBuildsAndMakesItsImage) {
    std::filesystem::create_directories(t.Path("q\"uote"));
    std::filesystem::rename(t.Path("builder"), t.Path("q\"uote/builder"));
    p.Builder.Path = t.Path("q\"uote/builder");
    p.BuildParameter = "-auto -exit";
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    EXPECT_EQ(Lines(ReadAll(t.Path("trace.txt")))[0], "argv\t-auto\t-exit\t-overwrite");
    EXPECT_TRUE(PathExists(t.Path("q\"uote/builder/out/bootsect.bin")));

    p.ISOBuildParameter = "-auto -exit";
    t.Mkdir("iso");
    ui.QueueAnswer(ID_YES);
    r = Run(BuildMode::ImageOnly);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_TRUE(PathExists(t.Path("iso/pe.iso")));
}

// A builder that cannot be started here is refused before the question, and the run leaves
// everything as it was: no options file, no plugin file written, no program started.
TEST_F(BuildRunTest, RefusedBuilderChangesNothing) {
    const std::string fakeWine = t.Write("root/usr/bin/wine", "#!/bin/sh\nexit 0\n");
    ::chmod(fakeWine.c_str(), 0755);
    platform::SetWineSearchRoot(t.Path("root"));
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display ? display : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    struct Row {
        const char* what;
        std::string program;
        std::string wine;
        const char* mention;
    };
    const Row rows[] = {
        {"not a program", "MZ" + std::string(100, '\0'), fakeWine,
         "はここで起動できるプログラムではありません"},
        {"no Wine", PeImage(0x8664, 3), t.Path("no/wine"), "wine64"},
        {"32-bit, no 32-bit Wine", PeImage(0x14c, 2), fakeWine, "wine32:i386"},
        {"window program, no display", PeImage(0x8664, 2), fakeWine, "WAYLAND_DISPLAY"},
    };
    p.PreBuild_UseExternalProgram = true;
    p.ExternalProgram1 = "/usr/bin/touch \"@Varnex@/pre\"";
    const std::string stray = ReadAll(Builder("Plugin/stray/stray.inf"));
    t.Write("builder/out/bootsect.bin", "BOOT");  // so the image-only run gets as far
    for (const Row& row : rows) {
        t.Write("builder/pebuilder.exe", row.program);
        ::setenv("VRNX2_WINE", row.wine.c_str(), 1);
        ScriptedInterface refused;
        for (BuildMode mode : {BuildMode::Basic, BuildMode::ImageOnly}) {
            BuildResult r = RunBuild(mode, p, {}, BuildEnvironment{t.Path("prog")});
            EXPECT_FALSE(r.builderStarted) << row.what;
            EXPECT_FALSE(r.Succeeded()) << row.what;
        }
        ASSERT_EQ(refused.boxes.size(), 2u) << row.what;
        EXPECT_EQ(refused.boxes[0].flags, MB_ERROR_OK);
        EXPECT_NE(refused.boxes[0].text.find(Builder("pebuilder.exe")), std::string::npos);
        EXPECT_NE(refused.boxes[0].text.find(row.mention), std::string::npos)
            << refused.boxes[0].text;
        EXPECT_FALSE(PathExists(Builder("input.inf"))) << row.what;
        EXPECT_FALSE(PathExists(Builder("pebuilder.log"))) << row.what;
        EXPECT_EQ(ReadAll(Builder("Plugin/stray/stray.inf")), stray) << row.what;
        EXPECT_FALSE(PathExists(Builder("!Plugin!"))) << row.what;
        EXPECT_FALSE(PathExists(t.Path("prog/pre"))) << row.what;
        EXPECT_FALSE(PathExists(t.Path("trace.txt"))) << row.what;
    }
    // An image made by the outside program does not need the builder.
    p.ISO_UseExternalProgram = true;
    p.ExternalProgram3 = "/usr/bin/touch \"@Varnex@/image\"";
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::ImageOnly).builderStarted);
    EXPECT_TRUE(WaitFor(t.Path("prog/image")));
    ::unsetenv("VRNX2_WINE");
    platform::SetWineSearchRoot("");
    if (display) ::setenv("DISPLAY", savedDisplay.c_str(), 1);
}

// Under code page 1252 a folder "bü日本" was written as "b\xFC??": the builder then looked
// for a folder that does not exist and failed with nothing but its exit code.
TEST_F(BuildRunTest, ValueTheCodePageCannotHoldStopsBeforeTheBuilder) {
    const std::string custom = t.Mkdir("b\xC3\xBC\xE6\x97\xA5\xE6\x9C\xAC");
    t.Write("builder/input.inf", "[input]\r\nsource=old\r\n");
    p.CustomDir = custom;
    ::setenv("ANSI_CODEPAGE", "1252", 1);
    ui.QueueAnswer(ID_YES);
    BuildResult r = Run(BuildMode::Basic);
    EXPECT_FALSE(r.builderStarted);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[1].text.find("customdir"), std::string::npos) << ui.boxes[1].text;
    EXPECT_NE(ui.boxes[1].text.find(custom), std::string::npos) << ui.boxes[1].text;
    EXPECT_EQ(ReadAll(Builder("input.inf")), "[input]\r\nsource=old\r\n");
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));
    EXPECT_NE(ReadAll(Builder("Plugin/tools/a.inf")).find("Enable=0"), std::string::npos);

    // "日本" fits code page 932 (the locale's): the build goes ahead.
    ::unsetenv("ANSI_CODEPAGE");
    p.CustomDir = t.Mkdir("\xE6\x97\xA5\xE6\x9C\xAC");
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).Succeeded()) << ui.boxes.back().text;
    EXPECT_NE(ReadAll(Builder("input.inf")).find("\x93\xFA\x96\x7B"), std::string::npos);
}

// The log is emptied before the start; a builder that ends with 0 and leaves no log did not
// run (Wine without 32-bit support ends so), and that is a failure, said as one.
TEST_F(BuildRunTest, ExitZeroWithAnEmptyOrMissingLogIsAFailure) {
    const std::pair<const char*, LogVerdict> rows[] = {
        {"#!/bin/sh\nexit 0\n", LogVerdict::Empty},
        {"#!/bin/sh\nrm -f \"$(dirname \"$0\")/pebuilder.log\"\n", LogVerdict::Missing},
    };
    p.BuildISO = true;
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "/usr/bin/touch \"@Varnex@/post\"";
    for (const auto& [script, verdict] : rows) {
        t.Write("builder/pebuilder.log", "Done.\r\n");  // an earlier build's success
        t.Write("builder/pebuilder.exe", script);
        ::chmod(Builder("pebuilder.exe").c_str(), 0755);
        ScriptedInterface silent;
        silent.QueueAnswer(ID_YES);
        BuildResult r = Run(BuildMode::Basic);
        EXPECT_TRUE(r.builderStarted);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.log, verdict);
        EXPECT_FALSE(r.Succeeded());
        ASSERT_EQ(silent.boxes.size(), 2u);
        EXPECT_NE(silent.boxes[1].text.find("did not run"), std::string::npos);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(PathExists(t.Path("prog/post")));
        EXPECT_TRUE(PathExists(Builder("Plugin/tools/a.inf")));
    }
}

}  // namespace
