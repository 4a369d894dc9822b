// Whole build runs with the Windows stand-in builder through Wine, in the prefix the test
// fixture made (WINEPREFIX): what it read, its exit codes and logs, and vrnx2-cli build.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/Lines.h"
#include "platform/CodePage.h"
#include "platform/WineLaunch.h"
#include "platform/hive/Hive.h"
#include "platform/hive/RegExport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/HiveMaker.h"
#include "tests/support/IsoImage.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempTree.h"
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

// With ANSI_CODEPAGE=932 in an English locale, input.inf was written in code page 932 and
// Wine ran the builder in 1252: a trail byte 0x5C of "ソース" became a folder separator.
TEST_F(BuildWineTest, WineRunsInALocaleOfOurCodePageOrTheRunIsRefused) {
    if (!std::filesystem::exists("/usr/share/i18n/locales/ja_JP"))
        GTEST_SKIP() << "no locale sources (Debian package locales)";
    std::filesystem::rename(t.Path("source"), t.Path("ソース"));
    p.Source = t.Path("ソース");
    p.ManageOrder = false;
    // The C library and Wine find locales in LOCPATH alone: first none, then ja_JP.UTF-8.
    const std::string locales = t.Mkdir("locales");
    ::setenv("LOCPATH", locales.c_str(), 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("ANSI_CODEPAGE", "932", 1);
    auto restore = [] {
        ::unsetenv("LOCPATH");
        ::unsetenv("ANSI_CODEPAGE");
        ::setenv("LANG", "ja_JP.UTF-8", 1);
    };

    {
        ScriptedInterface refused;
        EXPECT_FALSE(Run(BuildMode::Basic).builderStarted);
        ASSERT_EQ(refused.boxes.size(), 1u);  // before the question
        EXPECT_NE(refused.boxes[0].text.find("ja_JP.UTF-8"), std::string::npos)
            << refused.boxes[0].text;
        EXPECT_NE(refused.boxes[0].text.find("locales"), std::string::npos);
        EXPECT_FALSE(PathExists(t.Path("builder/input.inf")));
    }

    const ChildRun made = RunChild(
        {"/usr/bin/localedef", "-i", "ja_JP", "-f", "UTF-8", locales + "/ja_JP.UTF-8"}, t.Path());
    ASSERT_TRUE(std::filesystem::exists(locales + "/ja_JP.UTF-8/LC_CTYPE")) << made.err;
    ui.QueueAnswer(ID_YES);
    const BuildResult r = Run(BuildMode::Basic);
    restore();
    EXPECT_TRUE(r.Succeeded()) << ReadAll(t.Path("builder/pebuilder.log"))
                               << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    EXPECT_EQ(r.commandLine.rfind("LC_ALL=ja_JP.UTF-8 wine ", 0), 0u) << r.commandLine;
    EXPECT_EQ(platform::AnsiToUtf8(SeenInput().at("source"), 932), ZForm(t.Path("ソース")));
    EXPECT_NE(ReadAll(t.Path("trace.txt")).find("acp\t932\n"), std::string::npos);
}

// A stand-in that ignored a failed write logged "Done." and ended with 0.
TEST_F(BuildWineTest, TheWindowsStandInFailsHonestlyWhenAWriteFails) {
    t.Mkdir("builder/out/PLUGINS.TXT");  // a folder where the plugin list is written
    ui.QueueAnswer(ID_YES);
    const BuildResult r = Run(BuildMode::Basic);
    EXPECT_TRUE(r.builderStarted);
    EXPECT_EQ(r.exitCode, 1);
    const std::string log = ReadAll(t.Path("builder/pebuilder.log"));
    EXPECT_NE(log.find("Cannot write the output"), std::string::npos) << log;
    EXPECT_EQ(log.find("Done."), std::string::npos) << log;
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
    EXPECT_NE(err.find("started: wine " + platform::HiveBridgeLauncher(false) + " \"" +
                       t.Path("builder/pebuilder.exe") + "\" -auto -exit"),
              std::string::npos)
        << err;

    // What Wine says when it cannot run the builder reaches the person.
    const std::string prefix = std::getenv("WINEPREFIX");
    ::setenv("WINEPREFIX", "relative-prefix", 1);
    const ChildRun refused = RunChild({bin + "/vrnx2-cli", "build", "Rescue", "--yes"}, t.Path());
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("builder exit code: 1"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("relative-prefix in WINEPREFIX: not an absolute path"),
              std::string::npos)
        << refused.err;
}

// The registry hive of the source, edited by a 64-bit and a 32-bit builder through Wine.
class BuildWineHiveTest : public BuildWineTest {
public:
    // Values sorted by name at every level, so trees compare whatever order Wine kept.
    static hive::Key Sorted(hive::Key k) {
        std::sort(k.values.begin(), k.values.end(), [](const hive::Value& a, const hive::Value& b) {
            return hive::CompareNames(a.name, b.name) < 0;
        });
        for (hive::Key& c : k.subkeys) c = Sorted(std::move(c));
        return k;
    }
    static const hive::Key& Sub(const hive::Key& k, const char* path) {
        const hive::Key* found = hive::FindKey(k, path);
        if (!found) throw std::runtime_error(std::string("no key ") + path);
        return *found;
    }
    // What the stand-in puts into the hive (hives.c), on top of `source`.
    static hive::Key Expected(hive::Key root) {
        using hive::Value;
        std::erase_if(root.values, [](const Value& v) { return v.name == u"DeleteMe"; });
        std::erase_if(root.subkeys, [](const hive::Key& k) { return k.name == u"DeleteKey"; });
        hive::Key k{u"VrnxStandIn"};
        k.hasClass = true;
        k.className = u"StandInClass";
        k.values = {Value{u"", 1, testhive::Wide(u"default")},
                    Value{u"sz", 1, testhive::Wide(u"stand-in")},
                    Value{u"expand", 2, testhive::Wide(u"%SystemRoot%\\x")},
                    Value{u"multi", 7, testhive::Wide(std::u16string(u"first\0second\0", 13))},
                    Value{u"dword", 4, std::string("\x2a\0\0\0", 4)},
                    Value{u"qword", 11, std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8)},
                    Value{u"binary", 3, std::string("\0\xff\x10\x7f", 4)},
                    Value{u"none", 0, ""},
                    Value{u"odd", 0x1234, "\1\2\3"},
                    Value{u"\u540d\u524d", 1, testhive::Wide(u"\u65e5\u672c\u8a9e")}};
        hive::Key plugins{u"Plugins"};
        const char* files[] = {"001(net)\\nic.inf", "002(tools)\\a.inf"};
        for (int i = 0; i < 2; ++i) {
            hive::Key one{hive::FromUtf8(std::to_string(i + 1))};
            one.values.push_back(Value{u"file", 1, testhive::Wide(hive::FromUtf8(files[i]))});
            plugins.subkeys.push_back(one);
        }
        k.subkeys.push_back(plugins);
        root.subkeys.push_back(k);
        return root;
    }
    // The first line where two texts differ, with its number; empty when they are equal.
    static std::string FirstDifference(const std::string& a, const std::string& b) {
        const std::vector<std::string> x = Lines(a), y = Lines(b);
        for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
            const std::string l = i < x.size() ? x[i] : "(end)", r = i < y.size() ? y[i] : "(end)";
            if (l != r)
                return "line " + std::to_string(i + 1) + ": " + l.substr(0, 200) + " | " +
                       r.substr(0, 200);
        }
        return "";
    }
    static std::string Text(const hive::Key& k) {
        return hive::ExportRegText(Sorted(k), "HKLM\\PE");
    }
};

