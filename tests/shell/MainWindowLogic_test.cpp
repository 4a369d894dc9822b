// The main window's rules without a window: stored geometry and colours, action states
// from the selected profile's folders, list order, and the build-step bar's input.

#include "vrnx2/shell/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Process.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

class MainWindowStore : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKey(0, kVarnexKey); }
    void TearDown() override { RegDeleteKey(0, kVarnexKey); }
};

TEST_F(MainWindowStore, DefaultGeometryIsCentredWithHalvesTowardZero) {
    MainFormGeometry g = LoadMainFormGeometry(1023, 767);
    EXPECT_EQ(g.height, 286);
    EXPECT_EQ(g.width, 472);
    EXPECT_EQ(g.top, (767 - 286) / 2);
    EXPECT_EQ(g.left, 275);
    EXPECT_EQ(g.state, FormState::Normal);
    // A window larger than the screen gets a negative place, rounded toward zero.
    RegWriteInteger(0, kMainFormKey, "Width", 1200);
    EXPECT_EQ(LoadMainFormGeometry(1023, 767).left, -88);
}

// Hand-typed values reach the loaders unchecked; only the window clamps them to its screen.
TEST_F(MainWindowStore, AbsurdStoredValuesLoadWithoutOverflow) {
    RegWriteInteger(0, kMainFormKey, "Height", static_cast<int32_t>(0x80000000u));
    RegWriteInteger(0, kMainFormKey, "Width", 0x7FFFFFFF);
    MainFormGeometry g = LoadMainFormGeometry(1280, 800);
    EXPECT_EQ(g.top, 1073742224);  // centred, computed wider than 32 bits
    EXPECT_EQ(g.left, -1073741183);
    EXPECT_FALSE(g.storedTop);
    EXPECT_FALSE(g.storedLeft);
    RegWriteInteger(0, kMainFormKey, "Top", 600);
    g = LoadMainFormGeometry(1280, 800);
    EXPECT_EQ(g.storedTop, std::optional<int32_t>(600));
    EXPECT_FALSE(g.storedLeft);
}

TEST_F(MainWindowStore, EmptyListHintTellsWhatToDoFirst) {
    MessageTable::Instance().LoadBuiltIn();
    const std::string noBuilder = EmptyListHint(0, 0);
    EXPECT_NE(noBuilder.find("「設定」メニューの「PE Builderの登録」(F8)"), std::string::npos)
        << noBuilder;
    const std::string noProfile = EmptyListHint(0, 2);
    EXPECT_NE(noProfile.find("「追加」ボタン (Insert)"), std::string::npos) << noProfile;
    EXPECT_EQ(EmptyListHint(1, 0), "");
    EXPECT_EQ(EmptyListHint(3, 1), "");
    MessageTable::Instance().Clear();
}

TEST_F(MainWindowStore, OnlyTheNormalStateStoresTheGeometry) {
    SaveMainFormGeometry(FormState::Normal, MainFormGeometry{300, 600, 10, 20, FormState::Normal});
    for (FormState closed : {FormState::Maximised, FormState::Minimised}) {
        SaveMainFormGeometry(closed, MainFormGeometry{999, 999, 999, 999, closed});
        MainFormGeometry g = LoadMainFormGeometry(1024, 768);
        EXPECT_EQ(g.state, closed);
        EXPECT_EQ(g.height, 300);
        EXPECT_EQ(g.width, 600);
        EXPECT_EQ(g.top, 10);
        EXPECT_EQ(g.left, 20);
    }
    RegWriteInteger(0, kMainFormKey, "FormState", 7);
    EXPECT_EQ(LoadMainFormGeometry(1024, 768).state, FormState::Normal);
}

TEST_F(MainWindowStore, StyleColumnsAndColours) {
    EXPECT_FALSE(LoadAdvancedStyle());
    SaveBuildStyle(true);
    EXPECT_TRUE(LoadAdvancedStyle());
    RegWriteInteger(0, kVarnexKey, "BuildStyle", 2);
    EXPECT_FALSE(LoadAdvancedStyle());

    EXPECT_EQ(LoadMainColumnWidths().profile, 200);
    EXPECT_EQ(LoadMainColumnWidths().builder, 216);

    BarColours c = LoadBarColours();
    EXPECT_EQ(c.selectedBack, 0xFF00000Du);
    EXPECT_EQ(c.unselectedFore, 0xFF000008u);
    RegWriteInteger(0, kVarnexKey, "SelectedBackColor", static_cast<int32_t>(0xFF00000Eu));
    RegWriteInteger(0, kVarnexKey, "UnselectedBackColor", 0x00336699);
    c = LoadBarColours();
    EXPECT_EQ(c.selectedBack, 0xFF00000Eu);
    DecodedColour system = DecodeColour(c.selectedBack);
    EXPECT_TRUE(system.system);
    EXPECT_EQ(system.systemIndex, 14);
    DecodedColour rgb = DecodeColour(c.unselectedBack);
    EXPECT_FALSE(rgb.system);
    EXPECT_EQ(rgb.red, 0x99);
    EXPECT_EQ(rgb.green, 0x66);
    EXPECT_EQ(rgb.blue, 0x33);
}

class SelectionStatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("mainwindow-logic-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "builder" / "plugin");
        profile_.ProfileName = "p";
        profile_.Builder.Path = (root_ / "builder").string();
        profile_.OutDir = "PEOut";
    }
    void TearDown() override { fs::remove_all(root_); }
    void Touch(const fs::path& p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    fs::path root_;
    TProfileRec profile_;
};

TEST_F(SelectionStatesTest, NoSelectionDisablesEverything) {
    ActionStates s = SelectionStates(nullptr, -1, 3);
    ASSERT_EQ(s.size(), ProfileActionNames().size());
    for (const auto& [name, on] : s) EXPECT_FALSE(on) << name;
}

TEST_F(SelectionStatesTest, FoldersAndFilesDecide) {
    ActionStates s = SelectionStates(&profile_, 0, 1);
    EXPECT_FALSE(s["Item_UP"]);
    EXPECT_FALSE(s["Item_Down"]);
    EXPECT_TRUE(s["EDIT_PROFILE"]);
    EXPECT_TRUE(s["OPEN_BUILDER_DIR"]);
    EXPECT_TRUE(s["OPEN_PLUGIN_DIR"]) << "Plugin is found whatever its letter case";
    EXPECT_FALSE(s["OPEN_SOURCE_DIR"]);
    EXPECT_FALSE(s["OPEN_BUILD_DIR"]);
    EXPECT_FALSE(s["BASIC_CREATEISO"]);
    EXPECT_FALSE(s["VIEW_LOGFILE"]);
    EXPECT_TRUE(s["BASIC_BUILD"]);
    EXPECT_TRUE(s["ADVANCED_BUILD"]);

    fs::create_directories(root_ / "builder" / "PEOut");
    EXPECT_TRUE(SelectionStates(&profile_, 0, 1)["OPEN_BUILD_DIR"]);
    EXPECT_FALSE(SelectionStates(&profile_, 0, 1)["BASIC_CREATEISO"])
        << "an output without a build";
    Touch(root_ / "builder" / "PEOut" / "i386" / "System32" / "SHELL32.DLL");
    Touch(root_ / "builder" / "PEBuilder.log");
    s = SelectionStates(&profile_, 1, 3);
    EXPECT_TRUE(s["BASIC_CREATEISO"]);
    EXPECT_TRUE(s["VIEW_LOGFILE"]);
    EXPECT_TRUE(s["Item_UP"]);
    EXPECT_TRUE(s["Item_Down"]);

    // An absolute output folder replaces the relative one.
    profile_.UseAbsoluteOutput = true;
    profile_.FullOutDir = (root_ / "elsewhere").string();
    EXPECT_FALSE(SelectionStates(&profile_, 0, 1)["BASIC_CREATEISO"]);
    Touch(root_ / "elsewhere" / "I386" / "SYSTEM32" / "shell32.dll");
    EXPECT_TRUE(SelectionStates(&profile_, 0, 1)["BASIC_CREATEISO"]);
    EXPECT_EQ(BuildOutputDir(profile_), (root_ / "elsewhere").string() + "/");
}

TEST_F(SelectionStatesTest, StateUpdateNeverEnables) {
    ActionStates s = SelectionStates(&profile_, 0, 2);
    s["OPEN_SOURCE_DIR"] = false;
    ActionStates kept = s;
    RestrictToSelection(kept, true);
    EXPECT_EQ(kept, s);
    RestrictToSelection(s, false);
    for (const auto& [name, on] : s) EXPECT_FALSE(on) << name;
}

TEST(FolderOfAction, TrailingSlashAndRelativeOutput) {
    TProfileRec p;
    p.Builder.Path = "/pe/";
    p.OutDir = "out";
    p.Source = "/src";
    p.ISOPath = "/iso/";
    EXPECT_EQ(FolderOfAction("OPEN_BUILDER_DIR", p), "/pe/");
    EXPECT_EQ(FolderOfAction("OPEN_PLUGIN_DIR", p), "/pe/Plugin/");
    EXPECT_EQ(FolderOfAction("OPEN_SOURCE_DIR", p), "/src/");
    EXPECT_EQ(FolderOfAction("OPEN_BUILD_DIR", p), "/pe/out/");
    EXPECT_EQ(FolderOfAction("OPEN_ISO_DIR", p), "/iso/");
    EXPECT_EQ(FolderOfAction("OPEN_CUSTOM_DIR", p), "");
}

TEST(FolderOfAction, AnImageNotYetUnpackedOpensTheFolderHoldingIt) {
    char dir[] = "/tmp/vrnx2-image-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    ::setenv("XDG_CACHE_HOME", (std::string(dir) + "/cache").c_str(), 1);
    TProfileRec p;
    p.Source = std::string(dir) + "/cd/win.iso";
    std::filesystem::create_directories(std::string(dir) + "/cd");
    std::ofstream(p.Source) << "image";
    EXPECT_EQ(FolderOfAction("OPEN_SOURCE_DIR", p), std::string(dir) + "/cd/");
    ::unsetenv("XDG_CACHE_HOME");
    std::filesystem::remove_all(dir);
}

