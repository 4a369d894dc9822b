#include "vrnx2/plugins/cabinet/CabFolderStream.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "vrnx2/plugins/cabinet/CabIntf.h"

namespace vrnx2 {

namespace {

constexpr size_t kBlockMax = 32768;         // uncompressed bytes of one block
constexpr size_t kInputMax = 32768 + 6144;  // compressed bytes of one block, all its pieces
constexpr size_t kHistory = 32768;          // what MSZIP carries from one block to the next
constexpr size_t kOutputSize = 1 << 20;     // decoded data held for writing, beyond the history
constexpr size_t kReadSize = 256 * 1024;    // compressed input read at once
constexpr size_t kBlockHeader = 8;

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t CabBlockChecksum(const unsigned char* data, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    for (size_t words = size / 4; words > 0; --words, data += 4) sum ^= Get32(data);
    uint32_t tail = 0;
    switch (size & 3) {
        case 3:
            tail |= static_cast<uint32_t>(*data++) << 16;
            [[fallthrough]];
        case 2:
            tail |= static_cast<uint32_t>(*data++) << 8;
            [[fallthrough]];
        case 1:
            tail |= *data;
            break;
        default:
            break;
    }
    return sum ^ tail;
}

struct CabFolderStream::State {
    explicit State(FdiFileCallbacks& f) : files(f) {}
    ~State() {
        CloseInput();
        if (inflating) inflateEnd(&z);
    }

    FdiFileCallbacks& files;

    // The folder and the place of its next block.
    const void* folder = nullptr;
    int method = -1;
    const std::vector<CabDataSegment>* segments = nullptr;
    size_t segment = 0;
    uint32_t block = 0;
    bool positioned = false;  // the input stands at that block

    // The cabinet being read, through a buffer.
    intptr_t input = -1;
    std::string inputPath;
    std::vector<unsigned char> in;
    size_t inBegin = 0, inEnd = 0;
    std::vector<unsigned char> joined;  // the pieces of a block cut at a cabinet's end

    // Decoded data: out[0, used) is the folder's output from `base` on; its last 32 KB are
    // the next MSZIP block's dictionary.
    std::vector<unsigned char> out;
    size_t used = 0;
    uint64_t base = 0;

    z_stream z{};
    bool inflating = false;

    void CloseInput() {
        if (input != -1) files.Close(input);
        input = -1;
        inputPath.clear();
    }

    void Restart(const void* f, int m) {
        folder = f;
        method = m;
        segment = 0;
        block = 0;
        positioned = false;
        used = 0;
        base = 0;
    }

    // Moves the input to the first block of `segment`.
    int Position() {
        const CabDataSegment& s = (*segments)[segment];
        if (inputPath != s.cabinet) {
            CloseInput();
            input = files.Open(s.cabinet, FDI_O_BINARY | FDI_O_RDONLY);
            if (input == -1) return FDIERROR_CABINET_NOT_FOUND;
            inputPath = s.cabinet;
        }
        if (files.Seek(input, s.offset, SEEK_SET) != s.offset) return FDIERROR_CORRUPT_CABINET;
        inBegin = inEnd = 0;
        positioned = true;
        return FDIERROR_NONE;
    }

    // The next `count` input bytes, contiguous; null when the cabinet ends first.
    const unsigned char* Take(size_t count) {
        if (inEnd - inBegin < count) {
            if (in.size() < kReadSize) in.resize(kReadSize);
            std::memmove(in.data(), in.data() + inBegin, inEnd - inBegin);
            inEnd -= inBegin;
            inBegin = 0;
            while (inEnd < count) {
                int n =
                    files.Read(input, in.data() + inEnd, static_cast<unsigned>(in.size() - inEnd));
                if (n <= 0) return nullptr;
                inEnd += static_cast<size_t>(n);
            }
        }
        const unsigned char* p = in.data() + inBegin;
        inBegin += count;
        return p;
    }

    // Reads one block at the current place: its data, and its uncompressed size (0 for a
    // block cut at the end of its cabinet).
    int ReadPiece(const unsigned char*& data, size_t& size, size_t& uncompressed) {
        while (segment < segments->size() && block >= (*segments)[segment].blocks) {
            ++segment;
            block = 0;
            positioned = false;
        }
        if (segment >= segments->size()) return FDIERROR_CORRUPT_CABINET;
        if (!positioned) {
            if (int rc = Position(); rc != FDIERROR_NONE) return rc;
        }
        const unsigned char* h = Take(kBlockHeader + (*segments)[segment].dataReserve);
        if (!h) return FDIERROR_CORRUPT_CABINET;
        unsigned char sizes[4];
        std::memcpy(sizes, h + 4, 4);
        const uint32_t sum = Get32(h);
        size = Get16(sizes);
        uncompressed = Get16(sizes + 2);
        if (size > kInputMax || uncompressed > kBlockMax) return FDIERROR_CORRUPT_CABINET;
        data = Take(size);
        if (!data) return FDIERROR_CORRUPT_CABINET;
        if (sum != 0 && CabBlockChecksum(sizes, 4, CabBlockChecksum(data, size, 0)) != sum) {
            return FDIERROR_CORRUPT_CABINET;
        }
        ++block;
        // Only a segment's last block may be cut.
        if (uncompressed == 0 && block != (*segments)[segment].blocks) {
            return FDIERROR_CORRUPT_CABINET;
        }
        return FDIERROR_NONE;
    }

