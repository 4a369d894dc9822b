#include "vrnx2/settings/ProfileList.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "common/MoveElement.h"
#include "common/Number.h"
#include "platform/Path.h"
#include "vrnx2/base/ListRules.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

const std::string kRoot = kVarnexKey;
const std::string kProfiles = kRoot + "\\Profiles";
const std::string kWork = kRoot + "\\Work";

// Folder values are stored without a trailing separator; a lone "/" stays, as it is a
// folder of its own.
std::string TrimTrailingSeparator(const std::string& path) {
    return platform::WithoutTrailingSeparators(path);
}

// Turns off the list's notifications for the routine and turns them on again after.
class QuietList {
public:
    explicit QuietList(ProfileList& list) : list_(list), was_(list.Notify()) {
        list_.SetNotify(false);
    }
    ~QuietList() { list_.SetNotify(was_); }

private:
    ProfileList& list_;
    bool was_;
};

}  // namespace

std::string ProfileKey(int number) {
    return kProfiles + "\\" + KeyNumber(number);
}

// ---- ProfileList ---------------------------------------------------------------------

const ProfileList::Row& ProfileList::At(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("ProfileList index");
    return rows_[index];
}

TProfileRec* ProfileList::Profile(int index) const {
    const Row& row = At(index);
    return row.subItems.Count() ? GetProfileRec(row.subItems, 0) : nullptr;
}

const std::string& ProfileList::BuilderColumn(int index) const {
    return At(index).subItems.Text(0);
}

int ProfileList::Insert(int index, const TProfileRec& rec) {
    if (index < 0 || index > Count()) throw std::out_of_range("ProfileList index");
    Row row;
    row.caption = rec.ProfileName;
    row.subItems.Add(rec.Builder.Name, rec);
    row.id = ++lastId_;
    rows_.insert(rows_.begin() + index, std::move(row));
    if (selected_ >= index) ++selected_;
    return index;
}

void ProfileList::Remove(int index) {
    At(index);
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) {
        selected_ = -1;
        Changed();
    } else if (selected_ > index) {
        --selected_;
    }
}

void ProfileList::Move(int from, int to) {
    At(from);
    At(to);
    MoveElement(rows_, static_cast<size_t>(from), static_cast<size_t>(to));
    selected_ = IndexAfterMove(selected_, from, to);
}

int CompareProfileRows(const TProfileRec& a, const TProfileRec& b, int column, int direction) {
    const std::string& x = column == 1 ? a.Builder.Name : a.ProfileName;
    const std::string& y = column == 1 ? b.Builder.Name : b.ProfileName;
    int c = x.compare(y);  // char_traits<char> compares as unsigned bytes
    return (c < 0 ? -1 : c > 0 ? 1 : 0) * direction;
}

int ProfileList::SortByColumn(int column) {
    if (column < 0 || column > 1) throw std::out_of_range("ProfileList column");
    int& direction = sortDirection_[static_cast<size_t>(column)];
    direction = NextSortDirection(direction);
    const TProfileRec* selected = selected_ >= 0 ? Profile(selected_) : nullptr;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        const auto rec = [](const Row& r) {
            return r.subItems.Count() ? GetProfileRec(r.subItems, 0) : nullptr;
        };
        const TProfileRec* x = rec(a);
        const TProfileRec* y = rec(b);
        // A freed record sorts with its neighbours, never reorders them.
        return x && y && CompareProfileRows(*x, *y, column, direction) < 0;
    });
    for (int i = 0; selected && i < Count(); ++i)
        if (Profile(i) == selected) selected_ = i;
    return direction;
}

void ProfileList::Refresh(int index) {
    Row& row = rows_.at(index);
    if (TProfileRec* rec = Profile(index)) {
        row.caption = rec->ProfileName;
        row.subItems.SetText(0, rec->Builder.Name);
    }
}

void ProfileList::Clear() {
    for (auto& row : rows_)
        if (row.subItems.Count()) FreeProfileRec(row.subItems, 0);
    rows_.clear();
    if (selected_ != -1) {
        selected_ = -1;
        Changed();
    }
}

void ProfileList::Select(int index) {
    if (index < -1 || index >= Count()) throw std::out_of_range("ProfileList index");
    if (index == selected_) return;
    selected_ = index;
    Changed();
}

// ---- One profile key -------------------------------------------------------------------

