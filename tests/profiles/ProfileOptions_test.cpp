// The rules of the profile options dialog without its window: output folders kept in both
// forms, the enabling and clearing rules, the drive choice and what a profile round trip keeps.

#include "vrnx2/profiles/ProfileOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "vrnx2/base/MessageTable.h"

using namespace vrnx2;

namespace {

TProfileRec Profile(const std::string& builderPath = "/peb/") {
    TProfileRec p;
    p.ProfileName = "Osmite";
    p.Builder.Name = "PEB";
    p.Builder.Path = builderPath;
    p.Builder.Number = 1;
    return p;
}

DriveHolder Drives(std::initializer_list<const char*> addresses) {
    DriveHolder list;
    for (const char* address : addresses) {
        TCDDriverec rec;
        rec.Address = address;
        AddDriveRec(list, address, rec);
    }
    return list;
}

struct RelativeRow {
    const char* rule;
    const char* folder;
    const char* base;
    const char* relative;
};

class RelativeForm : public ::testing::TestWithParam<RelativeRow> {};

TEST_P(RelativeForm, Expresses) {
    const RelativeRow& r = GetParam();
    EXPECT_EQ(RelativeFolder(r.folder, r.base), r.relative);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RelativeForm,
    ::testing::Values(
        RelativeRow{"inside_the_base", "/peb/Osmite/", "/peb/", "Osmite"},
        RelativeRow{"beside_the_base", "/Out", "/peb/", "../Out"},
        RelativeRow{"common_head_dropped", "/home/me/out/x", "/home/me/peb/", "../out/x"},
        RelativeRow{"the_base_itself", "/peb/", "/peb", ""},
        RelativeRow{"a_parent_of_the_base", "/home", "/home/me/peb", "../.."},
        RelativeRow{"letter_case_tells_folders_apart", "/data/Out", "/data/out/peb", "../../Out"},
        RelativeRow{"steps_in_the_folder_resolved", "/peb/./a/../b", "/peb", "b"},
        RelativeRow{"relative_text_stays", "Osmite/", "/peb/", "Osmite"},
        RelativeRow{"windows_path_stays", "C:\\Out", "/peb/", "C:\\Out"}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(JoinFolder, JoinsResolvingStepsByName) {
    EXPECT_EQ(JoinFolder("/peb/", "Osmite"), "/peb/Osmite");
    EXPECT_EQ(JoinFolder("/peb", "../Out/"), "/Out");
    EXPECT_EQ(JoinFolder("/peb/", ""), "/peb");
    EXPECT_EQ(JoinFolder("/peb/", "../../../x"), "/x");  // never above the root
    EXPECT_EQ(JoinFolder("/peb/", "/mnt/out/"), "/mnt/out");
    EXPECT_EQ(JoinFolder("", "Osmite"), "Osmite");
}

TEST(OutputFolder, BothFormsAreStoredWhicheverModeIsChosen) {
    const struct {
        bool absolute;
        const char* text;
        const char* outDir;
        const char* fullOutDir;
    } rows[] = {
        {false, "Osmite", "Osmite/", "/peb/Osmite/"},
        {true, "/Out", "../Out/", "/Out/"},
        {false, "/mnt/out", "../mnt/out/", "/mnt/out/"},  // an absolute text means that folder
        {true, "", "", ""},  // empty stays empty instead of naming the root
    };
    for (const auto& r : rows) {
        TProfileRec p = Profile();
        ProfileOptionsValues v = OptionsFromProfile(p, {});
        v.absoluteOutput = r.absolute;
        v.outputDir = r.text;
        OptionsToProfile(v, {}, p);
        EXPECT_EQ(p.UseAbsoluteOutput, r.absolute);
        EXPECT_EQ(p.OutDir, r.outDir) << r.text;
        EXPECT_EQ(p.FullOutDir, r.fullOutDir) << r.text;
    }
}

TEST(SourceBox, AnImageFileIsStoredAsItIsAndAFolderWithItsSlash) {
    char dir[] = "/tmp/vrnx2-source-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/winxp";  // an image needs no extension
    std::ofstream(file) << "image";
    EXPECT_EQ(StoredSource(file), file);
    EXPECT_EQ(StoredSource(dir), std::string(dir) + "/");
    EXPECT_EQ(StoredSource("/media/cd/WINXP.ISO"), "/media/cd/WINXP.ISO") << "not there yet";
    EXPECT_EQ(StoredSource(""), "");
    std::filesystem::remove_all(dir);
}

TEST(OutputFolder, SwitchingToRelativeAndBackGivesTheSameFolder) {
    for (const char* folder : {"/Out", "/peb/Osmite", "/home/me/x/y", "/"}) {
        const std::string relative = SwitchOutputText(folder, false, "/peb/");
        EXPECT_EQ(SwitchOutputText(relative, true, "/peb/"), folder) << relative;
    }
}

TEST(Dependencies, UncheckingTheImageUnchecksBurningAndDisablesItsOptions) {
    ProfileOptionsValues v;
    v.buildIso = true;
    v.burnCd = true;
    v.writingTool = 0;
    v.verify = true;
    v.blankCdrw = true;
    ApplyDependencies(v);
    OptionsEnabling e = EnabledControls(v);
    EXPECT_TRUE(v.burnCd);
    EXPECT_TRUE(e.isoOptions && e.burnOptions && e.verify);

    v.buildIso = false;
    ApplyDependencies(v);
    e = EnabledControls(v);
    EXPECT_FALSE(v.burnCd);
    EXPECT_FALSE(e.isoOptions || e.burnOptions || e.verify);
    EXPECT_TRUE(v.blankCdrw);  // a disabled box keeps its state
    EXPECT_TRUE(v.verify);
}

TEST(Drives, TheProfilesDeviceIsChosenElseTheFirstDrive) {
    const DriveHolder drives = Drives({"1,0,0", "2,0,0"});
    TProfileRec p = Profile();
    p.Device = "2,0,0";
    EXPECT_EQ(OptionsFromProfile(p, drives).drive, 1);

    p.Device = "9,9,9";  // not present: the first drive, stored on OK
    ProfileOptionsValues v = OptionsFromProfile(p, drives);
    EXPECT_EQ(v.drive, 0);
    OptionsToProfile(v, drives, p);
    EXPECT_EQ(p.Device, "1,0,0");

    const DriveHolder none;
    v = OptionsFromProfile(p, none);
    EXPECT_EQ(v.drive, -1);
    OptionsToProfile(v, none, p);
    EXPECT_EQ(p.Device, "");
}

TEST(WritingTool, AToolNumberTheListDoesNotOfferIsKept) {
    TProfileRec p = Profile();
    p.BurnUsing = 3;
    ProfileOptionsValues v = OptionsFromProfile(p, {});
    EXPECT_EQ(v.writingTool, -1);
    OptionsToProfile(v, {}, p);
    EXPECT_EQ(p.BurnUsing, 3);

    v.writingTool = 0;
    OptionsToProfile(v, {}, p);
    EXPECT_EQ(p.BurnUsing, 0);
}

TEST(TextAreas, LinesAndStoredText) {
    EXPECT_EQ(TextAreaLines(""), std::vector<std::string>{});
    EXPECT_EQ(TextAreaLines("a b\r\n"), std::vector<std::string>{"a b"});
    EXPECT_EQ(TextAreaLines("a\r\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(TextAreaLines("a\nb\rc\r\n\r\n"), (std::vector<std::string>{"a", "b", "c", ""}));
    EXPECT_EQ(TextAreaText({}), "");
    EXPECT_EQ(TextAreaText({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(TextAreaText(TextAreaLines("x @OutDir@\r\n")), "x @OutDir@\r\n");
}

TEST(RoundTrip, OpeningAndConfirmingChangesNothingOfAConsistentProfile) {
    TProfileRec p = Profile();
    p.Source = "/src/";
    p.UseAbsoluteOutput = false;
    p.OutDir = "Osmite/";
    p.FullOutDir = "/peb/Osmite/";
    p.ISOPath = "/iso/";
    p.ISOFile = "pe.iso";
    p.CustomDir = "/custom/";
    p.BuildParameter = "-auto";
    p.BuildISO = p.BurnCD = p.Verify = p.Eject = p.NoUpperCase = true;
    p.BurnUsing = 0;
    p.Device = "2,0,0";
    p.VolumeID = "OSMITE";
    p.PreBuild_UseExternalProgram = true;
    p.ExternalProgram1 = "/bin/prep @OutDir@\r\n";
    p.ExternalProgram3 = "mkiso @IsoFile@\r\n";
    p.LangFile = "kept.lng";
    p.ManageOrder = true;
    const DriveHolder drives = Drives({"1,0,0", "2,0,0"});
    const ProfileOptionsValues shown = OptionsFromProfile(p, drives);
    TProfileRec after = p;
    OptionsToProfile(shown, drives, after);
    EXPECT_EQ(OptionsFromProfile(after, drives), shown);
    EXPECT_EQ(after.OutDir, p.OutDir);
    EXPECT_EQ(after.FullOutDir, p.FullOutDir);
    EXPECT_EQ(after.Device, "2,0,0");
    EXPECT_TRUE(after.Verify && after.Eject && after.NoUpperCase && after.Verbose);
    EXPECT_EQ(after.ExternalProgram1, p.ExternalProgram1);
    EXPECT_EQ(after.ExternalProgram2, "");
    EXPECT_EQ(after.LangFile, "kept.lng");  // not the dialog's to change
    EXPECT_TRUE(after.ManageOrder);
}

TEST(Texts, TitleAndOutputLabel) {
    MessageTable& table = MessageTable::Instance();
    table.LoadBuiltIn();
    EXPECT_EQ(OptionsTitle(Profile()), Msg("061") + "(" + Msg("075") + ") - [Osmite:PEB]");
    EXPECT_EQ(OutputLabel(false), Msg("084"));  // the built-in text has no placeholder

    table.Clear();
    table.AddLine("084=Output%s %d:");
    table.AddLine("112=[offset]");
    EXPECT_EQ(OutputLabel(true), "Output %d:");
    EXPECT_EQ(OutputLabel(false), "Output[offset] %d:");
    table.LoadBuiltIn();
}

}  // namespace
