// Wine's registry text as the bridge reads it back from Wine: malformed text fails with
// HiveError; what parses survives the way to text and back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/hive/WineText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text =
        "WINE REGISTRY Version 2\n" + std::string(reinterpret_cast<const char*>(data), size);
    hive::Key k;
    try {
        k = hive::ParseWineText(text);
    } catch (const hive::HiveError&) {
        return 0;
    }
    const std::string once = hive::ToWineText(k);
    if (hive::ToWineText(hive::ParseWineText(once)) != once) std::abort();
    bool changed = false;
    (void)hive::MergeSaved(k, k, 1, changed);
    if (changed) std::abort();
    return 0;
}
