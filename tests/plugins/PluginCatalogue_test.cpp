// The plugin catalogue: loading from disk, store and category list; tree edits; the order
// list; Apply.

#include "vrnx2/plugins/PluginCatalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "CatalogueFixture.h"
#include "tests/support/PeImage.h"
#include "vrnx2/build/PluginChoices.h"
#include "vrnx2/build/PluginFiles.h"

using namespace vrnx2;

using Strings = std::vector<std::string>;

TEST_F(CatalogueTest, StoredChoicesOverrideFileDefaultsPerPluginKey) {
    // Same Name in two folders: two keys, each with its own choice.
    AddPlugin("a/nic.inf", "Nic", "Enable=1\r\nVX_Category=Net\r\nVX_Order=4\r\n");
    AddPlugin("b/nic.inf", "Nic", "Enable=0\r\nVX_Order=2\r\n");
    AddPlugin("c/fresh.inf", "Fresh", "Enable=1\r\nVX_Category=Tools\r\nVX_Order=9\r\n");
    // Key in another letter case with too few fields; a field that is no number; a ghost.
    Store("\"NIC\",\"A\\NIC.INF\"", "\"0\",\"Stored\"");
    Store("\"Nic\",\"b\\nic.inf\"", "\"1\",\"\\Tools\\Disk\\\",\"x\"");
    Store("\"Gone\",\"gone\\gone.inf\"", "\"1\",\"Ghost\",\"1\"");

    auto c = Loaded();
    CatalogueNode* a = Find(c, {"Stored", "Nic"});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->icon, kIconDisabled);
    EXPECT_EQ(a->key, "\"Nic\",\"a\\nic.inf\"");
    CatalogueNode* b = Find(c, {"Tools", "Disk", "Nic"});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->icon, kIconEnabled);
    EXPECT_EQ(b->record->Order, 0);
    CatalogueNode* fresh = Find(c, {"Tools", "Fresh"});
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->icon, kIconEnabled);
    EXPECT_EQ(fresh->record->Order, 9);
    EXPECT_EQ(Labels(c.Root()), (Strings{"Stored", "Tools"}));
}

TEST_F(CatalogueTest, CategoryListAndPluginCategoriesFormOneSortedTree) {
    Write(CategoryList(),
          "; comment\r\n\r\n   \r\n\\Zeta\\\r\n  ;semi\r\nalpha\\beta\r\nALPHA\\Gamma\n");
    AddPlugin("p1/p.inf", "Plain");
    AddPlugin("p2/p.inf", "Deep", "VX_Category=alpha\\beta\\deeper\r\n");
    auto c = Loaded();
    // Categories before plugins; a blank-led ";" names a category; paths differing only in
    // letter case are one category.
    EXPECT_EQ(Labels(c.Root()), (Strings{";semi", "alpha", "Zeta", "Plain"}));
    EXPECT_EQ(Labels(Find(c, {"alpha"})), (Strings{"beta", "Gamma"}));
    CatalogueNode* deep = Find(c, {"alpha", "beta", "deeper", "Deep"});
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(PluginCatalogue::CategoryPathOf(deep), "alpha\\beta\\deeper");
    EXPECT_EQ(PluginCatalogue::CategoryPathOf(Find(c, {"Plain"})), "");
}

