#include "vrnx2/builders/BuilderList.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "common/MoveElement.h"
#include "common/Number.h"
#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "vrnx2/base/ListRules.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/settings/FormGeometryStore.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

const std::string kRoot = kVarnexKey;
const std::string kBuilders = kRoot + "\\PEBuilder";
const std::string kProfiles = kRoot + "\\Profiles";

// Up to this many builders every number 1..BuilderCount gets a row, stored or not. Above
// it (a count set by hand) only the values that exist do, so a wild count cannot stall the
// window with millions of empty rows.
constexpr int kDenseCount = 1000;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + '"';
}

// The stored numbers 1..count that get a row.
std::vector<int> StoredNumbers(const std::string& key, int count) {
    std::vector<int> numbers;
    if (count <= kDenseCount) {
        for (int n = 1; n <= count; ++n) numbers.push_back(n);
        return numbers;
    }
    for (const RegValue& v : RegEnumValues(0, key)) {
        const int n = DigitsOrZero(v.name);
        if (n >= 1 && n <= count && BuilderNumberText(n) == v.name) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::string FillIn(std::string text, const std::string& argument) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

}  // namespace

// ---- the stored list ----

std::string BuilderNumberText(int number) {
    return KeyNumber(number);
}

std::string BuilderValueData(const std::string& name, const std::string& path) {
    return Quoted(name) + "," + Quoted(path);
}

std::vector<TBuilderRec> ReadStoredBuilders() {
    std::vector<TBuilderRec> builders;
    const int count = RegReadInteger(0, kRoot, "BuilderCount", 0);
    for (int n : StoredNumbers(kBuilders, count)) {
        std::vector<std::string> fields =
            SplitDelimitedText(RegReadString(0, kBuilders, BuilderNumberText(n), ","));
        fields.resize(std::max<size_t>(fields.size(), 2));
        builders.push_back(TBuilderRec{fields[0], fields[1], n});
    }
    return builders;
}

std::vector<TBuilderRec> SelectableBuilders() {
    std::vector<TBuilderRec> builders = ReadStoredBuilders();
    for (TBuilderRec& b : builders) {
        b.Name = Trim(b.Name);
        b.Path = Trim(b.Path);
    }
    return builders;
}

// ---- the edit dialog ----

std::string NormalBuilderName(const std::string& typed) {
    return Trim(typed);
}

std::string NormalBuilderPath(const std::string& typed) {
    std::string path = Trim(typed);
    if (path.empty()) return path;
    if (fs::path(path).is_relative()) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(path, ec);
        if (!ec) path = absolute.lexically_normal().string();
    }
    // A lone "/" is a folder of its own.
    return platform::WithoutTrailingSeparators(path);
}

BuilderField ValidateBuilderFields(const std::string& name, const std::string& path) {
    if (NormalBuilderName(name).empty()) {
        UI().MessageBox(Msg(kMsgPleaseEnterValidBuilderName), Msg(kMsgError), MB_ERROR_OK);
        return BuilderField::Name;
    }
    const std::string folder = NormalBuilderPath(path);
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        UI().MessageBox(Msg(kMsgSpecifiedFolderDoesNotExist), Msg(kMsgError), MB_ERROR_OK);
        return BuilderField::Path;
    }
    const fs::path program = platform::ResolveNoCase(folder, "pebuilder.exe");
    if (!fs::is_regular_file(program, ec)) {
        // The warning icon with Yes and No.
        constexpr unsigned kWarningYesNo = 0x12034;
        if (UI().MessageBox(Msg(kMsgBuilderProgramNotInFolder) + "\r\n" + Msg(kMsgContinue),
                            Msg(kMsgWarning), kWarningYesNo) != ID_YES)
            return BuilderField::Path;
    }
    return BuilderField::None;
}

bool ConfirmBuilderDeletion(const std::string& name) {
    return UI().MessageBox(FillIn(Msg(kMsgWillBeUnregistered), name) + "\r\n" + Msg(kMsgYouSure),
                           Msg(kMsgWarning), MB_QUESTION_YESNO) == ID_YES;
}