TEST_F(BuildWineHiveTest, BuildersOfBothBitnessesEditTheSourcesHive) {
    hive::Hive source = testhive::SampleHive(3);
    source.root.values.push_back(hive::Value{u"DeleteMe", 4, std::string(4, '\0')});
    source.root.subkeys.push_back(hive::Key{u"DeleteKey"});
    const std::string sourceBytes = hive::WriteHive(source, 0x01D0000000000000ull);
    t.Write("source/I386/SETUPREG.HIV", sourceBytes);
    const hive::Hive original = hive::ReadHive(sourceBytes);
    for (const char* standIn : {"pebuilder-win.exe", "pebuilder-win32.exe"}) {
        SCOPED_TRACE(standIn);
        std::filesystem::copy_file(bin + "/" + standIn, t.Path("builder/pebuilder.exe"),
                                   std::filesystem::copy_options::overwrite_existing);
        ui.QueueAnswer(ID_YES);
        const BuildResult r = Run(BuildMode::Basic);
        ASSERT_TRUE(r.Succeeded()) << ReadAll(t.Path("builder/pebuilder.log"));

        const std::string bytes = ReadAll(t.Path("builder/out/I386/SETUPREG.HIV"));
        const hive::Hive built = hive::ReadHive(bytes);
        EXPECT_EQ(FirstDifference(Text(built.root), Text(Expected(original.root))), "");
        // A sound Windows XP hive: its version, equal sequence numbers, the checksum.
        EXPECT_EQ(built.Minor(), 3u);
        EXPECT_EQ(bytes.substr(4, 4), bytes.substr(8, 4));
        uint32_t sum = 0;
        for (size_t at = 0; at < 508; at += 4) {
            uint32_t v = 0;
            std::memcpy(&v, bytes.data() + at, 4);
            sum ^= v;
        }
        uint32_t stored = 0;
        std::memcpy(&stored, bytes.data() + 508, 4);
        EXPECT_EQ(sum, stored);
        EXPECT_LE(bytes.size(), sourceBytes.size() + 8192);
        // Untouched keys keep their descriptor and time; new ones inherit their parent's.
        EXPECT_EQ(Sub(built.root, "Restricted").security, testhive::RestrictedSecurity());
        EXPECT_EQ(Sub(built.root, "Types").time, Sub(original.root, "Types").time);
        EXPECT_EQ(Sub(built.root, "VrnxStandIn").security, original.root.security);
        // RegSaveKey wrote a hive too (RegRestoreKey read it back: the stand-in checked).
        const hive::Hive saved = hive::ReadHive(ReadAll(t.Path("builder/out/I386/SAVED.HIV")));
        EXPECT_EQ(Sub(saved.root, "VrnxStandIn\\Plugins\\2").values.at(0).data,
                  testhive::Wide(u"002(tools)\\a.inf"));

        // The source's hive is never written, nothing is left beside the hives, and no hive
        // stays mounted in the prefix.
        EXPECT_EQ(ReadAll(t.Path("source/I386/SETUPREG.HIV")), sourceBytes);
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(t.Path("builder/out/I386")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"SAVED.HIV", "SETUPREG.HIV", "SETUPREG.OLD",
                                                   "SYSTEM32"}));
        // RegReplaceKey: the hive as it was unloaded became SETUPREG.OLD.
        EXPECT_EQ(FirstDifference(
                      Text(hive::ReadHive(ReadAll(t.Path("builder/out/I386/SETUPREG.OLD"))).root),
                      Text(built.root)),
                  "");
        const ChildRun query = RunChild({"wine", "reg", "query", "HKLM\\PE-SETUPREG"}, t.Path());
        EXPECT_NE(query.exitCode, 0) << query.out;
    }
}

