#include "vrnx2/shell/Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

TEST(Startup, ResetSwitch) {
    for (const char* on : {"-I", "/I", "-i", "/i"}) {
        EXPECT_TRUE(HasResetSwitch({on})) << on;
        EXPECT_TRUE(HasResetSwitch({"other", on, "x"})) << on;
    }
    for (const char* off : {"I", "--I", "-II", "-Ix", "\\I", "-", "/"})
        EXPECT_FALSE(HasResetSwitch({off})) << off;
    EXPECT_FALSE(HasResetSwitch({}));
}

class ResetTest : public ::testing::Test {
protected:
    void SetUp() override { MessageTable::Instance().LoadBuiltIn(); }
    void TearDown() override { MessageTable::Instance().Clear(); }
    ScriptedInterface ui;
};

TEST_F(ResetTest, DeletesTheWholeTreeAndSaysSo) {
    const std::string root = kVarnexKey;
    RegWriteInteger(0, root, "ProfileCount", 1);
    RegWriteString(0, root + "\\Profiles\\001\\Plugin", "\"a\",\"a.inf\"", "\"1\",\"\",\"0\"");
    RegWriteString(0, "Software\\HALV\\Other", "Keep", "yes");

    EXPECT_EQ(ResetSettings(), 0);

    EXPECT_FALSE(RegKeyExists(0, "Software\\HALV", "Varnex v2"));
    EXPECT_EQ(RegReadString(0, "Software\\HALV\\Other", "Keep", ""), "yes");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "レジストリを初期化しました。");
    EXPECT_EQ(ui.boxes[0].caption, "Varnex");
    EXPECT_EQ(ui.boxes[0].flags, unsigned{MB_INFORMATION});
    EXPECT_EQ(ResetSettings(), 0);  // an empty store resets just as well
    RegDeleteKey(0, "Software\\HALV\\Other");
}

// A reset that cannot reach the store must not claim the settings were initialised.
TEST_F(ResetTest, StoreFailureIsReportedNotHidden) {
    const char* saved = std::getenv("VRNX2_SETTINGS");
    const std::string keep = saved ? saved : "";
    namespace fs = std::filesystem;
    fs::path blocker = fs::temp_directory_path() / "vrnx2-shell-blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    ::setenv("VRNX2_SETTINGS", (blocker / "settings.db").c_str(), 1);

    const int code = ResetSettings();

    if (saved)
        ::setenv("VRNX2_SETTINGS", keep.c_str(), 1);
    else
        ::unsetenv("VRNX2_SETTINGS");
    fs::remove(blocker);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "エラー");
    EXPECT_EQ(ui.boxes[0].flags, unsigned{MB_ERROR_OK});
}

// The reason came in SQLite's English under a Japanese caption.
TEST_F(ResetTest, AReadOnlyStoreIsToldInTheProgramsLanguage) {
    RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    faulty_store::FailAfter(0, faulty_store::Fault::ReadOnly);
    const int code = ResetSettings();
    faulty_store::Reset();
    EXPECT_EQ(code, 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "エラー");
    EXPECT_EQ(ui.boxes[0].text, FillIn(Msg(kMsgStoreReadOnly), {StoreFilePath()}));
    EXPECT_EQ(RegReadInteger(0, kVarnexKey, "ProfileCount", 0), 1);
}

}  // namespace
