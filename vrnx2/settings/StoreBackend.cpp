#include "vrnx2/settings/StoreBackend.h"

#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"

namespace vrnx2 {

namespace store_detail {

namespace {

constexpr int kSchemaVersion = 1;
// Another program (the window program, vrnx2-cli) may hold the write lock briefly.
constexpr int kBusyTimeoutMs = 10000;

// The texts of kMsgStore... for a program without a message table (vrnx2-cli reg).
constexpr const char* kStoreReadOnlyEnglish =
    "The settings store %s cannot be written: the file or its folder is read-only, or belongs "
    "to another user.";
constexpr const char* kStoreDiskFullEnglish =
    "The settings store %s cannot be written: the disk is full.";
constexpr const char* kStoreInUseEnglish =
    "The settings store %s is in use by another program. Try again when it has finished.";
constexpr const char* kStoreCannotBeUsedEnglish = "The settings store %s cannot be used: %s";

// A failure as the person reads it: SQLite's own words ("attempt to write a readonly
// database") say little about what to do. In the message table's language where it holds
// the texts (vrnx2-cli reg has no table: English).
// `system` is the system's error number where known, else SQLite's last one is asked for.
std::string StoreFailureText(int rc, const std::string& file, sqlite3* db, int system = -1) {
    if (system < 0) system = db ? sqlite3_system_errno(db) : 0;
    auto text = [&](const char* id, const char* english, std::string_view detail = {}) {
        std::string form = Msg(id);
        if (form.empty()) form = english;
        return FillIn(form, {file, detail});
    };
    switch (rc & 0xFF) {
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return text(kMsgStoreReadOnly, kStoreReadOnlyEnglish);
        case SQLITE_FULL:
            return text(kMsgStoreDiskFull, kStoreDiskFullEnglish);
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return text(kMsgStoreInUse, kStoreInUseEnglish);
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
            if (system == EACCES || system == EPERM || system == EROFS)
                return text(kMsgStoreReadOnly, kStoreReadOnlyEnglish);
            if (system == ENOSPC || system == EDQUOT)
                return text(kMsgStoreDiskFull, kStoreDiskFullEnglish);
            break;
        default:
            break;
    }
    // The system's reason only where the disk failed: it is left over from earlier calls
    // otherwise.
    const bool disk = (rc & 0xFF) == SQLITE_IOERR || (rc & 0xFF) == SQLITE_CANTOPEN;
    std::string detail = disk && system ? std::strerror(system)
                         : db           ? sqlite3_errmsg(db)
                                        : sqlite3_errstr(rc);
    return text(kMsgStoreCannotBeUsed, kStoreCannotBeUsedEnglish, detail);
}

[[noreturn]] void ThrowFailure(int rc, sqlite3* db) {
    const char* name = db ? sqlite3_db_filename(db, "main") : nullptr;
    throw StoreError(StoreFailureText(rc, name ? name : "", db));
}

// Binds on construction, resets on destruction, so cached statements stay reusable.
class Query {
public:
    explicit Query(sqlite3_stmt* s) : s_(s) {}
    ~Query() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Query& Bind(int i, int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    Query& Bind(int i, std::string_view v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while a row is available.
    bool Step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        ThrowFailure(rc, sqlite3_db_handle(s_));
    }
    int64_t Int(int col) { return sqlite3_column_int64(s_, col); }
    sqlite3_stmt* Statement() const { return s_; }
    std::string Text(int col) {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
        return p ? std::string(p, sqlite3_column_bytes(s_, col)) : std::string();
    }

private:
    sqlite3_stmt* s_;
};

// The value in columns name, type, data from `first` on.
RegValue ValueAt(Query& q, int first) {
    RegValue v;
    v.name = q.Text(first);
    v.type =
        q.Int(first + 1) == static_cast<int>(RegType::Integer) ? RegType::Integer : RegType::String;
    if (v.type == RegType::Integer)
        v.number = static_cast<int32_t>(q.Int(first + 2));
    else
        v.text = q.Text(first + 2);
    return v;
}

// Folded descendants of `fold` lie in [fold + "\", fold + "]"): "]" follows "\" in ASCII.
std::string RangeLow(const std::string& fold) {
    return fold + "\\";
}
std::string RangeHigh(const std::string& fold) {
    return fold + "]";
}

std::string FoldPath(const std::string& path) {
    return FoldName(path);
}

std::string ParentOf(const std::string& path) {
    auto pos = path.rfind('\\');
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

// The first column of every row the query yields.
std::vector<std::string> FirstColumn(Query& q) {
    std::vector<std::string> out;
    while (q.Step()) out.push_back(q.Text(0));
    return out;
}

}  // namespace

std::string FoldName(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    const int32_t n = static_cast<int32_t>(s.size());
    int32_t i = 0;
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(std::tolower(b)));
            ++i;
            continue;
        }
        int32_t start = i;
        UChar32 c;
        U8_NEXT(s.data(), i, n, c);
        if (c < 0) {  // malformed bytes compare as they are
            out.append(s.data() + start, i - start);
            continue;
        }
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        char buf[4];
        int32_t len = 0;
        U8_APPEND_UNSAFE(buf, len, c);
        out.append(buf, len);
    }
    return out;
}

void RequireDepth(std::string_view path) {
    if (KeyDepth(path) > kMaxKeyDepth) {
        throw StoreError("settings store: a key path may be at most " +
                         std::to_string(kMaxKeyDepth) + " levels deep");
    }
}

std::string NormalizePath(std::string_view path) {
    std::string out;
    size_t i = 0;
    while (i < path.size()) {
        size_t j = path.find('\\', i);
        if (j == std::string_view::npos) j = path.size();
        if (j > i) {
            if (!out.empty()) out.push_back('\\');
            out.append(path.substr(i, j - i));
        }
        i = j + 1;
    }
    return out;
}

std::unique_ptr<StoreDb> StoreDb::Open(const std::string& file, bool create) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!create) {
        if (!fs::exists(file, ec)) return nullptr;
    } else {
        fs::path parent = fs::path(file).parent_path();
        if (!parent.empty()) {
            fs::create_directories(parent, ec);
            if (ec) throw StoreError(StoreFailureText(SQLITE_CANTOPEN, file, nullptr, ec.value()));
        }
    }
    sqlite3* raw = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
    std::unique_ptr<StoreDb> db(new StoreDb(raw));
    if (rc != SQLITE_OK) throw StoreError(StoreFailureText(rc, file, raw));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);

    // The version and whether the file holds any table, read in one statement so that
    // both come from the same snapshot.
    auto state = [&db](int64_t& version, int64_t& tables) {
        Query q(
            db->Prepare("SELECT (SELECT user_version FROM pragma_user_version),"
                        " (SELECT count(*) FROM sqlite_master)"));
        version = tables = 0;
        if (q.Step()) {
            version = q.Int(0);
            tables = q.Int(1);
        }
    };
    // A database of another program is never taken over: tables would be added to it and
    // this store would silently read nothing from it.
    auto foreign = [&file] {
        return StoreError("settings store: " + file +
                          " is a database of another program, not a settings store");
    };
    int64_t v = 0, tables = 0;
    state(v, tables);
    if (v > kSchemaVersion)
        throw StoreError("settings store: " + file + " was written by a newer version");
    if (v == 0 && tables > 0) throw foreign();
    if (v == 0 && create) {
        db->Exec("BEGIN IMMEDIATE");
        try {
            // Another program may have made the store meanwhile.
            state(v, tables);
            if (v == 0 && tables > 0) throw foreign();
            if (v == 0) {
                db->Exec(
                    "CREATE TABLE keys("
                    " id INTEGER PRIMARY KEY, path TEXT NOT NULL, fold TEXT NOT NULL UNIQUE)");
                db->Exec(
                    "CREATE TABLE vals("
                    " id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,"
                    " fold TEXT NOT NULL, type INTEGER NOT NULL, data,"
                    " UNIQUE(key, fold))");
                db->Exec("PRAGMA user_version=1");
            }
            db->Exec("COMMIT");
        } catch (...) {
            db->Rollback();
            throw;
        }
    }
    // A version of 0 without tables is an empty file: nothing stored yet. Queries fail and
    // readers take their defaults.
    return db;
}

