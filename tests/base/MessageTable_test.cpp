#include "vrnx2/base/MessageTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "platform/Files.h"
#include "platform/WineLaunch.h"
#include "vrnx2/base/BuiltInMessages.h"

using namespace vrnx2;

namespace {

namespace fs = std::filesystem;

// Files of this test program, removed when it ends.
struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("vrnx2-shell-" + std::to_string(::getpid()));
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path / "locked.rsl", fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
};

fs::path WriteTemp(const std::string& name, const std::string& bytes) {
    static TempFolder folder;
    fs::create_directories(folder.path);
    std::ofstream(folder.path / name, std::ios::binary) << bytes;
    return folder.path / name;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(MessageTable, BuiltInTextsInIdOrderWithTheirExactBytes) {
    MessageTable table;
    table.LoadBuiltIn();
    ASSERT_EQ(table.Lines().size(), kBuiltInMessageCount);
    for (int id = 1; id <= static_cast<int>(kBuiltInMessageCount); ++id) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d=", id);
        EXPECT_EQ(table.Lines()[id - 1].substr(0, 4), prefix);
    }
    EXPECT_EQ(std::set<std::string>(table.Lines().begin(), table.Lines().end()).size(),
              kBuiltInMessageCount);
    EXPECT_FALSE(table.languageLoaded);
    EXPECT_EQ(table.Lookup("001"), "ビルダ(&B)");
    EXPECT_EQ(table.Lookup("028"), "レジストリを初期化しました。");
    EXPECT_EQ(table.Lookup("053"), "続行しますか？");
    EXPECT_EQ(table.Lookup("074"), "実行ファイル(*.exe)|*.exe|すべてのファイル(*.*)|*.*");
    EXPECT_EQ(table.Lookup("129"), "ツリーを畳む(&O) ");  // the trailing blank belongs to it
    EXPECT_EQ(table.Lookup("152"), "%sのコピー");
    // The empty list's hints name the menu, the item and the button by their captions.
    EXPECT_EQ(Count(table.Lookup("153"), "%s"), 2);
    EXPECT_EQ(Count(table.Lookup("154"), "%s"), 1);
}

TEST(MessageTable, LookupRules) {
    MessageTable table;
    for (const char* line : {"no separator", "abc=first", "ABC=second", "007=a=b", "008="})
        table.AddLine(line);
    EXPECT_EQ(table.Lookup("Abc"), "first");  // letter case ignored, first line wins
    EXPECT_EQ(table.Lookup("007"), "a=b");    // text after the first "=" only
    EXPECT_EQ(table.Lookup("008"), "");
    EXPECT_EQ(table.Lookup("no separator"), "");
    EXPECT_EQ(table.Lookup("7"), "");  // ids match whole
    EXPECT_EQ(table.Lookup(""), "");
}

TEST(MessageTable, ResourceReplacesTheWholeTable) {
    MessageTable table;
    table.LoadBuiltIn();
    EXPECT_FALSE(table.LoadResource("/nonexistent/vrnx2.rsl"));
    EXPECT_FALSE(table.LoadResource(fs::temp_directory_path().string()));  // a folder
    EXPECT_EQ(table.Lines().size(), kBuiltInMessageCount);

    ASSERT_TRUE(table.LoadResource(WriteTemp("one.rsl", "[Strings]\r\n001=X\r\n").string()));
    EXPECT_TRUE(table.languageLoaded);
    EXPECT_EQ(table.Lookup("001"), "X");
    for (const char* id : {"002", "028", "040", "152"}) EXPECT_EQ(table.Lookup(id), "") << id;
}

// Empty captions everywhere would leave the program unusable: keep the built-in texts.
TEST(MessageTable, UnreadableResourceKeepsBuiltInTexts) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    fs::path p = WriteTemp("locked.rsl", "[Strings]\n001=X\n");
    fs::permissions(p, fs::perms::none);
    MessageTable table;
    table.LoadBuiltIn();
    EXPECT_FALSE(table.LoadResource(p.string()));
    EXPECT_EQ(table.Lookup("001"), "ビルダ(&B)");
}

TEST(MessageTable, DefaultIsTheResourceBesideTheProgram) {
    fs::path beside = platform::ProgramFile();
    beside.replace_extension(".rsl");
    fs::remove(beside);
    MessageTable& global = MessageTable::Instance();
    global.LoadDefault();
    EXPECT_FALSE(global.languageLoaded);
    EXPECT_EQ(Msg("002"), "ビルド(&B)");

    std::ofstream(beside, std::ios::binary) << "[Font01]\nName=Beside\n[Strings]\n002=Build\n";
    global.LoadDefault();
    fs::remove(beside);
    EXPECT_TRUE(global.languageLoaded);
    EXPECT_EQ(Msg("002"), "Build");
    EXPECT_EQ(Msg("001"), "");
    EXPECT_EQ(global.font1.name, "Beside");
    global.Clear();
}

// The shipped English resource names every id, with the placeholders, filter fields and
// accelerators that the callers fill in, split and show.
TEST(EnglishResource, CoversEveryIdLikeTheBuiltInTexts) {
    MessageTable builtIn, english;
    builtIn.LoadBuiltIn();
    ASSERT_TRUE(english.LoadResource(VRNX2_EXAMPLES_DIR "/lang/english.rsl"));
    EXPECT_EQ(english.Lines().size(), kBuiltInMessageCount);
    for (int id = 1; id <= static_cast<int>(kBuiltInMessageCount); ++id) {
        char key[4];
        std::snprintf(key, sizeof key, "%03d", id);
        const std::string ja = builtIn.Lookup(key), en = english.Lookup(key);
        EXPECT_FALSE(en.empty()) << key;
        for (const char* marker : {"%s", "%d", "|", "&"})
            EXPECT_EQ(Count(en, marker), Count(ja, marker)) << key << " " << marker;
    }
}

}  // namespace

namespace {

// A Japanese caption over an English reason: the file and program layer's sentences follow
// the table (and stay English without one, as in quenfa).
TEST(MessageTable, TheFileAndProgramLayerSpeaksTheTablesLanguage) {
    namespace fs = std::filesystem;
    MessageTable& table = MessageTable::Instance();
    const std::string missing = "/nonexistent-vrnx2/input.inf";
    const fs::path text = fs::temp_directory_path() / "vrnx2-not-a-program.txt";
    std::ofstream(text) << "plain text";
    auto reasons = [&] {
        std::string write;
        platform::WriteFileAtomic(missing, "x", &write);
        return std::pair{write, platform::PlanLaunch({text.string()}).error};
    };

    table.LoadBuiltIn();
    auto [write, launch] = reasons();
    EXPECT_EQ(write.rfind("'" + missing + "' の横に一時ファイルを作成できません: ", 0), 0u)
        << write;
    EXPECT_NE(launch.find("はここで起動できるプログラムではありません"), std::string::npos)
        << launch;

    ASSERT_TRUE(table.LoadResource(VRNX2_EXAMPLES_DIR "/lang/english.rsl"));
    std::tie(write, launch) = reasons();
    EXPECT_EQ(write.rfind("cannot create a temporary file beside '" + missing + "': ", 0), 0u);
    EXPECT_NE(launch.find("is not a program that can be started here"), std::string::npos);

    table.Clear();
    EXPECT_EQ(reasons().first, write);
    fs::remove(text);
}

}  // namespace
