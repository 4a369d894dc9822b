#include "tests/support/FaultyStore.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace faulty_store {

namespace {

struct State {
    std::atomic<bool> armed{false};
    std::atomic<int> commitsLeft{0};
    std::atomic<bool> doomed{false};  // the transaction now under way fails
    std::atomic<int> failed{0};
    Fault fault = Fault::Full;
    Step step = Step::Write;
};
State g;

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;

// Our file: the base VFS's file follows it in the same allocation.
struct File {
    sqlite3_file base;
    bool storeFile;  // the database itself, not a journal
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* Of(sqlite3_file* f) {
    return reinterpret_cast<File*>(f);
}

int Code() {
    return g.fault == Fault::Full ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}

bool FailsAt(Step step) {
    return g.armed && g.doomed && g.fault != Fault::ReadOnly && g.step == step;
}

int Close(sqlite3_file* f) {
    const int rc =
        Of(f)->real()->pMethods ? Of(f)->real()->pMethods->xClose(Of(f)->real()) : SQLITE_OK;
    return rc;
}
int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 off) {
    return Of(f)->real()->pMethods->xRead(Of(f)->real(), p, n, off);
}
int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 off) {
    if (FailsAt(Step::Write) || (Of(f)->storeFile && FailsAt(Step::StoreWrite))) return Code();
    return Of(f)->real()->pMethods->xWrite(Of(f)->real(), p, n, off);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Of(f)->real()->pMethods->xTruncate(Of(f)->real(), size);
}
int Sync(sqlite3_file* f, int flags) {
    if (FailsAt(Step::Sync)) return g.fault == Fault::Full ? SQLITE_FULL : SQLITE_IOERR_FSYNC;
    return Of(f)->real()->pMethods->xSync(Of(f)->real(), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Of(f)->real()->pMethods->xFileSize(Of(f)->real(), size);
}
int Lock(sqlite3_file* f, int level) {
    return Of(f)->real()->pMethods->xLock(Of(f)->real(), level);
}
int Unlock(sqlite3_file* f, int level) {
    return Of(f)->real()->pMethods->xUnlock(Of(f)->real(), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Of(f)->real()->pMethods->xCheckReservedLock(Of(f)->real(), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Of(f)->real()->pMethods->xFileControl(Of(f)->real(), op, arg);
}
int SectorSize(sqlite3_file* f) {
    return Of(f)->real()->pMethods->xSectorSize(Of(f)->real());
}
int DeviceCharacteristics(sqlite3_file* f) {
    return Of(f)->real()->pMethods->xDeviceCharacteristics(Of(f)->real());
}

// Version 1 methods: no shared memory (the store keeps a rollback journal), no mapping.
const sqlite3_io_methods kMethods = [] {
    sqlite3_io_methods m{};
    m.iVersion = 1;
    m.xClose = Close;
    m.xRead = Read;
    m.xWrite = Write;
    m.xTruncate = Truncate;
    m.xSync = Sync;
    m.xFileSize = FileSize;
    m.xLock = Lock;
    m.xUnlock = Unlock;
    m.xCheckReservedLock = CheckReservedLock;
    m.xFileControl = FileControl;
    m.xSectorSize = SectorSize;
    m.xDeviceCharacteristics = DeviceCharacteristics;
    return m;
}();

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = Of(f);
    file->base.pMethods = nullptr;
    file->storeFile = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    if ((flags & SQLITE_OPEN_MAIN_DB) && g.armed && g.fault == Fault::ReadOnly) {
        flags &= ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        flags |= SQLITE_OPEN_READONLY;
    }
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && g.armed) {
        // One journal per write transaction.
        if (g.commitsLeft > 0) {
            --g.commitsLeft;
            g.doomed = false;
        } else {
            g.doomed = true;
            ++g.failed;
        }
    }
    const int rc = g_base->xOpen(g_base, name, file->real(), flags, outFlags);
    if (rc == SQLITE_OK) file->base.pMethods = &kMethods;
    return rc;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) {
    return g_base->xDelete(g_base, name, syncDir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return g_base->xAccess(g_base, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return g_base->xFullPathname(g_base, name, n, out);
}
int Randomness(sqlite3_vfs*, int n, char* out) {
    return g_base->xRandomness(g_base, n, out);
}
int Sleep(sqlite3_vfs*, int us) {
    return g_base->xSleep(g_base, us);
}
int CurrentTime(sqlite3_vfs*, double* t) {
    return g_base->xCurrentTime(g_base, t);
}
int GetLastError(sqlite3_vfs*, int n, char* out) {
    return g_base->xGetLastError ? g_base->xGetLastError(g_base, n, out) : 0;
}

void Register() {
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_initialize();
        g_base = sqlite3_vfs_find(nullptr);
        std::memset(&g_vfs, 0, sizeof g_vfs);
        g_vfs.iVersion = 1;
        g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_base->szOsFile;
        g_vfs.mxPathname = g_base->mxPathname;
        g_vfs.zName = "vrnx2-faulty";
        g_vfs.xOpen = Open;
        g_vfs.xDelete = Delete;
        g_vfs.xAccess = Access;
        g_vfs.xFullPathname = FullPathname;
        g_vfs.xRandomness = Randomness;
        g_vfs.xSleep = Sleep;
        g_vfs.xCurrentTime = CurrentTime;
        g_vfs.xGetLastError = GetLastError;
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

}  // namespace

void FailAfter(int commits, Fault fault, Step step) {
    Register();
    g.fault = fault;
    g.step = step;
    g.commitsLeft = commits;
    g.doomed = false;
    g.failed = 0;
    g.armed = true;
}

void Reset() {
    g.armed = false;
    g.doomed = false;
}

int FailedTransactions() {
    return g.failed;
}

}  // namespace faulty_store
