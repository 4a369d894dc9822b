#pragma once
// Registry hive files ("regf"), as Windows keeps them on disk: read whole into a tree, and
// written anew from a tree. Plain C++ with no system calls, so the Windows-side bridge that
// Wine's programs load is built from the same source as the Linux programs.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hive {

struct Value {
    std::u16string name;  // empty: the key's default value
    uint32_t type = 0;    // any number, not only the named types
    std::string data;     // the bytes as stored
};

struct Key {
    Key() = default;
    explicit Key(std::u16string keyName) : name(std::move(keyName)) {}

    std::u16string name;
    uint16_t flags = 0;      // the key cell's flags; the compressed-name bit is recomputed
    uint64_t time = 0;       // last write, FILETIME
    uint32_t spare = 0;      // the key cell's access bits, kept as read
    uint32_t parentRaw = 0;  // root only: its parent field, kept as read
    std::string security;    // self-relative security descriptor; empty: the parent's
    bool hasClass = false;
    std::u16string className;
    std::vector<Value> values;  // in the order of the value list
    std::vector<Key> subkeys;   // any order; written sorted as Windows expects
};

struct Hive {
    std::string base;  // the 4096-byte base block as read (kept on write but for the fields
                       // the writer owns)
    Key root;
    uint32_t Minor() const;  // format version 1.x
};

class HiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr uint16_t kKeyHiveEntry = 0x0004;
constexpr uint16_t kKeyNoDelete = 0x0008;
constexpr uint16_t kKeyCompressedName = 0x0020;

// "regf" at the start: the file means to be a hive (it may still be damaged).
bool LooksLikeHive(std::string_view bytes);

// The whole tree. Throws HiveError naming what is damaged: every offset, count and size is
// checked against the file, so a cut or hostile file fails cleanly.
Hive ReadHive(std::string_view bytes);

// A complete hive file: base block (equal sequence numbers one past the old ones, checksum,
// root and size fields), then compact bins with every cell used, subkey lists sorted by
// upper-cased name (hash leaves from 1.5 on, first-four-characters leaves before), one
// security cell per distinct descriptor with its reference count, big-data cells from 1.4 on.
// `now` is the FILETIME written into the base block.
std::string WriteHive(const Hive& hive, uint64_t now);

// An empty hive of format 1.`minor` whose root is named `rootName`, with a security
// descriptor that grants everyone full control (for new hives only).
Hive NewHive(const std::u16string& rootName, uint32_t minor = 3);

// Windows' comparison of key and value names: by upper-cased UTF-16 code unit.
char16_t UpperUnit(char16_t c);
int CompareNames(std::u16string_view a, std::u16string_view b);
bool SameName(std::u16string_view a, std::u16string_view b);

// UTF-8 <-> UTF-16 for names shown to people and given on command lines; invalid input
// becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);

}  // namespace hive
