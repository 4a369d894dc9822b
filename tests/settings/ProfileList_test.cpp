#include "vrnx2/settings/ProfileList.h"

#include <gtest/gtest.h>

#include "tests/settings/StoreFixture.h"
#include "vrnx2/settings/ProfileListSync.h"
#include "vrnx2/settings/RegFile.h"

using namespace vrnx2;

namespace {

// Every field of the record, for whole-record comparisons.
auto Fields(const TProfileRec& p) {
    return std::make_tuple(p.ProfileName, p.ProfileNumber, p.Builder.Name, p.Builder.Path,
                           p.Builder.Number, p.BlankCDRW, p.BuildISO, p.BurnCD, p.BurnUsing,
                           p.CustomDir, p.Device, p.Eject, p.FullOutDir, p.ISODuplicatesOnce,
                           p.ISOPath, p.ISOFile, p.LangFile, p.OutDir, p.SkipFiles, p.SkipRegistry,
                           p.Source, p.UseAbsoluteOutput, p.Verbose, p.Verify, p.VolumeID,
                           p.BuildParameter, p.ISOBuildParameter, p.PreBuild_UseExternalProgram,
                           p.Build_UseExternalProgram, p.ISO_UseExternalProgram, p.ExternalProgram1,
                           p.ExternalProgram2, p.ExternalProgram3, p.ManageOrder, p.NoUpperCase,
                           p.CleanIsoAfterBurn, p.CleanOutputAfterBurn);
}

class Profiles : public StoreTest {
protected:
    // A stored profile with a builder and one plugin value that names it.
    void StoreProfile(int n, const std::string& name, bool listed = true) {
        std::string k = ProfileKey(n);
        RegWriteString(0, k, "ProfileName", name);
        if (listed) RegWriteString(0, k, "BuilderIndex", "001");
        RegWriteString(0, k, "BuilderName", "Builder of " + name);
        RegWriteString(0, k + "\\Plugin", "\"P\",\"p.inf\"", "\"1\",\"" + name + "\",\"0\"");
    }
    std::string PluginOwner(int n) {
        return RegReadString(0, ProfileKey(n) + "\\Plugin", "\"P\",\"p.inf\"", "<none>");
    }
    std::string Snapshot() {
        std::string bytes, error;
        if (!ExportRegFile("Software", bytes, error)) return error;
        return bytes;
    }
};

TEST_F(Profiles, AbsentValuesLoadWithTheirDefaults) {
    RegWriteInteger(0, VKey(), "ProfileCount", 1);
    RegWriteString(0, ProfileKey(1), "BuilderIndex", "002");
    ProfileList list;
    LoadProfileList(list);
    ASSERT_EQ(list.Count(), 1);
    const TProfileRec& r = *list.Profile(0);
    EXPECT_EQ(r.ProfileNumber, 1);
    EXPECT_EQ(r.Builder.Number, 2);
    EXPECT_TRUE(r.Verbose);
    EXPECT_EQ(r.BurnUsing, 1);
    EXPECT_EQ(r.BuildParameter, "-auto -exit");
    EXPECT_EQ(r.ISOBuildParameter, "-auto -exit");
    TProfileRec defaults;
    defaults.ProfileNumber = 1;
    defaults.Builder.Number = 2;
    EXPECT_TRUE(Fields(r) == Fields(defaults));
}

TEST_F(Profiles, EveryFieldSurvivesSaveAndLoad) {
    TProfileRec r;
    r.ProfileName = "Full";
    r.Builder = {"B", "/opt/pe/", 3};
    r.BlankCDRW = r.BuildISO = r.BurnCD = r.Eject = r.ISODuplicatesOnce = true;
    r.NoUpperCase = r.SkipFiles = r.SkipRegistry = r.UseAbsoluteOutput = r.Verify = true;
    r.CleanIsoAfterBurn = r.CleanOutputAfterBurn = r.ManageOrder = true;
    r.PreBuild_UseExternalProgram = r.Build_UseExternalProgram = r.ISO_UseExternalProgram = true;
    r.Verbose = false;
    r.BurnUsing = 4;
    r.CustomDir = "/c/";
    r.Device = "1,0,0";
    r.FullOutDir = "/out/";
    r.ISOPath = "/iso/";
    r.ISOFile = "pe.iso";
    r.LangFile = "ja.lng";
    r.OutDir = "PEOut/";
    r.Source = "/";
    r.VolumeID = "PE";
    r.BuildParameter = "-b";
    r.ISOBuildParameter = "-i";
    r.ExternalProgram1 = "one @Source@";
    r.ExternalProgram2 = "two";
    r.ExternalProgram3 = "three";
    ProfileList list;
    list.Append(r);
    SaveProfileList(list);
    // Stored forms: BuilderIndex with three digits, folders without the trailing separator.
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "BuilderIndex", ""), "003");
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "BuilderPath", ""), "/opt/pe");
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "Source", ""), "/");
    EXPECT_EQ(RegReadValue(0, ProfileKey(1), "Manage Order")->type, RegType::Integer);

    ProfileList back;
    LoadProfileList(back);
    ASSERT_EQ(back.Count(), 1);
    TProfileRec expect = r;
    expect.ProfileNumber = 1;
    expect.Builder.Path = "/opt/pe";
    expect.CustomDir = "/c";
    expect.FullOutDir = "/out";
    expect.ISOPath = "/iso";
    expect.OutDir = "PEOut";
    const TProfileRec& got = *back.Profile(0);
    EXPECT_TRUE(Fields(got) == Fields(expect));
    EXPECT_EQ(back.Caption(0), "Full");
    EXPECT_EQ(back.BuilderColumn(0), "B");
}