TEST(LogViewerArguments, EveryPathStaysWhole) {
    for (const std::string path :
         {"/a b/pebuilder.log", "/x\"y/pebuilder.log", "/tail\\", "/q\\\"z"}) {
        EXPECT_EQ(LogViewerArguments("/usr/bin/my editor", path),
                  (std::vector<std::string>{"/usr/bin/my editor", path}));
    }
    EXPECT_EQ(LogViewerArguments("", "/l")[0], "xdg-open");
    EXPECT_EQ(HelpFileFor("/opt/v/vrnx2"), "/opt/v/vrnx2.hlp");
}

TEST(ListOrder, SortCompareDirectionAndDrop) {
    EXPECT_EQ(NextSortDirection(0), 1);
    EXPECT_EQ(NextSortDirection(1), -1);
    EXPECT_EQ(NextSortDirection(-1), 1);
    EXPECT_EQ(NextSortDirection(5), 1);

    TProfileRec a, b;
    a.ProfileName = "B";
    b.ProfileName = "a";
    a.Builder.Name = "builder";
    b.Builder.Name = "builder2";
    EXPECT_LT(CompareProfileRows(a, b, 0, 1), 0) << "byte order: upper case first";
    EXPECT_GT(CompareProfileRows(a, b, 0, -1), 0);
    EXPECT_LT(CompareProfileRows(a, b, 1, 1), 0) << "a prefix sorts first";
    b.Builder.Name = "\xE3\x81\x82";  // beyond ASCII sorts after it
    EXPECT_LT(CompareProfileRows(a, b, 1, 1), 0);

    EXPECT_EQ(DropIndex(0, 3), 3);
    EXPECT_EQ(DropIndex(3, 0), 0);
}

TEST(ListOrder, AutoScrollAndArrows) {
    EXPECT_EQ(AutoScrollFor(true, 0, 9, 200), AutoScroll::Up);
    EXPECT_EQ(AutoScrollFor(true, 0, 10, 200), AutoScroll::Stop);
    EXPECT_EQ(AutoScrollFor(false, 0, 5, 200), AutoScroll::Stop);
    EXPECT_EQ(AutoScrollFor(true, 0, 191, 200), AutoScroll::Down);
    EXPECT_EQ(AutoScrollFor(true, 0, 190, 200), AutoScroll::Stop);
    EXPECT_EQ(AutoScrollStep(2, 0, 18), 0) << "two rows never scroll";
    EXPECT_EQ(AutoScrollStep(3, 0, 18), 18);
    EXPECT_EQ(ArrowButtonTops(10, 101, 25), (std::array<int, 2>{31, 64}));
}

TEST(BuildStepBar, TogglesFromProfileAndInput) {
    BuildStepBar bar;
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{1, 1, 1, 0}));
    TProfileRec p;
    bar.SetFromProfile(p);
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{1, 1, 0, 0}));
    p.BurnCD = true;  // a disc needs an image
    bar.SetFromProfile(p);
    EXPECT_EQ(bar.toggles[3], 0);
    p.BuildISO = true;
    p.SkipRegistry = true;
    bar.SetFromProfile(p);
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{0, 1, 1, 1}));
    BuildSteps s = bar.Steps();
    EXPECT_FALSE(s.registry);
    EXPECT_TRUE(s.files && s.iso && s.burn);

    bar.Toggle(1);
    bar.Toggle(9);
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{0, 0, 1, 1}));
    bar.SetAll();
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{1, 1, 1, 1}));
    bar.SetRange(1, 2);
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{0, 1, 1, 0}));

    EXPECT_FALSE(bar.SelectionMoved(0, 0)) << "not dragging";
    bar.StartDrag();
    EXPECT_TRUE(bar.SelectionMoved(0, 3));
    EXPECT_EQ(bar.toggles, (std::array<int, 4>{1, 1, 1, 1}));
    bar.Toggle(0);
    EXPECT_FALSE(bar.SelectionMoved(0, 3)) << "the same range again changes nothing";
    EXPECT_EQ(bar.toggles[0], 0);
    bar.StopDrag();
    EXPECT_FALSE(bar.SelectionMoved(2, 2));

    EXPECT_EQ(BarKeyDown(BarKey::Space, false), BarKeyAction::ToggleCurrent);
    EXPECT_EQ(BarKeyDown(BarKey::A, true), BarKeyAction::SetAll);
    EXPECT_EQ(BarKeyDown(BarKey::A, false), BarKeyAction::Consume);
    EXPECT_EQ(BarKeyDown(BarKey::Left, true), BarKeyAction::None);
    EXPECT_EQ(BarKeyUp(BarKey::Right, true), BarKeyAction::ApplySelection);
    EXPECT_EQ(BarKeyUp(BarKey::Right, false), BarKeyAction::None);
    EXPECT_EQ(DigitColumn(U'1'), 0);
    EXPECT_EQ(DigitColumn(U'4'), 3);
    EXPECT_EQ(DigitColumn(U'5'), -1);
    EXPECT_EQ(DigitColumn(U'０'), -1);
}

}  // namespace