TEST_F(BuildWineHiveTest, ADamagedHiveFailsItsLoadAndLeavesNothingMounted) {
    std::string damaged = hive::WriteHive(testhive::SampleHive(3), 1);
    damaged.resize(4096 + 200);  // cut inside the first bin
    t.Write("source/I386/SETUPREG.HIV", damaged);
    ui.QueueAnswer(ID_YES);
    EXPECT_FALSE(Run(BuildMode::Basic).Succeeded());
    EXPECT_NE(ReadAll(t.Path("builder/pebuilder.log"))
                  .find("loading SETUPREG.HIV failed with error 1009"),
              std::string::npos)
        << ReadAll(t.Path("builder/pebuilder.log"));
    EXPECT_EQ(ReadAll(t.Path("builder/out/I386/SETUPREG.HIV")), damaged);

    // The mount key was not left behind: a sound hive loads under the same name.
    t.Write("source/I386/SETUPREG.HIV", hive::WriteHive(testhive::SampleHive(3), 1));
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(Run(BuildMode::Basic).Succeeded()) << ReadAll(t.Path("builder/pebuilder.log"));
}

// A Windows builder that hangs with a child of its own: the stop ends both (they run in the
// builder's process group), and the plugin folder comes back.
TEST_F(BuildWineTest, AStopEndsTheWindowsBuilderAndItsChild) {
    ::setenv("PEBUILDER_OUTCOME", "hang", 1);
    ScriptedInterface ui;
    ui.QueueAnswer(ID_YES);
    const std::string builder = ZForm(t.Path("builder"));
    bool bothSeen = false;
    ui.stopWhen = [&] {
        bothSeen = bothSeen || ProcessesMentioning(builder) >= 2;
        return bothSeen;
    };
    const BuildResult result = Run(BuildMode::Basic);
    ::unsetenv("PEBUILDER_OUTCOME");
    EXPECT_TRUE(result.stopped);
    EXPECT_TRUE(bothSeen);
    for (int i = 0; i < 250 && ProcessesMentioning(builder) > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ProcessesMentioning(builder), 0);
    EXPECT_TRUE(PathExists(t.Path("builder/Plugin/tools/a.inf")));
    EXPECT_FALSE(PathExists(t.Path("builder/!Plugin!")));
}

}  // namespace
