#include "vrnx2/profiles/ProfileActions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/settings/StoreFixture.h"
#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/settings/RegFile.h"

using namespace vrnx2;

namespace {

const std::string kPluginName = "\"P\",\"p.inf\"";

class ProfileActions : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        MessageTable::Instance().LoadBuiltIn();
        builder_ = dir_ + "/pe";
        std::filesystem::create_directories(builder_);
    }
    void TearDown() override {
        MessageTable::Instance().Clear();
        StoreTest::TearDown();
    }

    void WriteOptions(const std::string& name, const std::string& text) {
        std::ofstream(builder_ + "/" + name, std::ios::binary) << text;
    }
    TBuilderRec Builder() const { return {"PE", builder_, 1}; }

    // Stored profiles 001..n named p1..pn, each with a plugin value naming its owner.
    void StoreProfiles(int n) {
        for (int i = 1; i <= n; ++i) {
            const std::string k = ProfileKey(i);
            RegWriteString(0, k, "ProfileName", "p" + std::to_string(i));
            RegWriteString(0, k, "BuilderIndex", "001");
            RegWriteString(0, k, "BuilderName", "PE");
            RegWriteString(0, k, "Source", "/src/p" + std::to_string(i));
            RegWriteString(0, k + "\\Plugin", kPluginName, "p" + std::to_string(i));
        }
        RegWriteInteger(0, VKey(), "ProfileCount", n);
        LoadProfileList(list_);
    }
    std::string PluginOwner(int n) {
        return RegReadString(0, ProfileKey(n) + "\\Plugin", kPluginName, "<none>");
    }
    std::string Snapshot() {
        std::string bytes, error;
        if (!ExportRegFile("Software", bytes, error)) return error;
        return bytes;
    }

    // Dialogs that choose the builder and confirm the plugin window as Apply would: the
    // choices are written under the profile's number and the name is taken.
    ProfileDialogs Confirming(const std::string& name) {
        ProfileDialogs d;
        d.selectBuilder = [this](TBuilderRec& chosen) {
            chosen = Builder();
            return true;
        };
        d.pluginWindow = [this, name](TProfileRec& p, bool edit) {
            windowNumber_ = p.ProfileNumber;
            windowEdit_ = edit;
            windowSawStaleChoices_ =
                RegKeyExists(0, ProfileKey(p.ProfileNumber), "Plugin") && !edit;
            RegWriteString(0, ProfileKey(p.ProfileNumber) + "\\Plugin", kPluginName, name);
            p.ProfileName = name;
            return true;
        };
        return d;
    }

    std::string builder_;
    ProfileList list_;
    ScriptedInterface ui_;
    int windowNumber_ = 0;
    bool windowEdit_ = false;
    bool windowSawStaleChoices_ = false;
};

// ---- the new record ---------------------------------------------------------------------

TEST_F(ProfileActions, ANewProfileWithoutOptionsFileTakesTheDefaults) {
    const TProfileRec r = NewProfileRec(Builder());
    EXPECT_EQ(r.ProfileName, "名称未定");
    EXPECT_EQ(r.Builder.Path, builder_ + "/");
    EXPECT_EQ(r.OutDir, "Osmite/");
    EXPECT_EQ(r.FullOutDir, builder_ + "/Osmite/");
    EXPECT_EQ(r.ISOFile, "pebuilder.iso");
    EXPECT_EQ(r.ISOPath, dir_ + "/");  // beside the builder folder
    EXPECT_TRUE(r.Verify);
    EXPECT_FALSE(r.Verbose);
    EXPECT_EQ(r.BurnUsing, 0);
    EXPECT_EQ(r.BuildParameter, "-auto -exit");
    EXPECT_EQ(r.ISOBuildParameter, "-auto -exit");
}

