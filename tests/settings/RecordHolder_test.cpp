#include "vrnx2/settings/RecordHolder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace vrnx2;

namespace {

BuilderHolder Three() {
    BuilderHolder h;
    for (const char* name : {"a", "b", "c"})
        h.Add(name, TBuilderRec{name, "/pe/" + std::string(name), 0});
    return h;
}

std::vector<std::string> Texts(const BuilderHolder& h) {
    std::vector<std::string> out;
    for (int i = 0; i < h.Count(); ++i) out.push_back(h.Text(i) + "=" + h.Get(i)->Name);
    return out;
}

TEST(RecordHolder, MoveTakesTheEntryWithItsRecordToTheGivenPosition) {
    struct Row {
        int from, to;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {0, 2, {"b=b", "c=c", "a=a"}},
        {2, 0, {"c=c", "a=a", "b=b"}},
        {1, 1, {"a=a", "b=b", "c=c"}},
        {0, 1, {"b=b", "a=a", "c=c"}},
    };
    for (const Row& r : rows) {
        BuilderHolder h = Three();
        h.Move(r.from, r.to);
        EXPECT_EQ(Texts(h), r.expected) << r.from << " -> " << r.to;
    }
}

TEST(RecordHolder, MoveWithABadIndexLosesNothing) {
    const std::pair<int, int> bad[] = {{0, 3}, {0, -1}, {3, 0}, {-1, 0}, {2, 7}};
    for (auto [from, to] : bad) {
        BuilderHolder h = Three();
        EXPECT_THROW(h.Move(from, to), std::out_of_range) << from << " -> " << to;
        EXPECT_EQ(Texts(h), (std::vector<std::string>{"a=a", "b=b", "c=c"}))
            << from << " -> " << to;
    }
}

}  // namespace
