// Hive files from a Windows source or a builder: a damaged one must fail with HiveError,
// and whatever reads must write back and read again to the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/hive/Hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    hive::Hive h;
    try {
        h = hive::ReadHive(bytes);
    } catch (const hive::HiveError&) {
        return 0;
    }
    std::string written;
    try {
        written = hive::WriteHive(h, 1);
    } catch (const hive::HiveError&) {
        return 0;  // two subkeys named alike, a hive past 2 GiB: refused, not written
    }
    // What was written reads back, and writes to the same cells again.
    const hive::Hive again = hive::ReadHive(written);
    if (hive::WriteHive(again, 1).substr(4096) != written.substr(4096)) std::abort();
    return 0;
}
