#pragma once
// The tables at the start of a cabinet file (header, folders, files), read as stored. The
// decoder needs what libmspack does not expose: for each file of one cabinet, whether it
// continues from the previous cabinet or into the next.

#include <cstdint>
#include <string>
#include <vector>

namespace vrnx2 {

class FdiFileCallbacks;

// Folder index values of a file that spans cabinets.
inline constexpr uint16_t kFolderContinuedFromPrev = 0xFFFD;
inline constexpr uint16_t kFolderContinuedToNext = 0xFFFE;
inline constexpr uint16_t kFolderContinuedPrevAndNext = 0xFFFF;

inline constexpr uint16_t kCabFlagPrevCabinet = 0x0001;
inline constexpr uint16_t kCabFlagNextCabinet = 0x0002;
inline constexpr uint16_t kCabFlagReservePresent = 0x0004;

struct CabFolderEntry {
    uint32_t dataOffset = 0;
    uint16_t dataBlocks = 0;
    uint16_t compression = 0;
};

struct CabFileEntry {
    std::string name;  // bytes as stored
    uint32_t size = 0;
    uint32_t offset = 0;  // in the folder's uncompressed data
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attribs = 0;

    bool ContinuedFromPrev() const {
        return folder == kFolderContinuedFromPrev || folder == kFolderContinuedPrevAndNext;
    }
    bool ContinuedToNext() const {
        return folder == kFolderContinuedToNext || folder == kFolderContinuedPrevAndNext;
    }
};

struct CabHeader {
    uint8_t versionMinor = 0;
    uint8_t versionMajor = 0;
    uint16_t flags = 0;
    uint16_t setID = 0;
    uint16_t iCabinet = 0;
    uint16_t headerReserve = 0;
    uint8_t folderReserve = 0;
    uint8_t dataReserve = 0;
    std::string prevCabinet, prevDisk, nextCabinet, nextDisk;  // bytes as stored
    std::vector<CabFolderEntry> folders;
    std::vector<CabFileEntry> files;
};

// A cabinet named by another is looked for beside it: its name must be a plain file name.
inline bool IsPlainCabinetName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

// Reads the tables of the cabinet at the start of the open file `hf`. Returns an FdiError:
// FDIERROR_NONE, FDIERROR_NOT_A_CABINET, FDIERROR_UNKNOWN_CABINET_VERSION or
// FDIERROR_CORRUPT_CABINET.
int ReadCabHeader(FdiFileCallbacks& files, intptr_t hf, CabHeader& header);

}  // namespace vrnx2
