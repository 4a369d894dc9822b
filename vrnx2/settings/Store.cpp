#include "vrnx2/settings/Store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/settings/StoreBackend.h"

namespace vrnx2 {

using store_detail::FoldName;
using store_detail::NormalizePath;
using store_detail::StoreDb;

namespace {

std::mutex g_pathMutex;
std::string g_pathOverride;

// The open transaction of this thread, if a StoreTransaction runs.
struct Session {
    std::unique_ptr<StoreDb> db;  // null: a read session on a store not made yet
    bool write = false;
    int depth = 0;
    bool doomed = false;
};
thread_local Session* t_session = nullptr;

// Hives other than the current user's do not exist here.
bool IsUserHive(int root) {
    return root != 1 && (root < 3 || root > 6);
}

void RequireUserHive(int root) {
    if (!IsUserHive(root)) throw StoreError("settings store: only the current user's hive exists");
}

// Runs `fn` on the session's connection, or on a connection of its own inside one
// transaction. Writes create the store; reads of a store that does not exist yet see nothing.
template <class Fn>
auto WithStore(bool write, Fn&& fn) -> decltype(fn(std::declval<StoreDb&>())) {
    using Result = decltype(fn(std::declval<StoreDb&>()));
    if (t_session) {
        if (write && !t_session->write)
            throw StoreError("settings store: write inside a read transaction");
        if (t_session->db) return fn(*t_session->db);
        if constexpr (std::is_void_v<Result>)
            return;
        else
            return Result{};
    }
    auto db = StoreDb::Open(StoreFilePath(), write);
    if (!db) {
        if constexpr (std::is_void_v<Result>)
            return;
        else
            return Result{};
    }
    db->Begin(write);
    try {
        if constexpr (std::is_void_v<Result>) {
            fn(*db);
            db->Commit();
        } else {
            Result r = fn(*db);
            db->Commit();
            return r;
        }
    } catch (...) {
        db->Rollback();
        throw;
    }
}

// Reads never raise.
template <class T, class Fn>
T Read(int root, T def, Fn&& fn) {
    if (!IsUserHive(root)) return def;
    try {
        return WithStore(false, std::forward<Fn>(fn));
    } catch (const std::exception&) {
        return def;
    }
}

std::optional<RegValue> ReadRaw(int root, const std::string& key, const std::string& name) {
    std::string path = NormalizePath(key);
    return Read<std::optional<RegValue>>(root, std::nullopt, [&](StoreDb& db) {
        auto id = db.FindKey(path);
        return id ? db.ReadValue(*id, name) : std::nullopt;
    });
}

// Text read as an integer: optional blanks, sign, decimal digits, or "0x"/"$" hexadecimal.
// Anything else, or a number outside 32 bits, is not a number.
std::optional<int32_t> ParseInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 10) {
        if (negative) value = -value;
        if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
        return static_cast<int32_t>(value);
    }
    // Hexadecimal spells the 32 bits, as 0xFF00000D does for a colour.
    auto bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

bool MentionsVarnex(const std::string& path) {
    return FoldName(path).find("varnex") != std::string::npos;
}

void CopyOrMove(int root, const std::string& from, const std::string& to, bool move) {
    RequireUserHive(root);
    if (!MentionsVarnex(from) || !MentionsVarnex(to)) return;
    std::string src = NormalizePath(from);
    std::string dst = NormalizePath(to);
    if (src.empty() || dst.empty()) return;
    std::string srcFold = FoldName(src);
    std::string dstFold = FoldName(dst);
    // A destination inside the source would copy the tree into itself, and a move would
    // then delete the copy with the source.
    if (dstFold.size() > srcFold.size() && dstFold.compare(0, srcFold.size(), srcFold) == 0 &&
        dstFold[srcFold.size()] == '\\')
        return;
    WithStore(true, [&](StoreDb& db) {
        if (!db.FindKey(src) || db.FindKey(dst)) return;
        if (move)
            db.RenameTree(src, dst);
        else
            db.CopyTree(src, dst);
    });
}

}  // namespace

std::string StoreFilePath() {
    {
        std::lock_guard lock(g_pathMutex);
        if (!g_pathOverride.empty()) return g_pathOverride;
    }
    if (const char* p = std::getenv("VRNX2_SETTINGS"); p && *p) return p;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        base = std::string(h) + "/.config";
    } else {
        base = ".config";
    }
    return base + "/HALV/Varnex v2/settings.db";
}

void SetStoreFilePath(const std::string& path) {
    std::lock_guard lock(g_pathMutex);
    g_pathOverride = path;
}

StoreTransaction::StoreTransaction(Mode mode) {
    bool write = mode == Write;
    if (t_session) {
        if (write && !t_session->write)
            throw StoreError("settings store: write transaction inside a read transaction");
        ++t_session->depth;
        return;
    }
    auto session = std::make_unique<Session>();
    session->write = write;
    session->db = StoreDb::Open(StoreFilePath(), write);
    if (session->db) session->db->Begin(write);
    session->depth = 1;
    t_session = session.release();
    outer_ = true;
}

StoreTransaction::~StoreTransaction() {
    if (!t_session) return;
    if (!outer_) {
        if (!committed_) t_session->doomed = true;
        --t_session->depth;
        return;
    }
    if (!committed_ && t_session->db) t_session->db->Rollback();
    delete t_session;
    t_session = nullptr;
}

void StoreTransaction::Commit() {
    if (committed_ || !t_session) return;
    if (!outer_) {
        committed_ = true;
        return;
    }
    if (t_session->doomed) throw StoreError("settings store: an inner transaction failed");
    if (t_session->db) t_session->db->Commit();
    committed_ = true;
}