TProfileRec ReadProfileRec(const std::string& k) {
    auto S = [&](const char* name, const char* def) { return RegReadString(0, k, name, def); };
    auto B = [&](const char* name, bool def) { return RegReadBool(0, k, name, def); };
    TProfileRec r;
    r.ProfileName = S("ProfileName", "");
    r.Builder.Number = DigitsOrZero(S("BuilderIndex", "000"));
    r.Builder.Name = S("BuilderName", "");
    r.Builder.Path = S("BuilderPath", "");
    r.BlankCDRW = B("BlankCDRW", false);
    r.BuildISO = B("BuildISO", false);
    r.BurnCD = B("BurnCD", false);
    r.BurnUsing = static_cast<uint8_t>(RegReadInteger(0, k, "BurnUsing", 1));
    r.CustomDir = S("CustomDir", "");
    r.Device = S("Device", "");
    r.Eject = B("Eject", false);
    r.FullOutDir = S("FullOutDir", "");
    r.ISODuplicatesOnce = B("ISODuplicatesOnce", false);
    r.NoUpperCase = B("NoUpperCase", false);
    r.ISOPath = S("ISOPath", "");
    r.ISOFile = S("ISOFile", "");
    r.LangFile = S("LangFile", "");
    r.OutDir = S("OutDir", "");
    r.SkipFiles = B("SkipFiles", false);
    r.SkipRegistry = B("SkipRegistry", false);
    r.Source = S("Source", "");
    r.UseAbsoluteOutput = B("UseAbsoluteOutput", false);
    r.Verbose = B("Verbose", true);
    r.Verify = B("Verify", false);
    r.CleanIsoAfterBurn = B("CleanIsoAfterBurn", false);
    r.CleanOutputAfterBurn = B("CleanOutputAfterBurn", false);
    r.VolumeID = S("VolumeID", "");
    r.BuildParameter = S("BuildParameter", "-auto -exit");
    r.ISOBuildParameter = S("ISOBuildParameter", "-auto -exit");
    r.PreBuild_UseExternalProgram = B("PreBuild_UseExternalProgram", false);
    r.Build_UseExternalProgram = B("Build_UseExternalProgram", false);
    r.ISO_UseExternalProgram = B("ISO_UseExternalProgram", false);
    r.ExternalProgram1 = S("ExternalProgram1", "");
    r.ExternalProgram2 = S("ExternalProgram2", "");
    r.ExternalProgram3 = S("ExternalProgram3", "");
    r.ManageOrder = B("Manage Order", false);
    return r;
}

TProfileRec StoredProfileRec(const TProfileRec& rec) {
    TProfileRec r = rec;
    for (std::string* folder :
         {&r.Builder.Path, &r.CustomDir, &r.FullOutDir, &r.ISOPath, &r.OutDir, &r.Source})
        *folder = TrimTrailingSeparator(*folder);
    return r;
}

void WriteProfileRec(const std::string& k, const TProfileRec& rec) {
    const TProfileRec r = StoredProfileRec(rec);
    StoreTransaction tx;
    auto S = [&](const char* name, const std::string& v) { RegWriteString(0, k, name, v); };
    auto B = [&](const char* name, bool v) { RegWriteBool(0, k, name, v); };
    S("ProfileName", r.ProfileName);
    S("BuilderIndex", KeyNumber(r.Builder.Number));
    S("BuilderName", r.Builder.Name);
    S("BuilderPath", r.Builder.Path);
    B("BlankCDRW", r.BlankCDRW);
    B("BuildISO", r.BuildISO);
    B("BurnCD", r.BurnCD);
    RegWriteInteger(0, k, "BurnUsing", r.BurnUsing);
    S("CustomDir", r.CustomDir);
    S("Device", r.Device);
    B("Eject", r.Eject);
    S("FullOutDir", r.FullOutDir);
    B("ISODuplicatesOnce", r.ISODuplicatesOnce);
    B("NoUpperCase", r.NoUpperCase);
    S("ISOPath", r.ISOPath);
    S("ISOFile", r.ISOFile);
    S("LangFile", r.LangFile);
    S("OutDir", r.OutDir);
    B("SkipFiles", r.SkipFiles);
    B("SkipRegistry", r.SkipRegistry);
    S("Source", r.Source);
    B("UseAbsoluteOutput", r.UseAbsoluteOutput);
    B("Verbose", r.Verbose);
    B("Verify", r.Verify);
    B("CleanIsoAfterBurn", r.CleanIsoAfterBurn);
    B("CleanOutputAfterBurn", r.CleanOutputAfterBurn);
    S("VolumeID", r.VolumeID);
    S("BuildParameter", r.BuildParameter);
    S("ISOBuildParameter", r.ISOBuildParameter);
    B("PreBuild_UseExternalProgram", r.PreBuild_UseExternalProgram);
    B("Build_UseExternalProgram", r.Build_UseExternalProgram);
    B("ISO_UseExternalProgram", r.ISO_UseExternalProgram);
    S("ExternalProgram1", r.ExternalProgram1);
    S("ExternalProgram2", r.ExternalProgram2);
    S("ExternalProgram3", r.ExternalProgram3);
    B("Manage Order", r.ManageOrder);
    tx.Commit();
}

