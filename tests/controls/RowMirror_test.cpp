// The mirror of a window's rows: whatever the logic did between two updates, the steps it
// reports, taken one by one on a copy of the old rows, give the new rows.

#include "vrnx2/controls/RowMirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace vrnx2;
using Key = RowMirror::Key;

namespace {

// A tree as the logic keeps it: children by parent key, 0 the top.
struct Tree {
    std::map<Key, std::vector<Key>> children;
    std::map<Key, std::string> text;

    RowMirror::ChildrenFn Children() const {
        return [this](Key k) {
            auto it = children.find(k);
            return it == children.end() ? std::vector<Key>{} : it->second;
        };
    }
    RowMirror::LookFn Look() const {
        return [this](Key k) { return RowLook{{text.at(k)}}; };
    }
    std::vector<Key> All() const {
        std::vector<Key> out;
        for (const auto& [k, v] : text) out.push_back(k);
        return out;
    }
    bool Below(Key node, Key ancestor) const {  // node lies in ancestor's subtree
        if (node == ancestor) return true;
        for (Key c : children.count(ancestor) ? children.at(ancestor) : std::vector<Key>{})
            if (Below(node, c)) return true;
        return false;
    }
    Key ParentOf(Key k) const {
        for (const auto& [p, v] : children)
            if (std::find(v.begin(), v.end(), k) != v.end()) return p;
        return 0;
    }
    void Detach(Key k) {
        auto& v = children[ParentOf(k)];
        v.erase(std::find(v.begin(), v.end(), k));
    }
    void Drop(Key k) {
        for (Key c : children[k]) Drop(c);
        children.erase(k);
        text.erase(k);
    }
};

// The model's copy: takes each step as a view would, checking it is one it can take.
struct Replica : RowMirror::Observer {
    std::map<Key, std::vector<Key>> rows;
    const RowMirror* mirror = nullptr;
    int steps = 0;

    void Before(const RowMirror::Step& s) override {
        ++steps;
        auto& from = rows[s.parent];
        switch (s.kind) {
            case RowMirror::Step::Insert:
                ASSERT_LE(s.row, static_cast<int>(from.size()));
                from.insert(from.begin() + s.row, 0);  // key filled in After
                break;
            case RowMirror::Step::Remove:
                ASSERT_LT(s.row, static_cast<int>(from.size()));
                from.erase(from.begin() + s.row);
                break;
            case RowMirror::Step::Move: {
                ASSERT_LT(s.row, static_cast<int>(from.size()));
                const Key key = from[static_cast<size_t>(s.row)];
                // Never into itself: a view refuses that move.
                for (Key up = s.toParent; up != 0; up = mirror->Parent(up)) ASSERT_NE(up, key);
                from.erase(from.begin() + s.row);
                auto& to = rows[s.toParent];
                ASSERT_LE(s.toRow, static_cast<int>(to.size()));
                to.insert(to.begin() + s.toRow, key);
                break;
            }
            case RowMirror::Step::Change:
                break;
        }
    }
    void After(const RowMirror::Step& s) override {
        if (s.kind == RowMirror::Step::Insert)
            rows[s.parent][static_cast<size_t>(s.row)] = mirror->Child(s.parent, s.row);
        if (s.kind == RowMirror::Step::Change) changes.push_back(mirror->Child(s.parent, s.row));
    }
    std::vector<Key> changes;
};

// The shown rows below `parent`, as "key(children)" text.
std::string Shape(const std::map<Key, std::vector<Key>>& rows, Key parent) {
    std::string out;
    auto it = rows.find(parent);
    if (it == rows.end()) return out;
    for (Key k : it->second) {
        const std::string below = Shape(rows, k);
        out += std::to_string(k) + (below.empty() ? "" : "(" + below + ")") + " ";
    }
    return out;
}

std::string Shape(const RowMirror& m, Key parent) {
    std::string out;
    for (int i = 0; i < m.RowCount(parent); ++i) {
        const Key k = m.Child(parent, i);
        const std::string below = Shape(m, k);
        out += std::to_string(k) + (below.empty() ? "" : "(" + below + ")") + " ";
    }
    return out;
}

}  // namespace

