// vrnx2-cli build speaks the language of the locale when no resource lies beside it, and
// the report goes where the user may write.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempTree.h"
#include "vrnx2/build/BuildReport.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

class CliLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin = std::getenv("TEST_BIN_DIR");
        RegDeleteKey(0, kVarnexKey);
        t.Mkdir("builder/out");
        std::filesystem::copy_file(bin + "/pebuilder", t.Path("builder/pebuilder.exe"));
        t.Write("source/i386/shell32.dl_", "x");
        WriteProfile(false);
    }

    void WriteProfile(bool manageOrder) {
        TProfileRec p;
        p.ProfileName = "Rescue";
        p.Builder = {"Stand-in", t.Path("builder"), 1};
        p.Source = t.Path("source");
        p.OutDir = "out";
        p.ManageOrder = manageOrder;
        WriteProfileRec(ProfileKey(1), p);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    }

    // Standard error of "vrnx2-cli build Rescue" (no terminal, so without --yes the question
    // is declined) under the given locale variables.
    std::string Build(const std::vector<std::string>& locale, bool yes = false) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string var = *e;
            if (var.rfind("LANG=", 0) != 0 && var.rfind("LC_ALL=", 0) != 0 &&
                var.rfind("LC_MESSAGES=", 0) != 0)
                env.push_back(var);
        }
        env.insert(env.end(), locale.begin(), locale.end());
        std::vector<std::string> argv = {bin + "/vrnx2-cli", "build", "Rescue"};
        if (yes) argv.push_back("--yes");
        return RunChild(argv, t.Path(), {}, &env).err;
    }

    std::string bin;
    TempTree t;
};

TEST_F(CliLanguageTest, QuestionFollowsTheLocaleWithoutAResourceBesideTheProgram) {
    struct Row {
        std::vector<std::string> locale;
        const char* question;
    };
    const Row rows[] = {
        {{"LANG=en_US.UTF-8"}, "Confirmation: Building the PE. Are you sure?"},
        {{"LANG=de_DE.UTF-8"}, "Confirmation: Building the PE. Are you sure?"},
        {{"LANG=C"}, "Confirmation: Building the PE. Are you sure?"},
        {{"LANG=ja_JP.UTF-8"}, "確認: PEをビルドします。よろしいですか？"},
        {{"LANG=ja_JP.UTF-8", "LC_MESSAGES=en_US.UTF-8"},
         "Confirmation: Building the PE. Are you sure?"},
        {{"LANG=en_US.UTF-8", "LC_ALL=ja_JP.UTF-8"}, "確認: PEをビルドします。よろしいですか？"},
    };
    for (const Row& r : rows) {
        const std::string err = Build(r.locale);
        EXPECT_NE(err.find(r.question), std::string::npos) << r.locale.back() << "\n" << err;
    }
}

TEST_F(CliLanguageTest, OwnSentencesFollowTheSameLanguage) {
    // A plugin folder set aside by an interrupted run, beside a user tree: the run stops
    // with a sentence of the program's own, not from the message table.
    WriteProfile(true);
    t.Write("builder/Plugin/a/a.inf", PluginInf("A"));
    t.Write("builder/!Plugin!/001(a)/a.inf", PluginInf("A"));
    const std::string en = Build({"LANG=en_US.UTF-8"}, true);
    EXPECT_NE(en.find("Error: A plugin folder set aside by an earlier build was found:"),
              std::string::npos)
        << en;
    const std::string ja = Build({"LANG=ja_JP.UTF-8"}, true);
    EXPECT_NE(ja.find("エラー: 以前のビルドで退避されたプラグインフォルダが見つかりました:"),
              std::string::npos)
        << ja;
    EXPECT_TRUE(PathExists(t.Path("builder/!Plugin!/001(a)/a.inf")));
}

TEST(ReportDirectory, BesideTheProgramWhenWritableElseInTheUsersStateFolder) {
    TempTree t;
    EXPECT_EQ(ReportDirectory(t.Path()), t.Path());

    const std::string notAFolder = t.Write("file", "x") + "/bin";
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldState ? oldState : "";
    ::setenv("XDG_STATE_HOME", t.Path("state").c_str(), 1);
    EXPECT_EQ(ReportDirectory(notAFolder), t.Path("state/vrnx2"));
    EXPECT_TRUE(std::filesystem::is_directory(t.Path("state/vrnx2")));
    if (oldState)
        ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
