// vrnx2-cli profiles: the profile list as the main window shows it, one line per row.

#include <cstdio>

#include "vrnx2/cli/Commands.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

int ProfilesCommand(const Args& args) {
    if (!args.empty()) {
        bool help = args[0] == "--help" || args[0] == "-h" || args[0] == "/?";
        std::fputs(
            "usage: vrnx2-cli profiles\n"
            "Prints position, profile name and builder name, separated by tabs.\n",
            help ? stdout : stderr);
        return help ? 0 : 2;
    }
    ProfileList list;
    try {
        // The list itself treats an unreadable store as an empty one; a console user who
        // asks for the list is told instead of being shown nothing.
        StoreTransaction snapshot(StoreTransaction::Read);
        LoadProfileList(list);
    } catch (const StoreError& e) {
        std::fprintf(stderr, "vrnx2-cli profiles: %s\n", e.what());
        return 1;
    }
    for (int i = 0; i < list.Count(); ++i)
        std::printf("%d\t%s\t%s\n", i + 1, list.Caption(i).c_str(), list.BuilderColumn(i).c_str());
    return 0;
}

}  // namespace vrnx2
