#include "vrnx2/shell/ui/ProfileWindows.h"

#include "vrnx2/builders/ui/BuilderWindows.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/plugins/ui/PluginWindow.h"
#include "vrnx2/profiles/ProfileActions.h"
#include "vrnx2/shell/ui/MainForm.h"

namespace vrnx2 {

namespace {

ProfileDialogs DialogsOver(TVRNX_Form& form) {
    ProfileDialogs dialogs;
    dialogs.selectBuilder = [&form](TBuilderRec& chosen) { return SelectBuilder(&form, chosen); };
    dialogs.pluginWindow = [&form](TProfileRec& profile, bool edit) {
        return OpenPluginWindow(&form, profile, edit);
    };
    return dialogs;
}

// The operations leave the list's selection on the row to show; the list notification has
// already brought the view and the action states up to date.
void FocusList(TVRNX_Form& form) {
    RowDragList* view = form.ProfileView();
    if (view->currentIndex().isValid()) view->scrollTo(view->currentIndex());
    view->setFocus();
}

}  // namespace

void AddProfile(TVRNX_Form& form) {
    // Cancelling the builder choice leaves everything as it was, focus included.
    bool asked = false;
    ProfileDialogs dialogs = DialogsOver(form);
    auto select = dialogs.selectBuilder;
    dialogs.selectBuilder = [&](TBuilderRec& chosen) {
        asked = select(chosen);
        return asked;
    };
    ProfileAdd(form.Profiles(), dialogs);
    if (asked) FocusList(form);
}

void EditProfile(TVRNX_Form& form) {
    ProfileEdit(form.Profiles(), form.SelectedRow(), DialogsOver(form));
    form.ProfileView()->setFocus();
}

void CopyProfile(TVRNX_Form& form) {
    ProfileCopy(form.Profiles(), form.SelectedRow());
    FocusList(form);
}

void DeleteProfile(TVRNX_Form& form) {
    ProfileDelete(form.Profiles(), form.SelectedRow());
    FocusList(form);
}

}  // namespace vrnx2
