// The preferences in the store and the rules of the dialog's path boxes.

#include "vrnx2/profiles/Preferences.h"

#include <gtest/gtest.h>

#include "tests/settings/StoreFixture.h"
#include "tests/support/FaultyStore.h"
#include "tests/support/TextRow.h"

using namespace vrnx2;

namespace {

using PreferencesStore = StoreTest;

TEST_F(PreferencesStore, SavedValuesReadBackWithFlagsAsIntegers) {
    const Preferences p{"/opt/pb", true, "/usr/bin/gedit", false};
    SavePreferences(p);
    EXPECT_EQ(LoadPreferences(), p);
    // Integers 0/1, so an exported .reg file carries dwords as a Windows one does.
    const auto wait = RegReadValue(0, kSystemKey, "PluginBuilder Wait");
    ASSERT_TRUE(wait);
    EXPECT_EQ(wait->type, RegType::Integer);
}

TEST_F(PreferencesStore, FailedSaveLeavesEveryValueAsItWas) {
    const Preferences before{"/old/pb", false, "/old/editor", true};
    SavePreferences(before);
    faulty_store::FailAfter(0);  // the transaction of the four writes fails
    EXPECT_THROW(SavePreferences(Preferences{"/new/pb", true, "/new/editor", false}), StoreError);
    faulty_store::Reset();
    EXPECT_EQ(LoadPreferences(), before);
}

TEST(PathBoxes, TrailingDelimiterGoesButTheRootStays) {
    const TextRow rows[] = {
        {"/tools/pb/", "/tools/pb"},
        {"/tools/pb", "/tools/pb"},
        {"/tools/pb///", "/tools/pb"},
        {"/", "/"},
        {"//", "/"},
        {"", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(WithoutTrailingDelimiter(r.in), r.out) << r.in;
}

TEST(PathBoxes, DropsAndChooserStart) {
    const std::vector<std::string> names{"/tools/pb/", "/other/"};
    EXPECT_EQ(DroppedPathText(names, PathBoxKind::Folder), "/tools/pb");
    EXPECT_EQ(DroppedPathText(names, PathBoxKind::File), "/tools/pb/");
    EXPECT_EQ(DroppedPathText({}, PathBoxKind::File), std::nullopt);

    EXPECT_EQ(InitialFolderOf("/usr/bin/gedit"), "/usr/bin/");
    EXPECT_EQ(InitialFolderOf("gedit"), "");
}

TEST(FileFilters, ChooserFormShowsPatternsOnceAndAllFilesMatchesEveryName) {
    EXPECT_EQ(
        ChooserFilters(ParseFileFilter("実行ファイル(*.exe)|*.exe|すべてのファイル(*.*)|*.*")),
        (std::vector<std::string>{"実行ファイル(*.exe)", "すべてのファイル(*)"}));
    EXPECT_EQ(ChooserFilters(ParseFileFilter("Setup|*.inf; *.sif|Other")),
              (std::vector<std::string>{"Setup (*.inf *.sif)", "Other (*)"}));
    EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(FileFilters, FirstFilterShownIsTheOneMatchingTheBoxElseTheLast) {
    const auto filters = ParseFileFilter("Programs(*.exe)|*.exe|All(*.*)|*.*");
    EXPECT_EQ(InitialFilterIndex(filters, "/win/NOTEPAD.EXE"), 0u);
    EXPECT_EQ(InitialFilterIndex(filters, "/usr/bin/gedit"), 1u);
    EXPECT_EQ(InitialFilterIndex(filters, ""), 1u);
    EXPECT_EQ(InitialFilterIndex({}, "x.exe"), 0u);
}

// The about box's label: the product version formatted with "#.00", not the build's own.
TEST(AboutBox, VersionIsTheProductsFormattedWithTwoDecimals) {
    EXPECT_EQ(AboutVersionText(), "version 2.01");
}

}  // namespace
