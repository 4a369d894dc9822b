#pragma once
// A small cabinet writer for tests, fuzz seeds and benchmarks: stored or MSZIP data blocks
// (each MSZIP block referring back into the one before, checksummed unless told not to),
// several folders, and sets of cabinets with files spanning them.

#include <cstdint>
#include <string>
#include <vector>

namespace cabtest {

struct Entry {
    std::string name;  // bytes as stored ("dir\\file.txt")
    std::string data;
    uint16_t date = 0x5A21;  // 2025-01-01
    uint16_t time = 0x6000;  // 12:00:00
    uint16_t attribs = 0x20;
    unsigned folder = 0;  // files of one folder form one compressed stream
};

enum class Compression { Stored = 0, Mszip = 1 };

struct Layout {
    Compression compression = Compression::Stored;
    // Data blocks (of 32 KB uncompressed) in every cabinet but the last; empty for a
    // single cabinet. Where a folder goes on in the next cabinet, the last of these blocks
    // is cut in two and its rest opens the next cabinet.
    std::vector<size_t> blocksPerCabinet;
    std::vector<std::string> cabinetNames;  // for the previous/next fields of a set
    std::vector<std::string> diskNames;
    bool checksums = true;  // a sum in every data block (0, none, otherwise)
    uint16_t setId = 0x4D21;
    uint16_t firstIndex = 0;
};

// The bytes of each cabinet of the set.
std::vector<std::string> BuildSet(const std::vector<Entry>& entries, const Layout& layout);
// A single cabinet.
std::string BuildCabinet(const std::vector<Entry>& entries,
                         Compression compression = Compression::Stored, bool checksums = true);

uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);

void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace cabtest
