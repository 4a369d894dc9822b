#include "vrnx2/plugins/ui/PluginWindow.h"

#include "vrnx2/plugins/ui/PluginForm.h"

namespace vrnx2 {

bool OpenPluginWindow(QWidget* parent, TProfileRec& profile, bool edit) {
    TPlugin_Form form(parent, profile, edit);
    form.exec();
    if (!form.Applied()) return false;
    profile.ProfileName = form.Profile().ProfileName;
    profile.ManageOrder = form.Profile().ManageOrder;
    return true;
}

}  // namespace vrnx2
