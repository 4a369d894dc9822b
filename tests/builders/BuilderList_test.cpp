#include "vrnx2/builders/BuilderList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/settings/StoreFixture.h"
#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/RegFile.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

const std::string kBuilders = VKey("PEBuilder");

class Builders : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        MessageTable::Instance().LoadBuiltIn();
    }
    void StoreBuilders(const std::vector<std::pair<std::string, std::string>>& builders) {
        RegWriteInteger(0, VKey(), "BuilderCount", static_cast<int32_t>(builders.size()));
        for (size_t i = 0; i < builders.size(); ++i)
            RegWriteString(0, kBuilders, BuilderNumberText(static_cast<int>(i) + 1),
                           BuilderValueData(builders[i].first, builders[i].second));
    }
    // Profile n uses builder `index` ("000" none); its name and path copies are stale on
    // purpose, so a rewrite shows.
    void StoreProfile(int n, const std::string& index) {
        RegWriteInteger(0, VKey(), "ProfileCount", std::max(n, ProfileCount()));
        RegWriteString(0, ProfileKey(n), "ProfileName", "P" + std::to_string(n));
        RegWriteString(0, ProfileKey(n), "BuilderIndex", index);
        RegWriteString(0, ProfileKey(n), "BuilderName", "old name");
        RegWriteString(0, ProfileKey(n), "BuilderPath", "/old/path");
    }
    int ProfileCount() { return RegReadInteger(0, VKey(), "ProfileCount", 0); }
    std::string Uses(int n) {
        const std::string k = ProfileKey(n);
        return RegReadString(0, k, "BuilderIndex", "?") + " " +
               RegReadString(0, k, "BuilderName", "?") + " " +
               RegReadString(0, k, "BuilderPath", "?");
    }
    std::string StoredList() {
        std::string out;
        for (const TBuilderRec& b : ReadStoredBuilders())
            out += BuilderNumberText(b.Number) + "=" + b.Name + "|" + b.Path + ";";
        return out;
    }
    std::string Snapshot() {
        std::string bytes, error;
        if (!ExportRegFile("Software", bytes, error)) return error;
        return bytes;
    }
    // A folder that holds the builder program (or not).
    std::string BuilderFolder(const std::string& name, const char* program = "pebuilder.exe") {
        const fs::path dir = fs::path(dir_) / name;
        fs::create_directories(dir);
        if (program) std::ofstream(dir / program) << "stand-in";
        return dir.string();
    }
    int Find(const BuilderList& list, const std::string& name) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.Caption(i) == name) return i;
        return -1;
    }
};

TEST_F(Builders, DeleteAndReorderRenumbersEveryProfile) {
    StoreBuilders({{"A", "/a"}, {"B", "/b"}, {"C", "/c"}});
    StoreProfile(1, "001");
    StoreProfile(2, "003");
    StoreProfile(3, "002");
    StoreProfile(4, "000");
    StoreProfile(5, "007");  // names a builder that was never loaded
    BuilderList list;
    list.Load();
    list.Delete(Find(list, "B"));
    list.Move(Find(list, "C"), Find(list, "A"));
    // An edit keeps the builder's number; its profiles get the new name and folder.
    list.Edit(Find(list, "A"), "  A2  ", "/a2/ ");
    EXPECT_EQ(list.Builder(1).Number, 1);
    list.Apply();

    EXPECT_EQ(StoredList(), "001=C|/c;002=A2|/a2;");
    EXPECT_EQ(Uses(1), "002 A2 /a2");
    EXPECT_EQ(Uses(2), "001 C /c");
    EXPECT_EQ(Uses(3), "000  ");
    EXPECT_EQ(Uses(4), "000 old name /old/path");
    EXPECT_EQ(Uses(5), "007 old name /old/path");
    // The deleted builder's profile keeps its key and options; the profile list leaves it out.
    EXPECT_EQ(RegReadString(0, ProfileKey(3), "ProfileName", ""), "P3");
    ProfileList profiles;
    LoadProfileList(profiles);
    EXPECT_EQ(profiles.Count(), 3);
}