TEST_F(CatalogueTest, CategoryEditsCheckNamesAndContent) {
    Write(CategoryList(), "Bravo\r\nCharlie\r\nBravo\\Inner\r\nEmpty\r\n");
    AddPlugin("p/p.inf", "P", "VX_Category=Bravo\\Inner\r\n");
    auto c = Loaded();
    CatalogueNode* bravo = Find(c, {"Bravo"});
    for (const std::string bad : {"", "   ", "a\\b"}) {
        EXPECT_FALSE(c.RenameCategory(bravo, bad)) << bad;
        EXPECT_EQ(ui_.boxes.back().text, Msg("145"));
        EXPECT_EQ(bravo->label, "Bravo");
    }
    EXPECT_FALSE(PluginCatalogue::CanRename(c.Root()));
    ASSERT_TRUE(c.RenameCategory(bravo, " Delta "));
    EXPECT_EQ(Labels(c.Root()), (Strings{"Charlie", "Delta", "Empty"}));
    EXPECT_EQ(PluginCatalogue::CategoryPathOf(Find(c, {"Delta", "Inner", "P"})), "Delta\\Inner");

    EXPECT_FALSE(c.DeleteCategory(Find(c, {"Delta"})));
    EXPECT_EQ(ui_.boxes.back().text, Msg("131"));
    EXPECT_FALSE(c.DeleteCategory(c.Root()));
    EXPECT_TRUE(c.DeleteCategory(Find(c, {"Empty"})));
    // A new category is appended until sorted; left empty, it is gone after Apply.
    c.CreateCategory(Find(c, {"Delta", "Inner", "P"}));
    EXPECT_EQ(Labels(Find(c, {"Delta", "Inner"})), (Strings{"P", Msg("125")}));
    c.SortTree();
    EXPECT_EQ(Labels(Find(c, {"Delta", "Inner"})), (Strings{Msg("125"), "P"}));
    ASSERT_TRUE(c.Apply(profile_, "Rescue"));
    EXPECT_EQ(Labels(Find(Loaded(), {"Delta", "Inner"})), (Strings{"P"}));
}

TEST_F(CatalogueTest, MoveNodeFollowsTargetKindAndRefusesOwnSubtree) {
    Write(CategoryList(), "A\r\nA\\B\r\nC\r\n");
    AddPlugin("x/x.inf", "X", "VX_Category=C\r\n");
    AddPlugin("y/y.inf", "Y", "VX_Category=A\\B\r\n");
    auto c = Loaded();
    CatalogueNode* a = Find(c, {"A"});
    EXPECT_FALSE(c.MoveNode(a, Find(c, {"A", "B", "Y"})));
    EXPECT_FALSE(c.MoveNode(a, a));
    EXPECT_FALSE(c.MoveNode(c.Root(), a));
    // Onto a plugin: into its category, after its siblings. A category takes its content.
    CatalogueNode* x = Find(c, {"C", "X"});
    ASSERT_TRUE(c.MoveNode(x, Find(c, {"A", "B", "Y"})));
    EXPECT_EQ(Labels(Find(c, {"A", "B"})), (Strings{"Y", "X"}));
    ASSERT_TRUE(c.MoveNode(a, Find(c, {"C"})));
    EXPECT_EQ(PluginCatalogue::CategoryPathOf(x), "C\\A\\B");
    ASSERT_TRUE(c.MoveNode(x, c.Root()));
    ASSERT_TRUE(c.Apply(profile_, "Rescue"));
    EXPECT_EQ(Stored("\"X\",\"x\\x.inf\""), "\"0\",\"\",\"0\"");
    EXPECT_EQ(Stored("\"Y\",\"y\\y.inf\""), "\"0\",\"C\\A\\B\",\"0\"");
}

class OrderListTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        profile_.ManageOrder = true;
        AddPlugin("d1/p.inf", "One", "Enable=1\r\n");
        AddPlugin("d2/p.inf", "Two", "Enable=1\r\n");
        AddPlugin("d3/p.inf", "Three", "Enable=1\r\n");
        AddPlugin("d4/p.inf", "Off");
        Store("\"One\",\"d1\\p.inf\"", "\"1\",\"\",\"1000\"");
        Store("\"Two\",\"d2\\p.inf\"", "\"1\",\"\",\"999\"");
        Store("\"Three\",\"d3\\p.inf\"", "\"1\",\"\",\"0\"");  // no place yet: first
    }
};

TEST_F(OrderListTest, EnabledPluginsByOrderWithFourDigitPositionsAsNumbers) {
    auto c = Loaded();
    EXPECT_EQ(Rows(c), (Strings{"Three", "Two", "One"}));
    EXPECT_EQ(c.Rows()[0].path, "d3/p.inf");
    c.SetManageOrder(false);
    EXPECT_EQ(c.RowCount(), 0);
}