    // The next whole block, its pieces joined when it was cut.
    int ReadBlock(const unsigned char*& data, size_t& size, size_t& uncompressed) {
        if (int rc = ReadPiece(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
        if (uncompressed != 0) return FDIERROR_NONE;
        joined.assign(data, data + size);
        while (uncompressed == 0) {
            if (segment + 1 >= segments->size()) return FDIERROR_CORRUPT_CABINET;
            if (int rc = ReadPiece(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
            if (joined.size() + size > kInputMax) return FDIERROR_CORRUPT_CABINET;
            joined.insert(joined.end(), data, data + size);
        }
        data = joined.data();
        size = joined.size();
        return FDIERROR_NONE;
    }

    // Decodes the next block behind the data held, which leaves room for one.
    int DecodeBlock() {
        const unsigned char* data = nullptr;
        size_t size = 0, uncompressed = 0;
        if (int rc = ReadBlock(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
        unsigned char* target = out.data() + used;
        if (method == kCabMethodStored) {
            if (size != uncompressed) return FDIERROR_CORRUPT_CABINET;
            std::memcpy(target, data, size);
        } else {
            if (size < 2 || data[0] != 'C' || data[1] != 'K') return FDIERROR_CORRUPT_CABINET;
            if (!inflating) {
                if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return FDIERROR_ALLOC_FAIL;
                inflating = true;
            } else if (inflateReset(&z) != Z_OK) {
                return FDIERROR_CORRUPT_CABINET;
            }
            const size_t history = std::min(used, kHistory);
            if (history > 0 &&
                inflateSetDictionary(&z, target - history, static_cast<uInt>(history)) != Z_OK) {
                return FDIERROR_CORRUPT_CABINET;
            }
            z.next_in = const_cast<Bytef*>(data + 2);
            z.avail_in = static_cast<uInt>(size - 2);
            z.next_out = target;
            z.avail_out = static_cast<uInt>(uncompressed);
            // The block must end its deflate stream exactly at its stated size.
            if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.avail_out != 0) {
                return FDIERROR_CORRUPT_CABINET;
            }
        }
        used += uncompressed;
        return FDIERROR_NONE;
    }

    // Drops what was written, keeping the dictionary of the next block.
    void Compact() {
        const size_t keep = std::min(used, kHistory);
        std::memmove(out.data(), out.data() + used - keep, keep);
        base += used - keep;
        used = keep;
    }

    int Extract(uint64_t offset, uint64_t end, intptr_t hf) {
        if (out.size() < kHistory + kOutputSize) out.resize(kHistory + kOutputSize);
        uint64_t pos = offset;
        while (pos < end) {
            const uint64_t have = base + used;
            // Blocks are decoded until the file is covered or the buffer is full, so it is
            // written in few large pieces; the rest of the last block serves the next file.
            if (have < end && out.size() - used >= kBlockMax) {
                if (int rc = DecodeBlock(); rc != FDIERROR_NONE) return rc;
                continue;
            }
            if (pos < have) {
                const size_t count = static_cast<size_t>(std::min(end, have) - pos);
                const unsigned char* from = out.data() + (pos - base);
                if (files.Write(hf, from, static_cast<unsigned>(count)) !=
                    static_cast<int>(count)) {
                    return FDIERROR_TARGET_FILE;
                }
                pos += count;
            }
            if (pos < end) Compact();
        }
        return FDIERROR_NONE;
    }
};

CabFolderStream::CabFolderStream(FdiFileCallbacks& files)
    : state_(std::make_unique<State>(files)) {}

CabFolderStream::~CabFolderStream() = default;

void CabFolderStream::Reset() {
    state_->CloseInput();
    state_->Restart(nullptr, -1);
}

int CabFolderStream::Extract(const void* folder, int method,
                             const std::vector<CabDataSegment>& segments, uint32_t offset,
                             uint32_t size, intptr_t hf) {
    if (method != kCabMethodStored && method != kCabMethodMszip) return FDIERROR_BAD_COMPR_TYPE;
    State& s = *state_;
    const uint64_t end = static_cast<uint64_t>(offset) + size;
    // No file reaches past the blocks its folder has.
    uint64_t blocks = 0;
    for (const CabDataSegment& seg : segments) blocks += seg.blocks;
    if (end > blocks * kBlockMax) return FDIERROR_CORRUPT_CABINET;
    if (folder != s.folder || method != s.method || offset < s.base) s.Restart(folder, method);
    s.segments = &segments;
    int rc = FDIERROR_NONE;
    try {
        rc = s.Extract(offset, end, hf);
    } catch (const std::bad_alloc&) {
        rc = FDIERROR_ALLOC_FAIL;
    }
    s.segments = nullptr;
    // A failed block leaves the stream's place unknown: the folder starts again next time.
    if (rc != FDIERROR_NONE && rc != FDIERROR_TARGET_FILE) Reset();
    return rc;
}

}  // namespace vrnx2
