#include "vrnx2/profiles/ProfileActions.h"

#include <algorithm>
#include <optional>

#include "platform/Files.h"
#include "platform/Path.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/profiles/ProfileOptions.h"
#include "vrnx2/settings/Ini.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

// A Windows-written options file may hold either delimiter.
size_t LastDelimiter(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string FolderPart(const std::string& path) {
    const size_t at = LastDelimiter(path);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string FileNamePart(const std::string& path) {
    const size_t at = LastDelimiter(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

// Section "input" of a builder's options file, read once for all its keys.
class OptionsFile {
public:
    explicit OptionsFile(const std::string& builderFolder) {
        // Without a builder folder there is no file: "input.inf" alone would name one in
        // the working folder.
        if (builderFolder.empty()) return;
        const auto bytes = platform::ReadFile(platform::ResolveNoCase(builderFolder, "input.inf"));
        if (bytes) text_ = DecodeIniText(*bytes);
    }

    std::string String(const char* key, const std::string& def) const {
        if (!text_) return def;
        return IniFindValue(*text_, "input", key).value_or(def);
    }
    int32_t Integer(const char* key, int32_t def) const {
        if (!text_) return def;
        const auto value = IniFindValue(*text_, "input", key);
        return value ? ParseIniInteger(*value).value_or(def) : def;
    }
    bool Flag(const char* key, bool def) const { return Integer(key, def ? 1 : 0) != 0; }

private:
    std::optional<std::string> text_;
};

// Turns the list's notifications off for an operation; the operation notifies once at its
// end, so the window is not redrawn from a half-done change.
class QuietList {
public:
    explicit QuietList(ProfileList& list) : list_(list), was_(list.Notify()) {
        list_.SetNotify(false);
    }
    ~QuietList() { list_.SetNotify(was_); }
    QuietList(const QuietList&) = delete;
    QuietList& operator=(const QuietList&) = delete;

private:
    ProfileList& list_;
    bool was_;
};

void ReportStoreError(const StoreError& e) {
    UI().MessageBox(e.what(), Msg(kMsgError), MB_ERROR_OK);
}

bool HoldsNumber(const ProfileList& list, int number) {
    for (int i = 0; i < list.Count(); ++i)
        if (const TProfileRec* r = list.Profile(i); r && r->ProfileNumber == number) return true;
    return false;
}

// The staging key must hold only what the plugin window writes for this new profile.
// A row still carrying the staging number (its save failed) is saved into place first;
// what remains there is left over from a creation that never finished.
void ClearStagingKey(ProfileList& list) {
    if (HoldsNumber(list, kNewProfileNumber)) SaveProfileList(list);
    RegDeleteKey(0, ProfileKey(kNewProfileNumber));
}

int AddQuiet(ProfileList& list, const ProfileDialogs& dialogs) {
    TBuilderRec chosen;
    if (!dialogs.selectBuilder(chosen) || chosen.Number < 1) return -1;
    if (!WriteOrTell([&list] { ClearStagingKey(list); })) return -1;
    TProfileRec rec = NewProfileRec(chosen);
    const bool confirmed = dialogs.pluginWindow(rec, false);
    if (list.Count() > 0) list.Select(list.Count() - 1);
    if (!confirmed) return -1;
    // The save moves the choices from the staging key by this number.
    rec.ProfileNumber = kNewProfileNumber;
    const int row = list.Append(rec);
    list.Select(row);
    // Refused, the row stays: its choices wait in the staging key for the next save.
    WriteOrTell([&list] { SaveProfileList(list); });
    return row;
}

}  // namespace

std::string DeleteQuestion(const std::string& caption) {
    return FillPlaceholder(Msg(kMsgProfileWillBeDeleted), caption) + "\r\n" + Msg(kMsgYouSure);
}

std::string CopyName(const std::string& name) {
    return FillPlaceholder(Msg(kMsgCopyOf), name);
}

TProfileRec NewProfileRec(const TBuilderRec& builder) {
    TProfileRec r;
    r.ProfileName = Msg(kMsgUntitled);
    r.ProfileNumber = kNewProfileNumber;
    r.Builder = builder;
    r.Builder.Path = platform::WithTrailingSeparator(builder.Path);
    const std::string& folder = r.Builder.Path;
    const OptionsFile inf(folder);

    auto dir = [&](const char* key, const std::string& def) {
        return platform::WithTrailingSeparator(inf.String(key, def));
    };
    r.BlankCDRW = inf.Flag("blankcdrw", false);
    r.BuildISO = inf.Flag("buildiso", false);
    r.BurnCD = inf.Flag("burncd", false);
    r.BurnUsing = static_cast<uint8_t>(inf.Integer("burnusing", 0));
    r.CustomDir = dir("customdir", "");
    r.Device = inf.String("Device", "");
    r.Eject = inf.Flag("Eject", false);
    r.FullOutDir = dir("fulloutdir", folder + "Osmite");
    r.ISODuplicatesOnce = inf.Flag("ISOduplicatesonce", false);
    r.NoUpperCase = inf.Flag("NoUpperCase", false);
    // Two reads with different defaults: without the key the image goes beside the
    // builder folder, named pebuilder.iso.
    r.ISOPath = FolderPart(inf.String("isofile", platform::WithoutTrailingSeparators(folder)));
    r.ISOFile = FileNamePart(inf.String("isofile", "pebuilder.iso"));
    r.LangFile = inf.String("langfile", "");
    r.OutDir = dir("outdir", "Osmite");
    r.SkipFiles = inf.Flag("skipfiles", false);
    r.SkipRegistry = inf.Flag("skipregistry", false);
    r.Source = dir("source", "");
    r.UseAbsoluteOutput = inf.Flag("useAbsoluteOutput", false);
    r.Verbose = inf.Flag("verbose", false);
    r.Verify = inf.Flag("verify", true);
    r.CleanIsoAfterBurn = inf.Flag("CleanIsoAfterBurn", false);
    r.CleanOutputAfterBurn = inf.Flag("CleanOutputAfterBurn", false);
    r.VolumeID = inf.String("volumeid", "");

    r.BuildParameter = "-auto -exit";
    r.ISOBuildParameter = "-auto -exit";
    r.PreBuild_UseExternalProgram = false;
    r.Build_UseExternalProgram = false;
    r.ISO_UseExternalProgram = false;
    r.ExternalProgram1.clear();
    r.ExternalProgram2.clear();
    r.ExternalProgram3.clear();
    r.ManageOrder = false;
    return r;
}

int ProfileAdd(ProfileList& list, const ProfileDialogs& dialogs) {
    // A full list has no number left to give; the staging number would be taken.
    if (!dialogs.selectBuilder || !dialogs.pluginWindow || list.Count() >= kMaxProfiles) return -1;
    int row = -1;
    {
        QuietList quiet(list);
        row = AddQuiet(list, dialogs);
    }
    list.Changed();
    return row;
}

bool ProfileEdit(ProfileList& list, int row, const ProfileDialogs& dialogs) {
    if (row < 0 || row >= list.Count() || !list.Profile(row) || !dialogs.pluginWindow) return false;
    TProfileRec edited = *list.Profile(row);
    if (!dialogs.pluginWindow(edited, true)) return false;
    {
        QuietList quiet(list);
        TProfileRec* rec = list.Profile(row);
        // The number names the stored key whose Plugin subkey the save moves.
        edited.ProfileNumber = rec->ProfileNumber;
        *rec = edited;
        list.Refresh(row);
        WriteOrTell([&list] { SaveProfileList(list); });
    }
    list.Changed();
    return true;
}

int ProfileCopy(ProfileList& list, int row) {
    if (row < 0 || row >= list.Count() || !list.Profile(row) || list.Count() >= kMaxProfiles)
        return -1;
    int added = -1;
    {
        QuietList quiet(list);
        try {
            SaveProfileList(list);  // the row's key is now row + 1
            // Count and key together: a raised count never points at a missing key.
            StoreTransaction tx;
            const int count = RegReadInteger(0, kVarnexKey, "ProfileCount", 0) + 1;
            const std::string from = ProfileKey(row + 1);
            const std::string to = ProfileKey(count);
            TProfileRec copy = *list.Profile(row);
            copy.ProfileNumber = count;
            copy.ProfileName = CopyName(copy.ProfileName);
            if (count > kMaxProfiles || RegKeyExists(0, to, "") || !RegKeyExists(0, from, ""))
                throw StoreError("settings store: " + from + " cannot be copied to " + to);
            RegWriteInteger(0, kVarnexKey, "ProfileCount", count);
            RegCopyKey(0, from, to);
            if (!RegKeyExists(0, to, ""))
                throw StoreError("settings store: " + from + " cannot be copied to " + to);
            // Until the next save the stored copy carries the name its row shows.
            RegWriteString(0, to, "ProfileName", copy.ProfileName);
            tx.Commit();
            added = list.Append(copy);
            list.Select(added);
        } catch (const StoreError& e) {
            ReportStoreError(e);
        }
    }
    list.Changed();
    return added;
}

bool ProfileDelete(ProfileList& list, int row) {
    if (row < 0 || row >= list.Count() || !list.Profile(row)) return false;
    if (UI().MessageBox(DeleteQuestion(list.Caption(row)), Msg(kMsgWarning), MB_QUESTION_YESNO) !=
        ID_YES)
        return false;
    bool deleted = false;
    {
        QuietList quiet(list);
        const TProfileRec removed = *list.Profile(row);
        const int selected = list.Selected();
        list.Remove(row);
        try {
            // The save writes back only listed profiles: the deleted one's key and its
            // Plugin subkey go in the same transaction that renumbers the rest, so its
            // choices can never be parked under another profile's number.
            SaveProfileList(list);
            deleted = true;
        } catch (const StoreError& e) {
            // Nothing was stored: the row comes back so the list matches the store.
            list.Insert(row, removed);
            list.Select(selected);
            ReportStoreError(e);
        }
        if (deleted) {
            if (list.Count() > 0) list.Select(std::min(row, list.Count() - 1));
            // A key numbered beyond the list's own keys is not touched by the save.
            if (removed.ProfileNumber > list.Count()) {
                WriteOrTell([&removed] { RegDeleteKey(0, ProfileKey(removed.ProfileNumber)); });
            }
        }
    }
    list.Changed();
    return deleted;
}

}  // namespace vrnx2