TEST_F(OrderListTest, MovesDropsAndColumnSorts) {
    auto c = Loaded();  // Three, Two, One
    EXPECT_FALSE(c.CanMoveUp(0));
    EXPECT_FALSE(c.CanMoveDown(2));
    EXPECT_EQ(c.MoveRowDown(0), 1);
    EXPECT_EQ(c.MoveRowUp(2), 1);
    EXPECT_EQ(Rows(c), (Strings{"Two", "One", "Three"}));
    EXPECT_EQ(c.DropRow(0, 2), 2);  // below the target: after it
    EXPECT_EQ(Rows(c), (Strings{"One", "Three", "Two"}));
    EXPECT_EQ(c.DropRow(2, 0), 0);  // above the target: before it
    EXPECT_EQ(Rows(c), (Strings{"Two", "One", "Three"}));

    EXPECT_EQ(c.SortByColumn(0), 1);
    EXPECT_EQ(Rows(c), (Strings{"One", "Three", "Two"}));
    EXPECT_EQ(c.SortByColumn(0), -1);
    EXPECT_EQ(Rows(c), (Strings{"Two", "Three", "One"}));
    EXPECT_EQ(c.SortByColumn(0), 1);
    c.BuildOrderList();
    EXPECT_EQ(c.SortDirection(0), 0);
}

TEST_F(OrderListTest, ApplyStoresPositionsOnlyWhenManaged) {
    auto c = Loaded();
    c.MoveRowDown(0);  // Two, Three, One
    c.TogglePlugin(Find(c, {"Off"}));
    ASSERT_TRUE(c.Apply(profile_, "  Renamed  "));
    EXPECT_TRUE(c.Applied());
    EXPECT_EQ(profile_.ProfileName, "Renamed");
    EXPECT_EQ(Stored("\"Two\",\"d2\\p.inf\""), "\"1\",\"\",\"1\"");
    EXPECT_EQ(Stored("\"One\",\"d1\\p.inf\""), "\"1\",\"\",\"3\"");
    // Enabled after the list was built: no place yet, so at the top next time.
    EXPECT_EQ(Stored("\"Off\",\"d4\\p.inf\""), "\"1\",\"\",\"0\"");
    EXPECT_EQ(Rows(Loaded()), (Strings{"Off", "Two", "Three", "One"}));

    c.SetManageOrder(false);
    ASSERT_TRUE(c.Apply(profile_, "Renamed"));
    EXPECT_FALSE(profile_.ManageOrder);
    EXPECT_EQ(Stored("\"One\",\"d1\\p.inf\""), "\"1\",\"\",\"0\"");
}

TEST_F(CatalogueTest, ApplyReplacesTheWholeKeyAndQuotedCategoriesReadBack) {
    AddPlugin("p/p.inf", "P", "Enable=1\r\n");
    Store("\"Stale\",\"s\\s.inf\"", "\"1\",\"\",\"0\"");
    auto c = Loaded();
    CatalogueNode* cat = c.CreateCategory(nullptr);
    ASSERT_TRUE(c.RenameCategory(cat, "Say \"hi\", friend"));
    ASSERT_TRUE(c.MoveNode(Find(c, {"P"}), cat));
    ASSERT_TRUE(c.Apply(profile_, "Rescue"));
    EXPECT_EQ(Stored("\"Stale\",\"s\\s.inf\""), std::nullopt);
    // A quote in a category name must not cut the path short when read back.
    EXPECT_NE(Find(Loaded(), {"Say \"hi\", friend", "P"}), nullptr);
}

TEST_F(CatalogueTest, FailedApplyKeepsStoredChoicesAndProfile) {
    AddPlugin("p/p.inf", "P");
    AddPlugin("q/q.inf", "Q");
    Store("\"P\",\"p\\p.inf\"", "\"1\",\"Old\",\"0\"");
    Store("\"Q\",\"q\\q.inf\"", "\"1\",\"Old\",\"0\"");
    auto c = Loaded();
    c.TogglePlugin(Find(c, {"Old", "P"}));
    faulty_store::FailAfter(0);  // the transaction of the delete and the values fails
    EXPECT_FALSE(c.Apply(profile_, "New name"));
    faulty_store::Reset();
    EXPECT_FALSE(c.Applied());
    EXPECT_EQ(profile_.ProfileName, "Rescue");
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].flags, MB_ERROR_OK);
    EXPECT_EQ(Stored("\"P\",\"p\\p.inf\""), "\"1\",\"Old\",\"0\"");
    EXPECT_EQ(Stored("\"Q\",\"q\\q.inf\""), "\"1\",\"Old\",\"0\"");
}

