#pragma once
// The profile list of the main window, as logic: one row per profile, caption = ProfileName,
// second column = BuilderName. The second column's holder owns the row's TProfileRec.
// The window shows the rows and forwards its actions here.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

class ProfileList {
public:
    struct Row {
        std::string caption;     // ProfileName
        ProfileHolder subItems;  // entry 0: BuilderName, owning the record
        std::uint64_t id = 0;    // the row's identity while it is in the list, never 0
    };

    int Count() const { return static_cast<int>(rows_.size()); }
    const Row& At(int index) const;
    // The row's record (null after FreeProfileRec on its holder).
    TProfileRec* Profile(int index) const;
    const std::string& Caption(int index) const { return At(index).caption; }
    std::uint64_t Id(int index) const { return At(index).id; }
    const std::string& BuilderColumn(int index) const;

    // Inserts a copy of `rec` before `index` (Count() appends); returns the row index.
    int Insert(int index, const TProfileRec& rec);
    int Append(const TProfileRec& rec) { return Insert(Count(), rec); }
    void Remove(int index);
    // Moves a row; the selection follows the row it was on.
    void Move(int from, int to);
    // Sorts once by column 0 (profile names) or 1 (builder names), in the column's next
    // direction, which it returns; equal rows keep their order and the selection follows
    // its row. Notifies nobody: the caller shows the new order.
    int SortByColumn(int column);
    int SortDirection(int column) const { return sortDirection_.at(static_cast<size_t>(column)); }
    // Re-reads caption and builder column from the record after the record was edited.
    void Refresh(int index);
    // Frees every record and removes every row.
    void Clear();

    int Selected() const { return selected_; }
    // -1 selects nothing; an index outside the list is refused.
    void Select(int index);

    // Called after a load or save (the window updates its action states), and whenever the
    // selection changes while notifications are on.
    void SetOnChange(std::function<void()> fn) { onChange_ = std::move(fn); }
    void SetNotify(bool on) { notify_ = on; }
    bool Notify() const { return notify_; }
    void Changed() {
        if (notify_ && onChange_) onChange_();
    }

private:
    std::vector<Row> rows_;
    std::uint64_t lastId_ = 0;
    int selected_ = -1;
    std::array<int, 2> sortDirection_{0, 0};
    bool notify_ = true;
    std::function<void()> onChange_;
};

// Column 0 the profile names, 1 the builder names, as byte strings; times the direction.
int CompareProfileRows(const TProfileRec& a, const TProfileRec& b, int column, int direction);

// Fills the list from Profiles\001..ProfileCount, leaving out keys without a builder
// (BuilderIndex "000", absent or not a number). Selects the first row.
void LoadProfileList(ProfileList& list);
// Writes the list back as Profiles\001..count, each key with its own Plugin subkey, in one
// transaction; on success sets each record's ProfileNumber to its position. Throws
// StoreError and leaves store and records unchanged when the store cannot be written.
void SaveProfileList(ProfileList& list);

// For callers that need one profile outside a list (the copy action, vrnx2-cli).
TProfileRec ReadProfileRec(const std::string& profileKey);
void WriteProfileRec(const std::string& profileKey, const TProfileRec& rec);
// The record as the store keeps it (folders without a trailing separator): what a read of
// the written key gives back.
TProfileRec StoredProfileRec(const TProfileRec& rec);
// "Software\HALV\Varnex v2\Profiles\" + "%.3d" of number.
std::string ProfileKey(int number);

}  // namespace vrnx2
