// A profile named on the command line, as `vrnx2-cli profiles` lists them.

#include <cstdio>
#include <cstdlib>

#include "vrnx2/cli/Commands.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

// The row at a 1-based position, else the row with exactly that name.
std::optional<TProfileRec> FindProfile(const std::string& wanted) {
    ProfileList list;
    {
        // Raises StoreError for a store that cannot be read, rather than listing nothing.
        StoreTransaction snapshot(StoreTransaction::Read);
        LoadProfileList(list);
    }
    bool number = !wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos;
    if (number) {
        long position = std::strtol(wanted.c_str(), nullptr, 10);
        if (position >= 1 && position <= list.Count())
            return *list.Profile(static_cast<int>(position - 1));
    }
    for (int i = 0; i < list.Count(); ++i)
        if (list.Caption(i) == wanted) return *list.Profile(i);
    return std::nullopt;
}

std::optional<TProfileRec> LookUpProfile(const char* command, const std::string& wanted,
                                         int& exitCode) {
    std::optional<TProfileRec> profile;
    try {
        profile = FindProfile(wanted);
    } catch (const StoreError& e) {
        std::fprintf(stderr, "vrnx2-cli %s: %s\n", command, e.what());
        exitCode = 1;
        return std::nullopt;
    }
    if (!profile) {
        std::fprintf(stderr, "vrnx2-cli %s: no profile '%s' (see 'vrnx2-cli profiles')\n", command,
                     wanted.c_str());
        exitCode = 2;
    }
    return profile;
}

}  // namespace vrnx2