TEST_F(Profiles, AProfileWithoutBuilderIsLeftOutAndItsNumberReused) {
    StoreProfile(1, "one");
    StoreProfile(2, "two", false);
    RegWriteString(0, ProfileKey(2), "BuilderIndex", "abc");  // not a number counts as 0
    StoreProfile(3, "three");
    RegWriteInteger(0, VKey(), "ProfileCount", 3);
    int updates = 0;
    ProfileList list;
    list.SetOnChange([&] { ++updates; });
    LoadProfileList(list);
    EXPECT_EQ(updates, 1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Selected(), 0);
    EXPECT_EQ(list.Profile(1)->ProfileNumber, 3);

    SaveProfileList(list);
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 2);
    EXPECT_EQ(RegReadString(0, ProfileKey(2), "ProfileName", ""), "three");
    EXPECT_EQ(PluginOwner(1), "\"1\",\"one\",\"0\"");
    EXPECT_EQ(PluginOwner(2), "\"1\",\"three\",\"0\"");
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "003"));
    EXPECT_FALSE(RegKeyExists(0, VKey(), "Work"));
    EXPECT_EQ(list.Profile(1)->ProfileNumber, 2);
}

TEST_F(Profiles, AHandSetCountListsOnlyTheNumberedKeysThatExist) {
    StoreProfile(2, "two");
    StoreProfile(5, "five");
    RegWriteString(0, VKey("Profiles\\02"), "BuilderIndex", "001");    // not "%.3d"
    RegWriteString(0, VKey("Profiles\\0003"), "BuilderIndex", "001");  // not "%.3d"
    RegWriteInteger(0, VKey(), "ProfileCount", 2000000000);
    ProfileList list;
    LoadProfileList(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Profile(0)->ProfileNumber, 2);
    EXPECT_EQ(list.Profile(1)->ProfileNumber, 5);
    RegWriteInteger(0, VKey(), "ProfileCount", 4);
    LoadProfileList(list);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(Profiles, ReorderingMovesEachPluginSubkeyWithItsProfile) {
    for (int n = 1; n <= 3; ++n) StoreProfile(n, "p" + std::to_string(n));
    RegWriteInteger(0, VKey(), "ProfileCount", 3);
    ProfileList list;
    LoadProfileList(list);
    list.Move(2, 0);  // p3 p1 p2
    SaveProfileList(list);
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "ProfileName", ""), "p3");
    EXPECT_EQ(PluginOwner(1), "\"1\",\"p3\",\"0\"");
    EXPECT_EQ(PluginOwner(2), "\"1\",\"p1\",\"0\"");
    EXPECT_EQ(PluginOwner(3), "\"1\",\"p2\",\"0\"");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Profile(i)->ProfileNumber, i + 1);
}

