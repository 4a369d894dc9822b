#pragma once
// The main window keeps its profile list in memory while vrnx2-cli may change the store
// under it. This tells the window's own changes from the store's, so a save never undoes
// what another program wrote and a reload never drops what the window has not saved.

#include <vector>

#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

class ProfileListSync {
public:
    enum State {
        InSync,        // the list holds what the store holds
        ListChanged,   // only the window changed it (an order not yet saved)
        StoreChanged,  // only the store changed: reload
        BothChanged,   // each changed since they last agreed: the person decides
    };

    // The list was just loaded from or saved to the store.
    void Matched(const ProfileList& list);
    // Reads the store and compares. When list and store agree, that becomes the state they
    // last agreed on (a profile operation saved the list itself).
    State Check(const ProfileList& list);

    // Loads the list, keeping the selection on the same profile where it still exists.
    void Reload(ProfileList& list);
    // Saves the list (throws StoreError as SaveProfileList does).
    void Save(ProfileList& list);

private:
    std::vector<TProfileRec> matched_;
};

}  // namespace vrnx2