TEST_F(ProfileActions, ANewProfileReadsTheOptionsFileWhateverTheLetterCase) {
    WriteOptions("INPUT.INF",
                 "[Input]\r\nSOURCE=/cd/\r\nBuildIso=1\r\nBURNCD=2\r\nburnUsing=1\r\n"
                 "Verbose=1\r\nVERIFY=0\r\nFullOutDir=/out\r\nOUTDIR=Out\r\n"
                 "IsoFile=/iso/dir/pe.iso\r\nVolumeId=PE_CD\r\nDEVICE=1,0,0\r\n"
                 "NOUPPERCASE=1\r\nSkipRegistry=x\r\n");
    const TProfileRec r = NewProfileRec(Builder());
    EXPECT_EQ(r.Source, "/cd/");
    EXPECT_TRUE(r.BuildISO);
    EXPECT_TRUE(r.BurnCD);  // any number but 0 is true
    EXPECT_EQ(r.BurnUsing, 1);
    EXPECT_TRUE(r.Verbose);
    EXPECT_FALSE(r.Verify);
    EXPECT_EQ(r.FullOutDir, "/out/");
    EXPECT_EQ(r.OutDir, "Out/");
    EXPECT_EQ(r.ISOPath, "/iso/dir/");
    EXPECT_EQ(r.ISOFile, "pe.iso");
    EXPECT_EQ(r.VolumeID, "PE_CD");
    EXPECT_EQ(r.Device, "1,0,0");
    EXPECT_TRUE(r.NoUpperCase);
    EXPECT_FALSE(r.SkipRegistry);  // not a number: the default
}

TEST_F(ProfileActions, TheImageFileIsSplitAtTheLastDelimiter) {
    for (auto [value, path, file] : {std::tuple{"pe.iso", "", "pe.iso"},
                                     std::tuple{"C:\\images\\pe.iso", "C:\\images\\", "pe.iso"}}) {
        WriteOptions("input.inf", std::string("[input]\nisofile=") + value + "\n");
        const TProfileRec r = NewProfileRec(Builder());
        EXPECT_EQ(r.ISOPath, path) << value;
        EXPECT_EQ(r.ISOFile, file) << value;
    }
}

TEST_F(ProfileActions, ABuilderWithoutFolderNeverReadsTheWorkingFolder) {
    WriteOptions("input.inf", "[input]\nbuildiso=1\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(builder_);
    const TProfileRec r = NewProfileRec(TBuilderRec{"none", "", 1});
    std::filesystem::current_path(previous);
    EXPECT_FALSE(r.BuildISO);
}

// ---- add and edit ---------------------------------------------------------------------

// Choices left in the staging key by a creation that never finished used to greet the
// next new profile as its own.
TEST_F(ProfileActions, AddStoresTheNewProfileWithItsOwnPluginChoices) {
    StoreProfiles(1);
    RegWriteString(0, ProfileKey(kNewProfileNumber) + "\\Plugin", kPluginName, "abandoned");
    EXPECT_EQ(ProfileAdd(list_, Confirming("fresh")), 1);
    EXPECT_EQ(windowNumber_, kNewProfileNumber);
    EXPECT_FALSE(windowEdit_);
    EXPECT_FALSE(windowSawStaleChoices_);
    ASSERT_EQ(list_.Count(), 2);
    EXPECT_EQ(list_.Selected(), 1);
    EXPECT_EQ(list_.Caption(1), "fresh");
    EXPECT_EQ(list_.Profile(1)->ProfileNumber, 2);
    EXPECT_EQ(RegReadString(0, ProfileKey(2), "ProfileName", ""), "fresh");
    EXPECT_EQ(RegReadString(0, ProfileKey(2), "BuilderIndex", ""), "001");
    EXPECT_EQ(PluginOwner(1), "p1");
    EXPECT_EQ(PluginOwner(2), "fresh");
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "1000"));
}

