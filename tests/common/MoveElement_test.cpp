#include "common/MoveElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each row moves one element of "abcde" and follows every position with IndexAfterMove.
TEST(MoveElement, EndsAtTheTargetAndTheOthersKeepTheirOrder) {
    struct Row {
        size_t from, to;
        const char* result;
    };
    for (const Row& r : {Row{0, 4, "bcdea"}, Row{4, 0, "eabcd"}, Row{1, 3, "acdbe"},
                         Row{3, 1, "adbce"}, Row{2, 2, "abcde"}}) {
        std::vector<char> v = {'a', 'b', 'c', 'd', 'e'};
        const std::vector<char> before = v;
        MoveElement(v, r.from, r.to);
        EXPECT_EQ(std::string(v.begin(), v.end()), r.result) << r.from << "->" << r.to;
        for (int i = 0; i < 5; ++i) {
            const int after = IndexAfterMove(i, static_cast<int>(r.from), static_cast<int>(r.to));
            EXPECT_EQ(v.at(static_cast<size_t>(after)), before[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(IndexAfterMove(-1, static_cast<int>(r.from), static_cast<int>(r.to)), -1);
    }
}

TEST(MoveElement, OutOfRangeMovesNothing) {
    std::vector<int> v = {1, 2, 3};
    EXPECT_THROW(MoveElement(v, 3, 0), std::out_of_range);
    EXPECT_THROW(MoveElement(v, 0, 3), std::out_of_range);
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3}));
}

}  // namespace
