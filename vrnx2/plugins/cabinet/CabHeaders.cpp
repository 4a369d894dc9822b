#include "vrnx2/plugins/cabinet/CabHeaders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "vrnx2/plugins/cabinet/CabIntf.h"

namespace vrnx2 {

namespace {

// Sequential reads through the decoder's file callbacks, buffered; any short read is a
// cabinet cut short.
class TableReader {
public:
    TableReader(FdiFileCallbacks& files, intptr_t hf) : files_(files), hf_(hf) {}

    bool Seek(uint32_t offset) {
        if (files_.Seek(hf_, offset, SEEK_SET) < 0) return false;
        begin_ = end_ = 0;
        return true;
    }
    bool Bytes(void* out, size_t count) {
        auto* dst = static_cast<unsigned char*>(out);
        while (count > 0) {
            if (begin_ == end_ && !Fill()) return false;
            size_t n = std::min(count, end_ - begin_);
            std::memcpy(dst, buffer_ + begin_, n);
            begin_ += n;
            dst += n;
            count -= n;
        }
        return true;
    }
    bool Skip(size_t count) {
        unsigned char sink[256];
        while (count > 0) {
            size_t n = std::min(count, sizeof sink);
            if (!Bytes(sink, n)) return false;
            count -= n;
        }
        return true;
    }
    bool U8(uint8_t& v) { return Bytes(&v, 1); }
    bool U16(uint16_t& v) {
        unsigned char b[2];
        if (!Bytes(b, 2)) return false;
        v = static_cast<uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(uint32_t& v) {
        unsigned char b[4];
        if (!Bytes(b, 4)) return false;
        v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
            (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
        return true;
    }
    // A zero-terminated string of at most 255 bytes.
    bool String(std::string& s) {
        s.clear();
        for (;;) {
            uint8_t c = 0;
            if (!U8(c)) return false;
            if (c == 0) return true;
            if (s.size() == 255) return false;
            s.push_back(static_cast<char>(c));
        }
    }

private:
    bool Fill() {
        int n = files_.Read(hf_, buffer_, sizeof buffer_);
        if (n <= 0) return false;
        begin_ = 0;
        end_ = static_cast<size_t>(n);
        return true;
    }

    FdiFileCallbacks& files_;
    intptr_t hf_;
    unsigned char buffer_[8192];
    size_t begin_ = 0, end_ = 0;
};

}  // namespace

int ReadCabHeader(FdiFileCallbacks& files, intptr_t hf, CabHeader& h) {
    h = CabHeader{};
    TableReader in(files, hf);
    char signature[4];
    if (!in.Bytes(signature, 4) || std::memcmp(signature, "MSCF", 4) != 0) {
        return FDIERROR_NOT_A_CABINET;
    }
    uint32_t reserved1 = 0, cabinetSize = 0, reserved2 = 0, filesOffset = 0, reserved3 = 0;
    uint16_t folderCount = 0, fileCount = 0;
    if (!in.U32(reserved1) || !in.U32(cabinetSize) || !in.U32(reserved2) || !in.U32(filesOffset) ||
        !in.U32(reserved3) || !in.U8(h.versionMinor) || !in.U8(h.versionMajor) ||
        !in.U16(folderCount) || !in.U16(fileCount) || !in.U16(h.flags) || !in.U16(h.setID) ||
        !in.U16(h.iCabinet)) {
        return FDIERROR_CORRUPT_CABINET;
    }
    if (h.versionMajor != 1) return FDIERROR_UNKNOWN_CABINET_VERSION;
    if (h.flags & kCabFlagReservePresent) {
        if (!in.U16(h.headerReserve) || !in.U8(h.folderReserve) || !in.U8(h.dataReserve) ||
            !in.Skip(h.headerReserve)) {
            return FDIERROR_CORRUPT_CABINET;
        }
    }
    if (h.flags & kCabFlagPrevCabinet) {
        if (!in.String(h.prevCabinet) || !in.String(h.prevDisk)) return FDIERROR_CORRUPT_CABINET;
    }
    if (h.flags & kCabFlagNextCabinet) {
        if (!in.String(h.nextCabinet) || !in.String(h.nextDisk)) return FDIERROR_CORRUPT_CABINET;
    }
    h.folders.resize(folderCount);
    for (CabFolderEntry& f : h.folders) {
        if (!in.U32(f.dataOffset) || !in.U16(f.dataBlocks) || !in.U16(f.compression) ||
            !in.Skip(h.folderReserve)) {
            return FDIERROR_CORRUPT_CABINET;
        }
    }
    if (fileCount > 0 && !in.Seek(filesOffset)) return FDIERROR_CORRUPT_CABINET;
    h.files.resize(fileCount);
    for (CabFileEntry& f : h.files) {
        if (!in.U32(f.size) || !in.U32(f.offset) || !in.U16(f.folder) || !in.U16(f.date) ||
            !in.U16(f.time) || !in.U16(f.attribs) || !in.String(f.name) || f.name.empty()) {
            return FDIERROR_CORRUPT_CABINET;
        }
        // A file belongs to a folder of this cabinet, and spans only where the header
        // names the neighbouring cabinet.
        if (folderCount == 0) return FDIERROR_CORRUPT_CABINET;
        if (f.folder < kFolderContinuedFromPrev && f.folder >= folderCount) {
            return FDIERROR_CORRUPT_CABINET;
        }
        if (f.ContinuedFromPrev() && !(h.flags & kCabFlagPrevCabinet)) {
            return FDIERROR_CORRUPT_CABINET;
        }
        if (f.ContinuedToNext() && !(h.flags & kCabFlagNextCabinet)) {
            return FDIERROR_CORRUPT_CABINET;
        }
    }
    return FDIERROR_NONE;
}

}  // namespace vrnx2
