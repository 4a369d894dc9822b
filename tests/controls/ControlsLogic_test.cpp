// The combo grid's rules without a window: number format, check toggling, placement, the
// drop-down list's place and the stored form.

#include <gtest/gtest.h>

#include "vrnx2/controls/CellKind.h"
#include "vrnx2/controls/NumberFormat.h"

using namespace vrnx2;

namespace {

struct FormatRow {
    const char* rule;
    const char* pattern;
    double value;
    const char* expected;
};

class NumberFormatTable : public ::testing::TestWithParam<FormatRow> {};

TEST_P(NumberFormatTable, Formats) {
    const FormatRow& row = GetParam();
    EXPECT_EQ(FormatNumber(row.pattern, row.value), row.expected) << row.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NumberFormatTable,
    ::testing::Values(FormatRow{"a tie rounds away from zero", "##0.0", 41.25, "41.3"},
                      FormatRow{"negative tie rounds away from zero", "##0.0", -41.25, "-41.3"},
                      FormatRow{"zero before the point is kept", "##0.0", 0.04, "0.0"},
                      FormatRow{"rounding to zero drops the sign", "##0.0", -0.04, "0.0"},
                      FormatRow{"a carry adds a digit", "0.00", 999.996, "1000.00"},
                      FormatRow{"thousands separators", "#,##0.00", 1234567.891, "1,234,567.89"},
                      FormatRow{"leading zeros", "000", 7, "007"},
                      FormatRow{"optional digits vanish", "#.##", 0.5, ".5"},
                      FormatRow{"optional fraction trimmed", "0.##", 2.1, "2.1"},
                      FormatRow{"negative section has no sign", "0.0;(0.0)", -2.25, "(2.3)"},
                      FormatRow{"zero section", "0.0;(0.0);'none'", 0, "none"},
                      FormatRow{"quoted literal after the number", "0.0' kg'", 3, "3.0 kg"},
                      FormatRow{"shortest decimal form decides the tie", "0.0", 0.15, "0.2"},
                      FormatRow{"large value", "0", 1e20, "100000000000000000000"}));

TEST(ParseNumber, AcceptsWholeNumbersOnly) {
    EXPECT_EQ(ParseNumber("41.25"), 41.25);
    EXPECT_EQ(ParseNumber("  7 \t"), 7.0);
    EXPECT_EQ(ParseNumber("+5"), 5.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber("2,5", ','), 2.5);
    for (const char* bad : {"", "abc", "1.5x", "inf", "nan", "+-5", "1e999", "2.5"})
        EXPECT_FALSE(ParseNumber(bad, bad == std::string("2.5") ? ',' : '.')) << bad;
}

TEST(CellDisplayText, FormatsNumericTextColumnsOnly) {
    CellKindData text;
    text.items = {CellItem{""}, CellItem{"##0.0"}};
    EXPECT_EQ(CellDisplayText(text, "41.25"), "41.3");
    EXPECT_EQ(CellDisplayText(text, "n/a"), "n/a");
    EXPECT_EQ(CellDisplayText(text, ""), "");
    CellKindData list = text;
    list.kind = ckList;
    EXPECT_EQ(CellDisplayText(list, "41.25"), "41.25");
    CellKindData maskOnly;
    maskOnly.items = {CellItem{"999"}};
    EXPECT_EQ(CellDisplayText(maskOnly, "41.25"), "41.25");
}

TEST(CheckCells, ToggleAndState) {
    CellKindData check;
    check.kind = ckCheck;
    check.items = {CellItem{"Off", 0}, CellItem{"On", 1}, CellItem{"Maybe", 2}};
    EXPECT_EQ(ToggledCheckText(check, "Off"), "On");
    EXPECT_EQ(ToggledCheckText(check, "Maybe"), "On");
    EXPECT_EQ(ToggledCheckText(check, "On"), "Off");
    EXPECT_EQ(ToggledCheckText(check, "unknown"), "Off");
    EXPECT_FALSE(CheckStateOf(check, "unknown").found);
    EXPECT_EQ(CheckStateOf(check, "Off").value, 0);

    CellKindData noChecked;
    noChecked.kind = ckCheck;
    noChecked.items = {CellItem{"A", 0}, CellItem{"B", 3}};
    EXPECT_EQ(ToggledCheckText(noChecked, "B"), "B");
    CellKindData empty;
    EXPECT_EQ(ToggledCheckText(empty, "x"), "x");

    CellKindData button;
    button.kind = ckButton;
    button.items = {CellItem{std::string(kUseCellData)}};
    EXPECT_EQ(ButtonCaption(button, "Run"), "Run");
    button.items = {CellItem{"Go"}};
    EXPECT_EQ(ButtonCaption(button, "Run"), "Go");
}

TEST(PlaceCellText, FollowsAlignmentAndMargin) {
    const GridRect cell{10, 20, 110, 40};  // 100 x 20
    struct Row {
        uint8_t align;
        int width, height;
        GridPoint expected;
    };
    for (const Row& r : {
             Row{caLeft | caTop, 30, 10, {12, 22}},
             Row{caRight | caBottom, 30, 10, {78, 28}},
             Row{caHCenter | caVCenter, 30, 10, {45, 25}},
             Row{caHCenter | caVCenter, 150, 30, {10, 20}},  // larger than the cell: not centred
             Row{0, 30, 10, {10, 20}},
         })
        EXPECT_EQ(PlaceCellText(cell, r.width, r.height, r.align, 2), r.expected)
            << int(r.align) << " " << r.width;
}

TEST(DropDownListRect, AtLeastAsWideAsTheEditorAndRightAligned) {
    const GridRect editor{100, 50, 180, 70};
    EXPECT_EQ(DropDownListRect(editor, 10, 90), (GridRect{100, 70, 180, 160}));
    EXPECT_EQ(DropDownListRect(editor, 200, 90), (GridRect{-20, 70, 180, 160}));
}

TEST(StoredForm, CellKindsRoundTrip) {
    CellKindData check;
    check.kind = ckCheck;
    check.items = {CellItem{"It's", 0}, CellItem{"改行\nあり", 1}};
    check.editable = false;
    check.margin = -3;
    check.dropDownWidth = 120;
    check.maxLength = 8;
    CellKindData list;
    list.kind = ckList;
    list.cellAlignment = caRight | caBottom | caWordWrap;
    list.items = {CellItem{"a"}, CellItem{""}};
    const std::vector<CellKindData> kinds{check, list, CellKindData{}};
    std::string error;
    auto back = ReadCellKinds(WriteCellKinds(kinds), &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, kinds);
}

TEST(StoredForm, CellDataRoundTripAndOrder) {
    const std::vector<StoredCell> cells{{0, 0, "Registry"}, {3, 0, "a 'quoted' text"}, {1, 2, ""}};
    std::string error;
    auto back = ReadCellData(WriteCellData(cells), &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, cells);
}

TEST(StoredForm, BuildStepBarDesign) {
    std::string error;
    auto kinds = ReadCellKinds("0 18 18 2 '' '' 0 2 0 True\n0 18 18 2 '' '' 0 2 0 true", &error);
    ASSERT_TRUE(kinds) << error;
    ASSERT_EQ(kinds->size(), 2u);
    EXPECT_EQ((*kinds)[0].fixedAlignment, caHCenter | caVCenter);
    EXPECT_EQ((*kinds)[0].items.size(), 2u);
    EXPECT_TRUE((*kinds)[1].editable);
}

TEST(StoredForm, BrokenTextIsRefusedWithAReason) {
    for (const char* bad : {
             "0 17 17 0 0 2 0",                 // editable missing
             "0 17 17 1 'open",                 // unterminated text
             "0 17 17 99999999 0 2 0 True",     // more items than the text holds
             "7 17 17 0 0 2 0 True",            // no such kind
             "0 17 300 0 0 2 0 True",           // alignment is a byte
             "0 17 17 0 0 200 0 True",          // margin is a signed byte
             "0 17 17 0 0 2 0 Yes",             // not a boolean
             "3 17 17 1 'On' 0 2 0 True",       // check item without its value
             "0 17 17 0 99999999999 2 0 True",  // beyond 32 bits
         }) {
        std::string error;
        EXPECT_FALSE(ReadCellKinds(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    for (const char* bad : {"0 0", "-1 0 'x'", "0 0 1", "a b 'c'"}) {
        std::string error;
        EXPECT_FALSE(ReadCellData(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_TRUE(ReadCellData("", nullptr)->empty());
}

}  // namespace
