#pragma once
// The settings store: a hierarchical key/value tree of the current user, kept in an SQLite
// file ($VRNX2_SETTINGS, else $XDG_CONFIG_HOME/HALV/Varnex v2/settings.db). Key paths are
// relative to the hive and "\"-separated ("Software\HALV\Varnex v2\Profiles\001"); key
// paths and value names compare without regard to letter case; values enumerate in creation
// order. Every routine opens the store, runs as one transaction and closes it again.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Root of the program's own tree, relative to the hive.
inline constexpr const char* kVarnexKey = "Software\\HALV\\Varnex v2";

// Raised by writes the store cannot carry out (the file cannot be opened or written).
// Reads never raise: they fall back to their defaults.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string RegReadString(int root, const std::string& key, const std::string& name,
                          const std::string& def);
bool RegReadBool(int root, const std::string& key, const std::string& name, bool def);
int32_t RegReadInteger(int root, const std::string& key, const std::string& name, int32_t def);
void RegWriteString(int root, const std::string& key, const std::string& name,
                    const std::string& value);
void RegWriteBool(int root, const std::string& key, const std::string& name, bool value);
void RegWriteInteger(int root, const std::string& key, const std::string& name, int32_t value);
void RegDeleteKey(int root, const std::string& key);
bool RegKeyExists(int root, const std::string& key, const std::string& subkey);
// One line per value, "name=data", in creation order.
void RegReadValues(int root, const std::string& key, std::vector<std::string>& list);
void RegMoveKey(int root, const std::string& from, const std::string& to);
void RegCopyKey(int root, const std::string& from, const std::string& to);
