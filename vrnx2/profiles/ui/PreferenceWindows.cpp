#include "vrnx2/profiles/ui/PreferenceWindows.h"

#include "vrnx2/build/TryImage.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/profiles/ui/PREFERENSES.h"
#include "vrnx2/profiles/ui/about.h"

namespace vrnx2 {

void OpenPreferences(QWidget* parent) {
    TPREFERENSES_Form form(parent);
    form.SetPreferences(LoadPreferences());
    form.SetVmPreferences(LoadVmPreferences());
    form.exec();
}

void OpenAbout(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

}  // namespace vrnx2