TEST_F(Builders, SecondApplyMapsFromTheNumbersNowStored) {
    StoreBuilders({{"A", "/a"}, {"B", "/b"}, {"C", "/c"}});
    StoreProfile(1, "001");
    StoreProfile(2, "003");
    BuilderList list;
    list.Load();
    list.Move(2, 0);
    list.Apply();
    const std::string once = Snapshot();
    list.Apply();
    EXPECT_EQ(Snapshot(), once);
    EXPECT_EQ(Uses(1), "002 A /a");

    // Changes after an Apply map from the numbers that Apply stored.
    list.Delete(Find(list, "A"));
    list.Apply();
    EXPECT_EQ(StoredList(), "001=C|/c;002=B|/b;");
    EXPECT_EQ(Uses(1), "000  ");
    EXPECT_EQ(Uses(2), "001 C /c");
}

TEST_F(Builders, AddedBuildersAreNumberedByApply) {
    StoreBuilders({{"A", "/a"}});
    StoreProfile(1, "001");
    BuilderList list;
    list.Load();
    // Added and removed before any Apply: no trace.
    list.Delete(list.Add("Gone", "/gone"));
    const int row = list.Add("New", "/new/");
    EXPECT_EQ(list.Builder(row).Number, -1);
    EXPECT_EQ(list.Selected(), row);
    list.Move(row, 0);
    list.Apply();
    EXPECT_EQ(StoredList(), "001=New|/new;002=A|/a;");
    EXPECT_EQ(list.Builder(0).Number, 1);
    EXPECT_EQ(Uses(1), "002 A /a");
}

TEST_F(Builders, FailedApplyLeavesStoreAndNumbersAsTheyWere) {
    StoreBuilders({{"A", "/a"}, {"B", "/b"}, {"C", "/c"}});
    StoreProfile(1, "001");
    StoreProfile(2, "003");
    const std::string before = Snapshot();
    // Fail in every way the disk can: nothing may be half-renumbered.
    for (const faulty_store::Way& way : faulty_store::kEveryWay) {
        BuilderList list;
        list.Load();
        list.Delete(1);
        list.Move(1, 0);
        faulty_store::FailAfter(0, way.fault, way.step);
        EXPECT_THROW(list.Apply(), StoreError);
        faulty_store::Reset();
        ASSERT_EQ(Snapshot(), before) << static_cast<int>(way.fault);
        EXPECT_EQ(list.Builder(0).Number, 3);
    }
    BuilderList list;
    list.Load();
    list.Delete(1);
    list.Move(1, 0);
    list.Apply();
    EXPECT_EQ(StoredList(), "001=C|/c;002=A|/a;");
    EXPECT_EQ(Uses(1), "002 A /a");
    EXPECT_EQ(Uses(2), "001 C /c");
}

TEST_F(Builders, StoredValuesReadWithDefaults) {
    RegWriteInteger(0, VKey(), "BuilderCount", 4);
    RegWriteString(0, kBuilders, "001", "OnlyName");
    RegWriteString(0, kBuilders, "002", "\"With, comma\",\"/p q\"");
    // 003 is missing: an empty builder.
    RegWriteString(0, kBuilders, "004", "\"  Padded  \",\"  /x  \"");
    RegWriteString(0, kBuilders, "005", "\"Beyond\",\"/count\"");
    EXPECT_EQ(StoredList(), "001=OnlyName|;002=With, comma|/p q;003=|;004=  Padded  |  /x  ;");
    const std::vector<TBuilderRec> offered = SelectableBuilders();
    ASSERT_EQ(offered.size(), 4u);
    EXPECT_EQ(offered[3].Name, "Padded");
    EXPECT_EQ(offered[3].Path, "/x");
    EXPECT_EQ(offered[3].Number, 4);
}

TEST_F(Builders, DoubleQuotesInNameOrFolderSurviveApply) {
    BuilderList list;
    list.Load();
    list.Add("My \"best\" PE", "/opt/a\"b");
    list.Apply();
    EXPECT_EQ(RegReadString(0, kBuilders, "001", ""), "\"My \"\"best\"\" PE\",\"/opt/a\"\"b\"");
    EXPECT_EQ(StoredList(), "001=My \"best\" PE|/opt/a\"b;");
    // Texts without a quote keep the plain stored form.
    EXPECT_EQ(BuilderValueData("A", "/a"), "\"A\",\"/a\"");
}

TEST_F(Builders, HandSetCountDoesNotStall) {
    RegWriteInteger(0, VKey(), "BuilderCount", 2000000000);
    RegWriteString(0, kBuilders, "001", "\"A\",\"/a\"");
    RegWriteString(0, kBuilders, "1500", "\"B\",\"/b\"");
    RegWriteString(0, kBuilders, "0002", "\"not a number of ours\",\"\"");
    StoreProfile(1, "1500");
    BuilderList list;
    list.Load();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Builder(1).Number, 1500);
    list.Apply();
    EXPECT_EQ(Uses(1), "002 B /b");
}