// ---- the registration window's list ----

void BuilderList::Load() {
    rows_.clear();
    selected_ = -1;
    std::vector<TBuilderRec> stored;
    {
        std::unique_ptr<StoreTransaction> snapshot;
        try {
            snapshot = std::make_unique<StoreTransaction>(StoreTransaction::Read);
        } catch (const StoreError&) {
            // An unreadable store lists nothing, as every read falls back to its default.
        }
        stored = ReadStoredBuilders();
    }
    const int highest = stored.empty() ? 0 : stored.back().Number;
    numberMap_.assign(static_cast<size_t>(highest) + 1, 0);
    for (const TBuilderRec& b : stored) {
        Row row;
        row.caption = b.Name;
        AddBuilderRec(row.subItems, b.Path, b);
        row.id = ++lastId_;
        rows_.push_back(std::move(row));
        numberMap_[static_cast<size_t>(b.Number)] = b.Number;
    }
    if (!rows_.empty()) selected_ = 0;
}

const TBuilderRec& BuilderList::Builder(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("BuilderList index");
    return *GetBuilderRec(rows_[static_cast<size_t>(index)].subItems, 0);
}

const std::string& BuilderList::Caption(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("BuilderList index");
    return rows_[static_cast<size_t>(index)].caption;
}

std::uint64_t BuilderList::Id(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("BuilderList index");
    return rows_[static_cast<size_t>(index)].id;
}

const std::string& BuilderList::PathColumn(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("BuilderList index");
    return rows_[static_cast<size_t>(index)].subItems.Text(0);
}

int BuilderList::Add(const std::string& name, const std::string& path) {
    const TBuilderRec rec{NormalBuilderName(name), NormalBuilderPath(path), -1};
    Row row;
    row.caption = rec.Name;
    AddBuilderRec(row.subItems, rec.Path, rec);
    row.id = ++lastId_;
    rows_.push_back(std::move(row));
    selected_ = Count() - 1;
    return selected_;
}

void BuilderList::Edit(int index, const std::string& name, const std::string& path) {
    Builder(index);  // checks the index
    Row& row = rows_[static_cast<size_t>(index)];
    TBuilderRec* rec = GetBuilderRec(row.subItems, 0);
    rec->Name = row.caption = NormalBuilderName(name);
    rec->Path = NormalBuilderPath(path);
    row.subItems.SetText(0, rec->Path);
}

void BuilderList::Delete(int index) {
    const int number = Builder(index).Number;
    if (number > 0 && static_cast<size_t>(number) < numberMap_.size())
        numberMap_[static_cast<size_t>(number)] = -1;
    rows_.erase(rows_.begin() + index);
    selected_ = rows_.empty() ? -1 : std::min(index, Count() - 1);
}

void BuilderList::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count())
        throw std::out_of_range("BuilderList index");
    MoveElement(rows_, static_cast<size_t>(from), static_cast<size_t>(to));
    selected_ = IndexAfterMove(selected_, from, to);
}

int BuilderList::SortByColumn(int column) {
    if (column < 0 || column > 1) throw std::out_of_range("BuilderList column");
    int& direction = sortDirection_[static_cast<size_t>(column)];
    direction = NextSortDirection(direction);
    const TBuilderRec* selected = selected_ >= 0 ? &Builder(selected_) : nullptr;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        const std::string& x = column == 0 ? a.caption : a.subItems.Text(0);
        const std::string& y = column == 0 ? b.caption : b.subItems.Text(0);
        const int c = x.compare(y);  // unsigned bytes, letter case significant
        return (c < 0 ? -1 : c > 0 ? 1 : 0) * direction < 0;
    });
    for (int i = 0; selected && i < Count(); ++i)
        if (&Builder(i) == selected) selected_ = i;
    return direction;
}

void BuilderList::Select(int index) {
    if (index < -1 || index >= Count()) throw std::out_of_range("BuilderList index");
    selected_ = index;
}

