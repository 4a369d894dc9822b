// Install from cabinets into the plugin folder and uninstall of a plugin's folder.

#include "vrnx2/plugins/PluginInstall.h"

#include <gtest/gtest.h>

#include "CabWriter.h"
#include "CatalogueFixture.h"

using namespace vrnx2;

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

class InstallTest : public CatalogueTest {
protected:
    std::string MakeCab(const std::string& name) {
        return Write(root_ + "/" + name,
                     cabtest::BuildCabinet({{"tool.inf",
                                             "[Version]\r\nSignature=$Windows NT$\r\n"
                                             "[PEBuilder]\r\nName=Tool\r\nEnable=1\r\n"},
                                            {"bin\\tool.exe", "MZ"}}));
    }
};

TEST(InstallFolderPath, AcceptsFoldersBelowAndRefusesTheRest) {
    struct Row {
        const char* name;
        const char* want;  // "" refused
    } rows[] = {
        {"x", "/p/x"},     {"a\\b", "/p/a/b"},   {"a/b/", "/p/a/b"}, {" x y", "/p/ x y"},
        {"", ""},          {"   ", ""},          {"\\", ""},         {"/etc", ""},
        {"..", ""},        {"a\\..\\..\\b", ""}, {".", ""},          {"a\\\\b", ""},
        {"tab\there", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(InstallFolderPath("/p", r.name), r.want) << r.name;
}

TEST_F(InstallTest, ProposesCabinetNameAndReloadsCatalogue) {
    std::string cab = MakeCab("x.cab");
    auto c = Loaded();
    ui_.QueueInput("x");
    EXPECT_EQ(InstallPlugin(c, cab), InstallOutcome::Installed);
    ASSERT_EQ(ui_.inputRequests.size(), 1u);
    EXPECT_EQ(ui_.inputRequests[0].initial, "x");
    EXPECT_EQ(ui_.inputRequests[0].caption, Msg("135"));
    EXPECT_TRUE(Exists(PluginDir() + "/x/bin/tool.exe"));
    ASSERT_NE(Find(c, {"Tool"}), nullptr);
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(InstallTest, RefusedNamesAskAgainAndNothingLeavesThePluginFolder) {
    std::string cab = MakeCab("x.cab");
    fs::create_directories(root_ + "/elsewhere");
    fs::create_directory_symlink(root_ + "/elsewhere", PluginDir() + "/link");
    ui_.QueueInput("..\\..\\evil");
    ui_.QueueInput("");
    ui_.QueueInput("link");  // a link out of the plugin folder
    ui_.QueueInput(std::nullopt);
    EXPECT_EQ(InstallPlugin(PluginDir(), cab), InstallOutcome::Cancelled);
    ASSERT_EQ(ui_.boxes.size(), 3u);
    for (const auto& box : ui_.boxes) EXPECT_EQ(box.flags, MB_ERROR_OK);
    EXPECT_NE(ui_.boxes[0].text.find("..\\..\\evil"), std::string::npos);
    // The prompt comes back with the name last entered.
    ASSERT_EQ(ui_.inputRequests.size(), 4u);
    EXPECT_EQ(ui_.inputRequests[1].initial, "..\\..\\evil");
    EXPECT_FALSE(Exists(root_ + "/evil"));
    EXPECT_TRUE(fs::is_empty(root_ + "/elsewhere"));
}

TEST_F(InstallTest, ExistingFolderIsConfirmed) {
    std::string cab = MakeCab("x.cab");
    Write(PluginDir() + "/x/keep.txt", "mine");
    Write(PluginDir() + "/x/tool.inf", "old");
    ui_.QueueInput("x");
    ui_.QueueAnswer(ID_NO);  // asked for another name, which is installed into
    ui_.QueueInput("y");
    EXPECT_EQ(InstallPlugin(PluginDir(), cab), InstallOutcome::Installed);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, Msg("137") + "\r\n" + Msg("053"));
    EXPECT_EQ(ui_.boxes[0].flags, MB_QUESTION_YESNO);
    EXPECT_TRUE(Exists(PluginDir() + "/y/tool.inf"));
    ui_.QueueInput("x");
    ui_.QueueAnswer(ID_YES);  // same names replaced, other files stay
    EXPECT_EQ(InstallPlugin(PluginDir(), cab), InstallOutcome::Installed);
    EXPECT_GT(fs::file_size(PluginDir() + "/x/tool.inf"), 3u);
    EXPECT_TRUE(Exists(PluginDir() + "/x/keep.txt"));
}

TEST_F(InstallTest, CabinetErrorIsReportedAndCatalogueKept) {
    std::string cab = Write(root_ + "/bad.cab", "MSCF but not really a cabinet");
    AddPlugin("p/p.inf", "P");
    auto c = Loaded();
    c.TogglePlugin(Find(c, {"P"}));  // an unapplied edit survives: no reload
    ui_.QueueInput("bad");
    EXPECT_EQ(InstallPlugin(c, cab), InstallOutcome::Failed);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].flags, MB_ERROR_OK);
    EXPECT_TRUE(Find(c, {"P"})->record->Enabled);
}

TEST_F(InstallTest, UninstallAsksThenRemovesFolderAndNode) {
    AddPlugin("shared/a.inf", "A");
    AddPlugin("shared/b.inf", "B");
    Write(PluginDir() + "/shared/sub/data.bin", "x");
    AddPlugin("other/o.inf", "O");
    auto c = Loaded();
    CatalogueNode* a = Find(c, {"A"});
    EXPECT_FALSE(UninstallPlugin(c, a));  // the scripted default answer is No
    EXPECT_EQ(ui_.boxes[0].caption, Msg("138"));
    EXPECT_EQ(ui_.boxes[0].text.find(PluginDir() + "/shared"), 0u);
    EXPECT_TRUE(Exists(PluginDir() + "/shared/a.inf"));

    ui_.QueueAnswer(ID_YES);
    EXPECT_TRUE(UninstallPlugin(c, a));
    EXPECT_FALSE(Exists(PluginDir() + "/shared"));
    EXPECT_TRUE(Exists(PluginDir() + "/other/o.inf"));
    EXPECT_EQ(Find(c, {"A"}), nullptr);
    // The folder's other plugin stays listed until the next load, and Apply keeps it.
    ASSERT_TRUE(c.Apply(profile_, "Rescue"));
    EXPECT_EQ(Stored("\"A\",\"shared\\a.inf\""), std::nullopt);
    EXPECT_NE(Stored("\"B\",\"shared\\b.inf\""), std::nullopt);
}

TEST_F(InstallTest, UninstallNeverEmptiesThePluginFolder) {
    AddPlugin("loose.inf", "Loose");
    AddPlugin("other/o.inf", "O");
    auto c = Loaded();
    ui_.QueueAnswer(ID_YES);
    EXPECT_FALSE(UninstallPlugin(c, Find(c, {"Loose"})));
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].flags, MB_ERROR_OK);
    EXPECT_TRUE(Exists(PluginDir() + "/loose.inf"));
    EXPECT_TRUE(Exists(PluginDir() + "/other/o.inf"));
    EXPECT_NE(Find(c, {"Loose"}), nullptr);
}
