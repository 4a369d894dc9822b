#include "platform/hive/Hive.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

namespace hive {

namespace {

constexpr size_t kBaseSize = 4096;
constexpr size_t kBinHeader = 32;
constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr size_t kMaxDepth = 512;
constexpr size_t kBigDataSegment = 16344;
constexpr size_t kLeafMax = 500;  // entries per subkey-list leaf before an index list

uint16_t U16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}
uint32_t U32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}
uint64_t U64(std::string_view b, size_t at) {
    return static_cast<uint64_t>(U32(b, at)) | static_cast<uint64_t>(U32(b, at + 4)) << 32;
}
void Put16(std::string& b, size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
    Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
    Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
void Put64(std::string& b, size_t at, uint64_t v) {
    Put32(b, at, static_cast<uint32_t>(v));
    Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

std::u16string Latin1(std::string_view bytes) {
    std::u16string s;
    s.reserve(bytes.size());
    for (char c : bytes) s.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
    return s;
}
std::u16string Utf16(std::string_view bytes) {
    std::u16string s(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = U16(bytes, 2 * i);
    return s;
}
bool Compressible(std::u16string_view name) {
    return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
}
// A name as stored: Latin-1 bytes when every unit fits, else UTF-16LE.
std::string StoredName(std::u16string_view name, bool compressed) {
    std::string out;
    out.reserve(name.size() * (compressed ? 1 : 2));
    for (char16_t c : name) {
        out.push_back(static_cast<char>(c & 0xFF));
        if (!compressed) out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

uint32_t Checksum(std::string_view base) {
    uint32_t sum = 0;
    for (size_t at = 0; at < 508; at += 4) sum ^= U32(base, at);
    if (sum == 0) return 1;
    if (sum == kNone) return 0xFFFFFFFEu;
    return sum;
}

class Reader {
public:
    Reader(std::string_view data, uint32_t minor) : data_(data), minor_(minor) {}

    Key ReadKey(uint32_t offset, size_t depth, bool isRoot) {
        if (depth > kMaxDepth) throw HiveError("keys are nested too deeply");
        if (!visited_.insert(offset).second) throw HiveError("a key is reached twice (a loop)");
        std::string_view nk = Cell(offset, 76, "key");
        if (nk.substr(0, 2) != "nk") throw HiveError(At(offset) + ": not a key cell");
        Key key;
        key.flags = U16(nk, 2);
        key.time = U64(nk, 4);
        key.spare = U32(nk, 12);
        if (isRoot) key.parentRaw = U32(nk, 16);
        const uint32_t subkeyCount = U32(nk, 20);
        const uint32_t listOffset = U32(nk, 28);
        const uint32_t valueCount = U32(nk, 36);
        const uint32_t valueList = U32(nk, 40);
        const uint32_t securityOffset = U32(nk, 44);
        const uint32_t classOffset = U32(nk, 48);
        const uint16_t nameLength = U16(nk, 72);
        const uint16_t classLength = U16(nk, 74);
        if (76u + nameLength > nk.size()) throw HiveError(At(offset) + ": key name past its cell");
        const std::string_view stored = nk.substr(76, nameLength);
        key.name = (key.flags & kKeyCompressedName) ? Latin1(stored) : Utf16(stored);

        if (securityOffset != kNone && securityOffset != 0) {
            std::string_view sk = Cell(securityOffset, 20, "security");
            if (sk.substr(0, 2) != "sk")
                throw HiveError(At(securityOffset) + ": not a security cell");
            const uint32_t size = U32(sk, 16);
            if (20ull + size > sk.size())
                throw HiveError(At(securityOffset) + ": descriptor past its cell");
            key.security = std::string(sk.substr(20, size));
        }
        if (classOffset != kNone && classLength > 0) {
            std::string_view cls = Cell(classOffset, classLength, "class name");
            key.hasClass = true;
            key.className = Utf16(cls.substr(0, classLength));
        }
        if (valueCount > 0) {
            if (valueCount > data_.size() / 4) throw HiveError(At(offset) + ": too many values");
            std::string_view list = Cell(valueList, size_t{valueCount} * 4, "value list");
            key.values.reserve(valueCount);
            for (uint32_t i = 0; i < valueCount; ++i)
                key.values.push_back(ReadValue(U32(list, 4 * i)));
        }
        if (subkeyCount > 0) {
            std::vector<uint32_t> children;
            CollectSubkeys(listOffset, children, 0);
            if (children.size() != subkeyCount)
                throw HiveError(At(offset) + ": the subkey count does not match its list");
            key.subkeys.reserve(children.size());
            for (uint32_t child : children) key.subkeys.push_back(ReadKey(child, depth + 1, false));
        }
        return key;
    }

private:
    std::string At(uint32_t offset) const { return "cell at offset " + std::to_string(offset); }

    // The data of the used cell at `offset` (without its size field), at least `need` bytes.
    std::string_view Cell(uint32_t offset, size_t need, const char* what) {
        if (offset == kNone || offset % 4 != 0 || size_t{offset} + 4 > data_.size())
            throw HiveError(std::string("the ") + what + " offset " + std::to_string(offset) +
                            " lies outside the hive");
        const int32_t size = static_cast<int32_t>(U32(data_, offset));
        if (size >= 0) throw HiveError(At(offset) + " (" + what + ") is not in use");
        const size_t length = static_cast<size_t>(-static_cast<int64_t>(size));
        if (length < 8 || length > data_.size() - offset)
            throw HiveError(At(offset) + " (" + what + ") has an impossible size");
        if (length - 4 < need) throw HiveError(At(offset) + " (" + what + ") is too small");
        return data_.substr(offset + 4, length - 4);
    }

    void CollectSubkeys(uint32_t offset, std::vector<uint32_t>& out, int level) {
        if (level > 2) throw HiveError("subkey index lists are nested too deeply");
        std::string_view list = Cell(offset, 4, "subkey list");
        const std::string_view sig = list.substr(0, 2);
        const uint16_t count = U16(list, 2);
        const size_t entry = (sig == "lf" || sig == "lh") ? 8 : 4;
        if (sig != "lf" && sig != "lh" && sig != "li" && sig != "ri")
            throw HiveError(At(offset) + ": not a subkey list");
        if (4 + size_t{count} * entry > list.size())
            throw HiveError(At(offset) + ": list past its cell");
        for (uint16_t i = 0; i < count; ++i) {
            const uint32_t item = U32(list, 4 + i * entry);
            if (sig == "ri")
                CollectSubkeys(item, out, level + 1);
            else
                out.push_back(item);
        }
    }

    Value ReadValue(uint32_t offset) {
        std::string_view vk = Cell(offset, 20, "value");
        if (vk.substr(0, 2) != "vk") throw HiveError(At(offset) + ": not a value cell");
        Value v;
        const uint16_t nameLength = U16(vk, 2);
        const uint32_t size = U32(vk, 4);
        const uint32_t dataOffset = U32(vk, 8);
        v.type = U32(vk, 12);
        const uint16_t flags = U16(vk, 16);
        if (20u + nameLength > vk.size())
            throw HiveError(At(offset) + ": value name past its cell");
        const std::string_view stored = vk.substr(20, nameLength);
        v.name = (flags & 1) ? Latin1(stored) : Utf16(stored);
        const uint32_t length = size & 0x7FFFFFFFu;
        if (size & 0x80000000u) {
            if (length > 4) throw HiveError(At(offset) + ": inline data longer than 4 bytes");
            v.data = std::string(vk.substr(8, length));
        } else if (length > 0) {
            if (length > data_.size()) throw HiveError(At(offset) + ": data larger than the hive");
            std::string_view cell = Cell(dataOffset, 0, "data");
            if (minor_ >= 4 && length > kBigDataSegment && cell.substr(0, 2) == "db" &&
                cell.size() >= 8)
                v.data = ReadBigData(dataOffset, cell, length);
            else if (cell.size() < length)
                throw HiveError(At(dataOffset) + ": value data past its cell");
            else
                v.data = std::string(cell.substr(0, length));
        }
        return v;
    }

    std::string ReadBigData(uint32_t offset, std::string_view db, uint32_t length) {
        const uint16_t segments = U16(db, 2);
        std::string_view list = Cell(U32(db, 4), size_t{segments} * 4, "big-data list");
        std::string out;
        out.reserve(length);
        for (uint16_t i = 0; i < segments && out.size() < length; ++i) {
            std::string_view seg = Cell(U32(list, 4 * i), 0, "big-data segment");
            const size_t take =
                std::min({seg.size(), kBigDataSegment, size_t{length} - out.size()});
            out.append(seg.substr(0, take));
        }
        if (out.size() != length) throw HiveError(At(offset) + ": big data shorter than its value");
        return out;
    }

    std::string_view data_;
    uint32_t minor_;
    std::unordered_set<uint32_t> visited_;
};

class Writer {
public:
    explicit Writer(uint32_t minor) : minor_(minor) {}

    uint32_t WriteKey(const Key& key, uint32_t parent, const std::string& inherited, bool isRoot) {
        const bool compressed = Compressible(key.name);
        const std::string name = StoredName(key.name, compressed);
        const uint32_t nk = Alloc(76 + name.size());
        const std::string& security = key.security.empty() ? inherited : key.security;

        uint32_t classOffset = kNone;
        std::string classBytes;
        if (key.hasClass && !key.className.empty()) {
            classBytes = StoredName(key.className, false);
            classOffset = AllocData(classBytes);
        }
        const uint32_t skOffset = Security(security);

        uint32_t maxValueName = 0, maxValueData = 0;
        uint32_t valueList = kNone;
        if (!key.values.empty()) {
            std::vector<uint32_t> offsets;
            offsets.reserve(key.values.size());
            for (const Value& v : key.values) {
                offsets.push_back(WriteValue(v));
                maxValueName =
                    std::max<uint32_t>(maxValueName, static_cast<uint32_t>(v.name.size() * 2));
                maxValueData =
                    std::max<uint32_t>(maxValueData, static_cast<uint32_t>(v.data.size()));
            }
            valueList = Alloc(offsets.size() * 4);
            for (size_t i = 0; i < offsets.size(); ++i)
                Put32(out_, valueList + 4 + 4 * i, offsets[i]);
        }

        std::vector<const Key*> sorted;
        sorted.reserve(key.subkeys.size());
        for (const Key& k : key.subkeys) sorted.push_back(&k);
        std::stable_sort(sorted.begin(), sorted.end(), [](const Key* a, const Key* b) {
            return CompareNames(a->name, b->name) < 0;
        });
        for (size_t i = 1; i < sorted.size(); ++i)
            if (CompareNames(sorted[i - 1]->name, sorted[i]->name) == 0)
                throw HiveError("two subkeys named alike: " + ToUtf8(sorted[i]->name));
        uint32_t maxSubName = 0, maxSubClass = 0;
        std::vector<uint32_t> children;
        children.reserve(sorted.size());
        for (const Key* child : sorted) {
            children.push_back(WriteKey(*child, nk, security, false));
            maxSubName =
                std::max<uint32_t>(maxSubName, static_cast<uint32_t>(child->name.size() * 2));
            if (child->hasClass)
                maxSubClass = std::max<uint32_t>(
                    maxSubClass, static_cast<uint32_t>(child->className.size() * 2));
        }
        const uint32_t list = sorted.empty() ? kNone : WriteSubkeyList(sorted, children);

        const size_t at = nk + 4;
        out_.replace(at, 2, "nk");
        uint16_t flags = static_cast<uint16_t>(key.flags & ~kKeyCompressedName);
        if (compressed) flags |= kKeyCompressedName;
        Put16(out_, at + 2, flags);
        Put64(out_, at + 4, key.time);
        Put32(out_, at + 12, key.spare);
        Put32(out_, at + 16, isRoot ? key.parentRaw : parent);
        Put32(out_, at + 20, static_cast<uint32_t>(children.size()));
        Put32(out_, at + 24, 0);
        Put32(out_, at + 28, list);
        Put32(out_, at + 32, kNone);
        Put32(out_, at + 36, static_cast<uint32_t>(key.values.size()));
        Put32(out_, at + 40, valueList);
        Put32(out_, at + 44, skOffset);
        Put32(out_, at + 48, classOffset);
        Put32(out_, at + 52, maxSubName);
        Put32(out_, at + 56, maxSubClass);
        Put32(out_, at + 60, maxValueName);
        Put32(out_, at + 64, maxValueData);
        Put32(out_, at + 68, 0);
        Put16(out_, at + 72, static_cast<uint16_t>(name.size()));
        Put16(out_, at + 74, static_cast<uint16_t>(classBytes.size()));
        out_.replace(at + 76, name.size(), name);
        return nk;
    }

    // Fills in the security cells' chain and reference counts, closes the last bin.
    std::string Finish() {
        for (size_t i = 0; i < skOrder_.size(); ++i) {
            const uint32_t sk = skOrder_[i];
            const size_t at = sk + 4;
            Put32(out_, at + 4, skOrder_[(i + 1) % skOrder_.size()]);
            Put32(out_, at + 8, skOrder_[(i + skOrder_.size() - 1) % skOrder_.size()]);
            Put32(out_, at + 12, refs_[sk]);
        }
        CloseBin();
        return std::move(out_);
    }

private:
    uint32_t WriteValue(const Value& v) {
        const bool compressed = Compressible(v.name);
        const std::string name = StoredName(v.name, compressed);
        uint32_t dataOffset = kNone;
        uint32_t size = static_cast<uint32_t>(v.data.size());
        if (v.data.size() > 0x7FFFFFFFu) throw HiveError("value data too large");
        std::string inlineBytes(4, '\0');
        if (v.data.size() <= 4) {
            size |= 0x80000000u;
            std::copy(v.data.begin(), v.data.end(), inlineBytes.begin());
            if (v.data.empty()) size = 0x80000000u;
        } else if (minor_ >= 4 && v.data.size() > kBigDataSegment) {
            dataOffset = WriteBigData(v.data);
        } else {
            dataOffset = AllocData(v.data);
        }
        const uint32_t vk = Alloc(20 + name.size());
        const size_t at = vk + 4;
        out_.replace(at, 2, "vk");
        Put16(out_, at + 2, static_cast<uint16_t>(name.size()));
        Put32(out_, at + 4, size);
        if (size & 0x80000000u)
            out_.replace(at + 8, 4, inlineBytes);
        else
            Put32(out_, at + 8, dataOffset);
        Put32(out_, at + 12, v.type);
        Put16(out_, at + 16, compressed && !v.name.empty() ? 1 : 0);
        Put16(out_, at + 18, 0);
        out_.replace(at + 20, name.size(), name);
        return vk;
    }

    uint32_t WriteBigData(const std::string& data) {
        std::vector<uint32_t> segments;
        for (size_t pos = 0; pos < data.size(); pos += kBigDataSegment)
            segments.push_back(AllocData(std::string_view(data).substr(pos, kBigDataSegment)));
        const uint32_t list = Alloc(segments.size() * 4);
        for (size_t i = 0; i < segments.size(); ++i) Put32(out_, list + 4 + 4 * i, segments[i]);
        const uint32_t db = Alloc(8);
        out_.replace(db + 4, 2, "db");
        Put16(out_, db + 6, static_cast<uint16_t>(segments.size()));
        Put32(out_, db + 8, list);
        return db;
    }

    uint32_t Leaf(const std::vector<const Key*>& keys, const std::vector<uint32_t>& offsets,
                  size_t from, size_t count) {
        const bool hashed = minor_ >= 5;
        const uint32_t cell = Alloc(4 + count * 8);
        const size_t at = cell + 4;
        out_.replace(at, 2, hashed ? "lh" : "lf");
        Put16(out_, at + 2, static_cast<uint16_t>(count));
        for (size_t i = 0; i < count; ++i) {
            const std::u16string& name = keys[from + i]->name;
            Put32(out_, at + 4 + 8 * i, offsets[from + i]);
            if (hashed) {
                uint32_t hash = 0;
                for (char16_t c : name) hash = hash * 37 + UpperUnit(c);
                Put32(out_, at + 8 + 8 * i, hash);
            } else {
                std::string hint(4, '\0');
                for (size_t c = 0; c < 4 && c < name.size(); ++c)
                    hint[c] = static_cast<char>(name[c] < 0x100 ? name[c] : 0);
                out_.replace(at + 8 + 8 * i, 4, hint);
            }
        }
        return cell;
    }

    uint32_t WriteSubkeyList(const std::vector<const Key*>& keys,
                             const std::vector<uint32_t>& offsets) {
        if (keys.size() <= kLeafMax) return Leaf(keys, offsets, 0, keys.size());
        std::vector<uint32_t> leaves;
        for (size_t from = 0; from < keys.size(); from += kLeafMax)
            leaves.push_back(Leaf(keys, offsets, from, std::min(kLeafMax, keys.size() - from)));
        const uint32_t ri = Alloc(4 + leaves.size() * 4);
        out_.replace(ri + 4, 2, "ri");
        Put16(out_, ri + 6, static_cast<uint16_t>(leaves.size()));
        for (size_t i = 0; i < leaves.size(); ++i) Put32(out_, ri + 8 + 4 * i, leaves[i]);
        return ri;
    }

    uint32_t Security(const std::string& descriptor) {
        auto found = sk_.find(descriptor);
        if (found != sk_.end()) {
            ++refs_[found->second];
            return found->second;
        }
        const uint32_t cell = Alloc(20 + descriptor.size());
        out_.replace(cell + 4, 2, "sk");
        Put32(out_, cell + 20, static_cast<uint32_t>(descriptor.size()));
        out_.replace(cell + 24, descriptor.size(), descriptor);
        sk_.emplace(descriptor, cell);
        skOrder_.push_back(cell);
        refs_[cell] = 1;
        return cell;
    }

    uint32_t AllocData(std::string_view bytes) {
        const uint32_t cell = Alloc(bytes.size());
        out_.replace(cell + 4, bytes.size(), bytes);
        return cell;
    }

    // A used cell of `payload` bytes (plus the size field, rounded to 8), zero-filled; its
    // offset from the first bin.
    uint32_t Alloc(size_t payload) {
        const size_t size = (payload + 4 + 7) & ~size_t{7};
        if (binEnd_ == 0 || out_.size() + size > binEnd_) {
            CloseBin();
            const size_t binSize = (size + kBinHeader + 4095) & ~size_t{4095};
            const size_t start = out_.size();
            out_.resize(start + kBinHeader, '\0');
            out_.replace(start, 4, "hbin");
            Put32(out_, start + 4, static_cast<uint32_t>(start));
            Put32(out_, start + 8, static_cast<uint32_t>(binSize));
            binEnd_ = start + binSize;
        }
        const size_t at = out_.size();
        if (at + size > 0x7FFFFFFFu) throw HiveError("the hive would be too large");
        out_.resize(at + size, '\0');
        Put32(out_, at, static_cast<uint32_t>(-static_cast<int32_t>(size)));
        return static_cast<uint32_t>(at);
    }

    void CloseBin() {
        if (binEnd_ == 0 || out_.size() == binEnd_) return;
        const size_t at = out_.size();
        out_.resize(binEnd_, '\0');
        Put32(out_, at, static_cast<uint32_t>(binEnd_ - at));  // one free cell to the end
    }

    uint32_t minor_;
    std::string out_;
    size_t binEnd_ = 0;
    std::map<std::string, uint32_t> sk_;
    std::vector<uint32_t> skOrder_;
    std::map<uint32_t, uint32_t> refs_;
};

// Owner and group Administrators, a DACL granting Everyone, Administrators and SYSTEM full
// control, inherited by subkeys.
std::string DefaultSecurity() {
    static const unsigned char sd[] = {0x01, 0x00, 0x04, 0x80, 0x5C, 0x00, 0x00, 0x00, 0x6C, 0x00,
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,
                                       // DACL: revision 2, size 72, 3 ACEs
                                       0x02, 0x00, 0x48, 0x00, 0x03, 0x00, 0x00, 0x00,
                                       // Everyone (S-1-1-0)
                                       0x00, 0x02, 0x14, 0x00, 0x3F, 0x00, 0x0F, 0x00, 0x01, 0x01,
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                                       // Administrators (S-1-5-32-544)
                                       0x00, 0x02, 0x18, 0x00, 0x3F, 0x00, 0x0F, 0x00, 0x01, 0x02,
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00,
                                       0x20, 0x02, 0x00, 0x00,
                                       // SYSTEM (S-1-5-18)
                                       0x00, 0x02, 0x14, 0x00, 0x3F, 0x00, 0x0F, 0x00, 0x01, 0x01,
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12, 0x00, 0x00, 0x00,
                                       // owner S-1-5-32-544
                                       0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00,
                                       0x00, 0x00, 0x20, 0x02, 0x00, 0x00,
                                       // group S-1-5-32-544
                                       0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00,
                                       0x00, 0x00, 0x20, 0x02, 0x00, 0x00};
    return std::string(reinterpret_cast<const char*>(sd), sizeof sd);
}

}  // namespace

uint32_t Hive::Minor() const {
    return base.size() >= 28 ? U32(base, 24) : 3;
}

bool LooksLikeHive(std::string_view bytes) {
    return bytes.substr(0, 4) == "regf";
}

Hive ReadHive(std::string_view bytes) {
    if (!LooksLikeHive(bytes)) throw HiveError("not a registry hive (no \"regf\" signature)");
    if (bytes.size() < kBaseSize + kBinHeader) throw HiveError("the hive file is cut short");
    Hive hive;
    hive.base = std::string(bytes.substr(0, kBaseSize));
    const uint32_t major = U32(bytes, 20);
    const uint32_t minor = U32(bytes, 24);
    if (major != 1 || minor < 2 || minor > 6)
        throw HiveError("unknown hive format version " + std::to_string(major) + "." +
                        std::to_string(minor));
    const uint32_t rootOffset = U32(bytes, 36);
    const uint32_t dataSize = U32(bytes, 40);
    if (dataSize > bytes.size() - kBaseSize) throw HiveError("the hive file is cut short");
    const std::string_view data = bytes.substr(kBaseSize, dataSize);
    if (data.substr(0, 4) != "hbin") throw HiveError("the first bin is damaged");
    Reader reader(data, minor);
    hive.root = reader.ReadKey(rootOffset, 0, true);
    return hive;
}

std::string WriteHive(const Hive& hive, uint64_t now) {
    const uint32_t minor = hive.Minor();
    Writer writer(minor);
    const std::string& rootSecurity =
        hive.root.security.empty() ? DefaultSecurity() : hive.root.security;
    const uint32_t root = writer.WriteKey(hive.root, 0, rootSecurity, true);
    std::string bins = writer.Finish();
    if (bins.size() >= 8) Put64(bins, 20, now);  // the first bin's time stamp

    std::string base = hive.base;
    base.resize(kBaseSize, '\0');
    const uint32_t sequence = std::max(U32(base, 4), U32(base, 8)) + 1;
    base.replace(0, 4, "regf");
    Put32(base, 4, sequence);
    Put32(base, 8, sequence);
    Put64(base, 12, now);
    Put32(base, 20, 1);
    Put32(base, 24, minor);
    Put32(base, 28, 0);  // primary file
    Put32(base, 32, 1);  // direct memory load
    Put32(base, 36, root);
    Put32(base, 40, static_cast<uint32_t>(bins.size()));
    Put32(base, 44, 1);
    Put32(base, 508, Checksum(base));
    return base + bins;
}

Hive NewHive(const std::u16string& rootName, uint32_t minor) {
    Hive hive;
    hive.base.assign(kBaseSize, '\0');
    hive.base.replace(0, 4, "regf");
    Put32(hive.base, 20, 1);
    Put32(hive.base, 24, minor);
    hive.root.name = rootName;
    hive.root.flags = kKeyHiveEntry | kKeyNoDelete;
    hive.root.security = DefaultSecurity();
    return hive;
}

}  // namespace hive
