// Macros, the report, the run's derived values and the options file.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/TempTree.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/build/BuildReport.h"
#include "vrnx2/build/IniText.h"
#include "vrnx2/build/Macros.h"

using namespace vrnx2;

namespace {

TProfileRec Profile() {
    TProfileRec p;
    p.ProfileName = "Rescue";
    p.Builder.Name = "Main builder";
    p.Builder.Path = "/opt/builder/";
    p.Source = "/src/xp/";
    p.OutDir = "PEOut/";
    p.FullOutDir = "/out/full/";
    p.ISOPath = "/iso";
    p.ISOFile = "pe.iso";
    p.CustomDir = "/custom/";
    p.VolumeID = "PE_VOL";
    p.Device = "1,0,0";
    p.BurnUsing = 3;
    return p;
}

// ---- Macros ----

TEST(ExpandMacros, TemplateWithoutTokensIsUnchanged) {
    EXPECT_EQ(ExpandMacros("tool.exe -x @nope -y", "/o", Profile(), "/v"), "tool.exe -x @nope -y");
}

TEST(ExpandMacros, PathsLoseTrailingSlashAndIsoFileHasOneSeparator) {
    TProfileRec p = Profile();
    EXPECT_EQ(ExpandMacros("@PEBuilder@|@Varnex@|@SourcePath@|@OUTDIR@|@isofile@|@CustomDir@",
                           "/out/", p, "/prog/"),
              "/opt/builder|/prog|/src/xp|/out|/iso/pe.iso|/custom");
    p.ISOPath = "/iso/";
    EXPECT_EQ(ExpandMacros("@IsoFile@", "", p, "/v"), "/iso/pe.iso");
}

TEST(ExpandMacros, BurnDependentTokensNeedBurnCD) {
    TProfileRec p = Profile();
    p.BlankCDRW = p.Verify = p.Eject = p.CleanIsoAfterBurn = p.CleanOutputAfterBurn = true;
    const std::string t = "@BlankCDRW@@Verify@@Eject@@CleanIsoAfterBurn@@CleanOutputAfterBurn@";
    EXPECT_EQ(ExpandMacros(t, "", p, "/v"), "00000");
    p.BurnCD = true;
    EXPECT_EQ(ExpandMacros(t, "", p, "/v"), "11111");
}

TEST(ExpandMacros, LocaleTokens) {
    // The test environment pins LANG=ja_JP.UTF-8.
    EXPECT_EQ(ExpandMacros("@LCID@ @Language@", "", Profile(), "/v"), "411 Japanese");
}

TEST(ExpandMacros, OrderDecidesWhichValuesAreExpandedAgain) {
    TProfileRec p = Profile();
    p.Source = "/src/@OutDir@";   // a later token in a value: expanded by the later step
    p.VolumeID = "@SourcePath@";  // an earlier token in a value: stays
    EXPECT_EQ(ExpandMacros("@SourcePath@ @VolumeID@", "/o", p, "/v"), "/src//o @SourcePath@");
}

// ---- Report ----

TEST(BuildReport, LayoutWithoutOutsideProgramsOrPlugins) {
    BuildReport r;
    TProfileRec p = Profile();
    r.AddProfileSections(p, BuildMode::Basic);
    const auto& l = r.Lines();
    ASSERT_EQ(l.size(), 23u);
    const std::string sep(60, '-');
    EXPECT_EQ(l[0], "[Profile Information]");
    EXPECT_EQ(l[1], sep);
    EXPECT_EQ(l[2], "  Profile Name: Rescue");
    EXPECT_EQ(l[3], "  Builder Name: Main builder");
    EXPECT_EQ(l[4], "  Build Mode: Basic");
    EXPECT_EQ(l[5].rfind("  Build Date: ", 0), 0u);
    EXPECT_EQ(l[6], "");
    EXPECT_EQ(l[7], "[Build Options]");
    EXPECT_EQ(l[9], "  Source: /src/xp");
    EXPECT_EQ(l[10], "  Use Absolute Output: False");
    EXPECT_EQ(l[11], "  OutDir: PEOut");
    EXPECT_EQ(l[12], "  Full-OutDir: /out/full");
    EXPECT_EQ(l[13], "  ISO File: /iso/pe.iso");
    EXPECT_EQ(l[14], "  Custom Dir: /custom");
    EXPECT_EQ(l[15], "  VolumeID: PE_VOL");
    EXPECT_EQ(l[16], "  UpperCase: True");  // NoUpperCase clear: names are upper-cased
    EXPECT_EQ(l[17], "  Verbose: True");
    EXPECT_EQ(l[18], "  Use External Program(Pre-Build): False");
    EXPECT_EQ(l[19], "  Use External Program(Build): False");
    EXPECT_EQ(l[20], "");
    EXPECT_EQ(l[21], "[Plugins]");
    EXPECT_EQ(l[22], sep);
}

TEST(BuildReport, OutsideProgramsAsStoredAndPluginLines) {
    BuildReport r;
    TProfileRec p = Profile();
    p.NoUpperCase = true;
    p.PreBuild_UseExternalProgram = true;
    p.ExternalProgram1 = "pre @OutDir@";
    p.Build_UseExternalProgram = true;
    p.ExternalProgram2 = "post @IsoFile@";
    r.AddProfileSections(p, BuildMode::Advanced);
    r.AddPlugin("Nic");
    const auto& l = r.Lines();
    ASSERT_EQ(l.size(), 26u);
    EXPECT_EQ(l[4], "  Build Mode: Advanced");
    EXPECT_EQ(l[16], "  UpperCase: False");
    EXPECT_EQ(l[19], "  External Program(Pre-Build): pre @OutDir@");
    EXPECT_EQ(l[21], "  External Program(Build): post @IsoFile@");
    EXPECT_EQ(l[25], "  Nic");
}

// ---- Run flags, options file values, command lines ----

struct FlagRow {
    const char* rule;
    BuildMode mode;
    BuildSteps steps;
    bool buildIso, skipFiles;
    RunFlags want;
};

TEST(ComputeRunFlags, Table) {
    const FlagRow rows[] = {
        {"basic builds, image from profile",
         BuildMode::Basic,
         {},
         true,
         true,
         {true, true, false, true}},
        {"iso mode is image only",
         BuildMode::ImageOnly,
         {},
         false,
         false,
         {false, false, true, false}},
        {"advanced registry only",
         BuildMode::Advanced,
         {true, false, false, false},
         true,
         false,
         {true, false, false, true}},
        {"advanced files and burn",
         BuildMode::Advanced,
         {false, true, false, true},
         false,
         true,
         {true, true, false, false}},
        {"advanced iso only is image only",
         BuildMode::Advanced,
         {false, false, true, false},
         false,
         false,
         {false, true, true, true}},
        {"advanced nothing on: neither",
         BuildMode::Advanced,
         {},
         true,
         false,
         {false, false, false, true}},
    };
    for (const auto& row : rows) {
        TProfileRec p;
        p.BuildISO = row.buildIso;
        p.SkipFiles = row.skipFiles;
        RunFlags f = ComputeRunFlags(row.mode, p, row.steps);
        EXPECT_EQ(f.doBuild, row.want.doBuild) << row.rule;
        EXPECT_EQ(f.makeImage, row.want.makeImage) << row.rule;
        EXPECT_EQ(f.imageOnly, row.want.imageOnly) << row.rule;
        EXPECT_EQ(f.skipFiles, row.want.skipFiles) << row.rule;
    }
}

std::string Value(const std::vector<std::pair<std::string, std::string>>& v, const std::string& k) {
    for (const auto& [key, value] : v)
        if (key == k) return value;
    return "<absent>";
}

TEST(OptionsFileValues, AdvancedTogglesAndImageOnly) {
    TProfileRec p = Profile();
    p.BlankCDRW = p.Eject = true;
    BuildSteps regOffFilesOn{false, true, false, false};
    auto v = OptionsFileValues(BuildMode::Advanced, p, regOffFilesOn,
                               ComputeRunFlags(BuildMode::Advanced, p, regOffFilesOn));
    EXPECT_EQ(Value(v, "skipregistry"), "1");
    EXPECT_EQ(Value(v, "skipfiles"), "0");
    EXPECT_EQ(Value(v, "BlankCDRW"), "0");  // burn is off in the bar

    BuildSteps isoBurn{false, false, true, true};
    v = OptionsFileValues(BuildMode::Advanced, p, isoBurn,
                          ComputeRunFlags(BuildMode::Advanced, p, isoBurn));
    EXPECT_EQ(Value(v, "skipregistry"), "1");
    EXPECT_EQ(Value(v, "skipfiles"), "1");
    EXPECT_EQ(Value(v, "buildiso"), "1");
    EXPECT_EQ(Value(v, "BlankCDRW"), "1");
    EXPECT_EQ(Value(v, "Eject"), "1");
    EXPECT_EQ(Value(v, "Verify"), "0");
}

TEST(OptionsFileValues, OutsideImageProgramZeroesTheSevenImageKeys) {
    TProfileRec p = Profile();
    p.BuildISO = p.BurnCD = p.BlankCDRW = p.CleanIsoAfterBurn = p.CleanOutputAfterBurn = true;
    p.Eject = p.Verify = true;
    p.Build_UseExternalProgram = true;
    for (BuildMode mode : {BuildMode::Basic, BuildMode::ImageOnly, BuildMode::Advanced}) {
        BuildSteps all{true, true, true, true};
        auto v = OptionsFileValues(mode, p, all, ComputeRunFlags(mode, p, all));
        for (const char* k : {"buildiso", "burncd", "BlankCDRW", "CleanIsoAfterBurn",
                              "CleanOutputAfterBurn", "Eject", "Verify"})
            EXPECT_EQ(Value(v, k), "0") << k << " in mode " << static_cast<int>(mode);
    }
}

TEST(CommandOptions, OverwriteAndBuildIsoAppearExactlyOnceAtTheEnd) {
    EXPECT_EQ(BuildOptionsText("-auto -OverWrite -exit", false), "-auto  -exit -overwrite");
    EXPECT_EQ(BuildOptionsText("-auto -overwrite -exit", true), "-auto  -exit");
    EXPECT_EQ(BuildOptionsText("", false), " -overwrite");
    EXPECT_EQ(ImageOptionsText("-auto -BuildISO -exit -overwrite"), "-auto  -exit  -buildiso");
}

TEST(SplitDelimitedText, StoredPluginChoices) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitDelimitedText("\"1\",\"Drivers\\Net\",\"3\""), (V{"1", "Drivers\\Net", "3"}));
    EXPECT_EQ(SplitDelimitedText("\"1\",\"My Tools\",\"0\""), (V{"1", "My Tools", "0"}));
    EXPECT_EQ(SplitDelimitedText("1 My Tools,2"), (V{"1", "My", "Tools", "2"}));
    EXPECT_EQ(SplitDelimitedText("\"0\",\"\","), (V{"0", "", ""}));
    EXPECT_EQ(SplitDelimitedText("\"a\"\"b\""), (V{"a\"b"}));
}