StoreDb::~StoreDb() {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    if (db_) sqlite3_close(db_);
}

sqlite3_stmt* StoreDb::Prepare(const char* sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) Fail("prepare");
    statements_.emplace(sql, stmt);
    return stmt;
}

void StoreDb::Exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) ThrowFailure(rc, db_);
}

void StoreDb::Fail(const char* /*what: the result code tells the person more*/) {
    ThrowFailure(sqlite3_extended_errcode(db_), db_);
}

void StoreDb::Begin(bool write) {
    Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
}
void StoreDb::Commit() {
    Exec("COMMIT");
}
void StoreDb::Rollback() noexcept {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<int64_t> StoreDb::FindKey(const std::string& path) {
    if (path.empty()) return std::nullopt;
    Query q(Prepare("SELECT id FROM keys WHERE fold = ?1"));
    q.Bind(1, FoldPath(path));
    if (q.Step()) return q.Int(0);
    return std::nullopt;
}

int64_t StoreDb::EnsureKey(const std::string& path) {
    if (path.empty()) throw StoreError("settings store: values cannot live in the hive root");
    RequireDepth(path);
    if (auto id = FindKey(path)) return *id;
    // The ends of the path's components; the nearest existing ancestor is looked for from
    // the key upwards (usually its parent exists), then the missing keys are made downwards,
    // so that a child's stored path always starts with its parent's stored path (its letter
    // case included).
    std::vector<size_t> ends;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') ends.push_back(i);
    }
    ends.push_back(path.size());
    size_t existing = ends.size() - 1;  // components that exist
    std::string display;
    while (existing > 0) {
        if (auto id = FindKey(path.substr(0, ends[existing - 1]))) {
            display = KeyPath(*id);
            break;
        }
        --existing;
    }
    int64_t id = 0;
    for (size_t level = existing; level < ends.size(); ++level) {
        size_t start = level == 0 ? 0 : ends[level - 1] + 1;
        if (level > 0) display += '\\';
        display.append(path, start, ends[level] - start);
        Query q(Prepare("INSERT INTO keys(path, fold) VALUES(?1, ?2)"));
        q.Bind(1, display).Bind(2, FoldPath(path.substr(0, ends[level])));
        q.Step();
        id = sqlite3_last_insert_rowid(db_);
    }
    return id;
}