int BuilderList::MappedNumber(int oldNumber) const {
    if (oldNumber <= 0 || static_cast<size_t>(oldNumber) >= numberMap_.size()) return 0;
    return numberMap_[static_cast<size_t>(oldNumber)];
}

void BuilderList::Apply() {
    // Worked on a copy: the list is renumbered only once everything is stored, so a failed
    // Apply leaves the numbers that the store still holds.
    std::vector<int> map = numberMap_;
    for (int p = 1; p <= Count(); ++p) {
        const int number = Builder(p - 1).Number;
        if (number > 0 && static_cast<size_t>(number) < map.size())
            map[static_cast<size_t>(number)] = p;
    }

    StoreTransaction tx;
    RegWriteInteger(0, kRoot, "BuilderCount", Count());
    for (int p = 1; p <= Count(); ++p)
        RegWriteString(0, kBuilders, BuilderNumberText(p),
                       BuilderValueData(Caption(p - 1), PathColumn(p - 1)));

    const int profileCount = RegReadInteger(0, kRoot, "ProfileCount", 0);
    for (const std::string& name : RegEnumKeys(0, kProfiles)) {
        const int n = DigitsOrZero(name);
        if (n < 1 || n > profileCount || BuilderNumberText(n) != name) continue;
        const std::string key = kProfiles + "\\" + name;
        const int b = DigitsOrZero(RegReadString(0, key, "BuilderIndex", "000"));
        // A number this list never loaded names no builder it could move or delete; such a
        // profile keeps what it holds.
        if (b == 0 || static_cast<size_t>(b) >= map.size() || map[static_cast<size_t>(b)] == 0)
            continue;
        const int m = map[static_cast<size_t>(b)];
        if (m < 0) {
            RegWriteString(0, key, "BuilderIndex", BuilderNumberText(0));
            RegWriteString(0, key, "BuilderName", "");
            RegWriteString(0, key, "BuilderPath", "");
        } else {
            RegWriteString(0, key, "BuilderIndex", BuilderNumberText(m));
            RegWriteString(0, key, "BuilderName", Caption(m - 1));
            RegWriteString(0, key, "BuilderPath", PathColumn(m - 1));
        }
    }
    tx.Commit();

    numberMap_.assign(static_cast<size_t>(Count()) + 1, 0);
    for (int p = 1; p <= Count(); ++p) {
        numberMap_[static_cast<size_t>(p)] = p;
        GetBuilderRec(rows_[static_cast<size_t>(p - 1)].subItems, 0)->Number = p;
    }
}

std::map<std::string, bool> BuilderActionStates(int selected, int count) {
    const bool row = selected >= 0 && selected < count;
    return {{"EDIT_BUILDER", row},
            {"DELETE_BUILDER", row},
            {"ITEM_UP", row && selected > 0},
            {"ITEM_DOWN", row && selected < count - 1}};
}

// ---- the registration window's geometry ----

RegisterBuilderLayout LoadRegisterBuilderLayout(int screenWidth, int screenHeight) {
    const std::string k = kRegisterBuilderFormKey;
    RegisterBuilderLayout l;
    l.geometry = ReadFormGeometry(k, MainFormGeometry{}, screenWidth, screenHeight);
    // The window opens normal or maximised, never minimised.
    if (l.geometry.state != FormState::Maximised) l.geometry.state = FormState::Normal;
    l.builderColumn = RegReadInteger(0, k, "Builder Column Width", 200);
    l.pathColumn = RegReadInteger(0, k, "Builder Path Width", 216);
    return l;
}

void SaveRegisterBuilderLayout(bool maximised, const RegisterBuilderLayout& l) {
    const std::string k = kRegisterBuilderFormKey;
    StoreTransaction tx;
    MainFormGeometry g = l.geometry;
    g.state = maximised ? FormState::Maximised : FormState::Normal;
    WriteFormGeometry(k, g);
    RegWriteInteger(0, k, "Builder Column Width", l.builderColumn);
    RegWriteInteger(0, k, "Builder Path Width", l.pathColumn);
    tx.Commit();
}

}  // namespace vrnx2