// A folder with a double quote once made every start fail: the path was joined into a
// command line and split again. The argument list keeps it whole.
TEST(ConfigArguments, PathsWithQuotesStayWhole) {
    TPluginRec rec;
    rec.Dir = "/peb/q\"uote/Plugin/x";
    rec.FilePath = rec.Dir + "/x \"y\".inf";
    using Argv = std::vector<std::string>;
    const std::pair<const char*, Argv> rows[] = {
        {"setup.exe,@PluginFile@", {rec.Dir + "/setup.exe", rec.FilePath}},
        {"bin\\setup.exe /f:@pluginfile@", {rec.Dir + "/bin/setup.exe", "/f:" + rec.FilePath}},
        {"setup.exe,\"two words\",-q", {rec.Dir + "/setup.exe", "two words", "-q"}},
        {"..\\evil.exe", {}},
        {"..\\..\\evil.exe,@PluginFile@", {}},
        {"  ", {}},
        {"/bin/sh", {}},
    };
    for (const auto& [config, want] : rows) {
        rec.Config = config;
        EXPECT_EQ(ConfigArguments(rec), want) << config;
    }
}

// A Windows configuration program reads the plugin file's path in Windows form.
TEST(PluginTools, TheEditorFallsBackToTheOpenerAndAMissingBuilderRunsNothing) {
    TPluginRec rec;
    rec.FilePath = "/plugins/x/x.inf";
    Preferences prefs;
    prefs.textEditorWait = true;
    const ToolRun editor = TextEditorRun(rec, prefs);
    EXPECT_EQ(editor.argv, (std::vector<std::string>{"xdg-open", rec.FilePath}));
    EXPECT_TRUE(editor.wait);
    prefs.pluginBuilderPath = "/no/such/folder";
    EXPECT_TRUE(PluginBuilderRun(rec, prefs).argv.empty());
}

TEST(ConfigArguments, WindowsProgramGetsTheWindowsPath) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("config-args-" + std::to_string(::getpid()));
    fs::create_directories(dir / "x");
    std::ofstream(dir / "x/setup.exe", std::ios::binary) << PeImage(0x8664, 2);
    std::ofstream(dir / "x/native.sh", std::ios::binary) << "#!/bin/sh\n";
    const char* saved = std::getenv("WINEPREFIX");
    const std::string savedPrefix = saved ? saved : "";
    ::setenv("WINEPREFIX", (dir / "no-prefix-yet").c_str(), 1);  // Wine's default Z:
    TPluginRec rec;
    rec.Dir = (dir / "x").string();
    rec.FilePath = rec.Dir + "/x.inf";
    std::string windows = "Z:" + rec.FilePath;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    rec.Config = "setup.exe,/f:@PluginFile@";
    EXPECT_EQ(ConfigArguments(rec),
              (std::vector<std::string>{rec.Dir + "/setup.exe", "/f:" + windows}));
    rec.Config = "native.sh,@PluginFile@";
    EXPECT_EQ(ConfigArguments(rec),
              (std::vector<std::string>{rec.Dir + "/native.sh", rec.FilePath}));
    if (saved)
        ::setenv("WINEPREFIX", savedPrefix.c_str(), 1);
    else
        ::unsetenv("WINEPREFIX");
    fs::remove_all(dir);
}

