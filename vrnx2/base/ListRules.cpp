#include "vrnx2/base/ListRules.h"

namespace vrnx2 {

int NextSortDirection(int direction) {
    return direction == 1 || direction == -1 ? -direction : 1;
}

int DropIndex(int source, int target) {
    // Inserted after the target when moving down, before it when moving up; once the
    // original is gone the row sits at the target's index either way.
    (void)source;
    return target;
}

AutoScroll AutoScrollFor(bool hasTopRow, int topRowTop, int pointerY, int listBottom) {
    if (hasTopRow && pointerY < topRowTop + 10) return AutoScroll::Up;
    if (pointerY > listBottom - 10) return AutoScroll::Down;
    return AutoScroll::Stop;
}

int AutoScrollStep(int rowCount, int firstRowTop, int secondRowTop) {
    return rowCount > 2 ? secondRowTop - firstRowTop : 0;
}

std::array<int, 2> ArrowButtonTops(int listTop, int listHeight, int buttonHeight) {
    const int middle = listTop + listHeight / 2;
    return {middle - buttonHeight - 4, middle + 4};
}

}  // namespace vrnx2
