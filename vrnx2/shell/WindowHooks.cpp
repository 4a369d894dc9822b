#include "vrnx2/shell/WindowHooks.h"

#include "vrnx2/builders/BuilderWindows.h"
#include "vrnx2/profiles/PreferenceWindows.h"
#include "vrnx2/shell/MainForm.h"

void ConnectWindows(TVRNX_Form& form) {
    form.hooks.preferences = [](TVRNX_Form& f) { OpenPreferences(&f); };
    form.hooks.about = [](TVRNX_Form& f) { OpenAbout(&f); };
    form.hooks.registerBuilder = [](TVRNX_Form& f) { return OpenBuilderRegistration(&f); };
}
