#include "vrnx2/settings/SystemRoutines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/ScriptedInterface.h"
#include "tests/support/TextRow.h"
#include "vrnx2/base/LanguageChoice.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

TEST(StripAfterColon, Table) {
    const TextRow rows[] = {
        {"C:", "C:"},
        {"C:\\", "C:\\"},
        {"C:\\PE\\x", "C:\\PE\\x"},
        {"C:\\PE:stream", "C:\\PE"},
        {"C:\\:x", "C:\\"},
        {"ab:cd:ef", "ab:cd"},
        {"", ""},
        {"abc", "abc"},
    };
    for (const TextRow& r : rows) EXPECT_EQ(StripAfterColon(r.in), r.out) << r.in;
}

class RunProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("runprogram_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(RunProgramTest, ExitCodeOnlyWhenWaitedFor) {
    std::string error = "unset";
    EXPECT_EQ(RunProgram("sh -c \"exit 3\"", true, &error), 3);
    EXPECT_EQ(error, "");
    EXPECT_EQ(RunProgram("sh -c \"exit 5\"", false), 0);
    // A failed start looks like success to the caller, but the reason is reported.
    EXPECT_EQ(RunProgram("\"/nonexistent/no such program\" -x", true, &error), 0);
    EXPECT_FALSE(error.empty());
}

TEST_F(RunProgramTest, NothingIsInterpretedByAShell) {
    const std::string odd = (dir_ / "a b;c $(x)").string();
    EXPECT_EQ(RunProgram("touch \"" + odd + "\"", true), 0);
    EXPECT_TRUE(fs::exists(odd));
    const fs::path redirected = dir_ / "out";
    RunProgram("test x > " + redirected.string(), true);
    EXPECT_FALSE(fs::exists(redirected));
}

TEST(InputText, ResultIsLimitedTo255Characters) {
    ScriptedInterface ui;
    std::string long_text;
    for (int i = 0; i < 300; ++i) long_text += "\xE3\x81\x82";
    ui.QueueInput(long_text);
    std::string text = "start";
    ASSERT_TRUE(InputText("caption", "prompt", text));
    EXPECT_EQ(text, long_text.substr(0, 255 * 3));
    ASSERT_EQ(ui.inputRequests.size(), 1u);
    EXPECT_EQ(ui.inputRequests[0].initial, "start");
    EXPECT_EQ(ui.inputRequests[0].caption, "caption");
}

// An interface that writes into the path and still cancels.
class CarelessInterface : public ScriptedInterface {
public:
    bool BrowseForFolder(const std::string&, std::string& path, bool) override {
        path = "/elsewhere";
        return false;
    }
    bool InputText(const std::string&, const std::string&, std::string& text) override {
        text = "typed";
        return false;
    }
};

TEST(InputText, CancelLeavesTheTextUnchanged) {
    CarelessInterface ui;
    std::string text = "keep";
    EXPECT_FALSE(InputText("c", "p", text));
    EXPECT_EQ(text, "keep");
    std::string path = "/pe/";
    EXPECT_FALSE(BrowseForFolder("t", path, true));
    EXPECT_EQ(path, "/pe/");
}

TEST(LocaleString, FollowsTheUserLocale) {
    ::unsetenv("LC_ALL");
    ::unsetenv("ANSI_CODEPAGE");
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(LocaleString(LocaleItem::EnglishLanguageName), "Japanese");
    EXPECT_EQ(LocaleString(LocaleItem::Lcid), "0411");
    EXPECT_EQ(LocaleString(LocaleItem::AnsiCodePage), "932");
    ::setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(LocaleString(LocaleItem::EnglishLanguageName), "English");
    EXPECT_EQ(LocaleString(LocaleItem::Lcid), "0409");
    EXPECT_EQ(LocaleString(LocaleItem::AnsiCodePage), "1252");
    ::setenv("LANG", "ja_JP.UTF-8", 1);
}

TEST(LanguageFileName, IsTheProgramWithRslExtension) {
    fs::path rsl(LanguageFileName());
    EXPECT_EQ(rsl.filename(), "general_test.rsl");
    EXPECT_TRUE(rsl.is_absolute());
}

}  // namespace
