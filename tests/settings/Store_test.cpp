#include "vrnx2/settings/Store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "tests/settings/StoreFixture.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"

using namespace vrnx2;

namespace {

using Store = StoreTest;

TEST_F(Store, ReadsOfAStoreNotMadeYetGiveDefaultsAndMakeNothing) {
    EXPECT_EQ(RegReadString(0, VKey(), "X", "def"), "def");
    EXPECT_EQ(RegReadInteger(0, VKey(), "ProfileCount", 0), 0);
    EXPECT_TRUE(RegReadBool(0, VKey("Profiles\\001"), "Verbose", true));
    EXPECT_FALSE(RegKeyExists(0, VKey(), ""));
    std::vector<std::string> values{"stale"};
    RegReadValues(0, VKey(), values);
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(std::filesystem::exists(File()));

    RegWriteInteger(0, VKey(), "BuilderCount", 2);  // a write makes the folders and the file
    EXPECT_TRUE(std::filesystem::exists(File()));
    EXPECT_EQ(RegReadInteger(0, VKey(), "BuilderCount", 0), 2);
}

struct TypeRule {
    const char* rule;
    std::optional<std::string> text;  // stored as string
    std::optional<int32_t> number;    // stored as integer
    bool boolDefault;
    bool expectBool;
    int32_t expectInt;  // with default -7
};

class TypeRules : public StoreTest, public ::testing::WithParamInterface<TypeRule> {};

TEST_P(TypeRules, BoolAndIntegerReadStringsAndIntegers) {
    const TypeRule& r = GetParam();
    if (r.text) RegWriteString(0, VKey(), "V", *r.text);
    if (r.number) RegWriteInteger(0, VKey(), "V", *r.number);
    EXPECT_EQ(RegReadBool(0, VKey(), "V", r.boolDefault), r.expectBool) << r.rule;
    EXPECT_EQ(RegReadInteger(0, VKey(), "V", -7), r.expectInt) << r.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Store, TypeRules,
    ::testing::Values(TypeRule{"absent gives the default", {}, {}, true, true, -7},
                      TypeRule{"string 1 is true", "1", {}, false, true, 1},
                      TypeRule{"string 0 is false", "0", {}, true, false, 0},
                      TypeRule{"string non-zero is true", "42", {}, false, true, 42},
                      TypeRule{"negative string", "-3", {}, false, true, -3},
                      TypeRule{"not a number gives the default", "yes", {}, true, true, -7},
                      TypeRule{"empty string gives the default", "", {}, false, false, -7},
                      TypeRule{"trailing text is not a number", "12ab", {}, false, false, -7},
                      TypeRule{"beyond 32 bits is not a number", "99999999999", {}, true, true, -7},
                      TypeRule{"hexadecimal text", "0x10", {}, false, true, 16},
                      TypeRule{"integer 0 is false", {}, 0, true, false, 0},
                      TypeRule{"integer non-zero is true", {}, 5, false, true, 5},
                      TypeRule{"colour-sized integer",
                               {},
                               static_cast<int32_t>(0xFF00000D),
                               false,
                               true,
                               static_cast<int32_t>(0xFF00000D)}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Store, AValueTakesTheTypeOfItsLastWrite) {
    RegWriteInteger(0, VKey(), "V", 12);
    EXPECT_EQ(RegReadString(0, VKey(), "V", "x"), "12");
    RegWriteString(0, VKey(), "V", "text");
    EXPECT_EQ(RegReadValue(0, VKey(), "V")->type, RegType::String);
    RegWriteBool(0, VKey(), "V", true);
    auto v = RegReadValue(0, VKey(), "V");
    EXPECT_EQ(v->type, RegType::Integer);
    EXPECT_EQ(v->number, 1);
}

TEST_F(Store, KeyPathsAndValueNamesIgnoreLetterCaseBeyondAscii) {
    RegWriteString(0, "Software\\HALV\\Varnex v2\\Ärger Σίσυφος", "Ｎａｍｅ", "one");
    EXPECT_EQ(RegReadString(0, "SOFTWARE\\halv\\VARNEX V2\\äRGER ΣΊΣΥΦΟΣ", "ｎＡＭＥ", ""), "one");
    RegWriteString(0, "software\\halv\\varnex v2\\ärger σίσυφος", "ＮＡＭＥ", "two");
    auto values = RegEnumValues(0, VKey("ÄRGER ΣΊΣΥΦΟΣ"));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Ｎａｍｅ");  // the name keeps the case it was created with
    EXPECT_EQ(values[0].text, "two");
    EXPECT_EQ(*RegKeyPath(0, "SOFTWARE\\HALV\\VARNEX V2\\ÄRGER ΣΊΣΥΦΟΣ"),
              "Software\\HALV\\Varnex v2\\Ärger Σίσυφος");
    // Empty components do not make other keys.
    EXPECT_EQ(RegReadString(0, "\\Software\\\\HALV\\Varnex v2\\Ärger Σίσυφος\\", "Ｎａｍｅ", ""),
              "two");
}

TEST_F(Store, ValuesKeepTheirCreationOrderWhenRewritten) {
    RegWriteString(0, VKey("K"), "c", "1");
    RegWriteInteger(0, VKey("K"), "a", 2);
    RegWriteString(0, VKey("K"), "B", "3");
    RegWriteString(0, VKey("K"), "A", "again");
    std::vector<std::string> lines;
    RegReadValues(0, VKey("K"), lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"c=1", "a=again", "B=3"}));
}

