#include "vrnx2/plugins/cabinet/CabFolderStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <map>

#include "CabFixture.h"
#include "vrnx2/plugins/cabinet/CabHeaders.h"
#include "vrnx2/plugins/cabinet/CabIntf.h"

using namespace vrnx2;

namespace {

// Cabinets are read from disk and counted; targets are handles 1000 and up, kept in memory.
class CountingFiles : public FdiFileCallbacks {
public:
    intptr_t Open(const std::string& name, int) override {
        ++opens;
        int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        return fd < 0 ? -1 : fd;
    }
    int Read(intptr_t hf, void* buffer, unsigned count) override {
        ssize_t n = ::read(static_cast<int>(hf), buffer, count);
        if (n > 0) bytesRead += static_cast<size_t>(n);
        return static_cast<int>(n);
    }
    int Write(intptr_t hf, const void* buffer, unsigned count) override {
        ++writes[hf];
        targets[hf].append(static_cast<const char*>(buffer), count);
        return failWrites ? -1 : static_cast<int>(count);
    }
    int Close(intptr_t hf) override { return ::close(static_cast<int>(hf)); }
    int64_t Seek(intptr_t hf, int64_t offset, int origin) override {
        return ::lseek(static_cast<int>(hf), offset, origin);
    }

    int opens = 0;
    size_t bytesRead = 0;
    bool failWrites = false;
    std::map<intptr_t, std::string> targets;
    std::map<intptr_t, int> writes;
};

class FolderStream : public CabFixture {
protected:
    // Writes a one-folder cabinet of `entries` and returns its tables.
    CabHeader Write(const std::vector<cabtest::Entry>& entries, cabtest::Compression c) {
        path_ = Put("f.cab", cabtest::BuildCabinet(entries, c));
        intptr_t hf = files_.Open(path_, 0);
        CabHeader h;
        EXPECT_EQ(ReadCabHeader(files_, hf, h), FDIERROR_NONE);
        files_.Close(hf);
        files_.opens = 0;
        files_.bytesRead = 0;
        segments_ = {{path_, h.folders[0].dataOffset, h.folders[0].dataBlocks, 0}};
        return h;
    }
    int Extract(CabFolderStream& s, const CabFileEntry& e, intptr_t hf, int method) {
        return s.Extract(&segments_, method, segments_, e.offset, e.size, hf);
    }

    CountingFiles files_;
    std::string path_;
    std::vector<CabDataSegment> segments_;
};

}  // namespace

TEST_F(FolderStream, DecodesAFolderOnceAndWritesEachFileInLargePieces) {
    // Repeats reach back across block boundaries, so every block needs the one before.
    const std::string piece = Pattern(5000, 30);
    std::vector<cabtest::Entry> entries;
    for (int i = 0; i < 40; ++i) entries.push_back({"f" + std::to_string(i), piece + piece});
    entries.push_back({"big.bin", Pattern(3'500'000, 31)});
    for (cabtest::Compression c : {cabtest::Compression::Mszip, cabtest::Compression::Stored}) {
        SCOPED_TRACE(static_cast<int>(c));
        const int method = c == cabtest::Compression::Mszip ? kCabMethodMszip : kCabMethodStored;
        CabHeader h = Write(entries, c);
        if (c == cabtest::Compression::Mszip) {
            // The second block repeats the first: with the first as its dictionary it is tiny.
            const std::string bytes = Read(path_);
            const size_t first = h.folders[0].dataOffset;
            const size_t second = first + 8 +
                                  (static_cast<unsigned char>(bytes[first + 4]) |
                                   static_cast<unsigned char>(bytes[first + 5]) << 8);
            EXPECT_LT(static_cast<unsigned char>(bytes[second + 5]), 4) << "over 1 KB";
        }
        files_.targets.clear();
        files_.writes.clear();
        CabFolderStream stream(files_);
        for (size_t i = 0; i < h.files.size(); ++i) {
            ASSERT_EQ(Extract(stream, h.files[i], 1000 + i, method), FDIERROR_NONE) << i;
            EXPECT_EQ(files_.targets[1000 + i], entries[i].data) << i;
        }
        EXPECT_EQ(files_.opens, 1);
        EXPECT_LE(files_.bytesRead, fs::file_size(path_));
        for (size_t i = 0; i + 1 < h.files.size(); ++i) EXPECT_EQ(files_.writes[1000 + i], 1) << i;
        EXPECT_LE(files_.writes[1000 + h.files.size() - 1], 5);

        // A file before what the stream holds starts the folder again.
        ASSERT_EQ(Extract(stream, h.files[3], 2000, method), FDIERROR_NONE);
        EXPECT_EQ(files_.targets[2000], entries[3].data);
    }
}

