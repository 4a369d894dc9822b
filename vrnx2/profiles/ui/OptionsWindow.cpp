#include "vrnx2/profiles/ui/OptionsWindow.h"

#include "vrnx2/profiles/ui/options.h"
#include "vrnx2/settings/Drives.h"

namespace vrnx2 {

bool OpenProfileOptions(QWidget* parent, TProfileRec& profile) {
    DriveHolder drives;
    QueryOpticalDrives(drives);
    TOptions_Form form(parent, profile, drives);
    if (form.exec() != QDialog::Accepted) return false;
    profile = form.Profile();
    return true;
}

}  // namespace vrnx2