TEST_F(Store, DeleteKeyTakesItsSubtreeAndNothingBeside) {
    RegWriteString(0, VKey("Profiles\\001"), "ProfileName", "p1");
    RegWriteString(0, VKey("Profiles\\001\\Plugin"), "x", "y");
    RegWriteString(0, VKey("Profiles\\0010"), "ProfileName", "p10");
    RegWriteString(0, VKey("Profiles\\001 copy"), "ProfileName", "copy");
    RegWriteString(0, VKey("Profiles\\001]"), "ProfileName", "bracket");
    RegDeleteKey(0, VKey("PROFILES\\001"));
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles"), "001"));
    EXPECT_FALSE(RegKeyExists(0, VKey("Profiles\\001"), "Plugin"));
    EXPECT_EQ(RegEnumKeys(0, VKey("Profiles")),
              (std::vector<std::string>{"001 copy", "0010", "001]"}));
    RegDeleteKey(0, VKey("Absent"));  // no error
    RegDeleteKey(0, "");              // never the whole hive
    EXPECT_TRUE(RegKeyExists(0, VKey(), "Profiles"));
}

struct GuardCase {
    const char* rule;
    const char* from;
    const char* to;
    bool acts;
};

class MoveCopyGuard : public StoreTest, public ::testing::WithParamInterface<GuardCase> {
protected:
    void Fill() {
        RegWriteString(0, "Software\\HALV\\Varnex v2\\A", "v1", "1");
        RegWriteInteger(0, "Software\\HALV\\Varnex v2\\A", "v2", 2);
        RegWriteString(0, "Software\\HALV\\Varnex v2\\A\\Sub\\Deep", "d", "deep");
        RegWriteString(0, "Software\\HALV\\Varnex v2\\Taken", "keep", "me");
        RegWriteString(0, "Software\\Other\\A", "o", "other");
    }
};

