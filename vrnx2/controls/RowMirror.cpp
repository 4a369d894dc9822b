#include "vrnx2/controls/RowMirror.h"

#include <algorithm>
#include <unordered_set>

namespace vrnx2 {

namespace {

// The keys of `parent` now, each once.
std::vector<RowMirror::Key> Wanted(const RowMirror::ChildrenFn& children, RowMirror::Key parent,
                                   std::unordered_set<RowMirror::Key>& seen) {
    std::vector<RowMirror::Key> out;
    for (RowMirror::Key key : children(parent))
        if (key != 0 && seen.insert(key).second) out.push_back(key);
    return out;
}

}  // namespace

RowMirror::RowMirror() {
    entries_[0];
}

int RowMirror::RowCount(Key parent) const {
    auto it = entries_.find(parent);
    return it == entries_.end() ? 0 : static_cast<int>(it->second.children.size());
}

RowMirror::Key RowMirror::Child(Key parent, int row) const {
    auto it = entries_.find(parent);
    if (it == entries_.end() || row < 0 || row >= static_cast<int>(it->second.children.size()))
        return 0;
    return it->second.children[static_cast<size_t>(row)];
}

RowMirror::Key RowMirror::Parent(Key key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? 0 : it->second.parent;
}

int RowMirror::RowOf(Key key) const {
    auto it = entries_.find(key);
    if (key == 0 || it == entries_.end()) return -1;
    const std::vector<Key>& siblings = entries_.at(it->second.parent).children;
    const auto at = std::find(siblings.begin(), siblings.end(), key);
    return at == siblings.end() ? -1 : static_cast<int>(at - siblings.begin());
}

const RowLook& RowMirror::Look(Key key) const {
    static const RowLook none;
    auto it = entries_.find(key);
    return it == entries_.end() ? none : it->second.look;
}

void RowMirror::Erase(Key key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) return;
    const std::vector<Key> children = std::move(it->second.children);
    entries_.erase(it);
    for (Key child : children) Erase(child);
}

void RowMirror::Reset(const ChildrenFn& children, const LookFn& look) {
    entries_.clear();
    entries_[0];
    std::unordered_set<Key> seen{0};
    std::vector<Key> pending{0};
    while (!pending.empty()) {
        const Key parent = pending.back();
        pending.pop_back();
        for (Key key : Wanted(children, parent, seen)) {
            entries_[parent].children.push_back(key);
            entries_[key] = Entry{parent, {}, look(key)};
            pending.push_back(key);
        }
    }
}

void RowMirror::Sync(const ChildrenFn& children, const LookFn& look, Observer& observer) {
    // Parents before their children: each parent is in its final place when its rows are
    // placed, so no row is ever moved below itself.
    std::unordered_set<Key> seen{0};
    std::vector<Key> pending{0};
    while (!pending.empty()) {
        const Key parent = pending.back();
        pending.pop_back();
        const std::vector<Key> wanted = Wanted(children, parent, seen);
        for (size_t i = 0; i < wanted.size(); ++i) {
            const Key key = wanted[i];
            const int row = static_cast<int>(i);
            std::vector<Key>& rows = entries_[parent].children;
            if (i < rows.size() && rows[i] == key) continue;
            auto it = entries_.find(key);
            if (it == entries_.end()) {
                const Step step{Step::Insert, parent, row, 0, 0};
                observer.Before(step);
                entries_[key] = Entry{parent, {}, look(key)};
                rows.insert(rows.begin() + row, key);
                observer.After(step);
                continue;
            }
            // Rows before i are placed already, so the key comes from further down here or
            // from another parent.
            const Key from = it->second.parent;
            const Step step{Step::Move, from, RowOf(key), parent, row};
            observer.Before(step);
            std::vector<Key>& old = entries_[from].children;
            old.erase(old.begin() + step.row);
            rows.insert(rows.begin() + row, key);
            it->second.parent = parent;
            observer.After(step);
        }
        for (auto it = wanted.rbegin(); it != wanted.rend(); ++it) pending.push_back(*it);
    }

    // What was not met is gone, with whatever was still below it.
    std::vector<Key> walk{0};
    while (!walk.empty()) {
        const Key parent = walk.back();
        walk.pop_back();
        std::vector<Key>& rows = entries_[parent].children;
        for (int row = static_cast<int>(rows.size()) - 1; row >= 0; --row) {
            const Key key = rows[static_cast<size_t>(row)];
            if (seen.count(key)) {
                walk.push_back(key);
                continue;
            }
            const Step step{Step::Remove, parent, row, 0, 0};
            observer.Before(step);
            rows.erase(rows.begin() + row);
            Erase(key);
            observer.After(step);
        }
    }

    // Changed texts last, in the order shown.
    std::vector<Key> order{0};
    while (!order.empty()) {
        const Key parent = order.back();
        order.pop_back();
        const std::vector<Key>& rows = entries_[parent].children;
        for (size_t i = 0; i < rows.size(); ++i) {
            Entry& entry = entries_[rows[i]];
            RowLook now = look(rows[i]);
            if (!(now == entry.look)) {
                entry.look = std::move(now);
                observer.After(Step{Step::Change, parent, static_cast<int>(i), 0, 0});
            }
        }
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) order.push_back(*it);
    }
}

}  // namespace vrnx2
