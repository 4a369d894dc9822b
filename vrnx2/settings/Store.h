#pragma once
// The settings store: a hierarchical key/value tree of the current user, kept in an SQLite
// file ($VRNX2_SETTINGS, else $XDG_CONFIG_HOME/HALV/Varnex v2/settings.db). Key paths are
// relative to the hive and "\"-separated ("Software\HALV\Varnex v2\Profiles\001"); key
// paths and value names compare without regard to letter case; values enumerate in creation
// order. Every routine opens the store, runs as one transaction and closes it again.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vrnx2 {

// Root of the program's own tree, relative to the hive.
inline constexpr const char* kVarnexKey = "Software\\HALV\\Varnex v2";
// Levels a key path below the hive may have, as in the Windows registry. Writes that would
// go deeper raise StoreError.
inline constexpr int kMaxKeyDepth = 512;

// A number as the program's key and value names carry it: at least three digits ("007",
// "012", "1000"), as the numbered profiles, builders and staged plugin folders are named.
std::string KeyNumber(int number);

// Raised by writes the store cannot carry out (the file cannot be opened or written).
// Reads never raise: they fall back to their defaults.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs the writes of `write`; a store that refuses them is told to the person as an error.
// False when refused.
bool WriteOrTell(const std::function<void()>& write);

// An integer value reads as its decimal text.
std::string RegReadString(int root, const std::string& key, const std::string& name,
                          const std::string& def);
bool RegReadBool(int root, const std::string& key, const std::string& name, bool def);
int32_t RegReadInteger(int root, const std::string& key, const std::string& name, int32_t def);
void RegWriteString(int root, const std::string& key, const std::string& name,
                    const std::string& value);
void RegWriteBool(int root, const std::string& key, const std::string& name, bool value);
void RegWriteInteger(int root, const std::string& key, const std::string& name, int32_t value);
void RegDeleteKey(int root, const std::string& key);
// An empty subkey asks for the key itself.
bool RegKeyExists(int root, const std::string& key, const std::string& subkey);
// One line per value, "name=data", in creation order (integers in decimal).
void RegReadValues(int root, const std::string& key, std::vector<std::string>& list);
// Both act only when both paths contain "Varnex" (any case), the source exists, the
// destination does not, and the destination does not lie inside the source.
void RegMoveKey(int root, const std::string& from, const std::string& to);
void RegCopyKey(int root, const std::string& from, const std::string& to);

// ---- Typed access, for the store editor and the .reg files ------------------------------

enum class RegType { None = 0, String = 1, Integer = 4 };

struct RegValue {
    std::string name;  // "" is the key's default value
    RegType type = RegType::None;
    std::string text;    // String
    int32_t number = 0;  // Integer
};

std::optional<RegValue> RegReadValue(int root, const std::string& key, const std::string& name);
void RegWriteValue(int root, const std::string& key, const RegValue& value);
// True when the value existed.
bool RegDeleteValue(int root, const std::string& key, const std::string& name);
// Creates the key path (no error when it exists).
void RegCreateKey(int root, const std::string& key);
// The key's path with the letter case it was created with; nullopt when absent.
std::optional<std::string> RegKeyPath(int root, const std::string& key);
// Values in creation order; empty when the key is absent.
std::vector<RegValue> RegEnumValues(int root, const std::string& key);
// Names of the direct subkeys, ordered without regard to case. An empty key lists the
// top-level keys of the hive.
std::vector<std::string> RegEnumKeys(int root, const std::string& key);

struct RegKeyEntry {
    std::string path;  // stored letter case; "" for the hive
    std::vector<RegValue> values;
};
// The key and every key below it with their values, read in one pass: each key comes
// before its subkeys, and subkeys in the order of RegEnumKeys. Empty when the key is absent;
// an empty key is the hive with every key of the store.
std::vector<RegKeyEntry> RegEnumTree(int root, const std::string& key);
// Whether two key or value names are the same for the store (letter case ignored).
bool RegNamesEqual(std::string_view a, std::string_view b);
// The number of levels of a key path ("a\b" is 2, "" the hive is 0).
int KeyDepth(std::string_view path);

// Runs the routines called on this thread, until it ends, as one transaction on one
// connection. A write transaction is rolled back unless Commit() is reached; a read one sees
// one consistent state and refuses writes. Guards nest: an inner one joins the outer (a
// write one only a write one), and an inner one left without Commit() makes the outer
// Commit() fail.
class StoreTransaction {
public:
    enum Mode { Write, Read };
    explicit StoreTransaction(Mode mode = Write);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    void Commit();

private:
    bool outer_ = false;
    bool committed_ = false;
};

// The store file the routines use now.
std::string StoreFilePath();
// Uses `path` instead of the environment's choice; an empty path restores the default.
void SetStoreFilePath(const std::string& path);

}  // namespace vrnx2
