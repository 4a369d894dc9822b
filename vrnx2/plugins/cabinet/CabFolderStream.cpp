#include "vrnx2/plugins/cabinet/CabFolderStream.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "vrnx2/plugins/cabinet/CabIntf.h"

namespace vrnx2 {

namespace {

constexpr size_t kBlockMax = 32768;         // uncompressed bytes of one block
constexpr size_t kInputMax = 32768 + 6144;  // compressed bytes of one block, all its pieces
constexpr size_t kHistory = 32768;          // what MSZIP carries from one block to the next
constexpr size_t kChunkSize = 1 << 20;      // decoded data handed over at once
constexpr size_t kReadSize = 256 * 1024;    // compressed input read at once
constexpr size_t kBlockHeader = 8;
// Not an FdiError: the blocks known so far are used up (a following cabinet may add more).
constexpr int kEnd = -1;

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
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at a time: both halves are little-endian words of the sum.
        uint64_t wide = 0;
        for (; size >= 8; size -= 8, data += 8) {
            uint64_t v;
            std::memcpy(&v, data, 8);
            wide ^= v;
        }
        sum ^= static_cast<uint32_t>(wide) ^ static_cast<uint32_t>(wide >> 32);
    }
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

// The calling thread reads the compressed blocks (all file access stays on it) and writes
// the targets; for MSZIP a worker thread inflates, one chunk of up to 1 MB ahead, so that
// inflating the next files overlaps with creating and writing this one.
struct CabFolderStream::State {
    explicit State(FdiFileCallbacks& f) : files(f) {}
    ~State() {
        if (thread.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                stopping = true;
            }
            wake.notify_all();
            thread.join();
        }
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
    int64_t inBase = 0;   // offset in the cabinet of in[0]
    int64_t resume = -1;  // where Position() goes in the segment, when not to its start
    std::vector<unsigned char> joined;  // the pieces of a block cut at a cabinet's end

    // Compressed blocks for one chunk, back to back.
    struct Batch {
        std::vector<unsigned char> bytes;
        std::vector<std::pair<size_t, size_t>> blocks;  // compressed, uncompressed size
    } batch;

    // Decoded data: `size` bytes of the folder's output from `base` on. `error` is what
    // comes after them: FDIERROR_NONE (more follows), kEnd, or why the folder cannot go on.
    struct Chunk {
        std::vector<unsigned char> data;
        size_t size = 0;
        uint64_t base = 0;
        int error = FDIERROR_NONE;
    };
    Chunk chunks[2];
    Chunk* current = nullptr;   // being written from
    Chunk* spare = &chunks[0];  // free, or being decoded while `busy`

    // The worker and its job.
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake, finished;
    bool busy = false, queued = false, done = false, stopping = false;
    int jobTail = FDIERROR_NONE;
    // Only the worker touches these while it is busy.
    z_stream z{};
    bool inflating = false;
    unsigned char dict[kHistory];  // the last output of the previous chunk
    size_t dictLen = 0;
    std::vector<unsigned char> scratch;

    void CloseInput() {
        if (input != -1) files.Close(input);
        input = -1;
        inputPath.clear();
    }

    void Restart(const void* f, int m) {
        Wait();
        folder = f;
        method = m;
        segment = 0;
        block = 0;
        positioned = false;
        resume = -1;
        current = nullptr;
        spare = &chunks[0];
        dictLen = 0;
    }

    // Moves the input to the first block of `segment` (or to `resume`).
    int Position() {
        const CabDataSegment& s = (*segments)[segment];
        if (inputPath != s.cabinet) {
            CloseInput();
            input = files.Open(s.cabinet, FDI_O_BINARY | FDI_O_RDONLY);
            if (input == -1) return FDIERROR_CABINET_NOT_FOUND;
            inputPath = s.cabinet;
        }
        const int64_t at = resume >= 0 ? resume : s.offset;
        resume = -1;
        if (files.Seek(input, at, SEEK_SET) != at) return FDIERROR_CORRUPT_CABINET;
        inBase = at;
        inBegin = inEnd = 0;
        positioned = true;
        return FDIERROR_NONE;
    }