std::string RegReadString(int root, const std::string& key, const std::string& name,
                          const std::string& def) {
    auto v = ReadRaw(root, key, name);
    if (!v) return def;
    if (v->type == RegType::Integer) return std::to_string(v->number);
    return v->text;
}

bool RegReadBool(int root, const std::string& key, const std::string& name, bool def) {
    auto v = ReadRaw(root, key, name);
    if (!v) return def;
    if (v->type == RegType::Integer) return v->number != 0;
    auto n = ParseInteger(v->text);
    return n ? *n != 0 : def;
}

int32_t RegReadInteger(int root, const std::string& key, const std::string& name, int32_t def) {
    auto v = ReadRaw(root, key, name);
    if (!v) return def;
    if (v->type == RegType::Integer) return v->number;
    return ParseInteger(v->text).value_or(def);
}

void RegWriteValue(int root, const std::string& key, const RegValue& value) {
    RequireUserHive(root);
    std::string path = NormalizePath(key);
    WithStore(true, [&](StoreDb& db) { db.WriteValue(db.EnsureKey(path), value); });
}

void RegWriteString(int root, const std::string& key, const std::string& name,
                    const std::string& value) {
    RegWriteValue(root, key, RegValue{name, RegType::String, value, 0});
}

void RegWriteBool(int root, const std::string& key, const std::string& name, bool value) {
    RegWriteValue(root, key, RegValue{name, RegType::Integer, {}, value ? 1 : 0});
}

void RegWriteInteger(int root, const std::string& key, const std::string& name, int32_t value) {
    RegWriteValue(root, key, RegValue{name, RegType::Integer, {}, value});
}

void RegDeleteKey(int root, const std::string& key) {
    RequireUserHive(root);
    std::string path = NormalizePath(key);
    if (path.empty()) return;  // never the whole hive
    WithStore(true, [&](StoreDb& db) { db.DeleteTree(path); });
}

bool RegKeyExists(int root, const std::string& key, const std::string& subkey) {
    std::string path = NormalizePath(key + "\\" + subkey);
    return Read<bool>(root, false, [&](StoreDb& db) { return db.FindKey(path).has_value(); });
}

void RegReadValues(int root, const std::string& key, std::vector<std::string>& list) {
    list.clear();
    for (const auto& v : RegEnumValues(root, key))
        list.push_back(v.name + "=" +
                       (v.type == RegType::Integer ? std::to_string(v.number) : v.text));
}

void RegMoveKey(int root, const std::string& from, const std::string& to) {
    CopyOrMove(root, from, to, true);
}

void RegCopyKey(int root, const std::string& from, const std::string& to) {
    CopyOrMove(root, from, to, false);
}

std::optional<RegValue> RegReadValue(int root, const std::string& key, const std::string& name) {
    return ReadRaw(root, key, name);
}

bool RegDeleteValue(int root, const std::string& key, const std::string& name) {
    RequireUserHive(root);
    std::string path = NormalizePath(key);
    return WithStore(true, [&](StoreDb& db) {
        auto id = db.FindKey(path);
        return id ? db.DeleteValue(*id, name) : false;
    });
}

void RegCreateKey(int root, const std::string& key) {
    RequireUserHive(root);
    std::string path = NormalizePath(key);
    if (path.empty()) return;
    WithStore(true, [&](StoreDb& db) { db.EnsureKey(path); });
}

std::optional<std::string> RegKeyPath(int root, const std::string& key) {
    std::string path = NormalizePath(key);
    if (path.empty()) return IsUserHive(root) ? std::optional<std::string>("") : std::nullopt;
    return Read<std::optional<std::string>>(root, std::nullopt, [&](StoreDb& db) {
        auto id = db.FindKey(path);
        return id ? std::optional<std::string>(db.KeyPath(*id)) : std::nullopt;
    });
}

std::vector<RegValue> RegEnumValues(int root, const std::string& key) {
    std::string path = NormalizePath(key);
    return Read<std::vector<RegValue>>(root, {}, [&](StoreDb& db) {
        auto id = db.FindKey(path);
        return id ? db.Values(*id) : std::vector<RegValue>{};
    });
}

std::vector<std::string> RegEnumKeys(int root, const std::string& key) {
    std::string path = NormalizePath(key);
    return Read<std::vector<std::string>>(root, {}, [&](StoreDb& db) {
        std::vector<std::string> names;
        size_t cut = 0;
        if (!path.empty()) {
            auto id = db.FindKey(path);
            if (!id) return names;
            cut = db.KeyPath(*id).size() + 1;  // subkeys start with the stored path
        }
        for (const auto& d : db.Children(path)) names.push_back(d.substr(cut));
        return names;
    });
}

bool RegNamesEqual(std::string_view a, std::string_view b) {
    return FoldName(a) == FoldName(b);
}

int KeyDepth(std::string_view path) {
    std::string normal = NormalizePath(path);
    if (normal.empty()) return 0;
    return 1 + static_cast<int>(std::count(normal.begin(), normal.end(), '\\'));
}

std::vector<RegKeyEntry> RegEnumTree(int root, const std::string& key) {
    std::string path = NormalizePath(key);
    return Read<std::vector<RegKeyEntry>>(root, {}, [&](StoreDb& db) { return db.Subtree(path); });
}

std::string KeyNumber(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%.3d", number);
    return text;
}

bool WriteOrTell(const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const StoreError& e) {
        UI().MessageBox(e.what(), Msg(kMsgError), MB_ERROR_OK);
        return false;
    }
}

}  // namespace vrnx2