// ---- Load and save -------------------------------------------------------------------

void LoadProfileList(ProfileList& list) {
    {
        QuietList quiet(list);
        list.Clear();
        std::unique_ptr<StoreTransaction> snapshot;
        try {
            snapshot = std::make_unique<StoreTransaction>(StoreTransaction::Read);
        } catch (const StoreError&) {
            // An unreadable store lists nothing, as every read falls back to its default.
        }
        int count = RegReadInteger(0, kRoot, "ProfileCount", 0);
        // Visit the keys 001..ProfileCount that exist, in number order: the same rows as
        // reading every number, without a hand-set count of millions stalling the window.
        std::vector<int> numbers;
        for (const auto& name : RegEnumKeys(0, kProfiles)) {
            int n = DigitsOrZero(name);
            if (n >= 1 && n <= count && KeyNumber(n) == name) numbers.push_back(n);
        }
        std::sort(numbers.begin(), numbers.end());
        for (int n : numbers) {
            std::string k = ProfileKey(n);
            if (DigitsOrZero(RegReadString(0, k, "BuilderIndex", "000")) == 0) continue;
            TProfileRec rec = ReadProfileRec(k);
            rec.ProfileNumber = n;
            list.Append(rec);
        }
        if (list.Count() > 0) list.Select(0);
    }
    list.Changed();
}

void SaveProfileList(ProfileList& list) {
    {
        QuietList quiet(list);
        const int count = list.Count();
        StoreTransaction tx;
        // A Work key left by an interrupted save must not block the parking below.
        RegDeleteKey(0, kWork);
        // Park every listed profile's plugin choices before any profile key is rewritten,
        // so that no listed profile can meet another profile's Plugin subkey at its new
        // position. A number shared by two rows gives both a copy.
        std::multiset<int> numbers;
        for (int i = 0; i < count; ++i)
            if (const TProfileRec* r = list.Profile(i)) numbers.insert(r->ProfileNumber);
        for (int i = 0; i < count; ++i) {
            const TProfileRec* r = list.Profile(i);
            if (!r || r->ProfileNumber <= 0) continue;
            std::string from = ProfileKey(r->ProfileNumber) + "\\Plugin";
            std::string to = kWork + "\\" + KeyNumber(i + 1);
            auto it = numbers.find(r->ProfileNumber);
            numbers.erase(it);
            if (numbers.count(r->ProfileNumber))
                RegCopyKey(0, from, to);
            else
                RegMoveKey(0, from, to);
        }
        // Every profile key is written from its record alone: no stale value of a profile
        // that used to have this number survives. 1000 is the scratch key of a new profile.
        for (int n = 1; n <= std::max(count, 1001); ++n) RegDeleteKey(0, ProfileKey(n));
        RegWriteInteger(0, kRoot, "ProfileCount", count);
        for (int i = 0; i < count; ++i)
            if (const TProfileRec* r = list.Profile(i)) WriteProfileRec(ProfileKey(i + 1), *r);
        for (int i = 0; i < count; ++i)
            RegMoveKey(0, kWork + "\\" + KeyNumber(i + 1), ProfileKey(i + 1) + "\\Plugin");
        RegDeleteKey(0, kWork);
        tx.Commit();
        for (int i = 0; i < count; ++i)
            if (TProfileRec* r = list.Profile(i)) r->ProfileNumber = i + 1;
    }
    list.Changed();
}

}  // namespace vrnx2