TEST_P(MoveCopyGuard, ActsOnlyInsideTheProgramsTreeOnAFreeDestination) {
    const GuardCase& c = GetParam();
    for (bool move : {false, true}) {
        RegDeleteKey(0, "Software");
        Fill();
        std::vector<std::string> before;
        RegReadValues(0, c.from, before);
        bool destExisted = RegKeyExists(0, c.to, "");
        std::vector<std::string> destBefore;
        RegReadValues(0, c.to, destBefore);
        if (move)
            RegMoveKey(0, c.from, c.to);
        else
            RegCopyKey(0, c.from, c.to);
        std::vector<std::string> after;
        RegReadValues(0, c.to, after);
        if (c.acts) {
            EXPECT_EQ(after, before) << c.rule;
            EXPECT_EQ(RegReadString(0, std::string(c.to) + "\\Sub\\Deep", "d", ""), "deep");
            EXPECT_EQ(RegKeyExists(0, c.from, ""), !move) << c.rule;
        } else {
            EXPECT_EQ(RegKeyExists(0, c.to, ""), destExisted) << c.rule;
            EXPECT_EQ(after, destBefore) << c.rule;
            EXPECT_EQ(RegKeyExists(0, c.from, ""), !before.empty()) << c.rule;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Store, MoveCopyGuard,
    ::testing::Values(GuardCase{"inside the tree", "Software\\HALV\\Varnex v2\\A",
                                "Software\\HALV\\Varnex v2\\B", true},
                      GuardCase{"the word in any case", "Software\\HALV\\VARNEX v2\\A",
                                "Software\\x\\vArNeX\\B", true},
                      GuardCase{"destination outside", "Software\\HALV\\Varnex v2\\A",
                                "Software\\Other\\B", false},
                      GuardCase{"source outside", "Software\\Other\\A",
                                "Software\\HALV\\Varnex v2\\B", false},
                      GuardCase{"source absent", "Software\\HALV\\Varnex v2\\None",
                                "Software\\HALV\\Varnex v2\\B", false},
                      GuardCase{"destination exists", "Software\\HALV\\Varnex v2\\A",
                                "Software\\HALV\\Varnex v2\\Taken", false},
                      GuardCase{"destination inside the source", "Software\\HALV\\Varnex v2\\A",
                                "Software\\HALV\\Varnex v2\\A\\Sub\\New", false}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Store, CopyKeepsValueOrderAndLetterCaseOfTheDestination) {
    RegWriteString(0, VKey("Src"), "z", "1");
    RegWriteString(0, VKey("Src"), "a", "2");
    RegCopyKey(0, VKey("Src"), VKey("New\\Dst"));
    auto values = RegEnumValues(0, VKey("new\\dst"));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "z");
    EXPECT_EQ(*RegKeyPath(0, VKey("NEW\\DST")), VKey("New\\Dst"));
}

// A chain of `levels` keys named "k" below `base`.
std::string Chain(const std::string& base, int levels) {
    std::string path = base;
    for (int i = 0; i < levels; ++i) path += "\\k";
    return path;
}

TEST_F(Store, KeysDeeperThanTheLimitAreRefusedAndWriteNothing) {
    // VKey() is three levels deep.
    const std::string deepest = Chain(VKey("Deep"), kMaxKeyDepth - 4);
    RegWriteString(0, deepest, "v", "512 levels");
    EXPECT_EQ(KeyDepth(deepest), kMaxKeyDepth);
    EXPECT_EQ(RegReadString(0, deepest, "v", ""), "512 levels");

    EXPECT_THROW(RegWriteString(0, Chain(VKey("Other"), kMaxKeyDepth - 3), "v", "x"), StoreError);
    EXPECT_THROW(RegCreateKey(0, deepest + "\\k"), StoreError);
    EXPECT_FALSE(RegKeyExists(0, VKey(), "Other"));
    EXPECT_FALSE(RegKeyExists(0, deepest, "k"));
    // A copy or move that would carry the deepest key past the limit changes nothing.
    EXPECT_THROW(RegCopyKey(0, VKey("Deep"), VKey("One\\Deep")), StoreError);
    EXPECT_THROW(RegMoveKey(0, VKey("Deep"), VKey("One\\Deep")), StoreError);
    EXPECT_FALSE(RegKeyExists(0, VKey(), "One"));
    EXPECT_EQ(RegReadString(0, deepest, "v", ""), "512 levels");
}

TEST_F(Store, TheTreeListsEachKeyBeforeItsSubkeysWithItsValues) {
    // Ordered by whole path, "a b" and "A0" would fall between "a" and "a\b".
    RegWriteString(0, VKey("T\\a\\b\\c"), "x", "1");
    RegWriteString(0, VKey("T\\A0"), "y", "2");
    RegWriteInteger(0, VKey("T\\a b"), "n", 3);
    RegWriteString(0, VKey("T\\a"), "second", "s");
    RegWriteString(0, VKey("T\\a"), "First", "f");
    RegCreateKey(0, VKey("T\\a\\B2"));
    RegCreateKey(0, VKey("Tail"));

    auto tree = RegEnumTree(0, VKey("t"));
    std::vector<std::string> paths;
    for (const auto& k : tree) paths.push_back(k.path.substr(VKey().size() + 1));
    EXPECT_EQ(paths, (std::vector<std::string>{"T", "T\\a", "T\\a\\b", "T\\a\\b\\c", "T\\a\\B2",
                                               "T\\a b", "T\\A0"}));
    ASSERT_EQ(tree.size(), 7u);
    ASSERT_EQ(tree[1].values.size(), 2u);
    EXPECT_EQ(tree[1].values[0].name, "second");
    EXPECT_EQ(tree[1].values[1].text, "f");
    EXPECT_EQ(tree[5].values[0].number, 3);
    EXPECT_TRUE(tree[4].values.empty());
    // The same order as asking each key for its subkeys.
    EXPECT_EQ(RegEnumKeys(0, VKey("T\\a")), (std::vector<std::string>{"b", "B2"}));

    EXPECT_TRUE(RegEnumTree(0, VKey("Absent")).empty());
    auto hive = RegEnumTree(0, "");
    ASSERT_FALSE(hive.empty());
    EXPECT_EQ(hive.front().path, "");
    EXPECT_EQ(hive[1].path, "Software");
    EXPECT_EQ(hive.back().path, VKey("Tail"));
}

TEST_F(Store, OtherHivesDoNotExist) {
    RegWriteString(0, VKey(), "V", "user");
    EXPECT_EQ(RegReadString(3, VKey(), "V", "none"), "none");
    EXPECT_EQ(RegReadString(2, VKey(), "V", "none"), "user");  // any other value: the user
    EXPECT_THROW(RegWriteString(3, VKey(), "V", "x"), StoreError);
}

TEST_F(Store, ATransactionLeftWithoutCommitLeavesNothing) {
    RegWriteString(0, VKey(), "Keep", "1");
    {
        StoreTransaction tx;
        RegWriteString(0, VKey(), "Keep", "2");
        RegDeleteKey(0, VKey());
        EXPECT_FALSE(RegKeyExists(0, VKey(), ""));  // seen inside the transaction
    }
    EXPECT_EQ(RegReadString(0, VKey(), "Keep", ""), "1");

    StoreTransaction outer;
    {
        StoreTransaction inner;
        RegWriteString(0, VKey(), "Keep", "3");
    }
    EXPECT_THROW(outer.Commit(), StoreError);
}

TEST_F(Store, AFailingDiskMidTransactionRollsBack) {
    RegWriteString(0, VKey("A"), "v", "old");
    for (const faulty_store::Way& way : faulty_store::kEveryWay) {
        faulty_store::FailAfter(0, way.fault, way.step);
        EXPECT_THROW(
            {
                StoreTransaction tx;
                RegWriteString(0, VKey("A"), "v", "new");
                RegWriteString(0, VKey("B"), "v", "new");
                RegDeleteKey(0, VKey("A"));
                tx.Commit();
            },
            StoreError);
        faulty_store::Reset();
        EXPECT_EQ(RegReadString(0, VKey("A"), "v", ""), "old");
        EXPECT_FALSE(RegKeyExists(0, VKey(), "B"));
    }
}

// SQLite's "attempt to write a readonly database" told the person nothing of what to do.
TEST_F(Store, RefusedWritesAreToldInThePersonsWordsAndLanguage) {
    RegWriteString(0, VKey(), "v", "old");
    auto failure = [](faulty_store::Fault fault) {
        faulty_store::FailAfter(0, fault);
        std::string text;
        try {
            RegWriteString(0, VKey(), "v", "new");
        } catch (const StoreError& e) {
            text = e.what();
        }
        faulty_store::Reset();
        return text;
    };
    MessageTable::Instance().Clear();  // vrnx2-cli reg: no table, English
    EXPECT_EQ(failure(faulty_store::Fault::ReadOnly),
              "The settings store " + File() +
                  " cannot be written: the file or its folder is read-only, or belongs to "
                  "another user.");
    EXPECT_EQ(failure(faulty_store::Fault::Full),
              "The settings store " + File() + " cannot be written: the disk is full.");
    EXPECT_NE(failure(faulty_store::Fault::IoError).find(File()), std::string::npos);
    MessageTable::Instance().LoadBuiltIn();
    EXPECT_EQ(failure(faulty_store::Fault::ReadOnly), FillIn(Msg(kMsgStoreReadOnly), {File()}));
    MessageTable::Instance().Clear();
    EXPECT_EQ(RegReadString(0, VKey(), "v", ""), "old");
}

TEST_F(Store, AWriterWaitsForAnotherWritersTransaction) {
    RegWriteInteger(0, VKey(), "First", 0);
    std::atomic<bool> holding{false};
    std::atomic<bool> written{false};
    std::thread other;
    {
        StoreTransaction tx;
        RegWriteInteger(0, VKey(), "First", 1);
        other = std::thread([&] {
            holding.wait(false);
            RegWriteInteger(0, VKey(), "Second", 2);
            written = true;
        });
        holding = true;
        holding.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_FALSE(written.load());
        tx.Commit();
    }
    other.join();
    EXPECT_EQ(RegReadInteger(0, VKey(), "First", 0), 1);
    EXPECT_EQ(RegReadInteger(0, VKey(), "Second", 0), 2);
}

TEST_F(Store, AFileThatIsNoStoreReadsAsDefaultsAndRefusesWrites) {
    std::filesystem::create_directories(std::filesystem::path(File()).parent_path());
    std::ofstream(File()) << "this is not a database, but it is somebody's file\n";
    EXPECT_EQ(RegReadString(0, VKey(), "V", "def"), "def");
    EXPECT_THROW(RegWriteString(0, VKey(), "V", "x"), StoreError);
}

TEST_F(Store, ADatabaseOfAnotherProgramIsNotTakenOver) {
    std::filesystem::create_directories(std::filesystem::path(File()).parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(t); INSERT INTO notes VALUES('mine');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const auto before = std::filesystem::file_size(File());

    EXPECT_THROW(RegWriteString(0, VKey(), "V", "x"), StoreError);
    EXPECT_THROW(StoreTransaction(StoreTransaction::Read), StoreError);
    EXPECT_EQ(RegReadString(0, VKey(), "V", "def"), "def");

    ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
    int tables = -1;
    sqlite3_exec(
        db, "SELECT count(*) FROM sqlite_master",
        [](void* out, int, char** row, char**) {
            *static_cast<int*>(out) = std::atoi(row[0]);
            return 0;
        },
        &tables, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(tables, 1);
    EXPECT_EQ(std::filesystem::file_size(File()), before);
}

TEST_F(Store, LocationFollowsTheEnvironment) {
    SetStoreFilePath("");
    std::string savedStore = getenv("VRNX2_SETTINGS") ? getenv("VRNX2_SETTINGS") : "";
    std::string savedXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("VRNX2_SETTINGS", (dir_ + "/explicit.db").c_str(), 1);
    EXPECT_EQ(StoreFilePath(), dir_ + "/explicit.db");
    unsetenv("VRNX2_SETTINGS");
    setenv("XDG_CONFIG_HOME", (dir_ + "/xdg").c_str(), 1);
    EXPECT_EQ(StoreFilePath(), dir_ + "/xdg/HALV/Varnex v2/settings.db");
    RegWriteInteger(0, VKey(), "V", 1);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/xdg/HALV/Varnex v2/settings.db"));
    setenv("VRNX2_SETTINGS", savedStore.c_str(), 1);
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
}

}  // namespace