TEST_F(Profiles, ANewProfileTakesItsPluginsFromTheScratchKey) {
    StoreProfile(1, "old");
    RegWriteInteger(0, VKey(), "ProfileCount", 1);
    RegWriteString(0, ProfileKey(1000) + "\\Plugin", "\"P\",\"p.inf\"", "\"1\",\"new\",\"0\"");
    ProfileList list;
    LoadProfileList(list);
    TProfileRec fresh;
    fresh.ProfileName = "new";
    fresh.ProfileNumber = 1000;
    fresh.Builder.Number = 1;
    list.Insert(0, fresh);
    SaveProfileList(list);
    EXPECT_EQ(PluginOwner(1), "\"1\",\"new\",\"0\"");
    EXPECT_EQ(PluginOwner(2), "\"1\",\"old\",\"0\"");
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "1000"));
}

// A profile without builder, numbered at or below the new count, used to hand its Plugin
// subkey (and its stray values) to the listed profile that took its number, whose own
// choices were then deleted with Work. A Work key left by an interrupted save did the same.
TEST_F(Profiles, SaveNeverHandsAStaleProfilesPluginsToAnother) {
    StoreProfile(1, "unlisted", false);
    RegWriteString(0, ProfileKey(1), "Stray", "from the unlisted profile");
    StoreProfile(2, "listed");
    RegWriteInteger(0, VKey(), "ProfileCount", 2);
    RegWriteString(0, VKey("Work\\001"), "left", "over");
    ProfileList list;
    LoadProfileList(list);
    ASSERT_EQ(list.Count(), 1);
    SaveProfileList(list);
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "ProfileName", ""), "listed");
    EXPECT_EQ(PluginOwner(1), "\"1\",\"listed\",\"0\"");
    std::vector<std::string> plugin;
    RegReadValues(0, ProfileKey(1) + "\\Plugin", plugin);
    EXPECT_EQ(plugin.size(), 1u);
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "Stray", "<none>"), "<none>");
    EXPECT_FALSE(RegKeyExists(0, VKey(), "Work"));
}

TEST_F(Profiles, ASaveThatFailsHalfwayLeavesStoreAndRecordsAsBefore) {
    for (int n = 1; n <= 3; ++n) StoreProfile(n, "p" + std::to_string(n));
    RegWriteInteger(0, VKey(), "ProfileCount", 3);
    ProfileList list;
    LoadProfileList(list);
    list.Move(0, 2);
    list.Remove(0);
    const std::string before = Snapshot();
    for (const faulty_store::Way& way : faulty_store::kEveryWay) {
        const int after = static_cast<int>(way.fault) * 3 + static_cast<int>(way.step);
        faulty_store::FailAfter(0, way.fault, way.step);
        EXPECT_THROW(SaveProfileList(list), StoreError) << after;
        faulty_store::Reset();
        EXPECT_EQ(Snapshot(), before) << after;
        EXPECT_EQ(list.Profile(0)->ProfileNumber, 3);
    }
    SaveProfileList(list);
    EXPECT_EQ(PluginOwner(1), "\"1\",\"p3\",\"0\"");
    EXPECT_EQ(PluginOwner(2), "\"1\",\"p1\",\"0\"");
}