TEST_F(FolderStream, DamagedBlocksAndImpossibleFilesAreCorrupt) {
    const std::vector<cabtest::Entry> entries = {{"a", Pattern(70000, 32)}, {"b", "tail"}};
    CabHeader h = Write(entries, cabtest::Compression::Mszip);
    const std::string good = Read(path_);
    const size_t block = h.folders[0].dataOffset;  // checksum, sizes, then "CK"
    auto damaged = [&](size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return bytes;
    };
    auto unsummed = [&](std::string bytes) {
        bytes.replace(block, 4, 4, '\0');
        return bytes;
    };
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"checksum differs", damaged(block + 12, static_cast<char>(good[block + 12] ^ 0x20))},
        {"no CK", unsummed(damaged(block + 8, 'X'))},
        {"deflate data broken", unsummed(damaged(block + 10, '\xFF'))},
        {"more than 32 KB stated", unsummed(damaged(block + 7, '\x81'))},
        {"more output than stated", unsummed(damaged(block + 7, '\x40'))},
        {"compressed size over the limit", unsummed(damaged(block + 5, '\x99'))},
        {"cut block that is not the last",
         unsummed(damaged(block + 7, 0).replace(block + 6, 1, 1, 0))},
        {"cabinet cut short", good.substr(0, good.size() - 3)},
    };
    for (const Row& r : rows) {
        cabtest::WriteBytes(path_, r.bytes);
        CabFolderStream stream(files_);
        EXPECT_EQ(Extract(stream, h.files[0], 1000, kCabMethodMszip), FDIERROR_CORRUPT_CABINET)
            << r.name;
    }
    cabtest::WriteBytes(path_, good);
    CabFolderStream stream(files_);
    CabFileEntry beyond = h.files[1];
    beyond.offset = 3 * 32768;
    EXPECT_EQ(Extract(stream, beyond, 1000, kCabMethodMszip), FDIERROR_CORRUPT_CABINET);
    // The folder ends before this file does: the blocks run out.
    beyond.offset = 70000;
    beyond.size = 20000;
    EXPECT_EQ(Extract(stream, beyond, 1000, kCabMethodMszip), FDIERROR_CORRUPT_CABINET);
    files_.failWrites = true;
    EXPECT_EQ(Extract(stream, h.files[0], 1001, kCabMethodMszip), FDIERROR_TARGET_FILE);
}

TEST_F(FolderStream, BlockCutAtACabinetsEndWaitsForTheNextCabinet) {
    // "a" lies in the first block; the second is cut, its rest in the second cabinet.
    const std::vector<cabtest::Entry> entries = {{"a", Pattern(30000, 33)},
                                                 {"b", Pattern(50000, 34)}};
    for (cabtest::Compression c : {cabtest::Compression::Mszip, cabtest::Compression::Stored}) {
        SCOPED_TRACE(static_cast<int>(c));
        const int method = c == cabtest::Compression::Mszip ? kCabMethodMszip : kCabMethodStored;
        cabtest::Layout layout;
        layout.compression = c;
        layout.blocksPerCabinet = {2};
        const auto set = cabtest::BuildSet(entries, layout);
        std::vector<CabHeader> headers(2);
        std::vector<CabDataSegment> all;
        for (size_t i = 0; i < 2; ++i) {
            const std::string path = Put("part" + std::to_string(i + 1) + ".cab", set[i]);
            intptr_t hf = files_.Open(path, 0);
            ASSERT_EQ(ReadCabHeader(files_, hf, headers[i]), FDIERROR_NONE);
            files_.Close(hf);
            all.push_back(
                {path, headers[i].folders[0].dataOffset, headers[i].folders[0].dataBlocks, 0});
        }
        files_.targets.clear();
        CabFolderStream stream(files_);
        const std::vector<CabDataSegment> first = {all[0]};
        const CabFileEntry& a = headers[0].files[0];
        const CabFileEntry& b = headers[0].files[1];
        ASSERT_EQ(stream.Extract(&files_, method, first, a.offset, a.size, 1000), FDIERROR_NONE);
        EXPECT_EQ(files_.targets[1000], entries[0].data);
        ASSERT_EQ(stream.Extract(&files_, method, all, b.offset, b.size, 1001), FDIERROR_NONE);
        EXPECT_EQ(files_.targets[1001], entries[1].data);
    }
}