TEST_F(ProfileActions, CancelledAddsLeaveTheProfilesAlone) {
    StoreProfiles(2);
    list_.Select(0);
    const std::string before = Snapshot();

    ProfileDialogs noBuilder = Confirming("x");
    noBuilder.selectBuilder = [](TBuilderRec&) { return false; };
    EXPECT_EQ(ProfileAdd(list_, noBuilder), -1);
    EXPECT_EQ(list_.Selected(), 0);  // nothing happened at all
    EXPECT_EQ(windowNumber_, 0);

    ProfileDialogs emptyChoice = Confirming("x");
    emptyChoice.selectBuilder = [](TBuilderRec& b) {
        b = TBuilderRec{};  // OK on an empty builder list
        return true;
    };
    EXPECT_EQ(ProfileAdd(list_, emptyChoice), -1);
    EXPECT_EQ(windowNumber_, 0);

    ProfileDialogs cancelled = Confirming("x");
    cancelled.pluginWindow = [](TProfileRec&, bool) { return false; };
    EXPECT_EQ(ProfileAdd(list_, cancelled), -1);
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_EQ(list_.Selected(), 1);  // the last row, as after any add
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ProfileActions, AnAddWhoseSaveFailedKeepsItsChoicesForTheNextSave) {
    StoreProfiles(1);
    ProfileDialogs d = Confirming("fresh");
    auto window = d.pluginWindow;
    d.pluginWindow = [&](TProfileRec& p, bool edit) {
        const bool ok = window(p, edit);
        faulty_store::FailAfter(0);
        return ok;
    };
    EXPECT_EQ(ProfileAdd(list_, d), 1);
    faulty_store::Reset();
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].flags, MB_ERROR_OK);
    EXPECT_EQ(list_.Profile(1)->ProfileNumber, kNewProfileNumber);

    // A second add first puts the waiting profile in place, then starts clean.
    EXPECT_EQ(ProfileAdd(list_, Confirming("second")), 2);
    EXPECT_FALSE(windowSawStaleChoices_);
    EXPECT_EQ(PluginOwner(2), "fresh");
    EXPECT_EQ(PluginOwner(3), "second");
}

TEST_F(ProfileActions, EditReplacesTheRowAndStoresIt) {
    StoreProfiles(2);
    list_.Move(1, 0);  // unsaved order: p2 p1
    EXPECT_TRUE(ProfileEdit(list_, 0, Confirming("renamed")));
    EXPECT_TRUE(windowEdit_);
    EXPECT_EQ(windowNumber_, 2);  // the stored key of p2
    EXPECT_EQ(list_.Caption(0), "renamed");
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "ProfileName", ""), "renamed");
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "Source", ""), "/src/p2");
    EXPECT_EQ(PluginOwner(1), "renamed");
    EXPECT_EQ(PluginOwner(2), "p1");

    const std::string before = Snapshot();
    ProfileDialogs cancel;
    cancel.pluginWindow = [](TProfileRec& p, bool) {
        p.ProfileName = "discarded";
        return false;
    };
    EXPECT_FALSE(ProfileEdit(list_, 0, cancel));
    EXPECT_EQ(list_.Caption(0), "renamed");
    EXPECT_EQ(Snapshot(), before);
}

// ---- copy -------------------------------------------------------------------------------

TEST_F(ProfileActions, ACopyIsANewLastRowWithTheSameOptionsAndPlugins) {
    StoreProfiles(2);
    list_.Move(1, 0);  // p2 p1: the copy's source is saved into place first
    EXPECT_EQ(ProfileCopy(list_, 0), 2);
    ASSERT_EQ(list_.Count(), 3);
    EXPECT_EQ(list_.Selected(), 2);
    EXPECT_EQ(list_.Caption(2), "p2のコピー");
    EXPECT_EQ(list_.Profile(2)->Source, "/src/p2");
    EXPECT_EQ(list_.Profile(2)->ProfileNumber, 3);
    // Stored before the next save: count and key agree.
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 3);
    EXPECT_EQ(RegReadString(0, ProfileKey(3), "ProfileName", ""), "p2のコピー");
    EXPECT_EQ(PluginOwner(3), "p2");

    SaveProfileList(list_);
    EXPECT_EQ(PluginOwner(1), "p2");
    EXPECT_EQ(PluginOwner(3), "p2");

    // Deleting the copy again leaves its source whole.
    ui_.QueueAnswer(ID_YES);
    EXPECT_TRUE(ProfileDelete(list_, 2));
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 2);
    EXPECT_EQ(RegReadString(0, ProfileKey(1), "ProfileName", ""), "p2");
    EXPECT_EQ(PluginOwner(1), "p2");
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "003"));
}

