#pragma once
// The SQLite side of the settings store. One row per key, addressed by its whole folded path
// so that a subtree is one index range; values hang off their key's id and keep their
// creation order in their row id. Used only by Store.cpp.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/settings/Store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vrnx2 {

namespace store_detail {

// Simple Unicode case folding, the comparison form of key paths and value names.
std::string FoldName(std::string_view utf8);
// Drops empty components: "\a\\b\" becomes "a\b".
std::string NormalizePath(std::string_view path);
// Throws StoreError for a path deeper than kMaxKeyDepth.
void RequireDepth(std::string_view path);

class StoreDb {
public:
    // Opens (with `create`, making the folders and the file) the store at `file`.
    // Without `create` returns null when the file does not exist. Throws StoreError.
    static std::unique_ptr<StoreDb> Open(const std::string& file, bool create);
    ~StoreDb();
    StoreDb(const StoreDb&) = delete;
    StoreDb& operator=(const StoreDb&) = delete;

    void Begin(bool write);
    void Commit();
    void Rollback() noexcept;

    // Paths are normalised.
    std::optional<int64_t> FindKey(const std::string& path);
    int64_t EnsureKey(const std::string& path);
    std::string KeyPath(int64_t id);
    std::optional<RegValue> ReadValue(int64_t key, const std::string& name);
    void WriteValue(int64_t key, const RegValue& value);
    bool DeleteValue(int64_t key, const std::string& name);
    std::vector<RegValue> Values(int64_t key);
    // Stored paths of the direct subkeys of `path` ("": the top-level keys), ordered by
    // folded path.
    std::vector<std::string> Children(const std::string& path);
    // The key and its whole subtree with their values, in one query; see RegEnumTree.
    std::vector<RegKeyEntry> Subtree(const std::string& path);
    // Stored paths of every key strictly below `path`, ordered by folded path.
    std::vector<std::string> Descendants(const std::string& path);
    void DeleteTree(const std::string& path);
    // `to` must not exist; its parents are created.
    void RenameTree(const std::string& from, const std::string& to);
    void CopyTree(const std::string& from, const std::string& to);

private:
    explicit StoreDb(sqlite3* db) : db_(db) {}
    sqlite3_stmt* Prepare(const char* sql);
    std::vector<std::string> PathsBelow(const std::string& path, bool childrenOnly);
    void Exec(const char* sql);
    [[noreturn]] void Fail(const char* what);

    sqlite3* db_ = nullptr;
    std::map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace store_detail

}  // namespace vrnx2
