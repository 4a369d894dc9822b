#pragma once
// Ordering rules the windows' lists share: sorting by a column header, dropping a dragged
// row, scrolling while dragging, and the Move up / Move down buttons beside a list.

#include <array>

namespace vrnx2 {

// +1 ascending, −1 descending: the first click sorts ascending, later ones alternate.
int NextSortDirection(int direction);
// Where the dragged row `source` ends when dropped on `target`.
int DropIndex(int source, int target);

enum class AutoScroll { Up, Down, Stop };
// `topRowTop` is the top edge of the first visible row (no row: hasTopRow false);
// `pointerY` and `listBottom` in the same coordinates.
AutoScroll AutoScrollFor(bool hasTopRow, int topRowTop, int pointerY, int listBottom);
// Pixels per timer tick: the distance between the first two rows, 0 for two rows or fewer.
int AutoScrollStep(int rowCount, int firstRowTop, int secondRowTop);

// Tops of the Move up and Move down buttons, kept around the list's middle.
std::array<int, 2> ArrowButtonTops(int listTop, int listHeight, int buttonHeight);

}  // namespace vrnx2
