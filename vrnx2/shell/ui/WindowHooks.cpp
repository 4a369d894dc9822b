#include "vrnx2/shell/ui/WindowHooks.h"

#include "vrnx2/builders/ui/BuilderWindows.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/profiles/ui/OptionsWindow.h"
#include "vrnx2/profiles/ui/PreferenceWindows.h"
#include "vrnx2/settings/Records.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/ProfileWindows.h"

namespace vrnx2 {

void ConnectWindows(TVRNX_Form& form) {
    form.hooks.addProfile = [](TVRNX_Form& f) { AddProfile(f); };
    form.hooks.editProfile = [](TVRNX_Form& f) { EditProfile(f); };
    form.hooks.copyProfile = [](TVRNX_Form& f) { CopyProfile(f); };
    form.hooks.deleteProfile = [](TVRNX_Form& f) { DeleteProfile(f); };
    form.hooks.preferences = [](TVRNX_Form& f) { OpenPreferences(&f); };
    form.hooks.about = [](TVRNX_Form& f) { OpenAbout(&f); };
    form.hooks.profileSettings = [](TVRNX_Form& f) {
        const TProfileRec* selected = f.SelectedProfile();
        if (!selected) return;
        // The dialog edits a copy; the row takes it only on OK.
        TProfileRec copy = *selected;
        if (OpenProfileOptions(&f, copy)) {
            if (TProfileRec* row = f.SelectedProfile()) *row = copy;
            f.SaveProfiles();
            f.ProfilesChanged();
            f.SelectionUpdate();
        }
        f.ProfileView()->setFocus();
    };
    form.hooks.registerBuilder = [](TVRNX_Form& f) { return OpenBuilderRegistration(&f); };
}

}  // namespace vrnx2