// The count used to be raised in a step of its own: a store failing before the key copy
// left ProfileCount pointing past the last key.
TEST_F(ProfileActions, ACopyThatCannotBeStoredLeavesCountKeysAndListAlone) {
    // Each attempt starts from p2 p1 unsaved, so a save that went through shows in p2's
    // number.
    auto attempt = [&](int writes) {
        RegDeleteKey(0, VKey("Profiles"));
        StoreProfiles(2);
        list_.Move(1, 0);
        faulty_store::FailAfter(writes);
        const int row = ProfileCopy(list_, 0);
        faulty_store::Reset();
        return row;
    };
    // The fewest writes that let a copy through.
    int least = 0, most = 1 << 14;
    ASSERT_GE(attempt(most), 0);
    while (least < most) {
        const int mid = (least + most) / 2;
        if (attempt(mid) >= 0)
            most = mid;
        else
            least = mid + 1;
    }
    // A failure of the copy's own step (its last write transaction), after its save went
    // through.
    ASSERT_GE(least, 1);
    const size_t boxes = ui_.boxes.size();
    ASSERT_LT(attempt(least - 1), 0);
    EXPECT_EQ(ui_.boxes.size(), boxes + 1);
    EXPECT_EQ(list_.Profile(0)->ProfileNumber, 1);  // saved
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 2);
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "003"));
    EXPECT_EQ(PluginOwner(1), "p2");
}

// ---- delete -----------------------------------------------------------------------------

TEST_F(ProfileActions, DeletingAProfileTakesItsPluginsAwayAndRenumbersTheRest) {
    StoreProfiles(3);
    list_.Select(1);
    const std::string before = Snapshot();
    ui_.QueueAnswer(ID_NO);
    EXPECT_FALSE(ProfileDelete(list_, 1));
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, "プロファイル p2 を削除します。\r\nよろしいですか？");
    EXPECT_EQ(ui_.boxes[0].caption, "警告");
    EXPECT_EQ(ui_.boxes[0].flags, MB_QUESTION_YESNO);
    EXPECT_EQ(Snapshot(), before);

    ui_.QueueAnswer(ID_YES);
    EXPECT_TRUE(ProfileDelete(list_, 1));
    ASSERT_EQ(list_.Count(), 2);
    EXPECT_EQ(list_.Selected(), 1);  // the row now at the same index
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 2);
    EXPECT_EQ(RegReadString(0, ProfileKey(2), "ProfileName", ""), "p3");
    EXPECT_EQ(PluginOwner(2), "p3");
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "003"));
    EXPECT_EQ(Snapshot().find("\"p2\""), std::string::npos);  // its choices went with it

    ui_.QueueAnswer(ID_YES);
    EXPECT_TRUE(ProfileDelete(list_, 1));
    EXPECT_EQ(list_.Selected(), 0);  // the deleted row was the last
    ui_.QueueAnswer(ID_YES);
    EXPECT_TRUE(ProfileDelete(list_, 0));
    EXPECT_EQ(list_.Selected(), -1);
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", -1), 0);
}

TEST_F(ProfileActions, ADeleteThatCannotBeStoredKeepsTheRow) {
    StoreProfiles(3);
    list_.Select(1);
    const std::string before = Snapshot();
    ui_.QueueAnswer(ID_YES);
    faulty_store::FailAfter(0);
    EXPECT_FALSE(ProfileDelete(list_, 1));
    faulty_store::Reset();
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[1].flags, MB_ERROR_OK);
    ASSERT_EQ(list_.Count(), 3);
    EXPECT_EQ(list_.Caption(1), "p2");
    EXPECT_EQ(list_.Selected(), 1);
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