    // The next `count` input bytes, contiguous; null when the cabinet ends first.
    const unsigned char* Take(size_t count) {
        if (inEnd - inBegin < count) {
            if (in.size() < kReadSize) in.resize(kReadSize);
            std::memmove(in.data(), in.data() + inBegin, inEnd - inBegin);
            inBase += static_cast<int64_t>(inBegin);
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

    // Puts the input at the next block, past the segments used up; kEnd when there is none.
    int Place() {
        while (segment < segments->size() && block >= (*segments)[segment].blocks) {
            ++segment;
            block = 0;
            positioned = false;
        }
        if (segment >= segments->size()) return kEnd;
        return positioned ? FDIERROR_NONE : Position();
    }

    // Reads one block at the current place: its data, and its uncompressed size (0 for a
    // block cut at the end of its cabinet).
    int ReadPiece(const unsigned char*& data, size_t& size, size_t& uncompressed) {
        if (int rc = Place(); rc != FDIERROR_NONE)
            return rc == kEnd ? FDIERROR_CORRUPT_CABINET : rc;
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
    // kEnd, with the place kept at the block, when it is cut and its rest lies in a cabinet
    // not joined yet.
    int ReadBlock(const unsigned char*& data, size_t& size, size_t& uncompressed) {
        if (int rc = Place(); rc != FDIERROR_NONE) return rc;
        const size_t startSegment = segment;
        const uint32_t startBlock = block;
        const int64_t start = inBase + static_cast<int64_t>(inBegin);
        auto later = [&] {
            segment = startSegment;
            block = startBlock;
            resume = start;
            positioned = false;
            return kEnd;
        };
        if (int rc = ReadPiece(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
        if (uncompressed != 0) return FDIERROR_NONE;
        joined.assign(data, data + size);
        while (uncompressed == 0) {
            if (segment + 1 >= segments->size()) return later();
            if (int rc = ReadPiece(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
            if (joined.size() + size > kInputMax) return FDIERROR_CORRUPT_CABINET;
            joined.insert(joined.end(), data, data + size);
        }
        data = joined.data();
        size = joined.size();
        return FDIERROR_NONE;
    }

    // Reads the blocks of the next chunk into `batch`. Returns FDIERROR_NONE when the chunk
    // is full, kEnd when the blocks known so far are used up (a later call, with cabinets
    // joined since, goes on from there), or why reading failed.
    // Stored blocks go straight into `spare`, which is free whenever this is called.
    int ReadBatch() {
        batch.bytes.clear();
        batch.blocks.clear();
        if (spare->data.size() < kChunkSize) spare->data.resize(kChunkSize);
        spare->base = current ? current->base + current->size : 0;
        spare->size = 0;
        spare->error = FDIERROR_NONE;
        size_t total = 0;
        while (total + kBlockMax <= kChunkSize) {
            const unsigned char* data = nullptr;
            size_t size = 0, uncompressed = 0;
            if (int rc = ReadBlock(data, size, uncompressed); rc != FDIERROR_NONE) return rc;
            if (method == kCabMethodStored) {
                if (size != uncompressed) return FDIERROR_CORRUPT_CABINET;
                std::memcpy(spare->data.data() + total, data, size);
                spare->size += size;
            } else {
                batch.bytes.insert(batch.bytes.end(), data, data + size);
            }
            batch.blocks.emplace_back(size, uncompressed);
            total += uncompressed;
        }
        return FDIERROR_NONE;
    }

    // Hands `batch` to the worker, to be decoded into `spare` behind the current chunk;
    // stored data is there already.
    void Dispatch(int tail) {
        if (method == kCabMethodStored) {
            spare->error = tail;
            busy = done = true;
            return;
        }
        if (!thread.joinable()) thread = std::thread([this] { Work(); });
        {
            std::lock_guard<std::mutex> lock(mutex);
            jobTail = tail;
            busy = queued = true;
            done = false;
        }
        wake.notify_all();
    }

    // Waits until the worker is idle.
    void Wait() {
        if (!busy) return;
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [this] { return done; });
        busy = false;
    }

    void Work() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || queued; });
            if (stopping) return;
            queued = false;
            lock.unlock();
            DecodeBatch();
            lock.lock();
            done = true;
            finished.notify_all();
        }
    }

    // The worker's part: every block of `batch` into `spare`.
    void DecodeBatch() {
        Chunk& c = *spare;
        const unsigned char* data = batch.bytes.data();
        for (const auto& [size, uncompressed] : batch.blocks) {
            int rc = DecodeBlock(c, data, size, uncompressed);
            data += size;
            if (rc != FDIERROR_NONE) {
                c.error = rc;
                return;
            }
            c.size += uncompressed;
        }
        c.error = jobTail;
        Remember(c.data.data(), c.size);
    }

    int DecodeBlock(Chunk& c, const unsigned char* data, size_t size, size_t uncompressed) {
        unsigned char* target = c.data.data() + c.size;
        if (size < 2 || data[0] != 'C' || data[1] != 'K') return FDIERROR_CORRUPT_CABINET;
        if (!inflating) {
            if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return FDIERROR_ALLOC_FAIL;
            inflating = true;
        } else if (inflateReset(&z) != Z_OK) {
            return FDIERROR_CORRUPT_CABINET;
        }
        // The dictionary is the folder's last 32 KB: in this chunk, or partly before it.
        const unsigned char* history = target - std::min(c.size, kHistory);
        size_t historyLen = std::min(c.size, kHistory);
        if (c.size < kHistory && dictLen > 0) {
            const size_t before = std::min(dictLen, kHistory - c.size);
            scratch.assign(dict + dictLen - before, dict + dictLen);
            scratch.insert(scratch.end(), c.data.data(), target);
            history = scratch.data();
            historyLen = scratch.size();
        }
        if (historyLen > 0 &&
            inflateSetDictionary(&z, history, static_cast<uInt>(historyLen)) != Z_OK) {
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
        return FDIERROR_NONE;
    }

    // Keeps the last 32 KB of the output for the next chunk's first block.
    void Remember(const unsigned char* p, size_t n) {
        if (n >= kHistory) {
            std::memcpy(dict, p + n - kHistory, kHistory);
            dictLen = kHistory;
            return;
        }
        const size_t keep = std::min(dictLen, kHistory - n);
        std::memmove(dict, dict + dictLen - keep, keep);
        std::memcpy(dict + keep, p, n);
        dictLen = keep + n;
    }

    // Makes the chunk after the current one current.
    int Advance() {
        if (!busy) {
            const int tail = current ? current->error : kEnd;
            if (tail != kEnd && tail != FDIERROR_NONE) return tail;
            const int rc = ReadBatch();
            if (batch.blocks.empty()) return rc == kEnd ? FDIERROR_CORRUPT_CABINET : rc;
            Dispatch(rc);
        }
        Wait();
        std::swap(current, spare);
        if (!spare) spare = current == &chunks[0] ? &chunks[1] : &chunks[0];
        // The next chunk is decoded while this one is written.
        if (current->error == FDIERROR_NONE) {
            const int rc = ReadBatch();
            if (!batch.blocks.empty()) {
                Dispatch(rc);
            } else {
                current->error = rc;
            }
        }
        return FDIERROR_NONE;
    }

    int Extract(uint64_t offset, uint64_t end, intptr_t hf) {
        uint64_t pos = offset;
        while (pos < end) {
            if (current && pos < current->base + current->size) {
                const uint64_t stop = std::min(end, current->base + current->size);
                const size_t count = static_cast<size_t>(stop - pos);
                const unsigned char* from = current->data.data() + (pos - current->base);
                if (files.Write(hf, from, static_cast<unsigned>(count)) !=
                    static_cast<int>(count)) {
                    return FDIERROR_TARGET_FILE;
                }
                pos = stop;
                continue;
            }
            if (int rc = Advance(); rc != FDIERROR_NONE) return rc;
        }
        return FDIERROR_NONE;
    }
};

CabFolderStream::CabFolderStream(FdiFileCallbacks& files)
    : state_(std::make_unique<State>(files)) {}

CabFolderStream::~CabFolderStream() = default;

void CabFolderStream::Reset() {
    state_->Restart(nullptr, -1);
    state_->CloseInput();
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
    if (folder != s.folder || method != s.method || (s.current && offset < s.current->base)) {
        s.Restart(folder, method);
    }
    s.segments = &segments;
    int rc = FDIERROR_NONE;
    try {
        rc = s.Extract(offset, end, hf);
    } catch (const std::bad_alloc&) {
        rc = FDIERROR_ALLOC_FAIL;
    }
    // Blocks read ahead were taken from these segments; later calls bring them again.
    s.segments = nullptr;
    // A failed block leaves the stream's place unknown: the folder starts again next time.
    if (rc != FDIERROR_NONE && rc != FDIERROR_TARGET_FILE) Reset();
    return rc;
}

}  // namespace vrnx2
