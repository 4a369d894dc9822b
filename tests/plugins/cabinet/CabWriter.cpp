#include "CabWriter.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>

namespace cabtest {

namespace {

constexpr size_t kBlockSize = 32768;

struct Block {
    std::string bytes;
    uint16_t uncompressed = 0;
};

struct Folder {
    std::vector<size_t> entries;    // indices into the caller's entries
    std::vector<uint32_t> offsets;  // of each entry in the stream
    std::vector<Block> blocks;
    size_t firstGlobal = 0;  // index of its first block in the whole set
};

// One MSZIP block: "CK" and a deflate stream of its own, which may refer back into the
// previous 32 KB of the folder (`history`), as the format's compressors write it.
std::string Deflate(const std::string& in, const std::string& history) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    if (!history.empty() && deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(history.data()),
                                                 static_cast<uInt>(history.size())) != Z_OK) {
        throw std::runtime_error("deflateSetDictionary");
    }
    std::string out(deflateBound(&z, in.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    return "CK" + out;
}

// The sum of a data block's header (its two size fields) and data, as readers check it:
// little-endian words, and a last partial word taken high byte first.
uint32_t Checksum(const std::string& header, const std::string& data) {
    auto sum = [](const std::string& bytes, uint32_t seed) {
        size_t i = 0;
        for (; i + 4 <= bytes.size(); i += 4) {
            uint32_t word = 0;
            for (size_t k = 4; k-- > 0;)
                word = (word << 8) | static_cast<unsigned char>(bytes[i + k]);
            seed ^= word;
        }
        uint32_t tail = 0;
        for (; i < bytes.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(bytes[i]);
        return seed ^ tail;
    };
    return sum(header, sum(data, 0));
}

void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
void PutString(std::string& s, const std::string& v) {
    s += v;
    s.push_back('\0');
}

}  // namespace

std::vector<std::string> BuildSet(const std::vector<Entry>& entries, const Layout& layout) {
    // Folders in ascending number; files keep their order within a folder.
    std::map<unsigned, Folder> byNumber;
    for (size_t i = 0; i < entries.size(); ++i) byNumber[entries[i].folder].entries.push_back(i);
    std::vector<Folder> folders;
    for (auto& [number, f] : byNumber) folders.push_back(std::move(f));

    size_t totalBlocks = 0;
    for (Folder& f : folders) {
        std::string stream;
        for (size_t i : f.entries) {
            f.offsets.push_back(static_cast<uint32_t>(stream.size()));
            stream += entries[i].data;
        }
        for (size_t at = 0; at < stream.size(); at += kBlockSize) {
            std::string piece = stream.substr(at, kBlockSize);
            Block b;
            b.uncompressed = static_cast<uint16_t>(piece.size());
            const size_t keep = std::min(at, kBlockSize);
            b.bytes = layout.compression == Compression::Mszip
                          ? Deflate(piece, stream.substr(at - keep, keep))
                          : piece;
            f.blocks.push_back(std::move(b));
        }
        f.firstGlobal = totalBlocks;
        totalBlocks += f.blocks.size();
    }

    const size_t cabinets = layout.blocksPerCabinet.size() + 1;
    std::vector<size_t> cabStart(cabinets + 1, 0);
    for (size_t k = 0; k < layout.blocksPerCabinet.size(); ++k) {
        cabStart[k + 1] = cabStart[k] + layout.blocksPerCabinet[k];
    }
    cabStart[cabinets] = std::max(totalBlocks, cabStart[cabinets - 1]);
    auto cabOf = [&](size_t global) {
        size_t k = 0;
        while (k + 1 < cabinets && global >= cabStart[k + 1]) ++k;
        return k;
    };
    std::vector<bool> endsFolder(totalBlocks, false);
    for (const Folder& f : folders) {
        if (!f.blocks.empty()) endsFolder[f.firstGlobal + f.blocks.size() - 1] = true;
    }
    // A folder that goes on in the next cabinet has its last block there cut in two: the
    // first part stays, the rest opens the next cabinet, as cabinet makers write sets.
    auto isCut = [&](size_t global) {
        size_t k = cabOf(global);
        return k + 1 < cabinets && global + 1 == cabStart[k + 1] && !endsFolder[global];
    };
    auto lastCabOf = [&](size_t global) { return cabOf(global) + (isCut(global) ? 1 : 0); };

    struct FileRecord {
        size_t entry;
        uint32_t offset;
        uint16_t folderField;
    };
    struct CabPlan {
        std::vector<size_t> folders;  // global folder indices, in local order
        std::vector<FileRecord> files;
    };
    std::vector<CabPlan> plans(cabinets);
    auto localIndex = [&](size_t k, size_t f) {
        auto& list = plans[k].folders;
        auto it = std::find(list.begin(), list.end(), f);
        if (it == list.end()) {
            list.push_back(f);
            return list.size() - 1;
        }
        return static_cast<size_t>(it - list.begin());
    };
    for (size_t f = 0; f < folders.size(); ++f) {
        const Folder& folder = folders[f];
        if (folder.blocks.empty()) {
            size_t k = cabOf(folder.firstGlobal);
            size_t local = localIndex(k, f);
            for (size_t j = 0; j < folder.entries.size(); ++j) {
                plans[k].files.push_back(
                    {folder.entries[j], folder.offsets[j], static_cast<uint16_t>(local)});
            }
            continue;
        }
        for (size_t b = 0; b < folder.blocks.size(); ++b) {
            localIndex(cabOf(folder.firstGlobal + b), f);
            localIndex(lastCabOf(folder.firstGlobal + b), f);
        }
        for (size_t j = 0; j < folder.entries.size(); ++j) {
            const Entry& e = entries[folder.entries[j]];
            size_t off = folder.offsets[j];
            size_t first = std::min(off / kBlockSize, folder.blocks.size() - 1);
            size_t last = e.data.empty() ? first
                                         : std::min((off + e.data.size() - 1) / kBlockSize,
                                                    folder.blocks.size() - 1);
            size_t c0 = cabOf(folder.firstGlobal + first);
            size_t c1 = lastCabOf(folder.firstGlobal + last);
            for (size_t k = c0; k <= c1; ++k) {
                uint16_t field;
                if (k > c0 && k < c1)
                    field = 0xFFFF;
                else if (k > c0)
                    field = 0xFFFD;
                else if (k < c1)
                    field = 0xFFFE;
                else
                    field = static_cast<uint16_t>(localIndex(k, f));
                plans[k].files.push_back({folder.entries[j], static_cast<uint32_t>(off), field});
            }
        }
    }

    std::vector<std::string> out;
    for (size_t k = 0; k < cabinets; ++k) {
        const CabPlan& plan = plans[k];
        auto name = [&](size_t i) {
            return i < layout.cabinetNames.size() ? layout.cabinetNames[i]
                                                  : "part" + std::to_string(i + 1) + ".cab";
        };
        auto disk = [&](size_t i) {
            return i < layout.diskNames.size() ? layout.diskNames[i]
                                               : "Disk " + std::to_string(i + 1);
        };
        uint16_t flags = 0;
        std::string names;
        if (k > 0) {
            flags |= 1;
            PutString(names, name(k - 1));
            PutString(names, disk(k - 1));
        }
        if (k + 1 < cabinets) {
            flags |= 2;
            PutString(names, name(k + 1));
            PutString(names, disk(k + 1));
        }
        std::string fileTable;
        for (const FileRecord& r : plan.files) {
            const Entry& e = entries[r.entry];
            Put32(fileTable, static_cast<uint32_t>(e.data.size()));
            Put32(fileTable, r.offset);
            Put16(fileTable, r.folderField);
            Put16(fileTable, e.date);
            Put16(fileTable, e.time);
            Put16(fileTable, e.attribs);
            PutString(fileTable, e.name);
        }
        const size_t headerSize = 36 + names.size();
        const size_t filesOffset = headerSize + 8 * plan.folders.size();
        size_t dataOffset = filesOffset + fileTable.size();
        std::string folderTable, data;
        for (size_t f : plan.folders) {
            const Folder& folder = folders[f];
            uint16_t count = 0;
            size_t start = dataOffset + data.size();
            for (size_t b = 0; b < folder.blocks.size(); ++b) {
                const size_t g = folder.firstGlobal + b;
                const Block& block = folder.blocks[b];
                const size_t half = block.bytes.size() / 2;
                std::string bytes;
                uint16_t uncompressed = block.uncompressed;
                if (cabOf(g) == k && isCut(g)) {
                    bytes = block.bytes.substr(0, half);
                    uncompressed = 0;  // continued in the next cabinet
                } else if (cabOf(g) == k) {
                    bytes = block.bytes;
                } else if (lastCabOf(g) == k) {
                    bytes = block.bytes.substr(half);
                } else {
                    continue;
                }
                std::string sizes;
                Put16(sizes, static_cast<uint32_t>(bytes.size()));
                Put16(sizes, uncompressed);
                Put32(data, layout.checksums ? Checksum(sizes, bytes) : 0);
                data += sizes + bytes;
                ++count;
            }
            Put32(folderTable, static_cast<uint32_t>(start));
            Put16(folderTable, count);
            Put16(folderTable, static_cast<uint32_t>(layout.compression));
        }
        std::string cab = "MSCF";
        Put32(cab, 0);
        Put32(cab, static_cast<uint32_t>(dataOffset + data.size()));
        Put32(cab, 0);
        Put32(cab, static_cast<uint32_t>(filesOffset));
        Put32(cab, 0);
        cab.push_back(3);  // version 1.3
        cab.push_back(1);
        Put16(cab, static_cast<uint32_t>(plan.folders.size()));
        Put16(cab, static_cast<uint32_t>(plan.files.size()));
        Put16(cab, flags);
        Put16(cab, layout.setId);
        Put16(cab, static_cast<uint32_t>(layout.firstIndex + k));
        cab += names + folderTable + fileTable + data;
        out.push_back(std::move(cab));
    }
    return out;
}

std::string BuildCabinet(const std::vector<Entry>& entries, Compression compression,
                         bool checksums) {
    Layout layout;
    layout.compression = compression;
    layout.checksums = checksums;
    return BuildSet(entries, layout).front();
}

uint16_t DosDate(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace cabtest
