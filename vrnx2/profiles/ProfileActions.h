#pragma once
// Adding, editing, copying and deleting profiles on the main window's list, as logic. The
// two windows involved (builder selection, plugin window) come in as callbacks, so this
// runs without Qt. Every operation ends with the list's change notification, so the window
// shows the list, its selection and its action states afresh.
//
// Store failures end the operation with an error box (caption 045) and leave the list as
// close to the store as they can: nothing the person chose is dropped from the list.

#include <functional>
#include <string>

#include "vrnx2/settings/ProfileList.h"

namespace vrnx2 {

// A profile being created is edited under this number; its plugin choices live in
// Profiles\1000\Plugin until the save that gives it its place.
inline constexpr int kNewProfileNumber = 1000;
// Profile keys are numbered with three digits; the number after them is the staging key.
inline constexpr int kMaxProfiles = kNewProfileNumber - 1;

struct ProfileDialogs {
    // The builder selection dialog: true with `chosen` filled (Number = stored position).
    std::function<bool(TBuilderRec& chosen)> selectBuilder;
    // The plugin window: true when confirmed (OK, or Apply before Cancel), `profile` then
    // updated. `edit` is false for a new profile.
    std::function<bool(TProfileRec& profile, bool edit)> pluginWindow;
};

// The record of a new profile for `builder`: name text 063, number 1000, options from the
// builder's input.inf (section "input", key names in any letter case) or their defaults.
TProfileRec NewProfileRec(const TBuilderRec& builder);

// Add: builder selection, then the plugin window for a new record; on confirmation the row
// is appended and the list saved. Afterwards the last row is selected. Returns the new
// row's index, -1 when nothing was added (also when the list is full).
int ProfileAdd(ProfileList& list, const ProfileDialogs& dialogs);

// Edit the row's profile in the plugin window; on confirmation the row takes the returned
// record and the list is saved. True when confirmed.
bool ProfileEdit(ProfileList& list, int row, const ProfileDialogs& dialogs);

// Copy: saves, raises ProfileCount and copies the row's key (values and Plugin subkey) to
// the new number in one step, then appends and selects a row named by text 152. Returns
// the new row's index, -1 when nothing was copied.
int ProfileCopy(ProfileList& list, int row);

// Delete after the question 064 / 058 (caption 046): the row's key goes together with the
// save that renumbers the rest. True when the row was deleted.
bool ProfileDelete(ProfileList& list, int row);

// The question the delete asks, for `caption` (the row's profile name).
std::string DeleteQuestion(const std::string& caption);
// The name of a copy of the profile named `name` (text 152).
std::string CopyName(const std::string& name);

}  // namespace vrnx2