TEST_F(CatalogueTest, WindowLayoutDefaultsAndKeepsLastNormalGeometry) {
    PluginFormLayout l = LoadPluginFormLayout(1024, 768);
    EXPECT_EQ(l.geometry.height, 460);
    EXPECT_EQ(l.geometry.width, 592);
    EXPECT_EQ(l.geometry.top, (768 - 460) / 2);
    EXPECT_EQ(l.geometry.left, (1024 - 592) / 2);
    EXPECT_EQ(l.geometry.state, FormState::Normal);
    EXPECT_EQ(l.pluginColumn, 216);
    EXPECT_EQ(l.pathColumn, 200);

    l.geometry = {300, 500, 10, 20, FormState::Normal};
    l.pluginColumn = 99;
    l.pathColumn = 77;
    SavePluginFormLayout(l);
    // Maximised or minimised: only the state changes; the normal geometry stays.
    for (FormState state : {FormState::Maximised, FormState::Minimised}) {
        PluginFormLayout other;
        other.geometry = {1, 2, 3, 4, state};
        other.pluginColumn = 99;
        other.pathColumn = 77;
        SavePluginFormLayout(other);
        PluginFormLayout back = LoadPluginFormLayout(1024, 768);
        EXPECT_EQ(back.geometry.state, state);
        EXPECT_EQ(back.geometry.height, 300);
        EXPECT_EQ(back.geometry.width, 500);
        EXPECT_EQ(back.geometry.top, 10);
        EXPECT_EQ(back.geometry.left, 20);
        EXPECT_EQ(back.pluginColumn, 99);
        EXPECT_EQ(back.pathColumn, 77);
    }
    EXPECT_EQ(RegReadInteger(0, kPluginFormKey, "Profile Column Width", 0), 99);
    EXPECT_EQ(RegReadInteger(0, kPluginFormKey, "Builder Column Width", 0), 77);
}

TEST_F(CatalogueTest, PluginBuilderProgramOnlyWhenPresent) {
    EXPECT_EQ(PluginBuilderProgram(""), "");
    EXPECT_EQ(PluginBuilderProgram(root_ + "/pb/"), "");
    Write(root_ + "/pb/PLUGIN_BUILDER.EXE", "MZ");
    EXPECT_EQ(PluginBuilderProgram(root_ + "/pb/"), root_ + "/pb/PLUGIN_BUILDER.EXE");
}

TEST_F(CatalogueTest, ChoicesWithEqualsAndQuotesInTheKeyReadTheSameForTheBuild) {
    // The second plugin's key starts with the first one's key followed by "=".
    AddPlugin("a/a.inf", "A", "Enable=0\r\n");
    AddPlugin("q/q.inf", "A\",\"a\\a.inf\"=Q \"x\"", "Enable=0\r\n");
    const std::string keyA = "\"A\",\"a\\a.inf\"";
    const std::string keyQ = "\"A\",\"a\\a.inf\"=Q \"x\"\",\"q\\q.inf\"";
    Store(keyA, EncodePluginChoice(true, "Say \"hi\"", 0));
    Store(keyQ, EncodePluginChoice(false, "", 0));

    PluginCatalogue c = Loaded();
    CatalogueNode* a = Find(c, {"Say \"hi\"", "A"});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->key, keyA);
    CatalogueNode* q = Find(c, {"A\",\"a\\a.inf\"=Q \"x\""});
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->key, keyQ);
    EXPECT_TRUE(c.TogglePlugin(q));
    EXPECT_TRUE(c.MoveNode(q, Find(c, {"Say \"hi\""})));
    ASSERT_TRUE(c.Apply(profile_, "Rescue"));

    // What the build reads from the same store.
    PluginHolder scanned;
    ScanPluginFiles(PluginDir(), PluginDir(), scanned);
    auto choices = ReadPluginChoices(StoreKey());
    EXPECT_EQ(ApplyPluginChoices(choices, scanned).size(), 2u);
    for (int i = 0; i < scanned.Count(); ++i) {
        const TPluginRec* rec = scanned.Get(i);
        SCOPED_TRACE(scanned.Text(i));
        EXPECT_TRUE(rec->Enabled);
        EXPECT_EQ(rec->Category, "Say \"hi\"");
    }
    // And the window, loading again.
    PluginCatalogue again = Loaded();
    EXPECT_EQ(Labels(Find(again, {"Say \"hi\""})), (Strings{"A", "A\",\"a\\a.inf\"=Q \"x\""}));
}
