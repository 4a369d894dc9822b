#include "vrnx2/settings/ProfileListSync.h"

#include <algorithm>

namespace vrnx2 {

namespace {

// The list as SaveProfileList would store it, rows in order.
std::vector<TProfileRec> StoredImage(const ProfileList& list) {
    std::vector<TProfileRec> image;
    image.reserve(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        image.push_back(list.Profile(i) ? StoredProfileRec(*list.Profile(i)) : TProfileRec{});
    return image;
}

std::vector<TProfileRec> StoreImage() {
    ProfileList stored;
    stored.SetNotify(false);
    LoadProfileList(stored);
    std::vector<TProfileRec> image = StoredImage(stored);
    stored.Clear();
    return image;
}

}  // namespace

void ProfileListSync::Matched(const ProfileList& list) {
    matched_ = StoredImage(list);
}

ProfileListSync::State ProfileListSync::Check(const ProfileList& list) {
    std::vector<TProfileRec> mine = StoredImage(list);
    std::vector<TProfileRec> stored = StoreImage();
    if (mine == stored) {
        matched_ = std::move(mine);
        return InSync;
    }
    const bool listChanged = mine != matched_;
    const bool storeChanged = stored != matched_;
    if (listChanged && storeChanged) return BothChanged;
    return listChanged ? ListChanged : StoreChanged;
}

void ProfileListSync::Reload(ProfileList& list) {
    const TProfileRec* before = list.Selected() >= 0 ? list.Profile(list.Selected()) : nullptr;
    const int number = before ? before->ProfileNumber : 0;
    const int row = list.Selected();
    const bool notify = list.Notify();
    list.SetNotify(false);
    LoadProfileList(list);
    // The same key first (a rename keeps it), else the same place.
    int select = -1;
    for (int i = 0; i < list.Count() && select < 0; ++i)
        if (list.Profile(i) && list.Profile(i)->ProfileNumber == number) select = i;
    if (select < 0 && list.Count() > 0) select = std::min(std::max(row, 0), list.Count() - 1);
    list.Select(select);
    list.SetNotify(notify);
    Matched(list);
    list.Changed();
}

void ProfileListSync::Save(ProfileList& list) {
    SaveProfileList(list);
    Matched(list);
}

}  // namespace vrnx2