TEST(RowMirror, RandomEditsReplayStepByStep) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Tree tree;
        Key next = 1;
        for (int i = 0; i < 12; ++i) {
            const std::vector<Key> all = tree.All();
            const Key parent = all.empty() || random() % 3 == 0 ? 0 : all[random() % all.size()];
            tree.children[parent].push_back(next);
            tree.text[next] = "n" + std::to_string(next);
            ++next;
        }
        RowMirror mirror;
        mirror.Reset(tree.Children(), tree.Look());
        Replica replica;
        replica.mirror = &mirror;
        for (const auto& [p, v] : tree.children) replica.rows[p] = v;

        // Several edits between two updates, as an action with several effects makes.
        for (int edit = 0; edit < 1 + static_cast<int>(random() % 4); ++edit) {
            const std::vector<Key> all = tree.All();
            if (all.empty()) break;
            const Key node = all[random() % all.size()];
            switch (random() % 5) {
                case 0: {  // move under another node, not its own subtree
                    const Key to = random() % 4 == 0 ? 0 : all[random() % all.size()];
                    if (to != 0 && tree.Below(to, node)) break;
                    tree.Detach(node);
                    auto& v = tree.children[to];
                    v.insert(v.begin() + static_cast<long>(random() % (v.size() + 1)), node);
                    break;
                }
                case 1:
                    tree.Detach(node);
                    tree.Drop(node);
                    break;
                case 2: {
                    auto& v = tree.children[node];
                    tree.text[next] = "n" + std::to_string(next);
                    v.insert(v.begin() + static_cast<long>(random() % (v.size() + 1)), next++);
                    break;
                }
                case 3: {  // reorder a parent's rows, as a sort does
                    auto& v = tree.children[tree.ParentOf(node)];
                    std::shuffle(v.begin(), v.end(), random);
                    break;
                }
                default:
                    tree.text[node] += "'";
            }
        }
        mirror.Sync(tree.Children(), tree.Look(), replica);
        std::map<Key, std::vector<Key>> expected;
        for (const auto& [p, v] : tree.children)
            if (!v.empty()) expected[p] = v;
        ASSERT_EQ(Shape(replica.rows, 0), Shape(expected, 0)) << "round " << round;
        ASSERT_EQ(Shape(mirror, 0), Shape(expected, 0)) << "round " << round;
        for (Key k : tree.All()) ASSERT_EQ(mirror.Look(k).texts.at(0), tree.text.at(k));
    }
}

TEST(RowMirror, SmallChangesGiveFewSteps) {
    Tree tree;
    for (Key k = 1; k <= 5; ++k) {
        tree.children[0].push_back(k);
        tree.text[k] = "r" + std::to_string(k);
    }
    tree.children[2] = {6};
    tree.text[6] = "child";
    RowMirror mirror;
    mirror.Reset(tree.Children(), tree.Look());
    Replica replica;
    replica.mirror = &mirror;
    replica.rows = tree.children;

    // Row 2 moved down past two others, its child along: the two go up, a step each.
    tree.children[0] = {1, 3, 4, 2, 5};
    mirror.Sync(tree.Children(), tree.Look(), replica);
    EXPECT_EQ(replica.steps, 2);
    EXPECT_EQ(mirror.Parent(6), Key{2});

    // A text changed: no move, one change, told once.
    replica.steps = 0;
    tree.text[4] = "renamed";
    mirror.Sync(tree.Children(), tree.Look(), replica);
    EXPECT_EQ(replica.steps, 0);
    EXPECT_EQ(replica.changes, std::vector<Key>{4});

    // Nothing changed: nothing told.
    replica.changes.clear();
    mirror.Sync(tree.Children(), tree.Look(), replica);
    EXPECT_EQ(replica.steps, 0);
    EXPECT_TRUE(replica.changes.empty());

    // A key given twice is shown once; 0 is never a row.
    tree.children[0] = {1, 1, 0, 3};
    mirror.Sync(tree.Children(), tree.Look(), replica);
    EXPECT_EQ(Shape(mirror, 0), "1 3 ");
    EXPECT_FALSE(mirror.Has(6));
}
