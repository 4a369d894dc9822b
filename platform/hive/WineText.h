#pragma once
// Wine's own registry text format ("WINE REGISTRY Version 2"), the only form Wine's
// registry loads and saves, and the merge of what a program left in a mounted hive back
// into the hive it came from.

#include <string>
#include <string_view>

#include "platform/hive/Hive.h"

namespace hive {

// The tree below `root` in the text form Wine loads into a mount key: key paths relative to
// it ("[]" first, so Wine strips no prefix), every key with its time and class, every value
// as hex of its type so its bytes come back unchanged.
std::string ToWineText(const Key& root);

// A tree from the text Wine saves (RegSaveKey) or loads: key lines relative to the saved key,
// "#time", "#class", string, dword and hex values with continuation lines. Keys Wine left
// implicit (subkeys only) get time 0. Throws HiveError with the line of a malformed entry.
Key ParseWineText(std::string_view text);

// FILETIME <-> the seconds since 1970 that Wine writes after a key path.
uint64_t UnixSecondsToFileTime(uint64_t seconds);

// The hive a program left: `saved` (read back from Wine) onto `original`. Names, values and
// subkeys come from `saved`; security descriptors, flags, classes, the order of values and
// the times of keys whose content did not change come from `original`. New keys take their
// parent's descriptor. `changed` tells whether anything differs at all.
Key MergeSaved(const Key& original, const Key& saved, uint64_t now, bool& changed);

}  // namespace hive