std::string StoreDb::KeyPath(int64_t id) {
    Query q(Prepare("SELECT path FROM keys WHERE id = ?1"));
    q.Bind(1, id);
    return q.Step() ? q.Text(0) : std::string();
}

std::optional<RegValue> StoreDb::ReadValue(int64_t key, const std::string& name) {
    Query q(Prepare("SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2"));
    q.Bind(1, key).Bind(2, FoldName(name));
    if (!q.Step()) return std::nullopt;
    return ValueAt(q, 0);
}

void StoreDb::WriteValue(int64_t key, const RegValue& v) {
    // The upsert keeps the row id, so a rewritten value keeps its place in the order.
    Query q(Prepare(
        "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data"));
    q.Bind(1, key).Bind(2, v.name).Bind(3, FoldName(v.name));
    if (v.type == RegType::Integer) {
        q.Bind(4, static_cast<int64_t>(RegType::Integer)).Bind(5, static_cast<int64_t>(v.number));
    } else {
        q.Bind(4, static_cast<int64_t>(RegType::String)).Bind(5, std::string_view(v.text));
    }
    q.Step();
}

bool StoreDb::DeleteValue(int64_t key, const std::string& name) {
    Query q(Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2"));
    q.Bind(1, key).Bind(2, FoldName(name));
    q.Step();
    return sqlite3_changes(db_) > 0;
}

std::vector<RegValue> StoreDb::Values(int64_t key) {
    std::vector<RegValue> out;
    Query q(Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id"));
    q.Bind(1, key);
    while (q.Step()) out.push_back(ValueAt(q, 0));
    return out;
}

std::vector<std::string> StoreDb::Children(const std::string& path) {
    return PathsBelow(path, true);
}

std::vector<RegKeyEntry> StoreDb::Subtree(const std::string& path) {
    struct Row {
        std::string fold;
        RegKeyEntry entry;
    };
    std::vector<Row> rows;
    auto collect = [&rows](Query& q) {
        while (q.Step()) {
            std::string fold = q.Text(1);
            if (rows.empty() || rows.back().fold != fold) {
                rows.push_back({std::move(fold), RegKeyEntry{q.Text(0), {}}});
            }
            if (sqlite3_column_type(q.Statement(), 2) != SQLITE_NULL) {
                rows.back().entry.values.push_back(ValueAt(q, 2));
            }
        }
    };
    if (path.empty()) {
        rows.push_back({});
        Query q(
            Prepare("SELECT k.path, k.fold, v.name, v.type, v.data FROM keys k"
                    " LEFT JOIN vals v ON v.key = k.id ORDER BY k.fold, v.id"));
        collect(q);
    } else {
        std::string fold = FoldPath(path);
        Query q(
            Prepare("SELECT k.path, k.fold, v.name, v.type, v.data FROM keys k"
                    " LEFT JOIN vals v ON v.key = k.id"
                    " WHERE k.fold = ?1 OR (k.fold >= ?2 AND k.fold < ?3) ORDER BY k.fold, v.id"));
        q.Bind(1, fold).Bind(2, RangeLow(fold)).Bind(3, RangeHigh(fold));
        collect(q);
        if (rows.empty() || rows.front().fold != fold) return {};
    }
    // Ordered by whole folded paths, "a b" would come between "a" and "a\b". With the
    // separator below every other character a key's subtree follows it directly, and
    // siblings keep the order of their folded names.
    auto less = [](const Row& a, const Row& b) {
        return std::lexicographical_compare(
            a.fold.begin(), a.fold.end(), b.fold.begin(), b.fold.end(), [](char x, char y) {
                auto rank = [](char c) {
                    return c == '\\' ? -1 : static_cast<int>(static_cast<unsigned char>(c));
                };
                return rank(x) < rank(y);
            });
    };
    std::stable_sort(rows.begin(), rows.end(), less);
    std::vector<RegKeyEntry> out;
    out.reserve(rows.size());
    for (Row& r : rows) out.push_back(std::move(r.entry));
    return out;
}

std::vector<std::string> StoreDb::Descendants(const std::string& path) {
    return PathsBelow(path, false);
}

std::vector<std::string> StoreDb::PathsBelow(const std::string& path, bool childrenOnly) {
    // A child's folded path holds no separator past its parent's and the one that follows it.
    if (path.empty()) {
        Query q(Prepare(childrenOnly
                            ? "SELECT path FROM keys WHERE instr(fold, '\\') = 0 ORDER BY fold"
                            : "SELECT path FROM keys ORDER BY fold"));
        return FirstColumn(q);
    }
    const std::string fold = FoldPath(path);
    Query q(Prepare(childrenOnly
                        ? "SELECT path FROM keys WHERE fold >= ?1 AND fold < ?2"
                          " AND instr(substr(CAST(fold AS BLOB), ?3), X'5C') = 0 ORDER BY fold"
                        : "SELECT path FROM keys WHERE fold >= ?1 AND fold < ?2 ORDER BY fold"));
    q.Bind(1, RangeLow(fold)).Bind(2, RangeHigh(fold));
    if (childrenOnly) q.Bind(3, static_cast<int64_t>(fold.size() + 2));
    return FirstColumn(q);
}

void StoreDb::DeleteTree(const std::string& path) {
    if (path.empty()) return;
    std::string fold = FoldPath(path);
    {
        Query q(
            Prepare("DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE fold = ?1"
                    " OR (fold >= ?2 AND fold < ?3))"));
        q.Bind(1, fold).Bind(2, RangeLow(fold)).Bind(3, RangeHigh(fold));
        q.Step();
    }
    Query q(Prepare("DELETE FROM keys WHERE fold = ?1 OR (fold >= ?2 AND fold < ?3)"));
    q.Bind(1, fold).Bind(2, RangeLow(fold)).Bind(3, RangeHigh(fold));
    q.Step();
}

void StoreDb::RenameTree(const std::string& from, const std::string& to) {
    std::string parent = ParentOf(to);
    std::string newRoot = to;
    if (!parent.empty()) {
        EnsureKey(parent);
        newRoot = KeyPath(*FindKey(parent)) + "\\" + to.substr(parent.size() + 1);
    }
    std::string oldRoot = KeyPath(*FindKey(from));
    std::string fold = FoldPath(from);
    std::vector<std::pair<int64_t, std::string>> rows;
    {
        Query q(Prepare("SELECT id, path FROM keys WHERE fold = ?1 OR (fold >= ?2 AND fold < ?3)"));
        q.Bind(1, fold).Bind(2, RangeLow(fold)).Bind(3, RangeHigh(fold));
        while (q.Step()) rows.emplace_back(q.Int(0), q.Text(1));
    }
    for (auto& [id, path] : rows) {
        std::string moved = newRoot + path.substr(oldRoot.size());
        RequireDepth(moved);
        Query q(Prepare("UPDATE keys SET path = ?1, fold = ?2 WHERE id = ?3"));
        q.Bind(1, moved).Bind(2, FoldPath(moved)).Bind(3, id);
        q.Step();
    }
}

void StoreDb::CopyTree(const std::string& from, const std::string& to) {
    std::string oldRoot = KeyPath(*FindKey(from));
    std::vector<std::string> paths{oldRoot};
    for (auto& p : Descendants(from)) paths.push_back(std::move(p));
    int64_t rootId = EnsureKey(to);
    std::string newRoot = KeyPath(rootId);
    for (const auto& path : paths) {
        int64_t src = *FindKey(path);
        std::string target = newRoot + path.substr(oldRoot.size());
        int64_t dst = path.size() == oldRoot.size() ? rootId : EnsureKey(target);
        Query q(
            Prepare("INSERT INTO vals(key, name, fold, type, data)"
                    " SELECT ?1, name, fold, type, data FROM vals WHERE key = ?2 ORDER BY id"));
        q.Bind(1, dst).Bind(2, src);
        q.Step();
    }
}

}  // namespace store_detail

}  // namespace vrnx2
