#pragma once
// What a list or tree window shows of its logic's rows, kept apart from that logic: the rows
// by key with their texts. Bringing it up to date yields the changes one row at a time
// (insert, remove, move, change), so a view keeps its selection, expansion and scroll place
// across them; and it never reads the logic between two updates, so a row freed there is
// never touched by painting.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vrnx2 {

struct RowLook {
    std::vector<std::string> texts;  // one per column
    int icon = -1;
    bool editable = false;
    bool draggable = true;

    bool operator==(const RowLook&) const = default;
};

class RowMirror {
public:
    // A row's identity, stable while the row exists; 0 is the invisible top of the rows.
    using Key = std::uint64_t;
    using ChildrenFn = std::function<std::vector<Key>(Key parent)>;
    using LookFn = std::function<RowLook(Key)>;

    struct Step {
        enum Kind { Insert, Remove, Move, Change } kind;
        Key parent;    // where the row is (Remove, Move, Change) or goes (Insert)
        int row;       // its place there
        Key toParent;  // Move: where it goes
        int toRow;     // Move: its place there once moved
    };
    // Before runs with the mirror as it was, After once the step is taken (Change: After only).
    struct Observer {
        virtual ~Observer() = default;
        virtual void Before(const Step&) {}
        virtual void After(const Step&) {}
    };

    RowMirror();

    // Takes the rows as they are now, with no steps.
    void Reset(const ChildrenFn& children, const LookFn& look);
    // Takes the rows as they are now, step by step. Keys must be unique in the tree.
    void Sync(const ChildrenFn& children, const LookFn& look, Observer& observer);

    bool Has(Key key) const { return entries_.count(key) != 0; }
    int RowCount(Key parent) const;
    // 0 outside the rows.
    Key Child(Key parent, int row) const;
    Key Parent(Key key) const;
    // −1 for a key that is not shown.
    int RowOf(Key key) const;
    // Empty for a key that is not shown.
    const RowLook& Look(Key key) const;

private:
    struct Entry {
        Key parent = 0;
        std::vector<Key> children;
        RowLook look;
    };
    void Erase(Key key);

    std::unordered_map<Key, Entry> entries_;
};

}  // namespace vrnx2
