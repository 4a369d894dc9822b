#pragma once
// Stored and MSZIP folders decoded without libmspack: MSZIP blocks are raw deflate streams
// that zlib inflates, each with the folder's previous 32 KB of output as its dictionary.
// The stream keeps its place and its output between files, so the files of one folder are
// decoded in one pass, and each file is written from the output in large pieces. A worker
// thread decodes the next 1 MB while the caller writes; every callback is still called on
// the caller's thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrnx2 {

class FdiFileCallbacks;

// One cabinet's share of a folder's data blocks. A folder that goes on in the next cabinet
// has one segment per cabinet; a block cut at a segment's end continues in the next one.
struct CabDataSegment {
    std::string cabinet;  // path of the cabinet file
    uint32_t offset = 0;  // of the first block in that file
    uint16_t blocks = 0;
    uint8_t dataReserve = 0;  // bytes of each block header reserved for the application
};

// Compression methods this stream decodes (the low four bits of a folder's type).
inline constexpr int kCabMethodStored = 0;
inline constexpr int kCabMethodMszip = 1;

// The sum each data block carries (0 for none): the data, then the two size fields.
uint32_t CabBlockChecksum(const unsigned char* data, size_t size, uint32_t seed);

class CabFolderStream {
public:
    explicit CabFolderStream(FdiFileCallbacks& files);
    ~CabFolderStream();
    CabFolderStream(const CabFolderStream&) = delete;
    CabFolderStream& operator=(const CabFolderStream&) = delete;

    // Writes bytes [offset, offset + size) of a folder's uncompressed data to `hf`. `folder`
    // names the folder (the stream goes on where it stopped when it is the last one used
    // and the bytes lie at or after what it still holds; else it starts the folder again);
    // `segments` are its data, and may have grown by cabinets joined since the last call.
    // Returns an FdiError: FDIERROR_NONE, FDIERROR_CORRUPT_CABINET (damaged or missing
    // data), FDIERROR_CABINET_NOT_FOUND, FDIERROR_ALLOC_FAIL or FDIERROR_TARGET_FILE.
    int Extract(const void* folder, int method, const std::vector<CabDataSegment>& segments,
                uint32_t offset, uint32_t size, intptr_t hf);

    // Forgets the folder being decoded and closes its cabinet.
    void Reset();

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vrnx2
