#pragma once
// The registered builders as logic: the editable list of the registration window, its
// number map that carries every stored profile's BuilderIndex across deletions and moves,
// the checks of the edit dialog, and the stored list as the selection dialog offers it.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vrnx2/base/FormGeometry.h"
#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

inline constexpr const char* kRegisterBuilderFormKey =
    "Software\\HALV\\Varnex v2\\Forms\\Register Builder";

// ---- the stored list ----

// PEBuilder values 001..BuilderCount as records numbered by position; a missing value is a
// builder with empty name and folder. Fields are taken as stored (not trimmed).
std::vector<TBuilderRec> ReadStoredBuilders();
// The stored data of one builder: two quoted fields. A double quote inside a field is
// doubled, so that it reads back as written; texts without one are stored unchanged.
std::string BuilderValueData(const std::string& name, const std::string& path);
// "001" for 1: the value name of a builder and the form of BuilderIndex.
std::string BuilderNumberText(int number);

// ---- the edit dialog ----

// The name as the list keeps it: trimmed.
std::string NormalBuilderName(const std::string& typed);
// The folder as the list keeps it: trimmed, without trailing separator, absolute (a
// relative folder would name another place whenever the working folder differs).
std::string NormalBuilderPath(const std::string& typed);

enum class BuilderField { None, Name, Path };
// The checks before the edit dialog closes with OK: a name, an existing folder, and the
// builder program there or the person's consent. Returns the field to focus when the dialog
// must stay open, None when it may close. Asks through UI().
BuilderField ValidateBuilderFields(const std::string& name, const std::string& path);

// Asks whether the builder `name` is to be unregistered; true on Yes.
bool ConfirmBuilderDeletion(const std::string& name);

// ---- the registration window's list ----

class BuilderList {
public:
    struct Row {
        std::string caption;     // Name
        BuilderHolder subItems;  // entry 0: Path, owning the row's record
        std::uint64_t id = 0;    // the row's identity while it is in the list, never 0
    };

    // Reads the stored list; the number map starts as identity over it. Selects the first
    // row when there is one.
    void Load();

    int Count() const { return static_cast<int>(rows_.size()); }
    const TBuilderRec& Builder(int index) const;
    const std::string& Caption(int index) const;
    std::uint64_t Id(int index) const;
    const std::string& PathColumn(int index) const;

    // Appends a builder that is not yet stored (Number −1) and selects it.
    int Add(const std::string& name, const std::string& path);
    void Edit(int index, const std::string& name, const std::string& path);
    // Removes a row; profiles of a stored builder lose it at the next Apply. Selects the row
    // now at its place, else the new last one, else nothing.
    void Delete(int index);
    // Moves a row; the selection follows it.
    void Move(int from, int to);
    // Sorts once by column 0 (names) or 1 (folders), bytewise, in the column's next
    // direction (+1 ascending, −1 descending). Returns that direction.
    int SortByColumn(int column);
    int SortDirection(int column) const { return sortDirection_.at(static_cast<size_t>(column)); }

    int Selected() const { return selected_; }
    void Select(int index);

    // Stores the list and renumbers every stored profile's builder, all in one transaction.
    // On failure throws StoreError and leaves store and list as they were.
    void Apply();

    // The old number's new place (1-based), −1 for a deleted builder, 0 for a number this
    // list never loaded.
    int MappedNumber(int oldNumber) const;

private:
    std::vector<Row> rows_;
    std::uint64_t lastId_ = 0;
    std::vector<int> numberMap_;  // index = number as stored; entry 0 unused
    std::array<int, 2> sortDirection_{0, 0};
    int selected_ = -1;
};

// Enabled state of EDIT_BUILDER, DELETE_BUILDER, ITEM_UP, ITEM_DOWN for the selected row.
std::map<std::string, bool> BuilderActionStates(int selected, int count);

// ---- the selection dialog ----

// The stored builders with trimmed name and folder, numbered by stored position.
std::vector<TBuilderRec> SelectableBuilders();

// ---- the registration window's geometry ----

struct RegisterBuilderLayout {
    MainFormGeometry geometry;  // Normal or Maximised only
    int32_t builderColumn = 200;
    int32_t pathColumn = 216;
};
RegisterBuilderLayout LoadRegisterBuilderLayout(int screenWidth, int screenHeight);
// Maximised stores FormState 1 only; any other state FormState 0 with the geometry.
// The column widths are stored either way.
void SaveRegisterBuilderLayout(bool maximised, const RegisterBuilderLayout& layout);

}  // namespace vrnx2