// ---- The options file ----

TEST(UpdateIniSection, KeepsOrderDropsCommentsAppendsNewKeys) {
    TempTree t;
    std::string path =
        t.Write("input.inf",
                "; builder options\r\n[input]\r\nsource = C:\\old\r\n\r\nkeep = 1\r\n"
                "[other]\r\n; note\r\nx=y\r\n");
    ASSERT_TRUE(UpdateIniSection(path, "INPUT", {{"Source", "/new"}, {"added", "2"}}, 932));
    EXPECT_EQ(ReadAll(path),
              "[input]\r\nSource=/new\r\nkeep=1\r\nadded=2\r\n\r\n[other]\r\nx=y\r\n\r\n");
}

TEST(UpdateIniSection, CreatesAMissingFileInTheAnsiCodePage) {
    TempTree t;
    std::string path = t.Path("input.inf");
    ASSERT_TRUE(UpdateIniSection(path, "input",
                                 {{"VolumeID", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}}, 932));
    // "テスト" in Shift_JIS.
    EXPECT_EQ(ReadAll(path), "[input]\r\nVolumeID=\x83\x65\x83\x58\x83\x67\r\n\r\n");
}

TEST(UpdateIniSection, ALineBreakInAValueNeverBecomesALineOfItsOwn) {
    TempTree t;
    const std::string before = "[input]\r\nsource=/s\r\n";
    std::string path = t.Write("input.inf", before);
    std::string error;
    EXPECT_FALSE(UpdateIniSection(path, "input", {{"VolumeID", "VOL\r\nbadkey=1"}}, 932, &error));
    EXPECT_NE(error.find("VolumeID"), std::string::npos);
    EXPECT_FALSE(UpdateIniSection(path, "input", {{"Source", "a\nb"}}, 932));
    EXPECT_EQ(ReadAll(path), before);
}

TEST(UpdateIniSection, OtherLinesKeepTheirBytes) {
    TempTree t;
    // A Shift_JIS value whose second byte is "\\" and an invalid byte survive untouched.
    std::string path =
        t.Write("input.inf", "[input]\r\nname=\x83\x5C\x83\x74\x83\x67\r\nraw=\xFF\xFE\r\n");
    ASSERT_TRUE(UpdateIniSection(path, "input", {{"source", "/s"}}, 932));
    EXPECT_EQ(ReadAll(path),
              "[input]\r\nname=\x83\x5C\x83\x74\x83\x67\r\nraw=\xFF\xFE\r\nsource=/s\r\n\r\n");
}

}  // namespace
