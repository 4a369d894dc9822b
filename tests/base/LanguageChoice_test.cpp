// Which texts the programs use when no resource lies beside them, and the program's own
// sentences in the same language.

#include "vrnx2/base/LanguageChoice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/Files.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"

using namespace vrnx2;

namespace {

namespace fs = std::filesystem;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// Sets the three locale variables for one scope and puts the old values back.
class LocaleScope {
public:
    LocaleScope(const char* all, const char* messages, const char* lang) {
        Set("LC_ALL", all, 0);
        Set("LC_MESSAGES", messages, 1);
        Set("LANG", lang, 2);
    }
    ~LocaleScope() {
        const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
        for (int i = 0; i < 3; ++i) {
            if (saved_[i])
                ::setenv(names[i], saved_[i]->c_str(), 1);
            else
                ::unsetenv(names[i]);
        }
    }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    void Set(const char* name, const char* value, int slot) {
        if (const char* old = std::getenv(name)) saved_[slot] = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> saved_[3];
};

struct LangFolder {
    fs::path path = fs::temp_directory_path() / ("vrnx2-lang-" + std::to_string(::getpid()));
    explicit LangFolder(std::initializer_list<const char*> files) {
        fs::create_directories(path);
        for (const char* f : files) std::ofstream(path / f) << "[Strings]\n001=x\n";
    }
    ~LangFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

TEST(LanguageChoice, MessageLocaleTakesLcAllThenLcMessagesThenLang) {
    struct Row {
        const char* all;
        const char* messages;
        const char* lang;
        const char* expected;
    };
    const Row rows[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "de_DE"},
        {nullptr, "fr_FR.UTF-8", "ja_JP.UTF-8", "fr_FR"},
        {"ja_JP.eucJP", "en_US.UTF-8", "de_DE", "ja_JP"},
        {"", "", "sr_RS@latin", "sr_RS"},
        {nullptr, nullptr, "C", "en_US"},
        {nullptr, nullptr, "POSIX", "en_US"},
        {nullptr, nullptr, nullptr, "en_US"},
    };
    for (const Row& r : rows) {
        LocaleScope scope(r.all, r.messages, r.lang);
        EXPECT_EQ(MessageLocaleName(), r.expected) << (r.lang ? r.lang : "(unset)");
    }
}

TEST(LanguageChoice, ResourceForTheLocaleElseEnglishButNeverForJapanese) {
    LangFolder both({"english.rsl", "german.rsl"});
    struct Row {
        const char* locale;
        const char* expected;  // file name, or "" for the built-in texts
    };
    const Row rows[] = {
        {"en_US", "english.rsl"},
        {"en_GB", "english.rsl"},
        {"de_DE", "german.rsl"},
        {"de", "german.rsl"},
        {"fr_FR", "english.rsl"},
        {"zz_ZZ", "english.rsl"},
        {"ja_JP", ""},
        {"ja", ""},
        // A locale value is no path: nothing outside the folder is read.
        {"../../etc/passwd", "english.rsl"},
    };
    for (const Row& r : rows) {
        const fs::path chosen = ResourceForLocale(both.path, r.locale);
        EXPECT_EQ(chosen.empty() ? std::string() : chosen.filename().string(), r.expected)
            << r.locale;
        if (!chosen.empty()) {
            EXPECT_EQ(chosen.parent_path(), both.path) << r.locale;
        }
    }
}

TEST(LanguageChoice, NoInstalledResourceMeansTheBuiltInTexts) {
    LangFolder none({});
    EXPECT_TRUE(ResourceForLocale(none.path, "en_US").empty());
    EXPECT_TRUE(ResourceForLocale(none.path / "missing", "de_DE").empty());
}

// The build tree copies the shipped resources to share/vrnx2/lang, beside bin/ as installed.
TEST(LanguageChoice, ProgramUsesTheBuiltResourceWhenNothingLiesBesideIt) {
    const std::string beside = (fs::temp_directory_path() / "vrnx2-no-such.rsl").string();
    MessageTable table;
    {
        LocaleScope english(nullptr, nullptr, "en_US.UTF-8");
        table.LoadForProgram(beside);
        EXPECT_TRUE(table.languageLoaded);
        EXPECT_EQ(table.Lookup("001"), "&Builder");
        EXPECT_FALSE(table.japaneseTexts);
    }
    {
        LocaleScope french(nullptr, nullptr, "fr_FR.UTF-8");
        table.LoadForProgram(beside);
        EXPECT_EQ(table.Lookup("001"), "&Builder");
    }
    {
        LocaleScope japanese(nullptr, nullptr, "ja_JP.UTF-8");
        table.LoadForProgram(beside);
        EXPECT_FALSE(table.languageLoaded);
        EXPECT_EQ(table.Lookup("001"), "ビルダ(&B)");
        EXPECT_TRUE(table.japaneseTexts);
    }
    // The resource beside the program still comes first, whatever the locale.
    LangFolder folder({});
    const fs::path own = folder.path / "vrnx2.rsl";
    std::ofstream(own) << "[Strings]\n001=Mine\n";
    LocaleScope english(nullptr, nullptr, "en_US.UTF-8");
    table.LoadForProgram(own.string());
    EXPECT_EQ(table.Lookup("001"), "Mine");
    EXPECT_EQ(table.Lookup("002"), "");
}

TEST(OwnTexts, LanguageFollowsTheTableAndKanaMarksAJapaneseResource) {
    LangFolder folder({});
    std::ofstream(folder.path / "ja.rsl") << "[Strings]\n001=ビルダ(&B)\n";
    std::ofstream(folder.path / "de.rsl") << "[Strings]\n001=&Erstellen\n";
    MessageTable table;
    ASSERT_TRUE(table.LoadResource((folder.path / "ja.rsl").string()));
    EXPECT_TRUE(table.japaneseTexts);
    ASSERT_TRUE(table.LoadResource((folder.path / "de.rsl").string()));
    EXPECT_FALSE(table.japaneseTexts);
    table.LoadBuiltIn();
    EXPECT_TRUE(table.japaneseTexts);
}

TEST(OwnTexts, BothLanguagesCarryTheSamePlaceholdersAndLineBreaks) {
    for (OwnText id : kAllOwnTexts) {
        const std::string en = OwnIn(id, false), ja = OwnIn(id, true);
        EXPECT_FALSE(en.empty()) << static_cast<int>(id);
        EXPECT_NE(en, ja) << static_cast<int>(id);
        EXPECT_EQ(Count(en, "%s"), Count(ja, "%s")) << static_cast<int>(id);
        EXPECT_EQ(Count(en, "\r\n"), Count(ja, "\r\n")) << static_cast<int>(id);
    }
}

TEST(OwnTexts, FillInReplacesMarkersInOrderAndInterpretsNoArgument) {
    struct Row {
        const char* text;
        std::initializer_list<std::string_view> args;
        const char* expected;
    };
    const Row rows[] = {
        {"Cannot rename %s to %s", {"/a", "/b"}, "Cannot rename /a to /b"},
        {"%s%s", {"%s", "x"}, "%sx"},
        {"one %s and %s", {"1"}, "one 1 and %s"},
        {"no marker", {"unused"}, "no marker"},
        {"%d %s", {"v"}, "%d v"},
    };
    for (const Row& r : rows) EXPECT_EQ(FillIn(r.text, r.args), r.expected) << r.text;
}

TEST(OwnTexts, JoinSentencesPutsABlankOnlyBetweenAsciiSentences) {
    struct Row {
        const char* first;
        const char* second;
        const char* expected;
    };
    const Row rows[] = {
        {"Building the PE.", "Are you sure?", "Building the PE. Are you sure?"},
        {"PEをビルドします。", "よろしいですか？", "PEをビルドします。よろしいですか？"},
        {"Building the PE", "Are you sure?", "Building the PEAre you sure?"},
        {"Done.", "", "Done."},
        {"", "Are you sure?", "Are you sure?"},
        {"Building the PE.", "よろしいですか？", "Building the PE.よろしいですか？"},
    };
    for (const Row& r : rows) EXPECT_EQ(JoinSentences(r.first, r.second), r.expected) << r.first;
}

}  // namespace
