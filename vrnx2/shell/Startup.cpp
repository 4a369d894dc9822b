#include "vrnx2/shell/Startup.h"

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

bool HasResetSwitch(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.size() == 2 && (arg[0] == '-' || arg[0] == '/') && (arg[1] == 'I' || arg[1] == 'i'))
            return true;
    }
    return false;
}

int ResetSettings() {
    try {
        RegDeleteKey(0, kVarnexKey);
    } catch (const StoreError& e) {
        // Reporting "initialised" here would hide that the old settings are still in place.
        UI().MessageBox(e.what(), Msg(kMsgError), MB_ERROR_OK);
        return 1;
    }
    UI().MessageBox(Msg(kMsgSettingsHaveBeenInitialised), Msg(kMsgVarnex), MB_INFORMATION);
    return 0;
}

}  // namespace vrnx2
