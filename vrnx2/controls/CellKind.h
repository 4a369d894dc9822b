#pragma once
// The column settings of the combo grid and the rules that need no window: what a cell
// shows, how a check cell toggles, where text and the drop-down list are placed, and the
// stored form of the grid's design (cell texts and column settings).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrnx2 {

// Text placement flags of a column.
enum CellAlignment : uint8_t {
    caLeft = 1 << 0,
    caHCenter = 1 << 1,
    caRight = 1 << 2,
    caTop = 1 << 3,
    caVCenter = 1 << 4,
    caBottom = 1 << 5,
    caWordWrap = 1 << 6,
};

enum CellKindType : uint8_t { ckText = 0, ckList = 1, ckButton = 2, ckCheck = 3 };

// Item 0 of a button or check column with this text takes the caption from the cell.
inline constexpr std::string_view kUseCellData = "%%USECELLDATA%%";

struct CellItem {
    std::string text;
    int32_t value = 0;
    bool operator==(const CellItem&) const = default;
};

// The settings of one column. The meaning of the items depends on the kind:
// text: item 0 the editor's input mask, item 1 a number display format;
// list: the entries offered; button: item 0 the caption;
// check: the state texts, each with its value (1 checked).
struct CellKindData {
    uint8_t cellAlignment = caLeft | caVCenter;
    uint8_t kind = ckText;
    uint8_t fixedAlignment = caLeft | caVCenter;
    std::vector<CellItem> items;
    bool editable = true;
    int32_t dropDownWidth = 0;  // minimum width of the drop-down list
    int8_t margin = 2;          // kept from the cell edge by left/right/top/bottom placement
    int32_t maxLength = 0;      // editor length limit of a text column; 0 none
    bool operator==(const CellKindData&) const = default;
};

// The text a normal text or list cell shows: a text column with a non-empty number format
// in item 1 shows a numeric cell formatted by it; anything else shows the text as it is.
std::string CellDisplayText(const CellKindData& kind, const std::string& cellText,
                            char decimalSeparator = '.');

// The caption of a button cell: item 0, or the cell's text when item 0 is kUseCellData.
std::string ButtonCaption(const CellKindData& kind, const std::string& cellText);

// How a check cell is drawn: its text among the items or not, and the value found.
struct CheckState {
    bool found = false;
    int32_t value = 0;
};
CheckState CheckStateOf(const CellKindData& kind, const std::string& cellText);

// The text a click gives a check cell: from a state other than 1 to the first state with
// value 1 (unchanged when there is none); from 1, or from an unknown text, to item 0.
std::string ToggledCheckText(const CellKindData& kind, const std::string& cellText);

struct GridRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const GridRect&) const = default;
};

// Top-left corner of a text of the given size placed in `cell` by the alignment flags.
// Without a horizontal (vertical) flag the text starts at the cell's left (top) edge.
struct GridPoint {
    int x = 0, y = 0;
    bool operator==(const GridPoint&) const = default;
};
GridPoint PlaceCellText(const GridRect& cell, int textWidth, int textHeight, uint8_t alignment,
                        int margin);

// The drop-down list of a list column: as wide as the larger of the column's drop-down
// width and the editor, right edge on the editor's right edge, directly below the editor.
GridRect DropDownListRect(const GridRect& editor, int dropDownWidth, int listHeight);

// A cell of the stored cell texts.
struct StoredCell {
    int32_t col = 0;
    int32_t row = 0;
    std::string text;
    bool operator==(const StoredCell&) const = default;
};

// Stored form: a text of tokens (integers, 'quoted' texts with '' for a quote, True/False).
// CellData is a list of triples (column, row, text); CellKind is one group per column:
// kind, fixed alignment, cell alignment, item count, the items (check columns: each text
// followed by its value), drop-down width, margin, max length, editable.
std::string WriteCellData(const std::vector<StoredCell>& cells);
std::optional<std::vector<StoredCell>> ReadCellData(std::string_view text, std::string* error);
std::string WriteCellKinds(const std::vector<CellKindData>& kinds);
std::optional<std::vector<CellKindData>> ReadCellKinds(std::string_view text, std::string* error);

}  // namespace vrnx2