TEST_F(Profiles, ListRowsKeepSelectionThroughMovesAndRemovals) {
    ProfileList list;
    for (const char* name : {"a", "b", "c", "d"}) {
        TProfileRec r;
        r.ProfileName = name;
        r.Builder.Name = std::string("B") + name;
        list.Append(r);
    }
    list.Select(1);  // b
    list.Move(1, 3);
    EXPECT_EQ(list.Selected(), 3);
    list.Move(0, 3);  // a to the end: b moves up
    EXPECT_EQ(list.Caption(list.Selected()), "b");
    list.Remove(0);
    EXPECT_EQ(list.Caption(list.Selected()), "b");
    list.Remove(list.Selected());
    EXPECT_EQ(list.Selected(), -1);
    EXPECT_THROW(list.Select(5), std::out_of_range);
    list.Profile(0)->ProfileName = "renamed";
    list.Refresh(0);
    EXPECT_EQ(list.Caption(0), "renamed");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(Profiles, SortIsStableByBytesAndTheSelectionFollowsItsRow) {
    ProfileList list;
    for (const auto& [name, builder] : std::vector<std::pair<std::string, std::string>>{
             {"b", "x"}, {"a", "y"}, {"B", "x"}, {"c", "y"}}) {
        TProfileRec r;
        r.ProfileName = name;
        r.Builder.Name = builder;
        list.Append(r);
    }
    const auto captions = [&list] {
        std::string out;
        for (int i = 0; i < list.Count(); ++i) out += list.Caption(i);
        return out;
    };
    list.Select(1);  // a
    EXPECT_EQ(list.SortByColumn(1), 1);
    EXPECT_EQ(captions(), "bBac") << "equal builders keep their order";
    EXPECT_EQ(list.Caption(list.Selected()), "a");
    EXPECT_EQ(list.SortByColumn(0), 1);
    EXPECT_EQ(captions(), "Babc") << "upper case first";
    EXPECT_EQ(list.SortByColumn(0), -1);
    EXPECT_EQ(captions(), "cbaB");
    EXPECT_EQ(list.SortDirection(1), 1);
    EXPECT_EQ(list.Caption(list.Selected()), "a");
    EXPECT_THROW(list.SortByColumn(2), std::out_of_range);
}

}  // namespace

namespace {

// The window kept its whole list and saved it on close, undoing what vrnx2-cli had written
// meanwhile: the sync tells whose change a difference is.
TEST_F(Profiles, TheSyncTellsTheWindowsChangesFromAnotherProgramsAndKeepsTheSelection) {
    RegWriteInteger(0, VKey(), "ProfileCount", 3);
    for (int n = 1; n <= 3; ++n) StoreProfile(n, "P" + std::to_string(n));
    ProfileList list;
    LoadProfileList(list);
    ProfileListSync sync;
    sync.Matched(list);
    EXPECT_EQ(sync.Check(list), ProfileListSync::InSync);

    // A folder kept with its separator in memory is the same as stored without it.
    list.Profile(0)->Source = "/srv/cd/";
    RegWriteString(0, ProfileKey(1), "Source", "/srv/cd");
    EXPECT_EQ(sync.Check(list), ProfileListSync::InSync);

    // Another program renames profile 2 and adds a fourth.
    list.Select(1);
    RegWriteString(0, ProfileKey(2), "ProfileName", "Renamed");
    RegWriteInteger(0, VKey(), "ProfileCount", 4);
    StoreProfile(4, "P4");
    EXPECT_EQ(sync.Check(list), ProfileListSync::StoreChanged);
    sync.Reload(list);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Caption(1), "Renamed");
    EXPECT_EQ(list.Selected(), 1);
    EXPECT_EQ(sync.Check(list), ProfileListSync::InSync);

    // The window's own order change; then both sides.
    list.Move(0, 3);
    EXPECT_EQ(sync.Check(list), ProfileListSync::ListChanged);
    RegWriteString(0, ProfileKey(4), "ProfileName", "Again");
    EXPECT_EQ(sync.Check(list), ProfileListSync::BothChanged);

    // A save of the list (a profile operation's own) is the new common state.
    SaveProfileList(list);
    EXPECT_EQ(sync.Check(list), ProfileListSync::InSync);
    list.Clear();
}

}  // namespace