TEST_F(Builders, ColumnSortIsBytewiseAndAlternates) {
    StoreBuilders({{"b", "/3"}, {"B", "/1"}, {"a", "/2"}});
    BuilderList list;
    list.Load();
    list.Select(2);  // "a"
    auto names = [&] {
        std::string s;
        for (int i = 0; i < list.Count(); ++i) s += list.Caption(i);
        return s;
    };
    EXPECT_EQ(list.SortByColumn(0), 1);
    EXPECT_EQ(names(), "Bab");
    EXPECT_EQ(list.Caption(list.Selected()), "a");
    EXPECT_EQ(list.SortByColumn(0), -1);
    EXPECT_EQ(names(), "baB");
    EXPECT_EQ(list.SortByColumn(1), 1);
    EXPECT_EQ(names(), "Bab");
    EXPECT_EQ(list.SortDirection(0), -1);
}

TEST_F(Builders, EditDialogChecks) {
    const std::string good = BuilderFolder("good");
    const std::string upper = BuilderFolder("upper", "PEBUILDER.EXE");
    const std::string bare = BuilderFolder("bare", nullptr);
    struct Row {
        const char* what;
        std::string name, path;
        std::vector<int> answers;
        BuilderField result;
        std::vector<std::string> boxes;  // message ids of the texts shown
    };
    const std::vector<Row> rows = {
        {"blank name", " \t ", good, {}, BuilderField::Name, {"032"}},
        {"missing folder", "A", dir_ + "/none", {}, BuilderField::Path, {"051"}},
        {"empty folder field", "A", "  ", {}, BuilderField::Path, {"051"}},
        {"a file is no folder", "A", good + "/pebuilder.exe", {}, BuilderField::Path, {"051"}},
        {"no program, No", "A", bare, {ID_NO}, BuilderField::Path, {"052"}},
        {"no program, Yes", "A", bare, {ID_YES}, BuilderField::None, {"052"}},
        {"program present", "A", good, {}, BuilderField::None, {}},
        {"any letter case", "A", upper, {}, BuilderField::None, {}},
        {"trailing separator", " A ", good + "/", {}, BuilderField::None, {}},
    };
    for (const Row& r : rows) {
        ScriptedInterface ui;
        for (int a : r.answers) ui.QueueAnswer(a);
        EXPECT_EQ(ValidateBuilderFields(r.name, r.path), r.result) << r.what;
        ASSERT_EQ(ui.boxes.size(), r.boxes.size()) << r.what;
        for (size_t i = 0; i < r.boxes.size(); ++i)
            EXPECT_EQ(ui.boxes[i].text.rfind(Msg(r.boxes[i]), 0), 0u) << r.what;
    }

    ScriptedInterface ui;
    ValidateBuilderFields("A", bare);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Msg("052") + "\r\n" + Msg("053"));
    EXPECT_EQ(ui.boxes[0].caption, Msg("046"));
    EXPECT_EQ(ui.boxes[0].flags & 0xFF, 0x34u);  // warning icon, Yes and No
}

TEST_F(Builders, FolderIsKeptWithoutSeparatorAndAbsolute) {
    EXPECT_EQ(NormalBuilderPath(" /opt/pe/ "), "/opt/pe");
    EXPECT_EQ(NormalBuilderPath("/opt/pe//"), "/opt/pe");
    EXPECT_EQ(NormalBuilderPath("/"), "/");
    EXPECT_EQ(NormalBuilderPath(""), "");
    EXPECT_EQ(NormalBuilderPath("pe/./x/"), (fs::current_path() / "pe/x").string());
}

TEST_F(Builders, DeletionIsConfirmedWithTheBuilderName) {
    ScriptedInterface ui;
    ui.QueueAnswer(ID_YES);
    EXPECT_TRUE(ConfirmBuilderDeletion("PE 100%s"));
    EXPECT_FALSE(ConfirmBuilderDeletion("X"));  // unanswered: No
    EXPECT_EQ(ui.boxes[0].text, "PE 100%s の登録を解除します。\r\nよろしいですか？");
    EXPECT_EQ(ui.boxes[0].caption, Msg("046"));
    EXPECT_EQ(ui.boxes[0].flags, static_cast<unsigned>(MB_QUESTION_YESNO));
}

}  // namespace
